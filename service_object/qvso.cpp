// libQVSO.so's module: the class-object table and the four exports of an
// in-process COM server. Only these four symbols leave the library (see
// qvso.map), so a process may link the service-object libraries statically
// and load the server as well without the two colliding.
#include <exception>
#include <string>

#include "platform/base/module_path.h"
#include "platform/com/interfaces.h"
#include "platform/com/types.h"
#include "service_object/core/class_factory.h"
#include "service_object/core/module.h"
#include "service_object/core/qvso_interfaces.h"
#include "service_object/core/registration.h"
#include "service_object/core/type_library.h"
#include "service_object/drawer/cash_drawer.h"
#include "service_object/printer/opos_printer.h"

extern "C" {
HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
HRESULT DllCanUnloadNow();
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();
}

namespace {

const ComClassEntry kClasses[] = {
    {&CLSID_QVOposPrinter, &QVCOposPrinter::CreateInstance},
    {&CLSID_CCashDrawer, &CCashDrawer::CreateInstance},
};
constexpr size_t kClassCount = sizeof(kClasses) / sizeof(kClasses[0]);
CComClassFactory* g_factories[kClassCount] = {};

// Frees the cached factories when the library unloads.
__attribute__((destructor)) void FreeFactoriesAtUnload() {
  FreeClassFactories(g_factories, kClassCount);
}

// The absolute path of this library, as registration records it; empty when
// it cannot be told (or not be written in UTF-16).
std::u16string ModulePath() {
  try {
    return qvplatform::ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer)).u16string();
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  return GetClassObjectFrom(kClasses, g_factories, kClassCount, rclsid, riid, ppv);
}

HRESULT DllCanUnloadNow() { return ModuleLockCount() == 0 ? S_OK : S_FALSE; }

HRESULT DllRegisterServer() {
  const std::u16string path = ModulePath();
  if (path.empty()) return E_UNEXPECTED;
  HRESULT hr = RegisterClassScript(kPrinterClassScript, path);
  if (SUCCEEDED(hr)) hr = RegisterClassScript(kCashDrawerClassScript, path);
  if (SUCCEEDED(hr)) hr = RegisterQvsoTypeLibrary(path);
  return hr;
}

HRESULT DllUnregisterServer() {
  HRESULT hr = UnregisterClassScript(kPrinterClassScript);
  HRESULT next = UnregisterClassScript(kCashDrawerClassScript);
  if (SUCCEEDED(hr)) hr = next;
  next = UnregisterQvsoTypeLibrary();
  if (SUCCEEDED(hr)) hr = next;
  return hr;
}
