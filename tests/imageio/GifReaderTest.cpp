// The GIF reader and our GIF LZW decoder, on files that the tests' own writer assembles.
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
using fixtures::TGifFile;
using fixtures::TGifFrame;
using fixtures::TRgb;

namespace {

struct TLoad {
  TBitmap Bitmap;
  TImageIO IO;
  std::vector<int> Progress;
  TLoad() {
    IO.SetBitmap(&Bitmap);
    IO.OnProgress = [this](TImageIO*, int per) { Progress.push_back(per); };
  }
  void Load(const TBytes& data) {
    TMemoryStream stream(data);
    IO.LoadFromStream(stream);
  }
  TImageParams& P() { return IO.Params(); }
};

std::vector<TRgb> Ramp(int n) {
  std::vector<TRgb> t;
  for (int i = 0; i < n; ++i)
    t.push_back({static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3 + 1)});
  return t;
}

TColor ColorOf(const TRgb& c) { return static_cast<TColor>(c[0] | (c[1] << 8) | (c[2] << 16)); }

TBytes Noise(int w, int h, int colours, unsigned seed) {
  std::mt19937 rng(seed);
  TBytes px(static_cast<size_t>(w * h));
  for (size_t i = 0; i < px.size(); ++i)
    px[i] = static_cast<uint8_t>((rng() % 3 ? i / 5 : rng()) % static_cast<unsigned>(colours));
  return px;
}

TGifFrame Frame(int w, int h, TBytes indices) {
  TGifFrame f;
  f.Width = static_cast<uint16_t>(w);
  f.Height = static_cast<uint16_t>(h);
  f.Indices = std::move(indices);
  return f;
}

TGifFile File(int w, int h, std::vector<TRgb> global) {
  TGifFile f;
  f.ScreenWidth = static_cast<uint16_t>(w);
  f.ScreenHeight = static_cast<uint16_t>(h);
  f.GlobalTable = std::move(global);
  return f;
}

void ExpectPixels(const TBitmap& b, const TBytes& px, const std::vector<TRgb>& table, int w, int h) {
  ASSERT_EQ(b.Width(), w);
  ASSERT_EQ(b.Height(), h);
  ASSERT_EQ(b.PixelFormat(), pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(b.Pixel(x, y), ColorOf(table[px[static_cast<size_t>(y * w + x)]])) << x << "," << y;
}

}  // namespace

TEST(GifReader, GlobalTableControlExtensionAndParameters) {
  const std::vector<TRgb> table = Ramp(16);
  TGifFile f = File(30, 20, table);
  f.BackgroundIndex = 5;
  f.Aspect = 49;
  TGifFrame fr = Frame(13, 7, Noise(13, 7, 16, 1));
  fr.Left = 4;
  fr.Top = 9;
  fr.Control = fixtures::TGifControl{0x05, 250, 3};
  f.Frames.push_back(fr);
  TLoad load;
  load.Load(fixtures::MakeGif(f));
  ASSERT_EQ(load.IO.IOFailed(), 0);
  ExpectPixels(load.Bitmap, fr.Indices, table, 13, 7);
  const TImageParams& p = load.P();
  EXPECT_EQ(p.ImageFormat, ioGIF);
  EXPECT_EQ(p.GifVersion, "GIF89a");
  EXPECT_EQ(p.GifScreenWidth, 30);
  EXPECT_EQ(p.GifScreenHeight, 20);
  EXPECT_EQ(p.GifAspect, 49);
  EXPECT_EQ(p.GifLeft, 4);
  EXPECT_EQ(p.GifTop, 9);
  EXPECT_EQ(p.Width, 13);
  EXPECT_EQ(p.Height, 7);
  EXPECT_EQ(p.GifDelay, 250);
  EXPECT_TRUE(p.GifTransparent);
  EXPECT_EQ(p.GifTransparentColor, (TRGBTriple{table[3][2], table[3][1], table[3][0]}));
  EXPECT_EQ(p.GifBackground, (TRGBTriple{table[5][2], table[5][1], table[5][0]}));
  EXPECT_EQ(p.BitsPerSample, 4);
  EXPECT_EQ(p.SamplesPerPixel, 1);
  EXPECT_EQ(p.PaletteCount(), 16);
  EXPECT_EQ(p.GifImageCount, 1);
  EXPECT_EQ(p.DpiX, 96);
  EXPECT_EQ(load.Progress, (std::vector<int>{0, 30, 70, 100}));
  // The component takes the transparent colour as its background.
  EXPECT_EQ(load.IO.Background(), ColorOf(table[3]));
}

TEST(GifReader, WithoutControlExtensionAndWithLocalTables) {
  // No extension: delay 0, not transparent, the transparent colour is entry 0 of the table in
  // use, which is the local one when the image has it.
  const std::vector<TRgb> global = Ramp(4);
  std::vector<TRgb> local = Ramp(8);
  for (TRgb& c : local) c = {c[2], c[0], c[1]};
  TGifFile f = File(6, 5, global);
  TGifFrame fr = Frame(6, 5, Noise(6, 5, 8, 2));
  fr.LocalTable = local;
  f.Frames.push_back(fr);
  TLoad load;
  load.P().GifDelay = 77;
  load.Load(fixtures::MakeGif(f));
  ASSERT_EQ(load.IO.IOFailed(), 0);
  ExpectPixels(load.Bitmap, fr.Indices, local, 6, 5);
  EXPECT_EQ(load.P().GifDelay, 0);
  EXPECT_FALSE(load.P().GifTransparent);
  EXPECT_EQ(load.P().GifTransparentColor, (TRGBTriple{local[0][2], local[0][1], local[0][0]}));
  EXPECT_EQ(load.P().BitsPerSample, 3);
  EXPECT_EQ(load.P().PaletteCount(), 8);
  EXPECT_EQ(load.IO.Background(), ColorOf(global[0]));

  // Neither table: the indices still show, as a grey ramp over the code range.
  TGifFile bare = File(4, 1, {});
  bare.Frames.push_back(Frame(4, 1, {0, 1, 2, 3}));
  TLoad bareLoad;
  bareLoad.Load(fixtures::MakeGif(bare));
  ASSERT_EQ(bareLoad.IO.IOFailed(), 0);
  EXPECT_EQ(bareLoad.Bitmap.Pixel(0, 0), TColor{0});
  EXPECT_EQ(bareLoad.Bitmap.Pixel(1, 0), TColor{0xFFFFFF});
}

TEST(GifReader, InterlacedRowsComeOutInDisplayOrder) {
  // 19 rows: every pass has rows, the last pass ends on an odd row.
  for (int h : {1, 2, 5, 19}) {
    const std::vector<TRgb> table = Ramp(32);
    TGifFile f = File(7, h, table);
    TBytes px(static_cast<size_t>(7 * h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < 7; ++x) px[static_cast<size_t>(y * 7 + x)] = static_cast<uint8_t>((y + x) % 32);
    TGifFrame fr = Frame(7, h, px);
    fr.Interlaced = true;
    f.Frames.push_back(fr);
    TLoad load;
    load.Load(fixtures::MakeGif(f));
    ASSERT_EQ(load.IO.IOFailed(), 0) << h;
    EXPECT_TRUE(load.P().GifInterlaced);
    ExpectPixels(load.Bitmap, px, table, 7, h);
  }
}

TEST(GifReader, ImageIndexChoosesAnImageAndItsExtension) {
  const std::vector<TRgb> table = Ramp(4);
  TGifFile f = File(8, 8, table);
  for (int i = 0; i < 3; ++i) {
    TGifFrame fr = Frame(2 + i, 3, Noise(2 + i, 3, 4, static_cast<unsigned>(10 + i)));
    fr.Control = fixtures::TGifControl{0, static_cast<uint16_t>(10 * (i + 1)), 0};
    f.Frames.push_back(fr);
  }
  const TBytes file = fixtures::MakeGif(f);
  TLoad load;
  load.P().GifImageIndex = 1;
  load.Load(file);
  ASSERT_EQ(load.IO.IOFailed(), 0);
  ExpectPixels(load.Bitmap, f.Frames[1].Indices, table, 3, 3);
  EXPECT_EQ(load.P().GifDelay, 20);
  EXPECT_EQ(load.P().GifImageCount, 3);

  // Beyond the last image: nothing is decoded, nothing fails, the count is given.
  TLoad beyond;
  beyond.Bitmap.SetSize(5, 5);
  beyond.P().GifImageIndex = 3;
  beyond.Load(file);
  EXPECT_EQ(beyond.IO.IOFailed(), 0);
  EXPECT_EQ(beyond.P().GifImageCount, 3);
  EXPECT_EQ(beyond.Bitmap.Width(), 5);
  EXPECT_EQ(beyond.P().GifDelay, 0);
}

TEST(GifReader, TwoColourPalettesAndNinePixelRows) {
  TBytes px(9 * 3);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>((i * 5 / 3) % 2);
  px[8] = 1;  // the ninth pixel of the first row
  {
    TGifFile f = File(9, 3, {{0, 0, 0}, {255, 255, 255}});
    f.Frames.push_back(Frame(9, 3, px));
    TLoad load;
    load.Load(fixtures::MakeGif(f));
    ASSERT_EQ(load.IO.IOFailed(), 0);
    ASSERT_EQ(load.Bitmap.PixelFormat(), pf1bit);
    for (int y = 0; y < 3; ++y) {
      uint8_t want[2] = {0, 0};
      for (int x = 0; x < 9; ++x)
        if (px[static_cast<size_t>(y * 9 + x)]) want[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      EXPECT_EQ(load.Bitmap.ScanLine(y)[0], want[0]) << y;
      EXPECT_EQ(load.Bitmap.ScanLine(y)[1], want[1]) << y;  // the spare bits stay 0
    }
    EXPECT_EQ(load.Bitmap.Pixel(8, 0), TColor{0xFFFFFF});
  }
  {
    const std::vector<TRgb> table = {{255, 255, 255}, {0, 0, 0}};
    TGifFile f = File(9, 3, table);
    f.Frames.push_back(Frame(9, 3, px));
    TLoad load;
    load.Load(fixtures::MakeGif(f));
    ASSERT_EQ(load.IO.IOFailed(), 0);
    ExpectPixels(load.Bitmap, px, table, 9, 3);
  }
}

TEST(GifReader, BadAndTruncatedFiles) {
  const std::vector<TRgb> table = Ramp(16);
  TGifFile f = File(40, 30, table);
  f.Frames.push_back(Frame(40, 30, Noise(40, 30, 16, 3)));
  const TBytes good = fixtures::MakeGif(f);

  // Cut inside the image data: the picture is incomplete, the flag says so and the bitmap
  // keeps what it had.
  TLoad cut;
  cut.Bitmap.SetSize(2, 2);
  cut.Load(TBytes(good.begin(), good.end() - 40));
  EXPECT_EQ(cut.IO.IOFailed(), 1);
  EXPECT_EQ(cut.Bitmap.Width(), 2);
  EXPECT_EQ(cut.P().GifScreenWidth, 40);

  // Without the trailer the walk ends at the end of the file as if it had met one.
  TLoad noTrailer;
  noTrailer.Load(TBytes(good.begin(), good.end() - 1));
  EXPECT_EQ(noTrailer.IO.IOFailed(), 0);
  EXPECT_EQ(noTrailer.P().GifImageCount, 1);

  // A header and nothing after it; not a GIF at all (read through the format code).
  TLoad headerOnly;
  headerOnly.Load(TBytes(good.begin(), good.begin() + 13 + 48));
  EXPECT_EQ(headerOnly.IO.IOFailed(), 1);
  TLoad notGif;
  TMemoryStream other(TBytes{'G', 'I', 'X', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0});
  notGif.IO.LoadFromStreamFormat(other, ioGIF);
  EXPECT_EQ(notGif.IO.IOFailed(), 1);

  // A code that is not in the table yet, and a code size past 8.
  for (const TBytes& raw : {TBytes{2, 2, 0x34, 0x12, 0}, TBytes{9, 1, 0, 0}}) {
    TGifFile bad = File(4, 4, Ramp(4));
    TGifFrame fr = Frame(4, 4, {});
    fr.RawData = raw;
    bad.Frames.push_back(fr);
    TLoad load;
    load.Load(fixtures::MakeGif(bad));
    EXPECT_EQ(load.IO.IOFailed(), 1);
  }

  // An image of zero width (the bitmap is left empty, nothing is written into it).
  TGifFile zero = File(4, 4, {{0, 0, 0}, {255, 255, 255}});
  zero.Frames.push_back(Frame(0, 3, {}));
  TLoad zeroLoad;
  zeroLoad.Load(fixtures::MakeGif(zero));
  EXPECT_EQ(zeroLoad.IO.IOFailed(), 0);
  EXPECT_TRUE(zeroLoad.Bitmap.Empty());

  // A descriptor of 65535 × 65535 is refused by the size guard before anything is allocated.
  TGifFile huge = File(1, 1, Ramp(2));
  TGifFrame fr = Frame(65535, 65535, {});
  fr.RawData = TBytes{2, 0};
  huge.Frames.push_back(fr);
  TLoad hugeLoad;
  hugeLoad.Load(fixtures::MakeGif(huge));
  EXPECT_EQ(hugeLoad.IO.IOFailed(), 1);
  EXPECT_EQ(hugeLoad.P().Width, 65535);
}

TEST(GifLzw, CodeWidthsTableFullAndDeferredClear) {
  // Noise of 256 colours fills the 4096-entry table several times; with a deferred clear the
  // writer goes on at 12 bits without new entries. Small code sizes cross every width step.
  struct TCase { int W, H, Colours, CodeSize; bool Defer, ClearFirst, End; };
  const TCase cases[] = {{300, 200, 256, 8, false, true, true}, {300, 200, 256, 8, true, true, true},
                         {120, 90, 4, 2, false, true, true},    {120, 90, 4, 2, true, false, false},
                         {64, 64, 2, 1, false, true, true},     {5, 1, 2, 2, false, false, true}};
  for (const TCase& c : cases) {
    const TBytes px = Noise(c.W, c.H, c.Colours, static_cast<unsigned>(c.W + c.Colours));
    TGifFile f = File(c.W, c.H, Ramp(c.Colours < 2 ? 2 : c.Colours));
    TGifFrame fr = Frame(c.W, c.H, px);
    fr.MinCodeSize = c.CodeSize;
    fr.Lzw = fixtures::TLzwOptions{c.Defer, c.ClearFirst, c.End};
    f.Frames.push_back(fr);
    const TBytes file = fixtures::MakeGif(f);
    TMemoryStream stream(file);
    // The image data starts after the header, the table and the descriptor.
    const int64_t start = 13 + static_cast<int64_t>(f.GlobalTable.size()) * 3 + 10;
    stream.SetPosition(start);
    TBytes out(px.size(), 0xEE);
    GifLzwDecode(stream, c.H, c.W, out.data(), false);
    EXPECT_EQ(stream.Position(), static_cast<int64_t>(file.size()) - 1) << c.W << "x" << c.H;
    EXPECT_EQ(out, px) << c.W << "x" << c.H << " defer " << c.Defer;
  }
}

TEST(GifLzw, HooksAreOursAndReplaceable) {
  const TLzwHooks saved = FormatRegistry().LzwHooks();
  EXPECT_EQ(saved.GifDecode, &GifLzwDecode);
  EXPECT_EQ(saved.TiffDecode, &TiffLzwDecode);

  TGifFile f = File(3, 2, Ramp(4));
  f.Frames.push_back(Frame(3, 2, {0, 1, 2, 3, 2, 1}));
  const TBytes file = fixtures::MakeGif(f);

  // A record's own routine wins over the process-wide one.
  static int calls = 0;
  calls = 0;
  TLoad own;
  own.P().GifDecodeHook = [](TStream& s, int32_t h, int32_t w, uint8_t* out, bool interlaced) {
    ++calls;
    GifLzwDecode(s, h, w, out, interlaced);
  };
  own.Load(file);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(own.IO.IOFailed(), 0);

  // With both slots empty the parameters are read and the picture fails, bitmap untouched.
  TLzwHooks none = saved;
  none.GifDecode = nullptr;
  FormatRegistry().SetLzwHooks(none);
  TLoad empty;
  empty.Bitmap.SetSize(1, 1);
  empty.Load(file);
  FormatRegistry().SetLzwHooks(saved);
  EXPECT_EQ(empty.IO.IOFailed(), 1);
  EXPECT_EQ(empty.P().Width, 3);
  EXPECT_EQ(empty.Bitmap.Width(), 1);
}

}  // namespace pictova
