#include "platform/web/Html.h"
#include "platform/web/Http.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/rt/SysUtils.h"

using namespace web;

TEST(Html, EscapesMarkupInTextAndAttributes) {
  EXPECT_EQ(HtmlEscape("<script>alert(\"x\" & 'y')</script>"),
            "&lt;script&gt;alert(&quot;x&quot; &amp; &#39;y&#39;)&lt;/script&gt;");
}

TEST(Html, ScriptStringsCannotLeaveTheirScriptElement) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"</script><script>alert(1)</script>", R"("\u003c/script\u003e\u003cscript\u003ealert(1)\u003c/script\u003e")"},
      {"a\"b\\c", R"("a\"b\\c")"},
      {"line1\r\nline2\t", R"("line1\r\nline2\t")"},
      {"\x01\x7f", R"("\u0001\u007f")"},
      {"it's & more", R"("it\u0027s \u0026 more")"},
      {"\xE2\x80\xA8|\xE2\x80\xA9", R"("\u2028|\u2029")"},
      {"\xC2\xB0" "F", "\"\xC2\xB0" "F\""},
      // Other characters that begin like the separators stay as they are.
      {"\xE2\x97\x8F PRV\xE2\x80\x99s \xE2\x82\xAC", "\"\xE2\x97\x8F PRV\xE2\x80\x99s \xE2\x82\xAC\""},
      {"end\xE2\x80", "\"end\xE2\x80\""},
      {"", "\"\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JsString(c.in), c.out) << c.in;
    // Appending keeps what the text already holds (replies are written into one buffer).
    std::string reply = "{\"html\":";
    AppendJsString(reply, c.in);
    EXPECT_EQ(reply, "{\"html\":" + std::string(c.out)) << c.in;
  }
}

// An event's reply is parsed as JSON only: markup goes as it is, what JSON cannot hold is escaped.
TEST(Html, JsonStringsEscapeOnlyWhatJsonNeeds) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"<div id=\"a\" title='b'>x &amp; y</div>", R"("<div id=\"a\" title='b'>x &amp; y</div>")"},
      {"a\\b", R"("a\\b")"},
      {"line1\r\nline2\t", R"("line1\r\nline2\t")"},
      {"\x01\x1f\x7f", "\"\\u0001\\u001f\x7f\""},
      {"\xE2\x80\xA8 \xC2\xB0" "F", "\"\xE2\x80\xA8 \xC2\xB0" "F\""},
      {"", "\"\""},
  };
  for (const auto& c : cases) {
    std::string reply = "{\"html\":";
    AppendJsonString(reply, c.in);
    EXPECT_EQ(reply, "{\"html\":" + std::string(c.out)) << c.in;
  }
}

TEST(Html, ColoursAreWrittenFromTheirBgrValue) {
  EXPECT_EQ(ColorToCss(clYellow), "#ffff00");
  EXPECT_EQ(ColorToCss(0xF5F5F5), "#f5f5f5");
  EXPECT_EQ(ColorToCss(clRed), "#ff0000");
  EXPECT_EQ(ColorToCss(clCream), "#fffbf0");
  EXPECT_EQ(ColorToCss(clNone), "");
}

TEST(Html, DownloadFileNamesAreCleaned) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"sizing.kvs", "sizing.kvs"},
      {"bad\r\nSet-Cookie: x=1.kvs", "badSet-Cookie: x=1.kvs"},
      {"a\"b'c.kvs", "abc.kvs"},
      {"../../etc/passwd", "etcpasswd"},
      {"C:\\temp\\x.kvs", "C:tempx.kvs"},
      {"tab\there\x7f.kvs", "tabhere.kvs"},
      {"  ..  ", "download"},
      {"", "download"},
      {"Gr\xC3\xBC" "n.kvs", "Gr\xC3\xBC" "n.kvs"},
  };
  for (const auto& c : cases) EXPECT_EQ(CleanFileName(c.in), c.out) << c.in;
}

TEST(Html, ContentDispositionQuotesOnlyCleanNames) {
  EXPECT_EQ(ContentDisposition(true, "my \"file\".kvs"), "attachment; filename=\"my file.kvs\"");
  EXPECT_EQ(ContentDisposition(false, "x\r\n.kvs"), "inline; filename=\"x.kvs\"");
  EXPECT_EQ(ContentDisposition(true, "Gr\xC3\xBCn.kvs"),
            "attachment; filename=\"Gr__n.kvs\"; filename*=UTF-8''Gr%C3%BCn.kvs");
}

TEST(Html, CookieValuesAreFormEncodedInEightBitCodes) {
  EXPECT_EQ(CookieEncode("Water 60\xC2\xB0" "F,1.0;x=y:z~&"), "Water+60%B0F%2C1.0%3Bx%3Dy%3Az%7E%26");
  EXPECT_EQ(CookieEncode("a\r\nb"), "a%0D%0Ab");
}

TEST(Html, RandomTokensAreLongAndDifferent) {
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    const std::string t = NewRandomToken();
    ASSERT_EQ(t.size(), 64u);
    ASSERT_EQ(t.find_first_not_of("0123456789abcdef"), std::string::npos);
    seen.insert(t);
  }
  EXPECT_EQ(seen.size(), 100u);
}

TEST(Http, AddCookieWritesEveryAttribute) {
  THttpCookieList list;
  const auto expires = std::chrono::system_clock::from_time_t(1893456000);  // 2030-01-01 00:00:00 UTC
  list.AddCookie("UserFluid1", "Oil, light", "C:\\temp", expires, false, false, ssoNone);
  list.AddCookie("Pref", "1", "/", expires, true, true, ssoStrict);
  list.AddCookie("Session", "x", "/a;b\r\n", {}, false, false, ssoLax);
  ASSERT_EQ(list.Headers().size(), 3u);
  EXPECT_EQ(list.Headers()[0], "UserFluid1=Oil%2C+light; Path=C:\\temp; Expires=Tue, 01 Jan 2030 00:00:00 GMT");
  EXPECT_EQ(list.Headers()[1], "Pref=1; Path=/; Expires=Tue, 01 Jan 2030 00:00:00 GMT; HttpOnly; Secure; SameSite=Strict");
  EXPECT_EQ(list.Headers()[2], "Session=x; Path=/ab; SameSite=Lax");
  EXPECT_THROW(list.AddCookie("bad name", "v", "/", {}, false, false, ssoNone), rt::Exception);
  EXPECT_THROW(list.AddCookie("a\r\nb", "v", "/", {}, false, false, ssoNone), rt::Exception);
}

TEST(Http, RequestCookiesKeepTheirWireText) {
  TIWRequest r;
  r.ParseCookieHeader("UserFluid1=Oil%2C+light; UserPreference=%3B-1%3B0;flag;  x = y ");
  ASSERT_EQ(r.Cookies.size(), 4u);
  EXPECT_EQ(r.CookieFields(),
            (std::vector<std::string>{"UserFluid1=Oil%2C+light", "UserPreference=%3B-1%3B0", "flag=", "x=y"}));
  EXPECT_EQ(r.CookieValue("UserPreference"), "%3B-1%3B0");
  EXPECT_EQ(r.CookieValue("missing"), "");
}
