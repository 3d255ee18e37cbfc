// Serial-port enumeration: the present serial ports as the Windows device
// interface class of COM ports (GUID_DEVINTERFACE_COMPORT) lists them.
//
// Ports come from two places: the device map's comN links whose target
// exists (a pseudo-terminal included), and the tty devices udev knows that
// have a default COM name (device_map.h) and no link of their own; legacy
// UARTs that report no hardware (type 0) are left out. Each entry's friendly
// name ends in " (COMn)", so code that takes the port name out of the
// friendly name works unchanged. Sorted by port number. Any thread.
#ifndef QV_PLATFORM_DEVICES_SERIAL_PORTS_H_
#define QV_PLATFORM_DEVICES_SERIAL_PORTS_H_

#include <filesystem>
#include <string>
#include <vector>

namespace qvplatform {

struct SerialPortInfo {
  std::string devicePath;           // "\\?\<source>#<name>#{86e0d1e0-...}"
  std::string portName;             // "COM3"
  std::string friendlyName;         // "USB Serial Port (COM3)"
  std::string description;          // "USB Serial Port"
  std::string locationInformation;  // begins "USB" for a port on USB, else empty
  bool onUsb = false;
  std::string vendorId;        // "067b" for a USB port, else empty
  std::string productId;       // "2303"
  std::filesystem::path node;  // the device node the name maps to
  bool mapped = false;         // true when it comes from a device-map link
};

std::vector<SerialPortInfo> EnumerateSerialPorts();

}  // namespace qvplatform

#endif  // QV_PLATFORM_DEVICES_SERIAL_PORTS_H_
