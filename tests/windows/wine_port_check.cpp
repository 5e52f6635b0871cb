// The Windows build on kernel32's real port path: telvora.exe runs a
// procedure under wine on COM5, which wine maps to a pseudo-terminal whose
// far end is the simulated modem of this test, and must write the same log
// as the Linux build running the procedure on a simulated port.
//
//   wine_port_check WINE_RUN TELVORA_EXE LINUX_TELVORA PRELOAD_LIB PROCEDURE
//
// Exit status 0 when the logs match and the program ended normally.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/SimulatedModem.h"
#include "tests/support/PtyModem.h"

namespace {

namespace fs = std::filesystem;

// A person reads the box before reaching for the switch, and waits for the
// modem's lights before pressing Enter.
constexpr auto kReadingTheBox = std::chrono::milliseconds(500);
constexpr auto kPowerCycleWait = std::chrono::milliseconds(2500);

struct Child {
  pid_t pid = -1;
  int input = -1;   // the child's standard input
  int output = -1;  // its standard output, and its errors when asked for
};

Child Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
            bool withErrors = false) {
  int in[2], out[2];
  if (::pipe(in) != 0 || ::pipe(out) != 0) throw std::runtime_error("pipe");
  Child child;
  child.pid = ::fork();
  if (child.pid == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    if (withErrors) ::dup2(out[1], 2);
    ::close(in[1]);
    ::close(out[0]);
    for (const std::string& setting : env) ::putenv(const_cast<char*>(setting.c_str()));
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  child.input = in[1];
  child.output = out[0];
  return child;
}

int Wait(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs a program to its end with no input and its output dropped.
int RunQuietly(const std::vector<std::string>& args) {
  Child child = Spawn(args, {});
  ::close(child.input);
  char buffer[4096];
  while (::read(child.output, buffer, sizeof buffer) > 0) {
  }
  ::close(child.output);
  return Wait(child.pid);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  std::string s = text.str();
  std::erase(s, '\r');
  return s;
}

// Runs the Windows program, playing the person at the "Action Required" box:
// the modem is switched off and on, and Enter pressed once it is back. The
// box comes on standard error, as the log on standard output is piped.
int RunUnderWine(const std::vector<std::string>& args, const std::vector<std::string>& env,
                 sim::SimulatedModem& modem) {
  Child child = Spawn(args, env, true);
  std::string seen;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(child.output, buffer, sizeof buffer);
    if (got <= 0) break;
    std::cout.write(buffer, got).flush();
    seen.append(buffer, static_cast<std::size_t>(got));
    if (const auto box = seen.find("Action Required"); box != std::string::npos &&
                                                        seen.find("(press Enter)", box) != std::string::npos) {
      seen.clear();
      std::this_thread::sleep_for(kReadingTheBox);
      modem.PowerCycle();
      std::this_thread::sleep_for(kPowerCycleWait);
      if (::write(child.input, "\n", 1) != 1) break;
    }
  }
  ::close(child.input);
  ::close(child.output);
  return Wait(child.pid);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::cerr << "usage: wine_port_check WINE_RUN TELVORA_EXE LINUX_TELVORA PRELOAD_LIB PROCEDURE\n";
    return 64;
  }
  const std::string wineRun = argv[1], exe = argv[2], linuxExe = argv[3], preload = argv[4],
                    procedure = argv[5];
  const fs::path prefix = fs::path(exe).parent_path() / "wineprefix";
  const fs::path work = fs::temp_directory_path() / ("telvora-wine-" + std::to_string(::getpid()));
  fs::create_directories(work);
  const fs::path expectedLog = work / "linux.log", wineLog = work / "windows.log";

  // What the Linux build logs for the procedure on a simulated modem.
  if (int status = RunQuietly({linuxExe, "--run", procedure, "--port", "COM5", "--simulate",
                               "--fast", "--level", "debug", "--save-log", expectedLog.string()});
      status != 0) {
    std::cerr << "the Linux build ended with " << status << "\n";
    return 1;
  }

  int status = 0;
  {
    std::shared_ptr<sim::SimulatedModem> modem = sim::SimulatedModem::Create("standard");
    testsupport::PtyModem line(modem);
    // The wrapper runs wine once first, so the prefix exists before the link.
    RunQuietly({wineRun, "cmd", "/c", "exit"});
    const fs::path com5 = prefix / "dosdevices" / "com5";
    fs::remove(com5);
    fs::create_symlink(line.SlavePath(), com5);
    // The modem stays on the line until the program has closed the port:
    // wine's write on a pty whose far end closed never returns.
    status = RunUnderWine({wineRun, exe, "--run", procedure, "--port", "COM5", "--level", "debug",
                           "--save-log", "Z:" + wineLog.string()},
                          {"LD_PRELOAD=" + preload, "TELVORA_PTY_DEVICE=" + line.SlavePath(),
                           "TELVORA_PTY_LINES=" + line.LinesPath()},
                          *modem);
    fs::remove(com5);
  }
  const std::string expected = ReadFile(expectedLog), got = ReadFile(wineLog);
  fs::remove_all(work);
  if (status != 0) {
    std::cerr << "telvora.exe ended with " << status << "\n";
    return 1;
  }
  if (got != expected) {
    std::cerr << "the logs differ.\n--- Linux, simulated port:\n"
              << expected << "--- Windows, COM5 on a pseudo-terminal:\n"
              << got;
    return 1;
  }
  std::cout << "same log, " << std::count(got.begin(), got.end(), '\n') << " lines\n";
  return 0;
}
