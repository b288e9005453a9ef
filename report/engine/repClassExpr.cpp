// Expressions of a report: direct name lookup, the cache of compiled expression functions, the
// functions the report registers in its script, and the bridges to script event handlers.
#include <algorithm>

#include "platform/rt/Format.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassBand.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassPicture.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repExpression.h"
#include "report/engine/repFileUtils.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iinterpreter.h"

namespace {

// The report a callback of the report's functions serves.
constexpr const char* kFloatDivByZero = "Floating point division by zero";

bool IsAggregateCall(const std::string& Name) {
  const std::size_t P = Name.find('(');
  if (P == std::string::npos) return false;
  const std::string F = rt::Utf8UpperCase(rt::Trim(Name.substr(0, P)));
  return F == "SUM" || F == "MIN" || F == "MAX" || F == "AVG" || F == "COUNT";
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Process-wide hooks and variables

TrepFR2Events& GlobalFR2Events() {
  static TrepFR2Events Events;
  return Events;
}

TrepVariables& GlobalVariables() {
  static TrepVariables Variables;
  return Variables;
}

// ---------------------------------------------------------------------------------------------
// TrepExpressionCache

TrepExpressionCache::TrepExpressionCache(TscScript* AScript)
    : FMainScript(AScript), FScript(std::make_unique<TscScript>()) {
  FScript->ExtendedCharset = true;
  FScript->AddRTTI();
  // Units come only through the report's own script, which knows the report's unit folders.
  FScript->OnGetUnit = [this](TscScript* Sender, const std::string& UnitName, std::string& UnitText) {
    if (!FMainScript || !FMainScript->OnGetUnit) UnitText = ReadScriptUnit({}, UnitName);
    else FMainScript->OnGetUnit(Sender, UnitName, UnitText);
  };
  FExpressions.SetSorted(true);
  FExpressions.SetCaseSensitive(true);
  FExpressions.Duplicates = rt::dupAccept;
}

TrepExpressionCache::~TrepExpressionCache() = default;

void TrepExpressionCache::SetCaseSensitive(bool Value) {
  FCaseSensitive = Value;
  FExpressions.SetCaseSensitive(Value);
}

void TrepExpressionCache::Clear() {
  FExpressions.Clear();
  FScript->Clear();
}

TscProcVariable* TrepExpressionCache::Compile(const std::string& Expression, std::string& ErrorMsg) {
  const std::string Name = "rt3f" + std::to_string(FExpressions.Count());
  const std::string Lang = rt::Utf8UpperCase(ScriptLanguage);
  std::string Text;
  if (Lang == "PASCALSCRIPT")
    Text = "function " + Name + ": Variant; begin Result := " + Expression + " end; begin end.";
  else if (Lang == "D++UDERIR")
    Text = "Variant " + Name + "() { return " + Expression + "; } {}";
  else if (Lang == "RIRAVUDEVAD")
    Text = "function " + Name + "\r\nreturn " + Expression + "\r\nend function";
  else if (Lang == "JSCRIPT")
    Text = "function " + Name + "() { return " + Expression + "; }";
  auto Fail = [&](const std::string& Why) {
    ErrorMsg = ResourceTable().Get("clExprError") + " '" + Expression + "': " + Why;
    return nullptr;
  };
  if (Text.empty()) return Fail("unknown script language " + ScriptLanguage);
  if (Expression.size() > repMaxExpressionLength) return Fail("expression too long");

  // What the compile adds is compared with what was there, so that anything beyond the one
  // function (routines, a main block, statements after the return) is found and taken out.
  std::vector<rt::TObject*> Before;
  Before.reserve(static_cast<std::size_t>(FScript->Count()));
  for (int I = 0; I < FScript->Count(); ++I) Before.push_back(FScript->GetItem(I));
  std::sort(Before.begin(), Before.end());
  FScript->SyntaxType = ScriptLanguage;
  FScript->Lines.SetText(Text);
  bool Ok = FScript->Compile();
  std::string Why = FScript->ErrorMsg;

  TscProcVariable* Func = nullptr;
  std::vector<TscCustomVariable*> Added;
  for (int I = 0; I < FScript->Count(); ++I) {
    TscCustomVariable* V = FScript->GetItem(I);
    if (V == nullptr || std::binary_search(Before.begin(), Before.end(), static_cast<rt::TObject*>(V))) continue;
    Added.push_back(V);
    auto* P = dynamic_cast<TscProcVariable*>(V);
    if (P != nullptr && rt::SameText(P->Name(), Name) && Func == nullptr) {
      Func = P;
    } else if (P != nullptr || dynamic_cast<TscVariable*>(V) == nullptr) {
      Ok = false;  // a routine or item of its own: more than one expression
      if (Why.empty()) Why = "only one expression is allowed";
    }
  }
  if (Ok && Func == nullptr) {
    Ok = false;
    Why = "only one expression is allowed";
  }
  if (Ok) {
    // The function's body is the one return of the expression; the cache's script never has a
    // main block.
    TscStatement* Body = Func->Prog()->Statement();
    const bool OneReturn = Body->Count() == 1 && dynamic_cast<TscAssignmentStmt*>(Body->GetItem(0)) != nullptr;
    if (!OneReturn || FScript->Statement()->Count() != 0 || Func->Count() != 0) {
      Ok = false;
      Why = "only one expression is allowed";
    }
  }
  FScript->Statement()->Clear();
  if (!Ok) {
    for (TscCustomVariable* V : Added) {
      FScript->Remove(V);
      delete V;
    }
    return Fail(Why);
  }
  return Func;
}

rt::Variant TrepExpressionCache::Calc(const std::string& Expression, std::string& ErrorMsg, TscScript* AScript) {
  ErrorMsg.clear();
  FScript->Parent = AScript;
  std::string Key = Expression;
  if (FMainScript != nullptr && FMainScript->ProgRunning != nullptr) {
    const std::string Prog = FMainScript->ProgName();
    if (!Prog.empty()) Key = Prog + "." + Expression;
  }
  TscProcVariable* Func = nullptr;
  int Index = -1;
  if (FExpressions.Find(Key, Index)) {
    Func = static_cast<TscProcVariable*>(FExpressions.Objects(Index));
  } else {
    Func = Compile(Expression, ErrorMsg);
    if (Func == nullptr) return rt::Variant::Null();
    FExpressions.AddObject(Key, Func);
  }
  const bool WasMain = FMainScript ? FMainScript->MainProg : false;
  if (FMainScript) FMainScript->MainProg = false;
  rt::Variant Result = rt::Variant::Null();
  try {
    Result = Func->GetValue();
  } catch (const rt::Exception& E) {
    ErrorMsg = E.Message();
    Result = rt::Variant::Null();
  } catch (...) {
    if (FMainScript) FMainScript->MainProg = WasMain;
    throw;
  }
  if (FMainScript) FMainScript->MainProg = WasMain;
  return Result;
}

// ---------------------------------------------------------------------------------------------
// TrepReport: expressions

bool TrepReport::CaseSensitiveExpressions() const { return FExpressionCache->CaseSensitive(); }
void TrepReport::SetCaseSensitiveExpressions(bool Value) { FExpressionCache->SetCaseSensitive(Value); }

rt::Variant TrepReport::LocalValue() const { return FLocalValue ? FLocalValue->GetValue() : rt::Variant::Null(); }

void TrepReport::SetLocalValue(const rt::Variant& Value) {
  if (FLocalValue) FLocalValue->SetValue(Value);
}

TrepView* TrepReport::SelfValue() const {
  if (!FSelfValue) return nullptr;
  return dynamic_cast<TrepView*>(rt::VarFindObject(FSelfValue->GetValue()));
}

void TrepReport::SetSelfValue(TrepView* Value) {
  if (FSelfValue) FSelfValue->SetValue(rt::VarFromObject(Value));
}

bool TrepReport::GetNameValue(const std::string& Name, rt::Variant& Value) {
  Value = rt::Variant::Null();
  if (GlobalFR2Events().OnGetValue) {
    rt::Variant V;
    GlobalFR2Events().OnGetValue(Name, V);
    if (!V.IsEmpty()) {
      Value = V;
      return true;
    }
  }
  // A dataset field: Alias."Field".
  TrepDataSet* DS = nullptr;
  std::string Field;
  GetDatasetAndField(Name, DS, Field);
  if (DS != nullptr && !Field.empty()) {
    Value = DS->GetValue(Field);
    if (EngineOptions.ConvertNulls && Value.IsNull()) {
      switch (DS->GetFieldType(Field)) {
        case fftString: Value = rt::Variant(""); break;
        case fftBoolean: Value = rt::Variant(false); break;
        case fftNumeric:
        case fftDateTime: Value = rt::Variant(0); break;
      }
    }
    return true;
  }
  // System variables.
  const int Sys = FSysVariables.IndexOf(Name);
  if (Sys >= 0) {
    TrepCustomEngine* E = Engine();
    TrepCustomPreviewPages* P = PreviewPages();
    switch (Sys) {
      case 0: Value = rt::Variant::Date(E ? E->StartDate : 0); break;
      case 1: Value = rt::Variant::Date(E ? E->StartTime : 0); break;
      case 2: Value = rt::Variant(P ? P->GetLogicalPageNo() : 0); break;
      case 3: Value = rt::Variant(P ? P->CurPage + 1 : 0); break;
      case 4: Value = rt::Variant(P ? P->GetLogicalTotalPages() : 0); break;
      case 5: Value = rt::Variant(E ? E->TotalPages : 0); break;
      case 6: Value = rt::Variant(E ? E->CurLine : 0); break;
      case 7: Value = rt::Variant(E ? E->CurLineThrough : 0); break;
      case 8: Value = GlobalVariables().Variables("CopyName0"); break;
      case 9: Value = rt::Variant(E ? E->CurTableRow : 0); break;
      case 10: Value = rt::Variant(E ? E->CurTableColumn : 0); break;
      default: break;
    }
    return true;
  }
  if (OnGetValue || OnNewGetValue) {
    rt::Variant V;
    if (OnGetValue) OnGetValue(Name, V);
    if (OnNewGetValue) OnNewGetValue(this, Name, V);
    if (!V.IsEmpty()) {
      Value = V;
      return true;
    }
  }
  // Report variables: a text without a line break is an expression.
  const int VI = FVariables->IndexOf(Name);
  if (VI >= 0) {
    const rt::Variant V = FVariables->Items(VI)->Value;
    if (V.IsString() && V.RawString().find(u"\r\n") == std::u16string::npos) {
      const std::string Upper = rt::Utf8UpperCase(Name);
      if (std::find(FResolving.begin(), FResolving.end(), Upper) != FResolving.end())
        throw rt::Exception("Circular reference in report variable '" + Name + "'");
      if (static_cast<int>(FResolving.size()) >= repMaxVariableNesting)
        throw rt::Exception("Report variables nested too deep at '" + Name + "'");
      FResolving.push_back(Upper);
      try {
        Value = Calc(V.ToString(), nullptr);
      } catch (...) {
        FResolving.pop_back();
        throw;
      }
      FResolving.pop_back();
    } else {
      Value = V;
    }
    return true;
  }
  const int GI = GlobalVariables().IndexOf(Name);
  if (GI >= 0) {
    Value = GlobalVariables().Items(GI)->Value;
    return true;
  }
  if (GlobalFR2Events().OnGetScriptValue) return false;
  if (TscCustomVariable* V = FScript->FindLocal(Name)) {
    if (dynamic_cast<TscProcVariable*>(V) == nullptr && dynamic_cast<TscMethodHelper*>(V) == nullptr) {
      Value = V->GetValue();
      return true;
    }
  }
  return false;
}

rt::Variant TrepReport::CalcInternal(const std::string& Expr, TscScript* AScript, bool FromScript) {
  std::string ErrorMsg;
  rt::Variant Result = rt::Variant::Null();
  try {
    if (GetNameValue(Expr, Result)) return Result;
    Result = FExpressionCache->Calc(Expr, ErrorMsg, AScript ? AScript : FScript.get());
  } catch (const ErepExpressionError&) {
    throw;  // recorded where it happened
  } catch (const rt::Exception& E) {
    // Raised while a name was resolved (a variable cycle, a dataset's own error).
    ErrorMsg = E.Message();
    Result = rt::Variant::Null();
  }
  if (ErrorMsg.empty()) return Result;
  if (ErrorMsg == kFloatDivByZero && EngineOptions.IgnoreDevByZero) return Result;
  if (EngineOptions.IgnoreExprError) return rt::Variant(Expr);
  if (FromScript) throw rt::Exception(ResourceTable().Get("clErrorInExp") + ErrorMsg);
  if (!CurObject.empty()) ErrorMsg = CurObject + ": " + ErrorMsg;
  FErrors.Add(ErrorMsg);
  throw ErepExpressionError(ErrorMsg);
}

rt::Variant TrepReport::Calc(const std::string& Expr, TscScript* AScript) { return CalcInternal(Expr, AScript, false); }

rt::Variant TrepReport::CalcFromScript(const std::string& Expr) { return CalcInternal(Expr, nullptr, true); }

// ---------------------------------------------------------------------------------------------
// TrepReport: the report's functions in its script

bool TrepReport::PrepareScript(TrepReport* ActiveReport) {
  TrepReport* Active = ActiveReport ? ActiveReport : this;
  // An inherited report first prepares its parent's script, which becomes this script's parent:
  // the parent's routines and objects are then reachable from this script.
  if (!PrepareInheritedScript(Active)) return false;
  FExpressionCache->Clear();
  FExpressionCache->ScriptLanguage = ScriptLanguage;
  if (FEngine) FEngine->NotifyList().Clear();
  FScript->ClearItems(Active);
  FScript->AddedBy = Active;
  FScript->MainProg = true;
  FScript->Parent = ParentScriptForPrepare();
  FLocalValue = nullptr;
  FSelfValue = nullptr;
  bool Result = false;
  try {
    for (TrepComponent* Obj : AllObjects()) {
      TrepComponent* Target = Obj;
      if (Active != this)
        for (TrepComponent* A : Active->AllObjects())
          if (A->Name() == Obj->Name()) {
            Target = A;
            break;
          }
      Target->SetIsDesigning(false);
      Target->BeforeStartReport();
      if (auto* P = dynamic_cast<TrepPictureView*>(Target)) P->PictureChanged = true;
      if (!Obj->IsAncestor() && !Target->Name().empty()) FScript->AddObject(Target->Name(), Target);
    }
    FScript->AddObject("Report", Active);
    FScript->AddObject("PreviewPages", Active->PreviewPages());
    FScript->AddObject("Engine", Active->Engine());
    FScript->AddObject("Outline", Active->PreviewPages() ? Active->PreviewPages()->Outline() : nullptr);
    FScript->AddVariable("Value", "Variant", rt::Variant::Null());
    FScript->AddVariable("Self", "TrepView", rt::Variant::Null());

    TrepReport* R = Active;
    FScript->AddMethod("function Get(Name: String): Variant",
                       TscCallMethodEvent([R](rt::TObject*, rt::TClass, const std::string&, rt::Variant& P) {
                         const std::string Name = rt::VarToStr(P.ArrayGet({0}));
                         rt::Variant V;
                         if (R->GetNameValue(Name, V)) return V;
                         if (IsAggregateCall(Name)) return R->Calc(Name);
                         if (GlobalFR2Events().OnGetScriptValue) return GlobalFR2Events().OnGetScriptValue(P);
                         if (R->EngineOptions.IgnoreExprError) return P.ArrayGet({0});
                         R->Errors().Add(ResourceTable().Get("clUnknownVar") + " " + Name);
                         return rt::Variant();
                       }));
    FScript->AddMethod("procedure Set(Name: String; Value: Variant)",
                       TscCallMethodEvent([R](rt::TObject*, rt::TClass, const std::string&, rt::Variant& P) {
                         R->Variables().SetVariables(rt::VarToStr(P.ArrayGet({0})), P.ArrayGet({1}));
                         return rt::Variant();
                       }));
    TscCallMethodEvent Macro = [R](rt::TObject*, rt::TClass, const std::string& Method, rt::Variant& P) {
      TscScript* Running = R->Script()->ProgRunning ? R->Script()->ProgRunning : R->Script();
      auto Arg = [&P](int I) { return rt::VarToStr(P.ArrayGet({I})); };
      rt::Variant Result;
      if (Method == "IIF") {
        try {
          if (R->Calc(Arg(0), Running) == rt::Variant(true)) Result = R->Calc(Arg(1), Running);
          else Result = R->Calc(Arg(2), Running);
        } catch (const rt::Exception&) {
          // An error inside IIF leaves its result as it was.
        }
        return Result;
      }
      if (!R->Script()->ProgName().empty()) R->Script()->SetProgName("");
      if (!R->Engine()) return Result;
      const bool IsCount = Method == "COUNT";
      const std::string Expr = IsCount ? std::string() : Arg(0);
      const std::string BandText = rt::Trim(Arg(IsCount ? 0 : 1));
      const std::string FlagsText = rt::Trim(Arg(IsCount ? 1 : 2));
      const rt::Variant Band = BandText.empty() ? rt::Variant(0) : R->Calc(BandText);
      const rt::Variant Flags = FlagsText.empty() ? rt::Variant(0) : R->Calc(FlagsText);
      auto* B = dynamic_cast<TrepBand*>(rt::VarFindObject(Band));
      if (Method == "SUM" || Method == "AVG" || Method == "MIN" || Method == "MAX" || IsCount)
        Result = R->Engine()->GetAggregateValue(Method, Expr, B, Flags.ToInteger());
      return Result;
    };
    FScript->AddMethod("macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant", Macro);
    for (const char* F : {"SUM", "AVG", "MIN", "MAX"})
      FScript->AddMethod(std::string("macrofunction ") + F +
                             "(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
                         Macro);
    FScript->AddMethod("macrofunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant", Macro);
    if (GlobalFR2Events().OnPrepareScript) GlobalFR2Events().OnPrepareScript(Active);
    FLocalValue = FScript->Find("Value");
    FSelfValue = FScript->Find("Self");
    FScript->Lines.Assign(FScriptText);
    FScript->SyntaxType = ScriptLanguage;
    Result = FScript->Compile();
    if (!Result)
      FErrors.Add(rt::Format(ResourceTable().Get("clScrError"),
                             {rt::TVarRec::UnicodeString(rt::Utf8ToUtf16(FScript->ErrorPos)),
                              rt::TVarRec::UnicodeString(rt::Utf8ToUtf16(FScript->ErrorMsg))}));
  } catch (...) {
    FScript->AddedBy = nullptr;
    throw;
  }
  FScript->AddedBy = nullptr;
  return Result;
}

void TrepReport::AddFunction(const std::string& FuncName, const std::string& Category,
                             const std::string& Description) {
  static const int UserFunctionMarker = 2;
  FScript->AddedBy = reinterpret_cast<TscAddedBy>(static_cast<std::intptr_t>(UserFunctionMarker));
  TrepReport* R = this;
  FScript->AddMethod(
      FuncName,
      TscCallMethodEvent([R](rt::TObject*, rt::TClass, const std::string& Method, rt::Variant& Params) {
        return R->OnUserFunction ? R->OnUserFunction(Method, Params) : rt::Variant();
      }),
      Category, Description);
  FScript->AddedBy = nullptr;
}

void TrepReport::DoNotifyEvent(rt::TObject* Obj, const std::string& EventName, bool RunAlways) {
  if (EventName.empty() || !(RunAlways || (FEngine && FEngine->Running))) return;
  FScript->CallFunction(EventName, rt::VarArrayOf({rt::VarFromObject(Obj)}), true);
}

void TrepReport::DoParamEvent(const std::string& EventName, rt::Variant& Params, bool RunAlways) {
  if (EventName.empty() || !(RunAlways || (FEngine && FEngine->Running))) return;
  FScript->CallFunction1(EventName, Params, true);
}

void TrepReport::DoBeforePrint(TrepReportComponent* c) {
  if (OnBeforePrint) OnBeforePrint(c);
  DoNotifyEvent(c, c->OnBeforePrint);
}

void TrepReport::DoAfterPrint(TrepReportComponent* c) {
  if (OnAfterPrint) OnAfterPrint(c);
  DoNotifyEvent(c, c->OnAfterPrint);
}
