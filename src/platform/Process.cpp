// Facts about the running process.
#include "platform/Process.h"

#include "platform/System.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace pictova {

std::string ExecutablePath() {
#ifdef _WIN32
  // The run-time keeps the program's full path (argv[0] is only what the shell was given).
  if (_pgmptr != nullptr && *_pgmptr != '\0') return _pgmptr;
  return {};
#else
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.string();
#endif
}

std::vector<std::string> ProcessArguments() {
  std::vector<std::string> args;
#ifdef _WIN32
  for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
#else
  // NUL-terminated arguments, the program's name first.
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t pos = all.find('\0');
  while (pos != std::string::npos && pos + 1 < all.size()) {
    const size_t end = all.find('\0', pos + 1);
    args.push_back(all.substr(pos + 1, (end == std::string::npos ? all.size() : end) - pos - 1));
    pos = end;
  }
#endif
  return args;
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> out;
  size_t p = 0;
  const size_t n = line.size();
  auto at = [&](size_t i) -> unsigned char { return i < n ? static_cast<unsigned char>(line[i]) : 0; };
  while (true) {
    // Blanks and empty "" pairs before an argument.
    while (true) {
      while (at(p) != 0 && at(p) <= ' ') ++p;
      if (at(p) == '"' && at(p + 1) == '"') p += 2;
      else break;
    }
    if (at(p) == 0) break;
    std::string arg;
    while (at(p) > ' ') {
      if (at(p) == '"') {
        ++p;
        while (at(p) != 0 && at(p) != '"') arg += line[p++];
        if (at(p) != 0) ++p;
      } else {
        arg += line[p++];
      }
    }
    out.push_back(arg);
  }
  return out;
}

}  // namespace pictova
