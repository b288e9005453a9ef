#include "report/engine/repVariables.h"

#include <memory>

#include "platform/rt/Unicode.h"
#include "report/engine/repXMLSerializer.h"

namespace {

bool IsHeader(const TrepVariable* V) { return !V->Name.empty() && V->Name[0] == ' '; }

bool SameText(std::string_view A, std::string_view B) { return rt::Utf8CompareText(A, B) == 0; }

} // namespace

rt::TClass TrepVariable::ClassInfo() {
  rt::TPropInfo Value("Value", rt::tkVariant, "Variant");
  Value.Get = [](rt::TObject* O) { return static_cast<TrepVariable*>(O)->Value; };
  Value.Set = [](rt::TObject* O, const rt::Variant& V) { static_cast<TrepVariable*>(O)->Value = V; };
  static const rt::TClassInfo Info("TrepVariable", rt::TObject::ClassInfo(), {},
      {rt::TPropInfo::Field<TrepVariable>("Name", rt::tkUString, "", &TrepVariable::Name), Value});
  return &Info;
}

std::string TrepVariable::GetInheritedName() const {
  return Name.empty() ? TrepCollectionItem::GetInheritedName() : Name;
}

void TrepVariable::Assign(const rt::TObject* Source) {
  if (auto* S = dynamic_cast<const TrepVariable*>(Source)) {
    Name = S->Name;
    Value = S->Value;
    FIsInherited = S->FIsInherited;
  }
}

TrepVariables::TrepVariables() : TrepCollection([](rt::TCollection* C) { return new TrepVariable(C); }) {}

int TrepVariables::IndexOf(std::string_view Name) const {
  for (int I = 0; I < Count(); ++I)
    if (SameText(Items(I)->Name, Name)) return I;
  return -1;
}

rt::Variant TrepVariables::Variables(std::string_view Name) const {
  const int I = IndexOf(Name);
  return I < 0 ? rt::Variant::Null() : Items(I)->Value;
}

void TrepVariables::SetVariables(std::string_view Name, const rt::Variant& Value) {
  const int I = IndexOf(Name);
  TrepVariable* V = I < 0 ? Add() : Items(I);
  if (I < 0) V->Name = Name;
  V->Value = Value;
}

int TrepVariables::FindCategory(std::string_view Category) const {
  const std::string Header = " " + std::string(Category);
  for (int I = 0; I < Count(); ++I)
    if (IsHeader(Items(I)) && SameText(Items(I)->Name, Header)) return I;
  return -1;
}

void TrepVariables::AddVariable(std::string_view ACategory, std::string_view AName, const rt::Variant& AValue) {
  int At = FindCategory(ACategory);
  if (At < 0) return;
  for (++At; At < Count() && !IsHeader(Items(At));) ++At;
  if (const int I = IndexOf(AName); I >= 0) {
    Items(I)->Value = AValue;
    return;
  }
  TrepVariable* V = At >= Count() ? Add() : Insert(At);
  V->Name = AName;
  V->Value = AValue;
}

void TrepVariables::DeleteCategory(std::string_view Name) {
  const int At = FindCategory(Name);
  if (At < 0) return;
  Delete(At);
  while (At < Count() && !IsHeader(Items(At))) Delete(At);
}

void TrepVariables::DeleteVariable(std::string_view Name) {
  if (const int I = IndexOf(Name); I >= 0) Delete(I);
}

void TrepVariables::GetCategoriesList(rt::TStrings& List, bool ClearList) const {
  if (ClearList) List.Clear();
  for (int I = 0; I < Count(); ++I)
    if (IsHeader(Items(I))) List.Add(Items(I)->Name.substr(1, 255));
}

void TrepVariables::GetVariablesList(std::string_view Category, rt::TStrings& List) const {
  List.Clear();
  int I = 0;
  if (!Category.empty()) {
    I = FindCategory(Category);
    if (I < 0) return;
    ++I;
  }
  for (; I < Count() && !Items(I)->Name.empty() && !IsHeader(Items(I)); ++I) List.Add(Items(I)->Name);
}

void TrepVariables::LoadFromFile(const std::string& FileName) {
  rt::TFileStream Stream(FileName, rt::fmOpenRead);
  LoadFromStream(Stream);
}

void TrepVariables::LoadFromStream(rt::TStream& Stream) {
  Clear();
  TrepXMLDocument Doc;
  Doc.LoadFromStream(Stream);
  if (SameText(Doc.Root()->Name(), "variables")) LoadFromXMLItem(Doc.Root(), Doc.OldVersion());
}

void TrepVariables::LoadFromXMLItem(TrepXMLItem* Item, bool OldXMLFormat) {
  Clear();
  TrepXMLSerializer S(nullptr);
  S.SetOldFormat(OldXMLFormat);
  for (int I = 0; I < Item->Count(); ++I)
    if (SameText(Item->Items(I)->Name(), "item")) S.XMLToObj(Item->Items(I)->Text(), Add());
}

void TrepVariables::SaveToFile(const std::string& FileName) const {
  rt::TFileStream Stream(FileName, rt::fmCreate);
  SaveToStream(Stream);
}

void TrepVariables::SaveToStream(rt::TStream& Stream) const {
  TrepXMLDocument Doc;
  Doc.SetAutoIndent(true);
  Doc.Root()->SetName("variables");
  SaveToXMLItem(Doc.Root());
  Doc.SaveToStream(Stream);
}

void TrepVariables::SaveToXMLItem(TrepXMLItem* Item) const {
  TrepXMLSerializer S(nullptr);
  for (int I = 0; I < Count(); ++I) Item->Add("item")->SetText(S.ObjToXML(Items(I)));
}

TrepArray::TrepArray() : rt::TCollection([](rt::TCollection* C) { return new TrepVariable(C); }) {}

int TrepArray::IndexOf(const rt::Variant& Name) const {
  const std::string N = rt::VarToStr(Name);
  for (int I = 0; I < Count(); ++I)
    if (SameText(Items(I)->Name, N)) return I;
  return -1;
}

rt::Variant TrepArray::Variables(const rt::Variant& Index) const {
  const int I = IndexOf(Index);
  return I < 0 ? rt::Variant::Null() : Items(I)->Value;
}

void TrepArray::SetVariables(const rt::Variant& Index, const rt::Variant& Value) {
  const int I = IndexOf(Index);
  TrepVariable* V = I < 0 ? static_cast<TrepVariable*>(Add()) : Items(I);
  if (I < 0) V->Name = rt::VarToStr(Index);
  V->Value = Value;
}
