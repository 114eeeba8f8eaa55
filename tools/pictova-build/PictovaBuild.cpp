// pictova-build: writes a show (engine + images + index + trailer) or lists the one a file
// carries. See kBuildUsage for the command line; the work is done in ShowBuilder.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "pictova-build/ShowBuilder.h"

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
        const TBuildResult result = BuildShow(request, warnings);
        PrintWarnings(warnings);
        std::printf("pictova-build: wrote %s: %d image(s), %lld bytes%s\n", request.OutputPath.c_str(),
                    static_cast<int>(result.Records.size()), static_cast<long long>(result.FileSize),
                    result.MusicCopied ? ", music copied beside it" : "");
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
