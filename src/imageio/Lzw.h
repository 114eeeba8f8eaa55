// Our LZW decompression routines for the GIF and TIFF readers' hooks, and their installation as
// the process-wide hooks. Both keep their code table at 4096 entries and never write past the
// output they were given.
#pragma once

#include <cstdint>

#include "imageio/Hooks.h"

namespace pictova {

// GIF's variant (LSB-first codes of growing width, clear and end codes, data in sub-blocks).
// Meets TGifDecodeHook: consumes the code size byte and the sub-blocks up to their terminator
// and fills width × height indices in display order. Bad input (a code size outside 1 to 8, a
// code that is not yet in the table, data that ends before the picture is complete) puts the
// stream back where it was, which the reader takes as failure; pixels the data does not reach
// after an early end code stay 0.
void GifLzwDecode(TStream& stream, int32_t height, int32_t width, uint8_t* output,
                  bool interlaced);

// TIFF's variant (MSB-first codes, 9 to 12 bits, the width grows one code early). Meets
// TTiffDecodeHook: returns the next row of the strip, or nullptr when the strip's data ends
// before the row is complete or holds a code that is not in the table.
const uint8_t* TiffLzwDecode(const uint8_t* data, int64_t dataSize, int32_t wanted,
                             intptr_t* state);

// The hooks with our two decoders in place (the compression routines stay empty).
TLzwHooks OwnLzwHooks();

}  // namespace pictova
