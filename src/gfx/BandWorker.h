// Splits a frame's rows into two bands: the calling thread does the top band while a helper
// thread, owned by the caller and kept between frames, does the bottom one. Only for work whose
// rows are independent, so that the bytes are those of one pass whatever the split. Work that
// is already in a band (on either thread) runs whole where it is.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <type_traits>

namespace pictova {

class TBandWorker {
 public:
  TBandWorker() = default;
  ~TBandWorker();
  TBandWorker(const TBandWorker&) = delete;
  TBandWorker& operator=(const TBandWorker&) = delete;

  // Calls fn(first, last) over [0, rows) in bands; small frames, or a machine with one core,
  // take one band on the calling thread. An exception from either band reaches the caller,
  // after both bands have ended.
  template <class Fn>
  void Run(int32_t rows, Fn&& fn) {
    if (rows < kMinRows || tInBand || !Available()) {
      fn(0, rows);
      return;
    }
    const int32_t mid = rows / 2;
    using F = std::remove_reference_t<Fn>;
    Start(&Call<F>, const_cast<void*>(static_cast<const void*>(&fn)), mid, rows);
    tInBand = true;
    try {
      fn(0, mid);
    } catch (...) {
      tInBand = false;
      Wait(false);  // the helper still uses fn
      throw;
    }
    tInBand = false;
    Wait(true);
  }

  // The worker of the calling thread, for work that has no owner of its own to keep one (a
  // copy of pixels): its helper starts on the first large job and ends with the thread.
  static TBandWorker& OfThisThread();

  // Run on the calling thread's worker for a job over at least kMinPixels pixels (a pass over
  // memory, which one core does not saturate); a smaller one runs whole on the calling thread.
  template <class Fn>
  static void Split(int32_t rows, int64_t pixels, Fn&& fn) {
    if (pixels < kMinPixels) {
      fn(0, rows);
      return;
    }
    OfThisThread().Run(rows, fn);
  }

  // Frames of fewer rows, or jobs of fewer pixels, are not worth handing over.
  static constexpr int32_t kMinRows = 256;
  static constexpr int64_t kMinPixels = int64_t{1} << 18;

 private:
  using TJob = void (*)(void* fn, int32_t first, int32_t last);
  template <class Fn>
  static void Call(void* fn, int32_t first, int32_t last) {
    (*static_cast<Fn*>(fn))(first, last);
  }
  bool Available();
  void Start(TJob job, void* fn, int32_t first, int32_t last);
  // Waits for the helper's band; rethrows what it raised when asked to.
  void Wait(bool rethrow);
  void Loop();

  static thread_local bool tInBand;  // this thread runs a band of some worker

  std::thread FThread;
  std::mutex FLock;
  std::condition_variable FWake;
  std::condition_variable FDone;
  TJob FJob = nullptr;
  void* FFn = nullptr;
  int32_t FFirst = 0, FLast = 0;
  bool FPending = false;
  std::exception_ptr FError;
  bool FQuit = false;
};

}  // namespace pictova
