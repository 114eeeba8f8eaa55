// The read-only registry object: value-type and size rules over the platform's raw values.
#include "platform/Registry.h"

#include <algorithm>
#include <cstring>

#include "platform/Platform.h"

namespace pictova {

TRegValue RegDword(uint32_t value) {
  TRegValue v;
  v.Type = kRegDword;
  v.Data = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
  return v;
}

TRegValue RegString(const std::string& text, uint32_t type) {
  TRegValue v;
  v.Type = type;
  v.Data.assign(text.begin(), text.end());
  v.Data.push_back(0);
  return v;
}

TRegistry::TRegistry() = default;

TRegistry::~TRegistry() { CloseKey(); }

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  CloseKey();
  if (!Platform().Registry().KeyExists(key)) return false;
  FOpen = true;
  FPath = key;
  return true;
}

void TRegistry::CloseKey() {
  FOpen = false;
  FPath.clear();
}

std::optional<TRegValue> TRegistry::Query(const std::string& name) {
  if (!FOpen) return std::nullopt;
  return Platform().Registry().QueryValue(FPath, name);
}

bool TRegistry::ValueExists(const std::string& name) { return Query(name).has_value(); }

int32_t TRegistry::ReadInteger(const std::string& name) {
  // The platform's query into a 4-byte buffer: a missing value or one that does not fit
  // fails the read itself; only then is the type looked at.
  const std::optional<TRegValue> v = Query(name);
  if (!v || v->Data.size() > 4) throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
  if (v->Type != kRegDword) throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
  uint32_t value = 0;
  for (size_t i = 0; i < v->Data.size(); ++i) value |= static_cast<uint32_t>(v->Data[i]) << (8 * i);
  return static_cast<int32_t>(value);
}

std::string TRegistry::ReadString(const std::string& name) {
  const std::optional<TRegValue> v = Query(name);
  if (!v || v->Data.empty()) return "";
  if (v->Type != kRegSz && v->Type != kRegExpandSz)
    throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
  const auto end = std::find(v->Data.begin(), v->Data.end(), uint8_t{0});
  return std::string(v->Data.begin(), end);
}

}  // namespace pictova
