// Controls: bounds, alignment, visibility, colour, font, mouse events and painting.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Font.h"
#include "platform/Cursor.h"
#include "ui/Component.h"
#include "ui/Messages.h"

namespace pictova {

class TWinControl;
class TForm;

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// Shift state: the platform's input bits (kShiftKey, kCtrlKey, kAltKey, kLeftButton, ...).
using TShiftState = uint8_t;

enum TControlStyleFlag : uint32_t {
  csAcceptsControls = 0x01, csCaptureMouse = 0x02, csClickEvents = 0x08, csFramed = 0x10,
  csSetCaption = 0x20, csOpaque = 0x40, csDoubleClicks = 0x80,
};

using TNotifyEvent = std::function<void(TComponent* sender)>;
using TMouseEvent =
    std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int32_t x, int32_t y)>;

// Every control is drawn by the framework into its form's back buffer. A control paints in
// its own coordinates: Canvas() during Paint has its origin at the control's top-left
// corner and is clipped to the control's bounds.
class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* parent);
  // The form this control is on (itself for a form), or nullptr.
  TForm* ParentForm() const;

  int32_t Left() const { return FLeft; }
  int32_t Top() const { return FTop; }
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  void SetLeft(int32_t v) { SetBounds(v, FTop, FWidth, FHeight); }
  void SetTop(int32_t v) { SetBounds(FLeft, v, FWidth, FHeight); }
  void SetWidth(int32_t v) { SetBounds(FLeft, FTop, v, FHeight); }
  void SetHeight(int32_t v) { SetBounds(FLeft, FTop, FWidth, v); }
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  virtual TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
  int32_t ClientWidth() const { return ClientRect().Width(); }
  int32_t ClientHeight() const { return ClientRect().Height(); }
  virtual void SetClientSize(int32_t width, int32_t height);
  void SetClientWidth(int32_t w) { SetClientSize(w, ClientHeight()); }
  void SetClientHeight(int32_t h) { SetClientSize(ClientWidth(), h); }
  // The control's client origin in its form's client coordinates, and in screen coordinates.
  TPoint FormOrigin() const;
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign align);
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible itself and every parent up to a shown form.
  virtual bool Showing() const;
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool enabled);

  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor cursor) { FCursor = cursor; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value) { FShowHint = value; }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& hint) { FHint = hint; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption);
  uint32_t ControlStyle() const { return FControlStyle; }
  void SetControlStyle(uint32_t style) { FControlStyle = style; }

  // Marks the whole control, or a rectangle of it (control coordinates), for repainting
  // when the loop is idle. No background erase happens for csOpaque controls.
  void Invalidate();
  void InvalidateRect(const TRect& rect);
  // Paints whatever is invalid on the control's form now.
  void Update();
  void Repaint() {
    Invalidate();
    Update();
  }
  void BringToFront();
  void SendToBack();

  // The drawing surface while the control paints (see the class comment).
  virtual TCanvas& Canvas();

  // Scales position, size and font by m/d (form scaling).
  virtual void ChangeScale(int32_t m, int32_t d);

  // Every message reaches the control through WindowProc, which starts as WndProc;
  // replacing it hooks the control's messages (call the saved one to pass them on).
  std::function<void(TMessage&)> WindowProc;
  void Perform(TMessage& message) { WindowProc(message); }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnResize;

 protected:
  virtual void WndProc(TMessage& message);
  virtual void Paint() {}
  // An opaque control whose client is exactly a bitmap it keeps, of the client's size and drawn
  // 1:1, can hand that bitmap over: the painter copies the part being painted straight into
  // the form's back buffer, and no paint message is sent.
  virtual const TBitmap* PaintedPixels() { return nullptr; }
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  virtual void MouseMove(TShiftState shift, int32_t x, int32_t y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void Resize();
  virtual void TextChanged() { Invalidate(); }
  // Alt + a character reaches every control; one whose accelerator it is acts and says so.
  virtual bool DialogChar(char key) { return false; }
  virtual void FontChanged() { Invalidate(); }
  // The parent's colour or font changed: follow it when ParentColor / ParentFont is set.
  virtual void ParentColorChanged();
  virtual void ParentFontChanged();
  void SetBoundsQuietly(int32_t left, int32_t top, int32_t width, int32_t height);
  // The colour of the nearest opaque ancestor (what lies behind a transparent control).
  TColor ParentBackgroundColor() const;

  int32_t FLeft = 0;
  int32_t FTop = 0;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  TWinControl* FParent = nullptr;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clBtnFace;
  bool FParentColor = true;
  TFont FFont;
  bool FParentFont = true;
  TCursor FCursor = crDefault;
  bool FShowHint = false;
  std::string FHint;
  std::string FCaption;
  uint32_t FControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  bool FMouseInside = false;
  bool FClicking = false;  // the left button went down on this control

 private:
  friend class TWinControl;
  friend class TForm;
  friend class TPainter;
  TBitmap FPaintBitmap;  // the control's drawing surface while it paints
};

// Whether key is the accelerator of caption: the character after its first single "&"
// ("&&" stands for "&" itself), letters in either case.
bool IsAccel(char key, const std::string& caption);

// A control without a window of its own that paints on its parent (csOpaque optional).
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
};

}  // namespace pictova
