// The memo's geometry: text rectangle, measuring, drawing, splitting and the text a prepared
// copy carries. Every measuring or drawing sequence holds the text-layout lock throughout.
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repUtils.h"
#include "report/engine/repXML.h"

namespace {

std::u16string Attr(const char* Name, const std::u16string& Value) {
  return u" " + rt::Utf8ToUtf16(Name) + u"=\"" + Value + u"\"";
}
std::u16string Int(long long V) { return rt::Utf8ToUtf16(std::to_string(V)); }
std::u16string Bool(bool V) { return V ? u"1" : u"0"; }
std::u16string Flt(double V) { return rt::Utf8ToUtf16(rt::FloatToStr(V)); }
std::u16string Esc(const std::string& S) { return EscapeXMLText(rt::Utf8ToUtf16(S)); }

constexpr gfx::TRect kLargeRect{0, 0, 10000, 10000};

bool Vertical(int Angle) { return Angle == 90 || Angle == 270; }

// The view's drawing-area step needs a canvas; measuring has none and draws nothing.
gfx::TCanvas& MeasuringCanvas() {
  thread_local gfx::TRecordingCanvas C;
  return C;
}

} // namespace

TrepDrawText& TrepCustomMemoView::Layout() {
  TrepReport* R = Report();
  return R ? R->DrawText() : SharedDrawText();
}

double TrepCustomMemoView::FrameAndGapWidth() const {
  const TrepFrame& F = Frame();
  double W = 2 * GapX;
  if (F.Typ.Contains(ftLeft)) W += (F.Width() - 1) / 2;
  if (F.Typ.Contains(ftRight)) W += F.Width() / 2;
  if (F.DropShadow) W += F.ShadowWidth;
  return W;
}

double TrepCustomMemoView::FrameAndGapHeight() const {
  const TrepFrame& F = Frame();
  double H = 2 * GapY;
  if (F.Typ.Contains(ftTop)) H += (F.Width() - 1) / 2;
  if (F.Typ.Contains(ftBottom)) H += F.Width() / 2;
  if (F.DropShadow) H += F.ShadowWidth;
  return H;
}

gfx::TRect TrepCustomMemoView::GetTextRect(double OffsetX, double OffsetY, double ScaleX, double ScaleY) const {
  const TrepFrame& F = Frame();
  const int InL = RoundHalfEven((ScaleX * F.Width() - 1) / 2), InR = RoundHalfEven(ScaleX * F.Width() / 2);
  const int InT = RoundHalfEven((ScaleY * F.Width() - 1) / 2), InB = RoundHalfEven(ScaleY * F.Width() / 2);
  const int X0 = RoundHalfEven(OffsetX + ScaleX * AbsLeft()), Y0 = RoundHalfEven(OffsetY + ScaleY * AbsTop());
  const double Shadow = F.DropShadow ? F.ShadowWidth : 0;
  const int X1 = X0 + RoundHalfEven(ScaleX * (Width() - Shadow));
  const int Y1 = Y0 + RoundHalfEven(ScaleY * (Height() - Shadow));
  const int GX = RoundHalfEven(ScaleX * GapX), GY = RoundHalfEven(ScaleY * GapY);
  gfx::TRect R;
  R.Left = X0 + GX + (F.Typ.Contains(ftLeft) ? InL : 0);
  R.Top = Y0 + GY + (F.Typ.Contains(ftTop) ? InT : 0);
  R.Right = X1 - (F.Typ.Contains(ftRight) ? InR : 0) - GX + 1;
  R.Bottom = Y1 - (F.Typ.Contains(ftBottom) ? InB : 0) - GY + 1;
  return R;
}

void TrepCustomMemoView::SetupLayoutBase(TrepDrawText& D) {
  D.UseDefaultCharset = UseDefaultCharset;
  D.UseMonoFont = DrawAsMask;
  D.SetFont(Font());
  D.SetOptions(WordWrap, AllowHTMLTags, RTLReading, WordBreak, Clipped, Wysiwyg, FRotation);
  D.SetGaps(ParagraphGap, CharSpacing, LineSpacing);
}

void TrepCustomMemoView::SetDrawArea(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX,
                                     double OffsetY) {
  TrepDrawText& D = Layout();
  TrepDrawText::TLock Lock;
  SetupLayoutBase(D);
  if (AutoWidth && !IsDesigning()) {
    D.SetDimensions(1, 1, 1, kLargeRect, kLargeRect);
    D.SetText(*FMemo, false);
    const double Old = Width();
    const double New = (Vertical(FRotation) ? D.CalcHeight() : D.CalcWidth()) + FrameAndGapWidth();
    SetWidth(New);
    if (HAlign == haRight) SetLeft(Old + Left() - New);
    else if (HAlign == haCenter) SetLeft(Left() + (Old - New) / 2);
    if (Parent()) Parent()->AlignChildren(false, {});
  }
  TrepStretcheable::SetDrawArea(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  ScaledRect = GetTextRect(OffsetX, OffsetY, ScaleX, ScaleY);
  TextRect = GetTextRect(0, 0, 1, 1);
}

void TrepCustomMemoView::SetupDrawText(TrepDrawText& D, double ScaleX, double ScaleY, double OffsetX,
                                       double OffsetY) {
  SetupLayoutBase(D);
  if (!IsPrinting()) PrintScale = 1;
  const bool Unscaled = ScaleX == 1 && ScaleY == 1 && OffsetX == 0 && OffsetY == 0;
  D.SetDimensions(ScaleX, ScaleY, PrintScale, TextRect, Unscaled ? TextRect : ScaledRect);
  D.SetText(*FMemo, FirstParaBreak);
  D.SetParaBreaks(FirstParaBreak, LastParaBreak);
}

double TrepCustomMemoView::CalcHeight() {
  TrepDrawText& D = Layout();
  TrepDrawText::TLock Lock;
  SetupLayoutBase(D);
  if (Vertical(FRotation) || AutoWidth) {
    D.SetDimensions(1, 1, 1, kLargeRect, kLargeRect);
  } else {
    gfx::TCanvas* Keep = FCanvas;
    SetDrawArea(MeasuringCanvas(), 1, 1, 0, 0);
    FCanvas = Keep;
    SetupLayoutBase(D);
    D.SetDimensions(1, 1, 1, TextRect, TextRect);
  }
  D.SetText(*FMemo, false);
  return RoundHalfEven((Vertical(FRotation) ? D.CalcWidth() : D.CalcHeight()) + FrameAndGapHeight());
}

double TrepCustomMemoView::CalcWidth() {
  TrepDrawText& D = Layout();
  TrepDrawText::TLock Lock;
  SetupLayoutBase(D);
  if (Vertical(FRotation)) {
    TextRect = GetTextRect(0, 0, 1, 1);
    D.SetDimensions(1, 1, 1, TextRect, TextRect);
  } else {
    D.SetDimensions(1, 1, 1, kLargeRect, kLargeRect);
  }
  D.SetText(*FMemo, false);
  return RoundHalfEven((Vertical(FRotation) ? D.CalcHeight() : D.CalcWidth()) + FrameAndGapWidth());
}

void TrepCustomMemoView::InitPart() {
  PartMemo = Text();
  FirstParaBreak = false;
  LastParaBreak = false;
}

double TrepCustomMemoView::DrawPart() {
  TrepDrawText& D = Layout();
  TrepDrawText::TLock Lock;
  SetText(PartMemo);
  gfx::TCanvas* Keep = FCanvas;
  SetDrawArea(MeasuringCanvas(), 1, 1, 0, 0);
  FCanvas = Keep;
  SetupDrawText(D, 1, 1, 0, 0);
  bool ParaBreak = false;
  PartMemo = D.GetOutBoundsText(ParaBreak);
  LastParaBreak = ParaBreak;
  SetText(D.GetInBoundsText());
  const double Unused = D.UnusedSpace();
  return Unused == 0 ? Height() : Unused + 2 * GapY;
}

void TrepCustomMemoView::DrawMemoText() {
  TrepDrawText& D = Layout();
  D.UseDefaultCharset = UseDefaultCharset;
  if (!IsDesigning()) ExtractMacros(nullptr);
  else if (IsDataField())
    SetText(u"[" + rt::Utf8ToUtf16(DataSet()->UserName()) + u".\"" + rt::Utf8ToUtf16(DataField) + u"\"]");
  if (FCanvas == nullptr) return;
  TrepDrawText::TLock Lock;
  SetupDrawText(D, FScaleX, FScaleY, FOffsetX, FOffsetY);
  if (UnderlinesTextMode != ulmNone && FRotation == 0) {
    FCanvas->Pen.Style = gfx::psSolid;
    FCanvas->Pen.Mode = gfx::pmCopy;
    FCanvas->Pen.Color = Frame().Color();
    FCanvas->Pen.Width = FFrameWidth;
  }
  D.VC = VC;
  try {
    D.DrawText(*FCanvas, HAlign, VAlign, UnderlinesTextMode);
  } catch (...) {
    D.VC = nullptr;
    throw;
  }
  D.VC = nullptr;
}

void TrepCustomMemoView::Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
  SetDrawArea(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  if (VC == nullptr) {
    PaintFill();
    PaintFrame();
    DrawCornerMarks();
  }
  DrawMemoText();
}

std::u16string TrepCustomMemoView::WrapText(bool WrapWords, TrepWideStrings* aParaText) {
  TrepDrawText& D = Layout();
  TrepDrawText::TLock Lock;
  gfx::TCanvas* Keep = FCanvas;
  SetDrawArea(MeasuringCanvas(), 1, 1, 0, 0);
  FCanvas = Keep;
  SetupDrawText(D, 1, 1, 0, 0);
  const std::u16string Result = WrapWords ? D.WrappedText() : D.DeleteTags(Text());
  if (aParaText) aParaText->SetText(Result);
  return Result;
}

std::u16string TrepCustomMemoView::Diff(const TrepComponent* AComponent) const {
  std::u16string R = TrepStretcheable::Diff(AComponent);
  const auto* A = dynamic_cast<const TrepCustomMemoView*>(AComponent);
  // Made once and kept: the defaults every memo is compared with when there is no source.
  static const TrepCustomMemoView* const Defaults = new TrepCustomMemoView(nullptr);
  if (A == nullptr) A = Defaults;
  if (AutoWidth != A->AutoWidth) R += Attr("AutoWidth", Bool(AutoWidth));
  if (FloatsDiffer(CharSpacing, A->CharSpacing)) R += Attr("CharSpacing", Flt(CharSpacing));
  if (FloatsDiffer(GapX, A->GapX)) R += Attr("GapX", Flt(GapX));
  if (FloatsDiffer(GapY, A->GapY)) R += Attr("GapY", Flt(GapY));
  if (HAlign != A->HAlign) R += Attr("HAlign", Int(HAlign));
  if (FloatsDiffer(LineSpacing, A->LineSpacing)) R += Attr("LineSpacing", Flt(LineSpacing));
  if (UseDefaultCharset != A->UseDefaultCharset) R += Attr("UseDefaultCharset", Bool(UseDefaultCharset));
  std::u16string Txt = FMemo->GetText();
  if (Txt.size() >= 2) Txt.resize(Txt.size() - 2);
  R += Attr("u", EscapeXMLText(Txt));
  if (!Hint.empty()) R += Attr("Hint", Esc(Hint));
  if (FloatsDiffer(ParagraphGap, A->ParagraphGap)) R += Attr("ParagraphGap", Flt(ParagraphGap));
  if (FRotation != A->FRotation) R += Attr("Rotation", Int(FRotation));
  if (RTLReading != A->RTLReading) R += Attr("RTLReading", Bool(RTLReading));
  if (UnderlinesTextMode != A->UnderlinesTextMode) R += Attr("UnderlinesTextMode", Int(UnderlinesTextMode));
  if (VAlign != A->VAlign) R += Attr("VAlign", Int(VAlign));
  if (WordWrap != A->WordWrap) R += Attr("WordWrap", Bool(WordWrap));
  if (FFormats->Count() == 1) {
    const TrepFormat& F = *FFormats->Items(0);
    const TrepFormat* AF = A->FFormats->Count() > 0 ? A->FFormats->Items(0) : nullptr;
    if (!AF || F.Kind != AF->Kind) R += Attr("DisplayFormat.Kind", Int(F.Kind));
    if (!AF || F.DecimalSeparator != AF->DecimalSeparator)
      R += Attr("DisplayFormat.DecimalSeparator", Esc(F.DecimalSeparator));
    if (!AF || F.ThousandSeparator != AF->ThousandSeparator)
      R += Attr("DisplayFormat.ThousandSeparator", Esc(F.ThousandSeparator));
    if (!AF || F.FormatStr != AF->FormatStr) R += Attr("DisplayFormat.FormatStr", Esc(F.FormatStr));
  }
  if (FirstParaBreak) R += Attr("FirstParaBreak", u"1");
  if (LastParaBreak) R += Attr("LastParaBreak", u"1");
  // The next part starts inside the paragraph where this one stopped.
  auto* Self = const_cast<TrepCustomMemoView*>(this);
  Self->FirstParaBreak = LastParaBreak;
  Self->LastParaBreak = false;
  return R;
}

void TrepCustomMemoView::MirrorContent(TrepMirrorControlModes MirrorModes) {
  TrepStretcheable::MirrorContent(MirrorModes);
  if (MirrorModes.Contains(mcmRTLContent)) {
    if (HAlign == haLeft) HAlign = haRight;
    else if (HAlign == haRight) HAlign = haLeft;
  }
  if (MirrorModes.Contains(mcmBTTContent)) {
    if (VAlign == vaTop) VAlign = vaBottom;
    else if (VAlign == vaBottom) VAlign = vaTop;
  }
  if (MirrorModes.Contains(mcmRTLSpecial)) RTLReading = true;
}
