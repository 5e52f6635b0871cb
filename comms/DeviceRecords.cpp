// Port settings: the TComPort setters and their translation into the
// device's control block, timeouts, queue sizes and event mask.
#include "comms/DeviceRecords.h"

#include <array>
#include <cstring>
#include <limits>

#include "comms/ComError.h"
#include "comms/StoreIfChanged.h"

namespace comms {
namespace {

constexpr std::array<commapi::DWORD, 13> kBaudRates{110,   300,   600,   1200,  2400,
                                                    4800,  9600,  14400, 19200, 38400,
                                                    56000, 57600, 115200};

// Event-mask bit of each TEvent, in ordinal order.
constexpr std::array<commapi::DWORD, 10> kEventBits{
    commapi::EV_RXCHAR, commapi::EV_TXEMPTY, commapi::EV_RXFLAG, commapi::EV_RING,
    commapi::EV_BREAK,  commapi::EV_CTS,     commapi::EV_DSR,    commapi::EV_ERR,
    commapi::EV_RLSD,   commapi::EV_RX80FULL};

constexpr char kXon = 17, kXoff = 19;

}  // namespace

commapi::DCB BuildControlBlock(TComPort& port) {
  const std::uint32_t limit = port.ReadBufSize() / 4;
  if (limit > std::numeric_limits<commapi::WORD>::max()) throw rtl::ERangeError();

  commapi::DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  dcb.XonChar = kXon;
  dcb.XoffChar = kXoff;
  dcb.XonLim = static_cast<commapi::WORD>(limit);
  dcb.XoffLim = static_cast<commapi::WORD>(limit);
  dcb.EvtChar = static_cast<char>(port.EventChar());

  TFlowControl& flow = port.FlowControl();
  TParity& parity = port.Parity();
  dcb.fBinary = 1;
  dcb.fNull = port.DiscardNull();
  dcb.fOutxCtsFlow = flow.OutCtsFlow();
  dcb.fOutxDsrFlow = flow.OutDsrFlow();
  dcb.fDtrControl = flow.ControlDtr();
  dcb.fRtsControl = flow.ControlRts();
  dcb.fOutX = flow.XonXoffOut();
  dcb.fInX = flow.XonXoffIn();
  dcb.fParity = parity.Check();
  dcb.fErrorChar = parity.Replace();

  dcb.Parity = parity.Bits();
  dcb.ErrorChar = parity.Replace() ? static_cast<char>(parity.ReplaceChar()) : 0;
  dcb.StopBits = port.StopBits();
  dcb.BaudRate = kBaudRates.at(port.BaudRate());
  dcb.ByteSize = static_cast<commapi::BYTE>(port.DataBits() + 5);
  return dcb;
}

commapi::COMMTIMEOUTS BuildTimeouts(const TComTimeouts& timeouts) {
  return {TComPort::TimeoutValue(timeouts.ReadInterval()),
          TComPort::TimeoutValue(timeouts.ReadTotalMultiplier()),
          TComPort::TimeoutValue(timeouts.ReadTotalConstant()),
          TComPort::TimeoutValue(timeouts.WriteTotalMultiplier()),
          TComPort::TimeoutValue(timeouts.WriteTotalConstant())};
}

void TComPort::ApplySettings() {
  ApplyBuffers();
  ApplyState();
  ApplyTimeouts();
}

void TComPort::ApplyState() {
  if (!connected_) return;
  const commapi::DCB dcb = BuildControlBlock(*this);
  if (!commapi::SetCommState(handle_, &dcb)) RaiseComError("Unable to set com state: ");
}

void TComPort::ApplyTimeouts() {
  if (!connected_) return;
  const commapi::COMMTIMEOUTS timeouts = BuildTimeouts(*timeouts_);
  if (!commapi::SetCommTimeouts(handle_, &timeouts)) RaiseComError("Unable to set com state: ");
}

void TComPort::ApplyBuffers() {
  if (!connected_) return;
  if (!commapi::SetupComm(handle_, readBufSize_, writeBufSize_))
    RaiseComError("Unable to set com state: ");
}

std::string TComPort::DeviceName() const {
  return "\\\\.\\COM" + std::to_string(port_ + 1);
}

commapi::DWORD TComPort::TimeoutValue(std::int32_t value) {
  if (value == -1) return commapi::MAXDWORD;
  if (value < 0) throw rtl::ERangeError();
  return static_cast<commapi::DWORD>(value);
}

commapi::DWORD TComPort::EventMask() const {
  commapi::DWORD mask = 0;
  for (std::size_t e = 0; e < kEventBits.size(); ++e)
    if (events_.Contains(static_cast<TEvent>(e))) mask |= kEventBits[e];
  return mask;
}

void TComPort::SetBaudRate(TBaudRate value) {
  if (StoreIfChanged(baudRate_, value)) ApplyState();
}

void TComPort::SetPort(TPortType value) {
  if (!StoreIfChanged(port_, value)) return;
  if (connected_) {
    Close();
    Open();
  }
}

void TComPort::SetStopBits(TStopBits value) {
  if (StoreIfChanged(stopBits_, value)) ApplyState();
}

void TComPort::SetDataBits(TDataBits value) {
  if (StoreIfChanged(dataBits_, value)) ApplyState();
}

void TComPort::SetDiscardNull(bool value) {
  if (StoreIfChanged(discardNull_, value)) ApplyState();
}

void TComPort::SetEventChar(std::uint8_t value) {
  if (StoreIfChanged(eventChar_, value)) ApplyState();
}

void TComPort::SetWriteBufSize(std::uint32_t value) {
  if (StoreIfChanged(writeBufSize_, value)) ApplyBuffers();
}

void TComPort::SetReadBufSize(std::uint32_t value) {
  if (StoreIfChanged(readBufSize_, value)) ApplyBuffers();
}

void TComPort::SetSyncMethod(TSyncMethod value) {
  if (value == syncMethod_) return;
  if (connected_) throw EComPort("Cannot set SyncMethod while connected");
  syncMethod_ = value;
}

}  // namespace comms
