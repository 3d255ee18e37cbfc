#include "platform/devices/spooler_ports.h"

#include "platform/devices/parallel_ports.h"
#include "platform/devices/serial_ports.h"

namespace qvplatform {

std::vector<PortInfo2> EnumPorts() {
  std::vector<PortInfo2> ports;
  for (const SerialPortInfo& port : EnumerateSerialPorts()) {
    ports.push_back(
        {port.portName + ":", "Local Port", "Serial Port", PORT_TYPE_WRITE | PORT_TYPE_READ});
  }
  for (const ParallelPortInfo& port : EnumerateParallelPorts()) {
    ports.push_back(
        {port.portName + ":", "Local Port", "Printer Port", PORT_TYPE_WRITE | PORT_TYPE_READ});
  }
  ports.push_back({"FILE:", "Local Port", "Print to File", PORT_TYPE_WRITE});
  return ports;
}

}  // namespace qvplatform
