#pragma once
// The script program's parser: makes the intermediate program (the grammar-driven front end) and
// turns it into the program's executable items and statements. Names, types, parameter counts,
// default arguments, with scopes and late binding are all decided here, at compile time.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "report/script/sc_iinterpreter.h"
#include "report/script/sc_iparser.h"

enum TscEmitOp { emNone, emCreate, emFree };

class TscExpression;

class TscILParser : public TscCustomILParser {
public:
  // Takes the program's tokenizer option, include path and unit handler.
  explicit TscILParser(TscScript* AProgram);

  // MakeILScript, passing its error texts to the program.
  bool MakeILScriptFor(const std::string& Text);
  // Converts ILScript into the program. Errors become the program's ErrorMsg, ErrorPos and
  // ErrorUnit; nothing is raised.
  void ParseILScript();
  // The designator of a dsgn element (also used to resolve late-bound designators at run time).
  TscDesignator* DoDesignator(TscXMLItem* Data, TscScript* Prog, TscEmitOp EmitOp = emNone);

  // Set for parsers that resolve late-bound designators while the program runs.
  bool RunTime = false;
  void SetNeedDeclareVars(bool Value) { FNeedDeclareVars = Value; }

private:
  void ConvertProgram(TscXMLItem* E, TscScript* P);
  void DeclareRoutines(TscXMLItem* E, TscScript* P);
  void DeclareRoutine(TscXMLItem* E, TscScript* P);
  void ConvertStatement(TscXMLItem* X, TscScript* Prog, TscStatement* L);
  void ConvertChildren(TscXMLItem* X, TscScript* Prog, TscStatement* L, int From = 0);
  void ConvertAssign(TscXMLItem* X, TscScript* Prog, TscStatement* L);
  void ConvertFor(TscXMLItem* X, TscScript* Prog, TscStatement* L, bool Vb);
  void ConvertWith(TscXMLItem* X, TscScript* Prog, TscStatement* L);
  void ConvertUses(TscXMLItem* X, TscScript* Prog);
  void DeclareVars(TscXMLItem* E, TscScript* P, TscStatement* L, bool AreParams, TscProcVariable* Routine,
                   bool ByRefGroup);
  TscCustomVariable* DeclareVar(TscXMLItem* E, int IdentIndex, TscScript* P, TscStatement* L, bool IsParam,
                                bool ByRef);
  // KeepSource: the expression's text is kept (arguments of macro routines read it).
  std::unique_ptr<TscExpression> DoExpression(TscXMLItem* X, TscScript* Prog, bool KeepSource = false);
  void AddExprChildren(TscExpression* E, TscXMLItem* X, TscScript* Prog);
  std::unique_ptr<TscSetExpression> DoSet(TscXMLItem* X, TscScript* Prog);
  void CheckParams(TscDesignator* D);
  // The steps from child From on as late-bound automation calls (sc_idisp); D is finalised.
  TscDesignator* DoOLESteps(TscDesignator* D, TscXMLItem* Data, int From, TscScript* Prog);
  bool TryWithScopes(TscDesignator* D, TscXMLItem* Data, const std::string& Name, TscScript* Prog);
  void KeepForLateBinding(TscDesignator* D, TscXMLItem* Data, TscCustomVariable* ScopeVar = nullptr);

  void CheckRedeclared(const std::string& Name, TscScript* Prog);
  TscCustomVariable* FindName(const std::string& Name, TscScript* Prog);
  TscClassVariable* FindClassOf(const std::string& Name, TscScript* Prog);
  // Type code of a type name after the language's type mapping; the name is replaced by the
  // runtime's type name.
  TscVarType TypeOf(std::string& TypeName, TscScript* Prog);
  void TypeCheck(TscCustomVariable* Target, TscCustomVariable* Source);
  [[noreturn]] void Fail(const std::string& Message);
  std::string ExprSource(TscXMLItem* X);

  TscScript* FProgram;
  std::string FErrorPos;
  TscXMLItem* FProgRoot = nullptr;
  std::vector<std::string> FConvertedUnits;
  std::vector<std::pair<std::string, TscCustomVariable*>> FWithList;
};
