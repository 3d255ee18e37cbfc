#include "platform/devices/usb_printers.h"

#include <cctype>
#include <cstdio>
#include <mutex>
#include <set>
#include <system_error>

#include "platform/base/prefix.h"
#include "platform/devices/device_map.h"
#include "platform/devices/udev_scan.h"

namespace qvplatform {

namespace {

constexpr char kDefaultStableLinkDirectory[] = "/dev/qvopos";

std::mutex g_link_directory_mutex;
std::filesystem::path g_link_directory_override;

std::filesystem::path Canonical(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path out = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : out;
}

bool Exists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// A character that udev keeps unchanged in a link name, '#' and '/' aside.
bool IsPlainChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.' ||
         c == ':' || c == '=' || c == '@' || c == '_';
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

// The usblp devices udev knows, with their ids and instance.
struct UdevPrinter {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  std::string instance;
  std::string node;
  std::string product;
};

template <typename Visit>
void ScanUsblpPrinters(const Visit& visit) {
  ScanUdevSubsystem("usbmisc", [&](const UdevDeviceFacts& facts) {
    if (facts.sysname.rfind("lp", 0) != 0 || facts.devnode.empty() || !facts.onUsb) return;
    UdevPrinter printer;
    if (!ParseUsbId(facts.usbVendorId, &printer.vendorId) ||
        !ParseUsbId(facts.usbProductId, &printer.productId)) {
      return;
    }
    printer.instance = UsbPrinterInstance(facts.usbSerial, facts.usbPath);
    printer.node = facts.devnode;
    printer.product = facts.usbProduct;
    visit(printer);
  });
}

// The stable links whose target exists.
struct StableLink {
  UsbDeviceId id;
  std::filesystem::path path;
};

std::vector<StableLink> StableLinks() {
  std::vector<StableLink> links;
  std::error_code ec;
  std::filesystem::directory_iterator it(StableUsbLinkDirectory(), ec);
  if (ec) return links;
  for (const auto& entry : it) {
    std::optional<UsbDeviceId> id = ParseStableUsbLinkName(entry.path().filename().string());
    if (!id || !Exists(entry.path())) continue;
    links.push_back({*id, entry.path()});
  }
  return links;
}

bool SameId(const UsbDeviceId& a, const UsbDeviceId& b) {
  return a.vendorId == b.vendorId && a.productId == b.productId &&
         EqualNoCase(a.instance, b.instance);
}

}  // namespace

std::string UsbPrinterInstance(std::string_view serial, std::string_view port_path) {
  while (!serial.empty() && std::isspace(static_cast<unsigned char>(serial.back()))) {
    serial.remove_suffix(1);
  }
  bool plain = !serial.empty();
  for (char c : serial) plain = plain && IsPlainChar(c);
  return std::string(plain ? serial : port_path);
}

std::filesystem::path StableUsbLinkDirectory() {
  std::lock_guard<std::mutex> lock(g_link_directory_mutex);
  return g_link_directory_override.empty() ? std::filesystem::path(kDefaultStableLinkDirectory)
                                           : g_link_directory_override;
}

void SetStableUsbLinkDirectoryForTesting(const std::filesystem::path& dir) {
  std::lock_guard<std::mutex> lock(g_link_directory_mutex);
  g_link_directory_override = dir;
}

std::string StableUsbLinkName(uint16_t vendor_id, uint16_t product_id, std::string_view instance) {
  char head[32];
  std::snprintf(head, sizeof(head), "usb-%04x-%04x-", vendor_id, product_id);
  return std::string(head) + std::string(instance);
}

std::optional<UsbDeviceId> ParseStableUsbLinkName(std::string_view name) {
  // usb-vvvv-pppp-instance
  if (name.size() < 15 || !StartsWithNoCase(name, "usb-") || name[8] != '-' || name[13] != '-') {
    return std::nullopt;
  }
  UsbDeviceId id;
  if (!ParseUsbId(name.substr(4, 4), &id.vendorId) ||
      !ParseUsbId(name.substr(9, 4), &id.productId)) {
    return std::nullopt;
  }
  id.instance = std::string(name.substr(14));
  if (id.instance.find('#') != std::string::npos) return std::nullopt;
  return id;
}

std::optional<std::filesystem::path> FindUsbPrinterNode(const UsbDeviceId& id) {
  for (const StableLink& link : StableLinks()) {
    if (SameId(link.id, id)) return link.path;
  }
  std::optional<std::filesystem::path> node;
  ScanUsblpPrinters([&](const UdevPrinter& printer) {
    if (!node && SameId({printer.vendorId, printer.productId, printer.instance}, id)) {
      node = printer.node;
    }
  });
  return node;
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
    if (!Exists(node)) continue;
    UsbPrinterInfo info = MakeInfo(id->vendorId, id->productId, id->instance);
    info.node = node;
    info.mapped = true;
    info.description = "USB Printing Support";
    linked_nodes.insert(node);
    printers.push_back(std::move(info));
  }
  // A stable link stays the printer's node, so that a channel opened on it
  // follows the printer to whatever usblp node it gets next.
  for (const StableLink& link : StableLinks()) {
    if (!linked_nodes.insert(Canonical(link.path)).second) continue;
    UsbPrinterInfo info = MakeInfo(link.id.vendorId, link.id.productId, link.id.instance);
    info.node = link.path;
    info.description = "USB Printing Support";
    printers.push_back(std::move(info));
  }
  ScanUsblpPrinters([&](const UdevPrinter& printer) {
    if (linked_nodes.count(Canonical(printer.node)) != 0) return;
    UsbPrinterInfo info = MakeInfo(printer.vendorId, printer.productId, printer.instance);
    info.node = printer.node;
    info.description = printer.product.empty() ? "USB Printing Support" : printer.product;
    printers.push_back(std::move(info));
  });
  return printers;
}

}  // namespace qvplatform
