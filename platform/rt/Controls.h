#pragma once
// Controls and forms of the runtime layer: the objects a report's dialog pages and its scripts
// build windows from. They hold state only; nothing here draws or talks to a screen. A modal form
// is shown by whatever presenter the host installed on the calling thread (the web layer puts one
// on a session's worker job), so the report engine and the script engine never know the browser.
//
// Parent and owner are separate, as in the class library this stands in for: the owner frees a
// control, the parent places it. Freeing a windowed control takes its children off it first.
//
// Published properties (platform/rt/TypInfo.h) give scripts and the report's dialog controls what
// a form designer sets: bounds, Visible, Enabled, Caption or Text, Color, Font, Hint, Anchors,
// Align, the values of edits, lists and check boxes, and the events.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Font.h"
#include "platform/rt/Classes.h"
#include "platform/rt/Components.h"
#include "platform/rt/Events.h"
#include "platform/rt/ModalResults.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/TypInfo.h"

namespace rt {

// "Cannot show the form ...": an operation the current thread cannot do, such as a modal form
// with no presenter installed.
RT_DECLARE_EXCEPTION(EInvalidOperation, Exception)

using TColor = gfx::TColor;
inline constexpr TColor clNone = gfx::clNone;
inline constexpr TColor clDefault = 0x20000000;
inline constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000F);
inline constexpr TColor clWindow = static_cast<TColor>(0xFF000005);


// Anchors as a set: bit (1 << kind).
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = unsigned;
inline constexpr TAnchors AnchorsLeftTop = (1u << akLeft) | (1u << akTop);

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };

// Control styles, a set of bits.
using TControlStyle = unsigned;
inline constexpr TControlStyle csAcceptsControls = 1;  // may be the parent of other controls
inline constexpr TControlStyle csSetCaption = 2;       // the caption follows the name while they are equal

class TWinControl;
class TCustomForm;

class TControl : public TComponent {
public:
  RT_CLASS_INFO(TControl)
  explicit TControl(TComponent* AOwner);
  // Leaves the parent.
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  // Moves the control to AParent's children (nullptr: none). A control cannot become a child of
  // itself or of one of its children, and only a control accepting controls takes children:
  // both raise EInvalidOperation.
  virtual void SetParent(TWinControl* AParent);
  // The form the control is on (itself for a form); nullptr when none.
  TCustomForm* ParentForm() const;

  // A rename also renames the caption when the control shows its name as caption
  // (csSetCaption) and the caption still equals the old name.
  void SetName(std::string_view Value) override;

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  // Negative sizes become 0; OnCanResize may refuse a new size, OnResize follows a change of it.
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }

  // The control's text: the caption of labels, buttons, boxes and forms, the value of edits.
  virtual std::string Text() const { return FText; }
  virtual void SetText(const std::string& Value);
  std::string Caption() const { return Text(); }
  void SetCaption(const std::string& Value) { SetText(Value); }

  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { FColor = Value; }
  // Owned. Changing it turns ParentFont off; while ParentFont is on the control takes its
  // parent's font whenever that changes.
  gfx::TFont& Font() const { return *FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);

  std::string Hint;
  bool ShowHint = false;
  TAnchors Anchors = AnchorsLeftTop;
  TAlign Align = alNone;
  int Tag = 0;
  int Cursor = 0;
  TControlStyle ControlStyle = 0;

  // Clicks the control: OnClick, and what the class does with a click (a button sets its form's
  // ModalResult first).
  virtual void Click();

  TNotifyEvent OnClick, OnDblClick, OnResize;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TCanResizeEvent OnCanResize;

protected:
  std::string FText;
  TColor FColor = clBtnFace;

private:
  friend class TWinControl;
  void ParentFontChanged();
  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true, FEnabled = true;
  std::unique_ptr<gfx::TFont> FFont;
  bool FParentFont = true;
  bool FTakingParentFont = false;
};

class TWinControl : public TControl {
public:
  RT_CLASS_INFO(TWinControl)
  explicit TWinControl(TComponent* AOwner);
  // Takes the children off (their owner frees them).
  ~TWinControl() override;

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  // EListError for a bad index.
  TControl* Controls(int Index) const;
  // This control and every control below it, depth first in child order.
  void ForEachChild(const std::function<void(TControl&)>& F) const;

  bool TabStop = true;
  int TabOrder = 0;
  // Records the control as its form's active control.
  void SetFocus();
  bool Focused() const;
  void Invalidate() {}

  TNotifyEvent OnEnter, OnExit;
  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;

private:
  friend class TControl;
  std::vector<TControl*> FControls;
};

class TCustomControl : public TWinControl {
public:
  RT_CLASS_INFO(TCustomControl)
  using TWinControl::TWinControl;
};

class TGraphicControl : public TControl {
public:
  RT_CLASS_INFO(TGraphicControl)
  using TControl::TControl;
};

class TGroupBox : public TCustomControl {
public:
  RT_CLASS_INFO(TGroupBox)
  explicit TGroupBox(TComponent* AOwner);
};

class TLabel : public TGraphicControl {
public:
  RT_CLASS_INFO(TLabel)
  explicit TLabel(TComponent* AOwner);
  TAlignment Alignment = taLeftJustify;
  bool AutoSize = true;
  bool WordWrap = false;
  bool Transparent = false;
};

class TEdit : public TWinControl {
public:
  RT_CLASS_INFO(TEdit)
  explicit TEdit(TComponent* AOwner);
  // A change of the text (also by the program) runs OnChange; MaxLength (0: none) cuts it in
  // characters; CharCase folds ASCII letters.
  void SetText(const std::string& Value) override;
  // Takes a text the user left, without OnChange and without folding or cutting it.
  void SetTextQuietly(const std::string& Value) { FText = Value; }
  char16_t PasswordChar = 0;  // 0: the text shows
  bool ReadOnly = false;
  int MaxLength = 0;
  TEditCharCase CharCase = ecNormal;
  TNotifyEvent OnChange;
};

class TMemo : public TWinControl {
public:
  RT_CLASS_INFO(TMemo)
  explicit TMemo(TComponent* AOwner);
  TStringList& Lines() const { return *FLines; }
  // The lines joined by CR LF; setting it splits it into lines and runs OnChange.
  std::string Text() const override;
  void SetText(const std::string& Value) override;
  bool ReadOnly = false;
  bool WordWrap = true;
  int MaxLength = 0;
  TScrollStyle ScrollBars = ssNone;
  TNotifyEvent OnChange;

private:
  std::unique_ptr<TStringList> FLines;
};

class TCustomComboBox : public TWinControl {
public:
  RT_CLASS_INFO(TCustomComboBox)
  explicit TCustomComboBox(TComponent* AOwner);
  TStringList& Items() const { return *FItems; }
  // -1 when nothing is chosen, also when the items have shrunk below the chosen one.
  int ItemIndex() const;
  // Out-of-range values choose nothing; the text becomes the chosen item's.
  void SetItemIndex(int Value);
  // The chosen item's text; a drop-down list has no other text, a drop-down also its own.
  std::string Text() const override;
  // Chooses the item of that text (-1 when none); a drop-down keeps the text also without one.
  void SetText(const std::string& Value) override;
  TComboBoxStyle Style = csDropDown;
  bool DroppedDown = false;
  bool Sorted = false;
  int DropDownCount = 8;
  TNotifyEvent OnChange, OnDropDown, OnCloseUp, OnSelect;

private:
  std::unique_ptr<TStringList> FItems;
  int FItemIndex = -1;
};

class TComboBox : public TCustomComboBox {
public:
  RT_CLASS_INFO(TComboBox)
  using TCustomComboBox::TCustomComboBox;
};

class TButton : public TWinControl {
public:
  RT_CLASS_INFO(TButton)
  explicit TButton(TComponent* AOwner);
  // The form's ModalResult becomes the button's, then OnClick.
  void Click() override;
  TModalResult ModalResult = mrNone;
  bool Default = false;  // Enter presses it
  bool Cancel = false;   // Escape presses it
};

class TCheckBox : public TWinControl {
public:
  RT_CLASS_INFO(TCheckBox)
  explicit TCheckBox(TComponent* AOwner);
  bool Checked() const { return FState == cbChecked; }
  // A change runs OnClick, as a click does.
  void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState Value);
  // Takes a value the user left, without events.
  void SetCheckedQuietly(bool Value) { FState = Value ? cbChecked : cbUnchecked; }
  bool AllowGrayed = false;
  TAlignment Alignment = taRightJustify;

private:
  TCheckBoxState FState = cbUnchecked;
};

class TRadioButton : public TWinControl {
public:
  RT_CLASS_INFO(TRadioButton)
  explicit TRadioButton(TComponent* AOwner);
  bool Checked() const { return FChecked; }
  // Checking a button unchecks the other radio buttons of its parent and runs OnClick.
  void SetChecked(bool Value);
  // Takes a value the user left (the siblings too), without events.
  void SetCheckedQuietly(bool Value);
  TAlignment Alignment = taRightJustify;

private:
  bool FChecked = false;
};

class TCustomListBox : public TWinControl {
public:
  RT_CLASS_INFO(TCustomListBox)
  explicit TCustomListBox(TComponent* AOwner);
  TStringList& Items() const { return *FItems; }
  int ItemIndex() const;
  void SetItemIndex(int Value);
  // Selection of one item (EListError for a bad index); without MultiSelect only ItemIndex is.
  bool Selected(int Index) const;
  void SetSelected(int Index, bool Value);
  int SelCount() const;
  bool MultiSelect = false;
  bool Sorted = false;
  int Columns = 0;

private:
  std::unique_ptr<TStringList> FItems;
  int FItemIndex = -1;
  std::vector<bool> FSelected;
};

class TListBox : public TCustomListBox {
public:
  RT_CLASS_INFO(TListBox)
  using TCustomListBox::TCustomListBox;
};

class TControlScrollBar : public TObject {
public:
  RT_CLASS_INFO(TControlScrollBar)
  int Range = 0, Position = 0, Increment = 8;
  bool Visible = true;
};

class TScrollingWinControl : public TWinControl {
public:
  RT_CLASS_INFO(TScrollingWinControl)
  explicit TScrollingWinControl(TComponent* AOwner);
  TControlScrollBar& HorzScrollBar() const { return *FHorz; }
  TControlScrollBar& VertScrollBar() const { return *FVert; }
  bool AutoScroll = false;

private:
  std::unique_ptr<TControlScrollBar> FHorz, FVert;
};

class TScrollBox : public TScrollingWinControl {
public:
  RT_CLASS_INFO(TScrollBox)
  explicit TScrollBox(TComponent* AOwner);
  TFormBorderStyle BorderStyle = bsSingle;
};

// Shows a form modally and answers its modal result; installed per thread by a host.
using TModalPresenter = std::function<TModalResult(TCustomForm& Form)>;

// A form. Its client area is its whole Width by Height: a browser form has no frame of its own.
class TCustomForm : public TScrollingWinControl {
public:
  RT_CLASS_INFO(TCustomForm)
  // Font "Tahoma" 8 points, colour clBtnFace, not visible.
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // Shows the form through the current thread's presenter and waits for its answer: OnShow and
  // OnActivate run first; OnDeactivate and OnHide after. The answer is the modal result the
  // presenter gave (mrCancel when the user went away). With no presenter installed it raises
  // EInvalidOperation: a program must not take a form nobody saw for an answer. A form already
  // showing modally raises the same.
  virtual TModalResult ShowModal();
  // While modal: ModalResult := mrCancel (the presenter closes it); else CloseQuery, OnClose and
  // hiding.
  void Close();
  // OnCloseQuery's answer (true without a handler).
  bool CloseQuery();
  // For presenters, once a handler set ModalResult: CloseQuery and OnClose (an Action of caNone
  // keeps the form); true when the form closes, else ModalResult is back to mrNone.
  bool CloseModal();
  bool Modal() const { return FModal; }

  TModalResult ModalResult = mrNone;
  TFormBorderStyle BorderStyle = bsSizeable;
  TPosition Position = poDesigned;
  TWindowState WindowState = wsNormal;
  TFormStyle FormStyle = fsNormal;
  bool KeyPreview = false;
  unsigned BorderIcons = 7;  // biSystemMenu, biMinimize, biMaximize
  // The control that has the focus (SetFocus); nullptr when none.
  TWinControl* ActiveControl = nullptr;

  TNotifyEvent OnActivate, OnCreate, OnDestroy, OnDeactivate, OnHide, OnPaint, OnShow;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

private:
  bool FModal = false;
};

class TForm : public TCustomForm {
public:
  RT_CLASS_INFO(TForm)
  using TCustomForm::TCustomForm;
};

// Installs Presenter for the calling thread while the scope lives; the previous one comes back
// after it.
class TModalPresenterScope {
public:
  explicit TModalPresenterScope(TModalPresenter Presenter);
  ~TModalPresenterScope();
  TModalPresenterScope(const TModalPresenterScope&) = delete;
  TModalPresenterScope& operator=(const TModalPresenterScope&) = delete;

private:
  TModalPresenter FPrevious;
};
// The calling thread's presenter; empty when none.
const TModalPresenter& CurrentModalPresenter();

class TDataModule : public TComponent {
public:
  RT_CLASS_INFO(TDataModule)
  using TComponent::TComponent;
  TNotifyEvent OnCreate, OnDestroy;
};

// The process's application object. It holds no state a session could change, and components
// given to it as owner are freed at the end of the thread's application scope (see
// TApplicationScope) or, without one, at the end of the process; so a script that creates
// TForm.Create(Application) in every run leaves nothing behind.
class TApplication : public TComponent {
public:
  RT_CLASS_INFO(TApplication)
  std::string ExeName() const;
  void Minimize() {}
  void Restore() {}
  void ProcessMessages() {}

  void InsertComponent(TComponent* Component) override;
  void RemoveComponent(TComponent* Component) override;

private:
  friend TApplication& Application();
  friend class TApplicationScope;
  TApplication();
};
TApplication& Application();

// Components that the calling thread gives the application as owner while the scope lives are
// freed when it ends (a host puts one around a job).
class TApplicationScope {
public:
  TApplicationScope();
  ~TApplicationScope();
  TApplicationScope(const TApplicationScope&) = delete;
  TApplicationScope& operator=(const TApplicationScope&) = delete;
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }

private:
  friend class TApplication;
  TApplicationScope* FPrevious;
  std::vector<TComponent*> FComponents;
};

} // namespace rt
