// Plays a show on the headless backend and records the screen frame by frame.
#include "pictova-render/ShowCommand.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/AlertDialog.h"
#include "app/MainForm.h"
#include "gfx/Text.h"
#include "imageio/PngWriter.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/headless/HeadlessSound.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"
#include "ui/Timer.h"

namespace pictova {
namespace {

constexpr const char* kUsage =
    "usage: pictova-render SHOW OUTDIR [--seconds S] [--fps F] [--size WxH] [-- ENGINE ARGS]\n"
    "usage: pictova-render SHOW OUTDIR [--seconds S] [--fps F] [--size WxH] [--audio OUT.wav]\n"
    "       pictova-render frame|sheet ...   (single transitions; see their usage)\n"
    "\n"
    "Plays the show in SHOW (a screen saver built by pictova-build, or any file carrying a\n"
    "show) on the headless backend's virtual clock and writes the screen every 1/F seconds\n"
    "as OUTDIR/frame-00000.png, frame-00001.png, ... for S seconds of the show, and a\n"
    "contact sheet of up to 20 frames as OUTDIR/sheet.png. Defaults: 20 seconds, 10 frames\n"
    "per second, a 1024x768 screen. Earlier frame files in OUTDIR are removed first.\n"
    "ENGINE ARGS are the engine's screen-saver switches (default /s, the full-screen saver):\n"
    "/p N shows the preview inside a stand-in \"Display Properties\" window whose preview\n"
    "area has the handle N, /c the about box, /a N the password change (nothing to show).\n"
    "--audio writes what the show played (its music, silence where there is none) as a\n"
    "WAV file exactly as long as the frames last, starting with the first frame.\n"
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
    if (arg == "--") {
      request.EngineArgs.assign(argv + i + 1, argv + argc);
      break;
    }
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw TUsageError(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--seconds") {
      request.Seconds = ParsePositive("--seconds", value(), kMaxSeconds);
    } else if (arg == "--fps") {
      request.Fps = ParsePositive("--fps", value(), kMaxFps);
    } else if (arg == "--audio") {
      request.AudioPath = value();
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

// The system's screen-saver settings as the engine meets them: a "Display Properties" dialog
// in the middle of the screen and, for /p N, the preview area (152 x 112, black) with the
// handle N in its monitor picture.
void PlaceSettingsDialog(THeadlessPlatform& headless, const TRenderRequest& request) {
  constexpr int32_t kDialogWidth = 404, kDialogHeight = 448;
  const int32_t left = std::max(0, (request.ScreenWidth - kDialogWidth) / 2);
  const int32_t top = std::max(0, (request.ScreenHeight - kDialogHeight) / 2);
  const uintptr_t dialog =
      headless.CreateForeignWindow("Display Properties", Rect(left, top, left + kDialogWidth, top + kDialogHeight), 0, 0,
                                   WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME);
  const std::vector<std::string>& args = request.EngineArgs;
  if (args.size() < 2 || args[0].size() < 2 || (args[0][1] != 'p' && args[0][1] != 'P')) return;
  char* end = nullptr;
  const long long number = std::strtoll(args[1].c_str(), &end, 10);
  if (end == args[1].c_str() || *end != '\0' || number <= 0 || number > INT32_MAX) return;
  constexpr int32_t kPreviewLeft = (kDialogWidth - 6 - 152) / 2, kPreviewTop = 40;
  headless.CreateForeignWindow("", Rect(kPreviewLeft, kPreviewTop, kPreviewLeft + 152, kPreviewTop + 112), dialog,
                               static_cast<uintptr_t>(number), WS_CHILD);
}

void PrepareOutDir(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw Exception("cannot create " + dir + ": " + ec.message());
  for (const auto& item : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = item.path().filename().string();
    if (name.rfind("frame-", 0) == 0 && item.path().extension() == ".png") std::filesystem::remove(item.path(), ec);
  }
}

// A little-endian PCM WAV file (RIFF, "fmt " and "data" chunks).
void WriteWav(const std::string& path, const TWaveFormatEx& format, const std::vector<uint8_t>& bytes) {
  if (bytes.size() > static_cast<size_t>(INT32_MAX) - 44) throw Exception("the sound of so long a run does not fit a WAV file");
  std::vector<uint8_t> out;
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i))); };
  auto u16 = [&](uint16_t v) { for (int i = 0; i < 2; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i))); };
  auto tag = [&](const char* t) { out.insert(out.end(), t, t + 4); };
  tag("RIFF");
  u32(static_cast<uint32_t>(36 + bytes.size()));
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(WAVE_FORMAT_PCM);
  u16(format.nChannels);
  u32(format.nSamplesPerSec);
  u32(format.nSamplesPerSec * format.nBlockAlign);
  u16(format.nBlockAlign);
  u16(format.wBitsPerSample);
  tag("data");
  u32(static_cast<uint32_t>(bytes.size()));
  out.insert(out.end(), bytes.begin(), bytes.end());
  TFileStream file(path, fmCreate);
  file.WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
}

// The recording placed on the frames' time line: silence before the sound started and
// after it ended, cut to `span` milliseconds from `start`. Without any sound, 44.1 kHz
// 16-bit stereo silence.
void WriteTimeline(const std::string& path, const TSoundRecording& recording, uint64_t start, uint64_t span) {
  TWaveFormatEx format = recording.Format;
  if (recording.Bytes.empty() || format.nBlockAlign == 0) {
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
  }
  const uint8_t silence = format.wBitsPerSample == 8 ? 0x80 : 0;
  const uint64_t frames = span * format.nSamplesPerSec / 1000;
  std::vector<uint8_t> bytes(frames * format.nBlockAlign, silence);
  if (!recording.Bytes.empty()) {
    // Frame positions of the recording relative to the first picture frame (either may
    // come first).
    const int64_t offset = (static_cast<int64_t>(recording.StartMs) - static_cast<int64_t>(start)) *
                           format.nSamplesPerSec / 1000;
    const int64_t have = static_cast<int64_t>(recording.Bytes.size() / format.nBlockAlign);
    for (int64_t f = std::max<int64_t>(0, -offset); f < have; ++f) {
      const int64_t at = f + offset;
      if (at >= static_cast<int64_t>(frames)) break;
      std::memcpy(bytes.data() + at * format.nBlockAlign, recording.Bytes.data() + f * format.nBlockAlign,
                  format.nBlockAlign);
    }
  }
  WriteWav(path, format, bytes);
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
  const bool writeFrames = !request.OutDir.empty();
  if (writeFrames) PrepareOutDir(request.OutDir);
  const auto wallStart = std::chrono::steady_clock::now();

  THeadlessOptions options;
  options.ScreenWidth = request.ScreenWidth;
  options.ScreenHeight = request.ScreenHeight;
  options.CommandLine = request.EngineArgs;
  auto owned = std::make_unique<THeadlessPlatform>(options);
  THeadlessPlatform& headless = *owned;
  InstallPlatform(std::move(owned));
  PlaceSettingsDialog(headless, request);
  // Without a sound file to write, the sound played is not kept (hours of it would be gigabytes).
  headless.VirtualSound().SetRecording(!request.AudioPath.empty());

  TRenderResult result;
  const int32_t frames = FrameCount(request.Seconds, request.Fps);
  TContactSheet sheet(frames, request.SheetThumbnails, request.ScreenWidth, request.ScreenHeight);
  result.FrameTimes.reserve(static_cast<size_t>(frames));
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
      if (writeFrames) SaveBitmapToPng(headless.ScreenBitmap(), FramePath(request.OutDir, next), kPngFastCompression);
      sheet.Offer(next, at, headless.ScreenBitmap());
      if (request.OnFrame) request.OnFrame(next, at, headless.ScreenBitmap());
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
    if (!request.AudioPath.empty()) {
      const uint64_t span = FrameTime(frames, request.Fps);
      if (!application.Terminated()) application.RunUntil(start + span);
      const TSoundRecording recording = headless.VirtualSound().Recording();
      result.Sound = !recording.Bytes.empty();
      WriteTimeline(request.AudioPath, recording, start, span);
    }
    if (!alert.empty()) result.MessageBoxes.push_back(alert);
    for (const TShownMessageBox& box : headless.ShownMessageBoxes())
      result.MessageBoxes.push_back(box.Caption + ": " + box.Text);
    // Lines of a message are separated by single carriage returns.
    for (std::string& text : result.MessageBoxes)
      for (size_t at = 0; (at = text.find('\r', at)) != std::string::npos;) text.replace(at, 1, "\n    ");
  }
  if (writeFrames && !sheet.Empty() && result.Frames > 0) {
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
    if (!request.AudioPath.empty())
      std::printf("pictova-render: sound %s%s\n", request.AudioPath.c_str(), result.Sound ? "" : " (silent)");
    if (result.Closed) std::printf("pictova-render: the show closed itself after %d frame(s)\n", result.Frames);
    // What the show reported is an error of the show: the frames show it, the status says it.
    return result.MessageBoxes.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pictova-render: %s: %s\n", request.ShowPath.c_str(), e.what());
    return 1;
  }
}

}  // namespace pictova
