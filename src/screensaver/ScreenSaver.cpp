// The screen-saver host: the mode dispatch at the end of loading, the four modes, the hook
// on the owner's messages and the restoring of the system's state at destruction.
#include "screensaver/ScreenSaver.h"

#include <cstdint>

#include "platform/Platform.h"
#include "rtl/Ansi.h"
#include "ui/Application.h"
#include "ui/Messages.h"
#include "ui/Panel.h"

namespace pictova {

TForm* OwnerForm = nullptr;

const char* const kDisplayPropertiesCaption = "Display Properties";
const char* const kDesktopKey = "Control Panel\\Desktop";
const char* const kUsePasswordValue = "ScreenSaveUsePassword";

namespace {

// The application window's extended style in preview and password mode:
// WS_EX_TOOLWINDOW | WS_EX_TOPMOST, so that the task bar shows no button for it.
constexpr int32_t kHiddenAppExStyle = 0x88;

// Preview size inside the settings dialog's monitor picture.
constexpr int32_t kPreviewWidth = 152;
constexpr int32_t kPreviewHeight = 112;

IWindowHost& Windows() { return Platform().Windows(); }

void SetScreenSaverRunning(bool running) {
  uint32_t previous = 0;
  Platform().System().SystemParametersInfo(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

}  // namespace

int32_t SecondArgument(int32_t fallback) {
  const std::vector<std::string> args = Platform().System().CommandLineArgs();
  if (args.size() < 2) return fallback;
  const std::string& text = args[1];
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return fallback;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return fallback;
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{INT32_MAX} + 1) return fallback;  // a huge number is not a handle
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return fallback;
  return static_cast<int32_t>(value);
}

uintptr_t HandleFromArgument(int32_t value) { return static_cast<uintptr_t>(static_cast<intptr_t>(value)); }

TScreenSaver::TScreenSaver(TComponent* owner) : TComponent(owner) {
  OwnerForm = dynamic_cast<TForm*>(owner);
  if (!IsDesigning()) return;
  // Only a form editor checks where the host was put.
  if (OwnerForm == nullptr)
    throw TFormNotOwner("The TScreenSaver Component does not appear to be on a TForm. What are you trying to do?");
  int hosts = 0;
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (dynamic_cast<TScreenSaver*>(owner->Components(i)) != nullptr) ++hosts;
  if (hosts > 1) throw TDuplicateComponent("Why would you want more than 1 TScreenSaver component on a Form?");
}

TScreenSaver::~TScreenSaver() {
  Destroying();
  if (!IsDesigning()) {
    UnhookOwnerWindow();
    if (ModeLetter() == "C") Windows().EnableWindow(Windows().FindWindow(kDisplayPropertiesCaption), true);
    // Cleared and shown in every mode: the system's state is left as a saver must leave it.
    if (FSystemKeysDisabled) SetScreenSaverRunning(false);
    if (FAutoMouseHide) Platform().Cursor().ShowCursor(true);
  }
  if (FConfigurationBoxPanel != nullptr) FConfigurationBoxPanel->RemoveFreeNotification(this);
  // The unit-wide reference must not outlive the form it names.
  if (OwnerForm != nullptr && OwnerForm == Owner()) OwnerForm = nullptr;
}

void TScreenSaver::SetConfigurationBoxPanel(TPanel* panel) {
  if (panel == FConfigurationBoxPanel) return;
  if (FConfigurationBoxPanel != nullptr) FConfigurationBoxPanel->RemoveFreeNotification(this);
  FConfigurationBoxPanel = panel;
  if (panel != nullptr) panel->FreeNotification(this);
}

void TScreenSaver::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FConfigurationBoxPanel) FConfigurationBoxPanel = nullptr;
}

void TScreenSaver::Raise(const std::function<void(TComponent*)>& event, TScreenSaver* sender) {
  if (event) event(sender);
}

std::string TScreenSaver::ModeLetter() {
  const std::vector<std::string> args = Platform().System().CommandLineArgs();
  if (args.empty()) return "";
  const std::string upper = AnsiUpperCase(args[0]);
  return upper.size() < 2 ? std::string() : upper.substr(1, 1);
}

void TScreenSaver::Loaded() {
  TComponent::Loaded();
  int panels = 0;
  if (Owner() != nullptr && FConfigurationBoxPanel != nullptr)
    for (int i = 0; i < Owner()->ComponentCount(); ++i)
      if (Owner()->Components(i) == FConfigurationBoxPanel) ++panels;
  if (panels == 0) {
    FConfigurationBoxStyle = cbsMessageDlg;
    SetConfigurationBoxPanel(nullptr);
  } else if (FAutoPanelHide) {
    FConfigurationBoxPanel->SetVisible(false);
  }
  if (!IsDesigning() && FAutoEnable) RunMode();
}

void TScreenSaver::RunMode() {
  const std::string mode = ModeLetter();
  if (mode == "P") {
    ActivatePreview();
  } else if (mode == "S") {
    ActivateMainSaver();
  } else if (mode == "A") {
    ActivatePasswordSetting();
  } else {
    ActivateConfigBox();
  }
}

void TScreenSaver::HideApplicationWindow(bool toolWindow) {
  // Without a title there is nothing to find the window by (an empty caption would name
  // any untitled window).
  if (Application == nullptr || Application->Title().empty()) return;
  Windows().ShowWindow(Windows().FindWindow(Application->Title()), false);
  if (toolWindow) Windows().SetWindowLong(Application->Handle(), GWL_EXSTYLE, kHiddenAppExStyle);
}

void TScreenSaver::ActivatePreview() {
  Raise(OnBeforePreviewActive, this);
  if (FPreviewWindow) {
    HideApplicationWindow(true);
    const int32_t number = SecondArgument(-1);
    const uintptr_t preview = HandleFromArgument(number);
    // A number that names no window is treated like a missing one: a form made a child of
    // nothing would run on where nobody can see or close it.
    if (number != -1 && OwnerForm != nullptr && Windows().IsWindow(preview)) {
      TForm& form = *OwnerForm;
      const uintptr_t self = form.Handle();
      const uint32_t style = static_cast<uint32_t>(Windows().GetWindowLong(preview, GWL_STYLE));
      Windows().SetWindowLong(self, GWL_STYLE, static_cast<int32_t>(style | WS_CHILD | WS_DISABLED));
      Windows().SetWindowLong(self, GWL_EXSTYLE, Windows().GetWindowLong(preview, GWL_EXSTYLE));
      form.SetParentWindow(preview);
      form.SetPosition(poDesigned);
      if (FAutoMaximize)
        form.SetBounds(form.Left(), form.Top(), Platform().Screen().Width(), Platform().Screen().Height());
      form.ScaleBy(kPreviewWidth, form.Width());
      form.SetBounds(0, 0, kPreviewWidth, kPreviewHeight);
    }
  }
  Raise(OnPreviewActive, this);
}

void TScreenSaver::ActivateMainSaver() {
  Raise(OnBeforeMainSaverActive, this);
  if (FMainScreenSaver) {
    HideApplicationWindow(false);
    if (FSystemKeysDisabled) SetScreenSaverRunning(true);
    if (FAutoMouseHide) Platform().Cursor().ShowCursor(false);
    if (OwnerForm != nullptr) {
      if (FAutoMaximize) OwnerForm->SetWindowState(wsMaximized);
      if (FAutoBorderLess) OwnerForm->SetBorderStyle(bsNone);
      if (FAutoOnTop) OwnerForm->SetFormStyle(fsStayOnTop);
    }
  }
  // After the border and style changes: the hooked window is the final one.
  HookOwnerWindow();
  Raise(OnMainSaverActive, this);
}

void TScreenSaver::HookOwnerWindow() {
  if (Owner() == nullptr || OwnerForm == nullptr || FHookInstance) return;
  FOldWndProc = OwnerForm->WindowProc;
  OwnerForm->WindowProc = [this](TMessage& m) { OwnerWindowProc(m); };
  FHookInstance = true;
}

void TScreenSaver::UnhookOwnerWindow() {
  if (Owner() != nullptr && OwnerForm != nullptr && FOldWndProc) OwnerForm->WindowProc = FOldWndProc;
  FHookInstance = false;
  FOldWndProc = nullptr;
}

void TScreenSaver::OwnerWindowProc(TMessage& m) {
  // The system may not start a screen saver over the running one.
  if (m.Msg == WM_SYSCOMMAND && m.WParam == SC_SCREENSAVE) {
    m.Result = 0;
    return;
  }
  if (FOldWndProc) FOldWndProc(m);
}

void TScreenSaver::ActivateConfigBox() {
  Raise(OnBeforeConfigBoxActive, this);
  if (FConfigurationBox && OwnerForm != nullptr) {
    TForm& form = *OwnerForm;
    const bool fromSettings = ModeLetter() == "C";
    const uintptr_t settings = Windows().FindWindow(kDisplayPropertiesCaption);
    if (FConfigurationBoxStyle == cbsPanel && FConfigurationBoxPanel != nullptr) {
      TPanel& box = *FConfigurationBoxPanel;
      // Every other panel goes, those inside the box included.
      for (int i = 0; i < form.ComponentCount(); ++i) {
        auto* panel = dynamic_cast<TPanel*>(form.Components(i));
        if (panel != nullptr && panel->Name() != box.Name()) panel->SetVisible(false);
      }
      box.SetBounds(0, 0, box.Width(), box.Height());
      box.SetVisible(true);
      box.BringToFront();
      form.SetWindowState(wsNormal);
      form.SetBorderStyle(bsDialog);
      form.SetClientSize(box.Width(), box.Height());
      form.SetPosition(poScreenCenter);
      if (fromSettings) {
        Windows().EnableWindow(settings, false);
        Windows().SetForegroundWindow(settings);
      }
    } else {
      if (fromSettings) Windows().EnableWindow(settings, false);
      if (form.WindowState() != wsNormal) form.SetWindowState(wsNormal);
      form.SetBounds(-form.Width() - 100, form.Top(), form.Width(), form.Height());
      Raise(OnConfigBoxActive, this);
      if (fromSettings) {
        Windows().EnableWindow(settings, true);
        Windows().SetForegroundWindow(settings);
      }
      if (Application != nullptr) Application->Terminate();
    }
  }
  Raise(OnConfigBoxActive, this);
}

}  // namespace pictova
