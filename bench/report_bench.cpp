// The session report of a long session: an hour of a chatty modem, 100 000
// events. The time to read its trace and render the page, and the page's size.
#include <chrono>
#include <cstdio>
#include <sstream>

#include "app/SessionReport.h"
#include "measures.h"

namespace bench {

namespace {

using commapi::trace::Event;
using commapi::trace::Kind;

// A command every 3.6 s, answered OK; in between, line noise every 36 ms
// and CTS going up and down with the modem's flow control.
std::string ChattyTrace(std::size_t events) {
  std::string trace = "0 open\n0 lines cts=1 dsr=1 cd=0\n0 set 19200 dtr=1 rts=1\n";
  static const char* const kNoise[] = {"~#\xff\x0b", "q\r", "<b>noise</b>", "\x1b[2J&"};
  for (std::size_t i = 0; i < events; ++i) {
    Event event;
    switch (i % 100) {
      case 0:
        event = Event::Bytes(Kind::Send, "AT Z\r\n");
        break;
      case 1:
        event = Event::Bytes(Kind::Recv, "\r\nOK\r\n");
        break;
      default:
        event = i % 7 ? Event::Bytes(Kind::Recv, kNoise[i % 4])
                      : Event::LineStates(i % 14 == 0, true, false);
    }
    trace += std::to_string(i * 36) + ' ' + commapi::trace::Describe(event) + '\n';
  }
  return trace;
}

}  // namespace

std::vector<Row> ReportOfLongSession(std::size_t events) {
  const std::string trace = ChattyTrace(events);
  report::Session session;
  session.header.procedure = "Rover Test";
  for (int i = 0; i < 200; ++i) session.log.push_back("Log line " + std::to_string(i));
  for (int i = 0; i < 12; ++i) session.phases.push_back({"phase", i * 300000});

  const auto start = std::chrono::steady_clock::now();
  std::istringstream in(trace);
  session.events = commapi::trace::Read(in).events;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) session.trace.push_back(line);
  const std::string page = report::RenderPage(session);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

  char time[32], size[32];
  std::snprintf(time, sizeof time, "%.0f ms", ms);
  std::snprintf(size, sizeof size, "%.1f MB", page.size() / 1e6);
  const std::string what = "Session report, " + std::to_string(events / 1000) + " 000 events";
  return {{what + ": read, render", time, "< 2000 ms"}, {what + ": page size", size, "< 20 MB"}};
}

}  // namespace bench
