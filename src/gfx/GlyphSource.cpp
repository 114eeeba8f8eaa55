// The process's glyph source.
#include "gfx/GlyphSource.h"

namespace pictova {
namespace {
std::unique_ptr<IGlyphSource>& Installed() {
  // One per process, like the platform that installs it.
  static std::unique_ptr<IGlyphSource> source;
  return source;
}
}  // namespace

IGlyphSource* GlyphSource() { return Installed().get(); }
void SetGlyphSource(std::unique_ptr<IGlyphSource> source) { Installed() = std::move(source); }

}  // namespace pictova
