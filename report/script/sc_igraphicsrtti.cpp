#include "report/script/sc_igraphicsrtti.h"

#include <algorithm>

#include "platform/gfx/Font.h"
#include "platform/rt/TypInfo.h"

using rt::Variant;

namespace sc_igraphicsrtti {

namespace {
// System colours are the system colour index above this base.
constexpr int Sys(int Index) { return static_cast<int>(0xFF000000u + static_cast<unsigned>(Index)); }

const TColorEntry Colors[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF}, {"clLime", 0x00FF00}, {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
    {"clActiveBorder", Sys(10)}, {"clActiveCaption", Sys(2)}, {"clAppWorkSpace", Sys(12)},
    {"clBackground", Sys(1)}, {"clBtnFace", Sys(15)}, {"clBtnHighlight", Sys(20)}, {"clBtnShadow", Sys(16)},
    {"clBtnText", Sys(18)}, {"clCaptionText", Sys(9)}, {"clDefault", 0x20000000},
    {"clGradientActiveCaption", Sys(27)}, {"clGradientInactiveCaption", Sys(28)}, {"clGrayText", Sys(17)},
    {"clHighlight", Sys(13)}, {"clHighlightText", Sys(14)}, {"clHotLight", Sys(26)},
    {"clInactiveBorder", Sys(11)}, {"clInactiveCaption", Sys(3)}, {"clInactiveCaptionText", Sys(19)},
    {"clInfoBk", Sys(24)}, {"clInfoText", Sys(23)}, {"clMenu", Sys(4)}, {"clMenuBar", Sys(30)},
    {"clMenuHighlight", Sys(29)}, {"clMenuText", Sys(7)}, {"clNone", 0x1FFFFFFF}, {"clScrollBar", Sys(0)},
    {"cl3DDkShadow", Sys(21)}, {"cl3DLight", Sys(22)}, {"clWindow", Sys(5)}, {"clWindowFrame", Sys(6)},
    {"clWindowText", Sys(8)},
};
} // namespace

const TColorEntry* ColorTable(int& Count) {
  Count = static_cast<int>(std::size(Colors));
  return Colors;
}

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
  TscScript* S = AScript;
  for (const TColorEntry& C : Colors) S->AddConst(C.Name, "Integer", Variant(C.Value));
  S->AddEnumSet("TFontStyles", "fsBold, fsItalic, fsUnderline, fsStrikeout");
  S->AddEnum("TFontPitch", "fpDefault, fpVariable, fpFixed");
  S->AddEnum("TPenStyle", "psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame");
  S->AddEnum("TPenMode",
             "pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen, "
             "pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor");
  S->AddEnum("TBrushStyle", "bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross");
  if (TscClassVariable* C = S->AddClass(gfx::TFont::ClassInfo(), "TPersistent"))
    C->AddConstructor("constructor Create", TscCallMethodNewEvent(&CallMethod));
}

Variant TFunctions::CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                               TscMethodHelper*) {
  if (ClassType == gfx::TFont::ClassInfo() && MethodName == "CREATE")
    return Instance ? rt::VarFromObject(Instance) : Variant(0);
  return Variant(0);
}

} // namespace sc_igraphicsrtti

void sc_igraphicsrttiInitialization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  if (std::find(L->begin(), L->end(), &scModuleClass<sc_igraphicsrtti::TFunctions>) == L->end())
    L->push_back(&scModuleClass<sc_igraphicsrtti::TFunctions>);
}

void sc_igraphicsrttiFinalization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  L->erase(std::remove(L->begin(), L->end(), &scModuleClass<sc_igraphicsrtti::TFunctions>), L->end());
}
