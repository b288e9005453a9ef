// Script bindings of the report classes.
#include "report/engine/repClassRTTI.h"

#include <algorithm>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"

namespace repClassRTTI {

namespace {

template <class T>
T* As(rt::TObject* O) {
  auto* R = dynamic_cast<T*>(O);
  if (!R) throw rt::EInvalidPointer("Invalid report object");
  return R;
}

rt::Variant Obj(rt::TObject* O) { return O ? rt::VarFromObject(O) : rt::Variant(0); }

} // namespace

TFunctions::TFunctions(TscScript* S) : TscRTTIModule(S) {
  for (auto [Name, Value] : {std::pair{"fr01cm", fr01cm}, {"fr1cm", fr1cm}, {"fr01in", fr01in}, {"fr1in", 96.0},
                             {"fr1CharX", fr1CharX}, {"fr1CharY", fr1CharY}})
    S->AddConst(Name, "Extended", Value);
  S->AddConst("clTransparent", "Integer", static_cast<int>(gfx::clNone));
  S->AddEnum("TrepHAlign", "haLeft, haRight, haCenter, haBlock");
  S->AddEnum("TrepVAlign", "vaTop, vaBottom, vaCenter");
  S->AddEnum("TrepFormatKind", "fkText, fkNumeric, fkDateTime, fkBoolean");

  const TscCallMethodNewEvent M = &CallReportMethod;
  const TscGetValueEvent G = &GetReportProperty;
  const TscSetValueEvent Set = &SetReportProperty;
  TscClassVariable* C;
  if ((C = S->AddClass(TrepComponent::ClassInfo(), "TComponent"))) {
    C->AddMethod("procedure Clear", M);
    C->AddMethod("function FindObject(s: String): TrepComponent", M);
    C->AddMethod("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Extended)", M);
    C->AddProperty("Page", "TrepPage", G);
    C->AddProperty("AbsLeft", "Extended", G);
    C->AddProperty("AbsTop", "Extended", G);
    C->AddProperty("Parent", "TrepComponent", G, Set);
  }
  S->AddClass(TrepReportComponent::ClassInfo(), "TrepComponent");
  if ((C = S->AddClass(TrepView::ClassInfo(), "TrepReportComponent"))) C->AddProperty("TagStr", "String", G, Set);
  S->AddClass(TrepShapeView::ClassInfo(), "TrepView");
  if ((C = S->AddClass(TrepStretcheable::ClassInfo(), "TrepView"))) C->AddMethod("function CalcHeight: Extended", M);
  if ((C = S->AddClass(TrepCustomMemoView::ClassInfo(), "TrepStretcheable"))) {
    C->AddMethod("function CalcWidth: Extended", M);
    C->AddProperty("Value", "Variant", G);
  }
  S->AddClass(TrepMemoView::ClassInfo(), "TrepCustomMemoView");
  S->AddClass(TrepSysMemoView::ClassInfo(), "TrepCustomMemoView");
  S->AddClass(TrepCustomLineView::ClassInfo(), "TrepStretcheable");
  S->AddClass(TrepLineView::ClassInfo(), "TrepCustomLineView");
  S->AddClass(TrepPictureView::ClassInfo(), "TrepView");
  S->AddClass(TrepCheckBoxView::ClassInfo(), "TrepView");
  S->AddClass(TrepBand::ClassInfo(), "TrepReportComponent");
  S->AddClass(TrepNullBand::ClassInfo(), "TrepBand");
  S->AddClass(TrepPage::ClassInfo(), "TrepComponent");
  S->AddClass(TrepReportPage::ClassInfo(), "TrepPage");
  S->AddClass(TrepDialogPage::ClassInfo(), "TrepPage");
  if ((C = S->AddClass(TrepReport::ClassInfo(), "TrepComponent"))) {
    C->AddMethod("function Calc(const Expr: String): Variant", M);
    C->AddProperty("Terminated", "Boolean", G, Set);
  }
}

rt::Variant TFunctions::CallReportMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& N,
                                         TscMethodHelper* Caller) {
  if (ClassType == TrepComponent::ClassInfo()) {
    auto* C = As<TrepComponent>(Instance);
    if (N == "CLEAR") C->Clear();
    else if (N == "FINDOBJECT") return Obj(C->FindObject(rt::VarToStr(Caller->GetVParam(0))));
    else if (N == "SETBOUNDS")
      C->SetBounds(Caller->GetVParam(0).ToDouble(), Caller->GetVParam(1).ToDouble(), Caller->GetVParam(2).ToDouble(),
                   Caller->GetVParam(3).ToDouble());
  } else if (ClassType == TrepStretcheable::ClassInfo()) {
    if (N == "CALCHEIGHT") return As<TrepStretcheable>(Instance)->CalcHeight();
  } else if (ClassType == TrepCustomMemoView::ClassInfo()) {
    if (N == "CALCWIDTH") return As<TrepCustomMemoView>(Instance)->CalcWidth();
  } else if (ClassType == TrepReport::ClassInfo()) {
    if (N == "CALC") return As<TrepReport>(Instance)->CalcFromScript(rt::VarToStr(Caller->GetVParam(0)));
  }
  return 0;
}

rt::Variant TFunctions::GetReportProperty(rt::TObject* Instance, rt::TClass ClassType, const std::string& N) {
  if (ClassType == TrepComponent::ClassInfo()) {
    auto* C = As<TrepComponent>(Instance);
    if (N == "PAGE") return Obj(C->Page());
    if (N == "ABSLEFT") return C->AbsLeft();
    if (N == "ABSTOP") return C->AbsTop();
    if (N == "PARENT") return Obj(C->Parent());
  } else if (ClassType == TrepView::ClassInfo()) {
    if (N == "TAGSTR") return rt::Variant(As<TrepView>(Instance)->TagStr);
  } else if (ClassType == TrepCustomMemoView::ClassInfo()) {
    if (N == "VALUE") return As<TrepCustomMemoView>(Instance)->Value;
  } else if (ClassType == TrepReport::ClassInfo()) {
    if (N == "TERMINATED") return As<TrepReport>(Instance)->Terminated();
  }
  return 0;
}

void TFunctions::SetReportProperty(rt::TObject* Instance, rt::TClass ClassType, const std::string& N,
                                   const rt::Variant& Value) {
  if (ClassType == TrepComponent::ClassInfo()) {
    if (N == "PARENT") As<TrepComponent>(Instance)->SetParent(dynamic_cast<TrepComponent*>(rt::VarFindObject(Value)));
  } else if (ClassType == TrepView::ClassInfo()) {
    if (N == "TAGSTR") As<TrepView>(Instance)->TagStr = rt::VarToStr(Value);
  } else if (ClassType == TrepReport::ClassInfo()) {
    if (N == "TERMINATED") As<TrepReport>(Instance)->SetTerminated(Value.ToBoolean());
  }
}

} // namespace repClassRTTI

void repClassRTTIInitialization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  if (std::find(L->begin(), L->end(), &scModuleClass<repClassRTTI::TFunctions>) == L->end())
    L->push_back(&scModuleClass<repClassRTTI::TFunctions>);
}

void repClassRTTIFinalization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  L->erase(std::remove(L->begin(), L->end(), &scModuleClass<repClassRTTI::TFunctions>), L->end());
}
