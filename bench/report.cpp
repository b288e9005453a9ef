// The sizing report: the server's work from the Report click to the PDF bytes (fill from the
// stored template, prepare, export into the temporary file, and the bytes the browser fetches
// once). Target: under 20 ms at the median. Counter: the PDF's size.
#include <benchmark/benchmark.h>

#include "bench/SizingSession.h"
#include "platform/web/Cache.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repRes.h"
#include "report/engine/repStartup.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"

namespace {

void InitOnce() {
  static const bool Done = [] {
    ServerControllerInitialization();
    GlobeunitInitialization();
    enginesetup::StartReportRoad();
    return true;
  }();
  (void)Done;
}

// The address in the report window's script.
std::string WindowAddress(const std::vector<std::string>& Procs) {
  for (const std::string& P : Procs) {
    const auto At = P.find(web::TIWAppCache::UrlPrefix);
    if (P.rfind("NewWindow(", 0) == 0 && At != std::string::npos)
      return P.substr(At + std::string(web::TIWAppCache::UrlPrefix).size(), 64);
  }
  return {};
}

void BM_ReportToPdfBytes(benchmark::State& state) {
  InitOnce();
  // Calculated, with a customer and a tag for the report's heading.
  TSizingSession s({{"CustEditBox", "Acme"}, {"TagEdit", "FV-101"}}, true);
  std::size_t bytes = 0;
  for (auto _ : state) {
    s.f->Report1Click(nullptr);
    const std::string id = WindowAddress(s.f->TakeInitProcs());
    auto entry = web::TIWAppCache::Take(id);
    if (!entry) {
      const auto m = s.app.TakeMessages();
      state.SkipWithError(m.empty() ? "no report window" : m.front().c_str());
      break;
    }
    bytes = entry->Bytes.size();
    benchmark::DoNotOptimize(entry->Bytes.data());
  }
  state.counters["pdf_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ReportToPdfBytes)->Unit(benchmark::kMillisecond);

}  // namespace
