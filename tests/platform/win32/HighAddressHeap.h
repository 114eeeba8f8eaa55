// The test programs' heap above 4 GiB (HighAddressHeap.cpp), where it is linked in.
#pragma once

#include <cstdint>

namespace pictova {

// Whether p lies in the region that operator new hands out.
bool InHighAddressHeap(const void* p);
// The region's first address (0 when it could not be reserved).
uintptr_t HighAddressHeapBase();

}  // namespace pictova
