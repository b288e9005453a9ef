#include "report/script/sc_igraphicsrtti.h"

#include <algorithm>

#include "platform/gfx/ColorNames.h"
#include "platform/gfx/Font.h"
#include "platform/rt/TypInfo.h"

using rt::Variant;

namespace sc_igraphicsrtti {

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
  TscScript* S = AScript;
  for (const gfx::TColorName& C : gfx::ColorNames())
    S->AddConst(C.Name, "Integer", Variant(static_cast<int>(C.Value)));
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
