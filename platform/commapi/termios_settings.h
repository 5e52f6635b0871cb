// The control block as termios settings. Only for ports on POSIX devices.
#pragma once

#include <termios.h>

#include "platform/commapi/commapi.h"

namespace commapi {

// Raw mode with the receiver on and modem control lines ignored for opening.
void MakeRawTermios(termios& settings);

// Writes speed, framing, parity, hardware and software flow control of the
// block into settings (kept raw). Returns 0, or ERROR_INVALID_PARAMETER for a
// value the device cannot carry out (a speed without a termios constant).
DWORD ApplyDcbToTermios(const DCB& dcb, termios& settings);

}  // namespace commapi
