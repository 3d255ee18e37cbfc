// Internal to platform/devices: walks the devices of one udev subsystem
// (present devices only, as SetupDiGetClassDevs with DIGCF_PRESENT) and
// hands each one's facts to a callback. Without udev (no sysfs) the walk
// finds nothing. Any thread.
#ifndef QV_PLATFORM_DEVICES_UDEV_SCAN_H_
#define QV_PLATFORM_DEVICES_UDEV_SCAN_H_

#include <libudev.h>

#include <functional>
#include <string>

namespace qvplatform {

// Releases libudev objects, for std::unique_ptr.
struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};

// The text of a libudev string, empty for null.
inline std::string UdevText(const char* value) { return value != nullptr ? value : ""; }

// Calls `visit` with every present device of `subsystem` (and of `devtype`
// when not null). The device belongs to the walk: no unref.
void ForEachUdevDevice(const char* subsystem, const char* devtype,
                       const std::function<void(udev_device*)>& visit);

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
