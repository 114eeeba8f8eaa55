// Test sounds made here: PCM WAV files of a known pattern, malformed files, and a scripted
// multimedia stream whose samples, times and answers a test sets.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/Sound.h"

namespace pictova {

// The sample of channel c at frame i of the pattern: distinct for every frame and channel
// within a few seconds, far from clipping.
int16_t PatternSample(uint32_t frame, uint16_t channel);

// A 16-bit PCM WAV of the pattern (or of the given samples); returns the path.
std::string WritePatternWav(const std::string& path, uint32_t rate, uint16_t channels, uint32_t frames);
std::string WriteWav(const std::string& path, uint32_t rate, uint16_t channels, uint16_t bits,
                     const std::vector<uint8_t>& data, uint32_t claimedDataBytes = 0);
std::string WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// A folder of this test run's own.
std::string TempPath(const std::string& name);

// One update of the scripted stream: what it answers, what it delivers and the times it
// reports.
struct TScriptedSample {
  HRESULT32 Result = 0;
  std::vector<uint8_t> Bytes;
  int64_t Start = 0;
  int64_t End = 0;
};

// What the scripted platform was asked, and the answers it gives.
struct TScript {
  TWaveFormatEx Format;
  int64_t Duration = 0;
  std::deque<TScriptedSample> Samples;
  HRESULT32 OpenResult = 0;
  bool EventUpdateNotImplemented = false;  // like Wine: Update with an event gives E_NOTIMPL
  int Updates = 0;                          // Update calls that reached the stream
  int SetBuffers = 0;
  std::vector<int64_t> Seeks;
  bool Stopped = false;
  std::string Opened;
};

// Multimedia streams that play the script; install with THeadlessPlatform::SetMediaStreams.
std::unique_ptr<IMultimediaStreams> ScriptedStreams(std::shared_ptr<TScript> script, ISoundSystem& events);

// A 16-bit stereo 44.1 kHz format, or another.
TWaveFormatEx PcmFormat(uint32_t rate, uint16_t channels, uint16_t bits);

}  // namespace pictova
