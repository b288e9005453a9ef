#pragma once
// Shared by the load benchmarks: a lean keep-alive HTTP/1.1 client, so that the measuring side
// takes little of the machine (loopback only), and the report of one load run.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

class TRawClient {
public:
  explicit TRawClient(int port) : FPort(port) {}
  ~TRawClient() { Close(); }

  // Sends the request and reads one answer; true for a complete 200 answer whose body holds `expect`
  // after `after` (the part of the page to look in).
  bool Exchange(const std::string& request, const char* expect, const char* after = "") {
    if (FFd < 0 && !Connect()) return false;
    if (!SendAll(request)) {
      Close();
      return false;
    }
    std::string& buf = FBuf;  // kept between answers, so that its memory is reused
    buf.clear();
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
    const std::size_t from = *after ? buf.find(after, headerEnd) : headerEnd;
    const bool ok = head.rfind("http/1.1 200", 0) == 0 && from != std::string::npos &&
                    buf.find(expect, from) != std::string::npos;
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
    char chunk[65536];
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
  std::string FBuf;
};

// CPU time the whole process (server and clients) has used so far, in seconds.
inline double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The counters of one load run: sessions, requests, failures, latency percentiles of every
// answered request (milliseconds), the request rate and, given the process's CPU seconds over
// the run, the CPU time of one request (microseconds), which a busy machine moves little.
inline void ReportLoad(benchmark::State& state, const std::vector<std::vector<double>>& latencies, double sessions,
                       long requests, long failures, double seconds, double cpuSeconds = -1) {
  std::vector<double> all;
  for (const auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
  std::sort(all.begin(), all.end());
  auto pct = [&](double p) { return all.empty() ? 0.0 : all[static_cast<std::size_t>(p * (all.size() - 1))]; };
  state.counters["sessions"] = sessions;
  state.counters["requests"] = static_cast<double>(requests);
  state.counters["failed"] = static_cast<double>(failures);
  state.counters["median_ms"] = pct(0.5);
  state.counters["p90_ms"] = pct(0.9);
  state.counters["p99_ms"] = pct(0.99);
  state.counters["max_ms"] = all.empty() ? 0 : all.back();
  state.counters["req_per_s"] = static_cast<double>(requests) / seconds;
  if (cpuSeconds >= 0 && requests > 0) state.counters["cpu_us_per_req"] = cpuSeconds * 1e6 / static_cast<double>(requests);
}

}  // namespace bench
