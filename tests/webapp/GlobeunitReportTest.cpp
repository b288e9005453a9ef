// The report actions of the sizing form through its handlers: what the form hands the fill,
// the report window's script and its one-time file, and a failed export that opens nothing.
#include <gtest/gtest.h>

#include <dirent.h>

#include <regex>
#include <string>

#include "platform/rt/Unicode.h"
#include "platform/web/Cache.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repRes.h"
#include "report/engine/repStartup.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"
#include "tests/report/pdf/PDFTools.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"
#include "webapp/SizingReport.h"
#include "webapp/UserSessionUnit.h"

using namespace web;

namespace {

// Files in the folder the temporary files go to.
int CacheFiles() {
  const std::string Probe = TIWAppCache::NewTempFileName();
  const std::string Folder = Probe.substr(0, Probe.rfind('/'));
  int N = 0;
  if (DIR* D = opendir(Folder.c_str())) {
    while (dirent* E = readdir(D))
      if (E->d_name[0] != '.') ++N;
    closedir(D);
  }
  return N;
}

// Output that fails as a full disk does.
class TFullDisk : public rt::TStream {
public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t) override { throw rt::EWriteError("No space left on device"); }
  std::int64_t Seek(std::int64_t, rt::TSeekOrigin) override { return 0; }
  void SetSize(std::int64_t) override {}
};

class Report : public ::testing::Test {
protected:
  void SetUp() override {
    enginesetup::StartReportRoad();
    app = std::make_unique<TIWApplication>();
    TIWServerController controller;
    controller.OnNewSession(*app);
    app->BeginRequest(TIWRequest{}, 1300);
    scope = std::make_unique<TCurrentApplicationScope>(app.get());
    f = app->CreateForm<TGlobemain>();
    f->Show();
    f->IWAppFormRender();
    S = UserSession();
    f->SizeCombo->SetText("2.00 in");
    f->SizeComboChange(f->SizeCombo);
    f->CvCombo->SetText("60");
    f->CvComboChange(f->CvCombo);
    f->IWAppFormRender();
    const char* flows[3] = {"100", "200", "300"};
    for (int i = 0; i < 3; ++i) {
      f->P1Edit(i)->Text = "100";
      f->P2Edit(i)->Text = "50";
      f->TempEdit(i)->Text = "60";
      f->FlowEdit(i)->Text = flows[i];
    }
    f->CustEditBox->Text = "[1+1]";
    f->AssignfluidParams();
    f->CalcButtonClick(f->CalcButton);
    f->IWAppFormRender();
    app->TakeMessages();
    f->TakeInitProcs();
  }
  void TearDown() override {
    scope.reset();
    app.reset();
  }
  std::unique_ptr<TIWApplication> app;
  std::unique_ptr<TCurrentApplicationScope> scope;
  TGlobemain* f = nullptr;
  TIWUserSession* S = nullptr;
};

}  // namespace

TEST_F(Report, TheFormHandsOverWhatThePageShows) {
  const webapp::TSizingReportInputs In = f->SizingReportInputs();
  EXPECT_EQ(In.Customer, "[1+1]");
  EXPECT_EQ(In.ValveLine, "Sliding Gate");
  EXPECT_EQ(In.FluidState, S->SelectedFluidData.State);
  EXPECT_TRUE(In.CvMode);
  EXPECT_EQ(In.CvText, "60");
  EXPECT_EQ(In.Flow[2], "300");
  ASSERT_EQ(In.Grid.size(), static_cast<std::size_t>(f->ResultsGrid->RowCount()));
  EXPECT_EQ(In.Cell(3, 0), f->ResultsGrid->Cell(3, 0).Text);
  EXPECT_EQ(In.Cell(1, 4), f->ResultsGrid->Cell(1, 4).Text);
  EXPECT_FALSE(In.Cell(1, 4).empty());
  EXPECT_EQ(In.PressureUnit, "psig");
  EXPECT_EQ(In.Notes, f->Memo1->Text());
}

TEST_F(Report, AFailedExportIsOneMessageAndOpensNothing) {
  const int Before = CacheFiles();
  TFullDisk Disk;
  S->repPDFExport2.Stream = &Disk;
  f->Report1Click(nullptr);
  S->repPDFExport2.Stream = nullptr;
  const auto Messages = app->TakeMessages();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].rfind("The sizing report could not be made: ", 0), 0u) << Messages[0];
  EXPECT_NE(Messages[0].find("No space left on device"), std::string::npos) << Messages[0];
  EXPECT_TRUE(f->TakeInitProcs().empty());
  EXPECT_EQ(CacheFiles(), Before);
}

TEST_F(Report, MenuAndPrinterImageOpenTheReportWindowOnAOneTimeFile) {
  f->TagEdit->Text = "FCV-101";
  // The menu item, then the printer image.
  for (int k = 0; k < 2; ++k) {
    if (k == 0)
      f->Report1->OnClick(nullptr);
    else
      f->PrintIcon->OnClick(f->PrintIcon);
    EXPECT_TRUE(app->TakeMessages().empty());
    const auto Procs = f->TakeInitProcs();
    ASSERT_EQ(Procs.size(), 1u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(Procs[0], m,
                                 std::regex(R"x(NewWindow\("/cache/([0-9a-f]+)", "Sizing_Report","toolbar=no,status=no,)x"
                                            R"x(menubar=yes,scrollbars=yes,resizable=yes,location=no,directories=no,)x"
                                            R"x(width=780,height=580"\);)x")))
        << Procs[0];
    auto Entry = TIWAppCache::Take(m[1]);
    ASSERT_TRUE(Entry);
    EXPECT_EQ(Entry->ContentType, "application/pdf");
    EXPECT_EQ(Entry->Bytes.rfind("%PDF-1.7", 0), 0u);
    EXPECT_NE(Entry->Bytes.find("%%EOF"), std::string::npos);
    // The reply names the file, and the document says what it is.
    EXPECT_EQ(Entry->Disposition, "inline; filename=\"Sizing Report FCV-101.pdf\"");
    if (pdftools::HaveTool("pdfinfo")) {
      pdftools::TTempPath File("report-title");
      std::ofstream(File.Path, std::ios::binary) << Entry->Bytes;
      EXPECT_NE(pdftools::RunTool("pdfinfo '" + File.Str() + "'").Out.find("Title:           Sizing Report FCV-101\n"),
                std::string::npos);
    }
    EXPECT_FALSE(TIWAppCache::Take(m[1])) << "served once";
  }
}

TEST_F(Report, AReportNeverFetchedGoesWithTheSession) {
  const int Before = CacheFiles();
  f->Report1Click(nullptr);
  ASSERT_EQ(f->TakeInitProcs().size(), 1u);
  EXPECT_EQ(CacheFiles(), Before + 1);
  TIWAppCache::ReleaseOwner(app.get());
  EXPECT_EQ(CacheFiles(), Before);
}
