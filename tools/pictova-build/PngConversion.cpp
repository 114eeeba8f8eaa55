// Converting PNM, icon and cursor pictures to PNG for a show.
#include "pictova-build/PngConversion.h"

#include <filesystem>
#include <random>
#include <system_error>

#include "gfx/Bitmap.h"
#include "imageio/Detector.h"
#include "imageio/FormatRegistry.h"
#include "imageio/ImageIO.h"
#include "imageio/PngWriter.h"

namespace pictova {

namespace fs = std::filesystem;

namespace {

bool NeedsConversion(int32_t format) { return format == ioPXM || format == ioICO || format == ioCUR; }

std::string MakeTempFolder() {
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  std::random_device random;
  for (unsigned n = 0; n < 1000; ++n) {
    const fs::path folder = base / ("pictova-build-png-" + std::to_string(random()));
    if (fs::create_directory(folder, ec)) return folder.string();
  }
  throw EBuildError("cannot make a temporary folder for the pictures converted to PNG");
}

}  // namespace

TPngConversions::TPngConversions(const TBuildRequest& request, std::vector<std::string>& warnings)
    : FRequest(request) {
  for (TImageItem& item : FRequest.Images) {
    if (!IsRegularFile(item.Path)) continue;
    TBitmap bitmap;
    TImageIO io;
    io.SetBitmap(&bitmap);
    try {
      TNativeFileStream in(item.Path, TNativeFileStream::nmRead);
      if (!NeedsConversion(DetectStreamFormat(in))) continue;
      io.LoadFromStream(in);
    } catch (const Exception&) {
      continue;
    }
    if (io.IOFailed() || bitmap.Empty()) continue;
    if (FFolder.empty()) FFolder = MakeTempFolder();
    // One subfolder per picture keeps two pictures of the same name apart.
    const fs::path folder = fs::path(FFolder) / std::to_string(&item - FRequest.Images.data());
    std::error_code ec;
    fs::create_directory(folder, ec);
    const std::string name = fs::path(BaseName(item.Path)).replace_extension(".png").string();
    const std::string converted = (folder / name).string();
    SaveBitmapToPng(bitmap, converted);
    warnings.push_back(item.Path + ": stored as PNG under the name \"" + name +
                       "\" (converted without loss; the engine shows only .BMP .PCX .JPG .PNG .TIF .TGA .GIF)");
    item.Path = converted;
  }
}

TPngConversions::~TPngConversions() {
  if (FFolder.empty()) return;
  std::error_code ec;
  fs::remove_all(FFolder, ec);
}

}  // namespace pictova
