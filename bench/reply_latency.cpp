// The window's dialogue engine on a pseudo-terminal in real time: the test
// plays the modem on the master side.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/TelvoraMain.h"
#include "measures.h"
#include "platform/threads.h"
#include "platform/toolkit/headless.h"
#include "tests/support/pty.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

std::string Millis(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f ms", ms);
  return text;
}

// A window with its port open on COM1, which is a fresh pseudo-terminal.
struct PtyWindow {
  PtyWindow() {
    platform::SetMainThread();
    toolkit::Application::Instance().SetBackend(std::make_unique<toolkit::HeadlessBackend>());
    form.OpenPort();
  }
  testsupport::PtyPort port{1};
  TMain_Form form;
};

}  // namespace

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string Percent(double share) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f %%", share * 100.0);
  return text;
}

std::vector<Row> ReplyLatency(int exchanges) {
  PtyWindow window;
  std::vector<double> latencies;
  std::thread modem([&] {
    testsupport::PseudoTerminal& pty = window.port.Pty();
    pty.ReadUntil("\r\n");
    for (int i = 0; i < exchanges; ++i) {
      const Clock::time_point replied = Clock::now();
      pty.Write("\r\nOK\r\n");
      if (pty.Read(1).empty()) break;  // the next command's first byte
      latencies.push_back(
          std::chrono::duration<double, std::milli>(Clock::now() - replied).count());
      pty.ReadUntil("\r\n");
    }
  });
  for (int i = 0; i <= exchanges; ++i) window.form.SendCommand("AT", 1500);
  modem.join();

  std::sort(latencies.begin(), latencies.end());
  if (latencies.empty()) return {{"Reply to next command", "no exchange", ""}};
  auto at = [&](double share) {
    return latencies[std::min(latencies.size() - 1, std::size_t(share * double(latencies.size())))];
  };
  const std::string over = " (" + std::to_string(latencies.size()) + " exchanges)";
  return {{"Reply to next command, p50" + over, Millis(at(0.50)), ""},
          {"Reply to next command, p99" + over, Millis(at(0.99)), "<= 15 ms"},
          {"Reply to next command, max" + over, Millis(latencies.back()), ""}};
}

std::vector<Row> IdleWaitCpu(int seconds) {
  PtyWindow window;
  const double cpuBefore = CpuSeconds();
  const Clock::time_point start = Clock::now();
  window.form.SendCommand("AT", seconds * 1000);  // the modem stays silent
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  return {{"CPU while waiting " + std::to_string(seconds) + " s for a reply",
           Percent((CpuSeconds() - cpuBefore) / wall), "< 1 %"}};
}

}  // namespace bench
