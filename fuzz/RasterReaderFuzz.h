// The body shared by the readers' harnesses: the first byte chooses whether only the
// parameters are read (bit 7) and which image of a file with several is taken (low two bits:
// the icon, cursor or GIF image, the TIFF directory), and sets the icons' backgrounds (bit 2);
// the rest is the file, given to the reader of the harness's format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/Bitmap.h"
#include "imageio/ImageIO.h"
#include "rtl/Classes.h"

inline int FuzzRasterReader(const uint8_t* data, size_t size, int32_t format) {
  using namespace pictova;
  if (size < 1) return 0;
  const uint8_t options = data[0];
  TReadOnlyMemoryStream stream(data + 1, static_cast<int64_t>(size - 1));
  TBitmap bitmap;
  TImageIO io;
  io.SetBitmap(&bitmap);
  io.Params().IcoImageIndex = io.Params().CurImageIndex = options & 3;
  io.Params().GifImageIndex = io.Params().TiffImageIndex = options & 3;
  if (options & 4) io.Params().IcoBackground = io.Params().CurBackground = {1, 2, 3};
  if (options & 0x80)
    io.ReadParamsFromStream(stream, format);
  else
    io.LoadFromStreamFormat(stream, format);
  return 0;
}
