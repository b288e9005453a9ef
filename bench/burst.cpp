// A burst of sessions on loopback: far more browsers open the sizing form than the session cap
// admits. Reports how many were admitted and refused, and the process's resident memory before,
// at the peak and once every session has timed out.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "bench/RawClient.h"
#include "platform/web/Server.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"

namespace {

using Clock = std::chrono::steady_clock;

double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Threads (range 0) each open sessions one after another until 1,500 have been asked for, all on
// 127.0.0.1; every session starts on the sizing form. That is its first form, so the server takes
// it for one still on its start page: past the cap the oldest give way to the newest.
void BM_SessionBurstUnderTheCap(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  const int attempts = 1500;
  TIWServerController controller;
  web::TIWServerOptions opt;
  opt.Host = "127.0.0.1";
  opt.Port = 0;
  opt.WwwRoot = ZENTOR_WWWROOT;
  opt.OnNewSession = controller.OnNewSession;
  opt.MainForm = [](web::TIWApplication& app) {
    auto* f = app.CreateForm<TGlobemain>();
    f->Show();
    return f;
  };
  opt.Log = [](const std::string&) {};
  // Every simulated browser comes from 127.0.0.1: the caps of one client are the server's.
  opt.MaxConnectionsPerClient = web::MaxConnectionsCeiling;
  opt.MaxSessionsPerClient = opt.MaxSessions;
  opt.MaxBytesInFlightPerClient = opt.MaxBytesInFlight;
  opt.SessionTimeout = std::chrono::seconds(3);
  opt.StartPageTimeout = std::chrono::seconds(3);

  for (auto _ : state) {
    const double before = ResidentMiB();
    web::TIWServer server(opt);
    const int port = server.Start();
    std::atomic<int> next{0}, admitted{0};
    const auto start = Clock::now();
    std::vector<std::thread> clients;
    for (int t = 0; t < threads; ++t) {
      clients.emplace_back([&] {
        bench::TRawClient raw(port);
        while (next++ < attempts) {
          if (raw.Exchange("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "Globemain")) ++admitted;
        }
      });
    }
    for (auto& t : clients) t.join();
    const double burstSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double peak = ResidentMiB();
    const double sessions = static_cast<double>(server.SessionCount());
    for (int i = 0; i < 300 && server.SessionCount() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Sessions leave the table before the reaper has freed them and handed the memory back.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double after = ResidentMiB();
    server.Stop();

    state.counters["admitted"] = admitted.load();
    state.counters["refused"] = attempts - admitted.load();
    state.counters["sessions_at_peak"] = sessions;
    state.counters["burst_s"] = burstSeconds;
    state.counters["rss_before_MiB"] = before;
    state.counters["rss_peak_MiB"] = peak;
    state.counters["rss_after_end_MiB"] = after;
  }
}
BENCHMARK(BM_SessionBurstUnderTheCap)->Arg(8)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
