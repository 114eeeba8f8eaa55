// Recognises an image format from the content of a stream.
#pragma once

#include <cstdint>

namespace pictova {

class TStream;

// The format code of the content at the stream's position (see FormatRegistry.h), or 0. The
// strong signatures are tested first and the weak ones (icon, cursor, TGA, PNM) last; size
// limits use the whole stream's size. The position is the same afterwards. An exception
// inside a test ends the detection with what was found so far, that is 0.
int32_t DetectStreamFormat(TStream& stream);

// The JPEG start test (FF D8 FF at the position); the position is restored.
bool IsJpegStart(TStream& stream);

// The individual weak tests, reading from the current position (which they do not restore).
// iconType is 1 for icons and 2 for cursors.
bool LooksLikeIconOrCursor(TStream& stream, int iconType);
bool LooksLikeTga(TStream& stream);

}  // namespace pictova
