// Shared by the picture-show control tests: patterned pictures, bitmap comparison and a form
// holding one control on the headless backend.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "pictureshow/QmPictureShow.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/HeadlessFixture.h"

namespace pictova {

// Every pixel distinct enough that a misplaced copy shows.
inline TBitmap Pattern(int32_t w, int32_t h, int seed) {
  TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      b.SetPixel(x, y, RGB(uint8_t(x * 7 + seed * 40), uint8_t(y * 13 + seed * 90), uint8_t((x ^ y) + seed * 17)));
  return b;
}

inline TBitmap Solid(int32_t w, int32_t h, TColor c) {
  TBitmap b(w, h);
  b.Canvas().Brush.Color = c;
  b.Canvas().FillRect(Rect(0, 0, w, h));
  return b;
}

// Pixels only (row padding ignored).
inline bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int32_t y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), size_t(a.Width()) * 3) != 0) return false;
  return true;
}

// The part of a bitmap in rect (clipped reads are black).
inline TBitmap Crop(const TBitmap& b, const TRect& r) {
  TBitmap out(r.Width(), r.Height());
  for (int32_t y = 0; y < r.Height(); ++y)
    for (int32_t x = 0; x < r.Width(); ++x) out.SetPixel(x, y, b.Pixel(r.Left + x, r.Top + y));
  return out;
}

// A borderless form at the screen's top-left (screen and client coordinates agree) with one
// picture-show of 200 x 100 filling it.
class PictureShowTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    FForm = new TForm(&App());
    FForm->SetBorderStyle(bsNone);
    FForm->SetBounds(0, 0, 200, 100);
    FForm->SetColor(clBlack);
    FShow = new TQmPictureShow(FForm);
    FShow->SetParent(FForm);
    FShow->SetAutoSize(false);
    FShow->SetBounds(0, 0, 200, 100);
    FShow->SetColor(clNavy);
    FShow->SetThreaded(false);
    FForm->Show();
    FForm->PaintInvalid();
  }

  TQmPictureShow& Show() { return *FShow; }
  TForm& Form() { return *FForm; }
  const TBitmap& Screen() { return Headless().ScreenBitmap(); }

  // Shows a picture at once (a cut) and paints it.
  void ShowAtOnce(const TBitmap& picture) {
    const TShowStyle style = FShow->Style();
    FShow->Picture().SetGraphic(&picture);
    FShow->SetStyle(0);
    FShow->Execute();
    App().RunUntil([&] { return !FShow->Busy(); }, Now() + 1000);  // a worker's cut
    FShow->SetStyle(style);
    FShow->Update();
  }

  TForm* FForm = nullptr;
  TQmPictureShow* FShow = nullptr;
};

}  // namespace pictova
