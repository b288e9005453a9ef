#include "report/script/sc_iilparser.h"

#include <algorithm>

#include "platform/rt/Components.h"
#include "platform/rt/Unicode.h"
#include "report/script/sc_iconst.h"
#include "report/script/sc_idisp.h"
#include "report/script/sc_iexpression.h"
#include "report/script/sc_istack.h"
#include "report/script/sc_itools.h"

using rt::Variant;

namespace {

// Element name in lower case.
std::string NameOf(const TscXMLItem* X) { return rt::LowerCase(X->Name); }
bool Is(const TscXMLItem* X, const char* Name) { return rt::SameText(X->Name, Name); }
std::string Quoted(const std::string& S) { return "'" + S + "'"; }

TscXMLItem* FirstChild(TscXMLItem* X, const char* Name) {
  for (int I = 0; I < X->Count(); ++I)
    if (Is(X->Items(I), Name)) return X->Items(I);
  return nullptr;
}

// Resolves a late-bound designator on its first use, from a copy of its intermediate form.
class TscILLateBinding : public TscLateBinding {
public:
  TscILLateBinding(TscXMLItem* Data, bool NeedDeclareVars) : FNeedDeclareVars(NeedDeclareVars) {
    FData.Assign(Data);
  }
  void Resolve(TscDesignator* D) override {
    TscILParser P(D->Program());
    P.RunTime = true;
    P.SetNeedDeclareVars(FNeedDeclareVars);
    std::unique_ptr<TscDesignator> New(P.DoDesignator(&FData, D->Program()));
    D->Borrow(New.get());
  }
  TscXMLItem& Data() { return FData; }

private:
  TscXMLItem FData;
  bool FNeedDeclareVars;
};

} // namespace

// =============================================================================================
// The script program's compile operations

bool TscScript::Compile() {
  ErrorMsg.clear();
  TscILParser P(this);
  P.SelectLanguage(SyntaxType);
  if (P.MakeILScriptFor(Lines.Text())) P.ParseILScript();
  if (!ErrorMsg.empty()) return false;
  ErrorPos.clear();
  return true;
}

bool TscScript::Run() {
  const bool Ok = Compile();
  if (Ok) Execute();
  return Ok;
}

bool TscScript::GetILCode(rt::TStream& Stream) {
  ErrorMsg.clear();
  TscILParser P(this);
  P.SelectLanguage(SyntaxType);
  if (P.MakeILScriptFor(Lines.Text())) P.ILScript().SaveToStream(Stream);
  if (!ErrorMsg.empty()) return false;
  ErrorPos.clear();
  return true;
}

bool TscScript::SetILCode(rt::TStream& Stream) {
  ErrorMsg.clear();
  TscILParser P(this);
  P.SelectLanguage(SyntaxType);
  P.ILScript().LoadFromStream(Stream);
  P.ParseILScript();
  if (!ErrorMsg.empty()) return false;
  ErrorPos.clear();
  return true;
}

Variant TscScript::Evaluate(const std::string& Expression) {
  EvaluteRiseError = false;
  Variant Result = Variant::Null();
  TscScript* Context = ProgRunning ? ProgRunning : this;
  TscScript Child;
  if (!Context->RTTIAdded()) Child.AddRTTI();
  Child.Parent = Context;
  Child.OnGetVarValue = Context->OnGetVarValue;
  TscRunLineEvent SavedRunLine = OnRunLine.Take();
  struct Restore {
    TscScript* S;
    TscRunLineEvent& Saved;
    ~Restore() { S->OnRunLine = std::move(Saved); }
  } R{this, SavedRunLine};
  Child.SyntaxType = SyntaxType;
  std::string Text;
  if (rt::SameText(SyntaxType, "PascalScript"))
    Text = "function fsEvaluateFUNC: Variant; begin Result := " + Expression + " end; begin end.";
  else if (rt::SameText(SyntaxType, "D++Uderir"))
    Text = "Variant fsEvaluateFUNC() { return " + Expression + "; } {}";
  else if (rt::SameText(SyntaxType, "RiravUdevad"))
    Text = "function fsEvaluateFUNC\r\nreturn " + Expression + "\r\nend function";
  else if (rt::SameText(SyntaxType, "JScript"))
    Text = "function fsEvaluateFUNC() { return (" + Expression + "); }";
  else
    return Result;
  Child.Lines.SetText(Text);
  if (Child.Compile()) {
    if (TscCustomVariable* F = Child.FindLocal("fsEvaluateFUNC")) Result = F->GetValue();
  } else {
    Result = Variant(Child.ErrorMsg);
    EvaluteRiseError = true;
  }
  return Result;
}

// =============================================================================================
// TscILParser

TscILParser::TscILParser(TscScript* AProgram) : FProgram(AProgram) {
  ExtendedCharset = AProgram->ExtendedCharset;
  IncludePath.clear();
  for (int I = 0; I < AProgram->IncludePath.Count(); ++I) IncludePath.push_back(AProgram->IncludePath[I]);
  if (AProgram->OnGetUnit)
    OnGetUnit = [AProgram](const std::string& UnitName, std::string& UnitText) {
      AProgram->OnGetUnit(AProgram, UnitName, UnitText);
    };
}

bool TscILParser::MakeILScriptFor(const std::string& Text) {
  bool Ok = MakeILScript(Text);
  FProgram->ErrorMsg = ErrorMsg;
  FProgram->ErrorPos = ErrorPos;
  FProgram->ErrorUnit = ErrorUnit;
  return Ok && ErrorMsg.empty();
}

void TscILParser::Fail(const std::string& Message) { throw rt::Exception(Message); }

void TscILParser::ParseILScript() {
  FWithList.clear();
  FProgram->ErrorUnit.clear();
  SetUnitName("");
  FConvertedUnits.clear();
  try {
    ConvertProgram(ILScript().Root(), FProgram);
    FProgram->ErrorPos.clear();
  } catch (const std::exception& E) {
    FProgram->ErrorMsg = E.what();
    if (FProgram->ErrorMsg.empty()) FProgram->ErrorMsg = "Error";
    FProgram->ErrorPos = FErrorPos;
    FProgram->ErrorUnit = UnitName();
  }
}

// ---- shared checks ----

void TscILParser::CheckRedeclared(const std::string& Name, TscScript* Prog) {
  if (Prog->FindLocal(Name)) Fail(SIdRedeclared + Quoted(Name));
}

TscCustomVariable* TscILParser::FindName(const std::string& Name, TscScript* Prog) {
  if (TscCustomVariable* V = Prog->Find(Name)) return V;
  if (FNeedDeclareVars) Fail(SIdUndeclared + Quoted(Name));
  auto* V = new TscVariable(Name, fvtVariant, "");
  V->SetOnGetVarValue(FProgram->OnGetVarValue);
  FProgram->Add(Name, V);
  return V;
}

TscClassVariable* TscILParser::FindClassOf(const std::string& Name, TscScript* Prog) {
  TscClassVariable* C = Prog->FindClass(Name);
  if (!C) Fail(SUnknownType + Quoted(Name));
  return C;
}

TscVarType TscILParser::TypeOf(std::string& TypeName, TscScript* Prog) {
  auto Map = [&](TscXMLItem* Types) {
    if (!Types) return false;
    int I = Types->Find(TypeName);
    if (I < 0) return false;
    TypeName = Types->Items(I)->Prop("type");
    return true;
  };
  TscXMLItem* OwnTypes = FProgRoot ? FirstChild(FProgRoot, "types") : nullptr;
  TscXMLItem* Root = ILScript().Root();
  if (!OwnTypes && Root) OwnTypes = FirstChild(Root, "types");
  if (!Map(OwnTypes) && GrammarRoot()) Map(FirstChild(GrammarRoot(), "types"));
  TscVarType T = TypeNameToVarType(TypeName, Prog);
  if (T == fvtClass) FindClassOf(TypeName, Prog);
  return T;
}

void TscILParser::TypeCheck(TscCustomVariable* Target, TscCustomVariable* Source) {
  if (!IsVarCompatible(Target, Source, FProgram))
    Fail(SIncompatibleTypes + ": '" + Target->GetFullTypeName() + "', '" + Source->GetFullTypeName() + "'");
}

// ---- programs and routines ----

void TscILParser::ConvertProgram(TscXMLItem* E, TscScript* P) {
  TscXMLItem* SavedRoot = FProgRoot;
  FProgRoot = E;
  DeclareRoutines(E, P);
  for (int I = 0; I < E->Count(); ++I) ConvertStatement(E->Items(I), P, P->Statement());
  FProgRoot = SavedRoot;
}

void TscILParser::DeclareRoutines(TscXMLItem* E, TscScript* P) {
  for (int I = 0; I < E->Count(); ++I) {
    TscXMLItem* C = E->Items(I);
    if (Is(C, "procedure") || Is(C, "function")) DeclareRoutine(C, P);
    else if (Is(C, "compoundstmt")) DeclareRoutines(C, P);
  }
}

void TscILParser::DeclareRoutine(TscXMLItem* E, TscScript* P) {
  FErrorPos = E->Prop("pos");
  std::string Name;
  std::string TypeName;
  TscVarType Typ = fvtVariant;
  bool IsFunc = false;
  if (Is(E, "procedure")) {
    Name = E->Count() > 0 ? E->Items(0)->Prop("text") : std::string();
  } else {
    TscXMLItem* N = FirstChild(E, "name");
    Name = N ? N->Prop("text") : std::string();
    IsFunc = true;
    if (TscXMLItem* T = FirstChild(E, "type")) {
      TypeName = T->Prop("text");
      if (rt::SameText(TypeName, "void")) IsFunc = false;
      else {
        FErrorPos = T->Prop("pos");
        Typ = TypeOf(TypeName, P);
      }
    }
    if (!IsFunc) {
      Typ = fvtVariant;
      TypeName.clear();
    }
  }
  FErrorPos = E->Prop("pos");
  CheckRedeclared(Name, P);
  auto* Routine = new TscProcVariable(Name, IsFunc ? Typ : fvtVariant, TypeName, P, IsFunc);
  Routine->SetSourcePos(FErrorPos);
  Routine->SetSourceUnit(UnitName());
  P->Add(Name, Routine);
  for (int I = 0; I < E->Count(); ++I) {
    TscXMLItem* C = E->Items(I);
    if (!Is(C, "parameters")) continue;
    bool ByRefGroup = false;
    for (int J = 0; J < C->Count(); ++J) {
      TscXMLItem* G = C->Items(J);
      if (Is(G, "varparams")) {
        ByRefGroup = true;
      } else if (Is(G, "var")) {
        DeclareVars(G, Routine->Prog(), nullptr, true, Routine, ByRefGroup);
        ByRefGroup = false;
      }
    }
  }
}

// Declares each ident of a var element; parameters also join the routine's parameter list.
void TscILParser::DeclareVars(TscXMLItem* E, TscScript* P, TscStatement* L, bool AreParams,
                              TscProcVariable* Routine, bool ByRefGroup) {
  bool NextByRef = false;
  for (int I = 0; I < E->Count(); ++I) {
    TscXMLItem* C = E->Items(I);
    if (Is(C, "varparam")) {
      NextByRef = true;
    } else if (Is(C, "ident")) {
      FErrorPos = C->Prop("pos");
      CheckRedeclared(C->Prop("text"), P);
      TscCustomVariable* V = DeclareVar(E, I, P, L, AreParams, ByRefGroup || NextByRef);
      NextByRef = false;
      if (AreParams) {
        auto* Param = static_cast<TscParamItem*>(V);
        Param->DefValue = Param->GetValue();
        Routine->Add(Param);
      }
    }
  }
}

TscCustomVariable* TscILParser::DeclareVar(TscXMLItem* E, int IdentIndex, TscScript* P, TscStatement* L,
                                           bool IsParam, bool ByRef) {
  TscXMLItem* Ident = E->Items(IdentIndex);
  const std::string Name = Ident->Prop("text");
  int TypeIndex = -1;
  for (int I = 0; I < E->Count(); ++I)
    if (Is(E->Items(I), "type")) {
      TypeIndex = I;
      break;
    }
  bool CStyle = false;
  if (TypeIndex >= 0) {
    CStyle = true;
    for (int I = 0; I < TypeIndex; ++I)
      if (Is(E->Items(I), "ident")) CStyle = false;
  }
  std::string TypeName = TypeIndex >= 0 ? E->Items(TypeIndex)->Prop("text") : std::string("Variant");
  if (TypeIndex >= 0) FErrorPos = E->Items(TypeIndex)->Prop("pos");
  TscVarType Typ = TypeOf(TypeName, P);
  FErrorPos = Ident->Prop("pos");
  Variant Initial;
  switch (Typ) {
    case fvtBool: Initial = Variant(false); break;
    case fvtChar: case fvtString: Initial = Variant(u""); break;
    case fvtArray: case fvtVariant: case fvtEnum: case fvtConstructor: Initial = Variant::Null(); break;
    default: Initial = Variant(0); break;
  }
  // The elements that describe this name.
  TscXMLItem* ArrayE = nullptr;
  TscXMLItem* InitE = nullptr;
  for (int I = IdentIndex + 1; I < E->Count(); ++I) {
    TscXMLItem* C = E->Items(I);
    if (CStyle && Is(C, "ident")) break;
    if (Is(C, "array")) ArrayE = C;
    else if (Is(C, "init")) InitE = C;
  }
  TscArrayHelper* Helper = nullptr;
  if (ArrayE) {
    std::vector<int> Bounds;
    for (int I = 0; I < ArrayE->Count(); ++I) {
      TscXMLItem* Dim = ArrayE->Items(I);
      if (!Is(Dim, "dim")) continue;
      std::vector<int> Values;
      for (int J = 0; J < Dim->Count(); ++J)
        if (Is(Dim->Items(J), "expr")) Values.push_back(DoExpression(Dim->Items(J), P)->GetValue().ToInteger());
      if (Values.size() == 1) {
        Bounds.push_back(0);
        Bounds.push_back(CStyle ? Values[0] - 1 : Values[0]);
      } else if (Values.size() >= 2) {
        Bounds.push_back(Values[0]);
        Bounds.push_back(Values[1]);
      }
    }
    if (Bounds.empty()) Bounds = {0, 0};
    FErrorPos = Ident->Prop("pos");
    Initial = rt::VarArrayCreate(Bounds, rt::varVariant);
    Helper = new TscArrayHelper("", static_cast<int>(Bounds.size() / 2), Typ, TypeName);
    P->Add("", Helper);
    Typ = fvtArray;
  }
  std::unique_ptr<TscCustomVariable> Item;
  if (IsParam) Item = std::make_unique<TscParamItem>(Name, Typ, TypeName, InitE != nullptr, ByRef);
  else if (Typ == fvtChar || Typ == fvtString) Item = std::make_unique<TscStringVariable>(Name, Typ, TypeName);
  else Item = std::make_unique<TscVariable>(Name, Typ, TypeName);
  if (auto* SV = dynamic_cast<TscStringVariable*>(Item.get())) SV->SetValue(Initial);
  else Item->PValue() = Initial;
  Item->RefItem = Helper;
  Item->SetSourcePos(Ident->Prop("pos"));
  Item->SetSourceUnit(UnitName());
  Item->SetOnGetVarValue(FProgram->OnGetVarValue);
  TscCustomVariable* V = Item.get();
  if (InitE) {
    TscXMLItem* X = InitE->Count() > 0 ? InitE->Items(0) : nullptr;
    if (X) {
      std::unique_ptr<TscExpression> Expr = DoExpression(X, P);
      if (!L) {
        std::string TN = TypeName;
        TscVariable Temp("", Typ, TN);
        TypeCheck(&Temp, Expr.get());
        V->PValue() = Expr->GetValue();
      } else {
        TypeCheck(V, Expr.get());
        P->Add(Name, Item.release());
        auto* D = new TscVariableDesignator(P);
        D->AddStep(V, Ident->Prop("pos"));
        TscDesignator* Fast = scFinalizeDesignator(D);
        auto S = std::make_unique<TscAssignmentStmt>(P, UnitName(), X->Prop("pos"));
        S->Designator = Fast;
        S->Expression = Expr.release();
        S->Optimize();
        FProgram->AddCodeLine(UnitName(), S->SourcePos());
        L->Add(S.release());
        return V;
      }
    }
  }
  P->Add(Name, Item.release());
  return V;
}

// ---- statements ----

void TscILParser::ConvertChildren(TscXMLItem* X, TscScript* Prog, TscStatement* L, int From) {
  // Nothing looks at a converted statement's elements again (late binding keeps copies), so
  // each is freed once converted: a large program never holds its whole intermediate form
  // beside its executable one.
  if (From == 0) {
    std::vector<std::unique_ptr<TscXMLItem>> Items = X->ReleaseItems();
    for (std::unique_ptr<TscXMLItem>& C : Items) {
      ConvertStatement(C.get(), Prog, L);
      C.reset();
    }
    return;
  }
  for (int I = From; I < X->Count(); ++I) {
    TscXMLItem* C = X->Items(I);
    ConvertStatement(C, Prog, L);
    C->Clear();
  }
}

namespace {
template <class T>
std::unique_ptr<T> NewStmt(TscScript* Prog, const std::string& Unit, const std::string& Pos) {
  return std::make_unique<T>(Prog, Unit, Pos);
}
} // namespace

void TscILParser::ConvertStatement(TscXMLItem* X, TscScript* Prog, TscStatement* L) {
  scCheckStack("Nesting too deep");
  FErrorPos = X->Prop("pos");
  const std::string Pos = FErrorPos;
  const std::string N = NameOf(X);
  auto Append = [&](std::unique_ptr<TscStatement> S) {
    FProgram->AddCodeLine(UnitName(), Pos);
    L->Add(S.release());
  };
  auto Cond = [&](int I) -> TscCustomVariable* {
    if (I >= X->Count()) Fail(SIncompatibleTypes);
    return DoExpression(X->Items(I), Prog).release();
  };

  if (N == "assignstmt") {
    ConvertAssign(X, Prog, L);
  } else if (N == "callstmt") {
    auto S = NewStmt<TscCallStmt>(Prog, UnitName(), Pos);
    S->Designator = DoDesignator(X->Items(0), Prog);
    if (X->Count() > 1) {
      S->Modificator = X->Items(1)->Prop("text");
      FErrorPos = Pos;
      if (S->Designator->IsReadOnly) Fail(SLeftCantAssigned);
    }
    Append(std::move(S));
  } else if (N == "ifstmt") {
    auto S = NewStmt<TscIfStmt>(Prog, UnitName(), Pos);
    S->Condition = Cond(0);
    for (int I = 1; I < X->Count(); ++I) {
      TscXMLItem* C = X->Items(I);
      if (Is(C, "thenstmt")) ConvertChildren(C, Prog, S.get());
      else if (Is(C, "elsestmt")) ConvertChildren(C, Prog, S->ElseStmt());
    }
    Append(std::move(S));
  } else if (N == "casestmt") {
    auto S = NewStmt<TscCaseStmt>(Prog, UnitName(), Pos);
    S->Condition = Cond(0);
    for (int I = 1; I < X->Count(); ++I) {
      TscXMLItem* C = X->Items(I);
      if (Is(C, "caseselector")) {
        if (C->Count() != 2) continue;
        auto Sel = NewStmt<TscCaseSelector>(Prog, UnitName(), C->Prop("pos"));
        Sel->SetExpression = DoSet(C->Items(0), Prog).release();
        ConvertStatement(C->Items(1), Prog, Sel.get());
        S->Add(Sel.release());
      } else if (I == X->Count() - 1) {
        ConvertStatement(C, Prog, S->ElseStmt());
      }
    }
    Append(std::move(S));
  } else if (N == "forstmt") {
    ConvertFor(X, Prog, L, false);
  } else if (N == "vbforstmt") {
    ConvertFor(X, Prog, L, true);
  } else if (N == "cppforstmt") {
    auto S = NewStmt<TscCppForStmt>(Prog, UnitName(), Pos);
    if (X->Count() > 0) ConvertStatement(X->Items(0), Prog, S->FirstStmt());
    if (X->Count() > 1 && Is(X->Items(1), "expr")) S->Expression = Cond(1);
    else {
      auto True = std::make_unique<TscExpression>(Prog);
      True->AddConst(true);
      std::string P;
      True->Finalize(P);
      S->Expression = True.release();
    }
    if (X->Count() > 2) ConvertStatement(X->Items(2), Prog, S->SecondStmt());
    if (X->Count() > 3) ConvertStatement(X->Items(3), Prog, S.get());
    Append(std::move(S));
  } else if (N == "whilestmt") {
    auto S = NewStmt<TscWhileStmt>(Prog, UnitName(), Pos);
    S->Condition = Cond(0);
    if (X->Count() > 1) ConvertStatement(X->Items(1), Prog, S.get());
    Append(std::move(S));
  } else if (N == "repeatstmt") {
    auto S = NewStmt<TscRepeatStmt>(Prog, UnitName(), Pos);
    int Last = X->Count() - 1;
    if (Last >= 0 && Is(X->Items(Last), "inverse")) {
      S->InverseCondition = true;
      --Last;
    }
    for (int I = 0; I < Last; ++I) ConvertStatement(X->Items(I), Prog, S.get());
    S->Condition = Cond(Last);
    Append(std::move(S));
  } else if (N == "trystmt") {
    auto S = NewStmt<TscTryStmt>(Prog, UnitName(), Pos);
    for (int I = 0; I < X->Count(); ++I) {
      TscXMLItem* C = X->Items(I);
      if (Is(C, "exceptstmt")) {
        S->IsExcept = true;
        ConvertChildren(C, Prog, S->ExceptStmt());
      } else if (Is(C, "finallystmt")) {
        ConvertChildren(C, Prog, S->ExceptStmt());
      } else {
        ConvertStatement(C, Prog, S.get());
      }
    }
    Append(std::move(S));
  } else if (N == "break") {
    Append(NewStmt<TscBreakStmt>(Prog, UnitName(), Pos));
  } else if (N == "continue") {
    Append(NewStmt<TscContinueStmt>(Prog, UnitName(), Pos));
  } else if (N == "exit") {
    Append(NewStmt<TscExitStmt>(Prog, UnitName(), Pos));
  } else if (N == "return") {
    if (X->Count() == 1) {
      TscXMLItem* Expr = X->Items(0);
      TscXMLItem* D = new TscXMLItem;
      D->Name = "dsgn";
      D->SetProp("pos", Expr->Prop("pos"));
      TscXMLItem* Node = D->Add();
      Node->Name = "node";
      Node->SetProp("text", "Result");
      Node->SetProp("pos", Expr->Prop("pos"));
      X->InsertItem(0, D);
      ConvertAssign(X, Prog, L);
    }
    FErrorPos = Pos;
    Append(NewStmt<TscExitStmt>(Prog, UnitName(), Pos));
  } else if (N == "with") {
    ConvertWith(X, Prog, L);
  } else if (N == "delete") {
    auto S = NewStmt<TscCallStmt>(Prog, UnitName(), Pos);
    S->Designator = DoDesignator(X->Items(0), Prog, emFree);
    Append(std::move(S));
  } else if (N == "compoundstmt") {
    ConvertChildren(X, Prog, L);
  } else if (N == "uses") {
    ConvertUses(X, Prog);
  } else if (N == "var") {
    DeclareVars(X, Prog, L, false, nullptr, false);
  } else if (N == "const") {
    if (X->Count() < 2) return;
    const std::string Name = X->Items(0)->Prop("text");
    FErrorPos = X->Items(0)->Prop("pos");
    CheckRedeclared(Name, Prog);
    std::unique_ptr<TscExpression> E = DoExpression(X->Items(1), Prog);
    auto* V = new TscVariable(Name, E->Typ, E->TypeName);
    V->PValue() = E->GetValue();
    V->IsReadOnly = true;
    V->SetSourcePos(FErrorPos);
    V->SetSourceUnit(UnitName());
    Prog->Add(Name, V);
  } else if (N == "procedure" || N == "function") {
    std::string Name;
    if (N == "procedure") Name = X->Count() > 0 ? X->Items(0)->Prop("text") : std::string();
    else if (TscXMLItem* NameE = FirstChild(X, "name")) Name = NameE->Prop("text");
    auto* Routine = dynamic_cast<TscProcVariable*>(Prog->FindLocal(Name));
    if (!Routine) Fail(SIdUndeclared + Quoted(Name));
    std::vector<std::pair<std::string, TscCustomVariable*>> SavedWith;
    SavedWith.swap(FWithList);
    ConvertProgram(X, Routine->Prog());
    SavedWith.swap(FWithList);
  }
  // Anything else (empty, types, the parts of a routine heading) makes no statement.
}

void TscILParser::ConvertAssign(TscXMLItem* X, TscScript* Prog, TscStatement* L) {
  const std::string Pos = X->Prop("pos");
  std::unique_ptr<TscDesignator> D(DoDesignator(X->Items(0), Prog));
  std::string Mod;
  int ExprIndex = 1;
  if (X->Count() > 1 && Is(X->Items(1), "modificator")) {
    Mod = X->Items(1)->Prop("text");
    ExprIndex = 2;
  }
  FErrorPos = Pos;
  if (D->IsReadOnly) Fail(SLeftCantAssigned);
  if (ExprIndex >= X->Count()) Fail(SIncompatibleTypes);
  std::unique_ptr<TscExpression> E = DoExpression(X->Items(ExprIndex), Prog);
  FErrorPos = Pos;
  TypeCheck(D.get(), E.get());
  if (Mod.empty()) E->Optimize(D.get(), Mod);
  std::unique_ptr<TscAssignmentStmt> S;
  switch (Mod.empty() ? ' ' : Mod[0]) {
    case '*': S = NewStmt<TscAssignMulStmt>(Prog, UnitName(), Pos); break;
    case '+': S = NewStmt<TscAssignPlusStmt>(Prog, UnitName(), Pos); break;
    case '-': S = NewStmt<TscAssignMinusStmt>(Prog, UnitName(), Pos); break;
    case '/': S = NewStmt<TscAssignDivStmt>(Prog, UnitName(), Pos); break;
    default: S = NewStmt<TscAssignmentStmt>(Prog, UnitName(), Pos); break;
  }
  S->Designator = D.release();
  S->Expression = E.release();
  S->Optimize();
  S->DropPlainTarget();
  FProgram->AddCodeLine(UnitName(), Pos);
  L->Add(S.release());
}

void TscILParser::ConvertFor(TscXMLItem* X, TscScript* Prog, TscStatement* L, bool Vb) {
  const std::string Pos = X->Prop("pos");
  if (X->Count() < 3) Fail(SForError);
  TscXMLItem* VarE = X->Items(0);
  std::string VarName = VarE->Prop("text");
  if (Is(VarE, "dsgn") && VarE->Count() > 0) VarName = VarE->Items(0)->Prop("text");
  FErrorPos = VarE->Prop("pos");
  TscCustomVariable* V = FindName(VarName, Prog);
  if (!dynamic_cast<TscVariable*>(V) ||
      !(V->Typ == fvtInt || V->Typ == fvtFloat || V->Typ == fvtVariant || V->Typ == fvtInt64))
    Fail(SForError);
  auto Bound = [&](int I) {
    std::unique_ptr<TscExpression> E = DoExpression(X->Items(I), Prog);
    FErrorPos = X->Items(I)->Prop("pos");
    TypeCheck(V, E.get());
    return E;
  };
  int Next;
  if (!Vb) {
    auto S = NewStmt<TscForStmt>(Prog, UnitName(), Pos);
    S->Variable = V;
    S->BeginValue = Bound(1).release();
    int EndIndex = 2;
    if (Is(X->Items(2), "downto")) {
      S->Down = true;
      EndIndex = 3;
    }
    if (EndIndex >= X->Count()) Fail(SForError);
    S->EndValue = Bound(EndIndex).release();
    Next = EndIndex + 1;
    if (Next < X->Count()) ConvertStatement(X->Items(Next), Prog, S.get());
    FProgram->AddCodeLine(UnitName(), Pos);
    L->Add(S.release());
    return;
  }
  auto S = NewStmt<TscVbForStmt>(Prog, UnitName(), Pos);
  S->Variable = V;
  S->BeginValue = Bound(1).release();
  S->EndValue = Bound(2).release();
  Next = 3;
  if (Next < X->Count() && Is(X->Items(Next), "expr")) S->Step = Bound(Next++).release();
  for (; Next < X->Count(); ++Next) ConvertStatement(X->Items(Next), Prog, S.get());
  FProgram->AddCodeLine(UnitName(), Pos);
  L->Add(S.release());
}

void TscILParser::ConvertWith(TscXMLItem* X, TscScript* Prog, TscStatement* L) {
  const std::size_t Depth = FWithList.size();
  int I = 0;
  for (; I < X->Count() && Is(X->Items(I), "dsgn"); ++I) {
    TscXMLItem* DE = X->Items(I);
    std::unique_ptr<TscDesignator> D(DoDesignator(DE, Prog));
    FErrorPos = DE->Prop("pos");
    if (D->Typ != fvtClass && D->Typ != fvtVariant) Fail(SClassRequired);
    std::string Name;
    for (int K = 0;; ++K) {
      Name = "_WithList_" + rt::IntToStr(K);
      bool Used = Prog->FindLocal(Name) != nullptr;
      for (auto& W : FWithList) Used = Used || rt::SameText(W.first, Name);
      if (!Used) break;
    }
    auto* V = new TscVariable(Name, D->Typ, D->TypeName);
    Prog->Add(Name, V);
    auto S = NewStmt<TscWithStmt>(Prog, UnitName(), DE->Prop("pos"));
    S->Designator = D.release();
    S->Variable = V;
    FProgram->AddCodeLine(UnitName(), S->SourcePos());
    L->Add(S.release());
    FWithList.emplace_back(Name, V);
  }
  try {
    ConvertChildren(X, Prog, L, I);
  } catch (...) {
    FWithList.resize(Depth);
    throw;
  }
  FWithList.resize(Depth);
}

void TscILParser::ConvertUses(TscXMLItem* X, TscScript* Prog) {
  const std::string Unit = X->Prop("unit");
  for (const std::string& U : FConvertedUnits)
    if (rt::SameText(U, Unit)) return;
  FConvertedUnits.push_back(Unit);
  const std::string SavedUnit = UnitName();
  SetUnitName(Unit);
  std::string IL;
  if (FProgram->OnGetILUnit) FProgram->OnGetILUnit(FProgram, Unit, IL);
  if (!IL.empty()) {
    TscXMLDocument Doc;
    rt::TStringStream Stream(IL);
    Doc.LoadFromStream(Stream);
    ConvertProgram(Doc.Root(), Prog);
  } else {
    for (int I = 0; I < X->Count(); ++I) {
      TscXMLItem* C = X->Items(I);
      if (Is(C, "program")) ConvertProgram(C, Prog);
      else ConvertStatement(C, Prog, Prog->Statement());
    }
  }
  SetUnitName(SavedUnit);
}

// ---- expressions ----

std::string TscILParser::ExprSource(TscXMLItem* X) {
  TscPoint A = ScriptPosToPoint(X->Prop("pos"));
  TscPoint B = ScriptPosToPoint(X->Prop("pos1"));
  const int P1 = Parser().GetPlainPosition(A.X, A.Y);
  const int P2 = Parser().GetPlainPosition(B.X, B.Y);
  const int Size = Parser().Size();
  if (P1 < 1 || P2 < 1 || P1 > Size + 1 || P2 > Size + 1 || P2 < P1) return {};
  return std::string(Parser().TextView().substr(static_cast<std::size_t>(P1 - 1), static_cast<std::size_t>(P2 - P1)));
}

void TscILParser::AddExprChildren(TscExpression* E, TscXMLItem* X, TscScript* Prog) {
  const int N = X->Count();
  for (int I = 0; I < N; ++I) {
    TscXMLItem* C = X->Items(I);
    FErrorPos = C->Prop("pos");
    E->CurrentSourcePos = FErrorPos;
    const std::string Name = NameOf(C);
    if (Name == "op") {
      const std::string Text = rt::LowerCase(C->Prop("text"));
      E->AddOperator(Text);
    } else if (Name == "number" || Name == "string") {
      E->AddConst(LiteralToVariant(C->Prop("text")));
    } else if (Name == "dsgn") {
      std::unique_ptr<TscDesignator> D(DoDesignator(C, Prog));
      // A plain variable is read straight; the designator would only cost memory.
      auto* V = dynamic_cast<TscVariableDesignator*>(D.get()) ? dynamic_cast<TscVariable*>(D->RefItem) : nullptr;
      if (V && !D->LateBinding && D->Typ == V->Typ && D->TypeName == V->TypeName && D->IsReadOnly == V->IsReadOnly)
        E->AddVariable(V);
      else
        E->AddDesignator(D.release());
    } else if (Name == "set") {
      E->AddSet(DoSet(C, Prog).release());
    } else if (Name == "new") {
      if (C->Count() > 0) E->AddDesignator(DoDesignator(C->Items(0), Prog, emCreate));
    } else if (Name == "expr") {
      AddExprChildren(E, C, Prog);
    }
  }
}

std::unique_ptr<TscExpression> TscILParser::DoExpression(TscXMLItem* X, TscScript* Prog, bool KeepSource) {
  scCheckStack("Nesting too deep");
  auto E = std::make_unique<TscExpression>(Prog);
  AddExprChildren(E.get(), X, Prog);
  if (KeepSource) E->Source = ExprSource(X);
  FErrorPos = X->Prop("pos");
  std::string Pos;
  try {
    E->Finalize(Pos);
  } catch (const rt::Exception&) {
    if (!Pos.empty()) FErrorPos = Pos;
    throw;
  }
  if (!Pos.empty()) {
    FErrorPos = Pos;
    Fail(SIncompatibleTypes);
  }
  return E;
}

std::unique_ptr<TscSetExpression> TscILParser::DoSet(TscXMLItem* X, TscScript* Prog) {
  auto S = std::make_unique<TscSetExpression>();
  for (int I = 0; I < X->Count(); ++I) {
    TscXMLItem* C = X->Items(I);
    if (Is(C, "expr")) S->Add(DoExpression(C, Prog).release());
    else if (Is(C, "range")) S->Add(nullptr);
  }
  return S;
}

// ---- designators ----

void TscILParser::KeepForLateBinding(TscDesignator* D, TscXMLItem* Data, TscCustomVariable* ScopeVar) {
  auto L = std::make_unique<TscILLateBinding>(Data, FNeedDeclareVars);
  if (ScopeVar) {
    auto* Node = new TscXMLItem;
    Node->Name = "node";
    Node->SetProp("text", ScopeVar->Name());
    Node->SetProp("pos", Data->Prop("pos"));
    int First = 0;
    while (First < L->Data().Count() && Is(L->Data().Items(First), "addr")) ++First;
    L->Data().InsertItem(First, Node);
  }
  D->LateBinding = std::move(L);
}

bool TscILParser::TryWithScopes(TscDesignator* D, TscXMLItem* Data, const std::string& Name, TscScript* Prog) {
  for (auto It = FWithList.rbegin(); It != FWithList.rend(); ++It) {
    TscCustomVariable* ScopeVar = It->second;
    if (Prog->FindLocal(It->first) != ScopeVar) continue;
    if (ScopeVar->Typ == fvtVariant) {
      if (Prog->Find(Name)) return false;
      D->AddStep(ScopeVar, FErrorPos);
      D->Finalize();
      D->Typ = fvtVariant;
      KeepForLateBinding(D, Data, ScopeVar);
      return true;
    }
    TscClassVariable* C = Prog->FindClass(ScopeVar->TypeName);
    if (!C) continue;
    if (TscCustomVariable* M = C->Find(Name)) {
      D->AddStep(ScopeVar, FErrorPos);
      D->AddStep(M, FErrorPos);
      return false;
    }
  }
  return false;
}

TscDesignator* TscILParser::DoDesignator(TscXMLItem* Data, TscScript* Prog, TscEmitOp EmitOp) {
  auto D = std::make_unique<TscDesignator>(Prog);
  for (int CI = 0; CI < Data->Count(); ++CI) {
    TscXMLItem* C = Data->Items(CI);
    FErrorPos = C->Prop("pos");
    const std::string CN = NameOf(C);
    if (CN == "node") {
      const std::string T = C->Prop("text");
      if (D->Count() == 0) {
        const int Before = D->Count();
        if (TryWithScopes(D.get(), Data, T, Prog)) return D.release();
        if (D->Count() == Before) D->AddStep(FindName(T, Prog), FErrorPos);
        if (EmitOp == emCreate) {
          auto* Cls = dynamic_cast<TscClassVariable*>(D->GetItem(0)->Ref);
          if (!Cls) Fail(SClassRequired);
          TscCustomVariable* Create = Cls->Find("Create");
          if (!Create) Fail(SIdUndeclared + Quoted("Create"));
          D->AddStep(Create, FErrorPos);
        }
        continue;
      }
      TscDesignatorItem* R = D->GetItem(D->Count() - 1);
      TscCustomVariable* V = R->Ref;
      if (auto* M = dynamic_cast<TscMethodHelper*>(V); M && M->IndexMethod && !R->Flag) {
        R->Flag = true;
        if (T != "[") Fail(SIndexRequired);
        continue;
      }
      TscVarType VT = V->Typ;
      std::string VTypeName = V->TypeName;
      if (VT == fvtVariant) {
        const Variant& Cur = V->PValue();
        if (Cur.IsNull() || Cur.IsEmpty()) {
          if (RunTime) Fail(SClassRequired);
          D->Finalize();
          D->Typ = fvtVariant;
          D->TypeName.clear();
          KeepForLateBinding(D.get(), Data);
          return D.release();
        }
        if (Cur.IsDispatch()) return DoOLESteps(D.release(), Data, CI, Prog);
        if (Cur.IsString()) {
          VT = fvtString;
        } else if (Cur.IsArray()) {
          if (T != "[") Fail(SIndexRequired);
          TscCustomVariable* H = Prog->Find("__ArrayHelper");
          if (!H) Fail(SArrayRequired);
          D->AddStep(H, FErrorPos);
          continue;
        } else {
          // Only the handle of a live object is an object.
          rt::TObject* O = rt::VarFindObject(Cur);
          if (!O) Fail(SClassRequired);
          V->TypeName = O->ClassName();
          VTypeName = V->TypeName;
          VT = fvtClass;
        }
      }
      if (VT == fvtString) {
        if (T != "[") Fail(SStringError);
        TscCustomVariable* H = Prog->Find("__StringHelper");
        if (!H) Fail(SStringError);
        D->AddStep(H, FErrorPos);
      } else if (VT == fvtClass) {
        TscClassVariable* Cls = FindClassOf(VTypeName, Prog);
        if (T == "[") {
          if (!Cls->DefProperty) Fail(scFormatMessage(SClassError, Cls->Name()));
          D->AddStep(Cls->DefProperty, FErrorPos)->Flag = true;
        } else if (TscCustomVariable* M = Cls->Find(T)) {
          D->AddStep(M, FErrorPos);
        } else {
          const Variant& Cur = V->PValue();
          const bool NoValue = Cur.IsNull() || Cur.IsEmpty() || (Cur.IsOrdinal() && Cur.RawInt() == 0);
          if (NoValue && !FProgram->IsRunning && Prog->UseClassLateBinding && !RunTime) {
            while (D->Count() > 1) {
              TscDesignatorItem* Last = D->GetItem(D->Count() - 1);
              D->Remove(Last);
              delete Last;
            }
            D->Finalize();
            D->Typ = fvtVariant;
            D->TypeName.clear();
            KeepForLateBinding(D.get(), Data);
            return D.release();
          }
          // A component the object owns (Box.Inner with Inner owned by Box). The program owns
          // the new item; the designator only refers to it.
          auto* Owner = dynamic_cast<rt::TComponent*>(rt::VarFindObject(Cur));
          rt::TComponent* Owned = Owner ? Owner->FindComponent(T) : nullptr;
          if (!Owned) Fail(SIdUndeclared + Quoted(T));
          auto* H = new TscComponentHelper(Owned);
          Prog->Add("", H);
          D->AddStep(H, FErrorPos);
        }
      } else if (VT == fvtArray) {
        if (!V->RefItem) Fail(SArrayRequired);
        D->AddStep(V->RefItem, FErrorPos);
      } else {
        Fail(SArrayRequired);
      }
    } else if (CN == "expr") {
      if (D->Count() == 0) Fail(SIncompatibleTypes);
      TscDesignatorItem* Step = D->GetItem(D->Count() - 1);
      Step->Add(DoExpression(C, Prog, Step->Ref && Step->Ref->IsMacro).release());
    } else if (CN == "addr") {
      if (Data->Count() != 2) Fail(SVarRequired);
      auto* S = new TscStringVariable("", fvtString, "String");
      S->SetValue(Variant(Data->Items(1)->Prop("text")));
      Prog->Add("", S);
      D->AddStep(S, FErrorPos);
      break;
    }
  }
  if (D->Count() == 0) Fail(SVarRequired);
  if (EmitOp == emFree) {
    TscCustomVariable* Last = D->GetItem(D->Count() - 1)->Ref;
    if (Last->Typ != fvtClass && Last->Typ != fvtVariant) Fail(SClassRequired);
    TscClassVariable* Obj = Prog->FindClass("TObject");
    TscCustomVariable* Free = Obj ? Obj->Find("Free") : nullptr;
    if (!Free) Fail(SIdUndeclared + Quoted("Free"));
    D->AddStep(Free, FErrorPos);
  }
  TscDesignator* Result = scFinalizeDesignator(D.release());
  std::unique_ptr<TscDesignator> Guard(Result);
  CheckParams(Result);
  // The fast form of a plain variable reads its variable alone, so its step would only cost
  // memory. Not while running: a late-bound designator borrows the steps it is given.
  if (!RunTime && dynamic_cast<TscVariableDesignator*>(Result)) Result->Clear();
  return Guard.release();
}

TscDesignator* TscILParser::DoOLESteps(TscDesignator* D, TscXMLItem* Data, int From, TscScript* Prog) {
  // Members of an automation object are called by name at run time: every further node is one
  // member step ("[" adds none), every expression an argument of the step before it.
  std::unique_ptr<TscDesignator> Guard(D);
  TscOLEHelper* Last = nullptr;
  for (int CI = From; CI < Data->Count(); ++CI) {
    TscXMLItem* C = Data->Items(CI);
    FErrorPos = C->Prop("pos");
    if (Is(C, "node")) {
      if (C->Prop("text") == "[") continue;
      Last = new TscOLEHelper(C->Prop("text"));
      Prog->Add("", Last);
      D->AddStep(Last, FErrorPos);
    } else if (Is(C, "expr")) {
      if (!Last) Fail(SIncompatibleTypes);
      Last->AddParam();
      D->GetItem(D->Count() - 1)->Add(DoExpression(C, Prog).release());
    }
  }
  D->Finalize();
  return Guard.release();
}

void TscILParser::CheckParams(TscDesignator* D) {
  for (int I = 0; I < D->Count(); ++I) {
    TscDesignatorItem* Step = D->GetItem(I);
    TscCustomVariable* R = Step->Ref;
    if (dynamic_cast<TscDesignator*>(R)) continue;
    FErrorPos = Step->SourcePos;
    if (Step->Count() < R->GetNumberOfRequiredParams()) Fail(SNotEnoughParams);
    if (Step->Count() > R->Count()) Fail(STooManyParams);
    for (int J = Step->Count(); J < R->Count(); ++J) {
      auto E = std::make_unique<TscExpression>(D->Program());
      E->AddConstWithType(R->Params(J)->DefValue, R->Params(J)->Typ);
      std::string P;
      E->Finalize(P);
      Step->Add(E.release());
    }
    for (int J = 0; J < R->Count(); ++J) TypeCheck(R->Params(J), Step->GetItem(J));
  }
}
