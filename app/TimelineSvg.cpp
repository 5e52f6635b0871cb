#include "app/TimelineSvg.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <set>

#include "app/HtmlText.h"
#include "app/TimelineBursts.h"
#include "app/TimelineColumns.h"
#include "app/TimelineText.h"

namespace report {

using commapi::trace::Event;
using commapi::trace::Kind;

namespace {

// The rows from top to bottom; the phase bands lie behind all but the axis.
enum Row : int {
  kPhaseRow,
  kCallRow,
  kSentRow,
  kReceivedRow,
  kFirstLineRow,
  kPortRow = kFirstLineRow + int(kLineNames.size()),
  kAxisRow,
  kRowCount
};
struct RowBox {
  double top, height;
};
// Each row below the one before.
constexpr std::array<RowBox, kRowCount> kRows = [] {
  constexpr std::array<double, kRowCount> kHeights = {22, 28, 100, 100, 26, 26, 26, 26, 26, 48, 30};
  std::array<RowBox, kRowCount> rows{};
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows[i] = {i == 0 ? 0 : rows[i - 1].top + rows[i - 1].height, kHeights[i]};
  return rows;
}();
constexpr double kHeight = kRows.back().top + kRows.back().height;
constexpr double kNamesWidth = 72;          // the lanes' names at the left
constexpr double kLeft = kNamesWidth + 12;  // the first column
constexpr double kRightMargin = 110;        // room for the last labels
constexpr double kCharWidth = 6.2;          // of the labels' fonts, near enough to decide what fits

// Beyond these counts a lane thins its bursts (TimelineDrawing::notes says so).
constexpr std::size_t kMarkCap = 1500, kStepCap = 600, kCallCap = 300, kPortCap = 300;

const char* RowName(int row) {
  static constexpr std::array<const char*, 4> kTop = {"Phase", "Calls", "Sent", "Received"};
  if (row < kFirstLineRow) return kTop[std::size_t(row)];
  if (row < kPortRow) return kLineNames[std::size_t(row - kFirstLineRow)];
  return row == kPortRow ? "Port" : "Time";
}

double Bottom(int row) { return kRows[std::size_t(row)].top + kRows[std::size_t(row)].height; }

std::string Num(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string s = text;
  if (s.ends_with(".0")) s.resize(s.size() - 2);
  return s;
}

// The things of one lane and how they are thinned.
template <typename Item>
struct Lane {
  const std::vector<Item>* items = nullptr;
  Thinning thinning;
};

template <typename Item, typename TimeOf, typename Thinnable>
Lane<Item> MakeLane(const std::vector<Item>& items, TimeOf timeOf, Thinnable thinnable,
                    std::size_t cap) {
  std::vector<Ms> times;
  std::vector<bool> flags;
  for (const Item& item : items) {
    times.push_back(timeOf(item));
    flags.push_back(thinnable(item));
  }
  Lane<Item> lane;
  lane.items = &items;
  lane.thinning = Thin(times, std::move(flags), cap);
  return lane;
}

// In the order of time: each burst, then the things it leaves on their own.
template <typename Item, typename OnBurst, typename OnItem>
void Walk(const Lane<Item>& lane, OnBurst onBurst, OnItem onItem) {
  auto burst = lane.thinning.bursts.begin();
  for (std::size_t i = 0; i < lane.items->size(); ++i) {
    if (burst == lane.thinning.bursts.end() || burst->first != i) {
      onItem(i);
      continue;
    }
    onBurst(*burst);
    for (std::size_t j = i; j <= burst->last; ++j)
      if (!lane.thinning.thinnable[j]) onItem(j);
    i = burst->last;
    ++burst;
  }
}

class Chart {
 public:
  Chart(const Timeline& timeline, std::span<const Phase> phases) : t_(timeline), phases_(phases) {
    auto ms = [](const auto& item) { return item.ms; };
    auto any = [](const auto&) { return true; };
    sent_ = MakeLane(t_.sent, ms, any, kMarkCap);
    // Line noise is thinned, the results stay, unless they alone are too many.
    const auto results = std::count_if(t_.received.begin(), t_.received.end(),
                                       [](const Mark& m) { return m.kind != MarkKind::Other; });
    resultsKept_ = results <= std::ptrdiff_t(kMarkCap);
    received_ = resultsKept_
                    ? MakeLane(
                          t_.received, ms,
                          [](const Mark& mark) { return mark.kind == MarkKind::Other; }, kMarkCap)
                    : MakeLane(t_.received, ms, any, kMarkCap);
    for (std::size_t i = 0; i < lines_.size(); ++i)
      lines_[i] = MakeLane(t_.lines[i], ms, any, kStepCap);
    calls_ = MakeLane(
        t_.calls, [](const Call& call) { return call.dialled; }, any, kCallCap);
    port_ = MakeLane(t_.port, ms, any, kPortCap);
  }

  TimelineDrawing Draw() {
    std::string measured;
    Pass(measured, measured);
    columns_.Place();
    TimelineDrawing drawing;
    std::string bands, body;
    Pass(bands, body);
    const double width = columns_.Right() + kRightMargin;
    drawing.chart = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"timeline\" width=\"" +
                    Num(width) + "\" height=\"" + Num(kHeight) + "\" viewBox=\"0 0 " + Num(width) +
                    " " + Num(kHeight) + "\">" + kDefs + bands + Background() + body + Axis() +
                    "<g class=\"names\">" + Names() + "</g></svg>";
    drawing.names = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"lane-names\" width=\"" +
                    Num(kNamesWidth) + "\" height=\"" + Num(kHeight) + "\">" + Names() + "</svg>";
    drawing.notes = Notes();
    return drawing;
  }

 private:
  static constexpr const char* kDefs =
      "<defs><pattern id=\"hatch\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\" "
      "patternTransform=\"rotate(45)\"><rect width=\"6\" height=\"6\" fill=\"#f4f4f4\"/>"
      "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"6\" stroke=\"#c8c8c8\" stroke-width=\"2\"/>"
      "</pattern></defs>";

  // Everything placed in columns, in the same order in both passes; the
  // phase bands go behind the rest.
  void Pass(std::string& bands, std::string& out) {
    endX_ = columns_.At(t_.end, kAxisRow);
    Phases(bands);
    Calls(out);
    Marks(out, kSentRow, Kind::Send, sent_, "sent", "commands sent");
    Marks(out, kReceivedRow, Kind::Recv, received_, "received", "replies received");
    for (std::size_t i = 0; i < lines_.size(); ++i) Line(out, i);
    Port(out);
  }

  static std::string Rect(double x, double y, double w, double h, const std::string& cls) {
    return "<rect class=\"" + cls + "\" x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" +
           Num(w) + "\" height=\"" + Num(h) + "\"/>";
  }
  static std::string Title(const std::string& text) {
    return "<title>" + html::Shown(text) + "</title>";
  }
  // Text that reads upwards from (x, y), centred on x.
  static std::string Upright(double x, double y, const std::string& escaped) {
    const std::string tx = Num(x + 3.5), ty = Num(y);
    return "<text x=\"" + tx + "\" y=\"" + ty + "\" transform=\"rotate(-90 " + tx + " " + ty +
           ")\">" + escaped + "</text>";
  }
  static std::string Text(double x, double y, const std::string& escaped) {
    return "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\">" + escaped + "</text>";
  }
  // A thinned burst's block in its row, from x0 to x1; the time it spans is
  // not folded.
  std::string Block(int row, const Burst& burst, const std::string& title, double& x0, double& x1) {
    columns_.Busy(burst.fromMs, burst.toMs);
    x0 = columns_.At(burst.fromMs, row);
    x1 = std::max(columns_.At(burst.toMs, row), x0 + 4);
    const RowBox& box = kRows[std::size_t(row)];
    return "<g class=\"burst\">" +
           Title(std::to_string(burst.count) + " " + title + " " + Span(burst.fromMs, burst.toMs)) +
           Rect(x0, box.top + 3, x1 - x0, box.height - 6, "burst") +
           Text(x0 + 2, box.top + 14, "\u00d7" + std::to_string(burst.count)) + "</g>";
  }
  std::string Block(int row, const Burst& burst, const std::string& title) {
    double x0 = 0, x1 = 0;
    return Block(row, burst, title, x0, x1);
  }
  std::string Span(Ms from, Ms to) const {
    return "from " + ClockText(from) + " to " + ClockText(to);
  }

  void Phases(std::string& out) {
    std::vector<double> xs;
    for (const Phase& phase : phases_) xs.push_back(columns_.At(phase.ms, kPhaseRow));
    for (std::size_t i = 0; i < phases_.size(); ++i) {
      const double x0 = xs[i], x1 = i + 1 < xs.size() ? xs[i + 1] : endX_;
      const Ms until = i + 1 < phases_.size() ? phases_[i + 1].ms : t_.end;
      const std::string number = std::to_string(i + 1);
      out += "<g class=\"phase\">" +
             Title("Phase " + number + ": " + phases_[i].name + ", " + Span(phases_[i].ms, until)) +
             Rect(x0, 0, std::max(x1 - x0, 1.0), Bottom(kPortRow), i % 2 ? "band odd" : "band");
      for (const std::string& label : {number + " " + phases_[i].name, number}) {
        if (label.size() * kCharWidth > x1 - x0 - 4) continue;
        out += Text(x0 + 3, 15, html::Shown(label));
        break;
      }
      out += "</g>";
    }
  }

  // The phase a moment belongs to, for a call's label.
  std::string PhaseAt(Ms ms) const {
    std::string name;
    for (const Phase& phase : phases_)
      if (phase.ms <= ms) name = phase.name;
    return name;
  }

  void Calls(std::string& out) {
    out += "<g class=\"lane calls\">";
    Walk(
        calls_, [&](const Burst& burst) { out += Block(kCallRow, burst, "calls"); },
        [&](std::size_t i) { CallBar(out, i); });
    out += "</g>";
  }

  void CallBar(std::string& out, std::size_t i) {
    const RowBox& box = kRows[kCallRow];
    const Call& call = t_.calls[i];
    const double x0 = columns_.At(call.dialled, kCallRow);
    const double x1 = std::max(columns_.At(call.ended, kCallRow), x0 + 4);
    const std::string number = std::to_string(i + 1), phase = PhaseAt(call.dialled);
    std::string title = "Call " + number + (phase.empty() ? "" : " (" + phase + ")") + ": " +
                        TraceText(Kind::Send, call.dial) + ", " + Span(call.dialled, call.ended) +
                        " (" + DurationText(call.ended - call.dialled) +
                        "): " + CallWords(call.outcome);
    if (call.stillUp) title += "; still up when the session ended";
    out += std::string("<g class=\"") + CallClass(call.outcome) + (call.stillUp ? " up" : "") +
           "\" data-call=\"" + number + "\">" + Title(title) +
           Rect(x0, box.top + 4, x1 - x0, box.height - 8, "bar");
    for (const std::string& label : {number + " " + CallWords(call.outcome), number}) {
      if (label.size() * kCharWidth > x1 - x0 - 4) continue;
      out += Text(x0 + 3, box.top + 18, html::Shown(label));
      break;
    }
    out += "</g>";
  }

  static std::string MarkTitle(Kind kind, const Mark& mark) {
    std::string title =
        ClockText(mark.ms) + "  " + commapi::trace::Describe(Event::Bytes(kind, mark.bytes));
    if (kind != Kind::Send) return title;
    if (!mark.answer) return title + "\n(no result before the next command)";
    return title + "\n" + ResultWord(*mark.answer) + " after " + DurationText(mark.answeredAfter);
  }

  void Marks(std::string& out, int row, Kind kind, const Lane<Mark>& lane, const char* name,
             const char* what) {
    const double glyphY = Bottom(row) - 8;
    out += std::string("<g class=\"lane marks\" data-lane=\"") + name + "\">";
    Walk(
        lane, [&](const Burst& burst) { out += Block(row, burst, what); },
        [&](std::size_t i) {
          const Mark& mark = (*lane.items)[i];
          const double x = columns_.At(mark.ms, row);
          out += std::string("<g class=\"") + KindClass(mark.kind) + "\">" +
                 Title(MarkTitle(kind, mark)) + "<circle cx=\"" + Num(x) + "\" cy=\"" +
                 Num(glyphY) + "\" r=\"3.5\"/>" + Upright(x, glyphY - 8, Label(kind, mark.bytes)) +
                 "</g>";
        });
    out += "</g>";
  }

  // A step line: high, low, or a dotted line while not known.
  void Line(std::string& out, std::size_t line) {
    const int row = kFirstLineRow + int(line);
    const RowBox& box = kRows[std::size_t(row)];
    const double high = box.top + 5, low = Bottom(row) - 5, middle = box.top + box.height / 2;
    const char* name = kLineNames[line];
    std::string known, unknown, edges, bursts;
    Level level = Level::Unknown;
    double from = kLeft;
    bool penDown = false;
    auto y = [&](Level l) { return l == Level::High ? high : low; };
    // The level so far ends at x.
    auto close = [&](double x) {
      if (level == Level::Unknown)
        unknown += "M" + Num(from) + " " + Num(middle) + "H" + Num(x);
      else
        known += "H" + Num(x);
    };
    auto start = [&](Level next, double x) {
      if (next != Level::Unknown) {
        known += penDown ? "V" + Num(y(next)) : "M" + Num(x) + " " + Num(y(next));
        penDown = true;
      } else {
        penDown = false;
      }
      level = next;
      from = x;
    };
    const std::vector<Step>& steps = *lines_[line].items;
    Walk(
        lines_[line],
        [&](const Burst& burst) {
          double x0 = 0, x1 = 0;
          const std::string block = Block(row, burst, std::string(name) + " changes", x0, x1);
          close(x0);
          bursts += block;
          penDown = false;
          start(steps[burst.last].level, x1);
        },
        [&](std::size_t i) {
          const double x = columns_.At(steps[i].ms, row);
          close(x);
          start(steps[i].level, x);
          edges +=
              "<circle class=\"edge\" cx=\"" + Num(x) + "\" cy=\"" + Num(middle) + "\" r=\"6\">" +
              Title(std::string(name) + " " + LevelWord(level) + " at " + ClockText(steps[i].ms)) +
              "</circle>";
        });
    close(endX_);
    out += std::string("<g class=\"lane line\" data-line=\"") + name +
           "\"><path class=\"level\" d=\"" + known + "\"/><path class=\"unknown\" d=\"" + unknown +
           "\"/>" + bursts + edges + "</g>";
  }

  void Port(std::string& out) {
    const RowBox& box = kRows[kPortRow];
    const double y = box.top + box.height - 8;
    out += "<g class=\"lane port\">";
    Walk(
        port_,
        [&](const Burst& burst) { out += Block(kPortRow, burst, "opens, closes and settings"); },
        [&](std::size_t i) {
          const PortMark& mark = t_.port[i];
          const double x = columns_.At(mark.ms, kPortRow);
          const std::string kind = commapi::trace::Describe(Event::Of(mark.kind));
          const std::string word = mark.kind == Kind::Set ? std::to_string(mark.baud) : kind;
          std::string title = ClockText(mark.ms) + "  " + word;
          if (mark.kind == Kind::Set) title += " baud";
          if (mark.kind == Kind::Gone) title += ": the device went away";
          if (mark.kind == Kind::Absent) title += ": the device was not there";
          out += "<g class=\"port-" + kind + "\">" + Title(title);
          if (mark.kind == Kind::Gone)
            out += "<line class=\"gone-line\" x1=\"" + Num(x) + "\" y1=\"0\" x2=\"" + Num(x) +
                   "\" y2=\"" + Num(y) + "\"/>";
          out += "<circle cx=\"" + Num(x) + "\" cy=\"" + Num(y) + "\" r=\"3.5\"/>" +
                 Upright(x, y - 8, html::Shown(word)) + "</g>";
        });
    out += "</g>";
  }

  // Drawn after placing: the row rules and folds, between the bands and the lanes.
  std::string Background() const {
    std::string out;
    const double width = columns_.Right() + kRightMargin;
    for (int row = 1; row <= kAxisRow; ++row)
      out += "<line class=\"rule\" x1=\"0\" y1=\"" + Num(kRows[std::size_t(row)].top) + "\" x2=\"" +
             Num(width) + "\" y2=\"" + Num(kRows[std::size_t(row)].top) + "\"/>";
    for (const TimelineColumns::Fold& fold : columns_.Folds()) {
      out += "<g class=\"fold\">" +
             Title(DurationText(fold.toMs - fold.fromMs) + " with nothing on the line, " +
                   Span(fold.fromMs, fold.toMs) + ", drawn folded") +
             Rect(fold.fromX + 4, kRows[kCallRow].top, fold.toX - fold.fromX - 8,
                  kRows[kAxisRow].top - kRows[kCallRow].top, "fold") +
             Text(fold.fromX + 6, kRows[kAxisRow].top + 26,
                  html::Shown("\u2248" + DurationText(fold.toMs - fold.fromMs))) +
             "</g>";
    }
    return out;
  }

  // Minutes first, then seconds where they fit; none inside a fold.
  std::string Axis() const {
    const double top = kRows[kAxisRow].top;
    std::string out = "<g class=\"axis\">";
    std::set<double> placed;
    auto room = [&](double x, double gap) {
      const auto next = placed.lower_bound(x);
      return (next == placed.end() || *next - x >= gap) &&
             (next == placed.begin() || x - *std::prev(next) >= gap);
    };
    auto tick = [&](Ms ms, double gap, bool minute) {
      if (columns_.Folded(ms)) return;
      const double x = columns_.X(ms);
      if (!room(x, gap)) return;
      placed.insert(x);
      if (minute)
        out += "<line class=\"minute\" x1=\"" + Num(x) + "\" y1=\"0\" x2=\"" + Num(x) + "\" y2=\"" +
               Num(top) + "\"/>";
      out += "<line x1=\"" + Num(x) + "\" y1=\"" + Num(top) + "\" x2=\"" + Num(x) + "\" y2=\"" +
             Num(top + (minute ? 8 : 5)) + "\"/>";
      std::string label = ClockText(ms);
      label.resize(label.size() - 4);  // whole seconds
      out += "<text" + std::string(minute ? " class=\"minute\"" : "") + " x=\"" + Num(x - 12) +
             "\" y=\"" + Num(top + 18) + "\">" + label + "</text>";
    };
    for (Ms ms = 0; ms <= t_.end; ms += 60000) tick(ms, 40, true);
    const Ms step = std::max<Ms>(1000, t_.end / 20000 / 1000 * 1000);
    for (Ms ms = 0; ms <= t_.end; ms += step) tick(ms, 48, false);
    return out + "</g>";
  }

  // The lanes' names, on white: drawn at the chart's left edge, and again in
  // a column of their own that the page keeps in place over it while the
  // chart scrolls (on paper the chart's own are seen, scaled with it).
  static std::string Names() {
    std::string out = Rect(0, 0, kNamesWidth, kHeight, "names");
    for (int row = 0; row < kRowCount; ++row) {
      const RowBox& box = kRows[std::size_t(row)];
      out += Text(4, box.top + std::min(box.height / 2 + 4, 17.0), RowName(row));
    }
    return out;
  }

  std::vector<std::string> Notes() const {
    std::vector<std::string> notes;
    auto note = [&](const std::string& what, std::size_t count, const Thinning& thinning,
                    const char* kept = "") {
      if (thinning.window == 0) return;
      notes.push_back(what + ": " + std::to_string(count) +
                      ", too many to draw one by one: runs of them less than " +
                      DurationText(thinning.window) +
                      " apart are drawn as blocks of at most a minute (" +
                      std::to_string(thinning.bursts.size()) +
                      " blocks; hover one for its count and times)." + kept);
    };
    note("Commands sent", t_.sent.size(), sent_.thinning);
    note("Replies received", t_.received.size(), received_.thinning,
         resultsKept_ ? " OK, ERROR, CONNECT, NO CARRIER and Welcome are still drawn one by one."
                      : "");
    for (std::size_t i = 0; i < lines_.size(); ++i)
      note(std::string("Changes of ") + kLineNames[i], t_.lines[i].size(), lines_[i].thinning);
    note("Calls", t_.calls.size(), calls_.thinning);
    note("Port events", t_.port.size(), port_.thinning);
    return notes;
  }

  const Timeline& t_;
  std::span<const Phase> phases_;
  Lane<Mark> sent_, received_;
  std::array<Lane<Step>, kLineNames.size()> lines_;
  Lane<Call> calls_;
  Lane<PortMark> port_;
  bool resultsKept_ = true;  // only line noise is thinned among the replies
  TimelineColumns columns_{kLeft};
  double endX_ = 0;
};

}  // namespace

TimelineDrawing DrawTimeline(const Timeline& timeline, std::span<const Phase> phases) {
  return Chart(timeline, phases).Draw();
}

}  // namespace report
