#pragma once
// A browser session as the web layer sees it, and the thread's current session.
// The web server sets the current application for the duration of each request it serves;
// code further up (the session object's accessor) reads it from there.
#include <memory>

namespace web {

// Base of the per-session data object that the application's new-session hook creates.
class TIWUserSessionBase {
public:
  virtual ~TIWUserSessionBase() = default;
};

class TIWApplication {
public:
  TIWApplication() = default;
  virtual ~TIWApplication() = default;
  TIWApplication(const TIWApplication&) = delete;
  TIWApplication& operator=(const TIWApplication&) = delete;

  TIWUserSessionBase* Data() const { return FData.get(); }
  void SetData(std::unique_ptr<TIWUserSessionBase> data) { FData = std::move(data); }

private:
  std::unique_ptr<TIWUserSessionBase> FData;
};

// The application whose request the calling thread serves; nullptr on any other thread.
TIWApplication* CurrentApplication() noexcept;

// Makes an application current on this thread for the scope's lifetime (request threads, tests).
class TCurrentApplicationScope {
public:
  explicit TCurrentApplicationScope(TIWApplication* app) noexcept;
  ~TCurrentApplicationScope();
  TCurrentApplicationScope(const TCurrentApplicationScope&) = delete;
  TCurrentApplicationScope& operator=(const TCurrentApplicationScope&) = delete;

private:
  TIWApplication* FPrevious;
};

} // namespace web
