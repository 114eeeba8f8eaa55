// The soak in small: a few cycles of a twelve-entry show with music, twice. Neither the heap
// nor the handles held may grow after the first cycle, and both runs must show the same
// frames at the same times.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "soak/Soak.h"

namespace pictova {
namespace {

TEST(Soak, AFewCyclesLeaveTheHeapFlatAndRepeatFrameForFrame) {
  const auto folder = std::filesystem::temp_directory_path() / ("pictova-soak-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  TSoakOptions options;
  options.Folder = folder.string();
  options.Entries = 12;    // styles 0 to 11; one cycle takes some 20 virtual seconds
  options.Seconds = 150;
  options.SampleSeconds = 30;
  options.Fps = 4;
  const TSoakResult first = RunSoak(options);
  const TSoakResult second = RunSoak(options);
  std::filesystem::remove_all(folder);

  EXPECT_TRUE(first.MessageBoxes.empty());
  ASSERT_EQ(first.FrameHashes.size(), 600u);
  // The show moved: many distinct screens.
  std::vector<uint64_t> distinct = first.FrameHashes;
  std::sort(distinct.begin(), distinct.end());
  EXPECT_GT(std::unique(distinct.begin(), distinct.end()) - distinct.begin(), 100);
  ASSERT_EQ(first.Samples.size(), 4u);  // at 30, 60, 90 and 120 s
  for (const TSoakSample& s : first.Samples) {
    EXPECT_LE(s.HeapBytes - first.Samples[0].HeapBytes, kSoakHeapSlack) << s.At;
    EXPECT_EQ(s.Handles.GrowthOver(first.Samples[0].Handles), "") << s.At;
  }
  // The census sees what the show holds: its form, the music's device with its buffer and
  // the events of its notifications, and the threads that play it.
  const TSoakHandles& held = first.Samples[0].Handles;
  EXPECT_GE(held.Windows, 1);
  EXPECT_EQ(held.SoundDevices, 1);
  EXPECT_GE(held.SoundBuffers, 1);
  EXPECT_GE(held.SoundEvents, 1);
  EXPECT_GE(held.Threads, 2);
  EXPECT_EQ(first.FrameTimes, second.FrameTimes);
  EXPECT_TRUE(first.FrameHashes == second.FrameHashes);
}

}  // namespace
}  // namespace pictova
