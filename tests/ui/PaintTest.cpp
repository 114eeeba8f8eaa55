// Painting: control origin and clipping, opaque controls, partial invalidation, painting
// when idle versus Update, failures while painting, and repeatable screens.
#include <cstring>
#include <functional>
#include <string>

#include "rtl/SysUtils.h"
#include "ui/Button.h"
#include "ui/HeadlessFixture.h"
#include "ui/Label.h"
#include "ui/Memo.h"
#include "ui/Panel.h"
#include "ui/Thread.h"
#include "ui/Timer.h"

namespace pictova {
namespace {

// A control whose painting a test supplies.
class TSketch : public TGraphicControl {
 public:
  TSketch(TComponent* owner, bool opaque) : TGraphicControl(owner) {
    if (opaque) SetControlStyle(ControlStyle() | csOpaque);
  }
  std::function<void(TCanvas&)> Draw;
  int Paints = 0;

 protected:
  void Paint() override {
    ++Paints;
    if (Draw) Draw(Canvas());
  }
};

void Fill(TCanvas& c, const TRect& r, TColor color) {
  c.Brush.Color = color;
  c.Brush.Style = bsSolid;
  c.FillRect(r);
}

class PaintTest : public HeadlessTest {
 protected:
  // A borderless form at the screen's top-left, so screen and client coordinates agree.
  TForm* MakeForm() {
    auto* form = new TForm(&App());
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 200, 100);
    form->SetColor(clRed);
    return form;
  }
  TColor At(int32_t x, int32_t y) { return Headless().ScreenBitmap().Pixel(x, y); }
  // A sketch of type T on form at (x, y), w x h.
  template <class T = TSketch>
  T* Place(TForm* form, bool opaque, int32_t x, int32_t y, int32_t w, int32_t h) {
    auto* sketch = new T(form, opaque);
    sketch->SetParent(form);
    sketch->SetBounds(x, y, w, h);
    return sketch;
  }
};

TEST_F(PaintTest, AGraphicControlPaintsAtItsPositionClippedToItsBounds) {
  TForm* form = MakeForm();
  auto* sketch = Place(form, false, 50, 40, 20, 10);
  sketch->Draw = [](TCanvas& c) {
    Fill(c, Rect(-100, -100, 1000, 1000), clLime);
    c.SetPixel(0, 0, clBlue);
  };
  form->Show();
  App().ProcessMessages();
  EXPECT_EQ(At(50, 40), clBlue);
  EXPECT_EQ(At(51, 40), clLime);
  EXPECT_EQ(At(69, 49), clLime);
  EXPECT_EQ(At(70, 49), clRed);
  EXPECT_EQ(At(69, 50), clRed);
  EXPECT_EQ(At(49, 45), clRed);
}

TEST_F(PaintTest, OnlyATransparentControlShowsTheBackgroundWhereItDoesNotPaint) {
  TForm* form = MakeForm();
  auto* opaque = Place(form, true, 0, 0, 20, 10);
  auto* clear = Place(form, false, 0, 50, 20, 10);
  for (TSketch* s : {opaque, clear})
    s->Draw = [](TCanvas& c) { Fill(c, Rect(0, 0, 10, 10), clBlue); };  // left half only
  form->Show();
  App().ProcessMessages();
  EXPECT_EQ(At(5, 5), clBlue);
  EXPECT_EQ(At(5, 55), clBlue);
  // Nobody erased behind the opaque control: its own (blank) surface shows.
  EXPECT_EQ(At(15, 5), clBlack);
  EXPECT_EQ(At(15, 55), clRed);
}

TEST_F(PaintTest, InvalidatingARectangleRepaintsOnlyThatRectangleAndOnlyWhenIdle) {
  TForm* form = MakeForm();
  auto* sketch = Place(form, true, 100, 20, 40, 30);
  TColor color = clLime;
  sketch->Draw = [&](TCanvas& c) { Fill(c, Rect(0, 0, 40, 30), color); };
  form->Show();
  App().ProcessMessages();
  const int paints = sketch->Paints;
  color = clBlue;
  sketch->InvalidateRect(Rect(5, 2, 10, 6));
  EXPECT_EQ(At(107, 24), clLime);  // nothing happens before the loop is idle
  App().ProcessMessages();
  EXPECT_EQ(sketch->Paints, paints + 1);
  EXPECT_EQ(At(105, 22), clBlue);
  EXPECT_EQ(At(109, 25), clBlue);
  EXPECT_EQ(At(110, 25), clLime);
  EXPECT_EQ(At(109, 26), clLime);
  EXPECT_EQ(At(104, 22), clLime);

  // Update paints at once, without the loop.
  color = clYellow;
  sketch->Invalidate();
  sketch->Update();
  EXPECT_EQ(At(139, 49), clYellow);
  EXPECT_FALSE(form->HasInvalid());
}

TEST_F(PaintTest, AFailingPaintIsReportedAndTheOtherControlsStillPaint) {
  TForm* form = MakeForm();
  auto* bad = Place(form, true, 0, 0, 10, 10);
  auto* good = Place(form, true, 20, 0, 10, 10);
  bad->Draw = [](TCanvas&) { throw Exception("Paint broke"); };
  good->Draw = [](TCanvas& c) { Fill(c, Rect(0, 0, 10, 10), clLime); };
  form->Show();
  App().ProcessMessages();
  EXPECT_EQ(At(25, 5), clLime);
  ASSERT_FALSE(Headless().ShownMessageBoxes().empty());
  EXPECT_EQ(Headless().ShownMessageBoxes()[0].Text, "Paint broke.");
}

// An opaque control that shows a bitmap of its own size 1:1 and hands it to the painter.
class TPixelsSketch : public TSketch {
 public:
  using TSketch::TSketch;
  TBitmap Pixels;

 protected:
  const TBitmap* PaintedPixels() override { return &Pixels; }
};

TEST_F(PaintTest, HandedOverPixelsArePaintedInTheirPlaceUnderTheControlsAboveThem) {
  TForm* form = MakeForm();
  auto* shown = Place<TPixelsSketch>(form, true, 10, 10, 100, 60);
  shown->Pixels.SetSize(100, 60);
  Fill(shown->Pixels.Canvas(), Rect(0, 0, 100, 60), clBlue);
  shown->Pixels.Canvas().SetPixel(99, 59, clYellow);
  shown->Draw = [](TCanvas& c) { Fill(c, Rect(0, 0, 100, 60), clLime); };
  auto* above = Place(form, false, 50, 30, 10, 10);
  above->Draw = [](TCanvas& c) { Fill(c, Rect(0, 0, 5, 10), clWhite); };
  form->Show();
  App().ProcessMessages();
  EXPECT_EQ(shown->Paints, 0);
  EXPECT_EQ(At(10, 10), clBlue);
  EXPECT_EQ(At(109, 69), clYellow);
  EXPECT_EQ(At(110, 69), clRed);
  EXPECT_EQ(At(52, 35), clWhite);
  EXPECT_EQ(At(57, 35), clBlue);  // the transparent control shows the handed-over pixels

  // A part only; and pixels of the wrong size are not taken: the control paints.
  Fill(shown->Pixels.Canvas(), Rect(0, 0, 100, 60), clNavy);
  shown->InvalidateRect(Rect(0, 0, 20, 20));
  shown->Update();
  EXPECT_EQ(At(29, 29), clNavy);
  EXPECT_EQ(At(30, 30), clBlue);
  shown->Pixels.SetSize(99, 60);
  shown->Invalidate();
  shown->Update();
  EXPECT_EQ(shown->Paints, 1);
  EXPECT_EQ(At(10, 10), clLime);
}

// The screen composed from windows that present straight onto it while nothing covers them.
TEST_F(PaintTest, AWindowThatPresentedStraightOntoTheScreenIsComposedRightWhenCoveredMovedAndUncovered) {
  TForm* back = MakeForm();
  auto* sketch = Place(back, true, 0, 0, 200, 100);
  TColor left = clBlue, right = clLime;
  sketch->Draw = [&](TCanvas& c) {
    Fill(c, Rect(0, 0, 100, 100), left);
    Fill(c, Rect(100, 0, 200, 100), right);
  };
  back->Show();
  App().ProcessMessages();
  EXPECT_EQ(At(50, 50), clBlue);
  EXPECT_EQ(At(150, 50), clLime);

  // Another window over the right half; the one behind changes under it and beside it.
  auto* front = new TForm(&App());
  front->SetBorderStyle(bsNone);
  front->SetBounds(150, 0, 100, 100);
  front->SetColor(clYellow);
  front->Show();
  App().ProcessMessages();
  left = clNavy;
  right = clMaroon;
  sketch->Invalidate();
  App().ProcessMessages();
  EXPECT_EQ(At(50, 50), clNavy);
  EXPECT_EQ(At(120, 50), clMaroon);
  EXPECT_EQ(At(160, 50), clYellow);
  front->Hide();
  App().ProcessMessages();
  EXPECT_EQ(At(160, 50), clMaroon);
  EXPECT_EQ(At(220, 50), Headless().ScreenBitmap().Pixel(300, 300));  // the desktop

  // Uncovered again: new pixels straight onto the screen, then the window moves and is covered.
  left = clTeal;
  sketch->InvalidateRect(Rect(0, 0, 100, 100));
  App().ProcessMessages();
  EXPECT_EQ(At(50, 50), clTeal);
  back->SetBounds(20, 30, 200, 100);
  App().ProcessMessages();
  EXPECT_EQ(At(70, 80), clTeal);
  EXPECT_EQ(At(170, 80), clMaroon);
  front->Show();
  front->Hide();
  App().ProcessMessages();
  EXPECT_EQ(At(70, 80), clTeal);
  EXPECT_EQ(At(180, 80), clMaroon);
}

// A whole little program: form, controls, timer and two workers changing captions. Runs
// it on a fresh headless platform and returns the screen at 1000 ms and a trace.
TBitmap RunScenario(std::string& trace) {
  InstallPlatform(std::make_unique<THeadlessPlatform>());
  auto* platform = static_cast<THeadlessPlatform*>(&Platform());
  TBitmap screen;
  {
    TApplication app;
    auto* form = new TForm(&app);
    form->SetCaption("Scenario");
    form->SetBounds(100, 100, 320, 200);
    auto* panel = new TPanel(&app);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 290, 60);
    panel->SetBevelInner(bvLowered);
    auto* label = new TLabel(&app);
    label->SetParent(panel);
    label->SetBounds(8, 8, 10, 10);
    auto* memo = new TMemo(&app);
    memo->SetParent(form);
    memo->SetBounds(10, 80, 200, 60);
    auto* button = new TButton(&app);
    button->SetParent(form);
    button->SetBounds(220, 110, 75, 25);
    button->SetCaption("&Go");
    auto* timer = new TTimer(&app);
    timer->SetInterval(70);
    int ticks = 0;
    timer->OnTimer = [&](TComponent*) {
      memo->Lines().Add("tick " + std::to_string(++ticks) + " at " + std::to_string(GetTickCount()));
      memo->Changed();
    };
    form->Show();
    class TWorker : public TThread {
     public:
      TWorker(TLabel* l, std::string* t, uint32_t p) : TThread(false), FLabel(l), FTrace(t), FPeriod(p) {}
      ~TWorker() override { TerminateAndWait(); }

     protected:
      void Execute() override {
        for (int i = 0; i < 12 && !Terminated(); ++i) {
          Synchronize([this, i] {
            const std::string text = "worker " + std::to_string(FPeriod) + " step " + std::to_string(i);
            FLabel->SetCaption(text);
            *FTrace += text + " @" + std::to_string(GetTickCount()) + "\n";
          });
          Sleep(FPeriod);
        }
      }

     private:
      TLabel* FLabel;
      std::string* FTrace;
      uint32_t FPeriod;
    };
    std::unique_ptr<TWorker> a(TThread::New<TWorker>(label, &trace, 40));
    std::unique_ptr<TWorker> b(TThread::New<TWorker>(label, &trace, 60));
    app.RunUntil(1000);
    screen = platform->GrabScreen();
  }
  ShutdownPlatform();
  return screen;
}

TEST(PaintRepeatTest, TwoRunsGiveIdenticalScreens) {
  std::string first, second;
  const TBitmap a = RunScenario(first);
  const TBitmap b = RunScenario(second);
  EXPECT_EQ(first, second);
  EXPECT_NE(first.find("worker 40 step 11 @440"), std::string::npos);
  EXPECT_NE(first.find("worker 60 step 11 @660"), std::string::npos);
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  EXPECT_EQ(std::memcmp(a.Bits(), b.Bits(), static_cast<size_t>(a.RowBytes()) * a.Height()), 0);
  // Something was drawn: the label's last caption is there in black.
  int black = 0;
  for (int32_t y = 110; y < 180; ++y)
    for (int32_t x = 110; x < 400; ++x) black += a.Pixel(x, y) == clBlack;
  EXPECT_GT(black, 50);
}

}  // namespace
}  // namespace pictova
