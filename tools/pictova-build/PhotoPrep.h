// Preparing each picture for the show: one place decides, per input file, whether it is
// stored as it is, turned, scaled or converted, or refused; a second step does the work and
// may run on several threads, giving the same bytes whatever the number of threads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictova {

// The show-wide choices of the command line.
struct TPrepareOptions {
  bool AutoOrient = true;    // turn pictures upright by their EXIF orientation
  int32_t FitWidth = 0;      // --fit WxH; 0 x 0 keeps every size
  int32_t FitHeight = 0;
};

// JPEG quality of scaled and converted pictures. At 90 with 4:2:0 chroma (what cameras
// write) a photo at screen size shows no blocking or ringing; 95 costs about 1.7 times the
// bytes (builder_bench's BM_FitQuality) for a difference nobody sees in a slideshow, and 85
// starts to ring around sharp edges and text. A full-size picture re-encoded only because
// it could not be turned losslessly keeps its own chroma sampling at 95, to lose as little
// as possible.
constexpr int kFitJpegQuality = 90;
constexpr int kReencodeJpegQuality = 95;
// Edge blocks dropped by a lossless turn may take at most this share of a side (8 or 16
// pixels of a photo; on a small picture that could not be hidden, it is re-encoded instead).
constexpr double kMaxTrimPercent = 2.0;

enum TPlanStep {
  psStore,      // the file's bytes as they are
  psTurnJpeg,   // a lossless JPEG turn (re-encoded when the blocks do not allow it)
  psTranscode,  // decode, turn, scale, encode (JPEG, or PNG for a lossless turn of a graphic)
  psRefuse,
};

enum TPictureKind { pkJpeg, pkPng, pkOtherEngineFormat, pkHeif, pkWebp, pkUnknown };

// What PlanPicture decided for one file. Cheap to make: only the file's head is read.
struct TPicturePlan {
  std::string Path;
  TPictureKind Kind = pkUnknown;
  int32_t EngineFormat = 0;    // the engine's format code for pkJpeg, pkPng, pkOtherEngineFormat
  int Orientation = 1;         // EXIF orientation as read (1 when none)
  int32_t Width = 0;           // as stored in the file, 0 x 0 when unknown
  int32_t Height = 0;
  TPlanStep Step = psStore;
  bool ToJpeg = false;         // psTranscode: the result is a JPEG (else a PNG)
  bool Fit = false;            // psTranscode: scaled down to fit the box
  std::string StoredName;      // the name the show gives it (before duplicates are told apart)
  std::string Refusal;         // psRefuse: why
  std::string Warning;         // stored, but not as well as it could be (size unknown, not turned)
};

TPicturePlan PlanPicture(const std::string& path, const TPrepareOptions& options);

// The bytes that go into the show for one picture.
struct TPreparedPicture {
  std::vector<uint8_t> Data;   // empty for psStore: the file is copied as it is
  int32_t Width = 0;
  int32_t Height = 0;
  bool Turned = false;
  bool Trimmed = false;        // a lossless turn dropped partial edge blocks
  bool Reencoded = false;      // a turn that could not be lossless
  bool Scaled = false;
  bool Converted = false;      // a format the engine does not read became JPEG
  std::string Note;            // what happened, for the warnings (a re-encode says why)
};

// Raises EBuildError when the picture cannot be read after all (damaged data).
TPreparedPicture PreparePicture(const TPicturePlan& plan, const TPrepareOptions& options);

// The extension the engine shows for a format (".jpg" for JPEG), "" when it shows none.
std::string EngineExtensionFor(TPictureKind kind, int32_t engineFormat);

}  // namespace pictova
