#include "app/Payload.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "rtl/SysUtils.h"

namespace pictova {
namespace {

// Builds payload bytes by hand, independently of the writer, at the offsets of the format.
struct PayloadBytes {
  std::vector<uint8_t> bytes;

  void Append(const std::vector<uint8_t>& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
  void Text(const std::string& s, int lengthByte = -1) {
    std::vector<uint8_t> f(50, 'x');  // writers leave old bytes after the text
    f[0] = static_cast<uint8_t>(lengthByte < 0 ? s.size() : lengthByte);
    std::copy(s.begin(), s.end(), f.begin() + 1);
    Append(f);
  }
  void LE(uint64_t v, int n) {  // up to 8 bytes
    for (int i = 0; i < n; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Record(const std::string& name, int32_t offset, int32_t size, uint8_t style, uint8_t delay,
              uint8_t flags) {
    Text(name);
    LE(static_cast<uint32_t>(offset), 4);
    LE(static_cast<uint32_t>(size), 4);
    LE(style, 1);
    LE(delay, 1);
    LE(flags, 1);
    LE(640, 2);
    LE(480, 2);
    LE(256, 2);
  }
  void Trailer(int32_t count, uint8_t interval = 2, uint8_t options = 8, uint8_t magic = 133,
               const std::string& music = "song.wav") {
    const size_t start = bytes.size();
    LE(magic, 1);
    Text("My Show");
    Text("1 May 2026");
    Text("notice");
    Text("Ann Author");
    Text(music);
    for (int i = 0; i < 128; ++i) bytes.push_back(static_cast<uint8_t>(i));
    LE(interval, 1);
    LE(options, 1);
    LE(0x5A, 1);
    LE(static_cast<uint32_t>(count), 4);
    EXPECT_EQ(bytes.size() - start, 386u);
  }
};

class PayloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("pictova-payload-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::string Write(const PayloadBytes& p) {
    const std::string path = (dir / "show.scr").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(p.bytes.data()),
                                                static_cast<std::streamsize>(p.bytes.size()));
    return path;
  }

  std::filesystem::path dir;
  TShowSettings settings;
  TStringList lines;
  TImageEntries entries;
};

TEST_F(PayloadTest, ReadsTrailerIndexAndFetchesImages) {
  PayloadBytes p;
  p.Append(std::vector<uint8_t>(1000, 0xEE));  // the engine itself
  p.Append({'A', 'A', 'A'});                    // image 1 at 1000
  p.Append({'B', 'B'});                         // image 2 at 1003
  p.Record("IMAGE01.JPG", 1000, 3, 118, 5, 7);
  p.Record("A.GIF", 1003, 2, 7, 0, 0);
  p.Trailer(2, 255, 8 | 16 | 32 | 64 | 1);
  const std::string path = Write(p);

  ASSERT_TRUE(ReadPayload(path, settings, lines, entries));
  EXPECT_EQ(settings.Title, "My Show");
  EXPECT_EQ(settings.DateText, "1 May 2026");
  EXPECT_EQ(settings.AuthorName, "Ann Author");
  EXPECT_EQ(settings.MusicPath, JoinPath(dir.string(), "song.wav"));
  EXPECT_EQ(settings.PauseUnits, 255 * 6);
  EXPECT_TRUE(settings.FullScreen && settings.OptionBit4 && settings.Centered && settings.OptionBit6);
  EXPECT_EQ(settings.Reserved[127], 127);
  EXPECT_EQ(settings.Spare, 0x5A);

  ASSERT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines[0], "IMAGE01.JPG|118|5");
  EXPECT_EQ(lines[1], "A.GIF|7|0");
  ASSERT_EQ(entries.Count(), 2);
  const TImageEntry* first = entries.Head();
  EXPECT_EQ(first->Offset, 1000);
  EXPECT_EQ(first->ReverseBit, 4);
  EXPECT_EQ(first->SpareBit, 2);
  EXPECT_EQ(first->ClearFirstBit, 1);
  EXPECT_EQ(first->Width, 640);
  EXPECT_EQ(first->Extra, 256);
  const TImageEntry* second = first->Next;
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Next, nullptr);
  EXPECT_EQ(second->ReverseBit + second->SpareBit + second->ClearFirstBit, 0);

  auto image = FetchImage(path, *second);
  EXPECT_EQ(image->Size(), 2);
  EXPECT_EQ(image->Position(), 0);
  EXPECT_EQ(image->Memory()[1], 'B');
}

TEST_F(PayloadTest, TextLengthsAreCutAt49AndOptionsDefaultToFullScreen) {
  PayloadBytes p;
  p.Append(std::vector<uint8_t>(10, 0));
  p.Text(std::string(49, 'n'), 50);  // name claims 50 characters
  p.LE(0, 4);
  p.LE(0, 4);
  p.LE(0, 1);
  p.LE(0, 1);
  p.LE(0, 1);
  p.LE(0, 2);  // width
  p.LE(0, 2);  // height
  p.LE(0, 2);  // extra
  p.Trailer(1, 0, 0, 133, "");
  ASSERT_TRUE(ReadPayload(Write(p), settings, lines, entries));
  EXPECT_EQ(entries.Head()->Name, std::string(49, 'n'));
  EXPECT_FALSE(settings.FullScreen);
  EXPECT_EQ(settings.PauseUnits, 0);
  // No music file: the path is the folder itself, which is no file.
  EXPECT_EQ(settings.MusicPath, ExtractFilePath(Write(p)));
  EXPECT_FALSE(FileExists(settings.MusicPath));

  TShowSettings defaults;
  EXPECT_TRUE(defaults.FullScreen);
}

TEST_F(PayloadTest, WrongMagicOrEmptyCountsGiveNoEntries) {
  PayloadBytes wrong;
  wrong.Append(std::vector<uint8_t>(500, 0));
  wrong.Trailer(3, 2, 8, 0x84);
  EXPECT_FALSE(ReadPayload(Write(wrong), settings, lines, entries));
  EXPECT_EQ(entries.Count(), 0);
  EXPECT_EQ(settings.Title, "");

  for (int32_t count : {0, -1, INT32_MIN}) {
    PayloadBytes p;
    p.Trailer(count);
    TImageEntries none;
    TStringList noLines;
    EXPECT_TRUE(ReadPayload(Write(p), settings, noLines, none)) << count;
    EXPECT_EQ(none.Count(), 0);
  }
}

TEST_F(PayloadTest, DamagedFilesRaiseTheRuntimeErrorsWithoutHugeAllocations) {
  // Shorter than a trailer: the seek before the start of the file fails.
  PayloadBytes tiny;
  tiny.Append({1, 2, 3});
  EXPECT_THROW(ReadPayload(Write(tiny), settings, lines, entries), EInOutError);

  // A count whose index would start before the file (67 x count overflows 32 bits).
  for (int32_t count : {64105163, INT32_MAX, 10}) {
    PayloadBytes p;
    p.Trailer(count);
    TImageEntries e;
    TStringList l;
    try {
      ReadPayload(Write(p), settings, l, e);
      FAIL() << count;
    } catch (const EInOutError& err) {
      EXPECT_EQ(err.Message(), "I/O error 131") << count;
    }
    EXPECT_EQ(e.Count(), 0);
  }

  // A record past the end, a negative size and a negative offset fail only when fetched.
  PayloadBytes p;
  p.Append(std::vector<uint8_t>(100, 0));
  p.Record("FAR.JPG", 90, 2000000000, 1, 1, 0);
  p.Record("NEG.JPG", 10, -5, 1, 1, 0);
  p.Record("BACK.JPG", -10, 5, 1, 1, 0);
  p.Trailer(3);
  const std::string path = Write(p);
  ASSERT_TRUE(ReadPayload(path, settings, lines, entries));
  ASSERT_EQ(entries.Count(), 3);
  try {
    FetchImage(path, *entries.At(0));
    FAIL();
  } catch (const EInOutError& err) {
    EXPECT_EQ(err.Message(), "Read beyond end of file");
  }
  EXPECT_THROW(FetchImage(path, *entries.At(1)), EInOutError);
  EXPECT_THROW(FetchImage(path, *entries.At(2)), EInOutError);
  try {
    FetchImage((dir / "gone.scr").string(), *entries.At(0));
    FAIL();
  } catch (const EInOutError& err) {
    EXPECT_EQ(err.Message(), "File not found");
  }
}

TEST_F(PayloadTest, WriterOutputReadsBackAndPaths) {
  TMemoryStream out;
  out.WriteBuffer("ENGINE", 6);
  TPayloadTrailer trailer;
  trailer.Title = std::string(60, 't');
  trailer.MusicFile = "m.ogg";
  trailer.Interval = 3;
  trailer.Options = kOptionCentered;
  std::vector<TPayloadImage> images(2);
  images[0].Name = "ONE.PNG";
  images[0].Data = {9, 8, 7};
  images[1].Name = "TWO.BMP";
  images[1].Data = {1};
  images[1].Style = 0;
  images[1].Flags = kFlagReverse;
  WritePayload(out, trailer, images);
  EXPECT_EQ(out.Size(), 6 + 4 + 2 * 67 + 386);
  const std::string path = (dir / "w.scr").string();
  out.SaveToFile(path);
  ASSERT_TRUE(ReadPayload(path, settings, lines, entries));
  EXPECT_EQ(settings.Title, std::string(49, 't'));
  EXPECT_TRUE(settings.Centered);
  EXPECT_FALSE(settings.FullScreen);
  EXPECT_EQ(lines[0], "ONE.PNG|118|5");
  EXPECT_EQ(lines[1], "TWO.BMP|0|5");
  EXPECT_EQ(entries.At(1)->ReverseBit, 4);
  EXPECT_EQ(FetchImage(path, *entries.At(0))->Memory()[2], 7);
  EXPECT_EQ(entries.At(0)->Offset, 6);

#ifdef _WIN32
  const std::string d = "\\";
  // Windows paths also split at '/' and at a drive's colon.
  EXPECT_EQ(ExtractFilePath("C:/x/show.scr"), "C:/x/");
  EXPECT_EQ(ExtractFilePath("C:show.scr"), "C:");
  EXPECT_EQ(ExtractFileExt("dir.d\\noext"), "");
#else
  const std::string d = "/";
#endif
  EXPECT_EQ(JoinPath("", "a.wav"), "a.wav");
  EXPECT_EQ(JoinPath(d + "x" + d, "a.wav"), d + "x" + d + "a.wav");
  EXPECT_EQ(JoinPath(d + "x", "a.wav"), d + "x" + d + "a.wav");
  EXPECT_EQ(ExtractFileExt("PHOTO.JPEG"), ".JPEG");
  EXPECT_EQ(ExtractFileExt("noext"), "");
  EXPECT_EQ(ExtractFileExt("dir.d/noext"), "");
}

}  // namespace
}  // namespace pictova
