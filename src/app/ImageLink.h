// Lets the framework's image control be the image decoder's attached image: the decoder
// writes into the control's picture bitmap and tells the control when it changed.
#pragma once

#include "imageio/ImageIOLinks.h"
#include "ui/Image.h"

namespace pictova {

// Non-owning: the link must not outlive the image control (the form that holds both frees
// the decoder, and with it every use of the link, before its components).
class TImageLink : public TIOAttachedImage {
 public:
  explicit TImageLink(TImage* image) : FImage(image) {}

  // Asking the picture for its bitmap gives it an empty one when it holds none.
  TBitmap* PictureBitmap() override { return &FImage->Picture().Bitmap(); }
  void BitmapChanged() override { FImage->Picture().Changed(); }

  TImage* Image() const { return FImage; }

 private:
  TImage* FImage;
};

}  // namespace pictova
