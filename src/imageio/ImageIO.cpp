// The image I/O component: detection, dispatch to the readers, stream headers and the file,
// parameters-only and registry paths.
#include "imageio/ImageIO.h"

#include <cstring>
#include <vector>

#include "imageio/Detector.h"
#include "imageio/Readers.h"
#include "platform/Metafile.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

namespace pictova {

namespace {

constexpr int32_t kStreamHeaderSize = 12;
// A metafile is read whole before it is played; real ones are far smaller.
constexpr int64_t kMaxMetafileBytes = 64ll * 1024 * 1024;

// A 12-byte stream header: 4-byte tag, 4 zero bytes, little-endian 32-bit data length.
struct TStreamHeader {
  uint8_t Bytes[kStreamHeaderSize] = {};
  int32_t Got = 0;

  void ReadFrom(TStream& stream) {
    while (Got < kStreamHeaderSize) {
      const int32_t n = stream.Read(Bytes + Got, kStreamHeaderSize - Got);
      if (n <= 0) break;
      Got += n;
    }
  }
  bool TagIs(const char* tag, size_t n) const {
    return Got >= static_cast<int32_t>(n) && std::memcmp(Bytes, tag, n) == 0;
  }
  uint32_t Length() const {
    return static_cast<uint32_t>(Bytes[8]) | (static_cast<uint32_t>(Bytes[9]) << 8) |
           (static_cast<uint32_t>(Bytes[10]) << 16) | (static_cast<uint32_t>(Bytes[11]) << 24);
  }
};

TColor TripleToColor(const TRGBTriple& t) { return RGB(t.Red, t.Green, t.Blue); }

// The code that LoadFromFile uses for a lower-cased extension, or -1 to ask the registry.
int32_t CodeForExtension(const std::string& ext) {
  struct TExt {
    const char* Ext;
    int32_t Code;
  };
  static constexpr TExt kExtensions[] = {
      {"jpg", ioJPEG},  {"jpeg", ioJPEG}, {"jpe", ioJPEG}, {"png", ioPNG}, {"tif", ioTIFF},
      {"tiff", ioTIFF}, {"pcx", ioPCX},   {"gif", ioGIF},  {"wmf", ioWMF}, {"emf", ioEMF},
      {"bmp", ioBMP},   {"dib", ioBMP},   {"rle", ioBMP},  {"cur", ioCUR}, {"ico", ioICO},
      {"tga", ioTGA},   {"targa", ioTGA}, {"vda", ioTGA},  {"icb", ioTGA}, {"vst", ioTGA},
      {"win", ioTGA},   {"pxm", ioPXM},   {"ppm", ioPXM},  {"pgm", ioPXM}, {"pbm", ioPXM},
  };
  for (const TExt& e : kExtensions)
    if (ext == e.Ext) return e.Code;
  return -1;
}

bool HasBuiltInReader(int32_t fileType) {
  switch (fileType) {
    case ioTIFF:
    case ioGIF:
    case ioJPEG:
    case ioPCX:
    case ioBMP:
    case ioICO:
    case ioCUR:
    case ioPNG:
    case ioTGA:
    case ioPXM: return true;
    default: return false;
  }
}

}  // namespace

std::string LowerExtension(const std::string& fileName) {
  const size_t slash = fileName.find_last_of("/\\");
  const size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = fileName.substr(dot + 1);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

TImageIO::TImageIO() : FParams(std::make_unique<TImageParams>(this)) {}

TImageIO::~TImageIO() {
  if (FAttachedView) FAttachedView->SetBitmapChangeEvent(nullptr);
}

TBitmap* TImageIO::Bitmap() const {
  if (FAttachedImage) return FAttachedImage->PictureBitmap();
  return FBitmap;
}

void TImageIO::SetBitmap(TBitmap* bitmap) {
  if (FAttachedView) FAttachedView->SetBitmapChangeEvent(nullptr);
  FAttachedView = nullptr;
  FAttachedImage = nullptr;
  FBitmap = bitmap;
}

void TImageIO::SetAttachedView(TIOAttachedView* view) {
  if (view == FAttachedView) return;
  if (FAttachedView) FAttachedView->SetBitmapChangeEvent(nullptr);
  FAttachedImage = nullptr;
  FAttachedView = view;
  FBitmap = nullptr;
  if (FAttachedView) {
    FBitmap = FAttachedView->IOBitmap();
    FAttachedView->SetBitmapChangeEvent([this] { ViewBitmapChanged(); });
  }
}

void TImageIO::ViewBitmapChanged() {
  if (FAttachedView) FBitmap = FAttachedView->IOBitmap();
}

void TImageIO::SetAttachedTImage(TIOAttachedImage* image) {
  if (FAttachedView) FAttachedView->SetBitmapChangeEvent(nullptr);
  FAttachedView = nullptr;
  FAttachedImage = image;
  FBitmap = nullptr;
}

void TImageIO::AttachedRemoved(const void* removed) {
  if (removed == nullptr) return;
  if (removed == FAttachedView) {
    // The view is being destroyed: forget it without calling into it again.
    FAttachedView = nullptr;
    FBitmap = nullptr;
  }
  if (removed == FAttachedImage) FAttachedImage = nullptr;
}

TColor TImageIO::Background() const {
  return FAttachedView ? FAttachedView->Background() : FBackground;
}

void TImageIO::SetBackground(TColor color) {
  if (FAttachedView)
    FAttachedView->SetBackground(color);
  else
    FBackground = color;
}

// --- the common steps of the loaders ---

TBitmap* TImageIO::PrepareLoad(bool paramsOnly) {
  TBitmap* target = Bitmap();
  if (!target) {
    if (!paramsOnly) {
      // Nothing to decode into: the load cannot happen, and says so.
      FIOFailed = 1;
      return nullptr;
    }
    target = &FParamsOnlyBitmap;
  }
  FParams->IptcInfo.Clear();
  FParams->JpegMarkers.Clear();
  FProgress.OnProgress = OnProgress;
  FProgress.Sender = this;
  FProgress.Val = 0;
  FProgress.Per = 0.0;
  FProgress.Aborting = &FIOFailed;
  return target;
}

void TImageIO::FinishLoad(int32_t fileType, bool tellDpi) {
  FParams->FileName.clear();
  FParams->ImageFormat = fileType;
  if (tellDpi && FAttachedView) FAttachedView->SetDpi(FParams->DpiX, FParams->DpiY);
  UpdateTarget();
}

void TImageIO::UpdateTarget() {
  if (FAttachedView)
    FAttachedView->Update();
  else if (FAttachedImage)
    FAttachedImage->BitmapChanged();
}

// --- dispatch ---

void TImageIO::Load(TStream& stream, int32_t fileType, bool paramsOnly, TSourceKind source) {
  FIOFailed = 0;
  if ((fileType == ioWMF || fileType == ioEMF) && source == skFile) {
    LoadMetafile(stream, fileType, paramsOnly);
    return;
  }
  if (!HasBuiltInReader(fileType)) {
    LoadThroughRegistry(stream, fileType, paramsOnly);
    return;
  }

  TBitmap* target = PrepareLoad(paramsOnly);
  if (!target) return;
  TBitmap& bitmap = *target;
  TImageParams& params = *FParams;
  const bool fromStream = source == skStream;

  switch (fileType) {
    case ioTIFF: {
      bool headerOk = true;
      int64_t after = -1;
      if (fromStream && FStreamHeaders) {
        TStreamHeader header;
        header.ReadFrom(stream);
        headerOk = header.TagIs("TIFF", 4);
        after = stream.Position() + header.Length();
        if (!headerOk) FIOFailed = 1;
      }
      if (headerOk) ReadTiffStream(stream, bitmap, params, paramsOnly, FProgress);
      if (headerOk && after >= 0) stream.SetPosition(after);
      FinishLoad(ioTIFF, true);
      break;
    }
    case ioGIF:
      ReadGifStream(stream, bitmap, params, paramsOnly, FProgress);
      FinishLoad(ioGIF, false);
      SetBackground(
          TripleToColor(params.GifTransparent ? params.GifTransparentColor : params.GifBackground));
      break;
    case ioJPEG: {
      int64_t after = -1;
      if (fromStream) {
        const int64_t start = stream.Position();
        TStreamHeader header;
        header.ReadFrom(stream);
        if (header.TagIs("JFIF\0", 5))
          after = start + kStreamHeaderSize + header.Length();
        else
          stream.SetPosition(start);
      }
      ReadJpegStream(stream, bitmap, params, paramsOnly, FProgress);
      if (after >= 0) stream.SetPosition(after);
      const int app13 = params.JpegMarkers.IndexOf(0xED);
      if (app13 >= 0) {
        const TMemoryStream& data = params.JpegMarkers.MarkerData(app13);
        params.IptcInfo.ReadFromApp13(data.Memory(), static_cast<int64_t>(data.Data().size()));
      }
      FinishLoad(ioJPEG, true);
      break;
    }
    case ioPCX: {
      const int64_t start = stream.Position();
      int64_t size = stream.Size() - start;
      int64_t after = -1;
      bool headerOk = true;
      if (fromStream && FStreamHeaders) {
        TStreamHeader header;
        header.ReadFrom(stream);
        if (!header.TagIs("PCX", 3)) {
          headerOk = false;
          FIOFailed = 1;
        } else if (header.TagIs("PCX2", 4)) {
          size = header.Length();
          after = start + kStreamHeaderSize + header.Length();
        } else {
          // The older form: "PCX" and the data right after the 4-byte tag.
          stream.SetPosition(start + 4);
          size = stream.Size() - (start + 4);
        }
      }
      if (headerOk) ReadPcxStream(stream, bitmap, params, paramsOnly, FProgress, size);
      if (headerOk && after >= 0) stream.SetPosition(after);
      FinishLoad(ioPCX, true);
      break;
    }
    case ioBMP:
      ReadBmpStream(stream, bitmap, params, paramsOnly, FProgress,
                    fromStream ? 0 : stream.Size() - stream.Position());
      FinishLoad(ioBMP, false);
      break;
    case ioICO:
      ReadIcoStream(stream, bitmap, params, paramsOnly, FProgress);
      FinishLoad(ioICO, false);
      break;
    case ioCUR:
      ReadCurStream(stream, bitmap, params, paramsOnly, FProgress);
      FinishLoad(ioCUR, false);
      break;
    case ioPNG:
      ReadPngStream(stream, bitmap, params, paramsOnly, FProgress);
      FinishLoad(ioPNG, true);
      SetBackground(TripleToColor(params.PngBackground));
      break;
    case ioTGA:
      ReadTgaStream(stream, bitmap, params, paramsOnly, FProgress);
      FinishLoad(ioTGA, false);
      break;
    case ioPXM:
      ReadPnmStream(stream, bitmap, params, paramsOnly, FProgress);
      FinishLoad(ioPXM, false);
      break;
    default: break;
  }
}

void TImageIO::LoadThroughRegistry(TStream& stream, int32_t fileType, bool paramsOnly) {
  FIOFailed = 0;
  FParams->IptcInfo.Clear();
  FParams->JpegMarkers.Clear();
  FParams->FileName.clear();
  FParams->ImageFormat = ioUnknown;
  TFileFormatInfo entry;
  if (!FormatRegistry().FindByType(fileType, entry) || !entry.ReadFunction) {
    FIOFailed = 1;
    return;
  }
  LoadRegisteredEntry(stream, entry, paramsOnly);
}

void TImageIO::LoadMetafile(TStream& stream, int32_t fileType, bool paramsOnly) {
  const auto failed = [&] {
    FParams->ImageFormat = ioUnknown;
    FIOFailed = 1;
  };
  if (!HasMetafilePlayer()) {
    // No player on this platform: the load fails like a format without a reader.
    FParams->IptcInfo.Clear();
    FParams->JpegMarkers.Clear();
    failed();
    return;
  }
  TBitmap* target = PrepareLoad(paramsOnly);
  if (!target) return;
  const int64_t size = stream.Size() - stream.Position();
  if (size <= 0 || size > kMaxMetafileBytes) {
    failed();
    return;
  }
  std::vector<uint8_t> data(static_cast<size_t>(size));
  size_t got = 0;
  while (got < data.size()) {
    const int32_t n = stream.Read(data.data() + got, static_cast<int32_t>(data.size() - got));
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  if (got != data.size()) {
    failed();
    return;
  }
  const TMetafileKind kind = fileType == ioWMF ? TMetafileKind::Wmf : TMetafileKind::Emf;
  int32_t width = 0, height = 0;
  // Zero width or height, or no metafile at all, is a failure; the bitmap stays as it was.
  if (!MetafileSize(data.data(), data.size(), kind, width, height) ||
      (!paramsOnly && !DrawMetafile(data.data(), data.size(), kind, Background(), *target))) {
    failed();
    return;
  }
  FParams->Width = width;
  FParams->Height = height;
  FParams->BitsPerSample = 8;
  FParams->SamplesPerPixel = 3;
  FinishLoad(fileType, false);
}

void TImageIO::LoadRegisteredEntry(TStream& stream, const TFileFormatInfo& entry, bool paramsOnly) {
  TBitmap* target = PrepareLoad(paramsOnly);
  if (!target) return;
  entry.ReadFunction(stream, *target, *FParams, paramsOnly, FProgress);
  FParams->ImageFormat = entry.FileType;
  UpdateTarget();
}

void TImageIO::LoadByExtension(TStream& stream, const std::string& fileName, bool paramsOnly) {
  const std::string ext = LowerExtension(fileName);
  const int32_t code = CodeForExtension(ext);
  if (code >= 0) {
    Load(stream, code, paramsOnly, skFile);
    return;
  }
  FIOFailed = 0;
  FParams->IptcInfo.Clear();
  FParams->JpegMarkers.Clear();
  TFileFormatInfo entry;
  if (!FormatRegistry().FindByExtension(ext, entry) || !entry.ReadFunction) {
    FIOFailed = 1;
    return;
  }
  LoadRegisteredEntry(stream, entry, paramsOnly);
}

// --- public operations ---

void TImageIO::LoadFromStream(TStream& stream) {
  const int32_t code = DetectStreamFormat(stream);
  Load(stream, code, false, skStream);
}

void TImageIO::LoadFromStreamFormat(TStream& stream, int32_t fileType) {
  Load(stream, fileType, false, skStream);
}

void TImageIO::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  LoadByExtension(file, fileName, false);
  FParams->FileName = fileName;
}

void TImageIO::LoadFromFileFormat(const std::string& fileName, int32_t fileType) {
  TFileStream file(fileName, fmOpenRead);
  Load(file, fileType, false, skFile);
  FParams->FileName = fileName;
}

void TImageIO::ReadParamsGuarded(const std::function<void()>& read) {
  FIOFailed = 0;
  try {
    read();
  } catch (...) {
    FIOFailed = 1;
    FParams->ImageFormat = ioUnknown;
  }
  if (FIOFailed) FParams->ImageFormat = ioUnknown;
}

void TImageIO::ReadParamsFromFile(const std::string& fileName) {
  ReadParamsGuarded([&] {
    TFileStream file(fileName, fmOpenRead);
    int32_t code = DetectStreamFormat(file);
    TFileFormatInfo entry;
    if (!FormatRegistry().FindByExtension(LowerExtension(fileName), entry) ||
        entry.FileType != code)
      code = ioUnknown;
    Load(file, code, true, skFile);
    FParams->FileName = fileName;
  });
}

void TImageIO::ReadParamsFromFile(const std::string& fileName, int32_t fileType) {
  ReadParamsGuarded([&] {
    TFileStream file(fileName, fmOpenRead);
    Load(file, fileType, true, skFile);
    FParams->FileName = fileName;
  });
}

void TImageIO::ReadParamsFromStream(TStream& stream) {
  ReadParamsGuarded([&] {
    const int32_t code = DetectStreamFormat(stream);
    Load(stream, code, true, skStream);
  });
}

void TImageIO::ReadParamsFromStream(TStream& stream, int32_t fileType) {
  ReadParamsGuarded([&] { Load(stream, fileType, true, skStream); });
}

}  // namespace pictova
