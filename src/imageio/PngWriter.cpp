// Writes a bitmap as a PNG file through libpng.
#include "imageio/PngWriter.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <exception>

#include "gfx/Bitmap.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

namespace pictova {

namespace {

struct TPngEncode {
  const TBitmap* Bitmap = nullptr;
  TStream* Stream = nullptr;
  int CompressionLevel = kPngDefaultCompression;
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  std::exception_ptr StreamError;
};

void ErrorFn(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void WarningFn(png_structp, png_const_charp) {}

void WriteFn(png_structp png, png_bytep data, size_t length) {
  auto* encode = static_cast<TPngEncode*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    encode->Stream->WriteBuffer(data, static_cast<int32_t>(length));
  } catch (...) {
    encode->StreamError = std::current_exception();
    failed = true;
  }
  if (failed) png_error(png, "write failed");
}

void FlushFn(png_structp) {}

// The encoding with the library's error exit armed; false when the library gave up.
bool RunEncode(TPngEncode* encode) {
  if (setjmp(png_jmpbuf(encode->Png)) != 0) return false;
  const TBitmap& bitmap = *encode->Bitmap;
  const bool mono = bitmap.PixelFormat() == pf1bit;
  png_set_write_fn(encode->Png, encode, WriteFn, FlushFn);
  png_set_compression_level(encode->Png, encode->CompressionLevel);
  png_set_IHDR(encode->Png, encode->Info, static_cast<png_uint_32>(bitmap.Width()),
               static_cast<png_uint_32>(bitmap.Height()), mono ? 1 : 8,
               mono ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(encode->Png, encode->Info);
  if (!mono) png_set_bgr(encode->Png);
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    png_write_row(encode->Png, const_cast<png_bytep>(bitmap.ScanLine(y)));
  png_write_end(encode->Png, encode->Info);
  return true;
}

}  // namespace

void SaveBitmapToPng(const TBitmap& bitmap, TStream& stream, int compressionLevel) {
  if (bitmap.Empty()) throw Exception("Cannot save an empty bitmap as PNG");
  TPngEncode encode;
  encode.CompressionLevel = compressionLevel < 0 ? -1 : std::min(compressionLevel, 9);
  encode.Bitmap = &bitmap;
  encode.Stream = &stream;
  encode.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &encode, ErrorFn, WarningFn);
  if (encode.Png == nullptr) throw Exception("PNG encoder unavailable");
  encode.Info = png_create_info_struct(encode.Png);
  struct TDestroyer {
    TPngEncode& E;
    ~TDestroyer() { png_destroy_write_struct(&E.Png, &E.Info); }
  } destroyer{encode};
  if (encode.Info == nullptr) throw Exception("PNG encoder unavailable");

  const bool done = RunEncode(&encode);
  if (encode.StreamError) std::rethrow_exception(encode.StreamError);
  if (!done) throw Exception("PNG encoding failed");
}

void SaveBitmapToPng(const TBitmap& bitmap, const std::string& path, int compressionLevel) {
  TFileStream file(path, fmCreate);
  SaveBitmapToPng(bitmap, file, compressionLevel);
}

}  // namespace pictova
