#pragma once
// The report engine's list of UTF-16 lines (memo texts, resource texts) and the conversions
// between 8-bit text in a font character set and UTF-16.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/Streaming.h"

// Lines of UTF-16 text, each with an optional object that the list does not own.
class TrepWideStrings : public rt::TObject {
public:
  TrepWideStrings() = default;
  TrepWideStrings(const TrepWideStrings&) = delete;
  TrepWideStrings& operator=(const TrepWideStrings&) = delete;
  ~TrepWideStrings() override { Clear(); }

  int Count() const { return GetCount(); }
  int GetCount() const { return static_cast<int>(FWideStringList.size()); }
  // Empty for an index out of range.
  std::u16string Get(int Index) const;
  std::u16string operator[](int Index) const { return Get(Index); }
  // Below Count: replaces that line; at Count: appends; otherwise rt::EListError
  // "Wide String Out of Bounds". Put does the same.
  void Insert(int Index, std::u16string_view S);
  void Put(int Index, std::u16string_view S) { Insert(Index, S); }
  // nullptr, or ignored, for an index out of range.
  rt::TObject* GetObject(int Index) const;
  void PutObject(int Index, rt::TObject* Obj);
  int Add(std::u16string_view S);
  int AddObject(std::u16string_view S, rt::TObject* Obj);
  void AddStrings(const TrepWideStrings& Strings);
  // rt::EListError "List index out of bounds (N)" for a bad index.
  void Delete(int Index);
  void Clear();
  // Exact comparison; -1 when absent.
  int IndexOf(std::u16string_view S) const;

  void Assign(const TrepWideStrings& Source);
  // UTF-8 lines of the runtime's list, with their objects.
  void Assign(const rt::TStrings& Source);
  void AssignTo(TrepWideStrings& Dest) const { Dest.Assign(*this); }
  void AssignTo(rt::TStrings& Dest) const;

  // Every line followed by CR LF.
  std::u16string GetText() const;
  // Lines end at CR, LF, U+2028 or NUL; one CR, then one LF, then one U+2028 are skipped after
  // a line; splitting stops at NUL or the end.
  void SetText(std::u16string_view Text);

  // UTF-16LE with the mark FF FE, or else 8-bit text in the system code page.
  void LoadFromStream(rt::TStream& Stream);
  // UTF-16LE without a mark, from the position to the end.
  void LoadFromWStream(rt::TStream& Stream);
  // The text as UTF-16LE without a mark.
  void SaveToStream(rt::TStream& Stream) const;
  void LoadFromFile(const std::string& FileName);
  // Writes the mark FF FE before the text, so that LoadFromFile reads the file back as saved.
  void SaveToFile(const std::string& FileName) const;

  // Stored forms in a component stream: reads "Strings", "UTF8" and "UTF8W"; writes "UTF8W".
  void DefineProperties(rt::TFiler& Filer);
  bool Equals(const TrepWideStrings& Other) const;

private:
  struct TLine {
    std::u16string Text;
    rt::TObject* Obj = nullptr;
  };
  void ReadStrings(rt::TReader& Reader);
  void ReadUTF8(rt::TReader& Reader);
  void ReadUTF8W(rt::TReader& Reader);
  void WriteUTF8W(rt::TWriter& Writer) const;
  std::vector<TLine> FWideStringList;
};

// ---- Character sets and code pages ----
//
// Code pages: 0 (the system's, 1252), 1 (OEM, 437), 2 (Macintosh, 10000), 3 (the thread's,
// 1252), 42 (symbol fonts: bytes map to U+F000 + byte), 437, 874, 1250 to 1258, 10000 and 65001
// (UTF-8) from our own tables; 932, 936, 949, 950 and 1361 (double-byte) through the C library.
// An unknown code page raises rt::EConvertError. Characters a code page lacks become '?'.

constexpr int DEFAULT_CHARSET = 1;
constexpr int MAC_CHARSET = 77;
constexpr int OEM_CHARSET = 255;

// The code page of a font character set; rt::EOSError for a set that has none.
int CharsetToCodePage(int Charset);
// CodePage 0 takes the code page from Charset.
std::u16string AnsiToWideByCharset(std::string_view S, int Charset, int CodePage);
std::string WideToAnsiByCharset(std::u16string_view W, int Charset, int CodePage);
// A locale identifier for a font character set; other sets give the thread's locale (1033).
int CharsetToLocaleId(int Charset);
