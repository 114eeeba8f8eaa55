// What the image I/O component needs of the controls it can be attached to: an image view
// (which shows the bitmap and keeps the background and resolution) and an image control (whose
// picture's bitmap receives the image). The framework's controls implement these.
#pragma once

#include <cstdint>
#include <functional>

#include "gfx/Types.h"

namespace pictova {

class TBitmap;

class TIOAttachedView {
 public:
  virtual ~TIOAttachedView() = default;
  // The bitmap the readers write into.
  virtual TBitmap* IOBitmap() = 0;
  virtual TColor Background() const = 0;
  // A thumbnail multi-view ignores this.
  virtual void SetBackground(TColor color) = 0;
  virtual int32_t DpiX() const = 0;
  virtual int32_t DpiY() const = 0;
  // Told after a TIFF, PCX, JPEG or PNG load.
  virtual void SetDpi(int32_t dpiX, int32_t dpiY) = 0;
  // Refreshes the view after a load.
  virtual void Update() = 0;
  // The view calls handler whenever it replaces its bitmap; an empty handler unregisters.
  virtual void SetBitmapChangeEvent(std::function<void()> handler) = 0;
};

class TIOAttachedImage {
 public:
  virtual ~TIOAttachedImage() = default;
  // The picture's bitmap (the image control creates one when its picture holds none).
  virtual TBitmap* PictureBitmap() = 0;
  // The bitmap's content changed: the control repaints.
  virtual void BitmapChanged() = 0;
};

}  // namespace pictova
