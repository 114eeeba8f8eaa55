// Panels: a bevelled, opaque container with an optional caption.
#pragma once

#include "ui/WinControl.h"

namespace pictova {

enum TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner);

  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut value);
  int32_t BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int32_t value);
  int32_t BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int32_t value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);

  // Aligned children stay inside the bevels and the border.
  TRect AlignRect() const override;

 protected:
  void Paint() override;

 private:
  void Changed();

  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  int32_t FBevelWidth = 1;
  int32_t FBorderWidth = 0;
  TAlignment FAlignment = taCenter;
};

}  // namespace pictova
