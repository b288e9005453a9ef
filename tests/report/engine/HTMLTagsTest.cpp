#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rt/Unicode.h"
#include "report/engine/repDrawText.h"

namespace {

constexpr gfx::TFontStyles Bold = 1u << gfx::fsBold;
constexpr gfx::TFontStyles Italic = 1u << gfx::fsItalic;
constexpr gfx::TColor Red = 0x0000FF, Blue = 0xFF0000;

struct Parsed {
  std::string Text;
  std::vector<TrepHTMLTag> Tags;
};

Parsed Parse(std::u16string S, bool Allow = true) {
  TrepHTMLTagsList L;
  L.AllowTags = Allow;
  L.SetDefaults(gfx::clBlack, 10, 0);
  L.ExpandHTMLTags(S);
  Parsed P{rt::Utf16ToUtf8(S), {}};
  for (int I = 0; I < L.Items(0).Count(); ++I) P.Tags.push_back(L.Items(0).Items(I));
  return P;
}

} // namespace

TEST(HTMLTags, TagsLeaveTheTextAndMarkTheCharacters) {
  const Parsed P = Parse(u"a<b>b</b>c");
  EXPECT_EQ(P.Text, "abc");
  ASSERT_EQ(P.Tags.size(), 3u);
  EXPECT_EQ(P.Tags[0].Position, 1);
  EXPECT_EQ(P.Tags[1].Position, 5);
  EXPECT_EQ(P.Tags[2].Position, 10);
  EXPECT_TRUE(P.Tags[0].Default);
  EXPECT_EQ(P.Tags[1].Style, Bold);
  EXPECT_FALSE(P.Tags[1].Default);
  EXPECT_EQ(P.Tags[2].Style, 0u);
  EXPECT_FALSE(P.Tags[2].Default);
}

TEST(HTMLTags, EdgeCases) {
  // Text after parsing, and the style and colour of its last character.
  struct Case {
    std::u16string In;
    std::string Text;
    gfx::TFontStyles LastStyle;
    gfx::TColor LastColor;
  } Cases[] = {
      {u"<B><I>x</B>y", "xy", Italic, gfx::clBlack},
      {u"<font color=\"#FF0000\">x", "x", 0, Red},
      {u"<font color=red>x", "x", 0, Red},
      {u"<FONT COLOR = \"red\">x", "x", 0, Red},
      {u"<font color=nosuchcolour>x", "<font color=nosuchcolour>x", 0, gfx::clBlack},
      {u"<font color=\"#FF00\">x", "x", 0, 0x00FF00},
      {u"<font color=\"#GG0000\">x", "<font color=\"#GG0000\">x", 0, gfx::clBlack},
      {u"<font color=red", "<font color=red", 0, gfx::clBlack},
      {u"<font color=red>a<font color=blue>b</font>c", "abc", 0, Red},
      {u"<font color=red>a<font color=blue>b</font>c</font>d", "abcd", 0, gfx::clBlack},
      // An unknown colour opens nothing: closing the bold around it brings back no markup.
      {u"<b><font color=bad>x</b>y", "<font color=bad>xy", 0, gfx::clBlack},
      {u"<strike>x", "x", 1u << gfx::fsStrikeOut, gfx::clBlack},
      {u"<strike>x</strike>y", "xy", 0, gfx::clBlack},
      {u"<u>x", "x", 1u << gfx::fsUnderline, gfx::clBlack},
      {u"a<c>b", "a<c>b", 0, gfx::clBlack},
      {u"a<bold>b", "a<bold>b", 0, gfx::clBlack},
      {u"<strikeX>", "<strikeX>", 0, gfx::clBlack},
      {u"x</i>", "x", 0, gfx::clBlack},
      {u"<b></b>", " ", 0, gfx::clBlack},
      {u"", " ", 0, gfx::clBlack},
      {u"<", "<", 0, gfx::clBlack},
      // A name that also occurs earlier in the text is still a tag where it stands.
      {u"SUB x<sub>2</sub>", "SUB x2", 0, gfx::clBlack},
      {u"nowrap <nowrap>a</nowrap>", "nowrap a", 0, gfx::clBlack},
  };
  for (const Case& C : Cases) {
    const Parsed P = Parse(C.In);
    EXPECT_EQ(P.Text, C.Text) << rt::Utf16ToUtf8(C.In);
    ASSERT_EQ(P.Tags.size(), rt::Utf8ToUtf16(C.Text).size()) << rt::Utf16ToUtf8(C.In);
    EXPECT_EQ(P.Tags.back().Style, C.LastStyle) << rt::Utf16ToUtf8(C.In);
    EXPECT_EQ(P.Tags.back().Color, C.LastColor) << rt::Utf16ToUtf8(C.In);
  }
}

TEST(HTMLTags, SubscriptSuperscriptAndNoWrap) {
  Parsed P = Parse(u"x<sub>2</sub>y<sup>3</sup>");
  EXPECT_EQ(P.Text, "x2y3");
  EXPECT_EQ(P.Tags[1].Size, 7);  // round(10 / 1.5)
  EXPECT_EQ(P.Tags[1].AddY, 1);
  EXPECT_EQ(P.Tags[1].SubType, ssSubscript);
  EXPECT_TRUE(P.Tags[1].Small);
  EXPECT_EQ(P.Tags[2].Size, 10);
  EXPECT_FALSE(P.Tags[2].Small);
  EXPECT_EQ(P.Tags[3].AddY, 0);
  EXPECT_EQ(P.Tags[3].SubType, ssSuperscript);
  P = Parse(u"a <nowrap>b c</nowrap> d");
  EXPECT_EQ(P.Text, "a b c d");
  std::string Marks;
  for (const TrepHTMLTag& T : P.Tags) Marks += T.DontWRAP ? 'n' : '.';
  EXPECT_EQ(Marks, "..nnn..");
}

TEST(HTMLTags, PositionsCountOnlyTheSourceText) {
  // </b> re-opens <i> after itself; that re-opened tag is not source text, so y keeps its
  // position in the source (12), which is where a split would cut.
  const Parsed P = Parse(u"<b><i>x</b>y");
  ASSERT_EQ(P.Text, "xy");
  EXPECT_EQ(P.Tags[0].Position, 7);
  EXPECT_EQ(P.Tags[1].Position, 12);
}

TEST(HTMLTags, WithoutTagsNothingIsRemoved) {
  const Parsed P = Parse(u"<b>x</b>", false);
  EXPECT_EQ(P.Text, "<b>x</b>");
  for (const TrepHTMLTag& T : P.Tags) {
    EXPECT_TRUE(T.Default);
    EXPECT_EQ(T.Style, 0u);
  }
}

TEST(HTMLTags, DeepNestingStaysBounded) {
  std::u16string S;
  for (int I = 0; I < 5000; ++I) S += u"<b><i>";
  S += u"x";
  for (int I = 0; I < 5000; ++I) S += u"</u>";
  S += u"y";
  const Parsed P = Parse(S);
  EXPECT_EQ(P.Text, "xy");
  EXPECT_EQ(P.Tags[1].Style, Bold | Italic);
}

TEST(HTMLTags, SplittingALineGroup) {
  TrepHTMLTagsList L;
  L.SetDefaults(gfx::clBlack, 10, 0);
  std::u16string S = u"ab<b>cd";
  L.ExpandHTMLTags(S);
  L.Wrap(3, true);
  ASSERT_EQ(L.Count(), 2);
  EXPECT_EQ(L.Items(0).Count(), 4);  // a b c and a copy of c for the hyphen
  EXPECT_EQ(L.Items(0).Items(3).Position, L.Items(0).Items(2).Position);
  EXPECT_EQ(L.Items(1).Count(), 1);
  EXPECT_EQ(L.Items(1).Items(0).Position, 7);  // d keeps its own place
  L.Wrap(5, false);  // nothing to split
  EXPECT_EQ(L.Count(), 2);
  L.NewLine();
  EXPECT_EQ(L.Count(), 3);
}
