// Test sounds and the scripted multimedia stream.
#include "dsmixer/SoundFixtures.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace pictova {

int16_t PatternSample(uint32_t frame, uint16_t channel) {
  // A ramp that never repeats within 16384 frames, offset per channel.
  return static_cast<int16_t>(static_cast<int32_t>((frame * 7 + channel * 5000) % 16384) - 8192);
}

namespace {
std::filesystem::path TempDir() {
  return std::filesystem::temp_directory_path() / ("pictova-sound-" + std::to_string(::getpid()));
}
void RemoveTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(TempDir(), ec);
}
}  // namespace

std::string TempPath(const std::string& name) {
  static const bool registered = std::atexit(RemoveTempDir) == 0;
  (void)registered;
  std::filesystem::create_directories(TempDir());
  return (TempDir() / name).string();
}

std::string WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("cannot write " + path);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

std::string WriteWav(const std::string& path, uint32_t rate, uint16_t channels, uint16_t bits,
                     const std::vector<uint8_t>& data, uint32_t claimedDataBytes) {
  std::vector<uint8_t> out;
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i))); };
  auto u16 = [&](uint16_t v) { for (int i = 0; i < 2; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i))); };
  auto tag = [&](const char* t) { out.insert(out.end(), t, t + 4); };
  const uint32_t dataBytes = claimedDataBytes != 0 ? claimedDataBytes : static_cast<uint32_t>(data.size());
  const uint16_t block = static_cast<uint16_t>(channels * bits / 8);
  tag("RIFF");
  u32(36 + dataBytes);
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);
  u16(channels);
  u32(rate);
  u32(rate * block);
  u16(block);
  u16(bits);
  tag("data");
  u32(dataBytes);
  out.insert(out.end(), data.begin(), data.end());
  return WriteBytes(path, out);
}

std::string WritePatternWav(const std::string& path, uint32_t rate, uint16_t channels, uint32_t frames) {
  std::vector<uint8_t> data;
  data.reserve(size_t{frames} * channels * 2);
  for (uint32_t i = 0; i < frames; ++i)
    for (uint16_t c = 0; c < channels; ++c) {
      const auto s = static_cast<uint16_t>(PatternSample(i, c));
      data.push_back(static_cast<uint8_t>(s & 0xFF));
      data.push_back(static_cast<uint8_t>(s >> 8));
    }
  return WriteWav(path, rate, channels, 16, data);
}

TWaveFormatEx PcmFormat(uint32_t rate, uint16_t channels, uint16_t bits) {
  TWaveFormatEx f;
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = static_cast<uint16_t>(channels * bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  return f;
}

namespace {

class TData : public IAudioData {
 public:
  explicit TData(std::shared_ptr<TScript> s) : S(std::move(s)) {}
  HRESULT32 SetBuffer(uint32_t size, void* data, uint32_t) override {
    ++S->SetBuffers;
    Data = static_cast<uint8_t*>(data);
    Size = size;
    return 0;
  }
  HRESULT32 GetInfo(uint32_t* length, void** data, uint32_t* actual) override {
    if (actual != nullptr) *actual = Actual;
    return 0;
  }
  HRESULT32 SetFormat(const TWaveFormatEx*) override { return 0; }
  std::shared_ptr<TScript> S;
  uint8_t* Data = nullptr;
  uint32_t Size = 0;
  uint32_t Actual = 0;
};

class TSample : public IAudioStreamSample {
 public:
  TSample(std::shared_ptr<TScript> s, std::shared_ptr<TData> d, ISoundSystem& e)
      : S(std::move(s)), D(std::move(d)), Events(e) {}
  HRESULT32 Update(uint32_t, THandle event, void*, uintptr_t) override {
    if (event != nullptr && S->EventUpdateNotImplemented) return E_NOTIMPL32;
    ++S->Updates;
    if (S->Samples.empty()) return MS_S_ENDOFSTREAM;
    TScriptedSample next = S->Samples.front();
    S->Samples.pop_front();
    if (next.Result != 0) return next.Result;
    const size_t n = std::min<size_t>(next.Bytes.size(), D->Size);
    std::copy(next.Bytes.begin(), next.Bytes.begin() + static_cast<std::ptrdiff_t>(n), D->Data);
    D->Actual = static_cast<uint32_t>(n);
    Start = next.Start;
    End = next.End;
    if (event != nullptr) Events.SetEvent(event);
    return 0;
  }
  HRESULT32 GetSampleTimes(int64_t* start, int64_t* end, int64_t* current) override {
    *start = Start;
    *end = End;
    *current = End;
    return 0;
  }
  std::shared_ptr<TScript> S;
  std::shared_ptr<TData> D;
  ISoundSystem& Events;
  int64_t Start = 0;
  int64_t End = 0;
};

class TAudio : public IAudioMediaStream {
 public:
  TAudio(std::shared_ptr<TScript> s, ISoundSystem& e) : S(std::move(s)), Events(e) {}
  HRESULT32 GetFormat(TWaveFormatEx* format) override {
    *format = S->Format;
    return 0;
  }
  HRESULT32 CreateSample(const std::shared_ptr<IAudioData>& data, uint32_t,
                         std::shared_ptr<IAudioStreamSample>* out) override {
    *out = std::make_shared<TSample>(S, std::dynamic_pointer_cast<TData>(data), Events);
    return 0;
  }
  std::shared_ptr<TScript> S;
  ISoundSystem& Events;
};

class TStream : public IAMMultiMediaStream {
 public:
  TStream(std::shared_ptr<TScript> s, ISoundSystem& e) : S(std::move(s)), Events(e) {}
  HRESULT32 Initialize(uint32_t, uint32_t) override { return 0; }
  HRESULT32 AddMediaStream(TPurposeId, uint32_t) override { return 0; }
  HRESULT32 GetMediaStream(TPurposeId, std::shared_ptr<IMediaStream>* out) override {
    *out = std::make_shared<TAudio>(S, Events);
    return 0;
  }
  HRESULT32 OpenFile(const std::u16string& name, uint32_t) override {
    S->Opened.assign(name.begin(), name.end());
    return S->OpenResult;
  }
  HRESULT32 GetDuration(int64_t* d) override {
    *d = S->Duration;
    return 0;
  }
  HRESULT32 Seek(int64_t t) override {
    S->Seeks.push_back(t);
    return 0;
  }
  HRESULT32 SetState(int state) override {
    S->Stopped = state == STREAMSTATE_STOP;
    return 0;
  }
  std::shared_ptr<TScript> S;
  ISoundSystem& Events;
};

class TStreams : public IMultimediaStreams {
 public:
  TStreams(std::shared_ptr<TScript> s, ISoundSystem& e) : S(std::move(s)), Events(e) {}
  HRESULT32 CreateMultiMediaStream(std::shared_ptr<IAMMultiMediaStream>* out) override {
    *out = std::make_shared<TStream>(S, Events);
    return 0;
  }
  HRESULT32 CreateAudioData(std::shared_ptr<IAudioData>* out) override {
    *out = std::make_shared<TData>(S);
    return 0;
  }
  HRESULT32 CreateFilterGraph() override { return 0; }
  std::string GetErrorText(HRESULT32 code) override { return code == MakeResult(0x80040216) ? "Not found." : ""; }
  std::shared_ptr<TScript> S;
  ISoundSystem& Events;
};

}  // namespace

std::unique_ptr<IMultimediaStreams> ScriptedStreams(std::shared_ptr<TScript> script, ISoundSystem& events) {
  return std::make_unique<TStreams>(std::move(script), events);
}

}  // namespace pictova
