// The virtual sound device of the headless backend: it plays in virtual time and keeps what
// it played, so that tests and the renderer can hear the show.
#pragma once

#include <mutex>
#include <vector>

#include "platform/SoftSound.h"

namespace pictova {

class TVirtualClock;

// What the device played, in the primary format, from StartMs (virtual milliseconds) on.
struct TSoundRecording {
  TWaveFormatEx Format;
  uint64_t StartMs = 0;
  std::vector<uint8_t> Bytes;
};

class THeadlessSound : public ISoftOutput, public TSoftSoundSystem {
 public:
  explicit THeadlessSound(TVirtualClock& clock);

  void OutputStart(TSoftDevice& device, const TWaveFormatEx& primary) override;
  void OutputStop(TSoftDevice& device) override;
  void CatchUp(TSoftDevice& device) override;
  void StateChanged(TSoftDevice& device) override { FEvents.Changed(); }

  // The recording up to the present moment.
  TSoundRecording Recording();
  // Whether the output is kept (it is by default). Off, the mix still runs and its events
  // fire, but nothing is kept: a show played for hours needs no gigabytes of sound.
  void SetRecording(bool on);

 protected:
  uint64_t NextEventMsLocked() override;
  void AdvanceLocked() override;

 private:
  // Mixes up to the present into the recording (with FLock held).
  void RenderToNow(std::vector<THandle>& fired);

  std::mutex FLock;
  TSoftDevice* FDevice = nullptr;  // the device whose output runs
  uint64_t FStartMs = 0;           // when the output (re)started
  uint64_t FRendered = 0;          // frames mixed since FStartMs
  TSoundRecording FRecording;
  bool FRecordingStarted = false;
  bool FRecord = true;
  std::vector<uint8_t> FScratch;  // the mix when nothing is kept
  std::vector<THandle> FFired;
};

}  // namespace pictova
