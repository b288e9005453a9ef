// The report viewer through its handlers: opening the sizing report and files, saving, damaged
// files, zoom modes, the cap on drawn pages, preparation off the request with Cancel, hyperlinks,
// page settings, print and export through the filter's options window.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "platform/gfx/Picture.h"
#include "platform/web/Cache.h"
#include "report/engine/repClass.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repInPlaceCopyPaste.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repStartup.h"
#include "report/pdf/repExportPDF.h"
#include "tests/report/EngineSetup.h"
#include "webapp/ServerController.h"
#include "webapp/ViewerForm.h"

using namespace web;
using namespace std::chrono_literals;

namespace {

// A template of Rows rows, two to a page, a link in the page header and a word on page 3.
std::string RowsTemplate(int Rows) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><TrepReport Name=\"Rows\" ScriptLanguage=\"PascalScript\">"
         "<TrepReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\" PaperSize=\"9\" LeftMargin=\"10\" "
         "RightMargin=\"10\" TopMargin=\"10\" BottomMargin=\"10\"><TrepPageHeader Name=\"PageHeader1\" Left=\"0\" "
         "Top=\"0\" Width=\"700\" Height=\"40\"><TrepMemoView Name=\"Link\" Left=\"400\" Top=\"0\" Width=\"200\" "
         "Height=\"20\" Text=\"Visit the maker\" Hyperlink.Kind=\"hkURL\" Hyperlink.Value=\"https://example.com/valves\"/>"
         "</TrepPageHeader><TrepMasterData Name=\"MasterData1\" Left=\"0\" Top=\"100\" Width=\"700\" Height=\"480\" "
         "RowCount=\"" +
         std::to_string(Rows) +
         "\"><TrepMemoView Name=\"Row\" Left=\"0\" Top=\"0\" Width=\"300\" Height=\"20\" Text=\"Row [Line#] "
         "[IIF(&lt;Line#&gt; = 5, 'Zebrafish', '')]\"/></TrepMasterData></TrepReportPage></TrepReport>";
}

// One page: a title with a hint it does not show, a link with a hint, a row that opens a
// detail page in a tab of its own, and that detail page.
std::string HintTemplate() {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><TrepReport Name=\"Hints\" ScriptLanguage=\"PascalScript\">"
         "<TrepReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\" PaperSize=\"9\" LeftMargin=\"10\" "
         "RightMargin=\"10\" TopMargin=\"10\" BottomMargin=\"10\"><TrepPageHeader Name=\"PageHeader1\" Left=\"0\" "
         "Top=\"0\" Width=\"700\" Height=\"40\"><TrepMemoView Name=\"Title\" Left=\"0\" Top=\"0\" Width=\"300\" "
         "Height=\"20\" Text=\"Hints\" Hint=\"Not shown\"/><TrepMemoView Name=\"Link\" Left=\"400\" Top=\"0\" "
         "Width=\"200\" Height=\"20\" Text=\"Visit the maker\" Hint=\"Maker &lt;site&gt;|Opens the maker's site\" "
         "ShowHint=\"True\" Hyperlink.Kind=\"hkURL\" Hyperlink.Value=\"https://example.com/valves\"/>"
         "</TrepPageHeader><TrepMasterData Name=\"MasterData1\" Left=\"0\" Top=\"100\" Width=\"700\" Height=\"30\" "
         "RowCount=\"1\"><TrepMemoView Name=\"Row\" Left=\"0\" Top=\"0\" Width=\"300\" Height=\"20\" "
         "Text=\"Details\" Hyperlink.Kind=\"hkDetailPage\" Hyperlink.Value=\"Detail\" Hyperlink.DetailPage=\"Page2\"/>"
         "</TrepMasterData></TrepReportPage><TrepReportPage Name=\"Page2\" Visible=\"False\" PaperWidth=\"210\" "
         "PaperHeight=\"297\" PaperSize=\"9\"><TrepMasterData Name=\"MasterData2\" Left=\"0\" Top=\"0\" Width=\"700\" "
         "Height=\"30\" RowCount=\"1\"><TrepMemoView Name=\"DetailRow\" Left=\"0\" Top=\"0\" Width=\"300\" "
         "Height=\"20\" Text=\"The details\"/></TrepMasterData></TrepReportPage></TrepReport>";
}

// Pixels of a page at zoom Z: the 10 mm margin, then the object's own place.
int At(double Z, double Px) { return static_cast<int>(std::lround(Px * Z)) + static_cast<int>(std::lround(10 * 3.77953 * Z)); }

class Viewer : public ::testing::Test {
protected:
  void SetUp() override {
    enginesetup::StartReportRoad();
    app = std::make_unique<TIWApplication>();
    TIWServerController controller;
    controller.OnNewSession(*app);
    app->BeginRequest(TIWRequest{}, 1300);
    scope = std::make_unique<TCurrentApplicationScope>(app.get());
    v = static_cast<webapp::TrepPreviewForm*>(webapp::CreateViewerForm(*app));
    v->Show();
    webapp::SetAuthorMode(true);
  }
  void TearDown() override {
    webapp::SetAuthorMode(false);
    scope.reset();
    app.reset();
  }
  // Polls as the page's timer does until the work has ended.
  void Settle(std::chrono::milliseconds Limit = 120s) {
    const auto Until = std::chrono::steady_clock::now() + Limit;
    while (v->Preparing() && std::chrono::steady_clock::now() < Until) {
      std::this_thread::sleep_for(5ms);
      if (!v->Worker().Question().empty()) return;
    }
    v->ProgressTimerTick();
  }
  void OpenRows(int Rows) {
    ASSERT_TRUE(v->OpenFile("rows.xml", RowsTemplate(Rows)));
    Settle();
    v->UpdateView();
    app->TakeMessages();
  }
  // The bytes behind an address of the temporary files.
  static std::string Fetch(const std::string& Url) {
    auto E = TIWAppCache::Take(Url.substr(std::string(TIWAppCache::UrlPrefix).size()));
    return E ? E->Bytes : std::string();
  }
  static int PdfPages(const std::string& Pdf) {
    int N = 0;
    for (std::size_t P = Pdf.find("/Type /Page"); P != std::string::npos; P = Pdf.find("/Type /Page", P + 1))
      if (Pdf.compare(P, 12, "/Type /Pages") != 0) ++N;
    return N;
  }
  std::unique_ptr<TIWApplication> app;
  std::unique_ptr<TCurrentApplicationScope> scope;
  webapp::TrepPreviewForm* v = nullptr;
};

}  // namespace

TEST_F(Viewer, TheSizingTemplatePreparesOffTheRequestAndShowsItsPages) {
  v->OpenSizingTemplate();
  Settle();
  ASSERT_GE(v->Preview().PageCount(), 1) << (app->TakeMessages().empty() ? "" : "message");
  v->UpdateView();
  ASSERT_FALSE(v->PagesShown().empty());
  EXPECT_EQ(v->PagesShown()[0], 0);
  EXPECT_EQ(v->PageImages[0]->PictureURL().rfind("/cache/", 0), 0u);
  EXPECT_EQ(v->StatusBar->Caption, "Page 1 of " + std::to_string(v->Preview().PageCount()));
}

TEST_F(Viewer, ASavedFileOpensAgainByteForByte) {
  OpenRows(10);
  const std::string First = v->SavedBytes();
  ASSERT_NE(First.find("<preparedreport"), std::string::npos);
  ASSERT_TRUE(v->OpenFile("rows.rp3", First));
  EXPECT_EQ(v->Preview().PageCount(), 5);
  EXPECT_EQ(v->SavedBytes(), First);
}

TEST_F(Viewer, DamagedOrForeignFilesGiveOneMessageAndAnEmptyViewer) {
  OpenRows(4);
  const std::string Good = v->SavedBytes();
  std::string Deep = "<?xml version=\"1.0\"?><preparedreport>";
  for (int I = 0; I < 5000; ++I) Deep += "<a>";
  struct Case {
    const char* Name;
    std::string Bytes;
    bool Author;
  } Cases[] = {
      {"cut in half", Good.substr(0, Good.size() / 2), false},
      {"not XML", "PK\x03\x04 this is a zip", false},
      {"empty", "", false},
      {"nested deeper than the reader allows", Deep, false},
      {"a template without author mode", RowsTemplate(3), false},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    OpenRows(4);
    webapp::SetAuthorMode(C.Author);
    EXPECT_FALSE(v->OpenFile("upload.rp3", C.Bytes));
    webapp::SetAuthorMode(true);
    const auto Messages = app->TakeMessages();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].rfind("The file upload.rp3 cannot be opened: ", 0), 0u) << Messages[0];
    EXPECT_EQ(v->Preview().PageCount(), 0);
    EXPECT_EQ(v->Report(), nullptr);
    v->UpdateView();
    EXPECT_TRUE(v->PagesShown().empty());
  }
}

TEST_F(Viewer, ZoomModesSizeThePagesByTheWorkspace) {
  OpenRows(6);
  v->UpdateView();
  const int W = v->WorkspaceWidth(), H = v->WorkspaceHeight();
  const gfx::TPoint Size = v->Report()->PreviewPages()->GetPageSize(0);
  v->ZoomCB->ItemIndex = 6;  // page width
  v->ZoomCBClick();
  EXPECT_DOUBLE_EQ(v->Preview().Zoom(), static_cast<double>(W - 17 - 26) / Size.X);
  v->ZoomCB->ItemIndex = 7;  // whole page: the smaller factor, with the scroll bar (three pages)
  v->ZoomCBClick();
  EXPECT_DOUBLE_EQ(v->Preview().Zoom(), std::min(static_cast<double>(W - 17 - 26) / Size.X, static_cast<double>(H - 26) / Size.Y));
  v->ZoomE->Text = "150 %";
  v->ZoomEClick();
  EXPECT_DOUBLE_EQ(v->Preview().Zoom(), 1.5);
  EXPECT_EQ(v->PageImages[0]->Width, static_cast<int>(std::lround(1.5 * Size.X)));
  for (const char* Bad : {"abc", "5", "5000", "nan"}) {
    v->ZoomE->Text = Bad;
    v->ZoomEClick();
    EXPECT_EQ(app->TakeMessages().size(), 1u) << Bad;
    EXPECT_DOUBLE_EQ(v->Preview().Zoom(), 1.5) << Bad;
  }
  v->PageE->Text = "9";
  v->PageEClick();
  EXPECT_EQ(app->TakeMessages().size(), 1u) << "a page number past the last is reported";
  v->PageE->Text = "2";
  v->PageEClick();
  EXPECT_EQ(v->Preview().PageNo(), 2);
}

TEST_F(Viewer, OnlyPagesInViewAreDrawnAndTheHeldPicturesAreCapped) {
  OpenRows(80);
  ASSERT_EQ(v->Preview().PageCount(), 40);
  v->UpdateView();
  EXPECT_LE(static_cast<int>(v->PagesShown().size()), webapp::MaxPagesInReply);
  for (int I = 0; I < 30; ++I) {
    v->NextB->OnClick(v->NextB);
    EXPECT_LE(v->RenderedPagesHeld(), webapp::MaxRenderedPages);
  }
  EXPECT_EQ(v->Preview().PageNo(), 31);
  const auto& Shown = v->PagesShown();
  EXPECT_NE(std::find(Shown.begin(), Shown.end(), 30), Shown.end());
  v->FormKeyDown(35, 0);  // End
  EXPECT_EQ(v->Preview().PageNo(), 40);
}

TEST_F(Viewer, CancelStopsALongPreparationWithinASecondAndKeepsItsPages) {
  ASSERT_TRUE(v->OpenFile("long.xml", RowsTemplate(20000)));
  const auto Until = std::chrono::steady_clock::now() + 60s;
  while (v->Worker().ProgressCount() < 20 && std::chrono::steady_clock::now() < Until) std::this_thread::sleep_for(5ms);
  ASSERT_TRUE(v->Preparing());
  v->UpdateView();
  EXPECT_TRUE(v->ProgressPanel->Visible);
  EXPECT_EQ(v->LMessage->Caption.rfind("Preparing page ", 0), 0u) << v->LMessage->Caption;
  EXPECT_FALSE(v->PagesShown().empty()) << "a finished page shows while the report runs";
  const auto Asked = std::chrono::steady_clock::now();
  v->CancelBClick();
  v->Worker().Wait();
  EXPECT_LT(std::chrono::steady_clock::now() - Asked, 1s);
  v->ProgressTimerTick();
  EXPECT_FALSE(v->ProgressPanel->Visible);
  EXPECT_GT(v->Preview().PageCount(), 0);
  EXPECT_LT(v->Preview().PageCount(), 10000);
}

TEST_F(Viewer, AHyperlinkOpensItsAddressInANewBrowserWindow) {
  OpenRows(2);
  app->TakeInitProcs();
  const double Z = v->Preview().Zoom();
  // The link memo: 10 mm margin, then 400 pixels into the page header.
  const int X = static_cast<int>((10 * 3.77953 + 450) * Z), Y = static_cast<int>((10 * 3.77953 + 10) * Z);
  v->PageClick(0, X, Y, 0);
  const auto Init = app->TakeInitProcs();
  ASSERT_EQ(Init.size(), 1u);
  EXPECT_NE(Init[0].find("NewWindow(\"https://example.com/valves\""), std::string::npos) << Init[0];
}

TEST_F(Viewer, FindMarksTheWordOnItsPageAndGoesBack) {
  OpenRows(10);
  v->edtFind->Text = "zebrafish";
  v->FindTextClick();
  EXPECT_EQ(v->Preview().Search().LastFoundPage, 2) << "row 5 is on page 3";
  EXPECT_TRUE(v->FoundMark->Visible);
  v->FindNextClick();
  const auto NotFound = app->TakeMessages();
  ASSERT_EQ(NotFound.size(), 1u) << "one hit only: " << (NotFound.empty() ? "" : NotFound[0] + " / " + NotFound.back());
  v->edtFind->Text = "Row";
  v->Preview().SetPageNo(2);
  v->FindTextClick();
  EXPECT_EQ(v->Preview().Search().LastFoundPage, 1);
  v->FindPriorClick();
  EXPECT_EQ(v->Preview().Search().LastFoundPage, 0);
}

TEST_F(Viewer, PageSettingsToA4LandscapePrepareTheReportAgain) {
  OpenRows(6);
  v->ShowPanel("PageSettingsPanel");
  auto* Size = dynamic_cast<TIWComboBox*>(v->FindControl("SizeCB"));
  ASSERT_NE(Size, nullptr);
  Size->SetText("A4");
  ASSERT_GE(Size->ItemIndex, 0);
  dynamic_cast<TIWRadioButton*>(v->FindControl("LandscapeRB"))->SetChecked(true);
  dynamic_cast<TIWRadioButton*>(v->FindControl("ApplyToAllRB"))->SetChecked(true);
  dynamic_cast<TIWEdit*>(v->FindControl("WidthE"))->Text = "29.7";
  dynamic_cast<TIWEdit*>(v->FindControl("HeightE"))->Text = "21";
  v->PageSettingsOK();
  Settle();
  const gfx::TPoint Size0 = v->Report()->PreviewPages()->GetPageSize(0);
  EXPECT_GT(Size0.X, Size0.Y) << "landscape pages";
  EXPECT_EQ(Size0.X, static_cast<int>(std::lround(297 * 3.77953)));
}

TEST_F(Viewer, PrintOfARangeIsAPdfOfExactlyThosePages) {
  OpenRows(10);
  v->ShowPanel("PrintPanel");
  dynamic_cast<TIWRadioButton*>(v->FindControl("PageNumbersRB"))->SetChecked(true);
  dynamic_cast<TIWEdit*>(v->FindControl("PageNumbersE"))->Text = "2-3";
  dynamic_cast<TIWEdit*>(v->FindControl("CopiesE"))->Text = "2";
  v->PrintOK();
  Settle();
  const auto Init = v->TakeInitProcs();
  ASSERT_EQ(Init.size(), 1u);
  std::smatch M;
  ASSERT_TRUE(std::regex_search(Init[0], M, std::regex("/cache/[0-9a-f]{64}")));
  EXPECT_EQ(PdfPages(Fetch(M[0])), 4) << "pages 2 and 3, two collated copies";
  dynamic_cast<TIWEdit*>(v->FindControl("PageNumbersE"))->Text = "2-x";
  v->ShowPanel("PrintPanel");
  dynamic_cast<TIWRadioButton*>(v->FindControl("PageNumbersRB"))->SetChecked(true);
  dynamic_cast<TIWEdit*>(v->FindControl("PageNumbersE"))->Text = "2-x";
  v->PrintOK();
  EXPECT_EQ(app->TakeMessages().size(), 1u);
  EXPECT_FALSE(v->Preparing());
}

TEST_F(Viewer, ExportAsksTheBrowserForItsOptionsThroughTheFiltersShowModal) {
  OpenRows(4);
  struct Case {
    const char* Name;
    bool OK;
  } Cases[] = {{"cancelled", false}, {"with a user password", true}};
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    v->ShowPanel("ExportPanel");
    Settle();
    ASSERT_EQ(v->Worker().Question(), "export-options") << "the export waits for the browser";
    v->UpdateView();
    ASSERT_TRUE(v->FindControl("ExportPanel")->Visible);
    dynamic_cast<TIWEdit*>(v->FindControl("UserPassE"))->Text = "open sesame";
    v->ExportAnswer(C.OK);
    v->Worker().Wait();
    v->ProgressTimerTick();
    EXPECT_FALSE(v->FindControl("ExportPanel")->Visible);
    const std::string Download = app->TakeDownload();
    if (!C.OK) {
      EXPECT_TRUE(Download.empty());
      EXPECT_TRUE(app->TakeMessages().empty());
      continue;
    }
    ASSERT_FALSE(Download.empty());
    const std::string Pdf = Fetch(Download);
    EXPECT_EQ(Pdf.rfind("%PDF-", 0), 0u);
    EXPECT_NE(Pdf.find("/Encrypt"), std::string::npos);
  }
}

TEST_F(Viewer, ToolbarButtonsShowOurPicturesAtTwoSizesAndKeepTheirIds) {
  struct Case {
    TIWButton* Button;
    const char* Id;
  } Cases[] = {{v->PrintB, "PrintB"}, {v->OpenB, "OpenB"},   {v->SaveB, "SaveB"},   {v->FindB, "FindB"},
               {v->ThumbB, "ThumbB"}, {v->FirstB, "FirstB"}, {v->LastB, "LastB"},   {v->ZoomPlusB, "ZoomPlusB"},
               {v->CopyCmd, "CopyCmd"}, {v->PasteCmd, "PasteCmd"}};
  std::set<std::string> Pictures;
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Id);
    EXPECT_EQ(C.Button->Name(), C.Id);
    for (const auto& [Url, Side] : {std::pair{C.Button->PictureURL, 16}, std::pair{C.Button->LargePictureURL, 24}}) {
      const std::string Png = Fetch(Url);
      gfx::TBitmap B;
      std::string Error;
      ASSERT_TRUE(gfx::DecodePNG(reinterpret_cast<const std::uint8_t*>(Png.data()), Png.size(), B, Error)) << Error;
      EXPECT_EQ(B.Width(), Side);
      EXPECT_EQ(B.Height(), Side);
      Pictures.insert(Png);
    }
    THtml H;
    C.Button->Render(H, {});
    EXPECT_NE(H.Str().find("alt=\"" + HtmlEscape(C.Button->Hint) + "\""), std::string::npos) << H.Str();
    EXPECT_NE(H.Str().find(" 1.5x\""), std::string::npos) << H.Str();
  }
  EXPECT_EQ(Pictures.size(), 2 * std::size(Cases)) << "every tool has a picture of its own";
}

TEST_F(Viewer, ThumbnailsDrawOnlyThoseInViewAndAClickGoesToThePage) {
  OpenRows(80);
  ASSERT_EQ(v->Preview().PageCount(), 40);
  v->OutlineBClick();
  v->ThumbBClick();
  EXPECT_TRUE(v->Thumbnails->Visible);
  EXPECT_FALSE(v->OutlineTree->Visible) << "the strip takes the outline's place";
  const auto& Shown = v->ThumbnailsShown();
  ASSERT_FALSE(Shown.empty());
  EXPECT_EQ(Shown.front(), 0);
  EXPECT_LT(static_cast<int>(Shown.size()), 40);
  EXPECT_LE(static_cast<int>(Shown.size()), webapp::MaxThumbnailsInReply);
  // Drawn at the thumbnail scale, with the strip's room beside the main workspace.
  const gfx::TPoint Size = v->Report()->PreviewPages()->GetPageSize(0);
  EXPECT_EQ(v->ThumbImages[0]->Width, static_cast<int>(std::lround(Size.X * 0.1)));
  EXPECT_GE(v->Workspace->Left, v->Thumbnails->Width);

  // A thumbnail further down: the main workspace goes to its page.
  const int K = static_cast<int>(Shown.size()) - 1, Page = Shown[static_cast<std::size_t>(K)];
  v->ThumbImages[static_cast<std::size_t>(K)]->OnMouseDown(v->ThumbImages[static_cast<std::size_t>(K)], 5, 5, 0);
  EXPECT_EQ(v->Preview().PageNo(), Page + 1);
  EXPECT_NE(std::find(v->PagesShown().begin(), v->PagesShown().end(), Page), v->PagesShown().end());
  EXPECT_TRUE(v->ThumbFrame->Visible);

  // Scrolled to the end of the strip: the last pages are drawn, and the held pictures stay capped.
  v->Thumbnails->OnScroll(v->Thumbnails, 0, 100000);
  EXPECT_EQ(v->ThumbnailsShown().back(), 39);
  EXPECT_LE(v->ThumbnailsHeld(), webapp::MaxThumbnailsHeld);
  v->OutlineBClick();
  EXPECT_FALSE(v->Thumbnails->Visible);
  EXPECT_TRUE(v->ThumbnailsShown().empty());
  // The outline chosen in the viewer's settings takes the strip's place too.
  v->OutlineBClick();
  v->ThumbBClick();
  ASSERT_TRUE(v->Thumbnails->Visible);
  dynamic_cast<TIWCheckBox*>(v->FindControl("PrefOutlineCB"))->Checked = true;
  v->SavePreferences();
  EXPECT_TRUE(v->OutlineTree->Visible);
  EXPECT_FALSE(v->Thumbnails->Visible);
}

TEST_F(Viewer, HintsAndLinksTravelWithThePagePicture) {
  ASSERT_TRUE(v->OpenFile("hints.xml", HintTemplate()));
  Settle();
  v->UpdateView();
  ASSERT_FALSE(v->PagesShown().empty());
  const double Z = v->Preview().Zoom();
  const auto& Areas = v->PageImages[0]->PointerAreas;
  const auto Find = [&](const std::string& Status) -> const TIWPointerArea* {
    for (const auto& A : Areas)
      if (A.Status == Status) return &A;
    return nullptr;
  };
  // The link: its hint, its address for the message line, the hand, where the page draws it.
  const TIWPointerArea* Link = Find("https://example.com/valves");
  ASSERT_NE(Link, nullptr);
  EXPECT_EQ(Link->Hint, "Maker <site>");
  EXPECT_TRUE(Link->Hand);
  EXPECT_EQ(Link->Left, At(Z, 400));
  EXPECT_EQ(Link->Top, At(Z, 0));
  EXPECT_EQ(Link->Right, At(Z, 600));
  EXPECT_EQ(Link->Bottom, At(Z, 20));
  // The detail-page row: a hand, no hint. The title's hint is not to be shown: no area.
  const TIWPointerArea* Row = Find("Detail");
  ASSERT_NE(Row, nullptr);
  EXPECT_TRUE(Row->Hand);
  EXPECT_TRUE(Row->Hint.empty());
  EXPECT_EQ(Areas.size(), 2u);
  EXPECT_EQ(v->PageImages[0]->StatusControl, "MessageBar");
  THtml H;
  v->PageImages[0]->Render(H, {});
  EXPECT_NE(H.Str().find("data-areas=\"[["), std::string::npos);
  EXPECT_EQ(H.Str().find("<site>"), std::string::npos) << "hint texts are escaped";
}

TEST_F(Viewer, ADetailPageOpensInATabThatItsButtonsShowAndClose) {
  ASSERT_TRUE(v->OpenFile("hints.xml", HintTemplate()));
  Settle();
  v->UpdateView();
  const double Z = v->Preview().Zoom();
  v->PageClick(0, At(Z, 50), At(Z, 45), 0);
  ASSERT_EQ(v->Preview().TabCount(), 2);
  EXPECT_TRUE(v->TabStrip->Visible);
  auto* First = dynamic_cast<TIWButton*>(v->FindControl("Tab1"));
  auto* Close = dynamic_cast<TIWButton*>(v->FindControl("TabClose2"));
  ASSERT_NE(First, nullptr);
  ASSERT_NE(Close, nullptr);
  EXPECT_EQ(v->FindControl("TabClose1"), nullptr) << "the report's own tab stays";
  EXPECT_EQ(v->Preview().CurrentTab(), 1);
  First->OnClick(First);
  EXPECT_EQ(v->Preview().CurrentTab(), 0);
  Close = dynamic_cast<TIWButton*>(v->FindControl("TabClose2"));
  ASSERT_NE(Close, nullptr);
  Close->OnClick(Close);
  EXPECT_EQ(v->Preview().TabCount(), 1);
  EXPECT_FALSE(v->TabStrip->Visible);
}

TEST_F(Viewer, CopyAndPasteGoThroughTheBrowserAndStayInTheSession) {
  OpenRows(2);
  v->Report()->PreviewOptions.Buttons.Include(pbPaste);
  v->UpdateView();
  ASSERT_TRUE(v->CopyCmd->Visible);
  ASSERT_TRUE(v->PasteCmd->Visible);
  EXPECT_FALSE(v->CopyCmd->Enabled) << "nothing selected yet";
  const double Z = v->Preview().Zoom();
  // Shift+click on row 1 selects it (the data band follows the 40-pixel page header).
  v->PageClick(0, At(Z, 50), At(Z, 45), rt::ssShift);
  ASSERT_EQ(v->Preview().SelectionList().Count(), 1);
  EXPECT_TRUE(v->CopyCmd->Enabled);
  EXPECT_TRUE(v->SelectionMarks[0]->Visible);
  v->TakeInitProcs();
  v->FormKeyDown(67, rt::ssCtrl);
  const auto Init = v->TakeInitProcs();
  ASSERT_EQ(Init.size(), 1u);
  EXPECT_NE(Init[0].find("CopyText(\"Row 1"), std::string::npos) << Init[0];
  EXPECT_TRUE(v->Clipboard().HasText());
  EXPECT_FALSE(repClipboard().HasText()) << "the copy stays in this session";

  v->PasteContent(TIWAppForm::PastedTextFileName, "Pasted words");
  EXPECT_TRUE(app->TakeMessages().empty());
  EXPECT_NE(v->SavedBytes().find("Pasted words"), std::string::npos) << "the paste is in the prepared pages";
  // A damaged picture gives one message and changes nothing.
  v->PasteContent("clipboard.png", "\x89PNG not really");
  EXPECT_EQ(app->TakeMessages().size(), 1u);
  // Without a selection nothing takes the paste.
  v->PageClick(0, 2, 2, 0);
  EXPECT_EQ(v->Preview().SelectionList().Count(), 0);
  v->PasteContent(TIWAppForm::PastedTextFileName, "Nowhere");
  EXPECT_EQ(app->TakeMessages().size(), 1u);
  EXPECT_EQ(v->SavedBytes().find("Nowhere"), std::string::npos);
}
