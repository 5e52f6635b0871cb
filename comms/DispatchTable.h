// The order in which the events of one completed wait are handed to the
// port: the same for all three hand-over methods.
#pragma once

#include <array>

#include "comms/Comms.h"

namespace comms {

struct PortEvent {
  commapi::DWORD bit;
  void (TComPort::*method)();
};

inline constexpr std::array<PortEvent, 10> kDispatchTable{{
    {commapi::EV_RXCHAR, &TComPort::DoRxChar},
    {commapi::EV_TXEMPTY, &TComPort::DoTxEmpty},
    {commapi::EV_BREAK, &TComPort::DoBreak},
    {commapi::EV_RING, &TComPort::DoRing},
    {commapi::EV_CTS, &TComPort::DoCTS},
    {commapi::EV_DSR, &TComPort::DoDSR},
    {commapi::EV_RXFLAG, &TComPort::DoRxFlag},
    {commapi::EV_RLSD, &TComPort::DoRLSD},
    {commapi::EV_ERR, &TComPort::DoError},
    {commapi::EV_RX80FULL, &TComPort::DoRx80Full},
}};

// The private window message that carries one event bit to the port's
// event window (WM_USER + 9).
inline constexpr std::uint32_t kPortEventMessage = 1033;

}  // namespace comms
