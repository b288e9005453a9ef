#pragma once
// The layout engine: lays the report pages of a template out into prepared pages. It walks the
// pages, links their bands into a tree, iterates the datasets, asks bands and objects for their
// data and height, stretches and shifts objects, splits bands that do not fit, and hands
// positioned bands to the prepared-pages store, which copies them.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "report/engine/repAggregate.h"
#include "report/engine/repClass.h"

class TrepShiftStructure;
class TrepPreviewPages;

// Moves the objects of a stretched container out of the way of the objects above them that
// grew or shrank. One structure per container, built on first use in a run and reused for every
// later output of that container.
class TrepObjectShifter {
public:
  TrepObjectShifter();
  ~TrepObjectShifter();
  TrepObjectShifter(const TrepObjectShifter&) = delete;
  TrepObjectShifter& operator=(const TrepObjectShifter&) = delete;

  void PrepareShiftTree(TrepComponent* Container);
  // Sets how far the object grew and forgets where it went in the previous output.
  void InitShiftAmount(TrepComponent* AObject, double ShiftAmount);
  void ShiftObjects(TrepComponent* Container);
  // Frees every structure.
  void Clear();
  // Frees the structure of one container (before the container itself goes).
  void ClearContainer(TrepComponent* Container);
  // Frees structures whose containers went while they were in use.
  void ClearDestroyQueue();
  // Called by a structure whose container is being freed.
  void ContainerToDestroyQueue(TrepShiftStructure* S);

private:
  std::map<TrepComponent*, std::unique_ptr<TrepShiftStructure>> FContainers;
  std::vector<std::unique_ptr<TrepShiftStructure>> FDestroyQueue;
};

// One band reprinted at the top of each new page and column, with the X it was shown at.
struct TrepHeaderListItem {
  TrepBand* Band = nullptr;
  double Left = 0;
  // Added while a keep-together block was open: the block carries it when it moves.
  bool IsInKeepList = false;
};

// The bands reprinted at the top of each new page and column; owns its entries.
class TrepHeaderList {
public:
  TrepHeaderList() = default;
  TrepHeaderList(const TrepHeaderList&) = delete;
  TrepHeaderList& operator=(const TrepHeaderList&) = delete;
  void Clear() { FList.clear(); }
  int Count() const { return static_cast<int>(FList.size()); }
  TrepHeaderListItem* Items(int Index) const { return FList.at(static_cast<std::size_t>(Index)).get(); }
  void AddItem(TrepBand* ABand, double ALeft, bool AInKeepList);
  // The index of the first entry holding the band; -1 when none does.
  int IndexOf(const TrepBand* ABand) const;
  // Removes the first entry holding the band; nothing when none does.
  void RemoveItem(TrepBand* ABand);

private:
  std::vector<std::unique_ptr<TrepHeaderListItem>> FList;
};

class TrepEngine : public TrepCustomEngine {
public:
  // Limits that keep a run finite whatever the template says.
  // Pages one pass may produce; past it the run stops with an error line.
  static constexpr int MaxPagesPerPass = 100000;
  // Split steps in a row that place nothing on their page before a band is given up as one
  // that can never fit.
  static constexpr int MaxFruitlessSplitSteps = 3;
  // Pixels per millimetre at the report's 96 per inch.
  static constexpr double PixelsPerMM = 3.77953;
  // Child bands followed from one band; a longer chain is a cycle.
  static constexpr int MaxChildChain = 1000;
  // Child rows one fill may print, whatever count the template asks for.
  static constexpr int MaxChildRows = 100000;

  explicit TrepEngine(TrepReport* AReport);
  ~TrepEngine() override;

  double GetPageHeight() override;
  void EndPage() override;
  void BreakAllKeep() override;
  void NewColumn() override;
  void NewPage() override;
  void ShowBand(TrepBand* Band) override;
  double FreeSpace() override;
  rt::Variant GetAggregateValue(const std::string& Name, const std::string& Expression, TrepBand* Band,
                                int Flags) override;
  void ProcessObject(TrepView* ReportObject) override;
  bool Run(bool ARunDialogs, bool AClearLast, TrepPage* APage) override;
  // The report's OnRunDialogs script event when it has one (its var parameter is the answer);
  // else every visible dialog page with controls, in page order, through OnRunDialog or its
  // ShowModal. False once a page answers Cancel.
  bool ShowDialogPages();

  // Fetch data, measure and shift the objects of a container; always paired with UnStretch.
  virtual void Stretch(TrepComponent* Container);
  // Gives every object of the container back its design state.
  virtual void UnStretch(TrepComponent* Container);
  void PrepareShiftTree(TrepComponent* Container) { FShifter.PrepareShiftTree(Container); }
  // Page header and column header chains (with their children).
  double HeaderHeight(bool AddReprintOnNewPage = false);
  // Column footer plus page footer.
  double FooterHeight();

  bool Initialize();
  void Finalize();

  TrepAggregateList& Aggregates() { return FAggregates; }
  TrepReportPage* CurrentPage() const { return FPage; }
  TrepBand* CurBand() const { return FCurBand; }

private:
  void ReportError(const std::string& Text);
  TrepPreviewPages* Store();
  // The dataset a data band walks: its own, or its row counter when it has RowCount only.
  TrepDataSet* DataSetOf(TrepBand* Band);
  // DataSetOf when that dataset can end; an endless one is reported and gives nullptr.
  TrepDataSet* EndingDataSetOf(TrepBand* Band);
  // Links the horizontal bands of a page, or with Vertical its vertical bands, into a tree.
  void BuildBandTree(TrepReportPage* Page, bool Vertical = false);
  bool HasDataRows(TrepComponent* Container, bool PrintIfEmpty);
  void OutputDataBands(TrepComponent* Container);
  // Shows a band and its child; returns the band when its child waits for rows to be filled.
  TrepBand* ShowBandTree(TrepBand* Band);
  void OutputBand(TrepBand* Band);
  void OutputBandInParts(TrepBand* Band);
  void OutputPageEndBand(TrepBand* Band);
  // Groups: headers from a level inward, a break check for every row after the first, and
  // footers from the innermost level out to a level.
  void OutputGroupHeaders(TrepDataBand* Band, TrepBand* Group, bool First, std::size_t From);
  void CheckGroupBreak(TrepDataBand* Band, TrepBand* Group, double ColumnY, int ColumnPosition);
  void OutputGroupFooters(TrepBand* Group, std::size_t From, TrepDataBand* Band);
  // Shows or hides the bands below each drill-down group header by its expanded state.
  void ApplyDrillDownState(TrepDataBand* Band, TrepBand* Group);
  // Reprinted headers: page, column, data and group headers that show again at the top of each
  // new page and column.
  void RememberReprintHeader(TrepBand* Band);
  void ForgetReprintHeader(TrepBand* Band);
  // Keep-together: a block of bands that moves as a whole to the next column or page.
  void StartKeeping(TrepBand* Band, int Position = 0);
  void StopKeeping(TrepBand* Band);
  // The moving halves of NewPage and NewColumn for an open block.
  void CutKeptBlockForPage(TrepBand*& TakenHeader, bool& Restore);
  void PasteKeptBlockOnPage(TrepBand* TakenHeader, bool Restore);
  // Page columns.
  void MoveToNextColumn();
  void OutputColumnFooter();
  void ShowReprintHeadersInColumn(double Offset);
  // Data-band columns: called after every row, and once more with the last column when the rows
  // end.
  void AdvanceDataColumn(TrepDataBand* Band, int RowPosition, double& HeaderY, double RowY, int& HeaderPosition);
  // Child rows after the data rows, up to a count or the page end.
  void FillChildRows(TrepDataBand* Band, TrepBand* RowBand, bool AfterFooters, int PageCount, int Position,
                     TrepXMLItem* Outline, int Anchor);
  // A data band's footer, kept with the rows above it from Position when the band asks.
  void ShowFooter(TrepDataBand* Band, int KeepPosition);
  // Lets memos with suppressed repeated values show their value again on the next page.
  void RecalcBandOnNewPage(TrepBand* Band);
  void FinishBandAggregates(TrepBand* Band, TrepProcessAtMode Mode = paDefault);
  void RunAllPages(TrepReportPage* OnlyPage);
  void RunPagesOnce(TrepReportPage* OnlyPage);
  void ProcessReportPage();
  void ProcessPageCopy();
  void StartReportPage();
  void OpenNewPage();
  void OutputPageObjects();
  void AddPageOutline();
  // The first band of that class on the page being laid out.
  template <class T>
  T* FindBand() const {
    if (FPage == nullptr) return nullptr;
    for (TrepComponent* C : FPage->Objects())
      if (auto* B = dynamic_cast<T*>(C)) return B;
    return nullptr;
  }

  TrepAggregateList FAggregates;
  TrepObjectShifter FShifter;
  bool FCallFromAddPage = false;
  bool FCallFromEndPage = false;
  bool FCallFromPHeader = false;
  TrepBand* FCurBand = nullptr;
  TrepBand* FLastBandOnPage = nullptr;
  TrepHeaderList FHeaderList;
  bool FFirstReportPage = false;
  double FFirstColumnY = 0;
  bool FIsFirstBand = false;
  bool FIsFirstPage = false;
  bool FIsLastPage = false;
  bool FTitlePrinted = false;
  std::vector<std::string> FHBandNamesTree;
  // Keep-together state.
  TrepBand* FKeepBand = nullptr;
  bool FKeepFooter = false;
  bool FKeeping = false;
  bool FKeepHeader = false;
  double FKeepCurY = 0;
  double FPrevFooterHeight = 0;
  TrepXMLItem* FKeepOutline = nullptr;
  int FKeepPosition = 0;
  int FKeepAnchor = 0;
  TrepReportPage* FPage = nullptr;
  double FPageCurX = 0;
  TrepBand* FStartNewPageBand = nullptr;
  // Where each shown data header went (page, store position), so a moving block knows whether
  // it carries the header.
  std::map<TrepBand*, std::pair<int, int>> FHeaderShownAt;
  // Child rows are being filled while footers are cut aside: no block may be cut meanwhile.
  bool FFillingRows = false;
  // Where a kept block went when a page break moved it (subreports read these).
  int FSubSavePageN = 0;
  double FSubSaveCurY = 0;
  bool FBreakShowBandTree = false;
  bool FLockResetAggregates = false;
  // Pages opened in the current pass, for the page limit.
  int FPagesThisPass = 0;
  // Heights of bands after their last stretch.
  std::map<TrepBand*, double> FStretchedHeight;

  // ---- subreports and vertical bands (repEngineSubreports.cpp, repEngineVertical.cpp) ----
  // What a master row of vertical bands changes before its band is stretched and gives back
  // once its cells are distributed.
  struct TVerticalRow {
    bool Active = false;
    double SaveX = 0;
    TrepBand* MasterBand = nullptr;
    std::vector<int> PageList;
  };
  // Subreports with PrintOnParent, laid out into the container, which then grows.
  void EmbedSubreports(TrepComponent* Container);
  // Subreports without PrintOnParent, run below/beside the band just output.
  void OutputSubreports(TrepBand* Band);
  // Runs a subreport page's data bands where the engine stands.
  void RunSubreportPage(TrepSubreport* Sub);
  // A copy of a shown band in the output band instead of the prepared pages.
  void CopyToOutputBand(TrepBand* Band);
  // Objects of the horizontal band that lie inside a vertical band move into it.
  void MoveIntoVerticalBands(TrepReportPage* Page, TrepBand* Band);
  // Every object moved into a vertical band goes back to its band.
  void RestoreVerticalObjects();
  void BeginVerticalRow(TrepBand* Band, TVerticalRow& Row);
  // With Band: the cells go to their horizontal pages. Always: the engine leaves the row.
  void EndVerticalRow(TrepBand* Band, TVerticalRow& Row);
  // A row that failed before its band was stretched: its cells go, the band is as designed.
  void AbandonVerticalRow(TrepBand* Band, TVerticalRow& Row);
  void CollectVerticalBands(TrepBand* Band);
  void OutputVerticalBands(const std::vector<TrepBand*>& Bands);
  void OutputVerticalBand(TrepBand* Band);
  // Vertical group headers go from the page's reprint list to the horizontal pages' one.
  void TakeVerticalReprintHeaders();
  // Opens the next horizontal page of the master row (the next existing page, or a new one).
  void NewVerticalPage();
  void DistributeVerticalCells(TrepBand* Band, double SaveX);
  // The index of the first cell of the vertical master band, or -1 when Container is not it.
  int VerticalCellsStart(TrepComponent* Container);

  // While set, shown bands are copied into it instead of going to the prepared pages.
  TrepNullBand* FOutputTo = nullptr;
  // The horizontal band whose cells are being laid out.
  TrepBand* FVMasterBand = nullptr;
  // Vertical headers repeated on each horizontal page.
  std::vector<TrepBand*> FVHeaderList;
  // Indexes into the master band's objects where each horizontal page's cells begin, and the end.
  std::vector<int> FVPageList;
  // Suppresses reprinted headers while the horizontal pages of a vertical row are opened.
  bool FDontShowHeaders = false;
  // Set while the vertical headers are shown again on a new horizontal page.
  bool FVHeadersReprinting = false;
  // Objects moved into vertical bands, with their band and place there, to be put back.
  struct TMovedObject {
    TrepComponent* Object;
    TrepBand* Band;
    int Index;
  };
  std::vector<TMovedObject> FVMovedObjects;
  // Subreport pages being run inside each other.
  int FSubreportDepth = 0;
};
