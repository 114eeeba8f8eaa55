// The host's monotonic clock; waits are plain condition-variable waits.
#include <chrono>
#include <condition_variable>

#include "platform/Clock.h"

namespace pictova {
namespace {

class TRealClock : public IClock {
 public:
  TRealClock() : FStart(std::chrono::steady_clock::now()) {}

  uint64_t NowMs() override {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - FStart)
                                     .count());
  }

  bool WaitLocked(std::unique_lock<std::mutex>& lock, uint64_t deadline,
                  const std::function<bool()>& ready) override {
    auto test = [&] { return ready && ready(); };
    if (deadline == kNoDeadline) {
      if (!ready) return false;  // nothing could ever end the wait; do not hang
      FChanged.wait(lock, test);
      return true;
    }
    const auto until = FStart + std::chrono::milliseconds(deadline);
    return FChanged.wait_until(lock, until, test);
  }

  void NotifyLocked() override { FChanged.notify_all(); }

 private:
  std::chrono::steady_clock::time_point FStart;
  std::condition_variable FChanged;
};

}  // namespace

std::unique_ptr<IClock> CreateRealClock() { return std::make_unique<TRealClock>(); }

}  // namespace pictova
