// The decimal code in a channel's error messages ("... (Code:N)."). The
// platform reports errno values; the messages carry the corresponding
// Windows system error code, so they read the same on every platform.
#ifndef QV_SERVICE_OBJECT_COMM_SYSTEM_ERROR_CODE_H_
#define QV_SERVICE_OBJECT_COMM_SYSTEM_ERROR_CODE_H_

#include <cstdint>

// ENOENT 2 (file not found), EACCES/EPERM 5 (access denied), EBADF 6
// (invalid handle), EBUSY 32 (sharing violation), EINVAL 87, ECANCELED 995
// (operation aborted), EIO/ENXIO/ENODEV 1167 (device not connected),
// ETIMEDOUT 1460; anything else 31 (a device failure).
uint32_t SystemErrorCode(int errno_value);

#endif  // QV_SERVICE_OBJECT_COMM_SYSTEM_ERROR_CODE_H_
