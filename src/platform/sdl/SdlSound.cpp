// The SDL backend's sound device: the software device mixed in SDL's audio callback, one
// SDL audio device opened at the primary format while the primary buffer plays.
#include <SDL.h>

#include "platform/Clock.h"
#include "platform/SoftSound.h"

namespace pictova {
namespace {

constexpr Uint16 kCallbackFrames = 1024;

class TSdlSound : public ISoftOutput, public TSoftSoundSystem {
 public:
  explicit TSdlSound(IClock& clock) : TSoftSoundSystem(clock, *this, HostConverterFactory(), {}) {
    // No driver that can open an output: no device in the list, and the show stays silent.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    FInitialised = true;
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16LSB;
    want.channels = 2;
    want.samples = kCallbackFrames;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID probe = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (probe == 0) return;
    SDL_CloseAudioDevice(probe);
    SetDescription("Primary Sound Driver");
  }
  ~TSdlSound() override {
    Close();
    if (FInitialised) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  void OutputStart(TSoftDevice& device, const TWaveFormatEx& primary) override {
    Close();
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(primary.nSamplesPerSec);
    want.format = primary.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(primary.nChannels);
    want.samples = kCallbackFrames;
    want.callback = &TSdlSound::Callback;
    want.userdata = this;
    FDevice = &device;
    FBlock = primary.nBlockAlign;
    FFired.reserve(128);
    // SDL converts to what the hardware takes; the callback always sees the primary format.
    FId = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (FId != 0) SDL_PauseAudioDevice(FId, 0);
  }
  void OutputStop(TSoftDevice& device) override {
    if (FDevice == &device) Close();
  }

 private:
  void Close() {
    if (FId != 0) SDL_CloseAudioDevice(FId);  // waits for a callback under way
    FId = 0;
    FDevice = nullptr;
  }

  static void SDLCALL Callback(void* self, Uint8* stream, int len) {
    auto* s = static_cast<TSdlSound*>(self);
    s->FFired.clear();
    s->FDevice->Render(stream, static_cast<uint32_t>(len) / s->FBlock, s->FFired);
    s->FDevice->Signal(s->FFired);
  }

  bool FInitialised = false;
  SDL_AudioDeviceID FId = 0;
  TSoftDevice* FDevice = nullptr;
  uint32_t FBlock = 4;
  std::vector<THandle> FFired;  // used by the audio thread only
};

}  // namespace

std::unique_ptr<ISoundSystem> CreateSdlSound(IClock& clock) { return std::make_unique<TSdlSound>(clock); }

}  // namespace pictova
