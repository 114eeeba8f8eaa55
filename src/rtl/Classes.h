// Byte streams (memory and file) and the ordered string list.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pictova {

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// A positioned sequence of bytes. Read returns how many bytes it got; ReadBuffer insists on
// all of them and raises "Read beyond end of file" otherwise.
class TStream {
 public:
  virtual ~TStream() = default;

  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
  virtual int64_t Size();

  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies count bytes (all from the start when count is 0) from source; returns the count.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> data) : FData(std::move(data)) {}

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }

  void SetSize(int64_t size);
  void Clear();
  void LoadFromStream(TStream& source);
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;

  uint8_t* Memory() { return FData.data(); }
  const uint8_t* Memory() const { return FData.data(); }
  const std::vector<uint8_t>& Data() const { return FData; }

 private:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};

// A stream over a read-only view of memory that somebody else owns.
class TReadOnlyMemoryStream : public TStream {
 public:
  TReadOnlyMemoryStream(const void* data, int64_t size)
      : FData(static_cast<const uint8_t*>(data)), FSize(size) {}
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return FSize; }

 private:
  const uint8_t* FData;
  int64_t FSize;
  int64_t FPosition = 0;
};

enum TFileMode { fmOpenRead, fmCreate };

// A stream over a file. fmOpenRead opens for reading with sharing, so a running executable
// can read its own file; failures raise EInOutError with the run-time's code.
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& path, TFileMode mode = fmOpenRead);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
  std::FILE* FFile = nullptr;
};

// Whether a file exists and is not a directory.
bool FileExists(const std::string& path);

// An ordered list of strings (not sorted), as the framework's string list.
class TStringList {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& operator[](int index) const { return FItems.at(static_cast<size_t>(index)); }
  std::string& operator[](int index) { return FItems.at(static_cast<size_t>(index)); }
  int Add(std::string s) {
    FItems.push_back(std::move(s));
    return Count() - 1;
  }
  void Insert(int index, std::string s);
  void Delete(int index);
  void Clear() { FItems.clear(); }
  int IndexOf(const std::string& s) const;  // case-insensitive over a-z, first match or -1
  // All items joined with CR LF after each, as the framework's Text property.
  std::string Text() const;
  void SetText(const std::string& text);

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }
  bool operator==(const TStringList&) const = default;

 private:
  std::vector<std::string> FItems;
};

}  // namespace pictova
