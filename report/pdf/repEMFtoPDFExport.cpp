#include "report/pdf/repEMFtoPDFExport.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/gfx/Picture.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassView.h"

namespace {

// Every number that reaches the content stream passes here.
double Finite(double V, double Limit = TEMFtoPDFExport::MaxPDFCoordinate) {
  if (!std::isfinite(V)) return 0;
  return std::clamp(V, -Limit, Limit);
}

std::string Num(double V) { return FloatToPDFText(Finite(V), 3); }
std::string Pt(const TrepPoint& P) { return Num(P.X) + " " + Num(P.Y); }

std::string ColorText(std::uint32_t C) {
  return PDFColorText(static_cast<TColor>(C & 0xFFFFFF));
}

constexpr std::uint32_t PS_NULL = 5;

const char* const RealizedRecords[] = {
    "EMR_AbortPath=?", "EMR_AngleArc", "EMR_AlphaBlend", "EMR_BeginPath", "EMR_BitBlt", "EMR_BrushOrgEx",
    "EMR_CloseFigure", "EMR_CreateBrushIndirect", "EMR_CreatePen", "EMR_DeleteObject", "EMR_PolyDraw",
    "EMR_PolyDraw16", "EMR_Ellipse", "EMR_EndPath", "EMR_EoF", "EMR_ExtCreateFontIndirectW",
    "EMR_ExtCreatePen", "EMR_ExtSelectClipRgn", "EMR_ExtTextOutW", "EMR_FillPath", "EMR_GDIComment",
    "EMR_Header", "EMR_IntersectClipRect=?", "EMR_LineTo", "EMR_MaskBlt", "EMR_ModifyWorldTransform",
    "EMR_MoveToEx", "EMR_PolyBezier", "EMR_PolyBezier16", "EMR_PolyBezierTo", "EMR_PolyBezierTo16",
    "EMR_Polygon", "EMR_Polygon16", "EMR_Polyline", "EMR_Polyline16", "EMR_PolylineTo", "EMR_PolylineTo16",
    "EMR_PolyPolygon", "EMR_PolyPolygon16", "EMR_PolyPolyline", "EMR_PolyPolyline16", "EMR_Rectangle",
    "EMR_RestoreDC", "EMR_RoundRect", "EMR_SaveDC", "EMR_SelectClipPath", "EMR_SelectObject",
    "EMR_SetBkColor", "EMR_SetBkMode", "EMR_SetICMMode", "EMR_SetLayout", "EMR_SetMetaRgn",
    "EMR_SetMiterLimit", "EMR_SetPolyFillMode", "EMR_SetRop2", "EMR_SetTextAlign", "EMR_SetTextColor",
    "EMR_SetStretchBltMode", "EMR_SetWorldTransform", "EMR_StretchDIBits", "EMR_StretchBlt",
    "EMR_StrokeAndFillPath", "EMR_StrokePath", "EMR_TransparentBlt"};

TrepPoint Unpack16(std::uint32_t P) {
  return MakeRepPoint(static_cast<std::int16_t>(P & 0xFFFF), static_cast<std::int16_t>(P >> 16));
}

} // namespace

// ---------------------------------------------------------------------------------------------

void TPDFPath::Flush() {
  if (FOutStream != nullptr && !FStream.empty()) WritePDFRaw(*FOutStream, FStream);
  FStream.clear();
  FExists = false;
}

TEMFPDFSizeConverter::TEMFPDFSizeConverter(TEMFtoPDFExport& Export, const gfx::TFont& Font)
    : FExport(Export), FEMFPDFFactor(Export.FEMFtoPDFFactor.X), FFontSize(Font.Size()) {}

void TEMFPDFSizeConverter::SetLog(double X) {
  FLog = X;
  FDev = FExport.LogToDevSizeX(X);
  FPDF = FDev * FEMFPDFFactor;
  FChar = FFontSize != 0 ? FDev * 1000 / FFontSize * FEMFPDFFactor : 0;
}

// ---------------------------------------------------------------------------------------------

TEMFtoPDFExport::TEMFtoPDFExport(rt::TStream* InStream, rt::TStream* OutStream, const TrepRect& APDFRect,
                                 TEMFPDFDocument* ADocument)
    : TEMFAbstractExport(InStream, OutStream), FPDFRect(APDFRect), FPOH(ADocument), FPath(OutStream) {
  // The base constructor made a plain context; this converter keeps its own.
  CreateDeviceContext();
  FDC->Init();
  for (const char* R : RealizedRecords) {
    const std::string S = R;
    const auto Eq = S.find('=');
    if (Eq == std::string::npos)
      FRealizationList.emplace_back(S, "");
    else
      FRealizationList.emplace_back(S.substr(0, Eq), S.substr(Eq + 1));
  }
}

TEMFtoPDFExport::~TEMFtoPDFExport() = default;

void TEMFtoPDFExport::CreateDeviceContext() { FDC = std::make_unique<TPDFDeviceContext>(); }

std::unique_ptr<gfx::TFont> TEMFtoPDFExport::CreateFontFromDC() {
  auto F = TEMFAbstractExport::CreateFontFromDC();
  const double Size = Finite(LogToPDFSize(DC().FontSize()), 10000);
  F->SetSize(static_cast<int>(std::nearbyint(Size)));
  return F;
}

// ---- Output ----

void TEMFtoPDFExport::PDFPutLine(const std::string& S) {
  if (FOutStream != nullptr) WritePDFLine(*FOutStream, S);
}

void TEMFtoPDFExport::PDFPathLine(const std::string& S) {
  FPath.Put(S + "\r\n");
}

void TEMFtoPDFExport::SaveState() {
  PDFPutLine("q");
  ++FqQBalance;
  ++FOpenStates;
}

void TEMFtoPDFExport::RestoreState() {
  // A metafile that restores more than it saved must not close the converter's own state.
  if (FOpenStates <= 0) return;
  PDFPutLine("Q");
  --FqQBalance;
  --FOpenStates;
}

// ---- Coordinates ----

TrepPoint TEMFtoPDFExport::LogToPDFPoint(double X, double Y) {
  const TrepPoint D = LogToDevXY(X, Y);
  return MakeRepPoint(Finite(D.X * FEMFtoPDFFactor.X + FPDFRect.Left),
                      Finite(FPDFRect.Top - D.Y * FEMFtoPDFFactor.Y));
}

TrepPoint TEMFtoPDFExport::LogToPDFPoint16(std::uint32_t Packed) {
  const TrepPoint P = Unpack16(Packed);
  return LogToPDFPoint(P.X, P.Y);
}

TrepRect TEMFtoPDFExport::LogToPDFRect(const TRect& R) {
  const TrepPoint A = LogToPDFPoint(R.Left, R.Top), B = LogToPDFPoint(R.Right, R.Bottom);
  TrepRect Res;
  Res.Left = std::min(A.X, B.X);
  Res.Right = std::max(A.X, B.X);
  Res.Top = std::max(A.Y, B.Y);
  Res.Bottom = std::min(A.Y, B.Y);
  return Res;
}

double TEMFtoPDFExport::LogToPDFSize(double L) {
  return Finite(LogToDevSize(L) * (FEMFtoPDFFactor.X + FEMFtoPDFFactor.Y) / 2);
}

// ---- Painting ----

bool TEMFtoPDFExport::IsNullBrush() const {
  const std::uint32_t S = FDC->BrushStyle();
  return ForceNullBrush || S == 1 || S == 7 || S == 8 || S == 9;
}

std::string TEMFtoPDFExport::FillOperatorSuffix() const { return FDC->PolyFillMode() == 1 ? "*" : ""; }

std::string TEMFtoPDFExport::DashPatternOperands(std::uint32_t Style, double W) const {
  // A dash array of zeros is an error in PDF: a pen too thin to measure is drawn solid.
  if (!(W > 0)) return "";
  const std::string D = Num(6 * W), d = Num(2 * W);
  switch (Style) {
    case 0: case 5: case 6: return "";
    case 1: return D;
    case 2: return d + " " + D;
    case 3: return D + " " + D + " " + d + " " + D;
    case 4: return D + " " + D + " " + d + " " + D + " " + d + " " + D;
    case 8: return d + " " + d;
    default: return D + " " + d;
  }
}

void TEMFtoPDFExport::PaintPath(int Type, bool UseBkColor) {
  static const char* const Ops[] = {"n", nullptr, "S", "s", "f", "f", "B", "b"};
  if (Type < 0 || Type > 7 || Type == 1) throw rt::Exception("Invalid Patch Painting");
  FPath.FExists = false;
  const TDeviceContext& C = *FDC;
  if (Type & 4) PDFPutLine(ColorText(static_cast<std::uint32_t>(UseBkColor ? C.BkColor() : C.BrushColor())) + " rg");
  if (Type & 2) {
    const double W = LogToPDFSize(C.PenWidth());
    PDFPutLine("[" + DashPatternOperands(C.PenStyle(), W) + "] 0 d");
    PDFPutLine(ColorText(static_cast<std::uint32_t>(C.PenColor())) + " RG");
    PDFPutLine(Num(W) + " w");
    PDFPutLine(FloatToPDFText(Finite(C.MiterLimit(), 1000) < 1 ? 1 : Finite(C.MiterLimit(), 1000), 3) + " M");
    std::string Cap = "0 J";
    if (ForceButtLineCap) Cap = "2 J";
    else if (C.PenEndCap() == 0) Cap = "1 J";
    else if (C.PenEndCap() == 0x100) Cap = "2 J";
    PDFPutLine(Cap);
    std::string Join = "0 j";
    if (!ForceMitterLineJoin) {
      if (C.PenLineJoin() == 0) Join = "1 j";
      else if (C.PenLineJoin() == 0x1000) Join = "2 j";
    }
    PDFPutLine(Join);
  }
  FPath.Flush();
  std::string Op = Ops[Type];
  if (Type >= 4) Op += FillOperatorSuffix();
  PDFPutLine(Op);
}

int TEMFtoPDFExport::PaintType(int Flags) const {
  int T = 0;
  if ((Flags & 2) && FDC->PenStyle() != PS_NULL) T += 2;
  if ((Flags & 4) && !IsNullBrush()) T += 4;
  if ((Flags & 1) && T != 0) T += 1;
  return T;
}

void TEMFtoPDFExport::BeginShape() {
  if (!FDC->IsPathBracketOpened()) SaveState();
}

void TEMFtoPDFExport::FinishShape(int Flags) {
  if (FDC->IsPathBracketOpened()) return;
  PaintPath(PaintType(Flags));
  RestoreState();
  if (Flags & 8) PathPoint(LogToPDFPoint(FDC->PositionNext()), "m");
}

void TEMFtoPDFExport::PathPoint(const TrepPoint& P, const char* Op) {
  PDFPathLine(Pt(P) + " " + Op);
  if (Op[0] == 'm') FPath.FExists = true;
}

// A "...To" record continues from the current position; when no path holds it (it was painted
// or ended by a text or clip record), the position starts a new one.
void TEMFtoPDFExport::EnsureCurrentPoint() {
  if (!FPath.FExists) PathPoint(LogToPDFPoint(FDC->PositionCurrent()), "m");
}

void TEMFtoPDFExport::ClipToPath() {
  if (FPath.FExists)
    PDFPathLine("W" + FillOperatorSuffix());
  else
    PDFPutLine("W" + FillOperatorSuffix());
}

void TEMFtoPDFExport::ClipToRegion() {
  if (!FDC->ClipRgn()) return;
  const bool Saved = EnableTransform;
  EnableTransform = false;
  std::vector<TRect> Rects = FDC->ClipRgn()->Rects();
  for (const TRect& R : Rects) {
    PDFPathLine(PDFRectText(LogToPDFRect(R)) + " re");
    FPath.FExists = true;
  }
  EnableTransform = Saved;
  if (Rects.empty()) {
    // An empty region hides everything.
    PDFPathLine("0 0 0 0 re");
    FPath.FExists = true;
  }
  ClipToPath();
  PaintPath(0);
}

// ---- Arcs and rounded rectangles ----

void TEMFtoPDFExport::WriteArc(double CX, double CY, double RX, double RY, double Sweep, double Start) {
  if (!std::isfinite(Sweep) || !std::isfinite(Start)) return;
  Sweep = std::clamp(Sweep, -3600.0, 3600.0);
  const int N = std::max(1, static_cast<int>(std::ceil(std::abs(Sweep) / 60)));
  auto P = [&](double T) { return LogToPDFPoint(CX + RX * std::cos(T), CY - RY * std::sin(T)); };
  const double Rad = std::numbers::pi / 180;
  for (int I = 0; I < N; ++I) {
    const double A1 = (Start + I * Sweep / N) * Rad, A2 = (Start + (I + 1) * Sweep / N) * Rad;
    const double E = std::tan((A2 - A1) / 2);
    const double K = std::sin(A2 - A1) * (std::sqrt(4 + 3 * E * E) - 1) / 3;
    if (I == 0) PathPoint(P(A1), "m");
    const TrepPoint C1 = LogToPDFPoint(CX + RX * std::cos(A1) + K * (-RX * std::sin(A1)),
                                       CY - RY * std::sin(A1) + K * (-RY * std::cos(A1)));
    const TrepPoint C2 = LogToPDFPoint(CX + RX * std::cos(A2) - K * (-RX * std::sin(A2)),
                                       CY - RY * std::sin(A2) - K * (-RY * std::cos(A2)));
    PDFPathLine(Pt(C1) + " " + Pt(C2) + " " + Pt(P(A2)) + " c");
  }
}

void TEMFtoPDFExport::WriteRoundRect(const TrepRect& R, double RX, double RY) {
  RX = Finite(RX);
  RY = Finite(RY);
  auto P = [](double X, double Y) { return MakeRepPoint(X, Y); };
  auto C = [this, &P](double X1, double Y1, double X2, double Y2, double X3, double Y3) {
    PDFPathLine(Pt(P(X1, Y1)) + " " + Pt(P(X2, Y2)) + " " + Pt(P(X3, Y3)) + "  c");
  };
  PathPoint(P(R.Left + RX, R.Bottom), "m");
  PathPoint(P(R.Right - RX, R.Bottom), "l");
  C(R.Right - RX / 2, R.Bottom, R.Right, R.Bottom + RY / 2, R.Right, R.Bottom + RY);
  PathPoint(P(R.Right, R.Top - RY), "l");
  C(R.Right, R.Top - RY / 2, R.Right - RX / 2, R.Top, R.Right - RX, R.Top);
  PathPoint(P(R.Left + RX, R.Top), "l");
  C(R.Left + RX / 2, R.Top, R.Left, R.Top - RY / 2, R.Left, R.Top - RY);
  PathPoint(P(R.Left, R.Bottom + RY), "l");
  C(R.Left, R.Bottom + RY / 2, R.Left + RX / 2, R.Bottom, R.Left + RX, R.Bottom);
}

// ---- Play ----

void TEMFtoPDFExport::BeforePlay() {
  PDFPutLine("q");
  if (Clipped) {
    PDFPutLine(PDFRectText(TrepRect{Finite(FPDFRect.Left), Finite(FPDFRect.Top), Finite(FPDFRect.Right),
                                     Finite(FPDFRect.Bottom)}) + " re");
    PDFPutLine("W" + FillOperatorSuffix());
    PDFPutLine("n");
  }
}

void TEMFtoPDFExport::AfterPlay() {
  // A metafile that ends without its end record leaves its states and path open.
  if (FPath.FExists) PaintPath(0);
  FPath.Clear();
  while (FOpenStates > 0) RestoreState();
  PDFPutLine("Q");
}

void TEMFtoPDFExport::DoHeader() {
  TEMFAbstractExport::DoHeader();
  const tagENHMETAHEADER& H = LastRecordData()->Header;
  auto Factor = [](double Target, double Device, double Millimetres, double Frame, double Bounds) {
    double Units = Millimetres != 0 ? Device / Millimetres * Frame / 100 : 0;
    // A header without a usable frame or physical size: its bounds, else pixels at 96 per inch.
    if (!std::isfinite(Units) || Units == 0) Units = Bounds;
    if (Units == 0) return 0.75;
    return Finite(Target / Units, 1e6);
  };
  FEMFtoPDFFactor.X = Factor(FPDFRect.Right - FPDFRect.Left, H.szlDevice.cx, H.szlMillimeters.cx,
                             double(H.rclFrame.Right) - H.rclFrame.Left,
                             double(H.rclBounds.Right) - H.rclBounds.Left + 1);
  FEMFtoPDFFactor.Y = Factor(FPDFRect.Top - FPDFRect.Bottom, H.szlDevice.cy, H.szlMillimeters.cy,
                             double(H.rclFrame.Bottom) - H.rclFrame.Top,
                             double(H.rclBounds.Bottom) - H.rclBounds.Top + 1);
  FqQBalance = 0;
  FHeaderSeen = true;
}

void TEMFtoPDFExport::DoEoF() {
  TEMFAbstractExport::DoEoF();
  if (FPath.FExists) PaintPath(0);
  FPath.Clear();
  if (PDC().FExtSelectClipRgnCreated) {
    PDC().FExtSelectClipRgnCreated = false;
    RestoreState();
  }
  while (FqQBalance > 0 && FOpenStates > 0) RestoreState();
}

void TEMFtoPDFExport::Comment(const std::u16string& Text) {
  if (!Text.empty()) {
    PDFPutLine("%--" + rt::Utf16ToUtf8(Text));
    return;
  }
  if (!ShowComments) return;
  WriteRealizationComment();
  std::u16string P = Parsing();
  for (char16_t& C : P)
    if (C == u'\r' || C == u'\n') C = u' ';
  PDFPutLine("%--" + rt::Utf16ToAnsi(P));
}

void TEMFtoPDFExport::WriteRealizationComment() {
  const std::u16string& P = Parsing();
  const std::string Name = rt::Utf16ToUtf8(P.substr(0, P.find(u' ')));
  std::string Value = "0";
  for (const auto& [Key, V] : FRealizationList) {
    if (Key == Name) {
      if (V.empty()) return;
      Value = V;
      break;
    }
  }
  PDFPutLine("% Realization: " + Value);
}

void TEMFtoPDFExport::DoAbortPath() {
  TEMFAbstractExport::DoAbortPath();
  // The figures of an abandoned path are never painted.
  FPath.Clear();
}

void TEMFtoPDFExport::DoAngleArc() {
  TEMFAbstractExport::DoAngleArc();
  const tagEMRANGLEARC& A = LastRecordData()->AngleArc;
  const double R = std::min<double>(A.nRadius, 1e7);
  BeginShape();
  WriteArc(A.ptlCenter.X, A.ptlCenter.Y, R, R, A.eSweepAngle, A.eStartAngle);
  FinishShape(2);
}

void TEMFtoPDFExport::DoCloseFigure() {
  TEMFAbstractExport::DoCloseFigure();
  if (FPath.FExists) PDFPathLine("h");
}

void TEMFtoPDFExport::DoEllipse() {
  TEMFAbstractExport::DoEllipse();
  const TrepRect R = LogToPDFRect(LastRecordData()->Ellipse.rclBox);
  BeginShape();
  WriteRoundRect(R, (R.Right - R.Left) / 2, (R.Top - R.Bottom) / 2);
  FinishShape(6);
}

void TEMFtoPDFExport::DoExtSelectClipRgn() {
  TEMFAbstractExport::DoExtSelectClipRgn();
  if (PDC().FExtSelectClipRgnCreated)
    RestoreState();
  else
    PDC().FExtSelectClipRgnCreated = true;
  SaveState();
  ClipToRegion();
}

void TEMFtoPDFExport::DoFillPath() {
  TEMFAbstractExport::DoFillPath();
  PaintPath(4);
}

void TEMFtoPDFExport::DoIntersectClipRect() { TEMFAbstractExport::DoIntersectClipRect(); }

void TEMFtoPDFExport::DoLineTo() {
  TEMFAbstractExport::DoLineTo();
  BeginShape();
  EnsureCurrentPoint();
  PathPoint(LogToPDFPoint(FDC->PositionNext()), "l");
  FinishShape(10);
}

void TEMFtoPDFExport::DoMoveToEx() {
  TEMFAbstractExport::DoMoveToEx();
  PathPoint(LogToPDFPoint(FDC->PositionNext()), "m");
}

void TEMFtoPDFExport::DoPie() {
  TEMFAbstractExport::DoPie();
  const tagEMRARC& A = LastRecordData()->Pie;
  const double CX = (double(A.rclBox.Left) + A.rclBox.Right) / 2, CY = (double(A.rclBox.Top) + A.rclBox.Bottom) / 2;
  const double RX = (double(A.rclBox.Right) - A.rclBox.Left) / 2, RY = (double(A.rclBox.Bottom) - A.rclBox.Top) / 2;
  const double Deg = 180 / std::numbers::pi;
  const double T1 = std::atan2(A.ptlStart.Y - CY, A.ptlStart.X - CX) * Deg;
  const double T2 = std::atan2(A.ptlEnd.Y - CY, A.ptlEnd.X - CX) * Deg;
  double Sweep = T1 - T2;
  if (Sweep < 0) Sweep += 360;
  BeginShape();
  WriteArc(CX, CY, RX, RY, Sweep, -T1);
  PathPoint(LogToPDFPoint(CX, CY), "l");
  FinishShape(7);
}

void TEMFtoPDFExport::WritePolyPoints(bool Small, bool MoveFirst, bool Close, int Flags) {
  const TEnhMetaData& D = *LastRecordData();
  const std::uint32_t N = Small ? D.Polyline16.cpts : D.Polyline.cptl;
  if (N < 2 && MoveFirst) return;
  if (N == 0) return;
  const TEnhMetaObj& V = *FEMRList.back();
  BeginShape();
  if (!MoveFirst) EnsureCurrentPoint();
  for (std::uint32_t I = 0; I < N; ++I) {
    TrepPoint P = Small ? LogToPDFPoint16(V.LongWordAt(28 + 4 * std::int64_t(I)))
                        : LogToPDFPoint(V.IntegerAt(28 + 8 * std::int64_t(I)), V.IntegerAt(32 + 8 * std::int64_t(I)));
    PathPoint(P, I == 0 && MoveFirst ? "m" : "l");
  }
  if (Close) PDFPathLine("h");
  FinishShape(Flags);
}

void TEMFtoPDFExport::DoPolygon() { TEMFAbstractExport::DoPolygon(); WritePolyPoints(false, true, true, 6); }
void TEMFtoPDFExport::DoPolygon16() { TEMFAbstractExport::DoPolygon16(); WritePolyPoints(true, true, true, 6); }
void TEMFtoPDFExport::DoPolyline() { TEMFAbstractExport::DoPolyline(); WritePolyPoints(false, true, false, 2); }
void TEMFtoPDFExport::DoPolyline16() { TEMFAbstractExport::DoPolyline16(); WritePolyPoints(true, true, false, 2); }
void TEMFtoPDFExport::DoPolylineTo() { TEMFAbstractExport::DoPolylineTo(); WritePolyPoints(false, false, false, 10); }
void TEMFtoPDFExport::DoPolylineTo16() { TEMFAbstractExport::DoPolylineTo16(); WritePolyPoints(true, false, false, 10); }

void TEMFtoPDFExport::WritePolyPoly(bool Small, bool Close, int Flags) {
  const TEnhMetaObj& V = *FEMRList.back();
  const std::uint32_t NPolys = V.LongWordAt(24);
  if (NPolys == 0) return;
  const std::int64_t PointsAt = 32 + 4 * std::int64_t(NPolys);
  std::int64_t Index = 0;
  BeginShape();
  for (std::uint32_t Poly = 0; Poly < NPolys; ++Poly) {
    const std::uint32_t Count = V.LongWordAt(32 + 4 * std::int64_t(Poly));
    for (std::uint32_t I = 0; I < Count; ++I, ++Index) {
      const TrepPoint P = Small ? LogToPDFPoint16(V.LongWordAt(PointsAt + 4 * Index))
                                : LogToPDFPoint(V.IntegerAt(PointsAt + 8 * Index), V.IntegerAt(PointsAt + 8 * Index + 4));
      PathPoint(P, I == 0 ? "m" : "l");
    }
    if (Close && Count > 0) PDFPathLine("h");
  }
  FinishShape(Flags);
}

void TEMFtoPDFExport::DoPolyPolygon() { TEMFAbstractExport::DoPolyPolygon(); WritePolyPoly(false, true, 6); }
void TEMFtoPDFExport::DoPolyPolygon16() { TEMFAbstractExport::DoPolyPolygon16(); WritePolyPoly(true, true, 6); }
void TEMFtoPDFExport::DoPolyPolyline() { TEMFAbstractExport::DoPolyPolyline(); WritePolyPoly(false, false, 2); }
void TEMFtoPDFExport::DoPolyPolyline16() { TEMFAbstractExport::DoPolyPolyline16(); WritePolyPoly(true, false, 2); }

void TEMFtoPDFExport::WriteBezier(bool Small, bool MoveFirst, int Flags) {
  const TEnhMetaObj& V = *FEMRList.back();
  const std::uint32_t N = V.LongWordAt(24);
  if (N == 0 || (MoveFirst && N < 2)) return;
  auto Point = [&](std::uint32_t I) {
    return Small ? LogToPDFPoint16(V.LongWordAt(28 + 4 * std::int64_t(I)))
                 : LogToPDFPoint(V.IntegerAt(28 + 8 * std::int64_t(I)), V.IntegerAt(32 + 8 * std::int64_t(I)));
  };
  BeginShape();
  std::uint32_t I = 0;
  if (MoveFirst) PathPoint(Point(I++), "m");
  else EnsureCurrentPoint();
  while (I < N) {
    const std::uint32_t Left = N - I;
    if (Left >= 3 && Left != 4) {
      PDFPathLine(Pt(Point(I)) + " " + Pt(Point(I + 1)) + " " + Pt(Point(I + 2)) + " c");
      I += 3;
    } else if (Left >= 2) {
      PDFPathLine(Pt(Point(I)) + " " + Pt(Point(I + 1)) + " v");
      I += 2;
    } else {
      PathPoint(Point(I), "l");
      I += 1;
    }
  }
  FinishShape(Flags);
}

void TEMFtoPDFExport::DoPolyBezier() { TEMFAbstractExport::DoPolyBezier(); WriteBezier(false, true, 2); }
void TEMFtoPDFExport::DoPolyBezier16() { TEMFAbstractExport::DoPolyBezier16(); WriteBezier(true, true, 2); }
void TEMFtoPDFExport::DoPolyBezierTo() { TEMFAbstractExport::DoPolyBezierTo(); WriteBezier(false, false, 10); }
void TEMFtoPDFExport::DoPolyBezierTo16() { TEMFAbstractExport::DoPolyBezierTo16(); WriteBezier(true, false, 10); }

void TEMFtoPDFExport::WritePolyDraw(bool Small) {
  const TEnhMetaObj& V = *FEMRList.back();
  const std::uint32_t N = V.LongWordAt(24);
  const std::int64_t TypesAt = 28 + (Small ? 4 : 8) * std::int64_t(N);
  auto Point = [&](std::uint32_t I) {
    return Small ? LogToPDFPoint16(V.LongWordAt(28 + 4 * std::int64_t(I)))
                 : LogToPDFPoint(V.IntegerAt(28 + 8 * std::int64_t(I)), V.IntegerAt(32 + 8 * std::int64_t(I)));
  };
  BeginShape();
  for (std::uint32_t I = 0; I < N; ++I) {
    const std::uint8_t T = V.ByteAt(TypesAt + I);
    if ((T & 6) == 6) {
      PathPoint(Point(I), "m");
    } else if ((T & 2) == 2) {
      EnsureCurrentPoint();
      PathPoint(Point(I), "l");
    } else if ((T & 4) == 4) {
      EnsureCurrentPoint();
      if (I + 2 < N) {
        PDFPathLine(Pt(Point(I)) + " " + Pt(Point(I + 1)) + " " + Pt(Point(I + 2)) + " c");
        I += 2;
      } else if (I + 1 < N) {
        PDFPathLine(Pt(Point(I)) + " " + Pt(Point(I + 1)) + " v");
        I += 1;
      } else {
        PathPoint(Point(I), "l");
      }
    }
    if ((V.ByteAt(TypesAt + I) & 1) == 1 && FPath.FExists) PDFPathLine("h");
  }
  FinishShape(2);
}

void TEMFtoPDFExport::DoPolyDraw() { TEMFAbstractExport::DoPolyDraw(); WritePolyDraw(false); }
void TEMFtoPDFExport::DoPolyDraw16() { TEMFAbstractExport::DoPolyDraw16(); WritePolyDraw(true); }

void TEMFtoPDFExport::DoRectangle() {
  TEMFAbstractExport::DoRectangle();
  const TrepRect R = LogToPDFRect(LastRecordData()->Rectangle.rclBox);
  BeginShape();
  PDFPathLine(PDFRectText(R) + " re");
  FPath.FExists = true;
  FinishShape(6);
}

void TEMFtoPDFExport::DoRoundRect() {
  TEMFAbstractExport::DoRoundRect();
  const tagEMRROUNDRECT& RR = LastRecordData()->RoundRect;
  const TrepRect R = LogToPDFRect(RR.rclBox);
  // Corners never larger than the rectangle.
  const double RX = std::min(LogToPDFSize(RR.szlCorner.cx) / 2, (R.Right - R.Left) / 2);
  const double RY = std::min(LogToPDFSize(RR.szlCorner.cy) / 2, (R.Top - R.Bottom) / 2);
  BeginShape();
  WriteRoundRect(R, RX, RY);
  FinishShape(6);
}

void TEMFtoPDFExport::DoRestoreDC() {
  if (PDC().FExtSelectClipRgnCreated) {
    PDC().FExtSelectClipRgnCreated = false;
    RestoreState();
  }
  const std::size_t Before = FDCList.size();
  TEMFAbstractExport::DoRestoreDC();
  // One "Q" for each context actually restored.
  for (std::size_t I = FDCList.size(); I < Before; ++I) RestoreState();
}

void TEMFtoPDFExport::DoSaveDC() {
  TEMFAbstractExport::DoSaveDC();
  SaveState();
}

void TEMFtoPDFExport::DoSelectClipPath() {
  TEMFAbstractExport::DoSelectClipPath();
  ClipToPath();
  PaintPath(0);
}

void TEMFtoPDFExport::DoStrokeAndFillPath() {
  TEMFAbstractExport::DoStrokeAndFillPath();
  PaintPath(6);
}

void TEMFtoPDFExport::DoStrokePath() {
  TEMFAbstractExport::DoStrokePath();
  PaintPath(2);
}

// ---- Text ----

namespace {

// A rotation about a point as the six operands of "cm", and the inverse turn of points.
struct TTextRotation {
  double Cos = 1, Sin = 0, C1 = 0, C2 = 0, X = 0, Y = 0;
  TTextRotation(double Radian, const TrepPoint& Center) : X(Center.X), Y(Center.Y) {
    Cos = std::cos(Radian);
    Sin = std::sin(Radian);
    C1 = X - X * Cos + Y * Sin;
    C2 = Y - X * Sin - Y * Cos;
  }
  std::string Matrix() const {
    auto F = [](double V) { return FloatToFixedText(Finite(V), 4, '.'); };
    return F(Cos) + " " + F(Sin) + " " + F(-Sin) + " " + F(Cos) + " " + F(C1) + " " + F(C2);
  }
  TrepPoint Turn(const TrepPoint& P) const {
    const double DX = P.X - X, DY = P.Y - Y;
    return MakeRepPoint(X + DX * Cos + DY * Sin, Y - DX * Sin + DY * Cos);
  }
};

} // namespace

void TEMFtoPDFExport::DoExtTextOutW() {
  TEMFAbstractExport::DoExtTextOutW();
  WriteText();
}

void TEMFtoPDFExport::WriteText() {
  auto& View = static_cast<TEMRExtTextOutWObj&>(*FEMRList.back());
  TEnhMetaData& D = *View.P();
  tagEMRTEXT& T = D.ExtTextOutW.emrtext;
  SaveState();
  if (T.fOptions & ETO_OPAQUE) {
    PDFPathLine(PDFRectText(LogToPDFRect(T.rcl)) + " re");
    FPath.FExists = true;
    PaintPath(4, true);
  }
  if (FDC->BkMode() == 2) {
    const TRect& B = D.ExtTextOutW.rclBounds;
    double L = double(B.Left) - FDC->DeviceTopLeft().X, Tp = double(B.Top) - FDC->DeviceTopLeft().Y;
    double R = double(B.Right) - FDC->DeviceTopLeft().X, Bt = double(B.Bottom) - FDC->DeviceTopLeft().Y;
    if (!FDC->IsXFormDefault()) {
      const tagXFORM& X = FDC->XForm();
      const double SX = X.eM11 != 0 ? 1 / X.eM11 : 1, SY = X.eM22 != 0 ? 1 / X.eM22 : 1;
      L *= SX; R *= SX; Tp *= SY; Bt *= SY;
    }
    auto Int = [](double V) { return static_cast<std::int32_t>(std::clamp(V, -1e9, 1e9)); };
    const TRect Box{Int(std::floor(Finite(L, 1e9))), Int(std::floor(Finite(Tp, 1e9))),
                    Int(std::ceil(Finite(R, 1e9))), Int(std::ceil(Finite(Bt, 1e9)))};
    PDFPathLine(PDFRectText(LogToPDFRect(Box)) + " re");
    FPath.FExists = true;
    PaintPath(4, true);
  }
  const bool R = (T.fOptions & ETO_RTLREADING) != 0 || (FDC->TextAlignmentMode() & 0x100) != 0 ||
                 (FDC->Layout() & 1) != 0;
  const bool IsRTL = R && (FDC->FontCharSet() == 177 || FDC->FontCharSet() == 178);
  const bool IsIndexes = !IsRTL && (T.fOptions & ETO_GLYPH_INDEX) != 0;
  if (IsIndexes) T.fOptions &= ~ETO_GLYPH_INDEX;
  const std::u16string Text = View.OutputString(FDC->FontFamily(), IsRTL);
  std::unique_ptr<gfx::TFont> Font = CreateFontFromDC();
  if (!Text.empty() && Font->Size() > 0 && FPOH != nullptr) {
    if (T.fOptions & ETO_CLIPPED) {
      PDFPathLine(PDFRectText(LogToPDFRect(T.rcl)) + " re");
      FPath.FExists = true;
      ClipToPath();
      PaintPath(0);
    }
    const double A = Finite(FDC->FontRadian(), 100);
    const double S = FDC->FontSize();
    // Advances stored inside the fixed part of the record (some writers leave the offset 0), or
    // all zero, were never measured: the font's own advances place the glyphs then.
    bool HasDx = T.offDx >= 76;
    TLongWordArray Dx;
    if (HasDx) {
      Dx = View.OutputDx();
      HasDx = std::any_of(Dx.begin(), Dx.end(), [](std::uint32_t V) { return V != 0; });
    }
    TRemapedString RS = FPOH->RemapString(*Font, Text, IsRTL, IsIndexes);
    const double L = HasDx ? View.TextLength() : RS.Width * S / 1000.0;
    double H = 0, V = 0;
    switch (FDC->HAlign()) {
      case haRight: H = -1; break;
      case haCenter: H = -0.5; break;
      default: H = 0; break;
    }
    switch (FDC->VAlign()) {
      case vaTop: V = 0.92; break;
      case vaBottom: V = -0.23; break;
      default: V = 0; break;
    }
    const double DX = L * std::cos(A) * H + S * std::sin(A) * V;
    const double DY = -L * std::sin(A) * H + S * std::cos(A) * V;
    TrepPoint P = LogToPDFPoint(T.ptlReference.X + DX, T.ptlReference.Y + DY);
    if (FDC->FontOrientation() != 0) {
      const TTextRotation Rot(A, MakeRepPoint(0, 0));
      PDFPutLine(Rot.Matrix() + " cm");
      P = Rot.Turn(P);
      P.X = Finite(P.X, 1e6);
      P.Y = Finite(P.Y, 1e6);
    }
    // A pending path ends before the text object.
    if (FPath.FExists) PaintPath(0);
    PDFPutLine("BT");
    // Characters the font lacks come in runs of the fallback faces, each with its own font.
    const std::string SizeTf = " " + FloatToFixedText(Font->Size(), 2, '.') + " Tf";
    PDFPutLine((RS.Runs.empty() ? FPOH->FontResourceName(*Font) : RS.Runs.front().FontName) + SizeTf);
    PDFPutLine("[] 0 d");
    PDFPutLine(ColorText(static_cast<std::uint32_t>(Font->Color())) + " rg");
    const std::string Origin = FloatToPDFText(P.X, 3) + " " + FloatToPDFText(P.Y, 3);
    PDFPutLine(Origin + " Td");
    const long SizePt = std::lround(Finite(LogToPDFSize(S), 1e6));
    if (!(SizePt % 2 == 0 && SizePt >= 2 && SizePt <= 20)) RS.IsAverageDx = false;
    const std::string Italic = FPOH->ItalicSimulationText(*Font);
    if (!Italic.empty()) PDFPutLine(Italic + " " + Origin + " Tm");
    const bool Kerned = !(R || !RS.IsValidCharWidth || RS.IsHasLigatures || !HasDx);
    std::vector<double> W;
    if (Kerned) {
      TEMFPDFSizeConverter Conv(*this, *Font);
      for (std::uint32_t D : Dx) {
        Conv.SetLog(static_cast<std::int32_t>(D));
        W.push_back(Finite(Conv.Char(), 1e6));
      }
      W.resize(RS.CharWidth.size(), 0);
    }
    auto Glyphs = [&](const TRemapedString& Part, std::size_t First) {
      if (!Kerned) {
        PDFPutLine("<" + UnicodeToHexText(Part.Data) + "> Tj");
        return;
      }
      const std::vector<double> PartW(W.begin() + static_cast<std::ptrdiff_t>(First),
                                      W.begin() + static_cast<std::ptrdiff_t>(First + Part.Data.size()));
      PDFPutLine("[<" + KernedGlyphsText(Part, PartW) + ">] TJ");
    };
    std::string Bold;
    if (RS.Runs.empty()) {
      Bold = FPOH->BoldSimulationText(*Font);
      if (!Bold.empty()) PDFPutLine(Bold);
      Glyphs(RS, 0);
    } else {
      for (std::size_t I = 0; I < RS.Runs.size(); ++I) {
        const TRemapedString::TFontRun& Run = RS.Runs[I];
        if (I > 0) PDFPutLine(Run.FontName + SizeTf);
        if (!Run.BoldSimulation.empty()) PDFPutLine(Run.BoldSimulation);
        else if (!Bold.empty()) PDFPutLine("0 Tr");
        Bold = Run.BoldSimulation;
        Glyphs(RS.Slice(Run), std::min(Run.First, RS.Data.size()));
      }
    }
    PDFPutLine("ET");
    if (!Bold.empty()) PDFPutLine("0 Tr");
    if (FDC->FontUnderline() || FDC->FontStrikeOut()) {
      const double Size = Font->Size(), Width = LogToPDFSize(L);
      PDFPutLine("[] 0 d");
      PDFPutLine(ColorText(static_cast<std::uint32_t>(FDC->TextColor())) + " RG");
      auto Line = [&](double LineWidth, double Offset) {
        const double Y = P.Y + Offset * Size;
        PDFPutLine(Num(LineWidth) + " w");
        PDFPutLine(Pt(MakeRepPoint(P.X, Y)) + " m");
        PDFPutLine(Pt(MakeRepPoint(P.X + Width, Y)) + " l");
        PDFPutLine("S");
      };
      if (FDC->FontUnderline()) Line(Size * 0.07125, -0.125);
      if (FDC->FontStrikeOut()) Line(Size * 0.07125 / 2, 0.29);
    }
  }
  RestoreState();
}

// ---- Bitmaps ----

void TEMFtoPDFExport::BitBltLike() {
  const auto& View = static_cast<const TEMRBitmap&>(*FEMRList.back());
  const tagEMRBITBLT& B = View.P()->BitBlt;
  auto Clamp = [](std::int64_t V) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(V, INT32_MIN, INT32_MAX)); };
  const TRect R{B.xDest, B.yDest, Clamp(std::int64_t(B.xDest) + B.cxDest), Clamp(std::int64_t(B.yDest) + B.cyDest)};
  DrawBitmapRecord(R, B.dwRop, View);
}

void TEMFtoPDFExport::DoAlphaBlend() { TEMFAbstractExport::DoAlphaBlend(); BitBltLike(); }
void TEMFtoPDFExport::DoBitBlt() { TEMFAbstractExport::DoBitBlt(); BitBltLike(); }
void TEMFtoPDFExport::DoMaskBlt() { TEMFAbstractExport::DoMaskBlt(); BitBltLike(); }
void TEMFtoPDFExport::DoStretchBlt() { TEMFAbstractExport::DoStretchBlt(); BitBltLike(); }
void TEMFtoPDFExport::DoTransparentBlt() { TEMFAbstractExport::DoTransparentBlt(); BitBltLike(); }

void TEMFtoPDFExport::DoStretchDIBits() {
  TEMFAbstractExport::DoStretchDIBits();
  const auto& View = static_cast<const TEMRBitmap&>(*FEMRList.back());
  const tagEMRSTRETCHDIBITS& S = View.P()->StretchDIBits;
  auto Clamp = [](std::int64_t V) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(V, INT32_MIN, INT32_MAX)); };
  const TRect R{S.xDest, S.yDest, Clamp(std::int64_t(S.xDest) + S.cxDest), Clamp(std::int64_t(S.yDest) + S.cyDest)};
  DrawBitmapRecord(R, S.dwRop, View);
}

void TEMFtoPDFExport::DrawImageXObject(int Index, const TrepRect& R) {
  if (FPOH == nullptr || Index < 0) return;
  FPOH->AddUsedObject(Index);
  SaveState();
  PDFPutLine(Num(R.Right - R.Left) + " 0 0 " + Num(R.Top - R.Bottom) + " " + Num(R.Left) + " " + Num(R.Bottom) + " cm");
  PDFPutLine("/Im" + std::to_string(Index) + " Do");
  RestoreState();
}

void TEMFtoPDFExport::DrawBitmapRecord(const TRect& Rect, std::uint32_t Rop, const TEMRBitmap& View) {
  const TrepRect R = LogToPDFRect(Rect);
  auto Jpeg = [&]() {
    std::unique_ptr<TEMFBitmap> Bmp;
    try {
      Bmp = View.GetBitmap();
    } catch (const EEMFError&) {
      Comment(u" Unreadable bitmap");
      return;
    }
    if (std::int64_t(Bmp->Width()) * Bmp->Height() > MaxBitmapPixels) {
      Comment(u" Bitmap too large");
      return;
    }
    if (FPOH == nullptr) return;
    gfx::TBitmap Pixels(Bmp->Width(), Bmp->Height(), gfx::pf24bit);
    for (int Y = 0; Y < Bmp->Height(); ++Y)
      for (int X = 0; X < Bmp->Width(); ++X) {
        const std::uint32_t C = Bmp->PixelRGB(X, Y);  // 0x00RRGGBB
        Pixels.SetPixel(X, Y, static_cast<gfx::TColor>(((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF)));
      }
    const std::string Data = gfx::EncodeJPEG(Pixels, std::clamp(JPGQuality, 1, 100));
    rt::TMemoryStream M;
    M.WriteBuffer(Data.data(), static_cast<std::int64_t>(Data.size()));
    TrepPDFXObjectHash Hash;
    StreamMD5(Hash, M);
    int Index = FPOH->FindXObject(Hash);
    if (Index < 0) Index = FPOH->OutXObjectImage(Hash, Data, Bmp->Width(), Bmp->Height());
    DrawImageXObject(Index, R);
  };
  switch (Rop) {
    case 0x00CC0020: case 0x008800C6: case 0x00EE0086: case 0x00660046:
      Jpeg();
      break;
    case 0x00F00021: {
      BeginShape();
      PDFPathLine(PDFRectText(LogToPDFRect(Rect)) + " re");
      FPath.FExists = true;
      FinishShape(4);
      break;
    }
    case 0x01FF0000:
      if (Transparency && View.RecordType() == EMR_ALPHABLEND) {
        std::unique_ptr<TEMFPngImage> Png;
        try {
          Png = static_cast<const TEMRAlphaBlendObj&>(View).GetPngObject();
        } catch (const EEMFError&) {
          Comment(u" Unreadable bitmap");
          break;
        }
        if (std::int64_t(Png->Width()) * Png->Height() > MaxBitmapPixels) {
          Comment(u" Bitmap too large");
          break;
        }
        if (FPOH == nullptr) break;
        const int W = static_cast<int>(std::clamp(std::lround(R.Right - R.Left), 1L, 20000L));
        const int H = static_cast<int>(std::clamp(std::lround(R.Top - R.Bottom), 1L, 20000L));
        DrawImageXObject(FPOH->OutTransparentPNG(*Png, W, H), R);
      } else {
        Jpeg();
      }
      break;
    case 0x00AA0029:
      break;
    default:
      Comment(u" Unsupported dwRop: " + rt::Utf8ToUtf16(std::to_string(Rop)));
      break;
  }
}

// ---------------------------------------------------------------------------------------------

std::unique_ptr<rt::TMemoryStream> ViewGraphicToStream(TrepView* View) {
  auto M = std::make_unique<rt::TMemoryStream>();
  std::unique_ptr<gfx::TGraphic> G = View->GetVectorGraphic(false);
  if (G) G->SaveToStream(*M);
  M->SetPosition(0);
  return M;
}
