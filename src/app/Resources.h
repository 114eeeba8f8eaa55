// Pictures compiled into the program (our own files under resources/).
#pragma once

#include <cstddef>

namespace pictova {

// The logo of the about panel, a 61 x 69 PNG.
extern const unsigned char kPictovaLogoPng[];
extern const size_t kPictovaLogoPngSize;

}  // namespace pictova
