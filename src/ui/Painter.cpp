// Painting of a form: erase what no opaque control covers, then every control in z-order,
// each on its own surface with the control's origin, copied back inside the invalid area (or,
// for a control that shows a bitmap of its own 1:1, copied from that bitmap).
#include "ui/Application.h"
#include "ui/Form.h"

namespace pictova {

// Friend of TControl: reaches the controls' drawing surfaces.
class TPainter {
 public:
  static void PaintArea(TForm& form, TBitmap& back, const TRect& area) {
    if (!Covered(form, area)) {
      TCanvas& canvas = back.Canvas();
      canvas.Brush.Color = form.Color();
      canvas.Brush.Style = bsSolid;
      canvas.FillRect(area);
    }
    TMessage paint{WM_PAINT};
    SafeCall([&] { form.Perform(paint); });
    PaintChildren(back, form, {0, 0}, area);
  }

 private:
  static bool Covered(const TWinControl& parent, const TRect& area) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
      const TControl* c = parent.Controls(i);
      if (c->Visible() && (c->ControlStyle() & csOpaque) && IntersectRect(c->BoundsRect(), area) == area)
        return true;
    }
    return false;
  }

  static void PaintChildren(TBitmap& back, TWinControl& parent, TPoint origin, const TRect& area) {
    // Index loop: a paint handler must not change the list, but must not crash it either.
    for (int i = 0; i < parent.ControlCount(); ++i) {
      TControl* c = parent.Controls(i);
      if (!c->Visible()) continue;
      const TRect bounds = OffsetRect(c->BoundsRect(), origin.X, origin.Y);
      const TRect part = IntersectRect(bounds, area);
      if (part.IsEmpty()) continue;
      PaintControl(back, *c, bounds, part);
      if (auto* w = dynamic_cast<TWinControl*>(c); w != nullptr && w->ControlCount() > 0)
        PaintChildren(back, *w, bounds.TopLeft(), part);
    }
  }

  static void PaintControl(TBitmap& back, TControl& c, const TRect& bounds, const TRect& part) {
    const TRect inner = OffsetRect(part, -bounds.Left, -bounds.Top);
    if ((c.ControlStyle() & csOpaque) != 0) {
      const TBitmap* pixels = c.PaintedPixels();
      if (pixels != nullptr && pixels->PixelFormat() == pf24bit && pixels->Width() == bounds.Width() &&
          pixels->Height() == bounds.Height()) {
        CopyPixels(*pixels, inner.Left, inner.Top, back, part);
        return;
      }
    }
    TBitmap& surface = c.FPaintBitmap;
    if (surface.PixelFormat() != pf24bit) surface.SetPixelFormat(pf24bit);
    surface.SetSize(bounds.Width(), bounds.Height());
    TCanvas& canvas = surface.Canvas();
    canvas.Brush = TBrush{};
    canvas.Pen = TPen{};
    // A control that does not cover its whole rectangle draws over what lies beneath.
    if ((c.ControlStyle() & csOpaque) == 0) CopyPixels(back, part.Left, part.Top, surface, inner);
    // The control draws only inside the part being painted: the rest is not copied back, and
    // a control that composes off-screen can read the clip to do only that part's work.
    const bool partial = inner != Rect(0, 0, bounds.Width(), bounds.Height());
    canvas.RemoveClipRgn();
    if (partial) canvas.IntersectClipRect(inner);
    TMessage paint{WM_PAINT};
    paint.WParam = reinterpret_cast<uintptr_t>(&canvas);
    bool ok = true;
    SafeCall([&] {
      ok = false;
      c.Perform(paint);
      ok = true;
    });
    canvas.RemoveClipRgn();
    if (ok && surface.Width() == bounds.Width() && surface.Height() == bounds.Height())
      CopyPixels(surface, inner.Left, inner.Top, back, part);
  }
};

void TForm::PaintInvalid() {
  if (FDirty.empty()) return;
  if (!FVisible || IsLoading() || IsDestroying()) {
    FDirty.clear();
    return;
  }
  Handle();
  const TRect client = ClientRect();
  if (FBackBuffer.Width() != client.Width() || FBackBuffer.Height() != client.Height()) {
    FBackBuffer.SetSize(client.Width(), client.Height());
    FDirty.assign(1, client);
  }
  // Painting may invalidate again: the rectangles are taken out first, into storage kept from
  // the last paint (both lists keep their room, so a frame allocates nothing here).
  std::vector<TRect> rects = std::move(FPaintRects);
  rects.assign(FDirty.begin(), FDirty.end());
  FDirty.clear();
  for (const TRect& r : rects) {
    const TRect area = IntersectRect(r, client);
    if (area.IsEmpty()) continue;
    TPainter::PaintArea(*this, FBackBuffer, area);
    if (FWindow != nullptr) FWindow->Present(FBackBuffer, area);
  }
  FPaintRects = std::move(rects);
}

TCanvas& TForm::Canvas() { return FBackBuffer.Canvas(); }

}  // namespace pictova
