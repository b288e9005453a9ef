#include "report/script/sc_iclassesrtti.h"

#include <algorithm>
#include <memory>

#include "platform/rt/Collections.h"
#include "platform/rt/TypInfo.h"
#include "report/script/sc_xml.h"

using rt::Variant;

namespace sc_iclassesrtti {

namespace {

// An object argument; small numbers (nil, stray integers) are never taken for addresses.
rt::TObject* Obj(const Variant& V) {
  if (V.IsNull() || V.IsEmpty()) return nullptr;
  long long A = V.ToInt64();
  if (A >= 0 && A < 65536) return nullptr;
  return rt::VarToObject(V);
}

Variant ObjVar(const rt::TObject* O) { return O ? rt::VarFromObject(O) : Variant(0); }

template <class T>
T* As(rt::TObject* O, const char* ClassName) {
  T* R = dynamic_cast<T*>(O);
  if (!R) throw rt::EInvalidPointer(std::string("Invalid ") + ClassName + " object");
  return R;
}

template <class T>
T* ArgAs(TscMethodHelper* C, int Index, const char* ClassName) {
  rt::TObject* O = Obj(C->GetVParam(Index));
  if (!O) throw rt::EInvalidPointer(std::string("Invalid ") + ClassName + " argument");
  return As<T>(O, ClassName);
}

int IntArg(TscMethodHelper* C, int I) { return C->GetVParam(I).ToInteger(); }
std::string StrArg(TscMethodHelper* C, int I) { return rt::VarToStr(C->GetVParam(I)); }

rt::TSeekOrigin Origin(int O) {
  if (O < 0 || O > 2) throw rt::EStreamError("Invalid seek origin (" + std::to_string(O) + ")");
  return static_cast<rt::TSeekOrigin>(O);
}

Variant CallObject(rt::TObject* I, const std::string& N) {
  if (N == "CREATE") return ObjVar(I);
  if (N == "FREE") {
    delete I;
    return Variant(0);
  }
  if (N == "CLASSNAME") return Variant(I ? I->ClassName() : std::string());
  return Variant(0);
}

Variant CallPersistent(rt::TObject* I, const std::string& N, TscMethodHelper* C) {
  if (N == "ASSIGN") {
    rt::TObject* Src = Obj(C->GetVParam(0));
    auto* Dst = dynamic_cast<rt::TStrings*>(I);
    auto* From = dynamic_cast<rt::TStrings*>(Src);
    if (Dst && From) {
      Dst->Assign(*From);
    } else if (Dst && !Src) {
      Dst->Clear();
    } else {
      throw rt::EConvertError("Cannot assign a " + (Src ? Src->ClassName() : std::string("nil")) + " to a " +
                              I->ClassName());
    }
  }
  return Variant(0);
}

Variant CallCollection(rt::TObject* I, const std::string& N, TscMethodHelper* C) {
  auto* L = As<rt::TCollection>(I, "TCollection");
  if (N == "CLEAR") L->Clear();
  else if (N == "ITEMS.GET") return ObjVar(L->Items(IntArg(C, 0)));
  return Variant(0);
}

Variant CallList(rt::TObject* I, const std::string& N, TscMethodHelper* C) {
  auto* L = As<rt::TList>(I, "TList");
  if (N == "ADD") return Variant(L->Add(Obj(C->GetVParam(0))));
  if (N == "CLEAR") L->Clear();
  else if (N == "DELETE") L->Delete(IntArg(C, 0));
  else if (N == "INDEXOF") return Variant(L->IndexOf(Obj(C->GetVParam(0))));
  else if (N == "INSERT") L->Insert(IntArg(C, 0), Obj(C->GetVParam(1)));
  else if (N == "REMOVE") return Variant(L->Remove(Obj(C->GetVParam(0))));
  else if (N == "ITEMS.GET") return ObjVar(L->Items(IntArg(C, 0)));
  else if (N == "ITEMS.SET") L->SetItems(IntArg(C, 0), Obj(C->GetVParam(1)));
  return Variant(0);
}

Variant CallStrings(rt::TObject* I, const std::string& N, TscMethodHelper* C) {
  if (N == "CREATE") {
    // TStrings has no storage of its own: a script that makes one gets a string list.
    return ObjVar(I ? I : new rt::TStringList);
  }
  auto* L = As<rt::TStrings>(I, "TStrings");
  if (N == "ADD") return Variant(L->Add(StrArg(C, 0)));
  if (N == "ADDOBJECT") return Variant(L->AddObject(StrArg(C, 0), Obj(C->GetVParam(1))));
  if (N == "CLEAR") L->Clear();
  else if (N == "DELETE") L->Delete(IntArg(C, 0));
  else if (N == "INDEXOF") return Variant(L->IndexOf(StrArg(C, 0)));
  else if (N == "INDEXOFNAME") return Variant(L->IndexOfName(StrArg(C, 0)));
  else if (N == "INDEXOFOBJECT") return Variant(L->IndexOfObject(Obj(C->GetVParam(0))));
  else if (N == "INSERT") L->Insert(IntArg(C, 0), StrArg(C, 1));
  else if (N == "INSERTOBJECT") L->InsertObject(IntArg(C, 0), StrArg(C, 1), Obj(C->GetVParam(2)));
  else if (N == "LOADFROMFILE") L->LoadFromFile(StrArg(C, 0));
  else if (N == "LOADFROMSTREAM") L->LoadFromStream(*ArgAs<rt::TStream>(C, 0, "TStream"));
  else if (N == "SAVETOFILE") L->SaveToFile(StrArg(C, 0));
  else if (N == "MOVE") L->Move(IntArg(C, 0), IntArg(C, 1));
  else if (N == "SAVETOSTREAM") L->SaveToStream(*ArgAs<rt::TStream>(C, 0, "TStream"));
  else if (N == "NAMES.GET") return Variant(L->Names(IntArg(C, 0)));
  else if (N == "OBJECTS.GET") return ObjVar(L->Objects(IntArg(C, 0)));
  else if (N == "OBJECTS.SET") L->SetObjects(IntArg(C, 0), Obj(C->GetVParam(1)));
  else if (N == "VALUES.GET") return Variant(L->Values(StrArg(C, 0)));
  else if (N == "VALUES.SET") L->SetValues(StrArg(C, 0), StrArg(C, 1));
  else if (N == "STRINGS.GET") return Variant(L->Strings(IntArg(C, 0)));
  else if (N == "STRINGS.SET") L->SetStrings(IntArg(C, 0), StrArg(C, 1));
  return Variant(0);
}

Variant CallStringList(rt::TObject* I, const std::string& N, TscMethodHelper* C) {
  auto* L = As<rt::TStringList>(I, "TStringList");
  if (N == "FIND") {
    int Index = 0;
    bool Found = L->Find(StrArg(C, 0), Index);
    C->SetVParam(1, Variant(Index));
    return Variant(Found);
  }
  if (N == "SORT") L->Sort();
  return Variant(0);
}

Variant CallStream(rt::TObject* I, const std::string& N, TscMethodHelper* C) {
  auto* S = As<rt::TStream>(I, "TStream");
  if (N == "READ") {
    // One byte per character: Count counts bytes, and what Read gives Write writes back unchanged.
    long long Count = std::max<long long>(0, C->GetVParam(1).ToInt64());
    std::string Buf(static_cast<size_t>(std::min<long long>(Count, std::max<long long>(0, S->Size()))), '\0');
    std::int64_t Got = Buf.empty() ? 0 : S->Read(Buf.data(), static_cast<std::int64_t>(Buf.size()));
    Buf.resize(static_cast<size_t>(std::max<std::int64_t>(0, Got)));
    C->SetVParam(0, Variant(Buf));
    return Variant(static_cast<int>(Buf.size()));
  }
  if (N == "WRITE") {
    std::string Buf = StrArg(C, 0);
    // Never past the end of the text, whatever Count says.
    long long Count = std::clamp<long long>(C->GetVParam(1).ToInt64(), 0, static_cast<long long>(Buf.size()));
    return Variant(static_cast<int>(Count == 0 ? 0 : S->Write(Buf.data(), Count)));
  }
  if (N == "SEEK") {
    std::int64_t P = S->Seek(C->GetVParam(0).ToInt64(), Origin(IntArg(C, 1)));
    return Variant(static_cast<long long>(P));
  }
  if (N == "COPYFROM") {
    auto* Src = ArgAs<rt::TStream>(C, 0, "TStream");
    return Variant(static_cast<long long>(S->CopyFrom(*Src, C->GetVParam(1).ToInt64())));
  }
  return Variant(0);
}

Variant CallMemoryStream(rt::TObject* I, const std::string& N, TscMethodHelper* C) {
  auto* S = As<rt::TMemoryStream>(I, "TMemoryStream");
  if (N == "CLEAR") S->Clear();
  else if (N == "LOADFROMSTREAM") S->LoadFromStream(*ArgAs<rt::TStream>(C, 0, "TStream"));
  else if (N == "LOADFROMFILE") S->LoadFromFile(StrArg(C, 0));
  else if (N == "SAVETOSTREAM") S->SaveToStream(*ArgAs<rt::TStream>(C, 0, "TStream"));
  else if (N == "SAVETOFILE") S->SaveToFile(StrArg(C, 0));
  return Variant(0);
}

Variant CallComponent(rt::TObject* I, const std::string& N, TscMethodHelper* C) {
  if (N == "CREATE") {
    auto* Comp = dynamic_cast<rt::TComponent*>(I);
    if (!Comp) return ObjVar(I);
    if (rt::TObject* O = Obj(C->GetVParam(0))) As<rt::TComponent>(O, "TComponent")->InsertComponent(Comp);
    return ObjVar(Comp);
  }
  return Variant(0);
}

Variant CallXMLItem(rt::TObject* I, const std::string& N, TscMethodHelper* C) {
  auto* X = As<TscXMLItem>(I, "TscXMLItem");
  if (N == "CREATE") return ObjVar(X);
  if (N == "ADDITEM") X->AddItem(ArgAs<TscXMLItem>(C, 0, "TscXMLItem"));
  else if (N == "CLEAR") X->Clear();
  else if (N == "INSERTITEM") X->InsertItem(IntArg(C, 0), ArgAs<TscXMLItem>(C, 1, "TscXMLItem"));
  else if (N == "ADD") return ObjVar(X->Add());
  else if (N == "FIND") return Variant(X->Find(StrArg(C, 0)));
  else if (N == "FINDITEM") return ObjVar(X->FindItem(StrArg(C, 0)));
  else if (N == "ROOT") return ObjVar(X->Root());
  else if (N == "ITEMS.GET") return ObjVar(X->Items(IntArg(C, 0)));
  else if (N == "PROP.GET") return Variant(X->Prop(StrArg(C, 0)));
  else if (N == "PROP.SET") X->SetProp(StrArg(C, 0), StrArg(C, 1));
  return Variant(0);
}

Variant CallXMLDocument(rt::TObject* I, const std::string& N, TscMethodHelper* C) {
  auto* D = As<TscXMLDocument>(I, "TscXMLDocument");
  if (N == "CREATE") return ObjVar(D);
  if (N == "SAVETOSTREAM") D->SaveToStream(*ArgAs<rt::TStream>(C, 0, "TStream"));
  else if (N == "LOADFROMSTREAM") D->LoadFromStream(*ArgAs<rt::TStream>(C, 0, "TStream"));
  else if (N == "SAVETOFILE") D->SaveToFile(StrArg(C, 0));
  else if (N == "LOADFROMFILE") D->LoadFromFile(StrArg(C, 0));
  return Variant(0);
}

} // namespace

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
  TscScript* S = AScript;
  const TscCallMethodNewEvent M = &CallMethod;
  const TscGetValueEvent G = &GetProp;
  const TscSetValueEvent W = &SetProp;

  for (auto [Name, Value] : std::initializer_list<std::pair<const char*, int>>{
           {"fmCreate", 65280}, {"fmOpenRead", 0}, {"fmOpenWrite", 1}, {"fmOpenReadWrite", 2},
           {"fmShareExclusive", 16}, {"fmShareDenyWrite", 32}, {"fmShareDenyNone", 64},
           {"soFromBeginning", 0}, {"soFromCurrent", 1}, {"soFromEnd", 2}})
    S->AddConst(Name, "Integer", Variant(Value));
  S->AddEnum("TDuplicates", "dupIgnore, dupAccept, dupError");
  S->AddEnum("TPrinterOrientation", "poPortrait, poLandscape");

  TscClassVariable* C = S->AddClass(rt::TObject::ClassInfo(), "");
  if (C) {
    C->AddConstructor("constructor Create", M);
    C->AddMethod("procedure Free", M);
    C->AddMethod("function ClassName: String", M);
  }

  if ((C = S->AddClass(rt::PersistentClassInfo(), "TObject")))
    C->AddMethod("procedure Assign(Source: TPersistent)", M);

  S->AddClass(rt::TCollectionItem::ClassInfo(), "TPersistent");

  if ((C = S->AddClass(rt::TCollection::ClassInfo(), "TPersistent"))) {
    C->AddMethod("procedure Clear", M);
    C->AddProperty("Count", "Integer", G);
    C->AddDefaultProperty("Items", "Integer", "TCollectionItem", M, true);
  }

  if ((C = S->AddClass(rt::TList::ClassInfo(), "TObject"))) {
    C->AddMethod("function Add(Item: TObject): Integer", M);
    C->AddMethod("procedure Clear", M);
    C->AddMethod("procedure Delete(Index: Integer)", M);
    C->AddMethod("function IndexOf(Item: TObject): Integer", M);
    C->AddMethod("procedure Insert(Index: Integer; Item: TObject)", M);
    C->AddMethod("function Remove(Item: TObject): Integer", M);
    C->AddProperty("Count", "Integer", G);
    C->AddDefaultProperty("Items", "Integer", "TObject", M);
  }

  if ((C = S->AddClass(rt::TStrings::ClassInfo(), "TPersistent"))) {
    C->AddConstructor("constructor Create", M);
    C->AddMethod("function Add(const S: string): Integer", M);
    C->AddMethod("function AddObject(const S: string; AObject: TObject): Integer", M);
    C->AddMethod("procedure Clear", M);
    C->AddMethod("procedure Delete(Index: Integer)", M);
    C->AddMethod("function IndexOf(const S: string): Integer", M);
    C->AddMethod("function IndexOfName(const Name: string): Integer", M);
    C->AddMethod("function IndexOfObject(AObject: TObject): Integer", M);
    C->AddMethod("procedure Insert(Index: Integer; const S: string)", M);
    C->AddMethod("procedure InsertObject(Index: Integer; const S: string; AObject: TObject)", M);
    C->AddMethod("procedure LoadFromFile(const FileName: string)", M);
    C->AddMethod("procedure LoadFromStream(Stream: TStream)", M);
    C->AddMethod("procedure SaveToFile(const FileName: string)", M);
    C->AddMethod("procedure Move(CurIndex, NewIndex: Integer)", M);
    C->AddMethod("procedure SaveToStream(Stream: TStream)", M);
    C->AddProperty("CommaText", "string", G, W);
    C->AddProperty("Count", "Integer", G);
    C->AddIndexProperty("Names", "Integer", "string", M, true);
    C->AddIndexProperty("Objects", "Integer", "TObject", M);
    C->AddIndexProperty("Values", "String", "string", M);
    C->AddDefaultProperty("Strings", "Integer", "string", M);
    C->AddProperty("Text", "string", G, W);
  }

  if ((C = S->AddClass(rt::TStringList::ClassInfo(), "TStrings"))) {
    C->AddMethod("function Find(s: String; var Index: Integer): Boolean", M);
    C->AddMethod("procedure Sort", M);
    C->AddProperty("Duplicates", "TDuplicates", G, W);
    C->AddProperty("Sorted", "Boolean", G, W);
  }

  if ((C = S->AddClass(rt::TStream::ClassInfo(), "TObject"))) {
    C->AddMethod("function Read(var Buffer: string; Count: Longint): Longint", M);
    C->AddMethod("function Write(Buffer: string; Count: Longint): Longint", M);
    C->AddMethod("function Seek(Offset: Longint; Origin: Word): Longint", M);
    C->AddMethod("function CopyFrom(Source: TStream; Count: Longint): Longint", M);
    C->AddProperty("Position", "Longint", G, W);
    C->AddProperty("Size", "Longint", G);
  }

  if ((C = S->AddClass(rt::TFileStream::ClassInfo(), "TStream")))
    C->AddConstructor("constructor Create(Filename: String; Mode: Word)", M);

  if ((C = S->AddClass(rt::TMemoryStream::ClassInfo(), "TStream"))) {
    C->AddMethod("procedure Clear", M);
    C->AddMethod("procedure LoadFromStream(Stream: TStream)", M);
    C->AddMethod("procedure LoadFromFile(Filename: String)", M);
    C->AddMethod("procedure SaveToStream(Stream: TStream)", M);
    C->AddMethod("procedure SaveToFile(Filename: String)", M);
  }

  if ((C = S->AddClass(rt::TComponent::ClassInfo(), "TPersistent"))) {
    C->AddConstructor("constructor Create(AOwner: TComponent)", M);
    C->AddProperty("Owner", "TComponent", G);
  }

  if ((C = S->AddClass(TscXMLItem::ClassInfo(), "TObject"))) {
    C->AddConstructor("constructor Create", M);
    C->AddMethod("procedure AddItem(Item: TscXMLItem)", M);
    C->AddMethod("procedure Clear", M);
    C->AddMethod("procedure InsertItem(Index: Integer; Item: TscXMLItem)", M);
    C->AddMethod("function Add: TscXMLItem", M);
    C->AddMethod("function Find(const Name: String): Integer", M);
    C->AddMethod("function FindItem(const Name: String): TscXMLItem", M);
    C->AddMethod("function Root: TscXMLItem", M);
    C->AddProperty("Data", "Integer", G, W);
    C->AddProperty("Count", "Integer", G);
    C->AddDefaultProperty("Items", "Integer", "TscXMLItem", M, true);
    C->AddIndexProperty("Prop", "String", "String", M);
    C->AddProperty("Name", "String", G, W);
    C->AddProperty("Parent", "TscXMLItem", G);
    C->AddProperty("Text", "String", G, W);
  }

  if ((C = S->AddClass(TscXMLDocument::ClassInfo(), "TObject"))) {
    C->AddConstructor("constructor Create", M);
    C->AddMethod("procedure SaveToStream(Stream: TStream)", M);
    C->AddMethod("procedure LoadFromStream(Stream: TStream)", M);
    C->AddMethod("procedure SaveToFile(const FileName: String)", M);
    C->AddMethod("procedure LoadFromFile(const FileName: String)", M);
    C->AddProperty("Root", "TscXMLItem", G);
  }
}

Variant TFunctions::CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                               TscMethodHelper* Caller) {
  const std::string& N = MethodName;
  if (ClassType == rt::TObject::ClassInfo()) return CallObject(Instance, N);
  if (ClassType == rt::TFileStream::ClassInfo() && N == "CREATE") {
    // The file name is needed to construct it, so the object is made here.
    delete Instance;
    auto* F = new rt::TFileStream(StrArg(Caller, 0), static_cast<unsigned>(IntArg(Caller, 1)));
    return ObjVar(F);
  }
  if (ClassType == rt::TStrings::ClassInfo() && N == "CREATE") return CallStrings(Instance, N, Caller);
  if (ClassType == rt::TComponent::ClassInfo() && N == "CREATE") return CallComponent(Instance, N, Caller);
  if (!Instance) throw rt::EInvalidPointer("Object reference is nil");
  if (ClassType == rt::PersistentClassInfo()) return CallPersistent(Instance, N, Caller);
  if (ClassType == rt::TCollection::ClassInfo()) return CallCollection(Instance, N, Caller);
  if (ClassType == rt::TList::ClassInfo()) return CallList(Instance, N, Caller);
  if (ClassType == rt::TStrings::ClassInfo()) return CallStrings(Instance, N, Caller);
  if (ClassType == rt::TStringList::ClassInfo()) return CallStringList(Instance, N, Caller);
  if (ClassType == rt::TStream::ClassInfo()) return CallStream(Instance, N, Caller);
  if (ClassType == rt::TMemoryStream::ClassInfo()) return CallMemoryStream(Instance, N, Caller);
  if (ClassType == TscXMLItem::ClassInfo()) return CallXMLItem(Instance, N, Caller);
  if (ClassType == TscXMLDocument::ClassInfo()) return CallXMLDocument(Instance, N, Caller);
  return Variant(0);
}

Variant TFunctions::GetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName) {
  const std::string& N = PropName;
  if (!Instance) throw rt::EInvalidPointer("Object reference is nil");
  if (ClassType == rt::TCollection::ClassInfo()) {
    if (N == "COUNT") return Variant(As<rt::TCollection>(Instance, "TCollection")->Count());
  } else if (ClassType == rt::TList::ClassInfo()) {
    if (N == "COUNT") return Variant(As<rt::TList>(Instance, "TList")->Count());
  } else if (ClassType == rt::TStrings::ClassInfo()) {
    auto* L = As<rt::TStrings>(Instance, "TStrings");
    if (N == "COMMATEXT") return Variant(L->CommaText());
    if (N == "COUNT") return Variant(L->Count());
    if (N == "TEXT") return Variant(L->Text());
  } else if (ClassType == rt::TStringList::ClassInfo()) {
    auto* L = As<rt::TStringList>(Instance, "TStringList");
    if (N == "DUPLICATES") return Variant(static_cast<int>(L->Duplicates));
    if (N == "SORTED") return Variant(L->Sorted());
  } else if (ClassType == rt::TStream::ClassInfo()) {
    auto* S = As<rt::TStream>(Instance, "TStream");
    if (N == "POSITION") return Variant(static_cast<long long>(S->Position()));
    if (N == "SIZE") return Variant(static_cast<long long>(S->Size()));
  } else if (ClassType == rt::TComponent::ClassInfo()) {
    if (N == "OWNER") return ObjVar(As<rt::TComponent>(Instance, "TComponent")->Owner());
  } else if (ClassType == TscXMLItem::ClassInfo()) {
    auto* X = As<TscXMLItem>(Instance, "TscXMLItem");
    if (N == "DATA") return Variant(static_cast<int>(reinterpret_cast<std::intptr_t>(X->Data())));
    if (N == "COUNT") return Variant(X->Count());
    if (N == "NAME") return Variant(X->Name.Str());
    if (N == "PARENT") return ObjVar(X->Parent());
    if (N == "TEXT") return Variant(X->Text.View());
  } else if (ClassType == TscXMLDocument::ClassInfo()) {
    if (N == "ROOT") return ObjVar(As<TscXMLDocument>(Instance, "TscXMLDocument")->Root());
  }
  return Variant(0);
}

void TFunctions::SetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName,
                         const Variant& Value) {
  const std::string& N = PropName;
  if (!Instance) throw rt::EInvalidPointer("Object reference is nil");
  if (ClassType == rt::TStrings::ClassInfo()) {
    auto* L = As<rt::TStrings>(Instance, "TStrings");
    if (N == "COMMATEXT") L->SetCommaText(rt::VarToStr(Value));
    else if (N == "TEXT") L->SetText(rt::VarToStr(Value));
  } else if (ClassType == rt::TStringList::ClassInfo()) {
    auto* L = As<rt::TStringList>(Instance, "TStringList");
    if (N == "DUPLICATES") {
      int D = Value.ToInteger();
      if (D < rt::dupIgnore || D > rt::dupError)
        throw rt::ERangeError("Duplicates value out of range (" + std::to_string(D) + ")");
      L->Duplicates = static_cast<rt::TDuplicates>(D);
    } else if (N == "SORTED") {
      L->SetSorted(Value.ToBoolean());
    }
  } else if (ClassType == rt::TStream::ClassInfo()) {
    if (N == "POSITION") As<rt::TStream>(Instance, "TStream")->SetPosition(Value.ToInt64());
  } else if (ClassType == TscXMLItem::ClassInfo()) {
    auto* X = As<TscXMLItem>(Instance, "TscXMLItem");
    // Data is the item's free integer; it is stored in the pointer-sized field.
    if (N == "DATA") X->SetData(reinterpret_cast<void*>(static_cast<std::intptr_t>(Value.ToInteger())));
    else if (N == "NAME") X->Name = rt::VarToStr(Value);
    else if (N == "TEXT") X->Text = rt::VarToStr(Value);
  }
}

} // namespace sc_iclassesrtti

void sc_iclassesrttiInitialization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  if (std::find(L->begin(), L->end(), &scModuleClass<sc_iclassesrtti::TFunctions>) == L->end())
    L->push_back(&scModuleClass<sc_iclassesrtti::TFunctions>);
}

void sc_iclassesrttiFinalization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  L->erase(std::remove(L->begin(), L->end(), &scModuleClass<sc_iclassesrtti::TFunctions>), L->end());
}
