// The logical-device checks of `qvopos doctor`. For a printer: its
// interface values are complete; its port resolves through the device map
// to a node that exists and the caller may open; no other process holds the
// node (the program behind a pseudo-terminal, its other end, excepted); a
// USB printer is served by usblp and not claimed by a libusb program; a
// network printer accepts a connection on port 9100 and answers a real-time
// status request, both within 2 s. For a cash drawer: its values are
// complete and its printer exists (and is checked too).
//
// Nothing is opened, claimed or written, except the network status request.
// Main thread.
#ifndef QV_CLI_DOCTOR_DEVICES_H_
#define QV_CLI_DOCTOR_DEVICES_H_

#include "cli/cli_util.h"
#include "cli/doctor_report.h"

namespace qvcli {

// Checks the named logical devices (printer or drawer LDNs, any case), or
// every one of this package when `ldns` is empty. A name that is neither
// fails.
void CheckLogicalDevices(CDoctorReport& report, const Args& ldns);

}  // namespace qvcli

#endif  // QV_CLI_DOCTOR_DEVICES_H_
