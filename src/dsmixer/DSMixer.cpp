// The mixer component and its channels.
#include "dsmixer/DSMixer.h"

#include <algorithm>
#include <cstring>

#include "platform/Platform.h"
#include "rtl/SysUtils.h"

namespace pictova {

// ---- the mixer ----

TDSMixer::TDSMixer(TComponent* owner) : TComponent(owner) {
  if (!DirectShowInstalled()) throw Exception("DirectShow is not installed.");
}

TDSMixer::~TDSMixer() {
  CloseDevice();
  // Channels of a mixer whose device never opened hold only their readers; they go too.
  while (!FChannels.empty()) FChannels.pop_back();
}

TDSMixerChannel* TDSMixer::AddChannel(const std::string& fileName) {
  auto channel = std::make_unique<TDSMixerChannel>(this, fileName);
  FChannels.push_back(std::move(channel));
  return FChannels.back().get();
}

void TDSMixer::RemoveChannel(TDSMixerChannel* channel) {
  for (auto it = FChannels.begin(); it != FChannels.end(); ++it) {
    if (it->get() == channel) {
      std::unique_ptr<TDSMixerChannel> gone = std::move(*it);
      FChannels.erase(it);
      gone.reset();
      return;
    }
  }
  throw Exception("DSMixerChannel wasn't found on list.");
}

void TDSMixer::OpenDevice() {
  if (FDevice) return;
  if (!FDevices) {
    FDevices = std::make_unique<TDSDevices>();
    FDevices->Enumerate();
  }
  // The list stays, so enumeration runs once per mixer; an empty one refuses every opening.
  if (FDevices->Count() == 0) throw Exception("No DirectSound drivers installed in the system.");
  if (FDeviceIndex < 0 || FDeviceIndex >= FDevices->Count())
    throw Exception(Format("List index out of bounds (%d)", FDeviceIndex));
  FDevice = std::make_unique<TDirectSound>(FDevices->Items(FDeviceIndex).GuidPtr, 0);
  // No foreground window: 0, which the platform takes for the desktop window.
  const uintptr_t window = Platform().Windows().GetForegroundWindow();
  FDevice->SetCooperativeLevel(window, DSSCL_PRIORITY);
  TWaveFormatEx format;
  FDevice->GetPrimaryFormat(format);
  format.nChannels = FNumChannels;
  format.wBitsPerSample = FBitsPerSample;
  format.nSamplesPerSec = FFrequency;
  format.nBlockAlign = static_cast<uint16_t>((FBitsPerSample * FNumChannels) >> 3);
  format.nAvgBytesPerSec = format.nBlockAlign * FFrequency;
  FDevice->SetPrimaryFormat(format);
}

void TDSMixer::FreeChannels() {
  if (!FDevice) return;
  while (!FChannels.empty()) FChannels.pop_back();
}

void TDSMixer::CloseDevice() {
  if (!FDevice) return;
  FreeChannels();
  FDevices.reset();
  FDevice.reset();
}

void TDSMixer::ChangePrimary(TFormatField field, uint32_t value) {
  TWaveFormatEx format;
  FDevice->GetPrimaryFormat(format);
  switch (field) {
    case TFormatField::Bits: format.wBitsPerSample = static_cast<uint16_t>(value); break;
    case TFormatField::Channels: format.nChannels = static_cast<uint16_t>(value); break;
    case TFormatField::Rate: format.nSamplesPerSec = value; break;
  }
  if (field != TFormatField::Rate)
    format.nBlockAlign = static_cast<uint16_t>((format.wBitsPerSample * format.nChannels) >> 3);
  format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
  FDevice->SetPrimaryFormat(format);
}

uint16_t TDSMixer::BitsPerSample() {
  if (!FDevice) return FBitsPerSample;
  TWaveFormatEx format;
  FDevice->GetPrimaryFormat(format);
  return format.wBitsPerSample;
}

void TDSMixer::SetBitsPerSample(uint16_t value) {
  if (FDevice) {
    ChangePrimary(TFormatField::Bits, value);
  } else {
    FBitsPerSample = value;
  }
}

uint16_t TDSMixer::NumChannels() {
  if (!FDevice) return FNumChannels;
  TWaveFormatEx format;
  FDevice->GetPrimaryFormat(format);
  return format.nChannels;
}

void TDSMixer::SetNumChannels(uint16_t value) {
  if (FDevice) {
    ChangePrimary(TFormatField::Channels, value);
  } else {
    FNumChannels = value;
  }
}

uint32_t TDSMixer::Frequency() {
  if (!FDevice) return FFrequency;
  TWaveFormatEx format;
  FDevice->GetPrimaryFormat(format);
  return format.nSamplesPerSec;
}

void TDSMixer::SetFrequency(uint32_t value) {
  if (FDevice) {
    ChangePrimary(TFormatField::Rate, value);
  } else {
    FFrequency = value;
  }
}

void TDSMixer::SetBufferLength(int32_t value) {
  int32_t v = value / kSegmentMs * kSegmentMs;
  v = std::min(std::max(v, 1000), 15000);
  if (v == FBufferLength) return;
  FreeChannels();
  FBufferLength = v;
  FSegments = v / kSegmentMs;
}

// ---- channels ----

TDSMixerChannel::TDSMixerChannel(TDSMixer* mixer, const std::string& fileName)
    : FMixer(mixer), FFileName(fileName) {
  FReader = std::make_unique<TAudioFileReader>(fileName);
  FFormat = FReader->Format();
  const uint32_t block = FFormat.nBlockAlign;
  FSegmentBytes = static_cast<uint32_t>(FFormat.nSamplesPerSec * block * 250u) / 1000u;
  if (block != 0) FSegmentBytes -= FSegmentBytes % block;
  FSegments = mixer->Segments();
  FTotalBytes = static_cast<uint32_t>(FSegments) * FSegmentBytes;
  FDurationMs = static_cast<int32_t>(static_cast<double>(FReader->Duration()) / 10000.0);
  if (FDurationMs == 0) throw Exception("Audio file is empty.");
}

TDSMixerChannel::~TDSMixerChannel() {
  // The stop that destruction causes is not announced: nobody may reach a channel that is
  // going away.
  OnStop = nullptr;
  try {
    Stop();
  } catch (const std::exception&) {
    // The device may already have failed; the buffer goes anyway.
  }
  // The device frees the buffers still registered when it goes first.
  if (FBuffer != nullptr && FMixer->Device() != nullptr) delete FBuffer;
  FBuffer = nullptr;
  FReader.reset();
  FShadow.reset();
}

void TDSMixerChannel::Prepare() {
  if (FBuffer != nullptr && FMixer->Device() != nullptr) return;
  FMixer->OpenDevice();
  FShadow = std::make_unique<uint8_t[]>(FTotalBytes);
  TDSBufferDesc description;
  description.dwFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPOSITIONNOTIFY |
                        DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
  description.dwBufferBytes = FTotalBytes;
  description.lpwfxFormat = &FFormat;
  FBuffer = new TDirectSoundBuffer(FMixer->Device(), description);
  // The start of each segment, then the stop of the buffer.
  uint32_t offsets[TDSMixer::kMaxSegments + 1];
  for (int32_t k = 0; k < FSegments; ++k) offsets[k] = static_cast<uint32_t>(k) * FSegmentBytes;
  offsets[FSegments] = DSBPN_OFFSETSTOP;
  FBuffer->OnNotify = [this](TDirectSoundBuffer*, int32_t index) { Notified(index); };
  FBuffer->SetNotifications(FSegments + 1, offsets);
  FBuffer->SetVolume(FVolume);
  FCurrentSegment = 0;
  FMixer->Device()->PrimaryBuffer()->Play(DSBPLAY_LOOPING);
}

void TDSMixerChannel::WriteSegment(uint32_t offset) {
  void* ptr1 = nullptr;
  uint32_t bytes1 = 0;
  void* ptr2 = nullptr;
  uint32_t bytes2 = 0;
  FBuffer->Lock(offset, FSegmentBytes, &ptr1, &bytes1, &ptr2, &bytes2, 0);
  // The segment lies inside the buffer, so it comes back whole as the first part.
  std::memcpy(ptr1, FShadow.get() + offset, std::min(bytes1, FSegmentBytes));
  FBuffer->Unlock(ptr1, bytes1, nullptr, 0);
}

void TDSMixerChannel::Refill() {
  const uint8_t silence = FFormat.wBitsPerSample == 8 ? 0x80 : 0;
  for (;;) {
    const uint32_t p = FBuffer->GetPlayPosition();
    if (p / FSegmentBytes == static_cast<uint32_t>(FCurrentSegment) && FPrimed) return;
    const uint32_t offset = static_cast<uint32_t>(FCurrentSegment) * FSegmentBytes;
    uint8_t* place = FShadow.get() + offset;
    if (FEndReached) {
      if (FCurrentSegment == FEndSegment) {
        Stop();
        return;
      }
      std::memset(place, silence, FSegmentBytes);
    } else {
      // One read per segment: a short one is the end of the stream.
      const uint32_t n = FReader->Read(place, FSegmentBytes);
      FPrimed = true;
      if (n < FSegmentBytes) {
        FEndReached = true;
        std::memset(place + n, silence, FSegmentBytes - n);
        FEndSegment = FCurrentSegment;
      }
    }
    WriteSegment(offset);
    FCurrentSegment = (FCurrentSegment + 1) % FSegments;
  }
}

void TDSMixerChannel::Notified(int32_t index) {
  if (index == FSegments) {
    DoStop();
    return;
  }
  // A stopped channel's ring and reader stay as they are (rewound) until the next Play;
  // a late position event must not read on.
  if (!FPlaying) return;
  try {
    Refill();
  } catch (...) {
    // A failing device or decoder: the music stops, and the error is reported once.
    try {
      Stop();
    } catch (...) {
    }
    throw;
  }
}

void TDSMixerChannel::DoStop() {
  if (OnStop) OnStop(this);
}

void TDSMixerChannel::Prime() {
  if (FPrimed) return;
  Prepare();
  Refill();
  FPrimed = true;
}

void TDSMixerChannel::Play() {
  if (!FPlaying) {
    Prepare();
    FEndReached = false;
    FBuffer->SetVolume(FVolume);
    FPlaying = true;
  }
  Prime();
  FBuffer->Play(DSBPLAY_LOOPING);
}

void TDSMixerChannel::Stop() {
  if (!FPlaying) return;
  FPlaying = false;
  FPrimed = false;
  FBuffer->Stop();
  FBuffer->SetPlayPosition(0);
  FCurrentSegment = 0;
  FReader->Seek(0);
}

void TDSMixerChannel::SetVolume(int32_t value) {
  if (value >= DSBVOLUME_MIN && value <= DSBVOLUME_MAX) FVolume = value;
  if (FBuffer != nullptr && FMixer->Device() != nullptr) FBuffer->SetVolume(FVolume);
}

}  // namespace pictova
