// The engine's shared routines: numbers, splitting, page ranges, brackets, streams, component
// lookup, error reporting and temporary files.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <thread>

#include "platform/rt/Controls.h"
#include "report/engine/repClassPicture.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repUtils.h"

namespace {

std::vector<std::string> Items(const rt::TStrings& L) { return std::vector<std::string>(L.begin(), L.end()); }

using V = std::vector<std::string>;

} // namespace

TEST(EngineNumbers, TextToFloatAcceptsPointAndComma) {
  struct Case {
    const char* Text;
    double Value;
  } Cases[] = {{"1 234,5", 1234.5}, {"1234.5", 1234.5}, {"-0,25", -0.25}, {" 7 ", 7}, {"1e3", 1000}};
  for (const Case& C : Cases) EXPECT_DOUBLE_EQ(TextToFloat(C.Text), C.Value) << C.Text;
  for (const char* Bad : {"1,234.5", "", "abc", "1.2.3"}) EXPECT_THROW(TextToFloat(Bad), rt::EConvertError) << Bad;
}

TEST(EngineNumbers, ShortAndFixedTexts) {
  EXPECT_EQ(FloatToShortText(2), "2");
  EXPECT_EQ(FloatToShortText(2.5), "2.50");
  EXPECT_EQ(FloatToShortText(-0.125), "-0.13");
  EXPECT_EQ(FloatToShortText(1e20), "1E20");
  EXPECT_EQ(FloatToFixedText(3.14159, 2, ','), "3,14");
  EXPECT_EQ(FloatToFixedText(1234567.5, 1, '.'), "1234567.5");
  EXPECT_EQ(FloatToFixedText(2, 0, ','), "2");
  EXPECT_TRUE(FloatsDiffer(1, 1.0002));
  EXPECT_FALSE(FloatsDiffer(1, 1.00005));
}

TEST(EngineText, SplitToList) {
  struct Case {
    const char* S;
    const char* Sep;
    V Fields;
  } Cases[] = {
      {"a,,b", ",", {"a", "", "b"}}, {"a,", ",", {"a"}}, {"", ",", {}}, {",", ",", {""}},
      {"a;;b", ";;", {"a", "b"}},     {"abc", ",", {"abc"}},
  };
  for (const Case& C : Cases) {
    rt::TStringList L;
    L.Add("stale");
    SplitToList(C.S, L, C.Sep);
    EXPECT_EQ(Items(L), C.Fields) << C.S;
  }
}

TEST(EngineText, SplitBySeparatorFollowsTheHyperlinkRules) {
  struct Case {
    const char* S;
    V Fields;
  } Cases[] = {
      {"a;b", {"a", "b"}}, {"a", {}},           {"", {}},           {";", {}},
      {"a;b;", {"a", "b;"}}, {"a;;b", {"a", ";b"}}, {"ab;cd;ef", {"ab", "cd", "ef"}},
  };
  for (const Case& C : Cases) {
    rt::TStringList L;
    SplitBySeparator(L, C.S, ';');
    EXPECT_EQ(Items(L), C.Fields) << C.S;
  }
}

TEST(EngineText, PageRanges) {
  struct Case {
    const char* S;
    int PageCount;
    V Pages;
  } Cases[] = {
      {"1,3-5,8-", 10, {"1", "3", "4", "5", "8", "9", "10"}},
      {"5-3", 10, {}},
      {"2", 10, {"2"}},
      {" 1 - 2 , 4 ", 10, {"1", "2", "4"}},
      {"", 10, {}},
      {"3-", 2, {}},
      // A range stops at the last page; single pages are listed as given.
      {"2-2000000000", 3, {"2", "3"}},
      {"7", 3, {"7"}},
  };
  for (const Case& C : Cases) {
    rt::TStringList L;
    ParsePageRange(C.S, L, C.PageCount);
    EXPECT_EQ(Items(L), C.Pages) << C.S;
  }
  rt::TStringList L;
  for (const char* Bad : {"1,x", "-3", "1,,2"}) EXPECT_THROW(ParsePageRange(Bad, L, 5), rt::EConvertError) << Bad;
}

TEST(EngineText, ExtractBracketedHonoursNestingAndQuotes) {
  struct Case {
    std::u16string S, Open, Close;
    int I;
    std::u16string Result;
    int NewI, J;
  } Cases[] = {
      {u"[a[b]c]", u"[", u"]", 1, u"a[b]c", 1, 7},
      {u"x [a] y", u"[", u"]", 3, u"a", 3, 5},
      {u"['a]'b]", u"[", u"]", 1, u"'a]'b", 1, 7},
      {u"[\"]\"]", u"[", u"]", 1, u"\"]\"", 1, 5},
      {u"<<sum(x)>> tail", u"<<", u">>", 1, u"sum(x)", 1, 10},
      {u"no bracket", u"[", u"]", 1, u"", 1, 1},
      {u"[a]", u"[", u"]", 9, u"", 9, 9},
  };
  for (const Case& C : Cases) {
    int I = C.I, J = 0;
    EXPECT_EQ(ExtractBracketed(C.S, C.Open, C.Close, I, J), C.Result);
    EXPECT_EQ(I, C.NewI);
    EXPECT_EQ(J, C.J);
  }
}

TEST(EngineStreams, ChecksumIsTheStandardCRC32AndKeepsThePosition) {
  rt::TStringStream S("abc");
  S.SetPosition(2);
  EXPECT_EQ(StreamChecksum(S), 0x352441C2u);
  EXPECT_EQ(S.Position(), 2);
  rt::TStringStream Empty("");
  EXPECT_EQ(StreamChecksum(Empty), 0u);
  rt::TStringStream Nine("123456789");
  EXPECT_EQ(StreamChecksum(Nine), 0xCBF43926u);
}

TEST(EngineStreams, HexFormsRoundTrip) {
  rt::TStringStream S(std::string("\x00\x7F\x80\xFFok", 6));
  S.SetPosition(3);
  const std::string Hex = StreamToHex(S);
  EXPECT_EQ(Hex, "007F80FF6F6B");
  rt::TMemoryStream Back;
  HexToStream(Hex + "A", Back);  // an odd last digit is ignored
  EXPECT_EQ(std::string(static_cast<const char*>(Back.Memory()), 6), S.DataString());
  HexToStream("ab", Back);  // written at position 0
  EXPECT_EQ(static_cast<const unsigned char*>(Back.Memory())[0], 0xAB);
  EXPECT_THROW(HexToStream("0G", Back), rt::EConvertError);
}

// ---- Components ----

namespace {

// A form owning a data set and a frame; the frame owns a query; a report on the form.
struct TFixture {
  rt::TCustomForm Form{nullptr};
  rt::TComponent* DataSet = new rt::TComponent(&Form);
  rt::TCustomFrame* Frame = new rt::TCustomFrame(&Form);
  rt::TComponent* Query = new rt::TComponent(Frame);
  TrepReport* Report = new TrepReport(&Form);
  rt::TDataModule Module{nullptr};
  rt::TComponent* Table = new rt::TComponent(&Module);
  TFixture() {
    Form.SetName("MainForm");
    DataSet->SetName("DataSet1");
    Frame->SetName("Frame1");
    Query->SetName("Query1");
    Report->SetName("Report1");
    Module.SetName("Data");
    Table->SetName("Table1");
    rt::RegisterGlobalComponent(&Form);
    rt::RegisterGlobalComponent(&Module);
  }
};

} // namespace

TEST(EngineComponents, FindComponentByPath) {
  TFixture F;
  struct Case {
    rt::TComponent* Owner;
    const char* Path;
    rt::TComponent* Found;
  } Cases[] = {
      {F.Report, "MainForm.DataSet1", F.DataSet},
      {F.Report, "mainform.frame1.query1", F.Query},
      {F.Report, "Data.Table1", F.Table},
      {F.Report, "DataSet1", F.DataSet},   // through the report's owner
      {&F.Form, "Frame1", F.Frame},
      {F.Report, "Nowhere.DataSet1", nullptr},
      {F.Report, "MainForm.Missing", nullptr},
      {F.Report, "Missing", nullptr},
      {F.Frame, "DataSet1", nullptr},     // a frame is no report: no second look
      {nullptr, "DataSet1", nullptr},
  };
  for (const Case& C : Cases) EXPECT_EQ(FindComponentByPath(C.Owner, C.Path), C.Found) << C.Path;
}

TEST(EngineComponents, ComponentFullName) {
  TFixture F;
  rt::TComponent Loose(nullptr);
  Loose.SetName("Loose");
  rt::TComponent Plain(nullptr);
  rt::TComponent* Inner = new rt::TComponent(&Plain);
  Inner->SetName("Inner");
  rt::TCustomFrame Orphan(nullptr);
  Orphan.SetName("Orphan");
  rt::TComponent* InOrphan = new rt::TComponent(&Orphan);
  InOrphan->SetName("X");
  struct Case {
    rt::TComponent* Owner;
    rt::TComponent* Component;
    std::string Name;
  } Cases[] = {
      {F.Report, nullptr, ""},
      {F.Report, &Loose, "Loose"},
      {&F.Form, F.DataSet, "DataSet1"},
      {F.Report, F.DataSet, "DataSet1"},        // the report's owner owns it
      {&F.Module, F.DataSet, "MainForm.DataSet1"},
      {F.Report, F.Table, "Data.Table1"},
      {F.Report, F.Query, "MainForm.Frame1.Query1"},
      {F.Report, InOrphan, "Orphan.X"},
      {F.Report, Inner, ""},                    // owned by something that is no form
  };
  for (const Case& C : Cases) EXPECT_EQ(ComponentFullName(C.Owner, C.Component), C.Name);
}

TEST(EngineComponents, ForegroundPicturesAndRectangles) {
  TrepReport Report(nullptr);
  TrepComponent* Band = new TrepComponent(&Report);
  Band->SetLeft(10);
  Band->SetTop(100);
  TrepPictureView* Picture = new TrepPictureView(Band);
  Picture->SetLeft(5);
  Picture->SetTop(7);
  Picture->SetWidth(20);
  Picture->SetHeight(30);
  TrepPictureView* Background = new TrepPictureView(Band);
  Background->SetName("_pagebackground");
  EXPECT_TRUE(IsForegroundPicture(Picture));
  EXPECT_FALSE(IsForegroundPicture(Background));
  EXPECT_FALSE(IsForegroundPicture(Band));
  EXPECT_FALSE(IsForegroundPicture(nullptr));
  EXPECT_EQ(Picture->Report(), &Report);

  TrepRectArea A(*Picture);
  EXPECT_DOUBLE_EQ(A.X, 15);
  EXPECT_DOUBLE_EQ(A.Y, 107);
  EXPECT_DOUBLE_EQ(A.X1, 35);
  EXPECT_DOUBLE_EQ(A.Y1, 137);

  TrepRectArea Touching(35, 0, 50, 107), Overlapping(30, 130, 40, 200);
  EXPECT_FALSE(A.InterceptsX(Touching));
  EXPECT_FALSE(A.InterceptsY(Touching));
  EXPECT_EQ(A.InterceptX(Touching), nullptr);
  auto X = A.InterceptX(Overlapping);
  ASSERT_NE(X, nullptr);
  EXPECT_DOUBLE_EQ(X->X, 30);
  EXPECT_DOUBLE_EQ(X->X1, 35);
  EXPECT_DOUBLE_EQ(X->Y, 0);
  auto Y = A.InterceptY(Overlapping);
  ASSERT_NE(Y, nullptr);
  EXPECT_DOUBLE_EQ(Y->Y, 130);
  EXPECT_DOUBLE_EQ(Y->Y1, 137);
  EXPECT_DOUBLE_EQ(Y->X1, 0);
}

TEST(EngineErrors, ReportErrorFollowsTheSilentMode) {
  TrepReport Report(nullptr);
  Report.EngineOptions.SilentMode = simReThrow;
  try {
    ReportError(&Report, "broken template");
    ADD_FAILURE();
  } catch (const rt::Exception& E) {
    EXPECT_STREQ(E.what(), "broken template");
  }
  Report.EngineOptions.SetSilentMode(true);
  EXPECT_EQ(Report.EngineOptions.SilentMode, simSilent);
  testing::internal::CaptureStderr();
  ReportError(&Report, "quiet");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  Report.EngineOptions.SilentMode = simMessageBoxes;
  testing::internal::CaptureStderr();
  ReportError(&Report, "shown");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("shown"), std::string::npos);
}

// ---- Files ----

TEST(EngineFiles, TemporaryFilesAreUniqueEvenAcrossThreads) {
  const auto Dir = std::filesystem::temp_directory_path() / "reputils-temp";
  std::filesystem::remove_all(Dir);
  std::filesystem::create_directories(Dir);
  std::vector<std::string> Names(64);
  std::vector<std::thread> Threads;
  for (int T = 0; T < 4; ++T)
    Threads.emplace_back([&, T] {
      for (int K = 0; K < 16; ++K) Names[T * 16 + K] = TempFileNameIn(Dir.string());
    });
  for (auto& T : Threads) T.join();
  std::set<std::string> Unique(Names.begin(), Names.end());
  EXPECT_EQ(Unique.size(), Names.size());
  for (const auto& N : Names) {
    EXPECT_TRUE(std::filesystem::exists(N));
    EXPECT_EQ(std::filesystem::path(N).parent_path(), Dir);
    EXPECT_EQ(std::filesystem::path(N).filename().string().substr(0, 3), "rep");
  }
  std::filesystem::remove_all(Dir);
  EXPECT_THROW(TempFileNameIn(Dir.string()), rt::EFCreateError);

  const std::string InTemp = TempFileName();
  EXPECT_EQ(InTemp.rfind(TempPath(), 0), 0u);
  std::filesystem::remove(InTemp);
}

TEST(EngineFiles, TheProgramsOwnFolder) {
  EXPECT_TRUE(std::filesystem::exists(ExeFileName()));
  EXPECT_EQ(ExeDirectory().back(), '/');
  EXPECT_EQ(ExeDirectory() + std::filesystem::path(ExeFileName()).filename().string(), ExeFileName());
  EXPECT_EQ(ToBackslashPath("a/b/c"), "a\\b\\c");
}
