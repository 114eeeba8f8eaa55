// The message beep of the SDL backend (see SdlBeep.cpp).
#pragma once

#include <cstdint>

namespace pictova {

class TSdlBeep {
 public:
  // The chime: one note, its length in seconds and its peak as a share of full scale.
  static constexpr double kBeepHz = 880;
  static constexpr double kBeepSeconds = 0.25;
  static constexpr double kBeepLevel = 0.3;

  TSdlBeep() = default;
  TSdlBeep(const TSdlBeep&) = delete;
  TSdlBeep& operator=(const TSdlBeep&) = delete;
  ~TSdlBeep();

  // Starts the chime and returns at once; silent where no audio device opens.
  void Beep();

 private:
  bool FTried = false;
  bool FInitialised = false;
  uint32_t FDevice = 0;
};

}  // namespace pictova
