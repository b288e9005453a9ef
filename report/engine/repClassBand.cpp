// Bands and subreports: their data, the child chain, the fill memo, and their published
// properties in declaration order with their stored defaults.
#include <set>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassBand.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repClassProps.h"
#include "report/engine/repRes.h"
#include "report/engine/repXML.h"

using repProp::Bool;
using repProp::Int;
using repProp::Str;

namespace {

template <class T>
T* As(rt::TObject* O) {
  return static_cast<T*>(O);
}

template <class T>
T* Live(const rt::Variant& Handle) {
  return Handle.IsEmpty() ? nullptr : dynamic_cast<T*>(rt::VarFindObject(Handle));
}

rt::Variant HandleOf(const rt::TObject* Obj) { return Obj == nullptr ? rt::Variant() : rt::VarFromObject(Obj); }

} // namespace

// ---------------------------------------------------------------------------------------------
// TrepFillGaps

void TrepFillGaps::Assign(const rt::TObject& Source) {
  if (auto* S = dynamic_cast<const TrepFillGaps*>(&Source)) {
    Top = S->Top;
    Left = S->Left;
    Bottom = S->Bottom;
    Right = S->Right;
  }
}

// ---------------------------------------------------------------------------------------------
// TrepBand

TrepBand::TrepBand(rt::TComponent* AOwner) : TrepReportComponent(AOwner), FFill(CreateFill(ftBrush)) {
  frComponentStyle.Include(csAcceptsRepComponents);
}

TrepBand::~TrepBand() { DestroyChildren(); }

const std::vector<rt::TClass>& BandClasses() {
  static const std::vector<rt::TClass> Classes{
      TrepReportTitle::ClassInfo(),  TrepReportSummary::ClassInfo(), TrepPageHeader::ClassInfo(),
      TrepPageFooter::ClassInfo(),   TrepHeader::ClassInfo(),        TrepFooter::ClassInfo(),
      TrepMasterData::ClassInfo(),   TrepDetailData::ClassInfo(),    TrepSubdetailData::ClassInfo(),
      TrepDataBand4::ClassInfo(),    TrepDataBand5::ClassInfo(),     TrepDataBand6::ClassInfo(),
      TrepGroupHeader::ClassInfo(),  TrepGroupFooter::ClassInfo(),   TrepChild::ClassInfo(),
      TrepColumnHeader::ClassInfo(), TrepColumnFooter::ClassInfo(),  TrepOverlay::ClassInfo()};
  return Classes;
}

int TrepBand::BandNumber() const {
  const std::vector<rt::TClass>& Classes = BandClasses();
  int Result = 0;
  for (std::size_t I = 0; I < Classes.size(); ++I)
    if (ClassType()->InheritsFrom(Classes[I])) Result = static_cast<int>(I);
  return Result;
}

std::string TrepBand::BandName() const {
  std::string S = ClassName();
  if (auto P = S.find("Trep"); P != std::string::npos) S.erase(P, 4);
  if (auto P = S.find("Band"); P != std::string::npos) S.erase(P, 4);
  return S;
}

std::string TrepBand::GetDescription() const {
  return ResourceTable().Get(dynamic_cast<const TrepDataBand*>(this) ? "obDataBand" : "obBand");
}

void TrepBand::Draw(gfx::TCanvas&, double, double, double, double) {}

TrepChild* TrepBand::Child() const { return Live<TrepChild>(FChild); }

void TrepBand::SetChild(TrepChild* Value) {
  if (Value != nullptr) {
    // Walk the chain the new child starts; reaching this band, or any band twice, is a loop.
    std::set<const TrepBand*> Visited{Value};
    bool Circular = Value == this;
    for (const TrepBand* B = Value->Child(); B != nullptr && !Circular; B = B->Child()) {
      if (B == this || !Visited.insert(B).second) Circular = true;
    }
    if (Circular) throw rt::Exception(ResourceTable().Get("clCirRefNotAllow"));
  }
  FChild = HandleOf(Value);
}

void TrepBand::SetFill(const TrepCustomFill& Value) {
  SetFillType(FillTypeOf(&Value));
  FFill->Assign(Value);
}

void TrepBand::SetFillType(TrepFillType Value) {
  if (FFill && FillType() == Value) return;
  FFill = CreateFill(Value);
}

TrepMemoView* TrepBand::FillMemo() const { return Live<TrepMemoView>(FFillMemo); }

void TrepBand::CreateFillMemo() {
  if (dynamic_cast<TrepNullBand*>(this) != nullptr) return;
  const auto* Brush = dynamic_cast<const TrepBrushFill*>(FFill.get());
  if (Brush != nullptr && Brush->BackColor == gfx::clNone && Brush->ForeColor == 0 && Brush->Style == gfx::bsSolid &&
      FFrame.Typ.Empty())
    return;
  TrepMemoView* M = FillMemo();
  if (M == nullptr) {
    M = new TrepMemoView(nullptr);
    M->SetParent(this);
    FFillMemo = HandleOf(M);
  }
  M->Align = baHidden;
  M->SetFill(*FFill);
  M->SetFrame(FFrame);
  M->SetTop(FFillGap.Top);
  M->SetLeft(FFillGap.Left);
  M->SetHeight(Height() - FFillGap.Bottom);
  M->SetWidth(Width() - FFillGap.Right);
  const int Index = Objects().IndexOf(M);
  if (Index > 0) Objects().Move(Index, 0);
}

void TrepBand::DisposeFillMemo() {
  TrepMemoView* M = FillMemo();
  FFillMemo = rt::Variant();
  delete M;
}

// ---------------------------------------------------------------------------------------------
// TrepDataBand

TrepDataBand::TrepDataBand(rt::TComponent* AOwner)
    : TrepBand(AOwner), FVirtualDataSet(std::make_unique<TrepUserDataSet>(nullptr)) {
  FVirtualDataSet->RangeEnd = reCount;
}

TrepDataBand::~TrepDataBand() { DestroyChildren(); }

TrepDataSet* TrepDataBand::DataSet() const { return FDataSet.Get(); }
void TrepDataBand::SetDataSet(TrepDataSet* Value) { FDataSet.Set(Value); }
std::string TrepDataBand::DataSetName() const { return FDataSet.Name(); }
void TrepDataBand::SetDataSetName(const std::string& Value) { FDataSet.SetName(this, Value); }

void TrepDataBand::SetRowCount(int Value) {
  FRowCount = Value;
  FVirtualDataSet->RangeEndCount = Value;
}

void TrepDataBand::SetCurColumn(int Value) {
  if (Value > Columns) Value = 1;
  FCurColumn = Value;
  if (FCurColumn == 1) MaxY = 0;
  SetLeft((ColumnWidth + ColumnGap) * (FCurColumn - 1));
}

// ---------------------------------------------------------------------------------------------
// TrepGroupHeader

std::u16string TrepGroupHeader::Diff(const TrepComponent* AComponent) const {
  std::u16string R = TrepBand::Diff(AComponent);
  if (DrillDown) R += u" DrillName=\"" + rt::Utf8ToUtf16(DrillName) + u"\"";
  return R;
}

// ---------------------------------------------------------------------------------------------
// TrepSubreport

TrepSubreport::TrepSubreport(rt::TComponent* AOwner) : TrepView(AOwner) {
  Frame().Typ = TrepFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
  Font().SetName("Tahoma");
  Font().SetSize(8);
  SetColor(0xC0C0C0);  // silver
  frComponentStyle.Exclude(csPreviewVisible);
}

TrepSubreport::~TrepSubreport() {
  if (TrepReportPage* P = Page(); P != nullptr && P->SubReport() == this) P->SetSubReport(nullptr);
}

std::string TrepSubreport::GetDescription() const { return ResourceTable().Get("obSubRep"); }

TrepReportPage* TrepSubreport::Page() const { return Live<TrepReportPage>(FPage); }

void TrepSubreport::SetPage(TrepReportPage* Value) {
  FPage = HandleOf(Value);
  if (Value != nullptr) Value->SetSubReport(this);
}

// ---------------------------------------------------------------------------------------------
// Published properties

namespace {

template <class T>
rt::TPropInfo EventName(const char* Name, std::string T::*Member) {
  return rt::TPropInfo::Field<T>(Name, rt::tkString, "TrepNotifyEvent", Member);
}

rt::TPropInfo BandFillType() {
  rt::TPropInfo P("FillType", rt::tkEnumeration, "TrepFillType",
                  [](rt::TObject* O) { return rt::Variant(static_cast<int>(As<TrepBand>(O)->FillType())); },
                  [](rt::TObject* O, const rt::Variant& V) {
                    const int I = V.ToInteger();
                    if (I < ftBrush || I > ftGlass) throw rt::EConvertError("Invalid property value");
                    As<TrepBand>(O)->SetFillType(static_cast<TrepFillType>(I));
                  });
  P.EnumNames = {"ftBrush", "ftGradient", "ftGlass"};
  return std::move(P).WithDefault(ftBrush);
}

rt::TPropInfo ChildProp() {
  return rt::TPropInfo("Child", rt::tkClass, "TrepChild",
                       [](rt::TObject* O) { return rt::VarFromObject(As<TrepBand>(O)->Child()); },
                       [](rt::TObject* O, const rt::Variant& V) {
                         rt::TObject* C = rt::VarToObject(V);
                         auto* Child = dynamic_cast<TrepChild*>(C);
                         if (C != nullptr && Child == nullptr) throw rt::EConvertError("Invalid property value");
                         As<TrepBand>(O)->SetChild(Child);
                       });
}

rt::TPropInfo ShiftEngineProp() {
  return repProp::Enum("ShiftEngine", "TrepShiftEngine", &TrepBand::ShiftEngine, {"seLinear", "seTree", "seDontShift"},
                       std::optional<TrepShiftEngine>(seTree));
}

// The shared band flags, each published by the classes that list it.
rt::TPropInfo PAllowSplit(bool Default = false) { return Bool("AllowSplit", &TrepBand::AllowSplit, Default); }
rt::TPropInfo PKeepChild() { return Bool("KeepChild", &TrepBand::KeepChild, false); }
rt::TPropInfo PPrintChildIfInvisible() {
  return Bool("PrintChildIfInvisible", &TrepBand::PrintChildIfInvisible, false);
}
rt::TPropInfo PStartNewPage() { return Bool("StartNewPage", &TrepBand::StartNewPage, false); }
rt::TPropInfo PStretched() { return Bool("Stretched", &TrepBand::Stretched, false); }
rt::TPropInfo POutlineText() { return Str("OutlineText", &TrepBand::OutlineText); }

rt::TPropInfo DataSetProp() {
  return rt::TPropInfo("DataSet", rt::tkClass, "TrepDataSet",
                       [](rt::TObject* O) { return rt::VarFromObject(As<TrepDataBand>(O)->DataSet()); },
                       [](rt::TObject* O, const rt::Variant& V) {
                         As<TrepDataBand>(O)->SetDataSet(dynamic_cast<TrepDataSet*>(rt::VarToObject(V)));
                       });
}

} // namespace

rt::TClass TrepFillGaps::ClassInfo() {
  using T = TrepFillGaps;
  static const rt::TClassInfo Info("TrepFillGaps", rt::TObject::ClassInfo(), [] { return new T; },
                                   {Int("Top", &T::Top, 0), Int("Left", &T::Left, 0), Int("Bottom", &T::Bottom, 0),
                                    Int("Right", &T::Right, 0)});
  return &Info;
}

rt::TClass TrepBand::ClassInfo() {
  using T = TrepBand;
  using R = TrepReportComponent;
  static const rt::TClassInfo Info(
      "TrepBand", TrepReportComponent::ClassInfo(), [] { return new T(nullptr); },
      {repProp::Tag(), repProp::AllowMirrorMode(), BandFillType(),
       rt::TPropInfo("Fill", rt::tkClass, "TrepCustomFill", [](rt::TObject* O) { return rt::VarFromObject(As<T>(O)->Fill()); }),
       rt::TPropInfo("FillGap", rt::tkClass, "TrepFillGaps",
                     [](rt::TObject* O) { return rt::VarFromObject(&As<T>(O)->FillGap()); }),
       rt::TPropInfo("Frame", rt::tkClass, "TrepFrame", [](rt::TObject* O) { return rt::VarFromObject(&As<T>(O)->Frame()); }),
       repProp::Font(), repProp::Height(), repProp::Left(), repProp::ParentFont(), repProp::Restrictions(),
       repProp::Top(), Bool("Vertical", &T::Vertical, false), repProp::Visible(), repProp::Width(),
       EventName<T>("OnAfterCalcHeight", &T::OnAfterCalcHeight), EventName<R>("OnAfterPrint", &R::OnAfterPrint),
       EventName<R>("OnBeforePrint", &R::OnBeforePrint)});
  return &Info;
}

rt::TClass TrepDataBand::ClassInfo() {
  using T = TrepDataBand;
  static const rt::TClassInfo Info(
      "TrepDataBand", TrepBand::ClassInfo(), [] { return new T(nullptr); },
      {PAllowSplit(), ChildProp(), Int("Columns", &T::Columns, 0),
       rt::TPropInfo::Field<T>("ColumnWidth", rt::tkFloat, "Extended", &T::ColumnWidth)
           .WithStored([](rt::TObject* O) { return As<T>(O)->ColumnWidth != 0; }),
       rt::TPropInfo::Field<T>("ColumnGap", rt::tkFloat, "Extended", &T::ColumnGap)
           .WithStored([](rt::TObject* O) { return As<T>(O)->ColumnGap != 0; }),
       DataSetProp(),
       rt::TPropInfo("DataSetName", rt::tkString, "string", [](rt::TObject* O) { return rt::Variant(As<T>(O)->DataSetName()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<T>(O)->SetDataSetName(V.ToString()); }),
       Bool("FooterAfterEach", &T::FooterAfterEach, false), Str("Filter", &T::Filter), PKeepChild(),
       Bool("KeepFooter", &T::KeepFooter, false), Bool("KeepHeader", &T::KeepHeader, false),
       Bool("KeepTogether", &T::KeepTogether, false), POutlineText(), PPrintChildIfInvisible(),
       Bool("PrintIfDetailEmpty", &T::PrintIfDetailEmpty, false),
       rt::TPropInfo("RowCount", rt::tkInteger, "Integer", [](rt::TObject* O) { return rt::Variant(As<T>(O)->RowCount()); },
                     [](rt::TObject* O, const rt::Variant& V) { As<T>(O)->SetRowCount(V.ToInteger()); }),
       PStartNewPage(), PStretched(), ShiftEngineProp(), EventName<T>("OnMasterDetail", &T::OnMasterDetail)});
  return &Info;
}

#define REP_DATA_LEVEL_INFO(Name)                                                                      \
  rt::TClass Name::ClassInfo() {                                                                       \
    static const rt::TClassInfo Info(#Name, TrepDataBand::ClassInfo(), [] { return new Name(nullptr); }); \
    return &Info;                                                                                      \
  }
REP_DATA_LEVEL_INFO(TrepMasterData)
REP_DATA_LEVEL_INFO(TrepDetailData)
REP_DATA_LEVEL_INFO(TrepSubdetailData)
REP_DATA_LEVEL_INFO(TrepDataBand4)
REP_DATA_LEVEL_INFO(TrepDataBand5)
REP_DATA_LEVEL_INFO(TrepDataBand6)
#undef REP_DATA_LEVEL_INFO

rt::TClass TrepHeader::ClassInfo() {
  using T = TrepHeader;
  static const rt::TClassInfo Info("TrepHeader", TrepBand::ClassInfo(), [] { return new T(nullptr); },
                                   {PAllowSplit(), ChildProp(), PKeepChild(), PPrintChildIfInvisible(),
                                    Bool("ReprintOnNewPage", &T::ReprintOnNewPage, false), PStartNewPage(), PStretched(),
                                    ShiftEngineProp()});
  return &Info;
}

rt::TClass TrepFooter::ClassInfo() {
  static const rt::TClassInfo Info("TrepFooter", TrepBand::ClassInfo(), [] { return new TrepFooter(nullptr); },
                                   {PAllowSplit(), ChildProp(), PKeepChild(), PPrintChildIfInvisible(), PStretched(),
                                    ShiftEngineProp()});
  return &Info;
}

rt::TClass TrepPageHeader::ClassInfo() {
  using T = TrepPageHeader;
  static const rt::TClassInfo Info("TrepPageHeader", TrepBand::ClassInfo(), [] { return new T(nullptr); },
                                   {ChildProp(), PPrintChildIfInvisible(),
                                    Bool("PrintOnFirstPage", &T::PrintOnFirstPage, true), PStretched(),
                                    ShiftEngineProp()});
  return &Info;
}

rt::TClass TrepPageFooter::ClassInfo() {
  using T = TrepPageFooter;
  static const rt::TClassInfo Info("TrepPageFooter", TrepBand::ClassInfo(), [] { return new T(nullptr); },
                                   {Bool("PrintOnFirstPage", &T::PrintOnFirstPage, true),
                                    Bool("PrintOnLastPage", &T::PrintOnLastPage, true),
                                    Bool("PrintOnSinglePage", &T::PrintOnSinglePage, false)});
  return &Info;
}

rt::TClass TrepColumnHeader::ClassInfo() {
  static const rt::TClassInfo Info("TrepColumnHeader", TrepBand::ClassInfo(),
                                   [] { return new TrepColumnHeader(nullptr); },
                                   {ChildProp(), PStretched(), ShiftEngineProp()});
  return &Info;
}

rt::TClass TrepColumnFooter::ClassInfo() {
  static const rt::TClassInfo Info("TrepColumnFooter", TrepBand::ClassInfo(),
                                   [] { return new TrepColumnFooter(nullptr); });
  return &Info;
}

rt::TClass TrepGroupHeader::ClassInfo() {
  using T = TrepGroupHeader;
  static const rt::TClassInfo Info(
      "TrepGroupHeader", TrepBand::ClassInfo(), [] { return new T(nullptr); },
      {PAllowSplit(), ChildProp(), Str("Condition", &T::Condition), Bool("DrillDown", &T::DrillDown, false),
       Bool("ExpandDrillDown", &T::ExpandDrillDown, false), PKeepChild(), Bool("KeepTogether", &T::KeepTogether, false),
       Bool("ReprintOnNewPage", &T::ReprintOnNewPage, false), POutlineText(), PPrintChildIfInvisible(),
       Bool("ResetPageNumbers", &T::ResetPageNumbers, false),
       Bool("ShowFooterIfDrillDown", &T::ShowFooterIfDrillDown, false),
       Bool("ShowChildIfDrillDown", &T::ShowChildIfDrillDown, false), PStartNewPage(), PStretched(), ShiftEngineProp(),
       Str("DrillName", &T::DrillName)});
  return &Info;
}

rt::TClass TrepGroupFooter::ClassInfo() {
  using T = TrepGroupFooter;
  static const rt::TClassInfo Info("TrepGroupFooter", TrepBand::ClassInfo(), [] { return new T(nullptr); },
                                   {PAllowSplit(), ChildProp(),
                                    Bool("HideIfSingleDataRecord", &T::HideIfSingleDataRecord, false), PKeepChild(),
                                    PPrintChildIfInvisible(), PStretched(), ShiftEngineProp()});
  return &Info;
}

rt::TClass TrepReportTitle::ClassInfo() {
  static const rt::TClassInfo Info("TrepReportTitle", TrepBand::ClassInfo(), [] { return new TrepReportTitle(nullptr); },
                                   {PAllowSplit(), ChildProp(), PKeepChild(), PPrintChildIfInvisible(), PStartNewPage(),
                                    PStretched(), ShiftEngineProp()});
  return &Info;
}

rt::TClass TrepReportSummary::ClassInfo() {
  using T = TrepReportSummary;
  static const rt::TClassInfo Info("TrepReportSummary", TrepBand::ClassInfo(), [] { return new T(nullptr); },
                                   {PAllowSplit(), ChildProp(), PKeepChild(), PPrintChildIfInvisible(),
                                    Bool("PrintAtBottom", &T::PrintAtBottom, false), PStartNewPage(), PStretched(),
                                    ShiftEngineProp()});
  return &Info;
}

rt::TClass TrepChild::ClassInfo() {
  using T = TrepChild;
  static const rt::TClassInfo Info(
      "TrepChild", TrepBand::ClassInfo(), [] { return new T(nullptr); },
      {PAllowSplit(), ChildProp(), PKeepChild(), PPrintChildIfInvisible(), PStartNewPage(), PStretched(), ShiftEngineProp(),
       Int("ToNRows", &T::ToNRows),
       repProp::Enum("ToNRowsMode", "TrepToNRowsMode", &T::ToNRowsMode, {"rmCount", "rmAddToCount", "rmTillPageEnds"})});
  return &Info;
}

rt::TClass TrepOverlay::ClassInfo() {
  using T = TrepOverlay;
  static const rt::TClassInfo Info("TrepOverlay", TrepBand::ClassInfo(), [] { return new T(nullptr); },
                                   {Bool("PrintOnTop", &T::PrintOnTop, false)});
  return &Info;
}

rt::TClass TrepNullBand::ClassInfo() {
  static const rt::TClassInfo Info("TrepNullBand", TrepBand::ClassInfo(), [] { return new TrepNullBand(nullptr); });
  return &Info;
}

rt::TClass TrepSubreport::ClassInfo() {
  using T = TrepSubreport;
  static const rt::TClassInfo Info(
      "TrepSubreport", TrepView::ClassInfo(), [] { return new T(nullptr); },
      {rt::TPropInfo("Page", rt::tkClass, "TrepReportPage", [](rt::TObject* O) { return rt::VarFromObject(As<T>(O)->Page()); },
                     [](rt::TObject* O, const rt::Variant& V) {
                       As<T>(O)->SetPage(dynamic_cast<TrepReportPage*>(rt::VarToObject(V)));
                     }),
       Bool("PrintOnParent", &T::PrintOnParent, false)});
  return &Info;
}
