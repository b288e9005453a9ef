#pragma once
// Script bindings of the graphics classes: the named colours, the font, pen and brush
// enumerations, and TFont. The server draws no bitmaps, pictures or metafiles, so those
// classes are not offered.
#include <string>

#include "platform/rt/Components.h"
#include "report/script/sc_iinterpreter.h"

class TscGraphicsRTTI : public rt::TComponent {
public:
  using rt::TComponent::TComponent;
};

namespace sc_igraphicsrtti {

class TFunctions : public TscRTTIModule {
public:
  explicit TFunctions(TscScript* AScript);

  static rt::Variant CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                                TscMethodHelper* Caller);
};

} // namespace sc_igraphicsrtti

// Appends the module to the binding-module list (once); after the base classes' module.
void sc_igraphicsrttiInitialization();
void sc_igraphicsrttiFinalization();
