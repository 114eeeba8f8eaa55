// System services the screen-saver host calls by their platform names: the command line as
// the run-time splits it, system parameters, the system folder and libraries loaded from it
// at run time, and the two password entry points a screen saver uses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pictova {

// SystemParametersInfo actions.
enum : uint32_t { SPI_SETSCREENSAVERRUNNING = 97 };

class ISystem {
 public:
  virtual ~ISystem() = default;

  // The arguments after the program's name (ParamStr(1) ... ParamStr(ParamCount)).
  virtual std::vector<std::string> CommandLineArgs() = 0;

  // SystemParametersInfoA. Returns whether the system accepted it.
  virtual bool SystemParametersInfo(uint32_t action, uint32_t uiParam, uint32_t* pvParam, uint32_t winIni) = 0;

  // GetSystemDirectoryA into a buffer of 260 characters: the folder, or "" when the system
  // has none or it does not fit.
  virtual std::string GetSystemDirectory() = 0;
  // LoadLibraryA of a full path: the module, or 0.
  virtual uintptr_t LoadLibrary(const std::string& path) = 0;
  // GetProcAddress: the entry point, or 0.
  virtual uintptr_t GetProcAddress(uintptr_t module, const std::string& name) = 0;
  virtual void FreeLibrary(uintptr_t module) = 0;

  // Calls an entry point found as "VerifyScreenSavePwd": BOOL WINAPI (HWND). Returns when
  // the system's prompt has closed.
  virtual int32_t CallVerifyScreenSavePwd(uintptr_t entry, uintptr_t window) = 0;
  // Calls an entry point found as "PwdChangePasswordA":
  // DWORD WINAPI (LPCSTR provider, HWND parent, DWORD, DWORD).
  virtual uint32_t CallPwdChangePassword(uintptr_t entry, const std::string& provider, uintptr_t parent,
                                         uint32_t reserved1, uint32_t reserved2) = 0;
};

// A command line split as the run-time's ParamStr does: arguments are separated by characters
// up to the space; double quotes group and are dropped; empty "" pairs between arguments are
// skipped. The first element is the program as written.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace pictova
