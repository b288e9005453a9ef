// The common dialogs as scripts see them on the server, where nobody answers a dialog.
#include <gtest/gtest.h>

#include "tests/report/script/PrintingScript.h"

#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_idialogsrtti.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

using rt::Variant;

namespace {

class DialogsRtti : public PrintingScriptTest {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_isysrttiInitialization();
    sc_iclassesrttiInitialization();
    sc_idialogsrttiInitialization();
    PrepareScript();
  }
};

} // namespace

TEST_F(DialogsRtti, EnumerationsAndSets) {
  struct Case {
    const char* Expr;
    long long Value;
  } Cases[] = {{"fsComboBox", 1}, {"fdBoth", 2}, {"prPageNums", 2}, {"mtCustom", 4},
               {"ofReadOnly", 1}, {"ofEnableSizing", 1ll << 19}, {"fdApplyButton", 1ll << 15},
               {"mbHelp", 1ll << 10}, {"poDisablePrintToFile", 1ll << 5}, {"cdAnyColor", 1ll << 4}};
  for (const Case& C : Cases) {
    Variant R = S.Evaluate(C.Expr);
    EXPECT_FALSE(S.EvaluteRiseError) << C.Expr;
    EXPECT_EQ(R.ToInt64(), C.Value) << C.Expr;
  }
}

TEST_F(DialogsRtti, EveryDialogCountsAsCancelled) {
  EXPECT_EQ(Run("var D: TOpenDialog; V: String; Ok: Boolean;\n"
                "begin\n"
                "  D := TOpenDialog.Create(nil);\n"
                "  Print(D.ClassName);\n"
                "  Print(D.Execute);\n"
                "  D.Free;\n"
                "  Print(MessageDlg('Continue?', mtConfirmation, [mbYes, mbNo], 0));\n"
                "  Print(InputBox('Title', 'Prompt', 'dflt'));\n"
                "  V := 'kept';\n"
                "  Ok := InputQuery('Title', 'Prompt', V);\n"
                "  Print(Ok); Print(V);\n"
                "end."),
            "TOpenDialog\nFalse\n2\ndflt\nFalse\nkept\n");
}
