#include "soak/Soak.h"

#include <malloc.h>

#include <cmath>
#include <filesystem>

#include "app/Payload.h"
#include "dsmixer/SoundFixtures.h"
#include "gfx/Bitmap.h"
#include "pictova-demo-pictures/DemoPictures.h"
#include "pictova-render/ShowCommand.h"
#include "rtl/Classes.h"
#include "rtl/Random.h"

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

}  // namespace

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
  request.ShowPath = WriteShow(options);
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
  request.OnFrame = [&](int32_t, uint64_t at, const TBitmap& screen) {
    result.FrameHashes.push_back(Hash(screen));
    result.FrameTimes.push_back(at);
    if (at >= nextSample) {
      result.Samples.push_back({at, HeapInUse()});
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
