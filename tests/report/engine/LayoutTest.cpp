// The layout engine: master data paginating under page header and footer, page totals after the
// double pass, empty datasets, stretching and shifting, bands split across pages, bands that can
// never fit, band-tree messages and the preparation around the engine.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repEngine.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"
#include "tests/report/MemoText.h"
#include "tests/report/engine/A4Page.h"

namespace {

void Start() {
  enginesetup::StartEngine();
  enginesetup::AddScriptModules();
}

using a4page::Memo;
using memotext::Plain;

// A4 with 10 mm margins: 1046.93 pixels of printable height.
struct Layout {
  // A report loads the script modules registered when it is made: they come first.
  struct TStarted {
    TStarted() { Start(); }
  } Started;
  TrepReport Report{nullptr};
  TrepReportPage* Page;
  TrepPageHeader* Header = nullptr;
  TrepPageFooter* Footer = nullptr;
  TrepMasterData* Master = nullptr;
  TrepMemoView* RowMemo = nullptr;
  TrepMemoView* FooterMemo = nullptr;

  Layout() {
    Report.EngineOptions.SilentMode = simSilent;
    Report.EngineOptions.DestroyForms = false;
    Page = a4page::New(Report, "Page1");
  }

  // Page header 50, master rows of BandHeight showing their row number, page footer 50 showing
  // "[Page#] of [TotalPages]".
  void MasterReport(double BandHeight, int Rows) {
    Header = new TrepPageHeader(Page);
    Header->SetName("PageHeader1");
    Header->SetBounds(0, 0, 700, 50);
    Master = MasterRows("MasterData1", 100, BandHeight, Rows);
    RowMemo = Memo(Master, "RowMemo", 0, 0, 200, BandHeight, u"[Line#]");
    Footer = new TrepPageFooter(Page);
    Footer->SetName("PageFooter1");
    Footer->SetBounds(0, 300, 700, 50);
    FooterMemo = Memo(Footer, "FooterMemo", 0, 0, 300, 20, u"[Page#] of [TotalPages]");
  }

  // A master data band across the page, Height high at Top, walking Count rows.
  TrepMasterData* MasterRows(const char* Name, double Top, double Height, int Count) {
    auto* B = new TrepMasterData(Page);
    B->SetName(Name);
    B->SetBounds(0, Top, 700, Height);
    B->SetRowCount(Count);
    return B;
  }

  // "Line 1" .. "Line N", each followed by CR LF.
  static std::u16string NumberedLines(int N) {
    std::u16string Text;
    for (int I = 1; I <= N; ++I) Text += u"Line " + rt::Utf8ToUtf16(std::to_string(I)) + u"\r\n";
    return Text;
  }

  TrepPreviewPages& Pages() { return *static_cast<TrepPreviewPages*>(Report.PreviewPages()); }

  // The texts of the memos named Name on each prepared page.
  std::vector<std::vector<std::string>> Texts(const std::string& Name) {
    std::vector<std::vector<std::string>> Result;
    for (int I = 0; I < Pages().Count(); ++I) {
      std::vector<std::string> Row;
      TrepReportPage* P = Pages().GetPage(I);
      for (TrepComponent* C : P->AllObjects())
        if (auto* M = dynamic_cast<TrepMemoView*>(C); M != nullptr && M->Name() == Name)
          Row.push_back(Plain(M));
      Result.push_back(Row);
    }
    return Result;
  }

  TrepComponent* Find(int PageIndex, const std::string& Name) {
    for (TrepComponent* C : Pages().GetPage(PageIndex)->AllObjects())
      if (C->Name() == Name) return C;
    return nullptr;
  }
};

std::vector<int> Counts(const std::vector<std::vector<std::string>>& T) {
  std::vector<int> R;
  for (const auto& P : T) R.push_back(static_cast<int>(P.size()));
  return R;
}

// Keeps the memo texts it is handed, page by page.
struct Recorder : TrepCustomExportFilter {
  Recorder() : TrepCustomExportFilter(NoRegister{}) {
    ShowDialog = false;
    ShowProgress = false;
  }
  void StartPage(TrepReportPage*, int Index) override { Calls.push_back("page " + std::to_string(Index)); }
  void ExportObject(TrepComponent* Obj) override {
    std::string Call = Obj->ClassType()->ClassName() + " " + Obj->Name();
    if (auto* M = dynamic_cast<TrepMemoView*>(Obj)) {
      Call += " " + rt::Utf16ToUtf8(M->Text());
      if (M->Name() == "FooterMemo") Footers.push_back(Plain(M));
    }
    Calls.push_back(Call + " @" + std::to_string(static_cast<int>(Obj->AbsTop())));
  }
  std::vector<std::string> Calls, Footers;
};

std::string TempFile(const std::string& Name) {
  return (std::filesystem::temp_directory_path() / ("layout-" + std::to_string(::getpid()) + "-" + Name)).string();
}

std::vector<std::string> Export(TrepReport& R) {
  Recorder Rec;
  Rec.SetFileName(TempFile("rec.out"));
  EXPECT_TRUE(R.Export(&Rec));
  std::filesystem::remove(Rec.FileName());
  return Rec.Calls;
}

} // namespace

TEST(Layout, MasterDataPaginatesUnderPageHeaderAndFooter) {
  // 1046.93 - 50 - 50 = 946.93 pixels for rows on every page.
  struct Case {
    double BandHeight;
    int Rows;
    std::vector<int> PerPage;
  } Cases[] = {
      {20, 101, {47, 47, 7}},
      {30, 120, {31, 31, 31, 27}},
      {20, 94, {47, 47}},  // the last page exactly full: no empty page after it
      {946.92, 2, {1, 1}},  // a band exactly as tall as the free space fits
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.BandHeight);
    Layout L;
    L.MasterReport(C.BandHeight, C.Rows);
    ASSERT_TRUE(L.Report.PrepareReport()) << L.Report.Errors().Text();
    const auto Rows = L.Texts("RowMemo");
    EXPECT_EQ(Counts(Rows), C.PerPage);
    // Rows keep their order across pages, each once.
    int Expected = 1;
    for (const auto& P : Rows)
      for (const std::string& T : P) EXPECT_EQ(T, std::to_string(Expected++));
    // Every page has its header and footer; the footer sits at the bottom of the printable area.
    for (int I = 0; I < L.Pages().Count(); ++I) {
      ASSERT_NE(L.Find(I, "PageHeader1"), nullptr);
      TrepComponent* F = L.Find(I, "PageFooter1");
      ASSERT_NE(F, nullptr);
      EXPECT_NEAR(F->Top(), 1046.93 - 50, 0.01);
      ASSERT_NE(L.Find(I, "RowMemo"), nullptr);
      EXPECT_NEAR(L.Find(I, "RowMemo")->AbsTop(), 50, 0.01);
    }
  }
}

TEST(Layout, PageTotalsAfterTheDoublePass) {
  Layout L;
  L.MasterReport(20, 101);
  L.Report.EngineOptions.DoublePass = true;
  ASSERT_TRUE(L.Report.PrepareReport()) << L.Report.Errors().Text();
  ASSERT_EQ(L.Pages().Count(), 3);  // the first pass's pages are gone
  EXPECT_EQ(L.Report.Engine()->TotalPages, 3);
  Recorder Rec;
  Rec.SetFileName(TempFile("totals.out"));
  ASSERT_TRUE(L.Report.Export(&Rec));
  std::filesystem::remove(Rec.FileName());
  EXPECT_EQ(Rec.Footers, (std::vector<std::string>{"1 of 3", "2 of 3", "3 of 3"}));
}

TEST(Layout, PreparedPagesSaveLoadSaveAlikeAndExportAlike) {
  Layout L;
  L.MasterReport(20, 60);
  L.Report.EngineOptions.DoublePass = true;
  ASSERT_TRUE(L.Report.PrepareReport());
  rt::TStringStream First;
  L.Pages().SaveToStream(First);
  const std::vector<std::string> Before = Export(L.Report);

  Layout Other;
  rt::TStringStream In(First.DataString());
  Other.Pages().LoadFromStream(In);
  rt::TStringStream Second;
  Other.Pages().SaveToStream(Second);
  EXPECT_EQ(First.DataString(), Second.DataString());
  EXPECT_EQ(Export(Other.Report), Before);
}

TEST(Layout, EmptyDatasetPrintsThePageOnlyWhenAsked) {
  struct Case {
    bool PagePrintIfEmpty, EnginePrintIfEmpty;
    int Pages;
  } Cases[] = {{true, true, 1}, {false, true, 0}, {true, false, 0}};
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Pages);
    Layout L;
    L.MasterReport(20, 0);
    TrepMemoryDataSet Empty(nullptr);
    Empty.SetUserName("Empty");
    Empty.Fields.Add("A");
    L.Master->SetDataSet(&Empty);
    L.Page->PrintIfEmpty = C.PagePrintIfEmpty;
    L.Report.EngineOptions.PrintIfEmpty = C.EnginePrintIfEmpty;
    EXPECT_TRUE(L.Report.PrepareReport()) << L.Report.Errors().Text();
    ASSERT_EQ(L.Pages().Count(), C.Pages);
    if (C.Pages == 1) {
      EXPECT_NE(L.Find(0, "PageHeader1"), nullptr);
      EXPECT_NE(L.Find(0, "PageFooter1"), nullptr);
      EXPECT_EQ(L.Find(0, "RowMemo"), nullptr);
    }
    L.Master->SetDataSet(nullptr);
  }
}

// A dataset with neither a record count nor an end check would be walked for ever: the band
// is left out with an error line naming it, and the rest of the page still prints.
TEST(Layout, ADataBandOverADatasetWithoutEndIsReportedAndLeftOut) {
  Layout L;
  L.MasterReport(20, 0);
  TrepUserDataSet Endless(nullptr);
  Endless.SetUserName("Endless");
  L.Master->SetDataSet(&Endless);
  L.Report.PrepareReport();
  EXPECT_NE(L.Report.Errors().Text().find("MasterData1: dataset \"Endless\" has no end"), std::string::npos)
      << L.Report.Errors().Text();
  ASSERT_GE(L.Pages().Count(), 1);
  EXPECT_NE(L.Find(0, "PageHeader1"), nullptr);
  EXPECT_EQ(L.Find(0, "RowMemo"), nullptr);
  L.Master->SetDataSet(nullptr);
}

TEST(Layout, ABandLessPageGivesOnePagePerCopyWithItsObjectsInPlace) {
  Layout L;
  Memo(L.Page, "Title", 30, 40, 200, 20, u"Hello");
  L.Page->SetPageCount(2);
  ASSERT_TRUE(L.Report.PrepareReport());
  ASSERT_EQ(L.Pages().Count(), 2);
  for (int I = 0; I < 2; ++I) {
    TrepComponent* T = L.Find(I, "Title");
    ASSERT_NE(T, nullptr);
    EXPECT_EQ(T->Left(), 30);
    EXPECT_EQ(T->AbsTop(), 40);
  }
  // An invisible page gives nothing.
  L.Page->SetVisible(false);
  ASSERT_TRUE(L.Report.PrepareReport());
  EXPECT_EQ(L.Pages().Count(), 0);
}

TEST(Layout, StretchedMemoShiftsTheObjectsBelowIt) {
  struct Case {
    const char* Name;
    std::u16string Text;
    bool CanShrink;
    int Sign;  // +1 the memo grows, -1 it shrinks
  } Cases[] = {
      {"grows", u"one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nsix", false, 1},
      {"shrinks", u"", true, -1},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Layout L;
    auto* Band = L.MasterRows("MasterData1", 0, 100, 1);
    Band->Stretched = true;
    TrepMemoView* Grow = Memo(Band, "Grow", 10, 10, 100, 40, C.Text);
    Grow->StretchMode = smActualHeight;
    Grow->CanShrink = C.CanShrink;
    Memo(Band, "Below", 10, 60, 100, 20, u"b");
    Memo(Band, "Under", 10, 90, 100, 10, u"u");
    Memo(Band, "Beside", 300, 20, 100, 10, u"s");
    ASSERT_TRUE(L.Report.PrepareReport()) << L.Report.Errors().Text();
    ASSERT_EQ(L.Pages().Count(), 1);
    const double Delta = L.Find(0, "Grow")->Height() - 40;
    EXPECT_GT(Delta * C.Sign, 0);
    EXPECT_NEAR(L.Find(0, "Below")->Top(), 60 + Delta, 1e-6);
    EXPECT_NEAR(L.Find(0, "Under")->Top(), 90 + Delta, 1e-6);
    EXPECT_NEAR(L.Find(0, "Beside")->Top(), 20, 1e-6);
    EXPECT_NEAR(L.Find(0, "MasterData1")->Height(), 100 + Delta, 1e-6);
    // The template is as it was.
    EXPECT_EQ(Grow->Height(), 40);
    EXPECT_EQ(Band->FindObject("Below")->Top(), 60);
  }
}

TEST(Layout, ShiftModes) {
  // Below a memo that grows from 20 to its text's height.
  struct Case {
    TrepShiftMode Mode;
    double Top;
    bool Moves;
  } Cases[] = {
      {smAlways, 40, true},
      {smDontShift, 40, false},
      {smWhenOverlapped, 200, false},  // far below: the grown memo never reaches it
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Mode);
    Layout L;
    auto* Band = L.MasterRows("MasterData1", 0, 300, 1);
    TrepMemoView* Grow = Memo(Band, "Grow", 10, 10, 100, 20, u"1\r\n2\r\n3\r\n4\r\n5");
    Grow->StretchMode = smActualHeight;
    TrepMemoView* Below = Memo(Band, "Below", 10, C.Top, 100, 20, u"b");
    Below->ShiftMode = C.Mode;
    ASSERT_TRUE(L.Report.PrepareReport());
    const double Delta = L.Find(0, "Grow")->Height() - 20;
    ASSERT_GT(Delta, 0);
    EXPECT_NEAR(L.Find(0, "Below")->Top(), C.Moves ? C.Top + Delta : C.Top, 1e-6);
  }
}

TEST(Layout, ABandTallerThanThePageIsSplit) {
  Layout L;
  auto* Band = L.MasterRows("MasterData1", 0, 40, 1);
  Band->Stretched = true;
  const std::u16string Text = Layout::NumberedLines(200);
  TrepMemoView* Long = Memo(Band, "Long", 0, 0, 300, 40, Text);
  Long->StretchMode = smActualHeight;
  ASSERT_TRUE(L.Report.PrepareReport()) << L.Report.Errors().Text();
  ASSERT_GT(L.Pages().Count(), 2);
  // Every line comes out once, in order, across the pages.
  std::u16string All;
  for (int I = 0; I < L.Pages().Count(); ++I) {
    auto* M = dynamic_cast<TrepMemoView*>(L.Find(I, "Long"));
    ASSERT_NE(M, nullptr) << I;
    EXPECT_LE(M->AbsTop() + M->Height(), 1046.93 + 0.01);
    for (int J = 0; J < M->Memo().Count(); ++J) All += M->Memo()[J] + u"\r\n";
  }
  EXPECT_EQ(All, Text);

  // An object taller than any page comes out whole on the first part.
  Layout Tall;
  auto* B2 = Tall.MasterRows("MasterData1", 0, 1500, 1);
  auto* Shape = new TrepShapeView(B2);
  Shape->SetName("Huge");
  Shape->SetBounds(0, 0, 100, 1500);
  ASSERT_TRUE(Tall.Report.PrepareReport()) << Tall.Report.Errors().Text();
  ASSERT_GE(Tall.Pages().Count(), 1);
  ASSERT_NE(Tall.Find(0, "Huge"), nullptr);
  EXPECT_EQ(Tall.Find(0, "Huge")->Height(), 1500);
}

TEST(Layout, EveryPartOfASplitBandCarriesItsFrameSizedToThePart) {
  Layout L;
  auto* Band = L.MasterRows("MasterData1", 0, 40, 1);
  Band->Stretched = true;
  Band->Frame().Typ = TrepFrameTypes{ftTop, ftBottom};
  Memo(Band, "Long", 0, 0, 300, 40, Layout::NumberedLines(120))->StretchMode = smActualHeight;
  ASSERT_TRUE(L.Report.PrepareReport()) << L.Report.Errors().Text();
  ASSERT_GE(L.Pages().Count(), 2);
  for (int I = 0; I < L.Pages().Count(); ++I) {
    auto* Part = dynamic_cast<TrepBand*>(L.Find(I, "MasterData1"));
    ASSERT_NE(Part, nullptr) << I;
    ASSERT_GE(Part->Objects().Count(), 2) << I;
    // The frame is drawn by a memo beneath the part's objects, as tall as the part.
    auto* Fill = dynamic_cast<TrepMemoView*>(Part->Objects().Items(0));
    ASSERT_NE(Fill, nullptr) << I;
    EXPECT_TRUE(Fill->Frame().Typ.Contains(ftTop)) << I;
    EXPECT_NEAR(Fill->Height(), Part->Height(), 0.01) << I;
    EXPECT_EQ(Part->Objects().Items(1)->Name(), "Long") << I;
  }
  // The template band is left without its fill object.
  EXPECT_EQ(Band->FillMemo(), nullptr);
  EXPECT_EQ(Band->Objects().Count(), 1);
}

TEST(Layout, ABandThatCanNeverFitEndsWithAnErrorLine) {
  Layout L;
  // A page header taller than the page leaves no room on any page.
  auto* Header = new TrepPageHeader(L.Page);
  Header->SetName("PageHeader1");
  Header->SetBounds(0, 0, 700, 1100);
  auto* Band = L.MasterRows("MasterData1", 1200, 1200, 1);
  std::u16string Text;
  for (int I = 0; I < 100; ++I) Text += u"x\r\n";
  Memo(Band, "Long", 0, 0, 300, 1200, Text)->StretchMode = smActualHeight;
  EXPECT_FALSE(L.Report.PrepareReport());
  EXPECT_NE(L.Report.Errors().Text().find("MasterData1: the band does not fit on a page"), std::string::npos)
      << L.Report.Errors().Text();
  EXPECT_LE(L.Pages().Count(), TrepEngine::MaxFruitlessSplitSteps + 1);
}

TEST(Layout, BandTreeMessagesStopTheRun) {
  struct Case {
    const char* Name;
    std::string Message;
  } Cases[] = {
      {"footer above its data band", "Unconnected header/footer Footer1"},
      {"sub-detail right under the master", "Incorrect band position: SubdetailData1"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Layout L;
    L.MasterRows("MasterData1", 100, 20, 2);
    if (C.Message.find("Footer1") != std::string::npos) {
      auto* F = new TrepFooter(L.Page);
      F->SetName("Footer1");
      F->SetBounds(0, 50, 700, 20);
    } else {
      auto* S = new TrepSubdetailData(L.Page);
      S->SetName("SubdetailData1");
      S->SetBounds(0, 150, 700, 20);
      S->SetRowCount(2);
    }
    EXPECT_FALSE(L.Report.PrepareReport());
    EXPECT_NE(L.Report.Errors().IndexOf(C.Message), -1) << L.Report.Errors().Text();
    EXPECT_EQ(L.Pages().Count(), 0);
  }
}

TEST(Layout, HeadersFootersAndDetails) {
  Layout L;
  auto* H = new TrepHeader(L.Page);
  H->SetName("Header1");
  H->SetBounds(0, 50, 700, 20);
  L.MasterRows("MasterData1", 100, 20, 2);
  auto* D = new TrepDetailData(L.Page);
  D->SetName("DetailData1");
  D->SetBounds(0, 150, 700, 20);
  D->SetRowCount(3);
  auto* F = new TrepFooter(L.Page);
  F->SetName("Footer1");
  F->SetBounds(0, 200, 700, 20);
  Memo(F, "Total", 0, 0, 200, 20, u"[COUNT(DetailData1)]");
  // A data band whose filter holds for no record shows neither header nor footer.
  auto* FH = new TrepHeader(L.Page);
  FH->SetName("Header2");
  FH->SetBounds(0, 300, 700, 20);
  auto* FM = L.MasterRows("MasterData2", 320, 20, 4);
  FM->Filter = "1 = 2";
  ASSERT_TRUE(L.Report.PrepareReport()) << L.Report.Errors().Text();
  std::vector<std::string> Bands;
  for (TrepComponent* C : L.Pages().GetPage(0)->Objects())
    if (dynamic_cast<TrepBand*>(C) != nullptr && dynamic_cast<TrepNullBand*>(C) == nullptr) Bands.push_back(C->Name());
  // The footer right under the detail band is the detail's: it closes each master row's details.
  EXPECT_EQ(Bands, (std::vector<std::string>{"Header1", "MasterData1", "DetailData1", "DetailData1", "DetailData1",
                                             "Footer1", "MasterData1", "DetailData1", "DetailData1", "DetailData1",
                                             "Footer1"}));
  EXPECT_EQ(L.Texts("Total")[0], (std::vector<std::string>{"3", "3"}));
}

TEST(PrepareReport, ChecksScriptAndRestoresTheTemplate) {
  {
    Layout L;
    L.Report.DataSets().Add(nullptr);
    L.Report.DataSets().Items(0)->SetDataSetName("Missing");
    EXPECT_FALSE(L.Report.PrepareReport());
    EXPECT_NE(L.Report.Errors().Text().find("Missing"), std::string::npos) << L.Report.Errors().Text();
  }
  {
    Layout L;
    L.Report.ScriptText().SetText("begin\r\n  x := ;\r\nend.");
    EXPECT_FALSE(L.Report.PrepareReport());
    EXPECT_NE(L.Report.Errors().Text().find("Script error"), std::string::npos) << L.Report.Errors().Text();
  }
  for (bool DestroyForms : {true, false}) {
    SCOPED_TRACE(DestroyForms);
    Layout L;
    Memo(L.Page, "Title", 30, 40, 200, 20, u"Before");
    L.Report.ScriptText().SetText("begin\r\n  Title.Text := 'During';\r\nend.");
    L.Report.EngineOptions.DestroyForms = DestroyForms;
    ASSERT_TRUE(L.Report.PrepareReport()) << L.Report.Errors().Text();
    EXPECT_EQ(L.Texts("Title")[0], std::vector<std::string>{"During"});
    auto* T = dynamic_cast<TrepMemoView*>(L.Report.FindObject("Title"));
    ASSERT_NE(T, nullptr);
    EXPECT_EQ(Plain(T), DestroyForms ? "Before" : "During");
  }
  {
    // Terminated by the main block: the engine does not run, and that is no error.
    Layout L;
    Memo(L.Page, "Title", 30, 40, 200, 20, u"x");
    L.Report.ScriptText().SetText("begin\r\n  Report.Terminated := True;\r\nend.");
    EXPECT_FALSE(L.Report.PrepareReport());
    EXPECT_EQ(L.Report.Errors().Count(), 0) << L.Report.Errors().Text();
    EXPECT_EQ(L.Pages().Count(), 0);
  }
}

TEST(Layout, GroupsBreakOnTheirConditionAndFootersSeeTheGroupsLastRecord) {
  Layout L;
  TrepMemoryDataSet Data(nullptr);
  Data.SetUserName("Data");
  Data.Fields.Add("K");
  Data.Fields.Add("V");
  for (const char* K : {"A", "A", "B", "B", "B", "C"}) Data.AppendRow({rt::Variant(K), rt::Variant(1)});
  L.Report.DataSets().Add(&Data);
  auto* GH = new TrepGroupHeader(L.Page);
  GH->SetName("GroupHeader1");
  GH->SetBounds(0, 50, 700, 20);
  GH->Condition = "Data.\"K\"";
  Memo(GH, "Key", 0, 0, 100, 20, u"[Data.\"K\"]");
  auto* M = new TrepMasterData(L.Page);
  M->SetName("MasterData1");
  M->SetBounds(0, 100, 700, 20);
  M->SetDataSet(&Data);
  auto* GF = new TrepGroupFooter(L.Page);
  GF->SetName("GroupFooter1");
  GF->SetBounds(0, 150, 700, 20);
  GF->HideIfSingleDataRecord = true;
  Memo(GF, "Count", 0, 0, 100, 20, u"[Data.\"K\"] [COUNT(MasterData1)]");
  ASSERT_TRUE(L.Report.PrepareReport()) << L.Report.Errors().Text();
  std::vector<std::string> Bands;
  for (TrepComponent* C : L.Pages().GetPage(0)->Objects()) Bands.push_back(C->Name());
  // C has a single record: its footer is hidden.
  EXPECT_EQ(Bands, (std::vector<std::string>{"GroupHeader1", "MasterData1", "MasterData1", "GroupFooter1",
                                             "GroupHeader1", "MasterData1", "MasterData1", "MasterData1",
                                             "GroupFooter1", "GroupHeader1", "MasterData1"}));
  EXPECT_EQ(L.Texts("Key")[0], (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(L.Texts("Count")[0], (std::vector<std::string>{"A 2", "B 3"}));
  M->SetDataSet(nullptr);
  L.Report.DataSets().Clear();
}
