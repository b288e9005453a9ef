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
  std::vector<std::pair<std::string, std::string>> Headers;
  // Closes the connection after this reply.
  bool Close = false;

  void SetContent(std::string body, std::string contentType) {
    Body = std::move(body);
    ContentType = std::move(contentType);
  }
  void AddHeader(std::string name, std::string value) { Headers.emplace_back(std::move(name), std::move(value)); }
};

struct THttpServerOptions {
  std::string Host = "0.0.0.0";
  int Port = 0;  // 0: any free port
  // Workers run the handler on complete requests only.
  std::size_t Threads = 32;
  // Connections open at once, and from one client address. Past them a new connection gets a 503
  // and is closed.
  std::size_t MaxConnections = 2000;
  std::size_t MaxConnectionsPerClient = 256;
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

private:
  struct TImpl;
  std::unique_ptr<TImpl> F;
};

// The reply's bytes as they go on the wire (status line, headers, body).
std::string FormatResponse(const THttpResponse& r, bool headOnly, bool keepAlive,
                           const std::vector<std::pair<std::string, std::string>>& defaultHeaders);

}  // namespace web
