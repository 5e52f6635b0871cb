// <windows.h> for the Windows backend sources that also include commapi.h:
// the macros that commapi.h defines as constants of its own are dropped, so
// both can be used in one source. The values are the same; kernel32's types
// and functions stay reachable as ::DCB, ::ReadFile and so on.
#pragma once

#include <windows.h>

#undef INVALID_HANDLE_VALUE
#undef MAXDWORD
#undef INFINITE
#undef GENERIC_READ
#undef GENERIC_WRITE
#undef OPEN_EXISTING
#undef FILE_FLAG_OVERLAPPED
#undef WAIT_OBJECT_0
#undef WAIT_TIMEOUT
#undef WAIT_FAILED
#undef ERROR_FILE_NOT_FOUND
#undef ERROR_ACCESS_DENIED
#undef ERROR_INVALID_HANDLE
#undef ERROR_GEN_FAILURE
#undef ERROR_INVALID_PARAMETER
#undef ERROR_SEM_TIMEOUT
#undef ERROR_OPERATION_ABORTED
#undef ERROR_IO_INCOMPLETE
#undef ERROR_IO_PENDING
#undef ERROR_DEVICE_NOT_CONNECTED
#undef EV_RXCHAR
#undef EV_RXFLAG
#undef EV_TXEMPTY
#undef EV_CTS
#undef EV_DSR
#undef EV_RLSD
#undef EV_BREAK
#undef EV_ERR
#undef EV_RING
#undef EV_PERR
#undef EV_RX80FULL
#undef MS_CTS_ON
#undef MS_DSR_ON
#undef MS_RING_ON
#undef MS_RLSD_ON
#undef PURGE_TXABORT
#undef PURGE_RXABORT
#undef PURGE_TXCLEAR
#undef PURGE_RXCLEAR
#undef NOPARITY
#undef ODDPARITY
#undef EVENPARITY
#undef MARKPARITY
#undef SPACEPARITY
#undef ONESTOPBIT
#undef ONE5STOPBITS
#undef TWOSTOPBITS
#undef DTR_CONTROL_DISABLE
#undef DTR_CONTROL_ENABLE
#undef DTR_CONTROL_HANDSHAKE
#undef RTS_CONTROL_DISABLE
#undef RTS_CONTROL_ENABLE
#undef RTS_CONTROL_HANDSHAKE
#undef RTS_CONTROL_TOGGLE
