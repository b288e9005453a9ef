#pragma once
// Script vocabulary of forms and controls: modal results, cursors, border styles, key codes,
// alignments and the control enumerations and sets. The server has no forms or controls, so no
// control classes and no Application object are offered.
#include <string>

#include "platform/rt/Components.h"
#include "report/script/sc_iinterpreter.h"

class TscFormsRTTI : public rt::TComponent {
public:
  using rt::TComponent::TComponent;
};

namespace sc_iformsrtti {

class TFunctions : public TscRTTIModule {
public:
  explicit TFunctions(TscScript* AScript);
};

} // namespace sc_iformsrtti

// Appends the module to the binding-module list (once); after the graphics module.
void sc_iformsrttiInitialization();
void sc_iformsrttiFinalization();
