// Points, rectangles and colours shared by the whole graphics layer.
#pragma once

#include <algorithm>
#include <cstdint>

namespace pictova {

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  bool operator==(const TPoint&) const = default;
};

// Half-open rectangle: covers columns Left..Right-1 and rows Top..Bottom-1.
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int32_t x, int32_t y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  TPoint TopLeft() const { return {Left, Top}; }
  bool operator==(const TRect&) const = default;
};

constexpr TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return {left, top, right, bottom};
}
constexpr TRect Bounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  return {left, top, left + width, top + height};
}

// Intersection; an empty result is (0, 0, 0, 0) as with the platform's IntersectRect.
inline TRect IntersectRect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  return r.IsEmpty() ? TRect{} : r;
}
inline TRect UnionRect(const TRect& a, const TRect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}
inline TRect OffsetRect(const TRect& r, int32_t dx, int32_t dy) {
  return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

// 0x00BBGGRR; values with the top bit set name a system colour by its index.
using TColor = int32_t;

constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TColor>(r | (g << 8) | (b << 16));
}
constexpr uint8_t GetRValue(TColor c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t GetGValue(TColor c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t GetBValue(TColor c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | unsigned(index)); }
constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);

// Resolves a system colour to its classic Windows value; plain colours lose their top byte.
TColor ColorToRGB(TColor color);

// A 1-bit pixel holds white when the colour is nearer to white than to black (squared
// distance over the three channels), which is exactly r + g + b >= 383.
constexpr bool IsNearerWhite(uint8_t r, uint8_t g, uint8_t b) { return r + g + b >= 383; }

}  // namespace pictova
