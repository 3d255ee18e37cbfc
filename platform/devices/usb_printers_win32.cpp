// USB devices on Windows: the present interfaces of GUID_DEVINTERFACE_USB_DEVICE.
#include "platform/devices/usb_printers.h"

#include "platform/devices/setupapi_scan_win32.h"

namespace qvplatform {

std::vector<UsbPrinterInfo> EnumerateUsbPrinters() {
  std::vector<UsbPrinterInfo> printers;
  ScanDeviceInterfaces(kUsbDeviceInterfaceClass, [&](const DeviceInterfaceFacts& facts) {
    UsbPrinterInfo info;
    info.devicePath = facts.devicePath;
    if (std::optional<UsbDeviceId> id = ParseUsbDeviceName(facts.devicePath)) {
      info.vendorId = id->vendorId;
      info.productId = id->productId;
      info.instance = id->instance;
    }
    info.description = facts.description.empty() ? "USB Printing Support" : facts.description;
    info.node = facts.devicePath;
    printers.push_back(std::move(info));
  });
  return printers;
}

}  // namespace qvplatform
