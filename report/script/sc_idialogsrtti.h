#pragma once
// Script bindings of the common dialogs (platform/rt/Dialogs.h, the font dialog of the graphics
// layer). A dialog shows through the presenter of the script's thread; with none (nobody can
// answer) every dialog counts as cancelled: Execute False, MessageDlg mrCancel (its text goes to
// the server's log), InputBox its default, InputQuery False with the value unchanged.
#include <string>

#include "platform/rt/Components.h"
#include "report/script/sc_iinterpreter.h"

class TscDialogsRTTI : public rt::TComponent {
public:
  using rt::TComponent::TComponent;
};

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
