#pragma once
// The report object model: the component tree every report object lives in (names and the
// shared name index, bounds, font inheritance, visibility, alignment and mirroring), the
// drawable report components, the page base, the report itself with its options, errors and
// script, and the fills and frames views paint with.
//
// Classes of later layers appear here only as far as this layer needs them: the view's
// alignment, the memo's AutoWidth, the band and page classes that the tree treats specially,
// and the abstract engine, prepared-pages store and preview the report holds.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Font.h"
#include "platform/rt/Classes.h"
#include "platform/rt/Components.h"
#include "platform/rt/TypInfo.h"
#include "platform/rt/Variants.h"

class TscScript;
class TrepXMLItem;
class TrepXMLSerializer;
class TrepCustomExportFilter;
class TrepReport;
class TrepPage;
class TrepReportPage;

// ---- Errors ----

// Calling an operation a class leaves to its descendants.
RT_DECLARE_EXCEPTION(EAbstractError, rt::Exception)
// A refused component name: not an identifier, or taken among the owner's components.
RT_DECLARE_EXCEPTION(EComponentError, rt::Exception)
// A name another object of the same report already has.
RT_DECLARE_EXCEPTION(EDuplicateName, EComponentError)

// ---- Values ----

struct TrepRect {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

struct TrepPoint {
  double X = 0, Y = 0;
};

// Report units: object coordinates are pixels at 96 per inch; paper sizes and margins are mm.
inline constexpr double fr01cm = 3.77953;
inline constexpr double fr1cm = 37.7953;
inline constexpr double fr01in = 9.6;
inline constexpr double fr1CharX = 9.6;
inline constexpr double fr1CharY = 17;

// A set of a small enumeration, bit (1 << value); ToInt() is the set as the files store it.
template <class E>
class TrepSet {
public:
  constexpr TrepSet() = default;
  constexpr TrepSet(std::initializer_list<E> Items) {
    for (E I : Items) FBits |= Bit(I);
  }
  static constexpr TrepSet FromInt(unsigned Bits) {
    TrepSet S;
    S.FBits = Bits;
    return S;
  }
  constexpr bool Contains(E I) const { return (FBits & Bit(I)) != 0; }
  constexpr void Include(E I) { FBits |= Bit(I); }
  constexpr void Exclude(E I) { FBits &= ~Bit(I); }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr unsigned ToInt() const { return FBits; }
  friend constexpr bool operator==(TrepSet, TrepSet) = default;

private:
  static constexpr unsigned Bit(E I) { return 1u << static_cast<unsigned>(I); }
  unsigned FBits = 0;
};

// Behaviour flags of a class of objects.
enum TrepComponentStyleItem {
  csContainer,
  csPreviewVisible,           // the prepared-pages store copies the object to source pages
  csDefaultDiff,              // prepared copies are written against a default object
  csHandlesNestedProperties,  // the object reads and writes nested XML items itself
  csContained,                // the object cannot be placed into another one
  csAcceptsRepComponents,     // other objects can be placed into it
  csObjectsContainer
};
using TrepComponentStyle = TrepSet<TrepComponentStyleItem>;

// The runtime's component state as far as report objects use it; the readers and writers of
// templates set and clear these.
enum TrepComponentStateItem { csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor };
using TrepComponentState = TrepSet<TrepComponentStateItem>;

enum TrepRestriction { rfDontModify, rfDontSize, rfDontMove, rfDontDelete, rfDontEdit, rfDontEditInPreview, rfDontCopy };
using TrepRestrictions = TrepSet<TrepRestriction>;

enum TrepAnchorsKind { fraLeft, fraTop, fraRight, fraBottom };
using TrepAnchors = TrepSet<TrepAnchorsKind>;

enum TrepMirrorControlMode {
  mcmRTLBands, mcmRTLObjects, mcmRTLAppearance, mcmRTLContent, mcmRTLSpecial,
  mcmBTTBands, mcmBTTObjects, mcmBTTAppearance, mcmBTTContent, mcmBTTSpecial, mcmOnlyAllowed
};
using TrepMirrorControlModes = TrepSet<TrepMirrorControlMode>;

enum TrepPrintOnType { ptFirstPage, ptLastPage, ptOddPages, ptEvenPages, ptRepeatedBand };
using TrepPrintOnTypes = TrepSet<TrepPrintOnType>;

// How a view lines up inside its container.
enum TrepAlign { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient, baHidden };

// Script event properties hold the name of a script procedure.
using TrepNotifyEvent = std::string;

// ---- The child list ----

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

class TrepComponent;

// The ordered children of an object (first drawn first). Every insertion and removal is
// reported to OnNotifyList; moving items reports nothing. The list does not own its items.
class TrepObjectsNotifyList {
public:
  using TNotifyEvent = std::function<void(TrepComponent* Item, TListNotification Action)>;

  int Count() const { return static_cast<int>(FItems.size()); }
  std::size_t size() const { return FItems.size(); }
  bool empty() const { return FItems.empty(); }
  // rt::EListError for a bad index.
  TrepComponent* Items(int Index) const;
  TrepComponent* operator[](int Index) const { return Items(Index); }
  int IndexOf(const TrepComponent* Item) const;
  int Add(TrepComponent* Item);
  void Insert(int Index, TrepComponent* Item);
  // Reports lnDeleted.
  void Delete(int Index);
  // Deletes the first occurrence; its former index, -1 when absent.
  int Remove(TrepComponent* Item);
  // Takes the item out reporting lnExtracted; nullptr when absent.
  TrepComponent* Extract(TrepComponent* Item);
  void Move(int CurIndex, int NewIndex);
  void Exchange(int Index1, int Index2);
  // Deletes every item, last first.
  void Clear();
  const std::vector<TrepComponent*>& List() const { return FItems; }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

  TNotifyEvent OnNotifyList;

private:
  void Notify(TrepComponent* Item, TListNotification Action);
  std::vector<TrepComponent*> FItems;
};

// ---- The component tree ----

// The base of every report object. An object made with a report object as owner becomes its
// child and belongs to (is freed with) the report; the tree frees children with their parent.
class TrepComponent : public rt::TComponent {
public:
  RT_CLASS_INFO(TrepComponent)
  explicit TrepComponent(rt::TComponent* AOwner);
  ~TrepComponent() override;

  // ---- names ----
  // Letter case alone changes nothing. Inside a report a name that another object of the tree
  // has raises EDuplicateName ("prDupl"); an object from an ancestor report cannot be renamed;
  // names must be identifiers and unique among the owner's components (EComponentError).
  void SetName(std::string_view Value) override;
  // BaseName followed by the first free number (by the report's index when given).
  void CreateUniqueName(TrepReport* DefaultReport = nullptr);
  // The class name without its first "Trep" and then its first "View": "Memo", "Shape". The
  // prepared-pages store keeps a source object's serialized text here instead (SetBaseName).
  std::string BaseName() const;
  void SetBaseName(std::string Value) { FBaseName = std::move(Value); }
  virtual std::string GetDescription() const;
  // The name index of the tree (on its top object), built when missing: names of every object
  // of the tree, letter case ignored, each with its object.
  rt::TStringList& GetSortedObjects();

  // ---- the tree ----
  TrepComponent* Parent() const { return FParent; }
  // Moves the object to the end of Value's children (nullptr: out of the tree); an inheriting
  // font then takes the new parent's font. EComponentError when Value is the object itself or
  // one of its descendants.
  virtual void SetParent(TrepComponent* Value);
  TrepObjectsNotifyList& Objects() { return FObjects; }
  const TrepObjectsNotifyList& Objects() const { return FObjects; }
  // Every descendant, depth first, a child before its own children; the object itself is not
  // included. The list is the object's and is rebuilt on every call.
  const std::vector<TrepComponent*>& AllObjects();
  // The children other objects are placed among.
  virtual TrepObjectsNotifyList& GetContainerObjects() { return FObjects; }
  // The first descendant (depth first) whose name equals AName, ASCII letter case ignored;
  // never the object itself; nullptr when none.
  virtual TrepComponent* FindObject(std::string_view AName);
  // The nearest page or report at or above the object; nullptr when none.
  TrepPage* Page();
  TrepReport* Report();
  // The topmost ancestor; nullptr for an object without parent.
  TrepComponent* TopParent() const;
  // Report(), else the report a report page above the object was made for.
  TrepReport* GetGlobalReport();
  // Frees the children, except those of an ancestor report, which are cleared instead.
  virtual void Clear();

  // ---- bounds (pixels; Left and Top relative to the parent) ----
  double Left() const { return FLeft; }
  double Top() const { return FTop; }
  double Width() const { return FWidth; }
  double Height() const { return FHeight; }
  // At design time moving is refused under rfDontMove, sizing under rfDontSize. A new Width
  // or Height more than 0.01 away from the old one first moves the children by their anchors.
  virtual void SetLeft(double Value);
  virtual void SetTop(double Value);
  virtual void SetWidth(double Value);
  virtual void SetHeight(double Value);
  void SetBounds(double ALeft, double ATop, double AWidth, double AHeight);
  // Relative to the page: the parents' positions added up to (not including) a dialog page.
  double AbsLeft() const;
  double AbsTop() const;
  virtual bool IsLeftStored() const { return true; }
  virtual bool IsTopStored() const { return true; }
  virtual bool IsWidthStored() const { return true; }
  virtual bool IsHeightStored() const { return true; }
  // (0, 0, Width, Height).
  virtual TrepRect GetClientArea() const;
  virtual void UpdateBounds() {}

  TrepAnchors Anchors() const { return FAnchors; }
  virtual void SetAnchors(TrepAnchors Value) { FAnchors = Value; }
  // Resizes or moves every child by its anchors when the object grew by DeltaX, DeltaY.
  virtual void ApplyAnchors(double DeltaX, double DeltaY);
  void BeginAnchorsUpdate() { FAnchorsUpdating = true; }
  void EndAnchorsUpdate() { FAnchorsUpdating = false; }
  bool AnchorsUpdating() const { return FAnchorsUpdating; }

  // ---- font ----
  gfx::TFont& Font() { return FFont; }
  const gfx::TFont& Font() const { return FFont; }
  // Copies Value; the font stops following the parent's.
  virtual void SetFont(const gfx::TFont& Value);
  bool ParentFont() const { return FParentFont; }
  // True takes the parent's font now and with every later change of it.
  virtual void SetParentFont(bool Value);

  // ---- visibility and flags ----
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value) { FVisible = Value; }
  bool IsAncestor() const { return ComponentState.Contains(csAncestor) || FAncestor; }
  void SetAncestor(bool Value) { FAncestor = Value; }
  bool IsDesigning() const { return FIsDesigning; }
  void SetIsDesigning(bool Value) { FIsDesigning = Value; }
  bool IsLoading() const { return FIsLoading || ComponentState.Contains(csLoading); }
  void SetIsLoading(bool Value) { FIsLoading = Value; }
  bool IsPrinting() const { return FIsPrinting; }
  void SetIsPrinting(bool Value) { FIsPrinting = Value; }
  bool IsWriting() const { return FIsWriting; }
  void SetIsWriting(bool Value) { FIsWriting = Value; }
  // Selection belongs to the designer and the interactive preview, which keep the list.
  bool IsSelected() const { return FSelectList != nullptr; }
  virtual void SetIsSelected(bool Value);
  virtual TrepRestrictions GetRestrictions() const { return FRestrictions; }
  TrepRestrictions Restrictions() const { return GetRestrictions(); }
  void SetRestrictions(TrepRestrictions Value) { FRestrictions = Value; }
  bool AllowMirrorMode() const { return FAllowMirrorMode; }
  void SetAllowMirrorMode(bool Value) { FAllowMirrorMode = Value; }

  // ---- alignment and mirroring ----
  virtual void MirrorContent(TrepMirrorControlModes MirrorModes) { (void)MirrorModes; }
  // Mirrors the object inside its parent: right to left and/or bottom to top.
  virtual void MirrorPosition(TrepMirrorControlModes MirrorModes);
  // Places the child views by their Align, then their own children.
  virtual void AlignChildren(bool IgnoreInvisible, TrepMirrorControlModes MirrorModes);

  // ---- hooks of later layers (base: nothing) ----
  virtual void AddSourceObjects() {}
  virtual void BeforeStartReport() {}
  virtual void OnNotify(rt::TObject* Sender) { (void)Sender; }
  virtual void OnPaste() {}
  // True when the object exported itself; otherwise the filter is asked to export it.
  virtual bool ExportInternal(TrepCustomExportFilter* Filter) { (void)Filter; return false; }
  virtual bool IsAcceptAsChild(TrepComponent* AParent) { (void)AParent; return false; }
  virtual bool IsAcceptControls() const { return frComponentStyle.Contains(csAcceptsRepComponents); }
  virtual bool ContainerAdd(TrepComponent* Obj) { (void)Obj; return false; }
  virtual void WriteNestedProperties(TrepXMLItem* Item, rt::TObject* Ancestor) { (void)Item; (void)Ancestor; }
  virtual bool ReadNestedProperty(TrepXMLItem* Item) { (void)Item; return false; }

  // ---- copies, streams and differences ----
  // The properties of Source (a report object; anything else is ignored) through the XML
  // form; the object's children go, as with every read.
  virtual void Assign(TrepComponent* Source);
  // The same with Source's children copied as well.
  void AssignAll(TrepComponent* Source, bool Streaming = false);
  // AssignAll, then every object of the copy takes AliasName and OriginalComponent of the
  // object at the same place in Source's tree.
  void AssignAllWithOriginals(TrepComponent* Source, bool Streaming = false);
  // Reads the object (and its children) from an XML document; Clear first unless only the
  // ancestor part is read. Problems met are added to the report's Errors.
  virtual void LoadFromStream(rt::TStream& Stream);
  virtual void SaveToStream(rt::TStream& Stream, bool SaveChildren = true, bool SaveDefaultValues = false,
                            bool Streaming = false);
  // The XML attributes (" l=\"10\"" ...) of position, size, visibility, font, ParentFont, Tag
  // and AllowMirrorMode that differ from AComponent; empty for nullptr.
  virtual std::u16string Diff(const TrepComponent* AComponent) const;
  // The stored properties that differ from AComponent (all of them without one), then Diff;
  // a null band always adds its position.
  std::u16string AllDiff(TrepComponent* AComponent);

  // ---- plain properties ----
  TrepComponentStyle frComponentStyle{csPreviewVisible};
  TrepComponentState ComponentState;
  std::string Description;
  int GroupIndex = 0;
  std::intptr_t IndexTag = 0;
  std::intptr_t Tag = 0;
  bool AncestorOnlyStream = false;
  bool MouseInView = false;
  // The prepared-pages store's short name of the object.
  std::string AliasName;
  // The object paired with this one between a template and a source page; not owned.
  TrepComponent* OriginalComponent = nullptr;
  // Bounds BeforePrint keeps for AfterPrint (Left, Top, Width, Height in the four fields).
  TrepRect OriginalRect;
  // The template band the object is printed with; not owned.
  TrepComponent* OriginalBand = nullptr;
  // The prepared-page item the object was rebuilt from; not owned.
  TrepXMLItem* SerializedItem = nullptr;
  // True only while the object is drawn highlighted.
  bool Highlighted = false;
  // The interactive editors of the object (preview and designer); none on the server.
  rt::TObject* ComponentEditors = nullptr;

protected:
  // Called on every change of the object's font: it stops following the parent, and children
  // that follow it take the new font.
  virtual void FontChanged();
  // Keeps the name index current as children come and go.
  virtual void ObjectListNotify(TrepComponent* Item, TListNotification Action);
  // Frees every child; descendants' destructors call it first so that children go while the
  // whole object still exists.
  void DestroyChildren();

  rt::TObject* FSelectList = nullptr;

private:
  TrepComponent* Root();
  void IndexAdd(TrepComponent* Item);
  void IndexRemove(TrepComponent* Item);

  gfx::TFont FFont;
  std::string FBaseName;
  TrepObjectsNotifyList FObjects;
  std::vector<TrepComponent*> FAllObjects;
  std::unique_ptr<rt::TStringList> FSortedObjects;
  double FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FParentFont = false;
  bool FIsDesigning = false;
  bool FIsLoading = false;
  bool FIsPrinting = false;
  bool FIsWriting = false;
  TrepRestrictions FRestrictions;
  bool FVisible = true;
  TrepAnchors FAnchors{fraLeft, fraTop};
  bool FAnchorsUpdating = false;
  bool FAllowMirrorMode = false;
  TrepComponent* FParent = nullptr;
  bool FAncestor = false;
};

// The lock held while a component tree is read in thread-safe mode; process-wide.
std::recursive_mutex& FormsLock();

// Message a report object sends, when it goes, to the layout engine's shift item attached to it.
inline constexpr unsigned repMsgObjectDestroyed = 0xD001;
struct TrepMessage {
  unsigned Msg = 0;
  TrepComponent* Obj = nullptr;
};
// An object that takes messages through its default handler.
class TrepMessageHandler {
public:
  virtual ~TrepMessageHandler() = default;
  virtual void DefaultHandler(TrepMessage& Message) = 0;
};

// ---- Drawable report components ----

// An object the layout engine places and that draws itself on a canvas.
class TrepReportComponent : public TrepComponent {
public:
  RT_CLASS_INFO(TrepReportComponent)
  explicit TrepReportComponent(rt::TComponent* AOwner);
  // Tells an attached shift item (once) that the object goes.
  ~TrepReportComponent() override;

  // Draws the object in device pixels: X = (AbsLeft + OffsetX) * ScaleX and so on, as each
  // class says. EAbstractError unless the class draws.
  virtual void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
  // Draws every child that is a report component and does not draw itself.
  virtual void DrawChilds(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY,
                          bool AHighlighted, bool AIsDesigning);
  virtual void DrawHighlight(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY,
                             gfx::TColor hlColor);
  // Draw with Highlighted set for its duration, then the highlight when asked for (or when the
  // object is selected outside the designer).
  void InteractiveDraw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY,
                       bool AHighlighted, gfx::TColor hlColor);
  void DrawWithChilds(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY,
                      bool AHighlighted, bool AIsDesigning);

  // The layout engine calls BeforePrint before the object's data is fetched, GetData to fetch
  // it and AfterPrint once the object was copied into the prepared page.
  virtual void BeforePrint();  // keeps the bounds in OriginalRect
  virtual void GetData() {}
  virtual void AfterPrint();  // the kept bounds come back through the bounds writers
  virtual std::string GetComponentText() { return {}; }
  // The absolute rectangle.
  virtual TrepRect GetRealBounds();
  virtual TrepReportComponent* GetSaveToComponent() { return this; }
  virtual bool IsOwnerDraw() const { return false; }

  TrepNotifyEvent OnAfterData;
  TrepNotifyEvent OnAfterPrint;
  TrepNotifyEvent OnBeforePrint;
  TrepNotifyEvent OnPreviewClick;
  TrepNotifyEvent OnPreviewDblClick;
  TrepNotifyEvent OnContentChanged;
  // The pages on which a band prints.
  TrepPrintOnTypes PrintOn;
  // The layout engine's shift item while a band is laid out; not owned. When it is a
  // TrepMessageHandler it hears of the object's end.
  rt::TObject* ShiftObject = nullptr;
  // Children the object had before the engine added run-time objects; -1 when not in use.
  int OriginalObjectsCount = -1;
};

// The base of views: objects with a place on a page that paint themselves.
class TrepView : public TrepReportComponent {
public:
  RT_CLASS_INFO(TrepView)
  using TrepReportComponent::TrepReportComponent;
  TrepAlign Align = baNone;
};

class TrepCustomMemoView : public TrepView {
public:
  RT_CLASS_INFO(TrepCustomMemoView)
  using TrepView::TrepView;
  // The width follows the text; prepared copies do not store it.
  bool AutoWidth = false;
};

class TrepCustomLineView : public TrepView {
public:
  RT_CLASS_INFO(TrepCustomLineView)
  using TrepView::TrepView;
};

class TrepPictureView : public TrepView {
public:
  RT_CLASS_INFO(TrepPictureView)
  using TrepView::TrepView;
};

class TrepBand : public TrepReportComponent {
public:
  RT_CLASS_INFO(TrepBand)
  using TrepReportComponent::TrepReportComponent;
};

class TrepNullBand : public TrepBand {
public:
  RT_CLASS_INFO(TrepNullBand)
  using TrepBand::TrepBand;
};

// ---- Pages ----

// The base of report, dialog and data pages; other objects can be placed on it.
class TrepPage : public TrepComponent {
public:
  RT_CLASS_INFO(TrepPage)
  explicit TrepPage(rt::TComponent* AOwner);
  // The page base has only its interactive editors to draw, and there are none on the server.
  virtual void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
};

class TrepReportPage : public TrepPage {
public:
  RT_CLASS_INFO(TrepReportPage)
  using TrepPage::TrepPage;
  // The report the page was made for when it is shown outside its own report; not owned.
  TrepReport* ParentReport = nullptr;
};

// A window shown before the layout; its objects are positioned relative to it alone.
class TrepDialogPage : public TrepPage {
public:
  RT_CLASS_INFO(TrepDialogPage)
  using TrepPage::TrepPage;
};

// ---- The report ----

// How a report reports its errors: a message box, only its error list, or raised again.
enum TrepSilentMode { simMessageBoxes, simSilent, simReThrow };

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
enum TrepDuplexMode { dmNone, dmVertical, dmHorizontal, dmSimplex };

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

class TrepCustomPreviewPages;

// The layout engine as the report sees it; the engine itself is a later layer.
class TrepCustomEngine : public rt::TObject {
public:
  explicit TrepCustomEngine(TrepReport* AReport) : FReport(AReport) {}
  TrepReport* Report() const { return FReport; }
  TrepCustomPreviewPages* PreviewPages = nullptr;  // not owned
  bool Running = false;

protected:
  TrepReport* FReport;
};

// The prepared-pages store as the report sees it; the store itself is a later layer.
class TrepCustomPreviewPages : public rt::TObject {
public:
  explicit TrepCustomPreviewPages(TrepReport* AReport) : FReport(AReport) {}
  TrepReport* Report() const { return FReport; }
  TrepCustomEngine* Engine = nullptr;  // not owned

protected:
  TrepReport* FReport;
};

// A preview control attached to the report: it hears of preparation progress and is told to
// let go of the prepared pages when the report goes.
class TrepCustomPreview : public rt::TObject {
public:
  virtual void InternalOnProgressStart(TrepReport* Sender, TrepProgressType ProgressType, int Progress) = 0;
  virtual void InternalOnProgress(TrepReport* Sender, TrepProgressType ProgressType, int Progress) = 0;
  virtual void InternalOnProgressStop(TrepReport* Sender, TrepProgressType ProgressType, int Progress) = 0;
  virtual void UnInit(TrepCustomPreviewPages* PreviewPages) = 0;
};

using TrepNotifyEventHandler = std::function<void(rt::TObject* Sender)>;

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
  std::string IniFile = "\\Software\\Report Engine";
  bool ShowProgress = true;
  bool StoreInDFM = true;
  bool DotMatrixReport = false;
  bool OldStyleProgress = false;
  // The file of the parent report (loading it belongs to report inheritance).
  std::string ParentReport;
  // The main dataset by name; resolving it to a dataset comes with datasets.
  std::string DataSetName;
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

  // ---- termination ----
  bool Terminated() const { return FTerminated; }
  // True also stops a running script program.
  void SetTerminated(bool Value);

  // ---- engine, prepared pages, preview ----
  // Empty until the layout engine and the prepared-pages store are built in.
  TrepCustomEngine* Engine() const { return FEngine.get(); }
  TrepCustomPreviewPages* PreviewPages() const { return FPreviewPages; }
  TrepCustomPreviewPages* MainPreviewPages() const { return FMainPreviewPages.get(); }
  // Stores the store and binds it and the engine to each other; not owned.
  void SetPreviewPages(TrepCustomPreviewPages* Value);
  TrepCustomPreview* Preview() const { return FPreview; }
  void SetPreview(TrepCustomPreview* Value) { FPreview = Value; }

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
  std::unique_ptr<TrepCustomEngine> FEngine;
  std::unique_ptr<TrepCustomPreviewPages> FMainPreviewPages;
  TrepCustomPreviewPages* FPreviewPages = nullptr;
  TrepCustomPreview* FPreview = nullptr;
  TrepXMLSerializer* FXMLSerializer = nullptr;
};

// ---- Fills and frames ----

// How the inside of a view is painted. Fills paint on a canvas in device pixels; the PDF export
// reads their properties and writes them its own way.
class TrepCustomFill : public rt::TObject {
public:
  RT_CLASS_INFO(TrepCustomFill)
  // Paints (X, Y)-(X1, Y1), right and bottom excluded. The scales are for descendants that
  // need them. EAbstractError in the base.
  virtual void Draw(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY);
  // The XML attributes (" Add.Name=\"value\"") of the properties that differ from AFill; all of
  // them when AFill is of another class. EAbstractError in the base.
  virtual std::u16string Diff(const TrepCustomFill* AFill, const std::string& Add) const;
  // From a fill of the same class only.
  virtual void Assign(const rt::TObject& Source) { (void)Source; }
};

enum TrepFillType { ftBrush, ftGradient, ftGlass };

// A solid or hatched brush over an optional background colour.
class TrepBrushFill : public TrepCustomFill {
public:
  RT_CLASS_INFO(TrepBrushFill)
  void Draw(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY) override;
  std::u16string Diff(const TrepCustomFill* AFill, const std::string& Add) const override;
  void Assign(const rt::TObject& Source) override;

  gfx::TColor BackColor = gfx::clNone;
  gfx::TColor ForeColor = gfx::clBlack;
  gfx::TBrushStyle Style = gfx::bsSolid;
};

enum TrepGradientStyle { gsHorizontal, gsVertical, gsElliptic, gsRectangle, gsVertCenter, gsHorizCenter };

// Two colours blended from the start colour to the end colour.
class TrepGradientFill : public TrepCustomFill {
public:
  RT_CLASS_INFO(TrepGradientFill)
  void Draw(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY) override;
  std::u16string Diff(const TrepCustomFill* AFill, const std::string& Add) const override;
  void Assign(const rt::TObject& Source) override;
  // The one colour that stands for the gradient: the start colour 127/255 of the way.
  gfx::TColor GetColor() const;

  gfx::TColor StartColor = gfx::clWhite;
  gfx::TColor EndColor = gfx::clBlack;
  TrepGradientStyle GradientStyle = gsHorizontal;
};

enum TrepGlassFillOrientation { foVertical, foHorizontal, foVerticalMirror, foHorizontalMirror };

// A base colour with one half lightened, optionally hatched.
class TrepGlassFill : public TrepCustomFill {
public:
  RT_CLASS_INFO(TrepGlassFill)
  void Draw(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY) override;
  std::u16string Diff(const TrepCustomFill* AFill, const std::string& Add) const override;
  void Assign(const rt::TObject& Source) override;
  gfx::TColor GetColor() const { return Color; }
  // Each channel of the colour moved Blend of the way to 255.
  gfx::TColor BlendColor() const;
  // BlendColor less $060606 in one subtraction (a channel below 6 borrows from the next).
  gfx::TColor HatchColor() const;

  gfx::TColor Color = gfx::clGray;
  double Blend = 0.5;
  bool Hatch = false;
  TrepGlassFillOrientation Orientation = foHorizontal;
};

// A new fill of the type with its defaults.
std::unique_ptr<TrepCustomFill> CreateFill(TrepFillType FillType);
// ftGradient for a gradient fill, ftGlass for a glass fill, ftBrush for anything else.
TrepFillType FillTypeOf(const TrepCustomFill* Fill);

enum TrepFrameStyle { fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble, fsAltDot, fsSquare };
enum TrepFrameType { ftLeft, ftRight, ftTop, ftBottom };
using TrepFrameTypes = TrepSet<TrepFrameType>;

class TrepFrame;

// One side of a frame.
class TrepFrameLine : public rt::TObject {
public:
  RT_CLASS_INFO(TrepFrameLine)
  explicit TrepFrameLine(TrepFrame* AFrame) : FFrame(AFrame) {}
  TrepFrame* Frame() const { return FFrame; }
  // Colour, style and width; the line keeps its frame.
  void Assign(const rt::TObject& Source);
  // The line's attributes against ALine, named LineName + ".Color" and so on; each is written
  // when the frame's own value was written (the Changed flags) and the line differs from the
  // frame, or when it was not and the line differs from ALine.
  std::u16string Diff(const TrepFrameLine* ALine, const std::string& LineName, bool ColorChanged,
                      bool StyleChanged, bool WidthChanged) const;

  gfx::TColor Color = gfx::clBlack;
  TrepFrameStyle Style = fsSolid;
  double Width = 1;  // pixels at 96 dpi

private:
  TrepFrame* FFrame;
};

// Up to four border lines, each with its own colour, style and width, and a drop shadow.
class TrepFrame : public rt::TObject {
public:
  RT_CLASS_INFO(TrepFrame)
  TrepFrame();
  TrepFrame(const TrepFrame&) = delete;
  TrepFrame& operator=(const TrepFrame&) = delete;

  TrepFrameLine& LeftLine() { return *FLeftLine; }
  TrepFrameLine& TopLine() { return *FTopLine; }
  TrepFrameLine& RightLine() { return *FRightLine; }
  TrepFrameLine& BottomLine() { return *FBottomLine; }
  const TrepFrameLine& LeftLine() const { return *FLeftLine; }
  const TrepFrameLine& TopLine() const { return *FTopLine; }
  const TrepFrameLine& RightLine() const { return *FRightLine; }
  const TrepFrameLine& BottomLine() const { return *FBottomLine; }
  void SetLeftLine(const TrepFrameLine& Value) { FLeftLine->Assign(Value); }
  void SetTopLine(const TrepFrameLine& Value) { FTopLine->Assign(Value); }
  void SetRightLine(const TrepFrameLine& Value) { FRightLine->Assign(Value); }
  void SetBottomLine(const TrepFrameLine& Value) { FBottomLine->Assign(Value); }

  // Writing colour, style or width sets all four lines too.
  gfx::TColor Color() const { return FColor; }
  void SetColor(gfx::TColor Value);
  TrepFrameStyle Style() const { return FStyle; }
  void SetStyle(TrepFrameStyle Value);
  double Width() const { return FWidth; }
  void SetWidth(double Value);

  // Every value and the four lines, from a frame only.
  void Assign(const rt::TObject& Source);
  // Shadow, then the sides in Typ around the device rectangle (FX, FY)-(FX1, FY1).
  void Draw(gfx::TCanvas& Canvas, int FX, int FY, int FX1, int FY1, double ScaleX, double ScaleY) const;
  // The frame's XML attributes (" Frame.Color=\"...\"" ...) that differ from AFrame, then its lines'.
  std::u16string Diff(const TrepFrame* AFrame) const;

  bool DropShadow = false;
  double ShadowWidth = 4;
  gfx::TColor ShadowColor = gfx::clBlack;
  TrepFrameTypes Typ;

private:
  // A side from (X, Y) to (X1, Y1); the neighbours are the sides meeting it at its start and
  // end; OutsideSign is -1 when the outside of the rectangle lies left of or above the side.
  void DrawSide(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, const TrepFrameLine& Line, bool StartNeighbour,
                bool EndNeighbour, bool Vertical, int OutsideSign, double ScaleX) const;
  std::unique_ptr<TrepFrameLine> FLeftLine, FTopLine, FRightLine, FBottomLine;
  gfx::TColor FColor = gfx::clBlack;
  TrepFrameStyle FStyle = fsSolid;
  double FWidth = 1;
};

// ---- Helpers of the object model ----

// Start-up: registers the report classes that templates name for streaming (those built so
// far: the report, its page classes, the null band, the memo, picture and line view bases and
// the frame). Once, before templates are read.
void repClassInitialization();

// Round(X * 1e8) / 1e8.
double RoundTo8Decimals(double X);
// Rounds halves to the even neighbour.
int RoundHalfEven(double X);
