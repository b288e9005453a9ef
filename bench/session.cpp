// Cost of a browser session's object: creation time, and resident memory of idle sessions.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <unistd.h>
#include <vector>

#include "report/engine/repClass.h"
#include "webapp/UserSessionUnit.h"

namespace {

double ResidentMB() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Target: under 1 ms per session, its report template included.
void BM_CreateSession(benchmark::State& state) {
  TIWUserSession warm;  // the tables are parsed once per process, before timing
  for (auto _ : state) {
    auto s = std::make_unique<TIWUserSession>();
    benchmark::DoNotOptimize(s.get());
  }
}
BENCHMARK(BM_CreateSession);

// Target: 1,000 idle sessions with their templates add under 150 MB of resident memory in all.
void BM_ThousandIdleSessions(benchmark::State& state) {
  TIWUserSession warm;
  double added = 0;
  for (auto _ : state) {
    const double before = ResidentMB();
    std::vector<std::unique_ptr<TIWUserSession>> sessions;
    for (int i = 0; i < 1000; ++i) sessions.push_back(std::make_unique<TIWUserSession>());
    added = ResidentMB() - before;
    benchmark::DoNotOptimize(sessions.data());
  }
  state.counters["MB_added_by_1000_sessions"] = added;
}
BENCHMARK(BM_ThousandIdleSessions)->Iterations(1)->Unit(benchmark::kMillisecond);

// A session that goes on to its first report: the template copy is in hand afterwards.
void BM_CreateSessionAndOpenTemplate(benchmark::State& state) {
  TIWUserSession warm;
  benchmark::DoNotOptimize(warm.VXCVrep1->PagesCount());
  for (auto _ : state) {
    auto s = std::make_unique<TIWUserSession>();
    benchmark::DoNotOptimize(s->VXCVrep1->PagesCount());
  }
}
BENCHMARK(BM_CreateSessionAndOpenTemplate);

// 1,000 sessions that have each opened their template.
void BM_ThousandSessionsWithOpenTemplates(benchmark::State& state) {
  TIWUserSession warm;
  benchmark::DoNotOptimize(warm.VXCVrep1->PagesCount());
  double added = 0;
  for (auto _ : state) {
    const double before = ResidentMB();
    std::vector<std::unique_ptr<TIWUserSession>> sessions;
    for (int i = 0; i < 1000; ++i) {
      sessions.push_back(std::make_unique<TIWUserSession>());
      benchmark::DoNotOptimize(sessions.back()->VXCVrep1->PagesCount());
    }
    added = ResidentMB() - before;
    benchmark::DoNotOptimize(sessions.data());
  }
  state.counters["MB_added_by_1000_sessions"] = added;
}
BENCHMARK(BM_ThousandSessionsWithOpenTemplates)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
