// The report password: the check on load, the password window and the load hook.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rt/Dialogs.h"
#include "report/engine/repClass.h"
#include "report/engine/repExpression.h"
#include "report/engine/repPasswordForm.h"
#include "tests/report/EngineSetup.h"

namespace {

// Answers every window with the text typed into its password edit and the button pressed;
// remembers the windows it was shown.
struct TFakePresenter : rt::TDialogPresenter {
  std::string Typed;
  int Result = rt::mrOk;
  std::vector<rt::TDialogWindow> Shown;
  int ShowDialog(rt::TDialogWindow& W) override {
    if (rt::TDialogItem* E = W.Find("PasswordE")) E->Text = Typed;
    Shown.push_back(W);
    return Result;
  }
};

std::string SavedProtected(const std::string& Password) {
  TrepReport R(nullptr);
  R.ReportOptions.Password = Password;
  (new TrepReportPage(&R))->SetName("Secret");
  rt::TStringStream S;
  R.SaveToStream(S);
  return S.DataString();
}

void Load(TrepReport& R, const std::string& Bytes) {
  rt::TStringStream S(Bytes);
  R.LoadFromStream(S);
}

TEST(ReportPassword, TheWindowHasItsDesignAndTexts) {
  enginesetup::StartEngine();
  TrepPasswordForm F;
  rt::TDialogWindow& W = F.Window();
  EXPECT_EQ(W.Caption, "Password");
  EXPECT_EQ(W.Width, 252);
  EXPECT_EQ(W.Height, 92);
  EXPECT_EQ(W.Find("PasswordL")->Caption, "Enter the password:");
  EXPECT_TRUE(W.Find("PasswordE")->Password);
  EXPECT_EQ(W.Find("OkB")->ModalResult, rt::mrOk);
  EXPECT_TRUE(W.Find("OkB")->Default);
  EXPECT_EQ(W.Find("CancelB")->ModalResult, rt::mrCancel);
  EXPECT_EQ(W.Find("CancelB")->Caption, "Cancel");
}

TEST(ReportPassword, LoadingAsksAndOnlyTheRightPasswordKeepsTheReport) {
  enginesetup::StartEngine();
  const std::string File = SavedProtected("s3cret");
  struct Case {
    const char* Name;
    bool Presenter;
    const char* Typed;
    int Result;
    bool Kept;
  } Cases[] = {
      {"right password, OK", true, "s3cret", rt::mrOk, true},
      {"wrong password", true, "secret", rt::mrOk, false},
      {"empty text", true, "", rt::mrOk, false},
      {"right password, Cancel", true, "s3cret", rt::mrCancel, false},
      {"nobody to ask", false, "", rt::mrOk, false},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    TFakePresenter P;
    P.Typed = C.Typed;
    P.Result = C.Result;
    std::unique_ptr<rt::TDialogPresenterScope> Scope;
    if (C.Presenter) Scope = std::make_unique<rt::TDialogPresenterScope>(&P);
    TrepReport R(nullptr);
    R.EngineOptions.SilentMode = simSilent;
    Load(R, File);
    EXPECT_EQ(P.Shown.size(), C.Presenter ? 1u : 0u);
    EXPECT_EQ(R.FindObject("Secret") != nullptr, C.Kept);
    if (C.Kept) {
      EXPECT_EQ(R.Errors().Count(), 0);
      EXPECT_EQ(R.ReportOptions.PrevPassword, "s3cret");
      // Accepted once: the same report asks no more.
      EXPECT_TRUE(R.ReportOptions.CheckPassword());
      EXPECT_EQ(P.Shown.size(), 1u);
    } else {
      EXPECT_EQ(R.Errors().Text(), "Invalid password\r\n");
      EXPECT_EQ(R.ReportOptions.Password, "") << "a refused report keeps nothing of the file";
    }
  }
}

TEST(ReportPassword, NoPasswordAHiddenOneOrAThreadSafeLoadAsksNobody) {
  enginesetup::StartEngine();
  TFakePresenter P;
  rt::TDialogPresenterScope Scope(&P);
  {
    TrepReport R(nullptr);
    Load(R, SavedProtected(""));
    EXPECT_NE(R.FindObject("Secret"), nullptr);
  }
  {
    TrepReport R(nullptr);
    R.ReportOptions.HiddenPassword = "pw";
    Load(R, SavedProtected("pw"));
    EXPECT_NE(R.FindObject("Secret"), nullptr);
  }
  {
    TrepReport R(nullptr);
    R.EngineOptions.EnableThreadSafe = true;
    Load(R, SavedProtected("pw"));
    EXPECT_NE(R.FindObject("Secret"), nullptr);
    EXPECT_EQ(R.ReportOptions.Password, "pw") << "the caller may check it later";
  }
  EXPECT_TRUE(P.Shown.empty());
}

TEST(ReportPassword, ARefusalThatRaisesStillClearsTheReport) {
  enginesetup::StartEngine();
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simReThrow;
  EXPECT_THROW(Load(R, SavedProtected("pw")), rt::Exception);
  EXPECT_EQ(R.FindObject("Secret"), nullptr);
  EXPECT_EQ(R.ReportOptions.Password, "");
}

TEST(ReportPassword, TheLoadHookMayReadTheStreamItself) {
  enginesetup::StartEngine();
  int Calls = 0;
  GlobalFR2Events().OnLoad = [&](TrepReport* Sender, rt::TStream&) {
    ++Calls;
    (new TrepReportPage(Sender))->SetName("FromHook");
    return true;
  };
  TrepReport R(nullptr);
  Load(R, "not a report at all");
  GlobalFR2Events().OnLoad = nullptr;
  EXPECT_EQ(Calls, 1);
  EXPECT_TRUE(R.StreamLoaded);
  EXPECT_NE(R.FindObject("FromHook"), nullptr);

  // A hook that declines leaves the reading to the report.
  GlobalFR2Events().OnLoad = [](TrepReport*, rt::TStream&) { return false; };
  TrepReport Back(nullptr);
  Load(Back, SavedProtected(""));
  GlobalFR2Events().OnLoad = nullptr;
  EXPECT_NE(Back.FindObject("Secret"), nullptr);
}

}  // namespace
