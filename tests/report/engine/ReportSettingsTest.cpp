// The report's settings file: where IniFile may put it (only inside the server's settings
// folder) and that what is written there reads back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/rt/IniFiles.h"
#include "report/engine/repClass.h"
#include "report/engine/repUtils.h"
#include "tests/report/EngineSetup.h"

namespace {

namespace fs = std::filesystem;

// A settings folder of the test's own, given back to the default afterwards.
struct TSettingsFolder {
  fs::path Folder = fs::temp_directory_path() / ("rep-settings-" + std::to_string(getpid())) / "settings";
  TSettingsFolder() { repSetSettingsFolder(Folder.string()); }
  ~TSettingsFolder() {
    repSetSettingsFolder("");
    fs::remove_all(Folder.parent_path());
  }
};

TEST(ReportSettings, TheSettingsFileStaysInTheSettingsFolder) {
  enginesetup::StartEngine();
  TSettingsFolder S;
  struct Case {
    std::string IniFile;
    const char* Inside;  // the file's path in the folder; nullptr: refused
  };
  const std::string Folder = S.Folder.string();
  const Case Cases[] = {
      {"\\Software\\Report Engine", "Report Engine.ini"},
      {"\\SOFTWARE\\Acme\\Reports\\", "Acme/Reports.ini"},
      {"reports.ini", "reports.ini"},
      {"sub\\local.ini", "sub/local.ini"},
      {Folder + "/direct.ini", "direct.ini"},
      {Folder + "/a/../b.ini", "b.ini"},
      {"/etc/passwd", nullptr},
      {"..\\outside.ini", nullptr},
      {"sub/../../outside.ini", nullptr},
      {"\\Software\\..\\..\\escape", nullptr},
      {Folder + "X/sibling.ini", nullptr},
      {"\\Software\\", nullptr},
      {"", nullptr},
      {".", nullptr},
      {std::string(2000, 'a') + ".ini", nullptr},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.IniFile.substr(0, 80));
    TrepReport R(nullptr);
    R.IniFile = C.IniFile;
    if (C.Inside == nullptr) {
      try {
        R.GetIniFile();
        ADD_FAILURE() << "not refused";
      } catch (const rt::Exception& E) {
        EXPECT_NE(std::string(E.what()).find("settings folder"), std::string::npos) << E.what();
      }
      continue;
    }
    std::unique_ptr<rt::TCustomIniFile> Ini = R.GetIniFile();
    ASSERT_NE(Ini, nullptr);
    EXPECT_EQ(fs::path(Ini->FileName()), S.Folder / C.Inside);
  }
  // Nothing was written outside the folder.
  EXPECT_FALSE(fs::exists(S.Folder.parent_path() / "outside.ini"));
}

TEST(ReportSettings, WhatIsWrittenReadsBack) {
  enginesetup::StartEngine();
  TSettingsFolder S;
  TrepReport R(nullptr);
  R.GetIniFile()->WriteString("Export", "Folder", "pdf");
  EXPECT_TRUE(fs::exists(S.Folder / "Report Engine.ini"));
  EXPECT_EQ(R.GetIniFile()->ReadString("Export", "Folder", ""), "pdf");
  R.IniFile = "other\\place.ini";
  EXPECT_EQ(R.GetIniFile()->ReadString("Export", "Folder", "none"), "none");

  // A template that names a settings file keeps none of it: the caller's stays.
  TrepReport Template(nullptr);
  Template.IniFile = "/etc/evil.ini";
  rt::TStringStream Saved;
  Template.SaveToStream(Saved);
  TrepReport Loaded(nullptr);
  Loaded.EngineOptions.SilentMode = simSilent;
  rt::TStringStream In(Saved.DataString());
  Loaded.LoadFromStream(In);
  ASSERT_NE(Saved.DataString().find("evil.ini"), std::string::npos);
  EXPECT_EQ(Loaded.IniFile, "\\Software\\Report Engine");
}

} // namespace
