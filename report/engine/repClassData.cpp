// Dialog components and controls, datasets, the process-wide dataset list and the report's
// dataset lists.
#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>

#include "platform/gfx/Graphics.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repRes.h"

namespace {

// Every dataset while it exists, by address, with its serial.
std::unordered_map<const TrepDataSet*, std::uint64_t>& GlobalDataSets() {
  static auto* List = new std::unordered_map<const TrepDataSet*, std::uint64_t>;
  return *List;
}
// Creation order, for lookups that take the first match.
std::vector<TrepDataSet*>& GlobalDataSetOrder() {
  static auto* List = new std::vector<TrepDataSet*>;
  return *List;
}
std::atomic<std::uint64_t> NextSerial{1};

bool SameText(const std::string& A, const std::string& B) {
  return rt::Utf8CompareText(A, B) == 0;
}

} // namespace

std::recursive_mutex& GlobalDataSetListLock() {
  static std::recursive_mutex M;
  return M;
}

bool IsLiveDataSet(const TrepDataSet* DataSet, std::uint64_t Serial) {
  if (DataSet == nullptr) return false;
  std::lock_guard L(GlobalDataSetListLock());
  auto It = GlobalDataSets().find(DataSet);
  return It != GlobalDataSets().end() && It->second == Serial;
}

TrepDataSet* FindDataSetInGlobalList(TrepDataSet* DataSet, const std::string& Name, TrepComponent* Component) {
  if (Name.empty()) return nullptr;
  if (Component == nullptr) return DataSet;
  auto* AsReport = dynamic_cast<TrepReport*>(Component);
  std::lock_guard L(GlobalDataSetListLock());
  for (TrepDataSet* D : GlobalDataSetOrder()) {
    if (!SameText(D->UserName(), Name)) continue;
    if (AsReport != nullptr) {
      TrepReport* Owner = D->Report();
      if (Owner != nullptr && Owner != AsReport) continue;
    }
    return D;
  }
  return DataSet;
}

void ForgetReportInDataSets(const TrepReport* Report) {
  std::lock_guard L(GlobalDataSetListLock());
  for (TrepDataSet* D : GlobalDataSetOrder())
    if (D->ReportRef == Report) D->ReportRef = nullptr;
}

void ListGlobalDataSets(rt::TStrings& List) {
  std::lock_guard L(GlobalDataSetListLock());
  List.Clear();
  for (TrepDataSet* D : GlobalDataSetOrder())
    if (D->Enabled && !D->UserName().empty()) List.AddObject(D->UserName(), D);
}

TrepDataSet* FindDataSet(TrepComponent* Component, TrepDataSet* DataSet, const std::string& DSName) {
  TrepReport* R = dynamic_cast<TrepReport*>(Component);
  if (R == nullptr && Component != nullptr) R = Component->Report();
  if (R == nullptr || R->EngineOptions.UseGlobalDataSetList) return FindDataSetInGlobalList(DataSet, DSName, R);
  TrepReportDataSets& Enabled = R->EnabledDataSets();
  for (int I = 0; I < Enabled.Count(); ++I) {
    TrepDataSetItem* Item = Enabled.Items(I);
    if (SameText(Item->DataSetName(), DSName)) return Item->DataSet();
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Dialog components and controls

TrepDialogComponent::TrepDialogComponent(rt::TComponent* AOwner) : TrepReportComponent(AOwner) {
  frComponentStyle.Exclude(csPreviewVisible);
  SetWidth(28);
  SetHeight(28);
}

void TrepDialogComponent::Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
  (void)OffsetX;
  (void)OffsetY;
  if (!IsDesigning()) return;
  SetWidth(28);
  SetHeight(28);
  Canvas.Brush = gfx::TBrush{gfx::TColor(0xFF00000F), gfx::bsSolid};
  Canvas.Pen = gfx::TPen{gfx::TColor(0x808080)};
  Canvas.Rectangle(RoundHalfEven(ScaleX * Left()), RoundHalfEven(ScaleY * Top()),
                   RoundHalfEven(ScaleX * (Left() + Width())), RoundHalfEven(ScaleY * (Top() + Height())));
}

namespace {

std::mutex& ParentFormLock() {
  static std::mutex M;
  return M;
}

} // namespace

rt::TClass TParentForm::ClassInfo() {
  static const rt::TClassInfo Info("TParentForm", rt::TForm::ClassInfo());
  return &Info;
}

TParentForm& ParentFormInstance() {
  // Never freed: controls of reports still alive at the end of the process may sit on it.
  static TParentForm* F = [] {
    auto* P = new TParentForm(nullptr);
    P->SetName("ParentForm");
    return P;
  }();
  return *F;
}

TrepDialogControl::TrepDialogControl(rt::TComponent* AOwner) : TrepReportComponent(AOwner) {
  if (auto* C = dynamic_cast<TrepDialogControl*>(AOwner)) CurrentPPI = C->CurrentPPI;
  else if (auto* D = dynamic_cast<TrepDialogPage*>(AOwner)) CurrentPPI = D->CurrentPPI;
  SetControl(std::make_unique<rt::TGraphicControl>(nullptr));
}

TrepDialogControl::~TrepDialogControl() {
  // The children's controls leave this one before it goes; on the hidden form the move is
  // serialised like every other.
  PlaceControl(nullptr);
}

rt::TWinControl* TrepDialogControl::ControlParentFor(TrepComponent* Value) const {
  if (auto* C = dynamic_cast<TrepDialogControl*>(Value))
    if (auto* W = dynamic_cast<rt::TWinControl*>(C->Control()); W != nullptr && (W->ControlStyle & rt::csAcceptsControls))
      return W;
  if (auto* D = dynamic_cast<TrepDialogPage*>(Value)) return &D->Form();
  return &ParentFormInstance();
}

void TrepDialogControl::PlaceControl(rt::TWinControl* Parent) {
  if (!FControl || FControl->Parent() == Parent) return;
  TParentForm* Hidden = &ParentFormInstance();
  if (Parent == Hidden || FControl->Parent() == Hidden) {
    std::lock_guard<std::mutex> Lock(ParentFormLock());
    FControl->SetParent(Parent);
  } else {
    FControl->SetParent(Parent);
  }
}

void TrepDialogControl::SetControl(std::unique_ptr<rt::TControl> AControl) {
  PlaceControl(nullptr);
  FControl = std::move(AControl);
  // Called from the concrete class's constructor: the class name is that class's now.
  std::string N = ClassName();
  if (N.rfind("Trep", 0) == 0) N.erase(0, 4);
  if (const auto P = N.find("Control"); P != std::string::npos) N.erase(P, 7);
  SetBaseName(N);
  FControl->SetName(Name());
  FControl->SetText("");
  FControl->SetVisible(Visible());
  FControl->Anchors = Anchors().ToInt();
  FControl->Font().Assign(Font());
  FControl->SetParentFont(ParentFont());
  ApplyBounds();
  ConnectEvents();
  PlaceControl(ControlParentFor(Parent()));
}

void TrepDialogControl::ApplyBounds() {
  auto Scale = [this](double V) { return RoundHalfEven(CurrentPPI * V / 96.0); };
  FControl->SetBounds(Scale(Left()), Scale(Top()), Scale(Width()), Scale(Height()));
}

void TrepDialogControl::ConnectEvents() {
  rt::TControl& C = *FControl;
  auto Notify = [this](const TrepNotifyEvent& Event) {
    if (Event.empty()) return;
    if (TrepReport* R = Report()) R->DoNotifyEvent(this, Event);
  };
  C.OnClick = [this, Notify](rt::TObject*) { Notify(OnClick); };
  C.OnDblClick = [this, Notify](rt::TObject*) { Notify(OnDblClick); };
  auto Mouse = [this](const TrepNotifyEvent& Event, int Button, rt::TShiftState Shift, int X, int Y) {
    TrepReport* R = Report();
    if (Event.empty() || R == nullptr) return;
    rt::Variant P = rt::VarArrayOf({rt::VarFromObject(this), Button, static_cast<int>(Shift), X, Y});
    R->DoParamEvent(Event, P);
  };
  C.OnMouseDown = [this, Mouse](rt::TObject*, rt::TMouseButton B, rt::TShiftState S, int X, int Y) {
    Mouse(OnMouseDown, B, S, X, Y);
  };
  C.OnMouseUp = [this, Mouse](rt::TObject*, rt::TMouseButton B, rt::TShiftState S, int X, int Y) {
    Mouse(OnMouseUp, B, S, X, Y);
  };
  C.OnMouseMove = [this](rt::TObject*, rt::TShiftState S, int X, int Y) {
    TrepReport* R = Report();
    if (OnMouseMove.empty() || R == nullptr) return;
    rt::Variant P = rt::VarArrayOf({rt::VarFromObject(this), static_cast<int>(S), X, Y});
    R->DoParamEvent(OnMouseMove, P);
  };
  auto* W = dynamic_cast<rt::TWinControl*>(&C);
  if (W == nullptr) return;
  W->OnEnter = [this, Notify](rt::TObject*) { Notify(OnEnter); };
  W->OnExit = [this, Notify](rt::TObject*) { Notify(OnExit); };
  auto Key = [this](const TrepNotifyEvent& Event, std::uint16_t& K, rt::TShiftState S) {
    TrepReport* R = Report();
    if (Event.empty() || R == nullptr) return;
    rt::Variant P = rt::VarArrayOf({rt::VarFromObject(this), static_cast<int>(K), static_cast<int>(S)});
    R->DoParamEvent(Event, P);
    K = static_cast<std::uint16_t>(P.ArrayGet({1}).ToInteger());
  };
  W->OnKeyDown = [this, Key](rt::TObject*, std::uint16_t& K, rt::TShiftState S) { Key(OnKeyDown, K, S); };
  W->OnKeyUp = [this, Key](rt::TObject*, std::uint16_t& K, rt::TShiftState S) { Key(OnKeyUp, K, S); };
  W->OnKeyPress = [this](rt::TObject*, char16_t& K) {
    TrepReport* R = Report();
    if (OnKeyPress.empty() || R == nullptr) return;
    rt::Variant P = rt::VarArrayOf({rt::VarFromObject(this), rt::Variant(std::u16string(1, K))});
    R->DoParamEvent(OnKeyPress, P);
    const std::u16string S = P.ArrayGet({1}).ToUString();
    K = S.empty() ? u'\0' : S[0];
  };
}

void TrepDialogControl::Draw(gfx::TCanvas&, double, double, double, double) {
  // Controls paint themselves only in a designer, which the server does not have.
}

bool TrepDialogControl::IsAcceptAsChild(TrepComponent* AParent) {
  return dynamic_cast<TrepDialogPage*>(AParent) != nullptr || dynamic_cast<TrepDialogControl*>(AParent) != nullptr;
}

bool TrepDialogControl::IsAcceptControls() const { return (FControl->ControlStyle & rt::csAcceptsControls) != 0; }

void TrepDialogControl::UpdateControlsPPI(int NewPPI) {
  for (int I = 0; I < Objects().Count(); ++I)
    if (auto* C = dynamic_cast<TrepDialogControl*>(Objects().Items(I))) C->UpdateControlsPPI(NewPPI);
  CurrentPPI = NewPPI;
  ApplyBounds();
}

void TrepDialogControl::SetLeft(double Value) {
  TrepReportComponent::SetLeft(Value);
  ApplyBounds();
}

void TrepDialogControl::SetTop(double Value) {
  TrepReportComponent::SetTop(Value);
  ApplyBounds();
}

void TrepDialogControl::SetWidth(double Value) {
  TrepReportComponent::SetWidth(Value);
  ApplyBounds();
}

void TrepDialogControl::SetHeight(double Value) {
  TrepReportComponent::SetHeight(Value);
  ApplyBounds();
}

void TrepDialogControl::SetVisible(bool Value) {
  TrepReportComponent::SetVisible(Value);
  FControl->SetVisible(Value);
}

void TrepDialogControl::SetAnchors(TrepAnchors Value) {
  TrepReportComponent::SetAnchors(Value);
  FControl->Anchors = Value.ToInt();  // fraLeft..fraBottom and akLeft..akBottom share their bits
}

void TrepDialogControl::FontChanged() {
  TrepReportComponent::FontChanged();
  if (FControl) FControl->Font().Assign(Font());
}

void TrepDialogControl::SetParentFont(bool Value) {
  TrepReportComponent::SetParentFont(Value);
  if (FControl) {
    FControl->Font().Assign(Font());
    FControl->SetParentFont(Value);
  }
}

void TrepDialogControl::SetParent(TrepComponent* Value) {
  TrepReportComponent::SetParent(Value);
  if (FControl) PlaceControl(ControlParentFor(Value));
}

void TrepDialogControl::SetName(std::string_view Value) {
  const bool Follow = (FControl->ControlStyle & rt::csSetCaption) != 0 && FControl->Caption() == Name() && !IsLoading();
  const std::string Kept = FControl->Caption();
  TrepReportComponent::SetName(Value);
  FControl->SetName(Name());  // the control's own rule is replaced by the object's
  FControl->SetCaption(Follow ? Name() : Kept);
}

bool TrepDialogControl::TabStop() const {
  auto* W = dynamic_cast<rt::TWinControl*>(FControl.get());
  return W == nullptr || W->TabStop;
}

void TrepDialogControl::SetTabStop(bool Value) {
  if (auto* W = dynamic_cast<rt::TWinControl*>(FControl.get())) W->TabStop = Value;
}

// ---------------------------------------------------------------------------------------------
// TrepDataSet

TrepDataSet::TrepDataSet(rt::TComponent* AOwner) : TrepDialogComponent(AOwner), FSerial(NextSerial++) {
  std::lock_guard L(GlobalDataSetListLock());
  GlobalDataSets()[this] = FSerial;
  GlobalDataSetOrder().push_back(this);
}

TrepDataSet::~TrepDataSet() {
  // The report lets go of the dataset while it is still listed, then the list forgets it.
  if (TrepReport* R = ReportRef != nullptr ? ReportRef : Report()) R->Notification(this);
  std::lock_guard L(GlobalDataSetListLock());
  GlobalDataSets().erase(this);
  auto& Order = GlobalDataSetOrder();
  Order.erase(std::remove(Order.begin(), Order.end(), this), Order.end());
}

void TrepDataSet::SetName(std::string_view Value) {
  TrepDialogComponent::SetName(Value);
  if (!Value.empty() && FUserName.empty()) FUserName = std::string(Value);
}

void TrepDataSet::SetUserName(const std::string& Value) {
  if (rt::Trim(Value).empty()) throw rt::Exception(ResourceTable().Get("prInvProp"));
  FUserName = Value;
}

void TrepDataSet::Open() {
  if (OnOpen) OnOpen(this);
}

void TrepDataSet::Close() {
  if (OnClose) OnClose(this);
}

void TrepDataSet::First() {
  FRecNo = 0;
  FEof = false;
  if (OnFirst) OnFirst(this);
}

void TrepDataSet::Next() {
  FEof = false;
  ++FRecNo;
  int End = RangeEnd == reCount ? RangeEndCount : -1;
  if (const int Held = HeldRecordCount(); Held >= 0) End = End < 0 ? Held : std::min(End, Held);
  if (End >= 0 && FRecNo >= End) {
    // The end stays on the last record, so what prints after the data still sees it.
    FRecNo = End - 1;
    FEof = true;
    return;
  }
  if (OnNext) OnNext(this);
}

void TrepDataSet::Prior() {
  --FRecNo;
  if (OnPrior) OnPrior(this);
}

bool TrepDataSet::Eof() {
  bool Result = RangeEnd == reCount && (FRecNo >= RangeEndCount || FEof);
  if (OnCheckEOF) OnCheckEOF(this, Result);
  return Result;
}

int TrepDataSet::RecordCount() { return RangeBegin == rbFirst && RangeEnd == reCount ? RangeEndCount : 0; }

bool TrepDataSet::HasField(const std::string& fName) {
  rt::TStringList L;
  GetFieldList(L);
  for (int I = 0; I < L.Count(); ++I)
    if (SameText(L[I], fName)) return true;
  return false;
}

bool TrepDataSet::CanEnd() const { return RangeEnd == reCount || static_cast<bool>(OnCheckEOF); }

void TrepDataSet::ForEach(const std::function<void()>& Visit, int Limit) {
  if (!CanEnd())
    throw rt::Exception("Dataset \"" + FUserName + "\" has no end: give it a record count or an end check");
  First();
  for (int N = 0; !Eof(); ++N) {
    if (N >= Limit)
      throw rt::Exception("Dataset \"" + FUserName + "\" did not end after " + std::to_string(Limit) + " records");
    Visit();
    Next();
  }
}

// ---------------------------------------------------------------------------------------------
// TrepUserDataSet

rt::Variant TrepUserDataSet::GetValue(const std::string& Index) {
  rt::Variant V = rt::Variant::Null();
  if (OnGetValue) OnGetValue(Index, V);
  if (OnNewGetValue) OnNewGetValue(this, Index, V);
  return V;
}

std::u16string TrepUserDataSet::GetDisplayText(const std::string& Index) {
  rt::Variant V = rt::Variant::Null();
  std::u16string Text;
  if (OnGetValue) {
    OnGetValue(Index, V);
    Text = rt::Utf8ToUtf16(rt::VarToStr(V));
  }
  if (OnNewGetValue) {
    OnNewGetValue(this, Index, V);
    Text = rt::Utf8ToUtf16(rt::VarToStr(V));
  }
  return Text;
}

bool TrepUserDataSet::IsBlobField(const std::string& fName) { return OnIsBlobField ? OnIsBlobField(this, fName) : false; }

void TrepUserDataSet::AssignBlobTo(const std::string& fName, rt::TObject* Obj) {
  if (OnGetBlobValue) OnGetBlobValue(this, fName, Obj);
}

// ---------------------------------------------------------------------------------------------
// TrepMemoryDataSet

namespace {
int FieldIndex(const rt::TStringList& Fields, const std::string& Name) {
  for (int I = 0; I < Fields.Count(); ++I)
    if (SameText(Fields[I], Name)) return I;
  return -1;
}
} // namespace

void TrepMemoryDataSet::AppendRow(const std::vector<rt::Variant>& Values) {
  std::vector<rt::Variant> Row(static_cast<std::size_t>(Fields.Count()), rt::Variant::Null());
  for (std::size_t I = 0; I < Row.size() && I < Values.size(); ++I) Row[I] = Values[I];
  FRows.push_back(std::move(Row));
}

rt::Variant TrepMemoryDataSet::GetValue(const std::string& Index) {
  const int F = FieldIndex(Fields, Index);
  if (F < 0 || FRecNo < 0 || FRecNo >= RowCount()) return rt::Variant::Null();
  return FRows[static_cast<std::size_t>(FRecNo)][static_cast<std::size_t>(F)];
}

std::u16string TrepMemoryDataSet::GetDisplayText(const std::string& Index) {
  return rt::Utf8ToUtf16(rt::VarToStr(GetValue(Index)));
}

TrepFieldType TrepMemoryDataSet::GetFieldType(const std::string& Index) {
  const rt::Variant V = GetValue(Index);
  if (V.IsString()) return fftString;
  if (V.IsBoolean()) return fftBoolean;
  if (V.VarType() == rt::varDate) return fftDateTime;
  return fftNumeric;
}

bool TrepMemoryDataSet::Eof() {
  // The rows end the data; a count range may end it earlier.
  return FEof || FRecNo >= RowCount() || TrepDataSet::Eof();
}

int TrepMemoryDataSet::RecordCount() {
  if (RangeEnd == reCount) return std::min(RangeEndCount, RowCount());
  return RowCount();
}

// ---------------------------------------------------------------------------------------------
// TrepCustomDBDataSet

TrepCustomDBDataSet::TrepCustomDBDataSet(rt::TComponent* AOwner) : TrepDataSet(AOwner) {
  FieldsList.SetSorted(true);
  FieldsList.Duplicates = rt::dupIgnore;
}

int TrepCustomDBDataSet::FieldsCount() {
  rt::TStringList L;
  GetFieldList(L);
  return L.Count();
}

std::string TrepCustomDBDataSet::GetAlias(const std::string& fName) const {
  for (int I = 0; I < FieldAliases.Count(); ++I) {
    const std::string& Line = FieldAliases[I];
    const std::size_t Eq = Line.find('=');
    if (Eq != std::string::npos && SameText(Line.substr(0, Eq), fName)) return Line.substr(Eq + 1);
  }
  return fName;
}

std::string TrepCustomDBDataSet::ConvertAlias(const std::string& fName) const {
  for (int I = 0; I < FieldAliases.Count(); ++I) {
    const std::string& Line = FieldAliases[I];
    const std::size_t Eq = Line.find('=');
    if (Eq != std::string::npos && Line.substr(Eq + 1) == fName) return Line.substr(0, Eq);
  }
  return fName;
}

// ---------------------------------------------------------------------------------------------
// The report's dataset lists

// ---------------------------------------------------------------------------------------------
// Dataset links

TrepDataSet* TrepDataSetLink::Get() const { return IsLiveDataSet(FDataSet, FSerial) ? FDataSet : nullptr; }

void TrepDataSetLink::Set(TrepDataSet* Value) {
  FDataSet = Value;
  FSerial = Value ? Value->Serial() : 0;
  FName = Value ? Value->UserName() : std::string();
}

std::string TrepDataSetLink::Name() const {
  if (TrepDataSet* D = Get()) return D->UserName();
  return FName;
}

void TrepDataSetLink::Bind(const std::string& Value, TrepDataSet* D) {
  FName = Value;
  FDataSet = D;
  FSerial = D ? D->Serial() : 0;
}

void TrepDataSetLink::SetName(TrepComponent* Owner, const std::string& Value) {
  Bind(Value, FindDataSet(Owner, Get(), Value));
}

void TrepDataSetLink::Forget(const TrepDataSet* D) {
  if (FDataSet != D) return;
  FDataSet = nullptr;
  FSerial = 0;
}

void TrepDataSetLink::Clear() {
  FDataSet = nullptr;
  FSerial = 0;
  FName.clear();
}

TrepDataSet* TrepDataSetItem::DataSet() const { return FDataSet.Get(); }
void TrepDataSetItem::SetDataSet(TrepDataSet* Value) { FDataSet.Set(Value); }
std::string TrepDataSetItem::DataSetName() const { return FDataSet.Name(); }

void TrepDataSetItem::SetDataSetName(const std::string& Value) {
  TrepDataSet* D = nullptr;
  if (!Value.empty()) {
    auto* List = dynamic_cast<TrepReportDataSets*>(Collection());
    if (List != nullptr && List->Report() != nullptr) D = FindDataSet(List->Report(), DataSet(), Value);
  }
  FDataSet.Bind(Value, D);
}

TrepReportDataSets::TrepReportDataSets(TrepReport* AReport)
    : rt::TCollection([](rt::TCollection* C) { return new TrepDataSetItem(C); }), FReport(AReport) {}

void TrepReportDataSets::Initialize() {
  for (int I = 0; I < Count(); ++I)
    if (TrepDataSet* D = Items(I)->DataSet()) {
      D->ReportRef = FReport;
      D->Initialize();
    }
}

void TrepReportDataSets::Finalize() {
  for (int I = 0; I < Count(); ++I)
    if (TrepDataSet* D = Items(I)->DataSet()) D->Finalize();
}

void TrepReportDataSets::Add(TrepDataSet* ds) {
  static_cast<TrepDataSetItem*>(rt::TCollection::Add())->SetDataSet(ds);
}

TrepDataSetItem* TrepReportDataSets::Find(const TrepDataSet* ds) const {
  for (int I = 0; I < Count(); ++I)
    if (Items(I)->DataSet() == ds && ds != nullptr) return Items(I);
  return nullptr;
}

TrepDataSetItem* TrepReportDataSets::Find(const std::string& Name) const {
  for (int I = 0; I < Count(); ++I) {
    TrepDataSet* D = Items(I)->DataSet();
    if (D == nullptr) continue;
    if (rt::CompareText(D->UserName(), Name) == 0) return Items(I);
    if (rt::CompareText(D->Name(), Name) == 0) return Items(I);
  }
  return nullptr;
}

void TrepReportDataSets::Delete(const std::string& Name) {
  for (int I = 0; I < Count(); ++I) {
    TrepDataSet* D = Items(I)->DataSet();
    if (D != nullptr && rt::CompareText(D->UserName(), Name) == 0) {
      rt::TCollection::Delete(I);
      return;
    }
  }
}
