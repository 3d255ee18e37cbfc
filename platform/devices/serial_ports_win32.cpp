// Serial ports on Windows: the present interfaces of GUID_DEVINTERFACE_COMPORT,
// and the ports of the system's serial map (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM)
// that have no interface, as legacy ports and Wine's mapped ports do.
#include "platform/devices/serial_ports.h"

#include "platform/devices/setupapi_scan_win32.h"

#include <cstdio>
#include <map>
#include <string_view>

#include "platform/devices/device_map.h"
#include "platform/devices/usb_printers.h"
#include "platform/text/codepage.h"

namespace qvplatform {

namespace {

// "USB\VID_067B&PID_2303&REV_0300": the vendor and product ids, lower case.
void ReadUsbIds(const std::string& hardware_id, SerialPortInfo* info) {
  size_t vid = hardware_id.find("VID_");
  size_t pid = hardware_id.find("PID_");
  uint16_t vendor = 0;
  uint16_t product = 0;
  if (vid == std::string::npos || pid == std::string::npos ||
      !ParseUsbId(std::string_view(hardware_id).substr(vid + 4, 4), &vendor) ||
      !ParseUsbId(std::string_view(hardware_id).substr(pid + 4, 4), &product)) {
    return;
  }
  char text[8];
  std::snprintf(text, sizeof(text), "%04x", vendor);
  info->vendorId = text;
  std::snprintf(text, sizeof(text), "%04x", product);
  info->productId = text;
}

SerialPortInfo FromInterface(const DeviceInterfaceFacts& facts, int number) {
  SerialPortInfo info;
  info.portName = "COM" + std::to_string(number);
  info.devicePath = facts.devicePath;
  info.description = facts.description.empty() ? "Communications Port" : facts.description;
  info.friendlyName = facts.friendlyName.empty() ? info.description + " (" + info.portName + ")"
                                                 : facts.friendlyName;
  info.locationInformation = facts.location;
  info.onUsb =
      facts.hardwareId.rfind("USB\\", 0) == 0 || facts.hardwareId.rfind("FTDIBUS\\", 0) == 0;
  if (info.onUsb) ReadUsbIds(facts.hardwareId, &info);
  info.node = "\\\\.\\" + info.portName;
  return info;
}

// The port names of the serial map's values ("COM3").
std::vector<std::string> SerialMapPorts() {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return names;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t value_name[256];
    DWORD name_chars = 256;
    wchar_t data[64] = {};
    DWORD size = sizeof(data) - 2;
    DWORD type = 0;
    LONG rc = RegEnumValueW(key, index, value_name, &name_chars, nullptr, &type,
                            reinterpret_cast<BYTE*>(data), &size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
    names.push_back(WideToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(data))));
  }
  RegCloseKey(key);
  return names;
}

}  // namespace

std::vector<SerialPortInfo> EnumerateSerialPorts() {
  std::map<int, SerialPortInfo> ports;
  ScanDeviceInterfaces(kComPortInterfaceClass, [&](const DeviceInterfaceFacts& facts) {
    std::optional<int> number = ParsePortNumber(facts.portName, "COM");
    if (number) ports.emplace(*number, FromInterface(facts, *number));
  });
  for (const std::string& name : SerialMapPorts()) {
    std::optional<int> number = ParsePortNumber(name, "COM");
    if (!number || ports.count(*number) != 0) continue;
    DeviceInterfaceFacts facts;
    facts.devicePath = "\\\\.\\COM" + std::to_string(*number);
    ports.emplace(*number, FromInterface(facts, *number));
  }
  std::vector<SerialPortInfo> out;
  for (auto& [number, info] : ports) out.push_back(std::move(info));
  return out;
}

}  // namespace qvplatform
