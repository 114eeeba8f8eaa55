// Worker threads and the hand-over of calls to the UI thread.
#include "ui/Thread.h"

#include <algorithm>
#include <vector>

#include "platform/Platform.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"

namespace pictova {

// What the worker and the UI thread share; outlives the TThread object (FreeOnTerminate).
// Fields other than the atomics are guarded by the clock's lock.
struct TThreadState {
  uint64_t Serial = 0;
  IClock* Clock = nullptr;
  IWindowHost* Host = nullptr;
  bool Finished = false;
  bool Cancelled = false;
  bool InSync = false;     // the UI thread is running one of its calls right now
  bool Detached = false;   // cancelled from inside its own call: nobody waits for it
  std::atomic<bool> FreeOnTerminate{false};
};

namespace {

// Thrown inside a cancelled worker by Synchronize; unwinds Execute without touching the
// owner, and is swallowed by the thread's entry.
struct TThreadCancelled {};

struct TSyncEntry {
  std::shared_ptr<TThreadState> Thread;
  const std::function<void()>* Method;
  uint64_t Time;
  uint64_t Serial;
  uint64_t Order;
  bool Running = false;
  bool Done = false;
  bool Cancelled = false;
};

// The calls waiting for the UI thread (guarded by the clock's lock), like the framework's
// one synchronise list per process.
std::vector<TSyncEntry*> gQueue;
uint64_t gOrder = 0;
std::atomic<uint64_t> gThreadSerial{0};

void CancelQueuedLocked(const std::shared_ptr<TThreadState>& state) {
  for (auto it = gQueue.begin(); it != gQueue.end();) {
    TSyncEntry* e = *it;
    if (e->Thread == state && !e->Running) {
      e->Done = true;
      e->Cancelled = true;
      it = gQueue.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace

bool SynchronizePendingLocked() {
  return std::any_of(gQueue.begin(), gQueue.end(), [](const TSyncEntry* e) { return !e->Running; });
}

bool CheckSynchronize() {
  if (!IsMainThread()) return false;
  IClock& clock = Platform().Clock();
  std::vector<TSyncEntry*> batch;
  {
    std::lock_guard<std::mutex> guard(clock.Lock());
    for (TSyncEntry* e : gQueue)
      if (!e->Running) batch.push_back(e);
  }
  if (batch.empty()) return false;
  // Calls that arrived at the same time run in the order the threads were made, so that
  // on the virtual clock the order never depends on the host's scheduling.
  std::sort(batch.begin(), batch.end(), [](const TSyncEntry* a, const TSyncEntry* b) {
    if (a->Time != b->Time) return a->Time < b->Time;
    if (a->Serial != b->Serial) return a->Serial < b->Serial;
    return a->Order < b->Order;
  });
  for (TSyncEntry* e : batch) {
    {
      std::lock_guard<std::mutex> guard(clock.Lock());
      // An earlier call of this batch may have cancelled this one (its entry is gone).
      if (std::find(gQueue.begin(), gQueue.end(), e) == gQueue.end() || e->Done) continue;
      e->Running = true;
      if (e->Thread) e->Thread->InSync = true;
    }
    SafeCall(*e->Method);
    std::lock_guard<std::mutex> guard(clock.Lock());
    if (e->Thread) e->Thread->InSync = false;
    e->Done = true;
    if (e->Thread && e->Thread->Cancelled) e->Cancelled = true;
    gQueue.erase(std::remove(gQueue.begin(), gQueue.end(), e), gQueue.end());
    clock.NotifyLocked();
  }
  return true;
}

TThread::TThread(bool createSuspended, int)
    : FState(std::make_shared<TThreadState>()), FCreateSuspended(createSuspended) {
  FState->Serial = ++gThreadSerial;
}

bool TThread::FreeOnTerminate() const { return FState->FreeOnTerminate; }
void TThread::SetFreeOnTerminate(bool value) { FState->FreeOnTerminate = value; }

TThread::~TThread() {
  if (FThread.joinable() && FThread.get_id() == std::this_thread::get_id()) {
    FThread.detach();  // FreeOnTerminate: the thread frees itself
    return;
  }
  if (FStarted && !Finished()) TerminateAndWait();
  if (FThread.joinable()) {
    bool detached;
    {
      std::lock_guard<std::mutex> guard(FState->Clock->Lock());
      detached = FState->Detached && !FState->Finished;
    }
    if (detached) {
      FThread.detach();
    } else {
      FThread.join();
    }
  }
}

uint64_t TThread::Serial() const { return FState->Serial; }

void TThread::Start() {
  if (FStarted) return;
  FStarted = true;
  FState->Clock = &Platform().Clock();
  FState->Host = &Platform().Windows();
  FState->Clock->ThreadStarted();
  FThread = std::thread(&TThread::Entry, this, FState);
}

bool TThread::Finished() const {
  if (!FStarted) return false;
  std::lock_guard<std::mutex> guard(FState->Clock->Lock());
  return FState->Finished;
}

void TThread::Entry(TThread* self, std::shared_ptr<TThreadState> state) {
  IClock& clock = *state->Clock;
  clock.AttachCurrentThread();
  bool cancelled = false;
  try {
    self->Execute();
  } catch (const TThreadCancelled&) {
    cancelled = true;
  } catch (...) {
    self->FFatalException = std::current_exception();
  }
  if (!cancelled) {
    try {
      self->DoTerminate();
    } catch (const TThreadCancelled&) {
      cancelled = true;
    } catch (...) {
    }
  }
  // A cancelled thread's object may already be gone unless it frees itself.
  if (state->FreeOnTerminate) delete self;
  {
    std::lock_guard<std::mutex> guard(clock.Lock());
    state->Finished = true;
    clock.NotifyLocked();
    state->Host->WakeUpLocked();  // a loop that waits for this thread looks again
    // Once Finished is seen, the owner may free everything, the platform included: this
    // thread touches the clock no more after this hold of its lock.
    clock.ThreadEndedLocked();
  }
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

int TThread::WaitFor() {
  if (!FStarted) throw Exception("Cannot wait for a thread that was not started");
  if (FThread.get_id() == std::this_thread::get_id()) throw Exception("A thread cannot wait for itself");
  std::shared_ptr<TThreadState> state = FState;  // `this` may be freed by the thread itself
  IClock& clock = *state->Clock;
  const bool ui = IsMainThread();
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(clock.Lock());
      if (ui && state->InSync && !state->Finished)
        throw Exception("A thread cannot be waited for inside its own synchronised call");
      clock.WaitLocked(lock, IClock::kNoDeadline, [&] {
        return state->Finished || (ui && SynchronizePendingLocked());
      });
      if (state->Finished) break;
    }
    CheckSynchronize();
  }
  return state->FreeOnTerminate ? 0 : ReturnValue;
}

void TThread::TerminateAndWait() {
  Terminate();
  if (!FStarted || FThread.get_id() == std::this_thread::get_id()) return;
  std::shared_ptr<TThreadState> state = FState;
  IClock& clock = *state->Clock;
  {
    std::lock_guard<std::mutex> guard(clock.Lock());
    state->Cancelled = true;
    CancelQueuedLocked(state);
    clock.NotifyLocked();
    if (state->Finished) return;
    if (state->InSync && IsMainThread()) {
      // Called from inside this thread's own call: the worker waits for that call, so
      // waiting here would never end. When the call returns, the worker unwinds.
      state->Detached = true;
      return;
    }
  }
  WaitFor();
}

void TThread::Synchronize(TThread* thread, const std::function<void()>& method) {
  if (IsMainThread()) {
    method();
    return;
  }
  if (Application == nullptr) throw Exception("Synchronize needs the application's message loop");
  IClock& clock = Platform().Clock();
  std::unique_lock<std::mutex> lock(clock.Lock());
  std::shared_ptr<TThreadState> state = thread != nullptr ? thread->FState : nullptr;
  if (state && state->Cancelled) throw TThreadCancelled{};
  TSyncEntry entry{state, &method, clock.NowMs(), state ? state->Serial : 0, ++gOrder};
  gQueue.push_back(&entry);
  Platform().Windows().WakeUpLocked();
  clock.WaitLocked(lock, IClock::kNoDeadline, [&] { return entry.Done; });
  if (entry.Cancelled) throw TThreadCancelled{};
}

}  // namespace pictova
