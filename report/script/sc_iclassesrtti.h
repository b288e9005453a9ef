#pragma once
// Script bindings of the runtime's base classes: objects, lists, string lists, streams,
// collections and components, with the file-mode and seek constants.
#include <string>

#include "platform/rt/Components.h"
#include "report/script/sc_iinterpreter.h"

class TscClassesRTTI : public rt::TComponent {
public:
  using rt::TComponent::TComponent;
};

namespace sc_iclassesrtti {

class TFunctions : public TscRTTIModule {
public:
  explicit TFunctions(TscScript* AScript);

  static rt::Variant CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                                TscMethodHelper* Caller);
  static rt::Variant GetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName);
  static void SetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName,
                      const rt::Variant& Value);
};

} // namespace sc_iclassesrtti

// Appends the module to the binding-module list (once), after the built-in library.
void sc_iclassesrttiInitialization();
void sc_iclassesrttiFinalization();
