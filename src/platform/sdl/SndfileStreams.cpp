// Multimedia streams over libsndfile: one file, its primary audio stream delivered as 16-bit
// PCM at the file's own rate and channel count, read one sample at a time into memory the
// caller owns.
#include <sndfile.h>

#include <limits>

#include "platform/Sound.h"

namespace pictova {
namespace {

constexpr int64_t kUnitsPerSecond = 10000000;  // stream times count 100 ns
constexpr int kMaxChannels = 8;
constexpr int kMaxRate = 1000000;

std::string Utf16ToUtf8(const std::u16string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

class TSfAudioData : public IAudioData {
 public:
  HRESULT32 SetBuffer(uint32_t size, void* data, uint32_t flags) override {
    if (data == nullptr || size == 0) return E_INVALIDARG32;
    Data = static_cast<uint8_t*>(data);
    Size = size;
    Actual = 0;
    return S_OK32;
  }
  HRESULT32 GetInfo(uint32_t* length, void** data, uint32_t* actual) override {
    if (length != nullptr) *length = Size;
    if (data != nullptr) *data = Data;
    if (actual != nullptr) *actual = Actual;
    return S_OK32;
  }
  HRESULT32 SetFormat(const TWaveFormatEx* format) override {
    if (format == nullptr) return E_POINTER32;
    if (format->wFormatTag != WAVE_FORMAT_PCM) return E_INVALIDARG32;
    Format = *format;
    return S_OK32;
  }

  uint8_t* Data = nullptr;
  uint32_t Size = 0;
  uint32_t Actual = 0;
  TWaveFormatEx Format;
};

// The file and its decoding state, shared by the stream objects.
struct TSfFile {
  SNDFILE* File = nullptr;
  SF_INFO Info{};
  TWaveFormatEx Format;
  int64_t Frame = 0;  // the next frame to decode
  bool Running = false;
  ~TSfFile() {
    if (File != nullptr) sf_close(File);
  }
};

class TSfSample : public IAudioStreamSample {
 public:
  TSfSample(std::shared_ptr<TSfFile> file, std::shared_ptr<TSfAudioData> data, ISoundSystem& events)
      : FFile(std::move(file)), FData(std::move(data)), FEvents(events) {}

  HRESULT32 Update(uint32_t flags, THandle event, void* apc, uintptr_t context) override {
    if (!FFile->Running) return MS_E_NOTRUNNING;
    const uint32_t block = FFile->Format.nBlockAlign;
    if (FData->Data == nullptr || FData->Size < block) return E_POINTER32;
    const sf_count_t frames = FData->Size / block;
    // The caller's memory is whole frames of 16-bit samples, so it takes the decoder's output
    // directly.
    // Some decoders deliver less than asked before the end; the sample is filled unless the
    // stream ends.
    auto* out = reinterpret_cast<short*>(FData->Data);
    sf_count_t got = 0;
    while (got < frames) {
      const sf_count_t n = sf_readf_short(FFile->File, out + got * FFile->Info.channels, frames - got);
      if (n <= 0) break;
      got += n;
    }
    if (got <= 0) return MS_S_ENDOFSTREAM;
    FStart = FFile->Frame;
    FFile->Frame += got;
    FData->Actual = static_cast<uint32_t>(got) * block;
    if (event != nullptr) FEvents.SetEvent(event);
    return S_OK32;
  }
  HRESULT32 GetSampleTimes(STREAM_TIME* start, STREAM_TIME* end, STREAM_TIME* current) override {
    const int64_t rate = FFile->Info.samplerate;
    if (start != nullptr) *start = FStart * kUnitsPerSecond / rate;
    if (end != nullptr) *end = FFile->Frame * kUnitsPerSecond / rate;
    if (current != nullptr) *current = FFile->Frame * kUnitsPerSecond / rate;
    return S_OK32;
  }

 private:
  std::shared_ptr<TSfFile> FFile;
  std::shared_ptr<TSfAudioData> FData;
  ISoundSystem& FEvents;
  int64_t FStart = 0;
};

class TSfAudioStream : public IAudioMediaStream {
 public:
  TSfAudioStream(std::shared_ptr<TSfFile> file, ISoundSystem& events) : FFile(std::move(file)), FEvents(events) {}
  HRESULT32 GetFormat(TWaveFormatEx* format) override {
    if (format == nullptr) return E_POINTER32;
    if (FFile->File == nullptr) return MS_E_NOSTREAM;
    *format = FFile->Format;
    return S_OK32;
  }
  HRESULT32 CreateSample(const std::shared_ptr<IAudioData>& data, uint32_t flags,
                         std::shared_ptr<IAudioStreamSample>* out) override {
    if (out == nullptr) return E_POINTER32;
    auto own = std::dynamic_pointer_cast<TSfAudioData>(data);
    if (!own) return E_INVALIDARG32;
    const TWaveFormatEx& a = own->Format;
    const TWaveFormatEx& b = FFile->Format;
    if (a.nChannels != b.nChannels || a.nSamplesPerSec != b.nSamplesPerSec || a.wBitsPerSample != b.wBitsPerSample)
      return MS_E_INCOMPATIBLE;
    *out = std::make_shared<TSfSample>(FFile, own, FEvents);
    return S_OK32;
  }

 private:
  std::shared_ptr<TSfFile> FFile;
  ISoundSystem& FEvents;
};

class TSfMultiMediaStream : public IAMMultiMediaStream {
 public:
  explicit TSfMultiMediaStream(ISoundSystem& events) : FEvents(events) {}

  HRESULT32 Initialize(uint32_t streamType, uint32_t flags) override {
    if (FInitialized) return MS_E_SOURCEALREADYDEFINED_CODE;
    if (streamType != STREAMTYPE_READ) return E_INVALIDARG32;
    FInitialized = true;
    return S_OK32;
  }
  HRESULT32 AddMediaStream(TPurposeId purpose, uint32_t flags) override {
    if (!FInitialized) return MS_E_NOTINIT;
    if (FAudio) return MS_E_PURPOSEID_CODE;
    FAudio = std::make_shared<TSfAudioStream>(FFile, FEvents);
    return S_OK32;
  }
  HRESULT32 GetMediaStream(TPurposeId purpose, std::shared_ptr<IMediaStream>* out) override {
    if (out == nullptr) return E_POINTER32;
    if (!FAudio) return MS_E_NOSTREAM;
    *out = FAudio;
    return S_OK32;
  }
  HRESULT32 OpenFile(const std::u16string& fileName, uint32_t flags) override {
    if (!FInitialized) return MS_E_NOTINIT;
    if (!FAudio) return VFW_E_UNKNOWN_FILE_TYPE;  // nothing to render the audio into
    if (FFile->File != nullptr) return MS_E_SOURCEALREADYDEFINED_CODE;
    SF_INFO info{};
    SNDFILE* f = sf_open(Utf16ToUtf8(fileName).c_str(), SFM_READ, &info);
    if (f == nullptr) {
      const int err = sf_error(nullptr);
      return err == SF_ERR_SYSTEM ? FILE_NOT_FOUND_RESULT : VFW_E_UNKNOWN_FILE_TYPE;
    }
    if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < 1 || info.samplerate > kMaxRate ||
        info.frames < 0) {
      sf_close(f);
      return VFW_E_INVALID_FILE_FORMAT;
    }
    FFile->File = f;
    FFile->Info = info;
    TWaveFormatEx& w = FFile->Format;
    w.wFormatTag = WAVE_FORMAT_PCM;
    w.nChannels = static_cast<uint16_t>(info.channels);
    w.nSamplesPerSec = static_cast<uint32_t>(info.samplerate);
    w.wBitsPerSample = 16;
    w.nBlockAlign = static_cast<uint16_t>(2 * info.channels);
    w.nAvgBytesPerSec = w.nSamplesPerSec * w.nBlockAlign;
    w.cbSize = 0;
    FFile->Running = (flags & AMMSF_RUN) != 0;
    return S_OK32;
  }
  HRESULT32 GetDuration(STREAM_TIME* duration) override {
    if (duration == nullptr) return E_POINTER32;
    if (FFile->File == nullptr) return MS_E_NOSTREAM;
    const int64_t frames = FFile->Info.frames;
    const int64_t rate = FFile->Info.samplerate;
    *duration = frames > std::numeric_limits<int64_t>::max() / kUnitsPerSecond
                    ? std::numeric_limits<int64_t>::max()
                    : frames * kUnitsPerSecond / rate;
    return S_OK32;
  }
  HRESULT32 Seek(STREAM_TIME time) override {
    if (FFile->File == nullptr) return MS_E_NOSTREAM;
    if (!FFile->Info.seekable) return MS_E_NOSEEKING;
    int64_t frame = time <= 0 ? 0 : time / kUnitsPerSecond * FFile->Info.samplerate +
                                        time % kUnitsPerSecond * FFile->Info.samplerate / kUnitsPerSecond;
    if (frame > FFile->Info.frames) frame = FFile->Info.frames;
    if (sf_seek(FFile->File, frame, SEEK_SET) < 0) return E_FAIL32;
    FFile->Frame = frame;
    return S_OK32;
  }
  HRESULT32 SetState(int state) override {
    if (FFile->File == nullptr) return MS_E_NOSTREAM;
    FFile->Running = state == STREAMSTATE_RUN;
    return S_OK32;
  }

 private:
  static constexpr HRESULT32 MS_E_SOURCEALREADYDEFINED_CODE = MakeResult(0x80040408);
  static constexpr HRESULT32 MS_E_PURPOSEID_CODE = MakeResult(0x80040402);

  ISoundSystem& FEvents;
  std::shared_ptr<TSfFile> FFile = std::make_shared<TSfFile>();
  std::shared_ptr<TSfAudioStream> FAudio;
  bool FInitialized = false;
};

class TSfMultimediaStreams : public IMultimediaStreams {
 public:
  explicit TSfMultimediaStreams(ISoundSystem& events) : FEvents(events) {}
  HRESULT32 CreateMultiMediaStream(std::shared_ptr<IAMMultiMediaStream>* out) override {
    if (out == nullptr) return E_POINTER32;
    *out = std::make_shared<TSfMultiMediaStream>(FEvents);
    return S_OK32;
  }
  HRESULT32 CreateAudioData(std::shared_ptr<IAudioData>* out) override {
    if (out == nullptr) return E_POINTER32;
    *out = std::make_shared<TSfAudioData>();
    return S_OK32;
  }
  HRESULT32 CreateFilterGraph() override { return S_OK32; }
  std::string GetErrorText(HRESULT32 code) override {
    switch (static_cast<uint32_t>(code)) {
      case 0x80040240: return "The media type of this file is not recognized.";
      case 0x80040241: return "The file format is invalid.";
      case 0x80070002: return "The system cannot find the file specified.";
      case 0x80004005: return "Unspecified error";
      default: return {};
    }
  }

 private:
  ISoundSystem& FEvents;
};

}  // namespace

std::unique_ptr<IMultimediaStreams> CreateHostMultimediaStreams(ISoundSystem& events) {
  return std::make_unique<TSfMultimediaStreams>(events);
}

}  // namespace pictova
