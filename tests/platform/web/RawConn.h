#pragma once
// Requests no ready-made client sends, from a chosen loopback address (127.0.0.2, 127.0.0.3 ...
// are all loopback on Linux), for the tests of hostile and unusual clients.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <regex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace webtest {

using namespace std::chrono_literals;

// A connection of its own from a chosen loopback address, for requests no ready-made client sends.
class TRawConn {
public:
  TRawConn(int port, const char* from = "127.0.0.1") {
    FFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, from, &a.sin_addr);
    if (::bind(FFd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    Connected = ::connect(FFd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  ~TRawConn() { ::close(FFd); }
  TRawConn(const TRawConn&) = delete;
  TRawConn& operator=(const TRawConn&) = delete;

  bool Send(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::send(FFd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }
  // What arrives until the server closes the connection or the time is up; Closed tells which.
  std::string Read(std::chrono::milliseconds limit) {
    std::string out;
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return out;
      pollfd p{FFd, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char buf[4096];
      const ssize_t n = ::recv(FFd, buf, sizeof buf, 0);
      if (n <= 0) {
        Closed = true;
        return out;
      }
      out.append(buf, static_cast<std::size_t>(n));
    }
  }
  // Whether the server has closed the connection (what it sent before is dropped).
  bool ServerClosed() {
    char buf[4096];
    for (;;) {
      const ssize_t n = ::recv(FFd, buf, sizeof buf, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) return true;
      if (n < 0) return false;
    }
  }

  bool Connected = false;
  bool Closed = false;

private:
  int FFd = -1;
};

struct TRawReply {
  int Status = 0;
  std::string Head, Body;
  std::string Header(const std::string& name) const {
    std::smatch m;
    if (!std::regex_search(Head, m, std::regex("\r\n" + name + ": ([^\r]*)", std::regex::icase))) return {};
    return m[1];
  }
};

// One request on a connection of its own from `from`, read until the server closes it.
inline TRawReply RawExchange(int port, const char* from, const std::string& request) {
  TRawConn c(port, from);
  TRawReply r;
  if (!c.Connected || !c.Send(request)) return r;
  const std::string got = c.Read(10s);
  const std::size_t end = got.find("\r\n\r\n");
  if (got.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos) return r;
  r.Status = std::stoi(got.substr(9, 3));
  r.Head = got.substr(0, end);
  r.Body = got.substr(end + 4);
  return r;
}

// Keeps Count connections from one address open that never send a byte, opening new ones as the
// server closes them, until Stop: the silent half of a flood.
inline void HoldSilentConnections(int port, const char* from, std::size_t count, const std::atomic<bool>& stop) {
  std::vector<std::unique_ptr<TRawConn>> silent;
  while (!stop) {
    silent.erase(std::remove_if(silent.begin(), silent.end(), [](auto& s) { return s->ServerClosed(); }), silent.end());
    while (silent.size() < count) silent.push_back(std::make_unique<TRawConn>(port, from));
    std::this_thread::sleep_for(20ms);
  }
}

}  // namespace webtest
