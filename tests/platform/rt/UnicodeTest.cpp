#include "platform/rt/Unicode.h"

#include <gtest/gtest.h>

TEST(Unicode, Utf8AndUtf16RoundTripIncludingSurrogatePairs) {
  const std::string Texts[] = {"", "abc", "\xC3\xA9t\xC3\xA9", "\xE2\x82\xAC 5", "\xF0\x9F\x98\x80!"};
  for (const std::string& T : Texts) EXPECT_EQ(rt::Utf16ToUtf8(rt::Utf8ToUtf16(T)), T) << T;
  EXPECT_EQ(rt::Utf8ToUtf16("\xF0\x9F\x98\x80").size(), 2u);  // one code point, two units
  EXPECT_EQ(rt::Utf8ToUtf16("\xC3\xA9").size(), 1u);
}

TEST(Unicode, MalformedInputBecomesReplacementCharacterWithoutLosingTheRest) {
  struct Case { std::string In; std::u16string Out; } Cases[] = {
      {"a\xFF" "b", u"a\uFFFDb"},            // stray byte
      {"a\xC3", u"a\uFFFD"},                 // cut sequence at the end
      {"\xC0\xAF", u"\uFFFD\uFFFD"},         // overlong form
      {"\xED\xA0\x80z", u"\uFFFD\uFFFD\uFFFDz"},  // encoded surrogate
  };
  for (const Case& C : Cases) EXPECT_EQ(rt::Utf8ToUtf16(C.In), C.Out);
  EXPECT_EQ(rt::Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Unicode, LetterCaseOfLatinGreekAndCyrillicKeepsLength) {
  EXPECT_EQ(rt::WideUpperCase(u"abc\u00e9\u00ff\u0101\u03b1\u03c2\u0430\u0451"),
            u"ABC\u00c9\u0178\u0100\u0391\u03a3\u0410\u0401");
  EXPECT_EQ(rt::WideLowerCase(u"ABC\u00c9\u0178\u0100\u0391\u0410\u0401"),
            u"abc\u00e9\u00ff\u0101\u03b1\u0430\u0451");
  EXPECT_EQ(rt::WideUpperCase(u"\u00f7\u00df1_"), u"\u00f7\u00df1_");  // no letters to change
  EXPECT_EQ(rt::WideCompareText(u"\u00c9cole", u"\u00e9COLE"), 0);
  EXPECT_LT(rt::WideCompareText(u"abc", u"ABD"), 0);
  EXPECT_EQ(rt::Utf8UpperCase("gr\xC3\xB6\xC3\x9F" "e"), "GR\xC3\x96\xC3\x9F" "E");
  EXPECT_EQ(rt::Utf8CompareText("Stra\xC3\x9F" "e", "STRA\xC3\x9F" "E"), 0);
}
