// What make bench measures; each part fills its rows of the one table.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

struct Row {
  std::string measure;
  std::string value;
  std::string target;  // empty: shown for comparison
};

// A modem on a pseudo-terminal answers each command at once: from its reply
// to the program's next command, over many exchanges (real time).
std::vector<Row> ReplyLatency(int exchanges);

// The program waits for a reply that never comes: CPU time over that wait,
// as a share of one core (real time).
std::vector<Row> IdleWaitCpu(int seconds);

// A Rover Test against the simulated standard modem in real time: CPU of the
// whole process over its first seconds without a window (as the console
// runs it) and in the window (on Qt's offscreen platform), then the window
// left idle; each as a share of one core.
std::vector<Row> RoverTestCpu(int idleSeconds, int runSeconds);

// CPU time of this process so far, in seconds, and a share of one core.
double CpuSeconds();
std::string Percent(double share);

// Reply recognition while a flood of unrecognised text fills the buffer:
// cost per received byte at several buffer sizes.
std::vector<Row> RecognitionUnderFlood();

// Rover Tests back to back in one window against the simulated modem, in
// virtual time: memory and open descriptors after the first and the last.
std::vector<Row> Soak(int runs);

// The session report of an hour of a chatty modem: the time to read its
// trace and render the page, and the page's size.
std::vector<Row> ReportOfLongSession(std::size_t events);

}  // namespace bench
