// 24-bit to 32-bit pixels: four pixels (twelve bytes) at a time with one byte shuffle where the
// processor has SSSE3, else a word-at-a-time loop; both give the same words.
#include "platform/sdl/SdlPixels.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "gfx/BandWorker.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PICTOVA_HAVE_SSSE3_PATH 1
#endif

namespace pictova {
namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

inline uint32_t Pixel(const uint8_t* p) {
  return kOpaque | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

void Portable(const uint8_t* src, uint32_t* dst, size_t count) {
  static_assert(std::endian::native == std::endian::little, "the words below are read little-endian");
  size_t i = 0;
  // Three little-endian words hold four pixels: b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3.
  for (; i + 4 <= count; i += 4, src += 12) {
    uint32_t a, b, c;
    std::memcpy(&a, src, 4);
    std::memcpy(&b, src + 4, 4);
    std::memcpy(&c, src + 8, 4);
    dst[i] = kOpaque | (a & 0xFFFFFFu);
    dst[i + 1] = kOpaque | (a >> 24) | ((b & 0xFFFFu) << 8);
    dst[i + 2] = kOpaque | (b >> 16) | ((c & 0xFFu) << 16);
    dst[i + 3] = kOpaque | (c >> 8);
  }
  for (; i < count; ++i, src += 3) dst[i] = Pixel(src);
}

#if defined(PICTOVA_HAVE_SSSE3_PATH)
__attribute__((target("ssse3"))) void Ssse3(const uint8_t* src, uint32_t* dst, size_t count) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(kOpaque));
  size_t i = 0;
  // Sixteen bytes are read for every twelve used: the last group of a row goes the slow way.
  for (; i + 6 <= count; i += 4, src += 12) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(_mm_shuffle_epi8(in, spread), alpha));
  }
  Portable(src, dst + i, count - i);
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

}  // namespace

void Bgr24ToXrgb32(const uint8_t* src, uint32_t* dst, size_t count) {
#if defined(PICTOVA_HAVE_SSSE3_PATH)
  if (HasSsse3()) {
    Ssse3(src, dst, count);
    return;
  }
#endif
  Portable(src, dst, count);
}

void Bgr24ToXrgb32Rows(const uint8_t* src, ptrdiff_t srcPitch, uint8_t* dst, ptrdiff_t dstPitch, int32_t width,
                       int32_t height) {
  if (width <= 0 || height <= 0) return;
  const auto rows = [&](int32_t first, int32_t last) {
    for (int32_t y = first; y < last; ++y)
      Bgr24ToXrgb32(src + y * srcPitch, reinterpret_cast<uint32_t*>(dst + y * dstPitch), static_cast<size_t>(width));
  };
  TBandWorker::Split(height, int64_t{width} * height, rows);
}

}  // namespace pictova
