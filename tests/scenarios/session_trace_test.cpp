// Session traces end to end: a procedure recorded through the console runner
// (against the simulator or through the window's menu) and the
// recording replayed as the modem.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <tuple>

#include "app/ConsoleRunner.h"
#include "comms/Comms.h"
#include "platform/clock.h"
#include "platform/commapi/trace_recorder.h"
#include "sim/ReplayDevice.h"
#include "tests/support/Scenario.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;

namespace fs = std::filesystem;

// What a run left behind: its exit status, error output, log and clipboard.
struct Outcome {
  int status;
  std::string err, log, clipboard;
};

// Runs the console with args plus --save-log and --clipboard into dir.
Outcome Collect(std::vector<std::string> args, const TempDir& dir, const std::string& tag) {
  args.insert(args.end(),
              {"--save-log", dir / (tag + ".log"), "--clipboard", dir / (tag + ".clip")});
  std::istringstream in;
  std::ostringstream out, err;
  const int status = console::RunConsole(args, in, out, err);
  return {status, err.str(), ReadFile(dir / (tag + ".log")), ReadFile(dir / (tag + ".clip"))};
}

// A procedure in virtual time at the Debug level, plus more options.
std::vector<std::string> Procedure(const std::string& name,
                                   std::initializer_list<std::string> more) {
  std::vector<std::string> args = {"--run",   name,      "--fast", "--phone",
                                   "5551234", "--level", "debug"};
  args.insert(args.end(), more);
  return args;
}

// --report-from trace --report page: the exit status.
int ReportFrom(const std::string& trace, const std::string& page) {
  std::istringstream in;
  std::ostringstream out, err;
  return console::RunConsole({"--report-from", trace, "--report", page}, in, out, err);
}

// A session report without the line that says how it was made.
std::string WithoutMadeFrom(const std::string& page) {
  return std::regex_replace(page, std::regex("<p class=\"made\">[^<]*</p>"), "");
}

// The trace without what says when and where it was made.
std::string WithoutWhenAndWhere(const std::string& trace) {
  std::istringstream in(trace);
  std::string kept;
  for (std::string line; std::getline(in, line);)
    if (line.find(" run started ") == std::string::npos &&
        line.find(" run device ") == std::string::npos)
      kept += line + "\n";
  return kept;
}

// The handlers of the port's events read what came 1 to 20 ms after they
// are called, as on a real machine; in virtual time a read otherwise comes
// the moment the wait it is in ends.
void LagReads(comms::TComPort& port) {
  auto lagging = [](auto handler) {
    return [handler, next = 0](auto... arguments) mutable {
      platform::clock::Sleep(1 + (next++ * 7) % 20);
      handler(arguments...);
    };
  };
  port.OnRxChar = lagging(port.OnRxChar);
  port.OnCTS = lagging(port.OnCTS);
  port.OnDSR = lagging(port.OnDSR);
  port.OnRLSD = lagging(port.OnRLSD);
}

// A procedure recorded through the window, at the Debug level, its reads
// lagging: the log, clipboard and status the console would have given.
Outcome RecordLagging(const std::string& profile, const std::string& procedure,
                      const std::string& trace) {
  std::ofstream file(trace, std::ios::binary);
  const auto recorder =  // also sees the last close
      commapi::TraceRecorder::Start([&file](std::string_view line) { file << line << std::flush; });
  scenario::Options options;
  options.profile = profile;
  options.level = 4;
  scenario::Scenario run(options);
  // The window's own handlers, wrapped where they are.
  LagReads(const_cast<comms::TComPort&>(run.Form().SerialPort()));
  run.PowerCycleWhenAsked();
  run.Click(procedure == "rover-test" ? run.Form().Test1 : run.Form().SavingSettingsTest1);
  std::string log;
  for (const std::string& line : run.Log()) log += line + "\n";
  const bool finished = !run.Clipboard().empty();
  return {finished ? console::kNormalEnd : console::kEndedEarly, "", log, run.Clipboard()};
}

// How the recording read: at once, or lagging as a real one does.
enum class Reads { kAtOnce, kLagging };

class TraceRoundTrip : public testing::TestWithParam<std::tuple<std::string, Reads>> {};

// The replay gives the same log, clipboard and status, and, from a recording
// made in virtual time, recorded again it gives the same trace: every event
// at the same time. The session report of the run, and the one made from its
// trace, are one page (for modems of different verdicts).
TEST_P(TraceRoundTrip, TheReplayedRecordingGivesTheSameLogClipboardStatusAndTrace) {
  const auto& [profile, reads] = GetParam();
  const bool reported = reads == Reads::kAtOnce &&
                        (profile == "standard" || profile == "no-carrier" || profile == "k0-only");
  TempDir dir;
  for (const char* procedure : {"rover-test", "saving-settings-test"}) {
    const std::string trace = dir / (std::string(procedure) + ".trace");
    std::vector<std::string> args =
        Procedure(procedure, {"--simulate=" + profile, "--trace", trace});
    if (reported) args.insert(args.end(), {"--report", dir / "run.html"});
    const Outcome recorded = reads == Reads::kLagging ? RecordLagging(profile, procedure, trace)
                                                      : Collect(args, dir, "rec");
    if (reported) {
      EXPECT_EQ(ReportFrom(trace, dir / "replayed.html"), recorded.status) << procedure;
      const std::string page = ReadFile(dir / "run.html");
      EXPECT_NE(page.find(" run started "), std::string::npos) << procedure;
      EXPECT_EQ(WithoutMadeFrom(ReadFile(dir / "replayed.html")), WithoutMadeFrom(page))
          << procedure;
    }
    const std::string again = dir / "again.trace";
    const Outcome replayed = Collect(
        Procedure(procedure, {"--simulate=replay:" + trace, "--trace", again}), dir, "play");
    EXPECT_EQ(replayed.err, "") << procedure;
    if (reads == Reads::kAtOnce) {
      EXPECT_EQ(WithoutWhenAndWhere(ReadFile(again)), WithoutWhenAndWhere(ReadFile(trace)))
          << procedure;
    }
    EXPECT_EQ(replayed.status, recorded.status) << procedure;
    EXPECT_EQ(replayed.log, recorded.log) << procedure;
    EXPECT_EQ(replayed.clipboard, recorded.clipboard) << procedure;
  }
}

std::vector<std::string> ProfileNames() {
  std::vector<std::string> names;
  for (const sim::ProfileInfo& profile : sim::Profiles()) names.push_back(profile.name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(EveryProfile, TraceRoundTrip,
                         testing::Combine(testing::ValuesIn(ProfileNames()),
                                          testing::Values(Reads::kAtOnce, Reads::kLagging)),
                         [](const auto& info) {
                           std::string name = std::get<0>(info.param);
                           std::erase(name, '-');
                           return name + (std::get<1>(info.param) == Reads::kLagging
                                              ? "_lagging"
                                              : "");
                         });

// Recording changes nothing, and the trace begins with what ran. A reply
// changed by hand changes what the program logs, and the replay stops where
// its log leaves the recording's, or where the recording's goes on; at
// another level, where the logs cannot be compared, a program that sends
// what the trace does not hold is stopped where it went astray.
TEST(TraceReplay, RecordingChangesNothingAndAReplayThatDepartsFromItIsAnError) {
  TempDir dir;
  const std::string trace = dir / "rover.trace";
  const Outcome recorded =
      Collect(Procedure("rover-test", {"--simulate", "--trace", trace}), dir, "rec");
  ASSERT_EQ(recorded.status, 0) << recorded.err;
  const Outcome plain = Collect(Procedure("rover-test", {"--simulate"}), dir, "plain");
  EXPECT_EQ(plain.log + plain.clipboard, recorded.log + recorded.clipboard);
  const auto runs = commapi::trace::Runs(commapi::trace::Load(trace).events);
  ASSERT_EQ(runs.size(), 1u);
  commapi::trace::RunHeader expected{"rover-test", "5551234", false, "debug", TELVORA_VERSION,
                                     runs[0].header.started, "COM1", "sim:standard"};
  EXPECT_EQ(runs[0].header, expected);
  EXPECT_TRUE(std::regex_match(runs[0].header.started,
                               std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d [+-]\d{4})")))
      << runs[0].header.started;
  std::string noted;  // the log, as the trace carries it
  for (const commapi::trace::Event& line : runs[0].log) noted += line.bytes + "\n";
  EXPECT_EQ(noted, recorded.log);

  const std::string text = ReadFile(trace);
  const std::string id = "TELVORA SIMULATED MODEM";
  const std::string changed =
      std::string(text).replace(text.find(id), id.size(), "SOME OTHER MODEM");
  const std::string longer = text + "999999 log One line more\n";
  const std::pair<std::string, std::string> departures[] = {
      {changed,
       "the program did \"log SOME OTHER MODEM 33600\" where the trace holds \"log TELVORA "
       "SIMULATED MODEM 33600\" (line "},
      {longer, "the program's log ends where the trace holds \"log One line more\" (line "},
  };
  for (const auto& [edited, why] : departures) {
    const std::string tampered = dir / "tampered.trace";
    std::ofstream(tampered, std::ios::binary) << edited;
    const Outcome replayed =
        Collect(Procedure("rover-test", {"--simulate=replay:" + tampered}), dir, "play");
    EXPECT_EQ(replayed.status, console::kPortError);
    EXPECT_EQ(replayed.err.rfind("Replay of " + tampered + " stopped: " + why, 0), 0u)
        << replayed.err;
    // Its report goes as far as the replay, and says why it stopped.
    EXPECT_EQ(ReportFrom(tampered, dir / "stopped.html"), console::kPortError);
    const std::string page = ReadFile(dir / "stopped.html");
    EXPECT_NE(page.find("<p class=\"error\">Replay of " + tampered + " stopped: "),
              std::string::npos);
    EXPECT_EQ(page.find("<p>No test calls.</p>") != std::string::npos, edited == changed);
  }

  std::vector<std::string> otherNumber = Procedure("rover-test", {"--simulate=replay:" + trace});
  otherNumber[4] = "5559999";
  otherNumber[6] = "normal";
  const Outcome stray = Collect(otherNumber, dir, "stray");
  EXPECT_EQ(stray.status, console::kPortError);
  const std::string why =
      " stopped: the program did \"send ATDT 5559999\\r\\n\" where the trace "
      "holds \"send ATDT 5551234\\r\\n\" (line ";
  EXPECT_EQ(stray.err.rfind("Replay of " + trace + why, 0), 0u) << stray.err;
  EXPECT_EQ(std::count(stray.err.begin(), stray.err.end(), '\n'), 1) << stray.err;
  EXPECT_EQ(stray.clipboard, "");
}

// A modem unplugged during the first test call: the replayed port goes at the
// same point of the procedure, with the same error.
TEST(TraceReplay, APortThatVanishedVanishesAgainInTheReplay) {
  TempDir dir;
  const std::string trace = dir / "unplugged.trace";
  std::string log, error;
  {
    std::ofstream file(trace, std::ios::binary);
    const auto recorder =
        commapi::TraceRecorder::Start([&file](std::string_view line) { file << line; });
    scenario::Scenario run;
    std::ostringstream errorBox;
    run.Ui().errorOutput = &errorBox;
    platform::clock::ScheduleAfter(10000, [&run] { run.Modem().Unplug(); });
    run.Click(run.Form().Test1);
    error = errorBox.str().substr(0, errorBox.str().find('\n') + 1);  // the command's own
    for (const std::string& line : run.Log()) log += line + "\n";
  }
  ASSERT_NE(error, "");
  const Outcome replayed =
      Collect({"--run", "rover-test", "--fast", "--phone", "5551234", "--simulate=replay:" + trace},
              dir, "play");
  EXPECT_EQ(replayed.err, error);
  EXPECT_EQ(replayed.log, log);
}

// A device (which would be read for ever), a directory or an empty file is
// no trace: the console refuses it before the run, as a bad command line.
TEST(TraceReplay, WhatIsNoTraceIsRefusedBeforeTheRun) {
  TempDir dir;
  std::ofstream(dir / "empty.trace");
  for (const std::string& path : {std::string("/dev/zero"), dir / "", dir / "empty.trace"}) {
    const Outcome refused = Collect(Procedure("detect-9600", {"--simulate=replay:" + path}), dir,
                                    "refused");
    EXPECT_EQ(refused.status, console::kBadCommandLine) << path;
    EXPECT_EQ(refused.err.rfind("telvora: ", 0), 0u) << refused.err;
    EXPECT_NE(refused.err.find(path), std::string::npos) << refused.err;
  }
}

// The traces kept as examples still play the procedures they were made of.
TEST(TraceReplay, TheLibraryTracesStillReplay) {
  TempDir dir;
  for (const fs::directory_entry& entry : fs::directory_iterator(TELVORA_TRACES_DIR)) {
    const std::string name = entry.path().filename().string();
    const std::string procedure =
        name.find("rover-test") != std::string::npos ? "rover-test" : "saving-settings-test";
    const Outcome outcome =
        Collect(Procedure(procedure, {"--simulate=replay:" + entry.path().string()}), dir, "lib");
    EXPECT_EQ(outcome.err, "") << name;
  }
}

// File > Record Trace...: asks for a file (one that cannot be written gets a
// warning); checked while recording, which starts with the next open of the
// port and stops when the item is chosen again. Only then does the file take
// the place of one of its name. Each run starts with its own header.
// Replayed in the window, a run whose log leaves the recording's ends in the
// error box.
TEST(TraceRecording, TheWindowRecordsEachRunBetweenTheTwoChoicesOfItsMenuItem) {
  TempDir dir;
  const std::string path = dir / "window.trace";
  std::ofstream(path, std::ios::binary) << "previous\n";
  scenario::Options options;
  options.level = 4;
  scenario::Scenario run(options);
  TMain_Form& form = run.Form();
  run.Ui().promptAnswers.push_back(std::nullopt);  // Cancel: nothing recorded
  run.Click(form.RecordTrace1);
  run.Ui().promptAnswers.push_back("/nonexistent/dir/t.trace");  // a warning, nothing recorded
  run.Click(form.RecordTrace1);
  EXPECT_FALSE(form.RecordTrace1->Checked());
  EXPECT_EQ(run.Ui().boxes.size(), 1u);
  run.Ui().promptAnswers.push_back(path);
  run.Click(form.RecordTrace1);
  EXPECT_TRUE(form.RecordTrace1->Checked());
  EXPECT_FALSE(form.SaveReport1->Enabled());
  run.Click(form.N96001);
  run.Click(form.N192001);
  // File > Save Report...: the last run's page, its trace in it while recorded.
  run.Ui().promptAnswers.push_back(dir / "recorded.html");
  run.Click(form.SaveReport1);
  EXPECT_EQ(ReadFile(path), "previous\n");
  run.Click(form.RecordTrace1);
  EXPECT_FALSE(form.RecordTrace1->Checked());
  run.Click(form.N96001);  // no longer recorded
  run.Ui().promptAnswers.push_back(dir / "unrecorded.html");
  run.Click(form.SaveReport1);
  run.Ui().promptAnswers.push_back("/nonexistent/dir/r.html");
  run.Click(form.SaveReport1);
  EXPECT_EQ(run.Ui().boxes.back().text,
            "The report could not be written to /nonexistent/dir/r.html: No such file or "
            "directory");
  const std::string recorded = ReadFile(dir / "recorded.html");
  const std::string unrecorded = ReadFile(dir / "unrecorded.html");
  EXPECT_NE(recorded.find("0 run procedure detect-19200\n"), std::string::npos);
  EXPECT_NE(recorded.find("<pre class=\"log\">Detecting modem\nModem detected at 19200\n"),
            std::string::npos);
  EXPECT_EQ(unrecorded.find(" run procedure "), std::string::npos);
  EXPECT_NE(unrecorded.find("<h1>Detect 9600 \u2014 session report</h1>"), std::string::npos);

  const commapi::trace::ReadResult read = commapi::trace::Load(path);
  const auto runs = commapi::trace::Runs(read.events);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].header.procedure, "detect-9600");
  EXPECT_EQ(runs[1].header.procedure, "detect-19200");
  EXPECT_EQ(runs[1].header.level, "debug");
  EXPECT_EQ(runs[1].header.device, "virtual device");
  std::string events;  // the first run's
  for (std::size_t i = 0; i < runs[1].start; ++i)
    if (read.events[i].kind != commapi::trace::Kind::Run)
      events += std::to_string(read.events[i].ms) + " " + Describe(read.events[i]) + "; ";
  EXPECT_EQ(events,
            "0 open; 0 lines cts=1 dsr=1 cd=0; 0 set 9600 dtr=1 rts=1; 1000 log Detecting modem; "
            "1000 send AT V1\\r\\n; 1000 recv AT V1\\r\\n; 1030 recv \\r\\nOK\\r\\n; "
            "1030 log Modem detected at 9600; 1030 close; ");

  std::string text = ReadFile(path);
  text.replace(text.find("detected at 9600"), 16, "detected at 9601");
  std::ofstream(path, std::ios::binary) << text;
  sim::RegisterReplayScheme(ReportReplayMismatch);
  testsupport::ScopedEnv mapping("TELVORA_COM2", "replay:" + path);
  std::ostringstream errorBox;
  run.Ui().errorOutput = &errorBox;
  run.Click(form.COM21);
  run.Click(form.N96001);
  auto& app = toolkit::Application::Instance();
  try {
    app.ProcessMessages();  // the window's next look at its messages
  } catch (...) {
    app.HandleException(std::current_exception());
  }
  EXPECT_NE(errorBox.str().find("Replay of " + path +
                                " stopped: the program did \"log Modem detected at 9600\" where "
                                "the trace holds \"log Modem detected at 9601\""),
            std::string::npos)
      << errorBox.str();
}

// A window closed while it records puts its trace in place.
TEST(TraceRecording, ClosingTheWindowEndsTheRecording) {
  TempDir dir;
  {
    scenario::Scenario run;
    run.Ui().promptAnswers.push_back(dir / "t.trace");
    run.Click(run.Form().RecordTrace1);
    run.Click(run.Form().N96001);
  }
  EXPECT_NE(ReadFile(dir / "t.trace").find(" close\n"), std::string::npos);
}

}  // namespace
