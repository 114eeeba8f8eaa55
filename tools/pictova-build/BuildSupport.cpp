// File access, temporary files and text conversion for the show builder.
#include "pictova-build/BuildSupport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "rtl/Ansi.h"

namespace pictova {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr const char* kSeparators = "\\/:";
#else
constexpr const char* kSeparators = "/";
#endif

int SeekNative(std::FILE* file, int64_t offset, int whence) {
#ifdef _WIN32
  return _fseeki64(file, offset, whence);
#else
  return fseeko(file, static_cast<off_t>(offset), whence);
#endif
}

int64_t TellNative(std::FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return static_cast<int64_t>(ftello(file));
#endif
}

}  // namespace

TNativeFileStream::TNativeFileStream(const std::string& path, TMode mode) : FPath(path) {
  if (mode == nmRead) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw EBuildError(path + ": is a folder, not a file");
  }
  FFile = std::fopen(path.c_str(), mode == nmRead ? "rb" : "wb");
  if (!FFile) Fail(mode == nmRead ? "cannot open" : "cannot create", errno);
}

TNativeFileStream::~TNativeFileStream() {
  if (FFile) std::fclose(FFile);
}

void TNativeFileStream::Fail(const char* what, int err) const {
  throw EBuildError(FPath + ": " + what + ": " + std::strerror(err ? err : EIO));
}

int32_t TNativeFileStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  errno = 0;
  const size_t n = std::fread(buffer, 1, static_cast<size_t>(count), FFile);
  if (n < static_cast<size_t>(count) && std::ferror(FFile)) Fail("cannot read", errno);
  return static_cast<int32_t>(n);
}

int32_t TNativeFileStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  errno = 0;
  const size_t n = std::fwrite(buffer, 1, static_cast<size_t>(count), FFile);
  if (n < static_cast<size_t>(count)) Fail("cannot write", errno);
  return static_cast<int32_t>(n);
}

int64_t TNativeFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  if (SeekNative(FFile, offset, whence) != 0) Fail("cannot seek", errno);
  return TellNative(FFile);
}

void TNativeFileStream::Close() {
  if (!FFile) return;
  errno = 0;
  const bool flushed = std::fflush(FFile) == 0 && !std::ferror(FFile);
  const int err = errno;
  const bool closed = std::fclose(FFile) == 0;
  FFile = nullptr;
  if (!flushed || !closed) Fail("cannot write", err ? err : errno);
}

TTempFile::TTempFile(std::string finalPath) : FFinalPath(std::move(finalPath)) {
  // Beside the final file, so that the rename stays within one file system.
  std::mt19937 random(static_cast<uint32_t>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^ std::random_device{}()));
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = FFinalPath + Format(".part%08x", static_cast<unsigned>(random()));
    if (!fs::exists(candidate, ec)) {
      FPath = candidate;
      return;
    }
  }
  throw EBuildError(FFinalPath + ": no free name for a temporary file beside it");
}

TTempFile::~TTempFile() {
  if (FCommitted) return;
  std::error_code ec;
  fs::remove(FPath, ec);
}

void TTempFile::Commit() {
  std::error_code ec;
  fs::rename(FPath, FFinalPath, ec);
#ifdef _WIN32
  // The Windows run-time's rename does not replace an existing file: remove it first. The
  // complete new file is ready, so only the moment between the two steps is exposed.
  if (ec && fs::exists(FFinalPath)) {
    fs::remove(FFinalPath, ec);
    if (!ec) fs::rename(FPath, FFinalPath, ec);
  }
#endif
  if (ec) throw EBuildError(FFinalPath + ": cannot put the new file in place: " + ec.message());
  FCommitted = true;
}

std::string ShowTextFromArgument(const std::string& argument, bool& lossless) {
#ifdef _WIN32
  lossless = true;
  return argument;
#else
  std::string text = Utf8ToCp1252(argument);
  lossless = std::count(text.begin(), text.end(), '?') == std::count(argument.begin(), argument.end(), '?');
  return text;
#endif
}

std::string ArgumentFromShowText(const std::string& text) {
#ifdef _WIN32
  return text;
#else
  return Cp1252ToUtf8(text);
#endif
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

std::string BaseName(const std::string& path) {
  const size_t cut = path.find_last_of(kSeparators);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FolderOf(const std::string& path) {
  const size_t cut = path.find_last_of(kSeparators);
  if (cut == std::string::npos) return {};
  if (cut == 0) return path.substr(0, 1);  // the root
  return path.substr(0, cut);
}

}  // namespace pictova
