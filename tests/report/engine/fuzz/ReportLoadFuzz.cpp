// A report file from anywhere: TrepReport::LoadFromStream on arbitrary bytes, plain or zlib
// compressed (the compressor is installed, so bombs meet its cap). Problems with single objects
// and refused files go to the report's errors, which the silent mode keeps there. A parent
// report the input names is the input itself, so every inheriting input is also a cycle.
#include <cstddef>
#include <cstdint>
#include <string>

#include "report/engine/repClass.h"
#include "report/engine/repReportStorage.h"
#include "report/engine/repRes.h"
#include "report/engine/repXML.h"
#include "tests/report/EngineSetup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Started = [] {
    enginesetup::StartEngine();
    DefaultCompressorClass = [] { return std::make_unique<TrepZLibCompressor>(nullptr); };
    return true;
  }();
  (void)Started;
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  const std::string Input(reinterpret_cast<const char*>(Data), Size);
  R.OnLoadTemplate = [&Input](TrepReport* Report, const std::string&) {
    rt::TStringStream Parent(Input);
    Report->LoadFromStream(Parent);
  };
  rt::TStringStream In(Input);
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
