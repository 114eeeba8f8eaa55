// Byte streams (memory and file) and the ordered string list.
#include "rtl/Classes.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "rtl/Ansi.h"
#include "rtl/SysUtils.h"

namespace pictova {
namespace {

// 64-bit file positions: off_t, and so fseeko/ftello, have 32 bits in the 32-bit Windows
// run-time, where the 64-bit functions carry other names.
int SeekFile(FILE* file, int64_t offset, int whence) {
#ifdef _WIN32
  return _fseeki64(file, offset, whence);
#else
  return fseeko(file, static_cast<off_t>(offset), whence);
#endif
}

int64_t TellFile(FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return static_cast<int64_t>(ftello(file));
#endif
}

// Whether the path names a directory, a file (anything else that exists) or nothing. The
// 32-bit Windows run-time's plain stat has a 32-bit size field and fails for files past 2 GiB.
enum class TPathKind { None, File, Directory };

TPathKind PathKind(const std::string& native) {
#ifdef _WIN32
  struct _stat64 st {};
  if (::_stat64(native.c_str(), &st) != 0) return TPathKind::None;
#else
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0) return TPathKind::None;
#endif
  return S_ISDIR(st.st_mode) ? TPathKind::Directory : TPathKind::File;
}

}  // namespace

int64_t TStream::Size() {
  const int64_t pos = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count < 0 || (count > 0 && Read(buffer, count) != count))
    throw EInOutError(EInOutError::kReadBeyondEnd);
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count < 0 || (count > 0 && Write(buffer, count) != count)) throw EInOutError(101);
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<uint8_t> block(64 * 1024);
  int64_t left = count;
  while (left > 0) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(left, block.size()));
    source.ReadBuffer(block.data(), n);
    WriteBuffer(block.data(), n);
    left -= n;
  }
  return count;
}

namespace {
// Shared seek arithmetic of the memory streams: positions may pass the end, never go below 0.
int64_t SeekWithin(int64_t& position, int64_t size, int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position : size;
  int64_t target = base + offset;
  position = target < 0 ? 0 : target;
  return position;
}

int32_t ReadWithin(const uint8_t* data, int64_t size, int64_t& position, void* buffer,
                   int32_t count) {
  if (count <= 0 || position >= size) return 0;
  const int64_t n = std::min<int64_t>(count, size - position);
  std::memcpy(buffer, data + position, static_cast<size_t>(n));
  position += n;
  return static_cast<int32_t>(n);
}
}  // namespace

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  return ReadWithin(FData.data(), Size(), FPosition, buffer, count);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const int64_t end = FPosition + count;
  if (end > static_cast<int64_t>(FData.size())) FData.resize(static_cast<size_t>(end));
  std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
  FPosition = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  return SeekWithin(FPosition, Size(), offset, origin);
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) size = 0;
  FData.resize(static_cast<size_t>(size));
  if (FPosition > size) FPosition = size;
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const int64_t size = source.Size();
  if (size > std::numeric_limits<int32_t>::max()) throw EInOutError(8);
  FData.resize(static_cast<size_t>(size));
  source.ReadBuffer(FData.data(), static_cast<int32_t>(size));
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  TFileStream file(path);
  LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& path) const {
  TFileStream file(path, fmCreate);
  if (!FData.empty()) file.WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

int32_t TReadOnlyMemoryStream::Read(void* buffer, int32_t count) {
  return ReadWithin(FData, FSize, FPosition, buffer, count);
}

int32_t TReadOnlyMemoryStream::Write(const void*, int32_t) { return 0; }

int64_t TReadOnlyMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  return SeekWithin(FPosition, FSize, offset, origin);
}

TFileStream::TFileStream(const std::string& path, TFileMode mode) : FFileName(path) {
  const std::string native = NativeFileName(path);
  if (mode == fmOpenRead && PathKind(native) == TPathKind::Directory)
    throw EInOutError(EInOutError::kAccessDenied);
  FFile = std::fopen(native.c_str(), mode == fmOpenRead ? "rb" : "w+b");
  if (!FFile) throw EInOutError(InOutCodeFromErrno(errno));
}

TFileStream::~TFileStream() {
  if (FFile) std::fclose(FFile);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const size_t n = std::fread(buffer, 1, static_cast<size_t>(count), FFile);
  if (n < static_cast<size_t>(count) && std::ferror(FFile)) {
    std::clearerr(FFile);
    throw EInOutError(InOutCodeFromErrno(errno ? errno : EIO));
  }
  return static_cast<int32_t>(n);
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  return static_cast<int32_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), FFile));
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  if (SeekFile(FFile, offset, whence) != 0)
    throw EInOutError(errno == EINVAL ? 131 : InOutCodeFromErrno(errno));  // 131: negative seek
  return TellFile(FFile);
}

bool FileExists(const std::string& path) {
  return PathKind(NativeFileName(path)) == TPathKind::File;
}

void TStringList::Insert(int index, std::string s) {
  if (index < 0 || index > Count()) throw Exception(Format("List index out of bounds (%d)", index));
  FItems.insert(FItems.begin() + index, std::move(s));
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) throw Exception(Format("List index out of bounds (%d)", index));
  FItems.erase(FItems.begin() + index);
}

int TStringList::IndexOf(const std::string& s) const {
  const std::string key = AnsiUpperCase(s);
  for (int i = 0; i < Count(); ++i)
    if (AnsiUpperCase(FItems[static_cast<size_t>(i)]) == key) return i;
  return -1;
}

std::string TStringList::Text() const {
  std::string out;
  for (const auto& item : FItems) {
    out += item;
    out += "\r\n";
  }
  return out;
}

void TStringList::SetText(const std::string& text) {
  FItems.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      FItems.push_back(text.substr(start));
      break;
    }
    FItems.push_back(text.substr(start, end - start));
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
}

}  // namespace pictova
