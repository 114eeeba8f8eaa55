// Small GIF and TIFF writers for the reader tests, benchmarks and demo pictures: files are
// assembled block by block (or entry by entry) so that tests can also build broken ones.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace pictova::fixtures {

using TBytes = std::vector<uint8_t>;
using TRgb = std::array<uint8_t, 3>;  // red, green, blue as a file stores them

struct TLzwOptions {
  // GIF: when the table is full, go on with 12-bit codes without adding entries (a "deferred
  // clear") instead of sending a clear code.
  bool DeferClear = false;
  bool ClearFirst = true;  // start with a clear code
  bool EndCode = true;     // finish with the end code
};

// LZW codes of GIF (LSB-first) for the given indices, before the split into sub-blocks.
TBytes GifLzwEncode(const TBytes& indices, int minCodeSize, const TLzwOptions& options = {});
// TIFF's LZW (MSB-first codes, early change, clear code when the table fills).
TBytes TiffLzwEncode(const TBytes& data);
// PackBits of one row.
TBytes PackBitsEncode(const TBytes& row);
// Applies horizontal differencing to 8-bit rows of width pixels of samples each.
TBytes Difference8(const TBytes& rows, int width, int samples);

struct TGifControl {
  uint8_t Flags = 0;  // bit 0: transparent colour given
  uint16_t Delay = 0;
  uint8_t TransparentIndex = 0;
};

struct TGifFrame {
  uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool Interlaced = false;
  std::vector<TRgb> LocalTable;  // empty: none; else 2 << n entries
  std::optional<TGifControl> Control;
  TBytes Indices;                // width × height, rows in display order
  int MinCodeSize = 0;           // 0: from the table size (at least 2)
  TLzwOptions Lzw;
  std::optional<TBytes> RawData;  // replaces the encoded data (the code size byte included)
};

struct TGifFile {
  const char* Version = "GIF89a";
  uint16_t ScreenWidth = 0, ScreenHeight = 0;
  std::vector<TRgb> GlobalTable;  // empty: none
  uint8_t BackgroundIndex = 0;
  uint8_t Aspect = 0;
  std::vector<TGifFrame> Frames;
  bool Trailer = true;
};

TBytes MakeGif(const TGifFile& file);

// A TIFF file assembled from entries. Values that do not fit the entry are written after the
// header; directories follow. Offsets in the entries are computed when the file is built.
class TTiffWriter {
 public:
  explicit TTiffWriter(bool bigEndian = false) : FBig(bigEndian) {}

  // Starts a new directory; entries go to the last one started.
  void NewDirectory() { FDirs.emplace_back(); }
  void Short(uint16_t tag, std::vector<uint32_t> values) { Add(tag, 3, values); }
  void Long(uint16_t tag, std::vector<uint32_t> values) { Add(tag, 4, values); }
  void Rational(uint16_t tag, uint32_t num, uint32_t den) { Add(tag, 5, {num, den}); }
  void Ascii(uint16_t tag, const char* text);
  // Strip or tile data: stores the blocks and the offset and count entries.
  void Blocks(uint16_t offsetsTag, uint16_t countsTag, const std::vector<TBytes>& blocks);
  // The next-directory offset of the last directory: when set, it is written as it is
  // instead of 0 (to build chains that loop or point outside the file).
  void LastNextOffset(uint32_t offset) { FDirs.back().ForcedNext = offset; }
  // The offset of directory i in the built file (after Build).
  uint32_t DirectoryOffset(size_t i) const { return FDirs[i].Offset; }

  TBytes Build();

 private:
  struct TItem {
    uint16_t Tag, Type;
    std::vector<uint32_t> Values;  // numbers, or bytes for ASCII
    int BlockList = -1;            // offsets of these blocks instead of values
  };
  struct TDir {
    std::vector<TItem> Items;
    std::optional<uint32_t> ForcedNext;
    uint32_t Offset = 0;
  };
  void Add(uint16_t tag, uint16_t type, std::vector<uint32_t> values);
  void Put16(TBytes& out, uint32_t v) const;
  void Put32(TBytes& out, uint32_t v) const;

  bool FBig;
  std::vector<TDir> FDirs;
  std::vector<std::vector<TBytes>> FBlockLists;
};

// A TIFF of one image in 8-bit samples (1, 3 or 4 per pixel) as strips of rowsPerStrip rows,
// compressed with 1 (none), 5 (LZW, predictor when asked) or 32773 (PackBits).
TBytes MakeSimpleTiff(int width, int height, int samples, int photometric, const TBytes& pixels,
                      int compression, int rowsPerStrip, bool predictor = false, bool bigEndian = false);

// A bilevel pattern of 37 × 9 pixels (rows of 5 bytes, 1 = black) with runs of many lengths:
// the picture behind the CCITT strips that the TIFF tests hold.
TBytes BilevelPattern();

}  // namespace pictova::fixtures
