// The process-wide list of image formats: code, description, extensions and three optional
// routine slots (read, write, content test). The built-in formats leave the slots empty; the
// detector and the loaders consult them all the same, so a format can be added at run time.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "imageio/Hooks.h"

namespace pictova {

class TBitmap;
class TStream;
class TImageParams;
struct TProgressRec;

// Format codes: the detector's answer, ImageFormat of the parameters record, the registry key.
enum : int32_t {
  ioUnknown = 0,
  ioTIFF = 1,
  ioGIF = 2,
  ioJPEG = 3,
  ioPCX = 4,
  ioBMP = 5,
  ioICO = 6,
  ioCUR = 7,
  ioPNG = 8,
  ioWMF = 9,
  ioEMF = 10,
  ioTGA = 11,
  ioPXM = 12,
};

using TIOReadRoutine = std::function<void(TStream& stream, TBitmap& bitmap, TImageParams& params,
                                          bool paramsOnly, TProgressRec& progress)>;
using TIOWriteRoutine = std::function<void(TStream& stream, TBitmap& bitmap, TImageParams& params,
                                           TProgressRec& progress)>;
using TIOTestRoutine = std::function<bool(TStream& stream)>;

struct TFileFormatInfo {
  int32_t FileType = 0;
  std::string FullName;    // at most 80 characters
  std::string Extensions;  // without dots, separated by ";", at most 80 characters
  TIOReadRoutine ReadFunction;
  TIOWriteRoutine WriteFunction;
  TIOTestRoutine TestFunction;
};

class TFormatRegistry {
 public:
  static constexpr size_t kMaxTextLength = 80;

  // Holds the twelve built-in formats, in code order.
  TFormatRegistry();

  // Appends an entry (texts cut to 80 characters). Later lookups see it after the built-ins.
  void Register(TFileFormatInfo info);
  // Removes every entry with this code that is not built in; returns how many.
  int Unregister(int32_t fileType);

  // The entry of the first match, copied out so that the caller may run its routines without
  // holding the registry. found is false when nothing matches.
  bool FindByType(int32_t fileType, TFileFormatInfo& out) const;
  // Case-insensitive match of an extension (without its dot) against each item of each
  // entry's list, entries in order.
  bool FindByExtension(std::string_view extension, TFileFormatInfo& out) const;
  // Every entry that has a content test, in order.
  std::vector<TFileFormatInfo> EntriesWithTests() const;
  int Count() const;

  // The LZW routines that new parameters records copy: our own decoders unless replaced.
  TLzwHooks LzwHooks() const;
  void SetLzwHooks(const TLzwHooks& hooks);

 private:
  mutable std::mutex FLock;
  std::vector<TFileFormatInfo> FEntries;
  size_t FBuiltInCount = 0;
  TLzwHooks FHooks;
};

// The registry of the process, built on first use and living until the process ends.
TFormatRegistry& FormatRegistry();

}  // namespace pictova
