// The forms module as scripts see it: constants, types, enumerations and sets, the control and
// form classes, forms shown modally and their events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rt/Controls.h"
#include "tests/report/script/PrintingScript.h"

#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_iexpression.h"
#include "report/script/sc_iformsrtti.h"
#include "report/script/sc_igraphicsrtti.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

using rt::Variant;

TEST(FormsRtti, ConstantsEnumerationsAndSets) {
  sc_ipascalInitialization();
  sc_isysrttiInitialization();
  sc_iformsrttiInitialization();
  TscScript S;
  S.AddRTTI();
  struct Case {
    const char* Expr;
    long long Value;
  } Cases[] = {{"mrYesToAll", 14}, {"mrAll", 12},    {"crSize", -22},     {"crSizeAll", -22},
               {"crHandPoint", -21}, {"crNone", -1}, {"bsSizeToolWin", 5}, {"VK_RETURN", 13},
               {"VK_NUMPAD0", 96}, {"VK_NUMPAD9", 105}, {"VK_DIVIDE", 111}, {"VK_F1", 112},
               {"VK_F12", 123},    {"VK_SCROLL", 145}, {"taCenter", 2},    {"ssDouble", 1 << 6},
               {"alClient", 5},    {"akBottom", 1 << 3}, {"caMinimize", 3}, {"poDesktopCenter", 5},
               {"biHelp", 1 << 3}, {"fsStayOnTop", 3}};
  for (const Case& C : Cases) {
    Variant R = S.Evaluate(C.Expr);
    EXPECT_FALSE(S.EvaluteRiseError) << C.Expr;
    EXPECT_EQ(R.ToInt64(), C.Value) << C.Expr;
  }
  // Registered twice, each cursor keeps one item with its first value.
  int Seen = 0;
  for (int I = 0; I < S.Count(); ++I)
    if (TscCustomVariable* V = S.GetItem(I); V && V->Name() == "crSizeAll") ++Seen;
  EXPECT_EQ(Seen, 1);
  for (const char* T : {"TFormBorderStyle", "TBorderStyle", "TAlignment", "TLeftRight"})
    EXPECT_EQ(TypeNameToVarType(T, &S), fvtInt) << T;
  Variant R = S.Evaluate("VK_LBUTTON");
  EXPECT_TRUE(S.EvaluteRiseError);
}

namespace {

// Forms of scripts shown through a presenter that plays the user: it types into Edit1 and
// presses the buttons named in Presses, one after another.
class FormsScript : public PrintingScriptTest {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_isysrttiInitialization();
    sc_iclassesrttiInitialization();
    sc_igraphicsrttiInitialization();
    sc_iformsrttiInitialization();
    PrepareScript();
  }
  std::string Typed;
  std::vector<std::string> Presses;
  std::vector<std::string> Seen;  // Label1's caption after each press
  int Shown = 0;
  rt::TModalPresenterScope Presenter{[this](rt::TCustomForm& F) {
    ++Shown;
    if (auto* E = dynamic_cast<rt::TEdit*>(F.FindComponent("Edit1"))) E->SetTextQuietly(Typed);
    for (const std::string& P : Presses) {
      auto* B = dynamic_cast<rt::TButton*>(F.FindComponent(P));
      if (!B) return rt::mrCancel;
      B->Click();
      if (auto* L = dynamic_cast<rt::TLabel*>(F.FindComponent("Label1"))) Seen.push_back(L->Caption());
      if (F.ModalResult != rt::mrNone && F.CloseModal()) return F.ModalResult;
    }
    return rt::mrCancel;
  }};
};

const char* const AskForm =
    "var F: TForm; E: TEdit; B, OK: TButton; L: TLabel;\n"
    "procedure CopyClick(Sender: TObject);\n"
    "begin L.Caption := 'copied ' + E.Text; end;\n"
    "begin\n"
    "  F := TForm.Create(Application);\n"
    "  F.Caption := 'Customer';\n"
    "  E := TEdit.Create(F); E.Name := 'Edit1'; E.Parent := F; E.Text := 'start';\n"
    "  L := TLabel.Create(F); L.Name := 'Label1'; L.Parent := F;\n"
    "  B := TButton.Create(F); B.Name := 'Copy'; B.Parent := F; B.OnClick := 'CopyClick';\n"
    "  OK := TButton.Create(F); OK.Name := 'OK'; OK.Parent := F; OK.ModalResult := mrOk;\n"
    "  Print(F.ShowModal);\n"
    "  Print(E.Text);\n"
    "  Print(L.Caption);\n"
    "  F.Free;\n"
    "end.";

} // namespace

TEST_F(FormsScript, AFormBuiltByTheScriptShowsModallyAndItsEditIsReadAfterOK) {
  Typed = "[Page#] 'x' <b>";
  Presses = {"Copy", "OK"};
  EXPECT_EQ(Run(AskForm), "1\n[Page#] 'x' <b>\ncopied [Page#] 'x' <b>\n");
  EXPECT_EQ(Shown, 1);
  EXPECT_EQ(Seen, (std::vector<std::string>{"copied [Page#] 'x' <b>", "copied [Page#] 'x' <b>"}))
      << "the handler ran while the form showed";
  Presses = {};
  EXPECT_EQ(Run(AskForm), "2\n[Page#] 'x' <b>\nLabel1\n") << "closed without OK: mrCancel";
}

TEST_F(FormsScript, WithoutAPresenterShowModalIsAScriptError) {
  rt::TModalPresenterScope None{rt::TModalPresenter()};
  EXPECT_EQ(Run("var F: TForm;\n"
                "begin\n"
                "  F := TForm.Create(nil);\n"
                "  try Print(F.ShowModal); except Print('refused'); end;\n"
                "  F.Free;\n"
                "end."),
            "refused\n");
}

TEST_F(FormsScript, ClassesMembersAndTheApplicationObject) {
  EXPECT_EQ(Run("var F: TForm; C: TComboBox; L: TListBox; P: TGroupBox; B: TButton;\n"
                "begin\n"
                "  F := TForm.Create(nil);\n"
                "  P := TGroupBox.Create(F); P.Parent := F;\n"
                "  B := TButton.Create(F); B.Parent := P;\n"
                "  Print(B.Parent = P); Print(P.Parent = F);\n"
                "  Print(B is TWinControl); Print(B is TControl); Print(F is TScrollingWinControl);\n"
                "  B.SetBounds(1, 2, 30, 40); Print(B.Left + B.Top + B.Width + B.Height);\n"
                "  B.Hide; Print(B.Visible); B.Show; Print(B.Visible);\n"
                "  C := TComboBox.Create(F); C.Items.Add('Water'); C.Items.Add('Steam');\n"
                "  C.ItemIndex := 1; Print(C.Text); C.ItemIndex := 7; Print(C.ItemIndex);\n"
                "  C.DroppedDown := True; Print(C.DroppedDown);\n"
                "  L := TListBox.Create(F); L.MultiSelect := True; L.Items.Add('a'); L.Items.Add('b');\n"
                "  L.Selected[1] := True; Print(L.Selected[1]); Print(L.SelCount);\n"
                "  F.ModalResult := mrAbort; Print(F.ModalResult);\n"
                "  Print(Application.ExeName <> ''); Print(Application is TApplication);\n"
                "  Application.ProcessMessages;\n"
                "  F.Free;\n"
                "end."),
            "True\nTrue\nTrue\nTrue\nTrue\n73\nFalse\nTrue\nSteam\n-1\nTrue\nTrue\n1\n3\nTrue\nTrue\n");
}
