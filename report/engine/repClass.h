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
#include "platform/rt/Events.h"
#include "platform/rt/TypInfo.h"
#include "platform/rt/Variants.h"
#include "report/engine/repAlign.h"
#include "report/engine/repCollections.h"
#include "report/engine/repPictureCache.h"
#include "report/engine/repUnicodeUtils.h"
#include "report/engine/repVariables.h"
#include "report/engine/repPrinter.h"

class TscScript;
class TrepXMLItem;
class TrepXMLSerializer;
class TrepCustomExportFilter;
class TrepReport;
class TrepPage;
class TrepReportPage;
class TrepReportDataSets;
class TrepStyles;
class TrepExpressionCache;
class TrepDrawText;
class TscCustomVariable;
class TrepView;
class TrepComponentEditorsManager;
struct TrepInteractiveEventsParams;

// A drag's state as it crosses an object.
enum TrepDragState { dsDragEnter, dsDragLeave, dsDragMove };

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
  // The selection list the object is in (set by the list itself); nullptr: not selected.
  rt::TObject* SelectList() const { return FSelectList; }
  void SetSelectList(rt::TObject* Value) { FSelectList = Value; }
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

  // ---- hit-testing and interactive events (repClassInteractive.cpp) ----
  // Coordinates are page pixels, as AbsLeft and AbsTop. The point is on the object, edges
  // included; a line of zero width or height is hit within 4 pixels of it. Attached editors
  // are asked about a point outside.
  virtual bool IsContain(double X, double Y);
  // The object's absolute rectangle (normalised) lies wholly inside aRect, edges included.
  virtual bool IsInRect(const TrepRect& aRect);
  // The topmost object at the point: a child (never a null band) before the object itself;
  // the object itself only when it is not IsCanContain and accepts it (IsAcceptControl).
  virtual TrepComponent* GetContainedComponent(double X, double Y, TrepComponent* IsCanContain = nullptr);
  // Adds (once) every object of the tree inside aRect that inherits from InheriteFrom
  // (nullptr: any); an object-container is added only when bSelectContainers says so.
  virtual void GetContainedComponents(const TrepRect& aRect, rt::TClass InheriteFrom,
                                      std::vector<TrepComponent*>* aComponents, bool bSelectContainers = false);
  // aControl may be placed into the object (True for nullptr).
  virtual bool IsAcceptControl(TrepComponent* aControl);
  // Entry points of a preview or designer: attached editors get the event first; only when
  // they leave it does the object's own hook run. Events from the preview are ignored for an
  // object restricted there (drag events never are).
  bool MouseDown(int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift, TrepInteractiveEventsParams& EventParams);
  void MouseMove(int X, int Y, rt::TShiftState Shift, TrepInteractiveEventsParams& EventParams);
  void MouseUp(int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift, TrepInteractiveEventsParams& EventParams);
  void MouseEnter(TrepComponent* aPreviousObject, TrepInteractiveEventsParams& EventParams);
  void MouseLeave(int X, int Y, TrepComponent* aNextObject, TrepInteractiveEventsParams& EventParams);
  void MouseClick(bool Double, TrepInteractiveEventsParams& EventParams);
  bool MouseWheel(rt::TShiftState Shift, int WheelDelta, gfx::TPoint MousePos, TrepInteractiveEventsParams& EventParams);
  bool DragOver(rt::TObject* Source, int X, int Y, TrepDragState State, bool& Accept,
                TrepInteractiveEventsParams& EventParams);
  bool DragDrop(rt::TObject* Source, int X, int Y, TrepInteractiveEventsParams& EventParams);
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
  // The object's own answers to interactive events; interactive descendants override them.
  virtual bool DoMouseDown(int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift,
                           TrepInteractiveEventsParams& EventParams);
  virtual void DoMouseMove(int X, int Y, rt::TShiftState Shift, TrepInteractiveEventsParams& EventParams);
  virtual void DoMouseUp(int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift,
                         TrepInteractiveEventsParams& EventParams);
  virtual void DoMouseEnter(TrepComponent* aPreviousObject, TrepInteractiveEventsParams& EventParams);
  virtual void DoMouseLeave(TrepComponent* aNextObject, TrepInteractiveEventsParams& EventParams);
  virtual void DoMouseClick(bool Double, TrepInteractiveEventsParams& EventParams);
  virtual bool DoMouseWheel(rt::TShiftState Shift, int WheelDelta, gfx::TPoint MousePos,
                            TrepInteractiveEventsParams& EventParams);
  virtual bool DoDragOver(rt::TObject* Source, int X, int Y, TrepDragState State, bool& Accept,
                          TrepInteractiveEventsParams& EventParams);
  virtual bool DoDragDrop(rt::TObject* Source, int X, int Y, TrepInteractiveEventsParams& EventParams);
  // The editors of the object's class from EventParams.EditorsList, made on first use and
  // given the offsets and scale; nullptr when the class has none.
  TrepComponentEditorsManager* BindComponentEditors(TrepInteractiveEventsParams& EventParams);

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

class TrepView;
class TrepCustomMemoView;
class TrepDataSet;
class TrepMacrosItem;
class TrepPostProcessor;

// Bands, subreports and page classes follow the views (they hold fills, frames and memos).
class TrepBand;
class TrepNullBand;
class TrepReportPage;
class TrepDialogPage;

// ---- Pages ----

// The base of report, dialog and data pages; other objects can be placed on it.
class TrepPage : public TrepComponent {
public:
  RT_CLASS_INFO(TrepPage)
  explicit TrepPage(rt::TComponent* AOwner);
  // The page base has only its interactive editors to draw, and there are none on the server.
  virtual void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
};

// ---- The report ----

// How a report reports its errors: a message box, only its error list, or raised again.
enum TrepSilentMode { simMessageBoxes, simSilent, simReThrow };

// How InheritFromTemplate settles objects of the report whose names the template also has.
enum TrepInheriteMode { imDefault, imDelete, imRename };
// Parent reports nest at most this deep: report files are untrusted.
inline constexpr int repMaxParentReportDepth = 16;

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
class TrepCustomIOTransport;
class TrepPictureView;

class TrepPostProcessor;
class TrepCustomOutline;

// The layout engine as the report sees it; the engine itself is a later layer. The prepared
// pages read the pass it is in and its position on the page. Operations a descendant must
// supply raise EAbstractError here.
class TrepCustomEngine : public rt::TObject {
public:
  explicit TrepCustomEngine(TrepReport* AReport);
  ~TrepCustomEngine() override;
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
class TrepSelectedObjectsList;
class TrepComponentEditorsList;
struct TrepInteractiveEventsParams;

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

using TrepNotifyEventHandler = std::function<void(rt::TObject* Sender)>;

// A dataset bound by pointer and by name. The dataset's serial, taken when binding, tells a
// live dataset from one freed since (or another made at the same address); the name stays so
// that the dataset can be found again, as when a template is read before its datasets exist.
class TrepDataSetLink {
public:
  // nullptr once the bound dataset is gone.
  TrepDataSet* Get() const;
  // Binds Value and takes its user name.
  void Set(TrepDataSet* Value);
  // The bound dataset's user name, else the stored name.
  std::string Name() const;
  // Stores Value and binds D, the dataset found by it (nullptr for none).
  void Bind(const std::string& Value, TrepDataSet* D);
  // Stores Value and binds the dataset Owner finds by that name.
  void SetName(TrepComponent* Owner, const std::string& Value);
  // Unbinds when the bound dataset is D, keeping the name.
  void Forget(const TrepDataSet* D);
  void Clear();

private:
  TrepDataSet* FDataSet = nullptr;
  std::uint64_t FSerial = 0;
  std::string FName;
};

class TrepCustomIOTransport;
enum TrepFilterAccess { faRead, faWrite };
class TrepPreviewWindow;
class TrepCustomDesigner;
class TrepHyperlink;

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
  std::string IniFile = "\\Software\\Report Engine";
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

// ---- Views ----

class TVectorCanvas;
namespace gfx {
class TGraphic;
class TPicture;
}

enum TrepShiftMode { smDontShift, smAlways, smWhenOverlapped };
// Where a view appears: drawn in the preview, offered to exports, printed.
enum TrepVisibilityType { vsPreview, vsExport, vsPrint };
using TrepVisibilityTypes = TrepSet<TrepVisibilityType>;
enum TrepHyperlinkKind { hkURL, hkAnchor, hkPageNumber, hkDetailReport, hkDetailPage, hkCustom, hkNone };
enum TrepProcessAtMode {
  paDefault, paReportFinished, paReportPageFinished, paPageFinished, paColumnFinished, paDataFinished,
  paGroupFinished, paCustom
};

// When a view's content is computed: at once, or later by the post-processor.
class TrepObjectProcessing : public rt::TObject {
public:
  RT_CLASS_INFO(TrepObjectProcessing)
  // From another TrepObjectProcessing; anything else raises EConvertError.
  void Assign(const rt::TObject& Source);
  TrepProcessAtMode ProcessAt = paDefault;
  int GroupLevel = 0;
};

// Where a click on a view leads.
class TrepHyperlink : public rt::TObject {
public:
  RT_CLASS_INFO(TrepHyperlink)
  // All eight properties, from a hyperlink only.
  void Assign(const rt::TObject& Source);
  // " Add.Name=\"value\"" for Kind, DetailReport, DetailPage, ReportVariable, TabCaption, Value
  // and ValuesSeparator where they differ from ALink (Expression is not compared).
  std::u16string Diff(const TrepHyperlink* ALink, const std::string& Add) const;
  // Puts Value into the report variable(s) ReportVariable names; see the view's notes.
  void AssignVariables(TrepReport* aReport) const;

  TrepHyperlinkKind Kind = hkURL;
  std::string DetailReport, DetailPage, Expression, ReportVariable, TabCaption, Value;
  std::string ValuesSeparator = ";";
};

// The base of visible objects: a rectangle with a fill, a frame and a hyperlink, bound to a
// dataset field when asked. Drawing first works out the device rectangle (SetDrawArea) that
// the other drawing steps use.
class TrepView : public TrepReportComponent {
public:
  RT_CLASS_INFO(TrepView)
  explicit TrepView(rt::TComponent* AOwner);
  ~TrepView() override;

  TrepAlign Align = baNone;
  int Cursor = 0;
  std::string DataField;
  // The bound dataset, checked on every use: nullptr once the dataset is gone.
  TrepDataSet* DataSet() const;
  void SetDataSet(TrepDataSet* Value);
  // The bound dataset's user name, else the stored name; writing binds the dataset found by
  // that name (FindDataSet).
  std::string DataSetName() const;
  void SetDataSetName(const std::string& Value);
  TrepFrame& Frame() { return FFrame; }
  const TrepFrame& Frame() const { return FFrame; }
  void SetFrame(const TrepFrame& Value) { FFrame.Assign(Value); }
  TrepShiftMode ShiftMode = smAlways;
  std::string TagStr;
  std::string TempTag, TempHyperlink;
  std::string Hint;
  bool ShowHint = false;
  // Writing a URL turns it into the hyperlink: "@n" a page number, "#name" an anchor, anything
  // else an address; empty text changes nothing. The stored URL itself does not change.
  const std::string& URL() const { return FURL; }
  void SetURL(const std::string& Value);
  bool PlainText = false;
  TrepHyperlink& Hyperlink() { return FHyperlink; }
  const TrepHyperlink& Hyperlink() const { return FHyperlink; }
  void SetHyperlink(const TrepHyperlink& Value) { FHyperlink.Assign(Value); }
  TrepCustomFill* Fill() const { return FFill.get(); }
  // Takes Value's type first, then copies it.
  void SetFill(const TrepCustomFill& Value);
  TrepFillType FillType() const { return FillTypeOf(FFill.get()); }
  // Another type replaces the fill by a new default one; the same type keeps it.
  void SetFillType(TrepFillType Value);
  // The brush fill's BackColor, a gradient's middle colour, a glass fill's colour; writing
  // changes a brush fill only.
  gfx::TColor Color() const;
  void SetColor(gfx::TColor Value);
  // The brush fill's style (bsClear for other fills); writing changes a brush fill only.
  gfx::TBrushStyle BrushStyle() const;
  void SetBrushStyle(gfx::TBrushStyle Value);
  bool Printable() const { return Visibility.Contains(vsPrint); }
  void SetPrintable(bool Value);
  TrepVisibilityTypes Visibility{vsPreview, vsExport, vsPrint};
  bool DrawAsMask = false;
  bool AllowVectorExport = true;
  TrepNotifyEvent OnMouseEnter, OnMouseLeave, OnMouseDown, OnMouseMove, OnMouseUp;
  TrepObjectProcessing& Processing() { return FProcessing; }
  void SetProcessing(const TrepObjectProcessing& Value) { FProcessing.Assign(Value); }
  // Frame.ShadowWidth with a drop shadow, else 0.
  double ShadowSize() const { return FFrame.DropShadow ? FFrame.ShadowWidth : 0; }
  // A dataset is bound and DataField is set.
  bool IsDataField() const;

  // ---- drawing ----
  virtual void SetDrawArea(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
  virtual void PaintFill();
  virtual void PaintFrame();
  virtual bool IsEMFExportable() { return AllowVectorExport; }
  // The view's text output recorded while it draws itself at scale 1 into a scratch bitmap;
  // the caller owns the result.
  virtual std::unique_ptr<TVectorCanvas> GetVectorCanvas();
  // The view drawn at scale 1 into a new enhanced metafile of its size (at least 1 by 1), its
  // top-left corner at the origin; fill (unless DrawFill) and frame are left to the caller.
  virtual std::unique_ptr<gfx::TGraphic> GetVectorGraphic(bool DrawFill);
  virtual void DrawClipped(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  }
  virtual void GetScaleFactor(double& ScaleX, double& ScaleY) { (void)ScaleX; (void)ScaleY; }
  // (AbsLeft, AbsTop, AbsLeft + Width, AbsTop + Height).
  virtual TrepRect GetExportBounds();
  virtual bool IsPostProcessAllowed() const { return FProcessing.ProcessAt != paDefault; }
  // SetDrawArea, PaintFill, PaintFrame, then the designer's corner marks.
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  void DrawHighlight(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY,
                     gfx::TColor hlColor) override;
  // A line Width pixels thick as that many one-pixel lines across its minor axis.
  void DrawThickLine(int X1, int Y1, int X2, int Y2, int Width);
  // Short black strokes at the corners, in the designer, when the frame is not closed.
  void DrawCornerMarks();

  // ---- printing ----
  void BeforePrint() override;
  // Expands bracketed expressions of TagStr and the hyperlink through the report's evaluator.
  void GetData() override;
  // The view's side of the post-processing dictionary (the memo has one; the base does nothing).
  virtual void SaveContentToDictionary(TrepReport* aReport, TrepPostProcessor* PostProcessor) {
    (void)aReport;
    (void)PostProcessor;
  }
  // True when the object repeats the previous one and is to be left out.
  virtual bool LoadContentFromDictionary(TrepReport* aReport, TrepMacrosItem* aItem) {
    (void)aReport;
    (void)aItem;
    return false;
  }
  virtual void ProcessDictionary(TrepMacrosItem* aItem, TrepReport* aReport, TrepPostProcessor* PostProcessor) {
    (void)aItem;
    (void)aReport;
    (void)PostProcessor;
  }
  void AfterPrint() override;
  // Every "[...]" (nested brackets kept together) replaced by the text of its value.
  std::string ExpandExpressions(const std::string& Text);

  void MirrorContent(TrepMirrorControlModes MirrorModes) override;
  std::u16string Diff(const TrepComponent* AComponent) const override;
  bool IsAcceptAsChild(TrepComponent* AParent) override { (void)AParent; return true; }

  // The device rectangle and the state of the last drawing.
  int FX = 0, FY = 0, FX1 = 0, FY1 = 0, FDX = 0, FDY = 0, FFrameWidth = 0;
  double FScaleX = 1, FScaleY = 1, FOffsetX = 0, FOffsetY = 0;
  gfx::TCanvas* FCanvas = nullptr;  // not owned
  bool ObjAsMetafile = false;
  bool DrawFillOnMetaFile = false;
  // Set while GetVectorCanvas runs: drawing code records its text output here.
  TVectorCanvas* VC = nullptr;

private:
  TrepDataSetLink FDataSet;
  TrepFrame FFrame;
  std::string FURL;
  TrepHyperlink FHyperlink;
  std::unique_ptr<TrepCustomFill> FFill;
  TrepObjectProcessing FProcessing;
};

enum TrepShapeKind { skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2 };

// A rectangle, rounded rectangle, ellipse, triangle, diamond or diagonal line.
class TrepShapeView : public TrepView {
public:
  RT_CLASS_INFO(TrepShapeView)
  explicit TrepShapeView(rt::TComponent* AOwner);
  // The designer's palette variant: Flags picks the shape.
  void DesignCreate(int Flags) { Shape = static_cast<TrepShapeKind>(Flags); }
  std::string GetDescription() const override;
  std::u16string Diff(const TrepComponent* AComponent) const override;
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  // Corner curvature of a rounded rectangle; 0 picks a quarter of the shorter side.
  int Curve = 0;
  TrepShapeKind Shape = skRectangle;

private:
  void PaintShape();
  void DrawShapeOutline();
};

// A conditional style a memo takes when Condition holds.
class TrepHighlight : public TrepCollectionItem {
public:
  RT_CLASS_INFO(TrepHighlight)
  explicit TrepHighlight(rt::TCollection* ACollection);
  // Everything but Active.
  void Assign(const rt::TObject& Source);
  bool IsUniqueNameStored() const override { return true; }
  gfx::TColor Color() const;
  void SetColor(gfx::TColor Value);
  TrepFillType FillType() const { return FillTypeOf(FFill.get()); }
  void SetFillType(TrepFillType Value);
  TrepCustomFill* Fill() const { return FFill.get(); }
  void SetFill(const TrepCustomFill& Value);
  gfx::TFont& Font() { return FFont; }
  void SetFont(const gfx::TFont& Value) { FFont.Assign(Value); }
  TrepFrame& Frame() { return FFrame; }
  void SetFrame(const TrepFrame& Value) { FFrame.Assign(Value); }

  bool Active = false;
  bool ApplyFont = true, ApplyFill = true, ApplyFrame = false;
  std::string Condition;
  bool Visible = true;
  enum TInteractiveType { ihNone, ihClick, ihEnter, ieLeave } InteractiveType = ihNone;

private:
  gfx::TFont FFont;
  std::unique_ptr<TrepCustomFill> FFill;
  TrepFrame FFrame;
};

class TrepHighlightCollection : public TrepCollection {
public:
  TrepHighlightCollection();
  TrepHighlight* Items(int Index) const { return static_cast<TrepHighlight*>(TrepCollection::Items(Index)); }
};

enum TrepFormatKind { fkText, fkNumeric, fkDateTime, fkBoolean };

// How a memo turns a value into text.
class TrepFormat : public rt::TCollectionItem {
public:
  RT_CLASS_INFO(TrepFormat)
  explicit TrepFormat(rt::TCollection* ACollection) : rt::TCollectionItem(ACollection) {}
  void Assign(const rt::TObject& Source);
  std::string DecimalSeparator, ThousandSeparator, FormatStr;
  TrepFormatKind Kind = fkText;
};

class TrepFormatCollection : public rt::TCollection {
public:
  TrepFormatCollection();
  TrepFormat* Items(int Index) const { return static_cast<TrepFormat*>(rt::TCollection::Items(Index)); }
};

enum TrepStretchMode { smDontStretch, smActualHeight, smMaxHeight };

// A view whose height can follow its content and which can be split across pages. The layout
// engine's contract: InitPart starts a split, DrawPart cuts what fits the current height and
// returns the height left unused, HasNextDataPart tells whether content remains beyond the
// free space, CalcHeight gives the height the whole content needs.
class TrepStretcheable : public TrepView {
public:
  RT_CLASS_INFO(TrepStretcheable)
  using TrepView::TrepView;
  virtual double CalcHeight() { return Height(); }
  virtual double DrawPart() { return 0; }
  virtual void InitPart() {}
  virtual bool HasNextDataPart(double aFreeSpace) { return aFreeSpace < Top() + SaveHeight; }
  TrepStretchMode StretchMode = smDontStretch;
  bool CanShrink = false;
  double SaveHeight = 0;
  double SavedTop = 0;
};

class TrepStyleItem;
class TrepMacrosItem;
class TrepPostProcessor;

enum TrepDuplicateMerge { dmShow, dmHide, dmClear, dmMerge };
enum TrepUnderlinesTextMode { ulmNone, ulmUnderlinesAll, ulmUnderlinesText, ulmUnderlinesTextAndEmptyLines };

// Limits on what template and user text can make the memo do: the longest delimiter, and how
// many bracketed expressions one print evaluates.
inline constexpr std::size_t repMaxDelimiterLength = 255;
inline constexpr int repMaxMemoExpressions = 100000;

// The report's text object: lines of text whose bracketed expressions are replaced by their
// formatted values before each print (repClassMemo.cpp), laid out, drawn and split through the
// report's text layout (repClassMemoLayout.cpp).
class TrepCustomMemoView : public TrepStretcheable {
public:
  RT_CLASS_INFO(TrepCustomMemoView)
  explicit TrepCustomMemoView(rt::TComponent* AOwner);
  ~TrepCustomMemoView() override;
  std::string GetDescription() const override;

  // ---- text ----
  // The lines joined by CR LF; writing splits at line breaks.
  std::u16string Text() const;
  void SetText(std::u16string_view Value);
  // Text as the application fills it from outside data: printed exactly as given, never
  // evaluated (AllowExpressions becomes False), so a text such as "[Report.SaveToFile('x')]"
  // stays text.
  void SetLiteralText(std::u16string_view Value);
  TrepWideStrings& Lines() { return *FMemo; }
  const TrepWideStrings& Lines() const { return *FMemo; }
  TrepWideStrings& Memo() { return *FMemo; }
  void SetLines(const TrepWideStrings& Value) { FMemo->Assign(Value); }
  TrepFormatCollection& Formats() { return *FFormats; }
  TrepHighlightCollection& Highlights() { return *FHighlights; }
  // The first format / highlight, made when the collection is empty.
  TrepFormat& DisplayFormat();
  TrepHighlight& Highlight();
  bool Underlines() const { return UnderlinesTextMode != ulmNone; }
  void SetUnderlines(bool Value);
  int Rotation() const { return FRotation; }
  void SetRotation(int Value) { FRotation = Value % 360; }
  // 0 to 359.
  int ReducedAngle() const;
  const std::string& GetStyle() const { return Style; }
  void SetStyle(const std::string& Value);

  // ---- printing ----
  void BeforePrint() override;
  void GetData() override;
  void AfterPrint() override;
  // One value as text by AFormat (nullptr: DisplayFormat); formatting errors give the value's
  // plain text.
  std::u16string FormatData(const rt::Variant& Value, TrepFormat* AFormat = nullptr);
  void ExtractMacros(TrepPostProcessor* Dictionary);
  // Takes the style's font, fill and frame, each as its Apply flag says.
  virtual void ApplyStyle(const TrepStyleItem& Item);
  void ApplyHighlight(TrepHighlight* AHighlight);
  void ApplyPreviewHighlight();
  void ResetSuppress() { LastValue = rt::Variant(""); }
  std::string GetComponentText() override;
  bool IsPostProcessAllowed() const override { return TrepView::IsPostProcessAllowed() || Duplicates != dmShow; }
  void SaveContentToDictionary(TrepReport* aReport, TrepPostProcessor* PostProcessor) override;
  bool LoadContentFromDictionary(TrepReport* aReport, TrepMacrosItem* aItem) override;
  void ProcessDictionary(TrepMacrosItem* aItem, TrepReport* aReport, TrepPostProcessor* PostProcessor) override;

  // ---- layout (repClassMemoLayout.cpp) ----
  void SetDrawArea(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  double CalcHeight() override;
  virtual double CalcWidth();
  void InitPart() override;
  double DrawPart() override;
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  std::u16string WrapText(bool WrapWords, TrepWideStrings* aParaText = nullptr);
  std::u16string Diff(const TrepComponent* AComponent) const override;
  void MirrorContent(TrepMirrorControlModes MirrorModes) override;
  double FrameAndGapWidth() const;
  double FrameAndGapHeight() const;
  gfx::TRect GetTextRect(double OffsetX, double OffsetY, double ScaleX, double ScaleY) const;

  bool AllowExpressions = true;
  bool AllowHTMLTags = false;
  // The width follows the text; prepared copies do not store it.
  bool AutoWidth = false;
  double CharSpacing = 0;
  bool Clipped = true;
  std::string ExpressionDelimiters = "[,]";
  // The memo that takes the text that does not fit; held by checked handle, so a memo that
  // went reads as nullptr.
  TrepCustomMemoView* FlowTo() const;
  void SetFlowTo(TrepCustomMemoView* Value);
  bool FirstParaBreak = false;
  double GapX = 2, GapY = 1;
  TrepHAlign HAlign = haLeft;
  bool HideZeros = false;
  bool LastParaBreak = false;
  double LineSpacing = 2;
  double ParagraphGap = 0;
  std::u16string PartMemo;
  bool RTLReading = false;
  // The name of the style the memo takes its font, fill and frame from; empty for none.
  std::string Style;
  bool SuppressRepeated = false;
  TrepDuplicateMerge Duplicates = dmShow;
  std::u16string TempMemo;
  TrepUnderlinesTextMode UnderlinesTextMode = ulmNone;
  TrepVAlign VAlign = vaTop;
  rt::Variant Value = rt::Variant::Null();
  bool WordBreak = false;
  bool WordWrap = true;
  bool Wysiwyg = true;
  bool UseDefaultCharset = false;
  bool HighlightActivated = false;
  gfx::TRect ScaledRect{}, TextRect{};
  bool MacroLoaded = false;
  rt::Variant LastValue = rt::Variant::Null();
  int TotalPages = 0, CopyNo = 0;
  double PrintScale = 1;
  int MacroIndex = -1, MacroLine = -1;

private:
  void SaveHighlightState();
  void RestoreHighlightState();
  // The bracketed expressions of the text replaced by their values.
  void ExpandExpressions();
  std::u16string EvaluateExpression(const std::u16string& Expr, TrepFormat* AFormat);
  TrepDrawText& Layout();
  void SetupLayoutBase(TrepDrawText& D);
  void SetupDrawText(TrepDrawText& D, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
  void DrawMemoText();

  std::unique_ptr<TrepWideStrings> FMemo;
  std::unique_ptr<TrepFormatCollection> FFormats;
  std::unique_ptr<TrepHighlightCollection> FHighlights;
  int FRotation = 0;
  std::unique_ptr<TrepCustomFill> FTempFill;
  std::unique_ptr<gfx::TFont> FTempFont;
  std::unique_ptr<TrepFrame> FTempFrame;
  bool FTempVisible = true;
  bool FTempParentFont = false;
  rt::Variant FFlowTo = rt::Variant::Null();
};

// The text object of templates.
class TrepMemoView : public TrepCustomMemoView {
public:
  RT_CLASS_INFO(TrepMemoView)
  using TrepCustomMemoView::TrepCustomMemoView;
};

// The system text object (fewer published properties).
class TrepSysMemoView : public TrepCustomMemoView {
public:
  RT_CLASS_INFO(TrepSysMemoView)
  using TrepCustomMemoView::TrepCustomMemoView;
  std::string GetDescription() const override;
};

// A horizontal or vertical rule drawn with the frame, or a diagonal, with optional arrows.
class TrepCustomLineView : public TrepStretcheable {
public:
  RT_CLASS_INFO(TrepCustomLineView)
  explicit TrepCustomLineView(rt::TComponent* AOwner);
  // Any Flags but 0 makes a diagonal; 2 and 4 add the end arrow, 3 and 4 the start arrow.
  void DesignCreate(int Flags);
  std::string GetDescription() const override;
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  bool IsContain(double X, double Y) const;
  bool IsInRect(const TrepRect& aRect) const;
  // A line of negative width or height is drawn normalised.
  std::unique_ptr<gfx::TGraphic> GetVectorGraphic(bool DrawFill) override;

  gfx::TColor LineColor = gfx::clNone;  // the brush of a diagonal's drawing (published as Color)
  bool Diagonal = false;
  bool ArrowEnd = false;
  int ArrowLength = 20;
  bool ArrowSolid = false;
  bool ArrowStart = false;
  int ArrowWidth = 5;

private:
  void DrawArrow(int TipX, int TipY, int OtherX, int OtherY);
  void DrawDiagonalLine();
};

class TrepLineView : public TrepCustomLineView {
public:
  RT_CLASS_INFO(TrepLineView)
  using TrepCustomLineView::TrepCustomLineView;
};

// A picture drawn stretched (keeping its aspect when asked), centred or at its own size.
class TrepPictureView : public TrepView {
public:
  RT_CLASS_INFO(TrepPictureView)
  explicit TrepPictureView(rt::TComponent* AOwner);
  ~TrepPictureView() override;
  std::string GetDescription() const override;
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  // FileLink (expanded) names a file to load, else a blob field of the bound dataset is read.
  void GetData() override;
  std::u16string Diff(const TrepComponent* AComponent) const override;
  bool IsEMFExportable() override;
  // A metafile stretched over the whole view is its own vector graphic; other pictures are drawn
  // into a new metafile.
  std::unique_ptr<gfx::TGraphic> GetVectorGraphic(bool DrawFill) override;
  // Recognises the format from the bytes (after an optional 8-byte database header). 0 on
  // success; E_INVALIDARG (and an empty picture) when no format fits or the data is bad.
  virtual std::int32_t LoadPictureFromStream(rt::TStream& s, bool ResetStreamPos);
  static constexpr std::int32_t E_INVALIDARG = static_cast<std::int32_t>(0x80070057);

  gfx::TPicture& Picture() { return *FPicture; }
  const gfx::TPicture& Picture() const { return *FPicture; }
  void SetPicture(const gfx::TPicture& Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);

  bool Center = false;
  std::string FileLink;
  int ImageIndex = 0;
  bool IsImageIndexStored = false;
  bool IsPictureStored = true;
  bool KeepAspectRatio = true;
  bool PictureChanged = false;
  bool Stretched = true;
  bool HightQuality = false;
  bool Transparent = false;
  gfx::TColor TransparentColor = gfx::clWhite;
  // Hands a changed picture to the prepared pages' picture cache and returns its index; set
  // by the prepared pages. Without it ImageIndex stays as it is.
  std::function<int(TrepPictureView*)> AddPicture;

private:
  void PictureChangedNotify();
  // The graphic into the view's area as its settings place it; EInvalidGraphic when it cannot.
  void DrawPicture(gfx::TCanvas& Canvas, const gfx::TGraphic* G, double ScaleX, double ScaleY);
  std::unique_ptr<gfx::TPicture> FPicture;
  bool FAutoSize = false;
};

enum TrepCheckStyle { csCross, csCheck, csLineCross, csPlus };
enum TrepUncheckStyle { usEmpty, usCross, usLineCross, usMinus };

// A checked or unchecked mark, from a data field, an expression or a click in the preview.
class TrepCheckBoxView : public TrepView {
public:
  RT_CLASS_INFO(TrepCheckBoxView)
  explicit TrepCheckBoxView(rt::TComponent* AOwner);
  std::string GetDescription() const override;
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  void GetData() override;
  // A click in the preview toggles the box (not in the designer); returns False.
  bool DoMouseDown();

  gfx::TColor CheckColor = gfx::clBlack;
  bool Checked = true;
  TrepCheckStyle CheckStyle = csCross;
  TrepUncheckStyle UncheckStyle = usEmpty;
  std::string Expression;

private:
  void DrawCheck(const gfx::TRect& R);
};

// ---- Styles ----

// A named set of font, fill and frame that memos take.
class TrepStyleItem : public TrepCollectionItem {
public:
  RT_CLASS_INFO(TrepStyleItem)
  explicit TrepStyleItem(rt::TCollection* ACollection);
  // Name, fill type and fill, font, frame, the three Apply flags and the inherited mark.
  void Assign(const rt::TObject& Source);
  const std::string& Name() const { return FName; }
  // Another item of the collection with that name (letter case ignored) raises ("clDupName").
  void SetName(const std::string& Value);
  // "Style" and the smallest free number.
  void CreateUniqueName();
  gfx::TColor Color() const;
  void SetColor(gfx::TColor Value);
  TrepFillType FillType() const { return FillTypeOf(FFill.get()); }
  void SetFillType(TrepFillType Value);
  TrepCustomFill* Fill() const { return FFill.get(); }
  void SetFill(const TrepCustomFill& Value);
  gfx::TFont& Font() { return FFont; }
  const gfx::TFont& Font() const { return FFont; }
  void SetFont(const gfx::TFont& Value) { FFont.Assign(Value); }
  TrepFrame& Frame() { return FFrame; }
  const TrepFrame& Frame() const { return FFrame; }
  void SetFrame(const TrepFrame& Value) { FFrame.Assign(Value); }
  bool ApplyFont = true, ApplyFill = true, ApplyFrame = true;

private:
  std::string FName;
  gfx::TFont FFont;
  TrepFrame FFrame;
  std::unique_ptr<TrepCustomFill> FFill;
};

class TrepStyles : public TrepCollection {
public:
  explicit TrepStyles(TrepReport* AReport);
  TrepReport* Report() const { return FReport; }
  TrepStyleItem* Add() { return static_cast<TrepStyleItem*>(TrepCollection::Add()); }
  TrepStyleItem* Items(int Index) const { return static_cast<TrepStyleItem*>(TrepCollection::Items(Index)); }
  TrepStyleItem* operator[](int Index) const { return Items(Index); }
  // Letter case ignored; nullptr when none.
  TrepStyleItem* Find(const std::string& Name) const;
  void GetList(rt::TStrings& List) const;
  // Every memo of the report whose style exists takes it again; the others forget their style.
  void Apply();
  // Names and styles (and Apply), from other styles only.
  void Assign(const TrepStyles& Source);
  void LoadFromXMLItem(TrepXMLItem* Item, bool OldXMLFormat);
  void SaveToXMLItem(TrepXMLItem* Item) const;
  // A document whose root is not "style" leaves the collection empty.
  void LoadFromStream(rt::TStream& Stream);
  void SaveToStream(rt::TStream& Stream) const;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;
  std::string Name;

private:
  TrepReport* FReport;
};

// ---- Dialog components and datasets ----

// A non-visual component on a page (a 28 by 28 icon in the designer).
class TrepDialogComponent : public TrepReportComponent {
public:
  RT_CLASS_INFO(TrepDialogComponent)
  explicit TrepDialogComponent(rt::TComponent* AOwner);
  // The designer's icon only; nothing outside the designer.
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  int ImageIndex = 0;
};

// A runtime control on a dialog page, kept as data (the server shows no dialogs).
class TrepDialogControl : public TrepReportComponent {
public:
  RT_CLASS_INFO(TrepDialogControl)
  explicit TrepDialogControl(rt::TComponent* AOwner);
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  bool IsAcceptAsChild(TrepComponent* AParent) override;
  virtual void UpdateControlsPPI(int NewPPI);
  bool Enabled = true;
  std::string Hint, Caption;
  bool ShowHint = false, TabStop = true;
  gfx::TColor Color = static_cast<gfx::TColor>(0xFF00000F);  // the button face
  int CurrentPPI = 96;
  TrepNotifyEvent OnClick, OnDblClick, OnEnter, OnExit, OnKeyDown, OnKeyPress, OnKeyUp, OnMouseDown, OnMouseMove,
      OnMouseUp;
  TrepNotifyEventHandler OnActivate;
};

enum TrepRangeBegin { rbFirst, rbCurrent };
enum TrepRangeEnd { reLast, reCurrent, reCount };
enum TrepFieldType { fftNumeric, fftString, fftBoolean, fftDateTime };

// The cursor the layout engine walks: First, Next, Eof, values by field name. Every dataset is
// listed in the process-wide dataset list while it exists.
class TrepDataSet : public TrepDialogComponent {
public:
  RT_CLASS_INFO(TrepDataSet)
  explicit TrepDataSet(rt::TComponent* AOwner);
  ~TrepDataSet() override;

  virtual std::u16string GetDisplayText(const std::string& Index) { (void)Index; return {}; }
  virtual int GetDisplayWidth(const std::string& Index) { (void)Index; return 10; }
  virtual TrepFieldType GetFieldType(const std::string& Index) { (void)Index; return fftNumeric; }
  virtual rt::Variant GetValue(const std::string& Index) { (void)Index; return rt::Variant::Null(); }
  const std::string& UserName() const { return FUserName; }
  // A name that is blank after trimming raises ("prInvProp").
  virtual void SetUserName(const std::string& Value);
  virtual void Initialize() {}
  virtual void Finalize() {}
  virtual void Open();
  virtual void Close();
  virtual void First();
  virtual void Next();
  virtual void Prior();
  virtual bool Eof();
  virtual int FieldsCount() { return 0; }
  virtual bool IsBlobField(const std::string& fName) { (void)fName; return false; }
  virtual bool IsWideMemoBlobField(const std::string& fName) { (void)fName; return false; }
  virtual bool IsHasMaster() { return false; }
  virtual int RecordCount();
  virtual void AssignBlobTo(const std::string& fName, rt::TObject* Obj) { (void)fName; (void)Obj; }
  virtual void GetFieldList(rt::TStrings& List) { List.Clear(); }
  bool HasField(const std::string& fName);
  // True when the dataset can tell where its data ends: a count range, an end check, or a
  // class that knows its own end.
  virtual bool CanEnd() const;
  // First, then Next until Eof, calling Visit for each record. A dataset that cannot end, or
  // that has not ended after Limit records, raises instead of looping for ever.
  void ForEach(const std::function<void()>& Visit, int Limit = 10'000'000);
  // An empty name keeps UserName; a first name also becomes the UserName.
  void SetName(std::string_view Value) override;

  bool CloseDataSource = false;
  bool Enabled = true;
  bool OpenDataSource = true;
  TrepRangeBegin RangeBegin = rbFirst;
  TrepRangeEnd RangeEnd = reLast;
  int RangeEndCount = 0;
  TrepReport* ReportRef = nullptr;
  std::function<void(rt::TObject* Sender, bool& Eof)> OnCheckEOF;
  TrepNotifyEventHandler OnFirst, OnNext, OnPrior, OnOpen, OnClose;
  bool Initialized = false;
  int RecNo() const { return FRecNo; }
  // Distinguishes this dataset from any later one at the same address.
  std::uint64_t Serial() const { return FSerial; }

protected:
  // The number of records the class itself holds, -1 when only the range or the application
  // knows the end. Next never steps past it: a footer printed after the data still reads the
  // last record.
  virtual int HeldRecordCount() const { return -1; }

  bool FEof = false;
  int FRecNo = 0;

private:
  std::string FUserName;
  std::uint64_t FSerial;
};

// A dataset whose fields and values come from the application's handlers.
class TrepUserDataSet : public TrepDataSet {
public:
  RT_CLASS_INFO(TrepUserDataSet)
  using TrepDataSet::TrepDataSet;
  std::u16string GetDisplayText(const std::string& Index) override;
  rt::Variant GetValue(const std::string& Index) override;
  int FieldsCount() override { return Fields.Count(); }
  void GetFieldList(rt::TStrings& List) override { List.Assign(Fields); }
  bool IsBlobField(const std::string& fName) override;
  void AssignBlobTo(const std::string& fName, rt::TObject* Obj) override;
  void SetFields(const rt::TStrings& Value) { Fields.Assign(Value); }

  rt::TStringList Fields;
  std::function<void(const std::string& VarName, rt::Variant& Value)> OnGetValue;
  std::function<void(rt::TObject* Sender, const std::string& VarName, rt::Variant& Value)> OnNewGetValue;
  std::function<void(rt::TObject* Sender, const std::string& FieldName, rt::TObject* AssignTo)> OnGetBlobValue;
  std::function<bool(rt::TObject* Sender, const std::string& FieldName)> OnIsBlobField;
};

// A dataset filled by code: rows of values under named fields, walked in order. It ends on
// its last row.
class TrepMemoryDataSet : public TrepDataSet {
public:
  RT_CLASS_INFO(TrepMemoryDataSet)
  using TrepDataSet::TrepDataSet;
  std::u16string GetDisplayText(const std::string& Index) override;
  rt::Variant GetValue(const std::string& Index) override;
  TrepFieldType GetFieldType(const std::string& Index) override;
  int FieldsCount() override { return Fields.Count(); }
  void GetFieldList(rt::TStrings& List) override { List.Assign(Fields); }
  bool Eof() override;
  int RecordCount() override;
  bool CanEnd() const override { return true; }
  // Appends a row; values beyond the fields are dropped, missing ones are Null.
  void AppendRow(const std::vector<rt::Variant>& Values);
  void ClearRows() { FRows.clear(); }
  int RowCount() const { return static_cast<int>(FRows.size()); }

  rt::TStringList Fields;

protected:
  int HeldRecordCount() const override { return RowCount(); }

private:
  std::vector<std::vector<rt::Variant>> FRows;
};

// The base of datasets wrapping a database table, with field aliases ("field=alias" lines).
class TrepCustomDBDataSet : public TrepDataSet {
public:
  RT_CLASS_INFO(TrepCustomDBDataSet)
  explicit TrepCustomDBDataSet(rt::TComponent* AOwner);
  int FieldsCount() override;
  // The alias of the first line naming fName; fName itself when none.
  std::string GetAlias(const std::string& fName) const;
  // The field whose alias is fName; fName itself when none.
  std::string ConvertAlias(const std::string& fName) const;
  void SetFieldAliases(const rt::TStrings& Value) { FieldAliases.Assign(Value); }
  rt::TStringList FieldAliases;
  rt::TStringList FieldsList;
};

// The base of database connections; descendants for a database engine implement it.
class TrepCustomDatabase : public TrepDialogComponent {
public:
  RT_CLASS_INFO(TrepCustomDatabase)
  using TrepDialogComponent::TrepDialogComponent;
  virtual void SetConnected(bool Value) { (void)Value; }
  virtual void SetDatabaseName(const std::string& Value) { (void)Value; }
  virtual void SetLoginPrompt(bool Value) { (void)Value; }
  virtual void SetParams(rt::TStrings* Value) { (void)Value; }
  virtual bool GetConnected() { return false; }
  virtual std::string GetDatabaseName() { return {}; }
  virtual bool GetLoginPrompt() { return false; }
  virtual rt::TStrings* GetParams() { return nullptr; }
  virtual std::u16string ToString() { return {}; }
  virtual void FromString(const std::u16string& Connection) { (void)Connection; }
  virtual void SetLogin(const std::string& Login, const std::string& Password) { (void)Login; (void)Password; }
};

// One dataset a report uses.
class TrepDataSetItem : public rt::TCollectionItem {
public:
  RT_CLASS_INFO(TrepDataSetItem)
  explicit TrepDataSetItem(rt::TCollection* ACollection) : rt::TCollectionItem(ACollection) {}
  // Checked on use: nullptr once the dataset is gone.
  TrepDataSet* DataSet() const;
  // Also sets DataSetName to the dataset's user name.
  void SetDataSet(TrepDataSet* Value);
  // The dataset's user name when one is set, else the stored name.
  std::string DataSetName() const;
  // An empty name unbinds; another binds the dataset the list's report finds by that name.
  void SetDataSetName(const std::string& Value);

private:
  TrepDataSetLink FDataSet;
};

// The datasets a report uses (its DataSets and EnabledDataSets lists).
class TrepReportDataSets : public rt::TCollection {
public:
  explicit TrepReportDataSets(TrepReport* AReport);
  TrepReport* Report() const { return FReport; }
  TrepDataSetItem* Items(int Index) const { return static_cast<TrepDataSetItem*>(rt::TCollection::Items(Index)); }
  TrepDataSetItem* operator[](int Index) const { return Items(Index); }
  // Each dataset takes the report and is initialized / finalized.
  void Initialize();
  void Finalize();
  void Add(TrepDataSet* ds);
  TrepDataSetItem* Find(const TrepDataSet* ds) const;
  // By the dataset's user name, else its component name, letter case ignored.
  TrepDataSetItem* Find(const std::string& Name) const;
  // Frees the first item whose dataset's user name is Name.
  void Delete(const std::string& Name);
  using rt::TCollection::Delete;

private:
  TrepReport* FReport;
};

// The process-wide dataset list: every dataset while it exists.
std::recursive_mutex& GlobalDataSetListLock();
// True when the dataset with that serial still exists.
bool IsLiveDataSet(const TrepDataSet* DataSet, std::uint64_t Serial);
// nullptr for an empty name; DataSet itself when Component is nullptr or nothing matches;
// otherwise the first listed dataset whose UserName equals Name (letter case ignored) and that
// does not belong to another report when Component is a report.
TrepDataSet* FindDataSetInGlobalList(TrepDataSet* DataSet, const std::string& Name, TrepComponent* Component);
// A report that goes: no dataset keeps it as ReportRef.
void ForgetReportInDataSets(const TrepReport* Report);
// Every enabled dataset with a user name, as name and object.
void ListGlobalDataSets(rt::TStrings& List);
// The dataset of that name as the component's report sees it: its own dataset list, or the
// global list when the report says so or there is no report.
TrepDataSet* FindDataSet(TrepComponent* Component, TrepDataSet* DataSet, const std::string& DSName);

// ---- Bands ----

enum TrepShiftEngine { seLinear, seTree, seDontShift };

// Gaps between a band's edges and the fill memo that paints its fill and frame.
class TrepFillGaps : public rt::TObject {
public:
  RT_CLASS_INFO(TrepFillGaps)
  void Assign(const rt::TObject& Source);
  int Top = 0, Left = 0, Bottom = 0, Right = 0;
};

class TrepChild;
class TrepMemoView;

// A horizontal (or, with Vertical, vertical) strip of a report page that the layout engine
// prints. References to other objects (Child, the fill memo) are held as checked handles, so a
// freed object reads as nullptr.
class TrepBand : public TrepReportComponent {
public:
  RT_CLASS_INFO(TrepBand)
  explicit TrepBand(rt::TComponent* AOwner);
  ~TrepBand() override;

  // The band's place in the band class table (0 for classes outside it).
  int BandNumber() const;
  // The class name without its first "Trep" and then its first "Band": "MasterData".
  std::string BandName() const;
  std::string GetDescription() const override;
  // Bands draw nothing outside the designer.
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

  // The band printed after this one; nullptr when none or freed.
  TrepChild* Child() const;
  // Refused (the resource "clCirRefNotAllow") when Value is this band or its chain of children
  // leads back to this band or runs round a cycle; Child then stays as it was.
  void SetChild(TrepChild* Value);

  TrepCustomFill* Fill() const { return FFill.get(); }
  void SetFill(const TrepCustomFill& Value);
  TrepFillType FillType() const { return FillTypeOf(FFill.get()); }
  void SetFillType(TrepFillType Value);
  TrepFrame& Frame() { return FFrame; }
  const TrepFrame& Frame() const { return FFrame; }
  void SetFrame(const TrepFrame& Value) { FFrame.Assign(Value); }
  TrepFillGaps& FillGap() { return FFillGap; }
  // The hidden memo that prints the band's fill and frame; nullptr when none.
  TrepMemoView* FillMemo() const;
  // Makes the fill memo unless the band is a null band or has the plain fill and no frame
  // sides; places it first among the band's objects.
  void CreateFillMemo();
  void DisposeFillMemo();

  bool AllowSplit = false;
  bool KeepChild = false;
  TrepNotifyEvent OnAfterCalcHeight;
  std::string OutlineText;
  bool Overflow = false;
  bool StartNewPage = false;
  bool Stretched = false;
  bool PrintChildIfInvisible = false;
  bool Vertical = false;
  double BandDesignHeader = 0;
  TrepShiftEngine ShiftEngine = seTree;
  // Working fields of the layout engine.
  std::vector<TrepBand*> SubBands;
  TrepBand* Header = nullptr;
  TrepBand* Footer = nullptr;
  TrepBand* Group = nullptr;
  int LineN = 0;
  int LineThrough = 0;
  bool HasVBands = false;

private:
  rt::Variant FChild;
  rt::Variant FFillMemo;
  std::unique_ptr<TrepCustomFill> FFill;
  TrepFrame FFrame;
  TrepFillGaps FFillGap;
};

class TrepDataBand : public TrepBand {
public:
  RT_CLASS_INFO(TrepDataBand)
  explicit TrepDataBand(rt::TComponent* AOwner);
  ~TrepDataBand() override;
  // Checked on use: nullptr once the dataset is gone. Writing also takes its user name.
  TrepDataSet* DataSet() const;
  void SetDataSet(TrepDataSet* Value);
  // The dataset's user name when one is bound, else the stored name; writing binds the dataset
  // of that name.
  std::string DataSetName() const;
  void SetDataSetName(const std::string& Value);
  int RowCount() const { return FRowCount; }
  // Also the record count of the virtual dataset the engine walks without a dataset.
  void SetRowCount(int Value);
  int CurColumn() const { return FCurColumn; }
  // Above Columns becomes 1; column 1 clears MaxY; Left follows the column.
  void SetCurColumn(int Value);
  TrepUserDataSet& VirtualDataSet() { return *FVirtualDataSet; }

  int Columns = 0;
  double ColumnWidth = 0;
  double ColumnGap = 0;
  std::string Filter;
  bool FooterAfterEach = false;
  bool KeepFooter = false;
  bool KeepHeader = false;
  bool KeepTogether = false;
  bool PrintIfDetailEmpty = false;
  TrepNotifyEvent OnMasterDetail;
  double MaxY = 0;

private:
  TrepDataSetLink FDataSet;
  int FRowCount = 0;
  int FCurColumn = 0;
  std::unique_ptr<TrepUserDataSet> FVirtualDataSet;
};

#define REP_DATA_LEVEL(Name)                  \
  class Name : public TrepDataBand {          \
  public:                                     \
    RT_CLASS_INFO(Name)                       \
    using TrepDataBand::TrepDataBand;         \
  };
REP_DATA_LEVEL(TrepMasterData)
REP_DATA_LEVEL(TrepDetailData)
REP_DATA_LEVEL(TrepSubdetailData)
REP_DATA_LEVEL(TrepDataBand4)
REP_DATA_LEVEL(TrepDataBand5)
REP_DATA_LEVEL(TrepDataBand6)
#undef REP_DATA_LEVEL

class TrepHeader : public TrepBand {
public:
  RT_CLASS_INFO(TrepHeader)
  using TrepBand::TrepBand;
  bool ReprintOnNewPage = false;
};

class TrepFooter : public TrepBand {
public:
  RT_CLASS_INFO(TrepFooter)
  using TrepBand::TrepBand;
};

class TrepPageHeader : public TrepBand {
public:
  RT_CLASS_INFO(TrepPageHeader)
  using TrepBand::TrepBand;
  bool PrintOnFirstPage = true;
};

class TrepPageFooter : public TrepBand {
public:
  RT_CLASS_INFO(TrepPageFooter)
  using TrepBand::TrepBand;
  bool PrintOnFirstPage = true;
  bool PrintOnLastPage = true;
  bool PrintOnSinglePage = false;
};

class TrepColumnHeader : public TrepBand {
public:
  RT_CLASS_INFO(TrepColumnHeader)
  using TrepBand::TrepBand;
};

class TrepColumnFooter : public TrepBand {
public:
  RT_CLASS_INFO(TrepColumnFooter)
  using TrepBand::TrepBand;
};

class TrepGroupHeader : public TrepBand {
public:
  RT_CLASS_INFO(TrepGroupHeader)
  using TrepBand::TrepBand;
  // The component's differences, then DrillName when the group drills down.
  std::u16string Diff(const TrepComponent* AComponent) const override;
  std::string Condition;
  std::string DrillName;
  bool DrillDown = false;
  bool ExpandDrillDown = false;
  bool ShowFooterIfDrillDown = false;
  bool ShowChildIfDrillDown = false;
  bool KeepTogether = false;
  bool ReprintOnNewPage = false;
  bool ResetPageNumbers = false;
  // The group's value at its last break (the engine's).
  rt::Variant LastValue;
};

class TrepGroupFooter : public TrepBand {
public:
  RT_CLASS_INFO(TrepGroupFooter)
  using TrepBand::TrepBand;
  bool HideIfSingleDataRecord = false;
};

class TrepReportTitle : public TrepBand {
public:
  RT_CLASS_INFO(TrepReportTitle)
  using TrepBand::TrepBand;
};

class TrepReportSummary : public TrepBand {
public:
  RT_CLASS_INFO(TrepReportSummary)
  using TrepBand::TrepBand;
  bool PrintAtBottom = false;
};

enum TrepToNRowsMode { rmCount, rmAddToCount, rmTillPageEnds };

class TrepChild : public TrepBand {
public:
  RT_CLASS_INFO(TrepChild)
  using TrepBand::TrepBand;
  int ToNRows = 0;
  TrepToNRowsMode ToNRowsMode = rmCount;
};

class TrepOverlay : public TrepBand {
public:
  RT_CLASS_INFO(TrepOverlay)
  using TrepBand::TrepBand;
  bool PrintOnTop = false;
};

class TrepNullBand : public TrepBand {
public:
  RT_CLASS_INFO(TrepNullBand)
  using TrepBand::TrepBand;
};

// The band classes by band number (0 .. 17).
const std::vector<rt::TClass>& BandClasses();

// A view standing for another report page laid out in its place.
class TrepSubreport : public TrepView {
public:
  RT_CLASS_INFO(TrepSubreport)
  explicit TrepSubreport(rt::TComponent* AOwner);
  ~TrepSubreport() override;
  std::string GetDescription() const override;
  // nullptr once the page is gone.
  TrepReportPage* Page() const;
  // Also makes the page point back to this subreport.
  void SetPage(TrepReportPage* Value);
  bool PrintOnParent = false;

private:
  rt::Variant FPage;
};

// ---- Report, dialog and data pages ----

// A printable page: paper in millimetres, orientation, margins, columns and a background
// picture; its component size is the whole paper in pixels.
class TrepReportPage : public TrepPage {
public:
  RT_CLASS_INFO(TrepReportPage)
  explicit TrepReportPage(rt::TComponent* AOwner);
  // Made for prepared pages: the constructor, then the report the page belongs to.
  TrepReportPage(rt::TComponent* AOwner, TrepReport* AReport);
  ~TrepReportPage() override;
  std::string GetDescription() const override;

  // ---- paper ----
  TPrinterOrientation Orientation() const { return FOrientation; }
  // Another orientation swaps the paper's sides and turns the margins.
  void SetOrientation(TPrinterOrientation Value);
  double PaperWidth() const { return FPaperWidth; }
  double PaperHeight() const { return FPaperHeight; }
  // Rounded to 8 decimals; the paper becomes the user's own size (256). Overridable: the
  // dot-matrix page snaps the paper to whole character cells.
  virtual void SetPaperWidth(double Value);
  virtual void SetPaperHeight(double Value);
  int PaperSize() const { return FPaperSize; }
  // Below 256 the paper table gives the sides (swapped for landscape) and the size follows.
  virtual void SetPaperSize(int Value);
  // Sides rounded to 8 decimals, then the paper number, then the size.
  void SetSizeAndDimensions(int ASize, double AWidth, double AHeight);
  // Margins 10 mm, paper and orientation of the current printer.
  virtual void SetDefaults();
  // Width and Height become the paper in whole pixels.
  void UpdateSize();

  double LeftMargin = 0, RightMargin = 0, TopMargin = 0, BottomMargin = 0;
  bool MirrorMargins = false;

  // ---- columns ----
  int Columns() const { return FColumns; }
  // Also works out ColumnWidth and one position per column.
  void SetColumns(int Value);
  double ColumnWidth = 0;
  rt::TStringList& ColumnPositions() { return FColumnPositions; }

  // ---- background ----
  TrepPictureView& BackPicture() { return *FBackPicture; }
  gfx::TColor Color() const { return FBackPicture->Color(); }
  void SetColor(gfx::TColor Value) { FBackPicture->SetColor(Value); }
  TrepFrame& Frame() { return FBackPicture->Frame(); }
  bool BackPictureVisible = true;
  bool BackPicturePrintable = true;
  bool BackPictureStretched = true;

  // ---- data ----
  // Checked on use; writing also takes the user name.
  TrepDataSet* DataSet() const;
  void SetDataSet(TrepDataSet* Value);
  std::string DataSetName() const;
  void SetDataSetName(const std::string& Value);

  int Bin = 7;
  int BinOtherPages = 7;
  TrepDuplexMode Duplex = dmNone;
  bool EndlessHeight = false;
  bool EndlessWidth = false;
  bool LargeDesignHeight = false;
  TrepMirrorControlModes MirrorMode;
  std::string OutlineText;
  bool PrintIfEmpty = true;
  bool PrintOnPreviousPage = false;
  bool ResetPageNumbers = false;
  bool ShowTitleOnPreviousPage = true;
  bool TitleBeforeHeader = true;
  int PageCount() const { return FPageCount; }
  // Values below 1 are ignored.
  void SetPageCount(int Value) {
    if (Value >= 1) FPageCount = Value;
  }
  rt::TStringList& HGuides() { return FHGuides; }
  rt::TStringList& VGuides() { return FVGuides; }
  void ClearGuides() {
    FHGuides.Clear();
    FVGuides.Clear();
  }
  TrepNotifyEvent OnAfterPrint, OnBeforePrint, OnManualBuild;

  // The subreport that shows this page; nullptr for a top-level page or once it is gone.
  TrepSubreport* SubReport() const;
  void SetSubReport(TrepSubreport* Value);
  bool IsSubReport() const { return SubReport() != nullptr; }
  // The report given at creation for prepared pages; not owned.
  TrepReport* ParentReport = nullptr;
  // Work lists of the engine.
  std::vector<TrepBand*> SubBands, VSubBands;

  // The first direct child that is a band of the class or a descendant of it.
  TrepBand* FindBand(rt::TClass Band) const;
  // Bands sized to the printable area (or the column); the page keeps its whole paper size.
  void AlignChildren(bool IgnoreInvisible, TrepMirrorControlModes MirrorModes) override;
  // The background picture over the printable area, unless hidden (or not printable while
  // printing).
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

protected:
  // Both sides (rounded to 8 decimals) without touching the paper number, then the size.
  void StorePaperDimensions(double AWidth, double AHeight);

private:
  std::unique_ptr<TrepPictureView> FBackPicture;
  TPrinterOrientation FOrientation = poPortrait;
  double FPaperWidth = 0, FPaperHeight = 0;
  int FPaperSize = 0;
  int FColumns = 0;
  int FPageCount = 1;
  rt::TStringList FColumnPositions, FHGuides, FVGuides;
  TrepDataSetLink FDataSet;
  rt::Variant FSubReport;
};

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
                 poMainFormCenter, poOwnerFormCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

// A window shown before the layout. The server opens no windows: the page keeps its settings
// and objects, and showing it is refused.
class TrepDialogPage : public TrepPage {
public:
  RT_CLASS_INFO(TrepDialogPage)
  explicit TrepDialogPage(rt::TComponent* AOwner);
  std::string GetDescription() const override;
  // EAbstractError: there is no window to show on the server.
  int ShowModal();

  TFormBorderStyle BorderStyle = bsSizeable;
  std::string Caption;
  gfx::TColor Color = static_cast<gfx::TColor>(0xFF00000F);  // the button face
  bool DoubleBuffered = false;
  bool Scaled = true;
  TPosition Position = poScreenCenter;
  TWindowState WindowState = wsNormal;
  double ClientWidth = 0, ClientHeight = 0;
  int CurrentPPI = 96;
  int ModalResult = 0;
  TrepNotifyEvent OnActivate, OnClick, OnCloseQuery, OnDeactivate, OnHide, OnKeyDown, OnKeyPress, OnKeyUp, OnShow,
      OnResize;
};

// A page that holds only non-visual data components.
class TrepDataPage : public TrepPage {
public:
  RT_CLASS_INFO(TrepDataPage)
  explicit TrepDataPage(rt::TComponent* AOwner);
  std::string GetDescription() const override;
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
