// Device names and paths in their Windows forms: the parts of device_map.h
// and usb_printers.h that only read text, the same on every system.
#include <cctype>
#include <cstdio>

#include "platform/devices/device_map.h"
#include "platform/devices/usb_printers.h"

namespace qvplatform {

namespace {

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

}  // namespace

// "\\.\" or "\\?\" in front of a device name.
std::string_view StripDevicePrefix(std::string_view path) {
  if (path.size() >= 4 && path[0] == '\\' && path[1] == '\\' &&
      (path[2] == '.' || path[2] == '?') && path[3] == '\\') {
    return path.substr(4);
  }
  return path;
}

std::string UsbPrinterLinkName(uint16_t vendor_id, uint16_t product_id, std::string_view instance) {
  char head[32];
  std::snprintf(head, sizeof(head), "usb#vid_%04x&pid_%04x#", vendor_id, product_id);
  return std::string(head) + std::string(instance);
}

std::optional<int> ParsePortNumber(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || !StartsWithNoCase(name, prefix)) return std::nullopt;
  int value = 0;
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return std::nullopt;
    value = value * 10 + (name[i] - '0');
    if (value > 100000) return std::nullopt;
  }
  if (value < 1) return std::nullopt;
  return value;
}

bool ParseUsbId(std::string_view text, uint16_t* value) {
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

std::optional<UsbDeviceId> ParseUsbDeviceName(std::string_view name) {
  if (StartsWithNoCase(name, "\\\\?\\")) name = name.substr(4);
  // usb#vid_xxxx&pid_xxxx#instance[#{guid}]
  if (name.size() < 22 || !StartsWithNoCase(name, "usb#vid_") ||
      !StartsWithNoCase(name.substr(12), "&pid_") || name[21] != '#') {
    return std::nullopt;
  }
  UsbDeviceId id;
  if (!ParseUsbId(name.substr(8, 4), &id.vendorId) ||
      !ParseUsbId(name.substr(17, 4), &id.productId)) {
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

}  // namespace qvplatform
