// One-shot uses of a logical device through the control objects:
//   qvopos print LDN [TEXT|-]   prints TEXT (or standard input) on the receipt station
//   qvopos drawer open LDN      opens the cash drawer
//   qvopos status LDN           cover, paper and drawer as the devices report them
// Each opens, claims and enables the device, does its work, then releases
// and closes it. Main thread (they call CoInitialize themselves).
#ifndef QV_CLI_DEVICE_ACTIONS_H_
#define QV_CLI_DEVICE_ACTIONS_H_

#include <string>

#include "cli/cli_util.h"
#include "control_objects/opos_device.h"

namespace qvcli {

// Open, ClaimDevice(1000) and DeviceEnabled = true, then waits (bounded)
// for the device's first status report, which shows that the connection to
// the printer is up. On failure the reason names the step and its result
// code, and the device is left closed.
bool OpenClaimEnable(qvopos::OposDevice* device, const std::u16string& ldn, std::string* reason);
// DeviceEnabled = false, ReleaseDevice, Close (results ignored).
void DisableReleaseClose(qvopos::OposDevice* device);

int RunPrint(Args args);
int RunDrawerOpen(Args args);
int RunStatus(Args args);

}  // namespace qvcli

#endif  // QV_CLI_DEVICE_ACTIONS_H_
