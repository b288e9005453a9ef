// The report viewer through its handlers: opening the sizing report and files, saving, damaged
// files, zoom modes, the cap on drawn pages, preparation off the request with Cancel, hyperlinks,
// page settings, print and export through the filter's options window.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <regex>
#include <string>
#include <thread>

#include "platform/web/Cache.h"
#include "report/engine/repClass.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repStartup.h"
#include "report/pdf/repExportPDF.h"
#include "tests/report/EngineSetup.h"
#include "webapp/ServerController.h"
#include "webapp/ViewerForm.h"

using namespace web;
using namespace std::chrono_literals;

namespace {

void InitReportEngine() {
  static const bool Done = [] {
    enginesetup::StartEngine();
    enginesetup::AddScriptModules();
    repStartupInitialization();
    repDrawTextInitialization();
    return true;
  }();
  (void)Done;
}

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

class Viewer : public ::testing::Test {
protected:
  void SetUp() override {
    InitReportEngine();
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
