// Hostile clients on loopback: uploads that announce 2 MiB and stall after their first bytes, from
// eight addresses (127.0.0.2 to 127.0.0.9), 250 from each. Reports how many the server took and
// refused, and the process's resident memory before, with every upload stalled, and once the
// clients have closed.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/web/Server.h"

namespace {

double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

int Connect(int port, const std::string& from) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  inet_pton(AF_INET, from.c_str(), &a.sin_addr);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return ::close(fd), -1;
  a.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return ::close(fd), -1;
  return fd;
}

void BM_StalledUploads(benchmark::State& state) {
  const int addresses = 8, perAddress = 250;
  const std::size_t announced = 2 * 1024 * 1024, sent = 64 * 1024;
  web::TIWServerOptions opt;
  opt.Host = "127.0.0.1";
  opt.Port = 0;
  opt.WwwRoot = ZENTOR_WWWROOT;
  opt.Log = [](const std::string&) {};
  const std::string request = "POST /upload HTTP/1.1\r\nHost: t\r\nContent-Type: multipart/form-data; boundary=b\r\n"
                              "Content-Length: " + std::to_string(announced) + "\r\n\r\n" + std::string(sent, 'x');
  for (auto _ : state) {
    const double before = ResidentMiB();
    web::TIWServer server(opt);
    const int port = server.Start();
    std::vector<int> fds;
    for (int a = 0; a < addresses; ++a) {
      const std::string from = "127.0.0." + std::to_string(a + 2);
      for (int i = 0; i < perAddress; ++i) {
        const int fd = Connect(port, from);
        if (fd < 0) continue;
        [[maybe_unused]] const ssize_t n = ::send(fd, request.data(), request.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        fds.push_back(fd);
      }
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double peak = ResidentMiB();
    const double held = static_cast<double>(server.BytesInFlight()) / (1024.0 * 1024.0);
    // A refused upload was answered and closed: its socket reads the 503.
    int refused = 0;
    for (int fd : fds) {
      char buf[16];
      if (::recv(fd, buf, sizeof buf, MSG_DONTWAIT | MSG_PEEK) > 0) ++refused;
    }
    for (int fd : fds) ::close(fd);
    for (int i = 0; i < 100 && server.BytesInFlight() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the hand-back runs at most once a second
    const double after = ResidentMiB();
    server.Stop();
    state.counters["uploads"] = static_cast<double>(fds.size());
    state.counters["refused"] = refused;
    state.counters["held_MiB"] = held;
    state.counters["rss_before_MiB"] = before;
    state.counters["rss_stalled_MiB"] = peak;
    state.counters["rss_after_close_MiB"] = after;
  }
}
BENCHMARK(BM_StalledUploads)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
