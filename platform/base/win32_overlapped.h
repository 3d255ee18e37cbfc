// Internal to the Win32 backends: waiting for one overlapped transfer, as
// the device files and sockets do. Include it after the platform headers.
#ifndef QV_PLATFORM_BASE_WIN32_OVERLAPPED_H_
#define QV_PLATFORM_BASE_WIN32_OVERLAPPED_H_

#include <windows.h>

#include <cerrno>
#include <cstddef>
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

// Writes all `size` bytes at `bytes` by calling `write(bytes, size, &moved)`
// (one overlapped write of what is left) until everything has moved or a
// call fails; a call that moves nothing fails with EIO. `*written`
// (optional) receives the bytes that moved.
template <typename WriteOnce>
int WriteAll(WriteOnce write, const void* bytes, size_t size, size_t* written) {
  auto* next = static_cast<char*>(const_cast<void*>(bytes));
  size_t done = 0;
  int rc = 0;
  while (done < size && rc == 0) {
    size_t moved = 0;
    rc = write(next + done, size - done, &moved);
    done += moved;
    if (rc == 0 && moved == 0) rc = EIO;
  }
  if (written != nullptr) *written = done;
  return rc;
}

}  // namespace qvplatform

#endif  // QV_PLATFORM_BASE_WIN32_OVERLAPPED_H_
