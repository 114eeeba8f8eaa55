// Fuzzes our TIFF LZW decoder on its own. Bytes 0 and 1 give the row length (1 to 65536);
// the rest is one strip, decoded row by row until the routine returns nothing, then released.
#include <cstddef>
#include <cstdint>

#include "imageio/Lzw.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pictova;
  if (size < 2) return 0;
  const int32_t wanted = (data[0] | (data[1] << 8)) + 1;
  intptr_t state = 0;
  volatile uint8_t sink = 0;
  for (int row = 0; row < 4096; ++row) {
    const uint8_t* decoded = TiffLzwDecode(data + 2, static_cast<int64_t>(size - 2), wanted, &state);
    if (!decoded) break;
    sink = static_cast<uint8_t>(sink ^ decoded[0] ^ decoded[wanted - 1]);
  }
  TiffLzwDecode(nullptr, 0, 0, &state);
  return 0;
}
