// Decoding, turning, scaling and encoding pictures for the show builder. Each library call
// gets its own handle, so the functions may run on several threads at once; only the
// engine's decoder, whose format registry and bitmaps are not made for that, is taken one
// picture at a time.
#include "pictova-build/PhotoCodecs.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "gfx/Bitmap.h"
#include "imageio/ImageIO.h"
#include "imageio/PngWriter.h"
#include "imageio/ReaderSupport.h"
#include "pictova-build/BuildSupport.h"
#include "rtl/Classes.h"

#ifdef PICTOVA_HAVE_TURBOJPEG
#include <turbojpeg.h>
#endif
#ifdef PICTOVA_HAVE_SWSCALE
extern "C" {
#include <libswscale/swscale.h>
}
#endif
#ifdef PICTOVA_HAVE_HEIF
#include <libheif/heif.h>
#endif
#ifdef PICTOVA_HAVE_WEBP
#include <webp/decode.h>
#endif

namespace pictova {

namespace {

// Refuses a picture before memory is taken for it: the engine's own limits.
void CheckPictureSize(int64_t w, int64_t h, const char* what) {
  if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide || w * h > kMaxImagePixels)
    throw EBuildError(Format("%s: a picture of %lldx%lld pixels is beyond what the engine shows (%d pixels a side, "
                             "%lld in all)",
                             what, static_cast<long long>(w), static_cast<long long>(h), kMaxImageSide,
                             static_cast<long long>(kMaxImagePixels)));
}

TPixels NewPixels(int32_t w, int32_t h) {
  TPixels p;
  p.Width = w;
  p.Height = h;
  p.Rgb.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
  return p;
}

// Straight RGBA laid on black: what the engine shows for transparent pixels.
TPixels FromRgbaOnBlack(const uint8_t* rgba, size_t stride, int32_t w, int32_t h) {
  TPixels p = NewPixels(w, h);
  uint8_t* out = p.Rgb.data();
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* in = rgba + stride * static_cast<size_t>(y);
    for (int32_t x = 0; x < w; ++x, in += 4, out += 3) {
      const unsigned a = in[3];
      for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((in[c] * a + 127) / 255);
    }
  }
  return p;
}

TPixels FromRgb(const uint8_t* rgb, size_t stride, int32_t w, int32_t h) {
  TPixels p = NewPixels(w, h);
  for (int32_t y = 0; y < h; ++y)
    std::memcpy(p.Rgb.data() + static_cast<size_t>(y) * w * 3, rgb + stride * static_cast<size_t>(y),
                static_cast<size_t>(w) * 3);
  return p;
}

#ifdef PICTOVA_HAVE_TURBOJPEG
struct TTjCloser {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TTjHandle = std::unique_ptr<void, TTjCloser>;

TTjHandle TjHandle(tjhandle handle) {
  if (!handle) throw EBuildError(std::string("TurboJPEG: ") + tjGetErrorStr2(nullptr));
  return TTjHandle(handle);
}

[[noreturn]] void TjFail(void* handle, const char* what) {
  throw EBuildError(std::string(what) + ": " + tjGetErrorStr2(handle));
}

// The transform that undoes each EXIF orientation (2 to 8).
int TjOperation(int orientation) {
  static const int kOps[9] = {TJXOP_NONE, TJXOP_NONE, TJXOP_HFLIP, TJXOP_ROT180, TJXOP_VFLIP,
                              TJXOP_TRANSPOSE, TJXOP_ROT90, TJXOP_TRANSVERSE, TJXOP_ROT270};
  return orientation >= 1 && orientation <= 8 ? kOps[orientation] : TJXOP_NONE;
}
#endif

}  // namespace

TPhotoSupport PhotoSupport() {
  TPhotoSupport s;
#ifdef PICTOVA_HAVE_TURBOJPEG
  s.Jpeg = true;
#endif
#ifdef PICTOVA_HAVE_SWSCALE
  s.Scale = true;
#endif
#ifdef PICTOVA_HAVE_HEIF
  s.Heif = true;
#endif
#ifdef PICTOVA_HAVE_WEBP
  s.Webp = true;
#endif
  return s;
}

void FitInside(int32_t w, int32_t h, int32_t boxW, int32_t boxH, int32_t& fitW, int32_t& fitH) {
  // Compare w / h with boxW / boxH without rounding: the longer side meets the box.
  if (int64_t{w} * boxH >= int64_t{h} * boxW) {
    fitW = boxW;
    fitH = static_cast<int32_t>((int64_t{h} * boxW * 2 + w) / (int64_t{w} * 2));
  } else {
    fitH = boxH;
    fitW = static_cast<int32_t>((int64_t{w} * boxH * 2 + h) / (int64_t{h} * 2));
  }
  fitW = std::clamp(fitW, 1, boxW);
  fitH = std::clamp(fitH, 1, boxH);
}

TPixels OrientPixels(const TPixels& stored, int orientation) {
  const int32_t sw = stored.Width, sh = stored.Height;
  const bool swap = orientation >= 5 && orientation <= 8;
  TPixels out = NewPixels(swap ? sh : sw, swap ? sw : sh);
  // For each upright pixel (x, y), the stored pixel it comes from.
  for (int32_t y = 0; y < out.Height; ++y) {
    uint8_t* row = out.Rgb.data() + static_cast<size_t>(y) * out.Width * 3;
    for (int32_t x = 0; x < out.Width; ++x) {
      int32_t sx = x, sy = y;
      switch (orientation) {
        case 2: sx = sw - 1 - x; break;
        case 3: sx = sw - 1 - x; sy = sh - 1 - y; break;
        case 4: sy = sh - 1 - y; break;
        case 5: sx = y; sy = x; break;
        case 6: sx = y; sy = sh - 1 - x; break;
        case 7: sx = sw - 1 - y; sy = sh - 1 - x; break;
        case 8: sx = sw - 1 - y; sy = x; break;
        default: break;
      }
      std::memcpy(row + static_cast<size_t>(x) * 3, stored.Rgb.data() + (static_cast<size_t>(sy) * sw + sx) * 3, 3);
    }
  }
  return out;
}

TPixels ScalePixels(const TPixels& source, int32_t width, int32_t height) {
#ifdef PICTOVA_HAVE_SWSCALE
  // Full chroma on both sides keeps the colours from being halved horizontally on the way
  // through swscale's internal format; bit-exact rounding gives the same bytes on every CPU.
  const int flags = SWS_LANCZOS | SWS_ACCURATE_RND | SWS_BITEXACT | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP;
  SwsContext* context = sws_getContext(source.Width, source.Height, AV_PIX_FMT_RGB24, width, height,
                                       AV_PIX_FMT_RGB24, flags, nullptr, nullptr, nullptr);
  if (!context) throw EBuildError(Format("libswscale cannot scale %dx%d to %dx%d", source.Width, source.Height, width, height));
  std::unique_ptr<SwsContext, void (*)(SwsContext*)> guard(context, sws_freeContext);
  TPixels out = NewPixels(width, height);
  const uint8_t* srcPlanes[4] = {source.Rgb.data(), nullptr, nullptr, nullptr};
  const int srcStrides[4] = {source.Width * 3, 0, 0, 0};
  uint8_t* dstPlanes[4] = {out.Rgb.data(), nullptr, nullptr, nullptr};
  const int dstStrides[4] = {width * 3, 0, 0, 0};
  if (sws_scale(context, srcPlanes, srcStrides, 0, source.Height, dstPlanes, dstStrides) != height)
    throw EBuildError("libswscale did not scale the whole picture");
  return out;
#else
  throw EBuildError("this pictova-build was made without libswscale: it cannot scale pictures (--fit)");
#endif
}

bool ReadJpegInfo(const std::vector<uint8_t>& jpeg, TJpegInfo& info) {
#ifdef PICTOVA_HAVE_TURBOJPEG
  TTjHandle handle = TjHandle(tjInitDecompress());
  int w = 0, h = 0, subsamp = 0, colorspace = 0;
  if (tjDecompressHeader3(handle.get(), jpeg.data(), static_cast<unsigned long>(jpeg.size()), &w, &h, &subsamp,
                          &colorspace) != 0)
    return false;
  info.Width = w;
  info.Height = h;
  info.Subsampling = subsamp;
  info.Cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
  return true;
#else
  return false;
#endif
}

TPixels DecodeJpeg(const std::vector<uint8_t>& jpeg, int32_t minWidth, int32_t minHeight) {
#ifdef PICTOVA_HAVE_TURBOJPEG
  TTjHandle handle = TjHandle(tjInitDecompress());
  int w = 0, h = 0, subsamp = 0, colorspace = 0;
  if (tjDecompressHeader3(handle.get(), jpeg.data(), static_cast<unsigned long>(jpeg.size()), &w, &h, &subsamp,
                          &colorspace) != 0)
    TjFail(handle.get(), "JPEG header");
  CheckPictureSize(w, h, "JPEG");
  int count = 0;
  const tjscalingfactor* factors = tjGetScalingFactors(&count);
  int32_t outW = w, outH = h;
  for (int i = 0; i < count && (minWidth > 0 || minHeight > 0); ++i) {
    const tjscalingfactor f = factors[i];
    if (f.num > f.denom) continue;  // only reductions
    const int32_t sw = TJSCALED(w, f), sh = TJSCALED(h, f);
    if (sw >= minWidth && sh >= minHeight && int64_t{sw} * sh < int64_t{outW} * outH) {
      outW = sw;
      outH = sh;
    }
  }
  TPixels p = NewPixels(outW, outH);
  if (tjDecompress2(handle.get(), jpeg.data(), static_cast<unsigned long>(jpeg.size()), p.Rgb.data(), outW, outW * 3,
                    outH, TJPF_RGB, TJFLAG_ACCURATEDCT) != 0 &&
      tjGetErrorCode(handle.get()) == TJERR_FATAL)
    TjFail(handle.get(), "JPEG data");
  return p;
#else
  throw EBuildError("this pictova-build was made without TurboJPEG: it cannot decode JPEG pictures");
#endif
}

std::vector<uint8_t> EncodeJpeg(const TPixels& pixels, int quality, int subsampling) {
#ifdef PICTOVA_HAVE_TURBOJPEG
  TTjHandle handle = TjHandle(tjInitCompress());
  unsigned char* out = nullptr;
  unsigned long size = 0;
  if (tjCompress2(handle.get(), pixels.Rgb.data(), pixels.Width, pixels.Width * 3, pixels.Height, TJPF_RGB, &out, &size,
                  subsampling, quality, TJFLAG_ACCURATEDCT) != 0) {
    tjFree(out);
    TjFail(handle.get(), "JPEG encoding");
  }
  std::vector<uint8_t> data(out, out + size);
  tjFree(out);
  return data;
#else
  throw EBuildError("this pictova-build was made without TurboJPEG: it cannot write JPEG pictures");
#endif
}

TLosslessTurn TurnJpegLosslessly(const std::vector<uint8_t>& jpeg, int orientation, double maxTrimPercent) {
  TLosslessTurn turn;
#ifdef PICTOVA_HAVE_TURBOJPEG
  TTjHandle handle = TjHandle(tjInitTransform());
  int w = 0, h = 0, subsamp = 0, colorspace = 0;
  if (tjDecompressHeader3(handle.get(), jpeg.data(), static_cast<unsigned long>(jpeg.size()), &w, &h, &subsamp,
                          &colorspace) != 0)
    TjFail(handle.get(), "JPEG header");
  const int op = TjOperation(orientation);
  // The sides whose partial edge blocks would have to move to the other edge.
  const int mcuW = subsamp >= 0 ? tjMCUWidth[subsamp] : 8, mcuH = subsamp >= 0 ? tjMCUHeight[subsamp] : 8;
  const bool widthMoves = op == TJXOP_HFLIP || op == TJXOP_ROT180 || op == TJXOP_TRANSVERSE || op == TJXOP_ROT270;
  const bool heightMoves = op == TJXOP_VFLIP || op == TJXOP_ROT180 || op == TJXOP_TRANSVERSE || op == TJXOP_ROT90;
  const int cutW = widthMoves ? w % mcuW : 0, cutH = heightMoves ? h % mcuH : 0;
  int options = TJXOPT_PERFECT;
  if (cutW || cutH) {
    const double percent = std::max(100.0 * cutW / w, 100.0 * cutH / h);
    if (percent > maxTrimPercent || cutW >= w || cutH >= h) {
      turn.WhyNot = Format("%dx%d is not a whole number of %dx%d blocks, so its edge blocks cannot move without "
                           "loss, and dropping them would cut %.1f%% of the picture",
                           w, h, mcuW, mcuH, percent);
      return turn;
    }
    options = TJXOPT_TRIM;
    turn.Trimmed = true;
  }
  tjtransform transform{};
  transform.op = op;
  transform.options = options;
  unsigned char* out = nullptr;
  unsigned long size = 0;
  if (tjTransform(handle.get(), jpeg.data(), static_cast<unsigned long>(jpeg.size()), 1, &out, &size, &transform, 0) != 0) {
    tjFree(out);
    turn.WhyNot = std::string("the library cannot turn it losslessly: ") + tjGetErrorStr2(handle.get());
    turn.Trimmed = false;
    return turn;
  }
  turn.Data.assign(out, out + size);
  tjFree(out);
  if (tjDecompressHeader3(handle.get(), turn.Data.data(), size, &w, &h, &subsamp, &colorspace) != 0)
    TjFail(handle.get(), "turned JPEG");
  turn.Width = w;
  turn.Height = h;
  turn.Done = true;
#else
  turn.WhyNot = "this pictova-build was made without TurboJPEG";
#endif
  return turn;
}

bool LooksLikeHeif(const uint8_t* data, size_t size) {
  // An ISO base media file: a leading 'ftyp' box; libheif decides about the brands.
  if (size < 12 || std::memcmp(data + 4, "ftyp", 4) != 0) return false;
#ifdef PICTOVA_HAVE_HEIF
  return heif_check_filetype(data, static_cast<int>(std::min<size_t>(size, 1 << 20))) != heif_filetype_no;
#else
  static const char* const kBrands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif"};
  return std::any_of(std::begin(kBrands), std::end(kBrands),
                     [&](const char* b) { return std::memcmp(data + 8, b, 4) == 0; });
#endif
}

bool LooksLikeWebp(const uint8_t* data, size_t size) {
  return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0;
}

TPixels DecodeHeif(const std::vector<uint8_t>& data) {
#ifdef PICTOVA_HAVE_HEIF
  static std::once_flag once;
  std::call_once(once, [] { heif_init(nullptr); });
  std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(), heif_context_free);
  auto check = [](heif_error error) {
    if (error.code != heif_error_Ok) throw EBuildError(std::string("libheif: ") + error.message);
  };
  check(heif_context_read_from_memory_without_copy(context.get(), data.data(), data.size(), nullptr));
  heif_image_handle* rawHandle = nullptr;
  check(heif_context_get_primary_image_handle(context.get(), &rawHandle));
  std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> handle(rawHandle, heif_image_handle_release);
  CheckPictureSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()), "HEIF");
  const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
  heif_image* rawImage = nullptr;
  // The decoder applies the file's rotation and mirror boxes (irot, imir) itself.
  check(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr));
  std::unique_ptr<heif_image, void (*)(const heif_image*)> image(rawImage, heif_image_release);
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
  if (!plane) throw EBuildError("libheif: no picture decoded");
  CheckPictureSize(w, h, "HEIF");
  return alpha ? FromRgbaOnBlack(plane, static_cast<size_t>(stride), w, h)
               : FromRgb(plane, static_cast<size_t>(stride), w, h);
#else
  throw EBuildError("this pictova-build was made without libheif: it cannot convert HEIF/HEIC pictures");
#endif
}

TPixels DecodeWebp(const std::vector<uint8_t>& data) {
#ifdef PICTOVA_HAVE_WEBP
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data.data(), data.size(), &features) != VP8_STATUS_OK)
    throw EBuildError("libwebp: not a WebP picture it can read");
  if (features.has_animation) throw EBuildError("libwebp: an animated WebP; only still pictures are converted");
  CheckPictureSize(features.width, features.height, "WebP");
  int w = 0, h = 0;
  std::unique_ptr<uint8_t, void (*)(void*)> rgba(WebPDecodeRGBA(data.data(), data.size(), &w, &h), WebPFree);
  if (!rgba) throw EBuildError("libwebp: the picture data is damaged");
  return FromRgbaOnBlack(rgba.get(), static_cast<size_t>(w) * 4, w, h);
#else
  throw EBuildError("this pictova-build was made without libwebp: it cannot convert WebP pictures");
#endif
}

TPixels DecodeWithEngine(const std::vector<uint8_t>& data) {
  static std::mutex engineDecoder;
  std::lock_guard<std::mutex> lock(engineDecoder);
  TBitmap bitmap;
  TImageIO io;
  io.SetBitmap(&bitmap);
  TReadOnlyMemoryStream stream(data.data(), static_cast<int64_t>(data.size()));
  io.LoadFromStream(stream);
  if (io.IOFailed() || bitmap.Empty()) throw EBuildError("the engine's decoder cannot read the picture");
  TPixels p = NewPixels(bitmap.Width(), bitmap.Height());
  for (int32_t y = 0; y < p.Height; ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    uint8_t* out = p.Rgb.data() + static_cast<size_t>(y) * p.Width * 3;
    for (int32_t x = 0; x < p.Width; ++x, out += 3) {
      if (bitmap.PixelFormat() == pf1bit) {
        const uint8_t v = (row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
        out[0] = out[1] = out[2] = v;
      } else {  // blue, green, red
        out[0] = row[x * 3 + 2];
        out[1] = row[x * 3 + 1];
        out[2] = row[x * 3];
      }
    }
  }
  return p;
}

std::vector<uint8_t> EncodePng(const TPixels& pixels) {
  TBitmap bitmap(pixels.Width, pixels.Height, pf24bit);
  for (int32_t y = 0; y < pixels.Height; ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    const uint8_t* in = pixels.Rgb.data() + static_cast<size_t>(y) * pixels.Width * 3;
    for (int32_t x = 0; x < pixels.Width; ++x) {
      row[x * 3] = in[x * 3 + 2];
      row[x * 3 + 1] = in[x * 3 + 1];
      row[x * 3 + 2] = in[x * 3];
    }
  }
  TMemoryStream stream;
  SaveBitmapToPng(bitmap, stream);
  return stream.Data();
}

}  // namespace pictova
