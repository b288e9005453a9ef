// Printing prepared pages against a printer that logs what it is asked: page selection and
// order, collated and uncollated copies, trays, the blank back side duplex owes, the print
// modes' sheets and scales, termination, and the refusal without a physical printer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "report/engine/repClass.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repPrintPages.h"
#include "report/engine/repPrinter.h"
#include "report/engine/repRes.h"
#include "tests/report/EngineSetup.h"

namespace {

void Start() { enginesetup::StartEngine(); }

// An A4 printer at 96 dpi without margins that logs its calls.
class TLogPrinter : public TrepCustomPrinter {
public:
  TLogPrinter() : TrepCustomPrinter("Log", "LPT1") {
    FDPI = {96, 96};
    FPaperWidth = FDefPaperWidth = 210;
    FPaperHeight = FDefPaperHeight = 297;
    FInitialized = true;
  }
  std::vector<std::string> Log;
  void Init() override {}
  void Abort() override { Log.push_back("abort"); }
  void BeginDoc() override { Log.push_back("doc"); }
  void BeginPage() override { Log.push_back("page"); }
  void BeginRAWDoc() override {}
  void EndDoc() override { Log.push_back("enddoc"); }
  void EndPage() override {}
  void EndRAWDoc() override {}
  void WriteRAWDoc(const std::string&) override {}
  void SetViewParams(int, double, double, TPrinterOrientation) override {}
  void SetPrintParams(int Paper, double W, double H, TPrinterOrientation O, int Bin, int Duplex, int Copies) override {
    Log.push_back("params " + std::to_string(Paper) + (O == poLandscape ? " land" : "") + " bin " +
                  std::to_string(Bin) + " duplex " + std::to_string(Duplex) + " copies " + std::to_string(Copies));
    FPaperWidth = W;
    FPaperHeight = H;
    FOrientation = O;
  }
  void PropertiesDlg() override {}
};

// Prepared pages made from one template page whose tray, duplex and paper change per page;
// the tray of page I is 100 + I unless a test says otherwise.
class PrintTest : public ::testing::Test {
protected:
  void SetUp() override {
    Start();
    R.EngineOptions.SilentMode = simSilent;
    R.EngineOptions.EnableThreadSafe = true;
    Page = new TrepReportPage(&R);
    Page->SetName("Page1");
    R.OnPrintPage = [this](TrepReportPage* P, int CopyNo) {
      Printed.push_back(std::to_string(P->Bin) + "/" + std::to_string(CopyNo));
    };
  }
  // One template page per prepared page, as a report of several pages has: the store takes a
  // page's paper, tray and duplex from its template.
  void Prepare(int Count, const std::vector<int>& Bins = {}, TrepDuplexMode Duplex = dmNone, int Paper = 9,
               double Width = 0, double Height = 0) {
    auto& P = *static_cast<TrepPreviewPages*>(R.PreviewPages());
    P.Clear();
    for (TrepReportPage* T : Templates) delete T;
    Templates.clear();
    P.Initialize();
    P.AddPageAction = apAdd;
    for (int I = 0; I < Count; ++I) {
      auto* T = new TrepReportPage(&R);
      T->SetName("T" + std::to_string(++Made));
      T->SetPaperSize(Paper);
      if (Width > 0) {
        T->SetPaperWidth(Width);
        T->SetPaperHeight(Height);
      }
      T->Duplex = Duplex;
      T->Bin = I < static_cast<int>(Bins.size()) ? Bins[static_cast<std::size_t>(I)] : 100 + I;
      Templates.push_back(T);
      P.AddSourcePage(T);
    }
    P.BeginPass();
    for (TrepReportPage* T : Templates) {
      P.AddPage(T);
      P.AddPageAction = apAdd;
    }
    P.Finish();
  }
  void Print(TrepDuplexMode DialogDuplex = dmNone) { RunPrintJob(*R.PreviewPages(), Printer, DialogDuplex); }
  std::vector<std::string> Pages() const {
    std::vector<std::string> L;
    for (const std::string& S : Printer.Log)
      if (S == "page") L.push_back(S);
    return L;
  }

  TrepReport R{nullptr};
  TrepReportPage* Page = nullptr;
  std::vector<TrepReportPage*> Templates;
  int Made = 0;
  TLogPrinter Printer;
  std::vector<std::string> Printed;
};

TEST_F(PrintTest, CollatedCopiesPrintWholePassesWithOneCopyEach) {
  Prepare(3);
  R.PrintOptions.Copies = 2;
  Print();
  EXPECT_EQ(Printed, (std::vector<std::string>{"100/1", "101/1", "102/1", "100/2", "101/2", "102/2"}));
  EXPECT_EQ(Printer.Log.front(), "params 9 bin 100 duplex 0 copies 1");
  EXPECT_EQ(Printer.Log.back(), "enddoc");
  EXPECT_EQ(Pages().size(), 6u);
  EXPECT_EQ(R.PreviewPages()->PrintCopyNo, 2);

  // Uncollated: one pass, the printer makes the copies.
  Printer.Log.clear();
  Printed.clear();
  R.PrintOptions.Collate = false;
  Print();
  EXPECT_EQ(Printed, (std::vector<std::string>{"100/1", "101/1", "102/1"}));
  EXPECT_EQ(Printer.Log.front(), "params 9 bin 100 duplex 0 copies 2");
}

TEST_F(PrintTest, PageSelectionAndOrder) {
  struct TCase {
    const char* Numbers;
    TrepPrintPages Which;
    bool Reverse;
    std::vector<std::string> Printed;
  };
  const TCase Cases[] = {
      {"", ppAll, false, {"100/1", "101/1", "102/1", "103/1", "104/1"}},
      {"", ppAll, true, {"104/1", "103/1", "102/1", "101/1", "100/1"}},
      {"", ppOdd, false, {"100/1", "102/1", "104/1"}},
      {"", ppEven, true, {"103/1", "101/1"}},
      {"4,2-3", ppAll, false, {"103/1", "101/1", "102/1"}},
      {"4-", ppAll, false, {"103/1", "104/1"}},
      {"2, 9, 0, 5", ppOdd, false, {"104/1"}},  // pages that do not exist are passed over
  };
  Prepare(5);
  for (const TCase& C : Cases) {
    Printed.clear();
    R.PrintOptions.PageNumbers = C.Numbers;
    R.PrintOptions.PrintPages = C.Which;
    R.PrintOptions.Reverse = C.Reverse;
    Print();
    EXPECT_EQ(Printed, C.Printed) << C.Numbers << " " << C.Which << " " << C.Reverse;
  }
}

TEST_F(PrintTest, TraysAndDuplexBackSides) {
  // The first page of a tray value takes it, later ones the tray of other pages (7).
  Prepare(3, {1, 1, 2});
  Print();
  const std::vector<std::string> Params = {"params 9 bin 1 duplex 0 copies 1", "params 9 bin 7 duplex 0 copies 1",
                                           "params 9 bin 2 duplex 0 copies 1"};
  std::vector<std::string> Got;
  for (const std::string& S : Printer.Log)
    if (S.rfind("params", 0) == 0) Got.push_back(S);
  EXPECT_EQ(Got, Params);

  // Three duplex pages a copy: each collated copy after the first starts on a sheet of its own.
  Printer.Log.clear();
  Prepare(3, {5, 5, 5}, dmVertical);
  R.PrintOptions.Copies = 2;
  Print();
  EXPECT_EQ(Pages().size(), 8u);
  // An even count owes nothing.
  Printer.Log.clear();
  Prepare(2, {5, 5}, dmVertical);
  Print();
  EXPECT_EQ(Pages().size(), 4u);
  // The dialog's duplex overrides the pages'.
  Printer.Log.clear();
  Prepare(3, {5, 5, 5}, dmNone);
  R.PrintOptions.Copies = 1;
  Print(dmHorizontal);
  EXPECT_EQ(Printer.Log.front(), "params 9 bin 5 duplex 2 copies 1");
}

TEST_F(PrintTest, TerminationAbortsTheJob) {
  Prepare(4);
  R.OnPrintPage = [this](TrepReportPage*, int) {
    Printed.push_back("p");
    if (Printed.size() == 2) R.SetTerminated(true);
  };
  R.PrintOptions.Copies = 3;
  Print();
  EXPECT_EQ(Printed.size(), 2u);
  EXPECT_EQ(Printer.Log.back(), "abort");
}

TEST(PrintSheets, SheetCountRule) {
  struct TCase {
    double Length, Sheet;
    int Count;
  };
  const TCase Cases[] = {
      {297, 210, 2}, {420, 210, 2}, {430, 210, 2}, {431, 210, 3}, {100, 210, 1},
      {210, 210, 1}, {199.5, 210, 1}, {0, 210, 1}, {100, 0, 1}, {1e12, 1, 10000},
  };
  for (const TCase& C : Cases) EXPECT_EQ(PrintSheetCount(C.Length, C.Sheet), C.Count) << C.Length << "/" << C.Sheet;
}

TEST_F(PrintTest, ModesOfSheets) {
  gfx::TRecordingCanvas Canvas;
  int Draws = 0;
  auto Provider = [&](TrepCustomPrinter&) -> gfx::TCanvas* {
    ++Draws;
    return &Canvas;
  };
  // A3 over A4 sheets: turned, two sheets.
  Prepare(1, {}, dmNone, 8);
  R.PrintOptions.PrintMode = pmSplit;
  R.PrintOptions.PrintOnSheet = 9;
  RunPrintJob(*R.PreviewPages(), Printer, dmNone, Provider);
  EXPECT_EQ(Printer.Log.front(), "params 9 land bin 100 duplex 0 copies 1");
  EXPECT_EQ(Pages().size(), 2u);
  EXPECT_EQ(Draws, 2);

  // Four A6 pages, two copies each, on A4: 2 x 2 cells a sheet, so two sheets.
  Printer.Log.clear();
  Printed.clear();
  Printer.SetPrintParams(9, 210, 297, poPortrait, 7, 0, 1);
  Printer.Log.clear();
  Prepare(4, {}, dmNone, 9, 105, 148);
  R.PrintOptions.PrintMode = pmJoin;
  R.PrintOptions.Copies = 2;
  RunPrintJob(*R.PreviewPages(), Printer, dmNone, Provider);
  EXPECT_EQ(Printer.Log.front(), "params 9 bin 100 duplex 0 copies 1");
  EXPECT_EQ(Pages().size(), 2u);
  EXPECT_EQ(Printed, (std::vector<std::string>{"100/1", "100/2", "101/1", "101/2", "102/1", "102/2", "103/1", "103/2"}));

  // A5 scaled onto A4: the memos lay text out at the smaller scale.
  Printer.Log.clear();
  Printer.SetPrintParams(9, 210, 297, poPortrait, 7, 0, 1);
  Prepare(1, {}, dmNone, 11);
  R.PrintOptions.PrintMode = pmScale;
  R.PrintOptions.Copies = 1;
  RunPrintJob(*R.PreviewPages(), Printer, dmNone, Provider);
  EXPECT_NEAR(R.PreviewPages()->PrintScale, std::min(210.0 / 148, 297.0 / 210), 1e-6);
}

// A print laid out as the sheets of a document: the sheet sizes as they lie and where each page's
// paper corner lands, in millimetres.
TEST_F(PrintTest, SheetsOfADocumentPrint) {
  struct TPlaced {
    int Page;
    double Left, Top, ScaleX, ScaleY;
  };
  struct TSheet {
    double Width, Height;
    std::vector<TPlaced> Pages;
  };
  struct TCase {
    const char* Name;
    int Pages, Paper;
    double PaperWidth, PaperHeight;
    TrepPrintMode Mode;
    int Sheet, Copies;
    bool Collate;
    std::vector<TSheet> Expected;
  };
  const TCase Cases[] = {
      {"an A3 page split over turned A4 sheets, the second moved up by the sheet less the splicing line",
       1, 8, 0, 0, pmSplit, 9, 1, true,
       {{297, 210, {{0, 0, 0, 1, 1}}}, {297, 210, {{0, 0, -207, 1, 1}}}}},
      {"uncollated copies repeat each sheet", 1, 8, 0, 0, pmSplit, 9, 2, false,
       {{297, 210, {{0, 0, 0, 1, 1}}}, {297, 210, {{0, 0, 0, 1, 1}}},
        {297, 210, {{0, 0, -207, 1, 1}}}, {297, 210, {{0, 0, -207, 1, 1}}}}},
      {"A4 pages joined two to a turned A3 sheet, none beyond its edge", 3, 9, 0, 0, pmJoin, 8, 1, true,
       {{420, 297, {{0, 0, 0, 1, 1}, {1, 210, 0, 1, 1}}}, {420, 297, {{2, 0, 0, 1, 1}}}}},
      {"A6 pages with two copies each, four cells to an A4 sheet", 2, 9, 105, 148, pmJoin, 9, 2, true,
       {{210, 297, {{0, 0, 0, 1, 1}, {0, 105, 0, 1, 1}, {1, 0, 148, 1, 1}, {1, 105, 148, 1, 1}}}}},
      {"an A5 page scaled to fill an A4 sheet", 1, 11, 0, 0, pmScale, 9, 1, true,
       {{210, 297, {{0, 0, 0, 210.0 / 148, 297.0 / 210}}}}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Prepare(C.Pages, {}, dmNone, C.Paper, C.PaperWidth, C.PaperHeight);
    TrepPrintOptions O;
    O.PrintMode = C.Mode;
    O.PrintOnSheet = C.Sheet;
    O.Copies = C.Copies;
    O.Collate = C.Collate;
    const std::vector<TrepPrintSheet> Sheets = repPrintSheets(*R.PreviewPages(), O, 0, 0, 100);
    ASSERT_EQ(Sheets.size(), C.Expected.size());
    for (std::size_t I = 0; I < Sheets.size(); ++I) {
      SCOPED_TRACE("sheet " + std::to_string(I));
      EXPECT_NEAR(Sheets[I].Width, C.Expected[I].Width, 0.01);
      EXPECT_NEAR(Sheets[I].Height, C.Expected[I].Height, 0.01);
      ASSERT_EQ(Sheets[I].Pages.size(), C.Expected[I].Pages.size());
      for (std::size_t K = 0; K < Sheets[I].Pages.size(); ++K) {
        const TrepPrintPlacement& P = Sheets[I].Pages[K];
        const TPlaced& E = C.Expected[I].Pages[K];
        EXPECT_EQ(P.Page, E.Page);
        EXPECT_NEAR(P.Left, E.Left, 0.05);
        EXPECT_NEAR(P.Top, E.Top, 0.05);
        EXPECT_NEAR(P.ScaleX, E.ScaleX, 1e-6);
        EXPECT_NEAR(P.ScaleY, E.ScaleY, 1e-6);
      }
    }
  }
  // The report's own print options are not what the layout reads, nor are they changed.
  EXPECT_EQ(R.PrintOptions.PrintMode, pmDefault);
  TrepPrintOptions Many;
  Many.PrintMode = pmSplit;
  Many.PrintOnSheet = 11;  // A5 sheets under an A3 page: four each
  Many.Copies = 30;
  Prepare(1, {}, dmNone, 8);
  EXPECT_THROW(repPrintSheets(*R.PreviewPages(), Many, 0, 0, 100), rt::Exception);
}

// A spooler that lists no printer: the list holds only the virtual one.
struct TNoPrinters : TrepPrintSpooler {
  std::vector<TPrinterEntry> EnumPrinters() override { return {}; }
  std::string DefaultPrinter() override { return {}; }
  std::unique_ptr<TrepPrinterDevice> OpenPrinter(const std::string&) override { return nullptr; }
};

TEST_F(PrintTest, WithoutPhysicalPrintersNothingPrintsAndOptionsStay) {
  Prepare(2);
  TNoPrinters Spooler;
  TrepPrinters List(Spooler);
  R.PrintOptions.Copies = 4;
  R.PrintOptions.PrnOutFileName = "out.prn";
  EXPECT_FALSE(PrintPreparedPages(*R.PreviewPages(), List));
  EXPECT_TRUE(Printed.empty());
  EXPECT_EQ(R.PrintOptions.Copies, 4);
  EXPECT_EQ(R.PrintOptions.PrnOutFileName, "out.prn");
}

} // namespace

TEST(PrintSequence, RangeOddEvenOrderAndCopiesOfADocumentPrint) {
  struct Case {
    const char* Name;
    std::string Pages;
    TrepPrintPages Which;
    bool Reverse;
    int Copies;
    bool Collate;
    std::vector<int> Expected;
  } Cases[] = {
      {"every page", "", ppAll, false, 1, true, {0, 1, 2, 3, 4}},
      {"a range", "2-3", ppAll, false, 1, true, {1, 2}},
      {"odd pages of a list, reversed", "1,2,4-5", ppOdd, true, 1, true, {4, 0}},
      {"collated copies repeat the run", "2-3", ppAll, false, 2, true, {1, 2, 1, 2}},
      {"uncollated copies repeat each page", "2-3", ppAll, false, 2, false, {1, 1, 2, 2}},
      {"numbers past the end name nothing", "7-9", ppAll, false, 1, true, {}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    TrepPrintOptions O;
    O.PageNumbers = C.Pages;
    O.PrintPages = C.Which;
    O.Reverse = C.Reverse;
    O.Copies = C.Copies;
    O.Collate = C.Collate;
    EXPECT_EQ(repPrintSequence(5, O), C.Expected);
  }
  TrepPrintOptions Many;
  Many.Copies = 1000;
  EXPECT_EQ(static_cast<int>(repPrintSequence(100, Many).size()), repMaxPrintSequence) << "a huge print is cut";
}
