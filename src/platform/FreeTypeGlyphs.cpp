// The glyph source of the Linux backends: FreeType over the Liberation fonts. Glyphs are
// hinted and rendered in monochrome, as classic screen text, so the same text gives the
// same pixels on every run.
#include "platform/FreeTypeGlyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdlib>
#include <map>
#include <tuple>
#include <unordered_map>

#include "rtl/Ansi.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

namespace pictova {
namespace {

int32_t Scale(int32_t units, int32_t ppem, int32_t upem, bool up) {
  const double v = static_cast<double>(units) * ppem / upem;
  return static_cast<int32_t>(up ? std::ceil(v - 1e-9) : std::lround(v));
}

class TFreeTypeFace : public IGlyphFace {
 public:
  TFreeTypeFace(FT_Library library, const std::string& path, int32_t height) {
    if (FT_New_Face(library, path.c_str(), 0, &FFace) != 0)
      throw Exception(Format("Cannot load the font file %s", path.c_str()));
    const int32_t upem = FFace->units_per_EM;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(FFace, FT_SFNT_OS2));
    const int32_t winAscent = os2 ? os2->usWinAscent : FFace->ascender;
    const int32_t winDescent = os2 ? os2->usWinDescent : -FFace->descender;
    // A negative height is the em size; a positive one the cell (ascent + descent).
    int32_t ppem = 11;
    if (height < 0) ppem = -height;
    if (height > 0) ppem = std::max<int32_t>(1, static_cast<int32_t>(std::lround(static_cast<double>(height) * upem / (winAscent + winDescent))));
    FT_Set_Pixel_Sizes(FFace, 0, static_cast<FT_UInt>(ppem));
    FMetrics.Ascent = Scale(winAscent, ppem, upem, true);
    FMetrics.Descent = Scale(winDescent, ppem, upem, true);
    if (height > 0) FMetrics.Descent = std::max(0, height - FMetrics.Ascent);
    FMetrics.Height = FMetrics.Ascent + FMetrics.Descent;
    FMetrics.InternalLeading = std::max(0, FMetrics.Height - ppem);
    const int32_t hheaLine = FFace->ascender - FFace->descender + (os2 ? os2->sTypoLineGap : 0);
    FMetrics.ExternalLeading = std::max(0, Scale(hheaLine - winAscent - winDescent, ppem, upem, false));
    FMetrics.AveCharWidth = os2 ? Scale(os2->xAvgCharWidth, ppem, upem, false) : ppem / 2;
    FMetrics.MaxCharWidth = Scale(FFace->max_advance_width, ppem, upem, false);
    FMetrics.UnderlinePosition = std::max(1, Scale(-FFace->underline_position, ppem, upem, false));
    FMetrics.UnderlineThickness = std::max(1, Scale(FFace->underline_thickness, ppem, upem, false));
  }
  ~TFreeTypeFace() override { FT_Done_Face(FFace); }
  TFreeTypeFace(const TFreeTypeFace&) = delete;
  TFreeTypeFace& operator=(const TFreeTypeFace&) = delete;

  const TFontMetrics& Metrics() const override { return FMetrics; }

  const TGlyphImage& Glyph(uint32_t codePoint) override {
    auto it = FGlyphs.find(codePoint);
    if (it != FGlyphs.end()) return it->second;
    TGlyphImage& g = FGlyphs[codePoint];
    if (FT_Load_Char(FFace, codePoint, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0) return g;
    const FT_GlyphSlot slot = FFace->glyph;
    const FT_Bitmap& b = slot->bitmap;
    g.Left = slot->bitmap_left;
    g.Top = slot->bitmap_top;
    g.Width = static_cast<int32_t>(b.width);
    g.Height = static_cast<int32_t>(b.rows);
    g.Advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    g.Mask.assign(static_cast<size_t>(g.Width) * static_cast<size_t>(g.Height), 0);
    for (int32_t y = 0; y < g.Height; ++y) {
      const uint8_t* row = b.buffer + static_cast<ptrdiff_t>(y) * b.pitch;
      for (int32_t x = 0; x < g.Width; ++x) {
        const bool on = b.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] & (0x80 >> (x & 7))) != 0 : row[x] >= 128;
        g.Mask[static_cast<size_t>(y * g.Width + x)] = on ? 1 : 0;
      }
    }
    return g;
  }

 private:
  FT_Face FFace = nullptr;
  TFontMetrics FMetrics;
  std::unordered_map<uint32_t, TGlyphImage> FGlyphs;
};

class TFreeTypeGlyphSource : public IGlyphSource {
 public:
  TFreeTypeGlyphSource() {
    if (FT_Init_FreeType(&FLibrary) != 0) throw Exception("FreeType could not start");
    const char* dir = std::getenv("PICTOVA_FONT_DIR");
    FDirectory = dir != nullptr && *dir != 0 ? dir : "/usr/share/fonts/truetype/liberation";
  }
  ~TFreeTypeGlyphSource() override {
    FFaces.clear();
    FT_Done_FreeType(FLibrary);
  }

  IGlyphFace& Face(const std::string& name, int32_t height, TFontStyles style) override {
    const std::string file = LiberationFileFor(name, style);
    const auto key = std::make_tuple(file, height);
    auto it = FFaces.find(key);
    if (it == FFaces.end()) {
      const std::string path = FDirectory + "/" + file + ".ttf";
      if (!FileExists(path)) throw Exception(Format("Font file not found: %s", path.c_str()));
      it = FFaces.emplace(key, std::make_unique<TFreeTypeFace>(FLibrary, path, height)).first;
    }
    return *it->second;
  }

 private:
  FT_Library FLibrary = nullptr;
  std::string FDirectory;
  std::map<std::tuple<std::string, int32_t>, std::unique_ptr<TFreeTypeFace>> FFaces;
};

}  // namespace

std::string LiberationFileFor(const std::string& fontName, TFontStyles style) {
  const std::string n = AnsiUpperCase(fontName);
  std::string family = "LiberationSans";
  if (n.find("TIMES") != std::string::npos || n.find("SERIF") != std::string::npos) family = "LiberationSerif";
  if (n.find("SANS") != std::string::npos) family = "LiberationSans";
  if (n.find("COURIER") != std::string::npos || n.find("MONO") != std::string::npos ||
      n.find("CONSOLE") != std::string::npos)
    family = "LiberationMono";
  const bool bold = (style & fsBold) != 0, italic = (style & fsItalic) != 0;
  return family + (bold && italic ? "-BoldItalic" : bold ? "-Bold" : italic ? "-Italic" : "-Regular");
}

std::unique_ptr<IGlyphSource> CreateFreeTypeGlyphSource() { return std::make_unique<TFreeTypeGlyphSource>(); }

void EnsureGlyphSource() {
  if (GlyphSource() == nullptr) SetGlyphSource(CreateFreeTypeGlyphSource());
}

}  // namespace pictova
