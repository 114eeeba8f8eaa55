// Stand-in system services of the headless backend.
#include "platform/headless/HeadlessSystem.h"

#include <algorithm>

#include "rtl/Ansi.h"

namespace pictova {

bool THeadlessSystem::SystemParametersInfo(uint32_t action, uint32_t uiParam, uint32_t* pvParam, uint32_t winIni) {
  ParameterCalls.push_back({action, uiParam, winIni});
  if (action != SPI_SETSCREENSAVERRUNNING) return false;
  // The previous state comes back through pvParam, as on the platform.
  if (pvParam != nullptr) *pvParam = ScreenSaverRunning ? 1 : 0;
  ScreenSaverRunning = uiParam != 0;
  return true;
}

void THeadlessSystem::InstallLibrary(const std::string& fileName, TStandInLibrary library) {
  std::string path = SystemDirectory;
  if (path.empty() || path.back() != '\\') path += '\\';
  FLibraries[AnsiUpperCase(path + fileName)] = std::move(library);
}

uintptr_t THeadlessSystem::LoadLibrary(const std::string& path) {
  LoadAttempts.push_back(path);
  const std::string key = AnsiUpperCase(path);
  if (FLibraries.count(key) == 0) return 0;
  const uintptr_t module = FNextHandle += 0x10;
  FLoaded[module] = key;
  return module;
}

uintptr_t THeadlessSystem::GetProcAddress(uintptr_t module, const std::string& name) {
  const auto m = FLoaded.find(module);
  if (m == FLoaded.end()) return 0;
  const TStandInLibrary& lib = FLibraries.at(m->second);
  // Entry-point names are matched exactly, as the platform does.
  if (std::find(lib.EntryPoints.begin(), lib.EntryPoints.end(), name) == lib.EntryPoints.end()) return 0;
  const uintptr_t entry = FNextHandle += 0x10;
  FEntries[entry] = {m->second, name};
  return entry;
}

void THeadlessSystem::FreeLibrary(uintptr_t module) { FLoaded.erase(module); }

const THeadlessSystem::TEntry* THeadlessSystem::FindEntry(uintptr_t entry) const {
  const auto e = FEntries.find(entry);
  return e == FEntries.end() ? nullptr : &e->second;
}

int32_t THeadlessSystem::CallVerifyScreenSavePwd(uintptr_t entry, uintptr_t window) {
  const TEntry* e = FindEntry(entry);
  if (e == nullptr) return 0;
  Calls.push_back({e->Path, e->Name, "", window, 0, 0});
  const TStandInLibrary& lib = FLibraries.at(e->Path);
  return lib.OnVerify ? lib.OnVerify(window) : lib.VerifyAnswer;
}

uint32_t THeadlessSystem::CallPwdChangePassword(uintptr_t entry, const std::string& provider, uintptr_t parent,
                                                uint32_t reserved1, uint32_t reserved2) {
  const TEntry* e = FindEntry(entry);
  if (e == nullptr) return 0;
  Calls.push_back({e->Path, e->Name, provider, parent, reserved1, reserved2});
  const TStandInLibrary& lib = FLibraries.at(e->Path);
  if (lib.OnChangePassword) lib.OnChangePassword(provider, parent, reserved1, reserved2);
  return 0;
}

}  // namespace pictova
