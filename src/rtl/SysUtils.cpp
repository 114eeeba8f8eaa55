// Exceptions with fixed message texts, and the run-time's input/output error.
#include "rtl/SysUtils.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace pictova {

std::string FormatV(const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  if (needed <= 0) return {};
  std::string out(static_cast<size_t>(needed) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), fmt, args);
  out.resize(static_cast<size_t>(needed));
  return out;
}

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string out = FormatV(fmt, args);
  va_end(args);
  return out;
}

std::string EInOutError::TextFor(int errorCode) {
  switch (errorCode) {
    case kFileNotFound: return "File not found";
    case kAccessDenied: return "File access denied";
    case kReadBeyondEnd: return "Read beyond end of file";
    default: return Format("I/O error %d", errorCode);
  }
}

EInOutError::EInOutError(int errorCode) : Exception(TextFor(errorCode)), FErrorCode(errorCode) {}

int InOutCodeFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR: return EInOutError::kFileNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return EInOutError::kAccessDenied;
    case EMFILE:
    case ENFILE: return 4;  // too many open files
    case EISDIR: return EInOutError::kAccessDenied;
    default: return err;
  }
}

TDateTime Now() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  // Local wall-clock time, re-read as if it were UTC, gives seconds since 1970 in local time;
  // 1970-01-01 is day 25569 of the framework's calendar.
#ifdef _WIN32
  localtime_s(&local, &t);
  const std::time_t asUtc = _mkgmtime(&local);
#else
  localtime_r(&t, &local);
  const std::time_t asUtc = timegm(&local);
#endif
  return 25569.0 + static_cast<double>(asUtc) / 86400.0;
}

TDateTime Date() { return std::floor(Now()); }

}  // namespace pictova
