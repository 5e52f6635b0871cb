#include "platform/commapi/transfer_timeouts.h"

#include <algorithm>
#include <cstdint>

namespace commapi {

namespace {

std::optional<std::int64_t> TotalLimit(DWORD multiplier, DWORD constant, DWORD bytes) {
  if (multiplier == 0 && constant == 0) return std::nullopt;
  // Unsigned 64 bits hold any product of two 32-bit values plus a third.
  const std::uint64_t limit = std::uint64_t{multiplier} * bytes + constant;
  return static_cast<std::int64_t>(std::min<std::uint64_t>(limit, INT64_MAX));
}

}  // namespace

ReadPlan PlanRead(const COMMTIMEOUTS& timeouts, DWORD toRead) {
  ReadPlan plan;
  const bool noInterval = timeouts.ReadIntervalTimeout == MAXDWORD;
  if (noInterval && timeouts.ReadTotalTimeoutMultiplier == 0 &&
      timeouts.ReadTotalTimeoutConstant == 0) {
    plan.immediate = true;
    return plan;
  }
  if (noInterval && timeouts.ReadTotalTimeoutMultiplier == MAXDWORD &&
      timeouts.ReadTotalTimeoutConstant != 0 && timeouts.ReadTotalTimeoutConstant != MAXDWORD) {
    plan.returnOnAny = true;
    plan.total = timeouts.ReadTotalTimeoutConstant;
    return plan;
  }
  plan.total = TotalLimit(timeouts.ReadTotalTimeoutMultiplier, timeouts.ReadTotalTimeoutConstant,
                          toRead);
  if (!noInterval && timeouts.ReadIntervalTimeout != 0) plan.interval = timeouts.ReadIntervalTimeout;
  return plan;
}

std::optional<std::int64_t> WriteLimit(const COMMTIMEOUTS& timeouts, DWORD toWrite) {
  return TotalLimit(timeouts.WriteTotalTimeoutMultiplier, timeouts.WriteTotalTimeoutConstant,
                    toWrite);
}

}  // namespace commapi
