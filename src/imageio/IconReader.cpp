// The icon and cursor reader: one image of a Windows .ico or .cur file, its colours through
// the colour table and its AND mask painted in the chosen background colour. Plain "BM" files
// given as icons go to the BMP reader, and PNG-coded entries to the PNG reader.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imageio/ImageParams.h"
#include "imageio/RasterSupport.h"
#include "imageio/ReaderSupport.h"
#include "imageio/Readers.h"
#include "rtl/Classes.h"

namespace pictova {

namespace {

constexpr int kDirHeaderSize = 6;
constexpr int kEntrySize = 16;
constexpr int kDibHeaderSize = 40;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

enum class TKind { Icon, Cursor };

// Bits per pixel for a colour count: the smallest depth that holds that many colours.
int BitsForColours(int colours) {
  int bits = 0;
  while ((1 << bits) < colours) ++bits;
  return bits;
}

bool MaskBit(const std::vector<uint8_t>& mask, int64_t rowStart, int32_t x) {
  const size_t at = static_cast<size_t>(rowStart + (x >> 3));
  return at < mask.size() && ((mask[at] >> (7 - (x & 7))) & 1) != 0;
}

// The XOR rows, bottom row first. Pixels the AND mask marks take the background colour (1, 4
// and 8 bits); 32-bit pixels are laid onto the background by their alpha; 24-bit ones are
// copied as they are.
void DecodePixels(TStream& stream, TBitmap& bitmap, int bits, int32_t width, int32_t height,
                  const TPaletteTable& palette, const TRGBTriple& background,
                  TProgressRec& progress) {
  const int64_t xorRow = (static_cast<int64_t>(width) * bits + 31) / 32 * 4;
  const int64_t maskRow = (static_cast<int64_t>(width) + 31) / 32 * 4;
  progress.Val = 0;
  progress.Per = height > 0 ? 100.0 / height : 0.0;
  if (bits == 1 || bits == 24) {
    for (int32_t y = 0; y < height && !progress.Failed(); ++y) {
      if (stream.Read(bitmap.ScanLine(height - 1 - y), static_cast<int32_t>(xorRow)) < xorRow) break;
      progress.Val = y + 1;
      progress.Report();
    }
    if (bits == 24) return;
    const std::vector<uint8_t> mask = ReadAvailable(stream, maskRow * height);
    if (background != kTripleWhite) return;  // masked pixels keep their bits
    for (int32_t y = 0; y < height && y * maskRow < static_cast<int64_t>(mask.size()); ++y) {
      uint8_t* row = bitmap.ScanLine(height - 1 - y);
      for (int32_t x = 0; x < width; ++x)
        if (MaskBit(mask, y * maskRow, x)) row[x >> 3] ^= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    return;
  }
  const std::vector<uint8_t> pixels = ReadAvailable(stream, xorRow * height);
  const std::vector<uint8_t> mask = ReadAvailable(stream, maskRow * height);
  for (int32_t y = 0; y < height && !progress.Failed() && y * xorRow < static_cast<int64_t>(pixels.size()); ++y) {
    const int64_t offset = y * xorRow;
    const int32_t present = PixelsIn(static_cast<int64_t>(pixels.size()) - offset, bits);
    uint8_t* dst = bitmap.ScanLine(height - 1 - y);
    const uint8_t* src = pixels.data() + std::min<size_t>(static_cast<size_t>(offset), pixels.size());
    for (int32_t x = 0; x < width && x < present; ++x, dst += 3) {
      if (MaskBit(mask, y * maskRow, x)) {
        PutTriple(dst, background);
      } else if (bits == 32) {
        const uint8_t* p = src + x * 4;
        const int a = p[3];
        dst[0] = static_cast<uint8_t>((p[0] * a + background.Blue * (255 - a) + 127) / 255);
        dst[1] = static_cast<uint8_t>((p[1] * a + background.Green * (255 - a) + 127) / 255);
        dst[2] = static_cast<uint8_t>((p[2] * a + background.Red * (255 - a) + 127) / 255);
      } else {
        const int index = bits == 8 ? src[x] : (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
        PutTriple(dst, palette.Entry[index]);
      }
    }
    progress.Val = y + 1;
    progress.Report();
  }
}

void ReadIconOrCursor(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                      TProgressRec& progress, TKind kind) {
  const int64_t start = stream.Position();
  uint8_t dir[kDirHeaderSize] = {};
  ReadFull(stream, dir, kDirHeaderSize);
  if (kind == TKind::Icon && dir[0] == 'B' && dir[1] == 'M') {
    stream.SetPosition(start);
    ReadBmpStream(stream, bitmap, params, paramsOnly, progress, stream.Size() - start);
    return;
  }
  const int32_t index = kind == TKind::Icon ? params.IcoImageIndex : params.CurImageIndex;
  if (index < 0 || index >= GetWord(dir + 4)) return;
  uint8_t entry[kEntrySize] = {};
  stream.Seek(static_cast<int64_t>(index) * kEntrySize, soCurrent);
  if (!ReadFull(stream, entry, kEntrySize)) {
    progress.Fail();
    return;
  }
  stream.SetPosition(start + GetDword(entry + 12));

  // Entries stored as PNG files (large icons) are decoded as such.
  uint8_t header[kDibHeaderSize] = {};
  const bool haveHeader = ReadFull(stream, header, kDibHeaderSize);
  if (std::memcmp(header, kPngSignature, sizeof kPngSignature) == 0) {
    stream.SetPosition(start + GetDword(entry + 12));
    ReadPngStream(stream, bitmap, params, paramsOnly, progress);
    if (kind == TKind::Cursor) {
      params.CurHotSpotX = GetWord(entry + 4);
      params.CurHotSpotY = GetWord(entry + 6);
    }
    return;
  }
  if (!haveHeader) {
    progress.Fail();
    return;
  }

  params.DpiX = DpiFromPixelsPerMetre(static_cast<int32_t>(GetDword(header + 24)));
  params.DpiY = DpiFromPixelsPerMetre(static_cast<int32_t>(GetDword(header + 28)));
  if (static_cast<int32_t>(GetDword(header + 24)) < 1) params.DpiX = ScreenPixelsPerInch();
  if (static_cast<int32_t>(GetDword(header + 28)) < 1) params.DpiY = ScreenPixelsPerInch();

  const int colours = entry[2];
  int bits = GetWord(header + 14);
  if (kind == TKind::Icon && bits == 0) bits = GetWord(entry + 6);
  if (bits == 0) {
    if (colours == 0) {
      progress.Fail();
      return;
    }
    bits = BitsForColours(colours);
  }
  // The colour table: the entry's colour count, or the whole table of the depth. Icons carry
  // one only up to 8 bits; a cursor's is read whatever its depth, but never past 256 entries.
  int paletteSize = colours != 0 ? colours : bits <= 8 ? 1 << bits : 0;
  if (kind == TKind::Icon && bits > 8) paletteSize = 0;
  paletteSize = std::min(paletteSize, 256);

  const int32_t headerWidth = static_cast<int32_t>(GetDword(header + 4));
  const int32_t headerHeight = static_cast<int32_t>(GetDword(header + 8));
  int32_t width = entry[0] != 0 ? entry[0] : headerWidth;
  int32_t height = entry[1] != 0 ? entry[1] : headerHeight / 2;
  if (kind == TKind::Icon && entry[0] != 0 && headerWidth != 0 && entry[0] != headerWidth &&
      headerWidth < 2048 && headerHeight < 2048) {
    width = headerWidth;
    height = headerHeight / 2;
  }

  if (kind == TKind::Icon) {
    params.BitsPerSample = bits > 8 ? 8 : bits;
    params.SamplesPerPixel = bits > 8 ? 3 : 1;
  } else {
    params.BitsPerSample = bits;
    params.SamplesPerPixel = 1;
    params.CurHotSpotX = GetWord(entry + 4);
    params.CurHotSpotY = GetWord(entry + 6);
  }
  params.FreePalette();
  const std::vector<uint8_t> table = ReadAvailable(stream, static_cast<int64_t>(paletteSize) * 4);
  for (size_t at = 0; at + 4 <= table.size(); at += 4)
    params.Palette.push_back({table[at], table[at + 1], table[at + 2]});
  params.Width = width;
  params.Height = height;
  if (paramsOnly) return;

  // The 1-bit target is for 1-bit pixels, which is what a two-colour table holds.
  if (!PrepareTarget(bitmap, bits == 1 ? pf1bit : pf24bit, width, height, progress) || bitmap.Empty()) return;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return;
  DecodePixels(stream, bitmap, bits, width, height, TPaletteTable(params.Palette),
               kind == TKind::Icon ? params.IcoBackground : params.CurBackground, progress);
}

}  // namespace

void ReadIcoStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress) {
  ReadIconOrCursor(stream, bitmap, params, paramsOnly, progress, TKind::Icon);
}

void ReadCurStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress) {
  ReadIconOrCursor(stream, bitmap, params, paramsOnly, progress, TKind::Cursor);
}

}  // namespace pictova
