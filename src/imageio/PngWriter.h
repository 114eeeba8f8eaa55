// Writes a bitmap as a PNG file: 24-bit bitmaps as 8-bit RGB, 1-bit bitmaps as 1-bit grey
// (0 black, 1 white, as the bitmap's palette). Used by the tools that save decoded pictures
// and rendered frames.
#pragma once

#include <string>

namespace pictova {

class TBitmap;
class TStream;

// zlib's compression levels: its default (6), and the fastest (for frames written in bulk,
// several times faster for files about a third larger).
constexpr int kPngDefaultCompression = -1;
constexpr int kPngFastCompression = 1;

// Raise EInOutError when the file cannot be written, Exception when the bitmap is empty or
// the encoder fails.
void SaveBitmapToPng(const TBitmap& bitmap, TStream& stream, int compressionLevel = kPngDefaultCompression);
void SaveBitmapToPng(const TBitmap& bitmap, const std::string& path, int compressionLevel = kPngDefaultCompression);

}  // namespace pictova
