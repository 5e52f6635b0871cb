// The port against a recording virtual device: what reaches the device,
// when, and how the port's state follows.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <system_error>

#include "comms/DeviceRecords.h"
#include "port_fixture.h"
#include "tests/support/LambdaThread.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SystemCallFaults.h"

namespace comms_test {
namespace {

using namespace comms;

bool SameBytes(const commapi::DCB& a, const commapi::DCB& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Expects fn to raise exactly this message.
template <typename Fn>
void ExpectMessage(Fn fn, const std::string& message) {
  try {
    fn();
    ADD_FAILURE() << "nothing raised, expected \"" << message << "\"";
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

TEST_F(PortTest, OpenSendsTheWholeControlBlockOnce) {
  port.OnOpen = [&](rtl::TObject* sender) {
    EXPECT_EQ(sender, &port);
    log.Add("open");
  };
  port.Open();
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"open"});
  EXPECT_EQ(device->Attachments(), std::vector<std::string>{"attach"});
  const auto configured = device->Configured();
  ASSERT_EQ(configured.size(), 1u);
  EXPECT_TRUE(SameBytes(configured[0].dcb, BuildControlBlock(port)));
  EXPECT_TRUE(configured[0].dtr);
  EXPECT_TRUE(configured[0].rts);
}

TEST_F(PortTest, ControlLinesFollowFlowControlWhileOpen) {
  port.Open();
  TFlowControl& flow = port.FlowControl();
  const std::pair<std::function<void()>, std::pair<bool, bool>> steps[] = {
      {[&] { flow.SetControlDtr(dtrDisable); }, {false, true}},
      {[&] { flow.SetControlRts(rtsDisable); }, {false, false}},
      {[&] { flow.SetControlDtr(dtrEnable); }, {true, false}},
      {[&] { flow.SetControlRts(rtsEnable); }, {true, true}},
  };
  std::size_t calls = device->Configured().size();
  for (const auto& [step, lines] : steps) {
    step();
    const auto configured = device->Configured();
    ASSERT_EQ(configured.size(), ++calls);
    EXPECT_EQ(configured.back().dtr, lines.first);
    EXPECT_EQ(configured.back().rts, lines.second);
    EXPECT_TRUE(SameBytes(configured.back().dcb, BuildControlBlock(port)));
  }
  EXPECT_EQ(device->Configured().back().dcb.fDtrControl, commapi::DTR_CONTROL_ENABLE);
}

// Each setter, given its current value and then another one. With the device
// gone every device call fails, so a silent setter made none.
struct Setter {
  const char* name;
  std::function<void(TComPort&)> same, changed;
};

const Setter kSetters[] = {
    {"BaudRate", [](TComPort& p) { p.SetBaudRate(br9600); },
     [](TComPort& p) { p.SetBaudRate(br19200); }},
    {"StopBits", [](TComPort& p) { p.SetStopBits(sbOneStopBit); },
     [](TComPort& p) { p.SetStopBits(sbTwoStopBits); }},
    {"DataBits", [](TComPort& p) { p.SetDataBits(dbEight); },
     [](TComPort& p) { p.SetDataBits(dbSeven); }},
    {"DiscardNull", [](TComPort& p) { p.SetDiscardNull(false); },
     [](TComPort& p) { p.SetDiscardNull(true); }},
    {"EventChar", [](TComPort& p) { p.SetEventChar(0); }, [](TComPort& p) { p.SetEventChar(1); }},
    {"ReadBufSize", [](TComPort& p) { p.SetReadBufSize(1024); },
     [](TComPort& p) { p.SetReadBufSize(2048); }},
    {"WriteBufSize", [](TComPort& p) { p.SetWriteBufSize(1024); },
     [](TComPort& p) { p.SetWriteBufSize(2048); }},
    {"ControlDtr", [](TComPort& p) { p.FlowControl().SetControlDtr(dtrEnable); },
     [](TComPort& p) { p.FlowControl().SetControlDtr(dtrDisable); }},
    {"OutCtsFlow", [](TComPort& p) { p.FlowControl().SetOutCtsFlow(false); },
     [](TComPort& p) { p.FlowControl().SetOutCtsFlow(true); }},
    {"XonXoffOut", [](TComPort& p) { p.FlowControl().SetXonXoffOut(false); },
     [](TComPort& p) { p.FlowControl().SetXonXoffOut(true); }},
    {"Parity.Bits", [](TComPort& p) { p.Parity().SetBits(prNone); },
     [](TComPort& p) { p.Parity().SetBits(prEven); }},
    {"Parity.ReplaceChar", [](TComPort& p) { p.Parity().SetReplaceChar(0); },
     [](TComPort& p) { p.Parity().SetReplaceChar(63); }},
    {"ReadInterval", [](TComPort& p) { p.Timeouts().SetReadInterval(-1); },
     [](TComPort& p) { p.Timeouts().SetReadInterval(5); }},
    {"WriteTotalConstant", [](TComPort& p) { p.Timeouts().SetWriteTotalConstant(1000); },
     [](TComPort& p) { p.Timeouts().SetWriteTotalConstant(500); }},
};

TEST_F(PortTest, OnlyAChangedSettingReachesTheDevice) {
  port.Open();
  const std::size_t configured = device->Configured().size();
  for (const Setter& s : kSetters) s.same(port);
  EXPECT_EQ(device->Configured().size(), configured);

  device->Vanish();
  for (const Setter& s : kSetters) {
    SCOPED_TRACE(s.name);
    s.same(port);
    ExpectMessage([&] { s.changed(port); }, "Unable to set com state: 1167");
    s.changed(port);  // stored in spite of the failure: now unchanged, so silent
  }
  EXPECT_EQ(port.BaudRate(), br19200);
  EXPECT_EQ(port.Timeouts().ReadInterval(), 5);
}

TEST_F(PortTest, ReadBufferSizeBoundsTheFlowLimits) {
  port.Open();
  const std::size_t configured = device->Configured().size();
  port.SetReadBufSize(262143);  // queue sizes only
  EXPECT_EQ(device->Configured().size(), configured);
  port.SetBaudRate(br38400);
  EXPECT_EQ(device->Configured().back().dcb.XonLim, 65535);
  EXPECT_EQ(device->Configured().back().dcb.XoffLim, 65535);

  port.SetReadBufSize(262144);
  ExpectMessage([&] { port.SetBaudRate(br57600); }, "Range check error");
  EXPECT_EQ(port.BaudRate(), br57600);
  EXPECT_EQ(device->Configured().size(), configured + 1);  // nothing sent
}

TEST_F(PortTest, ABadTimeoutFailsWhenAppliedAndStopsTheNextOpen) {
  port.OnOpen = [&](rtl::TObject*) { log.Add("open"); };
  port.OnClose = [&](rtl::TObject*) { log.Add("close"); };
  port.Open();
  ExpectMessage([&] { port.Timeouts().SetReadInterval(-2); }, "Range check error");
  EXPECT_EQ(port.Timeouts().ReadInterval(), -2);

  ExpectMessage([&] { port.Open(); }, "Range check error");
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.Handle(), commapi::INVALID_HANDLE_VALUE);
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"open", "close"}));
  EXPECT_EQ(device->Attachments(),
            (std::vector<std::string>{"attach", "detach", "attach", "detach"}));

  port.Timeouts().SetReadInterval(-1);
  port.Open();
  EXPECT_TRUE(port.Connected());
}

TEST_F(PortTest, OpenAndCloseFireTheirEventsInOrder) {
  port.OnOpen = [&](rtl::TObject*) { log.Add("open"); };
  port.OnClose = [&](rtl::TObject*) { log.Add("close"); };
  port.Close();  // closed: nothing
  port.Open();
  port.Open();  // reopens
  port.Close();
  port.Close();
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"open", "close", "open", "close"}));
  EXPECT_FALSE(port.Connected());
}

TEST_F(PortTest, ChangingThePortWhileOpenMovesToTheNewDevice) {
  BoundDevice other("\\\\.\\COM4");
  port.OnOpen = [&](rtl::TObject*) { log.Add("open " + port.DeviceName()); };
  port.OnClose = [&](rtl::TObject*) { log.Add("close"); };
  port.OnRxChar = [&](rtl::TObject*, std::int32_t inQue) {
    std::string text;
    port.ReadText(text, inQue, true);
    log.Add("rx " + text);
  };
  port.Open();
  port.SetPort(COM4);
  EXPECT_EQ(device->Attachments(), (std::vector<std::string>{"attach", "detach"}));
  EXPECT_EQ(other->Attachments(), std::vector<std::string>{"attach"});
  other->Send("hi");
  Pump();
  EXPECT_EQ(port.WriteText("AT", true), 2);
  EXPECT_EQ(other->Received(), "AT");
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"open \\\\.\\COM3", "close",
                                                   "open \\\\.\\COM4", "rx hi"}));
}

TEST_F(PortTest, OpeningAMissingDeviceLeavesThePortClosed) {
  testsupport::ScopedEnv missing("TELVORA_COM7", "telvora-missing-port");
  port.Open();
  ExpectMessage([&] { port.SetPort(COM7); }, "Unable to open com port: 2");
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.Port(), COM7);
  EXPECT_EQ(device->Attachments(), (std::vector<std::string>{"attach", "detach"}));
  ExpectMessage([&] { port.Open(); }, "Unable to open com port: 2");
  EXPECT_FALSE(port.Connected());
}

TEST_F(PortTest, AThreadThatCannotStartLeavesThePortClosed) {
  testsupport::FailNextThreadStart();
  EXPECT_THROW(port.Open(), std::system_error);
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(device->Attachments(), (std::vector<std::string>{"attach", "detach"}));
  port.Open();  // the device was given back
  EXPECT_TRUE(port.Connected());
}

TEST_F(PortTest, SyncMethodIsFixedWhileOpen) {
  port.Open();
  port.SetSyncMethod(smSynchronize);  // the current value is fine
  ExpectMessage([&] { port.SetSyncMethod(smNone); }, "Cannot set SyncMethod while connected");
  EXPECT_EQ(port.SyncMethod(), smSynchronize);
  port.Close();
  port.SetSyncMethod(smWindow);
  EXPECT_EQ(port.SyncMethod(), smWindow);
}

TEST_F(PortTest, DestructionClosesFirst) {
  auto owned = std::make_unique<TComPort>(nullptr);
  owned->SetPort(COM3);
  owned->OnClose = [&](rtl::TObject*) { log.Add("close"); };
  owned->Open();
  owned.reset();
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"close"});
  EXPECT_EQ(device->Attachments(), (std::vector<std::string>{"attach", "detach"}));
}

TEST_F(PortTest, DestructionSurvivesAFailingCloseHandler) {
  auto owned = std::make_unique<TComPort>(nullptr);
  owned->SetPort(COM3);
  owned->OnClose = [](rtl::TObject*) { throw rtl::Exception("close handler failed"); };
  owned->Open();
  owned.reset();  // a raising destructor would end the program here
  EXPECT_EQ(device->Attachments(), (std::vector<std::string>{"attach", "detach"}));
}

TEST_F(PortTest, AssignedSettingsStillApplyToTheirOwnPort) {
  TComPort other(nullptr);
  other.FlowControl().SetControlRts(rtsEnable);  // DTR stays disabled
  port.Open();
  port.FlowControl().Assign(other.FlowControl());  // values only, nothing sent
  EXPECT_EQ(device->Configured().size(), 1u);
  port.FlowControl().SetControlRts(rtsDisable);
  const auto configured = device->Configured();
  ASSERT_EQ(configured.size(), 2u);
  EXPECT_FALSE(configured.back().dtr);
  EXPECT_FALSE(configured.back().rts);
}

TEST_F(PortTest, TransfersCompleteAndReportTheirCounts) {
  port.Open();
  EXPECT_EQ(port.WriteText("AT", true), 2);
  EXPECT_EQ(port.WriteText("\r\n", false), 2);  // done at once: nothing pending
  EXPECT_FALSE(port.HasPending());
  EXPECT_EQ(port.WaitForLastOperation(), -2);
  EXPECT_EQ(device->Received(), "AT\r\n");

  device->Send("OK\r");
  std::string text;
  EXPECT_EQ(port.ReadText(text, 5, true), 3);
  ASSERT_EQ(text.size(), 5u);
  EXPECT_EQ(text.substr(0, 3), "OK\r");
  EXPECT_EQ(port.ReadText(text, 5, true), 0);  // nothing waiting: at once
  EXPECT_EQ(text.size(), 5u);
}

TEST_F(PortTest, EmptyTransfersNeverReachTheDevice) {
  // Also on a closed port, where any device call would raise.
  std::string text = "old";
  EXPECT_EQ(port.WriteText("", true), 0);
  EXPECT_EQ(port.ReadText(text, 0, true), 0);
  EXPECT_EQ(port.ReadText(text, -3, false), 0);
  EXPECT_TRUE(text.empty());
  port.Open();
  device->Send("x");
  EXPECT_EQ(port.WriteText("", false), 0);
  EXPECT_EQ(port.ReadText(text, 0, true), 0);
  EXPECT_EQ(port.InQueCount(), 1);
  EXPECT_EQ(device->Received(), "");
  EXPECT_FALSE(port.HasPending());
}

TEST_F(PortTest, FailedTransfersLeaveNoRecordBehind) {
  port.Open();
  device->Vanish();
  std::string text;
  ExpectMessage([&] { port.WriteText("AT", true); }, "Operation failed: 1167");
  ExpectMessage([&] { port.ReadText(text, 4, false); }, "Operation aborted: 1167");
  EXPECT_FALSE(port.HasPending());
  EXPECT_EQ(port.WaitForLastOperation(), -2);
  port.Close();  // nothing to abort, so nothing to fail
  EXPECT_FALSE(port.Connected());
}

using commapi::CallVerdict;
using commapi::PortCall;
constexpr CallVerdict kPending{CallVerdict::kPending};

// Transfers the device leaves in progress end with WaitForLastOperation,
// most recent first, whether the device finishes them later or fails them.
TEST_F(PortTest, PendingTransfersEndMostRecentFirst) {
  port.Open();
  device->Spoil(PortCall::kWrite, kPending);
  device->Spoil(PortCall::kRead, kPending);
  std::string text;
  EXPECT_EQ(port.WriteText("AT", false), -1);
  EXPECT_EQ(port.ReadText(text, 4, false), -1);
  EXPECT_TRUE(port.HasPending());
  device->Send("OK");
  EXPECT_EQ(device->Received(), "");
  device->FinishPending(0);
  EXPECT_EQ(port.WaitForLastOperation(), 2);
  EXPECT_EQ(text.substr(0, 2), "OK");
  EXPECT_EQ(port.WaitForLastOperation(), 2);
  EXPECT_EQ(device->Received(), "AT");
  EXPECT_EQ(port.WaitForLastOperation(), -2);

  EXPECT_EQ(port.WriteText("AT", false), -1);
  device->FinishPending(commapi::ERROR_GEN_FAILURE);
  ExpectMessage([&] { port.WaitForLastOperation(); }, "Operation failed: 31");
  EXPECT_FALSE(port.HasPending());

  // Waited for at once: the device finishes it from another thread.
  device->leftPending.Reset();
  testsupport::LambdaThread finisher([&] {
    platform::Event* done[] = {&device->leftPending};
    platform::WaitAny(done);
    device->FinishPending(0);
  });
  finisher.Resume();
  EXPECT_EQ(port.WriteText("ATZ", true), 3);
  EXPECT_EQ(device->Received(), "ATATZ");
}

// Close aborts what is pending; a purge that fails stops the close with the
// port still open, and the next close completes.
TEST_F(PortTest, CloseAbortsPendingTransfers) {
  port.OnClose = [&](rtl::TObject*) { log.Add("close"); };
  port.Open();
  device->Spoil(PortCall::kWrite, kPending);
  std::string text;
  port.WriteText("AT", false);
  port.Close();
  EXPECT_FALSE(port.Connected());
  EXPECT_FALSE(port.HasPending());

  port.Open();
  device->Spoil(PortCall::kRead, kPending);
  device->Spoil(PortCall::kPurge, {CallVerdict::kFail, commapi::ERROR_GEN_FAILURE});
  port.WriteText("AT", false);
  port.ReadText(text, 4, false);
  ExpectMessage([&] { port.Close(); }, "Cannot abort operation: 31");
  EXPECT_TRUE(port.Connected());
  EXPECT_FALSE(port.HasPending());
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"close"});
  port.Close();  // nothing pending now: the handle goes, and ends the transfers
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(device->Received(), "");
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"close", "close"}));
}

TEST_F(PortTest, StatusQueriesReadTheLines) {
  port.Open();
  device->SetLines(true, false, true);
  EXPECT_TRUE(port.CtsState());
  EXPECT_FALSE(port.DsrState());
  EXPECT_TRUE(port.CarrierState());
  device->SetLines(false, true, false);
  EXPECT_FALSE(port.CtsState());
  EXPECT_TRUE(port.DsrState());
  EXPECT_FALSE(port.CarrierState());
  device->Send("abc");
  EXPECT_EQ(port.InQueCount(), 3);
}

TEST_F(PortTest, StatusQueriesOnAClosedPortRaise) {
  const std::function<void()> queries[] = {
      [&] { port.CtsState(); }, [&] { port.DsrState(); }, [&] { port.CarrierState(); },
      [&] { port.InQueCount(); }};
  for (const auto& query : queries) {
    try {
      query();
      ADD_FAILURE() << "a status query on a closed port returned";
    } catch (const EComPort& e) {
      const std::string prefix = "Unable to read com status: ";
      ASSERT_EQ(e.Message().substr(0, prefix.size()), prefix);
      const std::string code = e.Message().substr(prefix.size());
      EXPECT_FALSE(code.empty());
      EXPECT_EQ(code.find_first_not_of("0123456789"), std::string::npos) << code;
      EXPECT_NE(code, "0");
    }
  }
}

}  // namespace
}  // namespace comms_test
