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

bool IsDeviceKeyName(const std::u16string& ldn) {
  return !ldn.empty() && ldn.find(u'\\') == std::u16string::npos;
}

LSTATUS DeleteClassLDN(const char16_t* deviceClass, const std::u16string& ldn) {
  if (!IsDeviceKeyName(ldn)) return ERROR_INVALID_PARAMETER;
  std::u16string path = ClassKeyPath(deviceClass) + u"\\" + ldn;
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
  if (progId.empty() || !IsDeviceKeyName(ldn)) return ERROR_INVALID_PARAMETER;
  if (COposToolRegKey(deviceClass, ldn).GetString(u"") != progId) return ERROR_FILE_NOT_FOUND;
  return deviceClass == qvreg::kClassPrinterW ? DeletePrinterLDN(ldn) : DeleteDrawerLDN(ldn);
}

UninstallResult UninstallOwnLDNs() {
  UninstallResult result;
  std::vector<std::u16string> printers;
  std::vector<std::u16string> drawers;
  LoadOwnLDNs(qvreg::kClassPrinterW, &printers);
  LoadOwnLDNs(qvreg::kClassDrawerW, &drawers);
  for (const std::u16string& ldn : printers) {
    LSTATUS status = DeletePrinterLDN(ldn);
    if (status == ERROR_SUCCESS) {
      result.printersDeleted.push_back(ldn);
    } else if (result.firstFailure == ERROR_SUCCESS) {
      result.firstFailure = status;
    }
  }
  for (const std::u16string& ldn : drawers) {
    LSTATUS status = DeleteDrawerLDN(ldn);
    if (status == ERROR_SUCCESS) {
      result.drawersDeleted.push_back(ldn);
    } else if (result.firstFailure == ERROR_SUCCESS) {
      result.firstFailure = status;
    }
  }
  return result;
}

}  // namespace qvtoolreg
