#include "pictova-demo-pictures/DemoPictures.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "gfx/Bitmap.h"
#include "imageio/ImageIO.h"

namespace pictova {
namespace {

namespace fs = std::filesystem;

// Every picture is written in the format its name says, and the engine's decoder reads it
// back at its size with the colours painted (JPEG within its loss).
TEST(DemoPictures, WrittenPicturesDecodeAsPainted) {
  const fs::path dir = fs::temp_directory_path() / ("pictova-demo-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::vector<std::string> paths = WriteDemoPictures(dir.string());
  ASSERT_EQ(paths.size(), DemoPictures().size());
  std::set<std::string> formats;
  for (size_t i = 0; i < paths.size(); ++i) {
    const TDemoPicture& picture = DemoPictures()[i];
    TBitmap painted, decoded;
    PaintDemoPicture(i, painted);
    TImageIO io;
    io.SetBitmap(&decoded);
    io.LoadFromFile(paths[i]);
    ASSERT_EQ(io.IOFailed(), 0) << paths[i];
    EXPECT_EQ(decoded.Width(), picture.Width);
    EXPECT_EQ(decoded.Height(), picture.Height);
    const std::string extension = fs::path(paths[i]).extension().string();
    formats.insert(extension);
    // PNG, TIFF, BMP, TGA and PPM are exact; JPEG loses detail at sharp edges, so its mean
    // difference is what counts
    // (swapped channels or a shifted picture would be far off).
    int worst = 0;
    int64_t total = 0, samples = 0;
    for (int y = 0; y < picture.Height; y += 7) {
      for (int x = 0; x < picture.Width; x += 5) {
        const TColor a = painted.Pixel(x, y), b = decoded.Pixel(x, y);
        for (int shift : {0, 8, 16}) {
          const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
          worst = std::max(worst, d);
          total += d;
          ++samples;
        }
      }
    }
    if (extension == ".png" || extension == ".tif" || extension == ".bmp" || extension == ".tga" ||
        extension == ".ppm") {
      EXPECT_EQ(worst, 0) << paths[i];
    } else if (extension == ".gif") {
      // A colour cube of 6 × 7 × 6 levels: at most half a step (26) off per channel.
      EXPECT_LE(worst, 26) << paths[i];
      EXPECT_LE(static_cast<double>(total) / samples, 13.0) << paths[i];
    } else {
      EXPECT_LE(static_cast<double>(total) / samples, 4.0) << paths[i];
    }
  }
  EXPECT_EQ(formats, (std::set<std::string>{".jpg", ".png", ".gif", ".tif", ".bmp", ".tga", ".ppm"}));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace pictova
