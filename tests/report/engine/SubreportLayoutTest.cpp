// Subreports and vertical bands in the layout engine: subreports side by side running onto
// further pages, subreports laid out into their band, vertical rows spilling onto horizontal
// pages with repeated headers, endless-width pages, and the template left as designed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
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

// An A4 page with 10 mm margins: 718.11 x 1046.93 pixels of printable area.
struct Fixture {
  struct TStarted {
    TStarted() { Start(); }
  } Started;
  TrepReport Report{nullptr};
  TrepReportPage* Page;

  Fixture() {
    Report.EngineOptions.SilentMode = simSilent;
    Report.EngineOptions.DestroyForms = false;
    Page = NewPage("Page1");
  }

  TrepReportPage* NewPage(const char* Name) { return a4page::New(Report, Name); }

  template <class T>
  static T* Band(TrepComponent* Parent, const char* Name, double L, double T_, double W, double H) {
    auto* B = new T(Parent);
    B->SetName(Name);
    B->SetBounds(L, T_, W, H);
    return B;
  }

  // A subreport page of Rows rows, each Height high with a memo MemoName showing its row number.
  TrepReportPage* RowsPage(const char* PageName, const char* BandName, const char* MemoName, int Rows,
                           double Height) {
    TrepReportPage* P = NewPage(PageName);
    auto* B = Band<TrepMasterData>(P, BandName, 0, 0, 300, Height);
    B->SetRowCount(Rows);
    Memo(B, MemoName, 0, 0, 100, Height, u"[Line#]");
    return P;
  }

  static TrepSubreport* Subreport(TrepComponent* Parent, const char* Name, double L, double T,
                                  TrepReportPage* Target) {
    auto* S = new TrepSubreport(Parent);
    S->SetName(Name);
    S->SetBounds(L, T, 100, 20);
    S->SetPage(Target);
    return S;
  }

  TrepPreviewPages& Pages() { return *static_cast<TrepPreviewPages*>(Report.PreviewPages()); }

  // The memos of that name on a prepared page, in page order.
  std::vector<TrepMemoView*> Memos(int PageIndex, const std::string& Name) {
    std::vector<TrepMemoView*> R;
    for (TrepComponent* C : Pages().GetPage(PageIndex)->AllObjects())
      if (auto* M = dynamic_cast<TrepMemoView*>(C); M != nullptr && M->Name() == Name) R.push_back(M);
    return R;
  }
  std::vector<std::string> Texts(int PageIndex, const std::string& Name) {
    std::vector<std::string> R;
    for (TrepMemoView* M : Memos(PageIndex, Name)) R.push_back(Plain(M));
    return R;
  }
  TrepComponent* Find(int PageIndex, const std::string& Name) {
    for (TrepComponent* C : Pages().GetPage(PageIndex)->AllObjects())
      if (C->Name() == Name) return C;
    return nullptr;
  }
};

std::vector<std::string> Numbers(int From, int To) {
  std::vector<std::string> R;
  for (int I = From; I <= To; ++I) R.push_back(std::to_string(I));
  return R;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Subreports on the prepared pages

TEST(SubreportLayout, SideBySideSubreportsContinueBelowTheLongerOne) {
  Fixture F;
  auto* Main = Fixture::Band<TrepMasterData>(F.Page, "MainData", 0, 0, 700, 20);
  Main->SetRowCount(1);
  Memo(Main, "MainMemo", 0, 0, 100, 20, u"main");
  // 60 rows of 20 pixels from y 20: 51 fit on the first page, 9 go to the second.
  Fixture::Subreport(Main, "Sub1", 0, 20, F.RowsPage("SubPage1", "SubData1", "LongRow", 60, 20));
  Fixture::Subreport(Main, "Sub2", 300, 20, F.RowsPage("SubPage2", "SubData2", "ShortRow", 5, 20));
  auto* After = Fixture::Band<TrepMasterData>(F.Page, "AfterData", 0, 100, 700, 20);
  After->SetRowCount(1);
  Memo(After, "AfterMemo", 0, 0, 100, 20, u"after");

  ASSERT_TRUE(F.Report.PrepareReport()) << F.Report.Errors().Text();
  ASSERT_EQ(F.Pages().Count(), 2);
  EXPECT_EQ(F.Texts(0, "LongRow"), Numbers(1, 51));
  EXPECT_EQ(F.Texts(1, "LongRow"), Numbers(52, 60));
  EXPECT_EQ(F.Texts(0, "ShortRow"), Numbers(1, 5));
  EXPECT_TRUE(F.Texts(1, "ShortRow").empty());
  // Each subreport starts at its own place under the band's top.
  EXPECT_NEAR(F.Memos(0, "LongRow").front()->AbsTop(), 20, 1e-6);
  EXPECT_NEAR(F.Memos(0, "ShortRow").front()->AbsTop(), 20, 1e-6);
  EXPECT_NEAR(F.Memos(0, "ShortRow").front()->AbsLeft(), 300, 1e-6);
  EXPECT_NEAR(F.Memos(1, "LongRow").front()->AbsLeft(), 0, 1e-6);
  // The next band follows the longer subreport on the second page.
  EXPECT_TRUE(F.Texts(0, "AfterMemo").empty());
  ASSERT_EQ(F.Texts(1, "AfterMemo"), std::vector<std::string>{"after"});
  EXPECT_NEAR(F.Memos(1, "AfterMemo").front()->AbsTop(), 9 * 20, 1e-6);
}

TEST(SubreportLayout, ASubreportThatShowsItselfStopsWithAMessage) {
  for (bool OnParent : {false, true}) {
    SCOPED_TRACE(OnParent);
    Fixture F;
    auto* Main = Fixture::Band<TrepMasterData>(F.Page, "MainData", 0, 0, 700, 20);
    Main->SetRowCount(1);
    TrepReportPage* Loop = F.RowsPage("LoopPage", "LoopData", "LoopRow", 1, 20);
    Fixture::Subreport(Main, "Sub1", 0, 20, Loop)->PrintOnParent = OnParent;
    // The page's own band holds a subreport of the page itself.
    auto* Inner = new TrepSubreport(Loop->FindObject("LoopData"));
    Inner->SetName("Inner");
    Inner->SetBounds(0, 20, 100, 20);
    Inner->PrintOnParent = OnParent;
    Inner->SetPage(Loop);
    F.Report.PrepareReport();
    ASSERT_GE(F.Pages().Count(), 1);
    if (!OnParent) {
      // Each level printed its row until the nesting limit.
      int Rows = 0;
      for (int I = 0; I < F.Pages().Count(); ++I) Rows += static_cast<int>(F.Texts(I, "LoopRow").size());
      EXPECT_EQ(Rows, 16);
      EXPECT_NE(F.Report.Errors().Text().find("nested deeper than 16"), std::string::npos) << F.Report.Errors().Text();
    } else {
      // Laid out into its parent the inner subreport is left to the outer one: one row.
      EXPECT_EQ(F.Texts(0, "LoopRow").size(), 1u);
    }
    // The page still belongs to a subreport, so it never prints as a page of its own.
    EXPECT_TRUE(Loop->IsSubReport());
    const int Pages = F.Pages().Count();
    F.Report.PrepareReport();
    EXPECT_EQ(F.Pages().Count(), Pages);
  }
}

// ---------------------------------------------------------------------------------------------
// Subreports printed on the parent

TEST(SubreportLayout, ASubreportOnItsParentGrowsTheBandWithoutAPageBreak) {
  Fixture F;
  // A title leaves 146 pixels: the grown band does not fit there and moves whole.
  auto* Title = Fixture::Band<TrepReportTitle>(F.Page, "Title", 0, 0, 700, 900);
  Memo(Title, "TitleMemo", 0, 0, 100, 20, u"title");
  auto* Main = Fixture::Band<TrepMasterData>(F.Page, "MainData", 0, 950, 700, 50);
  Main->SetRowCount(1);
  Main->Stretched = true;
  Memo(Main, "MainMemo", 0, 0, 100, 20, u"main");
  TrepReportPage* Rows = F.RowsPage("SubPage1", "SubData1", "SubRow", 10, 20);
  TrepSubreport* Sub = Fixture::Subreport(Main, "Sub1", 150, 0, Rows);
  Sub->PrintOnParent = true;
  const int DesignObjects = Main->Objects().Count();

  ASSERT_TRUE(F.Report.PrepareReport()) << F.Report.Errors().Text();
  ASSERT_EQ(F.Pages().Count(), 2);
  EXPECT_TRUE(F.Texts(0, "SubRow").empty());
  TrepComponent* Placed = F.Find(1, "MainData");
  ASSERT_NE(Placed, nullptr);
  EXPECT_NEAR(Placed->Height(), 200, 1e-6);
  EXPECT_NEAR(Placed->Top(), 0, 1e-6);
  // The rows are objects of the band, one under the other from the subreport's place.
  const std::vector<TrepMemoView*> SubRows = F.Memos(1, "SubRow");
  ASSERT_EQ(SubRows.size(), 10u);
  for (std::size_t I = 0; I < SubRows.size(); ++I) {
    EXPECT_EQ(SubRows[I]->Parent(), Placed) << I;
    EXPECT_NEAR(SubRows[I]->Top(), 20.0 * static_cast<double>(I), 1e-6) << I;
    EXPECT_NEAR(SubRows[I]->Left(), 150, 1e-6) << I;
    EXPECT_EQ(Plain(SubRows[I]), std::to_string(I + 1));
  }
  // The band is as designed again, and a second run gives the same.
  EXPECT_TRUE(Rows->IsSubReport());
  ASSERT_TRUE(F.Report.PrepareReport()) << F.Report.Errors().Text();
  ASSERT_EQ(F.Pages().Count(), 2);
  EXPECT_EQ(F.Memos(1, "SubRow").size(), 10u);
  EXPECT_EQ(Main->Objects().Count(), DesignObjects);
  EXPECT_EQ(Main->Height(), 50);
  EXPECT_EQ(Main->OriginalObjectsCount, -1);
}

// ---------------------------------------------------------------------------------------------
// Vertical bands

namespace {

// A cross-table: a horizontal master of Rows rows crossed by a vertical header (0..100, shown
// again on every horizontal page) and a vertical master band of Columns records, 100 wide.
struct CrossTable : Fixture {
  TrepMasterData* Rows;
  TrepHeader* VHeader;
  TrepMasterData* VData;
  TrepMemoView* Caption;
  TrepMemoView* Cell;
  TrepMemoView* Outside;

  CrossTable(int RowCount, int Columns) {
    auto* PH = Band<TrepPageHeader>(Page, "PageHeader1", 0, 0, 700, 30);
    Memo(PH, "PageHeaderMemo", 0, 0, 100, 20, u"head");
    Rows = Band<TrepMasterData>(Page, "RowData", 0, 100, 700, 20);
    Rows->SetRowCount(RowCount);
    Caption = Memo(Rows, "Caption", 0, 0, 100, 20, u"row");
    Cell = Memo(Rows, "Cell", 100, 0, 100, 20, u"[Line#]");
    // Straddles both vertical bands: it stays a design object of the row.
    Outside = Memo(Rows, "Outside", 50, 0, 100, 20, u"x");
    VHeader = Band<TrepHeader>(Page, "VHeader", 0, 0, 100, 400);
    VHeader->Vertical = true;
    VHeader->ReprintOnNewPage = true;
    VData = Band<TrepMasterData>(Page, "VData", 100, 0, 100, 400);
    VData->Vertical = true;
    VData->SetRowCount(Columns);
  }
};

} // namespace

TEST(SubreportLayout, AVerticalRowSpillsOntoHorizontalPagesWithItsHeaders) {
  // 718 pixels: the header and six columns of 100 fit; 30 columns need five pages. The row's
  // frame is drawn by a fill memo made after the cells, which must not move them between pages.
  CrossTable F(2, 30);
  F.Rows->Frame().Typ = TrepFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
  ASSERT_TRUE(F.Report.PrepareReport()) << F.Report.Errors().Text();
  ASSERT_EQ(F.Pages().Count(), 5);
  for (int P = 0; P < 5; ++P) {
    SCOPED_TRACE(P);
    // Every master row has its header cell and its six columns on every horizontal page.
    EXPECT_EQ(F.Texts(P, "Caption"), (std::vector<std::string>{"row", "row"}));
    const std::vector<std::string> Row = Numbers(6 * P + 1, 6 * P + 6);
    std::vector<std::string> Expected = Row;
    Expected.insert(Expected.end(), Row.begin(), Row.end());
    EXPECT_EQ(F.Texts(P, "Cell"), Expected);
    const std::vector<TrepMemoView*> Cells = F.Memos(P, "Cell");
    for (std::size_t I = 0; I < 6; ++I) {
      EXPECT_NEAR(Cells[I]->AbsLeft(), 100.0 * static_cast<double>(I + 1), 1e-6) << I;
      EXPECT_NEAR(Cells[I]->AbsTop(), 30, 1e-6) << I;
      EXPECT_NEAR(Cells[I + 6]->AbsTop(), 50, 1e-6) << I;
    }
    EXPECT_NEAR(F.Memos(P, "Caption").front()->AbsLeft(), 0, 1e-6);
    // The page header is there once per page; the straddling object only on the first.
    EXPECT_EQ(F.Texts(P, "PageHeaderMemo").size(), 1u);
    EXPECT_EQ(F.Texts(P, "Outside").size(), P == 0 ? 2u : 0u);
  }
}

TEST(SubreportLayout, TheTemplateIsAsDesignedAfterAVerticalRun) {
  CrossTable F(3, 8);
  const std::vector<TrepComponent*> Before = F.Rows->Objects().List();
  for (int Run = 0; Run < 2; ++Run) {
    SCOPED_TRACE(Run);
    // The second run lays the report out twice: the cells are borrowed for both passes.
    F.Report.EngineOptions.DoublePass = Run == 1;
    ASSERT_TRUE(F.Report.PrepareReport()) << F.Report.Errors().Text();
    ASSERT_EQ(F.Pages().Count(), 2);
    EXPECT_EQ(F.Texts(1, "Cell").size(), 3u * 2u);
    EXPECT_EQ(F.Rows->Objects().List(), Before);
    EXPECT_EQ(F.Cell->Parent(), F.Rows);
    EXPECT_EQ(F.Cell->Left(), 100) << F.VData->Left() << " " << F.VHeader->Left();
    EXPECT_EQ(F.Caption->Left(), 0);
    EXPECT_EQ(F.Cell->OriginalBand, nullptr);
    EXPECT_EQ(F.VData->Objects().Count(), 0);
    EXPECT_EQ(F.VHeader->Objects().Count(), 0);
    EXPECT_EQ(F.Rows->OriginalObjectsCount, -1);
  }
}

TEST(SubreportLayout, AnEndlessWidthPageWidensInsteadOfAddingPages) {
  CrossTable F(2, 30);
  F.Page->EndlessWidth = true;
  ASSERT_TRUE(F.Report.PrepareReport()) << F.Report.Errors().Text();
  ASSERT_EQ(F.Pages().Count(), 1);
  const std::vector<std::string> Row = Numbers(1, 30);
  std::vector<std::string> Expected = Row;
  Expected.insert(Expected.end(), Row.begin(), Row.end());
  EXPECT_EQ(F.Texts(0, "Cell"), Expected);
  EXPECT_NEAR(F.Memos(0, "Cell").back()->AbsLeft(), 3000, 1e-6);
  // Wide enough for the header and thirty columns beside the margins.
  TrepReportPage* P = F.Pages().GetPage(0);
  EXPECT_GE(P->PaperWidth(), 20 + 3100 / 3.77953 - 0.01);
  EXPECT_LT(P->PaperWidth(), 20 + 3200 / 3.77953);
}

TEST(SubreportLayout, AFooterCrossedByVerticalBandsTotalsEachColumnApart) {
  CrossTable F(3, 4);
  auto* Footer = Fixture::Band<TrepFooter>(F.Page, "RowFooter", 0, 200, 700, 20);
  Memo(Footer, "Total", 100, 0, 100, 20, u"[COUNT(RowData)]");
  ASSERT_TRUE(F.Report.PrepareReport()) << F.Report.Errors().Text();
  ASSERT_EQ(F.Pages().Count(), 1);
  EXPECT_EQ(F.Texts(0, "Total"), (std::vector<std::string>{"3", "3", "3", "3"}));
  const std::vector<TrepMemoView*> Totals = F.Memos(0, "Total");
  for (std::size_t I = 0; I < Totals.size(); ++I) {
    EXPECT_NEAR(Totals[I]->AbsLeft(), 100.0 * static_cast<double>(I + 1), 1e-6) << I;
    EXPECT_NEAR(Totals[I]->AbsTop(), 30 + 3 * 20, 1e-6) << I;
  }
}

TEST(SubreportLayout, RowsThatFillAPageContinueOnFreshHorizontalPages) {
  // 50 rows fit under the page header; each row needs two horizontal pages.
  CrossTable F(60, 8);
  ASSERT_TRUE(F.Report.PrepareReport()) << F.Report.Errors().Text();
  ASSERT_EQ(F.Pages().Count(), 4);
  const int RowsOn[] = {50, 50, 10, 10};
  const int FirstColumn[] = {1, 7, 1, 7};
  for (int P = 0; P < 4; ++P) {
    SCOPED_TRACE(P);
    EXPECT_EQ(F.Texts(P, "Caption").size(), static_cast<std::size_t>(RowsOn[P]));
    const std::vector<std::string> Cells = F.Texts(P, "Cell");
    const int PerRow = FirstColumn[P] == 1 ? 6 : 2;
    ASSERT_EQ(Cells.size(), static_cast<std::size_t>(RowsOn[P] * PerRow));
    EXPECT_EQ(Cells.front(), std::to_string(FirstColumn[P]));
    EXPECT_EQ(Cells.back(), std::to_string(FirstColumn[P] + PerRow - 1));
    EXPECT_EQ(F.Texts(P, "PageHeaderMemo").size(), 1u);
    EXPECT_NEAR(F.Memos(P, "Caption").front()->AbsTop(), 30, 1e-6);
  }
}

TEST(SubreportLayout, AFailureInsideAVerticalRowLeavesTheTemplateAsDesigned) {
  struct Case {
    const char* Name;
    std::string Object;  // the object whose BeforePrint fails
    int Hit;             // on its Hit-th call
  } Cases[] = {
      {"while the cells are made", "Cell", 9},
      {"while the row is stretched", "Outside", 2},
      {"while the row goes to its horizontal pages", "PageHeader1", 3},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    CrossTable F(3, 8);
    const std::vector<TrepComponent*> Before = F.Rows->Objects().List();
    int Calls = 0;
    F.Report.OnBeforePrint = [&](TrepReportComponent* Sender) {
      if (Sender->Name() == C.Object && ++Calls == C.Hit) throw rt::Exception("stop here");
    };
    try {
      EXPECT_FALSE(F.Report.PrepareReport());
    } catch (const rt::Exception&) {
    }
    EXPECT_EQ(Calls, C.Hit);
    EXPECT_EQ(F.Rows->Objects().List(), Before);
    EXPECT_EQ(F.Cell->Left(), 100);
    EXPECT_EQ(F.VData->Objects().Count(), 0);
    EXPECT_EQ(F.Rows->OriginalObjectsCount, -1);
    // The next run is whole.
    F.Report.OnBeforePrint = nullptr;
    ASSERT_TRUE(F.Report.PrepareReport()) << F.Report.Errors().Text();
    ASSERT_EQ(F.Pages().Count(), 2);
    EXPECT_EQ(F.Texts(0, "Cell").size(), 3u * 6u);
    EXPECT_EQ(F.Texts(1, "Cell").size(), 3u * 2u);
  }
}

TEST(SubreportLayout, AFailureInsideAnEmbeddedSubreportLeavesTheBandAsDesigned) {
  Fixture F;
  auto* Main = Fixture::Band<TrepMasterData>(F.Page, "MainData", 0, 0, 700, 50);
  Main->SetRowCount(2);
  Main->Stretched = true;
  Fixture::Subreport(Main, "Sub1", 0, 0, F.RowsPage("SubPage1", "SubData1", "SubRow", 4, 20))->PrintOnParent = true;
  const std::vector<TrepComponent*> Before = Main->Objects().List();
  int Calls = 0;
  // The second main row fails in its third subreport row.
  F.Report.OnBeforePrint = [&](TrepReportComponent* Sender) {
    if (Sender->Name() == "SubRow" && ++Calls == 7) throw rt::Exception("stop here");
  };
  try {
    EXPECT_FALSE(F.Report.PrepareReport());
  } catch (const rt::Exception&) {
  }
  EXPECT_EQ(Calls, 7);
  EXPECT_EQ(Main->Objects().List(), Before);
  EXPECT_EQ(Main->OriginalObjectsCount, -1);
  EXPECT_EQ(Main->Height(), 50);
  F.Report.OnBeforePrint = nullptr;
  ASSERT_TRUE(F.Report.PrepareReport()) << F.Report.Errors().Text();
  EXPECT_EQ(F.Texts(0, "SubRow"), (std::vector<std::string>{"1", "2", "3", "4", "1", "2", "3", "4"}));
  // The second main row follows the first, grown to its four rows.
  EXPECT_NEAR(F.Memos(0, "SubRow")[4]->AbsTop(), 80, 1e-6);
}

TEST(SubreportLayout, ATemplateFileWithSubreportsAndVerticalBands) {
  Start();
  // The seed of the layout fuzz target.
  const std::string Path =
      (std::filesystem::path(__FILE__).parent_path() / "fuzz/PrepareReport/seed-subreports-vertical.xml").string();
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  R.LoadFromFile(Path);
  ASSERT_EQ(R.Errors().Count(), 0) << R.Errors().Text();
  R.EngineOptions.DestroyForms = false;
  auto* Sub1 = dynamic_cast<TrepSubreport*>(R.FindObject("Sub1"));
  ASSERT_NE(Sub1, nullptr);
  ASSERT_NE(Sub1->Page(), nullptr);
  EXPECT_EQ(Sub1->Page()->Name(), "SubPage1");
  ASSERT_TRUE(R.PrepareReport()) << R.Errors().Text();
  auto& Pages = *static_cast<TrepPreviewPages*>(R.PreviewPages());
  // Nine columns: the header, the group mark and six columns on the first page.
  ASSERT_EQ(Pages.Count(), 2);
  auto TextsOn = [&](int Page, const std::string& Name) {
    std::vector<std::string> T;
    for (TrepComponent* C : Pages.GetPage(Page)->AllObjects())
      if (auto* M = dynamic_cast<TrepMemoView*>(C); M != nullptr && M->Name() == Name) T.push_back(Plain(M));
    return T;
  };
  EXPECT_EQ(TextsOn(0, "Cell").size() + TextsOn(1, "Cell").size(), 27u);
  EXPECT_EQ(TextsOn(0, "SubRow1").size(), 6u);  // two rows under each of the three master rows
  EXPECT_EQ(TextsOn(0, "SubRow2"), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(TextsOn(0, "Total").size() + TextsOn(1, "Total").size(), 9u);
  for (const std::string& T : TextsOn(0, "Total")) EXPECT_EQ(T, "3");
}

TEST(SubreportLayout, AVerticalGroupHeaderIsRepeatedOnEachHorizontalPage) {
  Fixture F;
  TrepMemoryDataSet V(nullptr);
  V.SetUserName("V");
  V.Fields.Add("G");
  V.Fields.Add("N");
  for (int I = 1; I <= 12; ++I) V.AppendRow({rt::Variant(std::string(I <= 6 ? "A" : "B")), rt::Variant(I)});
  F.Report.DataSets().Add(&V);
  auto* Rows = Fixture::Band<TrepMasterData>(F.Page, "RowData", 0, 100, 700, 20);
  Rows->SetRowCount(1);
  Memo(Rows, "Caption", 0, 0, 100, 20, u"row");
  Memo(Rows, "GroupCell", 100, 0, 50, 20, u"[V.\"G\"]");
  Memo(Rows, "Cell", 150, 0, 100, 20, u"[V.\"N\"]");
  auto* VHeader = Fixture::Band<TrepHeader>(F.Page, "VHeader", 0, 0, 100, 400);
  VHeader->Vertical = true;
  VHeader->ReprintOnNewPage = true;
  auto* VGroup = Fixture::Band<TrepGroupHeader>(F.Page, "VGroup", 100, 0, 50, 400);
  VGroup->Vertical = true;
  VGroup->ReprintOnNewPage = true;
  VGroup->Condition = "V.\"G\"";
  auto* VData = Fixture::Band<TrepMasterData>(F.Page, "VData", 150, 0, 100, 400);
  VData->Vertical = true;
  VData->SetDataSet(&V);

  ASSERT_TRUE(F.Report.PrepareReport()) << F.Report.Errors().Text();
  ASSERT_EQ(F.Pages().Count(), 3);
  // 718 pixels: after the header and the group mark five columns fit on the first page; the
  // group changes on the second, where the repeated mark still shows the group it continues.
  EXPECT_EQ(F.Texts(0, "GroupCell"), (std::vector<std::string>{"A"}));
  EXPECT_EQ(F.Texts(0, "Cell"), Numbers(1, 5));
  EXPECT_EQ(F.Texts(1, "GroupCell"), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(F.Texts(1, "Cell"), Numbers(6, 10));
  EXPECT_EQ(F.Texts(2, "GroupCell"), (std::vector<std::string>{"B"}));
  EXPECT_EQ(F.Texts(2, "Cell"), Numbers(11, 12));
  for (int P = 0; P < 3; ++P) {
    EXPECT_EQ(F.Texts(P, "Caption").size(), 1u) << P;
    EXPECT_NEAR(F.Memos(P, "GroupCell").front()->AbsLeft(), 100, 1e-6) << P;
  }
  VData->SetDataSet(nullptr);
  F.Report.DataSets().Delete("V");
}

TEST(SubreportLayout, SubreportsOfAKeptBandFollowItToTheNextPage) {
  Fixture F;
  auto* Title = Fixture::Band<TrepReportTitle>(F.Page, "Title", 0, 0, 700, 980);
  Memo(Title, "TitleMemo", 0, 0, 100, 20, u"title");
  // The first data band of a page never moves; the kept one comes second.
  Fixture::Band<TrepMasterData>(F.Page, "LeadData", 0, 990, 700, 20)->SetRowCount(1);
  auto* Main = Fixture::Band<TrepMasterData>(F.Page, "MainData", 0, 1020, 700, 20);
  Main->SetRowCount(1);
  Main->KeepTogether = true;
  Memo(Main, "MainMemo", 0, 0, 100, 20, u"main");
  // From y 1020 the first row fits and the second does not: the kept band and that row move.
  Fixture::Subreport(Main, "Sub1", 0, 20, F.RowsPage("SubPage1", "SubData1", "LongRow", 3, 20));
  Fixture::Subreport(Main, "Sub2", 300, 20, F.RowsPage("SubPage2", "SubData2", "ShortRow", 2, 20));

  ASSERT_TRUE(F.Report.PrepareReport()) << F.Report.Errors().Text();
  ASSERT_EQ(F.Pages().Count(), 2);
  EXPECT_TRUE(F.Texts(0, "MainMemo").empty());
  EXPECT_EQ(F.Texts(1, "MainMemo"), std::vector<std::string>{"main"});
  EXPECT_EQ(F.Texts(1, "LongRow"), Numbers(1, 3));
  // The second subreport starts beside the moved band, not where the band first stood.
  EXPECT_TRUE(F.Texts(0, "ShortRow").empty());
  ASSERT_EQ(F.Texts(1, "ShortRow"), Numbers(1, 2));
  EXPECT_NEAR(F.Memos(1, "ShortRow").front()->AbsTop(), F.Memos(1, "MainMemo").front()->AbsTop() + 20, 1e-6);
  EXPECT_NEAR(F.Memos(1, "ShortRow").front()->AbsLeft(), 300, 1e-6);
}
