// A template from anywhere laid out: TrepReport::LoadFromStream on arbitrary bytes, then
// PrepareReport and every prepared page rebuilt. The engine's limits (pages per pass, split
// steps that place nothing, records per band) must end every run; errors stay in the report.
#include <cstddef>
#include <cstdint>
#include <string>

#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Started = [] {
    enginesetup::StartEngine();
    enginesetup::AddScriptModules();
    return true;
  }();
  (void)Started;
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  R.EngineOptions.EnableThreadSafe = true;
  rt::TStringStream In(std::string(reinterpret_cast<const char*>(Data), Size));
  try {
    R.LoadFromStream(In);
  } catch (const rt::Exception&) {
    return 0;
  }
  // Run-time options are the caller's: a file cannot make the run restore itself from disk.
  R.EngineOptions.DestroyForms = false;
  R.EngineOptions.SilentMode = simSilent;
  R.PrepareReport();
  TrepCustomPreviewPages* P = R.PreviewPages();
  for (int I = 0; I < P->Count() && I < 50; ++I) P->GetPage(I);
  return 0;
}
