// The sound services of the platform, shaped like the Windows interfaces the audio code
// calls: a DirectSound device with its buffers and position events, and a multimedia
// stream that decodes one audio file into memory the caller owns. The result codes are the
// platform's (HRESULT values); win32 forwards to the system, the other backends emulate.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pictova {

using HRESULT32 = int32_t;
// A kernel object handle (an event): pointer-sized, as on the platform.
using THandle = void*;

// ---- result codes ----
constexpr HRESULT32 S_OK32 = 0;
constexpr HRESULT32 S_FALSE32 = 1;
constexpr HRESULT32 MakeResult(uint32_t code) { return static_cast<HRESULT32>(code); }
constexpr HRESULT32 E_NOTIMPL32 = MakeResult(0x80004001);
constexpr HRESULT32 E_NOINTERFACE32 = MakeResult(0x80004002);
constexpr HRESULT32 E_POINTER32 = MakeResult(0x80004003);
constexpr HRESULT32 E_FAIL32 = MakeResult(0x80004005);
constexpr HRESULT32 E_OUTOFMEMORY32 = MakeResult(0x8007000E);
constexpr HRESULT32 E_INVALIDARG32 = MakeResult(0x80070057);
constexpr HRESULT32 REGDB_E_CLASSNOTREG32 = MakeResult(0x80040154);
constexpr HRESULT32 DSERR_INVALIDPARAM = MakeResult(0x80070057);
constexpr HRESULT32 DSERR_INVALIDCALL = MakeResult(0x88780032);
constexpr HRESULT32 DSERR_BADFORMAT = MakeResult(0x88780064);
constexpr HRESULT32 DSERR_NODRIVER = MakeResult(0x88780078);
constexpr HRESULT32 DSERR_UNSUPPORTED = MakeResult(0x80004001);
constexpr HRESULT32 DSERR_OUTOFMEMORY = MakeResult(0x8007000E);
constexpr HRESULT32 MS_S_ENDOFSTREAM = MakeResult(0x00040003);
constexpr HRESULT32 MS_E_NOSTREAM = MakeResult(0x80040403);
constexpr HRESULT32 MS_E_NOTINIT = MakeResult(0x80040407);
constexpr HRESULT32 MS_E_INCOMPATIBLE = MakeResult(0x80040405);
constexpr HRESULT32 MS_E_NOTRUNNING = MakeResult(0x8004040A);
constexpr HRESULT32 MS_E_NOSEEKING = MakeResult(0x80040404);
constexpr HRESULT32 VFW_E_UNKNOWN_FILE_TYPE = MakeResult(0x80040240);
constexpr HRESULT32 VFW_E_INVALID_FILE_FORMAT = MakeResult(0x80040241);
constexpr HRESULT32 FILE_NOT_FOUND_RESULT = MakeResult(0x80070002);

// ---- records ----
// The platform's PCM format record (18 bytes on the platform; copied field by field).
struct TWaveFormatEx {
  uint16_t wFormatTag = 0;
  uint16_t nChannels = 0;
  uint32_t nSamplesPerSec = 0;
  uint32_t nAvgBytesPerSec = 0;
  uint16_t nBlockAlign = 0;
  uint16_t wBitsPerSample = 0;
  uint16_t cbSize = 0;
};
constexpr uint16_t WAVE_FORMAT_PCM = 1;

struct TGuid {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  uint8_t Data4[8] = {};
};

struct TDSBufferDesc {
  uint32_t dwSize = 20;
  uint32_t dwFlags = 0;
  uint32_t dwBufferBytes = 0;
  uint32_t dwReserved = 0;
  const TWaveFormatEx* lpwfxFormat = nullptr;
};

struct TDSBPositionNotify {
  uint32_t dwOffset = 0;
  THandle hEventNotify = nullptr;
};

constexpr uint32_t DSBCAPS_PRIMARYBUFFER = 0x01;
constexpr uint32_t DSBCAPS_CTRL3D = 0x10;
constexpr uint32_t DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr uint32_t DSBCAPS_CTRLPAN = 0x40;
constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x80;
constexpr uint32_t DSBCAPS_CTRLPOSITIONNOTIFY = 0x100;
constexpr uint32_t DSBCAPS_GLOBALFOCUS = 0x8000;
constexpr uint32_t DSBCAPS_GETCURRENTPOSITION2 = 0x10000;
constexpr uint32_t DSBPLAY_LOOPING = 1;
constexpr uint32_t DSBPN_OFFSETSTOP = 0xFFFFFFFF;
constexpr uint32_t DSSCL_PRIORITY = 2;
constexpr int32_t DSBVOLUME_MIN = -10000;
constexpr int32_t DSBVOLUME_MAX = 0;
constexpr uint32_t DSBSIZE_MIN = 4;
constexpr uint32_t DSBSIZE_MAX = 0x0FFFFFFF;
constexpr uint32_t DSBFREQUENCY_MIN = 100;
constexpr uint32_t DSBFREQUENCY_MAX = 200000;

constexpr uint32_t WAIT_OBJECT_0 = 0;
constexpr uint32_t WAIT_FAILED = 0xFFFFFFFF;
constexpr uint32_t INFINITE_WAIT = 0xFFFFFFFF;
constexpr uint32_t MAXIMUM_WAIT_OBJECTS = 64;

// The extra interfaces a buffer may offer besides itself.
enum class TBufferInterface { Sound3DBuffer, Sound3DListener, Notify, PropertySet };

// A counted platform object (COM's IUnknown): shared ownership is the reference count.
class IPlatformObject {
 public:
  virtual ~IPlatformObject() = default;
};

class IDirectSoundNotify : public IPlatformObject {
 public:
  virtual HRESULT32 SetNotificationPositions(uint32_t count, const TDSBPositionNotify* positions) = 0;
};

class IDirectSoundBuffer : public IPlatformObject {
 public:
  virtual HRESULT32 QueryInterface(TBufferInterface which, std::shared_ptr<IPlatformObject>* out) = 0;
  virtual HRESULT32 GetFormat(TWaveFormatEx* format, uint32_t size, uint32_t* written) = 0;
  virtual HRESULT32 SetFormat(const TWaveFormatEx* format) = 0;
  virtual HRESULT32 GetCurrentPosition(uint32_t* play, uint32_t* write) = 0;
  virtual HRESULT32 SetCurrentPosition(uint32_t offset) = 0;
  virtual HRESULT32 SetVolume(int32_t volume) = 0;
  virtual HRESULT32 Lock(uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2,
                         uint32_t* bytes2, uint32_t flags) = 0;
  virtual HRESULT32 Unlock(void* ptr1, uint32_t bytes1, void* ptr2, uint32_t bytes2) = 0;
  virtual HRESULT32 Play(uint32_t reserved, uint32_t priority, uint32_t flags) = 0;
  virtual HRESULT32 Stop() = 0;
};

class IDirectSound : public IPlatformObject {
 public:
  virtual HRESULT32 CreateSoundBuffer(const TDSBufferDesc* desc, std::shared_ptr<IDirectSoundBuffer>* out) = 0;
  virtual HRESULT32 DuplicateSoundBuffer(const std::shared_ptr<IDirectSoundBuffer>& original,
                                         std::shared_ptr<IDirectSoundBuffer>* out) = 0;
  virtual HRESULT32 SetCooperativeLevel(uintptr_t window, uint32_t level) = 0;
};

// Arguments: GUID (null for the primary sound driver), description, module. Returning
// false ends the enumeration.
using TDSEnumCallback = std::function<bool(const TGuid* guid, const char* description, const char* module)>;

// The sound library (its two entry points) and the kernel events its notifications signal.
class ISoundSystem {
 public:
  virtual ~ISoundSystem() = default;
  // Whether the library's entry points were found when the program started.
  virtual bool HasDirectSoundCreate() const = 0;
  virtual bool HasDirectSoundEnumerate() const = 0;
  virtual HRESULT32 DirectSoundCreate(const TGuid* guid, std::shared_ptr<IDirectSound>* out) = 0;
  virtual HRESULT32 DirectSoundEnumerate(const TDSEnumCallback& callback) = 0;

  // Events: null on failure.
  virtual THandle CreateEvent(bool manualReset, bool initialState) = 0;
  virtual bool SetEvent(THandle event) = 0;
  virtual bool CloseHandle(THandle event) = 0;
  // WAIT_OBJECT_0 + index of a signalled handle, or WAIT_FAILED (wait-any only).
  virtual uint32_t WaitForMultipleObjects(uint32_t count, const THandle* handles, bool waitAll,
                                          uint32_t timeoutMs) = 0;
};

// ---- multimedia streams ----
constexpr uint32_t STREAMTYPE_READ = 0;
constexpr uint32_t AMMSF_NOGRAPHTHREAD = 1;
constexpr uint32_t AMMSF_RENDERTOEXISTING = 0;
constexpr uint32_t AMMSF_NOCLOCK = 4;
constexpr uint32_t AMMSF_RUN = 8;
constexpr int STREAMSTATE_STOP = 0;
constexpr int STREAMSTATE_RUN = 1;
enum class TPurposeId { PrimaryAudio };
using STREAM_TIME = int64_t;  // 100 ns units

class IAudioData : public IPlatformObject {
 public:
  virtual HRESULT32 SetBuffer(uint32_t size, void* data, uint32_t flags) = 0;
  virtual HRESULT32 GetInfo(uint32_t* length, void** data, uint32_t* actual) = 0;
  virtual HRESULT32 SetFormat(const TWaveFormatEx* format) = 0;
};

class IAudioStreamSample : public IPlatformObject {
 public:
  // flags, completion event (or null for a synchronous update), APC routine and context.
  virtual HRESULT32 Update(uint32_t flags, THandle event, void* apc, uintptr_t context) = 0;
  virtual HRESULT32 GetSampleTimes(STREAM_TIME* start, STREAM_TIME* end, STREAM_TIME* current) = 0;
};

class IMediaStream : public IPlatformObject {};

class IAudioMediaStream : public IMediaStream {
 public:
  virtual HRESULT32 GetFormat(TWaveFormatEx* format) = 0;
  virtual HRESULT32 CreateSample(const std::shared_ptr<IAudioData>& data, uint32_t flags,
                                 std::shared_ptr<IAudioStreamSample>* out) = 0;
};

class IAMMultiMediaStream : public IPlatformObject {
 public:
  virtual HRESULT32 Initialize(uint32_t streamType, uint32_t flags) = 0;
  virtual HRESULT32 AddMediaStream(TPurposeId purpose, uint32_t flags) = 0;
  virtual HRESULT32 GetMediaStream(TPurposeId purpose, std::shared_ptr<IMediaStream>* out) = 0;
  virtual HRESULT32 OpenFile(const std::u16string& fileName, uint32_t flags) = 0;
  virtual HRESULT32 GetDuration(STREAM_TIME* duration) = 0;
  virtual HRESULT32 Seek(STREAM_TIME time) = 0;
  virtual HRESULT32 SetState(int state) = 0;
};

// What the process's COM runtime offers for audio decoding.
class IMultimediaStreams {
 public:
  virtual ~IMultimediaStreams() = default;
  virtual HRESULT32 CreateMultiMediaStream(std::shared_ptr<IAMMultiMediaStream>* out) = 0;
  virtual HRESULT32 CreateAudioData(std::shared_ptr<IAudioData>* out) = 0;
  // The result of creating (and at once releasing) a filter graph.
  virtual HRESULT32 CreateFilterGraph() = 0;
  // The platform's text for a code, or empty when it has none.
  virtual std::string GetErrorText(HRESULT32 code) = 0;
};

// The multimedia streams of the host (libsndfile on Linux, DirectShow on Windows); null
// where the build has none. `events` signals the completion events of sample updates.
std::unique_ptr<IMultimediaStreams> CreateHostMultimediaStreams(ISoundSystem& events);

}  // namespace pictova
