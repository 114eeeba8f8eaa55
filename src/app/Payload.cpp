// The show appended to the engine's own file: image data, a 67-byte record per image, and a
// 386-byte trailer that ends the file. Reading it, fetching one image, and writing a new one.
#include "app/Payload.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "rtl/SysUtils.h"

namespace pictova {

const char* const kNoImagesMessage =
    "An error has occurred while attempting to extract your images, as this\r"
    "file does not contain any viewable images. You must use Pictova\r"
    "to create a screensaver in which to view your slideshow.";

namespace {

#ifdef _WIN32
constexpr char kPathDelim = '\\';
#else
constexpr char kPathDelim = '/';
#endif

// The run-time's code for a seek to a negative position.
constexpr int kNegativeSeek = 131;

uint8_t ReadByte(TStream& s) {
  uint8_t b = 0;
  s.ReadBuffer(&b, 1);
  return b;
}

uint16_t ReadWord(TStream& s) {
  uint8_t b[2];
  s.ReadBuffer(b, 2);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

int32_t ReadLong(TStream& s) {
  uint8_t b[4];
  s.ReadBuffer(b, 4);
  return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                              (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
}

// A 50-byte text field: a length byte, then up to 49 characters; the rest is ignored.
std::string ReadText(TStream& s) {
  char field[kTextFieldSize];
  s.ReadBuffer(field, kTextFieldSize);
  const int len = std::min<int>(static_cast<uint8_t>(field[0]), kMaxTextLength);
  return std::string(field + 1, static_cast<size_t>(len));
}

void SeekTo(TStream& s, int64_t position) {
  if (position < 0) throw EInOutError(kNegativeSeek);
  s.SetPosition(position);
}

void WriteText(TStream& s, const std::string& text) {
  char field[kTextFieldSize] = {};
  const size_t len = std::min<size_t>(text.size(), kMaxTextLength);
  field[0] = static_cast<char>(len);
  std::memcpy(field + 1, text.data(), len);
  s.WriteBuffer(field, kTextFieldSize);
}

void WriteLE(TStream& s, uint32_t value, int bytes) {
  uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                  static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  s.WriteBuffer(b, bytes);
}

}  // namespace

TImageEntry* TImageEntries::Append(TImageEntry entry) {
  entry.Next = nullptr;
  FItems.push_back(std::move(entry));
  TImageEntry* added = &FItems.back();
  if (FTail) FTail->Next = added;
  else FHead = added;
  FTail = added;
  return added;
}

TImageEntry* TImageEntries::At(int32_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return const_cast<TImageEntry*>(&FItems[static_cast<size_t>(index)]);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == kPathDelim) return folder + name;
  return folder + kPathDelim + name;
}

std::string ExtractFilePath(const std::string& path) {
  const size_t slash = path.find_last_of(kPathDelim == '\\' ? "\\/:" : "/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileExt(const std::string& name) {
  const size_t dot = name.find_last_of(kPathDelim == '\\' ? ".\\/:" : "./");
  if (dot == std::string::npos || name[dot] != '.') return {};
  return name.substr(dot);
}

std::string EntryLine(const TImageEntry& entry) {
  return entry.Name + "|" + std::to_string(entry.Style) + "|" + std::to_string(entry.Delay);
}

bool ReadPayload(const std::string& path, TShowSettings& settings, TStringList& lines,
                 TImageEntries& entries) {
  TFileStream file(path, fmOpenRead);

  SeekTo(file, file.Size() - kTrailerSize);
  if (ReadByte(file) != kPayloadMagic) return false;

  settings.Title = ReadText(file);
  settings.DateText = ReadText(file);
  ReadText(file);  // the notice text is carried by the format but not shown
  settings.AuthorName = ReadText(file);
  settings.MusicPath = JoinPath(ExtractFilePath(path), ReadText(file));
  file.ReadBuffer(settings.Reserved.data(), kReservedSize);
  settings.PauseUnits = ReadByte(file) * 6;
  const uint8_t options = ReadByte(file);
  settings.FullScreen = (options & kOptionFullScreen) != 0;
  settings.OptionBit4 = (options & kOptionBit4) != 0;
  settings.Centered = (options & kOptionCentered) != 0;
  settings.OptionBit6 = (options & kOptionBit6) != 0;
  settings.Spare = ReadByte(file);
  const int32_t imageCount = ReadLong(file);

  // 64-bit arithmetic: a count whose index would start before the file is a negative seek,
  // never a wrapped-around position somewhere inside the file.
  SeekTo(file, file.Size() - static_cast<int64_t>(kIndexRecordSize) * imageCount - kTrailerSize);
  for (int32_t i = 0; i < imageCount; ++i) {
    TImageEntry entry;
    entry.Name = ReadText(file);
    entry.Offset = ReadLong(file);
    entry.Size = ReadLong(file);
    entry.Style = ReadByte(file);
    entry.Delay = ReadByte(file);
    const uint8_t flags = ReadByte(file);
    entry.ReverseBit = flags & kFlagReverse;
    entry.SpareBit = flags & kFlagSpare;
    entry.ClearFirstBit = flags & kFlagClearFirst;
    entry.Width = ReadWord(file);
    entry.Height = ReadWord(file);
    entry.Extra = ReadWord(file);
    lines.Add(EntryLine(entry));
    entries.Append(std::move(entry));
  }
  return true;
}

std::unique_ptr<TMemoryStream> FetchImage(const std::string& path, const TImageEntry& entry) {
  TFileStream file(path, fmOpenRead);
  SeekTo(file, entry.Offset);
  if (entry.Size < 0 || static_cast<int64_t>(entry.Offset) + entry.Size > file.Size())
    throw EInOutError(EInOutError::kReadBeyondEnd);
  auto stream = std::make_unique<TMemoryStream>();
  stream->SetSize(entry.Size);
  file.ReadBuffer(stream->Memory(), entry.Size);
  stream->SetPosition(0);
  return stream;
}

void WritePayload(TStream& out, const TPayloadTrailer& trailer, const std::vector<TPayloadImage>& images) {
  out.Seek(0, soEnd);
  std::vector<TPayloadRecord> records;
  for (const auto& image : images) {
    const int64_t offset = out.Position();
    if (offset + static_cast<int64_t>(image.Data.size()) > std::numeric_limits<int32_t>::max())
      throw EInOutError(8);  // the index cannot address images past 2 GiB
    records.push_back({image.Name, static_cast<int32_t>(offset), static_cast<int32_t>(image.Data.size()),
                       image.Style, image.Delay, image.Flags, image.Width, image.Height, image.Extra});
    if (!image.Data.empty()) out.WriteBuffer(image.Data.data(), static_cast<int32_t>(image.Data.size()));
  }
  WritePayloadIndex(out, trailer, records);
}

void WritePayloadIndex(TStream& out, const TPayloadTrailer& trailer,
                       const std::vector<TPayloadRecord>& records) {
  for (const auto& record : records) {
    WriteText(out, record.Name);
    WriteLE(out, static_cast<uint32_t>(record.Offset), 4);
    WriteLE(out, static_cast<uint32_t>(record.Size), 4);
    WriteLE(out, record.Style, 1);
    WriteLE(out, record.Delay, 1);
    WriteLE(out, record.Flags, 1);
    WriteLE(out, record.Width, 2);
    WriteLE(out, record.Height, 2);
    WriteLE(out, record.Extra, 2);
  }
  WriteLE(out, kPayloadMagic, 1);
  WriteText(out, trailer.Title);
  WriteText(out, trailer.DateText);
  WriteText(out, trailer.NoticeText);
  WriteText(out, trailer.AuthorName);
  WriteText(out, trailer.MusicFile);
  out.WriteBuffer(trailer.Reserved.data(), kReservedSize);
  WriteLE(out, trailer.Interval, 1);
  WriteLE(out, trailer.Options, 1);
  WriteLE(out, trailer.Spare, 1);
  WriteLE(out, static_cast<uint32_t>(records.size()), 4);
}

bool ReadPayloadTrailer(TStream& in, TPayloadTrailer& trailer, int32_t& imageCount) {
  const int64_t size = in.Size();
  if (size < kTrailerSize) return false;
  in.SetPosition(size - kTrailerSize);
  if (ReadByte(in) != kPayloadMagic) return false;
  trailer.Title = ReadText(in);
  trailer.DateText = ReadText(in);
  trailer.NoticeText = ReadText(in);
  trailer.AuthorName = ReadText(in);
  trailer.MusicFile = ReadText(in);
  in.ReadBuffer(trailer.Reserved.data(), kReservedSize);
  trailer.Interval = ReadByte(in);
  trailer.Options = ReadByte(in);
  trailer.Spare = ReadByte(in);
  imageCount = ReadLong(in);
  return true;
}

TPayloadRecord ReadPayloadRecord(TStream& in) {
  TPayloadRecord record;
  record.Name = ReadText(in);
  record.Offset = ReadLong(in);
  record.Size = ReadLong(in);
  record.Style = ReadByte(in);
  record.Delay = ReadByte(in);
  record.Flags = ReadByte(in);
  record.Width = ReadWord(in);
  record.Height = ReadWord(in);
  record.Extra = ReadWord(in);
  return record;
}

}  // namespace pictova
