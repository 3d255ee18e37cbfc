// The print spooler's port list (EnumPorts, level 2), synthesised from the
// present ports: "COMn:" for each serial port, "LPTn:" for each parallel
// port (both in port order), then "FILE:". Any thread.
#ifndef QV_PLATFORM_DEVICES_SPOOLER_PORTS_H_
#define QV_PLATFORM_DEVICES_SPOOLER_PORTS_H_

#include <string>
#include <vector>

#include "platform/base/wintypes.h"

namespace qvplatform {

constexpr DWORD PORT_TYPE_WRITE = 0x0001;
constexpr DWORD PORT_TYPE_READ = 0x0002;

// PORT_INFO_2 with owned strings.
struct PortInfo2 {
  std::string pPortName;     // "COM1:", "LPT1:", "FILE:"
  std::string pMonitorName;  // "Local Port"
  std::string pDescription;  // "Serial Port", "Printer Port", "Print to File"
  DWORD fPortType = 0;
};

std::vector<PortInfo2> EnumPorts();

}  // namespace qvplatform

#endif  // QV_PLATFORM_DEVICES_SPOOLER_PORTS_H_
