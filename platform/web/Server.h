#pragma once
// The HTTP server of the web layer: sessions, events, pages, static files and temporary files.
//
// Addresses (all at the root):
//   GET  /            a new session on the main form (full page)
//   GET  /<entry>     a new session on the form of that entry address (EntryForms)
//   POST /event       an event of the page (or a refresh without one); answers with the new form
//   POST /upload      a file of an uploader (multipart), then as /event
//   GET  /iw.js       the page's script
//   GET  /files/...   files of <wwwroot>/Files
//   GET  /cache/<id>  a temporary file, once
// A session is found by its token, which each page sends with every event. An event with a token
// the server does not know (never issued, or timed out) gets a page saying the session has ended;
// only GET / starts a session, and only while fewer than MaxSessions are open.
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/web/Application.h"
#include "platform/web/HttpServer.h"

namespace web {

// The largest body of an event: the values of every input of the page and the site's cookies.
constexpr std::size_t MaxEventBytes = 1024 * 1024;
// Sessions open at once. When a new one would pass it, the oldest session still on its start page
// ends to make room (of the client holding the most sessions); when none is, the start page
// answers that the server is busy.
constexpr std::size_t DefaultMaxSessions = 1000;
// Sessions one client (one address, see ClientKey) holds at once. A new one beyond it ends that
// client's oldest session still on its start page; when none is, it is refused.
constexpr std::size_t DefaultMaxSessionsPerClient = 50;
// Requests of one session in the server at once (the page sends one event at a time); more are
// answered "busy" instead of each holding a worker while it waits for the session.
constexpr std::size_t MaxRequestsPerSession = 4;

using TFormFactory = std::function<TIWAppForm*(TIWApplication&)>;

struct TIWServerOptions {
  std::string Host = "0.0.0.0";
  int Port = 8885;  // 0: any free port
  std::string WwwRoot = "wwwroot";
  std::chrono::milliseconds SessionTimeout = std::chrono::minutes(10);
  // A session still on its first form (the start page, which moves on by itself) ends sooner.
  std::chrono::milliseconds StartPageTimeout = std::chrono::minutes(2);
  std::size_t MaxSessions = DefaultMaxSessions;
  std::size_t MaxSessionsPerClient = DefaultMaxSessionsPerClient;
  // Workers that run handlers. They only ever take complete requests: reading requests and writing
  // replies is the event loop's (HttpServer.h), so slow clients hold no worker.
  std::size_t Threads = 64;
  // See THttpServerOptions.
  std::size_t MaxConnections = 0;  // 0: from the descriptor limit
  std::size_t MaxConnectionsPerClient = 256;
  std::size_t MaxBytesInFlight = DefaultMaxBytesInFlight;
  std::size_t MaxBytesInFlightPerClient = DefaultMaxBytesInFlightPerClient;
  std::chrono::milliseconds HeadTimeout = DefaultHeadTimeout;
  std::chrono::milliseconds RequestDeadline = std::chrono::seconds(30);
  std::size_t UploadLimit = 1024 * 1024;
  std::string AppName = "ZentorApp";
  // Called for every new session before its main form is created (the controller's hook).
  std::function<void(TIWApplication&)> OnNewSession;
  // Creates and returns the first form of a session; default: TIWAppForm's registered main form.
  std::function<TIWAppForm*(TIWApplication&)> MainForm;
  // Addresses ("/viewer") that start a session on a form of their own instead of the main form.
  std::map<std::string, TFormFactory> EntryForms;
  // Where the server's log lines go; default: standard output.
  std::function<void(const std::string&)> Log;
};

class TIWServer {
public:
  explicit TIWServer(TIWServerOptions options);
  ~TIWServer();
  TIWServer(const TIWServer&) = delete;
  TIWServer& operator=(const TIWServer&) = delete;

  // Starts listening; returns the port. Throws rt::Exception when the port cannot be opened.
  int Start();
  // Stops listening and ends every session.
  void Stop();
  int Port() const;
  std::size_t SessionCount() const;
  // The transport's figures (tests, the log).
  std::size_t ConnectionCount() const;
  std::size_t MaxConnections() const;
  std::size_t BytesInFlight() const;

private:
  struct TImpl;
  std::unique_ptr<TImpl> F;
};

// The page's script and style sheet.
const std::string& ClientScript();
const std::string& ClientStyle();

}  // namespace web
