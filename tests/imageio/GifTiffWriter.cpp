// Small GIF and TIFF writers: LZW encoders for both variants, PackBits, GIF blocks and TIFF
// directories.
#include "imageio/GifTiffWriter.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace pictova::fixtures {

namespace {

// Packs codes of varying width, least significant bit first (GIF) or most significant first
// (TIFF).
class TBitWriter {
 public:
  explicit TBitWriter(bool msbFirst) : FMsb(msbFirst) {}
  void Put(uint32_t code, int width) {
    if (FMsb) {
      FAcc = (FAcc << width) | code;
      FCount += width;
      while (FCount >= 8) {
        FOut.push_back(static_cast<uint8_t>(FAcc >> (FCount - 8)));
        FCount -= 8;
      }
    } else {
      FAcc |= uint64_t{code} << FCount;
      FCount += width;
      while (FCount >= 8) {
        FOut.push_back(static_cast<uint8_t>(FAcc));
        FAcc >>= 8;
        FCount -= 8;
      }
    }
  }
  TBytes Finish() {
    if (FCount > 0) FOut.push_back(static_cast<uint8_t>(FMsb ? FAcc << (8 - FCount) : FAcc));
    return FOut;
  }

 private:
  bool FMsb;
  uint64_t FAcc = 0;
  int FCount = 0;
  TBytes FOut;
};

// The decoder's view of the code width, followed step by step: each code is written at the
// width the decoder will read it with. A decoder adds an entry for every code but the first
// after a clear; earlyChange is TIFF's rule of growing one entry sooner.
struct TWidthTracker {
  int Start, Width, Next, First;
  bool HavePrevious = false;
  bool Early;
  TWidthTracker(int startWidth, int firstFree, bool earlyChange)
      : Start(startWidth), Width(startWidth), Next(firstFree), First(firstFree), Early(earlyChange) {}
  void Seen() {
    if (HavePrevious && Next < 4096) {
      ++Next;
      const int limit = 1 << Width;
      if (Width < 12 && (Early ? Next + 1 >= limit : Next >= limit)) ++Width;
    }
    HavePrevious = true;
  }
  void Cleared() {
    Width = Start;
    Next = First;
    HavePrevious = false;
  }
};

TBytes LzwEncode(const TBytes& data, int literalsBits, bool tiff, const TLzwOptions& opt) {
  const int clear = 1 << literalsBits;
  const int end = clear + 1;
  const int tableLimit = tiff ? 4094 : 4096;  // TIFF writers clear two entries early
  TBitWriter out(tiff);
  TWidthTracker w(literalsBits + 1, clear + 2, tiff);
  std::unordered_map<uint32_t, int> dict;
  int next = clear + 2;
  if (opt.ClearFirst) out.Put(static_cast<uint32_t>(clear), w.Width);
  if (!data.empty()) {
    int prefix = data[0];
    for (size_t i = 1; i < data.size(); ++i) {
      const uint32_t key = (static_cast<uint32_t>(prefix) << 8) | data[i];
      const auto found = dict.find(key);
      if (found != dict.end()) {
        prefix = found->second;
        continue;
      }
      out.Put(static_cast<uint32_t>(prefix), w.Width);
      w.Seen();
      if (next < tableLimit) {
        dict[key] = next++;
      } else if (!opt.DeferClear) {
        out.Put(static_cast<uint32_t>(clear), w.Width);
        w.Cleared();
        dict.clear();
        next = clear + 2;
      }
      prefix = data[i];
    }
    out.Put(static_cast<uint32_t>(prefix), w.Width);
    w.Seen();
  }
  if (opt.EndCode) out.Put(static_cast<uint32_t>(end), w.Width);
  return out.Finish();
}

void Put16LE(TBytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutTable(TBytes& out, const std::vector<TRgb>& table) {
  for (const TRgb& c : table) out.insert(out.end(), c.begin(), c.end());
}

int TableBits(size_t entries) {
  int n = 0;
  while ((size_t{2} << n) < entries) ++n;
  return n;
}

}  // namespace

TBytes GifLzwEncode(const TBytes& indices, int minCodeSize, const TLzwOptions& options) {
  return LzwEncode(indices, minCodeSize, false, options);
}

TBytes TiffLzwEncode(const TBytes& data) { return LzwEncode(data, 8, true, TLzwOptions{}); }

TBytes PackBitsEncode(const TBytes& row) {
  TBytes out;
  size_t i = 0;
  while (i < row.size()) {
    size_t run = 1;
    while (i + run < row.size() && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 3) {
      out.push_back(static_cast<uint8_t>(1 - static_cast<int>(run)));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    size_t lit = 0;
    while (i + lit < row.size() && lit < 128) {
      if (i + lit + 2 < row.size() && row[i + lit] == row[i + lit + 1] && row[i + lit] == row[i + lit + 2]) break;
      ++lit;
    }
    out.push_back(static_cast<uint8_t>(lit - 1));
    out.insert(out.end(), row.begin() + static_cast<long>(i), row.begin() + static_cast<long>(i + lit));
    i += lit;
  }
  return out;
}

TBytes Difference8(const TBytes& rows, int width, int samples) {
  TBytes out = rows;
  const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(samples);
  for (size_t r = 0; r + stride <= out.size(); r += stride)
    for (size_t i = stride; i-- > static_cast<size_t>(samples);)
      out[r + i] = static_cast<uint8_t>(rows[r + i] - rows[r + i - static_cast<size_t>(samples)]);
  return out;
}

TBytes MakeGif(const TGifFile& f) {
  TBytes out(f.Version, f.Version + 6);
  Put16LE(out, f.ScreenWidth);
  Put16LE(out, f.ScreenHeight);
  const bool global = !f.GlobalTable.empty();
  out.push_back(static_cast<uint8_t>((global ? 0x80 : 0) | 0x70 | (global ? TableBits(f.GlobalTable.size()) : 0)));
  out.push_back(f.BackgroundIndex);
  out.push_back(f.Aspect);
  PutTable(out, f.GlobalTable);
  for (const TGifFrame& fr : f.Frames) {
    if (fr.Control) {
      const TGifControl& c = *fr.Control;
      const uint8_t block[] = {0x21, 0xF9, 4, c.Flags, static_cast<uint8_t>(c.Delay),
                               static_cast<uint8_t>(c.Delay >> 8), c.TransparentIndex, 0};
      out.insert(out.end(), block, block + sizeof(block));
    }
    out.push_back(0x2C);
    Put16LE(out, fr.Left);
    Put16LE(out, fr.Top);
    Put16LE(out, fr.Width);
    Put16LE(out, fr.Height);
    const bool local = !fr.LocalTable.empty();
    const int bits = local ? TableBits(fr.LocalTable.size()) : TableBits(f.GlobalTable.size());
    out.push_back(static_cast<uint8_t>((local ? 0x80 | bits : 0) | (fr.Interlaced ? 0x40 : 0)));
    PutTable(out, fr.LocalTable);
    if (fr.RawData) {
      out.insert(out.end(), fr.RawData->begin(), fr.RawData->end());
      continue;
    }
    TBytes indices = fr.Indices;
    if (fr.Interlaced) {
      indices.clear();
      static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < fr.Height; y += kStep[pass])
          indices.insert(indices.end(), fr.Indices.begin() + y * fr.Width, fr.Indices.begin() + (y + 1) * fr.Width);
    }
    const int codeSize = fr.MinCodeSize ? fr.MinCodeSize : std::max(2, bits + 1);
    out.push_back(static_cast<uint8_t>(codeSize));
    const TBytes codes = GifLzwEncode(indices, codeSize, fr.Lzw);
    for (size_t i = 0; i < codes.size(); i += 255) {
      const size_t n = std::min<size_t>(255, codes.size() - i);
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), codes.begin() + static_cast<long>(i), codes.begin() + static_cast<long>(i + n));
    }
    out.push_back(0);
  }
  if (f.Trailer) out.push_back(0x3B);
  return out;
}

void TTiffWriter::Add(uint16_t tag, uint16_t type, std::vector<uint32_t> values) {
  if (FDirs.empty()) NewDirectory();
  FDirs.back().Items.push_back(TItem{tag, type, std::move(values), -1});
}

void TTiffWriter::Ascii(uint16_t tag, const char* text) {
  std::vector<uint32_t> bytes(text, text + std::strlen(text) + 1);
  Add(tag, 2, bytes);
}

void TTiffWriter::Blocks(uint16_t offsetsTag, uint16_t countsTag, const std::vector<TBytes>& blocks) {
  FBlockLists.push_back(blocks);
  Add(offsetsTag, 4, std::vector<uint32_t>(blocks.size(), 0));
  FDirs.back().Items.back().BlockList = static_cast<int>(FBlockLists.size() - 1);
  std::vector<uint32_t> counts;
  for (const TBytes& b : blocks) counts.push_back(static_cast<uint32_t>(b.size()));
  Long(countsTag, counts);
}

void TTiffWriter::Put16(TBytes& out, uint32_t v) const {
  if (FBig) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
  } else {
    Put16LE(out, v);
  }
}

void TTiffWriter::Put32(TBytes& out, uint32_t v) const {
  if (FBig) {
    Put16(out, v >> 16);
    Put16(out, v & 0xFFFF);
  } else {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
  }
}

TBytes TTiffWriter::Build() {
  TBytes out = FBig ? TBytes{'M', 'M', 0, 42} : TBytes{'I', 'I', 42, 0};
  Put32(out, 0);  // first directory, patched below
  std::vector<std::vector<uint32_t>> blockOffsets;
  for (const std::vector<TBytes>& list : FBlockLists) {
    blockOffsets.emplace_back();
    for (const TBytes& b : list) {
      blockOffsets.back().push_back(static_cast<uint32_t>(out.size()));
      out.insert(out.end(), b.begin(), b.end());
      if (out.size() & 1) out.push_back(0);
    }
  }
  auto patch32 = [&](size_t at, uint32_t v) {
    TBytes tmp;
    Put32(tmp, v);
    std::memcpy(out.data() + at, tmp.data(), 4);
  };
  std::vector<size_t> nextFields;
  for (TDir& dir : FDirs) {
    std::stable_sort(dir.Items.begin(), dir.Items.end(), [](const TItem& a, const TItem& b) { return a.Tag < b.Tag; });
    std::vector<TBytes> values;
    for (TItem& item : dir.Items) {
      if (item.BlockList >= 0) item.Values = blockOffsets[static_cast<size_t>(item.BlockList)];
      TBytes v;
      for (uint32_t x : item.Values) {
        if (item.Type == 3) Put16(v, x);
        else if (item.Type == 2) v.push_back(static_cast<uint8_t>(x));
        else Put32(v, x);
      }
      values.push_back(v);
    }
    // Values longer than 4 bytes go before the directory.
    std::vector<uint32_t> fields;
    for (const TBytes& v : values) {
      if (v.size() <= 4) {
        uint32_t packed = 0;
        TBytes padded = v;
        padded.resize(4, 0);
        std::memcpy(&packed, padded.data(), 4);
        fields.push_back(packed);
        continue;
      }
      TBytes tmp;
      Put32(tmp, static_cast<uint32_t>(out.size()));
      uint32_t packed = 0;
      std::memcpy(&packed, tmp.data(), 4);
      fields.push_back(packed);
      out.insert(out.end(), v.begin(), v.end());
      if (out.size() & 1) out.push_back(0);
    }
    dir.Offset = static_cast<uint32_t>(out.size());
    Put16(out, static_cast<uint32_t>(dir.Items.size()));
    for (size_t i = 0; i < dir.Items.size(); ++i) {
      const TItem& item = dir.Items[i];
      Put16(out, item.Tag);
      Put16(out, item.Type);
      Put32(out, static_cast<uint32_t>(item.Type == 5 ? item.Values.size() / 2 : item.Values.size()));
      const size_t at = out.size();
      out.resize(at + 4);
      std::memcpy(out.data() + at, &fields[i], 4);
    }
    nextFields.push_back(out.size());
    Put32(out, 0);
  }
  if (!FDirs.empty()) patch32(4, FDirs[0].Offset);
  for (size_t i = 0; i < FDirs.size(); ++i) {
    const uint32_t next = i + 1 < FDirs.size() ? FDirs[i + 1].Offset : FDirs[i].ForcedNext.value_or(0);
    patch32(nextFields[i], next);
  }
  return out;
}

TBytes MakeSimpleTiff(int width, int height, int samples, int photometric, const TBytes& pixels,
                      int compression, int rowsPerStrip, bool predictor, bool bigEndian) {
  TTiffWriter w(bigEndian);
  w.Long(256, {static_cast<uint32_t>(width)});
  w.Long(257, {static_cast<uint32_t>(height)});
  w.Short(258, std::vector<uint32_t>(static_cast<size_t>(samples), 8));
  w.Short(259, {static_cast<uint32_t>(compression)});
  w.Short(262, {static_cast<uint32_t>(photometric)});
  w.Short(277, {static_cast<uint32_t>(samples)});
  w.Long(278, {static_cast<uint32_t>(rowsPerStrip)});
  w.Short(284, {1});
  if (predictor) w.Short(317, {2});
  const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(samples);
  std::vector<TBytes> strips;
  for (int y = 0; y < height; y += rowsPerStrip) {
    const int rows = std::min(rowsPerStrip, height - y);
    TBytes strip(pixels.begin() + static_cast<long>(y * stride), pixels.begin() + static_cast<long>((y + rows) * stride));
    if (compression == 5) {
      strips.push_back(TiffLzwEncode(predictor ? Difference8(strip, width, samples) : strip));
    } else if (compression == 32773) {
      TBytes packed;
      for (int r = 0; r < rows; ++r) {
        const TBytes row(strip.begin() + static_cast<long>(r * stride), strip.begin() + static_cast<long>((r + 1) * stride));
        const TBytes p = PackBitsEncode(row);
        packed.insert(packed.end(), p.begin(), p.end());
      }
      strips.push_back(packed);
    } else {
      strips.push_back(strip);
    }
  }
  w.Blocks(273, 279, strips);
  return w.Build();
}

TBytes BilevelPattern() {
  const int w = 37, h = 9, rowBytes = 5;
  TBytes rows(static_cast<size_t>(rowBytes * h), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if ((x >= y && x < y + 5) || x == 36 || (y == 4 && x > 20) || (x * y) % 11 == 3)
        rows[static_cast<size_t>(y * rowBytes + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return rows;
}

}  // namespace pictova::fixtures
