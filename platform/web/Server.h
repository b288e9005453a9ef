#pragma once
// The HTTP server of the web layer: sessions, events, pages, static files and temporary files.
//
// Addresses (all at the root):
//   GET  /            a new session on the main form (full page)
//   POST /event       an event of the page (or a refresh without one); answers with the new form
//   POST /upload      a file of an uploader (multipart), then as /event
//   GET  /iw.js       the page's script
//   GET  /files/...   files of <wwwroot>/Files
//   GET  /cache/<id>  a temporary file, once
// A session is found by its token, which each page sends with every event; a token the server does
// not know (never issued, or timed out) starts a new session at the main form.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/web/Application.h"

namespace web {

struct TIWServerOptions {
  std::string Host = "0.0.0.0";
  int Port = 8885;  // 0: any free port
  std::string WwwRoot = "wwwroot";
  std::chrono::milliseconds SessionTimeout = std::chrono::minutes(10);
  // Threads of the request pool. A connection holds its thread while the browser keeps it alive,
  // so this bounds the connections served at once.
  std::size_t Threads = 256;
  std::size_t UploadLimit = 1024 * 1024;
  std::string AppName = "ZentorApp";
  // Called for every new session before its main form is created (the controller's hook).
  std::function<void(TIWApplication&)> OnNewSession;
  // Creates and returns the first form of a session; default: TIWAppForm's registered main form.
  std::function<TIWAppForm*(TIWApplication&)> MainForm;
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

private:
  struct TImpl;
  std::unique_ptr<TImpl> F;
};

// The page's script and style sheet.
const std::string& ClientScript();
const std::string& ClientStyle();

}  // namespace web
