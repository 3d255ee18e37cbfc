#include "platform/devices/setupapi_scan_win32.h"

#include <setupapi.h>

#include <string_view>
#include <vector>

#include "platform/text/codepage.h"

namespace qvplatform {

namespace {

std::string Ansi(const wchar_t* text) {
  return WideToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text)));
}

std::string RegistryProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property) {
  wchar_t buffer[512] = {};
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(set, device, property, &type,
                                         reinterpret_cast<BYTE*>(buffer), sizeof(buffer) - 2,
                                         nullptr)) {
    return {};
  }
  // REG_MULTI_SZ (hardware ids) reads as its first string.
  return (type == REG_SZ || type == REG_MULTI_SZ) ? Ansi(buffer) : std::string();
}

std::string PortName(HDEVINFO set, SP_DEVINFO_DATA* device) {
  HKEY key = SetupDiOpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return {};
  wchar_t buffer[64] = {};
  DWORD size = sizeof(buffer) - 2;
  DWORD type = 0;
  LONG rc =
      RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_SZ ? Ansi(buffer) : std::string();
}

std::string InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* entry, SP_DEVINFO_DATA* device) {
  DWORD size = 0;
  SetupDiGetDeviceInterfaceDetailW(set, entry, nullptr, 0, &size, nullptr);
  if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return {};
  std::vector<BYTE> storage(size);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (!SetupDiGetDeviceInterfaceDetailW(set, entry, detail, size, nullptr, device)) return {};
  return Ansi(detail->DevicePath);
}

}  // namespace

void ScanDeviceInterfaces(const GUID& interface_class,
                          const std::function<void(const DeviceInterfaceFacts&)>& visit) {
  HDEVINFO set = SetupDiGetClassDevsW(&interface_class, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVICE_INTERFACE_DATA entry{};
  entry.cbSize = sizeof(entry);
  for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &interface_class, index, &entry);
       ++index) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    DeviceInterfaceFacts facts;
    facts.devicePath = InterfacePath(set, &entry, &device);
    if (facts.devicePath.empty()) continue;
    facts.friendlyName = RegistryProperty(set, &device, SPDRP_FRIENDLYNAME);
    facts.description = RegistryProperty(set, &device, SPDRP_DEVICEDESC);
    facts.location = RegistryProperty(set, &device, SPDRP_LOCATION_INFORMATION);
    facts.hardwareId = RegistryProperty(set, &device, SPDRP_HARDWAREID);
    facts.portName = PortName(set, &device);
    visit(facts);
  }
  SetupDiDestroyDeviceInfoList(set);
}

}  // namespace qvplatform
