// The run-time's pseudo-random generator: one process-wide linear congruential sequence.
#pragma once

#include <cstdint>

namespace pictova {

// seed := seed * 134775813 + 1 (mod 2^32); Random(n) = high 32 bits of seed * n.
// The seed is 0 when the program starts, so every run draws the same sequence.
int32_t Random(int32_t range);
uint32_t RandSeed();
void SetRandSeed(uint32_t seed);

}  // namespace pictova
