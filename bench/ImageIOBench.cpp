// Decoding through TImageIO next to a bare libjpeg/libpng decode of the same file, to measure
// what the component's glue (stream source, detection, bitmap rows, progress) costs.
#include <benchmark/benchmark.h>
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <map>

#include "gfx/Bitmap.h"
#include "imageio/ImageFixtures.h"
#include "imageio/ImageIO.h"
#include "rtl/Classes.h"

namespace {

using namespace pictova;
using fixtures::TBytes;

// A photo-like picture: smooth gradients with a fine deterministic texture, so that the
// entropy coders have real work to do.
TBytes PhotoPixels(int width, int height) {
  TBytes pixels(static_cast<size_t>(width) * height * 3);
  uint32_t seed = 12345;
  size_t i = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      const int noise = static_cast<int>((seed >> 16) & 15) - 8;
      const int r = x * 255 / width + noise;
      const int g = y * 255 / height + noise;
      const int b = ((x / 37 + y / 29) % 2 ? 200 : 60) + noise;
      pixels[i++] = static_cast<uint8_t>(std::clamp(r, 0, 255));
      pixels[i++] = static_cast<uint8_t>(std::clamp(g, 0, 255));
      pixels[i++] = static_cast<uint8_t>(std::clamp(b, 0, 255));
    }
  return pixels;
}

const TBytes& JpegFile(int width, int height) {
  static std::map<std::pair<int, int>, TBytes> cache;
  auto& file = cache[{width, height}];
  if (file.empty()) {
    fixtures::TJpegOptions opts;
    opts.Width = width;
    opts.Height = height;
    opts.Quality = 90;
    file = fixtures::MakeJpeg(opts, PhotoPixels(width, height));
  }
  return file;
}

const TBytes& PngFile() {
  static TBytes file;
  if (file.empty()) {
    fixtures::TPngOptions opts;
    opts.Width = 1920;
    opts.Height = 1080;
    opts.Rows = PhotoPixels(1920, 1080);
    file = fixtures::MakePng(opts);
  }
  return file;
}

void JpegBare(benchmark::State& state) {
  const TBytes& file = JpegFile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    fixtures::TRawImage image = fixtures::BareJpegDecode(file, JCS_RGB);
    if (!image.Ok) state.SkipWithError("libjpeg failed");
    benchmark::DoNotOptimize(image.Pixels.data());
  }
}

void JpegImageIO(benchmark::State& state) {
  const TBytes& file = JpegFile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  TMemoryStream stream(file);
  TBitmap bitmap;
  TImageIO io;
  io.SetBitmap(&bitmap);
  for (auto _ : state) {
    stream.SetPosition(0);
    io.LoadFromStream(stream);
    if (io.IOFailed()) state.SkipWithError("TImageIO failed");
    benchmark::DoNotOptimize(bitmap.Bits());
  }
}

struct TMemoryReader {
  const TBytes* Data;
  size_t Pos = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
  auto* r = static_cast<TMemoryReader*>(png_get_io_ptr(png));
  if (length > r->Data->size() - r->Pos) png_error(png, "short");
  std::memcpy(out, r->Data->data() + r->Pos, length);
  r->Pos += length;
}

bool BarePngDecode(const TBytes* file, TBytes* pixels) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  TMemoryReader reader{file};
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  pixels->assign(rowBytes * height, 0);
  for (png_uint_32 y = 0; y < height; ++y)
    png_read_row(png, pixels->data() + y * rowBytes, nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return width > 0;
}

void PngBare(benchmark::State& state) {
  const TBytes& file = PngFile();
  for (auto _ : state) {
    TBytes pixels;
    if (!BarePngDecode(&file, &pixels)) state.SkipWithError("libpng failed");
    benchmark::DoNotOptimize(pixels.data());
  }
}

void PngImageIO(benchmark::State& state) {
  TMemoryStream stream(PngFile());
  TBitmap bitmap;
  TImageIO io;
  io.SetBitmap(&bitmap);
  for (auto _ : state) {
    stream.SetPosition(0);
    io.LoadFromStream(stream);
    if (io.IOFailed()) state.SkipWithError("TImageIO failed");
    benchmark::DoNotOptimize(bitmap.Bits());
  }
}

}  // namespace

BENCHMARK(JpegBare)->Args({1920, 1080})->Args({4000, 3000})->Unit(benchmark::kMillisecond);
BENCHMARK(JpegImageIO)->Args({1920, 1080})->Args({4000, 3000})->Unit(benchmark::kMillisecond);
BENCHMARK(PngBare)->Unit(benchmark::kMillisecond);
BENCHMARK(PngImageIO)->Unit(benchmark::kMillisecond);
