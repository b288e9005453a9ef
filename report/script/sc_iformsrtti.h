#pragma once
// Script bindings of forms and controls: modal results, cursors, border styles, key codes,
// alignments, the control enumerations and sets, the 22 control and form classes of the
// runtime (platform/rt/Controls.h) with their members and events, and the Application object.
// A script's ShowModal shows through the presenter its thread has (the browser, in the viewer).
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

  static rt::Variant CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                                TscMethodHelper* Caller);
  static rt::Variant GetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName);
  static void SetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName,
                      const rt::Variant& Value);
};

} // namespace sc_iformsrtti

// Appends the module to the binding-module list (once); after the graphics module.
void sc_iformsrttiInitialization();
void sc_iformsrttiFinalization();
