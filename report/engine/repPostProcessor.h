#pragma once
// The post-processing dictionary of a report run: objects whose content is final only later (a
// total above the rows it sums) or that merge repeated values keep, in the prepared pages, an
// index into this dictionary instead of their text. One entry per named template object holds
// the values it produced, one per print.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/Variants.h"
#include "report/engine/repClass.h"
#include "report/engine/repUnicodeUtils.h"

class TrepPostProcessor;
class TrepXMLItem;

// The values of one object. A value's object slot marks it final; a value that is not final
// reads as empty until the post-processor computes it.
class TrepMacrosItem : public rt::TObject {
public:
  TrepMacrosItem() = default;
  // Appends S (final when AObject is set) and returns its index. With bSupressed, a value equal
  // to the last one shares its slot unless NeedReset is set.
  int AddObject(const std::u16string& S, rt::TObject* AObject, bool bSupressed);
  int Count() const { return FItems.Count(); }
  std::u16string Item(int Index) const;
  void SetItem(int Index, const std::u16string& Value);
  TrepWideStrings& Items() { return FItems; }

  rt::Variant SupressedValue = rt::Variant::Null();
  int LastIndex = -1;
  TrepComponent* Component = nullptr;      // the last prepared object showing this entry's value
  TrepComponent* BaseComponent = nullptr;  // the template object
  std::string BandName;
  bool NeedReset = false;
  TrepProcessAtMode ProcessAt = paDefault;
  int GroupLevel = 0, DataLevel = 0;
  TrepPostProcessor* Parent = nullptr;  // nullptr for entries read from a file

private:
  TrepWideStrings FItems;
};

class TrepPostProcessor : public rt::TObject {
public:
  TrepPostProcessor();
  ~TrepPostProcessor() override;
  TrepPostProcessor(const TrepPostProcessor&) = delete;
  TrepPostProcessor& operator=(const TrepPostProcessor&) = delete;

  void Clear();
  // Adds a value for the object Name; the index of the value (or of the repeated one).
  int Add(const std::string& BandName, const std::string& Name, const std::u16string& Content,
          TrepProcessAtMode ProcessMode, TrepComponent* aComponent, bool bSupressed, bool bEmpty);
  void EnterGroup() { ++FGroupLevel; }
  void LeaveGroup() { FGroupLevel = FGroupLevel > 0 ? FGroupLevel - 1 : 0; }
  void EnterData() { ++FDataLevel; }
  void LeaveData() { FDataLevel = FDataLevel > 0 ? FDataLevel - 1 : 0; }
  // The values of an object; nullptr when it has none.
  TrepWideStrings* GetMacroList(const std::string& MacroName);
  TrepMacrosItem* Find(const std::string& Name) const;
  // A prepared object takes its content from its entry; True when it repeats the previous one
  // and was freed (the caller must not use it any more).
  bool LoadValue(TrepComponent* aComponent);
  void SaveToXML(TrepXMLItem* Item) const;
  // Replaces nothing: entries are added; Item loses its children. A value whose text cannot be
  // read keeps its slot, empty, with a line in Errors (when given).
  void LoadFromXML(TrepXMLItem* Item, rt::TStrings* Errors = nullptr);
  void ResetSuppressed();
  void ResetDuplicates(const std::string& BandName);
  // Recomputes every waiting entry whose moment is ProcessMode.
  void ProcessExpressions(TrepReport* AReport, TrepBand* ABand, TrepProcessAtMode ProcessMode);
  // Recomputes the first waiting entry of aComponent.
  void ProcessObject(TrepReport* AReport, TrepComponent* aComponent);

  bool Processing() const { return FProcessing; }
  int GroupLevel() const { return FGroupLevel; }
  int DataLevel() const { return FDataLevel; }
  int EntryCount() const { return static_cast<int>(FMacroses.size()); }

private:
  // ASCII letter case ignored, as object names are compared.
  struct TNameLess {
    bool operator()(const std::string& A, const std::string& B) const;
  };
  void Process(TrepReport* AReport, TrepMacrosItem* Item);
  // Object name (letter case ignored) -> entry.
  std::map<std::string, std::unique_ptr<TrepMacrosItem>, TNameLess> FMacroses;
  std::vector<TrepMacrosItem*> FProcessList;
  int FGroupLevel = 0, FDataLevel = 0;
  bool FProcessing = false;
};
