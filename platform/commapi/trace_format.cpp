#include "platform/commapi/trace_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <sstream>
#include <utility>

namespace commapi::trace {

namespace {

constexpr std::array<std::pair<Kind, std::string_view>, 8> kKindWords = {{
    {Kind::Open, "open"},
    {Kind::Close, "close"},
    {Kind::Send, "send"},
    {Kind::Set, "set"},
    {Kind::Recv, "recv"},
    {Kind::Lines, "lines"},
    {Kind::Gone, "gone"},
    {Kind::Absent, "absent"},
}};

std::string_view KindWord(Kind kind) {
  for (const auto& [k, word] : kKindWords)
    if (k == kind) return word;
  return "?";
}

std::optional<Kind> KindNamed(std::string_view word) {
  for (const auto& [kind, kindWord] : kKindWords)
    if (word == kindWord) return kind;
  return std::nullopt;
}

// The escapes besides \xNN: the letter after the backslash and its byte.
constexpr std::array<std::pair<char, char>, 4> kEscapes = {{
    {'r', '\r'},
    {'n', '\n'},
    {'t', '\t'},
    {'\\', '\\'},
}};

std::string Escape(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    const auto escape = std::find_if(kEscapes.begin(), kEscapes.end(),
                                     [c](const auto& e) { return e.second == char(c); });
    const bool edgeBlank = c == ' ' && (i == 0 || i + 1 == bytes.size());
    if (escape != kEscapes.end()) {
      text += {'\\', escape->first};
    } else if (c < 0x20 || c > 0x7E || edgeBlank) {
      text += {'\\', 'x', kHex[c >> 4], kHex[c & 0xF]};
    } else {
      text += static_cast<char>(c);
    }
  }
  return text;
}

bool Unescape(std::string_view text, std::string& bytes) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    const auto escape = std::find_if(kEscapes.begin(), kEscapes.end(),
                                     [&](const auto& e) { return e.first == text[i]; });
    if (escape != kEscapes.end()) {
      bytes += escape->second;
      continue;
    }
    unsigned value = 0;
    const char* first = text.data() + i + 1;
    if (text[i] != 'x' || i + 2 >= text.size() ||
        std::from_chars(first, first + 2, value, 16).ptr != first + 2)
      return false;
    bytes += static_cast<char>(value);
    i += 2;
  }
  return true;
}

// " name=0" or " name=1".
std::string Flag(const char* name, bool on) { return std::string(" ") + name + (on ? "=1" : "=0"); }

// Reads "name=0" or "name=1" from the next word of in.
bool ReadFlag(std::istream& in, std::string_view name, bool& flag) {
  std::string word;
  if (!(in >> word) || word.size() != name.size() + 2 || word.compare(0, name.size(), name) != 0 ||
      word[name.size()] != '=' || (word.back() != '0' && word.back() != '1'))
    return false;
  flag = word.back() == '1';
  return true;
}

// The arguments after the kind word; false when they do not fit it.
bool ParseArguments(std::string_view rest, Event& event) {
  std::istringstream in{std::string(rest)};
  std::string extra;
  switch (event.kind) {
    case Kind::Send:
    case Kind::Recv:
      return !rest.empty() && Unescape(rest, event.bytes);
    case Kind::Set:
      return bool(in >> event.settings.baud) && ReadFlag(in, "dtr", event.settings.dtr) &&
             ReadFlag(in, "rts", event.settings.rts) && !(in >> extra);
    case Kind::Lines:
      return ReadFlag(in, "cts", event.lines.cts) && ReadFlag(in, "dsr", event.lines.dsr) &&
             ReadFlag(in, "cd", event.lines.cd) && !(in >> extra);
    default:
      return rest.empty();
  }
}

}  // namespace

Event Event::Of(Kind kind) {
  Event event;
  event.kind = kind;
  return event;
}

Event Event::Bytes(Kind kind, std::string_view bytes) {
  Event event = Of(kind);
  event.bytes = bytes;
  return event;
}

Event Event::Settings(DWORD baud, bool dtr, bool rts) {
  Event event = Of(Kind::Set);
  event.settings = {baud, dtr, rts};
  return event;
}

Event Event::LineStates(bool cts, bool dsr, bool cd) {
  Event event = Of(Kind::Lines);
  event.lines = {cts, dsr, cd};
  return event;
}

bool IsProgramAction(Kind kind) {
  return kind == Kind::Open || kind == Kind::Close || kind == Kind::Send || kind == Kind::Set;
}

bool SameAction(const Event& a, const Event& b) {
  return a.kind == b.kind && a.bytes == b.bytes && a.settings == b.settings;
}

std::string Describe(const Event& event) {
  std::string text(KindWord(event.kind));
  switch (event.kind) {
    case Kind::Send:
    case Kind::Recv:
      return text + " " + Escape(event.bytes);
    case Kind::Set:
      return text + " " + std::to_string(event.settings.baud) + Flag("dtr", event.settings.dtr) +
             Flag("rts", event.settings.rts);
    case Kind::Lines:
      return text + Flag("cts", event.lines.cts) + Flag("dsr", event.lines.dsr) +
             Flag("cd", event.lines.cd);
    default:
      return text;
  }
}

ReadResult Read(std::istream& in) {
  ReadResult result;
  std::string text;
  for (int number = 1; std::getline(in, text); ++number) {
    if (!text.empty() && text.back() == '\r') text.pop_back();  // written on another system
    const auto start = text.find_first_not_of(" \t");
    if (start == std::string::npos || text[start] == '#') continue;
    const std::string_view line = std::string_view(text).substr(start);
    auto fail = [&](const std::string& why) {
      result.error = "line " + std::to_string(number) + ": " + why;
      return result;
    };

    Event event;
    event.line = number;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), event.ms);
    if (ec != std::errc() || event.ms < 0 || end == line.data() + line.size() || *end != ' ')
      return fail("expected the time in ms, a blank and an event");
    const std::string_view afterTime = line.substr(end - line.data() + 1);
    const std::string_view word = afterTime.substr(0, afterTime.find(' '));
    const std::string_view rest =
        word.size() < afterTime.size() ? afterTime.substr(word.size() + 1) : std::string_view();
    const std::optional<Kind> kind = KindNamed(word);
    if (!kind) return fail("unknown event \"" + std::string(word) + "\"");
    event.kind = *kind;
    if (!ParseArguments(rest, event)) return fail("cannot read \"" + std::string(afterTime) + "\"");
    if (!result.events.empty() && event.ms < result.events.back().ms)
      return fail("the time goes back");
    result.events.push_back(std::move(event));
  }
  return result;
}

void Writer::Write(const Event& event) {
  sink_(std::to_string(event.ms) + ' ' + Describe(event) + '\n');
}

void Writer::Comment(std::string_view text) { sink_("# " + std::string(text) + '\n'); }

}  // namespace commapi::trace
