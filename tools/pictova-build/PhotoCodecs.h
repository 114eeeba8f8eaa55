// The picture work behind preparing photos for a show: decoding (TurboJPEG, libheif, libwebp,
// and the engine's own decoder for the rest), turning, scaling down with a proper filter
// (libswscale), JPEG encoding, and the lossless JPEG turn. Every call is self-contained, so
// several pictures can be prepared on several threads at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictova {

// Which libraries this build of the tool was linked with.
struct TPhotoSupport {
  bool Jpeg = false;   // TurboJPEG: lossless turns, JPEG decoding and encoding
  bool Scale = false;  // libswscale
  bool Heif = false;   // libheif
  bool Webp = false;   // libwebp
};
TPhotoSupport PhotoSupport();

// A picture as 8-bit R, G, B triples, rows packed top to bottom.
struct TPixels {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Rgb;
};

// The size of a w x h picture scaled to fit inside boxW x boxH with its aspect ratio kept
// (each side at least 1). Only meaningful for pictures larger than the box.
void FitInside(int32_t w, int32_t h, int32_t boxW, int32_t boxH, int32_t& fitW, int32_t& fitH);

// Turns a picture stored with an EXIF orientation (2 to 8) upright.
TPixels OrientPixels(const TPixels& stored, int orientation);

// Scales a picture to width x height with libswscale's Lanczos filter (the kernel widened by
// the reduction factor, so that it averages every source pixel when scaling down).
TPixels ScalePixels(const TPixels& source, int32_t width, int32_t height);

// JPEG through TurboJPEG. Errors raise EBuildError with the library's text.
struct TJpegInfo {
  int32_t Width = 0;
  int32_t Height = 0;
  int Subsampling = 0;  // TurboJPEG's TJSAMP_*
  bool Cmyk = false;
};
bool ReadJpegInfo(const std::vector<uint8_t>& jpeg, TJpegInfo& info);
// Decodes at the smallest of the library's DCT scales (1/8 .. 1) that still gives at least
// minWidth x minHeight, so that the final filter always scales down from more pixels than it
// keeps; 0 x 0 decodes at full size.
TPixels DecodeJpeg(const std::vector<uint8_t>& jpeg, int32_t minWidth = 0, int32_t minHeight = 0);
// subsampling: TurboJPEG's TJSAMP_*.
std::vector<uint8_t> EncodeJpeg(const TPixels& pixels, int quality, int subsampling);

// The result of a lossless turn: the new file, or why it cannot be done without loss.
struct TLosslessTurn {
  bool Done = false;
  bool Trimmed = false;        // the partial edge blocks were dropped
  int32_t Width = 0, Height = 0;
  std::vector<uint8_t> Data;
  std::string WhyNot;          // when !Done
};
// Turns a JPEG upright for its orientation (2 to 8) in the DCT domain; the markers (EXIF
// included) are copied. Where the picture's width or height is not a whole number of
// MCUs, the edge blocks cannot move losslessly: they are dropped when they are at most
// maxTrimPercent of that side, otherwise the turn is refused.
TLosslessTurn TurnJpegLosslessly(const std::vector<uint8_t>& jpeg, int orientation, double maxTrimPercent);

// HEIF/HEIC/AVIF through libheif (turned as the file's own transformations say) and WebP
// through libwebp; transparent pixels are laid on black, as the engine's background.
bool LooksLikeHeif(const uint8_t* data, size_t size);
bool LooksLikeWebp(const uint8_t* data, size_t size);
TPixels DecodeHeif(const std::vector<uint8_t>& data);
TPixels DecodeWebp(const std::vector<uint8_t>& data);

// Any format the engine reads, through the engine's own decoder (so the pixels are the ones
// the show would display). Raises EBuildError when the decoder fails.
TPixels DecodeWithEngine(const std::vector<uint8_t>& data);
// PNG of the pixels, through the engine's PNG writer.
std::vector<uint8_t> EncodePng(const TPixels& pixels);

}  // namespace pictova
