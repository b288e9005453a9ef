#pragma once
// Script bindings of the report classes: the classes of the object tree with their published
// properties, the memo's text and value, the report's Calc, and the tree's lookups.
#include <string>

#include "report/script/sc_iinterpreter.h"

namespace repClassRTTI {

class TFunctions : public TscRTTIModule {
public:
  explicit TFunctions(TscScript* AScript);
  static rt::Variant CallReportMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                                      TscMethodHelper* Caller);
  static rt::Variant GetReportProperty(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName);
  static void SetReportProperty(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName,
                                const rt::Variant& Value);
};

} // namespace repClassRTTI

// Appends the module to the binding-module list (once). After the runtime class bindings.
void repClassRTTIInitialization();
void repClassRTTIFinalization();
