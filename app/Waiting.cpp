// The two kinds of waiting the procedures use, and the terminating state.
#include "app/TelvoraMain.h"
#include "platform/clock.h"

void TMain_Form::Pause(std::uint32_t ms) {
  ShowStatusBar();
  auto& app = toolkit::Application::Instance();
  app.ProcessMessages();
  platform::clock::Sleep(ms);
  app.ProcessMessages();
  ThrowPortFault();
}

// Nothing received is handled meanwhile: it waits in the port's queue.
void TMain_Form::PlainSleep(std::uint32_t ms) { platform::clock::Sleep(ms); }

bool TMain_Form::Terminating() const { return toolkit::Application::Instance().Terminated(); }

bool TMain_Form::ExitEndsWaits() const { return Terminating() && !waitsOutlastExit_; }
