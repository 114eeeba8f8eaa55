// A windowless control base that paints through one palette shared by the whole process, so
// that pictures keep their colours on displays of 256 colours or fewer.
#pragma once

#include <array>
#include <cstdint>

#include "ui/Control.h"

namespace pictova {

// One entry of a logical palette: red, green, blue and the entry flags.
struct TPaletteEntry {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  uint8_t Flags = 0;
  bool operator==(const TPaletteEntry&) const = default;
};

// The process's palette: 256 entries of version 0x300, made once from the display's colour
// count and realised on the screen.
struct TSharedPalette {
  static constexpr uint16_t kVersion = 0x300;
  // Bits per pixel x colour planes of the screen below 9 bits give 256, else 16777216.
  int32_t DisplayColors = 0;
  std::array<TPaletteEntry, 256> Entries{};
};

// The display's colour count for bits per pixel x planes.
int32_t DisplayColorCount(int32_t bitsPerPixel, int32_t planes);
// The built-in tables: the 16 standard colours (the other 240 entries black) for a display
// of 16 colours, the 256-colour table for every other count.
std::array<TPaletteEntry, 256> BuiltInPalette(int32_t displayColors);
// The shared palette, made from the current screen on first use and kept until the end of
// the process (or until ResetSharedPalette, for a new platform).
const TSharedPalette& SharedPalette();
void ResetSharedPalette();

class TNeoGraphicControl : public TGraphicControl {
 public:
  explicit TNeoGraphicControl(TComponent* owner);

  // The canvas bound to the surface of the paint message being handled; outside painting,
  // the control's own surface.
  TCanvas& Canvas() override;
  const TSharedPalette* GetPalette() const { return &SharedPalette(); }

 protected:
  void WndProc(TMessage& message) override;
  // Replaced by descendants; empty here.
  void Paint() override {}
  // The palette selected into the bound canvas during the paint message (in the foreground)
  // or by Paint itself (in the background).
  void SelectPalette(bool background);
  bool PaletteSelected() const { return FPaletteSelected; }
  bool PaletteInBackground() const { return FPaletteBackground; }

 private:
  TCanvas* FBound = nullptr;
  bool FPaletteSelected = false;
  bool FPaletteBackground = false;
};

}  // namespace pictova
