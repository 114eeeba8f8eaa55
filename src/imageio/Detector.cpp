// Recognises an image format from the content of a stream.
#include "imageio/Detector.h"

#include <png.h>

#include <cstring>
#include <string>

#include "imageio/FormatRegistry.h"
#include "imageio/PnmTokens.h"
#include "rtl/Classes.h"

namespace pictova {

namespace {

// Reads up to count bytes from start into buffer, zero-filling what the stream does not have;
// returns how many bytes were real. The position goes back to start.
int32_t Peek(TStream& stream, int64_t start, uint8_t* buffer, int32_t count) {
  std::memset(buffer, 0, static_cast<size_t>(count));
  stream.SetPosition(start);
  int32_t got = 0;
  while (got < count) {
    const int32_t n = stream.Read(buffer + got, count - got);
    if (n <= 0) break;
    got += n;
  }
  stream.SetPosition(start);
  return got;
}

// The n-byte tag at start as a string cut at its first zero byte.
std::string TagString(TStream& stream, int64_t start, int32_t n) {
  uint8_t buffer[8];
  Peek(stream, start, buffer, n);
  size_t length = 0;
  while (length < static_cast<size_t>(n) && buffer[length] != 0) ++length;
  return std::string(reinterpret_cast<const char*>(buffer), length);
}

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads exactly count bytes; false when the stream ends first.
bool ReadAll(TStream& stream, uint8_t* buffer, int32_t count) {
  int32_t got = 0;
  while (got < count) {
    const int32_t n = stream.Read(buffer + got, count - got);
    if (n <= 0) return false;
    got += n;
  }
  return true;
}

int32_t DetectFrom(TStream& stream, int64_t start, int64_t size) {
  for (const TFileFormatInfo& entry : FormatRegistry().EntriesWithTests()) {
    stream.SetPosition(start);
    const bool accepted = entry.TestFunction(stream);
    stream.SetPosition(start);
    if (accepted) return entry.FileType;
  }

  uint8_t head[8];
  const int32_t got = Peek(stream, start, head, 8);

  if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return ioJPEG;
  if (size > 12 && TagString(stream, start, 5) == "JFIF") return ioJPEG;
  if (size > 13 && got >= 3 && std::memcmp(head, "GIF", 3) == 0) return ioGIF;
  if (size > 12 && TagString(stream, start, 5) == "PCX2") return ioPCX;
  if (size > 4 && TagString(stream, start, 4) == "PCX") return ioPCX;
  if (size > 14 && got >= 2 && head[0] == 'B' && head[1] == 'M') return ioBMP;
  if (size > 128 && got >= 2 && head[0] == 0x0A && head[1] <= 5) return ioPCX;
  if (size > 12 && TagString(stream, start, 5) == "TIFF") return ioTIFF;
  if (size > 8 && got >= 2 &&
      ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M')))
    return ioTIFF;
  if (size > 8 && got == 8 && png_sig_cmp(head, 0, 8) == 0) return ioPNG;

  stream.SetPosition(start);
  bool yes = LooksLikeIconOrCursor(stream, 1);
  stream.SetPosition(start);
  if (yes) return ioICO;
  yes = LooksLikeIconOrCursor(stream, 2);
  stream.SetPosition(start);
  if (yes) return ioCUR;
  yes = LooksLikeTga(stream);
  stream.SetPosition(start);
  if (yes) return ioTGA;
  yes = LooksLikePnm(stream);
  stream.SetPosition(start);
  if (yes) return ioPXM;
  return ioUnknown;
}

}  // namespace

bool LooksLikeIconOrCursor(TStream& stream, int iconType) {
  if (stream.Size() <= 22) return false;
  uint8_t header[6];
  if (!ReadAll(stream, header, 6)) return false;
  const uint16_t count = Le16(header + 4);
  if (Le16(header) != 0 || Le16(header + 2) != iconType || count == 0) return false;
  for (int i = 0; i < count; ++i) {
    uint8_t entry[16];
    if (!ReadAll(stream, entry, 16)) return false;
    const int64_t reached = stream.Position();
    if (entry[3] != 0 || Le32(entry + 8) == 0 || Le32(entry + 12) < reached) return false;
  }
  return true;
}

bool LooksLikeTga(TStream& stream) {
  uint8_t header[18];
  if (!ReadAll(stream, header, 18)) return false;
  const uint8_t type = header[2];
  const uint8_t depth = header[16];
  const bool typeOk = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
  const bool depthOk =
      depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
  if (!typeOk || !depthOk) return false;
  // A PNM start ("P2" to "P6" and a separator) may pass the TGA test by accident; it is PNM.
  const bool pnmStart = header[0] == 'P' && header[1] >= '2' && header[1] <= '6' &&
                        (header[2] == ' ' || header[2] == '#' || header[2] == '\n');
  return !pnmStart;
}

bool IsJpegStart(TStream& stream) {
  const int64_t start = stream.Position();
  uint8_t head[3];
  return Peek(stream, start, head, 3) == 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

int32_t DetectStreamFormat(TStream& stream) {
  int64_t start = 0;
  try {
    start = stream.Position();
  } catch (...) {
    return ioUnknown;
  }
  int32_t code = ioUnknown;
  try {
    code = DetectFrom(stream, start, stream.Size());
  } catch (...) {
    code = ioUnknown;
  }
  try {
    stream.SetPosition(start);
  } catch (...) {
  }
  return code;
}

}  // namespace pictova
