// How the kernel has bound the present USB devices of one vendor and
// product: which driver serves each interface and which usblp nodes exist,
// so a caller can tell a printer that usblp serves from one that a libusb
// program has claimed (its interface's driver is then "usbfs") or that no
// driver serves (usblp not loaded or blacklisted). On Windows, the function
// driver SetupAPI names for the device.
//
// Read from udev on every call; without udev (no sysfs) nothing is found.
// Any thread.
#ifndef QV_PLATFORM_DEVICES_USB_BINDINGS_H_
#define QV_PLATFORM_DEVICES_USB_BINDINGS_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qvplatform {

// The USB interface class of printers.
inline constexpr int kUsbClassPrinter = 0x07;

struct UsbInterfaceBinding {
  std::string name;         // "1-1.2:1.0"
  int interfaceClass = -1;  // bInterfaceClass, -1 when unreadable
  std::string driver;       // "usblp", "usbfs", ...; empty when none
};

struct UsbDeviceBinding {
  std::string portPath;                           // "1-1.2"
  std::string instance;                           // UsbPrinterInstance of serial and port path
  std::filesystem::path node;                     // "/dev/bus/usb/001/004", where libusb opens it
  std::vector<UsbInterfaceBinding> interfaces;    // sorted by name
  std::vector<std::filesystem::path> usblpNodes;  // "/dev/usb/lp0"
};

std::vector<UsbDeviceBinding> QueryUsbDeviceBindings(uint16_t vendor_id, uint16_t product_id);

}  // namespace qvplatform

#endif  // QV_PLATFORM_DEVICES_USB_BINDINGS_H_
