// Deciding and doing what each picture needs before it goes into a show.
#include "pictova-build/PhotoPrep.h"

#include <algorithm>
#include <cctype>

#include "app/Payload.h"
#include "imageio/Detector.h"
#include "imageio/ImageIO.h"
#include "pictova-build/BuildSupport.h"
#include "pictova-build/Exif.h"
#include "pictova-build/PhotoCodecs.h"
#include "pictova-build/ShowBuilder.h"
#include "rtl/Ansi.h"

#ifdef PICTOVA_HAVE_TURBOJPEG
#include <turbojpeg.h>
#endif

namespace pictova {

namespace {

// Enough for the markers before a JPEG's frame header (EXIF with its thumbnail is at most
// 64 KiB) and a PNG's chunks before its image data.
constexpr int64_t kHeadBytes = 1 << 20;

std::vector<uint8_t> ReadBytes(TNativeFileStream& in, int64_t limit) {
  const int64_t size = std::min(in.Size(), limit);
  if (size > INT32_MAX) throw EBuildError(in.Path() + ": larger than 2 GiB");
  std::vector<uint8_t> data(static_cast<size_t>(size));
  in.SetPosition(0);
  if (size > 0 && in.Read(data.data(), static_cast<int32_t>(size)) != static_cast<int32_t>(size))
    throw EBuildError(in.Path() + ": cannot read: it changed while being read");
  return data;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  TNativeFileStream in(path, TNativeFileStream::nmRead);
  return ReadBytes(in, INT64_MAX);
}

// The name with its extension replaced, in the case of the old one (IMG_1.HEIC -> IMG_1.JPG).
std::string WithExtension(const std::string& name, const std::string& ext) {
  const std::string old = ExtractFileExt(name);
  const std::string stem = name.substr(0, name.size() - old.size());
  const bool upper = !old.empty() && std::none_of(old.begin(), old.end(), [](char c) { return std::islower(static_cast<unsigned char>(c)); });
  return stem + (upper ? AnsiUpperCase(ext) : ext);
}

const char* KindName(TPictureKind kind) {
  switch (kind) {
    case pkHeif: return "HEIF";
    case pkWebp: return "WebP";
    default: return "picture";
  }
}

}  // namespace

std::string EngineExtensionFor(TPictureKind kind, int32_t engineFormat) {
  if (kind == pkHeif || kind == pkWebp) return ".jpg";
  switch (engineFormat) {
    case ioJPEG: return ".jpg";
    case ioPNG: return ".png";
    case ioGIF: return ".gif";
    case ioTIFF: return ".tif";
    case ioBMP: return ".bmp";
    case ioPCX: return ".pcx";
    case ioTGA: return ".tga";
    default: return "";
  }
}

TPicturePlan PlanPicture(const std::string& path, const TPrepareOptions& options) {
  TPicturePlan plan;
  plan.Path = path;
  TNativeFileStream in(path, TNativeFileStream::nmRead);
  const std::vector<uint8_t> head = ReadBytes(in, kHeadBytes);
  const TPhotoSupport support = PhotoSupport();
  auto refuse = [&](const std::string& why) {
    plan.Step = psRefuse;
    plan.Refusal = path + ": " + why;
    return plan;
  };

  // Formats the engine does not read but this tool converts.
  if (LooksLikeHeif(head.data(), head.size()))
    plan.Kind = pkHeif;
  else if (LooksLikeWebp(head.data(), head.size()))
    plan.Kind = pkWebp;
  if (plan.Kind == pkHeif || plan.Kind == pkWebp) {
    if (plan.Kind == pkHeif && !support.Heif) return refuse("a HEIF picture, and this pictova-build was made without libheif");
    if (plan.Kind == pkWebp && !support.Webp) return refuse("a WebP picture, and this pictova-build was made without libwebp");
    if (!support.Jpeg) return refuse(std::string("a ") + KindName(plan.Kind) + " picture, and this pictova-build was made without TurboJPEG to write it as JPEG");
    if (plan.Kind == pkWebp)
      if (auto o = FindWebpOrientation(head.data(), head.size())) plan.Orientation = o->Value;
    plan.Step = psTranscode;
    plan.ToJpeg = true;
    plan.Fit = options.FitWidth > 0;  // its size is known only once decoded
    plan.StoredName = WithExtension(BaseName(path), ".jpg");
    return plan;
  }

  // The engine's own formats, recognised by content as the engine does.
  in.SetPosition(0);
  plan.EngineFormat = DetectStreamFormat(in);
  if (plan.EngineFormat == ioUnknown)
    return refuse("not a picture: its content is none of the formats the engine shows (JPEG, PNG, GIF, TIFF, BMP, "
                  "PCX, TGA) nor HEIF or WebP");
  plan.Kind = plan.EngineFormat == ioJPEG ? pkJpeg : plan.EngineFormat == ioPNG ? pkPng : pkOtherEngineFormat;
  {
    TImageIO io;
    in.SetPosition(0);
    io.ReadParamsFromStream(in);
    if (!io.IOFailed() && io.Params().Width > 0 && io.Params().Height > 0) {
      plan.Width = io.Params().Width;
      plan.Height = io.Params().Height;
    } else if (plan.Kind != pkOtherEngineFormat) {
      return refuse(std::string("a damaged ") + (plan.Kind == pkJpeg ? "JPEG" : "PNG") + " file: its header cannot be read");
    } else {
      plan.Warning = path + ": the picture's size could not be read; stored as 0x0 (the engine shows whatever it can decode)";
    }
  }
  if (plan.Kind == pkJpeg) {
    if (auto o = FindJpegOrientation(head.data(), head.size())) plan.Orientation = o->Value;
  } else if (plan.Kind == pkPng) {
    if (auto o = FindPngOrientation(head.data(), head.size())) plan.Orientation = o->Value;
  } else if (plan.EngineFormat == ioTIFF) {
    if (auto o = FindTiffOrientation(head.data(), head.size())) plan.Orientation = o->Value;
  }
  if (plan.Orientation < 1 || plan.Orientation > 8) plan.Orientation = 1;

  const bool turn = options.AutoOrient && plan.Orientation != 1;
  int32_t uprightW = plan.Width, uprightH = plan.Height;
  if (turn && OrientationSwapsAxes(plan.Orientation)) std::swap(uprightW, uprightH);
  plan.Fit = options.FitWidth > 0 && plan.Width > 0 && (uprightW > options.FitWidth || uprightH > options.FitHeight);

  if (plan.Fit) {
    if (!support.Scale || !support.Jpeg) return refuse("--fit needs libswscale and TurboJPEG, and this pictova-build was made without them");
    plan.Step = psTranscode;
    plan.ToJpeg = true;
  } else if (turn && plan.Kind == pkJpeg) {
    plan.Step = support.Jpeg ? psTurnJpeg : psStore;
    if (!support.Jpeg)
      plan.Warning = path + ": stored as it is, not turned upright: this pictova-build was made without TurboJPEG";
  } else if (turn) {
    plan.Step = psTranscode;  // a lossless turn of the decoded picture, stored as PNG
  }
  if (plan.Step == psTranscode && plan.Kind == pkOtherEngineFormat) {
    // GIF, TIFF, BMP and the like are decoded by the engine's own readers; where this build's
    // reader cannot read the file, it is stored as it is, as before.
    try {
      TNativeFileStream whole(path, TNativeFileStream::nmRead);
      DecodeWithEngine(ReadBytes(whole, INT64_MAX));
    } catch (const EBuildError& e) {
      plan.Step = psStore;
      plan.Fit = false;
      plan.Warning = path + ": stored as it is, neither turned nor scaled: " + e.Message();
    }
  }
  const std::string base = BaseName(path);
  const std::string ext = plan.Step == psTranscode ? (plan.ToJpeg ? ".jpg" : ".png")
                                                    : EngineExtensionFor(plan.Kind, plan.EngineFormat);
  const bool sameFormat = plan.Step != psTranscode || (plan.ToJpeg ? plan.Kind == pkJpeg : plan.Kind == pkPng);
  // A name the engine shows keeps it while the format stays; otherwise the format's own
  // extension. Formats without one (PNM, icons) keep their name and draw a warning later,
  // unless they were planned above as psTranscode without ToJpeg: then they become PNG.
  if ((sameFormat && EngineTakesName(base)) || ext.empty())
    plan.StoredName = base;
  else
    plan.StoredName = WithExtension(base, ext);
  return plan;
}

TPreparedPicture PreparePicture(const TPicturePlan& plan, const TPrepareOptions& options) {
  TPreparedPicture out;
  out.Width = plan.Width;
  out.Height = plan.Height;
  if (plan.Step == psStore || plan.Step == psRefuse) return out;
  std::vector<uint8_t> data = ReadWholeFile(plan.Path);
  const int orientation = options.AutoOrient ? plan.Orientation : 1;

  if (plan.Step == psTurnJpeg) {
    TLosslessTurn turn = TurnJpegLosslessly(data, orientation, kMaxTrimPercent);
    if (turn.Done) {
      // The turned file carries the original EXIF block; it must no longer ask for a turn.
      if (auto where = FindJpegOrientation(turn.Data.data(), turn.Data.size())) SetOrientation(turn.Data.data(), *where, 1);
      out.Data = std::move(turn.Data);
      out.Width = turn.Width;
      out.Height = turn.Height;
      out.Turned = true;
      out.Trimmed = turn.Trimmed;
      if (turn.Trimmed)
        out.Note = Format("turned upright losslessly; the partial edge blocks were dropped (%dx%d -> %dx%d)",
                          OrientationSwapsAxes(orientation) ? plan.Height : plan.Width,
                          OrientationSwapsAxes(orientation) ? plan.Width : plan.Height, turn.Width, turn.Height);
      return out;
    }
    TJpegInfo info;
    if (!ReadJpegInfo(data, info)) throw EBuildError("a damaged JPEG file: its header cannot be read");
    // CMYK pictures through the engine's own colour conversion (TurboJPEG gives no RGB).
    const TPixels upright = OrientPixels(info.Cmyk ? DecodeWithEngine(data) : DecodeJpeg(data), orientation);
    out.Data = EncodeJpeg(upright, kReencodeJpegQuality, info.Subsampling >= 0 && !info.Cmyk ? info.Subsampling : 2);
    out.Width = upright.Width;
    out.Height = upright.Height;
    out.Turned = out.Reencoded = true;
    out.Note = Format("turned upright and re-encoded at quality %d: ", kReencodeJpegQuality) + turn.WhyNot;
    return out;
  }

  // psTranscode: to pixels, upright, to the box, to a file.
  TPixels pixels;
  int32_t decodeMinW = 0, decodeMinH = 0;
  if (plan.Kind == pkJpeg && plan.Fit) {
    // Decode no larger than needed: the box in the file's own orientation.
    int32_t w = plan.Width, h = plan.Height;
    if (OrientationSwapsAxes(orientation)) std::swap(w, h);
    int32_t fitW = 0, fitH = 0;
    FitInside(w, h, options.FitWidth, options.FitHeight, fitW, fitH);
    decodeMinW = OrientationSwapsAxes(orientation) ? fitH : fitW;
    decodeMinH = OrientationSwapsAxes(orientation) ? fitW : fitH;
  }
  bool isCmyk = false;
  if (plan.Kind == pkJpeg) {
    TJpegInfo info;
    isCmyk = ReadJpegInfo(data, info) && info.Cmyk;
  }
  if (plan.Kind == pkJpeg && !isCmyk)
    pixels = DecodeJpeg(data, decodeMinW, decodeMinH);
  else if (plan.Kind == pkHeif)
    pixels = DecodeHeif(data);
  else if (plan.Kind == pkWebp)
    pixels = DecodeWebp(data);
  else
    pixels = DecodeWithEngine(data);  // CMYK JPEG too: the engine's own colour conversion
  if (plan.Kind == pkHeif || plan.Kind == pkWebp) out.Converted = true;
  if (orientation != 1 && plan.Kind != pkHeif) {
    pixels = OrientPixels(pixels, orientation);
    out.Turned = true;
  }
  if (options.FitWidth > 0) {
    // The box is measured against the full-size upright picture, whatever scale it was
    // decoded at, so that the result does not depend on the decoder's shortcut.
    int32_t fullW = pixels.Width, fullH = pixels.Height;
    if (plan.Kind == pkJpeg && !isCmyk) {
      fullW = OrientationSwapsAxes(orientation) ? plan.Height : plan.Width;
      fullH = OrientationSwapsAxes(orientation) ? plan.Width : plan.Height;
    }
    if (fullW > options.FitWidth || fullH > options.FitHeight) {
      int32_t fitW = 0, fitH = 0;
      FitInside(fullW, fullH, options.FitWidth, options.FitHeight, fitW, fitH);
      if (pixels.Width != fitW || pixels.Height != fitH) pixels = ScalePixels(pixels, fitW, fitH);
      out.Scaled = true;
    }
  }
  out.Width = pixels.Width;
  out.Height = pixels.Height;
#ifdef PICTOVA_HAVE_TURBOJPEG
  constexpr int kPhotoSubsampling = TJSAMP_420;
#else
  constexpr int kPhotoSubsampling = 2;
#endif
  out.Data = plan.ToJpeg ? EncodeJpeg(pixels, kFitJpegQuality, kPhotoSubsampling) : EncodePng(pixels);
  return out;
}

}  // namespace pictova
