// Deadlines for bounded waits on file descriptors: a time-out in real
// milliseconds (-1: none) becomes an absolute deadline on the monotonic
// clock, and the time left becomes a poll() time-out.
#ifndef QV_PLATFORM_BASE_DEADLINE_H_
#define QV_PLATFORM_BASE_DEADLINE_H_

#include <climits>
#include <cstdint>

#include "platform/base/clock.h"

namespace qvplatform {

inline int64_t DeadlineFrom(int64_t timeout_ms) {
  return timeout_ms < 0 ? -1 : static_cast<int64_t>(GetTickCount64()) + timeout_ms;
}

// poll() time-out for the time left until `deadline_ms` (-1: none).
inline int PollTimeout(int64_t deadline_ms) {
  if (deadline_ms < 0) return -1;
  int64_t left = deadline_ms - static_cast<int64_t>(GetTickCount64());
  if (left <= 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

}  // namespace qvplatform

#endif  // QV_PLATFORM_BASE_DEADLINE_H_
