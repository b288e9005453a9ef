#pragma once
// Work that runs off the request. A session starts a long job (preparing or exporting a report)
// on a thread of the job's own and keeps answering events meanwhile; a timer of its page polls
// the job's progress. The job and the session meet only
//   - at safe points, where calls a request queued run on the job's thread between its steps
//     (so a request may read what the job builds without both touching it at once), and
//   - through questions the job asks the browser and waits on; Cancel, the session's end or no
//     answer within MaxAnswerWait wake it with a refusal, so nothing is left waiting.
// The job never takes the session's lock and must not touch the session's forms.
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace web {

class TIWWorker {
public:
  // How long a question waits for the browser's answer before it counts as refused.
  static constexpr std::chrono::minutes MaxAnswerWait{10};

  TIWWorker() = default;
  // Cancels a running job and waits for it to end.
  ~TIWWorker();
  TIWWorker(const TIWWorker&) = delete;
  TIWWorker& operator=(const TIWWorker&) = delete;

  using TJob = std::function<void(TIWWorker& Worker)>;
  // Starts the job on a thread of its own; false (nothing started) while a job runs.
  bool Start(TJob Job);
  bool Running() const;
  // True once after a job has ended (finished, failed or cancelled): the poll that sees it.
  bool TakeFinished();
  // What the last job raised; empty when it ended normally.
  std::string Error() const;
  // Waits until the running job has ended.
  void Wait();
  // Counts the jobs started, so that something per job can tell one job from the next.
  std::uint64_t JobNumber() const;

  // Asks the job to stop: Cancelled() turns true and a waiting question is refused. The job
  // decides where it stops (it polls Cancelled() at its steps).
  void Cancel();
  bool Cancelled() const;

  // ---- progress: written by the job, read by the polling requests ----
  void SetProgress(const std::string& Text, int Count);
  std::string ProgressText() const;
  int ProgressCount() const;

  // ---- safe points ----
  // On a request: runs Fn on the job's thread at its next safe point and waits for it. Without a
  // running job Fn runs at once on the caller's thread. False when the job reached no safe point
  // within Timeout (Fn then never runs).
  bool RunAtSafePoint(const std::function<void()>& Fn, std::chrono::milliseconds Timeout);
  // On the job's thread: runs the calls that requests queued.
  void SafePoint();

  // ---- questions ----
  // On the job's thread: Question waits for the browser's answer (a safe point meanwhile);
  // nullopt when refused (Cancel, the worker's end, no answer within MaxAnswerWait).
  std::optional<std::string> Ask(const std::string& Question);
  // On a request: the question waiting for an answer; empty when none.
  std::string Question() const;
  // On a request: answers the waiting question; false when none waits.
  bool Answer(const std::string& Value);

private:
  struct TCall {
    std::function<void()> Fn;
    bool Done = false;
  };
  void RunQueued(std::unique_lock<std::mutex>& lk);

  mutable std::mutex FLock;
  std::condition_variable FChanged;
  std::thread FThread;
  bool FRunning = false, FFinished = false, FCancelled = false;
  std::string FError, FProgressText;
  int FProgressCount = 0;
  std::uint64_t FJobNumber = 0;
  std::deque<std::shared_ptr<TCall>> FCalls;
  bool FAsking = false;
  std::string FQuestion;
  std::optional<std::string> FAnswer;
};

}  // namespace web
