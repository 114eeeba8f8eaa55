// The screen-saver host's password services: the system's password-change dialog (password
// mode) and its password prompt before a running saver may close. Both live in system
// libraries that are loaded by full path only when needed, so that a system without them
// simply lets the saver close.
#include "platform/Platform.h"
#include "platform/Registry.h"
#include "rtl/Ansi.h"
#include "screensaver/ScreenSaver.h"
#include "ui/Application.h"

namespace pictova {
namespace {

// A loaded library, let go of with its scope.
class TLibrary {
 public:
  explicit TLibrary(const std::string& fileName) : FModule(LoadSystemLibrary(fileName)) {}
  ~TLibrary() {
    if (FModule != 0) Platform().System().FreeLibrary(FModule);
  }
  TLibrary(const TLibrary&) = delete;
  TLibrary& operator=(const TLibrary&) = delete;
  uintptr_t Module() const { return FModule; }
  uintptr_t Entry(const std::string& name) const {
    return FModule != 0 ? Platform().System().GetProcAddress(FModule, name) : 0;
  }

 private:
  uintptr_t FModule;
};

}  // namespace

uintptr_t LoadSystemLibrary(const std::string& fileName) {
  std::string path = Platform().System().GetSystemDirectory();
  // Without the system folder there is nothing to load: a bare name would be looked for in
  // the current folder and on the search path, where anybody may have put a library.
  if (path.empty()) return 0;
  if (path.back() != '\\') path += '\\';
  return Platform().System().LoadLibrary(path + fileName);
}

void TScreenSaver::ActivatePasswordSetting() {
  Raise(OnBeforePasswordSet, this);
  if (FPasswordSetting) {
    HideApplicationWindow(true);
    if (OwnerForm != nullptr) OwnerForm->SetWindowState(wsMinimized);
    uintptr_t parent = HandleFromArgument(SecondArgument(0));
    // A number that names no window would leave the dialog without a place to show: it gets
    // the desktop as its parent instead.
    if (parent != 0 && !Platform().Windows().IsWindow(parent)) parent = 0;
    const TLibrary mpr("MPR.DLL");
    if (const uintptr_t change = mpr.Entry("PwdChangePasswordA"))
      Platform().System().CallPwdChangePassword(change, "SCRSAVE", parent, 0, 0);
  }
  Raise(OnPasswordSet, this);
  // The application ends as soon as its message loop starts.
  if (FPasswordSetting && Application != nullptr) Application->Terminate();
}

bool TScreenSaver::VerifyPassword() {
  const uintptr_t foreground = Platform().Windows().GetForegroundWindow();
  if (FAutoMouseHide) Platform().Cursor().ShowCursor(true);
  // Only a running saver is protected; preview, configuration and password modes close freely.
  if (ModeLetter() != "S") return true;
  TRegistry registry;
  if (!registry.OpenKeyReadOnly(kDesktopKey) || !registry.ValueExists(kUsePasswordValue)) return true;
  // A value of the wrong kind raises the registry's error here: the close does not happen.
  if (registry.ReadInteger(kUsePasswordValue) == 0) return true;
  const TLibrary password("PASSWORD.CPL");
  const uintptr_t verify = password.Entry("VerifyScreenSavePwd");
  if (verify == 0) return true;
  // Only the low byte of the answer counts.
  const bool proved = (Platform().System().CallVerifyScreenSavePwd(verify, foreground) & 0xFF) != 0;
  if (!proved && FAutoMouseHide) Platform().Cursor().ShowCursor(false);
  return proved;
}

}  // namespace pictova
