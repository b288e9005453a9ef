#pragma once
// The script engine's own small XML tree: grammars and intermediate programs are kept in it.
//
// An element has a name, the raw attribute text of its start tag and child elements; there is
// no character data. Attributes are looked up in the raw text on demand, so writing a document
// copies every attribute text verbatim. Texts are UTF-8.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/TypInfo.h"

// Attribute value escaping: line feed, carriage return, double quote, '<' and '>' become "&#n;".
// An ampersand that would read back as a reference ("&#..." or "&quot;") becomes "&#38;", so that
// every value reads back exactly as it was written.
std::string scStrToXML(std::string_view S);
// Replaces "&#n;" (decimal) by the character of code n and "&quot;" by a double quote; any other
// ampersand stays.
std::string scXMLToStr(std::string_view S);
// UTF-8 form of a character code; codes that are no character (surrogates, beyond U+10FFFF) give
// the replacement character U+FFFD.
std::string scCharToUTF8(std::uint32_t Code);

class TscXMLItem : public rt::TObject {
public:
  RT_CLASS_INFO(TscXMLItem)
  TscXMLItem() = default;
  // Frees the subtree and takes the element out of its parent's list.
  ~TscXMLItem() override;
  TscXMLItem(const TscXMLItem&) = delete;
  TscXMLItem& operator=(const TscXMLItem&) = delete;

  // A new last child.
  TscXMLItem* Add();
  // Appends Item (taking it from its previous parent) and becomes its owner.
  void AddItem(TscXMLItem* Item);
  // AddItem, then moves Item to position Index.
  void InsertItem(int Index, TscXMLItem* Item);
  // Frees every child.
  void Clear();
  // Appends every child of From (which is left without children) in one step.
  void TakeChildren(TscXMLItem* From);
  // Index of the first child named Name (ignoring case), or -1.
  int Find(std::string_view Name) const;
  // That child; appends a new one of that name when there is none.
  TscXMLItem* FindItem(std::string_view Name);
  // Position of Item among the children, -1 when it is not one of them.
  int IndexOf(const TscXMLItem* Item) const;
  // The topmost ancestor.
  TscXMLItem* Root();
  // Becomes a deep copy of Item (name, attribute text, Data and descendants); nullptr only clears.
  void Assign(const TscXMLItem* Item);

  int Count() const { return FItems ? static_cast<int>(FItems->size()) : 0; }
  // EListError for an index out of range.
  TscXMLItem* Items(int Index) const;
  TscXMLItem* operator[](int Index) const { return Items(Index); }

  TscXMLItem* Parent() const { return FParent; }
  // Leaves the present parent's list; does not join the new parent's list.
  void SetParent(TscXMLItem* Value);

  // Attribute value (unescaped), empty when absent.
  std::string Prop(std::string_view Name) const;
  // Replaces the attribute in place, or appends it.
  void SetProp(std::string_view Name, std::string_view Value);
  bool PropExists(std::string_view Name) const;

  std::string Name;
  // Raw attribute text of the start tag, e.g.: text="x" pos="3:5"
  std::string Text;
  // For the user; copied by Assign, never interpreted.
  void* Data = nullptr;

private:
  void Detach(TscXMLItem* Item);
  // Offset in Text of the attribute's name and of its value's first character, or npos.
  bool FindProp(std::string_view Name, std::size_t& NameAt, std::size_t& ValueAt) const;

  TscXMLItem* FParent = nullptr;
  std::unique_ptr<std::vector<TscXMLItem*>> FItems;
};

class TscXMLDocument : public rt::TObject {
public:
  RT_CLASS_INFO(TscXMLDocument)
  TscXMLDocument();
  ~TscXMLDocument() override;
  TscXMLDocument(const TscXMLDocument&) = delete;
  TscXMLDocument& operator=(const TscXMLDocument&) = delete;

  void Clear();
  // "Invalid file format" for malformed input; a document cut off early keeps what was read.
  void LoadFromStream(rt::TStream& Stream);
  void SaveToStream(rt::TStream& Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);

  TscXMLItem* Root() const { return FRoot.get(); }
  // Lines indented by two blanks per level and ended by CR LF; otherwise one single line.
  bool AutoIndent = false;

private:
  std::unique_ptr<TscXMLItem> FRoot;
};

class TscXMLReader {
public:
  explicit TscXMLReader(rt::TStream& Stream);
  // Leaves the stream just after the last byte consumed.
  ~TscXMLReader();
  TscXMLReader(const TscXMLReader&) = delete;
  TscXMLReader& operator=(const TscXMLReader&) = delete;

  // The first tag must be the "?xml" header.
  void ReadHeader();
  // Reads the next element with its subtree into Item.
  void ReadRootItem(TscXMLItem* Item);
  [[noreturn]] void RaiseException();

  std::int64_t Position() const { return FPosition; }
  // Moves the stream there and empties the read buffer.
  void SetPosition(std::int64_t Value);
  std::int64_t Size() const { return FSize; }

private:
  int NextByte();
  // Reads the next tag; an empty name at the end of the stream.
  void ReadTag(std::string& Name, std::string& Text);

  rt::TStream& FStream;
  std::int64_t FSize = 0;
  std::int64_t FPosition = 0;
  std::vector<char> FBuffer;
  int FBufPos = 0;
  int FBufEnd = 0;
};

class TscXMLWriter {
public:
  explicit TscXMLWriter(rt::TStream& Stream);
  ~TscXMLWriter() = default;
  TscXMLWriter(const TscXMLWriter&) = delete;
  TscXMLWriter& operator=(const TscXMLWriter&) = delete;

  void WriteHeader();
  // Writes the element with its subtree and flushes the output.
  void WriteRootItem(const TscXMLItem* RootItem);
  void Flush();

  bool AutoIndent = false;

private:
  void WriteLine(int Level, std::string_view S);

  rt::TStream& FStream;
  std::string FBuffer;
};
