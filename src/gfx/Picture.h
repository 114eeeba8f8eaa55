// A picture: the holder of an optional graphic, with a change notification for its owner.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace pictova {

class TBitmap;
class TGraphic;

class TPicture {
 public:
  TPicture();
  ~TPicture();
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  // The graphic, or nullptr when the picture holds none. An empty bitmap is still a graphic.
  TGraphic* Graphic() const { return FGraphic.get(); }
  bool HasGraphic() const { return FGraphic != nullptr; }
  // Takes a copy of graphic (nullptr empties the picture).
  void SetGraphic(const TGraphic* graphic);
  // Takes ownership of graphic.
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  void SetGraphic(std::nullptr_t) { SetGraphic(std::unique_ptr<TGraphic>()); }

  // The graphic as a bitmap. A picture without a graphic, or whose graphic is not a
  // bitmap, is given a new empty bitmap first (and OnChange fires).
  TBitmap& Bitmap();

  // Copies the other picture's graphic (nullptr or a picture without one empties this).
  void Assign(const TPicture* source);

  // Size of the graphic; 0 without one.
  int32_t Width() const;
  int32_t Height() const;

  // The owner calls this after editing the graphic in place (drawing on the bitmap).
  void Changed();

  // Fires after every change: a new graphic, an assignment, Bitmap() creating one, Changed().
  std::function<void(TPicture* sender)> OnChange;

 private:
  std::unique_ptr<TGraphic> FGraphic;
};

}  // namespace pictova
