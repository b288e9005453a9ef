#pragma once
// The report engine's user-visible texts, looked up by key in one process-wide table so that a
// language file can replace them. A key the table lacks stands for itself.
#include <map>
#include <string>
#include <string_view>

#include "platform/rt/Classes.h"
#include "report/engine/repUnicodeUtils.h"

class TrepImageList;

class TrepResources : public rt::TObject {
public:
  // Finds the language files ("*.frc") beside the executable.
  TrepResources();

  // The text of the key (letter case ignored), or the key itself; one leading '!' is removed.
  std::string Get(std::string_view StrName) const;
  // Sets the text of a key: a new key is appended, a known one keeps its place.
  void Add(std::string_view Ref, std::string_view Str);
  void AddW(std::string_view Ref, std::u16string_view Str);
  // Lines "key=text"; lines whose key or text is empty are skipped.
  void AddStrings(std::string_view Str);
  // Merges a table given as UTF-8 text.
  void AddXML(std::string_view Str);
  // Merges a table file; a missing file does nothing.
  void LoadFromFile(const std::string& FileName);
  // Merges a table: root "Resources" with a numeric CodePage, one "StrRes" per text (Name, Text;
  // the text escaped twice). rt::EConvertError for a missing or bad CodePage, before anything
  // is added; TrepInvalidXMLException for malformed XML.
  void LoadFromStream(rt::TStream& Stream);
  void Clear();
  // Hands the script engine's seventeen compile-time messages their texts from the table.
  void UpdateFSResources();
  // There is no help viewer on the server: this returns the address the help would open (the
  // help file beside the executable, with the topic of the sender's dialog class) and shows
  // nothing.
  std::string Help(const rt::TObject* Sender) const;

  // Names of the language files, capitalised, without ".frc", sorted.
  const rt::TStringList& Languages() const { return FLanguages; }
  const std::string& HelpFile() const { return FHelpFile; }
  void SetHelpFile(std::string_view Value) { FHelpFile = Value; }
  // The code page named by the last table loaded.
  int CodePage() const { return FCP; }
  int ImagesPPI() const { return FImagesPPI; }
  // Lowered to a multiple of 24.
  void SetImagesPPI(int Value) { FImagesPPI = Value / 24 * 24; }
  // The preview's tool-bar pictures at ImagesPPI (repButtonImages.cpp); the lists of other
  // resolutions stay and come back with their resolution.
  const TrepImageList& PreviewButtonImages();
  int Count() const { return FValues.Count(); }

private:
  struct TKeyLess {
    bool operator()(const std::string& A, const std::string& B) const { return rt::CompareText(A, B) < 0; }
  };
  std::map<std::string, int, TKeyLess> FNames;
  TrepWideStrings FValues;
  int FCP = 0;
  rt::TStringList FLanguages;
  std::string FHelpFile = "ZOZada.dad";
  int FImagesPPI = 96;
};

// The process-wide table, made on first use.
TrepResources& ResourceTable();
// Get of the decimal text of Id.
std::string ResourceString(int Id);

// Start-up: merge the compiled-in tables of the engine and of the exports, in this order.
void repInitEngineResources();
void repInitExportResources();
