#include "sim/ModemCore.h"

#include <limits>
#include <utility>
#include <variant>
#include <vector>

#include "sim/Timing.h"

namespace sim {

ModemCore::ModemCore(const Profile& profile)
    : profile_(profile),
      caps_(profile.caps),
      stored_(profile.settings),
      // Long silence before the first byte, as after switching on.
      lastReceived_(std::numeric_limits<Millis>::min() / 2) {}

template <class Fn>
void ModemCore::Locked(Fn&& fn) {
  {
    std::lock_guard lock(mutex_);
    fn();
    Refresh();
  }
  Deliver();
}

void ModemCore::Deliver() {
  std::lock_guard delivery(deliveryMutex_);
  for (;;) {
    std::deque<Delivery> batch;
    {
      std::lock_guard lock(mutex_);
      batch = out_.Take();
    }
    if (batch.empty()) return;
    if (line_ == nullptr) continue;
    for (const Delivery& item : batch) {
      if (const auto* bytes = std::get_if<std::string>(&item))
        line_->Receive(*bytes);
      else if (const auto* lines = std::get_if<LineStates>(&item))
        line_->SetModemStatus(lines->cts, lines->dsr, lines->rlsd, false);
    }
  }
}

ModemCore::TimerKey ModemCore::After(Millis delay, std::function<void()> action) {
  const TimerKey key = ++lastKey_;
  // Only a weak reference: a callback that outlives the modem does nothing.
  const platform::clock::TimerId id =
      platform::clock::ScheduleAfter(delay, [weak = weak_from_this(), key] {
        if (auto self = weak.lock()) self->Fire(key);
      });
  timers_.emplace(key, Timer{id, std::move(action)});
  return key;
}

// A dropped timer's clock callback still runs, finds nothing and returns;
// cancelling it on the clock here could wait for that very callback.
void ModemCore::Drop(TimerKey& key) {
  timers_.erase(key);
  key = 0;
}

void ModemCore::Fire(TimerKey key) {
  Locked([&] {
    const auto it = timers_.find(key);
    if (it == timers_.end()) return;
    const std::function<void()> action = std::move(it->second.action);
    timers_.erase(it);
    action();
  });
}

void ModemCore::Start() {
  Locked([&] { PowerUp(); });
}

void ModemCore::Shutdown() {
  std::vector<platform::clock::TimerId> ids;
  {
    std::lock_guard lock(mutex_);
    for (const auto& entry : timers_) ids.push_back(entry.second.clockId);
    timers_.clear();
  }
  for (const platform::clock::TimerId id : ids) platform::clock::Cancel(id);
}

void ModemCore::PowerUp() {
  powered_ = true;
  restarting_ = false;
  Load(caps_.powerUpFactory ? profile_.settings : stored_);
  ScheduleNoise();
}

void ModemCore::Reload() { Load(stored_); }

void ModemCore::Load(const ModemSettings& settings) {
  active_ = settings;
  if (caps_.s0Switch) active_.s[0] = 0;
}

void ModemCore::ScheduleNoise() {
  if (!caps_.noisy) return;
  After(timing::kNoiseIntervalMs, [this] {
    Send(noise_.Burst());
    ScheduleNoise();
  });
}

void ModemCore::PowerCycle() {
  // A USB modem takes its device with it: the port sees no line change,
  // it just fails from now on.
  if (caps_.deviceBackMs > 0) Unplug();
  Locked([&] {
    timers_.clear();
    EndCall();
    powered_ = false;
    scan_ = Scan::kSeekA;
    out_.DropHeld();
    After(timing::kPowerOffMs + caps_.powerUpMs, [this] { PowerUp(); });
    if (caps_.deviceBackMs > 0) {
      present_ = false;
      After(caps_.deviceBackMs, [this] { present_ = true; });
    }
  });
}

void ModemCore::Attach(commapi::VirtualLine& line) {
  {
    std::lock_guard delivery(deliveryMutex_);
    std::lock_guard lock(mutex_);
    out_.DropPending();  // nobody was listening
    out_.RepeatLines();
    line_ = &line;
    // Opening a port raises DTR and RTS until its settings say otherwise.
    SetDtr(true);
    SetRts(true);
    Refresh();
  }
  Deliver();
}

void ModemCore::Detach() {
  std::lock_guard delivery(deliveryMutex_);
  std::lock_guard lock(mutex_);
  LoseLine();
  line_ = nullptr;
}

void ModemCore::Unplug() {
  std::lock_guard delivery(deliveryMutex_);
  {
    std::lock_guard lock(mutex_);
    LoseLine();
  }
  if (line_ != nullptr) line_->Vanish();
  line_ = nullptr;
}

// A port that is closed or gone drives neither line; output still waiting for it is dropped.
void ModemCore::LoseLine() {
  SetDtr(false);
  SetRts(false);
  Refresh();
  out_.DropPending();
}

void ModemCore::Transmit(std::string_view bytes) {
  Locked([&] { Receive(bytes); });
}

void ModemCore::Configure(std::uint32_t baud, bool dtr, bool rts) {
  Locked([&] {
    baud_ = baud;
    SetDtr(dtr);
    SetRts(rts);
  });
}

bool ModemCore::Powered() const {
  std::lock_guard lock(mutex_);
  return powered_;
}

bool ModemCore::Present() const {
  std::lock_guard lock(mutex_);
  return present_;
}

bool ModemCore::CallUp() const {
  std::lock_guard lock(mutex_);
  return call_ == Call::kUp;
}

bool ModemCore::Dialling() const {
  std::lock_guard lock(mutex_);
  return call_ == Call::kDialling;
}

bool ModemCore::Online() const {
  std::lock_guard lock(mutex_);
  return call_ == Call::kUp && online_;
}

std::uint8_t ModemCore::Register(int n) const {
  std::lock_guard lock(mutex_);
  return active_.s.at(static_cast<std::size_t>(n));
}

std::string ModemCore::AnsweringSystemReceived() const {
  std::lock_guard lock(mutex_);
  return farEnd_.Received();
}

}  // namespace sim
