// Fuzzes our GIF LZW decoder on its own. Bytes 0 and 1 give the width and height (1 to 256),
// bit 0 of byte 2 the interlacing; the rest is the code size byte and the sub-blocks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imageio/Lzw.h"
#include "rtl/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pictova;
  if (size < 3) return 0;
  const int32_t width = data[0] + 1;
  const int32_t height = data[1] + 1;
  TReadOnlyMemoryStream stream(data + 3, static_cast<int64_t>(size - 3));
  std::vector<uint8_t> out(static_cast<size_t>(width * height));
  GifLzwDecode(stream, height, width, out.data(), (data[2] & 1) != 0);
  return 0;
}
