// Fuzzes the engine through its own file: the bytes are written as a show file and played
// on the headless backend's virtual clock for a few seconds, as pictova-render plays a show.
// The start-up read (trailer, index, entry lines), the music name, every transition and the
// decoding of each picture the index names are all reached from the bytes. The file is
// always named show.scr in a folder of this process, beside a short sound named music.wav:
// a trailer whose music name is "music.wav" plays music along, one naming "show.scr" hands
// the show's own bytes to the audio reader.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pictova-render/ShowCommand.h"

namespace {

// Small enough for thousands of runs, long enough for a transition, a pause and the next
// picture's decode (the shortest pause is a few hundred milliseconds).
constexpr double kSeconds = 3;
constexpr double kFps = 4;
constexpr int32_t kScreenWidth = 64;
constexpr int32_t kScreenHeight = 48;

// A tenth of a second of 8-bit mono sound at 8 kHz: a rising ramp.
void WriteMusic(const std::string& path) {
  constexpr uint32_t kRate = 8000, kFrames = kRate / 10;
  std::vector<uint8_t> wav;
  auto tag = [&](const char* t) { wav.insert(wav.end(), t, t + 4); };
  auto le = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) wav.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  tag("RIFF");
  le(36 + kFrames, 4);
  tag("WAVE");
  tag("fmt ");
  le(16, 4);
  le(1, 2);  // PCM
  le(1, 2);  // mono
  le(kRate, 4);
  le(kRate, 4);
  le(1, 2);
  le(8, 2);
  tag("data");
  le(kFrames, 4);
  for (uint32_t i = 0; i < kFrames; ++i) wav.push_back(static_cast<uint8_t>(i));
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(wav.data(), 1, wav.size(), f);
    std::fclose(f);
  }
}

std::string ShowPath() {
  static const std::string path = [] {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("pictova-show-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    WriteMusic((dir / "music.wav").string());
    return (dir / "show.scr").string();
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pictova;
  const std::string path = ShowPath();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
  if (std::fclose(f) != 0 || !written) return 0;

  TRenderRequest request;
  request.ShowPath = path;  // OutDir stays empty: nothing is written
  request.Seconds = kSeconds;
  request.Fps = kFps;
  request.ScreenWidth = kScreenWidth;
  request.ScreenHeight = kScreenHeight;
  request.SheetThumbnails = 0;
  try {
    RenderShow(request);
  } catch (const std::exception&) {
    // A show that cannot be played is reported by the renderer; only crashes, leaks, hangs
    // and undefined behaviour are findings.
  }
  return 0;
}
