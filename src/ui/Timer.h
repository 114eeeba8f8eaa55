// Message timers: OnTimer every Interval milliseconds while Enabled.
#pragma once

#include <cstdint>

#include "ui/Control.h"

namespace pictova {

// Ticks are handled by the message loop when it is idle, so a tick never interrupts a
// handler. Changing Interval or Enabled restarts the countdown from the current time. A
// tick that comes late (a long handler) does not pile up: the next one is due an interval
// after the late one.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t interval);

  TNotifyEvent OnTimer;

  // Called by the loop when the timer is due.
  virtual void Timer();

 private:
  void UpdateTimer();

  bool FEnabled = true;
  uint32_t FInterval = 1000;
};

}  // namespace pictova
