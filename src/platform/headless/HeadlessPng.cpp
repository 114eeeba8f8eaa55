// Writes bitmaps as PNG files (screen grabs, rendered frames) through libpng.
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include "platform/headless/HeadlessPlatform.h"
#include "rtl/SysUtils.h"

namespace pictova {
namespace {

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// libpng reports errors by longjmp; this function holds no objects with destructors
// between setjmp and the calls that may jump.
bool WriteRows(std::FILE* file, int32_t width, int32_t height, png_bytepp rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

void SaveBitmapPng(const TBitmap& bitmap, const std::string& path) {
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  if (w <= 0 || h <= 0) throw Exception("Cannot write an empty bitmap as PNG");
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
  std::vector<png_bytep> rows(static_cast<size_t>(h));
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* out = rgb.data() + static_cast<size_t>(y) * w * 3;
    rows[static_cast<size_t>(y)] = out;
    for (int32_t x = 0; x < w; ++x) {
      const TColor c = bitmap.Pixel(x, y);
      out[3 * x] = GetRValue(c);
      out[3 * x + 1] = GetGValue(c);
      out[3 * x + 2] = GetBValue(c);
    }
  }
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) throw EInOutError(InOutCodeFromErrno(errno));
  if (!WriteRows(file.get(), w, h, rows.data())) throw EInOutError(101);  // the run-time's "disk write error"
}

}  // namespace pictova
