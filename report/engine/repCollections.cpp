#include "report/engine/repCollections.h"

#include <algorithm>
#include <climits>

std::string TrepCollectionItem::GetInheritedName() const { return "repUIN" + std::to_string(FUniqueIndex); }

void TrepCollectionItem::CreateUniqueIName(rt::TCollection* ACollection) {
  int Lo = INT_MAX, Hi = 1;
  bool Any = false;
  for (int I = 0; ACollection != nullptr && I < ACollection->Count(); ++I) {
    auto* Item = dynamic_cast<TrepCollectionItem*>(ACollection->Items(I));
    if (Item == nullptr || Item == this) continue;
    Any = true;
    Lo = std::min(Lo, Item->FUniqueIndex);
    Hi = std::max(Hi, Item->FUniqueIndex);
  }
  FUniqueIndex = !Any || Lo > 1 ? 1 : Hi + 1;
}

TrepCollectionItem* TrepCollection::FindByName(const std::string& Name) const {
  for (int I = 0; I < Count(); ++I)
    if (auto* Item = dynamic_cast<TrepCollectionItem*>(Items(I)); Item != nullptr && Item->GetInheritedName() == Name)
      return Item;
  return nullptr;
}

void TrepCollection::Added(rt::TCollectionItem* Item) {
  if (auto* R = dynamic_cast<TrepCollectionItem*>(Item); R != nullptr && R->IsUniqueNameStored())
    R->CreateUniqueIName(this);
}
