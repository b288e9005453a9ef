#pragma once
// Ends a script run that outlives its budget, for fuzz targets that run scripts of any content.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace scripttest {

// Calls Terminate once the budget is spent, and again every few milliseconds until the watchdog
// is destroyed (a routine entered after a Terminate clears its own flag).
class TScriptWatchdog {
public:
  TScriptWatchdog(std::chrono::milliseconds Budget, std::function<void()> Terminate)
      : FThread([this, Budget, Terminate = std::move(Terminate)] {
          std::unique_lock<std::mutex> L(FLock);
          if (FDone.wait_for(L, Budget, [this] { return FFinished; })) return;
          while (!FFinished) {
            Terminate();
            FDone.wait_for(L, std::chrono::milliseconds(5), [this] { return FFinished; });
          }
        }) {}
  ~TScriptWatchdog() {
    {
      std::lock_guard<std::mutex> L(FLock);
      FFinished = true;
    }
    FDone.notify_all();
    FThread.join();
  }
  TScriptWatchdog(const TScriptWatchdog&) = delete;
  TScriptWatchdog& operator=(const TScriptWatchdog&) = delete;

private:
  std::mutex FLock;
  std::condition_variable FDone;
  bool FFinished = false;
  std::thread FThread;  // last: it starts once the members it reads exist
};

}  // namespace scripttest
