// The engine's bitmap helpers, checked in pixels.
#include <gtest/gtest.h>

#include "report/engine/repGraphicUtils.h"

namespace {

void Fill(gfx::TBitmap& B, gfx::TColor C) {
  B.Canvas().Brush = gfx::TBrush{C, gfx::bsSolid};
  B.Canvas().FillRect({0, 0, B.Width(), B.Height()});
}

} // namespace

TEST(GraphicUtils, PatternAndDisabledBitmaps) {
  gfx::TBitmap B(4, 2);
  DrawPatternRect(B.Canvas(), {0, 0, 4, 2}, 0x0000FF);
  EXPECT_EQ(B.Pixel(0, 0), 0x0000FF);
  EXPECT_EQ(B.Pixel(1, 0), gfx::clWhite);
  EXPECT_EQ(B.Pixel(0, 1), gfx::clWhite);
  EXPECT_EQ(B.Pixel(1, 1), 0x0000FF);

  // (r + g + b) div 3 = 85 for pure red: 85 / 3 rounds to 28, plus 150.
  gfx::TBitmap R(1, 1);
  Fill(R, 0x0000FF);
  MakeDisabledBitmap(R);
  EXPECT_EQ(R.Pixel(0, 0), 0xB2B2B2);
  gfx::TBitmap W(1, 1);
  MakeDisabledBitmap(W);
  EXPECT_EQ(W.Pixel(0, 0), 0xEBEBEB);  // 255 / 3 = 85, plus 150
}

TEST(GraphicUtils, ScalingStripsAndMasks) {
  gfx::TBitmap B(10, 4);
  ScaleBitmapToPPI(B, 96);
  EXPECT_EQ(B.Width(), 10);
  ScaleBitmapToPPI(B, 144);
  EXPECT_EQ(B.Width(), 15);
  EXPECT_EQ(B.Height(), 6);

  // A 3 x 2 strip of 4 x 4 cells plus a partial column and row: six whole cells.
  gfx::TBitmap Strip(14, 10);
  std::vector<std::unique_ptr<gfx::TBitmap>> List, Disabled;
  AddImageStrip(Strip, 4, 4, &Disabled, List);
  EXPECT_EQ(List.size(), 6u);
  EXPECT_EQ(Disabled.size(), 6u);
  EXPECT_TRUE(List[0]->Transparent);

  gfx::TBitmap Dest(2, 1), Src(2, 1);
  Fill(Dest, 0x00FF00);
  Src.SetPixel(0, 0, 0x0000FF);  // the mask colour keeps the destination
  Src.SetPixel(1, 0, 0xFF0000);
  ApplyTransparencyMask(Dest, 0, 0, 2, 1, Src, 0, 0, 2, 1, 0x0000FF);
  EXPECT_EQ(Dest.Pixel(0, 0), 0x00FF00);
  EXPECT_EQ(Dest.Pixel(1, 0), gfx::clBlack);
}

TEST(GraphicUtils, GraphicsDrawWithTransparencyAndPngGainsAlpha) {
  gfx::TBitmap Src(2, 1);
  Src.SetPixel(0, 0, 0x0000FF);
  Src.SetPixel(1, 0, 0xFFFFFF);
  gfx::TBitmap Out(2, 1);
  Fill(Out, 0x00FF00);
  DrawGraphic(Out.Canvas(), {0, 0, 2, 1}, &Src, gfx::clWhite, true);
  EXPECT_EQ(Out.Pixel(0, 0), 0x0000FF);
  EXPECT_EQ(Out.Pixel(1, 0), 0x00FF00);  // the white pixel was left out
  DrawGraphic(Out.Canvas(), {0, 0, 2, 1}, &Src, gfx::clWhite, false);
  EXPECT_EQ(Out.Pixel(1, 0), gfx::clWhite);

  gfx::TPNGObject Opaque;
  Opaque.Assign(Src);
  auto A = ConvertPngToAlpha(Opaque);
  ASSERT_NE(A->Pixels(), nullptr);
  EXPECT_EQ(A->Pixels()->PixelFormat(), gfx::pf32bit);
  EXPECT_EQ(A->Pixels()->Alpha(1, 0), 255);
  EXPECT_EQ(A->Pixels()->Pixel(0, 0), 0x0000FF);

  double SX = 0, SY = 0;
  GetDisplayScale(false, SX, SY);
  EXPECT_EQ(SX, 1);
  EXPECT_EQ(SY, 1);
}
