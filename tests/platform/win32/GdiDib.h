// A 24-bit top-down DIB section in a memory DC, for comparing GDI's drawing with ours.
#pragma once

#include "platform/win32/Win32Api.h"

#include <cstring>

#include "gfx/Bitmap.h"

namespace pictova {

// A 24-bit top-down DIB section selected into a memory DC: rows laid out as TBitmap's.
class TDib {
 public:
  TDib(int32_t width, int32_t height) : FWidth(width), FHeight(height), FDC(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    FBitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    FBits = static_cast<uint8_t*>(bits);
    FOld = ::SelectObject(FDC, FBitmap);
  }
  ~TDib() {
    ::SelectObject(FDC, FOld);
    ::DeleteObject(FBitmap);
    ::DeleteDC(FDC);
  }
  TDib(const TDib&) = delete;
  TDib& operator=(const TDib&) = delete;

  bool Valid() const { return FBits != nullptr && FDC != nullptr; }
  HDC DC() const { return FDC; }
  int32_t RowBytes() const { return TBitmap::RowBytesFor(FWidth, pf24bit); }
  uint8_t* Row(int32_t y) {
    ::GdiFlush();
    return FBits + static_cast<size_t>(y) * static_cast<size_t>(RowBytes());
  }
  void CopyFrom(const TBitmap& b) {
    for (int32_t y = 0; y < FHeight; ++y) std::memcpy(Row(y), b.ScanLine(y), static_cast<size_t>(FWidth) * 3);
  }

 private:
  int32_t FWidth, FHeight;
  HDC FDC;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOld = nullptr;
  uint8_t* FBits = nullptr;
};

}  // namespace pictova
