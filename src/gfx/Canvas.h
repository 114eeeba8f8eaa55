// Drawing on a bitmap: brush, pen, shapes, bitmap transfers, the clip region and the lock
// that guards composition.
#pragma once

#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "gfx/Region.h"
#include "gfx/Types.h"

namespace pictova {

class TBitmap;
class TGraphic;

enum TBrushStyle { bsSolid, bsClear };
enum TPenStyle { psSolid, psDash, psDot, psClear };

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

// Pens are always one pixel wide. Dashed and dotted pens repeat a fixed pattern along
// each line: psDash 18 pixels on and 6 off, psDot 3 on and 3 off. The gaps take the brush
// colour when the brush is solid and are left alone when it is clear.
struct TPen {
  TColor Color = clBlack;
  TPenStyle Style = psSolid;
};

// Everything a canvas draws is clipped to its bitmap and, when one is selected, to its
// clip region; coordinates may be anything, including far outside the bitmap.
//
// Shapes follow the platform's rules for a one-pixel pen: Rectangle(x1, y1, x2, y2) covers
// columns x1 .. x2-1 and rows y1 .. y2-1, its outline on the outermost pixels and the
// brush inside; RoundRect and Ellipse cover the same box with curved outlines. With a
// clear pen the filled area loses its last column and row, as on the platform. Corners
// given in any order are normalised. Lines include their first point and exclude their
// last one; each line's pixels are those nearest to the exact line (x-major lines step
// through x, y-major ones through y; a tie goes to the pixel with the smaller minor coordinate,
// above for x-major lines and to the left for y-major ones, whichever way the line runs).
class TCanvas {
 public:
  explicit TCanvas(TBitmap* bitmap);
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TBitmap* Bitmap() const { return FBitmap; }

  TBrush Brush;
  TPen Pen;

  // Fills the rectangle with the brush (nothing for a clear brush).
  void FillRect(const TRect& rect);
  // One-pixel border of the rectangle in the brush colour (nothing for a clear brush).
  void FrameRect(const TRect& rect);
  void FillRgn(const TRegion& region);

  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  // Corners rounded to quarter ellipses w wide and h high.
  void RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t w, int32_t h);
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  // Filled with the brush under the alternate (even-odd) rule, outlined by the closed
  // polyline through the points. Fewer than two points draw nothing.
  void Polygon(std::span<const TPoint> points);

  TPoint PenPos() const { return FPenPos; }
  void MoveTo(int32_t x, int32_t y);
  // Draws from the pen position to (x, y), that point excluded, and moves the pen there.
  // The dash pattern carries on from line to line until the next MoveTo.
  void LineTo(int32_t x, int32_t y);

  // A pixel of the bitmap (black outside it); writing respects the clip region.
  TColor Pixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, TColor color);

  // Transfers with source copy. Draw puts the graphic unscaled with its top-left at (x, y);
  // StretchDraw scales it into the rectangle. The copies take their pixels along the
  // mapping of TStretchAxis (Stretch.h); extents that run backwards mirror, and a rectangle
  // whose width or height does not fit in 32 bits draws nothing.
  void Draw(int32_t x, int32_t y, const TGraphic* graphic);
  void StretchDraw(const TRect& rect, const TGraphic* graphic);
  void CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect);
  void BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, const TBitmap& source, int32_t sx, int32_t sy);
  void StretchBlt(int32_t x, int32_t y, int32_t w, int32_t h, const TBitmap& source, int32_t sx,
                  int32_t sy, int32_t sw, int32_t sh);
  void StretchBlt(const TRect& dest, const TBitmap& source, const TRect& sourceRect);

  // The clip region, in bitmap coordinates. Without one the whole bitmap is drawable; an
  // empty region selected makes nothing drawable. The region is kept across SetSize.
  bool HasClipRegion() const { return FClipped; }
  const TRegion* ClipRegion() const { return FClipped ? &FClip : nullptr; }
  // Replaces the clip region by a copy of region; nullptr removes it.
  void SelectClipRgn(const TRegion* region);
  void RemoveClipRgn() { SelectClipRgn(nullptr); }
  // The clip region becomes its intersection with region (region itself when there was
  // none). Returns the kind of the new clip region.
  TRegionKind IntersectClipRgn(const TRegion& region);
  TRegionKind IntersectClipRect(const TRect& rect);
  // Bounds of what can be drawn: the bitmap, cut to the clip region.
  TRect ClipRect() const;

  // The canvas lock is recursive, as the framework's; TryLock never waits.
  void Lock() { FLock.lock(); }
  void Unlock() { FLock.unlock(); }
  bool TryLock() { return FLock.try_lock(); }

 private:
  TRect BitmapRect() const;
  // Calls fill for every part of box that is inside the bitmap and the clip region.
  template <typename Fn>
  void ForEachVisible(const TRect& box, Fn&& fill) const;
  void FillVisible(const TRect& box, TColor color);
  void FillRegionColor(const TRegion& region, TColor color);
  bool Visible(int32_t x, int32_t y) const;
  void PlotLinePixel(int32_t x, int32_t y);
  void DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
  void OutlineShape(const TRegion& shape);
  // Makes FClip the clip region (FClipped) and lists its rectangles.
  void ClipChanged();

  TBitmap* FBitmap;
  TPoint FPenPos;
  int64_t FPatternPos = 0;  // pixels of the pen pattern used since the last MoveTo
  // The clip region; its storage, the scratch region's and the list's are kept while no clip
  // is selected, so that selecting one again (every paint does) allocates nothing.
  bool FClipped = false;
  TRegion FClip;
  TRegion FClipScratch;
  std::vector<TRect> FClipRects;  // FClip as rectangles, kept for the drawing loops
  std::recursive_mutex FLock;
};

}  // namespace pictova
