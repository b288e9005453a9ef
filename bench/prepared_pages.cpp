// Prepared pages of a 200-page master-data report (45 bands a page, 5 memos a band): storing
// them as the layout engine does, handing them to an export filter (every page rebuilt), and
// saving them. Storing is the store's share of the 200 ms the whole preparation may take.
#include <benchmark/benchmark.h>

#include <string>

#include "report/engine/repClass.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "tests/report/EngineSetup.h"

namespace {

constexpr int Pages = 200, Rows = 45, Memos = 5;

struct Report {
  TrepReport R{nullptr};
  TrepReportPage* Page;
  TrepNullBand* Band;
  Report() {
    enginesetup::StartEngine();
    Page = new TrepReportPage(&R);
    Page->SetName("Page1");
    Band = new TrepNullBand(Page);
    Band->SetName("MasterData1");
    Band->SetBounds(0, 0, 700, 20);
    for (int M = 0; M < Memos; ++M) {
      auto* V = new TrepCustomMemoView(Band);
      V->SetName("Memo" + std::to_string(M + 1));
      V->SetBounds(M * 130, 2, 120, 16);
    }
  }
  TrepPreviewPages& Store() { return *static_cast<TrepPreviewPages*>(R.PreviewPages()); }
  void Fill() {
    TrepPreviewPages& P = Store();
    P.Clear();
    P.Initialize();
    P.AddPageAction = apAdd;
    P.AddSourcePage(Page);
    P.BeginPass();
    for (int I = 0; I < Pages; ++I) {
      P.AddPage(Page);
      for (int Row = 0; Row < Rows; ++Row) {
        Band->SetTop(Row * 20);
        Band->Objects()[Row % Memos]->SetWidth(100 + Row);
        P.AddObject(Band);
      }
    }
    P.Finish();
  }
};

struct Counting : TrepCustomExportFilter {
  Counting() : TrepCustomExportFilter(NoRegister{}) {
    ShowDialog = false;
    ShowProgress = false;
  }
  void ExportObject(TrepComponent*) override { ++Objects; }
  long long Objects = 0;
};

void BM_Store200Pages(benchmark::State& State) {
  Report R;
  for (auto _ : State) R.Fill();
  State.counters["pages"] = R.Store().GetCount();
}

void BM_Export200Pages(benchmark::State& State) {
  Report R;
  R.Fill();
  long long Objects = 0;
  for (auto _ : State) {
    Counting F;
    R.R.Export(&F);
    Objects = F.Objects;
  }
  State.counters["objects"] = static_cast<double>(Objects);
}

void BM_Save200Pages(benchmark::State& State) {
  Report R;
  R.Fill();
  std::size_t Bytes = 0;
  for (auto _ : State) {
    rt::TStringStream S;
    R.Store().SaveToStream(S);
    Bytes = S.DataString().size();
  }
  State.counters["bytes"] = static_cast<double>(Bytes);
}

}  // namespace

BENCHMARK(BM_Store200Pages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export200Pages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save200Pages)->Unit(benchmark::kMillisecond);
