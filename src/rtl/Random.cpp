// The run-time's pseudo-random generator: one process-wide linear congruential sequence.
#include "rtl/Random.h"

#include <atomic>

namespace pictova {
namespace {
std::atomic<uint32_t> gRandSeed{0};
}

int32_t Random(int32_t range) {
  uint32_t seed = gRandSeed.load(std::memory_order_relaxed);
  uint32_t next;
  do {
    next = seed * 134775813u + 1u;
  } while (!gRandSeed.compare_exchange_weak(seed, next, std::memory_order_relaxed));
  // The product is taken as unsigned seed times the range as a signed 32-bit value.
  return static_cast<int32_t>((static_cast<int64_t>(next) * range) >> 32);
}

uint32_t RandSeed() { return gRandSeed.load(std::memory_order_relaxed); }
void SetRandSeed(uint32_t seed) { gRandSeed.store(seed, std::memory_order_relaxed); }

}  // namespace pictova
