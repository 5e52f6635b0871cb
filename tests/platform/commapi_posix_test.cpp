// Ports on pseudo-terminals, in real time: the slave is bound to a COM name
// through TELVORA_COMn and the test plays the modem on the master side.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "platform/commapi/commapi.h"
#include "platform/commapi/open_failure.h"
#include "platform/commapi/posix_holders.h"
#include "platform/commapi/posix_lock_file.h"
#include "tests/support/SystemCallFaults.h"
#include "tests/support/TempDir.h"
#include "tests/support/pty.h"

namespace commapi {
namespace {

using testsupport::PtyPort;
using testsupport::ScopedEnv;

HANDLE OpenPort(const std::string& name) {
  return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OVERLAPPED, nullptr);
}

// Polls until condition holds or a generous real-time limit passes.
bool Eventually(const std::function<bool()>& condition) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

bool Signalled(const OVERLAPPED& record, DWORD ms = 0) {
  return WaitForSingleObject(record.hEvent, ms) == WAIT_OBJECT_0;
}

class PtyPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port = OpenPort(pty.DeviceName());
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    // Reads return at once with what is queued, as the port component sets them.
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 100, 1000};
    ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
    record.hEvent = CreateEventA(nullptr, 1, 1, nullptr);
  }
  void TearDown() override {
    if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
    CloseHandle(record.hEvent);
  }

  DWORD Queued() {
    COMSTAT stat{};
    EXPECT_TRUE(ClearCommError(port, nullptr, &stat));
    return stat.cbInQue;
  }

  std::string ReadQueued() {
    char buffer[256];
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(port, buffer, sizeof buffer, &read, nullptr)) << GetLastError();
    return std::string(buffer, read);
  }

  PtyPort pty{5};
  HANDLE port = INVALID_HANDLE_VALUE;
  OVERLAPPED record{};
};

TEST_F(PtyPortTest, ControlBlockReachesTheTerminalSettings) {
  const termios opened = pty.Pty().SlaveSettings();
  EXPECT_EQ(opened.c_lflag & (ICANON | ECHO | ISIG), 0u) << "raw from the start";
  EXPECT_EQ(opened.c_oflag & OPOST, 0u);

  // A pseudo-terminal keeps speed and stop bits but always reads back as
  // eight bits without parity; the framing itself is checked on its own below.
  struct Case {
    DWORD baud;
    speed_t speed;
    BYTE stopBits;
  };
  const Case cases[] = {
      {9600, B9600, ONESTOPBIT},
      {19200, B19200, ONESTOPBIT},
      {38400, B38400, ONESTOPBIT},
      {2400, B2400, TWOSTOPBITS},
  };
  DCB dcb{};
  ASSERT_TRUE(GetCommState(port, &dcb));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.baud);
    dcb.BaudRate = c.baud;
    dcb.StopBits = c.stopBits;
    ASSERT_TRUE(SetCommState(port, &dcb)) << GetLastError();
    const termios settings = pty.Pty().SlaveSettings();
    EXPECT_EQ(cfgetospeed(&settings), c.speed);
    EXPECT_EQ(cfgetispeed(&settings), c.speed);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ((settings.c_cflag & CSTOPB) != 0, c.stopBits == TWOSTOPBITS);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO), 0u);
    DCB readBack{};
    ASSERT_TRUE(GetCommState(port, &readBack));
    EXPECT_EQ(readBack.BaudRate, c.baud);
  }
}

TEST_F(PtyPortTest, FlowControlFlagsAndRefusedSpeeds) {
  DCB dcb{};
  ASSERT_TRUE(GetCommState(port, &dcb));
  dcb.fOutxCtsFlow = 1;
  dcb.fOutX = 1;
  dcb.fInX = 1;
  ASSERT_TRUE(SetCommState(port, &dcb));
  termios settings = pty.Pty().SlaveSettings();
  EXPECT_NE(settings.c_iflag & IXON, 0u);
  EXPECT_NE(settings.c_iflag & IXOFF, 0u);
  EXPECT_EQ(settings.c_cc[VSTART], 17);
  EXPECT_EQ(settings.c_cc[VSTOP], 19);

  dcb.fOutxCtsFlow = 0;
  dcb.fOutX = 0;
  dcb.fInX = 0;
  ASSERT_TRUE(SetCommState(port, &dcb));
  settings = pty.Pty().SlaveSettings();
  EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), 0u);
  EXPECT_EQ(settings.c_cflag & CRTSCTS, 0u);

  dcb.BaudRate = 14400;  // no terminal speed for it
  EXPECT_FALSE(SetCommState(port, &dcb));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  DCB kept{};
  ASSERT_TRUE(GetCommState(port, &kept));
  EXPECT_EQ(kept.BaudRate, 9600u) << "a refused block leaves the settings as they were";
}

TEST_F(PtyPortTest, BytesTravelBothWays) {
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(port, "AT V1\r\n", 7, &written, &record));
  EXPECT_EQ(written, 7u);
  EXPECT_TRUE(Signalled(record));
  EXPECT_EQ(pty.Pty().Read(7), "AT V1\r\n");

  EXPECT_EQ(ReadQueued(), "") << "nothing queued: the read returns at once";
  pty.Pty().Write("\r\nOK\r\n");
  ASSERT_TRUE(Eventually([&] { return Queued() == 6; }));
  char two[2];
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(port, two, 2, &read, &record));
  EXPECT_EQ(std::string(two, read), "\r\n");
  DWORD transferred = 0;
  EXPECT_TRUE(GetOverlappedResult(port, &record, &transferred, 0));
  EXPECT_EQ(transferred, 2u);
  EXPECT_EQ(ReadQueued(), "OK\r\n");
}

TEST_F(PtyPortTest, InputRaisesOneEventPerArrival) {
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD));
  DWORD events = 0;
  ASSERT_FALSE(WaitCommEvent(port, &events, &record));
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_FALSE(Signalled(record));

  pty.Pty().Write("OK");
  ASSERT_TRUE(Signalled(record, 5000));
  DWORD transferred = 0;
  EXPECT_TRUE(GetOverlappedResult(port, &record, &transferred, 0));
  EXPECT_EQ(events, EV_RXCHAR);

  // The same two bytes, still unread, must not be reported again.
  ASSERT_FALSE(WaitCommEvent(port, &events, &record));
  EXPECT_FALSE(Signalled(record, 150));

  pty.Pty().Write("\r\n");
  ASSERT_TRUE(Signalled(record, 5000)) << "new bytes are";
  EXPECT_EQ(events, EV_RXCHAR);
  EXPECT_EQ(ReadQueued(), "OK\r\n");

  ASSERT_FALSE(WaitCommEvent(port, &events, &record));
  EXPECT_FALSE(Signalled(record, 150)) << "reading reports nothing";
  pty.Pty().Write("x");
  EXPECT_TRUE(Signalled(record, 5000));
}

TEST_F(PtyPortTest, ThreeWireLinesReadLowAndIgnoreDtrAndRts) {
  DWORD status = 0xFF;
  ASSERT_TRUE(GetCommModemStatus(port, &status));
  EXPECT_EQ(status, 0u);

  DCB dcb{};
  ASSERT_TRUE(GetCommState(port, &dcb));
  for (DWORD control : {DTR_CONTROL_DISABLE, DTR_CONTROL_ENABLE}) {
    dcb.fDtrControl = control;
    dcb.fRtsControl = control;
    ASSERT_TRUE(SetCommState(port, &dcb)) << GetLastError();
    ASSERT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(status, 0u);
  }
}

TEST_F(PtyPortTest, PurgeDiscardsWhatWasNotRead) {
  pty.Pty().Write("stale reply");
  ASSERT_TRUE(Eventually([&] { return Queued() == 11; }));
  ASSERT_TRUE(PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));
  EXPECT_EQ(Queued(), 0u);
  EXPECT_EQ(ReadQueued(), "");

  pty.Pty().Write("fresh");
  ASSERT_TRUE(Eventually([&] { return Queued() == 5; }));
  EXPECT_EQ(ReadQueued(), "fresh");
}

TEST_F(PtyPortTest, PortIsExclusiveUntilClosed) {
  EXPECT_EQ(OpenPort(pty.DeviceName()), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  ASSERT_TRUE(CloseHandle(port));
  port = OpenPort(pty.DeviceName());
  EXPECT_NE(port, INVALID_HANDLE_VALUE) << "closing gives the device back: " << GetLastError();
}

TEST_F(PtyPortTest, HangUpEndsTheWaitAndTheDevice) {
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
  DWORD events = 0;
  ASSERT_FALSE(WaitCommEvent(port, &events, &record));

  pty.Pty().CloseMaster();
  ASSERT_TRUE(Signalled(record, 5000));
  DWORD transferred = 0;
  EXPECT_FALSE(GetOverlappedResult(port, &record, &transferred, 0));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);

  EXPECT_FALSE(WaitCommEvent(port, &events, &record));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_FALSE(Signalled(record)) << "a monitoring loop must block, not spin";
  DWORD written = 0;
  EXPECT_FALSE(WriteFile(port, "A", 1, &written, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
}

TEST_F(PtyPortTest, HangUpFailsEveryCallWithoutAWaitToo) {
  pty.Pty().CloseMaster();
  char buffer[8];
  DWORD count = 0, status = 0;
  DCB dcb{};
  COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 100, 1000};
  const std::pair<const char*, std::function<BOOL()>> calls[] = {
      {"ReadFile", [&] { return ReadFile(port, buffer, sizeof buffer, &count, nullptr); }},
      {"WriteFile", [&] { return WriteFile(port, "A", 1, &count, nullptr); }},
      {"GetCommModemStatus", [&] { return GetCommModemStatus(port, &status); }},
      {"ClearCommError", [&] { return ClearCommError(port, nullptr, nullptr); }},
      {"GetCommState", [&] { return GetCommState(port, &dcb); }},
      {"SetCommTimeouts", [&] { return SetCommTimeouts(port, &timeouts); }},
      {"PurgeComm", [&] { return PurgeComm(port, PURGE_RXCLEAR); }},
  };
  for (const auto& [name, call] : calls) {
    EXPECT_FALSE(call()) << name;
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED) << name;
  }
}

TEST_F(PtyPortTest, WriteThatCannotFinishTimesOut) {
  COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 100};
  ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
  // Nobody reads the master, so the terminal's buffers fill up.
  const std::string flood(4 << 20, 'x');
  DWORD written = 0;
  EXPECT_FALSE(WriteFile(port, flood.data(), static_cast<DWORD>(flood.size()), &written, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_SEM_TIMEOUT);
  EXPECT_LT(written, flood.size());
}

TEST(PosixPortLines, ABlockWhoseLinesCannotBeSetChangesNothing) {
  PtyPort pty{5};
  const testsupport::BrokenModemLines broken(EPERM);  // as on a port with modem lines
  const HANDLE port = OpenPort(pty.DeviceName());
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  DCB dcb{};
  ASSERT_TRUE(GetCommState(port, &dcb));
  const DCB before = dcb;
  const termios opened = pty.Pty().SlaveSettings();
  dcb.BaudRate = dcb.BaudRate == 19200 ? 38400 : 19200;
  EXPECT_FALSE(SetCommState(port, &dcb));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  const termios after = pty.Pty().SlaveSettings();
  EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&opened)) << "the speed went back";
  ASSERT_TRUE(GetCommState(port, &dcb));
  EXPECT_EQ(dcb.BaudRate, before.BaudRate);
  CloseHandle(port);
}

// Whoever else holds the device keeps it, nothing reaches it, and the user
// is told who that is.
TEST(PosixPortExclusive, AnotherHolderRefusesTheOpenUnlessItIsTheFarEnd) {
  PtyPort pty{6};
  {
    const testsupport::HoldingProcess terminal(pty.Pty(), false, "holder");
    EXPECT_EQ(OpenPort(pty.DeviceName()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(DescribeOpenFailure(pty.DeviceName()),
              "In use by holder (pid " + std::to_string(terminal.Pid()) + ")");
  }
  const testsupport::HoldingProcess modem(pty.Pty(), true, "softmodem");
  const HANDLE port = OpenPort(pty.DeviceName());
  EXPECT_NE(port, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  EXPECT_EQ(DescribeOpenFailure(pty.DeviceName()), "");
  CloseHandle(port);
}

pid_t DeadPid() {
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  return dead;
}

std::string LockText(pid_t pid) {
  return (std::ostringstream() << std::setw(10) << pid << '\n').str();
}

// The lock file of /dev/pts/N in the lock directory.
std::filesystem::path LockOf(PtyPort& pty, const std::filesystem::path& dir) {
  return dir / ("LCK..pts_" + std::filesystem::path(pty.Pty().SlavePath()).filename().string());
}

// Starts `count` processes that open the port at the same moment: without
// the test's descriptors (its ends of the pseudo-terminal would make them a
// far end) and without what sets root apart here (exclusive mode binds them,
// a read-only directory is read-only to them). Each keeps the port until all
// have tried. By pid: "opened", or the error and the hint.
std::map<pid_t, std::string> OpenAtOnce(const std::string& deviceName, int count) {
  int start[2], done[2], report[2];
  if (::pipe(start) != 0 || ::pipe(done) != 0 || ::pipe(report) != 0)
    throw std::runtime_error("pipe");
  std::vector<pid_t> children(static_cast<std::size_t>(count));
  for (pid_t& child : children) {
    if ((child = ::fork()) != 0) continue;
    for (int fd = 3; fd < 1024; ++fd)
      if (fd != start[0] && fd != done[0] && fd != report[1]) ::close(fd);
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2] = {};
    ::syscall(SYS_capget, &header, caps);
    for (const unsigned cap : {CAP_SYS_ADMIN, CAP_DAC_OVERRIDE})
      caps[cap / 32].effective = caps[cap / 32].permitted &= ~(1u << (cap % 32));
    char go;
    if (::syscall(SYS_capset, &header, caps) != 0 || ::read(start[0], &go, 1) < 0) ::_exit(1);
    const HANDLE port = OpenPort(deviceName);
    const std::string outcome =
        std::to_string(GetLastError()) + " " + DescribeOpenFailure(deviceName);
    const std::string line = std::to_string(::getpid()) + " " +
                             (port != INVALID_HANDLE_VALUE ? "opened" : outcome) + "\n";
    if (::write(report[1], line.data(), line.size()) < 0 || ::read(done[0], &go, 1) < 0) ::_exit(1);
    if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
    ::_exit(0);
  }
  for (const int fd : {start[0], done[0], report[1], start[1]}) ::close(fd);
  std::map<pid_t, std::string> outcomes;
  char buffer[4096];
  std::string text;
  for (ssize_t got = 1; std::count(text.begin(), text.end(), '\n') < count && got > 0;)
    if ((got = ::read(report[0], buffer, sizeof buffer)) > 0) text.append(buffer, std::size_t(got));
  std::istringstream lines(text);
  pid_t pid;
  for (std::string outcome; lines >> pid && std::getline(lines >> std::ws, outcome);)
    outcomes[pid] = outcome;
  for (const int fd : {report[0], done[1]}) ::close(fd);
  for (const pid_t child : children) ::waitpid(child, nullptr, 0);
  return outcomes;
}

// A program killed while it had the port in exclusive mode leaves the mode
// on a pseudo-terminal whose far end stays. While the program lives the port
// is its; after, root takes the port over, and others are told what keeps
// the mode.
TEST(PosixPortExclusive, ExclusiveModeHoldsWhileItsSetterLivesAndIsTakenOverAfter) {
  PtyPort pty{6};
  {
    const testsupport::HoldingProcess setter(pty.Pty(), false, "setter", true);
    EXPECT_EQ(OpenPort(pty.DeviceName()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(DescribeOpenFailure(pty.DeviceName()),
              "In use by setter (pid " + std::to_string(setter.Pid()) + ")");
  }
  ASSERT_TRUE(pty.Pty().Exclusive()) << "kept after its setter, and not cleared by a refusal";
  EXPECT_EQ(OpenAtOnce(pty.DeviceName(), 1).begin()->second,
            "5 Left in exclusive mode by a program that ended; restarting " +
                Named(HolderOf(::getpid())) + " at the far end clears it");

  if (::geteuid() != 0) return;  // only root may take it over
  const std::string note =
      pty.Pty().SlavePath() + " was left in exclusive mode by a program that ended; taken over";
  for (const std::string& expected : {note, std::string()}) {
    const HANDLE port = OpenPort(pty.DeviceName());
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    EXPECT_EQ(DescribeOpenNote(pty.DeviceName()), expected);
    CloseHandle(port);
    EXPECT_FALSE(pty.Pty().Exclusive()) << "our own mode is cleared on close";
  }
}

TEST(PosixPortExclusive, LockFilesOfLiveOwnersRefuseAndStaleOnesAreTakenOver) {
  PtyPort pty{6};
  const testsupport::TempDir temporary;
  const std::filesystem::path dir = temporary / "locks", lock = LockOf(pty, dir);
  std::filesystem::create_directory(dir);
  SetLockDirectory(dir);
  const auto writeLock = [&](pid_t pid) { std::ofstream(lock) << LockText(pid); };

  const pid_t parent = ::getppid();
  const std::string lockedByParent =
      "Locked by " + Named(HolderOf(parent)) + " in " + lock.string();
  writeLock(parent);
  EXPECT_EQ(OpenPort(pty.DeviceName()), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(DescribeOpenFailure(pty.DeviceName()), lockedByParent);
  EXPECT_EQ(testsupport::ReadFile(lock), LockText(parent));

  std::ofstream{lock};  // by a writer that creates the file, then writes it
  testsupport::DuringNextSleep([&] { writeLock(parent); });
  EXPECT_EQ(OpenPort(pty.DeviceName()), INVALID_HANDLE_VALUE) << "an empty lock was judged at once";
  EXPECT_EQ(DescribeOpenFailure(pty.DeviceName()), lockedByParent);

  writeLock(DeadPid());
  HANDLE port = OpenPort(pty.DeviceName());
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  EXPECT_EQ(testsupport::ReadFile(lock), LockText(::getpid()));
  CloseHandle(port);
  EXPECT_FALSE(std::filesystem::exists(lock)) << "removed on close";

  // Planted by another user: symlinks at the lock's name, to a file that
  // reads as a live lock, and at the temporary name the lock once had.
  const std::string victim = temporary / "victim";
  std::ofstream(victim) << LockText(parent);
  std::filesystem::create_symlink(victim, lock);
  std::filesystem::create_symlink(victim, lock.string() + "." + std::to_string(::getpid()));
  port = OpenPort(pty.DeviceName());
  EXPECT_NE(port, INVALID_HANDLE_VALUE) << "a symlink was followed: " << GetLastError();
  CloseHandle(port);
  EXPECT_EQ(testsupport::ReadFile(victim), LockText(parent));

  // A lock directory we may not write in: no lock of ours, theirs still count.
  writeLock(parent);
  std::filesystem::permissions(dir, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(OpenAtOnce(pty.DeviceName(), 1).begin()->second, "5 " + lockedByParent);
  std::filesystem::permissions(dir, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);

  SetLockDirectory(dir / "missing");
  port = OpenPort(pty.DeviceName());
  EXPECT_NE(port, INVALID_HANDLE_VALUE) << "no lock directory is no reason to refuse";
  CloseHandle(port);
}

// Several starts at the same moment on one free port, whatever the lock
// directory: exactly one opens it, and the others are told who has it.
TEST(PosixPortExclusive, OfSeveralStartsAtOnceExactlyOneOpensThePort) {
  PtyPort pty{6};
  const testsupport::TempDir temporary;
  const std::filesystem::path dir = temporary / "locks", lock = LockOf(pty, dir);
  std::filesystem::create_directory(dir);
  SetLockDirectory(dir);
  const std::string name = HolderOf(::getpid()).name;  // the starts' too
  for (const std::string directory : {"writable", "read-only", "with a stale lock"}) {
    SCOPED_TRACE(directory);
    const bool writable = directory != "read-only";
    if (directory == "with a stale lock") std::ofstream(lock) << LockText(DeadPid());
    std::filesystem::permissions(
        dir, std::filesystem::perms::owner_write,
        writable ? std::filesystem::perm_options::add : std::filesystem::perm_options::remove);
    const std::map<pid_t, std::string> outcomes = OpenAtOnce(pty.DeviceName(), 5);
    EXPECT_EQ(outcomes.size(), 5u);
    const auto winner = std::find_if(outcomes.begin(), outcomes.end(),
                                     [](const auto& start) { return start.second == "opened"; });
    ASSERT_NE(winner, outcomes.end()) << "none opened it";
    const std::string holder = Named({winner->first, name});
    for (const auto& [start, outcome] : outcomes) {
      EXPECT_EQ(outcome, start == winner->first ? "opened"
                         : writable             ? "5 Locked by " + holder + " in " + lock.string()
                                                : "5 In use by " + holder);
    }
  }
}

// Becoming another user takes a process of its own.
TEST(PosixPortOpenDeathTest, APortOfAGroupWeAreNotInNamesTheGroup) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  PtyPort pty{6};  // root's
  EXPECT_EXIT(
      {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
          std::_Exit(2);
        OpenPort(pty.DeviceName());
        std::fprintf(stderr, "%u: %s\n", static_cast<unsigned>(GetLastError()),
                     DescribeOpenFailure(pty.DeviceName()).c_str());
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0),
      "5: /dev/pts/[0-9]+ belongs to group [^ ,]+, which you are not in");
}

TEST(PosixPortOpen, MissingOrUnsuitableDevicesAreRefused) {
  struct Case {
    const char* mapped;
    DWORD error;
    const char* problem;
  };
  const Case cases[] = {
      {"/nonexistent/telvora-port", ERROR_FILE_NOT_FOUND, "does not exist"},
      {"/dev/null", ERROR_FILE_NOT_FOUND, "is not a serial device"},
      {"nosuchscheme:standard", ERROR_FILE_NOT_FOUND, "does not exist"},  // a path, then
  };
  for (const Case& c : cases) {
    ScopedEnv binding("TELVORA_COM6", c.mapped);
    EXPECT_EQ(OpenPort("\\\\.\\COM6"), INVALID_HANDLE_VALUE) << c.mapped;
    EXPECT_EQ(GetLastError(), c.error) << c.mapped;
    EXPECT_EQ(DescribeOpenFailure("COM6"), "COM6 maps to " + std::string(c.mapped) + ", which " +
                                               c.problem +
                                               "; set TELVORA_COM6 to the device to use");
  }
}

}  // namespace
}  // namespace commapi
