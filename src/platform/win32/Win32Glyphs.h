// The glyph source of Windows: characters rendered by GDI in the named font, so that text
// looks as the system draws it (MS Sans Serif as the system's bitmap font, Arial as
// TrueType). Used by the win32 backend and, on Windows, by the headless one.
#pragma once

#include <memory>

#include "gfx/GlyphSource.h"

namespace pictova {

std::unique_ptr<IGlyphSource> CreateGdiGlyphSource();

// Installs the GDI glyph source unless one is installed already.
void EnsureGdiGlyphSource();

}  // namespace pictova
