// What the report's timeline shows, found from a session's events: the five
// modem lines over time, the commands sent and the replies received, the
// test calls from dial to hang-up, and what became of the port.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/commapi/trace_format.h"

namespace report {

using Ms = std::int64_t;

// A line is unknown while the port is closed, after its device went away,
// and until it is first set or read after an open.
enum class Level { Unknown, Low, High };

// The line holds `level` from `ms` until the next step.
struct Step {
  Ms ms = 0;
  Level level = Level::Unknown;
  bool operator==(const Step&) const = default;
};

// DTR and RTS as the program set them, CTS, DSR and CD as it read them.
inline constexpr std::array<const char*, 5> kLineNames = {"DTR", "RTS", "CTS", "DSR", "CD"};

// What a command or a reply is, for its colour. A reply holding several
// results is the most telling of them: Welcome, CONNECT, NO CARRIER, ERROR,
// OK, in that order.
enum class MarkKind { Command, Dial, HangUp, Ok, Error, Connect, NoCarrier, Welcome, Other };

struct Mark {
  Ms ms = 0;
  MarkKind kind = MarkKind::Other;
  std::string bytes;  // as sent or received
  // A command: the first result that came back before the next command
  // (OK, ERROR, CONNECT or NO CARRIER), and after how long.
  std::optional<MarkKind> answer;
  Ms answeredAfter = 0;
};

enum class CallOutcome { Welcome, ConnectedOnly, NoConnection };

// A test call, from its dial to the moment it was over: the modem's
// NO CARRIER, carrier detect falling, the answer to its hang-up command
// (when carrier detect never told), a dial given up for the next command,
// or the port closing.
struct Call {
  Ms dialled = 0, ended = 0;
  std::string dial;  // the dial command, without its line end
  CallOutcome outcome = CallOutcome::NoConnection;
  bool stillUp = false;  // up when the session ended
};

// Opens, closes, a device gone or absent, and speeds set (Set).
struct PortMark {
  Ms ms = 0;
  commapi::trace::Kind kind = commapi::trace::Kind::Open;
  std::uint32_t baud = 0;
};

struct Timeline {
  std::array<std::vector<Step>, kLineNames.size()> lines;  // unknown before the first step
  std::vector<Mark> sent, received;
  std::vector<Call> calls;
  std::vector<PortMark> port;
  Ms end = 0;  // the last event's time
};

Timeline FindTimeline(std::span<const commapi::trace::Event> events);

// The modem's identity as the session read it: the lines of each reply to
// an identification command ("AT I3") that the modem answered with OK.
std::vector<std::string> IdentityLines(std::span<const commapi::trace::Event> events);

}  // namespace report
