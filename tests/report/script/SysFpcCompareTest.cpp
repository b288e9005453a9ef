// Built-in functions that mirror Pascal runtime routines, called by the same PascalScript
// programs compiled by Free Pascal (in its compatibility mode) and run by the script engine: both must print the
// same lines. Free Pascal is told the server's format settings (m/d/yyyy, h:nn:ss AM/PM) first.
// Date results are multiplied by 1 before printing: the library returns them as date Variants,
// which print as date text, where Pascal has plain numbers.
//
// Left out on purpose, because the library follows its own rules there:
// - error messages (the runtime's texts differ from Free Pascal's);
// - floating texts below 0.0001 (scientific here from 0.0001 down, as FloatToStr is specified);
// - Format's %e without a precision (15 digits here, Free Pascal gives 17) and %m;
// - FormatDateTime's "zz" (two digits here);
// - UpperCase and LowerCase of letters beyond ASCII (locale-aware here), NameCase, Round of
//   values beyond 32 bits (kept as 64-bit integers here).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "report/script/sc_iilparser.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

using rt::Variant;

namespace {

const char* kFpcHeader =
    "program cmp;\n{$mode delphi}{$H+}\nuses SysUtils, DateUtils;\n"
    "procedure Print(const v: string); overload; begin writeln(v) end;\n"
    "procedure Print(v: Int64); overload; begin writeln(v) end;\n"
    "procedure Print(v: Double); overload; begin writeln(FloatToStr(v)) end;\n"
    "procedure Print(v: Boolean); overload; begin if v then writeln('True') else writeln('False') end;\n"
    "function Sign(v: Integer): Integer; begin if v < 0 then Result := -1 else if v > 0 then Result := 1 else "
    "Result := 0 end;\n"
    "function DaysInMonth(y, m: Integer): Integer; begin Result := DaysInAMonth(y, m) end;\n"
    "procedure Settings;\nbegin\n"
    "  ShortDateFormat := 'm/d/yyyy'; LongDateFormat := 'dddd, mmmm d, yyyy';\n"
    "  ShortTimeFormat := 'h:nn AMPM'; LongTimeFormat := 'h:nn:ss AMPM';\n"
    "  DateSeparator := '/'; TimeSeparator := ':'; TimeAMString := 'AM'; TimePMString := 'PM';\n"
    "  DecimalSeparator := '.'; ThousandSeparator := ','; TwoDigitYearCenturyWindow := 50;\n"
    "end;\n";

struct Program {
  const char* Name;
  const char* Text;
};

const Program kPrograms[] = {
    {"strings",
     "var s: String; i: Integer;\n"
     "begin\n"
     "  Settings;\n"
     "  Print(Copy('abcdef', 2, 3)); Print(Copy('abcdef', 0, 2)); Print(Copy('abcdef', -3, 4));\n"
     "  Print(Copy('abc', 5, 1)); Print(Copy('abc', 2, -1)); Print(Copy('abc', 2, 100));\n"
     "  Print(Pos('cd', 'abcdcd')); Print(Pos('x', 'abc')); Print(Pos('', 'abc')); Print(Pos('abc', 'ab'));\n"
     "  s := 'abcdef'; Delete(s, 2, 3); Print(s);\n"
     "  s := 'abcdef'; Delete(s, 0, 2); Print(s);\n"
     "  s := 'abcdef'; Delete(s, 7, 2); Print(s);\n"
     "  s := 'abcdef'; Delete(s, 2, 100); Print(s);\n"
     "  s := 'abcdef'; Delete(s, 3, 0); Print(s);\n"
     "  s := 'abc'; Insert('XY', s, 2); Print(s);\n"
     "  s := 'abc'; Insert('XY', s, 0); Print(s);\n"
     "  s := 'abc'; Insert('XY', s, 10); Print(s);\n"
     "  s := ''; Insert('XY', s, 1); Print(s);\n"
     "  Print(UpperCase('Mixed Case 12')); Print(LowerCase('Mixed Case 12'));\n"
     "  Print('[' + Trim('  padded text ' + #9) + ']'); Print('[' + Trim('') + ']');\n"
     "  Print(Length('hello')); Print(Length(''));\n"
     "  Print(Chr(65) + Chr(97)); Print(Ord('A')); Print(Ord('z'));\n"
     "  Print(Sign(CompareText('abc', 'ABD'))); Print(Sign(CompareText('ABC', 'abc'))); Print(Sign(CompareText('b', 'a')));\n"
     "  Print(IntToStr(0)); Print(IntToStr(-2147483647)); Print(IntToStr(123456));\n"
     "  Print(StrToInt('42')); Print(StrToInt(' -17')); Print(StrToInt('$FF'));\n"
     "  Print(StrToInt64('9223372036854775807')); Print(StrToInt64('-9223372036854775808'));\n"
     "  for i := 1 to 3 do s := s + IntToStr(i);\n"
     "  Print(s);\n"
     "end."},
    {"math",
     "var x: Double;\n"
     "begin\n"
     "  Settings;\n"
     "  Print(Round(2.5)); Print(Round(3.5)); Print(Round(-2.5)); Print(Round(0.5)); Print(Round(-0.51)); Print(Round(1.4999));\n"
     "  Print(Trunc(-2.7)); Print(Trunc(2.7)); Print(Trunc(0.0));\n"
     "  Print(Frac(-2.75)); Print(Frac(3.5)); Print(Int(-2.7)); Print(Int(2.7));\n"
     "  Print(Sqrt(2)); Print(Sqrt(0)); Print(Sqrt(10000000000.0)); Print(Abs(-3.25)); Print(Abs(4));\n"
     "  Print(Sin(1)); Print(Cos(1)); Print(ArcTan(1)); Print(Sin(0)); Print(Cos(0));\n"
     "  Print(Exp(1)); Print(Exp(0)); Print(Ln(10)); Print(Ln(1)); Print(Pi);\n"
     "  x := 12.375; Print(Round(x * 2)); Print(Trunc(x)); Print(Frac(x));\n"
     "end."},
    {"dates",
     "var dt: TDateTime; y, m, d, h, n, s, ms: Word;\n"
     "begin\n"
     "  Settings;\n"
     "  dt := EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);\n"
     "  Print(EncodeDate(2024, 3, 5) * 1); Print(EncodeDate(1899, 12, 30) * 1); Print(EncodeDate(1, 1, 1) * 1);\n"
     "  Print(EncodeDate(9999, 12, 31) * 1); Print(EncodeTime(12, 0, 0, 0) * 1); Print(EncodeTime(23, 59, 59, 999) * 1);\n"
     "  DecodeDate(dt, y, m, d); Print(y); Print(m); Print(d);\n"
     "  DecodeTime(dt, h, n, s, ms); Print(h); Print(n); Print(s); Print(ms);\n"
     "  DecodeDate(-1.5, y, m, d); Print(y); Print(m); Print(d);\n"
     "  DecodeTime(0.99999999999, h, n, s, ms); Print(h); Print(n); Print(s); Print(ms);\n"
     "  DecodeDate(0.99999999999, y, m, d); Print(d);\n"
     "  Print(DayOfWeek(dt)); Print(DayOfWeek(0)); Print(DayOfWeek(1)); Print(DayOfWeek(-1.5));\n"
     "  Print(IsLeapYear(2000)); Print(IsLeapYear(1900)); Print(IsLeapYear(2024)); Print(IsLeapYear(2023));\n"
     "  Print(DaysInMonth(2000, 2)); Print(DaysInMonth(1900, 2)); Print(DaysInMonth(2023, 4)); Print(DaysInMonth(2023, 12));\n"
     "  Print(DateToStr(dt)); Print(TimeToStr(dt)); Print(DateTimeToStr(dt)); Print(DateTimeToStr(EncodeDate(2024, 3, 5)));\n"
     "  Print(TimeToStr(EncodeTime(0, 5, 0, 0))); Print(TimeToStr(EncodeTime(12, 0, 0, 0)));\n"
     "  Print(FormatDateTime('yyyy-mm-dd hh:nn:ss.zzz', dt)); Print(FormatDateTime('d/m/yy h:n:s', dt));\n"
     "  Print(FormatDateTime('ddd dddd mmm mmmm', dt)); Print(FormatDateTime('c', dt)); Print(FormatDateTime('c', EncodeDate(2024, 3, 5)));\n"
     "  Print(FormatDateTime('ddddd|dddddd|t|tt', dt)); Print(FormatDateTime('hh:mm', dt)); Print(FormatDateTime('mm:hh:mm', dt));\n"
     "  Print(FormatDateTime('h:nn am/pm|hh AM/PM|h a/p|h:nn ampm', dt)); Print(FormatDateTime('h:nn am/pm', EncodeTime(0, 5, 0, 0)));\n"
     "  Print(FormatDateTime('\"yyyy\" ''mm'' yyyy', dt)); Print(FormatDateTime('yy yyyy m d dd', EncodeDate(2009, 1, 2)));\n"
     "  Print(FormatDateTime('z zzz s ss n nn h hh', EncodeTime(1, 2, 3, 4)));\n"
     "  Print(StrToDate('3/5/2024') * 1); Print(StrToDate(' 12/31/1999 ') * 1); Print(StrToDate('3/5/80') * 1);\n"
     "  Print(StrToDate('3/5/24') * 1); Print(StrToTime('2:30 PM') * 1); Print(StrToTime('14:30:15') * 1);\n"
     "  Print(StrToTime('12:00 AM') * 1); Print(StrToTime('12:00 PM') * 1); Print(StrToTime('14') * 1);\n"
     "  Print(StrToTime('1:02:03.500') * 1); Print(StrToDateTime('3/5/2024 2:30 PM') * 1);\n"
     "  Print(StrToDateTime('3/5/2024') * 1); Print(StrToDateTime('14:30') * 1);\n"
     "end."},
    {"formats",
     "begin\n"
     "  Settings;\n"
     "  Print(Format('[%d|%5d|%-5d|%.3d|%x|%.4X|%u]', [42, 42, 42, 7, 255, 255, 42]));\n"
     "  Print(Format('[%.3e|%f|%.1f|%g|%.3g|%n|%.0n]', [1234.5, 1234.5, 1234.56, 1234.5, 1234.5, 1234567.891, 1234567.891]));\n"
     "  Print(Format('[%s|%5s|%-5s|%.2s|%1:s|%0:s|%%]', ['ab', 'cd', 'ef', 'ghij']));\n"
     "  Print(Format('[%*d|%-*.*f]', [6, 42, 8, 2, 3.14159]));\n"
     "  Print(Format('[%g|%g|%g]', [100000000000000000000.0, 0.0001, 2.5]));\n"
     "  Print(Format('%.3d|%d|%5.1f|%s', [-7, -2147483647, -3.14159, 'x']));\n"
     "  Print(FormatFloat('#,##0.00;(#,##0.00);zero', -1234.5)); Print(FormatFloat('#,##0.00;(#,##0.00);zero', 0));\n"
     "  Print(FormatFloat('0.0##', 2.5)); Print(FormatFloat('000', 7)); Print(FormatFloat('#.##', 0)); Print(FormatFloat('0.###E+00', 12345.678));\n"
     "  Print(FormatFloat('0.00', 1.005)); Print(FormatFloat('#,##0', 1234567)); Print(FormatFloat('', 3.5));\n"
     "  Print(FloatToStr(1234567.891)); Print(FloatToStr(-0.5)); Print(FloatToStr(1000000000000000.0)); Print(FloatToStr(123456789012345678.0));\n"
     "  Print(FloatToStr(1 / 3)); Print(FloatToStr(0.0001)); Print(FloatToStr(100));\n"
     "  Print(StrToFloat('3.25')); Print(StrToFloat(' -1.5E3 ')); Print(StrToFloat('1e-3'));\n"
     "  Print(BoolToStr(True)); Print(BoolToStr(False)); Print(StrToBool('-1')); Print(StrToBool('0')); Print(StrToBool('true'));\n"
     "  Print(StrToBool(BoolToStr(True)));\n"
     "end."},
};

std::string ReadFile(const std::filesystem::path& P) {
  std::ifstream In(P);
  std::stringstream B;
  B << In.rdbuf();
  return B.str();
}

std::string RunFpc(const Program& P, const std::filesystem::path& Dir) {
  // A file named like a unit of Free Pascal's ("math", "strings") would be taken for it.
  const std::string Base = std::string("prog_") + P.Name;
  const std::filesystem::path Src = Dir / (Base + ".pas");
  std::ofstream(Src) << kFpcHeader << P.Text << "\n";
  const std::filesystem::path Exe = Dir / Base;
  const std::string Build = "fpc -Mdelphi -o" + Exe.string() + " " + Src.string() + " > " +
                            (Dir / "build.log").string() + " 2>&1";
  if (std::system(Build.c_str()) != 0) return "fpc failed:\n" + ReadFile(Dir / "build.log");
  const std::filesystem::path OutFile = Dir / (Base + ".out");
  std::system((Exe.string() + " > " + OutFile.string() + " 2>&1").c_str());
  return ReadFile(OutFile);
}

std::string RunScript(const Program& P) {
  TscScript S;
  S.AddRTTI();
  std::string Out;
  S.AddMethod("procedure Print(v: Variant)",
              TscCallMethodNewEvent([&](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* C) {
                Out += rt::VarToStr(C->GetVParam(0)) + "\n";
                return Variant();
              }));
  S.AddMethod("function Sign(v: Integer): Integer",
              TscCallMethodNewEvent([](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* C) {
                const int V = C->GetVParam(0).ToInteger();
                return Variant(V < 0 ? -1 : V > 0 ? 1 : 0);
              }));
  S.AddMethod("procedure Settings",
              TscCallMethodNewEvent([](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper*) { return Variant(); }));
  S.Lines.SetText(P.Text);
  if (!S.Compile()) return "compile error: " + S.ErrorMsg + " at " + S.ErrorPos;
  try {
    S.Execute();
  } catch (const rt::Exception& E) {
    Out += "raised " + E.Message() + " at " + S.ErrorPos + "\n";
  }
  return Out;
}

} // namespace

TEST(FreePascalComparison, BuiltInFunctionsPrintTheSame) {
  if (std::system("command -v fpc > /dev/null 2>&1") != 0) GTEST_SKIP() << "fpc is not installed";
  sc_ipascalInitialization();
  sc_isysrttiInitialization();
  const std::filesystem::path Dir =
      std::filesystem::temp_directory_path() / ("sc_sysfpc_" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir);
  for (const Program& P : kPrograms) {
    const std::string Fpc = RunFpc(P, Dir);
    ASSERT_EQ(Fpc.rfind("fpc failed", 0), std::string::npos) << Fpc;
    ASSERT_GT(Fpc.size(), 10u) << P.Name;
    const std::string Script = RunScript(P);
    EXPECT_EQ(Script, Fpc) << P.Name;
    if (std::getenv("SC_FPC_SHOW")) std::printf("== %s\n%s", P.Name, Script.c_str());
  }
  std::filesystem::remove_all(Dir);
}
