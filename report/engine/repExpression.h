#pragma once
// Expressions of a report: the cache of compiled expression functions, the process-wide hooks
// and variables, and the limits that keep template and user text from running as code.
#include <functional>
#include <memory>
#include <string>

#include "platform/rt/Classes.h"
#include "platform/rt/Variants.h"
#include "report/engine/repVariables.h"

class TscScript;
class TscProcVariable;
class TrepReport;

// Report variables that name further variables are evaluated in turn; a chain deeper than this
// is refused as an error (a cycle is refused at once).
inline constexpr int repMaxVariableNesting = 64;
// The longest expression text the cache compiles.
inline constexpr std::size_t repMaxExpressionLength = 64 * 1024;

// Compiled expressions of one report run: each distinct text becomes one small function of the
// report's script language in a script of the cache's own, whose parent is the calling script.
// Exactly one expression is compiled per text: a text that would add statements, routines or a
// main block of its own is refused as an error, so text from templates or users cannot run as a
// program.
class TrepExpressionCache : public rt::TObject {
public:
  explicit TrepExpressionCache(TscScript* AScript);
  ~TrepExpressionCache() override;
  TrepExpressionCache(const TrepExpressionCache&) = delete;
  TrepExpressionCache& operator=(const TrepExpressionCache&) = delete;

  // Forgets every compiled function.
  void Clear();
  // The value of Expression; Null with ErrorMsg set when it does not compile or fails.
  rt::Variant Calc(const std::string& Expression, std::string& ErrorMsg, TscScript* AScript);
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);
  std::string ScriptLanguage = "PascalScript";
  // The cache's own script (tests and the report's bindings look into it).
  TscScript* Script() const { return FScript.get(); }
  int Count() const { return FExpressions.Count(); }

private:
  // The function compiled for Expression under the name, or nullptr with ErrorMsg set.
  TscProcVariable* Compile(const std::string& Expression, std::string& ErrorMsg);
  rt::TStringList FExpressions;  // key -> TscProcVariable (owned by FScript)
  TscScript* FMainScript;
  std::unique_ptr<TscScript> FScript;
  bool FCaseSensitive = true;
};

// Process-wide hooks through which an application may answer names and script values itself.
// None is set in this system.
class TrepFR2Events : public rt::TObject {
public:
  std::function<void(const std::string& VarName, rt::Variant& Value)> OnGetValue;
  std::function<void(TrepReport* Report)> OnPrepareScript;
  std::function<rt::Variant(rt::Variant& Params)> OnGetScriptValue;
  // A report being loaded: true when the hook has read the stream itself.
  std::function<bool(TrepReport* Sender, rt::TStream& Stream)> OnLoad;
  std::string Filter;
};
TrepFR2Events& GlobalFR2Events();

// The variables every report sees (scripts know them as repGlobalVariables). Made on first use;
// the application fills them at start-up and reports only read them.
TrepVariables& GlobalVariables();
