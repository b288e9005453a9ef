#pragma once
// What the preview window and the library's shared controls compute, without the windows: which
// tools a report's preview options show, the zoom box's items and how its text becomes a zoom,
// the status texts, the export menu's entries, colour blending and resolution scaling of the
// controls. A host with a screen builds its window from these; the server shows none.
#include <functional>
#include <string>
#include <vector>

#include "platform/gfx/Graphics.h"
#include "report/engine/repClass.h"

class TrepPreview;

// Tools of the preview window, visible or not by the report's preview options.
struct TrepPreviewTools {
  bool Print = false, Open = false, Save = false, Find = false, HighlightEditable = false;
  bool ZoomButtons = false, FullScreen = false, Sep1 = false;
  bool Outline = false, PageSettings = false, Designer = false, DesignerEnabled = false, Sep2 = false;
  bool Navigator = false, Sep5 = false, Close = false;
};
TrepPreviewTools repPreviewTools(const TrepPreviewOptions& Options);

// Which commands are usable at a moment: the tools that need pages while no report runs, the
// copy and paste entries of the context menu, and the drill-down entries.
struct TrepPreviewCommandState {
  bool PageTools = false;  // print, save, export, find, page settings
  bool Open = false;
  bool Designer = false;
  bool CopyVisible = false, PasteVisible = false, CopyEnabled = false, PasteEnabled = false;
  bool DrillDownItems = false;  // expand all / collapse all
};
TrepPreviewCommandState repPreviewCommands(const TrepPreviewOptions& Options, bool Running, int PageCount,
                                           int SelectedCount, bool PasteAvailable, bool HasDrillDown);

// "25%" ... "200%", then the page-width and whole-page texts.
std::vector<std::string> repZoomItems();
// The zoom box's choice: item 6 page width, item 7 whole page; otherwise the text with its first
// "%" and every space removed, read as a percentage (an empty text changes nothing). The page
// number stays as it was.
void repApplyZoomBox(TrepPreview& Preview, int ItemIndex, const std::string& Text);
// Round(Zoom * 100) and "%".
std::string repZoomText(double Zoom);
// Zoom in or out by a quarter, then the box's own reading of the shown percentage.
void repZoomStep(TrepPreview& Preview, bool ZoomIn);
// The first status panel: "Page 3 of 10", or the first-pass text while a first pass runs.
std::string repPageStatusText(int PageNo, int PageCount, bool FirstPass);

// One entry of the export menu: the filter's place in the filter registry and its caption.
struct TrepExportMenuItem {
  int FilterIndex = 0;
  std::string Caption;
};
struct TrepExportMenu {
  std::vector<TrepExportMenuItem> Items;
  TrepCustomExportFilter* PDFExport = nullptr;    // the quick PDF button's filter
  TrepCustomExportFilter* EmailExport = nullptr;  // the quick e-mail button's filter
};
// The registered filters in creation order: every filter but the mail export (and
// DotMatrixFilter) as an item captioned with its description and "..." when pbExport is set;
// the PDF and mail filters for the quick buttons when pbExportQuick is set (mail not with
// pbNoEmail). Filters carry no class names of their own here, so the caller names each
// filter's class ("TrepPDFExport", "TrepMailExport") and description.
TrepExportMenu repExportMenu(const TrepPreviewOptions& Options,
                             const std::function<std::string(TrepCustomExportFilter*)>& ClassNameOf,
                             const std::function<std::string(TrepCustomExportFilter*)>& Describe,
                             TrepCustomExportFilter* DotMatrixFilter = nullptr);

// ((C2 * (B - A) + C1 * A + B div 2) div B per channel, B 100 for A below 100, else 1000;
// system colours resolved first.
gfx::TColor BlendColors(gfx::TColor C1, gfx::TColor C2, int A);
// The flat combo box's button: Round(PPI * 11 / 96) when made, MulDiv(11, PPI, 96) after a
// resolution change.
int repComboButtonWidth(int PPI);
int repComboButtonWidthAfterChange(int NewPPI);
// A stored window size read at PPI (stored at 96), and the size to store from one at PPI.
int repScaleStoredSize(int Stored, int PPI);
int repSizeToStore(int Size, int PPI);
