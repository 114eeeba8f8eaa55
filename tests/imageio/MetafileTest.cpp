// Metafiles loaded from files: on Windows drawn through GDI into a 24-bit bitmap filled with the
// background; elsewhere (no metafile player) always the failure flag.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imageio/FormatRegistry.h"
#include "imageio/ImageIO.h"
#include "platform/Metafile.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef RGB
#undef GetRValue
#undef GetGValue
#undef GetBValue
#endif

namespace pictova {
namespace {

using TBytes = std::vector<uint8_t>;

void Put16(TBytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(TBytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A placeable metafile written record by record: a blue rectangle over the left half of the
// bounding box (0, 0, boxW, boxH), drawn with a null pen, nothing on the right half.
TBytes PlaceableWmf(int16_t boxW, int16_t boxH, uint16_t perInch) {
  TBytes body;
  const auto record = [&](std::initializer_list<uint16_t> words) {
    Put32(body, uint32_t(words.size() + 2));  // size in words, with the size and function
    for (uint16_t w : words) Put16(body, w);
  };
  // META_CREATEBRUSHINDIRECT: solid, blue (0x00FF0000 as BGR in a COLORREF), no hatch.
  record({0x02FC, 0, 0x0000, 0x00FF, 0});
  record({0x012D, 0});  // META_SELECTOBJECT brush
  // META_CREATEPENINDIRECT: PS_NULL, width 0, black.
  record({0x02FA, 5, 0, 0, 0, 0});
  record({0x012D, 1});  // META_SELECTOBJECT pen
  // META_RECTANGLE: bottom, right, top, left.
  record({0x041B, uint16_t(boxH), uint16_t(boxW / 2), 0, 0});
  record({0x0000});  // end of file
  TBytes meta;
  Put16(meta, 1);       // in memory
  Put16(meta, 9);       // header words
  Put16(meta, 0x0300);  // version
  Put32(meta, uint32_t((18 + body.size()) / 2));
  Put16(meta, 2);  // objects
  Put32(meta, 8);  // largest record, in words
  Put16(meta, 0);
  meta.insert(meta.end(), body.begin(), body.end());

  TBytes file;
  Put32(file, 0x9AC6CDD7u);
  Put16(file, 0);
  for (int16_t v : {int16_t(0), int16_t(0), boxW, boxH}) Put16(file, uint16_t(v));
  Put16(file, perInch);
  Put32(file, 0);
  uint16_t checksum = 0;
  for (size_t i = 0; i < file.size(); i += 2) checksum ^= uint16_t(file[i] | (file[i + 1] << 8));
  Put16(file, checksum);
  file.insert(file.end(), meta.begin(), meta.end());
  return file;
}

class MetafileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = std::filesystem::temp_directory_path() / ("metafile-" + std::to_string(::getpid()));
    std::filesystem::create_directories(FDir);
    FIO.SetBitmap(&FBitmap);
    FIO.SetBackground(clYellow);
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }
  std::string Write(const std::string& name, const TBytes& data) {
    const std::string path = (FDir / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    return path;
  }
  std::string Path(const std::string& name) const { return (FDir / name).string(); }
  // The bitmap as it was before a failed load: a 3 x 2 one-bit bitmap.
  void MarkBitmap() {
    FBitmap.SetPixelFormat(pf1bit);
    FBitmap.SetSize(3, 2);
  }
  bool BitmapUnchanged() const { return FBitmap.PixelFormat() == pf1bit && FBitmap.Width() == 3 && FBitmap.Height() == 2; }

  std::filesystem::path FDir;
  TBitmap FBitmap;
  TImageIO FIO;
};

TEST_F(MetafileTest, WithoutAPlayerEveryMetafileFails) {
  if (HasMetafilePlayer()) GTEST_SKIP() << "this platform draws metafiles";
  for (const char* name : {"drawing.wmf", "drawing.emf"}) {
    MarkBitmap();
    FIO.LoadFromFile(Write(name, PlaceableWmf(200, 100, 192)));
    EXPECT_EQ(FIO.IOFailed(), 1) << name;
    EXPECT_EQ(FIO.Params().ImageFormat, ioUnknown);
    EXPECT_TRUE(BitmapUnchanged());
  }
}

TEST_F(MetafileTest, PlaceableWmfIsDrawnOverTheBackgroundAtItsSize) {
  if (!HasMetafilePlayer()) GTEST_SKIP() << "no metafile player on this platform";
  // 200 x 100 units at 192 per inch on a 96 dpi screen: 100 x 50 pixels.
  const std::string wmf = Write("drawing.wmf", PlaceableWmf(200, 100, 192));
  MarkBitmap();
  FIO.LoadFromFile(wmf);
  ASSERT_EQ(FIO.IOFailed(), 0);
  EXPECT_EQ(FIO.Params().ImageFormat, ioWMF);
  EXPECT_EQ(FIO.Params().FileName, wmf);
  ASSERT_EQ(FBitmap.PixelFormat(), pf24bit);
  ASSERT_EQ(FBitmap.Width(), 100);
  ASSERT_EQ(FBitmap.Height(), 50);
  EXPECT_EQ(FIO.Params().Width, 100);
  EXPECT_EQ(FIO.Params().Height, 50);
  // The rectangle covers the left half, the background the rest.
  EXPECT_EQ(FBitmap.Pixel(2, 2), clBlue);
  EXPECT_EQ(FBitmap.Pixel(45, 45), clBlue);
  EXPECT_EQ(FBitmap.Pixel(55, 5), clYellow);
  EXPECT_EQ(FBitmap.Pixel(99, 49), clYellow);

  // The longer side is limited to 2800 pixels, the other in proportion.
  FIO.LoadFromFile(Write("large.wmf", PlaceableWmf(12000, 3000, 192)));
  ASSERT_EQ(FIO.IOFailed(), 0);
  EXPECT_EQ(FBitmap.Width(), 2800);
  EXPECT_EQ(FBitmap.Height(), 700);
  EXPECT_EQ(FBitmap.Pixel(100, 350), clBlue);
  EXPECT_EQ(FBitmap.Pixel(2700, 350), clYellow);

  // Zero width, a bad key, or no file body: the failure flag, the bitmap as it was.
  const TBytes good = PlaceableWmf(200, 100, 192);
  TBytes badKey = good;
  badKey[0] ^= 0xFF;
  for (const TBytes& bad : {PlaceableWmf(0, 100, 192), badKey, TBytes(good.begin(), good.begin() + 30)}) {
    MarkBitmap();
    FIO.LoadFromFile(Write("bad.wmf", bad));
    EXPECT_EQ(FIO.IOFailed(), 1);
    EXPECT_TRUE(BitmapUnchanged());
  }

  // Parameters only: the size, the bitmap untouched.
  MarkBitmap();
  FIO.ReadParamsFromFile(wmf, ioWMF);
  EXPECT_EQ(FIO.IOFailed(), 0);
  EXPECT_EQ(FIO.Params().Width, 100);
  EXPECT_TRUE(BitmapUnchanged());
}

#ifdef _WIN32
TEST_F(MetafileTest, EnhancedMetafileFillsItsFrame) {
  // A frame of 120 x 60 pixels at 96 dpi in 0.01 mm; the left half painted red, in the
  // reference device's units (whose size under a real or emulated screen may differ a little
  // from the logical 96 dpi, hence the points well inside each half).
  const RECT frame{0, 0, 3175, 1588};
  const std::string emf = Path("drawing.emf");
  HDC dc = CreateEnhMetaFileA(nullptr, emf.c_str(), &frame, nullptr);
  ASSERT_NE(dc, nullptr);
  const int refW = MulDiv(3175, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, HORZSIZE) * 100);
  const int refH = MulDiv(1588, GetDeviceCaps(dc, VERTRES), GetDeviceCaps(dc, VERTSIZE) * 100);
  HBRUSH red = CreateSolidBrush(0x000000FF);
  const RECT left{0, 0, refW / 2, refH};
  FillRect(dc, &left, red);
  DeleteObject(red);
  HENHMETAFILE done = CloseEnhMetaFile(dc);
  ASSERT_NE(done, nullptr);
  DeleteEnhMetaFile(done);

  MarkBitmap();
  FIO.LoadFromFile(emf);
  ASSERT_EQ(FIO.IOFailed(), 0);
  EXPECT_EQ(FIO.Params().ImageFormat, ioEMF);
  ASSERT_EQ(FBitmap.PixelFormat(), pf24bit);
  EXPECT_EQ(FBitmap.Width(), 120);
  EXPECT_EQ(FBitmap.Height(), 60);
  EXPECT_EQ(FBitmap.Pixel(10, 30), clRed);
  EXPECT_EQ(FBitmap.Pixel(110, 30), clYellow);

  // Not an enhanced metafile: the failure flag.
  MarkBitmap();
  FIO.LoadFromFile(Write("other.emf", PlaceableWmf(200, 100, 192)));
  EXPECT_EQ(FIO.IOFailed(), 1);
  EXPECT_TRUE(BitmapUnchanged());
}
#endif

}  // namespace
}  // namespace pictova
