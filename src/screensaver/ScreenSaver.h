// TScreenSaver: the non-visual component that makes its owner form a screen saver. At the end
// of the form's loading it reads the switches the system passes to screen savers and puts
// the form into that mode (full-screen saver, preview in the settings dialog, configuration
// box, password change); in saver mode it hides the pointer, tells the system a saver runs
// and refuses the system's request to start another one. Destruction undoes all of it.
#pragma once

#include <functional>
#include <string>

#include "rtl/SysUtils.h"
#include "ui/Component.h"

namespace pictova {

class TForm;
class TPanel;
struct TMessage;

enum TConfigBoxStyle : uint8_t { cbsMessageDlg = 0, cbsPanel = 1 };

using TOnPreviewEvent = std::function<void(TComponent* Sender)>;
using TOnMainSaverEvent = std::function<void(TComponent* Sender)>;
using TOnConfigBoxEvent = std::function<void(TComponent* Sender)>;
using TOnPasswordSetEvent = std::function<void(TComponent* Sender)>;
using TOnBeforePreviewEvent = std::function<void(TComponent* Sender)>;
using TOnBeforeMainSaverEvent = std::function<void(TComponent* Sender)>;
using TOnBeforeConfigBoxEvent = std::function<void(TComponent* Sender)>;
using TOnBeforePasswordSetEvent = std::function<void(TComponent* Sender)>;

class TDuplicateComponent : public Exception {
 public:
  using Exception::Exception;
};
class TFormNotOwner : public Exception {
 public:
  using Exception::Exception;
};

// The form every host acts on: each host's creation sets it to that host's owner (null when
// the owner is not a form), and a host's destruction clears it when it is still its owner.
extern TForm* OwnerForm;

// The caption of the system's screen-saver settings dialog, and the registry's place for the
// password choice.
extern const char* const kDisplayPropertiesCaption;
extern const char* const kDesktopKey;
extern const char* const kUsePasswordValue;

class TScreenSaver : public TComponent {
 public:
  explicit TScreenSaver(TComponent* owner);
  ~TScreenSaver() override;

  void Loaded() override;

  // Whether a close may go ahead: in saver mode the system's password prompt may be asked.
  bool VerifyPassword();

  // The mode letter of the command line: the first argument upper-cased, without its switch
  // sign, cut to one character ("" without an argument or for a one-character argument).
  static std::string ModeLetter();
  // The mode dispatch that Loaded runs once.
  void RunMode();
  void ActivatePreview();
  void ActivateMainSaver();
  void ActivateConfigBox();
  void ActivatePasswordSetting();

  // Whether the owner form's messages currently pass through OwnerWindowProc.
  bool Hooked() const { return FHookInstance; }

  // Published properties; every setter only stores.
  bool AutoEnable() const { return FAutoEnable; }
  void SetAutoEnable(bool v) { FAutoEnable = v; }
  bool AutoMaximize() const { return FAutoMaximize; }
  void SetAutoMaximize(bool v) { FAutoMaximize = v; }
  bool AutoBorderLess() const { return FAutoBorderLess; }
  void SetAutoBorderLess(bool v) { FAutoBorderLess = v; }
  bool AutoOnTop() const { return FAutoOnTop; }
  void SetAutoOnTop(bool v) { FAutoOnTop = v; }
  bool AutoMouseHide() const { return FAutoMouseHide; }
  void SetAutoMouseHide(bool v) { FAutoMouseHide = v; }
  bool AutoPanelHide() const { return FAutoPanelHide; }
  void SetAutoPanelHide(bool v) { FAutoPanelHide = v; }
  bool PreviewWindow() const { return FPreviewWindow; }
  void SetPreviewWindow(bool v) { FPreviewWindow = v; }
  bool MainScreenSaver() const { return FMainScreenSaver; }
  void SetMainScreenSaver(bool v) { FMainScreenSaver = v; }
  bool ConfigurationBox() const { return FConfigurationBox; }
  void SetConfigurationBox(bool v) { FConfigurationBox = v; }
  TConfigBoxStyle ConfigurationBoxStyle() const { return FConfigurationBoxStyle; }
  void SetConfigurationBoxStyle(TConfigBoxStyle v) { FConfigurationBoxStyle = v; }
  TPanel* ConfigurationBoxPanel() const { return FConfigurationBoxPanel; }
  void SetConfigurationBoxPanel(TPanel* panel);
  const std::string& ConfigurationBoxMessage() const { return FConfigurationBoxMessage; }
  void SetConfigurationBoxMessage(const std::string& v) { FConfigurationBoxMessage = v; }
  bool SystemKeysDisabled() const { return FSystemKeysDisabled; }
  void SetSystemKeysDisabled(bool v) { FSystemKeysDisabled = v; }
  bool PasswordSetting() const { return FPasswordSetting; }
  void SetPasswordSetting(bool v) { FPasswordSetting = v; }

  TOnPreviewEvent OnPreviewActive;
  TOnMainSaverEvent OnMainSaverActive;
  TOnConfigBoxEvent OnConfigBoxActive;
  TOnPasswordSetEvent OnPasswordSet;
  TOnBeforePreviewEvent OnBeforePreviewActive;
  TOnBeforeMainSaverEvent OnBeforeMainSaverActive;
  TOnBeforeConfigBoxEvent OnBeforeConfigBoxActive;
  TOnBeforePasswordSetEvent OnBeforePasswordSet;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void HookOwnerWindow();
  void UnhookOwnerWindow();
  void OwnerWindowProc(TMessage& message);
  // Hides the application's own window (found by its title) so that the task bar shows
  // nothing for the program; with `toolWindow` its extended style also becomes 0x88.
  static void HideApplicationWindow(bool toolWindow);
  static void Raise(const std::function<void(TComponent*)>& event, TScreenSaver* sender);

  bool FAutoEnable = true;
  bool FAutoMaximize = true;
  bool FAutoBorderLess = true;
  bool FAutoOnTop = true;
  bool FAutoMouseHide = true;
  bool FAutoPanelHide = true;
  bool FPreviewWindow = true;
  bool FMainScreenSaver = true;
  bool FConfigurationBox = true;
  TConfigBoxStyle FConfigurationBoxStyle = cbsMessageDlg;
  TPanel* FConfigurationBoxPanel = nullptr;
  std::string FConfigurationBoxMessage;
  bool FSystemKeysDisabled = true;
  bool FPasswordSetting = true;

  std::function<void(TMessage&)> FOldWndProc;  // the owner's procedure while hooked
  bool FHookInstance = false;                 // the routing procedure is installed
};

// The second command-line argument as a decimal 32-bit number, or `fallback` when it is
// missing or is not one.
int32_t SecondArgument(int32_t fallback);
// A window handle given as a number on the command line: sign-extended, as the platform
// widens 32-bit handles.
uintptr_t HandleFromArgument(int32_t value);
// A library from the system folder (GetSystemDirectory + "\" + name): the module, or 0.
uintptr_t LoadSystemLibrary(const std::string& fileName);

}  // namespace pictova
