// A report file from anywhere: TrepReport::LoadFromStream on arbitrary bytes. Problems with
// single objects go to the report's errors; a file that is no report raises.
#include <cstddef>
#include <cstdint>
#include <string>

#include "report/engine/repClass.h"
#include "report/engine/repRes.h"
#include "report/engine/repXML.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Started = [] {
    repInitEngineResources();
    repClassInitialization();
    return true;
  }();
  (void)Started;
  TrepReport R(nullptr);
  rt::TStringStream In(std::string(reinterpret_cast<const char*>(Data), Size));
  try {
    R.LoadFromStream(In);
  } catch (const rt::Exception&) {
    // TrepInvalidXMLException and the like: the file is refused as a whole.
  }
  // Whatever was read can be written again.
  rt::TStringStream Out;
  R.SaveToStream(Out);
  return 0;
}
