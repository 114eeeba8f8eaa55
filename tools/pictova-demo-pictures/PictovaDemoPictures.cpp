// pictova-demo-pictures FOLDER: writes the demonstration pictures (JPEG, PNG, BMP, TGA and
// PPM, drawn by our own code) into FOLDER, creating it when needed, and prints their paths.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "pictova-demo-pictures/DemoPictures.h"

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: pictova-demo-pictures FOLDER\n");
    return 2;
  }
  try {
    std::error_code ec;
    std::filesystem::create_directories(argv[1], ec);
    if (ec) {
      std::fprintf(stderr, "pictova-demo-pictures: %s: %s\n", argv[1], ec.message().c_str());
      return 1;
    }
    for (const std::string& path : pictova::WriteDemoPictures(argv[1])) std::printf("%s\n", path.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pictova-demo-pictures: %s\n", e.what());
    return 1;
  }
  return 0;
}
