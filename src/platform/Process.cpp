// Facts about the running process.
#include "platform/Process.h"

#include <cstdlib>
#include <filesystem>
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

}  // namespace pictova
