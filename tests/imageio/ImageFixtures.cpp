// Test images made by libjpeg and libpng, and the libraries' own decodes.
#include "imageio/ImageFixtures.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <stdexcept>

namespace pictova::fixtures {

TBytes GradientPixels(int width, int height, int components) {
  TBytes pixels(static_cast<size_t>(width) * height * components);
  size_t i = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < components; ++c)
        pixels[i++] =
            static_cast<uint8_t>((x * 255 / std::max(1, width - 1)) * (c % 2 == 0) +
                                 (y * 255 / std::max(1, height - 1)) * (c % 2 == 1) + 40 * c);
  return pixels;
}

TBytes MakeJpeg(const TJpegOptions& opts, const TBytes& pixels) {
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&info, &out, &outSize);
  info.image_width = static_cast<JDIMENSION>(opts.Width);
  info.image_height = static_cast<JDIMENSION>(opts.Height);
  info.in_color_space = opts.InputSpace;
  info.input_components = opts.InputSpace == JCS_GRAYSCALE ? 1
                          : opts.InputSpace == JCS_CMYK    ? 4
                                                           : 3;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, opts.FileSpace);
  jpeg_set_quality(&info, opts.Quality, TRUE);
  if (opts.Progressive) jpeg_simple_progression(&info);
  if (!opts.Jfif) info.write_JFIF_header = FALSE;
  info.density_unit = static_cast<UINT8>(opts.DensityUnit);
  info.X_density = static_cast<UINT16>(opts.XDensity);
  info.Y_density = static_cast<UINT16>(opts.YDensity);
  jpeg_start_compress(&info, TRUE);
  for (const auto& [code, data] : opts.Markers)
    jpeg_write_marker(&info, code, data.data(), static_cast<unsigned>(data.size()));
  const size_t stride = static_cast<size_t>(opts.Width) * info.input_components;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + info.next_scanline * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  TBytes result(out, out + outSize);
  jpeg_destroy_compress(&info);
  std::free(out);
  return result;
}

namespace {

struct TBareError {
  jpeg_error_mgr Pub;
  jmp_buf Jump;
};

void BareErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<TBareError*>(cinfo->err)->Jump, 1);
}
void BareSilence(j_common_ptr, int) {}

bool RunBareJpeg(jpeg_decompress_struct* info, TBareError* err, const TBytes* jpeg,
                 J_COLOR_SPACE out, J_DCT_METHOD dct, unsigned scaleDenom, TRawImage* image) {
  if (setjmp(err->Jump) != 0) return false;
  jpeg_mem_src(info, jpeg->data(), static_cast<unsigned long>(jpeg->size()));
  jpeg_read_header(info, TRUE);
  info->out_color_space = out;
  info->dct_method = dct;
  info->scale_num = 1;
  info->scale_denom = scaleDenom;
  jpeg_start_decompress(info);
  image->Width = static_cast<int>(info->output_width);
  image->Height = static_cast<int>(info->output_height);
  image->Components = info->output_components;
  image->Pixels.resize(static_cast<size_t>(image->Width) * image->Height * image->Components);
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = image->Pixels.data() +
                   static_cast<size_t>(info->output_scanline) * image->Width * image->Components;
    jpeg_read_scanlines(info, &row, 1);
  }
  jpeg_finish_decompress(info);
  return true;
}

}  // namespace

TRawImage BareJpegDecode(const TBytes& jpeg, J_COLOR_SPACE out, J_DCT_METHOD dct,
                         unsigned scaleDenom) {
  TRawImage image;
  jpeg_decompress_struct info{};
  TBareError err{};
  info.err = jpeg_std_error(&err.Pub);
  err.Pub.error_exit = BareErrorExit;
  err.Pub.emit_message = BareSilence;
  jpeg_create_decompress(&info);
  image.Ok = RunBareJpeg(&info, &err, &jpeg, out, dct, scaleDenom, &image);
  jpeg_destroy_decompress(&info);
  return image;
}

size_t PngRowBytes(const TPngOptions& opts) {
  int channels = 1;
  switch (opts.ColorType) {
    case PNG_COLOR_TYPE_RGB: channels = 3; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: channels = 2; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: channels = 4; break;
    default: break;
  }
  return (static_cast<size_t>(opts.Width) * channels * opts.BitDepth + 7) / 8;
}

namespace {

void PngWrite(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<TBytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void PngFlush(png_structp) {}

}  // namespace

TBytes MakePng(const TPngOptions& opts) {
  TBytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the fixture");
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_IHDR(png, info, opts.Width, opts.Height, opts.BitDepth, opts.ColorType,
               opts.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!opts.Palette.empty())
    png_set_PLTE(png, info, opts.Palette.data(), static_cast<int>(opts.Palette.size()));
  if (opts.HasBkgd) png_set_bKGD(png, info, &opts.Bkgd);
  if (!opts.PaletteAlpha.empty())
    png_set_tRNS(png, info, opts.PaletteAlpha.data(), static_cast<int>(opts.PaletteAlpha.size()), nullptr);
  if (opts.HasPhys) png_set_pHYs(png, info, opts.PpmX, opts.PpmY, opts.PhysUnit);
  png_write_info(png, info);
  const size_t rowBytes = PngRowBytes(opts);
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass)
    for (uint32_t y = 0; y < opts.Height; ++y)
      png_write_row(png, const_cast<png_bytep>(opts.Rows.data() + y * rowBytes));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace pictova::fixtures
