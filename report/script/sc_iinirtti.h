#pragma once
// Script bindings of INI files: TCustomIniFile, TMemIniFile and TIniFile.
#include <string>

#include "platform/rt/Components.h"
#include "report/script/sc_iinterpreter.h"

class TscIniRTTI : public rt::TComponent {
public:
  using rt::TComponent::TComponent;
};

namespace sc_iinirtti {

class TFunctions : public TscRTTIModule {
public:
  explicit TFunctions(TscScript* AScript);

  static rt::Variant CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                                TscMethodHelper* Caller);
  static rt::Variant GetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName);
};

} // namespace sc_iinirtti

// Appends the module to the binding-module list (once); after the base classes' module.
void sc_iinirttiInitialization();
void sc_iinirttiFinalization();
