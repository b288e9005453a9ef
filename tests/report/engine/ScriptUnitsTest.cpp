// Units of a report's script: read only from the report's unit folders, whatever name the script
// gives; every other name is the file-open error naming the unit as the script wrote it.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/rt/SysUtils.h"
#include "report/engine/repClass.h"
#include "report/script/sc_iinterpreter.h"
#include "tests/report/EngineSetup.h"

namespace fs = std::filesystem;

namespace {

// units/ holds the report's units; secret.pas lies beside it, as a server's own file would.
class UsesReadsAnyFileTheProcessCanOpen : public ::testing::Test {
protected:
  void SetUp() override {
    enginesetup::StartEngine();
    enginesetup::AddScriptModules();
    char Name[] = "/tmp/repUnitsXXXXXX";
    ASSERT_NE(mkdtemp(Name), nullptr);
    Root = Name;
    fs::create_directories(Root / "units" / "sub");
    std::ofstream(Root / "units" / "inside.pas") << "procedure Inside;\nbegin end;\nbegin end.\n";
    std::ofstream(Root / "units" / "sub" / "nested.pas") << "procedure Nested;\nbegin end;\nbegin end.\n";
    std::ofstream(Root / "secret.pas") << "procedure Secret;\nbegin end;\nbegin end.\n";
    fs::create_symlink(Root / "secret.pas", Root / "units" / "link.pas");
    fs::create_directory_symlink(Root, Root / "units" / "up");
  }
  void TearDown() override { fs::remove_all(Root); }

  // Compiles "uses '<Name>'" as the report's script; the error message, or "" when it compiled.
  std::string Compile(const std::string& Name) {
    TrepReport R(nullptr);
    R.EngineOptions.ScriptUnitFolders = {(Root / "none").string(), (Root / "units").string()};
    TscScript* S = R.Script();
    S->SyntaxType = "PascalScript";
    S->Lines.SetText("uses '" + Name + "';\nbegin end.");
    try {
      return S->Compile() ? "" : S->ErrorMsg;
    } catch (const rt::EFOpenError& E) {
      return E.Message();
    }
  }

  fs::path Root;
};

} // namespace

TEST_F(UsesReadsAnyFileTheProcessCanOpen, UnitsResolveOnlyInsideTheUnitFolders) {
  const std::string Secret = (Root / "secret.pas").string();
  struct Case {
    std::string Name;
    bool Read;
  } Cases[] = {
      {"inside.pas", true},
      {"sub/nested.pas", true},
      {"sub/../inside.pas", true},
      {"../secret.pas", false},
      {"sub/../../secret.pas", false},
      {Secret, false},
      {"link.pas", false},        // a link inside pointing out
      {"up/secret.pas", false},   // a folder link pointing out
      {"missing.pas", false},
      {"sub", false},             // a folder is no unit
      {"", false},
  };
  for (const Case& C : Cases) {
    const std::string Error = Compile(C.Name);
    if (C.Read)
      EXPECT_EQ(Error, "") << C.Name;
    else
      EXPECT_EQ(Error, "Cannot open file \"" + C.Name + "\". No such file or directory") << C.Name;
  }
}

TEST_F(UsesReadsAnyFileTheProcessCanOpen, AReportWithoutUnitFoldersReadsNoUnitAndSaysSoInItsErrors) {
  // The working folder is no unit folder either.
  const fs::path Before = fs::current_path();
  fs::current_path(Root / "units");
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  rt::TStringList Script;
  Script.SetText("uses 'inside.pas';\nbegin end.");
  R.SetScriptText(Script);
  R.PrepareReport();
  fs::current_path(Before);
  ASSERT_EQ(R.Errors().Count(), 1);
  EXPECT_NE(R.Errors().Strings(0).find("Cannot open file \"inside.pas\""), std::string::npos) << R.Errors().Strings(0);
}
