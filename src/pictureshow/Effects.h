// The transition styles as pure functions of one frame's geometry. The picture-show control
// restores the snapshot, calls these, composes and invalidates; nothing here knows the control.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <vector>

#include "gfx/Region.h"
#include "gfx/Types.h"

namespace pictova {

class TBitmap;
class TCanvas;

// One frame's inputs: the picture size, the reveal extents X and Y, the snap distance J, the
// control's Step and the progress p (0..100).
struct TFrameGeometry {
  int32_t W = 0;
  int32_t H = 0;
  int32_t X = 0;
  int32_t Y = 0;
  int32_t J = 0;
  int32_t Step = 0;
  int32_t Progress = 0;
};

// Computes X, Y and J from W, H, Progress and Step the way every frame does.
TFrameGeometry MakeFrameGeometry(int32_t w, int32_t h, int32_t progress, int32_t step);

// A rectangle copy from the new picture onto the frame.
struct TRectPiece {
  TRect D;                    // destination on the frame (before any mirror exchange)
  TRect S;                    // source in the new picture
  bool Mirror = false;        // copy through MirrorStretch instead of a plain stretch copy
  bool MirrorH = false;
  bool MirrorV = false;
};

// The pieces of one frame, at most three, held in place: a frame allocates nothing for them.
class TRectPieces {
 public:
  static constexpr size_t kCapacity = 3;
  void push_back(const TRectPiece& piece) {
    FItems.at(FCount) = piece;
    ++FCount;
  }
  size_t size() const { return FCount; }
  bool empty() const { return FCount == 0; }
  const TRectPiece& operator[](size_t i) const { return FItems[i]; }
  const TRectPiece* begin() const { return FItems.data(); }
  const TRectPiece* end() const { return FItems.data() + FCount; }

 private:
  std::array<TRectPiece, kCapacity> FItems{};
  size_t FCount = 0;
};

// Styles 1 to 57: the pieces drawn first (in order, each invalidated at once) and the final
// D and S that the composition step copies when 0 < progress < 100.
struct TRectFrame {
  TRectPieces Pieces;
  TRect D;
  TRect S;
};
TRectFrame RectEffect(int style, const TFrameGeometry& g);

// Stretch copy of S of source onto D of the canvas with source copy; extents that run
// backwards mirror.
void StretchPiece(TCanvas& target, const TRect& d, const TBitmap& source, const TRect& s);
// The fold copy of styles 14, 15, 31 and 32.
void MirrorStretch(TCanvas& target, TRect d, const TBitmap& source, TRect s, bool mirrorH, bool mirrorV);
// Draws one piece the way its style says: MirrorStretch or a plain stretch copy.
void DrawPiece(TCanvas& target, const TBitmap& source, const TRectPiece& piece);
// The pixels that DrawPiece may write (before clipping to the frame): D's, and for a fold
// the two columns (rows) past D's far edge that the mirrored copy covers too.
TRect PieceBounds(const TRectPiece& piece);

// Styles 58 to 117: the clip region R, or nothing ("none") when the builder produced no
// rectangle. Some styles draw from the run-time Random generator.
std::optional<TRegion> RegionEffect(int style, const TFrameGeometry& g);

// The pixel styles work row by row, each row of the target on its own: given a band of rows
// [firstRow, lastRow), they do only those rows, and bands done apart (on other threads) give
// the same bytes as one pass.
constexpr int32_t kAllRows = INT32_MAX;

// Style 118: target := target * (100 - p) div 100 + source * p div 100, per byte.
void BlendBitmaps(TBitmap& target, const TBitmap& source, int32_t progress, int32_t firstRow = 0,
                  int32_t lastRow = kAllRows);
// The same fade with the snapshot restore fused in: target := back * (100 - p) div 100 +
// source * p div 100, bit for bit what restoring back into target and then BlendBitmaps give
// (back must have the target's size).
void BlendBitmapsFrom(TBitmap& target, const TBitmap& back, const TBitmap& source, int32_t progress,
                      int32_t firstRow = 0, int32_t lastRow = kAllRows);
// Styles 119 to 122: turn source about (cx, cy) into target; pixels whose source falls
// outside keep what target holds.
void RotateBitmap(TBitmap& target, const TBitmap& source, int32_t cx, int32_t cy, int32_t progress,
                  int32_t firstRow = 0, int32_t lastRow = kAllRows);
// The same turn with the snapshot restore fused in: pixels whose source falls outside take
// back's pixel (back must have the target's size), bit for bit what restoring back into
// target and then RotateBitmap give, without writing the turned part twice.
void RotateBitmapFrom(TBitmap& target, const TBitmap& back, const TBitmap& source, int32_t cx, int32_t cy,
                      int32_t progress, int32_t firstRow = 0, int32_t lastRow = kAllRows);

}  // namespace pictova
