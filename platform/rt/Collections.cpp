#include "platform/rt/Collections.h"

#include <algorithm>
#include <string>

#include "platform/rt/SysUtils.h"

namespace rt {

TCollectionItem::TCollectionItem(TCollection* ACollection) : FCollection(ACollection) {
  if (ACollection != nullptr) ACollection->FItems.push_back(this);
}

TCollectionItem::~TCollectionItem() {
  if (FCollection != nullptr) {
    auto& L = FCollection->FItems;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
  }
}

int TCollectionItem::Index() const {
  if (FCollection == nullptr) return -1;
  const auto& L = FCollection->FItems;
  auto It = std::find(L.begin(), L.end(), this);
  return It == L.end() ? -1 : static_cast<int>(It - L.begin());
}

TCollection::TCollection(TItemFactory ItemFactory) : FItemFactory(std::move(ItemFactory)) {}

TCollection::~TCollection() { Clear(); }

TCollectionItem* TCollection::Add() {
  TCollectionItem* Item = FItemFactory(this);
  Added(Item);
  return Item;
}

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  TCollectionItem* Item = FItemFactory(this);
  FItems.pop_back();
  FItems.insert(FItems.begin() + Index, Item);
  Added(Item);
  return Item;
}

void TCollection::Delete(int Index) { delete Items(Index); }

void TCollection::Clear() {
  while (!FItems.empty()) delete FItems.back();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FItems[static_cast<std::size_t>(Index)];
}

} // namespace rt
