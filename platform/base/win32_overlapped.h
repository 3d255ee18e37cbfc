// Internal to the Win32 backends: waiting for one overlapped transfer, as
// the device files and sockets do. Include it after the platform headers.
#ifndef QV_PLATFORM_BASE_WIN32_OVERLAPPED_H_
#define QV_PLATFORM_BASE_WIN32_OVERLAPPED_H_

#include <windows.h>

#include <cerrno>
#include <cstdint>

#include "platform/base/win32_wait.h"

namespace qvplatform {

// Waits until the transfer that `ov` describes (started on `handle`, its
// event in ov->hEvent) completes, `wake` is set or `deadline_ms` passes; in
// the last two cases the transfer is cancelled. Returns 0 when it completed
// by itself, else ECANCELED (woken), ETIMEDOUT or EIO. Either way the caller
// then fetches the transfer's result, which tells what moved before a cancel
// took effect.
inline int AwaitOverlapped(HANDLE handle, OVERLAPPED* ov, HANDLE wake, int64_t deadline_ms) {
  HANDLE waits[2] = {ov->hEvent, wake};
  DWORD woke = WaitForMultipleObjects(2, waits, FALSE, Win32TimeLeft(deadline_ms));
  if (woke == WAIT_OBJECT_0) return 0;
  CancelIoEx(handle, ov);
  return woke == WAIT_OBJECT_0 + 1 ? ECANCELED : woke == WAIT_TIMEOUT ? ETIMEDOUT : EIO;
}

}  // namespace qvplatform

#endif  // QV_PLATFORM_BASE_WIN32_OVERLAPPED_H_
