// Report expressions: a cached memo expression evaluated 100,000 times (target: under 100 ms),
// and the empty report script compiled with 350 objects registered (target: under 1 ms).
#include <benchmark/benchmark.h>

#include <string>

#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repExpression.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"

namespace {

void Start() {
  static const bool Started = [] {
    enginesetup::StartResources();
    enginesetup::AddScriptModules();
    return true;
  }();
  (void)Started;
}

void BM_CachedMemoExpression100000(benchmark::State& State) {
  Start();
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  auto* Page = new TrepReportPage(&R);
  auto* Memo = new TrepMemoView(Page);
  Memo->SetName("Memo1");
  R.ScriptText().SetText("var Price, Qty: Variant;\nbegin\n  Price := 2.5;\n  Qty := 4;\nend.");
  if (!R.PrepareScript()) State.SkipWithError("script does not compile");
  R.Script()->Execute();
  R.Calc("Price * Qty");  // compiled once, as the first print of a run does
  for (auto _ : State)
    for (int I = 0; I < 100000; ++I) benchmark::DoNotOptimize(R.Calc("Price * Qty"));
  State.counters["cached"] = R.ExpressionCache().Count();
}

void BM_CompileEmptyScriptWith350Objects(benchmark::State& State) {
  Start();
  TrepReport R(nullptr);
  auto* Page = new TrepReportPage(&R);
  Page->SetName("Page1");
  auto* Band = new TrepBand(Page);
  Band->SetName("MasterData1");
  for (int I = 0; I < 348; ++I) {
    auto* Memo = new TrepMemoView(Band);
    Memo->SetName("Memo" + std::to_string(I + 1));
  }
  for (auto _ : State)
    if (!R.PrepareScript()) State.SkipWithError("script does not compile");
  State.counters["objects"] = static_cast<double>(R.AllObjects().size());
}

}  // namespace

BENCHMARK(BM_CachedMemoExpression100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompileEmptyScriptWith350Objects)->Unit(benchmark::kMicrosecond);
