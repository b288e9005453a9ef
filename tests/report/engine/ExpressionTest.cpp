// Expressions of a report: names found directly, compiled and cached expressions, errors by the
// engine options, the report's script functions, and text that must never run as a program.
#include <gtest/gtest.h>

#include <string>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repExpression.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"

namespace {

void StartScripts() {
  enginesetup::StartResources();
  enginesetup::AddScriptModules();
}

// A store whose page numbers the test sets.
class TFakePages : public TrepPreviewPages {
public:
  using TrepPreviewPages::TrepPreviewPages;
  int GetLogicalPageNo() override { return 7; }
  int GetLogicalTotalPages() override { return 9; }
};

class Expressions : public ::testing::Test {
protected:
  void SetUp() override {
    StartScripts();
    R = std::make_unique<TrepReport>(nullptr);
    R->EngineOptions.SilentMode = simSilent;
    R->Script()->AddMethod("procedure MakeFile(Name: String)",
                           TscCallMethodEvent([this](rt::TObject*, rt::TClass, const std::string&, rt::Variant&) {
                             ++FilesMade;
                             return rt::Variant();
                           }));
    R->Script()->AddVariable("Price", "Variant", 2.5);
    R->Script()->AddVariable("Qty", "Variant", 4);
  }
  // The message of the error Calc raises, or "no error".
  std::string ErrorOf(const std::string& Expr) {
    try {
      R->Calc(Expr);
    } catch (const ErepExpressionError& E) {
      return E.Message();
    }
    return "no error";
  }
  std::unique_ptr<TrepReport> R;
  int FilesMade = 0;
};

} // namespace

TEST_F(Expressions, NamesResolveBeforeAnythingIsCompiled) {
  R->Variables().SetVariables("Sum", u"2+3");
  R->Variables().SetVariables("Note", u"line one\r\nline two");
  R->Variables().SetVariables("Count", 12);
  GlobalVariables().SetVariables("Company", u"ACME");
  TFakePages Pages(R.get());
  Pages.CurPage = 3;
  R->SetPreviewPages(&Pages);
  struct Case {
    const char* Expr;
    rt::Variant Expected;
  } Cases[] = {{"Sum", 5}, {"Note", u"line one\r\nline two"}, {"Count", 12}, {"Company", u"ACME"},
               {"Page", 7}, {"Page#", 4}, {"TotalPages", 9}, {"Price", 2.5}, {"Price * Qty", 10.0},
               {"IIF(Qty > 3, 'many', 'few')", u"many"}};
  ASSERT_TRUE(R->PrepareScript());
  for (const Case& C : Cases) EXPECT_EQ(rt::VarToStr(R->Calc(C.Expr)), rt::VarToStr(C.Expected)) << C.Expr;
  // Only texts that are no names were compiled: "2+3", "Price * Qty", the IIF call and the two
  // arguments IIF evaluated.
  EXPECT_EQ(R->ExpressionCache().Count(), 5);
  R->SetPreviewPages(nullptr);
  GlobalVariables().Clear();
}

TEST_F(Expressions, DatasetFieldsFollowConvertNulls) {
  auto* DS = new TrepMemoryDataSet(nullptr);
  DS->SetName("Rows");
  DS->Fields.Add("Amount");
  DS->AppendRow({rt::Variant::Null()});
  R->DataSets().Add(DS);
  DS->First();
  EXPECT_EQ(R->Calc("Rows.\"Amount\"").ToInteger(), 0);
  R->EngineOptions.ConvertNulls = false;
  EXPECT_TRUE(R->Calc("Rows.\"Amount\"").IsNull());
  delete DS;
}

TEST_F(Expressions, EachTextCompilesOnceAndLetterCaseCounts) {
  EXPECT_EQ(R->Calc("Price + 1").ToDouble(), 3.5);
  EXPECT_EQ(R->Calc("Price + 1").ToDouble(), 3.5);
  EXPECT_EQ(R->ExpressionCache().Count(), 1);
  EXPECT_EQ(R->Calc("PRICE + 1").ToDouble(), 3.5);
  EXPECT_EQ(R->ExpressionCache().Count(), 2);
}

TEST_F(Expressions, ErrorsByTheEngineOptions) {
  R->CurObject = "Memo1";
  EXPECT_EQ(ErrorOf("Price +").rfind("Memo1: Error in expression 'Price +': ", 0), 0u);
  EXPECT_EQ(R->Errors().Count(), 1);
  EXPECT_NE(ErrorOf("Price / 0"), "no error");
  R->EngineOptions.IgnoreDevByZero = true;
  EXPECT_TRUE(R->Calc("Price / 0").IsNull());
  // An integer division by zero is not a floating one.
  EXPECT_NE(ErrorOf("Qty div 0"), "no error");
  R->EngineOptions.IgnoreExprError = true;
  EXPECT_EQ(rt::VarToStr(R->Calc("Price +")), "Price +");
  // Called from a script: the "Calc" message, nothing added to the errors.
  R->EngineOptions.IgnoreExprError = false;
  R->Errors().Clear();
  try {
    R->CalcFromScript("Price +");
    ADD_FAILURE();
  } catch (const rt::Exception& E) {
    EXPECT_EQ(E.Message().rfind("Error in Calc expression:", 0), 0u) << E.Message();
  }
  EXPECT_EQ(R->Errors().Count(), 0);
}

TEST_F(Expressions, OnlyOneExpressionIsEverCompiled) {
  const char* Smuggled[] = {
      "1; MakeFile('x')",
      "1 end; procedure P; begin MakeFile('x') end; function Q: Variant; begin Result := 1",
      "1 end; begin MakeFile('x') end.",
      "1 end; var Z: Integer; function Q: Variant; begin Result := 1",
      "begin MakeFile('x') end",
  };
  for (const char* S : Smuggled) {
    EXPECT_NE(ErrorOf(S), "no error") << S;
    EXPECT_EQ(FilesMade, 0) << S;
  }
  // Calling the script's routines is what expressions are for; the cache still works.
  EXPECT_EQ(R->Calc("Price * Qty").ToDouble(), 10.0);
  R->Calc("MakeFile('y')");
  EXPECT_EQ(FilesMade, 1);
}

TEST_F(Expressions, VariablesThatNameThemselvesAreErrors) {
  R->Variables().SetVariables("A", u"A");
  R->Variables().SetVariables("B", u"C");
  R->Variables().SetVariables("C", u"B");
  for (int I = 0; I < 200; ++I)
    R->Variables().SetVariables("V" + std::to_string(I), rt::Utf8ToUtf16("V" + std::to_string(I + 1)));
  EXPECT_NE(ErrorOf("A").find("Circular reference in report variable 'A'"), std::string::npos);
  EXPECT_NE(ErrorOf("B").find("Circular reference"), std::string::npos);
  EXPECT_NE(ErrorOf("V0").find("nested too deep"), std::string::npos);
  // The report is usable afterwards.
  R->Variables().SetVariables("A", u"40 + 2");
  EXPECT_EQ(R->Calc("A").ToInteger(), 42);
}

TEST_F(Expressions, ScriptFunctionsGetSetAndUnknownNames) {
  R->ScriptText().SetText("begin\n  Set('Total', 40);\n  Set('Shown', Get('Total') + 2);\n  Get('Nowhere');\nend.");
  ASSERT_TRUE(R->PrepareScript()) << R->Errors().Text();
  R->Script()->Execute();
  EXPECT_EQ(R->Variables().Variables("Shown").ToInteger(), 42);
  EXPECT_EQ(R->Errors().Text(), "Unknown variable or datafield: Nowhere\r\n");
}

TEST_F(Expressions, ScriptsReachTheReportsObjectsByName) {
  auto* Page = new TrepReportPage(R.get());
  Page->SetName("Page1");
  auto* Memo = new TrepMemoView(Page);
  Memo->SetName("Memo1");
  Memo->SetText(u"old");
  R->ScriptText().SetText(
      "begin\n  Memo1.Text := Memo1.Text + 'new';\n  Set('Seen', Report.FindObject('Memo1').ClassName);\nend.");
  ASSERT_TRUE(R->PrepareScript()) << R->Errors().Text();
  R->Script()->Execute();
  EXPECT_EQ(Memo->Text(), u"old\r\nnew\r\n");
  EXPECT_EQ(rt::VarToStr(R->Variables().Variables("Seen")), "TrepMemoView");
  // A script that does not compile is reported with its position.
  R->ScriptText().SetText("begin Memo1.Nope := 1; end.");
  EXPECT_FALSE(R->PrepareScript());
  EXPECT_NE(R->Errors().Text().find("Script error at"), std::string::npos);
}
