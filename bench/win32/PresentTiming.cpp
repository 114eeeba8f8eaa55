// The win32 backend's present timed on its own, as framepath_bench's BM_Present times the other
// backends: a borderless window of the frame's size takes a whole frame of noise again and
// again, then a small dirty rectangle, next to a memcpy of the same bytes in the same run. The
// Windows builds have no Google Benchmark, so this program prints medians itself.
//
//   pictova-present-timing [WIDTHxHEIGHT ...] [--count N] [--rect WIDTHxHEIGHT] [--backend win32|headless]
//
// Sizes default to 1920x1080 and 3840x2160, the count to 200 timed presents per case (a tenth
// as many first, untimed), the rectangle to 256x256 in the middle of the window.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "NoisePicture.h"
#include "TimingSummary.h"
#include "gfx/Bitmap.h"
#include "platform/Input.h"
#include "platform/Platform.h"
#include "platform/headless/HeadlessPlatform.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"

namespace pictova {
namespace {

struct TOptions {
  std::vector<TTimingSize> Sizes;
  TTimingSize Rect{256, 256};
  int Count = 200;
  TBackend Backend = TBackend::Win32;
};

double MsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

template <typename F>
std::vector<double> Time(int count, F&& step) {
  std::vector<double> ms;
  ms.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    step(i);
    ms.push_back(MsSince(t0));
  }
  return ms;
}

// Untimed runs before each case's timed ones: a tenth of them, at least one.
int WarmUps(int count) { return std::max(1, count / 10); }

// Read after every copy, so that no copy counts as dead.
volatile uint8_t gSink = 0;

std::vector<double> TimeMemcpy(size_t bytes, int count) {
  std::vector<uint8_t> from(bytes, 7), to(bytes);
  for (int i = 0; i < WarmUps(count); ++i) std::memcpy(to.data(), from.data(), bytes);
  return Time(count, [&](int i) {
    std::memcpy(to.data(), from.data(), bytes);
    gSink = to[(static_cast<size_t>(i) * 4099u) % bytes];
  });
}

std::string SizeText(int32_t w, int32_t h) { return std::to_string(w) + "x" + std::to_string(h); }

void PrintRow(const std::string& size, const std::string& client, const std::string& what, const TTimingSummary& s) {
  std::printf("%-11s %-11s %-26s %10.3f %10.3f %10.3f\n", size.c_str(), client.c_str(), what.c_str(), s.Median, s.P10,
              s.P90);
}

void TimeSize(const TOptions& o, TTimingSize size) {
  const int32_t w = size.Width, h = size.Height;
  if (o.Backend == TBackend::Headless) {
    THeadlessOptions headless;
    headless.ScreenWidth = w;
    headless.ScreenHeight = h;
    InstallPlatform(std::make_unique<THeadlessPlatform>(headless));
  } else {
    InstallPlatform(CreatePlatform(o.Backend));
  }
  {
    // As the engine runs: the application (and on win32 its hidden window) is there.
    TApplication app;
    TWindowParams params;
    params.Bounds = Rect(0, 0, w, h);
    params.Frame = wfNone;
    // The style of a borderless form; without it the system gives a top-level window a caption
    // and a border, and the client area falls short of the frame.
    params.Style = WS_POPUP;
    params.Visible = true;
    params.Caption = "pictova-present-timing";
    std::unique_ptr<IPlatformWindow> window = Platform().Windows().CreateWindow(params);
    const TBitmap frame = NoisePicture(w, h, 5);
    int32_t cw = 0, ch = 0;
    window->ClientSize(cw, ch);
    const std::string sizeText = SizeText(w, h), clientText = SizeText(cw, ch);
    const TRect whole = Rect(0, 0, w, h);
    const int32_t rw = std::min(o.Rect.Width, w), rh = std::min(o.Rect.Height, h);
    const TRect small = Bounds((w - rw) / 2, (h - rh) / 2, rw, rh);
    const auto drain = [] {
      TInputEvent e;
      while (Platform().Windows().PollEvent(e)) {
      }
    };

    // The window's first messages, then presents that allocate the section and fault its pages in.
    drain();
    for (int i = 0; i < WarmUps(o.Count); ++i) window->Present(frame, whole);
    drain();

    const auto full = Time(o.Count, [&](int) { window->Present(frame, whole); });
    // The loop between two frames of the engine: whatever the system does on the next pass of
    // the message queue (a deferred flush of the window to the display) counts as well.
    const auto fullPumped = Time(o.Count, [&](int) {
      window->Present(frame, whole);
      drain();
    });
    const auto rect = Time(o.Count, [&](int) { window->Present(frame, small); });
    drain();
    const size_t frameBytes = static_cast<size_t>(w) * static_cast<size_t>(h) * 3;
    const size_t rectBytes = static_cast<size_t>(rw) * static_cast<size_t>(rh) * 3;
    const auto copyFrame = TimeMemcpy(frameBytes, o.Count);
    const auto copyRect = TimeMemcpy(rectBytes, o.Count);

    PrintRow(sizeText, clientText, "present " + sizeText, Summarise(full));
    PrintRow(sizeText, clientText, "present+messages " + sizeText, Summarise(fullPumped));
    PrintRow(sizeText, clientText, "present " + SizeText(rw, rh), Summarise(rect));
    PrintRow(sizeText, "", "memcpy " + std::to_string(frameBytes) + " B", Summarise(copyFrame));
    PrintRow(sizeText, "", "memcpy " + std::to_string(rectBytes) + " B", Summarise(copyRect));
    std::fflush(stdout);
  }
  ShutdownPlatform();
}

int Usage() {
  std::fprintf(stderr,
               "usage: pictova-present-timing [WIDTHxHEIGHT ...] [--count N] [--rect WIDTHxHEIGHT]"
               " [--backend win32|headless]\n");
  return 2;
}

int Run(int argc, char** argv) {
  TOptions o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--count" && hasValue) {
      const std::string v = argv[++i];
      char* end = nullptr;
      const long n = std::strtol(v.c_str(), &end, 10);
      if (end == v.c_str() || *end != 0 || n < 1 || n > 1000000) return Usage();
      o.Count = static_cast<int>(n);
    } else if (a == "--rect" && hasValue) {
      if (!ParseTimingSize(argv[++i], o.Rect)) return Usage();
    } else if (a == "--backend" && hasValue) {
      const std::string v = argv[++i];
      if (v == "win32") {
        o.Backend = TBackend::Win32;
      } else if (v == "headless") {
        o.Backend = TBackend::Headless;
      } else {
        return Usage();
      }
    } else {
      TTimingSize s;
      if (!ParseTimingSize(a, s)) return Usage();
      o.Sizes.push_back(s);
    }
  }
  if (o.Sizes.empty()) o.Sizes = {{1920, 1080}, {3840, 2160}};

  // The display as the backend reports it (win32: GetDeviceCaps of the screen).
  InstallPlatform(CreatePlatform(o.Backend));
  IScreenInfo& screen = Platform().Screen();
  std::printf("backend %s, display %dx%d at %d bits per pixel; %d timed runs per case (%d untimed first)\n",
              o.Backend == TBackend::Win32 ? "win32" : "headless", screen.Width(), screen.Height(),
              screen.BitsPerPixel(), o.Count, WarmUps(o.Count));
  ShutdownPlatform();
  std::printf("%-11s %-11s %-26s %10s %10s %10s\n", "size", "client", "case", "median ms", "p10 ms", "p90 ms");
  for (const TTimingSize s : o.Sizes) TimeSize(o, s);
  return 0;
}

}  // namespace
}  // namespace pictova

int main(int argc, char** argv) {
  try {
    return pictova::Run(argc, argv);
  } catch (const pictova::Exception& e) {
    std::fprintf(stderr, "pictova-present-timing: %s\n", e.Message().c_str());
    return 1;
  }
}
