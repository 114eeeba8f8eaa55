// Test images made at test time by libjpeg and libpng themselves, and the libraries' own
// decodes of them, against which the readers are checked.
#pragma once

#include <png.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

// jpeglib.h relies on size_t and FILE being declared before it.
#include <jpeglib.h>

namespace pictova::fixtures {

using TBytes = std::vector<uint8_t>;

struct TJpegOptions {
  int Width = 16;
  int Height = 16;
  J_COLOR_SPACE InputSpace = JCS_RGB;  // JCS_RGB (3 bytes), JCS_GRAYSCALE (1), JCS_CMYK (4)
  J_COLOR_SPACE FileSpace = JCS_YCbCr;
  int Quality = 90;
  bool Progressive = false;
  bool Jfif = true;
  int DensityUnit = 1;
  int XDensity = 72;
  int YDensity = 72;
  // Written after the library's own header markers, in order: (marker code, data).
  std::vector<std::pair<int, TBytes>> Markers;
};

// Encodes pixels (InputSpace components per pixel, rows top-down).
TBytes MakeJpeg(const TJpegOptions& opts, const TBytes& pixels);

// A smooth test picture of width × height with the given number of components.
TBytes GradientPixels(int width, int height, int components);

struct TRawImage {
  bool Ok = false;
  int Width = 0;
  int Height = 0;
  int Components = 0;
  TBytes Pixels;
};

// The library's decode of a JPEG held in memory (no glue of ours), or Ok = false.
TRawImage BareJpegDecode(const TBytes& jpeg, J_COLOR_SPACE out, J_DCT_METHOD dct = JDCT_ISLOW,
                         unsigned scaleDenom = 1);

struct TPngOptions {
  uint32_t Width = 4;
  uint32_t Height = 4;
  int BitDepth = 8;
  int ColorType = PNG_COLOR_TYPE_RGB;
  bool Interlaced = false;
  TBytes Rows;  // Height rows of packed samples as the file stores them (16-bit big-endian)
  std::vector<png_color> Palette;
  std::vector<png_byte> PaletteAlpha;  // a tRNS chunk for the palette entries, when not empty
  bool HasBkgd = false;
  png_color_16 Bkgd{};
  bool HasPhys = false;
  uint32_t PpmX = 0;
  uint32_t PpmY = 0;
  int PhysUnit = PNG_RESOLUTION_METER;
};

// Bytes per packed row of a PNG with these options.
size_t PngRowBytes(const TPngOptions& opts);
TBytes MakePng(const TPngOptions& opts);

}  // namespace pictova::fixtures
