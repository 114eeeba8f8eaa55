// pictova_soak [HOURS] [--size WxH]: plays the soak show for HOURS virtual hours (24 when not
// given) twice, and reports the heap in use and the handles held every virtual hour of the
// first run, their growth after the first hour, and whether the second run showed the same
// frames at the same virtual times. Exit status 0 when neither grew and the runs agree.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "soak/Soak.h"

int main(int argc, char** argv) {
  using namespace pictova;
  TSoakOptions options;
  double hours = 24;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &options.ScreenWidth, &options.ScreenHeight) != 2) return 2;
    } else {
      hours = std::atof(argv[i]);
      if (hours <= 0) {
        std::fprintf(stderr, "usage: pictova_soak [HOURS] [--size WxH]\n");
        return 2;
      }
    }
  }
  const auto folder = std::filesystem::temp_directory_path() / "pictova-soak";
  std::filesystem::create_directories(folder);
  options.Folder = folder.string();
  options.Seconds = hours * 3600;
  options.SampleSeconds = hours >= 2 ? 3600 : options.Seconds / 8;

  const TSoakResult first = RunSoak(options);
  std::printf("run 1: %.2f virtual hours in %.0f s (%.0fx real time), %zu frames, %zu messages\n", hours,
              first.WallSeconds, options.Seconds / first.WallSeconds, first.FrameHashes.size(),
              first.MessageBoxes.size());
  int64_t highest = 0;
  std::string handleGrowth;
  for (size_t i = 0; i < first.Samples.size(); ++i) {
    const TSoakSample& s = first.Samples[i];
    std::printf("  at %7.2f h: heap %lld bytes; %s\n", static_cast<double>(s.At) / 3.6e6,
                static_cast<long long>(s.HeapBytes), s.Handles.Text().c_str());
    if (i > 0 && s.HeapBytes > highest) highest = s.HeapBytes;
    const std::string grew = s.Handles.GrowthOver(first.Samples[0].Handles);
    if (handleGrowth.empty() && !grew.empty()) handleGrowth = grew + " at " + std::to_string(s.At / 1000) + " s";
  }
  const int64_t growth = first.Samples.size() > 1 ? highest - first.Samples[0].HeapBytes : 0;
  std::printf("heap growth after the first sample: %lld bytes\n", static_cast<long long>(growth));
  std::printf("handles after the first sample: %s\n", handleGrowth.empty() ? "none grew" : handleGrowth.c_str());

  const TSoakResult second = RunSoak(options);
  const bool same = first.FrameHashes == second.FrameHashes && first.FrameTimes == second.FrameTimes;
  std::printf("run 2: %.0f s; frames %s\n", second.WallSeconds, same ? "identical" : "DIFFER");
  for (size_t i = 0; !same && i < first.FrameHashes.size() && i < second.FrameHashes.size(); ++i) {
    if (first.FrameHashes[i] != second.FrameHashes[i] || first.FrameTimes[i] != second.FrameTimes[i]) {
      std::printf("  first difference: frame %zu at %.3f s\n", i, static_cast<double>(first.FrameTimes[i]) / 1000);
      break;
    }
  }
  return same && growth <= kSoakHeapSlack && handleGrowth.empty() ? 0 : 1;
}
