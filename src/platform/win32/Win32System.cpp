// The win32 system services: the run-time's split of GetCommandLineA, SystemParametersInfoA,
// the system folder and LoadLibraryA / GetProcAddress with the password entry points.
#include "platform/win32/Win32Api.h"

#include "platform/win32/Win32Platform.h"

namespace pictova {
namespace {

using TVerifyScreenSavePwd = BOOL(WINAPI*)(HWND);
using TPwdChangePassword = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);

class TWin32System : public ISystem {
 public:
  std::vector<std::string> CommandLineArgs() override {
    std::vector<std::string> all = SplitCommandLine(::GetCommandLineA());
    if (!all.empty()) all.erase(all.begin());
    return all;
  }

  bool SystemParametersInfo(uint32_t action, uint32_t uiParam, uint32_t* pvParam, uint32_t winIni) override {
    UINT previous = 0;
    const BOOL ok = ::SystemParametersInfoA(action, uiParam, &previous, winIni);
    if (pvParam != nullptr) *pvParam = previous;
    return ok != FALSE;
  }

  std::string GetSystemDirectory() override {
    char buffer[MAX_PATH];
    const UINT n = ::GetSystemDirectoryA(buffer, MAX_PATH);
    // 0 is a failure, MAX_PATH or more the size the folder would need: neither is a folder.
    if (n == 0 || n >= MAX_PATH) return "";
    return std::string(buffer, n);
  }

  uintptr_t LoadLibrary(const std::string& path) override {
    return reinterpret_cast<uintptr_t>(::LoadLibraryA(path.c_str()));
  }

  uintptr_t GetProcAddress(uintptr_t module, const std::string& name) override {
    if (module == 0) return 0;
    return reinterpret_cast<uintptr_t>(::GetProcAddress(reinterpret_cast<HMODULE>(module), name.c_str()));
  }

  void FreeLibrary(uintptr_t module) override {
    if (module != 0) ::FreeLibrary(reinterpret_cast<HMODULE>(module));
  }

  int32_t CallVerifyScreenSavePwd(uintptr_t entry, uintptr_t window) override {
    if (entry == 0) return 0;
    const auto verify = reinterpret_cast<TVerifyScreenSavePwd>(entry);
    return verify(reinterpret_cast<HWND>(window));
  }

  uint32_t CallPwdChangePassword(uintptr_t entry, const std::string& provider, uintptr_t parent, uint32_t reserved1,
                                 uint32_t reserved2) override {
    if (entry == 0) return 0;
    const auto change = reinterpret_cast<TPwdChangePassword>(entry);
    return change(provider.c_str(), reinterpret_cast<HWND>(parent), reserved1, reserved2);
  }
};

}  // namespace

std::unique_ptr<ISystem> CreateWin32System() { return std::make_unique<TWin32System>(); }

}  // namespace pictova
