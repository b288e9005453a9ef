#pragma once
// The base of the report object model: values and small sets, the component tree every report
// object lives in (names and the shared name index, bounds, font inheritance, visibility,
// alignment and mirroring), the drawable report components, the page base and the checked
// dataset handle the families hold. Every other repClass*.h family header builds on it.
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

class TrepComponent;
class TrepComponentEditorsManager;
class TrepCustomExportFilter;
class TrepDataSet;
struct TrepInteractiveEventsParams;
class TrepPage;
class TrepReport;
class TrepXMLItem;

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

// Two-sided printing; the print options and each report page hold one.
enum TrepDuplexMode { dmNone, dmVertical, dmHorizontal, dmSimplex };

// How a view lines up inside its container.
enum TrepAlign { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient, baHidden };

// Script event properties hold the name of a script procedure.
using TrepNotifyEvent = std::string;

// ---- The child list ----

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

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
  // Set by dialog pages, where absolute positions stop: a plain test on the hot path of every
  // position asked for while pages are drawn and exported.
  bool FIsDialogPage = false;
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

// ---- Pages ----

// The base of report, dialog and data pages; other objects can be placed on it.
class TrepPage : public TrepComponent {
public:
  RT_CLASS_INFO(TrepPage)
  explicit TrepPage(rt::TComponent* AOwner);
  // The page base has only its interactive editors to draw, and there are none on the server.
  virtual void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
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

// ---- Helpers of the object model ----

// Start-up: registers the report classes that templates name for streaming (those built so
// far: the report, its page classes, the null band, the memo, picture and line view bases and
// the frame). Once, before templates are read.
void repClassInitialization();

// Round(X * 1e8) / 1e8.
double RoundTo8Decimals(double X);
// Rounds halves to the even neighbour.
int RoundHalfEven(double X);
