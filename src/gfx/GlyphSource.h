// Where text drawing gets its glyphs: rasterised characters and font metrics.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/Font.h"

namespace pictova {

// Metrics of a font at one size, in pixels, as the platform's text metrics report them.
struct TFontMetrics {
  int32_t Ascent = 0;
  int32_t Descent = 0;
  int32_t Height = 0;  // Ascent + Descent: the line height
  int32_t InternalLeading = 0;
  int32_t ExternalLeading = 0;
  int32_t AveCharWidth = 0;
  int32_t MaxCharWidth = 0;
  int32_t UnderlinePosition = 1;  // pixels below the baseline
  int32_t UnderlineThickness = 1;
};

// One rasterised character: Mask has Width x Height bytes, non-zero where ink is. Its
// top-left pixel lies Left pixels right of the pen and Top pixels above the baseline.
struct TGlyphImage {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Advance = 0;
  std::vector<uint8_t> Mask;
};

class IGlyphFace {
 public:
  virtual ~IGlyphFace() = default;
  virtual const TFontMetrics& Metrics() const = 0;
  // The glyph of a Unicode code point (the font's missing-glyph box if it has none).
  virtual const TGlyphImage& Glyph(uint32_t codePoint) = 0;
};

class IGlyphSource {
 public:
  virtual ~IGlyphSource() = default;
  // A face for a font name, height (negative: character height, positive: cell height,
  // both in pixels) and style. The source keeps the face; raises Exception when the font
  // cannot be loaded.
  virtual IGlyphFace& Face(const std::string& name, int32_t height, TFontStyles style) = 0;
};

// The process's glyph source, installed by the platform (null until then).
IGlyphSource* GlyphSource();
void SetGlyphSource(std::unique_ptr<IGlyphSource> source);

}  // namespace pictova
