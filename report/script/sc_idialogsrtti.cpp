#include "report/script/sc_idialogsrtti.h"

#include <algorithm>

#include "platform/gfx/FontDialog.h"
#include "platform/rt/Dialogs.h"
#include "platform/rt/TypInfo.h"
#include "report/script/sc_isets.h"

using rt::Variant;

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

  if (TscClassVariable* C = S->AddClass(rt::TCommonDialog::ClassInfo(), "TComponent"))
    C->AddMethod("function Execute: Boolean", M);
  for (rt::TClass K : {rt::TOpenDialog::ClassInfo(), rt::TSaveDialog::ClassInfo(), rt::TColorDialog::ClassInfo(),
                       gfx::TFontDialog::ClassInfo(), rt::TPrintDialog::ClassInfo(), rt::TPrinterSetupDialog::ClassInfo()})
    S->AddClass(K, "TCommonDialog");

  S->AddMethod("function MessageDlg(Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; HelpCtx: Longint): Integer",
               M, "ctOther");
  S->AddMethod("function InputBox(ACaption, APrompt, ADefault: string): string", M, "ctOther");
  S->AddMethod("function InputQuery(ACaption, APrompt: string; var Value: string): Boolean", M, "ctOther");
}

Variant TFunctions::CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                               TscMethodHelper* Caller) {
  const std::string& N = MethodName;
  if (ClassType == rt::TCommonDialog::ClassInfo()) {
    if (N == "EXECUTE") {
      auto* D = dynamic_cast<rt::TCommonDialog*>(Instance);
      if (!D) throw rt::EInvalidPointer("Invalid TCommonDialog object");
      return Variant(D->Execute());
    }
  } else if (!ClassType) {
    // What the user types comes back as typed: a text, never evaluated.
    if (N == "MESSAGEDLG")
      return Variant(rt::MessageDlg(rt::VarToStr(Caller->GetVParam(0)),
                                    static_cast<rt::TMsgDlgType>(Caller->GetVParam(1).ToInteger()),
                                    static_cast<rt::TMsgDlgButtons>(scSetBits(Caller->GetVParam(2)))));
    if (N == "INPUTBOX")
      return Variant(rt::InputBox(rt::VarToStr(Caller->GetVParam(0)), rt::VarToStr(Caller->GetVParam(1)),
                                  rt::VarToStr(Caller->GetVParam(2))));
    if (N == "INPUTQUERY") {
      std::string Value = rt::VarToStr(Caller->GetVParam(2));
      const bool Ok = rt::InputQuery(rt::VarToStr(Caller->GetVParam(0)), rt::VarToStr(Caller->GetVParam(1)), Value);
      Caller->SetVParam(2, Variant(Value));
      return Variant(Ok);
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
