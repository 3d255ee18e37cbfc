#include "service_object/core/registration.h"

#include <vector>

#include "platform/com/guid.h"
#include "service_object/core/qvso_interfaces.h"

const ClassScript kPrinterClassScript = {&CLSID_QVOposPrinter, u"QV OPOS Printer Class",
                                         u"QV.Opos.Printer", u"QV.Opos.Printer.1"};
const ClassScript kCashDrawerClassScript = {&CLSID_CCashDrawer, u"QV OPOS CashDrawer Class",
                                            u"QV.OPOS.CashDrawer", u"QV.OPOS.CashDrawer.1"};

namespace {

HRESULT ToHresult(LSTATUS status) {
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<int32_t>(status));
}

}  // namespace

LSTATUS CreateRegKey(HKEY root, const std::u16string& key) {
  qvplatform::RegKey handle;
  return RegCreateKeyExW(root, key.c_str(), KEY_WRITE, handle.receive(), nullptr);
}

LSTATUS SetRegString(HKEY root, const std::u16string& key, const char16_t* valueName,
                     const std::u16string& value) {
  qvplatform::RegKey handle;
  LSTATUS status = RegCreateKeyExW(root, key.c_str(), KEY_WRITE, handle.receive(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(char16_t));
  return RegSetValueExW(handle.get(), valueName, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()), bytes);
}

LSTATUS DeleteRegTree(HKEY root, const std::u16string& key) {
  std::vector<std::u16string> children;
  {
    qvplatform::RegKey handle;
    LSTATUS status = RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, handle.receive());
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    for (DWORD index = 0;; ++index) {
      char16_t name[256];
      DWORD chars = 256;
      status = RegEnumKeyExW(handle.get(), index, name, &chars);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS) return status;
      children.emplace_back(name, chars);
    }
  }
  for (const std::u16string& child : children) {
    LSTATUS status = DeleteRegTree(root, key + u"\\" + child);
    if (status != ERROR_SUCCESS) return status;
  }
  LSTATUS status = RegDeleteKeyW(root, key.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

HRESULT RegisterClassScript(const ClassScript& script, const std::u16string& modulePath) {
  const std::u16string clsid = qvplatform::GuidToString(*script.clsid);
  const std::u16string clsidKey = u"CLSID\\" + clsid;
  const std::u16string versioned = script.versionedProgId;
  const std::u16string progId = script.progId;
  const std::u16string libid = qvplatform::GuidToString(LIBID_QVSOLib);
  struct Step {
    std::u16string key;
    const char16_t* valueName;
    std::u16string value;
  };
  const Step before[] = {
      {versioned, nullptr, script.description},   {versioned + u"\\CLSID", nullptr, clsid},
      {progId, nullptr, script.description},      {progId + u"\\CLSID", nullptr, clsid},
      {progId + u"\\CurVer", nullptr, versioned},
  };
  for (const Step& step : before) {
    HRESULT hr = ToHresult(SetRegString(HKEY_CLASSES_ROOT, step.key, step.valueName, step.value));
    if (FAILED(hr)) return hr;
  }
  // The class's CLSID key is removed and written anew.
  HRESULT hr = ToHresult(DeleteRegTree(HKEY_CLASSES_ROOT, clsidKey));
  if (FAILED(hr)) return hr;
  const Step after[] = {
      {clsidKey, nullptr, script.description},
      {clsidKey + u"\\ProgID", nullptr, versioned},
      {clsidKey + u"\\VersionIndependentProgID", nullptr, progId},
      {clsidKey + u"\\InprocServer32", nullptr, modulePath},
      {clsidKey + u"\\InprocServer32", u"ThreadingModel", u"Apartment"},
      {clsidKey + u"\\TypeLib", nullptr, libid},
  };
  for (const Step& step : after) {
    hr = ToHresult(SetRegString(HKEY_CLASSES_ROOT, step.key, step.valueName, step.value));
    if (FAILED(hr)) return hr;
  }
  return ToHresult(CreateRegKey(HKEY_CLASSES_ROOT, clsidKey + u"\\Programmable"));
}

HRESULT UnregisterClassScript(const ClassScript& script) {
  const std::u16string clsidKey = u"CLSID\\" + qvplatform::GuidToString(*script.clsid);
  for (const std::u16string& key :
       {clsidKey, std::u16string(script.progId), std::u16string(script.versionedProgId)}) {
    HRESULT hr = ToHresult(DeleteRegTree(HKEY_CLASSES_ROOT, key));
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}
