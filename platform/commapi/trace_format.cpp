#include "platform/commapi/trace_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

namespace commapi::trace {

namespace {

constexpr std::array<std::pair<Kind, std::string_view>, 10> kKindWords = {{
    {Kind::Open, "open"},
    {Kind::Close, "close"},
    {Kind::Send, "send"},
    {Kind::Set, "set"},
    {Kind::Recv, "recv"},
    {Kind::Lines, "lines"},
    {Kind::Gone, "gone"},
    {Kind::Absent, "absent"},
    {Kind::Run, "run"},
    {Kind::Log, "log"},
}};

// The facts of a run's header, in the order they are written; "nextel" is
// the one flag among them.
constexpr std::array<std::pair<std::string_view, std::string RunHeader::*>, 8> kFacts = {{
    {"procedure", &RunHeader::procedure},
    {"phone", &RunHeader::phone},
    {"nextel", nullptr},
    {"level", &RunHeader::level},
    {"version", &RunHeader::version},
    {"started", &RunHeader::started},
    {"port", &RunHeader::port},
    {"device", &RunHeader::device},
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

// The speed of a set line: a whole number of baud a port can run at.
bool ReadSpeed(std::istream& in, DWORD& baud) {
  std::string word;
  std::uint64_t value = 0;
  if (!(in >> word)) return false;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size() || value < 1 || value > kMaxBaud)
    return false;
  baud = static_cast<DWORD>(value);
  return true;
}

// A fact's name: lower-case letters.
bool IsFactName(std::string_view name) {
  return !name.empty() &&
         std::all_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// The arguments after the kind word; false when they do not fit it.
bool ParseArguments(std::string_view rest, Event& event) {
  // Made only for the kinds with words to read: it is the slow part.
  auto words = [rest] { return std::istringstream{std::string(rest)}; };
  std::string extra;
  switch (event.kind) {
    case Kind::Send:
    case Kind::Recv:
      return !rest.empty() && Unescape(rest, event.bytes);
    case Kind::Log:
      return Unescape(rest, event.bytes);
    case Kind::Run: {
      const std::size_t blank = rest.find(' ');
      event.fact = rest.substr(0, blank);
      return IsFactName(event.fact) &&
             (blank == std::string_view::npos || Unescape(rest.substr(blank + 1), event.bytes));
    }
    case Kind::Set: {
      std::istringstream in = words();
      return ReadSpeed(in, event.settings.baud) && ReadFlag(in, "dtr", event.settings.dtr) &&
             ReadFlag(in, "rts", event.settings.rts) && !(in >> extra);
    }
    case Kind::Lines: {
      std::istringstream in = words();
      return ReadFlag(in, "cts", event.lines.cts) && ReadFlag(in, "dsr", event.lines.dsr) &&
             ReadFlag(in, "cd", event.lines.cd) && !(in >> extra);
    }
    default:
      return rest.empty();
  }
}

// One line of a trace, without its end. Bounded, so that no input (a device,
// a file without line breaks) can take the memory.
enum class LineRead { kLine, kEnd, kTooLong, kTooLarge };

LineRead NextLine(std::streambuf& in, std::string& line, std::size_t& total) {
  line.clear();
  for (bool any = false;; any = true) {
    const int c = in.sbumpc();
    if (c == std::char_traits<char>::eof()) return any ? LineRead::kLine : LineRead::kEnd;
    if (++total > kMaxTraceBytes) return LineRead::kTooLarge;
    if (c == '\n') return LineRead::kLine;
    if (line.size() == kMaxLineBytes) return LineRead::kTooLong;
    line += static_cast<char>(c);
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

Event Event::RunFact(std::string_view fact, std::string_view text) {
  Event event = Bytes(Kind::Run, text);
  event.fact = fact;
  return event;
}

Event Event::LogLine(std::string_view text) { return Bytes(Kind::Log, text); }

bool IsProgramAction(Kind kind) {
  return kind == Kind::Open || kind == Kind::Close || kind == Kind::Send || kind == Kind::Set;
}

bool IsNote(Kind kind) { return kind == Kind::Run || kind == Kind::Log; }

bool SameAction(const Event& a, const Event& b) {
  return a.kind == b.kind && a.bytes == b.bytes && a.settings == b.settings;
}

std::string Describe(const Event& event) {
  std::string text(KindWord(event.kind));
  switch (event.kind) {
    case Kind::Send:
    case Kind::Recv:
      return text + " " + Escape(event.bytes);
    case Kind::Log:
      return event.bytes.empty() ? text : text + " " + Escape(event.bytes);
    case Kind::Run:
      return text + " " + event.fact + (event.bytes.empty() ? "" : " " + Escape(event.bytes));
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

std::vector<Event> HeaderEvents(const RunHeader& header) {
  std::vector<Event> events;
  for (const auto& [fact, text] : kFacts)
    events.push_back(Event::RunFact(fact, text ? header.*text : header.nextel ? "1" : "0"));
  return events;
}

std::vector<RecordedRun> Runs(const std::vector<Event>& events) {
  std::vector<RecordedRun> runs;
  bool inHeader = false;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const Event& event = events[i];
    if (event.kind != Kind::Run) {
      inHeader = false;
      if (event.kind == Kind::Log && !runs.empty()) runs.back().log.push_back(event);
      continue;
    }
    if (!inHeader) runs.push_back({{}, i, {}});
    inHeader = true;
    RunHeader& header = runs.back().header;
    for (const auto& [fact, text] : kFacts) {
      if (event.fact != fact) continue;
      if (text)
        header.*text = event.bytes;
      else
        header.nextel = event.bytes == "1";
    }
  }
  return runs;
}

ReadResult Read(std::istream& in) {
  ReadResult result;
  std::streambuf* source = in.rdbuf();
  std::string text;
  std::size_t total = 0;
  for (int number = 1; source != nullptr; ++number) {
    auto fail = [&](const std::string& why) {
      result.events.clear();
      result.error = "line " + std::to_string(number) + ": " + why;
      return result;
    };
    const LineRead read = NextLine(*source, text, total);
    if (read == LineRead::kEnd) break;
    if (read == LineRead::kTooLong)
      return fail("longer than " + std::to_string(kMaxLineBytes) + " bytes");
    if (read == LineRead::kTooLarge)
      return fail("the trace is larger than " + std::to_string(kMaxTraceBytes) + " bytes");
    // A byte-order mark: the trace went through an editor that adds one.
    if (number == 1 && text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    if (!text.empty() && text.back() == '\r') text.pop_back();  // written on another system
    const auto start = text.find_first_not_of(" \t");
    if (start == std::string::npos || text[start] == '#') continue;
    const std::string_view line = std::string_view(text).substr(start);

    Event event;
    event.line = number;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), event.ms);
    if (ec != std::errc() || event.ms < 0 || end == line.data() + line.size() || *end != ' ')
      return fail("expected the time in ms, a blank and an event");
    if (event.ms > kMaxMs)
      return fail("the time " + std::to_string(event.ms) + " ms is more than a day (" +
                  std::to_string(kMaxMs) + " ms) after the start");
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
    if (result.events.size() == kMaxEvents)
      return fail("more than " + std::to_string(kMaxEvents) + " events");
    result.events.push_back(std::move(event));
  }
  if (result.events.empty()) result.error = "holds no events";
  return result;
}

ReadResult Load(const std::string& path) {
  namespace fs = std::filesystem;
  ReadResult result;
  std::error_code error;
  // A device (/dev/zero), a pipe or a directory is no recording.
  if (!fs::is_regular_file(path, error)) {
    result.error = "cannot read " + path + ": " +
                   (fs::exists(path, error) ? "not a regular file" : "no such file");
    return result;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    result.error = "cannot read " + path;
    return result;
  }
  result = Read(file);
  if (!result.error.empty()) result.error = path + " " + result.error;
  return result;
}

void Writer::Write(const Event& event) {
  sink_(std::to_string(event.ms) + ' ' + Describe(event) + '\n');
}

void Writer::Comment(std::string_view text) { sink_("# " + std::string(text) + '\n'); }

}  // namespace commapi::trace
