// The engine's start and its memory over a show, on the headless backend (1920 x 1080).
//   BM_StartToFirstFrame: from creating the main form (payload read, form description) to the
//     first transition frame on the screen, for a 20-picture show of 1920 x 1080 JPEGs, less
//     the decode of the first picture (timed separately in the same iteration).
//   BM_PeakMemory/N: a child process plays the first five transitions of an N-picture show
//     and reports its peak heap (sampled after every frame and load) and its peak resident
//     size; 2 and 200 pictures of the same JPEG must need the same memory but for the index.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "app/MainForm.h"
#include "imageio/ImageFixtures.h"
#include "platform/headless/HeadlessPlatform.h"
#include "rtl/Classes.h"
#include "ui/Application.h"

namespace pictova {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int32_t kScreenW = 1920, kScreenH = 1080;

const fixtures::TBytes& Picture() {
  static const fixtures::TBytes jpeg = [] {
    fixtures::TJpegOptions o;
    o.Width = kScreenW;
    o.Height = kScreenH;
    o.Quality = 85;
    return fixtures::MakeJpeg(o, fixtures::GradientPixels(kScreenW, kScreenH, 3));
  }();
  return jpeg;
}

// A show of `count` copies of the picture behind a small stand-in engine, made once per count.
std::string ShowOf(int count) {
  static std::map<int, std::string> made;
  if (auto it = made.find(count); it != made.end()) return it->second;
  const fs::path path = fs::temp_directory_path() / ("pictova-showbench-" + std::to_string(getpid()) + "-" +
                                                     std::to_string(count) + ".scr");
  TFileStream file(path.string(), fmCreate);
  const std::vector<uint8_t> engine(4096, 0x90);
  file.WriteBuffer(engine.data(), static_cast<int32_t>(engine.size()));
  TPayloadTrailer trailer;
  trailer.Title = "Benchmark";
  trailer.Interval = 0;
  trailer.Options = kOptionFullScreen | kOptionCentered;
  std::vector<TPayloadImage> images(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    images[static_cast<size_t>(i)].Name = "IMAGE" + std::to_string(i) + ".JPG";
    images[static_cast<size_t>(i)].Data = Picture();
    images[static_cast<size_t>(i)].Delay = 0;
  }
  WritePayload(file, trailer, images);
  made[count] = path.string();
  return path.string();
}

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

void BM_StartToFirstFrame(benchmark::State& state) {
  const std::string path = ShowOf(20);
  double totalMs = 0, decodeMs = 0;
  for (auto _ : state) {
    TBenchPlatform platform;
    TForm1* form = nullptr;
    int frames = 0;
    const auto start = Clock::now();
    platform.App->CreateForm(form, path);
    form->MyPictureShow2->OnAfterNewFrame = [&frames](TComponent*, TBitmap&, TBitmap&) { ++frames; };
    form->Show();
    platform.App->RunUntil([&] { return frames > 0 && !form->HasInvalid(); }, 60000);
    const auto shown = Clock::now();

    // The first picture's decode, as the form did it: from its bytes in memory.
    TMemoryStream bytes(Picture());
    TBitmap bitmap;
    TImageIO io;
    io.SetBitmap(&bitmap);
    const auto decodeStart = Clock::now();
    io.LoadFromStream(bytes);
    const auto decodeEnd = Clock::now();

    if (frames == 0 || io.IOFailed() != 0 || bitmap.Width() != kScreenW) {
      state.SkipWithError("no frame was shown, or the picture did not decode");
      break;
    }
    const double total = std::chrono::duration<double>(shown - start).count();
    const double decode = std::chrono::duration<double>(decodeEnd - decodeStart).count();
    state.SetIterationTime(std::max(total - decode, 0.0));
    totalMs += total * 1000;
    decodeMs += decode * 1000;
  }
  state.counters["with_decode_ms"] = benchmark::Counter(totalMs, benchmark::Counter::kAvgIterations);
  state.counters["decode_ms"] = benchmark::Counter(decodeMs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StartToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

struct TMemoryReport {
  double PeakHeapMB = 0;
  double MaxRssMB = 0;
  int Transitions = 0;
};

// In the child: plays five transitions and samples the heap after every frame and load.
TMemoryReport PlayAndMeasure(const std::string& path) {
  TMemoryReport report;
  const size_t baseline = HeapInUse();
  size_t peak = baseline;
  {
    TBenchPlatform platform;
    TForm1* form = nullptr;
    platform.App->CreateForm(form, path);
    peak = std::max(peak, HeapInUse());
    form->MyPictureShow2->OnAfterNewFrame = [&peak](TComponent*, TBitmap&, TBitmap&) {
      peak = std::max(peak, HeapInUse());
    };
    auto complete = form->MyPictureShow2->OnComplete;
    form->MyPictureShow2->OnComplete = [&](TComponent* sender) {
      complete(sender);  // loads the next picture
      peak = std::max(peak, HeapInUse());
      ++report.Transitions;
    };
    form->Show();
    platform.App->RunUntil([&] { return report.Transitions >= 5; }, 600000);
  }
  report.PeakHeapMB = static_cast<double>(peak - baseline) / (1024.0 * 1024.0);
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  report.MaxRssMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return report;
}

void BM_PeakMemory(benchmark::State& state) {
  const std::string path = ShowOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
      state.SkipWithError("pipe failed");
      break;
    }
    const pid_t child = fork();
    if (child == 0) {
      close(pipeFds[0]);
      const TMemoryReport report = PlayAndMeasure(path);
      const ssize_t written = write(pipeFds[1], &report, sizeof report);
      _exit(written == static_cast<ssize_t>(sizeof report) ? 0 : 1);
    }
    close(pipeFds[1]);
    TMemoryReport report;
    const ssize_t got = read(pipeFds[0], &report, sizeof report);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (got != static_cast<ssize_t>(sizeof report) || report.Transitions < 5) {
      state.SkipWithError("the child did not report");
      break;
    }
    state.counters["peak_heap_MB"] = report.PeakHeapMB;
    state.counters["max_rss_MB"] = report.MaxRssMB;
  }
}
BENCHMARK(BM_PeakMemory)->Arg(2)->Arg(200)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pictova
