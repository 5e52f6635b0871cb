#include "app/TimelineText.h"

#include <cstdio>

#include "app/HtmlText.h"

namespace report {

using commapi::trace::Event;
using commapi::trace::Kind;

namespace {
constexpr std::size_t kLabelChars = 13;
}  // namespace

std::string ClockText(Ms ms) {
  char text[40];
  const long long h = ms / 3600000, m = ms / 60000 % 60, s = ms / 1000 % 60, milli = ms % 1000;
  if (h > 0)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%03lld", h, m, s, milli);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", m, s, milli);
  return text;
}

std::string DurationText(Ms ms) {
  char text[40];
  if (ms < 1000)
    std::snprintf(text, sizeof text, "%lld ms", static_cast<long long>(ms));
  else if (ms < 60000)
    std::snprintf(text, sizeof text, "%.1f s", double(ms) / 1000);
  else if (ms < 3600000)
    std::snprintf(text, sizeof text, "%lld min %02lld s", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60));
  else
    std::snprintf(text, sizeof text, "%lld h %02lld min", static_cast<long long>(ms / 3600000),
                  static_cast<long long>(ms / 60000 % 60));
  return text;
}

std::string TraceText(Kind kind, std::string_view bytes) {
  const std::string line = commapi::trace::Describe(Event::Bytes(kind, bytes));
  return line.substr(line.find(' ') + 1);
}

std::string Label(Kind kind, std::string_view bytes) {
  constexpr char kJoin = '\x01', kCut = '\x02';  // never in trace text
  std::string label;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    if (end > start) {
      if (!label.empty()) label += kJoin;
      label += TraceText(kind, bytes.substr(start, end - start));
    }
    start = end + 1;
  }
  if (label.empty()) label = TraceText(kind, bytes);
  if (label.size() > kLabelChars) {
    label.resize(kLabelChars - 1);
    label += kCut;
  }
  std::string shown;
  for (const char c : html::Escape(label))  // trace text: printable ASCII
    shown += c == kJoin ? "\u00b7" : c == kCut ? "\u2026" : std::string(1, c);
  return shown;
}

const char* KindClass(MarkKind kind) {
  switch (kind) {
    case MarkKind::Command:
      return "k-command";
    case MarkKind::Dial:
      return "k-dial";
    case MarkKind::HangUp:
      return "k-hangup";
    case MarkKind::Ok:
      return "k-ok";
    case MarkKind::Error:
      return "k-error";
    case MarkKind::Connect:
      return "k-connect";
    case MarkKind::NoCarrier:
      return "k-nocarrier";
    case MarkKind::Welcome:
      return "k-welcome";
    case MarkKind::Other:
      break;
  }
  return "k-other";
}

const char* ResultWord(MarkKind kind) {
  switch (kind) {
    case MarkKind::Ok:
      return "OK";
    case MarkKind::Error:
      return "ERROR";
    case MarkKind::Connect:
      return "CONNECT";
    case MarkKind::NoCarrier:
      return "NO CARRIER";
    default:
      return "a reply";
  }
}

const char* CallClass(CallOutcome outcome) {
  switch (outcome) {
    case CallOutcome::Welcome:
      return "call welcome";
    case CallOutcome::ConnectedOnly:
      return "call connected";
    case CallOutcome::NoConnection:
      break;
  }
  return "call none";
}

const char* CallWords(CallOutcome outcome) {
  switch (outcome) {
    case CallOutcome::Welcome:
      return "Welcome";
    case CallOutcome::ConnectedOnly:
      return "connected, no Welcome";
    case CallOutcome::NoConnection:
      break;
  }
  return "no connection";
}

const char* LevelWord(Level level) {
  switch (level) {
    case Level::High:
      return "high";
    case Level::Low:
      return "low";
    case Level::Unknown:
      break;
  }
  return "not known";
}

}  // namespace report
