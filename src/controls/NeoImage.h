// An image control on the shared palette: a picture, optionally with the colour of its
// top-left pixel made transparent, centred, stretched or tiled.
#pragma once

#include "controls/Neograph.h"
#include "gfx/Picture.h"

namespace pictova {

class TNeoImage : public TNeoGraphicControl {
 public:
  explicit TNeoImage(TComponent* owner);
  ~TNeoImage() override;

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool Center() const { return FCenter; }
  void SetCenter(bool value);
  // Assigning copies the picture; editing it in place and calling Changed() does the same.
  TPicture& Picture() { return FPicture; }
  void SetPicture(const TPicture& picture) { FPicture.Assign(&picture); }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  // Tiling turns AutoSize off.
  bool Tile() const { return FTile; }
  void SetTile(bool value);
  // The pixels of the colour of the picture's top-left pixel show the parent's colour.
  // The transparent picture is drawn unscaled: at the top-left corner, or centred.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);

 protected:
  void Paint() override;

 private:
  void PictureChanged();

  bool FAutoSize = false;
  bool FCenter = false;
  TPicture FPicture;
  bool FStretch = false;
  bool FTile = false;
  bool FTransparent = false;
};

}  // namespace pictova
