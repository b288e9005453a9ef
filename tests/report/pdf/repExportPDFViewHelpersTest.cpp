// The PDF export's bitmap and view helpers.
#include <gtest/gtest.h>

#include "report/pdf/repExportPDFViewHelpers.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repClassReport.h"

TEST(PDFViewHelpers, Bitmaps) {
  auto B = CreateBitmap(gfx::pf32bit, 3, 2);
  EXPECT_EQ(B->PixelFormat(), gfx::pf32bit);
  EXPECT_EQ(BitmapPixelCount(*B), 6);
  auto L = CreateBitmapLike(gfx::pf24bit, *B);
  EXPECT_EQ(L->Width(), 3);
  EXPECT_EQ(L->PixelFormat(), gfx::pf24bit);
  FillBitmap(*L, 0x00FF00);
  EXPECT_EQ(L->Pixel(2, 1), 0x00FF00);

  B->ScanLine(0)[1] = 0x40000000u;
  B->ScanLine(1)[2] = 0x00000000u;
  std::vector<std::uint8_t> Mask;
  ReadAlphaMask(*B, Mask);
  EXPECT_EQ(Mask, (std::vector<std::uint8_t>{255, 0x40, 255, 255, 255, 0}));
}

TEST(PDFViewHelpers, Views) {
  TrepReport R(nullptr);
  auto* Page = new TrepReportPage(&R);
  auto* S = new TrepShapeView(Page);
  S->SetBounds(10, 20, 100, 50);
  S->Frame().DropShadow = true;
  S->Frame().ShadowWidth = 4;
  TrepViewBounds B;
  ViewExportBounds(S, B);
  EXPECT_EQ(B.Width, 96);
  EXPECT_EQ(B.Bottom, 66);
  EXPECT_TRUE(IsClosedShape(S));
  S->Shape = skDiagonal1;
  EXPECT_FALSE(IsClosedShape(S));
  EXPECT_TRUE(IsShapeKind(S, {skDiagonal1, skDiagonal2}));
  EXPECT_FALSE(IsClosedShape(new TrepView(Page)));

  auto* P = new TrepPictureView(Page);
  gfx::TBitmap Half(1, 1, gfx::pf32bit);
  Half.ScanLine(0)[0] = 0x80800000u;
  auto Png = std::make_unique<gfx::TPNGObject>();
  Png->Assign(Half);
  P->Picture().SetGraphic(std::move(Png));
  EXPECT_FALSE(IsTransparentPNG(P));  // the view is not transparent
  P->Transparent = true;
  EXPECT_TRUE(IsTransparentPNG(P));
}
