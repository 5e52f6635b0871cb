// The overlapped record as the emulation fills it: Internal holds the
// outcome (kPending while in progress, else an error code, 0 for success),
// InternalHigh the bytes transferred. Internal is written last with release
// order and read with acquire order, so the thread that sees a completion
// also sees the count and any event mask written with it.
#pragma once

#include "platform/commapi/commapi.h"

namespace commapi {

constexpr ULONG_PTR kPending = 0x103;

// A transfer or wait starts: the record is in progress and its event reset.
void BeginOperation(OVERLAPPED* overlapped);

// The operation ended with `error` (0 = success) after `count` bytes; the
// record's event is set. A null record is ignored.
void CompleteOperation(OVERLAPPED* overlapped, DWORD error, DWORD count);

// A transfer that finished within the call: fills the caller's count and the
// record, and returns TRUE.
BOOL CompletedTransfer(OVERLAPPED* overlapped, DWORD* transferred, DWORD count);

}  // namespace commapi
