#include "tools/rover_test_shown.h"

#include "app/TelvoraMain.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/threads.h"
#include "sim/SimulatedModem.h"

bool ShowRoverTest(const std::function<std::unique_ptr<toolkit::Backend>()>& makeBackend,
                   const std::function<bool()>& takePicture) {
  platform::ScopedVariable port("TELVORA_COM1", "sim:standard");
  platform::SetMainThread();
  platform::clock::UseVirtualTime(true);
  sim::RegisterSimScheme();
  toolkit::Application& app = toolkit::Application::Instance();
  app.SetBackend(makeBackend());
  bool taken = false;
  {
    TMain_Form form;
    form.PhoneNumberSet = true;  // the default number, no prompt
    app.GetBackend().Show(form);
    form.Test1->Click();
    app.ProcessMessages();
    app.GetBackend().PumpEvents();
    taken = takePicture();
  }
  app.SetBackend(nullptr);
  return taken;
}
