// The common dialogs as scripts see them on the server, where nobody answers a dialog.
#include <gtest/gtest.h>

#include "tests/report/script/PrintingScript.h"

#include "platform/rt/Dialogs.h"
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

namespace {

// Answers the script's windows as a user would: types into the first edit, picks the colour
// edit's text, presses the named button.
struct TAnsweringUser : rt::TDialogPresenter {
  std::string Typed;
  std::string Press = "OK";
  std::vector<std::string> Windows;
  int ShowDialog(rt::TDialogWindow& W) override {
    Windows.push_back(W.Name + ":" + W.Caption);
    for (rt::TDialogItem& I : W.Items)
      if (I.Kind == rt::TDialogItemKind::Edit && I.Name != "ColorE") {
        I.Text = Typed;
        break;
      }
    if (rt::TDialogItem* C = W.Find("ColorE")) C->Text = "#102030";
    rt::TDialogItem* B = W.Find(Press);
    return B ? B->ModalResult : rt::mrCancel;
  }
};

} // namespace

TEST_F(DialogsRtti, DialogsAskThePresenterAndTheirPropertiesAreTheScriptsToSet) {
  TAnsweringUser U;
  rt::TDialogPresenterScope Scope(&U);
  U.Typed = "1 + [Page#]";
  EXPECT_EQ(Run("var V: String;\n"
                "begin\n"
                "  Print(InputBox('Customer', 'Name:', 'dflt'));\n"
                "  V := 'x';\n"
                "  Print(InputQuery('Customer', 'Name:', V)); Print(V);\n"
                "end."),
            "1 + [Page#]\nTrue\n1 + [Page#]\n");
  U.Press = "No";
  EXPECT_EQ(Run("begin Print(MessageDlg('Replace?', mtConfirmation, [mbYes, mbNo], 0)); end."), "7\n");
  U.Press = "OK";
  EXPECT_EQ(Run("var C: TColorDialog; D: TOpenDialog;\n"
                "begin\n"
                "  C := TColorDialog.Create(nil);\n"
                "  C.Color := 255;\n"
                "  Print(C.Execute); Print(C.Color);\n"
                "  C.Free;\n"
                "  D := TSaveDialog.Create(nil);\n"
                "  D.Filter := 'Text|*.txt';\n"
                "  D.DefaultExt := 'txt';\n"
                "  D.Title := 'Keep the notes';\n"
                "  D.Options := [ofOverwritePrompt];\n"
                "  Print(D.Execute);\n"
                "  Print(D.Title); Print(D.FilterIndex);\n"
                "  D.Free;\n"
                "end."),
            "True\n3153936\nFalse\nKeep the notes\n1\n")
      << "no folder offered: the save dialog cannot be confirmed";
  EXPECT_EQ(U.Windows, (std::vector<std::string>{"InputQuery:Customer", "InputQuery:Customer", "MessageDlg:Confirmation",
                                                 "ColorDialog:Color"}));
}
