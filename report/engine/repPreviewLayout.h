#pragma once
// The arithmetic of a preview without its windows: scroll positions clamped to their ranges,
// prepared pages laid out in rows at a zoom, the page under a point, the page shown at a scroll
// position, zoom modes, page numbers, the refresh pace while a report runs, and text search
// over the pages' drawn text. A host with a screen draws and feeds mouse and keys into these;
// the server has none, so nothing here paints or reads input devices.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "report/engine/repClass.h"

// ---- Scroll arithmetic ----

// One scroll bar's numbers, in pixels.
struct TrepScrollAxis {
  int Position = 0;
  int Range = 0;
  int Page = 0;
};

enum TrepScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scTop, scBottom };

// A scrolling surface's two positions. A position is clamped to Range - Page and then to 0, so a
// range smaller than the page always gives 0.
class TrepScrollWin {
public:
  virtual ~TrepScrollWin() = default;
  int HorzPosition() const { return FHorz.Position; }
  int VertPosition() const { return FVert.Position; }
  int HorzRange() const { return FHorz.Range; }
  int VertRange() const { return FVert.Range; }
  int HorzPage() const { return FHorz.Page; }
  int VertPage() const { return FVert.Page; }
  // OnScrollPosChange may change the value first; the hooks run when the position changed.
  void SetHorzPosition(int Value);
  void SetVertPosition(int Value);
  // OnScrollMaxChange hears Value - Page when that is not negative.
  void SetHorzRange(int Value);
  void SetVertRange(int Value);
  // The range is assigned again, so the position is clamped to the new page.
  void SetHorzPage(int Value);
  void SetVertPage(int Value);
  // Line steps by SmallChange, page steps by LargeChange, top 0, bottom the range.
  void Scroll(bool Vertical, TrepScrollCode Code);

  int SmallChange = 1;
  int LargeChange = 10;
  // Orientation 0 horizontal, 1 vertical.
  std::function<void(TrepScrollWin* Sender, int Orientation, int NewMax)> OnScrollMaxChange;
  std::function<void(TrepScrollWin* Sender, int Orientation, int& NewPos)> OnScrollPosChange;

protected:
  virtual void HorzPositionChanged() {}
  virtual void VertPositionChanged() {}

private:
  void SetPosition(TrepScrollAxis& A, int Orientation, int Value);
  void SetRange(TrepScrollAxis& A, int Orientation, int Value);
  TrepScrollAxis FHorz, FVert;
};

// ---- Page layout ----

// One prepared page on the workspace: its size at the zoom and its top-left corner before
// scrolling.
struct TrepPageItem {
  int Height = 0, Width = 0;
  int OffsetX = 0, OffsetY = 0;
};

class TrepPageList {
public:
  // Width and height at the zoom, rounded halves to even.
  void AddPage(int AWidth, int AHeight, double Zoom);
  void Clear() { FItems.clear(); FMaxWidth = 0; }
  int Count() const { return static_cast<int>(FItems.size()); }
  const TrepPageItem& Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }
  // Rows of pages, each row as many as fit the width (a page wider than it stands alone),
  // centred, with 10 pixels between pages and rows.
  void CalcBounds(int ClientWidth);
  // The 0-based page at a workspace point, or -1. With OffsetX 0 (the scroll position) a page
  // counts once its top is within a fifth of its height below OffsetY; otherwise the page whose
  // rectangle holds the point, else the last page whose top is at or above it.
  int FindPage(int OffsetY, int OffsetX) const;
  // The page's rectangle in workspace coordinates; an A4 placeholder at Scale for an index
  // outside the list.
  gfx::TRect GetPageBounds(int Index, int ClientWidth, double Scale, bool RTL) const;
  // (widest row including its gaps, bottom of the last page); (0, 0) when empty.
  gfx::TPoint GetMaxBounds() const;

private:
  std::vector<TrepPageItem> FItems;
  int FMaxWidth = 0;
};

// ---- Text search over prepared pages ----

// One text output found while a page was drawn: the text and its bounding rectangle in page
// pixels at zoom 1.
struct TrepDrawnText {
  std::u16string Text;
  gfx::TRect Bounds;
};

// A hit of a find-all search: the 0-based page, the snippet shown for it and the rectangle.
struct TrepSearchHit {
  int Page = 0;
  std::u16string Snippet;
  gfx::TRect Bounds;
};

// The search state of the previews of this process. Searches of one preview run one at a time;
// a host with several previews on several threads gives each its own state.
struct TrepSearchState {
  std::u16string Text;
  bool CaseSensitive = false;
  bool FindAll = false;
  bool FromBeginning = false;
  bool Found = false;
  gfx::TRect FoundRect{};
  // The 0-based page where the search goes on or where it found its last hit.
  int LastFoundPage = 0;
  // The text output on that page that gave the last hit; -1 for none.
  int LastHitRecord = -1;
  // Find-all results, one entry per hit in page order.
  std::vector<TrepSearchHit> Hits;
  // Pages with hits in the order they were first hit (the result tree's page nodes).
  std::vector<int> HitPages;
};

// The text outputs of page Index drawn at zoom 1, in drawing order.
std::vector<TrepDrawnText> repDrawnTexts(TrepCustomPreviewPages& Pages, int Index);

// Searches from State.LastFoundPage on. Single-hit mode stops at the first hit not yet
// reported (outputs up to LastHitRecord of the current page were); find-all mode collects every
// hit of every page. True when something was found.
bool repSearchPages(TrepCustomPreviewPages& Pages, TrepSearchState& State);

// ---- Outline ----

// Outline levels read from prepared pages (which may come from a file) go no deeper than this.
inline constexpr int repMaxOutlineDepth = 64;

// One heading of the prepared pages' outline: its text, the 0-based page and the position on it.
struct TrepOutlineNode {
  std::string Text;
  int Page = 0;
  int Top = 0;
  std::vector<TrepOutlineNode> Children;
};

// The whole outline as a tree; the outline's current level is back at the root afterwards.
std::vector<TrepOutlineNode> repOutlineTree(TrepCustomOutline& Outline);

// ---- The workspace ----

class TrepPreview;

// The scrolling surface of one preview without its window: prepared pages laid out at the
// zoom, the current page, scrolling and what a scroll position or a point means.
class TrepPreviewWorkspace : public TrepScrollWin {
public:
  TrepPreviewWorkspace();
  void SetPreview(TrepPreview* Value) { FPreview = Value; }
  TrepCustomPreviewPages* PreviewPages = nullptr;  // not owned
  bool IsThumbnail = false;
  bool RTLLanguage = false;
  // While set, a change of page number does not scroll.
  bool DisableUpdate = false;
  double Zoom = 1;
  int PageNo = 1;

  // The client area's size; the scroll pages follow it.
  int ClientWidth() const { return FClientWidth; }
  int ClientHeight() const { return FClientHeight; }
  void Resize(int AWidth, int AHeight);

  TrepPageList& PageList() { return FPageList; }
  void AddPage(int AWidth, int AHeight) { FPageList.AddPage(AWidth, AHeight, Zoom); }
  void ClearPageList() { FPageList.Clear(); }
  void CalcPageBounds(int AClientWidth) { FPageList.CalcBounds(AClientWidth); }
  // Ranges: the laid-out area and 10 pixels.
  void UpdateScrollBars();
  // Scrolls page PageNo (1-based) to 10 pixels below the top, unless DisableUpdate.
  void ShowPage(int APageNo);
  // Scrolls so that Top report units below the top margin of page PageN are near the top.
  void SetPosition(int PageN, int Top);
  // The inverse for the current page; 0 without a page object.
  int GetTopPosition();
  gfx::TPoint Offset() const { return FOffset; }
  // Hand-scrolling: the content follows the pointer from LastPoint to (X, Y).
  void HandScroll(int FromX, int FromY, int X, int Y);
  // The 0-based page under a client point (right-to-left aware); -1 for none.
  int PageAtPoint(int X, int Y) const;
  // A rubber band in client coordinates as a rectangle of page Index in report units (inside
  // the margins).
  TrepRect SelectionToPage(const gfx::TRect& Band, int Index);

protected:
  void HorzPositionChanged() override;
  void VertPositionChanged() override;

private:
  TrepPageList FPageList;
  gfx::TPoint FOffset{};
  int FClientWidth = 0, FClientHeight = 0;
  TrepPreview* FPreview = nullptr;
};

// ---- The preview's logic ----


// The operations of the preview control that need no window: page number, zoom and zoom
// modes, the layout pass, wheel steps, preparation progress, page setup and text search. The
// host supplies the workspace's size and the scroll bar's width.
class TrepPreview : public TrepCustomPreview {
public:
  TrepPreview();
  ~TrepPreview() override;

  TrepPreviewWorkspace& Workspace() { return FWorkspace; }
  TrepPreviewWorkspace& Thumbnail() { return FThumbnail; }

  // Attaches a report and its prepared pages; the first attachment takes the report's zoom.
  bool Init(TrepReport* AReport, TrepCustomPreviewPages* APreviewPages) override;
  void UnInit(TrepCustomPreviewPages* APreviewPages) override;
  TrepCustomPreviewPages* PreviewPages() const { return FPreviewPages; }
  bool Initialized() const { return FInitialized; }

  int PageCount();
  int PageNo() const { return FPageNo; }
  // Clamped to 1 .. PageCount (0 without pages); OnPageChanged hears it.
  void SetPageNo(int Value);
  void First() { SetPageNo(1); }
  void Prior() { SetPageNo(FPageNo - 1); }
  void Next() { SetPageNo(FPageNo + 1); }
  void Last() { SetPageNo(PageCount()); }
  int SavedPageNo = -1;

  double Zoom() const { return FZoom; }
  // At least 0.25; the mode becomes zmDefault.
  void SetZoom(double Value);
  TrepZoomMode ZoomMode() const { return FZoomMode; }
  void SetZoomMode(TrepZoomMode Value);
  // The layout pass after every zoom, size or page-set change.
  void UpdatePages();
  // The width of a vertical scroll bar on the host's screen.
  int ScrollBarWidth = 17;
  // Ctrl: a tenth of zoom per notch, never below 0.3; otherwise 20 pixels per notch.
  void MouseWheelScroll(int WheelDelta, bool Ctrl, bool Horizontal);

  // Lock / Unlock around long operations; no layout pass while locked.
  void Lock() override { FLocked = true; }
  void Unlock() override;
  bool Locked() const { return FLocked; }
  bool Running() const { return FRunning; }
  bool Refreshing = false;
  // Prepares the attached report again and shows it, keeping the zoom and, where it still
  // exists, the page.
  void RefreshReport() override;
  void Cancel();

  // ---- preparation progress ----
  void InternalOnProgressStart(TrepReport* Sender, TrepProgressType ProgressType, int Progress) override;
  void InternalOnProgress(TrepReport* Sender, TrepProgressType ProgressType, int Progress) override;
  void InternalOnProgressStop(TrepReport* Sender, TrepProgressType ProgressType, int Progress) override;
  // Pages between refreshes while a report runs: 50, 20 or 5 by how fast the first page came.
  unsigned RefreshInterval() const { return FTick; }
  // Milliseconds of a steady clock; tests give their own.
  std::function<std::uint32_t()> TickCount;

  // ---- files and exports (refused while a report runs; unlocked again on failure, which
  // goes on to the caller) ----
  void SaveToFile(const std::string& FileName);
  // The page number and layout are reset even when loading failed.
  void LoadFromFile(const std::string& FileName);
  // The current page is the prepared pages' current page for the filter's page options.
  bool Export(TrepCustomExportFilter* Filter);

  // ---- pages ----
  void AddPage();
  void DeletePage();
  void Clear();
  // The page settings of page p applied: to every report page of the report, which is then
  // prepared again, or to the current prepared page only.
  void ApplyPageSettings(TrepReportPage* Settings, bool ToAllPages);

  // A heading chosen in the outline: its page scrolled to the heading, which becomes current.
  void OutlineNodeClick(const TrepOutlineNode& Node);
  // A find-all result chosen: the hit becomes the found text and is scrolled into view.
  void ShowSearchHit(const TrepSearchHit& Hit);

  // A rubber band (client coordinates) released at (X, Y): with the report's pbSelection, the
  // views of the page under the point that lie wholly inside it join the selection list.
  void SelectRubberBand(const gfx::TRect& Band, int X, int Y);

  // ---- search ----
  TrepSearchState& Search() { return FSearch; }
  bool FindText(const std::u16string& SearchString, bool FromTop, bool IsCaseSensitive);
  bool FindTextFound() const { return FSearch.Found; }
  void FindTextClear();
  // Goes on from the last hit (F3) when a search allowed it.
  bool FindNext();
  bool AllowF3 = false;
  // The rectangle of the last hit scrolled into view.
  void ScrollToFoundText();

  std::function<void(TrepPreview* Sender, int PageNo)> OnPageChanged;

private:
  void ResetSearch();
  TrepPreviewWorkspace FWorkspace, FThumbnail;
  TrepCustomPreviewPages* FPreviewPages = nullptr;
  TrepSearchState FSearch;
  int FPageNo = 1;
  double FZoom = 1;
  TrepZoomMode FZoomMode = zmDefault;
  bool FLocked = false, FRunning = false, FInitialized = false;
  unsigned FTick = 0;
};

// ---- Page settings ----

enum TrepDesignerUnits { duCM, duInches, duPixels, duChars };

// The page settings dialog's values without its window: sizes and margins shown in the
// designer's unit, paper chosen from a printer's list, applied to a page on OK only.
class TrepPageSettings {
public:
  // Reads the page: paper number (the user's own, 256, when the current printer does not list
  // it), sizes, margins and orientation.
  explicit TrepPageSettings(TrepReportPage* Page, TrepDesignerUnits Units = duCM);
  // The current printer's paper names with their numbers, as the size list shows them.
  static std::vector<std::pair<std::string, int>> PaperNames();
  TrepDesignerUnits Units;
  // Millimetres as shown (inches: / 25.4; otherwise / 10) and back.
  double ToUnits(double Millimetres) const;
  double FromUnits(double Value) const;
  // The value as the edit shows it ("8.27", "10").
  std::string Shown(double Millimetres) const;
  std::string UnitLabel() const;

  int PaperSize;
  double PaperWidth, PaperHeight;  // millimetres
  double LeftMargin, TopMargin, RightMargin, BottomMargin;
  TPrinterOrientation Orientation;
  bool ApplyToAll = false;
  bool NeedRebuild() const { return ApplyToAll; }

  // Typing a size switches to the user's own paper (256).
  void SizeEdited(double AWidthMM, double AHeightMM);
  // A listed paper (or orientation) chosen: the printer's table gives the sides.
  void PaperChosen(int APaperSize);
  void OrientationChosen(TPrinterOrientation Value);
  // OK: orientation, sides, paper number and margins go to the page, which realigns. Cancel
  // (never calling Apply) leaves it as it was.
  void Apply(TrepReportPage* Page) const;
};
