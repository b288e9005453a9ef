#include "platform/rt/Controls.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <mutex>

#include "platform/rt/Unicode.h"

namespace rt {

// ---- TControl ----

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<gfx::TFont>()) {
  FFont->OnChange = [this](gfx::TFont&) {
    if (!FTakingParentFont) FParentFont = false;
    if (auto* W = dynamic_cast<TWinControl*>(this))
      for (TControl* C : W->FControls) C->ParentFontChanged();
  };
}

TControl::~TControl() { SetParent(nullptr); }

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (AParent != nullptr) {
    for (TControl* P = AParent; P != nullptr; P = P->FParent)
      if (P == this) throw EInvalidOperation("A control cannot be placed on itself or on a control inside it");
    if ((AParent->ControlStyle & csAcceptsControls) == 0)
      throw EInvalidOperation("Control '" + AParent->Name() + "' cannot have children");
  }
  if (FParent != nullptr) {
    auto& L = FParent->FControls;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
  }
  FParent = AParent;
  if (FParent != nullptr) {
    FParent->FControls.push_back(this);
    ParentFontChanged();
  }
}

TCustomForm* TControl::ParentForm() const {
  const TControl* C = this;
  while (C->FParent != nullptr) C = C->FParent;
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(C));
}

void TControl::SetName(std::string_view Value) {
  const bool ChangeText = (ControlStyle & csSetCaption) != 0 && Text() == Name();
  TComponent::SetName(Value);
  if (ChangeText) SetText(std::string(Value));
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  AWidth = std::max(0, AWidth);
  AHeight = std::max(0, AHeight);
  const bool Resized = AWidth != FWidth || AHeight != FHeight;
  if (Resized && OnCanResize) {
    bool Resize = true;
    OnCanResize(this, AWidth, AHeight, Resize);
    if (!Resize) {
      AWidth = FWidth;
      AHeight = FHeight;
    }
  }
  const bool Changed = AWidth != FWidth || AHeight != FHeight;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = std::max(0, AWidth);
  FHeight = std::max(0, AHeight);
  if (Changed && OnResize) OnResize(this);
}

void TControl::SetText(const std::string& Value) { FText = Value; }

void TControl::SetParentFont(bool Value) {
  FParentFont = Value;
  if (Value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || FParent == nullptr) return;
  FTakingParentFont = true;
  try {
    FFont->Assign(FParent->Font());
  } catch (...) {
    FTakingParentFont = false;
    throw;
  }
  FTakingParentFont = false;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) { FColor = clBtnFace; }

TWinControl::~TWinControl() {
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
  if (TCustomForm* F = ParentForm(); F != nullptr && F->ActiveControl == this) F->ActiveControl = nullptr;
}

TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FControls[static_cast<std::size_t>(Index)];
}

void TWinControl::ForEachChild(const std::function<void(TControl&)>& F) const {
  for (TControl* C : FControls) {
    F(*C);
    if (auto* W = dynamic_cast<TWinControl*>(C)) W->ForEachChild(F);
  }
}

void TWinControl::SetFocus() {
  if (TCustomForm* F = ParentForm(); F != nullptr && F != this) F->ActiveControl = this;
}

bool TWinControl::Focused() const {
  TCustomForm* F = ParentForm();
  return F != nullptr && F->ActiveControl == this;
}

// ---- concrete controls ----

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = csAcceptsControls | csSetCaption;
  SetBounds(0, 0, 185, 105);
}

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  ControlStyle = csSetCaption;
  FColor = clNone;
  SetBounds(0, 0, 65, 17);
}

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  FColor = clWindow;
  SetBounds(0, 0, 121, 21);
}

void TEdit::SetText(const std::string& Value) {
  std::string V = Value;
  if (CharCase == ecUpperCase) V = UpperCase(V);
  else if (CharCase == ecLowerCase) V = LowerCase(V);
  if (MaxLength > 0) {
    std::u16string U = Utf8ToUtf16(V);
    if (static_cast<int>(U.size()) > MaxLength) V = Utf16ToUtf8(U.substr(0, static_cast<std::size_t>(MaxLength)));
  }
  if (V == FText) return;
  FText = std::move(V);
  if (OnChange) OnChange(this);
}

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner), FLines(std::make_unique<TStringList>()) {
  FColor = clWindow;
  SetBounds(0, 0, 185, 89);
}

std::string TMemo::Text() const { return FLines->Text(); }

void TMemo::SetText(const std::string& Value) {
  if (Value == FLines->Text()) return;
  FLines->SetText(Value);
  if (OnChange) OnChange(this);
}

TCustomComboBox::TCustomComboBox(TComponent* AOwner) : TWinControl(AOwner), FItems(std::make_unique<TStringList>()) {
  FColor = clWindow;
  SetBounds(0, 0, 145, 21);
}

int TCustomComboBox::ItemIndex() const { return FItemIndex < FItems->Count() ? FItemIndex : -1; }

void TCustomComboBox::SetItemIndex(int Value) {
  FItemIndex = Value >= 0 && Value < FItems->Count() ? Value : -1;
  FText = FItemIndex >= 0 ? FItems->Strings(FItemIndex) : std::string();
}

std::string TCustomComboBox::Text() const {
  const int I = ItemIndex();
  if (Style == csDropDownList) return I >= 0 ? FItems->Strings(I) : std::string();
  return FText;
}

void TCustomComboBox::SetText(const std::string& Value) {
  FItemIndex = FItems->IndexOf(Value);
  FText = Style == csDropDownList && FItemIndex < 0 ? std::string() : Value;
}

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle = csSetCaption;
  SetBounds(0, 0, 75, 25);
}

void TButton::Click() {
  if (TCustomForm* F = ParentForm(); F != nullptr) F->ModalResult = ModalResult;
  TControl::Click();
}

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle = csSetCaption;
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::SetState(TCheckBoxState Value) {
  if (Value == cbGrayed && !AllowGrayed) Value = cbUnchecked;
  if (Value == FState) return;
  FState = Value;
  Click();
}

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle = csSetCaption;
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool Value) {
  if (Value == FChecked) return;
  SetCheckedQuietly(Value);
  if (Value) Click();
}

void TRadioButton::SetCheckedQuietly(bool Value) {
  FChecked = Value;
  if (!Value || Parent() == nullptr) return;
  for (int I = 0; I < Parent()->ControlCount(); ++I)
    if (auto* R = dynamic_cast<TRadioButton*>(Parent()->Controls(I)); R != nullptr && R != this) R->FChecked = false;
}

TCustomListBox::TCustomListBox(TComponent* AOwner) : TWinControl(AOwner), FItems(std::make_unique<TStringList>()) {
  FColor = clWindow;
  SetBounds(0, 0, 121, 97);
}

int TCustomListBox::ItemIndex() const { return FItemIndex < FItems->Count() ? FItemIndex : -1; }

void TCustomListBox::SetItemIndex(int Value) {
  FItemIndex = Value >= 0 && Value < FItems->Count() ? Value : -1;
  if (!MultiSelect) FSelected.clear();
}

bool TCustomListBox::Selected(int Index) const {
  if (Index < 0 || Index >= FItems->Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  if (!MultiSelect) return Index == ItemIndex();
  return static_cast<std::size_t>(Index) < FSelected.size() && FSelected[static_cast<std::size_t>(Index)];
}

void TCustomListBox::SetSelected(int Index, bool Value) {
  if (Index < 0 || Index >= FItems->Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  if (!MultiSelect) {
    if (Value) FItemIndex = Index;
    else if (Index == ItemIndex()) FItemIndex = -1;
    return;
  }
  if (FSelected.size() < static_cast<std::size_t>(FItems->Count())) FSelected.resize(static_cast<std::size_t>(FItems->Count()));
  FSelected[static_cast<std::size_t>(Index)] = Value;
}

int TCustomListBox::SelCount() const {
  if (!MultiSelect) return -1;
  int N = 0;
  for (int I = 0; I < FItems->Count() && static_cast<std::size_t>(I) < FSelected.size(); ++I) N += FSelected[static_cast<std::size_t>(I)];
  return N;
}

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner)
    : TWinControl(AOwner), FHorz(std::make_unique<TControlScrollBar>()), FVert(std::make_unique<TControlScrollBar>()) {}

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  ControlStyle = csAcceptsControls;
  SetBounds(0, 0, 185, 41);
}

// ---- forms ----

namespace {
thread_local TModalPresenter ThreadPresenter;
}

TModalPresenterScope::TModalPresenterScope(TModalPresenter Presenter) : FPrevious(std::move(ThreadPresenter)) {
  ThreadPresenter = std::move(Presenter);
}

TModalPresenterScope::~TModalPresenterScope() { ThreadPresenter = std::move(FPrevious); }

const TModalPresenter& CurrentModalPresenter() { return ThreadPresenter; }

TCustomForm::TCustomForm(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  ControlStyle = csAcceptsControls | csSetCaption;
  SetVisible(false);
  Font().SetName("Tahoma");
  Font().SetSize(8);
  SetBounds(0, 0, 320, 240);
}

TCustomForm::~TCustomForm() {
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      // A destructor cannot pass the handler's failure on.
    }
  }
}

TModalResult TCustomForm::ShowModal() {
  const TModalPresenter& Presenter = CurrentModalPresenter();
  if (!Presenter)
    throw EInvalidOperation("Cannot show the form '" + Name() + "' modally: there is no screen to show it on");
  if (FModal) throw EInvalidOperation("The form '" + Name() + "' is already showing modally");
  // The presenter may be replaced while the form shows (a nested host); keep this one alive.
  const TModalPresenter Show = Presenter;
  FModal = true;
  ModalResult = mrNone;
  SetVisible(true);
  TModalResult Result = mrCancel;
  try {
    if (OnShow) OnShow(this);
    if (OnActivate) OnActivate(this);
    Result = Show(*this);
  } catch (...) {
    FModal = false;
    SetVisible(false);
    throw;
  }
  FModal = false;
  ModalResult = Result;
  SetVisible(false);
  if (OnDeactivate) OnDeactivate(this);
  if (OnHide) OnHide(this);
  return Result;
}

void TCustomForm::Close() {
  if (FModal) {
    ModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction Action = caHide;
  if (OnClose) OnClose(this, Action);
  if (Action != caNone) {
    SetVisible(false);
    if (OnHide) OnHide(this);
  }
}

bool TCustomForm::CloseQuery() {
  bool CanClose = true;
  if (OnCloseQuery) OnCloseQuery(this, CanClose);
  return CanClose;
}

bool TCustomForm::CloseModal() {
  if (ModalResult == mrNone) return false;
  TCloseAction Action = caHide;
  if (!CloseQuery()) Action = caNone;
  else if (OnClose) OnClose(this, Action);
  if (Action == caNone) {
    ModalResult = mrNone;
    return false;
  }
  return true;
}

// ---- application ----

namespace {

thread_local TApplicationScope* ThreadScope = nullptr;

std::mutex& ApplicationLock() {
  static std::mutex M;
  return M;
}

// Components given to the application outside any scope; freed at the end of the process.
std::vector<TComponent*>& ProcessComponents() {
  static std::vector<TComponent*> L;
  return L;
}

} // namespace

TApplication::TApplication() : TComponent(nullptr) { TComponent::SetName("Application"); }

TApplication& Application() {
  // Never freed: forms owned by it may still be freed by the threads that made them.
  static TApplication* App = new TApplication();
  return *App;
}

std::string TApplication::ExeName() const {
  char Buf[4096];
  const ssize_t N = readlink("/proc/self/exe", Buf, sizeof Buf - 1);
  return N > 0 ? std::string(Buf, static_cast<std::size_t>(N)) : std::string();
}

void TApplication::InsertComponent(TComponent* Component) {
  if (Component->Owner() != nullptr) Component->Owner()->RemoveComponent(Component);
  SetOwnerOf(Component, this);
  if (ThreadScope != nullptr) {
    ThreadScope->FComponents.push_back(Component);
    return;
  }
  std::lock_guard<std::mutex> Lock(ApplicationLock());
  ProcessComponents().push_back(Component);
}

void TApplication::RemoveComponent(TComponent* Component) {
  for (TApplicationScope* S = ThreadScope; S != nullptr; S = S->FPrevious) {
    auto It = std::find(S->FComponents.begin(), S->FComponents.end(), Component);
    if (It != S->FComponents.end()) {
      S->FComponents.erase(It);
      SetOwnerOf(Component, nullptr);
      return;
    }
  }
  std::lock_guard<std::mutex> Lock(ApplicationLock());
  auto& L = ProcessComponents();
  auto It = std::find(L.begin(), L.end(), Component);
  if (It != L.end()) {
    L.erase(It);
    SetOwnerOf(Component, nullptr);
  }
}

TApplicationScope::TApplicationScope() : FPrevious(ThreadScope) { ThreadScope = this; }

TApplicationScope::~TApplicationScope() {
  // Each component leaves the list as it is freed (RemoveComponent).
  while (!FComponents.empty()) delete FComponents.back();
  ThreadScope = FPrevious;
}

// ---- published properties ----

namespace {

template <class T>
T* As(TObject* O) {
  return static_cast<T*>(O);
}

template <class T>
TPropInfo IntP(std::string Name, int (T::*Get)() const, void (T::*Set)(int), std::optional<long long> Def = {}) {
  TPropInfo P(std::move(Name), tkInteger, "Integer", [Get](TObject* O) { return Variant((As<T>(O)->*Get)()); },
              [Set](TObject* O, const Variant& V) { (As<T>(O)->*Set)(V.ToInteger()); });
  P.Default = Def;
  return P;
}

template <class T, class F>
TPropInfo FieldP(std::string Name, TTypeKind Kind, std::string Type, F T::*Member, std::optional<long long> Def = {}) {
  TPropInfo P = TPropInfo::Field<T>(std::move(Name), Kind, std::move(Type), Member);
  P.Default = Def;
  return P;
}

// A set kept as bits in an unsigned field.
template <class T>
TPropInfo SetF(std::string Name, std::string Type, unsigned T::*Member, unsigned Def, std::vector<std::string> Names) {
  TPropInfo P(std::move(Name), tkSet, std::move(Type),
              [Member](TObject* O) { return Variant(static_cast<int>(As<T>(O)->*Member)); },
              [Member](TObject* O, const Variant& V) { As<T>(O)->*Member = static_cast<unsigned>(V.ToInteger()); });
  P.Default = Def;
  P.EnumNames = std::move(Names);
  return P;
}

template <class T>
TPropInfo BoolF(std::string Name, bool T::*Member, bool Def) {
  return FieldP<T>(std::move(Name), tkEnumeration, "Boolean", Member, Def ? 1 : 0);
}

template <class T>
TPropInfo BoolP(std::string Name, bool (T::*Get)() const, void (T::*Set)(bool), bool Def) {
  TPropInfo P(std::move(Name), tkEnumeration, "Boolean", [Get](TObject* O) { return Variant((As<T>(O)->*Get)()); },
              [Set](TObject* O, const Variant& V) { (As<T>(O)->*Set)(V.ToBoolean()); });
  P.Default = Def ? 1 : 0;
  return P;
}

// An enumeration kept in a field of type E.
template <class T, class E>
TPropInfo EnumF(std::string Name, std::string Type, E T::*Member, std::vector<std::string> Names, E Def) {
  TPropInfo P(std::move(Name), tkEnumeration, std::move(Type),
              [Member](TObject* O) { return Variant(static_cast<int>(As<T>(O)->*Member)); },
              [Member, N = static_cast<int>(Names.size())](TObject* O, const Variant& V) {
                const int I = V.ToInteger();
                if (I >= 0 && I < N) As<T>(O)->*Member = static_cast<E>(I);
              });
  P.EnumNames = std::move(Names);
  P.Default = static_cast<long long>(Def);
  return P;
}

TPropInfo TextP(std::string Name) {
  return TPropInfo(std::move(Name), tkString, "TCaption", [](TObject* O) { return Variant(As<TControl>(O)->Text()); },
                   [](TObject* O, const Variant& V) { As<TControl>(O)->SetText(V.ToString()); });
}

// A list owned by the object: reading gives the list, writing copies another list into it.
template <class T>
TPropInfo StringsP(std::string Name, TStringList& (T::*Get)() const) {
  return TPropInfo(std::move(Name), tkClass, "TStrings", [Get](TObject* O) { return VarFromObject(&(As<T>(O)->*Get)()); },
                   [Get](TObject* O, const Variant& V) {
                     if (auto* S = dynamic_cast<TStrings*>(VarToObject(V))) (As<T>(O)->*Get)().Assign(*S);
                   });
}

const std::vector<std::string> AlignmentNames{"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<std::string> BorderStyleNames{"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
                                                "bsSizeToolWin"};

} // namespace

TClass TControl::ClassInfo() {
  using T = TControl;
  static const TClassInfo Info(
      "TControl", TComponent::ClassInfo(), {},
      {TPropInfo("Name", tkString, "TComponentName", [](TObject* O) { return Variant(As<T>(O)->Name()); },
                 [](TObject* O, const Variant& V) { As<T>(O)->SetName(V.ToString()); }),
       FieldP<T>("Tag", tkInteger, "Integer", &T::Tag, 0),
       IntP<T>("Left", &T::Left, &T::SetLeft), IntP<T>("Top", &T::Top, &T::SetTop),
       IntP<T>("Width", &T::Width, &T::SetWidth), IntP<T>("Height", &T::Height, &T::SetHeight),
       SetF<T>("Anchors", "TAnchors", &T::Anchors, AnchorsLeftTop, {"akLeft", "akTop", "akRight", "akBottom"}),
       EnumF<T, TAlign>("Align", "TAlign", &T::Align, {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"},
                        alNone),
       TPropInfo("Color", tkInteger, "TColor", [](TObject* O) { return Variant(As<T>(O)->Color()); },
                 [](TObject* O, const Variant& V) { As<T>(O)->SetColor(V.ToInteger()); }),
       FieldP<T>("Cursor", tkInteger, "TCursor", &T::Cursor, 0),
       BoolP<T>("Enabled", &T::Enabled, &T::SetEnabled, true),
       TPropInfo("Font", tkClass, "TFont", [](TObject* O) { return VarFromObject(&As<T>(O)->Font()); },
                 [](TObject* O, const Variant& V) {
                   if (auto* F = dynamic_cast<gfx::TFont*>(VarToObject(V))) As<T>(O)->Font().Assign(*F);
                 })
           .WithStored([](TObject* O) { return !As<T>(O)->ParentFont(); }),
       BoolP<T>("ParentFont", &T::ParentFont, &T::SetParentFont, true),
       FieldP<T>("Hint", tkString, "string", &T::Hint), BoolF<T>("ShowHint", &T::ShowHint, false),
       BoolP<T>("Visible", &T::Visible, &T::SetVisible, true),
       TPropInfo::Event<T>("OnClick", "TNotifyEvent", &T::OnClick),
       TPropInfo::Event<T>("OnDblClick", "TNotifyEvent", &T::OnDblClick),
       TPropInfo::Event<T>("OnMouseDown", "TMouseEvent", &T::OnMouseDown),
       TPropInfo::Event<T>("OnMouseMove", "TMouseMoveEvent", &T::OnMouseMove),
       TPropInfo::Event<T>("OnMouseUp", "TMouseEvent", &T::OnMouseUp),
       TPropInfo::Event<T>("OnResize", "TNotifyEvent", &T::OnResize),
       TPropInfo::Event<T>("OnCanResize", "TCanResizeEvent", &T::OnCanResize)});
  return &Info;
}

TClass TWinControl::ClassInfo() {
  using T = TWinControl;
  static const TClassInfo Info(
      "TWinControl", TControl::ClassInfo(), {},
      {BoolF<T>("TabStop", &T::TabStop, true), FieldP<T>("TabOrder", tkInteger, "TTabOrder", &T::TabOrder),
       TPropInfo::Event<T>("OnEnter", "TNotifyEvent", &T::OnEnter),
       TPropInfo::Event<T>("OnExit", "TNotifyEvent", &T::OnExit),
       TPropInfo::Event<T>("OnKeyDown", "TKeyEvent", &T::OnKeyDown),
       TPropInfo::Event<T>("OnKeyPress", "TKeyPressEvent", &T::OnKeyPress),
       TPropInfo::Event<T>("OnKeyUp", "TKeyEvent", &T::OnKeyUp)});
  return &Info;
}

TClass TCustomControl::ClassInfo() {
  static const TClassInfo Info("TCustomControl", TWinControl::ClassInfo());
  return &Info;
}

TClass TGraphicControl::ClassInfo() {
  static const TClassInfo Info("TGraphicControl", TControl::ClassInfo());
  return &Info;
}

TClass TGroupBox::ClassInfo() {
  static const TClassInfo Info("TGroupBox", TCustomControl::ClassInfo(), [] { return new TGroupBox(nullptr); },
                               {TextP("Caption")});
  return &Info;
}

TClass TLabel::ClassInfo() {
  using T = TLabel;
  static const TClassInfo Info(
      "TLabel", TGraphicControl::ClassInfo(), [] { return new TLabel(nullptr); },
      {TextP("Caption"), EnumF<T, TAlignment>("Alignment", "TAlignment", &T::Alignment, AlignmentNames, taLeftJustify),
       BoolF<T>("AutoSize", &T::AutoSize, true), BoolF<T>("WordWrap", &T::WordWrap, false),
       BoolF<T>("Transparent", &T::Transparent, false)});
  return &Info;
}

TClass TEdit::ClassInfo() {
  using T = TEdit;
  static const TClassInfo Info(
      "TEdit", TWinControl::ClassInfo(), [] { return new TEdit(nullptr); },
      {TextP("Text"),
       // An ordinal: the character's code; a text (as scripts give it) sets its first character.
       TPropInfo("PasswordChar", tkWChar, "Char", [](TObject* O) { return Variant(static_cast<int>(As<T>(O)->PasswordChar)); },
                 [](TObject* O, const Variant& V) {
                   if (V.IsString()) {
                     const std::u16string S = V.ToUString();
                     As<T>(O)->PasswordChar = S.empty() ? 0 : S[0];
                   } else {
                     As<T>(O)->PasswordChar = static_cast<char16_t>(V.ToInteger());
                   }
                 })
           .WithDefault(0),
       BoolF<T>("ReadOnly", &T::ReadOnly, false), FieldP<T>("MaxLength", tkInteger, "Integer", &T::MaxLength, 0),
       EnumF<T, TEditCharCase>("CharCase", "TEditCharCase", &T::CharCase, {"ecNormal", "ecUpperCase", "ecLowerCase"},
                               ecNormal),
       TPropInfo::Event<T>("OnChange", "TNotifyEvent", &T::OnChange)});
  return &Info;
}

TClass TMemo::ClassInfo() {
  using T = TMemo;
  static const TClassInfo Info(
      "TMemo", TWinControl::ClassInfo(), [] { return new TMemo(nullptr); },
      {StringsP<T>("Lines", &T::Lines), TextP("Text").WithStored([](TObject*) { return false; }),
       BoolF<T>("ReadOnly", &T::ReadOnly, false), BoolF<T>("WordWrap", &T::WordWrap, true),
       FieldP<T>("MaxLength", tkInteger, "Integer", &T::MaxLength, 0),
       EnumF<T, TScrollStyle>("ScrollBars", "TScrollStyle", &T::ScrollBars,
                              {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}, ssNone),
       TPropInfo::Event<T>("OnChange", "TNotifyEvent", &T::OnChange)});
  return &Info;
}

TClass TCustomComboBox::ClassInfo() {
  static const TClassInfo Info("TCustomComboBox", TWinControl::ClassInfo());
  return &Info;
}

TClass TComboBox::ClassInfo() {
  using T = TCustomComboBox;
  static const TClassInfo Info(
      "TComboBox", TCustomComboBox::ClassInfo(), [] { return new TComboBox(nullptr); },
      {EnumF<T, TComboBoxStyle>("Style", "TComboBoxStyle", &T::Style,
                                {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"},
                                csDropDown),
       StringsP<T>("Items", &T::Items), IntP<T>("ItemIndex", &T::ItemIndex, &T::SetItemIndex, -1), TextP("Text"),
       BoolF<T>("Sorted", &T::Sorted, false), FieldP<T>("DropDownCount", tkInteger, "Integer", &T::DropDownCount, 8),
       TPropInfo::Event<T>("OnChange", "TNotifyEvent", &T::OnChange),
       TPropInfo::Event<T>("OnDropDown", "TNotifyEvent", &T::OnDropDown),
       TPropInfo::Event<T>("OnCloseUp", "TNotifyEvent", &T::OnCloseUp),
       TPropInfo::Event<T>("OnSelect", "TNotifyEvent", &T::OnSelect)});
  return &Info;
}

TClass TButton::ClassInfo() {
  using T = TButton;
  static const TClassInfo Info("TButton", TWinControl::ClassInfo(), [] { return new TButton(nullptr); },
                               {TextP("Caption"), FieldP<T>("ModalResult", tkInteger, "TModalResult", &T::ModalResult, 0),
                                BoolF<T>("Default", &T::Default, false), BoolF<T>("Cancel", &T::Cancel, false)});
  return &Info;
}

TClass TCheckBox::ClassInfo() {
  using T = TCheckBox;
  TPropInfo State("State", tkEnumeration, "TCheckBoxState", [](TObject* O) { return Variant(static_cast<int>(As<T>(O)->State())); },
                  [](TObject* O, const Variant& V) {
                    const int I = V.ToInteger();
                    if (I >= cbUnchecked && I <= cbGrayed) As<T>(O)->SetState(static_cast<TCheckBoxState>(I));
                  });
  State.EnumNames = {"cbUnchecked", "cbChecked", "cbGrayed"};
  State.Default = cbUnchecked;
  static const TClassInfo Info(
      "TCheckBox", TWinControl::ClassInfo(), [] { return new TCheckBox(nullptr); },
      {TextP("Caption"), BoolP<T>("Checked", &T::Checked, &T::SetChecked, false).WithStored([](TObject*) { return false; }),
       std::move(State), BoolF<T>("AllowGrayed", &T::AllowGrayed, false),
       EnumF<T, TAlignment>("Alignment", "TLeftRight", &T::Alignment, AlignmentNames, taRightJustify)});
  return &Info;
}

TClass TRadioButton::ClassInfo() {
  using T = TRadioButton;
  static const TClassInfo Info(
      "TRadioButton", TWinControl::ClassInfo(), [] { return new TRadioButton(nullptr); },
      {TextP("Caption"), BoolP<T>("Checked", &T::Checked, &T::SetChecked, false),
       EnumF<T, TAlignment>("Alignment", "TLeftRight", &T::Alignment, AlignmentNames, taRightJustify)});
  return &Info;
}

TClass TCustomListBox::ClassInfo() {
  static const TClassInfo Info("TCustomListBox", TWinControl::ClassInfo());
  return &Info;
}

TClass TListBox::ClassInfo() {
  using T = TCustomListBox;
  static const TClassInfo Info(
      "TListBox", TCustomListBox::ClassInfo(), [] { return new TListBox(nullptr); },
      {StringsP<T>("Items", &T::Items), IntP<T>("ItemIndex", &T::ItemIndex, &T::SetItemIndex, -1),
       BoolF<T>("MultiSelect", &T::MultiSelect, false), BoolF<T>("Sorted", &T::Sorted, false),
       FieldP<T>("Columns", tkInteger, "Integer", &T::Columns, 0)});
  return &Info;
}

TClass TControlScrollBar::ClassInfo() {
  using T = TControlScrollBar;
  static const TClassInfo Info(
      "TControlScrollBar", PersistentClassInfo(), [] { return new TControlScrollBar; },
      {FieldP<T>("Range", tkInteger, "Integer", &T::Range, 0), FieldP<T>("Position", tkInteger, "Integer", &T::Position, 0),
       FieldP<T>("Increment", tkInteger, "TScrollBarInc", &T::Increment, 8), BoolF<T>("Visible", &T::Visible, true)});
  return &Info;
}

TClass TScrollingWinControl::ClassInfo() {
  using T = TScrollingWinControl;
  static const TClassInfo Info(
      "TScrollingWinControl", TWinControl::ClassInfo(), {},
      {TPropInfo("HorzScrollBar", tkClass, "TControlScrollBar",
                 [](TObject* O) { return VarFromObject(&As<T>(O)->HorzScrollBar()); }),
       TPropInfo("VertScrollBar", tkClass, "TControlScrollBar",
                 [](TObject* O) { return VarFromObject(&As<T>(O)->VertScrollBar()); }),
       BoolF<T>("AutoScroll", &T::AutoScroll, false)});
  return &Info;
}

TClass TScrollBox::ClassInfo() {
  using T = TScrollBox;
  static const TClassInfo Info(
      "TScrollBox", TScrollingWinControl::ClassInfo(), [] { return new TScrollBox(nullptr); },
      {EnumF<T, TFormBorderStyle>("BorderStyle", "TBorderStyle", &T::BorderStyle, {"bsNone", "bsSingle"}, bsSingle)});
  return &Info;
}

TClass TCustomForm::ClassInfo() {
  using T = TCustomForm;
  static const TClassInfo Info(
      "TCustomForm", TScrollingWinControl::ClassInfo(), {},
      {TextP("Caption"),
       IntP<T>("ClientWidth", &T::Width, &T::SetWidth).WithStored([](TObject*) { return false; }),
       IntP<T>("ClientHeight", &T::Height, &T::SetHeight).WithStored([](TObject*) { return false; }),
       FieldP<T>("ModalResult", tkInteger, "TModalResult", &T::ModalResult, 0).WithStored([](TObject*) { return false; }),
       EnumF<T, TFormBorderStyle>("BorderStyle", "TFormBorderStyle", &T::BorderStyle, BorderStyleNames, bsSizeable),
       EnumF<T, TPosition>("Position", "TPosition", &T::Position,
                           {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                            "poDesktopCenter"},
                           poDesigned),
       EnumF<T, TWindowState>("WindowState", "TWindowState", &T::WindowState, {"wsNormal", "wsMinimized", "wsMaximized"},
                              wsNormal),
       EnumF<T, TFormStyle>("FormStyle", "TFormStyle", &T::FormStyle, {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"},
                            fsNormal),
       SetF<T>("BorderIcons", "TBorderIcons", &T::BorderIcons, 7, {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}),
       BoolF<T>("KeyPreview", &T::KeyPreview, false),
       TPropInfo::Event<T>("OnActivate", "TNotifyEvent", &T::OnActivate),
       TPropInfo::Event<T>("OnClose", "TCloseEvent", &T::OnClose),
       TPropInfo::Event<T>("OnCloseQuery", "TCloseQueryEvent", &T::OnCloseQuery),
       TPropInfo::Event<T>("OnCreate", "TNotifyEvent", &T::OnCreate),
       TPropInfo::Event<T>("OnDestroy", "TNotifyEvent", &T::OnDestroy),
       TPropInfo::Event<T>("OnDeactivate", "TNotifyEvent", &T::OnDeactivate),
       TPropInfo::Event<T>("OnHide", "TNotifyEvent", &T::OnHide),
       TPropInfo::Event<T>("OnPaint", "TNotifyEvent", &T::OnPaint),
       TPropInfo::Event<T>("OnShow", "TNotifyEvent", &T::OnShow)});
  return &Info;
}

TClass TForm::ClassInfo() {
  static const TClassInfo Info("TForm", TCustomForm::ClassInfo(), [] { return new TForm(nullptr); });
  return &Info;
}

TClass TDataModule::ClassInfo() {
  using T = TDataModule;
  static const TClassInfo Info(
      "TDataModule", TComponent::ClassInfo(), [] { return new TDataModule(nullptr); },
      {TPropInfo::Event<T>("OnCreate", "TNotifyEvent", &T::OnCreate),
       TPropInfo::Event<T>("OnDestroy", "TNotifyEvent", &T::OnDestroy)});
  return &Info;
}

TClass TApplication::ClassInfo() {
  static const TClassInfo Info(
      "TApplication", TComponent::ClassInfo(), {},
      {TPropInfo("ExeName", tkString, "string", [](TObject* O) { return Variant(As<TApplication>(O)->ExeName()); })});
  return &Info;
}

} // namespace rt
