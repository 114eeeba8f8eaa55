// The virtual sound device: mixes in virtual time, fires position events at their virtual
// moments, records the output.
#include "platform/headless/HeadlessSound.h"

#include <algorithm>

#include "platform/headless/HeadlessClock.h"

namespace pictova {

namespace {
constexpr uint32_t kChunkFrames = 4096;
}

THeadlessSound::THeadlessSound(TVirtualClock& clock)
    : TSoftSoundSystem(clock, *this, HostConverterFactory(), "Virtual sound device") {}

void THeadlessSound::OutputStart(TSoftDevice& device, const TWaveFormatEx& primary) {
  std::lock_guard<std::mutex> guard(FLock);
  const uint64_t now = FClock.NowMs();
  const TWaveFormatEx& f = FRecording.Format;
  const bool sameFormat = FRecordingStarted && f.nChannels == primary.nChannels &&
                          f.nSamplesPerSec == primary.nSamplesPerSec && f.wBitsPerSample == primary.wBitsPerSample;
  if (!sameFormat) {
    FRecording = TSoundRecording{primary, now, {}};
    FRecordingStarted = true;
  } else if (FRecord) {
    // A pause in the output is silence in the recording, so it stays on the clock's time line.
    const uint64_t have = FRecording.Bytes.size() / primary.nBlockAlign;
    const uint64_t due = (now - FRecording.StartMs) * primary.nSamplesPerSec / 1000;
    if (due > have)
      FRecording.Bytes.resize(due * primary.nBlockAlign, primary.wBitsPerSample == 8 ? 0x80 : 0);
  }
  FDevice = &device;
  FStartMs = now;
  FRendered = 0;
}

void THeadlessSound::OutputStop(TSoftDevice& device) {
  std::vector<THandle> fired;
  {
    std::lock_guard<std::mutex> guard(FLock);
    if (FDevice != &device) return;
    RenderToNow(fired);
    FDevice = nullptr;
  }
  device.Signal(fired);
}

void THeadlessSound::CatchUp(TSoftDevice& device) {
  // Kept between calls: a catch-up in the middle of a refill allocates nothing.
  thread_local std::vector<THandle> fired;
  fired.clear();
  {
    std::lock_guard<std::mutex> guard(FLock);
    if (FDevice != &device) return;
    RenderToNow(fired);
  }
  device.Signal(fired);
}

void THeadlessSound::RenderToNow(std::vector<THandle>& fired) {
  if (FDevice == nullptr) return;
  const TWaveFormatEx format = FDevice->PrimaryFormat();
  const uint64_t target = (FClock.NowMs() - FStartMs) * format.nSamplesPerSec / 1000;
  while (FRendered < target) {
    const uint32_t frames = static_cast<uint32_t>(std::min<uint64_t>(target - FRendered, kChunkFrames));
    uint8_t* into = nullptr;
    if (FRecord) {
      const size_t at = FRecording.Bytes.size();
      FRecording.Bytes.resize(at + size_t{frames} * format.nBlockAlign);
      into = FRecording.Bytes.data() + at;
    } else {
      FScratch.resize(size_t{kChunkFrames} * format.nBlockAlign);
      into = FScratch.data();
    }
    FDevice->Render(into, frames, fired);
    FRendered += frames;
  }
}

void THeadlessSound::SetRecording(bool on) {
  std::lock_guard<std::mutex> guard(FLock);
  FRecord = on;
}

uint64_t THeadlessSound::NextEventMsLocked() {
  std::lock_guard<std::mutex> guard(FLock);
  if (FDevice == nullptr) return IClock::kNoDeadline;
  const uint64_t frames = FDevice->FramesToNextEvent();
  if (frames == UINT64_MAX) return IClock::kNoDeadline;
  const uint32_t rate = FDevice->PrimaryFormat().nSamplesPerSec;
  const uint64_t ms = FStartMs + ((FRendered + frames) * 1000 + rate - 1) / rate;
  // An event that a converter's latency holds back is looked at again a moment later.
  return std::max(ms, FClock.NowMs() + 1);
}

void THeadlessSound::AdvanceLocked() {
  FFired.clear();
  {
    std::lock_guard<std::mutex> guard(FLock);
    RenderToNow(FFired);
  }
  if (FFired.empty()) return;
  for (THandle h : FFired) FEvents.SetEventLocked(h);
  FClock.NotifyLocked();
}

TSoundRecording THeadlessSound::Recording() {
  std::vector<THandle> fired;
  TSoftDevice* device;
  TSoundRecording copy;
  {
    std::lock_guard<std::mutex> guard(FLock);
    RenderToNow(fired);
    device = FDevice;
    copy = FRecording;
  }
  if (device != nullptr) device->Signal(fired);
  return copy;
}

}  // namespace pictova
