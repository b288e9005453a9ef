// The report viewer through its handlers: opening the sizing report and files, saving, damaged
// files, zoom modes, the cap on drawn pages, preparation off the request with Cancel, hyperlinks,
// page settings, print and export through the filter's options window.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
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
#include "tests/report/pdf/PDFTools.h"
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
    webapp::ViewerInitialization();
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

// The save panel's types: the plain prepared-report file and the compressed one through its
// transport; each downloads and opens again into the same pages.
TEST_F(Viewer, EverySaveTypeDownloadsAFileThatOpensAgain) {
  OpenRows(10);
  const std::string Plain = v->SavedBytes();
  auto* Types = dynamic_cast<TIWComboBox*>(v->FindControl("SaveTypeCB"));
  ASSERT_NE(Types, nullptr);
  ASSERT_EQ(Types->Items.size(), 2u);
  EXPECT_EQ(Types->Items[0], "Prepared Report");
  EXPECT_EQ(Types->Items[1], "Compressed prepared report (*.rp3)");
  for (int Type = 0; Type < 2; ++Type) {
    SCOPED_TRACE(Types->Items[static_cast<std::size_t>(Type)]);
    OpenRows(10);
    v->SaveB->OnClick(v->SaveB);
    ASSERT_TRUE(v->FindControl("SavePanel")->Visible);
    Types->ItemIndex = Type;
    v->SaveOK();
    EXPECT_FALSE(v->FindControl("SavePanel")->Visible);
    const std::string Download = app->TakeDownload();
    ASSERT_FALSE(Download.empty());
    const std::string Bytes = Fetch(Download);
    ASSERT_GT(Bytes.size(), 2u);
    // zlib's header: deflate with a 32 KiB window.
    EXPECT_EQ(Type == 1, Bytes[0] == 0x78) << "compressed only through the compressed transport";
    EXPECT_FALSE(v->Report()->ReportOptions.Compressed) << "the report's own setting stays";
    ASSERT_TRUE(v->OpenFile("saved.rp3", Bytes));
    EXPECT_EQ(v->Preview().PageCount(), 5);
    EXPECT_EQ(v->SavedBytes(), Plain);
  }
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
      {"compressed and damaged", std::string("\x78\x9c\x01\x02 not deflate data at all", 28), false},
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

// A detail page prepares on the worker, as a report does; its tab shows its own pages, never the
// pictures drawn for the same page numbers of the main report.
TEST_F(Viewer, ADetailPageIsPreparedOffTheRequestInATabOfItsOwn) {
  const std::string Template =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><TrepReport Name=\"Detail\" ScriptLanguage=\"PascalScript\">"
      "<TrepReportPage Name=\"Page1\" PaperSize=\"9\" LeftMargin=\"10\" RightMargin=\"10\" TopMargin=\"10\" "
      "BottomMargin=\"10\"><TrepPageHeader Name=\"PageHeader1\" Left=\"0\" Top=\"0\" Width=\"700\" Height=\"40\">"
      "<TrepMemoView Name=\"Link\" Left=\"400\" Top=\"0\" Width=\"200\" Height=\"20\" Text=\"More\" "
      "Hyperlink.Kind=\"hkDetailPage\" Hyperlink.Value=\"details\" Hyperlink.DetailPage=\"DetailPage\" "
      "Hyperlink.TabCaption=\"Details\"/></TrepPageHeader></TrepReportPage>"
      "<TrepReportPage Name=\"DetailPage\" Visible=\"False\" PaperSize=\"9\"><TrepPageHeader Name=\"DetailHeader\" "
      "Left=\"0\" Top=\"0\" Width=\"700\" Height=\"200\" Fill.BackColor=\"255\"><TrepMemoView Name=\"Inside\" "
      "Left=\"0\" Top=\"0\" Width=\"300\" Height=\"20\" Text=\"Detail text\"/></TrepPageHeader></TrepReportPage>"
      "</TrepReport>";
  ASSERT_TRUE(v->OpenFile("detail.xml", Template));
  Settle();
  v->UpdateView();
  app->TakeMessages();
  ASSERT_EQ(v->Preview().PageCount(), 1);
  const std::string MainPicture = v->PageImages[0]->PictureURL();
  const double Z = v->Preview().Zoom();
  const auto Jobs = v->Worker().JobNumber();
  v->PageClick(0, static_cast<int>((10 * 3.77953 + 450) * Z), static_cast<int>((10 * 3.77953 + 10) * Z), 0);
  EXPECT_EQ(v->Worker().JobNumber(), Jobs + 1) << "the click's preparation is the worker's";
  Settle();
  v->UpdateView();
  EXPECT_TRUE(app->TakeMessages().empty());
  ASSERT_EQ(v->Preview().TabCount(), 2);
  EXPECT_EQ(v->Preview().CurrentTab(), 1);
  EXPECT_EQ(v->Preview().PageCount(), 1);
  EXPECT_TRUE(v->TabStrip->Visible);
  EXPECT_NE(v->PageImages[0]->PictureURL(), MainPicture) << "the detail's page has a picture of its own";
  // Back to the main report: its page again, not the detail's.
  auto* Tab1 = dynamic_cast<TIWButton*>(v->FindControl("Tab1"));
  ASSERT_NE(Tab1, nullptr);
  const std::string DetailPicture = v->PageImages[0]->PictureURL();
  Tab1->OnClick(Tab1);
  EXPECT_EQ(v->Preview().CurrentTab(), 0);
  EXPECT_NE(v->PageImages[0]->PictureURL(), DetailPicture);
}

// A report that inherits from a template with objects of the same names asks what to do: a
// panel of the viewer, while the job waits for the answer.
TEST_F(Viewer, TheInheritQuestionIsAPanelTheJobWaitsFor) {
  struct TBase {
    std::filesystem::path Path =
        std::filesystem::temp_directory_path() / ("viewer-base-" + std::to_string(getpid()) + ".xml");
    ~TBase() { std::filesystem::remove(Path); }
  } Base;
  std::ofstream(Base.Path, std::ios::binary) << RowsTemplate(2);
  auto Memos = [&] {
    int N = 0;
    for (TrepComponent* C : v->Report()->AllObjects()) N += dynamic_cast<TrepMemoView*>(C) != nullptr;
    return N;
  };
  struct Case {
    const char* Name;
    bool OK, Delete, Result;
    int Memos;  // the template's two and, renamed, the report's own two
  } Cases[] = {
      {"delete the duplicates", true, true, true, 2},
      {"rename the duplicates", true, false, true, 4},
      {"cancel: no inheriting", false, true, false, 2},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    OpenRows(2);
    bool Result = !C.Result;
    v->StartJob([&](TIWWorker&) { Result = v->Report()->InheritFromTemplate(Base.Path.string()); });
    const auto Until = std::chrono::steady_clock::now() + 60s;
    while (v->Worker().Question().empty() && v->Preparing() && std::chrono::steady_clock::now() < Until)
      std::this_thread::sleep_for(5ms);
    ASSERT_EQ(v->Worker().Question(), "inherit");
    v->UpdateView();
    ASSERT_TRUE(v->FindControl("InheritPanel")->Visible);
    EXPECT_FALSE(v->ProgressPanel->Visible);
    EXPECT_EQ(dynamic_cast<TIWLabel*>(v->FindControl("MessageL"))->Caption,
              "Base and inherited reports have duplicate objects. What should we do?");
    EXPECT_TRUE(dynamic_cast<TIWRadioButton*>(v->FindControl("DeleteRB"))->Checked()) << "deleting is offered first";
    dynamic_cast<TIWRadioButton*>(v->FindControl(C.Delete ? "DeleteRB" : "RenameRB"))->SetChecked(true);
    v->InheritAnswer(C.OK);
    v->Worker().Wait();
    v->ProgressTimerTick();
    EXPECT_FALSE(v->FindControl("InheritPanel")->Visible);
    EXPECT_EQ(Result, C.Result);
    EXPECT_EQ(Memos(), C.Memos);
    app->TakeMessages();
  }
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

namespace {

// Where pdftotext finds "Row N" on each sheet: top left corner of the word "Row", in points from
// the sheet's top left corner.
struct TSheetText {
  double Width = 0, Height = 0;
  std::map<int, std::pair<double, double>> Rows;
};

std::vector<TSheetText> ReadSheets(const std::string& Pdf) {
  pdftools::TTempPath File("viewer-print.pdf");
  std::ofstream(File.Path, std::ios::binary) << Pdf;
  if (pdftools::HaveTool("qpdf")) {
    const pdftools::TRun Check = pdftools::RunTool("qpdf --check '" + File.Path.string() + "'");
    EXPECT_EQ(Check.Status, 0) << Check.Out << Check.Err;
  }
  const pdftools::TRun Run = pdftools::RunTool("pdftotext -bbox '" + File.Path.string() + "' -");
  std::vector<TSheetText> Sheets;
  const std::regex PageRe("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">");
  const std::regex WordRe("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"[0-9.]+\">([^<]*)</word>");
  std::smatch M;
  std::string Rest = Run.Out;
  while (std::regex_search(Rest, M, PageRe)) {
    TSheetText S;
    S.Width = std::stod(M[1]);
    S.Height = std::stod(M[2]);
    std::string Body = M.suffix();
    const std::size_t End = Body.find("</page>");
    Rest = Body.substr(End == std::string::npos ? Body.size() : End);
    Body.resize(End == std::string::npos ? Body.size() : End);
    std::vector<std::tuple<double, double, std::string>> Words;
    for (std::sregex_iterator W(Body.begin(), Body.end(), WordRe), E; W != E; ++W)
      Words.emplace_back(std::stod((*W)[1]), std::stod((*W)[2]), (*W)[3]);
    for (std::size_t I = 0; I + 1 < Words.size(); ++I)
      if (std::get<2>(Words[I]) == "Row")
        S.Rows[std::atoi(std::get<2>(Words[I + 1]).c_str())] = {std::get<0>(Words[I]), std::get<1>(Words[I])};
    Sheets.push_back(S);
  }
  return Sheets;
}

}  // namespace

// The split, join and scale modes: the sheets of the PDF and where each row's text lands on them,
// against a print of a page per sheet.
TEST_F(Viewer, PrintModesPlaceThePagesOnSheetsOfTheirOwn) {
  if (!pdftools::HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
  OpenRows(10);  // five A4 pages, two rows on each
  auto Print = [&](int Mode, const std::string& Sheet, const std::string& Range) {
    v->ShowPanel("PrintPanel");
    dynamic_cast<TIWRadioButton*>(v->FindControl(Range.empty() ? "AllRB" : "PageNumbersRB"))->SetChecked(true);
    dynamic_cast<TIWEdit*>(v->FindControl("PageNumbersE"))->Text = Range;
    dynamic_cast<TIWEdit*>(v->FindControl("CopiesE"))->Text = "1";
    auto* ModeCB = dynamic_cast<TIWComboBox*>(v->FindControl("PrintModeCB"));
    ModeCB->ItemIndex = Mode;
    ModeCB->OnChange(ModeCB);
    auto* SheetCB = dynamic_cast<TIWComboBox*>(v->FindControl("PagPageSizeCB"));
    EXPECT_EQ(SheetCB->Enabled, Mode != 0);
    if (!Sheet.empty()) SheetCB->SetText(Sheet);
    v->PrintOK();
    Settle();
    const auto Messages = app->TakeMessages();
    EXPECT_TRUE(Messages.empty()) << Messages[0];
    const auto Init = v->TakeInitProcs();
    std::smatch M;
    if (Init.size() != 1 || !std::regex_search(Init[0], M, std::regex("/cache/[0-9a-f]{64}"))) return std::vector<TSheetText>();
    return ReadSheets(Fetch(M[0]));
  };
  const std::vector<TSheetText> Plain = Print(0, "", "");
  ASSERT_EQ(Plain.size(), 5u);
  constexpr double MM = 72 / 25.4;
  struct TExpect {
    int Sheet;
    double X, Y;
  };
  struct Case {
    const char* Name;
    int Mode;
    const char* Sheet;
    const char* Range;
    int Sheets;
    double Width, Height;  // points
    // Where a row at (X, Y) of page P in the plain print lands.
    std::function<std::vector<TExpect>(int P, double X, double Y)> Place;
  } Cases[] = {
      {"joined two to a turned A3 sheet", 2, "A3", "", 3, 420 * MM, 297 * MM,
       [](int P, double X, double Y) { return std::vector<TExpect>{{P / 2, X + (P % 2) * 210 * MM, Y}}; }},
      {"scaled to fill A3", 3, "A3", "1-2", 2, 297 * MM, 420 * MM,
       [](int P, double X, double Y) { return std::vector<TExpect>{{P, X * 297 / 210, Y * 297 / 210}}; }},
      {"split over turned A5 sheets, the second moved up by the sheet less the splicing line", 1, "A5", "1", 2,
       210 * MM, 148 * MM, [](int, double X, double Y) {
         std::vector<TExpect> E;
         for (int K = 0; K < 2; ++K)
           if (Y - K * 145 * MM >= 0 && Y - K * 145 * MM < 148 * MM - 20) E.push_back({K, X, Y - K * 145 * MM});
         return E;
       }},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::vector<TSheetText> Sheets = Print(C.Mode, C.Sheet, C.Range);
    ASSERT_EQ(static_cast<int>(Sheets.size()), C.Sheets);
    for (const TSheetText& S : Sheets) {
      EXPECT_NEAR(S.Width, C.Width, 0.5);
      EXPECT_NEAR(S.Height, C.Height, 0.5);
    }
    int Checked = 0;
    for (int P = 0; P < 5; ++P)
      for (const auto& [Row, At] : Plain[static_cast<std::size_t>(P)].Rows) {
        if (C.Mode != 2 && P >= C.Sheets) continue;
        if (C.Mode == 1 && P > 0) continue;
        for (const TExpect& E : C.Place(P, At.first, At.second)) {
          SCOPED_TRACE("row " + std::to_string(Row) + " on sheet " + std::to_string(E.Sheet));
          ASSERT_LT(E.Sheet, C.Sheets);
          const auto& Found = Sheets[static_cast<std::size_t>(E.Sheet)].Rows;
          const auto F = Found.find(Row);
          ASSERT_NE(F, Found.end());
          EXPECT_NEAR(F->second.first, E.X, 1.5);
          EXPECT_NEAR(F->second.second, E.Y, 1.5);
          ++Checked;
        }
      }
    EXPECT_GE(Checked, 2);
  }
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
  // The detail page prepares on the worker.
  Settle();
  v->UpdateView();
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
