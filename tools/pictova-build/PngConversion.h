// Pictures the engine decodes but passes over by name (PNM, icons, cursors) go into a show as
// PNG files converted without loss through the engine's own decoder.
#pragma once

#include <string>
#include <vector>

#include "pictova-build/ShowBuilder.h"

namespace pictova {

// A copy of a build request whose PNM, icon and cursor pictures are replaced by PNG files in
// a temporary folder, named as the originals with ".png" in place of their extension. The
// folder goes when the object does. Each conversion adds a line to warnings; a picture that
// cannot be decoded is left as it was (the builder then reports it as usual).
class TPngConversions {
 public:
  TPngConversions(const TBuildRequest& request, std::vector<std::string>& warnings);
  ~TPngConversions();
  TPngConversions(const TPngConversions&) = delete;
  TPngConversions& operator=(const TPngConversions&) = delete;

  const TBuildRequest& Request() const { return FRequest; }

 private:
  TBuildRequest FRequest;
  std::string FFolder;
};

}  // namespace pictova
