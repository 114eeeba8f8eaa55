// The registry stores without a system registry: an in-memory map and its INI-file form.
#include "platform/IniRegistry.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace pictova {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  const size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = LowerAscii(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// 1 to `maxDigits` hexadecimal digits, nothing else.
bool ParseHexNumber(const std::string& s, size_t maxDigits, uint64_t& value) {
  if (s.empty() || s.size() > maxDigits) return false;
  value = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    value = value << 4 | static_cast<uint64_t>(d);
  }
  return true;
}

// "01,02,ff" (spaces allowed around the bytes); an empty list is no data.
bool ParseHexBytes(const std::string& s, std::vector<uint8_t>& data) {
  data.clear();
  if (Trim(s).empty()) return true;
  size_t pos = 0;
  while (true) {
    const size_t comma = s.find(',', pos);
    uint64_t byte = 0;
    if (!ParseHexNumber(Trim(s.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos)), 2, byte))
      return false;
    data.push_back(static_cast<uint8_t>(byte));
    if (comma == std::string::npos) return true;
    pos = comma + 1;
  }
}

std::vector<uint8_t> LittleEndian(uint64_t value, size_t bytes) {
  std::vector<uint8_t> out(bytes);
  for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
  return out;
}

// "type:value" after the '=' of a value line.
bool ParseValue(const std::string& text, TRegValue& value) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  std::string kind = Trim(text.substr(0, colon));
  std::transform(kind.begin(), kind.end(), kind.begin(), LowerAscii);
  const std::string rest = text.substr(colon + 1);
  uint64_t number = 0;
  if (kind == "dword") {
    if (!ParseHexNumber(Trim(rest), 8, number)) return false;
    value = {kRegDword, LittleEndian(number, 4)};
  } else if (kind == "qword") {
    if (!ParseHexNumber(Trim(rest), 16, number)) return false;
    value = {kRegQword, LittleEndian(number, 8)};
  } else if (kind == "sz" || kind == "expand") {
    value = RegString(rest, kind == "sz" ? kRegSz : kRegExpandSz);
  } else if (kind == "hex") {
    value.Type = kRegBinary;
    if (!ParseHexBytes(rest, value.Data)) return false;
  } else if (kind.size() > 5 && kind.compare(0, 4, "hex(") == 0 && kind.back() == ')') {
    if (!ParseHexNumber(kind.substr(4, kind.size() - 5), 8, number)) return false;
    value.Type = static_cast<uint32_t>(number);
    if (!ParseHexBytes(rest, value.Data)) return false;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool TRegNameLess::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
}

bool TMemoryRegistry::KeyExists(const std::string& key) {
  if (key.empty()) return true;  // the root itself
  return FKeys.count(key) != 0;
}

std::optional<TRegValue> TMemoryRegistry::QueryValue(const std::string& key, const std::string& name) {
  ++FQueries;
  const auto k = FKeys.find(key);
  if (k == FKeys.end()) return std::nullopt;
  const auto v = k->second.find(name);
  if (v == k->second.end()) return std::nullopt;
  return v->second;
}

void TMemoryRegistry::CreateKey(const std::string& key) {
  // A key's parents exist with it.
  for (size_t pos = key.find('\\'); pos != std::string::npos; pos = key.find('\\', pos + 1))
    if (pos > 0) FKeys[key.substr(0, pos)];
  if (!key.empty()) FKeys[key];
}

void TMemoryRegistry::SetValue(const std::string& key, const std::string& name, const TRegValue& value) {
  CreateKey(key);
  FKeys[key][name] = value;
}

void TMemoryRegistry::DeleteValue(const std::string& key, const std::string& name) {
  const auto k = FKeys.find(key);
  if (k != FKeys.end()) k->second.erase(name);
}

void TMemoryRegistry::DeleteKey(const std::string& key) { FKeys.erase(key); }

TMemoryRegistry ParseRegistryIni(const std::string& text) {
  TMemoryRegistry reg;
  std::string section;
  bool inSection = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      inSection = line.back() == ']' && line.size() > 2;
      if (inSection) {
        section = Trim(line.substr(1, line.size() - 2));
        inSection = !section.empty();
        if (inSection) reg.CreateKey(section);
      }
      continue;
    }
    const size_t eq = line.find('=');
    if (!inSection || eq == std::string::npos) continue;
    std::string name = Trim(line.substr(0, eq));
    if (name == "@") name.clear();
    TRegValue value;
    if (ParseValue(line.substr(eq + 1), value)) reg.SetValue(section, name, value);
  }
  return reg;
}

TMemoryRegistry TIniRegistry::Load() const {
  std::ifstream in(FPath, std::ios::binary);
  if (!in) return {};
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size <= 0) return {};
  std::string text(std::min<size_t>(static_cast<size_t>(size), kMaxRegistryFile), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  return ParseRegistryIni(text);
}

bool TIniRegistry::KeyExists(const std::string& key) { return Load().KeyExists(key); }

std::optional<TRegValue> TIniRegistry::QueryValue(const std::string& key, const std::string& name) {
  return Load().QueryValue(key, name);
}

std::string DefaultRegistryIniPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/pictova/registry.ini";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != 0) return std::string(home) + "/.config/pictova/registry.ini";
  return "";
}

}  // namespace pictova
