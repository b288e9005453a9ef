// Fills and frames of views: drawing, differences for prepared pages, class descriptions.
#include <algorithm>

#include "platform/gfx/Graphics.h"
#include "platform/rt/SysUtils.h"
#include "report/engine/repClassFill.h"
#include "report/engine/repUtils.h"

namespace {

int Trunc(double X) { return static_cast<int>(X); }

int Channel(gfx::TColor C, int Index) { return (C >> (8 * Index)) & 0xFF; }

gfx::TColor MakeColor(int R, int G, int B) { return (R & 0xFF) | (G & 0xFF) << 8 | (B & 0xFF) << 16; }

std::u16string U16(const std::string& S) { return std::u16string(S.begin(), S.end()); }

// " Add.Name=\"Value\"" (no "Add." when Add is empty).
void Attr(std::u16string& R, const std::string& Add, const char* Name, const std::string& Value) {
  R += u" ";
  if (!Add.empty()) R += U16(Add + ".");
  R += U16(Name);
  R += u"=\"";
  R += U16(Value);
  R += u"\"";
}

std::string Int(long long V) { return std::to_string(V); }
std::string Bool(bool V) { return V ? "1" : "0"; }

// Brush, pen and background mode come back when the scope ends.
struct TCanvasStateGuard {
  explicit TCanvasStateGuard(gfx::TCanvas& C) : Canvas(C), Pen(C.Pen), Brush(C.Brush), BkMode(C.BkMode) {}
  ~TCanvasStateGuard() {
    Canvas.Pen = Pen;
    Canvas.Brush = Brush;
    Canvas.BkMode = BkMode;
  }
  gfx::TCanvas& Canvas;
  gfx::TPen Pen;
  gfx::TBrush Brush;
  gfx::TBkMode BkMode;
};

// Paints (X, Y)-(X1 + 1, Y1 + 1) with a hatch over what is there: transparent gaps, no outline.
void DrawHatch(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, gfx::TColor Color, gfx::TBrushStyle Style) {
  const gfx::TPen Pen = Canvas.Pen;
  const gfx::TBrush Brush = Canvas.Brush;
  Canvas.Brush = gfx::TBrush{Color, Style};
  Canvas.BkMode = gfx::bkTransparent;
  Canvas.Pen.Style = gfx::psClear;
  Canvas.Rectangle(X, Y, X1 + 1, Y1 + 1);
  Canvas.Pen = Pen;
  Canvas.Brush = Brush;
}

std::optional<gfx::TRect> Intersect(const gfx::TRect& A, const std::optional<gfx::TRect>& B) {
  if (!B) return A;
  return gfx::TRect{std::max(A.Left, B->Left), std::max(A.Top, B->Top), std::min(A.Right, B->Right),
                    std::min(A.Bottom, B->Bottom)};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TrepCustomFill

void TrepCustomFill::Draw(gfx::TCanvas&, int, int, int, int, double, double) { throw EAbstractError("Abstract Error"); }

std::u16string TrepCustomFill::Diff(const TrepCustomFill*, const std::string&) const {
  throw EAbstractError("Abstract Error");
}

std::unique_ptr<TrepCustomFill> CreateFill(TrepFillType FillType) {
  switch (FillType) {
    case ftGradient: return std::make_unique<TrepGradientFill>();
    case ftGlass: return std::make_unique<TrepGlassFill>();
    default: return std::make_unique<TrepBrushFill>();
  }
}

TrepFillType FillTypeOf(const TrepCustomFill* Fill) {
  if (dynamic_cast<const TrepGradientFill*>(Fill) != nullptr) return ftGradient;
  if (dynamic_cast<const TrepGlassFill*>(Fill) != nullptr) return ftGlass;
  return ftBrush;
}

// ---------------------------------------------------------------------------------------------
// TrepBrushFill

void TrepBrushFill::Draw(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, double, double) {
  Canvas.Brush.Style = Style;
  if (BackColor != gfx::clNone) {
    Canvas.Brush = gfx::TBrush{gfx::ColorToRGB(BackColor), gfx::bsSolid};
    Canvas.FillRect({X, Y, X1, Y1});
    Canvas.Brush.Style = Style;
  }
  if (Style >= gfx::bsHorizontal) DrawHatch(Canvas, X, Y, X1, Y1, gfx::ColorToRGB(ForeColor), Style);
}

std::u16string TrepBrushFill::Diff(const TrepCustomFill* AFill, const std::string& Add) const {
  const auto* A = dynamic_cast<const TrepBrushFill*>(AFill);
  std::u16string R;
  if (!A || BackColor != A->BackColor) Attr(R, Add, "BackColor", Int(BackColor));
  if (!A || ForeColor != A->ForeColor) Attr(R, Add, "ForeColor", Int(ForeColor));
  if (!A || Style != A->Style) Attr(R, Add, "Style", Int(Style));
  return R;
}

void TrepBrushFill::Assign(const rt::TObject& Source) {
  if (const auto* S = dynamic_cast<const TrepBrushFill*>(&Source)) {
    BackColor = S->BackColor;
    ForeColor = S->ForeColor;
    Style = S->Style;
  }
}

// ---------------------------------------------------------------------------------------------
// TrepGradientFill

void TrepGradientFill::Draw(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, double, double) {
  const int W = X1 - X, H = Y1 - Y;
  int C0[3], DC[3];
  for (int K = 0; K < 3; ++K) {
    C0[K] = Channel(StartColor, K);
    DC[K] = Channel(EndColor, K) - C0[K];
  }
  // The colour I of N steps from the start colour to the end colour.
  auto Step = [&](int I, int N) {
    return MakeColor(C0[0] + gfx::MulDiv(I, DC[0], N), C0[1] + gfx::MulDiv(I, DC[1], N),
                     C0[2] + gfx::MulDiv(I, DC[2], N));
  };
  TCanvasStateGuard Guard(Canvas);
  Canvas.Brush.Style = gfx::bsSolid;
  auto Fill = [&](int L, int T, int R, int B, gfx::TColor C) {
    if (L >= R || T >= B) return;
    Canvas.Brush.Color = C;
    Canvas.FillRect({L, T, R, B});
  };
  switch (GradientStyle) {
    case gsHorizontal:
      for (int I = 0; I < 256; ++I)
        Fill(X + gfx::MulDiv(I, W, 256), Y, X + gfx::MulDiv(I + 1, W, 256), Y1, Step(I, 255));
      break;
    case gsVertical:
      for (int I = 0; I < 256; ++I)
        Fill(X, Y + gfx::MulDiv(I, H, 256), X1, Y + gfx::MulDiv(I + 1, H, 256), Step(I, 255));
      break;
    case gsElliptic: {
      const std::optional<gfx::TRect> Clip = Canvas.ClipRect();
      Canvas.SetClipRect(Intersect({X, Y, X1, Y1}, Clip));
      Canvas.Pen.Style = gfx::psClear;
      double L = X - W / 4.0, T = Y - H / 4.0, R = X + W + W / 4.0, B = Y + H + H / 4.0;
      const double DX = (W / 4.0 + W / 2.0) / 155, DY = (H / 4.0 + H / 2.0) / 155;
      for (int I = 0; I < 156; ++I) {
        L += DX;
        T += DY;
        R -= DX;
        B -= DY;
        Canvas.Brush.Color = Step(I, 155);
        Canvas.Ellipse(Trunc(L), Trunc(T), Trunc(R), Trunc(B));
      }
      Canvas.SetClipRect(Clip);
      break;
    }
    case gsRectangle: {
      double L = X, T = Y, R = X + W, B = Y + H;
      const double SX = W / 2.0 / 255, SY = H / 2.0 / 255;
      for (int I = 0; I < 256; ++I) {
        L += SX;
        R -= SX;
        T += SY;
        B -= SY;
        Fill(Trunc(L), Trunc(T), Trunc(R), Trunc(B), Step(I, 255));
      }
      break;
    }
    case gsVertCenter: {
      const int Half = H / 2;
      if (Half <= 0) break;
      for (int I = 0; I <= Half; ++I) {
        const gfx::TColor C = Step(I, Half);
        Fill(X, Y + I, X1, Y + I + 1, C);
        Fill(X, Y + H - 1 - I, X1, Y + H - I, C);
      }
      break;
    }
    case gsHorizCenter: {
      const int Half = W / 2;
      if (Half <= 0) break;
      for (int I = 0; I <= Half; ++I) {
        const gfx::TColor C = Step(I, Half);
        Fill(X + I, Y, X + I + 1, Y1, C);
        Fill(X + W - 1 - I, Y, X + W - I, Y1, C);
      }
      break;
    }
  }
}

gfx::TColor TrepGradientFill::GetColor() const {
  int C[3];
  for (int K = 0; K < 3; ++K) {
    const int C0 = Channel(StartColor, K);
    C[K] = (C0 + gfx::MulDiv(127, Channel(EndColor, K) - C0, 255)) & 0xFF;
  }
  return MakeColor(C[0], C[1], C[2]);
}

std::u16string TrepGradientFill::Diff(const TrepCustomFill* AFill, const std::string& Add) const {
  const auto* A = dynamic_cast<const TrepGradientFill*>(AFill);
  std::u16string R;
  if (!A || StartColor != A->StartColor) Attr(R, Add, "StartColor", Int(StartColor));
  if (!A || EndColor != A->EndColor) Attr(R, Add, "EndColor", Int(EndColor));
  if (!A || GradientStyle != A->GradientStyle) Attr(R, Add, "GradientStyle", Int(GradientStyle));
  return R;
}

void TrepGradientFill::Assign(const rt::TObject& Source) {
  if (const auto* S = dynamic_cast<const TrepGradientFill*>(&Source)) {
    StartColor = S->StartColor;
    EndColor = S->EndColor;
    GradientStyle = S->GradientStyle;
  }
}

// ---------------------------------------------------------------------------------------------
// TrepGlassFill

gfx::TColor TrepGlassFill::BlendColor() const {
  const gfx::TColor C = gfx::ColorToRGB(Color);
  int Ch[3];
  for (int K = 0; K < 3; ++K) {
    const int V = Channel(C, K);
    Ch[K] = std::clamp(V + RoundHalfEven((255 - V) * Blend), 0, 255);
  }
  return MakeColor(Ch[0], Ch[1], Ch[2]);
}

gfx::TColor TrepGlassFill::HatchColor() const {
  // A blue channel below 6 would borrow from beyond the colour; the value stays a colour.
  return (BlendColor() - 0x060606) & 0xFFFFFF;
}

void TrepGlassFill::Draw(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, double, double) {
  if (Color == gfx::clNone) return;
  const gfx::TBrush Saved = Canvas.Brush;
  const int W = X1 - X, H = Y1 - Y;
  Canvas.Brush = gfx::TBrush{gfx::ColorToRGB(Color), gfx::bsSolid};
  Canvas.FillRect({X, Y, X1, Y1});
  Canvas.Brush.Color = BlendColor();
  switch (Orientation) {
    case foVertical: Canvas.FillRect({X, Y, X1 - W / 2, Y1}); break;
    case foHorizontal: Canvas.FillRect({X, Y, X1, Y1 - H / 2}); break;
    case foVerticalMirror: Canvas.FillRect({X + W / 2, Y, X1, Y1}); break;
    case foHorizontalMirror: Canvas.FillRect({X, Y + H / 2, X1, Y1}); break;
  }
  Canvas.Brush = Saved;
  if (Hatch) DrawHatch(Canvas, X, Y, X1, Y1, HatchColor(), gfx::bsBDiagonal);
}

std::u16string TrepGlassFill::Diff(const TrepCustomFill* AFill, const std::string& Add) const {
  const auto* A = dynamic_cast<const TrepGlassFill*>(AFill);
  std::u16string R;
  if (!A || Color != A->Color) Attr(R, Add, "Color", Int(Color));
  if (!A || Blend != A->Blend) Attr(R, Add, "Blend", rt::FloatToStr(Blend));
  if (!A || Hatch != A->Hatch) Attr(R, Add, "Hatch", Bool(Hatch));
  if (!A || Orientation != A->Orientation) Attr(R, Add, "Orientation", Int(Orientation));
  return R;
}

void TrepGlassFill::Assign(const rt::TObject& Source) {
  if (const auto* S = dynamic_cast<const TrepGlassFill*>(&Source)) {
    Color = S->Color;
    Blend = S->Blend;
    Hatch = S->Hatch;
    Orientation = S->Orientation;
  }
}

// ---------------------------------------------------------------------------------------------
// TrepFrameLine and TrepFrame

void TrepFrameLine::Assign(const rt::TObject& Source) {
  if (const auto* S = dynamic_cast<const TrepFrameLine*>(&Source)) {
    Color = S->Color;
    Style = S->Style;
    Width = S->Width;
  }
}

std::u16string TrepFrameLine::Diff(const TrepFrameLine* ALine, const std::string& LineName, bool ColorChanged,
                                   bool StyleChanged, bool WidthChanged) const {
  std::u16string R;
  const TrepFrameLine Default(nullptr);
  const TrepFrameLine& A = ALine ? *ALine : Default;
  const bool HasFrame = FFrame != nullptr;
  if (HasFrame && ColorChanged ? Color != FFrame->Color() : Color != A.Color)
    Attr(R, "", (LineName + ".Color").c_str(), Int(Color));
  if (HasFrame && StyleChanged ? Style != FFrame->Style() : Style != A.Style)
    Attr(R, "", (LineName + ".Style").c_str(), Int(Style));
  if (HasFrame && WidthChanged ? FloatsDiffer(Width, FFrame->Width()) : FloatsDiffer(Width, A.Width))
    Attr(R, "", (LineName + ".Width").c_str(), rt::FloatToStr(Width));
  return R;
}

TrepFrame::TrepFrame()
    : FLeftLine(std::make_unique<TrepFrameLine>(this)), FTopLine(std::make_unique<TrepFrameLine>(this)),
      FRightLine(std::make_unique<TrepFrameLine>(this)), FBottomLine(std::make_unique<TrepFrameLine>(this)) {}

void TrepFrame::SetColor(gfx::TColor Value) {
  FColor = Value;
  for (TrepFrameLine* L : {FLeftLine.get(), FTopLine.get(), FRightLine.get(), FBottomLine.get()}) L->Color = Value;
}

void TrepFrame::SetStyle(TrepFrameStyle Value) {
  FStyle = Value;
  for (TrepFrameLine* L : {FLeftLine.get(), FTopLine.get(), FRightLine.get(), FBottomLine.get()}) L->Style = Value;
}

void TrepFrame::SetWidth(double Value) {
  FWidth = Value;
  for (TrepFrameLine* L : {FLeftLine.get(), FTopLine.get(), FRightLine.get(), FBottomLine.get()}) L->Width = Value;
}

void TrepFrame::Assign(const rt::TObject& Source) {
  const auto* S = dynamic_cast<const TrepFrame*>(&Source);
  if (S == nullptr || S == this) return;
  FColor = S->FColor;
  DropShadow = S->DropShadow;
  ShadowWidth = S->ShadowWidth;
  ShadowColor = S->ShadowColor;
  FStyle = S->FStyle;
  Typ = S->Typ;
  FWidth = S->FWidth;
  FLeftLine->Assign(*S->FLeftLine);
  FTopLine->Assign(*S->FTopLine);
  FRightLine->Assign(*S->FRightLine);
  FBottomLine->Assign(*S->FBottomLine);
}

std::u16string TrepFrame::Diff(const TrepFrame* AFrame) const {
  const TrepFrame Default;
  const TrepFrame& A = AFrame ? *AFrame : Default;
  std::u16string R;
  const bool ColorChanged = FColor != A.FColor;
  const bool StyleChanged = FStyle != A.FStyle;
  const bool WidthChanged = FloatsDiffer(FWidth, A.FWidth);
  if (ColorChanged) Attr(R, "", "Frame.Color", Int(FColor));
  if (DropShadow != A.DropShadow) Attr(R, "", "Frame.DropShadow", Bool(DropShadow));
  if (ShadowColor != A.ShadowColor) Attr(R, "", "Frame.ShadowColor", Int(ShadowColor));
  if (FloatsDiffer(ShadowWidth, A.ShadowWidth)) Attr(R, "", "Frame.ShadowWidth", rt::FloatToStr(ShadowWidth));
  if (StyleChanged) Attr(R, "", "Frame.Style", Int(FStyle));
  if (Typ != A.Typ) Attr(R, "", "Frame.Typ", Int(Typ.ToInt()));
  if (WidthChanged) Attr(R, "", "Frame.Width", rt::FloatToStr(FWidth));
  R += FLeftLine->Diff(A.FLeftLine.get(), "Frame.LeftLine", ColorChanged, StyleChanged, WidthChanged);
  R += FTopLine->Diff(A.FTopLine.get(), "Frame.TopLine", ColorChanged, StyleChanged, WidthChanged);
  R += FRightLine->Diff(A.FRightLine.get(), "Frame.RightLine", ColorChanged, StyleChanged, WidthChanged);
  R += FBottomLine->Diff(A.FBottomLine.get(), "Frame.BottomLine", ColorChanged, StyleChanged, WidthChanged);
  return R;
}

void TrepFrame::Draw(gfx::TCanvas& Canvas, int FX, int FY, int FX1, int FY1, double ScaleX, double ScaleY) const {
  if (DropShadow) {
    Canvas.Pen = gfx::TPen{gfx::ColorToRGB(ShadowColor), 1, gfx::psSolid, gfx::pmCopy};
    // A band of thickness S as S one-pixel lines across it (at least one).
    auto Band = [&](int S, bool Vertical) {
      const int N = std::max(S, 1);
      for (int O = -(N / 2); O <= (N - 1) / 2; ++O) {
        if (Vertical) {
          Canvas.MoveTo(FX1 + S / 2 + O, FY + S);
          Canvas.LineTo(FX1 + S / 2 + O, FY1);
        } else {
          Canvas.MoveTo(FX + S, FY1 + S / 2 + O);
          Canvas.LineTo(FX1 + S, FY1 + S / 2 + O);
        }
      }
    };
    Band(RoundHalfEven(ShadowWidth * ScaleX), true);
    Band(RoundHalfEven(ShadowWidth * ScaleY), false);
  }
  if (Typ.Empty() || FColor == gfx::clNone || FWidth == 0) return;
  Canvas.Brush.Style = FStyle == fsSolid ? gfx::bsSolid : gfx::bsClear;
  const bool L = Typ.Contains(ftLeft), R = Typ.Contains(ftRight), T = Typ.Contains(ftTop), B = Typ.Contains(ftBottom);
  const bool Styled = FStyle != fsSolid;
  if (L) DrawSide(Canvas, FX, FY - (FLeftLine->Style == fsDot && Styled ? 1 : 0), FX, FY1, *FLeftLine, T, B, true, -1, ScaleX);
  if (R) DrawSide(Canvas, FX1, FY, FX1, FY1, *FRightLine, T, B, true, 1, ScaleX);
  if (T) DrawSide(Canvas, FX, FY, FX1, FY, *FTopLine, L, R, false, -1, ScaleX);
  if (B) DrawSide(Canvas, FX, FY1, FX1 + (FBottomLine->Style == fsDash && Styled ? 1 : 0), FY1, *FBottomLine, L, R, false, 1, ScaleX);
}

void TrepFrame::DrawSide(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, const TrepFrameLine& Line, bool StartNeighbour,
                         bool EndNeighbour, bool Vertical, int OutsideSign, double ScaleX) const {
  // A line without colour paints nothing.
  if (Line.Color == gfx::clNone) return;
  const int W = RoundHalfEven(Line.Width * ScaleX);
  const gfx::TColor Color = gfx::ColorToRGB(Line.Color);
  Canvas.Pen.Color = Color;
  Canvas.Pen.Mode = gfx::pmCopy;
  switch (Line.Style) {
    case fsSolid: case fsDouble: case fsAltDot: case fsSquare: Canvas.Pen.Style = gfx::psSolid; break;
    case fsDash: Canvas.Pen.Style = gfx::psDash; break;
    case fsDot: Canvas.Pen.Style = gfx::psDot; break;
    case fsDashDot: Canvas.Pen.Style = gfx::psDashDot; break;
    case fsDashDotDot: Canvas.Pen.Style = gfx::psDashDotDot; break;
  }
  Canvas.Pen.Width = Line.Style == fsSolid || Line.Style == fsDouble ? W : 1;

  // Moves a point along the side (towards its end for positive D) or across it.
  auto Along = [Vertical](int& PX, int& PY, int D) { (Vertical ? PY : PX) += D; };
  auto Across = [Vertical](int& PX, int& PY, int D) { (Vertical ? PX : PY) += D; };
  auto Line2 = [&](int AX, int AY, int BX, int BY) {
    Canvas.MoveTo(AX, AY);
    Canvas.LineTo(BX, BY);
  };

  int SX = X, SY = Y, EX = X1, EY = Y1;
  switch (Line.Style) {
    case fsSolid:
      // A free end stops flush with the rectangle; the square cap covers a neighbour's corner.
      if (!StartNeighbour) Along(SX, SY, W / 2);
      if (!EndNeighbour) Along(EX, EY, -(W / 2));
      if (!Canvas.GeometricLine(SX, SY, EX, EY, gfx::TGeometricPen{Color, W, gfx::pecSquare, {}})) Line2(SX, SY, EX, EY);
      break;
    case fsDouble:
      if (!StartNeighbour) Along(SX, SY, W / 2);
      if (!EndNeighbour) Along(EX, EY, -(W / 2));
      // Two rails; at a corner the outer one reaches further and the inner one stops short, so
      // that the rails of neighbouring sides meet.
      for (int Side : {-1, 1}) {
        int AX = SX, AY = SY, BX = EX, BY = EY;
        Across(AX, AY, Side * W);
        Across(BX, BY, Side * W);
        const int D = Side == OutsideSign ? W : -W;
        if (StartNeighbour) Along(AX, AY, -D);
        if (EndNeighbour) Along(BX, BY, D);
        Line2(AX, AY, BX, BY);
      }
      break;
    case fsDash: case fsDot: case fsDashDot: case fsDashDotDot: {
      const int N = std::max(W, 1);
      for (int O = -(N / 2); O < -(N / 2) + N; ++O) {
        int AX = SX, AY = SY, BX = EX, BY = EY;
        Across(AX, AY, O);
        Across(BX, BY, O);
        Line2(AX, AY, BX, BY);
      }
      break;
    }
    case fsAltDot: case fsSquare: {
      gfx::TGeometricPen Pen{Color, W, gfx::pecFlat, {1, 1}};
      if (W > 1) {
        if (Line.Style == fsSquare)
          Pen.Dashes = {W, W};
        else {
          Pen.Dashes = {0, 2 * W};
          Pen.EndCap = gfx::pecRound;
        }
      }
      if (Canvas.GeometricLine(SX, SY, EX, EY, Pen)) break;
      // Without such pens: a dot or square of size W every 2W pixels, single pixels below 2.
      const int Size = W < 2 ? 1 : W;
      const gfx::TPen SavedPen = Canvas.Pen;
      const gfx::TBrush SavedBrush = Canvas.Brush;
      Canvas.Brush = gfx::TBrush{Color, gfx::bsSolid};
      Canvas.Pen.Style = gfx::psClear;
      const int Length = Vertical ? EY - SY : EX - SX;
      for (int P = 0; P < Length; P += 2 * Size) {
        int L = SX, T = SY;
        Along(L, T, P);
        Across(L, T, -(Size / 2));
        if (Line.Style == fsAltDot && Size >= 2)
          Canvas.Ellipse(L, T, L + Size, T + Size);
        else
          Canvas.FillRect({L, T, L + Size, T + Size});
      }
      Canvas.Pen = SavedPen;
      Canvas.Brush = SavedBrush;
      break;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Class descriptions: the published properties with their stored defaults

namespace {

template <class T, class E>
rt::TPropInfo EnumProp(const char* Name, const char* Type, E T::*Member, std::vector<std::string> Names) {
  const long long Count = static_cast<long long>(Names.size());
  rt::TPropInfo P(
      Name, rt::tkEnumeration, Type,
      [Member](rt::TObject* O) { return rt::Variant(static_cast<int>(static_cast<T*>(O)->*Member)); },
      [Member, Count](rt::TObject* O, const rt::Variant& V) {
        const long long I = V.ToInt64();
        if (I < 0 || I >= Count) throw rt::EConvertError("Invalid property value");
        static_cast<T*>(O)->*Member = static_cast<E>(I);
      });
  P.EnumNames = std::move(Names);
  return P;
}

const std::vector<std::string> FrameStyleNames{"fsSolid", "fsDash",   "fsDot",    "fsDashDot",
                                               "fsDashDotDot", "fsDouble", "fsAltDot", "fsSquare"};

} // namespace

rt::TClass TrepCustomFill::ClassInfo() {
  static const rt::TClassInfo Info("TrepCustomFill", rt::TObject::ClassInfo());
  return &Info;
}

rt::TClass TrepBrushFill::ClassInfo() {
  static const rt::TClassInfo Info(
      "TrepBrushFill", TrepCustomFill::ClassInfo(), [] { return new TrepBrushFill; },
      {rt::TPropInfo::Field<TrepBrushFill>("BackColor", rt::tkInteger, "TColor", &TrepBrushFill::BackColor)
           .WithDefault(gfx::clNone),
       rt::TPropInfo::Field<TrepBrushFill>("ForeColor", rt::tkInteger, "TColor", &TrepBrushFill::ForeColor)
           .WithDefault(gfx::clBlack),
       EnumProp("Style", "TBrushStyle", &TrepBrushFill::Style,
                {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal", "bsCross",
                 "bsDiagCross"})
           .WithDefault(gfx::bsSolid)});
  return &Info;
}

rt::TClass TrepGradientFill::ClassInfo() {
  static const rt::TClassInfo Info(
      "TrepGradientFill", TrepCustomFill::ClassInfo(), [] { return new TrepGradientFill; },
      {rt::TPropInfo::Field<TrepGradientFill>("StartColor", rt::tkInteger, "TColor", &TrepGradientFill::StartColor)
           .WithDefault(gfx::clWhite),
       rt::TPropInfo::Field<TrepGradientFill>("EndColor", rt::tkInteger, "TColor", &TrepGradientFill::EndColor)
           .WithDefault(gfx::clBlack),
       EnumProp("GradientStyle", "TrepGradientStyle", &TrepGradientFill::GradientStyle,
                {"gsHorizontal", "gsVertical", "gsElliptic", "gsRectangle", "gsVertCenter", "gsHorizCenter"})});
  return &Info;
}

rt::TClass TrepGlassFill::ClassInfo() {
  // The colour's stored default is the colour of a new fill, so every colour reads back as
  // written.
  static const rt::TClassInfo Info(
      "TrepGlassFill", TrepCustomFill::ClassInfo(), [] { return new TrepGlassFill; },
      {rt::TPropInfo::Field<TrepGlassFill>("Color", rt::tkInteger, "TColor", &TrepGlassFill::Color)
           .WithDefault(gfx::clGray),
       rt::TPropInfo::Field<TrepGlassFill>("Blend", rt::tkFloat, "Extended", &TrepGlassFill::Blend),
       rt::TPropInfo::Field<TrepGlassFill>("Hatch", rt::tkEnumeration, "Boolean", &TrepGlassFill::Hatch)
           .WithDefault(0),
       EnumProp("Orientation", "TrepGlassFillOrientation", &TrepGlassFill::Orientation,
                {"foVertical", "foHorizontal", "foVerticalMirror", "foHorizontalMirror"})
           .WithDefault(foHorizontal)});
  return &Info;
}

rt::TClass TrepFrameLine::ClassInfo() {
  // A line stores what differs from its frame.
  auto Own = [](auto Differs) {
    return [Differs](rt::TObject* O) {
      auto* L = static_cast<TrepFrameLine*>(O);
      return L->Frame() == nullptr || Differs(*L, *L->Frame());
    };
  };
  static const rt::TClassInfo Info(
      "TrepFrameLine", rt::TObject::ClassInfo(), [] { return new TrepFrameLine(nullptr); },
      {rt::TPropInfo::Field<TrepFrameLine>("Color", rt::tkInteger, "TColor", &TrepFrameLine::Color)
           .WithStored(Own([](const TrepFrameLine& L, const TrepFrame& F) { return L.Color != F.Color(); })),
       EnumProp("Style", "TrepFrameStyle", &TrepFrameLine::Style, FrameStyleNames)
           .WithStored(Own([](const TrepFrameLine& L, const TrepFrame& F) { return L.Style != F.Style(); })),
       rt::TPropInfo::Field<TrepFrameLine>("Width", rt::tkFloat, "Extended", &TrepFrameLine::Width)
           .WithStored(Own([](const TrepFrameLine& L, const TrepFrame& F) { return FloatsDiffer(L.Width, F.Width()); }))});
  return &Info;
}

rt::TClass TrepFrame::ClassInfo() {
  auto Frame = [](rt::TObject* O) { return static_cast<TrepFrame*>(O); };
  auto LineProp = [Frame](const char* Name, TrepFrameLine& (TrepFrame::*Get)()) {
    return rt::TPropInfo(Name, rt::tkClass, "TrepFrameLine",
                         [Frame, Get](rt::TObject* O) { return rt::VarFromObject(&(Frame(O)->*Get)()); });
  };
  static const rt::TClassInfo Info(
      "TrepFrame", rt::TObject::ClassInfo(), [] { return new TrepFrame; },
      {rt::TPropInfo("Color", rt::tkInteger, "TColor", [Frame](rt::TObject* O) { return rt::Variant(Frame(O)->Color()); },
                     [Frame](rt::TObject* O, const rt::Variant& V) { Frame(O)->SetColor(V.ToInteger()); })
           .WithDefault(gfx::clBlack),
       rt::TPropInfo::Field<TrepFrame>("DropShadow", rt::tkEnumeration, "Boolean", &TrepFrame::DropShadow).WithDefault(0),
       rt::TPropInfo::Field<TrepFrame>("ShadowWidth", rt::tkFloat, "Extended", &TrepFrame::ShadowWidth)
           .WithStored([Frame](rt::TObject* O) { return FloatsDiffer(Frame(O)->ShadowWidth, 4); }),
       rt::TPropInfo::Field<TrepFrame>("ShadowColor", rt::tkInteger, "TColor", &TrepFrame::ShadowColor)
           .WithDefault(gfx::clBlack),
       [&] {
         rt::TPropInfo P("Style", rt::tkEnumeration, "TrepFrameStyle",
                         [Frame](rt::TObject* O) { return rt::Variant(static_cast<int>(Frame(O)->Style())); },
                         [Frame](rt::TObject* O, const rt::Variant& V) {
                           const int I = V.ToInteger();
                           if (I < 0 || I > fsSquare) throw rt::EConvertError("Invalid property value");
                           Frame(O)->SetStyle(static_cast<TrepFrameStyle>(I));
                         });
         P.EnumNames = FrameStyleNames;
         return std::move(P).WithDefault(fsSolid);
       }(),
       rt::TPropInfo("Typ", rt::tkSet, "TrepFrameTypes",
                     [Frame](rt::TObject* O) { return rt::Variant(static_cast<int>(Frame(O)->Typ.ToInt())); },
                     [Frame](rt::TObject* O, const rt::Variant& V) {
                       Frame(O)->Typ = TrepFrameTypes::FromInt(static_cast<unsigned>(V.ToInteger()) & 15);
                     }),
       rt::TPropInfo("Width", rt::tkFloat, "Extended", [Frame](rt::TObject* O) { return rt::Variant(Frame(O)->Width()); },
                     [Frame](rt::TObject* O, const rt::Variant& V) { Frame(O)->SetWidth(V.ToDouble()); })
           .WithStored([Frame](rt::TObject* O) { return FloatsDiffer(Frame(O)->Width(), 1); }),
       LineProp("LeftLine", &TrepFrame::LeftLine), LineProp("TopLine", &TrepFrame::TopLine),
       LineProp("RightLine", &TrepFrame::RightLine), LineProp("BottomLine", &TrepFrame::BottomLine)});
  return &Info;
}
