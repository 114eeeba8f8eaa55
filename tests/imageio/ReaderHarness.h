// A decoder with its own bitmap for the reader tests, and the picture most of them encode.
#pragma once

#include <vector>

#include "gfx/Bitmap.h"
#include "imageio/ImageIO.h"
#include "rtl/Classes.h"

namespace pictova::fixtures {

struct TDecode {
  TBitmap Bitmap;
  TImageIO IO;
  std::vector<int> Progress;
  TDecode() {
    IO.SetBitmap(&Bitmap);
    IO.OnProgress = [this](TImageIO*, int per) { Progress.push_back(per); };
  }
  // Detects the format by content, as the engine does; format forces a reader.
  TDecode& Load(const std::vector<uint8_t>& data, int format = 0) {
    TMemoryStream stream(data);
    if (format == 0) IO.LoadFromStream(stream);
    else IO.LoadFromStreamFormat(stream, format);
    return *this;
  }
  bool Ok() const { return IO.IOFailed() == 0; }
  TImageParams& Params() { return IO.Params(); }
  // The pixels top-down, row by row, as colours.
  std::vector<TColor> Pixels() const {
    std::vector<TColor> out;
    for (int y = 0; y < Bitmap.Height(); ++y)
      for (int x = 0; x < Bitmap.Width(); ++x) out.push_back(Bitmap.Pixel(x, y));
    return out;
  }
};

// The 3 x 2 picture: red, green, blue over white, black and a dark blue-grey.
inline const std::vector<TColor> kPicture = {RGB(255, 0, 0),     RGB(0, 255, 0), RGB(0, 0, 255),
                                             RGB(255, 255, 255), RGB(0, 0, 0),   RGB(10, 20, 30)};

}  // namespace pictova::fixtures
