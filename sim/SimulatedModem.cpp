#include "sim/SimulatedModem.h"

#include <mutex>

#include "sim/ModemCore.h"
#include "sim/ModemProfile.h"

namespace sim {

struct SimulatedModem::Impl {
  // Shared so that clock callbacks can hold it weakly.
  std::shared_ptr<ModemCore> core;
};

const std::vector<ProfileInfo>& Profiles() {
  static const std::vector<ProfileInfo> infos = [] {
    std::vector<ProfileInfo> list;
    for (const Profile& p : ProfileTable())
      list.push_back({std::string(p.name), std::string(p.description)});
    return list;
  }();
  return infos;
}

bool IsProfile(const std::string& name) { return FindProfile(name) != nullptr; }

std::shared_ptr<SimulatedModem> SimulatedModem::Create(const std::string& profile) {
  const Profile* found = FindProfile(profile);
  if (found == nullptr) return nullptr;
  auto core = std::make_shared<ModemCore>(*found);
  core->Start();
  return std::shared_ptr<SimulatedModem>(new SimulatedModem(std::make_unique<Impl>(Impl{core})));
}

SimulatedModem::SimulatedModem(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

SimulatedModem::~SimulatedModem() { impl_->core->Shutdown(); }

void SimulatedModem::PowerCycle() { impl_->core->PowerCycle(); }
void SimulatedModem::Unplug() { impl_->core->Unplug(); }
void SimulatedModem::Attach(commapi::VirtualLine& line) { impl_->core->Attach(line); }
void SimulatedModem::Detach() { impl_->core->Detach(); }
void SimulatedModem::Transmit(std::string_view bytes) { impl_->core->Transmit(bytes); }

void SimulatedModem::Configure(const commapi::DCB& dcb, bool dtr, bool rts) {
  impl_->core->Configure(dcb.BaudRate, dtr, rts);
}

bool SimulatedModem::Powered() const { return impl_->core->Powered(); }
bool SimulatedModem::Present() const { return impl_->core->Present(); }
bool SimulatedModem::CallUp() const { return impl_->core->CallUp(); }
bool SimulatedModem::Dialling() const { return impl_->core->Dialling(); }
bool SimulatedModem::Online() const { return impl_->core->Online(); }
std::uint8_t SimulatedModem::Register(int n) const { return impl_->core->Register(n); }
std::string SimulatedModem::AnsweringSystemReceived() const {
  return impl_->core->AnsweringSystemReceived();
}

void RegisterSimScheme() {
  static std::once_flag once;
  std::call_once(once, [] {
    commapi::RegisterDeviceScheme("sim", [](const std::string& profile) {
      return std::shared_ptr<commapi::VirtualDevice>(SimulatedModem::Create(profile));
    });
  });
}

}  // namespace sim
