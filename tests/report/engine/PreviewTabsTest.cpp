// The preview control's tabs and its answers to the prepared pages: detail pages and detail
// reports opening in tabs of their own and prepared again there, each tab keeping its zoom and
// page, closing tabs, reports going before the control, hyperlink jumps and texts, printing and the print button.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repInPlaceEditors.h"
#include "report/engine/repPreview.h"
#include "report/engine/repPreviewForm.h"
#include "report/engine/repPreviewLayout.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/engine/A4Page.h"

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

// A page on A4 with 10 mm margins whose header holds one memo at (0, 0), 100 by 20.
TrepMemoView* AddPage(TrepReport& R, const char* PageName, const char* MemoName) {
  auto* Page = a4page::New(R, PageName);
  auto* Header = new TrepPageHeader(Page);
  Header->SetName(std::string("Header") + PageName);
  Header->SetBounds(0, 0, 700, 50);
  return a4page::Memo(Header, MemoName, 0, 0, 100, 20, u"text");
}

// A second report, "Other", of one prepared page.
void PrepareOther(TrepReport& Other) {
  Other.EngineOptions.SilentMode = simSilent;
  Other.SetName("Other");
  AddPage(Other, "Page1", "OtherMemo");
  ASSERT_TRUE(Other.PrepareReport());
}

// A report of three pages (Page1, Page2, Page3) and a hidden page DetailPage, shown in a
// TrepPreview of 850 by 600.
struct PreviewTabs : ::testing::Test {
  struct TStarted {
    TStarted() { Start(); }
  } Started;
  std::unique_ptr<TrepReport> R = std::make_unique<TrepReport>(nullptr);
  std::unique_ptr<TrepPreview> V = std::make_unique<TrepPreview>();
  TrepCustomPreviewPages* Main = nullptr;

  PreviewTabs() {
    R->EngineOptions.SilentMode = simSilent;
    R->EngineOptions.DestroyForms = false;
    AddPage(*R, "Page1", "MemoA");
    AddPage(*R, "Page2", "MemoB");
    AddPage(*R, "Page3", "MemoC");
    TrepMemoView* D = AddPage(*R, "DetailPage", "DetailMemo");
    dynamic_cast<TrepReportPage*>(D->Parent()->Parent())->SetVisible(false);
  }
  void SetUp() override {
    ASSERT_TRUE(R->PrepareReport()) << R->Errors().Text();
    Main = R->PreviewPages();
    ASSERT_EQ(Main->Count(), 3);
    V->Workspace().Resize(850, 600);
    R->SetPreview(V.get());
  }
  void TearDown() override { V.reset(); }

  // The first prepared view named Name on the page the control shows first.
  TrepView* Shown(const char* Name) {
    for (TrepComponent* C : V->PreviewPages()->GetPage(0)->AllObjects())
      if (C->Name() == Name) return dynamic_cast<TrepView*>(C);
    return nullptr;
  }
  // A mouse event on the memo at page pixel (10, 10) of the first page the control shows.
  void Mouse(TrepMouseIntEvents Event, double X = 10, double Y = 10) {
    TrepPreviewIntEventParams P;
    P.MouseEventType = Event;
    const double M = 10 * fr01cm;
    V->PreviewPages()->ObjectOver(0, static_cast<int>(X + M + 0.5), static_cast<int>(Y + M + 0.5), rt::mbLeft, 0, 1,
                                  0, 0, P);
  }
  void Click() {
    Mouse(meMouseMove);
    Mouse(meClick);
  }
  void Link(const char* Memo, TrepHyperlinkKind Kind, const char* Value, const char* DetailPage = "",
            const char* Caption = "") {
    TrepView* M = Shown(Memo);
    ASSERT_NE(M, nullptr) << Memo;
    M->Hyperlink().Kind = Kind;
    M->Hyperlink().Value = Value;
    M->Hyperlink().DetailPage = DetailPage;
    M->Hyperlink().TabCaption = Caption;
  }
};

TEST_F(PreviewTabs, TheFirstAttachmentMakesOneTabWithoutAStrip) {
  ASSERT_EQ(V->TabCount(), 1);
  EXPECT_EQ(V->Tab(0).Report, R.get());
  EXPECT_EQ(V->Tab(0).PreviewPages, Main);
  EXPECT_FALSE(V->HasVisibleTabs());
  EXPECT_FALSE(V->ShowsTabs());
  EXPECT_FALSE(V->TabClosable(0));
  // Tab 0 cannot be closed: it is the report first attached.
  V->RemoveTab(0);
  EXPECT_EQ(V->TabCount(), 1);
}

TEST_F(PreviewTabs, ADetailPageOpensInItsTabAndIsPreparedThereAgain) {
  Link("MemoA", hkDetailPage, "details", "DetailPage", "More");
  Click();
  ASSERT_EQ(V->TabCount(), 2);
  EXPECT_EQ(V->CurrentTab(), 1);
  EXPECT_TRUE(V->HasVisibleTabs());
  EXPECT_TRUE(V->TabClosable(1));
  EXPECT_TRUE(V->HasTab("details"));
  EXPECT_FALSE(V->HasTab("Details"));
  const TrepPreviewTabItem& T = V->Tab(1);
  EXPECT_EQ(T.Caption, "More");
  EXPECT_EQ(T.DetailPage, "DetailPage");
  // The control shows the tab's own pages: the detail page alone.
  EXPECT_NE(V->PreviewPages(), Main);
  EXPECT_EQ(V->PageCount(), 1);
  EXPECT_NE(Shown("DetailMemo"), nullptr);
  EXPECT_EQ(V->PageNo(), 1);
  // The report keeps its own pages and answers to the control.
  EXPECT_EQ(R->PreviewPages(), Main);
  EXPECT_EQ(Main->Count(), 3);
  EXPECT_EQ(R->Preview(), V.get());

  // Prepared again on its tab: the detail page alone into the tab's pages, the report's own
  // pages untouched.
  TrepCustomPreviewPages* TabPages = V->PreviewPages();
  V->RefreshReport();
  EXPECT_EQ(V->PreviewPages(), TabPages);
  EXPECT_EQ(V->PageCount(), 1);
  EXPECT_NE(Shown("DetailMemo"), nullptr);
  EXPECT_EQ(R->PreviewPages(), Main);
  EXPECT_EQ(Main->Count(), 3);
  EXPECT_FALSE(V->Locked());

  // The same link from the first tab switches to the open tab instead of adding one.
  V->SetCurrentTab(0);
  EXPECT_EQ(V->PreviewPages(), Main);
  Link("MemoA", hkDetailPage, "details", "DetailPage", "More");
  Click();
  EXPECT_EQ(V->TabCount(), 2);
  EXPECT_EQ(V->CurrentTab(), 1);

  // Closing it shows the first tab; the strip goes with the second tab.
  V->RemoveTab(1);
  EXPECT_EQ(V->TabCount(), 1);
  EXPECT_EQ(V->CurrentTab(), 0);
  EXPECT_FALSE(V->HasVisibleTabs());
  EXPECT_EQ(V->PreviewPages(), Main);
  EXPECT_EQ(V->PageCount(), 3);
}

TEST_F(PreviewTabs, ADrillDownOnADetailTabPreparesThatTabAgain) {
  auto* Detail = dynamic_cast<TrepReportPage*>(R->FindObject("DetailPage"));
  ASSERT_NE(Detail, nullptr);
  auto* GH = new TrepGroupHeader(Detail);
  GH->SetName("GroupHeader1");
  GH->SetBounds(0, 60, 700, 20);
  GH->Condition = "1";
  GH->DrillDown = true;
  auto* GM = new TrepMemoView(GH);
  GM->SetName("GroupMemo");
  GM->SetBounds(0, 0, 100, 20);
  GM->SetText(u"group");
  auto* Data = new TrepMasterData(Detail);
  Data->SetName("MasterData1");
  Data->SetBounds(0, 100, 700, 20);
  Data->SetRowCount(1);
  auto* DM = new TrepMemoView(Data);
  DM->SetName("RowMemo");
  DM->SetBounds(0, 0, 100, 20);
  DM->SetText(u"row");

  Link("MemoA", hkDetailPage, "details", "DetailPage", "");
  Click();
  ASSERT_EQ(V->CurrentTab(), 1);
  TrepCustomPreviewPages* TabPages = V->PreviewPages();
  TrepView* G = Shown("GroupMemo");
  ASSERT_NE(G, nullptr);
  // Collapsed by default: the row is not there until the header is clicked.
  EXPECT_EQ(Shown("RowMemo"), nullptr);
  const double Y = G->AbsTop() + 5;
  Mouse(meMouseMove, 10, Y);
  Mouse(meClick, 10, Y);
  EXPECT_EQ(R->DrillState().Count(), 1);
  // The tab's own pages were prepared again, with the group expanded; the report's stayed.
  EXPECT_EQ(V->CurrentTab(), 1);
  EXPECT_EQ(V->PreviewPages(), TabPages);
  EXPECT_NE(Shown("RowMemo"), nullptr);
  EXPECT_EQ(R->PreviewPages(), Main);
  EXPECT_EQ(Main->Count(), 3);
  EXPECT_FALSE(V->Locked());
}

TEST_F(PreviewTabs, ADetailPageLinkOnADetailTabOpensAThirdTab) {
  Link("MemoA", hkDetailPage, "details", "DetailPage", "");
  Click();
  ASSERT_EQ(V->CurrentTab(), 1);
  EXPECT_EQ(V->Tab(1).Caption, "details");
  // On the detail tab's page a link to the same page under another name.
  Link("DetailMemo", hkDetailPage, "again", "DetailPage", "Again");
  Click();
  ASSERT_EQ(V->TabCount(), 3);
  EXPECT_EQ(V->CurrentTab(), 2);
  // The report went back to its own pages, not to the store the click came from.
  EXPECT_EQ(R->PreviewPages(), Main);
  V->RemoveTab(1);
  EXPECT_EQ(V->TabCount(), 2);
  EXPECT_EQ(V->CurrentTab(), 1);
  EXPECT_EQ(V->Tab(1).Name, "again");
  EXPECT_EQ(V->PageCount(), 1);
}

TEST_F(PreviewTabs, EachTabKeepsItsZoomAndPage) {
  V->SetZoom(0.5);
  V->SetPageNo(3);
  Link("MemoA", hkDetailPage, "details", "DetailPage", "");
  // The link is on page 1: show it without moving the control's page.
  V->SetPageNo(1);
  Click();
  ASSERT_EQ(V->CurrentTab(), 1);
  EXPECT_DOUBLE_EQ(V->Zoom(), 0.5);  // a new tab starts at the control's zoom
  V->SetZoom(2);
  V->SwitchToTab(R->Name());
  ASSERT_EQ(V->CurrentTab(), 0);
  EXPECT_DOUBLE_EQ(V->Zoom(), 0.5);
  EXPECT_EQ(V->PageNo(), 1);
  V->SetPageNo(3);
  const int Top = V->Workspace().VertPosition();
  V->SwitchToTab("details");
  EXPECT_DOUBLE_EQ(V->Zoom(), 2);
  EXPECT_EQ(V->PageNo(), 1);
  V->SetCurrentTab(0);
  // Page 3 shares its row with nothing else here, but the place comes back exactly.
  EXPECT_EQ(V->PageNo(), 3);
  EXPECT_EQ(V->Workspace().VertPosition(), Top);
  // A zoom mode is what a tab keeps, not the zoom it last gave.
  V->SetZoomMode(zmPageWidth);
  V->SwitchToTab("details");
  V->SwitchToTab(R->Name());
  EXPECT_EQ(V->ZoomMode(), zmPageWidth);
}

TEST_F(PreviewTabs, ADetailReportBelongsToItsTab) {
  std::string Asked;
  TrepReport* Made = nullptr;
  R->OnLoadDetailTemplate = [&](TrepReport* Detail, const std::string& Name, const TrepHyperlink&) {
    Asked = Name;
    Made = Detail;
    Detail->EngineOptions.SilentMode = simSilent;
    AddPage(*Detail, "Page1", "Inner");
    AddPage(*Detail, "Page2", "Inner2");
    return true;
  };
  Link("MemoA", hkDetailReport, "sub", "", "Sub report");
  Shown("MemoA")->Hyperlink().DetailReport = "sub.xml";
  Click();
  EXPECT_EQ(Asked, "sub.xml");
  ASSERT_EQ(V->TabCount(), 2);
  ASSERT_NE(Made, nullptr);
  EXPECT_EQ(V->Tab(1).Report, Made);
  EXPECT_EQ(V->Report, Made);
  EXPECT_EQ(Made->Preview(), V.get());
  EXPECT_EQ(V->PageCount(), 2);
  EXPECT_EQ(V->Tab(1).Caption, "Sub report");
  // Prepared again on its tab: the detail report itself.
  V->RefreshReport();
  EXPECT_EQ(V->PageCount(), 2);
  EXPECT_EQ(Main->Count(), 3);
  // Back on the first tab the root report is the control's again.
  V->SetCurrentTab(0);
  EXPECT_EQ(V->Report, R.get());
  // Closing the tab frees the detail report (the sanitizer sees a leak or a dangling use).
  V->RemoveTab(1);
  EXPECT_EQ(V->TabCount(), 1);
  EXPECT_EQ(R->Preview(), V.get());
}

TEST_F(PreviewTabs, AReportFreedBeforeTheControlTakesItsTabsAlong) {
  Link("MemoA", hkDetailPage, "details", "DetailPage", "");
  Click();
  ASSERT_EQ(V->TabCount(), 2);
  // The detail tab's pages refer to the report: they go with it.
  R.reset();
  EXPECT_EQ(V->TabCount(), 0);
  EXPECT_FALSE(V->Initialized());
  EXPECT_EQ(V->PreviewPages(), nullptr);
  EXPECT_EQ(V->Report, nullptr);
  EXPECT_EQ(V->PageCount(), 0);
}

TEST_F(PreviewTabs, EachReportInItsOwnTab) {
  V->EachReportInTab = true;
  TrepReport Other(nullptr);
  ASSERT_NO_FATAL_FAILURE(PrepareOther(Other));
  Other.SetPreview(V.get());
  ASSERT_EQ(V->TabCount(), 2);
  EXPECT_EQ(V->Tab(1).Name, "Other");
  EXPECT_EQ(V->CurrentTab(), 1);
  EXPECT_EQ(V->PageCount(), 1);
  V->SetCurrentTab(0);
  // Attached again: its tab is shown, no second one is made.
  Other.SetPreview(V.get());
  EXPECT_EQ(V->TabCount(), 2);
  EXPECT_EQ(V->CurrentTab(), 1);
  Other.SetPreview(nullptr);
  V->RemoveTab(1);
}

TEST_F(PreviewTabs, AReportFreedWhileDetachedLosesItsTab) {
  V->EachReportInTab = true;
  {
    TrepReport Other(nullptr);
    ASSERT_NO_FATAL_FAILURE(PrepareOther(Other));
    Other.SetPreview(V.get());
    ASSERT_EQ(V->CurrentTab(), 1);
    // Detached, it cannot tell the control when it goes.
    Other.SetPreview(nullptr);
  }
  EXPECT_FALSE(V->HasTab("Other"));
  V->SwitchToTab("Other");
  EXPECT_EQ(V->TabCount(), 1);
  EXPECT_EQ(V->CurrentTab(), 0);
  EXPECT_EQ(V->Report, R.get());
  EXPECT_EQ(V->PreviewPages(), Main);
  EXPECT_EQ(V->PageCount(), 3);
}

TEST_F(PreviewTabs, HyperlinksMoveTheControlAndReachTheHost) {
  V->SetZoom(0.5);
  std::vector<std::string> Opened;
  V->OnOpenURL = [&](TrepPreview*, const std::string& URL) { Opened.push_back(URL); };
  struct Case {
    TrepHyperlinkKind Kind;
    const char* Value;
    int Page;
  } Cases[] = {{hkPageNumber, "3", 3}, {hkPageNumber, "99", 3}, {hkPageNumber, "2", 2}, {hkAnchor, "top", 1}};
  R->Engine()->CurY = 0;
  static_cast<TrepPreviewPages*>(Main)->CurPage = 0;
  static_cast<TrepPreviewPages*>(Main)->AddAnchor("top");
  for (const Case& C : Cases) {
    V->SetPageNo(1);
    Link("MemoA", C.Kind, C.Value);
    Mouse(meMouseMove);
    EXPECT_EQ(V->MessageText(), C.Value);
    V->SetPageNo(1);
    Mouse(meClick);
    EXPECT_EQ(V->PageNo(), C.Page) << C.Value;
    EXPECT_EQ(V->TabCount(), 1);
  }
  Link("MemoA", hkURL, "https://example.org/");
  V->SetPageNo(1);
  Click();
  EXPECT_EQ(Opened, std::vector<std::string>{"https://example.org/"});
  // Leaving the object clears the message line.
  TrepPreviewIntEventParams P;
  P.MouseEventType = meMouseMove;
  V->PreviewPages()->ObjectOver(0, 600, 600, rt::mbLeft, 0, 1, 0, 0, P);
  EXPECT_EQ(V->MessageText(), "");
}

TEST_F(PreviewTabs, PrintingLeavesTheControlUnlocked) {
  V->SetPageNo(2);
  // No physical printer here: nothing prints, and the control is usable afterwards.
  EXPECT_FALSE(V->Print());
  EXPECT_FALSE(V->Locked());
  EXPECT_EQ(Main->CurPreviewPage, 2);
  TrepPreview Empty;
  EXPECT_FALSE(Empty.Print());
}

TEST_F(PreviewTabs, ThePrintButtonPrintsOnlyWhenShownAndUsable) {
  V->SetPageNo(3);
  Main->CurPreviewPage = 1;
  R->PreviewOptions.Buttons.Exclude(pbPrint);
  EXPECT_TRUE(repPreviewCommands(*V).PageTools);
  EXPECT_FALSE(repPreviewPrintClick(*V));
  EXPECT_EQ(Main->CurPreviewPage, 1) << "a hidden button prints nothing";
  R->PreviewOptions.Buttons.Include(pbPrint);
  repPreviewPrintClick(*V);
  EXPECT_EQ(Main->CurPreviewPage, 3);
  EXPECT_FALSE(V->Locked());
  // Without pages the command is not usable.
  Main->CurPreviewPage = 1;
  V->Clear();
  EXPECT_FALSE(repPreviewCommands(*V).PageTools);
  EXPECT_FALSE(repPreviewPrintClick(*V));
  EXPECT_EQ(Main->CurPreviewPage, 1);
}

} // namespace
