// Background music: CPU per second of audio through the whole chain (reader, ring refills,
// device mix) on the virtual sound device, the reader's decoding next to bare libsndfile on
// the same file, and the allocations made by a refill.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "dsmixer/DSMixer.h"
#include "platform/headless/HeadlessPlatform.h"
#include "ui/Application.h"

// Counts the allocations of the thread that asks for it (malloc is interposed, so those of
// the decoding libraries count too).
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
namespace {
thread_local bool tCounting = false;
std::atomic<uint64_t> gAllocations{0};
}  // namespace
extern "C" void* malloc(size_t n) {
  if (tCounting) ++gAllocations;
  return __libc_malloc(n);
}
extern "C" void* calloc(size_t a, size_t b) {
  if (tCounting) ++gAllocations;
  return __libc_calloc(a, b);
}
extern "C" void* realloc(void* p, size_t n) {
  if (tCounting) ++gAllocations;
  return __libc_realloc(p, n);
}

namespace pictova {
namespace {

constexpr int kSeconds = 60;
constexpr int kRate = 44100;

// A 60 s 44.1 kHz stereo piece (two drifting tones) written by libsndfile in `format`.
std::string MakeMusic(const std::string& name, int format) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("pictova-bench-" + std::to_string(getpid()) + name)).string();
  if (std::filesystem::exists(path)) return path;
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 2;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (f == nullptr) return {};
  std::vector<short> block(2 * kRate);
  for (int s = 0; s < kSeconds; ++s) {
    for (int i = 0; i < kRate; ++i) {
      const double t = (s * kRate + i) / static_cast<double>(kRate);
      block[2 * i] = static_cast<short>(8000 * std::sin(2 * M_PI * (220 + s) * t));
      block[2 * i + 1] = static_cast<short>(8000 * std::sin(2 * M_PI * (330 + s) * t));
    }
    sf_writef_short(f, block.data(), kRate);
  }
  sf_close(f);
  return path;
}

const std::string& Wav() {
  static const std::string path = MakeMusic(".wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  return path;
}
const std::string& Mp3() {
  static const std::string path = MakeMusic(".mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
  return path;
}

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// Plays the whole file on the virtual clock; reports CPU time per second of audio as a
// percentage of one core, and the allocations made inside the refills.
void PlayWhole(benchmark::State& state, const std::string& path) {
  if (path.empty()) {
    state.SkipWithError("the file could not be written");
    return;
  }
  double percent = 0;
  uint64_t allocations = 0;
  int refills = 0;
  for (auto _ : state) {
    InstallPlatform(std::make_unique<THeadlessPlatform>());
    {
      TApplication app;
      TDSMixer* mixer = new TDSMixer(&app);
      TDSMixerChannel* channel = mixer->AddChannel(path);
      channel->Play();
      // Refills run inside the position notifications: count what they allocate.
      auto original = channel->Buffer()->OnNotify;
      channel->Buffer()->OnNotify = [&](TDirectSoundBuffer* s, int32_t i) {
        tCounting = true;
        original(s, i);
        tCounting = false;
        ++refills;
      };
      gAllocations = 0;
      const double start = CpuSeconds();
      app.RunUntil([&] { return !channel->Playing(); }, (kSeconds + 5) * 1000);
      percent = (CpuSeconds() - start) / kSeconds * 100;
      allocations = gAllocations;
    }
    ShutdownPlatform();
  }
  state.counters["cpu_percent_of_core"] = percent;
  state.counters["allocations_in_refills"] = static_cast<double>(allocations);
  state.counters["refills"] = refills;
}

void BM_ChainWav(benchmark::State& state) { PlayWhole(state, Wav()); }
void BM_ChainMp3(benchmark::State& state) { PlayWhole(state, Mp3()); }

// Decoding only, in the mixer's 250 ms segments: the reader, then libsndfile alone.
void Reader(benchmark::State& state, const std::string& path) {
  InstallPlatform(std::make_unique<THeadlessPlatform>());
  std::vector<uint8_t> segment(44100);
  for (auto _ : state) {
    TAudioFileReader reader(path);
    while (reader.Read(segment.data(), 44100) == 44100) {
    }
  }
  ShutdownPlatform();
}

void Bare(benchmark::State& state, const std::string& path) {
  std::vector<short> segment(44100 / 2);
  for (auto _ : state) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    while (sf_readf_short(f, segment.data(), 44100 / 4) == 44100 / 4) {
    }
    sf_close(f);
  }
}

void BM_ReaderWav(benchmark::State& state) { Reader(state, Wav()); }
void BM_BareSndfileWav(benchmark::State& state) { Bare(state, Wav()); }
void BM_ReaderMp3(benchmark::State& state) { Reader(state, Mp3()); }
void BM_BareSndfileMp3(benchmark::State& state) { Bare(state, Mp3()); }

BENCHMARK(BM_ChainWav)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ChainMp3)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ReaderWav)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareSndfileWav)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderMp3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareSndfileMp3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pictova
