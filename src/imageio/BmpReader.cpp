// The BMP reader: Windows and OS/2 device-independent bitmaps ("BM" files) at 1, 4, 8, 16, 24
// and 32 bits per pixel, uncompressed or run-length coded (RLE8, RLE4), into a 24-bit or 1-bit
// target.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "imageio/ImageParams.h"
#include "imageio/RasterSupport.h"
#include "imageio/ReaderSupport.h"
#include "imageio/Readers.h"
#include "rtl/Classes.h"

namespace pictova {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoAreaSize = 64;

// One channel of a BI_BITFIELDS layout: where its bits sit and how many there are. The value
// is brought to 8 bits by dropping low bits or shifting left (the low bits then stay 0), so the
// usual 5-5-5 and 8-8-8 layouts give exactly their plain decodes.
struct TChannel {
  int Shift = 0;
  int Width = 0;
  uint32_t Mask = 0;

  explicit TChannel(uint32_t mask = 0) : Mask(mask) {
    if (mask == 0) return;
    Shift = std::countr_zero(mask);
    Width = std::bit_width(mask >> Shift);
  }
  uint8_t Value(uint32_t pixel) const {
    const uint32_t v = (pixel & Mask) >> Shift;
    return static_cast<uint8_t>(Width >= 8 ? v >> (Width - 8) : v << (8 - Width));
  }
};

struct TMasks {
  TChannel Red, Green, Blue;
};

struct TBmpHeader {
  int32_t Width = 0;
  int32_t Height = 0;  // negative: rows stored top-down
  int32_t BitCount = 0;
  uint32_t Compression = 0;
  uint32_t ImageSize = 0;
  TMasks Masks;
};

// Maps the n-th row in file order to its bitmap row.
struct TRowOrder {
  int32_t Height;
  bool TopDown;
  int32_t Row(int32_t fileRow) const { return TopDown ? fileRow : Height - 1 - fileRow; }
};

bool IsBlackWhite(const std::vector<TRGBTriple>& palette) {
  return palette.size() >= 2 && ((palette[0] == kTripleBlack && palette[1] == kTripleWhite) ||
                                 (palette[0] == kTripleWhite && palette[1] == kTripleBlack));
}

void InvertBits(TBitmap& bitmap) {
  uint8_t* bits = bitmap.Bits();
  const size_t n = static_cast<size_t>(bitmap.RowBytes()) * static_cast<size_t>(bitmap.Height());
  for (size_t i = 0; i < n; ++i) bits[i] = static_cast<uint8_t>(~bits[i]);
}

// Rows that go from the stream into the bitmap as they are (24-bit, and 1-bit with a
// black-and-white palette). A row cut short by the end of the stream keeps what arrived.
void ReadRowsDirect(TStream& stream, TBitmap& bitmap, int32_t rowLength, const TRowOrder& order,
                    TProgressRec& progress) {
  const int32_t copy = std::min(rowLength, bitmap.RowBytes());
  std::vector<uint8_t> skip(static_cast<size_t>(rowLength - copy));
  for (int32_t y = 0; y < order.Height; ++y) {
    progress.Val = y;
    progress.Report();
    if (progress.Failed()) return;
    if (stream.Read(bitmap.ScanLine(order.Row(y)), copy) < copy) return;
    if (!skip.empty()) stream.Read(skip.data(), static_cast<int32_t>(skip.size()));
  }
}

// Palette images (1, 4, 8 bits) without compression: the pixel array is read in one block and
// each row expanded through the palette.
void ReadIndexedRows(TStream& stream, TBitmap& bitmap, const TBmpHeader& h, int64_t rowLength,
                     const TPaletteTable& table, const TRowOrder& order, TProgressRec& progress) {
  const std::vector<uint8_t> data = ReadAvailable(stream, rowLength * order.Height);
  for (int32_t y = 0; y < order.Height; ++y) {
    progress.Val = y;
    progress.Report();
    if (progress.Failed()) return;
    const int64_t offset = y * rowLength;
    if (offset >= static_cast<int64_t>(data.size())) return;
    const int32_t present = PixelsIn(static_cast<int64_t>(data.size()) - offset, h.BitCount);
    ExpandIndices(data.data() + offset, h.BitCount, std::min(h.Width, present), table,
                  bitmap.ScanLine(order.Row(y)));
  }
}

// 16-bit and 32-bit pixels, split by the channel masks.
void ReadMaskedRows(TStream& stream, TBitmap& bitmap, const TBmpHeader& h, int32_t rowLength,
                    const TRowOrder& order, TProgressRec& progress) {
  const int bytesPerPixel = h.BitCount / 8;
  std::vector<uint8_t> row(static_cast<size_t>(rowLength));
  const TMasks& m = h.Masks;
  for (int32_t y = 0; y < order.Height; ++y) {
    progress.Val = y;
    progress.Report();
    if (progress.Failed()) return;
    const int32_t got = std::max(0, stream.Read(row.data(), rowLength));
    const int32_t pixels = std::min(h.Width, got / bytesPerPixel);
    uint8_t* dst = bitmap.ScanLine(order.Row(y));
    const uint8_t* src = row.data();
    for (int32_t x = 0; x < pixels; ++x, src += bytesPerPixel, dst += 3) {
      const uint32_t pixel = bytesPerPixel == 2 ? GetWord(src) : GetDword(src);
      dst[0] = m.Blue.Value(pixel);
      dst[1] = m.Green.Value(pixel);
      dst[2] = m.Red.Value(pixel);
    }
    if (got < rowLength) return;
  }
}

// RLE8 and RLE4 (compression 1 and 2) from the compressed data held in memory. Runs and
// literal runs that pass the end of a row are clipped there; a delta or end of line that leaves
// the bitmap ends the decode, as does the end of the data.
void DecodeRle(const std::vector<uint8_t>& data, TBitmap& bitmap, const TBmpHeader& h,
               const TPaletteTable& table, const TRowOrder& order, TProgressRec& progress) {
  const bool rle4 = h.BitCount == 4;
  const size_t size = data.size();
  int64_t x = 0;
  int64_t y = 0;  // rows in file order, 0 the first stored
  uint8_t* row = order.Height > 0 ? bitmap.ScanLine(order.Row(0)) : nullptr;
  auto put = [&](uint8_t index) {
    if (x < h.Width) PutTriple(row + x * 3, table.Entry[index]);
    ++x;
  };
  size_t i = 0;
  while (row != nullptr && i + 1 < size) {
    const uint8_t n = data[i];
    const uint8_t v = data[i + 1];
    i += 2;
    if (n > 0) {
      for (int k = 0; k < n; ++k) put(rle4 ? ((k & 1) ? (v & 0x0F) : (v >> 4)) : v);
      continue;
    }
    switch (v) {
      case 0:  // end of line
        x = 0;
        if (++y >= order.Height) return;
        row = bitmap.ScanLine(order.Row(static_cast<int32_t>(y)));
        progress.Val = static_cast<int32_t>(y);
        progress.Report();
        if (progress.Failed()) return;
        break;
      case 1: return;  // end of bitmap
      case 2:          // delta
        if (i + 1 >= size) return;
        x += data[i];
        y += data[i + 1];
        i += 2;
        if (y >= order.Height) return;
        row = bitmap.ScanLine(order.Row(static_cast<int32_t>(y)));
        break;
      default: {  // a literal run of v indices, padded to an even number of bytes
        const size_t bytes = rle4 ? (v + 1u) / 2 : v;
        const size_t available = std::min(bytes, size - i);
        for (int k = 0; k < v; ++k) {
          const size_t at = rle4 ? static_cast<size_t>(k / 2) : static_cast<size_t>(k);
          if (at >= available) return;
          const uint8_t b = data[i + at];
          put(rle4 ? ((k & 1) ? (b & 0x0F) : (b >> 4)) : b);
        }
        i += bytes + (bytes & 1);
        break;
      }
    }
  }
}

}  // namespace

void ReadBmpStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress, int64_t size) {
  const int64_t start = stream.Position();
  uint8_t fileHeader[kFileHeaderSize] = {};
  const bool haveHeader = ReadFull(stream, fileHeader, kFileHeaderSize);
  if (size < 1 && GetDword(fileHeader + 2) != 0) size = GetDword(fileHeader + 2);
  if (!haveHeader || fileHeader[0] != 'B' || fileHeader[1] != 'M') {
    progress.Fail();
    return;
  }
  const uint32_t dataOffset = GetDword(fileHeader + 10);

  // The info header: OS/2 1.x (12 bytes) or any of the longer Windows and OS/2 2.x forms, of
  // which the first 64 bytes are all that is used.
  uint8_t info[kInfoAreaSize] = {};
  ReadFull(stream, info, 4);
  const uint32_t infoSize = GetDword(info);
  TBmpHeader h;
  params.FreePalette();
  int paletteEntrySize = 4;
  int64_t paletteCount = 0;
  if (infoSize == 12) {
    ReadFull(stream, info + 4, 8);
    h.Width = GetWord(info + 4);
    h.Height = GetWord(info + 6);
    h.BitCount = GetWord(info + 10);
    params.BmpVersion = 2;
    params.DpiX = params.DpiY = ScreenPixelsPerInch();
    paletteEntrySize = 3;
    if (h.BitCount <= 8) paletteCount = int64_t{1} << h.BitCount;
  } else {
    const uint32_t used = std::min<uint32_t>(std::max<uint32_t>(infoSize, 4), kInfoAreaSize);
    ReadFull(stream, info + 4, static_cast<int32_t>(used - 4));
    stream.SetPosition(start + kFileHeaderSize + std::max<int64_t>(infoSize, 4));
    h.Width = static_cast<int32_t>(GetDword(info + 4));
    h.Height = static_cast<int32_t>(GetDword(info + 8));
    h.BitCount = GetWord(info + 14);
    h.Compression = GetDword(info + 16);
    h.ImageSize = GetDword(info + 20);
    params.BmpVersion = infoSize == 40 ? 1 : infoSize == 64 ? 3 : 0;
    params.DpiX = DpiFromPixelsPerMetre(static_cast<int32_t>(GetDword(info + 24)));
    params.DpiY = DpiFromPixelsPerMetre(static_cast<int32_t>(GetDword(info + 28)));
    if (params.DpiX == 0) params.DpiX = ScreenPixelsPerInch();
    if (params.DpiY == 0) params.DpiY = ScreenPixelsPerInch();
    paletteCount = GetDword(info + 32);
    if (paletteCount == 0 && h.BitCount <= 8) paletteCount = int64_t{1} << h.BitCount;
  }

  // The colour table. Only the first 256 entries can be indexed; the rest is read past.
  const int64_t kept = std::min<int64_t>(paletteCount, 256);
  const std::vector<uint8_t> table = ReadAvailable(stream, kept * paletteEntrySize);
  for (size_t at = 0; at + 3 <= table.size(); at += static_cast<size_t>(paletteEntrySize))
    params.Palette.push_back({table[at], table[at + 1], table[at + 2]});
  if (paletteCount > kept) stream.Seek((paletteCount - kept) * paletteEntrySize, soCurrent);

  // Channel masks: the plain 5-5-5 and 8-8-8 layouts, or the file's own with BI_BITFIELDS,
  // which headers of 52 bytes and more carry inside, the 40-byte header right after the table.
  const bool bitfields = infoSize != 12 && h.Compression == 3;
  if (h.BitCount == 16) h.Masks = {TChannel(0x7C00), TChannel(0x03E0), TChannel(0x001F)};
  else h.Masks = {TChannel(0xFF0000), TChannel(0xFF00), TChannel(0xFF)};
  if (bitfields) {
    uint8_t masks[12] = {};
    ReadFull(stream, masks, 12);
    const uint8_t* from = infoSize >= 52 ? info + 40 : masks;
    h.Masks = {TChannel(GetDword(from)), TChannel(GetDword(from + 4)), TChannel(GetDword(from + 8))};
  }

  if (h.Compression == 1 || h.Compression == 2) params.BmpCompressed = true;
  else if (h.Compression == 0 || h.Compression == 3) params.BmpCompressed = false;

  if (dataOffset != 0) stream.SetPosition(start + dataOffset);
  int64_t dataLength = size > 0 ? size - (stream.Position() - start) : h.ImageSize;

  // A negative height is a top-down bitmap.
  const bool topDown = h.Height < 0;
  const int32_t height = topDown ? (h.Height == INT32_MIN ? -1 : -h.Height) : h.Height;
  params.Width = h.Width;
  params.Height = height;
  switch (h.BitCount) {
    case 1: case 4: case 8:
      params.BitsPerSample = h.BitCount;
      params.SamplesPerPixel = 1;
      break;
    case 16: params.BitsPerSample = 5; params.SamplesPerPixel = 3; break;
    case 24: case 32: params.BitsPerSample = 8; params.SamplesPerPixel = 3; break;
    default: break;
  }
  if (paramsOnly) return;

  // A two-colour picture stays 1-bit when its colours are black and white; any other pair is
  // shown in its own colours.
  const bool oneBitTarget = h.BitCount == 1 && (params.PaletteCount() < 2 || IsBlackWhite(params.Palette));
  if (!PrepareTarget(bitmap, oneBitTarget ? pf1bit : pf24bit, h.Width, height, progress)) return;
  if (bitmap.Empty()) return;
  const int64_t rowLength = (static_cast<int64_t>(h.Width) * h.BitCount + 31) / 32 * 4;
  progress.Val = 0;
  progress.Per = height > 0 ? 100.0 / height : 0.0;
  const TRowOrder order{height, topDown};
  const TPaletteTable palette(params.Palette);

  switch (h.BitCount) {
    case 1:
      if (h.Compression != 0) break;
      if (oneBitTarget) {
        ReadRowsDirect(stream, bitmap, static_cast<int32_t>(rowLength), order, progress);
        if (params.PaletteCount() >= 2 && params.Palette[0] == kTripleWhite) InvertBits(bitmap);
      } else {
        ReadIndexedRows(stream, bitmap, h, rowLength, palette, order, progress);
      }
      break;
    case 4:
    case 8:
      if (h.Compression == 0) {
        ReadIndexedRows(stream, bitmap, h, rowLength, palette, order, progress);
      } else if ((h.BitCount == 8 && h.Compression == 1) || (h.BitCount == 4 && h.Compression == 2)) {
        const std::vector<uint8_t> data = ReadAvailable(stream, dataLength);
        DecodeRle(data, bitmap, h, palette, order, progress);
      }
      break;
    case 16:
    case 32: ReadMaskedRows(stream, bitmap, h, static_cast<int32_t>(rowLength), order, progress); break;
    case 24: ReadRowsDirect(stream, bitmap, static_cast<int32_t>(rowLength), order, progress); break;
    default: break;
  }
}

}  // namespace pictova
