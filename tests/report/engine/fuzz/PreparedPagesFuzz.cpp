// A prepared-report file from anywhere: TrepPreviewPages::LoadFromStream on arbitrary bytes,
// read whole and again partially (pages read when asked for), compressed or not; then every page
// rebuilt, exported to a filter that only looks, and the store written again. Elements that do
// not fit go to the report's errors; bytes that are no prepared report raise.
#include <cstddef>
#include <cstdint>
#include <string>

#include "report/engine/repClass.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repReportStorage.h"
#include "report/engine/repRes.h"
#include "report/engine/repXML.h"
#include "tests/report/EngineSetup.h"

namespace {

struct Looking : TrepCustomExportFilter {
  Looking() : TrepCustomExportFilter(NoRegister{}) {
    ShowDialog = false;
    ShowProgress = false;
  }
  void ExportObject(TrepComponent* Obj) override { Seen += Obj->Objects().Count() + 1; }
  long long Seen = 0;
};

} // namespace

namespace {

void Exercise(const uint8_t* Data, size_t Size, bool Partial) {
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  auto& Pages = *static_cast<TrepPreviewPages*>(R.PreviewPages());
  // A partial load reads pages from this stream later: it lives as long as the store.
  rt::TStringStream In(std::string(reinterpret_cast<const char*>(Data), Size));
  try {
    Pages.LoadFromStream(In, Partial);
  } catch (const TrepInvalidXMLException&) {
    return;
  }
  for (int I = 0; I < Pages.GetCount(); ++I) {
    Pages.GetPage(I);
    Pages.GetPageSize(I);
  }
  Looking F;
  R.Export(&F);
  rt::TStringStream Out;
  Pages.SaveToStream(Out);
  Pages.Clear();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Started = [] {
    enginesetup::StartEngine();
    DefaultCompressorClass = [] { return std::make_unique<TrepZLibCompressor>(nullptr); };
    return true;
  }();
  (void)Started;
  Exercise(Data, Size, false);
  Exercise(Data, Size, true);
  return 0;
}
