// Compiling real script text: from the intermediate program to executable objects, end to end.
#include <gtest/gtest.h>

#include <map>

#include "ScriptTestSupport.h"
#include "report/script/sc_ibasic.h"
#include "report/script/sc_icpp.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_ijs.h"
#include "report/script/sc_ipascal.h"

using namespace scTest;

namespace {

void RegisterLanguages() {
  static bool Done = false;
  if (Done) return;
  Done = true;
  sc_ipascalInitialization();
  sc_icppInitialization();
  sc_ibasicInitialization();
  sc_ijsInitialization();
}

class Compiled : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterBaseTypes();
    RegisterLanguages();
    S.AddRTTI();
  }
  void AddNatives() {
    S.AddMethod("procedure Print(v: Variant)",
                TscCallMethodNewEvent([this](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* C) {
                  Out += (Out.empty() ? "" : "|") + rt::VarToStr(C->GetVParam(0));
                  return Variant(0);
                }));
    S.AddMethod("procedure Fail(Msg: String)",
                TscCallMethodNewEvent([](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* C) -> Variant {
                  throw rt::Exception(rt::VarToStr(C->GetVParam(0)));
                }));
  }
  // Compiles Text in Language; "" on success, else "message @ position".
  std::string Compile(const std::string& Text, const std::string& Language = "PascalScript") {
    S.Clear();
    AddNatives();
    if (Register) Register();
    S.SyntaxType = Language;
    S.Lines.SetText(Text);
    if (S.Compile()) return "";
    return S.ErrorMsg + " @ " + S.ErrorPos;
  }
  // Compiles and runs; the printed values joined by "|", or the compile error.
  std::string Run(const std::string& Text, const std::string& Language = "PascalScript") {
    Out.clear();
    std::string E = Compile(Text, Language);
    if (!E.empty()) return "compile: " + E;
    try {
      S.Execute();
    } catch (const rt::Exception& X) {
      return Out + "|raised " + X.ClassName() + ": " + X.Message() + " @ " + S.ErrorPos;
    }
    return Out;
  }
  TscScript S;
  std::string Out;
  // Host registrations made again after each Clear.
  std::function<void()> Register;
};

} // namespace

TEST_F(Compiled, SemanticErrorsCarryTheirPosition) {
  struct Case { const char* Text; const char* Error; } Cases[] = {
      {"begin x := 1 end.", "Undeclared identifier: 'x' @ 1:8"},
      {"var i: Integer; begin i := 1.5 end.", "Incompatible types: 'Integer', 'Extended' @ 1:23"},
      {"var s: String; begin for s := 1 to 2 do end.", "For loop variable must be numeric variable @ 1:27"},
      {"const c = 2 * 3; begin c := 1 end.", "Left side cannot be assigned to @ 1:24"},
      {"var i: Integer; i: String; begin end.", "Identifier redeclared: 'i' @ 1:18"},
      {"var t: TNoSuchType; begin end.", "Unknown type: 'TNoSuchType' @ 1:19"},
      {"procedure P(a, b: Integer); begin end; begin P(1) end.", "Not enough actual parameters @ 1:47"},
      {"procedure P(a: Integer); begin end; begin P(1, 2, 3) end.", "Too many actual parameters @ 1:44"},
      {"var s: String; begin s := 'a' + 1 end.", "Incompatible types @ 1:32"},
  };
  for (const Case& C : Cases) EXPECT_EQ(Compile(C.Text), C.Error) << C.Text;
}

TEST_F(Compiled, RoutinesDefaultsConstantsAndForwardCalls) {
  EXPECT_EQ(Run("procedure First; begin Second(4) end;\n"
                "procedure Second(n: Integer; m: Integer = 3); begin Print(n + m) end;\n"
                "const K = 2 * 3;\n"
                "begin First; Second(1, 1); Print(K) end."),
            "7|2|6");
}

TEST_F(Compiled, RecursionVarParametersAndExit) {
  EXPECT_EQ(Run("function Fact(n: Integer): Integer;\n"
                "begin if n <= 1 then Result := 1 else Result := n * Fact(n - 1) end;\n"
                "procedure Swap(var a, b: Integer); var t: Integer; begin t := a; a := b; b := t end;\n"
                "function Find(x: Integer): Integer; var i: Integer;\n"
                "begin Result := -1; for i := 0 to 10 do if i * i = x then begin Result := i; exit end end;\n"
                "var x, y: Integer;\n"
                "begin Print(Fact(5)); x := 1; y := 2; Swap(x, y); Print(x); Print(y); Print(Find(49)); Print(Find(50)) end."),
            "120|2|1|7|-1");
}

TEST_F(Compiled, ArgumentsOfEveryCountReachTheirParameters) {
  // Eight arguments are held without a heap block, more spill over; strings make sure every
  // value is kept whole and freed once, also when a later argument raises.
  struct Case {
    int Count;
    const char* Expected;
  } Cases[] = {{1, "a"}, {8, "abcdefgh"}, {9, "abcdefghi"}, {12, "abcdefghijkl"}};
  for (const Case& C : Cases) {
    std::string Params, Body = "''", Args;
    for (int I = 0; I < C.Count; ++I) {
      const std::string P = "p" + std::to_string(I);
      Params += (I ? "; " : "") + P + ": String";
      Body += " + " + P;
      Args += std::string(I ? ", " : "") + "'" + static_cast<char>('a' + I) + "'";
    }
    const std::string Fn = "function Cat(" + Params + "): String; begin Result := " + Body + " end;\n";
    EXPECT_EQ(Run(Fn + "begin Print(Cat(" + Args + ")) end."), C.Expected) << C.Count;
    // The argument that raises is the last one; those read before it are dropped.
    const std::string Raising = Args.substr(0, Args.rfind(',') + 1) + (C.Count > 1 ? " Bad" : "Bad");
    EXPECT_EQ(Run(Fn + "function Bad: String; begin Result := 'z'; Fail('boom') end;\n"
                       "begin Print(Cat(" + Raising + ")) end.")
                  .substr(0, 26),
              "|raised Exception: boom @ ")
        << C.Count;
  }
}

TEST_F(Compiled, AssignmentsFoldIntoCompoundStatements) {
  Compile("var i: Integer; s: String; begin i := i + 5; i := 5 + i; s := 'a' + s; s := s + 'b' end.");
  TscStatement* M = S.Statement();
  ASSERT_EQ(M->Count(), 4);
  EXPECT_NE(dynamic_cast<TscAssignPlusStmt*>(M->GetItem(0)), nullptr);
  EXPECT_NE(dynamic_cast<TscAssignPlusStmt*>(M->GetItem(1)), nullptr);
  TscStatement* Third = M->GetItem(2);
  EXPECT_EQ(typeid(*Third), typeid(TscAssignmentStmt));
  EXPECT_NE(dynamic_cast<TscAssignPlusStmt*>(M->GetItem(3)), nullptr);
  S.Execute();
  EXPECT_EQ(S.Variables("i").ToInteger(), 10);
  EXPECT_EQ(S.Variables("s").ToString(), "ab");
}

TEST_F(Compiled, PlainVariablesAreReadAndAssignedWithoutDesignators) {
  // A plain variable costs no designator, as an operand or as the target of an assignment;
  // reading it, writing it through a var parameter and folding assignments work as before.
  Compile("var a, b: Integer; begin b := a; b := a * 2 end.");
  TscStatement* M = S.Statement();
  ASSERT_EQ(M->Count(), 2);
  auto* First = dynamic_cast<TscAssignmentStmt*>(M->GetItem(0));
  ASSERT_NE(First, nullptr);
  EXPECT_EQ(First->Designator, nullptr);
  auto* E = dynamic_cast<TscExpression*>(First->Expression);
  ASSERT_NE(E, nullptr);
  auto* Node = dynamic_cast<TscDesignatorNode*>(E->Root());
  ASSERT_NE(Node, nullptr);
  EXPECT_EQ(Node->FDesignator, nullptr);
  EXPECT_EQ(Node->FVar, S.FindLocal("a"));
  EXPECT_EQ(Node->Typ, fvtInt);

  struct Case { const char* Language; const char* Text; const char* Printed; } Cases[] = {
      {"PascalScript",
       "procedure Add2(var n: Integer); begin n := n + 2 end;\n"
       "const K = 4; var a, b: Integer; s: String;\n"
       "begin a := 3; b := a * a - a + K; Add2(b); Print(b); b := b - a; Print(b);\n"
       "s := 'x'; s := s + s; s := 'y' + s; Print(s); Print(-a); Print(not (a = b)) end.",
       "12|9|yxx|-3|True"},
      {"JScript", "var a = 2; var b; b = a + a * a; b += a; Print(b); a = b; Print(a == b);", "8|True"},
      {"RiravUdevad", "dim a, b\r\na = 5\r\nb = a - 1\r\nPrint(b * a)\r\n", "20"},
      {"D++Uderir", "{ int a, b; a = 7; b = a; b = b * a; Print(b); }", "49"},
  };
  for (const Case& C : Cases) EXPECT_EQ(Run(C.Text, C.Language), C.Printed) << C.Text;
}

TEST_F(Compiled, CaseSelectorsWithoutStatementsAreDropped) {
  EXPECT_EQ(Run("var i: Integer;\n"
                "begin for i := 1 to 6 do case i of 1, 3..4: Print('a'); 2: ; 5: Print('b') else Print('e') end end."),
            "a|e|a|a|b|e");
}

TEST_F(Compiled, ExceptionsInScriptsAndTheirPositions) {
  EXPECT_EQ(Run("var i, z: Integer;\n"
                "begin\n"
                "  try i := 1 div z; Print('no') except Print(ExceptionClassName + ': ' + ExceptionMessage) end;\n"
                "  try Fail('boom') finally Print('fin') end;\n"
                "  Print('unreached')\n"
                "end."),
            "EDivByZero: Division by zero|fin|raised Exception: boom @ 4:7");
}

TEST_F(Compiled, WithScopesLookInTheInnerSubjectFirst) {
  static const rt::TClassInfo Outer("TOuter", rt::TObject::ClassInfo());
  static const rt::TClassInfo Inner("TInner", rt::TObject::ClassInfo());
  struct OuterObj : rt::TObject {
    rt::TClass ClassType() const override { return &Outer; }
  } O;
  struct InnerObj : rt::TObject {
    rt::TClass ClassType() const override { return &Inner; }
  } I;
  auto Getter = [](const char* Tag) {
    return TscGetValueEvent([Tag](rt::TObject*, rt::TClass, const std::string& N) { return Variant(std::string(Tag) + N); });
  };
  Register = [&] {
    S.AddClass(&Outer, "")->AddProperty("Name", "String", Getter("outer."));
    S.FindClass("TOuter")->AddProperty("Size", "String", Getter("outer."));
    S.AddClass(&Inner, "")->AddProperty("Name", "String", Getter("inner."));
    S.AddObject("OuterObj", &O);
    S.AddObject("InnerObj", &I);
  };
  EXPECT_EQ(Run("begin with OuterObj, InnerObj do begin Print(Name); Print(Size) end end."),
            "inner.NAME|outer.SIZE");
}

TEST_F(Compiled, AddressOperatorGivesTheRoutineName) {
  EXPECT_EQ(Run("procedure Handler; begin end; var s: String; begin s := @Handler; Print(s) end."), "Handler");
}

TEST_F(Compiled, UndeclaredNamesBecomeVariantsWhereTheLanguageAllows) {
  EXPECT_EQ(Run("x = 5; y = x * 2; Print(y);", "JScript"), "10");
  EXPECT_NE(S.FindLocal("x"), nullptr);
  EXPECT_EQ(S.FindLocal("x")->Typ, fvtVariant);
}

TEST_F(Compiled, ReturnIsAnAssignmentToResultAndAnExit) {
  EXPECT_EQ(Run("int Twice(int n) { return n * 2; Print(99); } { Print(Twice(21)); }", "D++Uderir"), "42");
}

TEST_F(Compiled, LateBoundMembersResolveOnFirstUse) {
  static const rt::TClassInfo Thing("TThing", rt::TObject::ClassInfo());
  struct ThingObj : rt::TObject {
    rt::TClass ClassType() const override { return &Thing; }
  } T;
  Register = [&] {
    S.AddClass(&Thing, "")->AddProperty(
        "Caption", "String", [](rt::TObject*, rt::TClass, const std::string&) { return Variant("cap"); });
    S.AddVariable("Holder", "Variant", Variant::Null());
  };
  ASSERT_EQ(Compile("begin Print(Holder.Caption) end."), "");  // Holder is Null now: resolved later
  S.SetVariables("Holder", rt::VarFromObject(&T));
  Out.clear();
  S.Execute();
  EXPECT_EQ(Out, "cap");
  S.SetVariables("Holder", Variant::Null());
  EXPECT_EQ(Run("begin Print(Holder.Caption) end."), "|raised Exception: Class type required @ 1:7");
  // Through a with-scope over a Variant: resolved when the with statement has run.
  ASSERT_EQ(Compile("var v: Variant; begin v := Holder; with v do Print(Caption) end."), "");
  S.SetVariables("Holder", rt::VarFromObject(&T));
  Out.clear();
  S.Execute();
  EXPECT_EQ(Out, "cap");
}

TEST_F(Compiled, EvaluateCompilesSmallFunctionsInAChildScript) {
  S.AddVariable("Rate", "Integer", 4);
  Variant Bad = S.Evaluate("1 +");
  EXPECT_TRUE(S.EvaluteRiseError);
  EXPECT_TRUE(Bad.IsString());
  EXPECT_FALSE(Bad.ToString().empty());
  Variant Good = S.Evaluate("2 * 3 + Rate");
  EXPECT_FALSE(S.EvaluteRiseError);
  EXPECT_EQ(Good.ToInteger(), 10);
  S.SyntaxType = "NoSuchLanguage";
  EXPECT_TRUE(S.Evaluate("1").IsNull());
}

TEST_F(Compiled, ExecutableLinesAndIntermediateCodeRoundTrip) {
  const std::string Text = "var i: Integer;\nbegin\n  i := 1;\n\n  Print(i)\nend.";
  ASSERT_EQ(Compile(Text), "");
  EXPECT_TRUE(S.IsExecutableLine(3));
  EXPECT_FALSE(S.IsExecutableLine(4));
  EXPECT_TRUE(S.IsExecutableLine(5));
  rt::TMemoryStream IL;
  S.Lines.SetText(Text);
  ASSERT_TRUE(S.GetILCode(IL));
  S.Clear();
  AddNatives();
  IL.SetPosition(0);
  ASSERT_TRUE(S.SetILCode(IL));
  Out.clear();
  S.Execute();
  EXPECT_EQ(Out, "1");
}

TEST_F(Compiled, StringCharactersAndArrays) {
  EXPECT_EQ(Run("var s: String; a: array[1..3] of Integer; m: array[0..1, 0..1] of Integer; i: Integer;\n"
                "begin s := 'abc'; s[2] := 'X'; Print(s); Print(s[3]);\n"
                "  for i := 1 to 3 do a[i] := i * i; Print(a[1] + a[2] + a[3]);\n"
                "  m[1, 0] := 7; Print(m[1, 0]); a[4] := 1 end."),
            "aXc|c|14|7|raised EVariantBadIndexError: Variant or safe array index out of bounds @ 4:33");
}

TEST_F(Compiled, LoopsOfTheOtherLanguages) {
  struct Case { const char* Language; const char* Text; const char* Out; } Cases[] = {
      {"RiravUdevad", "dim i\r\nfor i = 2 to 1 step -0.5\r\nPrint(i)\r\nnext\r\n", "2|1.5|1"},
      {"JScript", "var k; for (k = 0; k < 4; k++) { if (k == 1) continue; Print(k); }", "0|2|3"},
      {"D++Uderir", "int n; { n = 0; do { n++; Print(n); } while (n < 3); }", "1|2|3"},
      {"JScript", "var s = \"a\"; s += \"b\"; s = s + \"c\"; Print(s);", "abc"},
      {"RiravUdevad", "dim s, n\r\nn = 1\r\ns = \"a\" & n\r\nPrint(s)\r\n", "a1"},
  };
  for (const Case& C : Cases) EXPECT_EQ(Run(C.Text, C.Language), C.Out) << C.Language << ": " << C.Text;
}

TEST_F(Compiled, UnitsComeFromTheUnitHandlerAndNameTheirErrors) {
  std::map<std::string, std::string> Units = {
      {"tools", "procedure Shout(s: String); begin Print(s + '!') end;\nbegin Print('tools init') end."},
      {"broken", "begin\n  Print(Missing)\nend."}};
  S.OnGetUnit = [&](TscScript*, const std::string& Name, std::string& Text) { Text = Units[Name]; };
  EXPECT_EQ(Run("uses 'tools', 'tools';\nbegin Shout('hi') end."), "tools init|hi!");
  EXPECT_TRUE(S.IsExecutableLine(2, "tools"));
  EXPECT_EQ(Run("uses 'broken';\nbegin end."), "compile: Undeclared identifier: 'Missing' @ 2:16");
  EXPECT_EQ(S.ErrorUnit, "broken");
}

TEST_F(Compiled, NewAndDeleteCallTheConstructorAndFree) {
  static const rt::TClassInfo Box("TBox", rt::TObject::ClassInfo(), [] { return new rt::TObject; });
  int Created = 0, Freed = 0;
  Register = [&] {
    TscClassVariable* Obj = S.AddClass(rt::TObject::ClassInfo(), "");
    Obj->AddConstructor("constructor Create", TscCallMethodNewEvent([&](rt::TObject* I, rt::TClass, const std::string&,
                                                                       TscMethodHelper*) {
                          ++Created;
                          return rt::VarFromObject(I);
                        }));
    Obj->AddMethod("procedure Free", TscCallMethodNewEvent([&](rt::TObject* I, rt::TClass, const std::string&,
                                                               TscMethodHelper*) {
                     ++Freed;
                     delete I;
                     return Variant(0);
                   }));
    S.AddClass(&Box, "TObject");
  };
  EXPECT_EQ(Run("var b = new TBox(); delete b; Print(\"ok\");", "JScript"), "ok");
  EXPECT_EQ(Created, 1);
  EXPECT_EQ(Freed, 1);
  EXPECT_EQ(Compile("var n = 1; delete n;", "JScript"), "");  // a Variant may hold an object
  EXPECT_EQ(Compile("var b = new Print();", "JScript"), "Class type required @ 1:18");
}

TEST_F(Compiled, RunawayRecursionIsAScriptErrorNotACrash) {
  EXPECT_EQ(Run("function Depth(n: Integer): Integer; begin if n = 0 then Result := 0 else Result := 1 + Depth(n - 1) end;\n"
                "function Forever(n: Integer): Integer; begin Result := Forever(n + 1) end;\n"
                "begin Print(Depth(900)); Print(Forever(0)) end."),
            "900|raised EStackOverflow: Stack overflow @ 3:26");
  EXPECT_EQ(Run("function Depth(n: Integer): Integer; begin if n = 0 then Result := 0 else Result := 1 + Depth(n - 1) end;\n"
                "begin Print(Depth(10)) end."),
            "10");  // the depth count is back to zero after the error
}

TEST_F(Compiled, LongExpressionsRunAndOverlongOnesAreRefused) {
  std::string Sum = "1";
  for (int I = 1; I < 1500; ++I) Sum += " + 1";
  EXPECT_EQ(Run("begin Print(" + Sum + ") end."), "1500");
  for (int I = 1500; I < 5000; ++I) Sum += " + 1";
  EXPECT_EQ(Run("begin Print(" + Sum + ") end."), "compile: Expression too complex (more than 2000 levels) @ 1:13");
}

TEST_F(Compiled, UnknownLanguagesRaiseAndSyntaxErrorsReturnFalse) {
  S.SyntaxType = "NoSuchLanguage";
  S.Lines.SetText("begin end.");
  EXPECT_THROW(S.Compile(), rt::Exception);
  EXPECT_EQ(Compile("begin x := end."), "Expression expected @ 1:12");
  EXPECT_FALSE(S.Run());  // Run compiles first and does not execute a failed program
  rt::TMemoryStream IL;
  EXPECT_FALSE(S.GetILCode(IL));
  EXPECT_EQ(S.ErrorMsg, "Expression expected");
}
