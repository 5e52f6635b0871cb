#include "sim/ReplayDevice.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace sim {

using commapi::trace::Event;
using commapi::trace::Kind;

std::shared_ptr<ReplayDevice> ReplayDevice::Load(const std::string& path, MismatchReport report,
                                                 std::string& error) {
  commapi::trace::ReadResult read = commapi::trace::Load(path);
  if (!read.error.empty()) {
    error = read.error;
    return nullptr;
  }
  return Create(path, std::move(read.events), std::move(report));
}

std::shared_ptr<ReplayDevice> ReplayDevice::Create(std::string name, std::vector<Event> events,
                                                   MismatchReport report) {
  return std::shared_ptr<ReplayDevice>(
      new ReplayDevice(std::move(name), std::move(events), std::move(report)));
}

// The notes are set aside: a run is known by where its first event stands
// among the others.
ReplayDevice::ReplayDevice(std::string path, std::vector<Event> events, MismatchReport report)
    : path_(std::move(path)), report_(std::move(report)) {
  std::size_t before = 0, i = 0;
  for (commapi::trace::RecordedRun& run : commapi::trace::Runs(events)) {
    for (; i < run.start; ++i) before += commapi::trace::IsNote(events[i].kind) ? 0 : 1;
    runs_.push_back({std::move(run.header), before, std::move(run.log)});
  }
  std::erase_if(events, [](const Event& event) { return commapi::trace::IsNote(event.kind); });
  events_ = std::move(events);
}

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
  commapi::ObserveRuns(weak_from_this());  // the runs now go through this port
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
  if (next_ == events_.size() && action.kind == Kind::Open) {
    next_ = 0;
    run_.reset();
  }
  // A trace cut short (the recording stopped) may end before the close.
  if (next_ == events_.size() && action.kind == Kind::Close) return;
  if (next_ == events_.size() || !commapi::trace::SameAction(action, events_[next_])) {
    Stop(MismatchText(action));
    return;
  }
  // The recorded run this action belongs to; its log is compared from its
  // start.
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), next_,
                                      [](std::size_t at, const Run& run) { return at < run.first; });
  const std::optional<std::size_t> run =
      after == runs_.begin() ? std::nullopt : std::optional(after - runs_.begin() - 1);
  if (run != run_) logNext_ = 0;
  run_ = run;
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

namespace {

// "holds "send AT\r\n" (line 7)".
std::string Holding(const Event& event) {
  return "holds \"" + commapi::trace::Describe(event) + "\" (line " + std::to_string(event.line) +
         ")";
}

}  // namespace

std::string ReplayDevice::MismatchText(const Event& action) const {
  return "the program did \"" + commapi::trace::Describe(action) + "\" where the trace " +
         (next_ == events_.size() ? "ends" : Holding(events_[next_]));
}

void ReplayDevice::Stop(const std::string& why) {
  // From here on the modem is silent; the report ends the program's command.
  // With nobody to tell, the port goes instead.
  failed_ = true;
  if (report_)
    report_("Replay of " + path_ + " stopped: " + why);
  else if (line_ != nullptr)
    line_->Vanish();
}

const ReplayDevice::Run* ReplayDevice::ComparedRun(const commapi::trace::RunHeader* run) const {
  if (failed_ || run == nullptr || !run_) return nullptr;
  const Run& recorded = runs_[*run_];
  const bool same = recorded.header.procedure == run->procedure &&
                    recorded.header.level == run->level;
  return same ? &recorded : nullptr;
}

void ReplayDevice::Logged(std::string_view line, const commapi::trace::RunHeader* run) {
  std::lock_guard lock(mutex_);
  const Run* recorded = ComparedRun(run);
  if (recorded == nullptr) return;
  if (logNext_ < recorded->log.size() && recorded->log[logNext_].bytes == line) {
    ++logNext_;
    return;
  }
  Stop("the program did \"" + commapi::trace::Describe(Event::LogLine(line)) +
       "\" where the trace " +
       (logNext_ < recorded->log.size() ? Holding(recorded->log[logNext_])
                                        : "holds no more of its log"));
}

void ReplayDevice::RunEnded(const commapi::trace::RunHeader& run) {
  std::lock_guard lock(mutex_);
  const Run* recorded = ComparedRun(&run);
  if (recorded != nullptr && logNext_ < recorded->log.size())
    Stop("the program's log ends where the trace " + Holding(recorded->log[logNext_]));
  run_.reset();
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
