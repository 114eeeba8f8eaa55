// giftiff_crosscheck: compares our GIF and TIFF decoding (LZW, CCITT, PackBits) with giflib and
// libtiff on the same files, which the libraries write. Not part of the unit tests: it is built
// on request (cmake --build build/linux --target giftiff_crosscheck) where libgif-dev and
// libtiff-dev are installed. With --fixtures it prints, as C arrays, the CCITT strips that
// libtiff makes of the unit tests' bilevel pattern.
#include <gif_lib.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "imageio/GifTiffWriter.h"
#include "imageio/ImageIO.h"
#include "rtl/Classes.h"

namespace {

using pictova::TBitmap;
using pictova::TImageIO;
using pictova::TMemoryStream;
using pictova::fixtures::TBytes;

int gFailures = 0;
int gChecks = 0;

void Check(bool ok, const std::string& what) {
  ++gChecks;
  if (!ok) {
    ++gFailures;
    std::printf("MISMATCH %s\n", what.c_str());
  }
}

struct TMem {
  TBytes Data;
  size_t Pos = 0;
};

int GifWrite(GifFileType* gif, const GifByteType* bytes, int n) {
  auto* m = static_cast<TMem*>(gif->UserData);
  m->Data.insert(m->Data.end(), bytes, bytes + n);
  return n;
}

int GifRead(GifFileType* gif, GifByteType* bytes, int n) {
  auto* m = static_cast<TMem*>(gif->UserData);
  const size_t k = std::min<size_t>(static_cast<size_t>(n), m->Data.size() - m->Pos);
  std::memcpy(bytes, m->Data.data() + m->Pos, k);
  m->Pos += k;
  return static_cast<int>(k);
}

// Pixels with runs and noise, so that the LZW tables fill and clear several times.
TBytes Indices(int w, int h, int colours, unsigned seed) {
  std::mt19937 rng(seed);
  TBytes px(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      px[static_cast<size_t>(y * w + x)] = static_cast<uint8_t>(
          (rng() % 4 == 0 ? rng() : static_cast<unsigned>((x / 7 + y / 5) * 13)) % static_cast<unsigned>(colours));
  return px;
}

std::vector<GifColorType> Palette(int colours) {
  std::vector<GifColorType> p(static_cast<size_t>(colours));
  for (int i = 0; i < colours; ++i)
    p[static_cast<size_t>(i)] = GifColorType{static_cast<GifByteType>(i * 37), static_cast<GifByteType>(255 - i),
                                             static_cast<GifByteType>(i * 101)};
  return p;
}

TBytes GiflibEncode(int w, int h, int colours, const TBytes& px, bool interlaced) {
  TMem mem;
  int err = 0;
  GifFileType* gif = EGifOpen(&mem, GifWrite, &err);
  std::vector<GifColorType> pal = Palette(colours);
  ColorMapObject* map = GifMakeMapObject(colours, pal.data());
  EGifPutScreenDesc(gif, w, h, 8, 0, map);
  EGifPutImageDesc(gif, 0, 0, w, h, interlaced, nullptr);
  std::vector<int> order;
  if (interlaced) {
    const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int p = 0; p < 4; ++p)
      for (int y = start[p]; y < h; y += step[p]) order.push_back(y);
  } else {
    for (int y = 0; y < h; ++y) order.push_back(y);
  }
  for (int y : order) EGifPutLine(gif, const_cast<GifPixelType*>(px.data() + y * w), w);
  EGifCloseFile(gif, &err);
  GifFreeMapObject(map);
  return mem.Data;
}

bool GiflibDecode(const TBytes& file, TBytes& indices) {
  TMem mem{file, 0};
  int err = 0;
  GifFileType* gif = DGifOpen(&mem, GifRead, &err);
  if (!gif) return false;
  const bool ok = DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0;
  if (ok) {
    const SavedImage& im = gif->SavedImages[0];
    indices.assign(im.RasterBits, im.RasterBits + im.ImageDesc.Width * im.ImageDesc.Height);
  }
  DGifCloseFile(gif, &err);
  return ok;
}

bool OursDecode(const TBytes& file, TBitmap& bitmap) {
  TImageIO io;
  io.SetBitmap(&bitmap);
  TMemoryStream stream(file);
  io.LoadFromStream(stream);
  return io.IOFailed() == 0;
}

void CheckGif() {
  struct TCase { int W, H, Colours; bool Interlaced; };
  const TCase cases[] = {{1, 1, 2, false}, {9, 5, 2, false}, {333, 97, 256, false}, {640, 480, 256, true},
                         {257, 31, 16, true}, {1000, 700, 64, false}, {77, 600, 4, false}};
  unsigned seed = 1;
  for (const TCase& c : cases) {
    const TBytes px = Indices(c.W, c.H, c.Colours, seed++);
    const std::string name = "gif " + std::to_string(c.W) + "x" + std::to_string(c.H) + "/" + std::to_string(c.Colours);
    // giflib's file through our reader.
    TBitmap bitmap;
    const TBytes file = GiflibEncode(c.W, c.H, c.Colours, px, c.Interlaced);
    bool same = OursDecode(file, bitmap);
    const std::vector<GifColorType> pal = Palette(c.Colours);
    const bool oneBit = bitmap.PixelFormat() == pictova::pf1bit;
    for (int y = 0; same && y < c.H; ++y)
      for (int x = 0; same && x < c.W; ++x) {
        const GifColorType& e = pal[px[static_cast<size_t>(y * c.W + x)]];
        const pictova::TColor got = bitmap.Pixel(x, y);
        const pictova::TColor want = oneBit ? (px[static_cast<size_t>(y * c.W + x)] ? 0xFFFFFF : 0)
                                            : static_cast<pictova::TColor>(e.Red | (e.Green << 8) | (e.Blue << 16));
        same = got == want;
      }
    Check(same, name + ": giflib's file, our decode");
    // Our writer's files (also with a deferred clear) through giflib.
    for (bool defer : {false, true}) {
      pictova::fixtures::TGifFile f;
      f.ScreenWidth = static_cast<uint16_t>(c.W);
      f.ScreenHeight = static_cast<uint16_t>(c.H);
      for (const GifColorType& e : pal) f.GlobalTable.push_back({e.Red, e.Green, e.Blue});
      pictova::fixtures::TGifFrame fr;
      fr.Width = f.ScreenWidth;
      fr.Height = f.ScreenHeight;
      fr.Interlaced = c.Interlaced;
      fr.Indices = px;
      fr.Lzw.DeferClear = defer;
      f.Frames.push_back(fr);
      TBytes decoded;
      Check(GiflibDecode(pictova::fixtures::MakeGif(f), decoded) && decoded == px,
            name + (defer ? ": our deferred-clear file, giflib's decode" : ": our file, giflib's decode"));
    }
  }
}

struct TTiffCase {
  const char* Name;
  int Compression;
  int Samples;
  int Bits;
  int Predictor = 1;
  int FillOrder = 1;
  uint32_t T4 = 0;
  bool BigEndian = false;
};

// Bilevel rows (1 = black) with runs of every length, long ones past 2560 pixels included.
TBytes BilevelRows(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  const int rowBytes = (w + 7) / 8;
  TBytes rows(static_cast<size_t>(rowBytes) * static_cast<size_t>(h), 0);
  for (int y = 0; y < h; ++y) {
    int x = 0;
    bool black = rng() % 2;
    while (x < w) {
      const int run = static_cast<int>(rng() % 8 == 0 ? rng() % 3000 : rng() % 40);
      for (int i = x; i < std::min(w, x + run); ++i)
        if (black) rows[static_cast<size_t>(y * rowBytes + i / 8)] |= static_cast<uint8_t>(0x80 >> (i % 8));
      x += run;
      black = !black;
    }
    // Now and then a row like the one above, so that the 2-D codings use vertical modes.
    if (y > 0 && rng() % 3 == 0)
      std::memcpy(&rows[static_cast<size_t>(y * rowBytes)], &rows[static_cast<size_t>((y - 1) * rowBytes)], static_cast<size_t>(rowBytes));
  }
  return rows;
}

// Writes the case with libtiff, reads it back with libtiff's scan lines and with our reader.
void CheckTiffCase(const TTiffCase& c, int w, int h, const TBytes& rows, int rowsPerStrip) {
  char path[] = "/tmp/giftiff-crosscheck-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return;
  close(fd);
  TIFF* t = TIFFOpen(path, c.BigEndian ? "wb" : "wl");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, c.Bits);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, c.Samples);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, c.Samples == 3 ? PHOTOMETRIC_RGB : c.Bits == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
  TIFFSetField(t, TIFFTAG_COMPRESSION, c.Compression);
  TIFFSetField(t, TIFFTAG_FILLORDER, c.FillOrder);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  if (c.Predictor != 1) TIFFSetField(t, TIFFTAG_PREDICTOR, c.Predictor);
  if (c.Compression == COMPRESSION_CCITTFAX3) TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, c.T4);
  const tmsize_t rowBytes = (static_cast<tmsize_t>(w) * c.Samples * c.Bits + 7) / 8;
  for (int y = 0; y < h; ++y) TIFFWriteScanline(t, const_cast<uint8_t*>(rows.data() + y * rowBytes), static_cast<uint32_t>(y), 0);
  TIFFClose(t);

  TMemoryStream file;
  file.LoadFromFile(path);
  TBitmap bitmap;
  const bool ours = OursDecode(file.Data(), bitmap);
  t = TIFFOpen(path, "r");
  std::vector<uint8_t> line(static_cast<size_t>(rowBytes));
  bool same = ours;
  for (int y = 0; same && y < h; ++y) {
    same = TIFFReadScanline(t, line.data(), static_cast<uint32_t>(y), 0) == 1;
    for (int x = 0; same && x < w; ++x) {
      const pictova::TColor got = bitmap.Pixel(x, y);
      pictova::TColor want;
      if (c.Bits == 1)
        want = (line[static_cast<size_t>(x / 8)] >> (7 - x % 8)) & 1 ? 0 : 0xFFFFFF;  // white is zero
      else if (c.Samples == 1)
        want = line[static_cast<size_t>(x)] * 0x010101u;
      else
        want = static_cast<pictova::TColor>(line[static_cast<size_t>(x * 3)] | (line[static_cast<size_t>(x * 3 + 1)] << 8) |
                                            (line[static_cast<size_t>(x * 3 + 2)] << 16));
      same = got == want;
    }
  }
  TIFFClose(t);
  unlink(path);
  Check(same, std::string("tiff ") + c.Name + " " + std::to_string(w) + "x" + std::to_string(h));
}

void CheckTiff() {
  const TTiffCase colour[] = {
      {"lzw", COMPRESSION_LZW, 3, 8},
      {"lzw+predictor", COMPRESSION_LZW, 3, 8, 2},
      {"lzw+predictor BE", COMPRESSION_LZW, 3, 8, 2, 1, 0, true},
      {"packbits", COMPRESSION_PACKBITS, 3, 8},
      {"grey lzw+predictor", COMPRESSION_LZW, 1, 8, 2},
  };
  for (const TTiffCase& c : colour)
    for (int size : {7, 333, 1500}) {
      const int w = size, h = size / 3 + 5;
      TBytes px = Indices(w * c.Samples, h, 256, static_cast<unsigned>(size));
      CheckTiffCase(c, w, h, px, 16);
    }
  const TTiffCase bilevel[] = {
      {"mh", COMPRESSION_CCITTRLE, 1, 1},
      {"mh fill2", COMPRESSION_CCITTRLE, 1, 1, 1, 2},
      {"g3 1d", COMPRESSION_CCITTFAX3, 1, 1},
      {"g3 1d fillbits", COMPRESSION_CCITTFAX3, 1, 1, 1, 1, GROUP3OPT_FILLBITS},
      {"g3 2d", COMPRESSION_CCITTFAX3, 1, 1, 1, 1, GROUP3OPT_2DENCODING},
      {"g3 2d fill2 BE", COMPRESSION_CCITTFAX3, 1, 1, 1, 2, GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS, true},
      {"g4", COMPRESSION_CCITTFAX4, 1, 1},
      {"g4 fill2", COMPRESSION_CCITTFAX4, 1, 1, 1, 2},
      {"lzw bilevel", COMPRESSION_LZW, 1, 1},
  };
  for (const TTiffCase& c : bilevel)
    for (int w : {1, 37, 1728, 5000}) {
      const int h = 40;
      CheckTiffCase(c, w, h, BilevelRows(w, h, static_cast<unsigned>(w)), 13);
    }
}

void PrintFixtures() {
  struct TFix { const char* Name; int Compression; int FillOrder; uint32_t T4; };
  const TFix fixes[] = {{"kMh", COMPRESSION_CCITTRLE, 1, 0},
                        {"kG3OneD", COMPRESSION_CCITTFAX3, 1, 0},
                        {"kG3TwoD", COMPRESSION_CCITTFAX3, 1, GROUP3OPT_2DENCODING},
                        {"kG4", COMPRESSION_CCITTFAX4, 1, 0},
                        {"kG4LsbFirst", COMPRESSION_CCITTFAX4, 2, 0}};
  const TBytes rows = pictova::fixtures::BilevelPattern();
  for (const TFix& f : fixes) {
    char path[] = "/tmp/giftiff-fixture-XXXXXX";
    const int fd = mkstemp(path);
    close(fd);
    TIFF* t = TIFFOpen(path, "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 37);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 9);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_COMPRESSION, f.Compression);
    TIFFSetField(t, TIFFTAG_FILLORDER, f.FillOrder);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 9);
    if (f.Compression == COMPRESSION_CCITTFAX3) TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, f.T4);
    for (int y = 0; y < 9; ++y) TIFFWriteScanline(t, const_cast<uint8_t*>(rows.data() + y * 5), static_cast<uint32_t>(y), 0);
    TIFFClose(t);
    t = TIFFOpen(path, "r");
    std::vector<uint8_t> raw(static_cast<size_t>(TIFFRawStripSize(t, 0)));
    TIFFReadRawStrip(t, 0, raw.data(), static_cast<tmsize_t>(raw.size()));
    TIFFClose(t);
    unlink(path);
    std::printf("const TBytes %s = {", f.Name);
    for (size_t i = 0; i < raw.size(); ++i) std::printf("%s0x%02X", i ? ", " : "", raw[i]);
    std::printf("};\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  TIFFSetWarningHandler(nullptr);
  if (argc > 1 && std::strcmp(argv[1], "--fixtures") == 0) {
    PrintFixtures();
    return 0;
  }
  CheckGif();
  CheckTiff();
  std::printf("%d checks, %d mismatches\n", gChecks, gFailures);
  return gFailures == 0 ? 0 : 1;
}
