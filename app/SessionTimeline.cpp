#include "app/SessionTimeline.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>

#include "app/ReplyRecognition.h"

namespace report {

using commapi::trace::Event;
using commapi::trace::Kind;

namespace {

enum LineIndex : std::size_t { kDtr, kRts, kCts, kDsr, kCd };

Level LevelOf(bool high) { return high ? Level::High : Level::Low; }

// The line changes to `level` at `ms`; a change at the same moment replaces
// the one before it (a close and reopen within one ms leaves no gap).
void SetLevel(std::vector<Step>& steps, Ms ms, Level level) {
  if (!steps.empty() && steps.back().ms == ms) steps.pop_back();
  const Level before = steps.empty() ? Level::Unknown : steps.back().level;
  if (level != before) steps.push_back({ms, level});
}

// The command as a modem reads it: blanks dropped, letters in upper case,
// up to the line end.
std::string CommandWord(std::string_view bytes) {
  std::string word;
  for (const char c : bytes) {
    if (c == '\r' || c == '\n') break;
    if (c != ' ') word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return word;
}

Mark MarkOf(const Event& event, MarkKind kind) {
  Mark mark;
  mark.ms = event.ms;
  mark.kind = kind;
  mark.bytes = event.bytes;
  return mark;
}

MarkKind SentKind(std::string_view bytes) {
  const std::string word = CommandWord(bytes);
  if (word.starts_with("ATD")) return MarkKind::Dial;
  if (word == "+++" || word == "ATH" || word == "ATH0") return MarkKind::HangUp;
  return MarkKind::Command;
}

// The results the program recognises, the most telling first.
constexpr std::array<std::pair<replies::Reply, MarkKind>, 5> kResults = {{
    {replies::Welcome, MarkKind::Welcome},
    {replies::Connect, MarkKind::Connect},
    {replies::NoCarrier, MarkKind::NoCarrier},
    {replies::Error, MarkKind::Error},
    {replies::OK, MarkKind::Ok},
}};

// What a modem says when a dial fails, besides NO CARRIER and ERROR.
constexpr std::array<std::string_view, 3> kDialFailures = {"BUSY", "NO DIALTONE", "NO ANSWER"};

// Received text, read as it comes: a result counts for the read that
// completes it, also when it began in the read before.
class ReplyReader {
 public:
  void Reset() { tail_.clear(); }

  // Takes the next read; afterwards Holds tells what completed in it.
  void Read(std::string_view bytes) {
    text_ = tail_;
    text_ += bytes;
    from_ = tail_.size();
    tail_ = text_.substr(text_.size() - std::min(text_.size(), kTailSize));
  }
  bool Holds(std::string_view result) const {
    const std::size_t start = from_ >= result.size() ? from_ - result.size() + 1 : 0;
    return text_.find(result, start) != std::string::npos;
  }
  bool Holds(replies::Reply reply) const { return Holds(replies::TextOf(reply)); }

  // The most telling result of the read, or Other.
  MarkKind Kind() const {
    for (const auto& [reply, kind] : kResults)
      if (Holds(reply)) return kind;
    return MarkKind::Other;
  }
  // The result that answers a command (Welcome answers none).
  std::optional<MarkKind> Answer() const {
    for (const auto& [reply, kind] : kResults)
      if (reply != replies::Welcome && Holds(reply)) return kind;
    return std::nullopt;
  }

 private:
  static constexpr std::size_t kTailSize = 15;  // longer than any result text
  std::string tail_, text_;
  std::size_t from_ = 0;
};

class TimelineBuilder {
 public:
  explicit TimelineBuilder(Timeline& timeline) : t_(timeline) {}

  void Add(const Event& event) {
    t_.end = event.ms;
    switch (event.kind) {
      case Kind::Open:
        reader_.Reset();
        baud_ = 0;
        t_.port.push_back({.ms = event.ms, .kind = event.kind});
        break;
      case Kind::Close:
      case Kind::Gone:
        t_.port.push_back({.ms = event.ms, .kind = event.kind});
        for (auto& steps : t_.lines) SetLevel(steps, event.ms, Level::Unknown);
        if (calling_) EndCall(event.ms, true);
        break;
      case Kind::Absent:
        t_.port.push_back({.ms = event.ms, .kind = event.kind});
        break;
      case Kind::Set:
        Set(event);
        break;
      case Kind::Lines:
        Lines(event);
        break;
      case Kind::Send:
        Send(event);
        break;
      case Kind::Recv:
        Receive(event);
        break;
      case Kind::Run:  // notes: what ran and what it logged
      case Kind::Log:
        break;
    }
  }

  void Finish() {
    if (calling_) EndCall(t_.end, true);
  }

 private:
  bool Connected() const { return connectSeen_ || cdRose_; }

  void Set(const Event& event) {
    SetLevel(t_.lines[kDtr], event.ms, LevelOf(event.settings.dtr));
    SetLevel(t_.lines[kRts], event.ms, LevelOf(event.settings.rts));
    if (event.settings.baud == baud_) return;
    baud_ = event.settings.baud;
    t_.port.push_back({event.ms, Kind::Set, baud_});
  }

  void Lines(const Event& event) {
    SetLevel(t_.lines[kCts], event.ms, LevelOf(event.lines.cts));
    SetLevel(t_.lines[kDsr], event.ms, LevelOf(event.lines.dsr));
    SetLevel(t_.lines[kCd], event.ms, LevelOf(event.lines.cd));
    if (!calling_) return;
    // Carrier detect tells of the call only when it was low at the dial.
    if (event.lines.cd && cdLowAtDial_) cdRose_ = true;
    if (!event.lines.cd && cdRose_) EndCall(event.ms, false);
  }

  void Send(const Event& event) {
    Mark mark = MarkOf(event, SentKind(event.bytes));
    if (calling_ && (mark.kind == MarkKind::Dial || !Connected())) {
      EndCall(event.ms, false);  // the first byte of a command line ends a dial
    } else if (calling_ && mark.kind == MarkKind::HangUp && CommandWord(event.bytes) != "+++") {
      hangUpSent_ = true;
    }
    if (mark.kind == MarkKind::Dial) StartCall(event);
    unanswered_ = t_.sent.size();
    t_.sent.push_back(std::move(mark));
  }

  void Receive(const Event& event) {
    reader_.Read(event.bytes);
    Mark mark = MarkOf(event, reader_.Kind());
    const std::optional<MarkKind> answer = reader_.Answer();
    if (answer && unanswered_ < t_.sent.size()) {
      Mark& command = t_.sent[unanswered_];
      command.answer = answer;
      command.answeredAfter = event.ms - command.ms;
      unanswered_ = t_.sent.size();
    }
    t_.received.push_back(std::move(mark));
    if (calling_) CallHears(event.ms);
  }

  void StartCall(const Event& event) {
    std::string dial = event.bytes;
    while (!dial.empty() && (dial.back() == '\r' || dial.back() == '\n')) dial.pop_back();
    call_ = Call();
    call_.dialled = event.ms;
    call_.dial = std::move(dial);
    calling_ = true;
    connectSeen_ = welcome_ = cdRose_ = hangUpSent_ = false;
    const auto& cd = t_.lines[kCd];
    cdLowAtDial_ = !cd.empty() && cd.back().level == Level::Low;
  }

  void CallHears(Ms ms) {
    connectSeen_ = connectSeen_ || reader_.Holds(replies::Connect);
    welcome_ = welcome_ || reader_.Holds(replies::Welcome);
    bool dialFailed = reader_.Holds(replies::Error);
    for (std::string_view failure : kDialFailures)
      dialFailed = dialFailed || reader_.Holds(failure);
    const bool hungUp =
        hangUpSent_ && !cdRose_ && (reader_.Holds(replies::OK) || reader_.Holds(replies::Error));
    if (reader_.Holds(replies::NoCarrier) || (!Connected() && dialFailed) || hungUp)
      EndCall(ms, false);
  }

  void EndCall(Ms ms, bool unseen) {
    call_.ended = ms;
    call_.outcome = welcome_      ? CallOutcome::Welcome
                    : Connected() ? CallOutcome::ConnectedOnly
                                  : CallOutcome::NoConnection;
    call_.stillUp = unseen && Connected();
    t_.calls.push_back(std::move(call_));
    calling_ = false;
  }

  Timeline& t_;
  ReplyReader reader_;
  std::uint32_t baud_ = 0;
  std::size_t unanswered_ = 0;  // the command waiting for its result; sent.size() for none
  Call call_;
  bool calling_ = false;  // call_ is going on
  bool connectSeen_ = false, welcome_ = false, cdLowAtDial_ = false, cdRose_ = false,
       hangUpSent_ = false;
};

}  // namespace

Timeline FindTimeline(std::span<const Event> events) {
  Timeline timeline;
  TimelineBuilder builder(timeline);
  for (const Event& event : events) builder.Add(event);
  builder.Finish();
  return timeline;
}

std::vector<std::string> IdentityLines(std::span<const Event> events) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (events[i].kind != Kind::Send) continue;
    const std::string command = CommandWord(events[i].bytes);
    if (!command.starts_with("ATI") ||
        command.find_first_not_of("0123456789", 3) != std::string::npos)
      continue;
    std::string reply;
    for (std::size_t j = i + 1; j < events.size() && events[j].kind != Kind::Send; ++j)
      if (events[j].kind == Kind::Recv) reply += events[j].bytes;
    const std::size_t ok = reply.find(replies::TextOf(replies::OK));
    if (ok == std::string::npos) continue;
    std::istringstream text(reply.substr(0, ok));
    for (std::string line; std::getline(text, line, '\n');) {
      std::erase(line, '\r');
      if (!line.empty() && CommandWord(line) != command) lines.push_back(line);  // not the echo
    }
  }
  return lines;
}

}  // namespace report
