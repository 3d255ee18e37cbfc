// The claim steps of CDevice: the machine-wide claim mutex and
// ClaimedDeviceCount.
#include <string>

#include "service_object/core/claim.h"
#include "service_object/core/device.h"
#include "service_object/core/errors.h"

std::atomic<int32_t> ClaimedDeviceCount{0};

void CDevice::OpenClaimMutex(const std::string& name) {
  std::string error;
  std::unique_ptr<qvplatform::NamedMutex> mutex = qvplatform::NamedMutex::Create(name, &error);
  if (!mutex) throw QVError("Unable to create the claim mutex " + name + ": " + error);
  m_claimMutex = std::move(mutex);
  m_mutexName = name;
}

int32_t CDevice::AcquireClaim(int32_t timeout) {
  qvplatform::WaitResult result = qvplatform::WaitResult::kFailed;
  if (m_claimMutex) result = m_claimMutex->Wait(timeout < 0 ? -1 : timeout);
  if (result != qvplatform::WaitResult::kAcquired) {
    // A holder that died hands the mutex over to us; we report the claim as
    // refused, so we must not keep it.
    if (result == qvplatform::WaitResult::kAbandoned) m_claimMutex->Release();
    TraceWarning(
        "Warning: ClaimDevice: The device has already been claimed by another application.");
    return OPOS_E_CLAIMED;
  }
  m_flags |= kFlagClaimed;
  ++ClaimedDeviceCount;
  return OPOS_SUCCESS;
}

bool CDevice::ReleaseClaim() {
  // Without a claim there is nothing to release and no count to lower.
  if ((m_flags.load() & kFlagClaimed) == 0) return false;
  if (m_claimMutex && m_claimMutex->Release()) {
    Trace(5, "    | Released the mutex that grants exclusive access.");
  }
  m_flags &= ~kFlagClaimed;
  return ClaimedDeviceCount.fetch_sub(1) == 1;
}

void CDevice::CloseClaimMutex() { m_claimMutex.reset(); }
