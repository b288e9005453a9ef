// The script program: item lookup, registration, calling script routines, termination.
#include <gtest/gtest.h>

#include "ScriptTestSupport.h"
#include "report/script/sc_itools.h"

using namespace scTest;

namespace {

class ScriptProgram : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterBaseTypes();
    S.AddRTTI();
  }
  TscScript S;
};

} // namespace

TEST_F(ScriptProgram, LookupFindsNewestOfEqualNamesThenTheParent) {
  TscScript Child;
  Child.Parent = &S;
  S.AddVariable("Shared", "Integer", 1);
  auto* A = new TscVariable("Twice", fvtInt, "Integer");
  auto* B = new TscVariable("TWICE", fvtInt, "Integer");
  const int Before = Child.Count();
  Child.Add("Twice", A);
  Child.Add("TWICE", B);
  EXPECT_EQ(Child.Count(), Before + 2);  // both kept
  EXPECT_EQ(Child.Find("twice"), B);      // the later one wins
  EXPECT_EQ(Child.FindLocal("Shared"), nullptr);
  EXPECT_EQ(Child.Find("shared"), S.FindLocal("SHARED"));  // then the parent
  EXPECT_EQ(Child.Find("Nowhere"), nullptr);
  Child.Remove(B);  // out of the list, not freed
  EXPECT_EQ(Child.Find("Twice"), A);
  delete B;
}

TEST_F(ScriptProgram, AddVariableAndAddConstSkipKnownNamesButAddMethodAndAddEnumDoNot) {
  TscScript Child;
  Child.Parent = &S;
  S.AddVariable("X", "Integer", 1);
  Child.AddVariable("x", "String", "text");  // known through the parent: nothing happens
  Child.AddConst("X", "Integer", 5);
  EXPECT_EQ(Child.FindLocal("X"), nullptr);
  EXPECT_EQ(S.Variables("X").ToInteger(), 1);

  auto Zero = [](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper*) { return Variant(0); };
  Native(S, "function F: Integer", Zero);
  TscMethodHelper* Second = Native(S, "function F(a: Integer): Integer", Zero);
  EXPECT_EQ(S.Find("F"), Second);
  S.AddEnum("TColorA", "caRed, caGreen");
  S.AddEnum("TColorA", "caBlue");  // added again regardless
  EXPECT_EQ(S.Find("caBlue")->GetValue().ToInteger(), 0);
  EXPECT_EQ(S.Find("caGreen")->GetValue().ToInteger(), 1);
}

TEST_F(ScriptProgram, EnumerationsAndSetsAreReadOnlyNumberedNames) {
  S.AddEnumSet("TStyles", "  stBold ,stItalic,  stUnder  ");
  struct Case { const char* Name; int Value; } Cases[] = {{"stBold", 1}, {"stItalic", 2}, {"stUnder", 4}};
  for (const Case& C : Cases) {
    TscCustomVariable* V = S.Find(C.Name);
    ASSERT_NE(V, nullptr) << C.Name;
    EXPECT_EQ(V->GetValue().ToInteger(), C.Value);
    EXPECT_EQ(V->Typ, fvtEnum);
    EXPECT_EQ(V->TypeName, "TStyles");
    V->SetValue(99);
    EXPECT_EQ(V->GetValue().ToInteger(), C.Value) << "read-only";
  }
  EXPECT_EQ(S.Find("TStyles")->Typ, fvtEnum);
}

TEST_F(ScriptProgram, TypedStorageAndConstants) {
  S.AddVariable("I", "Integer", "42");  // text of a number becomes the number
  EXPECT_EQ(S.Variables("I").VarType(), rt::varInteger);
  EXPECT_EQ(S.Variables("I").ToInteger(), 42);
  S.AddConst("K", "Integer", 7);
  S.SetVariables("K", 8);  // ignored silently
  EXPECT_EQ(S.Variables("K").ToInteger(), 7);
  S.AddVariable("F", "Extended", 0);
  S.SetVariables("F", Variant::Date(2.5));  // a date-time stays a date-time
  EXPECT_EQ(S.Variables("F").VarType(), rt::varDate);
  S.SetVariables("F", 3);
  EXPECT_EQ(S.Variables("F").VarType(), rt::varDouble);
  EXPECT_THROW(S.SetVariables("I", "abc"), rt::EVariantTypeCastError);
  EXPECT_TRUE(S.Variables("Missing").IsNull());
  S.SetVariables("Missing", "made");  // writing an unknown name adds a Variant variable
  EXPECT_EQ(S.Find("Missing")->Typ, fvtVariant);
  EXPECT_THROW(S.AddConst("Bad", "Integer", "x"), rt::EVariantTypeCastError);
  EXPECT_EQ(S.Find("Bad"), nullptr);
}

TEST_F(ScriptProgram, ValueHookOverridesUnlessItReturnsNull) {
  Variant HookResult = Variant::Null();
  S.OnGetVarValue = [&](const std::string& Name, TscVarType, const Variant& Old) {
    EXPECT_EQ(Name, "Hooked");
    EXPECT_EQ(Old.ToInteger(), 5);
    return HookResult;
  };
  S.AddVariable("Hooked", "Integer", 5);
  EXPECT_EQ(S.Variables("Hooked").ToInteger(), 5);
  HookResult = 0;
  EXPECT_EQ(S.Variables("Hooked").ToInteger(), 0);
}

TEST_F(ScriptProgram, ClearKeepsTheLibraryUntilClearRTTI) {
  S.AddVariable("Mine", "Integer", 1);
  DeclareVar(S, "Compiled", "String");
  S.Clear();
  EXPECT_EQ(S.Find("Mine"), nullptr);
  EXPECT_EQ(S.Find("Compiled"), nullptr);
  EXPECT_NE(S.Find("Integer"), nullptr);
  EXPECT_NE(S.Find("True"), nullptr);
  S.AddRTTI();  // already built: nothing doubles
  int Trues = 0;
  for (int I = 0; I < S.Count(); ++I)
    if (S.GetItem(I) && S.GetItem(I)->Name() == "True") ++Trues;
  EXPECT_EQ(Trues, 1);
  S.ClearRTTI();
  EXPECT_EQ(S.Find("Integer"), nullptr);
  EXPECT_EQ(S.Count(), 0);
  S.AddRTTI();
  EXPECT_NE(S.Find("Integer"), nullptr);
}

TEST_F(ScriptProgram, ItemsAreRemovedByWhoAddedThem) {
  int Report = 0;
  S.AddedBy = &Report;
  S.AddVariable("FromReport", "Integer", 1);
  S.AddedBy = nullptr;
  S.AddVariable("Other", "Integer", 2);
  DeclareVar(S, "Stmt", "Integer");
  Main(S).Assign(S.Find("Stmt"), Ex(S, Variant(1)));
  S.ClearItems(&Report);
  EXPECT_EQ(S.Find("FromReport"), nullptr);
  EXPECT_NE(S.Find("Other"), nullptr);
  EXPECT_EQ(S.Statement()->Count(), 0);
}

TEST_F(ScriptProgram, RecursiveFunctionRestoresEachLevel) {
  // function Fact(n: Integer): Integer; begin if n <= 1 then Result := 1
  //   else Result := n * Fact(n - 1) end;
  TscProcVariable* Fact = DeclareProc(S, "Fact", "Integer", {{"n", "Integer"}});
  TscScript& L = *Fact->Prog();
  TscCustomVariable* N = L.Find("n");
  TscCustomVariable* Result = L.Find("Result");
  Stmts Body = Main(L);
  TscIfStmt* If = Body.If(Ex(L, {Path(L, N), Op{"<="}, Variant(1)}));
  Body.In(If).Assign(Result, Ex(L, Variant(1)));
  TscDesignator* Call = Path(L, {Step{Fact, {Ex(L, {Path(L, N), Op{"-"}, Variant(1)})}}});
  Body.In(If->ElseStmt()).Assign(Result, Ex(L, {Path(L, N), Op{"*"}, Call}));
  EXPECT_EQ(S.CallFunction("Fact", rt::VarArrayOf({5})).ToInteger(), 120);
  EXPECT_FALSE(Fact->Executing);
}

TEST_F(ScriptProgram, CallFunctionPassesArgumentsAndVarParametersComeBack) {
  // procedure Twice(var x: Integer; y: Integer); begin x := y * 2 end;
  TscProcVariable* P = DeclareProc(S, "Twice", "", {{"x", "Integer", true}, {"y", "Integer"}});
  TscScript& L = *P->Prog();
  Main(L).Assign(L.Find("x"), Ex(L, {Path(L, L.Find("y")), Op{"*"}, Variant(2)}));
  Variant Args = rt::VarArrayOf({1, 21});
  EXPECT_TRUE(S.CallFunction1("Twice", Args).IsNull());  // a procedure gives Null
  EXPECT_EQ(Args.ArrayGet({0}).ToInteger(), 42);

  TscScript Child;
  Child.Parent = &S;
  EXPECT_TRUE(Child.CallFunction("Twice", Args, false).IsNull());  // not local
  EXPECT_THROW(Child.CallFunction("Twice", rt::VarArrayOf({1, 2, 3}), true), rt::EListError);
  Native(S, "function NativeF: Integer",
         [](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper*) { return Variant(9); });
  EXPECT_TRUE(S.CallFunction("NativeF", Variant::Null()).IsNull());  // not a script routine
}

TEST_F(ScriptProgram, TerminateFromACallbackStopsInsideAProcedureToo) {
  // procedure Loop; begin while True do Tick end;  begin Loop; After := 1 end.
  std::vector<std::string> Lines;
  int Ticks = 0;
  Native(S, "procedure Tick", [&](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper*) {
    if (++Ticks == 3) S.Terminate();
    return Variant(0);
  });
  TscProcVariable* Loop = DeclareProc(S, "Loop", "", {});
  TscScript& L = *Loop->Prog();
  Stmts Body = Main(L);
  TscWhileStmt* W = Body.While(Ex(L, Variant(true)));
  Body.In(W).Call(Path(L, S.Find("Tick")));
  TscVariable* After = DeclareVar(S, "After", "Integer");
  Stmts M = Main(S);
  M.Call(Path(S, Loop));
  M.Assign(After, Ex(S, Variant(1)));
  S.Execute();
  EXPECT_EQ(Ticks, 3);
  EXPECT_EQ(After->GetValue().ToInteger(), 0);
  EXPECT_FALSE(S.IsRunning);
  EXPECT_FALSE(S.Terminated);
  Ticks = -100;  // the next run starts from the beginning and runs to its end
  S.Execute();
  EXPECT_EQ(Ticks, 3);
}

TEST_F(ScriptProgram, ProgNameAndProgRunningNameTheRunningProcedure) {
  std::string Seen;
  TscScript* Running = nullptr;
  Native(S, "procedure Probe", [&](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper*) {
    Seen = S.ProgName();
    Running = S.ProgRunning;
    return Variant(0);
  });
  TscProcVariable* P = DeclareProc(S, "Worker", "", {});
  Main(*P->Prog()).Call(Path(*P->Prog(), S.Find("Probe")));
  Main(S).Call(Path(S, P));
  S.Execute();
  EXPECT_EQ(Seen, "Worker");
  EXPECT_EQ(Running, P->Prog());
  EXPECT_EQ(S.ProgRunning, nullptr);
  EXPECT_EQ(S.ProgName(), "");
}

TEST_F(ScriptProgram, ClearLocalVarsResetsLocalsAfterEachCall) {
  TscProcVariable* P = DeclareProc(S, "Counter", "Integer", {});
  TscScript& L = *P->Prog();
  TscVariable* Local = DeclareVar(L, "Count", "Integer");
  Stmts Body = Main(L);
  Body.Assign(Local, Ex(L, {Path(L, Local), Op{"+"}, Variant(1)}));
  Body.Assign(L.Find("Result"), Ex(L, Local));
  S.MainProg = true;
  EXPECT_EQ(S.CallFunction("Counter", Variant::Null()).ToInteger(), 1);
  EXPECT_EQ(S.CallFunction("Counter", Variant::Null()).ToInteger(), 2);  // locals persist
  S.ClearLocalVars = true;
  EXPECT_EQ(S.CallFunction("Counter", Variant::Null()).ToInteger(), 3);
  EXPECT_EQ(S.CallFunction("Counter", Variant::Null()).ToInteger(), 1);
}

TEST_F(ScriptProgram, ExecutableLinesAndLineNotification) {
  TscVariable* X = DeclareVar(S, "X", "Integer");
  Stmts M = Main(S);
  M.Line = 5;
  M.Assign(X, Ex(S, Variant(1)));
  M.Assign(X, Ex(S, Variant(2)));
  EXPECT_TRUE(S.IsExecutableLine(5));
  EXPECT_TRUE(S.IsExecutableLine(6, ""));
  EXPECT_FALSE(S.IsExecutableLine(7));
  EXPECT_FALSE(S.IsExecutableLine(5, "Other"));

  TscScript Child;
  Child.Parent = &S;
  std::vector<std::string> Seen;
  S.OnRunLine = [&](TscScript* Sender, const std::string&, const std::string& Pos) {
    Seen.push_back((Sender == &S ? "main " : "other ") + Pos);
  };
  S.Execute();
  EXPECT_EQ(Seen, (std::vector<std::string>{"main 5:1", "main 6:1"}));
}

TEST(ScriptModuleListTest, ModulesAreBuiltInListOrderWithTheRTTIMarker) {
  RegisterBaseTypes();
  struct Later : TscRTTIModule {
    explicit Later(TscScript* S) : TscRTTIModule(S) { S->AddVariable("LaterVar", "Integer", 1); }
  };
  auto* L = ScriptModuleList();
  L->push_back(&scModuleClass<Later>);
  TscScript S;
  S.AddRTTI();
  L->pop_back();
  ASSERT_NE(S.Find("LaterVar"), nullptr);
  EXPECT_EQ(S.Find("LaterVar")->AddedBy, scAddedByRTTI);
  EXPECT_EQ(S.Find("LaterVar")->Typ, fvtInt);  // "Integer" was known: the base types came first
  EXPECT_EQ(S.AddedBy, nullptr);
}
