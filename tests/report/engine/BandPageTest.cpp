// Bands, subreports and pages: band numbers and names, the child chain, the fill memo, data
// band columns and rows, paper, orientation, margins, columns and alignment of a report page.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "report/engine/repClass.h"
#include "report/engine/repRes.h"
#include "tests/report/EngineSetup.h"

namespace {

void Start() { enginesetup::StartEngine(); }

} // namespace

TEST(Bands, NumbersAndNamesFollowTheBandTable) {
  Start();
  struct Case {
    std::function<TrepBand*()> Make;
    int Number;
    const char* Name;
  };
  const Case Cases[] = {
      {[] { return new TrepReportTitle(nullptr); }, 0, "ReportTitle"},
      {[] { return new TrepPageFooter(nullptr); }, 3, "PageFooter"},
      {[] { return new TrepMasterData(nullptr); }, 6, "MasterData"},
      {[] { return new TrepDataBand6(nullptr); }, 11, "Data6"},
      {[] { return new TrepDataBand(nullptr); }, 0, "Data"},
      {[] { return new TrepChild(nullptr); }, 14, "Child"},
      {[] { return new TrepOverlay(nullptr); }, 17, "Overlay"},
      {[] { return new TrepNullBand(nullptr); }, 0, "Null"},
  };
  for (const Case& C : Cases) {
    std::unique_ptr<TrepBand> B(C.Make());
    EXPECT_EQ(B->BandNumber(), C.Number) << C.Name;
    EXPECT_EQ(B->BandName(), C.Name);
  }
  EXPECT_EQ(BandClasses().size(), 18u);
}

TEST(Bands, AChildChainThatLeadsBackIsRefused) {
  Start();
  TrepReport R(nullptr);
  auto* Page = new TrepReportPage(&R);
  auto* A = new TrepChild(Page);
  auto* B = new TrepChild(Page);
  auto* C = new TrepChild(Page);
  auto* Data = new TrepMasterData(Page);

  EXPECT_THROW(A->SetChild(A), rt::Exception);  // its own child
  EXPECT_EQ(A->Child(), nullptr);
  B->SetChild(C);
  C->SetChild(A);
  EXPECT_THROW(A->SetChild(B), rt::Exception);  // A -> B -> C -> A
  EXPECT_EQ(A->Child(), nullptr);
  Data->SetChild(B);  // a chain that never comes back is fine
  EXPECT_EQ(Data->Child(), B);

  // A freed child reads as none.
  delete B;
  EXPECT_EQ(Data->Child(), nullptr);
}

TEST(Bands, FillMemoOnlyWhenTheBandPaintsSomething) {
  Start();
  TrepReportPage Page(nullptr);
  auto* Plain = new TrepHeader(&Page);
  auto* View = new TrepMemoView(Plain);
  Plain->CreateFillMemo();
  EXPECT_EQ(Plain->FillMemo(), nullptr);

  auto* Framed = new TrepHeader(&Page);
  Framed->SetBounds(0, 0, 500, 40);
  new TrepMemoView(Framed);
  Framed->Frame().Typ = TrepFrameTypes{ftTop};
  Framed->FillGap().Left = 3;
  Framed->FillGap().Bottom = 4;
  Framed->CreateFillMemo();
  TrepMemoView* M = Framed->FillMemo();
  ASSERT_NE(M, nullptr);
  EXPECT_EQ(Framed->Objects()[0], M);
  EXPECT_EQ(M->Align, baHidden);
  EXPECT_DOUBLE_EQ(M->Left(), 3);
  EXPECT_DOUBLE_EQ(M->Height(), 36);
  EXPECT_TRUE(M->Frame().Typ.Contains(ftTop));
  Framed->DisposeFillMemo();
  EXPECT_EQ(Framed->FillMemo(), nullptr);
  EXPECT_EQ(Framed->Objects().Count(), 1);

  auto* Null = new TrepNullBand(&Page);
  Null->Frame().Typ = TrepFrameTypes{ftTop};
  Null->CreateFillMemo();
  EXPECT_EQ(Null->FillMemo(), nullptr);
  (void)View;
}

TEST(Bands, DataBandRowsAndColumns) {
  Start();
  TrepMasterData B(nullptr);
  B.SetRowCount(5);
  EXPECT_EQ(B.VirtualDataSet().RangeEnd, reCount);
  EXPECT_EQ(B.VirtualDataSet().RangeEndCount, 5);

  B.Columns = 2;
  B.ColumnWidth = 100;
  B.ColumnGap = 10;
  B.SetCurColumn(2);
  EXPECT_DOUBLE_EQ(B.Left(), 110);
  B.MaxY = 50;
  B.SetCurColumn(3);
  EXPECT_EQ(B.CurColumn(), 1);
  EXPECT_DOUBLE_EQ(B.Left(), 0);
  EXPECT_DOUBLE_EQ(B.MaxY, 0);
}

TEST(Bands, DrillDownHeaderDiffEndsWithItsDrillName) {
  Start();
  TrepGroupHeader A(nullptr), B(nullptr);
  A.DrillName = "Group1";
  EXPECT_EQ(A.Diff(&B).find(u"DrillName"), std::u16string::npos);
  A.DrillDown = true;
  const std::u16string D = A.Diff(&B);
  const std::u16string Tail = u" DrillName=\"Group1\"";
  ASSERT_GE(D.size(), Tail.size());
  EXPECT_EQ(D.substr(D.size() - Tail.size()), Tail);
}

TEST(Subreports, PageAndSubreportPointAtEachOtherUntilOneGoes) {
  Start();
  TrepReport R(nullptr);
  auto* Main = new TrepReportPage(&R);
  auto* Inner = new TrepReportPage(&R);
  auto* S = new TrepSubreport(Main);
  S->SetPage(Inner);
  EXPECT_EQ(Inner->SubReport(), S);
  EXPECT_TRUE(Inner->IsSubReport());
  EXPECT_FALSE(S->frComponentStyle.Contains(csPreviewVisible));
  delete S;
  EXPECT_EQ(Inner->SubReport(), nullptr);

  auto* S2 = new TrepSubreport(Main);
  S2->SetPage(Inner);
  delete Inner;
  EXPECT_EQ(S2->Page(), nullptr);
}

TEST(ReportPages, PaperSizesAndOrientation) {
  Start();
  TrepReportPage P(nullptr);
  EXPECT_DOUBLE_EQ(P.PaperWidth(), 210);
  EXPECT_DOUBLE_EQ(P.PaperHeight(), 297);
  EXPECT_EQ(P.PaperSize(), 9);
  EXPECT_DOUBLE_EQ(P.Width(), 794);
  EXPECT_DOUBLE_EQ(P.Height(), 1123);

  P.SetOrientation(poLandscape);
  P.SetPaperSize(9);
  EXPECT_DOUBLE_EQ(P.PaperWidth(), 297);
  EXPECT_DOUBLE_EQ(P.PaperHeight(), 210);

  P.SetPaperSize(300);  // the user's own size: sides and component stay
  EXPECT_DOUBLE_EQ(P.PaperWidth(), 297);
  EXPECT_DOUBLE_EQ(P.Width(), 1123);

  P.SetPaperWidth(215.9);
  EXPECT_EQ(P.PaperSize(), 256);
  P.SetPaperWidth(100.123456789);
  EXPECT_DOUBLE_EQ(P.PaperWidth(), 100.12345679);

  TrepReportPage Letter(nullptr);
  Letter.SetOrientation(poLandscape);
  Letter.SetPaperSize(1);
  EXPECT_NEAR(Letter.PaperWidth(), 279.4, 1e-9);
  EXPECT_NEAR(Letter.PaperHeight(), 215.9, 1e-9);
}

TEST(ReportPages, TurningThePageTurnsTheMargins) {
  Start();
  TrepReportPage P(nullptr);
  P.LeftMargin = 10;
  P.RightMargin = 20;
  P.TopMargin = 30;
  P.BottomMargin = 40;
  P.SetOrientation(poLandscape);
  EXPECT_EQ((std::vector<double>{P.LeftMargin, P.RightMargin, P.TopMargin, P.BottomMargin}),
            (std::vector<double>{30, 40, 20, 10}));
  P.SetOrientation(poLandscape);  // the same orientation changes nothing
  EXPECT_DOUBLE_EQ(P.LeftMargin, 30);
  P.SetOrientation(poPortrait);
  EXPECT_EQ((std::vector<double>{P.LeftMargin, P.RightMargin, P.TopMargin, P.BottomMargin}),
            (std::vector<double>{10, 20, 30, 40}));
}

TEST(ReportPages, ColumnsAndPageCount) {
  Start();
  TrepReportPage P(nullptr);
  P.LeftMargin = P.RightMargin = 10;
  P.SetColumns(3);
  EXPECT_NEAR(P.ColumnWidth, 190.0 / 3, 1e-12);
  ASSERT_EQ(P.ColumnPositions().Count(), 3);
  EXPECT_EQ(P.ColumnPositions()[0], "0");
  EXPECT_NEAR(std::stod(P.ColumnPositions()[2]), 2 * 190.0 / 3, 1e-9);
  P.SetColumns(0);
  EXPECT_EQ(P.ColumnPositions().Count(), 0);
  P.SetPageCount(0);
  EXPECT_EQ(P.PageCount(), 1);
  P.SetPageCount(3);
  EXPECT_EQ(P.PageCount(), 3);
}

TEST(ReportPages, AlignChildrenSizesBandsToThePrintableArea) {
  Start();
  TrepReportPage P(nullptr);
  P.LeftMargin = P.RightMargin = P.TopMargin = P.BottomMargin = 10;
  auto* Title = new TrepReportTitle(&P);
  auto* Data = new TrepMasterData(&P);
  auto* Side = new TrepMasterData(&P);
  Side->Vertical = true;
  Side->SetTop(20);
  P.SetColumns(2);
  P.AlignChildren(true, {});
  const double Area = 190 * fr01cm;
  EXPECT_NEAR(Title->Width(), Area, 1e-9);
  EXPECT_NEAR(Data->Width(), P.ColumnWidth * fr01cm, 1e-9);
  EXPECT_NEAR(Side->Height(), 277 * fr01cm - 20, 1e-9);
  EXPECT_DOUBLE_EQ(P.Width(), 794);
  EXPECT_DOUBLE_EQ(P.Height(), 1123);
  EXPECT_EQ(P.FindBand(TrepDataBand::ClassInfo()), Data);
  EXPECT_EQ(P.FindBand(TrepPageFooter::ClassInfo()), nullptr);
}

TEST(ReportPages, BackPictureDrawsOnlyWhereAllowed) {
  Start();
  TrepReportPage P(nullptr);
  P.SetColor(0x00FF00);
  EXPECT_EQ(P.BackPicture().Color(), 0x00FF00);
  struct Case {
    bool Visible, Printable, Printing, Drawn;
  };
  for (const Case C : {Case{true, true, false, true}, Case{false, true, false, false},
                       Case{true, false, true, false}, Case{true, false, false, true}}) {
    P.BackPictureVisible = C.Visible;
    P.BackPicturePrintable = C.Printable;
    P.SetIsPrinting(C.Printing);
    gfx::TRecordingCanvas Canvas;
    P.Draw(Canvas, 1, 1, 0, 0);
    EXPECT_EQ(!Canvas.Ops.empty(), C.Drawn) << C.Visible << C.Printable << C.Printing;
  }
}

TEST(OtherPages, DataAndDialogPagesKeepTheirSettings) {
  Start();
  TrepDataPage D(nullptr);
  EXPECT_DOUBLE_EQ(D.Width(), 1000);
  TrepDialogPage G(nullptr);
  EXPECT_EQ(G.BorderStyle, bsSizeable);
  EXPECT_EQ(G.Font().Name(), "Tahoma");
  EXPECT_THROW(G.ShowModal(), rt::EInvalidOperation) << "no presenter on this thread";
}
