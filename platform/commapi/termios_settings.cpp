#include "platform/commapi/termios_settings.h"

#include <iterator>

#include "platform/commapi/port_settings.h"

namespace commapi {

namespace {

struct Speed {
  DWORD baud;
  speed_t code;
};

constexpr Speed kSpeeds[] = {
    {110, B110},     {300, B300},     {600, B600},       {1200, B1200},
    {2400, B2400},   {4800, B4800},   {9600, B9600},     {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

bool SpeedCode(DWORD baud, speed_t& code) {
  for (const Speed& speed : kSpeeds) {
    if (speed.baud == baud) {
      code = speed.code;
      return true;
    }
  }
  return false;
}

tcflag_t SizeFlag(BYTE byteSize) {
  switch (byteSize) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

tcflag_t ParityFlags(BYTE parity) {
  switch (parity) {
    case ODDPARITY:
      return PARENB | PARODD;
    case EVENPARITY:
      return PARENB;
#ifdef CMSPAR
    case MARKPARITY:
      return PARENB | PARODD | CMSPAR;
    case SPACEPARITY:
      return PARENB | CMSPAR;
#endif
    default:
      return 0;
  }
}

bool ParitySupported(BYTE parity) {
#ifdef CMSPAR
  (void)parity;
  return true;
#else
  return parity != MARKPARITY && parity != SPACEPARITY;
#endif
}

}  // namespace

void MakeRawTermios(termios& settings) {
  cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
}

DWORD ApplyDcbToTermios(const DCB& dcb, termios& settings) {
  speed_t speed{};
  if (!IsValidDcb(dcb) || !SpeedCode(dcb.BaudRate, speed) || !ParitySupported(dcb.Parity)) {
    return ERROR_INVALID_PARAMETER;
  }
  MakeRawTermios(settings);
  cfsetispeed(&settings, speed);
  cfsetospeed(&settings, speed);

  settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#ifdef CMSPAR
  settings.c_cflag &= ~CMSPAR;
#endif
  settings.c_cflag |= SizeFlag(dcb.ByteSize) | ParityFlags(dcb.Parity);
  // POSIX has no 1.5 stop bits; a UART sends 1.5 for "two" at five data bits.
  if (dcb.StopBits != ONESTOPBIT) settings.c_cflag |= CSTOPB;
  if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) settings.c_cflag |= CRTSCTS;

  settings.c_iflag &= ~(IXON | IXOFF | INPCK);
  if (dcb.fOutX) settings.c_iflag |= IXON;
  if (dcb.fInX) settings.c_iflag |= IXOFF;
  settings.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  settings.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
  // Checked parity: a byte with a parity error reads as NUL, as near as
  // termios comes to the block's checking.
  if (dcb.fParity && dcb.Parity != NOPARITY) settings.c_iflag |= INPCK;
  return 0;
}

}  // namespace commapi
