// Expressions: tree shape by priorities, types, evaluation, folding into compound assignments.
#include <gtest/gtest.h>

#include "ScriptTestSupport.h"

using namespace scTest;

namespace {

class Expressions : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterBaseTypes();
    S.AddRTTI();
  }
  // The tree as text: operators with their children in brackets.
  static std::string Shape(TscExpressionNode* N) {
    if (!N) return "_";
    if (auto* O = dynamic_cast<TscOperatorNode*>(N)) {
      static const char* Names[] = {" ", ">", "<", "<=", ">=", "<>", "=", "+", "-", "or", "xor", "*", "/",
                                    "div", "mod", "and", "shl", "shr", "(", ")", "not", "neg", "in", "is"};
      std::string R = std::string("(") + Names[O->FOp] + " " + Shape(O->FLeft);
      if (O->FRight) R += " " + Shape(O->FRight);
      return R + ")";
    }
    if (auto* D = dynamic_cast<TscDesignatorNode*>(N)) return D->FDesignator->GetItem(0)->Ref->Name();
    return rt::VarToStr(N->GetValue());
  }
  TscScript S;
};

} // namespace

TEST_F(Expressions, PrioritiesAndBracketsShapeTheTree) {
  TscVariable* A = DeclareVar(S, "a", "Boolean");
  TscVariable* B = DeclareVar(S, "b", "Boolean");
  TscVariable* X = DeclareVar(S, "x", "Integer");
  TscVariable* Y = DeclareVar(S, "y", "Integer");
  struct Case { std::vector<Token> Tokens; std::string Shape; } Cases[] = {
      {{Variant(1), Op{"+"}, Variant(2), Op{"*"}, Variant(3)}, "(+ 1 (* 2 3))"},
      {{Op{"("}, Variant(1), Op{"+"}, Variant(2), Op{")"}, Op{"*"}, Variant(3)}, "(* (+ 1 2) 3)"},
      {{Variant(8), Op{"-"}, Variant(4), Op{"-"}, Variant(2)}, "(- (- 8 4) 2)"},
      {{Op{"not"}, Path(S, A), Op{"="}, Path(S, B)}, "(= (not a) b)"},
      {{Op{"unminus"}, Path(S, X), Op{"*"}, Path(S, Y)}, "(* (neg x) y)"},
      {{Path(S, X), Op{"*"}, Op{"unminus"}, Path(S, Y)}, "(* x (neg y))"},
      {{Variant(1), Op{"<"}, Variant(2), Op{"AND"}, Variant(3)}, "(< 1 (and 2 3))"},
      {{Op{"("}, Op{"("}, Variant(1), Op{")"}, Op{")"}}, "1"},
  };
  for (Case& C : Cases) {
    std::unique_ptr<TscExpression> E(new TscExpression(&S));
    for (Token& T : C.Tokens) {
      if (auto* O = std::get_if<Op>(&T)) E->AddOperator(O->Text);
      else if (auto* V = std::get_if<Variant>(&T)) E->AddConst(*V);
      else E->AddDesignator(std::get<TscDesignator*>(T));
    }
    std::string Pos;
    E->Finalize(Pos);
    EXPECT_EQ(Shape(E->Root()), C.Shape);
  }
  std::unique_ptr<TscExpression> E(Ex(S, {Variant(8), Op{"-"}, Variant(4), Op{"-"}, Variant(2)}));
  EXPECT_EQ(E->GetValue().ToInteger(), 2);
}

TEST_F(Expressions, TypingTable) {
  TscVariable* I = DeclareVar(S, "i", "Integer");
  TscVariable* F = DeclareVar(S, "f", "Extended");
  TscVariable* Str = DeclareVar(S, "s", "String");
  TscVariable* B = DeclareVar(S, "b", "Boolean");
  TscVariable* V = DeclareVar(S, "v", "Variant");
  struct Case { std::vector<Token> Tokens; TscVarType Type; bool Ok; } Cases[] = {
      {{Path(S, I), Op{"+"}, Path(S, F)}, fvtFloat, true},
      {{Path(S, I), Op{"/"}, Path(S, I)}, fvtFloat, true},
      {{Path(S, I), Op{"div"}, Path(S, I)}, fvtInt, true},
      {{Path(S, Str), Op{"+"}, Variant(1)}, fvtString, false},
      {{Path(S, Str), Op{"="}, Variant("x")}, fvtBool, true},
      {{Path(S, Str), Op{"*"}, Variant("x")}, fvtString, false},
      {{Path(S, B), Op{"and"}, Path(S, B)}, fvtBool, true},
      {{Path(S, B), Op{"+"}, Path(S, B)}, fvtBool, false},
      {{Path(S, B), Op{"<"}, Path(S, B)}, fvtBool, false},
      {{Path(S, I), Op{"and"}, Path(S, B)}, fvtInt, false},
      {{Path(S, V), Op{"+"}, Variant(1)}, fvtVariant, true},
      {{Path(S, I), Op{"+"}, Path(S, V)}, fvtInt, true},
      {{Path(S, I), Op{"in"}, Set(S, {{1}, {3, 5}})}, fvtBool, true},
  };
  for (Case& C : Cases) {
    auto* E = new TscExpression(&S);
    int Col = 1;
    for (Token& T : C.Tokens) {
      E->CurrentSourcePos = "1:" + std::to_string(Col++);
      if (auto* O = std::get_if<Op>(&T)) E->AddOperator(O->Text);
      else if (auto* Val = std::get_if<Variant>(&T)) E->AddConst(*Val);
      else if (auto* D = std::get_if<TscDesignator*>(&T)) E->AddDesignator(*D);
      else E->AddSet(std::get<TscSetExpression*>(T));
    }
    std::string Pos;
    E->Finalize(Pos);
    EXPECT_EQ(Pos.empty(), C.Ok) << Shape(E->Root());
    if (!C.Ok) {
      EXPECT_EQ(Pos, "1:2") << "the operator's position";
    }
    EXPECT_EQ(E->Typ, C.Type) << Shape(E->Root());
    delete E;
  }
}

TEST_F(Expressions, VariableCompatibility) {
  TscVariable* I = DeclareVar(S, "i", "Integer");
  TscVariable* F = DeclareVar(S, "f", "Extended");
  TscVariable* Str = DeclareVar(S, "s", "String");
  TscVariable* V = DeclareVar(S, "v", "Variant");
  EXPECT_FALSE(IsVarCompatible(I, F, &S));  // an Integer takes no Float
  EXPECT_TRUE(IsVarCompatible(F, I, &S));
  EXPECT_TRUE(IsVarCompatible(I, V, &S));
  EXPECT_FALSE(IsVarCompatible(Str, I, &S));
  EXPECT_TRUE(IsVarCompatible(V, Str, &S));
  EXPECT_EQ(TypeNameToVarType("integer", &S), fvtInt);
  EXPECT_EQ(TypeNameToVarType("TWhatever", &S), fvtClass);
}

TEST_F(Expressions, SetMembershipWithRanges) {
  TscVariable* X = DeclareVar(S, "x", "Integer");
  std::unique_ptr<TscExpression> E(Ex(S, {Path(S, X), Op{"in"}, Set(S, {{1}, {3, 5}})}));
  std::string Hits;
  for (int V = 0; V <= 6; ++V) {
    X->SetValue(V);
    if (E->GetValue().ToBoolean()) Hits += std::to_string(V);
  }
  EXPECT_EQ(Hits, "1345");
  // "in" over an array value: [1, Null, 3] reads as the range 1..3.
  TscVariable* A = DeclareVar(S, "arr", "Variant");
  A->SetValue(rt::VarArrayOf({10, 1, Variant::Null(), 3}));
  std::unique_ptr<TscExpression> E2(Ex(S, {Path(S, X), Op{"in"}, Path(S, A)}));
  Hits.clear();
  for (int V = 0; V <= 11; ++V) {
    X->SetValue(V);
    if (E2->GetValue().ToBoolean()) Hits += std::to_string(V) + ",";
  }
  EXPECT_EQ(Hits, "1,2,3,10,");
}

TEST_F(Expressions, BooleanAndOrShortCircuitOnlyForBooleanOperands) {
  int Calls = 0;
  Native(S, "function Probe: Boolean", [&](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper*) {
    ++Calls;
    return Variant(true);
  });
  TscVariable* B1 = DeclareVar(S, "b1", "Boolean");
  struct Case { bool Left; const char* Op; bool Result; int Calls; } Cases[] = {
      {false, "and", false, 0}, {true, "and", true, 1}, {true, "or", true, 0}, {false, "or", true, 1}};
  for (const Case& C : Cases) {
    Calls = 0;
    B1->SetValue(C.Left);
    std::unique_ptr<TscExpression> E(Ex(S, {Path(S, B1), Op{C.Op}, Path(S, S.Find("Probe"))}));
    EXPECT_EQ(E->GetValue().ToBoolean(), C.Result);
    EXPECT_EQ(Calls, C.Calls) << C.Left << " " << C.Op;
  }
  // Integers: both sides are evaluated and combined bitwise.
  std::unique_ptr<TscExpression> E(Ex(S, {Variant(6), Op{"and"}, Variant(3)}));
  EXPECT_EQ(E->GetValue().ToInteger(), 2);
}

TEST_F(Expressions, StrCatJoinsTextsOtherwiseAdds) {
  std::unique_ptr<TscExpression> A(Ex(S, {Variant("n="), Op{"strcat"}, Variant(5)}));
  EXPECT_EQ(A->GetValue().ToString(), "n=5");
  std::unique_ptr<TscExpression> B(Ex(S, {Variant(2), Op{"strcat"}, Variant(5)}));
  EXPECT_EQ(B->GetValue().ToInteger(), 7);
}

TEST_F(Expressions, AssignmentFoldingIntoCompoundStatements) {
  TscVariable* X = DeclareVar(S, "x", "Integer");
  TscVariable* Str = DeclareVar(S, "s", "String");
  TscVariable* Y = DeclareVar(S, "y", "Integer");
  struct Case { TscVariable* Target; std::vector<Token> Tokens; std::string Mod; std::string Rest; } Cases[] = {
      {X, {Path(S, X), Op{"+"}, Variant(1)}, "+", "1"},
      {X, {Variant(5), Op{"+"}, Path(S, X)}, "+", "5"},
      {X, {Path(S, X), Op{"-"}, Variant(2)}, "-", "2"},
      {X, {Variant(2), Op{"-"}, Path(S, X)}, " ", "(- 2 x)"},  // subtraction does not commute
      {X, {Path(S, Y), Op{"*"}, Path(S, X)}, "*", "y"},
      {Str, {Variant("a"), Op{"+"}, Path(S, Str)}, " ", "(+ a s)"},  // text: order matters
      {Str, {Path(S, Str), Op{"+"}, Variant("a")}, "+", "a"},
      {X, {Path(S, Y), Op{"+"}, Variant(1)}, " ", "(+ y 1)"},
  };
  for (Case& C : Cases) {
    auto* E = new TscExpression(&S);
    for (Token& T : C.Tokens) {
      if (auto* O = std::get_if<Op>(&T)) E->AddOperator(O->Text);
      else if (auto* V = std::get_if<Variant>(&T)) E->AddConst(*V);
      else E->AddDesignator(std::get<TscDesignator*>(T));
    }
    std::string Pos, Mod;
    E->Finalize(Pos);
    std::unique_ptr<TscDesignator> D(Path(S, C.Target));
    E->Optimize(D.get(), Mod);
    EXPECT_EQ(Mod, C.Mod);
    EXPECT_EQ(Shape(E->Root()), C.Rest);
    delete E;
  }
}

TEST_F(Expressions, IsTestsTheClassOfAnObject) {
  static const rt::TClassInfo BaseInfo("TBaseThing", rt::TObject::ClassInfo());
  static const rt::TClassInfo DerivedInfo("TDerivedThing", &BaseInfo);
  struct BaseObj : rt::TObject {
    rt::TClass ClassType() const override { return &BaseInfo; }
  } BaseO;
  struct DerivedObj : rt::TObject {
    rt::TClass ClassType() const override { return &DerivedInfo; }
  } DerivedO;
  TscClassVariable* BaseC = S.AddClass(&BaseInfo, "TObject");
  S.AddClass(&DerivedInfo, "TBaseThing");
  TscVariable* O = DeclareVar(S, "o", "Variant");
  std::unique_ptr<TscExpression> E(Ex(S, {Path(S, O), Op{"is"}, Path(S, BaseC)}));
  O->SetValue(rt::VarFromObject(&DerivedO));
  EXPECT_TRUE(E->GetValue().ToBoolean());
  O->SetValue(rt::VarFromObject(&BaseO));
  EXPECT_TRUE(E->GetValue().ToBoolean());
  std::unique_ptr<TscExpression> E2(Ex(S, {Path(S, O), Op{"is"}, Path(S, S.FindClass("TDerivedThing"))}));
  EXPECT_FALSE(E2->GetValue().ToBoolean());
  O->SetValue(Variant(0));
  EXPECT_FALSE(E->GetValue().ToBoolean());
  EXPECT_TRUE(IsClassCompatible("TBaseThing", "TDerivedThing", &S));
  EXPECT_FALSE(IsClassCompatible("TDerivedThing", "TBaseThing", &S));
}
