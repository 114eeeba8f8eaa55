// The object layer over the sound device: the result check, the device list, the device
// with its primary buffer, secondary buffers and the thread that turns their position
// events into calls on the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Sound.h"
#include "rtl/SysUtils.h"
#include "ui/Thread.h"

namespace pictova {

class EDirectXError : public Exception {
 public:
  EDirectXError(std::string message, int32_t code) : Exception(std::move(message)), FErrorCode(code) {}
  int32_t ErrorCode() const noexcept { return FErrorCode; }

 private:
  int32_t FErrorCode;
};

class EDirectSoundError : public EDirectXError {
 public:
  using EDirectXError::EDirectXError;
};

class EWrapperDirectSoundError : public Exception {
 public:
  using Exception::Exception;
};

extern const char* const kCouldNotLinkDSound;

// Returns for 0; raises EDirectSoundError for every other code, success codes included.
void DSCheck(HRESULT32 code);

struct TDSDevice {
  const TGuid* GuidPtr = nullptr;  // &Guid, or null for the primary sound driver
  TGuid Guid;
  std::string Description;
  std::string Module;
};

// The output devices in enumeration order.
class TDSDevices {
 public:
  TDSDevice& Add();
  TDSDevice& Items(int32_t index) const { return *FItems.at(static_cast<size_t>(index)); }
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  void Enumerate();

 private:
  std::vector<std::unique_ptr<TDSDevice>> FItems;  // items stay put: GuidPtr points into them
};

class TDirectSoundBuffer;

class TDirectSound {
 public:
  TDirectSound(const TGuid* guid, uint32_t extraPrimaryFlags);
  virtual ~TDirectSound();
  TDirectSound(const TDirectSound&) = delete;
  TDirectSound& operator=(const TDirectSound&) = delete;

  void GetPrimaryFormat(TWaveFormatEx& format);
  void SetPrimaryFormat(const TWaveFormatEx& format);
  void SetCooperativeLevel(uintptr_t window, uint32_t level);

  IDirectSound& DirectSound() const { return *FDirectSound; }
  TDirectSoundBuffer* PrimaryBuffer() const { return FPrimaryBuffer; }
  const std::vector<TDirectSoundBuffer*>& Buffers() const { return FBuffers; }

  // Registration, used by the buffers themselves.
  void AddBuffer(TDirectSoundBuffer* buffer);
  void RemoveBuffer(TDirectSoundBuffer* buffer);

 private:
  std::shared_ptr<IDirectSound> FDirectSound;
  std::vector<TDirectSoundBuffer*> FBuffers;
  TDirectSoundBuffer* FPrimaryBuffer = nullptr;
};

using TDSNotifyEvent = std::function<void(TDirectSoundBuffer* sender, int32_t index)>;

// Waits on the position events of one buffer and hands each to the main thread.
class TNotifyThread : public TThread {
 public:
  static constexpr int32_t kMaxPositions = 63;

  TNotifyThread(TDirectSoundBuffer* sender, const uint32_t* offsets, int32_t count,
                std::shared_ptr<IDirectSoundNotify> notify, TDSNotifyEvent handler);
  // Only from the main thread: ends the thread, letting a hand-over under way finish.
  ~TNotifyThread() override;

  int32_t Count() const { return FCount; }

 protected:
  void Execute() override;

 private:
  void Release();

  ISoundSystem& FSystem;
  TDSNotifyEvent FHandler;
  TDirectSoundBuffer* FSender;
  int32_t FIndex = 0;
  std::shared_ptr<IDirectSoundNotify> FNotify;
  THandle FTerminateEvent = nullptr;
  int32_t FCount = 0;
  std::vector<TDSBPositionNotify> FPositions;
  std::vector<THandle> FHandles;
};

class TDirectSoundBuffer {
 public:
  TDirectSoundBuffer(TDirectSound* owner, const TDSBufferDesc& description);
  // A second buffer playing the same memory (no code path of the program uses it).
  explicit TDirectSoundBuffer(TDirectSoundBuffer* existing);
  virtual ~TDirectSoundBuffer();
  TDirectSoundBuffer(const TDirectSoundBuffer&) = delete;
  TDirectSoundBuffer& operator=(const TDirectSoundBuffer&) = delete;

  uint32_t GetPlayPosition();
  void SetPlayPosition(uint32_t offset);
  void SetVolume(int32_t value);
  void Lock(uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2, uint32_t* bytes2,
            uint32_t flags);
  void Unlock(void* ptr1, uint32_t bytes1, void* ptr2, uint32_t bytes2);
  void Play(uint32_t flags);
  void Stop();
  // Replaces the position notifications; offsets may hold DSBPN_OFFSETSTOP.
  TNotifyThread* SetNotifications(int32_t count, const uint32_t* offsets);

  IDirectSoundBuffer& Interface() const { return *FBuffer; }
  TDirectSound* Owner() const { return FOwner; }
  TNotifyThread* NotifyThread() const { return FNotifyThread.get(); }

  TDSNotifyEvent OnNotify;

 private:
  void QueryInterfaces();
  void Notified(TDirectSoundBuffer* sender, int32_t index);

  std::shared_ptr<IDirectSoundBuffer> FBuffer;
  std::shared_ptr<IPlatformObject> F3DBuffer;
  std::shared_ptr<IPlatformObject> F3DListener;
  std::shared_ptr<IDirectSoundNotify> FNotify;
  std::shared_ptr<IPlatformObject> FPropertySet;
  TDirectSound* FOwner = nullptr;
  std::unique_ptr<TNotifyThread> FNotifyThread;
};

}  // namespace pictova
