// Process-wide pieces of claiming a device.
//
// Exclusive access across threads and processes is a machine-wide named
// mutex per device class (not per logical device), created or opened by
// OpenService and waited for by ClaimDevice; CDevice holds it (see device.h).
// ClaimedDeviceCount counts the printer and cash drawer objects of the process
// that currently hold a claim; the two classes use it to decide when the
// connection they share may be switched off or closed.
#ifndef QV_SERVICE_OBJECT_CORE_CLAIM_H_
#define QV_SERVICE_OBJECT_CORE_CLAIM_H_

#include <atomic>
#include <cstdint>

constexpr char kPrinterClaimMutexName[] = "QV_OposPrinter";
constexpr char kCashDrawerClaimMutexName[] = "CorvanticOposCashDrawer";

// Raised by every successful claim and lowered by every release, on the
// devices' own threads; atomic because the printer and the cash drawer may
// live on different threads.
extern std::atomic<int32_t> ClaimedDeviceCount;

#endif  // QV_SERVICE_OBJECT_CORE_CLAIM_H_
