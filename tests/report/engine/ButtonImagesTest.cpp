// The preview's tool-bar pictures: the strip drawn at a resolution, the lists cut from it, and
// the lists kept per resolution.
#include <gtest/gtest.h>

#include "report/engine/repButtonImages.h"
#include "report/engine/repRes.h"

namespace {

int OpaquePixels(const gfx::TBitmap& B) {
  int N = 0;
  for (int Y = 0; Y < B.Height(); ++Y)
    for (int X = 0; X < B.Width(); ++X) N += B.Alpha(X, Y) == 255;
  return N;
}

}  // namespace

TEST(ButtonImages, ThePreviewListHasEveryCellAtItsResolution) {
  struct Case {
    int PPI, Cell;
  };
  for (const Case C : {Case{96, 16}, Case{144, 24}, Case{150, 24}, Case{120, 20}, Case{48, 16}}) {
    const TrepImageList& L = repImageLists().PreviewButtonImages(C.PPI);
    ASSERT_EQ(L.Count(), repPreviewButtonCount) << C.PPI;
    EXPECT_EQ(L.Width(), C.Cell) << C.PPI;
    EXPECT_EQ(L.Images(27).Height(), C.Cell) << C.PPI;
  }
  EXPECT_THROW(repImageLists().PreviewButtonImages(96).Images(repPreviewButtonCount), rt::EListError);
}

TEST(ButtonImages, DrawnCellsHaveInkAndTheBackgroundIsSeeThrough) {
  const TrepImageList& L = repImageLists().PreviewButtonImages(96);
  // The tools of the preview window have pictures; the indexes it does not use stay empty.
  for (int I : {0, 1, 2, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 21, 22, 23, 24, 25, 26, 27}) {
    const int Ink = OpaquePixels(L.Images(I));
    EXPECT_GT(Ink, 10) << I;
    EXPECT_LT(Ink, 16 * 16) << I << ": the corners are transparent";
  }
  for (int I : {3, 6, 17, 18, 19, 20}) EXPECT_EQ(OpaquePixels(L.Images(I)), 0) << I;
  EXPECT_EQ(L.Images(0).Alpha(0, 0), 0);
  // Different tools, different pictures.
  const auto Same = [](const gfx::TBitmap& A, const gfx::TBitmap& B) {
    for (int Y = 0; Y < A.Height(); ++Y)
      for (int X = 0; X < A.Width(); ++X)
        if (A.Pixel(X, Y) != B.Pixel(X, Y) || A.Alpha(X, Y) != B.Alpha(X, Y)) return false;
    return true;
  };
  EXPECT_FALSE(Same(L.Images(8), L.Images(11)));
  EXPECT_FALSE(Same(L.Images(15), L.Images(16)));
}

TEST(ButtonImages, AListIsKeptForItsResolutionAndComesBackWithIt) {
  TrepResources R;
  const TrepImageList* At96 = &R.PreviewButtonImages();
  R.SetImagesPPI(150);
  const TrepImageList* At144 = &R.PreviewButtonImages();
  EXPECT_NE(At96, At144);
  EXPECT_EQ(At144->Width(), 24);
  R.SetImagesPPI(96);
  EXPECT_EQ(&R.PreviewButtonImages(), At96);
}

TEST(ButtonImages, CuttingTakesWholeCellsRowByRow) {
  gfx::TBitmap Strip(40, 25, gfx::pf24bit);
  Strip.Canvas().Brush = gfx::TBrush{repStripTransparentColor, gfx::bsSolid};
  Strip.Canvas().FillRect(gfx::TRect{0, 0, 40, 25});
  Strip.SetPixel(12, 3, gfx::TColor{0x0000FF});  // second cell of the first row
  TrepImageList L(10, 10);
  L.AddStrip(Strip, repStripTransparentColor);
  ASSERT_EQ(L.Count(), 8) << "4 cells a row, 2 whole rows; the half row below is left";
  EXPECT_EQ(L.Images(1).Alpha(2, 3), 255);
  EXPECT_EQ(L.Images(1).Pixel(2, 3), gfx::TColor{0x0000FF});
  EXPECT_EQ(OpaquePixels(L.Images(0)), 0);
  EXPECT_EQ(OpaquePixels(L.Images(1)), 1);
}
