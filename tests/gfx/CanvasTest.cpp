// Canvas drawing: fills, shapes, lines and pen patterns, the clip region and the lock.
#include "gfx/Canvas.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "gfx/Bitmap.h"

namespace pictova {
namespace {

// Rows of the bitmap as characters: '.' white, 'P' black (the pen), 'B' red (the brush),
// '?' anything else.
std::vector<std::string> Rows(const TBitmap& b) {
  std::vector<std::string> rows;
  for (int y = 0; y < b.Height(); ++y) {
    std::string row;
    for (int x = 0; x < b.Width(); ++x) {
      const TColor c = b.Pixel(x, y);
      row += c == clWhite ? '.' : c == clBlack ? 'P' : c == clRed ? 'B' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

// A white bitmap with a black pen and a red brush.
TBitmap Blank(int w, int h) {
  TBitmap b(w, h);
  b.Canvas().FillRect(Rect(0, 0, w, h));
  b.Canvas().Brush.Color = clRed;
  b.Canvas().Pen.Color = clBlack;
  return b;
}

using Lines = std::vector<std::string>;

TEST(TCanvas, FillRectAndFrameRectStayInsideTheBitmap) {
  TBitmap b = Blank(6, 4);
  b.Canvas().FillRect(Rect(4, 2, 100, 100));
  b.Canvas().FillRect(Rect(3, 0, 1, 2));  // inverted: nothing
  EXPECT_EQ(Rows(b), (Lines{"......", "......", "....BB", "....BB"}));
  b.Canvas().FillRect(Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
  EXPECT_EQ(Rows(b), (Lines{"BBBBBB", "BBBBBB", "BBBBBB", "BBBBBB"}));

  TBitmap f = Blank(7, 5);
  f.Canvas().FrameRect(Rect(1, 1, 6, 5));
  f.Canvas().FrameRect(Rect(-3, -3, 1, 1));  // only its corner pixel (0, 0) is inside
  EXPECT_EQ(Rows(f), (Lines{"B......", ".BBBBB.", ".B...B.", ".B...B.", ".BBBBB."}));
  f.Canvas().Brush.Style = bsClear;
  f.Canvas().FillRect(Rect(0, 0, 7, 5));
  f.Canvas().FrameRect(Rect(0, 0, 7, 5));
  EXPECT_EQ(Rows(f)[2], ".B...B.");

  // A 1-bit bitmap takes the nearer of black and white; grey 128 is just nearer to white.
  TBitmap m(4, 1, pf1bit);
  m.Canvas().Brush.Color = clBtnShadow;
  m.Canvas().FillRect(Rect(0, 0, 3, 1));
  m.Canvas().Brush.Color = RGB(127, 127, 128);
  m.Canvas().FillRect(Rect(1, 0, 2, 1));
  EXPECT_EQ(m.Pixel(0, 0), clWhite);
  EXPECT_EQ(m.Pixel(1, 0), clBlack);
  EXPECT_EQ(m.Pixel(2, 0), clWhite);
  EXPECT_EQ(m.Pixel(3, 0), clBlack);
}

TEST(TCanvas, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  TBitmap b = Blank(8, 6);
  b.Canvas().Rectangle(6, 5, 1, 1);  // corners in any order
  EXPECT_EQ(Rows(b), (Lines{"........", ".PPPPP..", ".PBBBP..", ".PBBBP..", ".PPPPP..", "........"}));

  // A clear pen leaves out the last column and row, as on the platform.
  TBitmap c = Blank(8, 6);
  c.Canvas().Pen.Style = psClear;
  c.Canvas().Rectangle(1, 1, 6, 5);
  EXPECT_EQ(Rows(c), (Lines{"........", ".BBBB...", ".BBBB...", ".BBBB...", "........", "........"}));

  // A clear brush keeps what was inside; thin rectangles are all outline.
  TBitmap d = Blank(8, 6);
  d.Canvas().Brush.Style = bsClear;
  d.Canvas().Rectangle(0, 0, 4, 4);
  d.Canvas().Rectangle(5, 0, 6, 4);
  d.Canvas().Rectangle(7, 5, 8, 6);
  d.Canvas().Rectangle(2, 5, 2, 6);  // empty
  EXPECT_EQ(Rows(d), (Lines{"PPPP.P..", "P..P.P..", "P..P.P..", "PPPP.P..", "........", ".......P"}));
}

TEST(TCanvas, DottedRectangleCountsThePatternAlongThePerimeter) {
  // Clockwise from the top-left corner, 3 pixels on and 3 off.
  TBitmap b = Blank(10, 8);
  b.Canvas().Brush.Style = bsClear;
  b.Canvas().Pen.Style = psDot;
  b.Canvas().Rectangle(0, 0, 10, 8);
  EXPECT_EQ(Rows(b), (Lines{"PPP...PPP.", "P.........", "P.........", ".........P", ".........P",
                            ".........P", "P.........", "PP...PPP.."}));
  // With a solid brush the gaps take the brush colour.
  TBitmap s = Blank(10, 3);
  s.Canvas().Pen.Style = psDot;
  s.Canvas().MoveTo(0, 1);
  s.Canvas().LineTo(10, 1);
  EXPECT_EQ(Rows(s)[1], "PPPBBBPPPB");
}

// What a filled, outlined shape must look like whatever the curve: the painted pixels
// fill the box exactly, the brush never touches the background (the outline is closed) and
// every outline pixel lies on the edge of the shape.
void CheckClosedShape(const TBitmap& b, const TRect& box, const char* what, bool outlined = true) {
  const std::vector<std::string> rows = Rows(b);
  auto at = [&](int x, int y) { return x < 0 || y < 0 || x >= b.Width() || y >= b.Height() ? '.' : rows[y][x]; };
  TRect painted{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const char c = at(x, y);
      ASSERT_NE(c, '?') << what;
      if (c == '.') continue;
      painted = {std::min(painted.Left, x), std::min(painted.Top, y), std::max(painted.Right, x + 1),
                 std::max(painted.Bottom, y + 1)};
      bool touchesOutside = false, touchesBackground4 = false;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          if (at(x + dx, y + dy) != '.') continue;
          touchesOutside = true;
          if (dx == 0 || dy == 0) touchesBackground4 = true;
        }
      if (c == 'B' && outlined) {
        EXPECT_FALSE(touchesBackground4) << what << ": brush at the edge, pixel " << x << "," << y;
      }
      if (c == 'P') {
        EXPECT_TRUE(touchesOutside) << what << ": outline inside the shape, pixel " << x << "," << y;
      }
    }
  EXPECT_EQ(painted, box) << what;
}

bool MirrorSymmetric(const TBitmap& b, const TRect& box) {
  for (int y = box.Top; y < box.Bottom; ++y)
    for (int x = box.Left; x < box.Right; ++x) {
      const int mx = box.Left + box.Right - 1 - x, my = box.Top + box.Bottom - 1 - y;
      if (b.Pixel(x, y) != b.Pixel(mx, y) || b.Pixel(x, y) != b.Pixel(x, my)) return false;
    }
  return true;
}

TEST(TCanvas, EllipseAndRoundRectCoverTheirBoxWithAClosedOutline) {
  for (const TRect box : {Rect(1, 1, 14, 10), Rect(2, 1, 9, 13), Rect(1, 1, 4, 4), Rect(3, 2, 22, 6)}) {
    TBitmap e = Blank(24, 14);
    e.Canvas().Ellipse(box.Right, box.Bottom, box.Left, box.Top);
    CheckClosedShape(e, box, "ellipse");
    EXPECT_TRUE(MirrorSymmetric(e, box));
    // The middle row spans the whole box: outline at both ends, brush between.
    const std::string mid = Rows(e)[(box.Top + box.Bottom) / 2].substr(box.Left, box.Width());
    EXPECT_EQ(mid.front(), 'P');
    EXPECT_EQ(mid.back(), 'P');

    TBitmap r = Blank(24, 14);
    r.Canvas().RoundRect(box.Left, box.Top, box.Right, box.Bottom, 6, 4);
    CheckClosedShape(r, box, "round rect");
    EXPECT_TRUE(MirrorSymmetric(r, box));
    if (box.Width() > 6 && box.Height() > 4) {
      EXPECT_EQ(r.Pixel(box.Left, box.Top), clWhite);  // a cut corner
    }

    // Without a pen the fill loses the last column and row, as the rectangle's does.
    TBitmap c = Blank(24, 14);
    c.Canvas().Pen.Style = psClear;
    c.Canvas().Ellipse(box);
    CheckClosedShape(c, Rect(box.Left, box.Top, box.Right - 1, box.Bottom - 1), "ellipse without pen", false);
  }
  // Square corners make a round rectangle a rectangle.
  TBitmap a = Blank(9, 7), b = Blank(9, 7);
  a.Canvas().RoundRect(1, 1, 8, 6, 0, 0);
  b.Canvas().Rectangle(1, 1, 8, 6);
  EXPECT_EQ(Rows(a), Rows(b));
}

TEST(TCanvas, PolygonFillMeetsItsOutline) {
  TBitmap b = Blank(10, 10);
  const TPoint triangle[] = {{0, 0}, {8, 0}, {0, 8}};
  b.Canvas().Polygon(triangle);
  // Outline: the top row, the left column and the diagonal x + y = 8; inside it only brush.
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool outline = (y == 0 && x <= 8) || (x == 0 && y <= 8) || (x + y == 8);
      const char want = outline ? 'P' : x + y < 8 ? 'B' : '.';
      EXPECT_EQ(Rows(b)[y][x], want) << x << "," << y;
    }
  // Fewer than two points draw nothing.
  const TPoint one[] = {{1, 9}};
  b.Canvas().Polygon(one);
  EXPECT_EQ(b.Pixel(1, 9), clWhite);
}

TEST(TCanvas, LinesExcludeTheirEndAndDashesIgnoreClipping) {
  TBitmap b = Blank(6, 3);
  b.Canvas().MoveTo(0, 0);
  b.Canvas().LineTo(5, 2);
  EXPECT_EQ(Rows(b), (Lines{"PP....", "..PP..", "....P."}));
  EXPECT_EQ(b.Canvas().PenPos(), (TPoint{5, 2}));
  TBitmap steep = Blank(3, 5);
  steep.Canvas().MoveTo(2, 4);
  steep.Canvas().LineTo(0, 0);  // y-major, running up and left
  EXPECT_EQ(Rows(steep), (Lines{"...", "P..", ".P.", ".P.", "..P"}));

  // A dash that starts off the bitmap keeps its place in the pattern: pixel x has index
  // x + 10 of the 18-on, 6-off pattern.
  TBitmap d = Blank(24, 1);
  d.Canvas().Brush.Style = bsClear;
  d.Canvas().Pen.Style = psDash;
  d.Canvas().MoveTo(-10, 0);
  d.Canvas().LineTo(30, 0);
  EXPECT_EQ(Rows(d)[0], "PPPPPPPP......PPPPPPPPPP");

  // The pattern carries on from one LineTo to the next; MoveTo restarts it.
  TBitmap c = Blank(6, 4);
  c.Canvas().Brush.Style = bsClear;
  c.Canvas().Pen.Style = psDot;
  c.Canvas().MoveTo(0, 0);
  c.Canvas().LineTo(4, 0);
  c.Canvas().LineTo(4, 4);
  c.Canvas().MoveTo(5, 0);
  c.Canvas().LineTo(5, 2);
  EXPECT_EQ(Rows(c), (Lines{"PPP..P", ".....P", "....P.", "....P."}));
}

TEST(TCanvas, HugeCoordinatesAreClippedNotWalked) {
  TBitmap b = Blank(5, 5);
  b.Canvas().MoveTo(INT32_MIN, INT32_MIN);
  b.Canvas().LineTo(INT32_MAX, INT32_MAX);  // the diagonal through (0, 0)
  b.Canvas().MoveTo(INT32_MAX, 4);
  b.Canvas().LineTo(INT32_MIN, 4);
  EXPECT_EQ(Rows(b), (Lines{"P....", ".P...", "..P..", "...P.", "PPPPP"}));
  b.Canvas().Rectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);  // all brush inside
  EXPECT_EQ(Rows(b)[2], "BBBBB");
  b.Canvas().Pen.Style = psDash;
  b.Canvas().Rectangle(-1, INT32_MIN, 3, INT32_MAX);  // right edge at column 2
  EXPECT_EQ(Rows(b)[2], "BBPBB");
}

TEST(TCanvas, ClipRegionSelectIntersectRemove) {
  TBitmap b = Blank(10, 4);
  TCanvas& c = b.Canvas();
  TRegion r = TRegion::CreateRectRgn(2, 0, 8, 3);
  c.SelectClipRgn(&r);
  r.CombineWith(TRegion::CreateRectRgn(0, 0, 10, 4), RGN_OR);  // the canvas keeps its own copy
  EXPECT_EQ(c.IntersectClipRgn(TRegion::CreateRectRgn(5, 1, 20, 20)), SIMPLEREGION);
  EXPECT_EQ(c.ClipRect(), Rect(5, 1, 8, 3));
  c.FillRect(Rect(0, 0, 10, 4));
  c.MoveTo(0, 0);
  c.LineTo(10, 0);
  c.SetPixel(9, 3, clBlack);
  EXPECT_EQ(Rows(b), (Lines{"..........", ".....BBB..", ".....BBB..", ".........."}));

  EXPECT_EQ(c.IntersectClipRect(Rect(0, 0, 2, 2)), NULLREGION);
  EXPECT_TRUE(c.HasClipRegion());
  c.Brush.Color = clBlack;
  c.FillRect(Rect(0, 0, 10, 4));
  EXPECT_EQ(Rows(b)[1], ".....BBB..");
  EXPECT_TRUE(c.ClipRect().IsEmpty());

  c.RemoveClipRgn();
  EXPECT_FALSE(c.HasClipRegion());
  EXPECT_EQ(c.ClipRect(), Rect(0, 0, 10, 4));
  c.FillRect(Rect(0, 0, 10, 4));
  EXPECT_EQ(Rows(b)[0], "PPPPPPPPPP");

  // Shapes, lines and bitmaps all go through the clip: two strips, like a blind.
  TBitmap pic = Blank(10, 4);
  pic.Canvas().FillRect(Rect(0, 0, 10, 4));
  TBitmap frame = Blank(10, 4);
  TRegion strips = TRegion::CreateRectRgn(0, 0, 10, 1);
  strips.CombineWith(TRegion::CreateRectRgn(0, 2, 10, 3), RGN_OR);
  frame.Canvas().IntersectClipRgn(strips);
  frame.Canvas().Draw(0, 0, &pic);
  frame.Canvas().RemoveClipRgn();
  EXPECT_EQ(Rows(frame), (Lines{"BBBBBBBBBB", "..........", "BBBBBBBBBB", ".........."}));
}

TEST(TCanvas, CanvasSurvivesResizingAndKeepsItsClip) {
  TBitmap b(4, 4);
  TCanvas& c = b.Canvas();
  c.IntersectClipRect(Rect(0, 0, 100, 2));
  b.Clear();
  c.Rectangle(0, 0, 5, 5);  // nothing to draw on, nothing happens
  b.SetSize(12, 6);
  EXPECT_EQ(&b.Canvas(), &c);
  c.Brush.Color = clRed;
  c.FillRect(Rect(0, 0, 12, 6));
  EXPECT_EQ(b.Pixel(11, 1), clRed);
  EXPECT_EQ(b.Pixel(11, 2), clBlack);
}

TEST(TCanvas, TryLockFailsWhileAnotherThreadHoldsTheLock) {
  TBitmap b(2, 2);
  TCanvas& c = b.Canvas();
  auto tryFromOtherThread = [&c] {
    bool got = false;
    std::thread t([&] {
      got = c.TryLock();
      if (got) c.Unlock();
    });
    t.join();
    return got;
  };
  c.Lock();
  EXPECT_FALSE(tryFromOtherThread());
  EXPECT_TRUE(c.TryLock());  // recursive on the owning thread
  c.Unlock();
  EXPECT_FALSE(tryFromOtherThread());
  c.Unlock();
  EXPECT_TRUE(tryFromOtherThread());
}

}  // namespace
}  // namespace pictova
