// Internal to platform/devices: walks the devices of one udev subsystem
// (present devices only, as SetupDiGetClassDevs with DIGCF_PRESENT) and
// hands each one's facts to a callback. Without udev (no sysfs) the walk
// finds nothing. Any thread.
#ifndef QV_PLATFORM_DEVICES_UDEV_SCAN_H_
#define QV_PLATFORM_DEVICES_UDEV_SCAN_H_

#include <functional>
#include <string>

namespace qvplatform {

struct UdevDeviceFacts {
  std::string sysname;       // "ttyUSB0"
  std::string devnode;       // "/dev/ttyUSB0"; empty when the device has no node
  std::string model;         // udev ID_MODEL_FROM_DATABASE or ID_MODEL, else the USB product
  std::string sysType;       // the "type" attribute (serial ports: 0 when no UART)
  bool onUsb = false;        // has a USB device above it
  std::string usbVendorId;   // "0fe6" (idVendor of the USB device above)
  std::string usbProductId;  // "811e"
  std::string usbSerial;     // "serial" attribute, may be empty
  std::string usbPath;       // the USB device's sysname, e.g. "1-1.2"
  std::string usbProduct;    // "product" attribute
};

void ScanUdevSubsystem(const char* subsystem,
                       const std::function<void(const UdevDeviceFacts&)>& visit);

}  // namespace qvplatform

#endif  // QV_PLATFORM_DEVICES_UDEV_SCAN_H_
