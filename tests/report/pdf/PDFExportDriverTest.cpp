// The PDF filter run by the export driver over prepared pages: the file the driver names, and
// the document-level parts the filter joins in (encryption, PDF/A, outlines, links, metafile
// and image roads of views), each judged by outside readers.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <regex>
#include <string>

#include "platform/gfx/Picture.h"
#include "report/engine/repClass.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "report/pdf/repExportPDF.h"
#include "tests/report/pdf/PDFTools.h"

namespace {

using namespace pdftools;
namespace fs = std::filesystem;

void StartEngine() {
  static const bool Started = [] {
    repInitEngineResources();
    repClassInitialization();
    return true;
  }();
  (void)Started;
}

// A report of a template page with a band holding a shape and a picture, prepared into Pages
// pages.
struct TPrepared {
  TrepReport Report{nullptr};
  TrepReportPage* Page;
  TrepNullBand* Band;
  TrepShapeView* Shape;
  TrepPictureView* Pic;

  TPrepared() {
    StartEngine();
    Report.EngineOptions.SilentMode = simSilent;
    Page = new TrepReportPage(&Report);
    Page->SetName("Page1");
    Page->SetBounds(0, 0, 794, 1123);
    Band = new TrepNullBand(Page);
    Band->SetName("Band1");
    Band->SetBounds(0, 0, 700, 60);
    Shape = new TrepShapeView(Band);
    Shape->SetName("Shape1");
    Shape->SetBounds(10, 5, 100, 20);
    Shape->SetColor(0x3366CC);
    Pic = new TrepPictureView(Band);
    Pic->SetName("Picture1");
    Pic->SetBounds(200, 5, 30, 30);
    const gfx::TBitmap B(3, 2);
    Pic->Picture().SetGraphic(&B);
  }

  TrepPreviewPages& Pages() { return *static_cast<TrepPreviewPages*>(Report.PreviewPages()); }

  // Views added to the band before Prepare are copied onto every page.
  void Prepare(int PageCount) {
    TrepPreviewPages& P = Pages();
    P.Clear();
    P.Initialize();
    P.AddPageAction = apAdd;
    P.AddSourcePage(Page);
    P.BeginPass();
    for (int I = 0; I < PageCount; ++I) {
      P.AddPage(Page);
      P.AddObject(Band);
    }
    P.Finish();
  }
};

// A filter as the sizing form sets it up: no windows, no progress, a fixed clock and identifier.
void Quiet(TrepPDFExport& F) {
  F.ShowDialog = false;
  F.ShowProgress = false;
  F.FixedCreationDateTime = 46000.5;
  F.FixedFileID = "00112233445566778899aabbccddeeff";
}

TEST(PDFExportDriver, WritesTheFileTheDriverNames) {
  TPrepared T;
  T.Prepare(2);
  TTempPath Out("pdfdriver");
  TrepPDFExport F;
  Quiet(F);
  F.SetFileName(Out.Str());
  ASSERT_TRUE(T.Report.Export(&F));
  EXPECT_EQ(F.FileName(), Out.Str());
  EXPECT_EQ(F.IOTransport, nullptr);
  const std::string Pdf = Out.Bytes();
  ASSERT_EQ(Pdf.rfind("%PDF-1.7", 0), 0u) << Pdf.substr(0, 40);
  EXPECT_NE(Pdf.find("/Count 2"), std::string::npos);
  // No temporary file is left beside the document.
  int Siblings = 0;
  for (const fs::directory_entry& E : fs::directory_iterator(Out.Path.parent_path()))
    if (E.path().filename().string().rfind(Out.Path.filename().string(), 0) == 0) ++Siblings;
  EXPECT_EQ(Siblings, 1);
  if (HaveTool("qpdf")) {
    const TRun Check = RunTool("qpdf --check " + Out.Str());
    EXPECT_EQ(Check.Status, 0) << Check.Out << Check.Err;
  }

  // A bare name lands in DefaultPath; the filter's own name is given back afterwards.
  TTempPath InFolder("pdfdriver-bare");
  TrepPDFExport G;
  Quiet(G);
  G.DefaultPath = InFolder.Path.parent_path().string();
  G.SetFileName(InFolder.Path.filename().string());
  ASSERT_TRUE(T.Report.Export(&G));
  EXPECT_EQ(G.FileName(), InFolder.Path.filename().string());
  EXPECT_EQ(InFolder.Bytes().rfind("%PDF-", 0), 0u);

  // A folder that does not exist: the export fails, is reported, and leaves nothing.
  TrepPDFExport H;
  Quiet(H);
  H.SetFileName("/nonexistent-folder-for-pdf/x.pdf");
  EXPECT_FALSE(T.Report.Export(&H));
  EXPECT_FALSE(fs::exists("/nonexistent-folder-for-pdf/x.pdf"));
}

} // namespace
