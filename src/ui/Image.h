// Image controls: a picture on the parent, at its size, stretched or centred.
#pragma once

#include "gfx/Picture.h"
#include "ui/Control.h"

namespace pictova {

class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  // Assigning to the picture (or changing its graphic) repaints the control.
  TPicture& Picture() { return FPicture; }
  void SetPicture(const TPicture& picture) { FPicture.Assign(&picture); }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  bool Center() const { return FCenter; }
  void SetCenter(bool value);
  // A transparent bitmap leaves the pixels of its bottom-left pixel's colour unpainted.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);

  // Where the picture goes in client coordinates.
  TRect DestRect() const;

 protected:
  void Paint() override;
  void Resize() override;

 private:
  void PictureChanged();
  void UpdateOpaque();

  TPicture FPicture;
  bool FAutoSize = false;
  bool FStretch = false;
  bool FCenter = false;
  bool FTransparent = false;
};

}  // namespace pictova
