// Calculate under load: the server's work for one press of Calculate with three conditions, and
// many browser sessions pressing Calculate again and again on loopback. Reports the median and
// tail latency of one answer and the number of failed requests.
#include <httplib.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <regex>
#include <thread>
#include <vector>

#include "bench/RawClient.h"
#include "platform/web/Html.h"
#include "platform/web/Server.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"

namespace {

using bench::TRawClient;

using Clock = std::chrono::steady_clock;

// The service conditions every session calculates: water on a 2-inch sliding gate, Cv 60.
const std::map<std::string, std::string> Inputs = {
    {"TempMinEdit", "60"},  {"P1MinEdit", "100"},  {"P2MinEdit", "80"},  {"FlowMinEdit", "50"},
    {"TempNormEdit", "60"}, {"P1NormEdit", "100"}, {"P2NormEdit", "60"}, {"FlowNormEdit", "120"},
    {"TempMaxEdit", "60"},  {"P1MaxEdit", "150"},  {"P2MaxEdit", "100"}, {"FlowMaxEdit", "200"},
    // The water properties the page shows once the temperatures are typed.
    {"SGminEdit", "1"},     {"ViscMinEdit", "1.15"},  {"VPMinEdit", "0.26"},  {"CPMinEdit", "3206."},
    {"SGNormEdit", "1"},    {"ViscNormEdit", "1.15"}, {"VPNormEdit", "0.26"}, {"CPNormEdit", "3206."},
    {"SGMaxEdit", "1"},     {"ViscMaxEdit", "1.15"},  {"VPMaxEdit", "0.26"},  {"CPMaxEdit", "3206."},
};
// A cell of the Max column that only a completed calculation shows.
const char* const Answer = "28.28";

// Puts the form on the 2-inch gate with Cv 60 and fills the conditions, as the user would.
void Prepare(TGlobemain& f) {
  f.SizeCombo->SetText("2.00 in");
  f.SizeComboChange(f.SizeCombo);
  f.CvCombo->SetText("60");
  f.CvComboChange(f.CvCombo);
  for (const auto& [name, value] : Inputs) static_cast<web::TIWEdit*>(f.DataRegion1->FindControl(name))->Text = value;
  f.AssignfluidParams();
  f.IWAppFormRender();
}

// The server's work for one press of Calculate without HTTP: the handler, the render that
// recalculates, and the page text of the reply.
void BM_CalculateThreeConditions(benchmark::State& state) {
  web::TIWApplication app;
  TIWServerController controller;
  controller.OnNewSession(app);
  app.BeginRequest(web::TIWRequest{}, 1280);
  web::TCurrentApplicationScope scope(&app);
  auto* f = app.CreateForm<TGlobemain>();
  f->Show();
  f->IWAppFormRender();
  Prepare(*f);
  for (auto _ : state) {
    f->CalcButtonClick(f->CalcButton);
    f->IWAppFormRender();
    web::THtml h;
    f->Render(h);
    benchmark::DoNotOptimize(h.Str().data());
  }
  if (f->ResultsGrid->Cell(1, 4).Text != Answer) state.SkipWithError("the Max condition was not calculated");
}
BENCHMARK(BM_CalculateThreeConditions)->Unit(benchmark::kMicrosecond);

// The three conditions alone, without the render and the page: the calculation's share.
void BM_CalculateAllOnly(benchmark::State& state) {
  web::TIWApplication app;
  TIWServerController controller;
  controller.OnNewSession(app);
  app.BeginRequest(web::TIWRequest{}, 1280);
  web::TCurrentApplicationScope scope(&app);
  auto* f = app.CreateForm<TGlobemain>();
  f->Show();
  f->IWAppFormRender();
  Prepare(*f);
  for (auto _ : state) f->CalculateAll();
  if (f->ResultsGrid->Cell(1, 4).Text != Answer) state.SkipWithError("the Max condition was not calculated");
}
BENCHMARK(BM_CalculateAllOnly)->Unit(benchmark::kMicrosecond);

std::string Post(const std::string& body) {
  return "POST /event HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Sessions (range 0) each press Calculate up to 200 times in a loop, for at most 20 s, all at the
// same time. Only 127.0.0.1 is used.
void BM_CalculateConcurrentSessions(benchmark::State& state) {
  const int sessions = static_cast<int>(state.range(0));
  const int perSession = 200;
  const auto deadline = std::chrono::seconds(20);
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
        // Opens the session and learns the keys of the controls from its page.
        httplib::Client cli("127.0.0.1", port);
        cli.set_read_timeout(10, 0);
        std::string token, formKey;
        std::map<std::string, std::string> keys;
        if (auto r = cli.Get("/"); r && r->status == 200) {
          std::smatch m;
          if (std::regex_search(r->body, m, std::regex(R"re("s":"([0-9a-f]{64})","fk":"(\d+)")re"))) {
            token = m[1];
            formKey = m[2];
          }
          const std::regex control(R"re(id="(\w+)" data-k="(\d+)")re");
          for (std::sregex_iterator it(r->body.begin(), r->body.end(), control), end; it != end; ++it)
            keys[(*it)[1]] = (*it)[2];
        }
        auto key = [&](const std::string& name) { return keys.count(name) ? keys[name] : std::string(); };
        std::string body = "s=" + token + "&fk=" + formKey + "&w=1280";
        TRawClient raw(port);
        // The valve: size 2 in, then Cv 60, each as the page sends a changed list.
        auto select = [&](const char* name, const char* item) {
          const std::string b = body + "&e=change&c=" + key(name) + "&v" + key(name) + "=" + item;
          return raw.Exchange(Post(b), "Globemain");
        };
        bool ok = !token.empty() && !key("CalcButton").empty() && select("SizeCombo", "5") && select("CvCombo", "19");
        for (const auto& [name, value] : Inputs) body += "&v" + key(name) + "=" + web::UrlEncode(value);
        const std::string calculate = Post(body + "&e=click&c=" + key("CalcButton"));
        ok = ok && raw.Exchange(calculate, Answer, "ResultsGrid");
        if (!ok) ++failures;
        ++ready;
        while (!go) std::this_thread::yield();
        auto& mine = latencies[static_cast<std::size_t>(i)];
        mine.reserve(perSession);
        for (int n = 0; n < perSession && ok && Clock::now() - start < deadline; ++n) {
          const auto t0 = Clock::now();
          const bool answered = raw.Exchange(calculate, Answer, "ResultsGrid");
          const auto t1 = Clock::now();
          ++requests;
          if (!answered) {
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
BENCHMARK(BM_CalculateConcurrentSessions)->Arg(1)->Arg(10)->Arg(50)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
