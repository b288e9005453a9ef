#include "report/pdf/repExportPDFHelpers.h"

#include "platform/rt/Unicode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Hex(const std::string& S) {
  static const char Digits[] = "0123456789abcdef";
  std::string R;
  for (unsigned char C : S) {
    R += Digits[C >> 4];
    R += Digits[C & 15];
  }
  return R;
}

TRemapedString Remapped(std::u16string Glyphs, std::vector<int> CharWidth) {
  TRemapedString RS;
  RS.Data = std::move(Glyphs);
  RS.CharWidth = std::move(CharWidth);
  return RS;
}

} // namespace

TEST(PDFNumberText, ThreeDecimalsWithoutTrailingZeros) {
  struct Case {
    double Value;
    int Decimals;
    const char* Text;
  } Cases[] = {
      {2, 3, "2"},           {0.5, 3, "0.5"},        {1234.5678, 3, "1234.568"}, {0.0004, 3, "0"},
      {-0.0004, 3, "0"},     {-2.25, 3, "-2.25"},    {10, 3, "10"},              {100.1, 3, "100.1"},
      {0.0005, 3, "0.001"},  {2.5, 2, "2.5"},        {2.5, 0, "3"},              {120, 0, "120"},
      {595.2755, 3, "595.276"}, {841.89, 3, "841.89"},
  };
  for (const Case& C : Cases) EXPECT_EQ(FloatToPDFText(C.Value, C.Decimals), C.Text) << C.Value;
  // Writers that want exactly two decimals keep the zeros.
  EXPECT_EQ(FloatToFixedText(2.5, 2, '.'), "2.50");
}

TEST(PDFNumberText, PairsPointsAndRectangles) {
  EXPECT_EQ(PairToPDFText(1.5, -0.25), "1.5 -0.25");
  EXPECT_EQ(PointToPDFText(TrepPoint{72, 841.8898}), "72 841.89");
  EXPECT_EQ(PDFRectText(TrepRect{10, 20, 30, 5}), "10 5 20 15");
  EXPECT_EQ(PDFRectText(TrepRect{0.5, 100.25, 10.75, 0}), "0.5 0 10.25 100.25");
}

TEST(PDFColorText, ComponentFractionsRedGreenBlue) {
  struct Case {
    TColor Color;
    const char* Text;
  } Cases[] = {
      {0x1FFFFFFF, "0 0 0"},         // no colour
      {0x0000FF, "1 0 0"},           // red is the low byte
      {0x00FF00, "0 1 0"},
      {0xFF0000, "0 0 1"},
      {0xFFFFFF, "1 1 1"},
      {0x000000, "0 0 0"},
      {0x808080, "0.502 0.502 0.502"},
      {0x336699, "0.6 0.4 0.2"},
      {static_cast<TColor>(0x8000000F), "0.941 0.941 0.941"},  // button face, a system colour
      {static_cast<TColor>(0x80000005), "1 1 1"},              // window
      {static_cast<TColor>(0xFF00000F), "0.941 0.941 0.941"},  // button face as scripts name it
  };
  for (const Case& C : Cases) EXPECT_EQ(PDFColorText(C.Color), C.Text) << std::hex << C.Color;
}

TEST(PDFObjectText, HeadersReferencesAndOffsets) {
  EXPECT_EQ(ObjNumberText(7), "7 0 obj");
  EXPECT_EQ(ObjRefText(7), "7 0 R");
  EXPECT_EQ(ObjRefText(1234), "1234 0 R");
  struct Case {
    std::int64_t Offset;
    const char* Text;
  } Cases[] = {{0, "0000000000"},
               {12345, "0000012345"},
               {9999999999, "9999999999"},
               {12345678901, "12345678901"}};  // longer than 10 digits: not cut
  for (const Case& C : Cases) EXPECT_EQ(XRefOffsetText(C.Offset), C.Text);
}

TEST(PDFHexText, CodeUnitsAsFourUpperCaseDigits) {
  EXPECT_EQ(UnicodeToHexText(u""), "");
  EXPECT_EQ(UnicodeToHexText(u"A\u00e9\u20ac"), "004100E920AC");
  EXPECT_EQ(UnicodeToHexText(u"\U0001F600"), "D83DDE00");  // both halves of the pair
}

TEST(PDFHexText, KernedGlyphsCarryTheRoundingError) {
  struct Case {
    const char* What;
    std::vector<int> CharWidth;
    std::vector<double> Widths;
    const char* Text;
  } Cases[] = {
      {"no corrections", {500, 600, 700}, {500, 600, 700}, "000A000B000C"},
      {"0.4 each: 1 after the second glyph", {500, 500, 500}, {499.6, 499.6, 499.6}, "000A000B>1<000C"},
      {"whole corrections", {500, 600, 700}, {480, 610, 700}, "000A>20<000B>-10<000C"},
      {"none after the last glyph", {500, 600, 700}, {500, 600, 650}, "000A000B000C"},
      {"negative carry", {500, 500, 500}, {500.4, 500.4, 500.4}, "000A000B>-1<000C"},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(KernedGlyphsText(Remapped(u"\x0a\x0b\x0c", C.CharWidth), C.Widths), C.Text) << C.What;
}

TEST(PDFHexText, AveragedCorrectionsSkipSpaces) {
  TRemapedString RS = Remapped(u"\x0a\x03\x0b\x0c", {500, 250, 600, 700});
  RS.IsAverageDx = true;
  RS.IsSpace = {false, true, false, false};
  // Corrections 30, 10 (space), 0, -6: the three letters get their mean, 8; the space keeps 10.
  EXPECT_EQ(KernedGlyphsText(RS, {470, 240, 600, 706}), "000A>8<0003>10<000B>8<000C");
  // With fewer than two letters nothing is averaged.
  TRemapedString One = Remapped(u"\x0a\x03", {500, 250});
  One.IsAverageDx = true;
  One.IsSpace = {false, true};
  EXPECT_EQ(KernedGlyphsText(One, {470, 240}), "000A>30<0003");
}

TEST(PDFHexText, WordSpacingAfterEverySpaceGlyph) {
  struct Case {
    std::u16string Glyphs;
    double Adjustment;
    const char* Text;
  } Cases[] = {
      {u"\x0a\x03\x0b", 0, "000A0003000B"},
      {u"\x0a\x03\x0b\x03\x0c", 2.5, "000A0003>2<000B0003>3<000C"},
      {u"\x0a\x03\x03", -1.5, "000A0003>-1<0003>-2<"},  // also after a trailing space
      {u"\x0a\x0b", 7, "000A000B"},                      // no spaces, no numbers
      {u"\x03\x03\x03\x03", 0.25, "0003000300030003>1<"},
  };
  for (const Case& C : Cases) EXPECT_EQ(SpacedGlyphsText(C.Glyphs, C.Adjustment), C.Text) << C.Adjustment;
}

TEST(PDFOutput, LinesEndWithCarriageReturnAndLineFeed) {
  rt::TStringStream S;
  WritePDFLine(S, std::string_view("%PDF-1.7"));
  WritePDFRaw(S, "raw");
  WritePDFText(S, u"T\u00e9xt");
  WritePDFLine(S, std::u16string_view(u" \u20ac \u2019 \u0416 \U0001F600"));
  WritePDFLine(S, std::string_view(""));
  EXPECT_EQ(S.DataString(), "%PDF-1.7\r\nrawT\xe9xt \x80 \x92 ? ?\r\n\r\n");
}

TEST(PDFStreams, DigestOfTheWholeStream) {
  rt::TStringStream S("The quick brown fox jumps over the lazy dog");
  S.SetPosition(0);
  TrepPDFXObjectHash H;
  StreamMD5(H, S);
  EXPECT_EQ(Hex(std::string(H.begin(), H.end())), "9e107d9d372bb6826bd81d3542a419d6");
}

TEST(PDFStreams, ObjectDataEncryptedUnderTheObjectKey) {
  std::uint8_t FileKey[16];
  for (int I = 0; I < 16; ++I) FileKey[I] = static_cast<std::uint8_t>(I);
  rt::TStringStream Plain("BT /F0 12 Tf (Valve) Tj ET");
  rt::TStringStream Out("head:");
  Out.Seek(0, rt::soEnd);
  Plain.SetPosition(10);  // read from the beginning whatever the position
  EncryptObjectData(Plain, Out, FileKey, 0x013412);
  // RC4 under MD5(key, 12 34 01, 00 00), worked out with independent tools.
  EXPECT_EQ(Out.DataString().substr(0, 5), "head:");
  EXPECT_EQ(Hex(Out.DataString().substr(5)), "30dd474db596b0cd6145a4768f1d0b63c56e92ecd2b951f93ebd");

  rt::TStringStream Cipher(Out.DataString().substr(5)), Back;
  EncryptObjectData(Cipher, Back, FileKey, 0x013412);
  EXPECT_EQ(Back.DataString(), Plain.DataString());
  rt::TStringStream Other;
  Cipher.SetPosition(0);
  EncryptObjectData(Cipher, Other, FileKey, 0x013413);
  EXPECT_NE(Other.DataString(), Plain.DataString());

  rt::TStringStream Empty, Dest("x");
  Dest.Seek(0, rt::soEnd);
  EncryptObjectData(Empty, Dest, FileKey, 1);
  EXPECT_EQ(Dest.DataString(), "x");
}

TEST(PDFVersions, TextsAndLookups) {
  struct VersionCase {
    TPDFVersion Version;
    const char* Text;
  } Versions[] = {{pv14, "1.4"}, {pv15, "1.5"}, {pv16, "1.6"}, {pv17, "1.7"}};
  for (const VersionCase& C : Versions) {
    EXPECT_EQ(PDFVersionText(C.Version), C.Text);
    EXPECT_EQ(PDFVersionFromText(C.Text), C.Version);
  }
  struct StandardCase {
    TPDFStandard Standard;
    const char *Text, *Part, *Conformance;
    bool IsA, IsA1;
    bool HasVersion;
    TPDFVersion Version;
  } Standards[] = {
      {psNone, "None", "", "", false, false, false, pv17},
      {psPDFA_1a, "PDF/A-1a", "1", "A", true, true, true, pv14},
      {psPDFA_1b, "PDF/A-1b", "1", "B", true, true, true, pv14},
      {psPDFA_2a, "PDF/A-2a", "2", "A", true, false, true, pv17},
      {psPDFA_2b, "PDF/A-2b", "2", "B", true, false, true, pv17},
      {psPDFA_3a, "PDF/A-3a", "3", "A", true, false, true, pv17},
      {psPDFA_3b, "PDF/A-3b", "3", "B", true, false, true, pv17},
  };
  for (const StandardCase& C : Standards) {
    EXPECT_EQ(PDFStandardText(C.Standard), C.Text);
    EXPECT_EQ(PDFStandardFromText(C.Text), C.Standard);
    EXPECT_EQ(PDFAPartText(C.Standard), C.Part);
    EXPECT_EQ(PDFAConformanceText(C.Standard), C.Conformance);
    EXPECT_EQ(StandardIsPDFA(C.Standard), C.IsA);
    EXPECT_EQ(StandardIsPDFA1(C.Standard), C.IsA1);
    TPDFVersion V = pv15;
    EXPECT_EQ(PDFStandardVersion(C.Standard, V), C.HasVersion);
    EXPECT_EQ(V, C.HasVersion ? C.Version : pv15) << C.Text;
  }
}

TEST(PDFVersions, UnknownTextsRaise) {
  struct Case {
    bool Version;
    std::string Text, Message;
  } Cases[] = {
      {true, "1.3", "Unknown/unsupported PDF version: \"1.3\""},
      {true, "", "Unknown/unsupported PDF version: \"\""},
      {true, " 1.4", "Unknown/unsupported PDF version: \" 1.4\""},
      {false, "pdf/a-1b", "Unknown/unsupported PDF standard: \"pdf/a-1b\""},  // case matters
      {false, "PDF/A-4", "Unknown/unsupported PDF standard: \"PDF/A-4\""},
  };
  for (const Case& C : Cases) {
    try {
      if (C.Version)
        PDFVersionFromText(C.Text);
      else
        PDFStandardFromText(C.Text);
      ADD_FAILURE() << C.Text;
    } catch (const rt::Exception& E) {
      EXPECT_EQ(E.Message(), C.Message);
    }
  }
}

TEST(ExportHelpers, FormattingTagsOfMemoText) {
  struct Case {
    std::u16string Text;
    bool Tag;
  } Cases[] = {
      {u"Flow <b>high</b>", true},
      {u"<i>x", true},
      {u"<SUB>2", true},
      {u"a <strike>b", true},
      {u"<NoWrap>", true},
      {u"<font color=\"red\">hot</font>", true},
      {u"P1 < P2", false},            // a comparison sign, no closing bracket
      {u"P1 < P2 > P3", false},       // the text between is no tag
      {u"</b> only a closing tag", false},
      {u"<table>", false},
      {u"no tags", false},
      {u"", false},
  };
  for (const Case& C : Cases) EXPECT_EQ(HasHTMLTag(C.Text), C.Tag) << rt::Utf16ToUtf8(C.Text);
}

TEST(ExportHelpers, FlagsAndWordSums) {
  EXPECT_TRUE(HasAllFlags(0b1011, 0b0011));
  EXPECT_FALSE(HasAllFlags(0b1001, 0b0011));
  EXPECT_TRUE(HasAllFlags(5, 0));
  EXPECT_EQ(SumLongWords({}), 0u);
  EXPECT_EQ(SumLongWords({1, 2, 3}), 6u);
  EXPECT_EQ(SumLongWords({0xFFFFFFFFu, 2}), 1u);  // modulo 2^32
}
