// Translations that need no device: the control block into terminal
// settings, and the transfer timeouts into limits.
#include <gtest/gtest.h>

#include <termios.h>

#include <cstdint>
#include <optional>

#include "platform/commapi/port_settings.h"
#include "platform/commapi/termios_settings.h"
#include "platform/commapi/transfer_timeouts.h"

namespace commapi {
namespace {

TEST(TermiosSettings, FramingAndFlowControl) {
  struct Case {
    const char* what;
    BYTE byteSize, parity, stopBits;
    bool check, ctsFlow, outX, inX;
    DWORD rtsControl;
    tcflag_t cflags;  // CSIZE, parity, CSTOPB and CRTSCTS bits expected
    tcflag_t iflags;  // IXON, IXOFF and INPCK bits expected
  };
  const Case cases[] = {
      {"8N1", 8, NOPARITY, ONESTOPBIT, false, false, false, false, RTS_CONTROL_ENABLE, CS8, 0},
      {"7E2", 7, EVENPARITY, TWOSTOPBITS, false, false, false, false, RTS_CONTROL_ENABLE,
       CS7 | PARENB | CSTOPB, 0},
      {"7O1 checked", 7, ODDPARITY, ONESTOPBIT, true, false, false, false, RTS_CONTROL_ENABLE,
       CS7 | PARENB | PARODD, INPCK},
      {"8M1", 8, MARKPARITY, ONESTOPBIT, false, false, false, false, RTS_CONTROL_ENABLE,
       CS8 | PARENB | PARODD | CMSPAR, 0},
      {"8S1", 8, SPACEPARITY, ONESTOPBIT, false, false, false, false, RTS_CONTROL_ENABLE,
       CS8 | PARENB | CMSPAR, 0},
      {"5N1.5", 5, NOPARITY, ONE5STOPBITS, false, false, false, false, RTS_CONTROL_ENABLE,
       CS5 | CSTOPB, 0},
      {"6N1, checking without parity", 6, NOPARITY, ONESTOPBIT, true, false, false, false,
       RTS_CONTROL_ENABLE, CS6, 0},
      {"CTS flow", 8, NOPARITY, ONESTOPBIT, false, true, false, false, RTS_CONTROL_ENABLE,
       CS8 | CRTSCTS, 0},
      {"RTS handshake", 8, NOPARITY, ONESTOPBIT, false, false, false, false,
       RTS_CONTROL_HANDSHAKE, CS8 | CRTSCTS, 0},
      {"XON/XOFF both ways", 8, NOPARITY, ONESTOPBIT, false, false, true, true,
       RTS_CONTROL_ENABLE, CS8, IXON | IXOFF},
      {"XON/XOFF out only", 8, NOPARITY, ONESTOPBIT, false, false, true, false,
       RTS_CONTROL_ENABLE, CS8, IXON},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DCB dcb = PortSettings::DefaultDcb();
    dcb.ByteSize = c.byteSize;
    dcb.Parity = c.parity;
    dcb.StopBits = c.stopBits;
    dcb.fParity = c.check;
    dcb.fOutxCtsFlow = c.ctsFlow;
    dcb.fOutX = c.outX;
    dcb.fInX = c.inX;
    dcb.fRtsControl = c.rtsControl;
    // Start from settings with every flag the translation owns switched on,
    // so a flag it forgets to clear shows.
    termios settings{};
    settings.c_cflag = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
    settings.c_iflag = IXON | IXOFF | INPCK | ICRNL;
    settings.c_lflag = ICANON | ECHO;
    ASSERT_EQ(ApplyDcbToTermios(dcb, settings), 0u);
    EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), c.cflags);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | INPCK | ICRNL), c.iflags);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_NE(settings.c_cflag & CREAD, 0u);
    EXPECT_NE(settings.c_cflag & CLOCAL, 0u);
  }
}

TEST(TermiosSettings, RefusesWhatTheDeviceCannotDo) {
  struct Case {
    const char* what;
    DWORD baud;
    BYTE byteSize, parity, stopBits;
  };
  const Case cases[] = {
      {"speed without a terminal constant", 14400, 8, NOPARITY, ONESTOPBIT},
      {"no speed", 0, 8, NOPARITY, ONESTOPBIT},
      {"nine data bits", 9600, 9, NOPARITY, ONESTOPBIT},
      {"four data bits", 9600, 4, NOPARITY, ONESTOPBIT},
      {"unknown parity", 9600, 8, 5, ONESTOPBIT},
      {"unknown stop bits", 9600, 8, NOPARITY, 3},
  };
  for (const Case& c : cases) {
    DCB dcb = PortSettings::DefaultDcb();
    dcb.BaudRate = c.baud;
    dcb.ByteSize = c.byteSize;
    dcb.Parity = c.parity;
    dcb.StopBits = c.stopBits;
    termios settings{};
    EXPECT_EQ(ApplyDcbToTermios(dcb, settings), ERROR_INVALID_PARAMETER) << c.what;
  }
}

TEST(TransferTimeouts, ReadPlans) {
  using Limit = std::optional<std::int64_t>;
  struct Case {
    const char* what;
    COMMTIMEOUTS timeouts;
    bool immediate, returnOnAny;
    Limit total, interval;
  };
  const Case cases[] = {
      {"what is queued, at once", {MAXDWORD, 0, 0, 0, 0}, true, false, {}, {}},
      {"first byte within a limit", {MAXDWORD, MAXDWORD, 300, 0, 0}, false, true, 300, {}},
      {"no timeouts: until all came", {0, 0, 0, 0, 0}, false, false, {}, {}},
      {"total for ten bytes", {0, 5, 100, 0, 0}, false, false, 150, {}},
      {"gap only", {20, 0, 0, 0, 0}, false, false, {}, 20},
      {"large multiplier", {0, MAXDWORD - 1, 0, 0, 0}, false, false,
       std::int64_t{MAXDWORD - 1} * 10, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ReadPlan plan = PlanRead(c.timeouts, 10);
    EXPECT_EQ(plan.immediate, c.immediate);
    EXPECT_EQ(plan.returnOnAny, c.returnOnAny);
    EXPECT_EQ(plan.total, c.total);
    EXPECT_EQ(plan.interval, c.interval);
  }
}

TEST(TransferTimeouts, WriteLimitIsPerByteTimesCountPlusConstant) {
  EXPECT_EQ(WriteLimit({MAXDWORD, 0, 0, 100, 1000}, 7), 1700);
  EXPECT_EQ(WriteLimit({MAXDWORD, 0, 0, 0, 0}, 7), std::nullopt);
  EXPECT_EQ(WriteLimit({0, 0, 0, MAXDWORD, MAXDWORD}, MAXDWORD), INT64_MAX) << "saturates";
}

}  // namespace
}  // namespace commapi
