#pragma once
// Collections of the runtime layer: an ordered list of items that belong to it. An item joins
// the collection it is made with and leaves it when it is freed; the collection frees the items
// left in it.
#include <functional>
#include <vector>

#include "platform/rt/Classes.h"

namespace rt {

class TCollection;

class TCollectionItem : public TObject {
public:
  static const TClassInfo* ClassInfo();
  const TClassInfo* ClassType() const override { return ClassInfo(); }
  // Appends the item to ACollection (may be nullptr).
  explicit TCollectionItem(TCollection* ACollection);
  ~TCollectionItem() override;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;

  TCollection* Collection() const { return FCollection; }
  // Position in the collection; -1 outside one.
  int Index() const;

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
};

class TCollection : public TObject {
public:
  static const TClassInfo* ClassInfo();
  const TClassInfo* ClassType() const override { return ClassInfo(); }
  // Makes an item of the collection's item class in the given collection.
  using TItemFactory = std::function<TCollectionItem*(TCollection*)>;
  explicit TCollection(TItemFactory ItemFactory);
  ~TCollection() override;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  // A new item at the end.
  TCollectionItem* Add();
  // A new item at Index (0 to Count).
  TCollectionItem* Insert(int Index);
  // Frees the item at Index; EListError for a bad index.
  void Delete(int Index);
  void Clear();
  int Count() const { return static_cast<int>(FItems.size()); }
  // EListError for a bad index.
  TCollectionItem* Items(int Index) const;

protected:
  // A new item made by Add or Insert, complete and in the list.
  virtual void Added(TCollectionItem* Item) { (void)Item; }

private:
  friend class TCollectionItem;
  TItemFactory FItemFactory;
  std::vector<TCollectionItem*> FItems;
};

} // namespace rt
