#include "sim/CommandParser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

namespace sim {
namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

constexpr std::uint32_t Range(int first, int last) {
  std::uint32_t mask = 0;
  for (int v = first; v <= last; ++v) mask |= 1u << v;
  return mask;
}

// A command of a letter (after an optional '&' or '\') and an optional
// number; a missing number means 0, as on any Hayes modem.
struct Rule {
  char prefix;
  char letter;
  Op op;
  std::uint32_t allowed;  // bit v set: argument v is valid
};

constexpr std::array kRules = {
    Rule{0, 'E', Op::kEcho, Range(0, 1)},
    Rule{0, 'V', Op::kVerbose, Range(0, 1)},
    Rule{0, 'Q', Op::kQuiet, Range(0, 1)},
    Rule{0, 'Z', Op::kReset, Range(0, 0)},
    Rule{0, 'H', Op::kHangUp, Range(0, 0)},
    Rule{0, 'O', Op::kOnline, Range(0, 0)},
    Rule{0, 'I', Op::kInfo, Range(0, 9)},
    Rule{0, 'X', Op::kResultSet, Range(0, 4)},
    Rule{0, 'M', Op::kSpeaker, Range(0, 3)},
    Rule{0, 'L', Op::kVolume, Range(0, 3)},
    Rule{0, 'F', Op::kIgnored, Range(0, 1)},
    Rule{'&', 'V', Op::kIgnored, Range(0, 0)},
    Rule{'&', 'Y', Op::kIgnored, Range(0, 0)},
    Rule{'&', 'F', Op::kFactory, Range(0, 0)},
    Rule{'&', 'W', Op::kStore, Range(0, 0)},
    Rule{'&', 'B', Op::kLockBaud, Range(0, 1)},
    Rule{'&', 'C', Op::kCarrierMode, Range(0, 1)},
    Rule{'&', 'D', Op::kDtrMode, Range(0, 3)},
    Rule{'&', 'S', Op::kDsrMode, Range(0, 1)},
    Rule{'&', 'K', Op::kFlowK, Range(0, 0) | Range(3, 4)},
    Rule{'&', 'H', Op::kFlowH, Range(0, 7)},
    Rule{'&', 'R', Op::kFlowR, Range(0, 2)},
    Rule{'\\', 'Q', Op::kFlowQ, Range(0, 3)},
};

class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}
  bool Done() const { return pos_ >= text_.size(); }
  char Peek() const { return Done() ? '\0' : text_[pos_]; }
  char Take() { return text_[pos_++]; }
  std::string_view Rest() {
    std::string_view rest = text_.substr(pos_);
    pos_ = text_.size();
    return rest;
  }
  // Decimal digits; nullopt when there are none. Large values saturate so
  // they fail the range checks instead of overflowing.
  std::optional<int> Number() {
    if (!IsDigit(Peek())) return std::nullopt;
    int value = 0;
    while (IsDigit(Peek())) value = std::min(value * 10 + (Take() - '0'), 100000);
    return value;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

bool Supported(const Command& c, const Capabilities& caps) {
  switch (c.op) {
    case Op::kFlowQ:
      return caps.acceptsQ;
    case Op::kFlowK:
      return caps.acceptsK;
    case Op::kFlowH:
    case Op::kFlowR:
      return caps.acceptsHR;
    case Op::kDtrMode:
      return c.value != 0 || caps.acceptsD0;
    case Op::kStore:
      return caps.storeWorks;
    default:
      return true;
  }
}

// S: "Sn?" or "Sn=v" (a missing v is 0).
std::optional<Command> ParseRegister(Cursor& in) {
  const std::optional<int> reg = in.Number();
  if (!reg || *reg >= kRegisterCount) return std::nullopt;
  if (in.Peek() == '?') {
    in.Take();
    return Command(Op::kQueryRegister, 0, *reg);
  }
  if (in.Peek() != '=') return std::nullopt;
  in.Take();
  const int value = in.Number().value_or(0);
  if (value > 255) return std::nullopt;
  return Command(Op::kSetRegister, value, *reg);
}

// D: an optional T or P, then the rest of the line is the number.
Command ParseDial(Cursor& in) {
  if (Upper(in.Peek()) == 'T' || Upper(in.Peek()) == 'P') in.Take();
  return Command(Op::kDial, 0, 0, std::string(in.Rest()));
}

std::optional<Command> ParseLetter(char prefix, char letter, Cursor& in) {
  for (const Rule& rule : kRules) {
    if (rule.prefix != prefix || rule.letter != letter) continue;
    const int value = in.Number().value_or(0);
    if (value > 31 || (rule.allowed & (1u << value)) == 0) return std::nullopt;
    return Command(rule.op, value);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<Command>> ParseAtCommands(std::string_view body,
                                                     const Capabilities& caps) {
  std::string packed;
  for (char c : body)
    if (c != ' ') packed += c;
  std::vector<Command> commands;
  Cursor in(packed);
  while (!in.Done()) {
    char first = Upper(in.Take());
    std::optional<Command> command;
    if (first == 'S') {
      command = ParseRegister(in);
    } else if (first == 'D') {
      command = ParseDial(in);
    } else if (first == '&' || first == '\\') {
      if (in.Done()) return std::nullopt;
      command = ParseLetter(first, Upper(in.Take()), in);
    } else {
      command = ParseLetter(0, first, in);
    }
    if (!command || !Supported(*command, caps)) return std::nullopt;
    commands.push_back(std::move(*command));
  }
  return commands;
}

}  // namespace sim
