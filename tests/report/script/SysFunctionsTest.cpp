// The built-in function library as scripts see it: what it registers, every function's main
// paths and errors, Null arguments, and the functions with var parameters.
#include <gtest/gtest.h>

#include "tests/report/script/PrintingScript.h"

#include <cmath>
#include <set>

#include "platform/rt/ComObj.h"
#include "platform/rt/DateUtils.h"
#include "report/script/sc_ibasic.h"
#include "report/script/sc_icpp.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_ijs.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

using rt::Variant;

namespace {

Variant Word(int V) { return Variant::OfInt(rt::varWord, V); }

class SysFunctions : public PrintingScriptTest {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_isysrttiInitialization();
    PrepareScript();
  }
  void TearDown() override { scSetShowMessageProc(nullptr); }

  // The value of an expression; V is a Variant variable the case may set first.
  Variant Eval(const std::string& Expr) {
    Variant R = S.Evaluate(Expr);
    EXPECT_FALSE(S.EvaluteRiseError) << Expr << ": " << rt::VarToStr(R);
    return R;
  }
  void SetV(const Variant& Value) { S.SetVariables("V", Value); }

  // Runs a PascalScript program; what it printed, or "compile error ..." / "raised ...".

};

// The class name and message an expression raises, or "none".
std::string Raised(TscScript& S, const std::string& Expr) {
  try {
    Variant R = S.Evaluate(Expr);
    if (S.EvaluteRiseError) return "compile error: " + rt::VarToStr(R);
  } catch (const rt::Exception& E) {
    return E.ClassName() + ": " + E.Message();
  }
  return "none";
}

} // namespace

// ---------------------------------------------------------------------------------------------
// What the library registers

TEST_F(SysFunctions, LibraryIsTheFirstModuleAndRegistersTheBaseTypes) {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  ASSERT_FALSE(L->empty());
  EXPECT_EQ(L->front(), &scModuleClass<TscSysFunctions>);
  sc_isysrttiInitialization();  // a second call adds nothing
  EXPECT_EQ(std::count(L->begin(), L->end(), &scModuleClass<TscSysFunctions>), 1);

  struct Case {
    const char* Name;
    TscVarType Kind;
  } Types[] = {{"Byte", fvtInt},        {"Word", fvtInt},       {"Integer", fvtInt},    {"Int64", fvtInt64},
               {"Longint", fvtInt},     {"Cardinal", fvtInt},   {"TColor", fvtInt},     {"TAlphaColor", fvtInt},
               {"Boolean", fvtBool},    {"Real", fvtFloat},     {"Single", fvtFloat},   {"Double", fvtFloat},
               {"Extended", fvtFloat},  {"Currency", fvtFloat}, {"TDate", fvtFloat},    {"TTime", fvtFloat},
               {"TDateTime", fvtFloat}, {"Char", fvtChar},      {"String", fvtString},  {"Variant", fvtVariant},
               {"Pointer", fvtVariant}, {"Array", fvtArray},    {"Constructor", fvtConstructor}};
  for (const Case& C : Types) {
    auto* T = dynamic_cast<TscTypeVariable*>(S.Find(C.Name));
    ASSERT_NE(T, nullptr) << C.Name;
    EXPECT_EQ(T->Typ, C.Kind) << C.Name;
    EXPECT_EQ(T->AddedBy, scAddedByRTTI) << C.Name;
  }
  EXPECT_NE(dynamic_cast<TscStringHelper*>(S.Find("__StringHelper")), nullptr);
  auto* A = dynamic_cast<TscArrayHelper*>(S.Find("__ArrayHelper"));
  ASSERT_NE(A, nullptr);
  EXPECT_EQ(A->Count(), 3);  // one required and two optional indexes
  EXPECT_EQ(A->GetNumberOfRequiredParams(), 1);
  for (const char* N : {"ExceptionClassName", "ExceptionMessage"}) {
    TscCustomVariable* V = S.Find(N);
    ASSERT_NE(V, nullptr) << N;
    EXPECT_EQ(V->Typ, fvtString);
    EXPECT_FALSE(V->IsReadOnly);
    EXPECT_EQ(V->GetValue().ToString(), "");
  }
}

TEST_F(SysFunctions, ConstantsAreReadOnly) {
  struct Case {
    const char* Name;
    Variant Value;
  } Cases[] = {{"True", true},           {"False", false},         {"nil", 0},               {"Null", Variant::Null()},
               {"varEmpty", 0},          {"varNull", 1},           {"varSmallint", 2},       {"varInteger", 3},
               {"varSingle", 4},         {"varDouble", 5},         {"varCurrency", 6},       {"varDate", 7},
               {"varOleStr", 8},         {"varDispatch", 9},       {"varError", 10},         {"varBoolean", 11},
               {"varVariant", 12},       {"varUnknown", 13},       {"varShortInt", 16},      {"varByte", 17},
               {"varWord", 18},          {"varLongWord", 19},      {"varInt64", 20},         {"varStrArg", 72},
               {"varString", 256},       {"varAny", 257},          {"varTypeMask", 4095},    {"varArray", 8192},
               {"varByRef", 16384}};
  for (const Case& C : Cases) {
    TscCustomVariable* V = S.Find(C.Name);
    ASSERT_NE(V, nullptr) << C.Name;
    EXPECT_TRUE(V->IsReadOnly) << C.Name;
    EXPECT_TRUE(V->GetValue().Identical(C.Value)) << C.Name << " = " << rt::VarToStr(V->GetValue());
    V->SetValue(99);
    EXPECT_TRUE(V->GetValue().Identical(C.Value)) << C.Name << " changed";
  }
}

TEST_F(SysFunctions, SixtyEightFunctionsInTheirCategories) {
  std::map<std::string, std::string> Category;
  for (int I = 0; I < S.Count(); ++I)
    if (auto* M = dynamic_cast<TscMethodHelper*>(S.GetItem(I)); M && M->AddedBy == scAddedByRTTI)
      Category[M->Name()] = M->Category;
  EXPECT_EQ(Category.size(), 68u);
  const std::map<std::string, std::set<std::string>> Groups = {
      {"ctConv", {"IntToStr", "FloatToStr", "DateToStr", "TimeToStr", "DateTimeToStr", "BoolToStr", "VarToStr",
                  "StrToInt", "StrToInt64", "StrToFloat", "StrToDate", "StrToTime", "StrToDateTime", "StrToBool"}},
      {"ctFormat", {"Format", "FormatFloat", "FormatDateTime", "FormatMaskText"}},
      {"ctDate", {"EncodeDate", "DecodeDate", "EncodeTime", "DecodeTime", "Date", "Time", "Now", "DayOfWeek",
                  "IsLeapYear", "DaysInMonth"}},
      {"ctString", {"Length", "Copy", "Pos", "Delete", "DeleteStr", "Insert", "Uppercase", "Lowercase", "Trim",
                    "NameCase", "CompareText", "Chr", "Ord", "SetLength"}},
      {"ctMath", {"Round", "Trunc", "Int", "Frac", "Sqrt", "Abs", "Sin", "Cos", "ArcTan", "Tan", "Exp", "Ln", "Pi"}},
      {"ctOther", {"Inc", "Dec", "RaiseException", "ShowMessage", "Randomize", "Random", "ValidInt", "ValidFloat",
                   "ValidDate", "ExtractFilePath", "CreateOleObject", "VarArrayCreate", "VarType"}}};
  std::size_t Total = 0;
  for (const auto& [Cat, Names] : Groups) {
    Total += Names.size();
    for (const std::string& N : Names) EXPECT_EQ(Category[N], Cat) << N;
  }
  EXPECT_EQ(Total, 68u);

  // Declarations as registered: result kinds, var parameters, the default of Inc.
  auto* BoolToStr = dynamic_cast<TscMethodHelper*>(S.Find("BoolToStr"));
  EXPECT_EQ(BoolToStr->Syntax(), "function BoolToStr(B: Boolean): string;");
  EXPECT_EQ(BoolToStr->Typ, fvtString);
  auto* Inc = dynamic_cast<TscMethodHelper*>(S.Find("Inc"));
  ASSERT_EQ(Inc->Count(), 2);
  EXPECT_TRUE(Inc->Params(0)->IsVarParam);
  EXPECT_TRUE(Inc->Params(1)->IsOptional);
  EXPECT_EQ(Inc->Params(1)->DefValue.ToInteger(), 1);
  auto* DecodeDate = dynamic_cast<TscMethodHelper*>(S.Find("DecodeDate"));
  ASSERT_EQ(DecodeDate->Count(), 4);
  EXPECT_FALSE(DecodeDate->Params(0)->IsVarParam);
  for (int I = 1; I < 4; ++I) EXPECT_TRUE(DecodeDate->Params(I)->IsVarParam);
  EXPECT_EQ(S.Find("Format")->Params(1)->Typ, fvtArray);
}

TEST_F(SysFunctions, LibrarySurvivesClearAndGoesWithClearRTTI) {
  S.Clear();
  EXPECT_NE(S.Find("IntToStr"), nullptr);
  EXPECT_EQ(Eval("IntToStr(12)").ToString(), "12");
  S.ClearRTTI();
  EXPECT_EQ(S.Find("IntToStr"), nullptr);
  EXPECT_EQ(S.Find("Integer"), nullptr);
}

TEST_F(SysFunctions, EveryLanguageCallsTheFunctionsByTheirNames) {
  sc_icppInitialization();
  sc_ibasicInitialization();
  sc_ijsInitialization();
  for (const char* Lang : {"PascalScript", "D++Uderir", "RiravUdevad", "JScript"}) {
    S.SyntaxType = Lang;
    EXPECT_EQ(Eval("IntToStr(6 * 7) + IntToStr(Length(IntToStr(12345)))").ToString(), "425") << Lang;
    EXPECT_EQ(Eval("Round(2.5) + Trunc(4.9)").ToInteger(), 6) << Lang;
  }
}

// ---------------------------------------------------------------------------------------------
// Functions, by group. Each case: expression, the value of V, the expected value (type and
// content).

struct ValueCase {
  const char* Expr;
  Variant V;
  Variant Expected;
};

void CheckValues(TscScript& S, std::initializer_list<ValueCase> Cases) {
  for (const ValueCase& C : Cases) {
    S.SetVariables("V", C.V);
    Variant R = S.Evaluate(C.Expr);
    EXPECT_FALSE(S.EvaluteRiseError) << C.Expr << ": " << rt::VarToStr(R);
    EXPECT_TRUE(R.Identical(C.Expected)) << C.Expr << " gave " << rt::VarToStr(R) << " of type " << R.VarType()
                                         << ", expected " << rt::VarToStr(C.Expected) << " of type "
                                         << C.Expected.VarType();
  }
}

TEST_F(SysFunctions, Conversions) {
  CheckValues(S, {
      {"IntToStr(V)", 2147483648.0, "2147483648"},  // taken as a 64-bit integer
      {"IntToStr(V)", 2.5, "2"},
      {"IntToStr(V)", "-17", "-17"},
      {"IntToStr(-5)", 0, "-5"},
      {"FloatToStr(V)", 0.1, "0.1"},
      {"FloatToStr(V)", 1e20, "1E20"},
      {"FloatToStr(V)", 0.00001, "1E-5"},
      {"FloatToStr(V)", 2, "2"},
      {"DateToStr(V)", Variant::Date(45356.75), "3/5/2024"},
      {"TimeToStr(V)", Variant::Date(45356.75), "6:00:00 PM"},
      {"DateTimeToStr(V)", Variant::Date(45356.75), "3/5/2024 6:00:00 PM"},
      {"DateTimeToStr(V)", Variant::Date(45356), "3/5/2024"},
      {"BoolToStr(True)", 0, "-1"},
      {"BoolToStr(False)", 0, "0"},
      {"BoolToStr(V)", 7, "-1"},
      {"VarToStr(V)", Variant::Null(), ""},
      {"VarToStr(V)", 1.5, "1.5"},
      {"VarToStr(V)", true, "True"},
      {"StrToInt(' 42')", 0, 42},
      {"StrToInt('$1F')", 0, 31},
      {"StrToInt(V)", 77, 77},
      {"StrToInt64('12345678901')", 0, 12345678901LL},
      {"StrToFloat('2.5')", 0, 2.5},
      {"StrToFloat('-1E3')", 0, -1000.0},
      {"StrToDate('3/5/2024')", 0, Variant::Date(45356)},
      {"StrToTime('6:00 PM')", 0, Variant::Date(0.75)},
      {"StrToDateTime('3/5/2024 6:00:00 PM')", 0, Variant::Date(45356.75)},
      {"StrToBool('-1')", 0, true},
      {"StrToBool('0')", 0, false},
      {"StrToBool('True')", 0, true},
      {"StrToBool('false')", 0, false},
      {"StrToBool('2')", 0, true},
      {"StrToBool(V)", 0, false},
      {"StrToBool(BoolToStr(True))", 0, true},
      {"StrToBool(BoolToStr(False))", 0, false},
  });
  struct ErrorCase {
    const char* Expr;
    const char* Error;
  } Errors[] = {
      {"StrToInt('abc')", "EConvertError: 'abc' is not a valid integer value"},
      {"StrToInt('2147483648')", "EConvertError: '2147483648' is not a valid integer value"},
      {"StrToInt64('1x')", "EConvertError: '1x' is not a valid integer value"},
      {"StrToFloat('1,5')", "EConvertError: '1,5' is not a valid floating point value"},
      {"StrToDate('5.3.2024')", "EConvertError: '5.3.2024' is not a valid date"},
      {"StrToDate('13/5/2024')", "EConvertError: '13/5/2024' is not a valid date"},
      {"StrToTime('25:00')", "EConvertError: '25:00' is not a valid time"},
      {"StrToDateTime('x')", "EConvertError: 'x' is not a valid date and time"},
      {"StrToBool('yes')", "EVariantTypeCastError: Could not convert variant of type (String) into type (Boolean)"},
      {"IntToStr(V)", "EVariantTypeCastError: Could not convert variant of type (String) into type (Int64)"},
  };
  SetV("abc");
  for (const ErrorCase& C : Errors) EXPECT_EQ(Raised(S, C.Expr), C.Error) << C.Expr;
}

TEST_F(SysFunctions, Strings) {
  Variant A15 = rt::VarArrayCreate({1, 5}, rt::varVariant);
  CheckValues(S, {
      {"Length(V)", A15, 5},
      {"Length(V)", 12345, 5},  // the length of its text
      {"Length('')", 0, 0},
      {"Length(V)", u"\u00e4\u00f6", 2},
      {"Copy('abcdef', 2, 3)", 0, "bcd"},
      {"Copy('abcdef', 0, 2)", 0, "ab"},
      {"Copy('abcdef', -5, 2)", 0, "ab"},
      {"Copy('abc', 5, 1)", 0, ""},
      {"Copy('abc', 4, 1)", 0, ""},
      {"Copy('abc', 2, -1)", 0, ""},
      {"Copy('abc', 2, 100)", 0, "bc"},
      {"Pos('cd', 'abcdcd')", 0, 3},
      {"Pos('', 'abc')", 0, 0},
      {"Pos('x', 'abc')", 0, 0},
      {"Pos('abcd', 'abc')", 0, 0},
      {"Uppercase(V)", u"stra\u00dfe \u00e4\u00e9", u"STRA\u00dfE \u00c4\u00c9"},
      {"Lowercase(V)", u"\u00c4BC \u0416", u"\u00e4bc \u0436"},
      {"Trim(V)", u"\t  a b \r\n", "a b"},
      {"Trim(V)", u"\u00a0a\u00a0", u"\u00a0a\u00a0"},  // only codes up to 32 go
      {"NameCase('JOHN o''BRIEN smith')", 0, "John O'brien Smith"},
      {"NameCase(' xy')", 0, " xy"},  // a space in position 1 does not raise the next letter
      {"NameCase('mary ann')", 0, "Mary Ann"},
      {"NameCase(V)", u"a\tb", u"A\tb"},  // only the space starts a word
      {"NameCase('ab ')", 0, "Ab "},
      {"NameCase('')", 0, ""},
      {"CompareText('abc', 'ABC')", 0, 0},
      {"CompareText('abc', 'ABD') < 0", 0, true},
      {"CompareText('b', 'A') > 0", 0, true},
      {"CompareText(V, '\u00c4')", u"\u00e4", 0},
      {"Chr(65)", 0, "A"},
      {"Chr(V)", 0x263A, u"\u263a"},
      {"Ord('A')", 0, Word(65)},
      {"Ord(V)", u"\u263a!", Word(0x263A)},
      {"Ord(V)", "", Word(0)},  // no first character: 0
  });
}

TEST_F(SysFunctions, ProceduresWithVarParametersWriteBack) {
  const std::string Out = Run(
      "var s, t: String; v, w: Variant; i: Integer; y, m, d, h, n, sec, ms: Word; a: Variant;\n"
      "begin\n"
      "  s := 'abcdef'; Delete(s, 2, 100); Print(s);\n"
      "  s := 'abcdef'; Delete(s, 2, 2); Print(s);\n"
      "  s := 'abcdef'; DeleteStr(s, 0, 2); Print(s);\n"
      "  s := 'abcdef'; Delete(s, 7, 1); Print(s);\n"
      "  t := 'abc'; Insert('XY', t, 2); Print(t);\n"
      "  t := 'abc'; Insert('XY', t, -3); Print(t);\n"
      "  t := 'abc'; Insert('XY', t, 99); Print(t);\n"
      "  i := 5; Inc(i); Print(i); Inc(i, 10); Print(i); Dec(i); Print(i); Dec(i, 20); Print(i);\n"
      "  v := 'ab'; w := 'cd'; Inc(v, w); Print(v);\n"
      "  v := 1.5; Inc(v); Print(v);\n"
      "  DecodeDate(EncodeDate(2024, 2, 29), y, m, d); Print(y); Print(m); Print(d);\n"
      "  DecodeTime(EncodeTime(13, 4, 5, 678), h, n, sec, ms); Print(h); Print(n); Print(sec); Print(ms);\n"
      "  a := VarArrayCreate([0, 9], varVariant); SetLength(a, 3);\n"
      "  Print(Length(a)); Print(VarType(a[2]));\n"
      "  v := 'abcdef'; SetLength(v, 3); Print(v);\n"
      "  v := 'ab'; SetLength(v, 4); Print('[' + v + ']');\n"
      "  v := 'ab'; SetLength(v, -1); Print('[' + v + ']');\n"
      "end.");
  EXPECT_EQ(Out,
            "a\nadef\nabcdef\nabcdef\naXYbc\nXYabc\nabcXY\n"
            "6\n16\n15\n-5\nabcd\n2.5\n"
            "2024\n2\n29\n13\n4\n5\n678\n"
            "3\n0\nabc\n[ab  ]\n[]\n");
}

TEST_F(SysFunctions, Mathematics) {
  CheckValues(S, {
      {"Round(2.5)", 0, 2},
      {"Round(3.5)", 0, 4},
      {"Round(-2.5)", 0, -2},
      {"Round(V)", 2.5000001, 3},
      {"Round(V)", "7.5", 8},  // a numeric text counts as its number
      {"Round(V)", 3e9, 3000000000LL},  // beyond 32 bits: kept whole as a 64-bit integer
      {"Trunc(-2.7)", 0, -2},
      {"Trunc(2.9999)", 0, 2},
      {"Trunc(V)", -3e9, -3000000000LL},
      {"Int(2.7)", 0, 2.0},
      {"VarType(Int(2.7))", 0, Word(rt::varDouble)},
      {"Int(-2.7)", 0, -2.0},
      {"Frac(-2.75)", 0, -0.75},
      {"Frac(V)", 4, 0.0},
      {"Sqrt(V)", "2", std::sqrt(2.0)},
      {"Sqrt(16)", 0, 4.0},
      {"Abs(V)", -3, 3.0},
      {"Abs(-2.5)", 0, 2.5},
      {"Sin(0)", 0, 0.0},
      {"Cos(0)", 0, 1.0},
      {"ArcTan(1) * 4", 0, M_PI},
      {"Tan(0)", 0, 0.0},
      {"Tan(V)", 1, std::sin(1.0) / std::cos(1.0)},
      {"Exp(0)", 0, 1.0},
      {"Ln(V)", M_E, 1.0},
      {"Pi", 0, 3.1415926535897932385},
  });
  struct ErrorCase {
    const char* Expr;
    Variant V;
    const char* Error;
  } Errors[] = {
      {"Sqrt(V)", -1, "EInvalidOp: Invalid floating point operation"},
      {"Ln(V)", 0, "EZeroDivide: Floating point division by zero"},
      {"Ln(V)", -1, "EInvalidOp: Invalid floating point operation"},
      {"Exp(V)", 1000, "EOverflow: Floating point overflow"},
      {"Round(V)", 1e300, "EInvalidOp: Invalid floating point operation"},
      {"Trunc(V)", -1e19, "EInvalidOp: Invalid floating point operation"},
      {"Sqrt(V)", "two", "EVariantTypeCastError: Could not convert variant of type (String) into type (Double)"},
  };
  for (const ErrorCase& C : Errors) {
    SetV(C.V);
    EXPECT_EQ(Raised(S, C.Expr), C.Error) << C.Expr << " of " << rt::VarToStr(C.V);
  }
}

TEST_F(SysFunctions, Dates) {
  CheckValues(S, {
      {"EncodeDate(2024, 3, 5)", 0, Variant::Date(45356)},
      {"VarType(EncodeDate(2024, 3, 5))", 0, Word(rt::varDate)},
      {"EncodeTime(18, 0, 0, 0)", 0, Variant::Date(0.75)},
      {"DayOfWeek(EncodeDate(2024, 3, 5))", 0, Word(3)},  // a Tuesday
      {"DayOfWeek(V)", 0, Word(7)},  // 30 December 1899 was a Saturday
      {"IsLeapYear(2000)", 0, true},
      {"IsLeapYear(1900)", 0, false},
      {"IsLeapYear(2024)", 0, true},
      {"DaysInMonth(2000, 2)", 0, 29},
      {"DaysInMonth(1900, 2)", 0, 28},
      {"DaysInMonth(2023, 4)", 0, 30},
      {"DaysInMonth(1, 4)", 0, 30},
      {"DaysInMonth(2023, 1)", 0, 31},
      {"VarType(Now)", 0, Word(rt::varDate)},
      {"VarType(Date)", 0, Word(rt::varDate)},
      {"VarType(Time)", 0, Word(rt::varDate)},
      {"Frac(Date)", 0, 0.0},
      {"(Time >= 0) and (Time < 1)", 0, true},
      {"Abs(Now - (Date + Time)) < 0.001", 0, true},
      {"FormatDateTime('yyyy-mm-dd hh:nn', V)", Variant::Date(45356.75), "2024-03-05 18:00"},
  });
  const double Before = rt::Now();
  const double N = Eval("Now").ToDouble();
  EXPECT_GE(N, Before - 1.0 / 86400);
  EXPECT_LE(N, rt::Now() + 1.0 / 86400);

  struct ErrorCase {
    const char* Expr;
    const char* Error;
  } Errors[] = {
      {"EncodeDate(2024, 13, 1)", "EConvertError: Invalid argument to date encode"},
      {"EncodeDate(2023, 2, 29)", "EConvertError: Invalid argument to date encode"},
      {"EncodeDate(0, 1, 1)", "EConvertError: Invalid argument to date encode"},
      {"EncodeTime(24, 0, 0, 0)", "EConvertError: Invalid argument to time encode"},
      {"EncodeTime(1, 60, 0, 0)", "EConvertError: Invalid argument to time encode"},
      {"EncodeTime(1, 0, 0, 1000)", "EConvertError: Invalid argument to time encode"},
      {"DaysInMonth(2024, 13)", "EConvertError: Month 13 is not between 1 and 12"},
      {"DaysInMonth(2024, 0)", "EConvertError: Month 0 is not between 1 and 12"},
  };
  for (const ErrorCase& C : Errors) EXPECT_EQ(Raised(S, C.Expr), C.Error) << C.Expr;
}

TEST_F(SysFunctions, Formatting) {
  CheckValues(S, {
      {"Format('%d-%s-%.2f', [1, 'a', 2.5])", 0, "1-a-2.50"},
      {"Format('%s is %d years', ['Ann', V])", 30, "Ann is 30 years"},
      {"Format('%x', [V])", 12345678901LL, "2DFDC1C35"},   // a 64-bit argument
      {"Format('%.1f', [V])", Variant::Date(1.25), "1.3"},  // a date is a floating argument
      {"Format('%s', [V])", "text", "text"},
      {"Format('%5s|%-5s|', ['a', 'b'])", 0, "    a|b    |"},
      {"Format('100%%', [0])", 0, "100%"},
      {"FormatFloat('0.00', V)", "3.14159", "3.14"},  // numeric text accepted
      {"FormatFloat('#,##0.0', 1234567.25)", 0, "1,234,567.3"},
      {"FormatDateTime('dddd, mmmm d', V)", Variant::Date(45356), "Tuesday, March 5"},
      {"FormatMaskText('(000) 000-0000;0', '5551234567')", 0, "(555) 123-4567"},
      {"FormatMaskText('!000;0', '7')", 0, "  7"},
      {"FormatMaskText('00/00;0', '12')", 0, "12/  "},
  });
  struct ErrorCase {
    const char* Expr;
    Variant V;
    const char* Error;
  } Errors[] = {
      {"Format('%d', ['x'])", 0, "EConvertError: Format '%d' invalid or incompatible with argument"},
      {"Format('%f', [1])", 0, "EConvertError: Format '%f' invalid or incompatible with argument"},
      {"Format('%s', [True])", 0, "EConvertError: Format '%s' invalid or incompatible with argument"},
      {"Format('%d %d', [1])", 0, "EConvertError: No argument for format '%d %d'"},
      {"Format('%q', [1])", 0, "EConvertError: Format '%q' invalid or incompatible with argument"},
      {"Format('%d', V)", 5, "EVariantInvalidArgError: Variant is not an array"},
      {"FormatFloat('0', V)", "x", "EVariantTypeCastError: Could not convert variant of type (String) into type (Double)"},
  };
  for (const ErrorCase& C : Errors) {
    SetV(C.V);
    EXPECT_EQ(Raised(S, C.Expr), C.Error) << C.Expr;
  }
}

TEST_F(SysFunctions, OtherFunctions) {
  Variant Today = Variant::Date(rt::Date());
  CheckValues(S, {
      {"ValidInt('123')", 0, true},
      {"ValidInt('12a')", 0, false},
      {"ValidInt('99999999999')", 0, false},
      {"ValidInt(V)", Variant::Null(), false},  // nothing propagates
      {"ValidFloat('1.5E3')", 0, true},
      {"ValidFloat('')", 0, false},
      {"ValidFloat('1,5')", 0, false},
      {"ValidDate(V)", Today, true},
      {"ValidDate('2/29/2024')", 0, true},
      {"ValidDate('2/30/2024')", 0, false},
      {"ValidDate(V)", Variant::Null(), false},
      {"ExtractFilePath('C:\\dir\\file.txt')", 0, "C:\\dir\\"},
      {"ExtractFilePath('C:file.txt')", 0, "C:"},
      {"ExtractFilePath('file.txt')", 0, ""},
      {"VarType(V)", Variant::Null(), Word(rt::varNull)},
      {"VarType(V)", Variant(), Word(rt::varEmpty)},
      {"VarType(V)", 1, Word(rt::varInteger)},
      {"VarType(V)", 1.5, Word(rt::varDouble)},
      {"VarType(V)", true, Word(rt::varBoolean)},
      {"VarType(V)", "s", Word(rt::varUString)},
      {"VarType(V)", 1LL << 40, Word(rt::varInt64)},
      {"VarType(VarArrayCreate([0, 1], varVariant))", 0, Word(rt::varArray | rt::varVariant)},
      {"VarType(VarArrayCreate([0, 1], varInteger))", 0, Word(rt::varArray | rt::varInteger)},
  });

  // Arrays with several dimensions, elements of the given type.
  EXPECT_EQ(Run("var a: Variant;\n"
                "begin a := VarArrayCreate([1, 2, 0, 3], varInteger); a[2, 3] := '7'; Print(a[2, 3] + 1);\n"
                "Print(VarType(a[1, 0])); end."),
            "8\n3\n");
  EXPECT_EQ(Raised(S, "VarArrayCreate([0], varVariant)"),
            "EVariantInvalidArgError: Variant array bounds must come in low and high pairs");
  EXPECT_EQ(Raised(S, "VarArrayCreate([5, 1], varVariant)"),
            "EVariantInvalidArgError: Variant array high bound is below its low bound");

  // Random numbers stay in [0, 1) and spread over it; Randomize reseeds.
  EXPECT_EQ(Run("var i: Integer; lo, hi, r: Double;\n"
                "begin lo := 1; hi := 0;\n"
                "  for i := 1 to 2000 do begin r := Random; if r < lo then lo := r; if r > hi then hi := r end;\n"
                "  Print(lo >= 0); Print(hi < 1); Print(lo < 0.01); Print(hi > 0.99); Print(VarType(Random));\n"
                "  Randomize; Print(Random < 1) end."),
            "True\nTrue\nTrue\nTrue\n5\nTrue\n");

  // ShowMessage goes to the handler the program installs.
  std::vector<std::string> Shown;
  scSetShowMessageProc([&](const std::string& T) { Shown.push_back(T); });
  EXPECT_EQ(Run("begin ShowMessage('Hello'); ShowMessage(42) end."), "");
  EXPECT_EQ(Shown, (std::vector<std::string>{"Hello", "42"}));
}

TEST_F(SysFunctions, RaisedErrorsReachTheScriptsExceptBlock) {
  EXPECT_EQ(Run("begin\n"
                "  try RaiseException('Bad input'); Print('not here') except Print(ExceptionClassName + ': ' + ExceptionMessage) end;\n"
                "  try StrToInt('abc') except Print(ExceptionClassName + ': ' + ExceptionMessage) end;\n"
                "  try EncodeDate(2024, 13, 1) except Print(ExceptionClassName) end;\n"
                "  RaiseException('Stop here');\n"
                "  Print('never');\n"
                "end."),
            "Exception: Bad input\nEConvertError: 'abc' is not a valid integer value\nEConvertError\n"
            "raised Exception: Stop here\n");
  EXPECT_EQ(S.ErrorPos, "5:3");
}

TEST_F(SysFunctions, AutomationObjectsAreNotAvailable) {
  EXPECT_EQ(Raised(S, "CreateOleObject('Report.Sheet')"),
            "EOleSysError: Cannot create the automation object 'Report.Sheet': automation objects are not "
            "available on this server");
  EXPECT_EQ(Run("var x: Variant;\n"
                "begin try x := CreateOleObject('Some.Server'); x.Visible := True except Print(ExceptionClassName) end;\n"
                "Print(VarType(x)) end."),
            "EOleSysError\n1\n");
}

TEST_F(SysFunctions, NullArgumentsRaiseConversionErrorsExceptWhereTheTextIsAsked) {
  SetV(Variant::Null());
  for (const char* Expr : {"IntToStr(V)", "FloatToStr(V)", "BoolToStr(V)", "StrToInt(V)", "Length(V)", "Copy(V, 1, 1)",
                           "Uppercase(V)", "Sqrt(V)", "Round(V)", "EncodeDate(V, 1, 1)", "DateToStr(V)", "Chr(V)"})
    EXPECT_EQ(Raised(S, Expr).rfind("EVariantTypeCastError: Could not convert variant of type (Null)", 0), 0u) << Expr;
  CheckValues(S, {
      {"VarToStr(V)", Variant::Null(), ""},
      {"VarType(V)", Variant::Null(), Word(rt::varNull)},
      {"ValidFloat(V)", Variant::Null(), false},
      {"V = Null", Variant::Null(), true},
  });
}

TEST_F(SysFunctions, AHandlerLeavesNamesItDoesNotServeEmpty) {
  const TscCallMethodNewEvent Handlers[] = {&TscSysFunctions::CallToText, &TscSysFunctions::CallFromText,
                                            &TscSysFunctions::CallFormat, &TscSysFunctions::CallDate,
                                            &TscSysFunctions::CallString, &TscSysFunctions::CallMath,
                                            &TscSysFunctions::CallOther};
  int I = 0;
  for (const TscCallMethodNewEvent& H : Handlers) {
    // Registered under a name of another group: the handler does not serve it.
    S.AddMethod("function Mystery" + std::to_string(I) + "(a: Variant): Variant", H);
    const Variant R = Eval("Mystery" + std::to_string(I) + "(1)");
    EXPECT_TRUE(R.IsEmpty()) << I << ": " << rt::VarToStr(R);
    ++I;
  }
  // The math handler does not serve the string group's names.
  S.AddMethod("function Length(s: Variant): Integer", TscCallMethodNewEvent(&TscSysFunctions::CallMath));
  EXPECT_TRUE(Eval("Length('abc')").IsEmpty());
}
