// The screen as the program sees it: metrics, the cursor shape, the show-cursor counter.
#pragma once

#include "platform/Cursor.h"
#include "gfx/Types.h"

namespace pictova {

class TScreen {
 public:
  int32_t Width() const;
  int32_t Height() const;
  int32_t PixelsPerInch() const;
  // The cursor shape for the whole program (crDefault lets the controls choose).
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor cursor);

 private:
  TCursor FCursor = crDefault;
};

// Exists while the Application exists.
extern TScreen* Screen;

class TMouse {
 public:
  TPoint CursorPos() const;
};
extern TMouse* Mouse;

// One step of the platform's show-cursor counter; returns the new count.
int ShowCursor(bool show);

// Framework internals: made and freed with the Application.
void CreateScreen();
void DestroyScreen();

}  // namespace pictova
