#pragma once
// The application's controller (settings and the new-session hook) and the program's start.
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/web/Application.h"

namespace web {

class TIWServerControllerBase {
public:
  TIWServerControllerBase() = default;
  virtual ~TIWServerControllerBase() = default;

  std::string AppName = "IWApp";
  std::string Description;
  std::string DisplayName;
  int Port = 8885;
  struct {
    // The framework's own session cookie; this web layer keeps the session in a page token and
    // never writes a cookie of its own either way.
    bool UseCookies = true;
  } CookieOptions;
  std::chrono::milliseconds SessionTimeout = std::chrono::minutes(10);
  std::function<void(TIWApplication& ASession)> OnNewSession;

  template <class T>
  static void SetServerControllerClass() {
    SetControllerFactory([] { return std::unique_ptr<TIWServerControllerBase>(std::make_unique<T>()); });
  }
  static void SetControllerFactory(std::function<std::unique_ptr<TIWServerControllerBase>()> factory);
  // An object of the registered controller class (the base class when none is registered).
  static std::unique_ptr<TIWServerControllerBase> CreateController();
};

class TIWStart {
public:
  struct TOptions {
    int Port = -1;  // -1: the controller's port; 0: any free port
    std::string WwwRoot = "wwwroot";
    std::string Host = "0.0.0.0";
    // Addresses that start a session on a form of their own (see TIWServerOptions::EntryForms).
    std::map<std::string, std::function<TIWAppForm*(TIWApplication&)>> EntryForms;
  };
  // Serves HTTP until the process gets SIGINT or SIGTERM; returns the process's exit code.
  // The server window is the console: it shows the start address and the sessions coming and going.
  static int Execute(const TOptions& options);
};

}  // namespace web
