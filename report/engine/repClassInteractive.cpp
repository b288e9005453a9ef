// Hit-testing and the interactive entry points of report objects: how a preview or designer
// finds the object under the pointer or inside a rubber band, what may be dropped into what,
// and how mouse and drag events reach an object's editors and its own hooks.
#include <algorithm>

#include "report/engine/repClassBand.h"
#include "report/engine/repInPlaceEditors.h"
#include "report/engine/repUtils.h"

namespace {

// Lines of zero width or height are hit this close to them.
constexpr double LineHitMargin = 4;

bool IgnoredInPreview(TrepComponent* C, const TrepInteractiveEventsParams& P) {
  return P.EventSender == esPreview && (C->Restrictions().Contains(rfDontEditInPreview) || P.EditRestricted);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Hit-testing

bool TrepComponent::IsContain(double X, double Y) {
  const double a = Width() == 0 ? LineHitMargin : 0;
  const double b = Width() != 0 && Height() == 0 ? LineHitMargin : 0;
  const double L = AbsLeft(), T = AbsTop();
  if (L - a <= X && X <= L + Width() + a && T - b <= Y && Y <= T + Height() + b) return true;
  if (auto* M = dynamic_cast<TrepComponentEditorsManager*>(ComponentEditors)) {
    const gfx::TRect R{RoundHalfEven(L), RoundHalfEven(T), RoundHalfEven(L + Width()), RoundHalfEven(T + Height())};
    return M->IsContain(R, X, Y);
  }
  return false;
}

bool TrepComponent::IsInRect(const TrepRect& aRect) {
  const double L = AbsLeft(), T = AbsTop();
  const double X0 = std::min(L, L + Width()), X1 = std::max(L, L + Width());
  const double Y0 = std::min(T, T + Height()), Y1 = std::max(T, T + Height());
  return X0 >= aRect.Left && X1 <= aRect.Right && Y0 >= aRect.Top && Y1 <= aRect.Bottom;
}

TrepComponent* TrepComponent::GetContainedComponent(double X, double Y, TrepComponent* IsCanContain) {
  const bool Contains = IsContain(X, Y);
  if (!Contains && FObjects.Count() == 0) return nullptr;
  TrepComponent* Result = FObjects.Count() == 0 || Contains ? this : nullptr;
  // The last child is drawn on top, so it is asked first.
  for (int I = FObjects.Count() - 1; I >= 0; --I) {
    TrepComponent* C = FObjects[I]->GetContainedComponent(X, Y, IsCanContain);
    if (C != nullptr && dynamic_cast<TrepNullBand*>(C) == nullptr) return C;
  }
  if (Result == this && (IsCanContain == this || !IsAcceptControl(IsCanContain))) return nullptr;
  return Result;
}

void TrepComponent::GetContainedComponents(const TrepRect& aRect, rt::TClass InheriteFrom,
                                           std::vector<TrepComponent*>* aComponents, bool bSelectContainers) {
  if (aComponents == nullptr) return;
  const bool Inside = IsInRect(aRect);
  if (!Inside && FObjects.Count() == 0) return;
  if ((bSelectContainers || !frComponentStyle.Contains(csObjectsContainer)) && (FObjects.Count() == 0 || Inside) &&
      (InheriteFrom == nullptr || ClassType()->InheritsFrom(InheriteFrom)) &&
      std::find(aComponents->begin(), aComponents->end(), this) == aComponents->end())
    aComponents->push_back(this);
  for (TrepComponent* C : FObjects) C->GetContainedComponents(aRect, InheriteFrom, aComponents, false);
}

bool TrepComponent::IsAcceptControl(TrepComponent* aControl) {
  if (aControl == nullptr) return true;
  return IsAcceptControls() && aControl != this && aControl->IsAcceptAsChild(this) &&
         !aControl->frComponentStyle.Contains(csContained);
}

// ---------------------------------------------------------------------------------------------
// Interactive events

TrepComponentEditorsManager* TrepComponent::BindComponentEditors(TrepInteractiveEventsParams& EventParams) {
  auto* M = dynamic_cast<TrepComponentEditorsManager*>(ComponentEditors);
  if (M == nullptr && EventParams.EditorsList != nullptr) {
    M = FindComponentEditors(EventParams.EditorsList, this);
    if (M != nullptr) M->SetComponent(this);
    // Another object may hold the editors: they follow the pointer.
    ComponentEditors = M;
  }
  if (M != nullptr) {
    if (M->Component() != this) M->SetComponent(this);
    M->SetOffset(EventParams.OffsetX, EventParams.OffsetY, EventParams.Scale);
  }
  return M;
}

bool TrepComponent::MouseDown(int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift,
                              TrepInteractiveEventsParams& EventParams) {
  if (EventParams.EventSender == esPreview && Restrictions().Contains(rfDontEditInPreview)) return false;
  TrepComponentEditorsManager* M = BindComponentEditors(EventParams);
  bool Result = M != nullptr && M->DoMouseDown(X, Y, EventParams);
  if (!Result) Result = DoMouseDown(X, Y, Button, Shift, EventParams);
  if (EventParams.FireParentEvent && FParent != nullptr && FParent->IsContain(X, Y)) {
    // Cleared first: the parent's own hook decides whether the event goes further up.
    EventParams.FireParentEvent = false;
    Result = FParent->MouseDown(X, Y, Button, Shift, EventParams);
  }
  return Result;
}

void TrepComponent::MouseMove(int X, int Y, rt::TShiftState Shift, TrepInteractiveEventsParams& EventParams) {
  if (IgnoredInPreview(this, EventParams)) return;
  TrepComponentEditorsManager* M = BindComponentEditors(EventParams);
  if (M == nullptr || !M->DoMouseMove(X, Y, Shift, EventParams)) DoMouseMove(X, Y, Shift, EventParams);
  if (EventParams.FireParentEvent && FParent != nullptr && FParent->IsContain(X, Y)) {
    EventParams.FireParentEvent = false;
    FParent->MouseMove(X, Y, Shift, EventParams);
  }
}

void TrepComponent::MouseUp(int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift,
                            TrepInteractiveEventsParams& EventParams) {
  if (IgnoredInPreview(this, EventParams)) return;
  TrepComponentEditorsManager* M = BindComponentEditors(EventParams);
  if (M == nullptr || !M->DoMouseUp(X, Y, Button, Shift, EventParams)) DoMouseUp(X, Y, Button, Shift, EventParams);
  if (EventParams.FireParentEvent && FParent != nullptr && FParent->IsContain(X, Y)) {
    EventParams.FireParentEvent = false;
    FParent->MouseUp(X, Y, Button, Shift, EventParams);
  }
}

void TrepComponent::MouseEnter(TrepComponent* aPreviousObject, TrepInteractiveEventsParams& EventParams) {
  if (IgnoredInPreview(this, EventParams)) return;
  MouseInView = true;
  if (FParent != nullptr && !FParent->MouseInView) FParent->MouseEnter(aPreviousObject, EventParams);
  if (TrepComponentEditorsManager* M = BindComponentEditors(EventParams)) M->InitializeUI(EventParams);
  DoMouseEnter(aPreviousObject, EventParams);
}

void TrepComponent::MouseLeave(int X, int Y, TrepComponent* aNextObject, TrepInteractiveEventsParams& EventParams) {
  if (IgnoredInPreview(this, EventParams)) return;
  MouseInView = false;
  if (FParent != nullptr && FParent->MouseInView && !FParent->IsContain(X, Y))
    FParent->MouseLeave(X, Y, aNextObject, EventParams);
  if (TrepComponentEditorsManager* M = BindComponentEditors(EventParams)) M->FinalizeUI(EventParams);
  DoMouseLeave(aNextObject, EventParams);
}

void TrepComponent::MouseClick(bool Double, TrepInteractiveEventsParams& EventParams) {
  if (IgnoredInPreview(this, EventParams)) return;
  BindComponentEditors(EventParams);
  DoMouseClick(Double, EventParams);
}

bool TrepComponent::MouseWheel(rt::TShiftState Shift, int WheelDelta, gfx::TPoint MousePos,
                               TrepInteractiveEventsParams& EventParams) {
  if (IgnoredInPreview(this, EventParams)) return false;
  TrepComponentEditorsManager* M = BindComponentEditors(EventParams);
  bool Result = M != nullptr && M->DoMouseWheel(Shift, WheelDelta, MousePos, EventParams);
  if (!Result) Result = DoMouseWheel(Shift, WheelDelta, MousePos, EventParams);
  if (EventParams.FireParentEvent && FParent != nullptr && FParent->IsContain(MousePos.X, MousePos.Y)) {
    EventParams.FireParentEvent = false;
    Result = FParent->MouseWheel(Shift, WheelDelta, MousePos, EventParams);
  }
  return Result;
}

bool TrepComponent::DragOver(rt::TObject* Source, int X, int Y, TrepDragState State, bool& Accept,
                             TrepInteractiveEventsParams& EventParams) {
  TrepComponentEditorsManager* M = BindComponentEditors(EventParams);
  if (M != nullptr && M->DoCustomDragOver(Source, X, Y, State, Accept, EventParams)) return true;
  return DoDragOver(Source, X, Y, State, Accept, EventParams);
}

bool TrepComponent::DragDrop(rt::TObject* Source, int X, int Y, TrepInteractiveEventsParams& EventParams) {
  TrepComponentEditorsManager* M = BindComponentEditors(EventParams);
  if (M != nullptr && M->DoCustomDragDrop(Source, X, Y, EventParams)) return true;
  return DoDragDrop(Source, X, Y, EventParams);
}

bool TrepComponent::DoMouseDown(int, int, rt::TMouseButton, rt::TShiftState, TrepInteractiveEventsParams&) {
  return false;
}
void TrepComponent::DoMouseMove(int, int, rt::TShiftState, TrepInteractiveEventsParams&) {}
void TrepComponent::DoMouseUp(int, int, rt::TMouseButton, rt::TShiftState, TrepInteractiveEventsParams&) {}
void TrepComponent::DoMouseEnter(TrepComponent*, TrepInteractiveEventsParams&) {}
void TrepComponent::DoMouseLeave(TrepComponent*, TrepInteractiveEventsParams&) {}
void TrepComponent::DoMouseClick(bool, TrepInteractiveEventsParams&) {}
bool TrepComponent::DoMouseWheel(rt::TShiftState, int, gfx::TPoint, TrepInteractiveEventsParams&) { return false; }
bool TrepComponent::DoDragOver(rt::TObject*, int, int, TrepDragState, bool&, TrepInteractiveEventsParams&) {
  return false;
}
bool TrepComponent::DoDragDrop(rt::TObject*, int, int, TrepInteractiveEventsParams&) { return false; }
