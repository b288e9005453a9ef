// Script routine calls keep each level's parameters and locals apart: a nested or recursive call
// hands back the caller's values exactly as they were, whatever their kind, and var parameters
// still carry the callee's writes to the caller.
#include <gtest/gtest.h>

#include "tests/report/script/PrintingScript.h"

#include "report/script/sc_ijs.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

namespace {

class Calls : public PrintingScriptTest {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_ijsInitialization();
    sc_isysrttiInitialization();
    PrepareScript();
  }
};

} // namespace

TEST_F(Calls, RecursionHandsBackEachLevelsValues) {
  struct Case {
    const char* Syntax;
    const char* Program;
    const char* Expected;
  } Cases[] = {
      {"PascalScript",
       "function Fib(n: Integer): Integer; begin if n < 2 then Result := n else "
       "Result := Fib(n - 1) + Fib(n - 2); end; begin Print(Fib(15)); end.",
       "610\n"},
      // Text and float parameters, read after the nested call returns.
      {"PascalScript",
       "function Nest(s: String; f: Extended; n: Integer): String; begin if n = 0 then Result := s else "
       "begin Result := Nest(s + '.', f * 2, n - 1); Result := Result + '|' + s + FloatToStr(f); end; end; "
       "begin Print(Nest('a', 1.5, 2)); end.",
       "a..|a.3|a1.5\n"},
      // A parameter that never got an argument of its own kind keeps what it held.
      {"PascalScript",
       "procedure P(v: Variant; n: Integer); begin if n > 0 then P(n, n - 1); Print(VarToStr(v) + '/' + IntToStr(n)); end; "
       "begin P('x', 2); end.",
       "1/0\n2/1\nx/2\n"},
      // Locals of each level, the argument reading the level's own parameter.
      {"PascalScript",
       "function Sum(n: Integer): Integer; var k: Integer; begin k := n * 10; if n = 0 then Result := 0 "
       "else Result := Sum(n - 1) + k; end; begin Print(Sum(4)); end.",
       "100\n"},
      // A var parameter written by the deepest level reaches the outermost caller.
      {"PascalScript",
       "procedure Count(var c: Integer; n: Integer); begin c := c + 1; if n > 0 then Count(c, n - 1); end; "
       "var t: Integer; begin t := 0; Count(t, 4); Print(t); end.",
       "5\n"},
      {"JScript",
       "function fib(n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); } Print(fib(12));",
       "144\n"},
      // More locals than a call keeps in its own frame, of every kind, read after the nested call.
      {"PascalScript",
       "function Many(n: Integer): String; var a, b: Integer; c: String; d: Extended; e: Boolean; f: Variant; "
       "begin a := n; b := n * 2; c := 'c' + IntToStr(n); d := n / 2; e := n mod 2 = 1; f := n * 3; "
       "if n > 0 then Result := Many(n - 1) else Result := ''; "
       "Result := Result + Format('%d,%d,%s,%g,%s,%d;', [a, b, c, d, BoolToStr(e), f]); end; "
       "begin Print(Many(2)); end.",
       "0,0,c0,0,0,0;1,2,c1,0.5,-1,3;2,4,c2,1,0,6;\n"},
      // An error raised by a deeper level and caught by the level above: the catching level has
      // its own values back, and so has every level above it.
      {"PascalScript",
       "function Catch(n: Integer): Integer; var k: Integer; begin k := n * 10; "
       "if n = 0 then Result := 1 div n else try Result := Catch(n - 1); except Result := -1; end; "
       "Result := Result + k; end; begin Print(Catch(3)); end.",
       "59\n"},
  };
  for (const Case& C : Cases) {
    S.SyntaxType = C.Syntax;
    EXPECT_EQ(Run(C.Program), C.Expected) << C.Syntax << ": " << C.Program;
  }
}

TEST_F(Calls, VarParametersAndNestedRoutinesSeeTheRightLevel) {
  struct Case {
    const char* Program;
    const char* Expected;
  } Cases[] = {
      // The var argument is the caller's own local, which its level saves and gets back around
      // the nested call: the callee's write must still land in it.
      {"procedure Acc(var total: Integer; n: Integer); var part: Integer; begin part := 0; "
       "if n > 0 then Acc(part, n - 1); total := total + part + n; end; "
       "var t: Integer; begin t := 100; Acc(t, 3); Print(t); end.",
       "106\n"},
      // A nested routine reads its parent's local and parameter of the level running it, also
      // after a deeper level of the parent has returned.
      {"function Outer(n: Integer): Integer; var base: Integer; "
       "function Inner: Integer; begin Result := base * 10 + n; end; "
       "begin base := n; if n > 0 then Result := Outer(n - 1) + Inner else Result := Inner; end; "
       "begin Print(Outer(2)); end.",
       "33\n"},
      // Parameters assigned and updated in place, of their declared kind and of a Variant one.
      {"function F(s: String; n: Integer; v: Variant): String; begin n := n * 2; n := n + 1; s := s + IntToStr(n); "
       "v := v + 'z'; Result := s + v; end; begin Print(F('a', 4, 'y')); end.",
       "a9yz\n"},
      // A runaway recursion is a script error, and the routine can be called normally after it.
      {"function Down(n: Integer): Integer; begin Result := Down(n + 1); end; "
       "function Two: Integer; begin Result := 2; end; "
       "begin try Down(0); except Print('stopped'); end; Print(Two); end.",
       "stopped\n2\n"},
  };
  S.SyntaxType = "PascalScript";
  for (const Case& C : Cases) EXPECT_EQ(Run(C.Program), C.Expected) << C.Program;
}

// A host hook that supplies variables' values makes every level's values go aside by the general
// road; each level still reads its own, and the hook's value wins where it gives one.
TEST_F(Calls, RecursionWithVariableHooksReadsEachLevelsValues) {
  S.OnGetVarValue = [](const std::string& Name, TscVarType, const rt::Variant&) {
    return rt::Variant(Name == "Fixed" ? rt::Variant(7) : rt::Variant::Null());
  };
  S.SyntaxType = "PascalScript";
  EXPECT_EQ(Run("function Sum(n: Integer): Integer; var k, Fixed: Integer; begin k := n * 10; Fixed := 1; "
                "if n = 0 then Result := Fixed else Result := Sum(n - 1) + k; end; begin Print(Sum(4)); end."),
            "107\n");
}

// A native function that calls back into the script while a script routine runs, the routine
// itself included: the running call's locals and parameters are intact when it comes back.
TEST_F(Calls, AHostCallIntoARunningRoutineKeepsTheRunningCall) {
  S.AddedBy = &Out;  // kept when Run replaces the program
  S.AddMethod("function Host(Name: String; v: Variant): Variant",
              TscCallMethodNewEvent([this](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* C) {
                return S.CallFunction(rt::VarToStr(C->GetVParam(0)), rt::VarArrayOf({C->GetVParam(1)}));
              }));
  S.AddedBy = nullptr;
  S.SyntaxType = "PascalScript";
  EXPECT_EQ(Run("function Depth(n: Integer): Integer; var k: Integer; begin k := n * 100; "
                "if n = 0 then Result := 0 else Result := Host('Depth', n - 1) + k + n; end; "
                "function Twice(n: Integer): Integer; begin Result := n * 2; end; "
                "function Walk(n: Integer): Integer; var k: Integer; begin k := n; "
                "if n = 0 then Result := 0 else Result := Walk(n - 1) + Host('Twice', k) + k; end; "
                "begin Print(Depth(3)); Print(Walk(3)); end."),
            "606\n18\n");
}
