#pragma once
// Builds script programs through the C++ API, as the parser would, for the run-time tests.
#include <initializer_list>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "report/script/sc_iexpression.h"
#include "report/script/sc_iinterpreter.h"

namespace scTest {

using rt::Variant;

// The base types, constants, member helpers and exception variables every script needs.
class BaseTypes : public TscRTTIModule {
public:
  explicit BaseTypes(TscScript* S) : TscRTTIModule(S) {
    for (const char* N : {"Byte", "Word", "Integer", "Longint", "Cardinal"}) S->AddType(N, fvtInt);
    S->AddType("Int64", fvtInt64);
    S->AddType("Boolean", fvtBool);
    for (const char* N : {"Real", "Single", "Double", "Extended", "TDateTime"}) S->AddType(N, fvtFloat);
    S->AddType("Char", fvtChar);
    S->AddType("String", fvtString);
    S->AddType("Variant", fvtVariant);
    S->AddType("Pointer", fvtVariant);
    S->AddType("Array", fvtArray);
    S->AddType("Constructor", fvtConstructor);
    S->AddConst("True", "Boolean", true);
    S->AddConst("False", "Boolean", false);
    S->AddConst("nil", "Variant", 0);
    S->AddConst("Null", "Variant", Variant::Null());
    S->Add("__StringHelper", new TscStringHelper);
    S->Add("__ArrayHelper", new TscArrayHelper("__ArrayHelper", -1, fvtVariant, ""));
    S->AddVariable("ExceptionClassName", "String", "");
    S->AddVariable("ExceptionMessage", "String", "");
  }
};

// Puts BaseTypes into the process-wide module list once.
inline void RegisterBaseTypes() {
  auto* L = ScriptModuleList();
  for (TscRTTIModuleClass C : *L)
    if (C == &scModuleClass<BaseTypes>) return;
  L->insert(L->begin(), &scModuleClass<BaseTypes>);
}

// A variable as a declaration makes it: Char and String kinds keep their text; the initial
// value is 0, False, '' or Null by kind.
inline TscVariable* DeclareVar(TscScript& P, const std::string& Name, const std::string& Type) {
  TscVarType T = TypeNameToVarType(Type, &P);
  TscVariable* V = (T == fvtChar || T == fvtString) ? new TscStringVariable(Name, T, Type)
                                                    : new TscVariable(Name, T, Type);
  switch (T) {
    case fvtBool: V->SetValue(false); break;
    case fvtChar: case fvtString: V->SetValue(""); break;
    case fvtArray: case fvtVariant: case fvtEnum: case fvtConstructor: V->PValue() = Variant::Null(); break;
    default: V->SetValue(0); break;
  }
  P.Add(Name, V);
  return V;
}

// An array variable with the given bounds per dimension.
inline TscVariable* DeclareArray(TscScript& P, const std::string& Name, std::vector<int> Bounds) {
  auto* H = new TscArrayHelper("", static_cast<int>(Bounds.size() / 2), fvtVariant, "Variant");
  P.Add("", H);
  auto* V = new TscVariable(Name, fvtArray, "Variant");
  V->PValue() = rt::VarArrayCreate(Bounds, rt::varVariant);
  V->RefItem = H;
  P.Add(Name, V);
  return V;
}

struct Expr;

// One step of a path: the item and its argument expressions.
struct Step {
  TscCustomVariable* Ref;
  std::vector<TscCustomExpression*> Args;
};

inline TscDesignator* Path(TscScript& P, std::initializer_list<Step> Steps) {
  auto* D = new TscDesignator(&P);
  for (const Step& S : Steps) {
    TscDesignatorItem* I = D->AddStep(S.Ref);
    for (TscCustomExpression* A : S.Args) I->Add(A);
  }
  return scFinalizeDesignator(D);
}

inline TscDesignator* Path(TscScript& P, TscCustomVariable* V) { return Path(P, {Step{V, {}}}); }

// Infix tokens of an expression: an operator text, a constant or a designator.
struct Op {
  std::string Text;
};
using Token = std::variant<Op, Variant, TscDesignator*, TscSetExpression*>;

inline TscExpression* Ex(TscScript& P, std::initializer_list<Token> Tokens, std::string* ErrorPos = nullptr) {
  auto* E = new TscExpression(&P);
  int Col = 1;
  for (const Token& T : Tokens) {
    E->CurrentSourcePos = "1:" + std::to_string(Col++);
    if (auto* O = std::get_if<Op>(&T)) E->AddOperator(O->Text);
    else if (auto* V = std::get_if<Variant>(&T)) E->AddConst(*V);
    else if (auto* D = std::get_if<TscDesignator*>(&T)) E->AddDesignator(*D);
    else E->AddSet(std::get<TscSetExpression*>(T));
  }
  std::string Pos;
  E->Finalize(Pos);
  if (ErrorPos) *ErrorPos = Pos;
  return E;
}

// The token lists are spelled out: clang 14 otherwise takes "{x}" for the single argument and
// calls these same overloads again (and "{designator}" for a variable).
inline TscExpression* Ex(TscScript& P, TscDesignator* D) { return Ex(P, std::initializer_list<Token>{Token(D)}); }
inline TscExpression* Ex(TscScript& P, TscCustomVariable* V) {
  return Ex(P, std::initializer_list<Token>{Token(Path(P, V))});
}
inline TscExpression* Ex(TscScript& P, const Variant& V) { return Ex(P, std::initializer_list<Token>{Token(V)}); }

// A set expression: each element a value, or a pair {low, high} made with Range.
inline TscSetExpression* Set(TscScript& P, std::initializer_list<std::vector<Variant>> Items) {
  auto* S = new TscSetExpression;
  for (const std::vector<Variant>& I : Items) {
    S->Add(Ex(P, I[0]));
    if (I.size() == 2) {
      S->Add(nullptr);
      S->Add(Ex(P, I[1]));
    }
  }
  return S;
}

// Statements appended to a list, each with position "line:1" by a running line counter.
struct Stmts {
  TscScript& P;
  TscStatement* L;
  int Line = 1;

  std::string Pos() { return std::to_string(Line++) + ":1"; }

  template <class T>
  T* Add(T* S) {
    L->Add(S);
    P.AddCodeLine(S->UnitName(), S->SourcePos());
    return S;
  }
  TscAssignmentStmt* Assign(TscDesignator* D, TscCustomExpression* E) {
    auto* S = new TscAssignmentStmt(&P, "", Pos());
    S->Designator = D;
    S->Expression = E;
    S->Optimize();
    return Add(S);
  }
  TscAssignmentStmt* Assign(TscCustomVariable* V, TscCustomExpression* E) { return Assign(Path(P, V), E); }
  TscCallStmt* Call(TscDesignator* D, const std::string& Modificator = {}) {
    auto* S = new TscCallStmt(&P, "", Pos());
    S->Designator = D;
    S->Modificator = Modificator;
    return Add(S);
  }
  TscIfStmt* If(TscCustomExpression* C) {
    auto* S = new TscIfStmt(&P, "", Pos());
    S->Condition = C;
    return Add(S);
  }
  TscWhileStmt* While(TscCustomExpression* C) {
    auto* S = new TscWhileStmt(&P, "", Pos());
    S->Condition = C;
    return Add(S);
  }
  TscRepeatStmt* Repeat(TscCustomExpression* C, bool Inverse = false) {
    auto* S = new TscRepeatStmt(&P, "", Pos());
    S->Condition = C;
    S->InverseCondition = Inverse;
    return Add(S);
  }
  TscForStmt* For(TscCustomVariable* V, TscCustomExpression* B, TscCustomExpression* E, bool Down = false) {
    auto* S = new TscForStmt(&P, "", Pos());
    S->Variable = V;
    S->BeginValue = B;
    S->EndValue = E;
    S->Down = Down;
    return Add(S);
  }
  TscVbForStmt* VbFor(TscCustomVariable* V, TscCustomExpression* B, TscCustomExpression* E,
                      TscCustomExpression* StepE = nullptr) {
    auto* S = new TscVbForStmt(&P, "", Pos());
    S->Variable = V;
    S->BeginValue = B;
    S->EndValue = E;
    S->Step = StepE;
    return Add(S);
  }
  TscCppForStmt* CppFor(TscCustomExpression* C) {
    auto* S = new TscCppForStmt(&P, "", Pos());
    S->Expression = C;
    return Add(S);
  }
  TscTryStmt* Try(bool IsExcept) {
    auto* S = new TscTryStmt(&P, "", Pos());
    S->IsExcept = IsExcept;
    return Add(S);
  }
  TscCaseStmt* Case(TscCustomExpression* C) {
    auto* S = new TscCaseStmt(&P, "", Pos());
    S->Condition = C;
    return Add(S);
  }
  TscCaseSelector* Selector(TscCaseStmt* C, TscSetExpression* Set) {
    auto* S = new TscCaseSelector(&P, "", Pos());
    S->SetExpression = Set;
    C->Add(S);
    return S;
  }
  void Break() { Add(new TscBreakStmt(&P, "", Pos())); }
  void Continue() { Add(new TscContinueStmt(&P, "", Pos())); }
  void Exit() { Add(new TscExitStmt(&P, "", Pos())); }

  // Statements of a nested list (loop body, branch ...), sharing the line counter.
  Stmts In(TscStatement* List) { return Stmts{P, List, Line}; }
};

inline Stmts Main(TscScript& P) { return Stmts{P, P.Statement()}; }

// A script function or procedure with parameters (name, type, var flag) in the local program.
struct ParamDecl {
  std::string Name;
  std::string Type;
  bool IsVar = false;
};

inline TscProcVariable* DeclareProc(TscScript& P, const std::string& Name, const std::string& ResultType,
                                    std::initializer_list<ParamDecl> Params) {
  const bool IsFunc = !ResultType.empty();
  TscVarType T = IsFunc ? TypeNameToVarType(ResultType, &P) : fvtInt;
  auto* Proc = new TscProcVariable(Name, T, IsFunc ? ResultType : "", &P, IsFunc);
  for (const ParamDecl& D : Params) {
    auto* Item = new TscParamItem(D.Name, TypeNameToVarType(D.Type, &P), D.Type, false, D.IsVar);
    Proc->Add(Item);
    Proc->Prog()->Add(D.Name, Item);
  }
  P.Add(Name, Proc);
  return Proc;
}

// A host function registered with the new-form handler.
template <class F>
TscMethodHelper* Native(TscScript& P, const std::string& Syntax, F Handler) {
  return P.AddMethod(Syntax, TscCallMethodNewEvent(
                                 [Handler](rt::TObject* Instance, rt::TClass Class, const std::string& Name,
                                           TscMethodHelper* Caller) { return Handler(Instance, Class, Name, Caller); }));
}

} // namespace scTest
