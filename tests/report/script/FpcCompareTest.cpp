// The same PascalScript programs compiled by Free Pascal (in its compatibility mode) and run by the script engine
// must print the same lines. Only constructs whose script semantics match Pascal are used; where
// the script rules differ from Pascal on purpose (32-bit overflow widens to Int64; the loop
// variable after a counting loop holds the end value; errors are caught through the
// ExceptionMessage variable) the programs stay clear of the difference.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "ScriptTestSupport.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_ipascal.h"

using namespace scTest;

namespace {

// Pascal glue for the fpc side: Print of each value kind as the script's VarToStr writes it.
const char* kFpcHeader =
    "program cmp;\n{$mode delphi}{$H+}\nuses SysUtils;\n"
    "procedure Print(const v: string); overload; begin writeln(v) end;\n"
    "procedure Print(v: Int64); overload; begin writeln(v) end;\n"
    "procedure Print(v: Double); overload; begin writeln(FloatToStr(v)) end;\n"
    "procedure Print(v: Boolean); overload; begin if v then writeln('True') else writeln('False') end;\n";

struct Program {
  const char* Name;
  const char* Text;  // {EXCEPT} stands for the except block's handler
};

const Program kPrograms[] = {
    {"arithmetic",
     "var a, b: Integer; x: Double;\n"
     "begin\n"
     "  a := 17; b := -5;\n"
     "  Print(a div 5); Print(a mod 5); Print(a div b); Print(a mod b); Print(-a div 5); Print(-a mod 5);\n"
     "  Print(a + b * 2 - (a - b) * 3); Print(a / 4); Print(7 / 2); Print(10 / 4);\n"
     "  x := 2.5; Print(x * 4); Print(x + a); Print(a shl 3); Print(a shr 2); Print(a and 6); Print(a or 6);\n"
     "  Print(a xor 6); Print(not 5); Print(-x);\n"
     "end."},
    {"strings",
     "var s, t: String; i: Integer;\n"
     "begin\n"
     "  s := 'Hello'; t := s + ', ' + 'world';\n"
     "  Print(t); Print(s[1]); s[1] := 'J'; Print(s);\n"
     "  Print(s = 'Jello'); Print(s < 'Jelly'); Print('abc' > 'abd'); Print('Z' < 'a');\n"
     "  t := '';\n"
     "  for i := 1 to 5 do t := t + s[6 - i];\n"
     "  Print(t); Print('it''s');\n"
     "end."},
    {"booleans",
     "var calls: Integer;\n"
     "function Side(v: Boolean): Boolean; begin calls := calls + 1; Result := v end;\n"
     "begin\n"
     "  calls := 0;\n"
     "  if False and Side(True) then Print('x');\n"
     "  if True or Side(True) then Print('or');\n"
     "  if True and Side(False) then Print('y');\n"
     "  Print(calls);\n"
     "  Print(not (1 > 2)); Print((1 < 2) and (3 < 4)); Print((1 < 2) xor (3 < 4)); Print(True = (2 > 1));\n"
     "end."},
    {"loops",
     "var i, j, n: Integer;\n"
     "begin\n"
     "  for i := 5 downto 1 do Print(i);\n"
     "  for i := 1 downto 5 do Print('never');\n"
     "  n := 0;\n"
     "  for i := 1 to 10 do begin if i mod 2 = 0 then continue; if i > 7 then break; n := n + i end;\n"
     "  Print(n);\n"
     "  i := 0; while i < 3 do begin i := i + 1; Print(i * 10) end;\n"
     "  i := 10; repeat i := i - 3; Print(i) until i < 0;\n"
     "  for i := 1 to 3 do for j := 1 to 3 do begin if j > i then break; Print(i * 10 + j) end;\n"
     "end."},
    {"case",
     "var i: Integer; s: String;\n"
     "begin\n"
     "  for i := 0 to 12 do begin\n"
     "    case i of\n"
     "      1, 3..5: s := 'low';\n"
     "      6: s := 'six';\n"
     "      7..9, 11: s := 'high'\n"
     "    else s := 'other' end;\n"
     "    Print(s)\n"
     "  end;\n"
     "end."},
    {"routines",
     "function Fib(n: Integer): Integer; begin if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2) end;\n"
     "procedure AddTo(var acc: Integer; v: Integer); begin acc := acc + v end;\n"
     "function FirstOver(limit: Integer): Integer; var k: Integer;\n"
     "begin Result := -1; for k := 1 to 100 do if k * k > limit then begin Result := k; exit end end;\n"
     "var total, i: Integer;\n"
     "begin\n"
     "  Print(Fib(15)); total := 0;\n"
     "  for i := 1 to 4 do AddTo(total, i * i);\n"
     "  Print(total); Print(FirstOver(50)); Print(FirstOver(100000));\n"
     "end."},
    {"exceptions",
     "var z, r: Integer;\n"
     "procedure Guarded; begin try Print('in'); exit; Print('skipped') finally Print('finally') end end;\n"
     "begin\n"
     "  z := 0;\n"
     "  try r := 10 div z; Print('no') except {EXCEPT} end;\n"
     "  Guarded;\n"
     "  try try r := 1 div z finally Print('inner finally') end except {EXCEPT} end;\n"
     "  Print('done');\n"
     "end."},
};

std::string RunFpc(const Program& P, const std::filesystem::path& Dir) {
  std::string Text = P.Text;
  const std::string Tag = "{EXCEPT}";
  for (std::size_t At; (At = Text.find(Tag)) != std::string::npos;)
    Text.replace(At, Tag.size(), "on E: Exception do Print(E.Message)");
  const std::filesystem::path Src = Dir / (std::string(P.Name) + ".pas");
  std::ofstream(Src) << kFpcHeader << Text << "\n";
  const std::filesystem::path Exe = Dir / P.Name;
  const std::string Build = "fpc -Mdelphi -o" + Exe.string() + " " + Src.string() + " > " +
                            (Dir / "build.log").string() + " 2>&1";
  if (std::system(Build.c_str()) != 0) {
    std::ifstream Log(Dir / "build.log");
    std::stringstream B;
    B << Log.rdbuf();
    return "fpc failed:\n" + B.str();
  }
  const std::filesystem::path OutFile = Dir / (std::string(P.Name) + ".out");
  std::system((Exe.string() + " > " + OutFile.string() + " 2>&1").c_str());
  std::ifstream In(OutFile);
  std::string Line, R;
  while (std::getline(In, Line)) R += Line + "\n";
  return R;
}

std::string RunScript(const Program& P) {
  std::string Text = P.Text;
  const std::string Tag = "{EXCEPT}";
  for (std::size_t At; (At = Text.find(Tag)) != std::string::npos;) Text.replace(At, Tag.size(), "Print(ExceptionMessage)");
  TscScript S;
  S.AddRTTI();
  std::string Out;
  S.AddMethod("procedure Print(v: Variant)",
              TscCallMethodNewEvent([&](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* C) {
                Out += rt::VarToStr(C->GetVParam(0)) + "\n";
                return Variant(0);
              }));
  S.Lines.SetText(Text);
  if (!S.Compile()) return "compile error: " + S.ErrorMsg + " at " + S.ErrorPos;
  try {
    S.Execute();
  } catch (const rt::Exception& E) {
    Out += "raised " + E.Message() + "\n";
  }
  return Out;
}

} // namespace

TEST(FreePascalComparison, ProgramsPrintTheSame) {
  if (std::system("command -v fpc > /dev/null 2>&1") != 0) GTEST_SKIP() << "fpc is not installed";
  RegisterBaseTypes();
  sc_ipascalInitialization();
  const std::filesystem::path Dir = std::filesystem::temp_directory_path() / ("sc_fpc_" + std::to_string(::getpid()));
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
