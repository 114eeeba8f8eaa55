// Writes small valid JPEG and PNG files (made by libjpeg and libpng) as the starting corpora
// of the reader harnesses: make-fuzz-seeds JPEG_DIR PNG_DIR.
#include <cstdio>
#include <string>

#include "imageio/ImageFixtures.h"

namespace {

using pictova::fixtures::TBytes;

void Save(const std::string& path, uint8_t options, const TBytes& data) {
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fputc(options, f);
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pictova::fixtures;
  if (argc != 3) return 2;
  const std::string jpegDir = argv[1], pngDir = argv[2];
  int n = 0;
  for (J_COLOR_SPACE space : {JCS_YCbCr, JCS_GRAYSCALE, JCS_RGB, JCS_CMYK, JCS_YCCK})
    for (bool progressive : {false, true}) {
      TJpegOptions opts;
      opts.Width = 33;
      opts.Height = 17;
      opts.Progressive = progressive;
      opts.FileSpace = space;
      opts.InputSpace = space == JCS_GRAYSCALE                   ? JCS_GRAYSCALE
                        : space == JCS_CMYK || space == JCS_YCCK ? JCS_CMYK
                                                                 : JCS_RGB;
      const int components = opts.InputSpace == JCS_GRAYSCALE ? 1
                             : opts.InputSpace == JCS_CMYK    ? 4
                                                              : 3;
      opts.Markers = {{JPEG_APP0 + 13, {'P', 'h', 0x1C, 2, 120, 0, 2, 'h', 'i'}},
                      {JPEG_COM, {'c'}}};
      Save(jpegDir + "/seed" + std::to_string(n), static_cast<uint8_t>(n * 7),
           MakeJpeg(opts, GradientPixels(opts.Width, opts.Height, components)));
      ++n;
    }
  struct TKind {
    int ColorType, Depth;
  } kinds[] = {{PNG_COLOR_TYPE_GRAY, 1},      {PNG_COLOR_TYPE_GRAY, 4},
               {PNG_COLOR_TYPE_GRAY, 16},     {PNG_COLOR_TYPE_PALETTE, 1},
               {PNG_COLOR_TYPE_PALETTE, 8},   {PNG_COLOR_TYPE_RGB, 8},
               {PNG_COLOR_TYPE_RGB_ALPHA, 8}, {PNG_COLOR_TYPE_RGB_ALPHA, 16},
               {PNG_COLOR_TYPE_GRAY_ALPHA, 8}};
  n = 0;
  for (const TKind& k : kinds)
    for (bool interlaced : {false, true}) {
      TPngOptions opts;
      opts.Width = 9;
      opts.Height = 5;
      opts.ColorType = k.ColorType;
      opts.BitDepth = k.Depth;
      opts.Interlaced = interlaced;
      if (k.ColorType == PNG_COLOR_TYPE_PALETTE) opts.Palette = {{0, 0, 0}, {255, 0, 0}};
      opts.HasBkgd = interlaced;
      opts.HasPhys = true;
      opts.PpmX = opts.PpmY = 2835;
      opts.Rows.assign(PngRowBytes(opts) * opts.Height, 0);
      for (size_t i = 0; i < opts.Rows.size(); ++i) opts.Rows[i] = static_cast<uint8_t>(i * 29 % 2);
      Save(pngDir + "/seed" + std::to_string(n), static_cast<uint8_t>(n * 5), MakePng(opts));
      ++n;
    }
  return 0;
}
