// The orientation an EXIF block (a TIFF-structured record: byte order, IFD0, tag 274) asks
// the viewer to apply, found in the places cameras put it: a JPEG's APP1 segment, a PNG's
// eXIf chunk, a WebP's EXIF chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace pictova {

// Where the orientation value lives inside a file's bytes: the byte offset of its 16-bit
// value and the block's byte order. Values 1 to 8; others are kept as read.
struct TExifOrientation {
  int Value = 1;
  size_t Offset = 0;
  bool BigEndian = false;
};

// The orientation tag of a TIFF-structured block at data[0..size); std::nullopt when the block
// is malformed or has no such tag. base is added to the reported offset.
std::optional<TExifOrientation> FindTiffOrientation(const uint8_t* data, size_t size, size_t base = 0);

// The orientation of a JPEG file: the first APP1 segment that starts with "Exif\0\0".
std::optional<TExifOrientation> FindJpegOrientation(const uint8_t* data, size_t size);
// The orientation of a PNG file: its eXIf chunk.
std::optional<TExifOrientation> FindPngOrientation(const uint8_t* data, size_t size);
// The orientation of a WebP file: its EXIF chunk (extended format only).
std::optional<TExifOrientation> FindWebpOrientation(const uint8_t* data, size_t size);

// Writes value into the orientation found in data (same size, so nothing else moves).
void SetOrientation(uint8_t* data, const TExifOrientation& where, int value);

// Orientations 5 to 8 exchange width and height.
inline bool OrientationSwapsAxes(int orientation) { return orientation >= 5 && orientation <= 8; }

}  // namespace pictova
