#include "service_object/comm/write_bound.h"

#include "platform/base/clock.h"

int64_t WriteBoundMs(size_t bytes, int64_t baud_rate) {
  const int64_t count = static_cast<int64_t>(bytes);
  int64_t line_ms;
  if (baud_rate > 0) {
    line_ms = count * 12 * 1000 / baud_rate;
  } else {
    line_ms = count * 1000 / kMinimumBytesPerSecond;
  }
  return qvplatform::ScaledMs(kWriteAllowanceMs + 2 * line_ms);
}
