#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repVectorCanvas.h"

namespace {

std::vector<std::string> Lines(const TrepDrawText& D) {
  std::vector<std::string> R;
  for (int I = 0; I < D.LineCount(); ++I) R.push_back(rt::Utf16ToUtf8(D.Lines(I)));
  return R;
}

// Liberation Mono (for Courier New) at 10 points: every character is 50 reference units
// (600 dpi) wide, 8 screen pixels, so a width of 8 * n pixels holds exactly n characters.
class DrawTextTest : public ::testing::Test {
protected:
  void Setup(const char* FontName, int Size, int Width, int Height = 1000, bool Tags = false, bool WordBreak = false,
             int Rotation = 0) {
    gfx::TFont F;
    F.SetName(FontName);
    F.SetSize(Size);
    D.SetFont(F);
    D.SetOptions(true, Tags, false, WordBreak, false, true, Rotation);
    D.SetGaps(0, 0, 0);
    const gfx::TRect R{0, 0, Width, Height};
    D.SetDimensions(1, 1, 1, R, R);
  }
  TrepDrawText::TLock Lock;
  TrepDrawText D;
};

} // namespace

TEST_F(DrawTextTest, WrapsCountableMonospacedText) {
  struct Case {
    std::u16string Text;
    int Chars;  // width in characters
    bool WordBreak;
    std::vector<std::string> Lines;
  } Cases[] = {
      {u"aaa bbb ccc ddd", 10, false, {"aaa bbb", "ccc ddd"}},
      {u"aaaaaaa bbb", 10, false, {"aaaaaaa", "bbb"}},
      {u"exactly10c", 10, false, {"exactly10c"}},
      {u"abcdefghijklmnop", 10, false, {"abcdefghij", "klmnop"}},
      {u"ab", 0, false, {"a", "b"}},
      {u"\r\n", 10, false, {" "}},
      {u"a\r\n\r\nb", 10, false, {"a", " ", "b"}},
      // Russian words break at a syllable with a hyphen; English words are cut.
      {u"а молоко", 5, true, {"а мо-", "локо"}},
      {u"молоко", 5, true, {"моло-", "ко"}},
      {u"a abcdefgh", 5, true, {"a", "abcde", "fgh"}},
      {u"a abcdefgh", 5, false, {"a", "abcde", "fgh"}},
      // Characters outside the basic plane stay whole.
      {u"\U0001D400\U0001D400", 0, false, {"\U0001D400", "\U0001D400"}},
  };
  for (const Case& C : Cases) {
    Setup("Courier New", 10, 8 * C.Chars, 1000, false, C.WordBreak);
    D.SetText(C.Text);
    EXPECT_EQ(Lines(D), C.Lines) << rt::Utf16ToUtf8(C.Text);
  }
  // With character spacing a pair is still measured as one character.
  Setup("Courier New", 10, 8 * 3);
  D.SetGaps(0, 2, 0);
  D.SetText(u"a\U0001D400bc");
  EXPECT_EQ(Lines(D), (std::vector<std::string>{"a\U0001D400", "bc"}));
}

TEST_F(DrawTextTest, ParagraphFlagsIndentAndNoWrapRuns) {
  Setup("Courier New", 10, 80);
  D.SetGaps(16, 0, 0);  // the first line of a paragraph holds 8 characters
  D.SetText(u"aaaa bbbb cccc\r\nx");
  EXPECT_EQ(Lines(D), (std::vector<std::string>{"aaaa", "bbbb cccc", "x"}));
  EXPECT_EQ(D.LineFlags(0), rlfParaStart);
  EXPECT_EQ(D.LineFlags(1), rlfParaEnd);
  EXPECT_EQ(D.LineFlags(2), rlfParaStart | rlfParaEnd);
  // A part that continues a paragraph has no indent.
  D.SetText(u"aaaa bbbb cccc", true);
  EXPECT_EQ(Lines(D), (std::vector<std::string>{"aaaa bbbb", "cccc"}));
  D.SetParaBreaks(true, true);
  EXPECT_EQ(D.LineFlags(0), 0);
  EXPECT_EQ(D.LineFlags(1), 0);

  Setup("Courier New", 10, 80, 1000, true);
  D.SetText(u"aaaa <nowrap>bbb ccc</nowrap>");
  EXPECT_EQ(Lines(D), (std::vector<std::string>{"aaaa", "bbb ccc"}));
  Setup("Courier New", 10, 80, 1000, false);
  D.SetText(u"aaaa bbb ccc");
  EXPECT_EQ(Lines(D), (std::vector<std::string>{"aaaa bbb", "ccc"}));
}

TEST(Hyphenation, RussianSyllables) {
  struct Case {
    std::u16string Word;
    std::vector<int> Positions;
  } Cases[] = {
      {u"МОЛОКО", {2, 4}},
      {u"молоко", {2, 4}},
      {u"РУССКИЙ", {3, 4}},
      {u"ДОМ", {}},
      {u"HELLO", {}},
      {u"", {}},
  };
  for (const Case& C : Cases) EXPECT_EQ(TrepDrawText::HyphenatePositions(C.Word), C.Positions) << rt::Utf16ToUtf8(C.Word);
}

TEST_F(DrawTextTest, HeightsOfKnownFonts) {
  // Arial (Liberation Sans): em of round(size * 600 / 72) reference pixels; its cell (Windows
  // ascent + descent) is taller, and above 12 points the difference is added once.
  struct Case {
    int Size;
    int Lines;
    double LineSpacing;
    bool OldLineHeight;
    double Height;
  } Cases[] = {
      {10, 3, 0, true, 3 * 83 / 6.25},
      {12, 2, 0, true, 2 * 100 / 6.25},               // cell 112, not added at 12 points
      {14, 2, 0, true, 2 * 117 / 6.25 + 14 / 6.25},   // cell 131 at 117 px
      {10, 3, -2, true, 3 * (83 / 6.25 - 2) + 2},     // two negative gaps between three lines
      {10, 3, 1.5, true, 3 * (83 / 6.25 + 1.5)},
      {12, 2, 0, false, 2 * 112 / 6.25},
  };
  for (const Case& C : Cases) {
    Setup("Arial", C.Size, 1000);
    D.UseOldLineHeight = C.OldLineHeight;
    D.SetGaps(0, 0, C.LineSpacing);
    std::u16string T = u"x";
    for (int I = 1; I < C.Lines; ++I) T += u"\r\nx";
    D.SetText(T);
    ASSERT_EQ(D.LineCount(), C.Lines);
    EXPECT_NEAR(D.CalcHeight(), C.Height, 1e-9) << C.Size << " " << C.LineSpacing;
  }
  D.UseOldLineHeight = true;
  D.SetText(TrepWideStrings());
  EXPECT_EQ(D.CalcHeight(), 0);
  EXPECT_EQ(D.CalcWidth(), 0);
}

TEST_F(DrawTextTest, WidthsAndUnusedSpace) {
  Setup("Courier New", 10, 1000, 99);
  D.SetText(u"abc\r\nabcde");
  EXPECT_DOUBLE_EQ(D.CalcWidth(), 40);
  D.SetGaps(0, 1, 0);  // one pixel after every character: 6.25 reference units, rounded per line
  D.SetText(u"abc\r\nabcde");
  EXPECT_DOUBLE_EQ(D.CalcWidth(), (250 + 31) / 6.25);
  D.SetGaps(10, 0, 0);
  D.SetText(u"abc\r\nabcde");
  EXPECT_DOUBLE_EQ(D.CalcWidth(), (250 + 63) / 6.25);
  // Bold and sub-script runs measure in their own style and size.
  Setup("Arial", 10, 1000, 99, true);
  D.SetText(u"ttt");
  const double Plain = D.CalcWidth();
  D.SetText(u"<b>ttt</b>");
  EXPECT_GT(D.CalcWidth(), Plain);
  D.SetText(u"<sub>ttt</sub>");
  EXPECT_LT(D.CalcWidth(), Plain);
  // Area 100 pixels high, lines of 13.28: seven fit, 7.04 pixels are left.
  EXPECT_NEAR(D.UnusedSpace(), 100 - 7 * 13.28, 1e-9);
  D.SetDimensions(1, 1, 1, {0, 0, 100, 5}, {0, 0, 100, 5});
  EXPECT_EQ(D.UnusedSpace(), 0);
  D.SetDimensions(1, 1, 1, {0, 0, 100, 13 * 8 - 1}, {0, 0, 100, 13 * 8 - 1});
  D.SetGaps(0, 0, 13.28 - 83 / 6.25 + 13 - 13.28);  // lines of exactly 13 pixels: 8 fit, nothing left
  EXPECT_NEAR(D.UnusedSpace(), 0.0001, 1e-12);
}

TEST_F(DrawTextTest, SplitPartsGiveBackTheTextOnceAndInOrder) {
  const std::u16string Source =
      u"first paragraph with <b>bold words that run</b> on and on\r\n"
      u"\r\n"
      u"second <font color=red>red text <i>and italic</i></font> here, longer than one line of the memo\r\n"
      u"x<sub>2</sub> end";
  for (bool Tags : {false, true}) {
    std::u16string Rest = Source + u"\r\n";
    std::u16string Joined, Prefix;
    int Parts = 0;
    while (!Rest.empty() && Parts < 100) {
      Setup("Courier New", 10, 8 * 17, 3 * 14 - 1, Tags);  // 17 characters, 3 lines of 13.28
      D.SetText(Rest, Parts > 0);
      bool ParaBreak = false;
      const std::u16string Out = D.GetOutBoundsText(ParaBreak);
      std::u16string In = D.GetInBoundsText();
      ASSERT_EQ(In.compare(0, Prefix.size(), Prefix), 0);
      Joined += In.substr(Prefix.size());
      Prefix.clear();
      if (!Out.empty() && Tags) Prefix = Out.substr(0, Out.find(u'>') + 1);
      if (Tags)
        while (Out.size() > Prefix.size() && Out[Prefix.size()] == u'<' &&
               Out.compare(Prefix.size(), 3, u"<b>") * Out.compare(Prefix.size(), 3, u"<i>") *
                       Out.compare(Prefix.size(), 5, u"<sub>") == 0)
          Prefix = Out.substr(0, Out.find(u'>', Prefix.size()) + 1);
      Rest = Out;
      ++Parts;
    }
    EXPECT_EQ(rt::Utf16ToUtf8(Joined), rt::Utf16ToUtf8(Source + u"\r\n")) << Tags;
    EXPECT_GT(Parts, 3);
  }
}

TEST_F(DrawTextTest, ContinuationStartsInTheFormattingOfTheCut) {
  Setup("Courier New", 10, 64, 13, true);  // one line of 8 characters fits
  D.SetText(u"<b>aaaa bbbb</b> c");
  bool ParaBreak = false;
  EXPECT_EQ(rt::Utf16ToUtf8(D.GetOutBoundsText(ParaBreak)), "<font color=\"#000000\"><b>bbbb</b> c\r\n");
  EXPECT_TRUE(ParaBreak);
  EXPECT_EQ(rt::Utf16ToUtf8(D.GetInBoundsText()), "<b>aaaa ");
  EXPECT_EQ(D.LineCount(), 1);

  Setup("Courier New", 10, 32, 13, true);
  D.SetText(u"<font color=\"#FF8000\"><i>aaaa<sup>bbbb</sup></i></font>\r\nnext");
  EXPECT_EQ(rt::Utf16ToUtf8(D.GetOutBoundsText(ParaBreak)), "<font color=\"#FF8000\"><sup><i>bbbb</sup></i></font>\r\nnext\r\n");

  // A cut at a paragraph end: no paragraph break.
  Setup("Courier New", 10, 80, 13);
  D.SetText(u"aaaa\r\nbbbb");
  EXPECT_EQ(rt::Utf16ToUtf8(D.GetOutBoundsText(ParaBreak)), "bbbb\r\n");
  EXPECT_FALSE(ParaBreak);
  // Everything fits: nothing comes back and the text stays whole.
  Setup("Courier New", 10, 80, 1000);
  D.SetText(u"aaaa\r\nbbbb");
  EXPECT_EQ(D.GetOutBoundsText(ParaBreak), u"");
  EXPECT_EQ(D.GetInBoundsText(), u"aaaa\r\nbbbb\r\n");
  // A hyphenated cut keeps its hyphen on the part that fits.
  Setup("Courier New", 10, 40, 13, false, true);
  D.SetText(u"молоко");
  EXPECT_EQ(rt::Utf16ToUtf8(D.GetOutBoundsText(ParaBreak)), "ко\r\n");
  EXPECT_EQ(rt::Utf16ToUtf8(D.GetInBoundsText()), "моло-");
}

TEST_F(DrawTextTest, SplitsAlwaysProgress) {
  // Not one line fits: the whole text moves on, unless the memo stands on an empty page.
  Setup("Courier New", 10, 80, 5);
  D.SetText(u"aaaa bbbb cccc");
  bool ParaBreak = true;
  EXPECT_EQ(rt::Utf16ToUtf8(D.GetOutBoundsText(ParaBreak)), "aaaa bbbb cccc\r\n");
  EXPECT_FALSE(ParaBreak);
  EXPECT_EQ(D.GetInBoundsText(), u"");
  D.SetText(u"aaaa bbbb cccc");
  EXPECT_EQ(rt::Utf16ToUtf8(D.GetOutBoundsText(ParaBreak, true)), "cccc\r\n");
  EXPECT_EQ(D.LineCount(), 1);
  // A line height of zero or less counts as one pixel: no division by it, no endless split.
  Setup("Courier New", 10, 40, 2);
  D.SetGaps(0, 0, -50);
  D.SetText(u"aaaa bbbb cccc dddd");
  EXPECT_DOUBLE_EQ(D.UnusedSpace(), 0.0001);
  EXPECT_EQ(rt::Utf16ToUtf8(D.GetOutBoundsText(ParaBreak)), "dddd\r\n");
}

TEST_F(DrawTextTest, DrawsAlignedAndJustifiedLines) {
  gfx::TRecordingCanvas C;
  struct Case {
    int HAlign;
    std::vector<std::string> Ops;
  } Cases[] = {
      {0, {"text 0,0 'aaa bbb' Courier New h13 000000 dx 8,8,8,8,8,8,8", "text 0,14 'ccc' Courier New h13 000000 dx 8,8,8"}},
      {1, {"text 24,0 'aaa bbb' Courier New h13 000000 dx 8,8,8,8,8,8,8", "text 56,14 'ccc' Courier New h13 000000 dx 8,8,8"}},
      {2, {"text 12,0 'aaa bbb' Courier New h13 000000 dx 8,8,8,8,8,8,8", "text 28,14 'ccc' Courier New h13 000000 dx 8,8,8"}},
      // Block: the blank takes the free room; the paragraph's last line is not stretched.
      {3, {"text 0,0 'aaa bbb' Courier New h13 000000 dx 8,8,8,32,8,8,8", "text 0,14 'ccc' Courier New h13 000000 dx 8,8,8"}},
  };
  // Two lines of 83 reference pixels keep their height of 26.56 -> 27 pixels: the step is 14.
  for (const Case& K : Cases) {
    Setup("Courier New", 10, 80);
    D.SetText(u"aaa bbb ccc");
    C.Ops.clear();
    D.DrawText(C, K.HAlign, 0);
    EXPECT_EQ(C.Texts(), K.Ops) << K.HAlign;
  }
  // A justified line without blanks stays left-aligned.
  Setup("Courier New", 10, 80);
  D.SetText(u"abcdefghijklm");
  C.Ops.clear();
  D.DrawText(C, 3, 0);
  ASSERT_EQ(C.Ops.size(), 2u);
  EXPECT_EQ(C.Ops[0].TextOut.X, 0);
  EXPECT_EQ(C.Ops[0].TextOut.Dx, std::vector<int>(10, 8));
}

TEST_F(DrawTextTest, DeviceWidthsFollowTheReference) {
  // At twice the scale the device font is 27 px, whose advance (16.2 -> 16) is not twice the
  // reference width of 8: the line is spread back to 2 x 8 per character.
  Setup("Courier New", 10, 80);
  D.SetDimensions(2, 2, 1, {0, 0, 80, 1000}, {0, 0, 160, 2000});
  D.SetText(u"abcde");
  gfx::TRecordingCanvas C;
  D.DrawText(C, 0, 0);
  ASSERT_EQ(C.Ops.size(), 1u);
  EXPECT_EQ(C.Ops[0].TextOut.FontHeight, 27);
  int Sum = 0;
  for (int A : C.Ops[0].TextOut.Dx) Sum += A;
  EXPECT_EQ(Sum, 80);
  // The vector canvas records the same call.
  TVectorCanvas VC;
  D.VC = &VC;
  C.Ops.clear();
  D.DrawText(C, 0, 0);
  D.VC = nullptr;
  ASSERT_EQ(VC.Count(), 1);
  EXPECT_EQ(VC[0]->Str(), u"abcde");
  EXPECT_EQ(VC[0]->TextLength(), 80);
  EXPECT_EQ(VC[0]->Font().Name, "Courier New");
}

TEST_F(DrawTextTest, RotatedTextWrapsToTheHeightAndRunsUpward) {
  // 90 degrees: the wrap width is the rectangle's height; the first line starts at the
  // bottom-left corner and lines advance to the right.
  Setup("Courier New", 10, 30, 80, false, false, 90);
  D.SetText(u"aaa bbb ccc");
  EXPECT_EQ(Lines(D), (std::vector<std::string>{"aaa bbb", "ccc"}));
  EXPECT_DOUBLE_EQ(D.CalcWidth(), 56);
  gfx::TRecordingCanvas C;
  D.DrawText(C, 0, 0);
  ASSERT_EQ(C.Ops.size(), 2u);
  EXPECT_EQ(C.Ops[0].TextOut.Escapement, 900);
  EXPECT_EQ(C.Ops[0].TextOut.X, 0);
  EXPECT_EQ(C.Ops[0].TextOut.Y, 80);
  EXPECT_EQ(C.Ops[1].TextOut.X, 14);  // two lines keep their reference height of 26.56 -> 27
  EXPECT_EQ(C.Ops[1].TextOut.Y, 80);
  // 180 degrees: from the bottom-right corner, lines advancing upward.
  Setup("Courier New", 10, 80, 100, false, false, 180);
  D.SetText(u"aaa bbb ccc");
  C.Ops.clear();
  D.DrawText(C, 0, 0);
  ASSERT_EQ(C.Ops.size(), 2u);
  EXPECT_EQ(C.Ops[0].TextOut.X, 80);
  EXPECT_EQ(C.Ops[0].TextOut.Y, 100);
  EXPECT_EQ(C.Ops[1].TextOut.Y, 86);
  // An oblique line starts on the left edge, lowered so that it rises into the rectangle.
  Setup("Courier New", 10, 80, 100, false, false, 45);
  D.SetText(u"ab");
  C.Ops.clear();
  D.DrawText(C, 0, 0);
  ASSERT_EQ(C.Ops.size(), 1u);
  EXPECT_EQ(C.Ops[0].TextOut.Escapement, 450);
  EXPECT_EQ(C.Ops[0].TextOut.X, 0);
  EXPECT_EQ(C.Ops[0].TextOut.Y, 71);  // block 13 px: w = round((80 - 0.7071 * 13) / 0.7071) = 100, y = round(70.71)
  // Rotation is taken modulo 360.
  Setup("Courier New", 10, 30, 80, false, false, 450);
  D.SetText(u"aaa bbb ccc");
  EXPECT_EQ(D.LineCount(), 2);
}

TEST_F(DrawTextTest, FormattedRunsAndTheFallbackFace) {
  Setup("Arial", 10, 400, 100, true);
  D.SetText(u"F\u029F <b>bold</b> x<sub>2</sub>");
  gfx::TRecordingCanvas C;
  D.DrawText(C, 0, 0);
  ASSERT_EQ(C.Ops.size(), 4u);
  EXPECT_EQ(rt::Utf16ToUtf8(C.Ops[0].TextOut.Text), "F\u029F ");
  EXPECT_GT(C.Ops[0].TextOut.Dx[1], 0);  // the small capital L comes from DejaVu Sans
  EXPECT_EQ(C.Ops[1].FontStyle, 1u << gfx::fsBold);
  EXPECT_EQ(rt::Utf16ToUtf8(C.Ops[1].TextOut.Text), "bold");
  EXPECT_EQ(C.Ops[1].TextOut.X, C.Ops[0].TextOut.X + C.Ops[0].TextOut.Dx[0] + C.Ops[0].TextOut.Dx[1] +
                                    C.Ops[0].TextOut.Dx[2]);
  EXPECT_EQ(rt::Utf16ToUtf8(C.Ops[3].TextOut.Text), "2");
  EXPECT_EQ(C.Ops[3].TextOut.FontHeight, 9);  // 7 points
  EXPECT_GT(C.Ops[3].TextOut.Y, C.Ops[2].TextOut.Y);  // subscript sits lower
  // The reference width counts the fallback character too.
  D.SetText(u"F");
  const double F = D.CalcWidth();
  D.SetText(u"F\u029F");
  EXPECT_GT(D.CalcWidth(), F);
}

TEST_F(DrawTextTest, RightToLeftLinesDrawInVisualOrder) {
  Setup("Arial", 10, 400, 100);
  D.SetOptions(true, false, true, false, false, true, 0);
  D.SetText(u"\u05D0\u05D1\u05D2");
  gfx::TRecordingCanvas C;
  D.DrawText(C, 0, 0);
  ASSERT_EQ(C.Ops.size(), 1u);
  EXPECT_EQ(C.Ops[0].TextOut.Text, u"\u05D2\u05D1\u05D0");
  EXPECT_EQ(C.Ops[0].TextOut.Options, gfx::ETO_RTLREADING);
}

TEST_F(DrawTextTest, UnderlinesUnderEveryLine) {
  Setup("Courier New", 10, 80, 60);
  D.SetText(u"aaa\r\n \r\nbbb");
  gfx::TRecordingCanvas C;
  D.DrawText(C, 0, 0, 2);  // under text lines only
  int Lines = 0;
  for (const gfx::TCanvasOp& Op : C.Ops) Lines += Op.Kind == gfx::TCanvasOp::opLine;
  EXPECT_EQ(Lines, 2);  // 14 and 41: lines step 14, 13 (the block keeps its 40-pixel height)
  C.Ops.clear();
  D.DrawText(C, 0, 0, 1);  // every line, and on down the rectangle
  Lines = 0;
  for (const gfx::TCanvasOp& Op : C.Ops) Lines += Op.Kind == gfx::TCanvasOp::opLine;
  EXPECT_EQ(Lines, 4);  // 14, 28, 41 and one more below
}

TEST(DrawTextShared, StartUpMakesOneSharedInstance) {
  repDrawTextInitialization();
  repDrawTextInitialization();
  TrepDrawText* A = &SharedDrawText();
  repDrawTextFinalization();
  EXPECT_EQ(&SharedDrawText(), A);
  repDrawTextFinalization();
  TrepDrawText::TLock L;
  TrepDrawText::TLock Nested;  // the lock is recursive
  SharedDrawText().SetText(u"x");
  EXPECT_EQ(SharedDrawText().LineCount(), 1);
}

TEST(DrawTextThreads, ParallelLayoutsUnderTheLockAgree) {
  auto Layout = [](const char* Family) {
    TrepDrawText D;
    TrepDrawText::TLock Lock;
    gfx::TFont F;
    F.SetName(Family);
    F.SetSize(11);
    D.SetFont(F);
    D.SetOptions(true, true, false, false, false, true, 0);
    D.SetDimensions(1, 1, 1, {0, 0, 120, 1000}, {0, 0, 120, 1000});
    D.SetText(u"Threads share <b>one font layer</b>, with faces loaded once \u029F and widths cached.");
    return std::to_string(D.LineCount()) + " " + std::to_string(D.CalcWidth()) + " " + rt::Utf16ToUtf8(D.WrappedText());
  };
  const char* Families[] = {"Arial", "Times New Roman", "Georgia", "Arial Narrow"};
  std::vector<std::string> Expected;
  for (const char* F : Families) Expected.push_back(Layout(F));
  std::vector<std::string> Got(16);
  std::vector<std::thread> Threads;
  for (int T = 0; T < 16; ++T) Threads.emplace_back([&, T] { Got[T] = Layout(Families[T % 4]); });
  for (auto& T : Threads) T.join();
  for (int T = 0; T < 16; ++T) EXPECT_EQ(Got[T], Expected[T % 4]);
}
