// pictova-render frame / sheet: one transition frame, or a contact sheet of one style, made by
// the picture-show control itself on the headless backend: OLD is shown first (so it is what
// the control's snapshot takes), then a manual transition to NEW renders the frame asked for.
#include "pictova-render/FrameCommand.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Font.h"
#include "gfx/Text.h"
#include "imageio/ImageIO.h"
#include "imageio/PngWriter.h"
#include "pictureshow/QmPictureShow.h"
#include "platform/headless/HeadlessPlatform.h"
#include "rtl/Random.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace pictova {
namespace {

struct TFrameArgs {
  int Style = -1;
  int Progress = -1;
  int Step = 4;
  bool Reverse = false;
  std::string Old, New, Out;
};

bool ParseInt(const char* text, int low, int high, int& value) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < low || v > high) return false;
  value = static_cast<int>(v);
  return true;
}

// Returns an empty string when the arguments are good, else what is wrong.
std::string Parse(int argc, char** argv, bool wantProgress, TFrameArgs& a) {
  std::vector<std::string> files;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto number = [&](const char* name, int low, int high, int& value) -> std::string {
      if (i + 1 >= argc) return std::string(name) + " needs a value";
      if (!ParseInt(argv[++i], low, high, value))
        return Format("%s must be a number from %d to %d", name, low, high);
      return "";
    };
    std::string error;
    if (arg == "--style") {
      error = number("--style", 0, 255, a.Style);
    } else if (arg == "--progress" && wantProgress) {
      error = number("--progress", 0, 100, a.Progress);
    } else if (arg == "--step") {
      error = number("--step", 0, 65535, a.Step);
    } else if (arg == "--reverse") {
      a.Reverse = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
    } else {
      files.push_back(arg);
    }
    if (!error.empty()) return error;
  }
  if (a.Style < 0) return "--style is required";
  if (wantProgress && a.Progress < 0) return "--progress is required";
  if (files.size() != 3) return "OLD, NEW and OUT.png are required";
  a.Old = files[0];
  a.New = files[1];
  a.Out = files[2];
  return "";
}

TBitmap LoadPicture(const std::string& path) {
  TBitmap bitmap;
  TImageIO io;
  io.SetBitmap(&bitmap);
  io.LoadFromFile(path);
  if (io.IOFailed() || bitmap.Empty()) throw Exception(path + ": the image could not be decoded");
  return bitmap;
}

// A headless program with one borderless form the size of the pictures and a picture-show
// filling it. Each frame gets a fresh one, so that every frame starts from the same state.
class TFrameStage {
 public:
  TFrameStage(int32_t w, int32_t h) {
    THeadlessOptions options;
    options.ScreenWidth = std::max(w, 64);
    options.ScreenHeight = std::max(h, 64);
    InstallPlatform(std::make_unique<THeadlessPlatform>(options));
    FApp = std::make_unique<TApplication>();
    FForm = new TForm(FApp.get());
    FForm->SetBorderStyle(bsNone);
    FForm->SetBounds(0, 0, w, h);
    FForm->SetColor(clBlack);
    FShow = new TQmPictureShow(FForm);
    FShow->SetParent(FForm);
    FShow->SetAutoSize(false);
    FShow->SetBounds(0, 0, w, h);
    FShow->SetColor(clBlack);
    FShow->SetThreaded(false);
    FForm->Show();
  }
  ~TFrameStage() {
    FApp.reset();
    ShutdownPlatform();
  }

  // Shows OLD (a cut), then renders one frame of the transition to NEW at `progress`.
  TBitmap Render(const TBitmap& oldPicture, const TBitmap& newPicture, int style, int step, bool reverse,
                 int progress) {
    FShow->Picture().SetGraphic(&oldPicture);
    FShow->SetStyle(0);
    FShow->Execute();
    FShow->Update();

    SetRandSeed(0);  // the region styles that draw random numbers start as a program does
    FShow->Picture().SetGraphic(&newPicture);
    FShow->SetStyle(static_cast<TShowStyle>(style));
    FShow->SetStep(static_cast<uint16_t>(step));
    FShow->SetReverse(reverse);
    FShow->SetManual(true);  // resets Progress to the start of the direction
    FShow->Execute();        // prepares only
    if (FShow->Progress() != progress) {
      FShow->SetProgress(static_cast<uint8_t>(progress));
    } else {
      FShow->RenderFrame();
    }
    return FShow->ScreenBitmap();
  }

 private:
  std::unique_ptr<TApplication> FApp;
  TForm* FForm = nullptr;
  TQmPictureShow* FShow = nullptr;
};

struct TPictures {
  TBitmap Old, New;
};

TPictures LoadPair(const TFrameArgs& a) {
  TPictures p{LoadPicture(a.Old), LoadPicture(a.New)};
  if (p.Old.Width() != p.New.Width() || p.Old.Height() != p.New.Height())
    throw Exception(Format("OLD is %d x %d but NEW is %d x %d: they must have the same size", p.Old.Width(),
                           p.Old.Height(), p.New.Width(), p.New.Height()));
  return p;
}

TBitmap RenderOne(const TPictures& p, const TFrameArgs& a, int progress) {
  TFrameStage stage(p.New.Width(), p.New.Height());
  return stage.Render(p.Old, p.New, a.Style, a.Step, a.Reverse, progress);
}

int Fail(const char* command, const std::string& message, int code) {
  std::fprintf(stderr, "pictova-render %s: %s\n", command, message.c_str());
  if (code == 2)
    std::fprintf(stderr,
                 "usage: pictova-render frame --style N --progress P [--step S] [--reverse] OLD NEW OUT.png\n"
                 "       pictova-render sheet --style N [--step S] [--reverse] OLD NEW OUT.png\n");
  return code;
}

constexpr int kSheetColumns = 4;
constexpr int kSheetGap = 8;
constexpr int kSheetLabel = 18;

}  // namespace

int RunFrameCommand(int argc, char** argv) {
  TFrameArgs a;
  if (const std::string error = Parse(argc, argv, true, a); !error.empty()) return Fail("frame", error, 2);
  try {
    const TPictures p = LoadPair(a);
    SaveBitmapToPng(RenderOne(p, a, a.Progress), a.Out);
  } catch (const std::exception& e) {
    return Fail("frame", e.what(), 1);
  }
  return 0;
}

int RunSheetCommand(int argc, char** argv) {
  TFrameArgs a;
  if (const std::string error = Parse(argc, argv, false, a); !error.empty()) return Fail("sheet", error, 2);
  try {
    const TPictures p = LoadPair(a);
    const int32_t w = p.New.Width(), h = p.New.Height();
    const int cells = 11;  // progress 0, 10, ..., 100, row by row
    const int rows = (cells + kSheetColumns - 1) / kSheetColumns;
    const int64_t sheetW = int64_t{kSheetColumns} * (w + kSheetGap) + kSheetGap;
    const int64_t sheetH = int64_t{rows} * (h + kSheetGap + kSheetLabel) + kSheetGap;
    if (sheetW > kMaxBitmapSide || sheetH > kMaxBitmapSide || sheetW * sheetH * 3 > kMaxBitmapBytes)
      throw Exception(Format("a sheet of %d x %d pictures is too large; use smaller pictures", w, h));
    std::vector<TBitmap> frames;
    for (int i = 0; i < cells; ++i) frames.push_back(RenderOne(p, a, i * 10));

    // The sheet is drawn with a stage of its own, which brings the glyph source for labels.
    TFrameStage stage(1, 1);
    TBitmap sheet(static_cast<int32_t>(sheetW), static_cast<int32_t>(sheetH));
    TCanvas& canvas = sheet.Canvas();
    canvas.Brush.Color = RGB(64, 64, 64);
    canvas.FillRect(Rect(0, 0, sheet.Width(), sheet.Height()));
    TFont font;
    font.SetColor(clWhite);
    for (int i = 0; i < cells; ++i) {
      const int32_t x = kSheetGap + (i % kSheetColumns) * (w + kSheetGap);
      const int32_t y = kSheetGap + (i / kSheetColumns) * (h + kSheetGap + kSheetLabel);
      canvas.Draw(x, y + kSheetLabel, &frames[static_cast<size_t>(i)]);
      try {
        canvas.Brush.Style = bsClear;
        TextOut(canvas, font, x, y, Format("style %d  progress %d", a.Style, i * 10));
      } catch (const std::exception&) {
        // no glyph source: the cells still go in order
      }
      canvas.Brush.Style = bsSolid;
    }
    SaveBitmapToPng(sheet, a.Out);
  } catch (const std::exception& e) {
    return Fail("sheet", e.what(), 1);
  }
  return 0;
}

}  // namespace pictova
