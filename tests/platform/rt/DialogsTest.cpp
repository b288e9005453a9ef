// The runtime's common dialogs through a presenter that answers like a user would.
#include "platform/rt/Dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>
#include <vector>

using namespace rt;
namespace fs = std::filesystem;

namespace {

// Answers each window with the next scripted answer (which may fill in the window's items);
// windows beyond the script are cancelled.
struct TScriptedUser : TDialogPresenter {
  std::vector<std::function<int(TDialogWindow&)>> Answers;
  std::vector<TDialogWindow> Shown;
  std::string Folder;
  TDialogPresenterScope Scope{this};
  int ShowDialog(TDialogWindow& W) override {
    const size_t N = Shown.size();
    Shown.push_back(W);
    return N < Answers.size() ? Answers[N](W) : mrCancel;
  }
  std::string OfferedFolder() const override { return Folder; }
};

std::vector<std::string> Buttons(const TDialogWindow& W) {
  std::vector<std::string> R;
  for (const TDialogItem& I : W.Items)
    if (I.Kind == TDialogItemKind::Button) R.push_back(I.Name);
  return R;
}

// A folder of offered files, and things beside and below it that must never be offered.
struct TOfferedFolder {
  fs::path Dir;
  TOfferedFolder() {
    Dir = fs::temp_directory_path() / ("dialogs-" + std::to_string(::getpid()));
    fs::remove_all(Dir);
    fs::create_directories(Dir / "sub");
    for (const char* N : {"b.csv", "a.txt", "C.TXT", ".hidden.txt", "sub/deep.txt"}) std::ofstream(Dir / N) << "x";
    std::ofstream(Dir.parent_path() / "outside.txt") << "x";
    fs::create_symlink(Dir.parent_path() / "outside.txt", Dir / "link.txt");
  }
  ~TOfferedFolder() { fs::remove_all(Dir); }
  std::string Path() const { return Dir.string() + "/"; }
};

}  // namespace

TEST(Dialogs, WithoutAPresenterEveryDialogIsCancelled) {
  std::string V = "kept";
  EXPECT_EQ(MessageDlg("Go on?", mtConfirmation, (1u << mbYes) | (1u << mbNo)), mrCancel);
  EXPECT_FALSE(InputQuery("T", "P", V));
  EXPECT_EQ(V, "kept");
  EXPECT_EQ(InputBox("T", "P", "dflt"), "dflt");
  TOpenDialog O(nullptr);
  EXPECT_FALSE(O.Execute());
  TColorDialog C(nullptr);
  EXPECT_FALSE(C.Execute());
}

TEST(Dialogs, MessageDlgShowsTheButtonsOfTheSetAndAnswersThePressedOne) {
  struct Case {
    TMsgDlgButtons Set;
    std::vector<std::string> Names;
    const char* Pressed;
    int Result;
  } Cases[] = {
      {(1u << mbYes) | (1u << mbNo), {"Yes", "No"}, "No", mrNo},
      {(1u << mbOK) | (1u << mbCancel) | (1u << mbHelp), {"OK", "Cancel"}, "OK", mrOk},
      {(1u << mbAbort) | (1u << mbRetry) | (1u << mbIgnore), {"Abort", "Retry", "Ignore"}, "Retry", mrRetry},
      {(1u << mbYesToAll) | (1u << mbNoToAll) | (1u << mbAll), {"All", "NoToAll", "YesToAll"}, "YesToAll", mrYesToAll},
      {0, {"OK"}, "OK", mrOk},
  };
  for (const Case& C : Cases) {
    TScriptedUser U;
    U.Answers = {[&](TDialogWindow& W) { return W.Find(C.Pressed)->ModalResult; }};
    EXPECT_EQ(MessageDlg("<b>text</b>", mtWarning, C.Set), C.Result) << C.Pressed;
    ASSERT_EQ(U.Shown.size(), 1u);
    EXPECT_EQ(Buttons(U.Shown[0]), C.Names) << C.Pressed;
    EXPECT_EQ(U.Shown[0].Caption, "Warning");
    EXPECT_EQ(U.Shown[0].Find("Message")->Caption, "<b>text</b>");
  }
}

TEST(Dialogs, InputQueryGivesTheTextAsTypedOnlyWhenConfirmed) {
  for (int Result : {mrOk, mrCancel}) {
    TScriptedUser U;
    U.Answers = {[&](TDialogWindow& W) {
      EXPECT_EQ(W.Find("Value")->Text, "start");
      W.Find("Value")->Text = "[Page#] 'x' + 1";
      return Result;
    }};
    std::string V = "start";
    EXPECT_EQ(InputQuery("Title", "Name:", V), Result == mrOk);
    EXPECT_EQ(V, Result == mrOk ? "[Page#] 'x' + 1" : "start");
    EXPECT_EQ(U.Shown[0].Find("Prompt")->Caption, "Name:");
  }
}

TEST(Dialogs, AnOpenDialogOffersOnlyThePlainFilesOfTheFolderThroughItsFilter) {
  TOfferedFolder F;
  EXPECT_EQ(TOpenDialog::OfferedFiles(F.Path(), ""), (std::vector<std::string>{"C.TXT", "a.txt", "b.csv"}));
  EXPECT_EQ(TOpenDialog::OfferedFiles(F.Path(), "*.txt"), (std::vector<std::string>{"C.TXT", "a.txt"}));
  EXPECT_EQ(TOpenDialog::OfferedFiles(F.Path(), "*.csv; ?.TXT"), (std::vector<std::string>{"C.TXT", "a.txt", "b.csv"}));
  EXPECT_TRUE(TOpenDialog::OfferedFiles(F.Path() + "missing/", "").empty());

  TScriptedUser U;
  U.Folder = F.Path();
  U.Answers = {[](TDialogWindow& W) {
                 // The user switches to the second filter, then picks from the list.
                 TDialogItem& Types = *W.Find("FileTypes");
                 EXPECT_EQ(Types.Items, (std::vector<std::string>{"Text", "Tables"}));
                 Types.ItemIndex = 1;
                 W.OnChange(W, Types);
                 TDialogItem& L = *W.Find("FileList");
                 EXPECT_EQ(L.Items, (std::vector<std::string>{"b.csv"}));
                 L.ItemIndex = 0;
                 W.OnChange(W, L);
                 return mrOk;
               }};
  TOpenDialog D(nullptr);
  D.Filter = "Text|*.txt|Tables|*.csv";
  EXPECT_TRUE(D.Execute());
  EXPECT_EQ(D.FileName, F.Path() + "b.csv");
  EXPECT_EQ(D.FilterIndex, 2);
  ASSERT_EQ(D.Files().Count(), 1);
  EXPECT_EQ(D.Files().Strings(0), D.FileName);
  EXPECT_EQ(U.Shown[0].Find("FileList")->Items, (std::vector<std::string>{"C.TXT", "a.txt"})) << "first filter";
}

TEST(Dialogs, NamesThatLeaveTheFolderOrAreNotOfferedAreRefused) {
  TOfferedFolder F;
  for (const char* Typed : {"../outside.txt", "sub/deep.txt", "link.txt", ".hidden.txt", "missing.txt", "/etc/passwd"}) {
    TScriptedUser U;
    U.Folder = F.Path();
    // The typed name, then OK on the error message, then Cancel on the dialog shown again.
    U.Answers = {[&](TDialogWindow& W) {
                   W.Find("FileNameE")->Text = Typed;
                   return mrOk;
                 },
                 [](TDialogWindow& W) {
                   EXPECT_EQ(W.Name, "MessageDlg");
                   return mrOk;
                 }};
    TOpenDialog D(nullptr);
    D.FileName = "before";
    EXPECT_FALSE(D.Execute()) << Typed;
    EXPECT_EQ(D.FileName, "before") << Typed;
    EXPECT_EQ(U.Shown.size(), 3u) << Typed;
  }
  // A user who keeps typing bad names is asked a bounded number of times.
  TScriptedUser U;
  U.Folder = F.Path();
  for (int I = 0; I < 100; ++I)
    U.Answers.push_back([](TDialogWindow& W) {
      if (TDialogItem* E = W.Find("FileNameE")) E->Text = "../x";
      return mrOk;
    });
  TSaveDialog S(nullptr);
  EXPECT_FALSE(S.Execute());
  EXPECT_EQ(U.Shown.size(), 2u * (TOpenDialog::MaxRetries + 1));
}

TEST(Dialogs, ASaveDialogTakesAPlainNameAddsTheDefaultExtensionAndAsksBeforeReplacing) {
  struct NameCase {
    std::string Name;
    bool Valid;
  } Names[] = {{"report.txt", true}, {"Report 2026", true}, {"", false},          {".profile", false},
               {"a/b", false},       {"a\\b", false},       {"..", false},        {"name ", false},
               {"tab\there", false}, {"x:y", false},        {"what?", false},     {std::string(201, 'a'), false}};
  for (const NameCase& C : Names) EXPECT_EQ(TOpenDialog::ValidFileName(C.Name), C.Valid) << C.Name;

  TOfferedFolder F;
  {
    TScriptedUser U;
    U.Folder = F.Path();
    U.Answers = {[](TDialogWindow& W) {
      EXPECT_EQ(W.Caption, "Save As");
      EXPECT_EQ(W.Find("FileNameE")->Text, "old.txt") << "the name without its folder";
      W.Find("FileNameE")->Text = "new";
      return mrOk;
    }};
    TSaveDialog S(nullptr);
    S.FileName = "/somewhere/else/old.txt";
    S.DefaultExt = "txt";
    EXPECT_TRUE(S.Execute());
    EXPECT_EQ(S.FileName, F.Path() + "new.txt");
  }
  for (int Answer : {mrNo, mrYes}) {
    TScriptedUser U;
    U.Folder = F.Path();
    U.Answers = {[](TDialogWindow& W) {
                   W.Find("FileNameE")->Text = "a.txt";
                   return mrOk;
                 },
                 [&](TDialogWindow& W) {
                   EXPECT_EQ(W.Name, "MessageDlg");
                   return Answer;
                 }};
    TSaveDialog S(nullptr);
    S.Options |= 1u << ofOverwritePrompt;
    EXPECT_EQ(S.Execute(), Answer == mrYes);
    EXPECT_EQ(U.Shown.size(), Answer == mrYes ? 2u : 3u) << "No shows the dialog again";
  }
}

TEST(Dialogs, ColorAndPrintDialogsCheckWhatIsTyped) {
  struct ColorCase {
    const char* Text;
    bool Ok;
    int Color;
  } Colors[] = {{"#FF8000", true, 0x0080FF}, {"0000ff", true, 0xFF0000}, {" #000000 ", true, 0},
                {"#FF80", false, 0},         {"#GG0000", false, 0},      {"red", false, 0}};
  for (const ColorCase& C : Colors) {
    int V = -1;
    EXPECT_EQ(TColorDialog::ParseColorText(C.Text, V), C.Ok) << C.Text;
    if (C.Ok) {
      EXPECT_EQ(V, C.Color) << C.Text;
      EXPECT_EQ(TColorDialog::ParseColorText(TColorDialog::ColorText(V), V), true);
    }
  }
  {
    TScriptedUser U;
    U.Answers = {[](TDialogWindow& W) {
      TDialogItem& B = *W.Find("BasicColors");
      B.ItemIndex = 9;  // Red
      W.OnChange(W, B);
      return mrOk;
    }};
    TColorDialog D(nullptr);
    D.Color = 0x00FF00;
    EXPECT_TRUE(D.Execute());
    EXPECT_EQ(D.Color, 0x0000FF);
    EXPECT_EQ(U.Shown[0].Find("ColorE")->Text, "#00FF00");
  }
  {
    TScriptedUser U;
    U.Answers = {[](TDialogWindow& W) {
                   W.Find("Copies")->Text = "100000";
                   return mrOk;
                 },
                 [](TDialogWindow&) { return mrOk; },
                 [](TDialogWindow& W) {
                   W.Find("Copies")->Text = "3";
                   W.Find("PrintRange")->ItemIndex = 1;
                   W.Find("FromPage")->Text = "2";
                   W.Find("ToPage")->Text = "5";
                   return mrOk;
                 }};
    TPrintDialog D(nullptr);
    D.Options = 1u << poPageNums;
    D.MaxPage = 9;
    EXPECT_TRUE(D.Execute());
    EXPECT_EQ(U.Shown[1].Name, "MessageDlg");
    EXPECT_EQ(D.Copies, 3);
    EXPECT_EQ(D.PrintRange, prPageNums);
    EXPECT_EQ(D.FromPage, 2);
    EXPECT_EQ(D.ToPage, 5);
  }
}
