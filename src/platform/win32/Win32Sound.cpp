// The win32 sound services: DirectSound from DSound.dll, loaded when the program starts,
// and DirectShow's multimedia streams through COM; each call forwarded as it is.
#include "platform/win32/Win32Api.h"

#include <objbase.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <dsound.h>
#include <amstream.h>

#undef DirectSoundEnumerate

#include <cstring>

#include "platform/win32/Win32Platform.h"

namespace pictova {
namespace {

// The platform's identifiers, written out so that no import library is needed.
const GUID kIIDDirectSoundNotify = {0xB0210783, 0x89CD, 0x11D0, {0xAF, 0x08, 0x00, 0xA0, 0xC9, 0x25, 0xCD, 0x16}};
const GUID kIIDDirectSound3DBuffer = {0x279AFA86, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
const GUID kIIDDirectSound3DListener = {0x279AFA84, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
const GUID kIIDKsPropertySet = {0x31EFAC30, 0x515C, 0x11D0, {0xA9, 0xAA, 0x00, 0xAA, 0x00, 0x61, 0xBE, 0x93}};
const GUID kCLSIDAMMultiMediaStream = {0x49C47CE5, 0x9BA4, 0x11D0, {0x82, 0x12, 0x00, 0xC0, 0x4F, 0xC3, 0x2C, 0x45}};
const GUID kIIDAMMultiMediaStream = {0xBEBE595C, 0x9A6F, 0x11D0, {0x8F, 0xDE, 0x00, 0xC0, 0x4F, 0xD9, 0x18, 0x9D}};
const GUID kMSPIDPrimaryAudio = {0xA35FF56B, 0x9FDA, 0x11D0, {0x8F, 0xDF, 0x00, 0xC0, 0x4F, 0xD9, 0x18, 0x9D}};
const GUID kIIDAudioMediaStream = {0xF7537560, 0xA3BE, 0x11D0, {0x82, 0x12, 0x00, 0xC0, 0x4F, 0xC3, 0x2C, 0x45}};
const GUID kCLSIDAMAudioData = {0xF2468580, 0xAF8A, 0x11D0, {0x82, 0x12, 0x00, 0xC0, 0x4F, 0xC3, 0x2C, 0x45}};
const GUID kIIDAudioData = {0x54C719C0, 0xAF60, 0x11D0, {0x82, 0x12, 0x00, 0xC0, 0x4F, 0xC3, 0x2C, 0x45}};
const GUID kCLSIDFilterGraph = {0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const GUID kIIDGraphBuilder = {0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// One counted reference of a COM object, released with the wrapper.
template <class I>
class TCom {
 public:
  explicit TCom(I* p = nullptr) : FPtr(p) {}
  ~TCom() {
    if (FPtr != nullptr) FPtr->Release();
  }
  TCom(const TCom&) = delete;
  TCom& operator=(const TCom&) = delete;
  I* operator->() const { return FPtr; }
  I* Get() const { return FPtr; }

 private:
  I* FPtr;
};

WAVEFORMATEX ToWin(const TWaveFormatEx& f) {
  WAVEFORMATEX w{};
  w.wFormatTag = f.wFormatTag;
  w.nChannels = f.nChannels;
  w.nSamplesPerSec = f.nSamplesPerSec;
  w.nAvgBytesPerSec = f.nAvgBytesPerSec;
  w.nBlockAlign = f.nBlockAlign;
  w.wBitsPerSample = f.wBitsPerSample;
  w.cbSize = f.cbSize;
  return w;
}

TWaveFormatEx FromWin(const WAVEFORMATEX& w) {
  TWaveFormatEx f;
  f.wFormatTag = w.wFormatTag;
  f.nChannels = w.nChannels;
  f.nSamplesPerSec = w.nSamplesPerSec;
  f.nAvgBytesPerSec = w.nAvgBytesPerSec;
  f.nBlockAlign = w.nBlockAlign;
  f.wBitsPerSample = w.wBitsPerSample;
  f.cbSize = w.cbSize;
  return f;
}

// ---- DirectSound ----

class TWinUnknown : public IPlatformObject {
 public:
  explicit TWinUnknown(IUnknown* p) : FObject(p) {}

 private:
  TCom<IUnknown> FObject;
};

class TWinNotify : public IDirectSoundNotify {
 public:
  explicit TWinNotify(::IDirectSoundNotify* p) : FNotify(p) {}
  HRESULT32 SetNotificationPositions(uint32_t count, const TDSBPositionNotify* positions) override {
    std::vector<DSBPOSITIONNOTIFY> list(count);
    for (uint32_t i = 0; i < count; ++i) {
      list[i].dwOffset = positions[i].dwOffset;
      list[i].hEventNotify = static_cast<HANDLE>(positions[i].hEventNotify);
    }
    return FNotify->SetNotificationPositions(count, count > 0 ? list.data() : nullptr);
  }

 private:
  TCom<::IDirectSoundNotify> FNotify;
};

class TWinBuffer : public IDirectSoundBuffer {
 public:
  explicit TWinBuffer(::IDirectSoundBuffer* p) : FBuffer(p) {}
  ::IDirectSoundBuffer* Raw() const { return FBuffer.Get(); }

  HRESULT32 QueryInterface(TBufferInterface which, std::shared_ptr<IPlatformObject>* out) override {
    const GUID* iid = which == TBufferInterface::Notify            ? &kIIDDirectSoundNotify
                      : which == TBufferInterface::Sound3DBuffer   ? &kIIDDirectSound3DBuffer
                      : which == TBufferInterface::Sound3DListener ? &kIIDDirectSound3DListener
                                                                   : &kIIDKsPropertySet;
    void* p = nullptr;
    const HRESULT hr = FBuffer->QueryInterface(*iid, &p);
    out->reset();
    if (FAILED(hr) || p == nullptr) return hr;
    if (which == TBufferInterface::Notify) {
      *out = std::make_shared<TWinNotify>(static_cast<::IDirectSoundNotify*>(p));
    } else {
      *out = std::make_shared<TWinUnknown>(static_cast<IUnknown*>(p));
    }
    return hr;
  }
  HRESULT32 GetFormat(TWaveFormatEx* format, uint32_t size, uint32_t* written) override {
    WAVEFORMATEX w{};
    DWORD got = 0;
    const HRESULT hr = FBuffer->GetFormat(&w, size, written != nullptr ? &got : nullptr);
    if (SUCCEEDED(hr)) *format = FromWin(w);
    if (written != nullptr) *written = got;
    return hr;
  }
  HRESULT32 SetFormat(const TWaveFormatEx* format) override {
    const WAVEFORMATEX w = ToWin(*format);
    return FBuffer->SetFormat(&w);
  }
  HRESULT32 GetCurrentPosition(uint32_t* play, uint32_t* write) override {
    DWORD p = 0, w = 0;
    const HRESULT hr = FBuffer->GetCurrentPosition(&p, &w);
    if (play != nullptr) *play = p;
    if (write != nullptr) *write = w;
    return hr;
  }
  HRESULT32 SetCurrentPosition(uint32_t offset) override { return FBuffer->SetCurrentPosition(offset); }
  HRESULT32 SetVolume(int32_t volume) override { return FBuffer->SetVolume(volume); }
  HRESULT32 Lock(uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2, uint32_t* bytes2,
                 uint32_t flags) override {
    DWORD b1 = 0, b2 = 0;
    const HRESULT hr = FBuffer->Lock(offset, bytes, ptr1, &b1, ptr2, ptr2 != nullptr ? &b2 : nullptr, flags);
    if (bytes1 != nullptr) *bytes1 = b1;
    if (bytes2 != nullptr) *bytes2 = b2;
    return hr;
  }
  HRESULT32 Unlock(void* ptr1, uint32_t bytes1, void* ptr2, uint32_t bytes2) override {
    return FBuffer->Unlock(ptr1, bytes1, ptr2, bytes2);
  }
  HRESULT32 Play(uint32_t reserved, uint32_t priority, uint32_t flags) override {
    return FBuffer->Play(reserved, priority, flags);
  }
  HRESULT32 Stop() override { return FBuffer->Stop(); }

 private:
  TCom<::IDirectSoundBuffer> FBuffer;
};

class TWinDirectSound : public IDirectSound {
 public:
  explicit TWinDirectSound(::IDirectSound* p) : FDevice(p) {}
  HRESULT32 CreateSoundBuffer(const TDSBufferDesc* desc, std::shared_ptr<IDirectSoundBuffer>* out) override {
    // The short form of the description (no 3-D algorithm), as the engine always passes it.
    DSBUFFERDESC1 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = desc->dwFlags;
    d.dwBufferBytes = desc->dwBufferBytes;
    WAVEFORMATEX w{};
    if (desc->lpwfxFormat != nullptr) {
      w = ToWin(*desc->lpwfxFormat);
      d.lpwfxFormat = &w;
    }
    ::IDirectSoundBuffer* buffer = nullptr;
    const HRESULT hr = FDevice->CreateSoundBuffer(reinterpret_cast<const DSBUFFERDESC*>(&d), &buffer, nullptr);
    if (SUCCEEDED(hr) && buffer != nullptr) *out = std::make_shared<TWinBuffer>(buffer);
    return hr;
  }
  HRESULT32 DuplicateSoundBuffer(const std::shared_ptr<IDirectSoundBuffer>& original,
                                 std::shared_ptr<IDirectSoundBuffer>* out) override {
    auto* own = dynamic_cast<TWinBuffer*>(original.get());
    if (own == nullptr) return DSERR_INVALIDPARAM;
    ::IDirectSoundBuffer* buffer = nullptr;
    const HRESULT hr = FDevice->DuplicateSoundBuffer(own->Raw(), &buffer);
    if (SUCCEEDED(hr) && buffer != nullptr) *out = std::make_shared<TWinBuffer>(buffer);
    return hr;
  }
  HRESULT32 SetCooperativeLevel(uintptr_t window, uint32_t level) override {
    // 0 stands for the desktop window.
    HWND hwnd = window != 0 ? reinterpret_cast<HWND>(window) : ::GetDesktopWindow();
    return FDevice->SetCooperativeLevel(hwnd, level);
  }

 private:
  TCom<::IDirectSound> FDevice;
};

using TDirectSoundCreateProc = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);
using TDirectSoundEnumerateProc = HRESULT(WINAPI*)(LPDSENUMCALLBACKA, LPVOID);

class TWin32SoundSystem : public ISoundSystem {
 public:
  TWin32SoundSystem() {
    // Loaded once at start; a missing library or export leaves its entry point empty.
    FLibrary = ::LoadLibraryA("DSound.dll");
    if (FLibrary != nullptr) {
      FCreate = reinterpret_cast<TDirectSoundCreateProc>(
          reinterpret_cast<void*>(::GetProcAddress(FLibrary, "DirectSoundCreate")));
      FEnumerate = reinterpret_cast<TDirectSoundEnumerateProc>(
          reinterpret_cast<void*>(::GetProcAddress(FLibrary, "DirectSoundEnumerateA")));
    }
  }
  ~TWin32SoundSystem() override {
    if (FLibrary != nullptr) ::FreeLibrary(FLibrary);
  }

  bool HasDirectSoundCreate() const override { return FCreate != nullptr; }
  bool HasDirectSoundEnumerate() const override { return FEnumerate != nullptr; }
  HRESULT32 DirectSoundCreate(const TGuid* guid, std::shared_ptr<IDirectSound>* out) override {
    GUID g;
    if (guid != nullptr) static_assert(sizeof(GUID) == sizeof(TGuid), "GUID layout");
    if (guid != nullptr) std::memcpy(&g, guid, sizeof g);
    LPDIRECTSOUND device = nullptr;
    const HRESULT hr = FCreate(guid != nullptr ? &g : nullptr, &device, nullptr);
    if (SUCCEEDED(hr) && device != nullptr) *out = std::make_shared<TWinDirectSound>(device);
    return hr;
  }
  HRESULT32 DirectSoundEnumerate(const TDSEnumCallback& callback) override {
    return FEnumerate(&TWin32SoundSystem::EnumCallback, const_cast<TDSEnumCallback*>(&callback));
  }
  THandle CreateEvent(bool manualReset, bool initialState) override {
    return ::CreateEventA(nullptr, manualReset, initialState, nullptr);
  }
  bool SetEvent(THandle event) override { return ::SetEvent(static_cast<HANDLE>(event)) != 0; }
  bool CloseHandle(THandle event) override { return ::CloseHandle(static_cast<HANDLE>(event)) != 0; }
  uint32_t WaitForMultipleObjects(uint32_t count, const THandle* handles, bool waitAll, uint32_t timeoutMs) override {
    return ::WaitForMultipleObjects(count, reinterpret_cast<const HANDLE*>(handles), waitAll, timeoutMs);
  }

 private:
  static BOOL CALLBACK EnumCallback(LPGUID guid, LPCSTR description, LPCSTR module, LPVOID context) {
    TGuid g;
    if (guid != nullptr) std::memcpy(&g, guid, sizeof g);
    // An exception must not cross the system's frame: a failing callback ends enumeration.
    try {
      return (*static_cast<TDSEnumCallback*>(context))(guid != nullptr ? &g : nullptr, description, module) ? TRUE
                                                                                                             : FALSE;
    } catch (...) {
      return FALSE;
    }
  }

  HMODULE FLibrary = nullptr;
  TDirectSoundCreateProc FCreate = nullptr;
  TDirectSoundEnumerateProc FEnumerate = nullptr;
};

// ---- multimedia streams ----

class TWinAudioData : public IAudioData {
 public:
  explicit TWinAudioData(::IAudioData* p) : FData(p) {}
  ::IAudioData* Raw() const { return FData.Get(); }
  HRESULT32 SetBuffer(uint32_t size, void* data, uint32_t flags) override {
    return FData->SetBuffer(size, static_cast<BYTE*>(data), flags);
  }
  HRESULT32 GetInfo(uint32_t* length, void** data, uint32_t* actual) override {
    DWORD len = 0, act = 0;
    BYTE* ptr = nullptr;
    const HRESULT hr = FData->GetInfo(&len, &ptr, &act);
    if (length != nullptr) *length = len;
    if (data != nullptr) *data = ptr;
    if (actual != nullptr) *actual = act;
    return hr;
  }
  HRESULT32 SetFormat(const TWaveFormatEx* format) override {
    const WAVEFORMATEX w = ToWin(*format);
    return FData->SetFormat(&w);
  }

 private:
  TCom<::IAudioData> FData;
};

class TWinSample : public IAudioStreamSample {
 public:
  TWinSample(::IAudioStreamSample* p, bool kernelEvents, ISoundSystem& events)
      : FSample(p), FKernelEvents(kernelEvents), FEvents(events) {}
  HRESULT32 Update(uint32_t flags, THandle event, void* apc, uintptr_t context) override {
    if (FKernelEvents || event == nullptr)
      return FSample->Update(flags, static_cast<HANDLE>(event), reinterpret_cast<PAPCFUNC>(apc), context);
    // Events that are not the kernel's (the headless backend): update at once, then signal.
    const HRESULT hr = FSample->Update(flags, nullptr, nullptr, 0);
    if (hr == S_OK) FEvents.SetEvent(event);
    return hr;
  }
  HRESULT32 GetSampleTimes(STREAM_TIME* start, STREAM_TIME* end, STREAM_TIME* current) override {
    ::STREAM_TIME s = 0, e = 0, c = 0;
    const HRESULT hr = FSample->GetSampleTimes(&s, &e, &c);
    if (start != nullptr) *start = s;
    if (end != nullptr) *end = e;
    if (current != nullptr) *current = c;
    return hr;
  }

 private:
  TCom<::IAudioStreamSample> FSample;
  bool FKernelEvents;
  ISoundSystem& FEvents;
};

class TWinMediaStream : public IMediaStream {
 public:
  explicit TWinMediaStream(::IMediaStream* p) : FStream(p) {}

 private:
  TCom<::IMediaStream> FStream;
};

class TWinAudioStream : public IAudioMediaStream {
 public:
  TWinAudioStream(::IMediaStream* media, ::IAudioMediaStream* audio, bool kernelEvents, ISoundSystem& events)
      : FMedia(media), FAudio(audio), FKernelEvents(kernelEvents), FEvents(events) {}
  HRESULT32 GetFormat(TWaveFormatEx* format) override {
    WAVEFORMATEX w{};
    const HRESULT hr = FAudio->GetFormat(&w);
    if (SUCCEEDED(hr)) *format = FromWin(w);
    return hr;
  }
  HRESULT32 CreateSample(const std::shared_ptr<IAudioData>& data, uint32_t flags,
                         std::shared_ptr<IAudioStreamSample>* out) override {
    auto* own = dynamic_cast<TWinAudioData*>(data.get());
    if (own == nullptr) return E_INVALIDARG;
    ::IAudioStreamSample* sample = nullptr;
    const HRESULT hr = FAudio->CreateSample(own->Raw(), flags, &sample);
    if (SUCCEEDED(hr) && sample != nullptr) *out = std::make_shared<TWinSample>(sample, FKernelEvents, FEvents);
    return hr;
  }

 private:
  TCom<::IMediaStream> FMedia;
  TCom<::IAudioMediaStream> FAudio;
  bool FKernelEvents;
  ISoundSystem& FEvents;
};

class TWinMultiMediaStream : public IAMMultiMediaStream {
 public:
  TWinMultiMediaStream(::IAMMultiMediaStream* p, bool kernelEvents, ISoundSystem& events)
      : FStream(p), FKernelEvents(kernelEvents), FEvents(events) {}
  HRESULT32 Initialize(uint32_t streamType, uint32_t flags) override {
    return FStream->Initialize(static_cast<STREAM_TYPE>(streamType), flags, nullptr);
  }
  HRESULT32 AddMediaStream(TPurposeId, uint32_t flags) override {
    return FStream->AddMediaStream(nullptr, &kMSPIDPrimaryAudio, flags, nullptr);
  }
  HRESULT32 GetMediaStream(TPurposeId, std::shared_ptr<IMediaStream>* out) override {
    ::IMediaStream* media = nullptr;
    const HRESULT hr = FStream->GetMediaStream(kMSPIDPrimaryAudio, &media);
    if (FAILED(hr) || media == nullptr) return hr;
    // The audio interface is asked for here, so that the caller's query finds it.
    void* audio = nullptr;
    if (SUCCEEDED(media->QueryInterface(kIIDAudioMediaStream, &audio)) && audio != nullptr) {
      media->AddRef();
      *out = std::make_shared<TWinAudioStream>(media, static_cast<::IAudioMediaStream*>(audio), FKernelEvents,
                                               FEvents);
      media->Release();
    } else {
      *out = std::make_shared<TWinMediaStream>(media);
    }
    return hr;
  }
  HRESULT32 OpenFile(const std::u16string& fileName, uint32_t flags) override {
    return FStream->OpenFile(reinterpret_cast<LPCWSTR>(fileName.c_str()), flags);
  }
  HRESULT32 GetDuration(STREAM_TIME* duration) override {
    ::STREAM_TIME d = 0;
    const HRESULT hr = FStream->GetDuration(&d);
    *duration = d;
    return hr;
  }
  HRESULT32 Seek(STREAM_TIME time) override { return FStream->Seek(time); }
  HRESULT32 SetState(int state) override { return FStream->SetState(static_cast<STREAM_STATE>(state)); }

 private:
  TCom<::IAMMultiMediaStream> FStream;
  bool FKernelEvents;
  ISoundSystem& FEvents;
};

using TAMGetErrorTextProc = DWORD(WINAPI*)(HRESULT, LPSTR, DWORD);

class TWin32MultimediaStreams : public IMultimediaStreams {
 public:
  TWin32MultimediaStreams(bool kernelEvents, ISoundSystem& events) : FKernelEvents(kernelEvents), FEvents(events) {
    FComReady = SUCCEEDED(::CoInitialize(nullptr));
    FQuartz = ::LoadLibraryA("quartz.dll");
    if (FQuartz != nullptr)
      FErrorText = reinterpret_cast<TAMGetErrorTextProc>(
          reinterpret_cast<void*>(::GetProcAddress(FQuartz, "AMGetErrorTextA")));
  }
  ~TWin32MultimediaStreams() override {
    if (FQuartz != nullptr) ::FreeLibrary(FQuartz);
    if (FComReady) ::CoUninitialize();
  }
  HRESULT32 CreateMultiMediaStream(std::shared_ptr<IAMMultiMediaStream>* out) override {
    void* p = nullptr;
    const HRESULT hr =
        ::CoCreateInstance(kCLSIDAMMultiMediaStream, nullptr, CLSCTX_INPROC_SERVER, kIIDAMMultiMediaStream, &p);
    if (SUCCEEDED(hr) && p != nullptr)
      *out = std::make_shared<TWinMultiMediaStream>(static_cast<::IAMMultiMediaStream*>(p), FKernelEvents, FEvents);
    return hr;
  }
  HRESULT32 CreateAudioData(std::shared_ptr<IAudioData>* out) override {
    void* p = nullptr;
    const HRESULT hr = ::CoCreateInstance(kCLSIDAMAudioData, nullptr, CLSCTX_INPROC_SERVER, kIIDAudioData, &p);
    if (SUCCEEDED(hr) && p != nullptr) *out = std::make_shared<TWinAudioData>(static_cast<::IAudioData*>(p));
    return hr;
  }
  HRESULT32 CreateFilterGraph() override {
    IUnknown* p = nullptr;
    const HRESULT hr = ::CoCreateInstance(kCLSIDFilterGraph, nullptr, CLSCTX_INPROC_SERVER, kIIDGraphBuilder,
                                          reinterpret_cast<void**>(&p));
    if (p != nullptr) p->Release();
    return hr;
  }
  std::string GetErrorText(HRESULT32 code) override {
    if (FErrorText == nullptr) return {};
    char text[300] = {};
    if (FErrorText(code, text, sizeof text) == 0) return {};
    return text;
  }

 private:
  bool FKernelEvents;
  ISoundSystem& FEvents;
  bool FComReady = false;
  HMODULE FQuartz = nullptr;
  TAMGetErrorTextProc FErrorText = nullptr;
};

}  // namespace

std::unique_ptr<ISoundSystem> CreateWin32Sound() { return std::make_unique<TWin32SoundSystem>(); }

std::unique_ptr<IMultimediaStreams> CreateWin32MultimediaStreams(ISoundSystem& kernelEvents) {
  return std::make_unique<TWin32MultimediaStreams>(true, kernelEvents);
}

std::unique_ptr<IMultimediaStreams> CreateHostMultimediaStreams(ISoundSystem& events) {
  return std::make_unique<TWin32MultimediaStreams>(false, events);
}

}  // namespace pictova
