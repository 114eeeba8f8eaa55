// Listing the show a file carries: its trailer, its index as a table, and what in them does
// not hold together (an index outside the file, image ranges past the image data).
#include <algorithm>
#include <filesystem>
#include <ostream>

#include "pictova-build/ShowBuilder.h"

namespace pictova {

namespace {

std::string OptionsText(uint8_t options) {
  std::string text = (options & kOptionFullScreen) ? "full screen" : "windowed (sized to each picture)";
  if (options & kOptionCentered) text += ", centred";
  if (options & kOptionBit4) text += ", bit 4";
  if (options & kOptionBit6) text += ", bit 6";
  const uint8_t others = options & ~(kOptionFullScreen | kOptionCentered | kOptionBit4 | kOptionBit6);
  if (others) text += Format(", other bits 0x%02x", others);
  return text;
}

std::string FlagsText(uint8_t flags) {
  std::string text;
  auto add = [&](const char* word) { text += text.empty() ? word : std::string(",") + word; };
  if (flags & kFlagReverse) add("reverse");
  if (flags & kFlagClearFirst) add("clear");
  if (flags & kFlagSpare) add("2");
  const uint8_t others = flags & ~(kFlagReverse | kFlagClearFirst | kFlagSpare);
  if (others) add(Format("0x%02x", others).c_str());
  return text.empty() ? "-" : text;
}

// Characters on the terminal: UTF-8 continuation bytes take no column.
size_t Columns(const std::string& utf8) {
  return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(),
                                           [](char c) { return (static_cast<uint8_t>(c) & 0xC0) != 0x80; }));
}

std::string PadRight(const std::string& text, size_t width) {
  const size_t columns = Columns(text);
  return columns >= width ? text : text + std::string(width - columns, ' ');
}

constexpr char kOriginsMagic[8] = {'P', 'V', 'O', 'R', 'I', 'G', 'I', 'N'};
// Enough for 49-character names in deep folders, times a large show.
constexpr int64_t kMaxOriginsBlock = 64 << 20;

}  // namespace

std::vector<uint8_t> MakeOriginsBlock(const std::vector<std::string>& origins) {
  std::vector<uint8_t> block(kOriginsMagic, kOriginsMagic + 8);
  auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) block.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  put(static_cast<uint32_t>(origins.size()), 4);
  for (const std::string& origin : origins) {
    const std::string text = origin.substr(0, 0xFFFF);
    put(static_cast<uint32_t>(text.size()), 2);
    block.insert(block.end(), text.begin(), text.end());
  }
  return block;
}

bool ParseOriginsBlock(const std::vector<uint8_t>& block, size_t count, std::vector<std::string>& origins) {
  if (block.size() < 12 || !std::equal(kOriginsMagic, kOriginsMagic + 8, block.begin())) return false;
  const uint32_t stored = block[8] | block[9] << 8 | block[10] << 16 | static_cast<uint32_t>(block[11]) << 24;
  if (stored != count) return false;
  std::vector<std::string> found;
  size_t pos = 12;
  for (size_t i = 0; i < count; ++i) {
    if (block.size() - pos < 2) return false;
    const size_t length = block[pos] | block[pos + 1] << 8;
    pos += 2;
    if (block.size() - pos < length) return false;
    found.emplace_back(block.begin() + static_cast<std::ptrdiff_t>(pos), block.begin() + static_cast<std::ptrdiff_t>(pos + length));
    pos += length;
  }
  if (pos != block.size()) return false;
  origins = std::move(found);
  return true;
}

TShowListing ExamineShow(TStream& stream, const std::string& path) {
  TShowListing listing;
  listing.Path = path;
  listing.FileSize = stream.Size();
  if (listing.FileSize < kTrailerSize) {
    listing.NoShowReason = Format("the file has %lld bytes, fewer than a show's %d-byte trailer",
                                  static_cast<long long>(listing.FileSize), kTrailerSize);
    return listing;
  }
  int32_t count = 0;
  if (!ReadPayloadTrailer(stream, listing.Trailer, count)) {
    stream.SetPosition(listing.FileSize - kTrailerSize);
    uint8_t magic = 0;
    stream.ReadBuffer(&magic, 1);
    listing.NoShowReason = Format("no show trailer at its end (the byte at offset %lld is %d, a show has %d)",
                                  static_cast<long long>(listing.FileSize - kTrailerSize), magic, kPayloadMagic);
    return listing;
  }
  listing.HasShow = true;
  listing.ImageCount = count;
  if (count < 0) {
    listing.Problems.push_back(Format("the image count %d is negative", count));
    return listing;
  }
  listing.IndexStart = listing.FileSize - kTrailerSize - static_cast<int64_t>(kIndexRecordSize) * count;
  if (listing.IndexStart < 0) {
    listing.Problems.push_back(Format("an index of %d records (%lld bytes) does not fit in the file's %lld bytes",
                                      count, static_cast<long long>(kIndexRecordSize) * count,
                                      static_cast<long long>(listing.FileSize - kTrailerSize)));
    return listing;
  }

  // The index fits in the file, so the records read here are bounded by its size.
  stream.SetPosition(listing.IndexStart);
  listing.EngineEnd = listing.IndexStart;
  int bad = 0;
  for (int32_t i = 0; i < count; ++i) {
    TPayloadRecord record = ReadPayloadRecord(stream);
    std::string problem;
    const int64_t end = static_cast<int64_t>(record.Offset) + record.Size;
    if (record.Offset < 0)
      problem = "negative offset";
    else if (record.Size < 0)
      problem = "negative size";
    else if (end > listing.FileSize)
      problem = "past the end of the file";
    else if (end > listing.IndexStart)
      problem = "reaches into the index";
    if (problem.empty())
      listing.EngineEnd = std::min<int64_t>(listing.EngineEnd, record.Offset);
    else
      ++bad;
    listing.Records.push_back(std::move(record));
    listing.RecordProblems.push_back(std::move(problem));
  }
  if (bad > 0) {
    listing.Problems.push_back(Format("%d of %d image(s) lie outside the image data before the index", bad, count));
    return listing;
  }
  // The builder's record of the original files fills the room between the last picture and
  // the index exactly.
  int64_t imagesEnd = 0;
  for (const TPayloadRecord& record : listing.Records)
    imagesEnd = std::max<int64_t>(imagesEnd, static_cast<int64_t>(record.Offset) + record.Size);
  const int64_t room = listing.IndexStart - imagesEnd;
  if (count > 0 && room >= 12 && room <= kMaxOriginsBlock) {
    std::vector<uint8_t> block(static_cast<size_t>(room));
    stream.SetPosition(imagesEnd);
    stream.ReadBuffer(block.data(), static_cast<int32_t>(room));
    ParseOriginsBlock(block, static_cast<size_t>(count), listing.Origins);
  }
  return listing;
}

TShowListing ExamineShowFile(const std::string& path) {
  TNativeFileStream file(path, TNativeFileStream::nmRead);
  return ExamineShow(file, path);
}

void PrintShowListing(const TShowListing& listing, std::ostream& out) {
  if (!listing.HasShow) return;
  const TPayloadTrailer& t = listing.Trailer;
  out << "show:      " << listing.Path << " (" << listing.FileSize << " bytes)\n";
  out << "title:     " << ArgumentFromShowText(t.Title) << "\n";
  out << "date:      " << ArgumentFromShowText(t.DateText) << "\n";
  out << "notice:    " << ArgumentFromShowText(t.NoticeText) << "\n";
  out << "author:    " << ArgumentFromShowText(t.AuthorName) << "\n";
  if (t.MusicFile.empty()) {
    out << "music:     (none)\n";
  } else {
    const std::string music = ArgumentFromShowText(t.MusicFile);
    const std::string folder = FolderOf(listing.Path);
    const bool present = IsRegularFile((std::filesystem::path(folder) / music).string());
    out << "music:     " << music << (present ? " (beside the show)" : " (not beside the show: silent)") << "\n";
  }
  out << "interval:  " << static_cast<int>(t.Interval) << " (pause "
      << (6 * static_cast<int>(t.Interval) + 1) * 100 << " ms)\n";
  out << "options:   " << Format("0x%02x", t.Options) << " (" << OptionsText(t.Options) << ")\n";
  out << "images:    " << listing.ImageCount;
  if (listing.ImageCount >= 0 && listing.IndexStart >= 0) out << " (index at offset " << listing.IndexStart << ")";
  out << "\n";
  if (listing.Records.empty()) return;

  size_t nameWidth = 4;
  std::vector<std::string> names;
  for (const TPayloadRecord& r : listing.Records) {
    names.push_back(ArgumentFromShowText(r.Name));
    nameWidth = std::max(nameWidth, Columns(names.back()));
  }
  const bool origins = listing.Origins.size() == listing.Records.size();
  out << "\n"
      << Format("%4s  ", "#") << PadRight("name", nameWidth)
      << Format("  %10s  %10s  %5s  %5s  %-13s  %-11s  %s", "offset", "size", "style", "delay", "flags",
                "picture", origins ? "range  original" : "range")
      << "\n";
  for (size_t i = 0; i < listing.Records.size(); ++i) {
    const TPayloadRecord& r = listing.Records[i];
    std::string range = listing.RecordProblems[i].empty() ? "ok" : "BAD: " + listing.RecordProblems[i];
    if (!EngineTakesName(r.Name)) range += " (the engine passes over this name)";
    out << Format("%4d  ", static_cast<int>(i + 1)) << PadRight(names[i], nameWidth)
        << Format("  %10d  %10d  %5d  %5d  %-13s  %-11s  %s", r.Offset, r.Size, r.Style, r.Delay,
                  FlagsText(r.Flags).c_str(), Format("%dx%d", r.Width, r.Height).c_str(),
                  origins ? PadRight(range, 5).c_str() : range.c_str());
    if (origins) out << "  " << listing.Origins[i];
    out << "\n";
  }
}

}  // namespace pictova
