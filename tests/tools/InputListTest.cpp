// Folders in natural order, shuffling and the transitions handed out by --styles.
#include "pictova-build/InputList.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "pictova-build/ShowBuilder.h"

namespace pictova {
namespace {

namespace fs = std::filesystem;

TEST(InputList, NaturalOrderComparesNumbersByValue) {
  std::vector<std::string> names = {"IMG_10.jpg", "img_2.jpg", "IMG_1.jpg", "IMG_002.jpg", "b", "a10b", "a9b",
                                    "a", "IMG_1.JPG", "2020-12-01", "2020-2-01"};
  std::sort(names.begin(), names.end(), NaturalLess);
  const std::vector<std::string> expected = {"2020-2-01", "2020-12-01", "a", "a9b", "a10b", "b", "IMG_1.JPG",
                                             "IMG_1.jpg", "IMG_002.jpg", "img_2.jpg", "IMG_10.jpg"};
  EXPECT_EQ(names, expected);
  // A strict weak order: irreflexive, and names equal but for case still have an order.
  EXPECT_FALSE(NaturalLess("x1", "x1"));
  EXPECT_NE(NaturalLess("A", "a"), NaturalLess("a", "A"));
  EXPECT_NE(NaturalLess("x01", "x1"), NaturalLess("x1", "x01"));
  // Very long digit runs compare without overflowing.
  EXPECT_TRUE(NaturalLess("p99999999999999999999", "p100000000000000000000"));
}

TEST(InputList, FoldersGiveTheirPicturesInOrderWithTheFoldersOptions) {
  const fs::path dir = fs::temp_directory_path() / ("pictova-inputs-" + std::to_string(getpid()));
  fs::remove_all(dir);
  for (const char* name : {"IMG_10.jpg", "IMG_9.HEIC", "notes.txt", ".hidden.jpg", "sub/x.png", "sub/deeper/y.webp",
                           "Thumbs.db", "z.jpeg"}) {
    fs::create_directories((dir / name).parent_path());
    std::ofstream(dir / name) << "x";
  }
  std::vector<TImageItem> given = {ParseImageItem((dir / "z.jpeg").string()),
                                   ParseImageItem(dir.string() + ":style=7,reverse")};
  int skipped = 0;
  std::vector<TImageItem> flat = ExpandFolders(given, false, skipped);
  std::vector<std::string> names;
  for (const TImageItem& item : flat) names.push_back(fs::path(item.Path).lexically_relative(dir).generic_string());
  EXPECT_EQ(names, (std::vector<std::string>{"z.jpeg", "IMG_9.HEIC", "IMG_10.jpg", "z.jpeg"}));
  EXPECT_EQ(skipped, 2);  // notes.txt, Thumbs.db
  EXPECT_FALSE(flat[0].FromFolder);
  for (size_t i = 1; i < flat.size(); ++i) {
    EXPECT_TRUE(flat[i].FromFolder);
    EXPECT_EQ(flat[i].Style, 7);
    EXPECT_TRUE(flat[i].Reverse);
  }
  skipped = 0;
  names.clear();
  for (const TImageItem& item : ExpandFolders({ParseImageItem(dir.string())}, true, skipped))
    names.push_back(fs::path(item.Path).lexically_relative(dir).generic_string());
  EXPECT_EQ(names, (std::vector<std::string>{"IMG_9.HEIC", "IMG_10.jpg", "sub/deeper/y.webp", "sub/x.png", "z.jpeg"}));
  // A folder without pictures is refused by name.
  fs::create_directories(dir / "empty");
  EXPECT_THROW(ExpandFolders({ParseImageItem((dir / "empty").string())}, true, skipped), EBuildError);
  fs::remove_all(dir);
}

TEST(InputList, ShuffleIsAReproduciblePermutation) {
  std::vector<TImageItem> items;
  for (int i = 0; i < 50; ++i) items.push_back(TImageItem{std::to_string(i)});
  auto shuffled = [&](uint64_t seed) {
    std::vector<TImageItem> copy = items;
    ShuffleItems(copy, seed);
    std::vector<std::string> paths;
    for (const TImageItem& item : copy) paths.push_back(item.Path);
    return paths;
  };
  const auto a = shuffled(1), b = shuffled(1), c = shuffled(2);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  auto sorted = a;
  std::sort(sorted.begin(), sorted.end());
  auto original = shuffled(0);
  std::sort(original.begin(), original.end());
  EXPECT_EQ(sorted, original);
  EXPECT_NE(a[0] + a[1] + a[2], "012");
}

TEST(InputList, StylesCycleCoverOrMixAndGivenStylesWin) {
  std::vector<TImageItem> items(300);
  items[4].Style = 33;
  items[4].StyleGiven = true;

  std::vector<TImageItem> list = items;
  AssignStyles(list, ParseStylePlan("1,60-62,118"));
  const int64_t cycle[] = {1, 60, 61, 62, 118};
  for (size_t i = 0; i < list.size(); ++i)
    if (i != 4) EXPECT_EQ(list[i].Style, cycle[i % 5]) << i;
  EXPECT_EQ(list[4].Style, 33);

  std::vector<TImageItem> all = items;
  AssignStyles(all, ParseStylePlan("all"));
  for (size_t i = 0; i < 123; ++i)
    if (i != 4) EXPECT_EQ(all[i].Style, static_cast<int64_t>(i));
  EXPECT_EQ(all[123].Style, 0);

  TStylePlan mix = ParseStylePlan("mix");
  std::vector<TImageItem> mixed = items;
  AssignStyles(mixed, mix);
  int families[4] = {};
  for (size_t i = 0; i < mixed.size(); ++i) {
    const int style = static_cast<int>(mixed[i].Style);
    ASSERT_GE(style, 1);
    ASSERT_LE(style, 122);
    ++families[StyleFamily(style)];
    if (i > 0) EXPECT_NE(StyleFamily(style), StyleFamily(static_cast<int>(mixed[i - 1].Style))) << i;
  }
  for (int f : families) EXPECT_GT(f, 40);  // every family comes up often
  EXPECT_EQ(mixed[4].Style, 33);
  std::vector<TImageItem> again = items;
  AssignStyles(again, mix);
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(again[i].Style, mixed[i].Style);

  // The families as the picture-show groups them.
  EXPECT_EQ(StyleFamily(57), 0);
  EXPECT_EQ(StyleFamily(60), 1);
  EXPECT_EQ(StyleFamily(58), 2);
  EXPECT_EQ(StyleFamily(117), 2);
  EXPECT_EQ(StyleFamily(118), 3);
  EXPECT_EQ(StyleFamily(0), 3);

  EXPECT_THROW(ParseStylePlan("1,,2"), EUsageError);
  EXPECT_THROW(ParseStylePlan("9-3"), EUsageError);
  EXPECT_THROW(ParseStylePlan("fancy"), EUsageError);
}

}  // namespace
}  // namespace pictova
