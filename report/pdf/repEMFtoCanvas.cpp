#include "report/pdf/repEMFtoCanvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/gfx/FontFace.h"
#include "platform/gfx/Picture.h"

namespace {

constexpr std::uint32_t PS_NULL = 5, PS_GEOMETRIC = 0x10000;
constexpr std::uint32_t R2_XORPEN = 7;
constexpr std::uint32_t SRCCOPY = 0x00CC0020, SRCAND = 0x008800C6, SRCPAINT = 0x00EE0086, SRCINVERT = 0x00660046,
                        PATCOPY = 0x00F00021, AC_SRC_OVER = 0x01FF0000, DSTCOPY = 0x00AA0029;
// Segments of a quarter of an ellipse or of one cubic curve when flattened.
constexpr int CurveSteps = 16;

double Finite(double V, double Limit) {
  if (!std::isfinite(V)) return 0;
  return std::clamp(V, -Limit, Limit);
}

gfx::TColor ColorOf(std::uint32_t C) { return static_cast<gfx::TColor>(C & 0xFFFFFF); }

} // namespace

TEMFtoCanvasExport::TEMFtoCanvasExport(rt::TStream* InStream, gfx::TCanvas& ACanvas, const gfx::TRect& ATarget)
    : TEMFAbstractExport(InStream, nullptr), FCanvas(ACanvas), FTarget(ATarget) {
  CreateDeviceContext();
  FDC->Init();
}

TEMFtoCanvasExport::~TEMFtoCanvasExport() { RestoreCanvas(); }

// ---- Coordinates ----

gfx::TPoint TEMFtoCanvasExport::ToPixel(double X, double Y) {
  const TrepPoint D = LogToDevXY(X, Y);
  const double PX = FTarget.Left + Finite(D.X * FFactor.X, 1e9), PY = FTarget.Top + Finite(D.Y * FFactor.Y, 1e9);
  const double M = MaxCoordinateMargin;
  return {static_cast<int>(std::lround(std::clamp(PX, FTarget.Left - M, FTarget.Right + M))),
          static_cast<int>(std::lround(std::clamp(PY, FTarget.Top - M, FTarget.Bottom + M)))};
}

gfx::TPoint TEMFtoCanvasExport::ToPixel16(std::uint32_t Packed) {
  return ToPixel(static_cast<std::int16_t>(Packed & 0xFFFF), static_cast<std::int16_t>(Packed >> 16));
}

gfx::TRect TEMFtoCanvasExport::ToPixelRect(const TRect& R) {
  const gfx::TPoint A = ToPixel(R.Left, R.Top), B = ToPixel(R.Right, R.Bottom);
  return {std::min(A.X, B.X), std::min(A.Y, B.Y), std::max(A.X, B.X), std::max(A.Y, B.Y)};
}

int TEMFtoCanvasExport::ToPixelSize(double L) {
  const double S = LogToDevSize(L) * (FFactor.X + FFactor.Y) / 2;
  return static_cast<int>(std::lround(Finite(std::abs(S), MaxCoordinateMargin)));
}

// ---- State ----

bool TEMFtoCanvasExport::NullPen() const { return FDC->PenStyle() == PS_NULL; }

bool TEMFtoCanvasExport::NullBrush() const {
  const std::uint32_t S = FDC->BrushStyle();
  return S == 1 || S == 7 || S == 8 || S == 9;
}

void TEMFtoCanvasExport::UsePen() {
  gfx::TPen P;
  P.Color = ColorOf(static_cast<std::uint32_t>(FDC->PenColor()));
  P.Width = std::max(1, ToPixelSize(FDC->PenWidth()));
  const std::uint32_t S = FDC->PenStyle();
  P.Style = S <= 6 ? static_cast<gfx::TPenStyle>(S) : gfx::psSolid;
  P.Mode = FDC->SetRop2() == R2_XORPEN ? gfx::pmXor : gfx::pmCopy;
  FCanvas.Pen = P;
}

void TEMFtoCanvasExport::UseBrush() {
  gfx::TBrush B;
  B.Color = ColorOf(static_cast<std::uint32_t>(FDC->BrushColor()));
  B.Style = gfx::bsSolid;
  if (NullBrush()) {
    B.Style = gfx::bsClear;
  } else if (FDC->BrushStyle() == 2) {
    static const gfx::TBrushStyle Hatches[] = {gfx::bsHorizontal, gfx::bsVertical, gfx::bsFDiagonal,
                                               gfx::bsBDiagonal, gfx::bsCross, gfx::bsDiagCross};
    const std::uint32_t H = FDC->BrushHatch();
    B.Style = H < 6 ? Hatches[H] : gfx::bsSolid;
  }
  FCanvas.Brush = B;
  FCanvas.BkMode = FDC->BkMode() == 1 ? gfx::bkTransparent : gfx::bkOpaque;
}

void TEMFtoCanvasExport::UseClip() {
  gfx::TRect C = FTarget;
  auto Intersect = [&C](const gfx::TRect& R) {
    C = {std::max(C.Left, R.Left), std::max(C.Top, R.Top), std::min(C.Right, R.Right), std::min(C.Bottom, R.Bottom)};
  };
  if (FOriginalClip) Intersect(*FOriginalClip);
  if (FDC->ClipRgn()) {
    const std::vector<TRect> Rects = FDC->ClipRgn()->Rects();
    if (Rects.empty()) {
      C = {C.Left, C.Top, C.Left, C.Top};
    } else {
      // The canvas clips by one rectangle: the region's bounds.
      const bool Saved = EnableTransform;
      EnableTransform = false;
      gfx::TRect B = ToPixelRect(Rects.front());
      for (const TRect& R : Rects) {
        const gfx::TRect P = ToPixelRect(R);
        B = {std::min(B.Left, P.Left), std::min(B.Top, P.Top), std::max(B.Right, P.Right), std::max(B.Bottom, P.Bottom)};
      }
      EnableTransform = Saved;
      Intersect(B);
    }
  }
  if (C.Right < C.Left) C.Right = C.Left;
  if (C.Bottom < C.Top) C.Bottom = C.Top;
  if (FAppliedClip != C) {
    FCanvas.SetClipRect(C);
    FAppliedClip = C;
  }
}

// ---- Play ----

void TEMFtoCanvasExport::BeforePlay() {
  FOriginalClip = FCanvas.ClipRect();
  FOriginalPen = FCanvas.Pen;
  FOriginalBrush = FCanvas.Brush;
  FOriginalFont.Assign(FCanvas.Font);
  FOriginalBkMode = FCanvas.BkMode;
  FCanvasSaved = true;
}

void TEMFtoCanvasExport::AfterPlay() { RestoreCanvas(); }

// The caller's canvas gets its own state back however the play ends: a damaged metafile ends it
// with an exception that never reaches AfterPlay, so the destructor restores too.
void TEMFtoCanvasExport::RestoreCanvas() {
  if (!FCanvasSaved) return;
  FCanvasSaved = false;
  FCanvas.SetClipRect(FOriginalClip);
  FCanvas.Pen = FOriginalPen;
  FCanvas.Brush = FOriginalBrush;
  FCanvas.Font.Assign(FOriginalFont);
  FCanvas.BkMode = FOriginalBkMode;
}

void TEMFtoCanvasExport::DoHeader() {
  TEMFAbstractExport::DoHeader();
  const tagENHMETAHEADER& H = LastRecordData()->Header;
  // As the PDF road: the frame in device units from the physical size, else the bounds, else
  // the metafile is taken at the target's own scale.
  auto Factor = [](double Target, double Device, double Millimetres, double Frame, double Bounds) {
    double Units = Millimetres != 0 ? Device / Millimetres * Frame / 100 : 0;
    if (!std::isfinite(Units) || Units == 0) Units = Bounds;
    if (Units == 0) return 1.0;
    return Finite(Target / Units, 1e6);
  };
  FFactor.X = Factor(FTarget.Width(), H.szlDevice.cx, H.szlMillimeters.cx, double(H.rclFrame.Right) - H.rclFrame.Left,
                     double(H.rclBounds.Right) - H.rclBounds.Left + 1);
  FFactor.Y = Factor(FTarget.Height(), H.szlDevice.cy, H.szlMillimeters.cy,
                     double(H.rclFrame.Bottom) - H.rclFrame.Top, double(H.rclBounds.Bottom) - H.rclBounds.Top + 1);
}

// ---- Shapes ----

void TEMFtoCanvasExport::Line(gfx::TPoint A, gfx::TPoint B) {
  FCanvas.MoveTo(A.X, A.Y);
  FCanvas.LineTo(B.X, B.Y);
}

void TEMFtoCanvasExport::PaintFigures(const std::vector<TFigure>& Figures, int Flags) {
  const bool Stroke = (Flags & 2) && !NullPen(), Fill = (Flags & 4) && !NullBrush();
  if (!Stroke && !Fill) return;
  UseClip();
  UsePen();
  UseBrush();
  if (!Stroke) FCanvas.Pen.Style = gfx::psClear;
  if (!Fill) FCanvas.Brush.Style = gfx::bsClear;
  for (const TFigure& F : Figures) {
    if (F.Points.empty()) continue;
    if (F.Closed && F.Points.size() >= 3) {
      FCanvas.Polygon(F.Points);
    } else if (Stroke) {
      if (F.Points.size() == 2) {
        Line(F.Points[0], F.Points[1]);
      } else {
        std::vector<gfx::TPoint> P = F.Points;
        if (F.Closed) P.push_back(P.front());
        FCanvas.Polyline(P);
      }
    }
  }
}

void TEMFtoCanvasExport::Shape(std::vector<TFigure> Figures, int Flags) {
  if (FDC->IsPathBracketOpened()) {
    for (TFigure& F : Figures) {
      if (FPathPoints + F.Points.size() > MaxPathPoints) return;
      FPathPoints += F.Points.size();
      FPath.push_back(std::move(F));
    }
    FFigureOpen = false;
    return;
  }
  PaintFigures(Figures, Flags);
}

void TEMFtoCanvasExport::ContinueFigure(gfx::TPoint P) {
  if (FDC->IsPathBracketOpened()) {
    if (!FFigureOpen || FPath.empty()) {
      FPath.push_back({{ToPixel(FDC->PositionCurrent().X, FDC->PositionCurrent().Y)}, false});
      ++FPathPoints;
      FFigureOpen = true;
    }
    if (FPathPoints < MaxPathPoints) {
      FPath.back().Points.push_back(P);
      ++FPathPoints;
    }
  }
}

void TEMFtoCanvasExport::DoBeginPath() {
  TEMFAbstractExport::DoBeginPath();
  FPath.clear();
  FPathPoints = 0;
  FFigureOpen = false;
}

void TEMFtoCanvasExport::DoAbortPath() {
  TEMFAbstractExport::DoAbortPath();
  FPath.clear();
  FPathPoints = 0;
  FFigureOpen = false;
}

void TEMFtoCanvasExport::DoCloseFigure() {
  TEMFAbstractExport::DoCloseFigure();
  if (!FPath.empty()) FPath.back().Closed = true;
  FFigureOpen = false;
}

void TEMFtoCanvasExport::DoFillPath() {
  TEMFAbstractExport::DoFillPath();
  for (TFigure& F : FPath) F.Closed = true;
  PaintFigures(FPath, 4);
  FPath.clear();
  FPathPoints = 0;
}

void TEMFtoCanvasExport::DoStrokePath() {
  TEMFAbstractExport::DoStrokePath();
  PaintFigures(FPath, 2);
  FPath.clear();
  FPathPoints = 0;
}

void TEMFtoCanvasExport::DoStrokeAndFillPath() {
  TEMFAbstractExport::DoStrokeAndFillPath();
  for (TFigure& F : FPath) F.Closed = true;
  PaintFigures(FPath, 6);
  FPath.clear();
  FPathPoints = 0;
}

void TEMFtoCanvasExport::DoMoveToEx() {
  TEMFAbstractExport::DoMoveToEx();
  FFigureOpen = false;
}

void TEMFtoCanvasExport::DoLineTo() {
  TEMFAbstractExport::DoLineTo();
  const TPoint From = FDC->PositionCurrent();
  const gfx::TPoint A = ToPixel(From.X, From.Y), B = ToPixel(FDC->PositionNext().X, FDC->PositionNext().Y);
  if (FDC->IsPathBracketOpened()) {
    ContinueFigure(B);
    return;
  }
  if (NullPen()) return;
  UseClip();
  UsePen();
  // A geometric pen keeps its end caps where the canvas can draw them.
  if (FDC->PenType() == PS_GEOMETRIC && FCanvas.Pen.Width > 1 && FCanvas.Pen.Style == gfx::psSolid) {
    gfx::TGeometricPen G;
    G.Color = FCanvas.Pen.Color;
    G.Width = FCanvas.Pen.Width;
    G.EndCap = FDC->PenEndCap() == 0 ? gfx::pecRound : FDC->PenEndCap() == 0x100 ? gfx::pecSquare : gfx::pecFlat;
    if (FCanvas.GeometricLine(A.X, A.Y, B.X, B.Y, G)) return;
  }
  Line(A, B);
}

void TEMFtoCanvasExport::DoRectangle() {
  TEMFAbstractExport::DoRectangle();
  const gfx::TRect R = ToPixelRect(LastRecordData()->Rectangle.rclBox);
  if (FDC->IsPathBracketOpened()) {
    Shape({{{{R.Left, R.Top}, {R.Right, R.Top}, {R.Right, R.Bottom}, {R.Left, R.Bottom}}, true}}, 6);
    return;
  }
  if (NullPen() && NullBrush()) return;
  UseClip();
  UsePen();
  UseBrush();
  FCanvas.Rectangle(R.Left, R.Top, R.Right, R.Bottom);
}

void TEMFtoCanvasExport::DoEllipse() {
  TEMFAbstractExport::DoEllipse();
  const TRect& B = LastRecordData()->Ellipse.rclBox;
  if (FDC->IsPathBracketOpened()) {
    const double CX = (double(B.Left) + B.Right) / 2, CY = (double(B.Top) + B.Bottom) / 2;
    Shape({{ArcPoints(CX, CY, (double(B.Right) - B.Left) / 2, (double(B.Bottom) - B.Top) / 2, 0, 360), true}}, 6);
    return;
  }
  if (NullPen() && NullBrush()) return;
  const gfx::TRect R = ToPixelRect(B);
  UseClip();
  UsePen();
  UseBrush();
  FCanvas.Ellipse(R.Left, R.Top, R.Right, R.Bottom);
}

void TEMFtoCanvasExport::DoRoundRect() {
  TEMFAbstractExport::DoRoundRect();
  const tagEMRROUNDRECT& RR = LastRecordData()->RoundRect;
  const gfx::TRect R = ToPixelRect(RR.rclBox);
  if (FDC->IsPathBracketOpened()) {
    Shape({{{{R.Left, R.Top}, {R.Right, R.Top}, {R.Right, R.Bottom}, {R.Left, R.Bottom}}, true}}, 6);
    return;
  }
  if (NullPen() && NullBrush()) return;
  UseClip();
  UsePen();
  UseBrush();
  FCanvas.RoundRect(R.Left, R.Top, R.Right, R.Bottom, std::min(ToPixelSize(RR.szlCorner.cx), R.Width()),
                    std::min(ToPixelSize(RR.szlCorner.cy), R.Height()));
}

// Points along an ellipse about (CX, CY) in logical units, from Start through Sweep degrees
// counter-clockwise (y down, as the metafile's device).
std::vector<gfx::TPoint> TEMFtoCanvasExport::ArcPoints(double CX, double CY, double RX, double RY, double Start,
                                                        double Sweep) {
  std::vector<gfx::TPoint> P;
  if (!std::isfinite(Start) || !std::isfinite(Sweep) || !std::isfinite(RX) || !std::isfinite(RY)) return P;
  Sweep = std::clamp(Sweep, -360.0, 360.0);
  const int N = std::max(2, static_cast<int>(std::ceil(std::abs(Sweep) / 90 * CurveSteps)));
  const double Rad = std::numbers::pi / 180;
  for (int I = 0; I <= N; ++I) {
    const double A = (Start + Sweep * I / N) * Rad;
    const gfx::TPoint Q = ToPixel(CX + RX * std::cos(A), CY - RY * std::sin(A));
    if (P.empty() || !(P.back() == Q)) P.push_back(Q);
  }
  return P;
}

// Arc (0), chord (1) or pie (2) of an ellipse's box between the rays through two points.
void TEMFtoCanvasExport::ArcRecord(int Kind) {
  const tagEMRARC& A = LastRecordData()->Arc;
  const double CX = (double(A.rclBox.Left) + A.rclBox.Right) / 2, CY = (double(A.rclBox.Top) + A.rclBox.Bottom) / 2;
  const double RX = (double(A.rclBox.Right) - A.rclBox.Left) / 2, RY = (double(A.rclBox.Bottom) - A.rclBox.Top) / 2;
  const double Deg = 180 / std::numbers::pi;
  const double T1 = -std::atan2(A.ptlStart.Y - CY, A.ptlStart.X - CX) * Deg;
  const double T2 = -std::atan2(A.ptlEnd.Y - CY, A.ptlEnd.X - CX) * Deg;
  double Sweep = T2 - T1;
  if (Sweep <= 0) Sweep += 360;
  TFigure F{ArcPoints(CX, CY, RX, RY, T1, Sweep), Kind != 0};
  if (Kind == 2) F.Points.push_back(ToPixel(CX, CY));
  Shape({std::move(F)}, Kind == 0 ? 2 : 6);
}

void TEMFtoCanvasExport::DoArc() { TEMFAbstractExport::DoArc(); ArcRecord(0); }
void TEMFtoCanvasExport::DoArcTo() { TEMFAbstractExport::DoArcTo(); ArcRecord(0); }
void TEMFtoCanvasExport::DoChord() { TEMFAbstractExport::DoChord(); ArcRecord(1); }
void TEMFtoCanvasExport::DoPie() { TEMFAbstractExport::DoPie(); ArcRecord(2); }

void TEMFtoCanvasExport::DoAngleArc() {
  TEMFAbstractExport::DoAngleArc();
  const tagEMRANGLEARC& A = LastRecordData()->AngleArc;
  const double R = std::min<double>(A.nRadius, 1e7);
  Shape({{ArcPoints(A.ptlCenter.X, A.ptlCenter.Y, R, R, A.eStartAngle, A.eSweepAngle), false}}, 2);
}

void TEMFtoCanvasExport::PolyPoints(bool Small, bool MoveFirst, bool Close, int Flags) {
  const TEnhMetaData& D = *LastRecordData();
  const std::uint32_t N = Small ? D.Polyline16.cpts : D.Polyline.cptl;
  if (N == 0 || (MoveFirst && N < 2)) return;
  const TEnhMetaObj& V = *FEMRList.back();
  TFigure F;
  F.Closed = Close;
  // A "...To" record starts at the current position (the base has moved it to the last point).
  if (!MoveFirst && !FDC->IsPathBracketOpened()) {
    const TPoint C = FDC->PositionCurrent();
    F.Points.push_back(ToPixel(C.X, C.Y));
  }
  for (std::uint32_t I = 0; I < N; ++I)
    F.Points.push_back(Small ? ToPixel16(V.LongWordAt(28 + 4 * std::int64_t(I)))
                             : ToPixel(V.IntegerAt(28 + 8 * std::int64_t(I)), V.IntegerAt(32 + 8 * std::int64_t(I))));
  if (!MoveFirst && FDC->IsPathBracketOpened()) {
    for (const gfx::TPoint& P : F.Points) ContinueFigure(P);
    return;
  }
  if (!Close && !FDC->IsPathBracketOpened() && !NullPen()) {
    // The canvas's polyline leaves out its last point, as a metafile's does.
    UseClip();
    UsePen();
    FCanvas.Polyline(F.Points);
    return;
  }
  Shape({std::move(F)}, Flags);
}

void TEMFtoCanvasExport::DoPolygon() { TEMFAbstractExport::DoPolygon(); PolyPoints(false, true, true, 6); }
void TEMFtoCanvasExport::DoPolygon16() { TEMFAbstractExport::DoPolygon16(); PolyPoints(true, true, true, 6); }
void TEMFtoCanvasExport::DoPolyline() { TEMFAbstractExport::DoPolyline(); PolyPoints(false, true, false, 2); }
void TEMFtoCanvasExport::DoPolyline16() { TEMFAbstractExport::DoPolyline16(); PolyPoints(true, true, false, 2); }

// While a record is handled the current position is still where it starts; the next one is
// where it ends.
void TEMFtoCanvasExport::DoPolylineTo() { TEMFAbstractExport::DoPolylineTo(); PolyPoints(false, false, false, 2); }
void TEMFtoCanvasExport::DoPolylineTo16() { TEMFAbstractExport::DoPolylineTo16(); PolyPoints(true, false, false, 2); }

void TEMFtoCanvasExport::PolyPoly(bool Small, bool Close, int Flags) {
  const TEnhMetaObj& V = *FEMRList.back();
  const std::uint32_t NPolys = V.LongWordAt(24);
  if (NPolys == 0) return;
  const std::int64_t PointsAt = 32 + 4 * std::int64_t(NPolys);
  std::int64_t Index = 0;
  std::vector<TFigure> Figures;
  std::size_t Total = 0;
  for (std::uint32_t Poly = 0; Poly < NPolys; ++Poly) {
    const std::uint32_t Count = V.LongWordAt(32 + 4 * std::int64_t(Poly));
    if (Total + Count > MaxPathPoints) break;
    Total += Count;
    TFigure F;
    F.Closed = Close;
    for (std::uint32_t I = 0; I < Count; ++I, ++Index)
      F.Points.push_back(Small ? ToPixel16(V.LongWordAt(PointsAt + 4 * Index))
                               : ToPixel(V.IntegerAt(PointsAt + 8 * Index), V.IntegerAt(PointsAt + 8 * Index + 4)));
    Figures.push_back(std::move(F));
  }
  Shape(std::move(Figures), Flags);
}

void TEMFtoCanvasExport::DoPolyPolygon() { TEMFAbstractExport::DoPolyPolygon(); PolyPoly(false, true, 6); }
void TEMFtoCanvasExport::DoPolyPolygon16() { TEMFAbstractExport::DoPolyPolygon16(); PolyPoly(true, true, 6); }
void TEMFtoCanvasExport::DoPolyPolyline() { TEMFAbstractExport::DoPolyPolyline(); PolyPoly(false, false, 2); }
void TEMFtoCanvasExport::DoPolyPolyline16() { TEMFAbstractExport::DoPolyPolyline16(); PolyPoly(true, false, 2); }

void TEMFtoCanvasExport::Bezier(bool Small, bool MoveFirst, int Flags) {
  const TEnhMetaObj& V = *FEMRList.back();
  const std::uint32_t N = V.LongWordAt(24);
  if (N == 0 || (MoveFirst && N < 2) || N > MaxPathPoints / CurveSteps) return;
  // Logical points: flattening happens before the mapping so curves stay smooth at any scale.
  auto Point = [&](std::uint32_t I) -> TrepPoint {
    if (Small) {
      const std::uint32_t P = V.LongWordAt(28 + 4 * std::int64_t(I));
      return MakeRepPoint(static_cast<std::int16_t>(P & 0xFFFF), static_cast<std::int16_t>(P >> 16));
    }
    return MakeRepPoint(V.IntegerAt(28 + 8 * std::int64_t(I)), V.IntegerAt(32 + 8 * std::int64_t(I)));
  };
  TFigure F;
  std::uint32_t I = 0;
  TrepPoint Cur;
  if (MoveFirst)
    Cur = Point(I++);
  else
    Cur = MakeRepPoint(FDC->PositionCurrent().X, FDC->PositionCurrent().Y);
  F.Points.push_back(ToPixel(Cur.X, Cur.Y));
  while (I + 2 < N) {
    const TrepPoint C1 = Point(I), C2 = Point(I + 1), E = Point(I + 2);
    for (int S = 1; S <= CurveSteps; ++S) {
      const double T = double(S) / CurveSteps, U = 1 - T;
      const double X = U * U * U * Cur.X + 3 * U * U * T * C1.X + 3 * U * T * T * C2.X + T * T * T * E.X;
      const double Y = U * U * U * Cur.Y + 3 * U * U * T * C1.Y + 3 * U * T * T * C2.Y + T * T * T * E.Y;
      F.Points.push_back(ToPixel(X, Y));
    }
    Cur = E;
    I += 3;
  }
  if (FDC->IsPathBracketOpened() && !MoveFirst) {
    for (std::size_t K = 1; K < F.Points.size(); ++K) ContinueFigure(F.Points[K]);
    return;
  }
  Shape({std::move(F)}, Flags);
}

void TEMFtoCanvasExport::DoPolyBezier() { TEMFAbstractExport::DoPolyBezier(); Bezier(false, true, 2); }
void TEMFtoCanvasExport::DoPolyBezier16() { TEMFAbstractExport::DoPolyBezier16(); Bezier(true, true, 2); }
void TEMFtoCanvasExport::DoPolyBezierTo() { TEMFAbstractExport::DoPolyBezierTo(); Bezier(false, false, 2); }
void TEMFtoCanvasExport::DoPolyBezierTo16() { TEMFAbstractExport::DoPolyBezierTo16(); Bezier(true, false, 2); }

// ---- Text ----

void TEMFtoCanvasExport::DoExtTextOutW() {
  TEMFAbstractExport::DoExtTextOutW();
  auto& View = static_cast<TEMRExtTextOutWObj&>(*FEMRList.back());
  const TEnhMetaData& D = *View.P();
  const tagEMRTEXT& T = D.ExtTextOutW.emrtext;
  UseClip();
  if (T.fOptions & ETO_OPAQUE) {
    const gfx::TRect R = ToPixelRect(T.rcl);
    FCanvas.Brush = {ColorOf(static_cast<std::uint32_t>(FDC->BkColor())), gfx::bsSolid};
    FCanvas.FillRect(R);
  }
  const bool IsRTL = ((T.fOptions & ETO_RTLREADING) != 0 || (FDC->TextAlignmentMode() & 0x100) != 0) &&
                     (FDC->FontCharSet() == 177 || FDC->FontCharSet() == 178);
  // Glyph indices name glyphs of a font file the canvas cannot know: such text is left out.
  if ((T.fOptions & ETO_GLYPH_INDEX) != 0) return;
  const std::u16string Text = View.OutputString(FDC->FontFamily(), IsRTL);
  const int Em = ToPixelSize(FDC->FontSize());
  if (Text.empty() || Em <= 0) return;
  std::unique_ptr<gfx::TFont> Font = CreateFontFromDC();
  FCanvas.Font.Assign(*Font);
  gfx::TTextOut Out;
  Out.Text = Text;
  Out.FontHeight = Em;
  Out.Escapement = FDC->FontOrientation();
  Out.Options = IsRTL ? gfx::ETO_RTLREADING : 0;
  // Advances as the record gives them, scaled; absent or all zero: the font's own.
  if (T.offDx >= 76) {
    const TLongWordArray Dx = View.OutputDx();
    if (std::any_of(Dx.begin(), Dx.end(), [](std::uint32_t V) { return V != 0; })) {
      double Sum = 0, Placed = 0;
      for (std::uint32_t V : Dx) {
        Sum += LogToDevSizeX(static_cast<std::int32_t>(V)) * FFactor.X;
        const double Next = std::round(Finite(Sum, 1e7));
        Out.Dx.push_back(static_cast<int>(Next - Placed));
        Placed = Next;
      }
      Out.Dx.resize(Text.size(), 0);
    }
  }
  int Width = 0;
  if (Out.Dx.empty()) {
    std::vector<int> Adv(Text.size(), 0);
    const gfx::TFontFace* Face = gfx::FindFace(Font->Name(), gfx::HasStyle(Font->Style(), gfx::fsBold),
                                               gfx::HasStyle(Font->Style(), gfx::fsItalic));
    if (Face != nullptr) gfx::TSizedFont::Get(Face, Out.FontHeight)->Advances(Text, Adv.data());
    for (int A : Adv) Width += A;
  } else {
    for (int A : Out.Dx) Width += A;
  }
  int Ascent = Out.FontHeight * 9 / 10;
  if (const gfx::TFontFace* Face = gfx::FindFace(Font->Name(), gfx::HasStyle(Font->Style(), gfx::fsBold),
                                                 gfx::HasStyle(Font->Style(), gfx::fsItalic)))
    Ascent = gfx::TSizedFont::Get(Face, Out.FontHeight)->Ascent();
  // From the reference point and the alignment to the top left of the first cell, along the
  // text's direction.
  const double A = Finite(FDC->FontRadian(), 100);
  double H = 0, V = 0;
  switch (FDC->HAlign()) {
    case haRight: H = 1; break;
    case haCenter: H = 0.5; break;
    default: break;
  }
  switch (FDC->VAlign()) {
    case vaTop: V = 0; break;
    case vaBottom: V = Out.FontHeight; break;
    default: V = Ascent; break;
  }
  const gfx::TPoint Ref = ToPixel(T.ptlReference.X, T.ptlReference.Y);
  const double X = Ref.X - H * Width * std::cos(A) - V * std::sin(A);
  const double Y = Ref.Y + H * Width * std::sin(A) - V * std::cos(A);
  Out.X = static_cast<int>(std::lround(Finite(X, 1e7)));
  Out.Y = static_cast<int>(std::lround(Finite(Y, 1e7)));
  if ((T.fOptions & ETO_CLIPPED) != 0) {
    Out.Options |= gfx::ETO_CLIPPED;
    Out.Clip = ToPixelRect(T.rcl);
  }
  FCanvas.ExtTextOut(Out);
}

// ---- Bitmaps ----

void TEMFtoCanvasExport::BitmapRecord(const TRect& Rect, std::uint32_t Rop, bool Transparent) {
  const auto& View = static_cast<const TEMRBitmap&>(*FEMRList.back());
  const gfx::TRect R = ToPixelRect(Rect);
  if (R.Width() <= 0 || R.Height() <= 0) return;
  UseClip();
  if (Rop == PATCOPY && !Transparent) {
    UseBrush();
    FCanvas.FillRect(R);
    return;
  }
  if (Rop == DSTCOPY && !Transparent) return;
  const bool Alpha = View.RecordType() == EMR_ALPHABLEND;
  if (!Transparent && !Alpha && Rop != SRCCOPY && Rop != SRCAND && Rop != SRCPAINT && Rop != SRCINVERT) return;
  try {
    if (Alpha && Rop == AC_SRC_OVER) {
      std::unique_ptr<TEMFPngImage> Png = static_cast<const TEMRAlphaBlendObj&>(View).GetPngObject();
      if (std::int64_t(Png->Width()) * Png->Height() > MaxBitmapPixels) return;
      gfx::TBitmap B(Png->Width(), Png->Height(), gfx::pf32bit);
      for (int Y = 0; Y < Png->Height(); ++Y) {
        const std::uint8_t* S = Png->ScanLine(Y);
        std::uint32_t* Row = B.ScanLine(Y);
        for (int X = 0; X < Png->Width(); ++X) {
          const std::uint32_t A8 = S[4 * X + 3];
          auto Pre = [A8](std::uint32_t C) { return (C * A8 + 127) / 255; };
          Row[X] = A8 << 24 | Pre(S[4 * X]) << 16 | Pre(S[4 * X + 1]) << 8 | Pre(S[4 * X + 2]);
        }
      }
      FCanvas.StretchDraw(R, B);
      return;
    }
    std::unique_ptr<TEMFBitmap> Bmp = View.GetBitmap();
    if (std::int64_t(Bmp->Width()) * Bmp->Height() > MaxBitmapPixels) return;
    gfx::TBitmap B(Bmp->Width(), Bmp->Height(), gfx::pf24bit);
    for (int Y = 0; Y < Bmp->Height(); ++Y)
      for (int X = 0; X < Bmp->Width(); ++X) {
        const std::uint32_t C = Bmp->PixelRGB(X, Y);  // 0x00RRGGBB
        B.SetPixel(X, Y, static_cast<gfx::TColor>(((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF)));
      }
    // A transparent blit names its transparent colour where other blits name the operation.
    FCanvas.StretchDraw(R, B, Transparent ? ColorOf(Rop) : gfx::clNone);
  } catch (const EEMFError&) {
    // An unreadable bitmap is left out; the rest of the metafile still draws.
  }
}

// The destination rectangle of a bitmap record; a far corner past the integer range is clamped.
namespace {
template <class TRecord>
TRect DestRect(const TRecord& B) {
  auto Clamp = [](std::int64_t V) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(V, INT32_MIN, INT32_MAX)); };
  return {B.xDest, B.yDest, Clamp(std::int64_t(B.xDest) + B.cxDest), Clamp(std::int64_t(B.yDest) + B.cyDest)};
}
}  // namespace

void TEMFtoCanvasExport::DoBitBlt() {
  TEMFAbstractExport::DoBitBlt();
  const tagEMRBITBLT& B = LastRecordData()->BitBlt;
  BitmapRecord(DestRect(B), B.dwRop, false);
}

void TEMFtoCanvasExport::DoStretchBlt() {
  TEMFAbstractExport::DoStretchBlt();
  const tagEMRBITBLT& B = LastRecordData()->BitBlt;
  BitmapRecord(DestRect(B), B.dwRop, false);
}

void TEMFtoCanvasExport::DoAlphaBlend() {
  TEMFAbstractExport::DoAlphaBlend();
  const tagEMRALPHABLEND& B = LastRecordData()->AlphaBlend;
  BitmapRecord(DestRect(B), B.dwRop, false);
}

void TEMFtoCanvasExport::DoTransparentBlt() {
  TEMFAbstractExport::DoTransparentBlt();
  const tagEMRTRANSPARENTBLT& B = LastRecordData()->TransparentBlt;
  BitmapRecord(DestRect(B), B.dwRop, true);
}

void TEMFtoCanvasExport::DoStretchDIBits() {
  TEMFAbstractExport::DoStretchDIBits();
  const tagEMRSTRETCHDIBITS& S = LastRecordData()->StretchDIBits;
  BitmapRecord(DestRect(S), S.dwRop, false);
}

// ---------------------------------------------------------------------------------------------

void PlayMetafileOnCanvas(const gfx::TMetafile& Metafile, gfx::TCanvas& Canvas, const gfx::TRect& Rect) {
  if (!Metafile.Enhanced() || Metafile.Bytes().empty() || Rect.Width() <= 0 || Rect.Height() <= 0) return;
  rt::TMemoryStream In;
  In.WriteBuffer(Metafile.Bytes().data(), static_cast<std::int64_t>(Metafile.Bytes().size()));
  In.SetPosition(0);
  TEMFtoCanvasExport Player(&In, Canvas, Rect);
  try {
    Player.PlayMetaFile();
  } catch (const EEMFError&) {
    // What came before the damage is drawn; the canvas has its state back (AfterPlay).
  }
}

void EMFCanvasPlayerInitialization() { gfx::TMetafile::MetafilePlayer = PlayMetafileOnCanvas; }
