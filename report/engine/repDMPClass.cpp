// Dot-matrix page, text, line and printer command: snapping to character cells, the typewriter
// font with the printer's styles, cut text and command characters.
#include "report/engine/repDMPClass.h"

#include <cmath>
#include <mutex>

#include "platform/rt/SysUtils.h"
#include "report/engine/repClassProps.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repRes.h"

namespace {

constexpr double W = fr1CharX;
constexpr double H = fr1CharY;
constexpr double M = fr01cm;

// Coordinates beyond this many cells are not a page any printer has; values outside (and
// values that are no number) are brought into range before they become integers.
constexpr double kMaxCells = 1e12;

double Clamped(double X) {
  if (!std::isfinite(X)) return 0;
  if (X > kMaxCells) return kMaxCells;
  if (X < -kMaxCells) return -kMaxCells;
  return X;
}

// To nearest, halves to even (the default rounding mode), and toward zero.
long long RoundCells(double X) { return static_cast<long long>(std::nearbyint(Clamped(X))); }
long long TruncCells(double X) { return static_cast<long long>(std::trunc(Clamped(X))); }

// A multiple of the cell width is a floating product, of the cell height an integer product.
double Cols(long long N) { return static_cast<double>(N) * W; }
double Rows(long long N) { return static_cast<double>(N * 17); }

// The typewriter face with the three styles the screen shows. The font's change notice is held
// back meanwhile, so the reset does not count as the object choosing its own font.
void ResetFont(gfx::TFont& F, TrepDMPFontStyles Styles) {
  auto Notice = std::move(F.OnChange);
  F.OnChange = nullptr;
  F.SetName("Courier New");
  F.SetSize(12);
  gfx::TFontStyles S = 0;
  if (Styles.Contains(fsxBold)) S |= gfx::FontStyles({gfx::fsBold});
  if (Styles.Contains(fsxItalic)) S |= gfx::FontStyles({gfx::fsItalic});
  if (Styles.Contains(fsxUnderline)) S |= gfx::FontStyles({gfx::fsUnderline});
  F.SetStyle(S);
  F.OnChange = std::move(Notice);
}

TrepDMPPage* DMPPageOf(TrepComponent* C) { return dynamic_cast<TrepDMPPage*>(C->Page()); }

template <class T>
rt::TPropInfo FontStyleProp() {
  return rt::TPropInfo(
      "FontStyle", rt::tkSet, "TrepDMPFontStyles",
      [](rt::TObject* O) { return rt::Variant(static_cast<long long>(static_cast<T*>(O)->FontStyle().ToInt())); },
      [](rt::TObject* O, const rt::Variant& V) {
        static_cast<T*>(O)->SetFontStyle(TrepDMPFontStyles::FromInt(static_cast<unsigned>(V.ToInt64()) & 0xFFFFu));
      });
}


} // namespace

// ---------------------------------------------------------------------------------------------
// TrepDMPMemoView

TrepDMPMemoView::TrepDMPMemoView(rt::TComponent* AOwner) : TrepCustomMemoView(AOwner) { ResetFontOptions(); }

std::string TrepDMPMemoView::GetDescription() const { return ResourceTable().Get("obDMPText"); }

void TrepDMPMemoView::SetLeft(double Value) {
  const long long N = Align == baRight ? TruncCells(Value / W) : RoundCells(Value / W);
  TrepCustomMemoView::SetLeft(Cols(N));
}

void TrepDMPMemoView::SetTop(double Value) { TrepCustomMemoView::SetTop(Rows(RoundCells(Value / H))); }
void TrepDMPMemoView::SetWidth(double Value) { TrepCustomMemoView::SetWidth(Cols(RoundCells(Value / W))); }
void TrepDMPMemoView::SetHeight(double Value) { TrepCustomMemoView::SetHeight(Rows(RoundCells(Value / H))); }

void TrepDMPMemoView::SetBoundsDirect(double ALeft, double ATop, double AWidth, double AHeight) {
  TrepCustomMemoView::SetLeft(ALeft);
  TrepCustomMemoView::SetTop(ATop);
  TrepCustomMemoView::SetWidth(AWidth);
  TrepCustomMemoView::SetHeight(AHeight);
}

void TrepDMPMemoView::SetParentFont(bool Value) {
  TrepCustomMemoView::SetParentFont(Value);
  if (Value)
    if (TrepDMPPage* P = DMPPageOf(this)) FFontStyle = P->FontStyle();
}

void TrepDMPMemoView::ResetFontOptions() {
  ResetFont(Font(), FFontStyle);
  CharSpacing = 0;
  LineSpacing = 1;
  GapX = 0;
  GapY = 0;
}

void TrepDMPMemoView::SetFontStyle(TrepDMPFontStyles Value) {
  FFontStyle = Value;
  TrepCustomMemoView::SetParentFont(false);
  ResetFontOptions();
}

void TrepDMPMemoView::PaintFrame() {
  FX = RoundHalfEven((AbsLeft() - W / 2) * FScaleX + FOffsetX);
  FY = RoundHalfEven((AbsTop() - H / 2) * FScaleY + FOffsetY);
  FX1 = RoundHalfEven((AbsLeft() + Width() + W / 2) * FScaleX + FOffsetX);
  FY1 = RoundHalfEven((AbsTop() + Height() + H / 2) * FScaleY + FOffsetY);
  TrepCustomMemoView::PaintFrame();
}

double TrepDMPMemoView::CalcHeight() { return Rows(RoundCells(TrepCustomMemoView::CalcHeight() / H)); }
double TrepDMPMemoView::CalcWidth() { return Cols(RoundCells(TrepCustomMemoView::CalcWidth() / W)); }

std::u16string TrepDMPMemoView::GetoutBoundText() const {
  const long long Rows = RoundCells(Height() / H);
  const long long Chars = RoundCells(Width() / W);
  const TrepWideStrings& L = Lines();
  std::u16string R;
  for (long long I = 0; I < Rows && I < L.Count(); ++I) {
    std::u16string S = L[static_cast<int>(I)];
    if (Chars <= 0) S.clear();
    else if (static_cast<long long>(S.size()) > Chars) S.resize(static_cast<std::size_t>(Chars));
    R += S;
    R += u"\r\n";
  }
  return R;
}

// ---------------------------------------------------------------------------------------------
// TrepDMPLineView

std::string TrepDMPLineView::GetDescription() const { return ResourceTable().Get("obDMPLine"); }

void TrepDMPLineView::SetLeft(double Value) {
  double X;
  if (Value < 0) X = Cols(TruncCells(Value / W)) - W / 2;
  else if (Align == baRight) X = Cols(RoundCells(Value / W)) - W / 2;
  else X = Cols(TruncCells(Value / W)) + W / 2;
  TrepCustomLineView::SetLeft(X);
}

void TrepDMPLineView::SetTop(double Value) { TrepCustomLineView::SetTop(Rows(TruncCells(Value / H)) + H / 2); }

void TrepDMPLineView::SetWidth(double Value) {
  const long long N = Align == baWidth ? TruncCells(Value / W) : RoundCells(Value / W);
  TrepCustomLineView::SetWidth(Cols(N));
}

void TrepDMPLineView::SetParentFont(bool Value) {
  TrepCustomLineView::SetParentFont(Value);
  if (Value)
    if (TrepDMPPage* P = DMPPageOf(this)) FFontStyle = P->FontStyle();
}

void TrepDMPLineView::SetFontStyle(TrepDMPFontStyles Value) {
  FFontStyle = Value;
  TrepCustomLineView::SetParentFont(false);
}

// ---------------------------------------------------------------------------------------------
// TrepDMPCommand

std::string TrepDMPCommand::GetDescription() const { return ResourceTable().Get("obDMPCmd"); }

void TrepDMPCommand::SetLeft(double Value) { TrepView::SetLeft(Cols(RoundCells(Value / W))); }
void TrepDMPCommand::SetTop(double Value) { TrepView::SetTop(Rows(RoundCells(Value / H))); }

std::string TrepDMPCommand::ToChr() const {
  std::string R;
  if (!Command.empty() && Command[0] == '#') {
    const std::string S = Command + "#";
    std::string Num;
    for (std::size_t I = 1; I < S.size(); ++I) {
      if (S[I] != '#') {
        Num += S[I];
        continue;
      }
      int Code = 0;
      bool Digits = !Num.empty() && Num.size() <= 9;
      for (char C : Num) Digits = Digits && C >= '0' && C <= '9';
      if (!Digits) throw rt::EConvertError("'" + Num + "' is not a valid integer value");
      Code = std::stoi(Num);
      R += static_cast<char>(Code & 0xFF);
      Num.clear();
    }
    return R;
  }
  for (std::size_t I = 0; I + 1 < Command.size(); I += 2) {
    const int Hi = rt::HexDigitValue(Command[I]), Lo = rt::HexDigitValue(Command[I + 1]);
    if (Hi < 0 || Lo < 0) throw rt::EConvertError("'$" + Command.substr(I, 2) + "' is not a valid integer value");
    R += static_cast<char>(Hi * 16 + Lo);
  }
  return R;
}

// ---------------------------------------------------------------------------------------------
// TrepDMPPage

TrepDMPPage::TrepDMPPage(rt::TComponent* AOwner) : TrepReportPage(AOwner) {
  // The base constructor chose its paper before this class's snapping existed.
  SetPaperSize(PaperSize());
  ResetFontOptions();
}

void TrepDMPPage::SetPaperWidth(double Value) {
  TrepReportPage::SetPaperWidth(Value);
  StorePaperDimensions(Cols(RoundCells(PaperWidth() * M / W)) / M, PaperHeight());
}

void TrepDMPPage::SetPaperHeight(double Value) {
  TrepReportPage::SetPaperHeight(Value);
  StorePaperDimensions(PaperWidth(), Rows(RoundCells(PaperHeight() * M / H)) / M);
}

void TrepDMPPage::SetPaperSize(int Value) {
  TrepReportPage::SetPaperSize(Value);
  StorePaperDimensions(Cols(RoundCells(PaperWidth() * M / W)) / M, Rows(RoundCells(PaperHeight() * M / H)) / M);
}

void TrepDMPPage::SetDefaults() {
  TrepReportPage::SetDefaults();
  LeftMargin = RightMargin = W / M;
  TopMargin = BottomMargin = H / M;
  StorePaperDimensions(Cols(TruncCells(PaperWidth() * M / W)) / M, Rows(TruncCells(PaperHeight() * M / H)) / M);
}

void TrepDMPPage::ResetFontOptions() { ResetFont(Font(), FFontStyle); }

void TrepDMPPage::SetFontStyle(TrepDMPFontStyles Value) {
  FFontStyle = Value;
  ResetFontOptions();
  // Parents come before their children, so each object takes a font its parent already has.
  for (TrepComponent* C : std::vector<TrepComponent*>(AllObjects()))
    if (C->ParentFont()) C->SetParentFont(true);
}

// ---------------------------------------------------------------------------------------------
// Published properties and registration

rt::TClass TrepDMPMemoView::ClassInfo() {
  using T = TrepDMPMemoView;
  static const rt::TClassInfo Info(
      "TrepDMPMemoView", TrepCustomMemoView::ClassInfo(), [] { return new T(nullptr); },
      {FontStyleProp<T>().WithStored([](rt::TObject* O) { return static_cast<T*>(O)->IsFontStyleStored(); }),
       repProp::Bool("TruncOutboundText", &T::TruncOutboundText)});
  return &Info;
}

rt::TClass TrepDMPLineView::ClassInfo() {
  using T = TrepDMPLineView;
  static const rt::TClassInfo Info(
      "TrepDMPLineView", TrepCustomLineView::ClassInfo(), [] { return new T(nullptr); },
      {FontStyleProp<T>().WithStored([](rt::TObject* O) { return static_cast<T*>(O)->IsFontStyleStored(); })});
  return &Info;
}

rt::TClass TrepDMPCommand::ClassInfo() {
  using T = TrepDMPCommand;
  static const rt::TClassInfo Info("TrepDMPCommand", TrepView::ClassInfo(), [] { return new T(nullptr); },
                                   {repProp::Str("Command", &T::Command)});
  return &Info;
}

rt::TClass TrepDMPPage::ClassInfo() {
  using T = TrepDMPPage;
  static const rt::TClassInfo Info("TrepDMPPage", TrepReportPage::ClassInfo(), [] { return new T(nullptr); },
                                   {FontStyleProp<T>()});
  return &Info;
}

namespace {
std::mutex& DMPInitLock() {
  static std::mutex L;
  return L;
}
int DMPInitCount = 0;
} // namespace

void repDMPInitialization() {
  std::lock_guard<std::mutex> Lock(DMPInitLock());
  if (DMPInitCount++ > 0) return;
  rt::RegisterClass(TrepDMPPage::ClassInfo());
  TrepObjectCollection& R = ReportObjects();
  const TrepObjectCategories DMP = repCategoryBit(ctDMP);
  R.RegisterObject1(TrepDMPMemoView::ClassInfo(), nullptr, {}, {}, 0, 2, DMP);
  R.RegisterObject1(TrepDMPLineView::ClassInfo(), nullptr, {}, {}, 0, 5, DMP);
  R.RegisterObject1(TrepDMPCommand::ClassInfo(), nullptr, {}, {}, 0, 21, DMP);
}

void repDMPFinalization() {
  std::lock_guard<std::mutex> Lock(DMPInitLock());
  if (DMPInitCount == 0 || --DMPInitCount > 0) return;
  rt::UnRegisterClass(TrepDMPPage::ClassInfo());
  TrepObjectCollection& R = ReportObjects();
  R.Unregister(TrepDMPMemoView::ClassInfo());
  R.Unregister(TrepDMPLineView::ClassInfo());
  R.Unregister(TrepDMPCommand::ClassInfo());
}
