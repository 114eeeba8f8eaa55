// From the command line's inputs to the show's list of pictures: folders opened in natural
// name order, an optional shuffle, and the transitions handed out across the pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictova {

struct TImageItem;

// Natural order: runs of digits compare by their value (IMG_2 before IMG_10), the rest
// without regard to case; names equal that way fall back to their bytes.
bool NaturalLess(const std::string& a, const std::string& b);

// Whether a file name found in a folder looks like a picture (the engine's formats, the
// ones this tool converts, and the ones the engine's decoder reads under another name).
bool LooksLikePictureName(const std::string& name);

// Replaces each folder among items by its pictures in natural order (each with the
// folder's per-image options), descending into subfolders where recursive, at their place
// in the order. Hidden entries (".name") are left out; so are files whose names do not look
// like pictures, counted in skipped. Files named on the command line are kept as they are.
std::vector<TImageItem> ExpandFolders(const std::vector<TImageItem>& items, bool recursive, int& skipped);

// A small generator whose sequence is the same on every platform and library.
class TSeededRandom {
 public:
  explicit TSeededRandom(uint64_t seed) : FState(seed) {}
  uint64_t Next();
  // 0 .. n - 1.
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }

 private:
  uint64_t FState;
};

// Fisher-Yates with the seeded generator.
void ShuffleItems(std::vector<TImageItem>& items, uint64_t seed);

// --styles: a list of styles cycled in order, every style once in order (all), or a mix
// that never takes the same family twice in a row. Pictures whose style was given keep it.
enum TStyleMode { smDefault, smList, smAll, smMix };
struct TStylePlan {
  TStyleMode Mode = smDefault;  // smDefault leaves every style as the item holds it
  std::vector<int64_t> List;
  uint64_t Seed = 0;
};
// Parses LIST|all|mix; raises EUsageError. A list takes numbers and ranges: 1,5,60-68.
TStylePlan ParseStylePlan(const std::string& text);
void AssignStyles(std::vector<TImageItem>& items, const TStylePlan& plan);

// The transition families: 0 rectangle copies, 1 strips and ragged edges, 2 shapes,
// 3 cut, cross-fade and rotation.
int StyleFamily(int style);

}  // namespace pictova
