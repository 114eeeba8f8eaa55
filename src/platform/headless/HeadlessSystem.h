// The headless backend's system services: a command line set by whoever made the platform,
// recorded system-parameter calls, and stand-in libraries in an emulated system folder, so
// that every path of the screen-saver host can be driven and observed.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/System.h"

namespace pictova {

struct TSystemParametersCall {
  uint32_t Action = 0;
  uint32_t UiParam = 0;
  uint32_t WinIni = 0;
};

// A library that LoadLibrary finds in the system folder, with at most the two password
// entry points. Each answers through its handler (which may look at the program's state
// while "the system's dialog" is open) or with the fixed answer.
struct TStandInLibrary {
  TStandInLibrary() = default;
  TStandInLibrary(std::vector<std::string> entryPoints, int32_t verifyAnswer = 1,
                  std::function<int32_t(uintptr_t)> onVerify = {})
      : EntryPoints(std::move(entryPoints)), VerifyAnswer(verifyAnswer), OnVerify(std::move(onVerify)) {}

  std::vector<std::string> EntryPoints;  // the names GetProcAddress finds
  int32_t VerifyAnswer = 1;              // VerifyScreenSavePwd's result
  std::function<int32_t(uintptr_t window)> OnVerify;
  std::function<void(const std::string& provider, uintptr_t parent, uint32_t, uint32_t)> OnChangePassword;
};

struct TLibraryCall {
  std::string Library;  // the full path it was loaded from
  std::string Entry;
  std::string Provider;  // PwdChangePasswordA only
  uintptr_t Window = 0;  // the window handed over
  uint32_t Reserved1 = 0, Reserved2 = 0;
};

class THeadlessSystem : public ISystem {
 public:
  std::vector<std::string> CommandLineArgs() override { return Args; }
  bool SystemParametersInfo(uint32_t action, uint32_t uiParam, uint32_t* pvParam, uint32_t winIni) override;
  std::string GetSystemDirectory() override { return SystemDirectory; }
  uintptr_t LoadLibrary(const std::string& path) override;
  uintptr_t GetProcAddress(uintptr_t module, const std::string& name) override;
  void FreeLibrary(uintptr_t module) override;
  int32_t CallVerifyScreenSavePwd(uintptr_t entry, uintptr_t window) override;
  uint32_t CallPwdChangePassword(uintptr_t entry, const std::string& provider, uintptr_t parent, uint32_t reserved1,
                                 uint32_t reserved2) override;

  // Puts a stand-in library into the system folder under `fileName` (e.g. "PASSWORD.CPL").
  void InstallLibrary(const std::string& fileName, TStandInLibrary library);
  // Libraries still loaded (LoadLibrary without FreeLibrary).
  int LoadedCount() const { return static_cast<int>(FLoaded.size()); }

  std::vector<std::string> Args;
  std::string SystemDirectory = "C:\\WINDOWS\\SYSTEM32";
  std::vector<TSystemParametersCall> ParameterCalls;
  std::vector<std::string> LoadAttempts;  // every path given to LoadLibrary
  std::vector<TLibraryCall> Calls;
  bool ScreenSaverRunning = false;

 private:
  struct TEntry {
    std::string Path;
    std::string Name;
  };
  const TEntry* FindEntry(uintptr_t entry) const;

  std::map<std::string, TStandInLibrary> FLibraries;  // by upper-case full path
  std::map<uintptr_t, std::string> FLoaded;           // module -> upper-case full path
  std::map<uintptr_t, TEntry> FEntries;               // entry point -> library and name
  uintptr_t FNextHandle = 0x7000;
};

}  // namespace pictova
