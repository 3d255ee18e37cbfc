#include "platform/devices/usb_printers.h"

#include <cctype>
#include <set>
#include <system_error>

#include "platform/base/prefix.h"
#include "platform/devices/device_map.h"
#include "platform/devices/udev_scan.h"

namespace qvplatform {

namespace {

std::filesystem::path Canonical(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path out = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : out;
}

UsbPrinterInfo MakeInfo(uint16_t vendor_id, uint16_t product_id, const std::string& instance) {
  UsbPrinterInfo info;
  info.vendorId = vendor_id;
  info.productId = product_id;
  info.instance = instance;
  info.devicePath = "\\\\?\\" + UsbPrinterLinkName(vendor_id, product_id, instance) + "#" +
                    kGuidDevInterfaceUsbDevice;
  return info;
}

}  // namespace

std::vector<UsbPrinterInfo> EnumerateUsbPrinters() {
  std::vector<UsbPrinterInfo> printers;
  std::set<std::filesystem::path> linked_nodes;
  for (const DosDeviceLink& link : QueryDosDevices()) {
    std::optional<UsbDeviceId> id = ParseUsbDeviceName(link.name);
    if (!id) continue;
    std::filesystem::path target =
        link.target.is_absolute() ? link.target : DosDevices() / link.target;
    std::filesystem::path node = Canonical(target);
    std::error_code ec;
    if (!std::filesystem::exists(node, ec)) continue;
    UsbPrinterInfo info = MakeInfo(id->vendorId, id->productId, id->instance);
    info.node = node;
    info.mapped = true;
    info.description = "USB Printing Support";
    linked_nodes.insert(node);
    printers.push_back(std::move(info));
  }
  ScanUdevSubsystem("usbmisc", [&](const UdevDeviceFacts& facts) {
    if (facts.sysname.rfind("lp", 0) != 0 || facts.devnode.empty() || !facts.onUsb) return;
    if (linked_nodes.count(Canonical(facts.devnode)) != 0) return;
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    if (!ParseUsbId(facts.usbVendorId, &vendor_id) ||
        !ParseUsbId(facts.usbProductId, &product_id)) {
      return;
    }
    std::string instance = facts.usbSerial;
    bool usable = !instance.empty();
    for (char c : instance) {
      if (c == '#' || c == '\\' || c == '/' || std::isspace(static_cast<unsigned char>(c))) {
        usable = false;
      }
    }
    if (!usable) instance = facts.usbPath;
    UsbPrinterInfo info = MakeInfo(vendor_id, product_id, instance);
    info.node = facts.devnode;
    info.description = facts.usbProduct.empty() ? "USB Printing Support" : facts.usbProduct;
    printers.push_back(std::move(info));
  });
  return printers;
}

}  // namespace qvplatform
