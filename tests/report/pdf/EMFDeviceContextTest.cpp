#include "report/pdf/repEMFAbstractExport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "EMFWriter.h"

using namespace emftest;

namespace {

TEST(EMFDeviceContext, FreshContextAnswersTheDefaults) {
  Played X(Metafile({}));
  const TDeviceContext& D = X.P.DC();
  EXPECT_EQ(D.FontFamily(), "Serif");
  EXPECT_EQ(D.FontSize(), 12);
  EXPECT_EQ(D.FontWeight(), 400);
  EXPECT_EQ(D.FontCharSet(), 1);
  EXPECT_FALSE(D.FontItalic());
  EXPECT_EQ(D.FontOrientation(), 0);
  EXPECT_EQ(D.PenWidth(), 1);
  EXPECT_EQ(D.PenColor(), 0u);
  EXPECT_EQ(D.PenStyle(), 0u);
  EXPECT_EQ(D.PenEndCap(), 0x200u);
  EXPECT_EQ(D.PenLineJoin(), 0x2000u);
  EXPECT_EQ(D.PenType(), 0u);
  EXPECT_EQ(D.BrushColor(), 0xFFFFFFu);
  EXPECT_EQ(D.BrushStyle(), 0u);
  EXPECT_EQ(D.MiterLimit(), 4.0f);
  EXPECT_EQ(D.HAlign(), haLeft);
  EXPECT_EQ(D.VAlign(), vaTop);
  EXPECT_EQ(D.MapMode(), 1u);
  EXPECT_EQ(D.WindowExtEx().cx, 1);
  EXPECT_EQ(D.ViewPortExtEx().cy, 1);
  EXPECT_EQ(D.BkMode(), 2u);
  EXPECT_EQ(D.PolyFillMode(), 1u);
  EXPECT_EQ(D.BkColor(), 0xFFFFFFu);
  EXPECT_EQ(D.TextColor(), 0u);
  EXPECT_EQ(D.SetRop2(), 13u);
  EXPECT_EQ(D.StretchMode(), 1u);
  EXPECT_EQ(D.iArcDirection(), 1u);
  EXPECT_FALSE(D.ClipRgn());
  EXPECT_TRUE(D.IsXFormDefault());
  EXPECT_EQ(D.XForm().eM11, 1.0f);
}

TEST(EMFDeviceContext, StockObjectsSelectIntoTheirSlots) {
  Played Brush(Metafile({OneValue(EMR_SELECTOBJECT, 0x80000005)}));
  EXPECT_EQ(Brush.P.DC().BrushStyle(), 1u);
  EXPECT_EQ(Brush.P.DC().BrushColor(), 0x1FFFFFFFu);
  Played Font(Metafile({OneValue(EMR_SELECTOBJECT, 0x8000000D)}));
  EXPECT_EQ(Font.P.DC().FontFamily(), "System");
  EXPECT_EQ(Font.P.DC().FontCharSet(), 1);
  Played Pen(Metafile({OneValue(EMR_SELECTOBJECT, 0x80000008)}));
  EXPECT_EQ(Pen.P.DC().PenStyle(), 5u);
  Played Gray(Metafile({OneValue(EMR_SELECTOBJECT, 0x80000002)}));
  EXPECT_EQ(Gray.P.DC().BrushColor(), 0x808080u);
  // Stock palette: no palette; stock number 9: nothing changes.
  Played Palette(Metafile({CreatePalette(1, {5}), OneValue(EMR_SELECTPALETTE, 1),
                           OneValue(EMR_SELECTPALETTE, 0x8000000F)}));
  EXPECT_EQ(Palette.P.DC().Palette(), nullptr);
  Played Nine(Metafile({OneValue(EMR_SELECTOBJECT, 0x80000007), OneValue(EMR_SELECTOBJECT, 0x80000009)}));
  EXPECT_EQ(Nine.P.DC().Pen(), StockObjects[7]);
}

TEST(EMFDeviceContext, FontPropertiesFromTheFontRecord) {
  struct Case {
    FontSpec F;
    int Size, Weight;
    bool Italic, Underline, StrikeOut;
  };
  FontSpec Bold;
  Bold.Height = -16;
  Bold.Weight = 700;
  FontSpec Odd = Bold;
  Odd.Italic = 255;
  Odd.Underline = 2;
  Odd.StrikeOut = 1;
  FontSpec All = Bold;
  All.Height = 20;
  All.Weight = -300;
  All.Italic = All.Underline = 1;
  FontSpec Extreme = Bold;
  Extreme.Height = std::numeric_limits<std::int32_t>::min();
  const Case Cases[] = {{Bold, 16, 700, false, false, false},
                        {Odd, 16, 700, false, false, true},
                        {All, 20, 300, true, true, false},
                        {Extreme, std::numeric_limits<int>::max(), 700, false, false, false}};
  for (const Case& C : Cases) {
    Played X(Metafile({Font(1, C.F), OneValue(EMR_SELECTOBJECT, 1)}));
    const TDeviceContext& D = X.P.DC();
    EXPECT_EQ(D.FontSize(), C.Size);
    EXPECT_EQ(D.FontWeight(), C.Weight);
    EXPECT_EQ(D.FontItalic(), C.Italic);
    EXPECT_EQ(D.FontUnderline(), C.Underline);
    EXPECT_EQ(D.FontStrikeOut(), C.StrikeOut);
  }
  FontSpec Turned;
  Turned.Escapement = 900;
  Turned.CharSet = 177;
  Turned.Face = u"A very long face name of more than 32 code units";
  Played X(Metafile({Font(1, Turned), OneValue(EMR_SELECTOBJECT, 1)}));
  EXPECT_EQ(X.P.DC().FontOrientation(), 900);
  EXPECT_DOUBLE_EQ(X.P.DC().FontRadian(), std::numbers::pi / 2);
  EXPECT_EQ(X.P.DC().FontCharSet(), 177);
  EXPECT_EQ(X.P.DC().FontFamily(), "A very long face name of more th");
}

TEST(EMFDeviceContext, PenAndBrushPropertiesByRecordKind) {
  Played Cosmetic(Metafile({CreatePen(1, 0x1202, 3, 0x0000FF), OneValue(EMR_SELECTOBJECT, 1)}));
  EXPECT_EQ(Cosmetic.P.DC().LogPenStyle(), 0x1202u);
  EXPECT_EQ(Cosmetic.P.DC().PenStyle(), 2u);
  EXPECT_EQ(Cosmetic.P.DC().PenEndCap(), 0x200u);
  EXPECT_EQ(Cosmetic.P.DC().PenLineJoin(), 0x1000u);
  EXPECT_EQ(Cosmetic.P.DC().PenWidth(), 3);
  EXPECT_EQ(Cosmetic.P.DC().PenColor(), 0xFFu);
  Played Geometric(Metafile({ExtCreatePen(1, 0x10100, 8, 0x00FF00), OneValue(EMR_SELECTOBJECT, 1)}));
  EXPECT_EQ(Geometric.P.DC().PenType(), 0x10000u);
  EXPECT_EQ(Geometric.P.DC().PenEndCap(), 0x100u);
  EXPECT_EQ(Geometric.P.DC().PenWidth(), 8);
  EXPECT_EQ(Geometric.P.DC().PenColor(), 0xFF00u);

  Played Hatched(Metafile({CreateBrush(1, 2, 0x123456, 3), OneValue(EMR_SELECTOBJECT, 1)}));
  EXPECT_EQ(Hatched.P.DC().BrushStyle(), 2u);
  EXPECT_EQ(Hatched.P.DC().BrushHatch(), 3u);
  EXPECT_EQ(Hatched.P.DC().BrushColor(), 0x123456u);
  // A pattern brush is not a plain brush: white, style 0.
  Payload Mono;
  Mono.U32(1).U32(0).U32(0).U32(0).U32(0).U32(0);
  Played Pattern(Metafile({Record(EMR_CREATEMONOBRUSH, Mono), OneValue(EMR_SELECTOBJECT, 1)}));
  EXPECT_NE(Pattern.P.DC().Brush(), nullptr);
  EXPECT_EQ(Pattern.P.DC().BrushColor(), 0xFFFFFFu);
  EXPECT_EQ(Pattern.P.DC().BrushStyle(), 0u);
}

TEST(EMFDeviceContext, MiterLimitStoredAsIntegerOrFloat) {
  struct Case {
    Payload Field;
    float Expected;
  } Cases[] = {{Payload().U32(10), 10.0f}, {Payload().F32(10.0f), 10.0f}, {Payload().F32(1.0f), 1.0f},
               {Payload().U32(0), 0.0f}, {Payload().F32(2.5f), 2.5f}};
  for (const Case& C : Cases) {
    Played X(Metafile({Record(EMR_SETMITERLIMIT, C.Field)}));
    EXPECT_EQ(X.P.DC().MiterLimit(), C.Expected);
  }
}

TEST(EMFDeviceContext, TextAlignmentBits) {
  struct Case {
    std::uint32_t Mode;
    TrepHAlign H;
    TrepVAlign V;
  } Cases[] = {{0, haLeft, vaTop},     {6, haCenter, vaTop},   {2, haRight, vaTop},
               {4, haLeft, vaTop},     {24, haLeft, vaCenter}, {8 + 2, haRight, vaBottom},
               {16, haLeft, vaTop},    {0x100 + 6 + 24, haCenter, vaCenter}};
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Mode);
    Played X(Metafile({OneValue(EMR_SETTEXTALIGN, C.Mode)}));
    EXPECT_EQ(X.P.DC().HAlign(), C.H);
    EXPECT_EQ(X.P.DC().VAlign(), C.V);
  }
}

TEST(EMFDeviceContext, DeletingAnObjectDeselectsOnlyWhatIsSelectedUnderThatIndex) {
  FontSpec F;
  Played X(Metafile({Font(1, F), CreatePen(2, 0, 1, 0), OneValue(EMR_SELECTOBJECT, 1),
                     OneValue(EMR_SELECTOBJECT, 2), OneValue(EMR_DELETEOBJECT, 1)}));
  EXPECT_EQ(X.P.DC().Font(), nullptr);
  EXPECT_NE(X.P.DC().Pen(), nullptr);
  Played Y(Metafile({Font(1, F), OneValue(EMR_SELECTOBJECT, 1), OneValue(EMR_DELETEOBJECT, 5)}));
  EXPECT_NE(Y.P.DC().Font(), nullptr);
  // Deleting a stock index deselects that stock object.
  Played Z(Metafile({OneValue(EMR_SELECTOBJECT, 0x80000007), OneValue(EMR_DELETEOBJECT, 0x80000007)}));
  EXPECT_EQ(Z.P.DC().Pen(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Transforms

TEST(EMFWorldTransform, CombineAppliesTheFirstThenTheSecond) {
  const tagXFORM Scale{2, 0, 0, 2, 0, 0}, Move{1, 0, 0, 1, 10, 0};
  tagXFORM C;
  CombineXForm(Scale, Move, C);  // scale, then move
  EXPECT_EQ(C.eDx, 10);
  EXPECT_EQ(C.eM11, 2);
  CombineXForm(Move, Scale, C);  // move, then scale
  EXPECT_EQ(C.eDx, 20);
  // The result may replace an input.
  tagXFORM A = Move;
  CombineXForm(A, Scale, A);
  EXPECT_EQ(A.eDx, 20);
  EXPECT_EQ(A.eM22, 2);
  tagXFORM B = Scale;
  CombineXForm(Move, B, B);
  EXPECT_EQ(B.eDx, 20);
}

TEST(EMFWorldTransform, ModifyModesOnAScalingTransform) {
  const tagXFORM Scale{2, 0, 0, 2, 0, 0}, Move{1, 0, 0, 1, 10, 0};
  struct Case {
    int Mode;
    double X, Y;  // where (1, 0) lands
  } Cases[] = {{1, 1, 0}, {2, 22, 0}, {3, 12, 0}, {4, 11, 0}, {7, 2, 0}};
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Mode);
    Played X(Metafile({XFormRecord(EMR_SETWORLDTRANSFORM, Scale), XFormRecord(EMR_MODIFYWORLDTRANSFORM, Move, C.Mode)}));
    const TrepPoint P = X.P.LogToDevXY(1, 0);
    EXPECT_DOUBLE_EQ(P.X, C.X);
    EXPECT_DOUBLE_EQ(P.Y, C.Y);
  }
}

TEST(EMFWorldTransform, QuarterTurnAndSwitchingTheTransformOff) {
  const tagXFORM Turn{0, 1, -1, 0, 0, 0};
  Played X(Metafile({XFormRecord(EMR_SETWORLDTRANSFORM, Turn)}));
  TrepPoint A = X.P.LogToDevXY(1, 0), B = X.P.LogToDevXY(0, 1);
  EXPECT_DOUBLE_EQ(A.X, 0);
  EXPECT_DOUBLE_EQ(A.Y, 1);
  EXPECT_DOUBLE_EQ(B.X, -1);
  EXPECT_DOUBLE_EQ(B.Y, 0);
  X.P.EnableTransform = false;
  A = X.P.LogToDevXY(1, 0);
  EXPECT_DOUBLE_EQ(A.X, 1);
  EXPECT_DOUBLE_EQ(A.Y, 0);
  // Lengths take eM11 / eM22 whatever EnableTransform says.
  const tagXFORM Stretch{3, 0, 0, 5, 0, 0};
  Played Y(Metafile({XFormRecord(EMR_SETWORLDTRANSFORM, Stretch)}));
  Y.P.EnableTransform = false;
  EXPECT_DOUBLE_EQ(Y.P.LogToDevSizeX(2), 6);
  EXPECT_DOUBLE_EQ(Y.P.LogToDevSizeY(2), 10);
  EXPECT_DOUBLE_EQ(Y.P.LogToDevSize(2), 8);
}

TEST(EMFWorldTransform, NearIdentityCountsAsIdentity) {
  struct Case {
    tagXFORM X;
    bool Default;
  } Cases[] = {{{1, 0, 0, 1, 0, 0}, true},
               {{1.0002f, 0, 0, 1, 0.0003f, 0}, true},
               {{1, 0, 0, 1, 0.002f, 0}, false},
               {{1, 0, 0, 1, std::nanf(""), 0}, true},
               {{-1, 0, 0, 1, 0, 0}, false}};
  for (const Case& C : Cases) {
    Played X(Metafile({XFormRecord(EMR_SETWORLDTRANSFORM, C.X)}));
    EXPECT_EQ(X.P.DC().IsXFormDefault(), C.Default);
  }
}

// ---------------------------------------------------------------------------------------------
// Logical to device coordinates

TEST(EMFCoordinates, MappingModesWindowsAndViewports) {
  struct Case {
    const char* Name;
    std::vector<std::string> Records;
    HeaderSpec H;
    double X, Y;          // device point of the logical point (40, 10)
    double SizeX, SizeY;  // device length of the logical length 4
  };
  HeaderSpec Plain;
  HeaderSpec Framed;
  Framed.Frame = {100, 200, 2646, 2646};
  Framed.Device = {1000, 1000};
  Framed.Millimeters = {100, 100};  // rTopLeft (10, 20)
  auto Org = [](std::uint32_t T, int X, int Y) { return TwoValues(T, X, Y); };
  const Case Cases[] = {
      {"text mode", {}, Plain, 40, 10, 4, 4},
      {"text mode with origins", {Org(EMR_SETWINDOWORGEX, 5, 5), Org(EMR_SETVIEWPORTORGEX, 100, 200)}, Plain, 135, 205, 4, 4},
      {"metric mode like text mode",
       {OneValue(EMR_SETMAPMODE, 2), Org(EMR_SETWINDOWEXTEX, 100, 100), Org(EMR_SETVIEWPORTEXTEX, 50, 50)}, Framed, 40, 10, 4, 4},
      {"anisotropic halves",
       {OneValue(EMR_SETMAPMODE, 8), Org(EMR_SETWINDOWEXTEX, 100, 100), Org(EMR_SETVIEWPORTEXTEX, 50, 50)}, Plain, 20, 5, 2, 2},
      {"isotropic like anisotropic",
       {OneValue(EMR_SETMAPMODE, 7), Org(EMR_SETWINDOWEXTEX, 100, 200), Org(EMR_SETVIEWPORTEXTEX, 300, 100)}, Plain, 120, 5, 12, 2},
      {"extents, origins and frame corner",
       {OneValue(EMR_SETMAPMODE, 8), Org(EMR_SETWINDOWEXTEX, 10, 10), Org(EMR_SETVIEWPORTEXTEX, 20, -20),
        Org(EMR_SETWINDOWORGEX, 30, 0), Org(EMR_SETVIEWPORTORGEX, 7, 9)},
       Framed, (40 - 30) * 2 + 7 - 10, 10 * -2 + 9 - 20, 8, -8},
      {"unknown mode uses the extents", {OneValue(EMR_SETMAPMODE, 0), Org(EMR_SETWINDOWEXTEX, 2, 2), Org(EMR_SETVIEWPORTEXTEX, 6, 6)}, Plain, 120, 30, 12, 12},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    std::string Bytes = Header(C.H);
    for (const std::string& R : C.Records) Bytes += R;
    Played X(Bytes + EoF());
    const TrepPoint P = X.P.LogToDevXY(40, 10);
    EXPECT_DOUBLE_EQ(P.X, C.X);
    EXPECT_DOUBLE_EQ(P.Y, C.Y);
    EXPECT_DOUBLE_EQ(X.P.LogToDevSizeX(4), C.SizeX);
    EXPECT_DOUBLE_EQ(X.P.LogToDevSizeY(4), C.SizeY);
  }
}

TEST(EMFCoordinates, LengthsBelowOneCountAsOne) {
  Played X(Metafile({OneValue(EMR_SETMAPMODE, 8), TwoValues(EMR_SETWINDOWEXTEX, 100, 100),
                     TwoValues(EMR_SETVIEWPORTEXTEX, 50, 50)}));
  EXPECT_DOUBLE_EQ(X.P.LogToDevX(40), 20);
  EXPECT_DOUBLE_EQ(X.P.LogToDevSizeX(0.5), 0.5);
  EXPECT_DOUBLE_EQ(X.P.LogToDevSizeX(-3), 0.5);
  EXPECT_DOUBLE_EQ(X.P.LogToDevSizeY(std::nan("")), 0.5);
  EXPECT_DOUBLE_EQ(X.P.LogToDevSize(10), 5);
}

TEST(EMFCoordinates, PointOverloadsAgree) {
  Played X(Metafile({TwoValues(EMR_SETWINDOWORGEX, 1, 2)}));
  const std::uint32_t Packed = (static_cast<std::uint32_t>(static_cast<std::uint16_t>(-7)) << 16) |
                               static_cast<std::uint16_t>(-300);
  const TrepPoint A = X.P.LogToDevPoint(Packed);
  EXPECT_DOUBLE_EQ(A.X, -301);
  EXPECT_DOUBLE_EQ(A.Y, -9);
  const TrepPoint B = X.P.LogToDevPoint(TPoint{-300, -7});
  const TrepPoint C = X.P.LogToDevPoint(MakeRepPoint(-300, -7));
  EXPECT_DOUBLE_EQ(B.X, A.X);
  EXPECT_DOUBLE_EQ(C.Y, A.Y);
  const TrepPoint D = PointToRepPoint(TPoint{3, -4});
  EXPECT_EQ(D.X, 3);
  EXPECT_EQ(D.Y, -4);
}

TEST(EMFCoordinates, ScalingExtentsOnlyInTheScalableModes) {
  struct Case {
    const char* Name;
    std::uint32_t MapMode;
    std::string Scale;
    TSize Viewport, Window;
  };
  const std::string Half = ScaleRecord(EMR_SCALEVIEWPORTEXTEX, 1, 2, 1, 2);
  const Case Cases[] = {
      {"text mode leaves it", 1, Half, {5, 5}, {4, 4}},
      {"anisotropic halves, 2.5 to the even 2", 8, Half, {2, 2}, {4, 4}},
      {"isotropic too", 7, ScaleRecord(EMR_SCALEVIEWPORTEXTEX, 3, 2, 7, 10), {8, 4}, {4, 4}},
      {"window extent", 8, ScaleRecord(EMR_SCALEWINDOWEXTEX, 3, 1, -1, 1), {5, 5}, {12, -4}},
      {"zero denominator refused", 8, ScaleRecord(EMR_SCALEVIEWPORTEXTEX, 1, 0, 1, 2), {5, 5}, {4, 4}},
      {"zero result refused", 8, ScaleRecord(EMR_SCALEWINDOWEXTEX, 0, 1, 1, 1), {5, 5}, {4, 4}},
      {"product wraps in 32 bits", 8, ScaleRecord(EMR_SCALEWINDOWEXTEX, 0x40000000, 1, 1, 1), {5, 5}, {4, 4}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Played X(Metafile({OneValue(EMR_SETMAPMODE, C.MapMode), TwoValues(EMR_SETVIEWPORTEXTEX, 5, 5),
                       TwoValues(EMR_SETWINDOWEXTEX, 4, 4), C.Scale}));
    EXPECT_EQ(X.P.DC().ViewPortExtEx().cx, C.Viewport.cx);
    EXPECT_EQ(X.P.DC().ViewPortExtEx().cy, C.Viewport.cy);
    EXPECT_EQ(X.P.DC().WindowExtEx().cx, C.Window.cx);
    EXPECT_EQ(X.P.DC().WindowExtEx().cy, C.Window.cy);
  }
}

// ---------------------------------------------------------------------------------------------
// Clip regions

std::vector<TRect> ClipOf(const std::vector<std::string>& Records) {
  std::string Bytes = Header();
  for (const std::string& R : Records) Bytes += R;
  Played X(Bytes + EoF());
  if (!X.P.DC().ClipRgn()) return {{-1, -1, -1, -1}};  // none
  return X.P.DC().ClipRgn()->Rects();
}

TEST(EMFClipRegion, RecordsThatChangeTheClipRegion) {
  const std::vector<TRect> None = {{-1, -1, -1, -1}};
  const std::string Square = ClipRegion(5, {{0, 0, 10, 10}});
  struct Case {
    const char* Name;
    std::vector<std::string> Records;
    std::vector<TRect> Expected;
  };
  const Case Cases[] = {
      {"intersect without a region leaves none", {RectRecord(EMR_INTERSECTCLIPRECT, 0, 0, 5, 5)}, None},
      {"exclude without a region leaves none", {RectRecord(EMR_EXCLUDECLIPRECT, 0, 0, 5, 5)}, None},
      {"offset without a region leaves none", {TwoValues(EMR_OFFSETCLIPRGN, 3, 3)}, None},
      {"a region becomes the clip whatever its mode", {ClipRegion(4, {{0, 0, 10, 10}})}, {{0, 0, 10, 10}}},
      {"intersect narrows", {Square, RectRecord(EMR_INTERSECTCLIPRECT, 5, 5, 20, 20)}, {{5, 5, 10, 10}}},
      {"exclude cuts a corner",
       {Square, RectRecord(EMR_EXCLUDECLIPRECT, 5, 5, 20, 20)},
       {{0, 0, 10, 5}, {0, 5, 5, 10}}},
      {"offset moves", {Square, TwoValues(EMR_OFFSETCLIPRGN, 3, -2)}, {{3, -2, 13, 8}}},
      {"meta region clears", {Square, HeaderOnly(EMR_SETMETARGN)}, None},
      {"empty region data clears", {Square, ClipRegion(1, {})}, None},
      {"and", {Square, ClipRegion(1, {{5, 0, 15, 10}})}, {{5, 0, 10, 10}}},
      {"or", {Square, ClipRegion(2, {{5, 0, 15, 10}})}, {{0, 0, 15, 10}}},
      {"xor", {Square, ClipRegion(3, {{5, 0, 15, 10}})}, {{0, 0, 5, 10}, {10, 0, 15, 10}}},
      {"diff", {Square, ClipRegion(4, {{5, 0, 15, 10}})}, {{0, 0, 5, 10}}},
      {"copy", {Square, ClipRegion(5, {{5, 0, 15, 10}})}, {{5, 0, 15, 10}}},
      {"unknown mode keeps the region", {Square, ClipRegion(9, {{5, 0, 15, 10}})}, {{0, 0, 10, 10}}},
      {"and of disjoint regions is empty", {Square, ClipRegion(1, {{50, 50, 60, 60}})}, {}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(ClipOf(C.Records), C.Expected);
  }
}

TEST(EMFClipRegion, RegionsFromOverlappingRectanglesInAnyOrder) {
  const TEMFRegion R = TEMFRegion::FromRects({{10, 10, 30, 30}, {0, 0, 20, 20}, {25, 0, 20, 5}, {40, 40, 40, 50}});
  // (25, 0, 20, 5) is normalised to (20, 0, 25, 5); the last rectangle is empty.
  EXPECT_EQ(R.Rects(), (std::vector<TRect>{{0, 0, 25, 5}, {0, 5, 20, 10}, {0, 10, 30, 20}, {10, 20, 30, 30}}));
  EXPECT_TRUE(TEMFRegion::FromRects({}).IsEmpty());
  EXPECT_EQ(TEMFRegion::FromRect({10, 10, 0, 0}).Rects(), (std::vector<TRect>{{0, 0, 10, 10}}));
  // Bands with equal spans merge.
  EXPECT_EQ(TEMFRegion::FromRects({{0, 0, 10, 5}, {0, 5, 10, 10}}).Rects(), (std::vector<TRect>{{0, 0, 10, 10}}));
}

TEST(EMFClipRegion, OffsetStopsAtTheEdgeOfTheCoordinateRange) {
  TEMFRegion R = TEMFRegion::FromRect({0, 0, 10, 10});
  R.Offset(std::numeric_limits<std::int32_t>::max(), 0);
  EXPECT_TRUE(R.IsEmpty());
  TEMFRegion S = TEMFRegion::FromRect({-10, 0, 10, 10});
  S.Offset(std::numeric_limits<std::int32_t>::max() - 5, 0);
  EXPECT_EQ(S.Rects(), (std::vector<TRect>{{std::numeric_limits<std::int32_t>::max() - 15, 0,
                                             std::numeric_limits<std::int32_t>::max(), 10}}));
}

TEST(EMFClipRegion, OverlyComplexRegionsAreRefused) {
  // A staircase of long overlapping rectangles: every slab holds most of them.
  std::vector<TRect> Rects;
  for (int I = 0; I < 5000; ++I) Rects.push_back({I, I, I + 1, I + 100000});
  EXPECT_THROW(TEMFRegion::FromRects(Rects), EEMFError);
}

} // namespace
