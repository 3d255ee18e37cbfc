#include "service_object/comm/system_error_code.h"

#include <cerrno>

uint32_t SystemErrorCode(int errno_value) {
  switch (errno_value) {
    case 0: return 0;
    case ENOENT: return 2;
    case EACCES:
    case EPERM: return 5;
    case EBADF: return 6;
    case EBUSY: return 32;
    case EINVAL: return 87;
    case ECANCELED: return 995;
    case EIO:
    case ENXIO:
    case ENODEV: return 1167;
    case ETIMEDOUT: return 1460;
    default: return 31;
  }
}
