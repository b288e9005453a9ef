#pragma once
// Collections whose items keep a stable name, so that a report inheriting from another can match
// its items with the ancestor's.
#include <string>

#include "platform/rt/Collections.h"
#include "platform/rt/Streaming.h"

class TrepCollection;

class TrepCollectionItem : public rt::TCollectionItem {
public:
  explicit TrepCollectionItem(rt::TCollection* ACollection) : rt::TCollectionItem(ACollection) {}

  // "repUIN" and the unique index.
  virtual std::string GetInheritedName() const;
  virtual void SetInheritedName(const std::string& Value) { (void)Value; }
  // Items saying True get a unique index when a collection's Add or Insert makes them.
  virtual bool IsUniqueNameStored() const { return false; }
  // 1 for an empty collection or one whose smallest index is above 1; otherwise one more than
  // the largest index. This item itself does not count.
  void CreateUniqueIName(rt::TCollection* ACollection);

  bool IsInherited() const { return FIsInherited; }
  void SetIsInherited(bool Value) { FIsInherited = Value; }
  std::string InheritedName() const { return GetInheritedName(); }
  int UniqueIndex() const { return FUniqueIndex; }
  void SetUniqueIndex(int Value) { FUniqueIndex = Value; }

protected:
  int FUniqueIndex = 0;
  bool FIsInherited = false;
};

class TrepCollection : public rt::TCollection {
public:
  using rt::TCollection::TCollection;

  // Hooks for descendants that store extra data; nothing here.
  virtual void SerializeProperties(rt::TWriter& Writer, TrepCollection* Ancestor, rt::TObject* Owner) {
    (void)Writer, (void)Ancestor, (void)Owner;
  }
  virtual void DeserializeProperties(const std::string& PropName, rt::TReader& Reader, TrepCollection* Ancestor) {
    (void)PropName, (void)Reader, (void)Ancestor;
  }
  // The first item whose inherited name equals Name exactly; nullptr when none.
  virtual TrepCollectionItem* FindByName(const std::string& Name) const;

protected:
  void Added(rt::TCollectionItem* Item) override;
};
