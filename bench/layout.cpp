// Preparing a 200-page master-data report: 9,000 rows of 5 memos bound to dataset fields, 45
// rows a page, laid out by the engine into the prepared-pages store (target: under 200 ms).
#include <benchmark/benchmark.h>

#include <string>

#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"

namespace {

constexpr int Pages = 200, RowsPerPage = 45, Memos = 5;

struct Report {
  TrepReport R{nullptr};
  TrepMemoryDataSet Data{nullptr};
  Report() {
    static const bool Started = [] {
      enginesetup::StartEngine();
      enginesetup::AddScriptModules();
      return true;
    }();
    (void)Started;
    R.EngineOptions.SilentMode = simSilent;
    R.EngineOptions.DestroyForms = false;
    R.EngineOptions.EnableThreadSafe = true;
    Data.SetUserName("Rows");
    for (int M = 0; M < Memos; ++M) Data.Fields.Add("F" + std::to_string(M + 1));
    for (int Row = 0; Row < Pages * RowsPerPage; ++Row) {
      std::vector<rt::Variant> V;
      for (int M = 0; M < Memos; ++M) V.emplace_back("Row " + std::to_string(Row) + " value " + std::to_string(M));
      Data.AppendRow(V);
    }
    auto* Page = new TrepReportPage(&R);
    Page->SetName("Page1");
    Page->SetSizeAndDimensions(9, 210, 297);
    Page->LeftMargin = Page->RightMargin = Page->TopMargin = Page->BottomMargin = 10;
    auto* Band = new TrepMasterData(Page);
    Band->SetName("MasterData1");
    Band->SetBounds(0, 0, 700, 23);  // 1046.93 / 23: 45 rows a page
    Band->SetDataSet(&Data);
    for (int M = 0; M < Memos; ++M) {
      auto* V = new TrepMemoView(Band);
      V->SetName("Memo" + std::to_string(M + 1));
      V->SetBounds(M * 130, 2, 120, 18);
      V->SetDataSet(&Data);
      V->DataField = "F" + std::to_string(M + 1);
    }
  }
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
