#include "platform/rt/Controls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace rt;

namespace {

// A form with a group box holding an edit and two radio buttons, and a button on the form.
struct TSample {
  TForm Form{nullptr};
  TGroupBox* Box = new TGroupBox(&Form);
  TEdit* Edit = new TEdit(&Form);
  TRadioButton* R1 = new TRadioButton(&Form);
  TRadioButton* R2 = new TRadioButton(&Form);
  TButton* OK = new TButton(&Form);
  TSample() {
    Form.SetName("Form1");
    Box->SetName("GroupBox1");
    Edit->SetName("Edit1");
    R1->SetName("R1");
    R2->SetName("R2");
    OK->SetName("OK");
    Box->SetParent(&Form);
    Edit->SetParent(Box);
    R1->SetParent(Box);
    R2->SetParent(Box);
    OK->SetParent(&Form);
    OK->ModalResult = mrOk;
  }
};

} // namespace

TEST(Controls, ParentAndChildrenStayConsistentWhenControlsMoveOrAreFreed) {
  TSample S;
  ASSERT_EQ(S.Form.ControlCount(), 2);
  EXPECT_EQ(S.Box->ControlCount(), 3);
  EXPECT_EQ(S.Edit->Parent(), S.Box);
  EXPECT_EQ(S.Edit->ParentForm(), &S.Form);

  S.Edit->SetParent(&S.Form);
  EXPECT_EQ(S.Box->ControlCount(), 2);
  EXPECT_EQ(S.Form.Controls(2), S.Edit);

  delete S.R1;  // a freed child leaves its parent's list
  EXPECT_EQ(S.Box->ControlCount(), 1);
  EXPECT_THROW(S.Box->Controls(1), EListError);

  // A freed parent takes its children off; their owner still frees them.
  delete S.Box;
  EXPECT_EQ(S.R2->Parent(), nullptr);
  EXPECT_EQ(S.R2->ParentForm(), nullptr);
  EXPECT_EQ(S.Form.ControlCount(), 2);
}

TEST(Controls, AControlCannotBeAChildOfItselfOrOfAControlWithoutChildren) {
  TSample S;
  EXPECT_THROW(S.Box->SetParent(S.Box), EInvalidOperation);
  EXPECT_THROW(S.Form.SetParent(S.Box), EInvalidOperation) << "a cycle through the box";
  EXPECT_THROW(S.OK->SetParent(S.Edit), EInvalidOperation) << "an edit holds no controls";
  EXPECT_EQ(S.OK->Parent(), &S.Form);
  EXPECT_EQ(S.Form.Parent(), nullptr);
}

TEST(Controls, ARenameRenamesTheCaptionOnlyWhileTheCaptionIsTheName) {
  TForm Form(nullptr);
  auto* B = new TButton(&Form);
  B->SetName("Button1");
  EXPECT_EQ(B->Caption(), "Button1");
  B->SetName("Go");
  EXPECT_EQ(B->Caption(), "Go");
  B->SetCaption("Start");
  B->SetName("Button2");
  EXPECT_EQ(B->Caption(), "Start");
  auto* E = new TEdit(&Form);
  E->SetName("Edit1");
  EXPECT_EQ(E->Text(), "") << "an edit does not show its name";
}

TEST(Controls, AChildFollowsItsParentsFontUntilItGetsOneOfItsOwn) {
  TSample S;
  EXPECT_EQ(S.Edit->Font().Name(), "Tahoma");
  EXPECT_EQ(S.Edit->Font().Size(), 8);
  S.Form.Font().SetSize(12);
  EXPECT_EQ(S.Box->Font().Size(), 12);
  EXPECT_EQ(S.Edit->Font().Size(), 12) << "through the group box";
  S.Edit->Font().SetName("Courier New");
  EXPECT_FALSE(S.Edit->ParentFont());
  S.Form.Font().SetSize(9);
  EXPECT_EQ(S.Edit->Font().Size(), 12);
  EXPECT_EQ(S.R1->Font().Size(), 9);
  S.Edit->SetParentFont(true);
  EXPECT_EQ(S.Edit->Font().Name(), "Tahoma");
  EXPECT_EQ(S.Edit->Font().Size(), 9);
}

TEST(Controls, ValuesOfEditsListsAndBoxes) {
  TForm Form(nullptr);
  auto* E = new TEdit(&Form);
  int Changes = 0;
  E->OnChange = [&](TObject*) { ++Changes; };
  E->MaxLength = 3;
  E->SetText("\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F");  // four letters, eight bytes
  EXPECT_EQ(E->Text(), "\xC3\xA4\xC3\xB6\xC3\xBC") << "cut in characters, not bytes";
  E->SetText("\xC3\xA4\xC3\xB6\xC3\xBC");
  EXPECT_EQ(Changes, 1) << "the same text is no change";

  auto* C = new TComboBox(&Form);
  C->Items().SetText("Water\nSteam\nAir");
  struct Case { TComboBoxStyle Style; int Index; std::string Text; int WantIndex; std::string WantText; };
  for (const Case& K : std::vector<Case>{{csDropDownList, 1, "", 1, "Steam"},
                                         {csDropDownList, 7, "", -1, ""},
                                         {csDropDownList, -1, "Oil", -1, ""},
                                         {csDropDown, -1, "Oil", -1, "Oil"},
                                         {csDropDown, -1, "Air", 2, "Air"}}) {
    C->Style = K.Style;
    C->SetItemIndex(K.Index);
    if (!K.Text.empty()) C->SetText(K.Text);
    EXPECT_EQ(C->ItemIndex(), K.WantIndex) << K.Style << " " << K.Index << " " << K.Text;
    EXPECT_EQ(C->Text(), K.WantText) << K.Style << " " << K.Index << " " << K.Text;
  }
  C->SetItemIndex(2);
  C->Items().Delete(2);
  EXPECT_EQ(C->ItemIndex(), -1) << "the chosen item is gone";

  auto* L = new TListBox(&Form);
  L->Items().SetText("a\nb\nc");
  L->SetItemIndex(1);
  EXPECT_TRUE(L->Selected(1));
  EXPECT_FALSE(L->Selected(0));
  EXPECT_THROW(L->Selected(3), EListError);
  L->MultiSelect = true;
  L->SetSelected(0, true);
  L->SetSelected(2, true);
  EXPECT_EQ(L->SelCount(), 2);

  auto* M = new TMemo(&Form);
  M->SetText("one\r\ntwo");
  EXPECT_EQ(M->Lines().Count(), 2);
  EXPECT_EQ(M->Lines().Strings(1), "two");
}

TEST(Controls, CheckingARadioButtonUnchecksItsSiblingsOnlyAndClicksOnce) {
  TSample S;
  auto* Outside = new TRadioButton(&S.Form);
  Outside->SetParent(&S.Form);
  Outside->SetChecked(true);
  int Clicks = 0;
  S.R2->OnClick = [&](TObject*) { ++Clicks; };
  S.R1->SetChecked(true);
  S.R2->SetChecked(true);
  S.R2->SetChecked(true);
  EXPECT_FALSE(S.R1->Checked());
  EXPECT_TRUE(S.R2->Checked());
  EXPECT_TRUE(Outside->Checked()) << "another parent, another group";
  EXPECT_EQ(Clicks, 1);
  S.R1->SetCheckedQuietly(true);
  EXPECT_FALSE(S.R2->Checked());
  EXPECT_EQ(Clicks, 1);

  auto* K = new TCheckBox(&S.Form);
  int KClicks = 0;
  K->OnClick = [&](TObject*) { ++KClicks; };
  K->SetChecked(true);
  K->SetCheckedQuietly(false);
  K->SetState(cbGrayed);  // not allowed: unchecked, which it already is
  EXPECT_EQ(K->State(), cbUnchecked);
  EXPECT_EQ(KClicks, 1);
}

TEST(Controls, PublishedPropertiesReachTheControls) {
  TSample S;
  auto* C = new TComboBox(&S.Form);
  C->Items().SetText("x\ny");
  auto* K = new TCheckBox(&S.Form);
  struct Case { TControl* Control; const char* Prop; Variant Value; };
  const std::vector<Case> Cases{
      {S.Edit, "Text", Variant(std::string("typed"))}, {S.Edit, "Left", Variant(17)},
      {S.Edit, "Visible", Variant(false)},              {S.Edit, "Enabled", Variant(false)},
      {S.Edit, "Hint", Variant(std::string("tip"))},   {S.Edit, "Anchors", Variant(5)},
      {S.Edit, "ReadOnly", Variant(true)},              {S.OK, "Caption", Variant(std::string("Go"))},
      {S.OK, "ModalResult", Variant(mrCancel)},         {C, "ItemIndex", Variant(1)},
      {K, "Checked", Variant(true)},                    {&S.Form, "Caption", Variant(std::string("Options"))},
      {&S.Form, "Color", Variant(0x00FF00)},           {S.Box, "Caption", Variant(std::string("Group"))},
      {S.Edit, "Name", Variant(std::string("Edit9"))},
  };
  for (const Case& K2 : Cases) {
    const TPropInfo* P = K2.Control->ClassType()->FindProperty(K2.Prop);
    ASSERT_NE(P, nullptr) << K2.Control->ClassName() << "." << K2.Prop;
    ASSERT_TRUE(P->Set) << K2.Prop;
    P->Set(K2.Control, K2.Value);
    EXPECT_EQ(VarCompare(P->Get(K2.Control), K2.Value), crEqual) << K2.Control->ClassName() << "." << K2.Prop;
  }
  EXPECT_EQ(S.Edit->Text(), "typed");
  EXPECT_EQ(S.Edit->Left(), 17);
  EXPECT_EQ(C->Text(), "y");
  EXPECT_EQ(S.Edit->Name(), "Edit9");

  const TPropInfo* PC = S.Edit->ClassType()->FindProperty("PasswordChar");
  ASSERT_NE(PC, nullptr);
  PC->Set(S.Edit, Variant(std::u16string(u"*")));
  EXPECT_EQ(S.Edit->PasswordChar, u'*');
  EXPECT_EQ(PC->Get(S.Edit).ToInteger(), '*') << "an ordinal, as files store it";
  PC->Set(S.Edit, Variant(0));
  EXPECT_EQ(S.Edit->PasswordChar, 0);

  // Parent is the runtime's; the font is an object scripts change in place.
  const TPropInfo* F = S.Edit->ClassType()->FindProperty("Font");
  ASSERT_NE(F, nullptr);
  EXPECT_EQ(VarToObject(F->Get(S.Edit)), &S.Edit->Font());

  bool Clicked = false;
  const TPropInfo* E = S.OK->ClassType()->FindProperty("OnClick");
  ASSERT_NE(E, nullptr);
  E->SetMethod(S.OK, std::any(TNotifyEvent([&](TObject*) { Clicked = true; })));
  S.OK->Click();
  EXPECT_TRUE(Clicked);
  EXPECT_THROW(E->SetMethod(S.OK, std::any(42)), Exception);

  for (const char* Name : {"TControl", "TWinControl", "TCustomControl", "TGraphicControl", "TGroupBox", "TLabel",
                           "TEdit", "TMemo", "TCustomComboBox", "TComboBox", "TButton", "TCheckBox", "TRadioButton",
                           "TCustomListBox", "TListBox", "TControlScrollBar", "TScrollingWinControl", "TScrollBox",
                           "TCustomForm", "TForm", "TDataModule", "TApplication"})
    EXPECT_TRUE([&] {
      for (TClass C2 : {TControl::ClassInfo(), TWinControl::ClassInfo(), TCustomControl::ClassInfo(),
                        TGraphicControl::ClassInfo(), TGroupBox::ClassInfo(), TLabel::ClassInfo(), TEdit::ClassInfo(),
                        TMemo::ClassInfo(), TCustomComboBox::ClassInfo(), TComboBox::ClassInfo(), TButton::ClassInfo(),
                        TCheckBox::ClassInfo(), TRadioButton::ClassInfo(), TCustomListBox::ClassInfo(),
                        TListBox::ClassInfo(), TControlScrollBar::ClassInfo(), TScrollingWinControl::ClassInfo(),
                        TScrollBox::ClassInfo(), TCustomForm::ClassInfo(), TForm::ClassInfo(),
                        TDataModule::ClassInfo(), TApplication::ClassInfo()})
        if (C2->ClassName() == Name) return true;
      return false;
    }()) << Name;
  EXPECT_TRUE(TForm::ClassInfo()->InheritsFrom(TScrollingWinControl::ClassInfo()));
  EXPECT_TRUE(TLabel::ClassInfo()->InheritsFrom(TControl::ClassInfo()));
  EXPECT_FALSE(TLabel::ClassInfo()->InheritsFrom(TWinControl::ClassInfo()));
}

TEST(Controls, ShowModalWithoutAPresenterRaisesInsteadOfAnsweringForTheUser) {
  TSample S;
  bool Shown = false;
  S.Form.OnShow = [&](TObject*) { Shown = true; };
  EXPECT_THROW(S.Form.ShowModal(), EInvalidOperation);
  EXPECT_FALSE(Shown);
  EXPECT_FALSE(S.Form.Modal());
  EXPECT_FALSE(S.Form.Visible());
}

TEST(Controls, ShowModalGoesThroughTheThreadsPresenterAndAnswersItsResult) {
  TSample S;
  std::vector<std::string> Order;
  S.Form.OnShow = [&](TObject*) { Order.push_back("show"); };
  S.Form.OnActivate = [&](TObject*) { Order.push_back("activate"); };
  S.Form.OnHide = [&](TObject*) { Order.push_back("hide"); };
  int CloseQueries = 0;
  S.Form.OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = ++CloseQueries > 1; };
  {
    TModalPresenterScope Scope([&](TCustomForm& F) {
      Order.push_back("present");
      EXPECT_TRUE(F.Modal());
      EXPECT_TRUE(F.Visible());
      EXPECT_THROW(F.ShowModal(), EInvalidOperation) << "already showing";
      // The user presses OK twice: the first time the form refuses to close.
      static_cast<TButton*>(F.FindComponent("OK"))->Click();
      EXPECT_EQ(F.ModalResult, mrOk);
      EXPECT_FALSE(F.CloseModal());
      EXPECT_EQ(F.ModalResult, mrNone);
      static_cast<TButton*>(F.FindComponent("OK"))->Click();
      EXPECT_TRUE(F.CloseModal());
      return F.ModalResult;
    });
    EXPECT_EQ(S.Form.ShowModal(), mrOk);
    // Another presenter nests and gives the first back.
    {
      TModalPresenterScope Inner([](TCustomForm&) { return mrCancel; });
      EXPECT_EQ(S.Form.ShowModal(), mrCancel);
    }
    ASSERT_TRUE(CurrentModalPresenter());
  }
  EXPECT_FALSE(CurrentModalPresenter());
  EXPECT_EQ(S.Form.ModalResult, mrCancel);
  EXPECT_FALSE(S.Form.Visible());
  ASSERT_GE(Order.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(Order.begin(), Order.begin() + 4),
            (std::vector<std::string>{"show", "activate", "present", "hide"}));

  // A presenter installed on one thread is not another thread's.
  TModalPresenterScope Scope([](TCustomForm&) { return mrOk; });
  bool OtherHasOne = true;
  std::thread([&] { OtherHasOne = static_cast<bool>(CurrentModalPresenter()); }).join();
  EXPECT_FALSE(OtherHasOne);
}

TEST(Controls, FormsOwnedByTheApplicationGoWithTheThreadsScope) {
  bool Destroyed = false;
  {
    TApplicationScope Scope;
    auto* F = new TForm(&Application());
    F->OnDestroy = [&](TObject*) { Destroyed = true; };
    auto* G = new TForm(&Application());
    EXPECT_EQ(Scope.ComponentCount(), 2);
    delete G;  // a form freed by its script leaves the list
    EXPECT_EQ(Scope.ComponentCount(), 1);
    EXPECT_EQ(F->Owner(), &Application());
    EXPECT_EQ(Application().ComponentCount(), 0) << "the shared object keeps no session's forms";
  }
  EXPECT_TRUE(Destroyed);
  EXPECT_EQ(Application().Name(), "Application");
  EXPECT_FALSE(Application().ExeName().empty());
}
