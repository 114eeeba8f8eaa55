// Puts every object the program makes with new above 4 GiB: the global operator new hands out
// memory from one region reserved at the top of the address space. A handle, a window long or a
// message parameter that squeezes an object's address through 32 bits then loses it, where the
// system's ordinary heap (low addresses under Wine) would have hidden the fault.
// For test programs of the 64-bit build only: memory is never given back, and what does not
// fit in the region comes from malloc.
#include "platform/win32/Win32Api.h"

#include <atomic>
#include <cstdlib>
#include <initializer_list>
#include <new>

#include "platform/win32/HighAddressHeap.h"

namespace pictova {
namespace {

constexpr size_t kRegionSize = size_t{1} << 30;
constexpr size_t kAlignment = 16;

struct TRegion {
  uint8_t* Base = nullptr;
  std::atomic<size_t> Used{0};

  // At a chosen address: a top-down reservation of this size may still land below 4 GiB
  // (Wine places large ones in the lowest free range while the process starts).
  TRegion() {
    for (const uint64_t at : {uint64_t{0x10000000000}, uint64_t{0x1000000000}}) {
      Base = static_cast<uint8_t*>(::VirtualAlloc(reinterpret_cast<void*>(static_cast<uintptr_t>(at)), kRegionSize,
                                                  MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
      if (Base != nullptr) return;
    }
  }
  bool Owns(const void* p) const {
    const auto* b = static_cast<const uint8_t*>(p);
    return Base != nullptr && b >= Base && b < Base + kRegionSize;
  }
  void* Take(size_t size, size_t alignment) {
    if (Base == nullptr) return nullptr;
    const size_t need = (size + alignment - 1) & ~(alignment - 1);
    size_t used = Used.load();
    for (;;) {
      const size_t start = (used + alignment - 1) & ~(alignment - 1);
      if (start + need > kRegionSize || start + need < start) return nullptr;
      if (Used.compare_exchange_weak(used, start + need)) return Base + start;
    }
  }
};

// Made on first use: objects of other files may allocate during static initialisation.
TRegion& Region() {
  static TRegion region;
  return region;
}

void* Allocate(size_t size, size_t alignment, bool nothrow) {
  if (size == 0) size = 1;
  if (void* p = Region().Take(size, alignment)) return p;
  // Past the region: the run-time's heap (alignment up to 16 is malloc's own).
  void* p = alignment <= kAlignment ? std::malloc(size) : ::_aligned_malloc(size, alignment);
  if (p == nullptr && !nothrow) throw std::bad_alloc();
  return p;
}

void Release(void* p, size_t alignment) {
  if (p == nullptr || Region().Owns(p)) return;
  if (alignment <= kAlignment) {
    std::free(p);
  } else {
    ::_aligned_free(p);
  }
}

}  // namespace

bool InHighAddressHeap(const void* p) { return Region().Owns(p); }

uintptr_t HighAddressHeapBase() { return reinterpret_cast<uintptr_t>(Region().Base); }

}  // namespace pictova

using pictova::Allocate;
using pictova::Release;

void* operator new(size_t size) { return Allocate(size, pictova::kAlignment, false); }
void* operator new[](size_t size) { return Allocate(size, pictova::kAlignment, false); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size, pictova::kAlignment, true); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size, pictova::kAlignment, true); }
void* operator new(size_t size, std::align_val_t a) { return Allocate(size, static_cast<size_t>(a), false); }
void* operator new[](size_t size, std::align_val_t a) { return Allocate(size, static_cast<size_t>(a), false); }
void* operator new(size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<size_t>(a), true);
}
void* operator new[](size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<size_t>(a), true);
}

void operator delete(void* p) noexcept { Release(p, pictova::kAlignment); }
void operator delete[](void* p) noexcept { Release(p, pictova::kAlignment); }
void operator delete(void* p, size_t) noexcept { Release(p, pictova::kAlignment); }
void operator delete[](void* p, size_t) noexcept { Release(p, pictova::kAlignment); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p, pictova::kAlignment); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p, pictova::kAlignment); }
void operator delete(void* p, std::align_val_t a) noexcept { Release(p, static_cast<size_t>(a)); }
void operator delete[](void* p, std::align_val_t a) noexcept { Release(p, static_cast<size_t>(a)); }
void operator delete(void* p, size_t, std::align_val_t a) noexcept { Release(p, static_cast<size_t>(a)); }
void operator delete[](void* p, size_t, std::align_val_t a) noexcept { Release(p, static_cast<size_t>(a)); }
void operator delete(void* p, std::align_val_t a, const std::nothrow_t&) noexcept {
  Release(p, static_cast<size_t>(a));
}
void operator delete[](void* p, std::align_val_t a, const std::nothrow_t&) noexcept {
  Release(p, static_cast<size_t>(a));
}
