// A fault-injecting stand-in for a service object, for the test
// application's tests, built as an in-process server library. Registered in
// place of a real service object's class (its ProgID pointed at this
// library's class), each object it creates wraps a new object of the real
// class and forwards every GetIDsOfNames and Invoke to it unchanged, except
// that chosen calls report a failure:
//
//   FaultProxySetTarget(clsid)       the real class to wrap; forgets the
//                                    faults and calls of earlier tests
//   FaultProxyFail(method, part, code, times)
//                                    the next `times` calls of the service
//                                    object's method `method` with an
//                                    argument matching `part` (a string
//                                    containing it, or a number written as
//                                    it; any call when `part` is empty) are
//                                    forwarded,
//                                    then report `code`: as their result
//                                    value, or for a method without one as
//                                    the ResultCode read next
//                                    (GetPropertyNumber of index 6)
//   FaultProxyInjected()             how many calls were made to fail
//   FaultProxyCalls(method, part)    how many calls of `method` with an
//                                    argument matching `part` were made
//
// The functions may be called from any thread; the objects live on the
// apartment thread that created them.
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/bstr.h"
#include "platform/com/interfaces.h"
#include "platform/com/runtime.h"
#include "platform/com/variant.h"

namespace {

constexpr CLSID kClsid = {
    0x7D3E4A10, 0x5C6B, 0x4F2A, {0x8E, 0x91, 0xA2, 0xB3, 0xC4, 0xD5, 0xE6, 0xF7}};
constexpr LONG kPidxResultCode = 6;

struct Fault {
  std::u16string method;
  std::u16string part;
  LONG code = 0;
  int left = 0;
};

std::mutex g_mutex;
CLSID g_target = {};
Fault g_fault;
int g_injected = 0;
std::atomic<int> g_objects{0};

// One call as the proxy saw it: the method and its string and number
// arguments as text.
struct Call {
  std::u16string method;
  std::vector<std::u16string> texts;
  std::vector<std::u16string> numbers;
};

Call Describe(const std::u16string& method, const DISPPARAMS* params) {
  Call call{method, {}, {}};
  for (UINT i = 0; i < params->cArgs; ++i) {
    const VARIANT& arg = params->rgvarg[i];
    if (arg.vt == VT_BSTR && arg.bstrVal != nullptr) {
      call.texts.emplace_back(arg.bstrVal, SysStringLen(arg.bstrVal));
    } else if (arg.vt == VT_I4) {
      const std::string number = std::to_string(arg.lVal);
      call.numbers.emplace_back(number.begin(), number.end());
    }
  }
  return call;
}

bool Matches(const Call& call, const std::u16string& method, const std::u16string& part) {
  if (call.method != method) return false;
  if (part.empty()) return true;
  for (const std::u16string& text : call.texts) {
    if (text.find(part) != std::u16string::npos) return true;
  }
  for (const std::u16string& number : call.numbers) {
    if (number == part) return true;
  }
  return false;
}

std::vector<Call> g_calls;

// Records the call; whether it is one to fail, and with which code.
bool TakeFault(const std::u16string& method, const DISPPARAMS* params, LONG* code) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_calls.push_back(Describe(method, params));
  if (g_fault.left <= 0 || !Matches(g_calls.back(), g_fault.method, g_fault.part)) return false;
  --g_fault.left;
  ++g_injected;
  *code = g_fault.code;
  return true;
}

class CFaultProxy final : public IDispatch {
 public:
  explicit CFaultProxy(IDispatch* inner) : m_inner(inner) { ++g_objects; }

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
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }
  HRESULT GetTypeInfoCount(UINT* count) override { return m_inner->GetTypeInfoCount(count); }
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return m_inner->GetTypeInfo(index, lcid, info);
  }
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    const HRESULT hr = m_inner->GetIDsOfNames(riid, names, count, lcid, ids);
    if (SUCCEEDED(hr) && count > 0) m_names[ids[0]] = names[0];
    return hr;
  }
  HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* argErr) override {
    const HRESULT hr = m_inner->Invoke(id, riid, lcid, flags, params, result, excep, argErr);
    if (FAILED(hr)) return hr;
    const std::u16string& method = m_names[id];
    if (method == u"GetPropertyNumber" && m_pending && params->cArgs == 1 &&
        params->rgvarg[0].vt == VT_I4 && params->rgvarg[0].lVal == kPidxResultCode &&
        result != nullptr) {
      m_pending = false;
      VariantClear(result);
      result->vt = VT_I4;
      result->lVal = m_pendingCode;
      return hr;
    }
    LONG code = 0;
    if (TakeFault(method, params, &code)) {
      if (result != nullptr && result->vt == VT_I4) {
        result->lVal = code;
      } else {
        // A method without a result value: its caller reads ResultCode next.
        m_pending = true;
        m_pendingCode = code;
      }
    }
    return hr;
  }

 private:
  ~CFaultProxy() {
    m_inner->Release();
    --g_objects;
  }

  std::atomic<ULONG> m_refs{1};
  IDispatch* m_inner;
  std::map<DISPID, std::u16string> m_names;
  bool m_pending = false;
  LONG m_pendingCode = 0;
};

class CFactory final : public IClassFactory {
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
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    CLSID target;
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      target = g_target;
    }
    IDispatch* inner = nullptr;
    const HRESULT hr = CoCreateInstance(target, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                        reinterpret_cast<void**>(&inner));
    if (FAILED(hr)) return hr;
    auto* proxy = new CFaultProxy(inner);
    const HRESULT qi = proxy->QueryInterface(riid, ppv);
    proxy->Release();
    return qi;
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

CFactory g_factory;

}  // namespace

extern "C" HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!IsEqualGUID(rclsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, ppv);
}

extern "C" HRESULT DllCanUnloadNow() { return g_objects.load() == 0 ? S_OK : S_FALSE; }

extern "C" void FaultProxySetTarget(const CLSID* target) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_target = *target;
  g_fault = Fault{};
  g_calls.clear();
  g_injected = 0;
}

extern "C" void FaultProxyFail(const char16_t* method, const char16_t* part, LONG code, int times) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_fault = Fault{method, part, code, times};
}

extern "C" int FaultProxyInjected() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_injected;
}

extern "C" int FaultProxyCalls(const char16_t* method, const char16_t* part) {
  std::lock_guard<std::mutex> lock(g_mutex);
  int count = 0;
  for (const Call& call : g_calls) count += Matches(call, method, part) ? 1 : 0;
  return count;
}
