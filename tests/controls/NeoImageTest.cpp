// The image control on the headless screen: auto-size and opacity, the transparent top-left
// colour, centring, stretching and tiling, and the shared palette's tables.
#include "controls/NeoImage.h"

#include <gtest/gtest.h>

#include "ui/HeadlessFixture.h"

namespace pictova {
namespace {

constexpr TColor kParent = RGB(70, 80, 90);

// Pixel (x, y) of a picture that tells every position apart.
TColor Marked(int32_t x, int32_t y) { return RGB(static_cast<uint8_t>(10 + 20 * x), static_cast<uint8_t>(10 + 20 * y), 77); }

TBitmap MarkedPicture(int32_t w, int32_t h) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.SetPixel(x, y, Marked(x, y));
  return b;
}

class NeoImageTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    FForm = new TForm(&App());
    FForm->SetBorderStyle(bsNone);
    FForm->SetBounds(0, 0, 200, 150);
    FForm->SetColor(kParent);
  }
  TNeoImage* MakeImage(int32_t left, int32_t top, int32_t w, int32_t h, const TBitmap& picture) {
    auto* image = new TNeoImage(FForm);
    image->SetParent(FForm);
    image->SetBounds(left, top, w, h);
    image->Picture().SetGraphic(&picture);
    return image;
  }
  void Paint() {
    if (!FForm->Visible()) FForm->Show();
    App().ProcessMessages();
  }
  TColor At(int32_t x, int32_t y) { return Headless().ScreenBitmap().Pixel(x, y); }

  TForm* FForm = nullptr;
};

TEST_F(NeoImageTest, AutoSizeTakesThePictureSizeAndMakesTheControlOpaque) {
  auto* image = new TNeoImage(FForm);
  EXPECT_EQ(image->Width(), 105);
  EXPECT_EQ(image->Height(), 105);
  image->SetParent(FForm);
  image->SetBounds(12, 12, 30, 30);
  image->SetAutoSize(true);
  image->Picture().SetGraphic(std::make_unique<TBitmap>(65, 84));
  EXPECT_EQ(image->BoundsRect(), Rect(12, 12, 77, 96));
  EXPECT_NE(image->ControlStyle() & csOpaque, 0u);
  // A picture of another size than the control does not cover it.
  image->SetAutoSize(false);
  image->Picture().SetGraphic(std::make_unique<TBitmap>(10, 84));
  EXPECT_EQ(image->Width(), 65);
  EXPECT_EQ(image->ControlStyle() & csOpaque, 0u);
  // Tiling turns auto-size off.
  image->SetAutoSize(true);
  EXPECT_EQ(image->Width(), 10);
  image->SetTile(true);
  EXPECT_FALSE(image->AutoSize());
  image->Picture().SetGraphic(std::make_unique<TBitmap>(40, 40));
  EXPECT_EQ(image->Width(), 10);
}

TEST_F(NeoImageTest, TheTopLeftColourShowsTheParent) {
  TBitmap picture = MarkedPicture(6, 5);
  for (const auto [x, y] : {std::pair{0, 0}, std::pair{3, 2}, std::pair{5, 4}}) picture.SetPixel(x, y, clFuchsia);
  picture.SetPixel(0, 4, clLime);  // the bottom-left corner is not the key here
  TNeoImage* image = MakeImage(20, 30, 6, 5, picture);
  image->SetTransparent(true);
  Paint();
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      const TColor want = picture.Pixel(x, y) == clFuchsia ? kParent : picture.Pixel(x, y);
      EXPECT_EQ(At(20 + x, 30 + y), want) << x << "," << y;
    }
  // Not transparent: the key colour shows.
  image->SetTransparent(false);
  App().ProcessMessages();
  EXPECT_EQ(At(23, 32), clFuchsia);
}

TEST_F(NeoImageTest, CentreStretchAndTilePlaceThePicture) {
  const TBitmap picture = MarkedPicture(4, 3);
  // Centred in 11 x 10: the picture starts at (11 - 4) div 2 = 3, (10 - 3) div 2 = 3; the
  // rest shows the parent.
  TNeoImage* centred = MakeImage(10, 10, 11, 10, picture);
  centred->SetCenter(true);
  // Stretched to 8 x 9: each source pixel covers 2 x 3.
  TNeoImage* stretched = MakeImage(40, 10, 8, 9, picture);
  stretched->SetStretch(true);
  // Tiled over 10 x 7: the picture repeats every 4 columns and 3 rows, the last ones cut.
  TNeoImage* tiled = MakeImage(70, 10, 10, 7, picture);
  tiled->SetTile(true);
  // Plain: at the top-left corner.
  MakeImage(100, 10, 9, 9, picture);
  Paint();
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 11; ++x) {
      const bool in = x >= 3 && x < 7 && y >= 3 && y < 6;
      EXPECT_EQ(At(10 + x, 10 + y), in ? Marked(x - 3, y - 3) : kParent) << "centre " << x << "," << y;
    }
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(At(40 + x, 10 + y), Marked(x / 2, y / 3)) << "stretch " << x << "," << y;
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 10; ++x) EXPECT_EQ(At(70 + x, 10 + y), Marked(x % 4, y % 3)) << "tile " << x << "," << y;
  EXPECT_EQ(At(100 + 3, 10 + 2), Marked(3, 2));
  EXPECT_EQ(At(100 + 4, 10 + 2), kParent);
  EXPECT_EQ(At(100 + 3, 10 + 3), kParent);

  // A transparent picture centred keeps all of it, the key colour showing the parent.
  centred->SetTransparent(true);
  App().ProcessMessages();
  EXPECT_EQ(At(10 + 3, 10 + 3), kParent);  // the top-left pixel is the key
  EXPECT_EQ(At(10 + 6, 10 + 5), Marked(3, 2));
}

TEST_F(NeoImageTest, TheSharedPaletteFollowsTheDisplaysColourCount) {
  EXPECT_EQ(DisplayColorCount(8, 1), 256);
  EXPECT_EQ(DisplayColorCount(4, 1), 256);
  EXPECT_EQ(DisplayColorCount(4, 2), 256);
  EXPECT_EQ(DisplayColorCount(9, 1), 16777216);
  EXPECT_EQ(DisplayColorCount(24, 1), 16777216);

  const auto sixteen = BuiltInPalette(16);
  EXPECT_EQ(sixteen[7], (TPaletteEntry{128, 128, 128, 0}));
  EXPECT_EQ(sixteen[8], (TPaletteEntry{192, 192, 192, 0}));
  EXPECT_EQ(sixteen[15], (TPaletteEntry{255, 255, 255, 0}));
  for (size_t i = 16; i < 256; ++i) EXPECT_EQ(sixteen[i], TPaletteEntry{}) << i;

  // The headless display has 24 bits: the 256-colour table all the same.
  ResetSharedPalette();
  const TSharedPalette& shared = SharedPalette();
  EXPECT_EQ(shared.DisplayColors, 16777216);
  const auto& e = shared.Entries;
  EXPECT_EQ(e[0], (TPaletteEntry{0, 0, 0, 0}));
  EXPECT_EQ(e[7], (TPaletteEntry{192, 192, 192, 0}));
  EXPECT_EQ(e[8], (TPaletteEntry{128, 128, 128, 0}));
  EXPECT_EQ(e[15], (TPaletteEntry{255, 255, 255, 0}));
  EXPECT_EQ(e[243], (TPaletteEntry{240, 240, 240, 0}));
  EXPECT_EQ(e[248], (TPaletteEntry{128, 128, 128, 0}));
  EXPECT_EQ(e[249], (TPaletteEntry{255, 0, 0, 0}));
  EXPECT_EQ(e[255], (TPaletteEntry{255, 255, 255, 0}));
  // The blue ramp in steps of 12, then the tints towards white.
  size_t ramp = 0;
  while (ramp < 256 && !(e[ramp] == TPaletteEntry{0, 0, 195, 0})) ++ramp;
  ASSERT_LT(ramp + 10, 256u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(e[ramp + i].Blue, 195 + 12 * i);
  EXPECT_EQ(e[ramp + 6], (TPaletteEntry{23, 23, 255, 0}));
  EXPECT_EQ(e[ramp + 10], (TPaletteEntry{247, 251, 255, 0}));
  for (const TPaletteEntry& entry : e) EXPECT_EQ(entry.Flags, 0);
  EXPECT_EQ(&SharedPalette(), &shared);
}

}  // namespace
}  // namespace pictova
