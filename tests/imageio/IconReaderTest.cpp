// The icon and cursor reader on files written here: several images, AND masks, depths,
// cursors' hot spots, and the hand-over of BMP and PNG data.
#include <gtest/gtest.h>

#include "imageio/FormatRegistry.h"
#include "imageio/ImageFixtures.h"
#include "imageio/RasterFixtures.h"
#include "imageio/ReaderHarness.h"

namespace pictova {

using namespace fixtures;

namespace {

// The test picture as 4-bit indices (bottom row first, rows padded to 4 bytes) with its
// 16-entry colour table.
const TBytes kXor4 = {0x40, 0x50, 0, 0, 0x12, 0x30, 0, 0};
TBytes Table16() {
  TBytes t = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0, 30, 20, 10, 0};
  t.resize(64, 0);
  return t;
}
// An AND mask of 3 x 2 that marks only the top row's last pixel (bottom row first).
const TBytes kMask = {0, 0, 0, 0, 0x20, 0, 0, 0};

TIconImage Image(int w, int h, int colours, int bits, TBytes data) {
  TIconImage im;
  im.EntryWidth = w;
  im.EntryHeight = h;
  im.Colours = colours;
  im.Word6 = bits;
  im.Data = std::move(data);
  return im;
}

}  // namespace

TEST(IconReader, ChosenImageWithItsMaskInTheBackgroundColour) {
  const TIconImage mono = Image(8, 1, 2, 1, IconDib(8, 1, 1, {0, 0, 0, 0, 255, 255, 255, 0}, {0xF0, 0, 0, 0}, {0x3C, 0, 0, 0}));
  const TIconImage colour = Image(3, 2, 16, 4, IconDib(3, 2, 4, Table16(), kXor4, kMask));
  const TBytes file = MakeIcon(1, {mono, colour});
  TDecode d;
  d.Params().IcoImageIndex = 1;
  d.Params().IcoBackground = {1, 2, 3};
  d.Load(file);
  ASSERT_TRUE(d.Ok());
  EXPECT_EQ(d.Params().ImageFormat, ioICO);
  std::vector<TColor> expected = kPicture;
  expected[2] = RGB(3, 2, 1);
  EXPECT_EQ(d.Pixels(), expected);
  EXPECT_EQ(d.Params().BitsPerSample, 4);
  EXPECT_EQ(d.Params().PaletteCount(), 16);
  // The first image: two colours make a 1-bit bitmap. Masked pixels are inverted on a white
  // background (the usual transparent-black pixels come out white) and kept otherwise.
  TDecode white, other;
  white.Load(file);
  other.Params().IcoBackground = {0, 0, 255};
  other.Load(file);
  ASSERT_TRUE(white.Ok() && other.Ok());
  EXPECT_EQ(white.Bitmap.PixelFormat(), pf1bit);
  EXPECT_EQ(white.Bitmap.ScanLine(0)[0], 0xF0 ^ 0x3C);
  EXPECT_EQ(other.Bitmap.ScanLine(0)[0], 0xF0);
  // Out of range: nothing happens, and no failure.
  TDecode none;
  none.Params().IcoImageIndex = 2;
  none.Bitmap.SetSize(7, 7);
  none.Load(file);
  EXPECT_TRUE(none.Ok());
  EXPECT_EQ(none.Bitmap.Width(), 7);
}

TEST(IconReader, SizesDepthsAndOtherData) {
  // The entry's width differs from its header's: the header's size counts.
  TDecode header;
  header.Load(MakeIcon(1, {Image(16, 16, 16, 4, IconDib(3, 2, 4, Table16(), kXor4, TBytes(8, 0)))}));
  ASSERT_TRUE(header.Ok());
  EXPECT_EQ(header.Pixels(), kPicture);
  // 24 bits: copied, mask not applied; 32 bits: laid onto the background by alpha (255, 0, 128).
  const TBytes xor24 = {1, 2, 3, 4, 5, 6, 0, 0};
  const TBytes xor32 = {10, 20, 30, 255, 10, 20, 30, 0, 200, 100, 0, 128};
  TDecode d24, d32;
  d24.Load(MakeIcon(1, {Image(2, 1, 0, 24, IconDib(2, 1, 24, {}, xor24, {0xC0, 0, 0, 0}))}));
  d32.Load(MakeIcon(1, {Image(3, 1, 0, 32, IconDib(3, 1, 32, {}, xor32, {0, 0, 0, 0}))}));
  ASSERT_TRUE(d24.Ok() && d32.Ok());
  EXPECT_EQ(d24.Pixels(), (std::vector<TColor>{RGB(3, 2, 1), RGB(6, 5, 4)}));
  EXPECT_EQ(d24.Params().SamplesPerPixel, 3);
  EXPECT_EQ(d32.Pixels(), (std::vector<TColor>{RGB(30, 20, 10), RGB(255, 255, 255), RGB(127, 177, 227)}));
  // Plain BMP data given as an icon goes to the BMP reader; PNG entries to the PNG reader.
  TBmpLayout bmp;
  bmp.Width = 1;
  bmp.Height = 1;
  bmp.Pixels = {9, 8, 7, 0};
  TDecode fromBmp;
  fromBmp.Load(MakeBmp(bmp), ioICO);
  ASSERT_TRUE(fromBmp.Ok());
  EXPECT_EQ(fromBmp.Pixels(), (std::vector<TColor>{RGB(7, 8, 9)}));
  TPngOptions png;
  png.Width = 2;
  png.Height = 1;
  png.Rows = {255, 0, 0, 0, 0, 255};  // red, blue
  TDecode fromPng;
  fromPng.Load(MakeIcon(1, {Image(0, 0, 0, 32, MakePng(png))}));
  ASSERT_TRUE(fromPng.Ok());
  EXPECT_EQ(fromPng.Pixels(), (std::vector<TColor>{RGB(255, 0, 0), RGB(0, 0, 255)}));
  // No depth anywhere and no colour count: the flag.
  TDecode none;
  none.Load(MakeIcon(1, {Image(3, 2, 0, 0, IconDib(3, 2, 0, {}, {}, {}))}));
  EXPECT_FALSE(none.Ok());
}

TEST(IconReader, CursorsReportTheirHotSpot) {
  TIconImage first = Image(3, 2, 16, 0, IconDib(3, 2, 4, Table16(), kXor4, kMask));
  first.Word4 = 1;
  first.Word6 = 1;
  TIconImage second = first;
  second.Word4 = 2;
  second.Word6 = 1;
  TDecode d;
  d.Params().CurImageIndex = 1;
  d.Params().CurBackground = {9, 9, 9};
  d.Load(MakeIcon(2, {first, second}));
  ASSERT_TRUE(d.Ok());
  EXPECT_EQ(d.Params().ImageFormat, ioCUR);
  EXPECT_EQ(d.Params().CurHotSpotX, 2);
  EXPECT_EQ(d.Params().CurHotSpotY, 1);
  EXPECT_EQ(d.Params().SamplesPerPixel, 1);
  EXPECT_EQ(d.Bitmap.Pixel(2, 0), RGB(9, 9, 9));
  EXPECT_EQ(d.Bitmap.Pixel(0, 0), RGB(255, 0, 0));
}

}  // namespace pictova
