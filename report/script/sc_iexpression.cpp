#include "report/script/sc_iexpression.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <typeinfo>
#include <vector>

#include "platform/rt/Unicode.h"
#include "report/script/sc_istack.h"

using rt::Variant;

// =============================================================================================
// Nodes

TscExpressionNode::~TscExpressionNode() {
  // Iterative, so that a long chain of operators cannot exhaust the stack.
  std::vector<TscExpressionNode*> Pending;
  if (FLeft) Pending.push_back(FLeft);
  if (FRight) Pending.push_back(FRight);
  FLeft = FRight = nullptr;
  while (!Pending.empty()) {
    TscExpressionNode* N = Pending.back();
    Pending.pop_back();
    if (N->FLeft) Pending.push_back(N->FLeft);
    if (N->FRight) Pending.push_back(N->FRight);
    N->FLeft = N->FRight = nullptr;
    delete N;
  }
}

void TscExpressionNode::AddNode(TscExpressionNode* Node) {
  if (!FLeft) FLeft = Node;
  else FRight = Node;
  Node->FParent = this;
}

void TscExpressionNode::RemoveNode(TscExpressionNode* Node) {
  if (FLeft == Node) FLeft = nullptr;
  else if (FRight == Node) FRight = nullptr;
  Node->FParent = nullptr;
}

namespace {
TscVarType ConstType(const Variant& V) {
  switch (V.VarType()) {
    case rt::varBoolean: return fvtBool;
    case rt::varSingle: case rt::varDouble: case rt::varCurrency: return fvtFloat;
    case rt::varInt64: return fvtInt64;
    case rt::varOleStr: case rt::varString: case rt::varUString: return fvtString;
    default: return fvtInt;
  }
}
} // namespace

TscOperandNode::TscOperandNode(const Variant& Value) : TscExpressionNode(ConstType(Value)) { FValue = Value; }

TscDesignatorNode::TscDesignatorNode(TscDesignator* ADesignator)
    : TscOperandNode(Variant::Null()), FDesignator(ADesignator) {
  FVar = dynamic_cast<TscVariableDesignator*>(ADesignator) ? ADesignator->RefItem : ADesignator;
  Typ = ADesignator->Typ;
  TypeName = ADesignator->TypeName;
}

TscDesignatorNode::TscDesignatorNode(TscVariable* AVariable)
    : TscOperandNode(Variant::Null()), FDesignator(nullptr), FVar(AVariable) {
  Typ = AVariable->Typ;
  TypeName = AVariable->TypeName;
}

TscDesignatorNode::~TscDesignatorNode() { delete FDesignator; }

Variant TscDesignatorNode::GetValue() { return FVar->GetValue(); }

TscSetNode::TscSetNode(TscSetExpression* ASetExpression) : TscOperandNode(Variant::Null()), FSetExpression(ASetExpression) {
  Typ = fvtVariant;
}

TscSetNode::~TscSetNode() { delete FSetExpression; }

Variant TscSetNode::GetValue() { return FSetExpression->GetValue(); }

TscOperatorNode::TscOperatorNode(TscOperatorType Op) : FOp(Op) {}

int TscOperatorNode::Priority() const {
  switch (FOp) {
    case opNone: return 7;
    case opLeftBracket: return 6;
    case opRightBracket: return 5;
    case opGreat: case opLess: case opLessEq: case opGreatEq: case opNonEq: case opEq: case opIn: case opIs:
      return 4;
    case opPlus: case opMinus: case opOr: case opXor: return 3;
    case opMul: case opDivFloat: case opDivInt: case opMod: case opAnd: case opShl: case opShr: return 2;
    case opNot: case opUnMinus: return 1;
  }
  return 7;
}

namespace {

bool InArray(const Variant& V, const Variant& A) {
  if (!A.IsArray()) return rt::VarCompare(V, A) == rt::crEqual;
  const int High = A.ArrayHighBound(1);
  for (int I = A.ArrayLowBound(1); I <= High; ++I) {
    if (rt::VarCompare(V, A.ArrayGet({I})) == rt::crEqual) return true;
    if (I < High - 1 && A.ArrayGet({I + 1}).IsNull()) {
      if (rt::VarCompare(A.ArrayGet({I}), V) != rt::crGreaterThan &&
          rt::VarCompare(V, A.ArrayGet({I + 2})) != rt::crGreaterThan)
        return true;
      I += 2;
    }
  }
  return false;
}

// An Integer when the value fits 32 bits, else an Int64 (two 32-bit operands never overflow 64).
Variant IntValue(std::int64_t V) {
  return V >= INT32_MIN && V <= INT32_MAX ? Variant(static_cast<int>(V)) : Variant(static_cast<long long>(V));
}

// How an operand's value is read: kReadUnknown until settled; kReadCall through GetValue; the
// others in place, without a call or a copy. Only items whose GetValue returns their stored
// value qualify: constants, parameters, and variables while no hook supplies the value.
// kReadRoutine: a lone script routine call, made straight. The kinds from kReadConst on are read
// in place.
enum : unsigned char { kReadUnknown, kReadCall, kReadRoutine, kReadConst, kReadParam, kReadVariable };

unsigned char SettleRead(TscExpressionNode* N) {
  if (!N) return kReadCall;
  if (typeid(*N) == typeid(TscOperandNode)) return kReadConst;
  if (typeid(*N) != typeid(TscDesignatorNode)) return kReadCall;
  auto* D = static_cast<TscDesignatorNode*>(N);
  TscCustomVariable* V = D->FVar;
  if (V == D->FDesignator) return D->FDesignator->LoneCall() ? kReadRoutine : kReadCall;
  if (typeid(*V) == typeid(TscParamItem)) return kReadParam;
  if (typeid(*V) == typeid(TscVariable)) return kReadVariable;
  return kReadCall;
}

// The operand's stored value, or nullptr when it must be read through GetValue.
const Variant* ReadInPlace(TscExpressionNode* N, unsigned char How) {
  switch (How) {
    case kReadConst: return &N->PValue();
    case kReadParam: return &static_cast<TscDesignatorNode*>(N)->FVar->PValue();
    case kReadVariable: {
      TscCustomVariable* V = static_cast<TscDesignatorNode*>(N)->FVar;
      return V->HasVarValueHook() ? nullptr : &V->PValue();
    }
    default: return nullptr;
  }
}

// The operand's value.
Variant ReadOperand(TscExpressionNode* N, unsigned char How) {
  if (How == kReadRoutine) {
    TscDesignator* D = static_cast<TscDesignatorNode*>(N)->FDesignator;
    if (TscProcVariable* Proc = D->LoneCall()) return D->CallLone(Proc);
  }
  return N->GetValue();
}

// Evaluates an operator node.
class OperatorEval : public TscOperatorNode {
public:
  using TscOperatorNode::TscOperatorNode;
  Variant GetValue() override {
    scCheckStack();
    if (FLeftRead == kReadUnknown) {
      FLeftRead = SettleRead(FLeft);
      FRightRead = SettleRead(FRight);
    }
    if (HasIntRule()) {
      // Operands read in place cost no call; two Integers need none of the Variant rules.
      if (FLeftRead >= kReadConst && FRightRead >= kReadConst) {
        const Variant* PL = ReadInPlace(FLeft, FLeftRead);
        const Variant* PR = PL ? ReadInPlace(FRight, FRightRead) : nullptr;
        if (PL && PR && PL->IsInteger() && PR->IsInteger()) return IntRule(PL->ToInteger(), PR->ToInteger());
      }
      Variant L = ReadOperand(FLeft, FLeftRead);
      Variant R = ReadOperand(FRight, FRightRead);
      if (L.IsInteger() && R.IsInteger()) return IntRule(L.ToInteger(), R.ToInteger());
      return Binary(L, R);
    }
    switch (FOp) {
      case opNone: return FLeft ? FLeft->GetValue() : Variant::Null();
      case opNot: return rt::VarNot(FLeft->GetValue());
      case opUnMinus: return rt::VarNeg(FLeft->GetValue());
      case opOr:
      case opAnd:
        if (FOptimizeBool) {
          Variant L = FLeft->GetValue();
          const bool LT = L.ToBoolean();
          if (FOp == opOr) return LT ? L : FRight->GetValue();
          return LT ? FRight->GetValue() : L;
        }
        return rt::VarBinaryOp(FLeft->GetValue(), FRight->GetValue(), FOp == opOr ? rt::opOr : rt::opAnd);
      case opIn: {
        Variant V = FLeft->GetValue();
        if (auto* S = dynamic_cast<TscSetNode*>(FRight)) return Variant(S->FSetExpression->Check(V));
        return Variant(InArray(V, FRight->GetValue()));
      }
      case opIs: {
        rt::TObject* O = rt::VarToObject(FLeft->GetValue());
        auto* D = dynamic_cast<TscDesignatorNode*>(FRight);
        if (!O || !D || !D->FDesignator || D->FDesignator->Count() == 0) return Variant(false);
        auto* C = dynamic_cast<TscClassVariable*>(D->FDesignator->GetItem(0)->Ref);
        return Variant(C && O->ClassType()->InheritsFrom(C->ClassRef()));
      }
      default: break;
    }
    Variant L = FLeft->GetValue();
    Variant R = FRight->GetValue();
    return Binary(L, R);
  }

private:
  // The operators with a shortcut for two Integers.
  bool HasIntRule() const {
    switch (FOp) {
      case opGreat: case opLess: case opLessEq: case opGreatEq: case opNonEq: case opEq:
      case opPlus: case opMinus: case opMul:
        return true;
      default:
        return false;
    }
  }
  Variant IntRule(std::int64_t A, std::int64_t B) const {
    switch (FOp) {
      case opGreat: return Variant(A > B);
      case opLess: return Variant(A < B);
      case opLessEq: return Variant(A <= B);
      case opGreatEq: return Variant(A >= B);
      case opNonEq: return Variant(A != B);
      case opEq: return Variant(A == B);
      case opPlus: return IntValue(A + B);
      case opMinus: return IntValue(A - B);
      default: return IntValue(A * B);
    }
  }
  // The binary operators by the Variant rules.
  Variant Binary(const Variant& L, const Variant& R) const {
    switch (FOp) {
      case opGreat: return Variant(rt::VarCompare(L, R) == rt::crGreaterThan);
      case opLess: return Variant(rt::VarCompare(L, R) == rt::crLessThan);
      case opLessEq: return Variant(rt::VarCompare(L, R) != rt::crGreaterThan);
      case opGreatEq: return Variant(rt::VarCompare(L, R) != rt::crLessThan);
      case opNonEq: return Variant(rt::VarCompare(L, R) != rt::crEqual);
      case opEq: return Variant(rt::VarCompare(L, R) == rt::crEqual);
      case opPlus:
        if (FStrCat && L.IsString()) {
          std::u16string Right = rt::VarToUStr(R);
          rt::CheckStringLength(L.RawString().size() + Right.size());
          return Variant(L.RawString() + Right);
        }
        return rt::VarBinaryOp(L, R, rt::opAdd);
      case opMinus: return rt::VarBinaryOp(L, R, rt::opSubtract);
      case opXor: return rt::VarBinaryOp(L, R, rt::opXor);
      case opMul: return rt::VarBinaryOp(L, R, rt::opMultiply);
      case opDivFloat: return rt::VarBinaryOp(L, R, rt::opDivide);
      case opDivInt: return rt::VarBinaryOp(L, R, rt::opIntDivide);
      case opMod: return rt::VarBinaryOp(L, R, rt::opModulus);
      case opShl: return rt::VarBinaryOp(L, R, rt::opShiftLeft);
      case opShr: return rt::VarBinaryOp(L, R, rt::opShiftRight);
      default: return Variant::Null();
    }
  }
};

} // namespace

void TscCondition::Settle(TscCustomVariable* Cond) {
  FCond = Cond;
  FLeft = FRight = nullptr;
  FSerial = TscCustomVariable::HookSerial.load(std::memory_order_relaxed);
  if (!Cond || typeid(*Cond) != typeid(OperatorEval)) return;
  auto* Op = static_cast<OperatorEval*>(Cond);
  switch (Op->FOp) {
    case opGreat: FCompare = kGreat; break;
    case opLess: FCompare = kLess; break;
    case opLessEq: FCompare = kLessEq; break;
    case opGreatEq: FCompare = kGreatEq; break;
    case opNonEq: FCompare = kNonEq; break;
    case opEq: FCompare = kEq; break;
    default: return;
  }
  const unsigned char LRead = SettleRead(Op->FLeft), RRead = SettleRead(Op->FRight);
  if (LRead < kReadConst || RRead < kReadConst) return;
  const Variant* L = ReadInPlace(Op->FLeft, LRead);
  const Variant* R = ReadInPlace(Op->FRight, RRead);
  if (!L || !R) return;
  FLeft = L;
  FRight = R;
}

bool TscCondition::ReadTree() { return FCond->GetValue().ToBoolean(); }

namespace {

TscOperatorNode* NewOperator(const std::string& Text) {
  const std::string U = rt::Utf8UpperCase(Text);
  struct Entry { const char* Text; TscOperatorType Op; };
  static const Entry Table[] = {
      {" ", opNone}, {"(", opLeftBracket}, {")", opRightBracket}, {">", opGreat}, {"<", opLess},
      {"<=", opLessEq}, {">=", opGreatEq}, {"<>", opNonEq}, {"=", opEq}, {"IN", opIn}, {"IS", opIs},
      {"+", opPlus}, {"STRCAT", opPlus}, {"-", opMinus}, {"OR", opOr}, {"XOR", opXor}, {"*", opMul},
      {"/", opDivFloat}, {"DIV", opDivInt}, {"MOD", opMod}, {"AND", opAnd}, {"SHL", opShl}, {"SHR", opShr},
      {"NOT", opNot}, {"UNMINUS", opUnMinus}};
  for (const Entry& E : Table)
    if (U == E.Text) {
      auto* N = new OperatorEval(E.Op);
      N->FStrCat = U == "STRCAT";
      return N;
    }
  throw rt::Exception("Unknown operator '" + Text + "'");
}

bool IsComparison(TscOperatorType Op) {
  return Op == opGreat || Op == opLess || Op == opLessEq || Op == opGreatEq || Op == opNonEq || Op == opEq;
}

bool IsIntType(TscVarType T) { return T == fvtInt || T == fvtInt64; }

// Settles the type of Node and its subtree; the first ill-typed operator's position goes to ErrorPos.
TscTypeRec NodeType(TscExpressionNode* Node, TscScript* Script, std::string& ErrorPos) {
  scCheckStack("Expression too complex");
  TscTypeRec R;
  if (!Node) return R;
  auto* Op = dynamic_cast<TscOperatorNode*>(Node);
  if (!Op) {
    R.Typ = Node->Typ;
    R.TypeName = Node->TypeName;
    return R;
  }
  TscTypeRec L = NodeType(Op->FLeft, Script, ErrorPos);
  TscTypeRec Rt = NodeType(Op->FRight, Script, ErrorPos);
  if (L.Typ == fvtBool && Rt.Typ == fvtBool) Op->FOptimizeBool = true;
  const TscOperatorType O = Op->FOp;
  bool Bad;
  if (O == opIs && L.Typ == fvtClass && Rt.Typ == fvtClass) {
    Bad = false;
  } else {
    Bad = !IsTypeCompatible(L, Rt, Script);
    if (!Bad) {
      switch (L.Typ) {
        case fvtBool:
          Bad = !(O == opNonEq || O == opEq || O == opOr || O == opXor || O == opAnd || O == opNot);
          break;
        case fvtChar: case fvtString: Bad = !(IsComparison(O) || O == opPlus || O == opIn); break;
        case fvtClass: case fvtArray: Bad = !(O == opNonEq || O == opEq); break;
        default: break;
      }
    }
  }
  if (Bad && ErrorPos.empty()) ErrorPos = Op->Pos;
  TscTypeRec Res = L;
  if ((L.Typ == fvtInt && Rt.Typ == fvtFloat) || (L.Typ == fvtFloat && Rt.Typ == fvtInt) ||
      (L.Typ == fvtFloat && Rt.Typ == fvtInt64) || (L.Typ == fvtInt64 && Rt.Typ == fvtFloat) ||
      (O == opDivFloat && IsIntType(L.Typ) && IsIntType(Rt.Typ)))
    Res.Typ = fvtFloat;
  if (IsComparison(O) || O == opIn || O == opIs) {
    Res.Typ = fvtBool;
    Res.TypeName.clear();
  }
  Op->Typ = Res.Typ;
  Op->TypeName = Res.TypeName;
  return Res;
}

} // namespace

// =============================================================================================
// TscExpression

TscExpression::TscExpression(TscScript* Script)
    : TscCustomExpression("", fvtVariant, ""), FNode(new OperatorEval(opNone)), FScript(Script) {
  FCurNode = FNode;
}

TscExpression::~TscExpression() { delete FNode; }

Variant TscExpression::GetValue() { return FNode->GetValue(); }

void TscExpression::SetValue(const Variant& Value) {
  if (IsReadOnly) return;
  if (auto* D = dynamic_cast<TscDesignatorNode*>(FNode)) {
    if (D->FDesignator) D->FDesignator->SetValue(Value);
    else D->FVar->SetValue(Value);
  }
}

void TscExpression::AddNode(TscExpressionNode* Node) {
  auto* Op = dynamic_cast<TscOperatorNode*>(Node);
  if (Op) Op->Pos = CurrentSourcePos;
  TscExpressionNode* C = FCurNode;
  if (!Op || Op->FOp == opLeftBracket || Op->FOp == opUnMinus || Op->FOp == opNot) {
    C->AddNode(Node);
    FCurNode = Node;
    return;
  }
  if (Op->FOp == opRightBracket) {
    TscExpressionNode* X = C;
    while (X && X->Priority() <= 5) X = X->FParent;
    auto* Bracket = dynamic_cast<TscOperatorNode*>(X);
    delete Node;
    if (!Bracket || Bracket->FOp != opLeftBracket) throw rt::Exception("')' without '('");
    TscExpressionNode* Parent = Bracket->FParent;
    TscExpressionNode* Inner = Bracket->FLeft;
    if (Inner) Bracket->RemoveNode(Inner);
    if (Parent->FLeft == Bracket) Parent->FLeft = Inner;
    else Parent->FRight = Inner;
    if (Inner) Inner->FParent = Parent;
    Bracket->FParent = nullptr;
    delete Bracket;
    FCurNode = Inner ? Inner : Parent;
    return;
  }
  if (C == FNode) {
    FNode->AddNode(Node);
    FCurNode = Node;
    return;
  }
  TscExpressionNode* X;
  TscExpressionNode* Y;
  auto* CO = dynamic_cast<TscOperatorNode*>(C);
  if (CO && CO->FOp == opLeftBracket) {
    X = C;
    Y = nullptr;
  } else {
    Y = C;
    X = C->FParent;
  }
  while (X->Priority() <= Node->Priority()) {
    Y = X;
    X = X->FParent;
  }
  if (Y) X->RemoveNode(Y);
  X->AddNode(Node);
  if (Y) Node->AddNode(Y);
  FCurNode = Node;
}

TscExpressionNode* TscExpression::AddConst(const Variant& Value) {
  auto* N = new TscOperandNode(Value);
  AddNode(N);
  return N;
}

TscExpressionNode* TscExpression::AddConstWithType(const Variant& Value, TscVarType Typ) {
  TscExpressionNode* N = AddConst(Value);
  N->Typ = Typ == fvtClass ? fvtVariant : Typ;
  return N;
}

TscExpressionNode* TscExpression::AddDesignator(TscDesignator* Designator) {
  auto* N = new TscDesignatorNode(Designator);
  AddNode(N);
  return N;
}

TscExpressionNode* TscExpression::AddVariable(TscVariable* Variable) {
  auto* N = new TscDesignatorNode(Variable);
  AddNode(N);
  return N;
}

TscExpressionNode* TscExpression::AddSet(TscSetExpression* SetExpression) {
  auto* N = new TscSetNode(SetExpression);
  AddNode(N);
  return N;
}

TscExpressionNode* TscExpression::AddOperator(const std::string& Text) {
  TscOperatorNode* N = NewOperator(Text);
  const bool Closing = N->FOp == opRightBracket;
  AddNode(N);
  return Closing ? nullptr : N;
}

namespace {
// Depth of the tree, counted without recursion.
int TreeDepth(TscExpressionNode* Root) {
  int Max = 0;
  std::vector<std::pair<TscExpressionNode*, int>> Pending;
  if (Root) Pending.emplace_back(Root, 1);
  while (!Pending.empty()) {
    auto [N, D] = Pending.back();
    Pending.pop_back();
    Max = std::max(Max, D);
    if (N->FLeft) Pending.emplace_back(N->FLeft, D + 1);
    if (N->FRight) Pending.emplace_back(N->FRight, D + 1);
  }
  return Max;
}
} // namespace

namespace {
// The first operator that lacks an operand (an operator at the end of an expression, two
// operators in a row) or an unclosed bracket; nullptr when every operator is complete.
TscOperatorNode* IncompleteOperator(TscExpressionNode* Root) {
  std::vector<TscExpressionNode*> Pending;
  if (Root) Pending.push_back(Root);
  while (!Pending.empty()) {
    TscExpressionNode* N = Pending.back();
    Pending.pop_back();
    if (auto* Op = dynamic_cast<TscOperatorNode*>(N)) {
      switch (Op->FOp) {
        case opNone: if (N != Root) return Op; break;
        case opLeftBracket: case opRightBracket: return Op;
        case opNot: case opUnMinus: if (!Op->FLeft || Op->FRight) return Op; break;
        default: if (!Op->FLeft || !Op->FRight) return Op; break;
      }
    }
    if (N->FLeft) Pending.push_back(N->FLeft);
    if (N->FRight) Pending.push_back(N->FRight);
  }
  return nullptr;
}
} // namespace

void TscExpression::Finalize(std::string& ErrorPos) {
  ErrorPos.clear();
  // Typing and evaluating walk the tree recursively; a deeper tree than any real expression is
  // refused here rather than overflowing the stack later.
  if (TreeDepth(FNode) > kMaxExpressionDepth)
    throw rt::Exception("Expression too complex (more than " + rt::IntToStr(kMaxExpressionDepth) + " levels)");
  // Evaluation reads both operands of every operator: an incomplete tree never runs.
  if (TscOperatorNode* Op = IncompleteOperator(FNode)) {
    ErrorPos = Op->Pos;
    throw rt::Exception(Op->FOp == opLeftBracket ? "')' expected" : "Operand expected");
  }
  if (auto* Root = dynamic_cast<TscOperatorNode*>(FNode); Root && Root->FOp == opNone) {
    TscExpressionNode* Child = Root->FLeft;
    if (Child) {
      Root->RemoveNode(Child);
      delete Root;
      FNode = Child;
      FCurNode = Child;
    }
  }
  TscTypeRec T = NodeType(FNode, FScript, ErrorPos);
  Typ = T.Typ;
  TypeName = T.TypeName;
  auto* D = dynamic_cast<TscDesignatorNode*>(FNode);
  IsReadOnly = !(D && !(D->FDesignator ? D->FDesignator->IsReadOnly : D->FVar->IsReadOnly));
}

void TscExpression::Optimize(TscDesignator* Designator, std::string& Modificator) {
  Modificator = " ";
  auto* VD = dynamic_cast<TscVariableDesignator*>(Designator);
  auto* Root = dynamic_cast<TscOperatorNode*>(FNode);
  // Parameters keep what they are given whatever its kind: their assignments stay as written.
  if (!VD || !Root || !dynamic_cast<TscVariable*>(VD->RefItem)) return;
  const TscOperatorType Op = Root->FOp;
  if (Op != opPlus && Op != opMinus && Op != opMul && Op != opDivFloat) return;
  auto ReadsVar = [&](TscExpressionNode* N) {
    auto* DN = dynamic_cast<TscDesignatorNode*>(N);
    if (DN && !DN->FDesignator) return DN->FVar == VD->RefItem;
    auto* NV = DN ? dynamic_cast<TscVariableDesignator*>(DN->FDesignator) : nullptr;
    return NV && NV->RefItem == VD->RefItem;
  };
  auto Replace = [&](TscExpressionNode* Keep) {
    Root->RemoveNode(Keep);
    delete Root;
    FNode = Keep;
    FCurNode = Keep;
  };
  if (Root->FLeft && Root->FRight && ReadsVar(Root->FLeft)) {
    Modificator = Op == opPlus ? "+" : Op == opMinus ? "-" : Op == opMul ? "*" : "/";
    Replace(Root->FRight);
    return;
  }
  if (Root->FLeft && Root->FRight && ReadsVar(Root->FRight) && (Op == opPlus || Op == opMul) &&
      VD->RefItem->Typ != fvtString && VD->RefItem->Typ != fvtVariant) {
    Modificator = Op == opPlus ? "+" : "*";
    Replace(Root->FLeft);
  }
}

TscCustomVariable* TscExpression::SingleItem() {
  if (auto* D = dynamic_cast<TscDesignatorNode*>(FNode)) return D->FVar;
  if (dynamic_cast<TscOperandNode*>(FNode)) return FNode;
  return nullptr;
}

// =============================================================================================
// Type rules

TscVarType TypeNameToVarType(const std::string& Name, TscScript* Script) {
  TscCustomVariable* V = Script ? Script->Find(Name) : nullptr;
  return V ? V->Typ : fvtClass;
}

bool IsClassCompatible(const std::string& Target, const std::string& Source, TscScript* Script) {
  TscClassVariable* T = Script->FindClass(Target);
  TscClassVariable* S = Script->FindClass(Source);
  return T && S && S->ClassRef()->InheritsFrom(T->ClassRef());
}

bool IsTypeCompatible(const TscTypeRec& Target, const TscTypeRec& Source, TscScript* Script) {
  const TscVarType S = Source.Typ;
  switch (Target.Typ) {
    case fvtInt: case fvtInt64:
      return S == fvtInt || S == fvtFloat || S == fvtVariant || S == fvtEnum || S == fvtInt64;
    case fvtBool: return S == fvtBool || S == fvtVariant;
    case fvtFloat: return S == fvtInt || S == fvtFloat || S == fvtVariant;
    case fvtChar: case fvtString: return S == fvtChar || S == fvtString || S == fvtVariant;
    case fvtClass:
      return S == fvtVariant || (S == fvtClass && IsClassCompatible(Target.TypeName, Source.TypeName, Script));
    case fvtArray: return S == fvtArray || S == fvtVariant;
    case fvtVariant: return true;
    case fvtEnum:
      return S == fvtInt || S == fvtVariant || S == fvtInt64 ||
             (S == fvtEnum && rt::Utf8CompareText(Target.TypeName, Source.TypeName) == 0);
    case fvtConstructor: return false;
  }
  return false;
}

bool IsVarCompatible(TscCustomVariable* Target, TscCustomVariable* Source, TscScript* Script) {
  if (Target->Typ == fvtInt && Source->Typ == fvtFloat) return false;
  return IsTypeCompatible({Target->Typ, Target->TypeName}, {Source->Typ, Source->TypeName}, Script);
}
