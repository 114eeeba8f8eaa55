// The mixer on the virtual sound device: ring sizes, refills, the end of a file, volume,
// channel lists, and what comes out of the device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dsmixer/DSMixer.h"
#include "dsmixer/SoundFixtures.h"
#include "platform/SoftSound.h"
#include "platform/headless/HeadlessSound.h"
#include "ui/HeadlessFixture.h"

namespace pictova {
namespace {

class MixerTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    Mixer = new TDSMixer(&App());
  }
  // The recorded output as 16-bit samples.
  std::vector<int16_t> Output() {
    const TSoundRecording r = Headless().VirtualSound().Recording();
    std::vector<int16_t> s(r.Bytes.size() / 2);
    std::memcpy(s.data(), r.Bytes.data(), s.size() * 2);
    return s;
  }
  TDSMixer* Mixer = nullptr;
};

TEST_F(MixerTest, BufferLengthIsRoundedToSegmentsWithinItsRange) {
  const std::vector<std::pair<int32_t, int32_t>> cases = {
      {3100, 3000}, {900, 1000}, {20000, 15000}, {-250, 1000}, {1249, 1000}, {15000, 15000}, {2999, 2750}};
  for (const auto& [written, kept] : cases) {
    Mixer->SetBufferLength(written);
    EXPECT_EQ(Mixer->BufferLength(), kept) << written;
    EXPECT_EQ(Mixer->Segments(), kept / 250) << written;
  }
  // 15000 ms: 60 segments, 61 notification entries (the last one the stop).
  Mixer->SetBufferLength(15000);
  TDSMixerChannel* c = Mixer->AddChannel(WritePatternWav(TempPath("long.wav"), 44100, 2, 44100));
  EXPECT_EQ(Mixer->Device(), nullptr);  // adding touches no device
  c->Play();
  ASSERT_NE(Mixer->Device(), nullptr);
  EXPECT_EQ(c->SegmentBytes(), 44100u);
  EXPECT_EQ(c->TotalBytes(), 60u * 44100u);
  EXPECT_EQ(c->Buffer()->NotifyThread()->Count(), 61);
  // Writing a new length frees the channels of the open device.
  Mixer->SetBufferLength(3000);
  EXPECT_EQ(Mixer->ChannelCount(), 0);
}

TEST_F(MixerTest, ATwoSecondWavComesOutWholeInOrderAtMinusFiveHundredAndStopsAfterItsSegment) {
  TDSMixerChannel* c = Mixer->AddChannel(WritePatternWav(TempPath("two.wav"), 44100, 2, 88200));
  EXPECT_EQ(c->DurationMs(), 2000);
  int stops = 0;
  uint64_t stoppedAt = 0;
  c->OnStop = [&](TDSMixerChannel* sender) {
    EXPECT_EQ(sender, c);
    ++stops;
    stoppedAt = Now();
  };
  c->SetVolume(-500);
  c->Play();
  EXPECT_EQ(c->Volume(), -500);
  App().RunUntil([&] { return stops > 0; }, 5000);
  ASSERT_EQ(stops, 1);
  // The file fills segments 0 to 7; the read for segment 8 finds the end, so 8 is silence
  // and the channel stops when the cursor leaves it, at 2.25 s.
  EXPECT_EQ(stoppedAt, 2250u);
  EXPECT_FALSE(c->Playing());
  EXPECT_EQ(c->EndSegment(), 8);
  App().RunUntil(3000);

  const std::vector<int16_t> out = Output();
  ASSERT_GE(out.size(), 2u * 132300);
  const double gain = std::pow(10.0, -500 / 2000.0);
  int worst = 0;
  for (uint32_t i = 0; i < 88200; ++i)
    for (uint16_t ch = 0; ch < 2; ++ch) {
      const int want = static_cast<int>(std::lround(PatternSample(i, ch) * gain));
      worst = std::max(worst, std::abs(out[2 * i + ch] - want));
    }
  EXPECT_LE(worst, 1);
  for (size_t i = 2 * 88200; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
  EXPECT_EQ(Mixer->ChannelCount(), 1);  // stopped, still listed

  // Played again, it starts from the beginning with a full first fill.
  c->Play();
  EXPECT_TRUE(c->Playing());
  EXPECT_GT(c->Reader()->Position(), 19000000);  // the whole file is in the ring again
  App().RunUntil(3001);
  const std::vector<int16_t> again = Output();
  const size_t at = 2 * 132300;  // 3000 ms at 44.1 kHz
  EXPECT_EQ(again[at], static_cast<int16_t>(std::lround(PatternSample(0, 0) * gain)));
  EXPECT_EQ(again[at + 3], static_cast<int16_t>(std::lround(PatternSample(1, 1) * gain)));
}

TEST_F(MixerTest, AFileShorterThanTheRingIsPaddedWithSilenceAndStopsAfterItsLastSegment) {
  // 0.9 s ends inside segment 3 (0.75 to 1.0 s).
  TDSMixerChannel* c = Mixer->AddChannel(WritePatternWav(TempPath("short.wav"), 44100, 2, 39690));
  c->Play();
  EXPECT_TRUE(c->EndReached());
  EXPECT_EQ(c->EndSegment(), 3);
  for (uint32_t i = 39690 * 4; i < c->TotalBytes(); ++i) ASSERT_EQ(c->Shadow()[i], 0) << i;
  App().RunUntil(999);
  EXPECT_TRUE(c->Playing());
  App().RunUntil(1001);
  EXPECT_FALSE(c->Playing());
  // Stop rewound the buffer and the reader.
  EXPECT_EQ(c->Buffer()->GetPlayPosition(), 0u);
  EXPECT_EQ(c->Reader()->Position(), 0);
}

TEST_F(MixerTest, EightBitFilesArePaddedWithTheirSilence) {
  if (!HostConverterFactory()) GTEST_SKIP() << "this build's virtual device plays only the primary format";
  auto script = std::make_shared<TScript>();
  script->Format = PcmFormat(22050, 1, 8);
  script->Duration = 1000000;  // 100 ms
  script->Samples.push_back({0, std::vector<uint8_t>(2205, 0x10), 0, 1000000});
  Headless().SetMediaStreams(ScriptedStreams(script, Headless().VirtualSound()));
  TDSMixerChannel* c = Mixer->AddChannel("eight.wav");
  EXPECT_EQ(c->SegmentBytes(), 5512u);
  c->Play();
  EXPECT_EQ(c->Shadow()[2204], 0x10);
  for (uint32_t i = 2205; i < c->TotalBytes(); ++i) ASSERT_EQ(c->Shadow()[i], 0x80) << i;
}

TEST_F(MixerTest, VolumeRangeAndWhenItIsApplied) {
  TDSMixerChannel* c = Mixer->AddChannel(WritePatternWav(TempPath("vol.wav"), 44100, 2, 44100));
  c->SetVolume(-500);
  EXPECT_EQ(c->Volume(), -500);
  c->SetVolume(1);
  c->SetVolume(-10001);
  EXPECT_EQ(c->Volume(), -500);
  c->SetVolume(-10000);
  c->SetVolume(0);
  EXPECT_EQ(c->Volume(), 0);
  c->SetVolume(-2000);  // before Play: applied at preparation
  c->Play();
  App().RunUntil(100);
  const std::vector<int16_t> out = Output();
  ASSERT_GT(out.size(), 2000u);
  EXPECT_NEAR(out[2000], PatternSample(1000, 0) * 0.1, 1.0);
}

TEST_F(MixerTest, RemovingChannelsAndClosingMidMusic) {
  TDSMixerChannel* a = Mixer->AddChannel(WritePatternWav(TempPath("a.wav"), 44100, 2, 44100 * 4));
  TDSMixerChannel* b = Mixer->AddChannel(WritePatternWav(TempPath("b.wav"), 44100, 2, 44100));
  a->Play();
  App().RunUntil(500);
  Mixer->RemoveChannel(a);
  EXPECT_EQ(Mixer->ChannelCount(), 1);
  EXPECT_EQ(Mixer->Channels(0), b);
  App().RunUntil(1000);
  const std::vector<int16_t> out = Output();
  for (size_t i = 2 * 22050 + 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;  // silent after removal

  TDSMixer other(nullptr);
  TDSMixerChannel* foreign = other.AddChannel(WritePatternWav(TempPath("c.wav"), 44100, 2, 4410));
  try {
    Mixer->RemoveChannel(foreign);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "DSMixerChannel wasn't found on list.");
  }
  EXPECT_EQ(Mixer->ChannelCount(), 1);

  // Destroying the mixer while it plays stops everything and leaves no thread behind.
  b->Play();
  App().RunUntil(1300);
  const size_t live = Headless().VirtualSound().Events().LiveCount();
  EXPECT_GE(live, 14u);
  delete Mixer;
  Mixer = nullptr;
  EXPECT_EQ(Headless().VirtualSound().Events().LiveCount(), 1u);  // the foreign channel's reader
}

TEST_F(MixerTest, PrimaryFormatPropertiesAndTheFailuresOfOpening) {
  EXPECT_EQ(Mixer->Frequency(), 44100u);
  TDSMixerChannel* c = Mixer->AddChannel(WritePatternWav(TempPath("f.wav"), 44100, 2, 4410));
  c->Play();
  EXPECT_EQ(Mixer->Frequency(), 44100u);
  Mixer->SetFrequency(22050);
  EXPECT_EQ(Mixer->Frequency(), 22050u);  // what the primary buffer reports
  EXPECT_EQ(Headless().VirtualSound().Recording().Format.nSamplesPerSec, 22050u);
  Mixer->CloseDevice();
  EXPECT_EQ(Mixer->Frequency(), 44100u);  // the stored value never changed

  // No output device: the error of the first Play, again on the next.
  Headless().VirtualSound().SetDescription("");
  TDSMixer silent(nullptr);
  TDSMixerChannel* d = silent.AddChannel(WritePatternWav(TempPath("g.wav"), 44100, 2, 4410));
  for (int i = 0; i < 2; ++i) {
    try {
      d->Play();
      FAIL();
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "No DirectSound drivers installed in the system.");
    }
  }
  Headless().VirtualSound().SetDescription("Virtual sound device");

  // Too short a file, and no decoding at all.
  try {
    silent.AddChannel(WritePatternWav(TempPath("1ms.wav"), 44100, 2, 44));
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Audio file is empty.");
  }
  EXPECT_EQ(silent.ChannelCount(), 1);
  Headless().SetMediaStreams(nullptr);
  try {
    TDSMixer none(nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "DirectShow is not installed.");
  }
}

TEST_F(MixerTest, EightChannelsAt384kHzAreRefusedByTheDevice) {
  std::vector<uint8_t> data(8 * 2 * 38400, 0);  // 100 ms
  const std::string path = WriteWav(TempPath("wide.wav"), 384000, 8, 16, data);
#ifdef PICTOVA_HAVE_SNDFILE
  TDSMixerChannel* c = Mixer->AddChannel(path);
  EXPECT_EQ(c->SegmentBytes(), 384000u * 16 / 4);
  try {
    c->Play();
    FAIL();
  } catch (const EDirectSoundError& e) {
    EXPECT_EQ(e.Message(), "DirectSound call failed: 88780064\rThe specified WAVE format is not supported");
  }
#else
  // The platform's decoders may refuse it already.
  EXPECT_THROW(Mixer->AddChannel(path)->Play(), Exception);
#endif
}

}  // namespace
}  // namespace pictova
