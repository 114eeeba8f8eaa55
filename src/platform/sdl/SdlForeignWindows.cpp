// Windows of other programs on the X server (the preview area of a settings dialog,
// XScreenSaver's window): whether an id names one. SDL cannot tell, and wrapping a window
// that does not exist would end the process in Xlib's default error handler.
#include <cstdint>

#ifdef PICTOVA_HAVE_X11
#include <X11/Xlib.h>
#endif

namespace pictova {

#ifdef PICTOVA_HAVE_X11
namespace {
int IgnoreXError(Display*, XErrorEvent*) { return 0; }
}  // namespace

bool ForeignWindowExists(uintptr_t id) {
  if (id == 0 || id > 0xFFFFFFFFu) return false;  // X ids are 29-bit values
  // A connection of its own, so that SDL's is never held up or handed a stray error.
  static Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XSync(display, False);
  const auto previous = XSetErrorHandler(IgnoreXError);
  XWindowAttributes attributes;
  const bool exists = XGetWindowAttributes(display, static_cast<Window>(id), &attributes) != 0;
  XSync(display, False);
  XSetErrorHandler(previous);
  return exists;
}
#else
// Without Xlib at hand every id is taken on trust.
bool ForeignWindowExists(uintptr_t id) { return id != 0; }
#endif

}  // namespace pictova
