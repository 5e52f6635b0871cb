// Runs a Rover Test against a simulated modem, or against the modem recorded
// in a session trace, in virtual time, and writes its session report: the
// page the README shows (scripts/report-screenshot.sh) and the browser test
// reads (tests/report/).
// Usage: telvora_session_report [--profile NAME | --replay TRACE] [--level 0-4] OUT.html
#include <cstdio>
#include <fstream>
#include <string>

#include "app/SessionRecording.h"
#include "app/SessionTraces.h"
#include "app/TelvoraMain.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/threads.h"
#include "platform/toolkit/headless.h"
#include "sim/ReplayDevice.h"
#include "sim/SimulatedModem.h"

namespace {

int Usage() {
  std::fputs(
      "usage: telvora_session_report [--profile NAME | --replay TRACE] [--level 0-4] OUT.html\n",
      stderr);
  return 64;
}

}  // namespace

int main(int argc, char** argv) {
  std::string profile = "standard", replay, out;
  int level = 2;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 < argc && arg == "--profile") {
      profile = argv[++i];
    } else if (i + 1 < argc && arg == "--replay") {
      replay = argv[++i];
    } else if (i + 1 < argc && arg == "--level") {
      level = std::atoi(argv[++i]);
    } else if (out.empty() && !arg.starts_with("--")) {
      out = arg;
    } else {
      return Usage();
    }
  }
  if (out.empty() || level < 0 || level > 4) return Usage();

  platform::ScopedVariable port("TELVORA_COM1",
                                replay.empty() ? "sim:" + profile : "replay:" + replay);
  platform::SetMainThread();
  platform::clock::UseVirtualTime(true);
  sim::RegisterSimScheme();
  sim::RegisterReplayScheme(ReportReplayMismatch);
  toolkit::Application& app = toolkit::Application::Instance();
  app.SetBackend(std::make_unique<toolkit::HeadlessBackend>());

  report::RunFacts facts;
  facts.madeFrom =
      replay.empty()
          ? "Made from a Rover Test against the simulated modem (" + profile + "), in virtual time."
          : "Made by replaying the session trace " + replay + " in a Rover Test, in virtual time.";
  std::string page;
  {
    TMain_Form form;
    form.PhoneNumber = "5551234";
    form.PhoneNumberSet = true;
    toolkit::TMenuItem* levels[] = {form.Summary, form.Minimal, form.Normal, form.Verbose,
                                    form.Debug};
    levels[level]->Click();
    report::RunRecording recording(form);
    const auto traced = TraceRun(form, console::Procedure::RoverTest);
    try {
      form.Test1Click(nullptr);
      form.EndCommand();
    } catch (const std::exception& error) {
      facts.error = form.ErrorBoxText(error);
    }
    report::Session session = recording.Finish(facts);
    const std::string trace = recording.EndTrace();
    report::UseTrace(session, trace, trace);
    page = report::RenderPage(session);
  }
  std::ofstream file(out, std::ios::binary);
  file << page;
  if (!file.flush()) {
    std::fprintf(stderr, "telvora_session_report: cannot write %s\n", out.c_str());
    return 74;
  }
  return 0;
}
