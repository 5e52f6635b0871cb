// The translation of the port's settings into the device's records, and the
// settings objects themselves, without a device.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>

#include "comms/Comms.h"
#include "comms/DeviceRecords.h"

namespace comms {
namespace {

std::array<unsigned char, 28> Bytes(const commapi::DCB& dcb) {
  std::array<unsigned char, 28> bytes;
  std::memcpy(bytes.data(), &dcb, bytes.size());
  return bytes;
}

std::uint32_t FlagWord(const commapi::DCB& dcb) {
  std::uint32_t flags;
  std::memcpy(&flags, reinterpret_cast<const char*>(&dcb) + 8, sizeof flags);
  return flags;
}

TEST(ControlBlockTest, EveryOptionLandsInItsByte) {
  TComPort port(nullptr);
  port.SetBaudRate(br115200);
  port.SetStopBits(sbTwoStopBits);
  port.SetDataBits(dbFive);
  port.SetDiscardNull(true);
  port.SetEventChar(0x0D);
  port.SetReadBufSize(262143);
  port.FlowControl().SetOutCtsFlow(true);
  port.FlowControl().SetOutDsrFlow(true);
  port.FlowControl().SetControlDtr(dtrHandshake);
  port.FlowControl().SetControlRts(rtsToggle);
  port.FlowControl().SetXonXoffOut(true);
  port.FlowControl().SetXonXoffIn(true);
  port.Parity().SetBits(prMark);
  port.Parity().SetCheck(true);
  port.Parity().SetReplace(true);
  port.Parity().SetReplaceChar('?');

  const std::array<unsigned char, 28> expected{
      0x1C, 0x00, 0x00, 0x00,  // DCBlength 28
      0x00, 0xC2, 0x01, 0x00,  // 115200
      0x2F, 0x3F, 0x00, 0x00,  // every flag, DTR handshake, RTS toggle
      0x00, 0x00,              // reserved
      0xFF, 0xFF, 0xFF, 0xFF,  // XonLim, XoffLim = 262143 / 4
      5,    3,    2,           // five data bits, mark parity, two stop bits
      17,   19,   '?', 0,      // Xon, Xoff, error and end-of-file characters
      0x0D, 0x00, 0x00};       // event character, reserved
  EXPECT_EQ(Bytes(BuildControlBlock(port)), expected);
}

TEST(ControlBlockTest, FlagsFollowEachSetting) {
  struct Case {
    const char* name;
    void (*set)(TComPort&);
    std::uint32_t flags;
  };
  const Case cases[] = {
      {"component defaults: binary only", [](TComPort&) {}, 0x0001},
      {"main window lines", [](TComPort& p) {
         p.FlowControl().SetControlDtr(dtrEnable);
         p.FlowControl().SetControlRts(rtsEnable);
       }, 0x1011},
      {"rts handshake", [](TComPort& p) { p.FlowControl().SetControlRts(rtsHandshake); }, 0x2001},
      {"discard null", [](TComPort& p) { p.SetDiscardNull(true); }, 0x0801},
      {"parity check", [](TComPort& p) { p.Parity().SetCheck(true); }, 0x0003},
      {"xon/xoff in", [](TComPort& p) { p.FlowControl().SetXonXoffIn(true); }, 0x0201},
  };
  for (const Case& c : cases) {
    TComPort port(nullptr);
    c.set(port);
    EXPECT_EQ(FlagWord(BuildControlBlock(port)), c.flags) << c.name;
  }
}

TEST(ControlBlockTest, ReplaceCharOnlyWithReplace) {
  TComPort port(nullptr);
  port.Parity().SetReplaceChar('#');
  EXPECT_EQ(BuildControlBlock(port).ErrorChar, 0);
  port.Parity().SetReplace(true);
  EXPECT_EQ(BuildControlBlock(port).ErrorChar, '#');
}

TEST(ControlBlockTest, SpeedsAndDataBits) {
  const std::pair<TBaudRate, std::uint32_t> speeds[] = {
      {br110, 110},     {br300, 300},     {br600, 600},     {br1200, 1200},  {br2400, 2400},
      {br4800, 4800},   {br9600, 9600},   {br14400, 14400}, {br19200, 19200},
      {br38400, 38400}, {br56000, 56000}, {br57600, 57600}, {br115200, 115200}};
  TComPort port(nullptr);
  for (auto [rate, speed] : speeds) {
    port.SetBaudRate(rate);
    EXPECT_EQ(BuildControlBlock(port).BaudRate, speed);
  }
  for (TDataBits bits : {dbFive, dbSix, dbSeven, dbEight}) {
    port.SetDataBits(bits);
    EXPECT_EQ(BuildControlBlock(port).ByteSize, bits + 5);
  }
}

TEST(ControlBlockTest, FlowLimitsMustFitSixteenBits) {
  TComPort port(nullptr);
  EXPECT_EQ(BuildControlBlock(port).XonLim, 256);  // the default 1024
  port.SetReadBufSize(262143);
  EXPECT_EQ(BuildControlBlock(port).XoffLim, 65535);
  port.SetReadBufSize(262144);
  EXPECT_THROW(BuildControlBlock(port), rtl::ERangeError);
  port.SetReadBufSize(std::numeric_limits<std::uint32_t>::max());
  EXPECT_THROW(BuildControlBlock(port), rtl::ERangeError);
}

TEST(TimeoutsTest, ValuesReachTheDeviceUnsigned) {
  EXPECT_EQ(TComPort::TimeoutValue(-1), 0xFFFFFFFFu);
  EXPECT_EQ(TComPort::TimeoutValue(0), 0u);
  EXPECT_EQ(TComPort::TimeoutValue(1000), 1000u);
  EXPECT_EQ(TComPort::TimeoutValue(std::numeric_limits<std::int32_t>::max()), 0x7FFFFFFFu);
  for (std::int32_t bad : {-2, -1000, std::numeric_limits<std::int32_t>::min()}) {
    try {
      TComPort::TimeoutValue(bad);
      ADD_FAILURE() << bad << " was accepted";
    } catch (const rtl::ERangeError& e) {
      EXPECT_EQ(e.Message(), "Range check error");
    }
  }
}

TEST(TimeoutsTest, RecordInDeviceOrder) {
  TComPort port(nullptr);
  TComTimeouts& t = port.Timeouts();
  t.SetReadTotalMultiplier(2);
  t.SetReadTotalConstant(3);
  t.SetWriteTotalMultiplier(4);
  t.SetWriteTotalConstant(5);
  const commapi::COMMTIMEOUTS record = BuildTimeouts(t);
  EXPECT_EQ(record.ReadIntervalTimeout, commapi::MAXDWORD);
  EXPECT_EQ(record.ReadTotalTimeoutMultiplier, 2u);
  EXPECT_EQ(record.ReadTotalTimeoutConstant, 3u);
  EXPECT_EQ(record.WriteTotalTimeoutMultiplier, 4u);
  EXPECT_EQ(record.WriteTotalTimeoutConstant, 5u);
  t.SetWriteTotalConstant(-2);
  EXPECT_THROW(BuildTimeouts(t), rtl::ERangeError);
}

TEST(EventMaskTest, OneBitPerEvent) {
  const std::pair<TEvent, commapi::DWORD> bits[] = {
      {evRxChar, 0x0001}, {evRxFlag, 0x0002}, {evTxEmpty, 0x0004}, {evCTS, 0x0008},
      {evDSR, 0x0010},    {evRLSD, 0x0020},   {evBreak, 0x0040},   {evError, 0x0080},
      {evRing, 0x0100},   {evRx80Full, 0x0400}};
  TComPort port(nullptr);
  EXPECT_EQ(port.EventMask(), 0x05FFu);  // all ten by default
  for (auto [event, bit] : bits) {
    port.SetEvents({event});
    EXPECT_EQ(port.EventMask(), bit) << int(event);
  }
  port.SetEvents({evCTS, evDSR, evRLSD});
  EXPECT_EQ(port.EventMask(), 0x0038u);
  port.SetEvents({});
  EXPECT_EQ(port.EventMask(), 0u);
}

TEST(PortSettingsTest, DeviceNames) {
  TComPort port(nullptr);
  EXPECT_EQ(port.DeviceName(), "\\\\.\\COM1");
  port.SetPort(COM9);
  EXPECT_EQ(port.DeviceName(), "\\\\.\\COM9");
  port.SetPort(COM12);
  EXPECT_EQ(port.DeviceName(), "\\\\.\\COM12");
}

TEST(PortSettingsTest, SettersOnAClosedPortOnlyStore) {
  // Any device call here would fail on the invalid handle and raise.
  TComPort port(nullptr);
  port.SetBaudRate(br38400);
  port.SetPort(COM4);
  port.SetStopBits(sbOne5StopBits);
  port.SetDataBits(dbSeven);
  port.SetDiscardNull(true);
  port.SetEventChar(13);
  port.SetWriteBufSize(64);
  port.SetReadBufSize(1 << 20);  // out of range for the control block, not yet checked
  port.SetSyncMethod(smNone);
  port.FlowControl().SetControlDtr(dtrEnable);
  port.Parity().SetBits(prEven);
  port.Timeouts().SetReadInterval(-5);  // likewise checked only when applied
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.BaudRate(), br38400);
  EXPECT_EQ(port.Port(), COM4);
  EXPECT_EQ(port.ReadBufSize(), 1u << 20);
  EXPECT_EQ(port.SyncMethod(), smNone);
  EXPECT_EQ(port.FlowControl().ControlDtr(), dtrEnable);
  EXPECT_EQ(port.Timeouts().ReadInterval(), -5);
}

TEST(SettingsObjectTest, AssignCopiesValuesOfTheSameClassOnly) {
  TComPort source(nullptr), target(nullptr);
  source.FlowControl().SetControlDtr(dtrEnable);
  source.FlowControl().SetXonXoffIn(true);
  source.Parity().SetBits(prOdd);
  source.Parity().SetReplaceChar(9);
  source.Timeouts().SetWriteTotalConstant(42);

  target.FlowControl().Assign(source.FlowControl());
  target.Parity().Assign(source.Parity());
  target.Timeouts().Assign(source.Timeouts());
  EXPECT_EQ(target.FlowControl().ControlDtr(), dtrEnable);
  EXPECT_TRUE(target.FlowControl().XonXoffIn());
  EXPECT_EQ(target.Parity().Bits(), prOdd);
  EXPECT_EQ(target.Parity().ReplaceChar(), 9);
  EXPECT_EQ(target.Timeouts().WriteTotalConstant(), 42);

  try {
    target.FlowControl().Assign(source.Parity());
    FAIL() << "a TParity was assigned to a TFlowControl";
  } catch (const rtl::EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TParity to a TFlowControl");
  }
}

}  // namespace
}  // namespace comms
