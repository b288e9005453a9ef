#pragma once
// The report: its options, the abstract layout engine, outline, prepared-pages store and preview
// it holds, and the report object itself (repClassReport.cpp and the repClassEngine, Expr,
// Inherit, Prepare, Preview and Storage units).
#include "platform/rt/IniFiles.h"
#include "report/engine/repClassComponent.h"
#include "report/engine/repPictureCache.h"

class TrepBand;
class TrepComponentEditorsList;
class TrepCustomDesigner;
class TrepCustomExportFilter;
class TrepCustomIOTransport;
class TrepCustomPreviewPages;
class TrepDataSet;
class TrepDrawText;
class TrepExpressionCache;
class TrepHyperlink;
struct TrepInteractiveEventsParams;
class TrepPictureView;
class TrepPostProcessor;
class TrepPreviewWindow;
class TrepReport;
class TrepReportDataSets;
class TrepReportPage;
class TrepSelectedObjectsList;
class TrepStyles;
class TrepVariables;
class TrepView;
class TrepXMLItem;
class TrepXMLSerializer;
class TscCustomVariable;
class TscScript;

// ---- The report ----

// How a report reports its errors: a message box, only its error list, or raised again.
enum TrepSilentMode { simMessageBoxes, simSilent, simReThrow };

// How InheritFromTemplate settles objects of the report whose names the template also has.
enum TrepInheriteMode { imDefault, imDelete, imRename };
// Parent reports nest at most this deep: report files are untrusted.
inline constexpr int repMaxParentReportDepth = 16;
// The longest IniFile a report may name, in bytes.
inline constexpr std::size_t repMaxIniFileChars = 1024;

// Settings of a report run.
class TrepEngineOptions : public rt::TObject {
public:
  RT_CLASS_INFO(TrepEngineOptions)
  TrepEngineOptions() { Clear(); }
  // ConvertNulls on; IgnoreDevByZero, IgnoreExprError and DoublePass off; nothing else.
  void Clear();
  // From engine options only: everything but DestroyForms, EnableThreadSafe,
  // UseGlobalDataSetList and ReportThread.
  void Assign(const rt::TObject& Source);
  // From engine options only: the silent mode, UseFileCache, DestroyForms, EnableThreadSafe
  // and UseGlobalDataSetList.
  void AssignThreadProps(const rt::TObject& Source);

  // The Boolean view of the mode: True exactly for simSilent; writing it sets simSilent or
  // simMessageBoxes.
  bool GetSilentMode() const { return SilentMode == simSilent; }
  void SetSilentMode(bool Value) { SilentMode = Value ? simSilent : simMessageBoxes; }

  bool ConvertNulls = true;
  bool DestroyForms = true;
  bool DoublePass = false;
  int MaxMemSize = 10;
  bool PrintIfEmpty = true;
  rt::TObject* ReportThread = nullptr;
  bool EnableThreadSafe = false;
  TrepSilentMode SilentMode = simMessageBoxes;
  std::string TempDir;
  bool UseFileCache = false;
  bool UseGlobalDataSetList = true;
  bool IgnoreDevByZero = false;
  bool IgnoreExprError = false;
  // Folders the units of the report's script (its uses clause) are read from; nothing outside
  // them is read. Set by the program, never read from a template.
  std::vector<std::string> ScriptUnitFolders;
};

enum TrepPreviewButton {
  pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbOutline, pbPageSetup, pbTools, pbEdit,
  pbNavigator, pbExportQuick, pbNoClose, pbNoFullScreen, pbNoEmail, pbCopy, pbPaste, pbSelection, pbInplaceEdit
};
using TrepPreviewButtons = TrepSet<TrepPreviewButton>;
enum TrepZoomMode { zmDefault, zmWholePage, zmPageWidth, zmManyPages };

// Settings of the preview window (kept with the template; the server opens no window).
class TrepPreviewOptions : public rt::TObject {
public:
  RT_CLASS_INFO(TrepPreviewOptions)
  TrepPreviewOptions() { Clear(); }
  // The outline and thumbnail settings and the page cache back to their defaults.
  void Clear();
  // From preview options only: every setting.
  void Assign(const rt::TObject& Source);

  bool AllowEdit = true;
  bool AllowPreviewEdit = true;
  TrepPreviewButtons Buttons{pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbOutline,
                             pbPageSetup, pbTools, pbEdit, pbNavigator, pbExportQuick, pbCopy, pbSelection};
  bool DoubleBuffered = true;
  bool Maximized = true;
  bool MDIChild = false;
  bool Modal = true;
  bool OutlineExpand = true;
  bool OutlineVisible = false;
  int OutlineWidth = 120;
  int PagesInCache = 50;
  bool ShowCaptions = false;
  bool ThumbnailVisible = false;
  double Zoom = 1;
  TrepZoomMode ZoomMode = zmDefault;
  bool PictureCacheInFile = false;
  bool RTLPreview = false;
};

enum TrepPrintMode { pmDefault, pmSplit, pmJoin, pmScale };
enum TrepPrintPages { ppAll, ppOdd, ppEven };

// Settings of printing.
class TrepPrintOptions : public rt::TObject {
public:
  RT_CLASS_INFO(TrepPrintOptions)
  TrepPrintOptions() { Clear(); }
  // Every setting back to its default; Printer is the resource text "prDefault".
  void Clear();
  // From print options only: all but PagesOnSheet, SwapPageSize, PrnOutFileName and Duplex.
  void Assign(const rt::TObject& Source);

  int Copies = 1;
  bool Collate = true;
  std::string PageNumbers;
  int PagesOnSheet = 0;
  std::string Printer;
  TrepPrintMode PrintMode = pmDefault;
  int PrintOnSheet = 0;
  TrepPrintPages PrintPages = ppAll;
  bool Reverse = false;
  bool ShowDialog = true;
  bool SwapPageSize = false;
  std::string PrnOutFileName;
  TrepDuplexMode Duplex = dmNone;
  int SplicingLine = 3;
};

// What a template says about itself.
class TrepReportOptions : public rt::TObject {
public:
  RT_CLASS_INFO(TrepReportOptions)
  // CreateDate and LastChange are the time of creation.
  TrepReportOptions();
  // Without Info: author, compression, dates, description and version back to new; always:
  // ConnectionName, InitString, Name, Password and PrevPassword emptied.
  void Clear();
  // From report options only.
  void Assign(const rt::TObject& Source);
  // True for no password, the one last accepted or the one the application supplied; otherwise
  // asks in the password window (TrepPasswordForm) and takes only the right one. A refusal adds
  // "Invalid password" to the report's errors and reports them by its silent mode.
  bool CheckPassword();

  std::string Author;
  bool Compressed = false;
  // The connection is looked up in the system's settings only where a handler asks for it;
  // the server has none, so the name is only stored.
  std::string ConnectionName;
  double CreateDate = 0;  // day numbers from 30 December 1899
  rt::TStringList Description;
  std::string InitString;
  std::string Name;
  double LastChange = 0;
  std::string Password;
  TrepReport* Report = nullptr;  // the owning report; not owned
  std::string VersionBuild, VersionMajor, VersionMinor, VersionRelease;
  std::string PrevPassword;
  std::string HiddenPassword;
  bool Info = false;
};

enum TrepProgressType { ptRunning, ptExporting, ptPrinting };
using TrepProgressEvent = std::function<void(TrepReport* Sender, TrepProgressType ProgressType, int Progress)>;
class TrepCustomDatabase;
using TrepBeforeConnectEvent = std::function<void(TrepCustomDatabase* Sender, bool& Connected)>;
using TrepAfterDisconnectEvent = std::function<void(TrepCustomDatabase* Sender)>;
using TrepEditConnectionEvent = std::function<std::string(const std::string& ConnString)>;
using TrepSetConnectionEvent = std::function<void(const std::string& ConnString)>;

// The layout engine as the report sees it; the engine itself is a later layer. The prepared
// pages read the pass it is in and its position on the page. Operations a descendant must
// supply raise EAbstractError here.
class TrepDialogPage;

class TrepCustomEngine : public rt::TObject {
public:
  explicit TrepCustomEngine(TrepReport* AReport);
  ~TrepCustomEngine() override;
  // Shows one dialog page in place of its ShowModal (the page's ModalResult is the answer).
  std::function<void(TrepDialogPage* Page)> OnRunDialog;
  TrepReport* Report() const { return FReport; }
  TrepCustomPreviewPages* PreviewPages = nullptr;  // not owned
  bool Running = false;
  // True in the last pass (the only one of a single-pass run).
  bool FinalPass = true;
  int TotalPages = 0;
  double CurX = 0, CurY = 0;

  int CurColumn = 0, CurVColumn = 0, CurLine = 0, CurLineThrough = 0;
  double PageHeight = 0, PageWidth = 0;
  double StartDate = 0, StartTime = 0;  // day numbers from 30 December 1899
  bool SecondScriptCall = false;
  int CurTableRow = 0, CurTableColumn = 0;
  // The report's EngineOptions.DoublePass at every read.
  bool DoublePass() const;
  // Objects told of the run (not owned).
  rt::TList& NotifyList() { return FNotifyList; }

  virtual double GetPageHeight() { return PageHeight; }
  virtual void EndPage();
  virtual void BreakAllKeep() {}
  virtual void NewColumn();
  virtual void NewPage();
  virtual void ShowBand(TrepBand* Band);
  virtual double FreeSpace();
  // SUM, AVG, MIN, MAX or COUNT of Expression over Band (nullptr: the caller's band).
  virtual rt::Variant GetAggregateValue(const std::string& Name, const std::string& Expression, TrepBand* Band,
                                        int Flags);
  // Hands a view with delayed content to the post-processor.
  virtual void ProcessObject(TrepView* ReportObject);
  // Prepares the whole report (or APage); True when pages were produced without error.
  virtual bool Run(bool ARunDialogs, bool AClearLast, TrepPage* APage);
  // ShowBand of the report's object of that name when it is a band.
  void ShowBandByName(const std::string& BandName);
  // Sets the report's Terminated (which also stops its script).
  void StopReport();

protected:
  TrepReport* FReport;
  rt::TList FNotifyList;
};

// The report's outline: headings with their page and position, kept by the prepared pages.
class TrepCustomOutline : public rt::TObject {
public:
  explicit TrepCustomOutline(TrepCustomPreviewPages* APreviewPages) : FPreviewPages(APreviewPages) {}
  virtual int GetCount() = 0;
  int Count() { return GetCount(); }
  // A heading at the current level, which then becomes the current element.
  virtual void AddItem(const std::string& Text, int Top) = 0;
  virtual void DeleteItems(TrepXMLItem* From) = 0;
  virtual void LevelDown(int Index) = 0;
  virtual void LevelRoot() = 0;
  virtual void LevelUp() = 0;
  virtual void GetItem(int Index, std::string& Text, int& Page, int& Top) = 0;
  virtual void ShiftItems(TrepXMLItem* From, int NewTop) = 0;
  virtual TrepXMLItem* GetCurPosition() = 0;
  TrepCustomPreviewPages* PreviewPages() const { return FPreviewPages; }
  TrepCustomEngine* Engine() const;
  // The element whose children are the current level; nullptr until LevelRoot.
  TrepXMLItem* CurItem = nullptr;

protected:
  TrepCustomPreviewPages* FPreviewPages;
};

enum TrepAddPageAction { apWriteOver, apAdd };

// Mouse events a preview hands to the prepared pages, and what it gets back.
enum TrepMouseIntEvents { meClick, meDbClick, meMouseMove, meMouseUp, meMouseDown, meDragOver, meDragDrop, meMouseWheel };
struct TrepPreviewIntEventParams {
  TrepMouseIntEvents MouseEventType = meMouseMove;
  // Results: the object handled the event; the cursor to show.
  bool RetResult = false;
  int Cursor = 0;
  // Drag and drop: the dragged object, the state, whether the object accepts it.
  rt::TObject* Sender = nullptr;
  TrepDragState State = dsDragMove;
  bool Accept = false;
  // The wheel.
  int WheelDelta = 0;
  gfx::TPoint MousePos{};
};

// The prepared-pages store as the report, the layout engine and the exports see it.
class TrepCustomPreviewPages : public rt::TObject {
public:
  explicit TrepCustomPreviewPages(TrepReport* AReport);
  ~TrepCustomPreviewPages() override;
  TrepReport* Report() const { return FReport; }
  TrepCustomEngine* Engine = nullptr;  // not owned
  TrepCustomOutline* Outline() const { return FOutline.get(); }

  virtual int GetCount() = 0;
  int Count() { return GetCount(); }
  // The page rebuilt from the store; it belongs to the store. nullptr when there is none.
  virtual TrepReportPage* GetPage(int Index) = 0;
  virtual gfx::TPoint GetPageSize(int Index) = 0;
  virtual void Clear() = 0;
  virtual void Initialize() = 0;
  virtual void AddObject(TrepComponent* Obj) = 0;
  virtual void AddPage(TrepReportPage* Page) = 0;
  virtual void AddSourcePage(TrepReportPage* Page) = 0;
  virtual void AddToSourcePage(TrepComponent* Obj) = 0;
  virtual void BeginPass() = 0;
  virtual void ClearFirstPassPages() = 0;
  virtual void CutObjects(int APosition) = 0;
  virtual void DeleteObjects(int APosition) = 0;
  virtual void DeleteAnchors(int From) = 0;
  virtual void Finish() = 0;
  virtual void IncLogicalPageNumber() = 0;
  virtual void ResetLogicalPageNumber() = 0;
  virtual void PasteObjects(double X, double Y) = 0;
  virtual void ShiftAnchors(int From, int NewTop) = 0;
  virtual void AddPicture(TrepPictureView* Picture) = 0;
  virtual bool BandExists(TrepBand* Band) = 0;
  virtual int GetCurPosition() = 0;
  virtual int GetAnchorCurPosition() = 0;
  virtual double GetLastY(double ColumnPosition) = 0;
  virtual int GetLogicalPageNo() = 0;
  virtual int GetLogicalTotalPages() = 0;
  virtual void AddEmptyPage(int Index) = 0;
  virtual void DeletePage(int Index) = 0;
  virtual void ModifyPage(int Index, TrepReportPage* Page) = 0;
  virtual void ModifyObject(TrepComponent* Component) = 0;
  virtual void DrawPage(int Index, gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX,
                        double OffsetY, bool bHighlightEditable) = 0;
  virtual void AddFrom(TrepReport* Report) = 0;
  virtual void LoadFromStream(rt::TStream& Stream, bool AllowPartialLoading = false) = 0;
  virtual void SaveToStream(rt::TStream& Stream) = 0;
  virtual bool SaveToFilter(TrepCustomIOTransport* Filter, const std::string& FileName) = 0;
  virtual bool LoadFromFile(const std::string& FileName, bool ExceptionIfNotFound = false) = 0;
  virtual void SaveToFile(const std::string& FileName) = 0;
  virtual bool Export(TrepCustomExportFilter* Filter) = 0;
  // Prints the pages on the report's printer (repPrintPages.h); False without a physical
  // printer or when the print dialog was cancelled.
  virtual bool Print() = 0;
  // A mouse event of the preview over page Index at preview pixel (X, Y); Scale is the zoom
  // and the offsets place the page's paper corner.
  virtual void ObjectOver(int Index, int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift, double Scale,
                          double OffsetX, double OffsetY, TrepPreviewIntEventParams& aEventParams) = 0;

  TrepAddPageAction AddPageAction = apWriteOver;
  // The page being filled; -1 when none.
  int CurPage = -1;
  // The page a preview shows, 1-based.
  int CurPreviewPage = 1;
  int FirstPage = 0;
  int PrintCopyNo = 0;
  double PrintScale = 1;
  TrepPostProcessor& PostProcessor() { return *FPostProcessor; }
  void SetOutline(std::unique_ptr<TrepCustomOutline> Value);

protected:
  TrepReport* FReport;
  std::unique_ptr<TrepCustomOutline> FOutline;
  std::unique_ptr<TrepPostProcessor> FPostProcessor;
};

// A preview control attached to the report: it hears of preparation progress and is told to
// let go of the prepared pages when the report goes.

class TrepCustomPreview : public rt::TObject {
public:
  // With an empty selection list and no in-place editors (repInPlaceEditors.cpp).
  TrepCustomPreview();
  ~TrepCustomPreview() override;
  TrepReport* Report = nullptr;  // not owned
  bool UseReportHints = false;
  TrepSelectedObjectsList& SelectionList() { return *FSelectionList; }
  TrepComponentEditorsList* InPlaceEditorsList() const { return FInPlaceEditorsList.get(); }
  void SetInPlaceEditorsList(std::unique_ptr<TrepComponentEditorsList> Value);
  // A modified object is handed to the prepared pages' ModifyObject hook, when one is set.
  virtual void InPlaceEditFinished(rt::TObject* Sender, bool Refresh, bool Modified);
  virtual void SetDefaultEventParams(TrepInteractiveEventsParams& EventParams);
  // Copy and paste through the editors of the first selected object, when the report's
  // preview buttons allow it.
  virtual void InternalCopy();
  virtual void InternalPaste();
  virtual bool InternalIsPasteAvailable();
  std::function<void(TrepComponent* Component)> OnModifyObject;
  virtual void InternalOnProgressStart(TrepReport* Sender, TrepProgressType ProgressType, int Progress) = 0;
  virtual void InternalOnProgress(TrepReport* Sender, TrepProgressType ProgressType, int Progress) = 0;
  virtual void InternalOnProgressStop(TrepReport* Sender, TrepProgressType ProgressType, int Progress) = 0;
  // Attaches the preview to a report and its prepared pages; detaches it from them.
  virtual bool Init(TrepReport* aReport, TrepCustomPreviewPages* aPrevPages) = 0;
  virtual void UnInit(TrepCustomPreviewPages* PreviewPages) = 0;
  // Suspend and resume repainting; prepare the report again and show it.
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
  virtual void RefreshReport() = 0;
  TrepCustomPreviewPages* PreviewPages = nullptr;  // not owned
  // The window the preview sits in; nullptr for a preview the application placed itself.
  rt::TObject* PreviewForm = nullptr;  // not owned

  // ---- what the prepared pages ask of the preview control (repPreviewPagesInteract.cpp) ----
  // The control's side is the host's; the base does nothing.
  // The window's message line (IsHint: the second, hint line).
  virtual void ShowMessageText(const std::string& Text, bool IsHint) { (void)Text, (void)IsHint; }
  // The short hint at (X, Y) of the control; an empty text hides it.
  virtual void ShowHintAt(const std::string& Hint, int X, int Y) { (void)Hint, (void)X, (void)Y; }
  virtual bool ShowsTabs() const { return false; }
  // Shows page PageNo (1-based) from its top, or from Top pixels down.
  virtual void ShowPage(int PageNo, int Top = 0) { (void)PageNo, (void)Top; }
  virtual bool HasTab(const std::string& Name) const { (void)Name; return false; }
  virtual void SwitchToTab(const std::string& Name) { (void)Name; }
  // A new tab showing Report's prepared pages. A detail report made for the tab, and the
  // prepared pages made for a detail page, belong to the tab from then on; such pages refer to
  // Report, so the host frees them before it.
  virtual void AddTab(TrepReport* Report, std::unique_ptr<TrepReport> OwnedReport,
                      std::unique_ptr<TrepCustomPreviewPages> OwnedPages, const std::string& Name,
                      const std::string& PageName, const std::string& Caption) {
    (void)Report, (void)OwnedReport, (void)OwnedPages, (void)Name, (void)PageName, (void)Caption;
  }
  // Repaints the page area.
  virtual void InvalidatePages() {}
  // An address of a hyperlink to open. Report data chose it: a host opens only what it trusts.
  virtual void OpenURL(const std::string& URL) { (void)URL; }

private:
  std::unique_ptr<TrepSelectedObjectsList> FSelectionList;
  std::unique_ptr<TrepComponentEditorsList> FInPlaceEditorsList;
};

enum TrepFilterAccess { faRead, faWrite };

// The root object of a report: its children are the pages; it owns the options, the error
// list, the script and (in later layers) the engine and the prepared pages.
class TrepReport : public TrepComponent {
public:
  RT_CLASS_INFO(TrepReport)
  explicit TrepReport(rt::TComponent* AOwner);
  ~TrepReport() override;

  // An empty report: no pages, options reset, one PascalScript program of three lines
  // ("begin", "", "end."), the eleven system variables.
  void Clear() override;
  // The search of every object (while loading, a dataset fallback comes with datasets).
  TrepComponent* FindObject(std::string_view AName) override;
  // The Index-th child as a page (nullptr when that child is no page); rt::EListError outside
  // 0 .. PagesCount() - 1.
  TrepPage* GetPages(int Index) const;
  int PagesCount() const { return Objects().Count(); }
  std::string GetDescription() const override;

  // ---- errors ----
  // Messages of loading, preparing and exporting: sorted, each listed once.
  rt::TStringList& Errors() { return FErrors; }
  // "clErrors", CR LF and the error list: the text the report reports.
  std::string ErrorsText() const;
  // Reports ErrorsText() by EngineOptions.SilentMode.
  void ReportErrors();

  // ---- options ----
  TrepEngineOptions EngineOptions;
  TrepPreviewOptions PreviewOptions;
  TrepPrintOptions PrintOptions;
  TrepReportOptions ReportOptions;
  void SetEngineOptions(const TrepEngineOptions& Value) { EngineOptions.Assign(Value); }
  void SetPreviewOptions(const TrepPreviewOptions& Value) { PreviewOptions.Assign(Value); }
  void SetPrintOptions(const TrepPrintOptions& Value) { PrintOptions.Assign(Value); }
  void SetReportOptions(const TrepReportOptions& Value) { ReportOptions.Assign(Value); }

  // Counts the pictures of the template being read; reset whenever a template is read.
  TrepImagePixelBudget ImagePixels;

  // ---- script ----
  TscScript* Script() const { return FScript.get(); }
  std::string ScriptLanguage = "PascalScript";
  // While the report is written with StoreInDFM off, an empty list stands for the script.
  rt::TStrings& ScriptText();
  void SetScriptText(const rt::TStrings& Value) { FScriptText.Assign(Value); }
  // Names of the system variables; the index of a name selects its value.
  rt::TStringList& SysVariables() { return FSysVariables; }
  // Names of drill-down headers whose state differs from their default.
  rt::TStringList& DrillState() { return FDrillState; }

  // ---- plain properties ----
  // Always "6.5.10": writing any text keeps it.
  const std::string& Version() const { return FVersion; }
  void SetVersion(std::string_view Value) { (void)Value; }
  // Where the report keeps its settings: "\\Software\\<name>" or a file path (see GetIniFile).
  std::string IniFile = "\\Software\\Report Engine";
  // The settings file IniFile names, for the caller to free: "\\Software\\<name>" is
  // "<name>.ini" in the settings folder (repSettingsFolder), any other path is taken in that
  // folder. A path that leaves the folder, names no file or is longer than
  // repMaxIniFileChars raises: a template never chooses where the server writes.
  std::unique_ptr<rt::TCustomIniFile> GetIniFile() const;
  bool ShowProgress = true;
  bool StoreInDFM = true;
  bool DotMatrixReport = false;
  bool OldStyleProgress = false;
  // ---- inheritance (repClassInherit.cpp) ----
  // The file of the parent report. Setting it loads the parent into the report (OnLoadTemplate,
  // else the file next to FileName, else in the application folder) and keeps a separate copy
  // of it (ParentReportObject) to write differences against; every object present then becomes
  // an ancestor object. An empty value drops the parent. A chain deeper than
  // repMaxParentReportDepth, a parent that leads back to a report being loaded, and a missing
  // file are errors (raised into the load in progress, else reported by SilentMode); the value
  // is kept in every case, so saving loses no link.
  const std::string& ParentReport() const { return FParentReport; }
  void SetParentReport(const std::string& Value);
  // The copy of the parent report; nullptr without one.
  TrepReport* ParentReportObject() const { return FParentReportObject.get(); }
  // The serializer's ancestor lookup while the report is written: the parent report object for
  // the report's own name, its object of that name otherwise.
  void ReportGetAncestor(const std::string& ComponentName, TrepComponent*& Ancestor);
  // Makes the report a child of the template file and merges its own objects, datasets,
  // variables, styles and script into it. Clashing names are settled by InheriteMode; imDefault
  // asks nobody here (there is no user on a server): it renames, as imRename does. False, with
  // the report unchanged, when the template is the report's own file or cannot be read.
  bool InheritFromTemplate(const std::string& templName, TrepInheriteMode InheriteMode = imDefault);
  // The part of script preparation an inherited report adds: remembers the script's first
  // parent, hands the report's user functions to the parent report object and prepares that
  // object's script. True without a parent report object. The script preparation calls it
  // before its own registrations; afterwards the script's parent is the parent report object's
  // script (ParentScriptForPrepare).
  bool PrepareInheritedScript(TrepReport* ActiveReport);
  TscScript* ParentScriptForPrepare() const;
  // The main dataset, checked on use (nullptr once it is gone); writing it also takes its user
  // name as DataSetName.
  TrepDataSet* DataSet() const;
  void SetDataSet(TrepDataSet* Value);
  // The main dataset's user name, else the stored name; writing looks the dataset up.
  std::string DataSetName() const;
  void SetDataSetName(const std::string& Value);
  // The name of the object being processed; it prefixes error messages.
  std::string CurObject;
  std::string FileName;
  bool Modified = false;
  bool Reloading = false;
  // The directory of the executable, with its trailing separator (the current directory at
  // design time).
  std::string GetApplicationFolder() const;
  // Makes the printer named by PrintOptions.Printer the current one of the process-wide list
  // when the list has it; otherwise nothing changes.
  void SelectPrinter();

  // ---- datasets and variables ----
  // The datasets the report uses, and those the application allows it.
  TrepReportDataSets& DataSets() { return *FDataSets; }
  TrepReportDataSets& EnabledDataSets() { return *FEnabledDataSets; }
  TrepVariables& Variables() { return *FVariables; }
  TrepStyles& Styles() { return *FStyles; }
  // nullptr empties the styles; otherwise they are copied and applied.
  void SetStyles(const TrepStyles* Value);
  // The dataset of the DataSets item of that name; nullptr when none.
  TrepDataSet* GetDataset(const std::string& Alias) const;
  // The user name of a dataset of DataSets; "" for nullptr; the resource "clDSNotIncl" for a
  // dataset the report does not use.
  std::string GetAlias(TrepDataSet* DataSet) const;
  // Splits Alias."Field" into the dataset and the field; both empty without a '."'.
  void GetDatasetAndField(const std::string& ComplexName, TrepDataSet*& Dataset, std::string& Field) const;
  // User names and objects of DataSets (without user datasets when OnlyDB).
  void GetDataSetList(rt::TStrings& List, bool OnlyDB) const;
  // The datasets a run may use: the global list or EnabledDataSets, by EngineOptions.
  void GetActiveDataSetList(rt::TStrings& List) const;
  // A dataset that goes leaves DataSets and, when it was the main dataset, DataSet.
  void Notification(rt::TComponent* AComponent);
  // Evaluates an expression of the report's script: Calc with the report's own script, set by
  // the constructor. Views expand "[...]" through it and leave their texts alone without it.
  std::function<rt::Variant(const std::u16string&)> Evaluate;

  // ---- expressions (repClassExpr.cpp) ----
  // The value of Expr: a name found directly (dataset field, system variable, report events,
  // report variable, global variable, script variable), else the expression compiled through
  // the cache and run with AScript (nullptr: the report's script) as parent. Errors follow
  // EngineOptions: a floating division by zero gives Null with IgnoreDevByZero, the text itself
  // with IgnoreExprError; otherwise the message (prefixed "CurObject: ") goes to Errors and is
  // raised as ErepExpressionError.
  rt::Variant Calc(const std::string& Expr, TscScript* AScript = nullptr);
  // Calc for a script's own call (Report.Calc): errors are raised as "clErrorInExp" + message
  // and not added to Errors.
  rt::Variant CalcFromScript(const std::string& Expr);
  TrepExpressionCache& ExpressionCache() { return *FExpressionCache; }
  bool CaseSensitiveExpressions() const;
  void SetCaseSensitiveExpressions(bool Value);
  // The script variables "Value" and "Self" that PrepareScript found (Null / nullptr without).
  rt::Variant LocalValue() const;
  void SetLocalValue(const rt::Variant& Value);
  TrepView* SelfValue() const;
  void SetSelfValue(TrepView* Value);
  // Registers the report's objects, Report, Engine, PreviewPages, Outline, Value, Self and the
  // report's functions (Get, Set, IIF, the aggregates) in the script, and compiles ScriptText
  // in ScriptLanguage. False with "clScrError" in Errors when it does not compile.
  bool PrepareScript(TrepReport* ActiveReport = nullptr);
  // Lays the report out into its prepared pages: dataset check, script compiled and its main
  // block run, then the layout engine. True when the engine completed and no error is left;
  // errors are reported once at the end by EngineOptions.SilentMode. With DestroyForms on the
  // report saves itself first and reads itself back afterwards, so objects taken from it before
  // the call are no longer valid.
  bool PrepareReport(bool ClearLastReport = true);
  // Runs the engine over one page alone: no dataset check, no script, no error report.
  bool PreparePage(TrepPage* APage);
  // A user function served by OnUserFunction (Syntax is its declaration).
  void AddFunction(const std::string& FuncName, const std::string& Category = {},
                   const std::string& Description = {});
  // Calls the script procedure EventName with Obj (while the engine runs, or always).
  void DoNotifyEvent(rt::TObject* Obj, const std::string& EventName, bool RunAlways = false);
  void DoParamEvent(const std::string& EventName, rt::Variant& Params, bool RunAlways = false);
  void DoBeforePrint(TrepReportComponent* c);
  void DoAfterPrint(TrepReportComponent* c);
  // The report's text layout, shared by its memos and the export.
  TrepDrawText& DrawText() { return *FDrawText; }

  // ---- termination ----
  bool Terminated() const { return FTerminated; }
  // True also stops a running script program.
  void SetTerminated(bool Value);

  // ---- engine, prepared pages, preview ----
  // The layout engine and the prepared-pages store, both made with the report.
  TrepCustomEngine* Engine() const { return FEngine.get(); }
  TrepCustomPreviewPages* PreviewPages() const { return FPreviewPages; }
  TrepCustomPreviewPages* MainPreviewPages() const { return FMainPreviewPages.get(); }
  // Stores the store and binds it and the engine to each other; not owned.
  void SetPreviewPages(TrepCustomPreviewPages* Value);
  // Hands the prepared pages to the filter (the store's Export); False without a store.
  bool Export(TrepCustomExportFilter* Filter);
  TrepCustomPreview* Preview() const { return FPreview; }
  // nullptr detaches an assigned preview from the report and its prepared pages; a preview is
  // initialised with the report and its prepared pages and attached to both.
  void SetPreview(TrepCustomPreview* Value);

  // ---- preview, print and designer (repClassPreview.cpp) ----
  // Nothing while the engine runs. With OldStyleProgress the report is prepared and then shown
  // (a failed preparation shows nothing; from inside a running script this raises "Rebuild
  // itself from the script is not allowed!"); otherwise it is shown at once and prepared by the
  // preparation timer about 50 ms later, filling the preview as it goes.
  void ShowReport(bool ClearLastReport = true);
  // An assigned preview is initialised; otherwise a window of the registered preview window
  // class shows the prepared pages (none is registered on the server).
  void ShowPreparedReport();
  // The prepared pages' Print.
  bool Print();
  // The open preview window; nullptr when none.
  TrepPreviewWindow* PreviewForm() const { return FPreviewForm.get(); }
  // Closes an open modeless preview window (not one that is already closing).
  void ClosePreviewForm();
  // The host tells the report that its modeless preview window has closed; the window goes.
  void PreviewFormClosed();
  // The deferred preparation of ShowReport: the host's timer calls PreparationTimerTick once
  // the interval has passed; it does nothing while the script runs a program, otherwise it
  // stops the timer and prepares the report.
  bool PreparationTimerEnabled() const { return FTimerEnabled; }
  void PreparationTimerTick();
  // The designer of the registered class (DesignerClass); nothing when one is open or none is
  // registered.
  TrepCustomDesigner* Designer() const { return FDesigner.get(); }
  void DesignReport(bool Modal = true, bool MDIChild = false);
  // From a component editor: an open designer is activated; otherwise a modal designer, when
  // the editor is the report editor (EditorClassName "TrepReportEditor") and IDesigner is set.
  void DesignReport(rt::TObject* IDesigner, const std::string& EditorClassName);
  // Keeps a call with a literal class name from meaning DesignReport(Modal, MDIChild).
  void DesignReport(rt::TObject* IDesigner, const char* EditorClassName) {
    DesignReport(IDesigner, std::string(EditorClassName));
  }
  void DesignReportInPanel(rt::TObject* Panel);
  // A designer over a prepared page, shown modally; whether it changed the page.
  bool DesignPreviewPage();
  // The host tells the report that its modeless designer has closed; the designer goes.
  void DesignerClosed();
  // The preview's mouse events for a view: the view's own handling, its script handler and the
  // report's events.
  void DoPreviewClick(TrepView* v, rt::TMouseButton Button, rt::TShiftState Shift, bool& Modified,
                      TrepInteractiveEventsParams& EventParams, bool DblClick = false);
  void DoMouseEnter(TrepView* Sender, TrepComponent* aPreviousObject, TrepInteractiveEventsParams& EventParams);
  void DoMouseLeave(TrepView* Sender, int X, int Y, TrepComponent* aNextObject,
                    TrepInteractiveEventsParams& EventParams);
  void DoMouseUp(TrepView* Sender, int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift,
                 TrepInteractiveEventsParams& EventParams);
  std::function<void(TrepView* Sender, rt::TMouseButton Button, rt::TShiftState Shift, bool& Modified)>
      OnClickObject, OnDblClickObject;
  std::function<void(TrepView* Sender)> OnMouseEnter, OnMouseLeave, OnMouseOverObject;
  // Loads a detail report of a hyperlink instead of its file; True when it loaded.
  std::function<bool(TrepReport* Report, const std::string& TemplateName, const TrepHyperlink& AHyperlink)>
      OnLoadDetailTemplate;

  // ---- progress ----
  // None of the three does anything in thread-safe mode. Otherwise they fire the matching
  // event and pass running progress to an attached preview (as Progress - 1). The server shows
  // no progress window and has no message loop to run.
  virtual void InternalOnProgressStart(TrepProgressType ProgressType);
  virtual void InternalOnProgress(TrepProgressType ProgressType, int Progress);
  virtual void InternalOnProgressStop(TrepProgressType ProgressType);
  // Shows a text in the progress or preview window; there are none on the server.
  void SetProgressMessage(const std::string& Value, bool Ishint = false, bool bHandleMessage = true);

  // ---- events ----
  TrepNotifyEvent OnRunDialogs;
  TrepNotifyEvent OnStartReport;
  TrepNotifyEvent OnStopReport;
  TrepNotifyEvent OnReportPrint;
  TrepProgressEvent OnProgressStart;
  TrepProgressEvent OnProgress;
  TrepProgressEvent OnProgressStop;
  std::function<void(TrepReportComponent* Sender)> OnAfterPrint;
  std::function<void(TrepReportComponent* Sender)> OnBeforePrint;
  TrepNotifyEventHandler OnBeginDoc, OnEndDoc, OnPreview, OnPrintReport, OnAfterPrintReport, OnClosePreview,
      OnAfterScriptCompile;
  std::function<void(const std::string& VarName, rt::Variant& Value)> OnGetValue;
  std::function<void(rt::TObject* Sender, const std::string& VarName, rt::Variant& Value)> OnNewGetValue;
  std::function<void(TrepPage* Page)> OnManualBuild;
  std::function<void(TrepReportPage* Page, int CopyNo)> OnPrintPage;
  std::function<rt::Variant(const std::string& MethodName, rt::Variant& Params)> OnUserFunction;
  std::function<void(TrepReport* Report, const std::string& TemplateName)> OnLoadTemplate;
  std::function<void(TrepXMLItem* XMLItem)> OnGetCustomData;
  std::function<void(TrepXMLItem* XMLItem)> OnSaveCustomData;
  // For database components of the application: before one connects (the handler may connect
  // it and say so), after one disconnects, when a connection text is edited (the handler gives
  // the new text) and when a connection text is set.
  TrepBeforeConnectEvent OnBeforeConnect;
  TrepAfterDisconnectEvent OnAfterDisconnect;
  TrepEditConnectionEvent OnEditConnection;
  TrepSetConnectionEvent OnSetConnection;

  // ---- storage ----
  // Reads a report document (decompressed and decrypted when classes for that are registered);
  // the caller's run-time options survive. Problems land in Errors and are reported.
  void LoadFromStream(rt::TStream& Stream) override;
  void SaveToStream(rt::TStream& Stream, bool SaveChildren = true, bool SaveDefaultValues = false,
                    bool Streaming = false) override;
  // False for a missing file (an error only with ExceptionIfNotFound) and for a file that
  // could not be read.
  bool LoadFromFile(const std::string& AFileName, bool ExceptionIfNotFound = false);
  // Through a temporary file renamed over the target: a failed save leaves the old file whole.
  void SaveToFile(const std::string& AFileName);
  bool LoadFromFilter(TrepCustomIOTransport* Filter, const std::string& AFileName);
  bool SaveToFilter(TrepCustomIOTransport* Filter, const std::string& AFileName);
  bool ProcessIOTransport(TrepCustomIOTransport* Filter, const std::string& AFileName, TrepFilterAccess fAccess);
  // A report without a data page gets one named "Data", first among the pages, holding the
  // report's dialog components.
  void CheckDataPage();
  void WriteNestedProperties(TrepXMLItem* Item, rt::TObject* Ancestor) override;
  bool ReadNestedProperty(TrepXMLItem* Item) override;
  // True once the last load read its document.
  bool StreamLoaded = false;
  rt::TStream* LoadStream = nullptr;  // not owned; the stream of the load in progress

  // The serializer while the report is being read; nullptr otherwise.
  TrepXMLSerializer* XMLSerializer() const { return FXMLSerializer; }
  void SetXMLSerializer(TrepXMLSerializer* Value) { FXMLSerializer = Value; }

private:
  std::string FVersion = "6.5.10";
  rt::TStringList FErrors;
  std::unique_ptr<TscScript> FScript;
  rt::TStringList FScriptText;
  rt::TStringList FFakeScriptText;
  rt::TStringList FSysVariables;
  rt::TStringList FDrillState;
  bool FTerminated = false;
  std::unique_ptr<TrepReportDataSets> FDataSets;
  std::unique_ptr<TrepReportDataSets> FEnabledDataSets;
  std::unique_ptr<TrepVariables> FVariables;
  std::unique_ptr<TrepStyles> FStyles;
  TrepDataSetLink FDataSet;
  std::unique_ptr<TrepCustomEngine> FEngine;
  std::unique_ptr<TrepCustomPreviewPages> FMainPreviewPages;
  TrepCustomPreviewPages* FPreviewPages = nullptr;
  TrepCustomPreview* FPreview = nullptr;
  std::unique_ptr<TrepPreviewWindow> FPreviewForm;
  std::unique_ptr<TrepCustomDesigner> FDesigner;
  bool FTimerEnabled = false;
  // Removes the report's script items and readies every database dataset for the designer.
  void PrepareDesigner(bool MarkDesigning);
  TrepXMLSerializer* FXMLSerializer = nullptr;
  // ---- inheritance ----
  std::string FParentReport;
  std::unique_ptr<TrepReport> FParentReportObject;
  TscScript* FSaveParentScript = nullptr;
  // A copy of a parent takes over the grandparent copy its source already holds instead of
  // loading the chain again (see SetParentReport).
  std::unique_ptr<TrepReport> FAdoptParent;
  std::string FAdoptParentName;
  bool FMergingTemplate = false;
  bool FRaiseParentErrors = false;
  void ParentReportFailed(const std::string& Msg);
  void DropParentReportObject();
  // ---- expressions ----
  bool GetNameValue(const std::string& Name, rt::Variant& Value);
  rt::Variant CalcInternal(const std::string& Expr, TscScript* AScript, bool FromScript);
  std::unique_ptr<TrepExpressionCache> FExpressionCache;
  std::unique_ptr<TrepDrawText> FDrawText;
  TscCustomVariable* FLocalValue = nullptr;
  TscCustomVariable* FSelfValue = nullptr;
  // Report variables being evaluated, innermost last: a name met again is a cycle.
  std::vector<std::string> FResolving;
};

// An expression error the report has already recorded; callers above it pass it on unchanged.
RT_DECLARE_EXCEPTION(ErepExpressionError, rt::Exception)
