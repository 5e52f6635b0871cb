// The program entry: the window, or (with --run) the console runner.
#include <iostream>
#include <string>
#include <vector>

#include "app/ConsoleRunner.h"
#include "app/TelvoraMain.h"
#include "platform/interrupt.h"
#include "platform/threads.h"
#include "platform/toolkit/toolkit.h"
#include "platform/toolkit/window_backend.h"
#include "sim/ReplayDevice.h"
#include "sim/SimulatedModem.h"

int main(int argc, char** argv) {
  platform::SetMainThread();
  sim::RegisterSimScheme();  // TELVORA_COMn=sim:PROFILE, in the window too
  sim::RegisterReplayScheme(ReportReplayMismatch);  // and TELVORA_COMn=replay:FILE

  // The console runner (telvora --run ...), before any window is created.
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (console::IsConsoleCommandLine(args)) {
    return console::RunConsole(args, std::cin, std::cout, std::cerr,
                               {platform::interrupt::StandardOutputIsTerminal(),
                                platform::interrupt::StandardErrorIsTerminal()});
  }

  std::unique_ptr<toolkit::Backend> window = toolkit::MakeWindowBackend(argc, argv);
  if (!window) return 2;  // it has said why
  toolkit::Application& app = toolkit::Application::Instance();
  app.SetBackend(std::move(window));
  {
    TMain_Form form;
    app.Run(form);
  }
  // The window system must go before static destruction, and after the window it shows.
  app.SetBackend(nullptr);
  return 0;
}
