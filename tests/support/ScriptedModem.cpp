#include "tests/support/ScriptedModem.h"

namespace testsupport {

std::shared_ptr<ScriptedModem> ScriptedModem::Create() {
  return std::shared_ptr<ScriptedModem>(new ScriptedModem());
}

void ScriptedModem::On(const std::string& line, Action action) {
  std::lock_guard lock(mutex_);
  actions_[line] = std::move(action);
}

void ScriptedModem::Answer(const std::string& line, std::string bytes,
                           platform::clock::Millis delayMs) {
  On(line, [bytes = std::move(bytes), delayMs](ScriptedModem& m) { m.Send(bytes, delayMs); });
}

void ScriptedModem::Send(std::string bytes, platform::clock::Millis delayMs) {
  std::weak_ptr<ScriptedModem> self = weak_from_this();
  platform::clock::ScheduleAfter(delayMs, [self, bytes = std::move(bytes)] {
    if (auto modem = self.lock()) modem->Deliver(bytes);
  });
}

void ScriptedModem::Deliver(const std::string& bytes) {
  commapi::VirtualLine* line;
  {
    std::lock_guard lock(mutex_);
    line = line_;
  }
  if (line) line->Receive(bytes);
}

void ScriptedModem::SetLines(bool cts, bool dsr, bool carrier) {
  {
    std::lock_guard lock(mutex_);
    cts_ = cts;
    dsr_ = dsr;
    carrier_ = carrier;
  }
  ApplyLines();
}

bool ScriptedModem::Carrier() const {
  std::lock_guard lock(mutex_);
  return carrier_;
}

void ScriptedModem::ApplyLines() {
  commapi::VirtualLine* line;
  bool cts, dsr, carrier;
  {
    std::lock_guard lock(mutex_);
    line = line_;
    cts = cts_;
    dsr = dsr_;
    carrier = carrier_;
  }
  if (line) line->SetModemStatus(cts, dsr, carrier, false);
}

std::string ScriptedModem::Written() const {
  std::lock_guard lock(mutex_);
  return written_;
}

std::vector<std::string> ScriptedModem::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

bool ScriptedModem::Dtr() const {
  std::lock_guard lock(mutex_);
  return dtr_;
}

bool ScriptedModem::Rts() const {
  std::lock_guard lock(mutex_);
  return rts_;
}

std::vector<ScriptedModem::Outputs> ScriptedModem::OutputChanges() const {
  std::lock_guard lock(mutex_);
  return outputChanges_;
}

void ScriptedModem::Attach(commapi::VirtualLine& line) {
  {
    std::lock_guard lock(mutex_);
    line_ = &line;
  }
  ApplyLines();
}

void ScriptedModem::Detach() {
  std::lock_guard lock(mutex_);
  line_ = nullptr;
  configured_ = false;
}

void ScriptedModem::Transmit(std::string_view bytes) {
  std::vector<std::string> complete;
  bool echoNow;
  {
    std::lock_guard lock(mutex_);
    written_.append(bytes);
    echoNow = echo;
    if (bytes == "+++") {
      complete.emplace_back(bytes);
    } else {
      for (char c : bytes) {
        if (c == '\r') {
          complete.push_back(pendingLine_);
          pendingLine_.clear();
        } else if (c != '\n') {
          pendingLine_ += c;
        }
      }
    }
    lines_.insert(lines_.end(), complete.begin(), complete.end());
  }
  if (echoNow) Deliver(std::string(bytes));
  for (const std::string& line : complete) RunAction(line);
}

void ScriptedModem::RunAction(const std::string& line) {
  Action action;
  {
    std::lock_guard lock(mutex_);
    const auto found = actions_.find(line);
    if (found == actions_.end()) return;
    action = found->second;
  }
  action(*this);
}

void ScriptedModem::Configure(const commapi::DCB&, bool dtr, bool rts) {
  std::lock_guard lock(mutex_);
  if (!configured_ || dtr != dtr_ || rts != rts_) outputChanges_.push_back({dtr, rts});
  configured_ = true;
  dtr_ = dtr;
  rts_ = rts;
}

}  // namespace testsupport
