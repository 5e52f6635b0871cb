// How the port reports device failures: a fixed text followed by the
// system's error code in decimal.
#pragma once

#include <string>

#include "comms/Comms.h"

namespace comms {

// The calling thread's last system error code as unsigned decimal text.
inline std::string LastErrorText() { return std::to_string(commapi::GetLastError()); }

// Raises EComPort with text and the given code. Callers that release
// resources between the failure and the report pass the code they saw, so
// the cleanup cannot change it.
[[noreturn]] inline void RaiseComError(const std::string& text, commapi::DWORD code) {
  throw EComPort(text + std::to_string(code));
}

[[noreturn]] inline void RaiseComError(const std::string& text) {
  RaiseComError(text, commapi::GetLastError());
}

}  // namespace comms
