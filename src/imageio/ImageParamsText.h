// The parameters record as "name: value" lines, for tools and diagnostics.
#pragma once

#include "rtl/Classes.h"

namespace pictova {

class TImageParams;

// One line per field in the record's order; colours as #RRGGBB, Booleans as true/false, texts
// converted from the ANSI code page to UTF-8 with control characters escaped, lists (palette,
// JPEG markers, IPTC records, PNM comments) as a count line and one line per item.
TStringList DescribeImageParams(const TImageParams& params);

}  // namespace pictova
