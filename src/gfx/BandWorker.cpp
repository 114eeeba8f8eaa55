// The helper thread of TBandWorker: started on the first frame large enough, then it sleeps on
// a condition variable between bands until its owner goes.
#include "gfx/BandWorker.h"

#include <utility>

namespace pictova {

thread_local bool TBandWorker::tInBand = false;

TBandWorker& TBandWorker::OfThisThread() {
  thread_local TBandWorker worker;
  return worker;
}

TBandWorker::~TBandWorker() {
  if (!FThread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(FLock);
    FQuit = true;
  }
  FWake.notify_one();
  FThread.join();
}

bool TBandWorker::Available() {
  if (FThread.joinable()) return true;
  if (std::thread::hardware_concurrency() < 2) return false;
  try {
    FThread = std::thread([this] { Loop(); });
  } catch (...) {
    return false;  // no thread to be had: one band
  }
  return true;
}

void TBandWorker::Start(TJob job, void* fn, int32_t first, int32_t last) {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FJob = job;
    FFn = fn;
    FFirst = first;
    FLast = last;
    FPending = true;
  }
  FWake.notify_one();
}

void TBandWorker::Wait(bool rethrow) {
  std::exception_ptr error;
  {
    std::unique_lock<std::mutex> lock(FLock);
    FDone.wait(lock, [this] { return !FPending; });
    error = std::exchange(FError, nullptr);
  }
  if (rethrow && error) std::rethrow_exception(error);
}

void TBandWorker::Loop() {
  std::unique_lock<std::mutex> lock(FLock);
  for (;;) {
    FWake.wait(lock, [this] { return FPending || FQuit; });
    if (FQuit) return;
    const TJob job = FJob;
    void* fn = FFn;
    const int32_t first = FFirst, last = FLast;
    lock.unlock();
    std::exception_ptr error;
    tInBand = true;
    try {
      job(fn, first, last);
    } catch (...) {
      error = std::current_exception();
    }
    tInBand = false;
    lock.lock();
    FError = error;
    FPending = false;
    FDone.notify_one();
  }
}

}  // namespace pictova
