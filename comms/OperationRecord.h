// The record of one overlapped transfer: a zeroed OVERLAPPED whose event is
// its own manual-reset event, created non-signalled. The system writes the
// transfer's completion into it, so it must outlive the transfer.
#pragma once

#include "comms/EventHandle.h"
#include "platform/commapi/commapi.h"

namespace comms {

struct OperationRecord {
  OperationRecord() { overlapped.hEvent = event.Get(); }

  EventHandle event{false};
  commapi::OVERLAPPED overlapped{};
};

}  // namespace comms
