// GIF and TIFF decoding through TImageIO (our LZW, PackBits and strip code) next to giflib
// (DGifSlurp and palette expansion) and libtiff (strip reading and the same byte shuffle) on the
// same 1920 × 1080 files, which the tests' writer makes.
#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "gfx/Bitmap.h"
#include "imageio/GifTiffWriter.h"
#include "imageio/ImageIO.h"
#include "rtl/Classes.h"

namespace {

using namespace pictova;
using fixtures::TBytes;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// Photo-like RGB: gradients, a checker of two tones and a little noise.
TBytes PhotoPixels() {
  TBytes px(static_cast<size_t>(kWidth) * kHeight * 3);
  uint32_t seed = 12345;
  size_t i = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      seed = seed * 1103515245u + 12345u;
      const int noise = static_cast<int>((seed >> 16) & 7) - 4;
      px[i++] = static_cast<uint8_t>(std::clamp(x * 255 / kWidth + noise, 0, 255));
      px[i++] = static_cast<uint8_t>(std::clamp(y * 255 / kHeight + noise, 0, 255));
      px[i++] = static_cast<uint8_t>(std::clamp(((x / 37 + y / 29) % 2 ? 200 : 60) + noise, 0, 255));
    }
  return px;
}

// The same picture in 256 colours (3 bits red, 3 green, 2 blue).
const TBytes& GifFile() {
  static TBytes file;
  if (file.empty()) {
    const TBytes rgb = PhotoPixels();
    fixtures::TGifFile f;
    f.ScreenWidth = kWidth;
    f.ScreenHeight = kHeight;
    for (int i = 0; i < 256; ++i)
      f.GlobalTable.push_back({static_cast<uint8_t>((i >> 5) * 36), static_cast<uint8_t>(((i >> 2) & 7) * 36),
                               static_cast<uint8_t>((i & 3) * 85)});
    fixtures::TGifFrame fr;
    fr.Width = kWidth;
    fr.Height = kHeight;
    fr.Indices.resize(static_cast<size_t>(kWidth) * kHeight);
    for (size_t p = 0; p < fr.Indices.size(); ++p)
      fr.Indices[p] = static_cast<uint8_t>((rgb[p * 3] >> 5) << 5 | (rgb[p * 3 + 1] >> 5) << 2 | rgb[p * 3 + 2] >> 6);
    f.Frames.push_back(fr);
    file = fixtures::MakeGif(f);
  }
  return file;
}

// 0: uncompressed, 1: LZW with the predictor, 2: PackBits; strips of 16 rows.
const TBytes& TiffFile(int kind) {
  static std::map<int, TBytes> cache;
  TBytes& file = cache[kind];
  if (file.empty()) {
    const int compression = kind == 0 ? 1 : kind == 1 ? 5 : 32773;
    file = fixtures::MakeSimpleTiff(kWidth, kHeight, 3, 2, PhotoPixels(), compression, 16, kind == 1);
  }
  return file;
}

void Ours(benchmark::State& state, const TBytes& file) {
  TMemoryStream stream(file);
  TBitmap bitmap;
  TImageIO io;
  io.SetBitmap(&bitmap);
  for (auto _ : state) {
    stream.SetPosition(0);
    io.LoadFromStream(stream);
    if (io.IOFailed()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(bitmap.Bits());
  }
}

void GifOurs(benchmark::State& state) { Ours(state, GifFile()); }
void TiffOurs(benchmark::State& state) { Ours(state, TiffFile(static_cast<int>(state.range(0)))); }

struct TMem {
  const TBytes* Data;
  size_t Pos = 0;
};

int GifRead(GifFileType* gif, GifByteType* bytes, int n) {
  auto* m = static_cast<TMem*>(gif->UserData);
  const size_t k = std::min<size_t>(static_cast<size_t>(n), m->Data->size() - m->Pos);
  std::memcpy(bytes, m->Data->data() + m->Pos, k);
  m->Pos += k;
  return static_cast<int>(k);
}

// giflib's decode of the whole file, then each index expanded to blue, green, red rows padded to
// 4 bytes, as the reader fills its bitmap.
void GifLib(benchmark::State& state) {
  const TBytes& file = GifFile();
  const size_t rowBytes = (kWidth * 3 + 3) & ~size_t{3};
  TBytes out(rowBytes * kHeight);
  for (auto _ : state) {
    TMem mem{&file};
    int err = 0;
    GifFileType* gif = DGifOpen(&mem, GifRead, &err);
    if (!gif || DGifSlurp(gif) != GIF_OK) state.SkipWithError("giflib failed");
    const SavedImage& im = gif->SavedImages[0];
    const GifColorType* map = gif->SColorMap->Colors;
    for (int y = 0; y < kHeight; ++y) {
      const GifByteType* src = im.RasterBits + static_cast<size_t>(y) * kWidth;
      uint8_t* dst = out.data() + rowBytes * static_cast<size_t>(y);
      for (int x = 0; x < kWidth; ++x, dst += 3) {
        const GifColorType& c = map[src[x]];
        dst[0] = c.Blue;
        dst[1] = c.Green;
        dst[2] = c.Red;
      }
    }
    DGifCloseFile(gif, &err);
    benchmark::DoNotOptimize(out.data());
  }
}

tsize_t TiffRead(thandle_t h, tdata_t buf, tsize_t n) {
  auto* m = static_cast<TMem*>(h);
  const size_t k = std::min<size_t>(static_cast<size_t>(n), m->Data->size() - std::min(m->Pos, m->Data->size()));
  std::memcpy(buf, m->Data->data() + m->Pos, k);
  m->Pos += k;
  return static_cast<tsize_t>(k);
}
tsize_t TiffWrite(thandle_t, tdata_t, tsize_t) { return 0; }
toff_t TiffSeek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<TMem*>(h);
  m->Pos = whence == SEEK_SET ? off : whence == SEEK_CUR ? m->Pos + off : m->Data->size() + off;
  return m->Pos;
}
int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t h) { return static_cast<TMem*>(h)->Data->size(); }
int TiffMap(thandle_t, tdata_t*, toff_t*) { return 0; }
void TiffUnmap(thandle_t, tdata_t, toff_t) {}

// libtiff's strip reading (decompression and predictor), then red, green, blue turned into
// blue, green, red rows padded to 4 bytes.
void TiffLib(benchmark::State& state) {
  const TBytes& file = TiffFile(static_cast<int>(state.range(0)));
  const size_t rowBytes = (kWidth * 3 + 3) & ~size_t{3};
  TBytes out(rowBytes * kHeight);
  TIFFSetWarningHandler(nullptr);
  for (auto _ : state) {
    TMem mem{&file};
    TIFF* tif = TIFFClientOpen("memory", "rm", &mem, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize, TiffMap, TiffUnmap);
    if (!tif) state.SkipWithError("libtiff failed");
    TBytes strip(static_cast<size_t>(TIFFStripSize(tif)));
    const uint32_t strips = TIFFNumberOfStrips(tif);
    int y = 0;
    for (uint32_t s = 0; s < strips; ++s) {
      const tmsize_t got = TIFFReadEncodedStrip(tif, s, strip.data(), static_cast<tmsize_t>(strip.size()));
      if (got < 0) state.SkipWithError("libtiff strip failed");
      const int rows = static_cast<int>(got / (kWidth * 3));
      for (int r = 0; r < rows; ++r, ++y) {
        const uint8_t* src = strip.data() + static_cast<size_t>(r) * kWidth * 3;
        uint8_t* dst = out.data() + rowBytes * static_cast<size_t>(y);
        for (int x = 0; x < kWidth; ++x, src += 3, dst += 3) {
          dst[0] = src[2];
          dst[1] = src[1];
          dst[2] = src[0];
        }
      }
    }
    TIFFClose(tif);
    benchmark::DoNotOptimize(out.data());
  }
}

}  // namespace

BENCHMARK(GifOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(GifLib)->Unit(benchmark::kMillisecond);
// Argument: 0 uncompressed, 1 LZW with predictor, 2 PackBits.
BENCHMARK(TiffOurs)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(TiffLib)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
