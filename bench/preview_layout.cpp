// The preview's page arithmetic on a long report: 100,000 pages laid out in rows, then 100,000
// lookups of the page at a scroll position and at a clicked point. Lookups are a binary search
// plus a bounded scan, so their cost must not grow with the page count.
#include <benchmark/benchmark.h>

#include "report/engine/repPreviewLayout.h"

namespace {

constexpr int kPages = 100000;

TrepPageList MakeList() {
  TrepPageList L;
  for (int I = 0; I < kPages; ++I) L.AddPage(794, 1123, 0.5);
  return L;
}

void BM_LayOut100000Pages(benchmark::State& State) {
  TrepPageList L = MakeList();
  for (auto _ : State) {
    L.CalcBounds(1200);
    benchmark::DoNotOptimize(L.GetMaxBounds());
  }
}

void BM_Find100000Pages(benchmark::State& State) {
  TrepPageList L = MakeList();
  L.CalcBounds(1200);
  const int Bottom = L.GetMaxBounds().Y;
  for (auto _ : State) {
    long long Sum = 0;
    for (int I = 0; I < kPages; ++I) {
      const int Y = static_cast<int>((static_cast<long long>(I) * 7919) % Bottom);
      Sum += L.FindPage(Y, 0) + L.FindPage(Y, 300);
    }
    benchmark::DoNotOptimize(Sum);
  }
}

} // namespace

BENCHMARK(BM_LayOut100000Pages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Find100000Pages)->Unit(benchmark::kMillisecond);
