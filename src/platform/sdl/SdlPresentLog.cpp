// An opt-in record of the SDL backend's presents, for measuring frame pacing: with
// PICTOVA_PRESENT_LOG naming a file, every present appends one line "MICROSECONDS X Y W H"
// (a monotonic clock, the rectangle presented). Unset, a present costs one test of a flag.
#include "platform/sdl/SdlPresentLog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace pictova {
namespace {

class TPresentLog {
 public:
  TPresentLog() {
    const char* path = std::getenv("PICTOVA_PRESENT_LOG");
    if (path != nullptr && *path != '\0') FFile = std::fopen(path, "w");
  }
  ~TPresentLog() {
    if (FFile != nullptr) std::fclose(FFile);
  }
  void Add(const TRect& rect) {
    if (FFile == nullptr) return;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    std::fprintf(FFile, "%lld %d %d %d %d\n", static_cast<long long>(us), rect.Left, rect.Top, rect.Width(),
                 rect.Height());
  }

 private:
  std::FILE* FFile = nullptr;
};

}  // namespace

void LogPresent(const TRect& rect) {
  static TPresentLog log;
  log.Add(rect);
}

}  // namespace pictova
