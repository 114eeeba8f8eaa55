#include "soak/Soak.h"

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

#include "app/Payload.h"
#include "dsmixer/SoundFixtures.h"
#include "gfx/Bitmap.h"
#include "pictova-demo-pictures/DemoPictures.h"
#include "pictova-render/ShowCommand.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/headless/HeadlessSound.h"
#include "rtl/Classes.h"
#include "rtl/Random.h"
#include "ui/Application.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of bytes allocated and not freed (GCC installs no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace pictova {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kPictures = 30;

// Picture i: a diagonal gradient of its own hues, 64 x 48 (larger than the screen's
// part for some, so that stretching runs too: every third is 160 x 120).
TBitmap Picture(int32_t i) {
  const int32_t w = i % 3 == 0 ? 160 : 64, h = i % 3 == 0 ? 120 : 48;
  TBitmap bitmap(w, h, pf24bit);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    for (int32_t x = 0; x < w; ++x) {
      row[3 * x] = static_cast<uint8_t>(i * 37 + x * 3);
      row[3 * x + 1] = static_cast<uint8_t>(i * 71 + y * 5);
      row[3 * x + 2] = static_cast<uint8_t>(i * 13 + (x + y) * 2);
    }
  }
  return bitmap;
}

// A second of a 330 Hz tone, 16-bit stereo at 22050 Hz: the music loops all the time.
void WriteMusic(const std::string& path) {
  constexpr uint32_t kRate = 22050;
  std::vector<uint8_t> data;
  for (uint32_t i = 0; i < kRate; ++i) {
    const auto s = static_cast<int16_t>(std::lround(8000 * std::sin(2 * 3.14159265358979 * 330 * i / kRate)));
    for (int c = 0; c < 2; ++c) {
      data.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) & 0xFF));
      data.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
    }
  }
  WriteWav(path, kRate, 2, 16, data);
}

std::string WriteShow(const TSoakOptions& options) {
  const fs::path show = fs::path(options.Folder) / "soak.scr";
  std::vector<std::vector<uint8_t>> encoded;
  for (int32_t i = 0; i < kPictures; ++i) encoded.push_back(EncodeJpeg(Picture(i), 85));
  std::vector<TPayloadImage> images;
  for (int32_t e = 0; e < options.Entries; ++e) {
    TPayloadImage image;
    image.Name = "p" + std::to_string(e % kPictures) + ".jpg";
    image.Data = encoded[static_cast<size_t>(e % kPictures)];
    image.Style = static_cast<uint8_t>(e % 123);
    image.Delay = static_cast<uint8_t>(e % 10);
    image.Flags = static_cast<uint8_t>((e % 2 == 1 ? kFlagReverse : 0) | (e % 7 == 3 ? kFlagClearFirst : 0));
    images.push_back(std::move(image));
  }
  TPayloadTrailer trailer;
  trailer.Title = "Soak";
  trailer.MusicFile = "soak.wav";
  trailer.Interval = 0;
  trailer.Options = kOptionFullScreen | kOptionCentered;
  TMemoryStream out;
  out.WriteBuffer("ENGINE", 6);
  WritePayload(out, trailer, images);
  TFileStream file(show.string(), fmCreate);
  file.WriteBuffer(out.Memory(), out.Size());
  WriteMusic((fs::path(options.Folder) / "soak.wav").string());
  return show.string();
}

// FNV-1a over the screen's rows.
uint64_t Hash(const TBitmap& screen) {
  uint64_t h = 1469598103934665603ull;
  for (int32_t y = 0; y < screen.Height(); ++y) {
    const uint8_t* row = screen.ScanLine(y);
    for (int32_t i = 0; i < screen.Width() * 3; ++i) h = (h ^ row[i]) * 1099511628211ull;
  }
  return h;
}

int32_t Entries(const char* folder) {
  std::error_code error;
  int32_t n = 0;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) ++n;
  return n;
}

// Every count of TSoakHandles with the name it is reported by.
constexpr std::pair<const char*, int32_t TSoakHandles::*> kCounts[] = {
    {"windows", &TSoakHandles::Windows},       {"timers", &TSoakHandles::Timers},
    {"threads", &TSoakHandles::Threads},       {"files", &TSoakHandles::Files},
    {"sound devices", &TSoakHandles::SoundDevices}, {"sound buffers", &TSoakHandles::SoundBuffers},
    {"sound events", &TSoakHandles::SoundEvents},
};

void KeepHighest(TSoakHandles& into, const TSoakHandles& now) {
  for (const auto& [name, count] : kCounts) into.*count = std::max(into.*count, now.*count);
}

}  // namespace

std::string TSoakHandles::GrowthOver(const TSoakHandles& first) const {
  std::string text;
  for (const auto& [name, count] : kCounts) {
    if (this->*count <= first.*count) continue;
    text += (text.empty() ? "" : ", ") + std::string(name) + " " + std::to_string(this->*count) + " > " +
            std::to_string(first.*count);
  }
  return text;
}

std::string TSoakHandles::Text() const {
  std::string text;
  for (const auto& [name, count] : kCounts)
    text += (text.empty() ? "" : ", ") + std::string(name) + " " + std::to_string(this->*count);
  return text;
}

TSoakHandles HandlesInUse() {
  TSoakHandles handles;
  auto& platform = dynamic_cast<THeadlessPlatform&>(Platform());
  handles.Windows = static_cast<int32_t>(platform.WindowsInZOrder().size());
  handles.Timers = Application != nullptr ? static_cast<int32_t>(Application->ArmedTimers()) : 0;
  handles.Threads = Entries("/proc/self/task");
  handles.Files = Entries("/proc/self/fd") - 1;  // less the one that lists them
  const TSoftSoundSystem::TCensus sound = platform.VirtualSound().Census();
  handles.SoundDevices = static_cast<int32_t>(sound.Devices);
  handles.SoundBuffers = static_cast<int32_t>(sound.Buffers);
  handles.SoundEvents = static_cast<int32_t>(sound.Events);
  return handles;
}

int64_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return static_cast<int64_t>(__sanitizer_get_current_allocated_bytes());
#else
  const struct mallinfo2 info = mallinfo2();
  return static_cast<int64_t>(info.uordblks + info.hblkhd);  // large blocks are mapped apart
#endif
}

TSoakResult RunSoak(const TSoakOptions& options) {
  TSoakResult result;
  TRenderRequest request;
  request.ShowPath = options.ShowPath.empty() ? WriteShow(options) : options.ShowPath;
  request.Seconds = options.Seconds;
  request.Fps = options.Fps;
  request.ScreenWidth = options.ScreenWidth;
  request.ScreenHeight = options.ScreenHeight;
  request.SheetThumbnails = 0;
  // Room for every frame first, so that the result's own growth is not counted as the show's.
  result.FrameHashes.reserve(static_cast<size_t>(FrameCount(options.Seconds, options.Fps)));
  result.FrameTimes.reserve(result.FrameHashes.capacity());
  result.Samples.reserve(static_cast<size_t>(options.Seconds / options.SampleSeconds) + 1);
  const auto sampleMs = static_cast<uint64_t>(options.SampleSeconds * 1000);
  uint64_t nextSample = sampleMs;
  TSoakHandles held;
  request.OnFrame = [&](int32_t, uint64_t at, const TBitmap& screen) {
    result.FrameHashes.push_back(Hash(screen));
    result.FrameTimes.push_back(at);
    KeepHighest(held, HandlesInUse());
    if (at >= nextSample) {
      result.Samples.push_back({at, HeapInUse(), held});
      held = TSoakHandles();
      nextSample += sampleMs;
    }
  };
  SetRandSeed(0);  // as in a new process: the random strip styles repeat their choices
  const TRenderResult rendered = RenderShow(request);
  result.MessageBoxes = rendered.MessageBoxes;
  result.WallSeconds = rendered.WallSeconds;
  return result;
}

}  // namespace pictova
