// The PNM reader: portable bitmaps, graymaps and pixmaps in their ASCII (P1, P2, P3) and raw
// (P4, P5, P6) forms; raw samples of two bytes (maximum value above 255) are read as well.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imageio/ImageParams.h"
#include "imageio/PnmTokens.h"
#include "imageio/RasterSupport.h"
#include "imageio/ReaderSupport.h"
#include "imageio/Readers.h"
#include "rtl/Classes.h"

namespace pictova {

namespace {

struct TPnmHeader {
  std::string Magic;
  int32_t Width = -1;
  int32_t Height = -1;
  int32_t MaxValue = 1;
};

// Reads the header fields, collecting comment lines on the way. A width of 0 counts as missing.
TPnmHeader ReadHeader(TPnmTokenReader& tokens, TImageParams& params) {
  TPnmHeader h;
  enum { kMagic, kWidth, kHeight, kMax, kDone } state = kMagic;
  while (state != kDone) {
    const std::string token = tokens.NextToken();
    if (token.empty()) break;
    if (token[0] == '#') {
      params.PnmComments.Add(token.substr(1));
      continue;
    }
    switch (state) {
      case kMagic: h.Magic = token; state = kWidth; break;
      case kWidth:
        h.Width = PnmTokenToInt(token);
        if (h.Width != 0) state = kHeight;
        break;
      case kHeight:
        h.Height = PnmTokenToInt(token);
        state = h.Magic == "P1" || h.Magic == "P4" ? kDone : kMax;
        break;
      case kMax: h.MaxValue = PnmTokenToInt(token); state = kDone; break;
      case kDone: break;
    }
  }
  return h;
}

// value / maximum × 255, truncated, and no brighter than white for values above the maximum.
uint8_t Scale(int64_t value, int32_t maxValue) {
  if (value <= 0) return 0;
  return static_cast<uint8_t>(std::min<int64_t>(value * 255 / maxValue, 255));
}

void Report(TProgressRec& progress, int32_t rowsDone) {
  progress.Val = rowsDone;
  progress.Report();
}

void DecodeAsciiBits(TPnmTokenReader& tokens, TBitmap& bitmap, const TPnmHeader& h,
                     TProgressRec& progress) {
  for (int32_t y = 0; y < h.Height; ++y) {
    if (progress.Failed()) return;
    uint8_t* row = bitmap.ScanLine(y);
    for (int32_t x = 0; x < h.Width;) {
      uint8_t c = 0;
      if (!tokens.NextChar(c)) return;
      if (c != '0' && c != '1') continue;
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      if (c == '0') row[x >> 3] |= bit;
      else row[x >> 3] &= static_cast<uint8_t>(~bit);
      ++x;
    }
    if (y + 1 < h.Height) Report(progress, y + 1);
  }
}

void DecodeAsciiSamples(TPnmTokenReader& tokens, TBitmap& bitmap, const TPnmHeader& h,
                        int samples, TProgressRec& progress) {
  for (int32_t y = 0; y < h.Height; ++y) {
    if (progress.Failed()) return;
    uint8_t* dst = bitmap.ScanLine(y);
    for (int32_t x = 0; x < h.Width; ++x, dst += 3) {
      uint8_t rgb[3];
      for (int s = 0; s < samples; ++s) {
        const std::string token = tokens.NextToken();
        // The end of the stream: the rest stays black, as the resize left it.
        if (token.empty()) return;
        rgb[s] = Scale(PnmTokenToInt(token), h.MaxValue);
      }
      if (samples == 1) rgb[1] = rgb[2] = rgb[0];
      dst[0] = rgb[2];
      dst[1] = rgb[1];
      dst[2] = rgb[0];
    }
    Report(progress, y + 1);
  }
}

void DecodeRawBits(TStream& stream, TBitmap& bitmap, const TPnmHeader& h, TProgressRec& progress) {
  const int32_t rowBytes = (h.Width + 7) / 8;
  for (int32_t y = 0; y < h.Height && !progress.Failed(); ++y) {
    if (stream.Read(bitmap.ScanLine(y), rowBytes) < rowBytes) break;
    Report(progress, y + 1);
  }
  // The file's 1 is black; the bitmap's palette has black at 0.
  uint8_t* bits = bitmap.Bits();
  const size_t n = static_cast<size_t>(bitmap.RowBytes()) * static_cast<size_t>(bitmap.Height());
  for (size_t i = 0; i < n; ++i) bits[i] = static_cast<uint8_t>(~bits[i]);
}

// P5 and P6. Eight-bit pixmaps go straight into the row, their maximum value not applied;
// eight-bit graymaps are scaled when the maximum is below 255, two-byte samples (big-endian)
// always.
void DecodeRaw(TStream& stream, TBitmap& bitmap, const TPnmHeader& h, int samples,
               TProgressRec& progress) {
  const bool wide = h.MaxValue > 255;
  const int32_t count = h.Width * samples;
  const int32_t rowBytes = count * (wide ? 2 : 1);
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
  uint8_t scale[256];
  for (int v = 0; v < 256; ++v)
    scale[v] = samples == 1 && h.MaxValue < 255 ? Scale(v, h.MaxValue) : static_cast<uint8_t>(v);
  for (int32_t y = 0; y < h.Height && !progress.Failed(); ++y) {
    uint8_t* dst = bitmap.ScanLine(y);
    const bool direct = samples == 3 && !wide;
    uint8_t* src = direct ? dst : row.data();
    const int32_t got = std::max(0, stream.Read(src, rowBytes));
    const int32_t pixels = got / (samples * (wide ? 2 : 1));
    if (direct) {
      for (int32_t x = 0; x < pixels; ++x) std::swap(dst[x * 3], dst[x * 3 + 2]);
      // Bytes of a pixel that did not arrive whole are not shown.
      if (got < rowBytes) std::memset(dst + pixels * 3, 0, static_cast<size_t>(got - pixels * 3));
    } else {
      for (int32_t x = 0; x < pixels; ++x, dst += 3) {
        uint8_t v[3];
        for (int s = 0; s < samples; ++s) {
          const int32_t i = x * samples + s;
          v[s] = wide ? Scale((src[i * 2] << 8) | src[i * 2 + 1], h.MaxValue) : scale[src[i]];
        }
        if (samples == 1) v[1] = v[2] = v[0];
        dst[0] = v[2];
        dst[1] = v[1];
        dst[2] = v[0];
      }
    }
    if (got < rowBytes) break;
    Report(progress, y + 1);
  }
}

}  // namespace

void ReadPnmStream(TStream& stream, TBitmap& bitmap, TImageParams& params, bool paramsOnly,
                   TProgressRec& progress) {
  params.PnmComments.Clear();
  TPnmTokenReader tokens(stream);
  const TPnmHeader h = ReadHeader(tokens, params);
  if (h.Width <= 0 || h.Height <= 0) {
    progress.Fail();
    return;
  }
  params.FreePalette();
  params.Width = h.Width;
  params.Height = h.Height;
  params.DpiX = params.DpiY = ScreenPixelsPerInch();
  progress.Val = 0;
  progress.Per = 100.0 / h.Height;

  const bool bits = h.Magic == "P1" || h.Magic == "P4";
  const bool grey = h.Magic == "P2" || h.Magic == "P5";
  const bool colour = h.Magic == "P3" || h.Magic == "P6";
  if (!bits && !grey && !colour) {
    progress.Fail();
    return;
  }
  params.BitsPerSample = bits ? 1 : 8;
  params.SamplesPerPixel = colour ? 3 : 1;
  if (paramsOnly) return;
  // Samples are scaled by the maximum value, so it must be one; raw samples are at most two bytes.
  const bool raw = h.Magic[1] >= '4';
  if (!bits && (h.MaxValue <= 0 || (raw && h.MaxValue > 65535))) {
    progress.Fail();
    return;
  }
  if (!PrepareTarget(bitmap, bits ? pf1bit : pf24bit, h.Width, h.Height, progress)) return;

  if (!raw) {
    if (bits) DecodeAsciiBits(tokens, bitmap, h, progress);
    else DecodeAsciiSamples(tokens, bitmap, h, colour ? 3 : 1, progress);
    tokens.SyncStream();
    return;
  }
  tokens.SyncStream();
  if (bits) DecodeRawBits(stream, bitmap, h, progress);
  else DecodeRaw(stream, bitmap, h, colour ? 3 : 1, progress);
}

}  // namespace pictova
