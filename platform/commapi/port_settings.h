// What every port stores of its configuration, and the checks and line
// states both kinds of port derive from a control block.
#pragma once

#include "platform/commapi/commapi.h"

namespace commapi {

constexpr DWORD kDefaultQueueSize = 4096;

struct PortSettings {
  DCB dcb = DefaultDcb();
  COMMTIMEOUTS timeouts{};
  DWORD inQueue = kDefaultQueueSize;
  DWORD outQueue = kDefaultQueueSize;

  // 9600 baud, 8N1, binary, DTR and RTS raised: what a freshly opened port reports.
  static DCB DefaultDcb();
};

// Framing values a port can carry out (speed not zero, 5 to 8 data bits,
// a known parity and stop-bit code).
bool IsValidDcb(const DCB& dcb);

// Output lines a control block asks for: raised for ENABLE and for the
// handshake modes; RTS toggle mode is low while idle.
bool DtrRaised(const DCB& dcb);
bool RtsRaised(const DCB& dcb);

constexpr DWORD kAllPurgeFlags = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

}  // namespace commapi
