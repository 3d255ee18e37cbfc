#include "service_object/core/class_factory.h"

#include <mutex>
#include <new>

#include "service_object/core/module.h"

HRESULT CComClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG CComClassFactory::AddRef() {
  ULONG count = ++m_refCount;
  if (count == 2) ModuleLock();  // the first client reference
  return count;
}

ULONG CComClassFactory::Release() {
  ULONG count = --m_refCount;
  if (count == 1) ModuleUnlock();  // the last client reference went
  return count;                    // the cache's reference is never released
}

HRESULT CComClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
  return m_creator(pUnkOuter, riid, ppvObject);
}

HRESULT CComClassFactory::LockServer(BOOL fLock) {
  if (fLock) {
    ModuleLock();
  } else {
    ModuleUnlock();
  }
  return S_OK;
}

namespace {
// Constant-initialised and trivially destructible, so it is usable until the
// library is unmapped.
std::mutex g_cacheLock;
}  // namespace

HRESULT GetClassObjectFrom(const ComClassEntry* classes, CComClassFactory** cache, size_t count,
                           REFCLSID rclsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  for (size_t i = 0; i < count; ++i) {
    if (!(*classes[i].clsid == rclsid)) continue;
    CComClassFactory* factory;
    {
      std::lock_guard<std::mutex> lock(g_cacheLock);
      if (cache[i] == nullptr) {
        cache[i] = new (std::nothrow) CComClassFactory(classes[i].creator);
        if (cache[i] == nullptr) return E_OUTOFMEMORY;
      }
      factory = cache[i];
    }
    return factory->QueryInterface(riid, ppv);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

void FreeClassFactories(CComClassFactory** cache, size_t count) {
  std::lock_guard<std::mutex> lock(g_cacheLock);
  for (size_t i = 0; i < count; ++i) {
    if (cache[i] != nullptr && cache[i]->HeldOnlyByCache()) {
      delete cache[i];
      cache[i] = nullptr;
    }
  }
}
