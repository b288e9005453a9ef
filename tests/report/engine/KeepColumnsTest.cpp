// The layout engine around a band: nested groups, reprinted headers, keep-together blocks,
// page columns with their headers and footers, data-band columns, drill-down, child rows filled
// after the data, and suppressed repeated values after a page break.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
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

using memotext::Plain;

// A4 with 10 mm margins: 1046.93 pixels of printable height, 718.11 of width.
constexpr double PageH = 1046.93;

struct Sheet {
  struct TStarted {
    TStarted() { Start(); }
  } Started;
  TrepReport Report{nullptr};
  TrepReportPage* Page;
  // Datasets live as long as the report's bands point at them.
  std::vector<std::unique_ptr<TrepMemoryDataSet>> Data;

  Sheet() {
    Report.EngineOptions.SilentMode = simSilent;
    Report.EngineOptions.DestroyForms = false;
    Page = a4page::New(Report, "Page1");
  }
  ~Sheet() {
    for (TrepComponent* C : Page->Objects())
      if (auto* D = dynamic_cast<TrepDataBand*>(C)) D->SetDataSet(nullptr);
    Report.DataSets().Clear();
  }

  // Bands are linked by their top, so each new one goes below the last.
  double NextTop = 0;
  template <class T>
  T* Band(const char* Name, double Height) {
    auto* B = new T(Page);
    B->SetName(Name);
    B->SetBounds(0, NextTop, 300, Height);
    NextTop += Height + 10;
    return B;
  }
  template <class T>
  T* Rows(const char* Name, double Height, int Count) {
    T* B = Band<T>(Name, Height);
    B->SetRowCount(Count);
    return B;
  }

  static TrepMemoView* Memo(TrepComponent* Parent, const char* Name, std::u16string_view Text, double Height = 20) {
    return a4page::Memo(Parent, Name, 0, 0, 200, Height, Text);
  }

  TrepMemoryDataSet& Table(const char* Name, std::vector<std::string> Fields,
                           const std::vector<std::vector<rt::Variant>>& Rows) {
    Data.push_back(std::make_unique<TrepMemoryDataSet>(nullptr));
    TrepMemoryDataSet& D = *Data.back();
    D.SetUserName(Name);
    for (const std::string& F : Fields) D.Fields.Add(F);
    for (const auto& R : Rows) D.AppendRow(R);
    Report.DataSets().Add(&D);
    return D;
  }

  void Prepare() { ASSERT_TRUE(Report.PrepareReport()) << Report.Errors().Text(); }

  TrepPreviewPages& Pages() { return *static_cast<TrepPreviewPages*>(Report.PreviewPages()); }

  // The bands of each prepared page in output order, without the page-objects carrier.
  std::vector<std::vector<std::string>> Bands() {
    std::vector<std::vector<std::string>> Result;
    for (int I = 0; I < Pages().Count(); ++I) {
      std::vector<std::string> Row;
      for (TrepComponent* C : Pages().GetPage(I)->Objects())
        if (dynamic_cast<TrepBand*>(C) != nullptr && dynamic_cast<TrepNullBand*>(C) == nullptr) Row.push_back(C->Name());
      Result.push_back(Row);
    }
    return Result;
  }

  // Where the named bands went on a page, in output order.
  std::vector<std::pair<double, double>> Places(int PageIndex, const std::string& Name) {
    std::vector<std::pair<double, double>> R;
    for (TrepComponent* C : Pages().GetPage(PageIndex)->Objects())
      if (C->Name() == Name) R.emplace_back(C->Left(), C->Top());
    return R;
  }

  // The texts of the memos named Name on each prepared page.
  std::vector<std::vector<std::string>> Texts(const std::string& Name) {
    std::vector<std::vector<std::string>> Result;
    for (int I = 0; I < Pages().Count(); ++I) {
      std::vector<std::string> Row;
      for (TrepComponent* C : Pages().GetPage(I)->AllObjects())
        if (auto* M = dynamic_cast<TrepMemoView*>(C); M != nullptr && M->Name() == Name) Row.push_back(Plain(M));
      Result.push_back(Row);
    }
    return Result;
  }
};

int CountOf(const std::vector<std::string>& V, const std::string& S) {
  return static_cast<int>(std::count(V.begin(), V.end(), S));
}

using Strings = std::vector<std::string>;

} // namespace

TEST(Groups, NestedGroupsBreakInnerFirstAndSingleRowFootersCanHide) {
  struct Case {
    bool Hide;
    Strings Bands;
    Strings InnerFooters;
  } Cases[] = {
      {false,
       {"GH1", "GH2", "M", "M", "GF2", "GH2", "M", "GF2", "GF1", "GH1", "GH2", "M", "M", "GF2", "GF1"},
       {"2", "1", "2"}},
      // A y has one row: its footer is left out; the others have two.
      {true,
       {"GH1", "GH2", "M", "M", "GF2", "GH2", "M", "GF1", "GH1", "GH2", "M", "M", "GF2", "GF1"},
       {"2", "2"}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Hide);
    Sheet S;
    auto& D = S.Table("D", {"K1", "K2"},
                      {{rt::Variant("A"), rt::Variant("x")},
                       {rt::Variant("A"), rt::Variant("x")},
                       {rt::Variant("A"), rt::Variant("y")},
                       {rt::Variant("B"), rt::Variant("y")},
                       {rt::Variant("B"), rt::Variant("y")}});
    auto* GH1 = S.Band<TrepGroupHeader>("GH1", 20);
    GH1->Condition = "D.\"K1\"";
    auto* GH2 = S.Band<TrepGroupHeader>("GH2", 20);
    GH2->Condition = "D.\"K2\"";
    auto* M = S.Band<TrepMasterData>("M", 20);
    M->SetDataSet(&D);
    auto* GF2 = S.Band<TrepGroupFooter>("GF2", 20);
    GF2->HideIfSingleDataRecord = C.Hide;
    Sheet::Memo(GF2, "Inner", u"[COUNT(M)]");
    auto* GF1 = S.Band<TrepGroupFooter>("GF1", 20);
    Sheet::Memo(GF1, "Outer", u"[COUNT(M)]");
    S.Prepare();
    ASSERT_EQ(S.Pages().Count(), 1);
    EXPECT_EQ(S.Bands()[0], C.Bands);
    // Each footer counts its own group's rows.
    EXPECT_EQ(S.Texts("Inner")[0], C.InnerFooters);
    EXPECT_EQ(S.Texts("Outer")[0], (Strings{"3", "2"}));
  }
}

TEST(ReprintedHeaders, APageHeaderAndADataHeaderComeBackOnEveryPageTheirRowsContinueOn) {
  Sheet S;
  S.Band<TrepPageHeader>("PH", 50);
  auto* H = S.Band<TrepHeader>("H", 30);
  H->ReprintOnNewPage = true;
  S.Rows<TrepMasterData>("M", 20, 100);
  // A second data band after the first: the first one's header is no longer reprinted.
  S.Rows<TrepMasterData>("M2", 20, 60);
  S.Band<TrepPageFooter>("PF", 50);
  S.Prepare();
  const auto Bands = S.Bands();
  // 946.93 pixels between header and footer: 30 for H and 45 rows.
  ASSERT_EQ(Bands.size(), 4u);
  for (int I = 0; I < 3; ++I) {
    SCOPED_TRACE(I);
    EXPECT_EQ(CountOf(Bands[I], "H"), 1);
    ASSERT_EQ(S.Places(I, "H").size(), 1u);
    EXPECT_NEAR(S.Places(I, "H")[0].second, 50, 0.01);
  }
  EXPECT_EQ(CountOf(Bands[0], "M"), 45);
  EXPECT_EQ(CountOf(Bands[1], "M"), 45);
  EXPECT_EQ(CountOf(Bands[2], "M"), 10);
  EXPECT_EQ(CountOf(Bands[3], "H"), 0);
  EXPECT_EQ(CountOf(Bands[3], "M2"), 60 - CountOf(Bands[2], "M2"));
}

TEST(ReprintedHeaders, AHeaderThatCausesTheBreakPrintsOnceOnTheNewPage) {
  Sheet S;
  // 52 rows of 20 fill 1040 of 1046.93 pixels: the next header goes to page 2.
  S.Rows<TrepMasterData>("M", 20, 52);
  auto* H = S.Band<TrepHeader>("H", 30);
  H->ReprintOnNewPage = true;
  S.Rows<TrepMasterData>("M2", 20, 3);
  S.Prepare();
  const auto Bands = S.Bands();
  ASSERT_EQ(Bands.size(), 2u);
  EXPECT_EQ(Bands[1], (Strings{"H", "M2", "M2", "M2"}));
}

TEST(Columns, PageColumnsReprintTheirHeadersAndTheFourthColumnStartsAPage) {
  Sheet S;
  S.Page->SetColumns(3);
  S.Band<TrepColumnHeader>("CH", 20);
  auto* H = S.Band<TrepHeader>("H", 30);
  H->ReprintOnNewPage = true;
  S.Rows<TrepMasterData>("M", 20, 150);
  auto* CF = S.Band<TrepColumnFooter>("CF", 10);
  Sheet::Memo(CF, "Count", u"[COUNT(M)]", 10);
  S.Prepare();
  // Each column: 1046.93 - 20 - 30 - 10 leaves room for 49 rows.
  ASSERT_EQ(S.Pages().Count(), 2);
  const double Offset = 190.0 / 3 * TrepEngine::PixelsPerMM;
  for (const char* Name : {"CH", "H"}) {
    SCOPED_TRACE(Name);
    const auto P = S.Places(0, Name);
    ASSERT_EQ(P.size(), 3u);
    for (int I = 0; I < 3; ++I) EXPECT_NEAR(P[I].first, I * Offset, 0.01);
    EXPECT_NEAR(P[1].second, P[0].second, 0.01);
    EXPECT_NEAR(P[2].second, P[0].second, 0.01);
  }
  const auto Rows = S.Places(0, "M");
  ASSERT_EQ(Rows.size(), 147u);
  EXPECT_NEAR(Rows[49].first, Offset, 0.01);
  EXPECT_NEAR(Rows[49].second, 50, 0.01);  // right under the reprinted headers
  // The column footer sits right under each column's rows and counts that column.
  const auto Footers = S.Places(0, "CF");
  ASSERT_EQ(Footers.size(), 3u);
  for (int I = 0; I < 3; ++I) {
    EXPECT_NEAR(Footers[I].first, I * Offset, 0.01);
    EXPECT_NEAR(Footers[I].second, 50 + 49 * 20, 0.01);
  }
  EXPECT_EQ(S.Texts("Count")[0], (Strings{"49", "49", "49"}));
  // Page 2 starts again in column 1 with both headers reprinted.
  EXPECT_EQ(S.Bands()[1], (Strings{"CH", "H", "M", "M", "M", "CF"}));
  EXPECT_NEAR(S.Places(1, "H")[0].first, 0, 0.01);
  EXPECT_NEAR(S.Places(1, "M")[0].first, 0, 0.01);
  EXPECT_NEAR(S.Places(1, "M")[0].second, 50, 0.01);
  EXPECT_EQ(S.Texts("Count")[1], (Strings{"3"}));
}

TEST(Columns, AReportPagePrintedOnThePreviousOneGoesOnInItsLastColumn) {
  struct Case {
    const char* Name;
    bool Title;
    double Left, Top;
  } Cases[] = {
      {"in the last column", false, 190.0 / 2 * TrepEngine::PixelsPerMM, 8 * 20},
      // A title goes across the page under the lowest column; full there, on a new page.
      {"under a title", true, 0, 20},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Sheet S;
    S.Page->SetColumns(2);
    S.Rows<TrepMasterData>("M", 20, 60);
    auto* Next = new TrepReportPage(&S.Report);
    Next->SetName("Page2");
    Next->SetSizeAndDimensions(9, 210, 297);
    Next->LeftMargin = Next->RightMargin = Next->TopMargin = Next->BottomMargin = 10;
    Next->SetColumns(2);
    Next->PrintOnPreviousPage = true;
    auto* Title = new TrepReportTitle(Next);
    Title->SetName("T2");
    Title->SetBounds(0, 0, 300, 20);
    if (!C.Title) delete Title;
    auto* M2 = new TrepMasterData(Next);
    M2->SetName("M2");
    M2->SetBounds(0, 100, 300, 20);
    M2->SetRowCount(3);
    S.Prepare();
    const int Last = S.Pages().Count() - 1;
    ASSERT_EQ(Last, C.Title ? 1 : 0);
    const auto P = S.Places(Last, "M2");
    ASSERT_EQ(P.size(), 3u);
    EXPECT_NEAR(P[0].first, C.Left, 0.01);
    EXPECT_NEAR(P[0].second, C.Top, 0.01);
  }
}

TEST(Columns, DataBandCellsFillRowsAndAFullRowMovesWhole) {
  Sheet S;
  auto* M = S.Rows<TrepMasterData>("M", 20, 160);
  M->Columns = 3;
  M->ColumnWidth = 200;
  M->ColumnGap = 10;
  Sheet::Memo(M, "N", u"[Line#]");
  S.Band<TrepFooter>("F", 20);
  S.Prepare();
  ASSERT_EQ(S.Pages().Count(), 2);
  const auto Cells = S.Places(0, "M");
  // 52 rows of three cells fit in 1046.93 pixels; the 53rd row moves whole to page 2.
  ASSERT_EQ(Cells.size(), 156u);
  for (int I = 0; I < 6; ++I) {
    EXPECT_NEAR(Cells[I].first, (I % 3) * 210, 0.01) << I;
    EXPECT_NEAR(Cells[I].second, (I / 3) * 20, 0.01) << I;
  }
  const auto Moved = S.Places(1, "M");
  ASSERT_EQ(Moved.size(), 4u);
  EXPECT_EQ(S.Texts("N")[1], (Strings{"157", "158", "159", "160"}));
  EXPECT_NEAR(Moved[0].second, 0, 0.01);
  EXPECT_NEAR(Moved[2].first, 420, 0.01);
  EXPECT_NEAR(Moved[3].first, 0, 0.01);
  EXPECT_NEAR(Moved[3].second, 20, 0.01);
  // The footer goes under the last, half-filled row of cells.
  ASSERT_EQ(S.Places(1, "F").size(), 1u);
  EXPECT_NEAR(S.Places(1, "F")[0].second, 40, 0.01);
}

TEST(KeepTogether, ARowMovesWithItsDetailsUnlessNoPageCouldHoldThem) {
  struct Case {
    const char* Name;
    bool Keep;
    int FirstDetails, SecondDetails;
    int SecondMasterPage;
    int SecondDetailsOnItsPage;
  } Cases[] = {
      {"kept block moves", true, 40, 30, 1, 30},
      {"without keeping it breaks", false, 40, 30, 0, 5},
      // The second master starts near the top: the block is taller than an empty page.
      {"too tall stays", true, 0, 80, 0, 45},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Sheet S;
    std::vector<std::vector<rt::Variant>> Masters{{rt::Variant(1), rt::Variant("")}, {rt::Variant(2), rt::Variant("x")}};
    std::vector<std::vector<rt::Variant>> Details;
    for (int I = 0; I < C.FirstDetails; ++I) Details.push_back({rt::Variant(1)});
    for (int I = 0; I < C.SecondDetails; ++I) Details.push_back({rt::Variant(2)});
    auto& MD = S.Table("Mas", {"M", "T"}, Masters);
    auto& DD = S.Table("Det", {"M"}, Details);
    S.Band<TrepPageHeader>("PH", 50);
    // Masters shrink to their one line; the keep test measures their design height.
    auto* M = S.Band<TrepMasterData>("M", 100);
    M->SetDataSet(&MD);
    M->KeepTogether = C.Keep;
    M->PrintIfDetailEmpty = true;
    M->Stretched = true;
    auto* T = Sheet::Memo(M, "T", u"[Mas.\"T\"]", 100);
    T->StretchMode = smActualHeight;
    T->CanShrink = true;
    auto* D = S.Band<TrepDetailData>("D", 20);
    D->SetDataSet(&DD);
    D->Filter = "<Det.\"M\"> = <Mas.\"M\">";
    S.Band<TrepPageFooter>("PF", 50);
    S.Prepare();
    const auto Bands = S.Bands();
    // Where the second master went, and how many of its details followed it there.
    int Seen = 0, Page = -1;
    std::ptrdiff_t At = 0;
    for (std::size_t I = 0; I < Bands.size() && Page < 0; ++I)
      for (std::size_t J = 0; J < Bands[I].size() && Page < 0; ++J)
        if (Bands[I][J] == "M" && ++Seen == 2) {
          Page = static_cast<int>(I);
          At = static_cast<std::ptrdiff_t>(J);
        }
    ASSERT_EQ(Page, C.SecondMasterPage);
    const Strings& P = Bands[static_cast<std::size_t>(Page)];
    EXPECT_EQ(std::count(P.begin() + At, P.end(), "D"), C.SecondDetailsOnItsPage);
    int Total = 0;
    for (const auto& B : Bands) Total += CountOf(B, "D");
    EXPECT_EQ(Total, C.FirstDetails + C.SecondDetails);
  }
}

TEST(KeepTogether, AHeaderKeptWithItsFirstRowAndAFooterWithItsLastRow) {
  struct Case {
    const char* Name;
    bool KeepHeader, KeepFooter;
    int HeaderRows;  // rows of the first band before the kept band's header
    Strings Page1Tail, Page2;
  } Cases[] = {
      // The header is reprinted on the page its rows continue on.
      {"header stays alone", false, false, 51, {"M0", "H"}, {"H", "M", "M", "F"}},
      // It moves with the row and is not printed twice.
      {"header moves with the first row", true, false, 51, {"M0"}, {"H", "M", "M", "F"}},
      {"footer goes alone", false, false, 49, {"H", "M", "M"}, {"H", "F"}},
      {"footer takes the last row along", false, true, 49, {"H", "M"}, {"H", "M", "F"}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Sheet S;
    S.Rows<TrepMasterData>("M0", 20, C.HeaderRows);
    auto* H = S.Band<TrepHeader>("H", 20);
    H->ReprintOnNewPage = true;  // never twice on the page the block moves to
    auto* M = S.Rows<TrepMasterData>("M", 20, 2);
    M->KeepHeader = C.KeepHeader;
    M->KeepFooter = C.KeepFooter;
    auto* F = S.Band<TrepFooter>("F", 20);
    Sheet::Memo(F, "Count", u"[COUNT(M)]");
    S.Prepare();
    const auto Bands = S.Bands();
    ASSERT_EQ(Bands.size(), 2u);
    const Strings Tail(Bands[0].end() - static_cast<std::ptrdiff_t>(C.Page1Tail.size()), Bands[0].end());
    EXPECT_EQ(Tail, C.Page1Tail);
    EXPECT_EQ(Bands[1], C.Page2);
    EXPECT_NEAR(S.Places(1, Bands[1][0])[0].second, 0, 0.01);
    EXPECT_EQ(S.Texts("Count")[1], (Strings{"2"}));
  }
}

TEST(ChildRows, ChildRowsFillTheListAndTheFooterFollowsThem) {
  struct Case {
    TrepToNRowsMode Mode;
    int ToNRows;
    int Children;
  } Cases[] = {
      {rmCount, 10, 7},       // up to ten rows in all
      {rmAddToCount, 10, 10},  // ten more rows
      {rmTillPageEnds, 0, 45},  // (1046.93 - 50 - 60 - 30) / 20 rows: room stays for the footer
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Mode);
    Sheet S;
    S.Band<TrepPageHeader>("PH", 50);
    auto* M = S.Rows<TrepMasterData>("M", 20, 3);
    Sheet::Memo(M, "N", u"[Line#]");
    auto* F = S.Band<TrepFooter>("F", 30);
    Sheet::Memo(F, "Count", u"[COUNT(M)]");
    auto* Child = S.Band<TrepChild>("C", 20);
    Sheet::Memo(Child, "CN", u"[Line#]");
    Child->ToNRowsMode = C.Mode;
    Child->ToNRows = C.ToNRows;
    M->SetChild(Child);
    S.Prepare();
    ASSERT_EQ(S.Pages().Count(), 1);
    Strings Expected{"PH", "M", "M", "M"};
    for (int I = 0; I < C.Children; ++I) Expected.push_back("C");
    Expected.push_back("F");
    const auto Bands = S.Bands();
    EXPECT_EQ(Bands[0], Expected);
    // The row numbers go on from the data rows.
    const auto Numbers = S.Texts("CN")[0];
    ASSERT_FALSE(Numbers.empty());
    EXPECT_EQ(Numbers.front(), "4");
    const auto Footer = S.Places(0, "F");
    ASSERT_EQ(Footer.size(), 1u);
    EXPECT_NEAR(Footer[0].second, 50 + (3 + C.Children) * 20, 0.01);
    EXPECT_LE(Footer[0].second + 30, PageH);
    EXPECT_EQ(S.Texts("Count")[0], (Strings{"3"}));
  }
}

TEST(DrillDown, CollapsedGroupsHideTheirRowsUntilListed) {
  struct Case {
    const char* Name;
    bool Expand;
    Strings Listed;
    Strings Bands;
  } Cases[] = {
      {"all collapsed", false, {}, {"GH", "GH"}},
      {"first opened", false, {"GH.1"}, {"GH", "M", "M", "GF", "GH"}},
      {"all expanded", true, {}, {"GH", "M", "M", "GF", "GH", "M", "GF"}},
      {"second closed", true, {"GH.2"}, {"GH", "M", "M", "GF", "GH"}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Sheet S;
    auto& D = S.Table("D", {"K"}, {{rt::Variant("A")}, {rt::Variant("A")}, {rt::Variant("B")}});
    auto* GH = S.Band<TrepGroupHeader>("GH", 20);
    GH->Condition = "D.\"K\"";
    GH->DrillDown = true;
    GH->ExpandDrillDown = C.Expand;
    auto* M = S.Band<TrepMasterData>("M", 20);
    M->SetDataSet(&D);
    S.Band<TrepGroupFooter>("GF", 20);
    for (const std::string& L : C.Listed) S.Report.DrillState().Add(L);
    S.Prepare();
    ASSERT_EQ(S.Pages().Count(), 1);
    EXPECT_EQ(S.Bands()[0], C.Bands);
    EXPECT_EQ(GH->DrillName, "GH.2");
  }
}

TEST(SuppressRepeated, TheValueShowsAgainAtTheTopOfTheNextPage) {
  Sheet S;
  std::vector<std::vector<rt::Variant>> Rows(60, {rt::Variant("A")});
  auto& D = S.Table("D", {"K"}, Rows);
  auto* M = S.Band<TrepMasterData>("M", 20);
  M->SetDataSet(&D);
  Sheet::Memo(M, "K", u"[D.\"K\"]")->SuppressRepeated = true;
  S.Prepare();
  const auto Texts = S.Texts("K");
  ASSERT_EQ(Texts.size(), 2u);
  ASSERT_EQ(Texts[0].size(), 52u);
  EXPECT_EQ(Texts[0][0], "A");
  EXPECT_EQ(Texts[0][1], "");
  EXPECT_EQ(Texts[1][0], "A");
  EXPECT_EQ(Texts[1][1], "");
}

TEST(KeepTogether, AGroupMovesWholeToTheNextPageOrColumnWithItsOutlineItem) {
  const double Offset = 190.0 / 2 * TrepEngine::PixelsPerMM;
  struct Case {
    const char* Name;
    int Columns;
    bool Keep;
    int Page;
    double Left, Top;
  } Cases[] = {
      {"not kept", 1, false, 0, 0, 840},
      {"to the next page", 1, true, 1, 0, 0},
      // The next column is on the same page: the outline item stays on it.
      {"to the next column", 2, true, 0, Offset, 0},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Sheet S;
    S.Page->SetColumns(C.Columns);
    std::vector<std::vector<rt::Variant>> Rows(40, {rt::Variant("A")});
    Rows.resize(70, {rt::Variant("B")});
    auto& D = S.Table("D", {"K"}, Rows);
    auto* GH = S.Band<TrepGroupHeader>("GH", 20);
    GH->Condition = "D.\"K\"";
    GH->KeepTogether = C.Keep;
    GH->OutlineText = "<D.\"K\">";
    Sheet::Memo(GH, "Key", u"[D.\"K\"]");
    auto* M = S.Band<TrepMasterData>("M", 20);
    M->SetDataSet(&D);
    S.Band<TrepGroupFooter>("GF", 20);
    S.Prepare();
    // Group B starts at 840 and its tenth row does not fit.
    const auto Keys = S.Texts("Key");
    int Page = -1;
    for (std::size_t I = 0; I < Keys.size() && Page < 0; ++I)
      if (CountOf(Keys[I], "B") == 1) Page = static_cast<int>(I);
    ASSERT_EQ(Page, C.Page);
    const auto P = S.Places(Page, "GH");
    EXPECT_NEAR(P.back().first, C.Left, 0.01);
    EXPECT_NEAR(P.back().second, C.Top, 0.01);
    // All of group B's rows follow its header.
    int Rows2 = 0;
    for (int I = Page; I < S.Pages().Count(); ++I) Rows2 += static_cast<int>(S.Places(I, "M").size());
    EXPECT_EQ(Rows2 - (Page == 0 ? 40 : 0), 30);
    TrepCustomOutline* O = S.Pages().Outline();
    O->LevelRoot();
    ASSERT_EQ(O->Count(), 2);
    std::string Text;
    int OutPage = -1, OutTop = -1;
    O->GetItem(1, Text, OutPage, OutTop);
    EXPECT_EQ(Text, "B");
    EXPECT_EQ(OutPage, C.Page);
    EXPECT_EQ(OutTop, static_cast<int>(C.Top));
  }
}

TEST(ChildRows, NoRowsAreFilledWhenTheFootersOpenedANewPage) {
  Sheet S;
  // 52 rows fill 1040 of 1046.93 pixels: the footer goes to page 2.
  auto* M = S.Rows<TrepMasterData>("M", 20, 52);
  S.Band<TrepFooter>("F", 30);
  auto* Child = S.Band<TrepChild>("C", 20);
  Child->ToNRows = 60;
  M->SetChild(Child);
  S.Prepare();
  const auto Bands = S.Bands();
  ASSERT_EQ(Bands.size(), 2u);
  EXPECT_EQ(CountOf(Bands[0], "C") + CountOf(Bands[1], "C"), 0);
  EXPECT_EQ(Bands[1], (Strings{"F"}));
}

TEST(KeepTogether, ABandKeptWithItsChildMovesWithIt) {
  for (bool Keep : {false, true}) {
    SCOPED_TRACE(Keep);
    Sheet S;
    S.Rows<TrepMasterData>("M0", 20, 51);
    auto* M = S.Rows<TrepMasterData>("M", 20, 1);
    M->KeepChild = Keep;
    auto* Child = S.Band<TrepChild>("C", 20);
    M->SetChild(Child);
    S.Prepare();
    // M fits at 1020; its child at 1040 does not.
    const auto Bands = S.Bands();
    ASSERT_EQ(Bands.size(), 2u);
    EXPECT_EQ(Bands[1], Keep ? (Strings{"M", "C"}) : (Strings{"C"}));
  }
}

TEST(ChildRows, FillingToThePageEndStopsOnAnEndlessPageAndForRowsWithoutHeight) {
  struct Case {
    const char* Name;
    bool Endless;
    double ChildHeight;
    int Children;
  } Cases[] = {
      {"endless page", true, 20, 0},
      {"row without height", false, 0, 1},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Sheet S;
    S.Page->EndlessHeight = C.Endless;
    auto* M = S.Rows<TrepMasterData>("M", 20, 3);
    S.Band<TrepFooter>("F", 30);
    auto* Child = S.Band<TrepChild>("C", C.ChildHeight);
    Child->ToNRowsMode = rmTillPageEnds;
    M->SetChild(Child);
    S.Prepare();
    ASSERT_EQ(S.Pages().Count(), 1);
    EXPECT_EQ(CountOf(S.Bands()[0], "C"), C.Children);
    EXPECT_EQ(S.Bands()[0].back(), "F");
  }
}

TEST(KeepTogether, AGroupMovedBelowAKeptHeaderLeavesTheHeaderToBeReprinted) {
  Sheet S;
  std::vector<std::vector<rt::Variant>> Rows(40, {rt::Variant("A")});
  Rows.resize(70, {rt::Variant("B")});
  auto& D = S.Table("D", {"K"}, Rows);
  auto* H = S.Band<TrepHeader>("H", 20);
  H->ReprintOnNewPage = true;
  auto* GH = S.Band<TrepGroupHeader>("GH", 20);
  GH->Condition = "D.\"K\"";
  GH->KeepTogether = true;
  auto* M = S.Band<TrepMasterData>("M", 20);
  M->SetDataSet(&D);
  M->KeepHeader = true;
  S.Band<TrepGroupFooter>("GF", 20);
  S.Prepare();
  // Group B starts at 860 and its ninth row does not fit: the group moves, the header does not.
  const auto Bands = S.Bands();
  ASSERT_EQ(Bands.size(), 2u);
  EXPECT_EQ(CountOf(Bands[0], "GH"), 1);
  ASSERT_GE(Bands[1].size(), 3u);
  EXPECT_EQ(Strings(Bands[1].begin(), Bands[1].begin() + 3), (Strings{"H", "GH", "M"}));
  EXPECT_EQ(CountOf(Bands[1], "H"), 1);
  EXPECT_EQ(CountOf(Bands[1], "M"), 30);
}

TEST(ChildRows, ChildrenKeptWithTheirOwnChildAndRunningOntoANewPageLeaveTheFooterLast) {
  Sheet S;
  auto* M = S.Rows<TrepMasterData>("M", 20, 3);
  auto* F = S.Band<TrepFooter>("F", 30);
  Sheet::Memo(F, "Count", u"[COUNT(M)]");
  auto* Child = S.Band<TrepChild>("C", 20);
  Child->ToNRows = 60;
  Child->ToNRowsMode = rmAddToCount;
  Child->KeepChild = true;
  M->SetChild(Child);
  S.Prepare();
  const auto Bands = S.Bands();
  ASSERT_EQ(Bands.size(), 2u);
  EXPECT_EQ(CountOf(Bands[0], "C") + CountOf(Bands[1], "C"), 60);
  EXPECT_EQ(CountOf(Bands[0], "F") + CountOf(Bands[1], "F"), 1);
  EXPECT_EQ(Bands[1].back(), "F");
  const auto Children = S.Places(1, "C");
  ASSERT_FALSE(Children.empty());
  EXPECT_NEAR(S.Places(1, "F")[0].second, Children.back().second + 20, 0.01);
  EXPECT_EQ(S.Texts("Count")[1], (Strings{"3"}));
}
