// The TIFF reader (TIFF 6.0, both byte orders): walks the IFD chain, reads the tags of the
// chosen directory and decodes its strips or tiles (none, CCITT, LZW through the parameters
// record's hook, PackBits) into the target bitmap.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "imageio/CcittDecoder.h"
#include "imageio/FormatRegistry.h"
#include "imageio/ImageParams.h"
#include "imageio/ReaderSupport.h"
#include "imageio/Readers.h"
#include "rtl/Classes.h"

namespace pictova {

namespace {

// A chain longer than this is taken as broken and ends there.
constexpr int32_t kMaxDirectories = 4096;

enum TTag : uint16_t {
  tgImageWidth = 256,
  tgImageLength = 257,
  tgBitsPerSample = 258,
  tgCompression = 259,
  tgPhotometric = 262,
  tgFillOrder = 266,
  tgDocumentName = 269,
  tgImageDescription = 270,
  tgStripOffsets = 273,
  tgOrientation = 274,
  tgSamplesPerPixel = 277,
  tgRowsPerStrip = 278,
  tgStripByteCounts = 279,
  tgXResolution = 282,
  tgYResolution = 283,
  tgPlanarConfig = 284,
  tgPageName = 285,
  tgXPosition = 286,
  tgYPosition = 287,
  tgT4Options = 292,
  tgResolutionUnit = 296,
  tgPageNumber = 297,
  tgPredictor = 317,
  tgColorMap = 320,
  tgTileWidth = 322,
  tgTileLength = 323,
  tgTileOffsets = 324,
  tgTileByteCounts = 325,
};

// The compression codes of the parameters record.
enum TCompression : int {
  cpNone = 0,
  cpModifiedHuffman = 1,
  cpGroup3OneD = 2,
  cpGroup3TwoD = 3,
  cpGroup4 = 4,
  cpLzw = 5,
  cpOldJpeg = 6,
  cpJpeg = 7,
  cpPackBits = 8,
  cpUnknown = -1,
};

bool IsCcitt(int compression) { return compression >= cpModifiedHuffman && compression <= cpGroup4; }

struct TEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint8_t Value[4] = {};
};

int TypeSize(uint16_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;  // BYTE, ASCII, SBYTE, UNDEFINED
    case 3: case 8: return 2;                  // SHORT, SSHORT
    case 4: case 9: case 11: return 4;         // LONG, SLONG, FLOAT
    case 5: case 10: case 12: return 8;        // RATIONAL, SRATIONAL, DOUBLE
    default: return 0;
  }
}

// Random access to the file behind the stream, every read checked against its size.
class TTiffFile {
 public:
  explicit TTiffFile(TStream& stream)
      : FStream(stream), FBase(stream.Position()), FSize(std::max<int64_t>(0, stream.Size() - FBase)) {}

  int64_t Size() const { return FSize; }
  bool BigEndian = false;

  bool ReadAt(int64_t offset, void* buffer, int64_t length) {
    if (offset < 0 || length < 0 || offset > FSize || length > FSize - offset) return false;
    if (length == 0) return true;
    FStream.SetPosition(FBase + offset);
    return FStream.Read(buffer, static_cast<int32_t>(length)) == length;
  }
  // Reads what there is of [offset, offset + length) (the rest of the file when length is
  // negative).
  std::vector<uint8_t> ReadBlock(int64_t offset, int64_t length) {
    std::vector<uint8_t> data;
    if (offset < 0 || offset >= FSize) return data;
    const int64_t available = FSize - offset;
    if (length < 0 || length > available) length = available;
    if (length > INT32_MAX) length = INT32_MAX;
    data.resize(static_cast<size_t>(length));
    if (!ReadAt(offset, data.data(), length)) data.clear();
    return data;
  }
  uint16_t U16(const uint8_t* p) const {
    return static_cast<uint16_t>(BigEndian ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8));
  }
  uint32_t U32(const uint8_t* p) const {
    return BigEndian ? (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]
                     : p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
  }

 private:
  TStream& FStream;
  int64_t FBase;
  int64_t FSize;
};

// The entries of the chosen directory and their values.
class TDirectory {
 public:
  TDirectory(TTiffFile& file, std::vector<TEntry> entries) : FFile(file), FEntries(std::move(entries)) {}

  bool Has(uint16_t tag) const { return Find(tag) != nullptr; }

  // The value bytes of an entry: in the entry when they fit in 4 bytes, else at its offset.
  // Empty when they lie outside the file.
  std::vector<uint8_t> Bytes(const TEntry& e) const {
    const int64_t length = int64_t{e.Count} * TypeSize(e.Type);
    if (length <= 4) return std::vector<uint8_t>(e.Value, e.Value + length);
    std::vector<uint8_t> data;
    if (length > FFile.Size()) return data;
    data.resize(static_cast<size_t>(length));
    if (!FFile.ReadAt(FFile.U32(e.Value), data.data(), length)) data.clear();
    return data;
  }

  // Every value of an integer tag: BYTE, SHORT and LONG as they are, other types as 0.
  std::vector<uint32_t> Array(uint16_t tag) const {
    std::vector<uint32_t> values;
    const TEntry* e = Find(tag);
    if (!e) return values;
    const std::vector<uint8_t> bytes = Bytes(*e);
    const int size = TypeSize(e->Type);
    if (size == 0 || bytes.size() < size_t{e->Count} * static_cast<size_t>(size)) return values;
    values.resize(e->Count);
    for (uint32_t i = 0; i < e->Count; ++i) {
      const uint8_t* p = bytes.data() + size_t{i} * static_cast<size_t>(size);
      switch (e->Type) {
        case 1: case 6: case 7: values[i] = p[0]; break;
        case 3: case 8: values[i] = FFile.U16(p); break;
        case 4: case 9: values[i] = FFile.U32(p); break;
        default: values[i] = 0; break;
      }
    }
    return values;
  }

  int64_t Value(uint16_t tag, int64_t fallback) const {
    const std::vector<uint32_t> values = Array(tag);
    return values.empty() ? fallback : values[0];
  }

  // A RATIONAL (a denominator of 0 counts as 1); an integer type is taken as it is.
  double Rational(uint16_t tag, double fallback) const {
    const TEntry* e = Find(tag);
    if (!e || e->Count == 0) return fallback;
    if (e->Type != 5) return static_cast<double>(Value(tag, 0));
    uint8_t pair[8];
    if (!FFile.ReadAt(FFile.U32(e->Value), pair, 8)) return fallback;
    const uint32_t num = FFile.U32(pair);
    const uint32_t den = FFile.U32(pair + 4);
    return static_cast<double>(num) / (den == 0 ? 1 : den);
  }

  // An ASCII value, up to its first zero byte.
  std::string String(uint16_t tag) const {
    const TEntry* e = Find(tag);
    if (!e) return std::string();
    const std::vector<uint8_t> bytes = Bytes(*e);
    const auto end = std::find(bytes.begin(), bytes.end(), uint8_t{0});
    return std::string(bytes.begin(), end);
  }

 private:
  const TEntry* Find(uint16_t tag) const {
    for (const TEntry& e : FEntries)
      if (e.Tag == tag) return &e;
    return nullptr;
  }

  TTiffFile& FFile;
  std::vector<TEntry> FEntries;
};

// Undoes horizontal differencing: each sample plus the sample of the same channel to its left,
// modulo its size (TIFF 6.0 section 14). 16-bit samples are in the file's byte order.
void UndoPredictor(uint8_t* row, int32_t width, int samples, int bits, bool bigEndian) {
  if (bits == 8 && samples == 3) {
    // The common RGB case with the running sums kept in registers.
    uint8_t r = row[0], g = row[1], b = row[2];
    for (int32_t x = 1; x < width; ++x) {
      uint8_t* p = row + int64_t{x} * 3;
      p[0] = r = static_cast<uint8_t>(r + p[0]);
      p[1] = g = static_cast<uint8_t>(g + p[1]);
      p[2] = b = static_cast<uint8_t>(b + p[2]);
    }
  } else if (bits == 8) {
    const int64_t n = int64_t{width} * samples;
    for (int64_t i = samples; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - samples]);
  } else if (bits == 16) {
    const int64_t n = int64_t{width} * samples;
    auto get = [&](int64_t i) -> uint16_t {
      const uint8_t* p = row + i * 2;
      return static_cast<uint16_t>(bigEndian ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8));
    };
    for (int64_t i = samples; i < n; ++i) {
      const auto v = static_cast<uint16_t>(get(i) + get(i - samples));
      uint8_t* p = row + i * 2;
      p[bigEndian ? 0 : 1] = static_cast<uint8_t>(v >> 8);
      p[bigEndian ? 1 : 0] = static_cast<uint8_t>(v);
    }
  }
}

// One byte per sample from samples packed at bits (1 to 7) each, most significant first.
void UnpackSamples(const uint8_t* src, uint8_t* dst, int64_t count, int bits) {
  const unsigned mask = (1u << bits) - 1;
  int64_t bit = 0;
  for (int64_t i = 0; i < count; ++i, bit += bits) {
    const int64_t byte = bit >> 3;
    const unsigned word = (unsigned{src[byte]} << 8) | (bits + (bit & 7) > 8 ? src[byte + 1] : 0u);
    dst[i] = static_cast<uint8_t>((word >> (16 - (bit & 7) - bits)) & mask);
  }
}

uint8_t LabComponent(double v) {
  if (v <= 0) return 0;
  if (v >= 1) return 255;
  return static_cast<uint8_t>(std::sqrt(v) * 256);
}

// CIELab (8-bit L, signed 8-bit a and b) to blue, green, red.
void LabToBgr(uint8_t l, uint8_t a8, uint8_t b8, uint8_t* out) {
  auto signedByte = [](uint8_t v) { return v == 0x80 ? 128 : static_cast<int>(static_cast<int8_t>(v)); };
  const double L = l / 255.0 * 100;
  const double A = (signedByte(a8) + 127) / 255.0 * 200 - 100;
  const double B = (signedByte(b8) + 127) / 255.0 * 200 - 100;
  const double fy = (L + 16) / 116;
  double X, Y, Z;
  if (L >= 7.9996) {
    X = std::pow(fy + A / 500, 3);
    Y = fy * fy * fy;
    Z = std::pow(fy - B / 200, 3);
  } else {
    X = L / 903.3 + A / 3893.5;
    Y = L / 903.3;
    Z = L / 903.3 - B / 1557.4;
  }
  out[2] = LabComponent(2.69 * X - 1.276 * Y - 0.414 * Z);
  out[1] = LabComponent(-1.022 * X + 1.978 * Y + 0.044 * Z);
  out[0] = LabComponent(0.061 * X - 0.224 * Y + 1.163 * Z);
}

// How decoded rows become bitmap pixels: one of the conversions of the photometric, sample
// and bit combinations that are shown.
enum TConversion {
  cvNone,
  cvBilevel,     // 1-bit rows copied to the 1-bit bitmap, inverted for white-is-zero
  cvPalette,     // 1 to 8 bits, colour map lookup
  cvGrey,        // 1 sample (or more, the first taken) of 2 to 8 bits
  cvGrey16,
  cvRgb,         // 3 or more 8-bit samples
  cvRgb16,       // 3 or more 16-bit samples, the high bytes
  cvRgb555,      // 1 16-bit sample holding 5 bits per colour
  cvCmyk,
  cvLab,
};

TConversion ChooseConversion(int photometric, int samples, int bits, bool havePalette) {
  switch (photometric) {
    case 0:
    case 1:
      if (samples == 1 && bits == 1) return cvBilevel;
      if (bits >= 2 && bits <= 8) return cvGrey;
      if (bits == 16) return cvGrey16;
      return cvNone;
    case 2:
      if (samples >= 3 && bits == 8) return cvRgb;
      if (samples >= 3 && bits == 16) return cvRgb16;
      if (samples == 1 && bits == 16) return cvRgb555;
      return cvNone;
    case 3:
      return samples == 1 && bits >= 1 && bits <= 8 && havePalette ? cvPalette : cvNone;
    case 5:
      return samples >= 4 && bits == 8 ? cvCmyk : cvNone;
    case 8:
      return samples >= 3 && bits == 8 ? cvLab : cvNone;
    default:
      return cvNone;
  }
}

// Everything the decoding of the chosen image needs.
struct TImageLayout {
  int32_t Width = 0;
  int32_t Height = 0;
  int Samples = 1;
  int Bits = 1;
  int Photometric = 2;
  int Compression = cpNone;
  int Predictor = 1;
  bool Planar = false;  // planar configuration 2 with more than one sample
  TCcittOptions Ccitt;
  TConversion Conversion = cvNone;
  std::array<TRGBTriple, 256> Colours{};
  TTiffDecodeHook Lzw = nullptr;
  bool BigEndian = false;
};

// Bytes of one row of count pixels with the given samples per pixel: rows end on a byte boundary.
int64_t RowBytes(int64_t count, int samples, int bits) { return (count * samples * bits + 7) / 8; }

// The decompressed rows of one strip or tile, one at a time.
class TRowSource {
 public:
  TRowSource(const TImageLayout& layout, const std::vector<uint8_t>& data, int32_t pixels,
             int64_t rowBytes)
      : FLayout(layout), FData(data), FRowBytes(rowBytes) {
    if (IsCcitt(layout.Compression))
      FCcitt = std::make_unique<TCcittDecoder>(data.data(), static_cast<int64_t>(data.size()), pixels,
                                               layout.Ccitt);
  }
  ~TRowSource() {
    if (FLayout.Compression == cpLzw && FLayout.Lzw) FLayout.Lzw(nullptr, 0, 0, &FLzwState);
  }
  TRowSource(const TRowSource&) = delete;
  TRowSource& operator=(const TRowSource&) = delete;

  // The next row: in the strip's own data, the decoder's buffer or scratch (which has room for
  // a row); nullptr when the row cannot be decoded.
  const uint8_t* Next(uint8_t* scratch);

 private:
  bool NextPackBits(uint8_t* row);

  const TImageLayout& FLayout;
  const std::vector<uint8_t>& FData;
  int64_t FRowBytes;
  int64_t FPos = 0;
  std::unique_ptr<TCcittDecoder> FCcitt;
  intptr_t FLzwState = 0;
  // A PackBits run that goes on into the next row.
  int FLiteral = 0;
  int FRepeat = 0;
  uint8_t FRepeatByte = 0;
};

const uint8_t* TRowSource::Next(uint8_t* scratch) {
  switch (FLayout.Compression) {
    case cpNone: {
      if (FRowBytes > static_cast<int64_t>(FData.size()) - FPos) return nullptr;
      const uint8_t* row = FData.data() + FPos;
      FPos += FRowBytes;
      return row;
    }
    case cpModifiedHuffman:
    case cpGroup3OneD:
    case cpGroup3TwoD:
    case cpGroup4:
      return FCcitt->DecodeRow(scratch) ? scratch : nullptr;
    case cpLzw:
      return FLayout.Lzw(FData.data(), static_cast<int64_t>(FData.size()), static_cast<int32_t>(FRowBytes),
                         &FLzwState);
    case cpPackBits:
      return NextPackBits(scratch) ? scratch : nullptr;
    default:
      return nullptr;
  }
}

// PackBits (TIFF 6.0 section 9): n in 0..127 copies n + 1 bytes, -127..-1 repeats the next byte
// 1 - n times, -128 is skipped.
bool TRowSource::NextPackBits(uint8_t* row) {
  const auto size = static_cast<int64_t>(FData.size());
  int64_t filled = 0;
  while (filled < FRowBytes) {
    if (FLiteral > 0) {
      const int64_t n = std::min<int64_t>({FLiteral, FRowBytes - filled, size - FPos});
      if (n <= 0) return false;
      std::memcpy(row + filled, FData.data() + FPos, static_cast<size_t>(n));
      FPos += n;
      filled += n;
      FLiteral -= static_cast<int>(n);
      continue;
    }
    if (FRepeat > 0) {
      const int64_t n = std::min<int64_t>(FRepeat, FRowBytes - filled);
      std::memset(row + filled, FRepeatByte, static_cast<size_t>(n));
      filled += n;
      FRepeat -= static_cast<int>(n);
      continue;
    }
    if (FPos >= size) return false;
    const auto n = static_cast<int8_t>(FData[static_cast<size_t>(FPos++)]);
    if (n >= 0) {
      FLiteral = n + 1;
    } else if (n != -128) {
      if (FPos >= size) return false;
      FRepeatByte = FData[static_cast<size_t>(FPos++)];
      FRepeat = 1 - n;
    }
  }
  return true;
}

// Writes count pixels of a decoded row (samples already one per byte below 8 bits) at pixel x0
// of a bitmap row.
void ConvertRow(const TImageLayout& L, const uint8_t* src, uint8_t* dst, int32_t x0, int32_t count) {
  const int s = L.Samples;
  if (L.Conversion == cvBilevel) {
    const bool invert = L.Photometric == 0;
    if ((x0 & 7) == 0) {
      // Whole bytes, the spare bits of the last one cleared.
      const int32_t full = count / 8;
      uint8_t* out = dst + x0 / 8;
      for (int32_t i = 0; i < full; ++i) out[i] = invert ? static_cast<uint8_t>(~src[i]) : src[i];
      if (count & 7) {
        const auto keep = static_cast<uint8_t>(0xFF00 >> (count & 7));
        out[full] = static_cast<uint8_t>((invert ? ~src[full] : src[full]) & keep);
      }
      return;
    }
    for (int32_t i = 0; i < count; ++i) {
      const bool bit = ((src[i >> 3] >> (7 - (i & 7))) & 1) != invert;
      const int32_t x = x0 + i;
      const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
      if (bit)
        dst[x >> 3] |= mask;
      else
        dst[x >> 3] &= static_cast<uint8_t>(~mask);
    }
    return;
  }
  uint8_t* out = dst + int64_t{x0} * 3;
  auto put = [&out](uint8_t r, uint8_t g, uint8_t b) {
    out[0] = b;
    out[1] = g;
    out[2] = r;
    out += 3;
  };
  const bool be = L.BigEndian;
  switch (L.Conversion) {
    case cvPalette:
      for (int32_t i = 0; i < count; ++i) {
        const TRGBTriple& c = L.Colours[src[i]];
        put(c.Red, c.Green, c.Blue);
      }
      break;
    case cvGrey: {
      const int maxValue = (1 << L.Bits) - 1;
      for (int32_t i = 0; i < count; ++i) {
        auto g = static_cast<uint8_t>(src[int64_t{i} * s] * 255 / maxValue);
        if (L.Photometric == 0) g = static_cast<uint8_t>(255 - g);
        put(g, g, g);
      }
      break;
    }
    case cvGrey16:
      for (int32_t i = 0; i < count; ++i) {
        const uint8_t* p = src + int64_t{i} * s * 2;
        unsigned v = be ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8);
        if (L.Photometric == 0) v = 65535 - v;
        const auto g = static_cast<uint8_t>(v >> 8);
        put(g, g, g);
      }
      break;
    case cvRgb:
      for (int32_t i = 0; i < count; ++i) {
        const uint8_t* p = src + int64_t{i} * s;
        put(p[0], p[1], p[2]);
      }
      break;
    case cvRgb16: {
      const int high = be ? 0 : 1;
      for (int32_t i = 0; i < count; ++i) {
        const uint8_t* p = src + int64_t{i} * s * 2;
        put(p[high], p[2 + high], p[4 + high]);
      }
      break;
    }
    case cvRgb555:
      for (int32_t i = 0; i < count; ++i) {
        const unsigned w = src[i * 2] | (src[i * 2 + 1] << 8);
        put(static_cast<uint8_t>((w >> 10) << 3), static_cast<uint8_t>(((w >> 5) & 31) * 8),
            static_cast<uint8_t>((w & 31) * 8));
      }
      break;
    case cvCmyk:
      for (int32_t i = 0; i < count; ++i) {
        const uint8_t* p = src + int64_t{i} * s;
        const int k = 255 - p[3];
        put(static_cast<uint8_t>((255 - p[0]) * k / 255), static_cast<uint8_t>((255 - p[1]) * k / 255),
            static_cast<uint8_t>((255 - p[2]) * k / 255));
      }
      break;
    case cvLab:
      for (int32_t i = 0; i < count; ++i) {
        const uint8_t* p = src + int64_t{i} * s;
        LabToBgr(p[0], p[1], p[2], out);
        out += 3;
      }
      break;
    default:
      break;
  }
}

// Decodes strips or tiles into the target.
class TImageDecoder {
 public:
  TImageDecoder(const TImageLayout& layout, TBitmap& bitmap, TProgressRec& progress)
      : FLayout(layout), FBitmap(bitmap), FProgress(progress) {}

  // rows × pixels of decoded data placed at (x, y) of the image, clipped to it. data holds one
  // block per plane. False when the data ends early or cannot be decoded.
  bool DecodeBlock(const std::vector<std::vector<uint8_t>>& planes, int32_t x, int32_t y,
                   int32_t pixels, int32_t rows);
  void Step() {
    ++FProgress.Val;
    FProgress.Report();
  }

 private:
  const TImageLayout& FLayout;
  TBitmap& FBitmap;
  TProgressRec& FProgress;
};

bool TImageDecoder::DecodeBlock(const std::vector<std::vector<uint8_t>>& planes, int32_t x, int32_t y,
                                int32_t pixels, int32_t rows) {
  const TImageLayout& L = FLayout;
  const int planeSamples = L.Planar ? 1 : L.Samples;
  const int64_t rowBytes = RowBytes(pixels, planeSamples, L.Bits);
  const int64_t unpackedBytes = int64_t{pixels} * L.Samples * (L.Bits == 16 ? 2 : 1);
  std::vector<std::unique_ptr<TRowSource>> sources;
  for (const std::vector<uint8_t>& data : planes)
    sources.push_back(std::make_unique<TRowSource>(L, data, pixels, rowBytes));
  std::vector<uint8_t> raw(static_cast<size_t>(rowBytes) + 1);
  std::vector<uint8_t> samples(static_cast<size_t>(std::max(unpackedBytes, rowBytes)) + 1);
  const int32_t visible = std::min(pixels, L.Width - x);

  const bool predictor = L.Compression == cpLzw && L.Predictor == 2;
  for (int32_t r = 0; r < rows && y + r < L.Height; ++r) {
    if (FProgress.Failed()) return true;
    const uint8_t* converted = samples.data();
    for (size_t p = 0; p < sources.size(); ++p) {
      const uint8_t* row = sources[p]->Next(raw.data());
      if (!row) return false;
      if (predictor) {
        if (row != raw.data()) std::memcpy(raw.data(), row, static_cast<size_t>(rowBytes));
        UndoPredictor(raw.data(), pixels, planeSamples, L.Bits, L.BigEndian);
        row = raw.data();
      }
      if (L.Planar) {
        for (int32_t i = 0; i < pixels; ++i) samples[int64_t{i} * L.Samples + p] = row[i];
      } else if (L.Bits < 8 && L.Conversion != cvBilevel) {
        UnpackSamples(row, samples.data(), int64_t{pixels} * L.Samples, L.Bits);
      } else {
        converted = row;
      }
    }
    if (visible > 0) ConvertRow(L, converted, FBitmap.ScanLine(y + r), x, visible);
    Step();
  }
  return true;
}

struct TStripList {
  std::vector<uint32_t> Offsets;
  std::vector<uint32_t> Counts;
  std::vector<uint8_t> Read(TTiffFile& file, size_t i) const {
    const int64_t count = i < Counts.size() ? int64_t{Counts[i]} : -1;
    return file.ReadBlock(Offsets[i], count);
  }
};

}  // namespace

int32_t ReadTiffStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                       TProgressRec& progress) {
  TTiffFile file(stream);
  uint8_t header[8];
  if (!file.ReadAt(0, header, 8) || !((header[0] == 'I' && header[1] == 'I') || (header[0] == 'M' && header[1] == 'M'))) {
    progress.Fail();
    return 0;
  }
  file.BigEndian = header[0] == 'M';

  // The chain of directories: one that loops back, lies outside the file or is cut short ends it.
  std::set<int64_t> seen;
  std::vector<TEntry> chosen;
  bool loaded = false;
  int32_t count = 0;
  int64_t offset = file.U32(header + 4);
  while (count < kMaxDirectories && offset != 0 && seen.insert(offset).second) {
    uint8_t word[4];
    if (!file.ReadAt(offset, word, 2)) break;
    const uint16_t entries = file.U16(word);
    if (count == params.TiffImageIndex) {
      const int64_t fit = std::min<int64_t>(entries, (file.Size() - offset - 2) / 12);
      std::vector<uint8_t> raw(static_cast<size_t>(fit) * 12);
      file.ReadAt(offset + 2, raw.data(), static_cast<int64_t>(raw.size()));
      for (int64_t i = 0; i < fit; ++i) {
        const uint8_t* p = raw.data() + i * 12;
        TEntry e;
        e.Tag = file.U16(p);
        e.Type = file.U16(p + 2);
        e.Count = file.U32(p + 4);
        std::memcpy(e.Value, p + 8, 4);
        chosen.push_back(e);
      }
      loaded = true;
    }
    ++count;
    if (!file.ReadAt(offset + 2 + int64_t{entries} * 12, word, 4)) break;
    offset = file.U32(word);
  }
  params.TiffImageCount = count;
  // A file without a single readable directory is broken; an index past the last directory
  // merely has nothing to decode.
  if (count == 0) progress.Fail();
  if (!loaded) return count;

  const TDirectory dir(file, std::move(chosen));
  TImageLayout L;
  L.BigEndian = file.BigEndian;
  const std::vector<uint32_t> bitsList = dir.Array(tgBitsPerSample);
  for (uint32_t b : bitsList)
    if (b != bitsList[0]) {
      progress.Fail();
      return count;
    }
  const int64_t width = dir.Value(tgImageWidth, 0);
  const int64_t height = dir.Value(tgImageLength, 0);
  const int64_t samples = dir.Value(tgSamplesPerPixel, 1);
  const int64_t bits = bitsList.empty() ? 1 : bitsList[0];
  const int64_t photometricTag = dir.Value(tgPhotometric, 2);
  const int64_t compressionTag = dir.Value(tgCompression, 1);
  const int64_t t4Options = dir.Value(tgT4Options, 0);
  const int64_t planar = dir.Value(tgPlanarConfig, 1);

  switch (compressionTag) {
    case 1: L.Compression = cpNone; break;
    case 2: L.Compression = cpModifiedHuffman; break;
    case 3: L.Compression = (t4Options & 1) ? cpGroup3TwoD : cpGroup3OneD; break;
    case 4: L.Compression = cpGroup4; break;
    case 5: L.Compression = cpLzw; break;
    case 6: L.Compression = cpOldJpeg; break;
    case 7: L.Compression = cpJpeg; break;
    case 32773: L.Compression = cpPackBits; break;
    default: L.Compression = cpUnknown; break;
  }
  L.Photometric = static_cast<int>(photometricTag);
  if (samples == 1 && bits == 1 && IsCcitt(L.Compression) && L.Photometric == 2) L.Photometric = 0;
  // Without the tag, one sample per pixel is grey with black at zero, as other readers take it.
  if (!dir.Has(tgPhotometric) && samples == 1 && !IsCcitt(L.Compression)) L.Photometric = 1;

  params.BitsPerSample = static_cast<int32_t>(bits);
  params.SamplesPerPixel = static_cast<int32_t>(samples);
  params.Width = static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
  params.Height = static_cast<int32_t>(std::min<int64_t>(height, INT32_MAX));
  if (L.Compression != cpUnknown) params.TiffCompression = static_cast<uint8_t>(L.Compression);
  if (L.Photometric >= 0 && L.Photometric <= 6) params.TiffPhotometric = static_cast<uint8_t>(L.Photometric);
  if (L.Photometric == 8) params.TiffPhotometric = 7;
  params.TiffPlanarConfig = static_cast<int32_t>(planar);
  params.TiffDocumentName = dir.String(tgDocumentName);
  params.TiffImageDescription = dir.String(tgImageDescription);
  params.TiffPageName = dir.String(tgPageName);
  const std::vector<uint32_t> page = dir.Array(tgPageNumber);
  params.TiffPageNumber = page.size() > 0 ? static_cast<int32_t>(page[0]) : 0;
  params.TiffPageCount = page.size() > 1 ? static_cast<int32_t>(page[1]) : 0;

  // The colour map: 3 × 2^bits SHORTs, all reds, then greens, then blues; the high bytes count.
  params.FreePalette();
  if (bits >= 1 && bits <= 8) {
    const std::vector<uint32_t> map = dir.Array(tgColorMap);
    const size_t n = size_t{1} << bits;
    if (map.size() >= 3 * n) {
      params.Palette.resize(n);
      for (size_t i = 0; i < n; ++i)
        params.Palette[i] = TRGBTriple{static_cast<uint8_t>(map[i + 2 * n] >> 8),
                                       static_cast<uint8_t>(map[i + n] >> 8), static_cast<uint8_t>(map[i] >> 8)};
    }
  }
  const double factor = dir.Value(tgResolutionUnit, 2) == 3 ? 2.54 : 1.0;
  auto truncated = [](double v) {
    return static_cast<int32_t>(std::clamp(v, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
  };
  params.DpiX = truncated(dir.Rational(tgXResolution, 0) * factor);
  params.DpiY = truncated(dir.Rational(tgYResolution, 0) * factor);
  if (params.DpiX == 0) params.DpiX = ScreenPixelsPerInch();
  if (params.DpiY == 0) params.DpiY = ScreenPixelsPerInch();
  params.TiffXPos = truncated(dir.Rational(tgXPosition, 0) * factor);
  params.TiffYPos = truncated(dir.Rational(tgYPosition, 0) * factor);

  if (L.Compression == cpLzw) {
    L.Lzw = params.TiffDecodeHook ? params.TiffDecodeHook : FormatRegistry().LzwHooks().TiffDecode;
    if (!L.Lzw) {
      progress.Fail();
      return count;
    }
  }
  if (paramsOnly) return count;

  const bool bilevelTarget = samples == 1 && bits == 1 && (L.Photometric == 0 || L.Photometric == 1);
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
    PrepareTarget(bitmap, bilevelTarget ? pf1bit : pf24bit, 1, 1, progress);
    progress.Fail();
    return count;
  }
  if (!PrepareTarget(bitmap, bilevelTarget ? pf1bit : pf24bit, static_cast<int32_t>(width),
                     static_cast<int32_t>(height), progress))
    return count;

  L.Width = static_cast<int32_t>(width);
  L.Height = static_cast<int32_t>(height);
  L.Samples = samples >= 1 && samples <= 16 ? static_cast<int>(samples) : 0;
  L.Bits = static_cast<int>(bits);
  L.Predictor = static_cast<int>(dir.Value(tgPredictor, 1));
  L.Planar = planar == 2 && samples > 1;
  L.Ccitt.Mode = L.Compression == cpModifiedHuffman ? TCcittMode::ModifiedHuffman
                 : L.Compression == cpGroup4       ? TCcittMode::Group4
                                                   : TCcittMode::Group3;
  L.Ccitt.TwoDimensional = L.Compression == cpGroup3TwoD;
  L.Ccitt.LsbFirst = dir.Value(tgFillOrder, 1) == 2;
  for (size_t i = 0; i < params.Palette.size(); ++i) L.Colours[i] = params.Palette[i];
  L.Conversion = L.Samples == 0 ? cvNone : ChooseConversion(L.Photometric, L.Samples, L.Bits, !params.Palette.empty());

  // What cannot be shown leaves the target sized but empty, and says so through the flag.
  const bool decodable = L.Conversion != cvNone && L.Compression != cpUnknown && L.Compression != cpOldJpeg &&
                         L.Compression != cpJpeg && (!IsCcitt(L.Compression) || L.Conversion == cvBilevel) &&
                         (!L.Planar || L.Bits == 8);
  if (!decodable) {
    progress.Fail();
    return count;
  }

  TImageDecoder decoder(L, bitmap, progress);
  progress.Val = 0;
  const int64_t tileWidth = dir.Value(tgTileWidth, -1);
  const int64_t tileLength = dir.Value(tgTileLength, -1);
  if ((tileWidth > 0 || tileLength > 0) && dir.Has(tgTileOffsets)) {
    TStripList tiles{dir.Array(tgTileOffsets), dir.Array(tgTileByteCounts)};
    if (L.Planar || tileWidth <= 0 || tileLength <= 0 || !ImageSizeAcceptable(tileWidth, tileLength)) {
      progress.Fail();
      return count;
    }
    const int64_t across = (width + tileWidth - 1) / tileWidth;
    const int64_t down = (height + tileLength - 1) / tileLength;
    const int64_t placed = std::min<int64_t>(across * down, static_cast<int64_t>(tiles.Offsets.size()));
    progress.Per = placed > 0 ? 100.0 / static_cast<double>(placed * tileLength) : 0.0;
    int64_t x = 0, y = 0;
    for (size_t i = 0; i < tiles.Offsets.size() && y < height && !progress.Failed(); ++i) {
      const std::vector<std::vector<uint8_t>> planes{tiles.Read(file, i)};
      if (!decoder.DecodeBlock(planes, static_cast<int32_t>(x), static_cast<int32_t>(y),
                               static_cast<int32_t>(tileWidth), static_cast<int32_t>(tileLength)))
        progress.Fail();
      x += tileWidth;
      if (x >= width) {
        x = 0;
        y += tileLength;
      }
    }
    if (y < height) progress.Fail();
    return count;
  }

  TStripList strips{dir.Array(tgStripOffsets), dir.Array(tgStripByteCounts)};
  int64_t rowsPerStrip = dir.Value(tgRowsPerStrip, height);
  if (rowsPerStrip <= 0 || rowsPerStrip > height) rowsPerStrip = height;
  progress.Per = 100.0 / static_cast<double>(height);
  const size_t planes = L.Planar ? static_cast<size_t>(L.Samples) : 1;
  const size_t perPlane = strips.Offsets.size() / planes;
  int64_t row = 0;
  for (size_t i = 0; i < perPlane && row < height && !progress.Failed(); ++i) {
    std::vector<std::vector<uint8_t>> data;
    for (size_t p = 0; p < planes; ++p) data.push_back(strips.Read(file, p * perPlane + i));
    const int64_t rows = std::min(rowsPerStrip, height - row);
    if (!decoder.DecodeBlock(data, 0, static_cast<int32_t>(row), L.Width, static_cast<int32_t>(rows)))
      progress.Fail();
    row += rows;
  }
  if (row < height) progress.Fail();
  return count;
}

}  // namespace pictova
