#pragma once
// The report engine's XML dialect: elements with a name, the raw attribute text of their start
// tag and child elements. Attributes stay unparsed and are looked up when asked for; text between
// tags is written but not read. Large documents (prepared pages) can keep subtrees marked
// unloadable in a swap stream and read them back on demand.
//
// Names are UTF-8 and travel as 8-bit text in the system code page; attribute texts and values
// are UTF-16 and travel as UTF-8.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/Variants.h"

RT_DECLARE_EXCEPTION(TrepInvalidXMLException, rt::Exception)

// Elements nested deeper than this are refused (TrepInvalidXMLException): reading, writing and
// freeing a tree recurse once per level, and a report or a prepared page needs a few dozen.
constexpr int repXMLMaxNesting = 256;

class TrepXMLDocument;

class TrepXMLItem : public rt::TObject {
public:
  TrepXMLItem() = default;
  TrepXMLItem(const TrepXMLItem&) = delete;
  TrepXMLItem& operator=(const TrepXMLItem&) = delete;
  // Frees the children, then leaves the parent's list.
  ~TrepXMLItem() override;

  // A new last child (with that name).
  TrepXMLItem* Add();
  TrepXMLItem* Add(std::string_view AName);
  // Appends Item, taking it from its previous parent; an item of this element moves to the end.
  void AddItem(TrepXMLItem* Item);
  // AddItem, then moves Item to Index.
  void InsertItem(int Index, TrepXMLItem* Item);
  // Frees every child; an unloadable element becomes not loaded.
  void Clear();
  // The first child of that name, letter case ignored; -1 when none.
  int Find(std::string_view AName) const;
  // That child; a new child of that name when there is none.
  TrepXMLItem* FindItem(std::string_view AName);
  int IndexOf(const TrepXMLItem* Item) const;
  TrepXMLItem* Root();

  // Attributes by name, letter case ignored. An absent attribute reads as empty.
  std::u16string GetProp(std::string_view AName) const;
  std::u16string Prop(std::string_view AName) const { return GetProp(AName); }
  // Replaces the attribute in place, or appends it.
  void SetProp(std::string_view AName, std::u16string_view AValue);
  void SetProp(std::string_view AName, std::string_view Utf8Value);
  void SetProp(std::string_view AName, const char* Utf8Value) { SetProp(AName, std::string_view(Utf8Value)); }
  bool PropExists(std::string_view AName) const;
  void DeleteProp(std::string_view AName);

  int Count() const { return static_cast<int>(FItems.size()); }
  // rt::EListError for a bad index.
  TrepXMLItem* Items(int Index) const;
  TrepXMLItem* operator[](int Index) const { return Items(Index); }

  const std::string& Name() const { return FName; }
  void SetName(std::string_view V) { FName = V; }
  // The attribute text of the start tag, values escaped.
  const std::u16string& Text() const { return FText; }
  void SetText(std::u16string_view V) { FText = V; }
  const std::u16string& Value() const { return FValue; }
  void SetValue(std::u16string_view V) { FValue = V; }
  void* Data() const { return FData; }
  void SetData(void* V) { FData = V; }
  bool Loaded() const { return FLoaded; }
  void SetLoaded(bool V) { FLoaded = V; }
  bool Modified() const { return FModified; }
  void SetModified(bool V) { FModified = V; }
  std::int64_t Offset() const { return FOffset; }
  void SetOffset(std::int64_t V) { FOffset = V; }
  TrepXMLItem* Parent() const { return FParent; }
  bool Unloadable() const { return FUnloadable; }
  void SetUnloadable(bool V) { FUnloadable = V; }
  // Loaded back from the stream of a partial load, which still holds it at Offset.
  bool FromSource() const { return FFromSource; }

private:
  friend class TrepXMLReader;
  friend class TrepXMLWriter;
  friend class TrepXMLDocument;
  // Position of the attribute's name in FText, or npos.
  std::size_t FindAttr(std::string_view AName) const;

  std::string FName;
  std::u16string FText;
  std::u16string FValue;
  void* FData = nullptr;
  TrepXMLItem* FParent = nullptr;
  std::vector<TrepXMLItem*> FItems;
  bool FLoaded = true;
  bool FUnloadable = false;
  bool FModified = false;
  std::int64_t FOffset = 0;
  // Where an unloaded subtree waits: the document's swap file rather than its source stream.
  bool FInSwapFile = false;
  bool FFromSource = false;
};

// Reads tags from a stream through a 4096-byte buffer. Freeing the reader leaves the stream
// just after the last character it consumed.
class TrepXMLReader : public rt::TObject {
public:
  explicit TrepXMLReader(rt::TStream& Stream);
  ~TrepXMLReader() override;
  TrepXMLReader(const TrepXMLReader&) = delete;
  TrepXMLReader& operator=(const TrepXMLReader&) = delete;

  // The ?xml header; decides the old format. A version without a quoted value raises.
  void ReadHeader();
  void ReadRootItem(TrepXMLItem* Item, bool ReadChildren = true);
  [[noreturn]] void RaiseException();

  std::int64_t Position() const { return FPosition; }
  void SetPosition(std::int64_t Value);
  std::int64_t Size() const { return FSize; }
  bool OldFormat() const { return FOldFormat; }

private:
  // False at the end of the data.
  bool ReadByte(unsigned char& C);
  void ReadTag(std::string& Name, std::u16string& Text);
  bool ReadItem(TrepXMLItem* Item, bool ReadChildren, bool KeepOwnTag, int Depth);

  rt::TStream& FStream;
  std::int64_t FSize;
  std::int64_t FPosition;
  std::vector<unsigned char> FBuffer;
  std::size_t FBufPos = 0;
  std::size_t FBufEnd = 0;
  bool FOldFormat = false;
  std::string FLastName;
  std::string FTag;
};

class TrepXMLWriter : public rt::TObject {
public:
  explicit TrepXMLWriter(rt::TStream& Stream) : FStream(Stream) {}
  TrepXMLWriter(const TrepXMLWriter&) = delete;
  TrepXMLWriter& operator=(const TrepXMLWriter&) = delete;

  void WriteHeader();
  void WriteRootItem(TrepXMLItem* RootItem);

  bool AutoIndent() const { return FAutoIndent; }
  void SetAutoIndent(bool V) { FAutoIndent = V; }
  // Where unloaded subtrees are read back from while writing; nullptr when there is none.
  rt::TStream* TempStream() const { return FTempStream; }
  void SetTempStream(rt::TStream* V) { FTempStream = V; }
  void SetSwapStream(rt::TStream* V) { FSwapStream = V; }

private:
  void WriteLine(std::string_view Line);
  void Flush();
  void WriteItem(TrepXMLItem* Item, int Indent);

  rt::TStream& FStream;
  bool FAutoIndent = false;
  std::string FBuffer;
  rt::TStream* FTempStream = nullptr;
  rt::TStream* FSwapStream = nullptr;
};

class TrepXMLDocument : public rt::TObject {
public:
  TrepXMLDocument();
  ~TrepXMLDocument() override;
  TrepXMLDocument(const TrepXMLDocument&) = delete;
  TrepXMLDocument& operator=(const TrepXMLDocument&) = delete;

  // Clears the root (which keeps its name and attributes) and drops the swap streams.
  void Clear();
  // Reads the whole document; Stream is left just after the root's end tag.
  void LoadFromStream(rt::TStream& Stream);
  // With AllowPartialLoading, unloadable subtrees stay in Stream, which the document keeps until
  // the next load, Clear or its end; without, as the other form.
  void LoadFromStream(std::unique_ptr<rt::TStream> Stream, bool AllowPartialLoading);
  void SaveToStream(rt::TStream& Stream);
  // Loads with partial loading and keeps the file open.
  void LoadFromFile(const std::string& FileName);
  // Writes FileName.tmp, then replaces FileName with it and loads it again.
  void SaveToFile(const std::string& FileName);
  // Brings back the children of an unloaded element.
  void LoadItem(TrepXMLItem* Item);
  // Moves the children of a loaded unloadable element to the swap file.
  void UnloadItem(TrepXMLItem* Item);
  // Lets go of the children of an element read back from the stream of a partial load, which
  // still holds them at its offset (nothing is written); False, and nothing done, for any other
  // element. The caller vouches that the children were not changed since.
  bool ReturnItemToSource(TrepXMLItem* Item);

  TrepXMLItem* Root() const { return FRoot.get(); }
  bool AutoIndent() const { return FAutoIndent; }
  void SetAutoIndent(bool V) { FAutoIndent = V; }
  const std::string& TempDir() const { return FTempDir; }
  void SetTempDir(std::string_view V) { FTempDir = V; }
  bool OldVersion() const { return FOldVersion; }

private:
  void CreateTempFile();
  void DeleteTempFile();

  std::unique_ptr<TrepXMLItem> FRoot;
  bool FAutoIndent = false;
  std::string FTempDir;
  std::string FTempFile;
  bool FTempFileCreated = false;
  // The stream a partial load came from: unloaded subtrees it left wait there.
  std::unique_ptr<rt::TStream> FTempStream;
  // The swap file that UnloadItem writes to.
  std::unique_ptr<rt::TStream> FSwapStream;
  bool FOldVersion = false;
};

// Escapes NUL, LF, CR, '"', '&', '<' and '>' as "&#N;" ("&quot;" becomes "&#34;"). A NUL in a
// text of 32 characters or more becomes a blank.
std::u16string EscapeXMLText(std::u16string_view Text);
// "&#N;" (N by the runtime's integer conversion; rt::EConvertError when it is no number) and the
// named references quot, amp, lt and gt. A reference without its ';' stays as it is.
std::u16string UnescapeXMLText(std::u16string_view Text);
// Integers in decimal, floats and dates by the runtime's text conversion, strings escaped,
// Booleans "1" and "0"; anything else empty.
std::u16string VariantToXMLText(const rt::Variant& Value);
