#include "report/engine/repClass.h"

#include <algorithm>

TrepComponent::TrepComponent(rt::TComponent* AOwner)
    : rt::TComponent(dynamic_cast<TrepComponent*>(AOwner) != nullptr ? nullptr : AOwner) {
  if (auto* P = dynamic_cast<TrepComponent*>(AOwner)) SetParent(P);
}

TrepComponent::~TrepComponent() {
  while (!FObjects.empty()) delete FObjects.back();
  SetParent(nullptr);
}

void TrepComponent::SetParent(TrepComponent* Value) {
  if (FParent != nullptr) {
    auto& Siblings = FParent->FObjects;
    Siblings.erase(std::remove(Siblings.begin(), Siblings.end(), this), Siblings.end());
  }
  FParent = Value;
  if (Value != nullptr) Value->FObjects.push_back(this);
}

double TrepComponent::AbsLeft() const { return FParent ? FLeft + FParent->AbsLeft() : FLeft; }

double TrepComponent::AbsTop() const { return FParent ? FTop + FParent->AbsTop() : FTop; }

TrepReport* TrepComponent::Report() {
  for (TrepComponent* C = this; C != nullptr; C = C->FParent)
    if (auto* R = dynamic_cast<TrepReport*>(C)) return R;
  return nullptr;
}
