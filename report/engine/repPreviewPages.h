#pragma once
// Prepared pages: the result of laying a report out, kept as one XML document whose root is
// "preparedreport". A prepared object is one element that names its source object (a copy of the
// template object made once per run) by a short alias and lists only the properties in which it
// differs from it; pictures are kept once in the picture cache. Pages are rebuilt into live
// objects on demand and kept in a small cache. The export driver hands them to a filter.
//
// Prepared-report files are untrusted: a page, object or dictionary element that does not fit
// (an unknown alias or class, a source page that does not exist, a damaged picture) is left out
// with a line in the report's errors; the rest of the file loads.
#include <memory>
#include <string>
#include <utility>
#include <unordered_map>
#include <vector>

#include "platform/gfx/Picture.h"
#include "platform/rt/Classes.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repPictureCache.h"
#include "report/engine/repXML.h"

class TrepCustomMemoView;
class TrepGroupHeader;

// Alias names of source objects (m12, b3) with their source names (Page0.Memo1) and objects.
class TrepDictionary : public rt::TObject {
public:
  TrepDictionary();
  void Add(const std::string& Name, const std::string& SourceName, rt::TObject* Obj);
  // CreateUniqueName(Base), added; the new name.
  std::string AddUnique(const std::string& Base, const std::string& SourceName, rt::TObject* Obj);
  // Base followed by the lowest free number near the count of names that share the base; the
  // search leaves the markers Base0 and BaseA in the list once it holds 4 names or more.
  std::string CreateUniqueName(const std::string& Base);
  // nullptr / empty for an unknown name.
  rt::TObject* GetObject(const std::string& Name) const;
  std::string GetSourceName(const std::string& Name) const;
  void Clear();
  // Sorted, letter case ignored; each name's object slot holds its index into SourceNames.
  const rt::TStringList& Names() const { return FNames; }
  const rt::TStringList& SourceNames() const { return FSourceNames; }

private:
  int SourceIndex(const std::string& Name) const;
  rt::TStringList FNames;
  rt::TStringList FSourceNames;
};

class TrepPreviewPages;

// The outline: "item" elements (text, page, top) under the document's "outline" element,
// walked through a cursor.
class TrepOutline : public TrepCustomOutline {
public:
  explicit TrepOutline(TrepPreviewPages* APreviewPages);
  int GetCount() override;
  void AddItem(const std::string& Text, int Top) override;
  void DeleteItems(TrepXMLItem* From) override;
  void LevelDown(int Index) override;
  void LevelRoot() override;
  void LevelUp() override;
  void GetItem(int Index, std::string& Text, int& Page, int& Top) override;
  void ShiftItems(TrepXMLItem* From, int NewTop) override;
  TrepXMLItem* GetCurPosition() override;
  // The "outline" element, made when missing.
  TrepXMLItem* Root();

private:
  TrepPreviewPages* FPages;
};

// Raised inside an export to stop it on request; the export then ends as a success.
RT_DECLARE_EXCEPTION(EExportTerminated, rt::Exception)

class TrepPreviewPages : public TrepCustomPreviewPages {
public:
  // Limits on prepared-report files from outside.
  // A prepared page read from a file holds at most this many objects (all levels).
  static constexpr int MaxObjectsPerPage = 100000;
  // Page numbers of "page<N>" elements.
  static constexpr int MaxPageDigits = 5;

  explicit TrepPreviewPages(TrepReport* AReport);
  ~TrepPreviewPages() override;
  TrepPreviewPages(const TrepPreviewPages&) = delete;
  TrepPreviewPages& operator=(const TrepPreviewPages&) = delete;

  int GetCount() override;
  TrepReportPage* GetPage(int Index) override;
  gfx::TPoint GetPageSize(int Index) override;
  void Clear() override;
  void Initialize() override;
  void AddObject(TrepComponent* Obj) override;
  void AddPage(TrepReportPage* Page) override;
  void AddSourcePage(TrepReportPage* Page) override;
  void AddToSourcePage(TrepComponent* Obj) override;
  void BeginPass() override;
  void ClearFirstPassPages() override;
  void CutObjects(int APosition) override;
  void DeleteObjects(int APosition) override;
  void DeleteAnchors(int From) override;
  void Finish() override;
  void IncLogicalPageNumber() override;
  void ResetLogicalPageNumber() override;
  void PasteObjects(double X, double Y) override;
  void ShiftAnchors(int From, int NewTop) override;
  void AddPicture(TrepPictureView* Picture) override;
  bool BandExists(TrepBand* Band) override;
  int GetCurPosition() override;
  int GetAnchorCurPosition() override;
  double GetLastY(double ColumnPosition) override;
  int GetLogicalPageNo() override;
  int GetLogicalTotalPages() override;
  void AddEmptyPage(int Index) override;
  void DeletePage(int Index) override;
  void ModifyPage(int Index, TrepReportPage* Page) override;
  void ModifyObject(TrepComponent* Component) override;
  void DrawPage(int Index, gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY,
                bool bHighlightEditable) override;
  void AddFrom(TrepReport* Report) override;
  // Clear, then the document; TrepInvalidXMLException for bytes that are no prepared report.
  // With AllowPartialLoading, page elements of plain (not compressed) data stay in Stream and
  // are read when a page is asked for: Stream must then outlive the store's use of it (until the
  // next load or Clear). Compressed data that does not unpack leaves the store empty with
  // "clDecompressError" reported.
  void LoadFromStream(rt::TStream& Stream, bool AllowPartialLoading = false) override;
  void SaveToStream(rt::TStream& Stream) override;
  bool SaveToFilter(TrepCustomIOTransport* Filter, const std::string& FileName) override;
  // False (nothing changed) for a missing file unless ExceptionIfNotFound.
  bool LoadFromFile(const std::string& FileName, bool ExceptionIfNotFound = false) override;
  void SaveToFile(const std::string& FileName) override;
  bool Export(TrepCustomExportFilter* Filter) override;
  // PrintPreparedPages on the process-wide printer list (repPrintPages.h).
  bool Print() override;
  // The preview's mouse event over a page (repPreviewPagesInteract.cpp): finds the object under
  // the mouse, raises the report's and the object's events, shows hints and hyperlink texts,
  // follows hyperlinks, toggles drill-down groups and writes changed objects back.
  void ObjectOver(int Index, int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift, double Scale,
                  double OffsetX, double OffsetY, TrepPreviewIntEventParams& aEventParams) override;
  // What the pointer meets on page Index without a mouse event per move: the views that show
  // a hint (with UseReportHints), carry a hyperlink or belong to a drill-down group, and the
  // drill-down headers, in drawing order (the last that contains a point is the one on top).
  // Rectangles are in pixels at Scale with the paper corner at (0, 0); at most MaxAreas.
  struct TPointerArea {
    gfx::TRect Rect;
    std::string Hint;      // the short part; empty: none
    std::string HintLine;  // the long part, for the hint line
    std::string Link;      // a hyperlink's value, for the message line
    bool Hand = false;     // a hyperlink, a hand cursor or a drill-down group
  };
  std::vector<TPointerArea> PointerAreas(int Index, double Scale, bool UseReportHints, std::size_t MaxAreas);
  // Where object C of Page (prepared page Index) lies in pixels at Scale, paper corner at (0, 0),
  // as ObjectOver places it.
  static gfx::TRect PixelRect(const TrepReportPage& Page, int Index, const TrepComponent& C, double Scale);
  // The object under the mouse at the last event, and the drill-down header under it; nullptr
  // once either is gone with its page.
  TrepView* LastObjectOver() const;
  TrepGroupHeader* LastDrill() const;

  // ---- anchors ----
  void AddAnchor(const std::string& Text);
  // The last anchor of that text (letter case ignored); nullptr when none.
  TrepXMLItem* FindAnchor(const std::string& Text);
  TrepXMLItem* FindAnchorRoot();
  // The anchor's page, 1-based; 1 when there is no such anchor.
  int GetAnchorPage(const std::string& Text);

  // ---- the page cache ----
  // Keeps the page fetched last from being freed by later fetches until UnlockPage.
  void LockPage();
  void UnlockPage();

  // ---- page settings written by the engine ----
  void UpdatePageDimension(int Index, double Width, double Height);
  void UpdatePageDimensions(TrepReportPage* Page, double Width, double Height);
  void UpdatePageLastColumn(int aColumn, double aColumnPos, bool aReset);
  void GetLastColumnPos(int& aColumn, double& ColumnPos);

  const std::vector<std::unique_ptr<TrepReportPage>>& SourcePages() const { return FSourcePages; }
  TrepDictionary& Dictionary() { return FDictionary; }
  TrepPictureCache& PictureCache() { return FPictureCache; }
  TrepXMLDocument& XMLDoc() { return FXMLDoc; }
  // The "previewpages" element, made when missing.
  TrepXMLItem* PagesItem();

private:
  void FlushPageCache();
  void FreeSourcePages();
  TrepXMLItem* CurrentPageItem();
  void WriteDocument(rt::TStream& Stream);
  void ReadDocument(rt::TStream& Stream);
  void RebuildAfterRead();
  // After a partial load: brings back every unloaded element outside the page elements.
  void LoadAllButPages();
  void PrepareForWrite();
  TrepComponent* SourceObjectOf(const std::string& Alias);
  // Appends the object and its shown children under Parent.
  void AddObjectTo(TrepXMLItem* Parent, TrepComponent* Obj, bool WholePage);
  // Builds the objects of an element under Parent; Budget counts what a page may still hold.
  void BuildObjects(TrepXMLItem* Item, TrepComponent* Parent, int& Budget);
  std::unique_ptr<TrepReportPage> BuildPage(int Index);
  // False when the memo names a post-processed value its entry does not hold.
  bool PostProcessedIndexValid(TrepCustomMemoView* Memo) const;
  void AddError(const std::string& Text);
  bool FinalPass() const;
  // Selected: the pages of the range, nullptr for all.
  void ExportPage(TrepCustomExportFilter* Filter, int Index, const std::vector<bool>* Selected);
  void ExportOneObject(TrepCustomExportFilter* Filter, TrepComponent* Obj);
  TrepXMLItem* PageItem(int Index);

  // The mouse-leave clean-up: the report's DoMouseLeave for the last object, both remembered
  // objects forgotten, the hint and both message lines emptied.
  void MouseLeaveCleanup(int X, int Y, TrepInteractiveEventsParams& EventParams);
  void FollowHyperlink(TrepView* Obj, int X, int Y, TrepInteractiveEventsParams& EventParams);
  // Checked handles: a page leaving the cache frees its objects.
  rt::Variant FLastObjectOver;
  rt::Variant FLastDrill;

  bool FAllowPartialLoading = false;
  TrepDictionary FDictionary;
  int FFirstObjectIndex = 0;
  int FFirstPageIndex = -1;
  int FFirstOutlineIndex = 0;
  int FLogicalPageN = 0;
  // Rebuilt pages by index, the most recently fetched first (after a locked page).
  std::vector<std::pair<int, std::unique_ptr<TrepReportPage>>> FPageCache;
  TrepPictureCache FPictureCache;
  // Counts the pictures of the prepared report read (its cache and any inline in its pages).
  TrepImagePixelBudget FImagePixels;
  std::vector<std::unique_ptr<TrepReportPage>> FSourcePages;
  // The serialized text of each source object in UTF-16, as every rebuilt object starts from
  // it; kept with the UTF-8 text it was made from.
  std::unordered_map<const TrepComponent*, std::pair<std::string, std::u16string>> FSourceTexts;
  const std::u16string& SourceText(const TrepComponent* Source);
  TrepXMLDocument FXMLDoc;
  long long FXMLSize = 0;
  double FLastY = 0;
  TrepReportPage* FLockedPage = nullptr;
  // Measures auto-width memos during one export.
  std::unique_ptr<gfx::TBitmap> FScratch;
};
