// The show builder: copies an engine and appends images, index and trailer, and lists the
// show a file carries. The command-line program is a thin shell around these functions.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/Payload.h"
#include "pictova-build/BuildSupport.h"
#include "pictova-build/InputList.h"
#include "pictova-build/PhotoPrep.h"

namespace pictova {

constexpr int kDefaultStyle = 118;
constexpr int kDefaultDelay = 5;
constexpr int kDefaultInterval = 5;  // a pause of 3.1 seconds
constexpr int kLastEngineStyle = 122;

// The engine's file name, looked for beside the tool when no engine is given: the engine of
// the tool's own build. Either Windows engine can be given with --engine.
#if defined(_WIN64)
constexpr const char* kEngineFileName = "pictova-saver64.scr";
#elif defined(_WIN32)
constexpr const char* kEngineFileName = "pictova-saver.scr";
#else
constexpr const char* kEngineFileName = "pictova-saver";
#endif

// One image of the command line: IMAGE[:style=N,delay=N,reverse,clear]. Values are kept as
// given; BuildShow checks their ranges.
struct TImageItem {
  std::string Path;
  int64_t Style = kDefaultStyle;
  int64_t Delay = kDefaultDelay;
  bool Reverse = false;
  bool Clear = false;
  bool StyleGiven = false;  // style=N was given: --styles leaves it alone
  bool FromFolder = false;  // found in a folder of the command line
};

// Where a build stands, for a progress line: pictures written of all, bytes written.
struct TBuildProgress {
  size_t Done = 0;
  size_t Total = 0;
  int64_t Bytes = 0;
};

struct TBuildRequest {
  std::string OutputPath;
  std::string EnginePath;
  bool EngineIsDefault = false;  // the engine was looked for beside the tool
  std::string Title;
  std::string DateText;
  std::string NoticeText;
  std::string AuthorName;
  std::string MusicPath;  // only its file name goes into the show
  bool CopyMusic = false;
  int64_t Interval = kDefaultInterval;
  bool Windowed = false;
  bool Centered = false;
  bool Truncate = false;  // cut over-long texts and names instead of refusing them
  bool Replace = false;   // take an engine that already carries a show, without that show
  std::vector<TImageItem> Images;  // files and folders
  bool Recursive = false;          // folders: their subfolders too
  bool Shuffle = false;
  uint64_t ShuffleSeed = 0;
  TStylePlan Styles;
  TPrepareOptions Prepare;
  bool SkipBad = false;  // leave out unreadable files instead of refusing the build
  int Threads = 0;       // pictures prepared at once; 0: one per processor
  std::function<void(const TBuildProgress&)> OnProgress;
};

struct TBuildResult {
  int64_t FileSize = 0;
  int64_t EngineSize = 0;  // bytes taken from the engine file
  std::vector<TPayloadRecord> Records;
  TPayloadTrailer Trailer;
  bool MusicCopied = false;
  std::vector<std::string> Origins;  // per record, the file it was made from
  bool OriginsStored = false;        // the show carries them (some name or place differs)
  int Turned = 0, Scaled = 0, Renamed = 0, Converted = 0, Reencoded = 0;
  int Skipped = 0;  // unreadable files left out (--skip-bad)
  int LeftOut = 0;  // files in the folders whose names are not pictures'
};

enum TCommandKind { ckBuild, ckList, ckHelp };

struct TBuildCommand {
  TCommandKind Kind = ckBuild;
  TBuildRequest Request;  // ckBuild
  std::string ListPath;   // ckList
  bool ShuffleSeedGiven = false;  // --shuffle=SEED; without it the program picks a seed
};

// The usage text printed by --help.
extern const char* const kBuildUsage;

// Raises EUsageError for a malformed command line. The engine path stays empty when
// --engine is not given; the caller fills in the default.
TBuildCommand ParseBuildCommandLine(const std::vector<std::string>& args);
// Raises EUsageError for malformed per-image options.
TImageItem ParseImageItem(const std::string& argument);

// The default engine: kEngineFileName in the folder of the running tool.
std::string DefaultEnginePath(const std::string& toolPath);

// Whether the engine shows an image of this name: its extension (from the last dot, upper
// case) must be a piece of ".BMP.PCX.JPG.PNG.TIF.TGA.GIF"; other images are passed over.
bool EngineTakesName(const std::string& name);

// Writes the show. Raises EBuildError when the input cannot make a sound show; nothing is
// then left behind, neither the output nor a temporary file. Warnings are appended as the
// build goes, so they are there even when it fails later.
TBuildResult BuildShow(const TBuildRequest& request, std::vector<std::string>& warnings);

// What a file says about the show it carries.
struct TShowListing {
  std::string Path;
  int64_t FileSize = 0;
  bool HasShow = false;
  std::string NoShowReason;  // when !HasShow
  TPayloadTrailer Trailer;
  int32_t ImageCount = 0;
  int64_t IndexStart = 0;
  std::vector<TPayloadRecord> Records;
  std::vector<std::string> RecordProblems;  // one per record, "" when sound
  std::vector<std::string> Problems;        // what makes the show damaged
  // Where the engine proper ends: the first image's offset (or the index when there is no
  // image). Meaningful only for a sound show.
  int64_t EngineEnd = 0;
  // The files the pictures were made from, when the builder recorded them (one per record).
  std::vector<std::string> Origins;
};

// The record of original files that pictova-build keeps between the last picture and the
// index: "PVORIGIN", a 32-bit count, then per picture a 16-bit length and the path's bytes
// (all little-endian). The engine never reads there: it finds pictures by their offsets.
std::vector<uint8_t> MakeOriginsBlock(const std::vector<std::string>& origins);
bool ParseOriginsBlock(const std::vector<uint8_t>& block, size_t count, std::vector<std::string>& origins);

// Reads the trailer and the index of the show in stream; never raises for bad content.
TShowListing ExamineShow(TStream& stream, const std::string& path);
// The same for a file; raises EBuildError when it cannot be read.
TShowListing ExamineShowFile(const std::string& path);
// Prints the trailer and the index as a table; the caller reports the problems.
void PrintShowListing(const TShowListing& listing, std::ostream& out);

}  // namespace pictova
