// Fuzzes the TIFF reader through the component (see RasterReaderFuzz.h for the option byte).
#include "RasterReaderFuzz.h"
#include "imageio/FormatRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzRasterReader(data, size, pictova::ioTIFF);
}
