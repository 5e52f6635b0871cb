// A modem played back from a session trace (platform/commapi/trace_format.h).
//
// The trace is a run of the program's actions (open, close, send, set), each
// followed by what the modem did in answer (recv, lines, gone, absent). When
// the program performs the next recorded action, the answers that follow it
// are played at their recorded distance from it, on platform/clock (those of
// the same ms within the action, as no time passed); what is still unplayed
// when the program acts again is played at once, as it came before that
// action. When the program does something else, the replay
// stops: the modem falls silent and the report says what was done, what the
// trace holds and where (without a report, the port vanishes).
//
// The notes are not played. A run recorded with its log is compared with the
// log of the replayed run, when that is the same procedure at the same
// message level: a line logged otherwise, or a log that ends sooner, stops
// the replay the same way, as the program then saw something else than the
// recording did.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/commapi/device_presence.h"
#include "platform/commapi/trace_format.h"
#include "platform/commapi/trace_recorder.h"
#include "platform/commapi/virtual_device.h"

namespace sim {

class ReplayDevice : public commapi::VirtualDevice,
                     public commapi::DevicePresence,
                     public commapi::RunObserver,
                     public std::enable_shared_from_this<ReplayDevice> {
 public:
  // Gets the text for the user when the program leaves the recording; it
  // should end the program's command, as the modem answers nothing more.
  using MismatchReport = std::function<void(const std::string& text)>;

  // The modem of a trace file; null, with the reason in error, for a file
  // that cannot be read.
  static std::shared_ptr<ReplayDevice> Load(const std::string& path, MismatchReport report,
                                            std::string& error);
  // The modem of a trace read elsewhere; name is what the reports call it.
  static std::shared_ptr<ReplayDevice> Create(std::string name,
                                              std::vector<commapi::trace::Event> events,
                                              MismatchReport report);

  // True while changes of the lines (or the device going) recorded before
  // the program's next action are still to come: a person at the "Action
  // Required" box waits for the modem's lights.
  bool LineChangesPending();

  // Absent from when the recording found the device missing until the
  // recording's next open.
  bool Present() const override;

  void Attach(commapi::VirtualLine& line) override;
  void Detach() override;
  void Transmit(std::string_view bytes) override;
  void Configure(const commapi::DCB& dcb, bool dtr, bool rts) override;

  void Logged(std::string_view line, const commapi::trace::RunHeader* run) override;
  void RunEnded(const commapi::trace::RunHeader& run) override;

 private:
  // A recorded run: its header, the index of its first modem or program
  // event and what it logged.
  struct Run {
    commapi::trace::RunHeader header;
    std::size_t first = 0;
    std::vector<commapi::trace::Event> log;
  };

  ReplayDevice(std::string path, std::vector<commapi::trace::Event> events, MismatchReport report);
  // The clock's callback; it takes mutex_.
  void PlayDue(std::uint64_t generation);
  // The rest runs with mutex_ held.
  void Perform(const commapi::trace::Event& action);
  void NoteAbsence();
  void PlayAnswersNow();
  void ScheduleNextAnswer();
  void Play(const commapi::trace::Event& answer);
  std::string MismatchText(const commapi::trace::Event& action) const;
  // The recorded run the replayed one is compared with, if any.
  const Run* ComparedRun(const commapi::trace::RunHeader* run) const;
  // From here on the modem is silent; report_ gets why.
  void Stop(const std::string& why);

  const std::string path_;
  std::vector<commapi::trace::Event> events_;  // the modem's and the program's
  std::vector<Run> runs_;
  const MismatchReport report_;

  mutable std::mutex mutex_;
  std::size_t next_ = 0;  // the next event of the trace to happen
  commapi::VirtualLine* line_ = nullptr;
  // The recorded and the present time of the last action matched.
  std::int64_t actionAt_ = 0;
  platform::clock::Millis actionNow_ = 0;
  // Bumped by every action: an answer scheduled before it no longer plays.
  std::uint64_t generation_ = 0;
  platform::clock::Millis absentFrom_ = 0, absentUntil_ = 0;
  bool configured_ = false;  // lastSet_ holds the settings since the open
  commapi::trace::Event lastSet_;
  bool failed_ = false;
  // The recorded run the replay is in (from its first action on), and its
  // next log line.
  std::optional<std::size_t> run_;
  std::size_t logNext_ = 0;
};

// Lets "replay:FILE" stand as a mapped device path
// (TELVORA_COMn=replay:/path/to/trace). Calling it again does nothing.
void RegisterReplayScheme(ReplayDevice::MismatchReport report);

}  // namespace sim
