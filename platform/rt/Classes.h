#pragma once
// Base object, streams and string lists of the runtime layer. Strings are UTF-8 std::string;
// list indexes are int and every index is checked (EListError "List index out of bounds (N)").
#include <atomic>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/SysUtils.h"

namespace rt {

class TClassInfo;
class TObject;
// Object handles (Variants.cpp).
std::uint64_t ObjectHandle(const TObject* Obj);
void ReleaseObjectHandle(TObject* Obj);

// Common base of objects that lists and event handlers pass around. Lists never own them.
// ClassType() describes the object's class (platform/rt/TypInfo.h); classes that scripts see
// override it.
class TObject {
public:
  TObject() = default;
  // A copy is another object: it gets a handle of its own when one is asked for.
  TObject(const TObject&) {}
  TObject& operator=(const TObject&) { return *this; }
  // Ends the object's handle (platform/rt/Variants.h), so that references still held by scripts
  // are refused instead of reaching freed memory.
  virtual ~TObject() {
    if (FHandle.load(std::memory_order_relaxed) != 0) ReleaseObjectHandle(this);
  }
  static const TClassInfo* ClassInfo();
  virtual const TClassInfo* ClassType() const { return ClassInfo(); }
  std::string ClassName() const;

private:
  friend std::uint64_t ObjectHandle(const TObject* Obj);
  friend void ReleaseObjectHandle(TObject* Obj);
  // The object's handle, 0 until VarFromObject first hands it out; set and cleared under the
  // handle table's lock.
  mutable std::atomic<std::uint64_t> FHandle{0};
};

// The description of the common ancestor of string lists, collections and components, which
// scripts name; there is no C++ class of its own.
const TClassInfo* PersistentClassInfo();

// A list of object references that it does not own.
class TList : public TObject {
public:
  static const TClassInfo* ClassInfo();
  const TClassInfo* ClassType() const override { return ClassInfo(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  // Appends and returns the new index.
  int Add(TObject* Item);
  void Clear() { FItems.clear(); }
  // EListError for a bad index.
  void Delete(int Index);
  // -1 when absent.
  int IndexOf(const TObject* Item) const;
  void Insert(int Index, TObject* Item);
  // Removes the first occurrence and returns the index it had; -1 when absent.
  int Remove(const TObject* Item);
  TObject* Items(int Index) const;
  void SetItems(int Index, TObject* Item);

private:
  std::vector<TObject*> FItems;
};

// ---------------------------------------------------------------------------------------------
// Streams

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
constexpr TSeekOrigin soFromBeginning = soBeginning;
constexpr TSeekOrigin soFromCurrent = soCurrent;
constexpr TSeekOrigin soFromEnd = soEnd;

class TStream : public TObject {
public:
  static const TClassInfo* ClassInfo();
  const TClassInfo* ClassType() const override { return ClassInfo(); }
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Read and Write move up to Count bytes and return how many moved.
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  // Returns the new position.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t NewSize) = 0;

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, soBeginning); }

  // All or nothing: EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  // Copies Count bytes from Source's position; Count 0 copies the whole of Source from its start.
  std::int64_t CopyFrom(TStream& Source, std::int64_t Count);
};

class TMemoryStream : public TStream {
public:
  static const TClassInfo* ClassInfo();
  const TClassInfo* ClassType() const override { return ClassInfo(); }
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }
  void SetSize(std::int64_t NewSize) override;

  // Valid until the size next changes.
  void* Memory() { return FData.data(); }
  const void* Memory() const { return FData.data(); }
  void Clear();
  void LoadFromStream(TStream& Stream);
  void SaveToStream(TStream& Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);

protected:
  std::string FData;
  std::int64_t FPosition = 0;
};

class TStringStream : public TMemoryStream {
public:
  explicit TStringStream(const std::string& AString = std::string());
  // The whole content, whatever the position.
  const std::string& DataString() const { return FData; }
  std::string ReadString(std::int64_t Count);
  void WriteString(const std::string& AString);
};

// File open modes; the share flags are accepted and have no effect.
constexpr unsigned fmCreate = 0xFF00;
constexpr unsigned fmOpenRead = 0x0000;
constexpr unsigned fmOpenWrite = 0x0001;
constexpr unsigned fmOpenReadWrite = 0x0002;
constexpr unsigned fmShareCompat = 0x0000;
constexpr unsigned fmShareExclusive = 0x0010;
constexpr unsigned fmShareDenyWrite = 0x0020;
constexpr unsigned fmShareDenyRead = 0x0030;
constexpr unsigned fmShareDenyNone = 0x0040;

class TFileStream : public TStream {
public:
  static const TClassInfo* ClassInfo();
  const TClassInfo* ClassType() const override { return ClassInfo(); }
  // EFCreateError "Cannot create file ..." (fmCreate) or EFOpenError "Cannot open file ...".
  TFileStream(const std::string& AFileName, unsigned Mode);
  ~TFileStream() override;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  // -1 when the system refuses the position (e.g. before the start).
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t NewSize) override;
  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
  int FHandle = -1;
};

// ---------------------------------------------------------------------------------------------
// String lists

class TStrings;

// Forward iteration over the strings of a list, by value.
class TStringsIterator {
public:
  using value_type = std::string;
  using difference_type = std::ptrdiff_t;
  TStringsIterator() = default;
  TStringsIterator(const TStrings* List, int Index) : FList(List), FIndex(Index) {}
  std::string operator*() const;
  TStringsIterator& operator++() { ++FIndex; return *this; }
  TStringsIterator operator++(int) { auto t = *this; ++FIndex; return t; }
  bool operator==(const TStringsIterator& o) const { return FIndex == o.FIndex; }

private:
  const TStrings* FList = nullptr;
  int FIndex = 0;
};

// One item of a list, for list[i] = "text" and reading list[i] as a string.
class TStringsItem {
public:
  TStringsItem(TStrings& List, int Index) : FList(List), FIndex(Index) {}
  operator std::string() const { return str(); }
  std::string str() const;
  TStringsItem& operator=(const std::string& S);
  TStringsItem& operator=(const char* S) { return *this = std::string(S); }
  TStringsItem& operator=(const TStringsItem& Other) { return *this = Other.str(); }
  friend bool operator==(const TStringsItem& A, std::string_view B) { return A.str() == B; }
  friend bool operator==(const TStringsItem& A, const TStringsItem& B) { return A.str() == B.str(); }
  friend std::string operator+(const TStringsItem& A, std::string_view B) {
    return A.str().append(B);
  }
  friend std::string operator+(std::string_view A, const TStringsItem& B) {
    return std::string(A).append(B.str());
  }
  friend std::ostream& operator<<(std::ostream& Out, const TStringsItem& A) { return Out << A.str(); }

private:
  TStrings& FList;
  int FIndex;
};

// A list of strings, each with an optional object. The abstract operations are those of the
// storage; everything else is built on them. Delimiter, QuoteChar, StrictDelimiter and
// NameValueSeparator drive DelimitedText and the name=value accessors.
class TStrings : public TObject {
public:
  static const TClassInfo* ClassInfo();
  const TClassInfo* ClassType() const override { return ClassInfo(); }
  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;

  char Delimiter = ',';
  char QuoteChar = '"';
  bool StrictDelimiter = false;  // false: blanks and control characters also separate
  char NameValueSeparator = '=';

  int Count() const { return GetCount(); }
  std::string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::string& S) { Put(Index, S); }
  std::string operator[](int Index) const { return Get(Index); }
  TStringsItem operator[](int Index) { return TStringsItem(*this, Index); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

  virtual int Add(const std::string& S) { return AddObject(S, nullptr); }
  virtual int AddObject(const std::string& S, TObject* AObject);
  void Append(const std::string& S) { Add(S); }
  virtual void AddStrings(const TStrings& Strings);
  // Becomes a copy of Source: its strings, objects and delimiter settings.
  virtual void Assign(const TStrings& Source);
  void Insert(int Index, const std::string& S) { InsertObject(Index, S, nullptr); }
  virtual void InsertObject(int Index, const std::string& S, TObject* AObject) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);

  virtual int IndexOf(const std::string& S) const;
  int IndexOfName(const std::string& Name) const;
  int IndexOfObject(const TObject* AObject) const;
  // Exact comparison, position by position.
  bool Equals(const TStrings& Strings) const;

  // name=value items. Names: the text before the first separator ("" when there is none).
  std::string Names(int Index) const;
  std::string Values(const std::string& Name) const;
  // An empty value deletes the item.
  void SetValues(const std::string& Name, const std::string& Value);
  std::string ValueFromIndex(int Index) const;

  // Each line followed by CR LF. SetText splits at CR LF, LF or CR.
  std::string Text() const;
  void SetText(const std::string& Value);
  std::string CommaText() const;
  void SetCommaText(const std::string& Value);
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& Value);

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() { if (FUpdateCount > 0) --FUpdateCount; }
  int UpdateCount() const { return FUpdateCount; }

  // UTF-8; a byte-order mark is dropped on load; saving writes none.
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;
  // Reads from the stream's position to its end.
  void LoadFromStream(TStream& Stream);
  void SaveToStream(TStream& Stream) const;

  TStringsIterator begin() const { return TStringsIterator(this, 0); }
  TStringsIterator end() const { return TStringsIterator(this, Count()); }

  // <0, 0, >0. Letter case is ignored (ASCII) unless a list says otherwise.
  virtual int CompareStrings(const std::string& S1, const std::string& S2) const;

protected:
  virtual std::string Get(int Index) const = 0;
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int Index) const = 0;
  virtual void Put(int Index, const std::string& S) = 0;
  virtual void PutObject(int Index, TObject* AObject) = 0;
  [[noreturn]] static void IndexError(int Index);

private:
  int FUpdateCount = 0;
  friend class TStringsItem;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
// <0 when the item at Index1 goes before the one at Index2.
using TStringListSortCompare = std::function<int(TStringList& List, int Index1, int Index2)>;

// The list with storage. A sorted list keeps its order on Add and refuses positional changes
// ("Operation not allowed on sorted list"); Duplicates applies to sorted lists only.
class TStringList : public TStrings {
public:
  static const TClassInfo* ClassInfo();
  const TClassInfo* ClassType() const override { return ClassInfo(); }
  TStringList() = default;

  TDuplicates Duplicates = dupIgnore;
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);

  int AddObject(const std::string& S, TObject* AObject) override;
  void Assign(const TStrings& Source) override;
  void InsertObject(int Index, const std::string& S, TObject* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  void Exchange(int Index1, int Index2) override;
  void Move(int CurIndex, int NewIndex) override;
  int IndexOf(const std::string& S) const override;

  // Halving search: true when found; Index is then the match (the first of equal ones unless
  // duplicates are accepted), else the place where S would be inserted.
  bool Find(const std::string& S, int& Index) const;
  virtual void Sort();
  // Does nothing on a sorted list.
  void CustomSort(const TStringListSortCompare& Compare);

  int CompareStrings(const std::string& S1, const std::string& S2) const override;

protected:
  std::string Get(int Index) const override;
  int GetCount() const override { return static_cast<int>(FList.size()); }
  TObject* GetObject(int Index) const override;
  void Put(int Index, const std::string& S) override;
  void PutObject(int Index, TObject* AObject) override;

private:
  struct Item {
    std::string S;
    TObject* Obj;
  };
  void CheckIndex(int Index) const;
  std::vector<Item> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;
};

} // namespace rt
