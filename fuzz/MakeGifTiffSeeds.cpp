// Writes small valid GIF and TIFF files and LZW/CCITT streams (made by the tests' own writers)
// as the starting corpora of the GIF, TIFF, LZW and CCITT harnesses:
// make-gif-tiff-seeds GIF_DIR TIFF_DIR GIF_LZW_DIR TIFF_LZW_DIR CCITT_DIR.
#include <cstdio>
#include <string>

#include "imageio/GifTiffWriter.h"

namespace {

using pictova::fixtures::TBytes;

void Save(const std::string& path, const TBytes& prefix, const TBytes& data) {
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(prefix.data(), 1, prefix.size(), f);
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
  }
}

TBytes Pixels(size_t n, int colours) {
  TBytes px(n);
  for (size_t i = 0; i < n; ++i) px[i] = static_cast<uint8_t>((i * 7 + i / 13) % static_cast<size_t>(colours));
  return px;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pictova::fixtures;
  if (argc != 6) return 2;
  const std::string gifDir = argv[1], tiffDir = argv[2], gifLzwDir = argv[3], tiffLzwDir = argv[4],
                    ccittDir = argv[5];
  int n = 0;
  for (int colours : {2, 16, 256})
    for (bool interlaced : {false, true}) {
      TGifFile f;
      f.ScreenWidth = 23;
      f.ScreenHeight = 11;
      for (int i = 0; i < colours; ++i)
        f.GlobalTable.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3), static_cast<uint8_t>(255 - i)});
      for (int k = 0; k < 2; ++k) {
        TGifFrame fr;
        fr.Width = 23;
        fr.Height = 11;
        fr.Interlaced = interlaced;
        fr.Indices = Pixels(23 * 11, colours);
        fr.Control = TGifControl{1, 10, 1};
        f.Frames.push_back(fr);
      }
      Save(gifDir + "/seed" + std::to_string(n), {static_cast<uint8_t>(n)}, MakeGif(f));
      const TBytes codes = GifLzwEncode(Pixels(23 * 11, colours), colours == 2 ? 2 : colours == 16 ? 4 : 8);
      TBytes blocks = {static_cast<uint8_t>(colours == 2 ? 2 : colours == 16 ? 4 : 8)};
      for (size_t i = 0; i < codes.size(); i += 255) {
        const size_t len = std::min<size_t>(255, codes.size() - i);
        blocks.push_back(static_cast<uint8_t>(len));
        blocks.insert(blocks.end(), codes.begin() + static_cast<long>(i), codes.begin() + static_cast<long>(i + len));
      }
      blocks.push_back(0);
      Save(gifLzwDir + "/seed" + std::to_string(n), {22, 10, static_cast<uint8_t>(interlaced)}, blocks);
      ++n;
    }
  n = 0;
  for (int samples : {1, 3, 4})
    for (int compression : {1, 5, 32773})
      for (bool big : {false, true}) {
        const TBytes px = Pixels(static_cast<size_t>(13 * 7 * samples), 256);
        Save(tiffDir + "/seed" + std::to_string(n), {static_cast<uint8_t>(n)},
             MakeSimpleTiff(13, 7, samples, samples == 1 ? 1 : 2, px, compression, 3, compression == 5, big));
        if (compression == 5) Save(tiffLzwDir + "/seed" + std::to_string(n), {38, 0}, TiffLzwEncode(px));
        ++n;
      }
  // A bilevel TIFF and raw strip made by the writer from the test pattern (uncompressed), so
  // that the CCITT harness starts from structured input too.
  const TBytes pattern = BilevelPattern();
  TTiffWriter t;
  t.Long(256, {37});
  t.Long(257, {9});
  t.Short(258, {1});
  t.Short(259, {1});
  t.Short(262, {0});
  t.Blocks(273, 279, {pattern});
  Save(tiffDir + "/bilevel", {0}, t.Build());
  for (int coding = 0; coding < 4; ++coding) Save(ccittDir + "/seed" + std::to_string(coding), {static_cast<uint8_t>(coding | 0x80), 4}, pattern);
  return 0;
}
