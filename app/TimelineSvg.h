// The report's timeline as inline SVG (app/SessionTimeline.h has what it
// shows, app/TimelineColumns.h how time is laid along it).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/SessionReport.h"
#include "app/SessionTimeline.h"

namespace report {

struct TimelineDrawing {
  std::string names;  // the lanes' names: an SVG that stays put while the chart scrolls
  std::string chart;  // the timeline: an SVG
  std::vector<std::string> notes;  // what was thinned, one sentence each (plain text)
};

TimelineDrawing DrawTimeline(const Timeline& timeline, std::span<const Phase> phases);

// "1:02.345" (or "1:02:03.456" from an hour on), "130 ms", "6.0 s", "2 min 05 s".
std::string ClockText(Ms ms);
std::string DurationText(Ms ms);

}  // namespace report
