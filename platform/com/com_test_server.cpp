// A tiny in-process server for the runtime's tests: one class whose object
// answers IDispatch with a "Multiply" method. Exports DllGetClassObject and
// DllCanUnloadNow as a real server library does.
#include <atomic>

#include "platform/com/dispatch.h"
#include "platform/com/interfaces.h"

namespace {

constexpr CLSID kClsid = {
    0x6A1C2F00, 0x1D2B, 0x4C3D, {0x8E, 0x4F, 0x50, 0x61, 0x72, 0x83, 0x94, 0xA5}};

std::atomic<int> g_objects{0};
std::atomic<int> g_locks{0};

class CMultiplier final : public IDispatch {
 public:
  CMultiplier() { ++g_objects; }
  ~CMultiplier() { --g_objects; }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch)) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT GetTypeInfoCount(UINT* pctinfo) override {
    return qvplatform::DispatchTable::GetTypeInfoCount(pctinfo);
  }
  HRESULT GetTypeInfo(UINT i, LCID lcid, ITypeInfo** pp) override {
    return qvplatform::DispatchTable::GetTypeInfo(i, lcid, pp);
  }
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    return Table().GetIDsOfNames(riid, names, count, lcid, ids);
  }
  HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* argErr) override {
    return Table().Invoke(this, id, riid, lcid, flags, params, result, excep, argErr);
  }

  HRESULT Multiply(LONG a, LONG b, LONG* pResult) {
    *pResult = a * b;
    return S_OK;
  }

 private:
  static const qvplatform::DispatchTable& Table() {
    static const qvplatform::DispMember kMembers[] = {
        qvplatform::DispMethod<&CMultiplier::Multiply>(
            u"Multiply", 1, {VT_I4, VT_I4, VT_BYREF | VT_I4}, qvplatform::kDispRetval),
    };
    static const qvplatform::DispatchTable table(kMembers);
    return table;
  }

  ULONG refs_ = 1;
};

class CFactory : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* object = new CMultiplier;
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  }
  HRESULT LockServer(BOOL lock) override {
    g_locks += lock ? 1 : -1;
    return S_OK;
  }
};

CFactory g_factory;

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid,
                                                                            REFIID riid,
                                                                            void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualGUID(rclsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}
