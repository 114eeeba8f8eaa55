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
        pixels[i++] = static_cast<uint8_t>((x * 255 / std::max(1, width - 1)) * (c % 2 == 0) +
                                           (y * 255 / std::max(1, height - 1)) * (c % 2 == 1) +
                                           40 * c);
  return pixels;
}

TBytes MakeJpeg(const TJpegSpec& spec, const TBytes& pixels) {
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&info, &out, &outSize);
  info.image_width = static_cast<JDIMENSION>(spec.Width);
  info.image_height = static_cast<JDIMENSION>(spec.Height);
  info.in_color_space = spec.InputSpace;
  info.input_components = spec.InputSpace == JCS_GRAYSCALE ? 1 : spec.InputSpace == JCS_CMYK ? 4 : 3;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, spec.FileSpace);
  jpeg_set_quality(&info, spec.Quality, TRUE);
  if (spec.Progressive) jpeg_simple_progression(&info);
  if (!spec.Jfif) info.write_JFIF_header = FALSE;
  info.density_unit = static_cast<UINT8>(spec.DensityUnit);
  info.X_density = static_cast<UINT16>(spec.XDensity);
  info.Y_density = static_cast<UINT16>(spec.YDensity);
  jpeg_start_compress(&info, TRUE);
  for (const auto& [code, data] : spec.Markers)
    jpeg_write_marker(&info, code, data.data(), static_cast<unsigned>(data.size()));
  const size_t stride = static_cast<size_t>(spec.Width) * info.input_components;
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

void BareErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<TBareError*>(cinfo->err)->Jump, 1); }
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

size_t PngRowBytes(const TPngSpec& spec) {
  int channels = 1;
  switch (spec.ColorType) {
    case PNG_COLOR_TYPE_RGB: channels = 3; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: channels = 2; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: channels = 4; break;
    default: break;
  }
  return (static_cast<size_t>(spec.Width) * channels * spec.BitDepth + 7) / 8;
}

namespace {

void PngWrite(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<TBytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void PngFlush(png_structp) {}

}  // namespace

TBytes MakePng(const TPngSpec& spec) {
  TBytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the fixture");
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_IHDR(png, info, spec.Width, spec.Height, spec.BitDepth, spec.ColorType,
               spec.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!spec.Palette.empty())
    png_set_PLTE(png, info, spec.Palette.data(), static_cast<int>(spec.Palette.size()));
  if (spec.HasBkgd) png_set_bKGD(png, info, &spec.Bkgd);
  if (spec.HasPhys) png_set_pHYs(png, info, spec.PpmX, spec.PpmY, spec.PhysUnit);
  png_write_info(png, info);
  const size_t rowBytes = PngRowBytes(spec);
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass)
    for (uint32_t y = 0; y < spec.Height; ++y)
      png_write_row(png, const_cast<png_bytep>(spec.Rows.data() + y * rowBytes));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace pictova::fixtures
