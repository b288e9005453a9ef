// Printing prepared pages through a printer of the printer list. See repPrintPages.h.
#include "report/engine/repPrintPages.h"
#include "report/engine/repPreview.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/rt/SysUtils.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"

namespace {

// A last sheet filled within this many millimetres counts as full.
constexpr double SheetTolerance = 11;
// Sides of papers are rounded to this many millimetres before pages are fitted on a sheet.
constexpr double FitTolerance = 0.5;

// Pages of length Length side by side along a sheet length: at least one.
int PagesThatFit(double SheetLength, double Length) {
  if (!(Length > 0) || !(SheetLength > 0)) return 1;
  const double Q = (SheetLength + FitTolerance) / Length;
  return Q >= 10000 ? 10000 : std::max(1, static_cast<int>(Q));
}

class TPrintJob {
public:
  TPrintJob(TrepCustomPreviewPages& Pages, TrepCustomPrinter& Printer, TrepDuplexMode DialogDuplex,
            const TrepPrintCanvasProvider& Canvas, const TrepPrintPlacementSink& Placed,
            const TrepPrintOptions& Options)
      : FPages(Pages), FReport(*Pages.Report()), FOptions(Options), FPrinter(Printer),
        FDialogDuplex(DialogDuplex), FCanvas(Canvas), FPlaced(Placed) {}

  void Run();

private:
  // The page index printed at position Pos of the loop; -1 when none.
  int PageAt(int Pos) const;
  bool Filtered(int Index) const;
  int Copies() const { return std::max(1, FOptions.Copies); }
  bool Stopped();
  void Draw(int Index, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
  void BeginDocOnce();
  void OnePerSheet(int CopyNo);
  void Split(int CopyNo);
  void Join();
  // The duplex of a page: the dialog's choice, else the page's own.
  int DuplexOf(const TrepReportPage& Page) const;

  TrepCustomPreviewPages& FPages;
  TrepReport& FReport;
  const TrepPrintOptions& FOptions;
  TrepCustomPrinter& FPrinter;
  TrepDuplexMode FDialogDuplex;
  const TrepPrintCanvasProvider& FCanvas;
  const TrepPrintPlacementSink& FPlaced;
  std::vector<int> FList;  // 1-based page numbers; empty: every page
  int FCount = 0;
  std::vector<int> FUsedBins;
  bool FBegun = false;
  bool FBlankOwed = false;
  bool FAborted = false;
  int FPrevDuplex = -1;
  // The sheet of the modes other than pmDefault (millimetres).
  double FSheetW = 0, FSheetH = 0;
  // The values of the last SetPrintParams.
  int FLastPaper = -1, FLastWidth = -1, FLastHeight = -1, FLastBin = -1, FLastDuplex = -1;
  TPrinterOrientation FLastOrientation = poPortrait;
};

int TPrintJob::PageAt(int Pos) const {
  const int Total = FPages.GetCount();
  int Index = -1;
  if (!FList.empty()) {
    if (Pos >= 0 && Pos < static_cast<int>(FList.size())) Index = FList[static_cast<std::size_t>(Pos)] - 1;
  } else if (Pos >= 0 && Pos < FCount) {
    Index = Pos;
  }
  if (Index < 0 || Index >= Total) return -1;
  return Filtered(Index) ? -1 : Index;
}

bool TPrintJob::Filtered(int Index) const {
  const bool Odd = (Index + 1) % 2 == 1;
  return (FOptions.PrintPages == ppOdd && !Odd) || (FOptions.PrintPages == ppEven && Odd);
}

bool TPrintJob::Stopped() {
  if (FAborted) return true;
  if (!FReport.Terminated()) return false;
  FPrinter.Abort();
  FAborted = true;
  return true;
}

void TPrintJob::Draw(int Index, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
  if (FPlaced) FPlaced(FPrinter, Index, ScaleX, ScaleY, OffsetX, OffsetY);
  gfx::TCanvas* C = FCanvas ? FCanvas(FPrinter) : nullptr;
  if (C != nullptr) FPages.DrawPage(Index, *C, ScaleX, ScaleY, OffsetX, OffsetY, false);
}

void TPrintJob::BeginDocOnce() {
  if (FBegun) return;
  FPrinter.BeginDoc();
  FBegun = true;
}

int TPrintJob::DuplexOf(const TrepReportPage& Page) const {
  return FDialogDuplex != dmNone ? FDialogDuplex : Page.Duplex;
}

void TPrintJob::OnePerSheet(int CopyNo) {
  const bool Scale = FOptions.PrintMode == pmScale;
  const int PrinterCopies = FOptions.Collate ? 1 : Copies();
  double SheetWidth = 0, SheetHeight = 0;
  for (int K = 0; K < FCount; ++K) {
    const int Index = PageAt(FOptions.Reverse ? FCount - 1 - K : K);
    if (Index < 0) continue;
    if (Stopped()) return;
    TrepReportPage* Page = FPages.GetPage(Index);
    if (Page == nullptr) continue;
    FPages.PrintCopyNo = CopyNo;
    // The first page of each tray value takes its own tray; later ones the tray of other pages.
    int Bin = Page->BinOtherPages;
    if (std::find(FUsedBins.begin(), FUsedBins.end(), Page->Bin) == FUsedBins.end()) {
      Bin = Page->Bin;
      FUsedBins.push_back(Page->Bin);
    }
    const int Duplex = DuplexOf(*Page);
    if (Duplex != FPrevDuplex) FBlankOwed = false;
    if (Duplex == dmVertical || Duplex == dmHorizontal) FBlankOwed = !FBlankOwed;
    FPrevDuplex = Duplex;

    const int W = RoundHalfEven(Page->PaperWidth()), H = RoundHalfEven(Page->PaperHeight());
    if (Scale) {
      if (!FBegun || Bin != FLastBin || Page->Orientation() != FLastOrientation || Duplex != FLastDuplex)
        FPrinter.SetPrintParams(FOptions.PrintOnSheet, FSheetW, FSheetH, Page->Orientation(), Bin, Duplex,
                                PrinterCopies);
      SheetWidth = FPrinter.PaperWidth();
      SheetHeight = FPrinter.PaperHeight();
    } else if (!FBegun || Page->PaperSize() != FLastPaper || W != FLastWidth || H != FLastHeight || Bin != FLastBin ||
               Page->Orientation() != FLastOrientation || Duplex != FLastDuplex) {
      FPrinter.SetPrintParams(Page->PaperSize(), Page->PaperWidth(), Page->PaperHeight(), Page->Orientation(), Bin,
                              Duplex, PrinterCopies);
    }
    BeginDocOnce();
    if (FReport.OnPrintPage) FReport.OnPrintPage(Page, CopyNo);
    FPrinter.BeginPage();
    double SX = 1, SY = 1;
    if (Scale && Page->PaperWidth() > 0 && Page->PaperHeight() > 0) {
      SX = SheetWidth / Page->PaperWidth();
      SY = SheetHeight / Page->PaperHeight();
      FPages.PrintScale = std::min(SX, SY);
    }
    const TrepPrinterDPI Dpi = FPrinter.DPI();
    Draw(Index, SX * Dpi.X / 96.0, SY * Dpi.Y / 96.0, -FPrinter.LeftMargin() * Dpi.X / 25.4,
         -FPrinter.TopMargin() * Dpi.Y / 25.4);
    FReport.InternalOnProgress(ptPrinting, Index + 1);
    FPrinter.EndPage();
    FLastPaper = Page->PaperSize();
    FLastWidth = W;
    FLastHeight = H;
    FLastBin = Bin;
    FLastOrientation = Page->Orientation();
    FLastDuplex = Duplex;
  }
}

void TPrintJob::Split(int CopyNo) {
  const int PrinterCopies = FOptions.Collate ? 1 : Copies();
  const double SheetW = FSheetW, SheetH = FSheetH;
  const double Splicing = FOptions.SplicingLine;
  for (int K = 0; K < FCount; ++K) {
    const int Index = PageAt(FOptions.Reverse ? FCount - 1 - K : K);
    if (Index < 0) continue;
    if (Stopped()) return;
    TrepReportPage* Page = FPages.GetPage(Index);
    if (Page == nullptr) continue;
    FPages.PrintCopyNo = CopyNo;
    const int Bin = Index == 0 ? Page->Bin : Page->BinOtherPages;
    const double PW = Page->PaperWidth(), PH = Page->PaperHeight();
    int Across = PrintSheetCount(PW, SheetW), Down = PrintSheetCount(PH, SheetH);
    const bool Turn = PrintSheetCount(PW, SheetH) * PrintSheetCount(PH, SheetW) < Across * Down;
    const double SW = Turn ? SheetH : SheetW, SH = Turn ? SheetW : SheetH;
    const double LM = Turn ? FPrinter.TopMargin() : FPrinter.LeftMargin();
    const double RM = Turn ? FPrinter.BottomMargin() : FPrinter.RightMargin();
    const double TM = Turn ? FPrinter.LeftMargin() : FPrinter.TopMargin();
    const double BM = Turn ? FPrinter.RightMargin() : FPrinter.BottomMargin();
    Across = PrintSheetCount(PW, SW);
    Down = PrintSheetCount(PH, SH);
    const double OverlapX = Across > 1 ? Splicing + LM + RM : 0, OverlapY = Down > 1 ? Splicing + TM + BM : 0;
    Across = PrintSheetCount(PW, SW - OverlapX);
    Down = PrintSheetCount(PH, SH - OverlapY);
    const TPrinterOrientation Orientation = Turn ? poLandscape : poPortrait;
    if (!FBegun || Orientation != FLastOrientation) {
      FPrinter.SetPrintParams(FOptions.PrintOnSheet, SheetW, SheetH, Orientation, Bin, DuplexOf(*Page), PrinterCopies);
      FLastOrientation = Orientation;
    }
    BeginDocOnce();
    if (FReport.OnPrintPage) FReport.OnPrintPage(Page, CopyNo);
    const TrepPrinterDPI Dpi = FPrinter.DPI();
    const double PrintableW = (SW - LM - RM) * Dpi.X / 25.4, PrintableH = (SH - TM - BM) * Dpi.Y / 25.4;
    const double SpliceX = Splicing * Dpi.X / 25.4, SpliceY = Splicing * Dpi.Y / 25.4;
    double OffsetY = -TM * Dpi.Y / 25.4;
    for (int Row = 0; Row < Down; ++Row) {
      double OffsetX = -LM * Dpi.X / 25.4;
      for (int Col = 0; Col < Across; ++Col) {
        if (Stopped()) return;
        FPrinter.BeginPage();
        Draw(Index, Dpi.X / 96.0, Dpi.Y / 96.0, OffsetX, OffsetY);
        FPrinter.EndPage();
        OffsetX -= PrintableW - SpliceX;
      }
      OffsetY -= PrintableH - SpliceY;
    }
    FReport.InternalOnProgress(ptPrinting, Index + 1);
  }
}

void TPrintJob::Join() {
  if (FPages.GetCount() == 0) return;
  int First = -1;
  for (int K = 0; K < FCount && First < 0; ++K) First = PageAt(FOptions.Reverse ? FCount - 1 - K : K);
  if (First < 0) return;
  TrepReportPage* Page = FPages.GetPage(First);
  if (Page == nullptr) return;
  const double PW = Page->PaperWidth(), PH = Page->PaperHeight();
  const int FirstBin = Page->Bin;
  const double SheetW = FSheetW, SheetH = FSheetH;
  // How many pages fit is no count of sheets: rounding up as for sheets would put the last row
  // or column beyond the sheet's edge, and those pages would be lost. The sheet is turned when
  // more pages fit on it that way.
  int Across = PagesThatFit(SheetW, PW), Down = PagesThatFit(SheetH, PH);
  const int TurnedAcross = PagesThatFit(SheetH, PW), TurnedDown = PagesThatFit(SheetW, PH);
  const bool Turn = TurnedAcross * TurnedDown > Across * Down;
  if (Turn) {
    Across = TurnedAcross;
    Down = TurnedDown;
  }
  FPrinter.SetPrintParams(FOptions.PrintOnSheet, SheetW, SheetH, Turn ? poLandscape : poPortrait,
                          FirstBin, FDialogDuplex, 1);
  BeginDocOnce();
  const TrepPrinterDPI Dpi = FPrinter.DPI();
  const double CellW = PW * Dpi.X / 25.4, CellH = PH * Dpi.Y / 25.4;
  // Each page fills Copies consecutive cells before the next page is taken.
  int Pos = 0, Copy = Copies();
  int Index = -1;
  auto Next = [&]() -> bool {
    if (Copy < Copies()) {
      ++Copy;
      return true;
    }
    for (; Pos < FCount; ++Pos) {
      Index = PageAt(FOptions.Reverse ? FCount - 1 - Pos : Pos);
      if (Index >= 0) {
        ++Pos;
        Copy = 1;
        return true;
      }
    }
    return false;
  };
  bool More = Next();
  while (More) {
    if (Stopped()) return;
    FPrinter.BeginPage();
    for (int Row = 0; Row < Down && More; ++Row)
      for (int Col = 0; Col < Across && More; ++Col) {
        FPages.PrintCopyNo = Copy;
        if (TrepReportPage* P = FPages.GetPage(Index); P != nullptr && FReport.OnPrintPage) FReport.OnPrintPage(P, Copy);
        Draw(Index, Dpi.X / 96.0, Dpi.Y / 96.0, -FPrinter.LeftMargin() * Dpi.X / 25.4 + Col * CellW,
             -FPrinter.TopMargin() * Dpi.Y / 25.4 + Row * CellH);
        More = Next();
      }
    FPrinter.EndPage();
    FReport.InternalOnProgress(ptPrinting, Pos);
  }
}

void TPrintJob::Run() {
  FReport.SetTerminated(false);
  FReport.InternalOnProgressStart(ptPrinting);
  FPrinter.SetTitle(!FReport.ReportOptions.Name.empty() ? FReport.ReportOptions.Name : FReport.FileName);
  rt::TStringList Numbers;
  ParsePageRange(FOptions.PageNumbers, Numbers, FPages.GetCount());
  for (int I = 0; I < Numbers.Count(); ++I) FList.push_back(rt::StrToIntDef(Numbers.Strings(I), 0));
  FCount = FList.empty() ? FPages.GetCount() : static_cast<int>(FList.size());
  FSheetW = FPrinter.PaperWidth() > 0 ? FPrinter.PaperWidth() : FPrinter.DefPaperWidth();
  FSheetH = FPrinter.PaperHeight() > 0 ? FPrinter.PaperHeight() : FPrinter.DefPaperHeight();

  if (FOptions.PrintMode == pmJoin) {
    // Copies are cells of the sheet here; collated passes would print each page Copies times
    // over.
    Join();
  } else if (FOptions.Collate) {
    for (int C = 1; C <= Copies() && !FAborted; ++C) {
      if (FOptions.PrintMode == pmSplit) Split(C);
      else OnePerSheet(C);
      // The next copy starts on a sheet of its own.
      if (FBlankOwed && !FAborted) {
        FBlankOwed = false;
        FPrinter.BeginPage();
        FPrinter.EndPage();
      }
      if (FReport.Terminated()) break;
    }
  } else if (FOptions.PrintMode == pmSplit) {
    Split(1);
  } else {
    OnePerSheet(1);
  }
  if (FBegun && !FAborted) FPrinter.EndDoc();
  FReport.InternalOnProgressStop(ptPrinting);
}

} // namespace

int PrintSheetCount(double Length, double SheetLength) {
  if (!(SheetLength > 0) || !(Length > 0)) return 1;
  const double Q = Length / SheetLength;
  // Paper sizes are millimetres of real sheets; a quotient past this is no print job.
  if (Q > 10000) return 10000;
  const int T = static_cast<int>(std::trunc(Q));
  const int N = std::fabs(T * SheetLength - Length) < SheetTolerance ? RoundHalfEven(Q) : T + 1;
  return std::max(1, N);
}

void RunPrintJob(TrepCustomPreviewPages& Pages, TrepCustomPrinter& Printer, TrepDuplexMode DialogDuplex,
                 const TrepPrintCanvasProvider& Canvas, const TrepPrintPlacementSink& Placed) {
  if (Pages.Report() == nullptr) return;
  TPrintJob(Pages, Printer, DialogDuplex, Canvas, Placed, Pages.Report()->PrintOptions).Run();
}

namespace {

// A printer whose sheets are pages of a document: 96 dots per inch (a device pixel is a report
// pixel), no unprintable margin, and each sheet recorded with the pages drawn on it. Copies asked
// of the device repeat the sheet, as a printer would.
class TSheetRecorder : public TrepCustomPrinter {
public:
  TSheetRecorder(std::vector<TrepPrintSheet>& Sheets, int MaxSheets)
      : TrepCustomPrinter("Document", ""), FSheets(Sheets), FMaxSheets(MaxSheets) {
    Init();
  }
  void Init() override {
    FDPI = {96, 96};
    FDefPaper = 9;
    FDefPaperWidth = 210;
    FDefPaperHeight = 297;
    FInitialized = true;
  }
  void Abort() override {}
  void BeginDoc() override {}
  void BeginPage() override {
    Room(1);
    FSheets.push_back({FPaperWidth, FPaperHeight, {}});
  }
  void EndPage() override {
    if (FSheets.empty()) return;
    Room(FCopies - 1);
    const TrepPrintSheet Sheet = FSheets.back();
    for (int C = 1; C < FCopies; ++C) FSheets.push_back(Sheet);
  }
  void BeginRAWDoc() override {}
  void EndDoc() override {}
  void EndRAWDoc() override {}
  void WriteRAWDoc(const std::string&) override {}
  void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight, TPrinterOrientation AOrientation) override {
    double W = APaperWidth, H = APaperHeight;
    if (APaperSize == repPaperCustom || !GetPaperDimensions(APaperSize, W, H)) {
      APaperSize = repPaperCustom;
      W = APaperWidth;
      H = APaperHeight;
    }
    if (!(W > 0) || !(H > 0)) {
      W = FDefPaperWidth;
      H = FDefPaperHeight;
    }
    // A turned sheet lies wider than high, whichever way its sides were given.
    if ((AOrientation == poLandscape) != (W > H)) std::swap(W, H);
    FPaper = APaperSize;
    FPaperWidth = W;
    FPaperHeight = H;
    FOrientation = AOrientation;
  }
  void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight, TPrinterOrientation AOrientation,
                      int ABin, int, int ACopies) override {
    SetViewParams(APaperSize, APaperWidth, APaperHeight, AOrientation);
    FBin = ABin;
    FCopies = std::max(1, ACopies);
  }
  void PropertiesDlg() override {}

private:
  void Room(int More) const {
    if (static_cast<long long>(FSheets.size()) + More > FMaxSheets)
      throw rt::Exception("The print would make more than " + std::to_string(FMaxSheets) + " sheets.");
  }
  std::vector<TrepPrintSheet>& FSheets;
  int FMaxSheets;
  int FCopies = 1;
};

} // namespace

std::vector<TrepPrintSheet> repPrintSheets(TrepCustomPreviewPages& Pages, const TrepPrintOptions& Options,
                                           double SheetWidth, double SheetHeight, int MaxSheets) {
  std::vector<TrepPrintSheet> Sheets;
  if (Pages.Report() == nullptr || Pages.GetCount() == 0) return Sheets;
  TSheetRecorder Printer(Sheets, MaxSheets);
  const bool Custom = Options.PrintOnSheet == repPaperCustom || Options.PrintOnSheet <= 0;
  Printer.SetViewParams(Custom ? repPaperCustom : Options.PrintOnSheet, SheetWidth, SheetHeight, poPortrait);
  constexpr double PixelsToMM = 25.4 / 96;
  const TrepPrintPlacementSink Placed = [&](TrepCustomPrinter&, int Index, double ScaleX, double ScaleY,
                                            double OffsetX, double OffsetY) {
    if (Sheets.empty()) return;
    Sheets.back().Pages.push_back({Index, OffsetX * PixelsToMM, OffsetY * PixelsToMM, ScaleX, ScaleY});
  };
  const double SavedScale = Pages.PrintScale;
  TPrintJob(Pages, Printer, Options.Duplex, {}, Placed, Options).Run();
  Pages.PrintCopyNo = 0;
  Pages.PrintScale = SavedScale;
  return Sheets;
}

bool PrintPreparedPages(TrepCustomPreviewPages& Pages, TrepPrinters& Printers, const TrepPrintCanvasProvider& Canvas) {
  TrepReport* R = Pages.Report();
  if (R == nullptr) return false;
  std::lock_guard<std::recursive_mutex> Lock(PrintersLock());
  if (!Printers.HasPhysicalPrinters()) {
    ShowErrorBox(ResourceTable().Get("clNoPrinters"));
    return false;
  }
  Pages.PrintScale = 1;
  TrepPrintOptions Saved;
  Saved.Assign(R->PrintOptions);
  Saved.PrnOutFileName = R->PrintOptions.PrnOutFileName;
  Saved.Duplex = R->PrintOptions.Duplex;
  struct TRestore {
    TrepReport& R;
    TrepCustomPreviewPages& Pages;
    TrepPrintOptions& Saved;
    ~TRestore() {
      if (R.OnAfterPrintReport) R.OnAfterPrintReport(&R);
      Pages.PrintCopyNo = 0;
      R.PrintOptions.Assign(Saved);
      R.PrintOptions.PrnOutFileName = Saved.PrnOutFileName;
      R.PrintOptions.Duplex = Saved.Duplex;
    }
  } Restore{*R, Pages, Saved};

  TrepDuplexMode Duplex = R->PrintOptions.Duplex;
  const int Index = Printers.IndexOf(R->PrintOptions.Printer);
  if (Index >= 0) Printers.SetPrinterIndex(Index);
  // The print dialog, when the host shows one; the choices hold for this print only.
  if (R->PrintOptions.ShowDialog && PrintDialogHandler()) {
    TrepPrintDialog Dialog(R, Printers);
    Dialog.Show(Duplex);
    if (Dialog.Close(PrintDialogHandler()(Dialog)) != mrOk) return false;
    Duplex = Dialog.ADuplexMode;
    if (TrepCustomPrinter* Chosen = Printers.Printer()) R->PrintOptions.Printer = Chosen->Name();
    R->PrintOptions.Duplex = Duplex;
  }
  TrepCustomPrinter* P = Printers.Printer();
  if (P == nullptr) return false;
  if (!R->PrintOptions.PrnOutFileName.empty()) P->SetFileName(R->PrintOptions.PrnOutFileName);
  const TrepPrintOptions& O = R->PrintOptions;
  if (O.PrintMode != pmDefault) {
    P->SetViewParams(O.PrintOnSheet, O.PrintOnSheet == 256 ? P->PaperWidth() : 0,
                     O.PrintOnSheet == 256 ? P->PaperHeight() : 0, poPortrait);
  }
  if (R->OnPrintReport) R->OnPrintReport(R);
  R->DoNotifyEvent(R, R->OnReportPrint, true);
  // A preview showing these pages holds its repainting while they print.
  struct TPreviewLock {
    TrepCustomPreview* P;
    ~TPreviewLock() {
      if (P != nullptr) P->Unlock();
    }
  } PreviewLock{R->Preview()};
  if (PreviewLock.P != nullptr) {
    PreviewLock.P->Lock();
    PreviewLock.P->InvalidatePages();
  }
  if (!P->Initialized()) {
    ShowErrorBox("Printer selected is not valid");
    return true;
  }
  RunPrintJob(Pages, *P, Duplex, Canvas);
  return true;
}

std::vector<int> repPrintSequence(int PageCount, const TrepPrintOptions& Options) {
  std::vector<int> Pages;
  if (PageCount <= 0) return Pages;
  if (Options.PageNumbers.find_first_not_of(' ') == std::string::npos) {
    for (int I = 0; I < PageCount; ++I) Pages.push_back(I);
  } else {
    rt::TStringList List;
    ParsePageRange(Options.PageNumbers, List, PageCount);
    for (int I = 0; I < List.Count(); ++I) {
      int N = 0;
      if (rt::TryStrToInt(List.Strings(I), N) && N >= 1 && N <= PageCount) Pages.push_back(N - 1);
    }
  }
  std::vector<int> Run;
  for (int I : Pages) {
    const bool Odd = (I + 1) % 2 == 1;
    if ((Options.PrintPages == ppOdd && !Odd) || (Options.PrintPages == ppEven && Odd)) continue;
    Run.push_back(I);
  }
  if (Options.Reverse) std::reverse(Run.begin(), Run.end());
  const int Copies = std::clamp(Options.Copies, 1, TrepPrintDialog::MaxCopies);
  std::vector<int> Out;
  if (Options.Collate) {
    for (int C = 0; C < Copies; ++C)
      for (int I : Run) {
        if (static_cast<int>(Out.size()) >= repMaxPrintSequence) return Out;
        Out.push_back(I);
      }
  } else {
    for (int I : Run)
      for (int C = 0; C < Copies; ++C) {
        if (static_cast<int>(Out.size()) >= repMaxPrintSequence) return Out;
        Out.push_back(I);
      }
  }
  return Out;
}
