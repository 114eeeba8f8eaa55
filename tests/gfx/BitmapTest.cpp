#include "gfx/Bitmap.h"

#include <gtest/gtest.h>

#include "rtl/SysUtils.h"

namespace pictova {

TEST(TBitmap, PadsRowsToFourBytesForBothFormats) {
  EXPECT_EQ(TBitmap::RowBytesFor(1, pf24bit), 4);
  EXPECT_EQ(TBitmap::RowBytesFor(5, pf24bit), 16);  // 15 bytes padded
  EXPECT_EQ(TBitmap::RowBytesFor(4, pf24bit), 12);
  EXPECT_EQ(TBitmap::RowBytesFor(1, pf1bit), 4);
  EXPECT_EQ(TBitmap::RowBytesFor(32, pf1bit), 4);
  EXPECT_EQ(TBitmap::RowBytesFor(33, pf1bit), 8);
  TBitmap b(5, 3);
  EXPECT_EQ(b.RowBytes(), 16);
  EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), 16);
  EXPECT_THROW(b.ScanLine(3), Exception);
  EXPECT_THROW(b.ScanLine(-1), Exception);
}

TEST(TBitmap, StoresBlueGreenRedAndMostSignificantBitFirst) {
  TBitmap b(2, 1);
  b.SetPixel(1, 0, RGB(10, 20, 30));
  EXPECT_EQ(b.ScanLine(0)[3], 30);
  EXPECT_EQ(b.ScanLine(0)[4], 20);
  EXPECT_EQ(b.ScanLine(0)[5], 10);
  TBitmap m(10, 1, pf1bit);
  m.SetPixel(0, 0, clWhite);
  m.SetPixel(9, 0, clWhite);
  EXPECT_EQ(m.ScanLine(0)[0], 0x80);
  EXPECT_EQ(m.ScanLine(0)[1], 0x40);
  EXPECT_EQ(m.Pixel(9, 0), clWhite);
  EXPECT_EQ(m.Pixel(8, 0), clBlack);
}

TEST(TBitmap, ResizingKeepsTopLeftAndZeroFillsTheRest) {
  TBitmap b(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) b.SetPixel(x, y, RGB(x + 1, y + 1, 7));
  b.SetSize(4, 3);
  EXPECT_EQ(b.Pixel(2, 1), RGB(3, 2, 7));
  EXPECT_EQ(b.Pixel(3, 0), clBlack);
  EXPECT_EQ(b.Pixel(0, 2), clBlack);
  b.SetWidth(1);
  EXPECT_EQ(b.Width(), 1);
  EXPECT_EQ(b.Pixel(0, 1), RGB(1, 2, 7));
  // Shrinking a 1-bit row must not leave stale bits beyond the new width.
  TBitmap m(16, 1, pf1bit);
  m.ScanLine(0)[0] = 0xFF;
  m.ScanLine(0)[1] = 0xFF;
  m.SetWidth(3);
  m.SetWidth(16);
  EXPECT_EQ(m.ScanLine(0)[0], 0xE0);
  EXPECT_EQ(m.ScanLine(0)[1], 0x00);
  b.SetSize(-5, 2);
  EXPECT_TRUE(b.Empty());
}

TEST(TBitmap, ChangingPixelFormatConvertsBlackAndWhite) {
  TBitmap b(3, 1);
  b.SetPixel(0, 0, clWhite);
  b.SetPixel(1, 0, RGB(200, 200, 90));
  b.SetPixel(2, 0, RGB(40, 40, 200));
  b.SetPixelFormat(pf1bit);
  EXPECT_EQ(b.RowBytes(), 4);
  EXPECT_EQ(b.Pixel(0, 0), clWhite);
  EXPECT_EQ(b.Pixel(1, 0), clWhite);
  EXPECT_EQ(b.Pixel(2, 0), clBlack);
  b.SetPixelFormat(pf24bit);
  EXPECT_EQ(b.Pixel(1, 0), clWhite);
  EXPECT_EQ(b.ScanLine(0)[6], 0);
}

TEST(TBitmap, RefusesAbsurdSizesWithoutChangingTheBitmap) {
  TBitmap b(4, 4);
  EXPECT_THROW(b.SetSize(100000, 10), EOutOfResources);
  EXPECT_THROW(b.SetSize(30000, 30000), EOutOfResources);  // 2.7 GB of pixels
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(b.Height(), 4);
  EXPECT_NO_THROW(b.SetSize(kMaxBitmapSide, 1));
}

TEST(TBitmap, AssignCopiesAndClearEmpties) {
  TBitmap a(2, 2, pf1bit);
  a.SetPixel(1, 1, clWhite);
  TBitmap b;
  b.Assign(&a);
  EXPECT_EQ(b.PixelFormat(), pf1bit);
  EXPECT_EQ(b.Pixel(1, 1), clWhite);
  a.SetPixel(1, 1, clBlack);
  EXPECT_EQ(b.Pixel(1, 1), clWhite);
  b.Assign(nullptr);
  EXPECT_TRUE(b.Empty());
  auto clone = a.Clone();
  EXPECT_EQ(clone->Width(), 2);
}

}  // namespace pictova
