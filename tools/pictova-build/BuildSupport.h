// What the show builder needs around the payload format: its two kinds of refusal, a file
// stream over the operating system's own file names, a temporary file that becomes the
// real one only when complete, and the conversion of command-line texts to payload texts.
#pragma once

#include <cstdio>
#include <string>

#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

namespace pictova {

// The input cannot make a sound show (a text too long, a value out of range, a file that
// cannot be read). The tool exits with status 1.
class EBuildError : public Exception {
 public:
  using Exception::Exception;
};

// The command line itself is malformed. The tool exits with status 2.
class EUsageError : public Exception {
 public:
  using Exception::Exception;
};

// A file stream over a path exactly as the command line gave it (UTF-8 on Linux, the ANSI
// code page on Windows); the run-time's TFileStream takes payload-style ANSI names instead.
// Every failure raises EBuildError naming the path.
class TNativeFileStream : public TStream {
 public:
  enum TMode { nmRead, nmCreate };
  TNativeFileStream(const std::string& path, TMode mode);
  ~TNativeFileStream() override;
  TNativeFileStream(const TNativeFileStream&) = delete;
  TNativeFileStream& operator=(const TNativeFileStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

  // Flushes and closes; raises when written data did not reach the disk.
  void Close();
  const std::string& Path() const { return FPath; }

 private:
  [[noreturn]] void Fail(const char* what, int err) const;

  std::string FPath;
  std::FILE* FFile = nullptr;
};

// A new file beside finalPath that replaces finalPath only through Commit; destroyed
// without a commit, it removes itself, so a failed build never leaves a half-written show.
class TTempFile {
 public:
  explicit TTempFile(std::string finalPath);
  ~TTempFile();
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  const std::string& Path() const { return FPath; }
  const std::string& FinalPath() const { return FFinalPath; }
  // Renames the temporary file to the final path.
  void Commit();

 private:
  std::string FFinalPath;
  std::string FPath;
  bool FCommitted = false;
};

// A command-line text as the payload stores it, in code page 1252 (arguments arrive in UTF-8
// on Linux and in the ANSI code page on Windows). lossless is cleared when a character had
// no place in the code page and became '?'.
std::string ShowTextFromArgument(const std::string& argument, bool& lossless);
// A payload text for the terminal.
std::string ArgumentFromShowText(const std::string& text);

// Whether path names an existing regular file.
bool IsRegularFile(const std::string& path);
// The last component of a path ("" for a path that ends in a separator).
std::string BaseName(const std::string& path);
// The folder of a path ("" for a bare name), without a trailing separator.
std::string FolderOf(const std::string& path);

}  // namespace pictova
