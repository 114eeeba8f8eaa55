// Our 24-bit rows as 32-bit window pixels: the same words as SDL's own conversion, for every
// width (the four-pixel groups and what is left over), for rectangles inside wider rows and
// for a frame converted on two threads.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/sdl/SdlPixels.h"

namespace pictova {
namespace {

std::vector<uint8_t> Noise(size_t n, uint32_t seed) {
  std::vector<uint8_t> bytes(n);
  for (uint8_t& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return bytes;
}

TEST(SdlPixels, RowsComeOutAsSdlConvertsThemAtEveryWidth) {
  for (int width = 1; width <= 40; ++width) {
    const int height = 3, srcPitch = width * 3 + 5, dstPitch = width * 4 + 8;
    const std::vector<uint8_t> src = Noise(size_t(srcPitch) * height, uint32_t(width));
    std::vector<uint8_t> ours(size_t(dstPitch) * height, 0xAB), sdl(ours.size(), 0xAB);
    Bgr24ToXrgb32Rows(src.data(), srcPitch, ours.data(), dstPitch, width, height);
    ASSERT_EQ(SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_BGR24, src.data(), srcPitch,
                                SDL_PIXELFORMAT_ARGB8888, sdl.data(), dstPitch), 0);
    // Bytes past each row's pixels are left alone.
    EXPECT_EQ(ours, sdl) << "width " << width;
  }
  // A frame large enough to be converted in two bands on two threads.
  const int width = 1101, height = 301, srcPitch = width * 3 + 1, dstPitch = width * 4 + 4;
  const std::vector<uint8_t> src = Noise(size_t(srcPitch) * height, 77);
  std::vector<uint8_t> ours(size_t(dstPitch) * height, 0xAB), sdl(ours.size(), 0xAB);
  Bgr24ToXrgb32Rows(src.data(), srcPitch, ours.data(), dstPitch, width, height);
  ASSERT_EQ(SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_BGR24, src.data(), srcPitch, SDL_PIXELFORMAT_ARGB8888,
                              sdl.data(), dstPitch),
            0);
  EXPECT_TRUE(ours == sdl);
}

TEST(SdlPixels, NothingIsReadPastTheLastPixel) {
  // The rows end exactly at the end of their buffer (a sanitizer build catches an over-read).
  for (size_t count : {1u, 4u, 5u, 6u, 7u, 8u, 1921u}) {
    const std::vector<uint8_t> src = Noise(count * 3, 9);
    std::vector<uint32_t> out(count);
    Bgr24ToXrgb32(src.data(), out.data(), count);
    const uint8_t* last = src.data() + (count - 1) * 3;
    EXPECT_EQ(out.back(), 0xFF000000u | uint32_t(last[2]) << 16 | uint32_t(last[1]) << 8 | last[0]);
  }
}

}  // namespace
}  // namespace pictova
