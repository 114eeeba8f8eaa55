// What every image reader shares: size guard, screen resolution, target preparation.
#include "imageio/ReaderSupport.h"

#include <new>

#include "rtl/SysUtils.h"

namespace pictova {

bool ImageSizeAcceptable(int64_t width, int64_t height) {
  if (width < 0 || height < 0 || width > kMaxImageSide || height > kMaxImageSide) return false;
  return width * height <= kMaxImagePixels;
}

int32_t ScreenPixelsPerInch() { return 96; }

int32_t DpiFromPixelsPerMetre(int64_t pixelsPerMetre) {
  // ppm / 100 × 2.54 = ppm × 254 / 10000, rounded half away from zero in integers.
  const int64_t scaled = pixelsPerMetre * 254;
  const int64_t dpi = scaled >= 0 ? (scaled + 5000) / 10000 : -((-scaled + 5000) / 10000);
  if (dpi > INT32_MAX) return INT32_MAX;
  if (dpi < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(dpi);
}

bool PrepareTarget(TBitmap& bitmap, TPixelFormat format, int32_t width, int32_t height,
                   TProgressRec& progress) {
  if (!ImageSizeAcceptable(width, height)) {
    progress.Fail();
    return false;
  }
  try {
    bitmap.SetSize(1, 1);
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, height);
  } catch (const EOutOfResources&) {
    progress.Fail();
    return false;
  } catch (const std::bad_alloc&) {
    progress.Fail();
    return false;
  }
  return true;
}

}  // namespace pictova
