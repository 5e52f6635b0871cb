// A test device that plays a modem from a script: each command line it
// receives runs the test's action for that line, which answers with bytes
// after a delay, raises or drops lines, or does nothing. Time comes from
// platform::clock, so in virtual time the answers arrive at exact moments.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/commapi/virtual_device.h"

namespace testsupport {

class ScriptedModem : public commapi::VirtualDevice,
                      public std::enable_shared_from_this<ScriptedModem> {
 public:
  using Action = std::function<void(ScriptedModem&)>;

  static std::shared_ptr<ScriptedModem> Create();

  // What to do when a line (without CR or LF) arrives; "+++" is matched as
  // it is written, with no line end. Lines without an action are ignored.
  void On(const std::string& line, Action action);
  // Shorthand: answer the line with these bytes after delayMs.
  void Answer(const std::string& line, std::string bytes, platform::clock::Millis delayMs = 20);
  // Echo every byte received, as a modem with E1 does.
  bool echo = false;

  // Sends bytes to the port after delayMs (0: at the next sleep).
  void Send(std::string bytes, platform::clock::Millis delayMs = 0);
  // The modem's outputs; applied now, or when the port is opened.
  void SetLines(bool cts, bool dsr, bool carrier);
  bool Carrier() const;

  // Everything the port wrote, and the lines it sent, in order.
  std::string Written() const;
  std::vector<std::string> Lines() const;
  // The port's DTR and RTS as last configured, and each change of either.
  struct Outputs {
    bool dtr, rts;
    bool operator==(const Outputs&) const = default;
  };
  bool Dtr() const;
  bool Rts() const;
  std::vector<Outputs> OutputChanges() const;

  void Attach(commapi::VirtualLine& line) override;
  void Detach() override;
  void Transmit(std::string_view bytes) override;
  void Configure(const commapi::DCB& dcb, bool dtr, bool rts) override;

 private:
  ScriptedModem() = default;
  void Deliver(const std::string& bytes);
  void ApplyLines();
  void RunAction(const std::string& line);

  mutable std::mutex mutex_;
  commapi::VirtualLine* line_ = nullptr;
  std::map<std::string, Action> actions_;
  std::string written_, pendingLine_;
  std::vector<std::string> lines_;
  bool cts_ = true, dsr_ = true, carrier_ = false;
  bool dtr_ = false, rts_ = false, configured_ = false;
  std::vector<Outputs> outputChanges_;
};

}  // namespace testsupport
