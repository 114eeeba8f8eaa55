#include "pictova-build/ShowBuilder.h"

#include <gtest/gtest.h>
#include <unistd.h>
#ifdef PICTOVA_BUILD_TOOL
#include <sys/wait.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <cstdlib>
#include <sstream>

#include "gfx/Bitmap.h"
#include "imageio/ImageFixtures.h"
#include "imageio/ImageIO.h"
#include "imageio/RasterFixtures.h"

namespace pictova {
namespace {

namespace fs = std::filesystem;
using fixtures::TBytes;

TBytes Jpeg(int w, int h) {
  fixtures::TJpegOptions opts;
  opts.Width = w;
  opts.Height = h;
  return fixtures::MakeJpeg(opts, fixtures::GradientPixels(w, h, 3));
}

TBytes Png(uint32_t w, uint32_t h) {
  fixtures::TPngOptions opts;
  opts.Width = w;
  opts.Height = h;
  opts.Rows = TBytes(fixtures::PngRowBytes(opts) * h, 0x7F);
  return fixtures::MakePng(opts);
}

TBytes Engine(size_t size) {
  TBytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  // Make sure the plain engine does not end like a show by chance.
  if (size >= kTrailerSize) bytes[size - kTrailerSize] = 0;
  return bytes;
}

TBytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ShowBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("pictova-build-" + std::to_string(getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    engine = Write("engine", Engine(3000));
    fs::permissions(engine, fs::perms::owner_exec, fs::perm_options::add);
    jpeg = Write("a.jpg", Jpeg(40, 30));
    png = Write("b.png", Png(17, 9));
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Write(const std::string& name, const TBytes& data) {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return path;
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
  }

  TBuildRequest Request(std::vector<std::string> images) const {
    TBuildRequest r;
    r.OutputPath = Path("show.scr");
    r.EnginePath = engine;
    for (const std::string& image : images) r.Images.push_back(ParseImageItem(image));
    return r;
  }

  // Builds and expects a refusal naming `expected`; the folder must be as it was.
  void ExpectRefused(const TBuildRequest& request, const std::string& expected) {
    const auto before = Files();
    std::vector<std::string> warnings;
    try {
      BuildShow(request, warnings);
      ADD_FAILURE() << "not refused; expected: " << expected;
    } catch (const EBuildError& e) {
      EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
    }
    EXPECT_EQ(Files(), before) << "a refused build left files behind: " << expected;
  }

  fs::path dir;
  std::string engine, jpeg, png;
  std::vector<std::string> warnings;
};

TEST_F(ShowBuilderTest, EngineReaderSeesWhatWasBuilt) {
  const std::string music = Write("tune.wav", TBytes(500, 0x11));
  fs::create_directories(dir / "out");
  TBuildRequest r = Request({jpeg + ":style=3,delay=0,reverse", png + ":clear,delay=255,style=122", jpeg});
  r.OutputPath = Path("out/show.scr");
  // 49 characters once in code page 1252; arguments arrive in UTF-8 on Linux, ANSI on Windows.
#ifdef _WIN32
  r.Title = "Caf\xE9 " + std::string(44, 't');
#else
  r.Title = "Caf\xC3\xA9 " + std::string(44, 't');
#endif
  r.DateText = "1 May 2026";
  r.NoticeText = "notice";
  r.AuthorName = "Ann";
  r.MusicPath = music;
  r.CopyMusic = true;
  r.Interval = 7;
  r.Windowed = true;
  r.Centered = true;
  const TBuildResult result = BuildShow(r, warnings);
  EXPECT_TRUE(warnings.empty()) << warnings.front();
  EXPECT_TRUE(result.MusicCopied);

  const std::string show = r.OutputPath;
  const TBytes bytes = ReadAll(show);
  const TBytes engineBytes = ReadAll(engine), a = ReadAll(jpeg), b = ReadAll(png);
  EXPECT_EQ(bytes.size(), engineBytes.size() + 2 * a.size() + b.size() + 3 * 67 + 386);
  EXPECT_EQ(static_cast<int64_t>(bytes.size()), result.FileSize);
  EXPECT_TRUE(std::equal(engineBytes.begin(), engineBytes.end(), bytes.begin()));
  EXPECT_EQ(bytes[bytes.size() - 386 + 1], 49);   // the title's length byte
  EXPECT_EQ(bytes[bytes.size() - 386 + 5], 0xE9);  // é in code page 1252
  EXPECT_EQ(ReadAll(Path("out/tune.wav")), ReadAll(music));
#ifndef _WIN32
  EXPECT_NE(fs::status(show).permissions() & fs::perms::owner_exec, fs::perms::none);
#endif

  TShowSettings settings;
  TStringList lines;
  TImageEntries entries;
  ASSERT_TRUE(ReadPayload(show, settings, lines, entries));
  EXPECT_EQ(settings.Title, "Caf\xE9 " + std::string(44, 't'));
  EXPECT_EQ(settings.DateText, "1 May 2026");
  EXPECT_EQ(settings.AuthorName, "Ann");
  EXPECT_EQ(settings.MusicPath, JoinPath(ExtractFilePath(show), "tune.wav"));
  EXPECT_EQ(settings.PauseUnits, 42);
  EXPECT_FALSE(settings.FullScreen);
  EXPECT_TRUE(settings.Centered);
  EXPECT_FALSE(settings.OptionBit4 || settings.OptionBit6);

  ASSERT_EQ(lines.Count(), 3);
  EXPECT_EQ(lines[0], "a.jpg|3|0");
  EXPECT_EQ(lines[1], "b.png|122|255");
  EXPECT_EQ(lines[2], "a.jpg|118|5");
  const TImageEntry* e = entries.Head();
  const TBytes* expected[] = {&a, &b, &a};
  const int sizes[][2] = {{40, 30}, {17, 9}, {40, 30}};
  const int flags[][2] = {{4, 0}, {0, 1}, {0, 0}};  // reverse, clear
  int64_t offset = static_cast<int64_t>(engineBytes.size());
  for (int i = 0; i < 3; ++i, e = e->Next) {
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Offset, offset);
    offset += e->Size;
    auto image = FetchImage(show, *e);
    EXPECT_EQ(image->Data(), *expected[i]) << i;
    EXPECT_EQ(e->Width, sizes[i][0]);
    EXPECT_EQ(e->Height, sizes[i][1]);
    EXPECT_EQ(e->ReverseBit, flags[i][0]);
    EXPECT_EQ(e->ClearFirstBit, flags[i][1]);
    EXPECT_EQ(e->SpareBit, 0);
    EXPECT_EQ(e->Extra, 256);
  }
  EXPECT_EQ(offset, static_cast<int64_t>(bytes.size()) - 3 * 67 - 386);  // the index follows the images

  // Defaults: full screen, interval 5, no music; warned that the music is not beside it.
  TBuildRequest plain = Request({png});
  plain.MusicPath = "elsewhere/song.mp3";
  warnings.clear();
  BuildShow(plain, warnings);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("song.mp3 does not exist"), std::string::npos);
  TShowSettings s2;
  TStringList l2;
  TImageEntries e2;
  ASSERT_TRUE(ReadPayload(plain.OutputPath, s2, l2, e2));
  EXPECT_TRUE(s2.FullScreen);
  EXPECT_FALSE(s2.Centered);
  EXPECT_EQ(s2.PauseUnits, 30);
  EXPECT_EQ(s2.MusicPath, JoinPath(dir.string(), "song.mp3"));
}

TEST_F(ShowBuilderTest, RefusesBadInputAndLeavesNothingBehind) {
  // An existing show must survive a failed rebuild untouched.
  BuildShow(Request({jpeg}), warnings);
  const TBytes old = ReadAll(Path("show.scr"));

  TBuildRequest r = Request({jpeg});
  r.Title = std::string(50, 'x');
  ExpectRefused(r, "the title is 50 characters long");
  r = Request({jpeg});
  r.AuthorName = std::string(50, 'x');
  ExpectRefused(r, "the author is 50");
  ExpectRefused(Request({jpeg + ":style=300"}), "style 300 is out of range");
  ExpectRefused(Request({jpeg + ":delay=256"}), "delay 256 is out of range");
  r = Request({jpeg});
  r.Interval = 256;
  ExpectRefused(r, "interval 256 is out of range");
  ExpectRefused(Request({jpeg, Path("missing.png")}), "missing.png: no such file");
  fs::create_directories(dir / "folder.jpg");
  ExpectRefused(Request({Path("folder.jpg")}), "folder.jpg: the folder holds no pictures");
#ifndef _WIN32
  // Windows file names cannot hold the index's separator at all; elsewhere the builder refuses it.
  ExpectRefused(Request({Write("a|b.jpg", Jpeg(8, 8))}), "'|'");
#endif
  r = Request({jpeg});
  r.OutputPath = Path("nowhere/show.scr");
  ExpectRefused(r, "does not exist");
  ExpectRefused(Request({Write(std::string(46, 'n') + ".jpg", Jpeg(8, 8))}), "the name is 50 characters long");
  r = Request({jpeg});
  r.MusicPath = Path("none.wav");
  r.CopyMusic = true;
  ExpectRefused(r, "none.wav: no such file");
  r = Request({jpeg});
  r.EnginePath = Path("no-engine");
  ExpectRefused(r, "no-engine: no such file");
  r.EngineIsDefault = true;
  ExpectRefused(r, "pass --engine");
#ifndef _WIN32
  // The index addresses bytes with signed 32-bit offsets; a sparse file costs no disk.
  const std::string huge = Write("huge.png", Png(3, 3));
  fs::resize_file(huge, (int64_t{1} << 31) - 3000 - 67 - 386);
  ExpectRefused(Request({huge}), "larger than 2147483647 bytes");
  fs::resize_file(huge, 0);
  // An image that cannot be opened fails while writing: the temporary file goes too.
  if (getuid() != 0) {  // (root opens it all the same)
    const std::string locked = Write("locked.jpg", Jpeg(8, 8));
    fs::permissions(locked, fs::perms::none);
    ExpectRefused(Request({jpeg, locked}), "locked.jpg: cannot open");
  }
#endif
  EXPECT_EQ(ReadAll(Path("show.scr")), old);

  // Exactly 49 characters pass; --truncate cuts texts and keeps an image's extension.
  r = Request({Write(std::string(50, 'n') + ".png", Png(3, 3))});
  r.Title = std::string(49, 'x');
  r.Truncate = true;
  warnings.clear();
  const TBuildResult result = BuildShow(r, warnings);
  EXPECT_EQ(result.Trailer.Title, std::string(49, 'x'));
  EXPECT_EQ(result.Records[0].Name, std::string(45, 'n') + ".png");
  EXPECT_EQ(warnings.size(), 1u);
}

TEST_F(ShowBuilderTest, EngineThatCarriesAShow) {
  BuildShow(Request({jpeg, png}), warnings);
  const std::string first = Path("show.scr");

  TBuildRequest r = Request({png});
  r.EnginePath = first;
  r.OutputPath = Path("second.scr");
  ExpectRefused(r, "already carries a show of 2 image(s)");

  // --replace keeps exactly the engine's bytes, then the new images follow.
  r.Replace = true;
  BuildShow(r, warnings);
  const TBytes engineBytes = ReadAll(engine), second = ReadAll(r.OutputPath), b = ReadAll(png);
  ASSERT_EQ(second.size(), engineBytes.size() + b.size() + 67 + 386);
  EXPECT_TRUE(std::equal(engineBytes.begin(), engineBytes.end(), second.begin()));
  TShowSettings s;
  TStringList lines;
  TImageEntries entries;
  ASSERT_TRUE(ReadPayload(r.OutputPath, s, lines, entries));
  ASSERT_EQ(entries.Count(), 1);
  EXPECT_EQ(entries.Head()->Offset, static_cast<int32_t>(engineBytes.size()));
  EXPECT_EQ(FetchImage(r.OutputPath, *entries.Head())->Data(), b);

  // Rebuilding a show from itself in place works: it is read whole before the rename.
  r.EnginePath = r.OutputPath;
  BuildShow(r, warnings);
  EXPECT_EQ(ReadAll(r.OutputPath), second);

  // A show whose index points outside the image data does not say where the engine ends.
  TBytes damaged = ReadAll(first);
  const size_t record = damaged.size() - 386 - 2 * 67;
  damaged[record + 50 + 3] = 0x7F;  // the first image's offset far past the end
  r.EnginePath = Write("damaged.scr", damaged);
  ExpectRefused(r, "where the engine ends is unknown");
  r.Replace = false;
  warnings.clear();
  BuildShow(r, warnings);  // taken whole, with a warning
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("the whole file is taken as the engine"), std::string::npos);
  EXPECT_EQ(fs::file_size(r.OutputPath), damaged.size() + b.size() + 67 + 386);
}

TEST_F(ShowBuilderTest, WarnsAboutWhatTheEngineWillNotShow) {
  // A name the engine passes over is stored under one it shows; a file that is no picture
  // is refused, or left out with a warning.
  const std::string jpegName = Write("photo.JPEG", Jpeg(8, 8));
  const std::string text = Write("notes.jpg", TBytes(100, 'x'));
  ExpectRefused(Request({jpegName, text}), "notes.jpg: not a picture");
  TBuildRequest r = Request({jpegName, text, png + ":style=200"});
  r.SkipBad = true;
  const TBuildResult result = BuildShow(r, warnings);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[0].find("notes.jpg: not a picture"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[1].find("style 200 is none of the engine's transitions"), std::string::npos);
  ASSERT_EQ(result.Records.size(), 2u);
  EXPECT_EQ(result.Records[0].Name, "photo.JPG");
  EXPECT_EQ(result.Records[0].Width, 8);
  EXPECT_EQ(result.Records[0].Size, static_cast<int32_t>(fs::file_size(jpegName)));
  EXPECT_EQ(result.Records[1].Style, 200);
  EXPECT_EQ(result.Renamed, 1);
  EXPECT_EQ(result.Skipped, 1);

  // The engine's own rule: the upper-cased extension must be a piece of its list.
  EXPECT_TRUE(EngineTakesName("photo.jpg"));
  EXPECT_TRUE(EngineTakesName("A.GiF"));
  EXPECT_FALSE(EngineTakesName("PHOTO.JPEG"));
  EXPECT_FALSE(EngineTakesName("README"));
  EXPECT_FALSE(EngineTakesName("x.webp"));
  EXPECT_TRUE(EngineTakesName("odd.PN"));  // a piece of ".PNG": the engine takes it too
}

// PNM, icon and cursor pictures go in as PNG named ".png", with the same pixels; the formats
// the engine shows by name go in byte for byte.
TEST_F(ShowBuilderTest, StoresPnmAndIconsAsPngAndSaysSo) {
  const TBytes pgm = {'P', '5', ' ', '3', ' ', '2', ' ', '1', '5', '\n', 0, 5, 10, 15, 3, 7};
  const TBytes icon = fixtures::MakeIcon(
      1, {{2, 1, 2, 1, 1, fixtures::IconDib(2, 1, 1, {0, 0, 0, 0, 255, 255, 255, 0}, {0x80, 0, 0, 0}, {0, 0, 0, 0})}});
  fixtures::TBmpLayout bmpLayout;
  bmpLayout.Width = 1;
  bmpLayout.Height = 1;
  bmpLayout.Pixels = {1, 2, 3, 0};
  const TBytes bmp = fixtures::MakeBmp(bmpLayout);
  const TBuildRequest r = Request({Write("grey.pgm", pgm), Write("mark.ico", icon), Write("tiny.bmp", bmp)});
  const TBuildResult result = BuildShow(r, warnings);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[0].find("grey.pgm: stored as PNG under the name \"grey.png\""), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[1].find("mark.ico: stored as PNG under the name \"mark.png\""), std::string::npos) << warnings[1];
  ASSERT_EQ(result.Records.size(), 3u);
  EXPECT_EQ(result.Records[0].Name, "grey.png");
  EXPECT_EQ(result.Records[1].Name, "mark.png");
  EXPECT_EQ(result.Records[2].Name, "tiny.bmp");
  EXPECT_EQ(result.Records[0].Width, 3);
  EXPECT_EQ(result.Records[1].Height, 1);
  const TBytes show = ReadAll(r.OutputPath);
  auto stored = [&](int i) {
    const TPayloadRecord& rec = result.Records[static_cast<size_t>(i)];
    return TBytes(show.begin() + rec.Offset, show.begin() + rec.Offset + rec.Size);
  };
  EXPECT_EQ(stored(2), bmp);
  // Decoding the stored PNG gives what decoding the original gives.
  for (const auto& [index, original] : {std::pair{0, pgm}, {1, icon}}) {
    TBitmap fromOriginal, fromStored;
    TImageIO a, b;
    a.SetBitmap(&fromOriginal);
    b.SetBitmap(&fromStored);
    TMemoryStream s1(original), s2(stored(index));
    a.LoadFromStream(s1);
    b.LoadFromStream(s2);
    EXPECT_EQ(b.Params().ImageFormat, 8);  // PNG
    ASSERT_EQ(fromStored.Width(), fromOriginal.Width());
    ASSERT_EQ(fromStored.Height(), fromOriginal.Height());
    for (int y = 0; y < fromOriginal.Height(); ++y)
      for (int x = 0; x < fromOriginal.Width(); ++x) EXPECT_EQ(fromStored.Pixel(x, y), fromOriginal.Pixel(x, y));
  }
}

TEST_F(ShowBuilderTest, TemporaryFileReplacesTheTargetOnlyOnCommit) {
  const std::string target = Write("target", TBytes{1, 2, 3});
  std::string tempPath;
  {
    TTempFile temp(target);
    tempPath = temp.Path();
    EXPECT_EQ(FolderOf(tempPath), FolderOf(target));
    Write(fs::path(tempPath).filename().string(), TBytes{9});
  }  // abandoned, as when a build raises
  EXPECT_FALSE(fs::exists(tempPath));
  EXPECT_EQ(ReadAll(target), (TBytes{1, 2, 3}));
  {
    TTempFile temp(target);
    Write(fs::path(temp.Path()).filename().string(), TBytes{7, 7});
    temp.Commit();
    EXPECT_FALSE(fs::exists(temp.Path()));
  }
  EXPECT_EQ(ReadAll(target), (TBytes{7, 7}));
  EXPECT_EQ(Files().count("target"), 1u);
}

TEST(ShowBuilderCommandLine, ParsesOptionsAndImages) {
  TImageItem item = ParseImageItem("a.jpg:style=3,delay=0,reverse,clear");
  EXPECT_EQ(item.Path, "a.jpg");
  EXPECT_EQ(item.Style, 3);
  EXPECT_EQ(item.Delay, 0);
  EXPECT_TRUE(item.Reverse && item.Clear);
  item = ParseImageItem("C:\\pictures\\b.png");  // a colon that belongs to the path
  EXPECT_EQ(item.Path, "C:\\pictures\\b.png");
  EXPECT_EQ(item.Style, kDefaultStyle);
  EXPECT_EQ(ParseImageItem("C:\\p\\b.png:delay=9").Path, "C:\\p\\b.png");
  EXPECT_EQ(ParseImageItem("a.jpg:style=99999999999999999999").Style, INT64_MAX);  // refused later
  EXPECT_THROW(ParseImageItem("a.jpg:style=x"), EUsageError);
  EXPECT_THROW(ParseImageItem("a.jpg:style=-1"), EUsageError);
  EXPECT_THROW(ParseImageItem("a.jpg:reverse,sideways"), EUsageError);
  EXPECT_THROW(ParseImageItem(":reverse"), EUsageError);

  TBuildCommand c = ParseBuildCommandLine({"-o", "s.scr", "--title=T", "--interval", "7", "--windowed",
                                           "x.jpg", "--", "-y.png"});
  EXPECT_EQ(c.Kind, ckBuild);
  EXPECT_EQ(c.Request.OutputPath, "s.scr");
  EXPECT_EQ(c.Request.Title, "T");
  EXPECT_EQ(c.Request.Interval, 7);
  EXPECT_TRUE(c.Request.Windowed);
  EXPECT_TRUE(c.Request.EnginePath.empty());
  ASSERT_EQ(c.Request.Images.size(), 2u);
  EXPECT_EQ(c.Request.Images[1].Path, "-y.png");
  EXPECT_EQ(ParseBuildCommandLine({"--list", "s.scr"}).ListPath, "s.scr");
  EXPECT_EQ(ParseBuildCommandLine({"x.jpg", "--help"}).Kind, ckHelp);

  const std::vector<std::vector<std::string>> malformed = {
      {"x.jpg"},                                  // no output
      {"-o", "s"},                                // no images
      {"-o", "s", "x.jpg", "--interval", "many"},
      {"-o", "s", "x.jpg", "--bogus"},
      {"-o", "s", "x.jpg", "--title"},            // value missing
      {"-o", "s", "x.jpg", "--windowed=yes"},
      {"-o", "s", "x.jpg", "--copy-music"},
      {"--list", "s", "-o", "t"},
      {"--list", "s", "x.jpg"},
  };
  for (const auto& args : malformed) EXPECT_THROW(ParseBuildCommandLine(args), EUsageError) << args.back();

  EXPECT_EQ(DefaultEnginePath("/opt/pictova/bin/pictova-build"),
            (fs::path("/opt/pictova/bin") / kEngineFileName).string());
}

TEST_F(ShowBuilderTest, ListsAShowAndReportsDamage) {
  TBuildRequest r = Request({jpeg + ":reverse,clear,style=7,delay=0", png});
  r.Title = "My Show";
  r.AuthorName = "Ann";
  r.MusicPath = "song.wav";
  r.Interval = 2;
  r.Centered = true;
  BuildShow(r, warnings);
  const std::string show = r.OutputPath;

  TShowListing listing = ExamineShowFile(show);
  ASSERT_TRUE(listing.HasShow);
  EXPECT_TRUE(listing.Problems.empty());
  EXPECT_EQ(listing.EngineEnd, 3000);
  std::ostringstream out;
  PrintShowListing(listing, out);
  const std::string text = out.str();
  for (const char* piece : {"title:     My Show", "author:    Ann", "song.wav (not beside the show",
                            "interval:  2 (pause 1300 ms)", "options:   0x28 (full screen, centred)",
                            "images:    2 (index at offset"}) {
    EXPECT_NE(text.find(piece), std::string::npos) << piece << "\n" << text;
  }
  // One row per image: offset, size, style, delay, flags, picture size, range.
  std::istringstream rows(text.substr(text.find("   1  ")));
  std::string n, name, flagsText, picture, range;
  int64_t offset, size, style, delay;
  rows >> n >> name >> offset >> size >> style >> delay >> flagsText >> picture >> range;
  EXPECT_EQ(name, "a.jpg");
  EXPECT_EQ(offset, 3000);
  EXPECT_EQ(size, static_cast<int64_t>(fs::file_size(jpeg)));
  EXPECT_EQ(style, 7);
  EXPECT_EQ(delay, 0);
  EXPECT_EQ(flagsText, "reverse,clear");
  EXPECT_EQ(picture, "40x30");
  EXPECT_EQ(range, "ok");

  const TBytes good = ReadAll(show);
  auto examine = [&](TBytes bytes) {
    TMemoryStream stream(std::move(bytes));
    return ExamineShow(stream, "x");
  };
  auto setLong = [](TBytes& b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
  };
  const size_t countAt = good.size() - 4;
  const size_t firstRecord = good.size() - 386 - 2 * 67;

  TBytes bad = good;
  setLong(bad, countAt, -1);
  listing = examine(bad);
  ASSERT_EQ(listing.Problems.size(), 1u);
  EXPECT_NE(listing.Problems[0].find("negative"), std::string::npos);

  bad = good;
  setLong(bad, countAt, 0x7FFFFFFF);  // an index far larger than the file: nothing allocated
  listing = examine(bad);
  ASSERT_EQ(listing.Problems.size(), 1u);
  EXPECT_NE(listing.Problems[0].find("does not fit"), std::string::npos);
  EXPECT_TRUE(listing.Records.empty());

  bad = good;
  setLong(bad, firstRecord + 54, static_cast<int32_t>(good.size()));  // size past the end
  setLong(bad, firstRecord + 67 + 50, -5);                            // negative offset
  listing = examine(bad);
  ASSERT_EQ(listing.Problems.size(), 1u);
  EXPECT_NE(listing.Problems[0].find("2 of 2 image(s)"), std::string::npos);
  EXPECT_EQ(listing.RecordProblems[0], "past the end of the file");
  EXPECT_EQ(listing.RecordProblems[1], "negative offset");

  bad = good;
  setLong(bad, firstRecord + 67 + 54, static_cast<int32_t>(fs::file_size(png)) + 1);  // into the index
  EXPECT_EQ(examine(bad).RecordProblems[1], "reaches into the index");

  listing = examine(ReadAll(engine));
  EXPECT_FALSE(listing.HasShow);
  EXPECT_NE(listing.NoShowReason.find("no show trailer"), std::string::npos);
  listing = examine(TBytes(100, 133));
  EXPECT_FALSE(listing.HasShow);
  EXPECT_NE(listing.NoShowReason.find("fewer than"), std::string::npos);
}

#ifdef PICTOVA_BUILD_TOOL
// The program itself: its exit statuses and the default engine beside it.
TEST_F(ShowBuilderTest, ProgramExitStatuses) {
  const std::string tool = PICTOVA_BUILD_TOOL;
  auto run = [&](const std::string& args) {
    const int status = std::system((tool + " " + args + " >" + Path("out.txt") + " 2>" + Path("err.txt")).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  auto err = [&] {
    const TBytes b = ReadAll(Path("err.txt"));
    return std::string(b.begin(), b.end());
  };
  const std::string show = Path("show.scr");
  EXPECT_EQ(run("-o " + show + " --engine " + engine + " --title Hi " + jpeg + ":style=9 " + png), 0);
  EXPECT_EQ(run("--list " + show), 0);
  const TBytes listed = ReadAll(Path("out.txt"));
  EXPECT_NE(std::string(listed.begin(), listed.end()).find("title:     Hi"), std::string::npos);

  EXPECT_EQ(run("--list " + engine), 1);
  EXPECT_NE(err().find("no show in " + engine), std::string::npos);
  TBytes damaged = ReadAll(show);
  damaged[damaged.size() - 1] = 0x80;  // a negative image count
  EXPECT_EQ(run("--list " + Write("damaged.scr", damaged)), 1);
  EXPECT_NE(err().find("damaged show in"), std::string::npos);
  EXPECT_EQ(run("--list " + Path("nothing")), 1);

  EXPECT_EQ(run("-o " + show + " --engine " + engine + " --title " + std::string(50, 'x') + " " + jpeg), 1);
  EXPECT_EQ(run("-o " + show + " " + jpeg), 1);  // no engine beside the tool in the build tree
  EXPECT_NE(err().find("pass --engine"), std::string::npos);
  EXPECT_EQ(run("-o " + show), 2);
  EXPECT_EQ(run("--frobnicate"), 2);
  EXPECT_EQ(run("--help"), 0);

  // The photo options: malformed values are usage errors; a build with them reports what it
  // did, and the same seed gives the same show.
  const std::string base = "-o " + show + " --engine " + engine + " ";
  for (const char* bad : {"--fit 1920", "--fit 8x8", "--fit axb", "--styles 5-", "--styles nice", "--shuffle=x",
                          "--jobs 0", "--recursive=yes", "--no-auto-orient=1"})
    EXPECT_EQ(run(base + bad + " " + jpeg), 2) << bad;
  const std::string photoDir = Path("album");
  fs::create_directories(photoDir);
  fs::copy_file(jpeg, photoDir + "/IMG_2.jpeg");
  fs::copy_file(png, photoDir + "/IMG_10.png");
  std::ofstream(photoDir + "/notes.txt") << "not a picture";
  EXPECT_EQ(run(base + "--shuffle=3 --jobs 2 " + photoDir), 0);
  const TBytes out = ReadAll(Path("out.txt"));
  const std::string summary(out.begin(), out.end());
  EXPECT_NE(summary.find("2 picture(s)"), std::string::npos) << summary;
  EXPECT_NE(summary.find("1 renamed, 1 non-picture file(s) in the folders left out"), std::string::npos) << summary;
  EXPECT_EQ(summary.find("shuffled with"), std::string::npos) << summary;  // the seed was given
  const TBytes first = ReadAll(show);
  EXPECT_EQ(run(base + "--shuffle=3 " + photoDir), 0);
  EXPECT_EQ(ReadAll(show), first);
  EXPECT_EQ(run(base + "--shuffle " + photoDir), 0);
  const TBytes again = ReadAll(Path("out.txt"));
  EXPECT_NE(std::string(again.begin(), again.end()).find("shuffled with --shuffle="), std::string::npos);
}
#endif

}  // namespace
}  // namespace pictova
