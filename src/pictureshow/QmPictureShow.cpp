// The picture-show control: properties, the transition's preparation, stepping (worker thread
// or in-line loop), frame rendering around the style functions, and painting.
#include "pictureshow/QmPictureShow.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "gfx/BandWorker.h"
#include "gfx/Canvas.h"
#include "gfx/Region.h"
#include "gfx/Stretch.h"
#include "pictureshow/Effects.h"
#include "platform/Platform.h"
#include "rtl/Math.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"

namespace pictova {

namespace {

bool IsRectStyle(int style) { return style >= 1 && style <= 57; }
bool IsRegionStyle(int style) { return style >= 58 && style <= 117; }

// Rectangles of copies that run backwards (mirrored pieces) still cover their pixels.
TRect Normalized(const TRect& r) {
  return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
          std::max(r.Top, r.Bottom)};
}

// The part of the picture that a final stretch copy of s onto d writes every pixel of: all of d
// inside the picture when both run forwards and s lies inside the picture (each pixel of d then
// takes a source pixel), else nothing.
TRect FinalCopyCovers(const TRect& d, const TRect& s, int32_t w, int32_t h) {
  const TRect picture = Rect(0, 0, w, h);
  if (d.Left >= d.Right || d.Top >= d.Bottom || s.Left >= s.Right || s.Top >= s.Bottom) return {};
  if (IntersectRect(s, picture) != s) return {};
  return IntersectRect(d, picture);
}

// Calls visit for the parts of r outside hole (at most four bands: above, left, right, below).
template <typename Visit>
void ForEachPartOutside(const TRect& r, const TRect& hole, Visit&& visit) {
  const TRect h = IntersectRect(r, hole);
  if (h.IsEmpty()) {
    visit(r);
    return;
  }
  if (r.Top < h.Top) visit(Rect(r.Left, r.Top, r.Right, h.Top));
  if (r.Left < h.Left) visit(Rect(r.Left, h.Top, h.Left, h.Bottom));
  if (h.Right < r.Right) visit(Rect(h.Right, h.Top, r.Right, h.Bottom));
  if (h.Bottom < r.Bottom) visit(Rect(r.Left, h.Bottom, r.Right, r.Bottom));
}

// Fires a notify event through a copy: a handler that frees the control frees the event's
// own storage too, which must not happen while it runs.
void Fire(const TNotifyEvent& event, TComponent* sender) {
  if (!event) return;
  const TNotifyEvent handler = event;
  handler(sender);
}

void Fire(const TCustomDrawEvent& event, TComponent* sender, TBitmap& picture, TBitmap& screen) {
  if (!event) return;
  const TCustomDrawEvent handler = event;
  handler(sender, picture, screen);
}

// Holds a canvas's lock for a scope (never across a handler, which may free the canvas).
class TCanvasLock {
 public:
  explicit TCanvasLock(TCanvas& canvas) : FCanvas(canvas) { FCanvas.Lock(); }
  ~TCanvasLock() { FCanvas.Unlock(); }
  TCanvasLock(const TCanvasLock&) = delete;
  TCanvasLock& operator=(const TCanvasLock&) = delete;

 private:
  TCanvas& FCanvas;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// TAnimateThread

TAnimateThread::TAnimateThread(TQmPictureShow* control) : TThread(false), FControl(control) {
  SetPriority(control->ThreadPriority());
  OnTerminate = [control](TThread*) { control->AnimationFinished(); };
}

TAnimateThread::~TAnimateThread() { TerminateAndWait(); }

void TAnimateThread::Execute() {
  // Only the tick count and Sleep run here. Everything that reads or changes the control,
  // including the test of Manual, happens inside the synchronised call, so that on the
  // virtual clock the steps fall on the same times in every run.
  while (!Terminated()) {
    const uint32_t start = GetTickCount();
    bool stop = true;
    uint32_t delay = 0;
    Synchronize([&] {
      TQmPictureShow& c = *FControl;
      if (c.FManual) return;
      const std::weak_ptr<char> alive = c.FAlive;
      c.AdvanceStep();
      // A handler that freed the control has cancelled this thread: Synchronize unwinds.
      if (alive.expired()) return;
      stop = c.AtEnd();
      delay = c.FDelay;
    });
    if (stop) {
      Terminate();
      break;
    }
    const uint32_t elapsed = GetTickCount() - start;
    if (elapsed < delay) Sleep(delay - elapsed);
  }
}

// ---------------------------------------------------------------------------------------------
// Construction and properties

TQmPictureShow::TQmPictureShow(TComponent* owner)
    : TGraphicControl(owner),
      FPicture(std::make_unique<TPicture>()),
      FBgPicture(std::make_unique<TPicture>()),
      FScreenBitmap(std::make_unique<TBitmap>()) {
  SetBoundsQuietly(0, 0, 100, 100);
  FControlStyle |= csOpaque;
  FColor = clWindow;
  FParentColor = false;
  FPicture->OnChange = [this](TPicture*) { PictureChanged(); };
  FBgPicture->OnChange = [this](TPicture*) { BgPictureChanged(); };
}

TQmPictureShow::~TQmPictureShow() {
  Destroying();
  // Every worker is cancelled and waited for: a pending step or end handler is dropped, so
  // neither reaches the control once it is gone, and ended workers finish before the control
  // (and with it the program) goes. Destroyed from inside one of a worker's own synchronised
  // calls (a handler freeing the control), that worker cannot be waited for: it is detached
  // and unwinds as soon as the call returns, without touching the control.
  FThread = nullptr;
  FWorkers.clear();
  FAlive.reset();
  FPicture->OnChange = nullptr;
  FBgPicture->OnChange = nullptr;
}

void TQmPictureShow::SetPicture(const TPicture* value) { FPicture->Assign(value); }

void TQmPictureShow::SetBgPicture(const TPicture* value) { FBgPicture->Assign(value); }

void TQmPictureShow::SetBgMode(TBackgroundMode value) {
  if (value == FBgMode) return;
  FBgMode = value;
  if (FBgPicture->HasGraphic() && !FInPaint) Invalidate();
}

void TQmPictureShow::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  if (value) AdjustSize();
}

void TQmPictureShow::InvalidateIfShown() {
  if (!FScreenBitmap->Empty() && !FInPaint) Invalidate();
}

void TQmPictureShow::SetCenter(bool value) {
  if (value == FCenter) return;
  FCenter = value;
  if (FPicture->HasGraphic()) {
    CalcPicRect();
    InvalidateIfShown();
  }
}

void TQmPictureShow::SetStretch(bool value) {
  if (value == FStretch) return;
  FStretch = value;
  InvalidateIfShown();
}

void TQmPictureShow::SetStretchFine(bool value) {
  if (value == FStretchFine) return;
  FStretchFine = value;
  InvalidateIfShown();
}

void TQmPictureShow::SetStep(uint16_t value) { FStep = std::clamp<uint16_t>(value, 1, 100); }

void TQmPictureShow::SetManual(bool value) {
  if (value == FManual) return;
  FManual = value;
  if (!FBusy) {
    FProgress = FReverse ? 100 : 0;
    return;
  }
  // Switching Manual off resumes stepping, unless a worker or the in-line loop that was
  // told to stop is still there: it has not left yet and simply goes on.
  if (!value && FThread == nullptr && !FInlineRunning) Animate();
}

void TQmPictureShow::PictureChanged() {
  if (IsDestroying()) return;
  if (FPicture->HasGraphic() && FAutoSize) AdjustSize();
  Fire(OnChange, this);
}

void TQmPictureShow::BgPictureChanged() {
  if (FBgMode != bmNone && !FInPaint) Invalidate();
}

void TQmPictureShow::AdjustSize() {
  if (FPicture->HasGraphic() && FAlign == alNone) SetClientSize(FPicture->Width(), FPicture->Height());
}

void TQmPictureShow::CalcPicRect() {
  if (FScreenBitmap->Empty()) return;
  FPicRect = Rect(0, 0, FScreenBitmap->Width(), FScreenBitmap->Height());
  if (FCenter)
    FPicRect = OffsetRect(FPicRect, (ClientWidth() - FPicRect.Width()) / 2,
                          (ClientHeight() - FPicRect.Height()) / 2);
}

// ---------------------------------------------------------------------------------------------
// Transition

void TQmPictureShow::Execute() {
  if (FBusy || !FPicture->HasGraphic()) return;
  const std::weak_ptr<char> alive = FAlive;
  FBusy = true;
  try {
    Prepare();
    if (alive.expired()) return;  // a frame handler freed the control
    if (!FManual) Animate();
  } catch (...) {
    if (!alive.expired()) {
      DropTransitionBitmaps();
      FBusy = false;
    }
    throw;
  }
}

void TQmPictureShow::DropTransitionBitmaps() {
  FNewBitmap.reset();
  FOldBitmap.reset();
}

TRect TQmPictureShow::StretchTarget() const {
  return FStretchFine ? FitRect(FPicRect, ClientRect()) : ClientRect();
}

void TQmPictureShow::Prepare() {
  // The snapshot comes from the drawing surface, which must show the last frame before
  // ScreenBitmap changes below.
  if (FSurfaceStale) PaintBuffer();
  const int32_t w = FPicture->Width(), h = FPicture->Height();
  TBitmap& screen = *FScreenBitmap;
  screen.Canvas().Brush.Color = FColor;
  screen.Canvas().Brush.Style = bsSolid;
  const int32_t oldW = screen.Width(), oldH = screen.Height();
  screen.SetSize(w, h);
  // What the enlargement uncovers takes the brush colour.
  if (w > oldW) screen.Canvas().FillRect(Rect(oldW, 0, w, h));
  if (h > oldH) screen.Canvas().FillRect(Rect(0, oldH, w, h));
  const TRect oldPicRect = FPicRect;
  CalcPicRect();
  // A picture of another size moves the frame's edges on the control: where the old frame
  // showed and the new one does not, the colour and background show again.
  if ((w != oldW || h != oldH || FPicRect != oldPicRect) && !FInPaint) Invalidate();

  FOldBitmap = std::make_unique<TBitmap>(w, h, pf24bit);
  // Where the last painted client area does not reach (nothing painted yet, or a picture
  // larger than the control), the snapshot shows the control's colour.
  FOldBitmap->Canvas().Brush.Color = FColor;
  FOldBitmap->Canvas().FillRect(Rect(0, 0, w, h));
  const TRect source = FStretch ? StretchTarget() : FPicRect;
  FOldBitmap->Canvas().StretchBlt(Rect(0, 0, w, h), PaintBuffer(), source);

  FNewBitmap = std::make_unique<TBitmap>(w, h, pf24bit);
  FNewBitmap->Canvas().Draw(0, 0, FPicture->Graphic());
  // ScreenBitmap still holds the last frame of the previous transition, not the snapshot:
  // the first frame changes all of it.
  FLastFrame = TFrameRects{};
  FLastFrame.Add(Rect(0, 0, w, h));
  FLastRegion.reset();

  SetProgress(FReverse ? 100 : 0);
}

void TQmPictureShow::Animate() {
  if (FThreaded) {
    if (Application == nullptr) throw Exception("A threaded transition needs the application's message loop");
    ReapWorkers();
    FWorkers.reserve(FWorkers.size() + 1);  // no allocation failure after the start
    FThread = TThread::New<TAnimateThread>(this);
    FWorkers.emplace_back(FThread);
    return;
  }
  if (FInlineRunning) return;
  const std::weak_ptr<char> alive = FAlive;
  FInlineRunning = true;
  bool atEnd = false;
  try {
    for (;;) {
      const uint32_t start = GetTickCount();
      AdvanceStep();
      if (alive.expired()) return;
      atEnd = AtEnd();
      if (!atEnd) {
        while (GetTickCount() - start <= FDelay && FBusy && !FManual) {
          if (Application != nullptr) {
            Application->ProcessMessages();
          } else {
            Sleep(1);
          }
          if (alive.expired()) return;
        }
      }
      if (atEnd || !FBusy || FManual) break;
    }
  } catch (...) {
    if (!alive.expired()) FInlineRunning = false;
    throw;
  }
  FInlineRunning = false;
  // A handler may already have finished the transition (Busy clear) from inside the loop.
  if (atEnd && FBusy) AnimationFinished();
}

void TQmPictureShow::ReapWorkers() {
  std::erase_if(FWorkers, [](const std::unique_ptr<TAnimateThread>& t) { return t->Finished(); });
}

void TQmPictureShow::AnimationFinished() {
  FThread = nullptr;
  if (FManual) return;
  if (FBusy && !AtEnd()) {
    // Manual went on and off again while the worker was leaving: the transition goes on.
    Animate();
    return;
  }
  FBusy = false;
  DropTransitionBitmaps();
  if (!IsDestroying()) Fire(OnComplete, this);
}

void TQmPictureShow::Clear() {
  if (FBusy || FScreenBitmap->Empty()) return;
  TCanvas& canvas = FScreenBitmap->Canvas();
  if (!canvas.TryLock()) return;
  canvas.Unlock();
  if (FSurfaceStale) PaintBuffer();  // keeps the last frame until the next paint
  FScreenBitmap = std::make_unique<TBitmap>();
  Invalidate();
}

void TQmPictureShow::SetProgress(uint8_t value) {
  if (value > 100) value = 100;
  if (!FBusy || value == FProgress) return;
  // A shrinking effect must repaint what the new frame no longer covers. A known style's frame
  // invalidates all it changed (what the last frame wrote and what this one writes); an
  // unknown one only puts the snapshot back, which is shown here.
  if (value < FProgress && FStyle > kMaxShowStyle && !FInPaint)
    InvalidateArea(Rect(0, 0, FScreenBitmap->Width(), FScreenBitmap->Height()));
  FProgress = value;
  const std::weak_ptr<char> alive = FAlive;
  RenderFrame();
  if (alive.expired() || IsDestroying()) return;
  Fire(OnProgress, this);
}

void TQmPictureShow::AdvanceStep() {
  if (FReverse) {
    SetProgress(FProgress < FStep ? 0 : static_cast<uint8_t>(FProgress - FStep));
  } else {
    SetProgress(static_cast<uint8_t>(std::min(FProgress + FStep, 200)));
  }
}

void TQmPictureShow::RenderFrame() {
  if (!FBusy || FOldBitmap == nullptr || FNewBitmap == nullptr) return;
  const std::weak_ptr<char> alive = FAlive;
  TBitmap& screen = *FScreenBitmap;
  TBitmap& picture = *FNewBitmap;
  TCanvas& canvas = screen.Canvas();
  const int style = FStyle;
  const int32_t p = FProgress;

  const bool handlers = OnBeforeNewFrame || OnAfterNewFrame || OnCustomDraw;
  const int32_t w = picture.Width(), h = picture.Height();
  const TFrameGeometry g = MakeFrameGeometry(w, h, p, FStep);
  // Between the ends of a region style without handlers, a frame differs from the last one
  // only where their regions differ.
  std::optional<TRegion> region;
  // Built once per frame: some styles draw from the random generator.
  bool regionMade = false;
  if (IsRegionStyle(style) && !handlers && p > 0 && p < 100) {
    region = RegionEffect(style, g);
    regionMade = true;
    // The last frame left the screen as its region made it: only the difference changes.
    if (region && FLastRegion) {
      RenderRegionStep(std::move(*region));
      return;
    }
  }
  FLastRegion.reset();

  // The fade (118) and the turns (119 to 122) without a handler between restore and effect
  // restore in the same pass: every pixel of the frame is written once.
  const bool fused = style >= 118 && style <= 122 && !OnBeforeNewFrame && p > 0 && p < 100;
  // A rectangle style's final copy, made here already when no handler comes between: where it
  // writes every pixel, the snapshot need not be put back first.
  std::optional<TRectFrame> rectFrame;
  TRect overwritten;
  if (IsRectStyle(style) && !handlers && p > 0 && p < 100) {
    rectFrame = RectEffect(style, g);
    overwritten = FinalCopyCovers(rectFrame->D, rectFrame->S, w, h);
  }
  if (!fused) {
    // ScreenBitmap differs from the snapshot only where the last frame wrote.
    TCanvasLock lock(canvas);
    for (int i = 0; i < FLastFrame.Count; ++i) {
      ForEachPartOutside(FLastFrame.Rects[static_cast<size_t>(i)], overwritten, [&](const TRect& r) {
        canvas.BitBlt(r.Left, r.Top, r.Width(), r.Height(), *FOldBitmap, r.Left, r.Top);
      });
    }
  }
  Fire(OnBeforeNewFrame, this, picture, screen);
  if (alive.expired()) return;

  TRect d = Rect(0, 0, w, h);
  TRect s = d;
  // What this frame writes over the snapshot, in picture coordinates.
  TFrameRects written;

  if (style == 0 && OnCustomDraw) {
    Fire(OnCustomDraw, this, picture, screen);
    if (alive.expired()) return;
  }
  {
    TCanvasLock lock(canvas);
    if (style == 0) {
      if (OnCustomDraw) {
        // drawn by the handler above
      } else if (FReverse) {
        // A cut backwards goes straight to the end of its direction: the old display.
        FProgress = 0;
      } else {
        canvas.Draw(0, 0, &picture);
        region = TRegion::CreateRectRgn(0, 0, w, h);
        FProgress = 100;
      }
    } else if (IsRectStyle(style)) {
      if (!rectFrame) rectFrame = RectEffect(style, g);
      const TRectFrame& frame = *rectFrame;
      for (const TRectPiece& piece : frame.Pieces) {
        DrawPiece(canvas, picture, piece);
        written.Add(IntersectRect(PieceBounds(piece), Rect(0, 0, w, h)));
      }
      d = frame.D;
      s = frame.S;
    } else if (IsRegionStyle(style)) {
      if (!regionMade) region = RegionEffect(style, g);
    } else if (style == 118) {
      // Both cores on the rows: each row's bytes depend on that row alone.
      const TBitmap& old = *FOldBitmap;
      TBandWorker::Split(h, int64_t{w} * h, [&](int32_t first, int32_t last) {
        if (fused) {
          BlendBitmapsFrom(screen, old, picture, p, first, last);
        } else {
          BlendBitmaps(screen, picture, p, first, last);
        }
      });
    } else if (style >= 119 && style <= 122) {
      const int32_t cx = style <= 120 ? -1 : w;
      const int32_t cy = style == 119 || style == 121 ? -1 : h;
      const TBitmap& old = *FOldBitmap;
      TBandWorker::Split(h, int64_t{w} * h, [&](int32_t first, int32_t last) {
        if (fused) {
          RotateBitmapFrom(screen, old, picture, cx, cy, p, first, last);
        } else {
          RotateBitmap(screen, picture, cx, cy, p, first, last);
        }
      });
    } else {
      return;  // no such style: the snapshot stays, nothing is invalidated
    }

    // Composition reads Progress again: style 0 may have moved it.
    const int32_t progress = FProgress;
    if (progress == 100) {
      canvas.Draw(0, 0, &picture);
      // The whole picture changed, whatever the style's last rectangle covers (the pieces
      // and D of a few styles at their end leave a pixel or so out).
      d = Rect(0, 0, w, h);
    } else if (progress == 0 || style == 0) {
      // Nothing more at 0. A custom-drawn frame is what the handler made of it: drawing the
      // whole new picture over it here would throw the handler's work away.
    } else if (IsRegionStyle(style)) {
      if (region) canvas.IntersectClipRgn(*region);
      canvas.Draw(0, 0, &picture);
      canvas.RemoveClipRgn();
      // The snapshot outside the region, the picture inside: the next frame can start from here.
      if (region && !handlers) {
        d = IntersectRect(region->Bounds(), Rect(0, 0, w, h));
        s = d;
        FLastRegion = std::move(region);
      }
    } else if (IsRectStyle(style)) {
      StretchPiece(canvas, d, picture, s);
    }
  }
  written.Add(IntersectRect(PieceBounds(TRectPiece{d, s}), Rect(0, 0, w, h)));
  // A frame handler may have drawn anywhere on the frame.
  if (handlers) {
    written = TFrameRects{};
    written.Add(Rect(0, 0, w, h));
  }

  // Every frame starts again from the snapshot, so the screen changes wherever this frame or
  // the one before it wrote: what the last frame drew and this one does not goes back to the
  // snapshot.
  for (int i = 0; i < FLastFrame.Count; ++i) InvalidateArea(FLastFrame.Rects[static_cast<size_t>(i)]);
  for (int i = 0; i < written.Count; ++i) InvalidateArea(written.Rects[static_cast<size_t>(i)]);
  FLastFrame = written;
  Fire(OnAfterNewFrame, this, picture, screen);
  if (alive.expired()) return;
  if (!FInPaint) Update();
}

void TQmPictureShow::RenderRegionStep(TRegion region) {
  TBitmap& screen = *FScreenBitmap;
  const int32_t w = screen.Width(), h = screen.Height();
  TRegion grown, shrunk;
  TRegion::Combine(grown, region, *FLastRegion, RGN_DIFF);
  TRegion::Combine(shrunk, *FLastRegion, region, RGN_DIFF);
  {
    TCanvas& canvas = screen.Canvas();
    TCanvasLock lock(canvas);
    if (!shrunk.IsEmpty()) {
      canvas.SelectClipRgn(&shrunk);
      canvas.Draw(0, 0, FOldBitmap.get());
    }
    if (!grown.IsEmpty()) {
      canvas.SelectClipRgn(&grown);
      canvas.Draw(0, 0, FNewBitmap.get());
    }
    canvas.RemoveClipRgn();
  }
  // The changed pixels, piece by piece where they are few (the form merges what touches),
  // else the bounds of what grew and of what shrank.
  const TRect picture = Rect(0, 0, w, h);
  for (const TRegion* part : {&grown, &shrunk}) {
    const auto invalidate = [&](const TRect& r) {
      const TRect inside = IntersectRect(r, picture);
      if (!inside.IsEmpty()) InvalidateArea(inside);
    };
    if (part->RectCount() <= 64) {
      part->ForEachRect(invalidate);
    } else {
      invalidate(part->Bounds());
    }
  }
  FLastFrame = TFrameRects{};
  FLastFrame.Add(IntersectRect(region.Bounds(), picture));
  FLastRegion = std::move(region);
  if (!FInPaint) Update();
}

// ---------------------------------------------------------------------------------------------
// Geometry and painting

TRect TQmPictureShow::FitRect(const TRect& source, const TRect& bounds) {
  const int32_t sw = source.Width(), sh = source.Height();
  const int32_t bw = bounds.Width(), bh = bounds.Height();
  if (sw <= 0 || sh <= 0) {
    // No aspect ratio to keep: an empty rectangle at the centre.
    const int32_t x = bounds.Left + bw / 2, y = bounds.Top + bh / 2;
    return Rect(x, y, x, y);
  }
  int32_t w, h;
  if (static_cast<double>(bh) / sh > static_cast<double>(bw) / sw) {
    w = MulDiv(sw, bw, sw);
    h = MulDiv(sh, bw, sw);
  } else {
    w = MulDiv(sw, bh, sh);
    h = MulDiv(sh, bh, sh);
  }
  return OffsetRect(Rect(0, 0, w, h), bounds.Left + (bw - w) / 2, bounds.Top + (bh - h) / 2);
}

void TQmPictureShow::InvalidateArea(const TRect& rect) {
  TRect r;
  if (FStretch) {
    const TRect t = StretchTarget();
    const int32_t pw = FPicRect.Width(), ph = FPicRect.Height();
    if (pw <= 0 || ph <= 0) return;
    r.Left = t.Left + MulDiv(rect.Left, t.Width(), pw);
    r.Right = t.Left + MulDiv(rect.Right, t.Width(), pw);
    r.Top = t.Top + MulDiv(rect.Top, t.Height(), ph);
    r.Bottom = t.Top + MulDiv(rect.Bottom, t.Height(), ph);
    // Shrinking keeps one source column (row) of each group that falls onto a screen column
    // (row), which can lie past the rounded edge: the screen pixels that take their colour
    // from the rectangle are added, so that nothing the rectangle changed stays stale.
    r = UnionRect(Normalized(r), StretchedPart(t, pw, ph, Normalized(rect)));
  } else {
    r = Normalized(rect);
    if (FCenter) r = OffsetRect(r, FPicRect.Left, FPicRect.Top);
    r = IntersectRect(r, FPicRect);
  }
  // The control's own invalidation maps to the parent and skips a control being destroyed.
  if (!IsDestroying() && !r.IsEmpty()) InvalidateRect(r);
}

void TQmPictureShow::TileGraphic(TCanvas& canvas, const TRect& rect, const TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  const int32_t gw = graphic->Width(), gh = graphic->Height();
  const int32_t rows = rect.Height() / gh, cols = rect.Width() / gw;
  TBitmap& target = *canvas.Bitmap();
  // The tiles cover (cols + 1) x (rows + 1) graphics from the corner, cut by the bitmap.
  const int64_t right = std::min<int64_t>(target.Width(), rect.Left + int64_t{cols + 1} * gw);
  const int64_t bottom = std::min<int64_t>(target.Height(), rect.Top + int64_t{rows + 1} * gh);
  const bool doubling = !canvas.HasClipRegion() && target.PixelFormat() == pf24bit && rect.Left >= 0 &&
                        rect.Top >= 0 && rows >= 0 && cols >= 0 && rect.Left < right && rect.Top < bottom;
  if (!doubling) {
    // Pixels clipped away cannot be copied on: one draw per tile that reaches the drawable
    // part (the others would draw nothing).
    const TRect visible = canvas.ClipRect();
    for (int32_t j = 0; j <= rows; ++j) {
      const int64_t top = rect.Top + int64_t{j} * gh;
      if (top >= visible.Bottom || top + gh <= visible.Top) continue;
      for (int32_t i = 0; i <= cols; ++i) {
        const int64_t left = rect.Left + int64_t{i} * gw;
        if (left >= visible.Right || left + gw <= visible.Left) continue;
        canvas.Draw(rect.Left + i * gw, rect.Top + j * gh, graphic);
      }
    }
    return;
  }
  // One tile drawn, then the tiled part copied onto itself in growing powers of two: first
  // along the first row of tiles, then that band down the rows. Same pixels as drawing every
  // tile, at the cost of about one copy of the area (a 1x1 graphic is otherwise millions of draws).
  canvas.Draw(rect.Left, rect.Top, graphic);
  const size_t left = static_cast<size_t>(rect.Left) * 3;
  const int32_t bandBottom = static_cast<int32_t>(std::min<int64_t>(bottom, int64_t{rect.Top} + gh));
  for (int64_t done = gw; rect.Left + done < right; done *= 2) {
    const size_t bytes = static_cast<size_t>(std::min(done, right - rect.Left - done)) * 3;
    for (int32_t y = rect.Top; y < bandBottom; ++y) {
      uint8_t* row = target.ScanLine(y) + left;
      std::memcpy(row + done * 3, row, bytes);
    }
  }
  const size_t rowBytes = static_cast<size_t>(right - rect.Left) * 3;
  for (int64_t done = gh; rect.Top + done < bottom; done *= 2) {
    const int64_t count = std::min(done, bottom - rect.Top - done);
    for (int64_t k = 0; k < count; ++k)
      std::memcpy(target.ScanLine(static_cast<int32_t>(rect.Top + done + k)) + left,
                  target.ScanLine(static_cast<int32_t>(rect.Top + k)) + left, rowBytes);
  }
}

const TBitmap* TQmPictureShow::PaintedPixels() {
  const TBitmap& screen = *FScreenBitmap;
  const TRect c = ClientRect();
  if (IsDesigning() || !IsMainThread() || FInPaint || screen.Empty() || screen.Width() != c.Width() ||
      screen.Height() != c.Height())
    return nullptr;
  const TRect dest = !FStretch ? FPicRect : StretchTarget();
  if (dest != c) return nullptr;
  FSurfaceStale = true;
  return &screen;
}

const TBitmap& TQmPictureShow::PaintBuffer() const {
  auto& self = *const_cast<TQmPictureShow*>(this);
  if (FSurfaceStale) {
    // The frame shown last is ScreenBitmap 1:1; composed whole, the surface shows it again.
    self.TQmPictureShow::Paint();
  }
  return *self.Canvas().Bitmap();
}

void TQmPictureShow::Paint() {
  const TRect c = ClientRect();
  // The control composes straight on its own drawing surface, which keeps the whole client as
  // last painted between paints (the next transition's snapshot comes from it). Only the part
  // being painted (the painter's clip) is composed again; after a change of size, all of it.
  TCanvas& pc = Canvas();
  TBitmap& buffer = *pc.Bitmap();
  buffer.SetSize(c.Width(), c.Height());
  const bool resized = FPaintedSize.X != c.Width() || FPaintedSize.Y != c.Height();
  if (resized || FSurfaceStale) pc.RemoveClipRgn();
  FPaintedSize = {c.Width(), c.Height()};
  FSurfaceStale = false;
  const TRect area = pc.HasClipRegion() ? IntersectRect(pc.ClipRect(), c) : c;
  if (area.IsEmpty()) return;
  {
    TCanvasLock lock(pc);
    const TBitmap& screen = *FScreenBitmap;
    std::optional<TRect> dest;
    if (!screen.Empty()) {
      if (!FStretch) {
        dest = Bounds(FPicRect.Left, FPicRect.Top, screen.Width(), screen.Height());
      } else {
        dest = FStretchFine ? FitRect(FPicRect, c) : c;
      }
    }
    // Colour and background only show where the frame leaves room.
    const bool covered = dest && !dest->IsEmpty() && IntersectRect(*dest, area) == area;
    if (!covered) {
      pc.Brush.Color = FColor;
      pc.Brush.Style = bsSolid;
      pc.FillRect(area);
      const TGraphic* bg = FBgPicture->Graphic();
      if (bg != nullptr && !bg->Empty()) {
        switch (FBgMode) {
          case bmTiled:
            TileGraphic(pc, c, bg);
            break;
          case bmStretched:
            pc.StretchDraw(c, bg);
            break;
          case bmCentered:
            pc.Draw((c.Width() - bg->Width()) / 2, (c.Height() - bg->Height()) / 2, bg);
            break;
          case bmNone:
            break;
        }
      }
    }
    if (dest) {
      if (FStretch) {
        pc.StretchDraw(*dest, &screen);
      } else {
        pc.Draw(dest->Left, dest->Top, &screen);
      }
    }
    if (IsDesigning()) {
      pc.Pen.Style = psDash;
      pc.Pen.Color = clBlack;
      pc.Brush.Style = bsClear;
      pc.Rectangle(0, 0, FWidth, FHeight);
    }
  }
}

void TQmPictureShow::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_ERASEBKGND:
      message.Result = 1;
      return;
    case WM_PAINT: {
      if (!IsMainThread() || FInPaint) return;
      FInPaint = true;
      try {
        TGraphicControl::WndProc(message);
      } catch (...) {
        FInPaint = false;
        throw;
      }
      FInPaint = false;
      return;
    }
    default:
      TGraphicControl::WndProc(message);
  }
}

void TQmPictureShow::Resize() {
  TGraphicControl::Resize();
  if (FPicture->HasGraphic()) {
    CalcPicRect();
    InvalidateIfShown();
  }
}

}  // namespace pictova
