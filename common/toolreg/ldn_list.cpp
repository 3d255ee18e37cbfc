#include "common/toolreg/ldn_list.h"

#include "common/reg_names.h"
#include "common/toolreg/opos_tool_reg_key.h"
#include "platform/registry/registry.h"

namespace {

// Registry key names are at most 255 characters.
constexpr DWORD kNameBufferChars = 260;

std::u16string ClassKeyPath(const char16_t* deviceClass) {
  return std::u16string(qvreg::kServiceOposRootW) + u"\\" + deviceClass;
}

LSTATUS EnumClassLDNs(const char16_t* deviceClass, std::vector<std::u16string>* list) {
  qvplatform::RegKey key;
  LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, ClassKeyPath(deviceClass).c_str(), 0, KEY_READ,
                                 key.receive());
  if (status != ERROR_SUCCESS) return status;
  for (DWORD index = 0;; ++index) {
    char16_t name[kNameBufferChars] = {};
    DWORD chars = kNameBufferChars;
    status = RegEnumKeyExW(key.get(), index, name, &chars);
    if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    list->emplace_back(name, chars);
  }
}

LSTATUS DeleteClassLDN(const char16_t* deviceClass, const std::u16string& ldn) {
  if (!qvtoolreg::IsValidLdn(ldn)) return ERROR_INVALID_PARAMETER;
  const std::u16string path = qvtoolreg::DeviceKeyPathOf(deviceClass, ldn);
  return RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
}

}  // namespace

LSTATUS EnumPrinterLDNs(std::vector<std::u16string>* list) {
  return EnumClassLDNs(qvreg::kClassPrinterW, list);
}

LSTATUS EnumDrawerLDNs(std::vector<std::u16string>* list) {
  return EnumClassLDNs(qvreg::kClassDrawerW, list);
}

LSTATUS DeletePrinterLDN(const std::u16string& ldn) {
  return DeleteClassLDN(qvreg::kClassPrinterW, ldn);
}

LSTATUS DeleteDrawerLDN(const std::u16string& ldn) {
  return DeleteClassLDN(qvreg::kClassDrawerW, ldn);
}

void LoadOwnLDNs(const std::u16string& deviceClass, std::vector<std::u16string>* list) {
  std::vector<std::u16string> names;
  if (deviceClass == qvreg::kClassPrinterW) {
    EnumPrinterLDNs(&names);
  } else if (deviceClass == qvreg::kClassDrawerW) {
    EnumDrawerLDNs(&names);
  }
  list->clear();
  std::u16string progId = qvtoolreg::ProgIdOfClass(deviceClass);
  for (const std::u16string& name : names) {
    if (COposToolRegKey(deviceClass, name).GetString(u"") == progId) list->push_back(name);
  }
}

namespace qvtoolreg {

LSTATUS DeleteOwnLDN(const std::u16string& deviceClass, const std::u16string& ldn) {
  std::u16string progId = ProgIdOfClass(deviceClass);
  if (progId.empty() || !IsValidLdn(ldn)) return ERROR_INVALID_PARAMETER;
  {
    // A store that cannot be read is a failure, not a missing device.
    qvplatform::RegKey key;
    const LSTATUS opened = RegOpenKeyExW(
        HKEY_LOCAL_MACHINE, DeviceKeyPathOf(deviceClass, ldn).c_str(), 0, KEY_READ, key.receive());
    if (opened != ERROR_SUCCESS) return opened;
  }
  if (COposToolRegKey(deviceClass, ldn).GetString(u"") != progId) return ERROR_FILE_NOT_FOUND;
  return deviceClass == qvreg::kClassPrinterW ? DeletePrinterLDN(ldn) : DeleteDrawerLDN(ldn);
}

bool IsValidLdn(const std::u16string& ldn) {
  return !ldn.empty() && ldn.find(u'\\') == std::u16string::npos;
}

std::u16string DeviceKeyPathOf(const std::u16string& deviceClass, const std::u16string& ldn) {
  return ClassKeyPath(deviceClass.c_str()) + u"\\" + ldn;
}

UninstallResult UninstallOwnLDNs() {
  UninstallResult result;
  std::vector<std::u16string> printers;
  std::vector<std::u16string> drawers;
  LoadOwnLDNs(qvreg::kClassPrinterW, &printers);
  LoadOwnLDNs(qvreg::kClassDrawerW, &drawers);
  auto deleteAll = [&result](const char16_t* deviceClass, const std::vector<std::u16string>& ldns,
                             LSTATUS (*deleteLdn)(const std::u16string&),
                             std::vector<std::u16string>* deleted) {
    for (const std::u16string& ldn : ldns) {
      const LSTATUS status = deleteLdn(ldn);
      if (status == ERROR_SUCCESS) {
        deleted->push_back(ldn);
        continue;
      }
      result.failures.push_back(
          {DeviceKeyPathOf(deviceClass, ldn), status, DescribeRegistryFailure(status)});
      if (result.firstFailure == ERROR_SUCCESS) result.firstFailure = status;
    }
  };
  deleteAll(qvreg::kClassPrinterW, printers, DeletePrinterLDN, &result.printersDeleted);
  deleteAll(qvreg::kClassDrawerW, drawers, DeleteDrawerLDN, &result.drawersDeleted);
  return result;
}

}  // namespace qvtoolreg
