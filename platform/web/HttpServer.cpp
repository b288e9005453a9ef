#include "platform/web/HttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <list>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/rt/SysUtils.h"

namespace web {

namespace {

using Clock = std::chrono::steady_clock;

// Bytes read from a socket at a time.
constexpr std::size_t ReadChunk = 64 * 1024;
// A refused body is read and dropped up to this much, so that the client sees the refusal
// instead of a reset connection; past it the connection is closed.
constexpr std::size_t MaxDrainBytes = 16 * 1024 * 1024;
// How often the event loop looks for connections past their deadline.
constexpr auto SweepInterval = std::chrono::milliseconds(50);
// Handlers (and the report scripts they run) get a stack of known size, whatever the process's
// default thread stack is.
constexpr std::size_t WorkerStackBytes = 8 * 1024 * 1024;
// After running out of file descriptors, the listener rests this long.
constexpr auto AcceptPause = std::chrono::milliseconds(100);
// Freed request buffers are handed back to the system (malloc_trim) once this much has been
// released, at most once per TrimInterval: otherwise the allocator keeps a burst's peak for ever.
// Only requests of at least TrimCountedRequestBytes count: the allocator reuses the memory of
// ordinary events itself, and trimming after them had every worker's heap given back and faulted
// in again, with a flush of every core's address cache each time.
constexpr std::size_t TrimAfterReleasedBytes = 1024 * 1024;
constexpr std::size_t TrimCountedRequestBytes = 64 * 1024;
constexpr auto TrimInterval = std::chrono::seconds(1);
// Closing silent connections at the cap, and refusals for bytes in flight, are logged at most
// this often.
constexpr auto CapLogInterval = std::chrono::seconds(10);
// The least connection cap the descriptor limit can give.
constexpr std::size_t MinConnections = 64;

constexpr std::uint64_t ListenTag = 0;
constexpr std::uint64_t WakeTag = 1;

const char* Reason(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 204: return "No Content";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 410: return "Gone";
    case 413: return "Content Too Large";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Unknown";
  }
}

// A header that would break the reply's framing is left out.
bool SafeHeader(const std::string& name, const std::string& value) {
  auto bad = [](char c) { return c == '\r' || c == '\n' || c == '\0'; };
  return !name.empty() && std::none_of(name.begin(), name.end(), [&](char c) { return bad(c) || c == ':' || c == ' '; }) &&
         std::none_of(value.begin(), value.end(), bad);
}

std::string PeerAddress(const sockaddr_storage& a) {
  char buf[INET6_ADDRSTRLEN] = {};
  if (a.ss_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(a).sin_addr, buf, sizeof buf);
  } else if (a.ss_family == AF_INET6) {
    const auto& a6 = reinterpret_cast<const sockaddr_in6&>(a);
    if (IN6_IS_ADDR_V4MAPPED(&a6.sin6_addr)) {
      inet_ntop(AF_INET, &a6.sin6_addr.s6_addr[12], buf, sizeof buf);
    } else {
      inet_ntop(AF_INET6, &a6.sin6_addr, buf, sizeof buf);
    }
  }
  return buf;
}

// The connection cap that the descriptor limit allows.
std::size_t ConnectionCap(std::size_t configured) {
  if (configured > 0) return configured;
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY) return MaxConnectionsCeiling;
  const auto limit = static_cast<std::size_t>(files.rlim_cur);
  const std::size_t cap = limit > ReservedDescriptors + MinConnections ? limit - ReservedDescriptors : MinConnections;
  return std::min(cap, MaxConnectionsCeiling);
}

std::string SimpleReply(int status, const std::string& text) {
  THttpResponse r;
  r.Status = status;
  r.Body = text;
  return FormatResponse(r, false, false, {});
}

}  // namespace

std::string ClientKey(const std::string& remoteAddr) {
  in6_addr a6{};
  if (remoteAddr.find(':') == std::string::npos || inet_pton(AF_INET6, remoteAddr.c_str(), &a6) != 1)
    return remoteAddr;
  std::memset(&a6.s6_addr[8], 0, 8);
  char buf[INET6_ADDRSTRLEN] = {};
  inet_ntop(AF_INET6, &a6, buf, sizeof buf);
  return std::string(buf) + "/64";
}

const std::string& THttpRequest::Header(std::string_view name) const {
  static const std::string none;
  const std::string* v = Head.Find(name);
  return v ? *v : none;
}

namespace {

// The status line and headers, up to the blank line.
std::string FormatHead(const THttpResponse& r, bool headOnly, bool keepAlive,
                       const std::vector<std::pair<std::string, std::string>>& defaultHeaders) {
  std::string out = "HTTP/1.1 " + std::to_string(r.Status) + " " + Reason(r.Status) + "\r\n";
  auto header = [&](const std::string& name, const std::string& value) {
    if (!SafeHeader(name, value)) return;
    out += name;
    out += ": ";
    out += value;
    out += "\r\n";
  };
  for (const auto& [name, value] : defaultHeaders) header(name, value);
  if (!r.ContentType.empty()) header("Content-Type", r.ContentType);
  for (const auto& [name, value] : r.Headers) header(name, value);
  const std::size_t length = headOnly && r.HeadLength && r.Body.empty() ? *r.HeadLength : r.Body.size();
  out += "Content-Length: " + std::to_string(length) + "\r\n";
  out += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
  return out;
}

}  // namespace

std::string FormatResponse(const THttpResponse& r, bool headOnly, bool keepAlive,
                           const std::vector<std::pair<std::string, std::string>>& defaultHeaders) {
  std::string out = FormatHead(r, headOnly, keepAlive, defaultHeaders);
  if (!headOnly) out += r.Body;
  return out;
}

struct THttpServer::TImpl {
  THttpServerOptions Opt;
  int ListenFd = -1, Epoll = -1, WakeFd = -1;
  std::thread Loop;
  std::vector<pthread_t> Workers;
  std::atomic<bool> Stopping{false};
  bool Started = false, Stopped = false;

  enum class TPhase { Head, Body, Busy, Drain };
  struct TConn {
    int Fd = -1;
    std::uint64_t Id = 0;
    std::string Remote;
    std::string Client;  // ClientKey(Remote)
    TPhase Phase = TPhase::Head;
    bool Started = false;  // the first byte of the current request has come
    Clock::time_point RequestStart;
    // The whole head must have come by then; max: not yet set (a kept-alive connection sets it
    // with the first byte of its next request).
    Clock::time_point HeadDeadline = Clock::time_point::max();
    std::string In;
    std::size_t HeadScan = 0;  // where the search for the end of the head goes on
    std::size_t HeadBytes = 0;  // of the request whose body is being read
    http::TRequestHead Head;
    std::string Out;
    std::size_t OutPos = 0;
    bool CloseAfterReply = false;
    std::size_t DrainLeft = 0;
    Clock::time_point Deadline;
    bool Watching = false;  // EPOLLOUT is on
    // Request bytes this connection holds against the caps of bytes in flight.
    std::size_t Held = 0;
    // Its place among the connections that wait for the client (Head and Body phases), the one
    // heard from longest ago first.
    std::list<TConn*>::iterator Silent;
    bool Waiting = false;
  };
  std::unordered_map<std::uint64_t, std::unique_ptr<TConn>> Conns;
  struct TClient {
    std::size_t Connections = 0;
    std::size_t Bytes = 0;
  };
  std::unordered_map<std::string, TClient> Clients;
  std::list<TConn*> SilentOrder;
  std::size_t ConnectionLimit = 0;
  std::uint64_t NextId = 2;
  std::atomic<std::size_t> Open{0};
  std::atomic<std::size_t> InFlight{0};
  std::size_t ReleasedSinceTrim = 0;
  Clock::time_point LastTrim{}, LastEvictionLog{}, LastInFlightLog{};
  Clock::time_point AcceptResume{};
  bool AcceptPaused = false;

  // Work for the workers, and their finished replies for the event loop.
  std::mutex QueueLock;
  std::condition_variable QueueWake;
  std::deque<std::function<void()>> Queue;
  struct TDone {
    std::uint64_t Id;
    std::string Bytes;
    bool Close;
    // The request's bytes in flight, given back when its handler is done.
    std::string Client;
    std::size_t Held;
  };
  std::mutex DoneLock;
  std::vector<TDone> Done;

  explicit TImpl(THttpServerOptions o) : Opt(std::move(o)) {}

  void Log(const std::string& line) {
    if (Opt.Log) Opt.Log(line);
  }

  // ---- Workers ----

  void StartWorker() {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, WorkerStackBytes);
    pthread_t t;
    const int rc = pthread_create(
        &t, &attr, [](void* self) -> void* {
          static_cast<TImpl*>(self)->WorkerLoop();
          return nullptr;
        },
        this);
    pthread_attr_destroy(&attr);
    if (rc != 0) throw rt::Exception("Cannot start the server's worker threads");
    Workers.push_back(t);
  }

  void WorkerLoop() {
    for (;;) {
      std::function<void()> task;
      {
        std::unique_lock<std::mutex> lk(QueueLock);
        QueueWake.wait(lk, [&] { return Stopping || !Queue.empty(); });
        if (Stopping) return;
        task = std::move(Queue.front());
        Queue.pop_front();
      }
      task();
    }
  }

  // The request's head and body go to a worker, and with them their share of the connection's
  // bytes in flight.
  void Submit(TConn& c, std::string body) {
    auto req = std::make_shared<THttpRequest>();
    req->Head = std::move(c.Head);
    req->Body = std::move(body);
    req->RemoteAddr = c.Remote;
    const std::size_t held = std::min(c.Held, c.HeadBytes + req->Body.size());
    c.Held -= held;
    c.HeadBytes = 0;
    const std::uint64_t id = c.Id;
    {
      std::lock_guard<std::mutex> lk(QueueLock);
      Queue.push_back([this, id, req, client = c.Client, held] { Run(id, *req, client, held); });
    }
    QueueWake.notify_one();
  }

  void Run(std::uint64_t id, const THttpRequest& req, const std::string& client, std::size_t held) {
    THttpResponse res;
    try {
      if (Opt.Handler) Opt.Handler(req, res);
    } catch (const std::exception& e) {
      Log(std::string("Request failed: ") + e.what());
      res = THttpResponse{};
      res.Status = 500;
      res.Body = "Internal error";
    } catch (...) {
      Log("Request failed");
      res = THttpResponse{};
      res.Status = 500;
      res.Body = "Internal error";
    }
    const bool keep = req.Head.KeepAlive && !res.Close && !Stopping;
    // The head goes in front of the body in the body's own memory: a handler that left room there
    // has its reply sent without another copy.
    const bool headOnly = req.Method() == "HEAD";
    std::string bytes = FormatHead(res, headOnly, keep, Opt.DefaultHeaders);
    if (!headOnly) {
      res.Body.insert(0, bytes);
      bytes = std::move(res.Body);
    }
    {
      std::lock_guard<std::mutex> lk(DoneLock);
      Done.push_back({id, std::move(bytes), !keep, client, held});
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t w = ::write(WakeFd, &one, sizeof one);
  }

  // ---- Event loop ----

  void Watch(TConn& c, std::uint32_t events) {
    epoll_event ev{};
    ev.events = events;
    ev.data.u64 = c.Id;
    epoll_ctl(Epoll, EPOLL_CTL_MOD, c.Fd, &ev);
    c.Watching = (events & EPOLLOUT) != 0;
  }

  // ---- Bytes in flight (event loop only) ----

  // Gives back bytes held against a client's and the overall cap.
  void Release(const std::string& client, std::size_t bytes) {
    if (bytes == 0) return;
    InFlight -= bytes;
    if (bytes >= TrimCountedRequestBytes) ReleasedSinceTrim += bytes;
    auto it = Clients.find(client);
    if (it == Clients.end()) return;
    it->second.Bytes -= std::min(bytes, it->second.Bytes);
    if (it->second.Bytes == 0 && it->second.Connections == 0) Clients.erase(it);
  }

  // Makes the connection hold `bytes` in all; false (nothing changed) when that would pass the
  // client's or the overall cap.
  bool Hold(TConn& c, std::size_t bytes) {
    if (bytes <= c.Held) {
      Release(c.Client, c.Held - bytes);
      c.Held = bytes;
      return true;
    }
    const std::size_t more = bytes - c.Held;
    TClient& mine = Clients[c.Client];
    if (mine.Bytes + more > Opt.MaxBytesInFlightPerClient || InFlight + more > Opt.MaxBytesInFlight) {
      const auto now = Clock::now();
      if (LastInFlightLog == Clock::time_point{} || now - LastInFlightLog >= CapLogInterval) {
        LastInFlightLog = now;
        Log("Requests refused (the first from " + c.Remote + "): too many request bytes in memory (" +
            std::to_string(InFlight / 1024) + " KiB, this client " + std::to_string(mine.Bytes / 1024) + " KiB)");
      }
      return false;
    }
    mine.Bytes += more;
    InFlight += more;
    c.Held = bytes;
    return true;
  }

  // ---- Silent connections (event loop only) ----

  void StartWaiting(TConn& c) {
    if (c.Waiting) SilentOrder.erase(c.Silent);
    c.Silent = SilentOrder.insert(SilentOrder.end(), &c);
    c.Waiting = true;
  }

  void StopWaiting(TConn& c) {
    if (!c.Waiting) return;
    SilentOrder.erase(c.Silent);
    c.Waiting = false;
  }

  void Close(TConn& c) {
    epoll_ctl(Epoll, EPOLL_CTL_DEL, c.Fd, nullptr);
    ::close(c.Fd);
    StopWaiting(c);
    Release(c.Client, c.Held);
    c.Held = 0;
    auto it = Clients.find(c.Client);
    if (it != Clients.end()) {
      --it->second.Connections;
      if (it->second.Connections == 0 && it->second.Bytes == 0) Clients.erase(it);
    }
    --Open;
    Conns.erase(c.Id);  // frees c
  }

  // Closes a connection that has not delivered its request in time; one whose request had begun
  // is told so on the way out.
  void CloseLate(TConn& c) {
    if (c.Started && c.Out.empty() && (c.Phase == TPhase::Head || c.Phase == TPhase::Body))
      SendNow(c.Fd, SimpleReply(408, "The request did not arrive in time."));
    Close(c);
  }

  // At the connection cap: closes the connection that has been silent longest, if any waits for
  // its client. False when every connection is in a handler or taking its reply.
  bool CloseLongestSilent() {
    if (SilentOrder.empty()) return false;
    TConn& c = *SilentOrder.front();
    const auto now = Clock::now();
    if (LastEvictionLog == Clock::time_point{} || now - LastEvictionLog >= CapLogInterval) {
      LastEvictionLog = now;
      Log("Connection cap of " + std::to_string(ConnectionLimit) +
          " reached: closing the longest-silent connections (the first from " + c.Remote + ")");
    }
    CloseLate(c);
    return true;
  }

  // Sends what fits now; a refused connection gets its answer on the way out.
  static void SendNow(int fd, const std::string& bytes) {
    [[maybe_unused]] const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  }

  void Accept() {
    for (;;) {
      sockaddr_storage addr{};
      socklen_t len = sizeof addr;
      const int fd = ::accept4(ListenFd, reinterpret_cast<sockaddr*>(&addr), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
          // Out of descriptors: rest the listener instead of waking on it again at once.
          epoll_event ev{};
          ev.data.u64 = ListenTag;
          epoll_ctl(Epoll, EPOLL_CTL_MOD, ListenFd, &ev);
          AcceptPaused = true;
          AcceptResume = Clock::now() + AcceptPause;
        }
        return;
      }
      const std::string remote = PeerAddress(addr);
      const std::string client = ClientKey(remote);
      auto mine = Clients.find(client);
      const bool clientFull = mine != Clients.end() && mine->second.Connections >= Opt.MaxConnectionsPerClient;
      if (clientFull || (Open >= ConnectionLimit && !CloseLongestSilent())) {
        SendNow(fd, SimpleReply(503, "Too many connections; try again shortly."));
        ::close(fd);
        continue;
      }
      ++Clients[client].Connections;
      ++Open;
      int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      auto c = std::make_unique<TConn>();
      c->Fd = fd;
      c->Id = NextId++;
      c->Remote = remote;
      c->Client = client;
      c->HeadDeadline = Clock::now() + Opt.HeadTimeout;
      c->Deadline = c->HeadDeadline;
      epoll_event ev{};
      ev.events = EPOLLIN;
      ev.data.u64 = c->Id;
      epoll_ctl(Epoll, EPOLL_CTL_ADD, fd, &ev);
      StartWaiting(*c);
      Conns.emplace(c->Id, std::move(c));
    }
  }

  // Sends a reply of the event loop's own (errors, refusals), then closes the connection. What the
  // client still sends (the rest of a refused body, say) is read and dropped first: closing a
  // socket with unread data resets it, and the client would lose the reply.
  void Refuse(TConn& c, int status, const std::string& text, bool knownBody) {
    c.Out = SimpleReply(status, text);
    c.OutPos = 0;
    c.CloseAfterReply = true;
    c.Phase = TPhase::Drain;
    StopWaiting(c);
    c.DrainLeft = MaxDrainBytes;
    if (knownBody) c.DrainLeft = c.Head.ContentLength > c.In.size() ? std::min(c.Head.ContentLength - c.In.size(), MaxDrainBytes) : 0;
    std::string().swap(c.In);
    c.HeadBytes = 0;
    Hold(c, 0);
    c.Deadline = Clock::now() + Opt.RequestDeadline;
    Flush(c);
  }

  void RefuseInFlight(TConn& c, bool knownBody) {
    Refuse(c, 503, "The server is receiving too much at once; try again shortly.", knownBody);
  }

  // Returns false when the connection was closed.
  bool Advance(TConn& c) {
    const std::uint64_t id = c.Id;
    auto alive = [&] { return Conns.count(id) != 0; };
    const auto now = Clock::now();
    if (c.Phase == TPhase::Head) {
      if (c.In.empty()) return true;
      if (!c.Started) {
        c.Started = true;
        c.RequestStart = now;
        if (c.HeadDeadline == Clock::time_point::max()) c.HeadDeadline = now + Opt.HeadTimeout;
        c.Deadline = std::min(c.HeadDeadline, now + Opt.RequestDeadline);
      }
      const std::size_t end = http::FindHeadEnd(c.In, c.HeadScan);
      if (end == std::string::npos) {
        // The next search starts where this one could still find the end of the head.
        c.HeadScan = c.In.size() > 3 ? c.In.size() - 3 : 0;
        if (c.In.size() > http::MaxHeadBytes) Refuse(c, 431, "The request's header fields are too large.", false);
        return alive();
      }
      c.HeadScan = 0;
      std::string error;
      const int status = http::ParseRequestHead(std::string_view(c.In).substr(0, end), c.Head, error);
      if (status != 0) {
        Refuse(c, status, error + ".", false);
        return alive();
      }
      c.In.erase(0, end);
      c.HeadDeadline = Clock::time_point::max();
      c.Deadline = c.RequestStart + Opt.RequestDeadline;
      const std::size_t limit = Opt.BodyLimit ? Opt.BodyLimit(c.Head) : 0;
      if (c.Head.ContentLength > limit) {
        const std::string text = Opt.TooLarge ? Opt.TooLarge(c.Head, limit) : "The request is too large.";
        Refuse(c, 413, text, true);
        return alive();
      }
      // The whole body is reserved from its head on, so a client that stalls halfway holds no more
      // than it could have held anyway.
      c.HeadBytes = end;
      if (!Hold(c, end + std::max(c.In.size(), c.Head.ContentLength))) {
        RefuseInFlight(c, true);
        return alive();
      }
      if (c.In.size() < c.Head.ContentLength) c.In.reserve(c.Head.ContentLength);
      if (c.Head.ExpectContinue && c.In.size() < c.Head.ContentLength) SendNow(c.Fd, "HTTP/1.1 100 Continue\r\n\r\n");
      c.Phase = TPhase::Body;
    }
    if (c.Phase == TPhase::Body) {
      if (c.In.size() < c.Head.ContentLength) return true;
      std::string body;
      if (c.In.size() == c.Head.ContentLength) {
        body.swap(c.In);
      } else {
        body = c.In.substr(0, c.Head.ContentLength);
        c.In.erase(0, c.Head.ContentLength);
      }
      c.Phase = TPhase::Busy;
      StopWaiting(c);
      Watch(c, 0);
      Submit(c, std::move(body));
    }
    return true;
  }

  void OnReadable(TConn& c) {
    char buf[ReadChunk];
    for (;;) {
      if (c.Phase == TPhase::Busy) return;
      // A body is read no further than its end, so its buffer never grows past what its head
      // reserved; what follows it waits in the socket for the next request.
      std::size_t want = sizeof buf;
      if (c.Phase == TPhase::Body) want = std::min(want, c.Head.ContentLength - std::min(c.In.size(), c.Head.ContentLength));
      if (want == 0) want = sizeof buf;
      const ssize_t n = ::recv(c.Fd, buf, want, 0);
      if (n > 0) {
        if (c.Phase == TPhase::Drain) {
          const auto got = static_cast<std::size_t>(n);
          c.DrainLeft = got >= c.DrainLeft ? 0 : c.DrainLeft - got;
          if (c.DrainLeft == 0 && c.Out.empty()) return Close(c);
          continue;
        }
        StartWaiting(c);  // heard from just now
        const std::size_t held = c.HeadBytes + c.In.size() + static_cast<std::size_t>(n);
        if (held > c.Held && !Hold(c, held)) return RefuseInFlight(c, false);
        c.In.append(buf, static_cast<std::size_t>(n));
        // Reading stops when a head is too long or a body is complete; Advance decides.
        if (!Advance(c)) return;
        continue;
      }
      if (n == 0) return Close(c);  // the client has gone
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return;
      return Close(c);
    }
  }

  // Writes what the socket takes; when the reply is out, the connection closes or waits for the
  // next request.
  void Flush(TConn& c) {
    while (c.OutPos < c.Out.size()) {
      const ssize_t n = ::send(c.Fd, c.Out.data() + c.OutPos, c.Out.size() - c.OutPos, MSG_NOSIGNAL);
      if (n > 0) {
        c.OutPos += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        Watch(c, EPOLLOUT | (c.Phase == TPhase::Drain ? EPOLLIN : 0u));
        return;
      }
      return Close(c);
    }
    c.Out.clear();
    c.OutPos = 0;
    if (c.CloseAfterReply) {
      if (c.Phase == TPhase::Drain && c.DrainLeft > 0) {
        ::shutdown(c.Fd, SHUT_WR);
        Watch(c, EPOLLIN);
        return;
      }
      return Close(c);
    }
    // Ready for the next request on this connection.
    c.Phase = TPhase::Head;
    c.Started = false;
    c.HeadDeadline = Clock::time_point::max();
    c.Deadline = Clock::now() + Opt.IdleTimeout;
    std::string().swap(c.Out);
    StartWaiting(c);
    Watch(c, EPOLLIN);
    if (!c.In.empty()) Advance(c);
  }

  void TakeDone() {
    std::uint64_t count;
    [[maybe_unused]] const ssize_t r = ::read(WakeFd, &count, sizeof count);
    std::vector<TDone> done;
    {
      std::lock_guard<std::mutex> lk(DoneLock);
      done.swap(Done);
    }
    for (TDone& d : done) {
      Release(d.Client, d.Held);
      auto it = Conns.find(d.Id);
      if (it == Conns.end()) continue;  // the client went away meanwhile
      TConn& c = *it->second;
      c.Out = std::move(d.Bytes);
      c.OutPos = 0;
      c.CloseAfterReply = d.Close;
      c.Deadline = Clock::now() + Opt.ReplyDeadline;
      Flush(c);
    }
  }

  void Sweep() {
    const auto now = Clock::now();
    if (AcceptPaused && now >= AcceptResume) {
      epoll_event ev{};
      ev.events = EPOLLIN;
      ev.data.u64 = ListenTag;
      epoll_ctl(Epoll, EPOLL_CTL_MOD, ListenFd, &ev);
      AcceptPaused = false;
    }
    std::vector<TConn*> late;
    for (auto& [id, c] : Conns) {
      // A request in a handler has no deadline here; its reply gets one when it is written.
      const bool inHandler = c->Phase == TPhase::Busy && c->Out.empty();
      if (!inHandler && now >= c->Deadline) late.push_back(c.get());
    }
    for (TConn* c : late) CloseLate(*c);
    if (ReleasedSinceTrim >= TrimAfterReleasedBytes && now - LastTrim >= TrimInterval) {
      malloc_trim(0);
      ReleasedSinceTrim = 0;
      LastTrim = now;
    }
  }

  void EventLoop() {
    std::vector<epoll_event> events(256);
    auto lastSweep = Clock::now();
    while (!Stopping) {
      const int n = epoll_wait(Epoll, events.data(), static_cast<int>(events.size()),
                               static_cast<int>(SweepInterval.count()));
      for (int i = 0; i < n && !Stopping; ++i) {
        const std::uint64_t tag = events[static_cast<std::size_t>(i)].data.u64;
        const std::uint32_t what = events[static_cast<std::size_t>(i)].events;
        if (tag == ListenTag) {
          Accept();
          continue;
        }
        if (tag == WakeTag) {
          TakeDone();
          continue;
        }
        auto it = Conns.find(tag);
        if (it == Conns.end()) continue;
        TConn& c = *it->second;
        if (what & (EPOLLERR | EPOLLHUP)) {
          Close(c);
          continue;
        }
        if (what & EPOLLOUT) {
          const std::uint64_t id = c.Id;
          Flush(c);
          if (!Conns.count(id)) continue;
        }
        if (what & EPOLLIN) OnReadable(c);
      }
      if (Clock::now() - lastSweep >= SweepInterval) {
        Sweep();
        lastSweep = Clock::now();
      }
    }
  }
};

THttpServer::THttpServer(THttpServerOptions options) : F(std::make_unique<TImpl>(std::move(options))) {}

THttpServer::~THttpServer() {
  Stop();
  if (F->ListenFd >= 0) ::close(F->ListenFd);
}

int THttpServer::Bind() {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(F->Opt.Port);
  if (getaddrinfo(F->Opt.Host.empty() ? nullptr : F->Opt.Host.c_str(), port.c_str(), &hints, &found) != 0 || !found)
    throw rt::Exception("Cannot resolve the address " + F->Opt.Host);
  int fd = -1;
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, SOMAXCONN) != 0) {
      ::close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(found);
  if (fd < 0) {
    throw rt::Exception(F->Opt.Port == 0 ? "Cannot open a port on " + F->Opt.Host
                                         : "Cannot listen on port " + port + " (is it in use?)");
  }
  F->ListenFd = fd;
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  return addr.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6&>(addr).sin6_port)
                                    : ntohs(reinterpret_cast<sockaddr_in&>(addr).sin_port);
}

void THttpServer::Start() {
  if (F->Started) return;
  if (F->ListenFd < 0) Bind();
  F->Epoll = epoll_create1(EPOLL_CLOEXEC);
  F->WakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (F->Epoll < 0 || F->WakeFd < 0) throw rt::Exception("Cannot start the server's event loop");
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u64 = ListenTag;
  epoll_ctl(F->Epoll, EPOLL_CTL_ADD, F->ListenFd, &ev);
  ev.data.u64 = WakeTag;
  epoll_ctl(F->Epoll, EPOLL_CTL_ADD, F->WakeFd, &ev);
  F->ConnectionLimit = ConnectionCap(F->Opt.MaxConnections);
  F->Started = true;
  for (std::size_t i = 0; i < std::max<std::size_t>(F->Opt.Threads, 1); ++i)
    F->StartWorker();
  F->Loop = std::thread([this] { F->EventLoop(); });
}

void THttpServer::Stop() {
  if (!F->Started || F->Stopped) return;
  F->Stopped = true;
  {
    std::lock_guard<std::mutex> lk(F->QueueLock);
    F->Stopping = true;
  }
  F->QueueWake.notify_all();
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t w = ::write(F->WakeFd, &one, sizeof one);
  if (F->Loop.joinable()) F->Loop.join();
  // Handlers that run finish; requests not yet begun are dropped with their connections.
  for (pthread_t t : F->Workers) pthread_join(t, nullptr);
  F->Workers.clear();
  F->Queue.clear();
  while (!F->Conns.empty()) F->Close(*F->Conns.begin()->second);
  ::close(F->ListenFd);
  F->ListenFd = -1;
  ::close(F->WakeFd);
  ::close(F->Epoll);
}

std::size_t THttpServer::ConnectionCount() const { return F->Open; }

std::size_t THttpServer::MaxConnections() const { return F->ConnectionLimit; }

std::size_t THttpServer::BytesInFlight() const { return F->InFlight; }

}  // namespace web
