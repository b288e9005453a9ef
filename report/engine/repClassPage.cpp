// Report, dialog and data pages: paper, orientation, margins, columns, the background picture,
// and their published properties in declaration order with their stored defaults.
#include <algorithm>
#include <cmath>
#include <mutex>

#include "platform/gfx/Picture.h"
#include "platform/rt/SysUtils.h"
#include "report/engine/repClassBand.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repClassProps.h"
#include "report/engine/repPrinter.h"
#include "report/engine/repRes.h"

using repProp::Bool;
using repProp::Int;
using repProp::Str;

namespace {

template <class T>
T* As(rt::TObject* O) {
  return static_cast<T*>(O);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TrepReportPage

TrepReportPage::TrepReportPage(rt::TComponent* AOwner)
    : TrepPage(AOwner), FBackPicture(std::make_unique<TrepPictureView>(nullptr)) {
  FBackPicture->SetColor(gfx::clNone);
  FBackPicture->KeepAspectRatio = false;
  SetPaperSize(9);
}

TrepReportPage::TrepReportPage(rt::TComponent* AOwner, TrepReport* AReport) : TrepReportPage(AOwner) {
  ParentReport = AReport;
}

TrepReportPage::~TrepReportPage() {
  DestroyChildren();
  if (TrepSubreport* S = SubReport(); S != nullptr && S->Page() == this) S->SetPage(nullptr);
}

std::string TrepReportPage::GetDescription() const { return ResourceTable().Get("obRepPage"); }

void TrepReportPage::UpdateSize() {
  SetWidth(RoundHalfEven(FPaperWidth * fr01cm));
  SetHeight(RoundHalfEven(FPaperHeight * fr01cm));
}

void TrepReportPage::SetOrientation(TPrinterOrientation Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  std::swap(FPaperWidth, FPaperHeight);
  const double L = LeftMargin, R = RightMargin, T = TopMargin, B = BottomMargin;
  if (Value == poLandscape) {
    LeftMargin = T;
    RightMargin = B;
    TopMargin = R;
    BottomMargin = L;
  } else {
    LeftMargin = B;
    RightMargin = T;
    TopMargin = L;
    BottomMargin = R;
  }
  UpdateSize();
}

void TrepReportPage::SetPaperWidth(double Value) {
  FPaperWidth = RoundTo8Decimals(Value);
  FPaperSize = 256;
  UpdateSize();
}

void TrepReportPage::SetPaperHeight(double Value) {
  FPaperHeight = RoundTo8Decimals(Value);
  FPaperSize = 256;
  UpdateSize();
}

void TrepReportPage::SetPaperSize(int Value) {
  FPaperSize = Value;
  if (Value >= 256) return;
  double W = 0, H = 0;
  if (GetPaperDimensions(Value, W, H)) {
    if (FOrientation == poLandscape) std::swap(W, H);
    FPaperWidth = W;
    FPaperHeight = H;
  }
  UpdateSize();
}

void TrepReportPage::SetSizeAndDimensions(int ASize, double AWidth, double AHeight) {
  FPaperWidth = RoundTo8Decimals(AWidth);
  FPaperHeight = RoundTo8Decimals(AHeight);
  SetPaperSize(ASize);
  UpdateSize();
}

void TrepReportPage::StorePaperDimensions(double AWidth, double AHeight) {
  FPaperWidth = RoundTo8Decimals(AWidth);
  FPaperHeight = RoundTo8Decimals(AHeight);
  UpdateSize();
}

void TrepReportPage::SetDefaults() {
  LeftMargin = RightMargin = TopMargin = BottomMargin = 10;
  std::lock_guard<std::recursive_mutex> Lock(PrintersLock());
  TrepCustomPrinter* P = GetPrinters().Printer();
  if (P == nullptr) return;
  FPaperWidth = P->DefPaperWidth();
  FPaperHeight = P->DefPaperHeight();
  FOrientation = P->DefOrientation();
  SetPaperSize(P->DefPaper());
  UpdateSize();
}

void TrepReportPage::SetColumns(int Value) {
  FColumns = Value;
  FColumnPositions.Clear();
  if (Value < 1) return;
  ColumnWidth = (FPaperWidth - LeftMargin - RightMargin) / Value;
  for (int I = 0; I < Value; ++I) FColumnPositions.Add(rt::FloatToStr(I * ColumnWidth));
}

TrepDataSet* TrepReportPage::DataSet() const { return FDataSet.Get(); }
void TrepReportPage::SetDataSet(TrepDataSet* Value) { FDataSet.Set(Value); }
std::string TrepReportPage::DataSetName() const { return FDataSet.Name(); }
void TrepReportPage::SetDataSetName(const std::string& Value) { FDataSet.SetName(this, Value); }

TrepSubreport* TrepReportPage::SubReport() const {
  return FSubReport.IsEmpty() ? nullptr : dynamic_cast<TrepSubreport*>(rt::VarFindObject(FSubReport));
}

void TrepReportPage::SetSubReport(TrepSubreport* Value) {
  FSubReport = Value == nullptr ? rt::Variant() : rt::VarFromObject(Value);
}

TrepBand* TrepReportPage::FindBand(rt::TClass Band) const {
  for (TrepComponent* C : Objects())
    if (auto* B = dynamic_cast<TrepBand*>(C); B != nullptr && B->ClassType()->InheritsFrom(Band)) return B;
  return nullptr;
}

void TrepReportPage::AlignChildren(bool IgnoreInvisible, TrepMirrorControlModes MirrorModes) {
  const double AreaWidth = (FPaperWidth - LeftMargin - RightMargin) * fr01cm;
  const double AreaHeight = (FPaperHeight - TopMargin - BottomMargin) * fr01cm;
  SetWidth(AreaWidth);
  SetHeight(AreaHeight);
  TrepPage::AlignChildren(IgnoreInvisible, MirrorModes);
  for (TrepComponent* C : Objects()) {
    auto* B = dynamic_cast<TrepBand*>(C);
    if (B == nullptr) continue;
    const bool FullWidth = dynamic_cast<TrepNullBand*>(B) || dynamic_cast<TrepReportSummary*>(B) ||
                           dynamic_cast<TrepPageHeader*>(B) || dynamic_cast<TrepPageFooter*>(B) ||
                           dynamic_cast<TrepReportTitle*>(B) || dynamic_cast<TrepOverlay*>(B);
    if (B->Vertical)
      B->SetHeight(AreaHeight - B->Top());
    else if (FColumns > 1 && !FullWidth)
      B->SetWidth(ColumnWidth * fr01cm);
    else
      B->SetWidth(AreaWidth - B->Left());
    B->MirrorPosition(MirrorModes);
    B->AlignChildren(IgnoreInvisible, MirrorModes);
  }
  UpdateSize();
}

void TrepReportPage::Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
  TrepPage::Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  TrepPictureView& P = *FBackPicture;
  if (BackPictureStretched) {
    P.SetWidth((FPaperWidth - LeftMargin - RightMargin) * fr01cm);
    P.SetHeight((FPaperHeight - TopMargin - BottomMargin) * fr01cm);
  } else {
    P.SetWidth(P.Picture().Width());
    P.SetHeight(P.Picture().Height());
  }
  if (!BackPictureVisible || (IsPrinting() && !BackPicturePrintable)) return;
  P.Draw(Canvas, ScaleX, ScaleY, OffsetX + ScaleX * LeftMargin * fr01cm, OffsetY + ScaleY * TopMargin * fr01cm);
}

// ---------------------------------------------------------------------------------------------
// TrepDialogPage and TrepDataPage

TrepDialogForm::TrepDialogForm(rt::TComponent* AOwner) : rt::TForm(nullptr) {
  FThreadSafe = AOwner != nullptr && dynamic_cast<TrepComponent*>(AOwner) != nullptr &&
                static_cast<TrepComponent*>(AOwner)->Tag == 318;
  if (auto* P = dynamic_cast<TrepDialogPage*>(AOwner)) FDialogPageControl = P;
  SetCaption(" ");
  SetBounds(0, 0, 116, 59);
  KeyPreview = true;
  OnCloseQuery = [this](rt::TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };
}

void TrepDialogForm::UpdateFormPPI(int NewPPI) {
  if (auto* P = dynamic_cast<TrepDialogPage*>(FDialogPageControl)) P->UpdateDialogPPI(NewPPI);
}

void TrepDialogForm::FormCloseQuery(rt::TObject*, bool& CanClose) { CanClose = false; }

TrepDialogPage::TrepDialogPage(rt::TComponent* AOwner) : TrepPage(AOwner) {
  FIsDialogPage = true;
  const std::intptr_t KeptTag = Tag;
  TrepReport* R = dynamic_cast<TrepReport*>(AOwner);
  Tag = R != nullptr && R->EngineOptions.EnableThreadSafe ? 318 : 0;
  FForm = std::make_unique<TrepDialogForm>(this);
  Tag = KeptTag;
  FForm->KeyPreview = true;
  Font().SetName("Tahoma");
  Font().SetSize(8);
  FForm->SetColor(static_cast<gfx::TColor>(0xFF00000F));
  // The page starts without a size of its own, whatever the form's design says.
  SetClientWidth(0);
  SetClientHeight(0);
  FClientWidth = FClientHeight = 0;
}

TrepDialogPage::~TrepDialogPage() {
  // The controls leave the form with their objects; the form goes after them, under the lock
  // that guards reading component trees.
  DestroyChildren();
  std::lock_guard<std::recursive_mutex> Lock(FormsLock());
  FForm.reset();
}

std::string TrepDialogPage::GetDescription() const { return ResourceTable().Get("obDlgPage"); }

void TrepDialogPage::SetLeft(double Value) {
  TrepPage::SetLeft(Value);
  if (FForm) FForm->SetLeft(RoundHalfEven(Value * Factor()));
}

void TrepDialogPage::SetTop(double Value) {
  TrepPage::SetTop(Value);
  if (FForm) FForm->SetTop(RoundHalfEven(Value * Factor()));
}

void TrepDialogPage::SetWidth(double Value) {
  TrepPage::SetWidth(Value);
  if (FForm && !(IsLoading() && FClientWidth != 0)) FForm->SetWidth(RoundHalfEven(Value * Factor()));
}

void TrepDialogPage::SetHeight(double Value) {
  TrepPage::SetHeight(Value);
  if (FForm && !(IsLoading() && FClientHeight != 0)) FForm->SetHeight(RoundHalfEven(Value * Factor()));
}

// A browser form has no frame: its client area is its whole size.
double TrepDialogPage::ClientWidth() const { return FForm->Width() / Factor(); }
double TrepDialogPage::ClientHeight() const { return FForm->Height() / Factor(); }

void TrepDialogPage::SetClientWidth(double Value) {
  FClientWidth = Value;
  FForm->SetWidth(RoundHalfEven(Value * Factor()));
  TrepPage::SetWidth(FForm->Width() / Factor());
}

void TrepDialogPage::SetClientHeight(double Value) {
  FClientHeight = Value;
  FForm->SetHeight(RoundHalfEven(Value * Factor()));
  TrepPage::SetHeight(FForm->Height() / Factor());
}

void TrepDialogPage::FontChanged() {
  TrepPage::FontChanged();
  if (FForm) FForm->Font().Assign(Font());
}

void TrepDialogPage::UpdateDialogPPI(int NewPPI) {
  CurrentPPI = NewPPI;
  for (int I = 0; I < Objects().Count(); ++I)
    if (auto* C = dynamic_cast<TrepDialogControl*>(Objects().Items(I))) C->UpdateControlsPPI(NewPPI);
}

void TrepDialogPage::TakeFormBounds() {
  TrepPage::SetLeft(FForm->Left() / Factor());
  TrepPage::SetTop(FForm->Top() / Factor());
  TrepPage::SetWidth(FForm->Width() / Factor());
  TrepPage::SetHeight(FForm->Height() / Factor());
}

void TrepDialogPage::Initialize() {
  rt::TForm& F = *FForm;
  if (F.Visible()) F.Hide();
  F.Position = static_cast<rt::TPosition>(std::min<int>(Position, rt::poDesktopCenter));
  F.WindowState = static_cast<rt::TWindowState>(WindowState);
  auto Notify = [this](const TrepNotifyEvent& Event) {
    if (Event.empty()) return;
    if (TrepReport* R = Report()) R->DoNotifyEvent(this, Event);
  };
  F.OnActivate = [this, Notify](rt::TObject*) {
    TakeFormBounds();
    Notify(OnActivate);
    for (TrepComponent* C : AllObjects())
      if (auto* D = dynamic_cast<TrepDialogControl*>(C); D != nullptr && D->OnActivate) D->OnActivate(D);
  };
  F.OnClick = [this, Notify](rt::TObject*) { Notify(OnClick); };
  F.OnDeactivate = [this, Notify](rt::TObject*) { Notify(OnDeactivate); };
  F.OnHide = [this, Notify](rt::TObject*) { Notify(OnHide); };
  F.OnResize = [this, Notify](rt::TObject*) { Notify(OnResize); };
  F.OnShow = [this, Notify](rt::TObject*) {
    if (FForm->ActiveControl != nullptr) FForm->ActiveControl->SetFocus();
    Notify(OnShow);
  };
  F.OnCloseQuery = [this](rt::TObject*, bool& CanClose) {
    TrepReport* R = Report();
    if (OnCloseQuery.empty() || R == nullptr) return;
    rt::Variant P = rt::VarArrayOf({rt::VarFromObject(this), CanClose});
    R->DoParamEvent(OnCloseQuery, P);
    CanClose = P.ArrayGet({1}).ToBoolean();
  };
  auto Key = [this](const TrepNotifyEvent& Event, std::uint16_t& K, rt::TShiftState S) {
    TrepReport* R = Report();
    if (Event.empty() || R == nullptr) return;
    rt::Variant P = rt::VarArrayOf({rt::VarFromObject(this), static_cast<int>(K), static_cast<int>(S)});
    R->DoParamEvent(Event, P);
    K = static_cast<std::uint16_t>(P.ArrayGet({1}).ToInteger());
  };
  F.OnKeyDown = [this, Key](rt::TObject*, std::uint16_t& K, rt::TShiftState S) { Key(OnKeyDown, K, S); };
  F.OnKeyUp = [this, Key](rt::TObject*, std::uint16_t& K, rt::TShiftState S) { Key(OnKeyUp, K, S); };
  F.OnKeyPress = [this](rt::TObject*, char16_t& K) {
    TrepReport* R = Report();
    if (OnKeyPress.empty() || R == nullptr) return;
    rt::Variant P = rt::VarArrayOf({rt::VarFromObject(this), rt::Variant(std::u16string(1, K))});
    R->DoParamEvent(OnKeyPress, P);
    const std::u16string S = P.ArrayGet({1}).ToUString();
    K = S.empty() ? u'\0' : S[0];
  };
}

int TrepDialogPage::ShowModal() {
  Initialize();
  rt::TForm& F = *FForm;
  F.BorderStyle = static_cast<rt::TFormBorderStyle>(BorderStyle);
  F.FormStyle = rt::fsNormal;
  // The form's name is the page's (the browser's id); its caption stays its own.
  const std::string Kept = F.Caption();
  F.SetName(Name());
  F.SetCaption(Kept);
  // A form smaller than its controls would hide some of them.
  int Right = F.Width(), Bottom = F.Height();
  for (int I = 0; I < F.ControlCount(); ++I) {
    const rt::TControl* C = F.Controls(I);
    Right = std::max(Right, C->Left() + C->Width() + 8);
    Bottom = std::max(Bottom, C->Top() + C->Height() + 8);
  }
  F.SetBounds(F.Left(), F.Top(), Right, Bottom);
  int Result = rt::mrCancel;
  try {
    Result = F.ShowModal();
  } catch (...) {
    F.FormStyle = rt::fsStayOnTop;
    throw;
  }
  F.FormStyle = rt::fsStayOnTop;
  TakeFormBounds();
  return Result;
}

TrepDataPage::TrepDataPage(rt::TComponent* AOwner) : TrepPage(AOwner) {
  SetWidth(1000);
  SetHeight(1000);
}

std::string TrepDataPage::GetDescription() const { return ResourceTable().Get("obDataPage"); }

// ---------------------------------------------------------------------------------------------
// Published properties

namespace {

template <class T>
rt::TPropInfo EventName(const char* Name, std::string T::*Member) {
  return rt::TPropInfo::Field<T>(Name, rt::tkString, "TrepNotifyEvent", Member);
}

using P = TrepReportPage;

rt::TPropInfo PaperSide(const char* Name, double (P::*Get)() const, void (P::*Set)(double)) {
  return rt::TPropInfo(Name, rt::tkFloat, "Extended", [Get](rt::TObject* O) { return rt::Variant((As<P>(O)->*Get)()); },
                       [Set](rt::TObject* O, const rt::Variant& V) { (As<P>(O)->*Set)(V.ToDouble()); })
      .WithStored([Get](rt::TObject* O) { return (As<P>(O)->*Get)() != 0; });
}

rt::TPropInfo Margin(const char* Name, double P::*Member) {
  return rt::TPropInfo::Field<P>(Name, rt::tkFloat, "Extended", Member).WithStored([Member](rt::TObject* O) {
    return As<P>(O)->*Member != 0;
  });
}

rt::TPropInfo StringsProp(const char* Name, rt::TStringList& (P::*Get)()) {
  return rt::TPropInfo(Name, rt::tkClass, "TStrings", [Get](rt::TObject* O) { return rt::VarFromObject(&(As<P>(O)->*Get)()); });
}

} // namespace

rt::TClass TrepReportPage::ClassInfo() {
  static const rt::TClassInfo Info(
      "TrepReportPage", TrepPage::ClassInfo(), [] { return new P(nullptr); },
      {rt::TPropInfo("Orientation", rt::tkEnumeration, "TPrinterOrientation",
                     [](rt::TObject* O) { return rt::Variant(static_cast<int>(As<P>(O)->Orientation())); },
                     [](rt::TObject* O, const rt::Variant& V) {
                       const int I = V.ToInteger();
                       if (I != poPortrait && I != poLandscape) throw rt::EConvertError("Invalid property value");
                       As<P>(O)->SetOrientation(static_cast<TPrinterOrientation>(I));
                     })
           .WithEnumNames({"poPortrait", "poLandscape"})
           .WithDefault(poPortrait),
       PaperSide("PaperWidth", &P::PaperWidth, &P::SetPaperWidth),
       PaperSide("PaperHeight", &P::PaperHeight, &P::SetPaperHeight),
       rt::TPropInfo("PaperSize", rt::tkInteger, "Integer", [](rt::TObject* O) { return rt::Variant(As<P>(O)->PaperSize()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<P>(O)->SetPaperSize(V.ToInteger()); }),
       Margin("LeftMargin", &P::LeftMargin), Margin("RightMargin", &P::RightMargin), Margin("TopMargin", &P::TopMargin),
       Margin("BottomMargin", &P::BottomMargin), Bool("MirrorMargins", &P::MirrorMargins, false),
       rt::TPropInfo("Columns", rt::tkInteger, "Integer", [](rt::TObject* O) { return rt::Variant(As<P>(O)->Columns()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<P>(O)->SetColumns(V.ToInteger()); })
           .WithDefault(0),
       Margin("ColumnWidth", &P::ColumnWidth), StringsProp("ColumnPositions", &P::ColumnPositions),
       Int("Bin", &P::Bin, 7), Int("BinOtherPages", &P::BinOtherPages, 7),
       rt::TPropInfo("BackPicture", rt::tkClass, "TPicture",
                     [](rt::TObject* O) { return rt::VarFromObject(&As<P>(O)->BackPicture().Picture()); }),
       Bool("BackPictureVisible", &P::BackPictureVisible, true),
       Bool("BackPicturePrintable", &P::BackPicturePrintable, true),
       Bool("BackPictureStretched", &P::BackPictureStretched, true),
       rt::TPropInfo("PageCount", rt::tkInteger, "Integer", [](rt::TObject* O) { return rt::Variant(As<P>(O)->PageCount()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<P>(O)->SetPageCount(V.ToInteger()); })
           .WithDefault(1),
       rt::TPropInfo("Color", rt::tkInteger, "TColor", [](rt::TObject* O) { return rt::Variant(As<P>(O)->Color()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<P>(O)->SetColor(V.ToInteger()); })
           .WithDefault(gfx::clNone),
       rt::TPropInfo("DataSet", rt::tkClass, "TrepDataSet", [](rt::TObject* O) { return rt::VarFromObject(As<P>(O)->DataSet()); },
                     [](rt::TObject* O, const rt::Variant& V) {
                       As<P>(O)->SetDataSet(dynamic_cast<TrepDataSet*>(rt::VarToObject(V)));
                     }),
       rt::TPropInfo("DataSetName", rt::tkString, "string", [](rt::TObject* O) { return rt::Variant(As<P>(O)->DataSetName()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<P>(O)->SetDataSetName(V.ToString()); }),
       repProp::Enum("Duplex", "TrepDuplexMode", &P::Duplex, {"dmNone", "dmVertical", "dmHorizontal", "dmSimplex"},
                     std::optional<TrepDuplexMode>(dmNone)),
       rt::TPropInfo("Frame", rt::tkClass, "TrepFrame", [](rt::TObject* O) { return rt::VarFromObject(&As<P>(O)->Frame()); }),
       Bool("EndlessHeight", &P::EndlessHeight, false), Bool("EndlessWidth", &P::EndlessWidth, false),
       Bool("LargeDesignHeight", &P::LargeDesignHeight, false),
       repProp::Set("MirrorMode", "TrepMirrorControlModes", &P::MirrorMode,
                    std::optional<TrepMirrorControlModes>(TrepMirrorControlModes{})),
       Str("OutlineText", &P::OutlineText), Bool("PrintIfEmpty", &P::PrintIfEmpty, true),
       Bool("PrintOnPreviousPage", &P::PrintOnPreviousPage, false),
       Bool("ShowTitleOnPreviousPage", &P::ShowTitleOnPreviousPage, true),
       Bool("ResetPageNumbers", &P::ResetPageNumbers, false), Bool("TitleBeforeHeader", &P::TitleBeforeHeader, true),
       StringsProp("HGuides", &P::HGuides), StringsProp("VGuides", &P::VGuides),
       EventName<P>("OnAfterPrint", &P::OnAfterPrint), EventName<P>("OnBeforePrint", &P::OnBeforePrint),
       EventName<P>("OnManualBuild", &P::OnManualBuild)});
  return &Info;
}

rt::TClass TrepDialogForm::ClassInfo() {
  static const rt::TClassInfo Info("TrepDialogForm", rt::TForm::ClassInfo());
  return &Info;
}

rt::TClass TrepDialogPage::ClassInfo() {
  using D = TrepDialogPage;
  static const rt::TClassInfo Info(
      "TrepDialogPage", TrepPage::ClassInfo(), [] { return new D(nullptr); },
      {repProp::Enum("BorderStyle", "TFormBorderStyle", &D::BorderStyle,
                     {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
                     std::optional<TFormBorderStyle>(bsSizeable)),
       rt::TPropInfo("Caption", rt::tkString, "TCaption", [](rt::TObject* O) { return rt::Variant(As<D>(O)->Caption()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<D>(O)->SetCaption(V.ToString()); }),
       rt::TPropInfo("Color", rt::tkInteger, "TColor", [](rt::TObject* O) { return rt::Variant(As<D>(O)->Color()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<D>(O)->SetColor(V.ToInteger()); })
           .WithDefault(static_cast<long long>(0xFF00000F)),
       Bool("DoubleBuffered", &D::DoubleBuffered), repProp::Height(),
       rt::TPropInfo("ClientHeight", rt::tkFloat, "Extended", [](rt::TObject* O) { return rt::Variant(As<D>(O)->ClientHeight()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<D>(O)->SetClientHeight(V.ToDouble()); }), repProp::Left(),
       repProp::Enum("Position", "TPosition", &D::Position,
                     {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                      "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"},
                     std::optional<TPosition>(poScreenCenter)),
       repProp::Top(), repProp::Width(), Bool("Scaled", &D::Scaled),
       rt::TPropInfo("ClientWidth", rt::tkFloat, "Extended", [](rt::TObject* O) { return rt::Variant(As<D>(O)->ClientWidth()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<D>(O)->SetClientWidth(V.ToDouble()); }),
       repProp::Enum("WindowState", "TWindowState", &D::WindowState, {"wsNormal", "wsMinimized", "wsMaximized"},
                     std::optional<TWindowState>(wsNormal)),
       EventName<D>("OnActivate", &D::OnActivate), EventName<D>("OnClick", &D::OnClick),
       EventName<D>("OnCloseQuery", &D::OnCloseQuery), EventName<D>("OnDeactivate", &D::OnDeactivate),
       EventName<D>("OnHide", &D::OnHide), EventName<D>("OnKeyDown", &D::OnKeyDown),
       EventName<D>("OnKeyPress", &D::OnKeyPress), EventName<D>("OnKeyUp", &D::OnKeyUp),
       EventName<D>("OnShow", &D::OnShow), EventName<D>("OnResize", &D::OnResize)});
  return &Info;
}

rt::TClass TrepDataPage::ClassInfo() {
  static const rt::TClassInfo Info("TrepDataPage", TrepPage::ClassInfo(), [] { return new TrepDataPage(nullptr); },
                                   {repProp::Height(), repProp::Left(), repProp::Top(), repProp::Width()});
  return &Info;
}
