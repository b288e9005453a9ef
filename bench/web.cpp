// Start page under load: many browser sessions on loopback, each asking for its start page again
// and again. Reports the median and tail latency of one answer and the number of failed requests.
#include <httplib.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <regex>
#include <thread>
#include <vector>

#include "platform/web/Server.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"
#include "webapp/Splash.h"

namespace {

using Clock = std::chrono::steady_clock;

// A lean keep-alive HTTP/1.1 client, so that the measuring side takes little of the machine.
class TRawClient {
public:
  explicit TRawClient(int port) : FPort(port) {}
  ~TRawClient() { Close(); }

  // Sends the request and reads one answer; true for a complete 200 answer whose body holds `expect`.
  bool Exchange(const std::string& request, const char* expect) {
    if (FFd < 0 && !Connect()) return false;
    if (!SendAll(request)) {
      Close();
      return false;
    }
    std::string buf;
    std::size_t headerEnd;
    while ((headerEnd = buf.find("\r\n\r\n")) == std::string::npos)
      if (!ReadMore(buf)) return Close(), false;
    std::string head = buf.substr(0, headerEnd);
    for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto cl = head.find("content-length:");
    if (cl == std::string::npos) return Close(), false;
    const std::size_t length = std::stoul(head.substr(cl + 15));
    while (buf.size() < headerEnd + 4 + length)
      if (!ReadMore(buf)) return Close(), false;
    const bool ok = head.rfind("http/1.1 200", 0) == 0 && buf.find(expect, headerEnd) != std::string::npos;
    if (head.find("connection: close") != std::string::npos) Close();
    return ok;
  }

private:
  bool Connect() {
    FFd = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(FFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(FPort));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(FFd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      Close();
      return false;
    }
    return true;
  }
  bool SendAll(const std::string& s) {
    std::size_t sent = 0;
    while (sent < s.size()) {
      const ssize_t n = ::send(FFd, s.data() + sent, s.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }
  bool ReadMore(std::string& buf) {
    char chunk[16384];
    const ssize_t n = ::recv(FFd, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buf.append(chunk, static_cast<std::size_t>(n));
    return true;
  }
  void Close() {
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
  }
  int FPort;
  int FFd = -1;
};

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
    go = true;
    for (auto& t : clients) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - loadStart).count();

    std::vector<double> all;
    for (auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
    std::sort(all.begin(), all.end());
    auto pct = [&](double p) { return all.empty() ? 0.0 : all[static_cast<std::size_t>(p * (all.size() - 1))]; };
    state.counters["sessions"] = static_cast<double>(server.SessionCount());
    state.counters["requests"] = static_cast<double>(requests);
    state.counters["failed"] = static_cast<double>(failures);
    state.counters["median_ms"] = pct(0.5);
    state.counters["p90_ms"] = pct(0.9);
    state.counters["p99_ms"] = pct(0.99);
    state.counters["max_ms"] = all.empty() ? 0 : all.back();
    state.counters["req_per_s"] = static_cast<double>(requests) / seconds;
    server.Stop();
  }
}
BENCHMARK(BM_StartPageConcurrentSessions)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
