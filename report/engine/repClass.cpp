#include "report/engine/repClassBand.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repInPlaceEditors.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
#include "report/engine/repClassProps.h"
#include "report/engine/repXML.h"
#include "report/engine/repXMLSerializer.h"

// ---------------------------------------------------------------------------------------------
// Class descriptions

#define REP_CLASS(Name, ParentName)                                                              \
  rt::TClass Name::ClassInfo() {                                                                 \
    static const rt::TClassInfo Info(#Name, ParentName::ClassInfo(), [] { return new Name(nullptr); }); \
    return &Info;                                                                                \
  }

REP_CLASS(TrepComponent, rt::TObject)

#undef REP_CLASS

// ---------------------------------------------------------------------------------------------
// Helpers

int RoundHalfEven(double X) { return static_cast<int>(std::nearbyint(X)); }

double RoundTo8Decimals(double X) { return std::nearbyint(X * 1e8) / 1e8; }

std::recursive_mutex& FormsLock() {
  static std::recursive_mutex Lock;
  return Lock;
}

namespace {

bool IsIdentStart(unsigned char C) { return C == '_' || std::isalpha(C) || C >= 0x80; }
bool IsIdentChar(unsigned char C) { return IsIdentStart(C) || std::isdigit(C); }

bool IsValidIdent(std::string_view S) {
  if (S.empty() || !IsIdentStart(static_cast<unsigned char>(S[0]))) return false;
  return std::all_of(S.begin() + 1, S.end(), [](char C) { return IsIdentChar(static_cast<unsigned char>(C)); });
}

// Format("%9.2f") with the runtime's rounding.
std::string Fixed9_2(double X) {
  std::string S = rt::FloatToStrF(X, rt::ffFixed, 18, 2);
  if (S.size() < 9) S.insert(0, 9 - S.size(), ' ');
  return S;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TrepObjectsNotifyList

TrepComponent* TrepObjectsNotifyList::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw rt::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FItems[static_cast<std::size_t>(Index)];
}

int TrepObjectsNotifyList::IndexOf(const TrepComponent* Item) const {
  auto It = std::find(FItems.begin(), FItems.end(), Item);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

void TrepObjectsNotifyList::Notify(TrepComponent* Item, TListNotification Action) {
  if (OnNotifyList) OnNotifyList(Item, Action);
}

int TrepObjectsNotifyList::Add(TrepComponent* Item) {
  FItems.push_back(Item);
  Notify(Item, lnAdded);
  return Count() - 1;
}

void TrepObjectsNotifyList::Insert(int Index, TrepComponent* Item) {
  if (Index < 0 || Index > Count()) throw rt::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  FItems.insert(FItems.begin() + Index, Item);
  Notify(Item, lnAdded);
}

void TrepObjectsNotifyList::Delete(int Index) {
  TrepComponent* Item = Items(Index);
  FItems.erase(FItems.begin() + Index);
  Notify(Item, lnDeleted);
}

int TrepObjectsNotifyList::Remove(TrepComponent* Item) {
  const int Index = IndexOf(Item);
  if (Index >= 0) Delete(Index);
  return Index;
}

TrepComponent* TrepObjectsNotifyList::Extract(TrepComponent* Item) {
  const int Index = IndexOf(Item);
  if (Index < 0) return nullptr;
  FItems.erase(FItems.begin() + Index);
  Notify(Item, lnExtracted);
  return Item;
}

void TrepObjectsNotifyList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  TrepComponent* Item = Items(CurIndex);
  Items(NewIndex);
  FItems.erase(FItems.begin() + CurIndex);
  FItems.insert(FItems.begin() + NewIndex, Item);
}

void TrepObjectsNotifyList::Exchange(int Index1, int Index2) {
  Items(Index1);
  Items(Index2);
  std::swap(FItems[static_cast<std::size_t>(Index1)], FItems[static_cast<std::size_t>(Index2)]);
}

void TrepObjectsNotifyList::Clear() {
  while (!FItems.empty()) Delete(Count() - 1);
}

// ---------------------------------------------------------------------------------------------
// TrepComponent: creation and destruction

namespace {

// Every object of a report belongs to the report.
rt::TComponent* RuntimeOwner(rt::TComponent* AOwner) {
  if (auto* C = dynamic_cast<TrepComponent*>(AOwner)) return C->Report();
  return AOwner;
}

} // namespace

TrepComponent::TrepComponent(rt::TComponent* AOwner) : rt::TComponent(RuntimeOwner(AOwner)) {
  FObjects.OnNotifyList = [this](TrepComponent* Item, TListNotification Action) { ObjectListNotify(Item, Action); };
  FFont.OnChange = [this](gfx::TFont&) { FontChanged(); };
  SetParentFont(true);
  if (auto* P = dynamic_cast<TrepComponent*>(AOwner)) SetParent(P);
}

TrepComponent::~TrepComponent() {
  ComponentState.Include(csDestroying);
  // Editors bound to the object let it go, so none keeps a freed object.
  if (auto* M = dynamic_cast<TrepComponentEditorsManager*>(ComponentEditors); M != nullptr && M->Component() == this)
    M->SetComponent(nullptr);
  ComponentEditors = nullptr;
  FFont.OnChange = nullptr;
  FSortedObjects.reset();
  SetParent(nullptr);
  DestroyChildren();
  // A selected object leaves its selection list, which must not keep a freed object.
  if (auto* L = dynamic_cast<TrepSelectedObjectsList*>(FSelectList)) L->Extract(this);
  FSelectList = nullptr;
}

void TrepComponent::DestroyChildren() {
  // A whole tree that goes drops its name index rather than update it for every object; were
  // it asked for meanwhile, it would be built again from what is left.
  if (FParent == nullptr) FSortedObjects.reset();
  // Children of an ancestor report go as well: nothing would free them later.
  while (FObjects.Count() > 0) delete FObjects[0];
}

void TrepComponent::Clear() {
  FSortedObjects.reset();
  int I = 0;
  while (I < FObjects.Count()) {
    TrepComponent* C = FObjects[I];
    if (C->ComponentState.Contains(csAncestor)) {
      C->Clear();
      ++I;
    } else {
      delete C;
    }
  }
}

std::string TrepComponent::BaseName() const {
  if (!FBaseName.empty()) return FBaseName;
  std::string S = ClassName();
  if (auto P = S.find("Trep"); P != std::string::npos) S.erase(P, 4);
  if (auto P = S.find("View"); P != std::string::npos) S.erase(P, 4);
  return S;
}

std::string TrepComponent::GetDescription() const { return ClassName(); }

// ---------------------------------------------------------------------------------------------
// The tree

void TrepComponent::SetParent(TrepComponent* Value) {
  if (Value != FParent) {
    for (TrepComponent* P = Value; P != nullptr; P = P->FParent)
      if (P == this) throw EComponentError("An object cannot be placed inside itself");
    if (FParent != nullptr) FParent->FObjects.Remove(this);
    if (Value != nullptr) Value->FObjects.Add(this);
  }
  FParent = Value;
  if (Value != nullptr) SetParentFont(FParentFont);
}

const std::vector<TrepComponent*>& TrepComponent::AllObjects() {
  FAllObjects.clear();
  // Depth first with an explicit stack so deep trees cannot exhaust the call stack.
  std::vector<std::pair<TrepComponent*, int>> Stack{{this, 0}};
  while (!Stack.empty()) {
    auto& [Node, Next] = Stack.back();
    if (Next >= Node->FObjects.Count()) {
      Stack.pop_back();
      continue;
    }
    TrepComponent* C = Node->FObjects[Next++];
    FAllObjects.push_back(C);
    Stack.emplace_back(C, 0);
  }
  return FAllObjects;
}

TrepComponent* TrepComponent::FindObject(std::string_view AName) {
  if (AName.empty()) return nullptr;
  for (TrepComponent* C : AllObjects())
    if (rt::SameText(C->Name(), AName)) return C;
  return nullptr;
}

TrepPage* TrepComponent::Page() {
  for (TrepComponent* C = this; C != nullptr; C = C->FParent)
    if (auto* P = dynamic_cast<TrepPage*>(C)) return P;
  return nullptr;
}

TrepReport* TrepComponent::Report() {
  for (TrepComponent* C = this; C != nullptr; C = C->FParent)
    if (auto* R = dynamic_cast<TrepReport*>(C)) return R;
  return nullptr;
}

TrepComponent* TrepComponent::TopParent() const {
  if (FParent == nullptr) return nullptr;
  TrepComponent* P = FParent;
  while (P->FParent != nullptr) P = P->FParent;
  return P;
}

TrepComponent* TrepComponent::Root() {
  TrepComponent* P = this;
  while (P->FParent != nullptr) P = P->FParent;
  return P;
}

TrepReport* TrepComponent::GetGlobalReport() {
  if (TrepReport* R = Report()) return R;
  for (TrepComponent* C = this; C != nullptr; C = C->FParent)
    if (auto* P = dynamic_cast<TrepReportPage*>(C)) return P->ParentReport;
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Names and the name index

rt::TStringList& TrepComponent::GetSortedObjects() {
  TrepComponent* Top = Root();
  if (!Top->FSortedObjects) {
    auto List = std::make_unique<rt::TStringList>();
    List->SetSorted(true);
    List->Duplicates = rt::dupIgnore;
    if (!Top->Name().empty()) List->AddObject(Top->Name(), Top);
    for (TrepComponent* C : Top->AllObjects())
      if (!C->Name().empty()) List->AddObject(C->Name(), C);
    Top->FSortedObjects = std::move(List);
  }
  return *Top->FSortedObjects;
}

namespace {

void RemoveEntry(rt::TStringList& List, const std::string& Name, const TrepComponent* Obj) {
  if (Name.empty()) return;
  const int I = List.IndexOf(Name);
  if (I >= 0 && List.Objects(I) == Obj) List.Delete(I);
}

} // namespace

void TrepComponent::IndexAdd(TrepComponent* Item) {
  rt::TStringList& List = *Root()->FSortedObjects;
  if (!Item->Name().empty()) List.AddObject(Item->Name(), Item);
  for (TrepComponent* C : Item->AllObjects())
    if (!C->Name().empty()) List.AddObject(C->Name(), C);
}

void TrepComponent::IndexRemove(TrepComponent* Item) {
  rt::TStringList& List = *Root()->FSortedObjects;
  RemoveEntry(List, Item->Name(), Item);
  for (TrepComponent* C : Item->AllObjects()) RemoveEntry(List, C->Name(), C);
}

void TrepComponent::ObjectListNotify(TrepComponent* Item, TListNotification Action) {
  if (Action == lnExtracted) return;
  // An index that does not exist yet is built from the whole tree when first asked for.
  if (Root()->FSortedObjects) {
    if (Action == lnAdded)
      IndexAdd(Item);
    else
      IndexRemove(Item);
  }
  // A tree that joins another one uses that tree's index.
  if (Action == lnAdded) Item->FSortedObjects.reset();
}

void TrepComponent::SetName(std::string_view Value) {
  if (rt::SameText(Value, Name())) return;
  if (!Value.empty() && !IsValidIdent(Value))
    throw EComponentError("'" + std::string(Value) + "' is not a valid component name");
  TrepComponent* Top = Root();
  if (!Value.empty() && Report() != nullptr) {
    rt::TStringList& List = GetSortedObjects();
    const int I = List.IndexOf(std::string(Value));
    if (I >= 0 && List.Objects(I) != this) throw EDuplicateName(ResourceTable().Get("prDupl"));
    if (IsAncestor()) {
      std::string Msg = ResourceTable().Get("clCantRen");
      const auto P = Msg.find("%s");
      if (P != std::string::npos) Msg.replace(P, 2, Name());
      throw rt::Exception(Msg);
    }
  }
  if (!Value.empty() && Owner() != nullptr) {
    rt::TComponent* Other = Owner()->FindComponent(Value);
    if (Other != nullptr && Other != this)
      throw EComponentError("A component named " + std::string(Value) + " already exists");
  }
  if (Top->FSortedObjects) {
    RemoveEntry(*Top->FSortedObjects, Name(), this);
    if (!Value.empty()) Top->FSortedObjects->AddObject(std::string(Value), this);
  }
  rt::TComponent::SetName(Value);
}

void TrepComponent::CreateUniqueName(TrepReport* DefaultReport) {
  rt::TStringList& L = GetSortedObjects();
  rt::TStringList& S = DefaultReport != nullptr ? DefaultReport->GetSortedObjects() : L;
  // The names of this tree count while searching the report's index.
  std::vector<std::string> Merged;
  if (&S != &L)
    for (int I = 0; I < L.Count(); ++I)
      if (S.IndexOf(L[I]) < 0) {
        S.AddObject(L[I], L.Objects(I));
        Merged.push_back(L[I]);
      }
  const std::string Base = BaseName();
  auto Taken = [&](int N) { return S.IndexOf(Base + std::to_string(N)) >= 0; };
  int N = 1;
  std::vector<std::string> Markers;
  if (S.Count() >= 4) {
    // Names sorted between Base + "0" and Base + "A" give a first guess of how many there are.
    for (const std::string& M : {Base + "0", Base + "A"})
      if (S.IndexOf(M) < 0) {
        S.Add(M);
        Markers.push_back(M);
      }
    N = S.IndexOf(Base + "A") - S.IndexOf(Base + "0") - 1;
    while (N > 0 && !Taken(N)) --N;
  }
  while (N < 1 || Taken(N)) ++N;
  // The markers name no object: they must not make those names look taken afterwards.
  for (const std::string& M : Markers) RemoveEntry(S, M, nullptr);
  for (const std::string& M : Merged) S.Delete(S.IndexOf(M));
  SetName(Base + std::to_string(N));
}

// ---------------------------------------------------------------------------------------------
// Bounds and anchors

void TrepComponent::SetLeft(double Value) {
  if (IsDesigning() && GetRestrictions().Contains(rfDontMove)) return;
  FLeft = Value;
}

void TrepComponent::SetTop(double Value) {
  if (IsDesigning() && GetRestrictions().Contains(rfDontMove)) return;
  FTop = Value;
}

void TrepComponent::SetWidth(double Value) {
  if (IsDesigning() && GetRestrictions().Contains(rfDontSize)) return;
  if (FObjects.Count() > 0 && std::fabs(Value - FWidth) > 0.01) ApplyAnchors(Value - FWidth, 0);
  FWidth = Value;
}

void TrepComponent::SetHeight(double Value) {
  if (IsDesigning() && GetRestrictions().Contains(rfDontSize)) return;
  if (FObjects.Count() > 0 && std::fabs(Value - FHeight) > 0.01) ApplyAnchors(0, Value - FHeight);
  FHeight = Value;
}

void TrepComponent::SetBounds(double ALeft, double ATop, double AWidth, double AHeight) {
  SetLeft(ALeft);
  SetTop(ATop);
  SetWidth(AWidth);
  SetHeight(AHeight);
}

double TrepComponent::AbsLeft() const {
  if (FParent == nullptr || FParent->FIsDialogPage) return FLeft;
  return FParent->AbsLeft() + FLeft;
}

double TrepComponent::AbsTop() const {
  if (FParent == nullptr || FParent->FIsDialogPage) return FTop;
  return FParent->AbsTop() + FTop;
}

TrepRect TrepComponent::GetClientArea() const { return TrepRect{0, 0, FWidth, FHeight}; }

void TrepComponent::ApplyAnchors(double DeltaX, double DeltaY) {
  if (FAnchorsUpdating) return;
  struct TGuard {
    bool& Flag;
    ~TGuard() { Flag = false; }
  } Guard{FAnchorsUpdating};
  FAnchorsUpdating = true;
  for (int I = 0; I < FObjects.Count(); ++I) {
    TrepComponent* C = FObjects[I];
    const TrepAnchors A = C->Anchors();
    if (DeltaX != 0) {
      if (A.Contains(fraRight) && A.Contains(fraLeft))
        C->SetWidth(C->Width() + DeltaX);
      else if (A.Contains(fraRight))
        C->SetLeft(C->Left() + DeltaX);
      else if (!A.Contains(fraLeft))
        C->SetLeft(C->Left() + RoundHalfEven(DeltaX / 1.18));
    }
    if (DeltaY != 0) {
      if (A.Contains(fraBottom) && A.Contains(fraTop))
        C->SetHeight(C->Height() + DeltaY);
      else if (A.Contains(fraBottom))
        C->SetTop(C->Top() + DeltaY);
      else if (!A.Contains(fraTop))
        C->SetTop(C->Top() + RoundHalfEven(DeltaY / 1.18));
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Font and selection

void TrepComponent::SetFont(const gfx::TFont& Value) {
  FFont.Assign(Value);
  FParentFont = false;
}

void TrepComponent::SetParentFont(bool Value) {
  if (Value && FParent != nullptr) SetFont(FParent->FFont);
  FParentFont = Value;
}

void TrepComponent::FontChanged() {
  FParentFont = false;
  for (int I = 0; I < FObjects.Count(); ++I)
    if (FObjects[I]->FParentFont) FObjects[I]->SetParentFont(true);
}

void TrepComponent::SetIsSelected(bool Value) {
  // Selecting means joining the designer's or the interactive preview's selection list; the
  // server has neither, so only deselection has something to do.
  if (!Value) FSelectList = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Mirroring and alignment

void TrepComponent::MirrorPosition(TrepMirrorControlModes MirrorModes) {
  if (MirrorModes.Contains(mcmOnlyAllowed) && !IsSelected() && !FAllowMirrorMode) return;
  MirrorContent(MirrorModes);
  if (FParent == nullptr) return;
  const bool Band = dynamic_cast<TrepBand*>(this) != nullptr;
  const bool Childless = FObjects.Count() == 0;
  if ((MirrorModes.Contains(mcmRTLObjects) && Childless) || (MirrorModes.Contains(mcmRTLBands) && Band))
    SetLeft(FParent->Width() - (FLeft + FWidth));
  if ((MirrorModes.Contains(mcmBTTObjects) && Childless) || (MirrorModes.Contains(mcmBTTBands) && Band))
    SetTop(FParent->Height() - (FTop + FHeight));
}

void TrepComponent::AlignChildren(bool IgnoreInvisible, TrepMirrorControlModes MirrorModes) {
  if (FObjects.Count() == 0) return;
  std::vector<TrepView*> Parts;
  for (int I = 0; I < FObjects.Count(); ++I) {
    auto* V = dynamic_cast<TrepView*>(FObjects[I]);
    if (V != nullptr && V->Align != baHidden && (!IgnoreInvisible || V->Visible())) Parts.push_back(V);
  }
  // Sorted by Left; negative positions sort before the others.
  rt::TStringList Sorted;
  Sorted.SetSorted(true);
  Sorted.Duplicates = rt::dupAccept;
  for (TrepView* V : Parts) {
    V->MirrorPosition(MirrorModes);
    const std::string Key = V->Left() >= 0 ? "1" + Fixed9_2(V->Left()) : "0" + Fixed9_2(-V->Left());
    Sorted.AddObject(Key, V);
  }
  const int N = Sorted.Count();
  auto At = [&](int I) { return static_cast<TrepView*>(Sorted.Objects(I)); };
  auto Overlap = [](TrepView* A, TrepView* B) {
    return !(A->AbsTop() >= B->AbsTop() + B->Height() - 1e-4 || B->AbsTop() >= A->AbsTop() + A->Height() - 1e-4);
  };
  const TrepRect C = GetClientArea();

  for (int I = 0; I < N; ++I) {
    TrepView* V = At(I);
    if (V->Align != baLeft && V->Align != baWidth) continue;
    TrepView* Neighbour = nullptr;
    for (int J = I - 1; J >= 0 && Neighbour == nullptr; --J) {
      TrepView* O = At(J);
      if (Overlap(V, O) && (V->Align == baLeft || O->Left() <= V->Left())) Neighbour = O;
    }
    V->SetLeft(Neighbour ? Neighbour->Left() + Neighbour->Width() : C.Left);
  }

  for (int I = N - 1; I >= 0; --I) {
    TrepView* V = At(I);
    if (V->Align != baRight && V->Align != baWidth) continue;
    TrepView* Neighbour = nullptr;
    for (int J = I + 1; J < N && Neighbour == nullptr; ++J) {
      TrepView* O = At(J);
      if (Overlap(V, O) && (V->Align == baRight || O->Left() + O->Width() >= V->Left() + V->Width()))
        Neighbour = O;
    }
    const double Edge = Neighbour ? Neighbour->Left() : C.Right;
    if (V->Align == baRight)
      V->SetLeft(Edge - V->Width());
    else
      V->SetWidth(Edge - V->Left());
  }

  for (TrepView* V : Parts) {
    switch (V->Align) {
      case baCenter: V->SetLeft((C.Right - V->Width()) / 2); break;
      case baBottom: V->SetTop(C.Bottom - V->Height()); break;
      case baClient: V->SetBounds(C.Left, C.Top, C.Right - C.Left, C.Bottom - C.Top); break;
      default: break;
    }
  }
  for (TrepView* V : Parts) V->AlignChildren(IgnoreInvisible, MirrorModes);
}

// ---------------------------------------------------------------------------------------------
// Differences

std::u16string TrepComponent::Diff(const TrepComponent* AComponent) const {
  if (AComponent == nullptr) return {};
  std::u16string R;
  auto Add = [&R](const char16_t* Name, const std::u16string& Value) {
    R += u" ";
    R += Name;
    R += u"=\"";
    R += Value;
    R += u"\"";
  };
  auto Num = [](double V) { return VariantToXMLText(rt::Variant(V)); };
  auto Int = [](long long V) { return VariantToXMLText(rt::Variant(V)); };
  auto Bool = [](bool V) { return VariantToXMLText(rt::Variant(V)); };
  const bool Band = dynamic_cast<const TrepBand*>(this) != nullptr;
  const auto* Memo = dynamic_cast<const TrepCustomMemoView*>(this);

  if (IsLeftStored() && FloatsDiffer(FLeft, AComponent->FLeft)) Add(u"l", Num(FLeft));
  if (IsTopStored() && (Band || FloatsDiffer(FTop, AComponent->FTop))) Add(u"t", Num(FTop));
  if (IsWidthStored() && FloatsDiffer(FWidth, AComponent->FWidth) && !(Memo && Memo->AutoWidth))
    Add(u"w", Num(FWidth));
  if (IsHeightStored() && FloatsDiffer(FHeight, AComponent->FHeight)) Add(u"h", Num(FHeight));
  if (FVisible != AComponent->FVisible) Add(u"Visible", Bool(FVisible));
  if (!FParentFont) {
    const gfx::TFont& F = FFont;
    const gfx::TFont& A = AComponent->FFont;
    if (F.Name() != A.Name()) Add(u"Font.Name", EscapeXMLText(rt::Utf8ToUtf16(F.Name())));
    if (F.Size() != A.Size()) Add(u"Font.Size", Int(F.Size()));
    if (F.Color() != A.Color()) Add(u"Font.Color", Int(F.Color()));
    if (F.Style() != A.Style()) Add(u"Font.Style", Int(F.Style()));
    if (F.Charset() != A.Charset()) Add(u"Font.Charset", Int(F.Charset()));
  }
  if (FParentFont != AComponent->FParentFont) Add(u"ParentFont", Bool(FParentFont));
  if (Tag != AComponent->Tag) Add(u"Tag", Int(Tag));
  if (FAllowMirrorMode != AComponent->FAllowMirrorMode) Add(u"AllowMirrorMode", Bool(FAllowMirrorMode));
  return R;
}

// ---------------------------------------------------------------------------------------------
// TrepReportComponent

TrepReportComponent::TrepReportComponent(rt::TComponent* AOwner) : TrepComponent(AOwner) {}

TrepReportComponent::~TrepReportComponent() {
  if (ShiftObject != nullptr) {
    if (auto* H = dynamic_cast<TrepMessageHandler*>(ShiftObject)) {
      TrepMessage M{repMsgObjectDestroyed, this};
      H->DefaultHandler(M);
    }
    ShiftObject = nullptr;
  }
}

void TrepReportComponent::Draw(gfx::TCanvas&, double, double, double, double) {
  throw EAbstractError("Abstract Error");
}

void TrepReportComponent::DrawChilds(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX,
                                     double OffsetY, bool AHighlighted, bool AIsDesigning) {
  for (int I = 0; I < Objects().Count(); ++I) {
    auto* C = dynamic_cast<TrepReportComponent*>(Objects()[I]);
    if (C == nullptr) continue;
    C->SetIsDesigning(AIsDesigning);
    if (!C->IsOwnerDraw()) C->InteractiveDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY, AHighlighted, gfx::clNone);
  }
}

void TrepReportComponent::DrawHighlight(gfx::TCanvas&, double, double, double, double, gfx::TColor) {}

void TrepReportComponent::InteractiveDraw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX,
                                          double OffsetY, bool AHighlighted, gfx::TColor hlColor) {
  Highlighted = AHighlighted;
  try {
    Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  } catch (...) {
    Highlighted = false;
    throw;
  }
  Highlighted = false;
  if (AHighlighted || (IsSelected() && !IsDesigning())) DrawHighlight(Canvas, ScaleX, ScaleY, OffsetX, OffsetY, hlColor);
}

void TrepReportComponent::DrawWithChilds(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX,
                                         double OffsetY, bool AHighlighted, bool AIsDesigning) {
  InteractiveDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY, AHighlighted, gfx::clNone);
  DrawChilds(Canvas, ScaleX, ScaleY, OffsetX, OffsetY, AHighlighted, AIsDesigning);
}

void TrepReportComponent::BeforePrint() { OriginalRect = TrepRect{Left(), Top(), Width(), Height()}; }

void TrepReportComponent::AfterPrint() {
  SetBounds(OriginalRect.Left, OriginalRect.Top, OriginalRect.Right, OriginalRect.Bottom);
}

TrepRect TrepReportComponent::GetRealBounds() {
  return TrepRect{AbsLeft(), AbsTop(), AbsLeft() + Width(), AbsTop() + Height()};
}

// ---------------------------------------------------------------------------------------------
// TrepPage

TrepPage::TrepPage(rt::TComponent* AOwner) : TrepComponent(AOwner) { frComponentStyle.Include(csAcceptsRepComponents); }

void TrepPage::Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
  // The page itself draws only the custom editors a preview or designer attached to it.
  auto* M = dynamic_cast<TrepComponentEditorsManager*>(ComponentEditors);
  if (M == nullptr) return;
  const gfx::TRect R{RoundHalfEven(OffsetX * ScaleX), RoundHalfEven(OffsetY * ScaleY),
                     RoundHalfEven((OffsetX + Width()) * ScaleX), RoundHalfEven((OffsetY + Height()) * ScaleY)};
  M->DrawCustomEditor(Canvas, R);
}

// ---------------------------------------------------------------------------------------------
// Copies and streams

void TrepComponent::Assign(TrepComponent* Source) {
  if (Source == nullptr || Source == this) return;
  rt::TMemoryStream S;
  Source->SaveToStream(S, false, true, false);
  S.SetPosition(0);
  LoadFromStream(S);
}

void TrepComponent::AssignAll(TrepComponent* Source, bool Streaming) {
  if (Source == nullptr || Source == this) return;
  rt::TMemoryStream S;
  Source->SaveToStream(S, true, true, Streaming);
  S.SetPosition(0);
  LoadFromStream(S);
}

void TrepComponent::AssignAllWithOriginals(TrepComponent* Source, bool Streaming) {
  AssignAll(Source, Streaming);
  if (Source == nullptr || Source == this) return;
  AliasName = Source->AliasName;
  OriginalComponent = Source->OriginalComponent;
  const std::vector<TrepComponent*> From = Source->AllObjects();
  const std::vector<TrepComponent*>& To = AllObjects();
  for (std::size_t I = 0; I < From.size() && I < To.size(); ++I) {
    To[I]->AliasName = From[I]->AliasName;
    To[I]->OriginalComponent = From[I]->OriginalComponent;
  }
}

void TrepComponent::LoadFromStream(rt::TStream& Stream) {
  if (!AncestorOnlyStream) Clear();
  TrepXMLSerializer S(&Stream);
  S.HandleNestedProperties = true;
  S.ReportUnknownProperties = true;
  TrepReport* R = Report();
  // The report hears of the serializer while it reads, and takes its problems afterwards.
  struct TReading {
    TrepReport* R;
    TrepXMLSerializer& S;
    ~TReading() {
      if (R == nullptr) return;
      R->SetXMLSerializer(nullptr);
      R->Errors().AddStrings(S.Errors());
    }
  } Reading{R, S};
  std::unique_lock<std::recursive_mutex> Lock(FormsLock(), std::defer_lock);
  if (R != nullptr) {
    // A report read afresh counts its pictures afresh; a parent read into it counts on.
    if (R == this && !AncestorOnlyStream) R->ImagePixels.Reset();
    S.ImagePixels = &R->ImagePixels;
    R->SetXMLSerializer(&S);
    S.OnGetCustomDataEvent = R->OnGetCustomData;
    S.SetOwner(R);
    if (R->EngineOptions.EnableThreadSafe) Lock.lock();
  }
  S.ReadRootComponent(this);
}

void TrepComponent::SaveToStream(rt::TStream& Stream, bool SaveChildren, bool SaveDefaultValues, bool Streaming) {
  TrepXMLSerializer S(&Stream);
  S.HandleNestedProperties = true;
  S.SaveAncestorOnly = AncestorOnlyStream;
  S.SetOwner(Report());
  S.SerializeDefaultValues = SaveDefaultValues;
  S.IgnoreName = OriginalComponent != nullptr && frComponentStyle.Contains(csObjectsContainer);
  if (auto* R = dynamic_cast<TrepReport*>(this); R != nullptr) {
    if (!AncestorOnlyStream) S.OnSaveCustomDataEvent = R->OnSaveCustomData;
    // An inherited report writes its ancestor objects as differences from its parent's copy;
    // a streamed copy is written whole.
    if (!Streaming && R->ParentReportObject() != nullptr)
      S.OnGetAncestor = [R](const std::string& Name, TrepComponent*& Ancestor) { R->ReportGetAncestor(Name, Ancestor); };
  }
  S.WriteRootComponent(this, SaveChildren, nullptr, Streaming);
}

std::u16string TrepComponent::AllDiff(TrepComponent* AComponent) {
  rt::TStringStream Out;
  {
    TrepXMLSerializer S(&Out);
    S.WriteComponent(this, AComponent);
  }
  // "<Class attributes/>": the attributes.
  std::u16string Text = rt::Utf8ToUtf16(Out.DataString());
  const std::size_t Blank = Text.find(u' ');
  std::u16string R;
  if (Blank != std::u16string::npos && Text.size() >= Blank + 3) R = Text.substr(Blank + 1, Text.size() - Blank - 3);
  if (AComponent != nullptr) R += u" " + Diff(AComponent);
  if (dynamic_cast<TrepNullBand*>(this) != nullptr)
    R += u" l=\"" + VariantToXMLText(rt::Variant(Left())) + u"\" t=\"" + VariantToXMLText(rt::Variant(Top())) + u"\"";
  return R;
}

// ---------------------------------------------------------------------------------------------
// Published properties

namespace repProp {

namespace {

using Getter = double (TrepComponent::*)() const;
using Setter = void (TrepComponent::*)(double);
using StoredTest = bool (TrepComponent::*)() const;

TrepComponent* C(rt::TObject* O) { return static_cast<TrepComponent*>(O); }

rt::TPropInfo Bound(const char* Name, Getter Get, Setter Set, StoredTest Stored) {
  return rt::TPropInfo(Name, rt::tkFloat, "Extended", [Get](rt::TObject* O) { return rt::Variant((C(O)->*Get)()); },
                       [Set](rt::TObject* O, const rt::Variant& V) { (C(O)->*Set)(V.ToDouble()); })
      .WithStored([Stored](rt::TObject* O) { return (C(O)->*Stored)(); });
}

rt::TPropInfo Flag(const char* Name, bool (TrepComponent::*Get)() const, std::function<void(TrepComponent*, bool)> Set,
                   long long Default) {
  return rt::TPropInfo(Name, rt::tkEnumeration, "Boolean", [Get](rt::TObject* O) { return rt::Variant((C(O)->*Get)()); },
                       [Set](rt::TObject* O, const rt::Variant& V) { Set(C(O), V.ToBoolean()); })
      .WithDefault(Default);
}

} // namespace

rt::TPropInfo Left() { return Bound("Left", &TrepComponent::Left, &TrepComponent::SetLeft, &TrepComponent::IsLeftStored); }
rt::TPropInfo Top() { return Bound("Top", &TrepComponent::Top, &TrepComponent::SetTop, &TrepComponent::IsTopStored); }
rt::TPropInfo Width() {
  return Bound("Width", &TrepComponent::Width, &TrepComponent::SetWidth, &TrepComponent::IsWidthStored);
}
rt::TPropInfo Height() {
  return Bound("Height", &TrepComponent::Height, &TrepComponent::SetHeight, &TrepComponent::IsHeightStored);
}

rt::TPropInfo Font() {
  return rt::TPropInfo("Font", rt::tkClass, "TFont", [](rt::TObject* O) { return rt::VarFromObject(&C(O)->Font()); })
      .WithStored([](rt::TObject* O) { return !C(O)->ParentFont(); });
}

rt::TPropInfo ParentFont() {
  return Flag("ParentFont", &TrepComponent::ParentFont, [](TrepComponent* O, bool V) { O->SetParentFont(V); }, 1);
}

rt::TPropInfo Visible() {
  return Flag("Visible", &TrepComponent::Visible, [](TrepComponent* O, bool V) { O->SetVisible(V); }, 1);
}

rt::TPropInfo AllowMirrorMode() {
  return Flag("AllowMirrorMode", &TrepComponent::AllowMirrorMode,
              [](TrepComponent* O, bool V) { O->SetAllowMirrorMode(V); }, 0);
}

rt::TPropInfo Tag() {
  return rt::TPropInfo("Tag", rt::tkInteger, "NativeInt", [](rt::TObject* O) { return rt::Variant(static_cast<long long>(C(O)->Tag)); },
                       [](rt::TObject* O, const rt::Variant& V) { C(O)->Tag = static_cast<std::intptr_t>(V.ToInt64()); })
      .WithDefault(0);
}

rt::TPropInfo Description() { return rt::TPropInfo::Field<TrepComponent>("Description", rt::tkString, "string", &TrepComponent::Description); }

rt::TPropInfo IndexTag() {
  return rt::TPropInfo("IndexTag", rt::tkInteger, "NativeInt",
                       [](rt::TObject* O) { return rt::Variant(static_cast<long long>(C(O)->IndexTag)); },
                       [](rt::TObject* O, const rt::Variant& V) { C(O)->IndexTag = static_cast<std::intptr_t>(V.ToInt64()); })
      .WithStored([](rt::TObject* O) { return C(O)->IndexTag > 0; });
}

rt::TPropInfo GroupIndex() { return Int("GroupIndex", &TrepComponent::GroupIndex, 0); }

rt::TPropInfo Restrictions() {
  return rt::TPropInfo("Restrictions", rt::tkSet, "TrepRestrictions",
                       [](rt::TObject* O) { return rt::Variant(static_cast<long long>(C(O)->Restrictions().ToInt())); },
                       [](rt::TObject* O, const rt::Variant& V) {
                         C(O)->SetRestrictions(TrepRestrictions::FromInt(static_cast<unsigned>(V.ToInt64())));
                       })
      .WithDefault(0);
}

rt::TPropInfo Anchors() {
  return rt::TPropInfo("Anchors", rt::tkSet, "TrepAnchors",
                       [](rt::TObject* O) { return rt::Variant(static_cast<long long>(C(O)->Anchors().ToInt())); },
                       [](rt::TObject* O, const rt::Variant& V) {
                         C(O)->SetAnchors(TrepAnchors::FromInt(static_cast<unsigned>(V.ToInt64())));
                       })
      .WithDefault(TrepAnchors{fraLeft, fraTop}.ToInt());
}

} // namespace repProp

rt::TClass TrepReportComponent::ClassInfo() {
  static const rt::TClassInfo Info("TrepReportComponent", TrepComponent::ClassInfo(),
                                   [] { return new TrepReportComponent(nullptr); },
                                   {repProp::Description(), repProp::IndexTag()});
  return &Info;
}

rt::TClass TrepPage::ClassInfo() {
  static const rt::TClassInfo Info("TrepPage", TrepComponent::ClassInfo(), [] { return new TrepPage(nullptr); },
                                   {repProp::Tag(), repProp::Font(), repProp::Visible()});
  return &Info;
}
