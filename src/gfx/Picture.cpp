// A picture: the holder of an optional graphic, with a change notification for its owner.
#include "gfx/Picture.h"

#include "gfx/Bitmap.h"

namespace pictova {

TPicture::TPicture() = default;

TPicture::~TPicture() = default;

void TPicture::SetGraphic(const TGraphic* graphic) {
  SetGraphic(graphic ? graphic->Clone() : std::unique_ptr<TGraphic>());
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  // A graphic given back to its own picture is already there.
  if (graphic && graphic.get() == FGraphic.get()) {
    (void)graphic.release();
    Changed();
    return;
  }
  FGraphic = std::move(graphic);
  Changed();
}

TBitmap& TPicture::Bitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(FGraphic.get())) return *bitmap;
  auto bitmap = std::make_unique<TBitmap>();
  TBitmap& result = *bitmap;
  SetGraphic(std::move(bitmap));
  return result;
}

void TPicture::Assign(const TPicture* source) {
  if (source == this) return;
  SetGraphic(source ? source->Graphic() : nullptr);
}

int32_t TPicture::Width() const { return FGraphic ? FGraphic->Width() : 0; }

int32_t TPicture::Height() const { return FGraphic ? FGraphic->Height() : 0; }

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

}  // namespace pictova
