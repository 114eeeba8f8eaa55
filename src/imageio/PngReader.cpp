// The PNG reader: drives libpng over a stream, composites transparency onto a background and
// reads the rows straight into the target bitmap (24-bit blue, green, red, or 1-bit).
#include <png.h>

#include <csetjmp>
#include <exception>

#include "imageio/ImageParams.h"
#include "imageio/ReaderSupport.h"
#include "imageio/Readers.h"
#include "rtl/Classes.h"

namespace pictova {

namespace {

// What one decode needs, kept out of the frames that libpng's error routine jumps across.
struct TPngDecode {
  TStream* Stream = nullptr;
  TBitmap* Bitmap = nullptr;
  TImageParams* Params = nullptr;
  TProgressRec* Progress = nullptr;
  bool ParamsOnly = false;
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  std::exception_ptr StreamError;
};

void ErrorFn(png_structp png, png_const_charp) {
  auto* decode = static_cast<TPngDecode*>(png_get_error_ptr(png));
  decode->Progress->Fail();
  png_longjmp(png, 1);
}

void WarningFn(png_structp, png_const_charp) {}

void ReadFn(png_structp png, png_bytep data, size_t length) {
  auto* decode = static_cast<TPngDecode*>(png_get_io_ptr(png));
  bool complete = true;
  try {
    size_t got = 0;
    while (got < length) {
      const size_t ask = std::min<size_t>(length - got, 1u << 30);
      const int32_t n = decode->Stream->Read(data + got, static_cast<int32_t>(ask));
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    complete = got == length;
  } catch (...) {
    decode->StreamError = std::current_exception();
    complete = false;
  }
  if (!complete) png_error(png, "Read beyond end of file");
}

uint8_t Scale16To8(png_uint_16 v) { return static_cast<uint8_t>(v >> 8); }

// A bKGD colour as 8-bit samples. The library gives it in the file's sample depth (a palette
// image's from its palette); PngBackground holds it at 8 bits whatever that depth was.
TRGBTriple BackgroundTo8Bit(const png_color_16& c, int colorType, int bitDepth) {
  auto scale = [&](png_uint_16 v) -> uint8_t {
    if (colorType == PNG_COLOR_TYPE_PALETTE) return static_cast<uint8_t>(v);
    if (bitDepth == 16) return Scale16To8(v);
    if (bitDepth == 8) return static_cast<uint8_t>(v);
    const unsigned maxValue = (1u << bitDepth) - 1;
    return static_cast<uint8_t>(std::min<unsigned>(v, maxValue) * 255 / maxValue);
  };
  return TRGBTriple{scale(c.blue), scale(c.green), scale(c.red)};
}

// PngBackground expressed the way the library composites in screen mode: in the samples it
// works on at that point, which are 16 bits for 16-bit files, 1 bit for 1-bit grey and 8 bits
// otherwise (every other depth is expanded to 8 first).
png_color_16 ScreenBackground(const TRGBTriple& bg, int colorType, int bitDepth) {
  png_color_16 c{};
  const unsigned grey = (bg.Red * 77u + bg.Green * 150u + bg.Blue * 29u) >> 8;
  if (bitDepth == 16) {
    c.red = static_cast<png_uint_16>(bg.Red << 8);
    c.green = static_cast<png_uint_16>(bg.Green << 8);
    c.blue = static_cast<png_uint_16>(bg.Blue << 8);
    c.gray = static_cast<png_uint_16>(grey << 8);
  } else if (bitDepth == 1 && colorType == PNG_COLOR_TYPE_GRAY) {
    const png_uint_16 bit = grey >= 128 ? 1 : 0;
    c.red = c.green = c.blue = c.gray = bit;
  } else {
    c.red = bg.Red;
    c.green = bg.Green;
    c.blue = bg.Blue;
    c.gray = static_cast<png_uint_16>(grey);
  }
  return c;
}

// A 1-bit palette image keeps the 1-bit target (whose palette is black for 0 and white for 1)
// only when its own palette is exactly that, with no transparency to composite; any other
// two colours are drawn through the palette into a 24-bit target.
bool PaletteIsBlackThenWhite(png_structp png, png_infop info) {
  png_colorp palette = nullptr;
  int count = 0;
  if (png_get_PLTE(png, info, &palette, &count) == 0 || palette == nullptr || count != 2) return false;
  if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) return false;
  const png_color& b = palette[0];
  const png_color& w = palette[1];
  return b.red == 0 && b.green == 0 && b.blue == 0 && w.red == 255 && w.green == 255 && w.blue == 255;
}

int SamplesFor(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;  // grey and palette
  }
}

// The whole decode with the library's error exit armed. Everything it changes lives in
// *decode, the record or the bitmap, never in locals that the jump would leave stale, and no
// object with a destructor is alive across a library call.
void RunDecode(TPngDecode* decode) {
  if (setjmp(png_jmpbuf(decode->Png)) != 0) return;

  png_structp png = decode->Png;
  png_infop info = decode->Info;
  TImageParams& params = *decode->Params;
  TProgressRec& progress = *decode->Progress;

  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0, compression = 0, filter = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, &compression,
               &filter);
  if (!ImageSizeAcceptable(width, height)) {
    progress.Fail();
    return;
  }

  // The palette as the file has it: compositing a transparent entry changes the library's
  // copy once the transformations are set up.
  params.FreePalette();
  png_colorp palette = nullptr;
  int paletteCount = 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE &&
      png_get_PLTE(png, info, &palette, &paletteCount) != 0 && palette != nullptr) {
    params.Palette.resize(static_cast<size_t>(paletteCount));
    for (int i = 0; i < paletteCount; ++i)
      params.Palette[static_cast<size_t>(i)] = {palette[i].blue, palette[i].green, palette[i].red};
  }

  png_color_16p fileBackground = nullptr;
  if (png_get_bKGD(png, info, &fileBackground) != 0 && fileBackground != nullptr) {
    png_set_background(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    params.PngBackground = BackgroundTo8Bit(*fileBackground, colorType, bitDepth);
  } else {
    png_color_16 screen = ScreenBackground(params.PngBackground, colorType, bitDepth);
    png_set_background(png, &screen, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
  }

  // Only a grey 1-bit image, or a palette one that is black then white, stays 1-bit.
  const bool oneBit = bitDepth == 1 && (colorType == PNG_COLOR_TYPE_GRAY || PaletteIsBlackThenWhite(png, info));
  if (colorType == PNG_COLOR_TYPE_PALETTE && bitDepth <= 8 && !oneBit) png_set_expand(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth >= 2 && bitDepth <= 7) png_set_expand(png);
  if (bitDepth == 16) png_set_strip_16(png);
  if (bitDepth >= 2 && bitDepth <= 7) png_set_packing(png);
  if ((colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) && bitDepth > 1)
    png_set_gray_to_rgb(png);
  if (!oneBit) png_set_bgr(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  params.Width = static_cast<int32_t>(width);
  params.Height = static_cast<int32_t>(height);
  params.BitsPerSample = bitDepth;
  params.SamplesPerPixel = SamplesFor(colorType);
  params.DpiX = DpiFromPixelsPerMetre(png_get_x_pixels_per_meter(png, info));
  params.DpiY = DpiFromPixelsPerMetre(png_get_y_pixels_per_meter(png, info));
  if (params.DpiX == 0) params.DpiX = ScreenPixelsPerInch();
  if (params.DpiY == 0) params.DpiY = ScreenPixelsPerInch();
  params.PngInterlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;

  if (decode->ParamsOnly) return;

  // The rows must have exactly the bitmap's layout before the library writes into it.
  const TPixelFormat format = oneBit ? pf1bit : pf24bit;
  const bool layoutOk = format == pf1bit
                            ? png_get_channels(png, info) == 1 && png_get_bit_depth(png, info) == 1
                            : png_get_channels(png, info) == 3 && png_get_bit_depth(png, info) == 8;
  if (!layoutOk || !PrepareTarget(*decode->Bitmap, format, params.Width, params.Height, progress)) {
    progress.Fail();
    return;
  }
  if (png_get_rowbytes(png, info) > static_cast<size_t>(decode->Bitmap->RowBytes())) {
    progress.Fail();
    return;
  }

  progress.Per = height > 0 ? 100.0 / (static_cast<double>(height) * passes) : 0.0;
  progress.Val = 0;
  for (int pass = 0; pass < passes && !progress.Failed(); ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, decode->Bitmap->ScanLine(static_cast<int32_t>(y)), nullptr);
      ++progress.Val;
      progress.Report();
      if (progress.Failed()) break;
    }
  }
  if (!progress.Failed()) png_read_end(png, nullptr);
}

}  // namespace

void ReadPngStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress) {
  TPngDecode decode;
  decode.Stream = &stream;
  decode.Bitmap = &bitmap;
  decode.Params = &params;
  decode.Progress = &progress;
  decode.ParamsOnly = paramsOnly;

  decode.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &decode, ErrorFn, WarningFn);
  if (decode.Png == nullptr) {
    progress.Fail();
    return;
  }
  decode.Info = png_create_info_struct(decode.Png);
  if (decode.Info == nullptr) {
    png_destroy_read_struct(&decode.Png, nullptr, nullptr);
    progress.Fail();
    return;
  }
  struct TDestroyer {
    TPngDecode& D;
    ~TDestroyer() { png_destroy_read_struct(&D.Png, &D.Info, nullptr); }
  } destroyer{decode};

  png_set_read_fn(decode.Png, &decode, ReadFn);
  // The library refuses larger sides itself while reading the header.
  png_set_user_limits(decode.Png, kMaxImageSide, kMaxImageSide);

  RunDecode(&decode);

  if (decode.StreamError) std::rethrow_exception(decode.StreamError);
}

}  // namespace pictova
