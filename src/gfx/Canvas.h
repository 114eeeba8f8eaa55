// Drawing on a bitmap: brush, pen, fills and the lock that guards composition.
#pragma once

#include <mutex>

#include "gfx/Types.h"

namespace pictova {

class TBitmap;

enum TBrushStyle { bsSolid, bsClear };
enum TPenStyle { psSolid, psDash, psDot, psClear };

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

struct TPen {
  TColor Color = clBlack;
  TPenStyle Style = psSolid;
};

class TCanvas {
 public:
  explicit TCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TBitmap* Bitmap() const { return FBitmap; }

  TBrush Brush;
  TPen Pen;

  // Fills the rectangle with the brush (nothing for a clear brush), clipped to the bitmap.
  void FillRect(const TRect& rect);

  // The canvas lock is recursive, as the framework's; TryLock never waits.
  void Lock() { FLock.lock(); }
  void Unlock() { FLock.unlock(); }
  bool TryLock() { return FLock.try_lock(); }

 private:
  TBitmap* FBitmap;
  std::recursive_mutex FLock;
};

}  // namespace pictova
