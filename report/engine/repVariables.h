#pragma once
// The report's named variables. A variable whose name begins with a blank heads a category: the
// variables after it, up to the next header, belong to that category. The list is stored as
// XML: a root "variables" with one "item" element per variable carrying Name and Value.
#include <string>
#include <string_view>

#include "platform/rt/Classes.h"
#include "platform/rt/TypInfo.h"
#include "platform/rt/Variants.h"
#include "report/engine/repCollections.h"
#include "report/engine/repXML.h"

class TrepVariable : public TrepCollectionItem {
public:
  RT_CLASS_INFO(TrepVariable)
  explicit TrepVariable(rt::TCollection* ACollection) : TrepCollectionItem(ACollection) {}

  // The variable's name, or the inherited form when the name is empty.
  std::string GetInheritedName() const override;
  // Copies name, value and inherited flag from another variable; other sources are ignored.
  void Assign(const rt::TObject* Source);

  std::string Name;
  rt::Variant Value = rt::Variant::Null();
};

class TrepVariables : public TrepCollection {
public:
  TrepVariables();

  TrepVariable* Add() { return static_cast<TrepVariable*>(TrepCollection::Add()); }
  TrepVariable* Insert(int Index) { return static_cast<TrepVariable*>(TrepCollection::Insert(Index)); }
  TrepVariable* Items(int Index) const { return static_cast<TrepVariable*>(TrepCollection::Items(Index)); }
  // The first variable of that name, letter case ignored; -1 when none.
  int IndexOf(std::string_view Name) const;
  // Null when there is no such variable.
  rt::Variant Variables(std::string_view Name) const;
  // Replaces the value, or appends a new variable.
  void SetVariables(std::string_view Name, const rt::Variant& Value);

  // Into the category's place (after its last variable); an existing variable of that name only
  // gets the value; nothing when the category has no header.
  void AddVariable(std::string_view ACategory, std::string_view AName, const rt::Variant& AValue);
  void DeleteCategory(std::string_view Name);
  void DeleteVariable(std::string_view Name);
  void GetCategoriesList(rt::TStrings& List, bool ClearList = true) const;
  // An empty Category lists the variables before the first header.
  void GetVariablesList(std::string_view Category, rt::TStrings& List) const;

  // Loading replaces the whole list; malformed XML raises TrepInvalidXMLException, a file that
  // cannot be opened or created the runtime's file error.
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(rt::TStream& Stream);
  void LoadFromXMLItem(TrepXMLItem* Item, bool OldXMLFormat);
  void SaveToFile(const std::string& FileName) const;
  void SaveToStream(rt::TStream& Stream) const;
  void SaveToXMLItem(TrepXMLItem* Item) const;

private:
  // Position of the category's header; -1 when none.
  int FindCategory(std::string_view Category) const;
};

// A small name-to-value map for scripts, indexed by any value's text.
class TrepArray : public rt::TCollection {
public:
  TrepArray();
  TrepVariable* Items(int Index) const { return static_cast<TrepVariable*>(rt::TCollection::Items(Index)); }
  int IndexOf(const rt::Variant& Name) const;
  rt::Variant Variables(const rt::Variant& Index) const;
  void SetVariables(const rt::Variant& Index, const rt::Variant& Value);
};
