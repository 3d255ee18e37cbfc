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

bool ParseHex4(std::string_view text, uint16_t* value) {
  if (text.size() != 4) return false;
  unsigned result = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    result = result * 16 + static_cast<unsigned>(digit);
  }
  *value = static_cast<uint16_t>(result);
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
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

std::optional<UsbDeviceId> ParseUsbDeviceName(std::string_view name) {
  if (StartsWithNoCase(name, "\\\\?\\")) name = name.substr(4);
  // usb#vid_xxxx&pid_xxxx#instance[#{guid}]
  if (name.size() < 22 || !StartsWithNoCase(name, "usb#vid_") ||
      !StartsWithNoCase(name.substr(12), "&pid_") || name[21] != '#') {
    return std::nullopt;
  }
  UsbDeviceId id;
  if (!ParseHex4(name.substr(8, 4), &id.vendorId) ||
      !ParseHex4(name.substr(17, 4), &id.productId)) {
    return std::nullopt;
  }
  std::string_view rest = name.substr(22);
  size_t last = rest.rfind('#');
  if (last != std::string_view::npos && last + 1 < rest.size() && rest[last + 1] == '{') {
    rest = rest.substr(0, last);
  }
  if (rest.empty() || rest.find('#') != std::string_view::npos) return std::nullopt;
  id.instance = std::string(rest);
  return id;
}

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
    if (!ParseHex4(facts.usbVendorId, &vendor_id) || !ParseHex4(facts.usbProductId, &product_id)) {
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
