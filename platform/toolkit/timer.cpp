#include <utility>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

TTimer::TTimer(std::string name) : rtl::TComponent(nullptr), name_(std::move(name)) {
  Application::Instance().AddTimer(this);
}

TTimer::~TTimer() { Application::Instance().RemoveTimer(this); }

void TTimer::SetInterval(std::uint32_t ms) {
  if (ms == interval_) return;
  interval_ = ms;
  Restart();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Restart();
}

void TTimer::Arm(std::uint32_t ms) {
  interval_ = ms;
  enabled_ = true;
  Restart();
}

void TTimer::DeliverIfDue(platform::clock::Millis now) {
  // An interval of 0 never ticks, as with the window system's timers.
  if (!enabled_ || interval_ == 0 || now < due_) return;
  // However late, one tick; the next one counts from now.
  due_ = now + interval_;
  if (OnTimer) OnTimer(this);
}

void TTimer::Restart() { due_ = platform::clock::Now() + interval_; }

}  // namespace toolkit
