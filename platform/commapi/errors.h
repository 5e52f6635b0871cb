// Error codes for the emulation: the calling thread's last error, and the
// translation of POSIX errno values into the codes callers expect.
#pragma once

#include "platform/commapi/commapi.h"

namespace commapi {

// Sets the last error and returns FALSE, for the common "fail with code" exit.
BOOL Fail(DWORD code);

// ENOENT → ERROR_FILE_NOT_FOUND, EACCES/EBUSY/EWOULDBLOCK → ERROR_ACCESS_DENIED,
// EINVAL → ERROR_INVALID_PARAMETER, EIO/ENXIO/ENODEV → ERROR_DEVICE_NOT_CONNECTED,
// anything else → ERROR_GEN_FAILURE.
DWORD ErrorFromErrno(int error);

}  // namespace commapi
