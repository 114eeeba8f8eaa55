// The GIF reader: walks the block structure (GIF87a/GIF89a), keeps the colour tables and the
// graphic control extension of the chosen image, and has that image's LZW data decoded through
// the parameters record's hook into the target bitmap.
#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "imageio/ImageParams.h"
#include "imageio/FormatRegistry.h"
#include "imageio/ReaderSupport.h"
#include "imageio/Readers.h"
#include "rtl/Classes.h"

namespace pictova {

namespace {

constexpr uint8_t kExtensionIntroducer = 0x21;  // '!'
constexpr uint8_t kImageSeparator = 0x2C;       // ','
constexpr uint8_t kTrailer = 0x3B;              // ';'
constexpr uint8_t kGraphicControlLabel = 0xF9;

// A colour table as read, entries turned to blue, green, red.
struct TColourTable {
  bool Present = false;
  int SizeBits = 0;  // the table has 2 << SizeBits entries
  std::vector<TRGBTriple> Entries;

  // Entry i, black beyond the table: pixel indices may exceed a short table.
  TRGBTriple At(int i) const {
    return i >= 0 && i < static_cast<int>(Entries.size()) ? Entries[static_cast<size_t>(i)]
                                                          : kTripleBlack;
  }
};

void ReportFixed(TProgressRec& progress, int per) {
  if (progress.OnProgress) progress.OnProgress(progress.Sender, per);
}

bool AtEnd(TStream& stream) { return stream.Position() >= stream.Size(); }

// Reads a table of entries stored red, green, blue. A table cut short by the end of the file
// keeps black for the missing entries.
TColourTable ReadColourTable(TStream& stream, int sizeBits) {
  TColourTable table;
  table.Present = true;
  table.SizeBits = sizeBits;
  const int count = 2 << sizeBits;
  std::vector<uint8_t> raw(static_cast<size_t>(count) * 3, 0);
  stream.Read(raw.data(), static_cast<int32_t>(raw.size()));
  table.Entries.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    table.Entries[static_cast<size_t>(i)] = TRGBTriple{raw[i * 3 + 2], raw[i * 3 + 1], raw[i * 3]};
  return table;
}

// Skips data sub-blocks up to their terminator or the end of the stream.
void SkipSubBlocks(TStream& stream) {
  for (;;) {
    uint8_t length = 0;
    if (stream.Read(&length, 1) != 1 || length == 0) return;
    stream.Seek(length, soCurrent);
    if (AtEnd(stream)) return;
  }
}

// Places decoded indices in the target: 1-bit rows packed eight pixels to the byte, or 24-bit
// pixels looked up in a 256-entry table (indices past the colour table give black).
void FillTarget(TBitmap& bitmap, const uint8_t* indices, int32_t width, int32_t height,
                const std::array<TRGBTriple, 256>& colours) {
  if (bitmap.PixelFormat() == pf1bit) {
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* row = bitmap.ScanLine(y);
      const uint8_t* src = indices + static_cast<int64_t>(y) * width;
      std::memset(row, 0, static_cast<size_t>((width + 7) / 8));
      for (int32_t x = 0; x < width; ++x)
        if (src[x] == 1) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    return;
  }
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    const uint8_t* src = indices + static_cast<int64_t>(y) * width;
    for (int32_t x = 0; x < width; ++x) {
      const TRGBTriple& c = colours[src[x]];
      row[0] = c.Blue;
      row[1] = c.Green;
      row[2] = c.Red;
      row += 3;
    }
  }
}

struct TGifRead {
  TStream& Stream;
  TBitmap& Bitmap;
  TImageParams& Params;
  bool ParamsOnly;
  TProgressRec& Progress;
  TColourTable Global;
  uint8_t Control[4] = {0, 0, 0, 0};  // flags, delay (2 bytes), transparent index

  void ReadGraphicControl();
  void ReadChosenImage(const uint8_t* descriptor, TColourTable& local);
};

// The graphic control extension of the chosen image: a block of (normally) 4 bytes. A block of
// another size is read for what it holds and the rest of its sub-blocks is skipped, so that
// the walk stays in step with the file.
void TGifRead::ReadGraphicControl() {
  uint8_t size = 0;
  if (Stream.Read(&size, 1) != 1 || size == 0) return;
  uint8_t block[255] = {};
  Stream.Read(block, size);
  std::memcpy(Control, block, sizeof(Control));
  SkipSubBlocks(Stream);
}

void TGifRead::ReadChosenImage(const uint8_t* d, TColourTable& local) {
  const int32_t left = d[0] | (d[1] << 8);
  const int32_t top = d[2] | (d[3] << 8);
  const int32_t width = d[4] | (d[5] << 8);
  const int32_t height = d[6] | (d[7] << 8);
  const bool interlaced = (d[8] & 0x40) != 0;

  ReportFixed(Progress, 30);
  if (Progress.Failed()) return;
  const TColourTable& table = local.Present ? local : Global;
  Params.GifTransparentColor = table.At(Control[3]);
  Params.GifLeft = left;
  Params.GifTop = top;
  Params.Width = width;
  Params.Height = height;
  Params.GifDelay = Control[1] | (Control[2] << 8);
  Params.GifTransparent = (Control[0] & 1) != 0;
  Params.GifInterlaced = interlaced;

  std::vector<uint8_t> indices;
  if (ParamsOnly) {
    Stream.Seek(1, soCurrent);
    SkipSubBlocks(Stream);
  } else {
    // width and height are 16-bit values, so the guard's side limit is what can refuse them.
    if (!ImageSizeAcceptable(width, height)) {
      Progress.Fail();
      return;
    }
    try {
      indices.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
      Progress.Fail();
      return;
    }
    const int64_t before = Stream.Position();
    TGifDecodeHook hook = Params.GifDecodeHook ? Params.GifDecodeHook : FormatRegistry().LzwHooks().GifDecode;
    if (hook) hook(Stream, height, width, indices.data(), interlaced);
    if (Stream.Position() == before) {
      Progress.Fail();
      return;
    }
  }
  ReportFixed(Progress, 70);
  if (Progress.Failed()) return;

  if (local.Present) {
    Params.Palette = local.Entries;
    Params.BitsPerSample = local.SizeBits + 1;
  } else {
    Params.Palette = Global.Entries;
    Params.BitsPerSample = Global.SizeBits + 1;
  }
  if (ParamsOnly) return;

  const bool bilevel = Params.BitsPerSample == 1 && Params.PaletteCount() == 2 &&
                       Params.Palette[0] == kTripleBlack && Params.Palette[1] == kTripleWhite;
  if (!PrepareTarget(Bitmap, bilevel ? pf1bit : pf24bit, width, height, Progress)) return;
  std::array<TRGBTriple, 256> colours{};
  if (table.Present) {
    for (size_t i = 0; i < colours.size() && i < table.Entries.size(); ++i) colours[i] = table.Entries[i];
  } else {
    // A file with no colour table at all leaves the choice of colours to the decoder; a grey
    // ramp over the code range keeps the picture visible instead of all black.
    const int levels = 2 << Global.SizeBits;
    for (int i = 0; i < levels && i < 256; ++i) {
      const auto g = static_cast<uint8_t>(levels > 1 ? i * 255 / (levels - 1) : 0);
      colours[static_cast<size_t>(i)] = TRGBTriple{g, g, g};
    }
  }
  // An image of no pixels leaves an empty bitmap.
  if (width > 0 && height > 0) FillTarget(Bitmap, indices.data(), width, height, colours);
}

}  // namespace

int32_t ReadGifStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                      TProgressRec& progress) {
  ReportFixed(progress, 0);
  if (progress.Failed()) return 0;

  TGifRead read{stream, bitmap, params, paramsOnly, progress, {}, {}};
  uint8_t header[13] = {};
  if (stream.Read(header, 13) != 13 || std::memcmp(header, "GIF", 3) != 0) {
    progress.Fail();
    return 0;
  }
  // The signature and version as text (a zero byte in them ends the text).
  const char* version = reinterpret_cast<const char*>(header);
  params.GifVersion.assign(version, strnlen(version, 6));
  params.GifScreenWidth = header[6] | (header[7] << 8);
  params.GifScreenHeight = header[8] | (header[9] << 8);
  params.GifAspect = header[12];
  params.DpiX = ScreenPixelsPerInch();
  params.DpiY = ScreenPixelsPerInch();
  params.SamplesPerPixel = 1;
  read.Global.SizeBits = header[10] & 7;
  if (header[10] & 0x80) {
    read.Global = ReadColourTable(stream, header[10] & 7);
    params.GifBackground = read.Global.At(header[11]);
  }
  if (AtEnd(stream)) progress.Fail();

  int32_t counter = 0;
  while (!progress.Failed()) {
    uint8_t byte = kTrailer;
    stream.Read(&byte, 1);
    if (AtEnd(stream)) byte = kTrailer;
    if (byte == kTrailer) break;
    if (byte == kExtensionIntroducer) {
      uint8_t label = 0;
      stream.Read(&label, 1);
      if (label == kGraphicControlLabel && counter == params.GifImageIndex)
        read.ReadGraphicControl();
      else
        SkipSubBlocks(stream);
    } else if (byte == kImageSeparator) {
      uint8_t descriptor[9] = {};
      stream.Read(descriptor, 9);
      TColourTable local;
      if (descriptor[8] & 0x80) local = ReadColourTable(stream, descriptor[8] & 7);
      if (counter == params.GifImageIndex) {
        read.ReadChosenImage(descriptor, local);
      } else {
        stream.Seek(1, soCurrent);
        SkipSubBlocks(stream);
      }
      ++counter;
    }
  }
  params.GifImageCount = counter;
  if (!progress.Failed()) ReportFixed(progress, 100);
  return counter;
}

}  // namespace pictova
