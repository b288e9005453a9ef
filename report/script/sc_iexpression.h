#pragma once
// Compiled expressions: a tree of operand and operator nodes built from the infix sequence of an
// intermediate-program expression by operator priorities, typed once, evaluated on demand; and
// the type rules shared with the checks of assignments and parameters.
#include <string>

#include "report/script/sc_iinterpreter.h"

enum TscOperatorType {
  opNone, opGreat, opLess, opLessEq, opGreatEq, opNonEq, opEq, opPlus, opMinus, opOr, opXor, opMul,
  opDivFloat, opDivInt, opMod, opAnd, opShl, opShr, opLeftBracket, opRightBracket, opNot, opUnMinus,
  opIn, opIs
};

struct TscTypeRec {
  TscVarType Typ = fvtVariant;
  std::string TypeName;
};

class TscExpressionNode : public TscCustomVariable {
public:
  TscExpressionNode(TscVarType ATyp = fvtVariant) : TscCustomVariable("", ATyp, "") {}
  ~TscExpressionNode() override;
  virtual int Priority() const = 0;
  // Attaches Node as the left child when that place is empty, else as the right child.
  void AddNode(TscExpressionNode* Node);
  void RemoveNode(TscExpressionNode* Node);
  TscExpressionNode* FLeft = nullptr;
  TscExpressionNode* FRight = nullptr;
  TscExpressionNode* FParent = nullptr;
};

class TscOperandNode : public TscExpressionNode {
public:
  explicit TscOperandNode(const rt::Variant& Value);
  int Priority() const override { return 0; }
};

class TscDesignatorNode : public TscOperandNode {
public:
  explicit TscDesignatorNode(TscDesignator* ADesignator);
  // Reads the variable straight, with no designator: most operands of a large program are plain
  // variables, and a designator with its step costs several times the node.
  explicit TscDesignatorNode(TscVariable* AVariable);
  ~TscDesignatorNode() override;
  rt::Variant GetValue() override;
  // nullptr when the node reads a plain variable (FVar) straight.
  TscDesignator* FDesignator;
  TscCustomVariable* FVar;
};

class TscSetNode : public TscOperandNode {
public:
  explicit TscSetNode(TscSetExpression* ASetExpression);
  ~TscSetNode() override;
  rt::Variant GetValue() override;
  TscSetExpression* FSetExpression;
};

class TscOperatorNode : public TscExpressionNode {
public:
  explicit TscOperatorNode(TscOperatorType Op);
  int Priority() const override;
  TscOperatorType FOp;
  bool FStrCat = false;  // "strcat": joins texts, else acts as "+"
  bool FOptimizeBool = false;
  // How each operand's value may be read in place, worked out on first use (sc_iexpression.cpp).
  unsigned char FLeftRead = 0, FRightRead = 0;
  // Where the operator stands: type errors and incomplete expressions point there.
  std::string Pos;
};

// Deepest operator tree Finalize accepts.
constexpr int kMaxExpressionDepth = 2000;

class TscExpression : public TscCustomExpression {
public:
  explicit TscExpression(TscScript* Script);
  ~TscExpression() override;
  rt::Variant GetValue() override;
  void SetValue(const rt::Variant& Value) override;

  // The position text every node added next takes.
  std::string CurrentSourcePos;

  TscExpressionNode* AddConst(const rt::Variant& Value);
  TscExpressionNode* AddConstWithType(const rt::Variant& Value, TscVarType Typ);
  TscExpressionNode* AddDesignator(TscDesignator* Designator);
  // An operand that reads Variable, as a designator of it alone would.
  TscExpressionNode* AddVariable(TscVariable* Variable);
  TscExpressionNode* AddSet(TscSetExpression* SetExpression);
  // Operator texts: ">", "<", "<=", ">=", "<>", "=", "in", "is", "+", "strcat", "-", "or", "xor",
  // "*", "/", "div", "mod", "and", "shl", "shr", "not", "unminus", "(", ")" (any case).
  // rt::Exception for any other text.
  TscExpressionNode* AddOperator(const std::string& Text);
  // Completes the tree and settles its types; ErrorPos is the position of the first ill-typed
  // operator, empty when the expression is well typed. rt::Exception for a tree deeper than
  // kMaxExpressionDepth.
  void Finalize(std::string& ErrorPos);
  // Folds «x := x op y» into a compound assignment; Modificator becomes "+", "-", "*", "/" or
  // stays " ".
  void Optimize(TscDesignator* Designator, std::string& Modificator);
  // The item a lone operand reads (the variable of a plain designator, else the node); nullptr
  // when the expression is not a single operand.
  TscCustomVariable* SingleItem();
  TscExpressionNode* Root() const { return FNode; }
  TscScript* Script() const { return FScript; }

private:
  void AddNode(TscExpressionNode* Node);
  TscExpressionNode* FNode;
  TscExpressionNode* FCurNode;
  TscScript* FScript;
};

// The kind of the item Script finds for Name; fvtClass when there is none.
TscVarType TypeNameToVarType(const std::string& Name, TscScript* Script);
bool IsClassCompatible(const std::string& Target, const std::string& Source, TscScript* Script);
bool IsTypeCompatible(const TscTypeRec& Target, const TscTypeRec& Source, TscScript* Script);
// As IsTypeCompatible of the two items' types, except that an Integer target refuses a Float.
bool IsVarCompatible(TscCustomVariable* Target, TscCustomVariable* Source, TscScript* Script);
