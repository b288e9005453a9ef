#pragma once
// What report scripts see of the report library: its constants, enumerations, classes with their
// methods and properties, and the global date, IIF and aggregate functions. Two binding modules:
// the report classes (repClassRTTI) and the check box (repChBoxRTTI).
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

namespace repChBoxRTTI {

class TFunctions : public TscRTTIModule {
public:
  explicit TFunctions(TscScript* AScript);
};

} // namespace repChBoxRTTI

// Append the modules to the binding-module list (once), after the runtime's class modules.
void repClassRTTIInitialization();
void repClassRTTIFinalization();
void repChBoxRTTIInitialization();
void repChBoxRTTIFinalization();
