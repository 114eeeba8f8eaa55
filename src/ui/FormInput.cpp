// Input routing of a form: pointer to the control under it (or the one holding the
// button), keys through key preview and dialog keys to the focused control.
#include <algorithm>
#include <functional>

#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Screen.h"

namespace pictova {
namespace {

// The deepest visible, enabled control at a form client point, and the point in its own
// client coordinates.
TControl* DeepestAt(TWinControl* root, TPoint p, TPoint& local) {
  TControl* hit = root;
  local = p;
  for (;;) {
    auto* w = dynamic_cast<TWinControl*>(hit);
    if (w == nullptr) return hit;
    TControl* child = w->ControlAtPos(local, false);
    if (child == nullptr) return hit;
    local = {local.X - child->Left(), local.Y - child->Top()};
    hit = child;
  }
}

}  // namespace

void TForm::DispatchInput(const TInputEvent& e) {
  TMessage m;
  switch (e.Kind) {
    case TInputKind::MouseMove:
      m.Msg = WM_MOUSEMOVE;
      break;
    case TInputKind::MouseDown:
      m.Msg = e.Button == 2 ? WM_RBUTTONDOWN : e.Button == 3 ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
      if (e.Shift & kDoubleClick) m.Msg += 2;  // the ...DBLCLK message
      break;
    case TInputKind::MouseUp:
      m.Msg = e.Button == 2 ? WM_RBUTTONUP : e.Button == 3 ? WM_MBUTTONUP : WM_LBUTTONUP;
      break;
    case TInputKind::MouseLeave:
      m.Msg = WM_MOUSELEAVE;
      break;
    case TInputKind::KeyDown:
      m.Msg = WM_KEYDOWN;
      break;
    case TInputKind::KeyUp:
      m.Msg = WM_KEYUP;
      break;
    case TInputKind::Char:
      m.Msg = WM_CHAR;
      break;
    case TInputKind::Close:
      m.Msg = WM_CLOSE;
      break;
    case TInputKind::SysCommand:
      m.Msg = WM_SYSCOMMAND;
      m.WParam = e.Command;
      break;
    case TInputKind::Resized:
      m.Msg = WM_SIZE;
      m.LParam = MakeMouseLParam(e.X, e.Y);
      break;
    case TInputKind::Activate:
      m.Msg = WM_ACTIVATE;
      m.WParam = 1;
      break;
    case TInputKind::Quit:
      return;  // the application's, not a window's
  }
  switch (e.Kind) {
    case TInputKind::MouseMove:
    case TInputKind::MouseDown:
    case TInputKind::MouseUp:
      m.WParam = e.Shift;
      m.LParam = MakeMouseLParam(e.X, e.Y);
      break;
    case TInputKind::KeyDown:
    case TInputKind::KeyUp:
      m.WParam = e.Key;
      m.LParam = e.Shift;
      break;
    case TInputKind::Char:
      m.WParam = e.Char;
      m.LParam = e.Shift;
      break;
    default:
      break;
  }
  WindowProc(m);
}

void TForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSELEAVE:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_CLOSE:
    case WM_SYSCOMMAND:
    case WM_SIZE:
    case WM_ACTIVATE:
      DefaultHandler(m);
      break;
    default:
      TWinControl::WndProc(m);
  }
}

void TForm::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_CLOSE:
      Close();
      return;
    case WM_SYSCOMMAND:
      switch (m.WParam & 0xFFF0) {
        case SC_CLOSE: Close(); break;
        case SC_MINIMIZE: SetWindowState(wsMinimized); break;
        case SC_MAXIMIZE: SetWindowState(wsMaximized); break;
        case SC_RESTORE: SetWindowState(wsNormal); break;
        // Anything else (the system's request to start its screen saver among them) is the
        // system's to carry out.
        default: FSystemDefault = true; break;
      }
      return;
    case WM_SIZE:
      Realign();
      Invalidate();
      return;
    case WM_ACTIVATE:
      if (OnActivate) OnActivate(this);
      return;
    case WM_MOUSELEAVE:
      SetHover(nullptr);
      return;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      RouteKey(m);
      return;
    default: {
      TInputEvent e;
      e.X = MouseX(m.LParam);
      e.Y = MouseY(m.LParam);
      e.Shift = static_cast<uint8_t>(m.WParam);
      TPoint local;
      TControl* target = FCapture;
      if (target != nullptr) {
        const TPoint o = target->FormOrigin();
        local = {e.X - o.X, e.Y - o.Y};
      } else {
        target = DeepestAt(this, {e.X, e.Y}, local);
      }
      if (FCapture == nullptr) SetHover(target);
      // As with every pointer message on the platform, the pointer takes the shape of the
      // control under it, unless the program set one for the whole screen.
      if (Screen == nullptr || Screen->Cursor() == crDefault) {
        const TCursor shape = target->Cursor();
        if (Platform().Cursor().Shape() != shape) Platform().Cursor().SetShape(shape);
      }
      const bool down = m.Msg == WM_LBUTTONDOWN || m.Msg == WM_RBUTTONDOWN || m.Msg == WM_MBUTTONDOWN ||
                        m.Msg == WM_LBUTTONDBLCLK || m.Msg == WM_RBUTTONDBLCLK || m.Msg == WM_MBUTTONDBLCLK;
      const bool up = m.Msg == WM_LBUTTONUP || m.Msg == WM_RBUTTONUP || m.Msg == WM_MBUTTONUP;
      if (down) {
        if (auto* w = dynamic_cast<TWinControl*>(target); w != nullptr && w != this && w->TabStop() && w->CanFocus())
          SetActiveControl(w);
        if (target->ControlStyle() & csCaptureMouse) FCapture = target;
      }
      TMessage local_m = m;
      local_m.LParam = MakeMouseLParam(local.X, local.Y);
      if (up) FCapture = nullptr;
      if (target == this) {
        TWinControl::WndProc(local_m);
      } else {
        target->Perform(local_m);
      }
      return;
    }
  }
}

void TForm::SetHover(TControl* control) {
  if (control == FHover) return;
  TControl* old = FHover;
  FHover = control;
  if (old != nullptr) {
    TMessage leave{CM_MOUSELEAVE};
    old->Perform(leave);
  }
  if (control != nullptr && FHover == control) {
    TMessage enter{CM_MOUSEENTER};
    control->Perform(enter);
  }
}

std::vector<TWinControl*> TForm::TabList() const {
  std::vector<TWinControl*> list;
  std::function<void(const TWinControl*)> walk = [&](const TWinControl* w) {
    for (TControl* c : w->FControls)
      if (auto* wc = dynamic_cast<TWinControl*>(c)) {
        if (wc->TabStop() && wc->CanFocus()) list.push_back(wc);
        walk(wc);
      }
  };
  walk(this);
  return list;
}

void TForm::FocusNext(bool forward) {
  const std::vector<TWinControl*> list = TabList();
  if (list.empty()) return;
  auto it = std::find(list.begin(), list.end(), FActiveControl);
  size_t i = it == list.end() ? (forward ? list.size() - 1 : 0) : static_cast<size_t>(it - list.begin());
  i = forward ? (i + 1) % list.size() : (i + list.size() - 1) % list.size();
  SetActiveControl(list[i]);
}

void TForm::RouteKey(TMessage& m) {
  const TShiftState shift = static_cast<TShiftState>(m.LParam);
  TWinControl* target = FActiveControl != nullptr ? FActiveControl : this;
  if (m.Msg == WM_KEYDOWN) {
    FSuppressChar = false;
    uint16_t key = static_cast<uint16_t>(m.WParam);
    if (FKeyPreview && target != this) {
      KeyDown(key, shift);
      if (key == 0) return;
    }
    if (key == VK_TAB && !(shift & (kAltKey | kCtrlKey))) {
      FocusNext(!(shift & kShiftKey));
      FSuppressChar = true;
      return;
    }
    if (key == VK_RETURN || key == VK_ESCAPE) {
      // Dialog keys: the focused control first, then every control of the form.
      std::vector<TWinControl*> all;
      std::function<void(TWinControl*)> walk = [&](TWinControl* w) {
        for (TControl* c : w->FControls)
          if (auto* wc = dynamic_cast<TWinControl*>(c)) {
            all.push_back(wc);
            walk(wc);
          }
      };
      walk(this);
      if (FActiveControl != nullptr) {
        all.erase(std::remove(all.begin(), all.end(), FActiveControl), all.end());
        all.insert(all.begin(), FActiveControl);
      }
      for (TWinControl* w : all)
        if (w->Showing() && w->Enabled() && w->DialogKey(key, shift)) {
          FSuppressChar = true;
          return;
        }
    }
    target->KeyDown(key, shift);
    m.WParam = key;
    return;
  }
  if (m.Msg == WM_KEYUP) {
    uint16_t key = static_cast<uint16_t>(m.WParam);
    if (FKeyPreview && target != this) {
      KeyUp(key, shift);
      if (key == 0) return;
    }
    target->KeyUp(key, shift);
    return;
  }
  // WM_CHAR
  if (FSuppressChar) {
    FSuppressChar = false;
    return;
  }
  char ch = static_cast<char>(m.WParam);
  if (FKeyPreview && target != this) {
    KeyPress(ch);
    if (ch == 0) return;
  }
  if (shift & kAltKey) {
    std::vector<TControl*> all;
    std::function<void(TWinControl*)> walk = [&](TWinControl* w) {
      for (TControl* c : w->FControls) {
        all.push_back(c);
        if (auto* wc = dynamic_cast<TWinControl*>(c)) walk(wc);
      }
    };
    walk(this);
    for (TControl* c : all)
      if (c->Showing() && c->DialogChar(ch)) return;
  }
  target->KeyPress(ch);
}

}  // namespace pictova
