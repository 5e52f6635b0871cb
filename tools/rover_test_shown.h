// What the README's pictures of the window show: a Rover Test run in the
// window against the simulated standard modem, in virtual time, with the
// default phone number. duringRun, when given, runs once when the run first
// drops DTR with a call up (the phase, the progress bar and the lamps busy);
// takePicture runs at its end, while the window shows the log, the
// results pane, the lamps and the progress bar.
#pragma once

#include <functional>
#include <memory>

#include "platform/toolkit/toolkit.h"

// The window backend is made once the program's clock and ports are set up,
// and released before this returns; the result is true when every picture
// asked for was taken.
bool ShowRoverTest(const std::function<std::unique_ptr<toolkit::Backend>()>& makeBackend,
                   const std::function<bool()>& takePicture,
                   const std::function<bool()>& duringRun = {});
