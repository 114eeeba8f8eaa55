// The image I/O component: recognises an image's format from its content (or from a file's
// extension), hands it to the matching reader, which decodes it into the target bitmap, and
// keeps what the reader learned in the parameters record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/Bitmap.h"
#include "imageio/FormatRegistry.h"
#include "imageio/ImageIOLinks.h"
#include "imageio/ImageParams.h"
#include "imageio/ReaderSupport.h"

namespace pictova {

class TStream;

enum TMsgLanguage {
  msSystem,
  msEnglish,
  msItalian,
  msGerman,
  msSpanish,
  msFrench,
  msPortuguese,
  msGreek,
  msRussian,
  msUser
};

// Decoders never raise for bad data: a failed or stopped load leaves IOFailed() at 1 and the
// target bitmap as the reader left it. Exceptions from the stream or the bitmap pass through
// the load operations; only the detector and the parameters-only operations catch them.
class TImageIO {
 public:
  TImageIO();
  virtual ~TImageIO();
  TImageIO(const TImageIO&) = delete;
  TImageIO& operator=(const TImageIO&) = delete;

  // The bitmap readers write into: the attached view's, else the attached image control's
  // picture bitmap, else the one given by SetBitmap (not owned in any case).
  TBitmap* Bitmap() const;
  // Gives a bitmap directly; detaches any view or image control.
  void SetBitmap(TBitmap* bitmap);

  TIOAttachedView* AttachedView() const { return FAttachedView; }
  // Clears AttachedTImage and takes the view's bitmap; the view calls back when it changes it.
  void SetAttachedView(TIOAttachedView* view);
  TIOAttachedImage* AttachedTImage() const { return FAttachedImage; }
  // Detaches any view and targets the image control's picture bitmap.
  void SetAttachedTImage(TIOAttachedImage* image);
  // An attached view or image control is going away (the framework's free notification
  // calls this once TImageIO is a component).
  void AttachedRemoved(const void* removed);

  // Read and written through the attached view when there is one.
  TColor Background() const;
  void SetBackground(TColor color);

  TMsgLanguage MsgLanguage() const { return FMsgLanguage; }
  void SetMsgLanguage(TMsgLanguage language) { FMsgLanguage = language; }

  // Whether images in streams are framed by a 12-byte stream header ("PCX2"/"TIFF"; JPEG's
  // "JFIF" header is recognised in any case).
  bool StreamHeaders() const { return FStreamHeaders; }
  void SetStreamHeaders(bool value) { FStreamHeaders = value; }

  TImageParams& Params() { return *FParams; }
  const TImageParams& Params() const { return *FParams; }

  // 0 after a load that worked, 1 after one that failed or was stopped. A progress handler
  // stops a load by setting it.
  uint8_t IOFailed() const { return FIOFailed; }
  void SetIOFailed(uint8_t value) { FIOFailed = value; }

  TImageProgressEvent OnProgress;

  // Detects the format from the content at the stream's position and decodes it.
  virtual void LoadFromStream(TStream& stream);
  void LoadFromStreamFormat(TStream& stream, int32_t fileType);
  // Chooses the reader by the file name's extension.
  void LoadFromFile(const std::string& fileName);
  void LoadFromFileFormat(const std::string& fileName, int32_t fileType);

  // Fill the parameters record only (the bitmap is not touched); any exception or failure
  // leaves ImageFormat at 0.
  void ReadParamsFromFile(const std::string& fileName);
  void ReadParamsFromFile(const std::string& fileName, int32_t fileType);
  void ReadParamsFromStream(TStream& stream);
  void ReadParamsFromStream(TStream& stream, int32_t fileType);

 private:
  enum TSourceKind { skStream, skFile };

  void Load(TStream& stream, int32_t fileType, bool paramsOnly, TSourceKind source);
  void LoadByExtension(TStream& stream, const std::string& fileName, bool paramsOnly);
  void LoadThroughRegistry(TStream& stream, int32_t fileType, bool paramsOnly);
  // Codes 9 and 10 from a file: drawn by the platform's metafile player, where there is one.
  void LoadMetafile(TStream& stream, int32_t fileType, bool paramsOnly);
  void LoadRegisteredEntry(TStream& stream, const TFileFormatInfo& entry, bool paramsOnly);
  void ReadParamsGuarded(const std::function<void()>& read);
  TBitmap* PrepareLoad(bool paramsOnly);
  void FinishLoad(int32_t fileType, bool tellDpi);
  void UpdateTarget();
  void ViewBitmapChanged();

  TBitmap* FBitmap = nullptr;
  TIOAttachedView* FAttachedView = nullptr;
  TIOAttachedImage* FAttachedImage = nullptr;
  TColor FBackground = clWhite;
  TMsgLanguage FMsgLanguage = msSystem;
  bool FStreamHeaders = false;
  std::unique_ptr<TImageParams> FParams;
  uint8_t FIOFailed = 0;
  TProgressRec FProgress;
  TBitmap FParamsOnlyBitmap;  // stands in for a missing target while only parameters are read
};

// The lower-cased extension of a file name without its dot ("" when there is none).
std::string LowerExtension(const std::string& fileName);

}  // namespace pictova
