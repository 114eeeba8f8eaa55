// pictova-render frame and sheet: the written frames against independent expectations, and
// the command line's failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "imageio/ImageIO.h"
#include "imageio/PngWriter.h"
#include "pictova-render/FrameCommand.h"

namespace pictova {
namespace {

namespace fs = std::filesystem;

TBitmap Pattern(int32_t w, int32_t h, int seed) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      b.SetPixel(x, y, RGB(uint8_t(x * 9 + seed * 50), uint8_t(y * 11 + seed * 70), uint8_t((x + y) * 5 + seed)));
  return b;
}

TBitmap Load(const std::string& path) {
  TBitmap b;
  TImageIO io;
  io.SetBitmap(&b);
  io.LoadFromFile(path);
  EXPECT_EQ(io.IOFailed(), 0) << path;
  return b;
}

bool Same(const TBitmap& a, const TBitmap& b, int32_t ax = 0, int32_t ay = 0) {
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x)
      if (a.Pixel(ax + x, ay + y) != b.Pixel(x, y)) return false;
  return true;
}

class FrameCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("pictova-frame-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FDir);
    SaveBitmapToPng(FOld, Path("old.png"));
    SaveBitmapToPng(FNew, Path("new.png"));
  }
  void TearDown() override { fs::remove_all(FDir); }
  std::string Path(const std::string& name) const { return (FDir / name).string(); }

  int Run(int (*command)(int, char**), std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    return command(static_cast<int>(argv.size()), argv.data());
  }

  const TBitmap FOld = Pattern(60, 40, 1);
  const TBitmap FNew = Pattern(60, 40, 2);
  fs::path FDir;
};

TEST_F(FrameCommandTest, FramesShowTheTransitionAtTheProgressAsked) {
  // The cross-fade at 30: old x 70% + new x 30%, each product truncated on its own.
  ASSERT_EQ(Run(RunFrameCommand, {"--style", "118", "--progress", "30", Path("old.png"), Path("new.png"), Path("f.png")}), 0);
  const TBitmap fade = Load(Path("f.png"));
  ASSERT_EQ(fade.Width(), 60);
  ASSERT_EQ(fade.Height(), 40);
  bool all = true;
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 60; ++x) {
      const TColor o = FOld.Pixel(x, y), n = FNew.Pixel(x, y);
      const auto mix = [](uint8_t a, uint8_t b) { return uint8_t(a * 70 / 100 + b * 30 / 100); };
      all = all && fade.Pixel(x, y) == RGB(mix(GetRValue(o), GetRValue(n)), mix(GetGValue(o), GetGValue(n)),
                                          mix(GetBValue(o), GetBValue(n)));
    }
  EXPECT_TRUE(all);

  // Every family at 100 is the new picture; at 0 a region style is the old one; an unknown
  // style keeps the old one; reverse at 100 starts from the new picture.
  for (const auto& [args, expectNew] :
       std::vector<std::pair<std::vector<std::string>, bool>>{{{"--style", "61", "--progress", "100"}, true},
                                                              {{"--style", "61", "--progress", "0"}, false},
                                                              {{"--style", "14", "--progress", "100", "--step", "9"}, true},
                                                              {{"--style", "121", "--progress", "100"}, true},
                                                              {{"--style", "200", "--progress", "100"}, false},
                                                              {{"--style", "118", "--progress", "100", "--reverse"}, true},
                                                              {{"--style", "118", "--progress", "0", "--reverse"}, false}}) {
    std::vector<std::string> full = args;
    full.insert(full.end(), {Path("old.png"), Path("new.png"), Path("g.png")});
    ASSERT_EQ(Run(RunFrameCommand, full), 0);
    EXPECT_TRUE(Same(Load(Path("g.png")), expectNew ? FNew : FOld)) << args[1] << " at " << args[3];
  }
}

TEST_F(FrameCommandTest, SheetHoldsElevenFramesInOrder) {
  ASSERT_EQ(Run(RunSheetCommand, {"--style", "118", Path("old.png"), Path("new.png"), Path("s.png")}), 0);
  const TBitmap sheet = Load(Path("s.png"));
  // Four columns of 60 + 8, three rows of 40 + 8 + a label line of 18, an 8-pixel margin.
  EXPECT_EQ(sheet.Width(), 4 * 68 + 8);
  EXPECT_EQ(sheet.Height(), 3 * 66 + 8);
  EXPECT_TRUE(Same(sheet, FOld, 8, 8 + 18));                   // progress 0
  EXPECT_TRUE(Same(sheet, FNew, 8 + 2 * 68, 8 + 2 * 66 + 18));  // progress 100, third row
  ASSERT_EQ(Run(RunFrameCommand, {"--style", "118", "--progress", "50", Path("old.png"), Path("new.png"), Path("f.png")}), 0);
  EXPECT_TRUE(Same(sheet, Load(Path("f.png")), 8 + 68, 8 + 66 + 18));  // progress 50, second row
}

TEST_F(FrameCommandTest, BadCommandLinesAndInputsFailClearly) {
  const std::string o = Path("old.png"), n = Path("new.png"), out = Path("x.png");
  EXPECT_EQ(Run(RunFrameCommand, {"--progress", "5", o, n, out}), 2);                     // no style
  EXPECT_EQ(Run(RunFrameCommand, {"--style", "1", o, n, out}), 2);                        // no progress
  EXPECT_EQ(Run(RunFrameCommand, {"--style", "1", "--progress", "101", o, n, out}), 2);  // out of range
  EXPECT_EQ(Run(RunFrameCommand, {"--style", "x", "--progress", "1", o, n, out}), 2);
  EXPECT_EQ(Run(RunFrameCommand, {"--style", "1", "--progress", "1", o, n}), 2);  // no output
  EXPECT_EQ(Run(RunFrameCommand, {"--style", "1", "--progress", "1", "--fast", o, n, out}), 2);
  EXPECT_EQ(Run(RunSheetCommand, {"--style", "1", "--progress", "1", o, n, out}), 2);  // sheets take no progress
  // A missing file, a file that is no picture, pictures of different sizes.
  EXPECT_EQ(Run(RunFrameCommand, {"--style", "1", "--progress", "1", Path("none.png"), n, out}), 1);
  std::FILE* text = std::fopen(Path("s.txt").c_str(), "wb");
  ASSERT_NE(text, nullptr);
  std::fputs("not a picture", text);
  std::fclose(text);
  EXPECT_EQ(Run(RunFrameCommand, {"--style", "1", "--progress", "1", o, Path("s.txt"), out}), 1);
  SaveBitmapToPng(Pattern(61, 40, 3), Path("wide.png"));
  EXPECT_EQ(Run(RunFrameCommand, {"--style", "1", "--progress", "1", o, Path("wide.png"), out}), 1);
  EXPECT_EQ(Run(RunSheetCommand, {"--style", "1", o, Path("wide.png"), out}), 1);
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace pictova
