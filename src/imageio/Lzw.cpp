// LZW decompression for GIF (variable-width LSB-first codes in sub-blocks, GIF89a appendix F)
// and for TIFF (MSB-first codes with the early width change, TIFF 6.0 section 13).
#include "imageio/Lzw.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "rtl/Classes.h"

namespace pictova {

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeWidth = 12;

// The string table shared by both variants: every code is a prefix code plus one byte. The
// length and first byte are kept per code so that a string can be written back to front
// straight into the output.
struct TLzwTable {
  struct TEntry {
    uint16_t Prefix;
    uint16_t Length;
    uint8_t Suffix;
    uint8_t First;
  };
  TEntry Entries[kMaxCodes];

  void Init(int literals) {
    for (int i = 0; i < literals; ++i)
      Entries[i] = TEntry{0, 1, static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
  }
  uint8_t First(int code) const { return Entries[code].First; }
  int Length(int code) const { return Entries[code].Length; }
  void Add(int code, int prefix, uint8_t byte) {
    const TEntry& p = Entries[prefix];
    Entries[code] = TEntry{static_cast<uint16_t>(prefix), static_cast<uint16_t>(p.Length + 1), byte, p.First};
  }
  // Writes the string of code into dst, keeping only its first room bytes.
  void Write(int code, uint8_t* dst, int room) const {
    int n = Entries[code].Length;
    for (; n > room; --n) code = Entries[code].Prefix;
    uint8_t* p = dst + n;
    while (p != dst) {
      const TEntry& e = Entries[code];
      *--p = e.Suffix;
      code = e.Prefix;
    }
  }
};

// Reads the sub-blocks that follow the code size byte up to their terminator. Returns false
// when the stream ends first.
bool ReadSubBlocks(TStream& stream, std::vector<uint8_t>& data) {
  for (;;) {
    uint8_t length = 0;
    if (stream.Read(&length, 1) != 1) return false;
    if (length == 0) return true;
    const size_t at = data.size();
    data.resize(at + length);
    const int32_t got = stream.Read(data.data() + at, length);
    if (got != length) {
      data.resize(at + static_cast<size_t>(got > 0 ? got : 0));
      return false;
    }
  }
}

// Decodes GIF codes into out (total bytes). Returns false for a code that is not in the table,
// or when the data ends before the picture is complete without an end code.
bool DecodeGifCodes(const std::vector<uint8_t>& data, int codeSize, uint8_t* out, int64_t total) {
  auto table = std::make_unique<TLzwTable>();
  const int clear = 1 << codeSize;
  const int end = clear + 1;
  table->Init(clear);
  int width = codeSize + 1;
  int next = clear + 2;
  int prev = -1;
  int64_t pos = 0;
  uint32_t bits = 0;
  int bitCount = 0;
  size_t in = 0;
  const size_t size = data.size();

  while (pos < total) {
    while (bitCount < width) {
      if (in >= size) return false;
      bits |= static_cast<uint32_t>(data[in++]) << bitCount;
      bitCount += 8;
    }
    const int code = static_cast<int>(bits & ((1u << width) - 1));
    bits >>= width;
    bitCount -= width;

    if (code == clear) {
      width = codeSize + 1;
      next = clear + 2;
      prev = -1;
      continue;
    }
    if (code == end) return true;
    const int64_t room64 = total - pos;
    if (prev < 0) {
      if (code > clear) return false;
      out[pos++] = static_cast<uint8_t>(code);
      prev = code;
      continue;
    }
    if (code < next) {
      if (next < kMaxCodes) table->Add(next++, prev, table->First(code));
    } else if (code == next && next < kMaxCodes) {
      table->Add(next++, prev, table->First(prev));
    } else {
      return false;
    }
    const int room = room64 < kMaxCodes ? static_cast<int>(room64) : kMaxCodes;
    table->Write(code, out + pos, room);
    pos += table->Length(code) < room ? table->Length(code) : room;
    prev = code;
    if (next >= (1 << width) && width < kMaxCodeWidth) ++width;
  }
  return true;
}

// Row r of an interlaced GIF in transmission order goes to this display row (four passes:
// every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
void Deinterlace(const uint8_t* src, uint8_t* dst, int32_t width, int32_t height) {
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  int32_t row = 0;
  for (int pass = 0; pass < 4; ++pass)
    for (int32_t y = kStart[pass]; y < height; y += kStep[pass], ++row)
      std::memcpy(dst + static_cast<int64_t>(y) * width, src + static_cast<int64_t>(row) * width,
                  static_cast<size_t>(width));
}

// The decoding state of one TIFF strip, behind the hook's state word.
struct TTiffLzwState {
  TLzwTable Table;
  // Where in Out each code's string can be found: a new code is its prefix's string, which was
  // written just before, plus one byte, so strings are copied from earlier output instead of
  // being walked code by code.
  uint32_t Pos[kMaxCodes];
  size_t PrevPos = 0;
  int64_t In = 0;
  uint64_t Bits = 0;
  int BitCount = 0;
  int Width = 9;
  int Next = 258;
  int Prev = -1;
  bool Ended = false;
  bool Broken = false;
  // The strip's decoded bytes so far; those from OutStart on are not handed out yet (a code's
  // string may run past the end of a row).
  std::vector<uint8_t> Out;
  size_t OutStart = 0;
  size_t OutEnd = 0;
};

constexpr int kTiffClear = 256;
constexpr int kTiffEnd = 257;

// Decodes codes of the strip into the state's output until it holds wanted bytes. Sets Ended
// at the end code or the end of the data, Broken at a code that is not in the table. The
// state is copied into locals for the loop and written back after it.
void DecodeTiffCodes(TTiffLzwState& s, const uint8_t* data, int64_t size, size_t wanted) {
  TLzwTable& table = s.Table;
  uint8_t* out = s.Out.data();
  size_t outEnd = s.OutEnd;
  int64_t in = s.In;
  uint64_t bits = s.Bits;
  int count = s.BitCount;
  int width = s.Width;
  int next = s.Next;
  int prev = s.Prev;
  size_t prevPos = s.PrevPos;
  while (outEnd < wanted) {
    if (count < width) {
      while (count <= 56 && in < size) {
        bits = (bits << 8) | data[in++];
        count += 8;
      }
      if (count < width) {
        s.Ended = true;
        break;
      }
    }
    count -= width;
    const int code = static_cast<int>((bits >> count) & ((1u << width) - 1));
    if (code < 256 && prev < 0) {
      prevPos = outEnd;
      out[outEnd++] = static_cast<uint8_t>(code);
      prev = code;
      continue;
    }
    if (code == kTiffEnd) {
      s.Ended = true;
      break;
    }
    if (code == kTiffClear) {
      width = 9;
      next = 258;
      prev = -1;
      continue;
    }
    if (prev < 0) {
      s.Broken = true;
      break;
    }
    if (code < next) {
      if (next < kMaxCodes) {
        s.Pos[next] = static_cast<uint32_t>(prevPos);
        table.Add(next++, prev, table.First(code));
      }
    } else if (code == next && next < kMaxCodes) {
      s.Pos[next] = static_cast<uint32_t>(prevPos);
      table.Add(next++, prev, table.First(prev));
    } else {
      s.Broken = true;
      break;
    }
    prevPos = outEnd;
    if (code < 256) {
      out[outEnd++] = static_cast<uint8_t>(code);
    } else {
      // The source ends where the copy starts only for a code defined by the code just read
      // (its last byte is its own first one), so a forward copy byte by byte serves there.
      const uint8_t* src = out + s.Pos[code];
      uint8_t* dst = out + outEnd;
      const size_t length = static_cast<size_t>(table.Length(code));
      if (src + length <= dst) {
        std::memcpy(dst, src, length);
      } else {
        for (size_t i = 0; i < length; ++i) dst[i] = src[i];
      }
      outEnd += length;
    }
    prev = code;
    // The early change: the width grows when the next code would need it, one code sooner
    // than in GIF.
    if (next + 1 >= (1 << width) && width < kMaxCodeWidth) ++width;
  }
  s.OutEnd = outEnd;
  s.In = in;
  s.Bits = bits;
  s.BitCount = count;
  s.Width = width;
  s.Next = next;
  s.Prev = prev;
  s.PrevPos = prevPos;
}

}  // namespace

void GifLzwDecode(TStream& stream, int32_t height, int32_t width, uint8_t* output,
                  bool interlaced) {
  const int64_t start = stream.Position();
  auto fail = [&] { stream.SetPosition(start); };
  uint8_t codeSize = 0;
  if (stream.Read(&codeSize, 1) != 1 || codeSize < 1 || codeSize > 8) return fail();
  std::vector<uint8_t> data;
  ReadSubBlocks(stream, data);

  if (width < 0 || height < 0) return fail();
  const int64_t total = static_cast<int64_t>(width) * height;
  if (total == 0) return;
  if (!interlaced) {
    if (!DecodeGifCodes(data, codeSize, output, total)) fail();
    return;
  }
  std::vector<uint8_t> rows(static_cast<size_t>(total), 0);
  if (!DecodeGifCodes(data, codeSize, rows.data(), total)) return fail();
  Deinterlace(rows.data(), output, width, height);
}

const uint8_t* TiffLzwDecode(const uint8_t* data, int64_t dataSize, int32_t wanted,
                             intptr_t* state) {
  if (!state) return nullptr;
  auto* s = reinterpret_cast<TTiffLzwState*>(*state);
  if (!data && wanted == 0) {
    delete s;
    *state = 0;
    return nullptr;
  }
  if (!data || wanted <= 0 || dataSize < 0) return nullptr;
  if (!s) {
    s = new (std::nothrow) TTiffLzwState;
    if (!s) return nullptr;
    s->Table.Init(256);
    *state = reinterpret_cast<intptr_t>(s);
  }
  if (s->Broken) return nullptr;

  // Codes are decoded until the row is complete. One code adds at most 4096 bytes, so the
  // buffer never needs more room than this.
  const size_t end = s->OutStart + static_cast<size_t>(wanted);
  const size_t need = end + kMaxCodes;
  if (s->Out.size() < need) {
    if (need > UINT32_MAX) return nullptr;
    s->Out.resize(std::max(need, s->Out.size() * 2));
  }
  if (!s->Ended && !s->Broken) DecodeTiffCodes(*s, data, dataSize, end);
  if (s->Broken || s->OutEnd < end) return nullptr;
  const uint8_t* row = s->Out.data() + s->OutStart;
  s->OutStart = end;
  return row;
}

TLzwHooks OwnLzwHooks() {
  TLzwHooks hooks;
  hooks.GifDecode = GifLzwDecode;
  hooks.TiffDecode = TiffLzwDecode;
  return hooks;
}

}  // namespace pictova
