#include "report/script/sc_isysrtti.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <mutex>
#include <random>
#include <vector>

#include "platform/rt/ComObj.h"
#include "platform/rt/DateUtils.h"
#include "platform/rt/Format.h"
#include "platform/rt/MaskUtils.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/script/sc_itools.h"

using rt::Variant;

namespace {

// ---- process-wide state ----

std::mutex GRandomLock;
std::mt19937_64 GRandom;  // fixed seed until Randomize, as the runtime's generator

std::mutex GShowMessageLock;
TscShowMessageProc GShowMessage;

void DefaultShowMessage(const std::string& Text) {
  std::lock_guard<std::mutex> Lock(GShowMessageLock);
  std::cerr << "Script message: " << Text << std::endl;
}

// ---- argument helpers ----

Variant Arg(TscMethodHelper* Caller, int Index) { return Caller->GetVParam(Index); }
std::u16string Text(TscMethodHelper* Caller, int Index) { return Arg(Caller, Index).ToUString(); }
std::string Text8(TscMethodHelper* Caller, int Index) { return Arg(Caller, Index).ToString(); }
int Int(TscMethodHelper* Caller, int Index) { return Arg(Caller, Index).ToInteger(); }

// The mathematics group takes its argument through a Variant multiplication by 1.0, so that a
// numeric text counts as its number.
double MathArg(TscMethodHelper* Caller) { return (Arg(Caller, 0) * Variant(1.0)).ToDouble(); }

// Floating results hold no NaN or infinity.
double Checked(double R) {
  if (std::isnan(R)) throw rt::EInvalidOp("Invalid floating point operation");
  if (std::isinf(R)) throw rt::EOverflow("Floating point overflow");
  return R;
}

// A whole number kept as a 32-bit integer when it fits, else as a 64-bit one.
Variant WholeNumber(double X) {
  if (!(X >= -9223372036854775808.0 && X < 9223372036854775808.0))
    throw rt::EInvalidOp("Invalid floating point operation");
  const long long I = static_cast<long long>(X);
  if (I >= INT32_MIN && I <= INT32_MAX) return Variant(static_cast<int>(I));
  return Variant(I);
}

Variant Word(long long V) { return Variant::OfInt(rt::varWord, V); }

std::u16string TrimControl(const std::u16string& S) {
  std::size_t B = 0, E = S.size();
  while (B < E && S[B] <= 32) ++B;
  while (E > B && S[E - 1] <= 32) --E;
  return S.substr(B, E - B);
}

std::u16string NameCase(const std::u16string& S) {
  std::u16string R = rt::WideLowerCase(S);
  const std::size_t N = S.size();
  if (N > 0) R[0] = rt::WideUpperChar(S[0]);
  for (std::size_t I = 2; I < N; ++I)  // positions 2 .. length-1, counted from 1
    if (S[I - 1] == u' ') R[I] = rt::WideUpperChar(S[I]);
  return R;
}

bool Matches(const std::string& Name, std::initializer_list<const char*> Names) {
  for (const char* N : Names)
    if (Name == N) return true;
  return false;
}

} // namespace

// =============================================================================================

TscSysFunctions::TscSysFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
  TscScript* S = AScript;
  for (const char* N : {"Byte", "Word", "Integer"}) S->AddType(N, fvtInt);
  S->AddType("Int64", fvtInt64);
  for (const char* N : {"Longint", "Cardinal", "TColor", "TAlphaColor"}) S->AddType(N, fvtInt);
  S->AddType("Boolean", fvtBool);
  for (const char* N : {"Real", "Single", "Double", "Extended", "Currency", "TDate", "TTime", "TDateTime"})
    S->AddType(N, fvtFloat);
  S->AddType("Char", fvtChar);
  S->AddType("String", fvtString);
  S->AddType("Variant", fvtVariant);
  S->AddType("Pointer", fvtVariant);
  S->AddType("Array", fvtArray);
  S->AddType("Constructor", fvtConstructor);

  S->AddConst("True", "Boolean", true);
  S->AddConst("False", "Boolean", false);
  S->AddConst("nil", "Variant", 0);
  S->AddConst("Null", "Variant", Variant::Null());

  S->Add("__StringHelper", new TscStringHelper);
  S->Add("__ArrayHelper", new TscArrayHelper("__ArrayHelper", -1, fvtVariant, ""));

  S->AddVariable("ExceptionClassName", "String", "");
  S->AddVariable("ExceptionMessage", "String", "");

  const TscCallMethodNewEvent ToText = &CallToText, FromText = &CallFromText, Fmt = &CallFormat,
                              Dates = &CallDate, Strs = &CallString, Math = &CallMath, Other = &CallOther;
  struct Fn {
    const char* Syntax;
    const TscCallMethodNewEvent* Handler;
    const std::string* Category;
  };
  const Fn Functions[] = {
      {"function IntToStr(i: Integer): String", &ToText, &FCatConv},
      {"function FloatToStr(e: Extended): String", &ToText, &FCatConv},
      {"function DateToStr(e: Extended): String", &ToText, &FCatConv},
      {"function TimeToStr(e: Extended): String", &ToText, &FCatConv},
      {"function DateTimeToStr(e: Extended): String", &ToText, &FCatConv},
      {"function BoolToStr(B: Boolean): string;", &ToText, &FCatConv},
      {"function VarToStr(v: Variant): String", &Other, &FCatConv},
      {"function StrToInt(s: String): Integer", &FromText, &FCatConv},
      {"function StrToInt64(s: String): Int64", &FromText, &FCatConv},
      {"function StrToFloat(s: String): Extended", &FromText, &FCatConv},
      {"function StrToDate(s: String): Extended", &FromText, &FCatConv},
      {"function StrToTime(s: String): Extended", &FromText, &FCatConv},
      {"function StrToDateTime(s: String): Extended", &FromText, &FCatConv},
      {"function StrToBool(const S: string): Boolean;", &FromText, &FCatConv},
      {"function Format(Fmt: String; Args: array): String", &Fmt, &FCatFormat},
      {"function FormatFloat(Fmt: String; Value: Extended): String", &Fmt, &FCatFormat},
      {"function FormatDateTime(Fmt: String; DateTime: TDateTime): String", &Fmt, &FCatFormat},
      {"function FormatMaskText(EditMask: string; Value: string): string", &Fmt, &FCatFormat},
      {"function EncodeDate(Year, Month, Day: Word): TDateTime", &Dates, &FCatDate},
      {"procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", &Dates, &FCatDate},
      {"function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", &Dates, &FCatDate},
      {"procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)", &Dates, &FCatDate},
      {"function Date: TDateTime", &Dates, &FCatDate},
      {"function Time: TDateTime", &Dates, &FCatDate},
      {"function Now: TDateTime", &Dates, &FCatDate},
      {"function DayOfWeek(aDate: TDateTime): Integer", &Dates, &FCatDate},
      {"function IsLeapYear(Year: Word): Boolean", &Dates, &FCatDate},
      {"function DaysInMonth(nYear, nMonth: Integer): Integer", &Dates, &FCatDate},
      {"function Length(s: Variant): Integer", &Strs, &FCatStr},
      {"function Copy(s: String; from, count: Integer): String", &Strs, &FCatStr},
      {"function Pos(substr, s: String): Integer", &Strs, &FCatStr},
      {"procedure Delete(var s: String; from, count: Integer)", &Strs, &FCatStr},
      {"procedure DeleteStr(var s: String; from, count: Integer)", &Strs, &FCatStr},
      {"procedure Insert(s: String; var s2: String; pos: Integer)", &Strs, &FCatStr},
      {"function Uppercase(s: String): String", &Strs, &FCatStr},
      {"function Lowercase(s: String): String", &Strs, &FCatStr},
      {"function Trim(s: String): String", &Strs, &FCatStr},
      {"function NameCase(s: String): String", &Strs, &FCatStr},
      {"function CompareText(s, s1: String): Integer", &Strs, &FCatStr},
      {"function Chr(i: Integer): Char", &Strs, &FCatStr},
      {"function Ord(ch: Char): Integer", &Strs, &FCatStr},
      {"procedure SetLength(var S: Variant; L: Integer)", &Strs, &FCatStr},
      {"function Round(e: Extended): Integer", &Math, &FCatMath},
      {"function Trunc(e: Extended): Integer", &Math, &FCatMath},
      {"function Int(e: Extended): Integer", &Math, &FCatMath},
      {"function Frac(X: Extended): Extended", &Math, &FCatMath},
      {"function Sqrt(e: Extended): Extended", &Math, &FCatMath},
      {"function Abs(e: Extended): Extended", &Math, &FCatMath},
      {"function Sin(e: Extended): Extended", &Math, &FCatMath},
      {"function Cos(e: Extended): Extended", &Math, &FCatMath},
      {"function ArcTan(X: Extended): Extended", &Math, &FCatMath},
      {"function Tan(X: Extended): Extended", &Math, &FCatMath},
      {"function Exp(X: Extended): Extended", &Math, &FCatMath},
      {"function Ln(X: Extended): Extended", &Math, &FCatMath},
      {"function Pi: Extended", &Math, &FCatMath},
      {"procedure Inc(var i: Integer; incr: Integer = 1)", &Other, &FCatOther},
      {"procedure Dec(var i: Integer; decr: Integer = 1)", &Other, &FCatOther},
      {"procedure RaiseException(Param: String)", &Other, &FCatOther},
      {"procedure ShowMessage(Msg: Variant)", &Other, &FCatOther},
      {"procedure Randomize", &Other, &FCatOther},
      {"function Random: Extended", &Other, &FCatOther},
      {"function ValidInt(cInt: String): Boolean", &Other, &FCatOther},
      {"function ValidFloat(cFlt: String): Boolean", &Other, &FCatOther},
      {"function ValidDate(cDate: String): Boolean", &Other, &FCatOther},
      {"function ExtractFilePath(const FileName: string): string;", &Other, &FCatOther},
      {"function CreateOleObject(ClassName: String): Variant", &Other, &FCatOther},
      {"function VarArrayCreate(Bounds: Array; Typ: Integer): Variant", &Other, &FCatOther},
      {"function VarType(V: Variant): Integer", &Other, &FCatOther},
  };
  for (const Fn& F : Functions) S->AddMethod(F.Syntax, *F.Handler, *F.Category, "");

  static const struct {
    const char* Name;
    int Value;
  } VarTypes[] = {{"varEmpty", 0},     {"varNull", 1},       {"varSmallint", 2},  {"varInteger", 3},
                  {"varSingle", 4},    {"varDouble", 5},     {"varCurrency", 6},  {"varDate", 7},
                  {"varOleStr", 8},    {"varDispatch", 9},   {"varError", 10},    {"varBoolean", 11},
                  {"varVariant", 12},  {"varUnknown", 13},   {"varShortInt", 16}, {"varByte", 17},
                  {"varWord", 18},     {"varLongWord", 19},  {"varInt64", 20},    {"varStrArg", 72},
                  {"varString", 256},  {"varAny", 257},      {"varTypeMask", 4095}, {"varArray", 8192},
                  {"varByRef", 16384}};
  for (const auto& V : VarTypes) S->AddConst(V.Name, "Integer", V.Value);
}

// ---------------------------------------------------------------------------------------------
// Conversions to text

Variant TscSysFunctions::CallToText(rt::TObject*, rt::TClass, const std::string& Name, TscMethodHelper* Caller) {
  if (Name == "INTTOSTR") return Variant(rt::IntToStr(Arg(Caller, 0).ToInt64()));
  if (Name == "FLOATTOSTR") return Variant(rt::FloatToStr(Arg(Caller, 0).ToDouble()));
  if (Name == "DATETOSTR") return Variant(rt::FormatDateTime("ddddd", Arg(Caller, 0).ToDouble()));
  if (Name == "TIMETOSTR") return Variant(rt::FormatDateTime("tt", Arg(Caller, 0).ToDouble()));
  if (Name == "DATETIMETOSTR") return Variant(rt::FormatDateTime("c", Arg(Caller, 0).ToDouble()));
  if (Name == "BOOLTOSTR") return Variant(Arg(Caller, 0).ToBoolean() ? "-1" : "0");
  return Variant();
}

// ---------------------------------------------------------------------------------------------
// Conversions from text

Variant TscSysFunctions::CallFromText(rt::TObject*, rt::TClass, const std::string& Name, TscMethodHelper* Caller) {
  if (Name == "STRTOINT") return Variant(rt::StrToInt(Text8(Caller, 0)));
  if (Name == "STRTOINT64") return Variant(rt::StrToInt64(Text8(Caller, 0)));
  if (Name == "STRTOFLOAT") return Variant(rt::StrToFloat(Text8(Caller, 0)));
  if (Name == "STRTODATE") return Variant::Date(rt::StrToDate(Text8(Caller, 0)));
  if (Name == "STRTOTIME") return Variant::Date(rt::StrToTime(Text8(Caller, 0)));
  if (Name == "STRTODATETIME") return Variant::Date(rt::StrToDateTime(Text8(Caller, 0)));
  if (Name == "STRTOBOOL") return Variant(Arg(Caller, 0).ToBoolean());
  return Variant();
}

// ---------------------------------------------------------------------------------------------
// Formatting

Variant TscSysFunctions::CallFormat(rt::TObject*, rt::TClass, const std::string& Name, TscMethodHelper* Caller) {
  if (Name == "FORMAT") {
    std::vector<rt::TVarRec> Records;
    VariantToValueRecords(Arg(Caller, 1), Records);
    Variant R(rt::Format(std::u16string_view(Text(Caller, 0)), Records));
    ClearValueRecords(Records);
    return R;
  }
  if (Name == "FORMATFLOAT")
    return Variant(rt::FormatFloat(Text8(Caller, 0), (Arg(Caller, 1) * Variant(1.0)).ToDouble()));
  if (Name == "FORMATDATETIME") return Variant(rt::FormatDateTime(Text8(Caller, 0), Arg(Caller, 1).ToDouble()));
  if (Name == "FORMATMASKTEXT") return Variant(rt::FormatMaskText(Text(Caller, 0), Text(Caller, 1), u' '));
  return Variant();
}

// ---------------------------------------------------------------------------------------------
// Dates

Variant TscSysFunctions::CallDate(rt::TObject*, rt::TClass, const std::string& Name, TscMethodHelper* Caller) {
  if (Name == "ENCODEDATE") return Variant::Date(rt::EncodeDate(Int(Caller, 0), Int(Caller, 1), Int(Caller, 2)));
  if (Name == "DECODEDATE") {
    int Y, M, D, H, N, S, Ms;
    rt::DecodeDateTime(Arg(Caller, 0).ToDouble(), Y, M, D, H, N, S, Ms);
    Caller->SetVParam(1, Word(Y));
    Caller->SetVParam(2, Word(M));
    Caller->SetVParam(3, Word(D));
    return Variant();
  }
  if (Name == "ENCODETIME")
    return Variant::Date(rt::EncodeTime(Int(Caller, 0), Int(Caller, 1), Int(Caller, 2), Int(Caller, 3)));
  if (Name == "DECODETIME") {
    int H, N, S, Ms;
    rt::DecodeTime(Arg(Caller, 0).ToDouble(), H, N, S, Ms);
    Caller->SetVParam(1, Word(H));
    Caller->SetVParam(2, Word(N));
    Caller->SetVParam(3, Word(S));
    Caller->SetVParam(4, Word(Ms));
    return Variant();
  }
  if (Name == "DATE") return Variant::Date(rt::Date());
  if (Name == "TIME") return Variant::Date(rt::Time());
  if (Name == "NOW") return Variant::Date(rt::Now());
  if (Name == "DAYOFWEEK") return Word(rt::DayOfWeek(Arg(Caller, 0).ToDouble()));
  if (Name == "ISLEAPYEAR") return Variant(rt::IsLeapYear(Int(Caller, 0)));
  if (Name == "DAYSINMONTH") {
    static const int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int Year = Int(Caller, 0), Month = Int(Caller, 1);
    if (Month < 1 || Month > 12)
      throw rt::EConvertError("Month " + rt::IntToStr(Month) + " is not between 1 and 12");
    return Variant(Days[Month - 1] + (Month == 2 && rt::IsLeapYear(Year) ? 1 : 0));
  }
  return Variant();
}

// ---------------------------------------------------------------------------------------------
// Strings

Variant TscSysFunctions::CallString(rt::TObject*, rt::TClass, const std::string& Name, TscMethodHelper* Caller) {
  if (Name == "LENGTH") {
    const Variant V = Arg(Caller, 0);
    if (V.IsArray()) return Variant(V.ArrayHighBound(1) - V.ArrayLowBound(1) + 1);
    return Variant(static_cast<int>(V.ToUString().size()));
  }
  if (Name == "COPY") {
    const std::u16string S = Text(Caller, 0);
    long long From = Int(Caller, 1);
    const long long Count = Int(Caller, 2);
    const long long Len = static_cast<long long>(S.size());
    if (From < 1) From = 1;
    if (From > Len || Count <= 0) return Variant(u"");
    return Variant(S.substr(static_cast<std::size_t>(From - 1), static_cast<std::size_t>(std::min(Count, Len - From + 1))));
  }
  if (Name == "POS") {
    const std::u16string Sub = Text(Caller, 0), S = Text(Caller, 1);
    if (Sub.empty()) return Variant(0);
    const std::size_t At = S.find(Sub);
    return Variant(At == std::u16string::npos ? 0 : static_cast<int>(At) + 1);
  }
  if (Name == "DELETE" || Name == "DELETESTR") {
    std::u16string S = Text(Caller, 0);
    const long long From = Int(Caller, 1), Count = Int(Caller, 2);
    const long long Len = static_cast<long long>(S.size());
    if (From >= 1 && From <= Len && Count > 0)
      S.erase(static_cast<std::size_t>(From - 1), static_cast<std::size_t>(std::min(Count, Len - From + 1)));
    Caller->SetVParam(0, Variant(S));
    return Variant();
  }
  if (Name == "INSERT") {
    const std::u16string S = Text(Caller, 0);
    std::u16string S2 = Text(Caller, 1);
    long long At = Int(Caller, 2);
    if (At < 1) At = 1;
    if (At > static_cast<long long>(S2.size()) + 1) At = static_cast<long long>(S2.size()) + 1;
    rt::CheckStringLength(S2.size() + S.size());
    S2.insert(static_cast<std::size_t>(At - 1), S);
    Caller->SetVParam(1, Variant(S2));
    return Variant();
  }
  if (Name == "UPPERCASE") return Variant(rt::WideUpperCase(Text(Caller, 0)));
  if (Name == "LOWERCASE") return Variant(rt::WideLowerCase(Text(Caller, 0)));
  if (Name == "TRIM") return Variant(TrimControl(Text(Caller, 0)));
  if (Name == "NAMECASE") return Variant(NameCase(Text(Caller, 0)));
  if (Name == "COMPARETEXT") return Variant(rt::WideCompareText(Text(Caller, 0), Text(Caller, 1)));
  if (Name == "CHR") return Variant(std::u16string(1, static_cast<char16_t>(Int(Caller, 0))));
  if (Name == "ORD") {
    const std::u16string S = Text(Caller, 0);
    return Word(S.empty() ? 0 : S[0]);
  }
  if (Name == "SETLENGTH") {
    Variant V = Arg(Caller, 0);
    const int L = Int(Caller, 1);
    const rt::TVarType T = V.VarType();
    if (T != rt::varString && T != rt::varUString && T != rt::varOleStr) {
      V.ArrayRedim(L - 1);
      Caller->SetVParam(0, V);
    } else {
      std::u16string S = V.ToUString();
      rt::CheckStringLength(static_cast<std::size_t>(std::max(L, 0)));
      // New characters are blanks: the text holds nothing undefined.
      S.resize(static_cast<std::size_t>(std::max(L, 0)), u' ');
      Caller->SetVParam(0, Variant(S));
    }
    return Variant();
  }
  return Variant();
}

// ---------------------------------------------------------------------------------------------
// Mathematics

Variant TscSysFunctions::CallMath(rt::TObject*, rt::TClass, const std::string& Name, TscMethodHelper* Caller) {
  if (Name == "PI") return Variant(3.1415926535897932385);
  if (!Matches(Name, {"ROUND", "TRUNC", "INT", "FRAC", "SQRT", "ABS", "SIN", "COS", "ARCTAN", "TAN", "EXP", "LN"}))
    return Variant();
  const double X = MathArg(Caller);
  if (Name == "ROUND") return WholeNumber(std::nearbyint(X));
  if (Name == "TRUNC") return WholeNumber(std::trunc(X));
  if (Name == "INT") return Variant(std::trunc(X));
  if (Name == "FRAC") return Variant(X - std::trunc(X));
  if (Name == "SQRT") {
    if (X < 0) throw rt::EInvalidOp("Invalid floating point operation");
    return Variant(std::sqrt(X));
  }
  if (Name == "ABS") return Variant(std::fabs(X));
  if (Name == "SIN") return Variant(Checked(std::sin(X)));
  if (Name == "COS") return Variant(Checked(std::cos(X)));
  if (Name == "ARCTAN") return Variant(std::atan(X));
  if (Name == "TAN") {
    const double C = std::cos(X);
    if (C == 0) throw rt::EZeroDivide("Floating point division by zero");
    return Variant(Checked(std::sin(X) / C));
  }
  if (Name == "EXP") return Variant(Checked(std::exp(X)));
  // LN
  if (X == 0) throw rt::EZeroDivide("Floating point division by zero");
  if (X < 0) throw rt::EInvalidOp("Invalid floating point operation");
  return Variant(std::log(X));
}

// ---------------------------------------------------------------------------------------------
// The rest

Variant TscSysFunctions::CallOther(rt::TObject*, rt::TClass, const std::string& Name, TscMethodHelper* Caller) {
  if (Name == "VARTOSTR") return Variant(rt::VarToUStr(Arg(Caller, 0)));
  if (Name == "INC") {
    Caller->SetVParam(0, Arg(Caller, 0) + Arg(Caller, 1));
    return Variant();
  }
  if (Name == "DEC") {
    Caller->SetVParam(0, Arg(Caller, 0) - Arg(Caller, 1));
    return Variant();
  }
  if (Name == "RAISEEXCEPTION") throw rt::Exception(Text8(Caller, 0));
  if (Name == "SHOWMESSAGE") {
    const std::string T = Text8(Caller, 0);
    if (GShowMessage) GShowMessage(T);
    else DefaultShowMessage(T);
    return Variant();
  }
  if (Name == "RANDOMIZE") {
    std::lock_guard<std::mutex> Lock(GRandomLock);
    GRandom.seed(static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    return Variant();
  }
  if (Name == "RANDOM") {
    std::lock_guard<std::mutex> Lock(GRandomLock);
    // 53 random bits as a fraction: never 1.
    return Variant(static_cast<double>(GRandom() >> 11) * 0x1.0p-53);
  }
  if (Name == "VALIDINT") {
    try {
      int V;
      return Variant(rt::TryStrToInt(Text8(Caller, 0), V));
    } catch (const std::exception&) {
      return Variant(false);
    }
  }
  if (Name == "VALIDFLOAT") {
    try {
      double V;
      return Variant(rt::TryStrToFloat(Text8(Caller, 0), V));
    } catch (const std::exception&) {
      return Variant(false);
    }
  }
  if (Name == "VALIDDATE") {
    try {
      const Variant A = Arg(Caller, 0);
      const std::string T = A.VarType() == rt::varDate ? rt::FormatDateTime("ddddd", A.ToDouble()) : A.ToString();
      double V;
      return Variant(rt::TryStrToDate(T, V));
    } catch (const std::exception&) {
      return Variant(false);
    }
  }
  if (Name == "EXTRACTFILEPATH") {
    const std::u16string S = Text(Caller, 0);
    const std::size_t At = S.find_last_of(u"\\:");
    return Variant(At == std::u16string::npos ? std::u16string() : S.substr(0, At + 1));
  }
  if (Name == "CREATEOLEOBJECT") return rt::CreateOleObject(Text8(Caller, 0));
  if (Name == "VARARRAYCREATE") {
    const Variant Bounds = Arg(Caller, 0);
    std::vector<int> B;
    for (int I = 0; I <= Bounds.ArrayHighBound(1); ++I) B.push_back(Bounds.ArrayGet({I}).ToInteger());
    return rt::VarArrayCreate(B, static_cast<rt::TVarType>(Int(Caller, 1)));
  }
  if (Name == "VARTYPE") return Word(Arg(Caller, 0).VarType());
  return Variant();
}

// ---------------------------------------------------------------------------------------------

void sc_isysrttiInitialization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  if (std::find(L->begin(), L->end(), &scModuleClass<TscSysFunctions>) == L->end())
    L->insert(L->begin(), &scModuleClass<TscSysFunctions>);
}

void sc_isysrttiFinalization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  L->erase(std::remove(L->begin(), L->end(), &scModuleClass<TscSysFunctions>), L->end());
}

void scSetShowMessageProc(TscShowMessageProc Proc) { GShowMessage = std::move(Proc); }
