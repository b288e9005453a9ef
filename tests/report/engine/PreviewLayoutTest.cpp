// Preview arithmetic: scroll clamping, page rows, page lookup, zoom modes, page numbers, progress
// pacing, page settings and text search over prepared pages.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repInPlaceEditors.h"
#include "report/engine/repPreviewLayout.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

namespace {

void Start() {
  static const bool Started = [] {
    repInitEngineResources();
    repClassInitialization();
    return true;
  }();
  (void)Started;
  sc_ipascalInitialization();
  sc_isysrttiInitialization();
  sc_iclassesrttiInitialization();
  repClassRTTIInitialization();
}

// A report whose prepared pages each hold one memo with the given text.
struct Prepared {
  std::unique_ptr<TrepReport> Report;
  TrepReportPage* Page;
  TrepNullBand* Band;
  TrepMemoView* Memo;

  Prepared() {
    Start();
    Report = std::make_unique<TrepReport>(nullptr);
    Report->EngineOptions.SilentMode = simSilent;
    Page = new TrepReportPage(Report.get());
    Page->SetName("Page1");
    Page->TopMargin = 10;
    Band = new TrepNullBand(Page);
    Band->SetName("Band1");
    Band->SetBounds(0, 0, 700, 40);
    Memo = new TrepMemoView(Band);
    Memo->SetName("Memo1");
    Memo->SetBounds(10, 5, 300, 20);
  }

  TrepPreviewPages& Pages() { return *static_cast<TrepPreviewPages*>(Report->PreviewPages()); }

  // One page per entry; each entry's texts are memos one under the other.
  void Fill(const std::vector<std::vector<std::u16string>>& PageTexts) {
    TrepPreviewPages& P = Pages();
    P.Clear();
    P.Initialize();
    P.AddPageAction = apAdd;
    P.AddSourcePage(Page);
    P.BeginPass();
    for (const auto& Texts : PageTexts) {
      P.AddPage(Page);
      for (std::size_t I = 0; I < Texts.size(); ++I) {
        Band->SetTop(static_cast<double>(I) * 40);
        Memo->SetLiteralText(Texts[I]);
        P.AddObject(Band);
      }
    }
    P.Finish();
  }
};

} // namespace

TEST(PreviewScroll, PositionsStayInsideTheRange) {
  struct Case {
    int Range, Page, Asked, Expected;
  };
  const Case Cases[] = {{1000, 300, 500, 500}, {1000, 300, 900, 700}, {1000, 300, -5, 0}, {200, 300, 50, 0}};
  for (const Case& K : Cases) {
    TrepScrollWin S;
    S.SetVertPage(K.Page);
    S.SetVertRange(K.Range);
    S.SetVertPosition(K.Asked);
    EXPECT_EQ(S.VertPosition(), K.Expected) << K.Range << " " << K.Page << " " << K.Asked;
  }
  TrepScrollWin S;
  S.SetHorzPage(100);
  S.SetHorzRange(1000);
  std::vector<int> Max;
  S.OnScrollMaxChange = [&](TrepScrollWin*, int, int M) { Max.push_back(M); };
  S.OnScrollPosChange = [](TrepScrollWin*, int, int& P) { P += 1; };
  S.SetHorzRange(500);
  EXPECT_EQ(Max, std::vector<int>{400});
  S.SetHorzPosition(41);
  EXPECT_EQ(S.HorzPosition(), 42);
  S.OnScrollPosChange = nullptr;
  S.SmallChange = 8;
  S.Scroll(false, scLineUp);
  EXPECT_EQ(S.HorzPosition(), 34);
  S.Scroll(false, scBottom);
  EXPECT_EQ(S.HorzPosition(), 400);
  // A smaller page keeps the position where the new range allows.
  S.SetHorzPage(480);
  S.SetHorzPosition(S.HorzPosition());
  EXPECT_EQ(S.HorzPosition(), 20);
}

TEST(PreviewPageList, RowsAreCentredAndWidePagesStandAlone) {
  TrepPageList L;
  for (int I = 0; I < 3; ++I) L.AddPage(600, 800, 1);
  L.CalcBounds(1300);
  // Two pages per row, each row shifted by 10 + (1300 - 1220 + 10) div 2 = 55.
  EXPECT_EQ(L.Items(0).OffsetX, 55);
  EXPECT_EQ(L.Items(1).OffsetX, 665);
  EXPECT_EQ(L.Items(0).OffsetY, 10);
  EXPECT_EQ(L.Items(2).OffsetY, 820);
  EXPECT_EQ(L.Items(2).OffsetX, 10 + (1300 - 610 + 10) / 2);
  EXPECT_EQ(L.GetMaxBounds().X, 1220);
  EXPECT_EQ(L.GetMaxBounds().Y, 1620);

  TrepPageList Wide;
  Wide.AddPage(2000, 100, 1);
  Wide.AddPage(300, 100, 1);
  Wide.CalcBounds(1000);
  EXPECT_EQ(Wide.Items(0).OffsetX, 10);
  EXPECT_EQ(Wide.Items(1).OffsetY, 120);

  TrepPageList Zoomed;
  Zoomed.AddPage(794, 1123, 0.5);
  EXPECT_EQ(Zoomed.Items(0).Width, 397);
  EXPECT_EQ(Zoomed.Items(0).Height, 562);  // 561.5 to even
  EXPECT_EQ(TrepPageList().GetMaxBounds().X, 0);
}

TEST(PreviewPageList, FindingPagesAndTheirRectangles) {
  TrepPageList Column;
  for (int I = 0; I < 4; ++I) Column.AddPage(400, 200, 1);
  Column.CalcBounds(500);  // one per row: tops 10, 220, 430, 640
  EXPECT_EQ(Column.Items(2).OffsetY, 430);
  EXPECT_EQ(Column.FindPage(5, 100), -1);  // a point above the first page
  EXPECT_EQ(Column.FindPage(430 - 50, 0), 1);
  EXPECT_EQ(Column.FindPage(430 - 30, 0), 2);  // within a fifth of its height (40): current
  EXPECT_EQ(Column.FindPage(300, Column.Items(1).OffsetX + 5), 1);

  TrepPageList L;
  for (int I = 0; I < 4; ++I) L.AddPage(400, 200, 1);
  L.CalcBounds(1000);  // rows of two
  const int Left2 = L.Items(1).OffsetX;
  EXPECT_EQ(L.FindPage(50, Left2 + 5), 1);
  EXPECT_EQ(L.FindPage(50, L.Items(0).OffsetX + 5), 0);
  // The gap between two pages of a row resolves to the search's candidate.
  EXPECT_EQ(L.FindPage(50, L.Items(0).OffsetX + 405), 1);

  gfx::TRect R = L.GetPageBounds(0, 1000, 1, false);
  EXPECT_EQ(R.Left, L.Items(0).OffsetX);
  EXPECT_EQ(R.Right - R.Left, 400);
  R = L.GetPageBounds(0, 1000, 1, true);
  EXPECT_EQ(R.Left, 1000 - 400 - L.Items(0).OffsetX);
  // Outside the list: an A4 placeholder.
  R = L.GetPageBounds(9, 1000, 1, false);
  EXPECT_EQ(R.Left, 103);
  EXPECT_EQ(R.Top, 10);
  EXPECT_EQ(R.Bottom - R.Top, 1123);
  R = L.GetPageBounds(-1, 500, 1, false);
  EXPECT_EQ(R.Left, 10);
}

TEST(PreviewControl, PageNumbersZoomAndWheel) {
  Prepared P;
  P.Fill({{u"a"}, {u"b"}, {u"c"}, {u"d"}, {u"e"}});
  TrepPreview V;
  V.Workspace().Resize(850, 600);
  std::vector<int> Changes;
  V.OnPageChanged = [&](TrepPreview*, int N) { Changes.push_back(N); };
  V.Init(P.Report.get(), &P.Pages());
  EXPECT_EQ(V.PageCount(), 5);
  V.SetPageNo(9);
  EXPECT_EQ(V.PageNo(), 5);
  V.SetPageNo(-3);
  EXPECT_EQ(V.PageNo(), 1);
  V.Last();
  V.Prior();
  EXPECT_EQ(V.PageNo(), 4);
  EXPECT_FALSE(Changes.empty());

  V.SetZoom(0.1);
  EXPECT_EQ(V.Zoom(), 0.25);
  EXPECT_EQ(V.ZoomMode(), zmDefault);
  V.SetZoom(0.35);
  V.MouseWheelScroll(-120, true, false);
  EXPECT_DOUBLE_EQ(V.Zoom(), 0.3);
  V.MouseWheelScroll(-120, true, false);
  EXPECT_DOUBLE_EQ(V.Zoom(), 0.3);

  const gfx::TPoint Size = P.Pages().GetPageSize(0);
  V.SetZoomMode(zmPageWidth);
  EXPECT_DOUBLE_EQ(V.Zoom(), (850.0 - 17 - 26) / Size.X);
  V.SetZoomMode(zmWholePage);
  EXPECT_DOUBLE_EQ(V.Zoom(), std::min((850.0 - 17 - 26) / Size.X, (600.0 - 26) / Size.Y));

  // Scrolling the workspace makes the page at the top current.
  V.SetZoom(1);
  V.SetPageNo(1);
  const gfx::TRect Third = V.Workspace().PageList().GetPageBounds(2, 0, 1, false);
  V.Workspace().SetVertPosition(Third.Top);
  EXPECT_EQ(V.PageNo(), 3);
  const int Before = V.Workspace().VertPosition();
  V.MouseWheelScroll(120, false, false);
  EXPECT_EQ(V.Workspace().VertPosition(), Before - 20);

  // Deleting page 4 of 5 while on it moves to page 3; the last page to the new last.
  V.SetPageNo(4);
  V.DeletePage();
  EXPECT_EQ(V.PageCount(), 4);
  EXPECT_EQ(V.PageNo(), 3);
  V.Last();
  V.DeletePage();
  EXPECT_EQ(V.PageNo(), 3);
}

TEST(PreviewControl, WholePageIgnoresTheScrollBarForOnePage) {
  Prepared P;
  P.Fill({{u"a"}});
  TrepPreview V;
  V.Workspace().Resize(850, 600);
  V.Init(P.Report.get(), &P.Pages());
  V.SetZoomMode(zmWholePage);
  const gfx::TPoint Size = P.Pages().GetPageSize(0);
  EXPECT_DOUBLE_EQ(V.Zoom(), std::min((850.0 - 26) / Size.X, (600.0 - 26) / Size.Y));
}

TEST(PreviewControl, FilesAndExportsUnlockAfterwards) {
  Prepared P;
  P.Fill({{u"a"}, {u"b"}});
  TrepPreview V;
  V.Workspace().Resize(850, 600);
  V.Init(P.Report.get(), &P.Pages());
  V.Last();
  const std::string File = testing::TempDir() + "periph_preview.rp3";
  V.SaveToFile(File);
  EXPECT_FALSE(V.Locked());
  V.LoadFromFile(File);
  EXPECT_FALSE(V.Locked());
  EXPECT_EQ(V.PageCount(), 2);
  EXPECT_EQ(V.PageNo(), 1);

  // A filter that fails: the failure reaches the caller and the preview is usable again.
  struct Failing : TrepCustomExportFilter {
    Failing() : TrepCustomExportFilter(NoRegister{}) { ShowDialog = false; }
    bool Start() override { throw rt::Exception("refused"); }
  } F;
  V.SetPageNo(2);
  try {
    V.Export(&F);
  } catch (const rt::Exception&) {
  }
  EXPECT_FALSE(V.Locked());
  EXPECT_EQ(P.Pages().CurPreviewPage, 2);
  EXPECT_THROW(V.SaveToFile("/nonexistent-dir/x.rp3"), rt::Exception);
  EXPECT_FALSE(V.Locked());
  std::remove(File.c_str());
}

TEST(PreviewControl, NoPagesMeansPageZero) {
  TrepPreview V;
  V.SetPageNo(5);
  EXPECT_EQ(V.PageNo(), 0);
  EXPECT_FALSE(V.FindNext());
}

TEST(PreviewControl, ProgressPacesRefreshes) {
  struct Case {
    std::uint32_t Elapsed;
    unsigned Interval;
  };
  for (const Case K : {Case{2, 50}, Case{7, 20}, Case{30, 5}}) {
    TrepPreview V;
    std::uint32_t Now = 1000;
    V.TickCount = [&] { return Now; };
    int Changes = 0;
    V.OnPageChanged = [&](TrepPreview*, int) { ++Changes; };
    V.InternalOnProgressStart(nullptr, ptRunning, 0);
    EXPECT_TRUE(V.Running());
    V.InternalOnProgress(nullptr, ptRunning, 0);
    Now += K.Elapsed;
    V.InternalOnProgress(nullptr, ptRunning, 1);
    EXPECT_EQ(V.RefreshInterval(), K.Interval);
    Changes = 0;
    for (int Page = 2; Page <= 100; ++Page) V.InternalOnProgress(nullptr, ptRunning, Page);
    EXPECT_EQ(Changes, static_cast<int>(100 / K.Interval)) << K.Elapsed;
    V.InternalOnProgressStop(nullptr, ptRunning, 0);
    EXPECT_FALSE(V.Running());
  }
}

TEST(PreviewControl, FollowsAReportBeingPrepared) {
  Prepared P;
  P.Memo->SetText(u"one");
  TrepPreview V;
  V.Workspace().Resize(850, 600);
  V.Init(P.Report.get(), P.Report->PreviewPages());
  P.Report->SetPreview(&V);
  std::vector<int> Changes;
  V.OnPageChanged = [&](TrepPreview*, int N) { Changes.push_back(N); };
  ASSERT_TRUE(P.Report->PrepareReport(true));
  EXPECT_FALSE(V.Running());
  EXPECT_EQ(V.PageCount(), 1);
  EXPECT_EQ(V.PageNo(), 1);
  EXPECT_EQ(V.Workspace().PageList().Count(), 1);
  EXPECT_FALSE(Changes.empty());
  // The report going first leaves the preview empty, holding nothing of it.
  P.Report.reset();
  EXPECT_EQ(V.Report, nullptr);
  EXPECT_EQ(V.PageCount(), 0);
  EXPECT_FALSE(V.Initialized());
}

TEST(PreviewControl, RefreshKeepsZoomAndAPageThatStillExists) {
  Prepared P;
  auto* Rows = new TrepMasterData(P.Page);
  Rows->SetName("Rows");
  Rows->SetBounds(0, 60, 700, 100);
  Rows->SetRowCount(40);
  TrepPreview V;
  V.Workspace().Resize(850, 600);
  V.Init(P.Report.get(), P.Report->PreviewPages());
  P.Report->SetPreview(&V);
  ASSERT_TRUE(P.Report->PrepareReport(true));
  const int Pages = V.PageCount();
  ASSERT_GE(Pages, 3);
  V.SetZoom(0.8);
  V.SetPageNo(3);
  ASSERT_EQ(V.PageNo(), 3);
  V.RefreshReport();
  EXPECT_EQ(V.PageCount(), Pages);
  EXPECT_EQ(V.PageNo(), 3);
  EXPECT_DOUBLE_EQ(V.Zoom(), 0.8);
  EXPECT_FALSE(V.Locked());
  EXPECT_FALSE(V.Refreshing);
  // Fewer pages after the refresh: the page number comes down to the last one. Preparing reads
  // the report back, so the band is found again by name.
  Rows = dynamic_cast<TrepMasterData*>(P.Report->FindObject("Rows"));
  ASSERT_NE(Rows, nullptr);
  Rows->SetRowCount(1);
  V.RefreshReport();
  EXPECT_EQ(V.PageCount(), 1);
  EXPECT_EQ(V.PageNo(), 1);
  P.Report->SetPreview(nullptr);
}

TEST(PreviewControl, OutlineTreeAndHeadingClicks) {
  Prepared P;
  P.Fill({{u"a"}, {u"b"}, {u"c"}});
  TrepCustomOutline& O = *P.Pages().Outline();
  P.Pages().CurPage = 0;
  O.LevelRoot();
  O.AddItem("A", 10);
  O.AddItem("B", 20);
  O.LevelRoot();
  P.Pages().CurPage = 2;
  O.AddItem("C", 30);
  O.LevelRoot();
  const std::vector<TrepOutlineNode> Tree = repOutlineTree(O);
  ASSERT_EQ(Tree.size(), 2u);
  EXPECT_EQ(Tree[0].Text, "A");
  ASSERT_EQ(Tree[0].Children.size(), 1u);
  EXPECT_EQ(Tree[0].Children[0].Top, 20);
  EXPECT_EQ(Tree[1].Page, 2);

  TrepPreview V;
  V.Workspace().Resize(850, 600);
  V.Init(P.Report.get(), &P.Pages());
  V.OutlineNodeClick(Tree[1]);
  EXPECT_EQ(V.PageNo(), 3);
  const gfx::TRect Third = V.Workspace().PageList().GetPageBounds(2, 850, 1, false);
  EXPECT_EQ(V.Workspace().VertPosition(), Third.Top + RoundHalfEven(10 * 3.77953 + 30) - 10);
  EXPECT_EQ(V.Workspace().GetTopPosition(), 30);
}

TEST(PreviewSearch, FindsTextPageByPage) {
  Prepared P;
  P.Fill({{u"Alpha", u"nothing"}, {u"beta ALPHA", u"alpha again"}, {u"gamma"}});
  TrepPreview V;
  V.Workspace().Resize(850, 600);
  V.Init(P.Report.get(), &P.Pages());

  EXPECT_TRUE(V.FindText(u"alpha", true, false));
  EXPECT_EQ(V.Search().LastFoundPage, 0);
  EXPECT_TRUE(V.AllowF3);
  EXPECT_GT(V.Search().FoundRect.Right, V.Search().FoundRect.Left);
  // The next step skips the hit already reported.
  EXPECT_TRUE(V.FindNext());
  EXPECT_EQ(V.Search().LastFoundPage, 1);
  EXPECT_EQ(V.Search().LastHitRecord, 0);
  EXPECT_TRUE(V.FindNext());
  EXPECT_EQ(V.Search().LastFoundPage, 1);
  EXPECT_GT(V.Search().LastHitRecord, 0);
  EXPECT_FALSE(V.FindNext());
  EXPECT_FALSE(V.AllowF3);

  EXPECT_FALSE(V.FindText(u"aLPHA", true, true));
  EXPECT_TRUE(V.FindText(u"ALPHA", true, true));
  EXPECT_EQ(V.Search().LastFoundPage, 1);
  EXPECT_TRUE(V.FindText(u"again", false, false));  // from the current page on

  TrepSearchState All;
  All.Text = u"alpha";
  All.FindAll = true;
  EXPECT_TRUE(repSearchPages(P.Pages(), All));
  EXPECT_EQ(All.Hits.size(), 3u);
  EXPECT_EQ(All.HitPages, (std::vector<int>{0, 1}));
  EXPECT_EQ(All.Hits[1].Snippet, u"beta ALPHA");
  // Choosing a result scrolls its hit into view.
  V.Workspace().SetVertPosition(0);
  V.ShowSearchHit(All.Hits[2]);
  EXPECT_TRUE(V.FindTextFound());
  EXPECT_EQ(V.Search().LastFoundPage, 1);
  EXPECT_GT(V.Workspace().VertPosition(), 0);
}

TEST(PreviewControl, RubberBandSelectsTheViewsInside) {
  Prepared P;
  P.Fill({{u"inside"}});
  P.Report->PreviewOptions.Buttons.Include(pbSelection);
  TrepPreview V;
  V.Workspace().Resize(850, 600);
  V.Init(P.Report.get(), &P.Pages());
  const gfx::TRect Page = V.Workspace().PageList().GetPageBounds(0, 850, 1, false);
  // The memo stands at (10, 5) inside the margins (top margin 10 mm), 300 x 20.
  const int Top = Page.Top + RoundHalfEven(10 * 3.77953);
  V.SelectRubberBand({Page.Left + 330, Top + 40, Page.Left + 5, Top - 5}, Page.Left + 5, Top);
  ASSERT_EQ(V.SelectionList().Count(), 1);
  EXPECT_NE(dynamic_cast<TrepMemoView*>(V.SelectionList().Items(0)), nullptr);
  V.SelectionList().Clear();
  V.SelectRubberBand({Page.Left + 20, Top, Page.Left + 330, Top + 40}, Page.Left + 20, Top);  // cuts the memo
  EXPECT_EQ(V.SelectionList().Count(), 0);
  P.Report->PreviewOptions.Buttons.Exclude(pbSelection);
  V.SelectRubberBand({Page.Left + 330, Top + 40, Page.Left + 5, Top - 5}, Page.Left + 5, Top);
  EXPECT_EQ(V.SelectionList().Count(), 0);
}

TEST(PageSettings, UnitsPaperAndApply) {
  Start();
  TrepReportPage Page(nullptr);
  Page.SetPaperWidth(210);
  TrepPageSettings S(&Page, duInches);
  EXPECT_EQ(S.Shown(210), "8.27");
  EXPECT_EQ(S.Shown(254), "10");
  EXPECT_EQ(S.UnitLabel(), "in");
  EXPECT_DOUBLE_EQ(S.FromUnits(10), 254);
  TrepPageSettings Cm(&Page);
  EXPECT_EQ(Cm.Shown(210), "21");

  EXPECT_EQ(S.PaperSize, 256);  // the page's own size
  bool ListsA4 = false;
  for (const auto& [Name, Number] : TrepPageSettings::PaperNames()) ListsA4 = ListsA4 || Number == 9;
  EXPECT_TRUE(ListsA4);
  Page.SetPaperSize(9);
  EXPECT_EQ(TrepPageSettings(&Page).PaperSize, 9);
  S.PaperChosen(9);
  EXPECT_EQ(S.PaperSize, 9);
  S.SizeEdited(100, 150);
  EXPECT_EQ(S.PaperSize, 256);
  S.PaperChosen(9);
  EXPECT_DOUBLE_EQ(S.PaperWidth, 210);
  EXPECT_DOUBLE_EQ(S.PaperHeight, 297);
  S.OrientationChosen(poLandscape);
  S.LeftMargin = 15;
  // Nothing reaches the page before Apply (Cancel never applies).
  EXPECT_EQ(Page.Orientation(), poPortrait);
  S.Apply(&Page);
  EXPECT_EQ(Page.Orientation(), poLandscape);
  EXPECT_DOUBLE_EQ(Page.PaperWidth(), 297);
  EXPECT_EQ(Page.PaperSize(), 9);
  EXPECT_EQ(Page.LeftMargin, 15);
}

TEST(PageSettings, AppliedToEveryPageOfTheReport) {
  Prepared P;
  (new TrepReportPage(P.Report.get()))->SetName("Page2");
  TrepReportPage Settings(nullptr);
  Settings.SetOrientation(poLandscape);
  Settings.LeftMargin = 25;
  TrepPreview V;
  V.Report = P.Report.get();
  V.ApplyPageSettings(&Settings, true);
  // Preparing reads the template back, so the pages are found again by name.
  for (const char* Name : {"Page1", "Page2"}) {
    auto* Pg = dynamic_cast<TrepReportPage*>(P.Report->FindObject(Name));
    ASSERT_NE(Pg, nullptr) << Name;
    EXPECT_EQ(Pg->Orientation(), poLandscape);
    EXPECT_EQ(Pg->LeftMargin, 25);
  }
}
