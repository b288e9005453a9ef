// Selection lists, the in-place editor registry, editor instances and managers, and the
// preview base's use of them.
#include "report/engine/repInPlaceEditors.h"

#include <algorithm>

#include "platform/rt/SysUtils.h"

// ---------------------------------------------------------------------------------------------
// Selection

TrepSelectedObjectsList::~TrepSelectedObjectsList() { Clear(); }

int TrepSelectedObjectsList::IndexOf(const rt::TObject* Item) const {
  auto It = std::find(FItems.begin(), FItems.end(), Item);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

int TrepSelectedObjectsList::Add(rt::TObject* Item) {
  // Every persistent object goes to the inspector; only report objects stay selected.
  if (Item != nullptr) FInsp.push_back(Item);
  Updated = true;
  auto* C = dynamic_cast<TrepComponent*>(Item);
  if (C == nullptr) return -1;
  FItems.push_back(C);
  if (!C->IsSelected()) C->SetSelectList(this);
  return Count() - 1;
}

void TrepSelectedObjectsList::Deleted(rt::TObject* Item) {
  if (auto* C = dynamic_cast<TrepComponent*>(Item); C && C->SelectList() == this) C->SetIsSelected(false);
  if (FItems.empty()) FInsp.clear();
  else FInsp.erase(std::remove(FInsp.begin(), FInsp.end(), Item), FInsp.end());
  Updated = true;
}

void TrepSelectedObjectsList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw rt::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  rt::TObject* Item = FItems[static_cast<std::size_t>(Index)];
  FItems.erase(FItems.begin() + Index);
  Deleted(Item);
}

int TrepSelectedObjectsList::Remove(rt::TObject* Item) {
  const int I = IndexOf(Item);
  if (I >= 0) Delete(I);
  return I;
}

void TrepSelectedObjectsList::Clear() {
  while (!FItems.empty()) Delete(Count() - 1);
  FInsp.clear();
}

void TrepSelectedObjectsList::Extract(rt::TObject* Item) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), Item), FItems.end());
  FInsp.erase(std::remove(FInsp.begin(), FInsp.end(), Item), FInsp.end());
}

// ---------------------------------------------------------------------------------------------
// Editors

TrepInPlaceEditor::~TrepInPlaceEditor() { SetComponent(nullptr); }

void TrepInPlaceEditor::DoFinishInPlace(rt::TObject* Sender, bool Refresh, bool Modified) {
  (void)Sender;
  if (!OnFinishInPlace) return;
  TrepOnFinishInPlaceEdit F = std::move(OnFinishInPlace);
  OnFinishInPlace = nullptr;
  F(FComponent, Refresh, Modified);
}

void TrepInPlaceEditor::SetComponent(TrepComponent* Value) {
  if (Value == FComponent) return;
  if (Locked && Value != nullptr) {
    Value->ComponentEditors = nullptr;
    return;
  }
  if (FComponent != nullptr) {
    EditInPlaceDone();
    FComponent->ComponentEditors = nullptr;
  }
  FComponent = Value;
  if (FComponent != nullptr) FComponent->ComponentEditors = FindComponentEditors(Editors, FComponent);
}

void TrepComponentEditorsManager::SetComponent(TrepComponent* Value) {
  for (TrepInPlaceEditor* E : FEditors) E->SetComponent(Value);
}

void TrepComponentEditorsManager::SetOffset(double X, double Y, double Scale) {
  FOffsetX = X;
  FOffsetY = Y;
  FScale = Scale;
}

void TrepComponentEditorsManager::DrawCustomEditor(gfx::TCanvas& Canvas, const gfx::TRect& R) {
  for (TrepInPlaceEditor* E : FEditors) {
    E->SetOffset(FOffsetX, FOffsetY, FScale);
    E->DrawCustomEditor(Canvas, R);
  }
}

bool TrepComponentEditorsManager::DoMouseDown(int X, int Y, TrepInteractiveEventsParams& EventParams) {
  for (TrepInPlaceEditor* E : FEditors) {
    E->SetOffset(FOffsetX, FOffsetY, FScale);
    if (E->DoMouseDown(X, Y, EventParams)) return true;
  }
  return false;
}

template <class F>
static bool AskEditors(std::vector<TrepInPlaceEditor*>& Editors, double X, double Y, double Scale, F Ask) {
  for (TrepInPlaceEditor* E : Editors) {
    E->SetOffset(X, Y, Scale);
    if (Ask(E)) return true;
  }
  return false;
}

bool TrepComponentEditorsManager::DoMouseMove(int X, int Y, rt::TShiftState Shift,
                                              TrepInteractiveEventsParams& EventParams) {
  return AskEditors(FEditors, FOffsetX, FOffsetY, FScale,
                    [&](TrepInPlaceEditor* E) { return E->DoMouseMove(X, Y, Shift, EventParams); });
}

bool TrepComponentEditorsManager::DoMouseUp(int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift,
                                            TrepInteractiveEventsParams& EventParams) {
  return AskEditors(FEditors, FOffsetX, FOffsetY, FScale,
                    [&](TrepInPlaceEditor* E) { return E->DoMouseUp(X, Y, Button, Shift, EventParams); });
}

bool TrepComponentEditorsManager::DoMouseWheel(rt::TShiftState Shift, int WheelDelta, gfx::TPoint MousePos,
                                               TrepInteractiveEventsParams& EventParams) {
  return AskEditors(FEditors, FOffsetX, FOffsetY, FScale,
                    [&](TrepInPlaceEditor* E) { return E->DoMouseWheel(Shift, WheelDelta, MousePos, EventParams); });
}

bool TrepComponentEditorsManager::DoCustomDragOver(rt::TObject* Source, int X, int Y, TrepDragState State,
                                                   bool& Accept, TrepInteractiveEventsParams& EventParams) {
  return AskEditors(FEditors, FOffsetX, FOffsetY, FScale, [&](TrepInPlaceEditor* E) {
    return E->DoCustomDragOver(Source, X, Y, State, Accept, EventParams);
  });
}

bool TrepComponentEditorsManager::DoCustomDragDrop(rt::TObject* Source, int X, int Y,
                                                   TrepInteractiveEventsParams& EventParams) {
  return AskEditors(FEditors, FOffsetX, FOffsetY, FScale,
                    [&](TrepInPlaceEditor* E) { return E->DoCustomDragDrop(Source, X, Y, EventParams); });
}

void TrepComponentEditorsManager::InitializeUI(TrepInteractiveEventsParams& EventParams) {
  for (TrepInPlaceEditor* E : FEditors) {
    E->SetOffset(FOffsetX, FOffsetY, FScale);
    E->Components = EventParams.SelectionList;
    E->InitializeUI(EventParams);
  }
}

void TrepComponentEditorsManager::FinalizeUI(TrepInteractiveEventsParams& EventParams) {
  for (TrepInPlaceEditor* E : FEditors) {
    E->SetOffset(FOffsetX, FOffsetY, FScale);
    E->FinalizeUI(EventParams);
  }
}

namespace {

bool Restricted(TrepComponent* C, const TrepInteractiveEventsParams& P) {
  return (C != nullptr && C->Restrictions().Contains(rfDontEditInPreview)) || P.EditRestricted;
}

} // namespace

void TrepComponentEditorsManager::CopyContent(TrepComponent* CopyFrom, TrepInteractiveEventsParams& EventParams,
                                              rt::TStream* Buffer, TrepCopyPasteType CopyAs) {
  for (TrepInPlaceEditor* E : FEditors) {
    E->SetOffset(FOffsetX, FOffsetY, FScale);
    if (EventParams.SelectionList && EventParams.SelectionList->Count() > 1) {
      E->CopyGoupContent(CopyFrom, EventParams, Buffer, CopyAs);
      continue;
    }
    if (CopyFrom != nullptr && Restricted(CopyFrom, EventParams)) break;
    if (CopyAs == cptDefault) CopyAs = E->DefaultContentType();
    E->CopyContent(CopyFrom, EventParams, Buffer, CopyAs);
  }
}

void TrepComponentEditorsManager::PasteContent(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams,
                                               rt::TStream* Buffer, TrepCopyPasteType PasteAs) {
  for (TrepInPlaceEditor* E : FEditors) {
    E->SetOffset(FOffsetX, FOffsetY, FScale);
    if (EventParams.SelectionList && EventParams.SelectionList->Count() > 1) {
      E->PasteGoupContent(PasteTo, EventParams, Buffer, PasteAs);
      continue;
    }
    if (PasteTo != nullptr && Restricted(PasteTo, EventParams)) break;
    E->PasteContent(PasteTo, EventParams, Buffer, PasteAs);
  }
}

bool TrepComponentEditorsManager::IsPasteAvailable(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams,
                                                   TrepCopyPasteType PasteAs) {
  if (Restricted(PasteTo, EventParams)) return false;
  for (TrepInPlaceEditor* E : FEditors) {
    E->SetOffset(FOffsetX, FOffsetY, FScale);
    if (E->IsPasteAvailable(PasteTo, EventParams, PasteAs)) return true;
  }
  return false;
}

std::vector<gfx::TRect> TrepComponentEditorsManager::EditorsActiveRects(TrepComponent* aComponent) {
  std::vector<gfx::TRect> R;
  const int DX = RoundHalfEven(aComponent->AbsLeft()), DY = RoundHalfEven(aComponent->AbsTop());
  for (TrepInPlaceEditor* E : FEditors) {
    gfx::TRect A = E->GetActiveRect();
    R.push_back({A.Left + DX, A.Top + DY, A.Right + DX, A.Bottom + DY});
  }
  return R;
}

bool TrepComponentEditorsManager::IsContain(const gfx::TRect& ObjectRect, double X, double Y) {
  for (TrepInPlaceEditor* E : FEditors) {
    const gfx::TRect A = E->GetActiveRect();
    if (A.Width() == 0 || A.Height() == 0) continue;
    const double L = A.Left + ObjectRect.Left, T = A.Top + ObjectRect.Top;
    const double Rt = A.Right + ObjectRect.Left, B = A.Bottom + ObjectRect.Top;
    if (X >= L && X <= Rt && Y >= T && Y <= B) return true;
  }
  return false;
}

void TrepComponentEditorsManager::SetClipboardObject(rt::TObject* aObject) {
  for (TrepInPlaceEditor* E : FEditors) E->ClipboardObject = aObject;
}

// ---------------------------------------------------------------------------------------------
// Editor lists and the registry

TrepComponentEditorsList::~TrepComponentEditorsList() {
  FManagers.clear();
  FInstances.clear();
}

TrepComponentEditorsManager* TrepComponentEditorsList::Find(const std::string& ClassName) const {
  for (const auto& [Name, M] : FManagers)
    if (rt::SameText(Name, ClassName)) return M.get();
  return nullptr;
}

void TrepComponentEditorsList::CreateInstanceFromItem(const TrepComponentEditorsRegItem* aItem, rt::TObject* aOwner,
                                                      TrepComponentEditorVisibilityState aVisibility) {
  if (aItem == nullptr || aItem->ComponentClass == nullptr) return;
  auto M = std::make_unique<TrepComponentEditorsManager>(aItem->ComponentClass);
  for (std::size_t I = 0; I < aItem->EditorClasses.size(); ++I) {
    if (!aItem->Visibility[I].Contains(aVisibility) || !aItem->EditorClasses[I]->Create) continue;
    std::unique_ptr<TrepInPlaceEditor> E(aItem->EditorClasses[I]->Create(aItem->ComponentClass, aOwner));
    if (!E) continue;
    E->Editors = this;
    M->EditorsInstances().push_back(E.get());
    FInstances.push_back(std::move(E));
  }
  FManagers.emplace_back(aItem->ComponentClass->ClassName(), std::move(M));
}

void TrepComponentEditorsClasses::Register(rt::TClass ComponentClass,
                                           const std::vector<TrepInPlaceEditorClass>& ComponentEditors,
                                           const std::vector<TrepComponentEditorVisibility>& EditorsVisibility) {
  if (ComponentClass == nullptr || ComponentEditors.empty()) return;
  TrepComponentEditorsRegItem* Item = nullptr;
  for (auto& [Name, I] : FItems)
    if (rt::SameText(Name, ComponentClass->ClassName())) Item = I.get();
  if (Item == nullptr) {
    FItems.emplace_back(ComponentClass->ClassName(), std::make_unique<TrepComponentEditorsRegItem>());
    Item = FItems.back().second.get();
    Item->ComponentClass = ComponentClass;
  }
  for (std::size_t J = 0; J < ComponentEditors.size(); ++J) {
    Item->EditorClasses.push_back(ComponentEditors[J]);
    Item->Visibility.push_back(J < EditorsVisibility.size() ? EditorsVisibility[J]
                                                            : TrepComponentEditorVisibility{evPreview, evDesigner});
  }
}

void TrepComponentEditorsClasses::UnRegister(rt::TClass ComponentClass) {
  if (ComponentClass == nullptr) return;
  std::erase_if(FItems, [&](const auto& P) { return rt::SameText(P.first, ComponentClass->ClassName()); });
}

void TrepComponentEditorsClasses::UnRegisterEditor(TrepInPlaceEditorClass EditorClass) {
  for (auto& [Name, Item] : FItems)
    for (std::size_t J = Item->EditorClasses.size(); J-- > 0;)
      if (Item->EditorClasses[J] == EditorClass) {
        Item->EditorClasses.erase(Item->EditorClasses.begin() + static_cast<std::ptrdiff_t>(J));
        Item->Visibility.erase(Item->Visibility.begin() + static_cast<std::ptrdiff_t>(J));
      }
}

const TrepComponentEditorsRegItem* TrepComponentEditorsClasses::Item(const std::string& ClassName) const {
  for (const auto& [Name, I] : FItems)
    if (rt::SameText(Name, ClassName)) return I.get();
  return nullptr;
}

std::unique_ptr<TrepComponentEditorsList>
TrepComponentEditorsClasses::CreateEditorsInstances(TrepComponentEditorVisibilityState aVisibility,
                                                    rt::TObject* aOwner) const {
  auto L = std::make_unique<TrepComponentEditorsList>();
  for (const auto& [Name, Item] : FItems) L->CreateInstanceFromItem(Item.get(), aOwner, aVisibility);
  return L;
}

void TrepComponentEditorsClasses::SaveToIni(rt::TCustomIniFile& IniFile) const {
  for (const auto& [Name, Item] : FItems)
    for (std::size_t J = 0; J < Item->EditorClasses.size(); ++J)
      IniFile.WriteInteger(Name, Item->EditorClasses[J]->Name, static_cast<int>(Item->Visibility[J].ToInt()));
}

void TrepComponentEditorsClasses::LoadFromIni(const rt::TCustomIniFile& IniFile) {
  for (auto& [Name, Item] : FItems)
    for (std::size_t J = 0; J < Item->EditorClasses.size(); ++J)
      Item->Visibility[J] = TrepComponentEditorVisibility::FromInt(static_cast<unsigned>(IniFile.ReadInteger(
                                                                       Name, Item->EditorClasses[J]->Name,
                                                                       static_cast<int>(Item->Visibility[J].ToInt()))) &
                                                                   3u);
}

TrepComponentEditorsClasses& ComponentEditorsRegistry() {
  static TrepComponentEditorsClasses Registry;
  return Registry;
}

TrepComponentEditorsManager* FindComponentEditors(TrepComponentEditorsList* List, TrepComponent* Component) {
  if (List == nullptr || Component == nullptr) return nullptr;
  TrepComponentEditorsManager* M = List->Find(Component->ClassName());
  return M && !M->EditorsInstances().empty() ? M : nullptr;
}

// ---------------------------------------------------------------------------------------------
// The preview base

TrepCustomPreview::TrepCustomPreview() : FSelectionList(std::make_unique<TrepSelectedObjectsList>()) {}

TrepCustomPreview::~TrepCustomPreview() {
  FInPlaceEditorsList.reset();
  FSelectionList.reset();
}

void TrepCustomPreview::SetInPlaceEditorsList(std::unique_ptr<TrepComponentEditorsList> Value) {
  FInPlaceEditorsList = std::move(Value);
}

void TrepCustomPreview::InPlaceEditFinished(rt::TObject* Sender, bool Refresh, bool Modified) {
  (void)Refresh;
  if (Modified && OnModifyObject)
    if (auto* C = dynamic_cast<TrepComponent*>(Sender)) OnModifyObject(C);
}

void TrepCustomPreview::SetDefaultEventParams(TrepInteractiveEventsParams& P) {
  P.EventSender = esPreview;
  P.Refresh = P.PopupVisible = P.FireParentEvent = P.Modified = P.GridAlign = false;
  P.EditorsList = FInPlaceEditorsList.get();
  P.OnFinish = [this](rt::TObject* Sender, bool Refresh, bool Modified) {
    InPlaceEditFinished(Sender, Refresh, Modified);
  };
  P.OffsetX = P.OffsetY = 0;
  P.Scale = 1;
  P.Sender = this;
  P.GridType = gtNone;
  P.GridX = P.GridY = 0;
  P.SelectionList = FSelectionList.get();
  P.EditRestricted = Report != nullptr && !Report->PreviewOptions.AllowPreviewEdit;
}

namespace {

TrepComponent* FirstSelected(TrepSelectedObjectsList& L) {
  return L.Count() > 0 ? dynamic_cast<TrepComponent*>(L.Items(0)) : nullptr;
}

} // namespace

void TrepCustomPreview::InternalCopy() {
  TrepComponent* C = FirstSelected(*FSelectionList);
  if (C == nullptr || Report == nullptr || !Report->PreviewOptions.Buttons.Contains(pbCopy)) return;
  if (auto* M = FindComponentEditors(FInPlaceEditorsList.get(), C)) {
    TrepInteractiveEventsParams P;
    SetDefaultEventParams(P);
    M->CopyContent(C, P, nullptr, cptDefault);
  }
}

void TrepCustomPreview::InternalPaste() {
  TrepComponent* C = FirstSelected(*FSelectionList);
  if (C == nullptr || Report == nullptr || !Report->PreviewOptions.Buttons.Contains(pbPaste)) return;
  if (auto* M = FindComponentEditors(FInPlaceEditorsList.get(), C)) {
    TrepInteractiveEventsParams P;
    SetDefaultEventParams(P);
    M->PasteContent(C, P, nullptr, cptDefault);
    // What the paste changed goes back into the prepared pages, or it is lost with the page.
    if (P.Modified)
      for (int I = 0; I < FSelectionList->Count(); ++I) InPlaceEditFinished(FSelectionList->Items(I), P.Refresh, true);
  }
}

bool TrepCustomPreview::InternalIsPasteAvailable() {
  TrepComponent* C = FirstSelected(*FSelectionList);
  if (C == nullptr || Report == nullptr || !Report->PreviewOptions.Buttons.Contains(pbPaste)) return false;
  auto* M = FindComponentEditors(FInPlaceEditorsList.get(), C);
  if (M == nullptr) return false;
  TrepInteractiveEventsParams P;
  SetDefaultEventParams(P);
  return M->IsPasteAvailable(C, P, cptDefault);
}
