// What a modem model is: the settings it ships with (its factory and initial
// stored profile) and the switches that say what its firmware can do. The
// interpreter reads only these switches; no code asks for a profile by name.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "sim/Timing.h"

namespace sim {

constexpr int kRegisterCount = 38;  // S0 ... S37
using Registers = std::array<std::uint8_t, kRegisterCount>;

// Hayes defaults; S7 = 50 s to wait for carrier, S12 = 1 s escape guard.
constexpr Registers FactoryRegisters() {
  Registers s{};
  s[2] = 43;   // escape character '+'
  s[3] = 13;   // line end
  s[4] = 10;   // line feed
  s[5] = 8;    // backspace
  s[6] = 2;    // wait for dial tone
  s[7] = 50;   // wait for carrier
  s[8] = 2;    // comma pause
  s[9] = 6;    // carrier detect time
  s[10] = 14;  // carrier loss time
  s[11] = 95;  // tone dialling speed
  s[12] = 50;  // escape guard time
  return s;
}

// One modem configuration: what &W stores and Z reloads.
struct ModemSettings {
  bool echo = true;     // E
  bool verbose = true;  // V
  bool quiet = false;   // Q
  int dtrMode = 2;      // &D
  int dsrMode = 0;      // &S
  int cdMode = 1;       // &C
  int lockBaud = 0;     // &B
  bool rtsFlow = true;  // hardware flow control of the modem's output (&K, \Q, &R)
  int resultSet = 4;    // X: which call progress results it reports
  int speaker = 1;      // M
  int volume = 1;       // L
  Registers s = FactoryRegisters();
};

enum class FlowLock { kNone, kAlwaysOn, kNever };
enum class DsrWiring { kBySetting, kFollowsDtr, kNeverOn, kAlwaysOn };
// What the telephone line does when the modem dials.
enum class PhoneLine { kRings, kBusy, kNoDialtone };

struct Capabilities {
  bool acceptsQ = true;    // \Q commands
  bool acceptsK = true;    // &K commands
  bool acceptsHR = true;   // &H and &R commands
  bool acceptsD0 = true;   // &D0
  bool storeWorks = true;  // &W
  bool dtrIgnored = false;
  FlowLock flowLock = FlowLock::kNone;
  DsrWiring dsr = DsrWiring::kBySetting;
  bool farEndGreets = true;      // the answering system sends its greeting
  bool farEndCarrier = true;     // training with the far end succeeds
  bool escapeDropsCall = false;  // "+++" hangs up instead of keeping the call
  bool h0Ignored = false;        // H0 answers OK but the line stays off hook
  bool s0Switch = false;         // a dip switch forces S0 to 0 at reset and power-up
  std::uint32_t fixedBaud = 0;   // the only port speed it understands; 0: any
  bool noisy = false;            // line noise between replies
  bool mute = false;             // never answers anything

  bool carrierAlwaysOn = false;    // carrier detect high whatever &C says
  bool ctsFollowsRts = false;      // CTS shows the port's RTS (&R0 style)
  bool q2IgnoresRts = false;       // \Q2 is CTS only: RTS low holds nothing back
  bool echoFixed = false;          // E0 answers OK, the echo stays
  bool storeForgets = false;       // &W answers OK and stores nothing
  bool powerUpFactory = false;     // power-up loads the factory settings, Z the stored ones
  bool okToAll = false;            // OK to lines it cannot parse, which then do nothing
  bool paddedRegisters = true;     // Sn? answers three digits ("050"), else "50"
  bool linkReport = false;         // RING, CARRIER, PROTOCOL, COMPRESSION and a long CONNECT
  PhoneLine phoneLine = PhoneLine::kRings;
  std::size_t lineLimit = 255;     // characters after "AT" a command line may hold
  int spoiltReplyEvery = 0;        // noise lands inside the reply to every nth line; 0: never
  // Z and &F restart the firmware for this long, deaf, with CTS and DSR
  // low; 0: Z reloads in timing::kResetMs and &F at once.
  timing::Millis restartMs = 0;
  timing::Millis powerUpMs = timing::kPowerUpMs;  // switched on to answering
  // A USB modem: switched off, its device is gone until this long after;
  // 0: a modem on a serial cable.
  timing::Millis deviceBackMs = 0;
};

struct Profile {
  std::string_view name;
  std::string_view description;
  ModemSettings settings;
  Capabilities caps;
};

// Every profile, "standard" first.
std::span<const Profile> ProfileTable();
const Profile* FindProfile(std::string_view name);

}  // namespace sim
