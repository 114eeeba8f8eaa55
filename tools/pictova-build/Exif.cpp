// Finding and resetting the EXIF orientation tag (TIFF 6.0 section 2 structure; EXIF 2.3
// section 4.6.4 for tag 274) in JPEG, PNG and WebP files. Every offset is checked against
// the block before it is read.
#include "pictova-build/Exif.h"

#include <cstring>

namespace pictova {

namespace {

constexpr uint16_t kOrientationTag = 274;
constexpr uint16_t kTypeShort = 3;

uint16_t Get16(const uint8_t* p, bool big) {
  return big ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
}

uint32_t Get32(const uint8_t* p, bool big) {
  return big ? (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3])
             : (uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
}

uint32_t GetBig32(const uint8_t* p) { return Get32(p, true); }

}  // namespace

std::optional<TExifOrientation> FindTiffOrientation(const uint8_t* data, size_t size, size_t base) {
  if (size < 8) return std::nullopt;
  bool big;
  if (data[0] == 'I' && data[1] == 'I')
    big = false;
  else if (data[0] == 'M' && data[1] == 'M')
    big = true;
  else
    return std::nullopt;
  if (Get16(data + 2, big) != 42) return std::nullopt;
  const uint32_t ifd = Get32(data + 4, big);
  if (ifd > size || size - ifd < 2) return std::nullopt;
  const uint16_t count = Get16(data + ifd, big);
  if ((size - ifd - 2) / 12 < count) return std::nullopt;
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* entry = data + ifd + 2 + 12 * size_t{i};
    if (Get16(entry, big) != kOrientationTag) continue;
    if (Get16(entry + 2, big) != kTypeShort || Get32(entry + 4, big) != 1) return std::nullopt;
    // A single SHORT sits in the first two bytes of the value field.
    TExifOrientation found;
    found.Value = Get16(entry + 8, big);
    found.Offset = base + static_cast<size_t>(entry + 8 - data);
    found.BigEndian = big;
    return found;
  }
  return std::nullopt;
}

std::optional<TExifOrientation> FindJpegOrientation(const uint8_t* data, size_t size) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return std::nullopt;
  size_t pos = 2;
  // Markers before the first scan; EXIF comes right after SOI in practice (JPEG B.1.1.2).
  while (pos + 4 <= size) {
    if (data[pos] != 0xFF) return std::nullopt;
    const uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return std::nullopt;
    const size_t length = static_cast<size_t>(data[pos + 2]) << 8 | data[pos + 3];
    if (length < 2 || length > size - pos - 2) return std::nullopt;
    const uint8_t* body = data + pos + 4;
    const size_t bodySize = length - 2;
    if (marker == 0xE1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0)
      return FindTiffOrientation(body + 6, bodySize - 6, pos + 4 + 6);
    pos += 2 + length;
  }
  return std::nullopt;
}

std::optional<TExifOrientation> FindPngOrientation(const uint8_t* data, size_t size) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size < 8 || std::memcmp(data, kSignature, 8) != 0) return std::nullopt;
  size_t pos = 8;
  while (size - pos >= 12) {
    const uint32_t length = GetBig32(data + pos);
    if (length > size - pos - 12) return std::nullopt;
    const uint8_t* type = data + pos + 4;
    if (std::memcmp(type, "eXIf", 4) == 0) return FindTiffOrientation(data + pos + 8, length, pos + 8);
    if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) return std::nullopt;
    pos += 12 + size_t{length};
  }
  return std::nullopt;
}

std::optional<TExifOrientation> FindWebpOrientation(const uint8_t* data, size_t size) {
  if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WEBP", 4) != 0) return std::nullopt;
  size_t pos = 12;
  while (size - pos >= 8) {
    const uint32_t length = Get32(data + pos + 4, false);
    if (length > size - pos - 8) return std::nullopt;
    if (std::memcmp(data + pos, "EXIF", 4) == 0) {
      const uint8_t* body = data + pos + 8;
      // Some writers keep the JPEG-style "Exif\0\0" prefix in the chunk.
      if (length >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0)
        return FindTiffOrientation(body + 6, length - 6, pos + 8 + 6);
      return FindTiffOrientation(body, length, pos + 8);
    }
    pos += 8 + size_t{length} + (length & 1);  // chunks are padded to an even size
  }
  return std::nullopt;
}

void SetOrientation(uint8_t* data, const TExifOrientation& where, int value) {
  uint8_t* p = data + where.Offset;
  if (where.BigEndian) {
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
  } else {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
  }
}

}  // namespace pictova
