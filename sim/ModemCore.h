// The simulated modem itself: the command interpreter, its modem control
// lines and flow control, calls to the answering system, and power.
//
// Threading: the port calls in from the user-interface thread, scheduled
// callbacks run on the clock's thread (real time) or inside Sleep (virtual
// time). All modem state is under mutex_. What the modem sends is queued
// under mutex_ and handed to the port afterwards under deliveryMutex_ alone,
// so the port is never called with mutex_ held and output stays in order.
// Lock order: deliveryMutex_ before mutex_.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/clock.h"
#include "platform/commapi/virtual_device.h"
#include "sim/AnsweringSystem.h"
#include "sim/CommandParser.h"
#include "sim/LineNoise.h"
#include "sim/ModemProfile.h"
#include "sim/OutputQueue.h"

namespace sim {

class ModemCore : public std::enable_shared_from_this<ModemCore> {
 public:
  static constexpr std::string_view kIdentification = "TELVORA SIMULATED MODEM 33600";
  static constexpr std::string_view kProductCode = "33600";

  explicit ModemCore(const Profile& profile);
  ModemCore(const ModemCore&) = delete;
  ModemCore& operator=(const ModemCore&) = delete;

  // Switches the modem on; call once, right after construction.
  void Start();
  // Cancels every scheduled callback; call before the owner lets go.
  void Shutdown();

  void Attach(commapi::VirtualLine& line);
  void Detach();
  void Transmit(std::string_view bytes);
  void Configure(std::uint32_t baud, bool dtr, bool rts);
  void PowerCycle();
  void Unplug();

  bool Powered() const;
  bool Present() const;
  bool CallUp() const;
  bool Dialling() const;
  bool Online() const;
  std::uint8_t Register(int n) const;
  std::string AnsweringSystemReceived() const;

 private:
  using Millis = platform::clock::Millis;
  using TimerKey = std::uint64_t;
  enum class Scan { kSeekA, kSeekT, kInLine };
  enum class Call { kIdle, kDialling, kUp };
  enum class Result { kOk, kConnect, kNoCarrier, kError, kNoDialtone, kBusy };
  struct Timer {
    platform::clock::TimerId clockId;
    std::function<void()> action;
  };

  // ModemCore.cpp: entry points, delivery, timers, power.
  template <class Fn>
  void Locked(Fn&& fn);
  void Deliver();
  TimerKey After(Millis delay, std::function<void()> action);
  void Drop(TimerKey& key);
  void Fire(TimerKey key);
  void PowerUp();
  void LoseLine();
  void Reload();
  void Load(const ModemSettings& settings);
  void ScheduleNoise();

  // ModemLines.cpp: what goes to the port, DTR and RTS.
  void Refresh();
  LineStates ComputeLines() const;
  bool HoldsOutput() const;
  bool DtrHonoured() const;
  bool InputBlocked() const;
  bool Garbling() const;
  void Send(std::string_view bytes);
  void SendResult(Result result);
  void SendInfo(std::string_view text);
  std::string Spoil(std::string text);
  void SetDtr(bool on);
  void SetRts(bool on);

  // ModemCommands.cpp: command mode.
  void Receive(std::string_view bytes);
  void CommandByte(char c);
  void ExecuteLine(const std::string& body, bool overlong);
  bool Execute(const Command& command);
  void Restart(Millis duration, const ModemSettings& settings);

  // ModemCalls.cpp: dialling, online mode, escape, hang-up.
  void Dial();
  void Connected();
  void DialFailed(Result result);
  void DataByte(char c, Millis now);
  void EscapeConfirmed();
  void EndCall();

  const Profile& profile_;
  const Capabilities& caps_;

  mutable std::mutex mutex_;
  ModemSettings active_;
  ModemSettings stored_;
  bool powered_ = false;
  bool present_ = true;      // a USB modem's device is there
  bool restarting_ = false;  // deaf while Z or &F restarts the firmware
  bool dtr_ = false;  // as driven by the port
  bool rts_ = false;
  std::uint32_t baud_ = 9600;

  Scan scan_ = Scan::kSeekA;
  std::string lineBuffer_;
  bool lineOverflow_ = false;

  Call call_ = Call::kIdle;
  bool online_ = false;
  TimerKey callTimer_ = 0;
  TimerKey ringTimer_ = 0;
  AnsweringSystem farEnd_;

  Millis lastReceived_;
  Millis lastPlus_ = 0;
  int plusCount_ = 0;
  TimerKey escapeTimer_ = 0;

  std::unordered_map<TimerKey, Timer> timers_;
  TimerKey lastKey_ = 0;
  NoiseSource noise_;
  int linesSeen_ = 0;
  bool spoilReply_ = false;  // noise lands inside the next reply
  OutputQueue out_;

  std::mutex deliveryMutex_;
  commapi::VirtualLine* line_ = nullptr;  // written under both mutexes
};

}  // namespace sim
