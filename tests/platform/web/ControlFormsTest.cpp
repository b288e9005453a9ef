#include "platform/web/ControlForms.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/platform/web/ModalSession.h"

using namespace web;

namespace {

// An options form of the runtime: an edit, a combo box, a check box, two radio buttons in a group
// box, a label, a button with a handler, OK (default) and Cancel.
struct TOptionsForm {
  rt::TForm Form{nullptr};
  rt::TEdit* Edit = Make<rt::TEdit>("Edit1", &Form, 8);
  rt::TComboBox* Combo = Make<rt::TComboBox>("ComboBox1", &Form, 36);
  rt::TCheckBox* Check = Make<rt::TCheckBox>("CheckBox1", &Form, 64);
  rt::TGroupBox* Box = Make<rt::TGroupBox>("GroupBox1", &Form, 92);
  rt::TRadioButton* R1 = Make<rt::TRadioButton>("Radio1", Box, 16);
  rt::TRadioButton* R2 = Make<rt::TRadioButton>("Radio2", Box, 40);
  rt::TLabel* Label = Make<rt::TLabel>("Label1", &Form, 200);
  rt::TButton* Copy = Make<rt::TButton>("Button1", &Form, 220);
  rt::TButton* OK = Make<rt::TButton>("OK", &Form, 250);
  rt::TButton* Cancel = Make<rt::TButton>("Cancel", &Form, 280);
  TOptionsForm() {
    Form.SetName("Options");
    Form.SetCaption("Options");
    Form.SetBounds(0, 0, 300, 320);
    Edit->SetText("start");
    Combo->Style = rt::csDropDownList;
    Combo->Items().SetText("Water\nSteam\nAir");
    Combo->SetItemIndex(0);
    R1->SetChecked(true);
    OK->ModalResult = rt::mrOk;
    OK->Default = true;
    Cancel->ModalResult = rt::mrCancel;
  }
  template <class T>
  T* Make(const char* Name, rt::TWinControl* Parent, int Top) {
    auto* C = new T(&Form);
    C->SetName(Name);
    C->SetParent(Parent);
    C->SetBounds(8, Top, 120, 21);
    return C;
  }
};

// Starts a job that shows the form through the bridge; Result gets ShowModal's answer or -1 when
// it raised.
void ShowInJob(TSession& S, rt::TCustomForm& Form, std::atomic<int>& Result) {
  ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) {
    TControlFormsScope Scope(*S.Host);
    Result = Form.ShowModal();
  }));
}

}  // namespace

TEST(ControlForms, TheBrowserShowsTheControlsByNameAndValuesComeBackAsTyped) {
  TSession S;
  TOptionsForm O;
  int EditChanges = 0;
  O.Edit->OnChange = [&](rt::TObject*) { ++EditChanges; };
  std::atomic<int> Result{-1};
  ShowInJob(S, O.Form, Result);
  ASSERT_TRUE(S.Poll());
  EXPECT_EQ(S.App.ActiveForm()->Title, "Options");
  ASSERT_NE(S.Get<TIWEdit>("Edit1"), nullptr);
  EXPECT_EQ(S.Get<TIWEdit>("Edit1")->Text, "start");
  EXPECT_EQ(S.Get<TIWComboBox>("ComboBox1")->Text(), "Water");
  ASSERT_NE(S.Get<TIWRegion>("GroupBox1"), nullptr);
  EXPECT_TRUE(S.Get<TIWRadioButton>("Radio1")->Checked());
  EXPECT_EQ(S.Get<TIWButton>("OK")->Caption, "OK") << "a button shows its name until captioned";
  EXPECT_EQ(S.Get<TIWLabel>("GroupBox1_Caption")->Caption, "GroupBox1");

  S.Get<TIWEdit>("Edit1")->ApplyValue("[1+1] <b>");
  S.Get<TIWComboBox>("ComboBox1")->ApplyValue("2");
  S.Get<TIWCheckBox>("CheckBox1")->ApplyValue("1");
  S.Get<TIWRadioButton>("Radio2")->ApplyValue("1");
  S.Click("OK");
  S.Worker->Wait();
  EXPECT_EQ(S.Worker->Error(), "");
  EXPECT_EQ(Result, rt::mrOk);
  EXPECT_EQ(O.Form.ModalResult, rt::mrOk);
  EXPECT_EQ(O.Edit->Text(), "[1+1] <b>");
  EXPECT_EQ(O.Combo->ItemIndex(), 2);
  EXPECT_EQ(O.Combo->Text(), "Air");
  EXPECT_TRUE(O.Check->Checked());
  EXPECT_TRUE(O.R2->Checked());
  EXPECT_FALSE(O.R1->Checked());
  EXPECT_EQ(EditChanges, 0) << "values the user left arrive without change events of their own";
  EXPECT_EQ(S.App.ActiveForm(), S.Main);
}

TEST(ControlForms, HandlersRunOnTheJobsThreadAndWhatTheyChangeShows) {
  TSession S;
  TOptionsForm O;
  std::thread::id JobThread, HandlerThread;
  int Clicks = 0;
  O.Copy->OnClick = [&](rt::TObject*) {
    HandlerThread = std::this_thread::get_id();
    O.Label->SetCaption(O.Edit->Text());
    O.Edit->SetEnabled(false);
    O.Check->SetVisible(false);
    if (++Clicks < 2) return;
    // A control made by the handler shows too.
    auto* Added = new rt::TLabel(&O.Form);
    Added->SetName("Label2");
    Added->SetParent(O.Box);
    Added->SetCaption("added");
  };
  std::atomic<int> Result{-1};
  ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) {
    JobThread = std::this_thread::get_id();
    TControlFormsScope Scope(*S.Host);
    Result = O.Form.ShowModal();
  }));
  ASSERT_TRUE(S.Poll());
  S.Get<TIWEdit>("Edit1")->ApplyValue("typed");
  S.Click("Button1");
  EXPECT_EQ(HandlerThread, JobThread);
  EXPECT_EQ(S.Get<TIWLabel>("Label1")->Caption, "typed");
  EXPECT_FALSE(S.Get<TIWEdit>("Edit1")->Enabled);
  EXPECT_FALSE(S.Get<TIWCheckBox>("CheckBox1")->Visible);
  S.Click("Button1");
  ASSERT_NE(S.Get<TIWLabel>("Label2"), nullptr);
  EXPECT_EQ(S.Get<TIWLabel>("Label2")->Caption, "added");
  EXPECT_TRUE(S.Host->Waiting()) << "a button without a modal result leaves the form open";
  S.Click("Cancel");
  S.Worker->Wait();
  EXPECT_EQ(Result, rt::mrCancel);
}

TEST(ControlForms, CloseQueryMayKeepTheFormAndAFailingHandlerBecomesAMessage) {
  TSession S;
  TOptionsForm O;
  int Queries = 0;
  O.Form.OnCloseQuery = [&](rt::TObject*, bool& CanClose) { CanClose = ++Queries > 1; };
  O.Copy->ModalResult = rt::mrOk;
  O.Copy->OnClick = [](rt::TObject*) { throw rt::Exception("Label1 is read-only"); };
  std::atomic<int> Result{-1};
  ShowInJob(S, O.Form, Result);
  ASSERT_TRUE(S.Poll());
  S.Click("OK");
  EXPECT_TRUE(S.Host->Waiting()) << "OnCloseQuery said no";
  EXPECT_EQ(O.Form.ModalResult, rt::mrNone);
  S.Click("Button1");
  const auto Messages = S.App.TakeMessages();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0], "Label1 is read-only");
  EXPECT_TRUE(S.Host->Waiting()) << "the failing handler's button does not close the form";
  S.Click("OK");
  S.Worker->Wait();
  EXPECT_EQ(Result, rt::mrOk);
  EXPECT_EQ(Queries, 2);
}

TEST(ControlForms, TheSessionsEndAnswersCancelAndTheJobsFormsAreFreed) {
  std::atomic<int> Result{-1};
  std::atomic<bool> Freed{false};
  {
    TSession S;
    ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) {
      TControlFormsScope Scope(*S.Host);
      // A script's form, given to the application as owner and never freed by the script.
      auto* F = new rt::TForm(&rt::Application());
      F->OnDestroy = [&](rt::TObject*) { Freed = true; };
      auto* B = new rt::TButton(F);
      B->SetName("Button1");
      B->SetParent(F);
      Result = F->ShowModal();
    }));
    ASSERT_TRUE(S.Poll());
  }
  EXPECT_EQ(Result, rt::mrCancel);
  EXPECT_TRUE(Freed);
}

TEST(ControlForms, NamelessAndRepeatedNamesGetIdsOfTheirOwn) {
  rt::TForm Form(nullptr);
  rt::TForm Other(nullptr);
  auto* A = new rt::TEdit(&Form);
  A->SetName("Edit1");
  A->SetParent(&Form);
  auto* B = new rt::TEdit(&Other);  // owned elsewhere, so its name may repeat
  B->SetName("Edit1");
  B->SetParent(&Form);
  auto* C = new rt::TLabel(&Form);
  C->SetParent(&Form);
  const TIWModalForm F = DescribeControlForm(Form);
  ASSERT_EQ(F.Controls.size(), 3u);
  EXPECT_EQ(F.Controls[0].Name, "Edit1");
  EXPECT_NE(F.Controls[1].Name, "Edit1");
  EXPECT_FALSE(F.Controls[2].Name.empty());
  EXPECT_NE(F.Controls[1].Name, F.Controls[2].Name);
  B->SetParent(nullptr);
}
