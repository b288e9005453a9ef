#pragma once
// Growable arrays of fixed-size items. Item handling (growth, moves, exchange, sorting) works on
// raw bytes of the item size; the descendants choose the item type: extended floats, and a list
// that pairs each float with an object and sorts the pairs by the float. The layout engine keeps
// report objects ordered by position with the paired list.
//
// Extended floats are doubles, as every report coordinate in this engine.
//
// The root class is reached as repStorage::TrepArray: the report variables have a name-to-value
// map of the same name. Everything else is also declared in the global namespace.
#include <cstdint>
#include <vector>

#include "platform/rt/Classes.h"

namespace repStorage {

// Orders two items given by address: negative, zero or positive.
using TSimpleCompareFunction = int (*)(const void* Item1, const void* Item2);

// A bad index of Delete, Insert, Exchange, Sort and the item accessors: an assertion error
// (class name "EAssertionFailed") with the message "Index out of bounds".
[[noreturn]] void IndexOutOfBounds();

class TrepArray : public rt::TObject {
public:
  // How storage gained by growth is filled: zero bytes when set, bytes of 255 otherwise.
  bool Zero() const { return GetZero(); }
  virtual bool GetZero() const = 0;
  virtual void SetZero(bool Value) = 0;
  virtual int ItemSize() const = 0;
  int Count() const { return GetCount(); }
  virtual int GetCount() const = 0;
  virtual void SetCount(int Value) = 0;
  // The address of item Index; no index check (callers check).
  virtual void* ItemAddress(int Index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int Index1, int Index2) = 0;
  virtual void Delete(int Index) = 0;
  // Quicksort of the positions Min to Max (not stable).
  virtual void Sort(TSimpleCompareFunction Compare, int Min, int Max) = 0;
};

class TrepBaseArray : public TrepArray {
public:
  int GetCount() const override { return FCount; }
  // A larger count than the capacity raises the capacity to it first.
  void SetCount(int Value) override;
  int Capacity() const { return FCapacity; }
  bool Sorted() const { return FSorted; }
  void Clear() override;
  void Exchange(int Index1, int Index2) override;
  void Delete(int Index) override;
  void Sort(TSimpleCompareFunction Compare, int Min, int Max) override;

protected:
  // By a quarter above 64, by 16 from 9 to 64, by 4 up to 8.
  virtual void Grow();
  virtual void SetCapacity(int Value) = 0;
  void CheckIndex(int Index) const;

  int FCapacity = 0;
  bool FSorted = false;
  int FCount = 0;
};

class TrepExtArrayBase : public TrepBaseArray {
public:
  int ItemSize() const override { return sizeof(double); }
  // The Items property. The index must be below Count.
  virtual double GetItem(int Index);
  virtual void SetItem(int Index, double Value);
  double Items(int Index) { return GetItem(Index); }
  void SetItems(int Index, double Value) { SetItem(Index, Value); }
  void Append(double Value);
  // Index must name an existing item (0 to Count - 1); the end is not one, append there.
  void Insert(int Index, double Value);
};

class TrepExtArray : public TrepExtArrayBase {
public:
  ~TrepExtArray() override;
  bool GetZero() const override { return FZero; }
  void SetZero(bool Value) override { FZero = Value; }
  void* ItemAddress(int Index) override { return FArray.data() + Index; }

protected:
  // Resizes the storage; the entries from Count up are filled as Zero says.
  void SetCapacity(int Value) override;

  std::vector<double> FArray;  // length = capacity
  bool FZero = false;
};

class TrepExtendedObjectList : public TrepExtArray {
public:
  ~TrepExtendedObjectList() override;

  // When set, Clear and the destructor free the objects of the list's items.
  bool FFreeObjects = false;

  void AppendObject(rt::TObject* aObject, double Value);
  // Appends when the list is empty; otherwise Index must name an existing item.
  void InsertObject(int Index, rt::TObject* aObject, double Value);
  rt::TObject* GetObject(int Index);
  void SetObject(int Index, rt::TObject* Value);
  void Delete(int Index) override;
  void Exchange(int Index1, int Index2) override;
  void Clear() override;
  // Ascending by value rounded to hundredths; values within a hundredth keep no defined order.
  void SortList();

protected:
  void SetCapacity(int Value) override;

  std::vector<rt::TObject*> FObjectList;  // length = capacity
};

} // namespace repStorage

using repStorage::TSimpleCompareFunction;
using repStorage::TrepBaseArray;
using repStorage::TrepExtArrayBase;
using repStorage::TrepExtArray;
using repStorage::TrepExtendedObjectList;
