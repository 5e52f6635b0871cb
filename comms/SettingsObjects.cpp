// The three settings objects of the port: each setter stores a changed value
// and asks the owning port to re-apply its part of the device settings.
#include "comms/Comms.h"
#include "comms/StoreIfChanged.h"

namespace comms {

// AssignTo copies the values but keeps the destination's owner: a settings
// object that pointed at another port would re-apply its changes to that
// port's device, and dangle once that port is gone.

void TComTimeouts::AssignTo(rtl::TPersistent& dest) const {
  auto* target = dynamic_cast<TComTimeouts*>(&dest);
  if (!target) return rtl::TPersistent::AssignTo(dest);
  target->readInterval_ = readInterval_;
  target->readTotalMultiplier_ = readTotalMultiplier_;
  target->readTotalConstant_ = readTotalConstant_;
  target->writeTotalMultiplier_ = writeTotalMultiplier_;
  target->writeTotalConstant_ = writeTotalConstant_;
}

void TComTimeouts::SetReadInterval(std::int32_t value) {
  if (StoreIfChanged(readInterval_, value)) owner_->ApplyTimeouts();
}
void TComTimeouts::SetReadTotalMultiplier(std::int32_t value) {
  if (StoreIfChanged(readTotalMultiplier_, value)) owner_->ApplyTimeouts();
}
void TComTimeouts::SetReadTotalConstant(std::int32_t value) {
  if (StoreIfChanged(readTotalConstant_, value)) owner_->ApplyTimeouts();
}
void TComTimeouts::SetWriteTotalMultiplier(std::int32_t value) {
  if (StoreIfChanged(writeTotalMultiplier_, value)) owner_->ApplyTimeouts();
}
void TComTimeouts::SetWriteTotalConstant(std::int32_t value) {
  if (StoreIfChanged(writeTotalConstant_, value)) owner_->ApplyTimeouts();
}

void TFlowControl::AssignTo(rtl::TPersistent& dest) const {
  auto* target = dynamic_cast<TFlowControl*>(&dest);
  if (!target) return rtl::TPersistent::AssignTo(dest);
  target->outCtsFlow_ = outCtsFlow_;
  target->outDsrFlow_ = outDsrFlow_;
  target->controlDtr_ = controlDtr_;
  target->controlRts_ = controlRts_;
  target->xonXoffOut_ = xonXoffOut_;
  target->xonXoffIn_ = xonXoffIn_;
}

void TFlowControl::SetOutCtsFlow(bool value) {
  if (StoreIfChanged(outCtsFlow_, value)) owner_->ApplyState();
}
void TFlowControl::SetOutDsrFlow(bool value) {
  if (StoreIfChanged(outDsrFlow_, value)) owner_->ApplyState();
}
void TFlowControl::SetControlDtr(TDtrFlowControl value) {
  if (StoreIfChanged(controlDtr_, value)) owner_->ApplyState();
}
void TFlowControl::SetControlRts(TRtsFlowControl value) {
  if (StoreIfChanged(controlRts_, value)) owner_->ApplyState();
}
void TFlowControl::SetXonXoffOut(bool value) {
  if (StoreIfChanged(xonXoffOut_, value)) owner_->ApplyState();
}
void TFlowControl::SetXonXoffIn(bool value) {
  if (StoreIfChanged(xonXoffIn_, value)) owner_->ApplyState();
}

void TParity::AssignTo(rtl::TPersistent& dest) const {
  auto* target = dynamic_cast<TParity*>(&dest);
  if (!target) return rtl::TPersistent::AssignTo(dest);
  target->bits_ = bits_;
  target->check_ = check_;
  target->replace_ = replace_;
  target->replaceChar_ = replaceChar_;
}

void TParity::SetBits(TParityBits value) {
  if (StoreIfChanged(bits_, value)) owner_->ApplyState();
}
void TParity::SetCheck(bool value) {
  if (StoreIfChanged(check_, value)) owner_->ApplyState();
}
void TParity::SetReplace(bool value) {
  if (StoreIfChanged(replace_, value)) owner_->ApplyState();
}
void TParity::SetReplaceChar(std::uint8_t value) {
  if (StoreIfChanged(replaceChar_, value)) owner_->ApplyState();
}

}  // namespace comms
