// The shared palette and the paint message of the windowless palette-aware control.
#include "controls/Neograph.h"

#include <memory>

#include "platform/Platform.h"

namespace pictova {

namespace {

constexpr TPaletteEntry kStandard16[16] = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0}, {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128},   {128, 128, 128}, {192, 192, 192}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

// The first 16 entries of the 256-colour table: the display's static colours in their
// usual order (silver before grey), then the seven full colours and white.
constexpr TPaletteEntry kHead256[16] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0}, {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255},   {255, 255, 255},
};

// The last 13: light greys down to grey 128, then the full colours and white again, so that
// the colours a system palette keeps at both ends stay where the system expects them.
constexpr TPaletteEntry kTail256[13] = {
    {240, 240, 240}, {220, 220, 220}, {200, 200, 200}, {180, 180, 180}, {160, 160, 160},
    {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},   {0, 0, 255},
    {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

std::array<TPaletteEntry, 256> Table256() {
  std::array<TPaletteEntry, 256> t{};
  size_t n = 0;
  for (const TPaletteEntry& e : kHead256) t[n++] = e;
  // A 6 x 6 x 6 colour cube covers the photographs' colours evenly.
  constexpr uint8_t kLevels[6] = {0, 51, 102, 153, 204, 255};
  for (uint8_t r : kLevels)
    for (uint8_t g : kLevels)
      for (uint8_t b : kLevels) t[n++] = {r, g, b, 0};
  // A blue ramp and blue-white tints for skies.
  for (int b = 195; b <= 255; b += 12) t[n++] = {0, 0, static_cast<uint8_t>(b), 0};
  for (int i = 0; i < 5; ++i) t[n++] = {static_cast<uint8_t>(23 + 56 * i), static_cast<uint8_t>(23 + 57 * i), 255, 0};
  for (const TPaletteEntry& e : kTail256) t[n++] = e;
  return t;
}

std::unique_ptr<TSharedPalette>& Shared() {
  // One palette per process, like the system object it stands for.
  static std::unique_ptr<TSharedPalette> palette;
  return palette;
}

}  // namespace

int32_t DisplayColorCount(int32_t bitsPerPixel, int32_t planes) {
  return bitsPerPixel * planes < 9 ? 256 : 16777216;
}

std::array<TPaletteEntry, 256> BuiltInPalette(int32_t displayColors) {
  if (displayColors != 16) return Table256();
  std::array<TPaletteEntry, 256> t{};
  for (size_t i = 0; i < 16; ++i) t[i] = kStandard16[i];
  return t;
}

const TSharedPalette& SharedPalette() {
  std::unique_ptr<TSharedPalette>& shared = Shared();
  if (!shared) {
    auto p = std::make_unique<TSharedPalette>();
    p->DisplayColors = DisplayColorCount(Platform().Screen().BitsPerPixel(), 1);
    // The entries that the built-in table leaves as they are would come from the system
    // palette with their flags cleared; every table here sets all 256.
    p->Entries = BuiltInPalette(p->DisplayColors);
    shared = std::move(p);
  }
  return *shared;
}

void ResetSharedPalette() { Shared().reset(); }

TNeoGraphicControl::TNeoGraphicControl(TComponent* owner) : TGraphicControl(owner) {}

TCanvas& TNeoGraphicControl::Canvas() { return FBound != nullptr ? *FBound : TGraphicControl::Canvas(); }

void TNeoGraphicControl::SelectPalette(bool background) {
  // Our surfaces hold 24-bit pixels, so the palette changes no colour drawn here; what
  // is selected is kept so that a palette device could map through it.
  (void)SharedPalette();
  FPaletteSelected = true;
  FPaletteBackground = background;
}

void TNeoGraphicControl::WndProc(TMessage& message) {
  if (message.Msg != WM_PAINT) {
    TGraphicControl::WndProc(message);
    return;
  }
  auto* canvas = reinterpret_cast<TCanvas*>(message.WParam);
  if (canvas == nullptr) return;
  struct TUnbind {
    TNeoGraphicControl* Control;
    ~TUnbind() {
      Control->FBound = nullptr;
      Control->FPaletteSelected = false;
    }
  } unbind{this};
  FBound = canvas;
  SelectPalette(false);
  Paint();
}

}  // namespace pictova
