// Rows of our 24-bit bitmaps (blue, green, red bytes) written as the 32-bit pixels of a window
// surface or a streaming texture, in one pass with nothing in between.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pictova {

// Writes `count` pixels of `src` as 32-bit words 0xAARRGGBB with alpha 0xFF (SDL's ARGB8888;
// for XRGB8888, RGB888 in SDL's names, the top byte is unused).
void Bgr24ToXrgb32(const uint8_t* src, uint32_t* dst, size_t count);

// A rectangle of rows: `width` pixels per row, `height` rows, each side with its own pitch.
void Bgr24ToXrgb32Rows(const uint8_t* src, ptrdiff_t srcPitch, uint8_t* dst, ptrdiff_t dstPitch, int32_t width,
                       int32_t height);

}  // namespace pictova
