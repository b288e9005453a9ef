// Fuzzes compiling and running a program with the built-in function library and a small host
// class with a constructor and Free. The first byte picks the language ('C', 'B', 'J'; anything
// else is PascalScript and stays part of the text). Work is bounded: a watchdog terminates the
// program after kRunBudget, so endless loops end like any terminated script.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/rt/Classes.h"
#include "report/script/sc_ibasic.h"
#include "report/script/sc_icpp.h"
#include "report/script/sc_iinterpreter.h"
#include "report/script/sc_ijs.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/script/ScriptWatchdog.h"

namespace {

constexpr std::size_t kMaxInput = 16 * 1024;
constexpr std::chrono::milliseconds kRunBudget(500);

// TList as scripts see it: made, filled, counted and freed by the program.
void AddListClass(TscScript& S) {
  TscClassVariable* C = S.AddClass(rt::TList::ClassInfo(), "");
  if (!C) return;
  C->AddConstructor("constructor Create", TscCallMethodNewEvent([](rt::TObject* I, rt::TClass, const std::string&,
                                                                   TscMethodHelper*) { return rt::VarFromObject(I); }));
  C->AddMethod("procedure Free", TscCallMethodNewEvent([](rt::TObject* I, rt::TClass, const std::string&,
                                                          TscMethodHelper*) {
                 delete I;
                 return rt::Variant();
               }));
  C->AddMethod("function Add(Item: TObject): Integer",
               TscCallMethodNewEvent([](rt::TObject* I, rt::TClass, const std::string&, TscMethodHelper* M) {
                 auto* L = dynamic_cast<rt::TList*>(I);
                 if (!L) throw rt::EInvalidPointer("Invalid TList object");
                 if (L->Count() >= 1000) throw rt::EListError("List full");
                 return rt::Variant(L->Add(rt::VarToObject(M->GetVParam(0))));
               }));
  C->AddMethod("function Count: Integer",
               TscCallMethodNewEvent([](rt::TObject* I, rt::TClass, const std::string&, TscMethodHelper*) {
                 auto* L = dynamic_cast<rt::TList*>(I);
                 if (!L) throw rt::EInvalidPointer("Invalid TList object");
                 return rt::Variant(L->Count());
               }));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Registered = [] {
    sc_ipascalInitialization();
    sc_icppInitialization();
    sc_ibasicInitialization();
    sc_ijsInitialization();
    sc_isysrttiInitialization();
    scSetShowMessageProc([](const std::string&) {});
    return true;
  }();
  (void)Registered;
  if (Size > kMaxInput) return 0;
  std::string Text(reinterpret_cast<const char*>(Data), Size);
  const char* Syntax = "PascalScript";
  if (!Text.empty()) {
    switch (Text[0]) {
      case 'C': Syntax = "D++Uderir"; break;
      case 'B': Syntax = "RiravUdevad"; break;
      case 'J': Syntax = "JScript"; break;
      default: break;
    }
    if (Text[0] == 'C' || Text[0] == 'B' || Text[0] == 'J') Text.erase(0, 1);
  }
  TscScript S;
  S.SyntaxType = Syntax;
  S.AddRTTI();
  AddListClass(S);
  S.Lines.SetText(Text);
  try {
    // Compiling raises too: a unit named in uses that cannot be opened is a file-open error.
    if (!S.Compile()) return 0;
    scripttest::TScriptWatchdog W(kRunBudget, [&S] { S.Terminate(); });
    S.Execute();
  } catch (const rt::Exception&) {
    // A script error is a normal end; anything else escaping is a finding.
  }
  return 0;
}
