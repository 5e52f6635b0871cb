#include "platform/commapi/posix_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/commapi/errors.h"
#include "platform/commapi/overlapped.h"
#include "platform/commapi/termios_settings.h"
#include "platform/commapi/transfer_timeouts.h"
#include "platform/threads.h"

namespace commapi {

namespace {

// How often the watcher samples the modem lines, and the longest a transfer
// waits before it looks for an abort.
constexpr int kPollMs = 20;

// Real devices run in real time, whatever clock the rest of the program uses.
std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// What a device without modem lines answers to the line ioctls.
bool NoModemLines(int error) { return error == ENOTTY || error == EINVAL; }

// What poll reports for a device that is gone.
constexpr short kHangUp = POLLHUP | POLLERR | POLLNVAL;

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

// Waits for the device to become ready, at most until deadline (never longer
// than one poll period, so a purge or a close is noticed).
void AwaitDevice(int fd, short events, std::optional<std::int64_t> deadline) {
  int wait = kPollMs;
  if (deadline) wait = static_cast<int>(std::clamp<std::int64_t>(*deadline - NowMs(), 0, kPollMs));
  pollfd target{fd, events, 0};
  ::poll(&target, 1, wait);
}

// A limit too large for the clock is as good as none.
std::optional<std::int64_t> DeadlineAfter(std::optional<std::int64_t> limit, std::int64_t start) {
  if (!limit || *limit > INT64_MAX - start) return std::nullopt;
  return start + *limit;
}

bool Passed(std::optional<std::int64_t> deadline) { return deadline && NowMs() >= *deadline; }

}  // namespace

PosixPort::PosixPort(UniqueFd fd, bool hasModemLines, std::unique_ptr<LockFile> lockFile,
                     bool setExclusive)
    : fd_(std::move(fd)),
      hasModemLines_(hasModemLines),
      lockFile_(std::move(lockFile)),
      setExclusive_(setExclusive) {
  times_.emplace();
}

PosixPort::~PosixPort() { Close(); }

void PosixPort::Close() {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    closed_ = true;
    ++readAborts_;
    ++writeAborts_;
    events_.AbortWait(ERROR_OPERATION_ABORTED);
  }
  if (watcher_.joinable()) {
    wakeWrite_.Reset();  // the watcher's poll sees the pipe hang up
    watcher_.join();
  }
  // Exclusive mode belongs to the device, not to this descriptor: only ours
  // is ours to clear.
  if (setExclusive_) ::ioctl(fd_.Get(), TIOCNXCL);
  fd_.Reset();
  lockFile_.reset();
}

BOOL PosixPort::SetCommState(const DCB& dcb) {
  std::lock_guard lock(mutex_);
  if (DWORD error = CheckUsable()) return Fail(error);
  termios before{};
  if (::tcgetattr(fd_.Get(), &before) != 0) return Fail(FailureOf(errno));
  termios settings = before;
  if (DWORD error = ApplyDcbToTermios(dcb, settings)) return Fail(error);
  if (::tcsetattr(fd_.Get(), TCSANOW, &settings) != 0) return Fail(FailureOf(errno));
  if (DWORD error = SetOutputLines(DtrRaised(dcb), RtsRaised(dcb))) {
    // A block is set whole or not at all: the device keeps its old settings.
    ::tcsetattr(fd_.Get(), TCSANOW, &before);
    return Fail(error);
  }
  settings_.dcb = dcb;
  return 1;
}

DWORD PosixPort::SetOutputLines(bool dtr, bool rts) {
  if (!hasModemLines_) return 0;
  int lines = 0;
  if (::ioctl(fd_.Get(), TIOCMGET, &lines) != 0) {
    return NoModemLines(errno) ? 0 : FailureOf(errno);
  }
  lines = dtr ? lines | TIOCM_DTR : lines & ~TIOCM_DTR;
  lines = rts ? lines | TIOCM_RTS : lines & ~TIOCM_RTS;
  if (::ioctl(fd_.Get(), TIOCMSET, &lines) != 0) {
    return NoModemLines(errno) ? 0 : FailureOf(errno);
  }
  return 0;
}

// Without a wait the watcher is not looking, so each call looks for itself:
// a closed pty master or an unplugged adapter hangs the descriptor up.
DWORD PosixPort::CheckUsable() {
  if (DWORD error = UnusableError()) return error;
  pollfd target{fd_.Get(), 0, 0};
  if (::poll(&target, 1, 0) > 0 && (target.revents & kHangUp)) return Vanished();
  return 0;
}

DWORD PosixPort::Vanished() {
  gone_ = true;
  events_.AbortWait(ERROR_DEVICE_NOT_CONNECTED);
  return ERROR_DEVICE_NOT_CONNECTED;
}

DWORD PosixPort::FailureOf(int error) {
  const DWORD code = ErrorFromErrno(error);
  return code == ERROR_DEVICE_NOT_CONNECTED ? Vanished() : code;
}

// The first wait starts the watcher.
DWORD PosixPort::PrepareWait() {
  if (watcher_.joinable()) return 0;
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) return ErrorFromErrno(errno);
  wakeRead_ = UniqueFd(wake[0]);
  wakeWrite_ = UniqueFd(wake[1]);
  // Changes count from now on, not from whatever the lines were at open.
  if (ReadModemStatus(lines_) != 0) lines_ = 0;
  times_->LinesAre(lines_);
  watcher_ = platform::StartThread([this] { Watch(); });
  return 0;
}

void PosixPort::Watch() {
  bool inputQueued = false;
  for (;;) {
    // While reported input sits unread, POLLIN would fire at once; the
    // timeout then paces the sampling instead.
    pollfd targets[2] = {{fd_.Get(), static_cast<short>(inputQueued ? 0 : POLLIN), 0},
                         {wakeRead_.Get(), POLLIN, 0}};
    ::poll(targets, 2, kPollMs);
    if (targets[1].revents != 0) {
      // A byte: a read took the queued input, so POLLIN may watch again.
      // End of file: the port is closing.
      char nudges[16];
      if (::read(wakeRead_.Get(), nudges, sizeof nudges) <= 0) return;
      inputQueued = false;
    }
    std::lock_guard lock(mutex_);
    if (closed_) return;
    if (targets[0].revents & kHangUp) {
      Vanished();
      return;
    }
    inputQueued = CheckInput();
    CheckLines();
  }
}

bool PosixPort::CheckInput() {
  int queued = 0;
  if (::ioctl(fd_.Get(), FIONREAD, &queued) != 0 || queued <= 0) return false;
  if (static_cast<DWORD>(queued) > reported_) {
    reported_ = static_cast<DWORD>(queued);
    times_->Arrived();
    events_.Raise(EV_RXCHAR);
  }
  return true;
}

void PosixPort::CheckLines() {
  DWORD status = 0;
  if (!hasModemLines_ || ReadModemStatus(status) != 0) return;
  const DWORD events = LineChangeEvents(lines_, status);
  lines_ = status;
  times_->LinesAre(status);
  events_.Raise(events);
}

DWORD PosixPort::ReadModemStatus(DWORD& status) {
  status = 0;
  if (!hasModemLines_) return 0;
  int lines = 0;
  if (::ioctl(fd_.Get(), TIOCMGET, &lines) != 0) {
    return NoModemLines(errno) ? 0 : FailureOf(errno);
  }
  if (lines & TIOCM_CTS) status |= MS_CTS_ON;
  if (lines & TIOCM_DSR) status |= MS_DSR_ON;
  if (lines & TIOCM_RNG) status |= MS_RING_ON;
  if (lines & TIOCM_CAR) status |= MS_RLSD_ON;
  return 0;
}

BOOL PosixPort::GetCommModemStatus(DWORD* modemStatus) {
  std::lock_guard lock(mutex_);
  if (DWORD error = CheckUsable()) return Fail(error);
  if (DWORD error = ReadModemStatus(*modemStatus)) return Fail(error);
  return 1;
}

BOOL PosixPort::ClearCommError(DWORD* errors, COMSTAT* stat) {
  std::lock_guard lock(mutex_);
  if (DWORD error = CheckUsable()) return Fail(error);
  int queued = 0;
  if (::ioctl(fd_.Get(), FIONREAD, &queued) != 0) return Fail(FailureOf(errno));
  int outgoing = 0;
  if (::ioctl(fd_.Get(), TIOCOUTQ, &outgoing) != 0) outgoing = 0;
  if (errors != nullptr) *errors = 0;
  if (stat != nullptr) {
    *stat = COMSTAT{0, static_cast<DWORD>(std::max(queued, 0)),
                    static_cast<DWORD>(std::max(outgoing, 0))};
  }
  return 1;
}

BOOL PosixPort::PurgeComm(DWORD flags) {
  std::lock_guard lock(mutex_);
  if (DWORD error = CheckUsable()) return Fail(error);
  if (flags & PURGE_RXABORT) ++readAborts_;
  if (flags & PURGE_TXABORT) ++writeAborts_;
  // The event wait's owner may release its record right after the purge.
  if (flags & (PURGE_TXABORT | PURGE_RXABORT)) events_.AbortWait(ERROR_OPERATION_ABORTED);
  if ((flags & PURGE_RXCLEAR) && ::tcflush(fd_.Get(), TCIFLUSH) != 0) {
    return Fail(FailureOf(errno));
  }
  if (flags & PURGE_RXCLEAR) {
    reported_ = 0;
    times_->Purged();
  }
  if ((flags & PURGE_TXCLEAR) && ::tcflush(fd_.Get(), TCOFLUSH) != 0) {
    return Fail(FailureOf(errno));
  }
  return 1;
}

BOOL PosixPort::ReadFile(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
  ReadPlan plan;
  unsigned aborts = 0;
  int fd = -1;
  {
    std::lock_guard lock(mutex_);
    if (DWORD error = CheckUsable()) return Fail(error);
    plan = PlanRead(settings_.timeouts, toRead);
    aborts = readAborts_;
    fd = fd_.Get();
  }
  char* out = static_cast<char*>(buffer);
  DWORD got = 0;
  const std::int64_t start = NowMs();
  const std::optional<std::int64_t> deadline = DeadlineAfter(plan.total, start);
  std::optional<std::int64_t> gapDeadline;
  while (got < toRead) {
    {
      std::lock_guard lock(mutex_);
      if (DWORD error = CheckUsable()) return Fail(error);
      if (readAborts_ != aborts) return Fail(ERROR_OPERATION_ABORTED);
      const ssize_t count = ::read(fd, out + got, toRead - got);
      if (count < 0 && !WouldBlock(errno)) return Fail(FailureOf(errno));
      if (count > 0) {
        got += static_cast<DWORD>(count);
        // Bytes read need no further EV_RXCHAR; unreported ones never get one.
        reported_ -= std::min(reported_, static_cast<DWORD>(count));
        gapDeadline = DeadlineAfter(plan.interval, NowMs());
        // Once nothing reported is left, the watcher needs POLLIN again at
        // once, not after its period: the reply to what comes next.
        if (reported_ == 0 && wakeWrite_.Get() >= 0) (void)!::write(wakeWrite_.Get(), "", 1);
      }
    }
    if (got == toRead || plan.immediate || (plan.returnOnAny && got > 0)) break;
    if (Passed(deadline) || Passed(gapDeadline)) break;
    std::optional<std::int64_t> until = deadline;
    if (gapDeadline && (!until || *gapDeadline < *until)) until = gapDeadline;
    AwaitDevice(fd, POLLIN, until);
  }
  if (got > 0) {
    std::lock_guard lock(mutex_);
    times_->Read(reported_ > 0);
  }
  return CompletedTransfer(overlapped, read, got);
}

BOOL PosixPort::WriteFile(const void* buffer, DWORD toWrite, DWORD* written,
                          OVERLAPPED* overlapped) {
  std::optional<std::int64_t> deadline;
  unsigned aborts = 0;
  int fd = -1;
  {
    std::lock_guard lock(mutex_);
    if (DWORD error = CheckUsable()) return Fail(error);
    deadline = DeadlineAfter(WriteLimit(settings_.timeouts, toWrite), NowMs());
    aborts = writeAborts_;
    fd = fd_.Get();
  }
  const char* in = static_cast<const char*>(buffer);
  DWORD done = 0;
  while (done < toWrite) {
    {
      std::lock_guard lock(mutex_);
      if (DWORD error = CheckUsable()) return Fail(error);
      if (writeAborts_ != aborts) return Fail(ERROR_OPERATION_ABORTED);
      const ssize_t count = ::write(fd, in + done, toWrite - done);
      if (count < 0 && !WouldBlock(errno)) return Fail(FailureOf(errno));
      if (count > 0) done += static_cast<DWORD>(count);
    }
    if (done == toWrite) break;
    if (Passed(deadline)) {
      if (written != nullptr) *written = done;
      return Fail(ERROR_SEM_TIMEOUT);
    }
    AwaitDevice(fd, POLLOUT, deadline);
  }
  {
    std::lock_guard lock(mutex_);
    events_.Raise(EV_TXEMPTY);
  }
  return CompletedTransfer(overlapped, written, done);
}

}  // namespace commapi
