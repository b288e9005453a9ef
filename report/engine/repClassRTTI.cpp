#include "report/engine/repDialogControls.h"
#include "report/engine/repClassRTTI.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/gfx/Picture.h"
#include "platform/rt/DateUtils.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassBand.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repRes.h"

using rt::Variant;

namespace repClassRTTI {

namespace {

rt::TObject* Obj(const Variant& V) {
  if (V.IsNull() || V.IsEmpty()) return nullptr;
  return rt::VarToObject(V);
}

std::string Str(TscMethodHelper* C, int I) { return rt::VarToStr(C->GetVParam(I)); }

// Classes the report library has no C++ class for yet (the engine, outline, prepared pages and
// post-processor live in later layers): described for scripts by name only.
rt::TClass Described(const char* Name) {
  static std::mutex Lock;
  static std::vector<std::unique_ptr<rt::TClassInfo>> Infos;
  std::lock_guard<std::mutex> Guard(Lock);
  for (auto& I : Infos)
    if (I->ClassName() == Name) return I.get();
  Infos.push_back(std::make_unique<rt::TClassInfo>(Name, rt::TObject::ClassInfo()));
  return Infos.back().get();
}

// A date's part, by formatting the date and reading the text back.
int DatePart(const Variant& V, const char* Format) {
  return rt::StrToInt(rt::FormatDateTime(Format, V.ToDouble()));
}

} // namespace

TFunctions::TFunctions(TscScript* S) : TscRTTIModule(S) {
  const TscCallMethodNewEvent M = &CallReportMethod;
  const TscGetValueEvent G = &GetReportProperty;
  const TscSetValueEvent P = &SetReportProperty;

  S->AddConst("fr01cm", "Extended", Variant(fr01cm));
  S->AddConst("fr1cm", "Extended", Variant(fr1cm));
  S->AddConst("fr01in", "Extended", Variant(fr01in));
  S->AddConst("fr1in", "Extended", Variant(96.0));
  S->AddConst("fr1CharX", "Extended", Variant(fr1CharX));
  S->AddConst("fr1CharY", "Extended", Variant(fr1CharY));
  S->AddConst("clTransparent", "Integer", Variant(static_cast<int>(gfx::clNone)));
  S->AddConst("crHand", "Integer", Variant(150));
  S->AddConst("crZoom", "Integer", Variant(151));
  S->AddConst("crFormat", "Integer", Variant(152));

  S->AddEnum("TrepStretchMode", "smDontStretch, smActualHeight, smMaxHeight");
  S->AddEnum("TrepShiftMode", "smDontShift, smAlways, smWhenOverlapped");
  S->AddEnum("TrepDuplexMode", "dmNone, dmVertical, dmHorizontal, dmSimplex");
  S->AddEnum("TrepAlign", "baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient, baHidden");
  S->AddEnum("TrepFrameStyle", "fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble");
  S->AddEnumSet("TrepFrameTypes", "ftLeft, ftRight, ftTop, ftBottom");
  S->AddEnumSet("TrepAnchors", "fraLeft, fraTop, fraRight, fraBottom");
  S->AddEnum("TrepHAlign", "haLeft, haRight, haCenter, haBlock");
  S->AddEnum("TrepVAlign", "vaTop, vaBottom, vaCenter");
  S->AddEnumSet("TrepRestrictions",
                "rfDontModify, rfDontSize, rfDontMove, rfDontDelete, rfDontEdit, rfDontEditInPreview, rfDontCopy");
  S->AddEnum("TrepShapeKind",
             "skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2");
  S->AddEnumSet("TrepPreviewButtons",
                "pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbOutline, pbPageSetup, pbTools, pbEdit, "
                "pbNavigator, pbExportQuick, pbNoClose, pbNoFullScreen, pbNoEmail, pbCopy, pbPaste, pbSelection, "
                "pbInplaceEdit");
  S->AddEnum("TrepZoomMode", "zmDefault, zmWholePage, zmPageWidth, zmManyPages");
  S->AddEnum("TrepPrintPages", "ppAll, ppOdd, ppEven");
  S->AddEnumSet("TrepDMPFontStyles",
                "fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, fsxCondensed, fsxWide, fsx12cpi, "
                "fsx15cpi");
  S->AddEnum("TrepRangeBegin", "rbFirst, rbCurrent");
  S->AddEnum("TrepRangeEnd", "reLast, reCurrent, reCount");
  S->AddEnum("TrepFieldType", "fftNumeric, fftString, fftBoolean");
  S->AddEnum("TrepFormatKind", "fkText, fkNumeric, fkDateTime, fkBoolean");
  S->AddEnum("TrepFillType", "ftBrush, ftGradient, ftGlass");
  S->AddEnum("TrepPrintMode", "pmDefault, pmSplit, pmJoin, pmScale");
  S->AddEnumSet("TrepVisibilityTypes", "vsPreview, vsExport, vsPrint");
  S->AddEnum("TrepUnderlinesTextMode",
             "ulmNone, ulmUnderlinesAll, ulmUnderlinesText, ulmUnderlinesTextAndEmptyLines");
  S->AddEnum("TrepHyperlinkKind", "hkURL, hkAnchor, hkPageNumber, hkDetailReport, hkDetailPage, hkCustom, hkNone");

  for (rt::TClass C : {TrepHyperlink::ClassInfo(), TrepCustomFill::ClassInfo(), TrepFillGaps::ClassInfo()})
    S->AddClass(C, "TPersistent");
  for (rt::TClass C : {TrepBrushFill::ClassInfo(), TrepGradientFill::ClassInfo(), TrepGlassFill::ClassInfo()})
    S->AddClass(C, "TrepCustomFill");

  if (TscClassVariable* C = S->AddClass(TrepComponent::ClassInfo(), "TComponent")) {
    C->AddMethod("procedure Clear", M);
    C->AddMethod("function FindObject(s: String): TrepComponent", M);
    C->AddMethod("procedure LoadFromStream(Stream: TStream)", M);
    C->AddMethod("procedure SaveToStream(Stream: TStream; SaveChildren: Boolean = True)", M);
    C->AddMethod("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Extended)", M);
    C->AddProperty("Objects", "TList", G);
    C->AddProperty("AllObjects", "TList", G);
    C->AddProperty("Page", "TrepPage", G);
    C->AddProperty("AbsLeft", "Extended", G);
    C->AddProperty("AbsTop", "Extended", G);
    C->AddProperty("Parent", "TrepComponent", G, P);
  }
  S->AddClass(TrepReportComponent::ClassInfo(), "TrepComponent");
  S->AddClass(TrepDialogComponent::ClassInfo(), "TrepReportComponent");
  if (TscClassVariable* C = S->AddClass(TrepDataSet::ClassInfo(), "TrepDialogComponent")) {
    for (const char* D : {"procedure Open", "procedure Close", "procedure First", "procedure Next", "procedure Prior",
                          "function Eof: Boolean", "function FieldsCount: Integer",
                          "function HasField(const fName: String): Boolean",
                          "function IsBlobField(const fName: String): Boolean", "function RecordCount: Integer",
                          "procedure GetFieldList(List: TStrings)"})
      C->AddMethod(D, M);
    C->AddProperty("RecNo", "Integer", G);
    C->AddIndexProperty("DisplayText", "String", "String", M, true);
    C->AddIndexProperty("DisplayWidth", "String", "Integer", M, true);
    C->AddIndexProperty("FieldType", "String", "TrepFieldType", M, true);
    C->AddIndexProperty("Value", "String", "Variant", M, true);
  }
  S->AddClass(TrepUserDataSet::ClassInfo(), "TrepDataSet");
  S->AddClass(TrepCustomDBDataSet::ClassInfo(), "TrepDataSet");
  if (TscClassVariable* C = S->AddClass(TrepDialogControl::ClassInfo(), "TrepReportComponent"))
    C->AddMethod("procedure SetFocus", M);
  for (rt::TClass D : DialogControlClasses()) S->AddClass(D, "TrepDialogControl");
  S->AddClass(TrepFrameLine::ClassInfo(), "TPersistent");
  S->AddClass(TrepFrame::ClassInfo(), "TPersistent");
  if (TscClassVariable* C = S->AddClass(TrepView::ClassInfo(), "TrepReportComponent"))
    C->AddProperty("TagStr", "String", G, P);
  S->AddClass(TrepShapeView::ClassInfo(), "TrepView");
  if (TscClassVariable* C = S->AddClass(TrepStretcheable::ClassInfo(), "TrepView"))
    C->AddMethod("function CalcHeight: Extended", M);
  S->AddClass(TrepHighlight::ClassInfo(), "TPersistent");
  S->AddClass(TrepFormat::ClassInfo(), "TPersistent");
  if (TscClassVariable* C = S->AddClass(TrepCustomMemoView::ClassInfo(), "TrepStretcheable")) {
    C->AddMethod("function CalcWidth: Extended", M);
    C->AddProperty("Text", "String", G, P);
    C->AddProperty("AnsiText", "String", G, P);
    C->AddProperty("Value", "Variant", G);
  }
  S->AddClass(TrepMemoView::ClassInfo(), "TrepCustomMemoView");
  S->AddClass(TrepCustomLineView::ClassInfo(), "TrepStretcheable");
  S->AddClass(TrepLineView::ClassInfo(), "TrepCustomLineView");
  if (TscClassVariable* C = S->AddClass(TrepPictureView::ClassInfo(), "TrepView"))
    C->AddMethod("procedure LoadFromFile(filename: String)", M);
  S->AddClass(TrepSubreport::ClassInfo(), "TrepView");
  if (TscClassVariable* C = S->AddClass(TrepBand::ClassInfo(), "TrepReportComponent")) {
    C->AddProperty("Overflow", "Boolean", G);
    C->AddMethod("procedure AlignChildren", M);
  }
  S->AddClass(TrepDataBand::ClassInfo(), "TrepBand");
  for (rt::TClass B : BandClasses())
    S->AddClass(B, B->ClassParent() == TrepDataBand::ClassInfo() ? "TrepDataBand" : "TrepBand");
  S->AddClass(TrepPage::ClassInfo(), "TrepComponent");
  if (TscClassVariable* C = S->AddClass(TrepReportPage::ClassInfo(), "TrepPage"))
    C->AddMethod("procedure AlignChildren", M);
  if (TscClassVariable* C = S->AddClass(TrepDialogPage::ClassInfo(), "TrepPage")) {
    C->AddMethod("function ShowModal: Integer", M);
    C->AddProperty("ModalResult", "Integer", G, P);
  }
  S->AddClass(TrepDataPage::ClassInfo(), "TrepPage");
  if (TscClassVariable* C = S->AddClass(TrepEngineOptions::ClassInfo(), "TPersistent"))
    C->AddProperty("DestroyForms", "Boolean", G, P);
  S->AddClass(TrepPrintOptions::ClassInfo(), "TPersistent");
  S->AddClass(TrepPreviewOptions::ClassInfo(), "TPersistent");
  S->AddClass(TrepReportOptions::ClassInfo(), "TPersistent");
  if (TscClassVariable* C = S->AddClass(TrepReport::ClassInfo(), "TrepComponent")) {
    C->AddMethod("function Calc(const Expr: String): Variant", M);
    C->AddMethod("function GetDataset(const Alias: String): TrepDataset", M);
    C->AddMethod("function LoadFromFile(const FileName: String): Boolean", M);
    C->AddMethod("procedure SaveToFile(const FileName: String)", M);
    C->AddMethod("procedure ShowReport", M);
    C->AddProperty("Terminated", "Boolean", G, P);
  }
  for (const char* Name : {"TrepPostProcessor", "TrepCustomEngine", "TrepCustomOutline", "TrepCustomPreviewPages"})
    S->AddClass(Described(Name), "TObject");

  S->AddMethod("function DayOf(Date: TDateTime): Integer", M, "ctDate");
  S->AddMethod("function MonthOf(Date: TDateTime): Integer", M, "ctDate");
  S->AddMethod("function YearOf(Date: TDateTime): Integer", M, "ctDate");
  // IIF and the aggregates are the report's own functions, added when it prepares its script.
}

Variant TFunctions::CallReportMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& N,
                                     TscMethodHelper* Caller) {
  if (ClassType == nullptr) {
    if (N == "DAYOF") return Variant(DatePart(Caller->GetVParam(0), "d"));
    if (N == "MONTHOF") return Variant(DatePart(Caller->GetVParam(0), "m"));
    if (N == "YEAROF") return Variant(DatePart(Caller->GetVParam(0), "yyyy"));
    return Variant(0);
  }
  if (ClassType == TrepComponent::ClassInfo()) {
    auto* C = dynamic_cast<TrepComponent*>(Instance);
    if (C == nullptr) return Variant(0);
    if (N == "CLEAR") C->Clear();
    else if (N == "FINDOBJECT") return rt::VarFromObject(C->FindObject(Str(Caller, 0)));
    else if (N == "LOADFROMSTREAM") {
      if (auto* St = dynamic_cast<rt::TStream*>(Obj(Caller->GetVParam(0)))) C->LoadFromStream(*St);
    } else if (N == "SAVETOSTREAM") {
      if (auto* St = dynamic_cast<rt::TStream*>(Obj(Caller->GetVParam(0))))
        C->SaveToStream(*St, Caller->GetVParam(1).ToBoolean());
    } else if (N == "SETBOUNDS")
      C->SetBounds(Caller->GetVParam(0).ToDouble(), Caller->GetVParam(1).ToDouble(), Caller->GetVParam(2).ToDouble(),
                   Caller->GetVParam(3).ToDouble());
    return Variant(0);
  }
  if (ClassType == TrepDataSet::ClassInfo()) {
    auto* D = dynamic_cast<TrepDataSet*>(Instance);
    if (D == nullptr) return Variant(0);
    if (N == "OPEN") D->Open();
    else if (N == "CLOSE") D->Close();
    else if (N == "FIRST") D->First();
    else if (N == "NEXT") D->Next();
    else if (N == "PRIOR") D->Prior();
    else if (N == "EOF") return Variant(D->Eof());
    else if (N == "FIELDSCOUNT") return Variant(D->FieldsCount());
    else if (N == "RECORDCOUNT") return Variant(D->RecordCount());
    else if (N == "HASFIELD") return Variant(D->HasField(Str(Caller, 0)));
    else if (N == "ISBLOBFIELD") return Variant(D->IsBlobField(Str(Caller, 0)));
    else if (N == "GETFIELDLIST") {
      if (auto* L = dynamic_cast<rt::TStrings*>(Obj(Caller->GetVParam(0)))) D->GetFieldList(*L);
    } else if (N == "DISPLAYTEXT.GET") return Variant(D->GetDisplayText(Str(Caller, 0)));
    else if (N == "DISPLAYWIDTH.GET") return Variant(D->GetDisplayWidth(Str(Caller, 0)));
    else if (N == "FIELDTYPE.GET") return Variant(static_cast<int>(D->GetFieldType(Str(Caller, 0))));
    else if (N == "VALUE.GET") return D->GetValue(Str(Caller, 0));
    return Variant(0);
  }
  if (ClassType == TrepStretcheable::ClassInfo() && N == "CALCHEIGHT") {
    if (auto* V = dynamic_cast<TrepStretcheable*>(Instance)) return Variant(V->CalcHeight());
  }
  if (ClassType == TrepCustomMemoView::ClassInfo() && N == "CALCWIDTH") {
    if (auto* V = dynamic_cast<TrepCustomMemoView*>(Instance)) return Variant(V->CalcWidth());
  }
  if (ClassType == TrepPictureView::ClassInfo() && N == "LOADFROMFILE") {
    if (auto* V = dynamic_cast<TrepPictureView*>(Instance)) V->Picture().LoadFromFile(Str(Caller, 0));
  }
  if (ClassType == TrepDialogControl::ClassInfo() && N == "SETFOCUS") {
    if (auto* D = dynamic_cast<TrepDialogControl*>(Instance))
      if (auto* W = dynamic_cast<rt::TWinControl*>(D->Control())) W->SetFocus();
  }
  if (ClassType == TrepDialogPage::ClassInfo() && N == "SHOWMODAL") {
    if (auto* D = dynamic_cast<TrepDialogPage*>(Instance)) return Variant(D->ShowModal());
  }
  if ((ClassType == TrepBand::ClassInfo() || ClassType == TrepReportPage::ClassInfo()) && N == "ALIGNCHILDREN") {
    if (auto* C = dynamic_cast<TrepComponent*>(Instance)) C->AlignChildren(true, {});
  }
  if (ClassType == TrepReport::ClassInfo()) {
    auto* R = dynamic_cast<TrepReport*>(Instance);
    if (R == nullptr) return Variant(0);
    if (N == "CALC") return R->CalcFromScript(Str(Caller, 0));
    if (N == "GETDATASET") return rt::VarFromObject(R->GetDataset(Str(Caller, 0)));
    if (N == "LOADFROMFILE") return Variant(R->LoadFromFile(Str(Caller, 0)));
    if (N == "SAVETOFILE") R->SaveToFile(Str(Caller, 0));
  }
  return Variant(0);
}

Variant TFunctions::GetReportProperty(rt::TObject* Instance, rt::TClass ClassType, const std::string& N) {
  if (ClassType == TrepComponent::ClassInfo()) {
    auto* C = dynamic_cast<TrepComponent*>(Instance);
    if (C == nullptr) return Variant(0);
    if (N == "PARENT") return rt::VarFromObject(C->Parent());
    if (N == "PAGE") return rt::VarFromObject(C->Page());
    if (N == "ABSLEFT") return Variant(C->AbsLeft());
    if (N == "ABSTOP") return Variant(C->AbsTop());
    // Objects and AllObjects are lists of the engine's; scripts get no list object here yet.
    return Variant(0);
  }
  if (ClassType == TrepDataSet::ClassInfo() && N == "RECNO") {
    if (auto* D = dynamic_cast<TrepDataSet*>(Instance)) return Variant(D->RecNo());
  }
  if (ClassType == TrepView::ClassInfo() && N == "TAGSTR") {
    if (auto* V = dynamic_cast<TrepView*>(Instance)) return Variant(V->TagStr);
  }
  if (ClassType == TrepCustomMemoView::ClassInfo()) {
    auto* M = dynamic_cast<TrepCustomMemoView*>(Instance);
    if (M == nullptr) return Variant(0);
    if (N == "TEXT") return Variant(M->Text());
    if (N == "ANSITEXT") return Variant(rt::Utf16ToAnsi(M->Text()));
    if (N == "VALUE") return M->Value;
  }
  if (ClassType == TrepBand::ClassInfo() && N == "OVERFLOW") {
    if (auto* B = dynamic_cast<TrepBand*>(Instance)) return Variant(B->Overflow);
  }
  if (ClassType == TrepDialogPage::ClassInfo() && N == "MODALRESULT") {
    if (auto* D = dynamic_cast<TrepDialogPage*>(Instance)) return Variant(D->ModalResult());
  }
  if (ClassType == TrepReport::ClassInfo() && N == "TERMINATED") {
    if (auto* R = dynamic_cast<TrepReport*>(Instance)) return Variant(R->Terminated());
  }
  if (ClassType == TrepEngineOptions::ClassInfo() && N == "DESTROYFORMS") {
    if (auto* E = dynamic_cast<TrepEngineOptions*>(Instance)) return Variant(E->DestroyForms);
  }
  return Variant(0);
}

void TFunctions::SetReportProperty(rt::TObject* Instance, rt::TClass ClassType, const std::string& N,
                                   const Variant& Value) {
  if (ClassType == TrepComponent::ClassInfo() && N == "PARENT") {
    if (auto* C = dynamic_cast<TrepComponent*>(Instance)) C->SetParent(dynamic_cast<TrepComponent*>(Obj(Value)));
  } else if (ClassType == TrepView::ClassInfo() && N == "TAGSTR") {
    if (auto* V = dynamic_cast<TrepView*>(Instance)) V->TagStr = rt::VarToStr(Value);
  } else if (ClassType == TrepCustomMemoView::ClassInfo() && (N == "TEXT" || N == "ANSITEXT")) {
    if (auto* M = dynamic_cast<TrepCustomMemoView*>(Instance)) M->SetText(Value.ToUString());
  } else if (ClassType == TrepDialogPage::ClassInfo() && N == "MODALRESULT") {
    if (auto* D = dynamic_cast<TrepDialogPage*>(Instance)) D->SetModalResult(Value.ToInteger());
  } else if (ClassType == TrepReport::ClassInfo() && N == "TERMINATED") {
    if (auto* R = dynamic_cast<TrepReport*>(Instance)) R->SetTerminated(Value.ToBoolean());
  } else if (ClassType == TrepEngineOptions::ClassInfo() && N == "DESTROYFORMS") {
    if (auto* E = dynamic_cast<TrepEngineOptions*>(Instance)) E->DestroyForms = Value.ToBoolean();
  }
}

} // namespace repClassRTTI

namespace repChBoxRTTI {

TFunctions::TFunctions(TscScript* S) : TscRTTIModule(S) {
  S->AddEnum("TrepCheckStyle", "csCross, csCheck, csLineCross, csPlus");
  S->AddEnum("TrepUncheckStyle", "usEmpty, usCross, usLineCross, usMinus");
  S->AddClass(TrepCheckBoxView::ClassInfo(), "TrepView");
}

} // namespace repChBoxRTTI

namespace {

template <class T>
void AddModule() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (L != nullptr && std::find(L->begin(), L->end(), &scModuleClass<T>) == L->end()) L->push_back(&scModuleClass<T>);
}

template <class T>
void RemoveModule() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (L != nullptr) L->erase(std::remove(L->begin(), L->end(), &scModuleClass<T>), L->end());
}

} // namespace

void repClassRTTIInitialization() { AddModule<repClassRTTI::TFunctions>(); }
void repClassRTTIFinalization() { RemoveModule<repClassRTTI::TFunctions>(); }
void repChBoxRTTIInitialization() { AddModule<repChBoxRTTI::TFunctions>(); }
void repChBoxRTTIFinalization() { RemoveModule<repChBoxRTTI::TFunctions>(); }
