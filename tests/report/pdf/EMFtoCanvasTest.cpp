// Metafiles played onto the raster canvas: the same pixels as the drawing done directly, frames
// stretched onto their target, the independent writer's metafiles, metafile graphics drawing
// through the registered player, and damaged metafiles that end cleanly.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/chart/Chart.h"
#include "platform/gfx/MetafileCanvas.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/RasterCanvas.h"
#include "report/engine/repClass.h"
#include "report/engine/repRes.h"
#include "report/pdf/repEMFtoCanvas.h"
#include "tests/report/EngineSetup.h"
#include "tests/report/pdf/DamagedCorpus.h"

namespace {

void PlayOn(const std::string& Emf, gfx::TCanvas& C, const gfx::TRect& Target) {
  rt::TStringStream In(Emf);
  TEMFtoCanvasExport Player(&In, C, Target);
  Player.PlayMetaFile();
}

// Pixels whose colours differ by more than a little.
int Differing(const gfx::TBitmap& A, const gfx::TBitmap& B) {
  int N = 0;
  for (int Y = 0; Y < A.Height(); ++Y)
    for (int X = 0; X < A.Width(); ++X) {
      const gfx::TColor P = A.Pixel(X, Y), Q = B.Pixel(X, Y);
      int D = 0;
      for (int S = 0; S < 24; S += 8) D += std::abs(static_cast<int>((P >> S) & 0xFF) - static_cast<int>((Q >> S) & 0xFF));
      if (D > 60) ++N;
    }
  return N;
}

int CountColor(const gfx::TBitmap& B, const gfx::TRect& R, gfx::TColor C) {
  int N = 0;
  for (int Y = R.Top; Y < R.Bottom; ++Y)
    for (int X = R.Left; X < R.Right; ++X) N += B.Pixel(X, Y) == C;
  return N;
}

void Whiten(gfx::TBitmap& B) {
  B.Canvas().Brush = {gfx::clWhite, gfx::bsSolid};
  B.Canvas().FillRect({0, 0, B.Width(), B.Height()});
}

// Every primitive the views and the chart use, with pens, hatches, clipping, text and bitmaps.
void Scene(gfx::TCanvas& C) {
  C.Pen = {0x000000, 3, gfx::psSolid, gfx::pmCopy};
  C.Brush = {0x00C000, gfx::bsSolid};
  C.Rectangle(10, 10, 70, 50);
  C.Brush.Color = 0xC00000;
  C.Ellipse(80, 20, 150, 100);
  C.Brush.Color = 0x0000C0;
  C.Polygon({{10, 110}, {40, 60}, {70, 110}});
  C.Pen = {0x808000, 1, gfx::psSolid, gfx::pmCopy};
  C.MoveTo(0, 115);
  C.LineTo(200, 115);
  C.Polyline({{160, 10}, {190, 40}, {160, 70}});
  C.Brush = {0x0080FF, gfx::bsCross};
  C.BkMode = gfx::bkTransparent;
  C.Rectangle(160, 80, 196, 110);
  C.Brush = {0xFF00FF, gfx::bsSolid};
  C.FillRect({2, 122, 40, 140});
  C.RoundRect(50, 120, 90, 146, 10, 10);
  gfx::TBitmap B(4, 4);
  for (int Y = 0; Y < 4; ++Y)
    for (int X = 0; X < 4; ++X) B.SetPixel(X, Y, Y < 2 ? 0x0000FF : 0xFF0000);
  C.StretchDraw({100, 110, 140, 150}, B);
  C.SetClipRect(gfx::TRect{150, 120, 175, 150});
  C.Brush = {0x004080, gfx::bsSolid};
  C.Pen.Style = gfx::psClear;
  C.Rectangle(140, 110, 200, 160);
  C.SetClipRect(std::nullopt);
  C.Font.SetName("Arial");
  C.Font.SetColor(0x000080);
  gfx::TTextOut T;
  T.X = 12;
  T.Y = 64;
  T.Text = u"Played";
  T.FontHeight = 14;
  C.ExtTextOut(T);
}

} // namespace

TEST(EMFtoCanvas, PlayedMetafileMatchesTheDirectDrawing) {
  const int W = 200, H = 160;
  gfx::TBitmap Direct(W, H);
  Whiten(Direct);
  Scene(Direct.Canvas());
  gfx::TMetafileCanvas Meta(W, H);
  Scene(Meta);
  gfx::TBitmap Played(W, H);
  Whiten(Played);
  PlayOn(Meta.Bytes(), Played.Canvas(), {0, 0, W, H});
  // Shapes keep the device rules, text its advances: nearly every pixel agrees.
  EXPECT_LT(Differing(Direct, Played), W * H / 200) << Differing(Direct, Played) << " pixels differ";
  // The clipped rectangle stays inside its clip.
  EXPECT_EQ(Played.Pixel(145, 130), Direct.Pixel(145, 130));
  EXPECT_EQ(Played.Pixel(160, 130), 0x004080);
  EXPECT_EQ(Played.Pixel(180, 130), Direct.Pixel(180, 130));
}

TEST(EMFtoCanvas, TheFrameIsStretchedOntoTheTargetAndClippedToIt) {
  gfx::TMetafileCanvas Meta(100, 50);
  Meta.Brush = {0x0000FF, gfx::bsSolid};
  Meta.FillRect({10, 10, 50, 30});
  // Beyond the frame: never drawn outside the target.
  Meta.FillRect({90, 40, 400, 400});
  const std::string Emf = Meta.Bytes();
  struct Case {
    gfx::TRect Target;
    gfx::TRect Red;  // where the first rectangle lands
  } Cases[] = {
      {{0, 0, 100, 50}, {10, 10, 50, 30}},
      {{20, 30, 220, 130}, {40, 50, 120, 90}},   // twice the size, moved
      {{0, 0, 50, 25}, {5, 5, 25, 15}},          // half the size
  };
  for (const Case& K : Cases) {
    gfx::TBitmap B(240, 140);
  Whiten(B);
    PlayOn(Emf, B.Canvas(), K.Target);
    const gfx::TRect& R = K.Red;
    EXPECT_EQ(CountColor(B, R, 0x0000FF), R.Width() * R.Height()) << K.Target.Left << "," << K.Target.Top;
    EXPECT_EQ(B.Pixel(R.Left - 1, R.Top), gfx::clWhite);
    EXPECT_EQ(B.Pixel(R.Right, R.Bottom - 1), gfx::clWhite);
    EXPECT_EQ(B.Pixel(K.Target.Right, K.Target.Bottom - 1), gfx::clWhite) << "drawn beyond the target";
    EXPECT_EQ(B.Pixel(K.Target.Right - 1, K.Target.Bottom - 1), 0x0000FF);
    EXPECT_FALSE(B.Canvas().ClipRect()) << "the canvas gets its clip back";
  }
}

TEST(EMFtoCanvas, ChartMetafileDrawsLikeTheChartItself) {
  chart::TChart C;
  C.Width = 480;
  C.Height = 320;
  C.Title.Text = {"Flow versus travel"};
  C.LeftAxis.Title = "Flow gpm";
  C.BottomAxis.Title = "% Travel";
  C.Border = {gfx::clBlack, 2, true};
  auto* Line = C.AddSeries(std::make_unique<chart::TLineSeries>());
  Line->LinePen.Width = 2;
  for (int I = 2; I <= 18; ++I) Line->Add(I * I * 1.5, std::to_string(I * 5), 0x0000FF);
  auto* Marks = C.AddSeries(std::make_unique<chart::TPointSeries>());
  Marks->Pointer.HorizSize = Marks->Pointer.VertSize = 3;
  Marks->AddXY(8, 90, "Norm Cv 31.0", 0x008000);
  gfx::TBitmap Direct(C.Width, C.Height);
  Whiten(Direct);
  C.Draw(Direct.Canvas(), {0, 0, C.Width, C.Height});
  gfx::TBitmap Played(C.Width, C.Height);
  Whiten(Played);
  PlayOn(C.ChartCreateMetafile({0, 0, C.Width, C.Height}).Bytes, Played.Canvas(), {0, 0, C.Width, C.Height});
  EXPECT_LT(Differing(Direct, Played), C.Width * C.Height / 200) << Differing(Direct, Played) << " pixels differ";
}

// Written by the independent metafile library (LibEMFWriter.cpp): a rectangle, an ellipse,
// curves, a polygon and text, some of it turned.
std::string LibEMFDrawing();

TEST(EMFtoCanvas, MetafileOfAnIndependentWriterDraws) {
  const std::string Emf = LibEMFDrawing();
  ASSERT_GT(Emf.size(), 108u);
  gfx::TBitmap B(400, 300);
  Whiten(B);
  PlayOn(Emf, B.Canvas(), {0, 0, 400, 300});
  // Its coordinates are pixels of the writer's reference device: the frame (400 by 300 pixels
  // at 96 per inch) covers fewer of them, so the drawing is scaled up by K.
  std::int32_t Device = 0, Millimetres = 0;
  std::memcpy(&Device, Emf.data() + 72, 4);
  std::memcpy(&Millimetres, Emf.data() + 80, 4);
  const double K = 400 / (double(Device) / Millimetres * 105.83);
  auto At = [K](int X, int Y) { return std::pair{static_cast<int>(X * K), static_cast<int>(Y * K)}; };
  auto Around = [&](int X, int Y, int R) {
    const auto [PX, PY] = At(X, Y);
    return gfx::TRect{PX - R, PY - R, PX + R + 1, PY + R + 1};
  };
  const gfx::TColor Fill = 0xC8E6C8, Blue = 0xFF0000;
  EXPECT_EQ(B.Pixel(At(5, 150).first, At(5, 150).second), gfx::clWhite) << "outside the rectangle";
  EXPECT_EQ(B.Pixel(At(300, 200).first, At(300, 200).second), Fill) << "inside the rectangle";
  EXPECT_GT(CountColor(B, Around(10, 150, 3), Blue), 0) << "the rectangle's outline";
  EXPECT_GT(CountColor(B, Around(40, 70, 3), Blue), 0) << "the ellipse's left edge";
  EXPECT_EQ(CountColor(B, Around(90, 55, 3), Blue), 0) << "the ellipse's inside";
  EXPECT_GT(CountColor(B, Around(120, 90, 3), Blue), 0) << "the line through the ellipse";
  const auto [TX, TY] = At(160, 40);
  EXPECT_GT(CountColor(B, {TX, TY, TX + 120, TY + 24}, gfx::clBlack), 40) << "the text";
  // Turned a quarter upwards from its reference point: a tall, narrow patch of ink.
  const auto [UX, UY] = At(60, 250);
  EXPECT_GT(CountColor(B, {UX, UY - 70, UX + 24, UY}, gfx::clBlack), 40) << "the turned text";
  EXPECT_EQ(CountColor(B, {UX + 24, UY - 20, UX + 90, UY}, gfx::clBlack), 0) << "the turned text runs upwards";
}

TEST(EMFtoCanvas, MetafileGraphicsDrawThroughTheRegisteredPlayer) {
  EMFCanvasPlayerInitialization();
  gfx::TMetafileCanvas Meta(40, 20);
  Meta.Brush = {0x00FF00, gfx::bsSolid};
  Meta.FillRect({0, 0, 40, 20});
  gfx::TPicture P;
  P.SetGraphic(Meta.Metafile());
  gfx::TBitmap B(100, 60);
  Whiten(B);
  P.Graphic()->Draw(B.Canvas(), {10, 10, 90, 50});
  EXPECT_EQ(CountColor(B, {10, 10, 90, 50}, 0x00FF00), 80 * 40);
  EXPECT_EQ(B.Pixel(9, 9), gfx::clWhite);
  EXPECT_EQ(B.Pixel(90, 50), gfx::clWhite);
}

// The chart page's road: a picture view holding the chart's metafile, drawn onto a raster page.
TEST(EMFtoCanvas, PictureViewDrawsItsMetafileOntoARasterPage) {
  enginesetup::StartResources();
  EMFCanvasPlayerInitialization();
  chart::TChart C;
  C.Width = 300;
  C.Height = 200;
  C.LeftAxis.Title = "Flow gpm";
  auto* Line = C.AddSeries(std::make_unique<chart::TLineSeries>());
  for (int I = 0; I < 10; ++I) Line->Add(I * 3.0);
  const chart::TChartMetafile M = C.ChartCreateMetafile({0, 0, C.Width, C.Height});

  TrepReport Report(nullptr);
  auto* Page = new TrepReportPage(&Report);
  auto* View = new TrepPictureView(Page);
  View->SetLeft(20);
  View->SetTop(10);
  View->SetWidth(300);
  View->SetHeight(200);
  View->Picture().SetGraphic(M.Metafile());
  gfx::TBitmap OnPage(340, 220);
  Whiten(OnPage);
  View->Draw(OnPage.Canvas(), 1, 1, 0, 0);
  gfx::TBitmap Expected(340, 220);
  Whiten(Expected);
  PlayOn(M.Bytes, Expected.Canvas(), {20, 10, 320, 210});
  EXPECT_LT(Differing(Expected, OnPage), 340 * 220 / 200);
  EXPECT_GT(CountColor(OnPage, {20, 10, 320, 210}, gfx::clBlack), 200) << "the chart's axes and texts";
}

// ---------------------------------------------------------------------------------------------
// Damaged metafiles

TEST(EMFtoCanvasHostile, DamagedMetafilesEndCleanlyAndGiveTheCanvasBack) {
  gfx::TMetafileCanvas C(120, 80);
  Scene(C);
  C.SetClipRect(gfx::TRect{0, 0, 100, 60});
  gfx::TTextOut T;
  T.X = 10;
  T.Y = 10;
  T.Text = u"Ab";
  T.Escapement = 450;
  T.FontHeight = 12;
  C.ExtTextOut(T);
  const std::string Good = C.Bytes();
  const std::vector<std::string> Corpus =
      DamagedCorpus(Good, 13, {0, 1, 7, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0x7F800000u, 0x7FC00000u});
  gfx::TBitmap B(60, 40);
  gfx::TCanvas& Canvas = B.Canvas();
  Canvas.SetClipRect(gfx::TRect{1, 1, 59, 39});
  Canvas.Pen.Width = 2;
  int Played = 0;
  for (const std::string& S : Corpus) {
    try {
      PlayOn(S, Canvas, {5, 5, 55, 35});
      ++Played;
    } catch (const EEMFError&) {
    }
    ASSERT_EQ(Canvas.ClipRect(), std::optional<gfx::TRect>(gfx::TRect{1, 1, 59, 39}));
    ASSERT_EQ(Canvas.Pen.Width, 2);
  }
  EXPECT_GT(Played, 100);
}
