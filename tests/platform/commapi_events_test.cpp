// Event handles, waits on them, and the per-thread last error.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "platform/commapi/commapi.h"
#include "platform/commapi/loopback_device.h"
#include "platform/commapi/virtual_device.h"

namespace commapi {
namespace {

// Closes the events of a test however it ends.
struct Events {
  explicit Events(std::initializer_list<bool> manualReset) {
    for (bool manual : manualReset) handles.push_back(CreateEventA(nullptr, manual, 0, nullptr));
  }
  ~Events() {
    for (HANDLE handle : handles) CloseHandle(handle);
  }
  std::vector<HANDLE> handles;
};

TEST(CommEvents, WaitReportsTheLowestSignalledEvent) {
  Events events({true, false, true});
  HANDLE* h = events.handles.data();
  EXPECT_EQ(WaitForMultipleObjects(3, h, 0, 0), WAIT_TIMEOUT);

  ASSERT_TRUE(SetEvent(h[2]));
  ASSERT_TRUE(SetEvent(h[1]));
  EXPECT_EQ(WaitForMultipleObjects(3, h, 0, INFINITE), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(3, h, 0, INFINITE), WAIT_OBJECT_0 + 2)
      << "the auto-reset event was consumed by the wait that reported it";
  EXPECT_EQ(WaitForSingleObject(h[2], 0), WAIT_OBJECT_0) << "a manual-reset event stays set";

  ASSERT_TRUE(ResetEvent(h[2]));
  EXPECT_EQ(WaitForSingleObject(h[2], 0), WAIT_TIMEOUT);
}

TEST(CommEvents, InfiniteWaitEndsWhenAnotherThreadSets) {
  Events events({true, true});
  std::thread setter([&] { SetEvent(events.handles[1]); });
  EXPECT_EQ(WaitForMultipleObjects(2, events.handles.data(), 0, INFINITE), WAIT_OBJECT_0 + 1);
  setter.join();
}

TEST(CommEvents, BadWaitsFail) {
  Events events({true});
  HANDLE closed = CreateEventA(nullptr, 1, 1, nullptr);
  ASSERT_TRUE(CloseHandle(closed));

  auto plug = std::make_shared<LoopbackDevice>();
  BindVirtualDevice("\\\\.\\COM26", plug);
  HANDLE port = CreateFileA("\\\\.\\COM26", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);

  struct Case {
    const char* what;
    std::vector<HANDLE> handles;
    BOOL waitAll;
    DWORD error;
  };
  const Case cases[] = {
      {"wait for all", {events.handles[0]}, 1, ERROR_INVALID_PARAMETER},
      {"nothing to wait for", {}, 0, ERROR_INVALID_PARAMETER},
      {"a closed event", {events.handles[0], closed}, 0, ERROR_INVALID_HANDLE},
      {"a port is not an event", {port}, 0, ERROR_INVALID_HANDLE},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(WaitForMultipleObjects(static_cast<DWORD>(c.handles.size()), c.handles.data(),
                                     c.waitAll, 0),
              WAIT_FAILED)
        << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
  EXPECT_FALSE(SetEvent(closed));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(SetEvent(port));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  CloseHandle(port);
  UnbindVirtualDevice("\\\\.\\COM26");
}

TEST(CommEvents, LastErrorBelongsToEachThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  DWORD seenByOther = 1;
  std::thread other([&] {
    seenByOther = GetLastError();
    SetLastError(ERROR_GEN_FAILURE);
  });
  other.join();
  EXPECT_EQ(seenByOther, 0u);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(CommEvents, OverlappedResultCanWaitForCompletion) {
  auto plug = std::make_shared<LoopbackDevice>();
  BindVirtualDevice("\\\\.\\COM27", plug);
  HANDLE port = CreateFileA("\\\\.\\COM27", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
  OVERLAPPED record{};
  record.hEvent = CreateEventA(nullptr, 1, 0, nullptr);
  DWORD events = 0;
  ASSERT_FALSE(WaitCommEvent(port, &events, &record));

  // The loopback echoes the write back from the writer's thread.
  std::thread writer([&] {
    DWORD written = 0;
    WriteFile(port, "x", 1, &written, nullptr);
  });
  DWORD transferred = 0;
  EXPECT_TRUE(GetOverlappedResult(port, &record, &transferred, 1));
  EXPECT_EQ(events, EV_RXCHAR);
  writer.join();

  CloseHandle(record.hEvent);
  CloseHandle(port);
  UnbindVirtualDevice("\\\\.\\COM27");
}

}  // namespace
}  // namespace commapi
