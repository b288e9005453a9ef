// Statements: loops, branches, control flow, exceptions and termination.
#include <gtest/gtest.h>

#include "ScriptTestSupport.h"

using namespace scTest;

namespace {

class Statements : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterBaseTypes();
    S.AddRTTI();
    Log = DeclareVar(S, "Log", "String");
    Native(S, "procedure Put(v: Variant)", [this](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* C) {
      Out += (Out.empty() ? "" : " ") + rt::VarToStr(C->GetVParam(0));
      return Variant(0);
    });
  }
  // Put(<expression>) as a statement.
  TscCallStmt* Put(Stmts& L, TscCustomExpression* E) { return L.Call(Path(L.P, {Step{L.P.Find("Put"), {E}}})); }
  TscScript S;
  TscVariable* Log;
  std::string Out;
};

} // namespace

TEST_F(Statements, CountingLoopsRunOnTheirOwnCounter) {
  struct Case { int From, To; bool Down; bool AssignInBody; std::string Out; int After; } Cases[] = {
      {1, 3, false, false, "1 2 3", 3},
      {1, 3, false, true, "1 2 3", 10},  // body assigns 10: still three passes
      {5, 1, true, false, "5 4 3 2 1", 1},
      {1, 5, true, false, "", -7},       // empty range leaves the variable alone
      {3, 3, false, false, "3", 3},
  };
  for (const Case& C : Cases) {
    TscScript P;
    P.Parent = &S;
    Out.clear();
    TscVariable* I = DeclareVar(P, "i", "Integer");
    I->SetValue(-7);
    Stmts M = Main(P);
    TscForStmt* F = M.For(I, Ex(P, Variant(C.From)), Ex(P, Variant(C.To)), C.Down);
    Stmts Body = M.In(F);
    Put(Body, Ex(P, I));
    if (C.AssignInBody) Body.Assign(I, Ex(P, Variant(10)));
    P.Execute();
    EXPECT_EQ(Out, C.Out) << C.From << ".." << C.To;
    EXPECT_EQ(I->GetValue().ToInteger(), C.After) << C.From << ".." << C.To;
  }
}

TEST_F(Statements, LoopBoundsAreEvaluatedOnce) {
  int Calls = 0;
  Native(S, "function Limit: Integer", [&](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper*) {
    ++Calls;
    return Variant(3);
  });
  TscVariable* I = DeclareVar(S, "i", "Integer");
  Stmts M = Main(S);
  M.For(I, Ex(S, Variant(1)), Ex(S, Path(S, S.Find("Limit"))));
  S.Execute();
  EXPECT_EQ(Calls, 1);
}

TEST_F(Statements, StepLoopHandlesFractionalAndNegativeSteps) {
  struct Case { Variant From, To, Step; std::string Out; } Cases[] = {
      {2, 1, -0.5, "2 1.5 1"},
      {1, 3, Variant::Null(), "1 2 3"},  // no step: 1
      {1, 2, 0.5, "1 1.5 2"},
      {3, 1, 1, ""},
  };
  for (const Case& C : Cases) {
    TscScript P;
    P.Parent = &S;
    Out.clear();
    TscVariable* V = DeclareVar(P, "v", "Variant");
    Stmts M = Main(P);
    TscVbForStmt* F = M.VbFor(V, Ex(P, C.From), Ex(P, C.To), C.Step.IsNull() ? nullptr : Ex(P, C.Step));
    Stmts Body = M.In(F);
    Put(Body, Ex(P, V));
    P.Execute();
    EXPECT_EQ(Out, C.Out);
  }
}

TEST_F(Statements, BreakLeavesOnlyTheInnermostLoopAndContinueStillRunsTheCStep) {
  // for i := 1 to 3 do for j := 1 to 3 do begin if j = 2 then break; Put(i*10+j) end
  TscVariable* I = DeclareVar(S, "i", "Integer");
  TscVariable* J = DeclareVar(S, "j", "Integer");
  Stmts M = Main(S);
  TscForStmt* Outer = M.For(I, Ex(S, Variant(1)), Ex(S, Variant(3)));
  Stmts OB = M.In(Outer);
  TscForStmt* Inner = OB.For(J, Ex(S, Variant(1)), Ex(S, Variant(3)));
  Stmts IB = OB.In(Inner);
  TscIfStmt* If = IB.If(Ex(S, {Path(S, J), Op{"="}, Variant(2)}));
  IB.In(If).Break();
  Put(IB, Ex(S, {Path(S, I), Op{"*"}, Variant(10), Op{"+"}, Path(S, J)}));
  S.Execute();
  EXPECT_EQ(Out, "11 21 31");

  // for (k := 0; k < 4; k := k + 1) { if k = 1 then continue; Put(k) }
  TscScript P;
  P.Parent = &S;
  Out.clear();
  TscVariable* K = DeclareVar(P, "k", "Integer");
  Stmts PM = Main(P);
  TscCppForStmt* F = PM.CppFor(Ex(P, {Path(P, K), Op{"<"}, Variant(4)}));
  PM.In(F->FirstStmt()).Assign(K, Ex(P, Variant(0)));
  PM.In(F->SecondStmt()).Assign(K, Ex(P, {Path(P, K), Op{"+"}, Variant(1)}));
  Stmts Body = PM.In(F);
  TscIfStmt* If2 = Body.If(Ex(P, {Path(P, K), Op{"="}, Variant(1)}));
  Body.In(If2).Continue();
  Put(Body, Ex(P, K));
  P.Execute();
  EXPECT_EQ(Out, "0 2 3");
}

TEST_F(Statements, RepeatAndDoWhileTestAfterTheBody) {
  for (bool Inverse : {false, true}) {
    TscScript P;
    P.Parent = &S;
    Out.clear();
    TscVariable* N = DeclareVar(P, "n", "Integer");
    Stmts M = Main(P);
    // repeat n := n + 1; Put(n) until n >= 3      /  do { ... } while (n < 3)
    TscRepeatStmt* R = M.Repeat(Inverse ? Ex(P, {Path(P, N), Op{"<"}, Variant(3)})
                                        : Ex(P, {Path(P, N), Op{">="}, Variant(3)}),
                                Inverse);
    Stmts Body = M.In(R);
    Body.Assign(N, Ex(P, {Path(P, N), Op{"+"}, Variant(1)}));
    Put(Body, Ex(P, N));
    P.Execute();
    EXPECT_EQ(Out, "1 2 3") << Inverse;
  }
}

TEST_F(Statements, CaseRunsTheFirstMatchingSelectorOrTheElseBranch) {
  struct Case { int Value; std::string Out; } Cases[] = {
      {1, "a"}, {4, "a"}, {5, "a"}, {6, "b"}, {9, "c"}, {2, "else"}, {7, "else"}, {8, "else"}};
  for (const Case& C : Cases) {
    TscScript P;
    P.Parent = &S;
    Out.clear();
    Stmts M = Main(P);
    TscCaseStmt* CS = M.Case(Ex(P, Variant(C.Value)));
    // case v of 1, 3..5: 'a'; 4..6: 'b' (4 and 5 went to 'a'); 9: 'c'; 8..7: never
    TscCaseSelector* S1 = M.Selector(CS, Set(P, {{1}, {3, 5}}));
    Stmts B1 = M.In(S1);
    Put(B1, Ex(P, Variant("a")));
    Stmts B2 = M.In(M.Selector(CS, Set(P, {{4, 6}})));
    Put(B2, Ex(P, Variant("b")));
    Stmts B3 = M.In(M.Selector(CS, Set(P, {{9}})));
    Put(B3, Ex(P, Variant("c")));
    Stmts B4 = M.In(M.Selector(CS, Set(P, {{8, 7}})));
    Put(B4, Ex(P, Variant("never")));
    Stmts E = M.In(CS->ElseStmt());
    Put(E, Ex(P, Variant("else")));
    P.Execute();
    EXPECT_EQ(Out, C.Out) << C.Value;
  }
}

TEST_F(Statements, CompoundAssignmentsUseVariantOperationsAndTypedStorage) {
  TscVariable* Str = DeclareVar(S, "s", "String");
  TscVariable* Int = DeclareVar(S, "i", "Integer");
  Str->SetValue("ab");
  Int->SetValue(7);
  Stmts M = Main(S);
  auto* Plus = new TscAssignPlusStmt(&S, "", "1:1");
  Plus->Designator = Path(S, Str);
  Plus->Expression = Ex(S, Variant("cd"));
  Plus->Optimize();
  M.Add(Plus);
  auto* Div = new TscAssignDivStmt(&S, "", "2:1");
  Div->Designator = Path(S, Int);
  Div->Expression = Ex(S, Variant(2));
  Div->Optimize();
  M.Add(Div);
  S.Execute();
  EXPECT_EQ(Str->GetValue().ToString(), "abcd");
  EXPECT_EQ(Int->GetValue().VarType(), rt::varInteger);
  EXPECT_EQ(Int->GetValue().ToInteger(), 4);  // 3.5 stored as an integer, halves to even
}

TEST_F(Statements, IncrementAndDecrementCalls) {
  TscVariable* N = DeclareVar(S, "n", "Integer");
  Stmts M = Main(S);
  M.Call(Path(S, N), "+");
  M.Call(Path(S, N), "+");
  M.Call(Path(S, N), "-");
  S.Execute();
  EXPECT_EQ(N->GetValue().ToInteger(), 1);
}

TEST_F(Statements, ExitInsideTryFinallyRunsTheFinallyListThenLeaves) {
  // procedure P; begin try Put('body'); exit; Put('skipped') finally Put('finally') end; Put('after') end;
  TscProcVariable* P = DeclareProc(S, "P", "", {});
  TscScript& L = *P->Prog();
  Stmts B = Main(L);
  TscTryStmt* T = B.Try(false);
  Stmts TB = B.In(T);
  Put(TB, Ex(L, Variant("body")));
  TB.Exit();
  Put(TB, Ex(L, Variant("skipped")));
  Stmts FB = B.In(T->ExceptStmt());
  Put(FB, Ex(L, Variant("finally")));
  Put(B, Ex(L, Variant("after")));
  Stmts M = Main(S);
  M.Call(Path(S, P));
  Put(M, Ex(S, Variant("main")));
  S.Execute();
  EXPECT_EQ(Out, "body finally main");
}

TEST_F(Statements, AnErrorPassingAFinallyListKeepsThePositionOfTheStatementThatRaised) {
  // try x := 1 div 0 finally Put('cleanup') end
  TscVariable* X = DeclareVar(S, "x", "Integer");
  Stmts M = Main(S);
  TscTryStmt* T = M.Try(false);
  Stmts TB = M.In(T);
  TB.Line = 10;
  TB.Assign(X, Ex(S, {Variant(1), Op{"div"}, Variant(0)}));
  Stmts FB = M.In(T->ExceptStmt());
  FB.Line = 20;
  Put(FB, Ex(S, Variant("cleanup")));
  EXPECT_THROW(S.Execute(), rt::EDivByZero);
  EXPECT_EQ(Out, "cleanup");
  EXPECT_EQ(S.ErrorPos, "10:1");
}

TEST_F(Statements, ExceptBlockConsumesTheErrorAndRecordsItsMessageAndPosition) {
  // try Put('a'); x := 1 div 0; Put('b') except Put(ExceptionClassName + ': ' + ExceptionMessage) end; Put('next')
  TscVariable* X = DeclareVar(S, "x", "Integer");
  Stmts M = Main(S);
  TscTryStmt* T = M.Try(true);
  Stmts TB = M.In(T);
  TB.Line = 10;
  Put(TB, Ex(S, Variant("a")));
  TB.Assign(X, Ex(S, {Variant(1), Op{"div"}, Variant(0)}));
  Put(TB, Ex(S, Variant("b")));
  Stmts EB = M.In(T->ExceptStmt());
  EB.Line = 20;
  Put(EB, Ex(S, {Path(S, S.Find("ExceptionClassName")), Op{"+"}, Variant(": "), Op{"+"},
                 Path(S, S.Find("ExceptionMessage"))}));
  M.Line = 30;
  Put(M, Ex(S, Variant("next")));
  S.Execute();
  EXPECT_EQ(Out, "a EDivByZero: Division by zero next");
  EXPECT_EQ(S.Variables("ExceptionMessage").ToString(), "Division by zero");
}

TEST_F(Statements, UncaughtErrorsReachTheCallerWithThePositionOfTheFailingStatement) {
  // procedure Fail; begin Put(1); Put(1 div 0) end;   main: Put(0); Fail
  TscProcVariable* P = DeclareProc(S, "Fail", "", {});
  TscScript& L = *P->Prog();
  Stmts B = Main(L);
  B.Line = 3;
  Put(B, Ex(L, Variant(1)));
  Put(B, Ex(L, {Variant(1), Op{"div"}, Variant(0)}));
  Stmts M = Main(S);
  M.Line = 7;
  Put(M, Ex(S, Variant(0)));
  M.Call(Path(S, P));
  EXPECT_THROW(S.Execute(), rt::EDivByZero);
  EXPECT_EQ(L.ErrorPos, "4:1");  // inside the procedure
  EXPECT_EQ(S.ErrorPos, "8:1");  // the call in the main program
  EXPECT_FALSE(S.IsRunning);
  EXPECT_FALSE(P->Executing);
  // Thrown objects that are not runtime exceptions pass untouched.
  Native(S, "procedure Odd", [](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper*) -> Variant {
    throw 42;
  });
  TscScript Q;
  Q.Parent = &S;
  Stmts QM = Main(Q);
  TscTryStmt* T = QM.Try(true);
  QM.In(T).Call(Path(Q, S.Find("Odd")));
  EXPECT_THROW(Q.Execute(), int);
}

TEST_F(Statements, WhileLoopAndExitInTheMainProgram) {
  TscVariable* N = DeclareVar(S, "n", "Integer");
  Stmts M = Main(S);
  TscWhileStmt* W = M.While(Ex(S, {Path(S, N), Op{"<"}, Variant(10)}));
  Stmts B = M.In(W);
  B.Assign(N, Ex(S, {Path(S, N), Op{"+"}, Variant(1)}));
  TscIfStmt* If = B.If(Ex(S, {Path(S, N), Op{"="}, Variant(4)}));
  M.In(If).Exit();
  Put(M, Ex(S, Variant("unreached")));
  S.Execute();
  EXPECT_EQ(N->GetValue().ToInteger(), 4);
  EXPECT_EQ(Out, "");
  EXPECT_FALSE(S.ExitCalled);
  S.Execute();  // a new run starts afresh: n is already 4, so it runs on to 10
  EXPECT_EQ(N->GetValue().ToInteger(), 10);
  EXPECT_EQ(Out, "unreached");
}
