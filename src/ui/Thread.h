// Worker threads and the hand-over of calls to the UI thread (Synchronize).
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace pictova {

enum TThreadPriority : uint8_t { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread;
struct TThreadState;

// A worker. Execute runs on the new thread; Synchronize hands a call to the UI thread and
// blocks until it ran there. An exception that leaves Execute is kept in FatalException.
//
// Destruction: a worker whose Execute uses members of a derived class must be stopped
// before those members die, so derived destructors call TerminateAndWait(). With
// FreeOnTerminate the thread deletes itself after OnTerminate; the object must then not be
// touched once it may have ended, except through TerminateAndWait while the owner knows it
// is still alive (for example because its OnTerminate has not run yet).
//
// Creation: a thread cannot start inside its base constructor (Execute belongs to the
// derived class, which is not built yet). New<T>(...) builds a T and starts it unless it
// was created suspended; a suspended thread starts with Start().
class TThread {
 public:
  explicit TThread(bool createSuspended) : TThread(createSuspended, 0) {}

  template <class T, class... Args>
  static T* New(Args&&... args) {
    T* thread = new T(std::forward<Args>(args)...);
    if (!thread->FCreateSuspended) thread->Start();
    return thread;
  }
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts a thread that was created suspended (once; later calls do nothing).
  void Start();
  void Resume() { Start(); }
  bool Suspended() const { return !FStarted; }

  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  bool Finished() const;
  // Waits until the thread has ended and returns its ReturnValue. On the UI thread the
  // synchronised calls of other workers keep running meanwhile.
  int WaitFor();
  // Terminate, drop this thread's pending and future synchronised calls (the worker's
  // Synchronize then unwinds Execute instead of calling), start it if suspended, wait.
  // What a destroyed owner uses so that no call of the worker reaches it afterwards.
  void TerminateAndWait();

  bool FreeOnTerminate() const;
  void SetFreeOnTerminate(bool value);
  // Kept for the program's logic; threads run at the host's normal priority.
  TThreadPriority Priority() const { return FPriority; }
  void SetPriority(TThreadPriority priority) { FPriority = priority; }
  uint64_t Serial() const;
  std::exception_ptr FatalException() const { return FFatalException; }

  // Runs on the UI thread after Execute, unless the thread was cancelled.
  std::function<void(TThread* sender)> OnTerminate;

  // Runs `method` on the UI thread and waits for it (directly when called on the UI
  // thread). An exception in `method` goes to Application's HandleException.
  static void Synchronize(TThread* thread, const std::function<void()>& method);

 protected:
  virtual void Execute() = 0;
  // Synchronises OnTerminate; overrides may add to it.
  virtual void DoTerminate();
  void Synchronize(const std::function<void()>& method) { Synchronize(this, method); }

  int ReturnValue = 0;

 private:
  TThread(bool createSuspended, int);
  static void Entry(TThread* self, std::shared_ptr<TThreadState> state);

  std::shared_ptr<TThreadState> FState;
  std::thread FThread;
  bool FStarted = false;
  bool FCreateSuspended = true;
  std::atomic<bool> FTerminated{false};
  TThreadPriority FPriority = tpNormal;
  std::exception_ptr FFatalException;
};

// Runs the synchronised calls waiting for the UI thread, in a fixed order; returns whether
// any ran. The loop calls this; so does TThread::WaitFor on the UI thread.
bool CheckSynchronize();
// Whether calls are waiting (call with the clock's lock held).
bool SynchronizePendingLocked();

}  // namespace pictova
