// Internal to platform/devices on Windows: walks the present device
// interfaces of one interface class with SetupAPI (SetupDiGetClassDevs with
// DIGCF_PRESENT | DIGCF_DEVICEINTERFACE) and hands each one's facts to a
// callback, the counterpart of udev_scan.h. Text is in the ANSI code page.
// Any thread.
#ifndef QV_PLATFORM_DEVICES_SETUPAPI_SCAN_WIN32_H_
#define QV_PLATFORM_DEVICES_SETUPAPI_SCAN_WIN32_H_

#include <windows.h>

#include <functional>
#include <string>

namespace qvplatform {

struct DeviceInterfaceFacts {
  std::string devicePath;    // the interface path, as CreateFile opens it
  std::string friendlyName;  // SPDRP_FRIENDLYNAME, may be empty
  std::string description;   // SPDRP_DEVICEDESC
  std::string location;      // SPDRP_LOCATION_INFORMATION, may be empty
  std::string hardwareId;    // the first SPDRP_HARDWAREID, e.g. "USB\VID_067B&PID_2303&REV_0300"
  std::string portName;      // the device key's "PortName" value (serial ports), may be empty
};

// The interface classes of USB devices and of serial ports.
constexpr GUID kUsbDeviceInterfaceClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
constexpr GUID kComPortInterfaceClass = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

void ScanDeviceInterfaces(const GUID& interface_class,
                          const std::function<void(const DeviceInterfaceFacts&)>& visit);

}  // namespace qvplatform

#endif  // QV_PLATFORM_DEVICES_SETUPAPI_SCAN_WIN32_H_
