// The console runner, in process (its streams are the test's) and, for the
// program entry, as the built program.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
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
                      bool outputIsTerminal = false) {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status = console::RunConsole(args, in, out, err, outputIsTerminal);
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
  };
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
  const Result profiles = RunConsoleWith({"--list-profiles"});
  EXPECT_EQ(profiles.status, 0);
  EXPECT_EQ(profiles.out.rfind("standard ", 0), 0u);
  EXPECT_NE(profiles.out.find("\ndead "), std::string::npos);
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
// port is reopened when its device is back.
TEST(ConsoleRunner, PowerCycleOfSlowAndUsbModems) {
  for (const char* profile : {"--simulate=slow-reset", "--simulate=usb-cdc"}) {
    const Result r =
        RunConsoleWith({"--run", "saving-settings-test", profile, "--fast", "--level", "verbose"});
    EXPECT_EQ(r.status, 0) << profile << r.err;
    EXPECT_NE(r.out.find("Detected modem after power cycle."), std::string::npos) << profile;
  }
}

// A full disk: the run says so and fails, and the file it would have
// replaced is still there as it was.
TEST(ConsoleRunner, AFailedWriteFailsTheRunAndKeepsThePreviousFile) {
  TempDir dir;
  std::ofstream(dir / "log.txt") << "previous\n";
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit small{9, saved.rlim_max};  // room for "previous\n", not for the log
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const Result r = RunConsoleWith({"--run", "detect-9600", "--simulate", "--fast", "--save-log",
                                   dir / "log.txt"});
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(r.status, console::kOutputError);
  EXPECT_EQ(r.err.rfind("telvora: cannot write " + dir / "log.txt" + ": ", 0), 0u) << r.err;
  EXPECT_EQ(ReadFile(dir / "log.txt"), "previous\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / ""),
                          std::filesystem::directory_iterator()),
            1) << "no temporary file left behind";

  const Result full = RunConsoleWith(
      {"--run", "detect-9600", "--simulate", "--fast", "--save-log", "/dev/full"});
  EXPECT_EQ(full.status, console::kOutputError);
  EXPECT_NE(full.err.find("cannot write /dev/full: "), std::string::npos);
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
  const Result shown = RunConsoleWith(args, "", true);
  EXPECT_EQ(ReadFile(dir / "log.txt"), saved);
  EXPECT_NE(shown.out.find("\\x"), std::string::npos);
  for (const char c : shown.out) {
    EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << static_cast<int>(c);
  }
  EXPECT_TRUE(std::any_of(saved.begin(), saved.end(),
                          [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
}

TEST(ConsoleRunner, AFileThatCannotBeWrittenOrReplayedIsABadCommandLine) {
  for (const char* option : {"--save-log=", "--trace=", "--simulate=replay:"}) {
    const Result r = RunConsoleWith(
        {"--run", "detect-9600", "--simulate", "--fast", option + std::string("/nonexistent/f")});
    EXPECT_EQ(r.status, console::kBadCommandLine) << option;
    EXPECT_EQ(r.err.rfind("telvora: cannot ", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
  }
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

Result RunProgram(const std::string& args) {
  const std::string command = Program().string() + " " + args + " </dev/null 2>/dev/null";
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

// Ctrl+C at the "Action Required" box, while the port is open, on the
// program's own terminal: pressed twice, as an impatient user does, it is
// File > Exit; the run stops and its log is written all the same.
TEST(ConsoleRunner, CtrlCAtAPromptStopsTheRunAndTheLogIsWritten) {
  if (!std::filesystem::exists(Program())) GTEST_SKIP() << "telvora is not built";
  TempDir dir;
  const std::string program = Program().string(), log = dir / "log.txt";
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv("TELVORA_COM1", "sim:standard", 1);
    execl(program.c_str(), "telvora", "--run", "saving-settings-test", "--level", "summary",
          "--save-log", log.c_str(), nullptr);
    _exit(127);
  }
  const std::string shown = ReadTerminalUntil(master, "(press Enter) ", 60000);
  EXPECT_NE(shown.find("(press Enter) "), std::string::npos) << shown;
  ASSERT_EQ(write(master, "\x03\x03", 2), 2);
  // The terminal reads end when the program has gone.
  ReadTerminalUntil(master, "never shown", 60000);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  close(master);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), console::kEndedEarly);
  const std::string written = ReadFile(log);
  EXPECT_NE(written.find("Waiting for power cycle of modem.\n"
                         "Could not detect modem after power cycle. Test aborted\n"),
            std::string::npos)
      << written;
}

}  // namespace
