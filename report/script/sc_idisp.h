#pragma once
// Late-bound calls: a member step after a Variant that holds an automation object (an
// rt::IDispatch, platform/rt/ComObj.h) calls the member by name at run time.
#include <string>

#include "report/script/sc_iinterpreter.h"

// One member step on an automation object: named after the member, its parameters are the
// call's arguments (Variant parameters, in order). The designator sets ParentValue to the
// object before every access.
class TscOLEHelper : public TscCustomHelper {
public:
  explicit TscOLEHelper(const std::string& AName);
  // Appends one more argument (a Variant parameter).
  void AddParam();
  // Calls the member (a method call or a property read); the result is Null when NeedResult is
  // off.
  rt::Variant GetValue() override;
  // Assigns the property: the arguments, then Value; by reference when Value is itself an
  // automation object.
  void SetValue(const rt::Variant& Value) override;

  // The most arguments one call takes.
  static constexpr int MaxArgs = 64;

private:
  rt::Variant DispatchInvoke(bool IsPut, const rt::Variant* Value);
};
