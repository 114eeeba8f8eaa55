#include <gtest/gtest.h>

#include "pictureshow/RegionEffects.h"
#include "pictureshow/RegionTestSupport.h"
#include "rtl/Random.h"
#include "rtl/SysUtils.h"

namespace pictova {
namespace {

using test::Geometry;

bool IsJagged(int style) {
  return (style >= 65 && style <= 68) || (style >= 76 && style <= 79) || (style >= 100 && style <= 109);
}

TEST(RegionEffect, EveryRegionStyleEndsCoveringThePicture) {
  for (auto [w, h] : {std::pair{400, 300}, std::pair{300, 400}, std::pair{101, 77}, std::pair{640, 480},
                      std::pair{1024, 768}, std::pair{8, 6}}) {
    for (int style = 58; style <= 117; ++style) {
      SCOPED_TRACE(testing::Message() << "style " << style << " " << w << "x" << h);
      const std::optional<TRegion> r = RegionEffect(style, Geometry(w, h, 100));
      ASSERT_TRUE(r.has_value());
      EXPECT_TRUE(r->CheckInvariants());
      // Ragged edges moving in from both sides stop W div 2 from each side when complete, so
      // an odd width keeps its middle column out (odd height: middle row; both passes
      // together: the pixel where the two meet). The last frame draws the whole picture
      // without the region anyway.
      const TRegion column = w % 2 ? TRegion::CreateRectRgn(w / 2, 0, w / 2 + 1, h) : TRegion();
      const TRegion row = h % 2 ? TRegion::CreateRectRgn(0, h / 2, w, h / 2 + 1) : TRegion();
      TRegion gap;
      if (style == 68) gap = column;
      if (style == 79) gap = row;
      if (style == 109) TRegion::Combine(gap, column, row, RGN_AND);
      EXPECT_EQ(test::Uncovered(*r, w, h), gap);
    }
  }
}

TEST(RegionEffect, NonRandomStylesStartEmptyAndOnlyGrow) {
  for (auto [w, h] : {std::pair{160, 120}, std::pair{90, 130}, std::pair{77, 77}}) {
    for (int style = 58; style <= 117; ++style) {
      if (IsJagged(style)) continue;
      SCOPED_TRACE(testing::Message() << "style " << style << " " << w << "x" << h);
      const uint32_t seed = RandSeed();
      std::optional<TRegion> previous = RegionEffect(style, Geometry(w, h, 0));
      ASSERT_TRUE(previous.has_value());
      EXPECT_TRUE(test::InsidePicture(*previous, w, h).IsEmpty());
      for (int p = 4; p <= 100; p += 4) {
        std::optional<TRegion> next = RegionEffect(style, Geometry(w, h, p));
        ASSERT_TRUE(next.has_value());
        ASSERT_TRUE(next->CheckInvariants());
        // What the previous frame showed is still shown.
        TRegion lost;
        TRegion::Combine(lost, test::InsidePicture(*previous, w, h), *next, RGN_DIFF);
        ASSERT_TRUE(lost.IsEmpty()) << "p " << p << " loses " << lost.Bounds().Left << "," << lost.Bounds().Top;
        previous = std::move(next);
      }
      EXPECT_EQ(RandSeed(), seed);  // only the ragged styles draw random numbers
    }
  }
}

TEST(RegionEffect, LeavesOtherStylesAndRejectsAbsurdFrames) {
  for (int style : {0, 1, 57, 118, 122, 200}) EXPECT_FALSE(RegionEffect(style, Geometry(40, 30, 50)).has_value());
  TFrameGeometry g = Geometry(40, 30, 50);
  g.W = 100000;
  EXPECT_THROW(RegionEffect(60, g), EOutOfResources);
  g = Geometry(20000, 20000, 50);  // 1.2 GB of pixels
  EXPECT_THROW(RegionEffect(110, g), EOutOfResources);
  g = Geometry(40, 30, 50);
  g.H = -1;
  EXPECT_THROW(RegionEffect(84, g), EOutOfResources);
  // An empty picture builds without failing.
  for (int style = 58; style <= 117; ++style) {
    const std::optional<TRegion> r = RegionEffect(style, Geometry(0, 0, 50));
    if (r) {
      EXPECT_TRUE(r->CheckInvariants());
    }
  }
}

}  // namespace
}  // namespace pictova
