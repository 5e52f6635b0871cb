// A Rover Test against a simulated modem in real time, as the console runs
// it and in the window, and the window left idle. What each costs is the
// whole process's CPU time, the simulated modem included.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/TelvoraMain.h"
#include "measures.h"
#include "platform/environment.h"
#include "platform/threads.h"
#include "platform/toolkit/headless.h"
#include "platform/toolkit/window_backend.h"
#include "sim/SimulatedModem.h"

namespace bench {

namespace {

// Share of one core over `seconds` of real time, measured from this thread.
double ShareOfCore(int seconds) {
  const auto start = std::chrono::steady_clock::now();
  const double cpuBefore = CpuSeconds();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return (CpuSeconds() - cpuBefore) / wall;
}

// The first `seconds` of a Rover Test without a window; ending the program
// ends the run.
double ConsoleRunCpu(int seconds) {
  toolkit::Application& app = toolkit::Application::Instance();
  app.SetBackend(std::make_unique<toolkit::HeadlessBackend>());
  double share = 0;
  {
    TMain_Form form;
    form.PhoneNumberSet = true;  // the default number, no prompt
    std::thread meter([&] {
      share = ShareOfCore(seconds);
      app.Terminate();
    });
    form.Test1->Click();
    meter.join();
  }
  app.Reset();
  return share;
}

// The window idle for `idleSeconds`, then the first `runSeconds` of a Rover
// Test in it; false when the build has no window.
bool WindowCpu(int idleSeconds, int runSeconds, double& idle, double& running) {
  setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
  static char name[] = "telvora_bench";
  static char* argv[] = {name, nullptr};
  static int argc = 1;
  std::unique_ptr<toolkit::Backend> window = toolkit::MakeWindowBackend(argc, argv);
  if (!window) return false;
  toolkit::Application& app = toolkit::Application::Instance();
  app.SetBackend(std::move(window));
  {
    TMain_Form form;
    form.PhoneNumberSet = true;
    std::thread meter;
    app.Post([&] {
      meter = std::thread([&] {
        std::this_thread::sleep_for(std::chrono::seconds(1));  // the first paint settles
        idle = ShareOfCore(idleSeconds);
        app.Post([&] { form.Test1->Click(); });
        running = ShareOfCore(runSeconds);
        app.Terminate();
      });
    });
    app.Run(form);
    meter.join();
  }
  app.SetBackend(nullptr);
  app.Reset();
  return true;
}

}  // namespace

std::vector<Row> RoverTestCpu(int idleSeconds, int runSeconds) {
  platform::ScopedVariable port("TELVORA_COM1", "sim:standard");
  sim::RegisterSimScheme();
  platform::SetMainThread();
  const std::string first = " (first " + std::to_string(runSeconds) + " s)";
  std::vector<Row> rows{
      {"CPU, Rover Test in the console" + first, Percent(ConsoleRunCpu(runSeconds)), ""}};
  double idle = 0, running = 0;
  if (!WindowCpu(idleSeconds, runSeconds, idle, running)) return rows;
  rows.push_back({"CPU, Rover Test in the window" + first, Percent(running), "< 1 %"});
  rows.push_back(
      {"CPU, idle window (" + std::to_string(idleSeconds) + " s)", Percent(idle), "< 0.1 %"});
  return rows;
}

}  // namespace bench
