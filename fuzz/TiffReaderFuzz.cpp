// Fuzzes the TIFF reader through the component. The first byte chooses the directory index
// (low two bits) and whether only the parameters are read (bit 7); the rest is the file.
#include <cstdint>

#include "gfx/Bitmap.h"
#include "imageio/ImageIO.h"
#include "rtl/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pictova;
  if (size < 1) return 0;
  const uint8_t options = data[0];
  TReadOnlyMemoryStream stream(data + 1, static_cast<int64_t>(size - 1));
  TBitmap bitmap;
  TImageIO io;
  io.SetBitmap(&bitmap);
  io.Params().TiffImageIndex = options & 3;
  if (options & 0x80)
    io.ReadParamsFromStream(stream, ioTIFF);
  else
    io.LoadFromStreamFormat(stream, ioTIFF);
  return 0;
}
