// Splits the body of an AT command line (what follows "AT", without the
// line end) into commands, checking each against what the modem supports.
// Blanks are ignored wherever they stand ("S7 = 51" is "S7=51"). A line with
// anything unknown or unsupported is rejected as a whole.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/ModemProfile.h"

namespace sim {

enum class Op {
  kEcho,           // En
  kVerbose,        // Vn
  kQuiet,          // Qn
  kReset,          // Z
  kFactory,        // &F
  kStore,          // &W
  kInfo,           // In
  kQueryRegister,  // Sn?
  kSetRegister,    // Sn=v
  kLockBaud,       // &Bn
  kCarrierMode,    // &Cn
  kDtrMode,        // &Dn
  kDsrMode,        // &Sn
  kFlowK,          // &Kn
  kFlowQ,          // \Qn
  kFlowH,          // &Hn
  kFlowR,          // &Rn
  kDial,           // D[T|P]number
  kHangUp,         // H0
  kOnline,         // O
  kResultSet,      // Xn
  kSpeaker,        // Mn
  kVolume,         // Ln
  kIgnored,        // F, &V, &Y: accepted, nothing modelled
};

struct Command {
  explicit Command(Op o, int v = 0, int r = 0, std::string n = {})
      : op(o), value(v), reg(r), number(std::move(n)) {}
  Op op;
  int value = 0;       // the digit argument, or the value of Sn=v
  int reg = 0;         // n of Sn? and Sn=v
  std::string number;  // what D dials
  bool operator==(const Command&) const = default;
};

std::optional<std::vector<Command>> ParseAtCommands(std::string_view body,
                                                     const Capabilities& caps);

}  // namespace sim
