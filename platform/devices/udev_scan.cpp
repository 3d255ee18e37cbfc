#include "platform/devices/udev_scan.h"

#include <memory>

namespace qvplatform {

void ForEachUdevDevice(const char* subsystem, const char* devtype,
                       const std::function<void(udev_device*)>& visit) {
  std::unique_ptr<udev, UdevDeleter> context(udev_new());
  if (!context) return;
  std::unique_ptr<udev_enumerate, UdevDeleter> enumerate(udev_enumerate_new(context.get()));
  if (!enumerate) return;
  udev_enumerate_add_match_subsystem(enumerate.get(), subsystem);
  if (udev_enumerate_scan_devices(enumerate.get()) < 0) return;
  udev_list_entry* entry;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
    std::unique_ptr<udev_device, UdevDeleter> device(
        udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
    if (!device) continue;
    if (devtype != nullptr && UdevText(udev_device_get_devtype(device.get())) != devtype) continue;
    visit(device.get());
  }
}

void ScanUdevSubsystem(const char* subsystem,
                       const std::function<void(const UdevDeviceFacts&)>& visit) {
  ForEachUdevDevice(subsystem, nullptr, [&](udev_device* device) {
    UdevDeviceFacts facts;
    facts.sysname = UdevText(udev_device_get_sysname(device));
    facts.devnode = UdevText(udev_device_get_devnode(device));
    facts.sysType = UdevText(udev_device_get_sysattr_value(device, "type"));
    facts.model = UdevText(udev_device_get_property_value(device, "ID_MODEL_FROM_DATABASE"));
    if (facts.model.empty()) {
      facts.model = UdevText(udev_device_get_property_value(device, "ID_MODEL"));
    }
    // The parent is owned by the child: no unref.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    if (usb != nullptr) {
      facts.onUsb = true;
      facts.usbVendorId = UdevText(udev_device_get_sysattr_value(usb, "idVendor"));
      facts.usbProductId = UdevText(udev_device_get_sysattr_value(usb, "idProduct"));
      facts.usbSerial = UdevText(udev_device_get_sysattr_value(usb, "serial"));
      facts.usbPath = UdevText(udev_device_get_sysname(usb));
      facts.usbProduct = UdevText(udev_device_get_sysattr_value(usb, "product"));
      if (facts.model.empty()) facts.model = facts.usbProduct;
    }
    visit(facts);
  });
}

}  // namespace qvplatform
