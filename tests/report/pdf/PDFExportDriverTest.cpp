// The PDF filter run by the export driver over prepared pages: the file the driver names, and
// the document-level parts the filter joins in (encryption, PDF/A, outlines, links, metafile
// and image roads of views), each judged by outside readers.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <regex>
#include <string>

#include "platform/gfx/MetafileCanvas.h"
#include "platform/gfx/Picture.h"
#include "report/engine/repClass.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "report/pdf/repExportPDF.h"
#include "tests/report/TemplatePage.h"
#include "tests/report/pdf/PDFTools.h"

namespace {

using namespace pdftools;
namespace fs = std::filesystem;

// The template page with a coloured shape, prepared into pages of one band each.
struct TPrepared : TTemplatePage {
  TPrepared() : TTemplatePage(60) { Shape->SetColor(0x3366CC); }

  // Views added to the band before Prepare are copied onto every page.
  void Prepare(int PageCount) {
    TrepPreviewPages& P = BeginPrepare();
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

// A filter whose second page raises, as a full disk or a broken view would.
struct TFailingPDFExport : TrepPDFExport {
  void StartPage(TrepReportPage* Page, int Index) override {
    if (Index == 1) throw rt::Exception("the disk is full");
    TrepPDFExport::StartPage(Page, Index);
  }
};

TEST(PDFExportDriver, AFailedExportKeepsTheOlderFileWhole) {
  TPrepared T;
  T.Prepare(3);
  TTempPath Out("pdfdriver-older");
  {
    TrepPDFExport Good;
    Quiet(Good);
    Good.SetFileName(Out.Str());
    ASSERT_TRUE(T.Report.Export(&Good));
  }
  const std::string Older = Out.Bytes();
  ASSERT_EQ(Older.rfind("%PDF-", 0), 0u);
  TFailingPDFExport Bad;
  Quiet(Bad);
  Bad.SetFileName(Out.Str());
  EXPECT_FALSE(T.Report.Export(&Bad));
  EXPECT_EQ(Out.Bytes(), Older) << "the older document is neither replaced nor removed";
  int Siblings = 0;
  for (const fs::directory_entry& E : fs::directory_iterator(Out.Path.parent_path()))
    if (E.path().filename().string().rfind(Out.Path.filename().string(), 0) == 0) ++Siblings;
  EXPECT_EQ(Siblings, 1) << "no temporary file left beside it";

  // Without an older file the failed export leaves nothing at all.
  TTempPath Fresh("pdfdriver-fresh");
  TFailingPDFExport Bad2;
  Quiet(Bad2);
  Bad2.SetFileName(Fresh.Str());
  EXPECT_FALSE(T.Report.Export(&Bad2));
  EXPECT_FALSE(fs::exists(Fresh.Path));
}

// Each PDF page takes its report page's own paper and margins, and the page's frame is drawn
// around the margins, as a reader renders it (72 dpi: a pixel a point).
TEST(PDFExportDriver, PagesTakeTheirPaperMarginsAndFrame) {
  if (!HaveTool("pdftoppm")) GTEST_SKIP() << "poppler missing";
  TPrepared T;
  T.Page->SetPaperWidth(150);
  T.Page->SetPaperHeight(100);
  T.Page->LeftMargin = 20;
  T.Page->TopMargin = 15;
  T.Page->RightMargin = 10;
  T.Page->BottomMargin = 5;
  T.Page->Frame().Typ = TrepFrameTypes{ftLeft, ftTop, ftRight, ftBottom};
  T.Page->Frame().SetColor(0x0000FF);  // red
  T.Page->Frame().SetWidth(2);
  T.Shape->SetBounds(0, 0, 1, 1);
  T.Prepare(1);
  TTempPath Out("pdfdriver-paper");
  TrepPDFExport F;
  Quiet(F);
  F.Compressed = false;
  F.SetFileName(Out.Str());
  ASSERT_TRUE(T.Report.Export(&F));
  // 150 x 100 mm is 567 x 378 report pixels.
  const std::string Pdf = Out.Bytes();
  EXPECT_NE(Pdf.find("/MediaBox [0 0 425.25 283.50 ]"), std::string::npos);

  const TPixmap Pix = RenderPage(Out.Str(), 72);
  ASSERT_GT(Pix.W, 0) << "pdftoppm could not render the page";
  auto Red = [&](int X, int Y) { return Pix.At(X, Y)[0] > 200 && Pix.At(X, Y)[1] < 80; };
  // The margins in points: left 57.2, top 42.5, right 397.4, bottom 269.3 from the top left.
  struct Spot {
    int X, Y;
    bool IsRed;
  } Spots[] = {{57, 150, true}, {397, 150, true}, {200, 42, true}, {200, 269, true}, {200, 150, false}, {20, 150, false}, {410, 150, false},
               {200, 20, false}, {200, 278, false}};
  for (const Spot& P : Spots) EXPECT_EQ(Red(P.X, P.Y), P.IsRed) << P.X << "," << P.Y;
}

// A report page of its own for the document-level tests: a plain memo, a memo turned by 90
// degrees, a picture holding a metafile with text, and a shape carrying a link.
struct TRichReport : TPrepared {
  TrepMemoView* Plain;
  TrepMemoView* Turned;
  TrepPictureView* Drawing;

  TRichReport() {
    Band->SetHeight(400);
    Plain = new TrepMemoView(Band);
    Plain->SetName("Plain");
    Plain->SetBounds(10, 40, 300, 24);
    Plain->SetText(u"Plain memo text");
    Plain->Font().SetName("Arial");
    Plain->Font().SetSize(12);
    Turned = new TrepMemoView(Band);
    Turned->SetName("Turned");
    Turned->SetBounds(400, 40, 30, 200);
    Turned->SetText(u"Rotated caption");
    Turned->Font().SetName("Arial");
    Turned->Font().SetSize(12);
    Turned->SetRotation(90);
    Drawing = new TrepPictureView(Band);
    Drawing->SetName("Drawing");
    Drawing->SetBounds(10, 120, 200, 100);
    gfx::TMetafileCanvas C(200, 100);
    C.Font.SetName("Arial");
    C.Font.SetSize(12);
    C.Rectangle(2, 2, 198, 98);
    C.TextOut(10, 30, u"Metafile words");
    Drawing->Picture().SetGraphic(C.Metafile());
  }
};

std::string Decrypted(const TTempPath& File, const std::string& Password) {
  TTempPath Plain("pdfdriver-plain");
  const TRun R = RunTool("qpdf --password=" + Password + " --decrypt --qdf --object-streams=disable " + File.Str() +
                         " " + Plain.Str());
  EXPECT_EQ(R.Status, 0) << R.Err;
  return Plain.Bytes();
}

TEST(PDFExportDriver, PasswordsEncryptTheDocument) {
  if (!HaveTool("qpdf") || !HaveTool("pdftotext") || !HaveTool("pdfinfo")) GTEST_SKIP() << "qpdf and poppler";
  TRichReport T;
  T.Prepare(1);
  TTempPath Out("pdfdriver-enc");
  TrepPDFExport F;
  Quiet(F);
  F.Title = "Sizing (secret)";
  F.UserPassword = "user";
  F.OwnerPassword = "owner";
  F.SetProtectionFlags(ePrint | eCopy);
  F.SetFileName(Out.Str());
  ASSERT_TRUE(T.Report.Export(&F));
  const std::string Raw = Out.Bytes();
  EXPECT_NE(Raw.find("/Encrypt "), std::string::npos);
  EXPECT_EQ(Raw.find("Sizing"), std::string::npos);  // the title is encrypted too

  // Neither a reader without the password nor one with a wrong one gets in.
  EXPECT_NE(RunTool("qpdf --check " + Out.Str()).Status, 0);
  EXPECT_NE(RunTool("qpdf --password=wrong --check " + Out.Str()).Status, 0);
  for (const char* Password : {"user", "owner"}) {
    SCOPED_TRACE(Password);
    const TRun Check = RunTool(std::string("qpdf --password=") + Password + " --check " + Out.Str());
    EXPECT_EQ(Check.Status, 0) << Check.Out << Check.Err;
    EXPECT_NE(Check.Out.find("No syntax or stream encoding errors"), std::string::npos) << Check.Out;
  }
  const TRun Enc = RunTool("qpdf --password=user --show-encryption " + Out.Str());
  EXPECT_NE(Enc.Out.find("R = 3"), std::string::npos) << Enc.Out;
  EXPECT_NE(Enc.Out.find("P = -44"), std::string::npos) << Enc.Out;
  EXPECT_NE(Enc.Out.find("print low resolution: allowed"), std::string::npos) << Enc.Out;
  EXPECT_NE(Enc.Out.find("modify other: not allowed"), std::string::npos) << Enc.Out;
  EXPECT_NE(Enc.Out.find("extract for any purpose: allowed"), std::string::npos) << Enc.Out;

  const TRun Info = RunTool("pdfinfo -upw user " + Out.Str());
  EXPECT_NE(Info.Out.find("Sizing (secret)"), std::string::npos) << Info.Out << Info.Err;
  const TRun Text = RunTool("pdftotext -upw user -enc UTF-8 " + Out.Str() + " -");
  EXPECT_NE(Text.Out.find("Plain memo text"), std::string::npos) << Text.Out << Text.Err;
  EXPECT_NE(Text.Out.find("Metafile words"), std::string::npos) << Text.Out;
  // Fonts embedded whatever EmbeddedFonts said: EmbedFontsIfProtected took its place.
  EXPECT_TRUE(F.EmbeddedFonts());
  const std::string Plain = Decrypted(Out, "user");
  EXPECT_NE(Plain.find("/FontFile2"), std::string::npos);
}

TEST(PDFExportDriver, PDFADocumentsCarryTheirMetadataAndNeverEncrypt) {
  if (!HaveTool("qpdf") || !HaveTool("pdfinfo")) GTEST_SKIP() << "qpdf and poppler";
  TRichReport T;
  T.Prepare(1);
  TTempPath Out("pdfdriver-pdfa");
  TrepPDFExport F;
  Quiet(F);
  F.SetPDFStandard(psPDFA_2b);
  F.Title = "Valve data sheet";
  F.UserPassword = "ignored";  // PDF/A forbids encryption
  auto Xml = std::make_unique<rt::TMemoryStream>();
  Xml->WriteBuffer("<a/>", 4);
  F.AddEmbeddedXML("factur.xml", "Invoice", 46000, std::move(Xml), clBASIC);
  F.SetFileName(Out.Str());
  ASSERT_TRUE(T.Report.Export(&F));
  const std::string Pdf = Out.Bytes();
  EXPECT_EQ(Pdf.rfind("%PDF-1.7", 0), 0u);
  EXPECT_EQ(Pdf.find("/Encrypt"), std::string::npos);
  for (const char* Key : {"/Metadata ", "/OutputIntents [ ", "/StructTreeRoot ", "/AF ", "/GTS_PDFA1"})
    EXPECT_NE(Pdf.find(Key), std::string::npos) << Key;
  // The attachment list is the document's: the next export has none.
  EXPECT_TRUE(F.PDFAParts().EmbeddedFiles().empty());

  const TRun Check = RunTool("qpdf --check " + Out.Str());
  EXPECT_EQ(Check.Status, 0) << Check.Out << Check.Err;
  const TRun Meta = RunTool("pdfinfo -meta " + Out.Str());
  EXPECT_NE(Meta.Out.find("<pdfaid:part>2</pdfaid:part>"), std::string::npos) << Meta.Out;
  EXPECT_NE(Meta.Out.find("Valve data sheet"), std::string::npos);
  const TRun Files = RunTool("qpdf --list-attachments " + Out.Str());
  EXPECT_NE(Files.Out.find("factur.xml"), std::string::npos) << Files.Out;
}

TEST(PDFExportDriver, EveryRoadOfAViewReachesThePage) {
  if (!HaveTool("qpdf") || !HaveTool("pdftotext") || !HaveTool("pdftoppm")) GTEST_SKIP() << "qpdf and poppler";
  TRichReport T;
  T.Prepare(1);
  TTempPath Out("pdfdriver-roads");
  TrepPDFExport F;
  Quiet(F);
  F.SetFileName(Out.Str());
  ASSERT_TRUE(T.Report.Export(&F));
  const TRun Check = RunTool("qpdf --check " + Out.Str());
  EXPECT_EQ(Check.Status, 0) << Check.Out << Check.Err;
  const TRun Text = RunTool("pdftotext -enc UTF-8 " + Out.Str() + " -");
  // The plain memo as text of its own, the turned memo and the drawing through their metafiles.
  for (const char* Expected : {"Plain memo text", "Rotated caption", "Metafile words"})
    EXPECT_NE(Text.Out.find(Expected), std::string::npos) << Expected << " not in:\n" << Text.Out;
  const TRun Render = RunTool("pdftoppm -r 20 -png " + Out.Str());
  EXPECT_EQ(Render.Status, 0);
  EXPECT_EQ(Render.Err, "");
}

TEST(PDFExportDriver, OutlineAndLinks) {
  if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf";
  TRichReport T;
  // Links: an address with a backslash and parentheses, one that is not ASCII, a page number,
  // a page past the end, an anchor.
  struct TLink {
    const char* URL;
    const char* Expect;  // in the decompressed document; empty: no destination
  } Links[] = {
      {"https://example.org/a(1)\\b", "/URI (https://example.org/a(1)\\\\b)"},
      {"https://example.org/\u00e9", "/URI <00680074007400700073003A002F002F006500780061006D0070006C0065002E006F00720067002F00E9>"},
      {"@2", "/XYZ null "},
      {"@9", ""},
      {"@nine", ""},  // no number: a link to nowhere, never a failed document
  };
  int N = 0;
  for (const TLink& L : Links) {
    auto* V = new TrepShapeView(T.Band);
    V->SetName("Link" + std::to_string(++N));
    V->SetBounds(10 + 40 * N, 300, 30, 20);
    V->SetURL(L.URL);
  }
  T.Prepare(3);
  // Headings: one on each page, the second with a child; page 1's heading is not exported.
  TrepCustomOutline& O = *T.Pages().Outline();
  T.Pages().CurPage = 0;
  O.LevelRoot();
  O.AddItem("First page", 10);
  O.LevelRoot();
  T.Pages().CurPage = 1;
  O.AddItem("Second page", 20);
  O.AddItem("Child of second", 200);
  O.LevelRoot();
  T.Pages().CurPage = 2;
  O.AddItem("Third page", 30);

  TTempPath Out("pdfdriver-nav");
  TrepPDFExport F;
  Quiet(F);
  F.Outline = true;
  F.Compressed = false;
  F.PageNumbers = "2-3";
  F.SetFileName(Out.Str());
  ASSERT_TRUE(T.Report.Export(&F));
  const TRun Check = RunTool("qpdf --check " + Out.Str());
  EXPECT_EQ(Check.Status, 0) << Check.Out << Check.Err;
  const std::string Pdf = Out.Bytes();
  EXPECT_NE(Pdf.find("/PageMode /UseOutlines"), std::string::npos);
  EXPECT_NE(Pdf.find("/Type /Outlines\r\n/Count 3"), std::string::npos);
  EXPECT_EQ(Pdf.find("First page"), std::string::npos);
  for (const char* Title : {"Second page", "Child of second", "Third page"}) {
    std::string Utf16 = "(\xFE\xFF";
    for (const char* C = Title; *C; ++C) Utf16 += std::string(1, '\0') + *C;
    EXPECT_NE(Pdf.find("/Title " + Utf16 + ")"), std::string::npos) << Title;
  }
  for (const TLink& L : Links) {
    if (*L.Expect) {
      EXPECT_NE(Pdf.find(L.Expect), std::string::npos) << L.Expect;
    }
  }
  // Each of the two pages lists its five links; the links to page 9 and to "nine" have none to go to.
  std::size_t Annots = 0, Dests = 0;
  for (std::size_t At = Pdf.find("/Subtype /Link"); At != std::string::npos; At = Pdf.find("/Subtype /Link", At + 1))
    ++Annots;
  for (std::size_t At = Pdf.find("/XYZ null "); At != std::string::npos; At = Pdf.find("/XYZ null ", At + 1)) ++Dests;
  EXPECT_EQ(Annots, 10u);
  EXPECT_EQ(Dests, 2u);
  EXPECT_EQ(std::regex_search(Pdf, std::regex("/Annots \\[\r\n(\\d+ 0 R\r\n){5}\\]")), true);
}

} // namespace
