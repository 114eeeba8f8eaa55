// Fuzzes the CCITT decoder on its own. Byte 0 chooses the coding (modified Huffman, Group 3
// one- or two-dimensional, Group 4) and the fill order, byte 1 the width (1 to 2048 in steps of
// 8, plus the low bits); the rest is the strip, decoded row by row until a row fails.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imageio/CcittDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pictova;
  if (size < 2) return 0;
  TCcittOptions options;
  const int coding = data[0] & 3;
  options.Mode = coding == 0 ? TCcittMode::ModifiedHuffman : coding == 3 ? TCcittMode::Group4 : TCcittMode::Group3;
  options.TwoDimensional = coding == 2;
  options.LsbFirst = (data[0] & 4) != 0;
  const int32_t width = (data[1] << 3) + (data[0] >> 5) + 1;
  TCcittDecoder decoder(data + 2, static_cast<int64_t>(size - 2), width, options);
  std::vector<uint8_t> row(static_cast<size_t>((width + 7) / 8));
  for (int y = 0; y < 10000 && decoder.DecodeRow(row.data()); ++y) {
  }
  return 0;
}
