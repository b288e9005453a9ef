#include "report/script/sc_iparser.h"

#include "report/script/sc_istack.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <utility>

#include "platform/rt/SysUtils.h"
#include "report/script/sc_iconst.h"

// ---------------------------------------------------------------------------------------------
// Language registry

namespace {

struct TLanguageList {
  std::mutex Lock;
  std::vector<std::pair<std::string, std::string>> Entries;  // name, grammar
};

TLanguageList& Languages() {
  static TLanguageList List;
  return List;
}

}  // namespace

void AddScriptLanguage(const std::string& Name, const std::string& Grammar) {
  TLanguageList& L = Languages();
  std::lock_guard<std::mutex> Guard(L.Lock);
  for (auto& Entry : L.Entries)
    if (rt::SameText(Entry.first, Name)) {
      Entry = {Name, Grammar};
      return;
    }
  L.Entries.emplace_back(Name, Grammar);
}

std::string FindScriptLanguage(const std::string& Name) {
  TLanguageList& L = Languages();
  std::lock_guard<std::mutex> Guard(L.Lock);
  for (const auto& Entry : L.Entries)
    if (rt::SameText(Entry.first, Name)) return Entry.second;
  throw rt::Exception(scFormatMessage(SLangNotFound, Name));
}

// ---------------------------------------------------------------------------------------------
// TscParser

namespace {

bool IsDigit(int C) { return C >= '0' && C <= '9'; }


bool IsPunctuation(int C) {
  return (C >= 33 && C <= 47) || (C >= 58 && C <= 64) || (C >= 91 && C <= 96) || (C >= 123 && C <= 126);
}

bool IsContinuationByte(int C) { return (C & 0xC0) == 0x80; }

void SplitPair(const std::string& Pair, std::string& Open, std::string& Close) {
  const std::size_t Comma = Pair.find(',');
  if (Comma == std::string::npos) {
    Open = Pair;
    Close.clear();
  } else {
    Open = Pair.substr(0, Comma);
    Close = Pair.substr(Comma + 1);
  }
}

// Code of a character-code text; codes beyond the character range give U+FFFD.
std::uint32_t CodeOf(const std::string& Digits, int Base) {
  std::uint32_t Code = 0;
  for (char C : Digits) {
    const int D = Base == 16 ? rt::HexDigitValue(static_cast<unsigned char>(C)) : C - '0';
    Code = std::min<std::uint32_t>(Code * static_cast<std::uint32_t>(Base) + static_cast<std::uint32_t>(D), 0x110000);
  }
  return Code;
}

}  // namespace

TscParser::TscParser() {
  Keywords.SetSorted(true);
  Clear();
  SetText(std::string());
}

void TscParser::Clear() {
  Keywords.Clear();
  SpecStrChar = false;
  CommentLine1 = "//";
  CommentLine2.clear();
  SetCommentBlock1("{,}");
  SetCommentBlock2("(*,*)");
  HexSequence = "$";
  ConstructCharset("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz");
  SkiPChar = 0;
  SkipEOL = true;
  StringQuotes = '\'';
  SkipSpace = true;
  CaseSensitive = false;
}

void TscParser::SetText(const std::string& S) {
  FText = S;
  FText += '\0';
  FSize = static_cast<int>(S.size());
  FPosition = FLastPosition = 1;
  FLineIndex.clear();
  FContinuations.clear();
  FAsciiOnly = std::all_of(S.begin(), S.end(), [](char C) { return static_cast<unsigned char>(C) < 0x80; });
  FYList.clear();
  if (UseY) {
    FYList.push_back(0);
    for (int I = 0; I < FSize; ++I)
      if (S[static_cast<std::size_t>(I)] == '\n') FYList.push_back(I + 1);
  }
}

void TscParser::SetCommentBlock1(const std::string& Value) {
  FCommentBlock1 = Value;
  SplitPair(Value, FCommentBlock11, FCommentBlock12);
}

void TscParser::SetCommentBlock2(const std::string& Value) {
  FCommentBlock2 = Value;
  SplitPair(Value, FCommentBlock21, FCommentBlock22);
}

void TscParser::ConstructCharset(const std::string& S) {
  IdentifierCharset.reset();
  // The low byte of each character's code.
  for (std::size_t I = 0; I < S.size();) {
    const auto B = static_cast<unsigned char>(S[I]);
    std::uint32_t Code = B;
    std::size_t Len = 1;
    if (B >= 0xC0 && B < 0xE0) {
      Code = B & 0x1F;
      Len = 2;
    } else if (B >= 0xE0 && B < 0xF0) {
      Code = B & 0x0F;
      Len = 3;
    } else if (B >= 0xF0) {
      Code = B & 0x07;
      Len = 4;
    }
    for (std::size_t K = 1; K < Len && I + K < S.size(); ++K)
      Code = (Code << 6) | (static_cast<unsigned char>(S[I + K]) & 0x3F);
    IdentifierCharset.set(Code & 0xFF);
    I += Len;
  }
}

bool TscParser::TextAt(int Pos, const std::string& S) const {
  if (S.empty() || Pos < 1) return false;
  const auto At = static_cast<std::size_t>(Pos - 1);
  if (At + S.size() > static_cast<std::size_t>(FSize) || FText[At] != S[0]) return false;
  return FText.compare(At, S.size(), S) == 0;
}

void TscParser::SkipSpaces() {
  bool AfterContinuation = false;
  for (;;) {
    while (FPosition <= FSize) {
      const int C = Ch(FPosition);
      if (C <= 32 && !(C == 13 && !SkipEOL))
        ++FPosition;
      else
        break;
    }
    if (SkiPChar != 0 && FPosition <= FSize && Ch(FPosition) == static_cast<unsigned char>(SkiPChar)) {
      ++FPosition;
      AfterContinuation = true;
      continue;
    }
    if (FPosition < FSize) {
      if (TextAt(FPosition, CommentLine1) || TextAt(FPosition, CommentLine2)) {
        const int Start = FPosition;
        const std::size_t Lf = FText.find('\n', static_cast<std::size_t>(Start - 1));
        const int End = Lf == std::string::npos || Lf >= static_cast<std::size_t>(FSize) ? FSize + 1 : static_cast<int>(Lf) + 1;
        FPosition = End;
        // Without line-break skipping a comment after code leaves its line end as a token.
        if (!SkipEOL && !(Start == 1 || Ch(Start - 1) == '\n')) {
          for (int P = Start; P < End; ++P)
            if (Ch(P) == '\r') {
              FPosition = P;
              break;
            }
        }
        continue;
      }
      const std::string* Close = nullptr;
      if (TextAt(FPosition, FCommentBlock11)) {
        FPosition += static_cast<int>(FCommentBlock11.size());
        Close = &FCommentBlock12;
      } else if (TextAt(FPosition, FCommentBlock21)) {
        FPosition += static_cast<int>(FCommentBlock21.size());
        Close = &FCommentBlock22;
      }
      if (Close) {
        while (FPosition <= FSize && !TextAt(FPosition, *Close)) ++FPosition;
        FPosition = std::min(FPosition + static_cast<int>(Close->size()), FSize + 1);
        continue;
      }
    }
    if (AfterContinuation) {
      AfterContinuation = false;
      if (FPosition <= FSize && (Ch(FPosition) == 13 || Ch(FPosition) == 10)) {
        while (FPosition <= FSize && (Ch(FPosition) == 13 || Ch(FPosition) == 10)) ++FPosition;
        continue;
      }
    }
    break;
  }
  FLastPosition = FPosition;
}

bool TscParser::GetEOL() {
  SkipSpaces();
  if (FPosition > FSize || (Ch(FPosition) != 13 && Ch(FPosition) != 10)) return false;
  while (FPosition <= FSize && (Ch(FPosition) == 13 || Ch(FPosition) == 10)) ++FPosition;
  return true;
}

std::string TscParser::ReadIdentifier() {
  if (SkipSpace)
    SkipSpaces();
  else
    FLastPosition = FPosition;
  if (FPosition > FSize) return std::string();
  int C = Ch(FPosition);
  if (!((IdentifierCharset[static_cast<std::size_t>(C)] && !IsDigit(C)) || C >= 127)) return std::string();
  while (FPosition <= FSize) {
    C = Ch(FPosition);
    if (!(IdentifierCharset[static_cast<std::size_t>(C)] || C >= 127)) break;
    ++FPosition;
  }
  return FText.substr(static_cast<std::size_t>(FLastPosition - 1), static_cast<std::size_t>(FPosition - FLastPosition));
}

std::string TscParser::GetWord() { return ReadIdentifier(); }

std::string TscParser::GetIdent() {
  std::string S = ReadIdentifier();
  if (!S.empty() && IsKeyWord(S)) {
    FPosition = FLastPosition;
    return std::string();
  }
  return S;
}

bool TscParser::IsKeyWord(const std::string& S) const {
  if (CaseSensitive) {
    for (int I = 0, N = Keywords.Count(); I < N; ++I)
      if (Keywords[I] == S) return true;
    return false;
  }
  int Index = 0;
  return Keywords.Find(S, Index);
}

std::string TscParser::GetChar() {
  if (FPosition > FSize) return std::string();
  const int C = Ch(FPosition);
  if (!IsPunctuation(C)) return std::string();
  ++FPosition;
  return std::string(1, static_cast<char>(C));
}

bool TscParser::ReadInteger(int& Pos) const {
  int P = Pos;
  if (TextAt(P, HexSequence)) {
    P += static_cast<int>(HexSequence.size());
    const int Start = P;
    while (P <= FSize && rt::HexDigitValue(Ch(P)) >= 0) ++P;
    if (P == Start) return false;
  } else {
    const int Start = P;
    while (P <= FSize && IsDigit(Ch(P))) ++P;
    if (P == Start) return false;
  }
  Pos = P;
  return true;
}

std::string TscParser::GetNumber() {
  if (SkipSpace)
    SkipSpaces();
  else
    FLastPosition = FPosition;
  int P = FPosition;
  if (!ReadInteger(P)) return std::string();
  // The real form needs digits after the point; an incomplete exponent is not read.
  if (Ch(P) == '.' && IsDigit(Ch(P + 1)) && P + 1 <= FSize) {
    int Q = P + 1;
    while (Q <= FSize && IsDigit(Ch(Q))) ++Q;
    if (Q <= FSize && (Ch(Q) == 'e' || Ch(Q) == 'E')) {
      int R = Q + 1;
      if (R <= FSize && (Ch(R) == '+' || Ch(R) == '-')) ++R;
      if (R <= FSize && IsDigit(Ch(R))) {
        while (R <= FSize && IsDigit(Ch(R))) ++R;
        Q = R;
      }
    }
    P = Q;
  }
  FPosition = P;
  std::string R = FText.substr(static_cast<std::size_t>(FLastPosition - 1), static_cast<std::size_t>(P - FLastPosition));
  if (!HexSequence.empty() && HexSequence != "$") R = rt::StringReplace(R, HexSequence, "$", rt::rfReplaceAll);
  return R;
}

bool TscParser::ReadQuoted(std::string& Value) {
  const int Quote = static_cast<unsigned char>(StringQuotes);
  int P = FPosition + 1;
  std::string Part;
  for (;;) {
    if (P > FSize) return false;
    const int C = Ch(P);
    if (C == Quote) {
      if (!SpecStrChar && P + 1 <= FSize && Ch(P + 1) == Quote) {
        Part += static_cast<char>(Quote);
        P += 2;
        continue;
      }
      ++P;
      break;
    }
    if (SpecStrChar && C == '\\') {
      ++P;
      if (P > FSize) return false;
      const int E = Ch(P);
      ++P;
      if (E == 'n' || E == 'N') {
        Part += '\n';
      } else if (E == 'r' || E == 'R') {
        Part += '\r';
      } else if (E == 'x' || E == 'X') {
        const int Start = P;
        while (P <= FSize && rt::HexDigitValue(Ch(P)) >= 0) ++P;
        if (P > Start)
          Part += scCharToUTF8(CodeOf(FText.substr(static_cast<std::size_t>(Start - 1), static_cast<std::size_t>(P - Start)), 16));
      } else {
        Part += static_cast<char>(E);
      }
      continue;
    }
    if (C < 32 && C != 9) return false;
    Part += static_cast<char>(C);
    ++P;
  }
  Value += Part;
  FPosition = P;
  return true;
}

bool TscParser::ReadCharCode(std::string& Value) {
  const int Start = FPosition + 1;
  int P = Start;
  if (!ReadInteger(P)) return false;
  std::string Digits = FText.substr(static_cast<std::size_t>(Start - 1), static_cast<std::size_t>(P - Start));
  int Base = 10;
  if (TextAt(Start, HexSequence)) {
    Digits.erase(0, HexSequence.size());
    Base = 16;
  }
  Value += scCharToUTF8(CodeOf(Digits, Base));
  FPosition = P;
  return true;
}

std::string TscParser::GetString() {
  if (SkipSpace)
    SkipSpaces();
  else
    FLastPosition = FPosition;
  std::string Value;
  bool Any = false;
  while (FPosition <= FSize) {
    const int C = Ch(FPosition);
    if (StringQuotes != 0 && C == static_cast<unsigned char>(StringQuotes)) {
      if (!ReadQuoted(Value)) break;
    } else if (C == '#') {
      if (!ReadCharCode(Value)) break;
    } else {
      break;
    }
    Any = true;
  }
  if (!Any) {
    FPosition = FLastPosition;
    return std::string();
  }
  return "'" + Value + "'";
}

std::string TscParser::GetFRString() {
  const int Start = FPosition;
  int Depth = 1;
  int Quote = 0;
  while (FPosition <= FSize) {
    const int C = Ch(FPosition);
    if (Quote) {
      if (C == Quote) Quote = 0;
    } else if (C == '"' || C == '\'') {
      Quote = C;
    } else if (C == '<' || C == '[') {
      ++Depth;
    } else if (C == '>' || C == ']') {
      if (--Depth == 0) break;
    }
    ++FPosition;
  }
  return FText.substr(static_cast<std::size_t>(Start - 1), static_cast<std::size_t>(FPosition - Start));
}

const std::vector<int>& TscParser::LineIndex() const {
  if (UseY && !FYList.empty()) return FYList;
  if (FLineIndex.empty()) {
    FLineIndex.push_back(0);
    for (int P = 1; P <= FSize; ++P)
      if (Ch(P) == '\n') FLineIndex.push_back(P);
  }
  return FLineIndex;
}

int TscParser::ContinuationsUpTo(int Pos) const {
  if (FAsciiOnly || Pos <= 0) return 0;
  if (FContinuations.empty()) {
    FContinuations.assign(static_cast<std::size_t>(FSize) + 1, 0);
    for (int P = 1; P <= FSize; ++P)
      FContinuations[static_cast<std::size_t>(P)] =
          FContinuations[static_cast<std::size_t>(P - 1)] + (IsContinuationByte(Ch(P)) ? 1 : 0);
  }
  return FContinuations[static_cast<std::size_t>(std::min(Pos, FSize))];
}

std::string TscParser::GetXYPosition() const {
  const int Pos = FPosition;
  const std::vector<int>& Lines = LineIndex();
  // The line feed before the line (0 for the first line) is the last one before Pos.
  const auto It = std::lower_bound(Lines.begin() + 1, Lines.end(), Pos);
  const int Line = static_cast<int>(It - Lines.begin());
  const int LineFeed = Lines[static_cast<std::size_t>(Line - 1)];
  // Columns count characters: continuation bytes of UTF-8 sequences are not counted.
  int Column = Pos - LineFeed;
  if (Pos - 1 > LineFeed) Column -= ContinuationsUpTo(Pos - 1) - ContinuationsUpTo(LineFeed);
  return std::to_string(Line) + ":" + std::to_string(Column);
}

int TscParser::GetPlainPosition(int X, int Y) const {
  const std::vector<int>* List = &LineIndex();
  if (Y < 1 || Y > static_cast<int>(List->size())) return -1;
  const int LineFeed = (*List)[static_cast<std::size_t>(Y - 1)];
  if (X < 1) return X + LineFeed;
  // Every byte is a character in ASCII text, and past the end of the text.
  if (FAsciiOnly) return LineFeed + X;
  int P = LineFeed + 1;
  for (int I = 1; I < X; ++I) {
    if (P > FSize) {
      P += X - I;
      break;
    }
    ++P;
    while (P <= FSize && IsContinuationByte(Ch(P))) ++P;
  }
  return P;
}

// ---------------------------------------------------------------------------------------------
// The grammar, digested once per language selection: attribute texts are looked up when the
// grammar is read instead of on every visit of an element.

enum class TscElementKind {
  Rule, Char, Keyword, Ident, Number, String, FRString, Eol, Sequence, Switch, OptionalSwitch,
  Loop, OptionalLoop, Optional, Reference
};

struct TscCustomILParser::TElement {
  TscElementKind Kind = TscElementKind::Reference;
  std::string Text;  // lower-cased expected token or loop separator
  // Element names: shared, so that naming an emitted element copies no text.
  TscXMLName Node;  // lower-cased
  TscXMLName Add;
  bool HasAddText = false;
  std::string AddText;
  bool HasErr = false;
  std::string ErrMsg;
  bool Term = false;
  bool SkipBlanks = true;  // char: skip="0" turns the blank skip off
  bool LoopSkip = false;   // loops: skip="1"
  int Rule = -1;           // reference: index of the rule, -1 when the grammar has none
  std::vector<TElement> Children;
};

class TscCustomILParser::TGrammar {
public:
  TGrammar(const TscXMLItem* Root) {
    const TscXMLItem* Errors = nullptr;
    const int P = Root->Find("parser");
    if (P >= 0) {
      const TscXMLItem* Parser = Root->Items(P);
      const int E = Parser->Find("errors");
      if (E >= 0) Errors = Parser->Items(E);
    }
    FErrors = Errors;
    FRoot = Root;
    Rules.reserve(static_cast<std::size_t>(Root->Count()));
    for (int I = 0; I < Root->Count(); ++I) Rules.push_back(Build(Root->Items(I), true));
    FErrors = nullptr;
    FRoot = nullptr;
  }

  // Finds the first rule of that name (ignoring case), -1 when there is none.
  int RuleIndex(const std::string& Name) const {
    for (std::size_t I = 0; I < Rules.size(); ++I)
      if (rt::SameText(RuleNames[I], Name)) return static_cast<int>(I);
    return -1;
  }

  std::vector<TElement> Rules;
  std::vector<std::string> RuleNames;

private:
  TElement Build(const TscXMLItem* X, bool IsRule) {
    TElement E;
    const std::string Name = rt::LowerCase(X->Name);
    if (IsRule) {
      E.Kind = TscElementKind::Rule;
      RuleNames.push_back(X->Name);
    } else {
      E.Kind = KindOf(Name);
    }
    E.Text = rt::LowerCase(X->Prop("text"));
    E.Node = rt::LowerCase(X->Prop("node"));
    E.Add = X->Prop("add");
    E.HasAddText = X->PropExists("addtext");
    E.AddText = X->Prop("addtext");
    const std::string Err = X->Prop("err");
    if (!Err.empty()) {
      E.HasErr = true;
      if (FErrors) {
        const int I = FErrors->Find(Err);
        if (I >= 0) E.ErrMsg = FErrors->Items(I)->Prop("text");
      }
    }
    E.Term = X->Prop("term") == "1";
    const std::string Skip = X->Prop("skip");
    E.SkipBlanks = Skip != "0";
    E.LoopSkip = Skip == "1";
    if (E.Kind == TscElementKind::Reference) E.Rule = FRoot->Find(X->Name);
    E.Children.reserve(static_cast<std::size_t>(X->Count()));
    for (int I = 0; I < X->Count(); ++I) E.Children.push_back(Build(X->Items(I), false));
    return E;
  }

  static TscElementKind KindOf(const std::string& Name) {
    static const std::pair<const char*, TscElementKind> Kinds[] = {
        {"char", TscElementKind::Char},       {"keyword", TscElementKind::Keyword},
        {"ident", TscElementKind::Ident},     {"number", TscElementKind::Number},
        {"string", TscElementKind::String},   {"frstring", TscElementKind::FRString},
        {"eol", TscElementKind::Eol},         {"sequence", TscElementKind::Sequence},
        {"switch", TscElementKind::Switch},   {"optionalswitch", TscElementKind::OptionalSwitch},
        {"loop", TscElementKind::Loop},       {"optionalloop", TscElementKind::OptionalLoop},
        {"optional", TscElementKind::Optional}};
    for (const auto& K : Kinds)
      if (Name == K.first) return K.second;
    return TscElementKind::Reference;
  }

  const TscXMLItem* FErrors = nullptr;
  const TscXMLItem* FRoot = nullptr;
};

// ---------------------------------------------------------------------------------------------
// TscCustomILParser

namespace {

// Deeper nesting of grammar elements is refused rather than risking the thread's stack.
constexpr int MaxDepth = 3000;
const char* const SNestingTooDeep = "Nesting too deep";

}  // namespace

struct TscCustomILParser::TLanguage {
  std::string Text;
  TscXMLDocument Document;
  std::unique_ptr<TGrammar> Rules;
};

std::shared_ptr<const TscCustomILParser::TLanguage> TscCustomILParser::LoadLanguage(const std::string& LangName) {
  static std::mutex Lock;
  static std::map<std::string, std::shared_ptr<const TLanguage>> Loaded;  // by lower-case name
  std::string Text = FindScriptLanguage(LangName);
  const std::string Key = rt::LowerCase(LangName);
  {
    std::lock_guard<std::mutex> Guard(Lock);
    auto It = Loaded.find(Key);
    if (It != Loaded.end() && It->second->Text == Text) return It->second;
  }
  auto Language = std::make_shared<TLanguage>();
  rt::TStringStream Stream(Text);
  Language->Document.LoadFromStream(Stream);
  Language->Rules = std::make_unique<TGrammar>(Language->Document.Root());
  Language->Text = std::move(Text);
  std::lock_guard<std::mutex> Guard(Lock);
  Loaded[Key] = Language;
  return Language;
}

TscCustomILParser::TscCustomILParser() : FILScript(std::make_unique<TscXMLDocument>()) {
  FRoot = Grammar().Root();
}

const TscXMLDocument& TscCustomILParser::Grammar() const {
  static const TscXMLDocument None;
  return FLanguage ? FLanguage->Document : None;
}

TscCustomILParser::~TscCustomILParser() = default;

void TscCustomILParser::SelectLanguage(const std::string& LangName) {
  FParser.Clear();
  FNeedDeclareVars = true;
  FLangName = LangName;
  FRules = nullptr;
  FLanguage = LoadLanguage(LangName);
  FRoot = FLanguage->Document.Root();
  FRules = FLanguage->Rules.get();

  const int P = FRoot->Find("parser");
  const TscXMLItem* Options = P >= 0 ? FRoot->Items(P) : nullptr;
  if (Options) {
    const int K = Options->Find("keywords");
    if (K >= 0) {
      const TscXMLItem* Keywords = Options->Items(K);
      for (int I = 0; I < Keywords->Count(); ++I) FParser.Keywords.Add(Keywords->Items(I)->Name);
    }
    for (int I = 0; I < Options->Count(); ++I) {
      const TscXMLItem* Option = Options->Items(I);
      const std::string Name = rt::LowerCase(Option->Name);
      const std::string Value = Option->Prop("text");
      if (Name == "identchars")
        FParser.ConstructCharset(Value);
      else if (Name == "commentline1")
        FParser.CommentLine1 = Value;
      else if (Name == "commentline2")
        FParser.CommentLine2 = Value;
      else if (Name == "commentblock1")
        FParser.SetCommentBlock1(Value);
      else if (Name == "commentblock2")
        FParser.SetCommentBlock2(Value);
      else if (Name == "stringquotes")
        FParser.StringQuotes = Value.empty() ? '\0' : Value[0];
      else if (Name == "hexsequence")
        FParser.HexSequence = Value;
      else if (Name == "skipchar")
        FParser.SkiPChar = Value.empty() ? '\0' : Value[0];
      else if (Name == "specstrchar" && Value == "1")
        FParser.SpecStrChar = true;
      else if (Name == "declarevars" && Value == "0")
        FNeedDeclareVars = false;
      else if (Name == "skipeol" && Value == "0")
        FParser.SkipEOL = false;
      else if (Name == "casesensitive" && Value == "1")
        FParser.CaseSensitive = true;
    }
  }
  if (ExtendedCharset)
    for (std::size_t C = 128; C < 256; ++C) FParser.IdentifierCharset.set(C);
}

bool TscCustomILParser::MakeILScript(const std::string& Text) {
  FEmitted.clear();
  FRecordedMsg.clear();
  FRecordedPos.clear();
  FTermFlag = false;
  FDepth = 0;
  FTooDeep = false;
  ErrorMsg.clear();
  ErrorPos.clear();
  ErrorUnit.clear();
  FILScript->Clear();
  FILScript->Root()->Name.clear();
  FILScript->Root()->Text.clear();

  FParser.SetText(Text);
  int Start = 1;
  // "#language Name" on the first line chooses the language of the rest.
  if (!Text.empty() && Text[0] == '#') {
    FParser.SetPosition(2);
    if (rt::SameText(FParser.GetWord(), "language")) {
      const std::size_t From = static_cast<std::size_t>(FParser.Position() - 1);
      std::size_t Eol = Text.find_first_of("\r\n", From);
      if (Eol == std::string::npos) Eol = Text.size();
      const std::string Name = rt::Trim(Text.substr(From, Eol - From));
      if (Eol < Text.size() && Text[Eol] == '\r' && Eol + 1 < Text.size() && Text[Eol + 1] == '\n')
        Start = static_cast<int>(Eol) + 3;
      else
        Start = static_cast<int>(Eol) + 2;
      SelectLanguage(Name);
    }
  }
  if (!FRules) SelectLanguage(FLangName);
  FParser.SetPosition(Start);

  const int Program = FRules->RuleIndex("program");
  if (Program < 0) throw rt::Exception(SInvalidLanguage);
  const bool Matched = Match(FRules->Rules[static_cast<std::size_t>(Program)]);
  const bool Ok = Matched && FRecordedMsg.empty();
  if (Ok) {
    // The emitted elements become the program's children as they are: no text form in between.
    TscXMLItem* Root = FILScript->Root();
    Root->Name = "program";
    for (std::unique_ptr<TscXMLItem>& Item : FEmitted) Root->AddItem(Item.release());
    FEmitted.clear();
    TscXMLItem* Types = Root->Add();
    const int T = FRoot->Find("types");
    if (T >= 0)
      Types->Assign(FRoot->Items(T));
    else
      Types->Name = "types";
  }
  FEmitted.clear();
  ErrorMsg = FRecordedMsg;
  ErrorPos = FRecordedPos;
  return Ok;
}

std::string TscCustomILParser::PositionTextAt(int P0) {
  const int Saved = FParser.Position();
  FParser.SetPosition(P0);
  FParser.SkipSpaces();
  std::string S = FParser.GetXYPosition();
  FParser.SetPosition(Saved);
  return S;
}

bool TscCustomILParser::TokenEquals(const std::string& Token, const std::string& Expected) const {
  return FParser.CaseSensitive ? Token == Expected : rt::SameText(Token, Expected);
}

void TscCustomILParser::RecordError(const TElement& E, int P0) {
  if (!E.HasErr || !FRecordedMsg.empty()) return;
  FRecordedMsg = E.ErrMsg;
  FRecordedPos = PositionTextAt(P0);
  FTermFlag = E.Term;
}

void TscCustomILParser::Emit(const TscXMLName& Name, const std::string& Attributes) {
  auto Item = std::make_unique<TscXMLItem>();
  Item->Name = Name;
  Item->Text = Attributes;
  FEmitted.push_back(std::move(Item));
}

void TscCustomILParser::EmitAdd(const TElement& E, const std::string& Token) {
  Emit(E.Add, "text=\"" + scStrToXML(E.HasAddText ? E.AddText : Token) + "\" pos=\"" + FParser.GetXYPosition() + "\"");
}

bool TscCustomILParser::Match(const TElement& E) {
  if (FTooDeep) return false;
  struct TDepth {
    int& D;
    explicit TDepth(int& Depth) : D(Depth) { ++D; }
    ~TDepth() { --D; }
  } Depth(FDepth);
  const int P0 = FParser.Position();
  if (FDepth > MaxDepth || scStackLow()) {
    FTooDeep = true;
    FRecordedMsg = SNestingTooDeep;
    FRecordedPos = PositionTextAt(P0);
    return false;
  }
  const std::size_t L0 = FEmitted.size();

  bool Matched = true;
  bool ReadsToken = true;
  std::string Token;
  switch (E.Kind) {
    case TscElementKind::Rule:
    case TscElementKind::Sequence:
      ReadsToken = false;
      break;
    case TscElementKind::Char:
      if (E.SkipBlanks) FParser.SkipSpaces();
      Token = FParser.GetChar();
      break;
    case TscElementKind::Keyword: Token = FParser.GetWord(); break;
    case TscElementKind::Ident: Token = FParser.GetIdent(); break;
    case TscElementKind::Number: Token = FParser.GetNumber(); break;
    case TscElementKind::String: Token = FParser.GetString(); break;
    case TscElementKind::FRString: Token = FParser.GetFRString(); break;
    case TscElementKind::Eol:
      ReadsToken = false;
      Matched = FParser.GetEOL();
      break;
    case TscElementKind::Switch:
    case TscElementKind::OptionalSwitch:
      for (const TElement& Child : E.Children)
        if (Match(Child)) return true;
      GoBack(P0, L0);
      if (E.Kind == TscElementKind::OptionalSwitch) return true;
      RecordError(E, P0);
      return false;
    case TscElementKind::Loop:
    case TscElementKind::OptionalLoop:
      return MatchLoop(E, P0);
    case TscElementKind::Optional:
      for (const TElement& Child : E.Children)
        if (!Match(Child)) {
          GoBack(P0, L0);
          break;
        }
      return true;
    case TscElementKind::Reference:
      if (E.Rule < 0) throw rt::Exception(SInvalidLanguage);
      ReadsToken = false;
      Matched = Match(FRules->Rules[static_cast<std::size_t>(E.Rule)]);
      break;
  }
  if (ReadsToken) Matched = !Token.empty() && (E.Text.empty() || TokenEquals(Token, E.Text));
  if (!Matched) {
    RecordError(E, P0);
    GoBack(P0, L0);
    return false;
  }

  const bool IsRule = E.Kind == TscElementKind::Rule;
  if (E.Kind == TscElementKind::FRString) {
    // A report expression in angle brackets is a call of the report's Get function.
    const std::string P = "pos=\"" + FParser.GetXYPosition() + "\"";
    auto Dsgn = std::make_unique<TscXMLItem>();
    Dsgn->Name = "dsgn";
    Dsgn->Text = P;
    TscXMLItem* Node = Dsgn->Add();
    Node->Name = "node";
    Node->Text = "text=\"Get\" " + P;
    TscXMLItem* Expr = Dsgn->Add();
    Expr->Name = "expr";
    Expr->Text = P;
    TscXMLItem* Str = Expr->Add();
    Str->Name = "string";
    Str->Text = "text=\"" + scStrToXML("'" + Token + "'") + "\" " + P;
    FEmitted.push_back(std::move(Dsgn));
  }
  if (!IsRule) ApplyNode(E, true, P0, L0);
  if (!E.Add.empty()) EmitAdd(E, Token);
  for (const TElement& Child : E.Children)
    if (!Match(Child)) {
      Matched = false;
      break;
    }
  if (!Matched) FParser.SetPosition(P0);
  if (IsRule) ApplyNode(E, Matched, P0, L0);
  // A uses clause includes its units even when it fails.
  if (!Matched && !(IsRule && E.Node == "uses")) GoBack(P0, L0);
  return Matched;
}

void TscCustomILParser::GoBack(int P0, std::size_t L0) {
  // The tokens are read again by what is tried next: what was emitted for them goes too.
  FParser.SetPosition(P0);
  if (FEmitted.size() > L0) FEmitted.resize(L0);
}

bool TscCustomILParser::MatchLoop(const TElement& E, int P0) {
  const std::size_t L0 = FEmitted.size();
  int Count = 0;
  bool RepetitionMatched = false;
  bool RecordedBefore = false;  // an error was recorded before the last repetition began
  int After = P0;
  for (;;) {
    ++Count;
    const int Start = FParser.Position();
    RecordedBefore = !FRecordedMsg.empty();
    RepetitionMatched = true;
    for (const TElement& Child : E.Children)
      if (!Match(Child)) {
        RepetitionMatched = false;
        break;
      }
    After = FParser.Position();
    if (!RepetitionMatched) break;
    if (!E.Text.empty()) {
      FParser.SkipSpaces();
      if (FParser.GetChar() != E.Text) {
        FParser.SetPosition(After);
        break;
      }
    }
    if (FParser.Position() == Start) break;
  }
  if (Count >= 2) {
    // An error of a later repetition only ends the loop.
    if ((E.LoopSkip || FTermFlag) && !RecordedBefore && !FTooDeep) {
      FRecordedMsg.clear();
      FRecordedPos.clear();
      FTermFlag = false;
    }
    FParser.SetPosition(After);
    return true;
  }
  if (RepetitionMatched) return true;
  GoBack(P0, L0);
  return E.Kind == TscElementKind::OptionalLoop;
}

void TscCustomILParser::ApplyNode(const TElement& E, bool Success, int P0, std::size_t L0) {
  if (E.Node.empty()) return;
  if (E.Node == "uses") {
    IncludeUnits(L0);
    return;
  }
  if (!Success) {
    FEmitted.resize(L0);
    return;
  }
  auto Node = std::make_unique<TscXMLItem>();
  Node->Name = E.Node;
  std::string Text = "pos=\"" + PositionTextAt(P0) + "\"";
  if (E.Node == "expr") Text += " pos1=\"" + FParser.GetXYPosition() + "\"";
  Node->Text = Text;
  // What the rule emitted becomes the new element's children.
  Node->Reserve(static_cast<int>(FEmitted.size() - L0));
  for (std::size_t I = L0; I < FEmitted.size(); ++I) Node->AddItem(FEmitted[I].release());
  FEmitted.resize(L0);
  FEmitted.push_back(std::move(Node));
}

void TscCustomILParser::IncludeUnits(std::size_t L0) {
  std::vector<std::unique_ptr<TscXMLItem>> Emitted;
  for (std::size_t I = L0; I < FEmitted.size(); ++I) Emitted.push_back(std::move(FEmitted[I]));
  FEmitted.resize(L0);
  // Taken from the last to the first, each placed after the ones already included.
  for (auto It = Emitted.rbegin(); It != Emitted.rend(); ++It) {
    std::string Name = (*It)->Prop("text");
    if (Name.size() >= 2 && Name.front() == '\'' && Name.back() == '\'') Name = Name.substr(1, Name.size() - 2);
    if (std::unique_ptr<TscXMLItem> Uses = IncludeUnit(Name)) FEmitted.push_back(std::move(Uses));
  }
}

std::string TscCustomILParser::ReadUnitText(const std::string& UnitName) {
  std::string Text;
  if (OnGetUnit) {
    OnGetUnit(UnitName, Text);
  } else {
    std::vector<std::string> Candidates;
    for (const std::string& Dir : IncludePath) {
      if (Dir.empty())
        Candidates.push_back(UnitName);
      else if (Dir.back() == '/')
        Candidates.push_back(Dir + UnitName);
      else
        Candidates.push_back(Dir + "/" + UnitName);
    }
    if (Candidates.empty()) Candidates.push_back(UnitName);
    std::string Path = Candidates.back();
    for (const std::string& C : Candidates) {
      std::error_code Error;
      if (std::filesystem::is_regular_file(C, Error)) {
        Path = C;
        break;
      }
    }
    rt::TStringList Lines;
    Lines.LoadFromFile(Path);  // EFOpenError when no candidate exists
    return Lines.Text();
  }
  // Line ends become CR LF, as in every script text the parser reads.
  rt::TStringList Lines;
  Lines.SetText(Text);
  return Lines.Text();
}

std::unique_ptr<TscXMLItem> TscCustomILParser::IncludeUnit(const std::string& UnitName) {
  for (const std::string& U : FUsesList)
    if (rt::SameText(U, UnitName)) return nullptr;
  FUsesList.push_back(UnitName);

  const std::string Text = ReadUnitText(UnitName);
  auto Uses = std::make_unique<TscXMLItem>();
  Uses->Name = "uses";
  Uses->Text = "unit=\"" + scStrToXML(UnitName) + "\"";
  if (!Text.empty()) {
    TscCustomILParser Unit;
    Unit.ExtendedCharset = ExtendedCharset;
    Unit.IncludePath = IncludePath;
    Unit.OnGetUnit = OnGetUnit;
    Unit.FUnitName = UnitName;
    Unit.SelectLanguage(FLangName);
    Unit.FUsesList = FUsesList;
    if (Unit.MakeILScript(Text)) {
      FUsesList = Unit.FUsesList;
      TscXMLItem* UnitRoot = Unit.FILScript->Root();
      TscXMLItem* Program = Uses->Add();
      Program->Name = UnitRoot->Name;
      Program->Text = UnitRoot->Text;
      Program->TakeChildren(UnitRoot);
    } else {
      FRecordedMsg = Unit.ErrorMsg;
      FRecordedPos = Unit.ErrorPos;
      FTermFlag = false;
      FTooDeep = FTooDeep || Unit.FTooDeep;
      if (ErrorUnit.empty()) ErrorUnit = Unit.ErrorUnit.empty() ? UnitName : Unit.ErrorUnit;
    }
  }
  return Uses;
}
