#include "report/engine/repStorage.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_set>
#include <utility>

namespace repStorage {

void IndexOutOfBounds() { throw rt::Exception("Index out of bounds", "EAssertionFailed"); }

// ---------------------------------------------------------------------------------------------
// TrepBaseArray

void TrepBaseArray::CheckIndex(int Index) const {
  if (Index < 0 || Index >= FCount) IndexOutOfBounds();
}

void TrepBaseArray::SetCount(int Value) {
  if (Value < 0) throw rt::EListError("List count out of bounds (" + std::to_string(Value) + ")");
  if (Value != FCount && Value > FCapacity) SetCapacity(Value);
  FCount = Value;
}

void TrepBaseArray::Grow() {
  long long Delta = FCapacity > 64 ? FCapacity / 4 : FCapacity > 8 ? 16 : 4;
  long long NewCapacity = FCapacity + Delta;
  if (NewCapacity > INT_MAX)
    throw rt::EListError("List capacity out of bounds (" + std::to_string(NewCapacity) + ")");
  SetCapacity(static_cast<int>(NewCapacity));
}

void TrepBaseArray::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TrepBaseArray::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  if (Index1 == Index2) return;
  const int Size = ItemSize();
  unsigned char Temp[64];
  std::vector<unsigned char> Big;
  unsigned char* Buf = Temp;
  if (Size > static_cast<int>(sizeof Temp)) {
    Big.resize(Size);
    Buf = Big.data();
  }
  void* P1 = ItemAddress(Index1);
  void* P2 = ItemAddress(Index2);
  std::memcpy(Buf, P1, Size);
  std::memcpy(P1, P2, Size);
  std::memcpy(P2, Buf, Size);
}

void TrepBaseArray::Delete(int Index) {
  CheckIndex(Index);
  if (Index < FCount - 1)
    std::memmove(ItemAddress(Index), ItemAddress(Index + 1),
                 static_cast<std::size_t>(FCount - 1 - Index) * ItemSize());
  --FCount;
}

void TrepBaseArray::Sort(TSimpleCompareFunction Compare, int Min, int Max) {
  if (Min >= Max) return;
  CheckIndex(Min);
  CheckIndex(Max);
  std::vector<unsigned char> Pivot(ItemSize());
  // The smaller part recurses and the larger one loops, so the depth stays logarithmic; the
  // parts are disjoint, so the order of work does not change the result.
  while (Min < Max) {
    std::memcpy(Pivot.data(), ItemAddress((Min + Max) / 2), Pivot.size());
    int I = Min, J = Max;
    do {
      // The bounds only matter to a comparison that is not a consistent order.
      while (I < Max && Compare(ItemAddress(I), Pivot.data()) < 0) ++I;
      while (J > Min && Compare(Pivot.data(), ItemAddress(J)) < 0) --J;
      if (I <= J) {
        if (I != J) Exchange(I, J);
        ++I;
        --J;
      }
    } while (I <= J);
    if (J - Min < Max - I) {
      if (Min < J) Sort(Compare, Min, J);
      Min = I;
    } else {
      if (I < Max) Sort(Compare, I, Max);
      Max = J;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// TrepExtArrayBase

double TrepExtArrayBase::GetItem(int Index) {
  CheckIndex(Index);
  double Result;
  std::memcpy(&Result, ItemAddress(Index), sizeof Result);
  return Result;
}

void TrepExtArrayBase::SetItem(int Index, double Value) {
  CheckIndex(Index);
  std::memcpy(ItemAddress(Index), &Value, sizeof Value);
}

void TrepExtArrayBase::Append(double Value) {
  if (FCapacity < FCount + 1) Grow();
  ++FCount;
  SetItem(FCount - 1, Value);
}

void TrepExtArrayBase::Insert(int Index, double Value) {
  CheckIndex(Index);
  if (FCapacity < FCount + 1) Grow();
  ++FCount;
  std::memmove(ItemAddress(Index + 1), ItemAddress(Index),
               static_cast<std::size_t>(FCount - 1 - Index) * ItemSize());
  SetItem(Index, Value);
}

// ---------------------------------------------------------------------------------------------
// TrepExtArray

TrepExtArray::~TrepExtArray() {
  FCount = 0;
  FCapacity = 0;
}

void TrepExtArray::SetCapacity(int Value) {
  FArray.resize(static_cast<std::size_t>(Value));
  if (Value > FCount)
    std::memset(FArray.data() + FCount, FZero ? 0 : 255,
                static_cast<std::size_t>(Value - FCount) * sizeof(double));
  FCapacity = Value;
}

// ---------------------------------------------------------------------------------------------
// TrepExtendedObjectList

TrepExtendedObjectList::~TrepExtendedObjectList() { Clear(); }

void TrepExtendedObjectList::SetCapacity(int Value) {
  TrepExtArray::SetCapacity(Value);
  FObjectList.resize(static_cast<std::size_t>(Value), nullptr);
}

void TrepExtendedObjectList::AppendObject(rt::TObject* aObject, double Value) {
  Append(Value);
  FObjectList[FCount - 1] = aObject;
}

void TrepExtendedObjectList::InsertObject(int Index, rt::TObject* aObject, double Value) {
  if (FCount == 0) {
    AppendObject(aObject, Value);
    return;
  }
  Insert(Index, Value);
  std::memmove(FObjectList.data() + Index + 1, FObjectList.data() + Index,
               static_cast<std::size_t>(FCount - 1 - Index) * sizeof(rt::TObject*));
  FObjectList[Index] = aObject;
}

rt::TObject* TrepExtendedObjectList::GetObject(int Index) {
  CheckIndex(Index);
  return FObjectList[Index];
}

void TrepExtendedObjectList::SetObject(int Index, rt::TObject* Value) {
  CheckIndex(Index);
  FObjectList[Index] = Value;
}

void TrepExtendedObjectList::Delete(int Index) {
  CheckIndex(Index);
  if (Index < FCount - 1)
    std::memmove(FObjectList.data() + Index, FObjectList.data() + Index + 1,
                 static_cast<std::size_t>(FCount - 1 - Index) * sizeof(rt::TObject*));
  // The vacated slot would otherwise repeat the last object, which Clear would then free twice.
  FObjectList[FCount - 1] = nullptr;
  TrepExtArray::Delete(Index);
}

void TrepExtendedObjectList::Exchange(int Index1, int Index2) {
  TrepExtArray::Exchange(Index1, Index2);
  std::swap(FObjectList[Index1], FObjectList[Index2]);
}

void TrepExtendedObjectList::Clear() {
  if (FFreeObjects) {
    // Only the objects of items are the list's; each is freed once even when listed twice.
    std::vector<rt::TObject*> Owned(FObjectList.begin(), FObjectList.begin() + FCount);
    for (rt::TObject*& Slot : FObjectList) Slot = nullptr;
    std::unordered_set<rt::TObject*> Freed;
    for (rt::TObject* Obj : Owned)
      if (Obj && Freed.insert(Obj).second) delete Obj;
  }
  TrepExtArray::Clear();
}

namespace {

// The value in hundredths as a whole number; out-of-range values saturate and not-a-number
// sorts first, so the keys stay a consistent order.
long long Hundredths(double Value) {
  double V = std::nearbyint(Value * 100);
  if (std::isnan(V)) return LLONG_MIN;
  if (V >= 9.2233720368547758e18) return LLONG_MAX;
  if (V <= -9.2233720368547758e18) return LLONG_MIN;
  return static_cast<long long>(V);
}

int CompareHundredths(const void* Item1, const void* Item2) {
  double A, B;
  std::memcpy(&A, Item1, sizeof A);
  std::memcpy(&B, Item2, sizeof B);
  long long KA = Hundredths(A), KB = Hundredths(B);
  return KA < KB ? -1 : KA > KB ? 1 : 0;
}

} // namespace

void TrepExtendedObjectList::SortList() { Sort(CompareHundredths, 0, FCount - 1); }

} // namespace repStorage
