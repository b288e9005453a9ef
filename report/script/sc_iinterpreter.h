#pragma once
// The run-time side of the script engine: the script program (TscScript) with its items, the
// item family (variables, parameters, script routines, native methods and properties, classes),
// designators, set expressions and statements. The parser builds these objects; running a
// program only walks them.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/TypInfo.h"
#include "platform/rt/Variants.h"

// Kinds of value.
enum TscVarType {
  fvtInt = 0, fvtBool = 1, fvtFloat = 2, fvtChar = 3, fvtString = 4, fvtClass = 5, fvtArray = 6,
  fvtVariant = 7, fvtEnum = 8, fvtConstructor = 9, fvtInt64 = 10
};

// Who registered an item; compared by identity only.
using TscAddedBy = const void*;
// The marker of items made by the binding modules.
inline TscAddedBy const scAddedByRTTI = reinterpret_cast<TscAddedBy>(1);

class TscScript;
class TscStatement;
class TscCustomVariable;
class TscParamItem;
class TscPropertyHelper;
class TscMethodHelper;
class TscDesignatorItem;
class TscRTTIModule;
class TscProcVariable;
class TscCustomEvent;
class TscEventHelper;

// The class of an event bridge (sc_ievents): makes the bridge that serves an event of AObject
// with the script procedure AHandler.
using TscEventClass = TscCustomEvent* (*)(rt::TObject* AObject, TscProcVariable* AHandler);

using TscGetVariableValueEvent =
    std::function<rt::Variant(const std::string& VarName, TscVarType VarTyp, const rt::Variant& OldValue)>;
using TscRunLineEvent =
    std::function<void(TscScript* Sender, const std::string& UnitName, const std::string& SourcePos)>;
using TscGetUnitEvent =
    std::function<void(TscScript* Sender, const std::string& UnitName, std::string& UnitText)>;

// A program's line hook: the handler each statement reports its line to. The hooks set are
// counted process-wide, so that statements look for one only while some program has one.
class TscLineHook {
public:
  TscLineHook() = default;
  TscLineHook(const TscLineHook&) = delete;
  TscLineHook& operator=(const TscLineHook&) = delete;
  ~TscLineHook() {
    if (FHandler) Set.fetch_sub(1, std::memory_order_relaxed);
  }
  // Any handler, or nullptr to clear.
  template <class T>
  TscLineHook& operator=(T&& Handler) {
    const bool Had = static_cast<bool>(FHandler);
    FHandler = std::forward<T>(Handler);
    Count(Had);
    return *this;
  }
  // The handler, leaving the hook clear.
  TscRunLineEvent Take() {
    const bool Had = static_cast<bool>(FHandler);
    TscRunLineEvent H = std::move(FHandler);
    FHandler = nullptr;
    Count(Had);
    return H;
  }
  explicit operator bool() const { return static_cast<bool>(FHandler); }
  void operator()(TscScript* Sender, const std::string& UnitName, const std::string& SourcePos) const {
    FHandler(Sender, UnitName, SourcePos);
  }
  // Hooks set in the process.
  static bool AnySet() { return Set.load(std::memory_order_relaxed) != 0; }

private:
  void Count(bool Had) {
    const bool Has = static_cast<bool>(FHandler);
    if (Has != Had) Set.fetch_add(Has ? 1 : -1, std::memory_order_relaxed);
  }
  static inline std::atomic<int> Set{0};
  TscRunLineEvent FHandler;
};

// Host handlers. Member names arrive in upper case; ClassType is the class the member was
// registered under (nullptr for global functions).
using TscGetValueEvent =
    std::function<rt::Variant(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName)>;
using TscSetValueEvent = std::function<void(rt::TObject* Instance, rt::TClass ClassType,
                                            const std::string& PropName, const rt::Variant& Value)>;
using TscGetValueNewEvent = std::function<rt::Variant(rt::TObject* Instance, rt::TClass ClassType,
                                                  const std::string& PropName, TscPropertyHelper* Caller)>;
using TscSetValueNewEvent =
    std::function<void(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName,
                       const rt::Variant& Value, TscPropertyHelper* Caller)>;
// Classic form: the arguments arrive packed in a Variant array; var arguments are written back
// from it.
using TscCallMethodEvent = std::function<rt::Variant(rt::TObject* Instance, rt::TClass ClassType,
                                                 const std::string& MethodName, rt::Variant& Params)>;
// New form: the handler reads the arguments through Caller->GetVParam and writes var arguments
// with Caller->SetVParam.
using TscCallMethodNewEvent = std::function<rt::Variant(rt::TObject* Instance, rt::TClass ClassType,
                                                    const std::string& MethodName, TscMethodHelper* Caller)>;

// ---------------------------------------------------------------------------------------------
// Items

// A list that owns its objects (nullptr entries allowed).
class TscItemList : public rt::TObject {
public:
  TscItemList() = default;
  TscItemList(const TscItemList&) = delete;
  TscItemList& operator=(const TscItemList&) = delete;
  ~TscItemList() override;

  // Frees every object, first entry first, and empties the list.
  virtual void Clear();
  int Count() const { return static_cast<int>(FItems.size()); }
  void Add(rt::TObject* Item);
  // Takes Item out without freeing it.
  void Remove(rt::TObject* Item);
  rt::TObject* Get(int Index) const {
    if (static_cast<std::size_t>(Index) >= FItems.size()) IndexError(Index);
    return FItems[static_cast<std::size_t>(Index)];
  }

protected:
  [[noreturn]] static void IndexError(int Index);
  std::vector<rt::TObject*> FItems;
};

// Everything a script can name. Its list holds its parameters in declaration order.
class TscCustomVariable : public TscItemList {
public:
  TscCustomVariable(const std::string& AName, TscVarType ATyp, const std::string& ATypeName);

  virtual void SetValue(const rt::Variant& Value);
  virtual rt::Variant GetValue();
  // Direct access to the stored value.
  rt::Variant& PValue() { return FValue; }
  TscParamItem* Params(int Index) const;
  // "Integer", "Boolean", "Extended", "Char", "String", the type name (classes, enumerations),
  // "Array", "Int64", "Variant".
  std::string GetFullTypeName() const;
  int GetNumberOfRequiredParams() const;

  const std::string& Name() const { return FExtra ? FExtra->Name : NoText(); }
  // Upper case of the name; handlers receive it as the member name.
  const std::string& UppercaseName() const {
    return FExtra && !FExtra->UppercaseName.empty() ? FExtra->UppercaseName : Name();
  }
  // Where a declared name was declared; empty for the items a program makes while compiling.
  const std::string& SourcePos() const { return FExtra ? FExtra->SourcePos : NoText(); }
  const std::string& SourceUnit() const { return FExtra ? FExtra->SourceUnit : NoText(); }
  void SetSourcePos(const std::string& Value) { Extra().SourcePos = Value; }
  void SetSourceUnit(const std::string& Value) { Extra().SourceUnit = Value; }
  // The host's hook that may supply the value when it is read (variables only).
  bool HasVarValueHook() const { return FExtra && FExtra->OnGetVarValue; }
  const TscGetVariableValueEvent& OnGetVarValue() const { return FExtra ? FExtra->OnGetVarValue : NoHook(); }
  void SetOnGetVarValue(const TscGetVariableValueEvent& Value) {
    if (!Value && !FExtra) return;
    Extra().OnGetVarValue = Value;
    if (Value) HookSerial.fetch_add(1, std::memory_order_relaxed);
  }
  // Changes whenever a hook is given to any variable, so that callers may remember that a set
  // of variables has none.
  static inline std::atomic<unsigned> HookSerial{0};

  TscAddedBy AddedBy = nullptr;
  bool IsMacro = false;
  bool IsReadOnly = false;
  bool NeedResult = true;
  TscVarType Typ;
  TscCustomVariable* RefItem = nullptr;
  std::string TypeName;

protected:
  // Sets the name and its upper case.
  void SetName(const std::string& Value, const std::string& Uppercase);
  rt::Variant FValue;

private:
  // What only declared names and named members carry, kept out of line: a compiled program has
  // millions of nameless nodes and steps, and every byte here is paid for each of them.
  struct TExtra {
    std::string Name;
    std::string UppercaseName;  // empty when it equals the name
    std::string SourcePos;
    std::string SourceUnit;
    TscGetVariableValueEvent OnGetVarValue;
  };
  TExtra& Extra() {
    if (!FExtra) FExtra = std::make_unique<TExtra>();
    return *FExtra;
  }
  static const std::string& NoText();
  static const TscGetVariableValueEvent& NoHook();
  std::unique_ptr<TExtra> FExtra;
};

// A variable: stores its value converted to its kind, and may take its value from a hook.
class TscVariable : public TscCustomVariable {
public:
  using TscCustomVariable::TscCustomVariable;
  void SetValue(const rt::Variant& Value) override;
  rt::Variant GetValue() override;
  // As SetValue, taking the value over when it needs no conversion.
  void TakeValue(rt::Variant&& Value);

private:
  // Value already has the kind this variable stores it as.
  bool StoresAsIs(const rt::Variant& Value) const {
    switch (Typ) {
      case fvtInt: return Value.VarType() == rt::varInteger;
      case fvtBool: return Value.IsBoolean();
      case fvtFloat: return Value.IsFloat();
      case fvtString: return Value.IsString();
      case fvtInt64: return Value.VarType() == rt::varInt64;
      default: return true;
    }
  }
};

// A type name registered with AddType.
class TscTypeVariable : public TscCustomVariable {
public:
  using TscCustomVariable::TscCustomVariable;
};

// A Char or String variable: keeps its text so single characters can be read and replaced.
class TscStringVariable : public TscVariable {
public:
  using TscVariable::TscVariable;
  void SetValue(const rt::Variant& Value) override;
  rt::Variant GetValue() override;
  std::u16string& Str() { return FStr; }

private:
  std::u16string FStr;
};

class TscParamItem : public TscCustomVariable {
public:
  TscParamItem(const std::string& AName, TscVarType ATyp, const std::string& ATypeName, bool AIsOptional,
               bool AIsVarParam);
  rt::Variant DefValue = rt::Variant::Null();
  bool IsOptional;
  bool IsVarParam;
};

// A script procedure or function. Reading its value calls it; the caller has set the
// parameters first.
class TscProcVariable : public TscCustomVariable {
public:
  TscProcVariable(const std::string& AName, TscVarType ATyp, const std::string& ATypeName, TscScript* AParent,
                  bool AIsFunc);
  ~TscProcVariable() override;
  rt::Variant GetValue() override;

  bool Executing = false;
  bool IsFunc() const { return FIsFunc; }
  // The local program holding parameters, locals, nested routines and the body.
  TscScript* Prog() const { return FProgram.get(); }
  // Pushes the current values of the locals and parameters; returns what names the frame.
  int SaveLocalVariables();
  // Pops the frame SaveLocalVariables named StackIndex, and every frame after it (-1: nothing).
  // See the recursion rules in the .cpp.
  void RestoreLocalVariables(int StackIndex, bool bSkipVarParams, TscDesignatorItem* dItem);
  // A call of this routine as a designator's only step: reads Step's arguments into the
  // parameters, runs the body and writes var parameters back, saving and restoring the running
  // level's values when the routine is already running.
  rt::Variant Call(TscDesignatorItem* Step);

private:
  // How a saved item's value is read and put back.
  enum TSaveKind : unsigned char {
    skPlain,     // a parameter: stores what it is given as it is, so its value goes back by a move
    skVariable,  // a variable of the base class: read directly when no hook supplies the value
    skOther      // through GetValue and SetValue
  };
  struct TscLocalVariablesHelper {
    rt::Variant FValue;
    TscCustomVariable* FVariableLink;
    TSaveKind FKind;
  };
  struct TSavedItem {
    TscCustomVariable* Item;
    TSaveKind Kind;
  };
  // Runs the body as a call whose parameters are set (GetValue, and Call without a frame of its own).
  [[gnu::always_inline]] inline rt::Variant Run();
  // The locals and parameters a frame saves, found once per count of the local program's items.
  inline const std::vector<TSavedItem>& SavedItems();
  // The saved items, as last settled, are plain values without hooks: a level is copied
  // straight.
  inline bool PlainFrames() const;
  const std::vector<TSavedItem>& SettleSavedItems();
  bool FIsFunc;
  // What the result variable holds at the start of a call, once known (a plain result variable
  // only: it converts the empty value the same way every time).
  bool FHasResultStart = false;
  rt::Variant FResultStart;
  std::unique_ptr<TscScript> FProgram;
  // The saved values of every frame, one after another. Frames are taken by index, never by
  // reference: reading a value to save may call the routine again and add a frame, moving the
  // storage. The storage stays for the next calls.
  std::vector<TscLocalVariablesHelper> FSaved;
  std::vector<TSavedItem> FSavedItems;
  int FSavedItemsOf = -1;
  // Every saved item is read without calling anything (no skOther), so the list cannot change
  // while a frame is saved.
  bool FSavedDirect = false;
  // ... and no saved variable had a hook as of HookSerial FSavedHookSerial.
  bool FSavedHookFree = false;
  unsigned FSavedHookSerial = 0;
  // Some parameter is a var parameter; settled with the saved items.
  bool FHasVarParams = false;

public:
  // The routine's var parameters, as of the last SavedItems.
  bool HasVarParams() {
    SavedItems();
    return FHasVarParams;
  }
};

// Base of compiled expressions. Source is the expression's text (macro arguments).
class TscCustomExpression : public TscCustomVariable {
public:
  using TscCustomVariable::TscCustomVariable;
  std::string Source;
};

// A member that acts on the value before it in a designator.
class TscCustomHelper : public TscCustomVariable {
public:
  using TscCustomVariable::TscCustomVariable;
  TscCustomVariable* ParentRef = nullptr;
  rt::Variant ParentValue = rt::Variant::Null();
  TscScript* Prog = nullptr;
};

// Element of a Variant array: DimCount -1 gives one required and two optional indexes.
class TscArrayHelper : public TscCustomHelper {
public:
  TscArrayHelper(const std::string& AName, int DimCount, TscVarType Typ, const std::string& TypeName);
  rt::Variant GetValue() override;
  void SetValue(const rt::Variant& Value) override;

private:
  rt::Variant& ArrayOf();
  std::vector<int> Indexes(int DimCount);
};

// Character of a string (1-based index).
class TscStringHelper : public TscCustomHelper {
public:
  TscStringHelper();
  rt::Variant GetValue() override;
  void SetValue(const rt::Variant& Value) override;
};

class TscPropertyHelper : public TscCustomHelper {
public:
  using TscCustomHelper::TscCustomHelper;
  rt::Variant GetValue() override;
  void SetValue(const rt::Variant& Value) override;

  rt::TClass ClassRef = nullptr;
  bool IsPublished = false;
  TscGetValueEvent OnGetValue;
  TscSetValueEvent OnSetValue;
  TscGetValueNewEvent OnGetValueNew;
  TscSetValueNewEvent OnSetValueNew;
};

// A native function, method, constructor or indexed property, described by a declaration text.
class TscMethodHelper : public TscCustomHelper {
public:
  TscMethodHelper(const std::string& Syntax, TscScript* Script);
  rt::Variant GetValue() override;
  void SetValue(const rt::Variant& Value) override;
  // The argument at Index; the assigned value of an indexed-property write at Index = Count().
  rt::Variant GetVParam(int Index);
  void SetVParam(int Index, const rt::Variant& Value);

  std::string Category;
  rt::TClass ClassRef = nullptr;
  std::string Description;
  bool IndexMethod = false;
  TscCallMethodEvent OnCall;
  TscCallMethodNewEvent OnCallNew;
  const std::string& Syntax() const { return FSyntax; }

private:
  rt::TObject* Instance() const;
  rt::Variant FSetValue = rt::Variant::Null();
  std::string FSyntax;
  rt::Variant FVarArray = rt::Variant::Null();
};

namespace rt {
class TComponent;
}

// A component reached by name through the form, frame or data module that owns it. Its value is
// the component's checked handle, so a component freed meanwhile reads as an invalid reference.
class TscComponentHelper : public TscCustomHelper {
public:
  explicit TscComponentHelper(rt::TComponent* Component);
  rt::Variant GetValue() override;
  // nullptr once the component is gone.
  rt::TComponent* Component() const;
};

// ---------------------------------------------------------------------------------------------
// Classes, designators, set expressions

class TscClassVariable : public TscCustomVariable {
public:
  TscClassVariable(rt::TClass AClass, const std::string& Ancestor);
  ~TscClassVariable() override;
  // Null parameter: a new instance for the constructor member that follows; otherwise the
  // parameter's value (a typecast). The parameter is reset to Null either way.
  rt::Variant GetValue() override;

  TscMethodHelper* AddConstructor(const std::string& Syntax, const TscCallMethodEvent& CallEvent);
  TscMethodHelper* AddConstructor(const std::string& Syntax, const TscCallMethodNewEvent& CallEvent);
  TscMethodHelper* AddMethod(const std::string& Syntax, const TscCallMethodEvent& CallEvent);
  TscMethodHelper* AddMethod(const std::string& Syntax, const TscCallMethodNewEvent& CallEvent);
  TscPropertyHelper* AddProperty(const std::string& Name, const std::string& Typ, const TscGetValueEvent& GetEvent,
                                 const TscSetValueEvent& SetEvent = {});
  TscPropertyHelper* AddPropertyEx(const std::string& Name, const std::string& Typ,
                                   const TscGetValueNewEvent& GetEvent, const TscSetValueNewEvent& SetEvent = {});
  TscMethodHelper* AddIndexProperty(const std::string& Name, const std::string& Params, const std::string& Typ,
                                    const TscCallMethodEvent& CallEvent, bool AReadOnly = false);
  TscMethodHelper* AddIndexProperty(const std::string& Name, const std::string& Params, const std::string& Typ,
                                    const TscCallMethodNewEvent& CallEvent, bool AReadOnly = false);
  TscMethodHelper* AddDefaultProperty(const std::string& Name, const std::string& Params, const std::string& Typ,
                                      const TscCallMethodEvent& CallEvent, bool AReadOnly = false);
  TscMethodHelper* AddDefaultProperty(const std::string& Name, const std::string& Params, const std::string& Typ,
                                      const TscCallMethodNewEvent& CallEvent, bool AReadOnly = false);
  // An event member served by bridges of class AEvent (defined with the bridges, sc_ievents.cpp).
  TscEventHelper* AddEvent(const std::string& Name, TscEventClass AEvent);
  // A member naming a component that the class's form owns (sc_icomponents.cpp).
  TscComponentHelper* AddComponent(rt::TComponent* Component);
  // The member of that name here or in the registered ancestors; nullptr when none.
  TscCustomVariable* Find(const std::string& Name);
  TscCustomVariable* GetMembers(int Index) const;
  int MembersCount() const { return FMembers.Count(); }

  const std::string& Ancestor() const { return FAncestor; }
  rt::TClass ClassRef() const { return FClassRef; }
  TscCustomVariable* DefProperty = nullptr;
  TscScript* Program = nullptr;

private:
  TscMethodHelper* NewMethod(const std::string& Syntax);
  std::string IndexDeclaration(const std::string& Name, const std::string& Params, const std::string& Typ);
  std::string FAncestor;
  rt::TClass FClassRef;
  TscItemList FMembers;
};

enum TscDesignatorKind { dkOther, dkVariable, dkStringArray, dkArray };

// One step of a designator: the item it refers to and its argument expressions (owned).
class TscDesignatorItem : public TscItemList {
public:
  TscCustomVariable* GetItem(int Index) const { return static_cast<TscCustomVariable*>(Get(Index)); }
  bool Flag = false;
  TscCustomVariable* Ref = nullptr;
  std::string SourcePos;

  // What Ref is, worked out once per Ref so that running the step needs no type tests.
  struct TKinds {
    TscCustomVariable* Of = nullptr;
    class TscDesignator* Designator = nullptr;
    TscProcVariable* Proc = nullptr;
    TscCustomHelper* Helper = nullptr;
  };
  const TKinds& Kinds() { return FKinds.Of == Ref ? FKinds : SettleKinds(); }
  // What is read for the first argument: an expression's tree straight, without the expression
  // around it; settled on first use.
  TscCustomVariable* FirstArgument() { return FFirstArgument ? FFirstArgument : SettleFirstArgument(); }

private:
  const TKinds& SettleKinds();
  TscCustomVariable* SettleFirstArgument();
  TKinds FKinds;
  TscCustomVariable* FFirstArgument = nullptr;
};

// Something the designator keeps to resolve itself on first use (late binding); Resolve fills
// the designator's steps through Borrow.
class TscLateBinding {
public:
  virtual ~TscLateBinding() = default;
  virtual void Resolve(class TscDesignator* Designator) = 0;
};

// A compiled name path: a chain of steps evaluated left to right. Its list holds the steps.
class TscDesignator : public TscCustomVariable {
public:
  explicit TscDesignator(TscScript* AProgram);
  rt::Variant GetValue() override;
  void SetValue(const rt::Variant& Value) override;
  // Settles kind, type and fast form after the steps are added.
  void Finalize();
  // Exchanges step lists with ADesignator and takes over its kind and references.
  void Borrow(TscDesignator* ADesignator);
  TscDesignatorItem* GetItem(int Index) const { return static_cast<TscDesignatorItem*>(Get(Index)); }
  TscDesignatorItem* AddStep(TscCustomVariable* Ref, const std::string& SourcePos = {});
  TscDesignatorKind Kind() const { return FKind; }
  TscScript* Program() const { return FProgram; }
  TscScript* MainProg() const { return FMainProg; }
  std::unique_ptr<TscLateBinding> LateBinding;
  // The script routine a lone call names, read by calling it straight (CallLone); nullptr for
  // any other designator.
  TscProcVariable* LoneCall() const {
    return FKind == dkOther && FRef2 && !LateBinding ? static_cast<TscProcVariable*>(FRef1) : nullptr;
  }
  // Calls the routine LoneCall() named.
  rt::Variant CallLone(TscProcVariable* Proc) {
    Proc->NeedResult = NeedResult;
    return Proc->Call(FRef2);
  }

protected:
  void CheckLateBinding();
  virtual rt::Variant DoCalc(const rt::Variant* Assign);
  TscDesignatorKind FKind = dkOther;
  TscScript* FMainProg;
  TscScript* FProgram;
  TscCustomVariable* FRef1 = nullptr;
  TscDesignatorItem* FRef2 = nullptr;
};

// Finalizes D and, for the three simple kinds, replaces it by its fast form (D is freed then).
TscDesignator* scFinalizeDesignator(TscDesignator* D);

class TscVariableDesignator : public TscDesignator {
public:
  using TscDesignator::TscDesignator;

protected:
  rt::Variant DoCalc(const rt::Variant* Assign) override;
};

class TscStringDesignator : public TscDesignator {
public:
  using TscDesignator::TscDesignator;

protected:
  rt::Variant DoCalc(const rt::Variant* Assign) override;
};

class TscArrayDesignator : public TscDesignator {
public:
  using TscDesignator::TscDesignator;

protected:
  rt::Variant DoCalc(const rt::Variant* Assign) override;
};

// Case labels and set constructors: expressions, a nullptr entry standing between the two
// bounds of a range.
class TscSetExpression : public TscCustomVariable {
public:
  TscSetExpression();
  bool Check(const rt::Variant& Value);
  TscCustomVariable* GetItem(int Index) const { return static_cast<TscCustomVariable*>(Get(Index)); }
  rt::Variant GetValue() override;
};

// ---------------------------------------------------------------------------------------------
// Statements

// How a statement reads its condition, settled once from the condition's tree: a comparison of
// two Integers read in place (constants, parameters, variables without a hook) is answered
// here while both hold Integers; anything else reads the tree. Settled again when any variable
// is given a hook.
class TscCondition {
public:
  // Cond is the tree that is read (an expression's root).
  void Settle(TscCustomVariable* Cond);
  bool Value() {
    if (FSerial != TscCustomVariable::HookSerial.load(std::memory_order_relaxed)) Settle(FCond);
    if (FLeft && FLeft->IsInteger() && FRight->IsInteger()) {
      const int A = FLeft->ToInteger(), B = FRight->ToInteger();
      switch (FCompare) {
        case kGreat: return A > B;
        case kLess: return A < B;
        case kLessEq: return A <= B;
        case kGreatEq: return A >= B;
        case kNonEq: return A != B;
        default: return A == B;
      }
    }
    return ReadTree();
  }

private:
  enum : unsigned char { kGreat, kLess, kLessEq, kGreatEq, kNonEq, kEq };
  bool ReadTree();
  TscCustomVariable* FCond = nullptr;
  // Where the two operands are stored; nullptr when the condition is no such comparison.
  const rt::Variant* FLeft = nullptr;
  const rt::Variant* FRight = nullptr;
  unsigned FSerial = ~0u;
  unsigned char FCompare = kEq;
};

// A statement list; every kind of statement derives from it.
class TscStatement : public TscItemList {
public:
  TscStatement(TscScript* AProgram, const std::string& UnitName, const std::string& SourcePos);
  virtual void Execute();
  // Runs the list as TscStatement::Execute does. A list of one assignment or call runs that
  // statement straight: it holds no list of its own, and the list around the caller (same
  // program, same last position) records an error's position as this one would.
  [[gnu::always_inline]] inline void RunList();
  TscStatement* GetItem(int Index) const { return static_cast<TscStatement*>(Get(Index)); }
  TscScript* Program() const { return FProgram; }
  const std::string& SourcePos() const { return FSourcePos; }
  const std::string& UnitName() const { return FUnitName; }

protected:
  inline void Notify();
  inline bool Terminated() const;
  TscScript* FProgram;
  std::string FSourcePos;
  std::string FUnitName;

private:
  void SettleLone();
  // RunList's road: -1 not yet settled, 0 the list, 1 the lone statement straight.
  signed char FLone = -1;
};

class TscAssignmentStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscAssignmentStmt() override;
  void Execute() override;
  // Resolves a plain variable and a single-operand expression once.
  virtual void Optimize();
  // After Optimize: a target that is a plain variable is kept as the variable alone and its
  // designator freed (Designator becomes nullptr); a large program has millions of them.
  void DropPlainTarget();
  TscDesignator* Designator = nullptr;        // owned
  TscCustomExpression* Expression = nullptr;  // owned

protected:
  // x := x + y (Op '+', '-' or '*') done on the stored Integers when the target is a plain
  // Integer or Variant variable holding an Integer, y is read where it is stored and holds one,
  // and the result stays an Integer: what the Variant rules give, without building Variants.
  // False when any of that does not hold; the caller then takes the general road.
  [[gnu::always_inline]] inline bool IntegerStep(char Op);
  // x := x Op y by the Variant rules (Op '+', '-', '*' or '/'); out of line, so that the steps
  // in place stay small.
  [[gnu::noinline]] void Combine(char Op);
  TscCustomVariable* FVar = nullptr;
  TscCustomVariable* FExpr = nullptr;
  bool FPlainTarget = false;  // FVar is a TscVariable of the base class: takes the value over
  // How IntegerStep reads y: -1 not yet settled, 0 never (no integer step), 1 in place always
  // (a constant or a parameter), 2 in place while the variable has no hook.
  signed char FIntegerForm = -1;
};

class TscAssignPlusStmt : public TscAssignmentStmt {
public:
  using TscAssignmentStmt::TscAssignmentStmt;
  void Execute() override;

private:
  // A text added to a string that only its variable holds grows that string in place, so a
  // loop of appends costs linear time. Only when reading the added value cannot change the
  // variable (constants, plain variables and operators over them).
  std::u16string* AppendTarget();
  // What is not an Integer step: an append in place, else the Variant rules.
  [[gnu::noinline]] void Append();
  int FInPlace = -1;  // -1 not yet decided, 0 never, 1 when the target holds a string, 2 a string variable
};
class TscAssignMinusStmt : public TscAssignmentStmt {
public:
  using TscAssignmentStmt::TscAssignmentStmt;
  void Execute() override;
};
class TscAssignMulStmt : public TscAssignmentStmt {
public:
  using TscAssignmentStmt::TscAssignmentStmt;
  void Execute() override;
};
class TscAssignDivStmt : public TscAssignmentStmt {
public:
  using TscAssignmentStmt::TscAssignmentStmt;
  void Execute() override;
};

class TscCallStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscCallStmt() override;
  void Execute() override;
  TscDesignator* Designator = nullptr;  // owned
  std::string Modificator;             // "", "+" or "-"

private:
  // The variable whose in-place step was settled last, and whether it qualifies: the step is
  // settled again when late binding gives the designator another variable.
  void SettleStepOf(TscCustomVariable* Var);
  // The call, or a step by the Variant rules.
  [[gnu::noinline]] void Run();
  TscCustomVariable* FStepOf = nullptr;
  bool FStepInPlace = false;
  // What Modificator asks for, read once: 0 a call, 1 "+", -1 "-", 2 anything else.
  signed char FStep = 3;
};

class TscIfStmt : public TscStatement {
public:
  TscIfStmt(TscScript* AProgram, const std::string& UnitName, const std::string& SourcePos);
  ~TscIfStmt() override;
  void Execute() override;
  TscCustomVariable* Condition = nullptr;  // owned
  TscStatement* ElseStmt() const { return FElseStmt.get(); }

private:
  std::unique_ptr<TscStatement> FElseStmt;
  TscCustomVariable* FCondition = nullptr;  // what is read for Condition, found on first run
  TscCondition FTest;
};

class TscCaseSelector : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscCaseSelector() override;
  bool Check(const rt::Variant& Value) { return SetExpression->Check(Value); }
  TscSetExpression* SetExpression = nullptr;  // owned
};

class TscCaseStmt : public TscStatement {
public:
  TscCaseStmt(TscScript* AProgram, const std::string& UnitName, const std::string& SourcePos);
  ~TscCaseStmt() override;
  void Execute() override;
  TscCustomVariable* Condition = nullptr;  // owned
  TscStatement* ElseStmt() const { return FElseStmt.get(); }

private:
  std::unique_ptr<TscStatement> FElseStmt;
};

class TscRepeatStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscRepeatStmt() override;
  void Execute() override;
  TscCustomVariable* Condition = nullptr;  // owned
  bool InverseCondition = false;
};

class TscWhileStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscWhileStmt() override;
  void Execute() override;
  TscCustomVariable* Condition = nullptr;  // owned
};

class TscForStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscForStmt() override;
  void Execute() override;
  TscCustomVariable* BeginValue = nullptr;  // owned
  bool Down = false;
  TscCustomVariable* EndValue = nullptr;    // owned
  TscCustomVariable* Variable = nullptr;    // not owned
};

class TscVbForStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscVbForStmt() override;
  void Execute() override;
  TscCustomVariable* BeginValue = nullptr;  // owned
  TscCustomVariable* EndValue = nullptr;    // owned
  TscCustomVariable* Step = nullptr;        // owned, may stay nullptr
  TscCustomVariable* Variable = nullptr;    // not owned
};

class TscCppForStmt : public TscStatement {
public:
  TscCppForStmt(TscScript* AProgram, const std::string& UnitName, const std::string& SourcePos);
  ~TscCppForStmt() override;
  void Execute() override;
  TscStatement* FirstStmt() const { return FFirstStmt.get(); }
  TscCustomVariable* Expression = nullptr;  // owned
  TscStatement* SecondStmt() const { return FSecondStmt.get(); }

private:
  std::unique_ptr<TscStatement> FFirstStmt, FSecondStmt;
};

class TscTryStmt : public TscStatement {
public:
  TscTryStmt(TscScript* AProgram, const std::string& UnitName, const std::string& SourcePos);
  ~TscTryStmt() override;
  void Execute() override;
  bool IsExcept = false;
  TscStatement* ExceptStmt() const { return FExceptStmt.get(); }

private:
  std::unique_ptr<TscStatement> FExceptStmt;
};

class TscBreakStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  void Execute() override;
};
class TscContinueStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  void Execute() override;
};
class TscExitStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  void Execute() override;
};

class TscWithStmt : public TscStatement {
public:
  using TscStatement::TscStatement;
  ~TscWithStmt() override;
  void Execute() override;
  TscDesignator* Designator = nullptr;    // owned
  TscCustomVariable* Variable = nullptr;  // not owned
};

// ---------------------------------------------------------------------------------------------
// Binding modules and the program

// Base of the objects that register a library of types, classes and functions into a script.
class TscRTTIModule : public rt::TObject {
public:
  explicit TscRTTIModule(TscScript* AScript) : FScript(AScript) {}
  TscScript* Script() const { return FScript; }

protected:
  TscScript* FScript;
};

// A binding-module class: makes the module for a script (its constructor registers).
using TscRTTIModuleClass = TscRTTIModule* (*)(TscScript* AScript);
template <class T>
TscRTTIModule* scModuleClass(TscScript* AScript) {
  return new T(AScript);
}

// The process-wide list of binding-module classes in construction order; nullptr after
// scFreeScriptModuleList. Filled by the binding units' init calls at start-up, read afterwards.
// The built-in function library's init puts its class first.
std::vector<TscRTTIModuleClass>* ScriptModuleList();
void scFreeScriptModuleList();

// A compiled program with its items.
class TscScript : public rt::TObject {
public:
  TscScript();
  ~TscScript() override;
  TscScript(const TscScript&) = delete;
  TscScript& operator=(const TscScript&) = delete;

  // ---- item list ----
  void Add(const std::string& Name, rt::TObject* Item);
  void Remove(rt::TObject* Item);
  int Count() const { return static_cast<int>(FItems.size()); }
  // nullptr for entries that are not items (binding modules).
  TscCustomVariable* GetItem(int Index) const;
  TscCustomVariable* FindLocal(const std::string& Name) const;
  TscCustomVariable* Find(const std::string& Name) const;
  class TscClassVariable* FindClass(const std::string& Name) const;
  void Clear();
  void RemoveItems(TscAddedBy Owner);
  void ClearItems(TscAddedBy Owner);
  void AddRTTI();
  void ClearRTTI();

  // ---- registration ----
  virtual TscClassVariable* AddClass(rt::TClass AClass, const std::string& Ancestor);
  virtual void AddConst(const std::string& Name, const std::string& Typ, const rt::Variant& Value);
  virtual void AddEnum(const std::string& Typ, const std::string& Names);
  virtual void AddEnumSet(const std::string& Typ, const std::string& Names);
  // A form, frame or data module with the components it owns: its class is registered when it
  // is not yet (ancestor TForm, TDataModule or TFrame; any other component is refused silently),
  // each owned component becomes a member of that class, and the object is added by its name.
  virtual void AddComponent(rt::TComponent* Form);
  virtual void AddForm(rt::TComponent* Form);
  virtual TscMethodHelper* AddMethod(const std::string& Syntax, const TscCallMethodNewEvent& CallEvent,
                                     const std::string& Category = {}, const std::string& Description = {});
  virtual TscMethodHelper* AddMethod(const std::string& Syntax, const TscCallMethodEvent& CallEvent,
                                     const std::string& Category = {}, const std::string& Description = {});
  virtual void AddObject(const std::string& Name, rt::TObject* Obj);
  virtual void AddVariable(const std::string& Name, const std::string& Typ, const rt::Variant& Value);
  virtual void AddType(const std::string& TypeName, TscVarType ParentType);

  // ---- running ----
  // Compiling lives with the parser (sc_iilparser).
  bool Compile();
  void Execute();
  bool Run();
  bool GetILCode(rt::TStream& Stream);
  bool SetILCode(rt::TStream& Stream);
  rt::Variant CallFunction(const std::string& Name, const rt::Variant& Params, bool sGlobal = false);
  rt::Variant CallFunction1(const std::string& Name, rt::Variant& Params, bool sGlobal = false);
  rt::Variant CallFunction2(TscProcVariable* Func, const rt::Variant& Params);
  rt::Variant Evaluate(const std::string& Expression);
  void Terminate();
  void AddCodeLine(const std::string& UnitName, const std::string& APos);
  bool IsExecutableLine(int LineN, const std::string& UnitName = {}) const;
  // Calls the OnRunLine handler of the nearest program up the parent chain that has one.
  void NotifyLine(const std::string& UnitName, const std::string& SourcePos) {
    if (!TscLineHook::AnySet()) return;
    for (TscScript* S = this; S; S = S->Parent)
      if (S->OnRunLine) {
        S->OnRunLine(this, UnitName, SourcePos);
        return;
      }
  }

  // Value of the item Find returns (Null when none); writing adds a Variant variable when absent.
  rt::Variant Variables(const std::string& Name) const;
  void SetVariables(const std::string& Name, const rt::Variant& Value);
  std::string ProgName() const;
  void SetProgName(const std::string& Value);
  // As SetProgName, by reference to a text that outlives the run (the running routine's name);
  // nullptr clears the name.
  void SetProgNameRef(const std::string* Value) {
    if (ProgRunning && ProgRunning != this) {
      ProgRunning->SetProgNameRef(Value);
      return;
    }
    FProgNameRef = Value;
    if (!FProgName.empty()) FProgName.clear();
  }
  TscStatement* Statement() const { return FStatement.get(); }
  bool RTTIAdded() const { return FRTTIAdded; }

  TscAddedBy AddedBy = nullptr;
  std::atomic<bool> BreakCalled{false};
  std::atomic<bool> ContinueCalled{false};
  std::atomic<bool> ExitCalled{false};
  std::atomic<bool> Terminated{false};
  std::string ErrorMsg;
  std::string ErrorPos;
  std::string ErrorUnit;
  bool ExtendedCharset = false;
  bool IsRunning = false;
  rt::TStringList Lines;
  rt::TStringList Macros;
  bool MainProg = false;
  TscGetUnitEvent OnGetILUnit;
  TscGetUnitEvent OnGetUnit;
  TscLineHook OnRunLine;
  TscGetVariableValueEvent OnGetVarValue;
  TscScript* Parent = nullptr;
  TscScript* ProgRunning = nullptr;
  std::string SyntaxType = "PascalScript";
  rt::TStringList IncludePath;
  bool UseClassLateBinding = false;
  bool EvaluteRiseError = false;
  bool ClearLocalVars = false;
  // Position text of the statement started last; empty before the first.
  const std::string& LastSourcePos() const { return FLastSourcePos ? *FLastSourcePos : FNoSourcePos; }
  // Points at the statement's own text (statements live as long as their program's code), so
  // running a statement copies no string.
  void SetLastSourcePos(const std::string* Pos) { FLastSourcePos = Pos; }

private:
  const std::string* FLastSourcePos = nullptr;
  std::string FNoSourcePos;
  struct Entry {
    std::string Key;  // upper-case name
    std::unique_ptr<rt::TObject> Obj;
  };
  void ClearLines();
  void AddEnumValues(const std::string& Typ, const std::string& Names, bool Set);
  std::vector<Entry> FItems;
  bool FRTTIAdded = false;
  std::unique_ptr<TscStatement> FStatement;
  std::map<std::string, std::set<std::string>> FUnitLines;
  std::string FProgName;
  const std::string* FProgNameRef = nullptr;  // when set, the name instead of FProgName
};

inline void TscStatement::Notify() { FProgram->NotifyLine(FUnitName, FSourcePos); }

[[gnu::always_inline]] inline void TscStatement::RunList() {
  if (FLone < 0) SettleLone();
  if (!FLone) {
    TscStatement::Execute();
    return;
  }
  if (!FProgram->ErrorPos.empty()) FProgram->ErrorPos.clear();
  if (FProgram->Terminated) return;
  auto* S = static_cast<TscStatement*>(FItems[0]);
  FProgram->SetLastSourcePos(&S->FSourcePos);
  S->Execute();
}
inline bool TscStatement::Terminated() const { return FProgram->Terminated; }

inline const std::vector<TscProcVariable::TSavedItem>& TscProcVariable::SavedItems() {
  return FSavedItemsOf == FProgram->Count() ? FSavedItems : SettleSavedItems();
}

inline bool TscProcVariable::PlainFrames() const {
  return FSavedItemsOf == FProgram->Count() && FSavedDirect && FSavedHookFree &&
         FSavedHookSerial == HookSerial.load(std::memory_order_relaxed);
}

// The script's program running a procedure: the first program with MainProg set on the way from
// Prog up the parent chain, or nullptr.
TscScript* scFindMainProgram(TscScript* Prog);

