// Device names on Windows: the system maps them itself.
#include "platform/devices/device_map.h"

#include <cctype>

namespace qvplatform {

std::optional<std::filesystem::path> ResolveDevicePath(std::string_view path) {
  std::string_view name = StripDevicePrefix(path);
  if (name.empty()) return std::nullopt;
  // COM and LPT names above 9 exist only in the \\.\ form.
  if (ParsePortNumber(name, "COM") || ParsePortNumber(name, "LPT")) {
    std::string device = "\\\\.\\";
    for (char c : name) device += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return std::filesystem::path(device);
  }
  return std::filesystem::path(std::string(path));
}

}  // namespace qvplatform
