// The PCX reader on files written here: colour planes, palettes, run-length bytes.
#include <gtest/gtest.h>

#include "imageio/FormatRegistry.h"
#include "imageio/RasterFixtures.h"
#include "imageio/ReaderHarness.h"

namespace pictova {

using namespace fixtures;

TEST(PcxReader, ColourPlanesWithRunsAcrossLinesAndRows) {
  // 3 x 2 in three 4-byte plane lines (red, green, blue) per row. The data is coded as one
  // stream, so runs cross plane lines and rows as whole-row writers produce them.
  TBytes raw;
  const TBytes red = {255, 0, 0, 255, 0, 10}, green = {0, 255, 0, 255, 0, 20}, blue = {0, 0, 255, 255, 0, 30};
  for (int y = 0; y < 2; ++y)
    for (const TBytes* plane : {&red, &green, &blue}) {
      raw.insert(raw.end(), plane->begin() + 3 * y, plane->begin() + 3 * y + 3);
      raw.push_back(0);
    }
  TPcxLayout s;
  s.Planes = 3;
  s.Width = 3;
  s.Height = 2;
  s.BytesPerLine = 4;
  s.DpiX = 0;  // either resolution 0: the screen's for both
  s.DpiY = 300;
  s.Data = PcxRle(raw);
  TDecode d;
  d.Load(MakePcx(s));
  ASSERT_TRUE(d.Ok());
  EXPECT_EQ(d.Params().ImageFormat, ioPCX);
  EXPECT_EQ(d.Pixels(), kPicture);
  EXPECT_EQ(d.Params().DpiX, 96);
  EXPECT_EQ(d.Params().DpiY, 96);
  EXPECT_EQ(d.Params().SamplesPerPixel, 3);
  EXPECT_EQ(d.Params().PcxVersion, 5);
  EXPECT_EQ(d.Progress, (std::vector<int>{0, 50}));
  // Stored without coding: the same picture.
  s.Encoding = 0;
  s.Data = raw;
  EXPECT_EQ(TDecode().Load(MakePcx(s)).Pixels(), kPicture);
}

TEST(PcxReader, PalettesOfOneFourAndEightBits) {
  // 256 colours: the palette is the last 768 bytes, with or without the 0C marker before it.
  TBytes palette(768, 0);
  palette[3 * 7] = 200;       // 7 red
  palette[3 * 200 + 2] = 90;  // 200 blue
  for (bool marker : {true, false}) {
    TPcxLayout s;
    s.Width = 3;
    s.Height = 1;
    s.BytesPerLine = 4;
    s.Data = {0xC2, 7, 0xC1, 200, 0};  // C2: two 7s; C1: one 200 (a value of C0 or more needs a run)
    if (marker) s.Data.push_back(0x0C);
    s.Data.insert(s.Data.end(), palette.begin(), palette.end());
    TDecode d;
    d.Load(MakePcx(s));
    ASSERT_TRUE(d.Ok());
    EXPECT_EQ(d.Pixels(), (std::vector<TColor>{RGB(200, 0, 0), RGB(200, 0, 0), RGB(0, 0, 90)}));
    EXPECT_EQ(d.Params().PaletteCount(), 256);
  }
  // 16 colours in four bit planes: pixel bits from planes 0..3 make the index.
  TPcxLayout planar;
  planar.BitsPerPlane = 1;
  planar.Planes = 4;
  planar.Width = 3;
  planar.Height = 1;
  planar.BytesPerLine = 2;
  planar.Palette16.assign(48, 0);
  planar.Palette16[3 * 5] = 255;       // index 5 red
  planar.Palette16[3 * 10 + 1] = 255;  // index 10 green
  // Pixel 0: index 5 (planes 0 and 2); pixel 1: 10 (planes 1 and 3); pixel 2: 0.
  planar.Data = PcxRle({0x80, 0, 0x40, 0, 0x80, 0, 0x40, 0});
  TDecode d;
  d.Load(MakePcx(planar));
  ASSERT_TRUE(d.Ok());
  EXPECT_EQ(d.Pixels(), (std::vector<TColor>{RGB(255, 0, 0), RGB(0, 255, 0), 0}));
  EXPECT_EQ(d.Params().BitsPerSample, 4);
  EXPECT_EQ(d.Params().SamplesPerPixel, 1);
  EXPECT_EQ(d.Params().PaletteCount(), 16);
  // One plane of 1 bit: a 1-bit bitmap with the file's bits; a C0 run writes nothing.
  TPcxLayout mono;
  mono.BitsPerPlane = 1;
  mono.Width = 10;
  mono.Height = 1;
  mono.BytesPerLine = 2;
  mono.Data = {0xC0, 0x55, 0xA5, 0xC1, 0xC0};
  TDecode m;
  m.Load(MakePcx(mono));
  ASSERT_TRUE(m.Ok());
  EXPECT_EQ(m.Bitmap.PixelFormat(), pf1bit);
  EXPECT_EQ(m.Bitmap.ScanLine(0)[0], 0xA5);
  EXPECT_EQ(m.Bitmap.ScanLine(0)[1] & 0xC0, 0xC0);
  EXPECT_EQ(m.Params().PaletteCount(), 2);
}

TEST(PcxReader, DamagedFilesFailOrStopSafely) {
  TPcxLayout s;
  s.Planes = 3;
  s.Width = 3;
  s.Height = 2;
  s.BytesPerLine = 4;
  // Bits per plane above 8, an unknown coding, a size no image may have: the flag.
  for (auto bad : {+[](TPcxLayout& p) { p.BitsPerPlane = 9; }, +[](TPcxLayout& p) { p.Encoding = 2; },
                   +[](TPcxLayout& p) { p.Width = 40000; }}) {
    TPcxLayout b = s;
    bad(b);
    TDecode d;
    d.Bitmap.SetSize(2, 2);
    d.Load(MakePcx(b), ioPCX);
    EXPECT_FALSE(d.Ok());
    EXPECT_EQ(d.Bitmap.Width(), 2);
  }
  // Sixteen colours whose colour 0 is white, with data for the first row only: the second
  // row stays black rather than taking colour 0 (a small file claiming a large picture costs
  // no more than its data; found as a fuzzer timeout).
  TPcxLayout planar = s;
  planar.Planes = 4;
  planar.BitsPerPlane = 1;
  planar.BytesPerLine = 2;
  planar.Palette16 = {255, 255, 255};
  planar.Encoding = 0;
  planar.Data.assign(8, 0);
  TDecode part;
  part.Load(MakePcx(planar));
  ASSERT_TRUE(part.Ok());
  EXPECT_EQ(part.Bitmap.Pixel(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(part.Bitmap.Pixel(0, 1), 0);
  // 6 bits in one plane: recorded with the header's 16 colours, and nothing decoded.
  TPcxLayout six = s;
  six.Planes = 1;
  six.BitsPerPlane = 6;
  TDecode sixBits;
  sixBits.Load(MakePcx(six), ioPCX);
  EXPECT_TRUE(sixBits.Ok());
  EXPECT_EQ(sixBits.Params().PaletteCount(), 16);
  // Data that ends inside a run and a huge line length: what is missing is black.
  s.BytesPerLine = 60000;
  s.Data = {0xFF, 7};
  TDecode d;
  d.Load(MakePcx(s));
  ASSERT_TRUE(d.Ok());
  EXPECT_EQ(d.Bitmap.Pixel(0, 0), RGB(7, 0, 0));
  EXPECT_EQ(d.Bitmap.Pixel(2, 1), 0);
}

}  // namespace pictova
