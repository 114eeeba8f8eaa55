// The per-image parameters record and the JPEG marker list.
#include "imageio/ImageParams.h"

#include "imageio/FormatRegistry.h"
#include "imageio/ImageIO.h"

namespace pictova {

TJpegMarkerList& TJpegMarkerList::operator=(const TJpegMarkerList& other) {
  if (this == &other) return *this;
  std::vector<TItem> copy;
  copy.reserve(other.FItems.size());
  for (const TItem& item : other.FItems) {
    TItem dup;
    dup.Code = item.Code;
    dup.Data = std::make_unique<TMemoryStream>(item.Data->Data());
    copy.push_back(std::move(dup));
  }
  FItems.swap(copy);
  return *this;
}

int TJpegMarkerList::IndexOf(uint8_t code) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Code == code) return static_cast<int>(i);
  return -1;
}

void TJpegMarkerList::AddMarker(uint8_t code, const uint8_t* data, int32_t length) {
  TItem item;
  item.Code = code;
  item.Data = std::make_unique<TMemoryStream>();
  if (length > 0) item.Data->WriteBuffer(data, length);
  item.Data->SetPosition(0);
  FItems.push_back(std::move(item));
}

TImageParams::TImageParams(TImageIO* owner) : FOwner(owner) {
  if (owner) {
    if (const TBitmap* target = owner->Bitmap()) {
      Width = target->Width();
      Height = target->Height();
    }
    if (const TIOAttachedView* view = owner->AttachedView()) {
      DpiX = view->DpiX();
      DpiY = view->DpiY();
    }
  }
  const TLzwHooks hooks = FormatRegistry().LzwHooks();
  GifDecodeHook = hooks.GifDecode;
  GifEncodeHook = hooks.GifEncode;
  TiffDecodeHook = hooks.TiffDecode;
  TiffEncodeHook = hooks.TiffEncode;
  TgaDate = Date();
}

}  // namespace pictova
