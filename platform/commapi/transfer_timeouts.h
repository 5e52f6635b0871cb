// How long a read or a write on a native port may take under the port's
// COMMTIMEOUTS, in milliseconds.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/commapi/commapi.h"

namespace commapi {

struct ReadPlan {
  bool immediate = false;    // return at once with what is queued
  bool returnOnAny = false;  // return as soon as at least one byte is there
  std::optional<std::int64_t> total;     // limit for the whole read
  std::optional<std::int64_t> interval;  // limit between two bytes, once one came
};

ReadPlan PlanRead(const COMMTIMEOUTS& timeouts, DWORD toRead);

// The limit for writing toWrite bytes; nullopt when writes are not timed.
std::optional<std::int64_t> WriteLimit(const COMMTIMEOUTS& timeouts, DWORD toWrite);

}  // namespace commapi
