// Message timers.
#include "ui/Timer.h"

#include "platform/Platform.h"
#include "ui/Application.h"

namespace pictova {

TTimer::TTimer(TComponent* owner) : TComponent(owner) { UpdateTimer(); }

TTimer::~TTimer() {
  Destroying();
  if (Application != nullptr) Application->DisarmTimer(this);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  UpdateTimer();
}

void TTimer::SetInterval(uint32_t interval) {
  if (interval == FInterval) return;
  FInterval = interval;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (Application == nullptr) return;
  Application->DisarmTimer(this);
  if (FEnabled && FInterval > 0) Application->ArmTimer(this, Platform().Clock().NowMs() + FInterval);
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

}  // namespace pictova
