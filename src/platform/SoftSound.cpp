// The software sound device: buffers, cursors, volume, position events and the mix.
#include "platform/SoftSound.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/Clock.h"

namespace pictova {

constexpr uint32_t WAIT_TIMEOUT_CODE = 0x102;
constexpr HRESULT32 DSERR_CONTROLUNAVAIL_CODE = MakeResult(0x8878001E);
constexpr HRESULT32 DSERR_PRIOLEVELNEEDED_CODE = MakeResult(0x88780046);

// ---- events ----

namespace {
struct TSoftEvent {
  bool Manual;
  bool Signalled;
};
TSoftEvent* AsEvent(THandle h) { return static_cast<TSoftEvent*>(h); }
}  // namespace

THandle TSoftEvents::CreateEvent(bool manualReset, bool initialState) {
  THandle h = new (std::nothrow) TSoftEvent{manualReset, initialState};
  if (h == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(FClock.Lock());
  FLive.insert(h);
  return h;
}

bool TSoftEvents::SetEvent(THandle event) {
  std::lock_guard<std::mutex> guard(FClock.Lock());
  if (FLive.count(event) == 0) return false;
  SetEventLocked(event);
  FClock.NotifyLocked();
  return true;
}

void TSoftEvents::SetEventLocked(THandle event) {
  if (FLive.count(event) != 0) AsEvent(event)->Signalled = true;
}

void TSoftEvents::Changed() {
  std::lock_guard<std::mutex> guard(FClock.Lock());
  ++FGeneration;
  FClock.NotifyLocked();
}

size_t TSoftEvents::LiveCount() {
  std::lock_guard<std::mutex> guard(FClock.Lock());
  return FLive.size();
}

bool TSoftEvents::CloseHandle(THandle event) {
  {
    std::lock_guard<std::mutex> guard(FClock.Lock());
    if (FLive.erase(event) == 0) return false;
  }
  delete AsEvent(event);
  return true;
}

uint32_t TSoftEvents::WaitForMultipleObjects(uint32_t count, const THandle* handles, uint32_t timeoutMs,
                                             const std::function<uint64_t()>& deadline,
                                             const std::function<void()>& advance) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr) return WAIT_FAILED;
  std::unique_lock<std::mutex> lock(FClock.Lock());
  for (uint32_t i = 0; i < count; ++i)
    if (FLive.count(handles[i]) == 0) return WAIT_FAILED;
  // What the wait looks at, behind one pointer so that the test below needs no allocation.
  struct TState {
    const THandle* Handles;
    uint32_t Count;
    const uint64_t* Generation;
    uint64_t Seen;
    int First() const {
      for (uint32_t i = 0; i < Count; ++i)
        if (AsEvent(Handles[i])->Signalled) return static_cast<int>(i);
      return -1;
    }
  } state{handles, count, &FGeneration, FGeneration};
  TState* st = &state;
  // A change of the device's state ends the wait too, so that the deadline is asked again.
  const std::function<bool()> ready = [st] { return st->First() >= 0 || *st->Generation != st->Seen; };
  const uint64_t until = timeoutMs == INFINITE_WAIT ? IClock::kNoDeadline : FClock.NowMs() + timeoutMs;
  for (;;) {
    const int i = state.First();
    if (i >= 0) {
      if (!AsEvent(handles[i])->Manual) AsEvent(handles[i])->Signalled = false;
      return WAIT_OBJECT_0 + static_cast<uint32_t>(i);
    }
    if (FClock.NowMs() >= until) return WAIT_TIMEOUT_CODE;
    state.Seen = FGeneration;
    const uint64_t due = deadline ? deadline() : IClock::kNoDeadline;
    FClock.WaitLocked(lock, std::min(due, until), ready);
    if (state.First() < 0 && advance && FClock.NowMs() >= due) advance();
  }
}

// ---- the device model ----

struct TSoftDevice::TBuffer {
  TWaveFormatEx Format;
  uint32_t Flags = 0;
  bool Primary = false;
  std::vector<uint8_t> Data;
  uint32_t Cursor = 0;
  bool Playing = false;
  bool Looping = false;
  int32_t Volume = 0;
  float Gain = 1.0f;
  std::vector<TDSBPositionNotify> Positions;
  std::unique_ptr<ISampleConverter> Converter;
};

namespace {

bool SameFormat(const TWaveFormatEx& a, const TWaveFormatEx& b) {
  return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec && a.wBitsPerSample == b.wBitsPerSample;
}

bool ValidPcm(const TWaveFormatEx& f) {
  return f.wFormatTag == WAVE_FORMAT_PCM && f.nChannels >= 1 && f.nChannels <= 8 &&
         (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
         f.nSamplesPerSec >= DSBFREQUENCY_MIN && f.nSamplesPerSec <= DSBFREQUENCY_MAX &&
         f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

// Samples on the scale of 16-bit PCM.
inline float SampleAt(const uint8_t* p, uint16_t bits) {
  if (bits == 8) return static_cast<float>((static_cast<int>(*p) - 128) * 256);
  return static_cast<float>(static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))));
}

void AddSamples(float* mix, const uint8_t* data, uint32_t bytes, uint16_t bits, float gain) {
  const uint32_t step = bits / 8;
  const uint32_t n = bytes / step;
  for (uint32_t i = 0; i < n; ++i) mix[i] += SampleAt(data + i * step, bits) * gain;
}

}  // namespace

// The platform object of a buffer; its notify interface is a second object on the same data.
class TSoftBuffer : public IDirectSoundBuffer, public std::enable_shared_from_this<TSoftBuffer> {
 public:
  TSoftBuffer(std::shared_ptr<TSoftDevice> device, std::unique_ptr<TSoftDevice::TBuffer> buffer)
      : FDevice(std::move(device)), FBuffer(std::move(buffer)) {}
  ~TSoftBuffer() override {
    if (FBuffer->Primary) {
      FDevice->PrimaryChanged(false, FDevice->PrimaryFormat());
    } else {
      FDevice->Forget(FBuffer.get());
    }
  }

  HRESULT32 QueryInterface(TBufferInterface which, std::shared_ptr<IPlatformObject>* out) override;
  HRESULT32 GetFormat(TWaveFormatEx* format, uint32_t size, uint32_t* written) override {
    if (format == nullptr || size < 18) return DSERR_INVALIDPARAM;
    *format = FBuffer->Primary ? FDevice->PrimaryFormat() : FBuffer->Format;
    if (written != nullptr) *written = 18;
    return S_OK32;
  }
  HRESULT32 SetFormat(const TWaveFormatEx* format) override {
    if (!FBuffer->Primary) return DSERR_INVALIDCALL;
    if (format == nullptr || !ValidPcm(*format)) return DSERR_BADFORMAT;
    FDevice->PrimaryChanged(FDevice->PrimaryPlaying(), *format);
    return S_OK32;
  }
  HRESULT32 GetCurrentPosition(uint32_t* play, uint32_t* write) override {
    if (FBuffer->Primary) return DSERR_PRIOLEVELNEEDED_CODE;
    FDevice->FOutput.CatchUp(*FDevice);
    std::lock_guard<std::mutex> guard(FDevice->Lock());
    if (play != nullptr) *play = FBuffer->Cursor;
    if (write != nullptr) *write = FBuffer->Cursor;
    return S_OK32;
  }
  HRESULT32 SetCurrentPosition(uint32_t offset) override {
    if (FBuffer->Primary) return DSERR_INVALIDCALL;
    if (offset >= FBuffer->Data.size()) return DSERR_INVALIDPARAM;
    FDevice->FOutput.CatchUp(*FDevice);
    {
      std::lock_guard<std::mutex> guard(FDevice->Lock());
      FBuffer->Cursor = offset - offset % FBuffer->Format.nBlockAlign;
      if (FBuffer->Converter) FBuffer->Converter->Clear();
    }
    Changed();  // never with the device's lock held: waiters take it under the clock's
    return S_OK32;
  }
  HRESULT32 SetVolume(int32_t volume) override {
    if ((FBuffer->Flags & DSBCAPS_CTRLVOLUME) == 0) return DSERR_CONTROLUNAVAIL_CODE;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    FDevice->FOutput.CatchUp(*FDevice);
    std::lock_guard<std::mutex> guard(FDevice->Lock());
    FBuffer->Volume = volume;
    // Hundredths of a decibel: an amplitude factor of 10^(v / 2000).
    FBuffer->Gain = volume <= DSBVOLUME_MIN ? 0.0f : static_cast<float>(std::pow(10.0, volume / 2000.0));
    return S_OK32;
  }
  HRESULT32 Lock(uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2, uint32_t* bytes2,
                 uint32_t flags) override {
    if (FBuffer->Primary) return DSERR_PRIOLEVELNEEDED_CODE;
    const uint32_t size = static_cast<uint32_t>(FBuffer->Data.size());
    if (ptr1 == nullptr || bytes1 == nullptr || offset >= size || bytes == 0 || bytes > size)
      return DSERR_INVALIDPARAM;
    FDevice->FOutput.CatchUp(*FDevice);
    // The lock orders these writes after the mixer's earlier reads of the same bytes.
    std::lock_guard<std::mutex> guard(FDevice->Lock());
    const uint32_t first = std::min(bytes, size - offset);
    *ptr1 = FBuffer->Data.data() + offset;
    *bytes1 = first;
    if (ptr2 != nullptr) *ptr2 = first < bytes ? FBuffer->Data.data() : nullptr;
    if (bytes2 != nullptr) *bytes2 = bytes - first;
    return S_OK32;
  }
  HRESULT32 Unlock(void* ptr1, uint32_t bytes1, void* ptr2, uint32_t bytes2) override {
    if (FBuffer->Primary) return DSERR_INVALIDCALL;
    // ... and these writes before the mixer's next reads.
    std::lock_guard<std::mutex> guard(FDevice->Lock());
    return S_OK32;
  }
  HRESULT32 Play(uint32_t reserved, uint32_t priority, uint32_t flags) override {
    if (FBuffer->Primary) {
      if ((flags & DSBPLAY_LOOPING) == 0) return DSERR_INVALIDPARAM;
      FDevice->PrimaryChanged(true, FDevice->PrimaryFormat());
      return S_OK32;
    }
    FDevice->FOutput.CatchUp(*FDevice);
    {
      std::lock_guard<std::mutex> guard(FDevice->Lock());
      FBuffer->Looping = (flags & DSBPLAY_LOOPING) != 0;
      FBuffer->Playing = true;
    }
    // A secondary buffer sounds even when nobody started the primary one.
    if (!FDevice->PrimaryPlaying()) FDevice->PrimaryChanged(true, FDevice->PrimaryFormat());
    Changed();
    return S_OK32;
  }
  HRESULT32 Stop() override {
    if (FBuffer->Primary) {
      FDevice->PrimaryChanged(false, FDevice->PrimaryFormat());
      return S_OK32;
    }
    FDevice->FOutput.CatchUp(*FDevice);
    std::vector<THandle> fired;
    {
      std::lock_guard<std::mutex> guard(FDevice->Lock());
      if (FBuffer->Playing) {
        FBuffer->Playing = false;
        for (const TDSBPositionNotify& p : FBuffer->Positions)
          if (p.dwOffset == DSBPN_OFFSETSTOP) fired.push_back(p.hEventNotify);
      }
    }
    FDevice->Signal(fired);
    Changed();
    return S_OK32;
  }

  HRESULT32 SetPositions(uint32_t count, const TDSBPositionNotify* positions) {
    if ((FBuffer->Flags & DSBCAPS_CTRLPOSITIONNOTIFY) == 0) return DSERR_CONTROLUNAVAIL_CODE;
    if (count > 0 && positions == nullptr) return DSERR_INVALIDPARAM;
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t o = positions[i].dwOffset;
      if ((o != DSBPN_OFFSETSTOP && o >= FBuffer->Data.size()) || positions[i].hEventNotify == nullptr)
        return DSERR_INVALIDPARAM;
    }
    {
      std::lock_guard<std::mutex> guard(FDevice->Lock());
      if (FBuffer->Playing) return DSERR_INVALIDCALL;
      FBuffer->Positions.assign(positions, positions + count);
    }
    Changed();
    return S_OK32;
  }

 private:
  // The pacing of the output may depend on what just changed.
  void Changed() { FDevice->FOutput.StateChanged(*FDevice); }

  std::shared_ptr<TSoftDevice> FDevice;
  std::unique_ptr<TSoftDevice::TBuffer> FBuffer;
};

class TSoftNotify : public IDirectSoundNotify {
 public:
  explicit TSoftNotify(std::shared_ptr<TSoftBuffer> buffer) : FBuffer(std::move(buffer)) {}
  HRESULT32 SetNotificationPositions(uint32_t count, const TDSBPositionNotify* positions) override {
    return FBuffer->SetPositions(count, positions);
  }

 private:
  std::shared_ptr<TSoftBuffer> FBuffer;
};

HRESULT32 TSoftBuffer::QueryInterface(TBufferInterface which, std::shared_ptr<IPlatformObject>* out) {
  if (out == nullptr) return E_POINTER32;
  out->reset();
  if (which != TBufferInterface::Notify || FBuffer->Primary || (FBuffer->Flags & DSBCAPS_CTRLPOSITIONNOTIFY) == 0)
    return E_NOINTERFACE32;
  *out = std::make_shared<TSoftNotify>(shared_from_this());
  return S_OK32;
}

TSoftDevice::TSoftDevice(IClock& clock, TSoftEvents& events, ISoftOutput& output, TConverterFactory converters)
    : FClock(clock), FEvents(events), FOutput(output), FConverters(std::move(converters)) {
  // What a fresh DirectSound primary buffer reports: 22.05 kHz, 8 bits, stereo.
  FPrimary.wFormatTag = WAVE_FORMAT_PCM;
  FPrimary.nChannels = 2;
  FPrimary.nSamplesPerSec = 22050;
  FPrimary.wBitsPerSample = 8;
  FPrimary.nBlockAlign = 2;
  FPrimary.nAvgBytesPerSec = 44100;
}

TSoftDevice::~TSoftDevice() {
  if (FPrimaryPlaying) FOutput.OutputStop(*this);
}

HRESULT32 TSoftDevice::CreateSoundBuffer(const TDSBufferDesc* desc, std::shared_ptr<IDirectSoundBuffer>* out) {
  if (desc == nullptr || out == nullptr || desc->dwSize != 20) return DSERR_INVALIDPARAM;
  auto buffer = std::make_unique<TBuffer>();
  buffer->Flags = desc->dwFlags;
  if ((desc->dwFlags & DSBCAPS_PRIMARYBUFFER) != 0) {
    if (desc->dwBufferBytes != 0 || desc->lpwfxFormat != nullptr) return DSERR_INVALIDPARAM;
    buffer->Primary = true;
    *out = std::make_shared<TSoftBuffer>(shared_from_this(), std::move(buffer));
    return S_OK32;
  }
  if (desc->lpwfxFormat == nullptr) return DSERR_INVALIDPARAM;
  if (!ValidPcm(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
  if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
  buffer->Format = *desc->lpwfxFormat;
  // The bytes are cleared to the format's silence, like a fresh hardware buffer.
  try {
    buffer->Data.assign(desc->dwBufferBytes - desc->dwBufferBytes % buffer->Format.nBlockAlign,
                        buffer->Format.wBitsPerSample == 8 ? 0x80 : 0);
  } catch (const std::bad_alloc&) {
    return DSERR_OUTOFMEMORY;
  }
  if (buffer->Data.empty()) return DSERR_INVALIDPARAM;
  TBuffer* raw = buffer.get();
  {
    std::lock_guard<std::mutex> guard(FLock);
    if (!SameFormat(raw->Format, FPrimary)) {
      if (!FConverters) return DSERR_BADFORMAT;
      raw->Converter = FConverters(raw->Format, FPrimary);
      if (!raw->Converter) return DSERR_BADFORMAT;
    }
    FBuffers.push_back(raw);
  }
  *out = std::make_shared<TSoftBuffer>(shared_from_this(), std::move(buffer));
  return S_OK32;
}

HRESULT32 TSoftDevice::DuplicateSoundBuffer(const std::shared_ptr<IDirectSoundBuffer>&,
                                            std::shared_ptr<IDirectSoundBuffer>*) {
  return DSERR_UNSUPPORTED;
}

HRESULT32 TSoftDevice::SetCooperativeLevel(uintptr_t, uint32_t level) {
  return level >= 1 && level <= 4 ? S_OK32 : DSERR_INVALIDPARAM;
}

TWaveFormatEx TSoftDevice::PrimaryFormat() {
  std::lock_guard<std::mutex> guard(FLock);
  return FPrimary;
}

bool TSoftDevice::PrimaryPlaying() {
  std::lock_guard<std::mutex> guard(FLock);
  return FPrimaryPlaying;
}

void TSoftDevice::PrimaryChanged(bool playing, const TWaveFormatEx& format) {
  bool wasPlaying;
  bool changed;
  {
    std::lock_guard<std::mutex> guard(FLock);
    wasPlaying = FPrimaryPlaying;
    changed = !SameFormat(format, FPrimary);
    FPrimary = format;
    FPrimaryPlaying = playing;
    if (changed) {
      // Every secondary buffer now converts to the new format.
      for (TBuffer* b : FBuffers) {
        b->Converter.reset();
        if (!SameFormat(b->Format, FPrimary) && FConverters) b->Converter = FConverters(b->Format, FPrimary);
      }
    }
  }
  if (wasPlaying && (!playing || changed)) FOutput.OutputStop(*this);
  if (playing && (!wasPlaying || changed)) FOutput.OutputStart(*this, format);
  FOutput.StateChanged(*this);
}

size_t TSoftDevice::BufferCount() {
  std::lock_guard<std::mutex> guard(FLock);
  return FBuffers.size();
}

void TSoftDevice::Forget(TBuffer* buffer) {
  std::lock_guard<std::mutex> guard(FLock);
  FBuffers.erase(std::remove(FBuffers.begin(), FBuffers.end(), buffer), FBuffers.end());
}

namespace {

// Moves a cursor by `bytes` (never past the end) and collects the events of the offsets it
// reached on the way: an offset fires when the cursor arrives at it.
void Advance(TSoftDevice::TBuffer& b, uint32_t bytes, std::vector<THandle>& fired) {
  const uint32_t size = static_cast<uint32_t>(b.Data.size());
  const uint32_t from = b.Cursor;
  const uint32_t to = from + bytes;
  for (const TDSBPositionNotify& p : b.Positions) {
    if (p.dwOffset == DSBPN_OFFSETSTOP) continue;
    const uint32_t at = p.dwOffset == 0 ? size : p.dwOffset;
    if (at > from && at <= to) fired.push_back(p.hEventNotify);
  }
  b.Cursor = to >= size ? 0 : to;
  if (to >= size && !b.Looping) {
    b.Playing = false;
    for (const TDSBPositionNotify& p : b.Positions)
      if (p.dwOffset == DSBPN_OFFSETSTOP) fired.push_back(p.hEventNotify);
  }
}

}  // namespace

void TSoftDevice::Render(uint8_t* out, uint32_t frames, std::vector<THandle>& fired) {
  std::lock_guard<std::mutex> guard(FLock);
  const TWaveFormatEx& p = FPrimary;
  const uint32_t samples = frames * p.nChannels;
  if (FMix.size() < samples) FMix.resize(samples);
  std::fill(FMix.begin(), FMix.begin() + samples, 0.0f);
  const uint32_t wanted = frames * p.nBlockAlign;
  for (TBuffer* b : FBuffers) {
    if (!b->Playing) continue;
    if (!b->Converter) {
      uint32_t done = 0;
      while (done < wanted && b->Playing) {
        const uint32_t chunk = std::min<uint32_t>(wanted - done, static_cast<uint32_t>(b->Data.size()) - b->Cursor);
        AddSamples(FMix.data() + done / (p.wBitsPerSample / 8), b->Data.data() + b->Cursor, chunk, p.wBitsPerSample,
                   b->Gain);
        done += chunk;
        Advance(*b, chunk, fired);
      }
      continue;
    }
    // Another format: feed the converter about as much as this period needs, so that the
    // cursor stays close to what is heard.
    const uint64_t needIn = (static_cast<uint64_t>(frames) * b->Format.nSamplesPerSec + p.nSamplesPerSec - 1) /
                            p.nSamplesPerSec;
    while (b->Playing && b->Converter->Available() < wanted) {
      const uint32_t chunk = std::min<uint32_t>(static_cast<uint32_t>(needIn + 1) * b->Format.nBlockAlign,
                                                static_cast<uint32_t>(b->Data.size()) - b->Cursor);
      if (!b->Converter->Put(b->Data.data() + b->Cursor, chunk)) break;
      Advance(*b, chunk, fired);
    }
    if (FScratch.size() < wanted) FScratch.resize(wanted);
    const uint32_t got = b->Converter->Get(FScratch.data(), std::min(wanted, b->Converter->Available()));
    AddSamples(FMix.data(), FScratch.data(), got - got % p.nBlockAlign, p.wBitsPerSample, b->Gain);
  }
  for (uint32_t i = 0; i < samples; ++i) {
    const float v = std::clamp(std::nearbyint(FMix[i]), -32768.0f, 32767.0f);
    if (p.wBitsPerSample == 8) {
      out[i] = static_cast<uint8_t>(std::clamp(std::lround(v / 256.0f) + 128, 0L, 255L));
    } else {
      const int16_t s = static_cast<int16_t>(v);
      out[2 * i] = static_cast<uint8_t>(s & 0xFF);
      out[2 * i + 1] = static_cast<uint8_t>((static_cast<uint16_t>(s) >> 8) & 0xFF);
    }
  }
}

uint64_t TSoftDevice::FramesToNextEvent() {
  std::lock_guard<std::mutex> guard(FLock);
  uint64_t best = UINT64_MAX;
  for (const TBuffer* b : FBuffers) {
    if (!b->Playing) continue;
    const uint32_t size = static_cast<uint32_t>(b->Data.size());
    for (const TDSBPositionNotify& n : b->Positions) {
      uint32_t bytes;
      if (n.dwOffset == DSBPN_OFFSETSTOP) {
        if (b->Looping) continue;
        bytes = size - b->Cursor;
      } else {
        bytes = n.dwOffset > b->Cursor ? n.dwOffset - b->Cursor : size - b->Cursor + n.dwOffset;
      }
      const uint64_t ownFrames = (bytes + b->Format.nBlockAlign - 1) / b->Format.nBlockAlign;
      const uint64_t frames =
          (ownFrames * FPrimary.nSamplesPerSec + b->Format.nSamplesPerSec - 1) / b->Format.nSamplesPerSec;
      best = std::min(best, frames);
    }
  }
  return best;
}

void TSoftDevice::Signal(const std::vector<THandle>& fired) {
  if (fired.empty()) return;
  std::lock_guard<std::mutex> guard(FClock.Lock());
  SignalLocked(fired);
}

void TSoftDevice::SignalLocked(const std::vector<THandle>& fired) {
  if (fired.empty()) return;
  for (THandle h : fired) FEvents.SetEventLocked(h);
  FClock.NotifyLocked();
}

// ---- the sound system ----

TSoftSoundSystem::TSoftSoundSystem(IClock& clock, ISoftOutput& output, TConverterFactory converters,
                                   std::string description)
    : FClock(clock), FOutput(output), FConverters(std::move(converters)), FDescription(std::move(description)),
      FEvents(clock) {}

HRESULT32 TSoftSoundSystem::DirectSoundCreate(const TGuid* guid, std::shared_ptr<IDirectSound>* out) {
  if (out == nullptr) return DSERR_INVALIDPARAM;
  if (FDescription.empty()) return DSERR_NODRIVER;
  auto device = std::make_shared<TSoftDevice>(FClock, FEvents, FOutput, FConverters);
  {
    std::lock_guard<std::mutex> guard(FDevicesLock);
    FDevices.erase(std::remove_if(FDevices.begin(), FDevices.end(),
                                  [](const std::weak_ptr<TSoftDevice>& d) { return d.expired(); }),
                   FDevices.end());
    FDevices.push_back(device);
  }
  *out = std::move(device);
  return S_OK32;
}

TSoftSoundSystem::TCensus TSoftSoundSystem::Census() {
  TCensus census;
  std::vector<std::shared_ptr<TSoftDevice>> alive;
  {
    std::lock_guard<std::mutex> guard(FDevicesLock);
    for (const std::weak_ptr<TSoftDevice>& d : FDevices)
      if (auto device = d.lock()) alive.push_back(std::move(device));
  }
  census.Devices = alive.size();
  for (const auto& device : alive) census.Buffers += device->BufferCount();
  census.Events = FEvents.LiveCount();
  return census;
}

HRESULT32 TSoftSoundSystem::DirectSoundEnumerate(const TDSEnumCallback& callback) {
  if (!callback) return DSERR_INVALIDPARAM;
  if (!FDescription.empty()) callback(nullptr, FDescription.c_str(), "");
  return S_OK32;
}

THandle TSoftSoundSystem::CreateEvent(bool manualReset, bool initialState) {
  return FEvents.CreateEvent(manualReset, initialState);
}

bool TSoftSoundSystem::SetEvent(THandle event) { return FEvents.SetEvent(event); }

bool TSoftSoundSystem::CloseHandle(THandle event) { return FEvents.CloseHandle(event); }

uint32_t TSoftSoundSystem::WaitForMultipleObjects(uint32_t count, const THandle* handles, bool waitAll,
                                                  uint32_t timeoutMs) {
  if (waitAll) return WAIT_FAILED;
  return FEvents.WaitForMultipleObjects(
      count, handles, timeoutMs, [this] { return NextEventMsLocked(); }, [this] { AdvanceLocked(); });
}

#ifndef PICTOVA_HAVE_SDL
TConverterFactory HostConverterFactory() { return {}; }
#endif
#if !defined(PICTOVA_HAVE_SNDFILE) && !defined(PICTOVA_HAVE_WIN32)
std::unique_ptr<IMultimediaStreams> CreateHostMultimediaStreams(ISoundSystem&) { return nullptr; }
#endif

}  // namespace pictova
