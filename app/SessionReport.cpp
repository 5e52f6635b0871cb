#include "app/SessionReport.h"

#include "app/HtmlText.h"
#include "app/SessionTimeline.h"
#include "app/TimelineSvg.h"
#include "app/TimelineText.h"

namespace report {

namespace {

using html::Shown;

// Inline, so the page needs nothing else; the print rules fit the timeline
// to the paper's width and let the log run on over pages.
constexpr const char* kStyle = R"(
:root{--ink:#1d2329;--muted:#5f6b76;--rule:#d5dae0}
body{font:14px/1.45 system-ui,"DejaVu Sans",sans-serif;color:var(--ink);margin:20px auto;max-width:1180px;padding:0 16px}
h1{font-size:22px;margin:0 0 6px}h2{font-size:17px;border-bottom:1px solid var(--rule);padding-bottom:3px;margin:26px 0 10px}h3{font-size:15px;margin:14px 0 6px}
dl.facts{display:grid;grid-template-columns:max-content 1fr max-content 1fr;gap:2px 16px;margin:8px 0}
dl.facts dt{color:var(--muted)}dl.facts dd{margin:0}
.made,.note,.scale{color:var(--muted);font-size:13px}
.answer>p:first-of-type{font-weight:600}.error{color:#b71c1c;white-space:pre-wrap}
table{border-collapse:collapse;margin:6px 0}td,th{border-bottom:1px solid #e3e7eb;padding:3px 16px 3px 0;text-align:left;vertical-align:top}
th{color:var(--muted);font-weight:normal}.pass{color:#1b7a2b}.fail{color:#b71c1c}.expected{color:#1f4e79}.notrun{color:#808080}
code,pre{font-family:ui-monospace,"DejaVu Sans Mono",monospace;font-size:12.5px}
pre{background:#fafbfc;border:1px solid var(--rule);padding:8px 10px;white-space:pre-wrap;overflow-wrap:anywhere;margin:6px 0}
.chart{position:relative;border:1px solid var(--rule);background:#fff}.chart .scroll{overflow-x:auto}
.chart svg{display:block}.lane-names{position:absolute;left:0;top:0;z-index:1}rect.names{fill:#fff;stroke:var(--rule)}
svg text{font:11px system-ui,"DejaVu Sans",sans-serif;fill:#37474f}
.marks text,.port text{font:10px ui-monospace,"DejaVu Sans Mono",monospace;fill:var(--c)}
.band{fill:#f4f6f9}.band.odd{fill:#e8ecf1}.rule{stroke:#dde2e7}.fold{fill:url(#hatch)}
line.minute{stroke:#b8c1cb;stroke-dasharray:2 3}text.minute{font-weight:600}.axis line{stroke:#7a8591}
.level{fill:none;stroke:var(--ink);stroke-width:1.6}.unknown{fill:none;stroke:#98a2ad;stroke-width:1.4;stroke-dasharray:1 3}
.edge{fill:transparent}.burst rect{fill:url(#hatch);stroke:#8a949e}
.k-command{--c:#455a64}.k-dial{--c:#1565c0}.k-hangup{--c:#8e24aa}.k-ok{--c:#2e7d32}.k-error{--c:#c62828}
.k-connect{--c:#1565c0}.k-nocarrier{--c:#e65100}.k-welcome{--c:#00838f}.k-other{--c:#78909c}
.port-open{--c:#2e7d32}.port-close{--c:#607d8b}.port-gone,.port-absent{--c:#c62828}.port-set{--c:#5c6bc0}
.marks circle,.port circle{fill:var(--c)}.gone-line{stroke:#c62828;stroke-dasharray:4 3}
.call.welcome{--c:#66bb6a}.call.connected{--c:#ffca28}.call.none{--c:#ef5350}
.call .bar{fill:var(--c);stroke:#37474f;stroke-width:.6}.call.up .bar{stroke-dasharray:4 2;stroke-width:1.4}
.legend{font-size:13px;margin:6px 0}.legend span{white-space:nowrap;margin-right:14px}.legend i{display:inline-block;width:10px;height:10px;border-radius:5px;background:var(--c);margin:0 4px 0 10px;vertical-align:-1px}
.legend i.bar{border-radius:2px;width:16px}
summary{cursor:pointer;font-weight:600}
@media print{
body{max-width:none;margin:0;padding:0;font-size:11px}
.chart{break-inside:avoid}.chart .scroll{overflow:visible}.chart .lane-names{display:none}
svg.timeline{width:100%;height:auto}
h2,h3{break-after:avoid}pre{font-size:9.5px}
})";

void Fact(std::string& out, const char* name, const std::string& value) {
  out += std::string("<dt>") + name + "</dt><dd>" + Shown(value) + "</dd>";
}

std::string HeaderBlock(const Header& header) {
  std::string out = "<header><h1>" + Shown(header.procedure) + " \u2014 session report</h1>";
  out += "<dl class=\"facts\">";
  Fact(out, "Telvora", header.version);
  Fact(out, "Started", header.startedAt);
  Fact(out, "Port", header.port);
  Fact(out, "Speed", header.speed);
  Fact(out, "Phone number", header.phoneNumber);
  Fact(out, "Nextel Phone", header.nextelPhone ? "checked" : "not checked");
  Fact(out, "Message level", header.messageLevel);
  out += "</dl><p class=\"made\">" + Shown(header.madeFrom) + "</p></header>";
  return out;
}

// The outcome as the results pane shows it: the mark and the word.
void Outcome(std::string& out, toolkit::TResults::Outcome outcome) {
  switch (outcome) {
    case toolkit::TResults::Outcome::Pass:
      out += "<td class=\"pass\">\u2714 pass</td>";
      return;
    case toolkit::TResults::Outcome::Fail:
      out += "<td class=\"fail\">\u2718 fail</td>";
      return;
    case toolkit::TResults::Outcome::Expected:
      out += "<td class=\"expected\">\u2713 as expected</td>";
      return;
    case toolkit::TResults::Outcome::NotRun:
      break;
  }
  out += "<td class=\"notrun\">\u2013 not run</td>";
}

// What the results pane shows, in its order.
void Results(std::string& out, const toolkit::TResults& results) {
  out += "<h3>" + Shown(results.title) + "</h3>";
  for (const std::string& line : results.lines) out += "<p>" + Shown(line) + "</p>";
  if (!results.fields.empty()) {
    out += "<table class=\"fields\">";
    for (const auto& field : results.fields)
      out += "<tr><th>" + Shown(field.label) + "</th><td><code>" + Shown(field.value) +
             "</code></td></tr>";
    out += "</table>";
  }
  if (!results.rows.empty()) {
    out += "<table class=\"checks\"><tr><th>Check</th><th>Result</th></tr>";
    for (const auto& row : results.rows) {
      out += "<tr><td>" + Shown(row.check) + "</td>";
      Outcome(out, row.outcome);
      out += "</tr>";
    }
    out += "</table>";
  }
}

std::string AnswerBlock(const Answer& answer) {
  std::string out = "<section class=\"answer\" id=\"answer\"><h2>Answer</h2>";
  if (!answer.error.empty()) out += "<p class=\"error\">" + Shown(answer.error) + "</p>";
  if (answer.results) Results(out, *answer.results);
  if (!answer.ending.empty()) out += "<p class=\"note\">" + Shown(answer.ending) + "</p>";
  if (!answer.identity.empty()) {
    out += "<h3>Modem identity</h3><pre class=\"identity\">";
    for (const std::string& line : answer.identity) out += Shown(line) + "\n";
    out += "</pre>";
  }
  return out + "</section>";
}

std::string CallSummary(const std::vector<Call>& calls) {
  if (calls.empty()) return "No test calls.";
  std::size_t welcome = 0, connected = 0;
  for (const Call& call : calls) {
    welcome += call.outcome == CallOutcome::Welcome;
    connected += call.outcome == CallOutcome::ConnectedOnly;
  }
  return std::to_string(calls.size()) + " test call" + (calls.size() == 1 ? "" : "s") + ": " +
         std::to_string(welcome) + " reached Welcome, " + std::to_string(connected) +
         " connected without Welcome, " + std::to_string(calls.size() - welcome - connected) +
         " did not connect.";
}

constexpr const char* kLegend =
    "<p class=\"legend\"><span>Replies:<i class=\"k-ok\"></i>OK<i class=\"k-error\"></i>"
    "ERROR<i class=\"k-connect\"></i>CONNECT<i class=\"k-nocarrier\"></i>NO CARRIER"
    "<i class=\"k-welcome\"></i>Welcome<i class=\"k-other\"></i>other text</span> "
    "<span>Sent:<i class=\"k-command\"></i>command<i class=\"k-dial\"></i>dial"
    "<i class=\"k-hangup\"></i>hang-up</span> <span>Calls:<i class=\"bar call welcome\"></i>"
    "Welcome reached<i class=\"bar call connected\"></i>connected without Welcome"
    "<i class=\"bar call none\"></i>no connection (dashed: still up at the end)</span></p>";

std::string TimelineBlock(const Session& session) {
  const Timeline timeline = FindTimeline(session.events);
  const TimelineDrawing drawing = DrawTimeline(timeline, session.phases);
  std::string out = "<section id=\"timeline\"><h2>Timeline</h2><p>" + CallSummary(timeline.calls) +
                    "</p><div class=\"chart\">" + drawing.names + "<div class=\"scroll\">" +
                    drawing.chart + "</div></div>" + kLegend;
  for (const std::string& note : drawing.notes) out += "<p class=\"note\">" + Shown(note) + "</p>";
  out +=
      "<p class=\"scale\">Time runs to the right, to scale where there is room: things closer "
      "in time than a mark is wide are spread apart, and a silence longer than " +
      DurationText(12000) +
      " is folded (hatched, with its length). Grey dots: a line not known (port closed). Hover a "
      "mark, bar or change for its exact time and text.</p>";
  return out + "</section>";
}

// Lines as text in a <pre>: exactly the lines, control bytes as escapes.
std::string Lines(const std::vector<std::string>& lines, const char* cls) {
  std::string out = std::string("<pre class=\"") + cls + "\">";
  for (const std::string& line : lines) out += Shown(line) + "\n";
  return out + "</pre>";
}

}  // namespace

std::string RenderPage(const Session& session) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>" +
      Shown(session.header.procedure + " \u2014 Telvora session report \u2014 " +
            session.header.startedAt) +
      "</title><style>" + kStyle + "</style></head><body>";
  page += HeaderBlock(session.header);
  page += AnswerBlock(session.answer);
  page += TimelineBlock(session);
  page += "<section id=\"log\"><h2>Log</h2>" + Lines(session.log, "log") + "</section>";
  page += "<section id=\"trace\"><h2>Session trace</h2>";
  if (session.trace.empty())
    page += "<p class=\"note\">Not recorded: File \u203a Record Trace\u2026 puts it here.</p>";
  else
    page += "<details><summary>" + std::to_string(session.trace.size()) +
            " lines: open to copy them into a file and replay it (--simulate=replay:FILE)"
            "</summary>" +
            Lines(session.trace, "trace") + "</details>";
  page += "</section>";
  return page + "</body></html>\n";
}

}  // namespace report
