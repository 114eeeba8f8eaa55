// The TGA reader on files written here: image types, row orders, run-length packets, the
// version 2.0 extension area.
#include <gtest/gtest.h>

#include <cmath>

#include "imageio/FormatRegistry.h"
#include "imageio/RasterFixtures.h"
#include "imageio/ReaderHarness.h"

namespace pictova {

using namespace fixtures;

namespace {

// The test picture's pixels, top row first, as blue, green, red.
const TBytes kTopDown = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 0, 0, 0, 30, 20, 10};

TBytes BottomUp(const TBytes& topDown, size_t rowBytes) {
  TBytes out;
  for (size_t y = topDown.size() / rowBytes; y-- > 0;)
    out.insert(out.end(), topDown.begin() + y * rowBytes, topDown.begin() + (y + 1) * rowBytes);
  return out;
}

TTgaLayout Layout(int type, int depth, TBytes data, int descriptor = 0) {
  TTgaLayout s;
  s.ImageType = type;
  s.Depth = depth;
  s.Width = 3;
  s.Height = 2;
  s.Descriptor = descriptor;
  s.Data = std::move(data);
  return s;
}

}  // namespace

TEST(TgaReader, TypesDepthsAndRowOrdersGiveTheSamePicture) {
  TBytes rgba;
  for (size_t i = 0; i < kTopDown.size(); i += 3) rgba.insert(rgba.end(), {kTopDown[i], kTopDown[i + 1], kTopDown[i + 2], 7});
  TBytes mirrored;  // each row right to left
  for (size_t y = 0; y < 2; ++y)
    for (size_t x = 3; x-- > 0;) mirrored.insert(mirrored.end(), kTopDown.begin() + y * 9 + x * 3, kTopDown.begin() + y * 9 + x * 3 + 3);
  // Colour-mapped: indices 16..21 of a map that starts at 16.
  TTgaLayout mapped = Layout(1, 8, {16, 17, 18, 19, 20, 21}, 0x20);
  mapped.MapType = 1;
  mapped.MapFirst = 16;
  mapped.MapLength = 6;
  mapped.Map = kTopDown;
  // Run-length coded: a raw packet of four pixels runs from the first row into the second,
  // then a run packet of one black pixel and a raw packet of one.
  TTgaLayout rle = Layout(10, 24, {0x03}, 0x20);
  rle.Data.insert(rle.Data.end(), kTopDown.begin(), kTopDown.begin() + 12);
  rle.Data.insert(rle.Data.end(), {0x80, 0, 0, 0, 0x00, 30, 20, 10});
  const struct {
    const char* Name;
    TTgaLayout Layout;
  } cases[] = {
      {"24-bit bottom-up", Layout(2, 24, BottomUp(kTopDown, 9))},
      {"24-bit top-down", Layout(2, 24, kTopDown, 0x20)},
      {"32-bit top-down", Layout(2, 32, rgba, 0x20)},
      {"24-bit mirrored (descriptor bit 4, also top-down)", Layout(2, 24, mirrored, 0x10)},
      {"colour-mapped", mapped},
      {"run-length across rows", rle},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TDecode d;
    d.Load(MakeTga(c.Layout));
    ASSERT_TRUE(d.Ok());
    EXPECT_EQ(d.Params().ImageFormat, ioTGA);
    EXPECT_EQ(d.Pixels(), kPicture);
    EXPECT_EQ(d.Params().TgaCompressed, c.Layout.ImageType >= 9);
    EXPECT_EQ(d.Params().TgaXOrigin, 3);
    EXPECT_EQ(d.Params().TgaYOrigin, 4);
  }
}

TEST(TgaReader, PalettesGreyAndFifteenBitColours) {
  // A map starting at 16 leaves entries 0..15 to the colour cube: index 5 = r 0, g 1, b 1.
  TTgaLayout mapped = Layout(1, 8, {5, 16, 0, 0, 0, 0});
  mapped.MapType = 1;
  mapped.MapFirst = 16;
  mapped.MapLength = 1;
  mapped.MapEntrySize = 16;
  mapped.Map = {0x1F, 0x7C};  // 5-5-5: red 31, green 0, blue 31
  TDecode d;
  d.Load(MakeTga(mapped));
  ASSERT_TRUE(d.Ok());
  EXPECT_EQ(d.Bitmap.Pixel(0, 1), RGB(28, 60, 124));
  EXPECT_EQ(d.Bitmap.Pixel(1, 1), RGB(248, 0, 248));
  EXPECT_FALSE(d.Params().TgaGrayscale);
  EXPECT_EQ(d.Params().PaletteCount(), 1);
  // No map at 8 bits: a grey ramp.
  TDecode grey;
  grey.Load(MakeTga(Layout(3, 8, {0, 77, 255, 1, 2, 3}, 0x20)));
  ASSERT_TRUE(grey.Ok());
  EXPECT_TRUE(grey.Params().TgaGrayscale);
  EXPECT_EQ(grey.Bitmap.Pixel(1, 0), RGB(77, 77, 77));
  EXPECT_EQ(grey.Params().SamplesPerPixel, 1);
  // 16-bit pixels are 5-5-5, with a run packet.
  TDecode hi;
  hi.Load(MakeTga(Layout(10, 16, {0x85, 0xE0, 0x03}, 0x20)));
  ASSERT_TRUE(hi.Ok());
  EXPECT_EQ(hi.Bitmap.Pixel(2, 1), RGB(0, 248, 0));
  EXPECT_EQ(hi.Params().BitsPerSample, 5);
}

TEST(TgaReader, ExtensionAreaAndItsDefaults) {
  TBytes ext(495, 0);
  auto put16 = [&](size_t at, int v) {
    ext[at] = static_cast<uint8_t>(v);
    ext[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  ext[0] = 0xEF;
  ext[1] = 0x01;
  std::string author = "Ada";
  std::copy(author.begin(), author.end(), ext.begin() + 2);
  put16(367, 2);  // 29 February 2024, 12:00:00
  put16(369, 29);
  put16(371, 2024);
  put16(373, 12);
  std::string job = "Tiles";
  std::copy(job.begin(), job.end(), ext.begin() + 379);
  ext[471] = 10;  // key colour red, green, blue
  ext[472] = 20;
  ext[473] = 30;
  put16(474, 4);
  put16(476, 3);
  put16(478, 22);
  put16(480, 10);
  TTgaLayout s = Layout(2, 24, kTopDown, 0x20);
  s.Id = "an id";  // (an ID of 10 bytes would start like a PCX file: 0A hex)
  s.Extension = ext;
  TDecode d;
  d.Load(MakeTga(s));
  ASSERT_TRUE(d.Ok());
  const TImageParams& p = d.Params();
  EXPECT_EQ(p.TgaAuthor, "Ada");
  EXPECT_EQ(p.TgaJobName, "Tiles");
  EXPECT_EQ(p.TgaImageId, "an id");
  EXPECT_DOUBLE_EQ(p.TgaDate, 45351.5);  // days since 30 December 1899
  EXPECT_EQ(p.TgaKeyColor, (TRGBTriple{30, 20, 10}));
  EXPECT_DOUBLE_EQ(p.TgaAspectRatio, 4.0 / 3.0);
  EXPECT_DOUBLE_EQ(p.TgaGamma, 2.2);
  EXPECT_EQ(d.Pixels(), kPicture);
  // A zero denominator and an impossible date keep the reset values; so does a file without
  // the footer, after one that had it.
  put16(480, 0);
  put16(369, 30);
  s.Extension = ext;
  TDecode z;
  z.Load(MakeTga(s));
  EXPECT_DOUBLE_EQ(z.Params().TgaGamma, 2.2);
  EXPECT_DOUBLE_EQ(z.Params().TgaDate, Date());
  d.Load(MakeTga(Layout(2, 24, kTopDown)));
  EXPECT_EQ(d.Params().TgaAuthor, "");
  EXPECT_DOUBLE_EQ(d.Params().TgaAspectRatio, 1.0);
  EXPECT_DOUBLE_EQ(d.Params().TgaDate, Date());
}

TEST(TgaReader, DamagedFilesFailOrStopSafely) {
  // An image type or depth outside the accepted sets: the flag, nothing changed.
  for (auto [type, depth] : {std::pair{4, 24}, {2, 15}}) {
    TDecode d;
    d.Bitmap.SetSize(2, 2);
    d.Load(MakeTga(Layout(type, depth, kTopDown)), ioTGA);
    EXPECT_FALSE(d.Ok());
    EXPECT_EQ(d.Bitmap.Width(), 2);
  }
  // Run-length data that stops inside a packet: the rows before stay, the rest is black.
  TDecode cut;
  cut.Load(MakeTga(Layout(10, 24, {0x82, 1, 2, 3, 0x85, 9}, 0x20)));
  ASSERT_TRUE(cut.Ok());
  EXPECT_EQ(cut.Bitmap.Pixel(2, 0), RGB(3, 2, 1));
  EXPECT_EQ(cut.Bitmap.Pixel(0, 1), 0);
  // No columns but rows, from the fuzzer: an empty picture of that height.
  TTgaLayout empty = Layout(3, 24, {1, 2, 3});
  empty.Width = 0;
  TDecode e;
  e.Load(MakeTga(empty), ioTGA);
  EXPECT_TRUE(e.Ok());
  EXPECT_EQ(e.Bitmap.Height(), 2);
  // A colour map longer than 256 entries and a start past the table are read past.
  TTgaLayout big = Layout(1, 8, {255, 0, 0, 0, 0, 0}, 0x20);
  big.MapType = 1;
  big.MapFirst = 250;
  big.MapLength = 300;
  big.Map.assign(900, 0x40);
  TDecode m;
  m.Load(MakeTga(big));
  ASSERT_TRUE(m.Ok());
  EXPECT_EQ(m.Bitmap.Pixel(0, 0), RGB(0x40, 0x40, 0x40));
  EXPECT_EQ(m.Params().PaletteCount(), 256);
}

}  // namespace pictova
