#pragma once
// A script fixture whose programs print through a Print procedure; Run returns what they printed.
#include <gtest/gtest.h>

#include <string>

#include "report/script/sc_iilparser.h"

class PrintingScriptTest : public ::testing::Test {
protected:
  // Adds the initialised binding modules' items and Print; call once the modules are initialised.
  void PrepareScript() {
    S.AddRTTI();
    S.AddedBy = &Out;  // kept when a test program is replaced
    S.AddMethod("procedure Print(v: Variant)",
                TscCallMethodNewEvent([this](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* C) {
                  Out += rt::VarToStr(C->GetVParam(0)) + "\n";
                  return rt::Variant();
                }));
    S.AddedBy = nullptr;
  }

  // What the program printed, or "compile error ..." / "raised ...".
  std::string Run(const std::string& Text) {
    Out.clear();
    S.ClearItems(nullptr);
    S.Lines.SetText(Text);
    if (!S.Compile()) return "compile error: " + S.ErrorMsg;
    try {
      S.Execute();
    } catch (const rt::Exception& E) {
      Out += "raised " + E.ClassName() + ": " + E.Message() + "\n";
    }
    return Out;
  }

  TscScript S;
  std::string Out;
};
