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

}  // namespace report
