// The image control: transparent colour, centring, stretching, tiling and auto-size.
#include "controls/NeoImage.h"

#include <memory>

#include "gfx/Bitmap.h"
#include "ui/WinControl.h"

namespace pictova {

TNeoImage::TNeoImage(TComponent* owner) : TNeoGraphicControl(owner) {
  SetBoundsQuietly(0, 0, 105, 105);
  FPicture.OnChange = [this](TPicture*) { PictureChanged(); };
}

TNeoImage::~TNeoImage() { FPicture.OnChange = nullptr; }

void TNeoImage::SetAutoSize(bool value) {
  FAutoSize = value;
  PictureChanged();
}

void TNeoImage::SetCenter(bool value) {
  if (value == FCenter) return;
  FCenter = value;
  Invalidate();
}

void TNeoImage::SetStretch(bool value) {
  FStretch = value;
  Invalidate();
}

void TNeoImage::SetTile(bool value) {
  FTile = value;
  if (value) FAutoSize = false;
  Invalidate();
}

void TNeoImage::SetTransparent(bool value) {
  FTransparent = value;
  Invalidate();
}

void TNeoImage::PictureChanged() {
  const int32_t w = FPicture.Width(), h = FPicture.Height();
  if (FAutoSize && w > 0 && h > 0) SetBounds(FLeft, FTop, w, h);
  // The framework need not paint beneath a bitmap that covers the control exactly; a
  // transparent one covers it too, its see-through pixels being filled with the parent's
  // colour.
  const bool covers = dynamic_cast<const TBitmap*>(FPicture.Graphic()) != nullptr && w == FWidth && h == FHeight;
  if (covers) {
    FControlStyle |= csOpaque;
  } else {
    FControlStyle &= ~csOpaque;
  }
  Invalidate();
}

void TNeoImage::Paint() {
  TCanvas& canvas = Canvas();
  if (IsDesigning()) {
    canvas.Pen.Style = psDash;
    canvas.Brush.Style = bsClear;
    canvas.Rectangle(0, 0, FWidth, FHeight);
  }
  SelectPalette(true);
  canvas.Pen.Style = psSolid;
  canvas.Brush.Style = bsSolid;
  canvas.Brush.Color = ParentBackgroundColor();

  const TGraphic* graphic = FPicture.Graphic();
  if (graphic == nullptr || graphic->Empty()) return;
  const int32_t pw = graphic->Width(), ph = graphic->Height();

  // A transparent bitmap is first copied onto the parent's colour, with every pixel of its
  // top-left pixel's colour replaced by that colour.
  std::unique_ptr<TBitmap> see;
  const auto* bitmap = dynamic_cast<const TBitmap*>(graphic);
  if (FTransparent && bitmap != nullptr) {
    see = std::make_unique<TBitmap>(pw, ph);
    see->Canvas().Brush.Color = canvas.Brush.Color;
    see->Canvas().FillRect(Rect(0, 0, pw, ph));
    const TColor key = bitmap->Pixel(0, 0);
    const TColor fill = ColorToRGB(canvas.Brush.Color);
    for (int32_t y = 0; y < ph; ++y)
      for (int32_t x = 0; x < pw; ++x) {
        const TColor c = bitmap->Pixel(x, y);
        see->SetPixel(x, y, c == key ? fill : c);
      }
  }
  const TGraphic* shown = see != nullptr ? static_cast<const TGraphic*>(see.get()) : graphic;

  if (FTile) {
    for (int32_t y = 0; y < FHeight; y += ph)
      for (int32_t x = 0; x < FWidth; x += pw) canvas.Draw(x, y, shown);
    return;
  }
  const int32_t cx = (FWidth - pw) / 2, cy = (FHeight - ph) / 2;
  if (see != nullptr) {
    // Unscaled; centred when asked, so that no part of the picture is cut off.
    canvas.Draw(FCenter ? cx : 0, FCenter ? cy : 0, shown);
  } else if (FStretch) {
    canvas.StretchDraw(ClientRect(), shown);
  } else if (FCenter) {
    canvas.StretchDraw(Bounds(cx, cy, pw, ph), shown);
  } else {
    canvas.StretchDraw(Rect(0, 0, pw, ph), shown);
  }
}

}  // namespace pictova
