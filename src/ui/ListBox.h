// List boxes: a column of text items with one selected.
#pragma once

#include "rtl/Classes.h"
#include "ui/WinControl.h"

namespace pictova {

class TListBox : public TWinControl {
 public:
  explicit TListBox(TComponent* owner);

  // The items; call Changed() after editing them in place.
  TStringList& Items() { return FItems; }
  void Changed();
  bool Sorted() const { return FSorted; }
  void SetSorted(bool value);
  // -1 when nothing is selected.
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int index);
  int TopIndex() const { return FTopIndex; }
  void SetTopIndex(int index);
  int32_t ItemHeight() const;
  // The item under a client point, or -1.
  int ItemAtPos(TPoint p) const;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;

 private:
  void Sort();

  TStringList FItems;
  bool FSorted = false;
  int FItemIndex = -1;
  int FTopIndex = 0;
};

}  // namespace pictova
