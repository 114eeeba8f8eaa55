// Decoding a 1920 x 1080 picture through TImageIO for each raster reader and depth, next to
// stb_image decoding the same bytes where stb reads the format (BMP, TGA, PNM; not PCX, and
// stb has no RLE8 BMP). A memory copy of the 24-bit pixel bytes is the floor for raw rows.
#include <benchmark/benchmark.h>
#include <stb/stb_image.h>

#include <cstring>
#include <map>
#include <string>

#include "gfx/Bitmap.h"
#include "imageio/ImageIO.h"
#include "imageio/RasterFixtures.h"
#include "rtl/Classes.h"

namespace {

using namespace pictova;
using fixtures::TBytes;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// Blue, green, red rows of a photo-like picture (gradients with texture), top row first.
TBytes PhotoBgr() {
  TBytes pixels(static_cast<size_t>(kWidth) * kHeight * 3);
  uint32_t seed = 12345;
  size_t i = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1103515245u + 12345u;
      const int noise = static_cast<int>((seed >> 16) & 7);
      pixels[i++] = static_cast<uint8_t>(((x / 37 + y / 29) % 2 ? 200 : 60) + noise);
      pixels[i++] = static_cast<uint8_t>(y * 240 / kHeight + noise);
      pixels[i++] = static_cast<uint8_t>(x * 240 / kWidth + noise);
    }
  return pixels;
}

// Palette indices with runs, as drawn or posterised pictures have them.
TBytes Indices() {
  TBytes out(static_cast<size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) out[static_cast<size_t>(y) * kWidth + x] = static_cast<uint8_t>((x / 24 + y / 16) % 256);
  return out;
}

TBytes Rle8(const TBytes& indices) {
  TBytes out;
  for (int y = kHeight - 1; y >= 0; --y) {
    const uint8_t* row = indices.data() + static_cast<size_t>(y) * kWidth;
    for (int x = 0; x < kWidth;) {
      int run = 1;
      while (x + run < kWidth && run < 255 && row[x + run] == row[x]) ++run;
      out.insert(out.end(), {static_cast<uint8_t>(run), row[x]});
      x += run;
    }
    out.insert(out.end(), {0, 0});
  }
  out.insert(out.end(), {0, 1});
  return out;
}

TBytes TgaRle(const TBytes& bgr) {
  TBytes out;
  for (int y = 0; y < kHeight; ++y) {
    const uint8_t* row = bgr.data() + static_cast<size_t>(y) * kWidth * 3;
    for (int x = 0; x < kWidth;) {
      int run = 1;
      while (x + run < kWidth && run < 128 && std::memcmp(row + 3 * x, row + 3 * (x + run), 3) == 0) ++run;
      if (run > 1) {
        out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
        out.insert(out.end(), row + 3 * x, row + 3 * x + 3);
      } else {
        while (x + run < kWidth && run < 128 && std::memcmp(row + 3 * (x + run - 1), row + 3 * (x + run), 3) != 0) ++run;
        out.push_back(static_cast<uint8_t>(run - 1));
        out.insert(out.end(), row + 3 * x, row + 3 * (x + run));
      }
      x += run;
    }
  }
  return out;
}

const TBytes& File(const std::string& kind) {
  static std::map<std::string, TBytes> files;
  TBytes& file = files[kind];
  if (!file.empty()) return file;
  static const TBytes bgr = PhotoBgr();
  static const TBytes indices = Indices();
  TBytes palette;
  for (int i = 0; i < 256; ++i) palette.insert(palette.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7), 0});
  std::vector<TBytes> rgbRows, indexRows;
  for (int y = 0; y < kHeight; ++y) {
    rgbRows.emplace_back(bgr.begin() + static_cast<long>(y) * kWidth * 3, bgr.begin() + static_cast<long>(y + 1) * kWidth * 3);
    indexRows.emplace_back(indices.begin() + static_cast<long>(y) * kWidth, indices.begin() + static_cast<long>(y + 1) * kWidth);
  }
  fixtures::TBmpLayout bmp;
  bmp.Width = kWidth;
  bmp.Height = kHeight;
  if (kind == "bmp24") {
    bmp.Pixels = fixtures::BmpRows(rgbRows);
    file = fixtures::MakeBmp(bmp);
  } else if (kind == "bmp8" || kind == "bmprle8") {
    bmp.BitCount = 8;
    bmp.Palette = palette;
    bmp.Compression = kind == "bmp8" ? 0 : 1;
    bmp.Pixels = kind == "bmp8" ? fixtures::BmpRows(indexRows) : Rle8(indices);
    file = fixtures::MakeBmp(bmp);
  } else if (kind == "tga24" || kind == "tgarle") {
    fixtures::TTgaLayout tga;
    tga.ImageType = kind == "tga24" ? 2 : 10;
    tga.Width = kWidth;
    tga.Height = kHeight;
    tga.Descriptor = 0x20;
    tga.Data = kind == "tga24" ? bgr : TgaRle(bgr);
    file = fixtures::MakeTga(tga);
  } else if (kind == "pcx24") {
    fixtures::TPcxLayout pcx;
    pcx.Planes = 3;
    pcx.Width = kWidth;
    pcx.Height = kHeight;
    pcx.BytesPerLine = kWidth;
    TBytes line(kWidth);
    for (int y = 0; y < kHeight; ++y)
      for (int plane = 2; plane >= 0; --plane) {
        for (int x = 0; x < kWidth; ++x) line[x] = bgr[(static_cast<size_t>(y) * kWidth + x) * 3 + plane];
        const TBytes coded = fixtures::PcxRle(line);
        pcx.Data.insert(pcx.Data.end(), coded.begin(), coded.end());
      }
    file = fixtures::MakePcx(pcx);
  } else if (kind == "ppm") {
    const std::string header = "P6\n1920 1080\n255\n";
    file.assign(header.begin(), header.end());
    for (size_t i = 0; i < bgr.size(); i += 3) file.insert(file.end(), {bgr[i + 2], bgr[i + 1], bgr[i]});
  }
  return file;
}

void DecodeThroughImageIO(benchmark::State& state, const std::string& kind) {
  const TBytes& file = File(kind);
  TBitmap bitmap;
  TImageIO io;
  io.SetBitmap(&bitmap);
  for (auto _ : state) {
    TReadOnlyMemoryStream stream(file.data(), static_cast<int64_t>(file.size()));
    io.LoadFromStream(stream);
    benchmark::DoNotOptimize(bitmap.Bits());
  }
  if (io.IOFailed() || bitmap.Width() != kWidth || bitmap.Height() != kHeight) state.SkipWithError("decode failed");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file.size()));
}

void DecodeWithStb(benchmark::State& state, const std::string& kind) {
  const TBytes& file = File(kind);
  for (auto _ : state) {
    int w = 0, h = 0, n = 0;
    stbi_uc* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &n, 3);
    if (pixels == nullptr || w != kWidth || h != kHeight) {
      state.SkipWithError("stb could not decode");
      stbi_image_free(pixels);
      break;
    }
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file.size()));
}

// The floor for raw 24-bit rows: copying the picture's bytes once.
void CopyPixelBytes(benchmark::State& state) {
  const TBytes& file = File("bmp24");
  TBytes target(file.size());
  for (auto _ : state) {
    std::memcpy(target.data(), file.data(), file.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK_CAPTURE(DecodeThroughImageIO, bmp24, std::string("bmp24"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeWithStb, bmp24, std::string("bmp24"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeThroughImageIO, bmp8, std::string("bmp8"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeWithStb, bmp8, std::string("bmp8"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeThroughImageIO, bmprle8, std::string("bmprle8"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeThroughImageIO, tga24, std::string("tga24"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeWithStb, tga24, std::string("tga24"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeThroughImageIO, tgarle, std::string("tgarle"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeWithStb, tgarle, std::string("tgarle"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeThroughImageIO, pcx24, std::string("pcx24"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeThroughImageIO, ppm, std::string("ppm"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeWithStb, ppm, std::string("ppm"))->Unit(benchmark::kMillisecond);
BENCHMARK(CopyPixelBytes)->Unit(benchmark::kMillisecond);
