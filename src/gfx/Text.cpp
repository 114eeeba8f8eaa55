// Text drawing with the platform's DrawText rules over the installed glyph source.
#include "gfx/Text.h"

#include <algorithm>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Region.h"
#include "rtl/SysUtils.h"

namespace pictova {
namespace {

// One character of a laid-out line; Accel marks the character after a single "&".
struct TChar {
  uint8_t Code;
  bool Accel;
};
using TLine = std::vector<TChar>;

IGlyphFace& FaceOf(const TFont& font) {
  IGlyphSource* source = GlyphSource();
  if (source == nullptr) throw Exception("No glyph source is installed for drawing text");
  return source->Face(font.Name(), font.Height(), font.Style());
}

int32_t TabWidth(const TFontMetrics& m) { return std::max(8 * m.AveCharWidth, 1); }

// Width of chars [from, to) starting at pen position 0 of a line.
int32_t Width(IGlyphFace& face, const TLine& line, size_t from, size_t to, bool tabs) {
  const int32_t tab = TabWidth(face.Metrics());
  int32_t x = 0;
  for (size_t i = from; i < to; ++i) {
    if (line[i].Code == '\t' && tabs) {
      x = (x / tab + 1) * tab;
    } else {
      x += face.Glyph(Cp1252ToCodePoint(line[i].Code)).Advance;
    }
  }
  return x;
}

// Splits into lines at CR, LF or CR LF (not with DT_SINGLELINE) and resolves "&" prefixes.
std::vector<TLine> SplitLines(std::string_view text, uint32_t format) {
  std::vector<TLine> lines(1);
  const bool prefix = (format & DT_NOPREFIX) == 0;
  const bool single = (format & DT_SINGLELINE) != 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t c = static_cast<uint8_t>(text[i]);
    if (!single && (c == '\r' || c == '\n')) {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
      continue;
    }
    if (prefix && c == '&') {
      if (i + 1 >= text.size()) break;  // a lone "&" at the end shows nothing
      const uint8_t next = static_cast<uint8_t>(text[i + 1]);
      ++i;
      if (next == '&') {
        lines.back().push_back({'&', false});
      } else if (!single && (next == '\r' || next == '\n')) {
        --i;  // "&" before a line break: the break still counts
      } else {
        lines.back().push_back({next, true});
      }
      continue;
    }
    lines.back().push_back({c, false});
  }
  // A break at the very end opens no further line.
  if (lines.size() > 1 && lines.back().empty() && !text.empty() &&
      (text.back() == '\n' || text.back() == '\r'))
    lines.pop_back();
  return lines;
}

// Greedy word wrap at spaces: a word wider than the line keeps a line of its own.
std::vector<TLine> Wrap(IGlyphFace& face, const std::vector<TLine>& lines, int32_t width, bool tabs) {
  std::vector<TLine> out;
  for (const TLine& line : lines) {
    size_t start = 0;
    const size_t n = line.size();
    if (n == 0) {
      out.emplace_back();
      continue;
    }
    while (start < n) {
      size_t best = start;  // end of the longest fitting run of whole words
      size_t i = start;
      for (;;) {
        size_t wordEnd = i;
        while (wordEnd < n && line[wordEnd].Code != ' ') ++wordEnd;
        const int32_t w = Width(face, line, start, wordEnd, tabs);
        if (w > width && best > start) break;  // the next word goes to a new line
        best = wordEnd;
        if (w > width) break;  // a word wider than the line stays alone on it
        i = wordEnd;
        while (i < n && line[i].Code == ' ') ++i;
        if (i >= n) break;
      }
      if (best == start) best = n;  // nothing but spaces
      out.emplace_back(line.begin() + static_cast<ptrdiff_t>(start), line.begin() + static_cast<ptrdiff_t>(best));
      start = best;
      while (start < n && line[start].Code == ' ') ++start;
    }
  }
  return out;
}

struct TLayout {
  std::vector<TLine> Lines;
  std::vector<int32_t> Widths;
  int32_t LineHeight = 0;
  int32_t MaxWidth = 0;
};

TLayout Layout(IGlyphFace& face, std::string_view text, const TRect& rect, uint32_t format) {
  TLayout layout;
  const TFontMetrics& m = face.Metrics();
  layout.LineHeight = m.Height + ((format & DT_EXTERNALLEADING) ? m.ExternalLeading : 0);
  if (text.empty()) return layout;
  const bool tabs = (format & DT_EXPANDTABS) != 0;
  layout.Lines = SplitLines(text, format);
  if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE))
    layout.Lines = Wrap(face, layout.Lines, rect.Width(), tabs);
  for (const TLine& line : layout.Lines) {
    const int32_t w = Width(face, line, 0, line.size(), tabs);
    layout.Widths.push_back(w);
    layout.MaxWidth = std::max(layout.MaxWidth, w);
  }
  return layout;
}

// Writes pixels inside the text rectangle, the bitmap and the canvas's clip region.
struct TPlotter {
  TBitmap& Bmp;
  const TRegion* Clip;
  TRect Bounds;
  void Plot(int32_t x, int32_t y, TColor rgb) const {
    if (!Bounds.Contains(x, y) || (Clip != nullptr && !Clip->Contains(x, y))) return;
    if (Bmp.PixelFormat() == pf24bit) {
      uint8_t* p = Bmp.ScanLine(y) + x * 3;
      p[0] = GetBValue(rgb);
      p[1] = GetGValue(rgb);
      p[2] = GetRValue(rgb);
    } else {
      Bmp.SetPixel(x, y, rgb);
    }
  }
  void Fill(const TRect& r, TColor rgb) const {
    const TRect c = IntersectRect(r, Bounds);
    for (int32_t y = c.Top; y < c.Bottom; ++y)
      for (int32_t x = c.Left; x < c.Right; ++x) Plot(x, y, rgb);
  }
};

// Draws one line with its pen at (x, baseline).
void DrawLine(const TPlotter& out, IGlyphFace& face, const TFont& font, const TLine& line, int32_t x,
              int32_t baseline, bool tabs) {
  const TFontMetrics& m = face.Metrics();
  const TColor color = ColorToRGB(font.Color());
  const int32_t tab = TabWidth(m);
  const int32_t startX = x;
  for (const TChar& ch : line) {
    if (ch.Code == '\t' && tabs) {
      x = startX + ((x - startX) / tab + 1) * tab;
      continue;
    }
    const TGlyphImage& g = face.Glyph(Cp1252ToCodePoint(ch.Code));
    const int32_t gx = x + g.Left, gy = baseline - g.Top;
    for (int32_t row = 0; row < g.Height; ++row)
      for (int32_t col = 0; col < g.Width; ++col)
        if (g.Mask[static_cast<size_t>(row * g.Width + col)]) out.Plot(gx + col, gy + row, color);
    if (ch.Accel)
      out.Fill(Rect(x, baseline + m.UnderlinePosition, x + g.Advance, baseline + m.UnderlinePosition + m.UnderlineThickness),
               color);
    x += g.Advance;
  }
  if (font.Style() & fsUnderline)
    out.Fill(Rect(startX, baseline + m.UnderlinePosition, x, baseline + m.UnderlinePosition + m.UnderlineThickness), color);
  if (font.Style() & fsStrikeOut) {
    const int32_t y = baseline - m.Ascent / 3;
    out.Fill(Rect(startX, y, x, y + m.UnderlineThickness), color);
  }
}

}  // namespace

uint32_t Cp1252ToCodePoint(uint8_t c) {
  static constexpr uint16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return (c >= 0x80 && c < 0xA0) ? kHigh[c - 0x80] : c;
}

int32_t MeasureText(const TFont& font, std::string_view text, TRect& rect, uint32_t format) {
  IGlyphFace& face = FaceOf(font);
  const TLayout layout = Layout(face, text, rect, format);
  const int32_t height = static_cast<int32_t>(layout.Lines.size()) * layout.LineHeight;
  rect.Right = rect.Left + layout.MaxWidth;
  rect.Bottom = rect.Top + height;
  return height;
}

int32_t DrawText(TCanvas& canvas, const TFont& font, std::string_view text, TRect& rect, uint32_t format) {
  if (format & DT_CALCRECT) return MeasureText(font, text, rect, format);
  IGlyphFace& face = FaceOf(font);
  const TLayout layout = Layout(face, text, rect, format);
  const int32_t height = static_cast<int32_t>(layout.Lines.size()) * layout.LineHeight;
  int32_t top = rect.Top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) {
      top = rect.Top + (rect.Height() - height) / 2;
    } else if (format & DT_BOTTOM) {
      top = rect.Bottom - height;
    }
  }
  TBitmap& bmp = *canvas.Bitmap();
  const TRect area = Rect(0, 0, bmp.Width(), bmp.Height());
  const TPlotter out{bmp, canvas.ClipRegion(), (format & DT_NOCLIP) ? area : IntersectRect(rect, area)};
  const bool opaque = canvas.Brush.Style == bsSolid;
  const TColor back = ColorToRGB(canvas.Brush.Color);
  const bool tabs = (format & DT_EXPANDTABS) != 0;
  for (size_t i = 0; i < layout.Lines.size(); ++i) {
    const int32_t w = layout.Widths[i];
    int32_t x = rect.Left;
    if (format & DT_CENTER) {
      x = rect.Left + (rect.Width() - w) / 2;
    } else if (format & DT_RIGHT) {
      x = rect.Right - w;
    }
    const int32_t y = top + static_cast<int32_t>(i) * layout.LineHeight;
    if (opaque) out.Fill(Rect(x, y, x + w, y + layout.LineHeight), back);
    DrawLine(out, face, font, layout.Lines[i], x, y + face.Metrics().Ascent, tabs);
  }
  return height;
}

void TextOut(TCanvas& canvas, const TFont& font, int32_t x, int32_t y, std::string_view text) {
  TRect r = Rect(x, y, x, y);
  const TSize size = TextExtent(font, text);
  r.Right = x + size.cx;
  r.Bottom = y + size.cy;
  DrawText(canvas, font, text, r, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

TSize TextExtent(const TFont& font, std::string_view text) {
  IGlyphFace& face = FaceOf(font);
  TLine line;
  for (char c : text) line.push_back({static_cast<uint8_t>(c), false});
  return {Width(face, line, 0, line.size(), false), face.Metrics().Height};
}

TFontMetrics GetTextMetrics(const TFont& font) { return FaceOf(font).Metrics(); }

}  // namespace pictova
