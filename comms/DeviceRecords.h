// The translation of the port's settings into the device's records. Both
// raise rtl::ERangeError for a value the record cannot hold, before anything
// reaches the device.
#pragma once

#include "comms/Comms.h"

namespace comms {

commapi::DCB BuildControlBlock(TComPort& port);
commapi::COMMTIMEOUTS BuildTimeouts(const TComTimeouts& timeouts);

}  // namespace comms
