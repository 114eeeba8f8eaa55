// pictova-build: writes a show (engine + images + index + trailer) or lists the one a file
// carries. See kBuildUsage for the command line; the work is done in ShowBuilder.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "pictova-build/ShowBuilder.h"

#ifdef _WIN32
#include <io.h>
#define PICTOVA_ISATTY _isatty
#define PICTOVA_FILENO _fileno
#else
#include <unistd.h>
#define PICTOVA_ISATTY isatty
#define PICTOVA_FILENO fileno
#endif

namespace {

// The running tool's own path, to find the engine beside it.
std::string ToolPath(const char* argv0) {
#ifdef _WIN32
  // The run-time's record of the program's full path (argv[0] is what the shell was given).
  if (_pgmptr && *_pgmptr) return _pgmptr;
#else
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return self.string();
#endif
  return argv0 ? argv0 : "";
}

void PrintWarnings(const std::vector<std::string>& warnings) {
  for (const std::string& w : warnings) std::fprintf(stderr, "pictova-build: warning: %s\n", w.c_str());
}

// "12 of 200 pictures, 34.5 MB" rewritten in place, on a terminal only.
void ShowProgress(const pictova::TBuildProgress& progress) {
  std::fprintf(stderr, "\rpictova-build: %zu of %zu pictures, %.1f MB ", progress.Done, progress.Total,
               static_cast<double>(progress.Bytes) / 1e6);
  if (progress.Done == progress.Total) std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
}

void PrintSummary(const pictova::TBuildRequest& request, const pictova::TBuildResult& result, bool seedPicked) {
  std::printf("pictova-build: wrote %s: %d picture(s), %.1f MB (%lld bytes)%s\n", request.OutputPath.c_str(),
              static_cast<int>(result.Records.size()), static_cast<double>(result.FileSize) / 1e6,
              static_cast<long long>(result.FileSize), result.MusicCopied ? ", music copied beside it" : "");
  std::string what;
  auto add = [&](int count, const char* text) {
    if (count <= 0) return;
    what += (what.empty() ? "" : ", ") + std::to_string(count) + " " + text;
  };
  add(result.Turned, "turned upright");
  add(result.Reencoded, "of them re-encoded");
  add(result.Scaled, "scaled down");
  add(result.Converted, "converted to JPEG");
  add(result.Renamed, "renamed");
  add(result.Skipped, "unreadable left out");
  add(result.LeftOut, "non-picture file(s) in the folders left out");
  if (!what.empty()) std::printf("pictova-build: %s\n", what.c_str());
  if (request.Shuffle && seedPicked)
    std::printf("pictova-build: shuffled with --shuffle=%llu (give it again for the same order)\n",
                static_cast<unsigned long long>(request.ShuffleSeed));
  if (result.Renamed > 0) std::printf("pictova-build: pictova-build --list %s shows each name next to its file\n",
                                      request.OutputPath.c_str());
}

int List(const std::string& path) {
  using namespace pictova;
  const TShowListing listing = ExamineShowFile(path);
  if (!listing.HasShow) {
    std::fprintf(stderr, "pictova-build: no show in %s: %s\n", path.c_str(), listing.NoShowReason.c_str());
    return 1;
  }
  PrintShowListing(listing, std::cout);
  std::cout.flush();
  for (const std::string& problem : listing.Problems)
    std::fprintf(stderr, "pictova-build: damaged show in %s: %s\n", path.c_str(), problem.c_str());
  return listing.Problems.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pictova;
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  TBuildCommand command;
  try {
    command = ParseBuildCommandLine(args);
  } catch (const EUsageError& e) {
    std::fprintf(stderr, "pictova-build: %s\n(pictova-build --help tells the usage)\n", e.what());
    return 2;
  }

  std::vector<std::string> warnings;
  try {
    switch (command.Kind) {
      case ckHelp:
        std::fputs(kBuildUsage, stdout);
        return 0;
      case ckList:
        return List(command.ListPath);
      case ckBuild: {
        TBuildRequest& request = command.Request;
        if (request.EnginePath.empty()) {
          request.EnginePath = DefaultEnginePath(ToolPath(argc > 0 ? argv[0] : nullptr));
          request.EngineIsDefault = true;
        }
        if (request.Shuffle && !command.ShuffleSeedGiven) {
          request.ShuffleSeed = (static_cast<uint64_t>(std::random_device{}()) << 20 ^
                                 static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())) %
                                1000000000ull;
          request.Styles.Seed = request.ShuffleSeed;
        }
        if (PICTOVA_ISATTY(PICTOVA_FILENO(stderr))) request.OnProgress = ShowProgress;
        const TBuildResult result = BuildShow(request, warnings);
        PrintWarnings(warnings);
        PrintSummary(request, result, !command.ShuffleSeedGiven);
        return 0;
      }
    }
  } catch (const Exception& e) {
    PrintWarnings(warnings);
    std::fprintf(stderr, "pictova-build: %s\n", e.what());
    return 1;
  } catch (const std::bad_alloc&) {
    PrintWarnings(warnings);
    std::fprintf(stderr, "pictova-build: out of memory\n");
    return 1;
  }
  return 1;
}
