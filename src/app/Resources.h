// Pictures compiled into the program (our own files under resources/).
#pragma once

#include <cstddef>

namespace pictova {

// The logo of the about panel, a 61 x 69 PNG.
extern const unsigned char kPictovaLogoPng[];
extern const size_t kPictovaLogoPngSize;

// The alert dialog's picture, a 65 x 84 PNG whose top-left colour is see-through, and its
// "OK" button's glyph, a 36 x 18 PNG with the button's two 18 x 18 images.
extern const unsigned char kAlertPicturePng[];
extern const size_t kAlertPicturePngSize;
extern const unsigned char kOkGlyphPng[];
extern const size_t kOkGlyphPngSize;

}  // namespace pictova
