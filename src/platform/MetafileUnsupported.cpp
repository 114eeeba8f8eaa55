// Platforms without a metafile player: every metafile fails, and the caller reports it.
#include "platform/Metafile.h"

namespace pictova {

bool MetafileSize(const uint8_t*, size_t, TMetafileKind, int32_t&, int32_t&) { return false; }

bool DrawMetafile(const uint8_t*, size_t, TMetafileKind, TColor, TBitmap&) { return false; }

bool HasMetafilePlayer() { return false; }

}  // namespace pictova
