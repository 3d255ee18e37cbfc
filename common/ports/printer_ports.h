// The print spooler's port list as the tools read it (EnumPorts, level 2):
// an array of PORT_INFO_2W in one block allocated by the library, with the
// strings stored in the same block behind the records, as the spooler fills
// it. The caller releases the block with FreePrinterPorts.
//
// enumPrinterPorts returns null with *count 0 for an empty list, and null
// with *count untouched when the block cannot be allocated. Any thread.
#ifndef QV_COMMON_PORTS_PRINTER_PORTS_H_
#define QV_COMMON_PORTS_PRINTER_PORTS_H_

#include <cstdint>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/devices/spooler_ports.h"

struct PORT_INFO_2W {
  char16_t* pPortName;     // "COM1:", "LPT1:", "FILE:"
  char16_t* pMonitorName;  // "Local Port"
  char16_t* pDescription;  // "Serial Port", "Printer Port", "Print to File"
  DWORD fPortType;
  DWORD Reserved;
};

extern "C" {

PORT_INFO_2W* enumPrinterPorts(int32_t* count);

// Releases a block returned by enumPrinterPorts (null is allowed).
void FreePrinterPorts(PORT_INFO_2W* ports);

}  // extern "C"

namespace qvports {

// The bytes the block for `ports` takes: the records and every string with
// its terminator (what the spooler reports as needed). 0 for no port.
size_t PrinterPortsBytes(const std::vector<qvplatform::PortInfo2>& ports);

// The packing part of enumPrinterPorts over a given spooler list.
PORT_INFO_2W* PackPrinterPorts(const std::vector<qvplatform::PortInfo2>& ports, int32_t* count);

}  // namespace qvports

#endif  // QV_COMMON_PORTS_PRINTER_PORTS_H_
