// The runtime's dialogs of a worker job, answered in the session's browser.
#include "platform/web/DialogHost.h"
#include "tests/platform/web/ModalSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <unistd.h>

using namespace web;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// The page's side of a change event (the shared session clicks only).
void Fire(TSession& S, const std::string& Name) {
  TCurrentApplicationScope Scope(&S.App);
  TIWControl* C = S.App.ActiveForm()->FindControl(Name);
  ASSERT_NE(C, nullptr) << Name;
  TIWBrowserEvent E;
  E.Type = "change";
  C->HandleEvent(E);
  S.App.FlushReleased();
}

}  // namespace

TEST(DialogHost, AJobsInputQueryIsAnsweredInTheBrowserAsTyped) {
  TSession S;
  bool Ok = false;
  std::string Value = "start";
  ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) {
    TIWDialogPresenter P(*S.Host);
    rt::TDialogPresenterScope Scope(&P);
    Ok = rt::InputQuery("Customer", "Name:", Value);
  }));
  ASSERT_TRUE(S.Poll());
  EXPECT_EQ(S.App.ActiveForm()->Title, "Customer");
  ASSERT_NE(S.Get<TIWEdit>("Value"), nullptr);
  EXPECT_EQ(S.Get<TIWEdit>("Value")->Text, "start");
  EXPECT_EQ(S.Get<TIWLabel>("Prompt")->Caption, "Name:");
  S.Get<TIWEdit>("Value")->ApplyValue("[Date] <i>");
  S.Click("OK");
  S.Worker->Wait();
  EXPECT_TRUE(Ok);
  EXPECT_EQ(Value, "[Date] <i>");
}

TEST(DialogHost, AnOpenDialogsFilterChangesTheListInTheBrowser) {
  const fs::path Dir = fs::temp_directory_path() / ("dialoghost-" + std::to_string(::getpid()));
  fs::create_directories(Dir);
  for (const char* N : {"a.txt", "b.csv"}) std::ofstream(Dir / N) << "x";
  TSession S;
  bool Ok = false;
  rt::TOpenDialog D(nullptr);
  D.Filter = "Text|*.txt|Tables|*.csv";
  ASSERT_TRUE(S.Worker->Start([&](TIWWorker&) {
    TIWDialogPresenter P(*S.Host, Dir.string());
    rt::TDialogPresenterScope Scope(&P);
    Ok = D.Execute();
  }));
  ASSERT_TRUE(S.Poll());
  ASSERT_NE(S.Get<TIWComboBox>("FileList"), nullptr);
  EXPECT_EQ(S.Get<TIWComboBox>("FileList")->Items, (std::vector<std::string>{"a.txt"}));
  S.Get<TIWComboBox>("FileTypes")->ApplyValue("1");
  Fire(S, "FileTypes");
  EXPECT_EQ(S.Get<TIWComboBox>("FileList")->Items, (std::vector<std::string>{"b.csv"}));
  S.Get<TIWComboBox>("FileList")->ApplyValue("0");
  Fire(S, "FileList");
  EXPECT_EQ(S.Get<TIWEdit>("FileNameE")->Text, "b.csv");
  S.Click("OK");
  S.Worker->Wait();
  EXPECT_TRUE(Ok);
  EXPECT_EQ(D.FileName, Dir.string() + "/b.csv");
  fs::remove_all(Dir);
}
