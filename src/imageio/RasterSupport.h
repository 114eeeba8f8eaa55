// Pieces the raster readers (BMP, PCX, TGA, PNM, icons) share: reads bounded by the data that is
// really there, palette lookup through a fixed 256-entry table, index rows expanded to 24 bits.
#pragma once

#include <cstdint>
#include <vector>

#include "imageio/ImageParams.h"

namespace pictova {

class TStream;

// Bytes between the stream's position and its end (0 when the position is past the end).
int64_t BytesLeft(TStream& stream);

// Reads up to count bytes from the current position, never more than the stream still holds,
// so that a length taken from a file cannot make us allocate what the file does not contain.
std::vector<uint8_t> ReadAvailable(TStream& stream, int64_t count);

// Reads exactly count bytes into buffer; false (with the rest of buffer untouched beyond what
// was read) when the stream ends first.
bool ReadFull(TStream& stream, void* buffer, int32_t count);

uint16_t GetWord(const uint8_t* p);
uint32_t GetDword(const uint8_t* p);

// A palette that any byte may index: entries past the file's colours are black, so an index
// beyond the palette never reads outside it.
struct TPaletteTable {
  TRGBTriple Entry[256];
  TPaletteTable() = default;
  explicit TPaletteTable(const std::vector<TRGBTriple>& palette);
};

// Writes count pixels of bitsPerPixel-bit indices (1, 4 or 8; first pixel in the high bits)
// from src as blue, green, red through the table. src must hold the packed count pixels.
void ExpandIndices(const uint8_t* src, int bitsPerPixel, int32_t count, const TPaletteTable& table,
                   uint8_t* dst);

// How many whole pixels of bitsPerPixel bits the first bytes bytes hold.
int32_t PixelsIn(int64_t bytes, int bitsPerPixel);

inline void PutTriple(uint8_t* dst, const TRGBTriple& c) {
  dst[0] = c.Blue;
  dst[1] = c.Green;
  dst[2] = c.Red;
}

}  // namespace pictova
