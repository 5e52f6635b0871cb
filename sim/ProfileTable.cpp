// The named modem models. Each differs from the standard one only through
// its shipped settings and capability switches.
#include <vector>

#include "sim/ModemProfile.h"

namespace sim {
namespace {

std::vector<Profile> BuildTable() {
  std::vector<Profile> table;
  auto add = [&](std::string_view name, std::string_view description) -> Profile& {
    return table.emplace_back(Profile{name, description, {}, {}});
  };
  add("standard", "a well-behaved Hayes-compatible modem with hardware flow control");
  add("ignores-dtr", "DTR has no effect, whatever &D says").caps.dtrIgnored = true;
  add("no-flow-control", "never holds its output back").caps.flowLock = FlowLock::kNever;
  {
    Capabilities& caps = add("k0-only", "\\Q and &H/&R commands give ERROR").caps;
    caps.acceptsQ = caps.acceptsHR = false;
  }
  {
    Capabilities& caps = add("hr-only", "\\Q and &K commands give ERROR").caps;
    caps.acceptsQ = caps.acceptsK = false;
  }
  {
    Capabilities& caps =
        add("flow-locked", "\\Q, &K and &H/&R commands give ERROR; flow control always on").caps;
    caps.acceptsQ = caps.acceptsK = caps.acceptsHR = false;
    caps.flowLock = FlowLock::kAlwaysOn;
  }
  add("strict-dtr", "&D0 gives ERROR").caps.acceptsD0 = false;
  {
    ModemSettings& s = add("numeric", "stored profile E0 V0: numeric results, no echo").settings;
    s.echo = s.verbose = false;
  }
  add("echo-numeric", "stored profile E1 V0: numeric results with echo").settings.verbose = false;
  add("dsr-follows-dtr", "DSR follows DTR").caps.dsr = DsrWiring::kFollowsDtr;
  add("dsr-low", "DSR is never on").caps.dsr = DsrWiring::kNeverOn;
  add("no-welcome", "the answering system sends nothing").caps.farEndGreets = false;
  add("no-carrier", "dialling ends in NO CARRIER after a few seconds").caps.farEndCarrier = false;
  add("hangup-on-escape", "\"+++\" drops the call with NO CARRIER").caps.escapeDropsCall = true;
  add("ignores-hangup", "H0 answers OK but keeps the call; DTR (&D2) or a reset drops it")
      .caps.h0Ignored = true;
  add("no-store", "&W gives ERROR").caps.storeWorks = false;
  add("dip-switch-s0", "a switch forces S0 to 0 at every reset and power-up").caps.s0Switch = true;
  add("s7-max", "S7 (seconds to wait for carrier) is 255").settings.s[7] = 255;
  add("fixed-9600", "answers only at 9600 baud; other speeds garble").caps.fixedBaud = 9600;
  add("garbage", "line noise between replies").caps.noisy = true;
  add("dead", "never answers").caps.mute = true;
  {
    Profile& p = add("usb-cdc",
                     "a USB modem: DSR and carrier detect always high, registers read without "
                     "leading zeros; switched off, its port is gone for 3 s");
    p.caps.dsr = DsrWiring::kAlwaysOn;
    p.caps.carrierAlwaysOn = true;
    p.caps.paddedRegisters = false;
    p.caps.deviceBackMs = 3000;
  }
  {
    Capabilities& caps = add("slow-reset",
                             "Z and &F take 1.5 s, deaf and with CTS and DSR low; power-up takes "
                             "3 s").caps;
    caps.restartMs = 1500;
    caps.powerUpMs = 3000;
  }
  add("verbose-connect",
      "reports RING, CARRIER, PROTOCOL and COMPRESSION lines and CONNECT "
      "33600/ARQ/V34/LAPM/V42BIS")
      .caps.linkReport = true;
  add("busy-line", "every call ends with BUSY").caps.phoneLine = PhoneLine::kBusy;
  add("no-dialtone", "every call ends with NO DIALTONE").caps.phoneLine = PhoneLine::kNoDialtone;
  add("ok-to-all", "answers OK to every command it does not know").caps.okToAll = true;
  add("volatile-store", "&W answers OK but stores nothing").caps.storeForgets = true;
  add("factory-power-up", "Z loads the stored profile, power-up the factory settings")
      .caps.powerUpFactory = true;
  add("sticky-echo", "E0 answers OK but the echo stays on").caps.echoFixed = true;
  add("short-line", "a command line over 40 characters gives ERROR").caps.lineLimit = 38;
  add("noisy-replies", "line noise lands inside every tenth reply").caps.spoiltReplyEvery = 10;
  {
    Capabilities& caps =
        add("cts-follows-rts", "CTS follows RTS; \\Q2 is CTS only, RTS ignored").caps;
    caps.ctsFollowsRts = caps.q2IgnoresRts = true;
  }
  return table;
}

}  // namespace

std::span<const Profile> ProfileTable() {
  static const std::vector<Profile> table = BuildTable();
  return table;
}

const Profile* FindProfile(std::string_view name) {
  for (const Profile& p : ProfileTable())
    if (p.name == name) return &p;
  return nullptr;
}

}  // namespace sim
