#include "platform/rt/TypInfo.h"

#include <algorithm>
#include <mutex>

#include "platform/rt/Collections.h"
#include "platform/rt/Components.h"
#include "platform/rt/Unicode.h"

namespace rt {

TClassInfo::TClassInfo(std::string ClassName, const TClassInfo* Parent, std::function<TObject*()> NewInstance,
                       std::vector<TPropInfo> Properties)
    : FClassName(std::move(ClassName)), FParent(Parent), FNewInstance(std::move(NewInstance)),
      FProperties(std::move(Properties)) {}

bool TClassInfo::InheritsFrom(const TClassInfo* AClass) const {
  for (const TClassInfo* C = this; C; C = C->FParent)
    if (C == AClass) return true;
  return false;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view Name) const {
  // ASCII names (all of them in practice) through an index made once: serializers ask for
  // every property of every object they write.
  std::string Key;
  bool Ascii = true;
  for (char Ch : Name) {
    if (static_cast<unsigned char>(Ch) >= 0x80) {
      Ascii = false;
      break;
    }
    Key += Ch >= 'a' && Ch <= 'z' ? static_cast<char>(Ch - 32) : Ch;
  }
  if (Ascii) {
    std::call_once(FIndexOnce, [this] {
      for (const TClassInfo* C = this; C; C = C->FParent)
        for (const TPropInfo& P : C->FProperties) {
          std::string K = P.Name;
          bool PAscii = true;
          for (char& Ch : K) {
            if (static_cast<unsigned char>(Ch) >= 0x80) PAscii = false;
            if (Ch >= 'a' && Ch <= 'z') Ch = static_cast<char>(Ch - 32);
          }
          // A descendant's property comes first and wins.
          if (PAscii) FIndex.emplace(std::move(K), &P);
        }
    });
    auto It = FIndex.find(Key);
    return It == FIndex.end() ? nullptr : It->second;
  }
  for (const TClassInfo* C = this; C; C = C->FParent)
    for (const TPropInfo& P : C->FProperties)
      if (Utf8CompareText(P.Name, Name) == 0) return &P;
  return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::Properties() const {
  std::vector<const TPropInfo*> R;
  for (const TClassInfo* C = this; C; C = C->FParent)
    for (const TPropInfo& P : C->FProperties)
      if (P.Kind != tkMethod && std::none_of(R.begin(), R.end(), [&](const TPropInfo* Q) { return Utf8CompareText(Q->Name, P.Name) == 0; }))
        R.push_back(&P);
  std::stable_sort(R.begin(), R.end(), [](const TPropInfo* A, const TPropInfo* B) {
    return Utf8CompareText(A->Name, B->Name) < 0;
  });
  return R;
}

std::vector<const TPropInfo*> TClassInfo::PublishedProperties() const {
  // Class descriptions never change once made, so the list is worked out once.
  std::call_once(FPublishedOnce, [this] { FPublished = MakePublishedProperties(); });
  return FPublished;
}

std::vector<const TPropInfo*> TClassInfo::MakePublishedProperties() const {
  std::vector<const TClassInfo*> Chain;
  for (const TClassInfo* C = this; C; C = C->FParent) Chain.insert(Chain.begin(), C);
  std::vector<const TPropInfo*> R;
  for (const TClassInfo* C : Chain)
    for (const TPropInfo& P : C->FProperties) {
      auto It = std::find_if(R.begin(), R.end(), [&](const TPropInfo* Q) { return Utf8CompareText(Q->Name, P.Name) == 0; });
      if (It != R.end()) *It = &P;
      else R.push_back(&P);
    }
  return R;
}

int TPropInfo::EnumValue(std::string_view Ident) const {
  static const std::vector<std::string> Bools{"False", "True"};
  const std::vector<std::string>& Names = EnumNames.empty() && TypeName == "Boolean" ? Bools : EnumNames;
  for (std::size_t I = 0; I < Names.size(); ++I)
    if (Utf8CompareText(Names[I], Ident) == 0) return static_cast<int>(I);
  return -1;
}

std::string TPropInfo::EnumName(long long Value) const {
  if (EnumNames.empty() && TypeName == "Boolean") return Value ? "True" : "False";
  if (Value < 0 || Value >= static_cast<long long>(EnumNames.size())) return {};
  return EnumNames[static_cast<std::size_t>(Value)];
}

namespace {
std::mutex RegistryLock;
std::vector<TClass>& Registry() {
  static std::vector<TClass> R;
  return R;
}
} // namespace

void RegisterClass(TClass AClass) {
  std::lock_guard<std::mutex> Guard(RegistryLock);
  auto& R = Registry();
  for (TClass& C : R)
    if (Utf8CompareText(C->ClassName(), AClass->ClassName()) == 0) { C = AClass; return; }
  R.push_back(AClass);
}

void UnRegisterClass(TClass AClass) {
  std::lock_guard<std::mutex> Guard(RegistryLock);
  auto& R = Registry();
  R.erase(std::remove(R.begin(), R.end(), AClass), R.end());
}

TClass GetClass(std::string_view ClassName) {
  std::lock_guard<std::mutex> Guard(RegistryLock);
  for (TClass C : Registry())
    if (Utf8CompareText(C->ClassName(), ClassName) == 0) return C;
  return nullptr;
}

TClass FindClass(std::string_view ClassName) {
  TClass C = GetClass(ClassName);
  if (C == nullptr) throw EClassNotFound("Class " + std::string(ClassName) + " not found");
  return C;
}

TClass TObject::ClassInfo() {
  static const TClassInfo Info("TObject", nullptr, [] { return new TObject; });
  return &Info;
}

std::string TObject::ClassName() const { return ClassType()->ClassName(); }

// The runtime classes that scripts reach. Classes that need constructor arguments or are
// abstract have no factory; the script bindings construct them.
TClass PersistentClassInfo() {
  static const TClassInfo Info("TPersistent", TObject::ClassInfo());
  return &Info;
}

TClass TList::ClassInfo() {
  static const TClassInfo Info("TList", TObject::ClassInfo(), [] { return new TList; });
  return &Info;
}

TClass TStream::ClassInfo() {
  static const TClassInfo Info("TStream", TObject::ClassInfo());
  return &Info;
}

TClass TMemoryStream::ClassInfo() {
  static const TClassInfo Info("TMemoryStream", TStream::ClassInfo(), [] { return new TMemoryStream; });
  return &Info;
}

TClass TFileStream::ClassInfo() {
  static const TClassInfo Info("TFileStream", TStream::ClassInfo());
  return &Info;
}

TClass TStrings::ClassInfo() {
  static const TClassInfo Info("TStrings", PersistentClassInfo());
  return &Info;
}

TClass TStringList::ClassInfo() {
  static const TClassInfo Info("TStringList", TStrings::ClassInfo(), [] { return new TStringList; });
  return &Info;
}

TClass TCollectionItem::ClassInfo() {
  static const TClassInfo Info("TCollectionItem", PersistentClassInfo(), [] { return new TCollectionItem(nullptr); });
  return &Info;
}

TClass TCollection::ClassInfo() {
  static const TClassInfo Info("TCollection", PersistentClassInfo(), [] {
    return new TCollection([](TCollection* C) { return new TCollectionItem(C); });
  });
  return &Info;
}

TClass TComponent::ClassInfo() {
  static const TClassInfo Info("TComponent", PersistentClassInfo(), [] { return new TComponent(nullptr); });
  return &Info;
}

int TList::Add(TObject* Item) {
  FItems.push_back(Item);
  return Count() - 1;
}

void TList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  FItems.erase(FItems.begin() + Index);
}

int TList::IndexOf(const TObject* Item) const {
  auto It = std::find(FItems.begin(), FItems.end(), Item);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

void TList::Insert(int Index, TObject* Item) {
  if (Index < 0 || Index > Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  FItems.insert(FItems.begin() + Index, Item);
}

int TList::Remove(const TObject* Item) {
  int I = IndexOf(Item);
  if (I >= 0) FItems.erase(FItems.begin() + I);
  return I;
}

TObject* TList::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FItems[static_cast<size_t>(Index)];
}

void TList::SetItems(int Index, TObject* Item) {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  FItems[static_cast<size_t>(Index)] = Item;
}

} // namespace rt
