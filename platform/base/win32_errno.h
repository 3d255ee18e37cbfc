// Internal to the Win32 backends: the errno value that stands for a Win32 or
// Winsock error code in the platform interfaces, which report errno values
// on every system (the channels turn them back into Windows codes for their
// messages).
#ifndef QV_PLATFORM_BASE_WIN32_ERRNO_H_
#define QV_PLATFORM_BASE_WIN32_ERRNO_H_

#include "platform/base/wintypes.h"

namespace qvplatform {

// ERROR_SUCCESS gives 0. File and device errors: not found ENOENT, access
// denied EACCES, invalid handle EBADF, sharing violation EBUSY, invalid
// parameter EINVAL, operation aborted ECANCELED, time-outs ETIMEDOUT, a
// device or pipe that went away EIO, out of memory ENOMEM. Winsock errors
// map to the errno of the same name. Anything else is EIO.
int ErrnoFromWin32(DWORD error);

}  // namespace qvplatform

#endif  // QV_PLATFORM_BASE_WIN32_ERRNO_H_
