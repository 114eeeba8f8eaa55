// Window metrics shared by every backend.
#include "platform/WindowHost.h"

namespace pictova {

TFrameMetrics FrameMetrics(TWindowFrame frame) {
  switch (frame) {
    case wfNone: return {0, 0};
    case wfSingle:
    case wfDialog: return {3, 19};
    case wfSizeable: return {4, 19};
  }
  return {};
}

TWindowFrame FrameFromStyle(uint32_t style, uint32_t exStyle) {
  if (style & WS_THICKFRAME) return wfSizeable;
  if ((exStyle & WS_EX_DLGMODALFRAME) && (style & WS_CAPTION)) return wfDialog;
  if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_DLGFRAME)) return wfSingle;
  return wfNone;
}

}  // namespace pictova
