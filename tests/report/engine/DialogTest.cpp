// Dialog pages and their controls: controls wrapping the runtime's, their bounds at a screen
// density, parents, the caption that follows the name, streaming, and the dialog pages shown
// before the layout through the thread's presenter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rt/Controls.h"
#include "report/engine/repClass.h"
#include "report/engine/repDialogControls.h"
#include "report/engine/repEngine.h"
#include "report/engine/repPreviewPages.h"
#include "tests/report/EngineSetup.h"
#include "tests/report/MemoText.h"
#include "tests/report/engine/A4Page.h"

namespace {

void Start() {
  enginesetup::StartEngine();
  enginesetup::AddScriptModules();
}

template <class T>
T* Make(TrepComponent* Parent, const char* Name, double L, double T0, double W, double H) {
  auto* C = new T(Parent);
  C->SetName(Name);
  C->SetBounds(L, T0, W, H);
  return C;
}

rt::TControl* FindControl(rt::TCustomForm& Form, const std::string& Name) {
  rt::TControl* Found = nullptr;
  Form.ForEachChild([&](rt::TControl& C) {
    if (C.Name() == Name) Found = &C;
  });
  return Found;
}

// A report whose dialog page asks for an edit, a combo box and a check box, and whose title shows
// what was chosen.
struct TAskingReport {
  struct TStarted {
    TStarted() { Start(); }
  } Started;
  TrepReport Report{nullptr};
  TrepDialogPage* Dialog = nullptr;
  TrepEditControl* Edit = nullptr;
  TrepComboBoxControl* Combo = nullptr;
  TrepCheckBoxControl* Check = nullptr;
  TrepButtonControl* OK = nullptr;
  TrepButtonControl* Cancel = nullptr;

  TAskingReport() {
    Report.EngineOptions.SilentMode = simSilent;
    // The objects stay the ones made here (no restoring copy around the run).
    Report.EngineOptions.DestroyForms = false;
    Dialog = new TrepDialogPage(&Report);
    Dialog->SetName("DialogPage1");
    Dialog->SetCaption("Options");
    Edit = Make<TrepEditControl>(Dialog, "Edit1", 8, 8, 120, 21);
    Edit->Wrapped().SetText("start");
    Combo = Make<TrepComboBoxControl>(Dialog, "ComboBox1", 8, 36, 120, 21);
    Combo->Wrapped().Style = rt::csDropDownList;
    Combo->Wrapped().Items().SetText("Water\nSteam\nAir");
    Combo->Wrapped().SetItemIndex(0);
    Check = Make<TrepCheckBoxControl>(Dialog, "CheckBox1", 8, 64, 120, 17);
    OK = Make<TrepButtonControl>(Dialog, "OK", 8, 100, 75, 25);
    OK->Wrapped().ModalResult = rt::mrOk;
    Cancel = Make<TrepButtonControl>(Dialog, "Cancel", 90, 100, 75, 25);
    Cancel->Wrapped().ModalResult = rt::mrCancel;
    TrepReportPage* Page = a4page::New(Report, "Page1");
    auto* Title = new TrepReportTitle(Page);
    Title->SetName("ReportTitle1");
    Title->SetBounds(0, 0, 700, 30);
    a4page::Memo(Title, "Chosen", 0, 0, 700, 20, u"[Edit1.Text]|[ComboBox1.Text]|[CheckBox1.Checked]");
  }

  // The chosen values as the prepared title shows them; empty without pages.
  std::string Shown() {
    auto& Pages = *static_cast<TrepPreviewPages*>(Report.PreviewPages());
    if (Pages.Count() == 0) return {};
    for (TrepComponent* C : Pages.GetPage(0)->AllObjects())
      if (auto* M = dynamic_cast<TrepMemoView*>(C); M != nullptr && M->Name() == "Chosen") return memotext::Plain(M);
    return "no memo";
  }
};

} // namespace

TEST(DialogControls, BoundsReachTheControlScaledToTheScreenDensity) {
  Start();
  TrepReport R(nullptr);
  auto* D = new TrepDialogPage(&R);
  struct Case { int PPI; double Value; int Want; };
  for (const Case& K : std::vector<Case>{{96, 100, 100}, {144, 100, 150}, {120, 10.2, 13}, {144, 0.5, 1}, {96, 2.5, 2}}) {
    auto* B = new TrepButtonControl(D);
    B->CurrentPPI = K.PPI;
    B->SetBounds(K.Value, K.Value, K.Value, K.Value);
    EXPECT_EQ(B->Control()->Width(), K.Want) << K.PPI << " " << K.Value;
    EXPECT_EQ(B->Control()->Left(), K.Want) << K.PPI << " " << K.Value;
    EXPECT_DOUBLE_EQ(B->Width(), K.Value) << "the object keeps its own value";
  }
  // A new density reaches the children first and moves the controls.
  auto* G = Make<TrepGroupBoxControl>(D, "GroupBox1", 0, 0, 200, 100);
  auto* In = Make<TrepEditControl>(G, "Inner", 10, 10, 100, 20);
  D->UpdateDialogPPI(144);
  EXPECT_EQ(In->CurrentPPI, 144);
  EXPECT_EQ(In->Control()->Width(), 150);
  EXPECT_EQ(G->Control()->Height(), 150);
}

TEST(DialogControls, ParentsOfTheWrappedControls) {
  Start();
  TrepReport R(nullptr);
  auto* D = new TrepDialogPage(&R);
  auto* Lone = new TrepEditControl(nullptr);
  EXPECT_EQ(Lone->Control()->Parent(), &ParentFormInstance()) << "no dialog page: the hidden parent form";
  auto* G = Make<TrepGroupBoxControl>(D, "GroupBox1", 0, 0, 200, 100);
  EXPECT_EQ(G->Control()->Parent(), &D->Form());
  Lone->SetParent(G);
  EXPECT_EQ(Lone->Control()->Parent(), G->Control());
  EXPECT_TRUE(G->IsAcceptControls());
  EXPECT_FALSE(Lone->IsAcceptControls());
  // A control inside a control that holds none sits on the hidden form, not inside the edit.
  auto* Odd = new TrepButtonControl(nullptr);
  Odd->SetParent(Lone);
  EXPECT_EQ(Odd->Control()->Parent(), &ParentFormInstance());
  delete Odd;
  Lone->SetParent(nullptr);
  EXPECT_EQ(Lone->Control()->Parent(), &ParentFormInstance());
  delete Lone;
  EXPECT_EQ(G->Control()->Parent(), &D->Form());
}

TEST(DialogControls, ARenameMovesTheCaptionAlongUnlessTheReportIsLoading) {
  Start();
  TrepReport R(nullptr);
  auto* D = new TrepDialogPage(&R);
  auto* B = new TrepButtonControl(D);
  B->SetName("Button1");
  EXPECT_EQ(B->Caption(), "Button1");
  EXPECT_EQ(B->BaseName(), "Button");
  B->SetName("Go");
  EXPECT_EQ(B->Caption(), "Go");
  EXPECT_EQ(B->Control()->Name(), "Go") << "the browser's id";
  B->SetIsLoading(true);
  B->SetName("Button2");
  EXPECT_EQ(B->Caption(), "Go");
  B->SetIsLoading(false);
  B->SetCaption("Start");
  B->SetName("Button3");
  EXPECT_EQ(B->Caption(), "Start");
  auto* E = new TrepEditControl(D);
  E->SetName("Edit1");
  EXPECT_EQ(E->Wrapped().Text(), "") << "an edit does not show its name";
}

TEST(DialogControls, PropertiesLiveInTheControlAndSurviveSaveAndLoad) {
  TAskingReport A;
  A.Edit->SetHint("Your name");
  A.Edit->SetEnabled(false);
  A.Edit->SetVisible(false);
  A.Edit->SetAnchors(TrepAnchors{fraLeft, fraRight});
  A.Check->SetCaption("Metric");
  A.Check->Wrapped().SetChecked(true);
  A.Dialog->SetClientWidth(300);
  EXPECT_FALSE(A.Edit->Control()->Enabled());
  EXPECT_FALSE(A.Edit->Control()->Visible());
  EXPECT_EQ(A.Edit->Control()->Anchors, (1u << rt::akLeft) | (1u << rt::akRight));
  EXPECT_EQ(A.Dialog->Form().Width(), 300);

  rt::TStringStream Out;
  A.Report.SaveToStream(Out);
  const std::string Saved = Out.DataString();
  TrepReport Back(nullptr);
  Back.EngineOptions.SilentMode = simSilent;
  rt::TStringStream In(Saved);
  Back.LoadFromStream(In);
  EXPECT_EQ(Back.Errors().Count(), 0) << Back.Errors().Text();
  auto* E = dynamic_cast<TrepEditControl*>(Back.FindObject("Edit1"));
  auto* C = dynamic_cast<TrepComboBoxControl*>(Back.FindObject("ComboBox1"));
  auto* K = dynamic_cast<TrepCheckBoxControl*>(Back.FindObject("CheckBox1"));
  auto* D = dynamic_cast<TrepDialogPage*>(Back.FindObject("DialogPage1"));
  ASSERT_TRUE(E && C && K && D) << Saved;
  EXPECT_EQ(E->Wrapped().Text(), "start");
  EXPECT_EQ(E->Hint(), "Your name");
  EXPECT_FALSE(E->Enabled());
  EXPECT_FALSE(E->Control()->Visible());
  EXPECT_EQ(C->Wrapped().Items().Count(), 3);
  EXPECT_EQ(C->Wrapped().ItemIndex(), 0);
  EXPECT_TRUE(K->Wrapped().Checked());
  EXPECT_EQ(K->Caption(), "Metric");
  EXPECT_EQ(D->Caption(), "Options");
  EXPECT_EQ(D->Form().Width(), 300);
  EXPECT_EQ(E->Control()->Parent(), &D->Form());
  // The dialog page writes back as it was read (loading adds the report's data page elsewhere).
  rt::TStringStream Again;
  Back.SaveToStream(Again);
  auto DialogPart = [](const std::string& X) {
    const auto A = X.find("<TrepDialogPage"), B = X.find("</TrepDialogPage>");
    return A == std::string::npos || B == std::string::npos ? std::string() : X.substr(A, B - A);
  };
  EXPECT_FALSE(DialogPart(Saved).empty());
  EXPECT_EQ(DialogPart(Again.DataString()), DialogPart(Saved));
}

TEST(DialogPages, ValuesTypedInTheDialogReachTheReportAsTyped) {
  TAskingReport A;
  int Shown = 0;
  rt::TModalPresenterScope Presenter([&](rt::TCustomForm& F) {
    ++Shown;
    EXPECT_EQ(F.Caption(), "Options");
    EXPECT_EQ(F.Name(), "DialogPage1");
    static_cast<rt::TEdit*>(FindControl(F, "Edit1"))->SetTextQuietly("[1+1] <b>");
    static_cast<rt::TComboBox*>(FindControl(F, "ComboBox1"))->SetItemIndex(2);
    static_cast<rt::TCheckBox*>(FindControl(F, "CheckBox1"))->SetCheckedQuietly(true);
    FindControl(F, "OK")->Click();
    EXPECT_TRUE(F.CloseModal());
    return F.ModalResult;
  });
  ASSERT_TRUE(A.Report.PrepareReport()) << A.Report.Errors().Text();
  EXPECT_EQ(Shown, 1);
  EXPECT_EQ(A.Shown(), "[1+1] <b>|Air|True");
  EXPECT_EQ(A.Dialog->ModalResult(), rt::mrOk);
}

TEST(DialogPages, CancelPreparesNothingAndPagesWithoutControlsOrHiddenAreNotShown) {
  TAskingReport A;
  auto* Empty = new TrepDialogPage(&A.Report);
  Empty->SetName("EmptyPage");
  auto* Hidden = new TrepDialogPage(&A.Report);
  Hidden->SetName("HiddenPage");
  Make<TrepButtonControl>(Hidden, "Button9", 0, 0, 75, 25);
  Hidden->SetVisible(false);
  std::vector<std::string> Asked;
  rt::TModalPresenterScope Presenter([&](rt::TCustomForm& F) {
    Asked.push_back(F.Name());
    return rt::mrCancel;
  });
  EXPECT_FALSE(A.Report.PrepareReport());
  EXPECT_EQ(A.Report.PreviewPages()->Count(), 0);
  EXPECT_EQ(Asked, std::vector<std::string>{"DialogPage1"});
  EXPECT_EQ(A.Report.Errors().Count(), 0) << "a cancel is no error";
}

TEST(DialogPages, TheRunDialogsScriptEventDecidesInsteadOfThePages) {
  struct Case { const char* Answer; bool Prepared; };
  for (const Case& K : {Case{"False", false}, Case{"True", true}}) {
    TAskingReport A;
    A.Report.ScriptText().SetText(std::string("procedure RunDialogs(var Show: Boolean);\nbegin\n  Edit1.Text := 'from script';\n  Show := ") +
                                  K.Answer + ";\nend;\n\nbegin\nend.");
    A.Report.OnRunDialogs = "RunDialogs";
    int Shown = 0;
    rt::TModalPresenterScope Presenter([&](rt::TCustomForm&) {
      ++Shown;
      return rt::mrOk;
    });
    EXPECT_EQ(A.Report.PrepareReport(), K.Prepared) << K.Answer << " " << A.Report.Errors().Text();
    EXPECT_EQ(Shown, 0);
    if (K.Prepared) {
      EXPECT_EQ(A.Shown(), "from script|Water|False");
    }
  }
}

TEST(DialogPages, ControlEventsRunTheirScriptHandlers) {
  TAskingReport A;
  auto* Copy = Make<TrepButtonControl>(A.Dialog, "Copy", 170, 100, 75, 25);
  Copy->OnClick = "CopyClick";
  A.Edit->OnChange = "EditChange";
  A.Report.ScriptText().SetText(
      "procedure CopyClick(Sender: TObject);\nbegin\n  Edit1.Text := Edit1.Text + '!';\nend;\n\n"
      "procedure EditChange(Sender: TObject);\nbegin\n  Set('Changes', Get('Changes') + 1);\nend;\n\n"
      "begin\n  Set('Changes', 0);\nend.");
  rt::TModalPresenterScope Presenter([&](rt::TCustomForm& F) {
    FindControl(F, "Copy")->Click();
    FindControl(F, "OK")->Click();
    return F.CloseModal() ? F.ModalResult : rt::mrCancel;
  });
  ASSERT_TRUE(A.Report.PrepareReport()) << A.Report.Errors().Text();
  EXPECT_EQ(A.Shown(), "start!|Water|False");
  EXPECT_EQ(A.Report.Variables().Variables("Changes").ToInteger(), 1) << "the script's own change of the text";
}

TEST(DialogPages, WithoutAPresenterTheRunFailsWithAReason) {
  TAskingReport A;
  EXPECT_FALSE(A.Report.PrepareReport());
  EXPECT_NE(A.Report.Errors().Text().find("no screen"), std::string::npos) << A.Report.Errors().Text();
  EXPECT_EQ(A.Report.PreviewPages()->Count(), 0);
}
