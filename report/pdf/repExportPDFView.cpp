// The writers of one view: fills, frames, shapes, lines, check boxes and pictures.
#include <cmath>
#include <cstring>

#include "platform/gfx/Graphics.h"
#include "platform/gfx/Picture.h"
#include "report/pdf/repExportPDF.h"
#include "report/pdf/repExportPDFViewHelpers.h"
#include "report/pdf/repmd5.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPicture.h"

namespace {

std::string F2(double V) { return PDFFixed(V, 2); }
std::string F3(double V) { return FloatToPDFText(V, 3); }
std::string Pt(double X, double Y) { return F3(X) + " " + F3(Y); }
std::string Pt2(double X, double Y) { return F2(X) + " " + F2(Y); }

// "0" for 0, "1" for 255, else "0." and the byte's share in hundredths, two digits.
std::string ByteFractionText(int B) {
  if (B == 0) return "0";
  if (B == 255) return "1";
  const int H = B * 100 / 256;
  return std::string("0.") + static_cast<char>('0' + H / 10) + static_cast<char>('0' + H % 10);
}

std::string ByteColorText(gfx::TColor Color) {
  const auto RGB = static_cast<std::uint32_t>(gfx::ColorToRGB(Color));
  return ByteFractionText(RGB & 0xFF) + " " + ByteFractionText((RGB >> 8) & 0xFF) + " " +
         ByteFractionText((RGB >> 16) & 0xFF);
}

std::string DashPatternText(TrepFrameStyle Style, double Width) {
  if (Style == fsSolid || !(Width >= 0.01)) return "[] 0 d";
  const std::string L = F2(Width * 6) + " ", S = F2(Width * 2) + " ";
  switch (Style) {
  case fsDash: return "[" + L + "] 0 d";
  case fsDot: return "[" + S + L + "] 0 d";
  case fsDashDot: return "[" + L + L + S + L + "] 0 d";
  case fsDashDotDot: return "[" + L + L + S + L + S + L + "] 0 d";
  case fsAltDot: return "[" + S + "] 0 d";
  case fsSquare: return "[" + S + S + "] 0 d";
  default: return "[] 0 d";
  }
}

// Frame widths from templates: negative or absurd widths would make unreadable operators.
double SaneWidth(double W) { return std::isfinite(W) ? std::clamp(W, 0.0, 1000.0) : 0.0; }

} // namespace

std::string TrepPDFExport::CachedColorText(gfx::TColor Color) {
  if (Color == 0) return "0 0 0";
  if (Color == 0xFFFFFF) return "1 1 1";
  if (Color == FLastColor) return FLastColorResult;
  const auto RGB = static_cast<std::uint32_t>(gfx::ColorToRGB(Color));
  FLastColorResult = F2((RGB & 0xFF) / 255.0) + " " + F2(((RGB >> 8) & 0xFF) / 255.0) + " " +
                     F2(((RGB >> 16) & 0xFF) / 255.0);
  FLastColor = Color;
  return FLastColorResult;
}

TrepRect TrepPDFExport::GetViewRect(TrepView* View) const {
  const double S = View->ShadowSize();
  return {PixelsToPDFX(View->AbsLeft()), PixelsToPDFY(View->AbsTop()),
          PixelsToPDFX(View->AbsLeft() + View->Width() - S), PixelsToPDFY(View->AbsTop() + View->Height() - S)};
}

TrepRect TrepPDFExport::GetClipRect(TrepView* View, bool Outward) const {
  const TrepFrame& Fr = View->Frame();
  auto O = [&](TrepFrameType Side, const TrepFrameLine& L) {
    if (!Fr.Typ.Contains(Side)) return 0.0;
    const double W = SaneWidth(L.Width);
    const double A = L.Style == fsDouble ? W + W / 2 + 0.3 : W / 2;
    return Outward ? A : -(W / 2 + A);
  };
  const double D = Fr.DropShadow ? Fr.ShadowWidth : 0;
  return {PixelsToPDFX(View->AbsLeft() - O(ftLeft, Fr.LeftLine())),
          PixelsToPDFY(View->AbsTop() - O(ftTop, Fr.TopLine())),
          PixelsToPDFX(View->AbsLeft() + View->Width() + O(ftRight, Fr.RightLine()) - D),
          PixelsToPDFY(View->AbsTop() + View->Height() + O(ftBottom, Fr.BottomLine()) - D)};
}

bool TrepPDFExport::IsPlainMemo(TrepCustomMemoView* Memo) {
  return !(Memo->AllowHTMLTags && HasHTMLTag(Memo->Text())) && Memo->ReducedAngle() == 0 && Memo->CharSpacing == 0;
}

void TrepPDFExport::ExportView(TrepView* View) {
  const TrepRect R = GetViewRect(View);
  stLeft = F2(R.Left);
  stTop = F2(R.Top);
  stRight = F2(R.Right);
  stBottom = F2(R.Bottom);
  // The page-background picture shows only when the page's background is exported.
  if (View->Name() == "_pagebackground" && dynamic_cast<TrepPictureView*>(View) &&
      !(Background && FPage.BackPictureVisible))
    return;
  if (Sheets.empty()) AddViewLink(View);
  auto* Memo = dynamic_cast<TrepCustomMemoView*>(View);
  // Formatted, turned and spaced text is drawn by the memo itself, through its metafile.
  if (Memo && IsPlainMemo(Memo)) {
    ExportMemo(Memo);
    return;
  }
  // The roads below may write the content without the line writers.
  EndTextRun();
  if (auto* Line = dynamic_cast<TrepCustomLineView*>(View)) {
    ExportLine(Line);
  } else if (auto* Shape = dynamic_cast<TrepShapeView*>(View)) {
    ExportShape(Shape);
  } else if (auto* Box = dynamic_cast<TrepCheckBoxView*>(View)) {
    // Check boxes have exact vector marks of their own; a metafile would only redraw them.
    ExportCheckBox(Box);
  } else if (View->IsEMFExportable()) {
    ExportViewRoad(View, true);
  } else if (View->Width() != 0 && View->Height() != 0) {
    auto* Picture = dynamic_cast<TrepPictureView*>(View);
    // Raster pictures go in as their own samples (JPEG data as it is), which keeps them
    // lossless; every other view is drawn into an image.
    if (Picture)
      ExportPicture(Picture);
    else
      ExportViewRoad(View, false);
  }
}

// ---- Fills

void TrepPDFExport::ExportFill(TrepView* View) {
  const TrepCustomFill* Fill = View->Fill();
  if (!Fill) return;
  if (auto* Brush = dynamic_cast<const TrepBrushFill*>(Fill)) {
    if (Brush->BackColor == gfx::clNone && (Brush->Style == gfx::bsSolid || Brush->Style == gfx::bsClear)) return;
    CL("q");
    if (Brush->BackColor != gfx::clNone) FillShape(View, Brush->BackColor);
    if (Brush->Style >= gfx::bsHorizontal && Brush->Style <= gfx::bsDiagCross)
      ExportHatch(View, Brush->ForeColor, Brush->Style);
    CL("Q");
  } else if (auto* Gradient = dynamic_cast<const TrepGradientFill*>(Fill)) {
    if (Gradient->StartColor == gfx::clNone && Gradient->EndColor == gfx::clNone) return;
    CL("q");
    ExportGradientFill(View, *Gradient);
    CL("Q");
  } else if (auto* Glass = dynamic_cast<const TrepGlassFill*>(Fill)) {
    if (Glass->Color == gfx::clNone) return;
    CL("q");
    ExportGlassFill(View, *Glass);
    CL("Q");
  }
}

void TrepPDFExport::FillShape(TrepView* View, gfx::TColor Color) {
  CL(PDFColorText(Color) + " rg");
  WriteShapePath(View);
  CL("f");
}

void TrepPDFExport::ExportHatch(TrepView* View, gfx::TColor Color, gfx::TBrushStyle Style) {
  CL("[] 0 d");
  CL(PDFColorText(Color) + " RG");
  CL(F3(0.75 * 0.75) + " w");
  CL("0 J");
  ClipToShape(View);
  TrepViewBounds B;
  ViewExportBounds(View, B);
  // Hatch lines every 8 pixels; a huge view from a template gets no more than this many.
  constexpr long long MaxHatchLines = 20000;
  const long long Cc = std::clamp<long long>(static_cast<long long>(B.Height / 8), 0, MaxHatchLines);
  const long long Dd = std::clamp<long long>(static_cast<long long>(B.Width / 8), 0, MaxHatchLines);
  const double OY = (B.Height - 8.0 * Cc) / 2, OX = (B.Width - 8.0 * Dd) / 2;
  bool Any = false;
  auto Seg = [&](double X1, double Y1, double X2, double Y2) {
    CL(Pt(PixelsToPDFX(X1), PixelsToPDFY(Y1)) + " m");
    CL(Pt(PixelsToPDFX(X2), PixelsToPDFY(Y2)) + " l");
    Any = true;
  };
  if (Style == gfx::bsHorizontal || Style == gfx::bsCross)
    for (long long K = 0; K <= Cc; ++K) Seg(B.Left, B.Top + OY + 8 * K, B.Right, B.Top + OY + 8 * K);
  if (Style == gfx::bsVertical || Style == gfx::bsCross)
    for (long long K = 0; K <= Dd; ++K) Seg(B.Left + OX + 8 * K, B.Top, B.Left + OX + 8 * K, B.Bottom);
  if (Style == gfx::bsFDiagonal || Style == gfx::bsDiagCross)
    for (long long K = 0; K <= Cc + Dd; ++K) Seg(B.Left + OX - B.Height + 8 * K, B.Top, B.Left + OX + 8 * K, B.Bottom);
  if (Style == gfx::bsBDiagonal || Style == gfx::bsDiagCross)
    for (long long K = 0; K <= Cc + Dd; ++K) Seg(B.Left + OX + 8 * K, B.Top, B.Left + OX - B.Height + 8 * K, B.Bottom);
  if (Any) CL("S");
}

void TrepPDFExport::ExportGradientFill(TrepView* View, const TrepGradientFill& Fill) {
  auto Bytes = [](gfx::TColor C, int& R, int& G, int& B) {
    const auto V = static_cast<std::uint32_t>(gfx::ColorToRGB(C == gfx::clNone ? gfx::clWhite : C));
    R = V & 0xFF;
    G = (V >> 8) & 0xFF;
    B = (V >> 16) & 0xFF;
  };
  int R0, G0, B0, R1, G1, B1;
  Bytes(Fill.StartColor, R0, G0, B0);
  Bytes(Fill.EndColor, R1, G1, B1);
  const int DR = R1 - R0, DG = G1 - G0, DB = B1 - B0;
  const int N = std::max({std::abs(DR), std::abs(DG), std::abs(DB), 1});
  ClipToShape(View);
  CL("[] 0 d");
  CL("0 J");
  TrepViewBounds Bd;
  ViewExportBounds(View, Bd);
  // A run of N + 1 strokes over Len from an edge; Across says whether the strokes are
  // vertical (running across the width) or horizontal.
  auto Run = [&](bool Vertical, double From, double Dir, double Len) {
    CL(F3(Len / N * 1.8 * 0.75) + " w");
    for (int K = 0; K <= N; ++K) {
      const double D = From + Dir * K * Len / N;
      // The colour goes before the stroke's path: nothing may stand between a path and its
      // painting.
      const gfx::TColor C = static_cast<gfx::TColor>(
          static_cast<int>(std::lround(R0 + static_cast<double>(K) * DR / N)) |
          (static_cast<int>(std::lround(G0 + static_cast<double>(K) * DG / N)) << 8) |
          (static_cast<int>(std::lround(B0 + static_cast<double>(K) * DB / N)) << 16));
      CL(PDFColorText(C) + " RG");
      if (Vertical) {
        CL(Pt(PixelsToPDFX(D), PixelsToPDFY(Bd.Top)) + " m");
        CL(Pt(PixelsToPDFX(D), PixelsToPDFY(Bd.Bottom)) + " l");
      } else {
        CL(Pt(PixelsToPDFX(Bd.Left), PixelsToPDFY(D)) + " m");
        CL(Pt(PixelsToPDFX(Bd.Right), PixelsToPDFY(D)) + " l");
      }
      CL("S");
    }
  };
  TrepGradientStyle St = Fill.GradientStyle;
  if (St == gsElliptic || St == gsRectangle) St = Bd.Height >= Bd.Width ? gsHorizCenter : gsVertCenter;
  switch (St) {
  case gsHorizontal: Run(true, Bd.Left, 1, Bd.Width); break;
  case gsVertical: Run(false, Bd.Top, 1, Bd.Height); break;
  case gsVertCenter:
    Run(false, Bd.Top, 1, Bd.Height / 2);
    Run(false, Bd.Bottom, -1, Bd.Height / 2);
    break;
  default:
    Run(true, Bd.Left, 1, Bd.Width / 2);
    Run(true, Bd.Right, -1, Bd.Width / 2);
    break;
  }
}

void TrepPDFExport::ExportGlassFill(TrepView* View, const TrepGlassFill& Fill) {
  FillShape(View, Fill.Color);
  TrepRect R = GetViewRect(View);
  const double MX = (R.Left + R.Right) / 2, MY = (R.Top + R.Bottom) / 2;
  switch (Fill.Orientation) {
  case foVertical: R.Right = MX; break;
  case foHorizontal: R.Bottom = MY; break;
  case foVerticalMirror: R.Left = MX; break;
  case foHorizontalMirror: R.Top = MY; break;
  }
  ClipToShape(View);
  CL(PDFColorText(Fill.BlendColor()) + " rg");
  CL(PDFRectText(R) + " re");
  CL("f");
  if (Fill.Hatch) ExportHatch(View, Fill.HatchColor(), gfx::bsFDiagonal);
}

void TrepPDFExport::WriteShapePath(TrepView* View) {
  auto* Shape = dynamic_cast<TrepShapeView*>(View);
  TrepViewBounds B;
  ViewExportBounds(View, B);
  auto P = [&](double X, double Y) { return Pt(PixelsToPDFX(X), PixelsToPDFY(Y)); };
  const TrepShapeKind K = Shape ? Shape->Shape : skRectangle;
  if (Shape && K == skRoundRectangle) {
    const double R = (Shape->Curve ? Shape->Curve : 2) * 3.74, H = R / 2;
    CL(P(B.Left + R, B.Bottom) + " m");
    CL(P(B.Right - R, B.Bottom) + " l");
    CL(P(B.Right - H, B.Bottom) + " " + P(B.Right, B.Bottom - H) + " " + P(B.Right, B.Bottom - R) + " c");
    CL(P(B.Right, B.Top + R) + " l");
    CL(P(B.Right, B.Top + H) + " " + P(B.Right - H, B.Top) + " " + P(B.Right - R, B.Top) + " c");
    CL(P(B.Left + R, B.Top) + " l");
    CL(P(B.Left + H, B.Top) + " " + P(B.Left, B.Top + H) + " " + P(B.Left, B.Top + R) + " c");
    CL(P(B.Left, B.Bottom - R) + " l");
    CL(P(B.Left, B.Bottom - H) + " " + P(B.Left + H, B.Bottom) + " " + P(B.Left + R, B.Bottom) + " c");
  } else if (Shape && K == skEllipse) {
    const double A = B.Width / 2, Bb = B.Height / 2, K1 = 1.5522847498, K2 = 0.4477152502;
    CL(P(B.Right, B.Top + Bb) + " m");
    CL(P(B.Right, B.Top + K1 * Bb) + " " + P(B.Left + K1 * A, B.Bottom) + " " + P(B.Left + A, B.Bottom) + " c");
    CL(P(B.Left + K2 * A, B.Bottom) + " " + P(B.Left, B.Top + K1 * Bb) + " " + P(B.Left, B.Top + Bb) + " c");
    CL(P(B.Left, B.Top + K2 * Bb) + " " + P(B.Left + K2 * A, B.Top) + " " + P(B.Left + A, B.Top) + " c");
    CL(P(B.Left + K1 * A, B.Top) + " " + P(B.Right, B.Top + K2 * Bb) + " " + P(B.Right, B.Top + Bb) + " c");
  } else if (Shape && K == skTriangle) {
    CL(P(B.Left + B.Width / 2, B.Top) + " m");
    CL(P(B.Right, B.Bottom) + " l");
    CL(P(B.Left, B.Bottom) + " l");
    CL(P(B.Left + B.Width / 2, B.Top) + " l");
  } else if (Shape && K == skDiamond) {
    CL(P(B.Left + B.Width / 2, B.Top) + " m");
    CL(P(B.Right, B.Top + B.Height / 2) + " l");
    CL(P(B.Left + B.Width / 2, B.Bottom) + " l");
    CL(P(B.Left, B.Top + B.Height / 2) + " l");
    CL(P(B.Left + B.Width / 2, B.Top) + " l");
  } else {
    CL(PDFRectText(GetClipRect(View, true)) + " re");
  }
}

void TrepPDFExport::ClipToShape(TrepView* View) {
  WriteShapePath(View);
  CL("W");
  CL("n");
}

// ---- Frames

void TrepPDFExport::ExportFrame(const TrepFrame& Frame, const TrepRect& R) {
  // No shadow and no line that shows: nothing to draw, not even the state save.
  bool Any = Frame.DropShadow;
  for (const auto& [Side, L] : {std::pair{ftBottom, &Frame.BottomLine()}, std::pair{ftLeft, &Frame.LeftLine()},
                                std::pair{ftTop, &Frame.TopLine()}, std::pair{ftRight, &Frame.RightLine()}})
    Any = Any || (Frame.Typ.Contains(Side) && L->Color != gfx::clNone && SaneWidth(L->Width) >= 0.01);
  if (!Any) return;
  CL("q");
  if (Frame.DropShadow) {
    const double SW = SaneWidth(Frame.ShadowWidth);
    const double S = (SW - 1) * 0.75;
    const std::string Col = CachedColorText(Frame.ShadowColor);
    C(F2(0.75) + " w\r\n" + Col + " rg\r\n" + Col + " RG\r\n");
    C(F2(R.Right + 0.75) + " " + F2(R.Top - SW * 0.75) + " " + F2(S) + " " + F2(R.Bottom - R.Top) + " re\r\nB\r\n");
    C(F2(R.Left + SW * 0.75) + " " + F2(R.Bottom - 0.75 - S) + " " + F2(R.Right - R.Left) + " " + F2(S) +
      " re\r\nB\r\n");
  }
  if (Frame.Typ.Contains(ftBottom)) WriteFrameLine(Frame.BottomLine(), ftBottom, R);
  if (Frame.Typ.Contains(ftLeft)) WriteFrameLine(Frame.LeftLine(), ftLeft, R);
  if (Frame.Typ.Contains(ftTop)) WriteFrameLine(Frame.TopLine(), ftTop, R);
  if (Frame.Typ.Contains(ftRight)) WriteFrameLine(Frame.RightLine(), ftRight, R);
  CL("Q");
}

void TrepPDFExport::WriteFrameLine(const TrepFrameLine& L, int Side, const TrepRect& R) {
  const double W = SaneWidth(L.Width);
  if (L.Color == gfx::clNone || W < 0.01) return;
  auto Stroke = [&](double U) {
    CL(DashPatternText(L.Style, W));
    double X1, Y1, X2, Y2;
    switch (Side) {
    case ftLeft: X1 = X2 = R.Left - U, Y1 = R.Bottom - U, Y2 = R.Top + U; break;
    case ftRight: X1 = X2 = R.Right + U, Y1 = R.Bottom - U, Y2 = R.Top + U; break;
    case ftTop: Y1 = Y2 = R.Top + U, X1 = R.Left - U, X2 = R.Right + U; break;
    default: Y1 = Y2 = R.Bottom - U, X1 = R.Left - U, X2 = R.Right + U; break;
    }
    C(F2(W * 0.75) + " w\r\n2 J\r\n" + ByteColorText(L.Color) + " RG\r\n" + Pt2(X1, Y1) + " m\r\n" + Pt2(X2, Y2) +
      " l\r\nS\r\n");
  };
  if (L.Style == fsDouble) {
    Stroke(-W / 2);
    Stroke(W);
  } else {
    Stroke(0);
  }
}

void TrepPDFExport::WritePageBackground(const TrepRect& R, gfx::TColor Color) {
  const std::string Col = ByteColorText(Color);
  C(F2(0) + " w\r\n" + Col + " RG\r\n" + Col + " rg\r\n" + Pt2(R.Left, R.Bottom) + " m\r\n" + Pt2(R.Right, R.Bottom) +
    " l\r\n" + Pt2(R.Right, R.Top) + " l\r\n" + Pt2(R.Left, R.Top) + " l\r\nB\r\n");
}

// ---- Lines, shapes, check boxes

void TrepPDFExport::ExportLine(TrepCustomLineView* View) {
  const TrepRect R = GetViewRect(View);
  const TrepFrame& Fr = View->Frame();
  const double FW = SaneWidth(Fr.Width());
  CL(DashPatternText(View->Diagonal ? fsSolid : Fr.Style(), FW));
  const std::string Col = CachedColorText(Fr.Color()), W = F2(FW * 0.75);
  auto Segment = [&](const std::string& X1, const std::string& Y1, const std::string& X2, const std::string& Y2) {
    C(Col + " RG\r\n" + W + " w\r\n" + X1 + " " + Y1 + " m\r\n" + X2 + " " + Y2 + " l\r\nS\r\n");
  };
  if (Fr.Style() == fsDouble) {
    if (View->Height() != 0 && View->Width() == 0) {
      Segment(F2(R.Left + 1), stTop, F2(R.Left + 1), stBottom);
      Segment(F2(R.Left - 1), stTop, F2(R.Left - 1), stBottom);
    } else if (View->Height() == 0) {
      Segment(stLeft, F2(R.Top + 1), stRight, F2(R.Top + 1));
      Segment(stLeft, F2(R.Top - 1), stRight, F2(R.Top - 1));
    }
  } else {
    Segment(stLeft, stTop, stRight, stBottom);
  }
  if (View->ArrowStart) WriteArrow(View, R.Left, R.Top, R.Right, R.Bottom);
  if (View->ArrowEnd) WriteArrow(View, R.Right, R.Bottom, R.Left, R.Top);
}

void TrepPDFExport::WriteArrow(TrepCustomLineView* View, double TX, double TY, double EX, double EY) {
  const double Len = std::hypot(EX - TX, EY - TY);
  if (!(Len > 0)) return;
  const double UX = (EX - TX) / Len, UY = (EY - TY) / Len;
  const double AL = View->ArrowLength * 0.75, AW = View->ArrowWidth * 0.75;
  const double BX = TX + UX * std::min(AL, Len), BY = TY + UY * std::min(AL, Len);
  // The wings: the base point moved across the line to either side.
  const double W1X = BX - UY * AW, W1Y = BY + UX * AW, W2X = BX + UY * AW, W2Y = BY - UX * AW;
  CL(DashPatternText(View->Frame().Style(), SaneWidth(View->Frame().Width())));
  // Join and fill colour before the path: nothing may stand between a path and its painting.
  if (View->ArrowSolid) CL("1 j\r\n" + CachedColorText(View->Frame().Color()) + " rg");
  CL(Pt2(W1X, W1Y) + " m\r\n" + Pt2(TX, TY) + " l\r\n" + Pt2(W2X, W2Y) + " l");
  CL(View->ArrowSolid ? "b" : "S");
}

void TrepPDFExport::ExportShape(TrepShapeView* View) {
  const TrepFrame& Fr = View->Frame();
  const double FW = SaneWidth(Fr.Width());
  if (View->Shape == skDiagonal1 || View->Shape == skDiagonal2) {
    CL(DashPatternText(Fr.Style(), FW));
    const bool One = View->Shape == skDiagonal1;
    C(CachedColorText(Fr.Color()) + " RG\r\n" + F2(FW * 0.75) + " w\r\n" + stLeft + " " + (One ? stBottom : stTop) +
      " m\r\n" + stRight + " " + (One ? stTop : stBottom) + " l\r\nS\r\n");
    return;
  }
  ExportFill(View);
  if (Fr.Color() != gfx::clNone) {
    CL(DashPatternText(Fr.Style(), FW));
    CL(PDFColorText(Fr.Color()) + " RG");
    CL(F3(FW * 0.75) + " w");
    WriteShapePath(View);
    CL("S");
  }
}

void TrepPDFExport::ExportCheckBox(TrepCheckBoxView* View) {
  const double L = View->AbsLeft(), T = View->AbsTop(), W = View->Width(), H = View->Height();
  const double R = L + W, B = T + H;
  auto P = [&](double X, double Y) { return Pt2(PixelsToPDFX(X), PixelsToPDFY(Y)); };
  const std::string E = P(L + W / 4, T + H / 4), G = P(R - W / 4, B - H / 4), EG = P(R - W / 4, T + H / 4),
                    ED = P(L + W / 4, B - H / 4);
  const double F = SaneWidth(View->Frame().Width()) * 0.75;
  CL("[] 0 d");
  const gfx::TColor Fill = View->Color();
  CL(CachedColorText(View->Frame().Color()) + " RG\r\n" + F2(F * 2) + " w " +
     CachedColorText(Fill == gfx::clNone ? gfx::clWhite : Fill) + " rg");
  // The mark in the check colour, stroked on its own so that it never waits for the frame.
  const std::string Cross = F2(F * 6) + " w 2 J " + E + " m " + G + " l " + EG + " m " + ED + " l ";
  const std::string LineCross = P(L, T) + " m " + P(R, B) + " l " + P(R, T) + " m " + P(L, B) + " l ";
  std::string Mark;
  if (View->Checked) {
    switch (View->CheckStyle) {
    case csCross: Mark = Cross; break;
    case csCheck:
      Mark = F2(H * F / 10) + " w 2 J " + P(L + W / 5, T + H / 2) + " m " + P(L + W / 3, B - H / 4) + " l " +
             P(R - W / 5, T + H / 7) + " l ";
      break;
    case csLineCross: Mark = LineCross; break;
    case csPlus: Mark = P(L, T + H / 2) + " m " + P(R, T + H / 2) + " l " + P(L + W / 2, T) + " m " + P(L + W / 2, B) + " l "; break;
    }
  } else {
    switch (View->UncheckStyle) {
    case usEmpty: break;
    case usCross: Mark = Cross; break;
    case usLineCross: Mark = LineCross; break;
    case usMinus: Mark = P(L, T + H / 2) + " m " + P(R, T + H / 2) + " l "; break;
    }
  }
  const bool FullFrame = View->Frame().Typ.Contains(ftLeft) && View->Frame().Typ.Contains(ftRight) &&
                         View->Frame().Typ.Contains(ftTop) && View->Frame().Typ.Contains(ftBottom);
  if (FullFrame) {
    CL(F2(F * 2) + " w " + P(L, T) + " m " + P(R, T) + " l " + P(R, B) + " l " + P(L, B) + " l " + P(L, T) + " l");
    CL(Fill == gfx::clNone ? "S" : "B");
  } else if (Fill != gfx::clNone) {
    CL(P(L, T) + " m " + P(R, T) + " l " + P(R, B) + " l " + P(L, B) + " l h");
    CL("f");
  }
  if (!Mark.empty()) {
    CL("q " + CachedColorText(View->CheckColor) + " RG");
    CL(Mark);
    CL("S Q");
  }
}
