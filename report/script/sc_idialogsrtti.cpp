#include "report/script/sc_idialogsrtti.h"

#include <algorithm>
#include <iostream>

#include "platform/rt/TypInfo.h"

using rt::Variant;

rt::TClass TCommonDialog::ClassInfo() {
  static const rt::TClassInfo Info("TCommonDialog", rt::TComponent::ClassInfo(),
                                   [] { return new TCommonDialog(nullptr); });
  return &Info;
}

#define SC_DIALOG_INFO(Name)                                                                          \
  rt::TClass Name::ClassInfo() {                                                                      \
    static const rt::TClassInfo Info(#Name, TCommonDialog::ClassInfo(), [] { return new Name(nullptr); }); \
    return &Info;                                                                                     \
  }
SC_DIALOG_INFO(TOpenDialog)
SC_DIALOG_INFO(TSaveDialog)
SC_DIALOG_INFO(TColorDialog)
SC_DIALOG_INFO(TFontDialog)
SC_DIALOG_INFO(TPrintDialog)
SC_DIALOG_INFO(TPrinterSetupDialog)
#undef SC_DIALOG_INFO

namespace sc_idialogsrtti {

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
  TscScript* S = AScript;
  const TscCallMethodNewEvent M = &CallMethod;
  S->AddEnumSet("TOpenOptions",
                "ofReadOnly, ofOverwritePrompt, ofHideReadOnly,ofNoChangeDir, ofShowHelp, ofNoValidate, "
                "ofAllowMultiSelect,ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,"
                "ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton,ofNoLongNames, "
                "ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify,ofEnableSizing");
  S->AddEnum("TFileEditStyle", "fsEdit, fsComboBox");
  S->AddEnumSet("TColorDialogOptions", "cdFullOpen, cdPreventFullOpen, cdShowHelp,cdSolidColor, cdAnyColor");
  S->AddEnumSet("TFontDialogOptions",
                "fdAnsiOnly, fdTrueTypeOnly, fdEffects,fdFixedPitchOnly, fdForceFontExist, fdNoFaceSel, "
                "fdNoOEMFonts,fdNoSimulations, fdNoSizeSel, fdNoStyleSel,  fdNoVectorFonts,fdShowHelp, fdWysiwyg, "
                "fdLimitSize, fdScalableOnly, fdApplyButton");
  S->AddEnum("TFontDialogDevice", "fdScreen, fdPrinter, fdBoth");
  S->AddEnum("TPrintRange", "prAllPages, prSelection, prPageNums");
  S->AddEnumSet("TPrintDialogOptions",
                "poPrintToFile, poPageNums, poSelection,poWarning, poHelp, poDisablePrintToFile");
  S->AddEnum("TMsgDlgType", "mtWarning, mtError, mtInformation, mtConfirmation, mtCustom");
  S->AddEnumSet("TMsgDlgButtons",
                "mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp");

  if (TscClassVariable* C = S->AddClass(TCommonDialog::ClassInfo(), "TComponent"))
    C->AddMethod("function Execute: Boolean", M);
  for (rt::TClass K : {TOpenDialog::ClassInfo(), TSaveDialog::ClassInfo(), TColorDialog::ClassInfo(),
                       TFontDialog::ClassInfo(), TPrintDialog::ClassInfo(), TPrinterSetupDialog::ClassInfo()})
    S->AddClass(K, "TCommonDialog");

  S->AddMethod("function MessageDlg(Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; HelpCtx: Longint): Integer",
               M, "ctOther");
  S->AddMethod("function InputBox(ACaption, APrompt, ADefault: string): string", M, "ctOther");
  S->AddMethod("function InputQuery(ACaption, APrompt: string; var Value: string): Boolean", M, "ctOther");
}

Variant TFunctions::CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                               TscMethodHelper* Caller) {
  const std::string& N = MethodName;
  if (ClassType == TCommonDialog::ClassInfo()) {
    if (N == "EXECUTE") {
      auto* D = dynamic_cast<TCommonDialog*>(Instance);
      if (!D) throw rt::EInvalidPointer("Invalid TCommonDialog object");
      return Variant(D->Execute());
    }
  } else if (!ClassType) {
    if (N == "MESSAGEDLG") {
      std::cerr << "Script dialog: " << rt::VarToStr(Caller->GetVParam(0)) << std::endl;
      return Variant(2);  // mrCancel
    }
    if (N == "INPUTBOX") return Variant(rt::VarToStr(Caller->GetVParam(2)));
    if (N == "INPUTQUERY") {
      Caller->SetVParam(2, Variant(rt::VarToStr(Caller->GetVParam(2))));
      return Variant(false);
    }
  }
  return Variant(0);
}

} // namespace sc_idialogsrtti

void sc_idialogsrttiInitialization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  if (std::find(L->begin(), L->end(), &scModuleClass<sc_idialogsrtti::TFunctions>) == L->end())
    L->push_back(&scModuleClass<sc_idialogsrtti::TFunctions>);
}

void sc_idialogsrttiFinalization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  L->erase(std::remove(L->begin(), L->end(), &scModuleClass<sc_idialogsrtti::TFunctions>), L->end());
}
