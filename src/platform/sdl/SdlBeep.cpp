// The SDL backend's message beep: SDL has no system sounds, so a short chime is synthesised
// and queued on an audio device of its own, opened at the first beep and kept until the
// platform ends. Without an audio driver the beep stays silent, as a machine without a
// sound card would be.
#include "platform/sdl/SdlBeep.h"

#include <SDL.h>

#include <cmath>
#include <vector>

namespace pictova {
namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// One bell-like note: a sine with a 4 ms attack and an exponential decay, faded to zero over
// its last 10 ms so that the queue ends without a click.
std::vector<int16_t> Chime(double hz, double seconds, double level) {
  const int frames = static_cast<int>(seconds * kRate);
  const int attack = kRate * 4 / 1000, release = kRate / 100;
  std::vector<int16_t> samples(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    double gain = std::exp(-6.0 * i / frames);
    if (i < attack) gain *= static_cast<double>(i) / attack;
    if (i > frames - release) gain *= static_cast<double>(frames - i) / release;
    samples[static_cast<size_t>(i)] =
        static_cast<int16_t>(std::lround(32767.0 * level * gain * std::sin(2 * kPi * hz * i / kRate)));
  }
  return samples;
}

}  // namespace

TSdlBeep::~TSdlBeep() {
  if (FDevice != 0) SDL_CloseAudioDevice(FDevice);
  if (FInitialised) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void TSdlBeep::Beep() {
  if (!FTried) {
    FTried = true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    FInitialised = true;
    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    FDevice = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);  // SDL converts as needed
    if (FDevice == 0) return;
    SDL_PauseAudioDevice(FDevice, 0);
  }
  if (FDevice == 0) return;
  static const std::vector<int16_t> chime = Chime(kBeepHz, kBeepSeconds, kBeepLevel);
  // A beep that comes while the last one still sounds starts afresh instead of queueing.
  SDL_ClearQueuedAudio(FDevice);
  SDL_QueueAudio(FDevice, chime.data(), static_cast<Uint32>(chime.size() * sizeof(int16_t)));
}

}  // namespace pictova
