// The glyph source of the Linux backends: FreeType over the Liberation fonts.
#pragma once

#include <memory>
#include <string>

#include "gfx/GlyphSource.h"

namespace pictova {

// Arial, MS Sans Serif and the other sans-serif names map to Liberation Sans; Times names to
// Liberation Serif; Courier names to Liberation Mono. The fonts are read from
// $PICTOVA_FONT_DIR or /usr/share/fonts/truetype/liberation.
std::unique_ptr<IGlyphSource> CreateFreeTypeGlyphSource();

// The Liberation file base name ("LiberationSans-Bold") for a font name and style.
std::string LiberationFileFor(const std::string& fontName, TFontStyles style);

// Installs the FreeType glyph source unless one is installed already.
void EnsureGlyphSource();

}  // namespace pictova
