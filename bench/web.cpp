// Start page under load: many browser sessions on loopback, each asking for its start page again
// and again. Reports the median and tail latency of one answer and the number of failed requests.
#include <httplib.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <regex>
#include <thread>
#include <vector>

#include "bench/RawClient.h"
#include "platform/web/Server.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"
#include "webapp/Splash.h"

namespace {

using bench::TRawClient;

using Clock = std::chrono::steady_clock;

// One rendering of the start page without HTTP: the floor under the latency below.
void BM_RenderStartPage(benchmark::State& state) {
  web::TIWApplication app;
  auto* form = app.CreateForm<TSplashform>();
  for (auto _ : state) {
    web::THtml h;
    form->Render(h);
    benchmark::DoNotOptimize(h.Str().data());
  }
}
BENCHMARK(BM_RenderStartPage);

// Sessions (range 0) each send up to 200 start-page requests (a page refresh of their session) in a
// loop, for at most 20 s, all at the same time. Only 127.0.0.1 is used.
void BM_StartPageConcurrentSessions(benchmark::State& state) {
  const int sessions = static_cast<int>(state.range(0));
  const int perSession = 200;
  const auto deadline = std::chrono::seconds(20);
  TIWServerController controller;
  web::TIWServerOptions opt;
  opt.Host = "127.0.0.1";
  opt.Port = 0;
  opt.WwwRoot = ZENTOR_WWWROOT;
  opt.OnNewSession = controller.OnNewSession;
  opt.MainForm = [](web::TIWApplication& app) { return app.CreateForm<TSplashform>(); };
  opt.Log = [](const std::string&) {};
  // Every simulated browser comes from 127.0.0.1: the caps of one client are the server's.
  opt.MaxConnectionsPerClient = web::MaxConnectionsCeiling;
  opt.MaxSessionsPerClient = opt.MaxSessions;
  opt.MaxBytesInFlightPerClient = opt.MaxBytesInFlight;

  for (auto _ : state) {
    web::TIWServer server(opt);
    const int port = server.Start();
    std::vector<std::vector<double>> latencies(static_cast<std::size_t>(sessions));
    std::atomic<long> failures{0}, requests{0};
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    const auto start = Clock::now();
    std::vector<std::thread> clients;
    for (int i = 0; i < sessions; ++i) {
      clients.emplace_back([&, i] {
        httplib::Client cli("127.0.0.1", port);
        cli.set_keep_alive(true);
        cli.set_tcp_nodelay(true);
        cli.set_read_timeout(10, 0);
        std::string token, formKey;
        if (auto r = cli.Get("/"); r && r->status == 200) {
          std::smatch m;
          if (std::regex_search(r->body, m, std::regex(R"re("s":"([0-9a-f]{64})","fk":"(\d+)")re"))) {
            token = m[1];
            formKey = m[2];
          }
        }
        if (token.empty()) ++failures;
        ++ready;
        while (!go) std::this_thread::yield();
        auto& mine = latencies[static_cast<std::size_t>(i)];
        mine.reserve(perSession);
        const std::string body = "s=" + token + "&fk=" + formKey + "&w=1280";
        const std::string request = "POST /event HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                    "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                                    std::to_string(body.size()) + "\r\n\r\n" + body;
        TRawClient raw(port);
        for (int n = 0; n < perSession && !token.empty() && Clock::now() - start < deadline; ++n) {
          const auto t0 = Clock::now();
          const bool ok = raw.Exchange(request, "Splashform");
          const auto t1 = Clock::now();
          ++requests;
          if (!ok) {
            ++failures;
            continue;
          }
          mine.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
      });
    }
    while (ready < sessions) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto loadStart = Clock::now();
    const double cpuStart = bench::ProcessCpuSeconds();
    go = true;
    for (auto& t : clients) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - loadStart).count();

    bench::ReportLoad(state, latencies, static_cast<double>(server.SessionCount()), requests, failures, seconds,
                      bench::ProcessCpuSeconds() - cpuStart);
    server.Stop();
  }
}
BENCHMARK(BM_StartPageConcurrentSessions)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
