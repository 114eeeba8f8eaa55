// Image controls: a picture on the parent, at its size, stretched or centred.
#include "ui/Image.h"

#include "gfx/Bitmap.h"

namespace pictova {

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  SetBoundsQuietly(0, 0, 105, 105);
  FPicture.OnChange = [this](TPicture*) { PictureChanged(); };
}

TImage::~TImage() { FPicture.OnChange = nullptr; }

void TImage::SetAutoSize(bool value) {
  FAutoSize = value;
  if (value) PictureChanged();
}

void TImage::SetStretch(bool value) {
  FStretch = value;
  UpdateOpaque();
  Invalidate();
}

void TImage::SetCenter(bool value) {
  FCenter = value;
  Invalidate();
}

void TImage::SetTransparent(bool value) {
  FTransparent = value;
  UpdateOpaque();
  Invalidate();
}

void TImage::UpdateOpaque() {
  // Opaque when the picture covers the whole control with no see-through pixels.
  const bool covers = FPicture.HasGraphic() && !FTransparent &&
                      (FStretch || (FPicture.Width() >= FWidth && FPicture.Height() >= FHeight));
  if (covers) {
    FControlStyle |= csOpaque;
  } else {
    FControlStyle &= ~csOpaque;
  }
}

void TImage::PictureChanged() {
  if (FAutoSize && FPicture.Width() > 0 && FPicture.Height() > 0)
    SetBounds(FLeft, FTop, FPicture.Width(), FPicture.Height());
  UpdateOpaque();
  Invalidate();
}

void TImage::Resize() {
  UpdateOpaque();
  TGraphicControl::Resize();
}

TRect TImage::DestRect() const {
  if (FStretch) return ClientRect();
  const int32_t w = FPicture.Width(), h = FPicture.Height();
  if (FCenter) return Bounds((FWidth - w) / 2, (FHeight - h) / 2, w, h);
  return Rect(0, 0, w, h);
}

void TImage::Paint() {
  const TGraphic* graphic = FPicture.Graphic();
  if (graphic == nullptr || graphic->Empty()) return;
  TCanvas& canvas = Canvas();
  const TRect dest = DestRect();
  const auto* bitmap = dynamic_cast<const TBitmap*>(graphic);
  if (!FTransparent || bitmap == nullptr) {
    canvas.StretchDraw(dest, graphic);
    return;
  }
  // Scale first, then copy every pixel that is not the transparent colour.
  TBitmap scaled(dest.Width(), dest.Height());
  scaled.Canvas().StretchDraw(Rect(0, 0, dest.Width(), dest.Height()), graphic);
  const TColor transparent = bitmap->Pixel(0, bitmap->Height() - 1);
  for (int32_t y = 0; y < scaled.Height(); ++y)
    for (int32_t x = 0; x < scaled.Width(); ++x) {
      const TColor c = scaled.Pixel(x, y);
      if (c != transparent) canvas.SetPixel(dest.Left + x, dest.Top + y, c);
    }
}

}  // namespace pictova
