#pragma once
// Script bindings of the common dialogs. The server has nobody to answer a dialog: every dialog
// counts as cancelled (Execute False, MessageDlg mrCancel, InputBox its default, InputQuery
// False with the value unchanged); MessageDlg's text goes to the server's log.
#include <string>

#include "platform/rt/Components.h"
#include "report/script/sc_iinterpreter.h"

class TscDialogsRTTI : public rt::TComponent {
public:
  using rt::TComponent::TComponent;
};

// The dialog components scripts can make; they have no options of their own here.
class TCommonDialog : public rt::TComponent {
public:
  RT_CLASS_INFO(TCommonDialog)
  using rt::TComponent::TComponent;
  // False: nobody can confirm a dialog on the server.
  bool Execute() { return false; }
};

#define SC_DIALOG_CLASS(Name)                  \
  class Name : public TCommonDialog {          \
  public:                                      \
    RT_CLASS_INFO(Name)                        \
    using TCommonDialog::TCommonDialog;        \
  };
SC_DIALOG_CLASS(TOpenDialog)
SC_DIALOG_CLASS(TSaveDialog)
SC_DIALOG_CLASS(TColorDialog)
SC_DIALOG_CLASS(TFontDialog)
SC_DIALOG_CLASS(TPrintDialog)
SC_DIALOG_CLASS(TPrinterSetupDialog)
#undef SC_DIALOG_CLASS

namespace sc_idialogsrtti {

class TFunctions : public TscRTTIModule {
public:
  explicit TFunctions(TscScript* AScript);

  static rt::Variant CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                                TscMethodHelper* Caller);
};

} // namespace sc_idialogsrtti

// Appends the module to the binding-module list (once); after the base classes' module.
void sc_idialogsrttiInitialization();
void sc_idialogsrttiFinalization();
