// Font values with their change notice, and the canvas that records what is drawn on it.
#include <gtest/gtest.h>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Font.h"

TEST(GfxFont, MulDivRoundsHalvesAwayFromZero) {
  struct Case {
    int V, N, D, R;
  } Cases[] = {{10, 96, 72, 13}, {3, 1, 2, 2}, {-3, 1, 2, -2}, {5, 1, -2, -3}, {7, 1, 0, -1}, {1, 1, 3, 0}};
  for (const Case& C : Cases) EXPECT_EQ(gfx::MulDiv(C.V, C.N, C.D), C.R) << C.V << " " << C.N << " " << C.D;
}

TEST(GfxFont, ChangesAreReportedOnceAndOnlyForRealChanges) {
  gfx::TFont F;
  EXPECT_EQ(F.Name(), "Arial");
  EXPECT_EQ(F.Size(), 10);
  EXPECT_EQ(F.Height(), -13);
  int Changes = 0;
  F.OnChange = [&](gfx::TFont&) { ++Changes; };
  F.SetSize(10);
  F.SetName("");
  F.SetColor(gfx::clBlack);
  EXPECT_EQ(Changes, 0);
  F.SetHeight(-16);
  EXPECT_EQ(F.Size(), 12);
  F.SetStyle(gfx::FontStyles({gfx::fsItalic, gfx::fsStrikeOut}));
  EXPECT_EQ(F.Style(), 10u);
  EXPECT_EQ(Changes, 2);

  gfx::TFont Source;
  Source.SetName("Tahoma");
  Source.SetCharset(204);
  Source.PixelsPerInch = 120;
  F.Assign(Source);
  EXPECT_EQ(Changes, 3);
  EXPECT_TRUE(F.SameAs(Source));
  EXPECT_EQ(F.PixelsPerInch, 96) << "the size in points carries over, not the resolution";
  Source.SetName("TAHOMA");
  EXPECT_TRUE(F.SameAs(Source));
}

TEST(GfxCanvas, TheRecordingCanvasKeepsOperationsWithTheirState) {
  gfx::TRecordingCanvas C;
  C.Brush.Color = 0x0000FF;
  C.FillRect({0, 0, 10, 5});
  C.Brush.Style = gfx::bsBDiagonal;
  C.BkMode = gfx::bkTransparent;
  C.Pen.Style = gfx::psClear;
  C.Rectangle(0, 0, 11, 6);
  C.Pen = gfx::TPen{0x00FF00, 1, gfx::psDash, gfx::pmXor};
  C.MoveTo(1, 2);
  C.LineTo(5, 2);
  C.LineTo(5, 9);
  C.SetClipRect(gfx::TRect{0, 0, 4, 4});
  C.Brush.Style = gfx::bsClear;
  C.Ellipse(1, 1, 3, 3);
  EXPECT_TRUE(C.GeometricLine(0, 0, 10, 0, {0x123456, 3, gfx::pecSquare, {}}));
  EXPECT_TRUE(C.GeometricLine(0, 0, 10, 0, {0, 2, gfx::pecRound, {0, 4}}));
  C.SetClipRect(std::nullopt);
  C.AllowGeometricPens = false;
  EXPECT_FALSE(C.GeometricLine(0, 0, 1, 1, {}));
  EXPECT_EQ(C.Texts(), (std::vector<std::string>{
                           "fill 0,0 10,5 0000FF",
                           "rect 0,0 11,6 pen clear brush 0000FF bdiagonal transparent",
                           "line 1,2 5,2 pen 00FF00 w1 dash xor",
                           "line 5,2 5,9 pen 00FF00 w1 dash xor",
                           "clip 0,0 4,4",
                           "ellipse 1,1 3,3 pen 00FF00 w1 dash xor brush clear",
                           "gline 0,0 10,0 123456 w3 square",
                           "gline 0,0 10,0 000000 w2 round dashes 0,4",
                           "clip none",
                       }));
  EXPECT_EQ(C.PenPos(), (gfx::TPoint{5, 9}));
  ASSERT_TRUE(C.Ops[5].Clip.has_value());
  EXPECT_EQ(*C.Ops[5].Clip, (gfx::TRect{0, 0, 4, 4}));
}
