// The dictionary of source objects and the outline of the prepared pages.
#include <cstdint>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repPreviewPages.h"

namespace {

rt::TObject* IndexSlot(int Index) { return reinterpret_cast<rt::TObject*>(static_cast<std::intptr_t>(Index)); }
int SlotIndex(rt::TObject* Slot) { return static_cast<int>(reinterpret_cast<std::intptr_t>(Slot)); }

int IntProp(const TrepXMLItem* Item, std::string_view Name, int Default) {
  std::u16string V;
  try {
    V = Item->Prop(Name);
  } catch (const rt::EConvertError&) {
    return Default;
  }
  if (V.empty()) return Default;
  long long N = 0;
  if (!rt::TryStrToInt64(rt::Utf16ToUtf8(V), N) || N < INT32_MIN || N > INT32_MAX) return Default;
  return static_cast<int>(N);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TrepDictionary

TrepDictionary::TrepDictionary() {
  FNames.SetSorted(true);
  FNames.Duplicates = rt::dupIgnore;
}

void TrepDictionary::Add(const std::string& Name, const std::string& SourceName, rt::TObject* Obj) {
  const int I = FSourceNames.AddObject(SourceName, Obj);
  FNames.AddObject(Name, IndexSlot(I));
}

std::string TrepDictionary::AddUnique(const std::string& Base, const std::string& SourceName, rt::TObject* Obj) {
  std::string Name = CreateUniqueName(Base);
  Add(Name, SourceName, Obj);
  return Name;
}

std::string TrepDictionary::CreateUniqueName(const std::string& Base) {
  int Dummy = 0;
  long long N = 1;
  if (FNames.Count() >= 4) {
    // Names sharing the base sort between Base0 and BaseA; their count is where the search
    // starts, so numbering stays dense and the search short.
    int P0 = 0, PA = 0;
    if (!FNames.Find(Base + "0", P0)) FNames.AddObject(Base + "0", IndexSlot(0));
    if (!FNames.Find(Base + "A", PA)) FNames.AddObject(Base + "A", IndexSlot(0));
    FNames.Find(Base + "0", P0);
    FNames.Find(Base + "A", PA);
    N = PA - P0 - 1;
    while (N > 0 && !FNames.Find(Base + std::to_string(N), Dummy)) --N;
  }
  while (FNames.Find(Base + std::to_string(N), Dummy)) ++N;
  return Base + std::to_string(N);
}

int TrepDictionary::SourceIndex(const std::string& Name) const {
  int I = 0;
  if (!FNames.Find(Name, I)) return -1;
  const int S = SlotIndex(FNames.Objects(I));
  return S >= 0 && S < FSourceNames.Count() ? S : -1;
}

rt::TObject* TrepDictionary::GetObject(const std::string& Name) const {
  const int S = SourceIndex(Name);
  return S < 0 ? nullptr : FSourceNames.Objects(S);
}

std::string TrepDictionary::GetSourceName(const std::string& Name) const {
  const int S = SourceIndex(Name);
  return S < 0 ? std::string() : FSourceNames.Strings(S);
}

void TrepDictionary::Clear() {
  FNames.Clear();
  FSourceNames.Clear();
}

// ---------------------------------------------------------------------------------------------
// TrepOutline

TrepOutline::TrepOutline(TrepPreviewPages* APreviewPages) : TrepCustomOutline(APreviewPages), FPages(APreviewPages) {}

TrepXMLItem* TrepOutline::Root() { return FPages->XMLDoc().Root()->FindItem("outline"); }

int TrepOutline::GetCount() { return CurItem == nullptr ? 0 : CurItem->Count(); }

void TrepOutline::AddItem(const std::string& Text, int Top) {
  if (CurItem == nullptr) LevelRoot();
  TrepXMLItem* Item = CurItem->Add("item");
  CurItem = Item;
  Item->SetProp("text", std::u16string_view(rt::Utf8ToUtf16(Text)));
  Item->SetProp("page", std::to_string(FPages->CurPage));
  Item->SetProp("top", std::to_string(Top));
}

void TrepOutline::DeleteItems(TrepXMLItem* From) {
  if (From == nullptr || From->Parent() == nullptr) return;
  TrepXMLItem* P = From->Parent();
  const int A = P->IndexOf(From);
  while (P->Count() > A + 1) delete P->Items(P->Count() - 1);
}

void TrepOutline::LevelDown(int Index) {
  if (CurItem != nullptr && Index >= 0 && Index < CurItem->Count()) CurItem = CurItem->Items(Index);
}

void TrepOutline::LevelRoot() { CurItem = Root(); }

void TrepOutline::LevelUp() {
  if (CurItem != nullptr && CurItem != Root() && CurItem->Parent() != nullptr) CurItem = CurItem->Parent();
}

void TrepOutline::GetItem(int Index, std::string& Text, int& Page, int& Top) {
  if (CurItem == nullptr || Index < 0 || Index >= CurItem->Count()) return;
  const TrepXMLItem* Item = CurItem->Items(Index);
  if (Item->PropExists("text")) {
    try {
      Text = rt::Utf16ToUtf8(Item->Prop("text"));
    } catch (const rt::EConvertError&) {
      // A damaged character reference in a file: the heading reads as empty.
      Text.clear();
    }
  }
  Page = IntProp(Item, "page", Page);
  Top = IntProp(Item, "top", Top);
}

void TrepOutline::ShiftItems(TrepXMLItem* From, int NewTop) {
  if (From == nullptr || From->Parent() == nullptr) return;
  TrepXMLItem* P = From->Parent();
  const int A = P->IndexOf(From);
  if (A < 0 || A + 1 >= P->Count()) return;
  TrepXMLItem* Next = P->Items(A + 1);
  const int Delta = NewTop - IntProp(Next, "top", 0);
  // The heading and its sub-headings, without recursion: outlines from files may nest deeply.
  std::vector<TrepXMLItem*> Stack{Next};
  while (!Stack.empty()) {
    TrepXMLItem* I = Stack.back();
    Stack.pop_back();
    I->SetProp("page", std::to_string(IntProp(I, "page", 0) + 1));
    I->SetProp("top", std::to_string(IntProp(I, "top", 0) + Delta));
    for (int K = 0; K < I->Count(); ++K) Stack.push_back(I->Items(K));
  }
}

TrepXMLItem* TrepOutline::GetCurPosition() {
  if (CurItem == nullptr || CurItem->Count() == 0) return nullptr;
  return CurItem->Items(CurItem->Count() - 1);
}
