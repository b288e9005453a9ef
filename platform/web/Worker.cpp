#include "platform/web/Worker.h"

#include <exception>
#include <utility>

namespace web {

TIWWorker::~TIWWorker() {
  Cancel();
  Wait();
}

bool TIWWorker::Start(TJob Job) {
  std::unique_lock<std::mutex> lk(FLock);
  if (FRunning) return false;
  if (FThread.joinable()) {
    // The previous job's thread has ended its work; collect it.
    lk.unlock();
    FThread.join();
    lk.lock();
  }
  FRunning = true;
  ++FJobNumber;
  FFinished = false;
  FCancelled = false;
  FError.clear();
  FProgressText.clear();
  FProgressCount = 0;
  FThread = std::thread([this, job = std::move(Job)] {
    std::string error;
    try {
      job(*this);
    } catch (const std::exception& e) {
      error = e.what();
      if (error.empty()) error = "The work failed";
    } catch (...) {
      error = "The work failed";
    }
    std::unique_lock<std::mutex> lk(FLock);
    // Calls queued while the job ended still run here, so no request waits for nothing.
    RunQueued(lk);
    FError = std::move(error);
    FRunning = false;
    FFinished = true;
    FAsking = false;
    FChanged.notify_all();
  });
  return true;
}

bool TIWWorker::Running() const {
  std::lock_guard<std::mutex> lk(FLock);
  return FRunning;
}

std::uint64_t TIWWorker::JobNumber() const {
  std::lock_guard<std::mutex> lk(FLock);
  return FJobNumber;
}

bool TIWWorker::TakeFinished() {
  std::lock_guard<std::mutex> lk(FLock);
  return std::exchange(FFinished, false);
}

std::string TIWWorker::Error() const {
  std::lock_guard<std::mutex> lk(FLock);
  return FError;
}

void TIWWorker::Wait() {
  {
    std::unique_lock<std::mutex> lk(FLock);
    FChanged.wait(lk, [this] { return !FRunning; });
  }
  if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

void TIWWorker::Cancel() {
  std::lock_guard<std::mutex> lk(FLock);
  if (!FRunning) return;
  FCancelled = true;
  FChanged.notify_all();
}

bool TIWWorker::Cancelled() const {
  std::lock_guard<std::mutex> lk(FLock);
  return FCancelled;
}

void TIWWorker::SetProgress(const std::string& Text, int Count) {
  std::lock_guard<std::mutex> lk(FLock);
  FProgressText = Text;
  FProgressCount = Count;
}

std::string TIWWorker::ProgressText() const {
  std::lock_guard<std::mutex> lk(FLock);
  return FProgressText;
}

int TIWWorker::ProgressCount() const {
  std::lock_guard<std::mutex> lk(FLock);
  return FProgressCount;
}

bool TIWWorker::RunAtSafePoint(const std::function<void()>& Fn, std::chrono::milliseconds Timeout) {
  std::unique_lock<std::mutex> lk(FLock);
  if (!FRunning) {
    lk.unlock();
    Fn();
    return true;
  }
  auto call = std::make_shared<TCall>();
  call->Fn = Fn;
  FCalls.push_back(call);
  FChanged.notify_all();
  if (FChanged.wait_for(lk, Timeout, [&] { return call->Done; })) return true;
  // Not reached in time: taken back unless it is running at this moment.
  for (auto it = FCalls.begin(); it != FCalls.end(); ++it) {
    if (*it == call) {
      FCalls.erase(it);
      return false;
    }
  }
  FChanged.wait(lk, [&] { return call->Done; });
  return true;
}

void TIWWorker::RunQueued(std::unique_lock<std::mutex>& lk) {
  while (!FCalls.empty()) {
    std::shared_ptr<TCall> call = FCalls.front();
    FCalls.pop_front();
    lk.unlock();
    try {
      call->Fn();
    } catch (...) {
      // The request's call reports its own failures; the job goes on.
    }
    lk.lock();
    call->Done = true;
    FChanged.notify_all();
  }
}

void TIWWorker::SafePoint() {
  std::unique_lock<std::mutex> lk(FLock);
  RunQueued(lk);
}

std::optional<std::string> TIWWorker::Ask(const std::string& Question) {
  std::unique_lock<std::mutex> lk(FLock);
  if (FCancelled) return std::nullopt;
  FAsking = true;
  FQuestion = Question;
  FAnswer.reset();
  const auto until = std::chrono::steady_clock::now() + MaxAnswerWait;
  while (!FAnswer && !FCancelled) {
    RunQueued(lk);
    if (FChanged.wait_until(lk, until, [&] { return FAnswer || FCancelled || !FCalls.empty(); })) continue;
    break;  // nobody answered in time
  }
  FAsking = false;
  FQuestion.clear();
  if (FCancelled) return std::nullopt;
  return std::exchange(FAnswer, std::nullopt);
}

std::string TIWWorker::Question() const {
  std::lock_guard<std::mutex> lk(FLock);
  return FAsking ? FQuestion : std::string();
}

bool TIWWorker::Answer(const std::string& Value) {
  std::lock_guard<std::mutex> lk(FLock);
  if (!FAsking || FAnswer) return false;
  FAnswer = Value;
  FChanged.notify_all();
  return true;
}

}  // namespace web
