// The picture-show control: shows one picture on its parent and changes to a new one through
// an animated transition (styles 0 to 122), stepped in-line or by a TAnimateThread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Picture.h"
#include "gfx/Region.h"
#include "ui/Control.h"
#include "ui/Thread.h"

namespace pictova {

enum TBackgroundMode : uint8_t { bmNone, bmTiled, bmStretched, bmCentered };

// 0 to 122; the field is a byte, so a caller may store more (such a style renders nothing new).
using TShowStyle = uint8_t;
constexpr TShowStyle kMaxShowStyle = 122;

// A frame event: the control, the work copy of the new picture and the frame being composed.
using TCustomDrawEvent = std::function<void(TComponent* sender, TBitmap& picture, TBitmap& screen)>;

class TQmPictureShow;

// Steps a running transition: measures time, sleeps, and hands every step and its own end
// (AnimationFinished) to the UI thread synchronously. The control owns it and frees it once it
// has ended: a thread that freed itself would still touch the clock after its end handler,
// possibly after the program has torn its platform down.
class TAnimateThread : public TThread {
 public:
  // Made through TThread::New<TAnimateThread>(control): starts at once.
  explicit TAnimateThread(TQmPictureShow* control);
  ~TAnimateThread() override;

 protected:
  void Execute() override;

 private:
  TQmPictureShow* FControl;  // non-owning; the control outlives the thread (see ~TQmPictureShow)
};

class TQmPictureShow : public TGraphicControl {
 public:
  explicit TQmPictureShow(TComponent* owner);
  ~TQmPictureShow() override;

  // The picture the next transition shows. SetPicture copies (nullptr clears); any change of
  // its contents runs PictureChanged.
  TPicture& Picture() { return *FPicture; }
  void SetPicture(const TPicture* value);
  TPicture& BgPicture() { return *FBgPicture; }
  void SetBgPicture(const TPicture* value);
  TBackgroundMode BgMode() const { return FBgMode; }
  void SetBgMode(TBackgroundMode value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool Center() const { return FCenter; }
  void SetCenter(bool value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  bool StretchFine() const { return FStretchFine; }
  void SetStretchFine(bool value);
  bool Threaded() const { return FThreaded; }
  void SetThreaded(bool value) { FThreaded = value; }
  TThreadPriority ThreadPriority() const { return FThreadPriority; }
  void SetThreadPriority(TThreadPriority value) { FThreadPriority = value; }
  bool Manual() const { return FManual; }
  void SetManual(bool value);
  TShowStyle Style() const { return FStyle; }
  void SetStyle(TShowStyle value) { FStyle = value; }
  uint16_t Step() const { return FStep; }
  // 0 becomes 1, values above 100 become 100.
  void SetStep(uint16_t value);
  uint16_t Delay() const { return FDelay; }
  void SetDelay(uint16_t value) { FDelay = value; }
  bool Reverse() const { return FReverse; }
  void SetReverse(bool value) { FReverse = value; }
  // Color (inherited): fill of the client area and brush of ScreenBitmap; default clWindow.

  // The transition's position, 0 to 100. Writing it while Busy renders a frame.
  uint8_t Progress() const { return FProgress; }
  void SetProgress(uint8_t value);
  // True from Execute until AnimationFinished.
  bool Busy() const { return FBusy; }

  // Starts a transition to Picture (nothing while Busy or without a graphic). Threaded: returns
  // once the worker runs; in-line: returns when the transition ended or Manual was switched on.
  void Execute();
  // Empties ScreenBitmap so that only colour and background show (not while Busy).
  void Clear();

  // One frame at the current Progress: restore the snapshot, run the style, compose,
  // invalidate, repaint. Runs on every change of Progress.
  void RenderFrame();
  // One step of Progress towards the end (by Step, capped at 0 and 100).
  void AdvanceStep();
  // Whether Progress stands at the end of the transition's direction.
  bool AtEnd() const { return FReverse ? FProgress == 0 : FProgress == 100; }

  // The largest rectangle of source's aspect ratio centred in bounds (enlarging or reducing).
  static TRect FitRect(const TRect& source, const TRect& bounds);
  // Maps a rectangle in picture coordinates to the control and invalidates it there.
  void InvalidateArea(const TRect& rect);

  // State, read-only: the current frame at the picture's size, the last painted client area
  // (the control's drawing surface; brought up to date first when frames went to the form
  // straight from ScreenBitmap), the unscaled picture's placement in client coordinates.
  const TBitmap& ScreenBitmap() const { return *FScreenBitmap; }
  const TBitmap& PaintBuffer() const;
  TRect PicRect() const { return FPicRect; }
  bool InPaint() const { return FInPaint; }

  TNotifyEvent OnChange;
  TNotifyEvent OnProgress;
  TNotifyEvent OnComplete;
  TCustomDrawEvent OnCustomDraw;
  TCustomDrawEvent OnBeforeNewFrame;
  TCustomDrawEvent OnAfterNewFrame;
  // OnMouseEnter and OnMouseLeave come from TControl and fire after the inherited handling.

 protected:
  void WndProc(TMessage& message) override;
  void Paint() override;
  // ScreenBitmap itself when it fills the client 1:1 (the usual full-screen frame): the form
  // copies the frame from it, one copy fewer than composing it on the drawing surface first.
  // Paint is not called then: a descendant that draws more in Paint returns nullptr here.
  const TBitmap* PaintedPixels() override;
  void Resize() override;
  virtual void PictureChanged();
  void BgPictureChanged();
  void AdjustSize();
  void CalcPicRect();
  void Prepare();
  void Animate();
  void AnimationFinished();
  // Draws graphic repeatedly from rect's top-left corner, one extra row and column, clipped.
  void TileGraphic(TCanvas& canvas, const TRect& rect, const TGraphic* graphic);

 private:
  friend class TAnimateThread;
  void DropTransitionBitmaps();
  // Frees the workers that have ended.
  void ReapWorkers();
  // The client rectangle that the picture is stretched to (FitRect with StretchFine).
  TRect StretchTarget() const;
  void InvalidateIfShown();
  // A region style's frame from the last region's (FLastRegion, which must be there): the
  // picture where the region grew, the snapshot where it shrank, and only that invalidated.
  void RenderRegionStep(TRegion region);

  // The rectangles (picture coordinates) that one frame wrote over the snapshot.
  struct TFrameRects {
    std::array<TRect, 6> Rects{};
    int Count = 0;
    void Add(const TRect& r) {
      if (r.IsEmpty()) return;
      if (Count < static_cast<int>(Rects.size())) {
        Rects[static_cast<size_t>(Count++)] = r;
      } else {
        Rects.back() = UnionRect(Rects.back(), r);
      }
    }
  };

  std::unique_ptr<TPicture> FPicture;
  std::unique_ptr<TPicture> FBgPicture;
  TBackgroundMode FBgMode = bmTiled;
  bool FAutoSize = true;
  bool FCenter = false;
  bool FStretch = false;
  bool FStretchFine = false;
  bool FThreaded = true;
  TThreadPriority FThreadPriority = tpNormal;
  bool FManual = false;
  TShowStyle FStyle = 51;
  uint16_t FStep = 4;
  uint16_t FDelay = 40;
  bool FReverse = false;
  uint8_t FProgress = 0;
  bool FBusy = false;
  bool FInPaint = false;

  std::unique_ptr<TBitmap> FScreenBitmap;
  TPoint FPaintedSize;  // the client size that PaintBuffer was last composed at
  // Frames went to the form straight from ScreenBitmap since the drawing surface was last
  // composed: the surface is composed whole again before it is read or painted on.
  bool FSurfaceStale = false;
  std::unique_ptr<TBitmap> FOldBitmap;  // present only while Busy
  std::unique_ptr<TBitmap> FNewBitmap;  // present only while Busy
  TRect FPicRect;
  TFrameRects FLastFrame;  // what the last frame wrote; the whole picture before the first
  // The region of the last frame when that frame left ScreenBitmap as the snapshot outside it
  // and the picture inside it (a region style between its ends, no frame handler): the next
  // such frame changes only the difference of the two regions.
  std::optional<TRegion> FLastRegion;
  TAnimateThread* FThread = nullptr;  // the running worker, one of FWorkers
  // Every worker not yet freed: the running one and those that have ended (or are ending).
  std::vector<std::unique_ptr<TAnimateThread>> FWorkers;
  bool FInlineRunning = false;        // the in-line loop is stepping this transition
  // Expires when the control is destroyed: code that called out to a handler (which may free
  // the control) checks it before touching the control again.
  std::shared_ptr<char> FAlive = std::make_shared<char>();
};

}  // namespace pictova
