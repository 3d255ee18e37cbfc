// Internal to the Win32 backends: a time-out in milliseconds as the platform
// interfaces take it (int64, negative or INFINITE for none) in the DWORD
// form of the Win32 wait functions.
#ifndef QV_PLATFORM_BASE_WIN32_WAIT_H_
#define QV_PLATFORM_BASE_WIN32_WAIT_H_

#include <cstdint>

#include "platform/base/deadline.h"
#include "platform/base/wintypes.h"

namespace qvplatform {

// Negative values and values of INFINITE or more wait without limit.
inline DWORD Win32Timeout(int64_t timeout_ms) {
  if (timeout_ms < 0 || timeout_ms >= static_cast<int64_t>(INFINITE)) return INFINITE;
  return static_cast<DWORD>(timeout_ms);
}

// The wait left until `deadline_ms` (DeadlineFrom; -1 for none).
inline DWORD Win32TimeLeft(int64_t deadline_ms) {
  if (deadline_ms < 0) return INFINITE;
  int64_t left = deadline_ms - static_cast<int64_t>(GetTickCount64());
  return left <= 0 ? 0 : Win32Timeout(left);
}

}  // namespace qvplatform

#endif  // QV_PLATFORM_BASE_WIN32_WAIT_H_
