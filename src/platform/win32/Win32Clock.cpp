// The win32 clock: the system's millisecond tick counter, Sleep for plain waits.
#include "platform/win32/Win32Api.h"

#include <chrono>
#include <condition_variable>

#include "platform/win32/Win32Platform.h"

namespace pictova {
namespace {

class TWin32Clock : public IClock {
 public:
  // GetTickCount, widened to 64 bits: the high part counts the wraps (every 49.7 days). Any
  // thread may ask, so the widening has a lock of its own (the clock's lock may be held).
  uint64_t NowMs() override {
    std::lock_guard<std::mutex> guard(FTickLock);
    const uint32_t tick = ::GetTickCount();
    if (tick < FLastTick) FHigh += uint64_t{1} << 32;
    FLastTick = tick;
    return FHigh | tick;
  }

  bool WaitLocked(std::unique_lock<std::mutex>& lock, uint64_t deadline,
                  const std::function<bool()>& ready) override {
    auto test = [&] { return ready && ready(); };
    for (;;) {
      if (test()) return true;
      if (deadline == kNoDeadline) {
        if (!ready) return false;  // nothing could ever end the wait; do not hang
        FChanged.wait(lock);
        continue;
      }
      const uint64_t now = NowMs();
      if (now >= deadline) return false;
      // The tick counter moves in steps of the system timer (10 to 16 ms on Windows): wait
      // again until it has reached the deadline, so that a Sleep(n) is never shorter than n
      // as the program's own GetTickCount sees it.
      const uint64_t left = deadline - now;
      if (!ready) {
        lock.unlock();
        ::Sleep(static_cast<DWORD>(std::min<uint64_t>(left, 0x7FFFFFFF)));
        lock.lock();
      } else {
        FChanged.wait_for(lock, std::chrono::milliseconds(left));
      }
    }
  }

  void NotifyLocked() override { FChanged.notify_all(); }

 private:
  std::mutex FTickLock;
  uint32_t FLastTick = 0;
  uint64_t FHigh = 0;
  std::condition_variable FChanged;
};

}  // namespace

std::unique_ptr<IClock> CreateWin32Clock() { return std::make_unique<TWin32Clock>(); }

}  // namespace pictova
