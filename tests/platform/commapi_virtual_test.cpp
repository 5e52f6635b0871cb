// Ports on bound virtual devices: dispatch by binding, the event machinery,
// transfers, the device going away, and devices made by a scheme.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/commapi/commapi.h"
#include "platform/commapi/device_names.h"
#include "platform/commapi/loopback_device.h"
#include "platform/commapi/virtual_device.h"
#include "tests/support/ScopedEnv.h"

namespace commapi {
namespace {

struct ConfigureCall {
  bool dtr;
  bool rts;
};

// Records what the port does to it; can echo what it is sent.
class TestDevice : public VirtualDevice {
 public:
  void Attach(VirtualLine& line) override {
    std::lock_guard lock(mutex_);
    line_ = &line;
    ++attaches;
  }
  void Detach() override {
    std::lock_guard lock(mutex_);
    line_ = nullptr;
    ++detaches;
  }
  void Transmit(std::string_view bytes) override {
    std::lock_guard lock(mutex_);
    sent += bytes;
    if (echo && line_ != nullptr) line_->Receive(bytes);
  }
  void Configure(const DCB&, bool dtr, bool rts) override {
    std::lock_guard lock(mutex_);
    configured.push_back({dtr, rts});
  }
  VirtualLine& Line() {
    std::lock_guard lock(mutex_);
    return *line_;
  }

  bool echo = false;
  int attaches = 0;
  int detaches = 0;
  std::string sent;
  std::vector<ConfigureCall> configured;

 private:
  std::mutex mutex_;
  VirtualLine* line_ = nullptr;
};

// Every name used here is a COM name no other test binds.
constexpr const char* kName = "\\\\.\\COM21";

HANDLE OpenPort(const char* name = kName) {
  return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OVERLAPPED, nullptr);
}

// A record with its own manual-reset event, released at the end of the test.
struct Record {
  Record() { overlapped.hEvent = CreateEventA(nullptr, 1, 1, nullptr); }
  ~Record() { CloseHandle(overlapped.hEvent); }
  bool Signalled() const { return WaitForSingleObject(overlapped.hEvent, 0) == WAIT_OBJECT_0; }
  OVERLAPPED overlapped{};
};

class VirtualPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BindVirtualDevice(kName, device);
    port = OpenPort();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
  }
  void TearDown() override {
    if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
    UnbindVirtualDevice(kName);
  }

  std::string ReadAll() {
    char buffer[64];
    DWORD read = 0;
    EXPECT_TRUE(ReadFile(port, buffer, sizeof buffer, &read, nullptr));
    return std::string(buffer, read);
  }

  std::shared_ptr<TestDevice> device = std::make_shared<TestDevice>();
  HANDLE port = INVALID_HANDLE_VALUE;
};

TEST_F(VirtualPortTest, BoundNameOpensItsDeviceOnceAtATime) {
  EXPECT_EQ(device->attaches, 1);
  EXPECT_EQ(BoundVirtualDevice("COM21"), device) << "every spelling of the name is one device";

  EXPECT_EQ(OpenPort("com21"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  EXPECT_TRUE(CloseHandle(port));
  EXPECT_EQ(device->detaches, 1);
  EXPECT_FALSE(CloseHandle(port));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  DWORD status = 0;
  EXPECT_FALSE(GetCommModemStatus(port, &status));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE) << "a closed device can be opened again";
  EXPECT_EQ(device->attaches, 2);
}

TEST_F(VirtualPortTest, WriteReachesTheDeviceAndCompletesAtOnce) {
  Record record;
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(port, "AT\r\n", 4, &written, &record.overlapped));
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(device->sent, "AT\r\n");
  EXPECT_TRUE(record.Signalled());
  DWORD transferred = 0;
  EXPECT_TRUE(GetOverlappedResult(port, &record.overlapped, &transferred, 0));
  EXPECT_EQ(transferred, 4u);
}

TEST_F(VirtualPortTest, EchoFromInsideTransmitIsQueuedForReading) {
  device->echo = true;
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR | EV_TXEMPTY));
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(port, "ATZ", 3, &written, nullptr));

  COMSTAT stat{};
  ASSERT_TRUE(ClearCommError(port, nullptr, &stat));
  EXPECT_EQ(stat.cbInQue, 3u);

  Record record;
  DWORD events = 0;
  ASSERT_TRUE(WaitCommEvent(port, &events, &record.overlapped));
  EXPECT_EQ(events, EV_RXCHAR | EV_TXEMPTY);

  char buffer[2];
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(port, buffer, 2, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "AT");
  EXPECT_EQ(ReadAll(), "Z");
  EXPECT_EQ(ReadAll(), "") << "an empty queue reads nothing at once";
}

TEST_F(VirtualPortTest, WaitCompletesWithTheMaskedEventsInOrder) {
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR | EV_CTS | EV_RLSD | EV_RXFLAG));
  DCB dcb{};
  ASSERT_TRUE(GetCommState(port, &dcb));
  dcb.EvtChar = '\n';
  ASSERT_TRUE(SetCommState(port, &dcb));

  struct Step {
    const char* what;
    void (*stimulus)(VirtualLine&);
    DWORD expected;  // 0: the wait stays pending
  };
  const Step steps[] = {
      {"bytes", [](VirtualLine& l) { l.Receive("OK"); }, EV_RXCHAR},
      {"the event character", [](VirtualLine& l) { l.Receive("\r\n"); }, EV_RXCHAR | EV_RXFLAG},
      {"CTS up", [](VirtualLine& l) { l.SetModemStatus(true, false, false, false); }, EV_CTS},
      {"DSR is not asked for", [](VirtualLine& l) { l.SetModemStatus(true, true, false, false); },
       0},
      {"no change", [](VirtualLine& l) { l.SetModemStatus(true, true, false, false); }, 0},
      {"CTS down, carrier up",
       [](VirtualLine& l) { l.SetModemStatus(false, true, true, false); }, EV_CTS | EV_RLSD},
  };
  Record record;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    DWORD events = 0xDEAD;
    ASSERT_FALSE(WaitCommEvent(port, &events, &record.overlapped));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_FALSE(record.Signalled()) << "the wait resets its event";
    DWORD transferred = 0;
    EXPECT_FALSE(GetOverlappedResult(port, &record.overlapped, &transferred, 0));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);

    step.stimulus(device->Line());
    if (step.expected == 0) {
      EXPECT_FALSE(record.Signalled());
      ASSERT_TRUE(SetCommMask(port, EV_RXCHAR | EV_CTS | EV_RLSD | EV_RXFLAG));
      EXPECT_TRUE(record.Signalled());
      EXPECT_EQ(events, 0u) << "a new mask ends the wait with no events";
      continue;
    }
    EXPECT_TRUE(record.Signalled());
    EXPECT_TRUE(GetOverlappedResult(port, &record.overlapped, &transferred, 0));
    EXPECT_EQ(events, step.expected);
  }
  DWORD status = 0;
  ASSERT_TRUE(GetCommModemStatus(port, &status));
  EXPECT_EQ(status, MS_DSR_ON | MS_RLSD_ON);
}

TEST_F(VirtualPortTest, EventsWithoutAWaitAreKeptUntilTheNextOneOrANewMask) {
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR | EV_DSR));
  device->Line().Receive("x");
  device->Line().SetModemStatus(false, true, false, false);
  device->Line().SetModemStatus(true, true, false, false);  // CTS: not in the mask

  Record record;
  DWORD events = 0;
  ASSERT_TRUE(WaitCommEvent(port, &events, &record.overlapped));
  EXPECT_EQ(events, EV_RXCHAR | EV_DSR);
  EXPECT_TRUE(record.Signalled()) << "an immediate completion also sets the event";

  EXPECT_FALSE(WaitCommEvent(port, &events, &record.overlapped)) << "the history was consumed";
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  DWORD second = 0;
  Record other;
  EXPECT_FALSE(WaitCommEvent(port, &second, &other.overlapped));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << "one wait at a time";

  device->Line().Receive("y");
  ASSERT_TRUE(record.Signalled());
  device->Line().Receive("z");
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
  EXPECT_FALSE(WaitCommEvent(port, &events, &record.overlapped))
      << "a new mask forgets what happened before it";
  ASSERT_TRUE(SetCommMask(port, 0));
  EXPECT_FALSE(WaitCommEvent(port, &events, &record.overlapped));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << "nothing to wait for";
}

TEST_F(VirtualPortTest, PurgeEmptiesTheInputAndEndsThePendingWait) {
  ASSERT_TRUE(SetCommMask(port, EV_CTS));
  device->Line().Receive("stale");
  Record record;
  DWORD events = 0;
  ASSERT_FALSE(WaitCommEvent(port, &events, &record.overlapped));

  ASSERT_TRUE(PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));
  EXPECT_EQ(ReadAll(), "");
  ASSERT_TRUE(record.Signalled());
  DWORD transferred = 0;
  EXPECT_FALSE(GetOverlappedResult(port, &record.overlapped, &transferred, 0));
  EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);

  EXPECT_FALSE(PurgeComm(port, 0x10));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(VirtualPortTest, ControlBlockDrivesTheDeviceOutputs) {
  struct Case {
    DWORD dtrControl, rtsControl;
    bool dtr, rts;
  };
  const Case cases[] = {
      {DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE, true, true},
      {DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE, false, false},
      {DTR_CONTROL_HANDSHAKE, RTS_CONTROL_HANDSHAKE, true, true},
      {DTR_CONTROL_DISABLE, RTS_CONTROL_TOGGLE, false, false},
  };
  DCB dcb{};
  ASSERT_TRUE(GetCommState(port, &dcb));
  for (const Case& c : cases) {
    dcb.fDtrControl = c.dtrControl;
    dcb.fRtsControl = c.rtsControl;
    ASSERT_TRUE(SetCommState(port, &dcb));
    ASSERT_FALSE(device->configured.empty());
    EXPECT_EQ(device->configured.back().dtr, c.dtr) << c.dtrControl;
    EXPECT_EQ(device->configured.back().rts, c.rts) << c.rtsControl;
  }
  const std::size_t calls = device->configured.size();
  dcb.ByteSize = 9;
  EXPECT_FALSE(SetCommState(port, &dcb));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(device->configured.size(), calls) << "a refused block never reaches the device";
}

TEST_F(VirtualPortTest, VanishedDeviceFailsEverythingButClose) {
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
  Record record;
  DWORD events = 0;
  ASSERT_FALSE(WaitCommEvent(port, &events, &record.overlapped));

  device->Line().Vanish();
  ASSERT_TRUE(record.Signalled());
  DWORD transferred = 0;
  EXPECT_FALSE(GetOverlappedResult(port, &record.overlapped, &transferred, 0));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);

  EXPECT_FALSE(WaitCommEvent(port, &events, &record.overlapped));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_FALSE(record.Signalled()) << "a monitoring loop must block, not spin";

  DWORD status = 0, count = 0;
  COMSTAT stat{};
  char byte = 0;
  DCB dcb = {};
  EXPECT_FALSE(GetCommModemStatus(port, &status));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_FALSE(ClearCommError(port, nullptr, &stat));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_FALSE(WriteFile(port, "A", 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_FALSE(ReadFile(port, &byte, 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_FALSE(SetCommState(port, &dcb));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_EQ(device->sent, "");

  EXPECT_TRUE(CloseHandle(port));
  port = INVALID_HANDLE_VALUE;
  EXPECT_EQ(device->detaches, 1);
}

TEST(VirtualPortScheme, FactoryMakesOneDevicePerMappedPath) {
  int made = 0;
  std::vector<std::string> arguments;
  std::shared_ptr<TestDevice> last;
  RegisterDeviceScheme("testdev", [&](const std::string& argument) -> std::shared_ptr<VirtualDevice> {
    arguments.push_back(argument);
    if (argument == "missing") return nullptr;
    ++made;
    last = std::make_shared<TestDevice>();
    return last;
  });

  std::optional<testsupport::ScopedEnv> mapping;
  mapping.emplace("TELVORA_COM22", "testdev:alpha");
  EXPECT_EQ(MappedDevicePath("\\\\.\\COM22"), "testdev:alpha");
  HANDLE first = OpenPort("\\\\.\\COM22");
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  std::shared_ptr<TestDevice> alpha = last;
  EXPECT_EQ(BoundVirtualDevice("\\\\.\\COM22"), alpha);
  last->Line().Receive("kept");
  CloseHandle(first);
  HANDLE again = OpenPort("\\\\.\\COM22");
  ASSERT_NE(again, INVALID_HANDLE_VALUE);
  EXPECT_EQ(made, 1) << "the device and its state persist across opens";
  EXPECT_EQ(alpha->attaches, 2);
  CloseHandle(again);

  mapping.emplace("TELVORA_COM22", "testdev:beta");
  HANDLE beta = OpenPort("\\\\.\\COM22");
  ASSERT_NE(beta, INVALID_HANDLE_VALUE);
  EXPECT_EQ(made, 2) << "a new mapping gets its own device";
  CloseHandle(beta);

  mapping.emplace("TELVORA_COM22", "testdev:missing");
  EXPECT_EQ(OpenPort("\\\\.\\COM22"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(arguments, (std::vector<std::string>{"alpha", "beta", "missing"}));

  mapping.reset();
  UnbindVirtualDevice("\\\\.\\COM22");
  RegisterDeviceScheme("testdev", nullptr);
}

TEST(DeviceNames, ComNamesMapToTheEnvironmentOrTheSerialDevice) {
  testsupport::ScopedEnv mapped("TELVORA_COM23", "/dev/pts/99");
  testsupport::ScopedEnv unmapped("TELVORA_COM24", "");
  struct Case {
    const char* name;
    std::string mapped;
  };
  const Case cases[] = {
      {"\\\\.\\COM23", "/dev/pts/99"}, {"COM23", "/dev/pts/99"},
      {"\\\\.\\COM24", DefaultDevicePath(24)}, {"\\\\.\\COM1", DefaultDevicePath(1)},
      {"\\\\.\\com10", DefaultDevicePath(10)}, {"/tmp/some-device", "/tmp/some-device"},
      {"\\\\.\\COM0", "\\\\.\\COM0"},  {"\\\\.\\COM1x", "\\\\.\\COM1x"},
  };
  if (std::getenv("TELVORA_COM1") != nullptr || std::getenv("TELVORA_COM10") != nullptr) {
    GTEST_SKIP() << "the environment maps COM1 or COM10";
  }
  for (const Case& c : cases) EXPECT_EQ(MappedDevicePath(c.name), c.mapped) << c.name;
  // The system's own device: the serial device on POSIX, the name itself on Windows.
  const std::string system = DefaultDevicePath(10);
  EXPECT_TRUE(system == "/dev/ttyS9" || system == "\\\\.\\COM10") << system;
}

TEST(LoopbackDevice, EchoesBytesAndLoopsTheControlLines) {
  auto plug = std::make_shared<LoopbackDevice>();
  BindVirtualDevice("\\\\.\\COM25", plug);
  HANDLE port = OpenPort("\\\\.\\COM25");
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(plug->Attached());

  DCB dcb{};
  ASSERT_TRUE(GetCommState(port, &dcb));
  struct Case {
    DWORD dtrControl, rtsControl, status;
  };
  const Case cases[] = {
      {DTR_CONTROL_ENABLE, RTS_CONTROL_DISABLE, MS_DSR_ON | MS_RLSD_ON},
      {DTR_CONTROL_DISABLE, RTS_CONTROL_ENABLE, MS_CTS_ON},
      {DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE, MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON},
  };
  for (const Case& c : cases) {
    dcb.fDtrControl = c.dtrControl;
    dcb.fRtsControl = c.rtsControl;
    ASSERT_TRUE(SetCommState(port, &dcb));
    DWORD status = 0;
    ASSERT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(status, c.status);
  }

  DWORD count = 0;
  ASSERT_TRUE(WriteFile(port, "ping", 4, &count, nullptr));
  char buffer[8];
  ASSERT_TRUE(ReadFile(port, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(std::string(buffer, count), "ping");

  CloseHandle(port);
  EXPECT_FALSE(plug->Attached());
  UnbindVirtualDevice("\\\\.\\COM25");
}

}  // namespace
}  // namespace commapi
