#include "rtl/Classes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "rtl/SysUtils.h"

namespace pictova {

TEST(TMemoryStream, ReadsWritesSeeksAndReportsShortReads) {
  TMemoryStream s;
  const char text[] = "hello";
  s.WriteBuffer(text, 5);
  EXPECT_EQ(s.Size(), 5);
  EXPECT_EQ(s.Position(), 5);
  s.SetPosition(1);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 4);
  EXPECT_STREQ(buf, "ello");
  EXPECT_EQ(s.Read(buf, 8), 0);
  s.Seek(-2, soEnd);
  EXPECT_EQ(s.Position(), 3);
  try {
    s.ReadBuffer(buf, 3);
    FAIL() << "ReadBuffer past the end must raise";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 100);
    EXPECT_EQ(e.Message(), "Read beyond end of file");
  }
  // A seek before the start stops at 0; writing past the end grows the block with zeros.
  EXPECT_EQ(s.Seek(-100, soCurrent), 0);
  s.SetPosition(8);
  s.WriteBuffer("!", 1);
  EXPECT_EQ(s.Size(), 9);
  EXPECT_EQ(s.Memory()[6], 0);
  EXPECT_THROW(s.ReadBuffer(buf, -1), EInOutError);
}

TEST(TFileStream, OpensReadsAndMapsErrorsToRuntimeCodes) {
  const auto dir = std::filesystem::temp_directory_path() / ("pictova-fs-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "data.bin").string();
  {
    TMemoryStream m;
    m.WriteBuffer("0123456789", 10);
    m.SaveToFile(path);
  }
  {
    TFileStream f(path);
    EXPECT_EQ(f.Size(), 10);
    f.Seek(-4, soEnd);
    char buf[4];
    f.ReadBuffer(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_THROW(f.ReadBuffer(buf, 1), EInOutError);
    // Two readers at once, as a running program reading its own file.
    TFileStream g(path);
    EXPECT_EQ(g.Read(buf, 2), 2);
  }
  try {
    TFileStream missing((dir / "missing.bin").string());
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 2);
    EXPECT_EQ(e.Message(), "File not found");
  }
  try {
    TFileStream directory(dir.string());
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 5);
  }
  EXPECT_TRUE(FileExists(path));
  EXPECT_FALSE(FileExists(dir.string()));
  std::filesystem::remove_all(dir);
}

TEST(TStringList, KeepsOrderAndSplitsText) {
  TStringList list;
  list.Add("b");
  list.Add("a");
  list.Insert(0, "c");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], "c");
  EXPECT_EQ(list.IndexOf("A"), 2);
  EXPECT_EQ(list.IndexOf("zz"), -1);
  list.Delete(1);
  EXPECT_EQ(list.Text(), "c\r\na\r\n");
  EXPECT_THROW(list.Delete(5), Exception);
  TStringList parsed;
  parsed.SetText("one\r\ntwo\nthree\rfour");
  ASSERT_EQ(parsed.Count(), 4);
  EXPECT_EQ(parsed[3], "four");
}

}  // namespace pictova
