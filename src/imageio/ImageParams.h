// The per-image parameters record of the image I/O component: what the last read learned about
// an image, and the inputs (image index, JPEG scale, backgrounds) that steer the readers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imageio/Hooks.h"
#include "imageio/Iptc.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

namespace pictova {

class TImageIO;

// One palette entry or colour as the readers store it: blue, green, red.
struct TRGBTriple {
  uint8_t Blue = 0;
  uint8_t Green = 0;
  uint8_t Red = 0;
  bool operator==(const TRGBTriple&) const = default;
};

constexpr TRGBTriple kTripleBlack{0, 0, 0};
constexpr TRGBTriple kTripleWhite{255, 255, 255};

// The APPn and COM markers a JPEG read kept, in file order, each with its data in its own
// memory stream. Copying the list copies the data.
class TJpegMarkerList {
 public:
  TJpegMarkerList() = default;
  TJpegMarkerList(const TJpegMarkerList& other) { *this = other; }
  TJpegMarkerList& operator=(const TJpegMarkerList& other);

  int Count() const { return static_cast<int>(FItems.size()); }
  uint8_t MarkerCode(int index) const { return FItems.at(static_cast<size_t>(index)).Code; }
  TMemoryStream& MarkerData(int index) { return *FItems.at(static_cast<size_t>(index)).Data; }
  const TMemoryStream& MarkerData(int index) const {
    return *FItems.at(static_cast<size_t>(index)).Data;
  }
  // Index of the first marker with this code, or -1.
  int IndexOf(uint8_t code) const;
  void AddMarker(uint8_t code, const uint8_t* data, int32_t length);
  void Clear() { FItems.clear(); }

 private:
  struct TItem {
    uint8_t Code = 0;
    std::unique_ptr<TMemoryStream> Data;
  };
  std::vector<TItem> FItems;
};

// A plain record: readers and callers read and write its fields directly. It is created with
// its component and reset to these defaults only then; every load overwrites the fields its
// reader determines and leaves the others as they were.
class TImageParams {
 public:
  // Width and Height start as the owner's target bitmap's size, DpiX and DpiY as its attached
  // view's resolution (0 without one).
  explicit TImageParams(TImageIO* owner = nullptr);
  // Copying duplicates every field, the palette, the IPTC, marker and comment lists. An
  // assigned record stays with its own owner; a copy-constructed one shares the source's.
  TImageParams(const TImageParams& other) = default;
  TImageParams& operator=(const TImageParams& other) = default;
  void Assign(const TImageParams& source) { *this = source; }

  TImageIO* Owner() const { return FOwner.Ptr; }

  // Common fields.
  int32_t BitsPerSample = 8;
  int32_t SamplesPerPixel = 3;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t DpiX = 0;
  int32_t DpiY = 0;
  int32_t ImageFormat = 0;

  // TIFF.
  int32_t TiffImageIndex = 0;
  int32_t TiffImageCount = 0;
  uint8_t TiffCompression = 0;
  uint8_t TiffPhotometric = 2;
  int32_t TiffPlanarConfig = 1;
  std::string TiffDocumentName;
  std::string TiffImageDescription;
  std::string TiffPageName;
  int32_t TiffPageNumber = 0;
  int32_t TiffPageCount = 0;
  int32_t TiffXPos = 0;
  int32_t TiffYPos = 0;
  TTiffDecodeHook TiffDecodeHook = nullptr;
  TTiffEncodeHook TiffEncodeHook = nullptr;

  // GIF.
  std::string GifVersion = "GIF89a";
  int32_t GifImageIndex = 0;
  int32_t GifLeft = 0;
  int32_t GifTop = 0;
  int32_t GifDelay = 0;
  bool GifTransparent = false;
  TRGBTriple GifTransparentColor = kTripleBlack;
  bool GifInterlaced = false;
  int32_t GifScreenWidth = 0;
  int32_t GifScreenHeight = 0;
  TRGBTriple GifBackground = kTripleBlack;
  int32_t GifAspect = 0;
  TGifDecodeHook GifDecodeHook = nullptr;
  TGifEncodeHook GifEncodeHook = nullptr;
  int32_t GifImageCount = 0;

  // JPEG. Colour space: 0 RGB, 1 grey, 2 YCbCr, 3 CMYK, 4 YCbCrK. DCT method: 0 accurate
  // integer, 1 fast integer, 2 floating point. Scale: 0 automatic, 1 full, 2 half, 3 quarter,
  // 4 eighth.
  uint8_t JpegColorSpace = 2;
  uint8_t JpegDctMethod = 0;
  uint8_t JpegScale = 1;
  bool JpegProgressive = false;
  TJpegMarkerList JpegMarkers;

  // PCX, BMP, icons and cursors.
  int32_t PcxVersion = 5;
  uint8_t BmpVersion = 1;
  bool BmpCompressed = false;
  int32_t IcoImageIndex = 0;
  TRGBTriple IcoBackground = kTripleWhite;
  int32_t CurImageIndex = 0;
  TRGBTriple CurBackground = kTripleWhite;
  int32_t CurHotSpotX = 0;
  int32_t CurHotSpotY = 0;

  // PNG.
  TRGBTriple PngBackground = kTripleBlack;
  bool PngInterlaced = false;

  // TGA.
  int32_t TgaXOrigin = 0;
  int32_t TgaYOrigin = 0;
  bool TgaCompressed = true;
  std::string TgaImageId;
  std::string TgaAuthor;
  std::string TgaJobName;
  TDateTime TgaDate = 0.0;
  TRGBTriple TgaKeyColor = kTripleBlack;
  double TgaAspectRatio = 1.0;
  double TgaGamma = 2.2;
  bool TgaGrayscale = false;

  // Metadata, name and palette.
  TIptcList IptcInfo;
  TStringList PnmComments;
  std::string FileName;
  std::vector<TRGBTriple> Palette;
  int32_t PaletteCount() const { return static_cast<int32_t>(Palette.size()); }
  void FreePalette() {
    Palette.clear();
    Palette.shrink_to_fit();
  }

 private:
  // The owning component: copied on construction, kept on assignment.
  struct TOwnerLink {
    TImageIO* Ptr = nullptr;
    explicit TOwnerLink(TImageIO* owner) : Ptr(owner) {}
    TOwnerLink(const TOwnerLink&) = default;
    TOwnerLink& operator=(const TOwnerLink&) { return *this; }
  };
  TOwnerLink FOwner;
};

}  // namespace pictova
