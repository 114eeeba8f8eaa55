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

bool ShowWindowByParams(IPlatformWindow* window, bool show) {
  if (window == nullptr) return false;
  TWindowParams p = window->Params();
  const bool was = p.Visible;
  p.Visible = show;
  p.Style = show ? (p.Style | WS_VISIBLE) : (p.Style & ~WS_VISIBLE);
  window->SetParams(p);
  return was;
}

int32_t WindowLongOfParams(const IPlatformWindow* window, int index) {
  if (window == nullptr) return 0;
  return static_cast<int32_t>(index == GWL_EXSTYLE ? window->Params().ExStyle : window->Params().Style);
}

bool ApplyWindowLong(TWindowParams& params, int index, int32_t value, int32_t& previous) {
  if (index != GWL_STYLE && index != GWL_EXSTYLE) return false;
  uint32_t& field = index == GWL_EXSTYLE ? params.ExStyle : params.Style;
  previous = static_cast<int32_t>(field);
  field = static_cast<uint32_t>(value);
  // A new style brings the border it describes, as on the real platform.
  params.Frame = FrameFromStyle(params.Style, params.ExStyle);
  if (index == GWL_STYLE) params.Enabled = (params.Style & WS_DISABLED) == 0;
  return true;
}

}  // namespace pictova
