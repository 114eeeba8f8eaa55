// Bounded reads, palette tables and index expansion for the raster readers.
#include "imageio/RasterSupport.h"

#include <algorithm>

#include "rtl/Classes.h"

namespace pictova {

int64_t BytesLeft(TStream& stream) {
  const int64_t left = stream.Size() - stream.Position();
  return left > 0 ? left : 0;
}

std::vector<uint8_t> ReadAvailable(TStream& stream, int64_t count) {
  if (count <= 0) return {};
  std::vector<uint8_t> data(static_cast<size_t>(std::min(count, BytesLeft(stream))));
  size_t got = 0;
  while (got < data.size()) {
    const size_t ask = std::min<size_t>(data.size() - got, 1u << 30);
    const int32_t n = stream.Read(data.data() + got, static_cast<int32_t>(ask));
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  data.resize(got);
  return data;
}

bool ReadFull(TStream& stream, void* buffer, int32_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  int32_t got = 0;
  while (got < count) {
    const int32_t n = stream.Read(p + got, count - got);
    if (n <= 0) return false;
    got += n;
  }
  return true;
}

uint16_t GetWord(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t GetDword(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

TPaletteTable::TPaletteTable(const std::vector<TRGBTriple>& palette) {
  std::copy_n(palette.begin(), std::min<size_t>(palette.size(), 256), Entry);
}

void ExpandIndices(const uint8_t* src, int bitsPerPixel, int32_t count, const TPaletteTable& table,
                   uint8_t* dst) {
  switch (bitsPerPixel) {
    case 8:
      for (int32_t x = 0; x < count; ++x, dst += 3) PutTriple(dst, table.Entry[src[x]]);
      break;
    case 4:
      for (int32_t x = 0; x < count; ++x, dst += 3) {
        const uint8_t b = src[x >> 1];
        PutTriple(dst, table.Entry[(x & 1) ? (b & 0x0F) : (b >> 4)]);
      }
      break;
    case 1:
      for (int32_t x = 0; x < count; ++x, dst += 3)
        PutTriple(dst, table.Entry[(src[x >> 3] >> (7 - (x & 7))) & 1]);
      break;
    default: break;
  }
}

int32_t PixelsIn(int64_t bytes, int bitsPerPixel) {
  if (bytes <= 0 || bitsPerPixel <= 0) return 0;
  return static_cast<int32_t>(std::min<int64_t>(bytes * 8 / bitsPerPixel, INT32_MAX));
}

}  // namespace pictova
