// The TGA (Truevision Targa) reader: colour-mapped, true-colour and grey images, stored or
// run-length coded, in any of the four row orders, with the version 2.0 footer's extension area
// (author, job, time stamp, key colour, aspect ratio, gamma).
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imageio/ImageParams.h"
#include "imageio/RasterSupport.h"
#include "imageio/ReaderSupport.h"
#include "imageio/Readers.h"
#include "rtl/Classes.h"

namespace pictova {

namespace {

constexpr int kHeaderSize = 18;
constexpr int kFooterSize = 26;
constexpr int kExtensionSize = 495;
constexpr int kBlockSize = 8192;

// The stream read in blocks of 8192 bytes. Take reports how many of the asked bytes were there.
class TBlockReader {
 public:
  explicit TBlockReader(TStream& stream) : FStream(stream) {}

  int32_t Take(uint8_t* dst, int32_t count) {
    int32_t done = 0;
    while (done < count) {
      if (FIndex >= FCount && !Refill()) break;
      const int32_t n = std::min(count - done, FCount - FIndex);
      std::memcpy(dst + done, FBuffer + FIndex, static_cast<size_t>(n));
      FIndex += n;
      done += n;
    }
    return done;
  }

 private:
  bool Refill() {
    FIndex = 0;
    FCount = std::max(0, FStream.Read(FBuffer, kBlockSize));
    return FCount > 0;
  }

  TStream& FStream;
  int32_t FCount = 0;
  int32_t FIndex = 0;
  uint8_t FBuffer[kBlockSize];
};

// Days since 30 December 1899 for a valid date and time, or a negative value.
double EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return -1;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) return -1;
  if (hour > 23 || minute > 59 || second > 59) return -1;
  // Days from the civil date (proleptic Gregorian), counted from 1 March of year 0.
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = y / 400;
  const int yoe = y - era * 400;
  const int mp = (month + 9) % 12;
  const int doy = (153 * mp + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t daysFrom0 = static_cast<int64_t>(era) * 146097 + doe;
  // 30 December 1899 is day 693899 of that count.
  return static_cast<double>(daysFrom0 - 693899) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::string FieldText(const uint8_t* p, size_t length) {
  const auto* end = static_cast<const uint8_t*>(std::memchr(p, 0, length));
  return std::string(reinterpret_cast<const char*>(p), end ? static_cast<size_t>(end - p) : length);
}

TRGBTriple From555(uint16_t w) {
  return {static_cast<uint8_t>((w & 31) * 8), static_cast<uint8_t>(((w >> 5) & 31) * 8),
          static_cast<uint8_t>(((w >> 10) & 31) * 8)};
}

void ReadExtensionArea(TStream& stream, int64_t start, TImageParams& params) {
  const int64_t size = stream.Size();
  if (size - start < kFooterSize) return;
  stream.SetPosition(size - kFooterSize);
  uint8_t footer[kFooterSize] = {};
  if (!ReadFull(stream, footer, kFooterSize)) return;
  if (FieldText(footer + 8, 18) != "TRUEVISION-XFILE.") return;
  stream.SetPosition(start + GetDword(footer));
  uint8_t ext[kExtensionSize] = {};
  stream.Read(ext, kExtensionSize);
  params.TgaAuthor = FieldText(ext + 2, 41);
  const int month = GetWord(ext + 367), day = GetWord(ext + 369), year = GetWord(ext + 371);
  if (month != 0 && day != 0 && year != 0) {
    const double stamp = EncodeDateTime(year, month, day, GetWord(ext + 373), GetWord(ext + 375),
                                        GetWord(ext + 377));
    if (stamp >= 0) params.TgaDate = stamp;
  }
  params.TgaJobName = FieldText(ext + 379, 41);
  params.TgaKeyColor = {ext[473], ext[472], ext[471]};
  const int aspectNum = GetWord(ext + 474), aspectDen = GetWord(ext + 476);
  if (aspectNum != 0 && aspectDen != 0) params.TgaAspectRatio = static_cast<double>(aspectNum) / aspectDen;
  const int gammaNum = GetWord(ext + 478), gammaDen = GetWord(ext + 480);
  if (gammaNum != 0 && gammaDen != 0) params.TgaGamma = static_cast<double>(gammaNum) / gammaDen;
}

// Turns pixels in the file's form into blue, green, red.
struct TPixelForm {
  int Depth;
  const TPaletteTable* Palette;

  int Bytes() const { return Depth == 1 ? 1 : Depth / 8; }
  void Convert(const uint8_t* src, int32_t count, uint8_t* dst) const {
    switch (Depth) {
      case 8: ExpandIndices(src, 8, count, *Palette, dst); break;
      case 16:
        for (int32_t x = 0; x < count; ++x, src += 2, dst += 3) PutTriple(dst, From555(GetWord(src)));
        break;
      case 24: std::memcpy(dst, src, static_cast<size_t>(count) * 3); break;
      case 32:
        for (int32_t x = 0; x < count; ++x, src += 4, dst += 3) {
          dst[0] = src[0];
          dst[1] = src[1];
          dst[2] = src[2];
        }
        break;
      default: break;
    }
  }
};

// Reads rows of elements (pixels, or for bilevel images packed bytes of 8 pixels). Run-length
// packets may run across rows: what a packet has left over goes on in the next row.
class TRowReader {
 public:
  TRowReader(TBlockReader& in, int elementBytes, bool runLength)
      : FIn(in), FBytes(elementBytes), FRunLength(runLength) {}

  // Fills count elements of row (count × element bytes); false when the data ended first
  // (what arrived is in the row).
  bool Read(uint8_t* row, int32_t count) {
    const size_t b = static_cast<size_t>(FBytes);
    if (!FRunLength) return FIn.Take(row, count * FBytes) == count * FBytes;
    int32_t x = 0;
    while (x < count) {
      if (FLeft == 0) {
        uint8_t packet = 0;
        if (FIn.Take(&packet, 1) != 1) return false;
        FLeft = (packet & 0x7F) + 1;
        FRepeat = (packet & 0x80) != 0;
        if (FRepeat && FIn.Take(FValue, FBytes) != FBytes) return false;
      }
      const int32_t n = std::min(FLeft, count - x);
      uint8_t* dst = row + static_cast<size_t>(x) * b;
      if (FRepeat) {
        for (int32_t k = 0; k < n; ++k, dst += b) std::memcpy(dst, FValue, b);
      } else if (FIn.Take(dst, n * FBytes) != n * FBytes) {
        return false;
      }
      x += n;
      FLeft -= n;
    }
    return true;
  }

 private:
  TBlockReader& FIn;
  int FBytes;
  bool FRunLength;
  int32_t FLeft = 0;
  bool FRepeat = false;
  uint8_t FValue[4] = {};
};

void ReverseRow(uint8_t* row, int32_t count, size_t bytes) {
  for (int32_t a = 0, b = count - 1; a < b; ++a, --b)
    std::swap_ranges(row + static_cast<size_t>(a) * bytes, row + static_cast<size_t>(a + 1) * bytes,
                     row + static_cast<size_t>(b) * bytes);
}

}  // namespace

void ReadTgaStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress) {
  const int64_t start = stream.Position();
  params.TgaAuthor.clear();
  params.TgaJobName.clear();
  params.TgaDate = Date();
  params.TgaKeyColor = kTripleBlack;
  params.TgaAspectRatio = 1.0;
  params.TgaGamma = 2.2;
  ReadExtensionArea(stream, start, params);

  stream.SetPosition(start);
  uint8_t h[kHeaderSize] = {};
  const bool haveHeader = ReadFull(stream, h, kHeaderSize);
  params.TgaXOrigin = GetWord(h + 8);
  params.TgaYOrigin = GetWord(h + 10);
  const int type = h[2];
  const int depth = h[16];
  const bool typeOk = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
  const bool depthOk = depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
  if (!haveHeader || !typeOk || !depthOk) {
    progress.Fail();
    return;
  }
  const std::vector<uint8_t> id = ReadAvailable(stream, h[0]);
  params.TgaImageId.assign(id.begin(), id.end());

  // The default palette is a 3-3-2 colour cube.
  TPaletteTable palette;
  for (int i = 0; i < 256; ++i)
    palette.Entry[i] = {static_cast<uint8_t>((i & 3) * 64 + 60), static_cast<uint8_t>(((i >> 2) & 7) * 32 + 28),
                        static_cast<uint8_t>((i >> 5) * 32 + 28)};
  const int mapFirst = GetWord(h + 3);
  const int mapLength = GetWord(h + 5);
  const int entrySize = h[7];
  if (h[1] == 1) {
    // Entries are held from the first index up to entry 255; the rest of the map is read past.
    const int entryBytes = (entrySize + 7) / 8;
    const std::vector<uint8_t> map = ReadAvailable(stream, static_cast<int64_t>(mapLength) * entryBytes);
    for (int i = 0; i < mapLength && mapFirst + i < 256; ++i) {
      const size_t at = static_cast<size_t>(i) * static_cast<size_t>(entryBytes);
      if (at + static_cast<size_t>(entryBytes) > map.size()) break;
      const uint8_t* e = map.data() + at;
      TRGBTriple& c = palette.Entry[mapFirst + i];
      if (entrySize == 15 || entrySize == 16) c = From555(GetWord(e));
      else if (entrySize == 24 || entrySize == 32) c = {e[0], e[1], e[2]};
    }
    params.FreePalette();
    params.Palette.assign(palette.Entry, palette.Entry + std::min(mapLength, 256));
    params.TgaGrayscale = false;
  } else if (depth == 8) {
    for (int i = 0; i < 256; ++i)
      palette.Entry[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
    params.TgaGrayscale = true;
  } else if (depth == 1) {
    palette.Entry[0] = kTripleBlack;
    palette.Entry[1] = kTripleWhite;
  }
  params.TgaCompressed = type >= 9;

  const int32_t width = GetWord(h + 12);
  const int32_t height = GetWord(h + 14);
  params.Width = width;
  params.Height = height;
  params.DpiX = params.DpiY = ScreenPixelsPerInch();
  switch (depth) {
    case 1: params.BitsPerSample = 1; params.SamplesPerPixel = 1; break;
    case 8: params.BitsPerSample = 8; params.SamplesPerPixel = 1; break;
    case 16: params.BitsPerSample = 5; params.SamplesPerPixel = 3; break;
    case 24: params.BitsPerSample = 8; params.SamplesPerPixel = 3; break;
    case 32: params.BitsPerSample = 8; params.SamplesPerPixel = 4; break;
    default: break;
  }
  if (paramsOnly) return;

  if (!PrepareTarget(bitmap, depth == 1 ? pf1bit : pf24bit, width, height, progress)) return;
  // Depth 4 is accepted, but has no pixel layout to decode; an image without columns has
  // nothing to read.
  if (depth == 4 || width == 0) return;
  progress.Val = 0;
  progress.Per = height > 0 ? 100.0 / height : 0.0;

  const uint8_t descriptor = h[17];
  const bool topDown = (descriptor & 0x30) != 0;
  const bool mirrored = (descriptor & 0x10) != 0;
  const TPixelForm form{depth, &palette};
  // Bilevel rows are packed bytes of 8 pixels and go to the 1-bit bitmap as they are.
  const int32_t elements = depth == 1 ? (width + 7) / 8 : width;
  const size_t elementBytes = static_cast<size_t>(form.Bytes());
  std::vector<uint8_t> fileRow(static_cast<size_t>(elements) * elementBytes);
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * 3);
  auto blocks = std::make_unique<TBlockReader>(stream);
  TRowReader rows(*blocks, form.Bytes(), params.TgaCompressed);
  for (int32_t y = 0; y < height; ++y) {
    // A row cut short by the end of the data is not shown; the rows after it stay as they are.
    if (!rows.Read(fileRow.data(), elements)) break;
    uint8_t* dst = bitmap.ScanLine(topDown ? y : height - 1 - y);
    if (depth == 1) {
      std::memcpy(dst, fileRow.data(), fileRow.size());
    } else if (!mirrored && depth == 24) {
      std::memcpy(dst, fileRow.data(), fileRow.size());
    } else {
      form.Convert(fileRow.data(), width, pixels.data());
      if (mirrored) ReverseRow(pixels.data(), width, 3);
      std::memcpy(dst, pixels.data(), pixels.size());
    }
    ++progress.Val;
    progress.Report();
  }
}

}  // namespace pictova
