// A long run of one show on the headless backend's virtual clock: a show of 30 small pictures
// whose 123 entries take every transition style once (every other one reversed, the delays
// 0 to 9 in turn), with music, played for a given virtual time. The heap in use is sampled at
// every cycle of the show, and every frame is hashed, so that two runs can be compared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictova {

struct TSoakOptions {
  std::string Folder;        // where the show and its music are written (must exist)
  double Seconds = 600;      // virtual time played
  double Fps = 2;            // frames taken per virtual second
  int32_t ScreenWidth = 96;
  int32_t ScreenHeight = 72;
  int32_t Entries = 123;     // entries of the show (styles 0, 1, ... in turn)
  double SampleSeconds = 300;  // virtual time between heap samples
};

struct TSoakSample {
  uint64_t At = 0;           // virtual milliseconds
  int64_t HeapBytes = 0;     // in use by the process
};

struct TSoakResult {
  std::vector<uint64_t> FrameHashes;  // one per frame, in order
  std::vector<uint64_t> FrameTimes;
  std::vector<TSoakSample> Samples;   // every SampleSeconds of virtual time
  std::vector<std::string> MessageBoxes;
  double WallSeconds = 0;
};

// How much the heap in use may be higher at a later sample than at the first: samples fall
// at any point of a transition, so the working bitmaps of one may or may not be held.
constexpr int64_t kSoakHeapSlack = 512 * 1024;

// Writes the show and its music into the folder and plays it.
TSoakResult RunSoak(const TSoakOptions& options);

// The heap in use now: the sanitizer allocator's count under AddressSanitizer, else malloc's.
int64_t HeapInUse();

}  // namespace pictova
