// Content detection: signatures, their size limits, and the weak tests at the end.
#include <gtest/gtest.h>

#include <string>

#include "imageio/Detector.h"
#include "imageio/FormatRegistry.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

namespace pictova {

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Padded(std::string head, size_t size, uint8_t fill = 0xEE) {
  TBytes b(head.begin(), head.end());
  b.resize(size, fill);
  return b;
}

int32_t Detect(const TBytes& bytes) {
  TMemoryStream s(bytes);
  return DetectStreamFormat(s);
}

// An icon or cursor directory with count entries whose data lies after the directory.
TBytes IconFile(uint16_t type, uint16_t count, uint32_t firstOffset = 0) {
  TBytes b = {0, 0, static_cast<uint8_t>(type), 0, static_cast<uint8_t>(count), 0};
  for (uint16_t i = 0; i < count; ++i) {
    const uint32_t offset = firstOffset ? firstOffset : 6 + 16u * count + 40u * i;
    b.insert(b.end(),
             {16, 16, 0, 0, 1, 0, 4, 0, 40, 0, 0, 0, uint8_t(offset), uint8_t(offset >> 8), 0, 0});
  }
  b.resize(b.size() + 40u * count, 0);
  return b;
}

}  // namespace

TEST(Detector, SignaturesAndTheirStrictSizeLimits) {
  EXPECT_EQ(Detect({0xFF, 0xD8, 0xFF}), ioJPEG);  // no size limit for the JPEG start
  EXPECT_EQ(Detect({0xFF, 0xD8}), ioUnknown);
  EXPECT_EQ(Detect(Padded(std::string("JFIF\0", 5), 13)), ioJPEG);
  EXPECT_EQ(Detect(Padded(std::string("JFIF\0", 5), 12)), ioUnknown);
  EXPECT_EQ(Detect(Padded("JFIFX", 13)), ioUnknown);  // the tag string is cut at a zero only
  EXPECT_EQ(Detect(Padded("GIF89a", 14)), ioGIF);
  EXPECT_EQ(Detect(Padded("GIF89a", 13)), ioUnknown);
  EXPECT_EQ(Detect(Padded("PCX2", 13, 0)), ioPCX);
  EXPECT_EQ(Detect(Padded("PCX2", 12, 0)), ioUnknown);
  EXPECT_EQ(Detect(Padded(std::string("PCX\0", 4), 5)), ioPCX);
  EXPECT_EQ(Detect(Padded(std::string("PCX\0", 4), 4)), ioUnknown);
  EXPECT_EQ(Detect(Padded("BM", 15)), ioBMP);
  EXPECT_EQ(Detect(Padded("BM", 14)), ioUnknown);
  EXPECT_EQ(Detect(Padded("\x0A\x05", 129)), ioPCX);
  EXPECT_EQ(Detect(Padded("\x0A\x06", 129)), ioUnknown);
  EXPECT_EQ(Detect(Padded("\x0A\x05", 128)), ioUnknown);
  EXPECT_EQ(Detect(Padded(std::string("TIFF\0", 5), 13)), ioTIFF);
  EXPECT_EQ(Detect(Padded(std::string("TIFF\0", 5), 12)), ioUnknown);
  EXPECT_EQ(Detect(Padded("II", 9)), ioTIFF);  // whatever follows
  EXPECT_EQ(Detect(Padded("MM", 9)), ioTIFF);
  EXPECT_EQ(Detect(Padded("MM", 8)), ioUnknown);
  const std::string png = "\x89PNG\r\n\x1A\n";
  EXPECT_EQ(Detect(Padded(png, 9)), ioPNG);
  EXPECT_EQ(Detect(Padded(png, 8)), ioUnknown);
  EXPECT_EQ(Detect({}), ioUnknown);
}

TEST(Detector, IconCursorTgaAndPnmTests) {
  EXPECT_EQ(Detect(IconFile(1, 2)), ioICO);
  EXPECT_EQ(Detect(IconFile(2, 1)), ioCUR);
  EXPECT_EQ(Detect(IconFile(1, 0)), ioUnknown);      // count 0
  EXPECT_EQ(Detect(IconFile(1, 2, 30)), ioUnknown);  // second entry's data before the position
  TBytes reserved = IconFile(1, 1);
  reserved[6 + 3] = 1;
  EXPECT_NE(Detect(reserved), ioICO);
  TBytes shortIcon = IconFile(1, 1);
  shortIcon.resize(22);  // size must exceed 22
  EXPECT_NE(Detect(shortIcon), ioICO);
  TBytes truncatedDirectory = IconFile(1, 3);
  truncatedDirectory.resize(30);  // the directory runs past the end
  EXPECT_NE(Detect(truncatedDirectory), ioICO);

  // An 18-byte TGA header: type at 2, depth at 16.
  TBytes tga(18, 0);
  tga[2] = 2;
  tga[16] = 24;
  EXPECT_EQ(Detect(tga), ioTGA);
  tga[16] = 15;
  EXPECT_EQ(Detect(tga), ioUnknown);
  tga[16] = 24;
  tga[2] = 4;
  EXPECT_EQ(Detect(tga), ioUnknown);
  tga.resize(17);
  tga[2] = 2;
  EXPECT_EQ(Detect(tga), ioUnknown);

  // "P5\n" has a line feed (10, a TGA run-length type) at byte 2; byte 16 is a TGA depth (8).
  const std::string p5 = "P5\n3 2\n# abcdefg\x08zz";
  ASSERT_EQ(p5[16], 8);
  EXPECT_EQ(Detect(TBytes(p5.begin(), p5.end())), ioPXM);
  std::string p1 = p5;
  p1[1] = '1';  // the PNM start only rules out P2 to P6
  EXPECT_EQ(Detect(TBytes(p1.begin(), p1.end())), ioTGA);
  std::string p4 = p5;
  p4[1] = '4';
  EXPECT_EQ(Detect(TBytes(p4.begin(), p4.end())), ioPXM);

  auto pnm = [](const std::string& s) { return Detect(TBytes(s.begin(), s.end())); };
  EXPECT_EQ(pnm("P1 2 2 0101"), ioPXM);
  EXPECT_EQ(pnm("# made here\nP3\n# size\n 0 4 3 255"), ioPXM);  // width 0 skipped: 4 x 3
  EXPECT_EQ(pnm("P7 2 2"), ioUnknown);
  EXPECT_EQ(pnm("P2 2"), ioUnknown);
  EXPECT_EQ(pnm("P2 2x 2"), ioUnknown);  // a token that does not parse counts as -1
  std::string many = "P2";
  for (int i = 0; i < 499; ++i) many += " 0";
  EXPECT_EQ(pnm(many + " 5 5"), ioUnknown);  // width and height past the 501st token
  std::string within = "P2";
  for (int i = 0; i < 497; ++i) within += " 0";
  EXPECT_EQ(pnm(within + " 5 5"), ioPXM);
}

namespace {

// A stream over bytes that raises on every read once armed.
class TFailingStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  int32_t Read(void* buffer, int32_t count) override {
    if (FailReads) throw EInOutError(EInOutError::kReadBeyondEnd);
    return TMemoryStream::Read(buffer, count);
  }
  bool FailReads = false;
};

}  // namespace

TEST(Detector, KeepsThePositionUsesTheWholeSizeAndSurvivesExceptions) {
  // Positioned at 5: the GIF signature there counts, against the whole stream's size (14).
  TBytes data = Padded("xxxxxGIF", 14);
  TMemoryStream s(data);
  s.SetPosition(5);
  EXPECT_EQ(DetectStreamFormat(s), ioGIF);
  EXPECT_EQ(s.Position(), 5);

  TFailingStream failing(Padded("GIF89a", 20));
  failing.FailReads = true;
  EXPECT_EQ(DetectStreamFormat(failing), ioUnknown);

  // A registered test routine is asked first; one that raises ends the detection.
  TFileFormatInfo custom;
  custom.FileType = 42;
  custom.FullName = "Test format";
  custom.Extensions = "TST";
  custom.TestFunction = [](TStream& stream) {
    uint8_t b = 0;
    stream.Read(&b, 1);
    if (b == '!') throw Exception("test routine failed");
    return b == 'G';
  };
  FormatRegistry().Register(custom);
  TMemoryStream gif(Padded("GIF89a", 20));
  EXPECT_EQ(DetectStreamFormat(gif), 42);
  EXPECT_EQ(gif.Position(), 0);
  TMemoryStream bang(Padded("!GIF", 20));
  EXPECT_EQ(DetectStreamFormat(bang), ioUnknown);
  EXPECT_EQ(FormatRegistry().Unregister(42), 1);
  EXPECT_EQ(DetectStreamFormat(gif), ioGIF);
}

}  // namespace pictova
