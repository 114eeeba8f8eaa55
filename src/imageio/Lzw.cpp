// LZW decompression for GIF (variable-width LSB-first codes in sub-blocks, GIF89a appendix F)
// and for TIFF (MSB-first codes with the early width change, TIFF 6.0 section 13).
#include "imageio/Lzw.h"

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
  uint16_t Prefix[kMaxCodes];
  uint8_t Suffix[kMaxCodes];
  uint8_t First[kMaxCodes];
  uint16_t Length[kMaxCodes];

  void Init(int literals) {
    for (int i = 0; i < literals; ++i) {
      Prefix[i] = 0;
      Suffix[i] = static_cast<uint8_t>(i);
      First[i] = static_cast<uint8_t>(i);
      Length[i] = 1;
    }
  }
  void Add(int code, int prefix, uint8_t byte) {
    Prefix[code] = static_cast<uint16_t>(prefix);
    Suffix[code] = byte;
    First[code] = First[prefix];
    Length[code] = static_cast<uint16_t>(Length[prefix] + 1);
  }
  // Writes the string of code into dst, keeping only its first room bytes.
  void Write(int code, uint8_t* dst, int room) const {
    int n = Length[code];
    for (; n > room; --n) code = Prefix[code];
    uint8_t* p = dst + n;
    while (p != dst) {
      *--p = Suffix[code];
      code = Prefix[code];
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
      if (next < kMaxCodes) table->Add(next++, prev, table->First[code]);
    } else if (code == next && next < kMaxCodes) {
      table->Add(next++, prev, table->First[prev]);
    } else {
      return false;
    }
    const int room = room64 < kMaxCodes ? static_cast<int>(room64) : kMaxCodes;
    table->Write(code, out + pos, room);
    pos += table->Length[code] < room ? table->Length[code] : room;
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
  int64_t In = 0;
  uint32_t Bits = 0;
  int BitCount = 0;
  int Width = 9;
  int Next = 258;
  int Prev = -1;
  bool Ended = false;
  bool Broken = false;
  // Decoded bytes not handed out yet: a code's string may run past the end of a row.
  std::vector<uint8_t> Out;
  size_t OutStart = 0;
  size_t OutEnd = 0;
};

constexpr int kTiffClear = 256;
constexpr int kTiffEnd = 257;

// Decodes one more code of the strip into the state's output. Sets Ended at the end code or
// the end of the data, Broken at a code that is not in the table.
void DecodeTiffCode(TTiffLzwState& s, const uint8_t* data, int64_t size) {
  while (s.BitCount < s.Width) {
    if (s.In >= size) {
      s.Ended = true;
      return;
    }
    s.Bits = (s.Bits << 8) | data[s.In++];
    s.BitCount += 8;
  }
  s.BitCount -= s.Width;
  const int code = static_cast<int>((s.Bits >> s.BitCount) & ((1u << s.Width) - 1));

  if (code == kTiffEnd) {
    s.Ended = true;
    return;
  }
  if (code == kTiffClear) {
    s.Width = 9;
    s.Next = 258;
    s.Prev = -1;
    return;
  }
  if (s.Prev < 0) {
    if (code > 255) {
      s.Broken = true;
      return;
    }
    s.Out[s.OutEnd++] = static_cast<uint8_t>(code);
    s.Prev = code;
    return;
  }
  if (code < s.Next) {
    if (s.Next < kMaxCodes) s.Table.Add(s.Next++, s.Prev, s.Table.First[code]);
  } else if (code == s.Next && s.Next < kMaxCodes) {
    s.Table.Add(s.Next++, s.Prev, s.Table.First[s.Prev]);
  } else {
    s.Broken = true;
    return;
  }
  s.Table.Write(code, s.Out.data() + s.OutEnd, kMaxCodes);
  s.OutEnd += s.Table.Length[code];
  s.Prev = code;
  // The early change: the width grows when the next code would need it, one code sooner
  // than in GIF.
  if (s.Next + 1 >= (1 << s.Width) && s.Width < kMaxCodeWidth) ++s.Width;
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

  // What the previous row left over moves to the front; then codes are decoded until the row
  // is complete. One code adds at most 4096 bytes, so the buffer never needs more than this.
  const size_t need = static_cast<size_t>(wanted) + kMaxCodes;
  if (s->Out.size() < need) s->Out.resize(need);
  const size_t left = s->OutEnd - s->OutStart;
  if (left > 0 && s->OutStart > 0) std::memmove(s->Out.data(), s->Out.data() + s->OutStart, left);
  s->OutStart = 0;
  s->OutEnd = left;
  while (s->OutEnd < static_cast<size_t>(wanted) && !s->Ended && !s->Broken)
    DecodeTiffCode(*s, data, dataSize);
  if (s->Broken || s->OutEnd < static_cast<size_t>(wanted)) return nullptr;
  s->OutStart = static_cast<size_t>(wanted);
  return s->Out.data();
}

TLzwHooks OwnLzwHooks() {
  TLzwHooks hooks;
  hooks.GifDecode = GifLzwDecode;
  hooks.TiffDecode = TiffLzwDecode;
  return hooks;
}

}  // namespace pictova
