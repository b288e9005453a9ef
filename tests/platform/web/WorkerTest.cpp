#include "platform/web/Worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <chrono>
#include <stdexcept>
#include <thread>

using namespace web;
using namespace std::chrono_literals;

namespace {

// Runs steps until cancelled, with a safe point after each.
void Steps(TIWWorker& W, std::atomic<int>& Count) {
  while (!W.Cancelled()) {
    W.SetProgress("Page " + std::to_string(++Count), Count);
    W.SafePoint();
    std::this_thread::sleep_for(1ms);
  }
}

void WaitFor(const std::function<bool()>& Cond) {
  for (int i = 0; i < 5000 && !Cond(); ++i) std::this_thread::sleep_for(1ms);
}

}  // namespace

TEST(Worker, RunsOffTheCallerAndReportsProgressUntilCancelled) {
  TIWWorker W;
  std::atomic<int> Count{0};
  ASSERT_TRUE(W.Start([&](TIWWorker& Self) { Steps(Self, Count); }));
  EXPECT_FALSE(W.Start([](TIWWorker&) {})) << "one job at a time";
  WaitFor([&] { return W.ProgressCount() >= 3; });
  EXPECT_TRUE(W.Running());
  EXPECT_EQ(W.ProgressText().rfind("Page ", 0), 0u);
  const auto asked = std::chrono::steady_clock::now();
  W.Cancel();
  W.Wait();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
  EXPECT_FALSE(W.Running());
  EXPECT_TRUE(W.TakeFinished());
  EXPECT_FALSE(W.TakeFinished()) << "the end is seen once";
  EXPECT_EQ(W.Error(), "");
}

TEST(Worker, AFailingJobLeavesItsMessageAndANewJobCanStart) {
  TIWWorker W;
  ASSERT_TRUE(W.Start([](TIWWorker&) { throw std::runtime_error("The report could not be prepared"); }));
  W.Wait();
  EXPECT_EQ(W.Error(), "The report could not be prepared");
  std::atomic<bool> Ran{false};
  ASSERT_TRUE(W.Start([&](TIWWorker&) { Ran = true; }));
  W.Wait();
  EXPECT_TRUE(Ran);
  EXPECT_EQ(W.Error(), "");
}

TEST(Worker, CallsFromRequestsRunOnTheJobsThreadAtItsSafePoints) {
  TIWWorker W;
  std::atomic<int> Count{0};
  std::thread::id JobThread;
  ASSERT_TRUE(W.Start([&](TIWWorker& Self) {
    JobThread = std::this_thread::get_id();
    Steps(Self, Count);
  }));
  std::thread::id RanOn;
  ASSERT_TRUE(W.RunAtSafePoint([&] { RanOn = std::this_thread::get_id(); }, 5s));
  EXPECT_EQ(RanOn, JobThread);
  W.Cancel();
  W.Wait();
  bool Direct = false;
  EXPECT_TRUE(W.RunAtSafePoint([&] { Direct = true; }, 1ms)) << "without a job the call runs at once";
  EXPECT_TRUE(Direct);
}

TEST(Worker, ACallTheJobNeverReachesTimesOutAndNeverRuns) {
  TIWWorker W;
  std::atomic<bool> Release{false};
  ASSERT_TRUE(W.Start([&](TIWWorker&) {
    while (!Release) std::this_thread::sleep_for(1ms);  // a long step without safe points
  }));
  std::atomic<bool> Ran{false};
  EXPECT_FALSE(W.RunAtSafePoint([&] { Ran = true; }, 50ms));
  Release = true;
  W.Wait();
  EXPECT_FALSE(Ran) << "a call taken back does not run later";
}

TEST(Worker, QuestionsWaitForTheBrowsersAnswerAndCancelRefusesThem) {
  struct Case {
    const char* Name;
    bool Cancel;
    std::optional<std::string> Expected;
  };
  for (const Case& c : {Case{"answered", false, std::string("Rename duplicates")}, Case{"cancelled", true, std::nullopt}}) {
    SCOPED_TRACE(c.Name);
    TIWWorker W;
    std::optional<std::string> Got = std::string("unset");
    ASSERT_TRUE(W.Start([&](TIWWorker& Self) { Got = Self.Ask("inherit"); }));
    WaitFor([&] { return !W.Question().empty(); });
    EXPECT_EQ(W.Question(), "inherit");
    // A request's call still gets through while the job waits for its answer.
    bool Ran = false;
    EXPECT_TRUE(W.RunAtSafePoint([&] { Ran = true; }, 5s));
    EXPECT_TRUE(Ran);
    if (c.Cancel) {
      W.Cancel();
    } else {
      EXPECT_TRUE(W.Answer("Rename duplicates"));
    }
    W.Wait();
    EXPECT_EQ(Got, c.Expected);
    EXPECT_EQ(W.Question(), "");
    EXPECT_FALSE(W.Answer("late")) << "nothing waits any more";
  }
}

TEST(Worker, TheWorkersEndCancelsAndWaitsForItsJob) {
  std::atomic<bool> Ended{false};
  {
    TIWWorker W;
    ASSERT_TRUE(W.Start([&](TIWWorker& Self) {
      EXPECT_FALSE(Self.Ask("password").has_value());
      Ended = true;
    }));
    WaitFor([&] { return !W.Question().empty(); });
  }
  EXPECT_TRUE(Ended);
}
