#pragma once
// Printing prepared pages: which pages, in which order, how many copies and whether collated,
// trays and duplex per page, and the four print modes (a page per sheet at its own paper, a page
// split over several sheets, several pages joined on one sheet, a page scaled onto a sheet).
//
// This server has no printer to draw on: the printer's own canvas is no drawing surface. A host
// that has one hands the job a canvas per sheet; without it the job runs (documents, pages,
// trays, copies) and the pages are not drawn.
#include <functional>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "report/engine/repClass.h"
#include "report/engine/repPrinter.h"

// The canvas the printer's current sheet is drawn on; nullptr draws nothing.
using TrepPrintCanvasProvider = std::function<gfx::TCanvas*(TrepCustomPrinter& Printer)>;

// Sheets needed for a length over a sheet length: the quotient, rounded when the last sheet
// would be filled within 11 mm, else one more. At least 1.
int PrintSheetCount(double Length, double SheetLength);

// Prints the store's pages on the report's printer by its print options, which are restored
// afterwards. False, after an error box ("clNoPrinters"), when the list has no physical printer.
// With ShowDialog and a host's print dialog (SetPrintDialogHandler) the user's choices hold for
// this print; a cancelled dialog prints nothing (False). Without one the options are taken as
// they stand. A printer
// that is not initialised gets the error box "Printer selected is not valid" (True, nothing
// printed).
bool PrintPreparedPages(TrepCustomPreviewPages& Pages, TrepPrinters& Printers,
                        const TrepPrintCanvasProvider& Canvas = {});

// Pages a print takes when each page becomes one sheet of a document (the browser prints it):
// 0-based indexes in order, after the page range (PageNumbers; empty: every page), odd or even
// pages, the order and the copies (collated: the whole run once per copy; otherwise each page
// Copies times in a row). At most repMaxPrintSequence entries.
inline constexpr int repMaxPrintSequence = 20000;
std::vector<int> repPrintSequence(int PageCount, const TrepPrintOptions& Options);

// Where the job puts one page on the current sheet: scale factors and offsets of the page's paper
// corner in device pixels, as DrawPage takes them.
using TrepPrintPlacementSink =
    std::function<void(TrepCustomPrinter& Printer, int Index, double ScaleX, double ScaleY, double OffsetX, double OffsetY)>;

// The job on a chosen printer: page list, collated passes, the mode's page loop, EndDoc. The
// report's print options are read, not changed; the store's PrintCopyNo and PrintScale are set.
void RunPrintJob(TrepCustomPreviewPages& Pages, TrepCustomPrinter& Printer, TrepDuplexMode DialogDuplex,
                 const TrepPrintCanvasProvider& Canvas = {}, const TrepPrintPlacementSink& Placed = {});

// ---- A print laid out as the sheets of a document (the browser prints it) ----

// One page on a sheet: the page's paper corner at (Left, Top) millimetres from the sheet's top
// left corner, the page drawn ScaleX and ScaleY times its size.
struct TrepPrintPlacement {
  int Page = 0;  // 0-based
  double Left = 0, Top = 0;
  double ScaleX = 1, ScaleY = 1;
};
// A sheet in millimetres as it lies (a turned sheet is wider than high) and the pages on it.
struct TrepPrintSheet {
  double Width = 0, Height = 0;
  std::vector<TrepPrintPlacement> Pages;
};

// The sheets the print job makes of the store's pages with Options, on paper that has no
// unprintable margin: the split, join and scale modes place the pages as a printer would, each
// sheet PrintOnSheet (a paper number; 256 with SheetWidth x SheetHeight millimetres; A4 when
// neither gives a size). Copies the job leaves to the device (not collated) are repeated sheets.
// At most MaxSheets sheets; a job that would make more throws rt::Exception.
std::vector<TrepPrintSheet> repPrintSheets(TrepCustomPreviewPages& Pages, const TrepPrintOptions& Options,
                                           double SheetWidth, double SheetHeight, int MaxSheets);
