#include "control_objects/registration.h"

#include <dlfcn.h>

#include <string>

#include "platform/com/guid.h"
#include "platform/registry/registry.h"
#include "platform/text/codepage.h"

namespace qvcontrols {
namespace {

struct ClassEntry {
  const CLSID* clsid;
  const char16_t* progId;
  const char16_t* description;
};

const ClassEntry kClasses[] = {
    {&CLSID_OposPOSPrinter, kProgIdPOSPrinter, u"QV OPOS POSPrinter Control"},
    {&CLSID_OposCashDrawer, kProgIdCashDrawer, u"QV OPOS CashDrawer Control"},
};

LSTATUS SetString(const std::u16string& keyPath, const char16_t* name, const std::u16string& text) {
  qvplatform::RegKey key;
  LSTATUS status =
      RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), KEY_ALL_ACCESS, key.receive(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  return RegSetValueExW(key.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
}

LSTATUS DeleteIfPresent(const std::u16string& keyPath) {
  LSTATUS status = RegDeleteKeyW(HKEY_CLASSES_ROOT, keyPath.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace

std::filesystem::path DefaultControlServerPath() {
  Dl_info info = {};
  if (dladdr(reinterpret_cast<void*>(&DefaultControlServerPath), &info) == 0 ||
      info.dli_fname == nullptr) {
    return kControlServerFileName;
  }
  return std::filesystem::absolute(info.dli_fname).parent_path() / kControlServerFileName;
}

HRESULT RegisterControlObjects(const std::filesystem::path& serverPath) {
  std::u16string path = qvplatform::Utf8ToWide(std::filesystem::absolute(serverPath).string());
  for (const ClassEntry& entry : kClasses) {
    std::u16string clsid = qvplatform::GuidToString(*entry.clsid);
    std::u16string clsidKey = u"CLSID\\" + clsid;
    const std::pair<std::u16string, std::pair<const char16_t*, std::u16string>> values[] = {
        {clsidKey, {u"", entry.description}},
        {clsidKey + u"\\InprocServer32", {u"", path}},
        {clsidKey + u"\\InprocServer32", {u"ThreadingModel", u"Apartment"}},
        {clsidKey + u"\\ProgID", {u"", entry.progId}},
        {entry.progId, {u"", entry.description}},
        {std::u16string(entry.progId) + u"\\CLSID", {u"", clsid}},
    };
    for (const auto& [key, value] : values) {
      LSTATUS status = SetString(key, value.first, value.second);
      if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    }
  }
  return S_OK;
}

HRESULT UnregisterControlObjects() {
  for (const ClassEntry& entry : kClasses) {
    std::u16string clsidKey = u"CLSID\\" + qvplatform::GuidToString(*entry.clsid);
    for (const std::u16string& key :
         {clsidKey + u"\\InprocServer32", clsidKey + u"\\ProgID", clsidKey,
          std::u16string(entry.progId) + u"\\CLSID", std::u16string(entry.progId)}) {
      LSTATUS status = DeleteIfPresent(key);
      if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    }
  }
  return S_OK;
}

}  // namespace qvcontrols
