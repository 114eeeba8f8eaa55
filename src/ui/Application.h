// The application object: message loop, timers, forms, exceptions, message boxes.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "ui/Form.h"

namespace pictova {

class TTimer;

using TExceptionEvent = std::function<void(TComponent* sender, const std::exception& e)>;

// One per process (Application). Everything here runs on the UI thread, the thread that
// created the application.
class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  void Initialize() {}
  const std::string& Title() const { return FTitle; }
  // The title is also the caption of the application's hidden window.
  void SetTitle(const std::string& title);
  // The application's hidden window (created on first use).
  uintptr_t Handle();

  // Creates a form owned by the application; the first one becomes the main form.
  template <class T, class... Args>
  T* CreateForm(T*& reference, Args&&... args) {
    reference = nullptr;
    T* form = TForm::Create<T>(this, std::forward<Args>(args)...);
    if (FMainForm == nullptr) FMainForm = form;
    reference = form;
    return form;
  }
  TForm* MainForm() const { return FMainForm; }

  // Shows the main form and runs the loop until Terminate (closing the main form does so).
  void Run();
  // Handles everything that is pending (input, synchronised calls, painting, due timers)
  // without waiting. On the virtual clock a call that finds nothing to do lets at most one
  // millisecond pass (see Application.cpp).
  void ProcessMessages();
  // Handles one pending message, or waits for the next one and handles it.
  void HandleMessage();
  void Terminate();
  bool Terminated() const { return FTerminated; }

  // Runs the loop until the clock reaches `ms` (NowMs scale) or Terminate; on the virtual
  // clock this is exact: every timer and sleeper due before `ms` has run.
  void RunUntil(uint64_t ms);
  // Runs the loop until done() holds (tested after every message) or `ms` passes; returns
  // done().
  bool RunUntil(const std::function<bool()>& done, uint64_t ms);

  // Shows an exception's text in a message box (or calls OnException) and goes on.
  void HandleException(const std::exception& e);
  void HandleCurrentException();
  void ShowException(const std::exception& e);
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags);

  TExceptionEvent OnException;
  TNotifyEvent OnIdle;

  // Framework internals.
  void RegisterForm(TForm* form);
  void UnregisterForm(TForm* form);
  const std::vector<TForm*>& Forms() const { return FForms; }
  void ArmTimer(TTimer* timer, uint64_t due);
  void DisarmTimer(TTimer* timer);
  size_t ArmedTimers() const { return FTimers.size(); }
  void ReleaseLater(TForm* form);
  void MainFormClosed(TForm* form);
  int ModalLevel() const { return FModalLevel; }
  void EnterModal() { ++FModalLevel; }
  void LeaveModal() { --FModalLevel; }
  std::thread::id MainThreadId() const { return FMainThread; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  struct TTimerEntry {
    TTimer* Timer;
    uint64_t Due;
    uint64_t Serial;
  };
  bool ProcessMessage();
  void Idle(uint64_t limit);
  bool DispatchInput();
  bool PaintForms();
  bool FireTimer();
  void FreeReleased();
  uint64_t NextTimerDue() const;

  std::string FTitle;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
  int FModalLevel = 0;
  std::vector<TForm*> FForms;
  std::vector<TTimerEntry> FTimers;
  uint64_t FTimerSerial = 0;
  std::vector<TForm*> FReleased;
  std::unique_ptr<IPlatformWindow> FHiddenWindow;
  std::thread::id FMainThread;
};

// The application of the process (null when none exists).
extern TApplication* Application;

// Whether the calling thread is the UI thread.
bool IsMainThread();

// Sends the exception being handled to Application's HandleException (raises it again when
// there is no application). Called only from inside a catch block.
void HandleSafeCallException();

// Runs a handler; an exception leaving it goes to Application's HandleException. A template,
// so that painting every frame wraps its calls without building a std::function.
template <typename F>
void SafeCall(F&& handler) {
  try {
    handler();
  } catch (...) {
    HandleSafeCallException();
  }
}

}  // namespace pictova
