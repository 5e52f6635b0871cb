// The words and labels of the report's timeline: times, the text of a
// command or reply as a mark's label, and what each kind of thing is called.
#pragma once

#include <string>
#include <string_view>

#include "app/SessionTimeline.h"
#include "platform/commapi/trace_format.h"

namespace report {

// "1:02.345" (or "1:02:03.456" from an hour on), "130 ms", "6.0 s", "2 min 05 s".
std::string ClockText(Ms ms);
std::string DurationText(Ms ms);

// The bytes as the trace writes them (\r, \n, \xNN).
std::string TraceText(commapi::trace::Kind kind, std::string_view bytes);
// A mark's label, HTML-escaped: its lines joined with "·", cut short.
std::string Label(commapi::trace::Kind kind, std::string_view bytes);

const char* KindClass(MarkKind kind);   // the CSS class of a mark
const char* ResultWord(MarkKind kind);  // "OK", "NO CARRIER"
const char* CallClass(CallOutcome outcome);
const char* CallWords(CallOutcome outcome);  // "Welcome", "no connection"
const char* LevelWord(Level level);          // "high", "low", "not known"

}  // namespace report
