// The metafile converter: the operators it writes for shapes, pens, clipping, text and bitmaps,
// and whole metafiles (from our canvas and from an independent writer) played into PDFs that
// outside tools read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <regex>
#include <tuple>

#include "platform/chart/Chart.h"
#include "platform/gfx/MetafileCanvas.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/RasterCanvas.h"
#include "EMFPDFHarness.h"
#include "EMFWriter.h"
#include "DamagedCorpus.h"
#include "PDFTools.h"

using namespace emftest;
using emfpdf::Play;

namespace {

// 100 by 100 device units onto 100 by 100 points: one point per unit, y turned upwards.
HeaderSpec Square(int Size = 100) {
  HeaderSpec H;
  H.Bounds = {0, 0, Size - 1, Size - 1};
  H.Frame = {0, 0, Size * 10, Size * 10};
  H.Device = {1000, 1000};
  H.Millimeters = {100, 100};
  return H;
}

TrepRect Target(double Size = 100) { return TrepRect{0, Size, Size, 0}; }

std::vector<std::string> Lines(const std::string& S) {
  std::vector<std::string> L;
  std::size_t At = 0;
  while (At < S.size()) {
    const std::size_t E = S.find("\r\n", At);
    if (E == std::string::npos) {
      L.push_back(S.substr(At));
      break;
    }
    L.push_back(S.substr(At, E - At));
    At = E + 2;
  }
  return L;
}

int CountLines(const std::string& S, const std::string& Line) {
  const auto L = Lines(S);
  return static_cast<int>(std::count(L.begin(), L.end(), Line));
}

int CountEnding(const std::string& S, const std::string& Suffix) {
  int N = 0;
  for (const std::string& L : Lines(S))
    if (L.size() >= Suffix.size() && L.compare(L.size() - Suffix.size(), Suffix.size(), Suffix) == 0) ++N;
  return N;
}

// Each fragment is found in a later line than the previous one.
::testing::AssertionResult InOrder(const std::string& S, const std::vector<std::string>& Fragments) {
  const auto L = Lines(S);
  std::size_t I = 0;
  for (const std::string& F : Fragments) {
    while (I < L.size() && L[I].find(F) == std::string::npos) ++I;
    if (I == L.size()) return ::testing::AssertionFailure() << "missing '" << F << "' in order in:\n" << S;
    ++I;
  }
  return ::testing::AssertionSuccess();
}

// Every "q" closed, never more "Q" than "q" at any point, and no path operator between them.
::testing::AssertionResult Balanced(const std::string& S) {
  int Depth = 0;
  bool InPath = false;
  for (const std::string& L : Lines(S)) {
    if (L == "q" || L == "Q") {
      if (InPath) return ::testing::AssertionFailure() << "state operator inside a path:\n" << S;
      Depth += L == "q" ? 1 : -1;
      if (Depth < 0) return ::testing::AssertionFailure() << "Q without q:\n" << S;
      continue;
    }
    const std::string Op = L.substr(L.rfind(' ') == std::string::npos ? 0 : L.rfind(' ') + 1);
    if (Op == "m" || Op == "re") InPath = true;
    if (Op == "n" || Op == "S" || Op == "s" || Op == "f" || Op == "f*" || Op == "B" || Op == "B*" || Op == "b" ||
        Op == "b*")
      InPath = false;
  }
  if (Depth != 0) return ::testing::AssertionFailure() << Depth << " q left open:\n" << S;
  return ::testing::AssertionSuccess();
}

bool HasNonFinite(const std::string& S) {
  static const std::regex Bad("nan|inf|NAN|INF|e\\+|e-[0-9]");
  for (const std::string& L : Lines(S))
    if (L.rfind("%", 0) != 0 && std::regex_search(L, Bad)) return true;
  return false;
}

FontSpec Fs(std::int32_t Height, std::int32_t Weight = 400, std::int32_t Escapement = 0, bool Underline = false) {
  FontSpec F;
  F.Height = Height;
  F.Weight = Weight;
  F.Escapement = Escapement;
  F.Underline = Underline;
  return F;
}

std::string Pen(std::uint32_t Style, int Width = 1, std::uint32_t Color = 0x0000FF) {
  return CreatePen(1, Style, Width, Color) + OneValue(EMR_SELECTOBJECT, 1);
}
std::string Brush(std::uint32_t Style, std::uint32_t Color = 0x00FF00) {
  return CreateBrush(2, Style, Color) + OneValue(EMR_SELECTOBJECT, 2);
}

std::string Play(std::initializer_list<std::string> Records, const HeaderSpec& H = Square()) {
  return Play(Metafile(Records, H), Target());
}

} // namespace

TEST(EMFtoPDF, HeaderAndEndOnlyClipTheTargetAndNothingElse) {
  EXPECT_EQ(Play({}), "q\r\n0 0 100 100 re\r\nW*\r\nn\r\nQ\r\n");
  std::string Unclipped = emfpdf::Play(Metafile({}, Square()), Target(), nullptr,
                                       [](TEMFtoPDFExport& E) { E.Clipped = false; });
  EXPECT_EQ(Unclipped, "q\r\nQ\r\n");
}

TEST(EMFtoPDF, ShapesPaintWithPenAndBrushState) {
  struct Case {
    const char* Name;
    std::string Records;
    std::vector<std::string> Expected;
    std::vector<std::string> Absent;
  };
  const std::string Solid = Pen(0) + Brush(0);
  const Case Cases[] = {
      {"rectangle", Solid + RectRecord(EMR_RECTANGLE, 10, 10, 30, 40),
       {"q", "q", "0 1 0 rg", "[] 0 d", "1 0 0 RG", "1 w", "4 M", "1 J", "1 j", "10 60 20 30 re", "B*", "Q", "Q"},
       {}},
      {"null pen fills only", Pen(5) + Brush(0) + RectRecord(EMR_RECTANGLE, 10, 10, 30, 40), {"rg", "re", "f*"},
       {"RG", "B*"}},
      {"null brush strokes only", Pen(0) + Brush(1) + RectRecord(EMR_RECTANGLE, 10, 10, 30, 40),
       {"RG", "re", "S"}, {" rg", "B*"}},
      {"pie closes before painting",
       Solid + Record(EMR_PIE, Payload().Rect(0, 0, 40, 40).Point(40, 20).Point(20, 0)), {" c", "l", "b*"}, {}},
      {"ellipse is four curves", Solid + RectRecord(EMR_ELLIPSE, 0, 0, 40, 20), {"m", "  c", "B*"}, {}},
      {"dashed pen", Pen(1, 2) + Brush(1) + RectRecord(EMR_RECTANGLE, 0, 0, 5, 5), {"[12] 0 d"}, {}},
      {"dotted pen", Pen(2, 2) + Brush(1) + RectRecord(EMR_RECTANGLE, 0, 0, 5, 5), {"[4 12] 0 d"}, {}},
      {"dash-dot-dot pen", Pen(4, 1) + Brush(1) + RectRecord(EMR_RECTANGLE, 0, 0, 5, 5), {"[6 6 2 6 2 6] 0 d"}, {}},
      {"square cap, bevel join", CreatePen(1, 0x1100, 1, 0) + OneValue(EMR_SELECTOBJECT, 1) + Brush(1) +
                                     RectRecord(EMR_RECTANGLE, 0, 0, 5, 5),
       {"2 J", "2 j"}, {}},
      {"winding fill", OneValue(EMR_SETPOLYFILLMODE, 2) + Solid + RectRecord(EMR_RECTANGLE, 0, 0, 5, 5), {"B"},
       {"B*"}},
      {"intersect clip writes nothing", RectRecord(EMR_INTERSECTCLIPRECT, 0, 0, 5, 5), {}, {"re\r\nW*\r\nn\r\nq"}},
      {"clip region", ClipRegion(5, {TRect{0, 0, 50, 50}}), {"q", "0 50 50 50 re", "W*", "n"}, {}},
      {"polyline", Pen(0) + Poly(EMR_POLYLINE, {{0, 0}, {10, 10}, {20, 0}}), {"0 100 m", "10 90 l", "20 100 l", "S"},
       {"h"}},
      {"polygon16", Solid + Poly(EMR_POLYGON16, {{0, 0}, {10, 10}, {20, 0}}), {"0 100 m", "l", "l", "h", "B*"}, {}},
      {"bezier", Pen(0) + Poly(EMR_POLYBEZIER, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}), {"0 100 m", "1 99 2 98 3 97 c", "S"},
       {}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string Out = Play(Metafile({C.Records}, Square()), Target());
    EXPECT_TRUE(InOrder(Out, C.Expected));
    for (const std::string& A : C.Absent) EXPECT_EQ(Out.find(A), std::string::npos) << A << " in\n" << Out;
    EXPECT_TRUE(Balanced(Out));
  }
}

TEST(EMFtoPDF, FigureCountsOfPolyPolygonsArcsAndCurves) {
  const std::string Solid = Pen(0) + Brush(0);
  EXPECT_EQ(CountLines(Play({Solid + PolyPoly(EMR_POLYPOLYGON, {{{0, 0}, {5, 0}, {5, 5}}, {{9, 9}, {8, 8}, {7, 9}}})}),
                       "h"),
            2);
  // 100 degrees: two curve segments of 50.
  const std::string Arc = Record(EMR_ANGLEARC, Payload().Point(50, 50).U32(20).F32(0).F32(100));
  EXPECT_EQ(CountEnding(Play({Pen(0) + Arc}), " c"), 2);
  EXPECT_EQ(CountEnding(Play({Pen(0) + Record(EMR_ANGLEARC, Payload().Point(50, 50).U32(20).F32(0).F32(360))}), " c"), 6);
}

TEST(EMFtoPDF, LineToStrokesFromTheCurrentPositionAndKeepsItPending) {
  const std::string Out =
      Play({Pen(0) + TwoValues(EMR_MOVETOEX, 10, 10) + TwoValues(EMR_LINETO, 20, 30) + TwoValues(EMR_LINETO, 40, 30)});
  EXPECT_TRUE(InOrder(Out, {"q", "10 90 m", "20 70 l", "S", "Q", "q", "20 70 m", "40 70 l", "S", "Q"}));
  EXPECT_TRUE(Balanced(Out));
  // The pending position never carries a "q" inside a path, text or not.
  const std::string WithText = Play({Pen(0) + TwoValues(EMR_MOVETOEX, 10, 10) + Font(3) +
                                     OneValue(EMR_SELECTOBJECT, 3) +
                                     TextOut(EMR_EXTTEXTOUTW, u"A", TextSpec{{5, 5}, 0, {}, {}, {10}}) +
                                     TwoValues(EMR_LINETO, 20, 30)});
  EXPECT_TRUE(Balanced(WithText));
}

TEST(EMFtoPDF, BarcodeOptionsForceButtCapsAndMiterJoins) {
  const std::string Out = emfpdf::Play(Metafile({Pen(0) + Poly(EMR_POLYLINE, {{0, 0}, {10, 0}})}, Square()), Target(),
                                       nullptr, [](TEMFtoPDFExport& E) {
                                         E.ForceButtLineCap = true;
                                         E.ForceMitterLineJoin = true;
                                       });
  EXPECT_TRUE(InOrder(Out, {"2 J", "0 j", "S"}));
  // A shape view's brush is never painted.
  const std::string NoFill = emfpdf::Play(Metafile({Pen(0) + Brush(0) + RectRecord(EMR_RECTANGLE, 0, 0, 5, 5)}, Square()),
                                          Target(), nullptr, [](TEMFtoPDFExport& E) { E.ForceNullBrush = true; });
  EXPECT_TRUE(InOrder(NoFill, {"RG", "re", "S"}));
  EXPECT_EQ(NoFill.find(" rg"), std::string::npos);
}

TEST(EMFtoPDF, StateRecordsStayBalancedWhateverTheMetafileRestores) {
  struct Case {
    const char* Name;
    std::string Records;
  };
  const Case Cases[] = {
      {"restore without save", OneValue(EMR_RESTOREDC, static_cast<std::uint32_t>(-5))},
      {"restore more than saved", HeaderOnly(EMR_SAVEDC) + OneValue(EMR_RESTOREDC, static_cast<std::uint32_t>(-3))},
      {"saves left open", HeaderOnly(EMR_SAVEDC) + HeaderOnly(EMR_SAVEDC) + ClipRegion(5, {TRect{0, 0, 9, 9}})},
      {"clip regions replace each other",
       ClipRegion(5, {TRect{0, 0, 9, 9}}) + ClipRegion(5, {TRect{0, 0, 5, 5}}) + ClipRegion(5, {})},
      {"clip inside a save", HeaderOnly(EMR_SAVEDC) + ClipRegion(5, {TRect{0, 0, 9, 9}}) +
                                 OneValue(EMR_RESTOREDC, static_cast<std::uint32_t>(-1))},
      {"path bracket", Pen(0) + HeaderOnly(EMR_BEGINPATH) + RectRecord(EMR_RECTANGLE, 0, 0, 5, 5) +
                           HeaderOnly(EMR_ENDPATH) + Record(EMR_STROKEPATH, Payload().Rect(0, 0, 0, 0))},
      {"clip path", HeaderOnly(EMR_BEGINPATH) + RectRecord(EMR_RECTANGLE, 0, 0, 5, 5) + HeaderOnly(EMR_ENDPATH) +
                        OneValue(EMR_SELECTCLIPPATH, 5)},
      {"aborted path", HeaderOnly(EMR_BEGINPATH) + RectRecord(EMR_RECTANGLE, 0, 0, 5, 5) + HeaderOnly(EMR_ABORTPATH) +
                           Pen(0) + Brush(0) + RectRecord(EMR_RECTANGLE, 10, 10, 20, 20)},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string Out = Play(Metafile({C.Records}, Square()), Target());
    EXPECT_TRUE(Balanced(Out));
  }
  // The abandoned figure is not painted with the next shape.
  const std::string Aborted = Play(Metafile({Cases[7].Records}, Square()), Target());
  EXPECT_EQ(CountEnding(Aborted, " re"), 2);  // the target clip and the second rectangle
}

TEST(EMFtoPDF, DegenerateHeadersAndTransformsWriteOnlyFiniteNumbers) {
  HeaderSpec NoSize = Square();
  NoSize.Millimeters = {0, 0};
  HeaderSpec NoFrame = Square();
  NoFrame.Frame = {5, 5, 5, 5};
  HeaderSpec Empty = Square();
  Empty.Frame = {0, 0, 0, 0};
  Empty.Bounds = {0, 0, -1, -1};
  const tagXFORM Huge{3e38f, 0, 0, 3e38f, 3e38f, -3e38f};
  const tagXFORM Inf{INFINITY, 0, 0, 1, 0, NAN};
  const std::string Drawing = Pen(1, 3) + Brush(0) + RectRecord(EMR_RECTANGLE, 10, 10, 30, 40) +
                              Record(EMR_ANGLEARC, Payload().Point(5, 5).U32(0xFFFFFFFF).F32(NAN).F32(1e30f)) +
                              Font(3, Fs(-20, 400, 900)) + OneValue(EMR_SELECTOBJECT, 3) +
                              TextOut(EMR_EXTTEXTOUTW, u"AB", TextSpec{{5, 5}, 0, {}, {}, {10, 10}});
  emfpdf::TestDocument Doc;
  for (const auto& [Name, H, Extra] :
       std::vector<std::tuple<const char*, HeaderSpec, std::string>>{
           {"no millimetres", NoSize, ""},
           {"no frame", NoFrame, ""},
           {"empty header", Empty, ""},
           {"huge transform", Square(), XFormRecord(EMR_SETWORLDTRANSFORM, Huge)},
           {"infinite transform", Square(), XFormRecord(EMR_MODIFYWORLDTRANSFORM, Inf, 2)},
           {"zero window extent", Square(), OneValue(EMR_SETMAPMODE, 8) + TwoValues(EMR_SETWINDOWEXTEX, 0, 0) +
                                                TwoValues(EMR_SETVIEWPORTEXTEX, 100000, 100000)}}) {
    SCOPED_TRACE(Name);
    const std::string Out = emfpdf::Play(Metafile({Extra + Drawing}, H), Target(), &Doc);
    EXPECT_FALSE(HasNonFinite(Out)) << Out;
    EXPECT_TRUE(Balanced(Out));
  }
}

TEST(EMFtoPDF, TextIsPlacedByItsAlignmentAndRotation) {
  emfpdf::TestDocument Doc;
  const HeaderSpec H = Square(200);
  auto Text = [&](std::uint32_t Align, int Escapement, std::vector<std::int32_t> Dx) {
    TextSpec T;
    T.Reference = {100, 50};
    T.Dx = Dx;
    std::u16string S(Dx.size(), u'a');
    return emfpdf::Play(Metafile({OneValue(EMR_SETBKMODE, 1) + OneValue(EMR_SETTEXTALIGN, Align) +
                                  Font(3, Fs(-20, 400, Escapement)) + OneValue(EMR_SELECTOBJECT, 3) +
                                  TextOut(EMR_EXTTEXTOUTW, S, T)},
                                 H),
                        Target(200), &Doc);
  };
  // Top-aligned: 0.92 of the 20-unit font below the reference, at (100, 68.4).
  EXPECT_TRUE(InOrder(Text(0, 0, {10}), {"q", "BT", "/F0 20.00 Tf", "[] 0 d", "0 0 0 rg", "100 131.6 Td", "ET", "Q"}));
  // Centred on the baseline: a run of 200 units starts 100 to the left.
  EXPECT_TRUE(InOrder(Text(6 | 24, 0, {100, 100}), {"BT", "0 150 Td"}));
  // Rotated: the rotation comes before the text object and the origin is turned with it.
  const std::string Rotated = Text(24, 900, {10});
  EXPECT_TRUE(InOrder(Rotated, {"q", "0.0000 1.0000 -1.0000 0.0000 0.0000 0.0000 cm", "BT", "150 -100 Td", "ET"}));
  EXPECT_TRUE(Balanced(Rotated));
}

TEST(EMFtoPDF, TextGlyphsCarryTheRecordsAdvancesAsCorrections) {
  emfpdf::TestDocument Doc;
  auto Out = [&](std::vector<std::int32_t> Dx, std::uint32_t Options = 0) {
    TextSpec T;
    T.Reference = {10, 10};
    T.Options = Options;
    T.Dx = Dx;
    return emfpdf::Play(Metafile({OneValue(EMR_SETBKMODE, 1) + Font(3, Fs(-100)) + OneValue(EMR_SELECTOBJECT, 3) +
                                  TextOut(EMR_EXTTEXTOUTW, u"AV", T)},
                                 Square(1000)),
                        Target(1000), &Doc);
  };
  // "A" of Liberation Sans is 667 thousandths of the em: a 100-unit font advances it 66.7 units.
  const std::string Own = Out({67, 67});
  EXPECT_TRUE(InOrder(Own, {"BT", "] TJ", "ET"})) << Own;
  const std::string Spread = Out({100, 100});
  EXPECT_NE(Spread.find("<0024>-33"), std::string::npos) << Spread;  // 667 or 666 by rounding, to 1000
  // Right-to-left reading: the glyphs without corrections.
  EXPECT_TRUE(InOrder(Out({100, 100}, ETO_RTLREADING), {"BT", "> Tj", "ET"}));
  // Underline: stroked in the text colour with its own width after the text.
  const std::string Under = emfpdf::Play(
      Metafile({OneValue(EMR_SETBKMODE, 1) + Font(3, Fs(-20, 400, 0, true)) + OneValue(EMR_SELECTOBJECT, 3) +
                TextOut(EMR_EXTTEXTOUTW, u"A", TextSpec{{0, 0}, 0, {}, {}, {50}})},
               Square()),
      Target(), &Doc);
  EXPECT_TRUE(InOrder(Under, {"ET", "[] 0 d", "0 0 0 RG", "1.425 w", "m", "50", "S", "Q"}));
}

TEST(EMFtoPDF, EmptyTextWritesOnlyItsBackground) {
  emfpdf::TestDocument Doc;
  const std::string Out = emfpdf::Play(
      Metafile({Font(3) + OneValue(EMR_SELECTOBJECT, 3) +
                TextOut(EMR_EXTTEXTOUTW, u"", TextSpec{{0, 0}, ETO_OPAQUE, {0, 0, 10, 10}, {0, 0, 10, 10}, {}})},
               Square()),
      Target(), &Doc);
  EXPECT_TRUE(InOrder(Out, {"q", "re", "1 1 1 rg", "f*", "Q"}));
  EXPECT_EQ(Out.find("BT"), std::string::npos);
}

TEST(EMFtoPDF, BitmapsAreSharedImagesAndUnknownOperationsAComment) {
  emfpdf::TestDocument Doc;
  const auto Dib24 = DIB(2, 2, 24, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}});
  const std::string Twice = BitBltLike(EMR_STRETCHBLT, Dib24, 0x00CC0020) + BitBltLike(EMR_BITBLT, Dib24, 0x00CC0020);
  const std::string Out = emfpdf::Play(Metafile({Twice}, Square()), Target(), &Doc);
  EXPECT_EQ(Doc.JpegWrites, 1);
  EXPECT_EQ(CountLines(Out, "/Im0 Do"), 2);
  EXPECT_TRUE(InOrder(Out, {"q", "30 0 0 40 10 40 cm", "/Im0 Do", "Q"}));
  EXPECT_EQ(Doc.UsedImages, (std::vector<int>{0, 0}));

  const std::string Transparent =
      emfpdf::Play(Metafile({BitBltLike(EMR_TRANSPARENTBLT, Dib24, 0xFFFFFF)}, Square()), Target(), &Doc);
  EXPECT_NE(Transparent.find("%-- Unsupported dwRop: 16777215"), std::string::npos) << Transparent;

  // An alpha blend: a plain JPEG without transparency, an image with a soft mask with it.
  const auto Dib32 = DIB(1, 1, 32, {{10, 20, 30, 128}});
  const std::string Blend = BitBltLike(EMR_ALPHABLEND, Dib32, 0x01FF0000);
  emfpdf::TestDocument Plain, Masked;
  emfpdf::Play(Metafile({Blend}, Square()), Target(), &Plain);
  EXPECT_EQ(Plain.JpegWrites, 1);
  emfpdf::Play(Metafile({Blend}, Square()), Target(), &Masked, [](TEMFtoPDFExport& E) { E.Transparency = true; });
  ASSERT_EQ(Masked.Images.size(), 1u);
  EXPECT_EQ(Masked.Images[0].Alpha, std::string(1, '\x80'));

  // A pattern copy fills with the brush; an unreadable bitmap is a comment, not an error.
  EXPECT_TRUE(InOrder(emfpdf::Play(Metafile({Brush(0) + BitBltLike(EMR_BITBLT, {}, 0x00F00021)}, Square()), Target(), &Doc),
                      {"q", "re", "f*", "Q"}));
  EXPECT_NE(emfpdf::Play(Metafile({BitBltLike(EMR_BITBLT, {}, 0x00CC0020)}, Square()), Target(), &Doc)
                .find("%-- Unreadable bitmap"),
            std::string::npos);
}

TEST(EMFtoPDF, CommentsNameEachRecordAndItsRealization) {
  const std::string Out = emfpdf::Play(Metafile({RectRecord(EMR_INTERSECTCLIPRECT, 0, 0, 5, 5) +
                                                 OneValue(EMR_SETMAPPERFLAGS, 1)},
                                                Square()),
                                       Target(), nullptr, [](TEMFtoPDFExport& E) { E.ShowComments = true; });
  EXPECT_TRUE(InOrder(Out, {"%--EMR_Header", "% Realization: ?", "%--EMR_IntersectClipRect", "% Realization: 0",
                            "%--EMR_SetMapperFlags", "%--EMR_EoF"}));
}

// ---------------------------------------------------------------------------------------------
// Whole metafiles into PDF files

namespace {

struct PDFCheck {
  bool Ok = false;
  std::string QpdfOutput, Text;
};

PDFCheck CheckPDF(const std::string& Content, double W, double H, const emfpdf::TestDocument& Doc) {
  PDFCheck R;
  emfpdf::TempDir Dir;
  const auto File = Dir.Path / "page.pdf";
  emfpdf::WriteFile(File, emfpdf::OnePagePDF(Content, W, H, Doc));
  R.Ok = emfpdf::Run("qpdf --check '" + File.string() + "'", R.QpdfOutput) == 0 &&
         R.QpdfOutput.find("WARNING") == std::string::npos;
  std::string Out;
  emfpdf::Run("pdftotext -raw '" + File.string() + "' -", R.Text);
  return R;
}

} // namespace

TEST(EMFtoPDFFile, CanvasDrawingWithRotatedTextBecomesAValidPage) {
  if (!emfpdf::HaveTool("qpdf") || !emfpdf::HaveTool("pdftotext")) GTEST_SKIP() << "qpdf or poppler missing";
  gfx::TMetafileCanvas C(400, 300);
  C.Pen.Color = 0x0000FF;
  C.Pen.Width = 2;
  C.Brush.Color = 0xEEEEEE;
  C.Rectangle(10, 10, 390, 290);
  C.Brush.Style = gfx::bsClear;
  C.Ellipse(50, 50, 150, 120);
  C.Brush.Style = gfx::bsSolid;
  C.Brush.Color = 0x00FF00;
  C.FillRect({200, 200, 250, 250});
  C.MoveTo(0, 0);
  C.LineTo(399, 299);
  C.SetClipRect(gfx::TRect{0, 0, 380, 280});
  C.Font.SetName("Arial");
  C.Font.SetSize(12);
  gfx::TTextOut Up;
  Up.X = 60;
  Up.Y = 250;
  Up.Text = u"Rotated memo";
  Up.Escapement = 900;
  Up.FontHeight = 16;
  C.ExtTextOut(Up);
  gfx::TTextOut Flat;
  Flat.X = 160;
  Flat.Y = 40;
  Flat.Text = u"Plain line";
  Flat.FontHeight = 16;
  C.ExtTextOut(Flat);
  C.SetClipRect(std::nullopt);
  gfx::TBitmap Bmp(4, 4);
  Bmp.Canvas().Brush.Color = 0xFF0000;
  Bmp.Canvas().FillRect({0, 0, 4, 4});
  C.StretchDraw({300, 30, 340, 70}, Bmp);

  emfpdf::TestDocument Doc;
  const std::string Content = emfpdf::Play(C.Bytes(), TrepRect{0, 225, 300, 0}, &Doc);
  EXPECT_TRUE(Balanced(Content));
  EXPECT_FALSE(HasNonFinite(Content));
  const PDFCheck R = CheckPDF(Content, 300, 225, Doc);
  EXPECT_TRUE(R.Ok) << R.QpdfOutput << "\n" << Content;
  // Words of rotated text may come out on lines of their own.
  EXPECT_NE(R.Text.find("Rotated"), std::string::npos) << R.Text;
  EXPECT_NE(R.Text.find("memo"), std::string::npos) << R.Text;
  EXPECT_NE(R.Text.find("Plain line"), std::string::npos) << R.Text;
  EXPECT_EQ(Doc.Images.size(), 1u);
}

TEST(EMFtoPDFFile, CharactersKeepTheirFullValueUnderForceAnsi) {
  if (!emfpdf::HaveTool("qpdf") || !emfpdf::HaveTool("pdftotext")) GTEST_SKIP() << "qpdf or poppler missing";
  gfx::TMetafileCanvas C(300, 60);
  gfx::TTextOut T;
  T.X = 10;
  T.Y = 10;
  T.Text = u"\u03A9mega \u0416";  // Greek and Cyrillic
  T.FontHeight = 20;
  C.ExtTextOut(T);
  emfpdf::TestDocument Doc;
  const std::string Content =
      emfpdf::Play(C.Bytes(), TrepRect{0, 45, 225, 0}, &Doc, [](TEMFtoPDFExport& E) { E.ForceAnsi = true; });
  const PDFCheck R = CheckPDF(Content, 225, 45, Doc);
  EXPECT_TRUE(R.Ok) << R.QpdfOutput;
  EXPECT_NE(R.Text.find("\xCE\xA9mega \xD0\x96"), std::string::npos) << R.Text;
}

TEST(EMFtoPDFFile, RenderedPageMatchesTheRasterCanvas) {
  if (!emfpdf::HaveTool("pdftoppm")) GTEST_SKIP() << "poppler missing";
  const int W = 160, H = 120;
  auto Draw = [](gfx::TCanvas& C) {
    C.Brush.Color = 0xFFFFFF;
    C.Pen.Style = gfx::psClear;
    C.Rectangle(0, 0, 161, 121);
    C.Pen.Style = gfx::psSolid;
    C.Pen.Color = 0x000000;
    C.Pen.Width = 3;
    C.Brush.Color = 0x00C000;
    C.Rectangle(10, 10, 70, 50);
    C.Brush.Color = 0xC00000;
    C.Ellipse(80, 20, 150, 100);
    C.Brush.Color = 0x0000C0;
    C.Polygon({{10, 110}, {40, 60}, {70, 110}});
    C.Pen.Width = 1;
    C.MoveTo(0, 115);
    C.LineTo(160, 115);
    // A bitmap red above and blue below: rows must not come out turned over.
    gfx::TBitmap B(4, 4);
    for (int Y = 0; Y < 4; ++Y)
      for (int X = 0; X < 4; ++X) B.SetPixel(X, Y, Y < 2 ? 0x0000FF : 0xFF0000);
    C.StretchDraw({100, 2, 140, 42}, B);
  };
  gfx::TBitmap Raster(W, H);
  Draw(Raster.Canvas());
  gfx::TMetafileCanvas Meta(W, H);
  Draw(Meta);
  emfpdf::TestDocument Doc;
  const std::string Content = emfpdf::Play(Meta.Bytes(), TrepRect{0, H * 0.75, W * 0.75, 0}, &Doc);
  emfpdf::TempDir Dir;
  emfpdf::WriteFile(Dir.Path / "p.pdf", emfpdf::OnePagePDF(Content, W * 0.75, H * 0.75, Doc));
  const pdftools::TPixmap Pix = pdftools::RenderPage((Dir.Path / "p.pdf").string(), 96);
  ASSERT_EQ(Pix.W, W);
  ASSERT_EQ(Pix.H, H);
  int Different = 0;
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X) {
      const unsigned char* P = Pix.At(X, Y);
      const gfx::TColor C = Raster.Pixel(X, Y);
      const int R = C & 0xFF, G = (C >> 8) & 0xFF, B = (C >> 16) & 0xFF;
      const int D = std::abs(R - P[0]) + std::abs(G - P[1]) + std::abs(B - P[2]);
      if (D > 60) ++Different;
    }
  // Edges may fall on the neighbouring pixel; the shapes, colours and places must agree.
  EXPECT_LT(Different, W * H * 4 / 100) << Different << " pixels differ";
}

// Written by the independent metafile library (LibEMFWriter.cpp).
std::string LibEMFDrawing();

TEST(EMFtoPDFFile, MetafileOfAnIndependentWriterBecomesAValidPage) {
  if (!emfpdf::HaveTool("qpdf") || !emfpdf::HaveTool("pdftotext")) GTEST_SKIP() << "qpdf or poppler missing";
  const std::string Emf = LibEMFDrawing();
  ASSERT_GT(Emf.size(), 108u);
  emfpdf::TestDocument Doc;
  const std::string Content = emfpdf::Play(Emf, TrepRect{0, 300, 400, 0}, &Doc);
  EXPECT_TRUE(Balanced(Content));
  EXPECT_TRUE(InOrder(Content, {"re", "B", "c", "BT", "ET"})) << Content;
  const PDFCheck R = CheckPDF(Content, 400, 300, Doc);
  EXPECT_TRUE(R.Ok) << R.QpdfOutput << "\n" << Content;
  EXPECT_NE(R.Text.find("Independent"), std::string::npos) << R.Text;
  EXPECT_NE(R.Text.find("Turned"), std::string::npos) << R.Text;
}

TEST(EMFtoPDFFile, ChartMetafileBecomesAPageWithItsTitlesAndLabels) {
  if (!emfpdf::HaveTool("qpdf") || !emfpdf::HaveTool("pdftotext")) GTEST_SKIP() << "qpdf or poppler missing";
  chart::TChart c;
  c.Width = 600;
  c.Height = 450;
  c.Title.Text = {"Flow chart of the sizing"};
  c.LeftAxis.Title = "Flow gpm";
  c.BottomAxis.Title = "% Travel - 2.00 in";
  c.BottomAxis.SetMinMax(-2, 18);
  auto* line = c.AddSeries(std::make_unique<chart::TLineSeries>());
  line->Title = "Normal";
  line->LinePen.Width = 2;
  for (int i = 2; i <= 18; ++i) line->Add(i * 7.5, std::to_string(i * 5), 0x008000);
  auto* marks = c.AddSeries(std::make_unique<chart::TPointSeries>());
  marks->AddXY(3, 40, "Min Cv 12.5", 0xFF0000);
  marks->AddXY(8, 70, "Norm Cv 31.0", 0x008000);
  marks->AddXY(13, 110, "Max Cv 58.2", 0x0000FF);
  const chart::TChartMetafile m = c.ChartCreateMetafile({0, 0, c.Width, c.Height});

  emfpdf::TestDocument Doc;
  const std::string Content = emfpdf::Play(m.Bytes, TrepRect{0, 423, 558, 0}, &Doc);
  EXPECT_TRUE(Balanced(Content));
  EXPECT_FALSE(HasNonFinite(Content));
  const PDFCheck R = CheckPDF(Content, 558, 423, Doc);
  EXPECT_TRUE(R.Ok) << R.QpdfOutput;
  for (const char* T : {"Flow chart of the sizing", "Flow", "gpm", "% Travel - 2.00 in", "Min Cv 12.5", "Norm Cv 31.0",
                        "Max Cv 58.2", "Normal"})
    EXPECT_NE(R.Text.find(T), std::string::npos) << T << " in:\n" << R.Text;
}

// ---------------------------------------------------------------------------------------------
// Damaged metafiles

TEST(EMFtoPDFHostile, DamagedMetafilesFailCleanlyOrPlayFinite) {
  gfx::TMetafileCanvas C(120, 80);
  C.Brush.Color = 0x336699;
  C.Rectangle(5, 5, 60, 40);
  C.Polygon({{0, 0}, {50, 70}, {100, 10}});
  C.SetClipRect(gfx::TRect{0, 0, 100, 60});
  gfx::TTextOut T;
  T.X = 10;
  T.Y = 10;
  T.Text = u"Ab";
  T.Escapement = 450;
  T.FontHeight = 12;
  C.ExtTextOut(T);
  gfx::TBitmap Bmp(3, 3);
  C.StretchDraw({70, 40, 100, 70}, Bmp);
  const std::string Good = C.Bytes();
  const std::vector<std::string> Corpus = DamagedCorpus(
      Good, 7, {0, 1, 7, 8, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0x3F800000u, 0x7F800000u, 0x7FC00000u});
  emfpdf::TestDocument Doc;
  int Played = 0;
  for (const std::string& S : Corpus) {
    std::string Out;
    try {
      Out = emfpdf::Play(S, TrepRect{0, 60, 90, 0}, &Doc);
    } catch (const EEMFError&) {
      continue;
    }
    ++Played;
    ASSERT_FALSE(HasNonFinite(Out)) << Out;
    ASSERT_TRUE(Balanced(Out));
  }
  EXPECT_GT(Played, 100);
}

// Writes the converter's fuzz seeds (a metafile of our own canvas and one of the independent
// writer) when ZENTOR_WRITE_SEEDS names a folder; otherwise does nothing.
TEST(EMFtoPDFHostile, SeedsForTheFuzzTarget) {
  const char* Dir = std::getenv("ZENTOR_WRITE_SEEDS");
  if (Dir == nullptr) GTEST_SKIP();
  gfx::TMetafileCanvas C(50, 40);
  C.Brush.Style = gfx::bsCross;
  C.RoundRect(1, 1, 40, 30, 8, 8);
  C.SetClipRect(gfx::TRect{0, 0, 30, 30});
  gfx::TTextOut T;
  T.Text = u"Seed";
  T.Escapement = 900;
  T.FontHeight = 10;
  C.ExtTextOut(T);
  gfx::TBitmap Bmp(2, 2, gfx::pf32bit);
  C.StretchDraw({20, 20, 30, 30}, Bmp);
  emfpdf::WriteFile(std::filesystem::path(Dir) / "seed-canvas.emf", C.Bytes());
  emfpdf::WriteFile(std::filesystem::path(Dir) / "seed-independent-writer.emf", LibEMFDrawing());
}
