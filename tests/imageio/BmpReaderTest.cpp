// The BMP reader on files written here field by field.
#include <gtest/gtest.h>

#include "imageio/FormatRegistry.h"
#include "imageio/RasterFixtures.h"
#include "imageio/ReaderHarness.h"

namespace pictova {

using namespace fixtures;

namespace {

// The test picture's rows in blue, green, red order.
const std::vector<TBytes> kBgrRows = {{0, 0, 255, 0, 255, 0, 255, 0, 0}, {255, 255, 255, 0, 0, 0, 30, 20, 10}};
// The same picture through a palette: indices and the four-byte colour table.
const std::vector<TBytes> kIndexRows = {{1, 2, 3}, {4, 0, 5}};
const TBytes kTable = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0, 30, 20, 10, 0};

TBytes ThreeByteTable() {
  TBytes t;
  for (size_t i = 0; i < kTable.size(); i += 4) t.insert(t.end(), kTable.begin() + i, kTable.begin() + i + 3);
  t.resize(256 * 3, 0);
  return t;
}

TBmpLayout Layout(uint32_t header, int bits, TBytes pixels, int32_t height = 2) {
  TBmpLayout s;
  s.HeaderSize = header;
  s.Width = 3;
  s.Height = height;
  s.BitCount = bits;
  s.Pixels = std::move(pixels);
  return s;
}

}  // namespace

TEST(BmpReader, HeaderVariantsAndDepthsGiveTheSamePicture) {
  struct TCase {
    const char* Name;
    TBmpLayout Layout;
    int Version, Bits, Samples;
  };
  TBmpLayout os2 = Layout(12, 8, BmpRows(kIndexRows));
  os2.Palette = ThreeByteTable();
  TBmpLayout v4 = Layout(108, 8, BmpRows(kIndexRows));
  v4.Palette = kTable;
  v4.ColoursUsed = 6;
  TBmpLayout v5 = Layout(124, 4, BmpRows({{0x12, 0x30}, {0x40, 0x50}}));
  v5.Palette = kTable;
  v5.ColoursUsed = 6;
  TBmpLayout os22 = Layout(64, 24, BmpRows(kBgrRows));
  // Rows stored top-down (negative height).
  TBmpLayout topDown = Layout(40, 24, {}, -2);
  for (const TBytes& row : kBgrRows) {
    topDown.Pixels.insert(topDown.Pixels.end(), row.begin(), row.end());
    topDown.Pixels.resize(topDown.Pixels.size() + 3, 0);
  }
  std::vector<TBytes> rows32, rows16;
  for (const TBytes& row : kBgrRows) {
    TBytes r32, r16;
    for (size_t i = 0; i < row.size(); i += 3) {
      r32.insert(r32.end(), {row[i], row[i + 1], row[i + 2], 0x99});
      // 5-5-5: only colours whose low three bits are 0 survive exactly; 10, 20, 30 become 8, 16, 24.
      const unsigned w = (row[i + 2] >> 3 << 10) | (row[i + 1] >> 3 << 5) | (row[i] >> 3);
      r16.insert(r16.end(), {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8)});
    }
    rows32.push_back(r32);
    rows16.push_back(r16);
  }
  const TCase cases[] = {
      {"40-byte 24-bit", Layout(40, 24, BmpRows(kBgrRows)), 1, 8, 3},
      {"OS/2 1.x 8-bit", os2, 2, 8, 1},
      {"OS/2 2.x 24-bit", os22, 3, 8, 3},
      {"108-byte 8-bit, 6 colours", v4, 0, 8, 1},
      {"124-byte 4-bit", v5, 0, 4, 1},
      {"top-down 24-bit", topDown, 1, 8, 3},
      {"32-bit", Layout(40, 32, BmpRows(rows32)), 1, 8, 3},
      {"16-bit", Layout(40, 16, BmpRows(rows16)), 1, 5, 3},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TDecode d;
    d.Load(MakeBmp(c.Layout));
    ASSERT_TRUE(d.Ok());
    EXPECT_EQ(d.Params().ImageFormat, ioBMP);
    EXPECT_EQ(d.Params().BmpVersion, c.Version);
    EXPECT_EQ(d.Params().BitsPerSample, c.Bits);
    EXPECT_EQ(d.Params().SamplesPerPixel, c.Samples);
    EXPECT_EQ(d.Params().Width, 3);
    EXPECT_EQ(d.Params().Height, 2);
    std::vector<TColor> expected = kPicture;
    // 5-5-5 keeps the top five bits of each channel, the low three stay 0.
    if (c.Bits == 5)
      for (TColor& e : expected) e &= 0xF8F8F8;
    EXPECT_EQ(d.Pixels(), expected);
    EXPECT_EQ(d.Params().DpiX, 96);
    if (c.Layout.BitCount <= 8) {
      EXPECT_EQ(d.Params().PaletteCount(), c.Version == 2 ? 256 : 6);
    }
  }
}

TEST(BmpReader, OneBitPicturesKeepBlackAndWhiteAndShowOtherColours) {
  const TBytes bits = BmpRows({{0xA0}, {0x40}});  // 1 0 1 / 0 1 0
  const TBytes inverted = BmpRows({{0x40}, {0xA0}});
  auto spec = [](const TBytes& pixels, TBytes palette) {
    TBmpLayout s = Layout(40, 1, pixels);
    s.Palette = std::move(palette);
    s.PixelsPerMetre = 11811;  // 300 dpi
    return s;
  };
  TDecode blackWhite, whiteBlack, colours;
  blackWhite.Load(MakeBmp(spec(bits, {0, 0, 0, 0, 255, 255, 255, 0})));
  whiteBlack.Load(MakeBmp(spec(inverted, {255, 255, 255, 0, 0, 0, 0, 0})));
  colours.Load(MakeBmp(spec(bits, {0, 0, 255, 0, 255, 0, 0, 0})));  // red for 0, blue for 1
  const TColor w = RGB(255, 255, 255), k = RGB(0, 0, 0), r = RGB(255, 0, 0), b = RGB(0, 0, 255);
  ASSERT_TRUE(blackWhite.Ok() && whiteBlack.Ok() && colours.Ok());
  EXPECT_EQ(blackWhite.Bitmap.PixelFormat(), pf1bit);
  EXPECT_EQ(whiteBlack.Bitmap.PixelFormat(), pf1bit);
  EXPECT_EQ(blackWhite.Pixels(), (std::vector<TColor>{w, k, w, k, w, k}));
  EXPECT_EQ(whiteBlack.Pixels(), blackWhite.Pixels());
  EXPECT_EQ(colours.Bitmap.PixelFormat(), pf24bit);
  EXPECT_EQ(colours.Pixels(), (std::vector<TColor>{b, r, b, r, b, r}));
  EXPECT_EQ(colours.Params().BitsPerSample, 1);
  EXPECT_EQ(colours.Params().DpiY, 300);
}

TEST(BmpReader, BitfieldsAreDecodedWithTheFileMasks) {
  // 5-6-5: each channel at its full value.
  TBmpLayout rgb565 = Layout(40, 16, BmpRows({{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00}}), 1);
  rgb565.Compression = 3;
  rgb565.Masks = {0xF800, 0x07E0, 0x001F};
  // 32-bit with red in the low byte, and the masks inside a 108-byte header.
  TBmpLayout rgbx = Layout(108, 32, BmpRows({{255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0}}), 1);
  rgbx.Compression = 3;
  rgbx.Masks = {0x0000FF, 0x00FF00, 0xFF0000};
  TDecode a, b;
  a.Load(MakeBmp(rgb565));
  b.Load(MakeBmp(rgbx));
  ASSERT_TRUE(a.Ok() && b.Ok());
  EXPECT_EQ(a.Pixels(), (std::vector<TColor>{RGB(248, 0, 0), RGB(0, 252, 0), RGB(0, 0, 248)}));
  EXPECT_EQ(b.Pixels(), (std::vector<TColor>{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)}));
  EXPECT_FALSE(a.Params().BmpCompressed);
}

TEST(BmpReader, RunLengthCodingWithLineEndsDeltasLiteralsAndClipping) {
  TBmpLayout rle8 = Layout(40, 8, {}, 3);
  rle8.Width = 4;
  rle8.Compression = 1;
  rle8.Palette = kTable;
  rle8.Pixels = {
      2, 1, 0, 3, 3, 4, 5, 0,  // bottom row: two 1s, a literal run of 3 (padded, one clipped)
      0, 0,                    // end of line: the middle row
      0, 2, 1, 1,              // delta: one right, one up: the top row at x = 1
      6, 2,                    // a run of 6 passing the row's end: clipped
      0, 0,                    // end of line past the last row: stop
      9, 9,                    // never reached
  };
  TDecode d;
  d.Load(MakeBmp(rle8));
  ASSERT_TRUE(d.Ok());
  EXPECT_TRUE(d.Params().BmpCompressed);
  const TColor r = RGB(255, 0, 0), g = RGB(0, 255, 0), bl = RGB(0, 0, 255), w = RGB(255, 255, 255),
               k = RGB(0, 0, 0);
  EXPECT_EQ(d.Pixels(), (std::vector<TColor>{k, g, g, g,      // top: from x = 1, clipped
                                             k, k, k, k,      // middle, never written
                                             r, r, bl, w}));  // bottom: the run and the literal
  // RLE4: a run alternates nibbles, an odd literal run of 3 takes two bytes and is padded;
  // no end code: the data's end stops it.
  TBmpLayout rle4 = Layout(40, 4, {0x03, 0x12, 0x00, 0x03, 0x45, 0x30}, 1);
  rle4.Width = 6;
  rle4.Compression = 2;
  rle4.Palette = kTable;
  TDecode e;
  e.Load(MakeBmp(rle4));
  ASSERT_TRUE(e.Ok());
  EXPECT_EQ(e.Pixels(), (std::vector<TColor>{r, g, r, w, RGB(10, 20, 30), bl}));
}

TEST(BmpReader, DamagedFilesFailOrStopSafely) {
  // Not "BM": the flag, and the bitmap as it was.
  TDecode notBmp;
  notBmp.Bitmap.SetSize(5, 5);
  TBytes bytes = MakeBmp(Layout(40, 24, BmpRows(kBgrRows)));
  bytes[1] = 'X';
  notBmp.Load(bytes, ioBMP);
  EXPECT_FALSE(notBmp.Ok());
  EXPECT_EQ(notBmp.Bitmap.Width(), 5);
  // A size no image may have is refused before anything is allocated.
  TBmpLayout huge = Layout(40, 24, {});
  huge.Width = 1 << 30;
  EXPECT_FALSE(TDecode().Load(MakeBmp(huge)).Ok());
  // Indices past the colour table are black; a cut-off file keeps the rows that arrived.
  TBmpLayout shortTable = Layout(40, 8, BmpRows({{7, 255, 1}, {1, 1, 1}}));
  shortTable.Palette = {1, 2, 3, 0, 9, 9, 9, 0};
  shortTable.ColoursUsed = 2;
  TBytes cut = MakeBmp(shortTable);
  cut.resize(cut.size() - 2);  // the top row (stored last) loses its third index
  TDecode d;
  d.Load(cut);
  ASSERT_TRUE(d.Ok());
  EXPECT_EQ(d.Pixels(), (std::vector<TColor>{0, 0, 0, RGB(9, 9, 9), RGB(9, 9, 9), RGB(9, 9, 9)}));
  // Unsupported: 1-bit compressed, 8-bit with RLE4, 2 bits per pixel: sized, left empty, no flag.
  for (auto [bits, compression] : {std::pair{1, 1u}, {8, 2u}, {2, 0u}}) {
    TBmpLayout s = Layout(40, bits, TBytes(16, 0xFF));
    s.Compression = compression;
    TDecode u;
    u.Load(MakeBmp(s));
    EXPECT_TRUE(u.Ok());
    EXPECT_EQ(u.Bitmap.Width(), 3);
    EXPECT_EQ(u.Bitmap.Pixel(0, 0), 0);
  }
  // Run-length data that moves far outside the bitmap, or ends inside an escape.
  TBmpLayout wild = Layout(40, 8, {0, 2, 255, 0, 5, 1, 0, 2, 0, 200, 0, 5}, 2);
  wild.Compression = 1;
  wild.Palette = kTable;
  EXPECT_TRUE(TDecode().Load(MakeBmp(wild)).Ok());
}

}  // namespace pictova
