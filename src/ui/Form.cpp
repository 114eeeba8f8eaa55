// Forms: window parameters, showing, closing, the modal loop and input routing.
#include "ui/Form.h"

#include <algorithm>

#include "rtl/Math.h"
#include "rtl/SysUtils.h"
#include "ui/Application.h"

namespace pictova {

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  FVisible = false;
  FParentColor = false;
  FParentFont = false;
  FColor = clBtnFace;
  SetBoundsQuietly(0, 0, 320, 240);
  FRestoredBounds = BoundsRect();
  FFont.SetPixelsPerInch(Platform().Screen().PixelsPerInch());
  if (Application != nullptr) Application->RegisterForm(this);
}

TForm::~TForm() {
  Destroying();
  if (OnDestroy) SafeCall([this] { OnDestroy(this); });
  DestroyComponents();
  FWindow.reset();
  if (Application != nullptr) Application->UnregisterForm(this);
}

void TForm::InitializeForm() {
  BeginLoading();
  Describe();
  LoadedTree();
  Realign();
  const bool show = FVisible;
  FVisible = false;
  DoCreate();
  if (show && !IsDestroying()) Show();
}

std::string TForm::NameClash(const std::string& name) {
  for (int i = 1;; ++i) {
    const std::string candidate = name + "_" + std::to_string(i);
    if (Owner() == nullptr || Owner()->FindComponent(candidate) == nullptr) return candidate;
  }
}

void TForm::DoCreate() {
  if (OnCreate) SafeCall([this] { OnCreate(this); });
}
void TForm::DoShow() {
  if (OnShow) SafeCall([this] { OnShow(this); });
}
void TForm::DoHide() {
  if (OnHide) SafeCall([this] { OnHide(this); });
}

// ---- window parameters ----

TRect TForm::MaximizedBounds() const {
  const int32_t sw = Platform().Screen().Width(), sh = Platform().Screen().Height();
  const TFrameMetrics m = FrameMetrics(MakeParams().Frame);
  // The border of a maximised window lies outside the screen; its caption stays visible.
  return Rect(-m.Border, -m.Border, sw + m.Border, sh + m.Border);
}

TWindowParams TForm::MakeParams() const {
  TWindowParams p;
  if (FWindow != nullptr) p = FWindow->Params();
  p.Caption = FCaption;
  p.Bounds = BoundsRect();
  p.Visible = FVisible;
  p.Enabled = FEnabled && (p.Enabled || FWindow == nullptr);
  p.TopMost = FFormStyle == fsStayOnTop;
  p.Maximized = FWindowState == wsMaximized;
  p.Parent = FParentWindow;
  if (FWindow == nullptr) StyleFor(p.Style, p.ExStyle);
  if (FFormStyle == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
  p.Style = FVisible ? (p.Style | WS_VISIBLE) : (p.Style & ~WS_VISIBLE);
  p.Frame = FrameFromStyle(p.Style, p.ExStyle);
  return p;
}

uintptr_t TForm::Handle() {
  if (FWindow == nullptr) {
    FWindow = Platform().Windows().CreateWindow(MakeParams());
    FWindow->SyncHandler = [this](uint32_t msg, uintptr_t wParam, intptr_t lParam, intptr_t& result) {
      return AnswerAtOnce(msg, wParam, lParam, result);
    };
  }
  return FWindow->Handle();
}

bool TForm::AnswerAtOnce(uint32_t msg, uintptr_t wParam, intptr_t lParam, intptr_t& result) {
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  FSystemDefault = false;
  try {
    WindowProc(m);
  } catch (...) {
    // Nothing may escape into the system's call; the system's own handling applies.
    return false;
  }
  result = m.Result;
  return !FSystemDefault;
}

void TForm::UpdateWindow() {
  if (IsLoading()) return;
  if (FWindow == nullptr) {
    if (!FVisible) return;
    Handle();
  } else {
    FWindow->SetParams(MakeParams());
  }
}

void TForm::StyleFor(uint32_t& style, uint32_t& exStyle) const {
  style = 0;
  exStyle = 0;
  switch (FBorderStyle) {
    case bsNone: style = WS_POPUP; break;
    case bsSingle:
    case bsToolWindow: style = WS_CAPTION; break;
    case bsSizeable:
    case bsSizeToolWin: style = WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog: style = WS_CAPTION; exStyle = WS_EX_DLGMODALFRAME; break;
  }
  if (FBorderStyle != bsNone && (FBorderIcons & biSystemMenu)) style |= WS_SYSMENU;
  if (FBorderIcons & biMinimize) style |= WS_MINIMIZEBOX;
  if (FBorderIcons & biMaximize) style |= WS_MAXIMIZEBOX;
  if (FParentWindow != 0) style |= WS_CHILD;
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == FBorderStyle) return;
  FBorderStyle = style;
  if (FWindow != nullptr) {
    // A new border style means new window styles, as when the window is recreated.
    TWindowParams p = FWindow->Params();
    StyleFor(p.Style, p.ExStyle);
    p.Frame = FrameFromStyle(p.Style, p.ExStyle);
    FWindow->SetParams(p);
  }
  if (FWindowState == wsMaximized) {
    const TRect m = MaximizedBounds();
    SetBoundsQuietly(m.Left, m.Top, m.Width(), m.Height());
  }
  UpdateWindow();
  Realign();
  Invalidate();
}

void TForm::SetBorderIcons(TBorderIcons icons) { FBorderIcons = icons; }

void TForm::SetWindowState(TWindowState state) {
  if (state == FWindowState) return;
  if (FWindowState == wsNormal) FRestoredBounds = BoundsRect();
  FWindowState = state;
  if (state == wsMaximized) {
    const TRect m = MaximizedBounds();
    TWinControl::SetBounds(m.Left, m.Top, m.Width(), m.Height());
  } else if (state == wsNormal) {
    TWinControl::SetBounds(FRestoredBounds.Left, FRestoredBounds.Top, FRestoredBounds.Width(),
                           FRestoredBounds.Height());
  }
  UpdateWindow();
  Invalidate();
}

void TForm::SetFormStyle(TFormStyle style) {
  if (style == FFormStyle) return;
  FFormStyle = style;
  UpdateWindow();
  if (style == fsStayOnTop && FWindow != nullptr) FWindow->BringToFront();
}

void TForm::SetPosition(TPosition position) { FPosition = position; }

TRect TForm::ClientRect() const {
  if (FWindow != nullptr) {
    int32_t w = 0, h = 0;
    FWindow->ClientSize(w, h);
    return Rect(0, 0, w, h);
  }
  const TFrameMetrics m = FrameMetrics(MakeParams().Frame);
  return Rect(0, 0, std::max(FWidth - 2 * m.Border, 0), std::max(FHeight - 2 * m.Border - m.Caption, 0));
}

void TForm::SetClientSize(int32_t width, int32_t height) {
  const TFrameMetrics m = FrameMetrics(MakeParams().Frame);
  SetBounds(FLeft, FTop, width + 2 * m.Border, height + 2 * m.Border + m.Caption);
}

void TForm::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  const bool same = left == FLeft && top == FTop && std::max(width, 0) == FWidth && std::max(height, 0) == FHeight;
  TWinControl::SetBounds(left, top, width, height);
  if (FWindowState == wsNormal) FRestoredBounds = BoundsRect();
  if (!same) {
    UpdateWindow();
    Realign();
    Invalidate();
  }
}

void TForm::SetVisible(bool visible) {
  if (IsLoading()) {
    FVisible = visible;
    return;
  }
  if (visible == FVisible) return;
  FVisible = visible;
  if (visible) {
    PlaceOnShow();
    UpdateWindow();
    Realign();
    DoShow();
    if (FWindow != nullptr) FWindow->BringToFront();
    Invalidate();
  } else {
    FCapture = nullptr;
    SetHover(nullptr);
    UpdateWindow();
    DoHide();
  }
}

bool TForm::Showing() const { return FVisible; }

void TForm::PlaceOnShow() {
  if (FPlaced) return;
  FPlaced = true;
  if (FPosition == poScreenCenter && FWindowState == wsNormal && FParentWindow == 0) {
    const int32_t sw = Platform().Screen().Width(), sh = Platform().Screen().Height();
    TWinControl::SetBounds((sw - FWidth) / 2, (sh - FHeight) / 2, FWidth, FHeight);
    FRestoredBounds = BoundsRect();
  }
}

void TForm::ScaleBy(int32_t m, int32_t d) {
  if (m == d || d == 0) return;
  for (TControl* c : FControls) c->ChangeScale(m, d);
  auto keep = std::move(FFont.OnChange);
  FFont.SetHeight(MulDiv(FFont.Height(), m, d));
  FFont.OnChange = std::move(keep);
  FontChanged();
  Invalidate();
}

void TForm::SetParentWindow(uintptr_t handle) {
  if (handle == FParentWindow) return;
  FParentWindow = handle;
  if (FWindow != nullptr) {
    TWindowParams p = FWindow->Params();
    p.Parent = handle;
    FWindow->SetParams(p);
  }
  UpdateWindow();
  Invalidate();
}

bool TForm::Active() const {
  return FWindow != nullptr && FVisible && Platform().Windows().GetForegroundWindow() == FWindow->Handle();
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl) return;
  if (control != nullptr && (!ContainsControl(control) || !control->CanFocus()))
    throw Exception("Cannot focus a disabled or invisible window");
  TWinControl* old = FActiveControl;
  FActiveControl = control;
  if (old != nullptr) SafeCall([old] { old->DoExit(); });
  if (control != nullptr) SafeCall([control] { control->DoEnter(); });
}

void TForm::ForgetControl(TControl* control, bool) {
  auto within = [control](TControl* c) {
    for (; c != nullptr; c = c->Parent())
      if (c == control) return true;
    return false;
  };
  if (within(FCapture)) FCapture = nullptr;
  if (within(FHover)) FHover = nullptr;
  if (within(FActiveControl)) FActiveControl = nullptr;
}

// ---- closing and the modal loop ----

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application != nullptr && Application->MainForm() == this) {
    Application->MainFormClosed(this);
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

TModalResult TForm::ShowModal() {
  if (FVisible || FModal) throw Exception("Cannot make a visible window modal");
  if (Application == nullptr) throw Exception("No application");
  std::vector<TForm*> disabled;
  for (TForm* f : Application->Forms())
    if (f != this && f->FVisible && f->FWindow != nullptr && f->FWindow->Params().Enabled) {
      TWindowParams p = f->FWindow->Params();
      p.Enabled = false;
      f->FWindow->SetParams(p);
      disabled.push_back(f);
    }
  auto restore = [&disabled] {
    for (TForm* f : disabled) {
      if (Application == nullptr) break;
      const auto& forms = Application->Forms();
      if (std::find(forms.begin(), forms.end(), f) == forms.end() || f->FWindow == nullptr) continue;
      TWindowParams p = f->FWindow->Params();
      p.Enabled = true;
      f->FWindow->SetParams(p);
    }
  };
  FModal = true;
  FModalResult = mrNone;
  Application->EnterModal();
  try {
    Show();
    while (FModalResult == mrNone) {
      Application->HandleMessage();
      if (Application->Terminated()) {
        FModalResult = mrCancel;
      } else if (FModalResult != mrNone) {
        // Closing a modal form still asks OnCloseQuery and OnClose.
        TCloseAction action = caNone;
        if (CloseQuery()) {
          action = caHide;
          if (OnClose) OnClose(this, action);
        }
        if (action == caNone) FModalResult = mrNone;
        if (action == caFree) Release();
      }
    }
  } catch (...) {
    Application->LeaveModal();
    FModal = false;
    restore();
    throw;
  }
  Application->LeaveModal();
  FModal = false;
  Hide();
  restore();
  return FModalResult;
}

void TForm::Release() {
  if (Application != nullptr) Application->ReleaseLater(this);
}

// ---- invalidation ----

void TForm::InvalidateFormRect(const TRect& rect, bool) {
  TRect r = IntersectRect(rect, ClientRect());
  if (r.IsEmpty()) return;
  // Merge with every rectangle it touches; past a handful, keep only the bounding box.
  for (size_t i = 0; i < FDirty.size();) {
    const TRect& d = FDirty[i];
    const bool touch = r.Left <= d.Right && d.Left <= r.Right && r.Top <= d.Bottom && d.Top <= r.Bottom;
    if (touch) {
      r = UnionRect(r, d);
      FDirty.erase(FDirty.begin() + static_cast<ptrdiff_t>(i));
      i = 0;
    } else {
      ++i;
    }
  }
  FDirty.push_back(r);
  if (FDirty.size() > 16) {
    TRect all = FDirty[0];
    for (const TRect& d : FDirty) all = UnionRect(all, d);
    FDirty.assign(1, all);
  }
}

void TForm::Paint() {
  if (OnPaint) OnPaint(this);
}

}  // namespace pictova
