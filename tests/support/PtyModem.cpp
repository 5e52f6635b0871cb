#include "tests/support/PtyModem.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace testsupport {

namespace {

constexpr int kOutputs = TIOCM_DTR | TIOCM_RTS;

commapi::DWORD BaudOf(speed_t speed) {
  switch (speed) {
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 9600;
  }
}

}  // namespace

PtyModem::PtyModem(std::shared_ptr<commapi::VirtualDevice> device) : device_(std::move(device)) {
  char path[] = "/tmp/telvora-pty-lines-XXXXXX";
  const int fd = ::mkstemp(path);
  if (fd < 0 || ::ftruncate(fd, sizeof(int)) != 0) throw std::runtime_error("pty lines file");
  void* shared = ::mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  ::close(fd);
  if (shared == MAP_FAILED) throw std::runtime_error("mmap of the pty lines file");
  lines_ = static_cast<int*>(shared);
  linesPath_ = path;
  device_->Attach(*this);
  pump_ = std::thread([this] { Pump(); });
}

PtyModem::~PtyModem() {
  stop_ = true;
  pump_.join();
  device_->Detach();
  ::munmap(lines_, sizeof(int));
  ::unlink(linesPath_.c_str());
}

void PtyModem::Receive(std::string_view bytes) {
  std::lock_guard lock(writeMutex_);
  pty_.Write(bytes);
}

void PtyModem::SetModemStatus(bool cts, bool dsr, bool rlsd, bool ring) {
  const int inputs = (cts ? TIOCM_CTS : 0) | (dsr ? TIOCM_DSR : 0) | (rlsd ? TIOCM_CAR : 0) |
                     (ring ? TIOCM_RNG : 0);
  std::atomic_ref<int> lines(*lines_);
  int old = lines.load();
  while (!lines.compare_exchange_weak(old, (old & kOutputs) | inputs)) {
  }
}

void PtyModem::Pump() {
  int outputs = -1;
  speed_t speed = 0;
  while (!stop_) {
    const std::string bytes = pty_.Read(4096, 5);
    const int nowOutputs = std::atomic_ref<int>(*lines_).load() & kOutputs;
    const termios settings = pty_.SlaveSettings();
    const speed_t nowSpeed = ::cfgetospeed(&settings);
    if (nowOutputs != outputs || nowSpeed != speed) {
      outputs = nowOutputs;
      speed = nowSpeed;
      commapi::DCB dcb{};
      dcb.BaudRate = BaudOf(speed);
      dcb.ByteSize = 8;
      device_->Configure(dcb, (outputs & TIOCM_DTR) != 0, (outputs & TIOCM_RTS) != 0);
    }
    if (!bytes.empty()) device_->Transmit(bytes);
  }
}

}  // namespace testsupport
