// The virtual clock on its own: who counts as waiting, when time may jump, and stalls.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/headless/HeadlessClock.h"

namespace pictova {
namespace {

// A counted worker as TThread makes one: counted by its creator, attached in the thread.
std::thread CountedThread(TVirtualClock& clock, std::function<void()> body) {
  clock.ThreadStarted();
  return std::thread([&clock, body = std::move(body)] {
    clock.AttachCurrentThread();
    body();
    clock.ThreadEnded();
  });
}

TEST(VirtualClockTest, TimeStandsStillWhileACountedThreadRuns) {
  TVirtualClock clock(1000);
  std::atomic<bool> computed{false};
  std::thread worker = CountedThread(clock, [&] {
    // Real work that takes real time: no virtual time may pass meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    computed = true;
    clock.Sleep(500);
  });
  clock.Sleep(10);
  EXPECT_TRUE(computed);
  EXPECT_EQ(clock.NowMs(), 1010u);
  clock.Sleep(1000);  // passes the worker's wake-up at 1530 and its end
  EXPECT_EQ(clock.NowMs(), 2010u);
  worker.join();

  // Sleep(0) neither blocks nor moves time.
  clock.Sleep(0);
  EXPECT_EQ(clock.NowMs(), 2010u);
}

TEST(VirtualClockTest, ConditionWaitsAreReleasedByTheNotifierAndStallsAreSeen) {
  TVirtualClock clock;
  bool ready = false;  // guarded by the clock's lock
  std::thread worker = CountedThread(clock, [&] {
    std::unique_lock<std::mutex> lock(clock.Lock());
    EXPECT_TRUE(clock.WaitLocked(lock, IClock::kNoDeadline, [&] { return ready; }));
  });
  // Everybody waits without a deadline: nothing can happen any more, and the clock says so.
  std::thread helper([&] {
    while (true) {
      {
        std::lock_guard<std::mutex> guard(clock.Lock());
        if (clock.Stalled()) {
          ready = true;
          clock.NotifyLocked();
          return;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  {
    std::unique_lock<std::mutex> lock(clock.Lock());
    EXPECT_TRUE(clock.WaitLocked(lock, IClock::kNoDeadline, [&] { return ready; }));
    // A wait whose deadline has passed returns at once with the condition's value.
    EXPECT_TRUE(clock.WaitLocked(lock, 0, [&] { return ready; }));
    EXPECT_FALSE(clock.WaitLocked(lock, 0, {}));
  }
  helper.join();
  worker.join();
  EXPECT_EQ(clock.NowMs(), 0u);
}

TEST(VirtualClockTest, QuiesceWaitsUntilEveryWorkerIsBlockedAgain) {
  TVirtualClock clock;
  std::atomic<int> steps{0};
  std::thread worker = CountedThread(clock, [&] {
    for (int i = 0; i < 3; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      ++steps;
      clock.Sleep(100);
    }
  });
  for (int i = 1; i <= 3; ++i) {
    {
      std::unique_lock<std::mutex> lock(clock.Lock());
      clock.Quiesce(lock);
    }
    EXPECT_EQ(steps.load(), i);
    clock.Sleep(100);  // both wake at the same time; the worker takes its next step
  }
  worker.join();
  EXPECT_EQ(clock.NowMs(), 300u);
}

}  // namespace
}  // namespace pictova
