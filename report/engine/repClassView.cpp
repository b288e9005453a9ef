// Views and shapes, hyperlinks, highlights, display formats and the stretchable base.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gfx/Graphics.h"
#include "platform/gfx/MetafileCanvas.h"
#include "platform/gfx/Picture.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repClassProps.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
#include "report/engine/repVariables.h"
#include "report/engine/repVectorCanvas.h"
#include "report/engine/repXML.h"

namespace {

std::u16string Attr(const std::string& Name, const std::u16string& Value) {
  return u" " + rt::Utf8ToUtf16(Name) + u"=\"" + Value + u"\"";
}
std::u16string Text(const std::string& S) { return EscapeXMLText(rt::Utf8ToUtf16(S)); }
std::u16string Int(long long V) { return VariantToXMLText(rt::Variant(V)); }

// The pieces of S between Sep characters (the whole text when Sep is empty).
std::vector<std::string> Split(const std::string& S, const std::string& Sep) {
  std::vector<std::string> R;
  if (Sep.empty()) return {S};
  std::size_t Start = 0;
  for (std::size_t At; (At = S.find(Sep, Start)) != std::string::npos; Start = At + Sep.size())
    R.push_back(S.substr(Start, At - Start));
  R.push_back(S.substr(Start));
  return R;
}

std::string Join(const std::vector<std::string>& Parts, const std::string& Sep) {
  std::string R;
  for (std::size_t I = 0; I < Parts.size(); ++I) R += (I ? Sep : "") + Parts[I];
  return R;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TrepObjectProcessing and TrepHyperlink

void TrepObjectProcessing::Assign(const rt::TObject& Source) {
  const auto* S = dynamic_cast<const TrepObjectProcessing*>(&Source);
  if (S == nullptr)
    throw rt::EConvertError("Cannot assign a " + Source.ClassType()->ClassName() + " to a TrepObjectProcessing");
  ProcessAt = S->ProcessAt;
  GroupLevel = S->GroupLevel;
}

void TrepHyperlink::Assign(const rt::TObject& Source) {
  const auto* S = dynamic_cast<const TrepHyperlink*>(&Source);
  if (S == nullptr || S == this) return;
  Kind = S->Kind;
  DetailReport = S->DetailReport;
  DetailPage = S->DetailPage;
  Expression = S->Expression;
  ReportVariable = S->ReportVariable;
  TabCaption = S->TabCaption;
  Value = S->Value;
  ValuesSeparator = S->ValuesSeparator;
}

std::u16string TrepHyperlink::Diff(const TrepHyperlink* ALink, const std::string& Add) const {
  if (ALink == nullptr) return {};
  std::u16string R;
  const std::string P = Add + ".";
  if (Kind != ALink->Kind) R += Attr(P + "Kind", Int(Kind));
  if (DetailReport != ALink->DetailReport) R += Attr(P + "DetailReport", Text(DetailReport));
  if (DetailPage != ALink->DetailPage) R += Attr(P + "DetailPage", Text(DetailPage));
  if (ReportVariable != ALink->ReportVariable) R += Attr(P + "ReportVariable", Text(ReportVariable));
  if (TabCaption != ALink->TabCaption) R += Attr(P + "TabCaption", Text(TabCaption));
  if (Value != ALink->Value) R += Attr(P + "Value", Text(Value));
  if (ValuesSeparator != ALink->ValuesSeparator) R += Attr(P + "ValuesSeparator", Text(ValuesSeparator));
  return R;
}

void TrepHyperlink::AssignVariables(TrepReport* aReport) const {
  if (aReport == nullptr) return;
  TrepVariables& Vars = aReport->Variables();
  auto Set = [&](const std::string& Name, const std::string& V) {
    if (Vars.IndexOf(Name) >= 0) Vars.SetVariables(Name, rt::Variant(V));
  };
  if (!ValuesSeparator.empty() && ReportVariable.find(ValuesSeparator) != std::string::npos) {
    const auto Names = Split(ReportVariable, ValuesSeparator);
    const bool HasParts = Value.find(ValuesSeparator) != std::string::npos;
    const auto Values = Split(Value, ValuesSeparator);
    std::string Last = Value;
    for (std::size_t I = 0; I < Names.size(); ++I) {
      if (HasParts && I < Values.size()) Last = Values[I];
      Set(Names[I], Last);
    }
  } else {
    Set(ReportVariable, Value);
  }
}

// ---------------------------------------------------------------------------------------------
// TrepView

TrepView::TrepView(rt::TComponent* AOwner) : TrepReportComponent(AOwner), FFill(CreateFill(ftBrush)) {
  frComponentStyle.Include(csDefaultDiff);
}

TrepView::~TrepView() = default;

TrepDataSet* TrepView::DataSet() const { return FDataSet.Get(); }
void TrepView::SetDataSet(TrepDataSet* Value) { FDataSet.Set(Value); }
std::string TrepView::DataSetName() const { return FDataSet.Name(); }
void TrepView::SetDataSetName(const std::string& Value) { FDataSet.SetName(this, Value); }

bool TrepView::IsDataField() const { return DataSet() != nullptr && !DataField.empty(); }

void TrepView::SetURL(const std::string& Value) {
  if (Value.empty()) return;
  if (Value[0] == '@' || Value[0] == '#') {
    FHyperlink.Kind = Value[0] == '@' ? hkPageNumber : hkAnchor;
    FHyperlink.Value = Value.substr(1, 255);
  } else {
    FHyperlink.Kind = hkURL;
    FHyperlink.Value = Value;
  }
}

void TrepView::SetFill(const TrepCustomFill& Value) {
  SetFillType(FillTypeOf(&Value));
  FFill->Assign(Value);
}

void TrepView::SetFillType(TrepFillType Value) {
  if (FFill && FillType() == Value) return;
  FFill = CreateFill(Value);
}

gfx::TColor TrepView::Color() const {
  if (auto* B = dynamic_cast<const TrepBrushFill*>(FFill.get())) return B->BackColor;
  if (auto* G = dynamic_cast<const TrepGradientFill*>(FFill.get())) return G->GetColor();
  if (auto* G = dynamic_cast<const TrepGlassFill*>(FFill.get())) return G->GetColor();
  return gfx::clNone;
}

void TrepView::SetColor(gfx::TColor Value) {
  if (auto* B = dynamic_cast<TrepBrushFill*>(FFill.get())) B->BackColor = Value;
}

gfx::TBrushStyle TrepView::BrushStyle() const {
  if (auto* B = dynamic_cast<const TrepBrushFill*>(FFill.get())) return B->Style;
  return gfx::bsClear;
}

void TrepView::SetBrushStyle(gfx::TBrushStyle Value) {
  if (auto* B = dynamic_cast<TrepBrushFill*>(FFill.get())) B->Style = Value;
}

void TrepView::SetPrintable(bool Value) {
  if (Value)
    Visibility.Include(vsPrint);
  else
    Visibility.Exclude(vsPrint);
}

void TrepView::SetDrawArea(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
  FCanvas = &Canvas;
  FScaleX = ScaleX;
  FScaleY = ScaleY;
  FOffsetX = OffsetX;
  FOffsetY = OffsetY;
  FX = RoundHalfEven(OffsetX + ScaleX * AbsLeft());
  FY = RoundHalfEven(OffsetY + ScaleY * AbsTop());
  FX1 = RoundHalfEven(OffsetX + ScaleX * (AbsLeft() + Width()));
  FY1 = RoundHalfEven(OffsetY + ScaleY * (AbsTop() + Height()));
  if (FFrame.DropShadow) {
    // The shadow is drawn inside the bounds, to the right and below.
    FX1 -= RoundHalfEven(ScaleX * FFrame.ShadowWidth);
    FY1 -= RoundHalfEven(ScaleY * FFrame.ShadowWidth);
  }
  FDX = FX1 - FX;
  FDY = FY1 - FY;
  FFrameWidth = RoundHalfEven(ScaleX * FFrame.Width());
}

void TrepView::PaintFill() {
  if (FCanvas == nullptr || (ObjAsMetafile && !DrawFillOnMetaFile)) return;
  // The fill reaches the middle of each frame line.
  const double W = FFrame.Width();
  const int WX = RoundHalfEven(W * FScaleX), WY = RoundHalfEven(W * FScaleY);
  int L = FX, T = FY, R = FX1, B = FY1;
  if (FFrame.Typ.Contains(ftLeft)) L -= RoundHalfEven(W * FScaleX / 2);
  if (FFrame.Typ.Contains(ftTop)) T -= RoundHalfEven(W * FScaleY / 2);
  if (FFrame.Typ.Contains(ftRight)) R += RoundHalfEven(W * FScaleX / 2) + WX % 2;
  if (FFrame.Typ.Contains(ftBottom)) B += RoundHalfEven(W * FScaleY / 2) + WY % 2;
  FFill->Draw(*FCanvas, L, T, R, B, FScaleX, FScaleY);
}

void TrepView::PaintFrame() {
  if (FCanvas == nullptr || ObjAsMetafile) return;
  FFrame.Draw(*FCanvas, FX, FY, FX1, FY1, FScaleX, FScaleY);
}

void TrepView::DrawCornerMarks() {
  if (FCanvas == nullptr || !IsDesigning()) return;
  if (TrepPage* P = Page(); P != nullptr && P->ClassType()->ClassName() == "TrepDataPage") return;
  const TrepFrameTypes All{ftLeft, ftRight, ftTop, ftBottom};
  if (FFrame.Typ == All) return;
  gfx::TCanvas& C = *FCanvas;
  C.Pen = gfx::TPen{};
  auto Corner = [&](int X, int Y, int DX, int DY) {
    C.MoveTo(X, Y + 3 * DY);
    C.LineTo(X, Y);
    C.LineTo(X + 4 * DX, Y);
  };
  Corner(FX, FY, 1, 1);
  Corner(FX1, FY, -1, 1);
  Corner(FX, FY1, 1, -1);
  Corner(FX1, FY1, -1, -1);
}

void TrepView::Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
  SetDrawArea(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  PaintFill();
  PaintFrame();
  DrawCornerMarks();
}

void TrepView::DrawHighlight(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY,
                             gfx::TColor hlColor) {
  (void)hlColor;
  SetDrawArea(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  const gfx::TPen OldPen = Canvas.Pen;
  const gfx::TBrush OldBrush = Canvas.Brush;
  Canvas.Brush.Style = gfx::bsClear;
  if (ComponentState.Contains(csDesigning)) {
    Canvas.Pen = gfx::TPen{gfx::TColor{0x0000FF}, 1, gfx::psDash};
    Canvas.Rectangle(FX, FY, FX1 + 1, FY1 + 1);
  } else {
    Canvas.Pen = gfx::TPen{gfx::TColor{0xF0CAA6}, 1, gfx::psDot};
    Canvas.Rectangle(FX + 1, FY + 1, FX1, FY1);
  }
  Canvas.Pen = OldPen;
  Canvas.Brush = OldBrush;
}

void TrepView::DrawThickLine(int X1, int Y1, int X2, int Y2, int Width) {
  if (FCanvas == nullptr) return;
  if (Width <= 1) {
    FCanvas->MoveTo(X1, Y1);
    FCanvas->LineTo(X2, Y2);
    return;
  }
  // Parallel one-pixel lines across the minor axis.
  const bool Flat = std::abs(X2 - X1) >= std::abs(Y2 - Y1);
  for (int I = 0; I < Width; ++I) {
    const int D = I - Width / 2;
    FCanvas->MoveTo(X1 + (Flat ? 0 : D), Y1 + (Flat ? D : 0));
    FCanvas->LineTo(X2 + (Flat ? 0 : D), Y2 + (Flat ? D : 0));
  }
}

std::unique_ptr<TVectorCanvas> TrepView::GetVectorCanvas() {
  auto Result = std::make_unique<TVectorCanvas>();
  gfx::TBitmap Scratch(std::max(1, RoundHalfEven(Width())), std::max(1, RoundHalfEven(Height())));
  VC = Result.get();
  try {
    DrawClipped(Scratch.Canvas(), 1, 1, -AbsLeft(), -AbsTop());
  } catch (...) {
    VC = nullptr;
    throw;
  }
  VC = nullptr;
  return Result;
}

std::unique_ptr<gfx::TGraphic> TrepView::GetVectorGraphic(bool DrawFill) {
  // The server draws at 96 pixels per inch: the screen scale is 1.
  gfx::TMetafileCanvas Canvas(std::max(1, RoundHalfEven(Width())), std::max(1, RoundHalfEven(Height())));
  ObjAsMetafile = true;
  DrawFillOnMetaFile = DrawFill;
  try {
    DrawClipped(Canvas, 1, 1, -AbsLeft(), -AbsTop());
  } catch (...) {
    ObjAsMetafile = DrawFillOnMetaFile = false;
    throw;
  }
  ObjAsMetafile = DrawFillOnMetaFile = false;
  return Canvas.Metafile();
}

TrepRect TrepView::GetExportBounds() { return {AbsLeft(), AbsTop(), AbsLeft() + Width(), AbsTop() + Height()}; }

void TrepView::BeforePrint() {
  TrepReportComponent::BeforePrint();
  TempTag = TagStr;
  TempHyperlink = FHyperlink.Value;
}

std::string TrepView::ExpandExpressions(const std::string& Text) {
  TrepReport* R = Report();
  if (R == nullptr || !R->Evaluate) return Text;
  std::string S = Text;
  std::size_t I = 0;
  while ((I = S.find('[', I)) != std::string::npos) {
    int Depth = 0;
    std::size_t J = I;
    for (; J < S.size(); ++J) {
      if (S[J] == '[') ++Depth;
      if (S[J] == ']' && --Depth == 0) break;
    }
    if (J >= S.size()) break;  // no closing bracket: the rest stays as it is
    const std::string Value =
        rt::VarToStr(R->Evaluate(rt::Utf8ToUtf16(S.substr(I + 1, J - I - 1))));
    S.replace(I, J - I + 1, Value);
    I += Value.size();
  }
  return S;
}

void TrepView::GetData() {
  if (TagStr.find('[') != std::string::npos) TagStr = ExpandExpressions(TagStr);
  TrepHyperlink& H = FHyperlink;
  if (H.Value.find('[') != std::string::npos) {
    auto Parts = Split(H.Value, H.ValuesSeparator);
    for (std::string& P : Parts) P = ExpandExpressions(P);
    H.Value = Join(Parts, H.ValuesSeparator);
  }
  TrepReport* R = Report();
  if (!H.Expression.empty() && R != nullptr && R->Evaluate) {
    auto Parts = Split(H.Expression, H.ValuesSeparator);
    for (std::string& P : Parts) {
      const rt::Variant V = R->Evaluate(rt::Utf8ToUtf16(P));
      std::string T = rt::VarToStr(V);
      if (V.IsString() && H.Kind != hkURL) {
        // A script literal of the report's language.
        std::string Q;
        if (R->ScriptLanguage == "PascalScript") {
          for (char C : T) Q += C == '\'' ? std::string("''") : std::string(1, C);
          T = "'" + Q + "'";
        } else {
          for (char C : T) Q += C == '"' ? std::string("\\\"") : std::string(1, C);
          T = "\"" + Q + "\"";
        }
      }
      P = T;
    }
    H.Value = Join(Parts, H.ValuesSeparator);
  }
}

void TrepView::AfterPrint() {
  TrepReportComponent::AfterPrint();
  TagStr = TempTag;
  FHyperlink.Value = TempHyperlink;
}

void TrepView::MirrorContent(TrepMirrorControlModes MirrorModes) {
  TrepReportComponent::MirrorContent(MirrorModes);
  auto Swap = [&](TrepFrameType A, TrepFrameType B, TrepFrameLine& LA, TrepFrameLine& LB) {
    const bool HasA = FFrame.Typ.Contains(A), HasB = FFrame.Typ.Contains(B);
    if (HasA) FFrame.Typ.Include(B); else FFrame.Typ.Exclude(B);
    if (HasB) FFrame.Typ.Include(A); else FFrame.Typ.Exclude(A);
    std::swap(LA.Color, LB.Color);
    std::swap(LA.Style, LB.Style);
    std::swap(LA.Width, LB.Width);
  };
  if (MirrorModes.Contains(mcmRTLAppearance)) Swap(ftLeft, ftRight, FFrame.LeftLine(), FFrame.RightLine());
  if (MirrorModes.Contains(mcmBTTAppearance)) Swap(ftTop, ftBottom, FFrame.TopLine(), FFrame.BottomLine());
}

std::u16string TrepView::Diff(const TrepComponent* AComponent) const {
  std::u16string R = TrepReportComponent::Diff(AComponent);
  const auto* A = dynamic_cast<const TrepView*>(AComponent);
  if (A == nullptr) return R;
  if (Align != A->Align) R += Attr("Align", Int(Align));
  R += FFrame.Diff(&A->FFrame);
  if (Cursor != A->Cursor) R += Attr("Cursor", Int(Cursor));
  if (Visibility != A->Visibility) R += Attr("Visibility", Int(Visibility.ToInt()));
  if (TagStr != A->TagStr) R += Attr("TagStr", Text(TagStr));
  if (FillType() != A->FillType()) R += Attr("FillType", Int(FillType()));
  R += FFill->Diff(A->FFill.get(), "Fill");
  R += FHyperlink.Diff(&A->FHyperlink, "Hyperlink");
  return R;
}

// ---------------------------------------------------------------------------------------------
// TrepShapeView

TrepShapeView::TrepShapeView(rt::TComponent* AOwner) : TrepView(AOwner) { frComponentStyle.Exclude(csDefaultDiff); }

std::string TrepShapeView::GetDescription() const { return ResourceTable().Get("obShape"); }

std::u16string TrepShapeView::Diff(const TrepComponent* AComponent) const {
  std::u16string R = TrepView::Diff(AComponent);
  if (const auto* A = dynamic_cast<const TrepShapeView*>(AComponent); A && Shape != A->Shape)
    R += Attr("Shape", Int(Shape));
  return R;
}

void TrepShapeView::DrawShapeOutline() {
  gfx::TCanvas& C = *FCanvas;
  switch (Shape) {
    case skRectangle: C.Rectangle(FX, FY, FX1 + 1, FY1 + 1); break;
    case skRoundRectangle: {
      const int Corner = Curve == 0 ? std::min(FDX, FDY) / 4 : RoundHalfEven(Curve * FScaleX * 10);
      C.RoundRect(FX, FY, FX1 + 1, FY1 + 1, Corner, Corner);
      break;
    }
    case skEllipse: C.Ellipse(FX, FY, FX1 + 1, FY1 + 1); break;
    case skTriangle: C.Polygon({{FX1, FY1}, {FX, FY1}, {FX + FDX / 2, FY}, {FX1, FY1}}); break;
    case skDiamond: C.Polygon({{FX + FDX / 2, FY}, {FX1, FY + FDY / 2}, {FX + FDX / 2, FY1}, {FX, FY + FDY / 2}}); break;
    case skDiagonal1: DrawThickLine(FX, FY1, FX1, FY, FFrameWidth); break;
    case skDiagonal2: DrawThickLine(FX, FY, FX1, FY1, FFrameWidth); break;
  }
}

void TrepShapeView::PaintShape() {
  gfx::TCanvas& C = *FCanvas;
  const TrepFrame& F = Frame();
  const gfx::TBrushStyle BS = BrushStyle();
  const gfx::TColor Col = Color();
  C.Pen.Color = F.Color();
  C.Pen.Width = FFrameWidth;
  C.Pen.Mode = gfx::pmCopy;
  C.Brush.Style = gfx::bsSolid;
  C.BkMode = gfx::bkOpaque;
  const auto PenStyle = [&] {
    if (F.Color() == gfx::clNone) return gfx::psClear;
    switch (F.Style()) {
      case fsDash: return gfx::psDash;
      case fsDot: case fsAltDot: return gfx::psDot;
      case fsDashDot: return gfx::psDashDot;
      case fsDashDotDot: return gfx::psDashDotDot;
      default: return gfx::psSolid;
    }
  };
  C.Pen.Style = PenStyle();
  const bool Diagonal = Shape == skDiagonal1 || Shape == skDiagonal2;
  auto Outline = [&] {
    if (!Diagonal && FillType() != ftBrush) {
      // Gradient and glass fills are painted clipped to the shape's box, then the outline.
      const auto OldClip = C.ClipRect();
      C.SetClipRect(gfx::TRect{FX, FY, FX1 + 1, FY1 + 1});
      PaintFill();
      C.SetClipRect(OldClip);
      C.Brush.Style = gfx::bsClear;
    }
    DrawShapeOutline();
  };
  if (BS != gfx::bsSolid) {
    if (Col != gfx::clNone) {
      C.Brush = gfx::TBrush{Col, gfx::bsSolid};
      const gfx::TPen Keep = C.Pen;
      C.Pen.Style = gfx::psClear;
      DrawShapeOutline();
      C.Pen = Keep;
    }
    C.Brush = gfx::TBrush{F.Color(), BS};
    Outline();
  } else {
    C.Brush = Col == gfx::clNone ? gfx::TBrush{gfx::clWhite, gfx::bsClear} : gfx::TBrush{Col, gfx::bsSolid};
    Outline();
  }
}

void TrepShapeView::Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
  if (Frame().Style() != fsDouble) {
    SetDrawArea(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    PaintShape();
    return;
  }
  // A double frame: the shape, then the shape again inside it.
  Frame().SetStyle(fsSolid);
  const double L = Left(), T = Top(), W = Width(), H = Height();
  try {
    SetDrawArea(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    PaintShape();
    const double w = Frame().Width();
    switch (Shape) {
      case skTriangle: SetBounds(L + 4 * w, T + 4 * w, W - 8 * w, H - 6 * w); break;
      case skDiamond: SetBounds(L + 3 * w, T + 3 * w, W - 6 * w, H - 6 * w); break;
      case skDiagonal1:
      case skDiagonal2: SetBounds(L + 2 * w, T, W, H); break;
      default: SetBounds(L + 2 * w, T + 2 * w, W - 4 * w, H - 4 * w); break;
    }
    SetDrawArea(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    PaintShape();
  } catch (...) {
    Frame().SetStyle(fsDouble);
    SetBounds(L, T, W, H);
    throw;
  }
  Frame().SetStyle(fsDouble);
  SetBounds(L, T, W, H);
}

// ---------------------------------------------------------------------------------------------
// Highlights and formats

TrepHighlight::TrepHighlight(rt::TCollection* ACollection)
    : TrepCollectionItem(ACollection), FFill(CreateFill(ftBrush)) {
  FFont.SetName("Arial");
  FFont.SetSize(10);
  FFont.SetColor(0x0000FF);
}

gfx::TColor TrepHighlight::Color() const {
  if (auto* B = dynamic_cast<const TrepBrushFill*>(FFill.get())) return B->BackColor;
  return gfx::clNone;
}

void TrepHighlight::SetColor(gfx::TColor Value) {
  if (auto* B = dynamic_cast<TrepBrushFill*>(FFill.get())) B->BackColor = Value;
}

void TrepHighlight::SetFillType(TrepFillType Value) {
  if (FillType() != Value) FFill = CreateFill(Value);
}

void TrepHighlight::SetFill(const TrepCustomFill& Value) {
  SetFillType(FillTypeOf(&Value));
  FFill->Assign(Value);
}

void TrepHighlight::Assign(const rt::TObject& Source) {
  const auto* S = dynamic_cast<const TrepHighlight*>(&Source);
  if (S == nullptr || S == this) return;
  ApplyFont = S->ApplyFont;
  ApplyFill = S->ApplyFill;
  ApplyFrame = S->ApplyFrame;
  FFont.Assign(S->FFont);
  SetFill(*S->FFill);
  FFrame.Assign(S->FFrame);
  Condition = S->Condition;
  Visible = S->Visible;
  InteractiveType = S->InteractiveType;
}

TrepHighlightCollection::TrepHighlightCollection()
    : TrepCollection([](rt::TCollection* C) { return new TrepHighlight(C); }) {}

void TrepFormat::Assign(const rt::TObject& Source) {
  const auto* S = dynamic_cast<const TrepFormat*>(&Source);
  if (S == nullptr) return;
  DecimalSeparator = S->DecimalSeparator;
  ThousandSeparator = S->ThousandSeparator;
  FormatStr = S->FormatStr;
  Kind = S->Kind;
}

TrepFormatCollection::TrepFormatCollection() : rt::TCollection([](rt::TCollection* C) { return new TrepFormat(C); }) {}
