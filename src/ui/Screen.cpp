// The screen as the program sees it.
#include "ui/Screen.h"

#include <memory>

#include "platform/Platform.h"

namespace pictova {

TScreen* Screen = nullptr;
TMouse* Mouse = nullptr;

int32_t TScreen::Width() const { return Platform().Screen().Width(); }
int32_t TScreen::Height() const { return Platform().Screen().Height(); }
int32_t TScreen::PixelsPerInch() const { return Platform().Screen().PixelsPerInch(); }

void TScreen::SetCursor(TCursor cursor) {
  FCursor = cursor;
  Platform().Cursor().SetShape(cursor);
}

TPoint TMouse::CursorPos() const {
  TPoint p;
  Platform().Cursor().GetPos(p.X, p.Y);
  return p;
}

int ShowCursor(bool show) { return Platform().Cursor().ShowCursor(show); }

void CreateScreen() {
  Screen = new TScreen();
  Mouse = new TMouse();
}

void DestroyScreen() {
  delete Screen;
  delete Mouse;
  Screen = nullptr;
  Mouse = nullptr;
}

}  // namespace pictova
