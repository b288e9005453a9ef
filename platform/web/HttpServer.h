#pragma once
// The HTTP/1.1 transport under the web layer: one event-loop thread reads every connection's request
// without blocking, and only a complete request reaches a worker thread. A client that trickles its
// request therefore costs a socket and a buffer, never a worker, and is closed when it has not
// delivered the whole request within the request deadline. Replies are written by the event loop
// too, so a client that reads slowly holds no worker either.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/web/HttpParse.h"

namespace web {

struct THttpRequest {
  http::TRequestHead Head;
  std::string Body;
  std::string RemoteAddr;
  const std::string& Method() const { return Head.Method; }
  const std::string& Path() const { return Head.Path; }
  // Value of the first header of that lower-case name; empty when there is none.
  const std::string& Header(std::string_view name) const;
};

struct THttpResponse {
  int Status = 200;
  std::string ContentType = "text/plain; charset=utf-8";
  std::string Body;
  // The length a reply to HEAD announces when its Body is left empty (the body a GET would get).
  std::optional<std::size_t> HeadLength;
  std::vector<std::pair<std::string, std::string>> Headers;
  // Closes the connection after this reply.
  bool Close = false;

  void SetContent(std::string body, std::string contentType) {
    Body = std::move(body);
    ContentType = std::move(contentType);
  }
  void AddHeader(std::string name, std::string value) { Headers.emplace_back(std::move(name), std::move(value)); }
};

// A new connection that has not delivered its whole request head within this is closed.
constexpr std::chrono::seconds DefaultHeadTimeout{10};
// Descriptors the process keeps for everything but connections (files, the event loop, workers),
// when the connection cap follows the descriptor limit.
constexpr std::size_t ReservedDescriptors = 512;
// Connections open at once whatever the descriptor limit allows: each costs kernel memory.
constexpr std::size_t MaxConnectionsCeiling = 65536;
// Request bytes held in memory at once: heads as they arrive, and each request's head and body from
// the moment its head announces the body until its handler has finished. Past either cap a
// request is answered 503 instead of being read.
constexpr std::size_t DefaultMaxBytesInFlight = 128 * 1024 * 1024;
constexpr std::size_t DefaultMaxBytesInFlightPerClient = 8 * 1024 * 1024;

// The key under which a client's connections, bytes and sessions are counted: the IPv4 address,
// or the /64 prefix of an IPv6 address (one host holds a whole /64).
std::string ClientKey(const std::string& remoteAddr);

struct THttpServerOptions {
  std::string Host = "0.0.0.0";
  int Port = 0;  // 0: any free port
  // Workers run the handler on complete requests only.
  std::size_t Threads = 32;
  // Connections open at once (0: the descriptor limit less ReservedDescriptors, at most
  // MaxConnectionsCeiling). At the cap the connection that has been silent longest (waiting for its
  // request, not in a handler or taking a reply) is closed to make room; when there is none, the
  // new connection gets a 503 and is closed.
  std::size_t MaxConnections = 0;
  // Connections from one client (ClientKey); past it a new connection gets a 503 and is closed.
  std::size_t MaxConnectionsPerClient = 256;
  // Request bytes in memory at once, overall and from one client (see DefaultMaxBytesInFlight).
  std::size_t MaxBytesInFlight = DefaultMaxBytesInFlight;
  std::size_t MaxBytesInFlightPerClient = DefaultMaxBytesInFlightPerClient;
  // From a new connection to the end of its request head.
  std::chrono::milliseconds HeadTimeout = DefaultHeadTimeout;
  // From the first byte of a request to its last; a connection that has not delivered the whole
  // request by then is closed.
  std::chrono::milliseconds RequestDeadline = std::chrono::seconds(30);
  // A kept-alive connection without a new request is closed after this.
  std::chrono::milliseconds IdleTimeout = std::chrono::seconds(5);
  // For the whole of one reply to be taken by the client.
  std::chrono::milliseconds ReplyDeadline = std::chrono::seconds(60);
  // The largest body a request may carry, by its head; a larger one is refused with 413 and the
  // text TooLarge gives, before its body is read.
  std::function<std::size_t(const http::TRequestHead&)> BodyLimit;
  std::function<std::string(const http::TRequestHead&, std::size_t limit)> TooLarge;
  // Default headers of every reply.
  std::vector<std::pair<std::string, std::string>> DefaultHeaders;
  // Runs on a worker with a complete request. An exception becomes a 500 reply.
  std::function<void(const THttpRequest&, THttpResponse&)> Handler;
  std::function<void(const std::string&)> Log;
};

class THttpServer {
public:
  explicit THttpServer(THttpServerOptions options);
  ~THttpServer();
  THttpServer(const THttpServer&) = delete;
  THttpServer& operator=(const THttpServer&) = delete;

  // Opens the port; returns it. Throws rt::Exception when it cannot be opened.
  int Bind();
  // Starts the event loop and the workers.
  void Start();
  // Stops taking connections, closes every connection, and waits for the handlers that run.
  void Stop();
  // Connections open now (for tests and the log).
  std::size_t ConnectionCount() const;
  // The connection cap in force (after Start).
  std::size_t MaxConnections() const;
  // Request bytes held in memory now (see DefaultMaxBytesInFlight).
  std::size_t BytesInFlight() const;

private:
  struct TImpl;
  std::unique_ptr<TImpl> F;
};

// The reply's bytes as they go on the wire (status line, headers, body).
std::string FormatResponse(const THttpResponse& r, bool headOnly, bool keepAlive,
                           const std::vector<std::pair<std::string, std::string>>& defaultHeaders);

}  // namespace web
