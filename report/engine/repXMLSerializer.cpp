#include "report/engine/repXMLSerializer.h"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/gfx/Picture.h"
#include "report/engine/repPictureCache.h"

#include "platform/rt/Components.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repCollections.h"
#include "report/engine/repRes.h"
#include "report/engine/repUnicodeUtils.h"
#include "report/engine/repUtils.h"

namespace {

std::u16string U16(std::string_view S) { return rt::Utf8ToUtf16(S); }
std::string U8(std::u16string_view S) { return rt::Utf16ToUtf8(S); }

void AddAttr(std::u16string& Out, const std::string& Name, std::u16string_view Value) {
  if (Value.empty()) return;
  Out += u' ';
  Out += U16(Name);
  Out += u"=\"";
  Out += Value;
  Out += u'"';
}

// An attribute written even when empty: the value differs from a new object's.
void AddEmptyAttr(std::u16string& Out, const std::string& Name) {
  Out += u' ';
  Out += U16(Name);
  Out += u"=\"\"";
}

// The value a new object of the class has for P; Empty when the class cannot make one. One
// object per class is made on first use and kept, read-only, for the process.
rt::Variant NewObjectValue(rt::TClass Class, const rt::TPropInfo& P) {
  static std::mutex Lock;
  // Never freed: the objects live to the end of the process, whose exit must not run their
  // destructors after the registries they use are gone.
  static auto* const Instances = new std::map<rt::TClass, rt::TObject*>;
  rt::TObject* Obj = nullptr;
  {
    std::lock_guard<std::mutex> Guard(Lock);
    auto It = Instances->find(Class);
    if (It == Instances->end()) {
      rt::TObject* Made = nullptr;
      try {
        Made = Class->NewInstance();
      } catch (const std::exception&) {
        Made = nullptr;
      }
      It = Instances->emplace(Class, Made).first;
    }
    Obj = It->second;
  }
  if (Obj == nullptr || !P.Get) return rt::Variant();
  try {
    return P.Get(Obj);
  } catch (const std::exception&) {
    return rt::Variant();
  }
}

// Pictures travel as one hex attribute: the graphic's class name (a length byte and the name),
// then the graphic in its own format.
std::u16string PictureToHex(const gfx::TPicture& Picture) {
  rt::TMemoryStream Data;
  const std::string Class = Picture.Graphic()->ClassName();
  const unsigned char Len = static_cast<unsigned char>(std::min<std::size_t>(Class.size(), 255));
  Data.WriteBuffer(&Len, 1);
  Data.WriteBuffer(Class.data(), Len);
  Picture.SaveToStream(Data);
  Data.SetPosition(0);
  return U16(StreamToHex(Data));
}

std::u16string WithoutTrailingCrLf(std::u16string S) {
  if (S.size() >= 2 && S.compare(S.size() - 2, 2, u"\r\n") == 0) S.resize(S.size() - 2);
  return S;
}

std::int64_t ParseInt64(const std::string& S) {
  const std::string T = rt::Trim(S);
  std::int64_t V = 0;
  const char* B = T.data();
  const char* E = T.data() + T.size();
  if (B != E && *B == '+') ++B;
  auto [P, Ec] = std::from_chars(B, E, V);
  if (Ec == std::errc() && P == E && B != E) return V;
  return rt::StrToInt(T);  // hexadecimal forms, or the runtime's conversion error
}

// The ordinal value of a property; Booleans as 0 and 1 (the Variant rules make True -1).
long long Ordinal(const rt::Variant& V) { return V.IsBoolean() ? (V.ToBoolean() ? 1 : 0) : V.ToInt64(); }

std::u16string VariantText(const rt::Variant& V) {
  if (V.IsEmpty() || V.IsNull()) return {};
  return V.ToUString();
}

// Sets the writing flag of report objects for the time of one ObjToXML (also on failure).
class TWritingMark {
public:
  void Add(rt::TObject* Obj) {
    if (auto* C = dynamic_cast<TrepComponent*>(Obj)) {
      C->SetIsWriting(true);
      FMarked.push_back(C);
    }
  }
  ~TWritingMark() {
    for (TrepComponent* C : FMarked) C->SetIsWriting(false);
  }

private:
  std::vector<TrepComponent*> FMarked;
};

bool HandlesNested(rt::TObject* Obj) {
  auto* C = dynamic_cast<TrepComponent*>(Obj);
  return C != nullptr && C->frComponentStyle.Contains(csHandlesNestedProperties);
}

} // namespace

bool IsWritingXML(const rt::TObject* Component) {
  auto* C = dynamic_cast<const TrepComponent*>(Component);
  return C != nullptr && C->IsWriting();
}

TrepXMLSerializer::TrepXMLSerializer(rt::TStream* Stream)
    : FStream(Stream), FErrors(std::make_unique<rt::TStringList>()) {
  FErrors->Duplicates = rt::dupIgnore;
  FErrors->SetSorted(true);
}

TrepXMLSerializer::~TrepXMLSerializer() = default;

void TrepXMLSerializer::AddError(const std::string& Text) { FErrors->Add(Text); }

// ---- Writing ----

std::u16string TrepXMLSerializer::ObjToXML(rt::TObject* Obj, const std::string& Add, rt::TObject* Ancestor) {
  std::u16string Out;
  if (Obj == nullptr) return Out;
  TWritingMark Mark;
  if (auto* C = dynamic_cast<TrepComponent*>(Obj)) {
    Mark.Add(C);
    if (Ancestor == nullptr && OnGetAncestor) {
      TrepComponent* A = nullptr;
      OnGetAncestor(C->Name(), A);
      Ancestor = A;
    }
    Mark.Add(Ancestor);
    if (SaveAncestorOnly && dynamic_cast<TrepComponent*>(Ancestor) != nullptr) Obj = Ancestor;
  }
  // A component's name is written by the element, not as a property.
  const bool IsComponent = dynamic_cast<rt::TComponent*>(Obj) != nullptr;
  for (const rt::TPropInfo* P : Obj->ClassType()->PublishedProperties()) {
    if (!P->Get) continue;
    if (IsComponent && rt::Utf8CompareText(P->Name, "Name") == 0) continue;
    if (P->Stored && !P->Stored(Obj)) continue;
    WriteProperty(Out, Obj, Ancestor, *P, Add);
  }
  WriteDefinedProperties(Out, Obj, Ancestor, Add);
  return Out;
}

void TrepXMLSerializer::WriteProperty(std::u16string& Out, rt::TObject* Obj, rt::TObject* Ancestor,
                                      const rt::TPropInfo& P, const std::string& Add) {
  // The ancestor must have the property too (it may be of another class).
  const bool HasAnc = Ancestor != nullptr && (Ancestor->ClassType() == Obj->ClassType() ||
                                              Ancestor->ClassType()->FindProperty(P.Name) == &P);
  const std::string Name = Add + P.Name;
  const rt::Variant V = P.Get(Obj);
  switch (P.Kind) {
    case rt::tkInteger: case rt::tkChar: case rt::tkSet: case rt::tkWChar: case rt::tkInt64:
    case rt::tkEnumeration: {
      const long long I = Ordinal(V);
      if (!SerializeDefaultValues) {
        if (HasAnc ? I == Ordinal(P.Get(Ancestor)) : (P.Default && *P.Default == I)) return;
      }
      std::string Text = P.Kind == rt::tkEnumeration ? P.EnumName(I) : std::string();
      if (Text.empty()) Text = std::to_string(I);
      AddAttr(Out, Name, U16(Text));
      return;
    }
    case rt::tkFloat: {
      const double D = V.ToDouble();
      if (!SerializeDefaultValues && HasAnc && std::fabs(D - P.Get(Ancestor).ToDouble()) < 1e-6) return;
      AddAttr(Out, Name, U16(rt::FloatToStr(D)));
      return;
    }
    case rt::tkString: case rt::tkLString: case rt::tkWString: case rt::tkUString: {
      const std::u16string S = V.ToUString();
      if (!SerializeDefaultValues && HasAnc && S == P.Get(Ancestor).ToUString()) return;
      if (S.empty()) {
        // An empty text is the usual default; one a new object would not have must be written.
        const rt::Variant Fresh = HasAnc ? P.Get(Ancestor) : NewObjectValue(Obj->ClassType(), P);
        if (!Fresh.IsEmpty() && !Fresh.IsNull() && !Fresh.ToUString().empty()) AddEmptyAttr(Out, Name);
        return;
      }
      AddAttr(Out, Name, EscapeXMLText(S));
      return;
    }
    case rt::tkVariant: {
      const std::u16string S = VariantText(V);
      if (!SerializeDefaultValues && HasAnc) {
        const rt::Variant A = P.Get(Ancestor);
        if (A.VarType() == V.VarType() && VariantText(A) == S) return;
      }
      AddAttr(Out, Name, EscapeXMLText(S));
      return;
    }
    case rt::tkClass: {
      rt::TObject* Value = rt::VarToObject(V);
      rt::TObject* AncValue = HasAnc ? rt::VarToObject(P.Get(Ancestor)) : nullptr;
      if (Value == nullptr || dynamic_cast<rt::TComponent*>(Value) != nullptr) {
        // A reference to another component, written by name.
        auto* C = dynamic_cast<rt::TComponent*>(Value);
        auto* AC = dynamic_cast<rt::TComponent*>(AncValue);
        if (HasAnc) {
          if (C == nullptr && AC == nullptr) return;
          if (C != nullptr && AC != nullptr && rt::Utf8CompareText(C->Name(), AC->Name()) == 0) return;
          if (C == nullptr) {
            AddAttr(Out, Name, u"nil");
            return;
          }
        }
        if (C != nullptr) AddAttr(Out, Name, EscapeXMLText(U16(ComponentFullName(FOwner, C))));
        return;
      }
      if (auto* L = dynamic_cast<rt::TStrings*>(Value)) {
        const std::u16string T = WithoutTrailingCrLf(U16(L->Text()));
        auto* AL = dynamic_cast<rt::TStrings*>(AncValue);
        if (AL != nullptr && !SaveAncestorOnly && U16(AL->Text()) == U16(L->Text())) return;
        AddAttr(Out, Name + ".Text", EscapeXMLText(T));
        return;
      }
      if (dynamic_cast<TrepWideStrings*>(Value) != nullptr) return;
      if (auto* Pic = dynamic_cast<gfx::TPicture*>(Value)) {
        if (Pic->Graphic() != nullptr && !Pic->Graphic()->Empty()) AddAttr(Out, Name + ".PropData", PictureToHex(*Pic));
        return;
      }
      Out += ObjToXML(Value, Name + ".", AncValue);
      return;
    }
    default:
      return;
  }
}

void TrepXMLSerializer::WriteDefinedProperties(std::u16string& Out, rt::TObject* Obj, rt::TObject* Ancestor,
                                               const std::string& Add) {
  auto* C = dynamic_cast<rt::TComponent*>(Obj);
  if (C == nullptr || (HandleNestedProperties && HandlesNested(Obj))) return;
  rt::TMemoryStream Data;
  {
    rt::TWriter Writer(Data);
    Writer.Ancestor = Ancestor;
    C->DefineProperties(Writer);
  }
  if (Data.Size() == 0) return;
  if (auto* AC = dynamic_cast<rt::TComponent*>(Ancestor)) {
    rt::TMemoryStream AncData;
    rt::TWriter Writer(AncData);
    AC->DefineProperties(Writer);
    if (!SaveAncestorOnly && StreamChecksum(Data) == StreamChecksum(AncData)) return;
  }
  AddAttr(Out, Add + "PropData", U16(StreamToHex(Data)));
}

void TrepXMLSerializer::WriteElement(TrepComponent* C, TrepXMLItem* Item, bool IsRoot, bool SaveChildren,
                                     bool Streaming) {
  TrepComponent* Ancestor = nullptr;
  // Only a report writing its own file knows its ancestors; a copy of part of an inherited
  // report (a page for the prepared pages, Assign) is written whole, or its objects would be
  // looked for by name where they are not.
  if (C->IsAncestor() && !Streaming && OnGetAncestor) {
    Item->SetName("inherited");
    OnGetAncestor(C->Name(), Ancestor);
  } else {
    Item->SetName(C->ClassName());
  }
  std::u16string Text;
  if (!IsRoot && !IgnoreName) Text = u"Name=\"" + EscapeXMLText(U16(C->Name())) + u"\"";
  Text += ObjToXML(C, "", Ancestor);
  Item->SetText(Text);
  if (HandleNestedProperties && HandlesNested(C)) C->WriteNestedProperties(Item, Ancestor);
  if (SaveChildren)
    for (TrepComponent* Child : C->Objects()) WriteElement(Child, Item->Add(), false, true, Streaming);
}

void TrepXMLSerializer::WriteRootComponent(TrepComponent* Root, bool SaveChildren, TrepXMLItem* XMLItem,
                                           bool Streaming) {
  if (FOwner == nullptr) FOwner = Root;
  std::unique_ptr<TrepXMLDocument> Doc;
  if (XMLItem == nullptr) {
    if (FStream == nullptr) throw rt::Exception("No stream to write the report to");
    Doc = std::make_unique<TrepXMLDocument>();
    Doc->SetAutoIndent(true);
    XMLItem = Doc->Root();
  }
  WriteElement(Root, XMLItem, true, SaveChildren, Streaming);
  if (OnSaveCustomDataEvent) OnSaveCustomDataEvent(XMLItem->Add("RepCustomData"));
  if (Doc) Doc->SaveToStream(*FStream);
}

std::u16string TrepXMLSerializer::WriteComponentStr(TrepComponent* C, TrepComponent* Ancestor) {
  return U16(C->ClassName()) + ObjToXML(C, "", Ancestor);
}

void TrepXMLSerializer::WriteComponent(TrepComponent* C, TrepComponent* Ancestor) {
  if (FStream == nullptr) throw rt::Exception("No stream to write the object to");
  const std::string S = "<" + U8(WriteComponentStr(C, Ancestor)) + "/>";
  FStream->WriteBuffer(S.data(), static_cast<std::int64_t>(S.size()));
}

// ---- Reading ----

void TrepXMLSerializer::XMLToObj(std::u16string_view S, rt::TObject* Obj) {
  std::size_t I = 0;
  while (I < S.size()) {
    while (I < S.size() && S[I] <= u' ') ++I;
    const std::size_t Eq = S.find(u'=', I);
    if (Eq == std::u16string_view::npos) return;
    std::u16string_view NameText = S.substr(I, Eq - I);
    while (!NameText.empty() && NameText.back() <= u' ') NameText.remove_suffix(1);
    if (NameText.empty()) return;
    const std::size_t Q1 = S.find(u'"', Eq);
    if (Q1 == std::u16string_view::npos) return;
    std::size_t Q2 = S.find(u'"', Q1 + 1);
    const std::u16string_view Value = S.substr(Q1 + 1, Q2 == std::u16string_view::npos ? S.npos : Q2 - Q1 - 1);
    I = Q2 == std::u16string_view::npos ? S.size() : Q2 + 1;
    try {
      ApplyAttribute(Obj, U8(NameText), Value);
    } catch (const std::exception& E) {
      AddError(E.what());
    }
  }
}

void TrepXMLSerializer::ApplyAttribute(rt::TObject* Obj, const std::string& FullName, std::u16string_view Value) {
  if (Obj == nullptr) return;
  rt::TObject* Target = Obj;
  std::string Name = FullName;
  for (std::size_t Dot; (Dot = Name.find('.')) != std::string::npos;) {
    const rt::TPropInfo* P = Target->ClassType()->FindProperty(Name.substr(0, Dot));
    rt::TObject* Sub = P != nullptr && P->Kind == rt::tkClass && P->Get ? rt::VarToObject(P->Get(Target)) : nullptr;
    // A segment that is no sub-object: the rest names nothing.
    if (Sub == nullptr) {
      if (P == nullptr) UnknownProperty(Obj, FullName);
      return;
    }
    Target = Sub;
    Name.erase(0, Dot + 1);
  }
  // Names are compared before types: a failing type test walks the class tree, and a template
  // sets thousands of attributes.
  auto* Comp = Name.size() == 1 && std::string_view("ltwh").find(Name[0]) != std::string_view::npos
                   ? dynamic_cast<TrepComponent*>(Target)
                   : nullptr;
  if (Comp != nullptr) {
    const double D = TextToFloat(U8(Value));
    switch (Name[0]) {
      case 'l': Comp->SetLeft(D); break;
      case 't': Comp->SetTop(D); break;
      case 'w': Comp->SetWidth(D); break;
      default: Comp->SetHeight(D); break;
    }
    return;
  }
  // The memo text of prepared objects, written by the compact difference form.
  if ((Name == "u" || Name == "x") && dynamic_cast<TrepCustomMemoView*>(Target) != nullptr) {
    std::u16string Raw(Value);
    // Old files held the UTF-8 bytes as 8-bit text.
    if (Name == "u" && FOldFormat) Raw = rt::Utf8ToUtf16(rt::Utf16ToAnsi(Raw));
    static_cast<TrepCustomMemoView*>(Target)->SetText(UnescapeXMLText(Raw));
    return;
  }
  if (Name == "Text") {
    if (auto* L = dynamic_cast<rt::TStrings*>(Target)) {
      L->SetText(U8(UnescapeXMLText(Value)));
      return;
    }
    if (auto* W = dynamic_cast<TrepWideStrings*>(Target)) {
      W->SetText(UnescapeXMLText(Value));
      return;
    }
  }
  // A prepared memo carries its paragraph marks as plain flags.
  if (Name == "FirstParaBreak" || Name == "LastParaBreak") {
    if (auto* Memo = dynamic_cast<TrepCustomMemoView*>(Target)) {
      (Name[0] == 'F' ? Memo->FirstParaBreak : Memo->LastParaBreak) = Value == u"1";
      return;
    }
  }
  if (Name == "PropData") {
    if (auto* Pic = dynamic_cast<gfx::TPicture*>(Target)) {
      ReadPicture(*Pic, Value);
      return;
    }
    ReadPropData(Target, Value);
    return;
  }
  if (Name == "Name") {
    if (dynamic_cast<TrepReport*>(Target) != nullptr) return;  // a report keeps its own name
    if (auto* C = dynamic_cast<rt::TComponent*>(Target)) {
      C->SetName(U8(UnescapeXMLText(Value)));
      return;
    }
  }
  const rt::TPropInfo* P = Target->ClassType()->FindProperty(Name);
  if (P == nullptr) UnknownProperty(Obj, FullName);
  if (P == nullptr || !P->Set) return;
  const std::string Text = U8(Value);
  switch (P->Kind) {
    case rt::tkInteger: case rt::tkChar: case rt::tkSet: case rt::tkWChar:
      P->Set(Target, rt::Variant(rt::StrToInt(Text)));
      return;
    case rt::tkInt64:
      P->Set(Target, rt::Variant(static_cast<long long>(ParseInt64(Text))));
      return;
    case rt::tkEnumeration: {
      int N = 0;
      if (!rt::TryStrToInt(Text, N)) N = P->EnumValue(Text);
      const bool IsBool = P->EnumNames.empty() && P->TypeName == "Boolean";
      const int Count = IsBool ? 2 : static_cast<int>(P->EnumNames.size());
      // An identifier the enumeration lacks must not leave an out-of-range value behind.
      if (N < 0 || (Count > 0 && N >= Count))
        throw rt::EConvertError("Invalid property value " + FullName + "=\"" + Text + "\"");
      if (IsBool) P->Set(Target, rt::Variant(N != 0));
      else P->Set(Target, rt::Variant(N));
      return;
    }
    case rt::tkFloat:
      P->Set(Target, rt::Variant(TextToFloat(Text)));
      return;
    case rt::tkString: case rt::tkLString: case rt::tkWString: case rt::tkUString: case rt::tkVariant:
      P->Set(Target, rt::Variant(UnescapeXMLText(Value)));
      return;
    case rt::tkClass:
      FFixups.push_back(TrepFixupItem{Target, P, UnescapeXMLText(Value)});
      return;
    default:
      return;
  }
}

TrepComponent* TrepXMLSerializer::FindByName(const std::string& Name) {
  // The tree's name index answers in log time; a walk per element would make loading quadratic.
  // Only inside a report are names unique, so that the index entry is the object.
  if (dynamic_cast<TrepReport*>(FOwner) != nullptr) {
    rt::TStringList& Index = FOwner->GetSortedObjects();
    const int I = Index.IndexOf(Name);
    auto* Found = I >= 0 ? static_cast<TrepComponent*>(Index.Objects(I)) : nullptr;
    if (Found != FOwner) return Found;
  }
  return FOwner->FindObject(Name);
}

void TrepXMLSerializer::UnknownProperty(rt::TObject* Obj, const std::string& FullName) {
  if (!ReportUnknownProperties) return;
  // Marks collection items and prepared objects carry beside their properties.
  if (FullName == "uin" || FullName == "InheritedName") return;
  AddError("Unknown property " + FullName + " of " + Obj->ClassType()->ClassName());
}

void TrepXMLSerializer::ReadPicture(gfx::TPicture& Picture, std::u16string_view Value) {
  try {
    rt::TMemoryStream Data;
    HexToStream(U8(Value), Data);
    Data.SetPosition(0);
    unsigned char Len = 0;
    if (Data.Read(&Len, 1) != 1 || Data.Size() < 1 + static_cast<std::int64_t>(Len))
      throw rt::EReadError("Picture data too short");
    Data.SetPosition(1 + Len);
    if (ImagePixels != nullptr &&
        !ImagePixels->Take(static_cast<const std::uint8_t*>(Data.Memory()) + 1 + Len,
                           static_cast<std::size_t>(Data.Size() - 1 - Len), &Errors())) {
      Picture.Clear();
      return;
    }
    Picture.LoadFromStream(Data);
  } catch (const std::exception& E) {
    Picture.Clear();
    AddError(std::string("Picture not read: ") + E.what());
  }
}

void TrepXMLSerializer::ReadPropData(rt::TObject* Target, std::u16string_view Value) {
  auto* C = dynamic_cast<rt::TComponent*>(Target);
  if (C == nullptr) return;
  try {
    rt::TMemoryStream Data;
    HexToStream(U8(Value), Data);
    Data.SetPosition(0);
    rt::TReader Reader(Data);
    while (!Reader.AtEnd()) Reader.ReadProperty([C](rt::TFiler& F) { C->DefineProperties(F); });
  } catch (const std::exception&) {
    // Damaged defined data ends this attribute only.
  }
}

void TrepXMLSerializer::ResolveFixups(bool DontFixup) {
  std::vector<TrepFixupItem> Pending;
  Pending.swap(FFixups);
  if (DontFixup) return;
  for (const TrepFixupItem& F : Pending) {
    const std::string Name = U8(F.Value);
    rt::TComponent* Found = FOwner != nullptr ? FOwner->FindObject(Name) : nullptr;
    if (Found == nullptr) {
      try {
        Found = FindComponentByPath(FOwner, Name);
      } catch (const std::exception&) {
        Found = nullptr;
      }
    }
    try {
      // "nil" clears a reference that an ancestor had set.
      if (Found != nullptr) F.PropInfo->Set(F.Obj, rt::VarFromObject(Found));
      else if (Name == "nil") F.PropInfo->Set(F.Obj, rt::VarFromObject(nullptr));
    } catch (const std::exception& E) {
      AddError(E.what());
    }
  }
}

void TrepXMLSerializer::ReadElement(TrepXMLItem* Item, TrepComponent* Parent, TrepComponent* Root,
                                    std::vector<TrepComponent*>& Loaded) {
  if (rt::Utf8CompareText(Item->Name(), "RepCustomData") == 0) {
    if (OnGetCustomDataEvent) OnGetCustomDataEvent(Item);
    return;
  }
  const bool Inherited = rt::Utf8CompareText(Item->Name(), "inherited") == 0;
  rt::TClass Class = nullptr;
  if (!Inherited) {
    Class = rt::GetClass(Item->Name());
    if (Class == nullptr) {
      AddError(ResourceTable().Get("xrCantFindClass") + " " + Item->Name());
      return;
    }
  }
  TrepComponent* Obj = Root;
  if (Parent != nullptr) {
    const std::string Name = U8(Item->GetProp("Name"));
    Obj = IgnoreName || FOwner == nullptr || Name.empty() ? nullptr : FindByName(Name);
    if (Inherited) {
      if (Obj == nullptr) return;
      // Inherited objects take the order of the file.
      TrepComponent* P = Obj->Parent();
      Obj->SetParent(nullptr);
      Obj->SetParent(P);
    } else if (Obj == nullptr) {
      std::unique_ptr<rt::TObject> New(Class->NewInstance());
      auto* C = dynamic_cast<TrepComponent*>(New.get());
      if (C == nullptr) {
        AddError(ResourceTable().Get("xrCantFindClass") + " " + Item->Name());
        return;
      }
      New.release();
      C->SetParent(Parent);
      Obj = C;
    }
  }
  Obj->SetIsLoading(true);
  XMLToObj(Item->Text(), Obj);
  Loaded.push_back(Obj);
  for (int I = 0; I < Item->Count(); ++I) {
    TrepXMLItem* Child = Item->Items(I);
    if (HandleNestedProperties && HandlesNested(Obj) && Obj->ReadNestedProperty(Child)) continue;
    ReadElement(Child, Obj, Root, Loaded);
  }
}

void TrepXMLSerializer::ReadRootComponent(TrepComponent* Root, TrepXMLItem* XMLItem) {
  if (FOwner == nullptr) FOwner = Root;
  std::vector<TrepComponent*> Loaded;
  std::unique_ptr<TrepXMLDocument> Doc;
  if (XMLItem == nullptr) {
    if (FStream == nullptr) throw rt::Exception("No stream to read the report from");
    Doc = std::make_unique<TrepXMLDocument>();
    Doc->LoadFromStream(*FStream);
    FOldFormat = Doc->OldVersion();
    XMLItem = Doc->Root();
  }
  try {
    ReadElement(XMLItem, nullptr, Root, Loaded);
    ResolveFixups(false);
  } catch (...) {
    for (TrepComponent* C : Loaded) C->SetIsLoading(false);
    throw;
  }
  for (TrepComponent* C : Loaded) {
    C->SetIsLoading(false);
    if (dynamic_cast<TrepReport*>(C) == nullptr) C->Loaded();
  }
}

TrepComponent* TrepXMLSerializer::ReadComponentStr(TrepComponent* Root, std::u16string_view S, bool DontFixup) {
  FOwner = Root;
  std::size_t B = 0, E = S.size();
  while (B < E && S[B] <= u' ') ++B;
  while (E > B && S[E - 1] <= u' ') --E;
  if (B == E) return nullptr;
  const std::u16string_view Text = S.substr(B, E - B);
  const std::size_t Blank = Text.find(u' ');
  const std::string ClassName = U8(Text.substr(0, Blank));
  rt::TClass Class = rt::FindClass(ClassName);
  std::unique_ptr<rt::TObject> New(Class->NewInstance());
  auto* C = dynamic_cast<TrepComponent*>(New.get());
  if (C == nullptr) throw rt::EClassNotFound("Class " + ClassName + " not found");
  New.release();
  if (Root != nullptr) C->SetParent(Root);
  C->SetIsLoading(true);
  try {
    XMLToObj(Blank == std::u16string_view::npos ? std::u16string_view() : Text.substr(Blank + 1), C);
  } catch (...) {
    ResolveFixups(DontFixup);
    C->SetIsLoading(false);
    throw;
  }
  ResolveFixups(DontFixup);
  C->SetIsLoading(false);
  if (dynamic_cast<TrepReport*>(C) == nullptr) C->Loaded();
  return C;
}

TrepComponent* TrepXMLSerializer::ReadComponent(TrepComponent* Root) {
  if (FStream == nullptr) throw rt::Exception("No stream to read the object from");
  TrepXMLItem Item;
  {
    TrepXMLReader Reader(*FStream);
    Reader.ReadRootItem(&Item);
  }
  return ReadComponentStr(Root, U16(Item.Name()) + u" " + Item.Text(), false);
}

void TrepXMLSerializer::ReadPersistentStr(TrepComponent* Root, rt::TObject* Obj, std::u16string_view S) {
  if (Root != nullptr) FOwner = Root;
  XMLToObj(S, Obj);
  ResolveFixups(false);
}

void TrepXMLSerializer::CopyFixupList(std::vector<TrepFixupItem>* FixList) const {
  if (FixList == nullptr) return;
  FixList->insert(FixList->end(), FFixups.begin(), FFixups.end());
}

namespace {

TrepComponent* CollectionOwner(TrepComponent* Component) {
  if (Component == nullptr) return nullptr;
  TrepComponent* R = Component->Report();
  return R != nullptr ? R : Component;
}

} // namespace

void WriteCollectionToXML(rt::TCollection* Collection, const std::string& Name, TrepXMLItem* ParentItem,
                          rt::TCollection* Ancestor, TrepComponent* Component) {
  TrepXMLItem* Parent = ParentItem->Add(Name);
  TrepXMLSerializer S(nullptr);
  S.SetOwner(CollectionOwner(Component));
  auto* Named = dynamic_cast<TrepCollection*>(Collection);
  auto* NamedAncestor = dynamic_cast<TrepCollection*>(Ancestor);
  for (int I = 0; I < Collection->Count(); ++I) {
    rt::TCollectionItem* Item = Collection->Items(I);
    auto* NamedItem = dynamic_cast<TrepCollectionItem*>(Item);
    TrepCollectionItem* AncItem = nullptr;
    std::u16string Text;
    if (Named != nullptr && NamedAncestor != nullptr && NamedItem != nullptr) {
      AncItem = NamedAncestor->FindByName(NamedItem->GetInheritedName());
      if (AncItem != nullptr)
        AddAttr(Text, "InheritedName", EscapeXMLText(U16(AncItem->GetInheritedName())));
    }
    Text += S.ObjToXML(Item, "", AncItem);
    if (Named != nullptr && NamedItem != nullptr && NamedItem->IsUniqueNameStored())
      AddAttr(Text, "uin", U16(std::to_string(NamedItem->UniqueIndex())));
    Parent->Add("item")->SetText(Text);
  }
}

void ReadCollectionFromXML(rt::TCollection* Collection, TrepXMLItem* Item, TrepComponent* Component,
                           bool MatchInherited) {
  TrepXMLSerializer S(nullptr);
  S.SetOwner(CollectionOwner(Component));
  auto* Named = dynamic_cast<TrepCollection*>(Collection);
  for (int I = 0; I < Item->Count(); ++I) {
    TrepXMLItem* Child = Item->Items(I);
    rt::TCollectionItem* New = nullptr;
    if (MatchInherited && Named != nullptr) {
      const std::u16string Inherited = Child->GetProp("InheritedName");
      if (!Inherited.empty()) New = Named->FindByName(U8(UnescapeXMLText(Inherited)));
      if (New != nullptr) {
        S.XMLToObj(Child->Text(), New);
        continue;
      }
    }
    New = Collection->Add();
    S.XMLToObj(Child->Text(), New);
    auto* NamedItem = dynamic_cast<TrepCollectionItem*>(New);
    if (Named != nullptr && NamedItem != nullptr && NamedItem->IsUniqueNameStored()) {
      const std::u16string Uin = Child->GetProp("uin");
      if (!Uin.empty()) NamedItem->SetUniqueIndex(rt::StrToIntDef(U8(Uin), NamedItem->UniqueIndex()));
    }
  }
  // The items' references wait until every item is read.
  S.ReadPersistentStr(CollectionOwner(Component), nullptr, u"");
}

// ---- Collections in a component stream ----

namespace {

void WriteItemProperties(rt::TWriter& Writer, rt::TObject* Item) {
  for (const rt::TPropInfo* P : Item->ClassType()->PublishedProperties()) {
    if (!P->Get || !P->Set || (P->Stored && !P->Stored(Item))) continue;
    const rt::Variant V = P->Get(Item);
    switch (P->Kind) {
      case rt::tkInteger: case rt::tkChar: case rt::tkSet: case rt::tkWChar: case rt::tkInt64:
      case rt::tkEnumeration: {
        const long long I = Ordinal(V);
        if (P->Default && *P->Default == I) break;
        Writer.WritePropName(P->Name);
        const std::string Ident = P->Kind == rt::tkEnumeration ? P->EnumName(I) : std::string();
        if (Ident.empty()) {
          Writer.WriteInteger(I);
        } else if (P->TypeName == "Boolean" && P->EnumNames.empty()) {
          Writer.WriteBoolean(I != 0);
        } else {
          Writer.WriteValue(rt::vaIdent);
          Writer.WriteStr(Ident);
        }
        break;
      }
      case rt::tkFloat: {
        const double D = V.ToDouble();
        Writer.WritePropName(P->Name);
        Writer.WriteValue(rt::vaDouble);
        Writer.Stream().WriteBuffer(&D, 8);
        break;
      }
      case rt::tkString: case rt::tkLString: case rt::tkWString: case rt::tkUString: {
        const std::u16string S = V.ToUString();
        if (S.empty()) break;
        Writer.WritePropName(P->Name);
        Writer.WriteString(S);
        break;
      }
      case rt::tkVariant:
        if (V.IsEmpty()) break;
        Writer.WritePropName(P->Name);
        if (V.IsNull()) Writer.WriteValue(rt::vaNull);
        else if (V.IsBoolean()) Writer.WriteBoolean(V.ToBoolean());
        else if (V.IsOrdinal()) Writer.WriteInteger(V.ToInt64());
        else if (V.IsFloat()) {
          const double D = V.ToDouble();
          Writer.WriteValue(rt::vaDouble);
          Writer.Stream().WriteBuffer(&D, 8);
        } else Writer.WriteString(V.ToUString());
        break;
      default:
        break;
    }
  }
}

// One value of the standard form; Ident is set for identifiers. Unknown kinds are skipped and
// give Empty.
rt::Variant ReadPlainValue(rt::TReader& Reader, std::string& Ident) {
  Ident.clear();
  switch (Reader.NextValue()) {
    case rt::vaInt8: case rt::vaInt16: case rt::vaInt32: case rt::vaInt64:
      return rt::Variant(static_cast<long long>(Reader.ReadInteger()));
    case rt::vaFalse: case rt::vaTrue:
      return rt::Variant(Reader.ReadBoolean());
    case rt::vaString: case rt::vaLString: case rt::vaWString: case rt::vaUTF8String:
      return rt::Variant(Reader.ReadString());
    case rt::vaIdent:
      Reader.ReadValue();
      Ident = Reader.ReadStr();
      return rt::Variant(Ident);
    case rt::vaNull:
      Reader.ReadValue();
      return rt::Variant::Null();
    case rt::vaDouble: {
      Reader.ReadValue();
      double D = 0;
      Reader.Stream().ReadBuffer(&D, 8);
      return rt::Variant(D);
    }
    default:
      Reader.SkipValue();
      return rt::Variant();
  }
}

std::u16string UnescapeOldChars(const std::u16string& S) {
  std::u16string R;
  for (std::size_t I = 0; I < S.size(); ++I) {
    if (S[I] == 1 && I + 1 < S.size()) R += static_cast<char16_t>(S[++I] + 128);
    else R += S[I];
  }
  return R;
}

void ReadItemProperties(rt::TReader& Reader, rt::TObject* Item) {
  while (!Reader.EndOfList()) {
    const std::string Name = Reader.ReadStr();
    std::string Ident;
    rt::Variant V = ReadPlainValue(Reader, Ident);
    const rt::TPropInfo* P = Item->ClassType()->FindProperty(Name);
    if (P == nullptr || !P->Set || V.IsEmpty()) continue;
    try {
      if (!Ident.empty() && P->Kind == rt::tkEnumeration) {
        const int N = P->EnumValue(Ident);
        if (N >= 0) P->Set(Item, P->TypeName == "Boolean" && P->EnumNames.empty() ? rt::Variant(N != 0) : rt::Variant(N));
      } else if (P->Kind != rt::tkClass && P->Kind != rt::tkMethod) {
        P->Set(Item, V);
      }
    } catch (const std::exception&) {
      // A value the property refuses is dropped, as in XML reading.
    }
  }
  Reader.ReadListEnd();
  // Old files kept characters above 127 as character 1 and the code less 128.
  for (const rt::TPropInfo* P : Item->ClassType()->PublishedProperties()) {
    if (!P->Get || !P->Set) continue;
    const bool OldString = P->Kind == rt::tkString || P->Kind == rt::tkLString || P->Kind == rt::tkWString;
    const rt::Variant V = P->Get(Item);
    if (OldString || (P->Kind == rt::tkVariant && V.IsString())) {
      const std::u16string S = V.ToUString();
      if (S.find(u'\x01') != std::u16string::npos) P->Set(Item, rt::Variant(UnescapeOldChars(S)));
    }
  }
}

} // namespace

void WriteCollectionToStream(rt::TCollection* Collection, rt::TWriter& Writer, TrepComponent* Component) {
  if (IsWritingXML(Component)) {
    TrepXMLSerializer S(nullptr);
    S.SetOwner(CollectionOwner(Component));
    Writer.WriteListBegin();
    for (int I = 0; I < Collection->Count(); ++I) {
      Writer.WriteListBegin();
      Writer.WriteString(S.ObjToXML(Collection->Items(I)));
      Writer.WriteListEnd();
    }
    Writer.WriteListEnd();
    return;
  }
  Writer.WriteValue(rt::vaCollection);
  for (int I = 0; I < Collection->Count(); ++I) {
    Writer.WriteListBegin();
    WriteItemProperties(Writer, Collection->Items(I));
    Writer.WriteListEnd();
  }
  Writer.WriteListEnd();
}

void ReadCollectionFromStream(rt::TCollection* Collection, rt::TReader& Reader, TrepComponent* Component) {
  if (Reader.NextValue() == rt::vaCollection) {
    Reader.ReadValue();
    Collection->Clear();
    while (!Reader.EndOfList()) {
      const rt::TValueType T = Reader.NextValue();
      if (T == rt::vaInt8 || T == rt::vaInt16 || T == rt::vaInt32) Reader.ReadInteger();  // item index
      Reader.ReadListBegin();
      ReadItemProperties(Reader, Collection->Add());
    }
    Reader.ReadListEnd();
    return;
  }
  Reader.ReadListBegin();
  Collection->Clear();
  TrepXMLSerializer S(nullptr);
  TrepComponent* Owner = CollectionOwner(Component);
  while (!Reader.EndOfList()) {
    Reader.ReadListBegin();
    const std::u16string Text = Reader.ReadString();
    S.ReadPersistentStr(Owner, Collection->Add(), Text);
    Reader.ReadListEnd();
  }
  Reader.ReadListEnd();
}
