// The mixer component and its channels: each channel plays one audio file through its own
// looping secondary buffer, a ring of 250 ms segments refilled as the play cursor leaves them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dsmixer/AudioIO.h"
#include "dsmixer/DDirectSound.h"
#include "ui/Component.h"

namespace pictova {

class TDSMixerChannel;

class TDSMixer : public TComponent {
 public:
  static constexpr int32_t kSegmentMs = 250;
  static constexpr int32_t kMaxSegments = 60;

  // Raises "DirectShow is not installed." when the platform cannot decode audio.
  explicit TDSMixer(TComponent* owner);
  ~TDSMixer() override;

  TDSMixerChannel* AddChannel(const std::string& fileName);
  void RemoveChannel(TDSMixerChannel* channel);
  void OpenDevice();
  void FreeChannels();
  void CloseDevice();

  // Published properties. With the device open the format ones read and write the primary
  // buffer's format.
  uint16_t BitsPerSample();
  void SetBitsPerSample(uint16_t value);
  uint16_t NumChannels();
  void SetNumChannels(uint16_t value);
  uint32_t Frequency();
  void SetFrequency(uint32_t value);
  int32_t BufferLength() const { return FBufferLength; }
  void SetBufferLength(int32_t value);

  int32_t Segments() const { return FSegments; }
  int32_t DeviceIndex() const { return FDeviceIndex; }
  void SetDeviceIndex(int32_t value) { FDeviceIndex = value; }
  TDSDevices* Devices() const { return FDevices.get(); }
  TDirectSound* Device() const { return FDevice.get(); }
  int32_t ChannelCount() const { return static_cast<int32_t>(FChannels.size()); }
  TDSMixerChannel* Channels(int32_t index) const { return FChannels.at(static_cast<size_t>(index)).get(); }

 private:
  enum class TFormatField { Bits, Channels, Rate };
  void ChangePrimary(TFormatField field, uint32_t value);

  int32_t FDeviceIndex = 0;
  std::unique_ptr<TDSDevices> FDevices;
  std::unique_ptr<TDirectSound> FDevice;
  std::vector<std::unique_ptr<TDSMixerChannel>> FChannels;
  int32_t FBufferLength = 3000;
  uint16_t FBitsPerSample = 16;
  uint16_t FNumChannels = 2;
  uint32_t FFrequency = 44100;
  int32_t FSegments = 12;
};

class TDSMixerChannel {
 public:
  // Made by TDSMixer::AddChannel. Raises the reader's errors and "Audio file is empty.".
  TDSMixerChannel(TDSMixer* mixer, const std::string& fileName);
  virtual ~TDSMixerChannel();
  TDSMixerChannel(const TDSMixerChannel&) = delete;
  TDSMixerChannel& operator=(const TDSMixerChannel&) = delete;

  void Play();
  void Stop();
  void SetVolume(int32_t value);

  TDSMixer* Mixer() const { return FMixer; }
  const std::string& FileName() const { return FFileName; }
  int32_t DurationMs() const { return FDurationMs; }
  int32_t Volume() const { return FVolume; }
  bool Playing() const { return FPlaying; }
  const TWaveFormatEx& Format() const { return FFormat; }
  uint32_t SegmentBytes() const { return FSegmentBytes; }
  uint32_t TotalBytes() const { return FTotalBytes; }
  int32_t Segments() const { return FSegments; }
  int32_t CurrentSegment() const { return FCurrentSegment; }
  int32_t EndSegment() const { return FEndSegment; }
  bool EndReached() const { return FEndReached; }
  bool Primed() const { return FPrimed; }
  TAudioFileReader* Reader() const { return FReader.get(); }
  TDirectSoundBuffer* Buffer() const { return FBuffer; }
  const uint8_t* Shadow() const { return FShadow.get(); }

  // Raised when the buffer has stopped (Sender: the channel).
  std::function<void(TDSMixerChannel* sender)> OnStop;

 protected:
  virtual void DoStop();

 private:
  void Prepare();
  void Prime();
  void Refill();
  void Notified(int32_t index);
  // Writes one segment of the ring from Shadow into the buffer.
  void WriteSegment(uint32_t offset);

  TDSMixer* FMixer;
  std::string FFileName;
  int32_t FDurationMs = 0;
  int32_t FVolume = 0;
  bool FPlaying = false;
  TWaveFormatEx FFormat;
  std::unique_ptr<uint8_t[]> FShadow;
  uint32_t FTotalBytes = 0;
  int32_t FEndSegment = 0;
  int32_t FCurrentSegment = 0;
  bool FPrimed = false;
  uint32_t FSegmentBytes = 0;
  bool FEndReached = false;
  std::unique_ptr<TAudioFileReader> FReader;
  TDirectSoundBuffer* FBuffer = nullptr;  // owned; the device frees it if it goes first
  // The segment count the ring was built with (the mixer's may change later).
  int32_t FSegments = 0;
};

}  // namespace pictova
