// What a Rover Test run found: one record, written by the procedure as it
// goes and read by the log's verdict, the results pane and anything else
// that reports on the run. A run that ended early keeps what it found up to
// there.
#pragma once

#include <optional>

namespace rover {

// How one of the test's calls went.
enum class Call {
  NotRun,        // not reached, or skipped: the modem refused the command it needs
  NoCommands,    // with DTR low the modem answered no command, so no call was placed
  NotConnected,  // NO CARRIER, ERROR or no answer to the dial
  NoWelcome,     // connected, but "Welcome" did not come
  Welcome,       // "Welcome" came: the call works
};

struct Findings {
  Call dialTest = Call::NotRun;
  // DTR low: in the reset configuration, then after "AT &D0".
  Call withoutDtr = Call::NotRun;
  Call ignoreDtr = Call::NotRun;
  // RTS low: in the reset configuration, then with the modem's flow control
  // switched off by "AT\Q0", "AT &H0 &R1" and "AT &K0".
  Call rtsLow = Call::NotRun;
  Call q0 = Call::NotRun;
  Call h0r1 = Call::NotRun;
  Call k0 = Call::NotRun;
  // A reset found the modem answering with numeric result codes (any reset
  // of any procedure since the Rover Test last started).
  bool NumericResults = false;
  // DSR was high with DTR high and stayed high when DTR was lowered; not
  // known until the run has looked.
  std::optional<bool> DsrStandard;
  // The run got as far as its verdict.
  bool reachedVerdict = false;

  bool WorksWithoutDtr() const { return withoutDtr == Call::Welcome; }
  bool IgnoreDtrWorks() const { return ignoreDtr == Call::Welcome; }
  bool WorksWithRtsLow() const { return rtsLow == Call::Welcome; }
  bool Q0Works() const { return q0 == Call::Welcome; }
  bool H0R1Works() const { return h0r1 == Call::Welcome; }
  bool K0Works() const { return k0 == Call::Welcome; }
};

}  // namespace rover
