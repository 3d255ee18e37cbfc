#include "platform/base/win32_errno.h"

#include <windows.h>
#include <winsock2.h>

#include <cerrno>

namespace qvplatform {

int ErrnoFromWin32(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS: return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case WSAEACCES: return EACCES;
    case ERROR_INVALID_HANDLE:
    case WSAENOTSOCK: return EBADF;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY: return EBUSY;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_FUNCTION:
    case WSAEINVAL: return EINVAL;
    case ERROR_OPERATION_ABORTED: return ECANCELED;
    case ERROR_SEM_TIMEOUT:
    case WAIT_TIMEOUT:
    case ERROR_TIMEOUT:
    case WSAETIMEDOUT: return ETIMEDOUT;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_NOT_SUPPORTED:
    case ERROR_NOT_READY:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_GEN_FAILURE:
    case ERROR_BROKEN_PIPE:
    case ERROR_BAD_COMMAND:
    case ERROR_HANDLE_EOF: return EIO;
    case WSAECONNREFUSED: return ECONNREFUSED;
    case WSAECONNRESET: return ECONNRESET;
    case WSAECONNABORTED: return ECONNABORTED;
    case WSAENOTCONN: return ENOTCONN;
    case WSAESHUTDOWN: return EPIPE;
    case WSAENETUNREACH: return ENETUNREACH;
    case WSAENETDOWN: return ENETDOWN;
    case WSAEHOSTUNREACH: return EHOSTUNREACH;
    case WSAEADDRNOTAVAIL: return EADDRNOTAVAIL;
    case WSAEAFNOSUPPORT: return EAFNOSUPPORT;
    case WSAEMFILE: return EMFILE;
    case WSAENOBUFS: return ENOBUFS;
    default: return EIO;
  }
}

}  // namespace qvplatform
