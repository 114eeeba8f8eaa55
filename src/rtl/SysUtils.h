// Exceptions with fixed message texts, and the run-time's input/output error.
#pragma once

#include <cstdarg>
#include <exception>
#include <string>

namespace pictova {

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, va_list args);

// Base of every failure the system raises; carries the text shown to the user.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// A file operation failed; the code is the operating system's or the run-time's.
class EInOutError : public Exception {
 public:
  explicit EInOutError(int errorCode);
  int ErrorCode() const noexcept { return FErrorCode; }

  // The run-time's text for a code: 2, 5 and 100 have their own, others "I/O error %d".
  static std::string TextFor(int errorCode);

  static constexpr int kFileNotFound = 2;
  static constexpr int kAccessDenied = 5;
  static constexpr int kReadBeyondEnd = 100;

 private:
  int FErrorCode;
};

class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

// A resource such as a bitmap could not be created (absurd size, no memory).
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Maps an errno value to the code that the Windows run-time would report for it.
int InOutCodeFromErrno(int err);

// Days since 30 December 1899, the fraction being the time of day (the framework's date-time).
using TDateTime = double;

// The local date and time now, and today's date at midnight.
TDateTime Now();
TDateTime Date();

}  // namespace pictova
