#include "sim/ReplayDevice.h"

#include <fstream>
#include <limits>
#include <optional>

#include "platform/file_name.h"

namespace sim {

using commapi::trace::Event;
using commapi::trace::Kind;

std::shared_ptr<ReplayDevice> ReplayDevice::Load(const std::string& path, MismatchReport report,
                                                 std::string& error) {
  std::ifstream file(platform::FilePath(path), std::ios::binary);
  if (!file) {
    error = "cannot read " + path;
    return nullptr;
  }
  commapi::trace::ReadResult read = commapi::trace::Read(file);
  if (!read.error.empty()) {
    error = path + " " + read.error;
    return nullptr;
  }
  return std::shared_ptr<ReplayDevice>(
      new ReplayDevice(path, std::move(read.events), std::move(report)));
}

ReplayDevice::ReplayDevice(std::string path, std::vector<Event> events, MismatchReport report)
    : path_(std::move(path)), events_(std::move(events)), report_(std::move(report)) {}

bool ReplayDevice::LineChangesPending() {
  std::lock_guard lock(mutex_);
  for (std::size_t i = next_; i < events_.size(); ++i) {
    if (commapi::trace::IsProgramAction(events_[i].kind)) break;
    if (events_[i].kind != Kind::Recv) return !failed_;
  }
  return false;
}

bool ReplayDevice::Present() const {
  std::lock_guard lock(mutex_);
  const platform::clock::Millis now = platform::clock::Now();
  return now < absentFrom_ || now >= absentUntil_;
}

void ReplayDevice::Attach(commapi::VirtualLine& line) {
  std::lock_guard lock(mutex_);
  line_ = &line;
  configured_ = false;
  Perform(Event::Of(Kind::Open));
}

void ReplayDevice::Detach() {
  std::lock_guard lock(mutex_);
  Perform(Event::Of(Kind::Close));
  line_ = nullptr;
}

void ReplayDevice::Transmit(std::string_view bytes) {
  std::lock_guard lock(mutex_);
  Perform(Event::Bytes(Kind::Send, bytes));
}

// The same rule as the recorder's: the first settings after the open, then
// each change of speed, DTR or RTS.
void ReplayDevice::Configure(const commapi::DCB& dcb, bool dtr, bool rts) {
  std::lock_guard lock(mutex_);
  const Event set = Event::Settings(dcb.BaudRate, dtr, rts);
  if (configured_ && commapi::trace::SameAction(set, lastSet_)) return;
  configured_ = true;
  lastSet_ = set;
  Perform(set);
}

void ReplayDevice::Perform(const Event& action) {
  if (failed_) return;
  PlayAnswersNow();
  ++generation_;
  // A trace played to its end starts again when the port is opened again.
  if (next_ == events_.size() && action.kind == Kind::Open) next_ = 0;
  // A trace cut short (the recording stopped) may end before the close.
  if (next_ == events_.size() && action.kind == Kind::Close) return;
  if (next_ == events_.size() || !commapi::trace::SameAction(action, events_[next_])) {
    // From here on the modem is silent; the report ends the program's
    // command. With nobody to tell, the port goes instead.
    failed_ = true;
    if (report_)
      report_(MismatchText(action));
    else if (line_ != nullptr)
      line_->Vanish();
    return;
  }
  actionAt_ = events_[next_].ms;
  actionNow_ = platform::clock::Now();
  ++next_;
  NoteAbsence();
  // What came in the same ms came without time passing: within the action.
  while (next_ < events_.size() && !commapi::trace::IsProgramAction(events_[next_].kind) &&
         events_[next_].ms == actionAt_)
    Play(events_[next_++]);
  ScheduleNextAnswer();
}

// Where the recording found the device missing after this action, the
// replayed one is missing from then until the recording's next action.
void ReplayDevice::NoteAbsence() {
  auto now = [this](std::int64_t ms) { return actionNow_ + (ms - actionAt_); };
  std::optional<std::int64_t> missingAt;
  std::size_t i = next_;
  for (; i < events_.size() && !commapi::trace::IsProgramAction(events_[i].kind); ++i)
    if (events_[i].kind == Kind::Absent && !missingAt) missingAt = events_[i].ms;
  absentFrom_ = missingAt ? now(*missingAt) : 0;
  absentUntil_ = !missingAt            ? 0
                 : i == events_.size() ? std::numeric_limits<platform::clock::Millis>::max()
                                       : now(events_[i].ms);
}

void ReplayDevice::PlayAnswersNow() {
  while (next_ < events_.size() && !commapi::trace::IsProgramAction(events_[next_].kind))
    Play(events_[next_++]);
}

void ReplayDevice::ScheduleNextAnswer() {
  if (next_ == events_.size() || commapi::trace::IsProgramAction(events_[next_].kind)) return;
  const platform::clock::Millis at = actionNow_ + (events_[next_].ms - actionAt_);
  std::weak_ptr<ReplayDevice> weak = weak_from_this();
  platform::clock::ScheduleAt(at, [weak, generation = generation_] {
    if (auto self = weak.lock()) self->PlayDue(generation);
  });
}

void ReplayDevice::PlayDue(std::uint64_t generation) {
  std::lock_guard lock(mutex_);
  if (generation != generation_ || failed_) return;
  Play(events_[next_++]);
  ScheduleNextAnswer();
}

void ReplayDevice::Play(const Event& answer) {
  if (line_ == nullptr) return;
  switch (answer.kind) {
    case Kind::Recv:
      line_->Receive(answer.bytes);
      break;
    case Kind::Lines:
      line_->SetModemStatus(answer.lines.cts, answer.lines.dsr, answer.lines.cd, false);
      break;
    case Kind::Gone:
      line_->Vanish();
      break;
    default:
      break;
  }
}

std::string ReplayDevice::MismatchText(const Event& action) const {
  std::string text = "Replay of " + path_ + " stopped: the program did \"" +
                     commapi::trace::Describe(action) + "\" where the trace ";
  if (next_ == events_.size()) return text + "ends";
  return text + "holds \"" + commapi::trace::Describe(events_[next_]) + "\" (line " +
         std::to_string(events_[next_].line) + ")";
}

void RegisterReplayScheme(ReplayDevice::MismatchReport report) {
  static std::once_flag once;
  std::call_once(once, [&report] {
    commapi::RegisterDeviceScheme("replay", [report](const std::string& path) {
      std::string error;
      auto device = ReplayDevice::Load(path, report, error);
      if (!device && report) report("Cannot replay: " + error);
      return std::shared_ptr<commapi::VirtualDevice>(device);
    });
  });
}

}  // namespace sim
