// The time base of the program and every blocking wait that must be visible to it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace pictova {

// All waits of the framework (message loop idle, Sleep, Synchronize hand-over, WaitFor,
// events) go through the clock, under the clock's one lock. A real clock just waits; the
// virtual clock of the headless backend counts who waits and, when every counted thread
// waits, jumps to the earliest deadline. Conditions that waiters test must be changed only
// under Lock(), followed by NotifyLocked().
class IClock {
 public:
  static constexpr uint64_t kNoDeadline = UINT64_MAX;

  virtual ~IClock() = default;

  // Milliseconds since the clock started (64 bits: never wraps in practice).
  virtual uint64_t NowMs() = 0;
  // The platform's 32-bit millisecond tick counter (wraps after 49.7 days).
  uint32_t GetTickCount() { return static_cast<uint32_t>(NowMs()); }
  // Blocks the calling thread for ms milliseconds.
  void Sleep(uint32_t ms);

  std::mutex& Lock() { return FLock; }

  // With `lock` holding Lock(): returns at once if ready() holds; otherwise waits until it
  // holds (after a NotifyLocked) or the clock reaches `deadline` (absolute, NowMs scale).
  // Returns the final value of ready(). ready may be empty (a pure timed wait).
  virtual bool WaitLocked(std::unique_lock<std::mutex>& lock, uint64_t deadline,
                          const std::function<bool()>& ready) = 0;
  // Re-tests the conditions of the waiting threads; call with Lock() held after changing one.
  virtual void NotifyLocked() = 0;

  // Worker accounting: a thread that may wait through this clock is counted from
  // ThreadStarted (called by the creator, before the thread runs) to ThreadEnded (called by
  // the thread as its last act). The UI thread is counted from the clock's creation.
  // AttachCurrentThread is the new thread's first act.
  virtual void ThreadStarted() {}
  virtual void AttachCurrentThread() {}
  virtual void ThreadEnded() {}
  // ThreadEnded with Lock() held: a worker's last act on the clock. Ending the count in the
  // same hold of the lock that tells the waiters it finished leaves no moment in which the
  // platform (and the clock with it) may already be gone while the worker still uses it.
  virtual void ThreadEndedLocked() {}

  // Called by the UI thread before it takes its next message: with the virtual clock it
  // waits until every worker is blocked again, so that the order in which the UI thread
  // sees the workers' requests never depends on the host's scheduling. No-op elsewhere.
  virtual void Quiesce(std::unique_lock<std::mutex>& lock) {}

  // Whether time only advances when everybody waits (headless).
  virtual bool IsVirtual() const { return false; }

 private:
  std::mutex FLock;
};

inline void IClock::Sleep(uint32_t ms) {
  std::unique_lock<std::mutex> lock(FLock);
  WaitLocked(lock, NowMs() + ms, {});
}

// A clock on the host's monotonic time; waits are condition-variable waits.
std::unique_ptr<IClock> CreateRealClock();

}  // namespace pictova
