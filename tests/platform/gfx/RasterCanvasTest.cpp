#include "platform/gfx/RasterCanvas.h"

#include <gtest/gtest.h>

#include "platform/gfx/Picture.h"

using namespace gfx;

namespace {

constexpr TColor Red = 0x0000FF, Blue = 0xFF0000, Green = 0x00FF00;

// The bitmap as rows of characters: '.' white, 'r' red, 'b' blue, 'g' green, '?' anything else.
std::vector<std::string> Picture(const TBitmap& B) {
  std::vector<std::string> Rows;
  for (int Y = 0; Y < B.Height(); ++Y) {
    std::string R;
    for (int X = 0; X < B.Width(); ++X) {
      const TColor C = B.Pixel(X, Y);
      R += C == clWhite ? '.' : C == Red ? 'r' : C == Blue ? 'b' : C == Green ? 'g' : '?';
    }
    Rows.push_back(R);
  }
  return Rows;
}

using Rows = std::vector<std::string>;

} // namespace

TEST(RasterCanvas, ShapesKeepTheDeviceRules) {
  struct Case {
    const char* Name;
    std::function<void(TCanvas&)> Draw;
    Rows Expected;
  };
  const Case Cases[] = {
      {"fill excludes right and bottom", [](TCanvas& C) { C.Brush.Color = Red; C.FillRect({1, 1, 4, 3}); },
       {"......", ".rrr..", ".rrr..", "......"}},
      {"rectangle outline and inside",
       [](TCanvas& C) { C.Pen.Color = Blue; C.Brush.Color = Red; C.Rectangle(0, 0, 5, 3); },
       {"bbbbb.", "brrrb.", "bbbbb.", "......"}},
      {"rectangle with a clear brush",
       [](TCanvas& C) { C.Pen.Color = Blue; C.Brush.Style = bsClear; C.Rectangle(1, 0, 5, 4); },
       {".bbbb.", ".b..b.", ".b..b.", ".bbbb."}},
      {"line leaves out its end point",
       [](TCanvas& C) { C.Pen.Color = Green; C.MoveTo(0, 1); C.LineTo(4, 1); C.MoveTo(5, 3); C.LineTo(5, 0); },
       {"......", "gggg.g", ".....g", ".....g"}},
      {"clip rectangle", [](TCanvas& C) { C.SetClipRect(TRect{2, 0, 4, 4}); C.Brush.Color = Red; C.FillRect({0, 0, 6, 4}); },
       {"..rr..", "..rr..", "..rr..", "..rr.."}},
      {"polygon filled", [](TCanvas& C) {
         C.Pen.Style = psClear; C.Brush.Color = Blue; C.Polygon({{0, 0}, {4, 0}, {4, 4}, {0, 4}}); },
       {"bbbb..", "bbbb..", "bbbb..", "bbbb.."}},
      {"pixels", [](TCanvas& C) { C.SetPixel(5, 3, Red); C.SetPixel(9, 9, Red); },
       {"......", "......", "......", ".....r"}},
  };
  for (const Case& K : Cases) {
    SCOPED_TRACE(K.Name);
    TBitmap B(6, 4);
    K.Draw(B.Canvas());
    EXPECT_EQ(Picture(B), K.Expected);
  }
}

TEST(RasterCanvas, EllipseAndHatchStayInside) {
  TBitmap B(20, 10);
  TCanvas& C = B.Canvas();
  C.Pen.Color = Blue;
  C.Brush.Color = Red;
  C.Ellipse(0, 0, 20, 10);
  EXPECT_EQ(B.Pixel(0, 0), clWhite);   // corners stay outside
  EXPECT_EQ(B.Pixel(10, 5), Red);       // inside
  EXPECT_EQ(B.Pixel(10, 0), Blue);      // top of the outline
  EXPECT_EQ(B.Pixel(19, 9), clWhite);

  TBitmap H(8, 8);
  H.Canvas().Brush.Color = Green;
  H.Canvas().Brush.Style = bsHorizontal;
  H.Canvas().FillRect({0, 0, 8, 8});
  int Inked = 0;
  for (int Y = 0; Y < 8; ++Y) Inked += H.Pixel(3, Y) == Green;
  EXPECT_EQ(Inked, 1);  // one hatch line per 8 pixels, white between (opaque background)
  EXPECT_EQ(H.Pixel(3, 4), clWhite);
}

TEST(RasterCanvas, StretchDrawScalesAndLeavesOutTheTransparentColour) {
  TBitmap Src(2, 1);
  Src.SetPixel(0, 0, Red);
  Src.SetPixel(1, 0, Blue);
  TBitmap B(6, 2);
  B.Canvas().StretchDraw({0, 0, 4, 2}, Src);
  EXPECT_EQ(Picture(B), (Rows{"rrbb..", "rrbb.."}));

  TBitmap T(4, 1);
  T.Canvas().Brush.Color = Green;
  T.Canvas().FillRect({0, 0, 4, 1});
  T.Canvas().StretchDraw({0, 0, 4, 1}, Src, Blue);
  EXPECT_EQ(Picture(T), (Rows{"rrgg"}));

  // Alpha blends: a half-transparent red over white.
  TBitmap A(1, 1, pf32bit);
  A.ScanLine(0)[0] = 0x80800000u;
  TBitmap W(1, 1);
  W.Canvas().StretchDraw({0, 0, 1, 1}, A);
  const TColor C = W.Pixel(0, 0);
  EXPECT_EQ(C & 0xFF, 0xFF);
  EXPECT_NEAR(C >> 8 & 0xFF, 0x7F, 2);
}

// Bitmaps wider or taller than cairo takes (32,767 pixels) were left out, and every draw leaked
// cairo's error pattern; they are sampled down and drawn like any other.
TEST(RasterCanvas, ABitmapWiderOrTallerThanCairoTakesLeaksAndDrawsNothing) {
  const int Long = 40000;
  struct Case {
    int W, H;
    Rows Expected;
  } Cases[] = {{Long, 2, {"rrbb", "rrbb"}}, {2, Long, {"rr", "rr", "bb", "bb"}}};
  for (const Case& C : Cases) {
    TBitmap Src(C.W, C.H);
    // The first half red, the second blue, along the long side.
    for (int Y = 0; Y < C.H; ++Y)
      for (int X = 0; X < C.W; ++X) {
        const bool First = C.W > C.H ? X < C.W / 2 : Y < C.H / 2;
        Src.ScanLine(Y)[X] = First ? 0xFFFF0000u : 0xFF0000FFu;
      }
    TBitmap B(static_cast<int>(C.Expected[0].size()), static_cast<int>(C.Expected.size()));
    for (bool Smooth : {false, true}) {
      B.Canvas().StretchDraw({0, 0, B.Width(), B.Height()}, Src, clNone, Smooth);
      EXPECT_EQ(Picture(B), C.Expected) << C.W << " x " << C.H << (Smooth ? " smooth" : "");
    }
  }
  // A canvas cairo cannot draw on says so instead of drawing nothing in silence.
  TBitmap Wide(32768, 1), Small(1, 1);
  EXPECT_THROW(Wide.Canvas().StretchDraw({0, 0, 1, 1}, Small), EInvalidGraphic);
}

TEST(RasterCanvas, TurnedTextRunsAlongItsEscapementFromTheCellCorner) {
  struct Case {
    int Escapement;
    bool Long;  // the ink is longer across than down
    int Left, Top, Right, Bottom;  // where the ink must lie (-1: no bound)
  } Cases[] = {
      {0, true, 100, 100, -1, 125},     // to the right, below the corner
      {900, false, 100, -1, 125, 101},  // upwards, right of the corner
      {1800, true, -1, 75, 101, 101},   // to the left, above the corner
      {2700, false, 75, 100, 101, -1},  // downwards, left of the corner
  };
  for (const Case& K : Cases) {
    TBitmap B(200, 200);
    B.Canvas().Brush = {clWhite, bsSolid};
    B.Canvas().FillRect({0, 0, 200, 200});
    B.Canvas().Font.SetName("Arial");
    B.Canvas().Font.SetColor(Red);
    TTextOut T;
    T.X = 100;
    T.Y = 100;
    T.Text = u"Turned text";
    T.FontHeight = 16;
    T.Escapement = K.Escapement;
    B.Canvas().ExtTextOut(T);
    TRect Ink{200, 200, -1, -1};
    for (int Y = 0; Y < 200; ++Y)
      for (int X = 0; X < 200; ++X)
        if (B.Pixel(X, Y) == Red) Ink = {std::min(Ink.Left, X), std::min(Ink.Top, Y), std::max(Ink.Right, X + 1),
                                         std::max(Ink.Bottom, Y + 1)};
    ASSERT_GT(Ink.Right, Ink.Left) << K.Escapement;
    EXPECT_EQ(Ink.Width() > 3 * Ink.Height(), K.Long) << K.Escapement;
    EXPECT_EQ(Ink.Height() > 3 * Ink.Width(), !K.Long) << K.Escapement;
    if (K.Left >= 0) {
      EXPECT_GE(Ink.Left, K.Left) << K.Escapement;
    }
    if (K.Top >= 0) {
      EXPECT_GE(Ink.Top, K.Top) << K.Escapement;
    }
    if (K.Right >= 0) {
      EXPECT_LE(Ink.Right, K.Right) << K.Escapement;
    }
    if (K.Bottom >= 0) {
      EXPECT_LE(Ink.Bottom, K.Bottom) << K.Escapement;
    }
  }
}

namespace {

// The ink of one character drawn at (20, 20) in a family, cropped to its box.
Rows InkOf(const char* Family, std::u16string Text) {
  TBitmap B(120, 120);
  B.Canvas().Brush = {clWhite, bsSolid};
  B.Canvas().FillRect({0, 0, 120, 120});
  B.Canvas().Font.SetName(Family);
  B.Canvas().Font.SetColor(Red);
  TTextOut T;
  T.X = 20;
  T.Y = 20;
  T.Text = std::move(Text);
  T.FontHeight = 40;
  B.Canvas().ExtTextOut(T);
  const Rows All = Picture(B);
  int L = 120, R = -1, Tp = 120, Bt = -1;
  for (int Y = 0; Y < 120; ++Y)
    for (int X = 0; X < 120; ++X)
      if (All[static_cast<std::size_t>(Y)][static_cast<std::size_t>(X)] == 'r')
        L = std::min(L, X), R = std::max(R, X), Tp = std::min(Tp, Y), Bt = std::max(Bt, Y);
  Rows Ink;
  for (int Y = Tp; Y <= Bt; ++Y) Ink.push_back(All[static_cast<std::size_t>(Y)].substr(static_cast<std::size_t>(L), static_cast<std::size_t>(R - L + 1)));
  return Ink;
}

} // namespace

TEST(RasterCanvas, MissingCharactersAreDrawnByTheFallbackChain) {
  // Each character drawn in Arial looks exactly as in the face of the chain that has it, not
  // as Arial's missing-glyph box.
  struct Case {
    std::u16string Text;
    const char* Face;
  } Cases[] = {{u"\u029F", "DejaVu Sans"}, {u"\u5317", "WenQuanYi Micro Hei"}};
  const Rows Box = InkOf("Arial", u"\uE000");
  for (const Case& K : Cases) {
    const Rows Ink = InkOf("Arial", K.Text);
    ASSERT_FALSE(Ink.empty()) << K.Face;
    EXPECT_EQ(Ink, InkOf(K.Face, K.Text)) << K.Face;
    EXPECT_NE(Ink, Box) << K.Face;
  }
}
