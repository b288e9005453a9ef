#pragma once
// The script engine's own small XML tree: grammars and intermediate programs are kept in it.
//
// An element has a name, the raw attribute text of its start tag and child elements; there is
// no character data. Attributes are looked up in the raw text on demand, so writing a document
// copies every attribute text verbatim. Texts are UTF-8.
#include <cstdint>
#include <iosfwd>
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

// An element name. A program repeats a few dozen names over millions of elements, so names of
// up to kMaxSharedXMLNameLength bytes are kept once per process (at most kMaxSharedXMLNames of
// them) and shared; any other name is the element's own copy.
constexpr std::size_t kMaxSharedXMLNameLength = 64;
constexpr std::size_t kMaxSharedXMLNames = 4096;

class TscXMLName {
public:
  TscXMLName() = default;
  TscXMLName(std::string_view S) { Set(S); }
  TscXMLName(const char* S) { Set(S); }
  TscXMLName(const std::string& S) { Set(S); }
  TscXMLName(const TscXMLName& Other) { *this = Other; }
  TscXMLName(TscXMLName&& Other) noexcept { Swap(Other); }
  ~TscXMLName() { Release(); }
  TscXMLName& operator=(const TscXMLName& Other);
  TscXMLName& operator=(TscXMLName&& Other) noexcept {
    Swap(Other);
    return *this;
  }
  TscXMLName& operator=(std::string_view S) {
    Set(S);
    return *this;
  }
  TscXMLName& operator=(const char* S) { return *this = std::string_view(S); }
  TscXMLName& operator=(const std::string& S) { return *this = std::string_view(S); }

  const std::string& Str() const { return *Text(); }
  operator const std::string&() const { return Str(); }
  operator std::string_view() const { return Str(); }
  bool empty() const { return Str().empty(); }
  std::size_t size() const { return Str().size(); }
  void clear() { Set({}); }

  friend bool operator==(const TscXMLName& A, const TscXMLName& B) { return A.Str() == B.Str(); }
  friend bool operator==(const TscXMLName& A, std::string_view B) { return A.Str() == B; }
  friend bool operator==(const TscXMLName& A, const char* B) { return A.Str() == B; }
  friend bool operator==(const TscXMLName& A, const std::string& B) { return A.Str() == B; }
  friend std::ostream& operator<<(std::ostream& Out, const TscXMLName& N);

private:
  // The text's address, its lowest bit set when the text is the element's own.
  static constexpr std::uintptr_t kOwned = 1;
  const std::string* Text() const { return reinterpret_cast<const std::string*>(FBits & ~kOwned); }
  bool Owned() const { return (FBits & kOwned) != 0; }
  void Set(std::string_view S);
  void Release();
  void Swap(TscXMLName& Other) noexcept { std::swap(FBits, Other.FBits); }
  static const std::string* Shared(std::string_view S);

  std::uintptr_t FBits = reinterpret_cast<std::uintptr_t>(Shared({}));
};

class TscXMLText {
public:
  TscXMLText() = default;
  TscXMLText(std::string_view S) { Assign(S); }
  TscXMLText(const char* S) { Assign(S); }
  TscXMLText(const std::string& S) { Assign(S); }
  TscXMLText(const TscXMLText& Other) { Assign(Other.View()); }
  TscXMLText(TscXMLText&& Other) noexcept { Swap(Other); }
  ~TscXMLText() { delete[] FData; }
  TscXMLText& operator=(const TscXMLText& Other) {
    if (this != &Other) Assign(Other.View());
    return *this;
  }
  TscXMLText& operator=(TscXMLText&& Other) noexcept {
    Swap(Other);
    return *this;
  }
  TscXMLText& operator=(std::string_view S) {
    Assign(S);
    return *this;
  }
  TscXMLText& operator=(const char* S) { return *this = std::string_view(S); }
  TscXMLText& operator=(const std::string& S) { return *this = std::string_view(S); }

  std::string_view View() const { return FData ? std::string_view(FData, FSize) : std::string_view(); }
  operator std::string_view() const { return View(); }
  std::string Str() const { return std::string(View()); }
  bool empty() const { return FSize == 0; }
  std::size_t size() const { return FSize; }
  char operator[](std::size_t I) const { return FData[I]; }
  char back() const { return FData[FSize - 1]; }
  void clear() { Assign({}); }

  friend bool operator==(const TscXMLText& A, const TscXMLText& B) { return A.View() == B.View(); }
  friend bool operator==(const TscXMLText& A, std::string_view B) { return A.View() == B; }
  friend bool operator==(const TscXMLText& A, const char* B) { return A.View() == B; }
  friend bool operator==(const TscXMLText& A, const std::string& B) { return A.View() == B; }
  friend std::ostream& operator<<(std::ostream& Out, const TscXMLText& T);

private:
  void Assign(std::string_view S);
  void Swap(TscXMLText& Other) noexcept {
    std::swap(FData, Other.FData);
    std::swap(FSize, Other.FSize);
  }

  char* FData = nullptr;
  std::uint32_t FSize = 0;
};

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
  // Room for Capacity children in all without growing the list again.
  void Reserve(int Capacity);
  // Frees every child.
  void Clear();
  // Appends every child of From (which is left without children) in one step.
  void TakeChildren(TscXMLItem* From);
  // Takes every child out, in order; the caller owns them.
  std::vector<std::unique_ptr<TscXMLItem>> ReleaseItems();
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

  int Count() const;
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

  TscXMLName Name;
  // Raw attribute text of the start tag, e.g.: text="x" pos="3:5"
  TscXMLText Text;
  // For the user; copied by Assign, never interpreted. Kept out of the element (a table of the
  // few elements that carry one), so that the millions of a large program do not pay for it.
  void* Data() const;
  void SetData(void* Value);

private:
  // The children. One child is held in place; more go in one block with their count and the
  // room for them (FItems then has its lowest bit set). An intermediate program has about one
  // element per two bytes of source, most with none or one child, so this is what it costs.
  struct TChildren;
  bool HasBlock() const { return (FItems & 1) != 0; }
  TChildren* Block() const { return reinterpret_cast<TChildren*>(FItems & ~std::uintptr_t(1)); }
  TscXMLItem* Single() const { return reinterpret_cast<TscXMLItem*>(FItems); }
  void Detach(TscXMLItem* Item);
  void Append(TscXMLItem* Item);
  // Moves the children into Out, in order, leaving the element without children.
  void MoveChildrenTo(std::vector<TscXMLItem*>& Out);
  // Offset in Text of the attribute's name and of its value's first character, or npos.
  bool FindProp(std::string_view Name, std::size_t& NameAt, std::size_t& ValueAt) const;

  TscXMLItem* FParent = nullptr;
  std::uintptr_t FItems = 0;
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
