// Report classes as scripts see them: finding objects, memo texts, page and band operations,
// report properties, constants, enumerations and the date functions.
#include <gtest/gtest.h>

#include "tests/report/script/PrintingScript.h"

#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"

namespace {

class ClassRtti : public PrintingScriptTest {
protected:
  void SetUp() override {
    enginesetup::StartResources();
    enginesetup::AddScriptModules();
    repChBoxRTTIInitialization();
    PrepareScript();
    auto* Page = new TrepReportPage(&Report);
    Page->SetName("Page1");
    auto* Band = new TrepMasterData(Page);
    Band->SetName("Rows");
    auto* Memo = new TrepMemoView(Band);
    Memo->SetName("TagNO");
    Memo->SetText(u"old");
    S.AddedBy = &Out;  // kept over each test program
    S.AddObject("Report", &Report);
    S.AddObject("Page1", Page);
    S.AddedBy = nullptr;
  }
  void TearDown() override {
    repChBoxRTTIFinalization();
    repClassRTTIFinalization();
    sc_iclassesrttiFinalization();
    sc_isysrttiFinalization();
  }
  TrepReport Report{nullptr};
};

} // namespace

TEST_F(ClassRtti, ScriptsFindObjectsAndWriteMemoTexts) {
  EXPECT_EQ(Run("var M: TrepMemoView;\n"
                "begin\n"
                "  M := TrepMemoView(Report.FindObject('tagno'));\n"
                "  M.Text := 'FV-101';\n"
                "  Print(M.Text);\n"
                "  Print(Report.FindObject('Nothing') = nil);\n"
                "  Print(M.Parent = Report.FindObject('Rows'));\n"
                "  M.SetBounds(1, 2, 30, 4);\n"
                "  Print(M.AbsTop);\n"
                "  M.TagStr := 'x';\n"
                "  Print(M.TagStr);\n"
                "end."),
            "FV-101\r\n\nTrue\nTrue\n2\nx\n");
  auto* M = dynamic_cast<TrepMemoView*>(Report.FindObject("TagNO"));
  EXPECT_EQ(M->Text(), u"FV-101\r\n");
  EXPECT_DOUBLE_EQ(M->Width(), 30);
}

TEST_F(ClassRtti, ConstantsEnumerationsAndDateFunctions) {
  EXPECT_EQ(Run("begin\n"
                "  Print(fr01cm);\n"
                "  Print(clTransparent);\n"
                "  Print(baHidden);\n"
                "  Print(csPlus);\n"
                "  Print(MonthOf(EncodeDate(2024, 3, 5)));\n"
                "  Print(DayOf(EncodeDate(2024, 3, 5)));\n"
                "  Print(YearOf(EncodeDate(2024, 3, 5)));\n"
                "end."),
            "3.77953\n536870911\n7\n3\n3\n5\n2024\n");
}

TEST_F(ClassRtti, PagesBandsAndTheReport) {
  EXPECT_EQ(Run("begin\n"
                "  Page1.AlignChildren;\n"
                "  Print(TrepBand(Report.FindObject('Rows')).Overflow);\n"
                "  Report.Terminated := True;\n"
                "  Print(Report.Terminated);\n"
                "end."),
            "False\nTrue\n");
  EXPECT_TRUE(Report.Terminated());
  EXPECT_NEAR(Report.FindObject("Rows")->Width(), 210 * fr01cm, 1e-9);
}
