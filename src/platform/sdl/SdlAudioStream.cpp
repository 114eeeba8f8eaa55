// Sample-format conversion for the software sound device: SDL's audio streams (resampling,
// channel and sample-size conversion).
#include <SDL.h>

#include "platform/SoftSound.h"

namespace pictova {
namespace {

class TSdlConverter : public ISampleConverter {
 public:
  explicit TSdlConverter(SDL_AudioStream* stream) : FStream(stream) {}
  ~TSdlConverter() override { SDL_FreeAudioStream(FStream); }
  bool Put(const void* data, uint32_t bytes) override {
    return SDL_AudioStreamPut(FStream, data, static_cast<int>(bytes)) == 0;
  }
  uint32_t Available() override {
    const int n = SDL_AudioStreamAvailable(FStream);
    return n > 0 ? static_cast<uint32_t>(n) : 0;
  }
  uint32_t Get(void* data, uint32_t bytes) override {
    const int n = SDL_AudioStreamGet(FStream, data, static_cast<int>(bytes));
    return n > 0 ? static_cast<uint32_t>(n) : 0;
  }
  void Clear() override { SDL_AudioStreamClear(FStream); }

 private:
  SDL_AudioStream* FStream;
};

SDL_AudioFormat SdlFormat(const TWaveFormatEx& f) { return f.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB; }

}  // namespace

TConverterFactory HostConverterFactory() {
  return [](const TWaveFormatEx& from, const TWaveFormatEx& to) -> std::unique_ptr<ISampleConverter> {
    SDL_AudioStream* s = SDL_NewAudioStream(SdlFormat(from), static_cast<Uint8>(from.nChannels),
                                            static_cast<int>(from.nSamplesPerSec), SdlFormat(to),
                                            static_cast<Uint8>(to.nChannels), static_cast<int>(to.nSamplesPerSec));
    if (s == nullptr) return nullptr;
    return std::make_unique<TSdlConverter>(s);
  };
}

}  // namespace pictova
