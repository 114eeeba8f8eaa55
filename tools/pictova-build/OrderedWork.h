// A small pool that runs jobs 0..count-1 on a few threads and hands their results to the
// calling thread strictly in job order. At most `window` finished or running jobs wait
// ahead of the consumer, which bounds the memory held by results. An exception of a job
// reaches the caller when that job's turn comes; one of the consumer stops the workers.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace pictova {

template <class TResult>
void RunInOrder(size_t count, int threads, size_t window, const std::function<TResult(size_t)>& work,
                const std::function<void(size_t, TResult&)>& consume) {
  struct TSlot {
    TResult Result{};
    std::exception_ptr Error;
  };
  std::mutex lock;
  std::condition_variable changed;
  std::map<size_t, TSlot> done;
  size_t next = 0;      // the next job to start
  size_t consumed = 0;  // jobs handed to the consumer
  bool stop = false;
  window = std::max<size_t>(window, 1);

  auto worker = [&] {
    for (;;) {
      size_t job;
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return stop || next >= count || next < consumed + window; });
        if (stop || next >= count) return;
        job = next++;
      }
      TSlot slot;
      try {
        slot.Result = work(job);
      } catch (...) {
        slot.Error = std::current_exception();
      }
      std::lock_guard<std::mutex> guard(lock);
      done.emplace(job, std::move(slot));
      changed.notify_all();
    }
  };

  std::vector<std::thread> pool;
  const size_t workers = std::min<size_t>(static_cast<size_t>(std::max(threads, 1)), std::max<size_t>(count, 1));
  for (size_t i = 0; i < workers; ++i) pool.emplace_back(worker);
  auto finish = [&] {
    {
      std::lock_guard<std::mutex> guard(lock);
      stop = true;
    }
    changed.notify_all();
    for (std::thread& t : pool) t.join();
  };
  try {
    for (size_t i = 0; i < count; ++i) {
      TSlot slot;
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return done.count(i) != 0; });
        slot = std::move(done.at(i));
        done.erase(i);
        consumed = i + 1;
      }
      changed.notify_all();
      if (slot.Error) std::rethrow_exception(slot.Error);
      consume(i, slot.Result);
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

}  // namespace pictova
