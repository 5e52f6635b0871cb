#include "tests/support/Scenario.h"

#include <algorithm>
#include <stdexcept>

#include "platform/clock.h"
#include "platform/commapi/virtual_device.h"
#include "platform/threads.h"

namespace scenario {

namespace {

std::string DeviceNameOf(comms::TPortType port) {
  return "\\\\.\\COM" + std::to_string(static_cast<int>(port) + 1);
}

toolkit::TMenuItem* PortItem(TMain_Form& form, comms::TPortType port) {
  toolkit::TMenuItem* items[] = {form.COM11, form.COM21, form.COM31, form.COM41, form.COM51,
                                 form.COM61, form.COM71, form.COM81, form.COM91, form.COM101};
  return port < std::size(items) ? items[port] : nullptr;
}

toolkit::TMenuItem* LevelItem(TMain_Form& form, std::uint8_t level) {
  toolkit::TMenuItem* items[] = {form.Summary, form.Minimal, form.Normal, form.Verbose, form.Debug};
  if (level >= std::size(items)) throw std::invalid_argument("message level out of range");
  return items[level];
}

}  // namespace

struct Scenario::Impl {
  std::string deviceName;
  toolkit::HeadlessBackend* ui = nullptr;  // owned by the Application
  std::shared_ptr<sim::SimulatedModem> modem;
  std::unique_ptr<TMain_Form> form;
};

Scenario::Scenario(Options options) : impl_(std::make_unique<Impl>()) {
  platform::SetMainThread();
  platform::clock::UseVirtualTime(true);
  auto& app = toolkit::Application::Instance();
  app.Reset();
  auto backend = std::make_unique<toolkit::HeadlessBackend>();
  impl_->ui = backend.get();
  app.SetBackend(std::move(backend));

  impl_->modem = sim::SimulatedModem::Create(options.profile);
  if (!impl_->modem) throw std::invalid_argument("unknown modem profile: " + options.profile);
  impl_->deviceName = DeviceNameOf(options.port);
  commapi::BindVirtualDevice(impl_->deviceName, impl_->modem);

  impl_->form = std::make_unique<TMain_Form>();
  TMain_Form& form = *impl_->form;
  toolkit::TMenuItem* portItem = PortItem(form, options.port);
  if (!portItem) throw std::invalid_argument("no menu item for that port");
  Click(portItem);
  Click(LevelItem(form, options.level));
  if (options.nextel) Click(form.NextelPhone);
  if (options.phone) {
    impl_->ui->promptAnswers.push_back(*options.phone);
    Click(form.N1);
  }
}

Scenario::~Scenario() {
  impl_->form.reset();  // closes the port and stops its monitoring thread
  commapi::UnbindVirtualDevice(impl_->deviceName);
  impl_->modem.reset();
  toolkit::Application::Instance().Reset();
  platform::clock::UseVirtualTime(false);
}

TMain_Form& Scenario::Form() { return *impl_->form; }
sim::SimulatedModem& Scenario::Modem() { return *impl_->modem; }
toolkit::HeadlessBackend& Scenario::Ui() { return *impl_->ui; }

void Scenario::Click(toolkit::TMenuItem* item) { item->Click(); }

void Scenario::PowerCycleWhenAsked() {
  impl_->ui->onMessageBox = [this](const toolkit::HeadlessBackend::Box& box) {
    if (box.caption != "Action Required") return;
    Modem().PowerCycle();
    auto& app = toolkit::Application::Instance();
    for (int step = 0; step < 50 && !Modem().Powered(); ++step) {
      app.ProcessMessages();
      platform::clock::Sleep(100);
    }
    app.ProcessMessages();
  };
}

std::vector<std::string> Scenario::Log() const { return impl_->form->Output_Memo.Lines(); }

std::string Scenario::Clipboard() const { return impl_->ui->clipboard; }

std::vector<std::string> Tail(const std::vector<std::string>& log, std::size_t n) {
  return std::vector<std::string>(log.end() - std::min(n, log.size()), log.end());
}

bool Contains(const std::vector<std::string>& log, const std::string& line) {
  return std::find(log.begin(), log.end(), line) != log.end();
}

bool ContainsRun(const std::vector<std::string>& log, const std::vector<std::string>& expected) {
  if (expected.empty()) return true;
  return std::search(log.begin(), log.end(), expected.begin(), expected.end()) != log.end();
}

}  // namespace scenario
