// Pictures: holding a graphic or not, copies, the bitmap on demand and change events.
#include "gfx/Picture.h"

#include <gtest/gtest.h>

#include "gfx/Bitmap.h"

namespace pictova {
namespace {

// A graphic that is not a bitmap.
class TOtherGraphic : public TGraphic {
 public:
  int32_t Width() const override { return 7; }
  int32_t Height() const override { return 3; }
  bool Empty() const override { return false; }
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TOtherGraphic>(); }
  void Draw(TCanvas&, const TRect&) const override {}
};

TEST(TPicture, BitmapOnDemandAndChangeEvents) {
  TPicture p;
  int changes = 0;
  p.OnChange = [&](TPicture* sender) {
    EXPECT_EQ(sender, &p);
    ++changes;
  };
  EXPECT_FALSE(p.HasGraphic());
  EXPECT_EQ(p.Graphic(), nullptr);
  EXPECT_EQ(p.Width(), 0);

  TBitmap& b = p.Bitmap();  // gives the picture an empty bitmap
  EXPECT_TRUE(p.HasGraphic());
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(&p.Bitmap(), &b);  // the same one, no new change
  EXPECT_EQ(changes, 1);

  b.SetSize(5, 4);  // editing in place is announced by the owner
  EXPECT_EQ(p.Width(), 5);
  EXPECT_EQ(changes, 1);
  p.Changed();
  EXPECT_EQ(changes, 2);

  // A graphic that is not a bitmap is replaced by an empty bitmap on request.
  TOtherGraphic other;
  p.SetGraphic(&other);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(p.Width(), 7);
  EXPECT_TRUE(p.Bitmap().Empty());
  EXPECT_EQ(changes, 4);

  p.SetGraphic(nullptr);
  EXPECT_FALSE(p.HasGraphic());
  EXPECT_EQ(p.Height(), 0);
  EXPECT_EQ(changes, 5);
}

TEST(TPicture, AssignAndSetGraphicCopy) {
  TBitmap source(3, 2);
  source.SetPixel(2, 1, clRed);
  TPicture a, b;
  a.SetGraphic(&source);
  source.SetPixel(2, 1, clBlue);
  EXPECT_EQ(a.Bitmap().Pixel(2, 1), clRed);  // a copy, not a reference

  int changes = 0;
  b.OnChange = [&](TPicture*) { ++changes; };
  b.Assign(&a);
  a.Bitmap().SetPixel(2, 1, clLime);
  EXPECT_EQ(b.Bitmap().Pixel(2, 1), clRed);
  b.Assign(&b);  // itself: unchanged, no event
  EXPECT_TRUE(b.HasGraphic());
  EXPECT_EQ(changes, 1);
  TPicture empty;
  b.Assign(&empty);
  EXPECT_FALSE(b.HasGraphic());
  EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace pictova
