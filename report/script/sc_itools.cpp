#include "report/script/sc_itools.h"

#include <cctype>
#include <climits>

#include "platform/rt/Unicode.h"
#include "report/script/sc_iexpression.h"

using rt::Variant;

namespace {

// Reads the few token kinds a declaration text has, as the script tokenizer does with its
// default options: identifiers (any byte of code 127 or above counts as a letter), numbers
// ("$" hexadecimal), quoted strings with doubled quotes and #n character codes, punctuation.
class DeclReader {
public:
  explicit DeclReader(const std::string& Text) : S(Text) {}

  void SkipSpaces() {
    while (P < S.size() && static_cast<unsigned char>(S[P]) <= ' ') ++P;
  }
  char Peek() {
    SkipSpaces();
    return P < S.size() ? S[P] : '\0';
  }
  std::string GetWord() {
    SkipSpaces();
    std::size_t B = P;
    if (P < S.size() && IsIdent(S[P]) && !IsDigit(S[P]))
      while (P < S.size() && IsIdent(S[P])) ++P;
    return S.substr(B, P - B);
  }
  // One punctuation character at the position (no blank skip), or '\0'.
  char GetChar() {
    if (P >= S.size()) return '\0';
    unsigned char C = static_cast<unsigned char>(S[P]);
    if ((C >= 33 && C <= 47) || (C >= 58 && C <= 64) || (C >= 91 && C <= 96) || (C >= 123 && C <= 126)) {
      ++P;
      return static_cast<char>(C);
    }
    return '\0';
  }
  std::string GetNumber() {
    SkipSpaces();
    std::size_t B = P;
    std::size_t Q = P;
    if (!ReadInteger(Q)) return {};
    std::size_t R = Q;
    if (R + 1 < S.size() && S[R] == '.' && IsDigit(S[R + 1])) {
      R += 1;
      while (R < S.size() && IsDigit(S[R])) ++R;
      if (R < S.size() && (S[R] == 'e' || S[R] == 'E')) {
        std::size_t E = R + 1;
        if (E < S.size() && (S[E] == '+' || S[E] == '-')) ++E;
        if (E < S.size() && IsDigit(S[E])) {
          while (E < S.size() && IsDigit(S[E])) ++E;
          R = E;
        }
      }
      Q = R;
    }
    P = Q;
    return S.substr(B, P - B);
  }
  // The value enclosed in apostrophes, or empty.
  std::string GetString() {
    SkipSpaces();
    std::string V;
    bool Any = false;
    for (;;) {
      if (P < S.size() && S[P] == '\'') {
        std::size_t Q = P + 1;
        std::string Part;
        bool Closed = false;
        while (Q < S.size()) {
          if (S[Q] == '\'') {
            if (Q + 1 < S.size() && S[Q + 1] == '\'') { Part += '\''; Q += 2; continue; }
            Closed = true;
            ++Q;
            break;
          }
          if (static_cast<unsigned char>(S[Q]) < 32 && S[Q] != '\t') break;
          Part += S[Q++];
        }
        if (!Closed) break;
        V += Part;
        P = Q;
        Any = true;
      } else if (P < S.size() && S[P] == '#') {
        std::size_t Q = P + 1, B = Q;
        if (!ReadInteger(Q)) break;
        Variant Code = LiteralToVariant(S.substr(B, Q - B));
        V += rt::Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(Code.ToInt64() & 0xFFFF)));
        P = Q;
        Any = true;
      } else {
        break;
      }
    }
    return Any ? "'" + V + "'" : std::string();
  }

private:
  static bool IsDigit(char C) { return C >= '0' && C <= '9'; }
  static bool IsIdent(char C) {
    unsigned char U = static_cast<unsigned char>(C);
    return U >= 127 || (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '_' || IsDigit(C);
  }
  bool ReadInteger(std::size_t& Q) const {
    std::size_t B = Q;
    if (Q < S.size() && S[Q] == '$') {
      ++Q;
      std::size_t H = Q;
      while (Q < S.size() && std::isxdigit(static_cast<unsigned char>(S[Q]))) ++Q;
      if (Q == H) { Q = B; return false; }
      return true;
    }
    while (Q < S.size() && IsDigit(S[Q])) ++Q;
    return Q > B;
  }
  const std::string& S;
  std::size_t P = 0;
};

std::string Lower(const std::string& S) { return rt::LowerCase(S); }

} // namespace

std::unique_ptr<TscCustomVariable> ParseDeclarationSyntax(const std::string& Text, TscScript* Script) {
  DeclReader R(Text);
  std::string Word = R.GetWord();
  bool IsMacro = false;
  if (Lower(Word).rfind("macro", 0) == 0) {
    IsMacro = true;
    Word = Word.substr(5);
  }
  const bool IsFunc = Lower(Word) == "function";
  const std::string Name = R.GetWord();
  std::string TypeName;
  if (IsFunc) {
    std::size_t Colon = Text.rfind(':');
    if (Colon != std::string::npos) TypeName = DeclReader(Text.substr(Colon + 1)).GetWord();
  }
  auto Item = std::make_unique<TscCustomVariable>(Name, TypeNameToVarType(TypeName, Script), TypeName);
  Item->IsMacro = IsMacro;
  if (R.Peek() != '(') return Item;
  R.GetChar();
  for (;;) {
    std::vector<std::string> Names;
    bool IsVar = false;
    bool EndOfList = false;
    for (;;) {
      std::string W = R.GetWord();
      if (!W.empty()) {
        if (Lower(W) == "var") IsVar = true;
        else if (Lower(W) != "const") Names.push_back(W);
      }
      R.SkipSpaces();
      char C = R.GetChar();
      if (C == ',') continue;
      if (C == ')') { EndOfList = true; break; }
      if (C == ':') break;
      if (W.empty()) return Item;  // not a declaration we can read further
    }
    if (EndOfList) {
      for (const std::string& N : Names) Item->Add(new TscParamItem(N, fvtVariant, "", false, IsVar));
      return Item;
    }
    const std::string PType = R.GetWord();
    Variant Def = Variant::Null();
    bool HasDef = false;
    if (R.Peek() == '=') {
      R.GetChar();
      HasDef = true;
      std::string T = R.GetNumber();
      if (T.empty()) T = R.GetString();
      if (T.empty() && R.Peek() == '-') {
        R.GetChar();
        std::string Num = R.GetNumber();
        if (!Num.empty()) T = "-" + Num;
      }
      if (!T.empty()) {
        Def = LiteralToVariant(T);
      } else {
        std::string Id = R.GetWord();
        TscCustomVariable* V = Script && !Id.empty() ? Script->Find(Id) : nullptr;
        Def = V ? V->GetValue() : Variant::Null();
      }
    }
    const TscVarType PTyp = TypeNameToVarType(PType, Script);
    for (std::size_t I = 0; I < Names.size(); ++I) {
      const bool Last = I + 1 == Names.size();
      auto* P = new TscParamItem(Names[I], PTyp, PType, Last && HasDef, IsVar);
      if (Last && HasDef) P->DefValue = Def;
      Item->Add(P);
    }
    R.SkipSpaces();
    char C = R.GetChar();
    if (C == ';') continue;
    break;  // ')' or the end of a malformed text
  }
  return Item;
}

Variant LiteralToVariant(const std::string& Text) {
  if (Text.empty()) return Variant::Null();
  if (Text[0] == '\'') {
    std::size_t Last = Text.rfind('\'');
    return Variant(Last > 0 ? Text.substr(1, Last - 1) : std::string());
  }
  Variant AsText(Text);
  std::int64_t I;
  try {
    I = rt::VarAsType(AsText, rt::varInt64).RawInt();
    bool Integral = Text.find_first_of(".eE") == std::string::npos || Text[0] == '$';
    if (Integral) return I >= INT_MIN && I <= INT_MAX ? Variant(static_cast<int>(I)) : Variant(static_cast<long long>(I));
  } catch (const rt::EVariantError&) {
  }
  return Variant(rt::StrToFloat(Text));
}

TscPoint ScriptPosToPoint(const std::string& Text) {
  TscPoint P;
  if (Text.empty()) return P;
  std::size_t Colon = Text.find(':');
  P.Y = rt::StrToIntDef(Text.substr(0, Colon), 0);
  if (Colon != std::string::npos) P.X = rt::StrToIntDef(Text.substr(Colon + 1), 0);
  return P;
}

Variant ValueRecordToVariant(const rt::TVarRec& R) {
  using rt::TVarRec;
  switch (R.VType) {
    case TVarRec::vtInteger: return Variant(static_cast<int>(R.VInteger));
    case TVarRec::vtInt64: return Variant(static_cast<long long>(R.VInteger));
    case TVarRec::vtObject: return rt::VarFromObject(static_cast<const rt::TObject*>(R.VPointer));
    case TVarRec::vtBoolean: return Variant(R.VInteger != 0);
    case TVarRec::vtChar: case TVarRec::vtWideChar:
      return Variant(std::u16string(1, static_cast<char16_t>(R.VInteger)));
    case TVarRec::vtExtended: case TVarRec::vtCurrency: return Variant(R.VExtended);
    case TVarRec::vtString: case TVarRec::vtAnsiString: case TVarRec::vtWideString:
    case TVarRec::vtUnicodeString:
      return Variant(R.VString);
    case TVarRec::vtVariant: return R.VVariant;
    default: return Variant::Null();
  }
}

void VariantToValueRecords(const Variant& Values, std::vector<rt::TVarRec>& Records) {
  using rt::TVarRec;
  Records.clear();
  if (!Values.IsArray()) throw rt::EVariantInvalidArgError("Variant is not an array");
  const int High = Values.ArrayHighBound(1);
  for (int I = 0; I <= High; ++I) {
    const Variant E = Values.ArrayGet({I});
    switch (E.VarType()) {
      case rt::varSmallint: case rt::varInteger: case rt::varShortInt: case rt::varByte: case rt::varWord:
        Records.push_back(TVarRec::Integer(static_cast<int>(E.RawInt())));
        break;
      case rt::varLongWord: case rt::varInt64:
        Records.push_back(TVarRec::Int64(E.RawInt()));
        break;
      case rt::varSingle: case rt::varDouble: case rt::varCurrency: case rt::varDate:
        Records.push_back(TVarRec::Extended(E.ToDouble()));
        break;
      case rt::varBoolean:
        Records.push_back(TVarRec::Boolean(E.ToBoolean()));
        break;
      case rt::varOleStr: case rt::varString: case rt::varUString:
        Records.push_back(TVarRec::UnicodeString(E.ToUString()));
        break;
      default:
        Records.push_back(TVarRec::OfVariant(E));
        break;
    }
  }
}

void ClearValueRecords(std::vector<rt::TVarRec>& Records) { Records.clear(); }
