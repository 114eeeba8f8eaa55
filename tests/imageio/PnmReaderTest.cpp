// The PNM reader on P1 to P6 files written here, with comments, odd maximum values and
// two-byte samples.
#include <gtest/gtest.h>

#include <string>

#include "imageio/FormatRegistry.h"
#include "imageio/RasterFixtures.h"
#include "imageio/ReaderHarness.h"

namespace pictova {

using namespace fixtures;

namespace {

TBytes Bytes(const std::string& text, const TBytes& raw = {}) {
  TBytes out(text.begin(), text.end());
  out.insert(out.end(), raw.begin(), raw.end());
  return out;
}

const TColor kW = RGB(255, 255, 255);
const TColor kK = RGB(0, 0, 0);

}  // namespace

TEST(PnmReader, AllSixFormsWithComments) {
  // P1 and P4 have 1 for black; P1 counts every 0 and 1 character, blanks or not.
  const std::vector<TColor> bits = {kK, kW, kK, kW, kK, kK};
  const TBytes rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 10, 20, 30};
  const struct {
    std::string Text;
    TBytes Raw;
    std::vector<TColor> Expected;
    int Bits, Samples;
  } cases[] = {
      {"P1\n# bitmap\n3 2\n101\n011", {}, bits, 1, 1},
      {"P4 3\n2\n", {0xA0, 0x60}, bits, 1, 1},
      {"P2\n3 2 # the size\n100\n100 0 50 100 100 20", {},
       {kW, kK, RGB(127, 127, 127), kW, kW, RGB(51, 51, 51)}, 8, 1},
      {"P5 3 2 255\n", {255, 0, 127, 255, 255, 51}, {kW, kK, RGB(127, 127, 127), kW, kW, RGB(51, 51, 51)}, 8, 1},
      {"P3 3 2 255 255 0 0  0 255 0  0 0 255\n255 255 255 0 0 0 10 20 30", {}, kPicture, 8, 3},
      {"P6\n#one\n#  two  \n3 2\n255\n", rgb, kPicture, 8, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    TDecode d;
    d.Load(Bytes(c.Text, c.Raw));
    ASSERT_TRUE(d.Ok());
    EXPECT_EQ(d.Params().ImageFormat, ioPXM);
    EXPECT_EQ(d.Bitmap.PixelFormat(), c.Bits == 1 ? pf1bit : pf24bit);
    EXPECT_EQ(d.Pixels(), c.Expected);
    EXPECT_EQ(d.Params().BitsPerSample, c.Bits);
    EXPECT_EQ(d.Params().SamplesPerPixel, c.Samples);
    EXPECT_EQ(d.Params().Width, 3);
  }
  TDecode d;
  d.Load(Bytes(cases[5].Text, rgb));
  ASSERT_EQ(d.Params().PnmComments.Count(), 2);
  EXPECT_EQ(d.Params().PnmComments[0], "one");
  EXPECT_EQ(d.Params().PnmComments[1], "two");
  EXPECT_EQ(d.Progress, (std::vector<int>{50, 100}));
}

TEST(PnmReader, MaximumValuesAndTwoByteSamples) {
  // P5 scales samples below a maximum of 255: 15 → 255, 7 → 119. P6 at 8 bits keeps its bytes.
  TDecode grey, colour;
  grey.Load(Bytes("P5 2 1 15\n", {15, 7}));
  colour.Load(Bytes("P6 1 1 15\n", {15, 7, 1}));
  EXPECT_EQ(grey.Pixels(), (std::vector<TColor>{kW, RGB(119, 119, 119)}));
  EXPECT_EQ(colour.Pixels(), (std::vector<TColor>{RGB(15, 7, 1)}));
  // Two-byte samples, big-endian, scaled by the maximum; values above it are white.
  TDecode wide, wideGrey;
  wide.Load(Bytes("P6 2 1 65535\n", {0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0xFF, 0xFF, 0xFF}));
  wideGrey.Load(Bytes("P5 2 1 1000\n", {0x01, 0xF4, 0x07, 0xD0}));
  ASSERT_TRUE(wide.Ok() && wideGrey.Ok());
  EXPECT_EQ(wide.Pixels(), (std::vector<TColor>{RGB(255, 127, 0), RGB(1, 0, 255)}));
  EXPECT_EQ(wideGrey.Pixels(), (std::vector<TColor>{RGB(127, 127, 127), kW}));
  // A comment inside P2 data is one pixel of value 0.
  TDecode p2;
  p2.Load(Bytes("P2 3 1 10\n10 #note\n 10"));
  EXPECT_EQ(p2.Pixels(), (std::vector<TColor>{kW, kK, kW}));
}

TEST(PnmReader, DamagedFilesFailOrStopSafely) {
  for (const char* text : {"P6 0 0 255\n", "P5 4\n", "P2 2 2 0\n1 1 1 1", "P7 2 2 255\n", "P6 70000 2 255\n",
                           "P6 2 2 70000\n"}) {
    SCOPED_TRACE(text);
    TDecode d;
    d.Bitmap.SetSize(1, 1);
    d.Load(Bytes(text), ioPXM);
    EXPECT_FALSE(d.Ok());
    EXPECT_EQ(d.Bitmap.Width(), 1);
  }
  // A width of 0 counts as missing: the next number is the width.
  TDecode zero;
  zero.Load(Bytes("P5 0 2 1 255\n", {9, 8}));
  EXPECT_EQ(zero.Params().Width, 2);
  EXPECT_EQ(zero.Pixels(), (std::vector<TColor>{RGB(9, 9, 9), RGB(8, 8, 8)}));
  // Short data: the whole pixels that arrived; the rest as the resize left them.
  TDecode cut;
  cut.Load(Bytes("P6 1 3 255\n", {1, 2, 3, 4}));
  ASSERT_TRUE(cut.Ok());
  EXPECT_EQ(cut.Pixels(), (std::vector<TColor>{RGB(1, 2, 3), kK, kK}));
}

}  // namespace pictova
