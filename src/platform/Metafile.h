// Drawing a metafile (a placeable Windows metafile or an enhanced one) into a bitmap, through
// the platform's metafile player. Only Windows has one; elsewhere every metafile fails.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/Bitmap.h"
#include "gfx/Types.h"

namespace pictova {

enum class TMetafileKind { Wmf, Emf };

// The picture's size in screen pixels from the metafile's header, limited proportionally to
// kMaxMetafileSide on the longer side. False when the data is not a metafile of that kind, the
// platform has no player, or a side comes out as 0.
constexpr int32_t kMaxMetafileSide = 2800;
bool MetafileSize(const uint8_t* data, size_t size, TMetafileKind kind, int32_t& width, int32_t& height);

// Makes target a 24-bit bitmap of MetafileSize, filled with background, and plays the
// metafile over it at (0, 0) scaled to that size. False (target unchanged) where
// MetafileSize fails or the player does.
bool DrawMetafile(const uint8_t* data, size_t size, TMetafileKind kind, TColor background, TBitmap& target);

// Whether this build can draw metafiles at all.
bool HasMetafilePlayer();

}  // namespace pictova
