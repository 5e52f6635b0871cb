// Session traces end to end: a procedure recorded through the console runner
// (against the simulator or through the window's menu) and the
// recording replayed as the modem.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ConsoleRunner.h"
#include "platform/clock.h"
#include "platform/commapi/trace_recorder.h"
#include "tests/support/Scenario.h"
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

class TraceRoundTrip : public testing::TestWithParam<std::string> {};

// The replay gives the same log, clipboard and status, and recorded again it
// gives the same trace: every event at the same time.
TEST_P(TraceRoundTrip, TheReplayedRecordingGivesTheSameLogClipboardStatusAndTrace) {
  TempDir dir;
  for (const char* procedure : {"rover-test", "saving-settings-test"}) {
    const std::string trace = dir / (std::string(procedure) + ".trace");
    const Outcome recorded =
        Collect(Procedure(procedure, {"--simulate=" + GetParam(), "--trace", trace}), dir, "rec");
    const std::string again = dir / "again.trace";
    const Outcome replayed = Collect(
        Procedure(procedure, {"--simulate=replay:" + trace, "--trace", again}), dir, "play");
    EXPECT_EQ(replayed.err, "") << procedure;
    EXPECT_EQ(ReadFile(again), ReadFile(trace)) << procedure;  // every event at its time
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

INSTANTIATE_TEST_SUITE_P(EveryProfile, TraceRoundTrip, testing::ValuesIn(ProfileNames()),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::erase(name, '-');
                           return name;
                         });

// Recording changes nothing; a reply changed by hand changes what the program
// logs; a program that sends what the trace does not hold is stopped with the
// place it went astray.
TEST(TraceReplay, RecordingChangesNothingATamperedReplyShowsAStrayCommandIsAnError) {
  TempDir dir;
  const std::string trace = dir / "rover.trace";
  const Outcome recorded =
      Collect(Procedure("rover-test", {"--simulate", "--trace", trace}), dir, "rec");
  ASSERT_EQ(recorded.status, 0) << recorded.err;
  const Outcome plain = Collect(Procedure("rover-test", {"--simulate"}), dir, "plain");
  EXPECT_EQ(plain.log + plain.clipboard, recorded.log + recorded.clipboard);

  std::string text = ReadFile(trace);
  const std::string id = "TELVORA SIMULATED MODEM";
  ASSERT_NE(text.find(id), std::string::npos);
  text.replace(text.find(id), id.size(), "SOME OTHER MODEM");
  const std::string tampered = dir / "tampered.trace";
  std::ofstream(tampered, std::ios::binary) << text;
  const Outcome replayed =
      Collect(Procedure("rover-test", {"--simulate=replay:" + tampered}), dir, "play");
  EXPECT_NE(replayed.log, recorded.log);
  EXPECT_NE(replayed.log.find("SOME OTHER MODEM"), std::string::npos);

  std::vector<std::string> otherNumber = Procedure("rover-test", {"--simulate=replay:" + trace});
  otherNumber[4] = "5559999";
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
// warning); checked while recording, which starts with the next
// open of the port and stops when the item is chosen again. Only then does
// the file take the place of one of its name.
TEST(TraceRecording, TheWindowRecordsBetweenTheTwoChoicesOfItsMenuItem) {
  TempDir dir;
  const std::string path = dir / "window.trace";
  std::ofstream(path) << "previous\n";
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
  run.Click(form.N96001);
  EXPECT_EQ(ReadFile(path), "previous\n");
  run.Click(form.RecordTrace1);
  EXPECT_FALSE(form.RecordTrace1->Checked());
  run.Click(form.N96001);  // no longer recorded

  std::istringstream text(ReadFile(path));
  std::string events;
  for (std::string line; std::getline(text, line);)
    if (line[0] != '#') events += line + "; ";
  EXPECT_EQ(events,
            "0 open; 0 lines cts=1 dsr=1 cd=0; 0 set 9600 dtr=1 rts=1; 1000 send AT V1\\r\\n; "
            "1000 recv AT V1\\r\\n; 1030 recv \\r\\nOK\\r\\n; 1030 close; ");
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
