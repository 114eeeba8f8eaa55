// The JPEG reader checked against libjpeg's own decode of files that libjpeg wrote.
#include <gtest/gtest.h>

#include "gfx/Bitmap.h"
#include "imageio/FormatRegistry.h"
#include "imageio/ImageFixtures.h"
#include "imageio/ImageIO.h"
#include "rtl/Classes.h"

namespace pictova {

using fixtures::TBytes;
using fixtures::TJpegOptions;

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

// The bitmap must hold the library's RGB decode with red and blue exchanged, byte for byte.
void ExpectSameAsLibrary(const TBitmap& bitmap, const fixtures::TRawImage& raw) {
  ASSERT_TRUE(raw.Ok);
  ASSERT_EQ(raw.Components, 3);
  ASSERT_EQ(bitmap.Width(), raw.Width);
  ASSERT_EQ(bitmap.Height(), raw.Height);
  ASSERT_EQ(bitmap.PixelFormat(), pf24bit);
  int mismatches = 0;
  for (int y = 0; y < raw.Height; ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    const uint8_t* ref = raw.Pixels.data() + static_cast<size_t>(y) * raw.Width * 3;
    for (int x = 0; x < raw.Width; ++x)
      mismatches += row[3 * x] != ref[3 * x + 2] || row[3 * x + 1] != ref[3 * x + 1] ||
                    row[3 * x + 2] != ref[3 * x];
  }
  EXPECT_EQ(mismatches, 0);
}

TBytes Jpeg(TJpegOptions opts) {
  const int components = opts.InputSpace == JCS_GRAYSCALE ? 1 : opts.InputSpace == JCS_CMYK ? 4 : 3;
  return fixtures::MakeJpeg(opts, fixtures::GradientPixels(opts.Width, opts.Height, components));
}

}  // namespace

TEST(JpegReader, ColourSpacesDecodeLikeTheLibraryInBitmapOrder) {
  struct TCase {
    J_COLOR_SPACE In, File;
    uint8_t Code;
  } cases[] = {{JCS_RGB, JCS_YCbCr, 2}, {JCS_GRAYSCALE, JCS_GRAYSCALE, 1}, {JCS_RGB, JCS_RGB, 0}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Code);
    TJpegOptions opts;
    opts.Width = 37;  // not a multiple of the 8 or 16 pixel blocks
    opts.Height = 21;
    opts.InputSpace = c.In;
    opts.FileSpace = c.File;
    const TBytes file = Jpeg(opts);
    TLoad load;
    load.IO.Params().JpegColorSpace = 99;
    std::vector<int> reports;
    load.IO.OnProgress = [&](TImageIO*, int per) { reports.push_back(per); };
    load.Load(file);
    ASSERT_EQ(reports.size(), 21u);  // once per scanline
    EXPECT_EQ(reports[0], 100 / 21);
    EXPECT_EQ(reports.back(), 100);
    EXPECT_EQ(load.IO.IOFailed(), 0);
    EXPECT_EQ(load.IO.Params().ImageFormat, ioJPEG);
    EXPECT_EQ(load.IO.Params().JpegColorSpace, c.Code);
    EXPECT_EQ(load.IO.Params().BitsPerSample, 8);
    EXPECT_EQ(load.IO.Params().SamplesPerPixel, 3);  // grey included
    ExpectSameAsLibrary(load.Bitmap, fixtures::BareJpegDecode(file, JCS_RGB));
    if (c.Code == 1) {
      const uint8_t* p = load.Bitmap.ScanLine(10) + 3 * 20;
      EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
    }
  }
}

TEST(JpegReader, CmykAndYcckFollowTheKeyFormula) {
  for (J_COLOR_SPACE fileSpace : {JCS_CMYK, JCS_YCCK}) {
    TJpegOptions opts;
    opts.Width = 24;
    opts.Height = 8;
    opts.InputSpace = JCS_CMYK;
    opts.FileSpace = fileSpace;
    opts.Quality = 100;
    // Three flat 8 x 8 blocks: key 255, key 0 and key 128 under the same inks.
    TBytes pixels;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 24; ++x) {
        const uint8_t key = x < 8 ? 255 : x < 16 ? 0 : 128;
        pixels.insert(pixels.end(), {200, 120, 40, key});
      }
    const TBytes file = fixtures::MakeJpeg(opts, pixels);
    TLoad load;
    load.Load(file);
    ASSERT_EQ(load.IO.IOFailed(), 0);
    EXPECT_EQ(load.IO.Params().JpegColorSpace, fileSpace == JCS_CMYK ? 3 : 4);

    // Independent computation from the library's own CMYK samples.
    const fixtures::TRawImage raw = fixtures::BareJpegDecode(file, JCS_CMYK);
    ASSERT_TRUE(raw.Ok);
    int mismatches = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 24; ++x) {
        const uint8_t* k = raw.Pixels.data() + (y * 24 + x) * 4;
        const TColor expected = RGB(k[0] * k[3] / 255, k[1] * k[3] / 255, k[2] * k[3] / 255);
        mismatches += load.Bitmap.Pixel(x, y) != expected;
      }
    EXPECT_EQ(mismatches, 0);
    // Key 255 leaves the ink bytes as red, green, blue; key 0 is black.
    const TColor full = load.Bitmap.Pixel(3, 3);
    EXPECT_NEAR(GetRValue(full), 200, 2);
    EXPECT_NEAR(GetGValue(full), 120, 2);
    EXPECT_NEAR(GetBValue(full), 40, 2);
    EXPECT_EQ(load.Bitmap.Pixel(11, 3), clBlack);
  }
}

TEST(JpegReader, ResolutionFollowsTheJfifUnit) {
  struct TCase {
    bool Jfif;
    int Unit, X, Y, DpiX, DpiY;
  } cases[] = {{true, 2, 100, 100, 254, 254},
               {true, 1, 72, 72, 72, 72},
               {true, 0, 3, 2, 3, 2},
               {true, 2, 39, 118, 99, 299},
               {false, 1, 300, 300, 1, 1}};
  for (const TCase& c : cases) {
    TJpegOptions opts;
    opts.Jfif = c.Jfif;
    opts.DensityUnit = c.Unit;
    opts.XDensity = c.X;
    opts.YDensity = c.Y;
    TLoad load;
    load.Load(Jpeg(opts));
    EXPECT_EQ(load.IO.Params().DpiX, c.DpiX) << c.Unit << " " << c.X;
    EXPECT_EQ(load.IO.Params().DpiY, c.DpiY) << c.Unit << " " << c.Y;
  }
}

TEST(JpegReader, ScalesDctMethodsAndProgressiveFiles) {
  TJpegOptions opts;
  opts.Width = 1024;
  opts.Height = 768;
  opts.Quality = 75;
  const TBytes big = Jpeg(opts);
  TLoad quarter;
  quarter.IO.Params().JpegScale = 3;
  quarter.Load(big);
  EXPECT_EQ(quarter.Bitmap.Width(), 256);
  EXPECT_EQ(quarter.Bitmap.Height(), 192);
  EXPECT_EQ(quarter.IO.Params().Width, 256);
  EXPECT_EQ(quarter.IO.Params().Height, 192);
  ExpectSameAsLibrary(quarter.Bitmap, fixtures::BareJpegDecode(big, JCS_RGB, JDCT_ISLOW, 4));

  // Automatic scale: the reduction whose pixel count is nearest to the record's size.
  opts.Width = 1280;
  opts.Height = 960;
  const TBytes photo = Jpeg(opts);
  TLoad automatic;
  automatic.IO.Params().JpegScale = 0;
  automatic.IO.Params().Width = 300;
  automatic.IO.Params().Height = 200;
  automatic.Load(photo);
  EXPECT_EQ(automatic.Bitmap.Width(), 320);
  EXPECT_EQ(automatic.Bitmap.Height(), 240);
  automatic.IO.Params().Width = 0;  // no target size: full size
  automatic.Load(photo);
  EXPECT_EQ(automatic.Bitmap.Width(), 1280);
  automatic.IO.Params().Width = 2000;  // beyond the image: still full size
  automatic.IO.Params().Height = 2000;
  automatic.Load(photo);
  EXPECT_EQ(automatic.Bitmap.Width(), 1280);
  TLoad other;
  other.IO.Params().JpegScale = 9;  // unknown values leave the library's full size
  other.Load(photo);
  EXPECT_EQ(other.Bitmap.Width(), 1280);

  opts.Width = 61;
  opts.Height = 47;
  const TBytes small = Jpeg(opts);
  for (auto [code, method] : {std::pair{1, JDCT_IFAST}, std::pair{2, JDCT_FLOAT}}) {
    TLoad load;
    load.IO.Params().JpegDctMethod = static_cast<uint8_t>(code);
    load.Load(small);
    ExpectSameAsLibrary(load.Bitmap, fixtures::BareJpegDecode(small, JCS_RGB, method));
  }

  opts.Progressive = true;
  const TBytes progressive = Jpeg(opts);
  TLoad load;
  load.Load(progressive);
  EXPECT_EQ(load.IO.IOFailed(), 0);
  EXPECT_TRUE(load.IO.Params().JpegProgressive);
  ExpectSameAsLibrary(load.Bitmap, fixtures::BareJpegDecode(progressive, JCS_RGB));
  load.Load(small);
  EXPECT_FALSE(load.IO.Params().JpegProgressive);
}

TEST(JpegReader, KeepsMarkersAfterTheJfifSegmentAndReadsIptc) {
  // IPTC inside a Photoshop resource block: an ordinary record, one in the extended-length
  // form (16-bit length 8004 hex followed by a 4-byte length) and a truncated last record.
  TBytes app13 = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0};
  app13.insert(app13.end(), {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 40});
  app13.insert(app13.end(), {0x1C, 2, 120, 0, 5, 'H', 'e', 'l', 'l', 'o'});
  app13.insert(app13.end(), {0x1C, 2, 25, 0x80, 0x04, 0, 0, 0, 3, 'a', 'b', 'c'});
  app13.insert(app13.end(), {0x1C, 2, 5, 0, 50, 'x'});
  TJpegOptions opts;
  opts.Markers = {{JPEG_COM, {'h', 'i'}},
                  {JPEG_APP0 + 1, {'E', 'x', 'i', 'f', 0, 0}},
                  {JPEG_APP0 + 13, app13},
                  {JPEG_APP0, {'J', 'F', 'X', 'X', 0, 0x10}},
                  {JPEG_APP0 + 13, {0x1C, 9, 9, 0, 1, 'z'}}};
  TLoad load;
  load.Load(Jpeg(opts));
  ASSERT_EQ(load.IO.IOFailed(), 0);
  const TJpegMarkerList& markers = load.IO.Params().JpegMarkers;
  ASSERT_EQ(markers.Count(), 5);  // the leading JFIF APP0 is not among them
  EXPECT_EQ(markers.MarkerCode(0), 0xFE);
  EXPECT_EQ(markers.MarkerCode(1), 0xE1);
  EXPECT_EQ(markers.MarkerCode(2), 0xED);
  EXPECT_EQ(markers.MarkerCode(3), 0xE0);  // a second APP0 is kept
  EXPECT_EQ(markers.MarkerData(0).Data(), (TBytes{'h', 'i'}));
  EXPECT_EQ(markers.MarkerData(2).Data(), app13);

  const TIptcList& iptc = load.IO.Params().IptcInfo;  // only the first APP13 is parsed
  ASSERT_EQ(iptc.Count(), 2);
  EXPECT_EQ(iptc[0], (TIptcRecord{2, 120, {'H', 'e', 'l', 'l', 'o'}}));
  EXPECT_EQ(iptc[1], (TIptcRecord{2, 25, {'a', 'b', 'c'}}));
  EXPECT_FALSE(iptc.UserChanged());

  // Without a JFIF segment only a leading APP0 is dropped: an APP0 in second place stays.
  opts.Jfif = false;
  opts.Markers = {{JPEG_APP0 + 1, {'X'}}, {JPEG_APP0, {'Y'}}};
  load.Load(Jpeg(opts));
  EXPECT_EQ(load.IO.IOFailed(), 0);
  ASSERT_EQ(load.IO.Params().JpegMarkers.Count(), 2);
  EXPECT_EQ(load.IO.Params().JpegMarkers.MarkerCode(1), 0xE0);
  EXPECT_EQ(load.IO.Params().IptcInfo.Count(), 0);  // emptied by the new load
}

TEST(JpegReader, BadDataSetsTheFlagWithoutRaising) {
  TJpegOptions opts;
  opts.Width = 64;
  opts.Height = 64;
  const TBytes good = Jpeg(opts);
  for (size_t cut : {size_t{3}, size_t{10}, size_t{200}, good.size() / 2, good.size() - 2}) {
    SCOPED_TRACE(cut);
    TLoad load;
    load.Load(TBytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)));
    EXPECT_EQ(load.IO.IOFailed(), 1);
    EXPECT_EQ(load.IO.Params().ImageFormat, ioJPEG);
  }
  // Truncated in the middle of the picture: the rows the library could decode are there.
  {
    TLoad load;
    load.Load(
        TBytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() * 3 / 4)));
    EXPECT_EQ(load.Bitmap.Width(), 64);
    const fixtures::TRawImage raw = fixtures::BareJpegDecode(good, JCS_RGB);
    EXPECT_EQ(load.Bitmap.Pixel(5, 2),
              RGB(raw.Pixels[3 * (2 * 64 + 5)], raw.Pixels[3 * (2 * 64 + 5) + 1],
                  raw.Pixels[3 * (2 * 64 + 5) + 2]));
  }
  // Not a JPEG start: refused before the library sees it, the bitmap untouched.
  {
    TLoad load;
    load.Bitmap.SetSize(3, 3);
    TMemoryStream stream(TBytes{0xFF, 0xD8, 0x00, 0x01});
    load.IO.LoadFromStreamFormat(stream, ioJPEG);
    EXPECT_EQ(load.IO.IOFailed(), 1);
    EXPECT_EQ(load.Bitmap.Width(), 3);
  }
  // Corrupted header fields: a zero width, an absurd size, a broken Huffman table.
  size_t sof = 0;
  for (size_t i = 2; i + 1 < good.size(); ++i)
    if (good[i] == 0xFF && good[i + 1] == 0xC0) {
      sof = i;
      break;
    }
  ASSERT_GT(sof, 0u);
  auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    TBytes copy = good;
    std::copy(bytes.begin(), bytes.end(), copy.begin() + static_cast<std::ptrdiff_t>(at));
    return copy;
  };
  const TBytes zeroWidth = patched(sof + 7, {0, 0});
  const TBytes huge = patched(sof + 5, {0xFD, 0xE8, 0xFD, 0xE8});     // 65000 x 65000
  const TBytes tooMany = patched(sof + 5, {0x27, 0x10, 0x27, 0x10});  // 10000 x 10000
  for (const TBytes* bad : {&zeroWidth, &huge, &tooMany}) {
    TLoad load;
    load.Bitmap.SetSize(2, 2);
    load.Load(*bad);
    EXPECT_EQ(load.IO.IOFailed(), 1);
    EXPECT_EQ(load.Bitmap.Width(), 2);  // refused before the bitmap was touched
  }
  TBytes garbage = good;
  for (size_t i = 20; i < 200; ++i) garbage[i] = static_cast<uint8_t>(i * 37);
  TLoad load;
  load.Load(garbage);
  EXPECT_EQ(load.IO.IOFailed(), 1);
}

TEST(JpegReader, ParametersOnlyLeavesTheBitmapAlone) {
  TJpegOptions opts;
  opts.Width = 640;
  opts.Height = 480;
  opts.Progressive = true;
  const TBytes file = Jpeg(opts);
  TBitmap bitmap(5, 5);
  bitmap.SetPixel(1, 1, clRed);
  TImageIO io;
  io.SetBitmap(&bitmap);
  io.Params().JpegScale = 2;
  TMemoryStream stream(file);
  io.ReadParamsFromStream(stream);
  EXPECT_EQ(io.IOFailed(), 0);
  EXPECT_EQ(io.Params().ImageFormat, ioJPEG);
  EXPECT_EQ(io.Params().Width, 320);
  EXPECT_EQ(io.Params().Height, 240);
  EXPECT_TRUE(io.Params().JpegProgressive);
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.Pixel(1, 1), clRed);
}

}  // namespace pictova
