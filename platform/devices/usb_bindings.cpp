#include "platform/devices/usb_bindings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/devices/udev_scan.h"
#include "platform/devices/usb_printers.h"

namespace qvplatform {

namespace {

std::string HexId(uint16_t id) {
  char text[8];
  std::snprintf(text, sizeof(text), "%04x", id);
  return text;
}

// The usb_device above `device`, or null. Owned by `device`.
udev_device* UsbDeviceAbove(udev_device* device) {
  return udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
}

int InterfaceClass(udev_device* interface) {
  const std::string text = UdevText(udev_device_get_sysattr_value(interface, "bInterfaceClass"));
  if (text.empty()) return -1;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 16);
  return end != nullptr && *end == '\0' ? static_cast<int>(value) : -1;
}

}  // namespace

std::vector<UsbDeviceBinding> QueryUsbDeviceBindings(uint16_t vendor_id, uint16_t product_id) {
  const std::string vendor = HexId(vendor_id);
  const std::string product = HexId(product_id);
  auto matches = [&](udev_device* usb) {
    return UdevText(udev_device_get_sysattr_value(usb, "idVendor")) == vendor &&
           UdevText(udev_device_get_sysattr_value(usb, "idProduct")) == product;
  };

  std::map<std::string, UsbDeviceBinding> devices;  // by port path
  ForEachUdevDevice("usb", "usb_device", [&](udev_device* usb) {
    if (!matches(usb)) return;
    UsbDeviceBinding binding;
    binding.portPath = UdevText(udev_device_get_sysname(usb));
    binding.instance = UsbPrinterInstance(UdevText(udev_device_get_sysattr_value(usb, "serial")),
                                          binding.portPath);
    binding.node = UdevText(udev_device_get_devnode(usb));
    devices[binding.portPath] = std::move(binding);
  });
  if (devices.empty()) return {};

  ForEachUdevDevice("usb", "usb_interface", [&](udev_device* interface) {
    udev_device* usb = UsbDeviceAbove(interface);
    if (usb == nullptr) return;
    auto it = devices.find(UdevText(udev_device_get_sysname(usb)));
    if (it == devices.end()) return;
    it->second.interfaces.push_back({UdevText(udev_device_get_sysname(interface)),
                                     InterfaceClass(interface),
                                     UdevText(udev_device_get_driver(interface))});
  });
  ForEachUdevDevice("usbmisc", nullptr, [&](udev_device* misc) {
    const std::string node = UdevText(udev_device_get_devnode(misc));
    udev_device* usb = UsbDeviceAbove(misc);
    if (node.empty() || usb == nullptr) return;
    if (UdevText(udev_device_get_sysname(misc)).rfind("lp", 0) != 0) return;
    auto it = devices.find(UdevText(udev_device_get_sysname(usb)));
    if (it != devices.end()) it->second.usblpNodes.push_back(node);
  });

  std::vector<UsbDeviceBinding> result;
  for (auto& [path, binding] : devices) {
    std::sort(
        binding.interfaces.begin(), binding.interfaces.end(),
        [](const UsbInterfaceBinding& a, const UsbInterfaceBinding& b) { return a.name < b.name; });
    result.push_back(std::move(binding));
  }
  return result;
}

}  // namespace qvplatform
