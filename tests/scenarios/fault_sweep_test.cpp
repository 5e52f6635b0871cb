// The fault sweep: Detect, the Rover Test and the Saving Settings Test against
// the standard modem, with one of the port's calls spoilt in each run: the
// nth write, read, status query, event wait or control block fails, or the
// device vanishes there, for n over every call the fault-free run makes.
// Every run must end without a hang or crash, show the error at most once,
// keep the log of the fault-free run up to the fault, leave the clipboard
// alone unless it reached its end, and leave a window whose next command
// works. TELVORA_SWEEP=full runs every index (make sweep); the suite runs a
// spread of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/commapi/virtual_device.h"
#include "platform/threads.h"
#include "tests/support/PassThroughDevice.h"
#include "tests/support/Scenario.h"

namespace {

using commapi::CallVerdict;
using commapi::PortCall;
using Lines = std::vector<std::string>;

const std::string kDevice = "\\\\.\\COM1";

struct Fault {
  PortCall kind;
  int nth;
  CallVerdict verdict;
};

// Passes everything on, counting the port's calls of each kind, and spoils
// the nth call of one kind. onCall runs at every call (on the thread that
// makes it), told whether this is the spoilt one.
class FaultInjector : public testsupport::PassThroughDevice {
 public:
  using PassThroughDevice::PassThroughDevice;

  std::function<void(bool spoilt)> onCall;

  void SetFault(std::optional<Fault> fault) {
    std::lock_guard lock(mutex_);
    fault_ = fault;
  }
  commapi::CallVerdict Intercept(PortCall call) override {
    std::lock_guard lock(mutex_);
    const int n = ++counts_[call];
    const bool spoilt = fault_ && fault_->kind == call && n == fault_->nth;
    if (onCall) onCall(spoilt);
    if (!spoilt) return modem_->Intercept(call);
    injected_ = true;
    return fault_->verdict;
  }
  int Count(PortCall call) {
    std::lock_guard lock(mutex_);
    return counts_[call];
  }
  bool Injected() {
    std::lock_guard lock(mutex_);
    return injected_;
  }

 private:
  std::mutex mutex_;
  std::optional<Fault> fault_;
  std::map<PortCall, int> counts_;
  bool injected_ = false;
};

struct Procedure {
  const char* name;
  toolkit::TMenuItem* TMain_Form::*item;
};

struct Kind {
  const char* name;
  PortCall call;
};
const Kind kKinds[] = {{"write", PortCall::kWrite},
                       {"read", PortCall::kRead},
                       {"status", PortCall::kStatus},
                       {"wait", PortCall::kWait},
                       {"set state", PortCall::kSetState}};

const std::string kFinished = "Test Finished, results copied to clipboard";

// One run of a procedure with a fault (or none) on a fresh window.
struct Run {
  explicit Run(const Procedure& procedure, std::optional<Fault> fault = std::nullopt)
      : s({.level = 4}) {
    injector = std::make_shared<FaultInjector>(commapi::BoundVirtualDevice(kDevice));
    injector->SetFault(fault);
    injector->onCall = [this](bool spoilt) {
      // The log is the user-interface thread's; a wait on the monitoring
      // thread goes with the lines counted at the last call before it.
      if (platform::IsMainThread()) linesSoFar = s.Log().size();
      if (spoilt) linesAtFault = linesSoFar;
    };
    commapi::BindVirtualDevice(kDevice, injector);
    s.PowerCycleWhenAsked();
    s.Ui().output = s.Ui().errorOutput = &quiet;  // boxes and errors are counted, not shown
    Command(s.Form().*procedure.item);
  }

  // A menu command as the window runs it: what escapes goes to the error box.
  void Command(toolkit::TMenuItem* item) {
    auto& app = toolkit::Application::Instance();
    try {
      s.Click(item);
    } catch (...) {
      app.HandleException(std::current_exception());
    }
    app.ProcessMessages();  // errors the monitoring thread posted
  }

  std::ostringstream quiet;
  scenario::Scenario s;
  std::shared_ptr<FaultInjector> injector;
  std::size_t linesSoFar = 0;
  std::size_t linesAtFault = 0;
};

// Indices 1..count: all of them, or a spread that keeps both ends.
std::vector<int> Indices(int count, bool full) {
  constexpr int kSpread = 6;
  std::vector<int> indices;
  if (full || count <= kSpread) {
    for (int n = 1; n <= count; ++n) indices.push_back(n);
  } else {
    for (int i = 0; i < kSpread; ++i) indices.push_back(1 + i * (count - 1) / (kSpread - 1));
  }
  return indices;
}

// What went wrong in a run, in words; empty when it survived.
std::vector<std::string> Problems(Run& run, const Lines& expected) {
  std::vector<std::string> problems;
  auto check = [&](bool ok, const std::string& what) {
    if (!ok) problems.push_back(what);
  };
  const Lines log = run.s.Log();
  const std::size_t errors = run.s.Ui().errors.size();
  check(run.injector->Injected(), "the fault never came");
  check(errors <= 1, std::to_string(errors) + " error boxes");
  check(log.size() >= run.linesAtFault &&
            std::equal(log.begin(), log.begin() + run.linesAtFault, expected.begin()),
        "the log up to the fault differs from the fault-free run's");
  // Nothing went wrong as far as the program knows (or it said in the log
  // how it recovered): nothing else may differ.
  Lines recovered = log, unchanged = expected;
  if (std::erase(recovered, "Port reopened after power cycle") > 0) {
    // A port that was gone could not see the lines change meanwhile.
    const auto lineNotice = [](const std::string& line) {
      return line.ends_with(" line raised") || line.ends_with(" line lowered");
    };
    std::erase_if(recovered, lineNotice);
    std::erase_if(unchanged, lineNotice);
  }
  check(errors > 0 || recovered == unchanged, "a silent fault changed the log");
  const std::string clipboard = run.s.Clipboard();
  check(clipboard.empty() || clipboard + "\n" + kFinished == run.s.Form().Output_Memo.Text(),
        "the clipboard holds something other than the finished test's log");

  // The device is back and sound: the next command opens the port again and
  // finds the modem in command mode, even if the fault came during a call.
  platform::clock::Sleep(1000);  // what was on the line when it went reaches the modem
  run.injector->SetFault(std::nullopt);
  run.Command(run.s.Form().N192001);
  const auto& after = run.s.Ui().errors;
  check(after.size() == errors, "the next command failed: " + (after.empty() ? "" : after.back()));
  check(scenario::Contains(run.s.Log(), "Modem detected at 19200"),
        "the next command did not find the modem");
  check(!run.s.Modem().CallUp() && !run.s.Modem().Dialling(), "a call was left going");
  check(!run.s.Form().SerialPort().Connected(), "the next command left the port open");
  return problems;
}

struct Tally {
  int runs = 0, injected = 0, survived = 0;
};

void Sweep(const Procedure& procedure, bool full, Tally& tally) {
  Run reference(procedure);
  const Lines expected = reference.s.Log();
  ASSERT_TRUE(reference.s.Ui().errors.empty());

  const CallVerdict verdicts[] = {{CallVerdict::kFail, commapi::ERROR_GEN_FAILURE},
                                  {CallVerdict::kVanish}};
  for (const Kind& kind : kKinds) {
    for (int nth : Indices(reference.injector->Count(kind.call), full)) {
      for (const CallVerdict& verdict : verdicts) {
        const Fault fault{kind.call, nth, verdict};
        Run run(procedure, fault);
        ++tally.runs;
        if (run.injector->Injected()) ++tally.injected;
        const std::vector<std::string> problems = Problems(run, expected);
        for (const std::string& problem : problems)
          ADD_FAILURE() << procedure.name << ": "
                        << (verdict.action == CallVerdict::kVanish ? "vanish at " : "fail ")
                        << kind.name << " #" << nth << ": " << problem;
        if (problems.empty()) ++tally.survived;
      }
    }
  }
}

TEST(FaultSweep, EveryProcedureSurvivesEveryFault) {
  const char* sweep = std::getenv("TELVORA_SWEEP");
  const bool full = sweep != nullptr && std::string(sweep) == "full";
  const Procedure procedures[] = {{"Detect", &TMain_Form::N96001},
                                  {"Rover Test", &TMain_Form::Test1},
                                  {"Saving Settings Test", &TMain_Form::SavingSettingsTest1}};
  Tally tally;
  for (const Procedure& procedure : procedures) Sweep(procedure, full, tally);
  std::cout << "Fault sweep" << (full ? "" : " (sample)") << ": " << tally.runs << " runs, "
            << tally.injected << " faults injected, " << tally.survived << " survived" << std::endl;
  EXPECT_EQ(tally.injected, tally.runs);
}

}  // namespace
