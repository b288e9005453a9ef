#pragma once
// Interactive editing of report objects in the preview and the designer: selection lists, the
// registry of in-place editors per object class, each preview's editor instances and the
// per-class managers that forward events to them. The server opens no preview window, but
// the object tree and the preview base refer to these, and a host with windows plugs editors in.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/IniFiles.h"
#include "report/engine/repClass.h"

enum TrepComponentEditorVisibilityState { evPreview, evDesigner };
using TrepComponentEditorVisibility = TrepSet<TrepComponentEditorVisibilityState>;
enum TrepCopyPasteType { cptDefault, cptText, cptImage, cptNative };
enum TrepEventSender { esPreview, esDesigner };
enum TrepGridType { gtNone, gtPixel, gtCm, gtInch, gtDialog, gtChar };

class TrepComponentEditorsList;
class TrepSelectedObjectsList;

using TrepOnFinishInPlaceEdit = std::function<void(rt::TObject* Sender, bool Refresh, bool Modified)>;

// What a preview or designer hands its editors with every event.
struct TrepInteractiveEventsParams {
  rt::TObject* Sender = nullptr;
  bool Refresh = false, Modified = false, FireParentEvent = false;
  TrepEventSender EventSender = esPreview;
  TrepOnFinishInPlaceEdit OnFinish;
  bool EditMode = false, PopupVisible = false, EditRestricted = false;
  TrepComponentEditorsList* EditorsList = nullptr;
  TrepSelectedObjectsList* SelectionList = nullptr;
  double OffsetX = 0, OffsetY = 0, Scale = 1;
  int DevicePPI = 96;
  bool GridAlign = false;
  TrepGridType GridType = gtNone;
  double GridX = 0, GridY = 0;
};

// The objects selected in a preview or designer. Only report objects stay in the list; every
// persistent object added is also offered to the inspector list.
class TrepSelectedObjectsList : public rt::TObject {
public:
  TrepSelectedObjectsList() = default;
  TrepSelectedObjectsList(const TrepSelectedObjectsList&) = delete;
  TrepSelectedObjectsList& operator=(const TrepSelectedObjectsList&) = delete;
  // Every object is deselected first.
  ~TrepSelectedObjectsList() override;
  int Add(rt::TObject* Item);
  // Removes the first occurrence; -1 when absent.
  int Remove(rt::TObject* Item);
  void Delete(int Index);
  void Clear();
  // Takes the object out without deselecting it.
  void Extract(rt::TObject* Item);
  int Count() const { return static_cast<int>(FItems.size()); }
  rt::TObject* Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }
  int IndexOf(const rt::TObject* Item) const;
  std::vector<rt::TObject*>& InspSelectedObjects() { return FInsp; }
  void ClearInspectorList() { FInsp.clear(); }
  bool Updated = false;

private:
  void Deleted(rt::TObject* Item);
  std::vector<rt::TObject*> FItems;
  std::vector<rt::TObject*> FInsp;
};

class TrepInPlaceEditor;
struct TrepInPlaceEditorClassInfo;
// An editor class: its name and how to make one.
using TrepInPlaceEditorClass = const TrepInPlaceEditorClassInfo*;
struct TrepInPlaceEditorClassInfo {
  std::string Name;
  std::function<TrepInPlaceEditor*(rt::TClass ComponentClass, rt::TObject* Owner)> Create;
};

// The base of editors; every operation does nothing or answers False.
class TrepInPlaceEditor : public rt::TObject {
public:
  TrepInPlaceEditor(rt::TClass AClassRef, rt::TObject* AOwner) : FClassRef(AClassRef), FOwner(AOwner) {}
  ~TrepInPlaceEditor() override;
  virtual gfx::TRect GetActiveRect() { return {}; }
  virtual bool HasInPlaceEditor() { return false; }
  virtual bool HasCustomEditor() { return false; }
  virtual void DrawCustomEditor(gfx::TCanvas& Canvas, const gfx::TRect& R) {
    (void)Canvas;
    (void)R;
  }
  virtual bool EditInPlaceDone() { return false; }
  virtual void DoFinishInPlace(rt::TObject* Sender, bool Refresh, bool Modified);
  virtual bool DoMouseDown(int X, int Y, TrepInteractiveEventsParams& EventParams) {
    (void)X;
    (void)Y;
    (void)EventParams;
    return false;
  }
  virtual bool DoMouseMove(int X, int Y, rt::TShiftState Shift, TrepInteractiveEventsParams& EventParams) {
    (void)X, (void)Y, (void)Shift, (void)EventParams;
    return false;
  }
  virtual bool DoMouseUp(int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift,
                         TrepInteractiveEventsParams& EventParams) {
    (void)X, (void)Y, (void)Button, (void)Shift, (void)EventParams;
    return false;
  }
  virtual bool DoMouseWheel(rt::TShiftState Shift, int WheelDelta, gfx::TPoint MousePos,
                            TrepInteractiveEventsParams& EventParams) {
    (void)Shift, (void)WheelDelta, (void)MousePos, (void)EventParams;
    return false;
  }
  virtual bool DoCustomDragOver(rt::TObject* Source, int X, int Y, TrepDragState State, bool& Accept,
                                TrepInteractiveEventsParams& EventParams) {
    (void)Source, (void)X, (void)Y, (void)State, (void)Accept, (void)EventParams;
    return false;
  }
  virtual bool DoCustomDragDrop(rt::TObject* Source, int X, int Y, TrepInteractiveEventsParams& EventParams) {
    (void)Source, (void)X, (void)Y, (void)EventParams;
    return false;
  }
  virtual void InitializeUI(TrepInteractiveEventsParams& EventParams) { DevicePPI = EventParams.DevicePPI; }
  virtual void FinalizeUI(TrepInteractiveEventsParams& EventParams) { (void)EventParams; }
  virtual void CopyGoupContent(TrepComponent* CopyFrom, TrepInteractiveEventsParams& EventParams, rt::TStream* Buffer,
                               TrepCopyPasteType CopyAs) {
    CopyContent(CopyFrom, EventParams, Buffer, CopyAs);
  }
  virtual void PasteGoupContent(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams, rt::TStream* Buffer,
                                TrepCopyPasteType PasteAs) {
    PasteContent(PasteTo, EventParams, Buffer, PasteAs);
  }
  virtual void CopyContent(TrepComponent* CopyFrom, TrepInteractiveEventsParams& EventParams, rt::TStream* Buffer,
                           TrepCopyPasteType CopyAs) {
    (void)CopyFrom, (void)EventParams, (void)Buffer, (void)CopyAs;
  }
  virtual void PasteContent(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams, rt::TStream* Buffer,
                            TrepCopyPasteType PasteAs) {
    (void)PasteTo, (void)EventParams, (void)Buffer, (void)PasteAs;
  }
  virtual bool IsPasteAvailable(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams,
                                TrepCopyPasteType PasteAs) {
    (void)PasteTo, (void)EventParams, (void)PasteAs;
    return false;
  }
  virtual TrepCopyPasteType DefaultContentType() { return cptDefault; }
  void SetOffset(double AOffsetX, double AOffsetY, double AScale) {
    FOffsetX = AOffsetX;
    FOffsetY = AOffsetY;
    FScale = AScale;
  }
  TrepComponent* Component() const { return FComponent; }
  // A new component is given its manager from Editors; the previous one is let go.
  void SetComponent(TrepComponent* Value);
  TrepOnFinishInPlaceEdit OnFinishInPlace;
  TrepComponentEditorsList* Editors = nullptr;
  TrepSelectedObjectsList* Components = nullptr;
  rt::TObject* ClipboardObject = nullptr;
  bool Locked = false;
  int DevicePPI = 96;

protected:
  TrepComponent* FComponent = nullptr;
  rt::TClass FClassRef;
  rt::TObject* FOwner;
  double FOffsetX = 0, FOffsetY = 0, FScale = 0;
};

// The editors of one object class in one preview or designer; forwards events to them.
class TrepComponentEditorsManager : public rt::TObject {
public:
  explicit TrepComponentEditorsManager(rt::TClass AComponentClass) : FComponentClass(AComponentClass) {}
  std::vector<TrepInPlaceEditor*>& EditorsInstances() { return FEditors; }
  TrepComponent* Component() const { return FEditors.empty() ? nullptr : FEditors.front()->Component(); }
  void SetComponent(TrepComponent* Value);
  void SetOffset(double X, double Y, double Scale);
  void DrawCustomEditor(gfx::TCanvas& Canvas, const gfx::TRect& R);
  bool DoMouseDown(int X, int Y, TrepInteractiveEventsParams& EventParams);
  // Each asks the editors in order and stops at the first that handles the event.
  bool DoMouseMove(int X, int Y, rt::TShiftState Shift, TrepInteractiveEventsParams& EventParams);
  bool DoMouseUp(int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift, TrepInteractiveEventsParams& EventParams);
  bool DoMouseWheel(rt::TShiftState Shift, int WheelDelta, gfx::TPoint MousePos, TrepInteractiveEventsParams& EventParams);
  bool DoCustomDragOver(rt::TObject* Source, int X, int Y, TrepDragState State, bool& Accept,
                        TrepInteractiveEventsParams& EventParams);
  bool DoCustomDragDrop(rt::TObject* Source, int X, int Y, TrepInteractiveEventsParams& EventParams);
  void InitializeUI(TrepInteractiveEventsParams& EventParams);
  void FinalizeUI(TrepInteractiveEventsParams& EventParams);
  void CopyContent(TrepComponent* CopyFrom, TrepInteractiveEventsParams& EventParams, rt::TStream* Buffer,
                   TrepCopyPasteType CopyAs);
  void PasteContent(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams, rt::TStream* Buffer,
                    TrepCopyPasteType PasteAs);
  bool IsPasteAvailable(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams, TrepCopyPasteType PasteAs);
  // One rectangle per editor, moved to the component's place on the page.
  std::vector<gfx::TRect> EditorsActiveRects(TrepComponent* aComponent);
  bool IsContain(const gfx::TRect& ObjectRect, double X, double Y);
  void SetClipboardObject(rt::TObject* aObject);

private:
  double FOffsetX = 0, FOffsetY = 0, FScale = 1;
  std::vector<TrepInPlaceEditor*> FEditors;  // owned by the editors list
  rt::TClass FComponentClass;
};

struct TrepComponentEditorsRegItem {
  rt::TClass ComponentClass = nullptr;
  std::vector<TrepInPlaceEditorClass> EditorClasses;
  std::vector<TrepComponentEditorVisibility> Visibility;
};

// Per preview or designer: class name -> manager, and the editor instances it made.
class TrepComponentEditorsList : public rt::TObject {
public:
  TrepComponentEditorsList() = default;
  TrepComponentEditorsList(const TrepComponentEditorsList&) = delete;
  TrepComponentEditorsList& operator=(const TrepComponentEditorsList&) = delete;
  ~TrepComponentEditorsList() override;
  void CreateInstanceFromItem(const TrepComponentEditorsRegItem* aItem, rt::TObject* aOwner,
                              TrepComponentEditorVisibilityState aVisibility);
  // The manager of a class name (letter case ignored); nullptr when none.
  TrepComponentEditorsManager* Find(const std::string& ClassName) const;
  int Count() const { return static_cast<int>(FManagers.size()); }

private:
  std::vector<std::pair<std::string, std::unique_ptr<TrepComponentEditorsManager>>> FManagers;
  std::vector<std::unique_ptr<TrepInPlaceEditor>> FInstances;
};

// The process-wide registry: object class name -> its editor classes with their visibility.
class TrepComponentEditorsClasses : public rt::TObject {
public:
  // Editors without a visibility entry are visible in both the preview and the designer.
  void Register(rt::TClass ComponentClass, const std::vector<TrepInPlaceEditorClass>& ComponentEditors,
                const std::vector<TrepComponentEditorVisibility>& EditorsVisibility = {});
  void UnRegister(rt::TClass ComponentClass);
  void UnRegisterEditor(TrepInPlaceEditorClass EditorClass);
  std::unique_ptr<TrepComponentEditorsList> CreateEditorsInstances(TrepComponentEditorVisibilityState aVisibility,
                                                                   rt::TObject* aOwner) const;
  void SaveToIni(rt::TCustomIniFile& IniFile) const;
  void LoadFromIni(const rt::TCustomIniFile& IniFile);
  int Count() const { return static_cast<int>(FItems.size()); }
  const TrepComponentEditorsRegItem* Item(const std::string& ClassName) const;

private:
  std::vector<std::pair<std::string, std::unique_ptr<TrepComponentEditorsRegItem>>> FItems;
};

// Made on first use; editors register at start-up.
TrepComponentEditorsClasses& ComponentEditorsRegistry();
// The manager of the component's exact class, when it has at least one editor; else nullptr.
TrepComponentEditorsManager* FindComponentEditors(TrepComponentEditorsList* List, TrepComponent* Component);
