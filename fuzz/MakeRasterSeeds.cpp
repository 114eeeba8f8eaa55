// Writes the starting corpora of the BMP, PCX, TGA, PNM, icon and cursor harnesses: small
// sound files of each layout, made by the test writers. make-raster-seeds DIR writes into
// DIR/bmp, DIR/pcx, DIR/tga, DIR/pnm, DIR/ico and DIR/cur (which must exist).
#include <cstdio>
#include <string>

#include "imageio/ImageFixtures.h"
#include "imageio/RasterFixtures.h"

namespace {

using namespace pictova::fixtures;

int gCount = 0;

void Save(const std::string& dir, const TBytes& data) {
  const std::string path = dir + "/seed" + std::to_string(gCount);
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fputc(gCount++ * 5 & 0x7F, f);
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
  }
}

TBytes Pattern(size_t n) {
  TBytes out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i * 37 % 251);
  return out;
}

TBytes Table(int entries, int bytesPerEntry) { return Pattern(static_cast<size_t>(entries * bytesPerEntry)); }

void BmpSeeds(const std::string& dir) {
  struct TKind {
    uint32_t Header;
    int Bits;
    uint32_t Compression;
  } kinds[] = {{40, 24, 0}, {40, 32, 0}, {40, 16, 3}, {40, 8, 0}, {40, 8, 1}, {40, 4, 2},
               {40, 4, 0},  {40, 1, 0},  {12, 8, 0},  {64, 24, 0}, {108, 32, 3}, {124, 8, 0}};
  for (const TKind& k : kinds) {
    TBmpLayout s;
    s.HeaderSize = k.Header;
    s.Width = 7;
    s.Height = 5;
    s.BitCount = k.Bits;
    s.Compression = k.Compression;
    if (k.Bits <= 8) s.Palette = Table(1 << k.Bits, k.Header == 12 ? 3 : 4);
    if (k.Compression == 3) s.Masks = {0xF800, 0x07E0, 0x001F};
    if (k.Compression == 1) s.Pixels = {3, 1, 0, 3, 5, 6, 7, 0, 0, 0, 0, 2, 1, 1, 2, 9, 0, 1};
    else if (k.Compression == 2) s.Pixels = {4, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 0, 1};
    else s.Pixels = Pattern(static_cast<size_t>((7 * k.Bits + 31) / 32 * 4 * 5));
    Save(dir, MakeBmp(s));
  }
}

void PcxSeeds(const std::string& dir) {
  struct TKind {
    int Bits, Planes;
  } kinds[] = {{8, 1}, {8, 3}, {1, 4}, {1, 1}, {4, 1}};
  for (const TKind& k : kinds)
    for (int encoding : {0, 1}) {
      TPcxLayout s;
      s.Encoding = encoding;
      s.BitsPerPlane = k.Bits;
      s.Planes = k.Planes;
      s.Width = 9;
      s.Height = 4;
      s.BytesPerLine = (9 * k.Bits + 15) / 16 * 2;
      s.Palette16 = Table(16, 3);
      const TBytes raw = Pattern(static_cast<size_t>(s.BytesPerLine * k.Planes * 4));
      s.Data = encoding ? PcxRle(raw) : raw;
      if (k.Bits == 8 && k.Planes == 1) {
        s.Data.push_back(0x0C);
        const TBytes palette = Table(256, 3);
        s.Data.insert(s.Data.end(), palette.begin(), palette.end());
      }
      Save(dir, MakePcx(s));
    }
}

void TgaSeeds(const std::string& dir) {
  struct TKind {
    int Type, Depth, MapType, Descriptor;
  } kinds[] = {{2, 24, 0, 0}, {10, 24, 0, 0x20}, {2, 32, 0, 0x10}, {10, 16, 0, 0}, {1, 8, 1, 0x20},
               {9, 8, 1, 0},  {3, 8, 0, 0},      {11, 8, 0, 0x20}, {3, 1, 0, 0}};
  for (const TKind& k : kinds) {
    TTgaLayout s;
    s.Id = "seed";
    s.ImageType = k.Type;
    s.Depth = k.Depth;
    s.MapType = k.MapType;
    s.Descriptor = k.Descriptor;
    s.Width = 6;
    s.Height = 3;
    if (k.MapType) {
      s.MapFirst = 2;
      s.MapLength = 20;
      s.Map = Table(20, 3);
    }
    const int bytes = k.Depth == 1 ? 1 : k.Depth / 8;
    if (k.Type >= 9) {
      for (int y = 0; y < 3; ++y) {
        s.Data.push_back(0x82);
        const TBytes value = Pattern(static_cast<size_t>(bytes));
        s.Data.insert(s.Data.end(), value.begin(), value.end());
        s.Data.push_back(2);
        const TBytes raw = Pattern(static_cast<size_t>(bytes * 3));
        s.Data.insert(s.Data.end(), raw.begin(), raw.end());
      }
    } else {
      s.Data = Pattern(static_cast<size_t>(k.Depth == 1 ? 3 : bytes * 18));
    }
    if (k.Type == 2 && k.Depth == 24) s.Extension = Pattern(495);
    Save(dir, MakeTga(s));
  }
}

void PnmSeeds(const std::string& dir) {
  const std::string texts[] = {"P1\n# c\n5 2\n10101\n01010\n", "P2 3 2 15\n0 7 15 1 2 3\n",
                               "P3 2 1 255\n255 0 0 0 0 255\n"};
  for (const std::string& t : texts) Save(dir, TBytes(t.begin(), t.end()));
  const struct {
    std::string Header;
    size_t Bytes;
  } raw[] = {{"P4\n#x\n9 2\n", 4}, {"P5 4 2 255\n", 8}, {"P5 2 2 1000\n", 8}, {"P6 3 2 15\n", 18}, {"P6 2 2 65535\n", 24}};
  for (const auto& r : raw) {
    TBytes b(r.Header.begin(), r.Header.end());
    const TBytes p = Pattern(r.Bytes);
    b.insert(b.end(), p.begin(), p.end());
    Save(dir, b);
  }
}

void IconSeeds(const std::string& dir, int type) {
  std::vector<TIconImage> images;
  for (int bits : {1, 4, 8, 24, 32}) {
    TIconImage im;
    im.EntryWidth = 5;
    im.EntryHeight = 3;
    im.Colours = bits <= 8 ? (1 << bits) & 0xFF : 0;
    im.Word4 = type == 2 ? 2 : 1;
    im.Word6 = type == 2 ? 1 : bits;
    const size_t xorBytes = static_cast<size_t>((5 * bits + 31) / 32 * 4 * 3);
    im.Data = IconDib(5, 3, bits, bits <= 8 ? Table(1 << bits, 4) : TBytes{}, Pattern(xorBytes), Pattern(12));
    images.push_back(im);
  }
  Save(dir, MakeIcon(type, images));
  Save(dir, MakeIcon(type, {images[1], images[0]}));
  TPngOptions png;
  png.Width = 3;
  png.Height = 2;
  png.Rows = Pattern(18);
  TIconImage pngImage;
  pngImage.Word6 = 32;
  pngImage.Data = MakePng(png);
  Save(dir, MakeIcon(type, {pngImage, images[2]}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  BmpSeeds(dir + "/bmp");
  PcxSeeds(dir + "/pcx");
  TgaSeeds(dir + "/tga");
  PnmSeeds(dir + "/pnm");
  IconSeeds(dir + "/ico", 1);
  IconSeeds(dir + "/cur", 2);
  return 0;
}
