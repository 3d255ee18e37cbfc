// How long a channel may take to hand a write to its port before the write
// counts as failed, so that a printer that stops accepting data (flow control
// held, full buffer, stalled connection) gives an error instead of a hang.
//
// The bound is a fixed allowance plus the time the bytes need at the line
// speed, doubled for slack. Serial ports pass their baud rate (12 bits per
// byte covers start, parity and two stop bits); USB, parallel and TCP pass 0
// and are assumed to move at least kMinimumBytesPerSecond. The result is in
// real milliseconds (already scaled by QV_OPOS_TIME_SCALE).
#ifndef QV_SERVICE_OBJECT_COMM_WRITE_BOUND_H_
#define QV_SERVICE_OBJECT_COMM_WRITE_BOUND_H_

#include <cstddef>
#include <cstdint>

constexpr int64_t kWriteAllowanceMs = 2000;
constexpr int64_t kMinimumBytesPerSecond = 8192;

// Windows' ERROR_TIMEOUT, the code a write that exceeded its bound reports.
constexpr uint32_t kWriteTimeoutCode = 1460;

int64_t WriteBoundMs(size_t bytes, int64_t baud_rate);

#endif  // QV_SERVICE_OBJECT_COMM_WRITE_BOUND_H_
