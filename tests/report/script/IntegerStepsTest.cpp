// Integer variables stepped in place (x := x + y, x++, counting loops) must give what the Variant
// rules give: the same values, the same widening to Int64 in a Variant, the same errors at the
// edge of the Integer range, and hooks and other kinds still read as before.
#include <gtest/gtest.h>

#include "tests/report/script/PrintingScript.h"

#include "report/script/sc_ibasic.h"
#include "report/script/sc_icpp.h"
#include "report/script/sc_ijs.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

namespace {

class IntegerSteps : public PrintingScriptTest {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_icppInitialization();
    sc_ibasicInitialization();
    sc_ijsInitialization();
    sc_isysrttiInitialization();
    PrepareScript();
  }
};

struct Case {
  const char* Syntax;
  const char* Program;
  const char* Expected;
};

} // namespace

TEST_F(IntegerSteps, CompoundAssignmentsFollowTheVariantRules) {
  const Case Cases[] = {
      {"PascalScript", "var n: Integer; begin n := 5; n := n + 3; n := n - 10; n := n * 7; Print(n); end.", "-14\n"},
      // Out of the Integer range an Integer variable refuses the Int64 result...
      {"PascalScript", "var n: Integer; begin n := 2147483647; n := n + 1; Print(n); end.",
       "raised EVariantOverflowError: Overflow while converting variant of type (Int64) into type (Integer)\n"},
      {"PascalScript", "var n: Integer; begin n := -2147483648; n := n - 1; Print(n); end.",
       "raised EVariantOverflowError: Overflow while converting variant of type (Int64) into type (Integer)\n"},
      {"PascalScript", "var n: Integer; begin n := 65536; n := n * 65536; Print(n); end.",
       "raised EVariantOverflowError: Overflow while converting variant of type (Int64) into type (Integer)\n"},
      // ... and a Variant widens to Int64.
      {"PascalScript", "var v: Variant; begin v := 2147483647; v := v + 1; Print(v); v := v - 1; Print(v); end.",
       "2147483648\n2147483647\n"},
      {"PascalScript", "var v: Variant; begin v := 65536; v := v * 65536; Print(v); end.", "4294967296\n"},
      {"PascalScript", "var v: Variant; begin v := -2147483648; v := v - 1; Print(v); end.", "-2147483649\n"},
      // Other kinds on either side.
      {"PascalScript", "var v: Variant; begin v := '5'; v := v + 3; Print(v); v := 2; v := v * 1.5; Print(v); end.",
       "8\n3\n"},
      {"PascalScript", "var v, w: Variant; begin v := 1; w := 'x'; v := v + w; Print(v); end.",
       "raised EVariantTypeCastError: Could not convert variant of type (String) into type (Double)\n"},
      {"PascalScript", "var v: Variant; begin v := Null; v := v + 1; Print(VarToStr(v) + '.'); end.", ".\n"},
      {"PascalScript", "var v: Variant; begin v := 7; v := v + Null; Print(VarToStr(v) + '.'); end.", ".\n"},
      {"PascalScript", "var e: Extended; begin e := 1; e := e + 2; e := e * 2; Print(e); end.", "6\n"},
      {"PascalScript", "var n: Int64; begin n := 1; n := n + 2; Print(n); end.", "3\n"},
      // Parameters, locals, results and constants as either side.
      {"PascalScript",
       "function F(p: Integer): Integer; var k: Integer; begin p := p + 1; k := 2; k := k * p; Result := p; "
       "Result := Result * p; Result := Result - k; end; begin Print(F(4)); end.",
       "15\n"},
      {"PascalScript", "const C = 5; var n: Integer; begin n := 1; n := n + C; Print(n); end.", "6\n"},
      // A step that raises leaves the value it had.
      {"PascalScript", "var n: Integer; begin n := 1; try n := n + 1; n := n div 0; except Print(n); end; end.", "2\n"},
  };
  for (const Case& C : Cases) {
    S.SyntaxType = C.Syntax;
    EXPECT_EQ(Run(C.Program), C.Expected) << C.Program;
  }
}

TEST_F(IntegerSteps, IncrementsAndCountingLoopsFollowTheVariantRules) {
  const Case Cases[] = {
      {"D++Uderir", "{ Variant v; v = 2147483647; v++; Print(v); v--; Print(v); v--; Print(v); }",
       "2147483648\n2147483647\n2147483646\n"},
      {"D++Uderir", "{ Variant v; v = -2147483648; v--; Print(v); }", "-2147483649\n"},
      {"D++Uderir", "{ Variant v; v = 1.5; v++; Print(v); v = \"5\"; v++; Print(v); v = \"a\"; v++; Print(v); }",
       "2.5\n6\nraised EVariantTypeCastError: Could not convert variant of type (String) into type (Double)\n"},
      {"D++Uderir", "{ int i, n; n = 0; for (i = 0; i < 5; i++) n = n + i; Print(n); Print(i); }", "10\n5\n"},
      {"D++Uderir", "{ int i; for (i = 10; i > 0; i--) { if (i == 7) break; } Print(i); }", "7\n"},
      {"JScript", "var n = 0; var i; for (i = 1; i <= 5; i++) { n = n + 3; } Print(n); Print(i);", "15\n6\n"},
      {"JScript", "var n = 1; var i; for (i = 0; i < 3; i++) { n = n * 65536; } Print(n);", "281474976710656\n"},
      {"JScript", "var i = 2147483646; i++; Print(i); i++; Print(i);", "2147483647\n2147483648\n"},
      // The counter stops before it would leave the Integer range, and the last value stays.
      {"RiravUdevad", "dim i\nfor i = 2147483640 to 2147483647 step 5\nPrint(i)\nnext\nPrint(i)\n",
       "2147483640\n2147483645\n2147483645\n"},
      {"RiravUdevad", "dim i\nfor i = -2147483640 to -2147483648 step -5\nPrint(i)\nnext\n", "-2147483640\n-2147483645\n"},
      {"RiravUdevad", "dim i\nfor i = 2147483647 to 2147483647\nPrint(i)\nnext\nPrint(i)\n", "2147483647\n2147483647\n"},
      // The loop keeps its own counter whatever the body writes to the variable.
      {"RiravUdevad", "dim i\nfor i = 5 to 1 step -2\nPrint(i)\ni = 100\nnext\nPrint(i)\n", "5\n3\n1\n100\n"},
      // Bounds and steps that are not Integers go by the Variant rules.
      {"RiravUdevad", "dim i\nfor i = 1 to 2.5\nPrint(i)\nnext\n", "1\n2\n"},
      {"RiravUdevad", "dim i\nfor i = 1 to 2 step 0.5\nPrint(i)\nnext\n", "1\n1.5\n2\n"},
  };
  for (const Case& C : Cases) {
    S.SyntaxType = C.Syntax;
    EXPECT_EQ(Run(C.Program), C.Expected) << C.Syntax << ": " << C.Program;
  }
}

// A variable whose value a hook supplies is read through the hook, as the target and as the
// added value.
TEST_F(IntegerSteps, AHookedVariableIsReadThroughItsHook) {
  S.OnGetVarValue = [](const std::string& Name, TscVarType, const rt::Variant& Old) {
    return Name == "H" && Old.IsInteger() ? rt::Variant(Old.ToInteger() * 10) : rt::Variant::Null();
  };
  S.AddedBy = &Out;  // kept when Run replaces the program
  S.AddVariable("H", "Integer", 1);
  S.AddedBy = nullptr;
  EXPECT_EQ(Run("var n: Integer; begin n := 3; n := n + H; Print(n); H := H + 1; Print(H); end."), "13\n110\n");
  S.SyntaxType = "D++Uderir";
  EXPECT_EQ(Run("{ H = 1; H++; Print(H); }"), "110\n");
}

// Loop and if conditions that compare two Integers are answered without the Variant rules;
// once an operand holds anything else, or a hook supplies it, the rules decide as before.
TEST_F(IntegerSteps, ConditionsFollowTheVariantRulesWhateverTheOperandsHold) {
  const Case Cases[] = {
      {"D++Uderir", "{ Variant i; int n; n = 0; for (i = 0; i < 3; i = i + 0.5) n++; Print(n); Print(i); }", "6\n3\n"},
      // A text beside a number compares as a number.
      {"D++Uderir", "{ Variant v; int n; v = 0; n = 0; while (v < 3) { v = v + 1; if (v == 2) v = \"10\"; n++; } "
                    "Print(n); Print(v); }",
       "2\n10\n"},
      // Past the Integer range the counter is an Int64 and the loop goes on.
      {"D++Uderir", "{ Variant v; int n; v = 2147483647; n = 0; for (; v < 2147483649; v++) n++; Print(n); Print(v); }",
       "2\n2147483649\n"},
      {"D++Uderir", "{ Variant v; v = Null; if (v < 3) Print(\"lt\"); else Print(\"ge\"); }", "lt\n"},
      {"D++Uderir", "{ Variant v; v = \"abc\"; if (v < 3) Print(\"lt\"); else Print(\"ge\"); }",
       "raised EVariantTypeCastError: Could not convert variant of type (String) into type (Double)\n"},
      {"PascalScript", "var a: Integer; begin while a <> 7 do a := a + 1; repeat a := a - 2 until a <= 0; Print(a); end.",
       "-1\n"},
      {"RiravUdevad", "dim a\na = 20\nwhile a > 0\na = a - 7\nwend\nPrint(a)\n", "-1\n"},
  };
  for (const Case& C : Cases) {
    S.SyntaxType = C.Syntax;
    EXPECT_EQ(Run(C.Program), C.Expected) << C.Syntax << ": " << C.Program;
  }
}

TEST_F(IntegerSteps, AHookedVariableInAConditionIsReadThroughItsHook) {
  S.OnGetVarValue = [](const std::string& Name, TscVarType, const rt::Variant& Old) {
    return Name == "H" && Old.IsInteger() ? rt::Variant(Old.ToInteger() * 10) : rt::Variant::Null();
  };
  S.AddedBy = &Out;
  S.AddVariable("H", "Integer", 1);
  S.AddedBy = nullptr;
  S.SyntaxType = "D++Uderir";
  // H reads ten times what it stores: 10 < 50, then H++ stores 11, read as 110.
  EXPECT_EQ(Run("{ int i; H = 1; for (i = 0; H < 50; i++) H++; Print(i); Print(H); }"), "1\n110\n");
  S.SyntaxType = "PascalScript";
  EXPECT_EQ(Run("begin H := 2; if H < 30 then Print('lt') else Print('ge'); H := 4; if 30 > H then Print('lt') "
                "else Print('ge'); end."),
            "lt\nge\n");
}

// An if or loop whose branch is one assignment or call: an error in it has that statement's
// position, and every statement still reports its line to the line hook, in the same order.
TEST_F(IntegerSteps, LoneStatementsInBranchesKeepTheirPositionsAndLines) {
  struct PosCase {
    const char* Syntax;
    const char* Program;
    const char* Expected;  // lines reported, what was printed or raised, and ErrorPos
  };
  const PosCase Cases[] = {
      {"PascalScript", "var a, b: Integer;\nbegin\n  b := 0;\n  if b = 0 then\n    a := 1 div b;\nend.\n",
       "[3:3][4:3][5:5]raised EDivByZero: Division by zero\n@5:5"},
      {"PascalScript", "var a, b: Integer;\nbegin\n  b := 0;\n  if b <> 0 then\n    a := 1\n  else\n    a := 1 div b;\nend.\n",
       "[3:3][4:3][7:5]raised EDivByZero: Division by zero\n@7:5"},
      {"PascalScript",
       "var a, b: Integer;\nbegin\n  b := 0;\n  try\n    if b = 0 then\n      a := 1 div b\n    else\n      a := 2;\n"
       "  except\n    Print(ExceptionMessage);\n  end;\n  Print(a);\nend.\n",
       "[3:3][4:3][5:5][6:7][10:5]Division by zero\n[12:3]0\n@"},
      {"PascalScript", "var i, a: Integer;\nbegin\n  for i := 1 to 3 do\n    a := 10 div (2 - i);\nend.\n",
       "[3:3][4:5][4:5]raised EDivByZero: Division by zero\n@4:5"},
      {"PascalScript",
       "var i, a: Integer;\nbegin\n  for i := 1 to 2 do\n    a := a + i;\n  while a > 0 do\n    a := a - 4;\n"
       "  case a of\n    -1: a := 10;\n  end;\n  Print(a);\nend.\n",
       "[3:3][4:5][4:5][5:3][6:5][7:3][8:9][10:3]10\n@"},
      // The step of a for loop, and its body.
      {"D++Uderir", "{ int i, z;\n  z = 0;\n  for (i = 0;\n       i < 3;\n       i = i % z)\n    Print(i);\n}\n",
       "[2:3][3:3][3:8][6:5]0\n[5:8]raised EDivByZero: Division by zero\n@5:8"},
      {"D++Uderir", "{ int i, z;\n  z = 0;\n  for (i = 3; i > 0; i--)\n    i = i % z;\n}\n",
       "[2:3][3:3][3:8][4:5]raised EDivByZero: Division by zero\n@4:5"},
      {"D++Uderir", "{ int i, n;\n  for (i = 0; i < 2; i++)\n    n = n + i;\n  Print(n);\n}\n",
       "[2:3][2:8][3:5][2:22][3:5][2:22][4:3]1\n@"},
  };
  // The hook writes into the printed output, so lines and prints interleave as they ran.
  S.OnRunLine = [&](TscScript*, const std::string&, const std::string& Pos) { Out += "[" + Pos + "]"; };
  for (const PosCase& C : Cases) {
    S.SyntaxType = C.Syntax;
    std::string Text;
    for (const char* P = C.Program; *P; ++P) Text += *P == '\n' ? std::string("\r\n") : std::string(1, *P);
    EXPECT_EQ(Run(Text) + "@" + S.ErrorPos, C.Expected) << C.Syntax << ": " << C.Program;
  }
}

// Hooks set and cleared on other programs, and Evaluate setting this program's hook aside while
// it compiles, leave this program's hook reporting; a cleared hook reports nothing.
TEST_F(IntegerSteps, TheLineHookReportsWhateverOtherProgramsDo) {
  S.OnRunLine = [&](TscScript*, const std::string&, const std::string& Pos) { Out += "[" + Pos + "]"; };
  auto Quiet = [](TscScript*, const std::string&, const std::string&) {};
  {
    TscScript Other;
    Other.OnRunLine = Quiet;
    Other.OnRunLine = nullptr;
    Other.OnRunLine = nullptr;
  }
  {
    TscScript Other;
    Other.OnRunLine = Quiet;
  }
  S.Evaluate("1 + 2");
  const char* Program = "var a: Integer; begin a := 1; Print(a); end.";
  EXPECT_EQ(Run(Program), "[1:23][1:31]1\n");
  S.OnRunLine = nullptr;
  EXPECT_EQ(Run(Program), "1\n");
}
