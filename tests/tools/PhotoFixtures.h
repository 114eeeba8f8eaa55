// Camera-like test photos: an upright picture of four coloured quadrants stored as a camera
// with a given EXIF orientation would store it, with the EXIF block written by hand.
#pragma once

#include <initializer_list>

#include "imageio/ImageFixtures.h"

namespace pictova::fixtures {

struct TRgb {
  uint8_t R, G, B;
};
// An upright picture that no turn or mirror maps onto itself: four quadrants.
constexpr TRgb kQuadrants[4] = {{230, 30, 30}, {30, 200, 40}, {40, 40, 220}, {240, 240, 240}};

inline TRgb UprightPixel(int x, int y, int w, int h) { return kQuadrants[(y >= h / 2) * 2 + (x >= w / 2)]; }

// The stored pixels of a camera that wrote the upright w x h picture with this orientation,
// from the EXIF table itself: which side of the upright picture the stored row 0 and the
// stored column 0 show (1 top/left, 2 top/right, 3 bottom/right, 4 bottom/left, 5 left/top,
// 6 right/top, 7 right/bottom, 8 left/bottom).
inline void StoredToUpright(int orientation, int sx, int sy, int w, int h, int& x, int& y) {
  static const char* const kSides[9] = {"", "TL", "TR", "BR", "BL", "LT", "RT", "RB", "LB"};
  const char row0 = kSides[orientation][0], col0 = kSides[orientation][1];
  x = y = 0;
  switch (row0) {
    case 'T': y = sy; break;
    case 'B': y = h - 1 - sy; break;
    case 'L': x = sy; break;
    case 'R': x = w - 1 - sy; break;
  }
  switch (col0) {
    case 'L': x = sx; break;
    case 'R': x = w - 1 - sx; break;
    case 'T': y = sx; break;
    case 'B': y = h - 1 - sx; break;
  }
}

inline TBytes ExifApp1(int orientation, bool bigEndian) {
  TBytes b = {'E', 'x', 'i', 'f', 0, 0};
  auto put16 = [&](int v) {
    if (bigEndian) b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
    else b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
  };
  auto put32 = [&](uint32_t v) {
    if (bigEndian) b.insert(b.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
    else b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
  };
  b.insert(b.end(), bigEndian ? std::initializer_list<uint8_t>{'M', 'M'} : std::initializer_list<uint8_t>{'I', 'I'});
  put16(42);
  put32(8);
  put16(2);  // two entries: ImageDescription before Orientation
  put16(270); put16(2); put32(4); b.insert(b.end(), {'c', 'a', 'm', 0});
  put16(274); put16(3); put32(1); put16(orientation); put16(0);
  put32(0);
  return b;
}

// A w x h upright picture stored as a camera with this orientation would store it.
inline TBytes CameraJpeg(int uprightW, int uprightH, int orientation, bool bigEndian = false, int quality = 95) {
  const bool swap = orientation >= 5;
  const int sw = swap ? uprightH : uprightW, sh = swap ? uprightW : uprightH;
  TBytes pixels;
  for (int sy = 0; sy < sh; ++sy)
    for (int sx = 0; sx < sw; ++sx) {
      int x, y;
      StoredToUpright(orientation, sx, sy, uprightW, uprightH, x, y);
      const TRgb c = UprightPixel(x, y, uprightW, uprightH);
      pixels.insert(pixels.end(), {c.R, c.G, c.B});
    }
  TJpegOptions o;
  o.Width = sw;
  o.Height = sh;
  o.Quality = quality;
  o.Markers.push_back({0xE1, ExifApp1(orientation, bigEndian)});
  return MakeJpeg(o, pixels);
}

}  // namespace pictova::fixtures
