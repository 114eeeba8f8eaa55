// Folders, natural order, shuffling and transitions for the show builder.
#include "pictova-build/InputList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "pictova-build/ShowBuilder.h"
#include "pictureshow/RegionEffects.h"
#include "rtl/Ansi.h"

namespace pictova {

namespace fs = std::filesystem;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Pictures a camera, phone or drawing program leaves in a folder.
constexpr const char* kPictureExtensions[] = {".JPG", ".JPEG", ".JPE", ".JFIF", ".PNG", ".GIF", ".BMP", ".DIB",
                                              ".PCX", ".TGA", ".TIF", ".TIFF", ".HEIC", ".HEIF", ".AVIF",
                                              ".WEBP", ".PNM", ".PBM", ".PGM", ".PPM", ".ICO", ".CUR"};

void AddFolder(const fs::path& folder, const TImageItem& options, bool recursive, std::vector<TImageItem>& out,
               int& skipped) {
  std::error_code ec;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
  if (ec) throw EBuildError(folder.string() + ": cannot read the folder: " + ec.message());
  std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
    return NaturalLess(a.path().filename().string(), b.path().filename().string());
  });
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    if (entry.is_directory(ec)) {
      if (recursive) AddFolder(entry.path(), options, recursive, out, skipped);
      continue;
    }
    if (!entry.is_regular_file(ec)) continue;
    if (!LooksLikePictureName(name)) {
      ++skipped;
      continue;
    }
    TImageItem item = options;
    item.Path = entry.path().string();
    item.FromFolder = true;
    out.push_back(std::move(item));
  }
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      // Compare the runs by value: skip leading zeros, then the longer run is larger.
      size_t i0 = i, j0 = j;
      while (i0 < a.size() && a[i0] == '0') ++i0;
      while (j0 < b.size() && b[j0] == '0') ++j0;
      size_t i1 = i0, j1 = j0;
      while (i1 < a.size() && IsDigit(a[i1])) ++i1;
      while (j1 < b.size() && IsDigit(b[j1])) ++j1;
      if (i1 - i0 != j1 - j0) return i1 - i0 < j1 - j0;
      const int c = a.compare(i0, i1 - i0, b, j0, j1 - j0);
      if (c != 0) return c < 0;
      i = i1;
      j = j1;
      continue;
    }
    const int ca = std::tolower(static_cast<unsigned char>(a[i])), cb = std::tolower(static_cast<unsigned char>(b[j]));
    if (ca != cb) return ca < cb;
    ++i;
    ++j;
  }
  if ((a.size() - i) != (b.size() - j)) return a.size() - i < b.size() - j;
  return a < b;
}

bool LooksLikePictureName(const std::string& name) {
  const std::string ext = AnsiUpperCase(ExtractFileExt(name));
  return std::find(std::begin(kPictureExtensions), std::end(kPictureExtensions), ext) != std::end(kPictureExtensions);
}

std::vector<TImageItem> ExpandFolders(const std::vector<TImageItem>& items, bool recursive, int& skipped) {
  std::vector<TImageItem> out;
  for (const TImageItem& item : items) {
    std::error_code ec;
    if (!fs::is_directory(item.Path, ec)) {
      out.push_back(item);
      continue;
    }
    const size_t before = out.size();
    AddFolder(item.Path, item, recursive, out, skipped);
    if (out.size() == before)
      throw EBuildError(item.Path + ": the folder holds no pictures" + (recursive ? "" : " (--recursive looks into its subfolders)"));
  }
  return out;
}

uint64_t TSeededRandom::Next() {
  // SplitMix64 (Steele, Lea and Flood 2014): one add and two multiply-xorshift rounds.
  uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void ShuffleItems(std::vector<TImageItem>& items, uint64_t seed) {
  TSeededRandom random(seed);
  for (size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[random.Below(static_cast<uint32_t>(i))]);
}

int StyleFamily(int style) {
  if (style >= 1 && style <= 57) return 0;
  if (IsStripStyle(style)) return 1;
  if (IsShapeStyle(style)) return 2;
  return 3;
}

TStylePlan ParseStylePlan(const std::string& text) {
  TStylePlan plan;
  if (text == "all") {
    plan.Mode = smAll;
    return plan;
  }
  if (text == "mix") {
    plan.Mode = smMix;
    return plan;
  }
  plan.Mode = smList;
  size_t start = 0;
  auto number = [&](const std::string& s) -> int64_t {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos)
      throw EUsageError("--styles wants all, mix or a list of styles such as 1,5,60-68; not '" + text + "'");
    return std::stoll(s);
  };
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const std::string token = text.substr(start, comma - start);
    const size_t dash = token.find('-');
    if (dash == std::string::npos) {
      plan.List.push_back(number(token));
    } else {
      const int64_t from = number(token.substr(0, dash)), to = number(token.substr(dash + 1));
      if (to < from || to - from > 255) throw EUsageError("--styles: the range " + token + " runs backwards or is too long");
      for (int64_t s = from; s <= to; ++s) plan.List.push_back(s);
    }
    start = comma + 1;
  }
  return plan;
}

void AssignStyles(std::vector<TImageItem>& items, const TStylePlan& plan) {
  if (plan.Mode == smDefault) return;
  // The mix draws from every family but style 0, which cuts without a transition.
  std::vector<int> families[4];
  for (int style = 1; style <= kLastEngineStyle; ++style) families[StyleFamily(style)].push_back(style);
  TSeededRandom random(plan.Seed ^ 0x5354594C45ull);
  int previousFamily = -1;
  for (size_t i = 0; i < items.size(); ++i) {
    TImageItem& item = items[i];
    if (!item.StyleGiven) {
      switch (plan.Mode) {
        case smList: item.Style = plan.List[i % plan.List.size()]; break;
        case smAll: item.Style = static_cast<int64_t>(i % (kLastEngineStyle + 1)); break;
        case smMix: {
          int family = static_cast<int>(random.Below(previousFamily < 0 ? 4 : 3));
          if (previousFamily >= 0 && family >= previousFamily) ++family;  // any family but the last one
          const std::vector<int>& styles = families[family];
          item.Style = styles[random.Below(static_cast<uint32_t>(styles.size()))];
          break;
        }
        default: break;
      }
    }
    previousFamily = item.Style >= 0 && item.Style <= kLastEngineStyle ? StyleFamily(static_cast<int>(item.Style)) : -1;
  }
}

}  // namespace pictova
