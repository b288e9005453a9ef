// Preparing a 200-page master-data report: 9,000 rows of 5 memos bound to dataset fields, 45
// rows a page, laid out by the engine into the prepared-pages store (target: under 200 ms).
#include <benchmark/benchmark.h>

#include "bench/MasterDataReport.h"
#include "report/engine/repPreviewPages.h"

namespace {

using masterdata::Pages;

// 1046.93 px of page height / 23: 45 rows a page.
struct Report : masterdata::TReport {
  Report() : masterdata::TReport(23) {}
};

void BM_PrepareMasterData(benchmark::State& State) {
  Report Rep;
  for (auto _ : State) {
    if (!Rep.R.PrepareReport()) State.SkipWithError(Rep.R.Errors().Text().c_str());
    if (Rep.R.PreviewPages()->Count() != Pages) State.SkipWithError("wrong page count");
  }
}
BENCHMARK(BM_PrepareMasterData)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace
