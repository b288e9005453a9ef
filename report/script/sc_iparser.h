#pragma once
// The front end of the script engine: the language registry, the tokenizer shared by all script
// languages, and the grammar-driven parser that turns a script into the intermediate program.
//
// Texts are UTF-8. The tokenizer works on bytes: identifiers may hold any byte of code 127 or
// above (so any non-ASCII character); string literals carry any text. Position texts
// ("line:column", both from 1) count columns in characters, not bytes.
#include <bitset>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/Classes.h"
#include "report/script/sc_xml.h"

// ---------------------------------------------------------------------------------------------
// Language registry: grammar documents by language name (names compared ignoring case).

// Registers Grammar under Name, replacing a grammar already registered under that name.
void AddScriptLanguage(const std::string& Name, const std::string& Grammar);
// The grammar registered under Name; rt::Exception with SLangNotFound when there is none.
std::string FindScriptLanguage(const std::string& Name);

// ---------------------------------------------------------------------------------------------
// Tokenizer

using TscIdentifierCharset = std::bitset<256>;

class TscParser {
public:
  TscParser();
  TscParser(const TscParser&) = delete;
  TscParser& operator=(const TscParser&) = delete;

  // Back to the default options; the text stays.
  void Clear();

  // The source text (without the terminating code 0). Setting it moves to position 1.
  std::string Text() const { return FText.substr(0, static_cast<std::size_t>(FSize)); }
  // The same text without a copy; valid until the text changes.
  std::string_view TextView() const { return std::string_view(FText).substr(0, static_cast<std::size_t>(FSize)); }
  void SetText(const std::string& S);
  // 1-based byte position.
  int Position() const { return FPosition; }
  void SetPosition(int Value) { FPosition = FLastPosition = Value; }
  int Size() const { return FSize; }

  // Comment pairs are written "open,close".
  const std::string& CommentBlock1() const { return FCommentBlock1; }
  void SetCommentBlock1(const std::string& Value);
  const std::string& CommentBlock2() const { return FCommentBlock2; }
  void SetCommentBlock2(const std::string& Value);
  // The identifier set becomes exactly the (low bytes of the) characters of S.
  void ConstructCharset(const std::string& S);

  std::string CommentLine1;
  std::string CommentLine2;
  char StringQuotes = '\'';  // 0 for none
  std::string HexSequence;
  char SkiPChar = 0;  // line continuation, 0 for none
  TscIdentifierCharset IdentifierCharset;
  // Sorted, compared ignoring case.
  rt::TStringList Keywords;
  bool SkipEOL = true;
  bool SkipSpace = true;
  bool SpecStrChar = false;
  bool CaseSensitive = false;
  // Keep a list of line-feed positions for fast position texts.
  bool UseY = true;

  // Skips blanks, continuation characters and comments.
  void SkipSpaces();
  // True (and steps over them) when line breaks follow the blanks.
  bool GetEOL();
  // Each returns an empty string when no token of its kind stands at the position.
  std::string GetIdent();
  std::string GetWord();
  std::string GetChar();
  // A hexadecimal number comes with "$" in place of the language's prefix.
  std::string GetNumber();
  // The value enclosed in apostrophes, whatever the language's quote.
  std::string GetString();
  // The raw text up to the '>' that closes the '<' just before the position.
  std::string GetFRString();
  bool IsKeyWord(const std::string& S) const;
  // "line:column" of the current position.
  std::string GetXYPosition() const;
  // Position of column X (in characters) of line Y; -1 when there is no line Y.
  int GetPlainPosition(int X, int Y) const;

private:
  int Ch(int Pos) const { return static_cast<unsigned char>(FText[static_cast<std::size_t>(Pos - 1)]); }
  bool TextAt(int Pos, const std::string& S) const;
  std::string ReadIdentifier();
  // Reads the integer form of a number (decimal, or hexadecimal after the prefix) at Pos.
  bool ReadInteger(int& Pos) const;
  bool ReadQuoted(std::string& Value);
  bool ReadCharCode(std::string& Value);

  std::string FText;  // the text and a terminating 0
  int FSize = 0;
  int FPosition = 1;
  int FLastPosition = 1;
  std::string FCommentBlock1, FCommentBlock11, FCommentBlock12;
  std::string FCommentBlock2, FCommentBlock21, FCommentBlock22;
  std::vector<int> FYList;
  // Position texts must not cost more with longer lines or texts: the line-feed positions
  // (FYList, or FLineIndex made on first use when UseY is off) and, for texts with non-ASCII
  // bytes, the running count of UTF-8 continuation bytes (FContinuations[P]: among bytes 1..P).
  const std::vector<int>& LineIndex() const;
  int ContinuationsUpTo(int Pos) const;
  bool FAsciiOnly = true;
  mutable std::vector<int> FLineIndex;
  mutable std::vector<int> FContinuations;
};

// ---------------------------------------------------------------------------------------------
// Grammar-driven parser: source text -> intermediate program.

// Asked for the text of an included unit.
using TscGetUnitTextEvent = std::function<void(const std::string& UnitName, std::string& UnitText)>;

// Makes the intermediate program of one compilation by interpreting the selected language's
// grammar. The script program's parser derives from it and adds the conversion of the
// intermediate program into executable objects.
class TscCustomILParser {
public:
  TscCustomILParser();
  virtual ~TscCustomILParser();
  TscCustomILParser(const TscCustomILParser&) = delete;
  TscCustomILParser& operator=(const TscCustomILParser&) = delete;

  // Loads the grammar of LangName and configures the tokenizer; rt::Exception (SLangNotFound)
  // for a language that is not registered, "Invalid file format" for a broken grammar document.
  void SelectLanguage(const std::string& LangName);
  // Builds ILScript from Text. False on a syntax error (ErrorMsg, ErrorPos, maybe ErrorUnit) or
  // when the text is no program at all (ErrorMsg empty). Raises rt::Exception (SInvalidLanguage)
  // when the grammar refers to a rule it lacks, and the file errors of included units.
  bool MakeILScript(const std::string& Text);

  // ---- Settings of the script program, read while making the intermediate program ----
  // Codes 128 to 255 are identifier characters (taken by SelectLanguage).
  bool ExtendedCharset = false;
  // Folders searched for included units, in order; an empty entry is the current folder.
  std::vector<std::string> IncludePath{std::string()};
  // When set, asked for the text of an included unit instead of reading a file.
  TscGetUnitTextEvent OnGetUnit;

  // ---- Results of MakeILScript ----
  std::string ErrorMsg;
  std::string ErrorPos;   // "line:column"
  std::string ErrorUnit;  // the included unit the error is in; empty for the main text

  TscXMLDocument& ILScript() { return *FILScript; }
  // The selected language's grammar document; shared by every parser of that language, so it is
  // only read.
  const TscXMLDocument& Grammar() const;
  // Its root element; read it only.
  TscXMLItem* GrammarRoot() const { return FRoot; }
  TscParser& Parser() { return FParser; }
  const std::string& LangName() const { return FLangName; }
  // False when the language lets undeclared names become Variant variables.
  bool NeedDeclareVars() const { return FNeedDeclareVars; }
  // Units included so far in this compilation.
  std::vector<std::string>& UsesList() { return FUsesList; }
  // The unit this parser works on; empty for the main text.
  const std::string& UnitName() const { return FUnitName; }
  void SetUnitName(const std::string& Value) { FUnitName = Value; }

protected:
  TscXMLItem* FRoot = nullptr;
  std::string FLangName;
  TscParser FParser;
  std::unique_ptr<TscXMLDocument> FILScript;
  bool FNeedDeclareVars = true;
  std::vector<std::string> FUsesList;
  std::string FUnitName;

private:
  struct TElement;
  class TGrammar;
  struct TLanguage;

  // The grammar of a language, read and digested once per process (again when it is replaced).
  static std::shared_ptr<const TLanguage> LoadLanguage(const std::string& LangName);

  bool Match(const TElement& E);
  bool MatchLoop(const TElement& E, int P0);
  void GoBack(int P0, std::size_t L0);
  void ApplyNode(const TElement& E, bool Success, int P0, std::size_t L0);
  void RecordError(const TElement& E, int P0);
  std::string PositionTextAt(int P0);
  void EmitAdd(const TElement& E, const std::string& Token);
  void Emit(const TscXMLName& Name, const std::string& Attributes);
  void IncludeUnits(std::size_t L0);
  std::unique_ptr<TscXMLItem> IncludeUnit(const std::string& UnitName);
  std::string ReadUnitText(const std::string& UnitName);
  bool TokenEquals(const std::string& Token, const std::string& Expected) const;

  std::shared_ptr<const TLanguage> FLanguage;
  const TGrammar* FRules = nullptr;
  // Working state of one MakeILScript: the finished elements of the intermediate program, in
  // order; a rule that matches takes the ones it emitted as its children.
  std::vector<std::unique_ptr<TscXMLItem>> FEmitted;
  std::string FRecordedMsg;
  std::string FRecordedPos;
  bool FTermFlag = false;
  int FDepth = 0;
  bool FTooDeep = false;
};
