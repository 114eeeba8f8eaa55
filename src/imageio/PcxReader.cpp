// The PCX (PaintBrush) reader: 1, 4 and 8 bits in one plane, 24-bit colour in three planes and
// 16 colours in four bit planes, stored or run-length coded, top row first.
#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

#include "imageio/ImageParams.h"
#include "imageio/RasterSupport.h"
#include "imageio/ReaderSupport.h"
#include "imageio/Readers.h"
#include "rtl/Classes.h"

namespace pictova {

namespace {

constexpr int kHeaderSize = 128;
constexpr int kVgaPaletteSize = 768;

// Hands out plane lines from the data held in memory. With run-length coding a run that passes
// the end of a line goes on at the start of the next one (of the same row or the next), as
// writers that code whole rows produce. Where the data ends, the rest of the line is 0.
class TPlaneLineReader {
 public:
  TPlaneLineReader(const std::vector<uint8_t>& data, bool runLength)
      : FData(data), FRunLength(runLength) {}

  // Whether nothing is left: no data and no run carried over.
  bool Exhausted() const { return FPos >= FData.size() && FRunLeft == 0; }

  void Next(uint8_t* line, int32_t length) {
    int32_t x = 0;
    if (!FRunLength) {
      const size_t n = std::min<size_t>(static_cast<size_t>(length), FData.size() - FPos);
      if (n > 0) std::memcpy(line, FData.data() + FPos, n);
      FPos += n;
      x = static_cast<int32_t>(n);
    } else {
      // A run left over from the previous line goes on first.
      const int32_t carried = std::min(FRunLeft, length);
      if (carried > 0) std::memset(line, FRunValue, static_cast<size_t>(carried));
      x = carried;
      FRunLeft -= carried;
      const uint8_t* data = FData.data();
      const size_t size = FData.size();
      size_t pos = FPos;
      while (x < length && pos < size) {
        const uint8_t b = data[pos++];
        if (b < 0xC0) {
          line[x++] = b;
          continue;
        }
        if (pos >= size) break;
        const uint8_t value = data[pos++];
        const int32_t count = b & 0x3F;
        const int32_t n = std::min(count, length - x);
        for (int32_t k = 0; k < n; ++k) line[x + k] = value;
        x += n;
        FRunLeft = count - n;
        FRunValue = value;
      }
      FPos = pos;
    }
    if (x < length) std::memset(line + x, 0, static_cast<size_t>(length - x));
  }

 private:
  const std::vector<uint8_t>& FData;
  bool FRunLength;
  size_t FPos = 0;
  int32_t FRunLeft = 0;
  uint8_t FRunValue = 0;
};

void DecodeRows(const uint8_t* header, TBitmap& bitmap, const std::vector<uint8_t>& data,
                const TPaletteTable& palette16, const TPaletteTable& palette256, int32_t width,
                int32_t height, TProgressRec& progress) {
  const int bits = header[3];
  const int planes = header[65];
  const int32_t bytesPerLine = GetWord(header + 66);
  // Every layout below takes at most width bytes of a plane line; the buffer holds that much
  // whatever the header's line length, and what the line does not fill stays 0.
  const size_t bufferLength = static_cast<size_t>(std::max(bytesPerLine, width));
  std::vector<uint8_t> lines(bufferLength * 4, 0);
  uint8_t* plane[4] = {lines.data(), lines.data() + bufferLength, lines.data() + 2 * bufferLength,
                       lines.data() + 3 * bufferLength};
  TPlaneLineReader reader(data, header[2] == 1);
  const int32_t oneBitBytes = (width + 7) / 8;

  for (int32_t y = 0; y < height; ++y) {
    progress.Val = y;
    progress.Report();
    // Rows past the end of the data stay as the resize left them (black), so that a small
    // file claiming a large picture costs no more than its data.
    if (progress.Failed() || reader.Exhausted()) return;
    uint8_t* row = bitmap.ScanLine(y);
    if (planes == 1) {
      reader.Next(plane[0], bytesPerLine);
      if (bits == 8) ExpandIndices(plane[0], 8, width, palette256, row);
      else if (bits == 4) ExpandIndices(plane[0], 4, width, palette16, row);
      else if (bits == 1) std::memcpy(row, plane[0], static_cast<size_t>(oneBitBytes));
    } else if (planes == 3) {
      for (int p = 0; p < 3; ++p) reader.Next(plane[p], bytesPerLine);
      // Locals, so that the byte stores to the row need not reload the plane pointers.
      const uint8_t* red = plane[0];
      const uint8_t* green = plane[1];
      const uint8_t* blue = plane[2];
      for (int32_t x = 0; x < width; ++x, row += 3) {
        row[0] = blue[x];
        row[1] = green[x];
        row[2] = red[x];
      }
    } else if (planes == 4) {
      for (int p = 0; p < 4; ++p) reader.Next(plane[p], bytesPerLine);
      for (int32_t x = 0; x < width; ++x, row += 3) {
        const int shift = 7 - (x & 7);
        const size_t at = static_cast<size_t>(x >> 3);
        const int index = ((plane[0][at] >> shift) & 1) | (((plane[1][at] >> shift) & 1) << 1) |
                          (((plane[2][at] >> shift) & 1) << 2) | (((plane[3][at] >> shift) & 1) << 3);
        PutTriple(row, palette16.Entry[index]);
      }
    }
  }
}

}  // namespace

void ReadPcxStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress, int64_t size) {
  const int64_t start = stream.Position();
  uint8_t header[kHeaderSize] = {};
  if (!ReadFull(stream, header, kHeaderSize) || header[0] != 0x0A || header[3] > 8 ||
      header[2] > 1) {
    progress.Fail();
    return;
  }
  // The data cannot reach past the stream, whatever size the caller was given.
  size = std::min(size, stream.Size() - start);
  const int bits = header[3];
  const int planes = header[65];
  const int32_t width = GetWord(header + 8) - GetWord(header + 4) + 1;
  const int32_t height = GetWord(header + 10) - GetWord(header + 6) + 1;
  params.DpiX = GetWord(header + 12);
  params.DpiY = GetWord(header + 14);
  if (params.DpiX == 0 || params.DpiY == 0) params.DpiX = params.DpiY = ScreenPixelsPerInch();

  // The 256-colour palette is the last 768 bytes of the data, with or without its marker byte.
  std::vector<TRGBTriple> palette256;
  if (planes == 1 && bits > 4) {
    const int64_t at = std::max<int64_t>(start + size - kVgaPaletteSize, start);
    stream.SetPosition(at);
    const std::vector<uint8_t> rgb = ReadAvailable(stream, std::min<int64_t>(kVgaPaletteSize, size));
    palette256.assign(256, kTripleBlack);
    for (size_t i = 0; i + 3 <= rgb.size(); i += 3) palette256[i / 3] = {rgb[i + 2], rgb[i + 1], rgb[i]};
    stream.SetPosition(start + kHeaderSize);
  }
  std::vector<TRGBTriple> palette16(16);
  for (int i = 0; i < 16; ++i) {
    const uint8_t* rgb = header + 16 + i * 3;
    palette16[static_cast<size_t>(i)] = {rgb[2], rgb[1], rgb[0]};
  }

  params.BitsPerSample = bits;
  params.SamplesPerPixel = planes;
  params.Width = width;
  params.Height = height;
  params.PcxVersion = header[1];
  params.FreePalette();
  if (bits == 8) {
    params.Palette = palette256;  // none for a picture in colour planes
  } else if (bits == 1 && planes == 4) {
    params.Palette = palette16;
    params.BitsPerSample = 4;
    params.SamplesPerPixel = 1;
  } else if (bits < 8) {
    // The header holds 16 colours; depths of 5 to 7 bits get those.
    params.Palette.assign(palette16.begin(), palette16.begin() + std::min(1 << bits, 16));
  }
  if (paramsOnly) return;

  if (!PrepareTarget(bitmap, bits == 1 && planes == 1 ? pf1bit : pf24bit, width, height, progress) ||
      bitmap.Empty())
    return;
  progress.Val = 0;
  progress.Per = height > 0 ? 100.0 / height : 0.0;
  // A failure while decoding (memory, the stream) becomes the failure flag; rows already
  // written stay.
  try {
    const std::vector<uint8_t> data = ReadAvailable(stream, size - kHeaderSize);
    DecodeRows(header, bitmap, data, TPaletteTable(palette16), TPaletteTable(palette256), width,
               height, progress);
  } catch (const std::exception&) {
    progress.Fail();
  }
}

}  // namespace pictova
