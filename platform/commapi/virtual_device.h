// The seam where an in-process device (the simulated modem, a test device)
// stands in for the far end of a serial cable.
//
// The port side (the emulation behind commapi.h) owns the input queue, the
// event history and the line states; the device sees what a modem on the
// cable would see. Threading: the emulation never holds a lock of its own
// while it calls into the device (Intercept aside), so a device may call its
// VirtualLine from inside Transmit or Configure (an echo), from a clock
// callback, or from any other thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/commapi/commapi.h"

namespace commapi {

// What the device can do to the port it is attached to.
class VirtualLine {
 public:
  virtual ~VirtualLine() = default;
  // Bytes arriving at the port (they join its input queue and raise EV_RXCHAR).
  virtual void Receive(std::string_view bytes) = 0;
  // The device's outputs as the port reads them: CTS, DSR, carrier detect
  // (RLSD), ring. A change raises EV_CTS / EV_DSR / EV_RLSD / EV_RING.
  virtual void SetModemStatus(bool cts, bool dsr, bool rlsd, bool ring) = 0;
  // The device went away (cable pulled, adapter unplugged): from now on
  // every operation on the open port fails with ERROR_DEVICE_NOT_CONNECTED.
  virtual void Vanish() = 0;
  // Ends the reads and writes the device left pending, oldest first. With
  // error 0 they complete now (a write reaches Transmit, a read takes what
  // the input queue holds); otherwise each fails with that error. A line
  // that never leaves a transfer pending has nothing to do.
  virtual void FinishPending(DWORD error) { (void)error; }
};

// The calls of the program that a device may spoil, as a faulty cable or
// driver would: writes, reads, status queries (modem status and the input
// count), event waits, control blocks and purges.
enum class PortCall { kWrite, kRead, kStatus, kWait, kSetState, kPurge };

struct CallVerdict {
  enum Action {
    kProceed,
    kFail,     // the call fails with `error` and changes nothing
    kVanish,   // the device goes away now (see Vanish); the call fails
    kPending,  // reads and writes only: in progress until FinishPending or a purge
  };
  Action action = kProceed;
  DWORD error = 0;
};

class VirtualDevice {
 public:
  virtual ~VirtualDevice() = default;
  // The port was opened; line stays valid until Detach.
  virtual void Attach(VirtualLine& line) = 0;
  // The port was closed.
  virtual void Detach() = 0;
  // Bytes written by the port.
  virtual void Transmit(std::string_view bytes) = 0;
  // A control block was set: speed, framing and the DTR / RTS outputs
  // (high for DTR_CONTROL_ENABLE / RTS_CONTROL_ENABLE, and for the
  // handshake modes, which the emulation treats as raised).
  virtual void Configure(const DCB& dcb, bool dtr, bool rts) = 0;
  // Asked before each call of the program that can fail. It runs with the
  // port's lock held, so it must answer from the device's own state and
  // never call the line.
  virtual CallVerdict Intercept(PortCall call) {
    (void)call;
    return {};
  }
};

// Binds a device name ("\\.\COM3") to a device; CreateFileA on that name then
// opens the device. Binding again replaces it; Unbind removes it.
void BindVirtualDevice(const std::string& deviceName, std::shared_ptr<VirtualDevice> device);
void UnbindVirtualDevice(const std::string& deviceName);
std::shared_ptr<VirtualDevice> BoundVirtualDevice(const std::string& deviceName);

// Creates a device for a mapped path "scheme:argument" (for "sim:standard"
// the factory for "sim" gets "standard"). Returns null for an unknown
// argument, which makes CreateFileA fail with ERROR_FILE_NOT_FOUND. An empty
// factory removes the scheme. The device is made once per mapped path and
// stays bound to the name, so its state lasts across opens.
using DeviceFactory = std::function<std::shared_ptr<VirtualDevice>(const std::string& argument)>;
void RegisterDeviceScheme(const std::string& scheme, DeviceFactory factory);

// The path that "\\.\COMn" maps to on this machine (see commapi.h).
std::string MappedDevicePath(const std::string& deviceName);

}  // namespace commapi
