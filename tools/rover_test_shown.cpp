#include "tools/rover_test_shown.h"

#include <algorithm>

#include "app/TelvoraMain.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/threads.h"
#include "sim/SimulatedModem.h"

bool ShowRoverTest(const std::function<std::unique_ptr<toolkit::Backend>()>& makeBackend,
                   const std::function<bool()>& takePicture,
                   const std::function<bool()>& duringRun) {
  platform::ScopedVariable port("TELVORA_COM1", "sim:standard");
  platform::SetMainThread();
  platform::clock::UseVirtualTime(true);
  sim::RegisterSimScheme();
  toolkit::Application& app = toolkit::Application::Instance();
  app.SetBackend(makeBackend());
  bool taken = false, takenDuring = !duringRun, triedDuring = false;
  {
    TMain_Form form;
    form.PhoneNumberSet = true;  // the default number, no prompt
    app.GetBackend().Show(form);
    if (duringRun) {
      // The moment the run first drops DTR with a call up: the status bar busy.
      form.Status.OnChanged = [&, show = form.Status.OnChanged] {
        if (show) show();
        const std::vector<toolkit::TLamp>& lamps = form.Status.Line().lamps;
        auto lamp = [&](const char* name, toolkit::LampState state) {
          return std::ranges::find(lamps, toolkit::TLamp{name, state}) != lamps.end();
        };
        if (triedDuring || !lamp("DTR", toolkit::LampState::Off) ||
            !lamp("CD", toolkit::LampState::On))
          return;
        triedDuring = true;
        takenDuring = duringRun();
      };
    }
    form.Test1->Click();
    app.ProcessMessages();
    app.GetBackend().PumpEvents();
    taken = takePicture();
  }
  app.SetBackend(nullptr);
  return taken && takenDuring;
}
