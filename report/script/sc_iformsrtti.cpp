#include "report/script/sc_iformsrtti.h"

#include <algorithm>
#include <utility>

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
