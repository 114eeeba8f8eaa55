// Fuzzes the content detector: any bytes, at any start position, give a code and leave the
// position where it was.
#include <cstdint>
#include <cstdlib>

#include "imageio/Detector.h"
#include "rtl/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pictova;
  TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
  const int64_t start = size > 0 ? data[0] % 4 : 0;
  stream.SetPosition(start);
  const int32_t code = DetectStreamFormat(stream);
  if (code < 0 || code > 12 || stream.Position() != start) std::abort();
  return 0;
}
