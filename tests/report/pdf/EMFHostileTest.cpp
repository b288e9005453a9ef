// Malformed metafiles: every one ends the play with EEMFError, none reads outside its bytes,
// allocates without bound or loops forever (the sanitizers of the test build watch the first).
#include "report/pdf/repEMFAbstractExport.h"

#include <gtest/gtest.h>

#include <random>

#include "EMFWriter.h"

using namespace emftest;

namespace {

// The message of the EEMFError the play raises, or "" when it plays through.
std::string PlayError(const std::string& Bytes, bool ShowComments = false) {
  rt::TMemoryStream S;
  Fill(S, Bytes);
  Player P(S);
  P.ShowComments = ShowComments;
  try {
    P.PlayMetaFile();
  } catch (const EEMFError& E) {
    return E.what();
  }
  return "";
}

void Put32(std::string& Record, std::size_t Offset, std::uint32_t V) { std::memcpy(Record.data() + Offset, &V, 4); }

std::string With32(std::string Record, std::size_t Offset, std::uint32_t V) {
  Put32(Record, Offset, V);
  return Record;
}

TEST(EMFHostile, RecordSizesThatCannotBePlayed) {
  struct Case {
    const char* Name;
    std::string Bytes;
    const char* Message;
  };
  const Case Cases[] = {
      {"size 0", Header() + RecordWithSize(EMR_LINETO, 0, Payload().Point(1, 2)),
       "Malformed metafile record EMR_LineTo at offset 108: size 0"},
      {"size 4 of an unknown type", Header() + RecordWithSize(300, 4, Payload().Point(1, 2)),
       "Malformed metafile record of type 300 at offset 108: size 4"},
      {"below the fixed part", Header() + RecordWithSize(EMR_LINETO, 12, Payload().Point(1, 2)),
       "Malformed metafile record EMR_LineTo at offset 108: size 12 is below 16"},
      {"beyond the stream", Header() + RecordWithSize(EMR_LINETO, 0xFFFFFFF0u, Payload().Point(1, 2)),
       "Metafile is truncated: record EMR_LineTo at offset 108 needs 4294967280 bytes, 16 remain"},
      {"stream ends inside a header", Header() + std::string("\x36\0\0\0\x10", 5),
       "Metafile is truncated: incomplete record header at offset 108"},
      {"header below its fixed part", RecordWithSize(EMR_HEADER, 60, Payload().Zeros(52)),
       "Malformed metafile record EMR_Header at offset 0: size 60 is below 88"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(PlayError(C.Bytes), C.Message);
  }
}

TEST(EMFHostile, PaletteSearchMeetsARecordThatDoesNotMove) {
  HeaderSpec H;
  H.PalEntries = 1;
  EXPECT_EQ(PlayError(Header(H) + RecordWithSize(EMR_LINETO, 0, Payload().Point(1, 2)) + EoF({1})),
            "Malformed metafile record EMR_LineTo at offset 108: size 0");
  // A size running past the end hides the end-of-file record.
  EXPECT_EQ(PlayError(Header(H) + RecordWithSize(EMR_LINETO, 0x7FFFFFF0, Payload().Point(1, 2)) + EoF({1})),
            "EMR_EoF not found");
}

TEST(EMFHostile, CountsAndOffsetsBeyondTheRecord) {
  TextSpec T;
  T.Dx = {1, 2, 3};
  const std::string Text = TextOut(EMR_EXTTEXTOUTW, u"abc", T);
  const std::string Pdy = [&] {
    TextSpec P = T;
    P.Options = ETO_PDY;  // pairs of advances, but only three values stored
    return TextOut(EMR_EXTTEXTOUTW, u"abc", P);
  }();
  Payload PolyText;
  PolyText.Rect(0, 0, 0, 0).U32(1).F32(1).F32(1).I32(1);
  PolyText.Point(1, 2).U32(2).U32(80).U32(0).Rect(0, 0, 0, 0).U32(84).Ansi("ab").Zeros(2).I32(4).I32(4);
  const std::string PolyTextRec = Record(EMR_POLYTEXTOUTA, PolyText);
  const std::string Poly2 = PolyPoly(EMR_POLYPOLYGON16, {{{1, 2}, {3, 4}}, {{5, 6}}});
  const std::string Clip = ClipRegion(5, {{0, 0, 10, 10}});
  const std::string Dib = StretchDIBits(DIB(1, 1, 24, {{1, 2, 3}}));
  struct Case {
    const char* Name;
    std::string Record;
  };
  const Case Cases[] = {
      {"polyline points", With32(Poly(EMR_POLYLINE, {{1, 2}}), 24, 0x20000000)},
      {"polyline16 points", With32(Poly(EMR_POLYLINE16, {{1, 2}}), 24, 3)},
      {"polyline-to points", With32(Poly(EMR_POLYLINETO, {{1, 2}}), 24, 0xFFFFFFFF)},
      {"poly-polygon polygons", With32(Poly2, 24, 0x40000000)},
      {"poly-polygon counts beyond the points", With32(Poly2, 32, 100)},
      {"poly-polygon total points", With32(Poly2, 28, 1000)},
      {"poly-draw points", With32(PolyDraw(EMR_POLYDRAW, {{1, 2}}, {6}), 24, 2)},
      {"text characters", With32(Text, 44, 0x7FFFFFFF)},
      {"text string offset", With32(Text, 48, 0xFFFFFFF0)},
      {"text advances offset", With32(Text, 72, 200)},
      {"text vertical advances", Pdy},
      {"poly text strings", With32(PolyTextRec, 36, 5)},
      {"poly text characters", With32(PolyTextRec, 48, 60)},
      {"poly text advances", With32(PolyTextRec, 76, 90)},
      {"small text characters", With32(SmallTextOut(0x300, u"ab"), 16, 9)},
      {"end-of-file palette", With32(EoF({1}), 8, 0x10000000)},
      {"end-of-file palette offset", With32(EoF({1}), 12, 0xFFFFFFF8)},
      {"palette entries", With32(CreatePalette(1, {1, 2}), 14, 0x00FF0300)},
      {"pen style entries", With32(ExtCreatePen(1, 0x10000 | 7, 1, 0, {1}), 48, 100)},
      {"pen bitmap", With32(With32(ExtCreatePen(1, 0, 1, 0), 12, 40), 16, 100)},
      {"comment data", With32(Comment({1, 2, 3, 4}), 8, 0x80000000)},
      {"region data", With32(Clip, 8, 1000)},
      {"region rectangles", With32(Clip, 24, 0x10000001)},
      {"region header", With32(With32(Clip, 8, 16), 0, EMR_EXTSELECTCLIPRGN)},
      {"escape data", With32(Record(EMR_EXTESCAPE, Payload().I32(1).I32(4).U32(0)), 12, 0xFFFFFFFF)},
      {"gradient vertices", With32(Record(EMR_GRADIENTFILL, Payload().Rect(0, 0, 1, 1).U32(0).U32(0).U32(2)), 24, 5)},
      {"profile name", With32(Record(EMR_SETICMPROFILEW, Payload().U32(0).U32(2).U32(0).U32(0)), 12, 0xFFFFFFF0)},
      {"bitmap header", With32(Dib, 52, 0x1000)},
      {"bitmap bits", With32(Dib, 56, 0x7FFFFFFF)},
      {"description", With32(With32(Header(), 60, 0x20000000), 64, 108)},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    const bool IsHeader = std::string(C.Name) == "description";
    const std::string Bytes = IsHeader ? C.Record + EoF() : Header() + C.Record + EoF();
    for (bool Comments : {false, true}) {
      const std::string Error = PlayError(Bytes, Comments);
      EXPECT_TRUE(Error.starts_with("Malformed metafile record")) << Error;
    }
  }
}

TEST(EMFHostile, HugeClipRegionRecordIsRefusedInTime) {
  // Many overlapping rectangles with distinct edges in one region record.
  std::vector<TRect> Rects;
  for (int I = 0; I < 6000; ++I) Rects.push_back({I, I, I + 1, 1000000 - I});
  EXPECT_EQ(PlayError(Header() + ClipRegion(5, Rects) + EoF()), "Metafile clip region is too complex");
}

// ---------------------------------------------------------------------------------------------
// Randomized: valid metafiles with bytes changed, cut or repeated are played with and without
// descriptions, and the accessors a back end calls are run over every view read.

std::string RichMetafile() {
  TextSpec T;
  T.Reference = {10, 20};
  T.Dx = {5, 6, 7};
  TextSpec Pdy = T;
  Pdy.Options = ETO_PDY | ETO_CLIPPED;
  Pdy.Dx = {5, 0, 6, 0};
  FontSpec F;
  HeaderSpec H;
  H.PalEntries = 2;
  H.Description = u"Chart\0Pic";
  Payload PolyText;
  PolyText.Rect(0, 0, 0, 0).U32(1).F32(1).F32(1).I32(1);
  PolyText.Point(1, 2).U32(2).U32(80).U32(0).Rect(0, 0, 0, 0).U32(84).Ansi("ab").Zeros(2).I32(4).I32(4);
  std::string S = Header(H);
  for (const std::string& R : {
           OneValue(EMR_SETMAPMODE, 8), TwoValues(EMR_SETWINDOWEXTEX, 100, 100), TwoValues(EMR_SETVIEWPORTEXTEX, 50, 50),
           TwoValues(EMR_SETWINDOWORGEX, 1, 2), XFormRecord(EMR_SETWORLDTRANSFORM, {1, 0, 0, 1, 3, 4}),
           XFormRecord(EMR_MODIFYWORLDTRANSFORM, {2, 0, 0, 2, 0, 0}, 2), HeaderOnly(EMR_SAVEDC),
           CreatePen(1, 0, 2, 0xFF), ExtCreatePen(2, 0x10100, 3, 0xFF00, {4, 2}), CreateBrush(3, 0, 0x123456),
           Font(4, F), CreatePalette(5, {1, 2, 3}), OneValue(EMR_SELECTOBJECT, 1), OneValue(EMR_SELECTOBJECT, 3),
           OneValue(EMR_SELECTOBJECT, 4), OneValue(EMR_SELECTOBJECT, 0x80000005), OneValue(EMR_SELECTPALETTE, 5),
           ClipRegion(5, {{0, 0, 50, 50}, {60, 0, 90, 40}}), RectRecord(EMR_INTERSECTCLIPRECT, 5, 5, 70, 70),
           RectRecord(EMR_EXCLUDECLIPRECT, 10, 10, 20, 20), TwoValues(EMR_OFFSETCLIPRGN, 2, 2),
           TwoValues(EMR_MOVETOEX, 1, 1), TwoValues(EMR_LINETO, 5, 5), Poly(EMR_POLYLINE16, {{1, 2}, {3, 4}}),
           Poly(EMR_POLYBEZIERTO, {{1, 2}, {3, 4}, {5, 6}}), PolyPoly(EMR_POLYPOLYGON16, {{{1, 2}, {3, 4}}, {{5, 6}}}),
           PolyPoly(EMR_POLYPOLYLINE, {{{1, 2}}, {{7, 8}, {9, 9}}}), PolyDraw(EMR_POLYDRAW, {{1, 2}, {3, 4}}, {6, 3}),
           PolyDraw(EMR_POLYDRAW16, {{1, 2}}, {6}), HeaderOnly(EMR_BEGINPATH), RectRecord(EMR_RECTANGLE, 0, 0, 9, 9),
           HeaderOnly(EMR_ENDPATH), RectRecord(EMR_STROKEANDFILLPATH, 0, 0, 9, 9),
           TextOut(EMR_EXTTEXTOUTW, u"abc", T), TextOut(EMR_EXTTEXTOUTA, u"xyz", T), TextOut(EMR_EXTTEXTOUTW, u"ab", Pdy),
           Record(EMR_POLYTEXTOUTA, PolyText), SmallTextOut(0, u"Hi"), SmallTextOut(0x300, u"Hi"),
           StretchDIBits(DIB(2, 2, 8, {{1, 0}, {0, 1}}, {0xFF, 0xFF00})),
           BitBltLike(EMR_BITBLT, DIB(2, 1, 24, {{1, 2, 3, 4, 5, 6}}), 0xCC0020),
           BitBltLike(EMR_ALPHABLEND, DIB(1, 1, 32, {{10, 20, 30, 128}}), 0x01FF0000),
           BitBltLike(EMR_TRANSPARENTBLT, DIB(1, 1, 16, {{1, 2}}), 0xFFFFFF),
           Comment({'G', 'D', 'I', 'C', 2, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0}),
           Record(EMR_GLSRECORD, Payload().U32(3).U8(1).U8(2).U8(3).U8(0)), Record(300, Payload().U32(9)),
           ScaleRecord(EMR_SCALEVIEWPORTEXTEX, 1, 2, 3, 4), Record(EMR_RESTOREDC, Payload().I32(-1)),
           OneValue(EMR_DELETEOBJECT, 1), Record(EMR_SETMITERLIMIT, Payload().F32(3))})
    S += R;
  return S + EoF({0x10, 0x20});
}

// What a back end reads from the views after their records were handled.
void ReadViews(Player& P) {
  for (const auto& V : P.FEMRList) {
    try {
      if (auto* W = dynamic_cast<TEMRExtTextOutWObj*>(V.get())) {
        W->OutputString("Arial", true);
        W->OutputDx();
        W->OutputDy();
        W->TextLength();
      } else if (auto* A = dynamic_cast<TEMRExtTextOutAObj*>(V.get())) {
        A->OutputString();
        A->TextLength();
      } else if (auto* B = dynamic_cast<TEMRBitmap*>(V.get())) {
        auto Bmp = B->GetBitmap();
        if (Bmp) TEMRStretchDIBitsObj::FlipVertical(*Bmp);
        if (auto* Alpha = dynamic_cast<TEMRAlphaBlendObj*>(B)) {
          Alpha->GetBitmap24();
          Alpha->GetPngObject();
        }
      } else if (auto* PP = dynamic_cast<TEMRPolyPolygon16Obj*>(V.get())) {
        const std::uint32_t N = std::min<std::uint32_t>(PP->P()->PolyPolygon16.nPolys, 64);
        for (std::uint32_t I = 0; I < N; ++I) PP->GetPolyPoint(static_cast<int>(I), 0);
      } else if (auto* PP32 = dynamic_cast<TEMRPolyPolygonObj*>(V.get())) {
        const std::uint32_t N = std::min<std::uint32_t>(PP32->P()->PolyPolygon.nPolys, 64);
        for (std::uint32_t I = 0; I < N; ++I) PP32->GetPolyPoint(static_cast<int>(I), 0);
      } else if (auto* H = dynamic_cast<TEnhMetaHeaderObj*>(V.get())) {
        H->Description();
        H->Extension();
        H->PixelFormatDescriptor();
      } else if (auto* C = dynamic_cast<TEMRExtSelectClipRgnObj*>(V.get())) {
        if (C->P()->ExtSelectClipRgn.cbRgnData != 0) C->GetRegion(0);
      } else if (auto* S = dynamic_cast<TEMRSmallTextOutObj*>(V.get())) {
        S->IsANSI() ? (void)S->OutputStringANSI() : (void)S->OutputStringWide();
      } else if (auto* D = dynamic_cast<TEMRPolyDrawObj*>(V.get())) {
        if (D->P()->PolyDraw.cptl != 0) D->GetTypes(0);
      } else if (auto* T = dynamic_cast<TEMRPolyTextOutAObj*>(V.get())) {
        if (T->P()->PolyTextOutA.cStrings > 0) T->GetOutputString(0);
      }
    } catch (const EEMFError&) {
    }
  }
  const TDeviceContext& D = P.DC();
  (void)D.FontFamily();
  (void)D.PenWidth();
  (void)D.BrushColor();
  (void)D.MiterLimit();
  (void)P.LogToDevXY(12345, -6789);
  (void)P.LogToDevSize(77);
  if (D.ClipRgn()) (void)D.ClipRgn()->Rects();
}

TEST(EMFHostile, RichMetafilePlaysWhole) {
  rt::TMemoryStream S;
  Fill(S, RichMetafile());
  Player P(S);
  P.ShowComments = true;
  P.PlayMetaFile();
  EXPECT_EQ(Handlers(P).back(), "AfterPlay");
  EXPECT_EQ(P.DC().EOFPalette().size(), 2u);
  ReadViews(P);
}

TEST(EMFHostile, MutatedMetafilesNeverCrash) {
  const std::string Good = RichMetafile();
  std::mt19937 Random(20240611);
  auto Pick = [&Random](std::size_t N) { return std::uniform_int_distribution<std::size_t>(0, N - 1)(Random); };
  int Failures = 0;
  for (int Round = 0; Round < 2000; ++Round) {
    std::string Bytes = Good;
    const int Edits = 1 + static_cast<int>(Pick(8));
    for (int E = 0; E < Edits; ++E) {
      switch (Pick(6)) {
        case 0:  // one byte
          Bytes[Pick(Bytes.size())] = static_cast<char>(Pick(256));
          break;
        case 1: {  // a 32-bit value, often an extreme one
          const std::uint32_t Values[] = {0, 1, 7, 8, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x10000, 0xFFFF};
          const std::size_t At = Pick(Bytes.size() / 4) * 4;
          if (At + 4 <= Bytes.size()) Put32(Bytes, At, Values[Pick(std::size(Values))]);
          break;
        }
        case 2:  // cut the stream
          Bytes.resize(Pick(Bytes.size()));
          break;
        case 3: {  // repeat a chunk
          const std::size_t From = Pick(Bytes.size()), Len = Pick(64);
          Bytes.insert(Pick(Bytes.size()), Bytes.substr(From, Len));
          break;
        }
        case 4: {  // drop a chunk
          const std::size_t From = Pick(Bytes.size());
          Bytes.erase(From, Pick(64));
          break;
        }
        default: {  // a small value where counts and sizes live
          const std::size_t At = Pick(Bytes.size() / 4) * 4;
          if (At + 4 <= Bytes.size()) Put32(Bytes, At, static_cast<std::uint32_t>(Pick(300)));
          break;
        }
      }
      if (Bytes.empty()) Bytes = Good.substr(0, 8);
    }
    for (bool Comments : {false, true}) {
      rt::TMemoryStream S;
      Fill(S, Bytes);
      Player P(S);
      P.ShowComments = Comments;
      try {
        P.PlayMetaFile();
      } catch (const EEMFError&) {
        ++Failures;
      }
      ReadViews(P);
    }
  }
  // Most mutations are caught; some leave a playable metafile.
  EXPECT_GT(Failures, 100);
}

} // namespace
