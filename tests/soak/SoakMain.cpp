// pictova_soak [HOURS] [--size WxH]: plays the soak show for HOURS virtual hours (24 when not
// given) twice, and reports the heap in use and the handles held every virtual hour of the
// first run, their growth after the first hour, and whether the second run showed the same
// frames at the same virtual times. Exit status 0 when neither grew and the runs agree.
//   --fps F          frames taken per virtual second (2)
//   --show FILE      plays that show instead of the soak's own
//   --hashes OUT     writes "milliseconds hash" per frame of the first run: two builds show
//                    the same frames when their files are the same
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
  const char* hashes = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &options.ScreenWidth, &options.ScreenHeight) != 2) return 2;
    } else if (std::strcmp(argv[i], "--fps") == 0 && i + 1 < argc) {
      options.Fps = std::atof(argv[++i]);
      if (options.Fps <= 0) return 2;
    } else if (std::strcmp(argv[i], "--show") == 0 && i + 1 < argc) {
      options.ShowPath = argv[++i];
    } else if (std::strcmp(argv[i], "--hashes") == 0 && i + 1 < argc) {
      hashes = argv[++i];
    } else {
      hours = std::atof(argv[i]);
      if (hours <= 0) {
        std::fprintf(stderr, "usage: pictova_soak [HOURS] [--size WxH] [--fps F] [--show FILE] [--hashes OUT]\n");
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
  if (hashes != nullptr) {
    std::FILE* out = std::fopen(hashes, "w");
    if (out == nullptr) {
      std::perror(hashes);
      return 1;
    }
    for (size_t i = 0; i < first.FrameHashes.size(); ++i)
      std::fprintf(out, "%llu %016llx\n", static_cast<unsigned long long>(first.FrameTimes[i]),
                   static_cast<unsigned long long>(first.FrameHashes[i]));
    std::fclose(out);
  }
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
