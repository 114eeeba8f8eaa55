// Transitions stepped by the worker thread on the virtual clock: the same frames at the same
// virtual times on every run, Manual switching, and controls destroyed mid-transition.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pictureshow/PictureShowSupport.h"
#include "platform/Platform.h"
#include "rtl/Random.h"
#include "ui/Application.h"

namespace pictova {
namespace {

class AnimateThreadTest : public PictureShowTest {
 protected:
  void SetUp() override {
    PictureShowTest::SetUp();
    Show().SetThreaded(true);
  }
  // Runs the loop until the control is idle (or a limit passes).
  bool RunUntilIdle(TQmPictureShow& show, uint64_t limitMs = 10000) {
    return App().RunUntil([&] { return !show.Busy(); }, Now() + limitMs);
  }
};

uint64_t Hash(const TBitmap& b) {
  uint64_t h = 1469598103934665603ull;
  for (int32_t y = 0; y < b.Height(); ++y) {
    const uint8_t* row = b.ScanLine(y);
    for (int32_t i = 0; i < b.Width() * 3; ++i) h = (h ^ row[i]) * 1099511628211ull;
  }
  return h;
}

TEST_F(AnimateThreadTest, AThreadedTransitionIsTheSameOnEveryRun) {
  const auto runOnce = [&](int style) {
    std::vector<std::string> trace;
    SetRandSeed(0);  // as at the start of a program
    const TBitmap a = Pattern(64, 48, 1), b = Pattern(64, 48, 2);
    ShowAtOnce(a);
    Show().SetStyle(static_cast<TShowStyle>(style));
    Show().SetStep(10);
    Show().SetDelay(40);
    Show().Picture().SetGraphic(&b);
    const uint64_t start = Now();
    Show().OnProgress = [&](TComponent*) {
      trace.push_back(std::to_string(Now() - start) + ":" + std::to_string(Show().Progress()) + ":" +
                      std::to_string(Hash(Headless().ScreenBitmap())));
    };
    Show().OnComplete = [&](TComponent*) {
      trace.push_back("complete@" + std::to_string(Now() - start) + (Show().Busy() ? " busy" : ""));
    };
    Show().Execute();
    // Execute returns at once; the frame at 0 (from 100) is rendered by Prepare on this thread.
    EXPECT_TRUE(Show().Busy());
    EXPECT_EQ(trace.size(), 1u);
    EXPECT_TRUE(RunUntilIdle(Show()));
    Show().OnProgress = nullptr;
    Show().OnComplete = nullptr;
    return trace;
  };
  for (int style : {118, 61, 20, 121, 104}) {  // 104: ragged edges from the random generator
    SCOPED_TRACE(style);
    const std::vector<std::string> first = runOnce(style);
    // A fresh program: a new platform, clock, application and control.
    TearDown();
    SetUp();
    const std::vector<std::string> second = runOnce(style);
    EXPECT_EQ(first, second);
    // Frames at 0 (snapshot), then every Delay from the moment the worker starts: 10 at 0,
    // 20 at 40 ... 100 at 360; the end handler follows the last step without a pause.
    ASSERT_EQ(first.size(), 12u);
    for (int i = 1; i <= 10; ++i)
      EXPECT_EQ(first[size_t(i)].substr(0, first[size_t(i)].find(':', first[size_t(i)].find(':') + 1)),
                std::to_string((i - 1) * 40) + ":" + std::to_string(i * 10));
    EXPECT_EQ(first.back(), "complete@360");
    TearDown();
    SetUp();
  }
}

TEST_F(AnimateThreadTest, ExecuteAndClearWhileTheWorkerRunsAreIgnored) {
  const TBitmap a = Pattern(40, 30, 1), b = Pattern(40, 30, 2);
  Show().SetStyle(118);
  Show().SetStep(25);
  Show().Picture().SetGraphic(&a);
  int completions = 0;
  Show().OnComplete = [&](TComponent*) { ++completions; };
  Show().Execute();
  App().RunUntil(Now() + 50);  // frames 25 and 50 so far
  EXPECT_TRUE(Show().Busy());
  EXPECT_EQ(Show().Progress(), 50);
  Show().Picture().SetGraphic(&b);
  Show().Execute();
  Show().Clear();
  EXPECT_FALSE(Show().ScreenBitmap().Empty());
  EXPECT_TRUE(RunUntilIdle(Show()));
  EXPECT_EQ(completions, 1);
  EXPECT_TRUE(SamePixels(Show().ScreenBitmap(), a));  // the first transition's picture
}

TEST_F(AnimateThreadTest, ManualStopsAndResumesTheWorker) {
  const TBitmap a = Pattern(40, 30, 1);
  Show().SetStyle(118);
  Show().SetStep(10);
  Show().SetDelay(20);
  Show().Picture().SetGraphic(&a);
  std::vector<std::string> trace;
  int completions = 0;
  Show().OnComplete = [&](TComponent*) { ++completions; };
  Show().OnProgress = [&](TComponent*) {
    trace.push_back(std::to_string(Show().Progress()) + "@" + std::to_string(Now()));
    if (Show().Progress() == 30) Show().SetManual(true);
    // On and off within one step: the same worker simply goes on.
    if (Show().Progress() == 70) {
      Show().SetManual(true);
      Show().SetManual(false);
    }
  };
  Show().Execute();
  App().RunUntil(Now() + 500);
  // The worker left at its next check; the transition stays prepared, nothing completes.
  EXPECT_TRUE(Show().Busy());
  EXPECT_EQ(completions, 0);
  EXPECT_EQ(trace, (std::vector<std::string>{"10@0", "20@20", "30@40"}));
  // The caller drives Progress meanwhile.
  Show().SetProgress(50);
  // Off again: a new worker goes on from there at once.
  const uint64_t resumed = Now();
  Show().SetManual(false);
  EXPECT_TRUE(RunUntilIdle(Show()));
  EXPECT_EQ(completions, 1);
  const std::string r = std::to_string(resumed);
  ASSERT_EQ(trace.size(), 9u);
  EXPECT_EQ(trace[3], "50@" + r);
  EXPECT_EQ(trace[4], "60@" + r);
  EXPECT_EQ(trace[5], "70@" + std::to_string(resumed + 20));
  EXPECT_EQ(trace[8], "100@" + std::to_string(resumed + 80));
}

// Destroying the control while its worker runs: no step and no end handler reaches it later,
// wherever the destruction comes from. Run under ASan and TSan.
TEST_F(AnimateThreadTest, DestroyingTheControlMidTransitionIsClean) {
  const TBitmap a = Pattern(64, 48, 1);
  int progressCalls = 0, completions = 0;
  const auto start = [&](TQmPictureShow& show) {
    show.SetThreaded(true);
    show.SetStyle(61);
    show.SetStep(5);
    show.SetDelay(30);
    show.Picture().SetGraphic(&a);
    show.OnProgress = [&](TComponent*) { ++progressCalls; };
    show.OnComplete = [&](TComponent*) { ++completions; };
    show.Execute();
  };

  // 1. From the loop, while the worker sleeps between steps.
  start(Show());
  App().RunUntil(Now() + 100);
  EXPECT_TRUE(Show().Busy());
  int before = progressCalls;
  delete FShow;
  FShow = nullptr;
  App().RunUntil(Now() + 2000);
  EXPECT_EQ(progressCalls, before);
  EXPECT_EQ(completions, 0);

  // 2. Right after Execute: the first step is still queued for the UI thread.
  auto* show = new TQmPictureShow(&Form());
  show->SetParent(&Form());
  start(*show);
  before = progressCalls;
  delete show;
  App().RunUntil(Now() + 2000);
  EXPECT_EQ(progressCalls, before);

  // 3. From its own OnProgress handler, inside the worker's synchronised step.
  show = new TQmPictureShow(&Form());
  show->SetParent(&Form());
  start(*show);
  int seen = 0;
  show->OnProgress = [&](TComponent* sender) {
    if (++seen == 3) delete static_cast<TQmPictureShow*>(sender);
  };
  App().RunUntil(Now() + 2000);
  EXPECT_EQ(seen, 3);
  EXPECT_EQ(completions, 0);

  // 4. From its OnComplete handler (the end handler itself).
  show = new TQmPictureShow(&Form());
  show->SetParent(&Form());
  start(*show);
  bool deleted = false;
  show->OnComplete = [&](TComponent* sender) {
    EXPECT_FALSE(static_cast<TQmPictureShow*>(sender)->Busy());
    delete static_cast<TQmPictureShow*>(sender);
    deleted = true;
  };
  App().RunUntil([&] { return deleted; }, Now() + 5000);
  EXPECT_TRUE(deleted);
  App().RunUntil(Now() + 100);

  // 5. The owner goes away: the form frees the control, which stops its worker.
  show = new TQmPictureShow(&Form());
  show->SetParent(&Form());
  start(*show);
  App().RunUntil(Now() + 65);
  before = progressCalls;
  delete FForm;
  FForm = nullptr;
  App().RunUntil(Now() + 2000);
  EXPECT_EQ(progressCalls, before);
  EXPECT_EQ(completions, 0);
}

}  // namespace
}  // namespace pictova
