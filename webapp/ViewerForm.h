#pragma once
// The report viewer: the engine's preview window as a form of the web layer, at an address of its
// own (/viewer) and from the sizing form. It shows the prepared pages of a report the viewer owns:
// the session's last sizing report (copied, or prepared on demand), the shipped template with its
// design texts, or a prepared-report file the user uploads (a template only when the server runs
// for a report author, --author). Pages are drawn on the server by the raster canvas at the zoom,
// only those in view and a few around them; the preview's logic (page list, zoom modes, search,
// outline, tabs, hyperlinks) is the engine's TrepPreview.
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/web/Forms.h"
#include "platform/web/ModalForm.h"
#include "platform/web/Worker.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repPreviewLayout.h"

class TrepReport;
class TrepClipboard;
class TrepPDFExport;
class TrepPDFExportDialog;

namespace webapp {

// Rendered page pictures one viewer keeps at once (the least recently shown go first).
constexpr int MaxRenderedPages = 16;
// Page pictures drawn for one reply: the pages in view and a few around them.
constexpr int MaxPagesInReply = 8;
// Typed zoom values are checked against these (percent).
constexpr int MinZoomPercent = 25;
constexpr int MaxZoomPercent = 400;
// A drawn page picture is never larger than this many pixels (a huge custom paper at a high zoom
// would otherwise take the server's memory).
constexpr long long MaxPagePixels = 40LL * 1000 * 1000;
// Thumbnails drawn for one reply (those in the strip's view and a few around them), and the
// thumbnail pictures one viewer keeps at once.
constexpr int MaxThumbnailsInReply = 24;
constexpr int MaxThumbnailsHeld = 48;
// Selected objects marked on the page; more stay selected without a mark.
constexpr int MaxSelectionMarks = 32;
// Sheets one print may make (a small report split over many sheets, or many copies).
constexpr int MaxPrintSheets = 20000;
// How often the page asks for progress while a report is prepared (ms).
constexpr int ProgressPollMs = 300;
// A request waits this long for the preparing report to reach a point where its finished pages
// can be read.
constexpr int SafePointWaitMs = 2000;

// Once at program start, before sessions: the compressor of report files, the transports of the
// save panel and the host of the engine's inherit question.
void ViewerInitialization();

// Report templates from the user run their script on the server: accepted only when the server
// was started for a report author's own machine.
void SetAuthorMode(bool Value);
bool AuthorMode();

class TrepPreviewForm : public web::TIWAppForm {
public:
  explicit TrepPreviewForm(web::TIWApplication& app);
  ~TrepPreviewForm() override;

  // ---- what the viewer shows ----
  // The session's last sizing report (the pages of its last Report run), else the template
  // prepared with the sizing form's defaults.
  void OpenSizingReport();
  // The shipped template as designed, prepared.
  void OpenSizingTemplate();
  // A prepared-report file (or, in author mode, a report template). False with one message and
  // an empty viewer when the file is no such thing or is damaged.
  bool OpenFile(const std::string& FileName, const std::string& Bytes);
  // The prepared pages as a prepared-report file.
  std::string SavedBytes();
  // The same through the save panel's type Type: 0 the plain file, else the registered
  // transport of that place in the list (the compressed prepared report).
  std::string SavedBytes(int Type);
  // OK of the save panel: the file of the chosen type downloads.
  void SaveOK();

  // Shown over another form (the sizing form's "Report viewer"): Close goes back to it.
  bool Closable = false;

  // ---- state for tests and the panels ----
  TrepPreview& Preview() { return *FPreview; }
  TrepReport* Report() const { return FReport.get(); }
  bool Preparing() const { return FWorker.Running(); }
  web::TIWWorker& Worker() { return FWorker; }
  // Shows the forms a job of the worker asks for (dialog pages, script forms, passwords); the
  // progress timer's poll puts them up.
  web::TIWModalHost& ModalHost() { return FModalHost; }
  // The workspace's size in pixels as the page shows it.
  int WorkspaceWidth() const;
  int WorkspaceHeight() const;
  // Draws page Index (0-based) at the zoom; PNG bytes.
  std::string DrawPagePNG(int Index, double Zoom);
  // Pages whose pictures the last render put on the page.
  const std::vector<int>& PagesShown() const { return FPagesShown; }
  int RenderedPagesHeld() const { return static_cast<int>(FRendered.size()); }
  const std::vector<int>& ThumbnailsShown() const { return FThumbsShown; }
  int ThumbnailsHeld() const { return static_cast<int>(FThumbsRendered.size()); }
  // Draws the thumbnail of page Index (0-based) with its number; PNG bytes.
  std::string DrawThumbnailPNG(int Index);
  // The picture of button image Index of the preview's image lists at PPI (96 or 144); PNG.
  static const std::string& ButtonPicture(int Index, int PPI);
  // This viewer's clipboard: copies of one session never reach another's paste.
  TrepClipboard& Clipboard() { return *FClipboard; }
  // The form's controls brought in line with the preview; every handler ends here.
  void UpdateView();

  // Toolbar and status line.
  web::TIWRegion* ToolBar = nullptr;
  web::TIWButton *PrintB = nullptr, *OpenB = nullptr, *SaveB = nullptr, *PdfB = nullptr, *FindB = nullptr;
  web::TIWButton *ZoomPlusB = nullptr, *ZoomMinusB = nullptr, *OutlineB = nullptr, *PageSettingsB = nullptr;
  web::TIWButton *FirstB = nullptr, *PriorB = nullptr, *NextB = nullptr, *LastB = nullptr, *CancelB = nullptr;
  web::TIWButton *PrefsB = nullptr, *ThumbB = nullptr;
  // Copy and paste of the selected objects' content (Shift+click selects).
  web::TIWButton *CopyCmd = nullptr, *PasteCmd = nullptr;
  web::TIWFileUploader* PasteUploader = nullptr;
  std::vector<web::TIWRegion*> SelectionMarks;
  web::TIWComboBox* ZoomCB = nullptr;
  web::TIWEdit* ZoomE = nullptr;
  web::TIWEdit* PageE = nullptr;
  web::TIWLabel* OfNL = nullptr;
  web::TIWLabel* StatusBar = nullptr;
  web::TIWLabel* MessageBar = nullptr;
  web::TIWRegion* TabStrip = nullptr;
  web::TIWTreeView* OutlineTree = nullptr;
  web::TIWRegion* Workspace = nullptr;
  web::TIWLabel* WorkspaceExtent = nullptr;
  web::TIWRegion* FoundMark = nullptr;
  std::vector<web::TIWImage*> PageImages;
  // The thumbnail strip (left, in place of the outline).
  web::TIWRegion* Thumbnails = nullptr;
  web::TIWLabel* ThumbnailExtent = nullptr;
  web::TIWRegion* ThumbFrame = nullptr;
  std::vector<web::TIWImage*> ThumbImages;
  web::TIWTimer* ProgressTimer = nullptr;
  // The search panel.
  web::TIWRegion* SearchPanel = nullptr;
  web::TIWEdit* edtFind = nullptr;
  web::TIWCheckBox *chkCase = nullptr, *chkBeg = nullptr, *chkFindAll = nullptr;
  web::TIWButton *btnFind = nullptr, *btnFindNext = nullptr, *btnFindPrior = nullptr;
  web::TIWTreeView* trvFind = nullptr;
  // The open panel.
  web::TIWRegion* OpenPanel = nullptr;
  web::TIWComboBox* SourceCB = nullptr;
  web::TIWButton *OpenSourceB = nullptr, *OpenCancelB = nullptr;
  web::TIWFileUploader* OpenFileUploader = nullptr;
  // The progress panel (the progress window's message, count and Cancel).
  web::TIWRegion* ProgressPanel = nullptr;
  web::TIWLabel* LMessage = nullptr;
  web::TIWButton* ProgressCancelB = nullptr;

  // ---- handlers ----
  void PageEClick();
  void ZoomCBClick();
  void ZoomEClick();
  void FindTextClick();
  void FindNextClick();
  void FindPriorClick();
  void PageClick(int Index, int X, int Y, rt::TShiftState Shift);
  void ThumbnailClick(int Index);
  void ThumbBClick();
  void OutlineBClick();
  // The selected objects' content: text to the browser's clipboard, a picture as a download.
  void CopyCmdExecute();
  // What the browser pasted (an upload): text, or a picture's bytes, into the selected objects.
  void PasteContent(const std::string& FileName, const std::string& Bytes);
  void FormKeyDown(int Key, rt::TShiftState Shift);
  void WorkspaceScrolled(int Left, int Top);
  void ProgressTimerTick();
  void CancelBClick();
  // Shows one of the panels (PrintPanel, ExportPanel, PageSettingsPanel, PrefsPanel) filled from
  // the report and the filter.
  void ShowPanel(const std::string& Panel);
  void PageSettingsOK();
  void PrintOK();
  // The sheet list is for the modes that print on a sheet of their own (split, join, scale).
  void PrintModeChanged();
  // OK or Cancel of the export panel: the waiting export goes on or stops.
  void ExportAnswer(bool OK);
  void SavePreferences();
  // Runs work on the viewer's report off the request. Questions the engine asks meanwhile (the
  // inherit question) show as panels; the job waits for the browser's answer.
  void StartJob(web::TIWWorker::TJob Job);
  // OK or Cancel of the inherit question's panel.
  void InheritAnswer(bool OK);
  bool Exporting() const { return FExporting; }
  TrepPDFExport& ExportFilter() { return *FExport; }

private:
  void CreateControls();
  void CreatePanels();  // ViewerPanels.cpp
  void UpdatePanels();  // ViewerPanels.cpp
  // The viewer's report and its prepared pages replaced; the old pages' pictures go.
  void SetReport(std::unique_ptr<TrepReport> Report);
  void AttachPreview();
  // Prepares the viewer's report off the request; the timer polls.
  void ReportProgressToWorker(TrepReport* R);
  void StartPreparing(const std::string& What);
  void FinishPreparing();
  // A click that opens a drill-down group or a detail page prepares on the worker.
  bool ClickPrepares(TrepCustomPreviewPages& Pages) const;
  void StartClickJob(int Index, int X, int Y, rt::TShiftState Shift, double Zoom);
  void FinishClickJob();
  void Clear();
  void RebuildOutline();
  void RebuildFindResults();
  void RenderPages();
  void RenderThumbnails();
  void RenderSelection(int PageIndex, const gfx::TRect& PageRect);
  void RenderRunningPage();
  struct TRendered;
  // The picture of page Index at the zoom with its pointer areas, drawn when not held.
  const TRendered& PagePicture(int Index, double Zoom);
  // The picture of (Index, Key) from Held, drawn by Draw when not there; Held keeps at most Cap,
  // the least recently shown go.
  TRendered& HeldPicture(std::list<TRendered>& Held, std::size_t Cap, int Index, long long Key,
                               const std::function<std::string()>& Draw);
  void ForgetPictures();
  void OpenAddress(const std::string& URL);
  void ShowFoundMark(int PageIndex, const gfx::TRect& PageRect, const gfx::TRect& Hit);
  void StartExport();
  void RunExport(const std::string& What, TrepPDFExport& Filter);
  void FinishExport();
  void ReadExportPanel(TrepPDFExportDialog& D);
  void WriteExportPanel(const TrepPDFExportDialog& D);
  void LoadPreferences();

  // Destroyed last: the worker (declared after) has ended before the report goes.
  std::unique_ptr<TrepReport> FReport;
  std::string FDocumentName;
  // A new one per document: the engine's preview keeps pointers into the pages it showed.
  std::unique_ptr<TrepPreview> FPreview;
  void NewPreview(bool KeepZoom = false);
  std::vector<TrepOutlineNode> FOutline;
  std::vector<const TrepOutlineNode*> FOutlineNodes;
  struct TRendered {
    int Page;
    long long ZoomKey;
    std::string URL;
    // Where the pointer meets hints and links on it.
    std::vector<web::TIWPointerArea> Areas;
  };
  std::list<TRendered> FRendered;  // most recently shown first
  std::list<TRendered> FThumbsRendered;
  std::vector<int> FPagesShown, FThumbsShown;
  std::vector<std::string> FButtonPictures;
  // The page whose objects were clicked last: the selection lies on it.
  int FSelectionPage = -1;
  std::unique_ptr<TrepClipboard> FClipboard;
  // Pages of a report still being prepared, as the last safe point saw them.
  int FRunningCount = 0;
  std::string FRunningPicture;
  int FRunningPage = -1;
  bool FHitShown = false;
  // The viewer's own PDF filter (prints and exports); used by the worker while it runs.
  std::unique_ptr<TrepPDFExport> FExport;
  // A print's own filter, and the options whose sheets it lays out (not for a page per sheet).
  std::unique_ptr<TrepPDFExport> FPrint;
  std::optional<TrepPrintOptions> FPrintSheets;
  TrepPDFExport* FActiveExport = nullptr;
  std::string FExportFile;
  bool FExportOpens = false, FExporting = false;
  // The options window was answered with Cancel: the export ends without a message.
  std::atomic<bool> FExportRefused{false};
  TrepDesignerUnits FUnits = duCM;
  bool FKeepZoom = false;
  bool FClickJob = false;
  // Before the worker: it serves the worker's jobs and must outlive them (it only keeps the
  // worker's address here).
  web::TIWModalHost FModalHost{FWorker};
  web::TIWWorker FWorker;
};

// The folder whose plain files the viewer's reports may open and save through their scripts'
// file dialogs: "files/" in the server's settings folder.
std::string ViewerFilesFolder();

// Makes the viewer the form of the /viewer address and of the sizing form's "Report viewer".
web::TIWAppForm* CreateViewerForm(web::TIWApplication& app);

}  // namespace webapp
