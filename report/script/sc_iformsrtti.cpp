#include "report/script/sc_iformsrtti.h"

#include <algorithm>
#include <utility>

#include "platform/rt/Controls.h"
#include "report/script/sc_ievents.h"
#include "report/script/sc_irttiargs.h"

using rt::Variant;

namespace sc_iformsrtti {

namespace {

using Const = std::pair<const char*, int>;

const Const ModalResults[] = {{"mrNone", 0}, {"mrOk", 1},      {"mrCancel", 2},  {"mrAbort", 3},
                              {"mrRetry", 4}, {"mrIgnore", 5}, {"mrYes", 6},     {"mrNo", 7},
                              {"mrAll", 12},  {"mrNoToAll", 13}, {"mrYesToAll", 14}};

const Const Cursors[] = {{"crDefault", 0},     {"crNone", -1},       {"crArrow", -2},    {"crCross", -3},
                         {"crIBeam", -4},      {"crSize", -22},      {"crSizeNESW", -6}, {"crSizeNS", -7},
                         {"crSizeNWSE", -8},   {"crSizeWE", -9},     {"crUpArrow", -10}, {"crHourGlass", -11},
                         {"crDrag", -12},      {"crNoDrop", -13},    {"crHSplit", -14},  {"crVSplit", -15},
                         {"crMultiDrag", -16}, {"crSQLWait", -17},   {"crNo", -18},      {"crAppStart", -19},
                         {"crHelp", -20},      {"crHandPoint", -21}, {"crSizeAll", -22}};

const Const BorderStyles[] = {{"bsNone", 0},   {"bsSingle", 1},     {"bsSizeable", 2},
                              {"bsDialog", 3}, {"bsToolWindow", 4}, {"bsSizeToolWin", 5}};

const Const Keys[] = {{"VK_RBUTTON", 2},   {"VK_CANCEL", 3},   {"VK_MBUTTON", 4}, {"VK_BACK", 8},
                      {"VK_TAB", 9},       {"VK_RETURN", 13},  {"VK_SHIFT", 16},  {"VK_CONTROL", 17},
                      {"VK_MENU", 18},     {"VK_PAUSE", 19},   {"VK_CAPITAL", 20}, {"VK_ESCAPE", 27},
                      {"VK_SPACE", 32},    {"VK_PRIOR", 33},   {"VK_NEXT", 34},   {"VK_END", 35},
                      {"VK_HOME", 36},     {"VK_LEFT", 37},    {"VK_UP", 38},     {"VK_RIGHT", 39},
                      {"VK_DOWN", 40},     {"VK_INSERT", 45},  {"VK_DELETE", 46}, {"VK_HELP", 47},
                      {"VK_LWIN", 91},     {"VK_RWIN", 92},    {"VK_APPS", 93}};

const Const KeysAfterPad[] = {{"VK_MULTIPLY", 106}, {"VK_ADD", 107},     {"VK_SEPARATOR", 108},
                              {"VK_SUBTRACT", 109}, {"VK_DECIMAL", 110}, {"VK_DIVIDE", 111}};

void AddAll(TscScript* S, const Const* First, const Const* Last) {
  for (; First != Last; ++First) S->AddConst(First->first, "Integer", Variant(First->second));
}

using scrtti::As;
using scrtti::IntArg;
using scrtti::Obj;
using scrtti::ObjVar;

} // namespace

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
  TscScript* S = AScript;
  AddAll(S, std::begin(ModalResults), std::end(ModalResults));
  AddAll(S, std::begin(Cursors), std::end(Cursors));
  AddAll(S, std::begin(BorderStyles), std::end(BorderStyles));
  AddAll(S, std::begin(Keys), std::end(Keys));
  for (int I = 0; I <= 9; ++I) S->AddConst("VK_NUMPAD" + std::to_string(I), "Integer", Variant(96 + I));
  AddAll(S, std::begin(KeysAfterPad), std::end(KeysAfterPad));
  for (int I = 1; I <= 12; ++I) S->AddConst("VK_F" + std::to_string(I), "Integer", Variant(111 + I));
  S->AddConst("VK_NUMLOCK", "Integer", Variant(144));
  S->AddConst("VK_SCROLL", "Integer", Variant(145));
  // The cursors once more: names already known keep their first value.
  AddAll(S, std::begin(Cursors), std::end(Cursors));
  for (const char* T : {"TFormBorderStyle", "TBorderStyle", "TAlignment", "TLeftRight"}) S->AddType(T, fvtInt);
  S->AddConst("taLeftJustify", "Integer", Variant(0));
  S->AddConst("taRightJustify", "Integer", Variant(1));
  S->AddConst("taCenter", "Integer", Variant(2));

  S->AddEnumSet("TShiftState", "ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble");
  S->AddEnum("TAlign", "alNone, alTop, alBottom, alLeft, alRight, alClient");
  S->AddEnum("TMouseButton", "mbLeft, mbRight, mbMiddle");
  S->AddEnumSet("TAnchors", "akLeft, akTop, akRight, akBottom");
  S->AddEnum("TBevelCut", "bvNone, bvLowered, bvRaised, bvSpace");
  S->AddEnum("TTextLayout", "tlTop, tlCenter, tlBottom");
  S->AddEnum("TEditCharCase", "ecNormal, ecUpperCase, ecLowerCase");
  S->AddEnum("TScrollStyle", "ssNone, ssHorizontal, ssVertical, ssBoth");
  S->AddEnum("TComboBoxStyle", "csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable");
  S->AddEnum("TCheckBoxState", "cbUnchecked, cbChecked, cbGrayed");
  S->AddEnum("TListBoxStyle", "lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable");
  S->AddEnum("TWindowState", "wsNormal, wsMinimized, wsMaximized");
  S->AddEnum("TFormStyle", "fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop");
  S->AddEnumSet("TBorderIcons", "biSystemMenu, biMinimize, biMaximize, biHelp");
  S->AddEnum("TPosition", "poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter");
  S->AddEnum("TCloseAction", "caNone, caHide, caFree, caMinimize");

  const TscCallMethodNewEvent M = &CallMethod;
  const TscGetValueEvent G = &GetProp;
  const TscSetValueEvent W = &SetProp;
  TscClassVariable* C = nullptr;
  if ((C = S->AddClass(rt::TControl::ClassInfo(), "TComponent"))) {
    C->AddMethod("procedure Hide", M);
    C->AddMethod("procedure Show", M);
    C->AddMethod("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Integer)", M);
    C->AddProperty("Parent", "TWinControl", G, W);
    C->AddEvent("OnCanResize", &scEventClass<TscCanResizeEvent>);
    C->AddEvent("OnClick", &scEventClass<TscNotifyEvent>);
    C->AddEvent("OnDblClick", &scEventClass<TscNotifyEvent>);
    C->AddEvent("OnMouseDown", &scEventClass<TscMouseEvent>);
    C->AddEvent("OnMouseMove", &scEventClass<TscMouseMoveEvent>);
    C->AddEvent("OnMouseUp", &scEventClass<TscMouseEvent>);
    C->AddEvent("OnResize", &scEventClass<TscNotifyEvent>);
  }
  if ((C = S->AddClass(rt::TWinControl::ClassInfo(), "TControl"))) {
    C->AddMethod("procedure SetFocus", M);
    C->AddMethod("procedure Invalidate", M);
    C->AddEvent("OnEnter", &scEventClass<TscNotifyEvent>);
    C->AddEvent("OnExit", &scEventClass<TscNotifyEvent>);
    C->AddEvent("OnKeyDown", &scEventClass<TscKeyEvent>);
    C->AddEvent("OnKeyPress", &scEventClass<TscKeyPressEvent>);
    C->AddEvent("OnKeyUp", &scEventClass<TscKeyEvent>);
  }
  S->AddClass(rt::TCustomControl::ClassInfo(), "TWinControl");
  S->AddClass(rt::TGraphicControl::ClassInfo(), "TControl");
  S->AddClass(rt::TGroupBox::ClassInfo(), "TWinControl");
  S->AddClass(rt::TLabel::ClassInfo(), "TControl");
  S->AddClass(rt::TEdit::ClassInfo(), "TWinControl");
  S->AddClass(rt::TMemo::ClassInfo(), "TWinControl");
  if ((C = S->AddClass(rt::TCustomComboBox::ClassInfo(), "TWinControl"))) {
    C->AddProperty("DroppedDown", "Boolean", G, W);
    C->AddProperty("ItemIndex", "Integer", G, W);
    C->AddEvent("OnChange", &scEventClass<TscNotifyEvent>);
    C->AddEvent("OnDropDown", &scEventClass<TscNotifyEvent>);
    C->AddEvent("OnCloseUp", &scEventClass<TscNotifyEvent>);
  }
  S->AddClass(rt::TComboBox::ClassInfo(), "TCustomComboBox");
  S->AddClass(rt::TButton::ClassInfo(), "TWinControl");
  S->AddClass(rt::TCheckBox::ClassInfo(), "TWinControl");
  S->AddClass(rt::TRadioButton::ClassInfo(), "TWinControl");
  if ((C = S->AddClass(rt::TCustomListBox::ClassInfo(), "TWinControl"))) {
    C->AddProperty("ItemIndex", "Integer", G, W);
    C->AddProperty("SelCount", "Integer", G);
    C->AddIndexProperty("Selected", "Integer", "Boolean", M);
  }
  S->AddClass(rt::TListBox::ClassInfo(), "TCustomListBox");
  S->AddClass(rt::TControlScrollBar::ClassInfo(), "TPersistent");
  S->AddClass(rt::TScrollingWinControl::ClassInfo(), "TWinControl");
  S->AddClass(rt::TScrollBox::ClassInfo(), "TScrollingWinControl");
  if ((C = S->AddClass(rt::TCustomForm::ClassInfo(), "TScrollingWinControl"))) {
    C->AddMethod("procedure Close", M);
    C->AddMethod("procedure Hide", M);
    C->AddMethod("procedure Show", M);
    C->AddMethod("function ShowModal: Integer", M);
    C->AddEvent("OnActivate", &scEventClass<TscNotifyEvent>);
    C->AddEvent("OnClose", &scEventClass<TscCloseEvent>);
    C->AddEvent("OnCloseQuery", &scEventClass<TscCloseQueryEvent>);
    for (const char* E : {"OnCreate", "OnDestroy", "OnDeactivate", "OnHide", "OnPaint", "OnShow"})
      C->AddEvent(E, &scEventClass<TscNotifyEvent>);
    C->AddProperty("Canvas", "TCanvas", G);
    C->AddProperty("ModalResult", "Integer", G, W);
  }
  S->AddClass(rt::TForm::ClassInfo(), "TCustomForm");
  S->AddClass(rt::TDataModule::ClassInfo(), "TComponent");
  if ((C = S->AddClass(rt::TApplication::ClassInfo(), "TComponent"))) {
    C->AddMethod("procedure Minimize", M);
    C->AddMethod("procedure ProcessMessages", M);
    C->AddMethod("procedure Restore", M);
    C->AddProperty("ExeName", "String", G);
  }
  S->AddObject("Application", &rt::Application());
}

Variant TFunctions::CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                               TscMethodHelper* Caller) {
  const std::string& N = MethodName;
  if (!Instance) throw rt::EInvalidPointer("Object reference is nil");
  if (ClassType == rt::TControl::ClassInfo()) {
    auto* C = As<rt::TControl>(Instance, "TControl");
    if (N == "HIDE") C->Hide();
    else if (N == "SHOW") C->Show();
    else if (N == "SETBOUNDS") C->SetBounds(IntArg(Caller, 0), IntArg(Caller, 1), IntArg(Caller, 2), IntArg(Caller, 3));
  } else if (ClassType == rt::TWinControl::ClassInfo()) {
    auto* C = As<rt::TWinControl>(Instance, "TWinControl");
    if (N == "SETFOCUS") C->SetFocus();
    else if (N == "INVALIDATE") C->Invalidate();
  } else if (ClassType == rt::TCustomListBox::ClassInfo()) {
    auto* L = As<rt::TCustomListBox>(Instance, "TCustomListBox");
    if (N == "SELECTED.GET") return Variant(L->Selected(IntArg(Caller, 0)));
    if (N == "SELECTED.SET") L->SetSelected(IntArg(Caller, 0), Caller->GetVParam(1).ToBoolean());
  } else if (ClassType == rt::TCustomForm::ClassInfo()) {
    auto* F = As<rt::TCustomForm>(Instance, "TCustomForm");
    if (N == "CLOSE") F->Close();
    else if (N == "HIDE") F->Hide();
    else if (N == "SHOW") F->Show();
    else if (N == "SHOWMODAL") return Variant(F->ShowModal());
  } else if (ClassType == rt::TApplication::ClassInfo()) {
    auto* A = As<rt::TApplication>(Instance, "TApplication");
    if (N == "MINIMIZE") A->Minimize();
    else if (N == "PROCESSMESSAGES") A->ProcessMessages();
    else if (N == "RESTORE") A->Restore();
  }
  return Variant(0);
}

Variant TFunctions::GetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName) {
  const std::string& N = PropName;
  if (!Instance) throw rt::EInvalidPointer("Object reference is nil");
  if (ClassType == rt::TControl::ClassInfo()) {
    if (N == "PARENT") return ObjVar(As<rt::TControl>(Instance, "TControl")->Parent());
  } else if (ClassType == rt::TCustomComboBox::ClassInfo()) {
    auto* B = As<rt::TCustomComboBox>(Instance, "TCustomComboBox");
    if (N == "DROPPEDDOWN") return Variant(B->DroppedDown);
    if (N == "ITEMINDEX") return Variant(B->ItemIndex());
  } else if (ClassType == rt::TCustomListBox::ClassInfo()) {
    auto* L = As<rt::TCustomListBox>(Instance, "TCustomListBox");
    if (N == "ITEMINDEX") return Variant(L->ItemIndex());
    if (N == "SELCOUNT") return Variant(L->SelCount());
  } else if (ClassType == rt::TCustomForm::ClassInfo()) {
    // A browser form has no canvas of its own to paint on: Canvas is nil.
    if (N == "MODALRESULT") return Variant(As<rt::TCustomForm>(Instance, "TCustomForm")->ModalResult);
  } else if (ClassType == rt::TApplication::ClassInfo()) {
    if (N == "EXENAME") return Variant(As<rt::TApplication>(Instance, "TApplication")->ExeName());
  }
  return Variant(0);
}

void TFunctions::SetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName, const Variant& Value) {
  const std::string& N = PropName;
  if (!Instance) throw rt::EInvalidPointer("Object reference is nil");
  if (ClassType == rt::TControl::ClassInfo()) {
    if (N == "PARENT") {
      rt::TObject* P = Obj(Value);
      auto* W = dynamic_cast<rt::TWinControl*>(P);
      if (P && !W) throw rt::EInvalidPointer("Invalid TWinControl object");
      As<rt::TControl>(Instance, "TControl")->SetParent(W);
    }
  } else if (ClassType == rt::TCustomComboBox::ClassInfo()) {
    auto* B = As<rt::TCustomComboBox>(Instance, "TCustomComboBox");
    if (N == "DROPPEDDOWN") B->DroppedDown = Value.ToBoolean();
    else if (N == "ITEMINDEX") B->SetItemIndex(Value.ToInteger());
  } else if (ClassType == rt::TCustomListBox::ClassInfo()) {
    if (N == "ITEMINDEX") As<rt::TCustomListBox>(Instance, "TCustomListBox")->SetItemIndex(Value.ToInteger());
  } else if (ClassType == rt::TCustomForm::ClassInfo()) {
    if (N == "MODALRESULT") As<rt::TCustomForm>(Instance, "TCustomForm")->ModalResult = Value.ToInteger();
  }
}

} // namespace sc_iformsrtti

void sc_iformsrttiInitialization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  if (std::find(L->begin(), L->end(), &scModuleClass<sc_iformsrtti::TFunctions>) == L->end())
    L->push_back(&scModuleClass<sc_iformsrtti::TFunctions>);
}

void sc_iformsrttiFinalization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  L->erase(std::remove(L->begin(), L->end(), &scModuleClass<sc_iformsrtti::TFunctions>), L->end());
}
