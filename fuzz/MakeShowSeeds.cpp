// Writes the starting corpus of the show-file harness: shows made by the show builder from
// small pictures of every format the engine shows, with a stand-in engine of a few bytes so
// that the seeds stay small. make-show-seeds DIR writes DIR/seed0 ... (DIR must exist).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imageio/GifTiffWriter.h"
#include "imageio/ImageFixtures.h"
#include "imageio/RasterFixtures.h"
#include "pictova-build/ShowBuilder.h"

namespace {

using namespace pictova;
using namespace pictova::fixtures;
namespace fs = std::filesystem;

constexpr int kW = 12, kH = 8;

void WriteFile(const fs::path& path, const TBytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TBytes Jpeg(bool progressive) {
  TJpegOptions o;
  o.Width = kW;
  o.Height = kH;
  o.Quality = 50;
  o.Progressive = progressive;
  return MakeJpeg(o, GradientPixels(kW, kH, 3));
}

TBytes Png(int colorType) {
  TPngOptions o;
  o.Width = kW;
  o.Height = kH;
  o.ColorType = colorType;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    o.Palette = {{0, 0, 0}, {200, 40, 10}, {10, 200, 40}, {40, 10, 200}};
    for (int i = 0; i < kW * kH; ++i) o.Rows.push_back(static_cast<uint8_t>(i % 4));
  } else {
    o.Rows = GradientPixels(kW, kH, 3);
  }
  return MakePng(o);
}

TBytes Bmp() {
  TBmpLayout b;
  b.Width = kW;
  b.Height = kH;
  b.Pixels = GradientPixels(kW, kH, 3);  // rows of 36 bytes: already 4-byte aligned
  return MakeBmp(b);
}

TBytes Gif() {
  TGifFile g;
  g.ScreenWidth = kW;
  g.ScreenHeight = kH;
  g.GlobalTable = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 0, 255}};
  TGifFrame frame;
  frame.Width = kW;
  frame.Height = kH;
  for (int i = 0; i < kW * kH; ++i) frame.Indices.push_back(static_cast<uint8_t>(i / 5 % 4));
  g.Frames.push_back(frame);
  return MakeGif(g);
}

TBytes Tga() {
  TTgaLayout t;
  t.Width = kW;
  t.Height = kH;
  t.Data = GradientPixels(kW, kH, 3);
  return MakeTga(t);
}

TBytes Pcx() {
  TPcxLayout p;
  p.Width = kW;
  p.Height = kH;
  p.BitsPerPlane = 8;
  p.Planes = 3;
  p.BytesPerLine = kW;
  p.Data = TBytes(static_cast<size_t>(kW * 3 * kH), 0x80);
  return MakePcx(p);
}

TBytes Tiff(int compression) { return MakeSimpleTiff(kW, kH, 3, 2, GradientPixels(kW, kH, 3), compression, 4); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-show-seeds DIR\n");
    return 2;
  }
  const fs::path out = argv[1];
  const fs::path work = fs::temp_directory_path() / "pictova-show-seeds";
  fs::remove_all(work);
  fs::create_directories(work);
  const TBytes engine = {'E', 'N', 'G', 'I', 'N', 'E', '\n'};
  WriteFile(work / "engine", engine);

  const std::vector<std::pair<std::string, TBytes>> pictures = {
      {"a.jpg", Jpeg(false)}, {"b.png", Png(PNG_COLOR_TYPE_RGB)}, {"c.bmp", Bmp()},
      {"d.gif", Gif()},       {"e.tga", Tga()},                   {"f.pcx", Pcx()},
      {"g.tif", Tiff(5)},     {"h.jpg", Jpeg(true)},              {"i.png", Png(PNG_COLOR_TYPE_PALETTE)},
      {"j.tif", Tiff(32773)}, {"k.txt", TBytes{'t', 'e', 'x', 't'}}};
  for (const auto& [name, bytes] : pictures) WriteFile(work / name, bytes);

  // Each show: a few pictures, styles of every kind of transition, short delays and pauses.
  struct TShow {
    std::vector<std::string> Names;
    std::vector<int> Styles;
    int Interval;
    bool Windowed;
    std::string Music;  // "show.scr": the harness's own file, read as music
  } shows[] = {
      {{"a.jpg", "b.png", "c.bmp"}, {118, 1, 40}, 0, false, ""},
      {{"d.gif", "e.tga", "f.pcx"}, {60, 90, 0}, 1, true, ""},
      {{"g.tif", "h.jpg"}, {110, 122}, 0, false, "show.scr"},
      {{"i.png", "j.tif", "k.txt", "a.jpg"}, {20, 75, 3, 100}, 0, false, ""},
      {{"c.bmp"}, {118}, 0, false, "music.wav"},
  };
  int count = 0;
  for (const TShow& show : shows) {
    TBuildRequest request;
    request.OutputPath = (out / ("seed" + std::to_string(count++))).string();
    request.EnginePath = (work / "engine").string();
    request.Title = "Seed show";
    request.AuthorName = "Fuzz";
    request.Interval = show.Interval;
    request.Windowed = show.Windowed;
    request.MusicPath = show.Music;
    request.SkipBad = true;
    request.Threads = 1;
    for (size_t i = 0; i < show.Names.size(); ++i) {
      TImageItem item;
      item.Path = (work / show.Names[i]).string();
      item.Style = show.Styles[i];
      item.StyleGiven = true;
      item.Delay = static_cast<int64_t>(i % 2);
      item.Reverse = i == 1;
      item.Clear = i == 2;
      request.Images.push_back(item);
    }
    std::vector<std::string> warnings;
    try {
      BuildShow(request, warnings);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "make-show-seeds: %s: %s\n", request.OutputPath.c_str(), e.what());
      return 1;
    }
  }
  fs::remove_all(work);
  return 0;
}
