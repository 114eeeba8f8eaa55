// CCITT bilevel decoding: the run-length codes of ITU-T T.4 section 4.1 (tables 2 and 3, with
// the extended make-up codes shared by both colours), the two-dimensional modes of T.4
// section 4.2 (table 4) and their Group 4 use in T.6.
#include "imageio/CcittDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pictova {

namespace {

struct TCode {
  const char* Bits;
  int16_t Run;
};

// T.4 table 2 (terminating codes, runs 0 to 63) and table 3 (make-up codes), white.
constexpr TCode kWhiteCodes[] = {
    {"00110101", 0},    {"000111", 1},      {"0111", 2},        {"1000", 3},
    {"1011", 4},        {"1100", 5},        {"1110", 6},        {"1111", 7},
    {"10011", 8},       {"10100", 9},       {"00111", 10},      {"01000", 11},
    {"001000", 12},     {"000011", 13},     {"110100", 14},     {"110101", 15},
    {"101010", 16},     {"101011", 17},     {"0100111", 18},    {"0001100", 19},
    {"0001000", 20},    {"0010111", 21},    {"0000011", 22},    {"0000100", 23},
    {"0101000", 24},    {"0101011", 25},    {"0010011", 26},    {"0100100", 27},
    {"0011000", 28},    {"00000010", 29},   {"00000011", 30},   {"00011010", 31},
    {"00011011", 32},   {"00010010", 33},   {"00010011", 34},   {"00010100", 35},
    {"00010101", 36},   {"00010110", 37},   {"00010111", 38},   {"00101000", 39},
    {"00101001", 40},   {"00101010", 41},   {"00101011", 42},   {"00101100", 43},
    {"00101101", 44},   {"00000100", 45},   {"00000101", 46},   {"00001010", 47},
    {"00001011", 48},   {"01010010", 49},   {"01010011", 50},   {"01010100", 51},
    {"01010101", 52},   {"00100100", 53},   {"00100101", 54},   {"01011000", 55},
    {"01011001", 56},   {"01011010", 57},   {"01011011", 58},   {"01001010", 59},
    {"01001011", 60},   {"00110010", 61},   {"00110011", 62},   {"00110100", 63},
    {"11011", 64},      {"10010", 128},     {"010111", 192},    {"0110111", 256},
    {"00110110", 320},  {"00110111", 384},  {"01100100", 448},  {"01100101", 512},
    {"01101000", 576},  {"01100111", 640},  {"011001100", 704}, {"011001101", 768},
    {"011010010", 832}, {"011010011", 896}, {"011010100", 960}, {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280},
    {"011011010", 1344}, {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536},
    {"010011010", 1600}, {"011000", 1664},   {"010011011", 1728},
};

// The same tables for black.
constexpr TCode kBlackCodes[] = {
    {"0000110111", 0},      {"010", 1},             {"11", 2},              {"10", 3},
    {"011", 4},             {"0011", 5},            {"0010", 6},            {"00011", 7},
    {"000101", 8},          {"000100", 9},          {"0000100", 10},        {"0000101", 11},
    {"0000111", 12},        {"00000100", 13},       {"00000111", 14},       {"000011000", 15},
    {"0000010111", 16},     {"0000011000", 17},     {"0000001000", 18},     {"00001100111", 19},
    {"00001101000", 20},    {"00001101100", 21},    {"00000110111", 22},    {"00000101000", 23},
    {"00000010111", 24},    {"00000011000", 25},    {"000011001010", 26},   {"000011001011", 27},
    {"000011001100", 28},   {"000011001101", 29},   {"000001101000", 30},   {"000001101001", 31},
    {"000001101010", 32},   {"000001101011", 33},   {"000011010010", 34},   {"000011010011", 35},
    {"000011010100", 36},   {"000011010101", 37},   {"000011010110", 38},   {"000011010111", 39},
    {"000001101100", 40},   {"000001101101", 41},   {"000011011010", 42},   {"000011011011", 43},
    {"000001010100", 44},   {"000001010101", 45},   {"000001010110", 46},   {"000001010111", 47},
    {"000001100100", 48},   {"000001100101", 49},   {"000001010010", 50},   {"000001010011", 51},
    {"000000100100", 52},   {"000000110111", 53},   {"000000111000", 54},   {"000000100111", 55},
    {"000000101000", 56},   {"000001011000", 57},   {"000001011001", 58},   {"000000101011", 59},
    {"000000101100", 60},   {"000001011010", 61},   {"000001100110", 62},   {"000001100111", 63},
    {"0000001111", 64},     {"000011001000", 128},  {"000011001001", 192},  {"000001011011", 256},
    {"000000110011", 320},  {"000000110100", 384},  {"000000110101", 448},  {"0000001101100", 512},
    {"0000001101101", 576}, {"0000001001010", 640}, {"0000001001011", 704}, {"0000001001100", 768},
    {"0000001001101", 832}, {"0000001110010", 896}, {"0000001110011", 960}, {"0000001110100", 1024},
    {"0000001110101", 1088}, {"0000001110110", 1152}, {"0000001110111", 1216},
    {"0000001010010", 1280}, {"0000001010011", 1344}, {"0000001010100", 1408},
    {"0000001010101", 1472}, {"0000001011010", 1536}, {"0000001011011", 1600},
    {"0000001100100", 1664}, {"0000001100101", 1728},
};

// T.4 table 3, extended make-up codes for runs past 1728, common to both colours.
constexpr TCode kExtendedCodes[] = {
    {"00000001000", 1792},  {"00000001100", 1856},  {"00000001101", 1920},
    {"000000010010", 1984}, {"000000010011", 2048}, {"000000010100", 2112},
    {"000000010101", 2176}, {"000000010110", 2240}, {"000000010111", 2304},
    {"000000011100", 2368}, {"000000011101", 2432}, {"000000011110", 2496},
    {"000000011111", 2560},
};

constexpr int kLookupBits = 13;  // the longest run code

struct TRunEntry {
  int16_t Run = 0;
  uint8_t Length = 0;  // 0: no code starts with these bits
};

using TRunLookup = std::array<TRunEntry, 1 << kLookupBits>;

void AddCodes(TRunLookup& lookup, const TCode* codes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const int length = static_cast<int>(std::strlen(codes[i].Bits));
    uint32_t value = 0;
    for (int b = 0; b < length; ++b) value = (value << 1) | (codes[i].Bits[b] == '1' ? 1u : 0u);
    const uint32_t first = value << (kLookupBits - length);
    const uint32_t span = 1u << (kLookupBits - length);
    for (uint32_t k = 0; k < span; ++k)
      lookup[first + k] = TRunEntry{codes[i].Run, static_cast<uint8_t>(length)};
  }
}

struct TRunTables {
  TRunLookup White{};
  TRunLookup Black{};
  TRunTables() {
    AddCodes(White, kWhiteCodes, std::size(kWhiteCodes));
    AddCodes(White, kExtendedCodes, std::size(kExtendedCodes));
    AddCodes(Black, kBlackCodes, std::size(kBlackCodes));
    AddCodes(Black, kExtendedCodes, std::size(kExtendedCodes));
  }
};

const TRunTables& RunTables() {
  static const TRunTables tables;
  return tables;
}

// The two-dimensional modes of T.4 table 4, looked up from 7 bits.
enum TMode : uint8_t { mdNone, mdPass, mdHorizontal, mdVertical };

struct TModeEntry {
  TMode Mode = mdNone;
  int8_t Offset = 0;  // vertical: a1 - b1
  uint8_t Length = 0;
};

struct TModeTable {
  std::array<TModeEntry, 128> Entries{};
  void Add(const char* bits, TMode mode, int offset) {
    const int length = static_cast<int>(std::strlen(bits));
    uint32_t value = 0;
    for (int b = 0; b < length; ++b) value = (value << 1) | (bits[b] == '1' ? 1u : 0u);
    const uint32_t first = value << (7 - length);
    for (uint32_t k = 0; k < (1u << (7 - length)); ++k)
      Entries[first + k] = TModeEntry{mode, static_cast<int8_t>(offset), static_cast<uint8_t>(length)};
  }
  TModeTable() {
    Add("1", mdVertical, 0);
    Add("011", mdVertical, 1);
    Add("000011", mdVertical, 2);
    Add("0000011", mdVertical, 3);
    Add("010", mdVertical, -1);
    Add("000010", mdVertical, -2);
    Add("0000010", mdVertical, -3);
    Add("001", mdHorizontal, 0);
    Add("0001", mdPass, 0);
    // 0000001 (extensions, such as uncompressed mode) and 0000000 (an EOL) stay unknown.
  }
};

const TModeTable& ModeTable() {
  static const TModeTable table;
  return table;
}

uint8_t ReverseBits(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// Sets bits [from, to) of a packed row.
void FillBlack(uint8_t* row, int32_t from, int32_t to) {
  for (int32_t x = from; x < to && (x & 7) != 0; ++x) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  int32_t x = (from + 7) & ~7;
  if (x >= to) return;
  for (; x + 8 <= to; x += 8) row[x >> 3] = 0xFF;
  for (; x < to; ++x) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
}

}  // namespace

TCcittDecoder::TCcittDecoder(const uint8_t* data, int64_t size, int32_t width,
                             const TCcittOptions& options)
    : FData(data), FSizeBits(size * 8), FWidth(width), FOptions(options) {
  if (options.LsbFirst) {
    FReversed.resize(static_cast<size_t>(size));
    for (int64_t i = 0; i < size; ++i) FReversed[static_cast<size_t>(i)] = ReverseBits(data[i]);
    FData = FReversed.data();
  }
  // The row before the first is all white: no changes, only the sentinels.
  FReference.assign(3, width);
}

uint32_t TCcittDecoder::Peek(int count) const {
  const int64_t byte = FBit >> 3;
  uint32_t value = 0;
  for (int i = 0; i < 3; ++i) {
    const int64_t at = byte + i;
    value = (value << 8) | (at < FSizeBits / 8 ? FData[at] : 0u);
  }
  const int offset = static_cast<int>(FBit & 7);
  return (value >> (24 - offset - count)) & ((1u << count) - 1);
}

bool TCcittDecoder::SkipEol() {
  // An EOL is eleven or more zero bits (the extra ones are fill) and a one.
  int64_t at = FBit;
  while (at < FSizeBits && ((FData[at >> 3] >> (7 - (at & 7))) & 1) == 0) ++at;
  if (at - FBit >= 11 && at < FSizeBits) {
    FBit = at + 1;
    return true;
  }
  return false;
}

// One run of the given colour: make-up codes, then the terminating code. -1 for an unknown
// code or a run longer than the row.
int TCcittDecoder::DecodeRun(bool black) {
  const TRunLookup& lookup = black ? RunTables().Black : RunTables().White;
  int total = 0;
  for (;;) {
    const TRunEntry& e = lookup[Peek(kLookupBits)];
    if (e.Length == 0) return -1;
    Skip(e.Length);
    total += e.Run;
    if (total > FWidth) return -1;
    if (e.Run < 64) return total;
  }
}

void TCcittDecoder::AddChange(int32_t position) {
  if (position < FWidth) FCurrent.push_back(position);
}

bool TCcittDecoder::Decode1D() {
  int32_t a0 = 0;
  bool black = false;
  while (a0 < FWidth) {
    const int run = DecodeRun(black);
    if (run < 0 || run > FWidth - a0) return false;
    a0 += run;
    AddChange(a0);
    black = !black;
  }
  return true;
}

bool TCcittDecoder::Decode2D() {
  const std::vector<int32_t>& ref = FReference;
  int32_t a0 = -1;  // before the first pixel: a changing element at 0 counts as to its right
  bool black = false;
  size_t bi = 0;
  while (a0 < FWidth) {
    // b1: the first changing element right of a0 that changes to the colour opposite a0's
    // (to black at even indices, to white at odd ones); b2 the next one.
    while (bi > 0 && ref[bi - 1] > a0) --bi;
    while (ref[bi] <= a0) ++bi;
    if ((bi & 1) != (black ? 1u : 0u)) ++bi;
    const int32_t b1 = ref[bi];
    const int32_t b2 = ref[bi + 1];
    const TModeEntry& m = ModeTable().Entries[Peek(7)];
    if (m.Length == 0) return false;
    Skip(m.Length);
    switch (m.Mode) {
      case mdPass:
        a0 = b2;
        break;
      case mdHorizontal: {
        const int32_t start = a0 < 0 ? 0 : a0;
        const int run1 = DecodeRun(black);
        if (run1 < 0) return false;
        const int run2 = DecodeRun(!black);
        if (run2 < 0 || run1 + run2 > FWidth - start) return false;
        AddChange(start + run1);
        AddChange(start + run1 + run2);
        a0 = start + run1 + run2;
        break;
      }
      case mdVertical: {
        const int32_t a1 = b1 + m.Offset;
        if (a1 < 0 || a1 > FWidth || a1 < a0) return false;
        AddChange(a1);
        a0 = a1;
        black = !black;
        break;
      }
      case mdNone:
        return false;
    }
    if (Exhausted()) return false;
  }
  return true;
}

bool TCcittDecoder::DecodeRow(uint8_t* row) {
  if (FFailed) return false;
  FCurrent.clear();
  bool ok = false;
  switch (FOptions.Mode) {
    case TCcittMode::ModifiedHuffman:
      if (!FFirstRow) FBit = (FBit + 7) & ~int64_t{7};
      ok = Decode1D();
      break;
    case TCcittMode::Group3: {
      SkipEol();
      bool twoD = false;
      if (FOptions.TwoDimensional) {
        twoD = Peek(1) == 0;
        Skip(1);
      }
      ok = twoD ? Decode2D() : Decode1D();
      break;
    }
    case TCcittMode::Group4:
      ok = Decode2D();
      break;
  }
  FFirstRow = false;
  if (!ok || Exhausted()) {
    FFailed = true;
    return false;
  }
  std::memset(row, 0, static_cast<size_t>((FWidth + 7) / 8));
  for (size_t i = 0; i < FCurrent.size(); i += 2) {
    const int32_t to = i + 1 < FCurrent.size() ? FCurrent[i + 1] : FWidth;
    FillBlack(row, FCurrent[i], to);
  }
  FReference.swap(FCurrent);
  FReference.insert(FReference.end(), 3, FWidth);
  return true;
}

}  // namespace pictova
