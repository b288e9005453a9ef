#include "platform/web/ModalForm.h"
#include "tests/platform/web/ModalSession.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

using namespace web;
using namespace std::chrono_literals;

namespace {

TIWModalControl Control(TIWModalKind Kind, const std::string& Name, int Top) {
  TIWModalControl C;
  C.Kind = Kind;
  C.Name = Name;
  C.Left = 8;
  C.Top = Top;
  C.Width = 120;
  C.Height = 21;
  return C;
}

// A form of an edit, a combo box, a check box, a label, a button handled by the job, OK and Cancel.
TIWModalForm AskForm() {
  TIWModalForm F;
  F.Name = "Ask";
  F.Caption = "Options";
  F.Width = 300;
  F.Height = 240;
  auto E = Control(TIWModalKind::Edit, "Edit1", 8);
  E.Text = "start";
  auto B = Control(TIWModalKind::ComboBox, "ComboBox1", 36);
  B.Items = {"Water", "Steam", "Air"};
  B.ItemIndex = 0;
  auto K = Control(TIWModalKind::CheckBox, "CheckBox1", 64);
  K.Caption = "Metric";
  auto L = Control(TIWModalKind::Label, "Label1", 92);
  L.Caption = "before";
  auto H = Control(TIWModalKind::Button, "Button1", 120);
  H.Caption = "Copy";
  H.Events = meClick;
  auto OK = Control(TIWModalKind::Button, "OK", 180);
  OK.ModalResult = mrOk;
  OK.Default = true;
  auto Cancel = Control(TIWModalKind::Button, "Cancel", 208);
  Cancel.ModalResult = mrCancel;
  F.Controls = {E, B, K, L, H, OK, Cancel};
  return F;
}

}  // namespace

TEST(ModalForm, ValuesTypedInTheBrowserReachTheJobAsTypedOnOK) {
  TSession S;
  int Result = -1;
  TIWModalForm F = AskForm();
  ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) { Result = S.Host->ShowModal(F); }));
  ASSERT_TRUE(S.Poll());
  EXPECT_FALSE(S.Host->ShowWaiting(S.App)) << "shown once";
  EXPECT_NE(S.Host->ShownForm(), nullptr);
  ASSERT_NE(S.App.ActiveForm(), S.Main);
  EXPECT_EQ(S.App.ActiveForm()->Title, "Options");
  ASSERT_NE(S.Get<TIWEdit>("Edit1"), nullptr);
  EXPECT_EQ(S.Get<TIWEdit>("Edit1")->Text, "start");
  EXPECT_EQ(S.Get<TIWComboBox>("ComboBox1")->Text(), "Water");
  S.Get<TIWEdit>("Edit1")->ApplyValue("[1+1] <b>");
  S.Get<TIWComboBox>("ComboBox1")->ApplyValue("2");
  S.Get<TIWCheckBox>("CheckBox1")->ApplyValue("1");
  S.Click("OK");
  S.Worker->Wait();
  EXPECT_EQ(Result, mrOk);
  EXPECT_EQ(S.Worker->Error(), "");
  EXPECT_EQ(F.Find("Edit1")->Text, "[1+1] <b>");
  EXPECT_EQ(F.Find("ComboBox1")->ItemIndex, 2);
  EXPECT_EQ(F.Find("ComboBox1")->Text, "Air");
  EXPECT_TRUE(F.Find("CheckBox1")->Checked);
  EXPECT_EQ(S.App.ActiveForm(), S.Main) << "the session's form shows again";
  EXPECT_EQ(S.Host->ShownForm(), nullptr);
  EXPECT_FALSE(S.Host->Waiting());
}

TEST(ModalForm, AHandlerRunsOnTheJobsThreadAndItsChangesShowInTheBrowser) {
  TSession S;
  TIWModalForm F = AskForm();
  std::thread::id JobThread, HandlerThread;
  int Calls = 0;
  F.OnEvent = [&](TIWModalForm& Form, TIWModalControl& Sender, TIWModalEvent Event) {
    HandlerThread = std::this_thread::get_id();
    ++Calls;
    EXPECT_EQ(Sender.Name, "Button1");
    EXPECT_EQ(Event, meClick);
    Form.Find("Label1")->Caption = Form.Find("Edit1")->Text;
    Form.Find("Edit1")->Enabled = false;
    if (Calls == 2) {
      // A control added by the handler shows too.
      auto Extra = Control(TIWModalKind::Label, "Label2", 150);
      Extra.Caption = "added";
      Form.Controls.push_back(Extra);
    }
  };
  int Result = -1;
  ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) {
    JobThread = std::this_thread::get_id();
    Result = S.Host->ShowModal(F);
  }));
  ASSERT_TRUE(S.Poll());
  S.Get<TIWEdit>("Edit1")->ApplyValue("typed");
  S.Click("Button1");
  EXPECT_EQ(HandlerThread, JobThread);
  EXPECT_EQ(S.Get<TIWLabel>("Label1")->Caption, "typed");
  EXPECT_FALSE(S.Get<TIWEdit>("Edit1")->Enabled);
  EXPECT_TRUE(S.Host->Waiting()) << "a button without a modal result leaves the form open";
  S.Click("Button1");
  ASSERT_NE(S.Get<TIWLabel>("Label2"), nullptr);
  EXPECT_EQ(S.Get<TIWLabel>("Label2")->Caption, "added");
  S.Click("Cancel");
  S.Worker->Wait();
  EXPECT_EQ(Calls, 2) << "Cancel has no handler of its own";
  EXPECT_EQ(Result, mrCancel);
}

TEST(ModalForm, AFailingHandlerBecomesAMessageAndTheFormStays) {
  TSession S;
  TIWModalForm F = AskForm();
  F.OnEvent = [](TIWModalForm& Form, TIWModalControl&, TIWModalEvent) {
    Form.ModalResult = mrOk;
    throw std::runtime_error("Label1 is read-only");
  };
  int Result = -1;
  ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) { Result = S.Host->ShowModal(F); }));
  ASSERT_TRUE(S.Poll());
  S.Click("Button1");
  const auto Messages = S.App.TakeMessages();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0], "Label1 is read-only");
  EXPECT_TRUE(S.Host->Waiting());
  S.Click("OK");
  S.Worker->Wait();
  EXPECT_EQ(Result, mrOk);
}

TEST(ModalForm, CancelOfTheJobRefusesTheFormAndItsWebFormClosesOnTheNextEvent) {
  TSession S;
  TIWModalForm F = AskForm();
  int Result = -1;
  ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) { Result = S.Host->ShowModal(F); }));
  ASSERT_TRUE(S.Poll());
  S.Worker->Cancel();
  S.Worker->Wait();
  EXPECT_EQ(Result, mrCancel);
  EXPECT_FALSE(S.Host->Waiting());
  S.Click("OK");
  EXPECT_EQ(S.App.ActiveForm(), S.Main);
}

TEST(ModalForm, TheSessionsEndLeavesNoJobWaiting) {
  std::atomic<int> Result{-1};
  const auto Start = std::chrono::steady_clock::now();
  {
    TSession S;
    TIWModalForm F = AskForm();
    ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) { Result = S.Host->ShowModal(F); }));
    ASSERT_TRUE(S.Poll());
    // The session ends with the form unanswered.
  }
  EXPECT_EQ(Result, mrCancel);
  EXPECT_LT(std::chrono::steady_clock::now() - Start, 5s);
}

TEST(ModalForm, AJobMayOpenOnlySoManyFormsAndTheNextJobStartsAfresh) {
  TSession S;
  std::atomic<int> Opened{0};
  ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) {
    for (;;) {
      TIWModalForm F = AskForm();
      S.Host->ShowModal(F);
      ++Opened;
    }
  }));
  for (int i = 0; i < TIWModalHost::MaxFormsPerJob; ++i) {
    ASSERT_TRUE(S.Poll()) << i;
    S.Click("OK");
  }
  S.Worker->Wait();
  EXPECT_EQ(Opened, TIWModalHost::MaxFormsPerJob);
  EXPECT_NE(S.Worker->Error().find("Too many forms"), std::string::npos) << S.Worker->Error();
  int Result = -1;
  ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) {
    TIWModalForm F = AskForm();
    Result = S.Host->ShowModal(F);
  }));
  ASSERT_TRUE(S.Poll());
  S.Click("OK");
  S.Worker->Wait();
  EXPECT_EQ(Result, mrOk);
}

TEST(ModalForm, EnterPressesTheDefaultButtonAndPanelsHoldTheirControls) {
  TSession S;
  TIWModalForm F = AskForm();
  auto P = Control(TIWModalKind::Panel, "Panel1", 0);
  auto Inner = Control(TIWModalKind::Edit, "Inner", 4);
  Inner.Parent = "Panel1";
  Inner.Password = true;
  F.Controls.push_back(P);
  F.Controls.push_back(Inner);
  int Result = -1;
  ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) { Result = S.Host->ShowModal(F); }));
  ASSERT_TRUE(S.Poll());
  auto* E = S.Get<TIWEdit>("Inner");
  ASSERT_NE(E, nullptr);
  EXPECT_TRUE(E->PasswordPrompt);
  ASSERT_NE(E->Parent()->AsControl(), nullptr);
  EXPECT_EQ(E->Parent()->AsControl()->Name(), "Panel1");
  E->ApplyValue("secret");
  {
    TCurrentApplicationScope Scope(&S.App);
    S.App.ActiveForm()->OnDefaultAction(nullptr);
    S.App.FlushReleased();
  }
  S.Worker->Wait();
  EXPECT_EQ(Result, mrOk);
  EXPECT_EQ(F.Find("Inner")->Text, "secret");
}
