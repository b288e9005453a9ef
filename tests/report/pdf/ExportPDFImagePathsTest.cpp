// The metafile and image roads of views into a page, through a stand-in for the document writer.
#include <gtest/gtest.h>

#include "EMFPDFHarness.h"
#include "platform/gfx/MetafileCanvas.h"
#include "report/engine/repClass.h"
#include "report/engine/repRes.h"
#include "report/pdf/repExportPDFImagePaths.h"
#include "tests/report/EngineSetup.h"

namespace {

class Page : public TPDFViewPage {
public:
  TrepPDFExport FilterOptions;
  emfpdf::TestDocument Doc;
  rt::TMemoryStream Out;
  std::vector<std::string> Calls;
  int Masked = 0;
  std::vector<std::uint8_t> LastMask;

  const TrepPDFExport& Filter() const override { return FilterOptions; }
  rt::TStream& OutStream() override { return Out; }
  TEMFPDFDocument& Document() override { return Doc; }
  void ExportFill(TrepView*) override { Put("% fill"); }
  void ExportFrame(TrepView* V) override { Put("% frame " + std::to_string(static_cast<int>(V->Frame().Width()))); }
  TrepRect GetExportRect(TrepView* V) override {
    return TrepRect{V->AbsLeft() * 0.75, 800 - V->AbsTop() * 0.75, (V->AbsLeft() + V->Width()) * 0.75,
                    800 - (V->AbsTop() + V->Height()) * 0.75};
  }
  double PixelsToPDFX(double X) override { return X * 0.75; }
  double PixelsToPDFY(double Y) override { return 800 - Y * 0.75; }
  int WriteMaskedImage(const std::string& Jpeg, const std::vector<std::uint8_t>& Mask, int W, int H) override {
    ++Masked;
    LastMask = Mask;
    Doc.Images.push_back({Jpeg, "", "", W, H});
    return static_cast<int>(Doc.Images.size()) - 1;
  }
  std::string Text() {
    std::string S(static_cast<std::size_t>(Out.Size()), '\0');
    Out.SetPosition(0);
    if (!S.empty()) Out.ReadBuffer(S.data(), Out.Size());
    return S;
  }

private:
  void Put(const std::string& S) { WritePDFLine(Out, S); }
};

struct Fixture {
  Fixture() {
    enginesetup::StartResources();
    Report.reset(new TrepReport(nullptr));
    ReportPage = new TrepReportPage(Report.get());
  }
  TrepPictureView* Picture(double L, double T, double W, double H, const gfx::TGraphic& G) {
    auto* P = new TrepPictureView(ReportPage);
    P->SetLeft(L);
    P->SetTop(T);
    P->SetWidth(W);
    P->SetHeight(H);
    P->Picture().SetGraphic(&G);
    return P;
  }
  std::unique_ptr<TrepReport> Report;
  TrepReportPage* ReportPage;
};

std::unique_ptr<gfx::TBitmap> Solid(int W, int H, gfx::TColor C) {
  auto B = std::make_unique<gfx::TBitmap>(W, H);
  B->Canvas().Brush.Color = C;
  B->Canvas().FillRect({0, 0, W, H});
  return B;
}

} // namespace

TEST(ExportImagePaths, BitmapPictureBecomesOneSharedJPEGBetweenFillAndFrame) {
  Fixture F;
  Page P;
  const auto B = Solid(8, 8, 0x3366CC);
  auto* A = F.Picture(40, 20, 8, 8, *B);
  auto* C = F.Picture(100, 20, 8, 8, *B);
  A->Frame().SetWidth(2);
  ExportAsImage(A, P);
  ExportAsImage(C, P);
  EXPECT_EQ(P.Doc.JpegWrites, 1);
  EXPECT_EQ(P.Doc.UsedImages, (std::vector<int>{0, 0}));
  const std::string Out = P.Text();
  EXPECT_NE(Out.find("% fill\r\nq\r\n6.00 0 0 6.00 30.00 779.00 cm\r\n/Im0 Do\r\nQ\r\n% frame 2\r\n"), std::string::npos)
      << Out;
  EXPECT_EQ(A->Frame().Width(), 2);
}

TEST(ExportImagePaths, OriginalPicturesKeepTheirPixelsOrTheRequestedResolution) {
  Fixture F;
  const auto Big = Solid(2000, 1000, 0x00FF00);
  struct Case {
    int DPI;
    int W, H;
  } Cases[] = {{0, 2000, 1000}, {192, 1000, 500}};
  for (const Case& C : Cases) {
    Page P;
    P.FilterOptions.SetPictureDPI(C.DPI);
    if (C.DPI == 0) P.FilterOptions.SetSaveOriginalImages(true);
    ExportAsImage(F.Picture(0, 0, 500, 250, *Big), P);
    ASSERT_EQ(P.Doc.Images.size(), 1u);
    EXPECT_EQ(P.Doc.Images[0].Width, C.W);
    EXPECT_EQ(P.Doc.Images[0].Height, C.H);
  }
}

TEST(ExportImagePaths, TransparentPicturesGetAMaskOnlyWithTransparency) {
  Fixture F;
  auto B = Solid(4, 4, 0xFFFFFF);
  B->SetPixel(1, 1, 0x0000FF);
  for (bool On : {false, true}) {
    Page P;
    P.FilterOptions.SetTransparency(On);
    auto* V = F.Picture(0, 0, 4, 4, *B);
    V->Transparent = true;
    V->TransparentColor = 0xFFFFFF;
    ExportAsImage(V, P);
    EXPECT_EQ(P.Masked, On ? 1 : 0);
    if (On) {
      ASSERT_FALSE(P.LastMask.empty());
      EXPECT_EQ(std::count(P.LastMask.begin(), P.LastMask.end(), 0) > 0, true);
      EXPECT_EQ(std::count(P.LastMask.begin(), P.LastMask.end(), 255) > 0, true);
    }
  }
}

TEST(ExportImagePaths, MetafilePictureIsPlayedIntoThePageAndEmptyPictureKeepsItsFrame) {
  Fixture F;
  gfx::TMetafileCanvas C(100, 50);
  C.Brush.Color = 0x0000FF;
  C.Rectangle(0, 0, 100, 50);
  auto M = C.Metafile();
  auto* V = F.Picture(10, 10, 100, 50, *M);
  ASSERT_TRUE(V->IsEMFExportable());
  Page P;
  ExportViaMetafile(V, P);
  const std::string Out = P.Text();
  const auto Fill = Out.find("% fill"), Rect = Out.find(" re\r\nB*"), Frame = Out.find("% frame");
  EXPECT_TRUE(Fill < Rect && Rect < Frame && Frame != std::string::npos) << Out;

  Page Empty;
  auto* E = new TrepPictureView(F.ReportPage);
  ExportAsImage(E, Empty);
  EXPECT_EQ(Empty.Text(), "% fill\r\n% frame 1\r\n");
}

TEST(ExportImagePaths, MetafileOptionsFollowTheViewClass) {
  Fixture F;
  TrepPDFExport Filter;
  Filter.SetTransparency(true);
  Filter.SetPDFStandard(psPDFA_2b);
  rt::TMemoryStream In, Out;
  TEMFtoPDFExport E(&In, &Out, TrepRect{}, nullptr);
  auto* Shape = new TrepShapeView(F.ReportPage);
  SetMetafileOptions(E, Shape, Filter);
  EXPECT_TRUE(E.ForceNullBrush);
  EXPECT_FALSE(E.ForceButtLineCap);
  EXPECT_TRUE(E.Transparency);
  EXPECT_TRUE(E.ForceAnsi);
  EXPECT_TRUE(E.Clipped);
  auto* Line = new TrepLineView(F.ReportPage);
  SetMetafileOptions(E, Line, TrepPDFExport());
  EXPECT_FALSE(E.ForceNullBrush);
  EXPECT_FALSE(E.ForceAnsi);
  EXPECT_FALSE(E.Transparency);
  // Only a memo that lets its text run past its rectangle is played unclipped.
  auto* Memo = new TrepMemoView(F.ReportPage);
  for (bool Clipped : {false, true}) {
    Memo->Clipped = Clipped;
    SetMetafileOptions(E, Memo, Filter);
    EXPECT_EQ(E.Clipped, Clipped);
  }
}
