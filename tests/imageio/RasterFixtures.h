// Small writers of BMP, PCX, TGA, PNM and icon files for the reader tests, the fuzz seeds and
// the benchmarks: every header field is set by the caller, so malformed files are as easy to
// make as sound ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictova::fixtures {

using TBytes = std::vector<uint8_t>;

// Appends little-endian fields.
struct TLeWriter {
  TBytes Out;
  TLeWriter& U8(uint32_t v);
  TLeWriter& U16(uint32_t v);
  TLeWriter& U32(uint32_t v);
  TLeWriter& Add(const TBytes& bytes);
  TLeWriter& Text(const std::string& text);
};

struct TBmpLayout {
  uint32_t HeaderSize = 40;  // 12, 40, 64, 108, 124 ...
  int32_t Width = 0;
  int32_t Height = 0;
  int BitCount = 24;
  uint32_t Compression = 0;
  uint32_t PixelsPerMetre = 0;
  uint32_t ColoursUsed = 0;
  TBytes Palette;            // as stored: 3 (OS/2 1.x) or 4 bytes per entry
  std::vector<uint32_t> Masks;  // written after the palette (compression 3, 40-byte header)
  TBytes Pixels;             // the pixel data as stored
};
TBytes MakeBmp(const TBmpLayout& layout);

// Rows of a bottom-up BMP laid out from rows given top-down, each padded to 4 bytes.
TBytes BmpRows(const std::vector<TBytes>& topDownRows);

struct TPcxLayout {
  int Version = 5;
  int Encoding = 1;
  int BitsPerPlane = 8;
  int Planes = 1;
  int Width = 0;
  int Height = 0;
  int BytesPerLine = 0;
  int DpiX = 72;
  int DpiY = 72;
  TBytes Palette16;  // up to 48 bytes, red, green, blue
  TBytes Data;       // after the 128-byte header (including any 256-colour palette)
};
TBytes MakePcx(const TPcxLayout& layout);
// One plane line coded with PCX run-length bytes (runs of up to 63, literals below C0 hex).
TBytes PcxRle(const TBytes& line);

struct TTgaLayout {
  std::string Id;
  int MapType = 0;
  int ImageType = 2;
  int MapFirst = 0;
  int MapLength = 0;
  int MapEntrySize = 24;
  int Width = 0;
  int Height = 0;
  int Depth = 24;
  int Descriptor = 0;
  TBytes Map;
  TBytes Data;
  TBytes Extension;  // when not empty: written after the data, with a version 2.0 footer
};
TBytes MakeTga(const TTgaLayout& layout);

struct TIconImage {
  int EntryWidth = 0;   // the directory's width byte
  int EntryHeight = 0;  // and height byte
  int Colours = 0;
  int Word4 = 1;        // planes, or a cursor's hot spot x
  int Word6 = 0;        // bit count, or a cursor's hot spot y
  TBytes Data;          // what the entry's offset points at
};
// type 1 icon, 2 cursor.
TBytes MakeIcon(int type, const std::vector<TIconImage>& images);
// An icon entry's data: the 40-byte header (height doubled), the colour table, the XOR rows
// and the AND mask rows, both already laid out bottom-up and padded.
TBytes IconDib(int width, int height, int bitCount, const TBytes& table, const TBytes& xorRows,
               const TBytes& maskRows);

}  // namespace pictova::fixtures
