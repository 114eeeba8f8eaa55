// The virtual clock: time stands still while any counted thread runs, and jumps to the
// earliest deadline once every counted thread waits.
#pragma once

#include <atomic>
#include <condition_variable>
#include <vector>

#include "platform/Clock.h"

namespace pictova {

// Counted threads are the UI thread (the one that creates the clock) and every worker
// between ThreadStarted and ThreadEnded. A counted thread is "blocked" from the moment it
// enters a wait until somebody releases it (its condition became true after a
// NotifyLocked, or the clock reached its deadline); the release is decided by the releasing
// thread under the lock, so a thread that was released but has not yet been scheduled
// still counts as running and time cannot run past it.
class TVirtualClock : public IClock {
 public:
  explicit TVirtualClock(uint64_t startMs = 0);
  ~TVirtualClock() override;

  uint64_t NowMs() override { return FNow.load(std::memory_order_acquire); }
  bool WaitLocked(std::unique_lock<std::mutex>& lock, uint64_t deadline,
                  const std::function<bool()>& ready) override;
  void NotifyLocked() override;
  void ThreadStarted() override;
  void ThreadEnded() override;
  void ThreadEndedLocked() override;
  void Quiesce(std::unique_lock<std::mutex>& lock) override;
  bool IsVirtual() const override { return true; }

  // Marks the calling thread as counted; TThread does this first thing in the new thread
  // (the count itself was taken by ThreadStarted in the creating thread).
  void AttachCurrentThread() override;

  // How often time advanced, and whether the last attempt found nothing to wait for.
  uint64_t Advances() const { return FAdvances; }
  bool Stalled() const { return FStalled; }

 private:
  struct TWaiter {
    uint64_t Deadline;
    const std::function<bool()>* Ready;
    bool Counted;
    bool Released = false;
    std::condition_variable Wake;
  };

  void Release(TWaiter& waiter);
  void MaybeAdvance();
  bool IsCountedThread() const;

  std::atomic<uint64_t> FNow;
  int FCounted = 1;         // counted threads alive (the UI thread from the start)
  int FBlocked = 0;         // counted threads waiting and not released
  std::vector<TWaiter*> FWaiters;
  std::condition_variable FQuiet;  // signalled whenever FBlocked rises or FCounted falls
  uint64_t FAdvances = 0;
  bool FStalled = false;
};

}  // namespace pictova
