// Plays a show on the headless backend and records the screen frame by frame.
#include "pictova-render/ShowCommand.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/AlertDialog.h"
#include "app/MainForm.h"
#include "gfx/Text.h"
#include "imageio/PngWriter.h"
#include "platform/headless/HeadlessPlatform.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"
#include "ui/Timer.h"

namespace pictova {
namespace {

constexpr const char* kUsage =
    "usage: pictova-render SHOW OUTDIR [--seconds S] [--fps F] [--size WxH]\n"
    "       pictova-render frame|sheet ...   (single transitions; see their usage)\n"
    "\n"
    "Plays the show in SHOW (a screen saver built by pictova-build, or any file carrying a\n"
    "show) on the headless backend's virtual clock and writes the screen every 1/F seconds\n"
    "as OUTDIR/frame-00000.png, frame-00001.png, ... for S seconds of the show, and a\n"
    "contact sheet of up to 20 frames as OUTDIR/sheet.png. Defaults: 20 seconds, 10 frames\n"
    "per second, a 1024x768 screen. Earlier frame files in OUTDIR are removed first.\n"
    "Exit status: 0 done, 1 the show reported an error (its text is printed; the frames\n"
    "show what the engine showed) or a file could not be read or written, 2 a malformed\n"
    "command line.\n";

constexpr int32_t kMinSide = 16;
constexpr int32_t kMaxSide = 8192;
constexpr double kMaxSeconds = 24 * 3600;
constexpr double kMaxFps = 1000;
constexpr int32_t kThumbWidth = 240;
constexpr int32_t kLabelHeight = 18;
constexpr int32_t kSheetColumns = 5;
constexpr int32_t kGap = 4;

struct TUsageError : Exception {
  using Exception::Exception;
};

double ParsePositive(const std::string& what, const std::string& text, double limit) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value) || value <= 0 || value > limit)
    throw TUsageError(what + " must be a number above 0 and at most " + Format("%g", limit) + ": '" + text + "'");
  return value;
}

void ParseSize(const std::string& text, int32_t& width, int32_t& height) {
  unsigned w = 0, h = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%ux%u%c", &w, &h, &tail) != 2 || w < kMinSide || h < kMinSide || w > kMaxSide ||
      h > kMaxSide)
    throw TUsageError(Format("--size must be WIDTHxHEIGHT, each %d to %d: '%s'", kMinSide, kMaxSide, text.c_str()));
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
}

TRenderRequest ParseRequest(int argc, char** argv) {
  TRenderRequest request;
  std::vector<std::string> positional;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw TUsageError(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--seconds") {
      request.Seconds = ParsePositive("--seconds", value(), kMaxSeconds);
    } else if (arg == "--fps") {
      request.Fps = ParsePositive("--fps", value(), kMaxFps);
    } else if (arg == "--size") {
      ParseSize(value(), request.ScreenWidth, request.ScreenHeight);
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw TUsageError("unknown option " + arg);
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) throw TUsageError("SHOW and OUTDIR are needed, and nothing else");
  request.ShowPath = positional[0];
  request.OutDir = positional[1];
  return request;
}

// Averages each block of the source that falls on one pixel of the thumbnail, so that fine
// detail turns into its mean colour rather than into whichever pixel a stretch would pick.
void DrawThumbnail(const TBitmap& source, TBitmap& sheet, int32_t left, int32_t top, int32_t width, int32_t height) {
  const int32_t sw = source.Width(), sh = source.Height();
  for (int32_t y = 0; y < height; ++y) {
    const int32_t y0 = static_cast<int32_t>(int64_t{y} * sh / height);
    const int32_t y1 = std::max(y0 + 1, static_cast<int32_t>(int64_t{y + 1} * sh / height));
    uint8_t* out = sheet.ScanLine(top + y) + 3 * left;
    for (int32_t x = 0; x < width; ++x) {
      const int32_t x0 = static_cast<int32_t>(int64_t{x} * sw / width);
      const int32_t x1 = std::max(x0 + 1, static_cast<int32_t>(int64_t{x + 1} * sw / width));
      uint32_t sum[3] = {0, 0, 0};
      for (int32_t sy = y0; sy < y1; ++sy) {
        const uint8_t* in = source.ScanLine(sy) + 3 * x0;
        for (int32_t sx = x0; sx < x1; ++sx, in += 3) {
          sum[0] += in[0];
          sum[1] += in[1];
          sum[2] += in[2];
        }
      }
      const uint32_t n = static_cast<uint32_t>((y1 - y0) * (x1 - x0));
      for (int c = 0; c < 3; ++c) out[3 * x + c] = static_cast<uint8_t>((sum[c] + n / 2) / n);
    }
  }
}

// Up to `count` frames spread evenly over the run, with their times written under them.
class TContactSheet {
 public:
  TContactSheet(int32_t frames, int32_t count, int32_t screenWidth, int32_t screenHeight) {
    count = std::min(count, frames);
    if (count <= 0) return;
    for (int32_t j = 0; j < count; ++j) FPicked.push_back(static_cast<int32_t>(int64_t{j} * frames / count));
    FThumbW = std::min(kThumbWidth, screenWidth);
    FThumbH = std::max<int32_t>(1, static_cast<int32_t>(int64_t{FThumbW} * screenHeight / screenWidth));
    const int32_t columns = std::min(kSheetColumns, count);
    const int32_t rows = (count + columns - 1) / columns;
    FSheet.SetSize(kGap + columns * (FThumbW + kGap), kGap + rows * (FThumbH + kLabelHeight + kGap));
    FSheet.Canvas().Brush.Color = RGB(40, 40, 48);
    FSheet.Canvas().FillRect(Rect(0, 0, FSheet.Width(), FSheet.Height()));
    FColumns = columns;
  }

  void Offer(int32_t frame, uint64_t ms, const TBitmap& screen) {
    const auto it = std::find(FPicked.begin(), FPicked.end(), frame);
    if (it == FPicked.end()) return;
    const int32_t slot = static_cast<int32_t>(it - FPicked.begin());
    const int32_t left = kGap + (slot % FColumns) * (FThumbW + kGap);
    const int32_t top = kGap + (slot / FColumns) * (FThumbH + kLabelHeight + kGap);
    DrawThumbnail(screen, FSheet, left, top, FThumbW, FThumbH);
    if (GlyphSource() == nullptr) return;
    TFont font;
    font.SetName("Arial");
    font.SetHeight(-12);
    font.SetColor(clWhite);
    FSheet.Canvas().Brush.Style = bsClear;
    TextOut(FSheet.Canvas(), font, left + 2, top + FThumbH + 2,
            Format("#%d  %.2f s", frame, static_cast<double>(ms) / 1000.0));
  }

  bool Empty() const { return FPicked.empty(); }
  const TBitmap& Bitmap() const { return FSheet; }

 private:
  std::vector<int32_t> FPicked;
  TBitmap FSheet;
  int32_t FThumbW = 0;
  int32_t FThumbH = 0;
  int32_t FColumns = 1;
};

void PrepareOutDir(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw Exception("cannot create " + dir + ": " + ec.message());
  for (const auto& item : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = item.path().filename().string();
    if (name.rfind("frame-", 0) == 0 && item.path().extension() == ".png") std::filesystem::remove(item.path(), ec);
  }
}

std::string FramePath(const std::string& dir, int32_t index) {
  return (std::filesystem::path(dir) / Format("frame-%05d.png", index)).string();
}

}  // namespace

uint64_t FrameTime(int32_t index, double fps) {
  return static_cast<uint64_t>(std::floor(static_cast<double>(index) * 1000.0 / fps + 1e-9));
}

int32_t FrameCount(double seconds, double fps) {
  return std::max<int32_t>(1, static_cast<int32_t>(std::floor(seconds * fps + 1e-9)));
}

TRenderResult RenderShow(const TRenderRequest& request) {
  if (Application != nullptr) throw Exception("RenderShow needs a process without an application");
  PrepareOutDir(request.OutDir);
  const auto wallStart = std::chrono::steady_clock::now();

  THeadlessOptions options;
  options.ScreenWidth = request.ScreenWidth;
  options.ScreenHeight = request.ScreenHeight;
  auto owned = std::make_unique<THeadlessPlatform>(options);
  THeadlessPlatform& headless = *owned;
  InstallPlatform(std::move(owned));

  TRenderResult result;
  const int32_t frames = FrameCount(request.Seconds, request.Fps);
  TContactSheet sheet(frames, request.SheetThumbnails, request.ScreenWidth, request.ScreenHeight);
  {
    // The platform outlives the application; both go whatever happens in between.
    struct TPlatformGuard {
      ~TPlatformGuard() { ShutdownPlatform(); }
    } platformGuard;
    TApplication application;
    application.SetTitle("PictovaSaver");
    const uint64_t start = Platform().Clock().NowMs();
    int32_t next = 0;  // the next frame to write
    std::string alert;  // what the alert dialog said, "Caption: text"
    auto record = [&] {
      const uint64_t at = FrameTime(next, request.Fps);
      SaveBitmapToPng(headless.ScreenBitmap(), FramePath(request.OutDir, next), kPngFastCompression);
      sheet.Offer(next, at, headless.ScreenBitmap());
      result.FrameTimes.push_back(at);
      ++result.Frames;
      ++next;
    };

    // A modal dialog (the alert of a file without a show) runs a loop of its own, already
    // while the form is made. There the frames are written when the loop is idle at or after
    // their time, woken by a timer; once they are all written the application ends, which
    // closes the dialog.
    TTimer* wake = new TTimer(&application);
    wake->SetInterval(1);
    wake->OnTimer = [&](TComponent*) {
      const uint64_t now = Platform().Clock().NowMs();
      int32_t k = next;
      while (k < frames && start + FrameTime(k, request.Fps) <= now) ++k;
      wake->SetEnabled(false);
      if (k >= frames) return;
      wake->SetInterval(static_cast<uint32_t>(start + FrameTime(k, request.Fps) - now));
      wake->SetEnabled(true);
    };
    application.OnIdle = [&](TComponent*) {
      if (application.ModalLevel() == 0) return;
      if (AlertDialog != nullptr && AlertDialog->Visible() && alert.empty())
        alert = AlertDialog->Caption() + ": " + AlertDialog->Prompt->Caption();
      while (next < frames && start + FrameTime(next, request.Fps) <= Platform().Clock().NowMs()) record();
      if (next >= frames) application.Terminate();
    };

    TForm1* form = nullptr;
    application.CreateForm(form, request.ShowPath);
    if (form != nullptr && !form->Visible() && !application.Terminated()) form->Show();
    while (next < frames) {
      application.RunUntil(start + FrameTime(next, request.Fps));
      if (application.Terminated()) {
        result.Closed = true;
        break;
      }
      record();
    }
    application.OnIdle = nullptr;
    if (!alert.empty()) result.MessageBoxes.push_back(alert);
    for (const TShownMessageBox& box : headless.ShownMessageBoxes())
      result.MessageBoxes.push_back(box.Caption + ": " + box.Text);
    // Lines of a message are separated by single carriage returns.
    for (std::string& text : result.MessageBoxes)
      for (size_t at = 0; (at = text.find('\r', at)) != std::string::npos;) text.replace(at, 1, "\n    ");
  }
  if (!sheet.Empty() && result.Frames > 0) {
    result.SheetPath = (std::filesystem::path(request.OutDir) / "sheet.png").string();
    SaveBitmapToPng(sheet.Bitmap(), result.SheetPath);
  }
  result.WallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  return result;
}

int RunShowCommand(int argc, char** argv) {
  TRenderRequest request;
  try {
    if (argc == 1 && (std::string(argv[0]) == "--help" || std::string(argv[0]) == "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    request = ParseRequest(argc, argv);
  } catch (const TUsageError& e) {
    std::fprintf(stderr, "pictova-render: %s\n%s", e.what(), kUsage);
    return 2;
  }
  try {
    if (!FileExists(request.ShowPath)) throw EInOutError(EInOutError::kFileNotFound);
    const TRenderResult result = RenderShow(request);
    for (const std::string& box : result.MessageBoxes)
      std::fprintf(stderr, "pictova-render: the show reported: %s\n", box.c_str());
    const double shown = result.Frames > 0 ? static_cast<double>(result.FrameTimes.back()) / 1000.0 +
                                                  1.0 / request.Fps
                                            : 0.0;
    std::printf("pictova-render: %d frame(s) of %.1f s of show in %.1f s (%.1fx real time) in %s\n", result.Frames,
                shown, result.WallSeconds, result.WallSeconds > 0 ? shown / result.WallSeconds : 0.0,
                request.OutDir.c_str());
    if (!result.SheetPath.empty()) std::printf("pictova-render: contact sheet %s\n", result.SheetPath.c_str());
    if (result.Closed) std::printf("pictova-render: the show closed itself after %d frame(s)\n", result.Frames);
    // What the show reported is an error of the show: the frames show it, the status says it.
    return result.MessageBoxes.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pictova-render: %s: %s\n", request.ShowPath.c_str(), e.what());
    return 1;
  }
}

}  // namespace pictova
