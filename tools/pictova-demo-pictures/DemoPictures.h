// Colourful pictures drawn by our own code (gradients, rings, a fractal, tiles, a sunset,
// plasma; no text), written as JPEG, PNG, GIF, TIFF, BMP, TGA and PPM files to feed
// demonstration shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pictova {

class TBitmap;

struct TDemoPicture {
  const char* FileName;  // its extension says the format: .jpg .png .gif .tif .bmp .tga or .ppm
  int32_t Width;
  int32_t Height;
};

// The pictures, in show order.
const std::vector<TDemoPicture>& DemoPictures();

// Paints picture index into bitmap, which becomes a 24-bit bitmap of the picture's size.
void PaintDemoPicture(size_t index, TBitmap& bitmap);

// Encodes a 24-bit bitmap as a baseline JPEG of the given quality (1 to 100).
std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality);

// Writes every picture into folder (which must exist); returns the paths written.
std::vector<std::string> WriteDemoPictures(const std::string& folder);

}  // namespace pictova
