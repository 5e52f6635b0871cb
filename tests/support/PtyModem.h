// A virtual device (the simulated modem) on the far end of a pseudo-terminal,
// for a program that opens the slave as a real serial port: telvora.exe
// under wine in tests/windows. Bytes cross the pty; the modem lines live in a
// shared file that pty_modem_lines.c, preloaded into the program, answers
// the line ioctls from. Everything runs in real time.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/commapi/virtual_device.h"
#include "tests/support/pty.h"

namespace testsupport {

// The shared file of modem lines: one int of TIOCM_* bits, DTR and RTS the
// program's, the others the modem's.
class SharedModemLines {
 public:
  // A new file, all lines low, removed when this goes.
  SharedModemLines();
  // The file another process made (TELVORA_PTY_LINES).
  explicit SharedModemLines(const std::string& path);
  ~SharedModemLines();
  SharedModemLines(const SharedModemLines&) = delete;
  SharedModemLines& operator=(const SharedModemLines&) = delete;

  const std::string& Path() const { return path_; }
  // DTR and RTS as the program set them.
  int Outputs() const;
  // The modem's lines: CTS, DSR, CD and RI.
  void SetInputs(int bits);

 private:
  void Map(int fd);

  std::string path_;
  bool owned_ = false;
  int* bits_ = nullptr;
};

class PtyModem : public commapi::VirtualLine {
 public:
  explicit PtyModem(std::shared_ptr<commapi::VirtualDevice> device);
  ~PtyModem() override;
  PtyModem(const PtyModem&) = delete;
  PtyModem& operator=(const PtyModem&) = delete;

  const std::string& SlavePath() const { return pty_.SlavePath(); }
  // The shared file of TIOCM_* bits (TELVORA_PTY_LINES for the preload).
  const std::string& LinesPath() const { return lines_.Path(); }

  void Receive(std::string_view bytes) override;
  void SetModemStatus(bool cts, bool dsr, bool rlsd, bool ring) override;
  void Vanish() override {}

 private:
  // Bytes from the program go to the device; its DTR, RTS and speed
  // changes become Configure calls.
  void Pump();

  PseudoTerminal pty_;
  SharedModemLines lines_;
  std::mutex writeMutex_;
  std::shared_ptr<commapi::VirtualDevice> device_;
  std::atomic<bool> stop_{false};
  std::thread pump_;
};

}  // namespace testsupport
