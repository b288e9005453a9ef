#pragma once
// Report objects as XML: one element per component named after its class, one attribute per
// published property (sub-objects as dotted names), data kept outside the published properties
// as one hex attribute "PropData". References to other objects are written as names and
// resolved once the whole tree has been read. Problems met while reading (unknown classes, bad
// values) are collected in Errors, sorted and without duplicates; reading goes on.
//
// Floats are written with the runtime's number text ('.') and read with '.' or ','.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/Collections.h"
#include "platform/rt/Streaming.h"
#include "platform/rt/TypInfo.h"
#include "report/engine/repClass.h"
#include "report/engine/repXML.h"

class TrepImagePixelBudget;

struct TrepFixupItem {
  rt::TObject* Obj = nullptr;
  const rt::TPropInfo* PropInfo = nullptr;
  // The referenced object's name as written.
  std::u16string Value;
};

using TrepGetAncestorEvent = std::function<void(const std::string& ComponentName, TrepComponent*& Ancestor)>;
using TrepGetCustomDataEvent = std::function<void(TrepXMLItem* XMLItem)>;
using TrepSaveCustomDataEvent = std::function<void(TrepXMLItem* XMLItem)>;

class TrepXMLSerializer : public rt::TObject {
public:
  // Stream (may be nullptr when only the item and string forms are used) is not owned.
  explicit TrepXMLSerializer(rt::TStream* Stream);
  ~TrepXMLSerializer() override;
  TrepXMLSerializer(const TrepXMLSerializer&) = delete;
  TrepXMLSerializer& operator=(const TrepXMLSerializer&) = delete;

  // The attribute text of Obj: properties that differ from Ancestor's (or, without one, from
  // their defaults), each preceded by a blank; Add prefixes every name.
  std::u16string ObjToXML(rt::TObject* Obj, const std::string& Add = "", rt::TObject* Ancestor = nullptr);
  // Applies an attribute text to Obj; references wait in Fixups.
  void XMLToObj(std::u16string_view S, rt::TObject* Obj);

  // Into XMLItem, or as a whole document on Stream when XMLItem is nullptr.
  void WriteRootComponent(TrepComponent* Root, bool SaveChildren = true, TrepXMLItem* XMLItem = nullptr,
                          bool Streaming = false);
  // From XMLItem, or from a document on Stream; TrepInvalidXMLException for malformed XML.
  void ReadRootComponent(TrepComponent* Root, TrepXMLItem* XMLItem = nullptr);

  // One object as a single self-closing element directly on Stream (no header).
  void WriteComponent(TrepComponent* C, TrepComponent* Ancestor = nullptr);
  TrepComponent* ReadComponent(TrepComponent* Root);
  // The class name followed by the attribute text.
  std::u16string WriteComponentStr(TrepComponent* C, TrepComponent* Ancestor = nullptr);
  // A new object of the named class owned by Root; nullptr for a blank text, rt::EClassNotFound
  // for an unregistered class. The caller owns the object when Root is nullptr.
  TrepComponent* ReadComponentStr(TrepComponent* Root, std::u16string_view S, bool DontFixup = false);
  // Applies S to Obj and resolves its references at once.
  void ReadPersistentStr(TrepComponent* Root, rt::TObject* Obj, std::u16string_view S);
  // Appends copies of the pending references; nothing when FixList is nullptr.
  void CopyFixupList(std::vector<TrepFixupItem>* FixList) const;

  rt::TStringList& Errors() { return *FErrors; }
  TrepComponent* Owner() const { return FOwner; }
  void SetOwner(TrepComponent* Value) { FOwner = Value; }
  rt::TStream* Stream() const { return FStream; }
  const std::vector<TrepFixupItem>& Fixups() const { return FFixups; }
  bool OldFormat() const { return FOldFormat; }
  void SetOldFormat(bool Value) { FOldFormat = Value; }

  bool SerializeDefaultValues = false;
  bool SaveAncestorOnly = false;
  bool IgnoreName = false;
  bool HandleNestedProperties = false;
  // Attributes that name no property of their object are listed in Errors (templates).
  bool ReportUnknownProperties = false;
  TrepGetAncestorEvent OnGetAncestor;
  TrepGetCustomDataEvent OnGetCustomDataEvent;
  TrepSaveCustomDataEvent OnSaveCustomDataEvent;
  // Pictures read are counted against this (when set); those beyond it are left out.
  TrepImagePixelBudget* ImagePixels = nullptr;

private:
  void WriteElement(TrepComponent* C, TrepXMLItem* Item, bool IsRoot, bool SaveChildren, bool Streaming);
  void ReadElement(TrepXMLItem* Item, TrepComponent* Parent, TrepComponent* Root,
                   std::vector<TrepComponent*>& Loaded);
  void WriteProperty(std::u16string& Out, rt::TObject* Obj, rt::TObject* Ancestor, const rt::TPropInfo& P,
                     const std::string& Add);
  void WriteDefinedProperties(std::u16string& Out, rt::TObject* Obj, rt::TObject* Ancestor, const std::string& Add);
  void ApplyAttribute(rt::TObject* Obj, const std::string& Name, std::u16string_view Value);
  void ReadPropData(rt::TObject* Target, std::u16string_view Value);
  void ReadPicture(gfx::TPicture& Picture, std::u16string_view Value);
  void UnknownProperty(rt::TObject* Obj, const std::string& FullName);
  TrepComponent* FindByName(const std::string& Name);
  void ResolveFixups(bool DontFixup);
  void AddError(const std::string& Text);

  rt::TStream* FStream;
  TrepComponent* FOwner = nullptr;
  std::unique_ptr<rt::TStringList> FErrors;
  std::vector<TrepFixupItem> FFixups;
  bool FOldFormat = false;
};

// Collections as child elements: an element Name under ParentItem with one "item" child per
// item. Items of a named collection carry the inherited name of their ancestor item (when
// Ancestor has one) and, when they store it, their unique index "uin". References inside the
// items are resolved against Component's report.
void WriteCollectionToXML(rt::TCollection* Collection, const std::string& Name, TrepXMLItem* ParentItem,
                          rt::TCollection* Ancestor, TrepComponent* Component);
// Appends one new item per child element. With MatchInherited (an inherited report reading its
// differences) an element whose InheritedName names an item already there is read onto it.
void ReadCollectionFromXML(rt::TCollection* Collection, TrepXMLItem* Item, TrepComponent* Component,
                           bool MatchInherited = false);

// Collections inside a component stream. While Component is being saved as XML the items travel
// as their attribute texts in a list; otherwise in the standard collection form. Reading takes
// either form; items of the standard form get their old-style 8-bit escapes (character 1
// followed by c for c + 128) turned back into characters, in every string property except
// Unicode ones.
void WriteCollectionToStream(rt::TCollection* Collection, rt::TWriter& Writer, TrepComponent* Component);
void ReadCollectionFromStream(rt::TCollection* Collection, rt::TReader& Reader, TrepComponent* Component);
// True while a serialiser writes Component (its own properties and defined data).
bool IsWritingXML(const rt::TObject* Component);
