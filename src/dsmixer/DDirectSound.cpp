// The object layer over the sound device.
#include "dsmixer/DDirectSound.h"

#include <algorithm>

#include "platform/Platform.h"

namespace pictova {

const char* const kCouldNotLinkDSound = "Couldn't link to DSOUND.DLL. Check your DirectSound installation.";

namespace {

const char* DSErrorText(uint32_t code) {
  switch (code) {
    case 0x80004001: return "The function called is not supported at this time";
    case 0x80004005: return "An undetermined error occured inside the DSound subsystem";
    case 0x80040110: return "This object does not support aggregation";
    case 0x8007000E: return "The DSound subsystem couldn't allocate sufficient memory to complete the caller's request.";
    case 0x80070057: return "An invalid parameter was passed to the returning function.";
    case 0x8878000A:
      return "The call failed because resources (such as a priority level) were already being used by another caller.";
    case 0x8878001E: return "The control (vol,pan,etc.) requested by the caller is not available.";
    case 0x88780032: return "This call is not valid for the current state of this object";
    case 0x88780046: return "The caller does not have the priority level required for the function to succeed.";
    case 0x88780064: return "The specified WAVE format is not supported";
    case 0x88780078: return "No sound driver is available for use";
    case 0x88780082: return "This object is already initialized";
    case 0x88780096: return "The buffer memory has been lost, and must be Restored.";
    case 0x887800A0: return "Another app has a higher priority level, preventing this call from succeeding.";
    case 0x887800AA:
      return "The Initialize() member on the Direct Sound Object has not been called or called successfully before "
             "calls to other members.";
    default: return "Unrecognized error value.";
  }
}

ISoundSystem& Sound() { return Platform().SoundSystem(); }

}  // namespace

void DSCheck(HRESULT32 code) {
  if (code == 0) return;
  const uint32_t u = static_cast<uint32_t>(code);
  throw EDirectSoundError(Format("DirectSound call failed: %X", u) + '\r' + DSErrorText(u), code);
}

// ---- the device list ----

TDSDevice& TDSDevices::Add() {
  FItems.push_back(std::make_unique<TDSDevice>());
  return *FItems.back();
}

void TDSDevices::Enumerate() {
  ISoundSystem& sound = Sound();
  if (!sound.HasDirectSoundEnumerate()) throw EWrapperDirectSoundError(kCouldNotLinkDSound);
  DSCheck(sound.DirectSoundEnumerate([this](const TGuid* guid, const char* description, const char* module) {
    TDSDevice& item = Add();
    if (guid != nullptr) {
      item.Guid = *guid;
      item.GuidPtr = &item.Guid;
    }
    item.Description = description != nullptr ? description : "";
    item.Module = module != nullptr ? module : "";
    return true;
  }));
}

// ---- the device ----

TDirectSound::TDirectSound(const TGuid* guid, uint32_t extraPrimaryFlags) {
  ISoundSystem& sound = Sound();
  if (!sound.HasDirectSoundCreate()) throw EWrapperDirectSoundError(kCouldNotLinkDSound);
  DSCheck(sound.DirectSoundCreate(guid, &FDirectSound));
  TDSBufferDesc description;
  description.dwFlags = extraPrimaryFlags | DSBCAPS_CTRL3D | DSBCAPS_PRIMARYBUFFER;
  description.dwBufferBytes = 0;
  description.lpwfxFormat = nullptr;
  // A failing primary buffer leaves nothing registered; the interface goes with the member.
  FPrimaryBuffer = new TDirectSoundBuffer(this, description);
}

TDirectSound::~TDirectSound() {
  // First registered first: the primary buffer, then the secondary buffers still alive.
  while (!FBuffers.empty()) delete FBuffers.front();
  FPrimaryBuffer = nullptr;
  FDirectSound.reset();
}

void TDirectSound::GetPrimaryFormat(TWaveFormatEx& format) {
  DSCheck(FPrimaryBuffer->Interface().GetFormat(&format, 18, nullptr));
}

void TDirectSound::SetPrimaryFormat(const TWaveFormatEx& format) {
  DSCheck(FPrimaryBuffer->Interface().SetFormat(&format));
}

void TDirectSound::SetCooperativeLevel(uintptr_t window, uint32_t level) {
  DSCheck(FDirectSound->SetCooperativeLevel(window, level));
}

void TDirectSound::AddBuffer(TDirectSoundBuffer* buffer) {
  if (buffer != nullptr && std::find(FBuffers.begin(), FBuffers.end(), buffer) == FBuffers.end())
    FBuffers.push_back(buffer);
}

void TDirectSound::RemoveBuffer(TDirectSoundBuffer* buffer) {
  FBuffers.erase(std::remove(FBuffers.begin(), FBuffers.end(), buffer), FBuffers.end());
}

// ---- buffers ----

TDirectSoundBuffer::TDirectSoundBuffer(TDirectSound* owner, const TDSBufferDesc& description) : FOwner(owner) {
  DSCheck(owner->DirectSound().CreateSoundBuffer(&description, &FBuffer));
  QueryInterfaces();
  owner->AddBuffer(this);
}

TDirectSoundBuffer::TDirectSoundBuffer(TDirectSoundBuffer* existing) : FOwner(existing->Owner()) {
  DSCheck(FOwner->DirectSound().DuplicateSoundBuffer(existing->FBuffer, &FBuffer));
  QueryInterfaces();
  FOwner->AddBuffer(this);
}

void TDirectSoundBuffer::QueryInterfaces() {
  // Each is absent where the buffer does not offer it; only the notify interface is used.
  FBuffer->QueryInterface(TBufferInterface::Sound3DBuffer, &F3DBuffer);
  FBuffer->QueryInterface(TBufferInterface::Sound3DListener, &F3DListener);
  std::shared_ptr<IPlatformObject> notify;
  FBuffer->QueryInterface(TBufferInterface::Notify, &notify);
  FNotify = std::dynamic_pointer_cast<IDirectSoundNotify>(notify);
  FBuffer->QueryInterface(TBufferInterface::PropertySet, &FPropertySet);
}

TDirectSoundBuffer::~TDirectSoundBuffer() {
  FNotifyThread.reset();
  F3DBuffer.reset();
  F3DListener.reset();
  FNotify.reset();
  FPropertySet.reset();
  FBuffer.reset();
  if (FOwner != nullptr) FOwner->RemoveBuffer(this);
  FOwner = nullptr;
}

uint32_t TDirectSoundBuffer::GetPlayPosition() {
  uint32_t play = 0;
  uint32_t write = 0;
  DSCheck(FBuffer->GetCurrentPosition(&play, &write));
  return play;
}

void TDirectSoundBuffer::SetPlayPosition(uint32_t offset) { DSCheck(FBuffer->SetCurrentPosition(offset)); }

void TDirectSoundBuffer::SetVolume(int32_t value) { DSCheck(FBuffer->SetVolume(value)); }

void TDirectSoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2,
                              uint32_t* bytes2, uint32_t flags) {
  DSCheck(FBuffer->Lock(offset, bytes, ptr1, bytes1, ptr2, bytes2, flags));
}

void TDirectSoundBuffer::Unlock(void* ptr1, uint32_t bytes1, void* ptr2, uint32_t bytes2) {
  DSCheck(FBuffer->Unlock(ptr1, bytes1, ptr2, bytes2));
}

void TDirectSoundBuffer::Play(uint32_t flags) { DSCheck(FBuffer->Play(0, 0, flags)); }

void TDirectSoundBuffer::Stop() { DSCheck(FBuffer->Stop()); }

TNotifyThread* TDirectSoundBuffer::SetNotifications(int32_t count, const uint32_t* offsets) {
  if (!FNotify) throw EAssertionFailed("DirectSoundNotify interface is nil");
  FNotifyThread.reset();
  FNotifyThread = std::make_unique<TNotifyThread>(this, offsets, count, FNotify,
                                                  [this](TDirectSoundBuffer* s, int32_t i) { Notified(s, i); });
  return FNotifyThread.get();
}

void TDirectSoundBuffer::Notified(TDirectSoundBuffer* sender, int32_t index) {
  if (OnNotify) OnNotify(sender, index);
}

// ---- the notification thread ----

TNotifyThread::TNotifyThread(TDirectSoundBuffer* sender, const uint32_t* offsets, int32_t count,
                             std::shared_ptr<IDirectSoundNotify> notify, TDSNotifyEvent handler)
    : TThread(true), FSystem(Sound()) {
  // One wait handle of the platform's 64 is the terminate event.
  if (count < 0 || count + 1 > static_cast<int32_t>(MAXIMUM_WAIT_OBJECTS))
    throw EWrapperDirectSoundError("Notification positions exceed maximum of " + std::to_string(MAXIMUM_WAIT_OBJECTS));
  try {
    FTerminateEvent = FSystem.CreateEvent(true, false);
    if (FTerminateEvent == nullptr) throw EWrapperDirectSoundError("Error creating event");
    FSender = sender;
    FHandler = std::move(handler);
    FNotify = std::move(notify);
    FCount = count;
    FPositions.assign(static_cast<size_t>(count), TDSBPositionNotify{});
    FHandles.assign(static_cast<size_t>(count) + 1, nullptr);
    for (int32_t i = 0; i < count; ++i) {
      FPositions[i].dwOffset = offsets[i];
      THandle event = FSystem.CreateEvent(false, false);
      if (event == nullptr) throw EWrapperDirectSoundError("Error creating event");
      FPositions[i].hEventNotify = event;
      FHandles[i] = event;
    }
    FHandles[count] = FTerminateEvent;
    DSCheck(FNotify->SetNotificationPositions(static_cast<uint32_t>(count), FPositions.data()));
  } catch (...) {
    // The thread never started: release what exists and let the error go on.
    Release();
    throw;
  }
  Start();
}

TNotifyThread::~TNotifyThread() {
  Terminate();
  FSystem.SetEvent(FTerminateEvent);
  // Waiting runs the hand-overs that reach the main thread meanwhile, this thread's own
  // last one included, so the thread can always end.
  try {
    WaitFor();
  } catch (const Exception&) {
    TerminateAndWait();  // destroyed from inside its own hand-over
  }
  Release();
}

void TNotifyThread::Release() {
  for (const TDSBPositionNotify& p : FPositions)
    if (p.hEventNotify != nullptr) FSystem.CloseHandle(p.hEventNotify);
  FPositions.clear();
  FHandles.clear();
  if (FTerminateEvent != nullptr) FSystem.CloseHandle(FTerminateEvent);
  FTerminateEvent = nullptr;
  FNotify.reset();
}

void TNotifyThread::Execute() {
  const uint32_t all = static_cast<uint32_t>(FCount) + 1;
  while (!Terminated()) {
    const uint32_t result = FSystem.WaitForMultipleObjects(all, FHandles.data(), false, INFINITE_WAIT);
    if (result >= WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + static_cast<uint32_t>(FCount)) {
      FIndex = static_cast<int32_t>(result - WAIT_OBJECT_0);
      Synchronize([this] { FHandler(FSender, FIndex); });
    }
    // The terminate event or a failed wait: look at the terminated flag again.
  }
}

}  // namespace pictova
