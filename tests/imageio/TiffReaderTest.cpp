// The TIFF reader, the CCITT decoder and our TIFF LZW decoder, on files assembled by the tests'
// own writer. The CCITT strips were made by libtiff's fax encoder from BilevelPattern(), so
// that the decoder is not checked against an encoder built from its own tables.
#include <gtest/gtest.h>

#include <random>

#include "gfx/Bitmap.h"
#include "imageio/FormatRegistry.h"
#include "imageio/GifTiffWriter.h"
#include "imageio/ImageIO.h"
#include "imageio/Lzw.h"
#include "rtl/Classes.h"

namespace pictova {

using fixtures::TBytes;
using fixtures::TTiffWriter;

namespace {

const TBytes kMh = {0x35, 0x31, 0xA4, 0x1C, 0xE6, 0x8E, 0x8E, 0x80, 0x72, 0x3A, 0x3A, 0xE4, 0x1D, 0x0E, 0x76, 0x8E, 0x8E, 0x87, 0x40, 0xB2, 0x38, 0x30, 0xC3, 0xE4, 0x75, 0x34, 0xE3, 0xE4, 0x75, 0xE8, 0x75, 0x66, 0x3A, 0x3A, 0x3E, 0x99, 0xCD, 0x1D, 0x42};
const TBytes kG3OneD = {0x00, 0x13, 0x53, 0x1A, 0x40, 0x02, 0x39, 0xCD, 0x1D, 0x1D, 0x00, 0x0B, 0x91, 0xD1, 0xD7, 0x20, 0x01, 0x1D, 0x0E, 0x76, 0x8E, 0x8E, 0x87, 0x40, 0x03, 0x64, 0x70, 0x60, 0x00, 0x70, 0xF9, 0x1D, 0x4D, 0x00, 0x0F, 0x1F, 0x23, 0xAF, 0x40, 0x02, 0xEA, 0xCC, 0x74, 0x74, 0x7C, 0x00, 0x66, 0x73, 0x47, 0x50, 0x80};
const TBytes kG3TwoD = {0x00, 0x19, 0xA9, 0x8D, 0x20, 0x01, 0x36, 0x66, 0x89, 0xD6, 0x00, 0x37, 0x23, 0xA3, 0xAE, 0x40, 0x02, 0x45, 0x0F, 0x36, 0x84, 0xDA, 0x10, 0x82, 0xC0, 0x07, 0x64, 0x70, 0x60, 0x00, 0x4E, 0x79, 0x13, 0xA5, 0x00, 0x1F, 0x1F, 0x23, 0xAF, 0x40, 0x02, 0x2E, 0x9B, 0x23, 0xA1, 0x3C, 0x85, 0x40, 0x07, 0x33, 0x9A, 0x3A, 0x84};
const TBytes kG4 = {0x26, 0xA6, 0xAD, 0x99, 0xA2, 0x75, 0xB0, 0xC4, 0xC2, 0x13, 0x0B, 0x45, 0x0F, 0x36, 0x84, 0xDA, 0x10, 0x82, 0xC5, 0x86, 0x20, 0x84, 0x6E, 0x79, 0x13, 0xA5, 0x6D, 0x94, 0x72, 0xBE, 0x5D, 0x36, 0x47, 0x42, 0x79, 0x0A, 0x8B, 0x60, 0x81, 0x08, 0x22, 0xA2, 0x00, 0x20, 0x02};
const TBytes kG4LsbFirst = {0x64, 0x65, 0xB5, 0x99, 0x45, 0xAE, 0x0D, 0x23, 0x43, 0xC8, 0xD0, 0xA2, 0xF0, 0x6C, 0x21, 0x5B, 0x08, 0x41, 0xA3, 0x61, 0x04, 0x21, 0x76, 0x9E, 0xC8, 0xA5, 0xB6, 0x29, 0x4E, 0x7D, 0xBA, 0x6C, 0xE2, 0x42, 0x9E, 0x50, 0xD1, 0x06, 0x81, 0x10, 0x44, 0x45, 0x00, 0x04, 0x40};

struct TLoad {
  TBitmap Bitmap;
  TImageIO IO;
  TLoad() { IO.SetBitmap(&Bitmap); }
  void Load(const TBytes& data) {
    TMemoryStream stream(data);
    IO.LoadFromStream(stream);
  }
  TImageParams& P() { return IO.Params(); }
};

// The tags every test file has; the caller adds the data and anything else.
TTiffWriter Base(int w, int h, int samples, int bits, int photometric, int compression, bool big = false) {
  TTiffWriter t(big);
  t.Long(256, {static_cast<uint32_t>(w)});
  t.Short(257, {static_cast<uint32_t>(h)});
  t.Short(258, std::vector<uint32_t>(static_cast<size_t>(samples), static_cast<uint32_t>(bits)));
  t.Short(259, {static_cast<uint32_t>(compression)});
  if (photometric >= 0) t.Short(262, {static_cast<uint32_t>(photometric)});
  t.Short(277, {static_cast<uint32_t>(samples)});
  return t;
}

TBytes Pixels(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  TBytes px(n);
  for (size_t i = 0; i < n; ++i) px[i] = static_cast<uint8_t>(rng() % 4 ? i * 3 : rng());
  return px;
}

TColor Rgb(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }
TColor Grey(int g) { return Rgb(g, g, g); }

}  // namespace

TEST(TiffReader, ByteOrdersCompressionsAndStrips) {
  const int w = 11, h = 10;
  for (bool big : {false, true})
    for (int samples : {1, 3, 4})
      for (int compression : {1, 5, 32773})
        for (bool predictor : {false, true}) {
          if (predictor && compression != 5) continue;
          const TBytes px = Pixels(static_cast<size_t>(w * h * samples), static_cast<unsigned>(samples + compression));
          const int photometric = samples == 1 ? 1 : 2;
          TLoad load;
          load.Load(fixtures::MakeSimpleTiff(w, h, samples, photometric, px, compression, 3, predictor, big));
          const std::string what = std::to_string(samples) + " samples, compression " + std::to_string(compression) +
                                   (big ? " MM" : " II") + (predictor ? " predictor" : "");
          ASSERT_EQ(load.IO.IOFailed(), 0) << what;
          ASSERT_EQ(load.Bitmap.Width(), w);
          for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
              const uint8_t* p = &px[static_cast<size_t>((y * w + x) * samples)];
              ASSERT_EQ(load.Bitmap.Pixel(x, y), samples == 1 ? Grey(p[0]) : Rgb(p[0], p[1], p[2])) << what;
            }
          EXPECT_EQ(load.P().SamplesPerPixel, samples);
          EXPECT_EQ(load.P().BitsPerSample, 8);  // three SHORTs held outside the entry in MM too
          EXPECT_EQ(load.P().TiffCompression, compression == 1 ? 0 : compression == 5 ? 5 : 8);
        }
}

TEST(TiffReader, TilesWithEdgeTilesAndPlanarStrips) {
  // 40 × 30 in 16 × 16 tiles: three tiles across, two down, the right and bottom ones cut.
  // What lies outside the image inside a tile is 0xEE and must not show.
  const int w = 40, h = 30, tw = 16, th = 16;
  const TBytes px = Pixels(static_cast<size_t>(w * h * 3), 7);
  for (int compression : {1, 5}) {
    std::vector<TBytes> tiles;
    for (int ty = 0; ty < h; ty += th)
      for (int tx = 0; tx < w; tx += tw) {
        TBytes tile(static_cast<size_t>(tw * th * 3), 0xEE);
        for (int y = 0; y < th && ty + y < h; ++y)
          for (int x = 0; x < tw && tx + x < w; ++x)
            for (int s = 0; s < 3; ++s)
              tile[static_cast<size_t>((y * tw + x) * 3 + s)] = px[static_cast<size_t>(((ty + y) * w + tx + x) * 3 + s)];
        tiles.push_back(compression == 5 ? fixtures::TiffLzwEncode(tile) : tile);
      }
    TTiffWriter t = Base(w, h, 3, 8, 2, compression);
    t.Short(322, {tw});
    t.Short(323, {th});
    t.Blocks(324, 325, tiles);
    TLoad load;
    load.Load(t.Build());
    ASSERT_EQ(load.IO.IOFailed(), 0);
    ASSERT_EQ(load.Bitmap.Width(), w);
    ASSERT_EQ(load.Bitmap.Height(), h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = &px[static_cast<size_t>((y * w + x) * 3)];
        ASSERT_EQ(load.Bitmap.Pixel(x, y), Rgb(p[0], p[1], p[2])) << x << "," << y;
      }
    // Planar tiles are refused.
    t.Short(284, {2});
    TLoad planar;
    planar.Load(t.Build());
    EXPECT_EQ(planar.IO.IOFailed(), 1);
  }

  // Planar configuration 2: the strip list is three planes of two strips (4 rows and 3 rows).
  const int pw = 5, ph = 7;
  const TBytes rgb = Pixels(static_cast<size_t>(pw * ph * 3), 9);
  std::vector<TBytes> strips;
  for (int s = 0; s < 3; ++s)
    for (int y0 = 0; y0 < ph; y0 += 4) {
      TBytes plane;
      for (int y = y0; y < std::min(ph, y0 + 4); ++y)
        for (int x = 0; x < pw; ++x) plane.push_back(rgb[static_cast<size_t>((y * pw + x) * 3 + s)]);
      strips.push_back(fixtures::PackBitsEncode(plane));
    }
  TTiffWriter t = Base(pw, ph, 3, 8, 2, 32773);
  t.Short(278, {4});
  t.Short(284, {2});
  t.Blocks(273, 279, strips);
  TLoad load;
  load.Load(t.Build());
  ASSERT_EQ(load.IO.IOFailed(), 0);
  EXPECT_EQ(load.P().TiffPlanarConfig, 2);
  for (int y = 0; y < ph; ++y)
    for (int x = 0; x < pw; ++x) {
      const uint8_t* p = &rgb[static_cast<size_t>((y * pw + x) * 3)];
      ASSERT_EQ(load.Bitmap.Pixel(x, y), Rgb(p[0], p[1], p[2]));
    }
}

TEST(TiffReader, PhotometricSampleAndBitCombinations) {
  auto decode = [](TTiffWriter t, const TBytes& data) {
    t.Blocks(273, 279, {data});
    auto load = std::make_unique<TLoad>();
    load->Load(t.Build());
    return load;
  };
  // 8-bit grey both ways; 4-bit grey over 5 pixels (a partial last byte), scaled to 0..255.
  for (int photometric : {0, 1}) {
    auto g8 = decode(Base(3, 1, 1, 8, photometric, 1), {0, 100, 255});
    EXPECT_EQ(g8->Bitmap.Pixel(1, 0), Grey(photometric ? 100 : 155));
    auto g4 = decode(Base(5, 2, 1, 4, photometric, 1), {0x0F, 0x84, 0x20, 0xF0, 0x00, 0x10});
    EXPECT_EQ(g4->Bitmap.Pixel(1, 0), Grey(photometric ? 255 : 0));
    EXPECT_EQ(g4->Bitmap.Pixel(2, 0), Grey(photometric ? 8 * 17 : 255 - 8 * 17));
    EXPECT_EQ(g4->Bitmap.Pixel(4, 0), Grey(photometric ? 2 * 17 : 255 - 2 * 17));
    EXPECT_EQ(g4->Bitmap.Pixel(0, 1), Grey(photometric ? 255 : 0));
    EXPECT_EQ(g4->Bitmap.Pixel(4, 1), Grey(photometric ? 17 : 255 - 17));
    // Bilevel, 9 pixels: the 1-bit bitmap is white where the sample means white.
    auto b1 = decode(Base(9, 1, 1, 1, photometric, 1), {0xA5, 0x80});
    ASSERT_EQ(b1->Bitmap.PixelFormat(), pf1bit);
    EXPECT_EQ(b1->Bitmap.ScanLine(0)[0], photometric ? 0xA5 : 0x5A);
    EXPECT_EQ(b1->Bitmap.ScanLine(0)[1], photometric ? 0x80 : 0x00);  // spare bits cleared
    // 16-bit grey, the high byte.
    auto g16 = decode(Base(2, 1, 1, 16, photometric, 1), {0x34, 0x12, 0xFF, 0xAB});
    EXPECT_EQ(g16->Bitmap.Pixel(0, 0), Grey(photometric ? 0x12 : 0xED));
    EXPECT_EQ(g16->Bitmap.Pixel(1, 0), Grey(photometric ? 0xAB : 0x54));
  }
  // Palettes of 1, 4 and 8 bits: the high bytes of the map's SHORTs.
  for (int bits : {1, 4, 8}) {
    const uint32_t n = 1u << bits;
    std::vector<uint32_t> map(3 * n);
    for (uint32_t i = 0; i < n; ++i) {
      map[i] = (i * 3 % 256) << 8 | 0x7F;
      map[i + n] = (255 - i % 256) << 8;
      map[i + 2 * n] = (i * 7 % 256) << 8;
    }
    TTiffWriter t = Base(3, 1, 1, bits, 3, 1);
    t.Short(320, map);
    const TBytes row = bits == 1 ? TBytes{0x40} : bits == 4 ? TBytes{0x0F, 0x30} : TBytes{0, 15, 3};
    auto pal = decode(t, row);
    ASSERT_EQ(pal->IO.IOFailed(), 0) << bits;
    ASSERT_EQ(pal->Bitmap.PixelFormat(), pf24bit);
    const uint32_t second = bits == 1 ? 1 : 15;
    EXPECT_EQ(pal->Bitmap.Pixel(1, 0), Rgb(static_cast<int>(second * 3 % 256), static_cast<int>(255 - second),
                                           static_cast<int>(second * 7 % 256)));
    EXPECT_EQ(pal->P().PaletteCount(), static_cast<int>(n));
  }
  // CMYK: (255 - c) × (255 - k) / 255 per colour.
  auto cmyk = decode(Base(1, 1, 4, 8, 5, 1), {0, 255, 128, 64});
  EXPECT_EQ(cmyk->Bitmap.Pixel(0, 0), Rgb(191, 0, 127 * 191 / 255));
  // 16-bit RGB in both byte orders: the high byte of each sample.
  for (bool big : {false, true}) {
    auto rgb16 = decode(Base(1, 1, 3, 16, 2, 1, big), {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC});
    EXPECT_EQ(rgb16->Bitmap.Pixel(0, 0), big ? Rgb(0x12, 0x56, 0x9A) : Rgb(0x34, 0x78, 0xBC));
  }
  // One 16-bit RGB sample: 5 bits per colour, little-endian.
  auto rgb555 = decode(Base(1, 1, 1, 16, 2, 1), {0x1F, 0x7C ^ 0x03});
  const unsigned word = 0x1F | ((0x7Cu ^ 0x03u) << 8);
  EXPECT_EQ(rgb555->Bitmap.Pixel(0, 0), Rgb(static_cast<int>((word >> 10) << 3), static_cast<int>(((word >> 5) & 31) * 8),
                                            static_cast<int>((word & 31) * 8)));
  // CIELab: white stays white, black stays (nearly) black, a positive a is reddish, a
  // negative b bluish.
  auto lab = decode(Base(4, 1, 3, 8, 8, 1), {255, 0, 0, 0, 0, 0, 128, 100, 0, 128, 0, 0x9C});
  ASSERT_EQ(lab->IO.IOFailed(), 0);
  EXPECT_EQ(lab->P().TiffPhotometric, 7);
  const TColor white = lab->Bitmap.Pixel(0, 0);
  for (int shift : {0, 8, 16}) EXPECT_GE(static_cast<int>((white >> shift) & 0xFF), 253);
  for (int shift : {0, 8, 16}) EXPECT_LE(static_cast<int>((lab->Bitmap.Pixel(1, 0) >> shift) & 0xFF), 5);
  const TColor red = lab->Bitmap.Pixel(2, 0), blue = lab->Bitmap.Pixel(3, 0);
  EXPECT_GT(red & 0xFF, (red >> 16) & 0xFF);
  EXPECT_GT((blue >> 16) & 0xFF, blue & 0xFF);
  // YCbCr is not shown: the target is sized, not filled, and the flag says so.
  auto ycc = decode(Base(2, 2, 3, 8, 6, 1), TBytes(12, 9));
  EXPECT_EQ(ycc->IO.IOFailed(), 1);
  EXPECT_EQ(ycc->Bitmap.Width(), 2);
  EXPECT_EQ(ycc->Bitmap.Pixel(0, 0), TColor{0});
}

TEST(TiffReader, CcittCodingsAndFillOrders) {
  const TBytes pattern = fixtures::BilevelPattern();
  struct TCase { const TBytes* Data; int Compression; int T4; int FillOrder; };
  const TCase cases[] = {{&kMh, 2, -1, 1}, {&kG3OneD, 3, 0, 1}, {&kG3TwoD, 3, 1, 1}, {&kG4, 4, -1, 1}, {&kG4LsbFirst, 4, -1, 2}};
  for (const TCase& c : cases)
    for (int photometric : {0, 1, -1}) {
      TTiffWriter t = Base(37, 9, 1, 1, photometric, c.Compression);
      if (c.T4 >= 0) t.Long(292, {static_cast<uint32_t>(c.T4)});
      t.Short(266, {static_cast<uint32_t>(c.FillOrder)});
      t.Blocks(273, 279, {*c.Data});
      TLoad load;
      load.Load(t.Build());
      const std::string what = "compression " + std::to_string(c.Compression) + " T4 " + std::to_string(c.T4) +
                               " fill " + std::to_string(c.FillOrder) + " photometric " + std::to_string(photometric);
      ASSERT_EQ(load.IO.IOFailed(), 0) << what;
      ASSERT_EQ(load.Bitmap.PixelFormat(), pf1bit);
      // Without the tag a CCITT image is white-is-zero; black-is-zero turns it over.
      const bool inverted = photometric == 1;
      for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 37; ++x) {
          const bool black = (pattern[static_cast<size_t>(y * 5 + x / 8)] >> (7 - x % 8)) & 1;
          ASSERT_EQ(load.Bitmap.Pixel(x, y), (black != inverted) ? TColor{0} : TColor{0xFFFFFF}) << what << " " << x << "," << y;
        }
      EXPECT_EQ(load.P().TiffPhotometric, photometric == 1 ? 1 : 0);
    }
  // Data that ends early or holds no valid code fails the row.
  for (const TBytes& bad : {TBytes(kG4.begin(), kG4.begin() + 20), TBytes(40, 0x00)}) {
    TTiffWriter t = Base(37, 9, 1, 1, 0, 4);
    t.Blocks(273, 279, {bad});
    TLoad load;
    load.Load(t.Build());
    EXPECT_EQ(load.IO.IOFailed(), 1);
  }
}

TEST(TiffReader, DirectoryChainsTagsAndResolution) {
  auto page = [](TTiffWriter& t, int w, uint8_t value) {
    t.NewDirectory();
    t.Long(256, {static_cast<uint32_t>(w)});
    t.Long(257, {1});
    t.Short(258, {8});
    t.Short(262, {1});
    t.Blocks(273, 279, {TBytes(static_cast<size_t>(w), value)});
  };
  TTiffWriter two(true);
  page(two, 3, 10);
  two.Ascii(269, "doc");
  page(two, 4, 20);
  two.Ascii(270, "second page");
  two.Ascii(285, "p2");
  two.Short(297, {1, 2});
  two.Short(296, {3});
  two.Rational(282, 100, 1);
  two.Rational(283, 150, 0);
  two.Rational(286, 3, 2);
  const TBytes file = two.Build();
  TLoad second;
  second.P().TiffImageIndex = 1;
  second.Load(file);
  ASSERT_EQ(second.IO.IOFailed(), 0);
  EXPECT_EQ(second.Bitmap.Width(), 4);
  EXPECT_EQ(second.Bitmap.Pixel(0, 0), Grey(20));
  const TImageParams& p = second.P();
  EXPECT_EQ(p.TiffImageCount, 2);
  EXPECT_EQ(p.TiffImageDescription, "second page");
  EXPECT_EQ(p.TiffPageName, "p2");
  EXPECT_EQ(p.TiffDocumentName, "");
  EXPECT_EQ(p.TiffPageNumber, 1);
  EXPECT_EQ(p.TiffPageCount, 2);
  EXPECT_EQ(p.DpiX, 254);
  EXPECT_EQ(p.DpiY, 381);  // a denominator of 0 counts as 1
  EXPECT_EQ(p.TiffXPos, 3);  // 1.5 × 2.54, truncated
  TLoad first;
  first.Load(file);
  EXPECT_EQ(first.P().DpiX, 96);
  EXPECT_EQ(first.P().TiffDocumentName, "doc");

  // Chains that loop (to itself, or back to the first) or leave the file end; an index past
  // the last directory decodes nothing and does not fail.
  for (int variant = 0; variant < 3; ++variant) {
    TTiffWriter t;
    page(t, 3, 10);
    page(t, 4, 20);
    t.Build();  // places the directories, so that their offsets are known
    t.LastNextOffset(variant == 0 ? t.DirectoryOffset(1) : variant == 1 ? t.DirectoryOffset(0) : 0x7FFFFFF0);
    TLoad load;
    load.Bitmap.SetSize(9, 9);
    load.P().TiffImageIndex = 5;
    load.Load(t.Build());
    EXPECT_EQ(load.IO.IOFailed(), 0) << variant;
    EXPECT_EQ(load.P().TiffImageCount, 2) << variant;
    EXPECT_EQ(load.Bitmap.Width(), 9);
  }
}

TEST(TiffReader, BadFilesSetTheFlag) {
  auto load = [](const TBytes& file) {
    TLoad l;
    TMemoryStream s(file);
    l.IO.LoadFromStreamFormat(s, ioTIFF);
    return l.IO.IOFailed();
  };
  TBytes wrongOrder = fixtures::MakeSimpleTiff(2, 2, 1, 1, TBytes(4, 1), 1, 2);
  wrongOrder[0] = 'X';
  EXPECT_EQ(load(wrongOrder), 1);
  {
    TTiffWriter u(false);
    u.Long(256, {2});
    u.Long(257, {1});
    u.Short(258, {8, 8, 16});
    u.Short(277, {3});
    u.Blocks(273, 279, {TBytes(6, 0)});
    EXPECT_EQ(load(u.Build()), 1);
  }
  {
    TTiffWriter t = Base(0, 3, 1, 8, 1, 1);
    t.Blocks(273, 279, {TBytes(3, 0)});
    EXPECT_EQ(load(t.Build()), 1);
  }
  {
    // Strip data outside the file, and an LZW strip cut short.
    TBytes lzw = fixtures::MakeSimpleTiff(20, 20, 3, 2, Pixels(1200, 3), 5, 20);
    TTiffWriter t = Base(4, 1, 1, 8, 1, 1);
    t.Long(273, {0x10000});
    t.Long(279, {4});
    EXPECT_EQ(load(t.Build()), 1);
    TTiffWriter c = Base(20, 20, 3, 8, 2, 5);
    const TBytes codes = fixtures::TiffLzwEncode(Pixels(1200, 3));
    c.Blocks(273, 279, {TBytes(codes.begin(), codes.begin() + static_cast<long>(codes.size() / 2))});
    EXPECT_EQ(load(c.Build()), 1);
    EXPECT_EQ(load(lzw), 0);
  }
  {
    // Deflate (compression 8) is not decoded: target sized, not filled, flag set.
    TTiffWriter t = Base(2, 2, 1, 8, 1, 8);
    t.Blocks(273, 279, {TBytes(4, 0x55)});
    TLoad l;
    l.Load(t.Build());
    EXPECT_EQ(l.IO.IOFailed(), 1);
    EXPECT_EQ(l.Bitmap.Width(), 2);
  }
  {
    // LZW without any routine in the slots.
    const TLzwHooks saved = FormatRegistry().LzwHooks();
    TLzwHooks none = saved;
    none.TiffDecode = nullptr;
    FormatRegistry().SetLzwHooks(none);
    const uint8_t failed = load(fixtures::MakeSimpleTiff(2, 2, 1, 1, TBytes(4, 1), 5, 2));
    FormatRegistry().SetLzwHooks(saved);
    EXPECT_EQ(failed, 1);
  }
  {
    // A PackBits byte of 80 hex is skipped without output.
    TTiffWriter t = Base(4, 1, 1, 8, 1, 32773);
    t.Blocks(273, 279, {TBytes{0x80, 0x03, 1, 2, 3, 4}});
    TLoad l;
    l.Load(t.Build());
    EXPECT_EQ(l.IO.IOFailed(), 0);
    EXPECT_EQ(l.Bitmap.Pixel(3, 0), Grey(4));
  }
  {
    // Sizes past the guard are refused before anything is allocated.
    TTiffWriter t = Base(40000, 40000, 3, 8, 2, 1);
    t.Blocks(273, 279, {TBytes(16, 0)});
    TLoad l;
    l.Load(t.Build());
    EXPECT_EQ(l.IO.IOFailed(), 1);
    EXPECT_EQ(l.P().Width, 40000);
  }
}

TEST(TiffLzw, RowsSplitCodesAndTheTableClears) {
  // 20000 bytes of noise fill the table several times (the writer clears at 4094 entries);
  // rows of 7 bytes end in the middle of strings.
  const TBytes data = Pixels(20000, 5);
  const TBytes codes = fixtures::TiffLzwEncode(data);
  intptr_t state = 0;
  TBytes out;
  for (size_t at = 0; at < data.size(); at += 7) {
    const auto want = static_cast<int32_t>(std::min<size_t>(7, data.size() - at));
    const uint8_t* row = TiffLzwDecode(codes.data(), static_cast<int64_t>(codes.size()), want, &state);
    ASSERT_NE(row, nullptr) << at;
    out.insert(out.end(), row, row + want);
  }
  EXPECT_EQ(out, data);
  EXPECT_EQ(TiffLzwDecode(codes.data(), static_cast<int64_t>(codes.size()), 1, &state), nullptr);  // past the end code
  EXPECT_EQ(TiffLzwDecode(nullptr, 0, 0, &state), nullptr);
  EXPECT_EQ(state, 0);
  // A first code that is not a literal.
  const TBytes bad = {0x80, 0x40, 0x80};  // clear, then code 258
  EXPECT_EQ(TiffLzwDecode(bad.data(), 3, 1, &state), nullptr);
  TiffLzwDecode(nullptr, 0, 0, &state);
}

}  // namespace pictova
