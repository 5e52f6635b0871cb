// Reading an answer on the terminal as a modal prompt would take it.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace toolkit {

// Reads one line (without its line break, CR LF included) while the
// application goes on serving synchronised calls and timer ticks, as a
// window does behind an open modal box. nullopt at the end of the input, or,
// on standard input, once Ctrl+C has been caught (platform/interrupt.h).
std::optional<std::string> ReadLineWhileModal(std::istream& in);

}  // namespace toolkit
