// Loading a saved 200-page prepared report (45 bands a page, 5 memos a band) whole and with
// partial loading, and exporting it after a partial load. The "heap" counters are the bytes the
// loaded store holds on the heap: a partial load keeps only the pages' start tags, the source
// pages and the dictionary, and an export of it holds one page at a time.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "tests/report/EngineSetup.h"

namespace {

constexpr int Pages = 200, Rows = 45, Memos = 5;

// The saved bytes of the report, made once.
const std::string& SavedReport() {
  static const std::string Bytes = [] {
    enginesetup::StartEngine();
    TrepReport R(nullptr);
    auto* Page = new TrepReportPage(&R);
    Page->SetName("Page1");
    auto* Band = new TrepNullBand(Page);
    Band->SetName("MasterData1");
    Band->SetBounds(0, 0, 700, 20);
    for (int M = 0; M < Memos; ++M) {
      auto* V = new TrepMemoView(Band);
      V->SetName("Memo" + std::to_string(M + 1));
      V->SetBounds(M * 130, 2, 120, 16);
    }
    auto& P = *static_cast<TrepPreviewPages*>(R.PreviewPages());
    P.Initialize();
    P.AddPageAction = apAdd;
    P.AddSourcePage(Page);
    P.BeginPass();
    int N = 0;
    for (int I = 0; I < Pages; ++I) {
      P.AddPage(Page);
      for (int Row = 0; Row < Rows; ++Row) {
        Band->SetTop(Row * 20);
        for (int M = 0; M < Memos; ++M)
          static_cast<TrepMemoView*>(Band->Objects()[M])->SetText(u"Value " + rt::Utf8ToUtf16(std::to_string(++N)));
        P.AddObject(Band);
      }
    }
    P.Finish();
    rt::TStringStream S;
    P.SaveToStream(S);
    return S.DataString();
  }();
  return Bytes;
}

long long HeapInUse() { return static_cast<long long>(mallinfo2().uordblks); }

struct Counting : TrepCustomExportFilter {
  Counting() : TrepCustomExportFilter(NoRegister{}) {
    ShowDialog = false;
    ShowProgress = false;
  }
  void ExportObject(TrepComponent*) override { ++Objects; }
  long long Objects = 0;
};

void Load(benchmark::State& State, bool Partial) {
  const std::string& Bytes = SavedReport();
  long long Heap = 0;
  for (auto _ : State) {
    rt::TStringStream In(Bytes);
    const long long Before = HeapInUse();
    TrepReport R(nullptr);
    R.PreviewPages()->LoadFromStream(In, Partial);
    // The source stream's own bytes are the caller's, not the store's.
    Heap = HeapInUse() - Before;
  }
  State.counters["heap_MB"] = static_cast<double>(Heap) / 1048576.0;
  State.counters["file_MB"] = static_cast<double>(Bytes.size()) / 1048576.0;
}

void BM_LoadWhole200Pages(benchmark::State& State) { Load(State, false); }
void BM_LoadPartial200Pages(benchmark::State& State) { Load(State, true); }

void BM_ExportAfterPartialLoad200Pages(benchmark::State& State) {
  const std::string& Bytes = SavedReport();
  long long Objects = 0, Peak = 0;
  for (auto _ : State) {
    rt::TStringStream In(Bytes);
    const long long Before = HeapInUse();
    TrepReport R(nullptr);
    R.PreviewPages()->LoadFromStream(In, true);
    Counting F;
    R.Export(&F);
    Peak = HeapInUse() - Before;
    Objects = F.Objects;
  }
  State.counters["objects"] = static_cast<double>(Objects);
  State.counters["heap_after_MB"] = static_cast<double>(Peak) / 1048576.0;
}

}  // namespace

BENCHMARK(BM_LoadWhole200Pages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPartial200Pages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportAfterPartialLoad200Pages)->Unit(benchmark::kMillisecond);
