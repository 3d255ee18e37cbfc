// The claim on Windows (kernel mutex, run under Wine): a claim whose holder
// thread ended without releasing it is abandoned; the next ClaimDevice is
// told so once and refuses with 102 (OPOS_E_CLAIMED) without keeping the
// mutex, and the claim after it succeeds.
#include <process.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "service_object/core/capture_log.h"
#include "service_object/core/claim.h"
#include "service_object/core/device.h"

namespace {

const char kClaimedWarning[] =
    "Warning: ClaimDevice: The device has already been claimed by another application.";

class TestDevice : public CDevice {
 public:
  TestDevice() : CDevice("QVCOposPrinter") {}
  using CDevice::AcquireClaim;
  using CDevice::m_flags;
  using CDevice::OpenClaimMutex;
  using CDevice::ReleaseClaim;
};

TEST(DeviceClaimWin32Test, AbandonedClaimIsRefusedOnceAndNotKept) {
  const std::string name = "QV_Test_Claim_" + std::to_string(_getpid());
  ClaimedDeviceCount = 0;
  CCaptureLog log;
  TestDevice holder;
  holder.OpenClaimMutex(name);
  std::thread([&] { EXPECT_EQ(holder.AcquireClaim(0), OPOS_SUCCESS); }).join();
  ClaimedDeviceCount = 0;  // the holder's thread ended without releasing

  TestDevice printer;
  printer.OpenClaimMutex(name);
  EXPECT_EQ(printer.AcquireClaim(0), OPOS_E_CLAIMED);
  EXPECT_FALSE(printer.m_flags & kFlagClaimed);
  EXPECT_EQ(ClaimedDeviceCount, 0);
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Lines()[0].text, kClaimedWarning);

  // The refused claim did not keep the mutex: another thread gets it.
  std::thread([&] {
    TestDevice other;
    other.OpenClaimMutex(name);
    EXPECT_EQ(other.AcquireClaim(0), OPOS_SUCCESS);
    EXPECT_TRUE(other.ReleaseClaim());
  }).join();
  EXPECT_EQ(printer.AcquireClaim(0), OPOS_SUCCESS);
  EXPECT_TRUE(printer.ReleaseClaim());
}

}  // namespace
