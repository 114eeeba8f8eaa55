// The show appended to the engine's own file: image data, a 67-byte record per image, and a
// 386-byte trailer that ends the file. Reading it, fetching one image, and writing a new one.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "rtl/Classes.h"

namespace pictova {

constexpr int32_t kTrailerSize = 386;
constexpr int32_t kIndexRecordSize = 67;
constexpr int32_t kTextFieldSize = 50;
constexpr int32_t kMaxTextLength = 49;
constexpr uint8_t kPayloadMagic = 133;
constexpr int32_t kReservedSize = 128;

// Option bits of the trailer.
constexpr uint8_t kOptionFullScreen = 8;
constexpr uint8_t kOptionBit4 = 16;
constexpr uint8_t kOptionCentered = 32;
constexpr uint8_t kOptionBit6 = 64;

// Flag values of an index record.
constexpr uint8_t kFlagClearFirst = 1;
constexpr uint8_t kFlagSpare = 2;
constexpr uint8_t kFlagReverse = 4;

// One image of the show, in index order. Entries form a singly linked list; TImageEntries
// owns them for the life of the show.
struct TImageEntry {
  std::string Name;
  int32_t Size = 0;
  int32_t Offset = 0;
  int32_t Style = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Extra = 0;
  int32_t Delay = 0;
  int32_t ReverseBit = 0;
  int32_t SpareBit = 0;
  int32_t ClearFirstBit = 0;
  TImageEntry* Next = nullptr;
};

class TImageEntries {
 public:
  TImageEntry* Head() const { return FHead; }
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TImageEntry* Append(TImageEntry entry);
  TImageEntry* At(int32_t index) const;  // nullptr when out of range

 private:
  std::deque<TImageEntry> FItems;  // stable addresses
  TImageEntry* FHead = nullptr;
  TImageEntry* FTail = nullptr;
};

// What the start-up read leaves for the main form.
struct TShowSettings {
  std::string Title;
  std::string DateText;
  std::string AuthorName;
  std::string MusicPath;
  int32_t PauseUnits = 0;
  bool FullScreen = true;  // counts as set until a trailer says otherwise
  bool OptionBit4 = false;
  bool Centered = false;
  bool OptionBit6 = false;
  std::array<uint8_t, kReservedSize> Reserved{};
  uint8_t Spare = 0;
};

// The three lines of the "Error" message for a file without a show.
extern const char* const kNoImagesMessage;

// folder + name with the platform's separator: "\" on Windows, "/" elsewhere. An empty
// folder gives the name alone; a folder that already ends in the separator gets none added.
std::string JoinPath(const std::string& folder, const std::string& name);
// The folder of a path including its trailing separator ("" when there is none).
std::string ExtractFilePath(const std::string& path);
// The extension of a file name including its dot ("" when there is none).
std::string ExtractFileExt(const std::string& name);

// "NAME|STYLE|DELAY", the line kept beside each entry.
std::string EntryLine(const TImageEntry& entry);

// The start-up read of the show in the file at path. Returns false when the file carries
// no show (wrong magic): settings keep their defaults and no entries are added. Open, seek
// and read failures raise EInOutError; entries read before the failure stay in the lists.
bool ReadPayload(const std::string& path, TShowSettings& settings, TStringList& lines,
                 TImageEntries& entries);

// Exactly entry.Size bytes from entry.Offset, positioned at the start. The range is checked
// against the file before anything is allocated: a range past the end raises "Read beyond
// end of file", a negative offset the run-time's negative-seek error.
std::unique_ptr<TMemoryStream> FetchImage(const std::string& path, const TImageEntry& entry);

// --- Writing a show ---

struct TPayloadImage {
  std::string Name;  // as stored, at most 49 characters
  std::vector<uint8_t> Data;
  uint8_t Style = 118;
  uint8_t Delay = 5;
  uint8_t Flags = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint16_t Extra = 256;
};

struct TPayloadTrailer {
  std::string Title;
  std::string DateText;
  std::string NoticeText;
  std::string AuthorName;
  std::string MusicFile;
  std::array<uint8_t, kReservedSize> Reserved{};
  uint8_t Interval = 0;
  uint8_t Options = kOptionFullScreen;
  uint8_t Spare = 0;
};

// Appends images, index and trailer to out, whose current size is where the first image
// starts. Texts longer than 49 characters are cut. Raises EInOutError when offsets would
// pass 2 GiB (they are signed 32-bit in the index).
void WritePayload(TStream& out, const TPayloadTrailer& trailer, const std::vector<TPayloadImage>& images);

// One index record as stored: where its image already lies in the file.
struct TPayloadRecord {
  std::string Name;
  int32_t Offset = 0;
  int32_t Size = 0;
  uint8_t Style = 118;
  uint8_t Delay = 5;
  uint8_t Flags = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint16_t Extra = 256;
};

// Appends the index and the trailer to out, for writers that copied the images themselves.
void WritePayloadIndex(TStream& out, const TPayloadTrailer& trailer,
                       const std::vector<TPayloadRecord>& records);

// --- Reading a show as stored, for tools that list or rebuild it ---

// The trailer in the last 386 bytes of in (texts cut to 49 characters) and its image count.
// False, with nothing read, when the stream is shorter than a trailer or lacks the magic.
bool ReadPayloadTrailer(TStream& in, TPayloadTrailer& trailer, int32_t& imageCount);
// The 67-byte index record at the stream's position.
TPayloadRecord ReadPayloadRecord(TStream& in);

}  // namespace pictova
