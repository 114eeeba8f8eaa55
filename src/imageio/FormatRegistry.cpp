// The process-wide list of image formats and their lookups.
#include "imageio/FormatRegistry.h"

#include "imageio/Lzw.h"
#include "rtl/Ansi.h"

namespace pictova {

namespace {

struct TBuiltIn {
  int32_t Code;
  const char* Description;
  const char* Extensions;
};

constexpr TBuiltIn kBuiltIns[] = {
    {ioTIFF, "TIFF Bitmap", "TIF;TIFF"},
    {ioGIF, "CompuServe Bitmap", "GIF"},
    {ioJPEG, "JPEG Bitmap", "JPG;JPEG;JPE"},
    {ioPCX, "PaintBrush", "PCX"},
    {ioBMP, "Windows Bitmap", "BMP;DIB;RLE"},
    {ioICO, "Windows Icon", "ICO"},
    {ioCUR, "Windows Cursor", "CUR"},
    {ioPNG, "Portable Network Graphics", "PNG"},
    {ioWMF, "Windows Metafile", "WMF"},
    {ioEMF, "Enhanced Windows Metafile", "EMF"},
    {ioTGA, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX"},
    {ioPXM, "Portable Pixmap, GreyMap, BitMap", "PXM;PPM;PGM;PBM"},
};

bool ListHasExtension(std::string_view list, std::string_view extension) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string_view::npos) end = list.size();
    if (SameTextAscii(list.substr(start, end - start), extension)) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

TFormatRegistry::TFormatRegistry() {
  for (const TBuiltIn& b : kBuiltIns) {
    TFileFormatInfo info;
    info.FileType = b.Code;
    info.FullName = b.Description;
    info.Extensions = b.Extensions;
    FEntries.push_back(std::move(info));
  }
  FBuiltInCount = FEntries.size();
  // Our own LZW decoders serve GIF and LZW-compressed TIFF from the start; SetLzwHooks may
  // still put other routines in their place.
  FHooks = OwnLzwHooks();
}

void TFormatRegistry::Register(TFileFormatInfo info) {
  if (info.FullName.size() > kMaxTextLength) info.FullName.resize(kMaxTextLength);
  if (info.Extensions.size() > kMaxTextLength) info.Extensions.resize(kMaxTextLength);
  std::lock_guard<std::mutex> lock(FLock);
  FEntries.push_back(std::move(info));
}

int TFormatRegistry::Unregister(int32_t fileType) {
  std::lock_guard<std::mutex> lock(FLock);
  int removed = 0;
  for (size_t i = FEntries.size(); i-- > FBuiltInCount;) {
    if (FEntries[i].FileType == fileType) {
      FEntries.erase(FEntries.begin() + static_cast<std::ptrdiff_t>(i));
      ++removed;
    }
  }
  return removed;
}

bool TFormatRegistry::FindByType(int32_t fileType, TFileFormatInfo& out) const {
  std::lock_guard<std::mutex> lock(FLock);
  for (const TFileFormatInfo& e : FEntries) {
    if (e.FileType == fileType) {
      out = e;
      return true;
    }
  }
  return false;
}

bool TFormatRegistry::FindByExtension(std::string_view extension, TFileFormatInfo& out) const {
  std::lock_guard<std::mutex> lock(FLock);
  for (const TFileFormatInfo& e : FEntries) {
    if (ListHasExtension(e.Extensions, extension)) {
      out = e;
      return true;
    }
  }
  return false;
}

std::vector<TFileFormatInfo> TFormatRegistry::EntriesWithTests() const {
  std::lock_guard<std::mutex> lock(FLock);
  std::vector<TFileFormatInfo> result;
  for (const TFileFormatInfo& e : FEntries)
    if (e.TestFunction) result.push_back(e);
  return result;
}

int TFormatRegistry::Count() const {
  std::lock_guard<std::mutex> lock(FLock);
  return static_cast<int>(FEntries.size());
}

TLzwHooks TFormatRegistry::LzwHooks() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FHooks;
}

void TFormatRegistry::SetLzwHooks(const TLzwHooks& hooks) {
  std::lock_guard<std::mutex> lock(FLock);
  FHooks = hooks;
}

TFormatRegistry& FormatRegistry() {
  static TFormatRegistry registry;
  return registry;
}

}  // namespace pictova
