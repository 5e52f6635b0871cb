// The session report's record of a run in the main window: the phases its
// status bar went through, what the window showed at the end, and the
// session trace recorded meanwhile (which must begin with the run: record
// each run into a trace of its own).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/SessionReport.h"
#include "platform/clock.h"

class TMain_Form;
namespace commapi {
class TraceRecorder;
}

namespace report {

// While it lives, notes each phase the run enters as the status bar shows it
// ("Rover Test: dial test"), timed as the session trace times its events:
// from the port's first open, which the status bar shows at the first wait
// after it.
class PhaseWatch {
 public:
  explicit PhaseWatch(TMain_Form& form);
  ~PhaseWatch();  // gives the status bar its own hook back
  PhaseWatch(const PhaseWatch&) = delete;
  PhaseWatch& operator=(const PhaseWatch&) = delete;

  const std::string& Procedure() const { return procedure_; }  // "Rover Test"
  std::vector<Phase> Phases() const;

 private:
  void Look();

  struct Entered {
    std::string name;
    platform::clock::Millis at;
  };
  TMain_Form& form_;
  std::function<void()> chained_;
  std::string procedure_, shown_;
  std::vector<Entered> entered_;
  std::optional<platform::clock::Millis> opened_;
};

// What the window does not know about its run.
struct RunFacts {
  std::string madeFrom;  // how the page is made: "Made ...", "Made by replaying ..."
  std::string error;     // the error box's text, when an error ended the run
};

// Gives the session the trace of its run: the events its port saw, and the
// text shown (its lines, and what its header says of when and where the run
// was: the window tells neither). They differ for a replay, whose page
// shows the recording but draws what the replay saw, which ends where it
// left the recording. A text without a header leaves those facts as they
// were.
void UseTrace(Session& session, const std::string& seen, const std::string& shown);

// A run recorded for its report, from before it starts: a session trace of
// its own in memory, recorded beside any other (File › Record Trace...,
// --trace), and its phases.
class RunRecording {
 public:
  explicit RunRecording(TMain_Form& form);
  ~RunRecording();
  RunRecording(const RunRecording&) = delete;
  RunRecording& operator=(const RunRecording&) = delete;

  // The run has ended: its session as the window shows it, without the
  // trace, which goes on until EndTrace (the console's window closes the
  // port as it goes). No more phases are watched.
  Session Finish(const RunFacts& facts);
  // Ends the trace: its text, for UseTrace.
  std::string EndTrace();

 private:
  TMain_Form& form_;
  std::string trace_;
  std::unique_ptr<commapi::TraceRecorder> recorder_;
  std::optional<PhaseWatch> phases_;
};

}  // namespace report
