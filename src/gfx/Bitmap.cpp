// The device-independent raster image: 1-bit or 24-bit pixels, rows top-down, 4-byte padded.
#include "gfx/Bitmap.h"

#include <cstring>

#include "gfx/BandWorker.h"
#include "gfx/Canvas.h"
#include "rtl/SysUtils.h"

namespace pictova {

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int32_t width, int32_t height, TPixelFormat format) : FPixelFormat(format) {
  SetSize(width, height);
}

TBitmap::~TBitmap() = default;

TBitmap::TBitmap(const TBitmap& other) { Assign(&other); }

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this != &other) Assign(&other);
  return *this;
}

std::unique_ptr<TGraphic> TBitmap::Clone() const { return std::make_unique<TBitmap>(*this); }

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) const {
  canvas.StretchBlt(rect, *this, Rect(0, 0, FWidth, FHeight));
}

int32_t TBitmap::RowBytesFor(int32_t width, TPixelFormat format) {
  const int64_t bits = static_cast<int64_t>(width) * (format == pf1bit ? 1 : 24);
  return static_cast<int32_t>(((bits + 31) / 32) * 4);
}

void TBitmap::SetSize(int32_t width, int32_t height) {
  Reallocate(std::max(width, 0), std::max(height, 0), FPixelFormat);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format != FPixelFormat) Reallocate(FWidth, FHeight, format);
}

void TBitmap::Reallocate(int32_t width, int32_t height, TPixelFormat format) {
  if (width == FWidth && height == FHeight && format == FPixelFormat) return;
  const int32_t rowBytes = width > kMaxBitmapSide ? 0 : RowBytesFor(width, format);
  if (width > kMaxBitmapSide || height > kMaxBitmapSide ||
      static_cast<int64_t>(rowBytes) * height > kMaxBitmapBytes) {
    throw EOutOfResources(
        Format("Bitmap of %d x %d pixels is too large (at most %d per side and %lld MiB)", width,
               height, kMaxBitmapSide, static_cast<long long>(kMaxBitmapBytes >> 20)));
  }

  std::vector<uint8_t> bits(static_cast<size_t>(rowBytes) * static_cast<size_t>(height), 0);
  const int32_t keepW = std::min(width, FWidth);
  // With no column kept there is nothing to copy (and the new rows may have no storage).
  const int32_t keepH = keepW > 0 ? std::min(height, FHeight) : 0;
  for (int32_t y = 0; y < keepH; ++y) {
    const uint8_t* src = FBits.data() + static_cast<size_t>(y) * FRowBytes;
    uint8_t* dst = bits.data() + static_cast<size_t>(y) * rowBytes;
    if (format == FPixelFormat) {
      const int32_t bytes = format == pf24bit ? keepW * 3 : (keepW + 7) / 8;
      // A zero-width bitmap has no bits at all: no copy from or to a null pointer.
      if (bytes > 0) std::memcpy(dst, src, static_cast<size_t>(bytes));
      if (format == pf1bit && keepW % 8 != 0) dst[keepW / 8] &= static_cast<uint8_t>(0xFF00 >> (keepW % 8));
    } else if (format == pf24bit) {  // 1-bit to 24-bit: black and white
      for (int32_t x = 0; x < keepW; ++x) {
        const uint8_t v = (src[x >> 3] & (0x80 >> (x & 7))) ? 0xFF : 0x00;
        std::memset(dst + 3 * x, v, 3);
      }
    } else {  // 24-bit to 1-bit: the nearer of black and white
      for (int32_t x = 0; x < keepW; ++x) {
        if (IsNearerWhite(src[3 * x + 2], src[3 * x + 1], src[3 * x]))
          dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
  }
  FBits.swap(bits);
  FWidth = width;
  FHeight = height;
  FRowBytes = rowBytes;
  FPixelFormat = format;
}

uint8_t* TBitmap::ScanLine(int32_t y) {
  if (y < 0 || y >= FHeight) throw Exception(Format("Scan line index out of range (%d)", y));
  return FBits.data() + static_cast<size_t>(y) * FRowBytes;
}

const uint8_t* TBitmap::ScanLine(int32_t y) const {
  return const_cast<TBitmap*>(this)->ScanLine(y);
}

TColor TBitmap::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return clBlack;
  const uint8_t* row = FBits.data() + static_cast<size_t>(y) * FRowBytes;
  if (FPixelFormat == pf1bit) return (row[x >> 3] & (0x80 >> (x & 7))) ? clWhite : clBlack;
  return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
}

void TBitmap::SetPixel(int32_t x, int32_t y, TColor color) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
  color = ColorToRGB(color);
  uint8_t* row = FBits.data() + static_cast<size_t>(y) * FRowBytes;
  if (FPixelFormat == pf1bit) {
    if (IsNearerWhite(GetRValue(color), GetGValue(color), GetBValue(color)))
      row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    else row[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
    return;
  }
  row[3 * x] = GetBValue(color);
  row[3 * x + 1] = GetGValue(color);
  row[3 * x + 2] = GetRValue(color);
}

void TBitmap::Assign(const TBitmap* source) {
  if (source == this) return;
  if (!source) {
    Clear();
    return;
  }
  FBits = source->FBits;
  FWidth = source->FWidth;
  FHeight = source->FHeight;
  FRowBytes = source->FRowBytes;
  FPixelFormat = source->FPixelFormat;
}

void TBitmap::Clear() {
  FBits.clear();
  FBits.shrink_to_fit();
  FWidth = FHeight = FRowBytes = 0;
}

TCanvas& TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TCanvas>(this);
  return *FCanvas;
}

void CopyPixels(const TBitmap& source, int32_t sx, int32_t sy, TBitmap& dest, const TRect& d) {
  const size_t bytes = static_cast<size_t>(d.Width()) * 3;
  const auto rows = [&](int32_t first, int32_t last) {
    for (int32_t y = first; y < last; ++y)
      std::memcpy(dest.ScanLine(d.Top + y) + d.Left * 3, source.ScanLine(sy + y) + sx * 3, bytes);
  };
  // One core does not reach the memory's bandwidth: a frame copies in about half the time on two.
  TBandWorker::Split(d.Height(), int64_t{d.Width()} * d.Height(), rows);
}

}  // namespace pictova
