// The current user's part of the system registry, as the platform's RegOpenKeyEx /
// RegQueryValueEx see it: keys are opened without being created, values are read raw.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rtl/SysUtils.h"

namespace pictova {

// Value types with the platform's numbers.
constexpr uint32_t kRegNone = 0, kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4,
                   kRegMultiSz = 7, kRegQword = 11;

// A value as stored: its type and its bytes (string data includes its terminating NUL).
struct TRegValue {
  uint32_t Type = kRegNone;
  std::vector<uint8_t> Data;
};

// Convenience builders for the common value kinds.
TRegValue RegDword(uint32_t value);
TRegValue RegString(const std::string& text, uint32_t type = kRegSz);

// Key paths are relative to the current user's root, separated by "\", and compared like the
// platform compares them: letters a to z without regard to case.
class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // True when the key (e.g. "Control Panel\\Desktop") exists under the current user.
  virtual bool KeyExists(const std::string& key) = 0;
  // The value, or nothing when the key or the value does not exist.
  virtual std::optional<TRegValue> QueryValue(const std::string& key, const std::string& name) = 0;
};

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// The framework's read-only registry object over the platform's service (no key is created).
class TRegistry {
 public:
  TRegistry();  // root: the current user
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // Opens an existing key for reading; false (and no key open) when it does not exist.
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  bool HasCurrentKey() const { return FOpen; }
  const std::string& CurrentPath() const { return FPath; }

  bool ValueExists(const std::string& name);
  // A 32-bit integer value. More than 4 bytes (or no such value) raises "Failed to get data
  // for '%s'"; 4 bytes or fewer of a type other than kRegDword raise "Invalid data type for
  // '%s'". A shorter kRegDword value is zero-extended.
  int32_t ReadInteger(const std::string& name);
  // A string value (kRegSz or kRegExpandSz), up to its first NUL. A missing or empty value
  // reads as ""; any other type raises "Invalid data type for '%s'".
  std::string ReadString(const std::string& name);

 private:
  std::optional<TRegValue> Query(const std::string& name);

  bool FOpen = false;
  std::string FPath;
};

}  // namespace pictova
