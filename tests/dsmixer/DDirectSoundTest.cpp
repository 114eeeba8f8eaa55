// The device objects on the virtual sound device: result texts, notification threads,
// device and buffer lifetimes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dsmixer/DDirectSound.h"
#include "dsmixer/SoundFixtures.h"
#include "platform/headless/HeadlessSound.h"
#include "ui/HeadlessFixture.h"

namespace pictova {
namespace {

using DirectSoundTest = HeadlessTest;

std::string CheckMessage(HRESULT32 code, int32_t* errorCode = nullptr) {
  try {
    DSCheck(code);
  } catch (const EDirectSoundError& e) {
    if (errorCode != nullptr) *errorCode = e.ErrorCode();
    return e.Message();
  }
  return "passed";
}

TEST(DSCheckTest, ZeroPassesEveryOtherCodeRaisesWithHexCodeCarriageReturnAndText) {
  EXPECT_EQ(CheckMessage(0), "passed");
  int32_t code = 0;
  EXPECT_EQ(CheckMessage(1, &code), "DirectSound call failed: 1\rUnrecognized error value.");
  EXPECT_EQ(code, 1);
  EXPECT_EQ(CheckMessage(MakeResult(0x88780096), &code),
            "DirectSound call failed: 88780096\rThe buffer memory has been lost, and must be Restored.");
  EXPECT_EQ(code, MakeResult(0x88780096));
  EXPECT_EQ(CheckMessage(MakeResult(0x88780064)), "DirectSound call failed: 88780064\rThe specified WAVE format is not supported");
  EXPECT_EQ(CheckMessage(MakeResult(0x80004005)),
            "DirectSound call failed: 80004005\rAn undetermined error occured inside the DSound subsystem");
  EXPECT_EQ(CheckMessage(MakeResult(0xDEADBEEF)), "DirectSound call failed: DEADBEEF\rUnrecognized error value.");
}

TDSBufferDesc SecondaryDesc(const TWaveFormatEx& format, uint32_t bytes) {
  TDSBufferDesc d;
  d.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GETCURRENTPOSITION2;
  d.dwBufferBytes = bytes;
  d.lpwfxFormat = &format;
  return d;
}

// A buffer whose destruction is written down.
class TTracedBuffer : public TDirectSoundBuffer {
 public:
  TTracedBuffer(TDirectSound* owner, const TDSBufferDesc& d, std::vector<std::string>& trace, std::string name)
      : TDirectSoundBuffer(owner, d), FTrace(trace), FName(std::move(name)) {}
  ~TTracedBuffer() override {
    FTrace.push_back(FName + (Owner() != nullptr ? " listed" : " unlisted") + " " +
                     std::to_string(Owner()->Buffers().size()));
  }

 private:
  std::vector<std::string>& FTrace;
  std::string FName;
};

TEST_F(DirectSoundTest, EnumerationAndDeviceDestructionOrder) {
  TDSDevices devices;
  devices.Enumerate();
  ASSERT_EQ(devices.Count(), 1);
  EXPECT_EQ(devices.Items(0).GuidPtr, nullptr);  // the primary driver comes without a GUID
  EXPECT_EQ(devices.Items(0).Description, "Virtual sound device");

  Headless().VirtualSound().SetDescription("");
  TDSDevices none;
  none.Enumerate();  // no device is no error here
  EXPECT_EQ(none.Count(), 0);
  Headless().VirtualSound().SetDescription("Virtual sound device");

  std::vector<std::string> trace;
  auto device = std::make_unique<TDirectSound>(nullptr, 0);
  const TWaveFormatEx f = PcmFormat(22050, 2, 8);
  new TTracedBuffer(device.get(), SecondaryDesc(f, 4000), trace, "a");
  new TTracedBuffer(device.get(), SecondaryDesc(f, 4000), trace, "b");
  ASSERT_EQ(device->Buffers().size(), 3u);
  EXPECT_EQ(device->Buffers()[0], device->PrimaryBuffer());
  device.reset();
  // Registration order, each still listed while it goes: primary (untraced), a, b.
  EXPECT_EQ(trace, (std::vector<std::string>{"a listed 2", "b listed 1"}));
}

TEST_F(DirectSoundTest, PositionLimitIsSixtyThreeAndARefusalCreatesNoEvent) {
  auto device = std::make_unique<TDirectSound>(nullptr, 0);
  TWaveFormatEx f;
  device->GetPrimaryFormat(f);
  TDirectSoundBuffer buffer(device.get(), SecondaryDesc(f, 64 * 400));
  std::vector<uint32_t> offsets(64);
  for (uint32_t i = 0; i < 64; ++i) offsets[i] = i * 400;
  TSoftEvents& events = Headless().VirtualSound().Events();
  const size_t before = events.LiveCount();
  try {
    buffer.SetNotifications(64, offsets.data());
    FAIL() << "64 positions accepted";
  } catch (const EWrapperDirectSoundError& e) {
    EXPECT_EQ(e.Message(), "Notification positions exceed maximum of 64");
  }
  EXPECT_EQ(events.LiveCount(), before);
  EXPECT_EQ(buffer.NotifyThread(), nullptr);
  TNotifyThread* thread = buffer.SetNotifications(63, offsets.data());
  EXPECT_EQ(thread->Count(), 63);
  EXPECT_EQ(events.LiveCount(), before + 64);  // 63 positions and the terminate event
  // An offset outside the buffer is the platform's refusal, and leaves nothing behind.
  offsets[0] = 64 * 400;
  EXPECT_THROW(buffer.SetNotifications(1, offsets.data()), EDirectSoundError);
  EXPECT_EQ(events.LiveCount(), before);
}

TEST_F(DirectSoundTest, PositionsReachTheHandlerOnTheUiThreadInOrderAndReplacingThemKeepsOnlyTheNew) {
  auto device = std::make_unique<TDirectSound>(nullptr, 0);
  TWaveFormatEx primary;
  device->GetPrimaryFormat(primary);
  const TWaveFormatEx f = PcmFormat(primary.nSamplesPerSec, primary.nChannels, primary.wBitsPerSample);
  const uint32_t second = f.nAvgBytesPerSec;  // a 1 s buffer
  TDirectSoundBuffer buffer(device.get(), SecondaryDesc(f, second));
  std::vector<std::string> seen;
  bool onUi = true;
  buffer.OnNotify = [&](TDirectSoundBuffer* sender, int32_t index) {
    onUi = onUi && IsMainThread() && sender == &buffer;
    seen.push_back(std::to_string(index) + "@" + std::to_string(Now()));
  };
  const uint32_t quarter = second / 4 - (second / 4) % f.nBlockAlign;
  const uint32_t first[] = {quarter, 2 * quarter, DSBPN_OFFSETSTOP};
  buffer.SetNotifications(3, first);
  buffer.Play(DSBPLAY_LOOPING);
  App().RunUntil(600);
  EXPECT_EQ(seen, (std::vector<std::string>{"0@250", "1@500"}));
  buffer.Stop();
  App().RunUntil(610);
  EXPECT_EQ(seen.back(), "2@600");  // the stop entry fires when the buffer stops

  // New positions replace the old ones: only index 0 (at 3/4) is reported from now on.
  seen.clear();
  const uint32_t second_[] = {3 * quarter};
  buffer.SetNotifications(1, second_);
  buffer.SetPlayPosition(0);
  buffer.Play(DSBPLAY_LOOPING);
  App().RunUntil(1610);
  EXPECT_EQ(seen, (std::vector<std::string>{"0@1360"}));
  EXPECT_TRUE(onUi);

  // Unassigned, notifications are consumed without effect; destroying ends the thread.
  buffer.OnNotify = nullptr;
  App().RunUntil(3000);
  EXPECT_EQ(seen.size(), 1u);
}

TEST_F(DirectSoundTest, TheTerminateEventNeverReachesTheHandler) {
  auto device = std::make_unique<TDirectSound>(nullptr, 0);
  const TWaveFormatEx f = PcmFormat(22050, 2, 8);
  auto buffer = std::make_unique<TDirectSoundBuffer>(device.get(), SecondaryDesc(f, 8000));
  int calls = 0;
  buffer->OnNotify = [&](TDirectSoundBuffer*, int32_t) { ++calls; };
  const uint32_t offsets[] = {4000};
  buffer->SetNotifications(1, offsets);  // never playing: only the terminate event will fire
  App().RunUntil(50);
  const size_t live = Headless().VirtualSound().Events().LiveCount();
  buffer.reset();
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(Headless().VirtualSound().Events().LiveCount(), live - 2);
}

}  // namespace
}  // namespace pictova
