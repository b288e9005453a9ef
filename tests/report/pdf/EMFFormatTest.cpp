#include "report/pdf/repEMFFormat.h"

#include <gtest/gtest.h>

#include <map>

#include "EMFWriter.h"

using namespace emftest;

namespace {

// ---------------------------------------------------------------------------------------------
// Text records

TEST(EMFTextRecordView, AdvancesWithAndWithoutVerticalPairs) {
  struct Case {
    std::uint32_t Options;
    std::vector<std::int32_t> Stored;
    std::vector<std::uint32_t> Dx, Dy;
    std::uint32_t Length;
  } Cases[] = {
      {ETO_PDY, {10, 0, 12, 0, -5, 0}, {10, 12, static_cast<std::uint32_t>(-5)}, {0, 0, 0}, 22},
      {0, {10, 12, 14}, {10, 12, 14}, {}, 36},
      {ETO_PDY, {7, 1, 8, 2, 9, 3}, {7, 8, 9}, {1, 2, 3}, 24},
  };
  for (const Case& C : Cases) {
    TextSpec S;
    S.Options = C.Options;
    S.Dx = C.Stored;
    auto V = View<TEMRExtTextOutWObj>(TextOut(EMR_EXTTEXTOUTW, u"abc", S));
    EXPECT_EQ(V->OutputDx(), C.Dx);
    EXPECT_EQ(V->OutputDy(), C.Dy);
    EXPECT_EQ(V->TextLength(), C.Length);
    EXPECT_EQ(V->IsOption(ETO_PDY), C.Options == ETO_PDY);
  }
}

TEST(EMFTextRecordView, WideTextReversedOnlyForRightToLeftOfSeveralCharacters) {
  TextSpec S;
  S.Dx = {1, 1, 1};
  auto V = View<TEMRExtTextOutWObj>(TextOut(EMR_EXTTEXTOUTW, u"abc", S));
  EXPECT_EQ(V->OutputString("Arial", false), u"abc");
  EXPECT_EQ(V->OutputString("Arial", true), u"cba");
  S.Dx = {1};
  auto One = View<TEMRExtTextOutWObj>(TextOut(EMR_EXTTEXTOUTW, u"x", S));
  EXPECT_EQ(One->OutputString("Arial", true), u"x");
}

TEST(EMFTextRecordView, AnsiTextIsNeverConvertedOrReversed) {
  TextSpec S;
  S.Options = ETO_GLYPH_INDEX | ETO_RTLREADING;
  S.Dx = {5, 6};
  auto V = View<TEMRExtTextOutAObj>(TextOut(EMR_EXTTEXTOUTA, u"hi", S));
  EXPECT_EQ(V->OutputString(), "hi");
  EXPECT_EQ(V->TextLength(), 11u);
}

TEST(EMFTextRecordView, PolyTextAndSmallTextStrings) {
  // Two EMRTEXT entries, the strings after them.
  Payload P;
  P.Rect(0, 0, 0, 0).U32(1).F32(1).F32(1).I32(2);
  const std::uint32_t Str0 = 40 + 2 * 40, Str1 = Str0 + 8;
  P.Point(1, 2).U32(3).U32(Str0).U32(0).Rect(0, 0, 0, 0).U32(Str1 + 4);
  P.Point(3, 4).U32(2).U32(Str1).U32(0).Rect(0, 0, 0, 0).U32(Str1 + 4);
  P.Wide(u"one").Zeros(2).Wide(u"tw").Zeros(4 * 3);
  auto W = View<TEMRPolyTextOutWObj>(Record(EMR_POLYTEXTOUTW, P));
  EXPECT_EQ(W->GetOutputString(0), u"one");
  EXPECT_EQ(W->GetOutputString(1), u"tw");

  struct Case {
    std::uint32_t Options;
    bool Ansi, NoRect;
  } Cases[] = {{0x300, true, true}, {0x100, false, true}, {0x200, true, false}, {0, false, false}};
  for (const Case& C : Cases) {
    auto V = View<TEMRSmallTextOutObj>(SmallTextOut(C.Options, u"Text"));
    EXPECT_EQ(V->IsANSI(), C.Ansi);
    EXPECT_EQ(V->IsNoRect(), C.NoRect);
    if (C.Ansi)
      EXPECT_EQ(V->OutputStringANSI(), "Text");
    else
      EXPECT_EQ(V->OutputStringWide(), u"Text");
  }
  // 8-bit text without a clip rectangle starts at byte 36.
  auto V = View<TEMRSmallTextOutObj>(SmallTextOut(0x300, u"AB"));
  EXPECT_EQ(V->ByteAt(36), 'A');
}

// A font that knows the characters 'a' to 'e' (glyphs 10 to 14) and 'x' sharing glyph 12 with 'c'.
class FakeFont : public TFontCharacterMap {
public:
  bool Fail = false;
  bool GetFontUnicodeRanges(std::vector<TRange>& Ranges) override {
    Ranges = {{u'x', 1}, {u'a', 5}};
    return true;
  }
  bool GetGlyphIndices(const std::u16string& Chars, std::vector<std::uint16_t>& Glyphs) override {
    if (Fail) return false;
    Glyphs.clear();
    for (char16_t C : Chars) Glyphs.push_back(C == u'x' ? 12 : static_cast<std::uint16_t>(C - u'a' + 10));
    return true;
  }
};

TEST(EMFGlyphIndices, MappedBackToTheFirstCharacterOfEachGlyph) {
  FakeFont F;
  // 'x' comes first in the ranges, so glyph 12 gives 'x'; an unknown glyph gives '?'.
  EXPECT_EQ(GlyphIndicesToText(std::u16string{10, 12, 14, 99}, F), u"axe?");
  EXPECT_EQ(GlyphIndicesToText(u"", F), u"");
  F.Fail = true;
  EXPECT_EQ(GlyphIndicesToText(std::u16string{10}, F), u"");
}

std::unique_ptr<TFontCharacterMap> FindFakeFont(const std::string& Name) {
  if (Name != "Fake") return nullptr;
  return std::make_unique<FakeFont>();
}

TEST(EMFGlyphIndices, GlyphIndexedTextRecordUsesTheNamedFont) {
  TextSpec S;
  S.Options = ETO_GLYPH_INDEX;
  S.Dx = {1, 1};
  auto V = View<TEMRExtTextOutWObj>(TextOut(EMR_EXTTEXTOUTW, std::u16string{11, 13}, S));
  SetFontCharacterMapFinder(&FindFakeFont);
  EXPECT_EQ(V->OutputString("Fake", false), u"bd");
  EXPECT_EQ(V->OutputString("Fake", true), u"db");
  EXPECT_EQ(V->OutputString("Other", false), u"");
  SetFontCharacterMapFinder(nullptr);
}

TEST(EMFGlyphIndices, InstalledFontsMapTheirGlyphsBackToCharacters) {
  SetFontCharacterMapFinder(nullptr);
  auto Map = InstalledFontCharacterMap("DejaVu Sans");
  ASSERT_NE(Map, nullptr);
  std::vector<std::uint16_t> Glyphs;
  ASSERT_TRUE(Map->GetGlyphIndices(u"AHello\uFFFF", Glyphs));
  EXPECT_EQ(Glyphs[0], 36);      // the font's glyphs follow the standard Macintosh order
  EXPECT_EQ(Glyphs[6], 0xFFFF);  // not a character of the font
  std::vector<TFontCharacterMap::TRange> Ranges;
  ASSERT_TRUE(Map->GetFontUnicodeRanges(Ranges));
  ASSERT_FALSE(Ranges.empty());
  EXPECT_EQ(Ranges[0].First, u' ');
  TextSpec S;
  S.Options = ETO_GLYPH_INDEX;
  S.Dx = {1, 1, 1, 1, 1, 1};
  std::u16string Indices;
  for (int I = 1; I <= 5; ++I) Indices += static_cast<char16_t>(Glyphs[static_cast<std::size_t>(I)]);
  Indices += u'\uFFFE';  // no character has this glyph
  auto V = View<TEMRExtTextOutWObj>(TextOut(EMR_EXTTEXTOUTW, Indices, S));
  EXPECT_EQ(V->OutputString("DejaVu Sans", false), u"Hello?");
}

// ---------------------------------------------------------------------------------------------
// Header, end of file, polygons, regions, point types

TEST(EMFHeaderView, ExtensionJudgedByDescriptionOffsetOrSize) {
  struct Case {
    std::uint32_t Size;
    std::u16string Description;
    int Extension;
  } Cases[] = {{108, u"", 2}, {100, u"", 1}, {88, u"", 0}, {88, u"Chart", 0}, {100, u"Chart", 1},
               {108, u"Chart", 2}};
  for (const Case& C : Cases) {
    HeaderSpec H;
    H.Size = C.Size;
    H.Description = C.Description;
    auto V = View<TEnhMetaHeaderObj>(Header(H));
    EXPECT_EQ(V->Extension(), C.Extension) << C.Size;
    EXPECT_EQ(V->Description(), C.Description);
  }
  // An offset below the base header.
  std::string Short = Header();
  const std::uint32_t Off = 80, N = 1;
  std::memcpy(Short.data() + 60, &N, 4);
  std::memcpy(Short.data() + 64, &Off, 4);
  EXPECT_EQ(View<TEnhMetaHeaderObj>(Short)->Extension(), -1);
}

TEST(EMFHeaderView, DescriptionKeepsEmbeddedZeros) {
  HeaderSpec H;
  H.Description = std::u16string(u"App\0Pic\0\0", 9);
  EXPECT_EQ(View<TEnhMetaHeaderObj>(Header(H))->Description(), H.Description);
}

TEST(EMFHeaderView, PixelFormatCopiesAtMostTheDescriptor) {
  std::string H = Header();
  Payload Pfd;
  Pfd.U16(40).U16(1).U32(0x25).Zeros(32).Zeros(8).U32(0xDEADBEEF);  // 8 bytes past the descriptor
  const std::uint32_t Off = static_cast<std::uint32_t>(H.size()), Cb = 52;
  H += std::string(Pfd.B.begin(), Pfd.B.end());
  const std::uint32_t Size = static_cast<std::uint32_t>(H.size());
  std::memcpy(H.data() + 4, &Size, 4);
  std::memcpy(H.data() + 88, &Cb, 4);
  std::memcpy(H.data() + 92, &Off, 4);
  const tagPIXELFORMATDESCRIPTOR D = View<TEnhMetaHeaderObj>(H)->PixelFormatDescriptor();
  EXPECT_EQ(D.nSize, 40);
  EXPECT_EQ(D.dwFlags, 0x25u);
  EXPECT_EQ(D.dwDamageMask, 0u);
  const std::uint32_t Beyond = Size - 8;
  std::memcpy(H.data() + 92, &Beyond, 4);
  EXPECT_THROW(View<TEnhMetaHeaderObj>(H)->PixelFormatDescriptor(), EEMFError);
}

TEST(EMFEndOfFileView, PaletteEntriesAndLastSize) {
  auto V = View<TEoFObj>(EoF({0x00112233, 0x00445566}));
  const tagPALETTEENTRY E = V->GetPaletteEntry(1);
  EXPECT_EQ(E.peRed, 0x66);
  EXPECT_EQ(E.peGreen, 0x55);
  EXPECT_EQ(E.peBlue, 0x44);
  EXPECT_EQ(V->nSizeLast(), 28u);
  EXPECT_THROW(V->GetPaletteEntry(3), EEMFError);
}

TEST(EMFPolyPolygonView, PointsOfLaterPolygonsFollowTheEarlierOnes) {
  std::vector<TPoint> A = {{1, 1}, {2, 2}, {3, 3}}, B = {{40, 41}, {50, 51}, {60, 61}, {70, 71}};
  auto V16 = View<TEMRPolyPolygon16Obj>(PolyPoly(EMR_POLYPOLYGON16, {A, B}));
  const TSmallPoint P = V16->GetPolyPoint(1, 0);
  EXPECT_EQ(P.x, 40);
  EXPECT_EQ(P.y, 41);
  EXPECT_EQ(V16->GetPolyPoint(0, 2).x, 3);
  EXPECT_EQ(V16->GetPolyPoint(1, 3).y, 71);
  auto V32 = View<TEMRPolyPolygonObj>(PolyPoly(EMR_POLYPOLYGON, {A, B}));
  EXPECT_EQ(V32->GetPolyPoint(1, 2).X, 60);
  // Outside the polygons or the record.
  EXPECT_THROW(V32->GetPolyPoint(2, 0), EEMFError);
  EXPECT_THROW(V32->GetPolyPoint(1, 4), EEMFError);
  EXPECT_THROW(V32->GetPolyPoint(-1, 0), EEMFError);
}

TEST(EMFClipRegionView, RectanglesOfTheRegionData) {
  auto V = View<TEMRExtSelectClipRgnObj>(ClipRegion(5, {{0, 0, 10, 10}, {20, 0, 30, 10}}));
  EXPECT_EQ(V->PRegionData()->nCount, 2u);
  EXPECT_EQ(V->PRegionData()->dwSize, 32u);
  const TRect R = V->GetRegion(1);
  EXPECT_EQ(R.Left, 20);
  EXPECT_EQ(R.Right, 30);
  EXPECT_THROW(V->GetRegion(2), EEMFError);
  auto Empty = View<TEMRExtSelectClipRgnObj>(ClipRegion(5, {}));
  EXPECT_THROW(Empty->PRegionData(), EEMFError);
}

TEST(EMFPolyDrawView, PointTypesFollowThePoints) {
  auto V = View<TEMRPolyDrawObj>(PolyDraw(EMR_POLYDRAW, {{1, 2}, {3, 4}}, {6, 3}));
  EXPECT_EQ(V->GetTypes(0), 6);
  EXPECT_EQ(V->GetTypes(1), 3);
  auto V16 = View<TEMRPolyDraw16Obj>(PolyDraw(EMR_POLYDRAW16, {{1, 2}, {3, 4}, {5, 6}}, {6, 2, 3}));
  EXPECT_EQ(V16->GetTypes(2), 3);
  EXPECT_THROW(V16->GetTypes(100), EEMFError);
}

TEST(EMFRecordView, ShortRecordsReadMissingFieldsAsZeroAndTextIsChecked) {
  // A font record with only the logical font: the full name reads as zeros.
  FontSpec F;
  F.Size = 104;
  auto V = View<TEnhMetaObj>(Font(3, F));
  EXPECT_EQ(V->Size(), 104u);
  EXPECT_EQ(V->P()->ExtCreateFontIndirectW.elfw.elfFullName[0], 0);
  EXPECT_EQ(V->P()->ExtCreateFontIndirectW.elfw.elfLogFont.lfFaceName[0], u'A');
  EXPECT_THROW(V->GetWideText(100, 60), EEMFError);
  EXPECT_THROW(V->GetAnsiText(1, 104), EEMFError);
  EXPECT_EQ(V->GetAnsiText(0, 5000), "");
  EXPECT_THROW(V->LongWordAt(-4), EEMFError);
}

TEST(EMFRecordView, CreateRecCopiesTheRecordOfItsOwnSize) {
  const std::string R = CreatePen(7, 1, 3, 0xFF);
  auto V = TEnhMetaObj::CreateRec(R.data());
  EXPECT_EQ(V->Size(), 28u);
  EXPECT_EQ(V->P()->CreatePen.lopn.lopnWidth.X, 3);
  EXPECT_EQ(0, std::memcmp(V->Bytes(), R.data(), R.size()));
}

TEST(EMFRecordView, OffsetsOutsideTheRecordAreRefused) {
  TextSpec S;
  S.Dx = {1, 2, 3};
  std::string R = TextOut(EMR_EXTTEXTOUTW, u"abc", S);
  const std::uint32_t Huge = 0xFFFFFFF0u;
  std::string BadDx = R;
  std::memcpy(BadDx.data() + 72, &Huge, 4);
  EXPECT_THROW(View<TEMRExtTextOutWObj>(BadDx)->OutputDx(), EEMFError);
  EXPECT_THROW(View<TEMRExtTextOutWObj>(BadDx)->TextLength(), EEMFError);
  std::string BadChars = R;
  std::memcpy(BadChars.data() + 44, &Huge, 4);
  EXPECT_THROW(View<TEMRExtTextOutWObj>(BadChars)->OutputString("Arial", false), EEMFError);
}

// ---------------------------------------------------------------------------------------------
// Bitmaps

TEST(EMFBitmapView, PackedBitmapsOfEveryDepthDecodeTopToBottom) {
  struct Case {
    const char* Name;
    int BitCount;
    std::vector<std::vector<std::uint8_t>> Rows;  // 2 x 2 pixels, top row first
    std::vector<std::uint32_t> Colors;
    TPixelFormat Format;
    std::uint32_t TopLeft, BottomRight;  // 0xRRGGBB
  } Cases[] = {
      {"1 bit", 1, {{0x80}, {0x40}}, {0x000000, 0xFFFFFF}, pf1bit, 0xFFFFFF, 0xFFFFFF},
      {"4 bit", 4, {{0x10}, {0x02}}, {0x0000FF, 0x00FF00, 0xFF0000}, pf4bit, 0x00FF00, 0xFF0000},
      {"8 bit", 8, {{2, 0}, {0, 1}}, {0x0000FF, 0x00FF00, 0xFF0000}, pf8bit, 0xFF0000, 0x00FF00},
      {"16 bit", 16, {{0x00, 0x7C, 0, 0}, {0, 0, 0x1F, 0x00}}, {}, pf15bit, 0xFF0000, 0x0000FF},
      {"24 bit", 24, {{1, 2, 3, 0, 0, 0}, {0, 0, 0, 4, 5, 6}}, {}, pf24bit, 0x030201, 0x060504},
      {"32 bit", 32, {{1, 2, 3, 9, 0, 0, 0, 0}, {0, 0, 0, 0, 4, 5, 6, 7}}, {}, pf32bit, 0x030201, 0x060504},
  };
  for (bool TopDown : {false, true}) {
    for (const Case& C : Cases) {
      SCOPED_TRACE(std::string(C.Name) + (TopDown ? " top-down" : " bottom-up"));
      auto V = View<TEMRStretchDIBitsObj>(StretchDIBits(DIB(2, 2, C.BitCount, C.Rows, C.Colors, TopDown)));
      auto B = V->GetBitmap();
      EXPECT_EQ(B->Width(), 2);
      EXPECT_EQ(B->Height(), 2);
      EXPECT_EQ(B->PixelFormat(), C.Format);
      EXPECT_EQ(B->PixelRGB(0, 0), C.TopLeft);
      EXPECT_EQ(B->PixelRGB(1, 1), C.BottomRight);
    }
  }
}

TEST(EMFBitmapView, BitFieldsOfFiveSixFiveAndUnusualMasks) {
  // 5-6-5: pure green is 0x07E0.
  auto V = View<TEMRStretchDIBitsObj>(
      StretchDIBits(DIB(1, 1, 16, {{0xE0, 0x07}}, {}, false, 3, {0xF800, 0x07E0, 0x001F})));
  auto B = V->GetBitmap();
  EXPECT_EQ(B->PixelFormat(), pf16bit);
  EXPECT_EQ(B->PixelRGB(0, 0), 0x00FF00u);
  // 32 bits with red in the low byte: converted to blue, green, red, alpha bytes.
  auto W = View<TEMRStretchDIBitsObj>(StretchDIBits(
      DIB(1, 1, 32, {{0x11, 0x22, 0x33, 0x44}}, {}, false, 3, {0x000000FF, 0x0000FF00, 0x00FF0000})));
  auto C = W->GetBitmap();
  EXPECT_EQ(C->PixelFormat(), pf32bit);
  EXPECT_EQ(C->PixelRGB(0, 0), 0x112233u);
}

TEST(EMFBitmapView, BadBitmapsRaiseInsteadOfReadingBeyondTheRecord) {
  struct Case {
    const char* Name;
    std::vector<std::uint8_t> Dib;
  };
  std::vector<Case> Cases;
  std::vector<std::uint8_t> Good = DIB(4, 4, 24, {{}, {}, {}, {}});
  {
    auto D = Good;
    D[0] = 41;  // unknown header size
    Cases.push_back({"header size", D});
  }
  {
    auto D = Good;
    D.resize(D.size() - 4);  // pixels cut short
    Cases.push_back({"pixels", D});
  }
  {
    auto D = Good;
    D[16] = 1;  // run-length compression
    Cases.push_back({"compression", D});
  }
  {
    auto D = Good;
    D[14] = 7;  // bit count
    Cases.push_back({"bit count", D});
  }
  {
    auto D = Good;
    D[4] = 0;  // width 0
    Cases.push_back({"width", D});
  }
  {
    auto D = DIB(1, 1, 8, {{0}}, {1, 2});
    D[32] = 0xFF;  // 255 colours used claims more than the table holds
    Cases.push_back({"colour table", D});
  }
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    auto V = View<TEMRStretchDIBitsObj>(StretchDIBits(C.Dib));
    EXPECT_THROW(V->GetBitmap(), EEMFError);
  }
  // A bit-block record without a bitmap (a pattern fill) has nothing to decode.
  EXPECT_THROW(View<TEMRBitBltObj>(BitBltLike(EMR_BITBLT, {}, 0xF00021))->GetBitmap(), EEMFError);
}

TEST(EMFBitmapView, BitmapOffsetOfEachBitmapRecord) {
  const auto Dib = DIB(1, 1, 24, {{1, 2, 3}});
  EXPECT_EQ(View<TEMRBitBltObj>(BitBltLike(EMR_BITBLT, Dib, 0xCC0020))->BmiOffset(), 100u);
  EXPECT_EQ(View<TEMRStretchBltObj>(BitBltLike(EMR_STRETCHBLT, Dib, 0xCC0020))->BmiOffset(), 108u);
  EXPECT_EQ(View<TEMRTransparentBltObj>(BitBltLike(EMR_TRANSPARENTBLT, Dib, 0xFFFFFF))->BmiOffset(), 108u);
  EXPECT_EQ(View<TEMRStretchDIBitsObj>(StretchDIBits(Dib))->BmiOffset(), 80u);
  EXPECT_EQ(View<TEMRBitBltObj>(BitBltLike(EMR_BITBLT, Dib, 0xCC0020))->GetBitmap()->PixelRGB(0, 0), 0x030201u);
}

TEST(EMFBitmapView, FlipVerticalSwapsRowsForEveryPixelFormat) {
  for (TPixelFormat F : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    for (int Height : {1, 2, 3}) {
      TEMFBitmap B(9, Height, F);
      for (int R = 0; R < Height; ++R) std::memset(B.ScanLine(R), R + 1, B.RowBytes());
      TEMRStretchDIBitsObj::FlipVertical(B);
      for (int R = 0; R < Height; ++R) EXPECT_EQ(B.ScanLine(R)[B.RowBytes() - 1], Height - R);
    }
  }
  EXPECT_EQ(TEMFBitmap(9, 1, pf1bit).RowBytes(), 2u);
  EXPECT_EQ(TEMFBitmap(9, 1, pf4bit).RowBytes(), 5u);
  EXPECT_EQ(TEMFBitmap(9, 1, pf15bit).RowBytes(), 18u);
  EXPECT_EQ(TEMFBitmap(9, 1, pf24bit).RowBytes(), 27u);
  EXPECT_EQ(TEMFBitmap(9, 1, pf32bit).RowBytes(), 36u);
}

TEST(EMFBitmapView, AlphaBlendSourceIsUnpremultiplied) {
  // Pixels: (blue 64, green 32, red 0, alpha 128), alpha 0, opaque, and (255, 255, 255, 1).
  const auto Dib = DIB(4, 1, 32, {{64, 32, 0, 128, 50, 60, 70, 0, 10, 20, 30, 255, 255, 255, 255, 1}});
  auto V = View<TEMRAlphaBlendObj>(BitBltLike(EMR_ALPHABLEND, Dib, 0x01FF0000));
  auto B = V->GetBitmap24();
  ASSERT_EQ(B->PixelFormat(), pf24bit);
  const std::uint8_t* L = B->ScanLine(0);
  EXPECT_EQ(L[0], 128);  // 64 x 255 / 128 = 127.5, to the even neighbour
  EXPECT_EQ(L[1], 64);
  EXPECT_EQ(L[2], 0);
  EXPECT_EQ(B->PixelRGB(1, 0), 0u);  // alpha 0 gives black
  EXPECT_EQ(B->PixelRGB(2, 0), 0x1E140Au);
  EXPECT_EQ(L[9], (255 * 255) & 0xFF);  // beyond 255: the low byte
  auto Png = V->GetPngObject();
  const std::uint8_t* P = Png->ScanLine(0);
  EXPECT_EQ(P[0], 0);    // red
  EXPECT_EQ(P[1], 64);   // green
  EXPECT_EQ(P[2], 128);  // blue
  EXPECT_EQ(P[3], 128);  // alpha unchanged
  EXPECT_EQ(P[7], 0);
  // A source that is not 32 bits per pixel.
  auto V24 = View<TEMRAlphaBlendObj>(BitBltLike(EMR_ALPHABLEND, DIB(1, 1, 24, {{1, 2, 3}}), 0x01FF0000));
  EXPECT_THROW(V24->GetBitmap24(), EEMFError);
  EXPECT_THROW(V24->GetPngObject(), EEMFError);
}

// ---------------------------------------------------------------------------------------------
// Stock objects

TEST(EMFStockObjects, TableHoldsTheStockBrushesPensAndFonts) {
  struct Brush {
    int N;
    std::uint32_t Style, Color;
  } Brushes[] = {{0, 0, 0xFFFFFF}, {1, 0, 0xC0C0C0}, {2, 0, 0x808080}, {3, 0, 0x404040},
                 {4, 0, 0x000000}, {5, 1, 0},        {18, 0, 0xFFFFFF}};
  for (const Brush& B : Brushes) {
    SCOPED_TRACE(B.N);
    const TEnhMetaObj* O = StockObjects[B.N];
    ASSERT_NE(O, nullptr);
    EXPECT_EQ(O->RecordType(), EMR_CREATEBRUSHINDIRECT);
    EXPECT_EQ(O->P()->EMR.nSize, 24u);
    EXPECT_EQ(O->P()->CreateBrushIndirect.ihBrush, 0x80000000u + B.N);
    EXPECT_EQ(O->P()->CreateBrushIndirect.lb.lbStyle, B.Style);
    EXPECT_EQ(O->P()->CreateBrushIndirect.lb.lbColor, B.Color);
    EXPECT_EQ(O->P()->CreateBrushIndirect.lb.lbHatch, 0u);
    EXPECT_TRUE(IsStockBrush(0x80000000u + B.N));
  }
  struct Pen {
    int N;
    std::uint32_t Style, Color;
  } Pens[] = {{6, 0, 0xFFFFFF}, {7, 0, 0}, {8, 5, 0}, {19, 0, 0}};
  for (const Pen& P : Pens) {
    SCOPED_TRACE(P.N);
    const TEnhMetaObj* O = StockObjects[P.N];
    ASSERT_NE(O, nullptr);
    EXPECT_EQ(O->RecordType(), EMR_CREATEPEN);
    EXPECT_EQ(O->P()->EMR.nSize, 28u);
    EXPECT_EQ(O->P()->CreatePen.ihPen, 0x80000000u + P.N);
    EXPECT_EQ(O->P()->CreatePen.lopn.lopnStyle, P.Style);
    EXPECT_EQ(O->P()->CreatePen.lopn.lopnWidth.X, 1);
    EXPECT_EQ(O->P()->CreatePen.lopn.lopnWidth.Y, 1);
    EXPECT_EQ(O->P()->CreatePen.lopn.lopnColor, P.Color);
    EXPECT_TRUE(IsStockPen(0x80000000u + P.N));
  }
  struct Font {
    int N;
    std::uint8_t CharSet;
    std::u16string Face;
  } Fonts[] = {{10, 255, u"Terminal"}, {11, 0, u"Courier"}, {12, 0, u"Serif"}, {13, 1, u"System"},
               {14, 1, u"System"},     {16, 1, u"Fixedsys"}, {17, 1, u"Serif"}};
  for (const Font& F : Fonts) {
    SCOPED_TRACE(F.N);
    const TEnhMetaObj* O = StockObjects[F.N];
    ASSERT_NE(O, nullptr);
    EXPECT_EQ(O->RecordType(), EMR_EXTCREATEFONTINDIRECTW);
    EXPECT_EQ(O->P()->EMR.nSize, 332u);
    const tagLOGFONTW& L = O->P()->ExtCreateFontIndirectW.elfw.elfLogFont;
    EXPECT_EQ(O->P()->ExtCreateFontIndirectW.ihFont, 0x80000000u + F.N);
    EXPECT_EQ(L.lfHeight, 12);
    EXPECT_EQ(L.lfWeight, 400);
    EXPECT_EQ(L.lfItalic + L.lfUnderline + L.lfStrikeOut, 0);
    EXPECT_EQ(L.lfCharSet, F.CharSet);
    EXPECT_EQ(WideCharsToText(L.lfFaceName, 32), F.Face);
    EXPECT_EQ(L.lfFaceName[31], 0);
    EXPECT_TRUE(IsStockFont(0x80000000u + F.N));
  }
  EXPECT_EQ(StockObjects[9], nullptr);
  EXPECT_EQ(StockObjects[15], nullptr);
  EXPECT_TRUE(IsStockPalette(0x8000000Fu));
  EXPECT_TRUE(IsStockObject(0x80000009u));
  EXPECT_FALSE(IsStockObject(0x80000014u));
  EXPECT_FALSE(IsStockObject(7));
  EXPECT_EQ(StockObject(0x80000007u), StockObjects[7]);
  EXPECT_EQ(StockObject(7), nullptr);
}

TEST(EMFStockObjects, RebuildingTheTableKeepsItsContents) {
  const std::uint32_t Color = StockObjects[1]->P()->CreateBrushIndirect.lb.lbColor;
  CreateStockObjects();
  EXPECT_EQ(StockObjects[1]->P()->CreateBrushIndirect.lb.lbColor, Color);
  EXPECT_EQ(StockObjects[9], nullptr);
}

TEST(EMFRecordTable, NamesAndSizesOfTheRecordTypes) {
  EXPECT_EQ(EMFRecordName(1), "Header");
  EXPECT_EQ(EMFRecordName(11), "SetViewPortExtEx");
  EXPECT_EQ(EMFRecordName(69), "Reserved_69");
  EXPECT_EQ(EMFRecordName(122), "CreateColorSpaceW");
  EXPECT_EQ(EMFRecordName(0), "");
  EXPECT_EQ(EMFRecordName(123), "");
  EXPECT_EQ(EMFRecordMinSize(EMR_EXTCREATEFONTINDIRECTW), 104u);
  EXPECT_EQ(EMFRecordLayoutSize(EMR_EXTCREATEFONTINDIRECTW), 332u);
  EXPECT_EQ(EMFRecordMinSize(EMR_LINETO), 16u);
  EXPECT_EQ(EMFRecordMinSize(500), 8u);
}

} // namespace
