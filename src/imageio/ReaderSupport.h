// What every image reader shares: the one size guard, the screen resolution that stands in for
// a missing one, the progress context and the preparation of the target bitmap.
#pragma once

#include <cstdint>
#include <functional>

#include "gfx/Bitmap.h"

namespace pictova {

class TImageIO;

// Largest image any reader accepts: each side at most kMaxImageSide pixels and at most
// kMaxImagePixels pixels in all. The engine is a 32-bit program that shows photos: the largest
// camera sensors give about 61 megapixels, and at 24 bits a 64 Mi-pixel bitmap is 192 MiB, which
// still leaves room in a 2 GiB address space for the transition engine's working copies. A
// header asking for more is bad input: the reader sets the failure flag before allocating.
// Fuzzing builds lower the total (PICTOVA_MAX_IMAGE_PIXELS): a few bytes that claim an allowed
// but huge picture are correct input, yet every transition frame of it takes seconds under the
// sanitizers, which the fuzzer would report as a hang.
constexpr int32_t kMaxImageSide = 32767;
#ifdef PICTOVA_MAX_IMAGE_PIXELS
constexpr int64_t kMaxImagePixels = PICTOVA_MAX_IMAGE_PIXELS;
#else
constexpr int64_t kMaxImagePixels = 64ll * 1024 * 1024;
#endif

// Whether an image of this size may be decoded (zero sides are acceptable, negative are not).
bool ImageSizeAcceptable(int64_t width, int64_t height);

// The screen's logical resolution in dots per inch, used where an image gives none. There is
// no display service to ask yet, so this is the platform's default of 96.
int32_t ScreenPixelsPerInch();

// A resolution in pixels per metre as dots per inch (× 2.54 / 100), rounded to the nearest
// integer; 0 stays 0 so that callers can substitute the screen's resolution.
int32_t DpiFromPixelsPerMetre(int64_t pixelsPerMetre);

using TImageProgressEvent = std::function<void(TImageIO* sender, int per)>;

// The progress context handed to every reader: the handler, the sender, the units done and the
// percentage per unit, and the component's failure flag, which readers poll between rows and
// set when decoding fails.
struct TProgressRec {
  TImageProgressEvent OnProgress;
  TImageIO* Sender = nullptr;
  int32_t Val = 0;
  double Per = 0.0;
  uint8_t* Aborting = nullptr;

  bool Failed() const { return Aborting != nullptr && *Aborting != 0; }
  void Fail() const {
    if (Aborting) *Aborting = 1;
  }
  // Calls the handler, when there is one, with the truncated percentage of the units done.
  void Report() const {
    if (OnProgress) OnProgress(Sender, static_cast<int>(Val * Per));
  }
};

// Prepares the target as every reader does: first 1 x 1 in the given pixel format, then the
// image's size. Refuses (failure flag, false) an image beyond the size guard before allocating,
// and turns an allocation failure of the bitmap into the failure flag as well.
bool PrepareTarget(TBitmap& bitmap, TPixelFormat format, int32_t width, int32_t height,
                   TProgressRec& progress);

}  // namespace pictova
