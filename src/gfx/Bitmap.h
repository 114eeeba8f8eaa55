// The device-independent raster image: 1-bit or 24-bit pixels, rows top-down, 4-byte padded.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/Types.h"

namespace pictova {

class TCanvas;

enum TPixelFormat { pf1bit, pf24bit };

// A picture's content. In this system every graphic is a bitmap (decoders always produce
// one), so the base class only carries what a picture needs to know.
class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  virtual bool Empty() const = 0;
  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  // Draws the whole graphic scaled into rect of the canvas (unscaled when the sizes match);
  // what TCanvas::Draw and StretchDraw call.
  virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;
};

// Largest bitmap the process will allocate: each side at most kMaxBitmapSide and the pixel
// data at most kMaxBitmapBytes. A 32-bit process showing photos never needs more, and a
// header that asks for more is bad input, not a reason to exhaust memory.
constexpr int32_t kMaxBitmapSide = 32767;
constexpr int64_t kMaxBitmapBytes = 256ll * 1024 * 1024;

class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(int32_t width, int32_t height, TPixelFormat format = pf24bit);
  ~TBitmap() override;
  TBitmap(const TBitmap& other);
  TBitmap& operator=(const TBitmap& other);

  int32_t Width() const override { return FWidth; }
  int32_t Height() const override { return FHeight; }
  bool Empty() const override { return FWidth == 0 || FHeight == 0; }
  std::unique_ptr<TGraphic> Clone() const override;
  void Draw(TCanvas& canvas, const TRect& rect) const override;

  // Changing the size or the pixel format keeps what fits of the old content at the
  // top-left and fills the new area with zero bytes. Negative sizes count as 0; sizes past
  // the limits above raise EOutOfResources and leave the bitmap unchanged.
  void SetWidth(int32_t width) { SetSize(width, FHeight); }
  void SetHeight(int32_t height) { SetSize(FWidth, height); }
  void SetSize(int32_t width, int32_t height);
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat format);

  // Bytes per row including the padding to a multiple of 4.
  int32_t RowBytes() const { return FRowBytes; }
  static int32_t RowBytesFor(int32_t width, TPixelFormat format);
  // Row y, 0 at the top. Raises on a row outside the bitmap.
  uint8_t* ScanLine(int32_t y);
  const uint8_t* ScanLine(int32_t y) const;
  uint8_t* Bits() { return FBits.data(); }
  const uint8_t* Bits() const { return FBits.data(); }

  // Pixel access for tests and slow paths: 24-bit returns 0x00BBGGRR (a TColor); 1-bit
  // returns black or white. Coordinates outside the bitmap read black and write nothing.
  TColor Pixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, TColor color);

  // Copies size, format and pixels of another bitmap (or empties this one for nullptr).
  void Assign(const TBitmap* source);
  // Frees the pixels: 0 x 0, keeps the pixel format. The canvas (and its clip region and
  // lock) stays valid, as it does across SetSize.
  void Clear();

  // Drawing surface of this bitmap, created on first use.
  TCanvas& Canvas();
  bool HasCanvas() const { return FCanvas != nullptr; }

 private:
  void Reallocate(int32_t width, int32_t height, TPixelFormat format);

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  int32_t FRowBytes = 0;
  TPixelFormat FPixelFormat = pf24bit;
  std::vector<uint8_t> FBits;
  std::unique_ptr<TCanvas> FCanvas;
};

// Copies rectangle d's size of 24-bit pixels from source at (sx, sy) into rectangle d of dest;
// both are 24-bit, d lies inside dest and the part read inside source. A large copy (a frame)
// runs on both cores.
void CopyPixels(const TBitmap& source, int32_t sx, int32_t sy, TBitmap& dest, const TRect& d);

}  // namespace pictova
