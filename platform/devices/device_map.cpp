#include "platform/devices/device_map.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <system_error>

#include "platform/base/prefix.h"
#include "platform/devices/usb_printers.h"

namespace qvplatform {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) { return Lower(a) == Lower(b); }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// The number k of "<stem>k" (digits only), when `node` is /dev/<stem>k.
std::optional<int> NodeIndex(const std::filesystem::path& node, std::string_view dir,
                             std::string_view stem) {
  if (node.parent_path() != std::filesystem::path(dir)) return std::nullopt;
  std::string name = node.filename().string();
  if (name.size() <= stem.size() || name.compare(0, stem.size(), stem) != 0) return std::nullopt;
  int value = 0;
  for (size_t i = stem.size(); i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return std::nullopt;
    value = value * 10 + (name[i] - '0');
    if (value > 100000) return std::nullopt;
  }
  return value;
}

struct ComRange {
  const char* stem;
  int first;
};
constexpr ComRange kComRanges[] = {{"ttyS", 1}, {"ttyUSB", 33}, {"ttyACM", 65}};
constexpr int kComRangeSize = 32;

}  // namespace

std::vector<DosDeviceLink> QueryDosDevices() {
  std::vector<DosDeviceLink> links;
  std::error_code ec;
  std::filesystem::directory_iterator it(DosDevices(), ec);
  if (ec) return links;
  for (const auto& entry : it) {
    std::error_code link_ec;
    if (!entry.is_symlink(link_ec)) continue;
    std::filesystem::path target = std::filesystem::read_symlink(entry.path(), link_ec);
    if (link_ec) continue;
    links.push_back({entry.path().filename().string(), target});
  }
  std::sort(links.begin(), links.end(),
            [](const DosDeviceLink& a, const DosDeviceLink& b) { return a.name < b.name; });
  return links;
}

std::optional<std::filesystem::path> QueryDosDevice(std::string_view name) {
  for (const DosDeviceLink& link : QueryDosDevices()) {
    if (!EqualNoCase(link.name, name)) continue;
    return link.target.is_absolute() ? link.target : DosDevices() / link.target;
  }
  return std::nullopt;
}

int DefineDosDevice(std::string_view name, const std::filesystem::path& target) {
  if (name.empty() || name.find('/') != std::string_view::npos || name == "." || name == "..") {
    return EINVAL;
  }
  std::string stored(name);
  if (ParsePortNumber(name, "COM") || ParsePortNumber(name, "LPT")) stored = Lower(name);
  std::string error;
  if (!EnsureDirectory(DosDevices(), &error)) return EACCES;
  // Replace any link of the same name in another case first.
  for (const DosDeviceLink& link : QueryDosDevices()) {
    if (EqualNoCase(link.name, name)) {
      std::error_code ec;
      std::filesystem::remove(DosDevices() / link.name, ec);
    }
  }
  std::error_code ec;
  std::filesystem::create_symlink(target, DosDevices() / stored, ec);
  return ec ? (ec.value() != 0 ? ec.value() : EIO) : 0;
}

int RemoveDosDevice(std::string_view name) {
  int rc = ENOENT;
  for (const DosDeviceLink& link : QueryDosDevices()) {
    if (!EqualNoCase(link.name, name)) continue;
    std::error_code ec;
    std::filesystem::remove(DosDevices() / link.name, ec);
    rc = ec ? ec.value() : 0;
  }
  return rc;
}

std::optional<std::filesystem::path> DefaultComNode(int number) {
  for (const ComRange& range : kComRanges) {
    if (number >= range.first && number < range.first + kComRangeSize) {
      return std::filesystem::path("/dev") / (range.stem + std::to_string(number - range.first));
    }
  }
  return std::nullopt;
}

std::optional<int> DefaultComNumber(const std::filesystem::path& node) {
  for (const ComRange& range : kComRanges) {
    std::optional<int> index = NodeIndex(node, "/dev", range.stem);
    if (index && *index < kComRangeSize) return range.first + *index;
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> DefaultLptNode(int number) {
  if (number < 1) return std::nullopt;
  return std::filesystem::path("/dev") / ("lp" + std::to_string(number - 1));
}

std::optional<int> DefaultLptNumber(const std::filesystem::path& node) {
  std::optional<int> index = NodeIndex(node, "/dev", "lp");
  if (!index) return std::nullopt;
  return *index + 1;
}

std::optional<std::filesystem::path> ResolveDevicePath(std::string_view path) {
  if (!path.empty() && path[0] == '/') return std::filesystem::path(std::string(path));
  std::string_view name = StripDevicePrefix(path);
  if (name.empty()) return std::nullopt;

  if (StartsWithNoCase(name, "usb#")) {
    std::string_view link_name = name;
    size_t last = name.rfind('#');
    if (last != std::string_view::npos && last + 1 < name.size() && name[last + 1] == '{') {
      link_name = name.substr(0, last);
    }
    if (auto target = QueryDosDevice(link_name)) return target;
    std::optional<UsbDeviceId> id = ParseUsbDeviceName(name);
    if (!id) return std::nullopt;
    return FindUsbPrinterNode(*id);
  }

  if (auto target = QueryDosDevice(name)) return target;
  std::error_code ec;
  if (std::optional<int> com = ParsePortNumber(name, "COM")) {
    std::optional<std::filesystem::path> node = DefaultComNode(*com);
    if (node && std::filesystem::exists(*node, ec)) return node;
    return std::nullopt;
  }
  if (std::optional<int> lpt = ParsePortNumber(name, "LPT")) {
    std::optional<std::filesystem::path> node = DefaultLptNode(*lpt);
    if (node && std::filesystem::exists(*node, ec)) return node;
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace qvplatform
