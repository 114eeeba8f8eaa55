// The win32 registry service: HKEY_CURRENT_USER through RegOpenKeyExA / RegQueryValueExA.
#include "platform/win32/Win32Api.h"

#include "platform/win32/Win32Platform.h"

namespace pictova {
namespace {

// An opened key, closed with its scope.
class TKey {
 public:
  explicit TKey(const std::string& path) {
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &FKey) != ERROR_SUCCESS) FKey = nullptr;
  }
  ~TKey() {
    if (FKey != nullptr) ::RegCloseKey(FKey);
  }
  TKey(const TKey&) = delete;
  TKey& operator=(const TKey&) = delete;
  HKEY Get() const { return FKey; }

 private:
  HKEY FKey = nullptr;
};

class TWin32Registry : public IRegistry {
 public:
  bool KeyExists(const std::string& key) override { return TKey(key).Get() != nullptr; }

  std::optional<TRegValue> QueryValue(const std::string& key, const std::string& name) override {
    const TKey k(key);
    if (k.Get() == nullptr) return std::nullopt;
    // The size first, then the data; a value that grows in between is asked for again.
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD type = 0, size = 0;
      if (::RegQueryValueExA(k.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
      TRegValue v;
      v.Data.resize(size);
      DWORD got = size;
      const LONG rc = ::RegQueryValueExA(k.Get(), name.c_str(), nullptr, &type, size ? v.Data.data() : nullptr, &got);
      if (rc == ERROR_MORE_DATA) continue;
      if (rc != ERROR_SUCCESS) return std::nullopt;
      v.Type = type;
      v.Data.resize(got);
      return v;
    }
    return std::nullopt;
  }
};

}  // namespace

std::unique_ptr<IRegistry> CreateWin32Registry() { return std::make_unique<TWin32Registry>(); }

}  // namespace pictova
