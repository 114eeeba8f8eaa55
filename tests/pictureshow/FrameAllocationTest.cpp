// A transition frame allocates nothing once the transition runs: every allocation of the
// process is counted while frames are stepped, alone and painted on a form.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "gfx/Bitmap.h"
#include "pictureshow/QmPictureShow.h"
#include "platform/headless/HeadlessPlatform.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace {
std::atomic<long> gAllocations{0};
}  // namespace

// Every allocation of this test program comes through here.
void* operator new(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace pictova {
namespace {

TBitmap Picture(int32_t w, int32_t h) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w * 3; ++x) b.ScanLine(y)[x] = static_cast<uint8_t>(x * 7 + y * 13);
  return b;
}

// Steps through a transition of each style given and returns the allocations counted over
// the frames after the first three (which may grow what later frames reuse: maps, lists,
// the second core's thread).
std::vector<long> AllocationsPerTransition(TQmPictureShow& show, std::initializer_list<int> styles) {
  const TBitmap picture = Picture(640, 480);
  std::vector<long> counts;
  for (int style : styles) {
    show.SetManual(true);
    show.SetStyle(static_cast<TShowStyle>(style));
    show.Picture().SetGraphic(&picture);
    show.Execute();
    for (int p = 1; p <= 3; ++p) show.SetProgress(static_cast<uint8_t>(p));
    const long before = gAllocations.load();
    for (int p = 4; p < 100; p += 3) show.SetProgress(static_cast<uint8_t>(p));
    counts.push_back(gAllocations.load() - before);
    show.SetProgress(100);
    show.SetManual(false);
  }
  return counts;
}

class FrameAllocation : public ::testing::Test {
 protected:
  void SetUp() override {
    THeadlessOptions o;
    o.ScreenWidth = 640;
    o.ScreenHeight = 480;
    InstallPlatform(std::make_unique<THeadlessPlatform>(o));
    FApp = std::make_unique<TApplication>();
  }
  void TearDown() override {
    FApp.reset();
    ShutdownPlatform();
  }
  std::unique_ptr<TApplication> FApp;
};

// Styles of each kind that works without regions: pieces, folds, a final stretch, the
// cross-fade (on two cores at this size) and the rotations.
TEST_F(FrameAllocation, RectangleAndPixelStylesRenderWithoutAllocating) {
  TQmPictureShow show(nullptr);
  show.SetAutoSize(false);
  show.SetBounds(0, 0, 640, 480);
  show.SetThreaded(false);
  const std::initializer_list<int> styles = {1, 5, 14, 31, 40, 51, 57, 118, 119, 121};
  const std::vector<long> counts = AllocationsPerTransition(show, styles);
  for (size_t i = 0; i < counts.size(); ++i) EXPECT_EQ(counts[i], 0) << "style " << styles.begin()[i];
}

// The same frames painted into a form's back buffer (stretched onto the control, so that
// the painter's clip and the stretch maps work) and presented.
TEST_F(FrameAllocation, FramesPaintedAndPresentedOnAFormAllocateNothing) {
  auto* form = new TForm(FApp.get());
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 640, 480);
  auto* show = new TQmPictureShow(form);
  show->SetParent(form);
  show->SetAutoSize(false);
  show->SetBounds(0, 0, 640, 480);
  show->SetThreaded(false);
  show->SetStretch(true);
  form->Show();
  form->PaintInvalid();
  const std::initializer_list<int> styles = {1, 5, 14, 51, 118, 121};
  const std::vector<long> counts = AllocationsPerTransition(*show, styles);
  for (size_t i = 0; i < counts.size(); ++i) EXPECT_EQ(counts[i], 0) << "style " << styles.begin()[i];
}

}  // namespace
}  // namespace pictova
