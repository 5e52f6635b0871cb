// Ctrl+C in a console program, and the other things the console runner
// needs of the system's console, behind one face for every system. The build
// picks one source per system: interrupt_posix.cpp (signals) here, the
// console control handler on Windows.
//
// On POSIX, SIGTERM (a polite kill, a service stopping) and SIGHUP (the
// terminal closed) are the user's wish to stop just as Ctrl+C (SIGINT) is,
// and count as presses of it. A reader of standard output that goes away
// (SIGPIPE) ends nothing: writes to it fail instead.
//
// Ctrl+C must reach the user-interface thread only: the threads the program
// starts are kept out of it (platform::StartThread in threads.h does that
// through ShieldedScope), and the one blocking read the console makes, a
// terminal prompt, ends when Ctrl+C is pressed.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform::interrupt {

// While a Catcher lives, Ctrl+C does not end the program: each press is
// counted and onInterrupt runs. onInterrupt runs in an interrupt context (a
// signal handler, or a thread of the system's own): it may only do what is
// safe there, such as storing to an atomic. One Catcher at a time.
class Catcher {
 public:
  explicit Catcher(void (*onInterrupt)());
  ~Catcher();
  Catcher(const Catcher&) = delete;
  Catcher& operator=(const Catcher&) = delete;
};

// Presses of Ctrl+C caught by the Catcher alive now (0 without one).
int Caught();

// While it lives, Ctrl+C is kept away from the calling thread, and from every
// thread it starts meanwhile: they inherit that.
class ShieldedScope {
 public:
  ShieldedScope();
  ~ShieldedScope();
  ShieldedScope(const ShieldedScope&) = delete;
  ShieldedScope& operator=(const ShieldedScope&) = delete;

 private:
  struct Saved;  // what was kept away from the thread before
  std::unique_ptr<Saved> saved_;
};

// The longest line a prompt takes: an answer is a phone number or a file
// name, and an endless input (< /dev/zero) must not grow one forever.
constexpr std::size_t kLongestLine = 4096;

// Reads one line from standard input, without its line end (LF or CR LF),
// calling serve() about every 10 ms while it waits. nullopt at the end of
// the input, on a read error, for a line longer than kLongestLine (the rest
// stays unread), or once Ctrl+C has been caught (also before the call), so a
// prompt never outlasts the user's wish to stop.
std::optional<std::string> ReadStandardInputLine(const std::function<void()>& serve);

// True when standard output, or standard error, is a terminal (not a pipe or
// a file).
bool StandardOutputIsTerminal();
bool StandardErrorIsTerminal();

}  // namespace platform::interrupt
