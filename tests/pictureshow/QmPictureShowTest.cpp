// The picture-show control on the UI thread: properties, the progress sequences, Manual,
// failures, the snapshot, invalidation, painting, and the composition around every style.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

#include "gfx/Stretch.h"
#include "pictureshow/Effects.h"
#include "pictureshow/MyPictureShow.h"
#include "pictureshow/PictureShowSupport.h"
#include "rtl/Math.h"
#include "rtl/Random.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"

namespace pictova {
namespace {

using QmPictureShowTest = PictureShowTest;

std::vector<int> RunAndRecord(TQmPictureShow& show) {
  std::vector<int> seen;
  show.OnProgress = [&](TComponent*) { seen.push_back(show.Progress()); };
  show.Execute();
  show.OnProgress = nullptr;
  return seen;
}

TEST_F(QmPictureShowTest, DefaultsAndSetters) {
  TMyPictureShow fresh(nullptr);
  EXPECT_EQ(fresh.Width(), 100);
  EXPECT_EQ(fresh.Height(), 100);
  EXPECT_TRUE(fresh.ControlStyle() & csOpaque);
  EXPECT_EQ(fresh.Color(), clWindow);
  EXPECT_EQ(fresh.Style(), 51);
  EXPECT_EQ(fresh.Step(), 4);
  EXPECT_EQ(fresh.Delay(), 40);
  EXPECT_EQ(fresh.BgMode(), bmTiled);
  EXPECT_TRUE(fresh.AutoSize());
  EXPECT_TRUE(fresh.Threaded());
  EXPECT_EQ(fresh.ThreadPriority(), tpNormal);
  EXPECT_FALSE(fresh.Busy() || fresh.Manual() || fresh.Reverse() || fresh.Center() || fresh.Stretch());
  EXPECT_TRUE(fresh.ScreenBitmap().Empty());

  fresh.SetStep(0);
  EXPECT_EQ(fresh.Step(), 1);
  fresh.SetStep(250);
  EXPECT_EQ(fresh.Step(), 100);
  fresh.SetStep(37);
  EXPECT_EQ(fresh.Step(), 37);

  // Writing Progress while idle does nothing; Manual resets it to the start of the direction.
  fresh.SetProgress(50);
  EXPECT_EQ(fresh.Progress(), 0);
  fresh.SetReverse(true);
  fresh.SetManual(true);
  EXPECT_EQ(fresh.Progress(), 100);
  fresh.SetReverse(false);
  fresh.SetManual(false);
  EXPECT_EQ(fresh.Progress(), 0);

  // AutoSize: the picture gives the control its size before OnChange; aligned controls keep theirs.
  int changes = 0;
  int32_t widthAtChange = 0;
  fresh.OnChange = [&](TComponent*) {
    ++changes;
    widthAtChange = fresh.Width();
  };
  const TBitmap picture = Pattern(37, 21, 1);
  fresh.Picture().SetGraphic(&picture);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(widthAtChange, 37);
  EXPECT_EQ(fresh.Height(), 21);
  fresh.SetPicture(nullptr);
  EXPECT_FALSE(fresh.Picture().HasGraphic());
  EXPECT_EQ(changes, 2);

  EXPECT_EQ(Show().Width(), 200);  // the fixture's control: AutoSize off
  Show().Picture().SetGraphic(&picture);
  EXPECT_EQ(Show().Width(), 200);
}

TEST_F(QmPictureShowTest, ProgressSequencesForwardReverseAndFirstFrames) {
  const TBitmap a = Pattern(64, 48, 1), b = Pattern(64, 48, 2);
  Show().SetStyle(118);
  Show().SetStep(30);
  Show().Picture().SetGraphic(&a);
  // Progress starts at 0: the first frame is at Step.
  EXPECT_EQ(RunAndRecord(Show()), (std::vector<int>{30, 60, 90, 100}));
  EXPECT_FALSE(Show().Busy());
  EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), a));

  // Started at 100, a forward transition first renders 0: the pure snapshot of the display.
  Show().Picture().SetGraphic(&b);
  bool firstWasSnapshot = false;
  bool first = true;
  Show().OnProgress = [&](TComponent*) {
    if (first) firstWasSnapshot = Show().Progress() == 0 && SamePixels(Show().ScreenBitmap(), a);
    first = false;
  };
  Show().Execute();
  EXPECT_TRUE(firstWasSnapshot);
  EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), b));

  // Reverse, started where the forward one ended (100): no first frame at 100, and the end
  // shows the snapshot of the old display, which stays.
  Show().SetReverse(true);
  Show().Picture().SetGraphic(&a);
  EXPECT_EQ(RunAndRecord(Show()), (std::vector<int>{70, 40, 10, 0}));
  EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), b));
  // Started at 0, a reverse transition first renders the complete new picture.
  std::vector<bool> whole;
  Show().OnProgress = [&](TComponent*) {
    if (Show().Progress() == 100) whole.push_back(SamePixels(Show().ScreenBitmap(), a));
  };
  Show().Execute();
  EXPECT_EQ(whole, std::vector<bool>{true});
  EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), b));
  Show().Picture().SetGraphic(&a);
  EXPECT_EQ(RunAndRecord(Show()), (std::vector<int>{100, 70, 40, 10, 0}));
  EXPECT_EQ(Show().Progress(), 0);

  // Step 100: one frame; Step 4: 25 frames ending exactly at 100.
  Show().SetReverse(false);
  Show().SetStep(100);
  EXPECT_EQ(RunAndRecord(Show()), (std::vector<int>{100}));
  Show().SetStep(4);
  Show().SetManual(true);
  Show().SetManual(false);  // idle: Progress back to 0, no frame
  const std::vector<int> fours = RunAndRecord(Show());
  ASSERT_EQ(fours.size(), 25u);
  EXPECT_EQ(fours.front(), 4);
  EXPECT_EQ(fours.back(), 100);

  // The in-line loop waits until more than Delay milliseconds passed between steps.
  Show().SetStep(50);
  Show().SetDelay(40);
  Show().SetManual(true);
  Show().SetManual(false);
  std::vector<uint64_t> times;
  Show().OnProgress = [&](TComponent*) { times.push_back(Now()); };
  const uint64_t start = Now();
  Show().Execute();
  ASSERT_EQ(times.size(), 2u);
  EXPECT_EQ(times[0], start);
  EXPECT_EQ(times[1], start + 41);
}

TEST_F(QmPictureShowTest, CompletionOrderBusyExecuteWhileBusyAndClear) {
  const TBitmap a = Pattern(64, 48, 1), b = Pattern(64, 48, 2);
  Show().SetStyle(5);
  Show().SetStep(25);
  Show().Picture().SetGraphic(&a);
  std::vector<std::string> log;
  Show().OnProgress = [&](TComponent*) {
    log.push_back("progress " + std::to_string(Show().Progress()));
    // While busy: Execute is ignored and Clear does nothing.
    Show().Picture().SetGraphic(&b);
    Show().Execute();
    Show().Clear();
    EXPECT_FALSE(Show().ScreenBitmap().Empty());
    Show().Picture().SetGraphic(&a);
  };
  Show().OnComplete = [&](TComponent*) { log.push_back(Show().Busy() ? "complete busy" : "complete idle"); };
  Show().Execute();
  EXPECT_EQ(log, (std::vector<std::string>{"progress 25", "progress 50", "progress 75", "progress 100",
                                           "complete idle"}));
  EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), a));

  // Without a graphic, Execute does nothing at all.
  Show().OnProgress = nullptr;
  log.clear();
  Show().SetPicture(nullptr);
  Show().Execute();
  EXPECT_FALSE(Show().Busy());
  EXPECT_TRUE(log.empty());

  // Clear when idle: the next paint shows only the colour.
  Show().Clear();
  EXPECT_TRUE(Show().ScreenBitmap().Empty());
  Show().Update();
  EXPECT_EQ(Screen().Pixel(0, 0), clNavy);
  EXPECT_EQ(Screen().Pixel(199, 99), clNavy);
  Show().Clear();  // already empty: nothing

  // An OnComplete handler may start the next transition at once.
  Show().Picture().SetGraphic(&b);
  int completions = 0;
  Show().OnComplete = [&](TComponent*) {
    if (++completions == 1) {
      Show().Picture().SetGraphic(&a);
      Show().Execute();
    }
  };
  Show().Execute();
  EXPECT_EQ(completions, 2);
  EXPECT_FALSE(Show().Busy());
  EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), a));
}

TEST_F(QmPictureShowTest, ManualDrivesProgressUntilSwitchedOff) {
  const TBitmap a = Pattern(40, 30, 1);
  Show().SetStyle(118);
  Show().SetStep(50);
  Show().SetManual(true);
  Show().Picture().SetGraphic(&a);
  int completions = 0;
  Show().OnComplete = [&](TComponent*) { ++completions; };
  Show().Execute();
  EXPECT_TRUE(Show().Busy());  // prepared
  std::vector<int> seen;
  Show().OnProgress = [&](TComponent*) { seen.push_back(Show().Progress()); };
  Show().SetProgress(30);
  Show().SetProgress(30);   // unchanged: no frame
  Show().SetProgress(200);  // capped
  Show().SetProgress(10);
  Show().SetProgress(100);
  EXPECT_EQ(seen, (std::vector<int>{30, 100, 10, 100}));
  EXPECT_TRUE(Show().Busy());  // reaching 100 by hand does not finish
  EXPECT_EQ(completions, 0);
  // Switching Manual off animates from where it stands; at 100 the first step ends it.
  Show().SetManual(false);
  EXPECT_FALSE(Show().Busy());
  EXPECT_EQ(completions, 1);

  // In the in-line loop, switching Manual on ends the loop without finishing; off again resumes.
  seen.clear();
  bool stopped = false;
  Show().OnProgress = [&](TComponent*) {
    seen.push_back(Show().Progress());
    if (Show().Progress() == 50 && !stopped) {
      stopped = true;
      Show().SetManual(true);
    }
  };
  Show().SetStep(25);
  Show().Execute();  // from 100: frames at 0, 25, 50 (manual on)
  EXPECT_TRUE(Show().Busy());
  EXPECT_TRUE(Show().Manual());
  EXPECT_EQ(completions, 1);
  Show().SetManual(false);
  EXPECT_FALSE(Show().Busy());
  EXPECT_EQ(completions, 2);
  EXPECT_EQ(seen, (std::vector<int>{0, 25, 50, 75, 100}));
}

TEST_F(QmPictureShowTest, AFailingFrameReleasesTheTransition) {
  const TBitmap a = Pattern(40, 30, 1);
  Show().SetStyle(118);
  Show().SetReverse(true);  // Prepare renders the first frame (100)
  Show().Picture().SetGraphic(&a);
  Show().OnBeforeNewFrame = [](TComponent*, TBitmap&, TBitmap&) { throw Exception("frame failed"); };
  EXPECT_THROW(Show().Execute(), Exception);
  EXPECT_FALSE(Show().Busy());
  Show().OnBeforeNewFrame = nullptr;
  Show().Execute();
  EXPECT_FALSE(Show().Busy());
  EXPECT_EQ(Show().Progress(), 0);

  // An empty bitmap is a graphic: every style runs its transition on it and finishes.
  const TBitmap empty;
  Show().SetReverse(false);
  for (int style = 0; style <= 125; ++style) {
    Show().SetStyle(static_cast<TShowStyle>(style));
    Show().SetStep(20);
    Show().Picture().SetGraphic(&empty);
    int completions = 0;
    Show().OnComplete = [&](TComponent*) { ++completions; };
    Show().Execute();
    EXPECT_EQ(completions, 1) << style;
    EXPECT_TRUE(Show().ScreenBitmap().Empty());
  }
}

TEST_F(QmPictureShowTest, FitRectKeepsTheAspectRatioCentred) {
  // 50 x 40 into 200 x 100: the height limits (2.5 < 4).
  EXPECT_EQ(TQmPictureShow::FitRect(Rect(75, 30, 125, 70), Rect(0, 0, 200, 100)), Rect(37, 0, 162, 100));
  // 40 x 50 into 100 x 300 at an offset: the width limits; enlarging.
  EXPECT_EQ(TQmPictureShow::FitRect(Rect(0, 0, 40, 50), Rect(10, 20, 110, 320)), Rect(10, 107, 110, 232));
  // Reducing, with MulDiv rounding halves away from zero: 3 x 2 into 5 x 5 -> 5 x 3.33 -> 3.
  EXPECT_EQ(TQmPictureShow::FitRect(Rect(0, 0, 3, 2), Rect(0, 0, 5, 5)), Rect(0, 1, 5, 4));
  // No aspect ratio: nothing.
  EXPECT_TRUE(TQmPictureShow::FitRect(Rect(0, 0, 0, 10), Rect(0, 0, 50, 50)).IsEmpty());
}

// The snapshot is the painted client area under the picture, scaled to the picture's size.
TEST_F(QmPictureShowTest, SnapshotComesFromThePaintBuffer) {
  const TBitmap before = Pattern(200, 100, 3);  // what the display shows before
  const TBitmap tile = Pattern(7, 5, 4);
  const TBitmap next = Pattern(50, 40, 5);
  struct TCase {
    bool Stretch, Fine, Center;
    TRect Source;
  };
  for (const TCase& c : {TCase{false, false, false, Rect(0, 0, 50, 40)},
                         TCase{false, false, true, Rect(75, 30, 125, 70)},
                         TCase{true, false, false, Rect(0, 0, 200, 100)},
                         TCase{true, true, true, Rect(37, 0, 162, 100)}}) {
    SCOPED_TRACE(testing::Message() << c.Stretch << c.Fine << c.Center);
    Show().SetStretch(false);
    Show().SetCenter(false);
    ShowAtOnce(before);
    // A tiled background over the parts of the client that the picture leaves free.
    Show().BgPicture().SetGraphic(&tile);
    Show().Update();
    const TBitmap painted = Show().PaintBuffer();
    EXPECT_TRUE(SamePixels(Crop(Screen(), Rect(0, 0, 200, 100)), painted));

    Show().SetStretch(c.Stretch);
    Show().SetStretchFine(c.Fine);
    Show().SetCenter(c.Center);
    Show().Update();
    const TBitmap shown = Show().PaintBuffer();
    Show().Picture().SetGraphic(&next);
    Show().SetStyle(118);
    Show().SetManual(true);
    Show().Execute();
    Show().RenderFrame();  // progress 0: the snapshot alone
    TBitmap expected(50, 40);
    StretchCopy(expected, 0, 0, 50, 40, shown, c.Source.Left, c.Source.Top, c.Source.Width(), c.Source.Height());
    EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), expected));
    Show().SetManual(false);
    EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), next));
    Show().BgPicture().SetGraphic(nullptr);
  }
}

// What InvalidateArea marks is exactly what the next Update repaints: the whole frame is
// overwritten behind the control's back and the screen shows the change only there.
TEST_F(QmPictureShowTest, InvalidateAreaMapsPictureRectanglesToTheControl) {
  const TBitmap a = Pattern(50, 40, 1);
  TBitmap* frame = nullptr;
  Show().OnAfterNewFrame = [&](TComponent*, TBitmap&, TBitmap& screen) { frame = &screen; };
  ShowAtOnce(a);
  Show().OnAfterNewFrame = nullptr;
  ASSERT_NE(frame, nullptr);

  const auto markedArea = [&](const TRect& area) {
    frame->Canvas().Brush.Color = clYellow;
    frame->Canvas().FillRect(Rect(0, 0, 50, 40));
    Show().Invalidate();
    Show().Update();
    frame->Canvas().Brush.Color = clLime;
    frame->Canvas().FillRect(Rect(0, 0, 50, 40));
    Show().InvalidateArea(area);
    Show().Update();
    TRect box{1000, 1000, -1, -1};
    for (int32_t y = 0; y < 100; ++y)
      for (int32_t x = 0; x < 200; ++x)
        if (Screen().Pixel(x, y) == clLime)
          box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
    return box;
  };
  // Unstretched at the top-left: the rectangle itself, clipped to the picture.
  EXPECT_EQ(markedArea(Rect(10, 5, 30, 20)), Rect(10, 5, 30, 20));
  EXPECT_EQ(markedArea(Rect(40, 30, 90, 90)), Rect(40, 30, 50, 40));
  // Centred: offset by the picture's corner (75, 30).
  Show().SetCenter(true);
  EXPECT_EQ(markedArea(Rect(10, 5, 30, 20)), Rect(85, 35, 105, 50));
  // Stretched to the client: x by 200/50, y by 100/40 (MulDiv rounding).
  Show().SetStretch(true);
  EXPECT_EQ(markedArea(Rect(10, 5, 30, 20)), Rect(40, 13, 120, 50));
  // Stretched keeping the aspect: into (37, 0, 162, 100), scale 125/50 and 100/40.
  Show().SetStretchFine(true);
  EXPECT_EQ(markedArea(Rect(10, 5, 30, 20)), Rect(37 + 25, 13, 37 + 75, 50));
  // A rectangle that runs backwards covers the same pixels.
  EXPECT_EQ(markedArea(Rect(30, 20, 10, 5)), Rect(37 + 25, 13, 37 + 75, 50));
}

TEST_F(QmPictureShowTest, PaintPlacesFrameColourAndBackground) {
  const TBitmap a = Pattern(50, 40, 1);
  ShowAtOnce(a);
  EXPECT_TRUE(SamePixels(Crop(Screen(), Rect(0, 0, 50, 40)), a));
  EXPECT_EQ(Screen().Pixel(60, 10), clNavy);
  Show().SetCenter(true);
  Show().Update();
  EXPECT_TRUE(SamePixels(Crop(Screen(), Rect(75, 30, 125, 70)), a));
  EXPECT_EQ(Screen().Pixel(74, 30), clNavy);

  // Backgrounds: tiled from the corner, centred, stretched.
  const TBitmap tile = Pattern(30, 20, 6);
  Show().SetCenter(false);
  Show().Clear();
  Show().BgPicture().SetGraphic(&tile);
  Show().Update();
  EXPECT_EQ(Screen().Pixel(0, 0), tile.Pixel(0, 0));
  EXPECT_EQ(Screen().Pixel(199, 99), tile.Pixel(199 % 30, 99 % 20));
  Show().SetBgMode(bmCentered);
  Show().Update();
  EXPECT_EQ(Screen().Pixel(85, 40), tile.Pixel(0, 0));
  EXPECT_EQ(Screen().Pixel(84, 40), clNavy);
  Show().SetBgMode(bmStretched);
  Show().Update();
  EXPECT_EQ(Screen().Pixel(199, 99), tile.Pixel(29, 19));
  Show().SetBgMode(bmNone);
  Show().Update();
  EXPECT_EQ(Screen().Pixel(100, 50), clNavy);

  // Background erase is answered as done; a paint message from another thread is ignored.
  TMessage erase{WM_ERASEBKGND};
  Show().Perform(erase);
  EXPECT_EQ(erase.Result, 1);
  Show().SetBgMode(bmTiled);  // invalidates, not yet painted
  std::thread([&] {
    TMessage paint{WM_PAINT};
    Show().Perform(paint);
  }).join();
  EXPECT_EQ(Screen().Pixel(100, 50), clNavy);
  EXPECT_TRUE(Show().PaintBuffer().Pixel(100, 50) == clNavy);
}

// ---------------------------------------------------------------------------------------------
// Composition around the styles

// The frame of one style at progress p, composed independently from the style functions.
TBitmap ExpectedFrame(int style, const TBitmap& old, const TBitmap& pic, int p, int step, uint32_t seed) {
  TBitmap f = old;
  const int32_t w = pic.Width(), h = pic.Height();
  const TFrameGeometry g = MakeFrameGeometry(w, h, p, step);
  if (style >= 1 && style <= 57) {
    const TRectFrame r = RectEffect(style, g);
    for (const TRectPiece& piece : r.Pieces) DrawPiece(f.Canvas(), pic, piece);
    if (p > 0 && p < 100) StretchPiece(f.Canvas(), r.D, pic, r.S);
  } else if (style >= 58 && style <= 117) {
    SetRandSeed(seed);
    const std::optional<TRegion> region = RegionEffect(style, g);
    if (p > 0 && p < 100)
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
          if (!region || region->Contains(x, y)) f.SetPixel(x, y, pic.Pixel(x, y));
  } else if (style == 118) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        uint8_t* t = f.ScanLine(y) + 3 * x;
        const uint8_t* s = pic.ScanLine(y) + 3 * x;
        for (int k = 0; k < 3; ++k) t[k] = uint8_t(t[k] * (100 - p) / 100 + s[k] * p / 100);
      }
  } else if (style >= 119 && style <= 122) {
    // Turned by (100 - p) * 90 degrees about a point just outside one corner.
    const int32_t cx = style <= 120 ? -1 : w, cy = (style == 119 || style == 121) ? -1 : h;
    const long double theta = (100 - p) * std::acos(-1.0L) / 200;
    const double sn = double(std::sin(theta)), cs = double(std::cos(theta));
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const double dx = x - cx, dy = y - cy;
        const double rx = dx * cs - dy * sn, ry = dx * sn + dy * cs;
        const int64_t sx = cx + int64_t(std::nearbyint(rx)), sy = cy + int64_t(std::nearbyint(ry));
        if (sx >= 0 && sx < w && sy >= 0 && sy < h) f.SetPixel(x, y, pic.Pixel(int32_t(sx), int32_t(sy)));
      }
  }
  if (p == 100 && style <= 122) f = pic;
  return f;
}

TEST_F(QmPictureShowTest, EveryStyleComposesItsFrame) {
  const TBitmap old = Pattern(48, 30, 1), pic = Pattern(48, 30, 2);
  const TBitmap tall = Pattern(20, 33, 3), tallOld = Pattern(20, 33, 4);
  const TBitmap odd = Pattern(101, 33, 5), oddOld = Pattern(101, 33, 6);
  Show().SetManual(true);
  Show().SetStep(7);
  for (const auto& [o, n] : {std::pair{&old, &pic}, std::pair{&tallOld, &tall}, std::pair{&oddOld, &odd}}) {
    for (int style = 1; style <= 123; ++style) {
      SCOPED_TRACE(testing::Message() << "style " << style << " " << n->Width() << "x" << n->Height());
      Show().SetManual(false);
      ShowAtOnce(*o);
      Show().SetManual(true);
      Show().SetStyle(static_cast<TShowStyle>(style));
      Show().Picture().SetGraphic(n);
      Show().Execute();
      for (int p : {0, 1, 37, 50, 99, 100}) {
        const uint32_t seed = RandSeed();
        if (Show().Progress() == p)
          Show().RenderFrame();
        else
          Show().SetProgress(static_cast<uint8_t>(p));
        const TBitmap expected = ExpectedFrame(style, *o, *n, p, 7, seed);
        EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), expected)) << "progress " << p;
      }
      // Once painted, the screen shows the frame.
      EXPECT_TRUE(SamePixels(Crop(Screen(), Rect(0, 0, n->Width(), n->Height())), Show().ScreenBitmap()));
    }
  }
}

TEST_F(QmPictureShowTest, StyleZeroCutsCustomDrawsAndUnknownStylesKeepTheOldImage) {
  const TBitmap a = Pattern(40, 30, 1), b = Pattern(40, 30, 2);
  ShowAtOnce(a);
  // A cut finishes at its first step, with one frame, without waiting for Delay.
  Show().SetStyle(0);
  Show().Picture().SetGraphic(&b);
  const uint64_t start = Now();
  EXPECT_EQ(RunAndRecord(Show()), (std::vector<int>{100}));
  EXPECT_EQ(Now(), start);
  EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), b));

  // Backwards, a cut goes straight to the old display and ends there.
  Show().SetReverse(true);
  Show().Picture().SetGraphic(&a);
  int completions = 0;
  Show().OnComplete = [&](TComponent*) { ++completions; };
  Show().Execute();
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(Show().Progress(), 0);
  EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), b));
  Show().SetReverse(false);

  // With a handler, its drawing is the frame until 100, which shows the new picture.
  Show().SetStep(50);
  Show().Picture().SetGraphic(&a);
  std::vector<bool> handlerSawSnapshot;
  Show().OnCustomDraw = [&](TComponent* sender, TBitmap& picture, TBitmap& screen) {
    EXPECT_EQ(sender, &Show());
    EXPECT_TRUE(SamePixels(picture, a));
    handlerSawSnapshot.push_back(SamePixels(screen, b));
    screen.Canvas().Brush.Color = clRed;
    screen.Canvas().FillRect(Rect(0, 0, 10, 10));
  };
  std::vector<TColor> corner;
  Show().OnProgress = [&](TComponent*) { corner.push_back(Show().ScreenBitmap().Pixel(0, 0)); };
  Show().Execute();  // from 0: frames 50, 100
  EXPECT_EQ(handlerSawSnapshot, (std::vector<bool>{true, true}));
  EXPECT_EQ(corner, (std::vector<TColor>{clRed, a.Pixel(0, 0)}));
  EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), a));
  Show().OnCustomDraw = nullptr;
  Show().OnProgress = nullptr;

  // A style past 122 runs to its end and leaves the old image, without painting a frame.
  Show().SetStyle(200);
  Show().SetStep(25);
  Show().Picture().SetGraphic(&b);
  int afterFrames = 0;
  Show().OnAfterNewFrame = [&](TComponent*, TBitmap&, TBitmap&) { ++afterFrames; };
  completions = 0;
  Show().Execute();
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(afterFrames, 0);
  EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), a));
}

TEST_F(QmPictureShowTest, FrameEventsSeeTheFrameAtTheirStage) {
  const TBitmap a = Pattern(40, 30, 1), b = Pattern(40, 30, 2);
  ShowAtOnce(a);
  Show().SetStyle(118);
  Show().SetStep(50);
  Show().Picture().SetGraphic(&b);
  std::vector<std::string> log;
  Show().OnBeforeNewFrame = [&](TComponent*, TBitmap& picture, TBitmap& screen) {
    log.push_back("before " + std::to_string(SamePixels(screen, a)) + std::to_string(SamePixels(picture, b)));
    // Drawing here is under the fade.
    screen.SetPixel(0, 0, clWhite);
  };
  Show().OnAfterNewFrame = [&](TComponent*, TBitmap&, TBitmap& screen) {
    log.push_back("after " + std::to_string(Show().Progress()) + " " + std::to_string(screen.Pixel(0, 0)));
  };
  Show().Execute();
  const TColor b0 = b.Pixel(0, 0);
  const TColor half = RGB(uint8_t(255 * 50 / 100 + GetRValue(b0) * 50 / 100),
                          uint8_t(255 * 50 / 100 + GetGValue(b0) * 50 / 100),
                          uint8_t(255 * 50 / 100 + GetBValue(b0) * 50 / 100));
  // From 100: frames 0, 50, 100.
  EXPECT_EQ(log, (std::vector<std::string>{"before 11", "after 0 " + std::to_string(clWhite), "before 11",
                                           "after 50 " + std::to_string(half), "before 11",
                                           "after 100 " + std::to_string(b0)}));
}

}  // namespace
}  // namespace pictova

namespace pictova {
namespace {

// ---------------------------------------------------------------------------------------------
// Invalidation: after every frame the screen is what a full repaint would show.

struct TScreenCase {
  int32_t W, H;
  bool Stretch, Fine, Center;
  int32_t OldW = 0, OldH = 0;  // the picture before, when its size differs
};

TEST_F(QmPictureShowTest, AfterEveryFrameTheScreenEqualsAFullRepaint) {
  // Unscaled; shrunk onto the client (a seam column and row per group); shrunk keeping the
  // aspect, centred; enlarged.
  // Then pictures of another size than the one before: the frame's edges move.
  for (const TScreenCase& c :
       {TScreenCase{48, 30, false, false, false}, TScreenCase{230, 130, true, false, false},
        TScreenCase{230, 130, true, true, true}, TScreenCase{48, 30, true, false, false},
        TScreenCase{48, 30, false, false, true, 60, 40}, TScreenCase{48, 30, true, true, false, 30, 48}}) {
    const TBitmap old = Pattern(c.OldW > 0 ? c.OldW : c.W, c.OldH > 0 ? c.OldH : c.H, 1), pic = Pattern(c.W, c.H, 2);
    Show().SetStretch(c.Stretch);
    Show().SetStretchFine(c.Fine);
    Show().SetCenter(c.Center);
    Show().SetStep(7);
    for (int style = 0; style <= kMaxShowStyle; ++style) {
      SCOPED_TRACE(testing::Message() << "style " << style << ", " << c.W << "x" << c.H << (c.Stretch ? " stretched" : "")
                                      << (c.Fine ? " fine" : ""));
      Show().SetManual(false);
      ShowAtOnce(old);
      Show().SetManual(true);
      Show().SetStyle(static_cast<TShowStyle>(style));
      Show().Picture().SetGraphic(&pic);
      Show().Execute();
      // Rising, then one step back (a shrinking frame), then the end.
      for (int p : {13, 37, 50, 63, 88, 70, 100}) {
        Show().SetProgress(static_cast<uint8_t>(p));
        const TBitmap shown = Screen();
        Show().Invalidate();
        Show().Update();
        ASSERT_TRUE(SamePixels(shown, Screen())) << "progress " << p;
      }
    }
  }
  Show().SetManual(false);
}

// Tiling by doubling gives the pixels of one draw per tile, wherever the tiles start and
// whatever their size; a clip region or a start outside the bitmap takes the plain path.
class TTilingShow : public TQmPictureShow {
 public:
  using TQmPictureShow::TQmPictureShow;
  using TQmPictureShow::TileGraphic;
};

TEST_F(QmPictureShowTest, TilingByDoublingMatchesOneDrawPerTile) {
  TTilingShow show(nullptr);
  TBitmap mono(5, 3, pf1bit);
  for (int32_t x = 0; x < 5; ++x) mono.SetPixel(x, x % 3, clWhite);
  const TBitmap tiles[] = {Pattern(1, 1, 3), Pattern(3, 2, 4), Pattern(7, 5, 5), Pattern(64, 64, 6),
                           Pattern(250, 120, 7), mono};
  const TRect areas[] = {Rect(0, 0, 200, 100), Rect(5, 3, 150, 77), Rect(0, 0, 1, 1), Rect(199, 99, 260, 180),
                         Rect(-4, -6, 120, 90), Rect(10, 10, 5, 5)};
  for (const TBitmap& tile : tiles)
    for (const TRect& area : areas)
      for (bool clipped : {false, true}) {
        SCOPED_TRACE(testing::Message() << tile.Width() << "x" << tile.Height() << " from " << area.Left << ","
                                        << area.Top << (clipped ? " clipped" : ""));
        TBitmap expected = Pattern(200, 100, 8);
        TBitmap got = expected;
        if (clipped) {
          const TRegion clip = TRegion::CreateRectRgn(20, 10, 90, 60);
          expected.Canvas().SelectClipRgn(&clip);
          got.Canvas().SelectClipRgn(&clip);
        }
        const int32_t rows = area.Height() / tile.Height(), cols = area.Width() / tile.Width();
        for (int32_t j = 0; j <= rows; ++j)
          for (int32_t i = 0; i <= cols; ++i)
            expected.Canvas().Draw(area.Left + i * tile.Width(), area.Top + j * tile.Height(), &tile);
        show.TileGraphic(got.Canvas(), area, &tile);
        EXPECT_TRUE(SamePixels(got, expected));
      }
}

}  // namespace
}  // namespace pictova
