// The C-like, line-oriented and untyped script syntaxes: what each gives of its own, and the
// same programs written in all four syntaxes giving equivalent intermediate programs.
#include <gtest/gtest.h>

#include <map>

#include "tests/report/script/ScriptFrontEnd.h"

namespace {

using scfront::Parse;

class GrammarOthersTest : public ::testing::Test {
protected:
  void SetUp() override { scfront::RegisterLanguages(); }
};

struct ProgramCase {
  const char* Text;
  const char* Shape;
};

void ExpectShapes(const char* Language, const std::vector<ProgramCase>& Cases) {
  for (const auto& C : Cases) {
    const auto R = Parse(Language, C.Text);
    EXPECT_TRUE(R.Ok) << Language << ": " << C.Text << "\n" << R.Msg << " at " << R.Pos;
    EXPECT_EQ(R.Shape, C.Shape) << Language << ": " << C.Text;
  }
}

struct ErrorCase {
  const char* Text;
  const char* Message;
  const char* Position;
};

void ExpectErrors(const char* Language, const std::vector<ErrorCase>& Cases) {
  for (const auto& C : Cases) {
    const auto R = Parse(Language, C.Text);
    EXPECT_FALSE(R.Ok) << Language << ": " << C.Text;
    EXPECT_EQ(R.Msg + " at " + R.Pos, std::string(C.Message) + " at " + C.Position) << Language << ": " << C.Text;
  }
}

// ---- The same programs in every syntax ----

TEST_F(GrammarOthersTest, TheSameProgramInEverySyntaxGivesTheSameStatements) {
  const std::map<std::string, std::string> Programs = {
      {"PascalScript",
       "begin\n"
       "  x := 1 + 2 * y;\n"
       "  if x > 3 then f(x, 'a') else x := -x;\n"
       "  while x < 10 do x := x + 1;\n"
       "  s := Obj.Items[0].Name;\n"
       "end."},
      {"D++Uderir",
       "{\n"
       "  x = 1 + 2 * y;\n"
       "  if (x > 3) f(x, \"a\"); else x = -x;\n"
       "  while (x < 10) x = x + 1;\n"
       "  s = Obj.Items[0].Name;\n"
       "}"},
      {"RiravUdevad",
       "x = 1 + 2 * y\n"
       "If x > 3 Then\n"
       "  f(x, \"a\")\n"
       "Else\n"
       "  x = -x\n"
       "End If\n"
       "While x < 10\n"
       "  x = x + 1\n"
       "Wend\n"
       "s = Obj.Items[0].Name\n"},
      {"JScript",
       "x = 1 + 2 * y;\n"
       "if (x > 3) f(x, \"a\"); else x = -x;\n"
       "while (x < 10) x = x + 1;\n"
       "s = Obj.Items[0].Name;\n"},
  };
  // Statement groups (compoundstmt) are shown by their statements only.
  const std::string Expected =
      "assignstmt(dsgn(node:x) expr(number:1 op:+ number:2 op:* dsgn(node:y))) "
      "ifstmt(expr(dsgn(node:x) op:> number:3) thenstmt(callstmt(dsgn(node:f expr(dsgn(node:x)) expr(string:'a')))) "
      "elsestmt(assignstmt(dsgn(node:x) expr(op:unminus dsgn(node:x))))) "
      "whilestmt(expr(dsgn(node:x) op:< number:10) assignstmt(dsgn(node:x) expr(dsgn(node:x) op:+ number:1))) "
      "assignstmt(dsgn(node:s) expr(dsgn(node:Obj node:Items node:[ expr(number:0) node:Name)))";
  for (const auto& [Language, Text] : Programs) {
    const auto R = Parse(Language, Text, true);
    ASSERT_TRUE(R.Ok) << Language << ": " << R.Msg << " at " << R.Pos;
    EXPECT_EQ(R.Shape, Expected) << Language;
  }
}

TEST_F(GrammarOthersTest, SelectionAndProtectedBlocksInEverySyntax) {
  const std::map<std::string, std::string> Programs = {
      {"PascalScript",
       "begin\n"
       "  case n of\n"
       "    1: a := 1;\n"
       "    2, 3..5: a := 2;\n"
       "  end;\n"
       "  try\n"
       "    Run;\n"
       "  except\n"
       "    a := 0;\n"
       "  end;\n"
       "end."},
      {"D++Uderir",
       "{\n"
       "  switch (n) {\n"
       "    case 1: a = 1;\n"
       "    case 2, 3..5: a = 2;\n"
       "  }\n"
       "  try {\n"
       "    Run();\n"
       "  } except {\n"
       "    a = 0;\n"
       "  }\n"
       "}"},
      {"RiravUdevad",
       "Select Case n\n"
       "Case 1: a = 1\n"
       "Case 2, 3..5: a = 2\n"
       "End Select\n"
       "Try\n"
       "  Run\n"
       "Catch\n"
       "  a = 0\n"
       "End Try\n"},
      {"JScript",
       "switch (n) {\n"
       "  case 1: a = 1;\n"
       "  case 2, 3..5: a = 2;\n"
       "}\n"
       "try {\n"
       "  Run();\n"
       "} except {\n"
       "  a = 0;\n"
       "}\n"},
  };
  const std::string Expected =
      "casestmt(expr(dsgn(node:n)) caseselector(set(expr(number:1)) assignstmt(dsgn(node:a) expr(number:1))) "
      "caseselector(set(expr(number:2) expr(number:3) range:. expr(number:5)) assignstmt(dsgn(node:a) expr(number:2)))) "
      "trystmt(callstmt(dsgn(node:Run)) exceptstmt(assignstmt(dsgn(node:a) expr(number:0))))";
  for (const auto& [Language, Text] : Programs) {
    const auto R = Parse(Language, Text, true);
    ASSERT_TRUE(R.Ok) << Language << ": " << R.Msg << " at " << R.Pos;
    EXPECT_EQ(R.Shape, Expected) << Language;
  }
}

TEST_F(GrammarOthersTest, IncludedUnitsInEverySyntax) {
  const std::map<std::string, std::string> Programs = {
      {"PascalScript", "uses 'lib';\nbegin end."},
      {"D++Uderir", "#include \"lib\"\n{}"},
      {"RiravUdevad", "Imports \"lib\"\n"},
      {"JScript", "import \"lib\";"},
  };
  const std::map<std::string, std::string> Units = {
      {"PascalScript", "begin x := 1 end."},
      {"D++Uderir", "{ x = 1; }"},
      {"RiravUdevad", "x = 1\n"},
      {"JScript", "x = 1"},
  };
  for (const auto& [Language, Text] : Programs) {
    TscCustomILParser P;
    P.SelectLanguage(Language);
    const std::string Unit = Units.at(Language);
    P.OnGetUnit = [&](const std::string& Name, std::string& UnitText) {
      if (Name == "lib") UnitText = Unit;
    };
    ASSERT_TRUE(P.MakeILScript(scfront::Crlf(Text))) << Language << ": " << P.ErrorMsg;
    EXPECT_EQ(scfront::Shape(P.ILScript().Root(), true),
              "uses:lib(program(assignstmt(dsgn(node:x) expr(number:1))))")
        << Language;
  }
}

// ---- D++Uderir ----

TEST_F(GrammarOthersTest, CLikeSyntax) {
  ExpectShapes("D++Uderir", {
      {"int i; { for (i = 0; i < 3; i++) ; }",
       "var(type:int ident:i) compoundstmt(cppforstmt(compoundstmt(assignstmt(dsgn(node:i) expr(number:0))) "
       "expr(dsgn(node:i) op:< number:3) compoundstmt(callstmt(dsgn(node:i) modificator:+)) empty))"},
      {"{ for (i = 0, j = 1; i < j; i--, j++) x(); }",
       "compoundstmt(cppforstmt(compoundstmt(assignstmt(dsgn(node:i) expr(number:0)) assignstmt(dsgn(node:j) "
       "expr(number:1))) expr(dsgn(node:i) op:< dsgn(node:j)) compoundstmt(callstmt(dsgn(node:i) modificator:-) "
       "callstmt(dsgn(node:j) modificator:+)) callstmt(dsgn(node:x))))"},
      {"{ for (; i < 3; ) ; }", "compoundstmt(cppforstmt(compoundstmt(empty) expr(dsgn(node:i) op:< number:3) "
       "compoundstmt(empty) empty))"},
      {"int x; { x = 0x1F; }", "var(type:int ident:x) compoundstmt(assignstmt(dsgn(node:x) expr(number:$1F)))"},
      {"#define N 10\nint a[3][N], b = 2, c; {}",
       "const(ident:N expr(number:10)) var(type:int ident:a array(dim(expr(number:3)) dim(expr(dsgn(node:N)))) "
       "ident:b init(expr(number:2)) ident:c) compoundstmt"},
      {"void P(int a, string &b = \"x\") { return; }\nint F() { return 1; }\n{ P(1, s); }",
       "function(type:void name:P parameters(var(type:int ident:a) var(type:string varparam:& ident:b "
       "init(expr(string:'x')))) compoundstmt(return)) function(type:int name:F parameters "
       "compoundstmt(return(expr(number:1)))) compoundstmt(callstmt(dsgn(node:P expr(number:1) expr(dsgn(node:s)))))"},
      {"{ x += 1; x -= 2; x *= 3; x /= 4; x = 5; }",
       "compoundstmt(assignstmt(dsgn(node:x) modificator:+ expr(number:1)) assignstmt(dsgn(node:x) modificator:- "
       "expr(number:2)) assignstmt(dsgn(node:x) modificator:* expr(number:3)) assignstmt(dsgn(node:x) "
       "modificator:/ expr(number:4)) assignstmt(dsgn(node:x) expr(number:5)))"},
      {"{ do x++; while (x < 3); }",
       "compoundstmt(repeatstmt(callstmt(dsgn(node:x) modificator:+) expr(dsgn(node:x) op:< number:3) inverse:))"},
      {"{ o = new TFoo(1); delete o; p = &q; }",
       "compoundstmt(assignstmt(dsgn(node:o) expr(new(dsgn(node:TFoo expr(number:1))))) delete(dsgn(node:o)) "
       "assignstmt(dsgn(node:p) expr(dsgn(addr:& node:q))))"},
      {"{ x = a[1][2]; }", "compoundstmt(assignstmt(dsgn(node:x) expr(dsgn(node:a node:[ expr(number:1) expr(number:2)))))"},
      {"{ if (a) { b(); } else ; break; continue; exit; }",
       "compoundstmt(ifstmt(expr(dsgn(node:a)) thenstmt(compoundstmt(callstmt(dsgn(node:b)))) elsestmt(empty)) "
       "break continue exit)"},
      {"{ switch (n) { case 1: a(); default: b(); } }",
       "compoundstmt(casestmt(expr(dsgn(node:n)) caseselector(set(expr(number:1)) callstmt(dsgn(node:a))) "
       "callstmt(dsgn(node:b))))"},
      {"{ try { a(); } finally { b(); } }",
       "compoundstmt(trystmt(compoundstmt(callstmt(dsgn(node:a))) finallystmt(compoundstmt(callstmt(dsgn(node:b))))))"},
      {"/* c */ { // c\n x = \"a\\nb\"; }",
       "compoundstmt(assignstmt(dsgn(node:x) expr(string:'a\nb')))"},
  });
}

struct ExprCase {
  const char* Expression;
  const char* Shape;
};

TEST_F(GrammarOthersTest, CLikeOperators) {
  const ExprCase Cases[] = {
      {"a == b", "dsgn(node:a) op:= dsgn(node:b)"},
      {"a != b", "dsgn(node:a) op:<> dsgn(node:b)"},
      {"a >= b", "dsgn(node:a) op:>= dsgn(node:b)"},
      {"a <= b", "dsgn(node:a) op:<= dsgn(node:b)"},
      {"!a && b || c ^ d", "op:not dsgn(node:a) op:and dsgn(node:b) op:or dsgn(node:c) op:xor dsgn(node:d)"},
      {"a % b div c", "dsgn(node:a) op:mod dsgn(node:b) op:div dsgn(node:c)"},
      {"a << 2 >> 1", "dsgn(node:a) op:shl number:2 op:shr number:1"},
      {"a in [1..3] is b", "dsgn(node:a) op:in set(expr(number:1) range:. expr(number:3)) op:is dsgn(node:b)"},
  };
  for (const char* Language : {"D++Uderir", "JScript"}) {
    for (const auto& C : Cases) {
      const std::string Text = std::string(Language) == "JScript" ? std::string("x = ") + C.Expression
                                                                  : std::string("{ x = ") + C.Expression + "; }";
      const auto R = Parse(Language, Text);
      ASSERT_TRUE(R.Ok) << Language << ": " << C.Expression << ": " << R.Msg;
      EXPECT_EQ(R.Shape, std::string("compoundstmt(assignstmt(dsgn(node:x) expr(") + C.Shape + ")))")
          << Language << ": " << C.Expression;
    }
  }
}

TEST_F(GrammarOthersTest, CLikeSyntaxErrors) {
  ExpectErrors("D++Uderir", {
      {"{ If (x) y = 1; }", "';' expected", "1:10"},  // If is no keyword: a call statement
      {"{ x = 1 }", "';' expected", "1:9"},
      {"x = 1;", "'{' expected", "1:1"},
      {"{ x = 1;", "'}' expected", "1:9"},
      {"{ if x) y(); }", "'(' expected", "1:6"},
      {"{ while (x y(); }", "')' expected", "1:12"},
      {"{ do x(); (x); }", "'WHILE' expected", "1:11"},
      {"{ try { } }", "'FINALLY' or 'EXCEPT' expected", "1:11"},
      {"#undef X\n{}", "'DEFINE' expected", "1:2"},
      {"{ switch (n) case 1: ; }", "'{' expected", "1:14"},
      {"{ x = ; }", "Expression expected", "1:7"},
  });
}

// ---- RiravUdevad ----

TEST_F(GrammarOthersTest, LineOrientedSyntax) {
  ExpectShapes("RiravUdevad", {
      {"a = 1 : b = 2\n",
       "compoundstmt(assignstmt(dsgn(node:a) expr(number:1)) assignstmt(dsgn(node:b) expr(number:2)))"},
      {"\n' comment\nx = 1 ' note\n\n  \n", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))"},
      {"If a Then b = 1\n", "compoundstmt(ifstmt(expr(dsgn(node:a)) thenstmt(assignstmt(dsgn(node:b) expr(number:1)))))"},
      {"If a Then\n  b = 1\nElseIf c Then\n  b = 2\nElse\n  b = 3\nEnd If\n",
       "compoundstmt(ifstmt(expr(dsgn(node:a)) thenstmt(compoundstmt(assignstmt(dsgn(node:b) expr(number:1)))) "
       "elsestmt(ifstmt(expr(dsgn(node:c)) thenstmt(compoundstmt(assignstmt(dsgn(node:b) expr(number:2)))) "
       "elsestmt(compoundstmt(assignstmt(dsgn(node:b) expr(number:3))))))))"},
      {"For i = 1 To 10 Step 2\n  s = s + i\nNext\n",
       "compoundstmt(vbforstmt(ident:i expr(number:1) expr(number:10) expr(number:2) compoundstmt(assignstmt("
       "dsgn(node:s) expr(dsgn(node:s) op:+ dsgn(node:i))))))"},
      {"For i = 1 To n\nNext\n", "compoundstmt(vbforstmt(ident:i expr(number:1) expr(dsgn(node:n))))"},
      {"Sub P(ByRef a, ByVal b As Integer)\n  a = b\nEnd Sub\n",
       "compoundstmt(procedure(name:P parameters(varparams var(ident:a) var(ident:b type:Integer)) "
       "compoundstmt(assignstmt(dsgn(node:a) expr(dsgn(node:b)))) exit))"},
      {"Function F(x) As Decimal\n  Return x * 2\nEnd Function\n",
       "compoundstmt(function(name:F parameters(var(ident:x)) type:Decimal compoundstmt(return(expr(dsgn(node:x) "
       "op:* number:2))) exit))"},
      {"Dim a As Integer = 5, b[3], c\n",
       "compoundstmt(var(ident:a type:Integer init(expr(number:5))) var(ident:b array(dim(expr(number:3)))) var(ident:c))"},
      {"remark = 1\nx = 2\n", "compoundstmt(assignstmt(dsgn(node:x) expr(number:2)))"},
      {"_name = 1\n", "compoundstmt(assignstmt(dsgn(node:name) expr(number:1)))"},
      {"x = 1 + _\n  2\n", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1 op:+ number:2)))"},
      {"Do\n  i = i + 1\nLoop Until i > 3\n",
       "compoundstmt(repeatstmt(compoundstmt(assignstmt(dsgn(node:i) expr(dsgn(node:i) op:+ number:1))) "
       "expr(dsgn(node:i) op:> number:3)))"},
      {"Do\nLoop While i < 3\n", "compoundstmt(repeatstmt(compoundstmt expr(dsgn(node:i) op:< number:3) inverse:))"},
      {"s = a & b \\ c Mod d\n",
       "compoundstmt(assignstmt(dsgn(node:s) expr(dsgn(node:a) op:strcat dsgn(node:b) op:div dsgn(node:c) op:mod dsgn(node:d))))"},
      {"p = AddressOf Proc\n", "compoundstmt(assignstmt(dsgn(node:p) expr(dsgn(addr:AddressOf node:Proc))))"},
      {"With Obj\n  x = 1\nEnd With\n",
       "compoundstmt(with(dsgn(node:Obj) compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))))"},
      {"Select Case n\nCase 1: a = 1\nCase Else: a = 0\nEnd Select\n",
       "compoundstmt(casestmt(expr(dsgn(node:n)) caseselector(set(expr(number:1)) compoundstmt(assignstmt("
       "dsgn(node:a) expr(number:1)))) compoundstmt(assignstmt(dsgn(node:a) expr(number:0)))))"},
      {"Try\n  a\nFinally\nEnd Try\n",
       "compoundstmt(trystmt(compoundstmt(callstmt(dsgn(node:a))) finallystmt(compoundstmt)))"},
      {"Set o = New TFoo\nDelete o\ni++\nx += 2\n",
       "compoundstmt(assignstmt(dsgn(node:o) expr(new(dsgn(node:TFoo)))) delete(dsgn(node:o)) "
       "callstmt(dsgn(node:i) modificator:+) assignstmt(dsgn(node:x) modificator:+ expr(number:2)))"},
      {"x = 1\nend\ny = 2\n", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))"},  // stops silently
  });
}

TEST_F(GrammarOthersTest, LineOrientedSyntaxErrors) {
  ExpectErrors("RiravUdevad", {
      {"x = 1", "End of line expected", "1:6"},  // the last line needs its line end
      {"x = 1 y = 2\n", "End of line expected", "1:7"},
      {"If a Then\n b = 1\n", "'END' expected", "3:1"},
      {"If a Then\n b = 1\nEnd\n", "'IF' expected", "3:4"},
      {"If a b = 1\n", "'THEN' expected", "1:6"},
      {"For i = 1 10\n", "'TO' expected", "1:11"},
      {"For i = 1 To 2\nx = 1\n", "'NEXT' expected", "3:1"},
      {"While a\n", "'WEND' expected", "2:1"},
      {"Select n\n", "'CASE' expected", "1:8"},
      {"Select Case n\nCase 1: a = 1\nEnd\n", "'SELECT' expected", "3:4"},
      {"Select Case n\nCase 1: a = 1\nCase Else a = 0\nEnd Select\n", "':' expected", "3:11"},
      {"Try\nCatch\nEnd\n", "'TRY' expected", "3:4"},
      {"Try\nEnd Try\n", "'FINALLY' or 'CATCH' expected", "2:1"},
      {"Sub P\nEnd\n", "'SUB' expected", "2:4"},
      {"Function F\nEnd Sub\n", "'FUNCTION' expected", "2:5"},
      {"Do\nLoop x\n", "'WHILE' expected", "2:6"},
      {"Dim 1\n", "Identifier expected", "1:5"},
  });
}

// ---- JScript ----

TEST_F(GrammarOthersTest, UntypedSyntax) {
  ExpectShapes("JScript", {
      {"var x = 1; x += 2",
       "compoundstmt(var(ident:x init(expr(number:1))) assignstmt(dsgn(node:x) modificator:+ expr(number:2)))"},
      {"function f(a) { return a * 2 } f(3)",
       "compoundstmt(function(name:f parameters(var(ident:a)) compoundstmt(return(expr(dsgn(node:a) op:* number:2)))) "
       "callstmt(dsgn(node:f expr(number:3))))"},
      {"IF (x) y = 1", "compoundstmt(ifstmt(expr(dsgn(node:x)) thenstmt(assignstmt(dsgn(node:y) expr(number:1)))))"},
      {"for (var i = 0; i < 3; i++) {}",
       "compoundstmt(cppforstmt(var(ident:i init(expr(number:0))) expr(dsgn(node:i) op:< number:3) "
       "callstmt(dsgn(node:i) modificator:+) compoundstmt))"},
      {"for (; x; ) y()", "compoundstmt(cppforstmt(empty expr(dsgn(node:x)) empty callstmt(dsgn(node:y))))"},
      {"var a, b[2], c = 3;",
       "compoundstmt(var(ident:a) var(ident:b array(dim(expr(number:2)))) var(ident:c init(expr(number:3))))"},
      {"function g(&a, b) {}", "compoundstmt(function(name:g parameters(var(varparam:& ident:a) var(ident:b)) compoundstmt))"},
      {"with (o) x = 1", "compoundstmt(with(dsgn(node:o) assignstmt(dsgn(node:x) expr(number:1))))"},
      {"do x++; while (x < 3);",
       "compoundstmt(repeatstmt(callstmt(dsgn(node:x) modificator:+) expr(dsgn(node:x) op:< number:3) inverse:))"},
      {"try { a(); } finally { b(); }",
       "compoundstmt(trystmt(compoundstmt(callstmt(dsgn(node:a))) finallystmt(compoundstmt(callstmt(dsgn(node:b))))))"},
      {"switch (n) { case 1: a(); default: b(); }",
       "compoundstmt(casestmt(expr(dsgn(node:n)) caseselector(set(expr(number:1)) callstmt(dsgn(node:a))) "
       "callstmt(dsgn(node:b))))"},
      {"o = new TFoo(); delete o; break; continue;",
       "compoundstmt(assignstmt(dsgn(node:o) expr(new(dsgn(node:TFoo)))) delete(dsgn(node:o)) break continue)"},
      {"x = 1; } y = 2", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))"},  // the rest is ignored
      {"", "compoundstmt"},
  });
}

TEST_F(GrammarOthersTest, UntypedSyntaxErrors) {
  ExpectErrors("JScript", {
      {"{ x = 1", "'}' expected", "1:8"},
      {"if x) y = 1", "'(' expected", "1:4"},
      {"function (a) {}", "Expression expected", "1:10"},
      {"do x(); (x);", "'WHILE' expected", "1:9"},
      {"try x(); y();", "'FINALLY' or 'EXCEPT' expected", "1:10"},
      {"switch (n) case 1: ;", "'{' expected", "1:12"},
      {"x = (1", "')' expected", "1:7"},
      {"var a[1;", "']' expected", "1:8"},
  });
}

}  // namespace
