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
  };
  for (const Case& C : Cases) {
    S.SyntaxType = C.Syntax;
    EXPECT_EQ(Run(C.Program), C.Expected) << C.Syntax << ": " << C.Program;
  }
}
