// Test helpers for ports on pseudo-terminals: the code under test opens the
// slave side by path (bound to a COM name through TELVORA_COMn), the test
// plays the far end of the cable on the master side. Everything here runs in
// real time; the reads take a timeout and never assume any speed.
#pragma once

#include <termios.h>

#include <optional>
#include <string>
#include <string_view>

#include "tests/support/ScopedEnv.h"

namespace testsupport {

// A pseudo-terminal pair. The helper keeps a descriptor of the slave open
// (in raw mode, so nothing is echoed or translated before the code under test
// opens it) to read its settings back and to keep the pair alive between
// opens. Failures to set the pair up throw std::runtime_error.
class PseudoTerminal {
 public:
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  const std::string& SlavePath() const { return slavePath_; }

  // Sends bytes to the slave, as a modem on the cable would.
  void Write(std::string_view bytes);

  // Reads what the slave sent until `count` bytes came or timeoutMs passed.
  std::string Read(std::size_t count, int timeoutMs = 5000);

  // Reads until the received text contains `text` or timeoutMs passed;
  // returns everything read.
  std::string ReadUntil(std::string_view text, int timeoutMs = 5000);

  // The slave's current terminal settings.
  termios SlaveSettings() const;
  // The terminal is in exclusive mode (TIOCEXCL), whoever set it.
  bool Exclusive() const;

  // The far end goes away: the slave side sees a hang-up.
  void CloseMaster();

  int MasterFd() const { return master_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

// Another process that holds the slave open, as a terminal program or a
// modem manager probing the device would (no flock), under the command name
// `name`. withMaster: it holds the master too, as a software modem presenting
// itself as a pty does. exclusive: it puts the terminal in exclusive mode.
// Killed when the object goes.
class HoldingProcess {
 public:
  HoldingProcess(const PseudoTerminal& pty, bool withMaster, const char* name,
                 bool exclusive = false);
  ~HoldingProcess();
  HoldingProcess(const HoldingProcess&) = delete;
  HoldingProcess& operator=(const HoldingProcess&) = delete;

  int Pid() const { return pid_; }

 private:
  int pid_ = -1;
};

// A pseudo-terminal standing behind "\\.\COMn" for the lifetime of the object.
// Its lock files go to the temporary directory, never to /var/lock.
class PtyPort {
 public:
  explicit PtyPort(int comNumber);

  PseudoTerminal& Pty() { return pty_; }
  // "\\.\COMn", the name to open.
  const std::string& DeviceName() const { return deviceName_; }

 private:
  PseudoTerminal pty_;
  std::string deviceName_;
  ScopedEnv binding_;
};

}  // namespace testsupport
