#pragma once
// A string list with value syntax: declare it as a field or a local, copy it freely; copies share
// one list, which is made on first use and freed with the last copy that refers to it.
#include <memory>
#include <string>

#include "platform/rt/Classes.h"

class StringList {
public:
  StringList() = default;

  int Add(const std::string& S) { return List().Add(S); }
  int AddObject(const std::string& S, rt::TObject* AObject) { return List().AddObject(S, AObject); }
  void Append(const std::string& S) { List().Append(S); }
  void AddStrings(const rt::TStrings& Strings) { List().AddStrings(Strings); }
  void Assign(const rt::TStrings& Source) { List().Assign(Source); }
  void BeginUpdate() { List().BeginUpdate(); }
  void EndUpdate() { List().EndUpdate(); }
  void Clear() { List().Clear(); }
  void Sort() { List().Sort(); }
  void Delete(int Index) { List().Delete(Index); }
  bool Equals(const rt::TStrings& Strings) const { return List().Equals(Strings); }
  void Exchange(int Index1, int Index2) { List().Exchange(Index1, Index2); }
  int IndexOf(const std::string& S) const { return List().IndexOf(S); }
  int IndexOfName(const std::string& Name) const { return List().IndexOfName(Name); }
  int IndexOfObject(const rt::TObject* AObject) const { return List().IndexOfObject(AObject); }
  void Insert(int Index, const std::string& S) { List().Insert(Index, S); }
  void InsertObject(int Index, const std::string& S, rt::TObject* AObject) {
    List().InsertObject(Index, S, AObject);
  }
  void LoadFromFile(const std::string& FileName) { List().LoadFromFile(FileName); }
  void LoadFromStream(rt::TStream& Stream) { List().LoadFromStream(Stream); }
  void Move(int CurIndex, int NewIndex) { List().Move(CurIndex, NewIndex); }
  void SaveToFile(const std::string& FileName) const { List().SaveToFile(FileName); }
  void SaveToStream(rt::TStream& Stream) const { List().SaveToStream(Stream); }
  void SetText(const std::string& Text) { List().SetText(Text); }
  // Index of the LAST string equal to Stringtofind (exact comparison), -1 when there is none.
  int Findfirst(const std::string& Stringtofind) const;
  bool Find(const std::string& S, int& Index) const { return List().Find(S, Index); }
  void CustomSort(const rt::TStringListSortCompare& Compare) { List().CustomSort(Compare); }

  std::string Strings(int Index) const { return List().Strings(Index); }
  void SetStrings(int Index, const std::string& S) { List().SetStrings(Index, S); }
  std::string operator[](int Index) const { return List().Strings(Index); }
  rt::TStringsItem operator[](int Index) { return rt::TStringsItem(List(), Index); }
  int Count() const { return List().Count(); }
  std::string Names(int Index) const { return List().Names(Index); }
  std::string ValueFromIndex(int Index) const { return List().ValueFromIndex(Index); }
  std::string Text() const { return List().Text(); }
  void SetDelimitedText(const std::string& Value) { List().SetDelimitedText(Value); }
  void SetDelimiter(char Value) { List().Delimiter = Value; }

  rt::TStringsIterator begin() const { return List().begin(); }
  rt::TStringsIterator end() const { return List().end(); }

  explicit operator std::string() const { return Text(); }
  // The shared list itself.
  operator rt::TStrings&() const { return List(); }
  operator rt::TStrings*() const { return &List(); }
  rt::TStringList* operator->() const { return &List(); }
  rt::TStringList& List() const;

  // Same number of strings, equal position by position (exact comparison).
  friend bool operator==(const StringList& A, const StringList& B) { return A.Equals(B.List()); }
  friend bool operator==(const StringList& A, const rt::TStrings& B) { return A.Equals(B); }

private:
  mutable std::shared_ptr<rt::TStringList> FData;
};
