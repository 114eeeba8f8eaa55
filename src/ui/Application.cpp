// The application object: message loop, timers, forms, exceptions, message boxes.
#include "ui/Application.h"

#include <algorithm>

#include "rtl/SysUtils.h"
#include "ui/Screen.h"
#include "ui/Thread.h"
#include "ui/Timer.h"

namespace pictova {

TApplication* Application = nullptr;

bool IsMainThread() {
  return Application != nullptr && std::this_thread::get_id() == Application->MainThreadId();
}

void HandleSafeCallException() {
  if (Application == nullptr) throw;
  Application->HandleCurrentException();
}

TApplication::TApplication() : TComponent(nullptr), FMainThread(std::this_thread::get_id()) {
  if (Application != nullptr) throw Exception("An application object exists already");
  Application = this;
  CreateScreen();
}

TApplication::~TApplication() {
  Destroying();
  DestroyComponents();
  FHiddenWindow.reset();
  DestroyScreen();
  Application = nullptr;
}

void TApplication::SetTitle(const std::string& title) {
  FTitle = title;
  Handle();
  TWindowParams p = FHiddenWindow->Params();
  p.Caption = title;
  FHiddenWindow->SetParams(p);
}

uintptr_t TApplication::Handle() {
  if (FHiddenWindow == nullptr) {
    // A visible window of no size: it is what the task bar shows for the program.
    TWindowParams p;
    p.Caption = FTitle;
    p.Frame = wfNone;
    p.Visible = true;
    p.Presentable = false;
    p.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
    FHiddenWindow = Platform().Windows().CreateWindow(p);
  }
  return FHiddenWindow->Handle();
}

void TApplication::RegisterForm(TForm* form) {
  if (std::find(FForms.begin(), FForms.end(), form) == FForms.end()) FForms.push_back(form);
  Handle();
}

void TApplication::UnregisterForm(TForm* form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
  FReleased.erase(std::remove(FReleased.begin(), FReleased.end(), form), FReleased.end());
  if (FMainForm == form) FMainForm = nullptr;
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == FMainForm) FMainForm = nullptr;
}

void TApplication::ReleaseLater(TForm* form) {
  if (std::find(FReleased.begin(), FReleased.end(), form) == FReleased.end()) FReleased.push_back(form);
  std::lock_guard<std::mutex> guard(Platform().Clock().Lock());
  Platform().Windows().WakeUpLocked();
}

void TApplication::FreeReleased() {
  // A form whose modal loop still runs is freed once that loop has returned.
  std::vector<TForm*> later;
  while (!FReleased.empty()) {
    TForm* form = FReleased.back();
    FReleased.pop_back();
    if (form->Modal()) {
      later.push_back(form);
    } else {
      delete form;
    }
  }
  FReleased = std::move(later);
}

void TApplication::MainFormClosed(TForm*) { Terminate(); }

void TApplication::Terminate() {
  FTerminated = true;
  std::lock_guard<std::mutex> guard(Platform().Clock().Lock());
  Platform().Windows().WakeUpLocked();
}

// ---- timers ----

void TApplication::ArmTimer(TTimer* timer, uint64_t due) {
  for (TTimerEntry& e : FTimers)
    if (e.Timer == timer) {
      e.Due = due;
      e.Serial = ++FTimerSerial;
      return;
    }
  FTimers.push_back({timer, due, ++FTimerSerial});
}

void TApplication::DisarmTimer(TTimer* timer) {
  FTimers.erase(std::remove_if(FTimers.begin(), FTimers.end(), [timer](const TTimerEntry& e) { return e.Timer == timer; }),
                FTimers.end());
}

uint64_t TApplication::NextTimerDue() const {
  uint64_t next = IClock::kNoDeadline;
  for (const TTimerEntry& e : FTimers) next = std::min(next, e.Due);
  return next;
}

bool TApplication::FireTimer() {
  const uint64_t now = Platform().Clock().NowMs();
  TTimerEntry* due = nullptr;
  for (TTimerEntry& e : FTimers)
    if (e.Due <= now && (due == nullptr || e.Due < due->Due || (e.Due == due->Due && e.Serial < due->Serial)))
      due = &e;
  if (due == nullptr) return false;
  TTimer* timer = due->Timer;
  const uint64_t interval = std::max<uint32_t>(timer->Interval(), 1);
  due->Due += interval;
  if (due->Due <= now) due->Due = now + interval;  // a late tick does not pile up
  SafeCall([timer] { timer->Timer(); });
  return true;
}

// ---- the loop ----

bool TApplication::DispatchInput() {
  TInputEvent e;
  if (!Platform().Windows().PollEvent(e)) return false;
  // Asked from outside to end (a service manager, the desktop's screen saver, Ctrl-C): the
  // loop ends without asking any form, and the forms are freed as after a normal close.
  if (e.Kind == TInputKind::Quit) {
    Terminate();
    return true;
  }
  for (TForm* f : FForms) {
    if (!f->HandleAllocated() || f->PlatformWindow()->Handle() != e.Window) continue;
    // A disabled window (under a modal form) takes no input but may still be asked to close.
    const bool input = e.Kind != TInputKind::Close && e.Kind != TInputKind::Resized &&
                       e.Kind != TInputKind::MouseLeave && e.Kind != TInputKind::SysCommand;
    if (input && !f->PlatformWindow()->Params().Enabled) break;
    SafeCall([f, &e] { f->DispatchInput(e); });
    break;
  }
  return true;
}

bool TApplication::PaintForms() {
  bool painted = false;
  // Copy: painting may show or free forms.
  const std::vector<TForm*> forms = FForms;
  for (TForm* f : forms) {
    if (std::find(FForms.begin(), FForms.end(), f) == FForms.end()) continue;
    if (f->HasInvalid()) {
      painted = true;
      SafeCall([f] { f->PaintInvalid(); });
    }
  }
  return painted;
}

bool TApplication::ProcessMessage() {
  FreeReleased();
  {
    std::unique_lock<std::mutex> lock(Platform().Clock().Lock());
    Platform().Clock().Quiesce(lock);
  }
  if (DispatchInput()) return true;
  if (CheckSynchronize()) return true;
  if (PaintForms()) return true;
  return FireTimer();
}

void TApplication::Idle(uint64_t limit) {
  if (OnIdle) SafeCall([this] { OnIdle(this); });
  IClock& clock = Platform().Clock();
  std::unique_lock<std::mutex> lock(clock.Lock());
  if (FTerminated || SynchronizePendingLocked()) return;
  Platform().Windows().WaitEventsLocked(lock, std::min(NextTimerDue(), limit));
}

void TApplication::HandleMessage() {
  if (!ProcessMessage()) Idle(IClock::kNoDeadline);
}

void TApplication::ProcessMessages() {
  bool any = false;
  while (ProcessMessage()) any = true;
  // A loop that polls ProcessMessages and the tick count (an animation without a thread)
  // waits in effect: on the virtual clock each empty poll lets one millisecond pass, once
  // every worker waits too, so that such a loop reaches its end. Real time passes anyway.
  IClock& clock = Platform().Clock();
  if (!any && clock.IsVirtual() && !FTerminated) {
    std::unique_lock<std::mutex> lock(clock.Lock());
    if (!SynchronizePendingLocked()) Platform().Windows().WaitEventsLocked(lock, clock.NowMs() + 1);
  }
}

void TApplication::Run() {
  if (FTerminated) return;
  if (FMainForm != nullptr && !FMainForm->Visible()) FMainForm->Show();
  while (!FTerminated) HandleMessage();
}

void TApplication::RunUntil(uint64_t ms) {
  RunUntil([] { return false; }, ms);
}

bool TApplication::RunUntil(const std::function<bool()>& done, uint64_t ms) {
  IClock& clock = Platform().Clock();
  while (!done() && !FTerminated) {
    if (ProcessMessage()) continue;
    if (clock.NowMs() >= ms) break;
    Idle(ms);
  }
  return done();
}

// ---- exceptions and message boxes ----

void TApplication::HandleException(const std::exception& e) {
  if (OnException) {
    OnException(this, e);
  } else {
    ShowException(e);
  }
}

void TApplication::HandleCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    HandleException(e);
  } catch (...) {
    HandleException(Exception("Unknown exception"));
  }
}

void TApplication::ShowException(const std::exception& e) {
  std::string text = e.what();
  // The framework ends the message with a full stop unless it ends in punctuation.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  MessageBox(text, FTitle, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  uintptr_t owner = 0;
  for (TForm* f : FForms)
    if (f->Visible() && f->HandleAllocated()) owner = f->Handle();
  return Platform().MessageBoxes().MessageBox(owner, text, caption, flags);
}

}  // namespace pictova
