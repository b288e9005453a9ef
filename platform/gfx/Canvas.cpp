#include "platform/gfx/Canvas.h"

#include <algorithm>
#include <cstdio>

#include "platform/rt/Unicode.h"
#include "platform/gfx/FontFace.h"
#include "platform/gfx/Picture.h"

namespace gfx {

void TCanvas::LineTo(int X, int Y) {
  DrawLine(FPenPos.X, FPenPos.Y, X, Y);
  FPenPos = {X, Y};
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
  if (Points.empty()) return;
  std::vector<TPoint> Closed = Points;
  Closed.push_back(Points.front());
  Polyline(Closed);
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
  for (std::size_t I = 1; I < Points.size(); ++I) DrawLine(Points[I - 1].X, Points[I - 1].Y, Points[I].X, Points[I].Y);
}

namespace {

std::string Hex(TColor C) {
  char B[16];
  std::snprintf(B, sizeof B, "%06X", static_cast<unsigned>(C));
  return B;
}

std::string Pair(int X, int Y) { return std::to_string(X) + "," + std::to_string(Y); }

std::string Corners(const TRect& R) { return Pair(R.Left, R.Top) + " " + Pair(R.Right, R.Bottom); }

const char* PenStyleName(TPenStyle S) {
  static const char* const Names[] = {"solid", "dash", "dot", "dashdot", "dashdotdot", "clear", "insideframe"};
  return Names[S];
}

const char* BrushStyleName(TBrushStyle S) {
  static const char* const Names[] = {"solid", "clear", "horizontal", "vertical",
                                      "fdiagonal", "bdiagonal", "cross", "diagcross"};
  return Names[S];
}

std::string PenText(const TPen& P) {
  if (P.Style == psClear) return "pen clear";
  std::string S = "pen " + Hex(P.Color) + " w" + std::to_string(P.Width) + " " + PenStyleName(P.Style);
  if (P.Mode == pmXor) S += " xor";
  return S;
}

std::string BrushText(const TBrush& B, TBkMode Mode) {
  if (B.Style == bsClear) return "clear";
  std::string S = Hex(B.Color);
  if (B.Style != bsSolid) {
    S += std::string(" ") + BrushStyleName(B.Style);
    if (Mode == bkTransparent) S += " transparent";
  }
  return S;
}

} // namespace

std::string TCanvasOp::Text() const {
  switch (Kind) {
    case opLine: return "line " + Corners(R) + " " + PenText(Pen);
    case opFillRect: return "fill " + Corners(R) + " " + BrushText(Brush, BkMode);
    case opRectangle: return "rect " + Corners(R) + " " + PenText(Pen) + " brush " + BrushText(Brush, BkMode);
    case opEllipse: return "ellipse " + Corners(R) + " " + PenText(Pen) + " brush " + BrushText(Brush, BkMode);
    case opGeometricLine: {
      static const char* const Caps[] = {"round", "square", "flat"};
      std::string S = "gline " + Corners(R) + " " + Hex(GPen.Color) + " w" + std::to_string(GPen.Width) + " " +
                      Caps[GPen.EndCap];
      if (!GPen.Dashes.empty()) {
        S += " dashes";
        for (std::size_t I = 0; I < GPen.Dashes.size(); ++I)
          S += (I == 0 ? " " : ",") + std::to_string(GPen.Dashes[I]);
      }
      return S;
    }
    case opClip: return Clip ? "clip " + Corners(*Clip) : "clip none";
    case opText: {
      const TTextOut& T = TextOut;
      std::string S = "text " + Pair(T.X, T.Y) + " '" + rt::Utf16ToUtf8(T.Text) + "' " + FontName + " h" +
                      std::to_string(T.FontHeight);
      if (FontStyle) {
        S += ' ';
        for (int I = 0; I < 4; ++I)
          if (FontStyle & (1u << I)) S += "bius"[I];
      }
      S += " " + Hex(FontColor);
      if (T.Escapement) S += " esc" + std::to_string(T.Escapement);
      if (T.Options) S += " o" + std::to_string(T.Options);
      if (!T.Dx.empty()) {
        S += " dx";
        for (std::size_t I = 0; I < T.Dx.size(); ++I) S += (I == 0 ? " " : ",") + std::to_string(T.Dx[I]);
      }
      return S;
    }
    case opPolygon: {
      std::string S = "polygon";
      for (const TPoint& P : Points) S += " " + Pair(P.X, P.Y);
      return S + " " + PenText(Pen) + " brush " + BrushText(Brush, BkMode);
    }
    case opRoundRect:
      return "roundrect " + Corners(R) + " corner " + Pair(Points.at(0).X, Points.at(0).Y) + " " + PenText(Pen) +
             " brush " + BrushText(Brush, BkMode);
    case opBitmap: {
      std::string S = "bitmap " + Corners(R) + " from " + std::to_string(Points.at(0).X) + "x" +
                      std::to_string(Points.at(0).Y);
      if (Brush.Color != clNone) S += " transparent " + Hex(Brush.Color);
      return S;
    }
  }
  return {};
}

TCanvasOp TRecordingCanvas::Make(TCanvasOp::TKind Kind, TRect R) const {
  TCanvasOp Op;
  Op.Kind = Kind;
  Op.R = R;
  Op.Pen = Pen;
  Op.Brush = Brush;
  Op.BkMode = BkMode;
  Op.Clip = ClipRect();
  return Op;
}

void TRecordingCanvas::DrawLine(int X1, int Y1, int X2, int Y2) { Ops.push_back(Make(TCanvasOp::opLine, {X1, Y1, X2, Y2})); }

void TRecordingCanvas::FillRect(const TRect& R) { Ops.push_back(Make(TCanvasOp::opFillRect, R)); }

void TRecordingCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  Ops.push_back(Make(TCanvasOp::opRectangle, {X1, Y1, X2, Y2}));
}

void TRecordingCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  Ops.push_back(Make(TCanvasOp::opEllipse, {X1, Y1, X2, Y2}));
}

bool TRecordingCanvas::GeometricLine(int X1, int Y1, int X2, int Y2, const TGeometricPen& GPen) {
  if (!AllowGeometricPens) return false;
  TCanvasOp Op = Make(TCanvasOp::opGeometricLine, {X1, Y1, X2, Y2});
  Op.GPen = GPen;
  Ops.push_back(std::move(Op));
  return true;
}

void TRecordingCanvas::SetClipRect(const std::optional<TRect>& Value) {
  TCanvas::SetClipRect(Value);
  Ops.push_back(Make(TCanvasOp::opClip, Value.value_or(TRect{})));
}

void TRecordingCanvas::ExtTextOut(const TTextOut& T) {
  TCanvasOp Op = Make(TCanvasOp::opText, {});
  Op.TextOut = T;
  Op.FontName = Font.Name();
  Op.FontStyle = Font.Style();
  Op.FontColor = Font.Color();
  Ops.push_back(std::move(Op));
}

void TRecordingCanvas::Polygon(const std::vector<TPoint>& Points) {
  TCanvasOp Op = Make(TCanvasOp::opPolygon, {});
  Op.Points = Points;
  Ops.push_back(std::move(Op));
}

void TRecordingCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int W, int H) {
  TCanvasOp Op = Make(TCanvasOp::opRoundRect, {X1, Y1, X2, Y2});
  Op.Points = {{W, H}};
  Ops.push_back(std::move(Op));
}

void TRecordingCanvas::StretchDraw(const TRect& Dest, const TBitmap& Bitmap, TColor TransparentColor, bool Smooth) {
  (void)Smooth;
  TCanvasOp Op = Make(TCanvasOp::opBitmap, Dest);
  Op.Points = {{Bitmap.Width(), Bitmap.Height()}};
  Op.Brush.Color = TransparentColor;
  Ops.push_back(std::move(Op));
}

std::vector<std::string> TRecordingCanvas::Texts() const {
  std::vector<std::string> R;
  R.reserve(Ops.size());
  for (const TCanvasOp& Op : Ops) R.push_back(Op.Text());
  return R;
}

} // namespace gfx

// ---------------------------------------------------------------------------------------------
// Text through the font layer

namespace gfx {

namespace {

std::shared_ptr<const TSizedFont> SizedFontOf(const TFont& F, int PixelSize) {
  const bool Bold = (F.Style() & FontStyles({fsBold})) != 0;
  const bool Italic = (F.Style() & FontStyles({fsItalic})) != 0;
  const TFontFace* Face = FindFace(F.Name(), Bold, Italic);
  return Face ? TSizedFont::Get(Face, PixelSize) : nullptr;
}

} // namespace

int TCanvas::FontPixelSize() const {
  const int Px = MulDiv(Font.Size(), PixelsPerInchY, 72);
  return std::clamp(Px < 0 ? -Px : Px, 1, MaxPixelSize);
}

int TCanvas::TextWidth(std::u16string_view Text) const {
  const auto S = SizedFontOf(Font, FontPixelSize());
  return S ? S->TextWidth(Text) : 0;
}

int TCanvas::TextHeight(std::u16string_view Text) const {
  (void)Text;
  const auto S = SizedFontOf(Font, FontPixelSize());
  return S ? S->Height() : 0;
}

void TCanvas::TextOut(int X, int Y, std::u16string_view Text) {
  TTextOut T;
  T.X = X;
  T.Y = Y;
  T.Text = std::u16string(Text);
  T.FontHeight = -FontPixelSize();
  if (const auto S = SizedFontOf(Font, FontPixelSize())) {
    T.Dx.resize(Text.size());
    if (!Text.empty()) S->Advances(Text, T.Dx.data());
  }
  ExtTextOut(T);
  MoveTo(X + TextWidth(Text), Y);
}

} // namespace gfx
