// Metafiles through GDI: a placeable Windows metafile is played with its bounding box mapped
// onto the bitmap, an enhanced metafile with its frame mapped onto it; both into a 24-bit DIB
// section filled with the background first.
#include "platform/win32/Win32Api.h"

#include <algorithm>
#include <cstring>

#include "platform/Metafile.h"

namespace pictova {

namespace {

// Aldus placeable metafile header: key, handle, bounding box (four 16-bit values), units
// per inch, reserved, checksum; the standard metafile follows it.
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr size_t kPlaceableHeaderSize = 22;
constexpr size_t kMetaHeaderSize = 18;
// Enhanced metafile header: record type 1 at 0, frame (0.01 mm) at 24, " EMF" at 40.
constexpr size_t kEmfHeaderSize = 88;
constexpr uint32_t kEmfSignature = 0x464D4520u;
constexpr int64_t kHundredthMmPerInch = 2540;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
int16_t S16(const uint8_t* p) { return static_cast<int16_t>(U16(p)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
int32_t S32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

struct THeader {
  RECT Box{};       // WMF: bounding box in metafile units; EMF: frame in 0.01 mm
  int64_t PerInch = 0;
};

bool ReadHeader(const uint8_t* data, size_t size, TMetafileKind kind, THeader& h) {
  if (data == nullptr) return false;
  if (kind == TMetafileKind::Wmf) {
    if (size < kPlaceableHeaderSize + kMetaHeaderSize || U32(data) != kPlaceableKey) return false;
    h.Box = {S16(data + 6), S16(data + 8), S16(data + 10), S16(data + 12)};
    h.PerInch = U16(data + 14);
    return h.PerInch != 0;
  }
  if (size < kEmfHeaderSize || U32(data) != 1 || U32(data + 40) != kEmfSignature) return false;
  h.Box = {S32(data + 24), S32(data + 28), S32(data + 32), S32(data + 36)};
  h.PerInch = kHundredthMmPerInch;
  return true;
}

int64_t Extent(LONG a, LONG b) { return b >= a ? int64_t{b} - a : int64_t{a} - b; }

bool SizeOf(const THeader& h, int32_t& width, int32_t& height) {
  HDC screen = GetDC(nullptr);
  const int64_t dpiX = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  const int64_t dpiY = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  int64_t w = (Extent(h.Box.left, h.Box.right) * dpiX + h.PerInch / 2) / h.PerInch;
  int64_t hh = (Extent(h.Box.top, h.Box.bottom) * dpiY + h.PerInch / 2) / h.PerInch;
  const int64_t longer = std::max(w, hh);
  if (longer > kMaxMetafileSide) {
    w = (w * kMaxMetafileSide + longer / 2) / longer;
    hh = (hh * kMaxMetafileSide + longer / 2) / longer;
  }
  if (w <= 0 || hh <= 0) return false;
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(hh);
  return true;
}

// GDI objects released in reverse order of creation, whatever path leaves.
struct TDrawing {
  HDC Dc = nullptr;
  HBITMAP Dib = nullptr;
  HGDIOBJ Previous = nullptr;
  HMETAFILE Wmf = nullptr;
  HENHMETAFILE Emf = nullptr;
  ~TDrawing() {
    if (Wmf != nullptr) DeleteMetaFile(Wmf);
    if (Emf != nullptr) DeleteEnhMetaFile(Emf);
    if (Previous != nullptr) SelectObject(Dc, Previous);
    if (Dib != nullptr) DeleteObject(Dib);
    if (Dc != nullptr) DeleteDC(Dc);
  }
};

}  // namespace

bool HasMetafilePlayer() { return true; }

bool MetafileSize(const uint8_t* data, size_t size, TMetafileKind kind, int32_t& width, int32_t& height) {
  THeader h;
  return ReadHeader(data, size, kind, h) && SizeOf(h, width, height);
}

bool DrawMetafile(const uint8_t* data, size_t size, TMetafileKind kind, TColor background, TBitmap& target) {
  THeader h;
  int32_t w = 0, hh = 0;
  if (!ReadHeader(data, size, kind, h) || !SizeOf(h, w, hh)) return false;
  if (size > 0xFFFFFFFFu) return false;

  TDrawing d;
  if (kind == TMetafileKind::Wmf) {
    d.Wmf = SetMetaFileBitsEx(static_cast<UINT>(size - kPlaceableHeaderSize), data + kPlaceableHeaderSize);
    if (d.Wmf == nullptr) return false;
  } else {
    d.Emf = SetEnhMetaFileBits(static_cast<UINT>(size), data);
    if (d.Emf == nullptr) return false;
  }

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -hh;  // top-down, as our bitmaps
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  d.Dc = CreateCompatibleDC(nullptr);
  if (d.Dc == nullptr) return false;
  d.Dib = CreateDIBSection(d.Dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (d.Dib == nullptr || bits == nullptr) return false;
  d.Previous = SelectObject(d.Dc, d.Dib);

  const TColor rgb = ColorToRGB(background);
  HBRUSH brush = CreateSolidBrush(RGB(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)));
  const RECT all{0, 0, w, hh};
  FillRect(d.Dc, &all, brush);
  DeleteObject(brush);

  BOOL played;
  if (kind == TMetafileKind::Wmf) {
    // The bounding box, in the metafile's units, becomes the whole bitmap; window origin and
    // extent records inside the metafile take over where it has them.
    SetMapMode(d.Dc, MM_ANISOTROPIC);
    SetWindowOrgEx(d.Dc, h.Box.left, h.Box.top, nullptr);
    SetWindowExtEx(d.Dc, h.Box.right - h.Box.left, h.Box.bottom - h.Box.top, nullptr);
    SetViewportOrgEx(d.Dc, 0, 0, nullptr);
    SetViewportExtEx(d.Dc, w, hh, nullptr);
    played = PlayMetaFile(d.Dc, d.Wmf);
  } else {
    played = PlayEnhMetaFile(d.Dc, d.Emf, &all);
  }
  GdiFlush();
  if (!played) return false;

  target.SetPixelFormat(pf24bit);
  target.SetSize(w, hh);
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
  const auto* src = static_cast<const uint8_t*>(bits);
  for (int32_t y = 0; y < hh; ++y) std::memcpy(target.ScanLine(y), src + stride * static_cast<size_t>(y), size_t(w) * 3);
  return true;
}

}  // namespace pictova
