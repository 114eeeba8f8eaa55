// Demonstration pictures painted pixel by pixel from formulas, so that a demo show needs no
// picture files from elsewhere; JPEG through libjpeg, PNG through the engine's own writer.
#include "pictova-demo-pictures/DemoPictures.h"

#include <algorithm>
#include <csetjmp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

// jpeglib.h relies on size_t and FILE being declared before it.
#include <jpeglib.h>

#include "gfx/Bitmap.h"
#include "imageio/GifTiffWriter.h"
#include "imageio/PngWriter.h"
#include "pictova-build/BuildSupport.h"

namespace pictova {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct TRgb {
  double R = 0, G = 0, B = 0;
};

TRgb Mix(const TRgb& a, const TRgb& b, double t) {
  return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

TRgb Add(const TRgb& a, const TRgb& b, double k) { return {a.R + b.R * k, a.G + b.G * k, a.B + b.B * k}; }

// Hue in turns (any real number), saturation and value 0..1.
TRgb Hsv(double h, double s, double v) {
  h = (h - std::floor(h)) * 6;
  const int sector = static_cast<int>(h) % 6;
  const double f = h - std::floor(h);
  const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (sector) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q};
  }
}

double Clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

// A fixed scatter of points (stars) without a random generator: a hash of the position.
uint32_t Hash(int x, int y) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

using TPainter = std::function<TRgb(int x, int y, int w, int h)>;

TRgb Aurora(int x, int y, int w, int h) {
  const double fy = static_cast<double>(y) / h;
  TRgb c = Mix({0.01, 0.02, 0.10}, {0.06, 0.10, 0.28}, fy);
  if (Hash(x, y) % 1400 == 0) c = {0.9, 0.9, 1.0};
  const double hues[3] = {0.36, 0.48, 0.80};
  for (int k = 0; k < 3; ++k) {
    const double centre = h * (0.28 + 0.11 * k) + 45 * std::sin(x * 0.007 + k * 1.7) + 18 * std::sin(x * 0.023 + k);
    const double spread = 28.0 + 14 * k;
    const double d = (y - centre) / spread;
    const double glow = std::exp(-d * d) * (0.55 + 0.45 * std::sin(x * 0.045 + k * 2.1));
    c = Add(c, Hsv(hues[k], 0.8, 1.0), glow * 0.8);
  }
  const double ground = h * 0.86 + 14 * std::sin(x * 0.011) + 6 * std::sin(x * 0.037);
  if (y > ground) c = {0.02, 0.03, 0.04};
  return c;
}

TRgb Rings(int x, int y, int w, int h) {
  const double dx = x - w * 0.5, dy = y - h * 0.5;
  const double r = std::sqrt(dx * dx + dy * dy);
  const double a = std::atan2(dy, dx) / (2 * kPi);
  return Hsv(a + r / 700, 0.85, 0.55 + 0.45 * std::cos(r * 0.075));
}

TRgb Mandelbrot(int x, int y, int w, int h) {
  const double scale = 2.9 / w;
  const double cr = -0.62 + (x - w * 0.5) * scale;
  const double ci = (y - h * 0.5) * scale;
  // The main cardioid and the period-2 bulb are inside: no need to iterate there.
  const double q = (cr - 0.25) * (cr - 0.25) + ci * ci;
  if (q * (q + (cr - 0.25)) <= 0.25 * ci * ci || (cr + 1) * (cr + 1) + ci * ci <= 0.0625) return {0.02, 0.0, 0.05};
  double zr = 0, zi = 0;
  constexpr int kMaxIterations = 160;
  for (int n = 0; n < kMaxIterations; ++n) {
    const double zr2 = zr * zr, zi2 = zi * zi;
    if (zr2 + zi2 > 256) {
      const double mu = n + 1 - std::log(std::log(std::sqrt(zr2 + zi2))) / std::log(2.0);
      return Hsv(0.62 + mu * 0.035, 0.75, Clamp01(0.25 + mu * 0.06));
    }
    zi = 2 * zr * zi + ci;
    zr = zr2 - zi2 + cr;
  }
  return {0.02, 0.0, 0.05};
}

TRgb Tiles(int x, int y, int w, int h) {
  constexpr double kAngle = kPi / 7, kTile = 64;
  const double u = (x * std::cos(kAngle) + y * std::sin(kAngle)) / kTile;
  const double v = (-x * std::sin(kAngle) + y * std::cos(kAngle)) / kTile;
  const double i = std::floor(u), j = std::floor(v);
  const double hue = std::fmod(std::fabs(i * 5 + j * 3), 12) / 12;
  const double fu = u - i - 0.5, fv = v - j - 0.5;
  const bool dot = fu * fu + fv * fv < 0.09;
  const bool odd = static_cast<long>(i + j) % 2 != 0;
  if (dot) return Hsv(hue + 0.5, 0.9, 1.0);
  return Hsv(hue, odd ? 0.7 : 0.45, odd ? 0.85 : 0.6);
}

TRgb Sunset(int x, int y, int w, int h) {
  const double horizon = h * 0.62;
  const double sunX = w * 0.64, sunY = h * 0.50, sunR = h * 0.11;
  const double dx = x - sunX, dy = y - sunY;
  const double dist = std::sqrt(dx * dx + dy * dy);
  if (y < horizon) {
    const double t = y / horizon;
    TRgb c = t < 0.5 ? Mix({0.20, 0.08, 0.35}, {0.85, 0.30, 0.35}, t * 2) : Mix({0.85, 0.30, 0.35}, {1.0, 0.65, 0.25}, (t - 0.5) * 2);
    c = Add(c, {1.0, 0.8, 0.4}, std::exp(-dist / (sunR * 2.5)) * 0.6);
    if (dist < sunR) c = {1.0, 0.93, 0.6};
    const double ridge = horizon - (h * 0.10 + h * 0.06 * std::sin(x * 0.0045 + 0.8) + h * 0.03 * std::sin(x * 0.017));
    if (y > ridge && x < w * 0.55 + 120 * std::sin(y * 0.01)) c = Mix({0.18, 0.06, 0.20}, {0.10, 0.04, 0.12}, (y - ridge) / (horizon - ridge + 1));
    return c;
  }
  const double depth = (y - horizon) / (h - horizon);
  TRgb c = Mix({0.45, 0.18, 0.30}, {0.05, 0.05, 0.18}, depth);
  const double band = sunR * (0.6 + depth * 2.5);
  if (std::fabs(x - sunX) < band * (0.5 + 0.5 * std::sin(y * 0.8 + x * 0.02)) && std::sin(y * 1.3) > -0.2)
    c = Mix(c, {1.0, 0.75, 0.35}, 0.8 * (1 - depth));
  return c;
}

TRgb Plasma(int x, int y, int w, int h) {
  const double fx = x - w / 2.0, fy = y - h / 2.0;
  const double v = std::sin(x / 23.0) + std::sin(y / 13.0 + 1) + std::sin((x + y) / 31.0) +
                   std::sin(std::sqrt(fx * fx + fy * fy) / 11.0);
  return {0.5 + 0.5 * std::sin(kPi * v), 0.5 + 0.5 * std::sin(kPi * v + 2 * kPi / 3),
          0.5 + 0.5 * std::sin(kPi * v + 4 * kPi / 3)};
}

struct TDemoEntry {
  TDemoPicture Picture;
  TPainter Painter;
};

const std::vector<TDemoEntry>& Entries() {
  static const std::vector<TDemoEntry> entries = {
      {{"01-aurora.jpg", 1024, 768}, Aurora},     {{"02-rings.png", 1024, 768}, Rings},
      {{"03-fractal.jpg", 1024, 768}, Mandelbrot}, {{"04-tiles.png", 800, 600}, Tiles},
      {{"05-sunset.jpg", 1280, 720}, Sunset},      {{"06-plasma.png", 640, 480}, Plasma},
      {{"07-rings.gif", 800, 600}, Rings},         {{"08-aurora.tif", 1024, 768}, Aurora},
      {{"09-rings.bmp", 800, 600}, Rings},         {{"10-tiles.tga", 1024, 768}, Tiles},
      {{"11-aurora.ppm", 800, 600}, Aurora},
  };
  return entries;
}

// libjpeg reports errors through error_exit, which must not return: it jumps back here.
struct TJpegJob {
  jpeg_compress_struct Info{};
  jpeg_error_mgr Error{};
  std::jmp_buf Jump{};
  unsigned char* Buffer = nullptr;
  unsigned long Size = 0;
  ~TJpegJob() { std::free(Buffer); }
};

void JpegErrorExit(j_common_ptr info) {
  auto* job = static_cast<TJpegJob*>(info->client_data);
  std::longjmp(job->Jump, 1);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  TNativeFileStream out(path, TNativeFileStream::nmCreate);
  if (!bytes.empty()) out.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  out.Close();
}

// A GIF of the picture in a colour cube of 6 × 7 × 6 levels (the nearest level per channel).
std::vector<uint8_t> EncodeGif(const TBitmap& bitmap) {
  fixtures::TGifFile file;
  file.ScreenWidth = static_cast<uint16_t>(bitmap.Width());
  file.ScreenHeight = static_cast<uint16_t>(bitmap.Height());
  for (int i = 0; i < 256; ++i) {
    const int r = i / 42 % 6, g = i / 6 % 7, b = i % 6;
    file.GlobalTable.push_back(i < 252 ? fixtures::TRgb{static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 255 / 6),
                                                        static_cast<uint8_t>(b * 51)}
                                       : fixtures::TRgb{0, 0, 0});
  }
  fixtures::TGifFrame frame;
  frame.Width = file.ScreenWidth;
  frame.Height = file.ScreenHeight;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      const int b = (row[3 * x] + 25) / 51, g = (row[3 * x + 1] * 6 + 127) / 255, r = (row[3 * x + 2] + 25) / 51;
      frame.Indices.push_back(static_cast<uint8_t>(r * 42 + g * 6 + b));
    }
  }
  file.Frames.push_back(frame);
  return fixtures::MakeGif(file);
}

// An LZW-compressed TIFF with horizontal differencing, strips of 32 rows.
std::vector<uint8_t> EncodeTiff(const TBitmap& bitmap) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) rgb.insert(rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
  }
  return fixtures::MakeSimpleTiff(bitmap.Width(), bitmap.Height(), 3, 2, rgb, 5, 32, true);
}

void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A 24-bit BMP with the 40-byte header, rows bottom-up as the format keeps them.
std::vector<uint8_t> EncodeBmp(const TBitmap& bitmap) {
  const uint32_t rowBytes = static_cast<uint32_t>(bitmap.RowBytes());
  const uint32_t pixels = rowBytes * static_cast<uint32_t>(bitmap.Height());
  std::vector<uint8_t> out = {'B', 'M'};
  PutLe(out, 54 + pixels, 4);
  PutLe(out, 0, 4);
  PutLe(out, 54, 4);
  for (uint32_t v : {40u, static_cast<uint32_t>(bitmap.Width()), static_cast<uint32_t>(bitmap.Height())})
    PutLe(out, v, 4);
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  for (uint32_t v : {0u, pixels, 2835u, 2835u, 0u, 0u}) PutLe(out, v, 4);
  for (int y = bitmap.Height() - 1; y >= 0; --y)
    out.insert(out.end(), bitmap.ScanLine(y), bitmap.ScanLine(y) + rowBytes);
  return out;
}

// A run-length coded 24-bit TGA (type 10), top row first (descriptor 20 hex).
std::vector<uint8_t> EncodeTga(const TBitmap& bitmap) {
  std::vector<uint8_t> out = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  PutLe(out, static_cast<uint32_t>(bitmap.Width()), 2);
  PutLe(out, static_cast<uint32_t>(bitmap.Height()), 2);
  out.push_back(24);
  out.push_back(0x20);
  const int w = bitmap.Width();
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    auto same = [&](int a, int b) { return std::equal(row + 3 * a, row + 3 * a + 3, row + 3 * b); };
    for (int x = 0; x < w;) {
      int run = 1;
      while (x + run < w && run < 128 && same(x, x + run)) ++run;
      if (run > 1) {
        out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
        out.insert(out.end(), row + 3 * x, row + 3 * x + 3);
      } else {
        // A raw packet up to the next pair of equal pixels.
        while (x + run < w && run < 128 && !(x + run + 1 < w && same(x + run, x + run + 1))) ++run;
        out.push_back(static_cast<uint8_t>(run - 1));
        out.insert(out.end(), row + 3 * x, row + 3 * (x + run));
      }
      x += run;
    }
  }
  return out;
}

// A raw portable pixmap (P6), red, green, blue.
std::vector<uint8_t> EncodePpm(const TBitmap& bitmap) {
  const std::string header = "P6\n# Pictova demo picture\n" + std::to_string(bitmap.Width()) + " " +
                             std::to_string(bitmap.Height()) + "\n255\n";
  std::vector<uint8_t> out(header.begin(), header.end());
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x)
      out.insert(out.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
  }
  return out;
}

}  // namespace

const std::vector<TDemoPicture>& DemoPictures() {
  static const std::vector<TDemoPicture> pictures = [] {
    std::vector<TDemoPicture> list;
    for (const TDemoEntry& e : Entries()) list.push_back(e.Picture);
    return list;
  }();
  return pictures;
}

void PaintDemoPicture(size_t index, TBitmap& bitmap) {
  const TDemoEntry& entry = Entries().at(index);
  const int w = entry.Picture.Width, h = entry.Picture.Height;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      const TRgb c = entry.Painter(x, y, w, h);
      row[3 * x] = static_cast<uint8_t>(std::lround(Clamp01(c.B) * 255));
      row[3 * x + 1] = static_cast<uint8_t>(std::lround(Clamp01(c.G) * 255));
      row[3 * x + 2] = static_cast<uint8_t>(std::lround(Clamp01(c.R) * 255));
    }
  }
}

std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality) {
  if (bitmap.PixelFormat() != pf24bit || bitmap.Empty()) throw Exception("EncodeJpeg needs a 24-bit picture");
  const int w = bitmap.Width(), h = bitmap.Height();
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * 3);
  // Heap-allocated: its fields are changed between setjmp and longjmp.
  auto job = std::make_unique<TJpegJob>();
  job->Info.err = jpeg_std_error(&job->Error);
  job->Error.error_exit = JpegErrorExit;
  job->Info.client_data = job.get();
  if (setjmp(job->Jump)) {
    jpeg_destroy_compress(&job->Info);
    throw Exception("the JPEG encoder failed");
  }
  jpeg_create_compress(&job->Info);
  jpeg_mem_dest(&job->Info, &job->Buffer, &job->Size);
  job->Info.image_width = static_cast<JDIMENSION>(w);
  job->Info.image_height = static_cast<JDIMENSION>(h);
  job->Info.input_components = 3;
  job->Info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&job->Info);
  jpeg_set_quality(&job->Info, quality, TRUE);
  jpeg_start_compress(&job->Info, TRUE);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < w; ++x) {  // the bitmap keeps blue, green, red
      rgb[3 * x] = row[3 * x + 2];
      rgb[3 * x + 1] = row[3 * x + 1];
      rgb[3 * x + 2] = row[3 * x];
    }
    JSAMPROW line = rgb.data();
    jpeg_write_scanlines(&job->Info, &line, 1);
  }
  jpeg_finish_compress(&job->Info);
  std::vector<uint8_t> bytes(job->Buffer, job->Buffer + job->Size);
  jpeg_destroy_compress(&job->Info);
  return bytes;
}

std::vector<std::string> WriteDemoPictures(const std::string& folder) {
  std::vector<std::string> paths;
  for (size_t i = 0; i < Entries().size(); ++i) {
    const TDemoPicture& picture = Entries()[i].Picture;
    TBitmap bitmap;
    PaintDemoPicture(i, bitmap);
    const std::string path = (std::filesystem::path(folder) / picture.FileName).string();
    const std::string extension = std::filesystem::path(picture.FileName).extension().string();
    if (extension == ".png") {
      TNativeFileStream out(path, TNativeFileStream::nmCreate);
      SaveBitmapToPng(bitmap, out);
      out.Close();
    } else if (extension == ".gif") {
      WriteFile(path, EncodeGif(bitmap));
    } else if (extension == ".tif") {
      WriteFile(path, EncodeTiff(bitmap));
    } else if (extension == ".bmp") {
      WriteFile(path, EncodeBmp(bitmap));
    } else if (extension == ".tga") {
      WriteFile(path, EncodeTga(bitmap));
    } else if (extension == ".ppm") {
      WriteFile(path, EncodePpm(bitmap));
    } else {
      WriteFile(path, EncodeJpeg(bitmap, 90));
    }
    paths.push_back(path);
  }
  return paths;
}

}  // namespace pictova
