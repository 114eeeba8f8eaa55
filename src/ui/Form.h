// Forms: the top-level windows, their back buffer, close protocol and modal loop.
#pragma once

#include <memory>
#include <vector>

#include "platform/WindowHost.h"
#include "ui/WinControl.h"

namespace pictova {

enum TFormBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : uint8_t { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = uint8_t;
enum TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle : uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition : uint8_t { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
enum TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                       mrYes = 6, mrNo = 7, mrAll = 8;

using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TComponent* sender, bool& canClose)>;

class TButtonControl;

// A form is built in three steps (see NewForm): its description creates the components
// and sets their properties in order, then Loaded runs on every component, then OnCreate.
class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  // Builds a form of class T: description, Loaded, OnCreate (an exception there goes to
  // Application's HandleException and creation goes on), then shows it if the description
  // made it visible.
  template <class T, class... Args>
  static T* Create(TComponent* owner, Args&&... args) {
    auto form = std::make_unique<T>(owner, std::forward<Args>(args)...);
    form->InitializeForm();
    return form.release();  // owned by `owner` (or by the caller when owner is null)
  }

  const std::string& Caption() const { return FCaption; }
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons icons);
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState state);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle style);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition position);
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool value) { FKeyPreview = value; }
  bool Scaled() const { return FScaled; }
  void SetScaled(bool value) { FScaled = value; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult result) { FModalResult = result; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* control);
  // Whether the form's window has the keyboard.
  bool Active() const;

  TRect ClientRect() const override;
  void SetClientSize(int32_t width, int32_t height) override;
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  void SetVisible(bool visible) override;
  bool Showing() const override;
  // Scales the contents (children's bounds and fonts) by m/d; the form keeps its size.
  void ScaleBy(int32_t m, int32_t d);

  // Makes the form live inside a foreign window (0: back to a top-level window). Left and
  // Top are then relative to the parent's client area.
  void SetParentWindow(uintptr_t handle);
  uintptr_t ParentWindow() const { return FParentWindow; }
  // The platform window's handle; creates the window if needed.
  uintptr_t Handle();
  bool HandleAllocated() const { return FWindow != nullptr; }
  IPlatformWindow* PlatformWindow() const { return FWindow.get(); }

  // Close asks CloseQuery (OnCloseQuery) and then OnClose; a modal form gets mrCancel, the
  // main form ends the application, others hide (or are freed with caFree).
  void Close();
  virtual bool CloseQuery();
  // Shows the form modally: other forms are disabled and a nested message loop runs until
  // ModalResult is set (or the application terminates). Returns ModalResult.
  TModalResult ShowModal();
  bool Modal() const { return FModal; }
  // Frees the form once the loop gets back to idle.
  void Release();

  // The canvas of the back buffer (the form's own OnPaint draws here).
  TCanvas& Canvas() override;
  const TBitmap& BackBuffer() const { return FBackBuffer; }
  // Invalidation in form client coordinates, and the painting of everything invalid.
  void InvalidateFormRect(const TRect& rect, bool erase);
  bool HasInvalid() const { return !FDirty.empty(); }
  void PaintInvalid();

  // Delivers a platform event that belongs to this form's window.
  void DispatchInput(const TInputEvent& event);
  // Drops every reference to a control (and its children) that is going away or hiding.
  void ForgetControl(TControl* control, bool destroying);

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

 protected:
  // The form description: creates the components and sets their properties, in order.
  virtual void Describe() {}
  virtual void DoCreate();
  virtual void DoShow();
  virtual void DoHide();
  void WndProc(TMessage& message) override;
  void Paint() override;
  void InitializeForm();
  // A second form of a class under the same owner is named Name_1, Name_2, ...
  std::string NameClash(const std::string& name) override;

 private:
  friend class TApplication;
  friend class TControl;
  void UpdateWindow();
  TWindowParams MakeParams() const;
  void StyleFor(uint32_t& style, uint32_t& exStyle) const;
  TRect MaximizedBounds() const;
  void RouteMouse(const TInputEvent& event);
  void RouteKey(TMessage& message);
  void SetHover(TControl* control);
  void PlaceOnShow();
  void DefaultHandler(TMessage& message);
  // A message the system wants answered at once, run through WindowProc; false when it
  // reached the default handling that is the system's.
  bool AnswerAtOnce(uint32_t msg, uintptr_t wParam, intptr_t lParam, intptr_t& result);
  void FocusNext(bool forward);
  std::vector<TWinControl*> TabList() const;

  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
  TWindowState FWindowState = wsNormal;
  TFormStyle FFormStyle = fsNormal;
  TPosition FPosition = poDesigned;
  bool FKeyPreview = false;
  bool FScaled = true;
  bool FModal = false;
  bool FPlaced = false;
  TModalResult FModalResult = mrNone;
  TWinControl* FActiveControl = nullptr;
  TRect FRestoredBounds;
  uintptr_t FParentWindow = 0;
  std::unique_ptr<IPlatformWindow> FWindow;
  TBitmap FBackBuffer;
  std::vector<TRect> FDirty;
  std::vector<TRect> FPaintRects;  // the rectangles being painted (storage reused)
  TControl* FCapture = nullptr;
  TControl* FHover = nullptr;
  bool FSuppressChar = false;
  bool FSystemDefault = false;  // set when a message is left to the system's own handling
};

}  // namespace pictova
