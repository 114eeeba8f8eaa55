// Building a show: checks everything the engine relies on before writing, then copies the
// engine and the images into a temporary file and appends the index and the trailer.
#include "pictova-build/ShowBuilder.h"

#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <system_error>
#include <thread>

#include "imageio/ImageIO.h"
#include "pictova-build/OrderedWork.h"
#include "pictova-build/PngConversion.h"
#include "rtl/Ansi.h"

namespace pictova {

namespace fs = std::filesystem;

namespace {

// The engine looks for the extension of each name in this text and passes over the image
// when it does not occur in it.
constexpr const char* kEngineExtensions = ".BMP.PCX.JPG.PNG.TIF.TGA.GIF";

// Offsets and sizes in the index are signed 32-bit numbers.
constexpr int64_t kMaxShowSize = std::numeric_limits<int32_t>::max();

// A command-line text for a 50-byte text field: refused, or cut with --truncate, when the
// field cannot hold it.
std::string FieldText(const std::string& argument, const std::string& what, bool truncate,
                      std::vector<std::string>& warnings) {
  bool lossless = true;
  std::string text = ShowTextFromArgument(argument, lossless);
  if (!lossless)
    warnings.push_back(what + ": characters outside the Windows-1252 code page are stored as '?'");
  if (text.size() > static_cast<size_t>(kMaxTextLength)) {
    if (!truncate)
      throw EBuildError(Format("%s is %d characters long; the show holds at most %d (--truncate cuts it)",
                               what.c_str(), static_cast<int>(text.size()), kMaxTextLength));
    text.resize(kMaxTextLength);
    warnings.push_back(Format("%s cut to %d characters: \"%s\"", what.c_str(), kMaxTextLength,
                              ArgumentFromShowText(text).c_str()));
  }
  return text;
}

// The name stored for an image: the name chosen for it (its file name without the folder,
// or one the engine shows).
std::string ImageName(const TImageItem& item, const std::string& base, bool truncate, std::vector<std::string>& warnings) {
  if (base.empty()) throw EBuildError(item.Path + ": not a file name");
  bool lossless = true;
  std::string name = ShowTextFromArgument(base, lossless);
  if (!lossless)
    warnings.push_back(item.Path + ": characters of the name outside the Windows-1252 code page are stored as '?'");
  // The engine keeps "NAME|STYLE|DELAY" per image and takes the name up to the first "|".
  if (name.find('|') != std::string::npos)
    throw EBuildError(item.Path + ": the engine cannot take an image name with '|' in it");
  if (name.size() > static_cast<size_t>(kMaxTextLength)) {
    if (!truncate)
      throw EBuildError(Format("%s: the name is %d characters long; the show holds at most %d (--truncate shortens it)",
                               item.Path.c_str(), static_cast<int>(name.size()), kMaxTextLength));
    // Shorten the part before the extension: the engine goes by the extension.
    const std::string ext = ExtractFileExt(name);
    if (ext.size() < static_cast<size_t>(kMaxTextLength))
      name = name.substr(0, kMaxTextLength - ext.size()) + ext;
    else
      name.resize(kMaxTextLength);
    warnings.push_back(item.Path + ": name shortened to \"" + ArgumentFromShowText(name) + "\"");
  }
  if (!EngineTakesName(name))
    warnings.push_back(item.Path + ": the engine passes over an image named \"" + ArgumentFromShowText(name) +
                       "\"; it shows only names ending in .BMP .PCX .JPG .PNG .TIF .TGA or .GIF");
  return name;
}

uint8_t CheckedByte(int64_t value, const std::string& what) {
  if (value < 0 || value > 255) throw EBuildError(Format("%s %lld is out of range (0 to 255)", what.c_str(),
                                                         static_cast<long long>(value)));
  return static_cast<uint8_t>(value);
}

// Where the engine proper ends in the engine file.
int64_t EngineEnd(const TBuildRequest& request, std::vector<std::string>& warnings) {
  const std::string& path = request.EnginePath;
  if (!IsRegularFile(path)) {
    std::error_code ec;
    if (request.EngineIsDefault)
      throw EBuildError("no engine beside the tool (" + path + " does not exist); pass --engine ENGINE");
    if (fs::is_directory(path, ec)) throw EBuildError("engine " + path + ": is a folder, not a file");
    throw EBuildError("engine " + path + ": no such file");
  }
  TNativeFileStream engine(path, TNativeFileStream::nmRead);
  const TShowListing listing = ExamineShow(engine, path);
  if (!listing.HasShow) return listing.FileSize;
  if (listing.Problems.empty()) {
    if (!request.Replace)
      throw EBuildError(Format("engine %s already carries a show of %d image(s); --replace builds from the "
                               "engine without it", path.c_str(), listing.ImageCount));
    if (listing.EngineEnd == 0)
      throw EBuildError("engine " + path + ": its show starts at the first byte; no engine would remain");
    return listing.EngineEnd;
  }
  // The last bytes may begin with the trailer's magic by chance; only a show whose index
  // holds together says where the engine ends.
  if (request.Replace)
    throw EBuildError("engine " + path + " ends like a show, but " + listing.Problems.front() +
                      "; where the engine ends is unknown, so it cannot be left out");
  warnings.push_back("engine " + path + " ends like a show, but " + listing.Problems.front() +
                     "; the whole file is taken as the engine");
  return listing.FileSize;
}

int64_t ImageFileSize(const TImageItem& item) {
  std::error_code ec;
  if (fs::is_directory(item.Path, ec)) throw EBuildError(item.Path + ": is a folder, not a picture");
  if (!IsRegularFile(item.Path)) throw EBuildError(item.Path + ": no such file");
  const uintmax_t size = fs::file_size(item.Path, ec);
  if (ec) throw EBuildError(item.Path + ": " + ec.message());
  return static_cast<int64_t>(std::min<uintmax_t>(size, std::numeric_limits<int64_t>::max()));
}

[[noreturn]] void RefuseSize() {
  throw EBuildError(Format("the show would be larger than %lld bytes (2 GiB), the most its index can address",
                           static_cast<long long>(kMaxShowSize)));
}

// The picture's width and height for the index's 16-bit fields, 0 x 0 when unknown.
void SetPictureSize(const std::string& path, int32_t width, int32_t height, TPayloadRecord& record,
                    std::vector<std::string>& warnings) {
  if (width <= 0 || height <= 0) return;
  if (width > 0xFFFF || height > 0xFFFF) {
    warnings.push_back(Format("%s: %dx%d does not fit the index's 16-bit size fields; stored as 0x0",
                              path.c_str(), width, height));
    return;
  }
  record.Width = static_cast<uint16_t>(width);
  record.Height = static_cast<uint16_t>(height);
}

// name, or name with "-2", "-3", ... before its extension, so that no two different files
// share a name in the show (the same file given twice keeps its name).
std::string UniqueName(const std::string& name, const std::string& path, std::map<std::string, std::string>& used) {
  std::error_code ec;
  const std::string source = fs::weakly_canonical(path, ec).string();
  const std::string ext = ExtractFileExt(name);
  const std::string stem = name.substr(0, name.size() - ext.size());
  for (int n = 1;; ++n) {
    const std::string candidate = n == 1 ? name : Format("%s-%d%s", stem.c_str(), n, ext.c_str());
    const auto [it, added] = used.emplace(AnsiUpperCase(candidate), source);
    if (added || it->second == source) return candidate;
  }
}

// A picture that could be prepared, or why not.
struct TPreparedOrFailed {
  TPreparedPicture Picture;
  std::string Failure;
};

void CopyFile(const std::string& from, const std::string& to) {
  TNativeFileStream in(from, TNativeFileStream::nmRead);
  TNativeFileStream out(to, TNativeFileStream::nmCreate);
  const int64_t size = in.Size();
  try {
    if (size > 0) out.CopyFrom(in, size);
  } catch (const EBuildError&) {
    throw;
  } catch (const Exception& e) {
    throw EBuildError(from + ": " + e.Message());
  }
  out.Close();
}

}  // namespace

bool EngineTakesName(const std::string& name) {
  const std::string ext = AnsiUpperCase(ExtractFileExt(name));
  return !ext.empty() && std::strstr(kEngineExtensions, ext.c_str()) != nullptr;
}

TBuildResult BuildShow(const TBuildRequest& original, std::vector<std::string>& warnings) {
  const TPngConversions conversions(original, warnings);
  const TBuildRequest& request = conversions.Request();
  TBuildResult result;

  // Everything that can be refused is refused before anything is written.
  if (request.Images.empty()) throw EBuildError("a show needs at least one image");
  {
    std::error_code ec;
    const std::string folder = FolderOf(request.OutputPath);
    if (fs::is_directory(request.OutputPath, ec)) throw EBuildError(request.OutputPath + ": is a folder");
    if (!folder.empty() && !fs::is_directory(folder, ec))
      throw EBuildError(request.OutputPath + ": the folder " + folder + " does not exist");
  }
  TPayloadTrailer& trailer = result.Trailer;
  trailer.Title = FieldText(request.Title, "the title", request.Truncate, warnings);
  trailer.DateText = FieldText(request.DateText, "the date", request.Truncate, warnings);
  trailer.NoticeText = FieldText(request.NoticeText, "the notice", request.Truncate, warnings);
  trailer.AuthorName = FieldText(request.AuthorName, "the author", request.Truncate, warnings);
  trailer.Interval = CheckedByte(request.Interval, "interval");
  trailer.Options = static_cast<uint8_t>((request.Windowed ? 0 : kOptionFullScreen) |
                                         (request.Centered ? kOptionCentered : 0));

  std::string musicDestination;
  if (!request.MusicPath.empty()) {
    const std::string base = BaseName(request.MusicPath);
    if (base.empty()) throw EBuildError("--music " + request.MusicPath + ": not a file name");
    bool lossless = true;
    trailer.MusicFile = ShowTextFromArgument(base, lossless);
    // The engine looks the file up by the stored name: a '?' in place of a character would
    // name another file.
    if (!lossless)
      throw EBuildError("music " + base + ": the name has characters outside the Windows-1252 code page");
    if (trailer.MusicFile.size() > static_cast<size_t>(kMaxTextLength))
      throw EBuildError(Format("music %s: the name is %d characters long; the show holds at most %d",
                               base.c_str(), static_cast<int>(trailer.MusicFile.size()), kMaxTextLength));
    musicDestination = (fs::path(FolderOf(request.OutputPath)) / base).string();
    if (request.CopyMusic) {
      if (!IsRegularFile(request.MusicPath)) throw EBuildError("music " + request.MusicPath + ": no such file");
    } else if (!IsRegularFile(musicDestination)) {
      warnings.push_back("music " + musicDestination + " does not exist; the show plays silent until a file "
                         "of that name lies beside it (--copy-music copies it there)");
    }
  }

  // The pictures: folders opened, the order shuffled, transitions handed out, and for each
  // file what it needs (stored, turned, scaled, converted) or why it cannot be shown.
  std::vector<TImageItem> items = ExpandFolders(request.Images, request.Recursive, result.LeftOut);
  if (request.Shuffle) ShuffleItems(items, request.ShuffleSeed);
  AssignStyles(items, request.Styles);
  std::vector<TPicturePlan> plans;
  std::vector<TPayloadRecord> planned;
  std::vector<std::string> origins;
  std::map<std::string, std::string> usedNames;
  bool originsTell = false;
  for (const TImageItem& item : items) {
    ImageFileSize(item);  // refuses folders and missing files by name
    TPicturePlan plan = PlanPicture(item.Path, request.Prepare);
    if (plan.Step == psRefuse) {
      if (!request.SkipBad) throw EBuildError(plan.Refusal + " (--skip-bad leaves such files out)");
      warnings.push_back(plan.Refusal + "; left out");
      ++result.Skipped;
      continue;
    }
    if (!plan.Warning.empty()) warnings.push_back(plan.Warning);
    const std::string base = BaseName(item.Path);
    const std::string name = UniqueName(plan.StoredName, item.Path, usedNames);
    if (name != base) ++result.Renamed;
    TPayloadRecord record;
    record.Name = ImageName(item, name, request.Truncate, warnings);
    record.Style = CheckedByte(item.Style, item.Path + ": style");
    if (record.Style > kLastEngineStyle)
      warnings.push_back(Format("%s: style %d is none of the engine's transitions (0 to %d); it is stored as given",
                                item.Path.c_str(), record.Style, kLastEngineStyle));
    record.Delay = CheckedByte(item.Delay, item.Path + ": delay");
    record.Flags = static_cast<uint8_t>((item.Reverse ? kFlagReverse : 0) | (item.Clear ? kFlagClearFirst : 0));
    originsTell = originsTell || item.FromFolder || name != base;
    planned.push_back(record);
    plans.push_back(std::move(plan));
    origins.push_back(item.Path);
  }
  if (plans.empty()) throw EBuildError("no picture left to show");

  const int64_t engineEnd = EngineEnd(request, warnings);
  const int64_t indexSize = static_cast<int64_t>(kIndexRecordSize) * static_cast<int64_t>(plans.size()) + kTrailerSize;
  int64_t total = engineEnd + indexSize;
  if (total > kMaxShowSize) RefuseSize();
  for (const TPicturePlan& plan : plans) {
    if (plan.Step != psStore) continue;  // the others' sizes are known once prepared
    const int64_t size = ImageFileSize(TImageItem{plan.Path});
    if (size > kMaxShowSize - total) RefuseSize();
    total += size;
  }

  TTempFile show(request.OutputPath);
  {
    TNativeFileStream out(show.Path(), TNativeFileStream::nmCreate);
    {
      TNativeFileStream engine(request.EnginePath, TNativeFileStream::nmRead);
      try {
        if (engineEnd > 0) out.CopyFrom(engine, engineEnd);
      } catch (const EBuildError&) {
        throw;
      } catch (const Exception& e) {
        throw EBuildError("engine " + request.EnginePath + ": " + e.Message());
      }
    }
    const int threads = request.Threads > 0 ? request.Threads : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    auto prepare = [&](size_t i) {
      TPreparedOrFailed result;
      try {
        result.Picture = PreparePicture(plans[i], request.Prepare);
      } catch (const EBuildError& e) {
        result.Failure = plans[i].Path + ": " + e.Message();
      }
      return result;
    };
    auto write = [&](size_t i, TPreparedOrFailed& prepared) {
      const std::string& path = plans[i].Path;
      if (!prepared.Failure.empty()) {
        if (!request.SkipBad) throw EBuildError(prepared.Failure + " (--skip-bad leaves such files out)");
        warnings.push_back(prepared.Failure + "; left out");
        ++result.Skipped;
        return;
      }
      const TPreparedPicture& picture = prepared.Picture;
      TPayloadRecord record = planned[i];
      const int64_t offset = out.Position();
      // The files may have changed since they were measured.
      const int64_t rest = static_cast<int64_t>(kIndexRecordSize) * static_cast<int64_t>(plans.size() - i) + kTrailerSize;
      if (picture.Data.empty()) {
        TNativeFileStream in(path, TNativeFileStream::nmRead);
        const int64_t size = in.Size();
        if (size > kMaxShowSize - offset - rest) RefuseSize();
        record.Size = static_cast<int32_t>(size);
        try {
          if (size > 0) out.CopyFrom(in, size);
        } catch (const EBuildError&) {
          throw;
        } catch (const Exception& e) {
          throw EBuildError(path + ": " + e.Message());
        }
      } else {
        const int64_t size = static_cast<int64_t>(picture.Data.size());
        if (size > kMaxShowSize - offset - rest) RefuseSize();
        record.Size = static_cast<int32_t>(size);
        out.WriteBuffer(picture.Data.data(), static_cast<int32_t>(size));
      }
      record.Offset = static_cast<int32_t>(offset);
      SetPictureSize(path, picture.Width, picture.Height, record, warnings);
      if (!picture.Note.empty() && (picture.Reencoded || picture.Trimmed)) warnings.push_back(path + ": " + picture.Note);
      result.Turned += picture.Turned;
      result.Scaled += picture.Scaled;
      result.Converted += picture.Converted;
      result.Reencoded += picture.Reencoded;
      result.Records.push_back(record);
      result.Origins.push_back(origins[i]);
      if (request.OnProgress) request.OnProgress(TBuildProgress{i + 1, plans.size(), out.Position()});
    };
    RunInOrder<TPreparedOrFailed>(plans.size(), threads, static_cast<size_t>(threads) * 2 + 2, prepare, write);
    if (result.Records.empty()) throw EBuildError("no picture left to show");
    if (originsTell) {
      const std::vector<uint8_t> block = MakeOriginsBlock(result.Origins);
      const int64_t rest = static_cast<int64_t>(kIndexRecordSize) * static_cast<int64_t>(result.Records.size()) + kTrailerSize;
      if (static_cast<int64_t>(block.size()) > kMaxShowSize - out.Position() - rest) RefuseSize();
      out.WriteBuffer(block.data(), static_cast<int32_t>(block.size()));
      result.OriginsStored = true;
    }
    WritePayloadIndex(out, trailer, result.Records);
    result.FileSize = out.Position();
    out.Close();
  }
  result.EngineSize = engineEnd;

#ifndef _WIN32
  // The show runs as the engine does: it takes the engine's execute permissions.
  std::error_code ec;
  const fs::perms execute = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  const fs::perms enginePerms = fs::status(request.EnginePath, ec).permissions();
  if (!ec) fs::permissions(show.Path(), enginePerms & execute, fs::perm_options::add, ec);
  if (ec) throw EBuildError(show.FinalPath() + ": cannot set its permissions: " + ec.message());
#endif

  std::optional<TTempFile> music;
  if (request.CopyMusic) {
    std::error_code ec;
    const bool inPlace = fs::exists(musicDestination, ec) && fs::equivalent(request.MusicPath, musicDestination, ec);
    if (!inPlace) {
      music.emplace(musicDestination);
      CopyFile(request.MusicPath, music->Path());
      result.MusicCopied = true;
    }
  }
  if (music) music->Commit();
  show.Commit();
  return result;
}

}  // namespace pictova
