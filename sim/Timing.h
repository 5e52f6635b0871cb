// How long the simulated modem takes for things. Fixed, realistic values so a
// run in virtual time gives the same log every time and a run in real time
// feels like a real modem.
#pragma once

#include "platform/clock.h"

namespace sim::timing {

using platform::clock::Millis;

constexpr Millis kResultDelayMs = 30;      // a command line's processing, CR to result
constexpr Millis kResetMs = 100;           // Z: reload of the stored profile
constexpr Millis kConnectMs = 6000;        // dial tone, dialling, ringing, training
constexpr Millis kHandshakeFailMs = 4000;  // training with a far end that never brings carrier
constexpr Millis kGreetingMs = 700;        // CONNECT to the answering system's greeting
constexpr Millis kRingingMs = 2500;        // dialled to the far end ringing
constexpr Millis kBusyMs = 5000;           // dialled to a busy tone recognised
constexpr Millis kNoDialtoneMs = 5000;     // off hook to giving up on the dial tone
constexpr Millis kPowerOffMs = 400;        // a power cycle's time switched off ...
constexpr Millis kPowerUpMs = 400;         // ... and its self test after switching on
constexpr Millis kBackAfterPowerCycleMs = kPowerOffMs + kPowerUpMs;
constexpr Millis kNoiseIntervalMs = 250;  // between bursts of line noise
constexpr Millis kGuardUnitMs = 20;       // S12 counts fiftieths of a second

}  // namespace sim::timing
