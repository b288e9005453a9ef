#include <gtest/gtest.h>

#include "tests/report/script/ScriptFrontEnd.h"

namespace {

using scfront::Parse;

class GrammarPascalTest : public ::testing::Test {
protected:
  void SetUp() override { scfront::RegisterLanguages(); }
};

struct ProgramCase {
  const char* Text;
  const char* Shape;  // of the intermediate program, types left out
};

void ExpectShapes(const char* Language, const std::vector<ProgramCase>& Cases) {
  for (const auto& C : Cases) {
    const auto R = Parse(Language, C.Text);
    EXPECT_TRUE(R.Ok) << C.Text << "\n" << R.Msg << " at " << R.Pos;
    EXPECT_EQ(R.Shape, C.Shape) << C.Text;
  }
}

TEST_F(GrammarPascalTest, ProgramFrames) {
  ExpectShapes("PascalScript", {
      {"begin end.", "compoundstmt"},
      {"program P; begin end.", "compoundstmt"},
      {"begin end. anything ( after the full stop", "compoundstmt"},
      {"{ c1 } (* c2 *) begin // c3\n end.", "compoundstmt"},
      {"begin a := 1; b := 2; end.",
       "compoundstmt(assignstmt(dsgn(node:a) expr(number:1)) assignstmt(dsgn(node:b) expr(number:2)))"},
      {"begin ; ; end.", "compoundstmt"},
      {"BEGIN X := 1 END.", "compoundstmt(assignstmt(dsgn(node:X) expr(number:1)))"},
  });
}

TEST_F(GrammarPascalTest, Declarations) {
  ExpectShapes("PascalScript", {
      {"const N = 10; S = 'a' + 'b'; begin end.",
       "const(ident:N expr(number:10)) const(ident:S expr(string:'a' op:+ string:'b')) compoundstmt"},
      {"var a, b: Integer; begin end.", "var(ident:a ident:b type:Integer) compoundstmt"},
      {"var s: String = 'x';\n    d: Double; begin end.",
       "var(ident:s type:String init(expr(string:'x'))) var(ident:d type:Double) compoundstmt"},
      {"var m: array[0..N-1, 5] of Double; begin end.",
       "var(ident:m array(dim(expr(number:0) expr(dsgn(node:N) op:- number:1)) dim(expr(number:5))) type:Double) "
       "compoundstmt"},
      {"var v: array of Variant; begin end.", "var(ident:v array type:Variant) compoundstmt"},
      {"var a: Integer; const C = 1; var b: Integer; begin end.",
       "var(ident:a type:Integer) const(ident:C expr(number:1)) var(ident:b type:Integer) compoundstmt"},
  });
}

TEST_F(GrammarPascalTest, Routines) {
  ExpectShapes("PascalScript", {
      {"procedure P; begin end; begin P end.",
       "procedure(name:P compoundstmt) compoundstmt(callstmt(dsgn(node:P)))"},
      {"procedure P(var x: Integer; const y, z: String; w: Variant = 0);\n"
       "var t: Integer;\n"
       "begin t := x end;\n"
       "begin end.",
       "procedure(name:P parameters(varparams var(ident:x type:Integer) var(ident:y ident:z type:String) "
       "var(ident:w type:Variant init(expr(number:0)))) var(ident:t type:Integer) "
       "compoundstmt(assignstmt(dsgn(node:t) expr(dsgn(node:x))))) compoundstmt"},
      {"function F(a: Integer): Boolean;\n"
       "  function Inner: Integer;\n"
       "  begin Result := 1 end;\n"
       "begin Result := a > Inner end;\n"
       "begin F(1) end.",
       "function(name:F parameters(var(ident:a type:Integer)) type:Boolean "
       "function(name:Inner type:Integer compoundstmt(assignstmt(dsgn(node:Result) expr(number:1)))) "
       "compoundstmt(assignstmt(dsgn(node:Result) expr(dsgn(node:a) op:> dsgn(node:Inner))))) "
       "compoundstmt(callstmt(dsgn(node:F expr(number:1))))"},
  });
}

TEST_F(GrammarPascalTest, Statements) {
  ExpectShapes("PascalScript", {
      {"begin if a = 1 then b := 2 else if a <> 2 then begin b := 3; c := 4 end end.",
       "compoundstmt(ifstmt(expr(dsgn(node:a) op:= number:1) thenstmt(assignstmt(dsgn(node:b) expr(number:2))) "
       "elsestmt(ifstmt(expr(dsgn(node:a) op:<> number:2) thenstmt(compoundstmt(assignstmt(dsgn(node:b) "
       "expr(number:3)) assignstmt(dsgn(node:c) expr(number:4))))))))"},
      {"begin if a then else b := 1 end.",
       "compoundstmt(ifstmt(expr(dsgn(node:a)) thenstmt elsestmt(assignstmt(dsgn(node:b) expr(number:1)))))"},
      {"begin case x of 1, 3..5: y := 1; 6: ; else y := 0; end end.",
       "compoundstmt(casestmt(expr(dsgn(node:x)) caseselector(set(expr(number:1) expr(number:3) range:. "
       "expr(number:5)) assignstmt(dsgn(node:y) expr(number:1))) caseselector(set(expr(number:6))) "
       "assignstmt(dsgn(node:y) expr(number:0))))"},
      {"begin case x of 'a': y := 1 end end.",
       "compoundstmt(casestmt(expr(dsgn(node:x)) caseselector(set(expr(string:'a')) assignstmt(dsgn(node:y) expr(number:1)))))"},
      {"begin for i := 1 to 10 do s := s + i end.",
       "compoundstmt(forstmt(ident:i expr(number:1) expr(number:10) assignstmt(dsgn(node:s) expr(dsgn(node:s) op:+ "
       "dsgn(node:i)))))"},
      {"var i: Integer; begin for i := 10 downto 1 do ; end.",
       "var(ident:i type:Integer) compoundstmt(forstmt(ident:i expr(number:10) downto:downto expr(number:1)))"},
      {"begin while i > 0 do i := i - 1 end.",
       "compoundstmt(whilestmt(expr(dsgn(node:i) op:> number:0) assignstmt(dsgn(node:i) expr(dsgn(node:i) op:- number:1))))"},
      {"begin repeat i := i + 1; j := j * 2 until (i >= 10) or (j <= 0) end.",
       "compoundstmt(repeatstmt(assignstmt(dsgn(node:i) expr(dsgn(node:i) op:+ number:1)) assignstmt(dsgn(node:j) "
       "expr(dsgn(node:j) op:* number:2)) expr(op:( expr(dsgn(node:i) op:>= number:10) op:) op:or op:( "
       "expr(dsgn(node:j) op:<= number:0) op:))))"},
      {"begin try a := 1 finally b := 2 end end.",
       "compoundstmt(trystmt(assignstmt(dsgn(node:a) expr(number:1)) finallystmt(assignstmt(dsgn(node:b) expr(number:2)))))"},
      {"begin try Run; except b := 2; c := 3; end end.",
       "compoundstmt(trystmt(callstmt(dsgn(node:Run)) exceptstmt(assignstmt(dsgn(node:b) expr(number:2)) "
       "assignstmt(dsgn(node:c) expr(number:3)))))"},
      {"begin with Obj, Other.Sub do Run(1) end.",
       "compoundstmt(with(dsgn(node:Obj) dsgn(node:Other node:Sub) callstmt(dsgn(node:Run expr(number:1)))))"},
      {"begin break; continue; exit end.", "compoundstmt(break continue exit)"},
  });
}

struct ExprCase {
  const char* Expression;
  const char* Shape;  // of the expr element's children
};

TEST_F(GrammarPascalTest, ExpressionsKeepTheirOperatorsInSourceOrder) {
  const ExprCase Cases[] = {
      {"-a + b * c div d mod e and f shl 1 shr 2 / g - h or i xor j < k",
       "op:unminus dsgn(node:a) op:+ dsgn(node:b) op:* dsgn(node:c) op:div dsgn(node:d) op:mod dsgn(node:e) "
       "op:and dsgn(node:f) op:shl number:1 op:shr number:2 op:/ dsgn(node:g) op:- dsgn(node:h) op:or "
       "dsgn(node:i) op:xor dsgn(node:j) op:< dsgn(node:k)"},
      {"a >= b", "dsgn(node:a) op:>= dsgn(node:b)"},
      {"a <> b", "dsgn(node:a) op:<> dsgn(node:b)"},
      {"a <= b", "dsgn(node:a) op:<= dsgn(node:b)"},
      {"a > b", "dsgn(node:a) op:> dsgn(node:b)"},
      {"a = b", "dsgn(node:a) op:= dsgn(node:b)"},
      {"a in [1, 3..5]", "dsgn(node:a) op:in set(expr(number:1) expr(number:3) range:. expr(number:5))"},
      {"a is TFoo", "dsgn(node:a) op:is dsgn(node:TFoo)"},
      {"not not a", "op:not op:not dsgn(node:a)"},
      {"(a + b) * c", "op:( expr(dsgn(node:a) op:+ dsgn(node:b)) op:) op:* dsgn(node:c)"},
      {"$FF + 1.5e3 + 2", "number:$FF op:+ number:1.5e3 op:+ number:2"},
      {"'it''s' + #13#10", "string:'it's' op:+ string:'\r\n'"},
      {"[1 . . 2]", "set(expr(number:1) range:. expr(number:2))"},  // blanks allowed in a set range
      {"a.b[1, 2].c(3)(4)",
       "dsgn(node:a node:b node:[ expr(number:1) expr(number:2) node:c expr(number:3) expr(number:4))"},
      {"@Proc", "dsgn(addr:@ node:Proc)"},
      {"x.end.Free", "dsgn(node:x node:end node:Free)"},  // any word after a point
      {"f() + g", "dsgn(node:f) op:+ dsgn(node:g)"},
  };
  for (const auto& C : Cases) {
    const auto R = Parse("PascalScript", std::string("begin x := ") + C.Expression + " end.");
    ASSERT_TRUE(R.Ok) << C.Expression << ": " << R.Msg;
    EXPECT_EQ(R.Shape, std::string("compoundstmt(assignstmt(dsgn(node:x) expr(") + C.Shape + ")))") << C.Expression;
  }
}

struct ErrorCase {
  const char* Text;
  const char* Message;
  const char* Position;
};

TEST_F(GrammarPascalTest, SyntaxErrors) {
  const ErrorCase Cases[] = {
      {"begin a := 1 b := 2 end.", "';' expected", "1:14"},  // a missing separator, not a missing END
      {"begin x := 1 end", "'.' expected", "1:17"},
      {"begin x := end.", "Expression expected", "1:12"},
      {"begin x : = 1 end.", "'=' expected", "1:11"},        // ":=" is one symbol
      {"begin if a b := 1 end.", "'THEN' expected", "1:12"},
      {"begin for i = 1 to 2 do end.", "':' expected", "1:13"},
      {"begin for i := 1 do x := 1 end.", "'TO' or 'DOWNTO' expected", "1:18"},
      {"begin while a x := 1 end.", "'DO' expected", "1:15"},
      {"begin repeat x := 1 end.", "'UNTIL' expected", "1:21"},
      {"begin try x := 1 end.", "'FINALLY' or 'EXCEPT' expected", "1:18"},
      {"begin case x 1: y := 1 end.", "'OF' expected", "1:14"},
      {"begin case x of 1: y x end.", "'END' expected", "1:22"},
      {"var a Integer; begin end.", "':' expected", "1:7"},
      {"var a: ; begin end.", "Identifier expected", "1:8"},
      {"var a: array[1..2 of Integer; begin end.", "']' expected", "1:19"},
      {"var a: Integer begin end.", "';' expected", "1:16"},
      {"const C 1; begin end.", "'=' expected", "1:9"},
      {"begin x := (1 + 2; end.", "')' expected", "1:18"},
      {"begin x := a[1; end.", "']' expected", "1:15"},
      {"begin x := <abc end.", "'>' expected", "1:21"},
      {"begin x.1 := 2 end.", "Identifier expected", "1:9"},
      {"procedure P begin end; begin end.", "';' expected", "1:13"},
      {"function F; begin end; begin end.", "':' expected", "1:11"},
      {"function G(): Variant; begin end; begin end.", "Identifier expected", "1:12"},  // no empty list
      {"program; begin end.", "Identifier expected", "1:8"},
      {"x := 1.", "'BEGIN' expected", "1:1"},
      {"begin\n  x := 1\n  y := 2\nend.", "';' expected", "3:3"},
  };
  for (const auto& C : Cases) {
    const auto R = Parse("PascalScript", C.Text);
    EXPECT_FALSE(R.Ok) << C.Text;
    EXPECT_EQ(R.Msg, C.Message) << C.Text;
    EXPECT_EQ(R.Pos, C.Position) << C.Text;
  }
}

}  // namespace
