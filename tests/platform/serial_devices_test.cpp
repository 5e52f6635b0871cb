// Finding USB serial devices, on a made-up /dev.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/serial_devices.h"

namespace {

namespace fs = std::filesystem;

TEST(SerialDevices, StableAliasesWithTheirTargetsThenUsbAndAcmDevices) {
  char pattern[] = "/tmp/telvora-dev-XXXXXX";
  const fs::path dev = mkdtemp(pattern);
  for (const char* name : {"ttyUSB0", "ttyACM1", "ttyS0", "null"}) std::ofstream(dev / name);
  fs::create_directories(dev / "serial" / "by-id");
  fs::create_symlink("../../ttyUSB0", dev / "serial" / "by-id" / "usb-Adapter_0001-if00-port0");

  const std::vector<platform::SerialDevice> found = platform::FindSerialDevices(dev.string());
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].path, (dev / "serial" / "by-id" / "usb-Adapter_0001-if00-port0").string());
  EXPECT_EQ(found[0].target, fs::canonical(dev / "ttyUSB0").string());
  EXPECT_EQ(found[1].path, (dev / "ttyACM1").string());
  EXPECT_EQ(found[2].path, (dev / "ttyUSB0").string());
  EXPECT_EQ(found[2].target, "");
  fs::remove_all(dev);

  EXPECT_TRUE(platform::FindSerialDevices(dev.string()).empty());  // no such directory
}

}  // namespace
