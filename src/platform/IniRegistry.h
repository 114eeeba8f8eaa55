// Registry stores of the backends without a system registry: a map in memory (headless, set
// by tests) and the small INI-style file of the Linux desktop, read afresh on every query.
#pragma once

#include <map>
#include <string>

#include "platform/Registry.h"

namespace pictova {

// Keys and value names compare without regard to the case of a to z, as on the platform.
struct TRegNameLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

class TMemoryRegistry : public IRegistry {
 public:
  bool KeyExists(const std::string& key) override;
  std::optional<TRegValue> QueryValue(const std::string& key, const std::string& name) override;

  // Creates the key (and so its parents) if needed; an empty name is the key's default value.
  void CreateKey(const std::string& key);
  void SetValue(const std::string& key, const std::string& name, const TRegValue& value);
  void DeleteValue(const std::string& key, const std::string& name);
  void DeleteKey(const std::string& key);
  void Clear() { FKeys.clear(); }
  // How many values were asked for since creation (successful or not).
  int Queries() const { return FQueries; }

 private:
  using TValues = std::map<std::string, TRegValue, TRegNameLess>;
  std::map<std::string, TValues, TRegNameLess> FKeys;
  int FQueries = 0;
};

// Parses the text of a registry file:
//
//   ; comment (also #)
//   [Control Panel\Desktop]
//   ScreenSaveUsePassword=dword:00000001
//   Wallpaper=sz:some text
//   Path=expand:%HOME%/x
//   Blob=hex:01,02,ff
//   Other=hex(5):00,00,00,01      (any type number, raw bytes)
//   Big=qword:0000000100000000
//   @=sz:the key's default value
//
// dword and qword take hexadecimal digits like the platform's .reg files. Lines that do not
// follow this form are left out, so the values they meant read as absent.
TMemoryRegistry ParseRegistryIni(const std::string& text);

// The file is read at each call, so edits apply to the next query; a missing file is an empty
// registry. Files beyond kMaxRegistryFile bytes are read only up to that size.
class TIniRegistry : public IRegistry {
 public:
  explicit TIniRegistry(std::string path) : FPath(std::move(path)) {}
  bool KeyExists(const std::string& key) override;
  std::optional<TRegValue> QueryValue(const std::string& key, const std::string& name) override;
  const std::string& Path() const { return FPath; }

  static constexpr size_t kMaxRegistryFile = 1 << 20;

 private:
  TMemoryRegistry Load() const;
  std::string FPath;
};

// $XDG_CONFIG_HOME/pictova/registry.ini when that variable holds an absolute path, else
// $HOME/.config/pictova/registry.ini; empty when neither is known.
std::string DefaultRegistryIniPath();

}  // namespace pictova
