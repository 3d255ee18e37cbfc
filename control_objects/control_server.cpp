// The in-process server of the stand-in control objects: the library that
// HKCR\CLSID\{...}\InprocServer32 names. It only hands out class factories;
// the objects themselves live in libqvopos_controls.so. Kept apart from
// that library so that programs linking it do not carry a second
// DllGetClassObject into the process's global symbols.
#include <atomic>

#include "control_objects/control_object.h"
#include "control_objects/registration.h"

#include <dlfcn.h>

namespace {

std::atomic<long> g_serverLocks{0};

class ControlFactory final : public IClassFactory {
 public:
  explicit ControlFactory(qvcontrols::DeviceClass deviceClass) : m_deviceClass(deviceClass) {}

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *ppv = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  // The factories are static objects of the library.
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }

  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    qvcontrols::CControlObject* object = qvcontrols::CControlObject::Create(m_deviceClass);
    if (object == nullptr) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  }
  HRESULT LockServer(BOOL lock) override {
    g_serverLocks += lock ? 1 : -1;
    return S_OK;
  }

 private:
  qvcontrols::DeviceClass m_deviceClass;
};

ControlFactory g_printerFactory(qvcontrols::DeviceClass::kPosPrinter);
ControlFactory g_drawerFactory(qvcontrols::DeviceClass::kCashDrawer);

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid,
                                                                            REFIID riid,
                                                                            void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (rclsid == qvcontrols::CLSID_OposPOSPrinter) return g_printerFactory.QueryInterface(riid, ppv);
  if (rclsid == qvcontrols::CLSID_OposCashDrawer) return g_drawerFactory.QueryInterface(riid, ppv);
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return qvcontrols::LiveControlObjects() == 0 && g_serverLocks.load() == 0 ? S_OK : S_FALSE;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  Dl_info info = {};
  if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) == 0 ||
      info.dli_fname == nullptr) {
    return E_FAIL;
  }
  return qvcontrols::RegisterControlObjects(info.dli_fname);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  return qvcontrols::UnregisterControlObjects();
}
