// pictova-decode FILE OUT.png [--params]: decodes one image file through the image I/O
// component, as the engine would, and writes the bitmap as PNG (1-bit bitmaps as black and
// white) and, with --params, the parameters record as "name: value" lines on standard output.
// Exit status: 0 decoded, 1 the decoder's failure flag was set, 2 usage or file error.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "gfx/Bitmap.h"
#include "imageio/ImageIO.h"
#include "imageio/ImageParamsText.h"
#include "imageio/PngWriter.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: pictova-decode FILE OUT.png [--params]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pictova;
  std::string input, output;
  bool params = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--params") == 0)
      params = true;
    else if (input.empty())
      input = argv[i];
    else if (output.empty())
      output = argv[i];
    else
      return Usage();
  }
  if (input.empty() || output.empty()) return Usage();

  try {
    TBitmap bitmap;
    TImageIO io;
    io.SetBitmap(&bitmap);
    io.LoadFromFile(input);
    if (params) {
      for (const std::string& line : DescribeImageParams(io.Params()))
        std::printf("%s\n", line.c_str());
    }
    // A failed decode may still have produced part of the picture; it is written all the same
    // so that it can be looked at, and the exit status tells the failure.
    if (!bitmap.Empty()) SaveBitmapToPng(bitmap, output);
    if (io.IOFailed()) {
      std::fprintf(stderr, "pictova-decode: %s: the image could not be decoded\n", input.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pictova-decode: %s: %s\n", input.c_str(), e.what());
    return 2;
  }
  return 0;
}
