#include "tests/support/PtyModem.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
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

SharedModemLines::SharedModemLines() {
  char path[] = "/tmp/telvora-pty-lines-XXXXXX";
  const int fd = ::mkstemp(path);
  if (fd < 0 || ::ftruncate(fd, sizeof(int)) != 0) throw std::runtime_error("pty lines file");
  path_ = path;
  owned_ = true;
  Map(fd);
}

SharedModemLines::SharedModemLines(const std::string& path) : path_(path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("pty lines file " + path);
  Map(fd);
}

void SharedModemLines::Map(int fd) {
  void* shared = ::mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  ::close(fd);
  if (shared == MAP_FAILED) throw std::runtime_error("mmap of the pty lines file");
  bits_ = static_cast<int*>(shared);
}

SharedModemLines::~SharedModemLines() {
  ::munmap(bits_, sizeof(int));
  if (owned_) ::unlink(path_.c_str());
}

int SharedModemLines::Outputs() const { return std::atomic_ref<int>(*bits_).load() & kOutputs; }

void SharedModemLines::SetInputs(int bits) {
  std::atomic_ref<int> lines(*bits_);
  int old = lines.load();
  while (!lines.compare_exchange_weak(old, (old & kOutputs) | (bits & ~kOutputs))) {
  }
}

PtyModem::PtyModem(std::shared_ptr<commapi::VirtualDevice> device) : device_(std::move(device)) {
  device_->Attach(*this);
  pump_ = std::thread([this] { Pump(); });
}

PtyModem::~PtyModem() {
  stop_ = true;
  pump_.join();
  device_->Detach();
}

void PtyModem::Receive(std::string_view bytes) {
  std::lock_guard lock(writeMutex_);
  pty_.Write(bytes);
}

void PtyModem::SetModemStatus(bool cts, bool dsr, bool rlsd, bool ring) {
  lines_.SetInputs((cts ? TIOCM_CTS : 0) | (dsr ? TIOCM_DSR : 0) | (rlsd ? TIOCM_CAR : 0) |
                   (ring ? TIOCM_RNG : 0));
}

void PtyModem::Pump() {
  int outputs = -1;
  speed_t speed = 0;
  while (!stop_) {
    const std::string bytes = pty_.Read(4096, 5);
    const int nowOutputs = lines_.Outputs();
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
