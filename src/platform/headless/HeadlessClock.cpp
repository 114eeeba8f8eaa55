// The virtual clock of the headless backend.
#include "platform/headless/HeadlessClock.h"

#include <algorithm>
#include <cstdio>

namespace pictova {
namespace {
// The clock that counts the calling thread, if any. Keyed by clock so that a test that
// makes a second clock does not inherit the first one's accounting.
thread_local const TVirtualClock* tCountedBy = nullptr;
}  // namespace

TVirtualClock::TVirtualClock(uint64_t startMs) : FNow(startMs) { tCountedBy = this; }

TVirtualClock::~TVirtualClock() {
  if (tCountedBy == this) tCountedBy = nullptr;
}

bool TVirtualClock::IsCountedThread() const { return tCountedBy == this; }

void TVirtualClock::AttachCurrentThread() { tCountedBy = this; }

bool TVirtualClock::WaitLocked(std::unique_lock<std::mutex>& lock, uint64_t deadline,
                               const std::function<bool()>& ready) {
  if (ready && ready()) return true;
  if (deadline <= NowMs()) return false;

  TWaiter waiter{deadline, ready ? &ready : nullptr, IsCountedThread(), false, {}};
  FWaiters.push_back(&waiter);
  if (waiter.Counted) {
    ++FBlocked;
    FQuiet.notify_all();
  }
  MaybeAdvance();
  while (!waiter.Released) waiter.Wake.wait(lock);
  FWaiters.erase(std::find(FWaiters.begin(), FWaiters.end(), &waiter));
  return ready && ready();
}

void TVirtualClock::Release(TWaiter& waiter) {
  if (waiter.Released) return;
  waiter.Released = true;
  if (waiter.Counted) --FBlocked;
  waiter.Wake.notify_one();
}

void TVirtualClock::NotifyLocked() {
  for (TWaiter* w : FWaiters)
    if (!w->Released && w->Ready && (*w->Ready)()) Release(*w);
}

void TVirtualClock::MaybeAdvance() {
  if (FBlocked < FCounted) return;
  uint64_t next = kNoDeadline;
  for (const TWaiter* w : FWaiters)
    if (!w->Released) next = std::min(next, w->Deadline);
  if (next == kNoDeadline) {
    // Every thread waits for another one: nothing can ever happen again.
    if (!FStalled) std::fprintf(stderr, "virtual clock: every thread waits without a deadline\n");
    FStalled = true;
    return;
  }
  FStalled = false;
  if (next > NowMs()) {
    FNow.store(next, std::memory_order_release);
    ++FAdvances;
  }
  for (TWaiter* w : FWaiters)
    if (!w->Released && w->Deadline <= next) Release(*w);
}

void TVirtualClock::ThreadStarted() {
  std::lock_guard<std::mutex> guard(Lock());
  ++FCounted;
}

void TVirtualClock::ThreadEnded() {
  std::lock_guard<std::mutex> guard(Lock());
  ThreadEndedLocked();
}

void TVirtualClock::ThreadEndedLocked() {
  if (IsCountedThread()) tCountedBy = nullptr;
  --FCounted;
  FQuiet.notify_all();
  MaybeAdvance();
}

void TVirtualClock::Quiesce(std::unique_lock<std::mutex>& lock) {
  const int self = IsCountedThread() ? 1 : 0;
  FQuiet.wait(lock, [&] { return FBlocked + self >= FCounted; });
}

}  // namespace pictova
