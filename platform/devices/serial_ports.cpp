#include "platform/devices/serial_ports.h"

#include <algorithm>
#include <map>
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

std::filesystem::path LinkTarget(const std::filesystem::path& target) {
  return target.is_absolute() ? target : DosDevices() / target;
}

bool IsPseudoTerminal(const std::filesystem::path& node) {
  return node.parent_path() == "/dev/pts";
}

std::string InterfacePath(const std::string& source, const std::string& name) {
  return "\\\\?\\" + source + "#" + name + "#" + kGuidDevInterfaceComPort;
}

}  // namespace

std::vector<SerialPortInfo> EnumerateSerialPorts() {
  // What udev knows, by canonical node.
  std::map<std::filesystem::path, UdevDeviceFacts> udev_ports;
  ScanUdevSubsystem("tty", [&](const UdevDeviceFacts& facts) {
    if (facts.devnode.empty()) return;
    udev_ports[Canonical(facts.devnode)] = facts;
  });

  std::map<int, SerialPortInfo> ports;
  std::set<std::filesystem::path> linked_nodes;
  for (const DosDeviceLink& link : QueryDosDevices()) {
    std::optional<int> number = ParsePortNumber(link.name, "COM");
    if (!number) continue;
    std::filesystem::path node = Canonical(LinkTarget(link.target));
    std::error_code ec;
    if (!std::filesystem::exists(node, ec)) continue;
    linked_nodes.insert(node);
    SerialPortInfo info;
    info.portName = "COM" + std::to_string(*number);
    info.node = node;
    info.mapped = true;
    info.devicePath = InterfacePath("dosdevices", "com" + std::to_string(*number));
    auto known = udev_ports.find(node);
    if (known != udev_ports.end()) {
      info.description = known->second.model;
      info.onUsb = known->second.onUsb;
      info.vendorId = known->second.usbVendorId;
      info.productId = known->second.usbProductId;
      if (info.onUsb) info.locationInformation = "USB " + known->second.usbPath;
    }
    if (info.description.empty()) {
      info.description = IsPseudoTerminal(node) ? "Pseudo-terminal Port" : "Communications Port";
    }
    info.friendlyName = info.description + " (" + info.portName + ")";
    ports[*number] = info;
  }

  for (const auto& [node, facts] : udev_ports) {
    if (linked_nodes.count(node) != 0) continue;
    std::optional<int> number = DefaultComNumber(facts.devnode);
    if (!number || ports.count(*number) != 0) continue;
    if (facts.sysname.rfind("ttyS", 0) == 0 && (facts.sysType.empty() || facts.sysType == "0")) {
      continue;  // a legacy UART slot with no hardware behind it
    }
    SerialPortInfo info;
    info.portName = "COM" + std::to_string(*number);
    info.node = facts.devnode;
    info.devicePath = InterfacePath("tty", facts.sysname);
    info.onUsb = facts.onUsb;
    info.vendorId = facts.usbVendorId;
    info.productId = facts.usbProductId;
    if (facts.onUsb) info.locationInformation = "USB " + facts.usbPath;
    info.description = facts.model.empty()
                           ? (facts.onUsb ? "USB Serial Port" : "Communications Port")
                           : facts.model;
    info.friendlyName = info.description + " (" + info.portName + ")";
    ports[*number] = info;
  }

  std::vector<SerialPortInfo> out;
  for (auto& [number, info] : ports) out.push_back(std::move(info));
  return out;
}

}  // namespace qvplatform
