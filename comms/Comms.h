// The serial port component: TComPort, its settings objects and its
// monitoring thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "comms/GenAlg.h"
#include "platform/commapi/commapi.h"
#include "platform/rtl.h"

namespace comms {

enum TBaudRate : std::uint8_t {
  br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
  br56000, br57600, br115200
};
enum TPortType : std::uint8_t {
  COM1, COM2, COM3, COM4, COM5, COM6, COM7, COM8, COM9, COM10, COM11, COM12
};
enum TStopBits : std::uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TDataBits : std::uint8_t { dbFive, dbSix, dbSeven, dbEight };
enum TParityBits : std::uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum TDtrFlowControl : std::uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum TRtsFlowControl : std::uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TEvent : std::uint8_t {
  evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full
};
enum TSyncMethod : std::uint8_t { smSynchronize, smWindow, smNone };

// A set of TEvent, one bit per ordinal.
class TEvents {
 public:
  constexpr TEvents() = default;
  constexpr TEvents(std::initializer_list<TEvent> events) {
    for (TEvent e : events) bits_ |= Bit(e);
  }
  static constexpr TEvents All() {
    TEvents all;
    all.bits_ = 0x03FF;
    return all;
  }
  constexpr bool Contains(TEvent e) const { return (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr std::uint16_t Bits() const { return bits_; }
  constexpr bool operator==(const TEvents&) const = default;

 private:
  static constexpr std::uint16_t Bit(TEvent e) { return std::uint16_t(1u << e); }
  std::uint16_t bits_ = 0;
};

class TComPort;

class EComPort : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

using TNotifyEvent = std::function<void(rtl::TObject* sender)>;
using TRxCharEvent = std::function<void(rtl::TObject* sender, std::int32_t inQue)>;

class TComTimeouts : public rtl::TPersistent {
 public:
  explicit TComTimeouts(TComPort* owner) : owner_(owner) {}
  const char* ClassName() const override { return "TComTimeouts"; }
  void AssignTo(rtl::TPersistent& dest) const override;

  std::int32_t ReadInterval() const { return readInterval_; }
  std::int32_t ReadTotalMultiplier() const { return readTotalMultiplier_; }
  std::int32_t ReadTotalConstant() const { return readTotalConstant_; }
  std::int32_t WriteTotalMultiplier() const { return writeTotalMultiplier_; }
  std::int32_t WriteTotalConstant() const { return writeTotalConstant_; }
  void SetReadInterval(std::int32_t value);
  void SetReadTotalMultiplier(std::int32_t value);
  void SetReadTotalConstant(std::int32_t value);
  void SetWriteTotalMultiplier(std::int32_t value);
  void SetWriteTotalConstant(std::int32_t value);

 private:
  TComPort* owner_;
  std::int32_t readInterval_ = -1;
  std::int32_t readTotalMultiplier_ = 0;
  std::int32_t readTotalConstant_ = 0;
  std::int32_t writeTotalMultiplier_ = 100;
  std::int32_t writeTotalConstant_ = 1000;
};

class TFlowControl : public rtl::TPersistent {
 public:
  explicit TFlowControl(TComPort* owner) : owner_(owner) {}
  const char* ClassName() const override { return "TFlowControl"; }
  void AssignTo(rtl::TPersistent& dest) const override;

  bool OutCtsFlow() const { return outCtsFlow_; }
  bool OutDsrFlow() const { return outDsrFlow_; }
  TDtrFlowControl ControlDtr() const { return controlDtr_; }
  TRtsFlowControl ControlRts() const { return controlRts_; }
  bool XonXoffOut() const { return xonXoffOut_; }
  bool XonXoffIn() const { return xonXoffIn_; }
  void SetOutCtsFlow(bool value);
  void SetOutDsrFlow(bool value);
  void SetControlDtr(TDtrFlowControl value);
  void SetControlRts(TRtsFlowControl value);
  void SetXonXoffOut(bool value);
  void SetXonXoffIn(bool value);

 private:
  TComPort* owner_;
  bool outCtsFlow_ = false;
  bool outDsrFlow_ = false;
  TDtrFlowControl controlDtr_ = dtrDisable;
  TRtsFlowControl controlRts_ = rtsDisable;
  bool xonXoffOut_ = false;
  bool xonXoffIn_ = false;
};

class TParity : public rtl::TPersistent {
 public:
  explicit TParity(TComPort* owner) : owner_(owner) {}
  const char* ClassName() const override { return "TParity"; }
  void AssignTo(rtl::TPersistent& dest) const override;

  TParityBits Bits() const { return bits_; }
  bool Check() const { return check_; }
  bool Replace() const { return replace_; }
  std::uint8_t ReplaceChar() const { return replaceChar_; }
  void SetBits(TParityBits value);
  void SetCheck(bool value);
  void SetReplace(bool value);
  void SetReplaceChar(std::uint8_t value);

 private:
  TComPort* owner_;
  TParityBits bits_ = prNone;
  bool check_ = false;
  bool replace_ = false;
  std::uint8_t replaceChar_ = 0;
};

class TComThread;
class EventWindow;
struct OperationRecord;

class TComPort : public rtl::TComponent {
 public:
  explicit TComPort(rtl::TComponent* owner);
  ~TComPort() override;
  TComPort(const TComPort&) = delete;
  TComPort& operator=(const TComPort&) = delete;
  const char* ClassName() const override { return "TComPort"; }

  // Operations.
  void Open();
  void Close();
  std::int32_t WriteText(const std::string& text, bool waitFor);
  std::int32_t ReadText(std::string& text, std::int32_t count, bool waitFor);
  bool CtsState() const;
  bool DsrState() const;
  bool CarrierState() const;
  std::int32_t InQueCount();
  bool HasPending() const;
  // One line for the user on why the last Open could not open the device
  // (who holds it, ...); empty when there is nothing to add or it could.
  const std::string& OpenFailureHint() const { return openFailureHint_; }
  // One line on what the last successful Open took beyond a plain open (a
  // device taken over from a program that ended); empty for a plain open.
  const std::string& OpenNote() const { return openNote_; }
  std::int32_t WaitForLastOperation();
  void AbortAllOperations();

  // Configuration.
  bool Connected() const { return connected_; }
  commapi::HANDLE Handle() const { return handle_; }
  TBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TBaudRate value);
  TPortType Port() const { return port_; }
  void SetPort(TPortType value);
  TParity& Parity() { return *parity_; }
  const TParity& Parity() const { return *parity_; }
  TStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TStopBits value);
  TDataBits DataBits() const { return dataBits_; }
  void SetDataBits(TDataBits value);
  bool DiscardNull() const { return discardNull_; }
  void SetDiscardNull(bool value);
  std::uint8_t EventChar() const { return eventChar_; }
  void SetEventChar(std::uint8_t value);
  TEvents Events() const { return events_; }
  void SetEvents(TEvents value) { events_ = value; }
  std::uint32_t WriteBufSize() const { return writeBufSize_; }
  void SetWriteBufSize(std::uint32_t value);
  std::uint32_t ReadBufSize() const { return readBufSize_; }
  void SetReadBufSize(std::uint32_t value);
  TFlowControl& FlowControl() { return *flowControl_; }
  const TFlowControl& FlowControl() const { return *flowControl_; }
  TComTimeouts& Timeouts() { return *timeouts_; }
  const TComTimeouts& Timeouts() const { return *timeouts_; }
  TSyncMethod SyncMethod() const { return syncMethod_; }
  void SetSyncMethod(TSyncMethod value);

  // The translation into the device's settings.
  void ApplySettings();
  void ApplyState();
  void ApplyTimeouts();
  void ApplyBuffers();
  std::string DeviceName() const;
  static commapi::DWORD TimeoutValue(std::int32_t value);
  // The event mask for Events (0x05FF for all ten).
  commapi::DWORD EventMask() const;

  // Events.
  TRxCharEvent OnRxChar;
  TNotifyEvent OnTxEmpty, OnBreak, OnRing, OnCTS, OnDSR, OnRLSD, OnRxFlag, OnError, OnOpen,
      OnClose, OnRx80Full;

  // Called by the monitoring thread's hand-over, in dispatch order.
  void DoRxChar();
  void DoTxEmpty();
  void DoBreak();
  void DoRing();
  void DoCTS();
  void DoDSR();
  void DoRxFlag();
  void DoRLSD();
  void DoError();
  void DoRx80Full();

 private:
  // Implementation members are the component's own business.
  friend class TComThread;
  friend class EventWindow;
  void CreateHandle();
  void DestroyHandle();
  // Window procedure of the event window: PortEventMessage (1033) with one
  // event bit in wParam calls that bit's Do method.
  std::intptr_t WndProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
  // A ReadFile or WriteFile on a new operation record; the common part of
  // ReadText and WriteText.
  std::int32_t Transfer(bool write, void* buffer, commapi::DWORD count, bool waitFor,
                        const char* failText);
  OperationRecord& PushNewOperation();
  std::unique_ptr<OperationRecord> PopOperation();
  // Drops the thread, the handle and the event window without the steps of
  // Close: after a Close that raised, or an Open that failed half-way.
  void ReleaseAll() noexcept;

  // Marks the thread running this port's handlers while they run, so a Close
  // from inside one can be refused.
  class HandlerScope {
   public:
    explicit HandlerScope(TComPort& port) : port_(port) {
      port_.handlerThread_.store(std::this_thread::get_id());
    }
    ~HandlerScope() { port_.handlerThread_.store(std::thread::id()); }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

   private:
    TComPort& port_;
  };
  std::atomic<std::thread::id> handlerThread_{};
  std::string openFailureHint_;
  std::string openNote_;

  std::unique_ptr<TComThread> thread_;
  bool threadCreated_ = false;
  std::unique_ptr<TStack> pendingOperations_;
  commapi::HANDLE handle_ = commapi::INVALID_HANDLE_VALUE;
  std::unique_ptr<EventWindow> eventWindow_;  // the hidden event window, only with smWindow
  bool connected_ = false;
  TBaudRate baudRate_ = br9600;
  TPortType port_ = COM1;
  TStopBits stopBits_ = sbOneStopBit;
  TDataBits dataBits_ = dbEight;
  bool discardNull_ = false;
  std::uint8_t eventChar_ = 0;
  TEvents events_ = TEvents::All();
  std::uint32_t writeBufSize_ = 1024;
  std::uint32_t readBufSize_ = 1024;
  std::unique_ptr<TParity> parity_;
  std::unique_ptr<TComTimeouts> timeouts_;
  std::unique_ptr<TFlowControl> flowControl_;
  TSyncMethod syncMethod_ = smSynchronize;
  // Records of transfers a failed purge did not end: the system may still
  // write their completion, so they are kept as long as the port.
  std::vector<std::unique_ptr<OperationRecord>> unfinishedOperations_;
};

}  // namespace comms
