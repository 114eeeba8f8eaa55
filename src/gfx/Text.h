// Text drawing with the platform's DrawText rules: line breaks, word wrap, tabs, the "&"
// accelerator prefix, alignment, clipping, and measuring (calc-rect).
#pragma once

#include <cstdint>
#include <string_view>

#include "gfx/Canvas.h"
#include "gfx/Font.h"
#include "gfx/GlyphSource.h"

namespace pictova {

enum : uint32_t {
  DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4, DT_BOTTOM = 0x8,
  DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40, DT_NOCLIP = 0x100,
  DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800,
};

struct TSize {
  int32_t cx = 0;
  int32_t cy = 0;
  bool operator==(const TSize&) const = default;
};

// Draws (or with DT_CALCRECT measures) single-byte text (code page 1252) in `rect` with the
// font's colour. The background of each line is filled with the brush colour when the
// canvas brush is solid (opaque text), left alone when it is clear. With DT_CALCRECT the
// rectangle's right and bottom are set to the extent of the text and nothing is drawn.
// Returns the height of the text. Raises Exception when no glyph source is installed.
int32_t DrawText(TCanvas& canvas, const TFont& font, std::string_view text, TRect& rect, uint32_t format);
// Measuring without a canvas.
int32_t MeasureText(const TFont& font, std::string_view text, TRect& rect, uint32_t format);

// Single-line text at (x, y) (top of the cell), no prefix processing.
void TextOut(TCanvas& canvas, const TFont& font, int32_t x, int32_t y, std::string_view text);
TSize TextExtent(const TFont& font, std::string_view text);
inline int32_t TextWidth(const TFont& font, std::string_view text) { return TextExtent(font, text).cx; }
inline int32_t TextHeight(const TFont& font, std::string_view text) { return TextExtent(font, text).cy; }
TFontMetrics GetTextMetrics(const TFont& font);

// The Unicode code point of a code page 1252 character.
uint32_t Cp1252ToCodePoint(uint8_t c);

}  // namespace pictova
