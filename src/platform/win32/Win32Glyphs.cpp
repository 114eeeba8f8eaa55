// The GDI glyph source: each character is drawn once by TextOutA in the requested font into
// a DIB section, and its ink, advance and the font's metrics are taken from there. Layout
// (line breaks, wrapping, alignment) stays with gfx; the pixels of every character are the
// system's own, monochrome, as classic screen text.
#include "platform/win32/Win32Api.h"

#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "platform/win32/Win32Glyphs.h"
#include "rtl/SysUtils.h"

namespace pictova {
namespace {

// A memory DC with a white-on-black 32-bit DIB section to draw characters into.
class TGlyphCanvas {
 public:
  TGlyphCanvas() : FDC(::CreateCompatibleDC(nullptr)) {
    if (FDC == nullptr) throw Exception("No device context for drawing text");
    ::SetBkMode(FDC, TRANSPARENT);
    ::SetTextColor(FDC, RGB(255, 255, 255));
    ::SetTextAlign(FDC, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  }
  ~TGlyphCanvas() {
    Free();
    ::DeleteDC(FDC);
  }
  TGlyphCanvas(const TGlyphCanvas&) = delete;
  TGlyphCanvas& operator=(const TGlyphCanvas&) = delete;

  HDC DC() const { return FDC; }
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }

  // Makes the section at least width x height and clears it to black.
  void Prepare(int32_t width, int32_t height) {
    if (width > FWidth || height > FHeight) {
      Free();
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = width;
      info.bmiHeader.biHeight = -height;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      void* bits = nullptr;
      FBitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
      if (FBitmap == nullptr) throw EOutOfResources("No memory for drawing text");
      FOld = ::SelectObject(FDC, FBitmap);
      FBits = static_cast<uint32_t*>(bits);
      FWidth = width;
      FHeight = height;
    }
    ::GdiFlush();
    std::fill(FBits, FBits + static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight), 0u);
  }

  bool Ink(int32_t x, int32_t y) const {
    return (FBits[static_cast<size_t>(y) * static_cast<size_t>(FWidth) + static_cast<size_t>(x)] & 0xFFFFFF) != 0;
  }

 private:
  void Free() {
    if (FBitmap == nullptr) return;
    ::SelectObject(FDC, FOld);
    ::DeleteObject(FBitmap);
    FBitmap = nullptr;
    FBits = nullptr;
    FWidth = FHeight = 0;
  }

  HDC FDC;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOld = nullptr;
  uint32_t* FBits = nullptr;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
};

HFONT MakeFont(const std::string& name, int32_t height, TFontStyles style, bool underline) {
  // The name goes to the system as it is: an ANSI face name, as the framework's fonts.
  const HFONT font = ::CreateFontA(height, 0, 0, 0, (style & fsBold) ? FW_BOLD : FW_NORMAL, (style & fsItalic) ? TRUE : FALSE,
                                   underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, name.c_str());
  if (font == nullptr) throw Exception(Format("Cannot create the font %s", name.c_str()));
  return font;
}

// The ANSI byte that stands for a code point in our texts (code page 1252), or -1.
int AnsiByteFor(uint32_t codePoint) {
  static const std::unordered_map<uint32_t, uint8_t> reverse = [] {
    std::unordered_map<uint32_t, uint8_t> m;
    for (int c = 255; c >= 1; --c) m[Cp1252ToCodePoint(static_cast<uint8_t>(c))] = static_cast<uint8_t>(c);
    return m;
  }();
  const auto it = reverse.find(codePoint);
  return it == reverse.end() ? -1 : it->second;
}

class TGdiFace : public IGlyphFace {
 public:
  // Made with the source's lock held.
  TGdiFace(std::mutex& lock, TGlyphCanvas& canvas, const std::string& name, int32_t height, TFontStyles style)
      : FLock(lock), FCanvas(canvas), FFont(MakeFont(name, height, style, false)) {
    const HDC dc = FCanvas.DC();
    const HGDIOBJ old = ::SelectObject(dc, FFont);
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc, &tm);
    ::SelectObject(dc, old);
    FMetrics.Ascent = tm.tmAscent;
    FMetrics.Descent = tm.tmDescent;
    FMetrics.Height = tm.tmHeight;
    FMetrics.InternalLeading = tm.tmInternalLeading;
    FMetrics.ExternalLeading = tm.tmExternalLeading;
    FMetrics.AveCharWidth = tm.tmAveCharWidth;
    FMetrics.MaxCharWidth = tm.tmMaxCharWidth;
    FBoxWidth = 3 * std::max<int32_t>(tm.tmMaxCharWidth, tm.tmHeight) + 16;
    FBoxHeight = 2 * tm.tmHeight + 16;
    FOriginX = std::max<int32_t>(tm.tmHeight, 8);
    FOriginY = tm.tmHeight / 2 + 8;
    MeasureUnderline(name, height, style);
  }
  ~TGdiFace() override { ::DeleteObject(FFont); }
  TGdiFace(const TGdiFace&) = delete;
  TGdiFace& operator=(const TGdiFace&) = delete;

  const TFontMetrics& Metrics() const override { return FMetrics; }

  const TGlyphImage& Glyph(uint32_t codePoint) override {
    std::lock_guard<std::mutex> guard(FLock);
    auto it = FGlyphs.find(codePoint);
    if (it != FGlyphs.end()) return it->second;
    TGlyphImage& g = FGlyphs[codePoint];
    const HDC dc = FCanvas.DC();
    FCanvas.Prepare(FBoxWidth, FBoxHeight);
    const HGDIOBJ old = ::SelectObject(dc, FFont);
    SIZE extent{0, 0};
    const int ansi = AnsiByteFor(codePoint);
    if (ansi >= 0) {
      const char ch = static_cast<char>(ansi);
      ::TextOutA(dc, FOriginX, FOriginY, &ch, 1);
      ::GetTextExtentPoint32A(dc, &ch, 1, &extent);
    } else {
      const wchar_t ch = static_cast<wchar_t>(codePoint <= 0xFFFF ? codePoint : 0xFFFD);
      ::TextOutW(dc, FOriginX, FOriginY, &ch, 1);
      ::GetTextExtentPoint32W(dc, &ch, 1, &extent);
    }
    ::SelectObject(dc, old);
    ::GdiFlush();
    // The pen moves by the extent, a synthesised bold's overhang included (as DrawTextA).
    g.Advance = static_cast<int32_t>(extent.cx);
    CropInk(g);
    return g;
  }

 private:
  // Finds the ink's bounding box in the canvas and copies it into the glyph.
  void CropInk(TGlyphImage& g) const {
    int32_t left = FBoxWidth, right = -1, top = FBoxHeight, bottom = -1;
    for (int32_t y = 0; y < FBoxHeight; ++y)
      for (int32_t x = 0; x < FBoxWidth; ++x)
        if (FCanvas.Ink(x, y)) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    if (right < 0) return;  // a blank character
    g.Left = left - FOriginX;
    g.Top = FOriginY + FMetrics.Ascent - top;
    g.Width = right - left + 1;
    g.Height = bottom - top + 1;
    g.Mask.assign(static_cast<size_t>(g.Width) * static_cast<size_t>(g.Height), 0);
    for (int32_t y = 0; y < g.Height; ++y)
      for (int32_t x = 0; x < g.Width; ++x)
        g.Mask[static_cast<size_t>(y * g.Width + x)] = FCanvas.Ink(left + x, top + y) ? 1 : 0;
  }

  // Where the system puts the underline of this font: drawn under a space and measured.
  void MeasureUnderline(const std::string& name, int32_t height, TFontStyles style) {
    const HFONT underlined = MakeFont(name, height, style, true);
    const HDC dc = FCanvas.DC();
    FCanvas.Prepare(FBoxWidth, FBoxHeight);
    const HGDIOBJ old = ::SelectObject(dc, underlined);
    ::TextOutA(dc, FOriginX, FOriginY, "  ", 2);
    ::SelectObject(dc, old);
    ::DeleteObject(underlined);
    ::GdiFlush();
    int32_t first = -1, last = -1;
    for (int32_t y = 0; y < FBoxHeight; ++y)
      for (int32_t x = 0; x < FBoxWidth; ++x)
        if (FCanvas.Ink(x, y)) {
          if (first < 0) first = y;
          last = y;
          break;
        }
    if (first < 0) return;  // keep the defaults
    FMetrics.UnderlinePosition = first - (FOriginY + FMetrics.Ascent);
    FMetrics.UnderlineThickness = last - first + 1;
  }

  std::mutex& FLock;
  TGlyphCanvas& FCanvas;
  HFONT FFont;
  TFontMetrics FMetrics;
  int32_t FBoxWidth = 0;
  int32_t FBoxHeight = 0;
  int32_t FOriginX = 0;
  int32_t FOriginY = 0;
  std::unordered_map<uint32_t, TGlyphImage> FGlyphs;
};

class TGdiGlyphSource : public IGlyphSource {
 public:
  IGlyphFace& Face(const std::string& name, int32_t height, TFontStyles style) override {
    // Underline and strike-out are drawn by the text layout; the glyphs are the same.
    const auto key = std::make_tuple(name, height, static_cast<uint8_t>(style & (fsBold | fsItalic)));
    std::lock_guard<std::mutex> guard(FLock);
    auto it = FFaces.find(key);
    if (it == FFaces.end()) it = FFaces.emplace(key, std::make_unique<TGdiFace>(FLock, FCanvas, name, height, style)).first;
    return *it->second;
  }

 private:
  // One canvas for every face; the lock guards it and the tables (text may be measured on
  // any thread).
  std::mutex FLock;
  TGlyphCanvas FCanvas;
  std::map<std::tuple<std::string, int32_t, uint8_t>, std::unique_ptr<TGdiFace>> FFaces;
};

}  // namespace

std::unique_ptr<IGlyphSource> CreateGdiGlyphSource() { return std::make_unique<TGdiGlyphSource>(); }

void EnsureGdiGlyphSource() {
  if (GlyphSource() == nullptr) SetGlyphSource(CreateGdiGlyphSource());
}

}  // namespace pictova
