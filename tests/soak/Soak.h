// A long run of one show on the headless backend's virtual clock: a show of 30 small pictures
// whose 123 entries take every transition style once (every other one reversed, the delays
// 0 to 9 in turn), with music, played for a given virtual time. The heap in use and the
// handles held are sampled, and every frame is hashed, so that two runs can be compared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictova {

struct TSoakOptions {
  std::string Folder;        // where the show and its music are written (must exist)
  std::string ShowPath;      // a show to play instead of the soak's own (Entries unused)
  double Seconds = 600;      // virtual time played
  double Fps = 2;            // frames taken per virtual second
  int32_t ScreenWidth = 96;
  int32_t ScreenHeight = 72;
  int32_t Entries = 123;     // entries of the show (styles 0, 1, ... in turn)
  double SampleSeconds = 300;  // virtual time between heap samples
};

// What the process holds besides memory; each is the highest count seen at any frame of a
// sample's interval, since threads and buffers come and go within a transition.
struct TSoakHandles {
  int32_t Windows = 0;       // windows of the headless screen
  int32_t Timers = 0;        // message timers armed
  int32_t Threads = 0;       // threads of the process
  int32_t Files = 0;         // open file descriptors
  int32_t SoundDevices = 0;  // sound devices not released
  int32_t SoundBuffers = 0;  // their buffers alive
  int32_t SoundEvents = 0;   // events not closed
  // Counts in which this is higher than `first`, as "name a > b" parts; empty when none.
  std::string GrowthOver(const TSoakHandles& first) const;
  std::string Text() const;
};

struct TSoakSample {
  uint64_t At = 0;           // virtual milliseconds
  int64_t HeapBytes = 0;     // in use by the process
  TSoakHandles Handles;      // the most held since the sample before
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

// The handles held now (the headless platform must be the installed one).
TSoakHandles HandlesInUse();

}  // namespace pictova
