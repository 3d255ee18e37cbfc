#include "platform/devices/udev_scan.h"

#include <libudev.h>

#include <memory>

namespace qvplatform {

namespace {

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};

std::string Text(const char* value) { return value != nullptr ? value : ""; }

}  // namespace

void ScanUdevSubsystem(const char* subsystem,
                       const std::function<void(const UdevDeviceFacts&)>& visit) {
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
    UdevDeviceFacts facts;
    facts.sysname = Text(udev_device_get_sysname(device.get()));
    facts.devnode = Text(udev_device_get_devnode(device.get()));
    facts.sysType = Text(udev_device_get_sysattr_value(device.get(), "type"));
    facts.model = Text(udev_device_get_property_value(device.get(), "ID_MODEL_FROM_DATABASE"));
    if (facts.model.empty()) {
      facts.model = Text(udev_device_get_property_value(device.get(), "ID_MODEL"));
    }
    // The parent is owned by the child: no unref.
    udev_device* usb =
        udev_device_get_parent_with_subsystem_devtype(device.get(), "usb", "usb_device");
    if (usb != nullptr) {
      facts.onUsb = true;
      facts.usbVendorId = Text(udev_device_get_sysattr_value(usb, "idVendor"));
      facts.usbProductId = Text(udev_device_get_sysattr_value(usb, "idProduct"));
      facts.usbSerial = Text(udev_device_get_sysattr_value(usb, "serial"));
      facts.usbPath = Text(udev_device_get_sysname(usb));
      facts.usbProduct = Text(udev_device_get_sysattr_value(usb, "product"));
      if (facts.model.empty()) facts.model = facts.usbProduct;
    }
    visit(facts);
  }
}

}  // namespace qvplatform
