#include "platform/web/HttpParse.h"

#include <gtest/gtest.h>

using namespace web::http;

namespace {

std::string Head(const std::string& lines) { return lines + "\r\n\r\n"; }

}  // namespace

TEST(HttpParse, RequestHeadsThatAreRefusedGetTheirStatus) {
  struct Case {
    const char* what;
    std::string head;
    int status;
  } cases[] = {
      {"one word", Head("GET"), 400},
      {"extra blank", Head("GET  / HTTP/1.1"), 400},
      {"absolute target", Head("GET http://x/ HTTP/1.1"), 400},
      {"control byte in target", Head("GET /a\x01 HTTP/1.1"), 400},
      {"NUL after decoding", Head("GET /a%00b HTTP/1.1"), 400},
      {"bad method", Head("G(T / HTTP/1.1"), 400},
      {"other version", Head("GET / HTTP/2.0"), 505},
      {"no version", Head("GET / XYZ"), 400},
      {"header without colon", Head("GET / HTTP/1.1\r\nHost x"), 400},
      {"blank before colon", Head("GET / HTTP/1.1\r\nHost : x"), 400},
      {"folded header", Head("GET / HTTP/1.1\r\nA: b\r\n c"), 400},
      {"length not a number", Head("POST / HTTP/1.1\r\nContent-Length: 1e3"), 400},
      {"negative length", Head("POST / HTTP/1.1\r\nContent-Length: -1"), 400},
      {"huge length", Head("POST / HTTP/1.1\r\nContent-Length: 99999999999999999999"), 400},
      {"two lengths", Head("POST / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6"), 400},
      {"chunked", Head("POST / HTTP/1.1\r\nTransfer-Encoding: chunked"), 501},
      {"too large", Head("GET / HTTP/1.1\r\nCookie: " + std::string(MaxHeadBytes, 'a')), 431},
  };
  for (const auto& c : cases) {
    TRequestHead head;
    std::string error;
    EXPECT_EQ(ParseRequestHead(c.head, head, error), c.status) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
  std::string many = "GET / HTTP/1.1";
  for (std::size_t i = 0; i <= MaxHeaderFields; ++i) many += "\r\nX-" + std::to_string(i) + ": 1";
  TRequestHead head;
  std::string error;
  EXPECT_EQ(ParseRequestHead(Head(many), head, error), 431) << "too many fields";
}

TEST(HttpParse, Http11RequestWithoutHostIsRefused) {
  struct Case {
    const char* head;
    int status;
  } cases[] = {
      {"GET / HTTP/1.1\r\nAccept: */*", 400},
      {"POST /event HTTP/1.1\r\nContent-Length: 0", 400},
      {"GET / HTTP/1.1\r\nHost: a\r\nHost: b", 400},
      {"GET / HTTP/1.0\r\nHost: a\r\nhost: a", 400},
      {"GET / HTTP/1.1\r\nhost: 127.0.0.1:8885", 0},
      {"GET / HTTP/1.1\r\nHost:", 0},
      {"GET / HTTP/1.0", 0},
  };
  for (const auto& c : cases) {
    TRequestHead head;
    std::string error;
    EXPECT_EQ(ParseRequestHead(Head(c.head), head, error), c.status) << c.head;
    EXPECT_EQ(error.empty(), c.status == 0) << c.head;
  }
}

TEST(HttpParse, RequestHeadFieldsAndConnectionRules) {
  TRequestHead h;
  std::string error;
  ASSERT_EQ(ParseRequestHead("\r\nPOST /files/%2e%2e/a%20b.png?x=%41&y HTTP/1.1\nHost: a\nCOOKIE:  a=%3B; b=c \n"
                             "Content-Length: 12\nContent-Length: 12\nExpect: 100-Continue\n\n",
                             h, error),
            0)
      << error;
  EXPECT_EQ(h.Method, "POST");
  EXPECT_EQ(h.Path, "/files/../a b.png") << "the path is decoded; its checks are the file server's";
  EXPECT_EQ(h.Query, "x=%41&y");
  ASSERT_NE(h.Find("cookie"), nullptr);
  EXPECT_EQ(*h.Find("cookie"), "a=%3B; b=c") << "header values keep their wire text";
  EXPECT_EQ(h.ContentLength, 12u);
  EXPECT_TRUE(h.ExpectContinue);
  EXPECT_TRUE(h.KeepAlive);

  struct Case {
    const char* head;
    bool keepAlive;
  } cases[] = {
      {"GET / HTTP/1.1\r\nHost: a\r\nConnection: close", false},
      {"GET / HTTP/1.1\r\nHost: a\r\nConnection: TE, Close", false},
      {"GET / HTTP/1.0", false},
      {"GET / HTTP/1.0\r\nConnection: keep-alive", true},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(ParseRequestHead(Head(c.head), h, error), 0) << c.head;
    EXPECT_EQ(h.KeepAlive, c.keepAlive) << c.head;
  }
}

TEST(HttpParse, HeadEndIsFoundAcrossReadsFromWhereTheLastSearchStopped) {
  const std::string full = "GET / HTTP/1.1\r\nHost: a\r\n\r\nbody";
  std::size_t from = 0;
  std::size_t found = std::string::npos;
  // The head arrives a byte at a time, as from a slow client.
  for (std::size_t n = 1; n <= full.size() && found == std::string::npos; ++n) {
    found = FindHeadEnd(std::string_view(full).substr(0, n), from);
    from = n > 3 ? n - 3 : 0;
  }
  EXPECT_EQ(found, full.size() - 4);
  EXPECT_EQ(FindHeadEnd("GET / HTTP/1.1\nA: b\n\n"), 21u);
  EXPECT_EQ(FindHeadEnd("GET / HTTP/1.1\r\nA: b\r\n"), std::string::npos);
}

TEST(HttpParse, UrlEncodedBodies) {
  std::vector<TFormField> f;
  std::string error;
  ASSERT_TRUE(DecodeUrlEncoded("a=1+2%2B3&&b&c=%zz%4&d%3D=%C3%98&e=", f, error));
  ASSERT_EQ(f.size(), 5u);
  const std::pair<const char*, const char*> want[] = {
      {"a", "1 2+3"}, {"b", ""}, {"c", "%zz%4"}, {"d=", "\xC3\x98"}, {"e", ""}};
  for (std::size_t i = 0; i < f.size(); ++i) {
    EXPECT_EQ(f[i].Name, want[i].first);
    EXPECT_EQ(f[i].Value, want[i].second);
  }
  std::string many;
  for (std::size_t i = 0; i <= MaxFormFields; ++i) many += "x=1&";
  f.clear();
  EXPECT_FALSE(DecodeUrlEncoded(many, f, error));
  EXPECT_EQ(error, "The form has too many fields");
}

TEST(HttpParse, MultipartBodies) {
  const std::string body =
      "preamble\r\n--XyZ\r\nContent-Disposition: form-data; name=\"s\"\r\n\r\ntok\r\n"
      "--XyZ\r\ncontent-disposition: form-data; name=\"file\"; filename=\"a \\\"b\\\";c.kvs\"\r\n"
      "Content-Type: application/octet-stream\r\n\r\nline1\r\n--XyZnot-yet\r\n\r\n--XyZ--\r\n";
  std::vector<TFormField> f;
  std::string error;
  ASSERT_TRUE(DecodeForm("multipart/form-data; boundary=\"XyZ\"", body, f, error)) << error;
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].Name, "s");
  EXPECT_EQ(f[0].Value, "tok");
  EXPECT_FALSE(f[0].IsFile);
  EXPECT_EQ(f[1].Name, "file");
  EXPECT_TRUE(f[1].IsFile);
  EXPECT_EQ(f[1].FileName, "a \"b\";c.kvs");
  EXPECT_EQ(f[1].ContentType, "application/octet-stream");
  EXPECT_EQ(f[1].Value, "line1\r\n--XyZnot-yet\r\n") << "a delimiter counts only at a line start and in full";

  struct Case {
    const char* what;
    std::string body;
  } bad[] = {
      {"no delimiter", "abc"},
      {"no closing delimiter", "--XyZ\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1"},
      {"part without a name", "--XyZ\r\nContent-Disposition: form-data\r\n\r\n1\r\n--XyZ--"},
      {"not form-data", "--XyZ\r\nContent-Disposition: attachment; name=\"a\"\r\n\r\n1\r\n--XyZ--"},
      {"unfinished part head", "--XyZ\r\nContent-Disposition: form-data; name=\"a\""},
      {"junk after delimiter", "--XyZjunk\r\n\r\n--XyZ--"},
  };
  for (const auto& c : bad) {
    f.clear();
    EXPECT_FALSE(DecodeMultipart(c.body, "XyZ", f, error)) << c.what;
  }
  std::string many;
  for (std::size_t i = 0; i <= MaxFormFields; ++i) many += "--XyZ\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n\r\n";
  f.clear();
  EXPECT_FALSE(DecodeMultipart(many + "--XyZ--", "XyZ", f, error));
  EXPECT_EQ(error, "The form has too many fields");
}

TEST(HttpParse, FormBodiesByContentType) {
  struct Case {
    const char* type;
    bool ok;
  } cases[] = {
      {"application/x-www-form-urlencoded;charset=UTF-8", true},
      {"multipart/form-data", false},
      {"multipart/form-data; boundary=", false},
      {"multipart/form-data; boundary=" "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"text/plain", false},
  };
  for (const auto& c : cases) {
    std::vector<TFormField> f;
    std::string error;
    EXPECT_EQ(DecodeForm(c.type, "a=1", f, error), c.ok) << c.type;
  }
  std::vector<TFormField> f;
  std::string error;
  EXPECT_TRUE(DecodeForm("", "", f, error)) << "an empty body needs no content type";
  EXPECT_EQ(MultipartBoundary("Multipart/Form-Data; charset=x; BOUNDARY=abc"), "abc");
}
