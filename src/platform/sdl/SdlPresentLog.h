// The opt-in record of presents (PICTOVA_PRESENT_LOG; see SdlPresentLog.cpp).
#pragma once

#include "gfx/Types.h"

namespace pictova {

void LogPresent(const TRect& rect);

}  // namespace pictova
