#include "platform/rt/Components.h"

#include <algorithm>
#include <mutex>

#include "platform/rt/Unicode.h"

namespace rt {

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  while (!FComponents.empty()) delete FComponents.back();
  if (FOwner != nullptr) FOwner->RemoveComponent(this);
  if (FGlobal) UnregisterGlobalComponent(this);
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FComponents[static_cast<std::size_t>(Index)];
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* C : FComponents)
    if (Utf8CompareText(C->FName, AName) == 0) return C;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* Component) {
  if (Component->FOwner != nullptr) Component->FOwner->RemoveComponent(Component);
  FComponents.push_back(Component);
  Component->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* Component) {
  auto It = std::find(FComponents.begin(), FComponents.end(), Component);
  if (It == FComponents.end()) return;
  FComponents.erase(It);
  Component->FOwner = nullptr;
}

namespace {

std::mutex GlobalLock;

std::vector<TComponent*>& GlobalComponents() {
  static std::vector<TComponent*> List;
  return List;
}

} // namespace

void RegisterGlobalComponent(TComponent* Component) {
  std::lock_guard<std::mutex> Lock(GlobalLock);
  auto& List = GlobalComponents();
  if (std::find(List.begin(), List.end(), Component) == List.end()) List.push_back(Component);
  Component->FGlobal = true;
}

void UnregisterGlobalComponent(TComponent* Component) {
  std::lock_guard<std::mutex> Lock(GlobalLock);
  auto& List = GlobalComponents();
  List.erase(std::remove(List.begin(), List.end(), Component), List.end());
  Component->FGlobal = false;
}

TComponent* FindGlobalComponent(std::string_view AName) {
  std::lock_guard<std::mutex> Lock(GlobalLock);
  for (TComponent* C : GlobalComponents())
    if (Utf8CompareText(C->Name(), AName) == 0) return C;
  return nullptr;
}

} // namespace rt
