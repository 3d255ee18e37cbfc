// The platform clock. Every sleep, wait and timer period that the driver
// specifies in milliseconds goes through Scaled(), so that tests can shrink
// them all with QV_OPOS_TIME_SCALE (a positive decimal factor, default 1;
// "0.01" makes a 1000 ms wait last 10 ms). Production never sets it.
//
// The scale is read from the environment once, on first use; tests that need
// another value call SetTimeScaleForTesting before starting any thread.
#ifndef QV_PLATFORM_BASE_CLOCK_H_
#define QV_PLATFORM_BASE_CLOCK_H_

#include <chrono>
#include <cstdint>

namespace qvplatform {

// The current factor (> 0).
double TimeScale();
void SetTimeScaleForTesting(double scale);

// A specified period of `ms` milliseconds after scaling. Negative values are
// returned unchanged (callers use -1 for "forever"); a positive period never
// scales below 1 ms, so a scaled period is never mistaken for "poll once".
int64_t ScaledMs(int64_t ms);
std::chrono::milliseconds Scaled(int64_t ms);

// Sleeps for the specified period, scaled (Windows Sleep).
void Sleep(int64_t ms);

// Milliseconds since an arbitrary fixed point, monotonic (GetTickCount64).
uint64_t GetTickCount64();

}  // namespace qvplatform

#endif  // QV_PLATFORM_BASE_CLOCK_H_
