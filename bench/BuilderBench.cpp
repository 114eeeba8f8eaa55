// pictova-build on a folder of camera photos: N pictures of 4000 x 3000 (12 megapixels,
// JPEG quality 92, with fine detail so they weigh what a camera's do), built with and without
// --fit 1920x1080 on two threads; then the engine's start to its first transition frame on a
// 1920 x 1080 headless screen for each of the two shows.
//   BM_Build/fit:1 and /fit:0    the build; counters: show size, per picture, and the time for
//                                200 pictures scaled from N (PICTOVA_BENCH_PHOTOS, default 20)
//   BM_FirstFrame/fit:1 and :0   from creating the main form to the first frame on screen
//   BM_FitQuality/Q              one photo fitted to 1920 x 1080 and encoded at quality Q:
//                                its size and its PSNR against the fitted pixels
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "app/MainForm.h"
#include "imageio/ImageFixtures.h"
#include "pictova-build/PhotoCodecs.h"
#include "pictova-build/ShowBuilder.h"
#include "platform/headless/HeadlessPlatform.h"
#include "ui/Application.h"

namespace pictova {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPhotoW = 4000, kPhotoH = 3000;
constexpr int32_t kScreenW = 1920, kScreenH = 1080;

int PhotoCount() {
  const char* env = std::getenv("PICTOVA_BENCH_PHOTOS");
  return env && std::atoi(env) > 0 ? std::atoi(env) : 20;
}

// Everything the benchmark writes, removed at exit.
const fs::path kWorkDir = fs::temp_directory_path() / ("pictova-builderbench-" + std::to_string(getpid()));
struct TCleanup {
  ~TCleanup() {
    std::error_code ec;
    fs::remove_all(kWorkDir, ec);
  }
} cleanup;

fs::path WorkDir() {
  fs::create_directories(kWorkDir);
  return kWorkDir;
}

// A smooth scene with a different light per photo and a sensor-like grain.
fixtures::TBytes Photo(int index) {
  std::vector<uint8_t> pixels(static_cast<size_t>(kPhotoW) * kPhotoH * 3);
  uint32_t noise = 12345u + static_cast<uint32_t>(index) * 7919u;
  size_t i = 0;
  for (int y = 0; y < kPhotoH; ++y)
    for (int x = 0; x < kPhotoW; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int grain = static_cast<int>(noise >> 27) - 16;
      const int base[3] = {(x * 255 / kPhotoW + index * 20) % 256, y * 255 / kPhotoH,
                           ((x + y) * 255 / (kPhotoW + kPhotoH) + 128) % 256};
      for (int c = 0; c < 3; ++c) pixels[i++] = static_cast<uint8_t>(std::clamp(base[c] + grain, 0, 255));
    }
  fixtures::TJpegOptions o;
  o.Width = kPhotoW;
  o.Height = kPhotoH;
  o.Quality = 92;
  return fixtures::MakeJpeg(o, pixels);
}

// The photos folder, made once.
fs::path PhotoFolder() {
  static const fs::path folder = [] {
    const fs::path f = WorkDir() / "photos";
    fs::create_directories(f);
    for (int i = 0; i < PhotoCount(); ++i) {
      const fixtures::TBytes bytes = Photo(i);
      std::ofstream(f / ("IMG_" + std::to_string(1000 + i) + ".JPG"), std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    return f;
  }();
  return folder;
}

std::string StandInEngine() {
  const fs::path path = WorkDir() / "engine";
  if (!fs::exists(path)) std::ofstream(path, std::ios::binary) << std::string(4096, '\x90');
  return path.string();
}

TBuildResult Build(bool fit, const std::string& out) {
  TBuildRequest r;
  r.OutputPath = out;
  r.EnginePath = StandInEngine();
  r.Images.push_back(TImageItem{PhotoFolder().string()});
  r.Styles.Mode = smMix;
  r.Threads = 2;
  if (fit) {
    r.Prepare.FitWidth = kScreenW;
    r.Prepare.FitHeight = kScreenH;
  }
  std::vector<std::string> warnings;
  return BuildShow(r, warnings);
}

void BM_Build(benchmark::State& state) {
  const bool fit = state.range(0) != 0;
  PhotoFolder();
  const std::string out = (WorkDir() / (fit ? "fit.scr" : "whole.scr")).string();
  int64_t size = 0;
  // Processor time of every thread of the process: on a shared machine the wall time depends
  // on the other loads, this does not.
  auto cpuSeconds = [] {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  };
  double cpu = 0;
  for (auto _ : state) {
    const double before = cpuSeconds();
    size = Build(fit, out).FileSize;
    cpu += cpuSeconds() - before;
  }
  const double n = PhotoCount();
  state.counters["cpu_s_per_photo"] = benchmark::Counter(cpu / n, benchmark::Counter::kAvgIterations);
  state.counters["photos"] = n;
  state.counters["show_MB"] = static_cast<double>(size) / 1e6;
  // Inverted rates: seconds per photo, and seconds for 200 photos at the same pace.
  state.counters["s_per_photo"] =
      benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["s_for_200"] =
      benchmark::Counter(n / 200.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Build)->ArgName("fit")->Arg(1)->Arg(0)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

struct TBenchPlatform {
  TBenchPlatform() {
    THeadlessOptions options;
    options.ScreenWidth = kScreenW;
    options.ScreenHeight = kScreenH;
    InstallPlatform(std::make_unique<THeadlessPlatform>(options));
    App = std::make_unique<TApplication>();
  }
  ~TBenchPlatform() {
    App.reset();
    ShutdownPlatform();
  }
  std::unique_ptr<TApplication> App;
};

void BM_FirstFrame(benchmark::State& state) {
  const bool fit = state.range(0) != 0;
  static std::map<bool, std::string> shows;
  if (!shows.count(fit)) {
    shows[fit] = (WorkDir() / (fit ? "first-fit.scr" : "first-whole.scr")).string();
    Build(fit, shows[fit]);
  }
  for (auto _ : state) {
    TBenchPlatform platform;
    TForm1* form = nullptr;
    int frames = 0;
    const auto start = Clock::now();
    platform.App->CreateForm(form, shows[fit]);
    form->MyPictureShow2->OnAfterNewFrame = [&frames](TComponent*, TBitmap&, TBitmap&) { ++frames; };
    form->Show();
    platform.App->RunUntil([&] { return frames > 0 && !form->HasInvalid(); }, 600000);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (frames == 0) {
      state.SkipWithError("no frame was shown");
      break;
    }
  }
  state.counters["show_MB"] = static_cast<double>(fs::file_size(shows[fit])) / 1e6;
}
BENCHMARK(BM_FirstFrame)->ArgName("fit")->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FitQuality(benchmark::State& state) {
  const int quality = static_cast<int>(state.range(0));
  static const TPixels fitted = [] {
    const fixtures::TBytes photo = Photo(3);
    int32_t w = 0, h = 0;
    FitInside(kPhotoW, kPhotoH, kScreenW, kScreenH, w, h);
    return ScalePixels(DecodeJpeg(photo, w, h), w, h);
  }();
  std::vector<uint8_t> jpeg;
  for (auto _ : state) jpeg = EncodeJpeg(fitted, quality, 2 /* 4:2:0, as cameras write */);
  const TPixels back = DecodeJpeg(jpeg);
  double squares = 0;
  for (size_t i = 0; i < fitted.Rgb.size(); ++i) {
    const double d = static_cast<double>(fitted.Rgb[i]) - back.Rgb[i];
    squares += d * d;
  }
  state.counters["KB"] = static_cast<double>(jpeg.size()) / 1000.0;
  state.counters["psnr_dB"] = 10.0 * std::log10(255.0 * 255.0 / (squares / static_cast<double>(fitted.Rgb.size())));
}
BENCHMARK(BM_FitQuality)->Arg(85)->Arg(90)->Arg(95)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pictova
