#pragma once
// Arguments and results of the binding modules' handlers: objects travel as the script's object
// values, and a wrong object is a script error, never a crash.
#include <string>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Variants.h"
#include "report/script/sc_iinterpreter.h"

namespace scrtti {

// An object argument; small numbers (nil, stray integers) are never taken for addresses.
inline rt::TObject* Obj(const rt::Variant& V) {
  if (V.IsNull() || V.IsEmpty()) return nullptr;
  const long long A = V.ToInt64();
  if (A >= 0 && A < 65536) return nullptr;
  return rt::VarToObject(V);
}

inline rt::Variant ObjVar(const rt::TObject* O) { return O ? rt::VarFromObject(O) : rt::Variant(0); }

template <class T>
T* As(rt::TObject* O, const char* ClassName) {
  T* R = dynamic_cast<T*>(O);
  if (!R) throw rt::EInvalidPointer(std::string("Invalid ") + ClassName + " object");
  return R;
}

inline int IntArg(TscMethodHelper* C, int I) { return C->GetVParam(I).ToInteger(); }

} // namespace scrtti
