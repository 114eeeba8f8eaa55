// The audio file reader: result texts, the range cut, seeking, the synchronous fallback, and
// real files through libsndfile, malformed ones included.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dsmixer/AudioIO.h"
#include "dsmixer/SoundFixtures.h"
#include "rtl/SysUtils.h"
#include "platform/headless/HeadlessSound.h"
#include "ui/HeadlessFixture.h"

namespace pictova {
namespace {

std::string ShowCheckMessage(HRESULT32 code) {
  try {
    DShowCheck(code);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "passed";
}

class AudioReaderTest : public HeadlessTest {
 protected:
  std::shared_ptr<TScript> Script() {
    auto script = std::make_shared<TScript>();
    script->Format = PcmFormat(44100, 2, 16);
    Headless().SetMediaStreams(ScriptedStreams(script, Headless().VirtualSound()));
    return script;
  }
};

TEST_F(AudioReaderTest, CheckTextsComeFromTheTableThenThePlatformThenTheFallback) {
  EXPECT_EQ(ShowCheckMessage(0), "passed");
  EXPECT_EQ(ShowCheckMessage(MS_S_ENDOFSTREAM),
            "DirectShow call failed: 40003\rReached the end of the stream; the sample wasn't updated.");
  EXPECT_EQ(ShowCheckMessage(MakeResult(0x8004040A)),
            "DirectShow call failed: 8004040A\rThe IMultiMediaStream object is not in running state.");
  Script();
  EXPECT_EQ(ShowCheckMessage(MakeResult(0x80040216)), "DirectShow call failed: 80040216\rNot found.");
  EXPECT_EQ(ShowCheckMessage(MakeResult(0x80040217)), "DirectShow call failed: 80040217\rUnrecognized error value.");
  EXPECT_TRUE(DirectShowInstalled());
  Headless().SetMediaStreams(nullptr);
  EXPECT_FALSE(DirectShowInstalled());
}

TEST_F(AudioReaderTest, ASampleCrossingTheRangeEndIsCutToWholeBlocksAndThenReadingStops) {
  auto script = Script();
  script->Duration = 833333;  // limit 1333333
  script->Samples.push_back({0, std::vector<uint8_t>(4400, 1), 0, 1000000});
  script->Samples.push_back({0, std::vector<uint8_t>(4400, 2), 1000000, 2000000});
  script->Samples.push_back({0, std::vector<uint8_t>(4400, 3), 2000000, 3000000});
  TAudioFileReader reader("music.wav");
  EXPECT_EQ(script->Opened, "music.wav");
  EXPECT_EQ(reader.RangeLength(), 1333333);
  std::vector<uint8_t> buffer(4400);
  EXPECT_EQ(reader.Read(buffer.data(), 0), 0u);
  EXPECT_EQ(script->Updates, 0);  // size 0: no platform call
  EXPECT_EQ(reader.Read(buffer.data(), 4400), 4400u);
  EXPECT_EQ(reader.Read(buffer.data(), 4400), 1464u);  // 4400 x 333333 / 1000000 = 1466.67
  EXPECT_EQ(reader.Position(), 2000000);
  EXPECT_EQ(reader.Read(buffer.data(), 4400), 0u);
  EXPECT_EQ(script->Updates, 2);  // past the range: no decoding
  EXPECT_EQ(script->SetBuffers, 1);  // the same memory is handed over once

  // Seeking: to the current position does nothing; outside the range it is clamped.
  reader.Seek(2000000);
  EXPECT_TRUE(script->Seeks.empty());
  reader.Seek(-5);
  reader.Seek(99999999);
  EXPECT_EQ(script->Seeks, (std::vector<int64_t>{0, 1333333}));
}

TEST_F(AudioReaderTest, EndOfStreamFailuresAndTheSynchronousFallback) {
  auto script = Script();
  script->Duration = 10000000;
  script->EventUpdateNotImplemented = true;  // what Wine answers
  script->Samples.push_back({0, std::vector<uint8_t>(100, 7), 0, 100000});
  script->Samples.push_back({MakeResult(0x80004005), {}, 0, 0});
  {
    TAudioFileReader reader("a.wav");
    std::vector<uint8_t> buffer(400);
    EXPECT_EQ(reader.Read(buffer.data(), 400), 100u);
    EXPECT_EQ(buffer[99], 7);
    try {
      reader.Read(buffer.data(), 400);
      FAIL();
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Error reading.");
    }
    EXPECT_EQ(reader.Read(buffer.data(), 400), 0u);  // nothing left: the end of the stream
  }
  EXPECT_TRUE(script->Stopped);

  // A sample that starts after the end of the range is an assertion.
  script->Samples.push_back({0, std::vector<uint8_t>(100, 7), 20000000, 20100000});
  TAudioFileReader late("b.wav");
  uint8_t one[4];
  EXPECT_THROW(late.Read(one, 4), EAssertionFailed);

  // A file that cannot be opened fails with the code, and the events are all released.
  const size_t live = Headless().VirtualSound().Events().LiveCount();
  script->OpenResult = MakeResult(0x80040216);
  try {
    TAudioFileReader reader("missing.wav");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "DirectShow call failed: 80040216\rNot found.");
  }
  EXPECT_EQ(Headless().VirtualSound().Events().LiveCount(), live);
}

// The Linux decoding; on Windows the platform's own decoders answer with their own codes.
#ifdef PICTOVA_HAVE_SNDFILE
using SndfileReaderTest = HeadlessTest;

TEST_F(SndfileReaderTest, AWavComesBackByteForByteAndRestartsAfterSeekZero) {
  const std::string path = WritePatternWav(TempPath("pattern.wav"), 44100, 2, 1000);
  TAudioFileReader reader(path);
  EXPECT_EQ(reader.Format().nChannels, 2);
  EXPECT_EQ(reader.Format().nSamplesPerSec, 44100u);
  EXPECT_EQ(reader.Format().wBitsPerSample, 16);
  EXPECT_EQ(reader.Format().nBlockAlign, 4);
  EXPECT_EQ(reader.Duration(), 1000 * 10000000LL / 44100);
  std::vector<int16_t> got(2 * 1200);
  EXPECT_EQ(reader.Read(got.data(), 4 * 600), 2400u);
  EXPECT_EQ(reader.Read(got.data() + 1200, 4 * 600), 1600u);  // the last 400 frames
  std::vector<int16_t> after(2 * 600);
  EXPECT_EQ(reader.Read(after.data(), 4 * 600), 0u);
  for (uint32_t i = 0; i < 1000; ++i) {
    ASSERT_EQ(got[2 * i], PatternSample(i, 0)) << i;
    ASSERT_EQ(got[2 * i + 1], PatternSample(i, 1)) << i;
  }
  reader.Seek(0);
  int16_t first[2];
  EXPECT_EQ(reader.Read(first, 4), 4u);
  EXPECT_EQ(first[0], PatternSample(0, 0));
}

TEST_F(SndfileReaderTest, MalformedFilesFailWithTheMediaTypeError) {
  const std::string notRecognised =
      "DirectShow call failed: 80040240\rThe media type of this file is not recognized.";
  std::vector<uint8_t> wav;
  {
    const std::string good = WritePatternWav(TempPath("whole.wav"), 44100, 2, 100);
    FILE* f = std::fopen(good.c_str(), "rb");
    wav.resize(500);
    wav.resize(std::fread(wav.data(), 1, wav.size(), f));
    std::fclose(f);
  }
  const std::vector<std::string> bad = {
      WriteBytes(TempPath("empty.wav"), {}),
      WriteBytes(TempPath("header.wav"), std::vector<uint8_t>(wav.begin(), wav.begin() + 20)),
      WriteBytes(TempPath("text.wav"), std::vector<uint8_t>({'h', 'e', 'l', 'l', 'o', '\n'})),
  };
  for (const std::string& path : bad) {
    try {
      TAudioFileReader reader(path);
      ADD_FAILURE() << path << " opened";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), notRecognised) << path;
    }
  }
  try {
    TAudioFileReader reader(TempPath("no-such-file.wav"));
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "DirectShow call failed: 80070002\rThe system cannot find the file specified.");
  }

  // A header that claims 2^31 frames of which 100 are there: the stream holds what is there.
  std::vector<uint8_t> data(wav.begin() + 44, wav.end());
  TAudioFileReader big(WriteWav(TempPath("claims.wav"), 44100, 2, 16, data, 0x80000000u - 64));
  EXPECT_LE(big.Duration(), 101 * 10000000LL / 44100);
  std::vector<uint8_t> buffer(44100);
  EXPECT_EQ(big.Read(buffer.data(), 44100), 400u);
  EXPECT_EQ(big.Read(buffer.data(), 44100), 0u);
}
#endif

}  // namespace
}  // namespace pictova
