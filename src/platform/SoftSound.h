// A sound device emulated in software: secondary buffers mixed into the primary format,
// volume in hundredths of a decibel, play cursors that advance as the output consumes,
// position events. The SDL backend paces it from its audio callback, the headless backend
// from the virtual clock.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/Sound.h"

namespace pictova {

class IClock;

// Kernel-style events for the emulated backends. Their state is guarded by the clock's
// lock and waits go through the clock, so the virtual clock sees a thread waiting on them.
class TSoftEvents {
 public:
  explicit TSoftEvents(IClock& clock) : FClock(clock) {}
  THandle CreateEvent(bool manualReset, bool initialState);
  bool SetEvent(THandle event);
  bool CloseHandle(THandle event);
  // `deadline` tells the clock when something will signal (kNoDeadline: no idea);
  // `advance` is asked to signal what is due whenever that moment is reached. Both are
  // called with the clock's lock held.
  uint32_t WaitForMultipleObjects(uint32_t count, const THandle* handles, uint32_t timeoutMs,
                                  const std::function<uint64_t()>& deadline,
                                  const std::function<void()>& advance);
  // Does nothing for a handle that was closed meanwhile (an output may still hold it).
  void SetEventLocked(THandle event);
  // Events not closed yet.
  size_t LiveCount();
  // Something that decides when the next event is due changed: waiters look again.
  void Changed();

 private:
  IClock& FClock;
  std::unordered_set<THandle> FLive;  // guarded by the clock's lock
  uint64_t FGeneration = 0;           // likewise
};

// Converts a stream of PCM from one format to another (a well-kept resampler behind it).
class ISampleConverter {
 public:
  virtual ~ISampleConverter() = default;
  virtual bool Put(const void* data, uint32_t bytes) = 0;
  virtual uint32_t Available() = 0;
  virtual uint32_t Get(void* data, uint32_t bytes) = 0;
  virtual void Clear() = 0;
};
using TConverterFactory =
    std::function<std::unique_ptr<ISampleConverter>(const TWaveFormatEx& from, const TWaveFormatEx& to)>;

// The converter factory of the host (SDL's audio streams); empty where there is none, and
// then only buffers in the primary format can be created.
TConverterFactory HostConverterFactory();

class TSoftDevice;

// Where the mixed sound goes; the device tells it when the output starts, changes format
// and stops. Called without the device's lock held.
class ISoftOutput {
 public:
  virtual ~ISoftOutput() = default;
  virtual void OutputStart(TSoftDevice& device, const TWaveFormatEx& primary) = 0;
  virtual void OutputStop(TSoftDevice& device) = 0;
  // Called before every buffer operation, no lock held: an output paced by a clock brings
  // the cursors up to the present here.
  virtual void CatchUp(TSoftDevice& device) {}
  // Called after a buffer started, stopped, moved or got new positions (no lock held).
  virtual void StateChanged(TSoftDevice& device) {}
};

// The software device. Render is called by the output (audio thread or virtual clock).
class TSoftDevice : public IDirectSound, public std::enable_shared_from_this<TSoftDevice> {
 public:
  TSoftDevice(IClock& clock, TSoftEvents& events, ISoftOutput& output, TConverterFactory converters);
  ~TSoftDevice() override;

  HRESULT32 CreateSoundBuffer(const TDSBufferDesc* desc, std::shared_ptr<IDirectSoundBuffer>* out) override;
  HRESULT32 DuplicateSoundBuffer(const std::shared_ptr<IDirectSoundBuffer>& original,
                                 std::shared_ptr<IDirectSoundBuffer>* out) override;
  HRESULT32 SetCooperativeLevel(uintptr_t window, uint32_t level) override;

  // Mixes `frames` frames of the primary format into `out` and advances the cursors; events
  // due are collected into `fired` (signalled by the caller once the lock is released).
  void Render(uint8_t* out, uint32_t frames, std::vector<THandle>& fired);
  // Frames of the primary format until the next position event of a playing buffer
  // (UINT64_MAX when none is due).
  uint64_t FramesToNextEvent();
  TWaveFormatEx PrimaryFormat();
  bool PrimaryPlaying();
  std::mutex& Lock() { return FLock; }
  // Secondary buffers alive.
  size_t BufferCount();

  // Signals events with the clock's lock taken here (never hold the device lock then).
  void Signal(const std::vector<THandle>& fired);
  // The same with the clock's lock already held.
  void SignalLocked(const std::vector<THandle>& fired);

  struct TBuffer;

 private:
  friend class TSoftBuffer;
  friend class TSoftNotify;
  void PrimaryChanged(bool playing, const TWaveFormatEx& format);
  void Forget(TBuffer* buffer);

  IClock& FClock;
  TSoftEvents& FEvents;
  ISoftOutput& FOutput;
  TConverterFactory FConverters;
  std::mutex FLock;
  TWaveFormatEx FPrimary;
  bool FPrimaryPlaying = false;
  std::vector<TBuffer*> FBuffers;  // the secondary buffers alive (guarded by FLock)
  std::vector<float> FMix;         // mixing area, grown outside the audio path only
  std::vector<uint8_t> FScratch;
};

// The sound system of an emulated backend: device list, device creation, events.
class TSoftSoundSystem : public ISoundSystem {
 public:
  // `description` empty: no device (enumeration reports none, creation fails).
  TSoftSoundSystem(IClock& clock, ISoftOutput& output, TConverterFactory converters, std::string description);

  bool HasDirectSoundCreate() const override { return true; }
  bool HasDirectSoundEnumerate() const override { return true; }
  HRESULT32 DirectSoundCreate(const TGuid* guid, std::shared_ptr<IDirectSound>* out) override;
  HRESULT32 DirectSoundEnumerate(const TDSEnumCallback& callback) override;
  THandle CreateEvent(bool manualReset, bool initialState) override;
  bool SetEvent(THandle event) override;
  bool CloseHandle(THandle event) override;
  uint32_t WaitForMultipleObjects(uint32_t count, const THandle* handles, bool waitAll, uint32_t timeoutMs) override;

  TSoftEvents& Events() { return FEvents; }
  void SetDescription(std::string description) { FDescription = std::move(description); }

  // What the program holds of the sound system now: a long run must not pile these up.
  struct TCensus {
    size_t Devices = 0;  // devices not released
    size_t Buffers = 0;  // their secondary buffers alive
    size_t Events = 0;   // events not closed
  };
  TCensus Census();

 protected:
  // The moment (clock ms) of the next event the output will signal, and what to do when a
  // wait reaches it (the virtual clock's pacing); the defaults wait for the audio thread.
  virtual uint64_t NextEventMsLocked() { return UINT64_MAX; }
  virtual void AdvanceLocked() {}

  IClock& FClock;
  ISoftOutput& FOutput;
  TConverterFactory FConverters;
  std::string FDescription;
  TSoftEvents FEvents;

 private:
  std::mutex FDevicesLock;
  std::vector<std::weak_ptr<TSoftDevice>> FDevices;  // every device made, released ones pruned
};

}  // namespace pictova
