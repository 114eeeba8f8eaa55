// The PNG reader checked on files that libpng wrote, against values computed here.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "gfx/Bitmap.h"
#include "imageio/FormatRegistry.h"
#include "imageio/ImageFixtures.h"
#include "imageio/ImageIO.h"
#include "imageio/PngWriter.h"
#include "imageio/Readers.h"
#include "rtl/Classes.h"

namespace pictova {

using fixtures::TBytes;
using fixtures::TPngOptions;

namespace {

struct TLoad {
  TBitmap Bitmap;
  TImageIO IO;
  TLoad() { IO.SetBitmap(&Bitmap); }
  void Load(const TBytes& data) {
    TMemoryStream stream(data);
    IO.LoadFromStream(stream);
  }
};

TPngOptions Options(uint32_t w, uint32_t h, int depth, int colorType, TBytes rows) {
  TPngOptions s;
  s.Width = w;
  s.Height = h;
  s.BitDepth = depth;
  s.ColorType = colorType;
  s.Rows = std::move(rows);
  return s;
}

// libpng's compositing of an 8-bit sample: (fg × a + bg × (255 − a) + 127) / 255.
uint8_t Composite(int fg, int alpha, int bg) {
  return static_cast<uint8_t>((fg * alpha + bg * (255 - alpha) + 127) / 255);
}

}  // namespace

TEST(PngReader, OneBitImagesKeepTheFileBitsOnlyWhenBlackThenWhite) {
  // 10 pixels wide: the second byte of each row holds two pixels and six spare bits.
  const TBytes rows = {0xA5, 0xC0, 0x0F, 0x40, 0xFF, 0x80};
  const auto bitAt = [&](int x, int y) { return (rows[2 * y + x / 8] >> (7 - x % 8)) & 1; };
  struct TCase {
    int ColorType;
    std::vector<png_color> Palette;
    std::vector<png_byte> Alpha;
    bool KeepsBits;
  };
  const png_color black{0, 0, 0}, white{255, 255, 255}, red{255, 0, 0}, blue{0, 0, 255};
  for (const TCase& c : {TCase{PNG_COLOR_TYPE_GRAY, {}, {}, true},
                         TCase{PNG_COLOR_TYPE_PALETTE, {black, white}, {}, true},
                         TCase{PNG_COLOR_TYPE_PALETTE, {red, blue}, {}, false},
                         TCase{PNG_COLOR_TYPE_PALETTE, {white, black}, {}, false},
                         // One colour, as ImageMagick stores a solid picture.
                         TCase{PNG_COLOR_TYPE_PALETTE, {red}, {}, false},
                         // Black and white, but white transparent: composited onto black.
                         TCase{PNG_COLOR_TYPE_PALETTE, {black, white}, {255, 0}, false}}) {
    SCOPED_TRACE(testing::Message() << c.ColorType << " " << c.Palette.size() << " colours");
    TBytes data = rows;
    // A one-colour palette only has index 0.
    if (c.Palette.size() == 1) std::fill(data.begin(), data.end(), 0);
    TPngOptions opts = Options(10, 3, 1, c.ColorType, data);
    opts.Palette = c.Palette;
    opts.PaletteAlpha = c.Alpha;
    TLoad load;
    load.Load(fixtures::MakePng(opts));
    ASSERT_EQ(load.IO.IOFailed(), 0);
    // The record describes the file whatever the target became.
    EXPECT_EQ(load.IO.Params().BitsPerSample, 1);
    EXPECT_EQ(load.IO.Params().SamplesPerPixel, 1);
    ASSERT_EQ(load.IO.Params().PaletteCount(), static_cast<int>(c.Palette.size()));
    for (size_t i = 0; i < c.Palette.size(); ++i)
      EXPECT_EQ(load.IO.Params().Palette[i], (TRGBTriple{c.Palette[i].blue, c.Palette[i].green, c.Palette[i].red}));
    if (c.KeepsBits) {
      ASSERT_EQ(load.Bitmap.PixelFormat(), pf1bit);
      for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(load.Bitmap.ScanLine(y)[0], rows[2 * y]);
        EXPECT_EQ(load.Bitmap.ScanLine(y)[1] & 0xC0, rows[2 * y + 1]);
      }
      continue;
    }
    ASSERT_EQ(load.Bitmap.PixelFormat(), pf24bit);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 10; ++x) {
        const int index = c.Palette.size() == 1 ? 0 : bitAt(x, y);
        png_color expected = c.Palette[static_cast<size_t>(index)];
        if (index < static_cast<int>(c.Alpha.size()) && c.Alpha[static_cast<size_t>(index)] == 0) expected = black;
        EXPECT_EQ(load.Bitmap.Pixel(x, y), RGB(expected.red, expected.green, expected.blue)) << x << "," << y;
      }
  }
}

TEST(PngReader, PaletteGreyAndSixteenBitImagesBecomeBlueGreenRed) {
  TPngOptions palette = Options(3, 1, 8, PNG_COLOR_TYPE_PALETTE, {2, 0, 1});
  palette.Palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  TLoad load;
  load.Load(fixtures::MakePng(palette));
  ASSERT_EQ(load.Bitmap.PixelFormat(), pf24bit);
  EXPECT_EQ(load.Bitmap.Pixel(0, 0), RGB(70, 80, 90));
  EXPECT_EQ(load.Bitmap.Pixel(1, 0), RGB(10, 20, 30));
  EXPECT_EQ(load.IO.Params().PaletteCount(), 3);
  EXPECT_EQ(load.IO.Params().SamplesPerPixel, 1);

  // Grey of 2 and 4 bits is stretched to 8 bits: v × 255 / (2^depth − 1).
  load.Load(fixtures::MakePng(Options(4, 1, 2, PNG_COLOR_TYPE_GRAY, {0x1B})));  // 0 1 2 3
  for (int x = 0; x < 4; ++x) EXPECT_EQ(load.Bitmap.Pixel(x, 0), RGB(85 * x, 85 * x, 85 * x));
  EXPECT_EQ(load.IO.Params().BitsPerSample, 2);
  load.Load(fixtures::MakePng(Options(3, 1, 4, PNG_COLOR_TYPE_GRAY, {0x07, 0xF0})));  // 0 7 15
  EXPECT_EQ(load.Bitmap.Pixel(1, 0), RGB(119, 119, 119));
  EXPECT_EQ(load.Bitmap.Pixel(2, 0), clWhite);

  load.Load(fixtures::MakePng(Options(2, 1, 8, PNG_COLOR_TYPE_RGB, {1, 2, 3, 250, 251, 252})));
  EXPECT_EQ(load.Bitmap.ScanLine(0)[0], 3);  // blue first
  EXPECT_EQ(load.Bitmap.ScanLine(0)[2], 1);
  EXPECT_EQ(load.Bitmap.Pixel(1, 0), RGB(250, 251, 252));
  EXPECT_EQ(load.IO.Params().SamplesPerPixel, 3);

  // 16 bits: the high byte of each sample.
  load.Load(fixtures::MakePng(
      Options(1, 1, 16, PNG_COLOR_TYPE_RGB, {0x12, 0xFF, 0x34, 0x00, 0xAB, 0x80})));
  EXPECT_EQ(load.Bitmap.Pixel(0, 0), RGB(0x12, 0x34, 0xAB));
  EXPECT_EQ(load.IO.Params().BitsPerSample, 16);
}

TEST(PngReader, AlphaIsCompositedOntoTheFileOrTheCallersBackground) {
  const TBytes rgba = {200, 100, 50, 0, 200, 100, 50, 255, 200, 100, 50, 128};
  TLoad load;
  // Without bKGD: onto PngBackground, which the caller may set.
  load.IO.Params().PngBackground = {30, 60, 90};  // blue, green, red
  load.Load(fixtures::MakePng(Options(3, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, rgba)));
  ASSERT_EQ(load.IO.IOFailed(), 0);
  EXPECT_EQ(load.Bitmap.Pixel(0, 0), RGB(90, 60, 30));
  EXPECT_EQ(load.Bitmap.Pixel(1, 0), RGB(200, 100, 50));
  EXPECT_EQ(load.Bitmap.Pixel(2, 0),
            RGB(Composite(200, 128, 90), Composite(100, 128, 60), Composite(50, 128, 30)));
  EXPECT_EQ(load.IO.Background(), RGB(90, 60, 30));
  EXPECT_EQ(load.IO.Params().SamplesPerPixel, 4);

  // The same at 16 bits and for grey with alpha.
  load.Load(
      fixtures::MakePng(Options(1, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA, {1, 2, 3, 4, 5, 6, 0, 0})));
  EXPECT_EQ(load.Bitmap.Pixel(0, 0), RGB(90, 60, 30));
  load.Load(fixtures::MakePng(Options(2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {77, 0, 77, 255})));
  EXPECT_EQ(load.Bitmap.Pixel(0, 0), RGB(90, 60, 30));
  EXPECT_EQ(load.Bitmap.Pixel(1, 0), RGB(77, 77, 77));
  EXPECT_EQ(load.IO.Params().SamplesPerPixel, 2);

  // With bKGD: onto the file's colour, which becomes PngBackground (8-bit) and Background.
  TPngOptions withBkgd = Options(3, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, rgba);
  withBkgd.HasBkgd = true;
  withBkgd.Bkgd.red = 10;
  withBkgd.Bkgd.green = 220;
  withBkgd.Bkgd.blue = 130;
  load.Load(fixtures::MakePng(withBkgd));
  EXPECT_EQ(load.Bitmap.Pixel(0, 0), RGB(10, 220, 130));
  EXPECT_EQ(load.Bitmap.Pixel(2, 0),
            RGB(Composite(200, 128, 10), Composite(100, 128, 220), Composite(50, 128, 130)));
  EXPECT_EQ(load.IO.Params().PngBackground, (TRGBTriple{130, 220, 10}));
  EXPECT_EQ(load.IO.Background(), RGB(10, 220, 130));
  // ... and it stays the background for the next file without bKGD.
  load.Load(fixtures::MakePng(Options(1, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, {9, 9, 9, 0})));
  EXPECT_EQ(load.Bitmap.Pixel(0, 0), RGB(10, 220, 130));

  withBkgd = Options(1, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA, {0, 0, 0, 0, 0, 0, 0, 0});
  withBkgd.HasBkgd = true;
  withBkgd.Bkgd.red = 0xFF00;
  withBkgd.Bkgd.green = 0x1234;
  withBkgd.Bkgd.blue = 0x80FF;
  load.Load(fixtures::MakePng(withBkgd));
  EXPECT_EQ(load.IO.Params().PngBackground, (TRGBTriple{0x80, 0x12, 0xFF}));
}

TEST(PngReader, InterlacedFilesReadEveryPassWithProgress) {
  constexpr uint32_t w = 13, h = 11;
  TBytes rows;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      rows.insert(rows.end(), {uint8_t(x * 19), uint8_t(y * 23), uint8_t(x ^ y)});
  TPngOptions opts = Options(w, h, 8, PNG_COLOR_TYPE_RGB, rows);
  opts.Interlaced = true;
  TLoad load;
  std::vector<int> reports;
  load.IO.OnProgress = [&](TImageIO* sender, int per) {
    EXPECT_EQ(sender, &load.IO);
    reports.push_back(per);
  };
  load.Load(fixtures::MakePng(opts));
  ASSERT_EQ(load.IO.IOFailed(), 0);
  EXPECT_TRUE(load.IO.Params().PngInterlaced);
  int mismatches = 0;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      mismatches += load.Bitmap.Pixel(x, y) != RGB(x * 19, y * 23, x ^ y);
  EXPECT_EQ(mismatches, 0);
  ASSERT_EQ(reports.size(), 7u * h);  // one report per row of each of the seven passes
  EXPECT_EQ(reports.front(), 100 / 77);
  EXPECT_EQ(reports.back(), 100);
  EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));

  // A handler that raises the flag stops the read after that row.
  int calls = 0;
  load.IO.OnProgress = [&](TImageIO* sender, int) {
    if (++calls == 3) sender->SetIOFailed(1);
  };
  load.Load(fixtures::MakePng(opts));
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(load.IO.IOFailed(), 1);
}

TEST(PngReader, ResolutionComesFromPhysOrTheScreen) {
  struct TCase {
    bool Phys;
    uint32_t X, Y;
    int Unit, DpiX, DpiY;
  } cases[] = {{true, 2835, 3780, PNG_RESOLUTION_METER, 72, 96},
               {true, 11811, 1, PNG_RESOLUTION_METER, 300, ScreenPixelsPerInch()},
               {true, 2835, 2835, PNG_RESOLUTION_UNKNOWN, 96, 96},
               {false, 0, 0, 0, 96, 96}};
  for (const TCase& c : cases) {
    TPngOptions opts = Options(1, 1, 8, PNG_COLOR_TYPE_GRAY, {0});
    opts.HasPhys = c.Phys;
    opts.PpmX = c.X;
    opts.PpmY = c.Y;
    opts.PhysUnit = c.Unit;
    TLoad load;
    load.Load(fixtures::MakePng(opts));
    EXPECT_EQ(load.IO.Params().DpiX, c.DpiX) << c.X;
    EXPECT_EQ(load.IO.Params().DpiY, c.DpiY) << c.Y;
  }
}

TEST(PngReader, BadDataSetsTheFlagWithoutRaising) {
  TBytes rows(64 * 64 * 3);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 7);
  const TBytes good = fixtures::MakePng(Options(64, 64, 8, PNG_COLOR_TYPE_RGB, rows));
  for (size_t cut : {size_t{9}, size_t{20}, size_t{40}, good.size() / 2, good.size() - 5}) {
    SCOPED_TRACE(cut);
    TLoad load;
    load.Load(TBytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)));
    EXPECT_EQ(load.IO.IOFailed(), 1);
  }
  TBytes corrupt = good;
  corrupt[good.size() / 2] ^= 0x5A;  // inside IDAT: the CRC no longer matches
  TLoad load;
  load.Load(corrupt);
  EXPECT_EQ(load.IO.IOFailed(), 1);

  // Absurd sizes are refused before anything is allocated: beyond a side, and beyond the pixel
  // count with acceptable sides (the IHDR CRC is recomputed so that only the size is wrong).
  for (auto [w, h] : {std::pair{40000u, 2u}, std::pair{20000u, 20000u}}) {
    TBytes huge = good;
    const uint8_t dims[8] = {uint8_t(w >> 24), uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w),
                             uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h)};
    std::copy(dims, dims + 8, huge.begin() + 16);
    const uint32_t crc = static_cast<uint32_t>(::crc32(0, huge.data() + 12, 17));
    huge[29] = uint8_t(crc >> 24);
    huge[30] = uint8_t(crc >> 16);
    huge[31] = uint8_t(crc >> 8);
    huge[32] = uint8_t(crc);
    TLoad big;
    big.Bitmap.SetSize(2, 2);
    big.Load(huge);
    EXPECT_EQ(big.IO.IOFailed(), 1) << w;
    EXPECT_EQ(big.Bitmap.Width(), 2);
  }
}

TEST(PngWriter, RoundTripsBothPixelFormats) {
  TBitmap colour(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) colour.SetPixel(x, y, RGB(x * 50, y * 100, 7));
  TBitmap mono(11, 2, pf1bit);
  mono.SetPixel(0, 0, clWhite);
  mono.SetPixel(10, 1, clWhite);
  for (TBitmap* source : {&colour, &mono}) {
    TMemoryStream png;
    SaveBitmapToPng(*source, png);
    png.SetPosition(0);
    TLoad load;
    load.IO.LoadFromStream(png);
    ASSERT_EQ(load.IO.IOFailed(), 0);
    ASSERT_EQ(load.Bitmap.PixelFormat(), source->PixelFormat());
    ASSERT_EQ(load.Bitmap.Width(), source->Width());
    for (int y = 0; y < source->Height(); ++y)
      for (int x = 0; x < source->Width(); ++x)
        EXPECT_EQ(load.Bitmap.Pixel(x, y), source->Pixel(x, y));
  }
  TBitmap empty;
  TMemoryStream sink;
  EXPECT_THROW(SaveBitmapToPng(empty, sink), Exception);
}

}  // namespace pictova
