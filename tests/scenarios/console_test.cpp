// The console runner, in process (its streams are the test's) and, for the
// program entry, as the built program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ext/stdio_filebuf.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "app/ConsoleRunner.h"
#include "tests/support/LambdaThread.h"
#include "tests/support/TempDir.h"
#include "tests/support/pty.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;

struct Result {
  int status;
  std::string out, err;
};

Result RunConsoleWith(std::vector<std::string> args, const std::string& input = "",
                      console::Terminals terminals = {}) {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status = console::RunConsole(args, in, out, err, terminals);
  return {status, out.str(), err.str()};
}

TEST(ConsoleRunner, RejectsBadCommandLinesWithUsage) {
  const std::vector<std::vector<std::string>> bad = {
      {"--run"},
      {"--run", "dance"},
      {"--port", "COM2"},
      {"--run", "detect-9600", "--port", "COM11"},
      {"--run", "detect-9600", "--port", "COM0"},
      {"--run", "detect-9600", "--level", "loud"},
      {"--run", "detect-9600", "--simulate", "--fast", "--nextel=yes"},
      {"--run", "detect-9600", "--fast"},
      {"--run", "detect-9600", "--simulate=nosuch"},
      {"--run", "detect-9600", "leftover"},
      {"--run", "detect-9600", "--port", "ttyUSB0"},
      {"--run", "detect-9600", "--port", "sim:nosuch"},
      {"--run", "detect-9600", "--port", "/dev/ttyUSB0", "--simulate"},
      // An option is no phone number; one file cannot hold both.
      {"--run", "rover-test", "--simulate=dead", "--fast", "--phone", "--nextel"},
      {"--run", "detect-9600", "--simulate=dead", "--fast", "--save-log", "/tmp/t.txt",
       "--clipboard", "/tmp/../tmp/t.txt"},
      // Nor one file that does not exist yet, nor the trace being replayed.
      {"--run", "detect-9600", "--simulate", "--fast", "--save-log", "telvora-b.txt", "--clipboard",
       "./telvora-b.txt"},
      {"--run", "detect-9600", "--simulate", "--fast", "--trace", "t.trace", "--save-log",
       "t.trace"},
      {"--run", "detect-9600", "--simulate=replay:t.trace", "--fast", "--trace", "./t.trace"},
      {"--run", "detect-9600", "--simulate", "--fast", "--report", "r.html", "--save-log",
       "r.html"},
      {"--report-from", "t.trace", "--level", "debug"},  // the trace says what ran
      {"--run", "detect-9600", "--port", "replay:t.trace", "--clipboard", "t.trace"},
      {"--run", "detect-9600", "--port", "COM4", "--fast"},  // TELVORA_COM4: no such modem
  };
  testsupport::ScopedEnv unknown("TELVORA_COM4", "sim:nosuch");
  for (const auto& args : bad) {
    const Result r = RunConsoleWith(args);
    EXPECT_EQ(r.status, console::kBadCommandLine) << args.back();
    EXPECT_EQ(r.err.rfind("telvora: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("Usage: telvora --run PROCEDURE"), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
}

TEST(ConsoleRunner, VersionHelpAndProfiles) {
  EXPECT_EQ(RunConsoleWith({"--version"}).out, "telvora " TELVORA_VERSION "\n");
  const Result help = RunConsoleWith({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--simulate[=PROFILE]"), std::string::npos);
  std::istringstream lines(help.out);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 79u) << line;
  const Result profiles = RunConsoleWith({"--list-profiles"});
  EXPECT_EQ(profiles.status, 0);
  EXPECT_EQ(profiles.out.rfind("standard ", 0), 0u);
  EXPECT_NE(profiles.out.find("\ndead "), std::string::npos);
}

// The options in the README's table and in the manual page, as the names
// matched by a pattern that ends in the name.
std::set<std::string> OptionsNamed(const std::string& text, const std::string& pattern) {
  std::set<std::string> names;
  const std::regex option(pattern + R"(((?:--|\\-\\-)[a-z\\-]+))");  // the page writes \-
  for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) {
    names.insert(std::regex_replace((*it)[1].str(), std::regex(R"(\\)"), ""));
  }
  return names;
}

TEST(ConsoleRunner, TheReadmeAndTheManualPageNameTheOptionsOfHelp) {
  const std::set<std::string> help = OptionsNamed(RunConsoleWith({"--help"}).out, "\n  ");
  EXPECT_EQ(OptionsNamed(ReadFile(TELVORA_SOURCE_DIR "/README.md"), R"(\n\| `)"), help);
  EXPECT_EQ(OptionsNamed(ReadFile(TELVORA_SOURCE_DIR "/dist/telvora.1.in"), R"(\n\.TP\n\.B[IR]? )"),
            help);
}

TEST(ConsoleRunner, DetectionStreamsTheLogAndSaysWhetherItFoundTheModem) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
  };
  const Case cases[] = {
      {{"--run", "detect-19200", "--simulate", "--fast"},
       0,
       "Detecting modem\nModem detected at 19200\n"},
      {{"--run", "detect-19200", "--simulate=dead", "--fast"},
       1,
       "Detecting modem\nModem NOT detected at 19200, Try again\n\n"},
      {{"--run", "detect-38400", "--simulate", "--fast", "--level", "summary"}, 0, ""},
      {{"--run", "detect-9600", "--simulate=fixed-9600", "--fast", "--level", "debug"},
       0,
       "Detecting modem\nModem detected at 9600\n"},
  };
  for (const Case& c : cases) {
    const Result r = RunConsoleWith(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[1];
    EXPECT_EQ(r.out, c.out) << c.args[1];
    EXPECT_EQ(r.err, "");
  }
}

TEST(ConsoleRunner, SimulatesOnTheChosenPort) {
  // Should the modem land elsewhere, COM3 fails to open instead of reaching
  // a real device.
  testsupport::ScopedEnv missing("TELVORA_COM3", "/nonexistent/telvora-port");
  const Result r =
      RunConsoleWith({"--run", "detect-9600", "--port", "com3", "--simulate", "--fast"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Detecting modem\nModem detected at 9600\n");
}

// --port sim:PROFILE is --simulate=PROFILE; --lines follows the modem lines
// on standard error without touching the log.
TEST(ConsoleRunner, LinesGoToStandardErrorAtEachChange) {
  const Result r = RunConsoleWith({"--run", "detect-19200", "--port", "sim:standard", "--fast",
                                   "--lines"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Detecting modem\nModem detected at 19200\n");
  const std::string port = "COM1 \u2192 simulated modem (standard), ";
  EXPECT_EQ(r.err, "0:00.000 " + port + "9600 baud: closed\n" +
                       "0:00.000 " + port + "19200 baud: DTR on, RTS on, CTS on, DSR on, CD off\n" +
                       "0:01.030 " + port + "19200 baud: closed\n");  // 1 s pause, then OK
}

// A device mapped to a COM name is listed as present; --port takes the
// device itself.
TEST(ConsoleRunner, ListPortsAndADevicePath) {
  testsupport::PseudoTerminal pty;
  testsupport::ScopedEnv mapped("TELVORA_COM3", pty.SlavePath());
  testsupport::ScopedEnv missing("TELVORA_COM4", "/nonexistent/telvora-port");
  const Result list = RunConsoleWith({"--list-ports"});
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("COM3  " + pty.SlavePath() + "  (present)\n"), std::string::npos)
      << list.out;
  EXPECT_NE(list.out.find("COM4  /nonexistent/telvora-port  (not present)\n"), std::string::npos);

  const Result detect = RunConsoleWith({"--run", "detect-9600", "--port", pty.SlavePath()});
  EXPECT_EQ(detect.status, 1);  // nothing answers on the pseudo-terminal
  EXPECT_EQ(pty.Read(7, 1000), "AT V1\r\n");
}

TEST(ConsoleRunner, APortErrorEndsWithItsMessageAndStatus2) {
  TempDir dir;
  testsupport::ScopedEnv missing("TELVORA_COM4", "/nonexistent/telvora-port");
  const Result r =
      RunConsoleWith({"--run", "detect-9600", "--port", "COM4", "--save-log", dir / "log.txt"});
  EXPECT_EQ(r.status, console::kPortError);
  EXPECT_EQ(r.err,
            "Unable to open com port: 2\nCOM4 maps to /nonexistent/telvora-port, which does not "
            "exist; set TELVORA_COM4 to the device to use\n");
  EXPECT_TRUE(std::filesystem::exists(dir / "log.txt"));
  EXPECT_EQ(ReadFile(dir / "log.txt"), "");
}

TEST(ConsoleRunner, AFinishedTestWritesItsLogAndClipboard) {
  TempDir dir;
  const Result r = RunConsoleWith({"--run", "rover-test", "--simulate", "--fast", "--phone",
                                   "5551234", "--level", "summary", "--save-log", dir / "log.txt",
                                   "--clipboard", dir / "clip.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string log = ReadFile(dir / "log.txt");
  const std::string clip = ReadFile(dir / "clip.txt");
  EXPECT_NE(log.find("Dial Test Version 2.01\n"), std::string::npos);
  EXPECT_NE(clip.find("Dial Test Version 2.01"), std::string::npos);
  // Every line of the final log was streamed as it was written.
  EXPECT_NE(r.out.find(log), std::string::npos);
}

TEST(ConsoleRunner, AnEarlyEndStillWritesTheLogAndLeavesTheClipboardEmpty) {
  TempDir dir;
  const Result r =
      RunConsoleWith({"--run", "rover-test", "--simulate=dead", "--fast", "--phone", "1",
                      "--save-log", dir / "log.txt", "--clipboard", dir / "clip.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(ReadFile(dir / "log.txt"), "");
  EXPECT_EQ(ReadFile(dir / "clip.txt"), "");
}

// The box is answered once the modem is powered up again; a USB modem's
// port is reopened when its device is back. In virtual time a port mapped to
// a simulated modem is that modem, as --port sim:PROFILE makes it.
TEST(ConsoleRunner, PowerCycleOfSlowAndUsbModems) {
  testsupport::ScopedEnv mapped("TELVORA_COM2", "sim:slow-reset");
  for (const char* profile : {"--simulate=slow-reset", "--simulate=usb-cdc", "--port=COM2"}) {
    const Result r =
        RunConsoleWith({"--run", "saving-settings-test", profile, "--fast", "--level", "verbose"});
    EXPECT_EQ(r.status, 0) << profile << r.err;
    EXPECT_NE(r.out.find("Detected modem after power cycle."), std::string::npos) << profile;
  }
}

// A full disk, at the end or while the trace is written: the run says so
// and fails, and the files it would have replaced are still there as they were.
TEST(ConsoleRunner, AFailedWriteFailsTheRunAndKeepsThePreviousFile) {
  TempDir dir;
  std::ofstream(dir / "log.txt") << "previous\n";
  std::ofstream(dir / "t.trace") << "previous\n";
  std::ofstream(dir / "r.html") << "previous\n";
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit small{9, saved.rlim_max};  // room for "previous\n", not for the log
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const Result r = RunConsoleWith({"--run", "detect-9600", "--simulate", "--fast", "--save-log",
                                   dir / "log.txt", "--trace", dir / "t.trace", "--report",
                                   dir / "r.html"});
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(r.status, console::kOutputError);
  EXPECT_EQ(r.err.rfind("telvora: cannot write " + dir / "log.txt" + ": ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("telvora: cannot write " + dir / "t.trace" + ": "), std::string::npos);
  EXPECT_NE(r.err.find("telvora: cannot write " + dir / "r.html" + ": "), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "log.txt") + ReadFile(dir / "t.trace") + ReadFile(dir / "r.html"),
            "previous\nprevious\nprevious\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / ""),
                          std::filesystem::directory_iterator()),
            3) << "no partial file left behind";

  for (const char* option : {"--save-log", "--trace", "--report"}) {
    const Result full =
        RunConsoleWith({"--run", "detect-9600", "--simulate", "--fast", option, "/dev/full"});
    EXPECT_EQ(full.status, console::kOutputError) << option;
    EXPECT_NE(full.err.find("cannot write /dev/full: No space left"), std::string::npos) << option;
  }
}

// Files written over: the file a link names gets the content and the link
// stays (even before the file exists), a file's other name still names it,
// its permission bits and owner stay; the partial file a killed run left
// goes, one a live run holds stays.
TEST(ConsoleRunner, AReplacedFileKeepsItsLinksNamesModeAndOwner) {
  namespace fs = std::filesystem;
  TempDir dir;
  std::ofstream(dir / "log.txt") << "previous\n";
  fs::permissions(dir / "log.txt",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const bool owned = geteuid() == 0 && chown((dir / "log.txt").c_str(), 4242, 4243) == 0;
  fs::create_symlink("clip.txt", dir / "clip-link");
  std::ofstream(dir / "t.trace") << "previous\n";
  fs::create_hard_link(dir / "t.trace", dir / "t-too.trace");
  std::ofstream(dir / "log.txt.partial") << "left by a killed run";
  const int live = open((dir / "log.txt.partial-2").c_str(), O_CREAT | O_RDWR, 0644);
  flock(live, LOCK_EX);
  const Result r = RunConsoleWith({"--run", "rover-test", "--simulate", "--fast", "--phone",
                                   "5551234", "--level", "summary", "--save-log", dir / "log.txt",
                                   "--clipboard", dir / "clip-link", "--trace", dir / "t.trace"});
  close(live);
  EXPECT_EQ(r.status, 0) << r.err;
  struct stat log {};
  ASSERT_EQ(stat((dir / "log.txt").c_str(), &log), 0);
  EXPECT_EQ(log.st_mode & 07777, 0640u);
  EXPECT_TRUE(!owned || (log.st_uid == 4242 && log.st_gid == 4243));
  EXPECT_NE(ReadFile(dir / "log.txt").find("Dial Test Version 2.01\n"), std::string::npos);
  EXPECT_TRUE(fs::is_symlink(dir / "clip-link"));
  EXPECT_NE(ReadFile(dir / "clip.txt").find("Dial Test Version 2.01"), std::string::npos);
  EXPECT_TRUE(fs::equivalent(dir / "t.trace", dir / "t-too.trace"));
  EXPECT_EQ(ReadFile(dir / "t-too.trace").rfind("# Telvora session trace", 0), 0u);
  EXPECT_FALSE(fs::exists(dir / "log.txt.partial"));
  EXPECT_TRUE(fs::exists(dir / "log.txt.partial-2"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / ""), fs::directory_iterator()), 6);
}

// A reader that has gone (telvora ... | head -1) ends only the output to it:
// the run and its saved log go on.
TEST(ConsoleRunner, AReaderThatGoesAwayEndsOnlyTheOutputToIt) {
  TempDir dir;
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  __gnu_cxx::stdio_filebuf<char> pipe(ends[1], std::ios::out, 1);  // unbuffered: none left
  std::ostream out(&pipe);
  std::istringstream in;
  std::ostringstream err;
  const std::vector<std::string> args = {"--run", "detect-19200", "--simulate", "--fast",
                                         "--save-log", dir / "log.txt"};
  EXPECT_EQ(console::RunConsole(args, in, out, err), 0);
  EXPECT_EQ(ReadFile(dir / "log.txt"), "Detecting modem\nModem detected at 19200\n");
}

// A prompt is asked on the terminal, or on standard error when the log is
// piped: never in the log.
TEST(ConsoleRunner, PromptsAreAskedOnTheTerminalNeverInAPipedLog) {
  const std::vector<std::string> args = {"--run", "rover-test", "--simulate=dead", "--fast"};
  const std::string prompt = "Confirm Phone Number - Phone Number to dial [5550123]: ";
  EXPECT_EQ(RunConsoleWith(args, "\n").err, prompt);
  const Result shown = RunConsoleWith(args, "\n", {true, true});
  EXPECT_EQ(shown.out.rfind(prompt + "Detecting modem\n", 0), 0u) << shown.out;
}

// Every message to a terminal is escaped as the log is: a trace's line
// quoted in an error, a device path, here named as the user gave it.
TEST(ConsoleRunner, MessagesToATerminalAreEscaped) {
  TempDir dir;
  std::ofstream(dir / "bad.trace") << "0 open\n1 \x1b]0;owned\x07\n";
  const Result replay = RunConsoleWith({"--run", "detect-9600", "--port", "replay:" + dir / "bad.trace"},
                                       "", {false, true});
  EXPECT_NE(replay.err.find("line 2: unknown event \"\\x1b]0;owned\\x07\"\n"), std::string::npos);
  const Result device = RunConsoleWith(
      {"--run", "detect-9600", "--port", "/nonexistent/\x1b[2Jtty"}, "", {false, true});
  EXPECT_EQ(device.err, "Unable to open com port: 2\n/nonexistent/\\x1b[2Jtty does not exist\n");
}

// Garbled bytes from the line reach a terminal as escapes, everything else
// exactly as received.
TEST(ConsoleRunner, OnlyATerminalSeesControlBytesEscaped) {
  TempDir dir;
  const std::vector<std::string> args = {"--run",    "detect-19200", "--simulate=fixed-9600",
                                         "--fast",   "--save-log",   dir / "log.txt"};
  const Result piped = RunConsoleWith(args);
  const std::string saved = ReadFile(dir / "log.txt");
  EXPECT_EQ(piped.out, saved);
  const Result shown = RunConsoleWith(args, "", {true, true});
  EXPECT_EQ(ReadFile(dir / "log.txt"), saved);
  EXPECT_NE(shown.out.find("\\x"), std::string::npos);
  for (const char c : shown.out) {
    EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << static_cast<int>(c);
  }
  EXPECT_TRUE(std::any_of(saved.begin(), saved.end(),
                          [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
}

// Refused as a shell redirection would refuse it, before anything is
// written: a trace of the same run is not started over.
TEST(ConsoleRunner, AFileThatCannotBeWrittenOrReplayedIsABadCommandLine) {
  TempDir dir;
  std::ofstream(dir / "kept.trace") << "previous\n";
  std::ofstream(dir / "read-only.txt") << "previous\n";
  std::filesystem::permissions(dir / "read-only.txt", std::filesystem::perms::owner_read);
  std::vector<std::string> refused = {"--save-log=/nonexistent/f", "--clipboard=/nonexistent/f",
                                      "--simulate=replay:/nonexistent/f"};
  if (geteuid() != 0) refused.push_back("--save-log=" + dir / "read-only.txt");  // root may
  for (const std::string& option : refused) {
    const Result r = RunConsoleWith(
        {"--run", "detect-9600", "--simulate", "--fast", "--trace", dir / "kept.trace", option});
    EXPECT_EQ(r.status, console::kBadCommandLine) << option;
    EXPECT_EQ(r.err.rfind("telvora: cannot ", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(ReadFile(dir / "kept.trace"), "previous\n");
}

// A detection recorded on a pseudo-terminal, where the test answers as the
// modem, replays to the same log in virtual time and, through the port's
// mapping, in real time.
TEST(ConsoleRunner, ARecordingOfAPseudoTerminalModemReplaysToTheSameLog) {
  TempDir dir;
  const std::string trace = dir / "pty.trace", log = dir / "run.log";
  {
    testsupport::PtyPort port(6);
    testsupport::LambdaThread modem([&port] {
      const std::string got = port.Pty().ReadUntil("\r\n");
      if (got.find("AT V1\r\n") != std::string::npos) port.Pty().Write("AT V1\r\r\nOK\r\n");
    });
    modem.Resume();
    const Result recorded = RunConsoleWith(
        {"--run", "detect-9600", "--port", "COM6", "--trace", trace, "--save-log", log});
    ASSERT_EQ(recorded.status, 0) << recorded.err;
  }
  const std::string expected = "Detecting modem\nModem detected at 9600\n";
  ASSERT_EQ(ReadFile(log), expected);
  const Result replayed = RunConsoleWith(
      {"--run", "detect-9600", "--port", "replay:" + trace, "--fast", "--save-log", log});
  EXPECT_EQ(replayed.status, 0) << replayed.err;
  EXPECT_EQ(ReadFile(log), expected);
  testsupport::ScopedEnv mapping("TELVORA_COM7", "replay:" + trace);
  const Result mapped = RunConsoleWith({"--run", "detect-9600", "--port", "COM7", "--save-log", log});
  EXPECT_EQ(mapped.status, 0) << mapped.err;
  EXPECT_EQ(ReadFile(log), expected);
}

// A pseudo-terminal left in exclusive mode by a killed program is taken
// over, which a Verbose log tells and a Normal one does not.
TEST(ConsoleRunner, APortLeftInExclusiveModeIsTakenOverAndSaidSoAtVerbose) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root may take the port over";
  testsupport::PtyPort port(6);
  for (const std::string level : {"normal", "verbose"}) {
    { const testsupport::HoldingProcess killed(port.Pty(), false, "killed", true); }
    testsupport::LambdaThread modem([&port] {
      if (port.Pty().ReadUntil("\r\n").find("AT V1\r\n") != std::string::npos)
        port.Pty().Write("AT V1\r\r\nOK\r\n");
    });
    modem.Resume();
    const Result run = RunConsoleWith({"--run", "detect-9600", "--port", "COM6", "--level", level});
    const std::string note = port.Pty().SlavePath() +
                             " was left in exclusive mode by a program that ended; taken over\n";
    EXPECT_EQ(run.out, (level == "verbose" ? note : "") + "Detecting modem\nModem detected at 9600\n");
  }
}

// The built program next to the test binaries, when it is there.
std::filesystem::path Program() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "telvora";
}

// errors: where standard error goes, as a redirection's target.
Result RunProgram(const std::string& args, const std::string& input = "/dev/null",
                  const std::string& errors = "/dev/null") {
  const std::string command = Program().string() + " " + args + " <" + input + " 2>" + errors;
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, ""};
}

TEST(ConsoleRunner, TheProgramRunsTheConsoleForRunOptions) {
  if (!std::filesystem::exists(Program())) GTEST_SKIP() << "telvora is not built";
  Result r = RunProgram("--run detect-19200 --simulate --fast");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Detecting modem\nModem detected at 19200\n");
  r = RunProgram("--run detect-19200 --simulate=dead --fast");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Detecting modem\nModem NOT detected at 19200, Try again\n\n");
  EXPECT_EQ(RunProgram("--run detect-19200 --fast").status, 64);
  EXPECT_EQ(RunProgram("rover-test").status, 64) << "not the window";
  // An endless answer to the phone prompt is no answer.
  EXPECT_EQ(RunProgram("--run rover-test --simulate=dead --fast", "/dev/zero").status, 1);
}

// Without a display the window says what to do instead, not an abort.
TEST(ConsoleRunner, TheProgramWithoutADisplaySaysHowToRunIt) {
  if (!std::filesystem::exists(Program())) GTEST_SKIP() << "telvora is not built";
  testsupport::ScopedEnv x("DISPLAY", ""), wayland("WAYLAND_DISPLAY", ""), qt("QT_QPA_PLATFORM", "");
  const Result r = RunProgram("", "/dev/null", "&1");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("telvora --run "), std::string::npos) << r.out;
}

// /dev/stdout is where standard output goes, a file appended to included:
// written there, never replaced.
TEST(ConsoleRunner, TheSavedLogGoesToStandardOutputAsItIs) {
  if (!std::filesystem::exists(Program())) GTEST_SKIP() << "telvora is not built";
  TempDir dir;
  std::ofstream(dir / "runs.log") << "earlier\n";
  const Result r = RunProgram("--run detect-19200 --simulate --fast --save-log /dev/stdout >>" +
                              dir / "runs.log");
  EXPECT_EQ(r.status, 0);
  const std::string log = "Detecting modem\nModem detected at 19200\n";
  EXPECT_EQ(ReadFile(dir / "runs.log"), "earlier\n" + log + log);
}

// Reads what the program writes to its terminal until `text` shows or
// timeoutMs passes (real time: the program runs in real time).
std::string ReadTerminalUntil(int master, const std::string& text, int timeoutMs) {
  std::string seen;
  const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (seen.find(text) == std::string::npos && std::chrono::steady_clock::now() < limit) {
    pollfd target{master, POLLIN, 0};
    if (poll(&target, 1, 100) <= 0) continue;
    char buffer[256];
    const ssize_t got = read(master, buffer, sizeof buffer);
    if (got <= 0) break;
    seen.append(buffer, static_cast<std::size_t>(got));
  }
  return seen;
}

// The program on a terminal of its own, against the simulated modem on COM1;
// End() gives what it showed and its exit status (-1: killed).
struct OnTerminal {
  pid_t child = -1;
  int master = -1;
  explicit OnTerminal(std::vector<std::string> args) {
    std::string program = Program().string();
    std::vector<char*> argv = {program.data()};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if ((child = forkpty(&master, nullptr, nullptr, nullptr)) == 0) {
      setenv("TELVORA_COM1", "sim:standard", 1);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
  }
  std::pair<std::string, int> End() {
    const std::string shown = ReadTerminalUntil(master, "never shown", 60000);  // until it ends
    int status = 0;
    waitpid(child, &status, 0);
    close(master);
    return {shown, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
  }
};

// Ctrl+C at the "Action Required" box, while the port is open, on the
// program's own terminal: pressed twice, as an impatient user does, it is
// File > Exit; the run stops and its log is written all the same, ending
// with a line that says who stopped it.
TEST(ConsoleRunner, CtrlCAtAPromptStopsTheRunAndTheLogIsWritten) {
  if (!std::filesystem::exists(Program())) GTEST_SKIP() << "telvora is not built";
  TempDir dir;
  const std::string log = dir / "log.txt";
  OnTerminal run({"--run", "saving-settings-test", "--level", "summary", "--save-log", log});
  const std::string shown = ReadTerminalUntil(run.master, "(press Enter) ", 60000);
  EXPECT_NE(shown.find("(press Enter) "), std::string::npos) << shown;
  ASSERT_EQ(write(run.master, "\x03\x03", 2), 2);
  EXPECT_EQ(run.End().second, console::kEndedEarly);
  const std::string written = ReadFile(log);
  EXPECT_NE(written.find("Waiting for power cycle of modem.\n"
                         "Could not detect modem after power cycle. Test aborted\n"
                         "Stopped by user, results incomplete\n"),
            std::string::npos)
      << written;
}

// SIGTERM and SIGHUP are Ctrl+C: the run ends early, its files are written
// and its log says it was stopped; no partial file is left.
TEST(ConsoleRunner, StopSignalsEndTheRunAsCtrlCDoes) {
  if (!std::filesystem::exists(Program())) GTEST_SKIP() << "telvora is not built";
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    TempDir dir;
    OnTerminal run({"--run", "rover-test", "--simulate", "--fast", "--save-log", dir / "log.txt",
                    "--trace", dir / "t.trace"});
    ReadTerminalUntil(run.master, "Phone Number to dial [5550123]: ", 60000);
    kill(run.child, signal);
    const auto [shown, status] = run.End();
    EXPECT_EQ(status, console::kEndedEarly) << signal;
    EXPECT_TRUE(shown.ends_with(console::kStoppedByUser + std::string("\r\n"))) << shown;
    EXPECT_TRUE(ReadFile(dir / "log.txt").ends_with(console::kStoppedByUser + std::string("\n")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / ""),
                            std::filesystem::directory_iterator()),
              2) << signal;
  }
}

}  // namespace
